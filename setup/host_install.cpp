#include "setup/host_install.h"

#include "client/workfiles/paths.h"
#include "common/run_wait.h"

namespace kv {
namespace {

// Our FTP client's exit status (any other client always ends with 0).
HostOutcome FromExitStatus(unsigned long status) {
  switch (status) {
    case 0:
      return HostOutcome::Installed;
    case 2:
      return HostOutcome::LogonRefused;
    case 3:
      return HostOutcome::ConnectionLost;
    case 5:
      return HostOutcome::NoConnection;
    default:
      return HostOutcome::Failed;
  }
}

constexpr const char* kTitle = "ＡＳ４００ライブラリー導入";

struct OutcomeText {
  HostOutcome outcome;
  const char* text;
};
// Each text says what did not happen and what the operator can do about it;
// the PC side is installed in every case.
constexpr OutcomeText kTexts[] = {
    {HostOutcome::ScriptNotWritten,
     "c:\\KV-TRANSIT\\kvtrn.ini を作成できなかったため、ＡＳ４００のライブラリーは導入されていません。"
     "Ｃドライブの空き容量と書き込み権限を確認して、もう一度セットアップして下さい。"},
    {HostOutcome::NotStarted,
     "ＦＴＰクライアント C:\\KV-TRANSIT\\FTP.EXE を起動できなかったため、ＡＳ４００のライブラリーは導入されていません。"
     "セットアップ媒体の setpg\\FTP.EXE を確認して、もう一度セットアップして下さい。"},
    {HostOutcome::LogonRefused,
     "ＡＳ４００にログオンできませんでした。ライブラリーは導入されていません。"
     "ユーザー名とパスワードを確認して、もう一度セットアップして下さい。"},
    {HostOutcome::NoConnection,
     "ＡＳ４００に接続できませんでした。ライブラリーは導入されていません。"
     "ＩＰアドレスとネットワークを確認して、もう一度セットアップして下さい。"},
    {HostOutcome::ConnectionLost,
     "ＡＳ４００との接続が途中で切れました。ライブラリーの導入は完了していません。"
     "もう一度セットアップして下さい。"},
    {HostOutcome::Failed,
     "ＡＳ４００へのライブラリーの送信または復元に失敗しました。TRIAL_KVU と TRIAL_KVD は導入されていない可能性があります。"
     "ユーザーの権限とセットアップ媒体の保存ファイルを確認して、もう一度セットアップして下さい。"},
};

}  // namespace

HostOutcome InstallHostLibraries(const HostLogon& logon, const std::string& mediaFolder,
                                 const std::function<void()>& processEvents) {
  if (!WriteHostLibraryScript(logon, mediaFolder)) return HostOutcome::ScriptNotWritten;
  RunResult run = RunAndWait(paths::kFtpCommand, processEvents);
  if (!run.started) return HostOutcome::NotStarted;
  return FromExitStatus(run.exitCode);
}

std::optional<SetupMessage> HostFailureMessage(HostOutcome outcome) {
  for (const auto& t : kTexts)
    if (t.outcome == outcome) return SetupMessage{kTitle, t.text};
  return std::nullopt;
}

}  // namespace kv
