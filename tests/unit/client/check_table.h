// One harness for the validation tables of every family: a method runs on a
// panel prepared for one row, and the user must see exactly the row's events.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "client/engine/methods.h"
#include "client/panel/memory_panel.h"

namespace kvtest {

// The events one per line, so that a failure shows the whole sequence readably.
inline std::string Describe(const std::vector<kv::PanelEvent>& events) {
  std::string s;
  for (const auto& e : events)
    s += (e.kind == kv::PanelEvent::Kind::Message ? "message\t" + e.title + "\t" + e.text : "focus\t" + e.text) + "\n";
  return s;
}

// Runs validation method `m` of operation `code` as the pipeline does (the flag
// starts at 0): the user sees `expected` in order, and the flag is 1 once
// anything was reported.
inline void ExpectCheck(kv::MemoryPanel& panel, int code, kv::CheckMethod m,
                        const std::vector<kv::PanelEvent>& expected, const std::string& where) {
  panel.ClearEvents();
  std::int16_t flag = 0;
  kv::RunContext ctx{panel, {}, code};
  m(ctx, flag);
  EXPECT_EQ(Describe(panel.Events()), Describe(expected)) << where;
  EXPECT_EQ(panel.Events(), expected) << where;
  EXPECT_EQ(flag, expected.empty() ? 0 : 1) << where;
}

// A row of a validation table over a family's fixture, which fills every input
// with a valid value for the row's operation: the texts typed over those, and
// what the user sees.
struct TypedRow {
  std::string name;
  int code;
  std::vector<std::pair<kv::Ctl, std::string>> typed;
  std::vector<kv::PanelEvent> expected;
};

// Runs every row on a fresh `Fixture(row.code)`.
template <class Fixture>
void ExpectTypedRows(kv::CheckMethod m, const std::vector<TypedRow>& rows) {
  for (const auto& row : rows) {
    Fixture f(row.code);
    for (const auto& [ctl, text] : row.typed) f.panel.SetText(ctl, text);
    ExpectCheck(f.panel, row.code, m, row.expected, row.name);
  }
}

}  // namespace kvtest
