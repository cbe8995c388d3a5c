// The reply file's fields at the line's edges, the success and empty tests of
// every method, and the script frame's lines byte for byte.
#include <gtest/gtest.h>

#include <algorithm>

#include "client/engine/reply.h"
#include "client/engine/script.h"
#include "client/panel/memory_panel.h"
#include "tests/unit/client/client_fixture.h"

using namespace kv;
using kvtest::ClientDrive;

namespace {

const std::string k30 = "123456789012345678901234567890";

// Which outcome a method's first two tests give for a line: "success", "logon", or "".
std::string Judge(ReplyMethod m, const std::string& line) {
  MemoryPanel p;
  std::vector<ReplyTest> tests = {SuccessTest(m), EmptyTest(m, "T")};
  bool ok = false;
  auto hit = RunReplyTests(p, ReplyLine{line}, tests, [&] { ok = true; });
  if (!hit) return "";
  return ok ? "success" : "logon";
}

}  // namespace

TEST(ReplyLine, FieldsAtTheEdges) {
  ReplyLine r{k30 + "OK    NNNN" + "詳細テキスト"};
  EXPECT_EQ(r.StatusField(), "OK    ");
  EXPECT_EQ(r.ShortStatus(), "OK");
  EXPECT_EQ(r.RecordCount(), "    N");
  EXPECT_EQ(r.DetailText(), "詳細テキスト");
  EXPECT_EQ(ReplyLine{k30}.StatusField(), "");
  EXPECT_EQ(ReplyLine{k30 + "O"}.StatusField(), "O");
  EXPECT_EQ(ReplyLine{"1234567890TIMOVR"}.SaveStatus(), "TIMOVR");
  EXPECT_EQ(ReplyLine{"1234567890"}.SaveStatus(), "");
  // Characters, not bytes: a kanji in the first thirty moves nothing.
  EXPECT_EQ(ReplyLine{"漢" + k30.substr(1) + "NOTLIB"}.StatusField(), "NOTLIB");
}

TEST(ReplyTests, SuccessAndEmptyPerMethod) {
  const std::string ok32 = k30 + "OK", ok36 = k30 + "OK    ";
  struct Row { ReplyMethod m; std::string line; std::string expect; };
  const Row rows[] = {
      {ReplyMethod::ANSER11, ok32, "success"}, {ReplyMethod::ANSER11, ok36, "success"},
      {ReplyMethod::ANSER13, ok36, "success"}, {ReplyMethod::ANSER14, ok32, "success"},
      {ReplyMethod::ANSER17, ok36, "success"}, {ReplyMethod::ANSER26, ok36, "success"},
      {ReplyMethod::ANSER25, ok32, "success"}, {ReplyMethod::ANSER25, ok36, ""},
      {ReplyMethod::ANSER21, ok36 + "  detail", "success"}, {ReplyMethod::ANSER23, k30 + "OK00012", "success"},
      {ReplyMethod::ANSER16, "1234567890OK", "success"}, {ReplyMethod::ANSER16, "1234567890OK    ", ""},
      {ReplyMethod::ANSER11, k30, "logon"}, {ReplyMethod::ANSER11, "", "logon"},
      {ReplyMethod::ANSER22, k30, "logon"}, {ReplyMethod::ANSER16, "1234567890", "logon"},
      {ReplyMethod::ANSER11, k30 + "ok", ""}, {ReplyMethod::ANSER22, k30 + "O", ""},
  };
  for (const auto& r : rows) EXPECT_EQ(Judge(r.m, r.line), r.expect) << static_cast<int>(r.m) << " [" << r.line << "]";
}

