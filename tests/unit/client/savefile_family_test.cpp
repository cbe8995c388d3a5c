// Library and object save files (15, 16 download; 24, 25 upload): validation,
// the transfer scripts, the reply words, the listing call and DFT2.dat.
#include <gtest/gtest.h>

#include <stdexcept>

#include "client/engine/pipeline.h"
#include "client/engine/savefile_family.h"
#include "client/panel/memory_panel.h"
#include "client/window/main_panel.h"
#include "tests/unit/client/check_table.h"
#include "tests/unit/client/client_fixture.h"

using namespace kv;
using kvtest::ClientDrive;

namespace {

using Events = std::vector<PanelEvent>;

PanelEvent Box(std::string text, std::string title, MsgIcon icon = MsgIcon::Exclamation) {
  return {PanelEvent::Kind::Message, std::move(text), std::move(title), icon};
}
PanelEvent Focus(std::string name) { return {PanelEvent::Kind::Focus, std::move(name), "", MsgIcon::None}; }

// One operation picked and every input filled with a valid value.
struct SavFixture {
  int code;  // of the run, as the pipeline passes it
  ClientDrive drive;
  MemoryPanel panel;
  std::vector<std::string> listingCalls;

  explicit SavFixture(int code) : code(code) {
    StartUp(panel, [] { return HostInfo{"10.0.0.5", "pc01"}; });
    SelectOperation(panel, code);
    panel.SetText(Ctl::IPアドレス, "10.0.0.1");
    panel.SetText(Ctl::ユーザー, "QSECOFR");
    panel.SetText(Ctl::パスワード, "PW");
    panel.SetText(Ctl::ライブラリー名, "QGPL");
    panel.SetText(Ctl::ファイル名, "OBJA");
    panel.SetText(Ctl::タイプ, "*PGM");
    panel.SetText(Ctl::リリース, "*CURRENT");
    panel.SetText(Ctl::復元先, "RSTLIB");
    panel.SetText(Ctl::pcファイル名, "C:\\save\\QGPL.SAVF");
    ClientDrive::WriteBytes(drive.DriveC() + "/save/QGPL.SAVF", "savf");
    drive.PutFile("LIBNAME.ini", ClientDrive::Cp932Lines({"TOOLLIB   OTHERLIB"}));
    panel.ClearEvents();
  }
  RunContext Context() {
    return RunContext{panel, [this](RunContext& ctx) {
                        // What the panel and the files look like when the builder is reached.
                        listingCalls.push_back("label=" + ctx.panel.Text(Ctl::LABEL99) +
                                               " dft2=" + drive.File("DFT2.dat"));
                      },
                      code};
  }
  void Reply(ReplyMethodFn anser, const std::string* line) {
    if (line) drive.PutFile("FTPTEXT.DAT", ClientDrive::Cp932Lines({*line}));
    RunContext ctx = Context();
    anser(ctx);
  }
  Events Execute() {
    Pipeline pl;
    RunContext ctx = Context();
    panel.ClearEvents();
    pl.Execute(ctx);
    return panel.Events();
  }
};

const std::string kThirty = "123456789012345678901234567890";
const std::string kTen = "1234567890";

}  // namespace

// ---- validation -------------------------------------------------------------

