// Spooled files (17 save-file download, 18 text download, 26 upload):
// validation, the transfer scripts, the reply words and DFTS / DFTS2.
#include <gtest/gtest.h>

#include "client/engine/pipeline.h"
#include "client/engine/reply.h"
#include "client/engine/spool_family.h"
#include "client/panel/memory_panel.h"
#include "client/window/main_panel.h"
#include "tests/unit/client/check_table.h"
#include "tests/unit/client/client_fixture.h"

using namespace kv;
using kvtest::ClientDrive;

namespace {

using Events = std::vector<PanelEvent>;

PanelEvent Box(std::string text, std::string title) {
  return {PanelEvent::Kind::Message, std::move(text), std::move(title), MsgIcon::Exclamation};
}
PanelEvent Focus(std::string name) { return {PanelEvent::Kind::Focus, std::move(name), "", MsgIcon::None}; }

struct SplFixture {
  int code;  // of the run, as the pipeline passes it
  ClientDrive drive;
  MemoryPanel panel;

  explicit SplFixture(int code) : code(code) {
    StartUp(panel, [] { return HostInfo{"10.0.0.5", "pc01"}; });
    SelectOperation(panel, code);
    panel.SetText(Ctl::IPアドレス, "10.0.0.1");
    panel.SetText(Ctl::ユーザー, "QSECOFR");
    panel.SetText(Ctl::パスワード, "PW");
    if (code == 26) {
      panel.SetText(Ctl::ファイル名, "PRT01");
      panel.SetText(Ctl::ライブラリー名, "QUSRSYS");
      panel.SetText(Ctl::pcファイル名, "C:\\spl\\QSYSPRT.SPL");
    } else {
      panel.SetText(Ctl::ファイル名, "QSYSPRT");
      panel.SetText(Ctl::ジョブ名, "QPADEV0001");
      panel.SetText(Ctl::スプールユーザー, "TARO");
      panel.SetText(Ctl::番号, "123456");
      panel.SetText(Ctl::スプール番号, "1");
      panel.SetText(Ctl::pcファイル名, "C:\\spl\\QSYSPRT.SPL");
    }
    ClientDrive::WriteBytes(drive.DriveC() + "/spl/QSYSPRT.SPL", "spl");
    drive.PutFile("LIBNAME.ini", ClientDrive::Cp932Lines({"TOOLLIB"}));
    panel.ClearEvents();
  }
  void Reply(ReplyMethodFn anser, const std::optional<std::string>& line) {
    if (line) drive.PutFile("FTPTEXT.DAT", ClientDrive::Cp932Lines({*line}));
    RunContext ctx{panel, {}, code};
    anser(ctx);
  }
  Events Execute() {
    Pipeline pl;
    RunContext ctx{panel};
    panel.ClearEvents();
    pl.Execute(ctx);
    return panel.Events();
  }
};

const std::string kThirty = "123456789012345678901234567890";

}  // namespace

// ---- validation -------------------------------------------------------------

TEST(SpoolCheck, DownloadStopsAtTheFirstFailure) {
  const std::string t = "スプール・ダウンロード";
  auto box = [](std::string text, std::string title, std::string focus) {
    return Events{Box(std::move(text), std::move(title)), Focus(std::move(focus))};
  };
  const Events jobNo = box("番号が正しくありません。", t, "番号");
  const Events splNo = box("スプール番号が正しくありません。", t, "スプール番号");
  std::vector<kvtest::TypedRow> rows = {
      {"valid 17", 17, {}, {}},
      {"everything empty: only the first box", 17,
       {{Ctl::ファイル名, ""}, {Ctl::ジョブ名, ""}, {Ctl::スプールユーザー, ""}, {Ctl::番号, ""},
        {Ctl::スプール番号, ""}, {Ctl::pcファイル名, ""}},
       box("スプールファイル名を入力して下さい。", "ファイル名", "ファイル名")},
      {"job name", 18, {{Ctl::ジョブ名, ""}, {Ctl::番号, ""}}, box("ジョブ名を入力して下さい。", t, "ジョブ名")},
      {"job user", 17, {{Ctl::スプールユーザー, ""}}, box("ユーザーを入力して下さい。", t, "スプールユーザー")},
      {"job number empty", 17, {{Ctl::番号, ""}}, box("番号を入力して下さい。", t, "番号")},
      {"spooled file number empty", 18, {{Ctl::スプール番号, ""}}, box("スプール番号を入力して下さい。", t, "スプール番号")},
      {"drive root", 17, {{Ctl::pcファイル名, "C:\\"}}, box("保存先ファイルを入力してください。", "PCファイル名", "pcファイル名")},
      {"bare file name passes", 18, {{Ctl::pcファイル名, "out.txt"}}, {}},
      {"18 uses the same caption", 18, {{Ctl::番号, "0"}}, jobNo},
  };
  // The number checks compare texts, not numbers.
  for (auto [n, ok] : std::vector<std::pair<const char*, bool>>{
           {"000000", false}, {"0", false}, {"000001", true}, {"1", true}, {"999999", true},
           {"1234567", true}, {"9999990", false}, {"A00001", false}, {"-1", false}}) {
    rows.push_back({std::string("job number ") + n, 17, {{Ctl::番号, n}}, ok ? Events{} : jobNo});
  }
  for (auto [n, ok] : std::vector<std::pair<const char*, bool>>{
           {"0", false}, {"1", true}, {"10", true}, {"999999", true}, {"9999999", false}, {"*LAST", false},
           {"00001", false}}) {
    rows.push_back({std::string("spooled file number ") + n, 17, {{Ctl::スプール番号, n}}, ok ? Events{} : splNo});
  }
  kvtest::ExpectTypedRows<SplFixture>(CHK17, rows);
}