TEST(ReplyTests, LogonBoxesByMethod) {
  struct Row { ReplyMethod m; std::string_view text; std::string title; MsgIcon icon; };
  const Row rows[] = {
      {ReplyMethod::ANSER11, kLogonFailureText, "PC⇒AS400(CSV）", MsgIcon::Exclamation},
      {ReplyMethod::ANSER23, kLogonFailureText, "PC⇒AS400(CSV）", MsgIcon::Exclamation},
      {ReplyMethod::ANSER17, kLogonFailureText, "T", MsgIcon::Exclamation},
      {ReplyMethod::ANSER16, kLogonFailureTextPlain, "T", MsgIcon::None},
      {ReplyMethod::ANSER25, kLogonFailureTextPlain, "T", MsgIcon::None},
  };
  for (const auto& r : rows) {
    MemoryPanel p;
    std::vector<ReplyTest> tests = {SuccessTest(r.m), EmptyTest(r.m, "T")};
    RunReplyTests(p, ReplyLine{""}, tests, nullptr);
    ASSERT_EQ(p.Events().size(), 1u);
    EXPECT_EQ(p.Events()[0], (PanelEvent{PanelEvent::Kind::Message, std::string(r.text), r.title, r.icon}));
  }
}

TEST(ReplyTests, WordsMoveTheFocusAfterTheirBox) {
  MemoryPanel p;
  std::vector<ReplyTest> tests = {SuccessTest(ReplyMethod::ANSER11),
                                  WordTest(ReplyMethod::ANSER11, "NOTLIB", "ライブラリーがありません。", "T", Ctl::ライブラリー名),
                                  TimeoutTest(ReplyMethod::ANSER11, "T")};
  auto hit = RunReplyTests(p, ReplyLine{k30 + "NOTLIB"}, tests, nullptr);
  EXPECT_EQ(hit, 1u);
  ASSERT_EQ(p.Events().size(), 2u);
  EXPECT_EQ(p.Events()[1].text, "ライブラリー名");
  MemoryPanel q;
  EXPECT_EQ(RunReplyTests(q, ReplyLine{std::string(kMemberSentinel)}, tests, nullptr), 2u);
  EXPECT_EQ(q.Events()[0].text, "通信不能です。");
  EXPECT_FALSE(RunReplyTests(q, ReplyLine{k30 + "XXXXXX"}, tests, nullptr).has_value());
}

TEST(ReplyFile, MissingOrEmptyGivesTheEmptyLine) {
  ClientDrive drive;
  EXPECT_EQ(ReadReply().line, "");
  drive.PutFile("FTPTEXT.DAT", "");
  EXPECT_EQ(ReadReply().line, "");
  drive.PutFile("FTPTEXT.DAT", ClientDrive::Cp932Lines({k30 + "OK    " + "    メンバー説明", "second"}));
  EXPECT_EQ(ReadReply().DetailText(), "メンバー説明");
}

TEST(ToolLibrary, FirstTenCharactersTrimmed) {
  ClientDrive drive;
  EXPECT_EQ(ReadToolLibrary(), "");
  struct Row { std::string content; std::string expect; };
  const Row rows[] = {
      {"TOOLLIB   OTHERLIB\r\n", "TOOLLIB"},
      {"TRIAL_KVU \r\n", "TRIAL_KVU"},
      {"  LIB\r\n", "LIB"},
      {"ABCDEFGHIJKL\r\n", "ABCDEFGHIJ"},
      {"", ""},
      {"\r\nTOOLLIB\r\n", ""},
      {"NOEOL", "NOEOL"},
  };
  for (const auto& r : rows) {
    drive.PutFile("LIBNAME.ini", r.content);
    EXPECT_EQ(ReadToolLibrary(), r.expect) << r.content;
  }
}

TEST(CallLine, QuotingAndPrefixes) {
  EXPECT_EQ(CallLine(CallPrefix::Lower, "TOOLLIB", "SRCUP", {"A", "B"}), "quote rcmd CALL TOOLLIB/#SRCUP PARM('A' 'B')");
  EXPECT_EQ(CallLine(CallPrefix::Upper, "", "RTVMBR4", {"", "X"}), "quote RCMD CALL /#RTVMBR4 PARM('' 'X')");
  // An apostrophe inside a value cannot end its parameter.
  EXPECT_EQ(CallLine(CallPrefix::Lower, "T", "P", {"A') PARM('X"}), "quote rcmd CALL T/#P PARM('A'') PARM(''X')");
  EXPECT_EQ(PcPath("C:\\My Files\\a.txt"), "\"C:\\My Files\\a.txt\"");
}

