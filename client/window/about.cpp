#include "client/window/about.h"

namespace kv {

AboutTexts BuildAboutTexts(const VersionInfo& info) {
  AboutTexts t;
  t.caption = info.title + "のﾊﾞｰｼﾞｮﾝ情報";
  t.version = "ﾊﾞｰｼﾞｮﾝ " + std::to_string(info.major) + "." + std::to_string(info.minor) + "." +
              std::to_string(info.revision);
  t.title = info.productName + "  " + info.title;
  t.company = info.company;
  t.copyright = info.copyright;
  return t;
}

void StartSysInfo(SysInfoHost& host) {
  std::string path;
  std::string value;
  if (host.FileExists(std::string(kSysInfoFixedPath))) {
    path = kSysInfoFixedPath;
  } else if (host.GetKeyValue("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", value)) {
    path = value;
  } else if (host.GetKeyValue("SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", value) &&
             host.FileExists(value + "\\MSINFO32.EXE")) {
    path = value + "\\MSINFO32.EXE";
  }
  if (path.empty() || !host.Start(path)) host.ShowMessage(std::string(kSysInfoUnavailable));
}

}  // namespace kv
