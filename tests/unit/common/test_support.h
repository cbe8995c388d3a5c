// A private drive C: for one test: KV_DRIVE_C points at a fresh folder.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace kvtest {

class TempDrive {
 public:
  TempDrive() {
    char tmpl[] = "/tmp/kvtest-XXXXXX";
    root_ = ::mkdtemp(tmpl);
    driveC_ = root_ + "/drive_c";
    std::filesystem::create_directories(driveC_);
    ::setenv("KV_DRIVE_C", driveC_.c_str(), 1);
  }
  ~TempDrive() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
    ::unsetenv("KV_DRIVE_C");
  }
  const std::string& DriveC() const { return driveC_; }
  const std::string& Root() const { return root_; }

  static std::string ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  static void WriteBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream f(path, std::ios::binary);
    f << bytes;
  }

 private:
  std::string root_, driveC_;
};

}  // namespace kvtest
