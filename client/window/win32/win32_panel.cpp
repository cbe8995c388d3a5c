#include "client/window/win32/win32_panel.h"

#include <algorithm>

#include "client/window/win32/ids.h"
#include "common/win32/widen.h"

namespace kv::win32 {
namespace {

constexpr wchar_t kFontFace[] = L"ＭＳ Ｐゴシック";

// Fonts of the window: index into Win32Panel::fonts_.
enum FontIndex { kWindowFont, kTitleFont, kFrame2Font, kSmallFont, kLabel8Font, kCount };

struct FontDef {
  int centiPoints;
  bool bold;
};
constexpr FontDef kFontDefs[kCount] = {{975, false}, {1200, true}, {1125, true}, {900, false}, {825, false}};

std::wstring WindowText(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(h, w.data(), n + 1);
  w.resize(static_cast<size_t>(std::max(n, 0)));
  return w;
}

bool IsAutoSized(Ctl c) { return c == Ctl::処理 || c == Ctl::LABEL99; }

}  // namespace

COLORREF ResolveColour(std::uint32_t colour) {
  if (colour & 0x80000000u) return GetSysColor(static_cast<int>(colour & 0xFFu));
  return static_cast<COLORREF>(colour);
}

Win32Panel::~Win32Panel() {
  for (HFONT f : fonts_)
    if (f) DeleteObject(f);
  if (titleBrush_) DeleteObject(titleBrush_);
}

HFONT Win32Panel::FontFor(Ctl c) {
  int index = kWindowFont;
  switch (c) {
    case Ctl::処理:
    case Ctl::X:
      index = kTitleFont;
      break;
    case Ctl::Frame2:
      index = kFrame2Font;
      break;
    case Ctl::L1: case Ctl::L2: case Ctl::L3:
    case Ctl::IPアドレス: case Ctl::ユーザー: case Ctl::パスワード:
    case Ctl::pcファイル名: case Ctl::保存先:
      index = kSmallFont;
      break;
    case Ctl::LABEL8:
      index = kLabel8Font;
      break;
    default:
      // Every other control takes the font of its container.
      if (ControlInfo(c).in == Container::X) index = kTitleFont;
      else if (ControlInfo(c).in == Container::Frame2) index = kFrame2Font;
      break;
  }
  if (!fonts_[index]) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(kFontDefs[index].centiPoints, dpi_, 7200);
    lf.lfWeight = kFontDefs[index].bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, kFontFace, LF_FACESIZE);
    fonts_[index] = CreateFontIndirectW(&lf);
  }
  return fonts_[index];
}

void Win32Panel::Create(HWND main, HINSTANCE instance) {
  main_ = main;
  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  FontFor(Ctl::LABEL1);  // the window's own font comes first

  std::vector<const ControlSpec*> order;
  for (const auto& s : AllControls()) order.push_back(&s);
  // Tab order follows creation order within each container; labels and the
  // image take no focus, so their place does not matter.
  std::stable_sort(order.begin(), order.end(),
                   [](const ControlSpec* a, const ControlSpec* b) { return a->tab < b->tab; });

  for (int pass = 0; pass < 2; ++pass) {
    for (const ControlSpec* s : order) {
      bool inWindow = s->in == Container::Window;
      if ((pass == 0) != inWindow) continue;
      HWND parent = inWindow ? main : Handle(s->in == Container::X ? Ctl::X : Ctl::Frame2);
      const wchar_t* cls = L"STATIC";
      DWORD style = WS_CHILD | (s->designVisible ? WS_VISIBLE : 0);
      DWORD exStyle = 0;
      int height = Pixels(s->height);
      switch (s->kind) {
        case CtlKind::Label:
          style |= SS_LEFT | SS_NOPREFIX;
          break;
        case CtlKind::Image:
          style |= SS_BITMAP;
          break;
        case CtlKind::Frame:
          cls = kFrameClass;
          exStyle = WS_EX_CONTROLPARENT;
          break;
        case CtlKind::TextBox:
        case CtlKind::HiddenTextBox:
          cls = L"EDIT";
          style |= WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT;
          if (s->ctl == Ctl::パスワード) style |= ES_PASSWORD;
          exStyle = WS_EX_CLIENTEDGE;
          break;
        case CtlKind::Button:
          cls = L"BUTTON";
          style |= WS_TABSTOP | BS_PUSHBUTTON;
          break;
        case CtlKind::ComboBox:
          cls = L"COMBOBOX";
          style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
          height = Pixels(s->height) + Pixels(1800);  // room for the drop-down list
          break;
        case CtlKind::CheckBox:
          cls = L"BUTTON";
          style |= WS_TABSTOP | BS_AUTOCHECKBOX;
          break;
      }
      HWND h = CreateWindowExW(exStyle, cls, Widen(std::string(s->designText)).c_str(), style, Pixels(s->left),
                               Pixels(s->top), Pixels(s->width), height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(s->ctl))), instance, nullptr);
      hwnd_[Index(s->ctl)] = h;
      pos_[Index(s->ctl)] = {s->left, s->top};
      SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(s->ctl)), FALSE);
      if (s->maxLength > 0) SendMessageW(h, EM_LIMITTEXT, static_cast<WPARAM>(s->maxLength), 0);
      if (s->ctl == Ctl::パスワード) SendMessageW(h, EM_SETPASSWORDCHAR, L'*', 0);
    }
  }
  SetBackColor(Ctl::処理, kTitleColourDownload);
}

