// The menu table and the about window's logic.
#include <gtest/gtest.h>

#include <map>

#include "client/window/operations.h"
#include "client/window/about.h"
#include "client/window/menus.h"

namespace kv {
namespace {

std::string Layout(std::string_view popup) {
  std::string s;
  for (const auto& e : AllMenuEntries())
    if (e.parent == popup) s += std::string(e.caption) + "|";
  return s;
}

TEST(MenusTest, ThreeMenusWithTheirItemsInOrder) {
  std::string bar;
  for (const auto& e : AllMenuEntries())
    if (e.kind == MenuKind::Popup) bar += std::string(e.caption) + "|";
  EXPECT_EQ(bar, "ダウンロード(&D)|アップロード(&U)|ヘルプ(&H)|");
  EXPECT_EQ(Layout("DOWN"), "ソース|-|データ|バイナリー|CSV|-|ライブラリー|オブジェクト|-|スプール|スプール・テキスト|");
  EXPECT_EQ(Layout("UP"), "ソース|-|データ|バイナリー|CSV|-|ライブラリー|オブジェクト|-|スプール|");
  EXPECT_EQ(Layout("HELPM"), "ヘルプ(目次)|-|終了(&E)|-|KV-TRANSITについて|ホーム|");
}

TEST(MenusTest, EveryOperationHasExactlyOneItem) {
  std::map<int, std::string> byCode;
  for (const auto& e : AllMenuEntries()) {
    int code = OperationCodeOf(e);
    if (e.action != MenuAction::Operation) {
      EXPECT_EQ(code, 0) << e.name;
      continue;
    }
    EXPECT_NE(code, 0) << e.name;
    EXPECT_TRUE(byCode.emplace(code, std::string(e.name)).second) << e.name;
  }
  EXPECT_EQ(byCode.size(), AllOperations().size());
  EXPECT_EQ(byCode[27], "data2");
  EXPECT_EQ(byCode[22], "bin2");
}

TEST(AboutTest, TextsFromTheVersionResource) {
  AboutTexts t = BuildAboutTexts({"KV-TRANSIT", "hostxfer", "Co", "(C) Co", 5, 0, 0});
  EXPECT_EQ(t.caption, "hostxferのﾊﾞｰｼﾞｮﾝ情報");
  EXPECT_EQ(t.version, "ﾊﾞｰｼﾞｮﾝ 5.0.0");
  EXPECT_EQ(t.title, "KV-TRANSIT  hostxfer");
  EXPECT_EQ(t.company, "Co");
  EXPECT_EQ(t.copyright, "(C) Co");
  EXPECT_EQ(BuildAboutTexts({"", "t", "", "", 12, 3, 40}).version, "ﾊﾞｰｼﾞｮﾝ 12.3.40");
}

TEST(AboutTest, RegistryValueText) {
  using namespace std::string_literals;
  EXPECT_EQ(RegistryValueText(kRegSz, "C:\\Tools\0"s), "C:\\Tools");
  // A string whose last returned byte is not NUL keeps every byte.
  EXPECT_EQ(RegistryValueText(kRegSz, "C:\\Tools"s), "C:\\Tools");
  EXPECT_EQ(RegistryValueText(kRegSz, "\0"s), "");
  EXPECT_EQ(RegistryValueText(kRegDword, "\x01\x00\x00\x00"s), "1");
  // Each byte keeps both hex digits: 0x0102 is 258, not 0x12.
  EXPECT_EQ(RegistryValueText(kRegDword, "\x02\x01\x00\x00"s), "258");
  EXPECT_EQ(RegistryValueText(kRegDword, "\x00\x00\x00\x80"s), "2147483648");
  EXPECT_EQ(RegistryValueText(3, "ab"s), std::nullopt);
}

// A system with scripted files, registry values and process starts.
class FakeSystem : public SysInfoHost {
 public:
  std::map<std::string, bool> files;
  std::map<std::string, std::string> values;  // "key|value" -> text
  bool startWorks = true;
  std::vector<std::string> log;
  bool FileExists(const std::string& path) override {
    log.push_back("exists " + path);
    return files.count(path) > 0;
  }
  bool GetKeyValue(const std::string& key, const std::string& name, std::string& value) override {
    log.push_back("read " + key + "|" + name);
    auto it = values.find(key + "|" + name);
    value = it == values.end() ? "" : it->second;
    return it != values.end();
  }
  bool Start(const std::string& path) override {
    log.push_back("start " + path);
    return startWorks;
  }
  void ShowMessage(const std::string& text) override { log.push_back("message " + text); }
};

const char kInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH";
const char kLocationKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO";

TEST(AboutTest, SysInfoAtTheFixedPathReadsNoRegistry) {
  FakeSystem sys;
  sys.files["C:\\Windows\\System32\\MSINFO32.EXE"] = true;
  StartSysInfo(sys);
  EXPECT_EQ(sys.log, (std::vector<std::string>{"exists C:\\Windows\\System32\\MSINFO32.EXE",
                                               "start C:\\Windows\\System32\\MSINFO32.EXE"}));
}

TEST(AboutTest, SysInfoPathValueIsStartedWithoutExistenceTest) {
  FakeSystem sys;
  sys.values[kInfoKey] = "D:\\missing\\msinfo32.exe";
  sys.startWorks = false;
  StartSysInfo(sys);
  EXPECT_EQ(sys.log, (std::vector<std::string>{"exists C:\\Windows\\System32\\MSINFO32.EXE", std::string("read ") + kInfoKey,
                                               "start D:\\missing\\msinfo32.exe",
                                               "message 現時点ではｼｽﾃﾑ情報を使用できません"}));
}

TEST(AboutTest, SysInfoFromTheToolsLocationOnlyIfTheFileExists) {
  FakeSystem sys;
  sys.values[kLocationKey] = "E:\\Shared\\MSInfo";
  StartSysInfo(sys);
  EXPECT_EQ(sys.log.back(), "message 現時点ではｼｽﾃﾑ情報を使用できません");
  sys.log.clear();
  sys.files["E:\\Shared\\MSInfo\\MSINFO32.EXE"] = true;
  StartSysInfo(sys);
  EXPECT_EQ(sys.log, (std::vector<std::string>{"exists C:\\Windows\\System32\\MSINFO32.EXE", std::string("read ") + kInfoKey,
                                               std::string("read ") + kLocationKey,
                                               "exists E:\\Shared\\MSInfo\\MSINFO32.EXE",
                                               "start E:\\Shared\\MSInfo\\MSINFO32.EXE"}));
}

}  // namespace
}  // namespace kv
