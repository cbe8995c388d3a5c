#include "common/cp932.h"

#include <iconv.h>

#include <cerrno>

namespace kv {
namespace {

// Converts with iconv; `lossy` replaces each unconvertible sequence by '?'.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in, bool lossy) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  out.reserve(in.size() * 2 + 8);
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char buf[4096];
  bool ok = true;
  while (srcLeft > 0) {
    char* dst = buf;
    std::size_t dstLeft = sizeof buf;
    std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, static_cast<std::size_t>(dst - buf));
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      if (!lossy) { ok = false; break; }
      // EILSEQ or EINVAL: skip one input byte (a whole character for UTF-8 input).
      out.push_back('?');
      std::size_t skip = 1;
      if (std::string_view(from) == "UTF-8") {
        while (skip < srcLeft && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80) ++skip;
      }
      src += skip;
      srcLeft -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view s) { return Convert("UTF-8", "CP932", s, false); }
std::optional<std::string> Utf8ToCp932(std::string_view s) {
  // iconv also takes a few characters that code page 932 has no form of its own
  // for (U+00A2 CENT SIGN becomes the code of U+FFE0 FULLWIDTH CENT SIGN): text
  // that does not read back as it was has not been converted.
  auto cp932 = Convert("CP932", "UTF-8", s, false);
  if (!cp932 || Convert("UTF-8", "CP932", *cp932, false) != s) return std::nullopt;
  return cp932;
}
std::string Cp932ToUtf8Lossy(std::string_view s) { return Convert("UTF-8", "CP932", s, true).value_or(""); }
std::string Utf8ToCp932Lossy(std::string_view s) { return Convert("CP932", "UTF-8", s, true).value_or(""); }

}  // namespace kv
