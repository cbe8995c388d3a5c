// String helpers with the semantics of the classic BASIC functions, counted in
// characters (UTF-8 code points), not bytes. Positions are 1-based.
#pragma once
#include <string>
#include <string_view>

namespace kv {

// Removes leading and trailing U+0020 blanks only (not tabs, not ideographic spaces).
std::string Trim(std::string_view s);
// Number of characters.
std::size_t Len(std::string_view s);
// Up to `count` characters starting at 1-based `start`; empty when start lies beyond the end.
std::string Mid(std::string_view s, std::size_t start, std::size_t count);
// Characters from 1-based `start` to the end.
std::string Mid(std::string_view s, std::size_t start);
// First `count` characters.
std::string Left(std::string_view s, std::size_t count);

}  // namespace kv
