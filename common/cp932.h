// Conversion between the program's internal UTF-8 text and code page 932
// (Shift-JIS with the vendor extensions), independent of the machine's code page.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// Both return nothing when the input holds bytes or characters that cannot be converted.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// Lossy forms for display and files that must be written whatever they hold:
// unconvertible input becomes '?'.
std::string Cp932ToUtf8Lossy(std::string_view cp932);
std::string Utf8ToCp932Lossy(std::string_view utf8);

}  // namespace kv
