#include "common/fileio.h"

#include <windows.h>

#include "common/win32/widen.h"

namespace kv::native {

FILE* OpenFile(const std::string& path, const char* mode) {
  return _wfopen(win32::Widen(path).c_str(), win32::Widen(mode).c_str());
}

bool MoveReplacing(const std::string& from, const std::string& to) {
  return MoveFileExW(win32::Widen(from).c_str(), win32::Widen(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING) != 0;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(win32::Widen(path).c_str()) != 0; }

bool CopyReplacing(const std::string& from, const std::string& to) {
  return CopyFileW(win32::Widen(from).c_str(), win32::Widen(to).c_str(), FALSE) != 0;
}

bool MakeDir(const std::string& path) {
  return CreateDirectoryW(win32::Widen(path).c_str(), nullptr) != 0 || IsDir(path);
}

bool MakeDirs(const std::string& path) {
  for (std::size_t pos = path.find_first_of("\\/", 3); pos != std::string::npos;
       pos = path.find_first_of("\\/", pos + 1))
    MakeDir(path.substr(0, pos));
  return MakeDir(path);
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(win32::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDir(const std::string& path) {
  DWORD a = GetFileAttributesW(win32::Widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> ListDir(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(win32::Widen(path + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::string n = win32::Narrow(fd.cFileName);
    if (n != "." && n != "..") names.push_back(n);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

}  // namespace kv::native
