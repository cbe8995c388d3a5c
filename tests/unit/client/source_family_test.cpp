// Source members: CHK11, FTP11, ANSER11, CHK21, FTP21, ANSER21.
#include "client/engine/source_family.h"

#include "tests/unit/client/member_family_support.h"

using namespace kv;
using namespace kvtest;

// ---- CHK11 ----

TEST(SourceFamily, Chk11Table) {
  const std::string t5 = "保存先ファイルを入力してください。";
  const CheckRow rows[] = {
      {"all good", With([](Inputs& i) { i.pc = "C:\\a"; }), {}},
      {"library", With([](Inputs& i) { i.lib = ""; }),
       {Box("ライブラリー名を入力して下さい。", "ソースライブラリー名"), Focus("ライブラリー名")}},
      {"file", With([](Inputs& i) { i.file = ""; }),
       {Box("ファイル名を入力して下さい。", "ソースファイル名"), Focus("ファイル名")}},
      {"member", With([](Inputs& i) { i.member = ""; }),
       {Box("メンバー名を入力して下さい。", "メンバー名"), Focus("メンバー名")}},
      {"no backslash", With([](Inputs& i) { i.pc = "a.txt"; }),
       {Box("パス名が不正です。", "PCファイル名"), Focus("pcファイル名")}},
      {"empty path: backslash check first", With([](Inputs& i) { i.pc = ""; }),
       {Box("パス名が不正です。", "PCファイル名"), Focus("pcファイル名")}},
      {"drive root", With([](Inputs& i) { i.pc = "C:\\"; }), {Box(t5, "PCファイル名"), Focus("pcファイル名")}},
      {"blanks at 4 and 5", With([](Inputs& i) { i.pc = "C:\\  a.txt"; }),
       {Box(t5, "PCファイル名"), Focus("pcファイル名")}},
      {"blank at 4 only", With([](Inputs& i) { i.pc = "C:\\ a.txt"; }), {}},
      // The file need not exist for a download.
      {"missing target", With([](Inputs& i) { i.pc = "C:\\nowhere\\x.txt"; }), {}},
      {"stops at the first", With([](Inputs& i) { i.lib = ""; i.member = ""; i.pc = "x"; }),
       {Box("ライブラリー名を入力して下さい。", "ソースライブラリー名"), Focus("ライブラリー名")}},
  };
  ExpectChecks(11, CHK11, rows);
}

// ---- CHK21 ----

