// Host data as an IBM i keeps it, end to end: numbers in CSV loads, loads that
// are all or nothing, exports that stop at bad data, UTF-8 PC files, saves of
// output queues, and where the rows a load refused can be found.
#include <gtest/gtest.h>

#include <memory>

#include "client/window/main_panel.h"
#include "client/panel/memory_panel.h"
#include "common/cp932.h"
#include "tests/e2e/client/host_suite.h"

using namespace kv;

namespace {

const char kUploadTitle[] = "CSVファイルアップロード";
const char kWnText[] = "変換エラーが有りました。出力先CSVERRに内容出力されています、ご確認下さい。";

PanelEvent Box(std::string text, std::string title) {
  return {PanelEvent::Kind::Message, std::move(text), std::move(title), MsgIcon::Exclamation};
}
PanelEvent Focus(std::string c) { return {PanelEvent::Kind::Focus, std::move(c), "", MsgIcon::None}; }

class FidelityE2E : public kvtest::HostSuite {
 protected:
  std::unique_ptr<MemoryPanel> Csv(int code, const std::string& lib, const std::string& mbr, const std::string& pcName,
                                   const std::string& file = "ORDERS") {
    auto p = Pick(code);
    p->SetText(Ctl::ライブラリー名, lib);
    p->SetText(Ctl::ファイル名, file);
    p->SetText(Ctl::メンバー名, mbr);
    p->SetText(Ctl::pcファイル名, Pc(pcName));
    return p;
  }
  // Sends `bytes` as a PC CSV file into FIDLIB/ORDERS `mbr`; what the user saw.
  std::vector<PanelEvent> Upload(const std::string& mbr, const std::string& bytes, std::string* label = nullptr) {
    kvtest::WriteFile(work_ + "/up.csv", bytes);
    auto p = Csv(23, "FIDLIB", mbr, "up.csv");
    auto events = Execute(*p);
    if (label) *label = p->Text(Ctl::LABEL99);
    return events;
  }
  // The member as CSV lines (UTF-8), fetched with the download operation.
  std::vector<std::string> Member(const std::string& lib, const std::string& file, const std::string& mbr) {
    auto p = Csv(14, lib, mbr, "check.csv", file);
    EXPECT_TRUE(Execute(*p).empty());
    std::vector<std::string> lines;
    const std::string text = Cp932ToUtf8Lossy(PcFile("check.csv"));
    for (std::size_t pos = 0; pos < text.size();) {
      std::size_t e = text.find("\r\n", pos);
      if (e == std::string::npos) e = text.size();
      lines.push_back(text.substr(pos, e - pos));
      pos = e + 2;
    }
    return lines;
  }
  std::string ReplyLine() {
    std::string r = kvtest::ReadFile(host_->InstallDir() + "/FTPTEXT.DAT");
    return r.substr(0, r.find("\r\n"));
  }
};

const std::vector<std::string> kOrders = {"100001,\"既存の受注\",\"a\",10.00,1,\"n\"", "100002,\"ｶﾅ\",\"b\",-0.50,0,\"n\""};

}  // namespace

TEST_F(FidelityE2E, AThousandsSeparatorRefusesTheRowAndTheMemberIsKept) {
  for (const char* amount : {"\"1,000\"", "\"2,000\"", "\"1,500.00\""}) {
    const std::string row = std::string("400001,\"千区切り\",x,") + amount + ",1,y\r\n";
    EXPECT_EQ(Upload("ORDERS", Utf8ToCp932Lossy(row)), (std::vector<PanelEvent>{Box(kWnText, kUploadTitle), Focus("メンバー名")}))
        << amount;
    EXPECT_EQ(Member("FIDLIB", "ORDERS", "ORDERS"), kOrders) << amount;
  }
  // The refused row and its reason are in CSVERR of the tool library, member
  // ORDERS, where the CSV download finds them; the data library has no CSVERR.
  auto err = Member("TRIAL_KVU", "CSVERR", "ORDERS");
  ASSERT_EQ(err.size(), 1u);
  EXPECT_EQ(err[0].rfind("\"Line 1: value '1,500.00' is not a number for field AMOUNT", 0), 0u) << err[0];
  auto nofile = Csv(14, "FIDLIB", "ORDERS", "x.csv", "CSVERR");
  EXPECT_EQ(Execute(*nofile), (std::vector<PanelEvent>{Box("ファイル名が間違っています確認してください。", "ＣＳＶダウンロード"),
                                                       Focus("ファイル名")}));
  // With a period the same value loads.
  std::string label;
  EXPECT_TRUE(Upload("BIG", Utf8ToCp932Lossy("400001,\"千区切り\",x,1000.00,1,y\r\n"), &label).empty());
  EXPECT_EQ(label, "BIG:「大量」アップ・ロード完了しました。件数    1件");
}

