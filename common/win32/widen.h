// UTF-8 <-> UTF-16 for the Win32 wide calls.
#pragma once
#include <string>

namespace kv::win32 {
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
}  // namespace kv::win32
