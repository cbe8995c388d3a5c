#include "hostsim/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <thread>
#include <chrono>

#include "common/cp932.h"
#include "hostsim/ccsid.h"
#include "hostsim/cl.h"
#include "hostsim/commands.h"
#include "hostsim/faults.h"
#include "hostsim/savf.h"
#include "hostsim/upload_lines.h"

namespace hostsim {
namespace {

constexpr std::size_t kChunk = 256 * 1024;

// Keeps a data connection at or below a byte rate (0: no limit), by moving the
// data in small pieces and sleeping between them.
class Throttle {
 public:
  explicit Throttle(std::int64_t bytesPerSecond) : rate_(bytesPerSecond), start_(std::chrono::steady_clock::now()) {}
  // How much to move next of `want` bytes.
  std::size_t Piece(std::size_t want) const {
    if (rate_ <= 0) return want;
    return std::min<std::size_t>(want, static_cast<std::size_t>(std::max<std::int64_t>(1, rate_ / 10)));
  }
  // Sleeps until `n` more bytes are within the rate.
  void Moved(std::size_t n) {
    if (rate_ <= 0) return;
    moved_ += n;
    auto due = start_ + std::chrono::microseconds(moved_ * 1000000 / static_cast<std::uint64_t>(rate_));
    std::this_thread::sleep_until(due);
  }

 private:
  std::int64_t rate_;
  std::chrono::steady_clock::time_point start_;
  std::uint64_t moved_ = 0;
};

// What a file name of RETR, STOR or LIST designates.
struct Target {
  std::string lib, file, mbr;   // mbr empty: the file itself (save file, or member = file name)
  bool mbrGiven = false;
};

struct Snapshot;

class Session {
 public:
  Session(Server& s, int fd, std::uint64_t number)
      : srv_(s), host_(s.host()), opt_(s.options()), fd_(fd), ctrl_(fd), number_(number) {
    std::vector<FaultSwitch> all = opt_.faults;
    {
      std::lock_guard lock(host_.mu);
      all.insert(all.end(), host_.faults.begin(), host_.faults.end());
    }
    faults_ = FaultsOfSession(all, number);
  }
  ~Session() {
    CloseData();
    ctrl_.Shutdown();
  }
  void Run();

 private:
  // Replies.
  void Reply(int code, const std::string& text) { Lines(code, {text}); }
  void Lines(int code, const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      std::string t = opt_.upperReplies ? Upper(lines[i]) : lines[i];
      out += std::to_string(code) + (i + 1 < lines.size() ? "-" : " ") + t + "\r\n";
    }
    Send(out);
  }
  void Send(const std::string& out) {
    if (faults_.On(Fault::kSlowReply))
      std::this_thread::sleep_for(std::chrono::milliseconds(faults_.Number(Fault::kSlowReply, 0)));
    for (std::size_t b = 0, e; b < out.size(); b = e + 2) {
      e = out.find("\r\n", b);
      if (e == std::string::npos) e = out.size();
      Log(out.substr(b, e - b));
    }
    if (!ctrl_.Send(out.data(), out.size())) alive_ = false;
  }
  // One line of the session log for each subcommand and each reply.
  void Log(const std::string& text) {
    if (srv_.log) srv_.log("session " + std::to_string(number_) + " " + text);
  }

  bool ReadLine(std::string& line);
  void Dispatch(const std::string& verb, const std::string& arg);
  bool BadReplyDue(const std::string& verb);
  // DROPAFTER150: the control connection ends under the client.
  bool DropControl();
  // DATASTALL: holds the open data connection without moving a byte until the
  // client gives up on it (closes it, or sends on or closes the control).
  void Stall(std::unique_ptr<Stream>& data, bool sending);
  // Sends `n` bytes of a RETR's data within the rate and the halfway budget.
  bool Push(Stream& data, const char* p, std::size_t n, Throttle& rate);

  // Data connections.
  void CloseData() {
    if (pasvFd_ >= 0) ::close(pasvFd_);
    pasvFd_ = -1;
    portSet_ = false;
  }
  int OpenData();
  // The data connection of a transfer, after its 150 reply: opened, and secured
  // when the data is protected. Nothing after the failure has been replied.
  std::unique_ptr<Stream> DataStream();
  bool ControlGone();
  // Ends a data connection: close_notify over TLS, then the close.
  static void EndData(std::unique_ptr<Stream>& data);

  // Names.
  bool ParseTarget(const std::string& arg, Target& t, bool forList);
  bool NoteFirstPath(const std::string& arg);
  std::string CurrentDir() const;

  void OpenPassive(bool extended);
  void Listing(const std::string& arg, bool names);
  // Replies 550 with `lines`; returns false so that a check can end with it.
  bool Refuse(const std::vector<std::string>& lines);

  // RETR in steps.
  bool TakeSnapshot(Target& t, Snapshot& s);
  bool SendSaveFile(Stream& data, const Blob* blob, Throttle& rate);
  bool SendBytes(Stream& data, const Records& bytes, Throttle& rate);
  bool SendRecords(Stream& data, const Snapshot& s, Converter& conv, Throttle& rate);
  template <class Emit>
  bool ForEachTextLine(const Snapshot& s, Converter& conv, Emit&& emit);
  std::uint64_t RetrSize(const Snapshot& s, Converter* conv);

  // STOR in steps.
  bool CheckStoreTarget(const Target& t, bool& toSavf);
  enum class Received { kOk, kBroken, kDiskFull };
  template <class Take>
  Received Receive(Stream& data, Take&& take);
  Received ReceiveToFile(std::unique_ptr<Stream> data, const std::string& path);
  void StoreSaveFile(const Target& t, std::unique_ptr<Stream> data);
  void StoreMember(const Target& t, const std::string& path);
  // Commits what the subcommand changed (the kept state), before its reply.
  void Commit() {
    if (srv_.onChange) srv_.onChange();
  }
  int StoreCcsid(const PhysicalFile* f) const;
  bool NewFileRecordLength(const Target& t, const UploadLines& lines, int& rcdlen);
  bool TextRecords(const Target& t, const UploadLines& lines, bool source, int rcdlen, RecordsWriter& records);

 public:
  // Subcommand handlers (the verb table names them).
  void User(const std::string& arg);
  void Pass(const std::string& arg);
  void Quit(const std::string& arg);
  void Opts(const std::string& arg);
  void Feat(const std::string& arg);
  void Noop(const std::string& arg);
  void Help(const std::string& arg);
  void Syst(const std::string& arg);
  void Type(const std::string& arg);
  void Site(const std::string& arg);
  void Cwd(const std::string& arg);
  void Cdup(const std::string& arg);
  void Pwd(const std::string& arg);
  void Pasv(const std::string& arg);
  void Epsv(const std::string& arg);
  void Port(const std::string& arg);
  void Retr(const std::string& arg);
  void Stor(const std::string& arg);
  void List(const std::string& arg);
  void Nlst(const std::string& arg);
  void Rcmd(const std::string& arg);
  void Mode(const std::string& arg);
  void Stru(const std::string& arg);
  void Abor(const std::string& arg);
  void Auth(const std::string& arg);
  void Pbsz(const std::string& arg);
  void Prot(const std::string& arg);

 private:

  int TextCcsid() const { return type_ == 'A' ? host_.asciiCcsid : type_ == 'C' ? ccsid_ : 0; }

