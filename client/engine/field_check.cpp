#include "client/engine/field_check.h"

#include <string>

namespace kv {

void FailCheck(Panel& panel, std::int16_t& flag, std::string_view text, std::string_view title, Ctl focus) {
  panel.ShowMessage(std::string(text), std::string(title), MsgIcon::Exclamation);
  panel.SetFocus(focus);
  flag = 1;
}

void RunChecks(Panel& panel, std::span<const FieldCheck> checks, std::int16_t& flag) {
  flag = 0;
  bool previousFired = false;
  for (const FieldCheck& c : checks) {
    const bool runs = c.when == RunsWhen::FlagClear ? flag == 0 : !previousFired;
    previousFired = runs && c.fails(panel);
    if (previousFired) FailCheck(panel, flag, c.text, c.title, c.focus);
  }
}

}  // namespace kv
