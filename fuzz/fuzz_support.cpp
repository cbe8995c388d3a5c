#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace kv::fuzz {

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

const std::string& PrivateInstallDir() {
  static const std::string dir = [] {
    auto root = std::filesystem::temp_directory_path() / ("kv-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "KV-TRANSIT");
    ::setenv("KV_DRIVE_C", root.c_str(), 1);
    static const std::filesystem::path kept = root;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(kept, ec);
    });
    return (root / "KV-TRANSIT").string();
  }();
  return dir;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace kv::fuzz