  Server& srv_;
  Host& host_;
  const ServerOptions& opt_;
  int fd_;
  Stream ctrl_;
  bool pbszSet_ = false;
  bool protectData_ = false;  // PROT P (or AUTH SSL/TLS-P, or the implicit port): data over TLS
  bool alive_ = true;
  bool quit_ = false;
  std::uint64_t number_;        // 1-based number of the control connection
  SessionFaults faults_;
  bool badReplyArmed_ = false;  // BADREPLY: the next subcommand gets the malformed line
  bool dataCut_ = false;        // a RETR's data stopped halfway on purpose
  std::int64_t sendBudget_ = -1;  // bytes a RETR may still send (-1: all)
  std::string buf_;
  std::string user_;
  bool loggedOn_ = false;
  char type_ = 'A';     // A, C (ccsid_), E, I
  int ccsid_ = 0;
  int namefmt_ = 0;
  bool firstPathSeen_ = false;
  bool trim_ = true;
  bool inLibFs_ = true;   // NAMEFMT 1 working directory under /QSYS.LIB
  bool atQsysLib_ = false;
  int pasvFd_ = -1;
  bool portSet_ = false;
  sockaddr_in portAddr_{};
  std::unique_ptr<Job> job_;
};

bool Session::ReadLine(std::string& line) {
  for (;;) {
    auto nl = buf_.find('\n');
    if (nl != std::string::npos) {
      line = buf_.substr(0, nl);
      buf_.erase(0, nl + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > opt_.maxLine) {
        Reply(500, "Subcommand line too long.");
        line.clear();
        continue;
      }
      return true;
    }
    if (buf_.size() > opt_.maxLine) {
      // Keep discarding until the end of the over-long line.
      Reply(500, "Subcommand line too long.");
      for (;;) {
        char tmp[4096];
        pollfd p{fd_, POLLIN, 0};
        if (!ctrl_.Pending() && ::poll(&p, 1, opt_.idleSeconds * 1000) <= 0) return false;
        ssize_t n = ctrl_.Recv(tmp, sizeof tmp);
        if (n <= 0) return false;
        std::string_view v(tmp, static_cast<std::size_t>(n));
        auto e = v.find('\n');
        if (e != std::string_view::npos) {
          buf_.assign(v.substr(e + 1));
          break;
        }
      }
      continue;
    }
    pollfd p{fd_, POLLIN, 0};
    int r = ctrl_.Pending() ? 1 : ::poll(&p, 1, opt_.idleSeconds * 1000);
    if (r == 0) {
      Reply(421, "Connection closed; idle time limit exceeded.");
      return false;
    }
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    char tmp[4096];
    ssize_t n = ctrl_.Recv(tmp, sizeof tmp);
    if (n <= 0) return false;
    buf_.append(tmp, static_cast<std::size_t>(n));
  }
}

void Session::Run() {
  if (opt_.tls == TlsPolicy::Implicit) {
    // The implicit port: TLS from the first byte, the data protected as if
    // AUTH SSL, PBSZ 0 and PROT P had been sent.
    std::string err;
    if (!ctrl_.Accept(*opt_.tlsServer, opt_.dataTimeoutSeconds, err)) return;
    pbszSet_ = protectData_ = true;
  }
  if (faults_.On(Fault::kGreet421)) return Reply(421, "Service not available, closing control connection.");
  Lines(220, {"QTCP at " + opt_.systemName + ".", "Connection will close if idle more than 5 minutes."});
  std::string line;
  while (alive_ && !quit_ && ReadLine(line)) {
    if (line.find('\0') != std::string::npos) {
      Reply(501, "Subcommand not valid: it contains a null character.");
      continue;
    }
    std::size_t sp = line.find(' ');
    std::string verb = Upper(line.substr(0, sp));
    std::string arg = sp == std::string::npos ? "" : line.substr(sp + 1);
    while (!verb.empty() && verb.back() == ' ') verb.pop_back();
    // The log never holds a password.
    Log("< " + (verb == "PASS" ? std::string("PASS ****") : line));
    if (BadReplyDue(verb)) {
      Send("2X0 reply line without a reply code\r\n");
      continue;
    }
    Dispatch(verb, arg);
    Commit();
  }
}

// BADREPLY: the first subcommand after the logon, or the first one named by
// the switch's value, gets a malformed reply line instead of its work.
bool Session::BadReplyDue(const std::string& verb) {
  if (!faults_.On(Fault::kBadReply)) return false;
  const std::string& named = faults_.Text(Fault::kBadReply);
  bool due = named.empty() ? badReplyArmed_ : verb == named;
  if (due) faults_.Clear(Fault::kBadReply);
  badReplyArmed_ = false;
  return due;
}

// The subcommands the server knows. A row without a handler is recognised (it
// needs the logon like the others) but answered as not supported.
struct Verb {
  const char* name;
  bool needsLogon;
  bool takesArgument;   // false: whatever follows the verb is ignored
  void (Session::*handler)(const std::string& arg);
};

const Verb kVerbs[] = {
    {"USER", false, true, &Session::User},
    {"PASS", false, true, &Session::Pass},
    {"QUIT", false, false, &Session::Quit},
    {"OPTS", false, true, &Session::Opts},
    {"FEAT", false, false, &Session::Feat},
    {"NOOP", false, false, &Session::Noop},
    {"HELP", false, false, &Session::Help},
    {"SYST", true, false, &Session::Syst},
    {"TYPE", true, true, &Session::Type},
    {"SITE", true, true, &Session::Site},
    {"CWD", true, true, &Session::Cwd},
    {"XCWD", true, true, &Session::Cwd},
    {"CDUP", true, false, &Session::Cdup},
    {"PWD", true, false, &Session::Pwd},
    {"XPWD", true, false, &Session::Pwd},
    {"PASV", true, false, &Session::Pasv},
    {"EPSV", true, false, &Session::Epsv},
    {"PORT", true, true, &Session::Port},
    {"RETR", true, true, &Session::Retr},
    {"STOR", true, true, &Session::Stor},
    {"LIST", true, true, &Session::List},
    {"NLST", true, true, &Session::Nlst},
    {"RCMD", true, true, &Session::Rcmd},
    {"MODE", true, true, &Session::Mode},
    {"STRU", true, true, &Session::Stru},
    {"ABOR", true, false, &Session::Abor},
    {"APPE", true, true, nullptr}, {"DELE", true, true, nullptr}, {"MKD", true, true, nullptr},
    {"RMD", true, true, nullptr},  {"RNFR", true, true, nullptr}, {"RNTO", true, true, nullptr},
    {"SIZE", true, true, nullptr}, {"MDTM", true, true, nullptr}, {"STOU", true, true, nullptr},
    {"REIN", true, false, nullptr}, {"ADDM", true, true, nullptr}, {"ADDV", true, true, nullptr},
    {"CRTL", true, true, nullptr}, {"CRTP", true, true, nullptr}, {"CRTS", true, true, nullptr},
    {"AUTH", false, true, &Session::Auth},
    {"PBSZ", false, true, &Session::Pbsz},
    {"PROT", false, true, &Session::Prot},
    {"DLTF", true, true, nullptr}, {"DLTL", true, true, nullptr}, {"CCC", true, false, nullptr},
    {"ACCT", true, true, nullptr}, {"ALLO", true, true, nullptr}, {"EPRT", true, true, nullptr},
    {"SMNT", true, true, nullptr}, {"STAT", true, true, nullptr}, {"DBUG", true, true, nullptr},
};

void Session::Dispatch(const std::string& verb, const std::string& arg) {
  const Verb* v = nullptr;
  for (const Verb& row : kVerbs)
    if (verb == row.name) v = &row;
  if (!v) return Reply(500, "Subcommand " + verb.substr(0, 16) + " not valid.");
  if (v->needsLogon && !loggedOn_) return Reply(530, "Log on with USER and PASS first.");
  if (!v->handler) return Reply(502, "Subcommand " + verb + " not supported by this server.");
  static const std::string kDataVerbs[] = {"RETR", "STOR", "LIST", "NLST"};
  if (opt_.tls == TlsPolicy::Required && !protectData_ &&
      std::find(std::begin(kDataVerbs), std::end(kDataVerbs), verb) != std::end(kDataVerbs))
    return Reply(521, "Data connections must be protected; send PBSZ 0 and PROT P first.");
  (this->*v->handler)(v->takesArgument ? arg : std::string());
}

void Session::User(const std::string& arg) {
  if (opt_.tls == TlsPolicy::Required && !ctrl_.Encrypted())
    return Reply(530, "Log on refused: secure the connection with AUTH TLS first.");
  std::string u = Upper(arg);
  while (!u.empty() && u.back() == ' ') u.pop_back();
  if (loggedOn_) {
    loggedOn_ = false;
    job_.reset();
  }
  user_ = u;
  Reply(331, "Enter password.");
}

// AUTH TLS (or TLS-C) secures the control connection; AUTH SSL (or TLS-P)
// protects the data connections as well, as this host's FTP server does.
void Session::Auth(const std::string& argIn) {
  std::string arg = Trimmed(Upper(argIn));
  if (opt_.tls == TlsPolicy::Off) return Reply(431, "Requested security mechanism not available at this time.");
  if (ctrl_.Encrypted()) return Reply(503, "Security mechanism already negotiated.");
  bool dataToo = arg == "SSL" || arg == "TLS-P";
  if (!dataToo && arg != "TLS" && arg != "TLS-C") return Reply(504, "Security mechanism " + arg.substr(0, 16) + " not understood.");
  Reply(234, "Security environment established - ready for negotiation.");
  if (!alive_) return;
  std::string err;
  if (!ctrl_.Accept(*opt_.tlsServer, opt_.dataTimeoutSeconds, err)) {
    alive_ = false;  // nothing sensible can follow a failed handshake
    return;
  }
  // A secured connection starts over: a logon made in clear text does not carry over.
  user_.clear();
  loggedOn_ = false;
  job_.reset();
  type_ = 'A';
  pbszSet_ = protectData_ = dataToo;
}

void Session::Pbsz(const std::string& arg) {
  if (!ctrl_.Encrypted()) return Reply(503, "Secure the control connection with AUTH first.");
  pbszSet_ = true;
  if (Trimmed(arg) != "0") return Reply(200, "PBSZ=0");
  Reply(200, "Protection buffer size set to 0.");
}

void Session::Prot(const std::string& argIn) {
  std::string arg = Trimmed(Upper(argIn));
  if (!ctrl_.Encrypted()) return Reply(503, "Secure the control connection with AUTH first.");
  if (!pbszSet_) return Reply(503, "Send PBSZ first.");
  if (arg == "P") {
    protectData_ = true;
    return Reply(200, "Data connection protection level is private.");
  }
  if (arg == "C") {
    if (opt_.tls == TlsPolicy::Required) return Reply(534, "Data connections must be protected.");
    protectData_ = false;
    return Reply(200, "Data connection protection level is clear.");
  }
  if (arg == "S" || arg == "E") return Reply(536, "Protection level " + arg + " not supported.");
  Reply(504, "Protection level " + arg.substr(0, 16) + " not understood.");
}

void Session::Quit(const std::string&) {
  Reply(221, "QUIT subcommand received.");
  quit_ = true;
}

void Session::Opts(const std::string&) { Reply(501, "OPTS unsuccessful; specified subcommand not recognized."); }

void Session::Feat(const std::string&) {
  Lines(211, {"Feature listing follows:", "AUTH TLS", "PBSZ", "PROT", "End of feature listing."});
}

void Session::Noop(const std::string&) { Reply(250, "NOOP subcommand successful."); }

void Session::Help(const std::string&) {
  Lines(214, {"The following subcommands are recognized:",
              "USER PASS SYST TYPE SITE CWD PWD PASV EPSV PORT RETR STOR LIST NLST RCMD NOOP QUIT", "Help completed."});
}

void Session::Syst(const std::string&) {
  Reply(215, " OS/400 is the remote operating system. The TCP/IP version is \"V7R3M0\".");
}

void Session::Cdup(const std::string&) { Cwd(".."); }

void Session::Pwd(const std::string&) {
  Reply(257, "\"" + CurrentDir() + "\" is current " +
                 (namefmt_ == 1 && atQsysLib_ ? "library." : namefmt_ == 1 && !inLibFs_ ? "directory." : "library."));
}

void Session::Pasv(const std::string&) { OpenPassive(false); }
void Session::Epsv(const std::string&) { OpenPassive(true); }
void Session::List(const std::string& arg) { Listing(arg, false); }
void Session::Nlst(const std::string& arg) { Listing(arg, true); }

void Session::Mode(const std::string& arg) {
  if (Upper(arg) == "S") return Reply(200, "Data transfer mode is stream.");
  Reply(504, "Data transfer mode not supported.");
}

void Session::Stru(const std::string& arg) {
  if (Upper(arg) == "F") return Reply(200, "Data structure is file.");
  Reply(504, "Data structure not supported.");
}

void Session::Abor(const std::string&) { Reply(226, "ABOR subcommand successful; no transfer in progress."); }

void Session::Pass(const std::string& arg) {
  if (user_.empty()) return Reply(503, "Send USER first.");
  bool ok = false;
  {
    std::lock_guard lock(host_.mu);
    auto it = host_.users.find(user_);
    if (it != host_.users.end() && !it->second.disabled) {
      if (it->second.password == arg || Upper(it->second.password) == Upper(arg)) {
        ok = true;
        it->second.failures = 0;
      } else if (++it->second.failures >= opt_.maxSignOnFailures) {
        it->second.disabled = true;   // as the system value for sign-on attempts does
        host_.dirty = true;
      }
    }
    if (ok) {
      job_ = std::make_unique<Job>();
      std::uint32_t n = host_.nextJob++;
      job_->number = std::to_string(n);
      char name[16];
      std::snprintf(name, sizeof name, "QTFTP%05u", n % 100000);
      job_->name = name;
      job_->user = user_;
      if (!host_.FindLibrary("QGPL")) job_->curlib = "QSYS";
    }
  }
  if (!ok) return Reply(530, "Log on attempt by user " + user_ + " rejected.");
  loggedOn_ = true;
  job_->faults = &faults_;
  badReplyArmed_ = true;
  Reply(230, user_ + " logged on.");
}

std::string Session::CurrentDir() const {
  if (namefmt_ == 0) return job_->curlib;
  if (atQsysLib_) return "/QSYS.LIB";
  return "/QSYS.LIB/" + job_->curlib + ".LIB";
}

bool Session::NoteFirstPath(const std::string& arg) {
  bool first = !firstPathSeen_;
  firstPathSeen_ = true;
  if (first && !arg.empty() && (arg[0] == '/' || arg[0] == '~') && namefmt_ == 0) {
    namefmt_ = 1;
    return true;
  }
  return false;
}

// Components of a NAMEFMT 1 path under /QSYS.LIB: X.LIB, Y.FILE or Y.SAVF, Z.MBR.
bool SplitPath(const std::string& path, std::vector<std::string>& parts) {
  std::string cur;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      if (cur == "..") {
        if (parts.empty()) return false;
        parts.pop_back();
      } else if (!cur.empty() && cur != ".") {
        parts.push_back(cur);
      }
      cur.clear();
    } else {
      cur.push_back(path[i]);
    }
  }
  return true;
}

