// The Execute handler: validate, write the script, run the FTP client and wait,
// record the connection inputs, interpret the reply.
#pragma once
#include <functional>
#include <string>

#include "client/engine/methods.h"
#include "common/run_wait.h"

namespace kv {

using RunAndWaitFn = std::function<RunResult(const std::string&, const std::function<void()>&)>;
using DispatchLookup = std::function<const Dispatch*(int code)>;

class Pipeline {
 public:
  explicit Pipeline(RunAndWaitFn runAndWait = RunAndWait, DispatchLookup dispatch = FindDispatch)
      : runAndWait_(std::move(runAndWait)), dispatch_(std::move(dispatch)) {}

  // One press of 実行. A press while a run is under way is ignored.
  void Execute(RunContext& ctx);
  bool Running() const { return running_; }

 private:
  RunAndWaitFn runAndWait_;
  DispatchLookup dispatch_;
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
inline constexpr std::string_view kCannotStartText =
    "ＦＴＰクライアントを起動出来ません。C:\\KV-TRANSIT\\FTP.EXE を確認して下さい。";

}  // namespace kv
