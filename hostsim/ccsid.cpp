#include "hostsim/ccsid.h"

#include <cerrno>

namespace hostsim {
namespace {

const iconv_t kBad = reinterpret_cast<iconv_t>(-1);

struct CcsidInfo {
  int ccsid;
  const char* iconvName;
  bool ebcdic;
};

constexpr CcsidInfo kCcsids[] = {
    {37, "IBM037", true},     {273, "IBM273", true},    {277, "IBM277", true},
    {278, "IBM278", true},    {280, "IBM280", true},    {284, "IBM284", true},
    {285, "IBM285", true},    {290, "IBM290", true},    {297, "IBM297", true},
    {500, "IBM500", true},    {930, "IBM930", true},    {939, "IBM939", true},
    {1027, "IBM1027", true},  {1399, "IBM1399", true},  {5026, "IBM930", true},
    {5035, "IBM939", true},   {819, "ISO-8859-1", false}, {367, "ASCII", false},
    {437, "IBM437", false},   {850, "IBM850", false},   {932, "CP932", false},
    {943, "IBM943", false},   {954, "EUC-JP", false},   {1208, "UTF-8", false},
    {1252, "CP1252", false},
};

const CcsidInfo* Find(int ccsid) {
  for (const auto& c : kCcsids)
    if (c.ccsid == ccsid) return &c;
  return nullptr;
}

// Shift-JIS: the first byte of a double-byte character, and the bytes that can end one.
bool IsSjisLead(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool IsSjisTrail(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// Substitute character of a CCSID: SUB (0x3F) in EBCDIC, SUB (0x1A) in ASCII.
char Substitute(int ccsid) { return IsEbcdic(ccsid) ? 0x3F : 0x1A; }

}  // namespace

std::string IconvName(int ccsid) {
  const CcsidInfo* c = Find(ccsid);
  return c ? c->iconvName : "";
}

bool IsEbcdic(int ccsid) {
  if (ccsid == 65535) return true;
  const CcsidInfo* c = Find(ccsid);
  return c && c->ebcdic;
}

int RelatedEbcdic(int pcCcsid, int japaneseDefault) {
  switch (pcCcsid) {
    case 932: case 943: case 954: case 1208: return japaneseDefault;
    default: return IsEbcdic(pcCcsid) ? pcCcsid : 37;
  }
}

namespace {

// Well-formed UTF-8 (no overlong forms, surrogates or values beyond U+10FFFF);
// `beyondAscii` tells whether it holds more than ASCII, `wide` whether it holds
// characters of three or four bytes.
bool IsUtf8(std::string_view s, bool& beyondAscii, bool& wide) {
  beyondAscii = wide = false;
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    beyondAscii = true;
    std::size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    const unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F))
      return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    wide = wide || n > 2;
    i += n;
  }
  return true;
}

// Whether every byte sequence of `s` in `from` is a character of `to`.
bool Converts(std::string_view s, int from, int to) {
  iconv_t cd = iconv_open(IconvName(to).c_str(), IconvName(from).c_str());
  if (cd == kBad) return true;
  char* src = const_cast<char*>(s.data());
  std::size_t left = s.size();
  char buf[4096];
  bool ok = true;
  while (left > 0) {
    char* dst = buf;
    std::size_t room = sizeof buf;
    if (iconv(cd, &src, &left, &dst, &room) == static_cast<std::size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  iconv_close(cd);
  return ok;
}

}  // namespace

int UploadCcsid(std::string_view data, int transferCcsid, std::size_t& markLength) {
  markLength = 0;
  if (IsEbcdic(transferCcsid) || transferCcsid == 1208) return transferCcsid;
  if (data.starts_with("\xEF\xBB\xBF")) {
    markLength = 3;
    return 1208;
  }
  bool beyondAscii = false, wide = false;
  if (IsUtf8(data, beyondAscii, wide) && beyondAscii && (wide || !Converts(data, transferCcsid, 1208))) return 1208;
  return transferCcsid;
}

void UploadCcsidProbe::Feed(std::string_view block) {
  if (IsEbcdic(transfer_) || transfer_ == 1208 || mark_) return;
  if (first_ && block.starts_with("\xEF\xBB\xBF")) mark_ = true;
  first_ = false;
  if (mark_ || !utf8_) return;
  bool beyond = false, wide = false;
  utf8_ = IsUtf8(block, beyond, wide);
  beyondAscii_ = beyondAscii_ || beyond;
  wide_ = wide_ || wide;
  // Only needed when nothing wider than two bytes turns up.
  if (utf8_ && beyond && !wide_ && converts_) converts_ = Converts(block, transfer_, 1208);
}

int UploadCcsidProbe::Result(std::size_t& markLength) const {
  markLength = 0;
  if (IsEbcdic(transfer_) || transfer_ == 1208) return transfer_;
  if (mark_) {
    markLength = 3;
    return 1208;
  }
  return utf8_ && beyondAscii_ && (wide_ || !converts_) ? 1208 : transfer_;
}

Converter::Converter(int fromCcsid, int toCcsid) : from_(fromCcsid), to_(toCcsid) {
  std::string f = IconvName(fromCcsid), t = IconvName(toCcsid);
  fast_ = (f.empty() || t.empty()) ? kBad : iconv_open(t.c_str(), f.c_str());
}

Converter::~Converter() {
  if (fast_ != kBad) iconv_close(fast_);
  if (toUtf8_ != kBad) iconv_close(toUtf8_);
  if (fromUtf8_ != kBad) iconv_close(fromUtf8_);
}

bool Converter::Convert(std::string_view in, std::string& out) {
  if (fast_ == kBad) return false;
  // Each record starts in the single-byte state.
  iconv(fast_, nullptr, nullptr, nullptr, nullptr);
  std::size_t start = out.size();
  out.resize(start + in.size() * 3 + 8);
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char* dst = out.data() + start;
  std::size_t dstLeft = out.size() - start;
  std::size_t r = iconv(fast_, &src, &srcLeft, &dst, &dstLeft);
  if (r != static_cast<std::size_t>(-1)) r = iconv(fast_, nullptr, nullptr, &dst, &dstLeft);
  if (r == static_cast<std::size_t>(-1)) {
    out.resize(start);
    return SlowPath(in, out);
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return true;
}

// Character by character through UTF-8, so that one bad character costs one
// substitute character and the shift state of the source is kept.
bool Converter::SlowPath(std::string_view in, std::string& out) {
  if (toUtf8_ == kBad) toUtf8_ = iconv_open("UTF-8", IconvName(from_).c_str());
  if (fromUtf8_ == kBad) fromUtf8_ = iconv_open(IconvName(to_).c_str(), "UTF-8");
  if (toUtf8_ == kBad || fromUtf8_ == kBad) return false;
  bool clean = true;
  // Step 1: source to UTF-8, skipping undecodable bytes.
  std::string utf8;
  const bool ebcdicSrc = IsEbcdic(from_);
  bool dbcs = false;
  std::size_t i = 0;
  iconv(toUtf8_, nullptr, nullptr, nullptr, nullptr);
  while (i < in.size()) {
    // The bytes of one character. A byte that cannot continue the character
    // begun before it is not taken: half a character costs one substitute and
    // the next byte (a delimiter, a shift-in) is read on its own.
    std::size_t n = 1;
    const bool hasNext = i + 1 < in.size();
    if (ebcdicSrc) {
      if (in[i] == kShiftOut) { dbcs = true; }
      else if (in[i] == kShiftIn) { dbcs = false; }
      else if (dbcs && hasNext && in[i + 1] != kShiftIn && in[i + 1] != kShiftOut) n = 2;
    } else {
      if ((from_ == 932 || from_ == 943) && IsSjisLead(in[i]) && hasNext && IsSjisTrail(in[i + 1])) n = 2;
      if (from_ == 1208) {
        while (i + n < in.size() && (static_cast<unsigned char>(in[i + n]) & 0xC0) == 0x80) ++n;
      }
    }
    char buf[16];
    char* src = const_cast<char*>(in.data() + i);
    std::size_t srcLeft = n;
    char* dst = buf;
    std::size_t dstLeft = sizeof buf;
    std::size_t r = iconv(toUtf8_, &src, &srcLeft, &dst, &dstLeft);
    if (r == static_cast<std::size_t>(-1) && srcLeft == n) {
      if (!(ebcdicSrc && (in[i] == kShiftOut || in[i] == kShiftIn))) {
        utf8.push_back('\x1A');  // marker for an undecodable character
        clean = false;
      }
      iconv(toUtf8_, nullptr, nullptr, nullptr, nullptr);
      if (ebcdicSrc && dbcs) {
        // Re-enter the double-byte state that the reset dropped.
        char so = kShiftOut;
        char* s = &so;
        std::size_t sl = 1;
        char tmp[8];
        char* d = tmp;
        std::size_t dl = sizeof tmp;
        iconv(toUtf8_, &s, &sl, &d, &dl);
      }
    } else {
      utf8.append(buf, static_cast<std::size_t>(dst - buf));
    }
    i += n;
  }
  // Step 2: UTF-8 to target, one character at a time on failure.
  iconv(fromUtf8_, nullptr, nullptr, nullptr, nullptr);
  std::size_t j = 0;
  while (j < utf8.size()) {
    std::size_t n = 1;
    while (j + n < utf8.size() && (static_cast<unsigned char>(utf8[j + n]) & 0xC0) == 0x80) ++n;
    char buf[16];
    char* src = utf8.data() + j;
    std::size_t srcLeft = n;
    char* dst = buf;
    std::size_t dstLeft = sizeof buf;
    std::size_t r = (utf8[j] == '\x1A') ? static_cast<std::size_t>(-1)
                                         : iconv(fromUtf8_, &src, &srcLeft, &dst, &dstLeft);
    if (r == static_cast<std::size_t>(-1)) {
      // Close a DBCS run before the single-byte substitute.
      if (IsEbcdic(to_)) {
        char* d2 = dst;
        std::size_t dl2 = dstLeft;
        iconv(fromUtf8_, nullptr, nullptr, &d2, &dl2);
        dst = d2;
      }
      out.append(buf, static_cast<std::size_t>(dst - buf));
      out.push_back(Substitute(to_));
      clean = false;
      if (!IsEbcdic(to_)) iconv(fromUtf8_, nullptr, nullptr, nullptr, nullptr);
    } else {
      out.append(buf, static_cast<std::size_t>(dst - buf));
    }
    j += n;
  }
  char buf[8];
  char* dst = buf;
  std::size_t dstLeft = sizeof buf;
  iconv(fromUtf8_, nullptr, nullptr, &dst, &dstLeft);
  out.append(buf, static_cast<std::size_t>(dst - buf));
  return clean;
}

std::string FromUtf8(std::string_view utf8, int ccsid) {
  std::string out;
  Converter c(1208, ccsid == 65535 ? 37 : ccsid);
  if (c.ok()) c.Convert(utf8, out);
  return out;
}

std::string ToUtf8(std::string_view bytes, int ccsid) {
  std::string out;
  Converter c(ccsid == 65535 ? 37 : ccsid, 1208);
  if (c.ok()) c.Convert(bytes, out);
  return out;
}

std::size_t TrimmedLength(std::string_view rec) {
  if (rec.find(kShiftOut) == std::string_view::npos) {
    std::size_t n = rec.size();
    while (n > 0 && rec[n - 1] == kEbcdicBlank) --n;
    return n;
  }
  // With DBCS runs, a 0x40 inside a run is half of a character and is kept.
  std::size_t end = 0;
  bool dbcs = false;
  for (std::size_t i = 0; i < rec.size(); ++i) {
    char c = rec[i];
    if (c == kShiftOut) { dbcs = true; end = i + 1; }
    else if (c == kShiftIn) { dbcs = false; end = i + 1; }
    else if (dbcs || c != kEbcdicBlank) end = i + 1;
  }
  return end;
}

std::optional<std::string> FitRecord(std::string_view ebcdic, std::size_t width) {
  std::size_t len = TrimmedLength(ebcdic);
  if (len > width) return std::nullopt;
  std::string rec(ebcdic.substr(0, len));
  rec.resize(width, kEbcdicBlank);
  return rec;
}

}  // namespace hostsim