TEST_F(FidelityE2E, ARecordCountTooLargeForTheReplyShowsNoWrongNumber) {
  std::string csv;
  for (int i = 0; i < 100000; ++i) csv += std::to_string(500000 + i) + ",n,x,1.00,1,y\r\n";
  std::string label;
  EXPECT_TRUE(Upload("BIG", csv, &label).empty());
  EXPECT_EQ(label, "BIG:「大量」アップ・ロード完了しました。件数*****件");
}

TEST_F(FidelityE2E, ALoadIsAllOrNothingAndAnEmptyFileIsRefused) {
  // Every row bad, or one bad among good ones: the member keeps its records.
  EXPECT_EQ(Upload("ORDERS", "x,y\r\nz\r\n"), (std::vector<PanelEvent>{Box(kWnText, kUploadTitle), Focus("メンバー名")}));
  EXPECT_EQ(Upload("ORDERS", "300001,a,b,1,1,c\r\n300002,a,b,lots,1,c\r\n"),
            (std::vector<PanelEvent>{Box(kWnText, kUploadTitle), Focus("メンバー名")}));
  EXPECT_EQ(Member("FIDLIB", "ORDERS", "ORDERS"), kOrders);
  const std::vector<PanelEvent> refused = {Box("処理出来ませんでした。AS400のジョブログを見て下さい。", kUploadTitle),
                                           Focus("メンバー名")};
  std::string label = "?";
  EXPECT_EQ(Upload("ORDERS", "", &label), refused);
  EXPECT_EQ(label, "");
  EXPECT_EQ(Upload("ORDERS", "\"ORDNO\",\"NAME\",\"KIND\",\"AMOUNT\",\"QTY\",\"FLAG\"\r\n"), refused);
  EXPECT_EQ(Member("FIDLIB", "ORDERS", "ORDERS"), kOrders);
}

TEST_F(FidelityE2E, AnExportWithBadDataWritesNothingToThePc) {
  for (const char* mbr : {"BADPACK", "BADNUL"}) {
    kvtest::WriteFile(work_ + "/bad.csv", "earlier");
    auto p = Csv(14, "FIDLIB", mbr, "bad.csv");
    Execute(*p);
    EXPECT_EQ(p->Text(Ctl::LABEL99), "") << mbr;
    EXPECT_EQ(PcFile("bad.csv"), "earlier") << mbr;
    EXPECT_EQ(ReplyLine().substr(30, 6), "PACDTA") << mbr;
  }
}

TEST_F(FidelityE2E, TheDialectBothWaysThroughTheTransfer) {
  // LF-only lines, no line end after the last row, a value over two lines, a
  // quote, a comma, blanks, DBCS text, empty fields, a header, a Ctrl-Z.
  const std::string pc = "ORDNO,NAME,KIND,AMOUNT,QTY,FLAG\n"
                         "200001,\"二行の\n値\",\"\"\"\",-1.25,0,\",\"\n"
                         " 200002 ,  \"  前後  \" ,,0,,\n"
                         "200003,ｶﾅ漢字,z,-0.00,-7,y\x1A";
  std::string label;
  EXPECT_TRUE(Upload("BIG", Utf8ToCp932Lossy(pc), &label).empty());
  EXPECT_EQ(label, "BIG:「大量」アップ・ロード完了しました。件数    3件");
  EXPECT_EQ(Member("FIDLIB", "ORDERS", "BIG"),
            (std::vector<std::string>{"200001,\"二行の", "値\",\"\"\"\",-1.25,0,\",\"", "200002,\"  前後\",\"\",0.00,0,\"\"",
                                      "200003,\"ｶﾅ漢字\",\"z\",0.00,-7,\"y\""}));
}