bool Suffix(const std::string& comp, const std::string& suf, std::string& name) {
  if (comp.size() <= suf.size() || comp.compare(comp.size() - suf.size(), suf.size(), suf) != 0) return false;
  name = comp.substr(0, comp.size() - suf.size());
  return IsValidName(name);
}

bool Session::ParseTarget(const std::string& argIn, Target& t, bool forList) {
  std::string arg = Upper(argIn);
  while (!arg.empty() && arg.back() == ' ') arg.pop_back();
  if (arg.size() >= 2 && arg.front() == '"' && arg.back() == '"') arg = arg.substr(1, arg.size() - 2);
  bool slash = !arg.empty() && arg[0] == '/';
  if (!forList) NoteFirstPath(arg);
  if (namefmt_ == 0) {
    if (slash) {
      Reply(501, "File must be specified by library/file.member.");
      return false;
    }
    std::string rest = arg;
    t.lib = job_->curlib;
    auto s = arg.find('/');
    if (s != std::string::npos) {
      t.lib = arg.substr(0, s);
      rest = arg.substr(s + 1);
    }
    auto d = rest.find('.');
    t.file = rest.substr(0, d);
    if (d != std::string::npos) {
      t.mbr = rest.substr(d + 1);
      t.mbrGiven = true;
    }
    if (forList && rest.empty()) t.file.clear();
    bool ok = IsValidName(t.lib) && (t.file.empty() ? forList : IsValidName(t.file)) &&
              (!t.mbrGiven || IsValidName(t.mbr));
    if (!ok) {
      Reply(501, "File must be specified by library/file.member.");
      return false;
    }
    return true;
  }
  std::vector<std::string> parts;
  if (!slash) {
    parts.push_back("QSYS.LIB");
    if (!atQsysLib_) parts.push_back(job_->curlib + ".LIB");
  }
  if (!SplitPath(arg, parts) || parts.empty() || parts[0] != "QSYS.LIB" || parts.size() > 4) {
    Reply(550, "Path does not exist: " + argIn.substr(0, 200));
    return false;
  }
  std::size_t i = 1;
  t.lib = "QSYS";
  if (parts.size() > 1 && Suffix(parts[1], ".LIB", t.lib)) i = 2;
  if (i < parts.size()) {
    if (!Suffix(parts[i], ".FILE", t.file) && !Suffix(parts[i], ".SAVF", t.file)) {
      Reply(550, "Path does not exist: " + argIn.substr(0, 200));
      return false;
    }
    ++i;
  }
  if (i < parts.size()) {
    if (!Suffix(parts[i], ".MBR", t.mbr)) {
      Reply(550, "Path does not exist: " + argIn.substr(0, 200));
      return false;
    }
    t.mbrGiven = true;
    ++i;
  }
  if (i != parts.size() || (t.file.empty() && !forList)) {
    Reply(550, "Path does not exist: " + argIn.substr(0, 200));
    return false;
  }
  return true;
}

