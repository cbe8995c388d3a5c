#include "ftp/program.h"

#include <cstdio>
#include <iostream>
#include <iterator>

#include "common/winpath.h"
#include "ftp/console.h"
#include "ftp/interpreter.h"
#include "ftp/net.h"
#include "ftp/options.h"
#include "ftp/report.h"
#include "ftp/script.h"
#include "ftp/session.h"

namespace kv::ftp {

int RunProgram(const std::vector<std::string>& args) {
  Console console(stdout);
  ParsedOptions parsed = ParseOptions(args);
  if (!parsed.options) {
    console.Message("ftp: " + parsed.error);
    console.Message(UsageText());
    return exitcode::kUsage;
  }
  const Options& options = *parsed.options;
  if (options.help) {
    console.Message(UsageText());
    return exitcode::kOk;
  }
  if (!NetStartup()) {
    console.Message("ftp: the network is not available.");
    return exitcode::kUsage;
  }
  Script script;
  if (!options.scriptPath.empty()) {
    auto loaded = LoadScript(MapPath(options.scriptPath));
    if (!loaded) {
      console.Message("Error opening script file " + options.scriptPath + ".");
      return exitcode::kUsage;
    }
    script = std::move(*loaded);
  } else {
    // Without -s the commands come from standard input, read to its end.
    std::freopen(nullptr, "rb", stdin);
    std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    script = SplitScript(bytes);
  }
  console.SetEncoding(script.encoding);
  console.SetVerbose(options.verbose);
  console.SetDebug(options.debug);
  Session session(console, options);
  Interpreter interpreter(session, std::move(script.lines), Report::FromEnvironment());
  return interpreter.Run();
}

}  // namespace kv::ftp
