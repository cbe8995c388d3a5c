// Keeps the earlier PC file of a download safe until the run has succeeded.
// Before the run the file gets a second name beside it (a hard link, so a large
// save file is not copied; where links are not possible it is renamed to that
// name). The FTP client replaces the file only by renaming a complete download
// over it, so the side name keeps the earlier data whatever the run does. After
// a successful run the side name goes; after any other outcome the earlier file
// is put back under its own name. If the program stops in between, the earlier
// file survives under the side name: never both names are lost.
#pragma once
#include <optional>
#include <string>

namespace kv {

class PcFileGuard {
 public:
  // `windowsPath` is the PC file of the download. False when an existing file
  // could not be given a side name; nothing has changed then.
  bool Protect(const std::string& windowsPath);
  // After the run. A "success" that left no file at the PC path counts as a failure.
  void Finish(bool success);
  // The side name chosen (Windows form), for a message when Protect failed.
  const std::string& SideName() const { return sideShown_; }

  // Suffix of the side name; a number follows when a file of that name is
  // already there (an earlier interrupted run's, which stays untouched).
  static constexpr const char* kSuffix = ".kvkeep";

 private:
  std::string target_;    // native
  std::string side_;      // native; empty when there was nothing to protect
  std::string sideShown_;
  bool active_ = false;
  bool existed_ = false;
};

}  // namespace kv
