// CSV: CHK14, FTP14, ANSER14 (operation 14), CHK23, FTP23, ANSER23 (23).
#include "client/engine/csv_family.h"

#include "common/vbstr.h"
#include "tests/unit/client/member_family_support.h"

using namespace kv;
using namespace kvtest;

// ---- CHK14 (the same as CHK13) ----

TEST(CsvFamily, Chk14Table) {
  const CheckRow rows[] = {
      {"all good", With([](Inputs& i) { i.pc = "C:\\csv\\PGM1.CSV"; }), {}},
      {"library", With([](Inputs& i) { i.lib = ""; }),
       {Box("ライブラリー名を入力して下さい。", "データ・ライブラリー名"), Focus("ライブラリー名")}},
      {"file", With([](Inputs& i) { i.file = ""; }),
       {Box("ファイル名を入力して下さい。", "データ・ファイル名"), Focus("ファイル名")}},
      {"member", With([](Inputs& i) { i.member = ""; }),
       {Box("メンバー名を入力して下さい。", "メンバー名"), Focus("メンバー名")}},
      {"no backslash", With([](Inputs& i) { i.pc = "PGM1.CSV"; }),
       {Box("パス名が不正です。", "PCファイル名"), Focus("pcファイル名")}},
      {"drive root", With([](Inputs& i) { i.pc = "D:\\"; }),
       {Box("保存先ファイルを入力してください。", "PCファイル名"), Focus("pcファイル名")}},
      {"library and path: only the first", With([](Inputs& i) { i.lib = ""; i.pc = ""; }),
       {Box("ライブラリー名を入力して下さい。", "データ・ライブラリー名"), Focus("ライブラリー名")}},
  };
  ExpectChecks(14, CHK14, rows);
}

// ---- CHK23 (the same as CHK22, CSV texts) ----

TEST(CsvFamily, Chk23Table) {
  const auto missing = Box("PCファイルが存在しません。", "PCファイル名");
  const CheckRow rows[] = {
      {"directory counts as found", Inputs{}, {}},
      {"existing file", With([](Inputs& i) { i.pc = "C:\\KV-TRANSIT\\LIBNAME.ini"; }), {}},
      {"library", With([](Inputs& i) { i.lib = ""; }),
       {Box("データ・ライブラリー名を入力して下さい。", "データライブラリー名"), Focus("ライブラリー名")}},
      {"file", With([](Inputs& i) { i.file = ""; }),
       {Box("ファイル名を入力して下さい。", "データファイル名"), Focus("ファイル名")}},
      {"member", With([](Inputs& i) { i.member = ""; }),
       {Box("メンバー名を入力して下さい。", "メンバー名"), Focus("メンバー名")}},
      {"drive root", With([](Inputs& i) { i.pc = "C:\\"; }),
       {Box("CSVファイルを選択してください。", "PCファイル名"), Focus("pcファイル名")}},
      {"empty path", With([](Inputs& i) { i.pc = ""; }),
       {Box("CSVファイルを選択してください。", "PCファイル名"), Focus("pcファイル名")}},
      {"missing file", With([](Inputs& i) { i.pc = "C:\\csv\\none.CSV"; }), {missing, Focus("pcファイル名")}},
      {"member and missing file: only the first", With([](Inputs& i) { i.member = ""; i.pc = "C:\\csv\\none.CSV"; }),
       {Box("メンバー名を入力して下さい。", "メンバー名"), Focus("メンバー名")}},
  };
  ExpectChecks(23, CHK23, rows);
}

// ---- FTP14, FTP23 ----

TEST(CsvFamily, Ftp14ScriptColumnNamesFlag) {
  for (const std::string flag : {"0", "1"}) {
    MemberFixture f(14);
    f.Set(With([](Inputs& i) { i.file = "得意先"; i.member = "TOKUI"; i.pc = "C:\\csv\\TOKUI.CSV"; }));
    f.panel.SetValue(Ctl::漢字, flag == "1");
    f.drive.PutFile("FTPTEXT.DAT", "old\r\n");
    EXPECT_EQ(f.Script(FTP14),
              ClientDrive::Cp932Lines({
                  "open 10.0.0.1",
                  "QSECOFR",
                  "PW1",
                  "quote TYPE C 943",
                  "cd /QSYS.LIB/",
                  "quote site namefmt 0",
                  "quote rcmd CALL TOOLLIB/#FTPCSVG2 PARM('QGPL' '得意先' 'TOKUI' '10.0.0.5' 'pc01' '" +
                      std::string(flag == "1" ? "Y" : "N") + "')",
                  "get QTEMP/CSVF.CSVF \"C:\\csv\\TOKUI.CSV\"",
                  "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT",
                  "quit",
              }))
        << flag;
    EXPECT_EQ(f.drive.File("FTPTEXT.DAT"), ClientDrive::Cp932Lines({"123456789012345678901234567890TIMOVR"}));
  }
}

TEST(CsvFamily, Ftp23Script) {
  MemberFixture f(23);
  f.Set(With([](Inputs& i) { i.file = "TOKUI"; i.member = "M1"; i.pc = "C:\\csv\\得意先 一覧.CSV"; }));
  EXPECT_EQ(f.Script(FTP23), ClientDrive::Cp932Lines({
                                 "open 10.0.0.1",
                                 "QSECOFR",
                                 "PW1",
                                 "quote TYPE C 943",
                                 "cd /QSYS.LIB/",
                                 "quote site namefmt 0",
                                 "put \"C:\\csv\\得意先 一覧.CSV\" qtemp/csvf.csvf",
                                 "quote rcmd CALL TOOLLIB/#FTPCSVP PARM('QGPL' 'TOKUI' 'M1')",
                                 "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT",
                                 "quit",
                             }));
}

