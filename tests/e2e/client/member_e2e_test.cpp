// Source members and physical-file data, end to end: the engine on the memory
// panel, our FTP client and the simulated host, as an operator would run them.
#include <gtest/gtest.h>

#include "client/window/main_panel.h"
#include "client/panel/memory_panel.h"
#include "common/cp932.h"
#include "common/vbstr.h"
#include "tests/e2e/client/host_suite.h"

using namespace kv;

namespace {

class MemberE2E : public kvtest::HostSuite {
 protected:
  void Member(Panel& p, const std::string& lib, const std::string& file, const std::string& mbr,
              const std::string& pcName) {
    p.SetText(Ctl::ライブラリー名, lib);
    p.SetText(Ctl::ファイル名, file);
    p.SetText(Ctl::メンバー名, mbr);
    p.SetText(Ctl::pcファイル名, Pc(pcName));
  }

  // The PC file's text lines (CP932 decoded, CR LF split), trailing blanks removed.
  std::vector<std::string> TextLines(const std::string& name) const {
    std::string text = Cp932ToUtf8Lossy(PcFile(name));
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t e = text.find("\r\n", pos);
      if (e == std::string::npos) e = text.size();
      std::string line = text.substr(pos, e - pos);
      while (!line.empty() && line.back() == ' ') line.pop_back();
      lines.push_back(line);
      pos = e + 2;
    }
    return lines;
  }
};

PanelEvent Box(std::string text, std::string title) {
  return {PanelEvent::Kind::Message, std::move(text), std::move(title), MsgIcon::Exclamation};
}
PanelEvent Focus(std::string c) { return {PanelEvent::Kind::Focus, std::move(c), "", MsgIcon::None}; }

std::string Pad50(const std::string& s) {
  std::string r = s;
  for (std::size_t n = Len(s); n < 50; ++n) r += ' ';
  return r;
}

}  // namespace

TEST_F(MemberE2E, SourceDownloadGivesTheSourceText) {
  auto p = Pick(11);
  Member(*p, "E2ELIB", "QRPGSRC", "HELLO", "HELLO.txt");
  EXPECT_TRUE(Execute(*p).empty());
  EXPECT_EQ(p->Text(Ctl::LABEL99), "HELLO:「" + Pad50("挨拶プログラム") + "」ダウンロード完了しました。");
  EXPECT_EQ(TextLines("HELLO.txt"),
            (std::vector<std::string>{"     H DATEDIT(*YMD)", "     C           'こんにちは'  DSPLY",
                                      "     C* ｶﾀｶﾅ ﾃｷｽﾄ  漢字かな", "     C                     SETON                     LR"}));
  EXPECT_EQ(p->Text(Ctl::実行), "ＯＫ");
}

TEST_F(MemberE2E, SourceRoundTripToANewMember) {
  auto down = Pick(11);
  Member(*down, "E2ELIB", "QRPGSRC", "HELLO", "RT1.txt");
  ASSERT_TRUE(Execute(*down).empty());

  auto up = Pick(21);
  Member(*up, "E2ELIB", "QRPGSRC", "HELLO2", "RT1.txt");
  up->SetText(Ctl::タイプ, "RPG");
  EXPECT_TRUE(Execute(*up).empty());
  EXPECT_EQ(up->Text(Ctl::LABEL99).rfind("ソースメンバー「", 0), 0u) << up->Text(Ctl::LABEL99);

  auto again = Pick(11);
  Member(*again, "E2ELIB", "QRPGSRC", "HELLO2", "RT2.txt");
  ASSERT_TRUE(Execute(*again).empty());
  EXPECT_EQ(TextLines("RT2.txt"), TextLines("RT1.txt"));
}

TEST_F(MemberE2E, UploadWithCompileReportsToTheOperator) {
  auto down = Pick(11);
  Member(*down, "E2ELIB", "QCLSRC", "START", "START.txt");
  ASSERT_TRUE(Execute(*down).empty());
  auto up = Pick(21);
  Member(*up, "E2ELIB", "QCLSRC", "START2", "START.txt");
  up->SetText(Ctl::タイプ, "CLP");
  up->SetValue(Ctl::コンパイル, 1);
  up->SetText(Ctl::オブジェクトライブラリー, "E2ELIB");
  EXPECT_TRUE(Execute(*up).empty());
  EXPECT_EQ(up->Text(Ctl::LABEL99), "送信完了しました。コンパイル結果はQSYSOPRに出力されています。");
}

TEST_F(MemberE2E, WrongNamesReachTheUserAndAreRemembered) {
  struct Row { std::string lib, file, mbr, text, focus; };
  const Row rows[] = {
      {"NOLIB", "QRPGSRC", "HELLO", "ライブラリー名が間違っています確認してください。", "ライブラリー名"},
      {"E2ELIB", "NOFILE", "HELLO", "ファイル名が間違っています確認してください。", "ファイル名"},
      {"E2ELIB", "QRPGSRC", "NOMBR", "メンバー名が間違っています確認してください。", "メンバー名"},
  };
  for (const auto& r : rows) {
    auto p = Pick(11);
    Member(*p, r.lib, r.file, r.mbr, "wrong.txt");
    EXPECT_EQ(Execute(*p), (std::vector<PanelEvent>{Box(r.text, "ソースダウンロード"), Focus(r.focus)})) << r.text;
    EXPECT_EQ(p->Text(Ctl::LABEL99), "");
    auto next = Pick(12);  // the data download shares the remembered inputs
    EXPECT_EQ(next->Text(Ctl::ライブラリー名), r.lib);
    EXPECT_EQ(next->Text(Ctl::メンバー名), r.mbr);
  }
}

