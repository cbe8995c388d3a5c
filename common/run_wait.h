// Runs a program with its window hidden and waits for it to end, polling at
// least every 50 ms (and at once when it ends) and letting the caller's window
// handle its events between polls.
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kv {

struct RunResult {
  bool started = false;  // false: the program could not be started, nothing was waited for
  unsigned long exitCode = 0;
};

// Variables set in the program's environment in addition to the caller's own.
using Environment = std::vector<std::pair<std::string, std::string>>;

// `commandLine` is a Windows command line: the program path (a Windows path,
// ".EXE" optional, any case) and the arguments, passed on verbatim.
// `processEvents` runs once per poll, before the wait of up to 50 ms.
RunResult RunAndWait(const std::string& commandLine, const std::function<void()>& processEvents,
                     const Environment& environment = {});

}  // namespace kv
