// The files in the install directory C:\KV-TRANSIT, spelled as the programs
// write them: the one place that names them, for the client and the installer.
#pragma once

namespace kv::paths {

inline constexpr const char* kInstallDir = "C:\\KV-TRANSIT";
inline constexpr const char* kScript = "c:\\KV-TRANSIT\\kvtrn.ini";
inline constexpr const char* kReply = "c:\\KV-TRANSIT\\FTPTEXT.DAT";
inline constexpr const char* kLibName = "c:\\KV-TRANSIT\\LIBNAME.ini";
inline constexpr const char* kConnection = "c:\\KV-TRANSIT\\kv3EV";
inline constexpr const char* kFtpCommand = "C:\\KV-TRANSIT\\FTP -s:c:\\KV-TRANSIT\\kvtrn.ini";
// The local name of the reply fetch line's get.
inline constexpr const char* kReplyFetchLocal = "C:\\KV-TRANSIT\\FTPTEXT.DAT";
// Where the FTP client reports each transfer (named in its environment).
inline constexpr const char* kReport = "c:\\KV-TRANSIT\\kvtrn.rpt";
inline constexpr const char* kListing = "c:\\KV-TRANSIT\\FTPLIBPC";
inline constexpr const char* kListingTemplate = "C:\\KV-TRANSIT\\FTPLIB.xls";
// The help file of F1, and the same file as the help menu's contents item names it.
inline constexpr const char* kHelpFile = "C:\\KV-TRANSIT\\KV1.HLP";
inline constexpr const char* kHelpContents = "C:\\KV-TRANSIT\\KV1.hlp";
// The same manual as an HTML page, for systems without a WinHelp viewer.
inline constexpr const char* kHelpHtml = "C:\\KV-TRANSIT\\KV1.html";

}  // namespace kv::paths
