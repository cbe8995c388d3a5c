// Reading one value from the registry.
#pragma once
#include <windows.h>

#include <string>

namespace kv::win32 {

// The text of `valueName` under `root`\`keyName` (a string or a DWORD, see
// RegistryValueText): false, and `value` empty, when the key or the value
// cannot be read; a value of another type reads as found and empty.
bool GetKeyValue(HKEY root, const std::string& keyName, const std::string& valueName, std::string& value);

}  // namespace kv::win32
