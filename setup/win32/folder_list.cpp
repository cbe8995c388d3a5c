#include "setup/win32/folder_list.h"

#include <algorithm>

namespace kv::setupwin {
namespace {

// "C:\a\b" gives "C:\", "C:\a", "C:\a\b".
std::vector<std::wstring> Ancestors(const std::wstring& path) {
  std::vector<std::wstring> out;
  std::wstring root = path.substr(0, 3);  // "C:\"
  out.push_back(root);
  for (size_t pos = path.find(L'\\', 3); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1))
    out.push_back(path.substr(0, pos));
  if (path.size() > 3) out.push_back(path);
  return out;
}

std::vector<std::wstring> SubFolders(const std::wstring& path) {
  std::vector<std::wstring> names;
  std::wstring pattern = path + (path.back() == L'\\' ? L"*" : L"\\*");
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring n = fd.cFileName;
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || n == L"." || n == L"..") continue;
    if (fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
    names.push_back(n);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end(),
            [](const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) < 0; });
  return names;
}

std::wstring LastPart(const std::wstring& path) {
  if (path.size() <= 3) return path;
  return path.substr(path.rfind(L'\\') + 1);
}

std::wstring Normalise(std::wstring path) {
  wchar_t full[MAX_PATH];
  DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  if (n > 0 && n < MAX_PATH) path = full;
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  if (path.size() == 2 && path[1] == L':') path += L'\\';
  if (!path.empty()) path[0] = static_cast<wchar_t>(towupper(path[0]));
  return path;
}

}  // namespace

bool FolderList::SetPath(const std::wstring& wanted) {
  std::wstring path = Normalise(wanted);
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (path.size() < 3 || path[1] != L':' || attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  path_ = path;
  entries_.clear();
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  // Each level is indented by one full-width blank: ancestors, then the sub-folders.
  auto ancestors = Ancestors(path);
  int level = 0;
  for (const auto& a : ancestors) {
    std::wstring line(static_cast<size_t>(level++), L'　');
    line += LastPart(a);
    SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    entries_.push_back(a);
  }
  int current = static_cast<int>(entries_.size()) - 1;
  for (const auto& name : SubFolders(path)) {
    std::wstring line(static_cast<size_t>(level), L'　');
    line += name;
    SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    entries_.push_back(path + (path.back() == L'\\' ? L"" : L"\\") + name);
  }
  SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
  SetWindowTextW(list_, path_.c_str());
  return true;
}

void FolderList::Enter() {
  LRESULT i = SendMessageW(list_, LB_GETCURSEL, 0, 0);
  if (i < 0 || static_cast<size_t>(i) >= entries_.size()) return;
  if (!SetPath(entries_[static_cast<size_t>(i)])) SetPath(path_);
}

std::wstring DriveCurrentFolder(const std::wstring& drive) {
  wchar_t full[MAX_PATH];
  std::wstring d = drive.substr(0, 2);
  DWORD n = GetFullPathNameW(d.c_str(), MAX_PATH, full, nullptr);
  if (n > 0 && n < MAX_PATH && towupper(full[0]) == towupper(d[0])) return full;
  return d + L"\\";
}

}  // namespace kv::setupwin