std::optional<Ctl> Win32Panel::ControlOf(int id) const {
  int index = id - kFirstControlId;
  if (index < 0 || index >= kControlCount) return std::nullopt;
  return static_cast<Ctl>(index);
}

std::string Win32Panel::Text(Ctl c) const { return Narrow(WindowText(Handle(c))); }

void Win32Panel::SetText(Ctl c, const std::string& text) {
  SetWindowTextW(Handle(c), Widen(text).c_str());
  if (IsAutoSized(c)) AutoSize(c);
  if (ControlInfo(c).kind == CtlKind::Frame) InvalidateRect(Handle(c), nullptr, TRUE);
}

// A label that sizes itself to its caption; with no caption it keeps its design size.
void Win32Panel::AutoSize(Ctl c) {
  HWND h = Handle(c);
  std::wstring w = WindowText(h);
  int width = Pixels(ControlInfo(c).width), height = Pixels(ControlInfo(c).height);
  if (!w.empty()) {
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    width = size.cx;
    height = size.cy;
  }
  SetWindowPos(h, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(h, nullptr, TRUE);
}

int Win32Panel::Value(Ctl c) const {
  return SendMessageW(Handle(c), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32Panel::SetValue(Ctl c, int value) {
  SendMessageW(Handle(c), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32Panel::Visible(Ctl c) const { return (GetWindowLongW(Handle(c), GWL_STYLE) & WS_VISIBLE) != 0; }

void Win32Panel::SetVisible(Ctl c, bool visible) { ShowWindow(Handle(c), visible ? SW_SHOWNA : SW_HIDE); }

Twips Win32Panel::Position(Ctl c) const { return pos_[Index(c)]; }

void Win32Panel::Move(Ctl c, Twips at) {
  pos_[Index(c)] = at;
  SetWindowPos(Handle(c), nullptr, Pixels(at.left), Pixels(at.top), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::uint32_t Win32Panel::BackColor(Ctl c) const { return back_[Index(c)]; }

void Win32Panel::SetBackColor(Ctl c, std::uint32_t colour) {
  back_[Index(c)] = colour;
  if (c == Ctl::処理) {
    if (titleBrush_) DeleteObject(titleBrush_);
    titleBrush_ = CreateSolidBrush(ResolveColour(colour));
  }
  InvalidateRect(Handle(c), nullptr, TRUE);
}

COLORREF Win32Panel::TitleColour() const { return ResolveColour(back_[Index(Ctl::処理)]); }

std::vector<std::string> Win32Panel::ListItems(Ctl c) const {
  std::vector<std::string> items;
  HWND h = Handle(c);
  LRESULT n = SendMessageW(h, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    LRESULT len = SendMessageW(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (len < 0) continue;
    std::wstring w(static_cast<size_t>(len) + 1, L'\0');
    SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(w.data()));
    w.resize(static_cast<size_t>(len));
    items.push_back(Narrow(w));
  }
  return items;
}

void Win32Panel::ClearList(Ctl c) { SendMessageW(Handle(c), CB_RESETCONTENT, 0, 0); }

void Win32Panel::AddItem(Ctl c, const std::string& item) {
  SendMessageW(Handle(c), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
}

void Win32Panel::SetFocus(Ctl c) { ::SetFocus(Handle(c)); }

void Win32Panel::ShowMessage(const std::string& text, const std::string& title, MsgIcon icon) {
  UINT type = MB_OK | (icon == MsgIcon::Exclamation ? MB_ICONEXCLAMATION : 0);
  MessageBoxW(main_, Widen(text).c_str(), Widen(title).c_str(), type);
}

void Win32Panel::ProcessEvents() {
  if (pump) pump();
}

}  // namespace kv::win32
