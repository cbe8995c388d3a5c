// The Execute handler: validate, write the script, run the FTP client and wait,
// record the connection inputs, interpret the reply.
#pragma once
#include <functional>
#include <string>

#include "client/engine/methods.h"
#include "client/engine/transfer_watch.h"
#include "common/run_wait.h"

namespace kv {

using RunAndWaitFn = std::function<RunResult(const std::string&, const std::function<void()>&, const Environment&)>;
// Receives the progress text of a transfer while the FTP client runs (empty
// while none is to be shown), in addition to LABEL99.
using ProgressFn = std::function<void(const std::string&)>;
using DispatchLookup = std::function<const Dispatch*(int code)>;

class Pipeline {
 public:
  explicit Pipeline(RunAndWaitFn runAndWait = RunAndWait, DispatchLookup dispatch = FindDispatch)
      : runAndWait_(std::move(runAndWait)), dispatch_(std::move(dispatch)) {}

  // One press of 実行. A press while a run is under way is ignored.
  void Execute(RunContext& ctx);
  bool Running() const { return running_; }
  void OnProgress(ProgressFn progress) { progress_ = std::move(progress); }

 private:
  // Starts the FTP client and waits for it, showing the progress it reports;
  // afterwards the outcome of its transfers is in `watch`.
  RunResult RunClient(Panel& panel, TransferWatch& watch);

  RunAndWaitFn runAndWait_;
  DispatchLookup dispatch_;
  ProgressFn progress_;
  bool running_ = false;
};

// Writes kv3EV from the connection inputs; a failure does not stop the run.
void DFT(const Panel& panel);

// The FTP client's exit status when the host refused the logon.
inline constexpr unsigned long kFtpExitLogonRefused = 2;

// After a run whose logon the host refused: a reply file that still holds the
// sentinel written before the run is emptied, so the reply method reports the
// refused logon rather than a host that never answered. A reply that did arrive
// is left alone.
void ForgetSentinelAfterRefusedLogon(const RunResult& run);

inline constexpr std::string_view kNoOperationText = "処理をメニューより選択して下さい。";
inline constexpr std::string_view kAppTitle = "ＫＶ－ＴＲＡＮＳＩＴ";
// A working file that could not be written before the run: "{file}" is its path.
inline constexpr std::string_view kUnwritableFileText =
    "作業ファイル「{file}」に書き込めません。ディスクの空きと書き込み禁止を確認して下さい。";
// The earlier PC file of a download could not be put aside before the run.
inline constexpr std::string_view kUnprotectedFileText =
    "PCファイル「{file}」を控えられないため、ダウンロードを中止しました。保存先を確認して下さい。";
inline constexpr std::string_view kCannotStartText =
    "ＦＴＰクライアントを起動出来ません。C:\\KV-TRANSIT\\FTP.EXE を確認して下さい。";

}  // namespace kv
