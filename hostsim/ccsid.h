// CCSID conversion for the host simulator: records are kept as EBCDIC bytes in
// the CCSID of their file and converted with iconv when they travel as text.
#pragma once
#include <iconv.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace hostsim {

// iconv name of a CCSID, or empty when the simulator does not know it.
std::string IconvName(int ccsid);
bool IsEbcdic(int ccsid);
// The EBCDIC CCSID a new file gets when it is created by a text transfer in `pcCcsid`.
int RelatedEbcdic(int pcCcsid, int japaneseDefault);

// One direction of conversion, reusable record after record. Unconvertible
// characters become the target's substitute character instead of failing the
// whole record, as the host does.
class Converter {
 public:
  Converter(int fromCcsid, int toCcsid);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return fast_ != reinterpret_cast<iconv_t>(-1); }
  // Appends the converted bytes of `in` to `out`. Returns false when at least one
  // character had to be substituted.
  bool Convert(std::string_view in, std::string& out);

 private:
  bool SlowPath(std::string_view in, std::string& out);
  int from_, to_;
  iconv_t fast_;
  iconv_t toUtf8_ = reinterpret_cast<iconv_t>(-1);
  iconv_t fromUtf8_ = reinterpret_cast<iconv_t>(-1);
};

// Convenience one-shot conversions between UTF-8 and a CCSID.
std::string FromUtf8(std::string_view utf8, int ccsid);
std::string ToUtf8(std::string_view bytes, int ccsid);

// The CCSID the bytes of a text upload are read in: the transfer CCSID, or
// UTF-8 (1208) when the transfer CCSID is a PC code page and the data says it
// is UTF-8: it starts with the UTF-8 byte-order mark (`markLength` is then 3:
// the mark is no data), or it is well-formed UTF-8 with characters beyond
// ASCII and either is not well-formed in the transfer CCSID or holds
// characters of three or more UTF-8 bytes (kana and kanji; Japanese UTF-8 text
// is often well-formed Shift-JIS too, as mojibake, while Shift-JIS text read
// as UTF-8 gives at most a few two-byte characters).
int UploadCcsid(std::string_view data, int transferCcsid, std::size_t& markLength);

// The same decision over an upload read in blocks: each block given to Feed
// must end at a line end (or the end of the data), so that no character is cut.
class UploadCcsidProbe {
 public:
  explicit UploadCcsidProbe(int transferCcsid) : transfer_(transferCcsid) {}
  void Feed(std::string_view block);
  int Result(std::size_t& markLength) const;

 private:
  int transfer_;
  bool first_ = true, mark_ = false, utf8_ = true, beyondAscii_ = false, wide_ = false, converts_ = true;
};

// EBCDIC helpers. Blank is 0x40 in every EBCDIC CCSID; SO/SI bracket DBCS runs.
constexpr char kEbcdicBlank = 0x40;
constexpr char kShiftOut = 0x0E;
constexpr char kShiftIn = 0x0F;

// Length of `rec` without trailing single-byte blanks (a DBCS run is never cut).
std::size_t TrimmedLength(std::string_view rec);
// Fits converted EBCDIC text into `width` bytes, padding with blanks. Returns
// nothing when the text does not fit (the caller refuses the record rather than
// cut it).
std::optional<std::string> FitRecord(std::string_view ebcdic, std::size_t width);

}  // namespace hostsim
