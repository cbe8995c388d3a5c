// Reading the FTP client's report: lines arrive in pieces while it runs, the
// reply fetch is not the PC's data, a transfer that never ended did not work,
// and the texts the operator sees for progress and for a failed transfer.
#include <gtest/gtest.h>

#include "client/engine/transfer_watch.h"
#include "common/cp932.h"
#include "tests/unit/common/test_support.h"

using namespace kv;
using namespace std::chrono_literals;

namespace {

struct Fixture {
  kvtest::TempDrive drive;
  std::string path = drive.DriveC() + "/report.txt";
  TransferWatch watch{"C:\\report.txt"};
  void Append(const std::string& utf8) {
    std::string bytes = kvtest::TempDrive::ReadBytes(path) + Utf8ToCp932Lossy(utf8);
    kvtest::TempDrive::WriteBytes(path, bytes);
  }
};

ReportedTransfer Transfer(TransferDirection d, std::uint64_t bytes, std::optional<std::uint64_t> total) {
  ReportedTransfer t;
  t.direction = d;
  t.bytes = bytes;
  t.total = total;
  return t;
}

}  // namespace

TEST(TransferWatch, ALineBeingWrittenWaitsForItsEnd) {
  Fixture f;
  f.watch.Poll();  // no file yet
  EXPECT_TRUE(f.watch.Transfers().empty());
  f.Append("start\t1\tget\t0\t\tL/F.M\tC:\\保存\\M.txt\r\nprogress\t1\tget\t100");
  f.watch.Poll();
  ASSERT_EQ(f.watch.Transfers().size(), 1u);
  EXPECT_EQ(f.watch.Transfers()[0].local, "C:\\保存\\M.txt");
  EXPECT_EQ(f.watch.Transfers()[0].bytes, 0u);
  f.Append("0\t4000\r\n");
  f.watch.Poll();
  ASSERT_NE(f.watch.Current(), nullptr);
  EXPECT_EQ(f.watch.Current()->bytes, 1000u);
  EXPECT_EQ(f.watch.Current()->total, 4000u);
  f.Append("ok\t1\tget\t4000\t4000\r\n");
  f.watch.Poll();
  EXPECT_EQ(f.watch.Current(), nullptr);
  EXPECT_FALSE(f.watch.PayloadFailure());
}

TEST(TransferWatch, TheFirstFailedOrUnendedTransferOfThePcDataCounts) {
  Fixture f;
  // The reply fetch failing is the reply file's business (the sentinel stays).
  f.Append("start\t1\tget\t0\t\tQTEMP/FTPTEXT\tc:\\kv-transit\\ftptext.dat\r\n"
           "failed\t1\tget\t0\t\tserver\t550 File FTPTEXT in library QTEMP not found.\r\n");
  f.watch.Poll();
  EXPECT_FALSE(f.watch.PayloadFailure());
  f.Append("start\t2\tput\t0\t10\tL/F.M\tC:\\a.txt\r\nfailed\t2\tput\t0\t10\tserver\t550 Member M not changed.\r\n"
           "start\t3\tget\t0\t\tQTEMP/X\tC:\\b.txt\r\n");
  f.watch.Poll();
  auto failure = f.watch.PayloadFailure();
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->index, 2);
  EXPECT_EQ(failure->text, "550 Member M not changed.");

  Fixture g;
  g.Append("start\t1\tget\t0\t\tQTEMP/FTPSAVF\tC:\\L.SAVF\r\nprogress\t1\tget\t500\t\r\n");
  g.watch.Poll();
  ASSERT_TRUE(g.watch.PayloadFailure());  // the client stopped during the transfer
  EXPECT_EQ(g.watch.PayloadFailure()->state, ReportedTransfer::State::Running);
}

TEST(TransferWatch, ProgressTextAfterHalfASecond) {
  ReportedTransfer t = Transfer(TransferDirection::Get, 129394278, 536870912);  // 123.4 MB of 512 MB
  t.seen = TransferWatch::Clock::time_point{} + 10s;
  EXPECT_EQ(ProgressText(t, t.seen + 400ms), "");
  EXPECT_EQ(ProgressText(t, t.seen + 2s), "転送中 123.4 MB / 512.0 MB (24%) 61.7 MB/s");
  t.total.reset();
  t.bytes = 51200;
  EXPECT_EQ(ProgressText(t, t.seen + 1s), "転送中 50.0 KB 50.0 KB/s");
  t.total = 0;  // an empty file announced: no percentage
  EXPECT_EQ(ProgressText(t, t.seen + 1s), "転送中 50.0 KB 50.0 KB/s");
  t.bytes = 3221225472;
  t.total = 3221225472;
  EXPECT_EQ(ProgressText(t, t.seen + 1s), "転送中 3.0 GB / 3.0 GB (100%) 3.0 GB/s");
}

TEST(TransferWatch, FailureTextsSayWhatFailed) {
  auto failed = [](TransferDirection d, FailureCause c, std::string text) {
    ReportedTransfer t = Transfer(d, 0, std::nullopt);
    t.state = ReportedTransfer::State::Failed;
    t.cause = c;
    t.local = "Z:\\tmp\\nodir\\CUST.CSV";
    t.text = std::move(text);
    return TransferFailureText(t);
  };
  EXPECT_EQ(failed(TransferDirection::Get, FailureCause::Local, "Error opening local file"),
            "PCファイル「Z:\\tmp\\nodir\\CUST.CSV」に書き込めませんでした。保存先を確認して下さい。");
  EXPECT_EQ(failed(TransferDirection::Put, FailureCause::Local, "cannot read"),
            "PCファイル「Z:\\tmp\\nodir\\CUST.CSV」を読み込めませんでした。");
  EXPECT_EQ(failed(TransferDirection::Put, FailureCause::Server, "550 Member M not changed."),
            "ホストがデータを受け付けませんでした。ホストの応答：550 Member M not changed.");
  EXPECT_EQ(failed(TransferDirection::Get, FailureCause::Server, "550 File X not found."),
            "ホストからデータを受け取れませんでした。ホストの応答：550 File X not found.");
  EXPECT_EQ(failed(TransferDirection::Get, FailureCause::Network, "reset"),
            "データの受信が途中で切れました。もう一度実行して下さい。");
  EXPECT_EQ(failed(TransferDirection::Put, FailureCause::Network, "reset"),
            "データの送信が途中で切れました。もう一度実行して下さい。");
}
