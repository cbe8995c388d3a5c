// The FTP client's reply reader: server lines assembled into replies. A reply it
// accepts has a code 100..599 and starts with that code; a multi-line one ends
// with the same code and a blank; nothing runs past the line limit.
#include <string>

#include "ftp/reply.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using kv::ftp::ReplyParser;
  ReplyParser parser;
  for (std::string_view line : kv::fuzz::Split(kv::fuzz::Bytes(data, size), '\n')) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    switch (parser.AddLine(line)) {
      case ReplyParser::State::NeedMore:
        break;
      case ReplyParser::State::Done: {
        const auto& r = parser.Result();
        if (r.code < 100 || r.code > 599 || r.lines.empty()) kv::fuzz::Fail("reply without a valid code");
        if (kv::ftp::LeadingCode(r.lines.front()) != r.code) kv::fuzz::Fail("first line does not carry the code");
        char sep = 0;
        if (r.lines.size() > 1 && (kv::ftp::LeadingCode(r.lines.back(), &sep) != r.code || sep != ' '))
          kv::fuzz::Fail("multi-line reply ended by another line");
        if (r.lines.size() > ReplyParser::kMaxLines) kv::fuzz::Fail("reply over the line limit");
        (void)r.Text();
        parser.Reset();
        break;
      }
      case ReplyParser::State::Malformed:
        if (parser.Error().empty()) kv::fuzz::Fail("malformed reply without a reason");
        parser.Reset();
        break;
    }
  }
  return 0;
}
