// Physical-file data: CHK13, FTP13, ANSER13 (operations 12, 13), CHK22, FTP22, ANSER22 (22, 27).
#include "client/engine/data_family.h"

#include "common/vbstr.h"
#include "tests/unit/client/member_family_support.h"

using namespace kv;
using namespace kvtest;

// ---- CHK13 ----

TEST(DataFamily, Chk13Table) {
  const auto root = Box("保存先ファイルを入力してください。", "PCファイル名");
  const CheckRow rows[] = {
      {"all good", With([](Inputs& i) { i.pc = "C:\\nowhere\\a.txt"; }), {}},
      {"library", With([](Inputs& i) { i.lib = ""; }),
       {Box("ライブラリー名を入力して下さい。", "データ・ライブラリー名"), Focus("ライブラリー名")}},
      {"file", With([](Inputs& i) { i.file = ""; }),
       {Box("ファイル名を入力して下さい。", "データ・ファイル名"), Focus("ファイル名")}},
      {"member", With([](Inputs& i) { i.member = ""; }),
       {Box("メンバー名を入力して下さい。", "メンバー名"), Focus("メンバー名")}},
      {"no backslash", With([](Inputs& i) { i.pc = "data.txt"; }),
       {Box("パス名が不正です。", "PCファイル名"), Focus("pcファイル名")}},
      {"drive root", With([](Inputs& i) { i.pc = "C:\\"; }), {root, Focus("pcファイル名")}},
      {"three characters", With([](Inputs& i) { i.pc = "a\\b"; }), {root, Focus("pcファイル名")}},
      {"four characters", With([](Inputs& i) { i.pc = "C:\\a"; }), {}},
      {"file and member: only the first", With([](Inputs& i) { i.file = ""; i.member = ""; }),
       {Box("ファイル名を入力して下さい。", "データ・ファイル名"), Focus("ファイル名")}},
  };
  for (int code : {12, 13}) ExpectChecks(code, CHK13, rows);
}

// ---- CHK22 ----

TEST(DataFamily, Chk22Table) {
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
       {Box("TEXTファイルを選択してください。", "PCファイル名"), Focus("pcファイル名")}},
      {"missing file", With([](Inputs& i) { i.pc = "C:\\KV-TRANSIT\\none.DTA"; }), {missing, Focus("pcファイル名")}},
      {"no backslash check", With([](Inputs& i) { i.pc = "none.DTA"; }), {missing, Focus("pcファイル名")}},
      // Unlike CHK21, the existence check is skipped once a check has failed.
      {"library and missing file", With([](Inputs& i) { i.lib = ""; i.pc = "C:\\KV-TRANSIT\\none.DTA"; }),
       {Box("データ・ライブラリー名を入力して下さい。", "データライブラリー名"), Focus("ライブラリー名")}},
  };
  for (int code : {22, 27}) ExpectChecks(code, CHK22, rows);
}

// ---- FTP13 ----

TEST(DataFamily, Ftp13ScriptVariants) {
  struct Row {
    int code, kanji;
    std::string type, dataCode;
  };
  const Row rows[] = {
      {12, 0, "ascii", "D"},
      {12, 1, "quote TYPE C 943", "D"},
      {13, 0, "binary", "B"},
      {13, 1, "binary", "B"},  // 漢字 plays no part in a raw download
  };
  for (const auto& r : rows) {
    MemberFixture f(r.code);
    f.Set(With([](Inputs& i) { i.file = "URIAGE"; i.member = "M2024"; i.pc = "C:\\data\\M2024.txt"; }));
    f.panel.SetValue(Ctl::漢字, r.kanji);
    f.drive.PutFile("FTPTEXT.DAT", "old\r\n");
    EXPECT_EQ(f.Script(FTP13),
              ClientDrive::Cp932Lines({
                  "open 10.0.0.1",
                  "QSECOFR",
                  "PW1",
                  r.type,
                  "quote site trim 0",
                  "cd /QSYS.LIB/",
                  "quote site namefmt 0",
                  "get QGPL/URIAGE.M2024 \"C:\\data\\M2024.txt\"",
                  "quote RCMD CALL TOOLLIB/#RTVMBR4 PARM('QGPL' 'URIAGE' 'M2024' '" + r.dataCode + "' '10.0.0.5' 'pc01')",
                  "quote TYPE C 943",
                  "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT",
                  "quit",
              }))
        << r.code << " kanji " << r.kanji;
    EXPECT_EQ(f.drive.File("FTPTEXT.DAT"), ClientDrive::Cp932Lines({"123456789012345678901234567890TIMOVR"}));
  }
}

// ---- FTP22 ----

