// hostxfer.exe: the main window KV_TRANSIT, its menus and handlers, and the
// message loop. The panel logic and the Execute pipeline do the work; this file
// turns window messages into their calls.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "client/engine/listing_workbook.h"
#include "client/engine/pipeline.h"
#include "client/window/choosers.h"
#include "client/window/main_panel.h"
#include "client/window/menus.h"
#include "client/window/win32/about_window.h"
#include "client/window/win32/file_dialog.h"
#include "client/window/win32/ids.h"
#include "client/window/win32/listing_spreadsheet.h"
#include "client/window/win32/logo.h"
#include "client/window/win32/win32_panel.h"
#include "client/workfiles/paths.h"
#include "common/win32/widen.h"

namespace kv::win32 {
namespace {

// The product's support page, opened by the help menu's ホーム.
constexpr wchar_t kSupportPage[] = L"https://kv-transit.example.com/support/";

// Client area of the window in twips.
constexpr int kClientWidth = 9465;
constexpr int kClientHeight = 6390;

// Keeps the operation inputs as they are while a run is under way: the reply
// is interpreted against the same panel afterwards (the success line and the
// remembered inputs read it). Text boxes become read-only, check boxes stop
// ticking themselves, and the combo box gets no keys or clicks that would
// change it. Nothing is disabled, so the window looks and repaints as before.
class InputLock {
 public:
  void Engage(const Win32Panel& panel) {
    if (engaged_) return;
    engaged_ = true;
    for (const auto& s : AllControls()) {
      HWND h = panel.Handle(s.ctl);
      if (s.kind == CtlKind::TextBox && !(GetWindowLongW(h, GWL_STYLE) & ES_READONLY)) {
        SendMessageW(h, EM_SETREADONLY, TRUE, 0);
        readOnly_.push_back(h);
      } else if (s.kind == CtlKind::CheckBox) {
        LONG style = GetWindowLongW(h, GWL_STYLE);
        if ((style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
          SendMessageW(h, BM_SETSTYLE, static_cast<WPARAM>((style & ~BS_TYPEMASK) | BS_CHECKBOX), FALSE);
          checks_.push_back(h);
        }
      } else if (s.kind == CtlKind::ComboBox) {
        SendMessageW(h, CB_SHOWDROPDOWN, FALSE, 0);
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        combos_.push_back(h);
        if (GetComboBoxInfo(h, &info) && info.hwndList) combos_.push_back(info.hwndList);
      }
    }
  }

  void Release() {
    if (!engaged_) return;
    engaged_ = false;
    for (HWND h : readOnly_) SendMessageW(h, EM_SETREADONLY, FALSE, 0);
    for (HWND h : checks_) {
      LONG style = GetWindowLongW(h, GWL_STYLE);
      SendMessageW(h, BM_SETSTYLE, static_cast<WPARAM>((style & ~BS_TYPEMASK) | BS_AUTOCHECKBOX), FALSE);
    }
    readOnly_.clear();
    checks_.clear();
    combos_.clear();
  }

  // True for a key or click that would change a locked combo box (its edit
  // and its list included). Tab and F1 still pass, so the focus can move on
  // and help opens as usual.
  bool Swallows(const MSG& msg) const {
    if (!engaged_ || !msg.hwnd) return false;
    bool combo = false;
    for (HWND h : combos_)
      if (msg.hwnd == h || IsChild(h, msg.hwnd)) combo = true;
    if (!combo) return false;
    switch (msg.message) {
      case WM_KEYDOWN:
        return msg.wParam != VK_TAB && msg.wParam != VK_F1 && msg.wParam != VK_SHIFT;
      case WM_CHAR:
        return msg.wParam != L'\t';
      case WM_SYSKEYDOWN:  // Alt+Up and Alt+Down open the list
        return msg.wParam == VK_UP || msg.wParam == VK_DOWN;
      case WM_IME_CHAR:
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_LBUTTONDBLCLK:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_MBUTTONDOWN:
      case WM_MBUTTONUP:
      case WM_MOUSEWHEEL:
        return true;
    }
    return false;
  }

 private:
  bool engaged_ = false;
  std::vector<HWND> readOnly_, checks_, combos_;
};

struct App {
  HINSTANCE instance = nullptr;
  HWND main = nullptr;
  HACCEL keys = nullptr;
  std::wstring helpFile;
  Win32Panel panel;
  Pipeline pipeline;
  HBITMAP logo = nullptr;
  InputLock lock;
};
App* g_app = nullptr;

// Hands a message to the dialog keys (Tab, F1) of whichever window it is for.
bool PreTranslate(MSG& msg) {
  if (g_app->lock.Swallows(msg)) return true;
  if (g_app->keys && TranslateAcceleratorW(g_app->main, g_app->keys, &msg)) return true;
  HWND about = AboutWindow();
  if (about && IsDialogMessageW(about, &msg)) return true;
  return IsDialogMessageW(g_app->main, &msg) != FALSE;
}

// The wait loop's turn: everything pending is handled, so the window repaints
// and answers while the FTP client runs. Quitting during a run ends the program.
void PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) ExitProcess(static_cast<UINT>(msg.wParam));
    if (PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Windows since Vista ships no WinHelp viewer (only a stub that says so); Wine
// has one. Where it is missing, or the help file is, the same manual opens as
// the HTML page installed beside it.
bool CanShowWinHelp(const std::wstring& file) {
  if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll && GetProcAddress(ntdll, "wine_get_version")) return true;
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  BOOL known = GetVersionExW(&v);
#pragma GCC diagnostic pop
  return known && v.dwMajorVersion < 6;
}

void OpenHelp(HWND hwnd, const std::wstring& file) {
  if (CanShowWinHelp(file)) WinHelpW(hwnd, file.c_str(), HELP_FINDER, 0);
  else ShellExecuteW(hwnd, L"open", Widen(paths::kHelpHtml).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void OnMenu(HWND hwnd, int index) {
  auto entries = AllMenuEntries();
  if (index < 0 || index >= static_cast<int>(entries.size())) return;
  const MenuEntry& e = entries[static_cast<size_t>(index)];
  switch (e.action) {
    case MenuAction::Operation:
      // The inputs and MENUNO must stay as they are until a run has read its reply.
      if (!g_app->pipeline.Running()) SelectOperation(g_app->panel, OperationCodeOf(e));
      break;
    case MenuAction::HelpContents:
      // The contents item names the help file its own way; F1 uses the one set at start-up.
      OpenHelp(hwnd, Widen(paths::kHelpContents));
      break;
    case MenuAction::HomePage:
      ShellExecuteW(hwnd, L"open", kSupportPage, nullptr, nullptr, SW_SHOWNORMAL);
      break;
    case MenuAction::About:
      ShowAbout(g_app->instance);
      break;
    case MenuAction::Exit:
      ExitProcess(0);
    case MenuAction::None:
      break;
  }
}

void OnControl(Ctl c, int code) {
  Win32Panel& panel = g_app->panel;
  if (code == EN_SETFOCUS) {
    for (Ctl s : kInputBoxes) {
      if (s != c) continue;
      HWND h = panel.Handle(c);
      SendMessageW(h, EM_SETSEL, 0, GetWindowTextLengthW(h));
    }
    return;
  }
  if (code != BN_CLICKED) return;
  switch (c) {
    case Ctl::実行: {
      // A press during a run is the pipeline's to ignore; the lock belongs to the first press.
      bool first = !g_app->pipeline.Running();
      if (first) g_app->lock.Engage(panel);
      RunContext ctx{panel, ListingBuilder(WindowSpreadsheets(g_app->main))};
      g_app->pipeline.Execute(ctx);
      if (first) g_app->lock.Release();
      break;
    }
    case Ctl::終了:
      ExitProcess(0);
    case Ctl::参照:
    case Ctl::保存先: {
      if (g_app->pipeline.Running()) break;
      static Win32FileDialog* dialog = new Win32FileDialog(g_app->main);  // one dialog object for both buttons
      if (c == Ctl::参照) ChooseUploadFile(panel, *dialog);
      else ChooseDownloadTarget(panel, *dialog);
      break;
    }
    default:
      break;
  }
}

HMENU BuildMenus() {
  HMENU bar = CreateMenu();
  HMENU current = nullptr;
  auto entries = AllMenuEntries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const MenuEntry& e = entries[i];
    std::wstring caption = Widen(std::string(e.caption));
    switch (e.kind) {
      case MenuKind::Popup:
        current = CreatePopupMenu();
        AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(current), caption.c_str());
        break;
      case MenuKind::Item:
        AppendMenuW(current, MF_STRING, kFirstMenuId + i, caption.c_str());
        break;
      case MenuKind::Separator:
        AppendMenuW(current, MF_SEPARATOR, 0, nullptr);
        break;
    }
  }
  return bar;
}

// A frame: a container that draws an etched border with its caption in the
// system highlight colour, and passes its controls' notifications to the window.
LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETFONT:
      SetWindowLongPtrW(hwnd, 0, static_cast<LONG_PTR>(wParam));
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return GetWindowLongPtrW(hwnd, 0);
    case WM_SETTEXT: {
      LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(GetWindowLongPtrW(hwnd, 0)));
      int n = GetWindowTextLengthW(hwnd);
      std::wstring text(static_cast<size_t>(n) + 1, L'\0');
      GetWindowTextW(hwnd, text.data(), n + 1);
      text.resize(static_cast<size_t>(n));
      SIZE size{};
      GetTextExtentPoint32W(dc, L"A", 1, &size);
      RECT border = r;
      border.top = size.cy / 2;
      DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);
      if (!text.empty()) {
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetBkMode(dc, OPAQUE);
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        RECT caption{8, 0, r.right - 8, size.cy};
        DrawTextW(dc, text.c_str(), n, &caption, DT_SINGLELINE | DT_LEFT | DT_NOPREFIX | DT_CALCRECT);
        DrawTextW(dc, text.c_str(), n, &caption, DT_SINGLELINE | DT_LEFT | DT_NOPREFIX);
      }
      SelectObject(dc, old);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      return SendMessageW(GetParent(hwnd), msg, wParam, lParam);
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == kHelpKeyId) {
        OpenHelp(hwnd, g_app->helpFile);
      } else if (id >= kFirstMenuId && id < kFirstControlId && lParam == 0) {
        OnMenu(hwnd, id - kFirstMenuId);
      } else if (auto c = g_app->panel.ControlOf(id)) {
        OnControl(*c, HIWORD(wParam));
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lParam);
      if (g_app->panel.PaintsOwnColours(control)) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, g_app->panel.TitleColour());
        return reinterpret_cast<LRESULT>(g_app->panel.TitleBrush());
      }
      break;
    }
    case WM_CLOSE:
      ExitProcess(0);
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kAppIconId));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainClass;
  if (!RegisterClassExW(&wc)) return false;

  WNDCLASSEXW fc{};
  fc.cbSize = sizeof fc;
  fc.lpfnWndProc = FrameProc;
  fc.cbWndExtra = sizeof(LONG_PTR);
  fc.hInstance = instance;
  fc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  fc.lpszClassName = kFrameClass;
  return RegisterClassExW(&fc) != 0;
}

}  // namespace

