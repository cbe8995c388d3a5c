#include "common/cp932.h"

#include <windows.h>

namespace kv {
namespace {

std::optional<std::wstring> ToWide(UINT cp, std::string_view s, bool strict) {
  if (s.empty()) return std::wstring();
  DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
  int n = MultiByteToWideChar(cp, flags, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(cp, flags, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::optional<std::string> FromWide(UINT cp, const std::wstring& w, bool strict) {
  if (w.empty()) return std::string();
  BOOL usedDefault = FALSE;
  // UTF-8 does not accept the default-character arguments.
  BOOL* pUsed = (cp == CP_UTF8) ? nullptr : &usedDefault;
  // Strictly, a character without a form of its own is a failure, not its best-fit look-alike.
  DWORD flags = (strict && cp != CP_UTF8) ? WC_NO_BEST_FIT_CHARS : 0;
  int n = WideCharToMultiByte(cp, flags, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, pUsed);
  if (n <= 0) return std::nullopt;
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(cp, flags, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, pUsed);
  if (strict && usedDefault) return std::nullopt;
  return s;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view s) {
  auto w = ToWide(932, s, true);
  if (!w) return std::nullopt;
  return FromWide(CP_UTF8, *w, true);
}

std::optional<std::string> Utf8ToCp932(std::string_view s) {
  auto w = ToWide(CP_UTF8, s, true);
  if (!w) return std::nullopt;
  return FromWide(932, *w, true);
}

std::string Cp932ToUtf8Lossy(std::string_view s) {
  return FromWide(CP_UTF8, ToWide(932, s, false).value_or(L""), false).value_or("");
}

std::string Utf8ToCp932Lossy(std::string_view s) {
  return FromWide(932, ToWide(CP_UTF8, s, false).value_or(L""), false).value_or("");
}

}  // namespace kv
