// frmAbout: the version window, modeless and one instance at a time.
#pragma once
#include <windows.h>

#include "client/window/about.h"

namespace kv::win32 {

// Creates the window on first use, or brings the open one forward.
void ShowAbout(HINSTANCE instance);
// The open about window, for the message loop's dialog keys; null when closed.
HWND AboutWindow();

// The program's own version resource.
VersionInfo ReadVersionInfo();

// GetKeyValue under HKEY_LOCAL_MACHINE.
bool GetKeyValue(HKEY root, const std::string& keyName, const std::string& valueName, std::string& value);

}  // namespace kv::win32