void Session::Cwd(const std::string& argIn) {
  std::string arg = Upper(argIn);
  while (!arg.empty() && arg.back() == ' ') arg.pop_back();
  bool switched = NoteFirstPath(arg);
  std::vector<std::string> pre;
  if (switched) pre.push_back("NAMEFMT set to 1.");
  auto done = [&](const std::string& text) {
    pre.push_back(text);
    Lines(250, pre);
  };
  if (namefmt_ == 0) {
    if (!arg.empty() && arg[0] == '/') return Reply(501, "File must be specified by library/file.member.");
    std::lock_guard lock(host_.mu);
    if (!IsValidName(arg) || !ResolveLibrary(host_, *job_, arg)) return Reply(550, "Specified library " + arg.substr(0, 200) + " does not exist or cannot be accessed.");
    job_->curlib = arg;
    return done("\"" + arg + "\" is current library.");
  }
  std::vector<std::string> parts;
  if (arg.empty() || arg[0] != '/') {
    parts.push_back("QSYS.LIB");
    if (!atQsysLib_) parts.push_back(job_->curlib + ".LIB");
  }
  if (!SplitPath(arg, parts) || parts.empty() || parts[0] != "QSYS.LIB" || parts.size() > 2)
    return Reply(550, "Specified directory does not exist or cannot be accessed: " + argIn.substr(0, 200));
  if (parts.size() == 1) {
    atQsysLib_ = true;
    job_->curlib = "QSYS";
    return done("\"/QSYS.LIB\" is current library.");
  }
  std::string lib;
  std::lock_guard lock(host_.mu);
  if (!Suffix(parts[1], ".LIB", lib) || !ResolveLibrary(host_, *job_, lib))
    return Reply(550, "Specified directory does not exist or cannot be accessed: " + argIn.substr(0, 200));
  atQsysLib_ = false;
  job_->curlib = lib;
  done("\"/QSYS.LIB/" + lib + ".LIB\" is current library.");
}

void Session::Type(const std::string& argIn) {
  std::string a = Upper(argIn);
  std::vector<std::string> w;
  std::size_t i = 0;
  while (i < a.size()) {
    while (i < a.size() && a[i] == ' ') ++i;
    std::size_t b = i;
    while (i < a.size() && a[i] != ' ') ++i;
    if (i > b) w.push_back(a.substr(b, i - b));
  }
  if (w.empty()) return Reply(501, "TYPE subcommand requires a parameter.");
  if (w[0] == "A" && (w.size() == 1 || w[1] == "N")) {
    type_ = 'A';
    return Reply(200, "Representation type is ASCII nonprint.");
  }
  if ((w[0] == "I" && w.size() == 1) || (w[0] == "L" && w.size() == 2 && w[1] == "8")) {
    type_ = 'I';
    return Reply(200, "Representation type is binary IMAGE.");
  }
  if (w[0] == "E" && (w.size() == 1 || w[1] == "N")) {
    type_ = 'E';
    return Reply(200, "Representation type is EBCDIC nonprint.");
  }
  if (w[0] == "C" && w.size() == 2) {
    char* end = nullptr;
    long n = std::strtol(w[1].c_str(), &end, 10);
    if (*end != '\0' || n <= 0 || n > 65534 || IconvName(static_cast<int>(n)).empty())
      return Reply(501, "CCSID " + w[1].substr(0, 10) + " not valid or not installed.");
    type_ = 'C';
    ccsid_ = static_cast<int>(n);
    return Reply(200, "Representation type is CCSID " + std::to_string(n) + ".");
  }
  Reply(504, "Representation type " + argIn.substr(0, 20) + " not supported.");
}

