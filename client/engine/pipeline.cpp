#include "client/engine/pipeline.h"

#include "client/engine/field_check.h"
#include "client/workfiles/paths.h"
#include "client/engine/script.h"
#include "client/panel/panel_text.h"
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
    d = dispatch_(code);
    if (!d || !d->check || !d->script || !d->reply) {
      panel.ShowMessage("この処理は、まだ使用できません。", std::string(kAppTitle), MsgIcon::Exclamation);
      return;
    }
    d->check(ctx, flag);
    CommonChecks(panel, flag);
  }
  if (flag != 0) return;

  panel.SetText(Ctl::実行, "実行中");
  d->script(ctx, ArgumentOf(panel, d->scriptArg));
  RunResult run = runAndWait_(paths::kFtpCommand, [&panel] { panel.ProcessEvents(); });
  if (!run.started) {
    panel.ShowMessage(std::string(kCannotStartText), std::string(kAppTitle), MsgIcon::Exclamation);
    panel.SetText(Ctl::実行, "ＯＫ");
    return;
  }
  ForgetSentinelAfterRefusedLogon(run);
  DFT(panel);
  d->reply(ctx, ArgumentOf(panel, d->replyArg));
  panel.SetText(Ctl::実行, "ＯＫ");
}

}  // namespace kv