TEST_F(FidelityE2E, AUtf8FileLoadsAsItsText) {
  const std::string rows = "600001,\"ユニコード\",u,12.50,3,y\r\n600002,\"全角ＡＢＣ\",u,0,0,n\r\n";
  const std::vector<std::string> loaded = {"600001,\"ユニコード\",\"u\",12.50,3,\"y\"", "600002,\"全角ＡＢＣ\",\"u\",0.00,0,\"n\""};
  // With the byte-order mark our FTP client sends it as code page 932.
  std::string label;
  EXPECT_TRUE(Upload("BIG", "\xEF\xBB\xBF" + rows, &label).empty());
  EXPECT_EQ(label, "BIG:「大量」アップ・ロード完了しました。件数    2件");
  EXPECT_EQ(Member("FIDLIB", "ORDERS", "BIG"), loaded);
  // A character code page 932 cannot hold stops the put: nothing is loaded.
  EXPECT_EQ(Upload("BIG", "\xEF\xBB\xBF" "600003,\"Café\",u,1,1,y\r\n"),
            (std::vector<PanelEvent>{Box("処理出来ませんでした。AS400のジョブログを見て下さい。", kUploadTitle),
                                     Focus("メンバー名")}));
  EXPECT_EQ(Member("FIDLIB", "ORDERS", "BIG"), loaded);
}

TEST_F(FidelityE2E, ALibrarySaveLeavesSpooledFilesOnTheSystem) {
  auto down = Pick(15);
  down->SetText(Ctl::ライブラリー名, "FIDLIB");
  down->SetText(Ctl::リリース, "*CURRENT");
  down->SetText(Ctl::pcファイル名, Pc("FIDLIB.SAVF"));
  EXPECT_TRUE(Execute(*down).empty());
  EXPECT_NE(PcFile("FIDLIB.SAVF").find("\nTGTRLS=V7R5M0\n"), std::string::npos);
  EXPECT_EQ(PcFile("FIDLIB.SAVF").find("SPLF "), std::string::npos);   // the queue without its spooled files
  const std::string listing = Cp932ToUtf8Lossy(kvtest::ReadFile(host_->InstallDir() + "/FTPLIBPC"));
  EXPECT_NE(listing.find("\r\nFIDQ\r\n"), std::string::npos);
  EXPECT_EQ(listing.find("CSVERR"), std::string::npos);   // refused CSV rows are not the library's data

  auto up = Pick(24);
  up->SetText(Ctl::ライブラリー名, "FIDLIB");
  up->SetText(Ctl::復元先, "FIDCOPY");
  up->SetText(Ctl::pcファイル名, Pc("FIDLIB.SAVF"));
  EXPECT_TRUE(Execute(*up).empty());
  EXPECT_EQ(up->Text(Ctl::LABEL99), "アップ・ロード完了しました。");

  // The spooled file's own save records a release as the others do.
  auto spl = Pick(17);
  spl->SetText(Ctl::ファイル名, "QSYSPRT");
  spl->SetText(Ctl::ジョブ名, "FIDJOB");
  spl->SetText(Ctl::スプールユーザー, "QSECOFR");
  spl->SetText(Ctl::番号, "777777");
  spl->SetText(Ctl::スプール番号, "1");
  spl->SetText(Ctl::pcファイル名, Pc("FID.SPL"));
  EXPECT_TRUE(Execute(*spl).empty());
  EXPECT_NE(PcFile("FID.SPL").find("\nTGTRLS=V7R5M0\n"), std::string::npos);
}
