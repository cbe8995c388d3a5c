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

std::optional<std::string> RegistryValueText(std::uint32_t type, std::string_view data) {
  // The query reports the bytes it stored; a string normally ends in its NUL.
  if (!data.empty() && data.back() == '\0') data.remove_suffix(1);
  if (type == kRegSz) return std::string(data);
  if (type == kRegDword) {
    // Little-endian bytes; each byte counts with both of its hex digits, so
    // 0x0102 reads 258 (dropping a byte's leading zero would give 0x12).
    std::uint32_t v = 0;
    for (std::size_t i = data.size(); i-- > 0;) {
      if (i >= 4) continue;
      v = (v << 8) | static_cast<unsigned char>(data[i]);
    }
    return std::to_string(v);
  }
  return std::nullopt;
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
