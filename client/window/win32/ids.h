// Window classes and control identifiers of hostxfer's windows. The GUI test
// driver finds controls by these numbers too.
#pragma once

#include "client/panel/controls.h"

namespace kv::win32 {

inline constexpr wchar_t kMainClass[] = L"KV_TRANSIT";
inline constexpr wchar_t kFrameClass[] = L"KvFrame";
inline constexpr wchar_t kAboutClass[] = L"frmAbout";

// Controls of the main window: one identifier per control of the table.
inline constexpr int kFirstControlId = 1000;
inline constexpr int ControlId(Ctl c) { return kFirstControlId + static_cast<int>(c); }

// Menu commands: one per entry of the menu table, in table order.
inline constexpr int kFirstMenuId = 100;
// The F1 key.
inline constexpr int kHelpKeyId = 90;

// Controls of frmAbout (cmdOK is IDOK, so Enter and Esc work as on a dialog).
inline constexpr int kAboutIcon = 2001;
inline constexpr int kAboutTitle = 2002;
inline constexpr int kAboutVersion = 2003;
inline constexpr int kAboutCompany = 2004;
inline constexpr int kAboutCopyright = 2005;
inline constexpr int kAboutSysInfo = 2007;

// Resources.
inline constexpr int kAppIconId = 1;

}  // namespace kv::win32
