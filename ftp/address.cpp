#include "ftp/address.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace kv::ftp {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number of at most `maxDigits` digits at `pos`.
std::optional<long> Number(std::string_view s, std::size_t& pos, int maxDigits) {
  std::size_t start = pos;
  long value = 0;
  while (pos < s.size() && IsDigit(s[pos])) {
    if (static_cast<int>(pos - start) >= maxDigits) return std::nullopt;
    value = value * 10 + (s[pos] - '0');
    ++pos;
  }
  if (pos == start) return std::nullopt;
  return value;
}

}  // namespace

std::string AddressText(const Endpoint& e) {
  const unsigned char* b = e.bytes;
  auto dotted = [](const unsigned char* q) {
    return std::to_string(q[0]) + "." + std::to_string(q[1]) + "." + std::to_string(q[2]) + "." + std::to_string(q[3]);
  };
  if (!e.ipv6) return dotted(b);
  static const unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
  if (std::equal(kMapped, kMapped + 12, b)) return "::ffff:" + dotted(b + 12);
  unsigned group[8];
  for (int i = 0; i < 8; ++i) group[i] = (b[2 * i] << 8) | b[2 * i + 1];
  // The longest run of two or more zero groups (the first of equal runs) becomes "::".
  int bestStart = -1, bestLen = 1;
  for (int i = 0; i < 8;) {
    int j = i;
    while (j < 8 && group[j] == 0) ++j;
    if (j - i > bestLen) bestStart = i, bestLen = j - i;
    i = j > i ? j : i + 1;
  }
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (int i = 0; i < 8; ++i) {
    if (i == bestStart) {
      text += "::";
      i += bestLen - 1;
      continue;
    }
    if (!text.empty() && text.back() != ':') text += ':';
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
      unsigned digit = (group[i] >> shift) & 0xf;
      if (digit || started || shift == 0) text += kHex[digit], started = true;
    }
  }
  return text;
}

std::optional<PassiveAddress> ParsePasv(std::string_view text) {
  // Skip the reply code, then try every place where six comma-separated numbers start.
  std::size_t from = text.size() > 3 ? 4 : text.size();
  for (std::size_t start = from; start < text.size(); ++start) {
    if (!IsDigit(text[start]) || (start > 0 && IsDigit(text[start - 1]))) continue;
    std::size_t pos = start;
    std::vector<long> n;
    while (n.size() < 6) {
      auto v = Number(text, pos, 3);
      if (!v || *v > 255) break;
      n.push_back(*v);
      if (n.size() < 6) {
        if (pos >= text.size() || text[pos] != ',') break;
        ++pos;
      }
    }
    if (n.size() != 6) continue;
    if (pos < text.size() && IsDigit(text[pos])) continue;
    PassiveAddress a;
    a.host = std::to_string(n[0]) + "." + std::to_string(n[1]) + "." + std::to_string(n[2]) + "." +
             std::to_string(n[3]);
    a.port = static_cast<int>(n[4] * 256 + n[5]);
    if (a.port == 0) return std::nullopt;
    return a;
  }
  return std::nullopt;
}

std::optional<int> ParseEpsv(std::string_view text) {
  std::size_t open = text.find('(');
  if (open == std::string_view::npos || open + 1 >= text.size()) return std::nullopt;
  char d = text[open + 1];
  // RFC 2428: the delimiter is a printable character other than a digit.
  if (d < 33 || d > 126 || IsDigit(d)) return std::nullopt;
  std::size_t pos = open + 1;
  if (text.substr(pos, 3) != std::string(3, d)) return std::nullopt;
  pos += 3;
  auto port = Number(text, pos, 5);
  if (!port || *port < 1 || *port > 65535) return std::nullopt;
  if (pos + 1 >= text.size() || text[pos] != d || text[pos + 1] != ')') return std::nullopt;
  return static_cast<int>(*port);
}

std::optional<std::string> FormatPortArgument(const std::string& ipv4, int port) {
  if (port < 1 || port > 65535) return std::nullopt;
  std::string out;
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    auto v = Number(ipv4, pos, 3);
    if (!v || *v > 255) return std::nullopt;
    out += std::to_string(*v) + ",";
    if (i < 3) {
      if (pos >= ipv4.size() || ipv4[pos] != '.') return std::nullopt;
      ++pos;
    }
  }
  if (pos != ipv4.size()) return std::nullopt;
  return out + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

std::string FormatEprtArgument(const std::string& address, bool ipv6, int port) {
  return std::string("|") + (ipv6 ? "2" : "1") + "|" + address + "|" + std::to_string(port) + "|";
}

std::optional<std::uint64_t> AnnouncedSize(std::string_view text) {
  std::size_t at = text.rfind(" bytes)");
  if (at == std::string_view::npos) return std::nullopt;
  std::size_t start = at;
  while (start > 0 && IsDigit(text[start - 1])) --start;
  if (start == at || start == 0 || text[start - 1] != '(' || at - start > 19) return std::nullopt;
  std::uint64_t v = 0;
  for (std::size_t i = start; i < at; ++i) v = v * 10 + static_cast<std::uint64_t>(text[i] - '0');
  return v;
}

}  // namespace kv::ftp
