#include "ftp/interpreter.h"

#include <algorithm>

#include "common/cp932.h"
#include "common/winpath.h"
#include "ftp/commands.h"
#include "ftp/platform.h"
#include "ftp/script.h"

namespace kv::ftp {

Interpreter::Interpreter(Session& session, std::vector<std::string> lines)
    : session_(session), lines_(std::move(lines)), startDir_(CurrentLocalDir()) {}

std::optional<std::string> Interpreter::TakeAnswer() {
  if (next_ >= lines_.size()) return std::nullopt;
  return lines_[next_++];
}

bool Interpreter::LocalName(const std::string& raw, std::string& shown, std::string& nativePath) {
  if (session_.Out().Encoding() == TextEncoding::Utf8) {
    shown = raw;
  } else {
    auto utf8 = Cp932ToUtf8(raw);
    if (!utf8) {
      session_.Out().Message("ftp: the local name is not valid code page 932 text.");
      return false;
    }
    shown = *utf8;
  }
  nativePath = MapPath(shown);
  return true;
}

int Interpreter::Logon(int openStatus) {
  Console& out = session_.Out();
  // Both answers are taken now, so that neither can ever run as a command.
  std::optional<std::string> user = TakeAnswer();
  std::optional<std::string> password = TakeAnswer();
  if (openStatus != exitcode::kOk) return openStatus;
  if (!user) {
    out.Message("Login failed.");
    return exitcode::kLogonFailed;
  }
  out.MessageWith("User (" + session_.HostName() + ":(none)): ", *user);
  Session::UserStep step = session_.User(*user);
  if (step == Session::UserStep::LoggedIn) return exitcode::kOk;
  if (step == Session::UserStep::Failed)
    return session_.HostLost() ? exitcode::kHostLost : exitcode::kLogonFailed;
  out.Message("Password:");
  if (!password) {
    out.Message("Login failed.");
    return exitcode::kLogonFailed;
  }
  if (session_.Pass(*password)) return exitcode::kOk;
  return session_.HostLost() ? exitcode::kHostLost : exitcode::kLogonFailed;
}

int Interpreter::RunLine(const std::string& line) {
  std::vector<std::string> words = SplitWords(line);
  if (words.empty()) return exitcode::kOk;  // a blank line in command position
  Console& out = session_.Out();
  out.Echo(line);
  bool ambiguous = false;
  const CommandSpec* info = FindCommand(words[0], ambiguous);
  if (!info) {
    out.Message(ambiguous ? "Ambiguous command." : "Invalid command.");
    return exitcode::kCommandFailed;
  }
  CommandCall call{*this, line, words};
  return info->handler(call);
}

int Interpreter::Run() {
  int status = exitcode::kOk;
  const Options& options = session_.Opts();
  if (!options.host.empty()) {
    int open = session_.Open(options.host, session_.DefaultPort());
    status = std::max(status, options.autoLogin ? Logon(open) : open);
  }
  while (!ended_ && !session_.HostLost() && next_ < lines_.size()) {
    const std::string& line = lines_[next_++];
    status = std::max(status, RunLine(line));
  }
  if (session_.HostLost()) {
    session_.Out().Message("ftp: the run ends because the host stopped answering.");
    status = std::max(status, exitcode::kHostLost);
  }
  // The end of the script ends the session as "quit" would.
  if (!ended_) status = std::max(status, session_.Quit());
  return status;
}

}  // namespace kv::ftp
