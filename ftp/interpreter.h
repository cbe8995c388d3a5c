// Runs a script: each line is echoed and run as a command, except the lines that
// answer the logon prompts after "open", which are taken as answers and never
// echoed or run, whether or not the connection and logon succeed.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "ftp/report.h"
#include "ftp/session.h"

namespace kv::ftp {

class Interpreter {
 public:
  // `report` receives each get and put of the run (inactive: nothing is reported).
  Interpreter(Session& session, std::vector<std::string> lines, Report report = {});

  // Runs every line; the exit status (options.h).
  int Run();

  // Used by the commands:
  Session& Sess() { return session_; }
  Report& Reporter() { return report_; }
  // The next script line as a prompt answer; nothing at the end of the script.
  std::optional<std::string> TakeAnswer();
  void EndRun() { ended_ = true; }
  // The logon dialogue after a connection attempt with status `openStatus`:
  // consumes the user and password lines in every case.
  int Logon(int openStatus);
  // A local name from the script (script bytes) as UTF-8 and as a native path;
  // false when the name cannot be converted.
  bool LocalName(const std::string& raw, std::string& shown, std::string& nativePath);
  const std::string& StartDir() const { return startDir_; }

 private:
  int RunLine(const std::string& line);

  Session& session_;
  std::vector<std::string> lines_;
  std::size_t next_ = 0;
  bool ended_ = false;
  std::string startDir_;
  Report report_;
};

}  // namespace kv::ftp
