#include "ftp/control.h"

namespace kv::ftp {

NetResult ControlChannel::Send(const std::string& command, bool secret, int timeoutMs) {
  console_.Sent(command, secret);
  std::string line = command + "\r\n";
  return socket_.SendAll(line.data(), line.size(), timeoutMs);
}

ReplyResult ControlChannel::Read(int timeoutMs) {
  ReplyParser parser;
  ReplyResult result;
  for (;;) {
    std::size_t end = buffer_.find('\n');
    if (end == std::string::npos) {
      if (buffer_.size() > kMaxLine) {
        result.status = ReplyStatus::Malformed;
        result.message = "reply line longer than " + std::to_string(kMaxLine) + " bytes";
        return result;
      }
      char chunk[4096];
      NetResult r = socket_.Receive(chunk, sizeof chunk, timeoutMs);
      if (r.Ok()) {
        buffer_.append(chunk, r.bytes);
        continue;
      }
      result.status = r.status == NetStatus::Timeout  ? ReplyStatus::Timeout
                      : r.status == NetStatus::Closed ? ReplyStatus::Closed
                                                      : ReplyStatus::Error;
      result.message = r.message;
      return result;
    }
    std::string line = buffer_.substr(0, end);
    buffer_.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ReplyParser::State state = parser.AddLine(line);
    if (state == ReplyParser::State::Malformed) {
      result.status = ReplyStatus::Malformed;
      result.message = parser.Error();
      console_.ReplyLine(line);
      return result;
    }
    console_.ReplyLine(line);
    if (state == ReplyParser::State::Done) {
      result.reply = parser.Result();
      return result;
    }
  }
}

void ControlChannel::Close() {
  socket_.Close();
  buffer_.clear();
}

}  // namespace kv::ftp