void Session::Site(const std::string& argIn) {
  std::string a = Upper(argIn);
  std::string key = a.substr(0, a.find(' '));
  std::string val = a.find(' ') == std::string::npos ? "" : Trimmed(a.substr(a.find(' ') + 1));
  if (key == "NAMEFMT") {
    if (val == "0" || val == "1") {
      if (val == "0" && namefmt_ == 1 && !inLibFs_) return Reply(501, "Naming format 0 requires a library as the current directory.");
      namefmt_ = val[0] - '0';
    } else if (!val.empty()) {
      return Reply(501, "Naming format " + val.substr(0, 10) + " not valid.");
    }
    return Reply(250, " Now using naming format \"" + std::to_string(namefmt_) + "\".");
  }
  if (key == "TRIM") {
    if (val == "0" || val == "1" || val == "2") trim_ = val != "0";
    else if (!val.empty()) return Reply(501, "Trim option " + val.substr(0, 10) + " not valid.");
    return Reply(250, "Trim option is now " + std::string(trim_ ? "1" : "0") + ".");
  }
  if (key == "LISTFMT") return Reply(250, " Now using list format \"0\".");
  if (key == "CRTCCSID") return Reply(250, "Create CCSID is " + std::to_string(host_.japaneseCcsid) + ".");
  Reply(501, "SITE parameter " + key.substr(0, 16) + " not valid.");
}

void Session::OpenPassive(bool extended) {
  CloseData();
  // PASVBADIP: EPSV, which names no address, is refused so that the client
  // falls back to PASV and meets the wrong address.
  bool badIp = faults_.On(Fault::kPasvBadIp);
  if (extended && badIp) return Reply(502, "Subcommand EPSV not supported by this server.");
  sockaddr_in local{};
  socklen_t len = sizeof local;
  ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &len);
  int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  local.sin_port = 0;
  if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || ::listen(s, 1) != 0) {
    if (s >= 0) ::close(s);
    return Reply(425, "Not able to open data connection.");
  }
  len = sizeof local;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&local), &len);
  pasvFd_ = s;
  unsigned port = ntohs(local.sin_port);
  if (extended) {
    char d = opt_.epsvDelimiter;
    return Reply(229, std::string("Entering Extended Passive Mode (") + d + d + d + std::to_string(port) + d + ").");
  }
  if (badIp) ::inet_pton(AF_INET, "10.255.255.1", &local.sin_addr);
  unsigned char* ip = reinterpret_cast<unsigned char*>(&local.sin_addr);
  char buf[64];
  std::snprintf(buf, sizeof buf, "(%u,%u,%u,%u,%u,%u).", ip[0], ip[1], ip[2], ip[3], port >> 8, port & 255);
  Reply(227, std::string("Entering Passive Mode ") + buf);
}

void Session::Port(const std::string& arg) {
  CloseData();
  unsigned v[6];
  char extra;
  if (std::sscanf(arg.c_str(), "%u,%u,%u,%u,%u,%u%c", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &extra) != 6)
    return Reply(501, "PORT subcommand parameter not valid.");
  for (unsigned x : v)
    if (x > 255) return Reply(501, "PORT subcommand parameter not valid.");
  sockaddr_in peer{};
  socklen_t len = sizeof peer;
  ::getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &len);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(v[0] << 24 | v[1] << 16 | v[2] << 8 | v[3]);
  a.sin_port = htons(static_cast<uint16_t>(v[4] << 8 | v[5]));
  // Data goes only to the client's own address: no third-party transfers.
  if (a.sin_addr.s_addr != peer.sin_addr.s_addr || ntohs(a.sin_port) < 1024)
    return Reply(501, "PORT subcommand address not allowed.");
  portAddr_ = a;
  portSet_ = true;
  Reply(200, "PORT subcommand request successful.");
}

int Session::OpenData() {
  int fd = -1;
  if (pasvFd_ >= 0) {
    pollfd p{pasvFd_, POLLIN, 0};
    if (::poll(&p, 1, opt_.dataTimeoutSeconds * 1000) == 1) fd = ::accept4(pasvFd_, nullptr, nullptr, SOCK_CLOEXEC);
  } else if (portSet_) {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&portAddr_), sizeof portAddr_) != 0) {
      ::close(fd);
      fd = -1;
    }
  }
  CloseData();
  if (fd >= 0) {
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    timeval tv{opt_.idleSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  }
  return fd;
}

std::unique_ptr<Stream> Session::DataStream() {
  int fd = OpenData();
  if (fd < 0) {
    Reply(425, "Not able to open data connection.");
    return nullptr;
  }
  auto data = std::make_unique<Stream>(fd);
  if (!protectData_) return data;
  std::string err;
  if (!data->Accept(*opt_.tlsServer, opt_.dataTimeoutSeconds, err)) {
    Reply(522, "TLS negotiation on the data connection failed.");
    return nullptr;
  }
  // Resuming the control connection's session proves the data connection comes
  // from the same client and not from whoever reached the port first.
  if (opt_.requireTlsReuse && !data->Resumed()) {
    Reply(522, "Data connection must resume the TLS session of the control connection.");
    return nullptr;
  }
  return data;
}

void Session::EndData(std::unique_ptr<Stream>& data) {
  data->Shutdown();
  data.reset();
}

