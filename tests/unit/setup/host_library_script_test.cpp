#include "setup/host_library_script.h"

#include <gtest/gtest.h>

using namespace kv;

TEST(HostLibraryScript, LinesForAFolderAndForADriveRoot) {
  auto lines = HostLibraryScript({"10.0.0.1", "QSECOFR", "pass word"}, "D:\\MEDIA");
  ASSERT_EQ(lines.size(), 14u);
  EXPECT_EQ(lines[2], "pass word");
  EXPECT_EQ(lines[3], "cd /qsys.lib/");
  EXPECT_EQ(lines[6], "quote rcmd CHGJOB LOG(4 40 *NOLIST) ");
  EXPECT_EQ(lines[8], "put \"D:\\MEDIA\\TRIAL_KVU.SAVF\" QTEMP/FTPSAVF");
  EXPECT_EQ(lines[11],
            "quote rcmd RSTLIB SAVLIB(TRIAL_KVD) DEV(*SAVF) SAVF(QTEMP/FTPSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL)  "
            "RSTLIB(TRIAL_KVD)");
  EXPECT_EQ(HostLibraryScript({"h", "u", "p"}, "E:\\")[10], "put \"E:\\\\TRIAL_KVD.SAVF\" QTEMP/FTPSAVF");
}