TEST_F(MemberE2E, FailedDownloadKeepsTheEarlierPcFile) {
  kvtest::WriteFile(work_ + "/keep.txt", "earlier content\r\n");
  auto p = Pick(11);
  Member(*p, "E2ELIB", "QRPGSRC", "NOMBR", "keep.txt");
  Execute(*p);
  EXPECT_EQ(PcFile("keep.txt"), "earlier content\r\n");
}

TEST_F(MemberE2E, KanjiDataSurvivesWithKanjiTicked) {
  auto p = Pick(12);
  Member(*p, "E2ELIB", "CUSTOMER", "CUSTOMER", "cust.txt");
  p->SetValue(Ctl::漢字, 1);
  EXPECT_TRUE(Execute(*p).empty());
  EXPECT_EQ(p->Text(Ctl::LABEL99), "CUSTOMER:「" + Pad50("顧客") + "」ダウンロード完了しました。");
  auto lines = TextLines("cust.txt");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "00001山田太郎");
  EXPECT_EQ(lines[1], "00002ｽｽﾞｷ ｲﾁﾛｳ");
  EXPECT_EQ(lines[2], "00003Tanaka");

  // Without 漢字 the host converts as plain text: the Latin data is kept, the kanji are not.
  auto q = Pick(12);
  Member(*q, "E2ELIB", "CUSTOMER", "CUSTOMER", "cust-ascii.txt");
  EXPECT_TRUE(Execute(*q).empty());
  auto plain = TextLines("cust-ascii.txt");
  ASSERT_EQ(plain.size(), 3u);
  EXPECT_EQ(plain[2], "00003Tanaka");
  EXPECT_EQ(plain[0].find("山田"), std::string::npos);
}

TEST_F(MemberE2E, PackedDataCannotTravelAsText) {
  auto p = Pick(12);
  Member(*p, "E2ELIB", "SALES", "SALES", "sales.txt");
  EXPECT_EQ(Execute(*p), (std::vector<PanelEvent>{Box("転送できないデータタイプが存在します。", "データダウンロード"),
                                                  Focus("ファイル名")}));
}

TEST_F(MemberE2E, BinaryRoundTripKeepsEveryByte) {
  auto down = Pick(13);
  Member(*down, "E2ELIB", "SALES", "SALES", "SALES.DTA");
  ASSERT_TRUE(Execute(*down).empty());
  std::string bytes = PcFile("SALES.DTA");
  EXPECT_EQ(bytes.size(), 2u * 10u);  // two records of 5 + 5 bytes

  auto up = Pick(22);
  Member(*up, "E2ELIB", "SALES", "SALES2", "SALES.DTA");
  EXPECT_TRUE(Execute(*up).empty());
  EXPECT_EQ(up->Text(Ctl::LABEL99).rfind("ファイル「", 0), 0u) << up->Text(Ctl::LABEL99);

  auto again = Pick(13);
  Member(*again, "E2ELIB", "SALES", "SALES2", "SALES2.DTA");
  ASSERT_TRUE(Execute(*again).empty());
  EXPECT_EQ(PcFile("SALES2.DTA"), bytes);
}

TEST_F(MemberE2E, TextUploadOfKanjiData) {
  kvtest::WriteFile(work_ + "/new.txt", Utf8ToCp932("00009佐藤花子\r\n00010ﾀﾅｶ\r\n").value());
  auto up = Pick(27);
  Member(*up, "E2ELIB", "CUSTOMER", "NEWCUST", "new.txt");
  up->SetValue(Ctl::漢字, 1);
  EXPECT_TRUE(Execute(*up).empty());
  auto down = Pick(12);
  Member(*down, "E2ELIB", "CUSTOMER", "NEWCUST", "new-back.txt");
  down->SetValue(Ctl::漢字, 1);
  ASSERT_TRUE(Execute(*down).empty());
  EXPECT_EQ(TextLines("new-back.txt"), (std::vector<std::string>{"00009佐藤花子", "00010ﾀﾅｶ"}));
}

TEST_F(MemberE2E, WrongPasswordAndUnreachableHost) {
  auto p = Pick(11, "WRONG");
  Member(*p, "E2ELIB", "QRPGSRC", "HELLO", "pw.txt");
  EXPECT_EQ(Execute(*p), (std::vector<PanelEvent>{Box("ログイン出来ません。ユーザー・パスワード間違いないですか？",
                                                      "PC⇒AS400(CSV）")}));

  // Nobody listens there: the download reads its sentinel, and so does an upload.
  auto q = Pick(11);
  q->SetText(Ctl::IPアドレス, "127.1.254.254");
  Member(*q, "E2ELIB", "QRPGSRC", "HELLO", "unreach.txt");
  EXPECT_EQ(Execute(*q), (std::vector<PanelEvent>{Box("通信不能です。", "ソースダウンロード"), Focus("メンバー名")}));
  kvtest::WriteFile(work_ + "/up.txt", "x\r\n");
  auto u = Pick(21);
  u->SetText(Ctl::IPアドレス, "127.1.254.254");
  Member(*u, "E2ELIB", "QRPGSRC", "HELLO9", "up.txt");
  u->SetText(Ctl::タイプ, "RPG");
  EXPECT_EQ(Execute(*u), (std::vector<PanelEvent>{Box("通信不能です。", "ソース・アップロード")}));
}
