#include "client/engine/pipeline.h"

#include <chrono>

#include "client/engine/field_check.h"
#include "client/engine/pc_file_guard.h"
#include "client/engine/script.h"
#include "client/panel/panel_text.h"
#include "client/workfiles/paths.h"
#include "client/workfiles/remembered_inputs.h"
#include "common/textfile.h"

namespace kv {
namespace {

// The checks every operation shares, after its own.
void CommonChecks(Panel& panel, std::int16_t& flag) {
  if (flag == 0 && panel.Text(Ctl::IPアドレス).empty())
    FailCheck(panel, flag, "ＩＰアドレスを入力して下さい。", "ＩＰアドレス", Ctl::IPアドレス);
  if (panel.Text(Ctl::ユーザー).empty())
    FailCheck(panel, flag, "ＡＳ４００のユーザー名を入力してください。", "ユーザー", Ctl::ユーザー);
  if (panel.Text(Ctl::パスワード).empty())
    FailCheck(panel, flag, "ＡＳ４００のパスワードを入力してください。", "ユーザー", Ctl::パスワード);
}

// Keeps the running state for exactly the duration of one run.
struct RunningGuard {
  bool& flag;
  explicit RunningGuard(bool& f) : flag(f) { flag = true; }
  ~RunningGuard() { flag = false; }
};

// `pattern` with "{file}" replaced by `file`.
std::string NamingFile(std::string_view pattern, const std::string& file) {
  std::string text(pattern);
  text.replace(text.find("{file}"), 6, file);
  return text;
}

// How often the progress line may change: often enough to look alive, seldom
// enough not to flicker.
constexpr std::chrono::milliseconds kProgressRefresh{250};

}  // namespace

void DFT(const Panel& panel) { WriteConnectionFile(panel); }

void ForgetSentinelAfterRefusedLogon(const RunResult& run) {
  if (run.exitCode != kFtpExitLogonRefused) return;
  auto line = ReadFirstLine(paths::kReply);
  if (line && (*line == kMemberSentinel || *line == kSaveSentinel)) WriteLines(paths::kReply, {});
}

void Pipeline::Execute(RunContext& ctx) {
  if (running_) return;
  RunningGuard guard(running_);
  Panel& panel = ctx.panel;

  panel.SetText(Ctl::LABEL99, "");
  TrimPanel(panel);

  std::int16_t flag = 0;
  const Dispatch* d = nullptr;
  int code = MenuNo(panel);
  if (code == 0) {
    panel.ShowMessage(std::string(kNoOperationText), std::string(kAppTitle), MsgIcon::Exclamation);
    flag = 1;
  } else {
    ctx.code = code;
    d = dispatch_(code);
    if (!d || !d->check || !d->script || !d->reply) {
      panel.ShowMessage("この処理は、まだ使用できません。", std::string(kAppTitle), MsgIcon::Exclamation);
      return;
    }
    d->check(ctx, flag);
    CommonChecks(panel, flag);
  }
  if (flag != 0) return;

  const std::string caption = panel.Text(Ctl::実行);
  panel.SetText(Ctl::実行, "実行中");
  d->script(ctx);
  // The report starts empty every run, so that nothing of an earlier run's
  // transfers can be taken for this one's.
  if (ctx.unwrittenFile.empty() && !WriteLines(paths::kReport, {})) ctx.unwrittenFile = paths::kReport;
  if (!ctx.unwrittenFile.empty()) {
    // Starting the client now would run an old script or judge by an old reply.
    panel.ShowMessage(NamingFile(kUnwritableFileText, ctx.unwrittenFile), std::string(kAppTitle),
                      MsgIcon::Exclamation);
    panel.SetText(Ctl::実行, caption);
    return;
  }
  PcFileGuard pcFile;
  if (IsDownloadCode(code) && !pcFile.Protect(panel.Text(Ctl::pcファイル名))) {
    panel.ShowMessage(NamingFile(kUnprotectedFileText, panel.Text(Ctl::pcファイル名)), std::string(kAppTitle),
                      MsgIcon::Exclamation);
    panel.SetText(Ctl::実行, caption);
    return;
  }

  TransferWatch watch(paths::kReport);
  RunResult run = RunClient(panel, watch);
  if (!run.started) {
    pcFile.Finish(false);
    panel.ShowMessage(std::string(kCannotStartText), std::string(kAppTitle), MsgIcon::Exclamation);
    panel.SetText(Ctl::実行, "ＯＫ");
    return;
  }
  ForgetSentinelAfterRefusedLogon(run);
  DFT(panel);
  ctx.failedTransfer = watch.PayloadFailure();
  d->reply(ctx);
  pcFile.Finish(ctx.succeeded);
  panel.SetText(Ctl::実行, "ＯＫ");
}

RunResult Pipeline::RunClient(Panel& panel, TransferWatch& watch) {
  using Clock = TransferWatch::Clock;
  std::string shown;
  Clock::time_point lastChange{};
  auto show = [&](const std::string& text) {
    shown = text;
    lastChange = Clock::now();
    panel.SetText(Ctl::LABEL99, text);
    if (progress_) progress_(text);
  };
  auto poll = [&] {
    watch.Poll();
    const ReportedTransfer* t = watch.Current();
    std::string text = t ? ProgressText(*t, Clock::now()) : std::string();
    if (text != shown && (text.empty() || Clock::now() - lastChange >= kProgressRefresh)) show(text);
    panel.ProcessEvents();
  };
  RunResult run = runAndWait_(paths::kFtpCommand, poll, {{kTransferReportVariable, paths::kReport}});
  watch.Poll();
  // The result line replaces the progress, exactly as a run without progress shows it.
  if (!shown.empty()) show("");
  return run;
}

}  // namespace kv
