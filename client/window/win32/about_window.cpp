#include "client/window/win32/about_window.h"

#include <winver.h>

#include <vector>

#include "client/window/win32/ids.h"
#include "common/win32/widen.h"

namespace kv::win32 {
namespace {

HWND g_about = nullptr;
HFONT g_font = nullptr;
HFONT g_titleFont = nullptr;

std::string QueryString(const std::vector<BYTE>& block, const wchar_t* name) {
  struct Translation {
    WORD language, codePage;
  };
  Translation* tr = nullptr;
  UINT len = 0;
  std::vector<std::wstring> tables;
  if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &len)) {
    for (UINT i = 0; i < len / sizeof(Translation); ++i) {
      wchar_t table[16];
      wsprintfW(table, L"%04x%04x", tr[i].language, tr[i].codePage);
      tables.push_back(table);
    }
  }
  tables.push_back(L"041104b0");
  for (const auto& table : tables) {
    std::wstring path = L"\\StringFileInfo\\" + table + L"\\" + name;
    wchar_t* value = nullptr;
    if (VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &len) && value)
      return Narrow(value);
  }
  return {};
}

class Win32SysInfoHost : public SysInfoHost {
 public:
  explicit Win32SysInfoHost(HWND owner) : owner_(owner) {}
  bool FileExists(const std::string& path) override {
    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileW(Widen(path).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return found.cFileName[0] != L'\0';
  }
  bool GetKeyValue(const std::string& key, const std::string& valueName, std::string& value) override {
    return win32::GetKeyValue(HKEY_LOCAL_MACHINE, key, valueName, value);
  }
  bool Start(const std::string& path) override {
    std::wstring app = Widen(path);
    std::wstring cmd = L"\"" + app + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(app.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
  }
  void ShowMessage(const std::string& text) override {
    MessageBoxW(owner_, Widen(text).c_str(), Widen(ReadVersionInfo().title).c_str(), MB_OK);
  }

 private:
  HWND owner_;
};

HWND AddControl(HWND parent, const wchar_t* cls, const std::string& text, DWORD style, int id, int x, int y, int w,
                int h, HFONT font) {
  HWND c = CreateWindowExW(0, cls, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

HFONT MakeFont(int centiPoints, bool bold) {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(centiPoints, dpi, 7200);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lstrcpynW(lf.lfFaceName, L"ＭＳ Ｐゴシック", LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}

void Load(HWND hwnd) {
  if (!g_font) g_font = MakeFont(900, false);
  if (!g_titleFont) g_titleFont = MakeFont(1200, true);
  AboutTexts t = BuildAboutTexts(ReadVersionInfo());
  SetWindowTextW(hwnd, Widen(t.caption).c_str());
  HWND icon = AddControl(hwnd, L"STATIC", "", SS_ICON, kAboutIcon, 16, 16, 32, 32, g_font);
  SendMessageW(icon, STM_SETICON,
               reinterpret_cast<WPARAM>(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIconId))), 0);
  AddControl(hwnd, L"STATIC", t.title, SS_LEFT | SS_NOPREFIX, kAboutTitle, 64, 16, 300, 24, g_titleFont);
  AddControl(hwnd, L"STATIC", t.version, SS_LEFT | SS_NOPREFIX, kAboutVersion, 64, 46, 300, 18, g_font);
  AddControl(hwnd, L"STATIC", t.company, SS_LEFT | SS_NOPREFIX, kAboutCompany, 64, 70, 300, 18, g_font);
  AddControl(hwnd, L"STATIC", t.copyright, SS_LEFT | SS_NOPREFIX, kAboutCopyright, 64, 94, 300, 18, g_font);
  AddControl(hwnd, L"STATIC", "", SS_ETCHEDHORZ, -1, 12, 124, 356, 2, g_font);
  AddControl(hwnd, L"BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 248, 136, 120, 28, g_font);
  AddControl(hwnd, L"BUTTON", "ｼｽﾃﾑ情報(&S)...", WS_TABSTOP | BS_PUSHBUTTON, kAboutSysInfo, 248, 170, 120, 28,
             g_font);
  SetFocus(GetDlgItem(hwnd, IDOK));
}

LRESULT CALLBACK AboutProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      Load(hwnd);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        DestroyWindow(hwnd);
      } else if (LOWORD(wParam) == kAboutSysInfo && HIWORD(wParam) == BN_CLICKED) {
        Win32SysInfoHost host(hwnd);
        StartSysInfo(host);
      }
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      if (g_about == hwnd) g_about = nullptr;
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

VersionInfo ReadVersionInfo() {
  VersionInfo info;
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return info;
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return info;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path, 0, size, block.data())) return info;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len) && fixed) {
    info.major = HIWORD(fixed->dwFileVersionMS);
    info.minor = LOWORD(fixed->dwFileVersionMS);
    info.revision = LOWORD(fixed->dwFileVersionLS);
  }
  info.productName = QueryString(block, L"ProductName");
  info.title = QueryString(block, L"FileDescription");
  info.company = QueryString(block, L"CompanyName");
  info.copyright = QueryString(block, L"LegalCopyright");
  return info;
}

bool GetKeyValue(HKEY root, const std::string& keyName, const std::string& valueName, std::string& value) {
  value.clear();
  HKEY key = nullptr;
  // Read access is all this needs; asking for more fails for users without
  // administrator rights on HKEY_LOCAL_MACHINE.
  if (RegOpenKeyExA(root, keyName.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  char buffer[1024] = {};
  DWORD size = sizeof buffer;
  DWORD type = 0;
  LONG rc = RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  if (rc != ERROR_SUCCESS) {
    RegCloseKey(key);
    return false;
  }
  std::optional<std::string> text = RegistryValueText(type, std::string_view(buffer, size));
  if (text) {
    if (type == kRegSz) {
      // The A call returns the text in the ANSI code page.
      int wlen = MultiByteToWideChar(CP_ACP, 0, text->data(), static_cast<int>(text->size()), nullptr, 0);
      std::wstring w(static_cast<size_t>(wlen), L'\0');
      MultiByteToWideChar(CP_ACP, 0, text->data(), static_cast<int>(text->size()), w.data(), wlen);
      value = Narrow(w);
    } else {
      value = *text;
    }
  }
  RegCloseKey(key);
  return true;
}

HWND AboutWindow() { return g_about; }

void ShowAbout(HINSTANCE instance) {
  if (g_about) {
    ShowWindow(g_about, SW_RESTORE);
    SetForegroundWindow(g_about);
    return;
  }
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = AboutProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kAppIconId));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kAboutClass;
    registered = RegisterClassExW(&wc) != 0;
  }
  RECT r{0, 0, 380, 210};
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
  g_about = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kAboutClass, L"ﾊﾞｰｼﾞｮﾝ情報", style,
                            CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                            instance, nullptr);
  if (!g_about) return;
  ShowWindow(g_about, SW_SHOWNORMAL);
  UpdateWindow(g_about);
}

}  // namespace kv::win32
