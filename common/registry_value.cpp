#include "common/registry_value.h"

namespace kv {

std::optional<std::string> RegistryValueText(std::uint32_t type, std::string_view data) {
  // The query reports the bytes it stored; a string normally ends in its NUL.
  if (!data.empty() && data.back() == '\0') data.remove_suffix(1);
  if (type == kRegSz) return std::string(data);
  if (type == kRegDword) {
    // Little-endian bytes; each byte counts with both of its hex digits, so
    // 0x0102 reads 258 (dropping a byte's leading zero would give 0x12).
    std::uint32_t v = 0;
    for (std::size_t i = data.size(); i-- > 0;) {
      if (i >= 4) continue;
      v = (v << 8) | static_cast<unsigned char>(data[i]);
    }
    return std::to_string(v);
  }
  return std::nullopt;
}

}  // namespace kv
