// The control connection: commands out, complete replies in, each reply line
// shown as it arrives.
#pragma once
#include <string>

#include "ftp/console.h"
#include "ftp/net.h"
#include "ftp/reply.h"

namespace kv::ftp {

enum class ReplyStatus { Ok, Timeout, Closed, Malformed, Error };

struct ReplyResult {
  ReplyStatus status = ReplyStatus::Ok;
  Reply reply;
  std::string message;  // why there is no reply
  bool Ok() const { return status == ReplyStatus::Ok; }
};

class ControlChannel {
 public:
  explicit ControlChannel(Console& console) : console_(console) {}

  Socket& Sock() { return socket_; }
  bool IsOpen() const { return socket_.IsOpen(); }
  // Sends one command line (CR LF added). `secret` keeps the argument out of the debug echo.
  NetResult Send(const std::string& command, bool secret, int timeoutMs);
  // Reads one complete reply; `timeoutMs` bounds each wait for more bytes.
  ReplyResult Read(int timeoutMs);
  void Close();

  // A reply line longer than this is treated as malformed.
  static constexpr std::size_t kMaxLine = 64 * 1024;

 private:
  Console& console_;
  Socket socket_;
  std::string buffer_;
};

}  // namespace kv::ftp
