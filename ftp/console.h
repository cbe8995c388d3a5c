// What the client prints: the command echo, server replies (when verbose),
// transfer statistics and its own messages, in the console's encoding (code page
// 932 bytes on Windows, UTF-8 elsewhere).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "ftp/script.h"

namespace kv::ftp {

class Console {
 public:
  explicit Console(std::FILE* out) : out_(out) {}

  void SetEncoding(TextEncoding e) { encoding_ = e; }
  TextEncoding Encoding() const { return encoding_; }
  void SetVerbose(bool on) { verbose_ = on; }
  bool Verbose() const { return verbose_; }
  void SetDebug(bool on) { debug_ = on; }
  bool Debug() const { return debug_; }

  // "ftp> " and a script line (bytes in the script's encoding).
  void Echo(std::string_view scriptLine);
  // A server reply line (bytes as received); shown only when verbose.
  void ReplyLine(std::string_view line);
  // A command as sent, in debug mode only; `secret` hides its argument.
  void Sent(std::string_view command, bool secret);
  // A message of the client, UTF-8.
  void Message(const std::string& utf8);
  // A message that holds script or server bytes after a UTF-8 prefix.
  void MessageWith(const std::string& utf8Prefix, std::string_view raw, const std::string& utf8Suffix = {});
  // `count` hash marks ("#") on the current line; EndMarks ends that line.
  void Marks(std::size_t count);
  void EndMarks();
  // "ftp: N bytes received in S.SSSeconds R.RRKbytes/sec." (verbose only).
  void Statistics(std::uint64_t bytes, bool received, double seconds);

 private:
  std::string Raw(std::string_view raw) const;
  std::string Text(const std::string& utf8) const;
  void Write(const std::string& bytes);

  std::FILE* out_;
  TextEncoding encoding_ = TextEncoding::Cp932;
  bool verbose_ = true;
  bool debug_ = false;
};

}  // namespace kv::ftp
