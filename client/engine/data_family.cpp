#include "client/engine/data_family.h"

#include <vector>

#include "client/engine/member_common.h"
#include "client/engine/reply.h"
#include "client/engine/script.h"
#include "client/panel/panel_text.h"
#include "client/workfiles/remembered_inputs.h"

namespace kv {
namespace {

using member::kNotFil;
using member::kNotLib;
using member::kNotMbr;

// No backslash check on this side; every check stops once one has failed.
constexpr FieldCheck kChk22[] = {
    {IsEmpty<Ctl::ライブラリー名>, "データ・ライブラリー名を入力して下さい。", "データライブラリー名",
     Ctl::ライブラリー名},
    {IsEmpty<Ctl::ファイル名>, "ファイル名を入力して下さい。", "データファイル名", Ctl::ファイル名},
    {IsEmpty<Ctl::メンバー名>, "メンバー名を入力して下さい。", "メンバー名", Ctl::メンバー名},
    {member::NoNameAfterRoot, "TEXTファイルを選択してください。", "PCファイル名", Ctl::pcファイル名},
    {member::PcFileMissing, "PCファイルが存在しません。", "PCファイル名", Ctl::pcファイル名},
};


bool IsBinaryDownload(const std::string& code) { return code == "13"; }
bool IsBinaryUpload(const Panel& p) { return MenuNo(p) == 22; }

// The transfer-type line of a text transfer: with Japanese text, conversion
// through CCSID 943; without, plain ascii.
std::string TextTypeLine(const Panel& p) { return p.Value(Ctl::漢字) != 0 ? "quote TYPE C 943" : "ascii"; }

std::vector<ReplyTest> Anser13Tests(std::string_view t) {
  constexpr auto m = ReplyMethod::ANSER13;
  return {SuccessTest(m),
          EmptyTest(m, t),
          WordTest(m, "NOTLIB", kNotLib, t, Ctl::ライブラリー名),
          WordTest(m, "NOTFIL", kNotFil, t, Ctl::ファイル名),
          WordTest(m, "PACDTA", "転送できないデータタイプが存在します。", t, Ctl::ファイル名),
          WordTest(m, "NOTMBR", kNotMbr, t, Ctl::メンバー名),
          TimeoutTest(m, t, Ctl::メンバー名)};
}

std::vector<ReplyTest> Anser22Tests(std::string_view t) {
  constexpr auto m = ReplyMethod::ANSER22;
  return {SuccessTest(m),
          EmptyTest(m, t),
          TimeoutTest(m, t),
          WordTest(m, "NOTLIB", kNotLib, t, Ctl::ライブラリー名),
          WordTest(m, "NOTFIL", kNotFil, t, Ctl::ファイル名),
          WordTest(m, "NOTMBR", kNotMbr, t, Ctl::メンバー名)};
}

}  // namespace

void CHK13(RunContext& ctx, std::int16_t& flag) { RunChecks(ctx.panel, member::DataDownloadChecks(), flag); }

void FTP13(RunContext& ctx, const std::string& code) {
  const Panel& p = ctx.panel;
  const bool binary = IsBinaryDownload(code);
  ScriptFrame frame(p, Sentinel::Member);
  frame.Write({binary ? std::string("binary") : TextTypeLine(p), "quote site trim 0"},
              {"get " + member::MemberPath(p) + " " + PcPath(p.Text(Ctl::pcファイル名)),
               frame.Call(CallPrefix::Upper, "RTVMBR4",
                          {p.Text(Ctl::ライブラリー名), p.Text(Ctl::ファイル名), p.Text(Ctl::メンバー名),
                           binary ? "B" : "D", p.Text(Ctl::IPADR), p.Text(Ctl::WRKS)})},
              {"quote TYPE C 943"});
}

void ANSER13(RunContext& ctx, const std::string& code) {
  Panel& p = ctx.panel;
  const ReplyLine reply = ReadReply();
  const auto tests = Anser13Tests(IsBinaryDownload(code) ? kDataBinaryDownloadTitle : kDataDownloadTitle);
  RunReplyTests(p, reply, tests, [&] { member::ShowDownloaded(p, reply); });
  WriteRememberedInputs(p, InputsLayout::DFT);
}

void CHK22(RunContext& ctx, std::int16_t& flag) { RunChecks(ctx.panel, kChk22, flag); }

void FTP22(RunContext& ctx, const std::string&) {
  const Panel& p = ctx.panel;
  ScriptFrame frame(p, Sentinel::Member);
  frame.Write({IsBinaryUpload(p) ? std::string("binary") : TextTypeLine(p)},
              {"put " + PcPath(p.Text(Ctl::pcファイル名)) + " " + member::MemberPath(p),
               frame.Call(CallPrefix::Lower, "SRCUP",
                          {p.Text(Ctl::ライブラリー名), p.Text(Ctl::ファイル名), p.Text(Ctl::メンバー名), "", "", ""})},
              {"quote TYPE C 943"});
}

void ANSER22(RunContext& ctx, const std::string&) {
  Panel& p = ctx.panel;
  const ReplyLine reply = ReadReply();
  const auto tests = Anser22Tests(IsBinaryUpload(p) ? kDataBinaryUploadTitle : kDataUploadTitle);
  RunReplyTests(p, reply, tests, [&] {
    p.SetText(Ctl::LABEL99, "ファイル「" + reply.DetailText() + "」送信完了しました。");
  });
  WriteRememberedInputs(p, InputsLayout::DFT);
}

}  // namespace kv
