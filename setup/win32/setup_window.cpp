// setup.exe: the window Form1. Its controls hold the choices; the start button
// hands them to the installation sequence, which shows its progress, boxes and
// end through the SetupView this file implements.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/win32/widen.h"
#include "setup/install.h"
#include "setup/win32/folder_list.h"
#include "setup/win32/ids.h"

namespace kv::setupwin {
namespace {

constexpr wchar_t kHomePage[] = L"https://kv-transit.example.com/";
constexpr wchar_t kInstallGuidePage[] = L"https://kv-transit.example.com/install/";
// The address box starts with an example of a private-network address.
constexpr wchar_t kExampleAddress[] = L"192.168.1.10";
constexpr wchar_t kFontFace[] = L"ＭＳ Ｐゴシック";

constexpr int kClientWidth = 472;
constexpr int kClientHeight = 380;

struct ControlDef {
  int id;
  int parent;  // 0: the window; else the frame that holds it
  const wchar_t* cls;
  const wchar_t* text;
  DWORD style;
  int x, y, w, h;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
// In creation order, which is also the tab order.
constexpr ControlDef kControls[] = {
    {kAS400, 0, L"BUTTON", L"iSeries(AS/400),PCセットアップ", kChild | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 16, 10, 300, 22},
    {kPC, 0, L"BUTTON", L"PCのみセットアップ", kChild | BS_AUTORADIOBUTTON, 16, 34, 300, 22},
    {kFrame1, 0, L"BUTTON", L"iSeries(AS/400)", kChild | WS_GROUP | BS_GROUPBOX, 16, 62, 440, 116},
    {kLabel4, kFrame1, L"STATIC", L"AS400 IPアドレス", kChild, 14, 26, 120, 20},
    {kIPアドレス, kFrame1, L"EDIT", kExampleAddress, kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 140, 24, 180, 22},
    {kLabel1, kFrame1, L"STATIC", L"ユーザー", kChild, 14, 56, 120, 20},
    {kユーザー, kFrame1, L"EDIT", L"QSECOFR", kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 140, 54, 180, 22},
    {kLabel3, kFrame1, L"STATIC", L"パスワード", kChild, 14, 86, 120, 20},
    {kパスワード, kFrame1, L"EDIT", L"", kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_PASSWORD, 140, 84, 180, 22},
    {kFrame2, 0, L"BUTTON", L"PCインストール先", kChild | WS_GROUP | BS_GROUPBOX, 16, 186, 440, 146},
    {kDrive1, kFrame2, L"COMBOBOX", L"", kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 14, 22, 200, 200},
    {kDir1, kFrame2, L"LISTBOX", L"", kChild | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 14, 52, 412, 84},
    {kセットアップ中, 0, L"STATIC", L"セットアップ中", kChild, 16, 348, 160, 20},
    {k開始, 0, L"BUTTON", L"インストール開始", kChild | WS_TABSTOP | BS_PUSHBUTTON, 196, 342, 130, 28},
    {k完了, 0, L"BUTTON", L"完了！", kChild | WS_TABSTOP | BS_PUSHBUTTON, 196, 342, 130, 28},
    {kキャンセル, 0, L"BUTTON", L"キャンセル", kChild | WS_TABSTOP | BS_PUSHBUTTON, 336, 342, 120, 28},
};

struct App {
  HINSTANCE instance = nullptr;
  HWND main = nullptr;
  HFONT font = nullptr;
  FolderList dir1;
};
App* g_app = nullptr;

HWND Ctl(int id) {
  HWND h = GetDlgItem(g_app->main, id);
  if (h) return h;
  for (int frame : {kFrame1, kFrame2})
    if ((h = GetDlgItem(GetDlgItem(g_app->main, frame), id))) return h;
  return nullptr;
}

std::string Text(int id) {
  HWND h = Ctl(id);
  int n = GetWindowTextLengthW(h);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(h, w.data(), n + 1);
  w.resize(static_cast<size_t>(n > 0 ? n : 0));
  return win32::Narrow(w);
}

void Show(int id, bool visible) { ShowWindow(Ctl(id), visible ? SW_SHOW : SW_HIDE); }

// The wait loop's turn: the disabled window still repaints and answers.
void PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) ExitProcess(static_cast<UINT>(msg.wParam));
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

class WindowView : public SetupView {
 public:
  void Warn(const SetupMessage& m) override {
    MessageBoxW(g_app->main, win32::Widen(m.text).c_str(), win32::Widen(m.title).c_str(), MB_OK | MB_ICONEXCLAMATION);
  }
  void Focus(SetupField field) override {
    int id = field == SetupField::IPアドレス ? kIPアドレス : field == SetupField::ユーザー ? kユーザー : kパスワード;
    SetFocus(Ctl(id));
  }
  void ShowInstalling() override {
    Show(kセットアップ中, true);
    UpdateWindow(g_app->main);
  }
  void EnableWindow(bool enabled) override { ::EnableWindow(g_app->main, enabled ? TRUE : FALSE); }
  void ProcessEvents() override { PumpPending(); }
  void ShowDone() override {
    Show(k開始, false);
    Show(kセットアップ中, false);
    Show(k完了, true);
    SetFocus(Ctl(k完了));
  }
};

// The folder of the running program; a drive root keeps its backslash ("D:\").
std::string ProgramFolder() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  folder.resize(folder.rfind(L'\\'));
  if (folder.size() == 2) folder += L'\\';
  return win32::Narrow(folder);
}

void Start() {
  // One installation per start of the program: a click that was queued while
  // the files were copied finds the button gone.
  if (!IsWindowVisible(Ctl(k開始))) return;
  SetupChoice choice;
  choice.host = SendMessageW(Ctl(kAS400), BM_GETCHECK, 0, 0) == BST_CHECKED;
  choice.logon = {Text(kIPアドレス), Text(kユーザー), Text(kパスワード)};
  choice.folder = win32::Narrow(g_app->dir1.Path());
  choice.mediaFolder = ProgramFolder();
  WindowView view;
  RunInstallation(choice, view);
}

void FillDrives() {
  HWND combo = Ctl(kDrive1);
  wchar_t drives[512];
  DWORD n = GetLogicalDriveStringsW(512, drives);
  if (n == 0 || n > 512) return;
  for (const wchar_t* d = drives; *d; d += lstrlenW(d) + 1) {
    std::wstring item{static_cast<wchar_t>(towlower(d[0])), L':'};
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
}

// Shows the drive of Dir1's path in Drive1.
void SelectDriveOfPath() {
  std::wstring item{static_cast<wchar_t>(towlower(g_app->dir1.Path()[0])), L':'};
  SendMessageW(Ctl(kDrive1), CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(item.c_str()));
}

void OnDriveChanged() {
  HWND combo = Ctl(kDrive1);
  LRESULT i = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (i < 0) return;
  wchar_t item[8] = {};
  if (SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) >= 8) return;
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
  // A drive that cannot be read (no disc in it) leaves the path where it was.
  if (!g_app->dir1.SetPath(DriveCurrentFolder(item))) {
    MessageBeep(MB_ICONEXCLAMATION);
    SelectDriveOfPath();
  }
}

void OnCommand(int id, int code) {
  switch (id) {
    case kAS400:
    case kPC:
      if (code == BN_CLICKED) Show(kFrame1, id == kAS400);
      break;
    case kIPアドレス:
    case kユーザー:
    case kパスワード:
      if (code == EN_SETFOCUS) SendMessageW(Ctl(id), EM_SETSEL, 0, -1);
      break;
    case kDrive1:
      if (code == CBN_SELCHANGE) OnDriveChanged();
      break;
    case kDir1:
      if (code == LBN_DBLCLK) g_app->dir1.Enter();
      break;
    case k開始:
      if (code == BN_CLICKED) Start();
      break;
    case kキャンセル:
    case k完了:
      if (code == BN_CLICKED) ExitProcess(0);
      break;
    case kInstallTrialP:
      ShellExecuteW(g_app->main, L"open", kInstallGuidePage, nullptr, nullptr, SW_SHOWNORMAL);
      break;
    case kKvs:
      ShellExecuteW(g_app->main, L"open", kHomePage, nullptr, nullptr, SW_SHOWNORMAL);
      break;
  }
}

// The frames hold their controls: notifications and colour requests go on to the window.
WNDPROC g_buttonProc = nullptr;
LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      return SendMessageW(GetParent(hwnd), msg, wParam, lParam);
  }
  return CallWindowProcW(g_buttonProc, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CLOSE:
      ExitProcess(0);
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HMENU BuildMenu() {
  HMENU bar = CreateMenu();
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, kInstallTrialP, L"導入方法");
  AppendMenuW(menu, MF_STRING, kKvs, L"ホーム");
  AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu), L"メニュー(&M)");
  return bar;
}

