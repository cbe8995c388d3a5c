#include "ftp/session.h"

namespace kv::ftp {

Session::Session(Console& console, const Options& options)
    : console_(console), options_(options), control_(console), passive(options.passive) {}

int Session::Open(const std::string& host, int port) {
  NetResult r = control_.Sock().Connect(host, port, ConnectTimeoutMs());
  if (!r.Ok()) {
    if (r.status == NetStatus::UnknownHost)
      console_.MessageWith("Unknown host ", host, ".");
    else if (r.status == NetStatus::Timeout)
      console_.Message("> ftp: connect :Connection timed out (no answer within " +
                       std::to_string(options_.connectTimeout) + " seconds)");
    else
      console_.Message("> ftp: connect :" + r.message);
    control_.Close();
    return exitcode::kConnectFailed;
  }
  control_.Sock().SetKeepAlive();
  host_ = host;
  console_.MessageWith("Connected to ", host, ".");
  protectData_ = false;
  const TlsMode mode = options_.tls.mode;
  if (mode == TlsMode::Implicit) {
    int status = SecureControl();
    if (status != exitcode::kOk) return status;
  }
  // The greeting may come after a 120 "service ready in n minutes".
  std::optional<Reply> greeting;
  do {
    greeting = ReadReply(options_.connectTimeout);
  } while (greeting && greeting->Kind() == 1);
  if (!greeting) return exitcode::kConnectFailed;
  if (greeting->code != 220) {
    control_.Close();
    return exitcode::kConnectFailed;
  }
  if (mode == TlsMode::Explicit) {
    int status = StartExplicitTls();
    if (status != exitcode::kOk) return status;
  }
  if (mode != TlsMode::Off) {
    int status = ProtectData();
    if (status != exitcode::kOk) return status;
  }
  textMode = true;
  epsvRefused = false;
  return exitcode::kOk;
}

int Session::DefaultPort() const { return options_.tls.mode == TlsMode::Implicit ? 990 : 21; }

int Session::NotSecure(const std::string& why) {
  console_.Message("ftp: no secure connection to " + host_ + ": " + why + "; not logging on.");
  control_.Close();
  return exitcode::kNotSecure;
}

int Session::SecureControl() {
  std::string error;
  tls_ = MakeTlsClient(options_.tls.trust, error);
  if (!tls_) return NotSecure(error);
  TlsOutcome outcome = tls_->Secure(control_.Sock(), host_, false, ConnectTimeoutMs());
  if (!outcome.Ok()) return NotSecure(outcome.message);
  return exitcode::kOk;
}

int Session::StartExplicitTls() {
  auto reply = Exchange("AUTH TLS");
  if (!reply) return exitcode::kNotSecure;
  if (reply->code != 234)
    return NotSecure("the host does not offer TLS (AUTH TLS answered " + std::to_string(reply->code) + ")");
  return SecureControl();
}

int Session::ProtectData() {
  // TLS changes nothing about buffering (PBSZ 0) but the protocol wants it before
  // PROT. On an implicit connection the host may already protect the data and
  // refuse both; the data connections are secured either way.
  const bool required = options_.tls.mode == TlsMode::Explicit;
  for (const char* command : {"PBSZ 0", "PROT P"}) {
    auto reply = Exchange(command);
    if (!reply) return exitcode::kNotSecure;
    if (required && !reply->Completed())
      return NotSecure(std::string("the host refused to protect the data connections (") + command + " answered " +
                       std::to_string(reply->code) + ")");
  }
  protectData_ = true;
  return exitcode::kOk;
}

int Session::SecureData(Socket& data) {
  if (!protectData_) return exitcode::kOk;
  TlsOutcome outcome = tls_->Secure(data, host_, true, DataTimeoutMs() ? DataTimeoutMs() : ConnectTimeoutMs());
  if (outcome.Ok()) return exitcode::kOk;
  console_.Message("ftp: TLS on the data connection failed: " + outcome.message + ".");
  data.Close();
  return exitcode::kCommandFailed;
}

Session::UserStep Session::User(const std::string& name) {
  auto reply = Exchange("USER " + name);
  if (!reply) return UserStep::Failed;
  if (reply->code == 230 || reply->code == 202) return UserStep::LoggedIn;
  if (reply->code == 331) return UserStep::NeedPassword;
  console_.Message("Login failed.");
  return UserStep::Failed;
}

bool Session::Pass(const std::string& password) {
  auto reply = Exchange("PASS " + password, true);
  if (!reply) return false;
  if (reply->code == 230 || reply->code == 202) return true;
  // An account (332) is never supplied by the scripts: that counts as a failed logon.
  console_.Message("Login failed.");
  return false;
}

void Session::Lost(const ReplyResult& why, int timeoutSeconds) {
  switch (why.status) {
    case ReplyStatus::Timeout:
      console_.Message("ftp: the host did not answer within " + std::to_string(timeoutSeconds) +
                       " seconds; connection closed.");
      hostLost_ = true;
      break;
    case ReplyStatus::Closed:
      console_.Message("Connection closed by remote host.");
      break;
    case ReplyStatus::Malformed:
      console_.Message("ftp: malformed reply from the host (" + why.message + "); connection closed.");
      break;
    default:
      console_.Message("ftp: control connection failed (" + why.message + "); connection closed.");
      break;
  }
  control_.Close();
}

std::optional<Reply> Session::ReadReply(int timeoutSeconds) {
  ReplyResult r = control_.Read(timeoutSeconds * 1000);
  if (!r.Ok()) {
    Lost(r, timeoutSeconds);
    return std::nullopt;
  }
  // 421: the server is closing the control connection.
  if (r.reply.code == 421) control_.Close();
  return r.reply;
}

bool Session::Send(const std::string& command, bool secret) {
  NetResult sent = control_.Send(command, secret, options_.replyTimeout * 1000);
  if (sent.Ok()) return true;
  ReplyResult why;
  why.status = sent.status == NetStatus::Timeout ? ReplyStatus::Timeout : ReplyStatus::Closed;
  why.message = sent.message;
  Lost(why, options_.replyTimeout);
  return false;
}

std::optional<Reply> Session::Request(const std::string& command) {
  if (!Send(command, false)) return std::nullopt;
  return ReadReply(options_.replyTimeout);
}

std::optional<Reply> Session::Exchange(const std::string& command, bool secret) {
  if (!Send(command, secret)) return std::nullopt;
  std::optional<Reply> reply;
  do {
    reply = ReadReply(options_.replyTimeout);
  } while (reply && reply->Kind() == 1 && control_.IsOpen());
  return reply;
}

int Session::Quit() {
  if (!IsConnected()) return exitcode::kOk;
  // A short wait: the session ends either way.
  NetResult sent = control_.Send("QUIT", false, 10000);
  int status = exitcode::kOk;
  if (sent.Ok()) {
    ReplyResult r = control_.Read(options_.replyTimeout < 30 ? options_.replyTimeout * 1000 : 30000);
    if (!r.Ok() && r.status != ReplyStatus::Closed) status = exitcode::kHostLost;
    control_.Sock().ShutdownSend(1000);
  }
  control_.Close();
  return status;
}

}  // namespace kv::ftp
