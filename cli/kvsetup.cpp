#include "cli/kvsetup.h"

#include <filesystem>
#include <optional>
#include <string_view>

#include "common/textfile.h"
#include "common/winpath.h"
#include "setup/install.h"

namespace kv {
namespace {

constexpr std::string_view kUsage =
    "usage: kvsetup --media=DIR --folder=PATH [--pc-only] [--ip=ADDR] [--user=USER] [--password=PW]\n"
    "  --media   the installation media (the folder that holds setup)\n"
    "  --folder  the folder the client program goes below (as KV-Windows版\\hostxfer.exe)\n"
    "  --pc-only install on the PC only; otherwise the host libraries are restored too\n"
    "  --user    defaults to QSECOFR\n";

// Prints the boxes and focus moves in the order a user would have seen them.
class PrintingView : public SetupView {
 public:
  explicit PrintingView(std::ostream& out) : out_(out) {}
  void Warn(const SetupMessage& m) override {
    out_ << "message\t" << m.title << '\t' << m.text << "\texclamation\n";
    warned_ = true;
  }
  void Focus(SetupField field) override { out_ << "focus\t" << NameOf(field) << '\n'; }
  void ShowInstalling() override {}
  void EnableWindow(bool) override {}
  void ProcessEvents() override {}
  void ShowDone() override { out_ << "done\t完了！\n"; }
  bool Warned() const { return warned_; }

 private:
  std::ostream& out_;
  bool warned_ = false;
};

bool IsWindowsPath(const std::string& p) {
  return (p.size() >= 2 && p[1] == ':') || p.rfind("\\\\", 0) == 0;
}

// A path as the setup program would see it: a Windows path as given, any
// other one made absolute and seen from Windows (a Linux path is Z:\...).
std::string AsWindowsPath(const std::string& p) {
  if (IsWindowsPath(p)) return p;
  std::error_code ec;
  auto absolute = std::filesystem::absolute(std::filesystem::path(std::u8string(p.begin(), p.end())), ec);
  std::u8string normal = absolute.lexically_normal().u8string();
  std::string native = ec ? p : std::string(normal.begin(), normal.end());
  if (native.size() > 1 && (native.back() == '/' || native.back() == '\\')) native.pop_back();
  return ToWindowsPath(native);
}

}  // namespace

int RunKvsetup(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  SetupChoice choice;
  choice.logon.user = "QSECOFR";
  std::optional<std::string> mediaArg, folderArg;
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      err << kUsage;
      return 2;
    }
    if (a == "--pc-only") {
      choice.host = false;
      continue;
    }
    std::size_t eq = a.find('=');
    std::string name = eq == std::string::npos ? a : a.substr(0, eq);
    std::string value = eq == std::string::npos ? "" : a.substr(eq + 1);
    if (eq == std::string::npos || (name != "--media" && name != "--folder" && name != "--ip" && name != "--user" &&
                                    name != "--password")) {
      err << "kvsetup: unknown argument '" << a << "'\n" << kUsage;
      return 2;
    }
    // A line break would become a command line of its own in the FTP script.
    if (value.find_first_of("\r\n") != std::string::npos) {
      err << "kvsetup: " << name << " takes one line\n";
      return 2;
    }
    if (name == "--media") mediaArg = value;
    else if (name == "--folder") folderArg = value;
    else if (name == "--ip") choice.logon.address = value;
    else if (name == "--user") choice.logon.user = value;
    else choice.logon.password = value;
  }
  if (!mediaArg || !folderArg || mediaArg->empty() || folderArg->empty()) {
    err << "kvsetup: --media and --folder are required\n" << kUsage;
    return 2;
  }
  choice.mediaFolder = AsWindowsPath(*mediaArg);
  choice.folder = AsWindowsPath(*folderArg);
  // The window offers only folders that exist.
  if (!IsDirectory(choice.mediaFolder)) {
    err << "kvsetup: the media folder " << choice.mediaFolder << " does not exist\n";
    return 2;
  }
  if (!IsDirectory(choice.folder)) {
    err << "kvsetup: the folder " << choice.folder << " does not exist\n";
    return 2;
  }

  PrintingView view(out);
  RunInstallation(choice, view);
  out.flush();
  return view.Warned() ? 1 : 0;
}

}  // namespace kv
