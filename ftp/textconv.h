// Text-mode line ends: the PC side and the wire both use CR LF, so every lone LF
// becomes CR LF in both directions; CR LF pairs and other bytes pass unchanged.
// The converter keeps state across buffers, so a CR at the end of one buffer and
// an LF at the start of the next stay one line end.
#pragma once
#include <cstddef>
#include <string>

namespace kv::ftp {

class CrLfConverter {
 public:
  // Appends the converted bytes of `data` to `out` (which is cleared first).
  void Convert(const char* data, std::size_t size, std::string& out);

 private:
  bool lastWasCr_ = false;
};

}  // namespace kv::ftp