// ---- ANSER14 ----

TEST(CsvFamily, Anser14Table) {
  const std::string t = "ＣＳＶダウンロード";
  const std::string base = "得意先ﾏｽﾀｰ";
  const std::string detail50 = base + std::string(50 - Len(base), ' ');
  const ReplyRow rows[] = {
      {Reply("OK    ", "    " + detail50 + "TAIL"), {}, "PGM1:「" + detail50 + "」ダウンロード完了しました。"},
      {Reply("OK"), {}, "PGM1:「」ダウンロード完了しました。"},      // 32
      {Reply("OK    "), {}, "PGM1:「」ダウンロード完了しました。"},  // 36
      {Reply("O"), {}, ""},                                          // 31
      {Reply("OK0012"), {}, ""},
      {Reply(""), {Box(kCutShortDown, t)}, ""},                      // 30: cut before the status
      {std::string(""), {Box(kLogon, kLogonTitle)}, ""},
      {std::nullopt, {Box(kLogon, kLogonTitle)}, ""},
      {Reply("TIMOVR"), {Box(kTimeout, t)}, ""},                     // focus unchanged
      {Reply("NOTLIB"), {Box(kNotLib, t), Focus("ライブラリー名")}, ""},
      {Reply("NOTFIL"), {Box(kNotFil, t), Focus("ファイル名")}, ""},
      {Reply("NOTMBR"), {Box(kNotMbr, t), Focus("メンバー名")}, ""},
      {Reply("MBRERR"), {Box("正しく入力して下さい。(*ALLや総称は指定できません)", t), Focus("メンバー名")}, ""},
      // An export that stopped at bad data says so rather than nothing.
      {Reply("PACDTA"), {Box("転送できないデータタイプが存在します。", t), Focus("ファイル名")}, ""},
  };
  ExpectReplies(14, ANSER14, rows, "DFTC.dat", kRememberedDefaults);
}

// ---- ANSER23 ----

TEST(CsvFamily, Anser23Table) {
  const std::string t = "CSVファイルアップロード";
  const std::string done = "」アップ・ロード完了しました。件数";
  const ReplyRow rows[] = {
      // The record count is characters 33 to 37, blanks included.
      {Reply("OK  12", "3   TOKUI     "), {}, "PGM1:「TOKUI     " + done + "  123件"},
      {Reply("OK0001", "2   "), {}, "PGM1:「" + done + "00012件"},
      {Reply("OK"), {}, "PGM1:「" + done + "件"},                                  // 32
      {Reply("OK    "), {}, "PGM1:「" + done + "    件"},                          // 36
      {Reply("O"), {}, ""},                                                        // 31
      {Reply(""), {Box(kCutShortUp, t)}, ""},                                      // 30: cut before the status
      {std::string(""), {Box(kLogon, kLogonTitle)}, ""},
      {std::nullopt, {Box(kLogon, kLogonTitle)}, ""},
      {Reply("TIMOVR"), {Box(kTimeout, t)}, ""},
      {Reply("ERROR1"), {Box("処理出来ませんでした。AS400のジョブログを見て下さい。", t), Focus("メンバー名")}, ""},
      {Reply("DUPERR"), {Box("データ・キー重複エラー。AS400のジョブログを見て下さい。", t), Focus("メンバー名")}, ""},
      {Reply("NOTLIB"), {Box(kNotLib, t), Focus("ライブラリー名")}, ""},
      {Reply("NOTFIL"), {Box(kNotFil, t), Focus("ファイル名")}, ""},
      {Reply("NOTMBR"), {Box(kNotMbr, t), Focus("メンバー名")}, ""},
      // "WN": the output name is characters 41 to 50, not trimmed; no success line.
      {Reply("WN0012", "    QTEMP/ERR CUT"),
       {Box("変換エラーが有りました。出力先QTEMP/ERR に内容出力されています、ご確認下さい。", t), Focus("メンバー名")}, ""},
      {Reply("WN"),
       {Box("変換エラーが有りました。出力先に内容出力されています、ご確認下さい。", t), Focus("メンバー名")}, ""},  // 32
      {Reply("wn"), {}, ""},
  };
  ExpectReplies(23, ANSER23, rows, "DFTC.dat", kRememberedDefaults);
}

// DFTC.dat is the CSV operations' own file: DFT.dat is left alone.
TEST(CsvFamily, RememberedInputsGoToDftcOnly) {
  MemberFixture f(23);
  f.drive.PutFile("DFT.dat", "untouched\r\n");
  f.Set(With([](Inputs& i) { i.lib = "CSVLIB"; i.objlib = ""; }));
  f.Answer(ANSER23, Reply("NOTLIB"));
  EXPECT_EQ(f.drive.File("DFTC.dat"), ClientDrive::Cp932Lines({"SYSTEM:10.0.0.1", "USER:QSECOFR", "PWRD:PW1",
                                                               "SLIB:CSVLIB", "SFIL:QRPGSRC", "SMBR:PGM1", "OLIB:"}));
  EXPECT_EQ(f.drive.File("DFT.dat"), "untouched\r\n");
  SelectOperation(f.panel, 14);
  EXPECT_EQ(f.panel.Text(Ctl::ライブラリー名), "CSVLIB");
}
