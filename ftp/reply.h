// Server replies on the control connection (RFC 959 section 4.2): a single line
// "ddd text", or a multi-line reply opened by "ddd-text" and closed by the first
// line that starts with the same code and a blank.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kv::ftp {

struct Reply {
  int code = 0;                     // 100..599
  std::vector<std::string> lines;   // every line as received, without its line end
  int Kind() const { return code / 100; }     // 1 preliminary .. 5 permanent failure
  bool Positive() const { return code >= 100 && code < 400; }
  bool Completed() const { return code >= 200 && code < 300; }
  // The text of all lines joined by blanks (for searching the reply, e.g. "(1234 bytes)").
  std::string Text() const;
};

// Assembles one reply from lines. A line that cannot belong to a reply makes the
// reply malformed: the caller must then stop trusting the connection rather than
// guess where the next reply starts.
class ReplyParser {
 public:
  enum class State { NeedMore, Done, Malformed };

  // Feeds one line without its line end.
  State AddLine(std::string_view line);
  const Reply& Result() const { return reply_; }
  const std::string& Error() const { return error_; }
  void Reset();

  // A reply longer than this many lines is treated as malformed.
  static constexpr std::size_t kMaxLines = 10000;

 private:
  Reply reply_;
  std::string error_;
  bool multiLine_ = false;
  State state_ = State::NeedMore;
};

// Reads the three-digit code at the start of a line; 0 when the line does not start
// with a code 100..599 followed by a blank, a hyphen or the end of the line.
int LeadingCode(std::string_view line, char* separator = nullptr);

}  // namespace kv::ftp
