// The logo picture of Image1, drawn by the program itself.
#pragma once
#include <windows.h>

namespace kv::win32 {

inline constexpr int kLogoWidth = 104;
inline constexpr int kLogoHeight = 26;

HBITMAP CreateLogo();

}  // namespace kv::win32