TEST(SaveFileCheck, Download) {
  const Events obj = {Box("オブジェクト名を入力してください。", "オブジェクト"), Focus("ファイル名")};
  const Events lib = {Box("ライブラリー名を入力してください。", "ライブラリー"), Focus("ライブラリー名")};
  const Events type = {Box("タイプを指示してください。", "オブジェクト・タイプ"), Focus("タイプ")};
  const Events path = {Box("パス名が不正です。", "PCファイル名"), Focus("pcファイル名")};
  const Events target = {Box("保存先ファイルを入力してください。", "PCファイル名"), Focus("pcファイル名")};
  auto cat = [](std::initializer_list<Events> parts) {
    Events all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  kvtest::ExpectTypedRows<SavFixture>(CHK16, {
      {"16 valid", 16, {}, {}},
      {"16 names and type all fail, path not checked", 16,
       {{Ctl::ファイル名, ""}, {Ctl::ライブラリー名, ""}, {Ctl::タイプ, ""}, {Ctl::pcファイル名, "bare"}},
       cat({obj, lib, type})},
      {"16 type only", 16, {{Ctl::タイプ, ""}}, type},
      {"16 type of blanks passes (combo box)", 16, {{Ctl::タイプ, "   "}}, {}},
      {"15 ignores object name and type", 15, {{Ctl::ファイル名, ""}, {Ctl::タイプ, ""}}, {}},
      {"15 library, then no path check", 15, {{Ctl::ライブラリー名, ""}, {Ctl::pcファイル名, "bare"}}, lib},
      {"15 no backslash", 15, {{Ctl::pcファイル名, "QGPL.SAVF"}}, path},
      {"15 empty path: one path box only", 15, {{Ctl::pcファイル名, ""}}, path},
      {"15 drive root", 15, {{Ctl::pcファイル名, "C:\\"}}, target},
      {"16 blanks at 4 and 5", 16, {{Ctl::pcファイル名, "C:\\  x.SAVF"}}, target},
      {"16 blank at 4 only passes", 16, {{Ctl::pcファイル名, "C:\\ x.SAVF"}}, {}},
      {"15 four characters pass", 15, {{Ctl::pcファイル名, "C:\\a"}}, {}},
      {"15 missing folder is not checked on download", 15, {{Ctl::pcファイル名, "C:\\nowhere\\Q.SAVF"}}, {}},
  });
}

TEST(SaveFileCheck, Upload) {
  const Events obj = {Box("オブジェクト名を入力してください。", "オブジェクト"), Focus("ファイル名")};
  const Events lib = {Box("ライブラリー名を入力してください。", "ライブラリー"), Focus("ライブラリー名")};
  const Events rst = {Box("復元先ライブラリー名を入力してください。", "復元先ライブラリー"), Focus("復元先")};
  auto save = [](const char* text, const char* title) {
    return Events{Box(text, title), Focus("pcファイル名")};
  };
  Events allNames = obj;
  allNames.insert(allNames.end(), lib.begin(), lib.end());
  allNames.insert(allNames.end(), rst.begin(), rst.end());
  kvtest::ExpectTypedRows<SavFixture>(CHK25, {
      {"25 valid", 25, {}, {}},
      {"24 valid without object name", 24, {{Ctl::ファイル名, ""}}, {}},
      {"25 names all fail, file not checked", 25,
       {{Ctl::ファイル名, ""}, {Ctl::ライブラリー名, ""}, {Ctl::復元先, ""}, {Ctl::pcファイル名, ""}}, allNames},
      {"24 restore library only", 24, {{Ctl::復元先, ""}}, rst},
      {"25 library, then no file check", 25, {{Ctl::ライブラリー名, ""}, {Ctl::pcファイル名, "C:\\none.SAVF"}}, lib},
      {"24 drive root", 24, {{Ctl::pcファイル名, "C:\\"}}, save("SAVEファイルを入力してください。", "ライブラリー・アップロード")},
      {"25 empty path", 25, {{Ctl::pcファイル名, ""}}, save("SAVEファイルを入力してください。", "オブジェクト・アップロード")},
      {"25 missing file", 25, {{Ctl::pcファイル名, "C:\\save\\NONE.SAVF"}},
       save("SAVEファイルが存在しません。", "オブジェクト・アップロード")},
      {"24 bare name that does not exist", 24, {{Ctl::pcファイル名, "NOSUCH-KV.SAVF"}},
       save("SAVEファイルが存在しません。", "ライブラリー・アップロード")},
      {"24 a folder counts as found", 24, {{Ctl::pcファイル名, "C:\\save"}}, {}},
      {"24 name found in another case", 24, {{Ctl::pcファイル名, "c:\\SAVE\\qgpl.savf"}}, {}},
  });
}

// ---- scripts ------------------------------------------------------------------

TEST(SaveFileScript, EveryVariantByteForByte) {
  struct Row {
    int code;
    std::vector<std::string> lines;
  };
  const std::vector<std::string> opening = {"open 10.0.0.1", "QSECOFR", "PW", "binary", "cd /QSYS.LIB/",
                                            "quote site namefmt 0"};
  const std::vector<Row> rows = {
      {15,
       {"quote rcmd CALL TOOLLIB/#FTPLIB4V PARM('QGPL' '*CURRENT' '10.0.0.5' 'pc01' 'QSECOFR')",
        "get QTEMP/FTPSAVF \"C:\\save\\QGPL.SAVF\"", "quote TYPE C 943",
        "get QTEMP/FTPLIBPC C:\\KV-TRANSIT\\FTPLIBPC", "quote site trim 0",
        "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}},
      {16,
       {"quote rcmd CALL TOOLLIB/#FTPOBJ4V PARM('QGPL' 'OBJA' '*PGM' '*CURRENT' '10.0.0.5' 'pc01' 'QSECOFR')",
        "get QTEMP/FTPSAVF \"C:\\save\\QGPL.SAVF\"", "quote TYPE C 943",
        "get QTEMP/FTPLIBPC C:\\KV-TRANSIT\\FTPLIBPC", "quote site trim 0",
        "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}},
      {24,
       {"quote rcmd CRTSAVF FILE(QTEMP/FTPSAVF)", "put \"C:\\save\\QGPL.SAVF\" QTEMP/FTPSAVF",
        "quote rcmd CALL TOOLLIB/#FTPLIB3 PARM('QGPL' 'RSTLIB')", "quote TYPE C 943",
        "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}},
      {25,
       {"quote rcmd CRTSAVF FILE(QTEMP/FTPSAVF)", "put \"C:\\save\\QGPL.SAVF\" QTEMP/FTPSAVF",
        "quote rcmd CALL TOOLLIB/#FTPOBJ3 PARM('QGPL' 'OBJA' 'RSTLIB')", "quote TYPE C 943",
        "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.code);
    SavFixture f(row.code);
    f.drive.SetReply((row.code < 20 ? kTen : kThirty) + "OK");
    EXPECT_EQ(f.Execute(), Events{});
    std::string expected;
    for (const auto& l : opening) expected += ClientDrive::Cp932Lines({l});
    for (const auto& l : row.lines) expected += ClientDrive::Cp932Lines({l});
    EXPECT_EQ(f.drive.ScriptSeen(), expected);
  }
}

TEST(SaveFileScript, TypedTextsGoIntoTheCallAsTyped) {
  SavFixture f(16);
  f.drive.PutFile("LIBNAME.ini", "");  // no tool library
  f.panel.SetText(Ctl::ファイル名, " 売上'X ");
  f.panel.SetText(Ctl::タイプ, "*FILE ");  // the combo box keeps its blanks
  f.panel.SetText(Ctl::リリース, "V5R4M0");
  f.panel.SetText(Ctl::pcファイル名, "C:\\保存 先\\売上.SAVF");
  f.drive.SetReply(kTen + "OK");
  f.Execute();
  const std::string script = f.drive.ScriptSeen();
  EXPECT_NE(script.find(ClientDrive::Cp932Lines(
                {"quote rcmd CALL /#FTPOBJ4V PARM('QGPL' '売上''X' '*FILE ' 'V5R4M0' '10.0.0.5' 'pc01' 'QSECOFR')",
                 "get QTEMP/FTPSAVF \"C:\\保存 先\\売上.SAVF\""})),
            std::string::npos);
}

TEST(SaveFileScript, SentinelsBeforeTheRun) {
  // Download: no reply fetched leaves the short sentinel, read at 11 to 16.
  {
    SavFixture f(15);
    f.drive.NoReply();
    EXPECT_EQ(f.Execute(), (Events{Box("通信不能です。", "ライブラリー・ダウンロード")}));
    EXPECT_EQ(f.drive.File("FTPTEXT.DAT"), ClientDrive::Cp932Lines({"1234567890TIMOVR"}));
  }
  // Upload: the previous run's success must not be reported again.
  {
    SavFixture f(25);
    f.drive.PutFile("FTPTEXT.DAT", ClientDrive::Cp932Lines({kThirty + "OK"}));
    f.drive.NoReply();
    EXPECT_EQ(f.Execute(), (Events{Box("通信不能です。", "オブジェクト・アップロード")}));
    EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "");
  }
}

// ---- download replies ---------------------------------------------------------

TEST(SaveFileDownloadReply, EveryWord) {
  struct Row {
    int code;
    std::optional<std::string> line;  // nothing: no reply file at all
    Events expected;
    bool success;
  };
  const char* logon = "ログイン出来ません。ユーザー・パスワードは間違いないですか？";
  const std::vector<Row> rows = {
      {16, std::nullopt, {Box(logon, "オブジェクト・ダウンロード", MsgIcon::None)}, false},
      {15, "", {Box(logon, "ライブラリー・ダウンロード", MsgIcon::None)}, false},
      {15, kTen, {Box(logon, "ライブラリー・ダウンロード", MsgIcon::None)}, false},
      {15, kTen + "OK", {}, true},
      {16, kTen + "OK" + std::string(30, 'x'), {}, false},  // "OKxxxx" is no word
      {16, kTen + "OK    ", {}, false},
      {16, kTen + "ok", {}, false},
      {16, kThirty + "OK", {}, false},  // the member layout does not count here
      {15, kTen + "TIMOVR", {Box("通信不能です。", "ライブラリー・ダウンロード")}, false},
      {16, kTen + "NOTLIB", {Box("ライブラリーが存在しません確認してください。", "オブジェクト・ダウンロード"), Focus("ライブラリー名")}, false},
      {16, kTen + "NOTOBJ" + std::string(50, ' '),
       {Box("指定されたオブジェクトは存在しません。ライブラリー、オブジェクト、タイプを確認してください。",
            "オブジェクト・ダウンロード"),
        Focus("ファイル名")},
       false},
      {15, kTen + "RLSERR", {Box("ＡＳ/４００コマンドエラー、入力データを確認下さい。", "ライブラリー・ダウンロード"), Focus("ライブラリー名")}, false},
      {15, kTen + "NOTMBR", {}, false},
  };
  const std::string old = ClientDrive::Cp932Lines({"old"});
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line.value_or("(no file)"));
    SavFixture f(row.code);
    f.drive.PutFile("DFT2.dat", old);
    f.Reply(ANSER16, row.line ? &*row.line : nullptr);
    EXPECT_EQ(f.panel.Events(), row.expected);
    if (row.success) {
      EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "ダウンロード完了しました。");
      EXPECT_EQ(f.drive.File("DFT2.dat"),
                ClientDrive::Cp932Lines({"SYSTEM:10.0.0.1", "USER:QSECOFR", "PWRD:PW", "OBJ:OBJA", "OLIB:QGPL"}));
    } else {
      EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "");
      EXPECT_EQ(f.drive.File("DFT2.dat"), old);  // kept unless the download worked
    }
  }
}

TEST(SaveFileDownloadReply, AFailedListingFetchFailsOnlyADownloadThatWantsTheListing) {
  auto failedGet = [](const char* local) {
    ReportedTransfer t;
    t.local = local;
    t.state = ReportedTransfer::State::Failed;
    t.cause = FailureCause::Server;
    t.text = "550 File FTPLIBPC in library QTEMP not found.";
    return t;
  };
  const std::string ok = kTen + "OK";
  const std::string hostRefused = "ホストからデータを受け取れませんでした。ホストの応答：550 File FTPLIBPC in library QTEMP not found.";
  struct Row {
    int listWanted;
    const char* failedLocal;
    Events expected;
    bool success;
  };
  const Row rows[] = {
      // Not asked for: the save file arrived, the run succeeded.
      {0, "C:\\KV-TRANSIT\\FTPLIBPC", {}, true},
      // Asked for: the workbook cannot be built from it; no success.
      {1, "C:\\KV-TRANSIT\\FTPLIBPC", {Box(hostRefused, "ライブラリー・ダウンロード")}, false},
      // The save file itself failed: never a success, listing or not.
      {0, "C:\\save\\QGPL.SAVF", {Box(hostRefused, "ライブラリー・ダウンロード")}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.listWanted) + " " + row.failedLocal);
    SavFixture f(15);
    f.panel.SetValue(Ctl::リスト要, row.listWanted);
    f.drive.PutFile("FTPTEXT.DAT", ClientDrive::Cp932Lines({ok}));
    RunContext ctx = f.Context();
    ctx.failedTransfer = failedGet(row.failedLocal);
    ANSER16(ctx);
    EXPECT_EQ(f.panel.Events(), row.expected);
    EXPECT_EQ(ctx.succeeded, row.success);
    EXPECT_EQ(f.panel.Text(Ctl::LABEL99), row.success ? "ダウンロード完了しました。" : "");
    EXPECT_EQ(f.listingCalls.size(), row.success && row.listWanted ? 1u : 0u);
  }
}

TEST(SaveFileDownloadReply, ListingBuiltFirstWhenTicked) {
  SavFixture f(15);
  f.panel.SetValue(Ctl::リスト要, 1);
  f.panel.SetText(Ctl::ファイル名, "");
  const std::string ok = kTen + "OK";
  f.Reply(ANSER16, &ok);
  // Called once, before the completion line and before DFT2.dat exists.
  EXPECT_EQ(f.listingCalls, (std::vector<std::string>{"label= dft2="}));
  EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "ダウンロード完了しました。");
  EXPECT_EQ(f.drive.File("DFT2.dat"),
            ClientDrive::Cp932Lines({"SYSTEM:10.0.0.1", "USER:QSECOFR", "PWRD:PW", "OBJ:", "OLIB:QGPL"}));
}

TEST(SaveFileDownloadReply, ListingNotWantedOrNotPossible) {
  const std::string ok = kTen + "OK";
  const std::string notlib = kTen + "NOTLIB";
  {
    SCOPED_TRACE("unticked");
    SavFixture f(16);
    f.Reply(ANSER16, &ok);
    EXPECT_TRUE(f.listingCalls.empty());
    EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "ダウンロード完了しました。");
  }
  {
    SCOPED_TRACE("ticked, failed download");
    SavFixture f(16);
    f.panel.SetValue(Ctl::リスト要, 1);
    f.Reply(ANSER16, &notlib);
    EXPECT_TRUE(f.listingCalls.empty());
  }
  {
    SCOPED_TRACE("ticked, no builder");
    SavFixture f(16);
    f.panel.SetValue(Ctl::リスト要, 1);
    RunContext ctx{f.panel, {}, 16};
    f.drive.PutFile("FTPTEXT.DAT", ClientDrive::Cp932Lines({ok}));
    ANSER16(ctx);
    EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "ダウンロード完了しました。");
  }
  {
    SCOPED_TRACE("ticked, builder fails");
    SavFixture f(16);
    f.panel.SetValue(Ctl::リスト要, 1);
    RunContext ctx{f.panel, [](RunContext&) { throw std::runtime_error("no spreadsheet"); }, 16};
    f.drive.PutFile("FTPTEXT.DAT", ClientDrive::Cp932Lines({ok}));
    ANSER16(ctx);
    EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "ダウンロード完了しました。");
    EXPECT_NE(f.drive.File("DFT2.dat"), "");
  }
}