TEST(DataFamily, Ftp22ScriptVariants) {
  struct Row {
    int code, kanji;
    std::string type;
  };
  const Row rows[] = {
      {27, 0, "ascii"},
      {27, 1, "quote TYPE C 943"},
      {22, 0, "binary"},
      {22, 1, "binary"},
  };
  for (const auto& r : rows) {
    MemberFixture f(r.code);
    f.Set(With([](Inputs& i) { i.file = "URIAGE"; i.member = "M2024"; i.pc = "C:\\data\\M 2024.DTA"; }));
    f.panel.SetValue(Ctl::漢字, r.kanji);
    // FTP22 reads MENUNO itself and receives nothing.
    EXPECT_EQ(f.Script(FTP22),
              ClientDrive::Cp932Lines({
                  "open 10.0.0.1",
                  "QSECOFR",
                  "PW1",
                  r.type,
                  "cd /QSYS.LIB/",
                  "quote site namefmt 0",
                  "put \"C:\\data\\M 2024.DTA\" QGPL/URIAGE.M2024",
                  "quote rcmd CALL TOOLLIB/#SRCUP PARM('QGPL' 'URIAGE' 'M2024' '' '' '')",
                  "quote TYPE C 943",
                  "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT",
                  "quit",
              }))
        << r.code << " kanji " << r.kanji;
  }
}

// ---- ANSER13 ----

TEST(DataFamily, Anser13Table) {
  const std::string detail50 = "売上明細ﾃﾞｰﾀ" + std::string(50 - Len("売上明細ﾃﾞｰﾀ"), ' ');
  for (int code : {12, 13}) {
    const std::string t = code == 12 ? "データダウンロード" : "データバイナリーダウンロード";
    const ReplyRow rows[] = {
        {Reply("OK    ", "0012" + detail50 + "TAIL"), {}, "PGM1:「" + detail50 + "」ダウンロード完了しました。"},
        {Reply("OK"), {}, "PGM1:「」ダウンロード完了しました。"},      // 32
        {Reply("OK    "), {}, "PGM1:「」ダウンロード完了しました。"},  // 36
        {Reply("O"), {}, ""},                                          // 31
        {Reply("OK   "), {}, ""},                                      // 35
        {Reply(""), {Box(kCutShortDown, t)}, ""},                      // 30: cut before the status
        {std::string(""), {Box(kLogon, kLogonTitle)}, ""},
        {std::nullopt, {Box(kLogon, kLogonTitle)}, ""},
        {Reply("NOTLIB"), {Box(kNotLib, t), Focus("ライブラリー名")}, ""},
        {Reply("NOTFIL"), {Box(kNotFil, t), Focus("ファイル名")}, ""},
        {Reply("PACDTA"), {Box("転送できないデータタイプが存在します。", t), Focus("ファイル名")}, ""},
        {Reply("NOTMBR"), {Box(kNotMbr, t), Focus("メンバー名")}, ""},
        {Reply("TIMOVR"), {Box(kTimeout, t), Focus("メンバー名")}, ""},
        {Reply("MBRERR"), {}, ""},
        {Reply("notlib"), {}, ""},
    };
    ExpectReplies(code, ANSER13, rows, "DFT.dat", kRememberedDefaults);
  }
}

// ---- ANSER22 ----

TEST(DataFamily, Anser22Table) {
  for (int code : {22, 27}) {
    const std::string t = code == 22 ? "データ・バイナリーアップロード" : "データ・アップロード";
    const ReplyRow rows[] = {
        {Reply("OK    ", "    URIAGE  "), {}, "ファイル「URIAGE  」送信完了しました。"},
        {Reply("OK"), {}, "ファイル「」送信完了しました。"},        // 32
        {Reply("OK    "), {}, "ファイル「」送信完了しました。"},    // 36
        {Reply("OKAY  "), {}, "ファイル「」送信完了しました。"},    // begins with OK
        {Reply("O"), {}, ""},                                       // 31
        {Reply(""), {Box(kCutShortUp, t)}, ""},                     // 30: cut before the status
        {std::string(""), {Box(kLogon, kLogonTitle)}, ""},
        {std::nullopt, {Box(kLogon, kLogonTitle)}, ""},
        {Reply("TIMOVR"), {Box(kTimeout, t)}, ""},
        {Reply("NOTLIB"), {Box(kNotLib, t), Focus("ライブラリー名")}, ""},
        {Reply("NOTFIL"), {Box(kNotFil, t), Focus("ファイル名")}, ""},
        {Reply("NOTMBR"), {Box(kNotMbr, t), Focus("メンバー名")}, ""},
        {Reply("PACDTA"), {}, ""},
    };
    ExpectReplies(code, ANSER22, rows, "DFT.dat", kRememberedDefaults);
  }
}

// DFT.dat is the file the source operations read too: a data run prefills them.
TEST(DataFamily, RememberedInputsFeedTheSourcePanel) {
  MemberFixture f(27);
  f.Set(With([](Inputs& i) { i.lib = "DATALIB"; i.file = "URIAGE"; i.member = "M2024"; }));
  f.Answer(ANSER22, Reply("NOTLIB"));
  EXPECT_EQ(f.drive.File("DFT.dat"), ClientDrive::Cp932Lines({"SYSTEM:10.0.0.1", "USER:QSECOFR", "PWRD:PW1",
                                                              "SLIB:DATALIB", "SFIL:URIAGE", "SMBR:M2024",
                                                              "OLIB:OBJLIB"}));
  SelectOperation(f.panel, 11);
  EXPECT_EQ(f.panel.Text(Ctl::ライブラリー名), "DATALIB");
  EXPECT_EQ(f.panel.Text(Ctl::ファイル名), "URIAGE");
  EXPECT_EQ(f.panel.Text(Ctl::メンバー名), "M2024");
}
