#include "fuzz/fuzz_support.h"

#include <iconv.h>
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
    std::error_code probe;
    const std::filesystem::path shm = "/dev/shm";
    const auto base = std::filesystem::is_directory(shm, probe) && ::access(shm.c_str(), W_OK) == 0
                          ? shm
                          : std::filesystem::temp_directory_path();
    auto root = base / ("kv-fuzz-" + std::to_string(::getpid()));
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

void KeepConvertersLoaded(std::initializer_list<const char*> codeSets) {
  // Never closed: an open descriptor is what keeps its converter loaded.
  static auto* open = new std::vector<iconv_t>;
  if (!open->empty()) return;  // once per process
  for (const char* set : codeSets) {
    for (iconv_t cd : {::iconv_open("UTF-8", set), ::iconv_open(set, "UTF-8")}) {
      if (cd == reinterpret_cast<iconv_t>(-1)) Fail("iconv does not know a code set");
      open->push_back(cd);
    }
  }
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace kv::fuzz