TEST(SpoolCheck, Upload) {
  const std::string t = "スプール・アップロード";
  const Events outq = {Box("スプール出力先を入力して下さい。", t), Focus("ファイル名")};
  const Events lib = {Box("ライブラリー名を入力して下さい。", t), Focus("ライブラリー名")};
  const Events noName = {Box("スプール・ファイルを入力してください。", t), Focus("pcファイル名")};
  const Events missing = {Box("スプール・ファイルが存在しません。", t), Focus("pcファイル名")};
  auto cat = [](Events a, const Events& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  kvtest::ExpectTypedRows<SplFixture>(CHK26, {
      {"valid", 26, {}, {}},
      {"output queue and library: only the first", 26, {{Ctl::ファイル名, ""}, {Ctl::ライブラリー名, ""}}, outq},
      {"library", 26, {{Ctl::ライブラリー名, ""}}, lib},
      {"output queue and no PC file: two boxes", 26, {{Ctl::ファイル名, ""}, {Ctl::pcファイル名, ""}}, cat(outq, noName)},
      {"library and missing file: two boxes", 26, {{Ctl::ライブラリー名, ""}, {Ctl::pcファイル名, "C:\\spl\\NONE.SPL"}},
       cat(lib, missing)},
      {"drive root: no existence box", 26, {{Ctl::pcファイル名, "C:\\"}}, noName},
      {"missing file", 26, {{Ctl::pcファイル名, "C:\\spl\\NONE.SPL"}}, missing},
      {"a folder counts as found", 26, {{Ctl::pcファイル名, "C:\\spl"}}, {}},
  });
}

// ---- scripts ------------------------------------------------------------------

TEST(SpoolScript, EveryVariantByteForByte) {
  const std::vector<std::string> opening = {"open 10.0.0.1", "QSECOFR", "PW", "binary", "cd /QSYS.LIB/",
                                            "quote site namefmt 0"};
  const std::string params = "PARM('QSYSPRT' 'QPADEV0001' 'TARO' '123456' '1' '10.0.0.5' 'pc01')";
  const std::vector<std::pair<int, std::vector<std::string>>> rows = {
      {17,
       {"quote rcmd CALL TOOLLIB/#CPYSPLF2V " + params, "get QTEMP/FTPSAVF \"C:\\spl\\QSYSPRT.SPL\"",
        "quote TYPE C 943", "quote site trim 0", "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}},
      {18,
       {"quote rcmd CALL TOOLLIB/#CPYSPLF3V " + params, "quote TYPE C 943", "get QTEMP/FTPPRT \"C:\\spl\\QSYSPRT.SPL\"",
        "quote TYPE C 943", "quote site trim 0", "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}},
      {26,
       {"quote rcmd CRTSAVF FILE(QTEMP/FTPSAVF)", "put \"C:\\spl\\QSYSPRT.SPL\" QTEMP/FTPSAVF",
        "quote rcmd CALL TOOLLIB/#PUTSPLFV PARM('PRT01' 'QUSRSYS')", "quote TYPE C 943",
        "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}},
  };
  for (const auto& [code, lines] : rows) {
    SCOPED_TRACE(code);
    SplFixture f(code);
    f.drive.SetReply(kThirty + "OK");
    EXPECT_EQ(f.Execute(), Events{});
    std::string expected;
    for (const auto& l : opening) expected += ClientDrive::Cp932Lines({l});
    for (const auto& l : lines) expected += ClientDrive::Cp932Lines({l});
    EXPECT_EQ(f.drive.ScriptSeen(), expected);
  }
}

TEST(SpoolScript, NoReplyReadsAsTimeoutBothWays) {
  for (int code : {18, 26}) {
    SCOPED_TRACE(code);
    SplFixture f(code);
    f.drive.PutFile("FTPTEXT.DAT", ClientDrive::Cp932Lines({kThirty + "OK"}));  // the previous run's success
    f.drive.NoReply();
    EXPECT_EQ(f.Execute(), (Events{Box("通信不能です。", std::string(SpoolOperationTitle(code)))}));
    EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "");
  }
}

// ---- replies ------------------------------------------------------------------

TEST(SpoolReply, DownloadEveryWordAndDftsAlways) {
  struct Row {
    int code;
    std::optional<std::string> line;
    Events expected;
    const char* label;
  };
  const char* logon = "ログイン出来ません。ユーザー・パスワード間違いないですか？";
  const char* done = "スプールダウンロード完了しました。";
  const std::string s17 = "スプール・ダウンロード", s18 = "スプールテキスト・ダウンロード";
  const std::vector<Row> rows = {
      {17, kThirty + "OK", {}, done},
      {18, kThirty + "OK    ", {}, done},
      {17, kThirty + "OK    " + std::string(60, 'x'), {}, done},
      {17, kThirty + "OK  x", {}, ""},
      {17, kThirty + "ok", {}, ""},
      {17, std::nullopt, {Box(logon, s17)}, ""},
      {18, kThirty, {Box(std::string(kv::kCutShortDownloadText), s18)}, ""},  // cut before the status
      {18, kThirty + "TIMOVR", {Box("通信不能です。", s18)}, ""},
      {17, kThirty + "NOTFIL", {Box("スプールが存在しません確認してください。", s17), Focus("ファイル名")}, ""},
      {18, kThirty + "NOTSPL", {Box("スプールが存在しません確認してください。", s18), Focus("ファイル名")}, ""},
      {17, kThirty + "NOTJOB",
       {Box("ジョブが存在しません。ジョブ名、ユーザー、ジョブ番号を確認してください。", s17), Focus("ジョブ名")}, ""},
      {17, kThirty + "NOTPRM",
       {Box("パラメータエラーです。スプールファイル名からスプール番号まで確認して下さい。", s17), Focus("ジョブ名")},
       ""},
      {17, kThirty + "NOTLIB", {}, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line.value_or("(no file)"));
    SplFixture f(row.code);
    f.Reply(ANSER17, row.line);
    EXPECT_EQ(f.panel.Events(), row.expected);
    EXPECT_EQ(f.panel.Text(Ctl::LABEL99), row.label);
    EXPECT_EQ(f.drive.File("DFTS.dat"),
              ClientDrive::Cp932Lines({"SYSTEM:10.0.0.1", "USER:QSECOFR", "PWRD:PW", "SFIL:QSYSPRT", "JOBN:QPADEV0001",
                                       "SUSR:TARO", "JOBN:123456", "SPLN:1"}));
  }
}

TEST(SpoolReply, UploadEveryWordAndDfts2Always) {
  struct Row {
    std::optional<std::string> line;
    Events expected;
    const char* label;
  };
  const std::string t = "スプール・アップロード";
  const char* done = "スプール・アップロード完了しました。";
  const std::vector<Row> rows = {
      {kThirty + "OK", {}, done},
      {kThirty + "OK    ", {}, done},
      {"", {Box("ログイン出来ません。ユーザー・パスワード間違いないですか？", t)}, ""},
      {kThirty + "TIMOVR", {Box("通信不能です。", t)}, ""},
      {kThirty + "NOTOUT", {Box("出力先が存在しません確認してください。", t), Focus("ファイル名")}, ""},
      {kThirty + "NOTLIB", {Box("出力先ライブラリーが存在しません確認してください。", t), Focus("ライブラリー名")}, ""},
      {kThirty + "NOTSPL", {Box("スプールデータではありません。", t), Focus("ファイル名")}, ""},
      {kThirty + "EMPTY#", {Box("転送スプールが空です。", t), Focus("ファイル名")}, ""},
      {kThirty + "NOTRST", {Box("スプールが壊れてます。復元出来ません。", t), Focus("ファイル名")}, ""},
      {kThirty + "RSTOBJ", {}, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line.value_or("(no file)"));
    SplFixture f(26);
    f.Reply(ANSER26, row.line);
    EXPECT_EQ(f.panel.Events(), row.expected);
    EXPECT_EQ(f.panel.Text(Ctl::LABEL99), row.label);
    EXPECT_EQ(f.drive.File("DFTS2.dat"),
              ClientDrive::Cp932Lines({"SYSTEM:10.0.0.1", "USER:QSECOFR", "PWRD:PW", "OUTQ:PRT01", "LIBL:QUSRSYS"}));
  }
}

TEST(SpoolRun, FailedDownloadStillRemembersTheJob) {
  SplFixture f(17);
  f.panel.SetText(Ctl::ジョブ名, "  JOBX  ");
  f.drive.SetReply(kThirty + "NOTJOB");
  f.Execute();
  EXPECT_EQ(f.panel.Text(Ctl::実行), "ＯＫ");
  SelectOperation(f.panel, 18);
  EXPECT_EQ(f.panel.Text(Ctl::ジョブ名), "JOBX");
  EXPECT_EQ(f.panel.Text(Ctl::番号), "123456");
}
