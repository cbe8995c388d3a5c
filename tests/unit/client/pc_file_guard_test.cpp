// The earlier PC file of a download around a run: back as it was after any
// failure, the side name gone after a success, an interrupted run's side file
// never touched.
#include <gtest/gtest.h>

#include <filesystem>

#include "client/engine/pc_file_guard.h"
#include "tests/unit/common/test_support.h"

using namespace kv;
using kvtest::TempDrive;

namespace {

struct Fixture {
  TempDrive drive;
  std::string dir = drive.DriveC() + "/pc";
  std::string file = dir + "/LIB.SAVF";
  std::string windows = "C:\\pc\\LIB.SAVF";
  Fixture() { std::filesystem::create_directories(dir); }
  // What the FTP client does with a complete download: a new file renamed over the target.
  void Download(const std::string& bytes) {
    TempDrive::WriteBytes(file + ".part", bytes);
    std::filesystem::rename(file + ".part", file);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

}  // namespace

TEST(PcFileGuard, AFailedRunLeavesTheEarlierFileAsItWas) {
  for (bool downloaded : {false, true}) {
    Fixture f;
    TempDrive::WriteBytes(f.file, "earlier save file");
    PcFileGuard guard;
    ASSERT_TRUE(guard.Protect(f.windows));
    if (downloaded) f.Download("");  // an empty save file fetched before the reply said NOTOBJ
    guard.Finish(false);
    EXPECT_EQ(TempDrive::ReadBytes(f.file), "earlier save file");
    EXPECT_EQ(f.Names(), std::vector<std::string>{"LIB.SAVF"});
  }
}

TEST(PcFileGuard, ASuccessfulRunKeepsTheNewFileOnly) {
  Fixture f;
  TempDrive::WriteBytes(f.file, "earlier");
  PcFileGuard guard;
  ASSERT_TRUE(guard.Protect(f.windows));
  EXPECT_EQ(TempDrive::ReadBytes(f.file + ".kvkeep"), "earlier");  // recoverable should the program stop now
  f.Download("new");
  guard.Finish(true);
  EXPECT_EQ(TempDrive::ReadBytes(f.file), "new");
  EXPECT_EQ(f.Names(), std::vector<std::string>{"LIB.SAVF"});
}

TEST(PcFileGuard, WithoutAnEarlierFileAFailedRunLeavesNone) {
  Fixture f;
  PcFileGuard guard;
  ASSERT_TRUE(guard.Protect(f.windows));
  f.Download("converted packed bytes");
  guard.Finish(false);
  EXPECT_TRUE(f.Names().empty());
}

TEST(PcFileGuard, AReportedSuccessThatLeftNoFileKeepsTheEarlierOne) {
  Fixture f;
  TempDrive::WriteBytes(f.file, "earlier");
  PcFileGuard guard;
  ASSERT_TRUE(guard.Protect(f.windows));
  std::filesystem::remove(f.file);
  guard.Finish(true);
  EXPECT_EQ(TempDrive::ReadBytes(f.file), "earlier");
}

TEST(PcFileGuard, AnInterruptedRunsSideFileIsNeverTouched) {
  Fixture f;
  TempDrive::WriteBytes(f.file, "current");
  TempDrive::WriteBytes(f.file + ".kvkeep", "kept by an interrupted run");
  PcFileGuard guard;
  ASSERT_TRUE(guard.Protect(f.windows));
  EXPECT_EQ(guard.SideName(), "C:\\pc\\LIB.SAVF.kvkeep1");
  f.Download("new");
  guard.Finish(false);
  EXPECT_EQ(TempDrive::ReadBytes(f.file), "current");
  EXPECT_EQ(TempDrive::ReadBytes(f.file + ".kvkeep"), "kept by an interrupted run");
  EXPECT_EQ(f.Names(), (std::vector<std::string>{"LIB.SAVF", "LIB.SAVF.kvkeep"}));
}
