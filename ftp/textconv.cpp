#include "ftp/textconv.h"

namespace kv::ftp {

void CrLfConverter::Convert(const char* data, std::size_t size, std::string& out) {
  out.clear();
  out.reserve(size + size / 16 + 2);
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < size; ++i) {
    char c = data[i];
    if (c == '\n') {
      bool prevCr = i > 0 ? data[i - 1] == '\r' : lastWasCr_;
      if (!prevCr) {
        out.append(data + runStart, i - runStart);
        out += '\r';
        runStart = i;  // the LF itself goes out with the next run
      }
    }
  }
  out.append(data + runStart, size - runStart);
  if (size > 0) lastWasCr_ = data[size - 1] == '\r';
}

}  // namespace kv::ftp
