// kvxfer runs of the member operations (source, data, CSV) against the stand-in
// FTP client: the exact output lines, the exit status and the script it got.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/kvxfer.h"
#include "tests/unit/client/client_fixture.h"

using namespace kv;
using kvtest::ClientDrive;

namespace {

const std::string k30 = "123456789012345678901234567890";

struct Outcome {
  int status;
  std::string out, err;
};

// A run with the logon inputs given and the PC's address and name fixed.
Outcome Kv(std::vector<std::string> args) {
  args.insert(args.begin() + 1, {"--ip=10.0.0.1", "--user=QSECOFR", "--password=PW1"});
  std::ostringstream out, err;
  KvxferOptions o;
  o.getIp = [] { return HostInfo{"10.0.0.5", "pc01"}; };
  int status = RunKvxfer(args, out, err, o);
  return {status, out.str(), err.str()};
}

struct Drive : ClientDrive {
  Drive() { PutFile("LIBNAME.ini", Cp932Lines({"TOOLLIB   OTHERLIB"})); }
};

}  // namespace

TEST(KvxferSource, DownloadSuccess) {
  Drive d;
  d.SetReply(k30 + "OK        受注明細  ");
  Outcome o = Kv({"source1", "--lib=QGPL", "--file=QRPGSRC", "--member=PGM1", "--pcfile=C:\\work\\PGM1.txt"});
  EXPECT_EQ(o.out, "label99\tPGM1:「受注明細  」ダウンロード完了しました。\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(d.ScriptSeen(),
            ClientDrive::Cp932Lines({"open 10.0.0.1", "QSECOFR", "PW1", "quote TYPE C 943", "quote site trim 0",
                                     "cd /QSYS.LIB/", "quote site namefmt 0",
                                     "get QGPL/QRPGSRC.PGM1 \"C:\\work\\PGM1.txt\"",
                                     "quote RCMD CALL TOOLLIB/#RTVMBR4 PARM('QGPL' 'QRPGSRC' 'PGM1' '' '10.0.0.5' 'pc01')",
                                     "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}));
  EXPECT_EQ(d.File("DFT.dat"), ClientDrive::Cp932Lines({"SYSTEM:10.0.0.1", "USER:QSECOFR", "PWRD:PW1", "SLIB:QGPL",
                                                        "SFIL:QRPGSRC", "SMBR:PGM1", "OLIB:"}));
}

TEST(KvxferSource, DownloadWrongLibrary) {
  Drive d;
  d.SetReply(k30 + "NOTLIB");
  Outcome o = Kv({"source1", "--lib=NOLIB", "--file=QRPGSRC", "--member=PGM1", "--pcfile=C:\\work\\PGM1.txt"});
  EXPECT_EQ(o.out,
            "message\tソースダウンロード\tライブラリー名が間違っています確認してください。\texclamation\n"
            "focus\tライブラリー名\n");
  EXPECT_EQ(o.status, 1);
}

TEST(KvxferSource, DownloadWithoutReplyTimesOut) {
  Drive d;
  d.NoReply();
  Outcome o = Kv({"source1", "--lib=QGPL", "--file=QRPGSRC", "--member=PGM1", "--pcfile=C:\\work\\PGM1.txt"});
  EXPECT_EQ(o.out, "message\tソースダウンロード\t通信不能です。\texclamation\nfocus\tメンバー名\n");
  EXPECT_EQ(o.status, 1);
}

TEST(KvxferSource, DownloadBadPathStopsBeforeTheRun) {
  Drive d;
  Outcome o = Kv({"source1", "--lib=QGPL", "--file=QRPGSRC", "--member=PGM1", "--pcfile=C:\\"});
  EXPECT_EQ(o.out, "message\tPCファイル名\t保存先ファイルを入力してください。\texclamation\nfocus\tpcファイル名\n");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(d.ScriptSeen(), "");
}

TEST(KvxferSource, UploadWithCompile) {
  Drive d;
  d.PutFile("PGM1.txt", "     H\r\n");
  d.SetReply(k30 + "OK        PGM1");
  Outcome o = Kv({"source2", "--lib=QGPL", "--file=QRPGSRC", "--member=PGM1", "--type=RPGLE", "--compile=1",
                   "--objlib=OBJLIB", "--pcfile=C:\\KV-TRANSIT\\PGM1.txt"});
  EXPECT_EQ(o.out, "label99\t送信完了しました。コンパイル結果はQSYSOPRに出力されています。\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(d.ScriptSeen(),
            ClientDrive::Cp932Lines({"open 10.0.0.1", "QSECOFR", "PW1", "quote TYPE C 943", "cd /QSYS.LIB/",
                                     "quote site namefmt 0", "put \"C:\\KV-TRANSIT\\PGM1.txt\" QGPL/QRPGSRC.PGM1",
                                     "quote rcmd CALL TOOLLIB/#SRCUP PARM('QGPL' 'QRPGSRC' 'PGM1' 'RPGLE' 'Y' 'OBJLIB')",
                                     "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}));
}

TEST(KvxferSource, UploadEverythingEmptyShowsLibraryThenMissingFile) {
  Drive d;
  Outcome o = Kv({"source2", "--lib=", "--file=", "--member=", "--type=", "--pcfile="});
  EXPECT_EQ(o.out,
            "message\tソースライブラリー名\tライブラリー名を入力して下さい。\texclamation\n"
            "focus\tライブラリー名\n"
            "message\tPCファイル名\tTEXTファイルが存在しません。\texclamation\n"
            "focus\tpcファイル名\n");
  EXPECT_EQ(o.status, 1);
}

TEST(KvxferSource, UploadLogonRefused) {
  Drive d;
  d.PutFile("PGM1.txt", "x\r\n");
  d.SetReply("");
  Outcome o = Kv({"source2", "--lib=QGPL", "--file=QRPGSRC", "--member=PGM1", "--type=RPG",
                   "--pcfile=C:\\KV-TRANSIT\\PGM1.txt"});
  EXPECT_EQ(o.out, "message\tPC⇒AS400(CSV）\tログイン出来ません。ユーザー・パスワード間違いないですか？\texclamation\n");
  EXPECT_EQ(o.status, 1);
}

TEST(KvxferData, TextDownloadWithKanji) {
  Drive d;
  d.SetReply(k30 + "OK    0003売上");
  Outcome o = Kv({"data1", "--lib=QGPL", "--file=URIAGE", "--member=M1", "--kanji=1", "--pcfile=C:\\data\\M1.txt"});
  EXPECT_EQ(o.out, "label99\tM1:「売上」ダウンロード完了しました。\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(d.ScriptSeen(),
            ClientDrive::Cp932Lines({"open 10.0.0.1", "QSECOFR", "PW1", "quote TYPE C 943", "quote site trim 0",
                                     "cd /QSYS.LIB/", "quote site namefmt 0", "get QGPL/URIAGE.M1 \"C:\\data\\M1.txt\"",
                                     "quote RCMD CALL TOOLLIB/#RTVMBR4 PARM('QGPL' 'URIAGE' 'M1' 'D' '10.0.0.5' 'pc01')",
                                     "quote TYPE C 943", "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}));
}

TEST(KvxferData, BinaryDownloadPackedData) {
  Drive d;
  d.SetReply(k30 + "PACDTA");
  Outcome o = Kv({"bin1", "--lib=QGPL", "--file=URIAGE", "--member=M1", "--pcfile=C:\\data\\M1.DTA"});
  EXPECT_EQ(o.out,
            "message\tデータバイナリーダウンロード\t転送できないデータタイプが存在します。\texclamation\n"
            "focus\tファイル名\n");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(d.ScriptSeen().find("binary\r\nquote site trim 0\r\n"), std::string::npos);
}

TEST(KvxferData, BinaryUploadMissingFile) {
  Drive d;
  Outcome o = Kv({"bin2", "--lib=QGPL", "--file=URIAGE", "--member=M1", "--pcfile=C:\\data\\none.DTA"});
  EXPECT_EQ(o.out, "message\tPCファイル名\tPCファイルが存在しません。\texclamation\nfocus\tpcファイル名\n");
  EXPECT_EQ(o.status, 1);
}

TEST(KvxferData, TextUploadWithoutReplyIsATimeout) {
  Drive d;
  d.PutFile("M1.txt", "abc\r\n");
  d.PutFile("FTPTEXT.DAT", ClientDrive::Cp932Lines({k30 + "OK    "}));  // a previous run's success
  d.NoReply();
  Outcome o = Kv({"data2", "--lib=QGPL", "--file=URIAGE", "--member=M1", "--pcfile=C:\\KV-TRANSIT\\M1.txt"});
  EXPECT_EQ(o.out, "message\tデータ・アップロード\t通信不能です。\texclamation\n");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(d.ScriptSeen().find("\r\nascii\r\n"), std::string::npos);
}

TEST(KvxferCsv, DownloadWithColumnNames) {
  Drive d;
  d.SetReply(k30 + "OK        得意先");
  Outcome o = Kv({"csv1", "--lib=QGPL", "--file=TOKUI", "--member=M1", "--kanji=1", "--pcfile=C:\\csv\\M1.CSV"});
  EXPECT_EQ(o.out, "label99\tM1:「得意先」ダウンロード完了しました。\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(d.ScriptSeen(),
            ClientDrive::Cp932Lines({"open 10.0.0.1", "QSECOFR", "PW1", "quote TYPE C 943", "cd /QSYS.LIB/",
                                     "quote site namefmt 0",
                                     "quote rcmd CALL TOOLLIB/#FTPCSVG2 PARM('QGPL' 'TOKUI' 'M1' '10.0.0.5' 'pc01' 'Y')",
                                     "get QTEMP/CSVF.CSVF \"C:\\csv\\M1.CSV\"",
                                     "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}));
  EXPECT_EQ(d.File("DFTC.dat"), ClientDrive::Cp932Lines({"SYSTEM:10.0.0.1", "USER:QSECOFR", "PWRD:PW1", "SLIB:QGPL",
                                                         "SFIL:TOKUI", "SMBR:M1", "OLIB:"}));
}

TEST(KvxferCsv, DownloadGenericMember) {
  Drive d;
  d.SetReply(k30 + "MBRERR");
  Outcome o = Kv({"csv1", "--lib=QGPL", "--file=TOKUI", "--member=*ALL", "--pcfile=C:\\csv\\M1.CSV"});
  EXPECT_EQ(o.out,
            "message\tＣＳＶダウンロード\t正しく入力して下さい。(*ALLや総称は指定できません)\texclamation\n"
            "focus\tメンバー名\n");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(d.ScriptSeen().find("'pc01' 'N')"), std::string::npos);
}

TEST(KvxferCsv, UploadCountAndConversionErrors) {
  Drive d;
  d.PutFile("M1.CSV", "1,2\r\n");
  d.SetReply(k30 + "OK   42   TOKUI");
  Outcome o = Kv({"csv2", "--lib=QGPL", "--file=TOKUI", "--member=M1", "--pcfile=C:\\KV-TRANSIT\\M1.CSV"});
  EXPECT_EQ(o.out, "label99\tM1:「TOKUI」アップ・ロード完了しました。件数   42件\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(d.ScriptSeen(),
            ClientDrive::Cp932Lines({"open 10.0.0.1", "QSECOFR", "PW1", "quote TYPE C 943", "cd /QSYS.LIB/",
                                     "quote site namefmt 0", "put \"C:\\KV-TRANSIT\\M1.CSV\" qtemp/csvf.csvf",
                                     "quote rcmd CALL TOOLLIB/#FTPCSVP PARM('QGPL' 'TOKUI' 'M1')",
                                     "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"}));

  d.SetReply(k30 + "WN        QTEMP/CSVE");
  o = Kv({"csv2", "--lib=QGPL", "--file=TOKUI", "--member=M1", "--pcfile=C:\\KV-TRANSIT\\M1.CSV"});
  EXPECT_EQ(o.out,
            "message\tCSVファイルアップロード\t変換エラーが有りました。出力先QTEMP/CSVEに内容出力されています、ご確認下さい。"
            "\texclamation\nfocus\tメンバー名\n");
  EXPECT_EQ(o.status, 1);
}

TEST(KvxferCsv, UploadMissingFile) {
  Drive d;
  Outcome o = Kv({"csv2", "--lib=QGPL", "--file=TOKUI", "--member=M1", "--pcfile=C:\\csv\\none.CSV"});
  EXPECT_EQ(o.out, "message\tPCファイル名\tPCファイルが存在しません。\texclamation\nfocus\tpcファイル名\n");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(d.ScriptSeen(), "");
}
