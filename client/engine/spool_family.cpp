#include "client/engine/spool_family.h"

#include <array>

#include "client/engine/field_check.h"
#include "client/engine/pc_path_check.h"
#include "client/engine/reply.h"
#include "client/engine/script.h"
#include "client/panel/panel_text.h"
#include "client/workfiles/remembered_inputs.h"
#include "common/textfile.h"

namespace kv {
namespace {

constexpr std::string_view kDownloadCheckTitle = "スプール・ダウンロード";
constexpr std::string_view kUploadTitle = "スプール・アップロード";

// The job number and spooled file number are compared as texts, character by
// character, as the host's own prompts would accept them.
bool JobNumberOutOfRange(const std::string& n) { return n > "999999" || n <= "000000"; }
bool SpoolNumberOutOfRange(const std::string& n) { return n > "999999" || n < "1"; }

}  // namespace

std::string_view SpoolOperationTitle(int code) {
  switch (code) {
    case 17: return "スプール・ダウンロード";
    case 18: return "スプールテキスト・ダウンロード";
    case 26: return "スプール・アップロード";
  }
  return {};
}

void CHK17(RunContext& ctx, std::int16_t& flag) {
  // One message per attempt: each check runs only while everything before it passed.
  static constexpr FieldCheck kChecks[] = {
      {IsEmpty<Ctl::ファイル名>, "スプールファイル名を入力して下さい。", "ファイル名", Ctl::ファイル名},
      {IsEmpty<Ctl::ジョブ名>, "ジョブ名を入力して下さい。", kDownloadCheckTitle, Ctl::ジョブ名},
      {IsEmpty<Ctl::スプールユーザー>, "ユーザーを入力して下さい。", kDownloadCheckTitle, Ctl::スプールユーザー},
      {IsEmpty<Ctl::番号>, "番号を入力して下さい。", kDownloadCheckTitle, Ctl::番号},
      {[](const Panel& p) { return JobNumberOutOfRange(p.Text(Ctl::番号)); }, "番号が正しくありません。",
       kDownloadCheckTitle, Ctl::番号},
      {IsEmpty<Ctl::スプール番号>, "スプール番号を入力して下さい。", kDownloadCheckTitle, Ctl::スプール番号},
      {[](const Panel& p) { return SpoolNumberOutOfRange(p.Text(Ctl::スプール番号)); }, "スプール番号が正しくありません。",
       kDownloadCheckTitle, Ctl::スプール番号},
      {[](const Panel& p) { return NoFileNameAfterRoot(p.Text(Ctl::pcファイル名)); }, "保存先ファイルを入力してください。",
       "PCファイル名", Ctl::pcファイル名},
  };
  RunChecks(ctx.panel, kChecks, flag);
}

void FTP17(RunContext& ctx, const std::string&) {
  const Panel& panel = ctx.panel;
  ScriptFrame frame(panel, Sentinel::Member);
  const bool text = MenuNo(panel) == 18;
  const std::vector<std::string> params = {panel.Text(Ctl::ファイル名),   panel.Text(Ctl::ジョブ名),
                                           panel.Text(Ctl::スプールユーザー), panel.Text(Ctl::番号),
                                           panel.Text(Ctl::スプール番号), panel.Text(Ctl::IPADR),
                                           panel.Text(Ctl::WRKS)};
  const std::string pc = PcPath(panel.Text(Ctl::pcファイル名));
  // The spool save file travels in binary; the spool text as CCSID 943 text.
  if (text)
    frame.Write({"binary"},
                {frame.Call(CallPrefix::Lower, "CPYSPLF3V", params), "quote TYPE C 943", "get QTEMP/FTPPRT " + pc,
                 "quote TYPE C 943"},
                {"quote site trim 0"});
  else
    frame.Write({"binary"},
                {frame.Call(CallPrefix::Lower, "CPYSPLF2V", params), "get QTEMP/FTPSAVF " + pc, "quote TYPE C 943"},
                {"quote site trim 0"});
}

void ANSER17(RunContext& ctx, const std::string&) {
  Panel& panel = ctx.panel;
  const std::string title(SpoolOperationTitle(MenuNo(panel)));
  constexpr ReplyMethod m = ReplyMethod::ANSER17;
  const std::string_view missing = "スプールが存在しません確認してください。";
  const std::array<ReplyTest, 7> tests = {
      SuccessTest(m),
      EmptyTest(m, title),
      TimeoutTest(m, title),
      WordTest(m, "NOTFIL", missing, title, Ctl::ファイル名),
      WordTest(m, "NOTSPL", missing, title, Ctl::ファイル名),
      WordTest(m, "NOTJOB", "ジョブが存在しません。ジョブ名、ユーザー、ジョブ番号を確認してください。", title, Ctl::ジョブ名),
      WordTest(m, "NOTPRM", "パラメータエラーです。スプールファイル名からスプール番号まで確認して下さい。", title,
               Ctl::ジョブ名),
  };
  RunReplyTests(panel, ReadReply(), tests,
                [&] { panel.SetText(Ctl::LABEL99, "スプールダウンロード完了しました。"); });
  WriteRememberedInputs(panel, InputsLayout::DFTS);
}

void CHK26(RunContext& ctx, std::int16_t& flag) {
  Panel& panel = ctx.panel;
  if (flag == 0 && panel.Text(Ctl::ファイル名).empty())
    FailCheck(panel, flag, "スプール出力先を入力して下さい。", kUploadTitle, Ctl::ファイル名);
  if (flag == 0 && panel.Text(Ctl::ライブラリー名).empty())
    FailCheck(panel, flag, "ライブラリー名を入力して下さい。", kUploadTitle, Ctl::ライブラリー名);
  // The PC file is checked whatever the checks above found; a path whose
  // attributes can be read (a folder too) counts as existing.
  const std::string pc = panel.Text(Ctl::pcファイル名);
  if (NoFileNameAfterRoot(pc))
    FailCheck(panel, flag, "スプール・ファイルを入力してください。", kUploadTitle, Ctl::pcファイル名);
  else if (!PathExists(pc))
    FailCheck(panel, flag, "スプール・ファイルが存在しません。", kUploadTitle, Ctl::pcファイル名);
}

void FTP26(RunContext& ctx, const std::string&) {
  const Panel& panel = ctx.panel;
  // The long sentinel: a reply that never arrives reads as a timeout instead
  // of as the previous run's outcome.
  ScriptFrame frame(panel, Sentinel::Member);
  frame.Write({"binary"},
              {"quote rcmd CRTSAVF FILE(QTEMP/FTPSAVF)", "put " + PcPath(panel.Text(Ctl::pcファイル名)) + " QTEMP/FTPSAVF",
               frame.Call(CallPrefix::Lower, "PUTSPLFV", {panel.Text(Ctl::ファイル名), panel.Text(Ctl::ライブラリー名)})},
              {"quote TYPE C 943"});
}

void ANSER26(RunContext& ctx, const std::string&) {
  Panel& panel = ctx.panel;
  const std::string title(kUploadTitle);
  constexpr ReplyMethod m = ReplyMethod::ANSER26;
  const std::array<ReplyTest, 8> tests = {
      SuccessTest(m),
      EmptyTest(m, title),
      TimeoutTest(m, title),
      WordTest(m, "NOTOUT", "出力先が存在しません確認してください。", title, Ctl::ファイル名),
      WordTest(m, "NOTLIB", "出力先ライブラリーが存在しません確認してください。", title, Ctl::ライブラリー名),
      WordTest(m, "NOTSPL", "スプールデータではありません。", title, Ctl::ファイル名),
      WordTest(m, "EMPTY#", "転送スプールが空です。", title, Ctl::ファイル名),
      WordTest(m, "NOTRST", "スプールが壊れてます。復元出来ません。", title, Ctl::ファイル名),
  };
  RunReplyTests(panel, ReadReply(), tests,
                [&] { panel.SetText(Ctl::LABEL99, "スプール・アップロード完了しました。"); });
  WriteRememberedInputs(panel, InputsLayout::DFTS2);
}

}  // namespace kv
