// Helpers shared by the fuzz targets: input bytes as text, lines and words, and
// a private drive C: for the targets that read the client's working files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
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
// (once per process, in memory where /dev/shm exists, so that the working files
// each input writes and renames cost no disk writes) and returns the native path
// of that install folder.
const std::string& PrivateInstallDir();

// Keeps iconv's converters between these code sets and UTF-8 loaded for the
// life of the process (the first call's sets). Otherwise every conversion that opens and closes its own
// descriptor loads and unloads the converter's shared object again, which costs
// more than the conversion itself.
void KeepConvertersLoaded(std::initializer_list<const char*> codeSets);

// Writes `bytes` to a native path; false when it cannot.
bool WriteFileBytes(const std::string& path, std::string_view bytes);

}  // namespace kv::fuzz