// ---- upload replies -----------------------------------------------------------

TEST(SaveFileUploadReply, EveryWordAndDft2Always) {
  struct Row {
    int code;
    std::optional<std::string> line;
    Events expected;
    const char* label;
  };
  const char* logon = "ログイン出来ません。ユーザー・パスワードは間違いないですか？";
  const std::vector<Row> rows = {
      {24, kThirty + "OK", {}, "アップ・ロード完了しました。"},
      {25, kThirty + "OK    ", {}, ""},  // only exactly "OK" counts here
      {24, kThirty + "OK" + std::string(20, ' '), {}, ""},
      {24, std::nullopt, {Box(logon, "ライブラリー・アップロード", MsgIcon::None)}, ""},
      {25, kThirty, {Box(logon, "オブジェクト・アップロード", MsgIcon::None)}, ""},
      {25, kThirty + "TIMOVR", {Box("通信不能です。", "オブジェクト・アップロード")}, ""},
      {24, kThirty + "RSTERR", {Box("リストアー失敗しました。ライブラリー名が不正かも？", "ライブラリー・アップロード")}, ""},
      {24, kThirty + "NOTLIB", {Box("リストアー失敗しました。指定ライブラリーが存在しません", "ライブラリー・アップロード")}, ""},
      {25, kThirty + "NOTOBJ", {Box("リストアー失敗しました。指定オブジェクトが存在しません", "オブジェクト・アップロード")}, ""},
      {24, kThirty + "RSTOBJ", {Box("リストアー失敗しました。確認お願いします。", "ライブラリー・アップロード")}, ""},
      {25, kThirty + "RSTOBJ", {Box("リストアー失敗しました。確認お願いします。", "オブジェクト・アップロード")}, ""},
      {25, kThirty + "NOTRST", {}, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line.value_or("(no file)"));
    SavFixture f(row.code);
    f.Reply(ANSER25, row.line ? &*row.line : nullptr);
    EXPECT_EQ(f.panel.Events(), row.expected);
    EXPECT_EQ(f.panel.Text(Ctl::LABEL99), row.label);
    EXPECT_EQ(f.drive.File("DFT2.dat"), ClientDrive::Cp932Lines({"SYSTEM:10.0.0.1", "USER:QSECOFR", "PWRD:PW",
                                                                 "OBJ:OBJA", "OLIB:QGPL", "RLIB:RSTLIB"}));
  }
}

TEST(SaveFileRun, DownloadThenPickAgainRestoresTheInputs) {
  SavFixture f(16);
  f.panel.SetText(Ctl::ライブラリー名, " MYLIB ");
  f.drive.SetReply(kTen + "OK");
  EXPECT_EQ(f.Execute(), Events{});
  EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "ダウンロード完了しました。");
  EXPECT_EQ(f.panel.Text(Ctl::実行), "ＯＫ");
  SelectOperation(f.panel, 16);
  EXPECT_EQ(f.panel.Text(Ctl::ライブラリー名), "MYLIB");
  EXPECT_EQ(f.panel.Text(Ctl::ファイル名), "OBJA");
}
