// What the installation media holds and where each file is installed. Media
// paths are relative to the folder that holds the setup program; targets in
// the working folder are full Windows paths.
#pragma once
#include <array>
#include <string_view>

namespace kv::media {

// The client program: media path, and its folder and name below the folder the user picks.
inline constexpr std::string_view kClientSource = "KV-Windows版\\hostxfer.exe";
inline constexpr std::string_view kClientFolder = "\\KV-Windows版";
inline constexpr std::string_view kClientName = "\\hostxfer.exe";

// The FTP client, and the line of LIBNAME.ini in the working folder.
inline constexpr std::string_view kFtpSource = "setpg\\FTP.EXE";
inline constexpr std::string_view kFtpTarget = "C:\\KV-TRANSIT\\FTP.EXE";
// The tool library, the second library and three filler fields, ten characters each.
inline constexpr std::string_view kLibNameLine = "TRIAL_KVU TRIAL_KVD CCCCCCCCCCDDDDDDDDDDEEEEEEEEEE";

// The media folder of the templates and help files, and the folder they go to.
inline constexpr std::string_view kSetpg = "setpg\\";
inline constexpr std::string_view kInstallPrefix = "C:\\KV-TRANSIT\\";

// The workbook templates, in the order they are copied.
inline constexpr std::array<std::string_view, 25> kTemplates = {
    "DB.xls",           "OBJD.xls",         "DBKD.xls",         "PGMF1.xls",        "PGMF2.xls",
    "FILP1.xls",        "FILP2.xls",        "PGMS1.xls",        "PGMS2.xls",        "SUBP1.xls",
    "SUBP2.xls",        "DSPFIL.xls",       "PGINDES.xls",      "FTPLIB.xls",       "FTPLIBP.xls",
    "SCRDES80.xls",     "SCRDES132.xls",    "PRTDES230_84.xls", "PRTDES230_66.xls", "PRTDES198_84.xls",
    "PRTDES198_66.xls", "PRTDES158_84.xls", "PRTDES158_66.xls", "PRTDES132_84.xls", "PRTDES132_66.xls",
};

// The help files: the WinHelp file, its contents file, and the same manual as
// an HTML page for systems without a WinHelp viewer.
inline constexpr std::array<std::string_view, 3> kHelpFiles = {"KV1.HLP", "KV1.cnt", "KV1.html"};

// The host libraries' save files, sent to the host and not copied.
inline constexpr std::string_view kToolLibrarySavf = "TRIAL_KVU.SAVF";
inline constexpr std::string_view kDataLibrarySavf = "TRIAL_KVD.SAVF";

}  // namespace kv::media
