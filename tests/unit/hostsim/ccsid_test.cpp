#include <gtest/gtest.h>

#include "hostsim/ccsid.h"
#include "hostsim/seed.h"

using namespace hostsim;

namespace {
std::string Conv(std::string_view in, int from, int to) {
  Converter c(from, to);
  std::string out;
  EXPECT_TRUE(c.ok());
  c.Convert(in, out);
  return out;
}
}  // namespace

TEST(Ccsid, JapaneseRoundTrips) {
  const std::string text = "得意先 ﾃﾞﾓ カナ abc 123";
  for (int ebcdic : {5035, 939, 1399}) {
    std::string e = FromUtf8(text, ebcdic);
    EXPECT_NE(e.find(kShiftOut), std::string::npos);
    std::string sjis = Conv(e, ebcdic, 943);
    EXPECT_EQ(sjis.find(kShiftOut), std::string::npos);   // shift bytes disappear
    EXPECT_EQ(Conv(sjis, 943, ebcdic), e) << ebcdic;
    EXPECT_EQ(ToUtf8(e, ebcdic), text);
  }
  // 930 has no lower-case Latin letters, but kanji and half-width kana travel.
  std::string k = "漢字ｶﾅ";
  EXPECT_EQ(ToUtf8(FromUtf8(k, 930), 930), k);
}

TEST(Ccsid, UnconvertibleCharactersBecomeSubstitutes) {
  std::string e = FromUtf8("AB漢字C", 5035);
  std::string latin = Conv(e, 5035, 819);
  EXPECT_EQ(latin, std::string("AB\x1A\x1A" "C"));
  // A stray byte inside a record does not lose the rest of the line.
  std::string bad = FromUtf8("XY", 5035) + std::string("\x0E\xFF\xFF\x0F", 4) + FromUtf8("Z", 5035);
  std::string out = Conv(bad, 5035, 943);
  EXPECT_EQ(out.front(), 'X');
  EXPECT_EQ(out.back(), 'Z');
}

// A bad character costs one substitute and never the byte after it: that byte
// may be a delimiter or the end of a double-byte run.
TEST(Ccsid, BadBytesDoNotTakeTheNextByteWithThem) {
  // A Shift-JIS lead byte before a byte that cannot end a double-byte character.
  EXPECT_EQ(ToUtf8("\x81,x", 943), "\x1A,x");
  EXPECT_EQ(ToUtf8("a\x9F\r\n", 932), "a\x1A\r\n");
  EXPECT_EQ(ToUtf8("\xE0\"\xFC", 943), "\x1A\"\x1A");   // the last lead byte is cut short
  EXPECT_EQ(Conv("\x81\"A\"", 943, 5035), "\x3F" + FromUtf8("\"A\"", 5035));
  // A complete pair that is no character stays one character.
  EXPECT_EQ(ToUtf8("\x85\x40" "A", 943).back(), 'A');
  EXPECT_EQ(ToUtf8("\x85\x40" "A", 943).size(), 2u);
  // Half a double-byte character before the shift-in: the shift-in still ends the run.
  const std::string half = std::string("\x0E\x45\x0F", 3) + FromUtf8("AB", 5035);
  EXPECT_EQ(Conv(half, 5035, 943), "\x1A" "AB");
}

TEST(Ccsid, TrimKeepsDbcsRuns) {
  std::string e = FromUtf8("AB", 37) + "\x40\x40";
  EXPECT_EQ(TrimmedLength(e), 2u);
  // 0x4040 is a DBCS blank inside a run and stays.
  std::string d = std::string("\x0E\x40\x40\x0F\x40", 5);
  EXPECT_EQ(TrimmedLength(d), 4u);
  EXPECT_EQ(TrimmedLength(std::string(5, kEbcdicBlank)), 0u);
}

TEST(Ccsid, RecordsArePaddedOrRefused) {
  auto r = FitRecord(FromUtf8("ABC", 37), 6);
  ASSERT_TRUE(r);
  EXPECT_EQ(*r, FromUtf8("ABC   ", 37));
  EXPECT_FALSE(FitRecord(FromUtf8("ABCDEFG", 37), 6));
  // Trailing blanks beyond the width do not count.
  EXPECT_TRUE(FitRecord(FromUtf8("ABC      ", 37), 3));
  // Two kanji need 2 + 4 bytes with SO/SI.
  EXPECT_FALSE(FitRecord(FromUtf8("漢字", 5035), 5));
  EXPECT_TRUE(FitRecord(FromUtf8("漢字", 5035), 6));
}

TEST(Ccsid, DecimalEncodings) {
  bool ok;
  EXPECT_EQ(EncodePacked("12345.50", 9, 2, ok), std::string("\x00\x12\x34\x55\x0F", 5));
  EXPECT_TRUE(ok);
  EXPECT_EQ(DecodePacked(EncodePacked("-250", 9, 2, ok), 2), "-250.00");
  EXPECT_EQ(EncodeZoned("-12", 4, 0, ok), std::string("\xF0\xF0\xF1\xD2", 4));
  EXPECT_EQ(DecodeZoned("\xF0\xF0\xF1\xD2", 0), "-12");
  EncodePacked("1234567890", 9, 2, ok);
  EXPECT_FALSE(ok);
  EncodeZoned("1.234", 5, 2, ok);
  EXPECT_FALSE(ok);
  EncodeZoned("abc", 5, 0, ok);
  EXPECT_FALSE(ok);
}

TEST(Ccsid, UploadsInUtf8AreReadAsUtf8) {
  struct Case {
    std::string data;
    int transfer;
    int ccsid;
    std::size_t mark;
  } cases[] = {
      {"\xEF\xBB\xBF" "a,b\r\n", 943, 1208, 3},             // the byte-order mark, even before ASCII only
      {"\"千区切り\",1\r\n", 943, 1208, 0},                  // UTF-8 that is no Shift-JIS
      {"plain,ascii\r\n", 943, 943, 0},
      {"\x90\xe7\x8b\xe6\x90\xd8\x82\xe8\r\n", 943, 943, 0},  // Shift-JIS
      {"\"ユーザー\"", 943, 1208, 0},                         // UTF-8 that is Shift-JIS too (as mojibake)
      {"\xC3\xBD", 943, 943, 0},                             // ﾃｽ in Shift-JIS, or ý in UTF-8
      {"\xEF\xBB\xBF" "x", 5035, 5035, 0},                   // EBCDIC transfers are not PC text
      {"\"千\"", 819, 1208, 0},                              // every byte is a character of 819, but it is kanji
      {"caf\xC3\xA9", 819, 819, 0},                           // café in UTF-8, or cafÃ© in 819
  };
  for (const auto& c : cases) {
    std::size_t mark = 9;
    EXPECT_EQ(UploadCcsid(c.data, c.transfer, mark), c.ccsid) << c.data;
    EXPECT_EQ(mark, c.mark) << c.data;
  }
}
