// Works hostxfer.exe as a user does, from a second program in the same Wine
// prefix: starts it, picks menu items with the keyboard, types, presses
// buttons, reads message boxes and the focus, fills or cancels file dialogs.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "client/panel/controls.h"

namespace gui {

// Paths handed to the driver on its command line (Windows form).
struct DriverPaths {
  std::wstring program;   // hostxfer.exe
  std::wstring stubFtp;   // the stand-in FTP client
  std::wstring shots;     // folder for screenshots
  std::wstring realFtp;   // our FTP client, for the runs against a simulated host
};
const DriverPaths& Paths();

std::wstring W(const std::string& utf8);
std::string U(const std::wstring& utf16);

// Files of the program's drive C:.
void ResetInstallDir();  // empties C:\KV-TRANSIT and the test folder C:\kvgui
void WriteCp932Lines(const std::wstring& path, const std::vector<std::string>& lines);
std::string ReadBytes(const std::wstring& path);
std::string Cp932ToUtf8(const std::string& bytes);

struct MessageBoxSeen {
  HWND box = nullptr;
  std::string title, text;
  bool hasIcon = false;
  bool exclamation = false;  // the yellow warning sign
};

class App {
 public:
  App();  // starts hostxfer.exe and waits for its window
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  HWND Main() const { return main_; }
  DWORD Pid() const { return pi_.dwProcessId; }
  HWND Control(kv::Ctl c) const;
  std::string Text(HWND h) const;
  std::string Text(kv::Ctl c) const { return Text(Control(c)); }
  void SetText(kv::Ctl c, const std::string& text) const;
  bool Visible(kv::Ctl c) const;
  // The control's place in its container, in twips.
  POINT PositionTwips(kv::Ctl c) const;
  SIZE SizePixels(kv::Ctl c) const;
  int Check(kv::Ctl c) const;
  std::vector<std::string> ListItems(kv::Ctl c) const;
  // Selection of a text box: start and end.
  std::pair<int, int> Selection(kv::Ctl c) const;

  // Presses a button as a click would (the window must be enabled for input).
  void Click(kv::Ctl c) const;
  void ClickHwnd(HWND h) const;
  // Picks "menu/item" with the keyboard: Alt + the menu's access key, arrows, Enter.
  void PickMenu(const std::wstring& menu, const std::wstring& item) const;
  void PressKey(WORD vk, bool withAlt = false) const;

  // The next message box of the program (waits up to `ms`), or nothing.
  std::optional<MessageBoxSeen> WaitMessageBox(int ms = 5000) const;
  // Reads the box, presses its OK button and waits until it is gone.
  MessageBoxSeen TakeMessageBox(int ms = 5000) const;
  // The control that has the keyboard focus, if it is one of the table's.
  std::optional<kv::Ctl> Focused() const;
  // A common file dialog of the program (waits up to `ms`).
  HWND WaitFileDialog(int ms = 5000) const;
  // Top-level windows of the program with this class, visible ones only.
  std::vector<HWND> TopWindows(const wchar_t* cls) const;

  void Screenshot(const std::wstring& name, HWND window = nullptr) const;
  bool Alive() const;

 private:
  PROCESS_INFORMATION pi_{};
  HANDLE job_ = nullptr;
  HWND main_ = nullptr;
};

// Polls `pred` every 10 ms for up to `ms`.
template <typename Pred>
bool WaitFor(Pred pred, int ms = 5000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < static_cast<DWORD>(ms); Sleep(10))
    if (pred()) return true;
  return pred();
}

std::string WindowText(HWND h);

}  // namespace gui
