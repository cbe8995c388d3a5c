// Little-endian fields in byte buffers, and UTF-8 <-> UTF-16 for the strings a
// workbook stores. Reads never go past the end of the buffer they are given.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kv::xls {

using Bytes = std::vector<std::uint8_t>;

inline std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void Set16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Set32(std::uint8_t* p, std::uint32_t v) {
  Set16(p, v & 0xFFFF);
  Set16(p + 2, v >> 16);
}
inline void Put8(Bytes& b, std::uint32_t v) { b.push_back(static_cast<std::uint8_t>(v)); }
inline void Put16(Bytes& b, std::uint32_t v) {
  Put8(b, v);
  Put8(b, v >> 8);
}
inline void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
inline void PutDouble(Bytes& b, double d) {
  std::uint64_t u;
  std::memcpy(&u, &d, 8);
  Put32(b, static_cast<std::uint32_t>(u));
  Put32(b, static_cast<std::uint32_t>(u >> 32));
}
inline double GetDouble(const std::uint8_t* p) {
  std::uint64_t u = Get32(p) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32);
  double d;
  std::memcpy(&d, &u, 8);
  return d;
}

// Invalid UTF-8 bytes become U+FFFD; characters past U+FFFF become surrogate pairs.
std::u16string ToUtf16(std::string_view utf8);
std::string ToUtf8(std::u16string_view utf16);

}  // namespace kv::xls
