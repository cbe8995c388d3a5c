#include "xls/records.h"

#include <algorithm>

namespace kv::xls {

std::optional<std::vector<Substream>> SplitSubstreams(std::span<const std::uint8_t> s, std::string* error) {
  auto fail = [&](const char* why) -> std::optional<std::vector<Substream>> {
    if (error) *error = why;
    return std::nullopt;
  };
  std::vector<Substream> out;
  std::size_t pos = 0;
  while (s.size() - pos >= 4) {
    if (std::all_of(s.begin() + static_cast<std::ptrdiff_t>(pos), s.end(), [](std::uint8_t b) { return b == 0; })) break;
    if (Get16(s.data() + pos) != rt::BOF) return fail("workbook: a substream does not start with BOF");
    Substream sub;
    sub.offset = static_cast<std::uint32_t>(pos);
    int depth = 0;
    do {
      if (s.size() - pos < 4) return fail("workbook: a substream has no EOF");
      const std::uint16_t type = Get16(s.data() + pos);
      const std::uint16_t len = Get16(s.data() + pos + 2);
      if (s.size() - pos - 4 < len) return fail("workbook: a record runs past the end of the stream");
      const auto* body = s.data() + pos + 4;
      sub.records.push_back({type, Bytes(body, body + len)});
      pos += 4 + static_cast<std::size_t>(len);
      if (type == rt::BOF) ++depth;
      if (type == rt::EOF_) --depth;
    } while (depth > 0);
    out.push_back(std::move(sub));
  }
  if (out.empty()) return fail("workbook: empty stream");
  return out;
}

void AppendRecord(Bytes& out, std::uint16_t type, std::span<const std::uint8_t> data) {
  std::size_t done = 0;
  do {
    const std::size_t n = std::min(kMaxRecordData, data.size() - done);
    Put16(out, done == 0 ? type : rt::CONTINUE);
    Put16(out, static_cast<std::uint32_t>(n));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(done), data.begin() + static_cast<std::ptrdiff_t>(done + n));
    done += n;
  } while (done < data.size());
}

}  // namespace kv::xls
