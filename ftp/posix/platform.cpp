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

}  // namespace kv::ftp
