#include "tests/gui/win32/driver.h"

#include <cstdio>

#include "client/window/win32/ids.h"
#include "common/win32/widen.h"
#include "tests/gui/win32/harness.h"
#include "tests/gui/win32/png.h"

namespace gui {
namespace {

DriverPaths g_paths;

constexpr UINT kTimeout = 2000;

LRESULT Send(HWND h, UINT msg, WPARAM w, LPARAM l) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, kTimeout, &result)) return -1;
  return static_cast<LRESULT>(result);
}

void DeleteTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring full = dir + L"\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteTree(full);
      RemoveDirectoryW(full.c_str());
    } else {
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(full.c_str());
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

struct FindCtx {
  int id;
  HWND found;
};

BOOL CALLBACK FindChild(HWND h, LPARAM p) {
  auto* ctx = reinterpret_cast<FindCtx*>(p);
  if (GetDlgCtrlID(h) == ctx->id) {
    ctx->found = h;
    return FALSE;
  }
  return TRUE;
}

struct TopCtx {
  DWORD pid;
  const wchar_t* cls;
  std::vector<HWND> found;
};

BOOL CALLBACK FindTop(HWND h, LPARAM p) {
  auto* ctx = reinterpret_cast<TopCtx*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  wchar_t cls[64];
  if (pid == ctx->pid && IsWindowVisible(h) && GetClassNameW(h, cls, 64) && lstrcmpW(cls, ctx->cls) == 0)
    ctx->found.push_back(h);
  return TRUE;
}

void Keys(std::vector<INPUT> in) { SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)); }

INPUT Key(WORD vk, bool up) {
  INPUT i{};
  i.type = INPUT_KEYBOARD;
  i.ki.wVk = vk;
  i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return i;
}

// The expected menu layout, written from the design, so a pick by caption
// checks the window's real menus: a wrong order or a lost separator lands on
// another operation.
struct MenuLayout {
  const wchar_t* caption;
  std::vector<const wchar_t*> items;
};
const std::vector<MenuLayout>& Layout() {
  static const std::vector<MenuLayout> layout = {
      {L"ダウンロード(&D)",
       {L"ソース", L"-", L"データ", L"バイナリー", L"CSV", L"-", L"ライブラリー", L"オブジェクト", L"-", L"スプール",
        L"スプール・テキスト"}},
      {L"アップロード(&U)",
       {L"ソース", L"-", L"データ", L"バイナリー", L"CSV", L"-", L"ライブラリー", L"オブジェクト", L"-", L"スプール"}},
      {L"ヘルプ(&H)", {L"ヘルプ(目次)", L"-", L"終了(&E)", L"-", L"KV-TRANSITについて", L"ホーム"}},
  };
  return layout;
}

}  // namespace

const DriverPaths& Paths() { return g_paths; }
std::wstring W(const std::string& utf8) { return kv::win32::Widen(utf8); }
std::string U(const std::wstring& utf16) { return kv::win32::Narrow(utf16); }

std::string WindowText(HWND h) {
  LRESULT n = Send(h, WM_GETTEXTLENGTH, 0, 0);
  if (n < 0) return "<no answer>";
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  LRESULT got = Send(h, WM_GETTEXT, static_cast<WPARAM>(n + 1), reinterpret_cast<LPARAM>(w.data()));
  w.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return U(w);
}

void ResetInstallDir() {
  DeleteTree(L"C:\\KV-TRANSIT");
  DeleteTree(L"C:\\kvgui");
  CreateDirectoryW(L"C:\\KV-TRANSIT", nullptr);
  CreateDirectoryW(L"C:\\kvgui", nullptr);
  CreateDirectoryW(L"C:\\kvgui\\stub", nullptr);
  CopyFileW(g_paths.stubFtp.c_str(), L"C:\\KV-TRANSIT\\FTP.EXE", FALSE);
}

