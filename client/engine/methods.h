// The three methods of each operation stage, and what they share during a run.
#pragma once
#include <cstdint>
#include <functional>
#include <span>

#include "client/panel/panel.h"

namespace kv {

// What the methods of one run reach: the panel, the listing workbook builder
// that a library or object download calls when a listing is wanted, and the
// operation code of the run (the pipeline sets it from MENUNO). A method that
// serves two operations tells them apart by `code`; it reads every other input
// from the panel.
struct RunContext {
  Panel& panel;
  std::function<void(RunContext&)> buildListing = {};
  int code = 0;
};

// Validation: shows its own box, moves the focus and sets `flag` to 1 on failure.
using CheckMethod = void (*)(RunContext&, std::int16_t& flag);
// Script writing and reply interpretation.
using ScriptMethod = void (*)(RunContext&);
using ReplyMethodFn = void (*)(RunContext&);

// An operation code and its validation, script and reply methods. Each family
// exports the rows of its own codes.
struct Dispatch {
  int code;
  CheckMethod check;
  ScriptMethod script;
  ReplyMethodFn reply;
};

// The dispatch row of an operation code, or nothing.
const Dispatch* FindDispatch(int code);

}  // namespace kv