TEST(SourceFamily, Chk21Table) {
  const auto lib = Box("ライブラリー名を入力して下さい。", "ソースライブラリー名");
  const auto missing = Box("TEXTファイルが存在しません。", "PCファイル名");
  const auto choose = Box("TEXTファイルを選択してください。", "PCファイル名");
  const CheckRow rows[] = {
      {"all good (a directory counts as found)", Inputs{}, {}},
      {"existing file", With([](Inputs& i) { i.pc = "C:\\KV-TRANSIT\\LIBNAME.ini"; }), {}},
      {"existing file, other case", With([](Inputs& i) { i.pc = "c:\\kv-transit\\libname.INI"; }), {}},
      {"library", With([](Inputs& i) { i.lib = ""; }), {lib, Focus("ライブラリー名")}},
      {"file", With([](Inputs& i) { i.file = ""; }),
       {Box("ファイル名を入力して下さい。", "ソースファイル名"), Focus("ファイル名")}},
      {"member", With([](Inputs& i) { i.member = ""; }),
       {Box("メンバー名を入力して下さい。", "メンバー名"), Focus("メンバー名")}},
      {"compile without object library", With([](Inputs& i) { i.compile = 1; i.objlib = ""; }),
       {Box("オブジェクト・ライブラリー名を入力して下さい。", "オブジェクトライブラリー"),
        Focus("オブジェクトライブラリー")}},
      {"no compile, no object library", With([](Inputs& i) { i.objlib = ""; }), {}},
      {"type", With([](Inputs& i) { i.type = ""; }), {Box("タイプを選択して下さい。", "タイプ"), Focus("タイプ")}},
      {"type of blanks is not empty", With([](Inputs& i) { i.type = "  "; }), {}},
      {"drive root", With([](Inputs& i) { i.pc = "C:\\"; }), {choose, Focus("pcファイル名")}},
      {"empty path", With([](Inputs& i) { i.pc = ""; }), {choose, Focus("pcファイル名")}},
      {"missing file", With([](Inputs& i) { i.pc = "C:\\KV-TRANSIT\\none.txt"; }), {missing, Focus("pcファイル名")}},
      {"no backslash check: a bare missing name", With([](Inputs& i) { i.pc = "none.txt"; }),
       {missing, Focus("pcファイル名")}},
      // The existence check runs after an earlier failure too.
      {"library and missing file", With([](Inputs& i) { i.lib = ""; i.pc = "C:\\KV-TRANSIT\\none.txt"; }),
       {lib, Focus("ライブラリー名"), missing, Focus("pcファイル名")}},
      {"everything empty", With([](Inputs& i) { i = Inputs{"", "", "", "", "", "", 0, 0}; }),
       {lib, Focus("ライブラリー名"), missing, Focus("pcファイル名")}},
      {"library, found file", With([](Inputs& i) { i.lib = ""; }), {lib, Focus("ライブラリー名")}},
  };
  ExpectChecks(21, CHK21, rows);
}

// ---- FTP11, FTP21 ----

TEST(SourceFamily, Ftp11Script) {
  MemberFixture f(11);
  f.Set(With([](Inputs& i) { i.pc = "C:\\my docs\\PGM1.txt"; }));
  f.drive.PutFile("FTPTEXT.DAT", ClientDrive::Cp932Lines({Reply("OK    ")}));
  EXPECT_EQ(f.Script(FTP11), ClientDrive::Cp932Lines({
                                 "open 10.0.0.1",
                                 "QSECOFR",
                                 "PW1",
                                 "quote TYPE C 943",
                                 "quote site trim 0",
                                 "cd /QSYS.LIB/",
                                 "quote site namefmt 0",
                                 "get QGPL/QRPGSRC.PGM1 \"C:\\my docs\\PGM1.txt\"",
                                 "quote RCMD CALL TOOLLIB/#RTVMBR4 PARM('QGPL' 'QRPGSRC' 'PGM1' '' '10.0.0.5' 'pc01')",
                                 "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT",
                                 "quit",
                             }));
  EXPECT_EQ(f.drive.File("FTPTEXT.DAT"), ClientDrive::Cp932Lines({"123456789012345678901234567890TIMOVR"}));
}

TEST(SourceFamily, Ftp11ScriptKanjiNamesAndNoToolLibrary) {
  MemberFixture f(11);
  std::filesystem::remove(f.drive.Dir() + "/LIBNAME.ini");
  f.Set(With([](Inputs& i) { i.member = "ﾒﾝﾊﾞｰ漢字"; i.pc = "C:\\ﾃｷｽﾄ\\①.txt"; }));
  EXPECT_EQ(f.Script(FTP11), ClientDrive::Cp932Lines({
                                 "open 10.0.0.1", "QSECOFR", "PW1", "quote TYPE C 943", "quote site trim 0",
                                 "cd /QSYS.LIB/", "quote site namefmt 0",
                                 "get QGPL/QRPGSRC.ﾒﾝﾊﾞｰ漢字 \"C:\\ﾃｷｽﾄ\\①.txt\"",
                                 "quote RCMD CALL /#RTVMBR4 PARM('QGPL' 'QRPGSRC' 'ﾒﾝﾊﾞｰ漢字' '' '10.0.0.5' 'pc01')",
                                 "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit",
                             }));
}