TEST(ReplyTests, ASuccessWordAfterAFailedTransferIsNoSuccess) {
  MemoryPanel p;
  RunContext ctx{p};
  ReportedTransfer put;
  put.direction = TransferDirection::Put;
  put.state = ReportedTransfer::State::Failed;
  put.cause = FailureCause::Server;
  put.text = "550 Member M not changed.";
  ctx.failedTransfer = put;
  constexpr auto m = ReplyMethod::ANSER22;
  std::vector<ReplyTest> tests = {SuccessTest(m, "データ・アップロード"), EmptyTest(m, "T"),
                                  WordTest(m, "NOTLIB", "ライブラリー名が間違っています確認してください。", "T")};
  bool ok = false;
  EXPECT_EQ(RunReplyTests(ctx, ReplyLine{k30 + "OK"}, tests, [&] { ok = true; }), 0u);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(ctx.succeeded);
  EXPECT_EQ(p.Events(), (std::vector<PanelEvent>{{PanelEvent::Kind::Message,
                                                   "ホストがデータを受け付けませんでした。ホストの応答：550 Member M not changed.",
                                                   "データ・アップロード", MsgIcon::Exclamation}}));
  // A failure word of the host stands as it is.
  p.ClearEvents();
  RunReplyTests(ctx, ReplyLine{k30 + "NOTLIB"}, tests, nullptr);
  EXPECT_EQ(p.Events().at(0).text, "ライブラリー名が間違っています確認してください。");
  // Without a failed transfer the success line is shown and the run succeeded.
  ctx.failedTransfer.reset();
  RunReplyTests(ctx, ReplyLine{k30 + "OK"}, tests, [&] { ok = true; });
  EXPECT_TRUE(ok);
  EXPECT_TRUE(ctx.succeeded);
}

TEST(ReplyTests, ALineCutShortIsNeitherALogonFailureNorASuccess) {
  // What a run shows for a line: the first box's text, or "success", or "" (nothing).
  auto shown = [](ReplyMethod m, int code, const std::string& line, std::string* title = nullptr) {
    MemoryPanel p;
    RunContext ctx{p};
    ctx.code = code;
    std::vector<ReplyTest> tests = {SuccessTest(m, "操作"), EmptyTest(m, "操作"), TimeoutTest(m, "操作"),
                                    WordTest(m, "NOTLIB", "NOTLIB box", "操作")};
    if (m == ReplyMethod::ANSER16) std::rotate(tests.begin(), tests.begin() + 1, tests.end());
    bool ok = false;
    RunReplyTests(ctx, ReplyLine{line}, tests, [&] { ok = true; });
    EXPECT_EQ(ok, ctx.succeeded);
    if (ok) return std::string("success");
    if (p.Events().empty()) return std::string();
    if (title) *title = p.Events()[0].title;
    return p.Events()[0].text;
  };
  const std::string download(kCutShortDownloadText), upload(kCutShortUploadText), logon(kLogonFailureText);
  std::string title;
  // Cut before the status word: the program name alone, or the whole prefix.
  EXPECT_EQ(shown(ReplyMethod::ANSER11, 11, "#RTVMBR4", &title), download);
  EXPECT_EQ(title, "操作");  // the operation's own title, not the logon box's
  EXPECT_EQ(shown(ReplyMethod::ANSER11, 11, k30), download);
  EXPECT_EQ(shown(ReplyMethod::ANSER22, 22, "X"), upload);
  EXPECT_EQ(shown(ReplyMethod::ANSER16, 15, "#FTPLIB4V"), download);
  EXPECT_EQ(shown(ReplyMethod::ANSER25, 24, k30.substr(0, 20)), upload);
  // Lines that reach the status word keep their outcomes: no line at all is a
  // refused logon, a short OK is a success, a word no test knows shows nothing.
  EXPECT_EQ(shown(ReplyMethod::ANSER11, 11, ""), logon);
  EXPECT_EQ(shown(ReplyMethod::ANSER25, 24, ""), std::string(kLogonFailureTextPlain));
  EXPECT_EQ(shown(ReplyMethod::ANSER11, 11, k30 + "OK"), "success");
  EXPECT_EQ(shown(ReplyMethod::ANSER25, 24, k30 + "OK"), "success");
  EXPECT_EQ(shown(ReplyMethod::ANSER16, 15, "1234567890OK"), "success");
  EXPECT_EQ(shown(ReplyMethod::ANSER11, 11, k30 + "NOTLIB"), "NOTLIB box");
  EXPECT_EQ(shown(ReplyMethod::ANSER11, 11, k30 + "XXXXXX"), "");
  EXPECT_EQ(shown(ReplyMethod::ANSER21, 21, k30 + "O"), "");
  EXPECT_EQ(shown(ReplyMethod::ANSER16, 16, "1234567890TIM"), "");
  EXPECT_EQ(shown(ReplyMethod::ANSER11, 11, std::string(kMemberSentinel)), std::string(kTimeoutText));
  // A kanji counts as one character: this line reaches its status word.
  EXPECT_EQ(shown(ReplyMethod::ANSER11, 11, "漢" + k30.substr(1) + "OK"), "success");
}

