// Helpers shared by the fuzz targets: input bytes as text, lines and words, and
// a private drive C: for the targets that read the client's working files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace kv::fuzz {

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Splits at `sep`; a last piece without a separator counts.
inline std::vector<std::string_view> Split(std::string_view text, char sep) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == sep) {
      if (i > start || i < text.size()) parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

// Stops the run with a message that libFuzzer reports as a crash, keeping the input.
[[noreturn]] void Fail(const char* what);

// Points KV_DRIVE_C at a fresh folder of this process with C:\KV-TRANSIT in it
// (once per process) and returns the native path of that install folder.
const std::string& PrivateInstallDir();

// Writes `bytes` to a native path; false when it cannot.
bool WriteFileBytes(const std::string& path, std::string_view bytes);

}  // namespace kv::fuzz
