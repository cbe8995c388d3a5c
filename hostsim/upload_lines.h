// The lines of a text upload, read from the file the data connection was
// copied into, a block at a time, so that memory stays flat however large the
// upload: a block always ends at a line end, each line is converted on its own.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "hostsim/ccsid.h"

namespace hostsim {

// Hands the bytes of `path` after the first `skip` to `fn` in blocks of a
// quarter megabyte or less. False when the file cannot be read or `fn` returned false.
bool ForEachBlock(const std::string& path, std::size_t skip, const std::function<bool(std::string_view)>& fn);
// The same in blocks that end
// at a line feed (the last one at the end of the file). False when the file
// cannot be read or `fn` returned false.
bool ForEachLineBlock(const std::string& path, std::size_t skip, const std::function<bool(std::string_view)>& fn);

// The CCSID a text upload in `path` is read in (UploadCcsid over the whole file).
int UploadFileCcsid(const std::string& path, int transferCcsid, std::size_t& markLength);

class UploadLines {
 public:
  UploadLines(std::string path, std::size_t skip, Converter& conv) : path_(std::move(path)), skip_(skip), conv_(conv) {}
  // Calls fn(convertedLine, lineNumber) until it returns false; false then
  // (and when the file cannot be read). A CR before the line feed is no data.
  bool ForEach(const std::function<bool(const std::string&, std::size_t)>& fn) const;

 private:
  std::string path_;
  std::size_t skip_;
  Converter& conv_;
};

}  // namespace hostsim
