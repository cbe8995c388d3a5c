#include "common/vbstr.h"

namespace kv {
namespace {

// Byte offset of the character with 0-based index `index`, or s.size() past the end.
std::size_t OffsetOfChar(std::string_view s, std::size_t index) {
  std::size_t pos = 0;
  while (index > 0 && pos < s.size()) {
    ++pos;
    // Skip continuation bytes (10xxxxxx) of the current character.
    while (pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) ++pos;
    --index;
  }
  return pos;
}

}  // namespace

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::size_t Len(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string Mid(std::string_view s, std::size_t start, std::size_t count) {
  if (start == 0) start = 1;
  std::size_t b = OffsetOfChar(s, start - 1);
  std::string_view rest = s.substr(b);
  std::size_t e = OffsetOfChar(rest, count);
  return std::string(rest.substr(0, e));
}

std::string Mid(std::string_view s, std::size_t start) {
  if (start == 0) start = 1;
  return std::string(s.substr(OffsetOfChar(s, start - 1)));
}

std::string Left(std::string_view s, std::size_t count) {
  return std::string(s.substr(0, OffsetOfChar(s, count)));
}

}  // namespace kv
