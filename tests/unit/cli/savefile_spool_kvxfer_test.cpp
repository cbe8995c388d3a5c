// kvxfer runs of the save-file and spool operations: what the operator sees
// and the exit status.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/kvxfer.h"
#include "tests/unit/client/client_fixture.h"

using namespace kv;
using kvtest::ClientDrive;

namespace {

struct Outcome {
  int status;
  std::string out;
};

Outcome Kvxfer(std::vector<std::string> args) {
  std::ostringstream out, err;
  KvxferOptions o;
  o.getIp = [] { return HostInfo{"10.0.0.5", "pc01"}; };
  int status = RunKvxfer(args, out, err, o);
  return {status, out.str()};
}

const std::string kThirty = "123456789012345678901234567890";

}  // namespace

TEST(KvxferSaveFileSpool, RunsAsTheWindowWould) {
  struct Row {
    std::vector<std::string> args;
    std::optional<std::string> reply;
    int status;
    std::string out;
  };
  const std::vector<std::string> logon = {"--ip=10.0.0.1", "--user=QSECOFR", "--password=PW"};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.begin() + 1, logon.begin(), logon.end());
    return args;
  };
  const std::vector<Row> rows = {
      {with({"lib1", "--lib=QGPL", "--pcfile=C:\\save\\QGPL.SAVF", "--list=1"}), "1234567890OK", 0,
       "label99\tダウンロード完了しました。\n"},
      {with({"obj1", "--lib=QGPL", "--file=NOPE", "--type=*PGM", "--pcfile=C:\\save\\NOPE.SAVF"}), "1234567890NOTOBJ", 1,
       "message\tオブジェクト・ダウンロード\t指定されたオブジェクトは存在しません。ライブラリー、オブジェクト、タイプを確認"
       "してください。\texclamation\nfocus\tファイル名\n"},
      {with({"lib1", "--lib=QGPL", "--pcfile=C:\\save\\QGPL.SAVF"}), "", 1,
       "message\tライブラリー・ダウンロード\tログイン出来ません。ユーザー・パスワードは間違いないですか？\tnone\n"},
      {with({"obj2", "--lib=QGPL", "--file=OBJA", "--restorelib=RST", "--pcfile=C:\\save\\NONE.SAVF"}), std::nullopt, 1,
       "message\tオブジェクト・アップロード\tSAVEファイルが存在しません。\texclamation\nfocus\tpcファイル名\n"},
      {with({"lib2", "--lib=QGPL", "--restorelib=RST", "--pcfile=C:\\save\\QGPL.SAVF"}), kThirty + "OK    ", 3, ""},
      {with({"spool1", "--file=QSYSPRT", "--job=QPADEV0001", "--jobuser=TARO", "--jobnumber=000000",
             "--pcfile=C:\\spl\\A.SPL"}),
       std::nullopt, 1, "message\tスプール・ダウンロード\t番号が正しくありません。\texclamation\nfocus\t番号\n"},
      {with({"spltxt", "--file=QSYSPRT", "--job=QPADEV0001", "--jobuser=TARO", "--jobnumber=123456",
             "--splnumber=2", "--pcfile=C:\\spl\\A.txt"}),
       kThirty + "OK    ", 0, "label99\tスプールダウンロード完了しました。\n"},
      {with({"spool", "--file=PRT01", "--lib=QUSRSYS", "--pcfile=C:\\save\\QGPL.SAVF"}), kThirty + "EMPTY#", 1,
       "message\tスプール・アップロード\t転送スプールが空です。\texclamation\nfocus\tファイル名\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args[0]);
    ClientDrive drive;
    ClientDrive::WriteBytes(drive.DriveC() + "/save/QGPL.SAVF", "savf");
    if (row.reply) drive.SetReply(*row.reply);
    Outcome o = Kvxfer(row.args);
    EXPECT_EQ(o.out, row.out);
    EXPECT_EQ(o.status, row.status);
  }
}
