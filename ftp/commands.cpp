#include "ftp/commands.h"

#include <cstdlib>

#include "common/winpath.h"
#include "ftp/interpreter.h"
#include "ftp/platform.h"
#include "ftp/script.h"
#include "ftp/transfer.h"

namespace kv::ftp {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

Console& Out(CommandCall& c) { return c.run.Sess().Out(); }
Session& Sess(CommandCall& c) { return c.run.Sess(); }

int Usage(CommandCall& c, const char* text) {
  Out(c).Message(std::string("Usage: ") + text);
  return exitcode::kCommandFailed;
}

bool NeedConnection(CommandCall& c) {
  if (Sess(c).IsConnected()) return true;
  Out(c).Message("Not connected.");
  return false;
}

// Sends one command; success when the final reply is positive (1xx-3xx).
int Simple(CommandCall& c, const std::string& command) {
  if (!NeedConnection(c)) return exitcode::kCommandFailed;
  auto reply = Sess(c).Exchange(command);
  if (!reply) return exitcode::kHostLost;
  return reply->Positive() ? exitcode::kOk : exitcode::kCommandFailed;
}

int SetType(CommandCall& c, bool text) {
  if (!NeedConnection(c)) return exitcode::kCommandFailed;
  auto reply = Sess(c).Exchange(text ? "TYPE A" : "TYPE I");
  if (!reply) return exitcode::kHostLost;
  if (!reply->Completed()) return exitcode::kCommandFailed;
  Sess(c).textMode = text;
  return exitcode::kOk;
}

int Toggle(CommandCall& c, bool& flag, const char* what) {
  flag = !flag;
  Out(c).Message(std::string(what) + (flag ? " On ." : " Off ."));
  return exitcode::kOk;
}

// The last component of a local name: the default remote name of a put.
std::string BaseName(const std::string& name) {
  std::size_t slash = name.find_last_of("\\/");
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (base.size() >= 2 && base[1] == ':') base = base.substr(2);
  return base;
}

int Open(CommandCall& c) {
  Session& s = Sess(c);
  if (s.IsConnected()) {
    Out(c).MessageWith("Already connected to ", s.HostName(), ", use disconnect first.");
    return exitcode::kCommandFailed;
  }
  if (c.words.size() < 2 || c.words.size() > 3) {
    // The logon answers still follow in the script and must not run as commands.
    if (s.Opts().autoLogin) c.run.Logon(exitcode::kConnectFailed);
    Usage(c, "open host-name [port]");
    return exitcode::kConnectFailed;
  }
  int port = s.DefaultPort();
  if (c.words.size() == 3) {
    port = std::atoi(c.words[2].c_str());
    if (port < 1 || port > 65535 || c.words[2].find_first_not_of("0123456789") != std::string::npos) {
      if (s.Opts().autoLogin) c.run.Logon(exitcode::kConnectFailed);
      Usage(c, "open host-name [port]");
      return exitcode::kConnectFailed;
    }
  }
  int status = s.Open(c.words[1], port);
  if (s.Opts().anonymous && status == exitcode::kOk) {
    Session::UserStep step = s.User("anonymous");
    if (step == Session::UserStep::NeedPassword && s.Pass("guest")) return exitcode::kOk;
    return step == Session::UserStep::LoggedIn ? exitcode::kOk : exitcode::kLogonFailed;
  }
  if (!s.Opts().autoLogin) return status;
  return c.run.Logon(status);
}

int User(CommandCall& c) {
  if (c.words.size() < 2 || c.words.size() > 3) return Usage(c, "user user-name [password]");
  if (!NeedConnection(c)) return exitcode::kCommandFailed;
  Session::UserStep step = Sess(c).User(c.words[1]);
  if (step == Session::UserStep::LoggedIn) return exitcode::kOk;
  if (step == Session::UserStep::Failed) return exitcode::kLogonFailed;
  std::optional<std::string> password;
  if (c.words.size() == 3) {
    password = c.words[2];
  } else {
    Out(c).Message("Password:");
    password = c.run.TakeAnswer();
  }
  if (!password) {
    Out(c).Message("Login failed.");
    return exitcode::kLogonFailed;
  }
  return Sess(c).Pass(*password) ? exitcode::kOk : exitcode::kLogonFailed;
}

int Quote(CommandCall& c) {
  std::string text = RestAfterFirstWord(c.line);
  if (text.empty()) return Usage(c, "quote command-text");
  if (!NeedConnection(c)) return exitcode::kCommandFailed;
  std::vector<std::string> words = SplitWords(text);
  std::string verb = LowerAscii(words[0]);
  auto reply = Sess(c).Exchange(text, verb == "pass");
  if (!reply) return exitcode::kHostLost;
  // A type set through quote decides how later transfers treat the data: TYPE A,
  // E and C (a CCSID, e.g. "TYPE C 943") are text, TYPE I and L are binary.
  if (verb == "type" && words.size() >= 2 && reply->Completed()) {
    char t = Lower(words[1][0]);
    if (t == 'a' || t == 'e' || t == 'c') Sess(c).textMode = true;
    if (t == 'i' || t == 'l') Sess(c).textMode = false;
  }
  return reply->Positive() ? exitcode::kOk : exitcode::kCommandFailed;
}

int Cd(CommandCall& c) {
  if (c.words.size() != 2) return Usage(c, "cd remote-directory");
  return Simple(c, "CWD " + c.words[1]);
}

int Pwd(CommandCall& c) { return Simple(c, "PWD"); }

int Delete(CommandCall& c) {
  if (c.words.size() != 2) return Usage(c, "delete remote-file");
  return Simple(c, "DELE " + c.words[1]);
}

int Mkdir(CommandCall& c) {
  if (c.words.size() != 2) return Usage(c, "mkdir remote-directory");
  return Simple(c, "MKD " + c.words[1]);
}

int Rmdir(CommandCall& c) {
  if (c.words.size() != 2) return Usage(c, "rmdir remote-directory");
  return Simple(c, "RMD " + c.words[1]);
}

int Rename(CommandCall& c) {
  if (c.words.size() != 3) return Usage(c, "rename from-name to-name");
  if (!NeedConnection(c)) return exitcode::kCommandFailed;
  auto reply = Sess(c).Exchange("RNFR " + c.words[1]);
  if (!reply) return exitcode::kHostLost;
  if (reply->code != 350) return exitcode::kCommandFailed;
  return Simple(c, "RNTO " + c.words[2]);
}

int Lcd(CommandCall& c) {
  if (c.words.size() > 2) return Usage(c, "lcd [local-directory]");
  std::string shown, nativePath;
  if (c.words.size() == 1)
    nativePath = c.run.StartDir();
  else if (!c.run.LocalName(c.words[1], shown, nativePath))
    return exitcode::kCommandFailed;
  if (!ChangeLocalDir(nativePath)) {
    Out(c).Message(shown + ": File not found");
    return exitcode::kCommandFailed;
  }
  Out(c).Message("Local directory now " + ToWindowsPath(CurrentLocalDir()) + ".");
  return exitcode::kOk;
}

int Get(CommandCall& c) {
  if (c.words.size() < 2 || c.words.size() > 3) return Usage(c, "get remote-file [local-file]");
  const std::string& remote = c.words[1];
  std::string shown, nativePath;
  if (!c.run.LocalName(c.words.size() == 3 ? c.words[2] : remote, shown, nativePath))
    return exitcode::kCommandFailed;
  return GetFile(Sess(c), remote, shown, nativePath);
}

int Put(CommandCall& c) {
  if (c.words.size() < 2 || c.words.size() > 3) return Usage(c, "put local-file [remote-file]");
  std::string shown, nativePath;
  if (!c.run.LocalName(c.words[1], shown, nativePath)) return exitcode::kCommandFailed;
  std::string remote = c.words.size() == 3 ? c.words[2] : BaseName(c.words[1]);
  return PutFile(Sess(c), shown, nativePath, remote);
}

int Ascii(CommandCall& c) { return SetType(c, true); }
int Binary(CommandCall& c) { return SetType(c, false); }

int Type(CommandCall& c) {
  if (c.words.size() == 1) {
    Out(c).Message(std::string("Using ") + (Sess(c).textMode ? "ascii" : "binary") + " mode to transfer files.");
    return exitcode::kOk;
  }
  std::string mode = LowerAscii(c.words[1]);
  if (c.words.size() == 2 && (mode == "ascii" || mode == "a")) return SetType(c, true);
  if (c.words.size() == 2 && (mode == "binary" || mode == "image" || mode == "i")) return SetType(c, false);
  Out(c).MessageWith("", c.words[1], ": unknown mode.");
  return exitcode::kCommandFailed;
}

int Quit(CommandCall& c) {
  c.run.EndRun();
  return Sess(c).Quit();
}

int Close(CommandCall& c) {
  if (!NeedConnection(c)) return exitcode::kCommandFailed;
  return Sess(c).Quit();
}

int Verbose(CommandCall& c) {
  bool on = !Out(c).Verbose();
  Out(c).SetVerbose(on);
  Out(c).Message(std::string("Verbose mode ") + (on ? "On ." : "Off ."));
  return exitcode::kOk;
}

int Debug(CommandCall& c) {
  bool on = !Out(c).Debug();
  Out(c).SetDebug(on);
  Out(c).Message(std::string("Debugging ") + (on ? "On ." : "Off ."));
  return exitcode::kOk;
}

int Passive(CommandCall& c) { return Toggle(c, Sess(c).passive, "Passive mode"); }

// Switches of the interactive client that change nothing in a script run.
int Accepted(CommandCall&) { return exitcode::kOk; }

int Help(CommandCall& c) {
  std::string line;
  for (const auto& info : AllCommands()) {
    std::string name = info.name;
    line += name + std::string(name.size() < 12 ? 12 - name.size() : 1, ' ');
    if (line.size() >= 60) {
      Out(c).Message(line);
      line.clear();
    }
  }
  if (!line.empty()) Out(c).Message(line);
  return exitcode::kOk;
}

const std::vector<CommandSpec> kCommands = {
    {"?", Help},          {"ascii", Ascii},   {"binary", Binary}, {"bye", Quit},          {"cd", Cd},
    {"close", Close},     {"debug", Debug},   {"delete", Delete}, {"disconnect", Close},  {"get", Get},
    {"glob", Accepted},   {"hash", Accepted}, {"help", Help},     {"lcd", Lcd},           {"literal", Quote},
    {"mkdir", Mkdir},     {"open", Open},     {"passive", Passive}, {"prompt", Accepted}, {"put", Put},
    {"pwd", Pwd},         {"quit", Quit},     {"quote", Quote},   {"recv", Get},          {"rename", Rename},
    {"rmdir", Rmdir},     {"send", Put},      {"type", Type},     {"user", User},         {"verbose", Verbose},
};

}  // namespace

const std::vector<CommandSpec>& AllCommands() { return kCommands; }

const CommandSpec* FindCommand(std::string_view word, bool& ambiguous) {
  ambiguous = false;
  std::string w = LowerAscii(word);
  const CommandSpec* found = nullptr;
  for (const auto& info : kCommands) {
    std::string_view name = info.name;
    if (name == w) {
      ambiguous = false;
      return &info;
    }
    if (!w.empty() && name.substr(0, w.size()) == w) {
      if (found) ambiguous = true;
      found = &info;
    }
  }
  return ambiguous ? nullptr : found;
}

}  // namespace kv::ftp
