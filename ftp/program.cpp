#include "ftp/program.h"

#include <cstdio>
#include <iostream>
#include <iterator>

#include "common/cp932.h"
#include "common/fileio.h"
#include "common/winpath.h"
#include "ftp/console.h"
#include "ftp/interpreter.h"
#include "ftp/net.h"
#include "ftp/options.h"
#include "ftp/platform.h"
#include "ftp/script.h"
#include "ftp/session.h"

namespace kv::ftp {
namespace {

// The TLS settings of the run: the settings file beside the program (code page
// 932, or UTF-8 with a byte-order mark, like scripts), then the options over it.
bool ResolveTls(Options& options, Console& console) {
  std::string path = SettingsFileFor(ProgramPath());
  std::FILE* file = path.empty() ? nullptr : native::OpenFile(path, "rb");
  if (file) {
    std::string bytes;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, n);
    std::fclose(file);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") != 0) bytes = Cp932ToUtf8Lossy(bytes);
    std::string error;
    if (!ReadTlsSettings(bytes, options.tls, error)) {
      console.Message("ftp: settings file " + path + ", " + error + ".");
      return false;
    }
  }
  if (options.tlsMode) options.tls.mode = *options.tlsMode;
  if (options.tlsTrust) options.tls.trust = *options.tlsTrust;
  if (!options.tls.trust.file.empty()) options.tls.trust.file = MapPath(options.tls.trust.file);
  return true;
}

}  // namespace

int RunProgram(const std::vector<std::string>& args) {
  Console console(stdout);
  ParsedOptions parsed = ParseOptions(args);
  if (!parsed.options) {
    console.Message("ftp: " + parsed.error);
    console.Message(UsageText());
    return exitcode::kUsage;
  }
  Options& options = *parsed.options;
  if (options.help) {
    console.Message(UsageText());
    return exitcode::kOk;
  }
  if (!ResolveTls(options, console)) return exitcode::kUsage;
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
  Interpreter interpreter(session, std::move(script.lines));
  return interpreter.Run();
}

}  // namespace kv::ftp