void WriteCp932Lines(const std::wstring& path, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const auto& l : lines) {
    std::wstring w = W(l);
    int n = WideCharToMultiByte(932, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string b(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(932, 0, w.c_str(), static_cast<int>(w.size()), b.data(), n, nullptr, nullptr);
    bytes += b + "\r\n";
  }
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return bytes;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  std::fclose(f);
  return bytes;
}

std::string Cp932ToUtf8(const std::string& bytes) {
  int n = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
  return U(w);
}

App::App() : App(g_paths.program, kv::win32::kMainClass, L"C:\\kvgui") {}

App::App(const std::wstring& program, const wchar_t* mainClass, const wchar_t* workDir, const std::wstring& args) {
  job_ = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  std::wstring cmd = L"\"" + program + L"\"" + (args.empty() ? L"" : L" " + args);
  if (!CreateProcessW(program.c_str(), cmd.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, workDir, &si,
                      &pi_)) {
    std::printf("cannot start %s in %s: error %lu\n", U(program).c_str(), U(workDir).c_str(), GetLastError());
    REQUIRE(!"the program starts");
  }
  AssignProcessToJobObject(job_, pi_.hProcess);
  ResumeThread(pi_.hThread);
  bool up = WaitFor(
      [&] {
        auto tops = TopWindows(mainClass);
        if (!tops.empty()) main_ = tops.front();
        return main_ != nullptr;
      },
      15000);
  REQUIRE(up);
  // Start-up is over once the window answers messages.
  WaitFor([&] { return Send(main_, WM_NULL, 0, 0) == 0; });
}

App::~App() {
  if (pi_.hProcess) {
    TerminateProcess(pi_.hProcess, 0);
    WaitForSingleObject(pi_.hProcess, 5000);
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
  if (job_) CloseHandle(job_);
}

bool App::Alive() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

HWND App::Control(kv::Ctl c) const { return ControlById(kv::win32::ControlId(c)); }

HWND App::ControlById(int id) const {
  FindCtx ctx{id, nullptr};
  EnumChildWindows(main_, FindChild, reinterpret_cast<LPARAM>(&ctx));
  REQUIRE(ctx.found != nullptr);
  return ctx.found;
}

std::string App::Text(HWND h) const { return WindowText(h); }

void App::SetText(kv::Ctl c, const std::string& text) const {
  std::wstring w = W(text);
  Send(Control(c), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()));
}

bool App::Visible(kv::Ctl c) const { return (GetWindowLongW(Control(c), GWL_STYLE) & WS_VISIBLE) != 0; }

POINT App::PositionTwips(kv::Ctl c) const {
  HWND h = Control(c);
  RECT r;
  GetWindowRect(h, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  return {MulDiv(r.left, 1440, dpi), MulDiv(r.top, 1440, dpi)};
}

SIZE App::SizePixels(kv::Ctl c) const {
  RECT r;
  GetWindowRect(Control(c), &r);
  return {r.right - r.left, r.bottom - r.top};
}

int App::Check(kv::Ctl c) const { return Send(Control(c), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0; }

std::vector<std::string> App::ListItems(kv::Ctl c) const {
  HWND h = Control(c);
  std::vector<std::string> items;
  LRESULT n = Send(h, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    LRESULT len = Send(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring w(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
    Send(h, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(w.data()));
    w.resize(static_cast<size_t>(len > 0 ? len : 0));
    items.push_back(U(w));
  }
  return items;
}

std::pair<int, int> App::Selection(kv::Ctl c) const {
  LRESULT r = Send(Control(c), EM_GETSEL, 0, 0);
  return {LOWORD(r), HIWORD(r)};
}

void App::ClickHwnd(HWND h) const {
  // A user cannot press a control of a window that a modal box has disabled.
  REQUIRE(IsWindowEnabled(h) && IsWindowEnabled(GetAncestor(h, GA_ROOT)));
  REQUIRE(IsWindowVisible(h));
  PostMessageW(h, BM_CLICK, 0, 0);
}

void App::Click(kv::Ctl c) const { ClickHwnd(Control(c)); }

void App::PressKey(WORD vk, bool withAlt) const {
  if (withAlt) Keys({Key(VK_MENU, false), Key(vk, false), Key(vk, true), Key(VK_MENU, true)});
  else Keys({Key(vk, false), Key(vk, true)});
}

void App::PickMenu(const std::wstring& menu, const std::wstring& item) const {
  const MenuLayout* m = nullptr;
  for (const auto& l : Layout())
    if (menu == l.caption) m = &l;
  REQUIRE(m != nullptr);
  int index = -1, selectable = 0;
  for (const wchar_t* i : m->items) {
    if (item == i) {
      index = selectable;
      break;
    }
    if (std::wstring(i) != L"-") ++selectable;
  }
  REQUIRE(index >= 0);
  wchar_t access = towupper(menu[menu.find(L'&') + 1]);

  REQUIRE(IsWindowEnabled(main_));
  // The keys go to the active window: make it the program's main window, and
  // try again if a key arrived while the activation was still under way.
  bool open = false;
  for (int attempt = 0; attempt < 4 && !open; ++attempt) {
    SetForegroundWindow(main_);
    REQUIRE(WaitFor([&] {
      GUITHREADINFO info{};
      info.cbSize = sizeof info;
      return GetForegroundWindow() == main_ && GetGUIThreadInfo(pi_.dwThreadId, &info) && info.hwndActive == main_;
    }));
    PressKey(static_cast<WORD>(access), true);
    open = WaitFor([&] { return !TopWindows(L"#32768").empty(); }, 1500);
    if (!open) {
      PressKey(VK_ESCAPE);
      PressKey(VK_ESCAPE);
      Sleep(100);
    }
  }
  REQUIRE(open);
  for (int i = 0; i < index; ++i) PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  REQUIRE(WaitFor([&] { return TopWindows(L"#32768").empty(); }));
  // The item's command is posted when the menu closes; wait until the program
  // has handled it and is idle again.
  Sleep(20);
  WaitForInputIdle(pi_.hProcess, 3000);
}

std::vector<HWND> App::TopWindows(const wchar_t* cls) const {
  TopCtx ctx{pi_.dwProcessId, cls, {}};
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

std::optional<MessageBoxSeen> App::WaitMessageBox(int ms) const {
  HWND box = nullptr;
  WaitFor(
      [&] {
        for (HWND h : TopWindows(L"#32770"))
          if (GetDlgItem(h, 0xFFFF) && IsWindowEnabled(h) && !GetDlgItem(h, 1148)) box = h;
        return box != nullptr;
      },
      ms);
  if (!box) return std::nullopt;
  MessageBoxSeen seen;
  seen.box = box;
  seen.title = WindowText(box);
  seen.text = WindowText(GetDlgItem(box, 0xFFFF));
  // The icon static: an SS_ICON control holding an icon.
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    if (!Send(c, STM_GETICON, 0, 0)) continue;
    seen.hasIcon = true;
    RECT r;
    GetWindowRect(c, &r);
    HDC dc = GetDC(nullptr);
    int yellow = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        COLORREF p = GetPixel(dc, x, y);
        if (GetRValue(p) > 200 && GetGValue(p) > 160 && GetBValue(p) < 100) ++yellow;
      }
    ReleaseDC(nullptr, dc);
    seen.exclamation = yellow > 40;
  }
  return seen;
}

MessageBoxSeen App::TakeMessageBox(int ms) const {
  auto seen = WaitMessageBox(ms);
  REQUIRE(seen.has_value());
  HWND ok = GetDlgItem(seen->box, IDOK);
  if (!ok) ok = GetDlgItem(seen->box, IDCANCEL);
  REQUIRE(ok != nullptr);
  PostMessageW(ok, BM_CLICK, 0, 0);
  HWND box = seen->box;
  REQUIRE(WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }));
  return *seen;
}

std::optional<kv::Ctl> App::Focused() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(pi_.dwThreadId, &info) || !info.hwndFocus) return std::nullopt;
  HWND h = info.hwndFocus;
  // The edit inside a combo box reports the combo box.
  wchar_t cls[32];
  GetClassNameW(GetParent(h), cls, 32);
  if (lstrcmpiW(cls, L"ComboBox") == 0) h = GetParent(h);
  int index = GetDlgCtrlID(h) - kv::win32::kFirstControlId;
  if (index < 0 || index >= kv::kControlCount) return std::nullopt;
  return static_cast<kv::Ctl>(index);
}

HWND App::WaitFileDialog(int ms) const {
  HWND dlg = nullptr;
  WaitFor(
      [&] {
        for (HWND h : TopWindows(L"#32770"))
          if (GetDlgItem(h, 1148) && IsWindowEnabled(h)) dlg = h;
        return dlg != nullptr;
      },
      ms);
  return dlg;
}

void App::Screenshot(const std::wstring& name, HWND window) const {
  if (!window) window = main_;
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  Sleep(300);
  RECT r;
  GetWindowRect(window, &r);
  CreateDirectoryW(g_paths.shots.c_str(), nullptr);
  CHECK(SaveScreenPng(r, g_paths.shots + L"\\" + name + L".png"));
}

}  // namespace gui

void SetDriverArguments(int argc, wchar_t** argv) {
  if (argc > 2) gui::g_paths.program = argv[2];
  if (argc > 3) gui::g_paths.stubFtp = argv[3];
  if (argc > 4) gui::g_paths.shots = argv[4];
  if (argc > 5) gui::g_paths.realFtp = argv[5];
}