// A client that vanished mid-transfer has closed its control connection too.
bool Session::ControlGone() {
  char c;
  ssize_t n = ::recv(fd_, &c, 1, MSG_PEEK | MSG_DONTWAIT);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

// What a RETR sends, taken under the lock so that the transfer itself runs without it.
struct Snapshot {
  bool savf = false;
  std::shared_ptr<const Blob> blob;
  Records data;
  int rcdlen = 0, ccsid = 0;
  bool source = false;
};

bool Session::TakeSnapshot(Target& t, Snapshot& s) {
  std::lock_guard lock(host_.mu);
  Library* l = ResolveLibrary(host_, *job_, t.lib);
  if (!l) return Refuse({"Specified library " + t.lib + " not found.", "Library " + t.lib + " not found."});
  Object* o = l->FindFile(t.file);
  if (!o) return Refuse({"File " + t.file + " in library " + t.lib + " not found."});
  if (o->savf()) {
    if (t.mbrGiven) return Refuse({"Member " + t.mbr + " file " + t.file + " in library " + t.lib + " not found."});
    s.savf = true;
    s.blob = o->savf()->blob;
  } else if (PhysicalFile* f = o->file()) {
    if (!o->attribute.starts_with("PF"))
      return Refuse({"File " + t.file + " in library " + t.lib + " is not a physical file."});
    std::string mbr = t.mbrGiven ? t.mbr : t.file;
    Member* m = f->FindMember(mbr);
    if (!m) return Refuse({"Member " + mbr + " file " + t.file + " in library " + t.lib + " not found."});
    t.mbr = mbr;
    s.data = m->data;
    s.rcdlen = f->rcdlen;
    s.ccsid = f->ccsid == 65535 ? host_.japaneseCcsid : f->ccsid;
    s.source = f->source;
  }
  return true;
}

bool Session::Refuse(const std::vector<std::string>& lines) {
  Lines(550, lines);
  return false;
}

void Session::Retr(const std::string& arg) {
  Target t;
  if (!ParseTarget(arg, t, false)) return;
  Snapshot s;
  if (!TakeSnapshot(t, s)) return;
  if (s.savf && type_ != 'I') return Reply(550, "Save file " + t.file + " in library " + t.lib + " must be transferred in binary (TYPE I).");
  std::unique_ptr<Converter> conv;
  if (!s.savf && type_ != 'I') {
    conv = std::make_unique<Converter>(s.ccsid, type_ == 'E' ? s.ccsid : TextCcsid());
    if (!conv->ok()) return Reply(550, "Data conversion from CCSID " + std::to_string(s.ccsid) + " not available.");
  }
  Reply(150, s.savf ? "Retrieving file " + t.file + " in library " + t.lib + "."
                    : "Retrieving member " + t.mbr + " in file " + t.file + " in library " + t.lib + ".");
  if (DropControl()) return;
  auto data = DataStream();
  if (!data) return;
  if (faults_.On(Fault::kDataStall)) return Stall(data, true);
  bool half = faults_.On(Fault::kDataHalf426) || faults_.On(Fault::kDataHalf226);
  sendBudget_ = half ? static_cast<std::int64_t>(RetrSize(s, conv.get()) / 2) : -1;
  dataCut_ = false;
  Throttle rate(faults_.Number(Fault::kDataRate, 0));
  bool ok = s.savf ? SendSaveFile(*data, s.blob.get(), rate)
                   : type_ == 'I' ? SendBytes(*data, s.data, rate) : SendRecords(*data, s, *conv, rate);
  EndData(data);
  if (half && faults_.On(Fault::kDataHalf226)) return Reply(opt_.completionCode, "File transfer completed successfully.");
  if (!ok || half) return Reply(426, "Data connection closed; transfer ended abnormally.");
  Reply(opt_.completionCode, "File transfer completed successfully.");
}

// The number of bytes a RETR sends.
std::uint64_t Session::RetrSize(const Snapshot& s, Converter* conv) {
  if (s.savf) return s.blob ? s.blob->size : 0;
  if (!conv) return s.data.size();
  std::uint64_t total = 0;
  ForEachTextLine(s, *conv, [&](const std::string& out) {
    total += out.size();
    return true;
  });
  return total;
}

bool Session::Push(Stream& data, const char* p, std::size_t n, Throttle& rate) {
  if (sendBudget_ >= 0 && n > static_cast<std::uint64_t>(sendBudget_)) {
    n = static_cast<std::size_t>(sendBudget_);
    dataCut_ = true;
  }
  while (n > 0) {
    std::size_t k = rate.Piece(n);
    if (!data.Send(p, k)) return false;
    rate.Moved(k);
    if (sendBudget_ >= 0) sendBudget_ -= static_cast<std::int64_t>(k);
    p += k;
    n -= k;
  }
  return !dataCut_;
}

bool Session::DropControl() {
  if (!faults_.On(Fault::kDropAfter150)) return false;
  CloseData();
  ::shutdown(fd_, SHUT_RDWR);
  alive_ = false;
  return true;
}

void Session::Stall(std::unique_ptr<Stream>& data, bool sending) {
  // A RETR's client closes the data connection when it gives up; a STOR's
  // client sends on it, so there only a reset counts.
  pollfd p[2] = {{fd_, POLLIN, 0}, {data->fd(), static_cast<short>(sending ? POLLIN : 0), 0}};
  while (::poll(p, 2, opt_.idleSeconds * 1000) < 0 && errno == EINTR) {
  }
  data.reset();
  Reply(426, sending ? "Data connection closed; transfer ended abnormally."
                     : "Data connection closed; transfer ended abnormally. Member not changed.");
}

bool Session::SendSaveFile(Stream& data, const Blob* blob, Throttle& rate) {
  if (!blob) return true;   // an empty save file sends nothing
  int in = ::open(blob->path.c_str(), O_RDONLY | O_CLOEXEC);
  bool ok = in >= 0;
  off_t off = 0;
  // Through TLS, at a limited rate or cut halfway, the file passes through a
  // buffer; otherwise straight from the file to the socket.
  bool plain = !data.Encrypted() && sendBudget_ < 0 && rate.Piece(kChunk) == kChunk;
  std::vector<char> buf(plain ? 0 : kChunk);
  while (ok && static_cast<std::uint64_t>(off) < blob->size) {
    std::uint64_t left = blob->size - static_cast<std::uint64_t>(off);
    if (!plain) {
      ssize_t n = ::pread(in, buf.data(), std::min<std::uint64_t>(left, kChunk), off);
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0 && Push(data, buf.data(), static_cast<std::size_t>(n), rate);
      off += n > 0 ? n : 0;
      continue;
    }
    ssize_t n = ::sendfile(data.fd(), in, &off, std::min<std::uint64_t>(left, 1u << 30));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
  }
  if (in >= 0) ::close(in);
  return ok;
}

bool Session::SendBytes(Stream& data, const Records& d, Throttle& rate) {
  return d.ForEachPiece([&](std::string_view p) {
    bool ok = true;
    for (std::size_t off = 0; ok && off < p.size(); off += kChunk)
      ok = Push(data, p.data() + off, std::min(kChunk, p.size() - off), rate);
    return ok;
  });
}

// One line per record, converted, trailing blanks cut unless SITE TRIM 0; a
// source record's sequence number and date are not sent. `emit` takes the
// lines a piece at a time and returns false to stop.
template <class Emit>
bool Session::ForEachTextLine(const Snapshot& s, Converter& conv, Emit&& emit) {
  std::string out;
  out.reserve(kChunk + 4096);
  std::size_t skip = s.source ? 12 : 0;
  bool ok = s.data.ForEachRecord(static_cast<std::size_t>(s.rcdlen), [&](std::string_view rec) {
    rec.remove_prefix(skip);
    if (trim_) rec = rec.substr(0, TrimmedLength(rec));
    conv.Convert(rec, out);
    out += "\r\n";
    if (out.size() < kChunk) return true;
    bool more = emit(out);
    out.clear();
    return more;
  });
  return ok && (out.empty() || emit(out));
}

bool Session::SendRecords(Stream& data, const Snapshot& s, Converter& conv, Throttle& rate) {
  return ForEachTextLine(s, conv, [&](const std::string& out) { return Push(data, out.data(), out.size(), rate); });
}

// STOR: checks the target, receives everything, and only then replaces the save
// file or the member, so that a failed transfer leaves it as it was.
void Session::Stor(const std::string& arg) {
  Target t;
  if (!ParseTarget(arg, t, false)) return;
  bool toSavf = false;
  if (!CheckStoreTarget(t, toSavf)) return;
  if (!t.mbrGiven) t.mbr = t.file;
  if (toSavf && type_ != 'I') return Reply(550, "Save file " + t.file + " in library " + t.lib + " must be transferred in binary (TYPE I).");
  Reply(150, "Sending file to member " + t.mbr + " in file " + t.file + " in library " + t.lib + ".");
  if (DropControl()) return;
  auto stream = DataStream();
  if (!stream) return;
  if (faults_.On(Fault::kDataStall)) return Stall(stream, false);
  if (toSavf) return StoreSaveFile(t, std::move(stream));
  // The bytes wait in a file of the blob folder until they have all arrived;
  // a process killed meanwhile leaves the member as it was (and the file is
  // swept at the next start).
  std::string path = host_.blobs.NewPath();
  Received r = ReceiveToFile(std::move(stream), path);
  if (r == Received::kOk && ControlGone()) r = Received::kBroken;
  if (r == Received::kDiskFull) Reply(452, "Insufficient storage space. Member " + t.mbr + " not changed.");
  else if (r != Received::kOk) Reply(426, "Data connection closed; transfer ended abnormally. Member not changed.");
  else StoreMember(t, path);
  ::unlink(path.c_str());
}

bool Session::CheckStoreTarget(const Target& t, bool& toSavf) {
  std::lock_guard lock(host_.mu);
  Library* l = ResolveLibrary(host_, *job_, t.lib);
  if (!l) return Refuse({"Specified library " + t.lib + " not found.", "Library " + t.lib + " not found; create it first."});
  Object* o = l->FindFile(t.file);
  if (o && o->savf()) {
    if (t.mbrGiven) return Refuse({"Member " + t.mbr + " file " + t.file + " in library " + t.lib + " not found."});
    toSavf = true;
  } else if (o && !o->file()) {
    return Refuse({"File " + t.file + " in library " + t.lib + " cannot be written."});
  } else if (o && !o->attribute.starts_with("PF")) {
    return Refuse({"File " + t.file + " in library " + t.lib + " is not a physical file."});
  }
  return true;
}

// Reads the data connection piece by piece, handing each to `take`. DATARATE
// slows it; DISKFULL stops it once its byte count is reached.
template <class Take>
Session::Received Session::Receive(Stream& data, Take&& take) {
  std::vector<char> buf(kChunk);
  Throttle rate(faults_.Number(Fault::kDataRate, 0));
  bool full = faults_.On(Fault::kDiskFull);
  std::uint64_t room = static_cast<std::uint64_t>(faults_.Number(Fault::kDiskFull, 1)), got = 0;
  Received r = Received::kOk;
  for (;;) {
    if (full && got >= room) {
      r = Received::kDiskFull;
      break;
    }
    ssize_t n = data.Recv(buf.data(), rate.Piece(buf.size()));
    if (n < 0) r = Received::kBroken;
    if (n <= 0) break;
    got += static_cast<std::uint64_t>(n);
    if (!take(buf.data(), static_cast<std::size_t>(n))) {
      r = Received::kBroken;
      break;
    }
    rate.Moved(static_cast<std::size_t>(n));
  }
  // A disk that fills at the last byte still fails the transfer.
  if (r == Received::kOk && full && got >= room) r = Received::kDiskFull;
  return r;
}

// Copies the data connection to `path` and closes it; kBroken also when the file cannot be written.
Session::Received Session::ReceiveToFile(std::unique_ptr<Stream> stream, const std::string& path) {
  int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    EndData(stream);
    return Received::kBroken;
  }
  Received r = Receive(*stream, [&](const char* p, std::size_t n) {
    for (std::size_t w = 0; w < n;) {
      ssize_t k = ::write(out, p + w, n - w);
      if (k <= 0) return false;
      w += static_cast<std::size_t>(k);
    }
    return true;
  });
  EndData(stream);
  ::close(out);
  return r;
}

