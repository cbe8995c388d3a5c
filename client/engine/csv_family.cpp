#include "client/engine/csv_family.h"

#include <vector>

#include "client/engine/member_common.h"
#include "client/engine/reply.h"
#include "client/engine/script.h"
#include "client/workfiles/remembered_inputs.h"

namespace kv {
namespace {

using member::kNotFil;
using member::kNotLib;
using member::kNotMbr;

// The same as CHK22 with the CSV texts of the PC-file checks.
constexpr FieldCheck kChk23[] = {
    {IsEmpty<Ctl::ライブラリー名>, "データ・ライブラリー名を入力して下さい。", "データライブラリー名",
     Ctl::ライブラリー名},
    {IsEmpty<Ctl::ファイル名>, "ファイル名を入力して下さい。", "データファイル名", Ctl::ファイル名},
    {IsEmpty<Ctl::メンバー名>, "メンバー名を入力して下さい。", "メンバー名", Ctl::メンバー名},
    {member::NoNameAfterRoot, "CSVファイルを選択してください。", "PCファイル名", Ctl::pcファイル名},
    {member::PcFileMissing, "PCファイルが存在しません。", "PCファイル名", Ctl::pcファイル名},
};


std::vector<ReplyTest> Anser14Tests() {
  constexpr auto m = ReplyMethod::ANSER14;
  constexpr auto t = kCsvDownloadTitle;
  return {SuccessTest(m, t),
          EmptyTest(m, t),
          TimeoutTest(m, t),
          WordTest(m, "NOTLIB", kNotLib, t, Ctl::ライブラリー名),
          WordTest(m, "NOTFIL", kNotFil, t, Ctl::ファイル名),
          WordTest(m, "NOTMBR", kNotMbr, t, Ctl::メンバー名),
          WordTest(m, "MBRERR", "正しく入力して下さい。(*ALLや総称は指定できません)", t, Ctl::メンバー名),
          // An export that stops at data it cannot convert (bad packed or zoned
          // bytes, control characters) writes nothing: without this row the
          // operator would see neither a message nor a result line.
          WordTest(m, "PACDTA", "転送できないデータタイプが存在します。", t, Ctl::ファイル名)};
}

// The conversion-error box names the object the host wrote the details to, so
// its text is made per reply.
std::vector<ReplyTest> Anser23Tests(const std::string& conversionErrorText) {
  constexpr auto m = ReplyMethod::ANSER23;
  constexpr auto t = kCsvUploadTitle;
  ReplyTest wn = WordTest(m, "WN", {}, t, Ctl::メンバー名);
  wn.field = ReplyField::Short;
  wn.text = conversionErrorText;
  return {SuccessTest(m, t),
          EmptyTest(m, t),
          TimeoutTest(m, t),
          WordTest(m, "ERROR1", "処理出来ませんでした。AS400のジョブログを見て下さい。", t, Ctl::メンバー名),
          WordTest(m, "DUPERR", "データ・キー重複エラー。AS400のジョブログを見て下さい。", t, Ctl::メンバー名),
          WordTest(m, "NOTLIB", kNotLib, t, Ctl::ライブラリー名),
          WordTest(m, "NOTFIL", kNotFil, t, Ctl::ファイル名),
          WordTest(m, "NOTMBR", kNotMbr, t, Ctl::メンバー名),
          wn};
}

}  // namespace

void CHK14(RunContext& ctx, std::int16_t& flag) { RunChecks(ctx.panel, member::DataDownloadChecks(), flag); }

void FTP14(RunContext& ctx) {
  const Panel& p = ctx.panel;
  // 漢字 carries the label "項目名(要)" here: the column names are wanted.
  const bool wanted = p.Value(Ctl::漢字) != 0;
  ScriptFrame frame(ctx, Sentinel::Member);
  frame.Write({"quote TYPE C 943"},
              {frame.Call(CallPrefix::Lower, "FTPCSVG2",
                          {p.Text(Ctl::ライブラリー名), p.Text(Ctl::ファイル名), p.Text(Ctl::メンバー名),
                           p.Text(Ctl::IPADR), p.Text(Ctl::WRKS), wanted ? "Y" : "N"}),
               "get QTEMP/CSVF.CSVF " + PcPath(p.Text(Ctl::pcファイル名))});
}

void ANSER14(RunContext& ctx) {
  Panel& p = ctx.panel;
  const ReplyLine reply = ReadReply();
  const auto tests = Anser14Tests();
  RunReplyTests(ctx, reply, tests, [&] { member::ShowDownloaded(p, reply); });
  WriteRememberedInputs(p, InputsLayout::DFTC);
}

void CHK23(RunContext& ctx, std::int16_t& flag) { RunChecks(ctx.panel, kChk23, flag); }

void FTP23(RunContext& ctx) {
  const Panel& p = ctx.panel;
  ScriptFrame frame(ctx, Sentinel::Member);
  frame.Write({"quote TYPE C 943"},
              {"put " + PcPath(p.Text(Ctl::pcファイル名)) + " qtemp/csvf.csvf",
               frame.Call(CallPrefix::Lower, "FTPCSVP",
                          {p.Text(Ctl::ライブラリー名), p.Text(Ctl::ファイル名), p.Text(Ctl::メンバー名)})});
}

void ANSER23(RunContext& ctx) {
  Panel& p = ctx.panel;
  const ReplyLine reply = ReadReply();
  const std::string wnText =
      "変換エラーが有りました。出力先" + reply.OutputName() + "に内容出力されています、ご確認下さい。";
  const auto tests = Anser23Tests(wnText);
  RunReplyTests(ctx, reply, tests, [&] {
    p.SetText(Ctl::LABEL99, p.Text(Ctl::メンバー名) + ":「" + reply.DetailText() + "」アップ・ロード完了しました。件数" +
                                reply.RecordCount() + "件");
  });
  WriteRememberedInputs(p, InputsLayout::DFTC);
}

std::span<const Dispatch> CsvDispatchRows() {
  static constexpr Dispatch kRows[] = {
      {14, CHK14, FTP14, ANSER14},
      {23, CHK23, FTP23, ANSER23},
  };
  return kRows;
}

}  // namespace kv
