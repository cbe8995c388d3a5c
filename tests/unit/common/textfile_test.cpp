#include "common/textfile.h"

#include <gtest/gtest.h>

#include "common/cp932.h"
#include "common/winpath.h"
#include "test_support.h"

using namespace kv;
using kvtest::TempDrive;

TEST(Cp932, RoundTripsKanjiKanaHalfWidthAndVendorCharacters) {
  const std::string text = "漢字かなカナﾃｷｽﾄ①㈱髙～ABC";
  auto sjis = Utf8ToCp932(text);
  ASSERT_TRUE(sjis.has_value());
  // ｱ (half-width katakana) is one byte in CP932; ～ is 0x81 0x60.
  EXPECT_NE(sjis->find("\xC3\xB7\xBD\xC4"), std::string::npos);  // ﾃｷｽﾄ
  EXPECT_NE(sjis->find("\x81\x60"), std::string::npos);          // ～
  EXPECT_NE(sjis->find("\x87\x40"), std::string::npos);          // ①
  auto back = Cp932ToUtf8(*sjis);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, text);
}

TEST(Cp932, RejectsWhatCannotBeConverted) {
  EXPECT_FALSE(Utf8ToCp932("😀").has_value());
  EXPECT_EQ(Utf8ToCp932Lossy("A😀B"), "A?B");
  // Look-alikes are no conversion: the text would not read back as it was.
  for (const char* lookAlike : {"¢", "£", "¬", "‖", "−", "〜"}) EXPECT_FALSE(Utf8ToCp932(lookAlike).has_value()) << lookAlike;
  EXPECT_EQ(Cp932ToUtf8(*Utf8ToCp932("￠￡￢∥－～")), "￠￡￢∥－～");
  EXPECT_FALSE(Cp932ToUtf8("\x81").has_value());  // a lead byte without its trail
  // Half a character costs one '?', never the line end or delimiter after it.
  EXPECT_EQ(Cp932ToUtf8Lossy("\x81,x"), "?,x");
  EXPECT_EQ(Cp932ToUtf8Lossy("a\x9F\r\n"), "a?\r\n");
  EXPECT_EQ(Cp932ToUtf8Lossy("ab\xE0"), "ab?");
}

TEST(TextFile, WritesCp932WithCrLfAndReadsBack) {
  TempDrive drive;
  ASSERT_TRUE(MakeDirectory("C:\\KV-TRANSIT"));
  ASSERT_TRUE(WriteLines("c:\\KV-TRANSIT\\DFT.dat", {"SLIB:ライブラリ", "SFIL:ﾃｷｽﾄ", ""}));
  std::string bytes = TempDrive::ReadBytes(drive.DriveC() + "/KV-TRANSIT/DFT.dat");
  EXPECT_EQ(bytes, "SLIB:\x83\x89\x83\x43\x83\x75\x83\x89\x83\x8A\r\nSFIL:\xC3\xB7\xBD\xC4\r\n\r\n");
  // The reader spells the name differently: one file all the same.
  auto lines = ReadAllLines("c:\\KV-TRANSIT\\DFT.DAT");
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(*lines, (std::vector<std::string>{"SLIB:ライブラリ", "SFIL:ﾃｷｽﾄ", ""}));
}

TEST(TextFile, LineEndsAndMissingFiles) {
  TempDrive drive;
  TempDrive::WriteBytes(drive.DriveC() + "/a.txt", "one\r\ntwo\nthree\rfour");
  auto lines = ReadAllLines("C:\\a.txt");
  ASSERT_TRUE(lines);
  EXPECT_EQ(*lines, (std::vector<std::string>{"one", "two", "three", "four"}));
  EXPECT_FALSE(ReadAllLines("C:\\missing.txt").has_value());
  EXPECT_FALSE(ReadFirstLine("C:\\missing.txt").has_value());
  TempDrive::WriteBytes(drive.DriveC() + "/empty.txt", "");
  EXPECT_FALSE(ReadFirstLine("C:\\empty.txt").has_value());
  LineReader r("C:\\a.txt");
  EXPECT_EQ(r.Next().value_or("-"), "one");
  LineReader missing("C:\\missing.txt");
  EXPECT_FALSE(missing.Next().has_value());
}

TEST(TextFile, FailedWriteKeepsTheOldFile) {
  TempDrive drive;
  ASSERT_TRUE(WriteLines("C:\\keep.txt", {"old"}));
  // The target folder does not exist: nothing can be written, nothing is lost.
  EXPECT_FALSE(WriteLines("C:\\nofolder\\x.txt", {"new"}));
  EXPECT_EQ(TempDrive::ReadBytes(drive.DriveC() + "/keep.txt"), "old\r\n");
}

TEST(WinPath, MapsDrivesAndResolvesCase) {
  TempDrive drive;
  TempDrive::WriteBytes(drive.DriveC() + "/KV-TRANSIT/DFT.dat", "x");
  EXPECT_EQ(MapPath("c:\\kv-transit\\dft.DAT"), drive.DriveC() + "/KV-TRANSIT/DFT.dat");
  EXPECT_EQ(MapPath("C:\\KV-TRANSIT\\new.txt"), drive.DriveC() + "/KV-TRANSIT/new.txt");
  EXPECT_EQ(MapPath("Z:\\tmp\\x y.txt"), "/tmp/x y.txt");
  EXPECT_EQ(MapPath("relative\\a.txt"), "relative/a.txt");
  EXPECT_EQ(MapPath("C:"), drive.DriveC());
  EXPECT_EQ(MapPath("D:\\a"), drive.Root() + "/drive_d/a");
  EXPECT_EQ(ToWindowsPath("/tmp/a.txt"), "Z:\\tmp\\a.txt");
  EXPECT_EQ(ToWindowsPath(drive.DriveC() + "/KV-TRANSIT/a"), "C:\\KV-TRANSIT\\a");
}
