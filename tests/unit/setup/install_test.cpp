// The installation sequence: the checks, the files it places, the host run and
// what the user is shown of each outcome.
#include "setup/install.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "common/winpath.h"
#include "tests/unit/setup/setup_fixture.h"

using namespace kv;
using kvtest::SetupDrive;

namespace {

// Records what the window would show, one line per event.
class RecordingView : public SetupView {
 public:
  void Warn(const SetupMessage& m) override { events.push_back("box " + m.title + ": " + m.text); }
  void Focus(SetupField f) override { events.push_back(std::string("focus ") + NameOf(f)); }
  void ShowInstalling() override { events.push_back("installing"); }
  void EnableWindow(bool on) override { events.push_back(on ? "enabled" : "disabled"); }
  void ProcessEvents() override { ++polls; }
  void ShowDone() override { events.push_back("done"); }
  std::vector<std::string> events;
  int polls = 0;
};

const char kLibName[] = "TRIAL_KVU TRIAL_KVD CCCCCCCCCCDDDDDDDDDDEEEEEEEEEE\r\n";

SetupChoice Choice(const SetupDrive& d, bool host) {
  SetupChoice c;
  c.host = host;
  c.logon = {"192.168.0.10", "QSECOFR", "pass word"};
  c.folder = "C:\\Tools";
  c.mediaFolder = ToWindowsPath(d.Media());
  return c;
}

}  // namespace

TEST(Install, PcOnlyPlacesEveryFileWithoutAWordAndTwiceTheSame) {
  SetupDrive d;
  SetupChoice c = Choice(d, false);
  c.logon = {"", "", ""};  // not looked at
  for (int run = 0; run < 2; ++run) {
    RecordingView v;
    EXPECT_EQ(RunInstallation(c, v), InstallResult::Installed);
    EXPECT_EQ(v.events, (std::vector<std::string>{"installing", "enabled", "done"}));
    EXPECT_EQ(d.ReadBytes(d.DriveC() + "/Tools/KV-Windows版/hostxfer.exe"), "client program");
    EXPECT_EQ(d.File("FTP.EXE"), d.ReadBytes(d.Media() + "/setpg/FTP.EXE"));
    EXPECT_TRUE((std::filesystem::status(d.Dir() + "/FTP.EXE").permissions() & std::filesystem::perms::owner_exec) != std::filesystem::perms::none);
    for (auto name : media::kTemplates) EXPECT_EQ(d.File(std::string(name)), "new " + std::string(name));
    EXPECT_EQ(d.File("KV1.HLP"), "help");
    EXPECT_EQ(d.File("KV1.cnt"), ":Base KV1.HLP\r\n");
    EXPECT_EQ(d.File("KV1.html"), "<html></html>");
    EXPECT_EQ(d.File("LIBNAME.ini"), kLibName);
    EXPECT_FALSE(d.Has(d.Dir() + "/kvtrn.ini"));
    EXPECT_FALSE(d.Has(d.Dir() + "/TRIAL_KVU.SAVF"));
  }
}

TEST(Install, ClientGoesBelowADriveRootAndAnotherDrive) {
  SetupDrive d;
  ::setenv("KV_DRIVE_D", (d.Root() + "/drive_d").c_str(), 1);
  std::filesystem::create_directories(d.Root() + "/drive_d/Apps");
  for (const char* folder : {"C:\\", "D:\\Apps"}) {
    SetupChoice c = Choice(d, false);
    c.folder = folder;
    RecordingView v;
    RunInstallation(c, v);
  }
  ::unsetenv("KV_DRIVE_D");
  EXPECT_EQ(d.ReadBytes(d.DriveC() + "/KV-Windows版/hostxfer.exe"), "client program");
  EXPECT_EQ(d.ReadBytes(d.Root() + "/drive_d/Apps/KV-Windows版/hostxfer.exe"), "client program");
}