int Run(HINSTANCE instance, int show) {
  App app;
  g_app = &app;
  app.instance = instance;
  if (!RegisterClasses(instance)) return 1;

  HMENU menu = BuildMenus();
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  // Size the frame so that the client area (below the menu bar) is the design's.
  HWND main = CreateWindowExW(WS_EX_CONTROLPARENT, kMainClass, L"KV-TRANSIT", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              640, 480, nullptr, menu, instance, nullptr);
  if (!main) return 1;
  app.main = main;
  app.panel.Create(main, instance);
  RECT client{0, 0, app.panel.Pixels(kClientWidth), app.panel.Pixels(kClientHeight)};
  AdjustWindowRectEx(&client, style, TRUE, WS_EX_CONTROLPARENT);
  SetWindowPos(main, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A menu bar that wraps takes more height; correct for what the window really got.
  RECT got;
  GetClientRect(main, &got);
  int missing = app.panel.Pixels(kClientHeight) - (got.bottom - got.top);
  if (missing > 0) {
    RECT w;
    GetWindowRect(main, &w);
    SetWindowPos(main, nullptr, 0, 0, w.right - w.left, w.bottom - w.top + missing,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  app.logo = CreateLogo();
  SendMessageW(app.panel.Handle(Ctl::Image1), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(app.logo));
  app.panel.pump = PumpPending;

  ACCEL f1{FVIRTKEY, VK_F1, kHelpKeyId};
  app.keys = CreateAcceleratorTableW(&f1, 1);

  // Start-up: the help file for F1, then the panel logic's steps.
  app.helpFile = Widen(paths::kHelpFile);
  StartUp(app.panel);

  ShowWindow(main, show);
  UpdateWindow(main);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace kv::win32

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) { return kv::win32::Run(instance, show); }
