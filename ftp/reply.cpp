#include "ftp/reply.h"

namespace kv::ftp {

std::string Reply::Text() const {
  std::string text;
  for (const auto& line : lines) {
    if (!text.empty()) text += ' ';
    text += line;
  }
  return text;
}

int LeadingCode(std::string_view line, char* separator) {
  if (line.size() < 3) return 0;
  for (int i = 0; i < 3; ++i)
    if (line[i] < '0' || line[i] > '9') return 0;
  if (line[0] < '1' || line[0] > '5') return 0;
  char sep = line.size() > 3 ? line[3] : ' ';
  if (sep != ' ' && sep != '-') return 0;
  if (separator) *separator = sep;
  return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

void ReplyParser::Reset() {
  reply_ = Reply{};
  error_.clear();
  multiLine_ = false;
  state_ = State::NeedMore;
}

ReplyParser::State ReplyParser::AddLine(std::string_view line) {
  if (state_ != State::NeedMore) return state_;
  if (reply_.lines.size() >= kMaxLines) {
    error_ = "reply longer than " + std::to_string(kMaxLines) + " lines";
    return state_ = State::Malformed;
  }
  char sep = ' ';
  int code = LeadingCode(line, &sep);
  if (reply_.lines.empty()) {
    if (code == 0) {
      error_ = "reply does not start with a reply code";
      return state_ = State::Malformed;
    }
    reply_.code = code;
    reply_.lines.emplace_back(line);
    multiLine_ = sep == '-';
    return state_ = multiLine_ ? State::NeedMore : State::Done;
  }
  // Inside a multi-line reply any text may appear; only "<same code><blank>" ends it.
  reply_.lines.emplace_back(line);
  if (code == reply_.code && sep == ' ') return state_ = State::Done;
  return state_;
}

}  // namespace kv::ftp
