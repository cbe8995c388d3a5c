#include "client/engine/savefile_family.h"

#include <array>

#include "client/engine/field_check.h"
#include "client/engine/pc_path_check.h"
#include "client/engine/reply.h"
#include "client/engine/script.h"
#include "client/workfiles/paths.h"
#include "client/workfiles/remembered_inputs.h"
#include "common/clipboard.h"
#include "common/textfile.h"

namespace kv {
namespace {

// The object and library checks both directions share; object names only for
// the single-object codes.
void CheckNames(Panel& panel, std::int16_t& flag, bool object) {
  if (object && panel.Text(Ctl::ファイル名).empty())
    FailCheck(panel, flag, "オブジェクト名を入力してください。", "オブジェクト", Ctl::ファイル名);
  if (panel.Text(Ctl::ライブラリー名).empty())
    FailCheck(panel, flag, "ライブラリー名を入力してください。", "ライブラリー", Ctl::ライブラリー名);
}

constexpr std::string_view kListingFetch = "get QTEMP/FTPLIBPC C:\\KV-TRANSIT\\FTPLIBPC";
constexpr std::string_view kCreateSaveFile = "quote rcmd CRTSAVF FILE(QTEMP/FTPSAVF)";

}  // namespace

std::string_view SaveFileOperationTitle(int code) {
  switch (code) {
    case 15: return "ライブラリー・ダウンロード";
    case 16: return "オブジェクト・ダウンロード";
    case 24: return "ライブラリー・アップロード";
    case 25: return "オブジェクト・アップロード";
  }
  return {};
}

void CHK16(RunContext& ctx, std::int16_t& flag) {
  Panel& panel = ctx.panel;
  const bool object = ctx.code == 16;
  flag = 0;
  CheckNames(panel, flag, object);
  // The type is a combo box and is not trimmed: only a truly empty text fails.
  if (object && panel.Text(Ctl::タイプ).empty())
    FailCheck(panel, flag, "タイプを指示してください。", "オブジェクト・タイプ", Ctl::タイプ);
  // At most one path message, and only when everything else was in order.
  const std::string pc = panel.Text(Ctl::pcファイル名);
  if (flag == 0 && pc.find('\\') == std::string::npos)
    FailCheck(panel, flag, "パス名が不正です。", "PCファイル名", Ctl::pcファイル名);
  if (flag == 0 && NoFileNameAfterRoot(pc))
    FailCheck(panel, flag, "保存先ファイルを入力してください。", "PCファイル名", Ctl::pcファイル名);
}

void FTP16(RunContext& ctx) {
  const Panel& panel = ctx.panel;
  // The host writes this family's status word at position 11, so the sentinel is the short one.
  ScriptFrame frame(ctx, Sentinel::SaveFile);
  const std::string lib = panel.Text(Ctl::ライブラリー名);
  const std::string release = panel.Text(Ctl::リリース);
  const std::string ip = panel.Text(Ctl::IPADR);
  const std::string pcName = panel.Text(Ctl::WRKS);
  const std::string user = panel.Text(Ctl::ユーザー);
  const std::string call =
      ctx.code == 16
          ? frame.Call(CallPrefix::Lower, "FTPOBJ4V",
                       {lib, panel.Text(Ctl::ファイル名), panel.Text(Ctl::タイプ), release, ip, pcName, user})
          : frame.Call(CallPrefix::Lower, "FTPLIB4V", {lib, release, ip, pcName, user});
  // The save file travels in binary; the listing and the reply as text. The
  // listing is fetched whether or not a workbook is wanted.
  frame.Write({"binary"},
              {call, "get QTEMP/FTPSAVF " + PcPath(panel.Text(Ctl::pcファイル名)), "quote TYPE C 943",
               std::string(kListingFetch)},
              {"quote site trim 0"});
}

void ANSER16(RunContext& ctx) {
  Panel& panel = ctx.panel;
  const std::string title(SaveFileOperationTitle(ctx.code));
  constexpr ReplyMethod m = ReplyMethod::ANSER16;
  const std::array<ReplyTest, 6> tests = {
      EmptyTest(m, title),
      TimeoutTest(m, title),
      WordTest(m, "NOTLIB", "ライブラリーが存在しません確認してください。", title, Ctl::ライブラリー名),
      WordTest(m, "NOTOBJ",
               "指定されたオブジェクトは存在しません。ライブラリー、オブジェクト、タイプを確認してください。",
               title, Ctl::ファイル名),
      WordTest(m, "RLSERR", "ＡＳ/４００コマンドエラー、入力データを確認下さい。", title, Ctl::ライブラリー名),
      SuccessTest(m, title),
  };
  // The listing is fetched whether or not a workbook is wanted, but read only
  // when it is: without リスト要 its failure says nothing about the save file.
  if (ctx.failedTransfer && panel.Value(Ctl::リスト要) != 1 && IsGetInto(*ctx.failedTransfer, paths::kListing))
    ctx.failedTransfer.reset();
  RunReplyTests(ctx, ReadReply(), tests, [&] {
    if (panel.Value(Ctl::リスト要) == 1 && ctx.buildListing) {
      // A workbook that cannot be built must not cost the operator the
      // completion line and the remembered inputs of a download that worked.
      try {
        ctx.buildListing(ctx);
      } catch (...) {
      }
    }
    EmptySystemClipboard();
    panel.SetText(Ctl::LABEL99, "ダウンロード完了しました。");
    WriteRememberedInputs(panel, InputsLayout::DFT2Download);
  });
}

void CHK25(RunContext& ctx, std::int16_t& flag) {
  Panel& panel = ctx.panel;
  const int code = ctx.code;
  const std::string title(SaveFileOperationTitle(code));
  flag = 0;
  CheckNames(panel, flag, code == 25);
  if (panel.Text(Ctl::復元先).empty())
    FailCheck(panel, flag, "復元先ライブラリー名を入力してください。", "復元先ライブラリー", Ctl::復元先);
  // The save file must name a file, and that file must exist; a path whose
  // attributes can be read (a folder too) counts as existing.
  const std::string pc = panel.Text(Ctl::pcファイル名);
  if (flag == 0 && NoFileNameAfterRoot(pc))
    FailCheck(panel, flag, "SAVEファイルを入力してください。", title, Ctl::pcファイル名);
  if (flag == 0 && !PathExists(pc))
    FailCheck(panel, flag, "SAVEファイルが存在しません。", title, Ctl::pcファイル名);
}

void FTP25(RunContext& ctx) {
  const Panel& panel = ctx.panel;
  // The long sentinel: a reply that never arrives reads as a timeout instead
  // of as the previous run's outcome.
  ScriptFrame frame(ctx, Sentinel::Member);
  const std::string lib = panel.Text(Ctl::ライブラリー名);
  const std::string restoreLib = panel.Text(Ctl::復元先);
  const std::string call = ctx.code == 25
                               ? frame.Call(CallPrefix::Lower, "FTPOBJ3", {lib, panel.Text(Ctl::ファイル名), restoreLib})
                               : frame.Call(CallPrefix::Lower, "FTPLIB3", {lib, restoreLib});
  frame.Write({"binary"},
              {std::string(kCreateSaveFile), "put " + PcPath(panel.Text(Ctl::pcファイル名)) + " QTEMP/FTPSAVF", call},
              {"quote TYPE C 943"});
}

void ANSER25(RunContext& ctx) {
  Panel& panel = ctx.panel;
  const std::string title(SaveFileOperationTitle(ctx.code));
  constexpr ReplyMethod m = ReplyMethod::ANSER25;
  const std::array<ReplyTest, 7> tests = {
      SuccessTest(m, title),
      EmptyTest(m, title),
      TimeoutTest(m, title),
      WordTest(m, "RSTERR", "リストアー失敗しました。ライブラリー名が不正かも？", title),
      WordTest(m, "NOTLIB", "リストアー失敗しました。指定ライブラリーが存在しません", title),
      WordTest(m, "NOTOBJ", "リストアー失敗しました。指定オブジェクトが存在しません", title),
      WordTest(m, "RSTOBJ", "リストアー失敗しました。確認お願いします。", title),
  };
  RunReplyTests(ctx, ReadReply(), tests, [&] { panel.SetText(Ctl::LABEL99, "アップ・ロード完了しました。"); });
  WriteRememberedInputs(panel, InputsLayout::DFT2Upload);
}

std::span<const Dispatch> SaveFileDispatchRows() {
  static constexpr Dispatch kRows[] = {
      {15, CHK16, FTP16, ANSER16},
      {16, CHK16, FTP16, ANSER16},
      {24, CHK25, FTP25, ANSER25},
      {25, CHK25, FTP25, ANSER25},
  };
  return kRows;
}

}  // namespace kv