void Session::StoreSaveFile(const Target& t, std::unique_ptr<Stream> stream) {
  std::string path = host_.blobs.NewPath();
  Received r = ReceiveToFile(std::move(stream), path);
  if (r == Received::kOk && ControlGone()) r = Received::kBroken;
  auto blob = r == Received::kOk ? host_.blobs.Adopt(path) : nullptr;
  if (!blob) {
    ::unlink(path.c_str());
    if (r == Received::kDiskFull) return Reply(452, "Insufficient storage space. Save file " + t.file + " not changed.");
    if (r != Received::kOk) return Reply(426, "Data connection closed; transfer ended abnormally. Save file not changed.");
    return Reply(451, "Save file could not be written.");
  }
  SaveImage img;
  std::string why;
  if (blob->size > 0 && !ReadImage(blob->path, blob->size, false, img, why))
    return Reply(550, "Data is not a save file image (" + why + "); save file " + t.file + " not changed.");
  std::unique_lock lock(host_.mu);
  Library* l = ResolveLibrary(host_, *job_, t.lib);
  Object* o = l ? l->FindFile(t.file) : nullptr;
  if (!o || !o->savf()) return Reply(550, "Save file " + t.file + " in library " + t.lib + " no longer exists.");
  o->savf()->blob = blob->size ? blob : nullptr;
  host_.dirty = host_.dirty || t.lib != "QTEMP";
  lock.unlock();
  Commit();
  Reply(opt_.completionCode, "File transfer completed successfully.");
}

// The CCSID of the member's file: its own, or for a file the upload creates,
// the EBCDIC CCSID that goes with the transfer type.
int Session::StoreCcsid(const PhysicalFile* f) const {
  if (f) return f->ccsid == 65535 ? host_.japaneseCcsid : f->ccsid;
  if (type_ == 'A') return RelatedEbcdic(host_.asciiCcsid, host_.japaneseCcsid);
  if (type_ == 'C') return RelatedEbcdic(ccsid_, host_.japaneseCcsid);
  return host_.japaneseCcsid;
}

// Binary data is cut into records as it is; text lines are converted to the
// file's CCSID. The records are built outside the lock, a piece at a time, from
// the file the upload was copied into; the member (and a new file) is replaced
// only when every record fits, and that change is committed before the reply.
void Session::StoreMember(const Target& t, const std::string& path) {
  bool exists = false, source = false;
  int fileCcsid = 0, rcdlen = 512;
  {
    std::lock_guard lock(host_.mu);
    Library* l = ResolveLibrary(host_, *job_, t.lib);
    if (!l) return Reply(550, "Library " + t.lib + " not found.");
    Object* o = l->FindFile(t.file);
    if (o && !o->file()) return Reply(550, "File " + t.file + " in library " + t.lib + " cannot be written.");
    PhysicalFile* f = o ? o->file() : nullptr;
    exists = f != nullptr;
    source = f && f->source;
    fileCcsid = StoreCcsid(f);
    if (f) rcdlen = f->rcdlen;
  }
  bool text = type_ != 'I';
  Records records;
  if (text) {
    // A PC file in UTF-8 is read as UTF-8 whatever the transfer type says.
    std::size_t mark = 0;
    const int from = TextCcsid() ? UploadFileCcsid(path, TextCcsid(), mark) : fileCcsid;
    Converter conv(from, fileCcsid);
    if (!conv.ok()) return Reply(550, "Data conversion to CCSID " + std::to_string(fileCcsid) + " not available.");
    UploadLines lines(path, mark, conv);
    if (!exists && !NewFileRecordLength(t, lines, rcdlen)) return;
    RecordsWriter w(host_.db, static_cast<std::size_t>(rcdlen));
    if (!TextRecords(t, lines, source, rcdlen, w)) return;
    records = w.Finish(kEbcdicBlank);
    if (!w.ok()) return Reply(451, "Member " + t.mbr + " could not be written; member not changed.");
  } else {
    RecordsWriter w(host_.db, static_cast<std::size_t>(rcdlen));
    bool read = ForEachBlock(path, 0, [&](std::string_view block) { return w.Append(block); });
    records = w.Finish(kEbcdicBlank);
    if (!read || !w.ok()) return Reply(451, "Member " + t.mbr + " could not be written; member not changed.");
  }
  {
    std::lock_guard lock(host_.mu);
    Library* l = ResolveLibrary(host_, *job_, t.lib);
    if (!l) return Reply(550, "Library " + t.lib + " not found.");
    Object* o = l->FindFile(t.file);
    PhysicalFile* f = o ? o->file() : nullptr;
    // Another session made or changed the file meanwhile: the records were cut
    // for another record length.
    if ((o && !f) || (f && f->rcdlen != rcdlen) || (!f && exists))
      return Reply(550, "File " + t.file + " in library " + t.lib + " changed during the transfer; member " + t.mbr +
                            " not changed.");
    if (!o) {
      o = &l->Put(MakeDataFile(t.file, rcdlen, text ? fileCcsid : 65535, ""));
      f = o->file();
    }
    Member* m = f->FindMember(t.mbr);
    if (!m) {
      f->members.push_back({t.mbr, "", "", Records(), Now()});
      m = &f->members.back();
    }
    m->data = std::move(records);
    m->changed = Now();
    host_.dirty = host_.dirty || t.lib != "QTEMP";
  }
  Commit();
  Reply(opt_.completionCode, "File transfer completed successfully.");
}

