#include "client/engine/pc_file_guard.h"

#include "common/fileio.h"
#include "common/winpath.h"

namespace kv {

bool PcFileGuard::Protect(const std::string& windowsPath) {
  target_ = MapPath(windowsPath);
  active_ = !windowsPath.empty() && !native::IsDir(target_);  // the FTP client refuses a folder: nothing to keep
  existed_ = active_ && native::Exists(target_);
  if (!existed_) return true;
  for (int n = 0; n < 10; ++n) {
    std::string side = target_ + kSuffix + (n ? std::to_string(n) : std::string());
    if (native::Exists(side)) continue;
    sideShown_ = windowsPath + kSuffix + (n ? std::to_string(n) : std::string());
    if (native::HardLink(target_, side) || native::MoveWithoutReplacing(target_, side)) {
      side_ = side;
      return true;
    }
    break;
  }
  if (sideShown_.empty()) sideShown_ = windowsPath + kSuffix;
  active_ = false;
  return false;
}

void PcFileGuard::Finish(bool success) {
  if (!active_) return;
  active_ = false;
  if (success && native::Exists(target_)) {
    if (!side_.empty()) native::RemoveFile(side_);
    return;
  }
  if (!existed_) {
    // There was no file before the run: a failed run leaves none.
    native::RemoveFile(target_);
    return;
  }
  // Renaming a name over another name of the same file changes nothing, so
  // the side name is removed once the file is back under its own name.
  if (native::MoveReplacing(side_, target_) && native::Exists(side_)) native::RemoveFile(side_);
}

}  // namespace kv
