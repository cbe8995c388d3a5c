#include <windows.h>

#include "common/win32/widen.h"
#include "ftp/platform.h"

namespace kv::ftp {

bool ChangeLocalDir(const std::string& nativePath) {
  return SetCurrentDirectoryW(win32::Widen(nativePath).c_str()) != 0;
}

std::string CurrentLocalDir() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return {};
  std::wstring buffer(n, L'\0');
  DWORD got = GetCurrentDirectoryW(n, buffer.data());
  buffer.resize(got < n ? got : 0);
  return win32::Narrow(buffer);
}

int ProcessId() { return static_cast<int>(GetCurrentProcessId()); }

std::string ProgramPath() {
  std::wstring buffer(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(n < buffer.size() ? n : 0);
  return win32::Narrow(buffer);
}

}  // namespace kv::ftp