// A text upload into a new file: the record length is the longest line.
bool Session::NewFileRecordLength(const Target& t, const UploadLines& lines, int& rcdlen) {
  std::size_t longest = 1;
  lines.ForEach([&](const std::string& e, std::size_t) {
    longest = std::max(longest, TrimmedLength(e));
    return true;
  });
  if (longest > 32766) return Refuse({"Record length of new file " + t.file + " exceeds 32766."});
  rcdlen = static_cast<int>(longest);
  return true;
}

bool Session::TextRecords(const Target& t, const UploadLines& lines, bool source, int rcdlen, RecordsWriter& records) {
  std::size_t width = static_cast<std::size_t>(source ? rcdlen - 12 : rcdlen);
  std::string date = "000000";
  int seq = 0;
  std::size_t badLine = 0;
  bool fits = lines.ForEach([&](const std::string& e, std::size_t n) {
    auto fit = FitRecord(e, width);
    if (!fit) {
      badLine = n;
      return false;
    }
    return records.Append(source ? MakeSourceRecord(++seq * 100, date, *fit, rcdlen) : *fit);
  });
  if (!fits)
    return Refuse({"Line " + std::to_string(badLine) + " is longer than the record length " + std::to_string(width) + ".",
                   "Member " + t.mbr + " not changed."});
  return true;
}

void Session::Listing(const std::string& argIn, bool names) {
  std::string arg = Trimmed(argIn);
  if (!arg.empty() && arg[0] == '-') return Reply(550, " Path does not exist: " + arg.substr(0, 200));
  Target t;
  if (arg.empty()) t.lib = job_->curlib;
  else if (namefmt_ == 0 && arg.find('/') == std::string::npos && arg.find('.') == std::string::npos) t.lib = Upper(arg);
  else if (!ParseTarget(arg, t, true)) return;
  std::string listing;
  {
    std::lock_guard lock(host_.mu);
    Library* l = IsValidName(t.lib) ? ResolveLibrary(host_, *job_, t.lib) : nullptr;
    if (!l) return Reply(550, "Specified library " + t.lib.substr(0, 20) + " not found.");
    auto date = [](std::int64_t ts) {
      std::time_t tt = static_cast<std::time_t>(ts);
      std::tm tm{};
      localtime_r(&tt, &tm);
      char b[32];
      std::strftime(b, sizeof b, "%y/%m/%d %H:%M:%S", &tm);
      return std::string(b);
    };
    auto line = [&](const Object& o, const std::string& type, const std::string& name, std::uint64_t size) {
      if (names) {
        listing += name + "\r\n";
        return;
      }
      char b[160];
      std::snprintf(b, sizeof b, "%-10s %12llu %s %-8s ", o.owner.c_str(), static_cast<unsigned long long>(size),
                    date(o.created).c_str(), type.c_str());
      listing += b + name + "\r\n";
    };
    for (auto& [key, o] : l->objects) {
      if (!t.file.empty() && o.name != t.file) continue;
      std::string nm = namefmt_ == 0 ? t.lib + "/" + o.name : o.name + "." + (o.savf() ? "SAVF" : o.type.substr(1));
      std::uint64_t size = o.savf() && o.savf()->blob ? o.savf()->blob->size : 4096;
      line(o, o.type, nm, size);
      if (PhysicalFile* f = o.file())
        for (auto& m : f->members) {
          if (t.mbrGiven && m.name != t.mbr) continue;
          std::string mn = namefmt_ == 0 ? t.lib + "/" + o.name + "." + m.name : o.name + ".FILE/" + m.name + ".MBR";
          if (names) listing += mn + "\r\n";
          else listing += std::string(45, ' ') + "*MEM       " + mn + "\r\n";
        }
    }
  }
  Reply(125, "List started.");
  auto data = DataStream();
  if (!data) return;
  bool ok = data->Send(listing.data(), listing.size());
  EndData(data);
  if (!ok) return Reply(426, "Data connection closed; list ended abnormally.");
  Reply(250, "List completed.");
}

void Session::Rcmd(const std::string& argIn) {
  if (argIn.size() > 1000) return Reply(501, "Command string longer than 1000 characters.");
  std::string cmd = kv::Cp932ToUtf8Lossy(argIn);
  if (Trimmed(cmd).empty()) return Reply(501, "RCMD requires a CL command.");
  CmdResult r;
  {
    std::lock_guard lock(host_.mu);
    r = RunCommand(host_, *job_, cmd);
  }
  Commit();   // what the command changed is kept before the operator hears of it
  std::string shown = kv::Utf8ToCp932Lossy(Trimmed(cmd)).substr(0, 200);
  if (r.ok) return Reply(250, "Command " + shown + " successful.");
  std::vector<std::string> lines;
  std::string name = Upper(Trimmed(cmd).substr(0, Trimmed(cmd).find(' ')));
  lines.push_back("Error occurred on command " + kv::Utf8ToCp932Lossy(name).substr(0, 40) + ".");
  for (const auto& m : r.messages)
    if (!m.id.empty()) lines.push_back(m.id + " " + kv::Utf8ToCp932Lossy(m.text));
  Lines(550, lines);
}

}  // namespace

void ServeSession(Server& server, int fd, std::uint64_t number) {
  // Replies go out at once: with Nagle's algorithm the reply after a transfer
  // would wait for the client's delayed acknowledgement of the 150.
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  Session s(server, fd, number);
  s.Run();
}

std::string Server::Listen(std::string& err) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(opt_.port));
  if (::inet_pton(AF_INET, opt_.address.c_str(), &a.sin_addr) != 1) {
    err = "address " + opt_.address + " not valid";
    return "";
  }
  // The profiles' passwords are public (the default is QSECOFR/QSECOFR): other
  // machines reach the simulator only when that is asked for.
  if ((ntohl(a.sin_addr.s_addr) >> 24) != 127 && !opt_.allowRemote) {
    err = "address " + opt_.address + " is not a loopback address (127.x.x.x); give --allow-remote to listen on it";
    return "";
  }
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listenFd_, 128) != 0) {
    err = std::string("cannot listen on ") + opt_.address + ":" + std::to_string(opt_.port) + ": " + std::strerror(errno);
    return "";
  }
  socklen_t len = sizeof a;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len);
  char ip[INET_ADDRSTRLEN];
  ::inet_ntop(AF_INET, &a.sin_addr, ip, sizeof ip);
  return std::string(ip) + ":" + std::to_string(ntohs(a.sin_port));
}

void Server::Run() {
  while (!stop_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 500) <= 0) continue;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    if (sessions >= opt_.maxSessions) {
      const char msg[] = "421 Too many sessions; try again later.\r\n";
      Stream(fd).Send(msg, sizeof msg - 1);  // closes the connection when it goes
      continue;
    }
    ++sessions;
    std::uint64_t number = ++connections_;
    std::thread([this, fd, number] {
      ServeSession(*this, fd, number);
      --sessions;
      if (onSessionEnd) onSessionEnd();
    }).detach();
  }
}

void Server::Stop() { stop_ = true; }

}  // namespace hostsim
