// The main window's controls behind the Panel interface: real Win32 controls,
// placed from the control table with twips converted at the screen's DPI.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <optional>

#include "client/panel/panel.h"

namespace kv::win32 {

class Win32Panel : public Panel {
 public:
  ~Win32Panel() override;

  // Creates every control of the table inside `main` (frames first, then their
  // contents), each container's controls in tab order.
  void Create(HWND main, HINSTANCE instance);

  std::string Text(Ctl c) const override;
  void SetText(Ctl c, const std::string& text) override;
  int Value(Ctl c) const override;
  void SetValue(Ctl c, int value) override;
  bool Visible(Ctl c) const override;
  void SetVisible(Ctl c, bool visible) override;
  Twips Position(Ctl c) const override;
  void Move(Ctl c, Twips at) override;
  std::uint32_t BackColor(Ctl c) const override;
  void SetBackColor(Ctl c, std::uint32_t colour) override;
  std::vector<std::string> ListItems(Ctl c) const override;
  void ClearList(Ctl c) override;
  void AddItem(Ctl c, const std::string& item) override;
  void SetFocus(Ctl c) override;
  void ShowMessage(const std::string& text, const std::string& title, MsgIcon icon) override;
  void ProcessEvents() override;

  HWND Handle(Ctl c) const { return hwnd_[Index(c)]; }
  std::optional<Ctl> ControlOf(int id) const;
  // The window's own handling of pending messages, used while a transfer runs.
  std::function<void()> pump;

  // Colours for WM_CTLCOLORSTATIC: the title label paints white on its colour.
  bool PaintsOwnColours(HWND control) const { return control == Handle(Ctl::処理); }
  HBRUSH TitleBrush() const { return titleBrush_; }
  COLORREF TitleColour() const;

  int Pixels(int twips) const { return MulDiv(twips, dpi_, 1440); }
  HFONT WindowFont() const { return fonts_[0]; }

 private:
  static int Index(Ctl c) { return static_cast<int>(c); }
  HFONT FontFor(Ctl c);
  void AutoSize(Ctl c);

  HWND main_ = nullptr;
  int dpi_ = 96;
  std::array<HWND, kControlCount> hwnd_{};
  std::array<Twips, kControlCount> pos_{};
  std::array<std::uint32_t, kControlCount> back_{};
  std::array<HFONT, 6> fonts_{};
  HBRUSH titleBrush_ = nullptr;
};

// Converts a colour as the window toolkit stores it (&H800000nn: system colour nn).
COLORREF ResolveColour(std::uint32_t colour);

}  // namespace kv::win32
