// The one seam between the client's logic and a window: every control is read
// and written through this interface, by the name the main window gives it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "client/panel/controls.h"

namespace kv {

enum class MsgIcon { Exclamation, None };

struct Twips {
  int left = 0, top = 0;
  bool operator==(const Twips&) const = default;
};

class Panel {
 public:
  virtual ~Panel() = default;

  // Text of a text box or combo box; caption of a label, button or frame.
  virtual std::string Text(Ctl c) const = 0;
  virtual void SetText(Ctl c, const std::string& text) = 0;
  // Check-box value: 0 unticked, 1 ticked.
  virtual int Value(Ctl c) const = 0;
  virtual void SetValue(Ctl c, int value) = 0;
  virtual bool Visible(Ctl c) const = 0;
  virtual void SetVisible(Ctl c, bool visible) = 0;
  virtual Twips Position(Ctl c) const = 0;
  virtual void Move(Ctl c, Twips at) = 0;
  virtual std::uint32_t BackColor(Ctl c) const = 0;
  virtual void SetBackColor(Ctl c, std::uint32_t colour) = 0;
  // List of the combo box.
  virtual std::vector<std::string> ListItems(Ctl c) const = 0;
  virtual void ClearList(Ctl c) = 0;
  virtual void AddItem(Ctl c, const std::string& item) = 0;
  // Moves the focus; a text box that receives it selects its whole text.
  virtual void SetFocus(Ctl c) = 0;
  // A modal box with an OK button.
  virtual void ShowMessage(const std::string& text, const std::string& title, MsgIcon icon) = 0;
  // Lets the window handle its pending events (used while a transfer runs).
  virtual void ProcessEvents() = 0;
};

}  // namespace kv
