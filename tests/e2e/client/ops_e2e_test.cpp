// CSV, library/object save-file and spool operations end to end: the engine on
// the memory panel, our FTP client and the simulated host's tool programs.
#include <gtest/gtest.h>

#include <memory>

#include "client/window/main_panel.h"
#include "client/panel/memory_panel.h"
#include "common/cp932.h"
#include "tests/e2e/client/host_suite.h"

using namespace kv;

namespace {

class OpsE2E : public kvtest::HostSuite {
 protected:

  std::unique_ptr<MemoryPanel> Csv(int code, const std::string& lib, const std::string& file, const std::string& mbr,
                                   const std::string& pcName) {
    auto p = Pick(code);
    p->SetText(Ctl::ライブラリー名, lib);
    p->SetText(Ctl::ファイル名, file);
    p->SetText(Ctl::メンバー名, mbr);
    p->SetText(Ctl::pcファイル名, Pc(pcName));
    return p;
  }
  // Operations 15, 16 (download: `lib`, object, type) and 24, 25 (upload: `lib`, object, restore library).
  std::unique_ptr<MemoryPanel> Savf(int code, const std::string& lib, const std::string& obj, const std::string& third,
                                    const std::string& pcName) {
    auto p = Pick(code);
    p->SetText(Ctl::ライブラリー名, lib);
    p->SetText(Ctl::ファイル名, obj);
    if (code == 16) p->SetText(Ctl::タイプ, third);
    if (code == 24 || code == 25) p->SetText(Ctl::復元先, third);
    if (code == 15 || code == 16) p->SetText(Ctl::リリース, "*CURRENT");
    p->SetText(Ctl::pcファイル名, Pc(pcName));
    return p;
  }
  std::unique_ptr<MemoryPanel> Spool(int code, const std::string& job, const std::string& number,
                                     const std::string& splNbr, const std::string& pcName) {
    auto p = Pick(code);
    p->SetText(Ctl::ファイル名, "QSYSPRT");
    p->SetText(Ctl::ジョブ名, job);
    p->SetText(Ctl::スプールユーザー, "QSECOFR");
    p->SetText(Ctl::番号, number);
    p->SetText(Ctl::スプール番号, splNbr);
    p->SetText(Ctl::pcファイル名, Pc(pcName));
    return p;
  }
  std::unique_ptr<MemoryPanel> SpoolUp(const std::string& outq, const std::string& lib, const std::string& pcName) {
    auto p = Pick(26);
    p->SetText(Ctl::ファイル名, outq);
    p->SetText(Ctl::ライブラリー名, lib);
    p->SetText(Ctl::pcファイル名, Pc(pcName));
    return p;
  }

  static std::vector<std::string> Lines(const std::string& bytes) {
    std::string text = Cp932ToUtf8Lossy(bytes);
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
      std::size_t e = text.find("\r\n", pos);
      if (e == std::string::npos) e = text.size();
      lines.push_back(text.substr(pos, e - pos));
      pos = e + 2;
    }
    return lines;
  }
  std::vector<std::string> TextLines(const std::string& name) const { return Lines(PcFile(name)); }
};

PanelEvent Box(std::string text, std::string title, MsgIcon icon = MsgIcon::Exclamation) {
  return {PanelEvent::Kind::Message, std::move(text), std::move(title), icon};
}
PanelEvent Focus(std::string c) { return {PanelEvent::Kind::Focus, std::move(c), "", MsgIcon::None}; }

const std::vector<std::string> kItemsCsv = {"\"A001\",\"鉛筆\",120,35.50", "\"A002\",\"ﾉｰﾄ \"\"B5\"\"\",8,-1.25",
                                            "\"A003\",\"Eraser, soft\",0,0.00"};

}  // namespace