TEST(Install, EmptyHostFieldsGiveThreeBoxesInOrderAndChangeNothing) {
  SetupDrive d;
  SetupChoice c = Choice(d, true);
  c.logon = {"", "", ""};
  RecordingView v;
  EXPECT_EQ(RunInstallation(c, v), InstallResult::FieldsMissing);
  EXPECT_EQ(v.events, (std::vector<std::string>{
                          "box ＩＰアドレス: ＩＰアドレスを入力して下さい。", "focus IPアドレス",
                          "box ユーザー: ＡＳ４００のユーザー名を入力してください。", "focus ユーザー",
                          "box ユーザー: ＡＳ４００のパスワードを入力してください。", "focus パスワード"}));
  EXPECT_FALSE(d.Has(d.Dir()));
  EXPECT_FALSE(d.Has(d.DriveC() + "/Tools/KV-Windows版"));

  // Only the empty one is reported; a blank is a value.
  c.logon = {" ", "QSECOFR", ""};
  RecordingView one;
  EXPECT_EQ(RunInstallation(c, one), InstallResult::FieldsMissing);
  EXPECT_EQ(one.events, (std::vector<std::string>{"box ユーザー: ＡＳ４００のパスワードを入力してください。",
                                                  "focus パスワード"}));
}

TEST(Install, ATemplateMissingOnTheMediaKeepsTheInstalledOne) {
  SetupDrive d;
  d.WriteBytes(d.Dir() + "/FTPLIB.xls", "operator's own FTPLIB");
  d.WriteBytes(d.Dir() + "/DB.xls", "old DB");
  std::filesystem::remove(d.Media() + "/setpg/FTPLIB.xls");
  RecordingView v;
  RunInstallation(Choice(d, false), v);
  EXPECT_EQ(d.File("FTPLIB.xls"), "operator's own FTPLIB");
  EXPECT_EQ(d.File("DB.xls"), "new DB.xls");
  EXPECT_EQ(d.File("OBJD.xls"), "new OBJD.xls");
}

TEST(Install, HostRunWritesTheScriptDisablesTheWindowAndEndsDone) {
  SetupDrive d;
  RecordingView v;
  EXPECT_EQ(RunInstallation(Choice(d, true), v), InstallResult::Installed);
  EXPECT_EQ(v.events, (std::vector<std::string>{"installing", "disabled", "enabled", "done"}));
  EXPECT_GE(v.polls, 1);
  std::string media = ToWindowsPath(d.Media());
  std::string script = d.ScriptSeen();
  EXPECT_EQ(script.substr(0, 39), "open 192.168.0.10\r\nQSECOFR\r\npass word\r\n");
  EXPECT_NE(script.find("put \"" + media + "\\TRIAL_KVU.SAVF\" QTEMP/FTPSAVF\r\n"), std::string::npos) << script;
  EXPECT_EQ(d.File("LIBNAME.ini"), kLibName);
}

TEST(Install, AFailedHostRunIsReportedBeforeDoneAndLibnameIsStillWritten) {
  struct Row {
    const char* exitStatus;
    const char* startOfText;
  };
  const Row rows[] = {
      {"2", "ＡＳ４００にログオンできませんでした。"},
      {"5", "ＡＳ４００に接続できませんでした。"},
      {"3", "ＡＳ４００との接続が途中で切れました。"},
      {"1", "ＡＳ４００へのライブラリーの送信または復元に失敗しました。"},
      {"4", "ＡＳ４００へのライブラリーの送信または復元に失敗しました。"},
  };
  for (const auto& r : rows) {
    SetupDrive d;
    ::setenv("FAKE_FTP_EXIT", r.exitStatus, 1);
    RecordingView v;
    EXPECT_EQ(RunInstallation(Choice(d, true), v), InstallResult::HostFailed) << r.exitStatus;
    ASSERT_EQ(v.events.size(), 5u);
    EXPECT_EQ(v.events[2], "enabled");
    EXPECT_EQ(v.events[3].rfind(std::string("box ＡＳ４００ライブラリー導入: ") + r.startOfText, 0), 0u) << v.events[3];
    EXPECT_EQ(v.events[4], "done");
    EXPECT_EQ(d.File("LIBNAME.ini"), kLibName);
  }
}

TEST(Install, NoFtpClientOnTheMediaIsReported) {
  SetupDrive d;
  std::filesystem::remove(d.Media() + "/setpg/FTP.EXE");
  RecordingView v;
  EXPECT_EQ(RunInstallation(Choice(d, true), v), InstallResult::HostFailed);
  EXPECT_EQ(v.events[3].rfind("box ＡＳ４００ライブラリー導入: ＦＴＰクライアント C:\\KV-TRANSIT\\FTP.EXE を起動できなかった", 0), 0u)
      << v.events[3];
  EXPECT_EQ(d.File("LIBNAME.ini"), kLibName);
}
