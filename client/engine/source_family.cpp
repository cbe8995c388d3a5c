#include "client/engine/source_family.h"

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

constexpr FieldCheck kChk11[] = {
    {IsEmpty<Ctl::ライブラリー名>, "ライブラリー名を入力して下さい。", "ソースライブラリー名", Ctl::ライブラリー名},
    {IsEmpty<Ctl::ファイル名>, "ファイル名を入力して下さい。", "ソースファイル名", Ctl::ファイル名},
    {IsEmpty<Ctl::メンバー名>, "メンバー名を入力して下さい。", "メンバー名", Ctl::メンバー名},
    {member::NoBackslash, "パス名が不正です。", "PCファイル名", Ctl::pcファイル名},
    {member::NoNameAfterRoot, "保存先ファイルを入力してください。", "PCファイル名", Ctl::pcファイル名},
};

bool CompileWithoutObjectLibrary(const Panel& p) {
  return p.Value(Ctl::コンパイル) != 0 && p.Text(Ctl::オブジェクトライブラリー).empty();
}

constexpr FieldCheck kChk21[] = {
    {IsEmpty<Ctl::ライブラリー名>, "ライブラリー名を入力して下さい。", "ソースライブラリー名", Ctl::ライブラリー名},
    {IsEmpty<Ctl::ファイル名>, "ファイル名を入力して下さい。", "ソースファイル名", Ctl::ファイル名},
    {IsEmpty<Ctl::メンバー名>, "メンバー名を入力して下さい。", "メンバー名", Ctl::メンバー名},
    {CompileWithoutObjectLibrary, "オブジェクト・ライブラリー名を入力して下さい。", "オブジェクトライブラリー",
     Ctl::オブジェクトライブラリー},
    {IsEmpty<Ctl::タイプ>, "タイプを選択して下さい。", "タイプ", Ctl::タイプ},
    {member::NoNameAfterRoot, "TEXTファイルを選択してください。", "PCファイル名", Ctl::pcファイル名},
    // Runs whenever the check above did not fire, even after an earlier failure.
    {member::PcFileMissing, "TEXTファイルが存在しません。", "PCファイル名", Ctl::pcファイル名,
     RunsWhen::PreviousDidNotFire},
};


std::vector<ReplyTest> Anser11Tests() {
  constexpr auto m = ReplyMethod::ANSER11;
  constexpr auto t = kSourceDownloadTitle;
  return {SuccessTest(m),
          EmptyTest(m, t),
          WordTest(m, "NOTLIB", kNotLib, t, Ctl::ライブラリー名),
          WordTest(m, "NOTFIL", kNotFil, t, Ctl::ファイル名),
          WordTest(m, "NOTMBR", kNotMbr, t, Ctl::メンバー名),
          TimeoutTest(m, t, Ctl::メンバー名)};
}

std::vector<ReplyTest> Anser21Tests() {
  constexpr auto m = ReplyMethod::ANSER21;
  constexpr auto t = kSourceUploadTitle;
  return {SuccessTest(m),
          EmptyTest(m, t),
          TimeoutTest(m, t),
          WordTest(m, "NOTLIB", kNotLib, t, Ctl::ライブラリー名),
          WordTest(m, "NOTFIL", kNotFil, t, Ctl::ファイル名),
          WordTest(m, "NOTMBR", kNotMbr, t, Ctl::メンバー名)};
}

}  // namespace

void CHK11(RunContext& ctx, std::int16_t& flag) { RunChecks(ctx.panel, kChk11, flag); }

void FTP11(RunContext& ctx, const std::string&) {
  const Panel& p = ctx.panel;
  ScriptFrame frame(p, Sentinel::Member);
  frame.Write({"quote TYPE C 943", "quote site trim 0"},
              {"get " + member::MemberPath(p) + " " + PcPath(p.Text(Ctl::pcファイル名)),
               frame.Call(CallPrefix::Upper, "RTVMBR4",
                          {p.Text(Ctl::ライブラリー名), p.Text(Ctl::ファイル名), p.Text(Ctl::メンバー名), "",
                           p.Text(Ctl::IPADR), p.Text(Ctl::WRKS)})});
}

void ANSER11(RunContext& ctx, const std::string&) {
  Panel& p = ctx.panel;
  const ReplyLine reply = ReadReply();
  const auto tests = Anser11Tests();
  RunReplyTests(p, reply, tests, [&] { member::ShowDownloaded(p, reply); });
  WriteRememberedInputs(p, InputsLayout::DFT);
}

void CHK21(RunContext& ctx, std::int16_t& flag) { RunChecks(ctx.panel, kChk21, flag); }

void FTP21(RunContext& ctx, const std::string&) {
  const Panel& p = ctx.panel;
  // #SRCUP receives the text of タイプ unchanged (no short type code such as
  // DSP for DSPF): the host program takes the full source type.
  ScriptFrame frame(p, Sentinel::Member);
  frame.Write({"quote TYPE C 943"},
              {"put " + PcPath(p.Text(Ctl::pcファイル名)) + " " + member::MemberPath(p),
               frame.Call(CallPrefix::Lower, "SRCUP",
                          {p.Text(Ctl::ライブラリー名), p.Text(Ctl::ファイル名), p.Text(Ctl::メンバー名),
                           p.Text(Ctl::タイプ), p.Value(Ctl::コンパイル) != 0 ? "Y" : "",
                           p.Text(Ctl::オブジェクトライブラリー)})});
}

void ANSER21(RunContext& ctx, const std::string& compile) {
  Panel& p = ctx.panel;
  const ReplyLine reply = ReadReply();
  const bool compiled = !compile.empty() && compile != "0";
  const auto tests = Anser21Tests();
  RunReplyTests(p, reply, tests, [&] {
    p.SetText(Ctl::LABEL99, compiled ? std::string("送信完了しました。コンパイル結果はQSYSOPRに出力されています。")
                                     : "ソースメンバー「" + reply.DetailText() + "」送信完了しました。");
  });
  WriteRememberedInputs(p, InputsLayout::DFT);
}

}  // namespace kv
