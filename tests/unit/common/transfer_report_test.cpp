// The report channel's lines: what the FTP client writes is what the transfer
// client reads back; anything else is not a report line.
#include <gtest/gtest.h>

#include "common/transfer_report.h"

using namespace kv;

TEST(TransferReport, EachEventFormatsAndParsesBack) {
  ReportLine start{ReportEvent::Start, 1, TransferDirection::Get, 0, std::nullopt, "E2ELIB/QRPGSRC.HELLO",
                   "Z:\\tmp\\a b\\HELLO.txt"};
  EXPECT_EQ(FormatReportLine(start), "start\t1\tget\t0\t\tE2ELIB/QRPGSRC.HELLO\tZ:\\tmp\\a b\\HELLO.txt");
  ReportLine progress{ReportEvent::Progress, 2, TransferDirection::Put, 1048576, 4194304};
  EXPECT_EQ(FormatReportLine(progress), "progress\t2\tput\t1048576\t4194304");
  ReportLine ok{ReportEvent::Ok, 2, TransferDirection::Put, 4194304, 4194304};
  EXPECT_EQ(FormatReportLine(ok), "ok\t2\tput\t4194304\t4194304");
  ReportLine failed{ReportEvent::Failed, 3, TransferDirection::Put, 10, std::nullopt};
  failed.cause = FailureCause::Server;
  failed.text = "550 Line 2 is longer\tthan the record length.\r\nMember not changed.";
  EXPECT_EQ(FormatReportLine(failed),
            "failed\t3\tput\t10\t\tserver\t550 Line 2 is longer than the record length.  Member not changed.");

  for (const ReportLine& l : {start, progress, ok, failed}) {
    auto back = ParseReportLine(FormatReportLine(l));
    ASSERT_TRUE(back) << FormatReportLine(l);
    EXPECT_EQ(FormatReportLine(*back), FormatReportLine(l));
  }
  EXPECT_EQ(ParseReportLine(FormatReportLine(failed))->cause, FailureCause::Server);
  EXPECT_EQ(ParseReportLine(FormatReportLine(start))->local, "Z:\\tmp\\a b\\HELLO.txt");
}

TEST(TransferReport, MalformedLinesAreNotReports) {
  for (const char* line : {"", "start", "ok\t1\tget\t5", "ok\tx\tget\t5\t", "ok\t1\tmove\t5\t", "ok\t1\tget\t-5\t",
                           "done\t1\tget\t5\t", "failed\t1\tget\t5\t\tdisk\tfull", "failed\t1\tget\t5\t",
                           "start\t1\tget\t0\t\tonly-remote", "ok\t1\tget\t5\t7x"}) {
    EXPECT_FALSE(ParseReportLine(line)) << line;
  }
}