TEST_F(OpsE2E, CsvDownloadThenUploadGivesTheSameRecords) {
  auto down = Csv(14, "OPSLIB", "ITEMS", "ITEMS", "ITEMS.CSV");
  down->SetValue(Ctl::漢字, 1);   // column names wanted
  EXPECT_TRUE(Execute(*down).empty());
  EXPECT_EQ(down->Text(Ctl::LABEL99).rfind("ITEMS:「品目一覧", 0), 0u) << down->Text(Ctl::LABEL99);
  std::vector<std::string> withNames = {"\"CODE\",\"NAME\",\"QTY\",\"PRICE\""};
  withNames.insert(withNames.end(), kItemsCsv.begin(), kItemsCsv.end());
  EXPECT_EQ(TextLines("ITEMS.CSV"), withNames);

  auto up = Csv(23, "OPSLIB", "ITEMS", "COPY", "ITEMS.CSV");
  EXPECT_TRUE(Execute(*up).empty());
  EXPECT_EQ(up->Text(Ctl::LABEL99).rfind("COPY:「写し", 0), 0u) << up->Text(Ctl::LABEL99);
  EXPECT_NE(up->Text(Ctl::LABEL99).find("」アップ・ロード完了しました。件数    3件"), std::string::npos)
      << up->Text(Ctl::LABEL99);

  auto again = Csv(14, "OPSLIB", "ITEMS", "COPY", "COPY.CSV");
  EXPECT_TRUE(Execute(*again).empty());
  EXPECT_EQ(TextLines("COPY.CSV"), kItemsCsv);
}

TEST_F(OpsE2E, CsvFailuresReachTheUser) {
  auto all = Csv(14, "OPSLIB", "ITEMS", "*ALL", "all.csv");
  EXPECT_EQ(Execute(*all), (std::vector<PanelEvent>{Box("正しく入力して下さい。(*ALLや総称は指定できません)", "ＣＳＶダウンロード"),
                                                    Focus("メンバー名")}));
  auto nofile = Csv(14, "OPSLIB", "NOFILE", "ITEMS", "nofile.csv");
  EXPECT_EQ(Execute(*nofile), (std::vector<PanelEvent>{Box("ファイル名が間違っています確認してください。", "ＣＳＶダウンロード"),
                                                       Focus("ファイル名")}));

  kvtest::WriteFile(work_ + "/bad.csv", Utf8ToCp932Lossy("\"B001\",\"消しゴム\",3,1.00\r\n\"B002\",\"x\",lots,1\r\n"));
  auto nolib = Csv(23, "NOLIB", "ITEMS", "COPY", "bad.csv");
  EXPECT_EQ(Execute(*nolib), (std::vector<PanelEvent>{Box("ライブラリー名が間違っています確認してください。",
                                                          "CSVファイルアップロード"),
                                                      Focus("ライブラリー名")}));
  auto bad = Csv(23, "OPSLIB", "ITEMS", "COPY", "bad.csv");
  EXPECT_EQ(Execute(*bad), (std::vector<PanelEvent>{Box("変換エラーが有りました。出力先CSVERRに内容出力されています、ご確認下さい。",
                                                        "CSVファイルアップロード"),
                                                    Focus("メンバー名")}));
  EXPECT_EQ(bad->Text(Ctl::LABEL99), "");
}

TEST_F(OpsE2E, LibraryRoundTripRestoresUnderAnotherName) {
  auto down = Savf(15, "OPSLIB", "", "", "OPSLIB.SAVF");
  EXPECT_TRUE(Execute(*down).empty());
  EXPECT_EQ(down->Text(Ctl::LABEL99), "ダウンロード完了しました。");
  EXPECT_EQ(PcFile("OPSLIB.SAVF").rfind("HOSTSIM-SAVF-1", 0), 0u);
  auto listing = Lines(kvtest::ReadFile(host_->InstallDir() + "/FTPLIBPC"));
  ASSERT_EQ(listing.size() % 12, 0u);
  ASSERT_GE(listing.size(), 12u * 4);   // ITEMS, MYPGM, PRT01, BACKUP
  EXPECT_EQ(listing[0], "OPSLIB");
  EXPECT_EQ(listing[1], "BACKUP");

  auto up = Savf(24, "OPSLIB", "", "OPSCOPY", "OPSLIB.SAVF");
  EXPECT_TRUE(Execute(*up).empty());
  EXPECT_EQ(up->Text(Ctl::LABEL99), "アップ・ロード完了しました。");
  auto check = Csv(14, "OPSCOPY", "ITEMS", "ITEMS", "OPSCOPY.CSV");
  EXPECT_TRUE(Execute(*check).empty());
  EXPECT_EQ(TextLines("OPSCOPY.CSV"), kItemsCsv);

  // The library in the save file is not the one named.
  auto wrong = Savf(24, "OTHER", "", "OPSCOPY2", "OPSLIB.SAVF");
  EXPECT_EQ(Execute(*wrong),
            (std::vector<PanelEvent>{Box("リストアー失敗しました。ライブラリー名が不正かも？", "ライブラリー・アップロード")}));
}