TEST(SourceFamily, Ftp21ScriptVariants) {
  struct Row {
    const char* name;
    Inputs in;
    std::string call;
  };
  const Row rows[] = {
      {"compile", With([](Inputs& i) { i.compile = 1; i.objlib = "QGPL"; }),
       "quote rcmd CALL TOOLLIB/#SRCUP PARM('QGPL' 'QRPGSRC' 'PGM1' 'RPGLE' 'Y' 'QGPL')"},
      {"no compile", With([](Inputs& i) { i.objlib = ""; }),
       "quote rcmd CALL TOOLLIB/#SRCUP PARM('QGPL' 'QRPGSRC' 'PGM1' 'RPGLE' '' '')"},
      {"no compile, object library kept", Inputs{},
       "quote rcmd CALL TOOLLIB/#SRCUP PARM('QGPL' 'QRPGSRC' 'PGM1' 'RPGLE' '' 'OBJLIB')"},
      // The type is passed as its text: blanks kept, DSPF not shortened.
      {"type with blanks", With([](Inputs& i) { i.type = " DSPF "; }),
       "quote rcmd CALL TOOLLIB/#SRCUP PARM('QGPL' 'QRPGSRC' 'PGM1' ' DSPF ' '' 'OBJLIB')"},
      // An apostrophe is doubled (CL quoting), so it cannot end its parameter.
      {"apostrophe", With([](Inputs& i) { i.member = "A'B"; }),
       "quote rcmd CALL TOOLLIB/#SRCUP PARM('QGPL' 'QRPGSRC' 'A''B' 'RPGLE' '' 'OBJLIB')"},
  };
  for (const auto& r : rows) {
    MemberFixture f(21);
    f.Set(r.in);
    f.panel.SetText(Ctl::pcファイル名, "C:\\src\\PGM1.txt");
    f.drive.PutFile("FTPTEXT.DAT", "previous\r\n");
    const std::string member = r.in.member;
    EXPECT_EQ(f.Script(FTP21), ClientDrive::Cp932Lines({
                                   "open 10.0.0.1",
                                   "QSECOFR",
                                   "PW1",
                                   "quote TYPE C 943",
                                   "cd /QSYS.LIB/",
                                   "quote site namefmt 0",
                                   "put \"C:\\src\\PGM1.txt\" QGPL/QRPGSRC." + member,
                                   r.call,
                                   "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT",
                                   "quit",
                               }))
        << r.name;
    // Uploads too start from the sentinel (foundation), so a lost reply reads as a timeout.
    EXPECT_EQ(f.drive.File("FTPTEXT.DAT"), ClientDrive::Cp932Lines({"123456789012345678901234567890TIMOVR"}));
  }
}

// ---- ANSER11 ----

TEST(SourceFamily, Anser11Table) {
  const std::string t = "ソースダウンロード";
  // Positions 41 to 90: fifty characters, blanks kept; what follows is cut.
  const std::string detail50 = "ソースメンバー説明" + std::string(41, ' ');  // 9 + 41 characters
  const ReplyRow rows[] = {
      {Reply("OK    ", "    " + detail50 + "CUT"), {}, "PGM1:「" + detail50 + "」ダウンロード完了しました。"},
      {Reply("OK    ", "0000ﾃｷｽﾄ  "), {}, "PGM1:「ﾃｷｽﾄ  」ダウンロード完了しました。"},
      {Reply("OK"), {}, "PGM1:「」ダウンロード完了しました。"},            // 32 characters
      {Reply("OK    "), {}, "PGM1:「」ダウンロード完了しました。"},        // 36 characters
      {Reply("OK  "), {}, ""},                                             // 34: neither "OK" nor "OK    "
      {Reply("O"), {}, ""},                                                // 31 characters
      {Reply(""), {Box(kCutShortDown, t)}, ""},                            // 30: cut before the status
      {std::string(""), {Box(kLogon, kLogonTitle)}, ""},                   // empty line
      {std::nullopt, {Box(kLogon, kLogonTitle)}, ""},                      // no reply file
      {Reply("NOTLIB"), {Box(kNotLib, t), Focus("ライブラリー名")}, ""},
      {Reply("NOTFIL"), {Box(kNotFil, t), Focus("ファイル名")}, ""},
      {Reply("NOTMBR"), {Box(kNotMbr, t), Focus("メンバー名")}, ""},
      {Reply("TIMOVR"), {Box(kTimeout, t), Focus("メンバー名")}, ""},
      {Reply("NOTLIB", "    detail"), {Box(kNotLib, t), Focus("ライブラリー名")}, ""},
      {Reply("timovr"), {}, ""},
      {Reply("ok    "), {}, ""},
      {Reply("PACDTA"), {}, ""},  // not one of this method's words
  };
  ExpectReplies(11, ANSER11, rows, "DFT.dat", kRememberedDefaults);
}

