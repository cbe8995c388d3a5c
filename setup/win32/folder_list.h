// Dir1: the classic folder list. It shows the current path's ancestors from the
// drive root down, the current folder, and its sub-folders one level deeper;
// a double-click on an entry makes that folder the current path.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace kv::setupwin {

class FolderList {
 public:
  void Attach(HWND list) { list_ = list; }
  // Shows `path` (a folder that exists); false, and nothing changes, when it cannot be read.
  bool SetPath(const std::wstring& path);
  const std::wstring& Path() const { return path_; }
  // A double-click: enters the folder of the entry under the selection.
  void Enter();

 private:
  HWND list_ = nullptr;
  std::wstring path_;
  std::vector<std::wstring> entries_;  // full path of each line
};

// The current folder of a drive ("d:"), or its root when it has none.
std::wstring DriveCurrentFolder(const std::wstring& drive);

}  // namespace kv::setupwin