TEST_F(OpsE2E, ObjectRoundTripIntoAnotherLibrary) {
  auto down = Savf(16, "OPSLIB", "ITEMS", "*FILE", "ITEMS.SAVF");
  EXPECT_TRUE(Execute(*down).empty());
  EXPECT_EQ(down->Text(Ctl::LABEL99), "ダウンロード完了しました。");
  auto listing = Lines(kvtest::ReadFile(host_->InstallDir() + "/FTPLIBPC"));
  ASSERT_EQ(listing.size(), 12u);
  EXPECT_EQ(std::vector<std::string>(listing.begin(), listing.begin() + 5),
            (std::vector<std::string>{"OPSLIB", "ITEMS", "*FILE", "PF-DTA", "品目"}));

  auto up = Savf(25, "OPSLIB", "ITEMS", "E2ELIB", "ITEMS.SAVF");
  EXPECT_TRUE(Execute(*up).empty());
  EXPECT_EQ(up->Text(Ctl::LABEL99), "アップ・ロード完了しました。");
  auto check = Csv(14, "E2ELIB", "ITEMS", "ITEMS", "E2ELIB.CSV");
  EXPECT_TRUE(Execute(*check).empty());
  EXPECT_EQ(TextLines("E2ELIB.CSV"), kItemsCsv);

  const std::string t25 = "オブジェクト・アップロード";
  auto noobj = Savf(25, "OPSLIB", "MYPGM", "E2ELIB", "ITEMS.SAVF");
  EXPECT_EQ(Execute(*noobj), (std::vector<PanelEvent>{Box("リストアー失敗しました。指定オブジェクトが存在しません", t25)}));
  auto nolib = Savf(25, "OPSLIB", "ITEMS", "NOLIB", "ITEMS.SAVF");
  EXPECT_EQ(Execute(*nolib), (std::vector<PanelEvent>{Box("リストアー失敗しました。指定ライブラリーが存在しません", t25)}));
  // An object save restored as a library.
  auto aslib = Savf(24, "OPSLIB", "", "OPSLIB3", "ITEMS.SAVF");
  EXPECT_EQ(Execute(*aslib), (std::vector<PanelEvent>{Box("リストアー失敗しました。確認お願いします。", "ライブラリー・アップロード")}));
}

TEST_F(OpsE2E, SaveFileDownloadFailuresReachTheUser) {
  kvtest::WriteFile(work_ + "/keep.SAVF", "earlier");
  auto nolib = Savf(15, "NOLIB", "", "", "keep.SAVF");
  EXPECT_EQ(Execute(*nolib), (std::vector<PanelEvent>{Box("ライブラリーが存在しません確認してください。", "ライブラリー・ダウンロード"),
                                                      Focus("ライブラリー名")}));
  EXPECT_EQ(PcFile("keep.SAVF"), "earlier");
  auto noobj = Savf(16, "OPSLIB", "NOSUCH", "*PGM", "keep.SAVF");
  EXPECT_EQ(Execute(*noobj),
            (std::vector<PanelEvent>{
                Box("指定されたオブジェクトは存在しません。ライブラリー、オブジェクト、タイプを確認してください。",
                    "オブジェクト・ダウンロード"),
                Focus("ファイル名")}));
  auto rls = Savf(15, "OPSLIB", "", "", "keep.SAVF");
  rls->SetText(Ctl::リリース, "V5R1M0");
  EXPECT_EQ(Execute(*rls), (std::vector<PanelEvent>{Box("ＡＳ/４００コマンドエラー、入力データを確認下さい。", "ライブラリー・ダウンロード"),
                                                    Focus("ライブラリー名")}));
}

