// kvsetup's command line and what it prints.
#include "cli/kvsetup.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/unit/setup/setup_fixture.h"

using kvtest::SetupDrive;

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome RunSetup(std::vector<std::string> args) {
  std::ostringstream out, err;
  int status = kv::RunKvsetup(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace

TEST(Kvsetup, UsageErrorsChangeNothing) {
  SetupDrive d;
  const std::string media = "--media=" + d.Media();
  struct Row {
    std::vector<std::string> args;
    std::string errPart;
  };
  const Row rows[] = {
      {{}, "required"},
      {{media}, "required"},
      {{"--folder=C:\\Tools"}, "required"},
      {{media, "--folder=C:\\Tools", "--port=21"}, "unknown argument"},
      {{media, "--folder=C:\\Tools", "pc-only"}, "unknown argument"},
      {{media, "--folder=C:\\NoSuchFolder"}, "does not exist"},
      {{"--media=" + d.Root() + "/nomedia", "--folder=C:\\Tools"}, "does not exist"},
      // A line break would put a command of its own into the FTP script.
      {{media, "--folder=C:\\Tools", "--ip=h", "--password=x\r\nquote rcmd DLTLIB QGPL"}, "one line"},
  };
  for (const auto& r : rows) {
    Outcome o = RunSetup(r.args);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find(r.errPart), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
  }
  EXPECT_FALSE(d.Has(d.Dir()));
}

TEST(Kvsetup, PrintsTheBoxesAndFocusMovesAndExitsOne) {
  SetupDrive d;
  Outcome o = RunSetup({"--media=" + d.Media(), "--folder=C:\\Tools", "--user="});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out,
            "message\tＩＰアドレス\tＩＰアドレスを入力して下さい。\texclamation\n"
            "focus\tIPアドレス\n"
            "message\tユーザー\tＡＳ４００のユーザー名を入力してください。\texclamation\n"
            "focus\tユーザー\n"
            "message\tユーザー\tＡＳ４００のパスワードを入力してください。\texclamation\n"
            "focus\tパスワード\n");
  // The user defaults to QSECOFR, as the window shows it.
  EXPECT_EQ(RunSetup({"--media=" + d.Media(), "--folder=C:\\Tools", "--ip=h"}).out,
            "message\tユーザー\tＡＳ４００のパスワードを入力してください。\texclamation\nfocus\tパスワード\n");
}

TEST(Kvsetup, InstallsFromLinuxPathsAndEndsDone) {
  SetupDrive d;
  Outcome o = RunSetup({"--media=" + d.Media() + "/", "--folder=" + d.DriveC() + "/Tools", "--pc-only"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "done\t完了！\n");
  EXPECT_EQ(d.ReadBytes(d.DriveC() + "/Tools/KV-Windows版/hostxfer.exe"), "client program");

  ::setenv("FAKE_FTP_EXIT", "2", 1);
  o = RunSetup({"--media=" + d.Media(), "--folder=C:\\Tools", "--ip=10.1.1.1", "--password=x"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out.rfind("message\tＡＳ４００ライブラリー導入\tＡＳ４００にログオンできませんでした。", 0), 0u) << o.out;
  const std::string end = "\texclamation\ndone\t完了！\n";
  EXPECT_EQ(o.out.substr(o.out.size() - end.size()), end);
}
