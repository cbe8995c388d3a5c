#include "setup/install.h"

#include <string_view>

#include "client/workfiles/paths.h"
#include "common/textfile.h"
#include "setup/media_layout.h"

namespace kv {
namespace {

struct FieldCheck {
  SetupField field;
  const char* title;
  const char* text;
};
constexpr FieldCheck kChecks[] = {
    {SetupField::IPアドレス, "ＩＰアドレス", "ＩＰアドレスを入力して下さい。"},
    {SetupField::ユーザー, "ユーザー", "ＡＳ４００のユーザー名を入力してください。"},
    {SetupField::パスワード, "ユーザー", "ＡＳ４００のパスワードを入力してください。"},
};

const std::string& Value(const HostLogon& logon, SetupField field) {
  switch (field) {
    case SetupField::IPアドレス:
      return logon.address;
    case SetupField::ユーザー:
      return logon.user;
    case SetupField::パスワード:
      break;
  }
  return logon.password;
}

// Every check runs, so one click can show all three boxes.
bool HostFieldsGiven(const HostLogon& logon, SetupView& view) {
  bool ok = true;
  for (const auto& c : kChecks) {
    if (!Value(logon, c.field).empty()) continue;
    view.Warn({c.title, c.text});
    view.Focus(c.field);
    ok = false;
  }
  return ok;
}

// A file of the media folder: "D:\" and "D:\media" both give "D:\...\name".
std::string OnMedia(const std::string& mediaFolder, std::string_view relative) {
  std::string path = mediaFolder;
  if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += '\\';
  return path + std::string(relative);
}

// Steps of the PC side. Each file stands alone: a missing source or a failed
// copy leaves that one file out and the next one is copied.
void InstallPcFiles(const SetupChoice& choice) {
  // A drive root "C:\" and a folder "C:\A" both gain one backslash.
  std::string clientFolder = choice.folder;
  while (!clientFolder.empty() && clientFolder.back() == '\\') clientFolder.pop_back();
  clientFolder += media::kClientFolder;
  MakeDirectory(clientFolder);
  CopyWholeFile(OnMedia(choice.mediaFolder, media::kClientSource), clientFolder + std::string(media::kClientName));

  MakeDirectory(paths::kInstallDir);
  CopyWholeFile(OnMedia(choice.mediaFolder, media::kFtpSource), std::string(media::kFtpTarget));

  // A template is replaced only by its copy from the media: one missing there
  // keeps what the working folder holds.
  for (std::string_view name : media::kTemplates) {
    std::string source = OnMedia(choice.mediaFolder, std::string(media::kSetpg) + std::string(name));
    if (!PathExists(source)) continue;
    CopyWholeFile(source, std::string(media::kInstallPrefix) + std::string(name));
  }
  for (std::string_view name : media::kHelpFiles)
    CopyWholeFile(OnMedia(choice.mediaFolder, std::string(media::kSetpg) + std::string(name)),
                  std::string(media::kInstallPrefix) + std::string(name));
}

}  // namespace

const char* NameOf(SetupField field) {
  switch (field) {
    case SetupField::IPアドレス:
      return "IPアドレス";
    case SetupField::ユーザー:
      return "ユーザー";
    case SetupField::パスワード:
      break;
  }
  return "パスワード";
}

InstallResult RunInstallation(const SetupChoice& choice, SetupView& view) {
  if (choice.host && !HostFieldsGiven(choice.logon, view)) return InstallResult::FieldsMissing;
  view.ShowInstalling();
  InstallPcFiles(choice);

  HostOutcome outcome = HostOutcome::Installed;
  if (choice.host) {
    view.EnableWindow(false);
    outcome = InstallHostLibraries(choice.logon, choice.mediaFolder, [&view] { view.ProcessEvents(); });
  }
  // Written in both modes and whatever the host part did: the client needs it
  // to find its tool library once the libraries are there.
  WriteLines(paths::kLibName, {std::string(media::kLibNameLine)});

  view.EnableWindow(true);
  auto failure = HostFailureMessage(outcome);
  if (failure) view.Warn(*failure);
  view.ShowDone();
  return failure ? InstallResult::HostFailed : InstallResult::Installed;
}

}  // namespace kv