TEST_F(OpsE2E, SpoolDownloadTextAndUploadBack) {
  auto text = Spool(18, "MONTHLY", "654321", "1", "MONTHLY.txt");
  EXPECT_TRUE(Execute(*text).empty());
  EXPECT_EQ(text->Text(Ctl::LABEL99), "スプールダウンロード完了しました。");
  const std::vector<std::string> report = {"月次売上報告書                ページ   1", "  品目    数量       金額",
                                           "  鉛筆     120      4,260"};
  EXPECT_EQ(TextLines("MONTHLY.txt"), report);

  auto save = Spool(17, "MONTHLY", "654321", "1", "MONTHLY.SPL");
  EXPECT_TRUE(Execute(*save).empty());
  EXPECT_EQ(save->Text(Ctl::LABEL99), "スプールダウンロード完了しました。");
  EXPECT_EQ(PcFile("MONTHLY.SPL").rfind("HOSTSIM-SAVF-1", 0), 0u);

  auto up = SpoolUp("BACKUP", "OPSLIB", "MONTHLY.SPL");
  EXPECT_TRUE(Execute(*up).empty());
  EXPECT_EQ(up->Text(Ctl::LABEL99), "スプール・アップロード完了しました。");
  // Back on the host as the job's third spooled file, with the same text.
  auto again = Spool(18, "MONTHLY", "654321", "3", "MONTHLY3.txt");
  EXPECT_TRUE(Execute(*again).empty());
  EXPECT_EQ(TextLines("MONTHLY3.txt"), report);
}

TEST_F(OpsE2E, SpoolFailuresReachTheUser) {
  const std::string t17 = "スプール・ダウンロード";
  auto nojob = Spool(17, "NOJOB", "654321", "1", "x.SPL");
  EXPECT_EQ(Execute(*nojob),
            (std::vector<PanelEvent>{Box("ジョブが存在しません。ジョブ名、ユーザー、ジョブ番号を確認してください。", t17),
                                     Focus("ジョブ名")}));
  auto nospl = Spool(17, "MONTHLY", "654321", "9", "x.SPL");
  EXPECT_EQ(Execute(*nospl), (std::vector<PanelEvent>{Box("スプールが存在しません確認してください。", t17), Focus("ファイル名")}));
  auto noprm = Spool(18, "MONTHLY", "1234567", "1", "x.txt");
  EXPECT_EQ(Execute(*noprm),
            (std::vector<PanelEvent>{Box("パラメータエラーです。スプールファイル名からスプール番号まで確認して下さい。",
                                         "スプールテキスト・ダウンロード"),
                                     Focus("ジョブ名")}));

  const std::string t26 = "スプール・アップロード";
  kvtest::WriteFile(work_ + "/empty.SPL", "");
  auto empty = SpoolUp("BACKUP", "OPSLIB", "empty.SPL");
  EXPECT_EQ(Execute(*empty), (std::vector<PanelEvent>{Box("転送スプールが空です。", t26), Focus("ファイル名")}));
  auto noout = SpoolUp("NOOUTQ", "OPSLIB", "empty.SPL");
  EXPECT_EQ(Execute(*noout), (std::vector<PanelEvent>{Box("出力先が存在しません確認してください。", t26), Focus("ファイル名")}));
  // A library save file is no spool data.
  auto lib = Savf(15, "OPSLIB", "", "", "LIB.SAVF");
  ASSERT_TRUE(Execute(*lib).empty());
  auto notspl = SpoolUp("BACKUP", "OPSLIB", "LIB.SAVF");
  EXPECT_EQ(Execute(*notspl), (std::vector<PanelEvent>{Box("スプールデータではありません。", t26), Focus("ファイル名")}));
}
