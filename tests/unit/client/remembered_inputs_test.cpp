// The remembered-inputs files: layouts written byte for byte, and the
// position-only reader with its line buffer.
#include <gtest/gtest.h>

#include "client/window/main_panel.h"
#include "client/panel/memory_panel.h"
#include "client/workfiles/remembered_inputs.h"
#include "tests/unit/client/client_fixture.h"

using namespace kv;
using kvtest::ClientDrive;

namespace {
HostInfo NoHost() { return {}; }
}

TEST(RememberedInputs, WritersUseTheKeysAndTextsUnchanged) {
  ClientDrive drive;
  MemoryPanel p;
  p.SetText(Ctl::IPアドレス, "10.1.1.1");
  p.SetText(Ctl::ユーザー, "QSECOFR");
  p.SetText(Ctl::パスワード, "pass word");
  p.SetText(Ctl::ライブラリー名, "ﾗｲﾌﾞﾗﾘ");
  p.SetText(Ctl::ファイル名, " QRPGSRC");
  p.SetText(Ctl::メンバー名, "");
  p.SetText(Ctl::オブジェクトライブラリー, "QGPL");
  p.SetText(Ctl::復元先, "RLIB");
  p.SetText(Ctl::ジョブ名, "QPADEV0001");
  p.SetText(Ctl::スプールユーザー, "USR");
  p.SetText(Ctl::番号, "123456");
  p.SetText(Ctl::スプール番号, "2");
  ASSERT_TRUE(WriteRememberedInputs(p, InputsLayout::DFT));
  EXPECT_EQ(drive.File("DFT.dat"),
            ClientDrive::Cp932Lines({"SYSTEM:10.1.1.1", "USER:QSECOFR", "PWRD:pass word", "SLIB:ﾗｲﾌﾞﾗﾘ",
                                     "SFIL: QRPGSRC", "SMBR:", "OLIB:QGPL"}));
  ASSERT_TRUE(WriteRememberedInputs(p, InputsLayout::DFT2Download));
  EXPECT_EQ(drive.File("DFT2.dat"), ClientDrive::Cp932Lines({"SYSTEM:10.1.1.1", "USER:QSECOFR", "PWRD:pass word",
                                                              "OBJ: QRPGSRC", "OLIB:ﾗｲﾌﾞﾗﾘ"}));
  ASSERT_TRUE(WriteRememberedInputs(p, InputsLayout::DFT2Upload));
  EXPECT_EQ(drive.File("DFT2.dat"), ClientDrive::Cp932Lines({"SYSTEM:10.1.1.1", "USER:QSECOFR", "PWRD:pass word",
                                                              "OBJ: QRPGSRC", "OLIB:ﾗｲﾌﾞﾗﾘ", "RLIB:RLIB"}));
  ASSERT_TRUE(WriteRememberedInputs(p, InputsLayout::DFTS));
  EXPECT_EQ(drive.File("DFTS.dat"),
            ClientDrive::Cp932Lines({"SYSTEM:10.1.1.1", "USER:QSECOFR", "PWRD:pass word", "SFIL: QRPGSRC",
                                     "JOBN:QPADEV0001", "SUSR:USR", "JOBN:123456", "SPLN:2"}));
  ASSERT_TRUE(WriteRememberedInputs(p, InputsLayout::DFTS2));
  EXPECT_EQ(drive.File("DFTS2.dat"), ClientDrive::Cp932Lines({"SYSTEM:10.1.1.1", "USER:QSECOFR", "PWRD:pass word",
                                                               "OUTQ: QRPGSRC", "LIBL:ﾗｲﾌﾞﾗﾘ"}));
  ASSERT_TRUE(WriteConnectionFile(p));
  EXPECT_EQ(drive.File("kv3EV"), ClientDrive::Cp932Lines({"10.1.1.1", "QSECOFR", "pass word"}));
}

TEST(RememberedInputs, ReadsByPositionWhateverTheKeys) {
  ClientDrive drive;
  // Keys in another order and a value longer than the box: positions decide.
  drive.PutFile("DFTS.DAT", ClientDrive::Cp932Lines({"a", "b", "c", "XXXX:SPLFILE", "SPLN:JOB", "JOBN:USER",
                                                     "JOBN:1234567890", "SUSR:99999999"}));
  MemoryPanel p;
  StartUp(p, NoHost);
  SelectOperation(p, 17);
  EXPECT_EQ(p.Text(Ctl::ファイル名), "SPLFILE");
  EXPECT_EQ(p.Text(Ctl::ジョブ名), "JOB");
  EXPECT_EQ(p.Text(Ctl::スプールユーザー), "USER");
  EXPECT_EQ(p.Text(Ctl::番号), "123456");
  EXPECT_EQ(p.Text(Ctl::スプール番号), "999999");
}

TEST(RememberedInputs, ShortAndMissingFilesUseTheLineBuffer) {
  ClientDrive drive;
  MemoryPanel p;
  StartUp(p, NoHost);
  p.SetText(Ctl::ライブラリー名, "TYPED");
  SelectOperation(p, 21);  // no DFT.DAT: every input the pick reads is emptied
  EXPECT_EQ(p.Text(Ctl::ライブラリー名), "");
  EXPECT_EQ(p.Text(Ctl::オブジェクトライブラリー), "");

  // A library download's five lines; the upload pick reads a sixth that is not there.
  drive.PutFile("DFT2.DAT", ClientDrive::Cp932Lines({"SYSTEM:h", "USER:u", "PWRD:p", "OBJ:MYOBJ", "OLIB:SAVLIB"}));
  SelectOperation(p, 24);
  EXPECT_EQ(p.Text(Ctl::ライブラリー名), "SAVLIB");
  EXPECT_EQ(p.Text(Ctl::復元先), "SAVLIB");
  EXPECT_EQ(p.Text(Ctl::ファイル名), "MYOBJ");  // hidden, filled all the same ("OBJ:" is 4 long)

  // Only the three connection lines: line 3's characters fill every read box.
  drive.PutFile("DFT.DAT", ClientDrive::Cp932Lines({"SYSTEM:h", "USER:u", "PWRD:secret"}));
  SelectOperation(p, 11);
  EXPECT_EQ(p.Text(Ctl::ライブラリー名), "secret");
  EXPECT_EQ(p.Text(Ctl::メンバー名), "secret");
}

TEST(RememberedInputs, FailedWriteKeepsTheOldFile) {
  ClientDrive drive;
  drive.PutFile("DFT.dat", "old\r\n");
  std::filesystem::create_directories(drive.Dir() + "/DFT.dat.kvtmp");  // the write cannot start
  MemoryPanel p;
  EXPECT_FALSE(WriteRememberedInputs(p, InputsLayout::DFT));
  EXPECT_EQ(drive.File("DFT.dat"), "old\r\n");
}
