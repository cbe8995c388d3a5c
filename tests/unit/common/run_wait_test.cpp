#include "common/run_wait.h"

#include <gtest/gtest.h>

#include "common/cmdline.h"
#include <sys/stat.h>

#include "test_support.h"

using namespace kv;
using kvtest::TempDrive;

TEST(CommandLine, SplitsOnBlanksKeepingQuotedStretches) {
  EXPECT_EQ(SplitCommandLine("C:\\KV-TRANSIT\\FTP -s:c:\\KV-TRANSIT\\kvtrn.ini"),
            (std::vector<std::string>{"C:\\KV-TRANSIT\\FTP", "-s:c:\\KV-TRANSIT\\kvtrn.ini"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\x.exe\"  a"),
            (std::vector<std::string>{"C:\\Program Files\\x.exe", "a"}));
  EXPECT_TRUE(SplitCommandLine("   ").empty());
}

// A stand-in program that records its arguments, installed as ftp.exe (lower case).
TEST(RunAndWait, FindsTheExeInAnyCaseAndPassesTheArgumentVerbatim) {
  TempDrive drive;
  std::string dir = drive.DriveC() + "/KV-TRANSIT";
  TempDrive::WriteBytes(dir + "/ftp.exe",
                        "#!/bin/sh\nprintf '%s|' \"$@\" > \"$KV_DRIVE_C/args.txt\"\nsleep 0.2\nexit 3\n");
  ASSERT_EQ(::chmod((dir + "/ftp.exe").c_str(), 0755), 0);
  int polls = 0;
  RunResult r = RunAndWait("C:\\KV-TRANSIT\\FTP -s:c:\\KV-TRANSIT\\kvtrn.ini", [&] { ++polls; });
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exitCode, 3u);
  EXPECT_GE(polls, 3);  // 200 ms of running at one poll per 50 ms
  EXPECT_EQ(TempDrive::ReadBytes(drive.DriveC() + "/args.txt"), "-s:c:\\KV-TRANSIT\\kvtrn.ini|");
}

TEST(RunAndWait, AScriptWithoutInterpreterLineRunsUnderTheShell) {
  TempDrive drive;
  std::string dir = drive.DriveC() + "/KV-TRANSIT";
  TempDrive::WriteBytes(dir + "/FTP", "echo \"$1\" > \"$KV_DRIVE_C/seen.txt\"\nexit 4\n");
  ASSERT_EQ(::chmod((dir + "/FTP").c_str(), 0755), 0);
  RunResult r = RunAndWait("C:\\KV-TRANSIT\\FTP -s:x", nullptr);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exitCode, 4u);
  EXPECT_EQ(TempDrive::ReadBytes(drive.DriveC() + "/seen.txt"), "-s:x\n");
}

TEST(RunAndWait, AMissingProgramIsReportedNotWaitedFor) {
  TempDrive drive;
  int polls = 0;
  RunResult r = RunAndWait("C:\\KV-TRANSIT\\FTP -s:x", [&] { ++polls; });
  EXPECT_FALSE(r.started);
  EXPECT_EQ(polls, 0);
}
