#include <unistd.h>

#include <climits>

#include "ftp/platform.h"

namespace kv::ftp {

bool ChangeLocalDir(const std::string& nativePath) { return ::chdir(nativePath.c_str()) == 0; }

std::string CurrentLocalDir() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

int ProcessId() { return static_cast<int>(::getpid()); }

std::string ProgramPath() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace kv::ftp
