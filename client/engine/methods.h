// The three methods of each operation stage, and what they share during a run.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "client/engine/transfer_watch.h"
#include "client/panel/panel.h"

namespace kv {

// What the methods of one run reach: the panel, the listing workbook builder
// that a library or object download calls when a listing is wanted, the
// operation code of the run (the pipeline sets it from MENUNO), and what the
// stages learn about the run. A method that serves two operations tells them
// apart by `code`; it reads every other input from the panel.
struct RunContext {
  Panel& panel;
  std::function<void(RunContext&)> buildListing = {};
  int code = 0;
  // Set by the script method: the first working file it could not write
  // (Windows path); the FTP client is then not started.
  std::string unwrittenFile = {};
  // Set by the pipeline once the FTP client has ended: the transfer of the PC's
  // data that failed, when the client reported one; the reply method then shows
  // it instead of the success line.
  std::optional<ReportedTransfer> failedTransfer = std::nullopt;
  // Set by the reply method when it showed the success line.
  bool succeeded = false;
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

// Codes 11 to 18 move data from the host to the PC.
inline bool IsDownloadCode(int code) { return code >= 11 && code <= 18; }

// The dispatch row of an operation code, or nothing.
const Dispatch* FindDispatch(int code);

}  // namespace kv