// ---- ANSER21 ----

TEST(SourceFamily, Anser21Table) {
  const std::string t = "ソース・アップロード";
  const std::string compiled = "送信完了しました。コンパイル結果はQSYSOPRに出力されています。";
  struct Row {
    std::string compile;
    ReplyRow r;
  };
  const Row rows[] = {
      {"0", {Reply("OK    ", "    PGM1 ソース  "), {}, "ソースメンバー「PGM1 ソース  」送信完了しました。"}},
      {"1", {Reply("OK    ", "    PGM1 ソース  "), {}, compiled}},
      {"0", {Reply("OK"), {}, "ソースメンバー「」送信完了しました。"}},          // 32
      {"1", {Reply("OK"), {}, compiled}},
      {"0", {Reply("OKXXXX"), {}, "ソースメンバー「」送信完了しました。"}},      // only two characters compared
      {"0", {Reply("O"), {}, ""}},                                               // 31
      {"0", {Reply(""), {Box(kCutShortUp, t)}, ""}},                             // 30: cut before the status
      {"0", {std::string(""), {Box(kLogon, kLogonTitle)}, ""}},
      {"1", {std::nullopt, {Box(kLogon, kLogonTitle)}, ""}},
      {"0", {Reply("TIMOVR"), {Box(kTimeout, t)}, ""}},                          // focus unchanged
      {"0", {Reply("NOTLIB"), {Box(kNotLib, t), Focus("ライブラリー名")}, ""}},
      {"0", {Reply("NOTFIL"), {Box(kNotFil, t), Focus("ファイル名")}, ""}},
      {"1", {Reply("NOTMBR"), {Box(kNotMbr, t), Focus("メンバー名")}, ""}},
      {"0", {Reply("NOTMB"), {}, ""}},                                           // 35
      {"0", {Reply("ok    "), {}, ""}},
  };
  for (const auto& row : rows) {
    MemberFixture f(21);
    f.panel.SetValue(Ctl::コンパイル, row.compile == "1");
    f.Answer(ANSER21, row.r.line);
    ExpectAnswered(f, row.r, "DFT.dat", kRememberedDefaults, "[" + row.r.line.value_or("<no file>") + "] compile " + row.compile);
  }
}

TEST(SourceFamily, RememberedInputsAfterFailureHoldTheFailedInputs) {
  MemberFixture f(21);
  f.Set(With([](Inputs& i) { i.lib = "BADLIB"; i.file = "ﾌｧｲﾙ"; i.member = "M'1"; i.objlib = ""; }));
  f.Answer(ANSER21, Reply("NOTLIB"));
  EXPECT_EQ(f.drive.File("DFT.dat"), ClientDrive::Cp932Lines({"SYSTEM:10.0.0.1", "USER:QSECOFR", "PWRD:PW1",
                                                              "SLIB:BADLIB", "SFIL:ﾌｧｲﾙ", "SMBR:M'1", "OLIB:"}));
}
