// The installation sequence behind the start button, for any front end: the
// window drives it with its controls, kvsetup with its command line.
#pragma once
#include <string>

#include "setup/host_install.h"
#include "setup/host_library_script.h"

namespace kv {

// The three host inputs, in the order they are checked.
enum class SetupField { IPアドレス, ユーザー, パスワード };
const char* NameOf(SetupField field);

struct SetupChoice {
  bool host = true;         // "iSeries(AS/400),PCセットアップ" selected; false: PC only
  HostLogon logon;          // as typed
  std::string folder;       // the chosen folder (Windows path); the client goes below it
  std::string mediaFolder;  // the folder that holds the setup program (Windows path)
};

// What the sequence shows; the window implements it with its controls.
class SetupView {
 public:
  virtual ~SetupView() = default;
  // A modal warning box (exclamation icon, OK button).
  virtual void Warn(const SetupMessage& message) = 0;
  virtual void Focus(SetupField field) = 0;
  virtual void ShowInstalling() = 0;  // セットアップ中 appears
  virtual void EnableWindow(bool enabled) = 0;
  virtual void ProcessEvents() = 0;   // once per poll while the FTP client runs
  virtual void ShowDone() = 0;        // 開始 and セットアップ中 go, 完了 appears
};

enum class InstallResult {
  FieldsMissing,  // a host input was empty: nothing was changed
  Installed,
  HostFailed,     // the PC side is installed, the host libraries are not (a box said so)
};

InstallResult RunInstallation(const SetupChoice& choice, SetupView& view);

}  // namespace kv
