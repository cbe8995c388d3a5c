// What every validation method shares: how a failed check is reported, and
// tables of checks on the panel's fields run in order.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "client/panel/panel.h"

namespace kv {

// Shows the check's warning box (exclamation icon), moves the focus to the
// field and sets the flag to 1.
void FailCheck(Panel& panel, std::int16_t& flag, std::string_view text, std::string_view title, Ctl focus);

// When a check of a validation table runs.
enum class RunsWhen {
  FlagClear,           // only while the error flag is still 0 (the rule)
  PreviousDidNotFire,  // whenever the check before it did not fire, flag or not (CHK21's last check)
};

struct FieldCheck {
  bool (*fails)(const Panel&);
  std::string_view text;
  std::string_view title;
  Ctl focus;
  RunsWhen when = RunsWhen::FlagClear;
};

// Sets the flag to 0, then runs the checks in order; a failing check is
// reported through FailCheck.
void RunChecks(Panel& panel, std::span<const FieldCheck> checks, std::int16_t& flag);

template <Ctl c>
bool IsEmpty(const Panel& panel) {
  return panel.Text(c).empty();
}

}  // namespace kv