void CreateControls() {
  for (const auto& c : kControls) {
    HWND parent = c.parent ? Ctl(c.parent) : g_app->main;
    DWORD exStyle = c.id == kFrame1 || c.id == kFrame2 ? WS_EX_CONTROLPARENT : 0;
    HWND h = CreateWindowExW(exStyle, c.cls, c.text, c.style, c.x, c.y, c.w, c.h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), g_app->instance, nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(g_app->font), FALSE);
    if (c.id == kFrame1 || c.id == kFrame2)
      g_buttonProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameProc)));
  }
  SendMessageW(Ctl(kパスワード), EM_SETPASSWORDCHAR, L'*', 0);
}

}  // namespace

int Run(HINSTANCE instance, int show) {
  App app;
  g_app = &app;
  app.instance = instance;

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainClass;
  if (!RegisterClassExW(&wc)) return 1;

  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT r{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&r, style, TRUE, WS_EX_CONTROLPARENT);
  app.main = CreateWindowExW(WS_EX_CONTROLPARENT, kMainClass, L"KV-TRANSIT セットアップ", style, CW_USEDEFAULT,
                             CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, BuildMenu(), instance, nullptr);
  if (!app.main) return 1;

  LOGFONTW lf{};
  HDC dc = GetDC(nullptr);
  lf.lfHeight = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(nullptr, dc);
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lstrcpynW(lf.lfFaceName, kFontFace, LF_FACESIZE);
  app.font = CreateFontIndirectW(&lf);
  CreateControls();
  app.dir1.Attach(Ctl(kDir1));
  FillDrives();

  // Start-up: ready state, AS400 selected, Frame1 shown, Dir1 at the current folder.
  Show(kセットアップ中, false);
  Show(k完了, false);
  SendMessageW(Ctl(kAS400), BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(Ctl(kPC), BM_SETCHECK, BST_UNCHECKED, 0);
  Show(kFrame1, true);
  wchar_t cwd[MAX_PATH];
  DWORD n = GetCurrentDirectoryW(MAX_PATH, cwd);
  if (!(n > 0 && n < MAX_PATH && app.dir1.SetPath(cwd))) app.dir1.SetPath(L"C:\\");
  SelectDriveOfPath();

  ShowWindow(app.main, show);
  UpdateWindow(app.main);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(app.main, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace kv::setupwin

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) { return kv::setupwin::Run(instance, show); }
