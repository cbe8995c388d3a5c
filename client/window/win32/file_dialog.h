// The common Open and Save dialogs behind the choosers' FileDialog.
#pragma once
#include <windows.h>

#include "client/window/choosers.h"

namespace kv::win32 {

class Win32FileDialog : public FileDialog {
 public:
  explicit Win32FileDialog(HWND owner) : owner_(owner) {}
  void ShowOpen() override { Show(false); }
  void ShowSave() override { Show(true); }

 private:
  void Show(bool save);
  HWND owner_;
};

}  // namespace kv::win32
