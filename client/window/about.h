// The about window frmAbout: its texts, built from the program's version
// resource, and the start of the system-information tool.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// What the version resource says about the program.
struct VersionInfo {
  std::string productName;
  std::string title;
  std::string company;
  std::string copyright;
  int major = 0, minor = 0, revision = 0;
};

struct AboutTexts {
  std::string caption;  // the window's caption
  std::string title;    // lblTitle
  std::string version;  // lblVersion
  std::string company;  // COMPANY
  std::string copyright;  // LCOPY
};

AboutTexts BuildAboutTexts(const VersionInfo& info);

// Registry value types the about window understands.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

// The text GetKeyValue gives a value read from the registry: `data` holds the
// bytes the query returned. A string loses its terminating NUL (when it has
// one); a DWORD becomes its decimal value. Other types give nothing, and the
// caller leaves its text as it was.
std::optional<std::string> RegistryValueText(std::uint32_t type, std::string_view data);

// What StartSysInfo needs from the system.
class SysInfoHost {
 public:
  virtual ~SysInfoHost() = default;
  virtual bool FileExists(const std::string& path) = 0;
  // GetKeyValue under HKEY_LOCAL_MACHINE: false (and `value` empty) on any failure.
  virtual bool GetKeyValue(const std::string& key, const std::string& valueName, std::string& value) = 0;
  // Starts the program in a normal focused window without waiting; false if it cannot start.
  virtual bool Start(const std::string& path) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
};

inline constexpr std::string_view kSysInfoFixedPath = "C:\\Windows\\System32\\MSINFO32.EXE";
inline constexpr std::string_view kSysInfoUnavailable = "現時点ではｼｽﾃﾑ情報を使用できません";

// Finds the system-information tool (fixed path, then the two registry places)
// and starts it; says so in a message box when it cannot.
void StartSysInfo(SysInfoHost& host);

}  // namespace kv
