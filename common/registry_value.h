// The text of a value read from the registry, decoded from the bytes the query
// returned; portable, so that the decoding is tested on every machine.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// Registry value types that have a text.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

// A string loses its terminating NUL (when it has one); a DWORD becomes its
// decimal value. Other types give nothing, and the caller leaves its text as it was.
std::optional<std::string> RegistryValueText(std::uint32_t type, std::string_view data);

}  // namespace kv