TEST(ReplyTests, ACutShortLineAfterAFailedTransferNamesTheTransfer) {
  MemoryPanel p;
  RunContext ctx{p};
  ctx.code = 11;
  ReportedTransfer get;
  get.state = ReportedTransfer::State::Failed;
  get.cause = FailureCause::Network;
  ctx.failedTransfer = get;
  std::vector<ReplyTest> tests = {SuccessTest(ReplyMethod::ANSER11, "T"), EmptyTest(ReplyMethod::ANSER11, "T")};
  RunReplyTests(ctx, ReplyLine{"#RTVMBR4"}, tests, nullptr);
  ASSERT_EQ(p.Events().size(), 1u);
  EXPECT_EQ(p.Events()[0].text, "データの受信が途中で切れました。もう一度実行して下さい。");
  EXPECT_FALSE(ctx.succeeded);
}

TEST(ScriptFrame, SentinelThenTheWholeScriptInCp932) {
  ClientDrive drive;
  drive.PutFile("LIBNAME.ini", "TRIAL_KVU TRIAL_KVD\r\n");
  drive.PutFile("FTPTEXT.DAT", "previous reply\r\n");
  MemoryPanel p;
  p.SetText(Ctl::IPアドレス, "10.0.0.1");
  p.SetText(Ctl::ユーザー, "QSECOFR");
  p.SetText(Ctl::パスワード, "ﾊﾟｽ");
  RunContext ctx{p};
  ScriptFrame frame(ctx, Sentinel::Member);
  EXPECT_EQ(drive.File("FTPTEXT.DAT"), "123456789012345678901234567890TIMOVR\r\n");
  EXPECT_EQ(frame.ToolLibrary(), "TRIAL_KVU");
  frame.Write({"quote TYPE C 943"}, {"get A/B.C \"C:\\x.txt\"", frame.Call(CallPrefix::Upper, "RTVMBR4", {"A"})},
              {"quote TYPE C 943"});
  EXPECT_EQ(drive.File("kvtrn.ini"),
            ClientDrive::Cp932Lines({"open 10.0.0.1", "QSECOFR", "ﾊﾟｽ", "quote TYPE C 943", "cd /QSYS.LIB/",
                                     "quote site namefmt 0", "get A/B.C \"C:\\x.txt\"",
                                     "quote RCMD CALL TRIAL_KVU/#RTVMBR4 PARM('A')", "quote TYPE C 943",
                                     "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}));
  ScriptFrame save(ctx, Sentinel::SaveFile);
  EXPECT_EQ(drive.File("FTPTEXT.DAT"), "1234567890TIMOVR\r\n");
  EXPECT_EQ(ctx.unwrittenFile, "");
}
