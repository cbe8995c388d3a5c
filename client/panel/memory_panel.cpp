#include "client/panel/memory_panel.h"

namespace kv {

MemoryPanel::MemoryPanel() {
  for (const auto& info : AllControls()) {
    State& s = At(info.ctl);
    s.text = std::string(info.designText);
    s.visible = info.designVisible;
    s.pos = {info.left, info.top};
    s.back = info.ctl == Ctl::処理 ? kTitleColourDownload : 0;
  }
  // Check boxes carry their caption as design text; their value starts unticked.
}

std::string MemoryPanel::Text(Ctl c) const { return At(c).text; }
void MemoryPanel::SetText(Ctl c, const std::string& text) { At(c).text = text; }
int MemoryPanel::Value(Ctl c) const { return At(c).value; }
void MemoryPanel::SetValue(Ctl c, int value) { At(c).value = value; }
bool MemoryPanel::Visible(Ctl c) const { return At(c).visible; }
void MemoryPanel::SetVisible(Ctl c, bool visible) { At(c).visible = visible; }
Twips MemoryPanel::Position(Ctl c) const { return At(c).pos; }
void MemoryPanel::Move(Ctl c, Twips at) { At(c).pos = at; }
std::uint32_t MemoryPanel::BackColor(Ctl c) const { return At(c).back; }
void MemoryPanel::SetBackColor(Ctl c, std::uint32_t colour) { At(c).back = colour; }
std::vector<std::string> MemoryPanel::ListItems(Ctl c) const { return At(c).list; }
void MemoryPanel::ClearList(Ctl c) { At(c).list.clear(); }
void MemoryPanel::AddItem(Ctl c, const std::string& item) { At(c).list.push_back(item); }

void MemoryPanel::SetFocus(Ctl c) {
  focus_ = c;
  hasFocus_ = true;
  events_.push_back({PanelEvent::Kind::Focus, std::string(NameOf(c)), "", MsgIcon::None});
}

void MemoryPanel::ShowMessage(const std::string& text, const std::string& title, MsgIcon icon) {
  events_.push_back({PanelEvent::Kind::Message, text, title, icon});
}

void MemoryPanel::ProcessEvents() {
  ++processEventsCalls_;
  if (onProcessEvents) onProcessEvents();
}

}  // namespace kv
