// One FTP session: the control connection, the logon and the state that later
// commands depend on (transfer type, data-connection mode).
#pragma once
#include <memory>
#include <optional>
#include <string>

#include "ftp/console.h"
#include "ftp/control.h"
#include "ftp/options.h"
#include "ftp/reply.h"
#include "ftp/tls.h"

namespace kv::ftp {

class Session {
  Console& console_;
  Options options_;
  ControlChannel control_;

 public:
  Session(Console& console, const Options& options);

  Console& Out() { return console_; }
  const Options& Opts() const { return options_; }
  ControlChannel& Control() { return control_; }
  bool IsConnected() const { return control_.IsOpen(); }
  const std::string& HostName() const { return host_; }
  // True once the host stopped answering: the run ends.
  bool HostLost() const { return hostLost_; }

  // Connects and reads the greeting, securing the connection first when TLS is
  // on; kOk, kConnectFailed, or kNotSecure when TLS is required and could not be
  // had (the connection is then closed before anything about the logon is sent).
  int Open(const std::string& host, int port);
  // The port "open" uses when the script names none: 990 for implicit TLS, else 21.
  int DefaultPort() const;
  // Secures a data connection when the session protects its data; kOk or kCommandFailed.
  int SecureData(Socket& data);

  enum class UserStep { LoggedIn, NeedPassword, Failed };
  UserStep User(const std::string& name);
  bool Pass(const std::string& password);

  // Sends a command and reads replies until the final one. Nothing when the
  // connection failed; the session has then printed why and closed it.
  std::optional<Reply> Exchange(const std::string& command, bool secret = false);
  // Sends a command and reads exactly one reply (a transfer command's first answer).
  std::optional<Reply> Request(const std::string& command);
  // Reads one reply, waiting at most `timeoutSeconds` (0 = no limit) for each byte.
  std::optional<Reply> ReadReply(int timeoutSeconds);
  // QUIT when connected, then closes.
  int Quit();

  int ConnectTimeoutMs() const { return options_.connectTimeout * 1000; }
  int DataTimeoutMs() const { return options_.dataTimeout * 1000; }

  // Data in text form (CR LF line ends) unless the last type set was binary.
  bool textMode = true;
  bool passive = true;
  bool epsvRefused = false;

 private:
  void Lost(const ReplyResult& why, int timeoutSeconds);
  // The TLS steps of Open: the handshake on the control connection, and AUTH TLS
  // before it or PBSZ 0 / PROT P after it.
  int SecureControl();
  int StartExplicitTls();
  int ProtectData();
  int NotSecure(const std::string& why);
  // Sends one command line; false when it could not be sent (the session has
  // then printed why and closed the connection).
  bool Send(const std::string& command, bool secret);

  std::string host_;
  bool hostLost_ = false;
  std::unique_ptr<TlsClient> tls_;
  bool protectData_ = false;  // PROT P in force: every data connection is TLS
};

}  // namespace kv::ftp
