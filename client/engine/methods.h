// The three methods of each operation stage, and what they share during a run.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "client/panel/panel.h"

namespace kv {

// What the methods of one run reach: the panel, and the listing workbook
// builder that a library or object download calls when a listing is wanted.
struct RunContext {
  Panel& panel;
  std::function<void(RunContext&)> buildListing = {};
};

// Validation: shows its own box, moves the focus and sets `flag` to 1 on failure.
using CheckMethod = void (*)(RunContext&, std::int16_t& flag);
// Script writing and reply interpretation; `arg` is the text of the control the
// dispatch passes (the operation code, or a check box's 0 or 1), or empty.
using ScriptMethod = void (*)(RunContext&, const std::string& arg);
using ReplyMethodFn = void (*)(RunContext&, const std::string& arg);

struct Dispatch {
  int code;
  CheckMethod check;
  ScriptMethod script;
  std::optional<Ctl> scriptArg;
  ReplyMethodFn reply;
  std::optional<Ctl> replyArg;
};

// The dispatch row of an operation code, or nothing.
const Dispatch* FindDispatch(int code);

// The value a dispatch argument carries: a check box's value, else the control's text.
std::string ArgumentOf(const Panel& panel, std::optional<Ctl> arg);

}  // namespace kv
