// Screenshots for the test artefacts: a screen rectangle saved as a PNG file.
#pragma once
#include <windows.h>

#include <string>

namespace gui {

// Copies `area` of the screen and writes it to `path` (uncompressed PNG).
bool SaveScreenPng(const RECT& area, const std::wstring& path);

}  // namespace gui
