#include "common/win32/registry.h"

#include <optional>

#include "common/registry_value.h"
#include "common/win32/widen.h"

namespace kv::win32 {

bool GetKeyValue(HKEY root, const std::string& keyName, const std::string& valueName, std::string& value) {
  value.clear();
  HKEY key = nullptr;
  // Read access is all this needs; asking for more fails for users without
  // administrator rights on HKEY_LOCAL_MACHINE.
  if (RegOpenKeyExA(root, keyName.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  char buffer[1024] = {};
  DWORD size = sizeof buffer;
  DWORD type = 0;
  LONG rc = RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  if (rc != ERROR_SUCCESS) {
    RegCloseKey(key);
    return false;
  }
  std::optional<std::string> text = RegistryValueText(type, std::string_view(buffer, size));
  if (text) {
    if (type == kRegSz) {
      // The A call returns the text in the ANSI code page.
      int wlen = MultiByteToWideChar(CP_ACP, 0, text->data(), static_cast<int>(text->size()), nullptr, 0);
      std::wstring w(static_cast<size_t>(wlen), L'\0');
      MultiByteToWideChar(CP_ACP, 0, text->data(), static_cast<int>(text->size()), w.data(), wlen);
      value = Narrow(w);
    } else {
      value = *text;
    }
  }
  RegCloseKey(key);
  return true;
}

}  // namespace kv::win32
