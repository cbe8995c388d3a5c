// One FTP session: the control connection, the logon and the state that later
// commands depend on (transfer type, data-connection mode).
#pragma once
#include <optional>
#include <string>

#include "ftp/console.h"
#include "ftp/control.h"
#include "ftp/options.h"
#include "ftp/reply.h"

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

  // Connects and reads the greeting; kOk or kConnectFailed (message printed).
  int Open(const std::string& host, int port);

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
  bool hashMarks = false;  // "#" for every kHashBlock bytes moved
  bool epsvRefused = false;

 private:
  void Lost(const ReplyResult& why, int timeoutSeconds);
  // Sends one command line; false when it could not be sent (the session has
  // then printed why and closed the connection).
  bool Send(const std::string& command, bool secret);

  std::string host_;
  bool hostLost_ = false;
};

}  // namespace kv::ftp
