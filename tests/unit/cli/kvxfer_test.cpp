// kvxfer's command line and output format.
#include "cli/kvxfer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/unit/client/client_fixture.h"

using namespace kv;
using kvtest::ClientDrive;

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome RunKv(std::vector<std::string> args) {
  std::ostringstream out, err;
  KvxferOptions o;
  o.getIp = [] { return HostInfo{"10.0.0.5", "pc01"}; };
  int status = RunKvxfer(args, out, err, o);
  return {status, out.str(), err.str()};
}

}  // namespace

TEST(Kvxfer, UsageErrors) {
  ClientDrive drive;
  struct Row { std::vector<std::string> args; std::string errPart; };
  const Row rows[] = {
      {{}, "usage"},
      {{"nosuch"}, "unknown menu item"},
      {{"source1", "--nosuch=1"}, "unknown control"},
      {{"source1", "lib=QGPL"}, "--NAME=VALUE"},
      {{"source1", "--ライブラリー名=ABCDEFGHIJK"}, "at most 10"},
      {{"source1", "--jobnumber=1"}, "does not show 番号"},
      {{"lib1", "--メンバー名=X"}, "does not show メンバー名"},
      {{"source2", "--compile=yes"}, "0 or 1"},
      {{"source1", "--LABEL99=x"}, "unknown control"},
      // A line break would add a command of its own to the transfer script.
      {{"source1", "--pcfile=C:\\a.txt\nquote rcmd DLTLIB X"}, "one line"},
      {{"source1", "--password=PW\r"}, "one line"},
  };
  for (const auto& r : rows) {
    Outcome o = RunKv(r.args);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find(r.errPart), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
  }
  // Lengths count characters: ten kanji fit a ten-character box.
  EXPECT_NE(RunKv({"source1", "--lib=漢字漢字漢字漢字漢字"}).status, 2);
}

TEST(Kvxfer, PrintsTheChecksOfExecute) {
  ClientDrive drive;
  drive.PutFile("kv3EV", ClientDrive::Cp932Lines({"10.0.0.1", "QSECOFR", ""}));
  Outcome o = RunKv({"source1", "--password="});
  EXPECT_EQ(o.status, 1);
  // The last box is the password check, with its focus move.
  EXPECT_NE(o.out.find("message\tユーザー\tＡＳ４００のパスワードを入力してください。\texclamation\nfocus\tパスワード\n"),
            std::string::npos)
      << o.out;
}
