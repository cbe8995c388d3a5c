// A panel without a window, for tests and the batch front end: controls are
// plain values, and what a user would have seen (message boxes, focus moves)
// is recorded in order.
#pragma once
#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "client/panel/panel.h"

namespace kv {

struct PanelEvent {
  enum class Kind { Message, Focus } kind;
  std::string text;   // message text, or the name of the focused control
  std::string title;  // message title
  MsgIcon icon = MsgIcon::None;
  bool operator==(const PanelEvent&) const = default;
};

// Readable form for test failures: message<TAB>title<TAB>text<TAB>icon or focus<TAB>control.
inline std::ostream& operator<<(std::ostream& os, const PanelEvent& e) {
  if (e.kind == PanelEvent::Kind::Focus) return os << "focus\t" << e.text;
  return os << "message\t" << e.title << '\t' << e.text << '\t'
            << (e.icon == MsgIcon::Exclamation ? "exclamation" : "none");
}

class MemoryPanel : public Panel {
 public:
  MemoryPanel();

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

  const std::vector<PanelEvent>& Events() const { return events_; }
  void ClearEvents() { events_.clear(); }
  // The control that has the focus, if any has received it.
  const Ctl* Focused() const { return hasFocus_ ? &focus_ : nullptr; }
  int ProcessEventsCalls() const { return processEventsCalls_; }
  // Called from ProcessEvents, so a test can act while a transfer runs.
  std::function<void()> onProcessEvents;

 private:
  struct State {
    std::string text;
    int value = 0;
    bool visible = true;
    Twips pos;
    std::uint32_t back = 0;
    std::vector<std::string> list;
  };
  std::array<State, kControlCount> state_;
  std::vector<PanelEvent> events_;
  Ctl focus_ = Ctl::実行;
  bool hasFocus_ = false;
  int processEventsCalls_ = 0;
  State& At(Ctl c) { return state_[static_cast<int>(c)]; }
  const State& At(Ctl c) const { return state_[static_cast<int>(c)]; }
};

}  // namespace kv
