#include <gtest/gtest.h>

#include "ftp/script.h"

using namespace kv::ftp;

TEST(SplitScript, EveryLineEndCountsAndTheLastLineNeedsNone) {
  Script s = SplitScript("open 127.0.0.2\r\nQSECOFR\r\n\r\nPASS WORD\nbinary\rquit");
  EXPECT_EQ(s.encoding, TextEncoding::Cp932);
  EXPECT_EQ(s.lines, (std::vector<std::string>{"open 127.0.0.2", "QSECOFR", "", "PASS WORD", "binary", "quit"}));
  EXPECT_TRUE(SplitScript("").lines.empty());
  EXPECT_EQ(SplitScript("quit\r\n").lines.size(), 1u);
}

TEST(SplitScript, ByteOrderMarkMeansUtf8AndIsDropped) {
  Script s = SplitScript("\xEF\xBB\xBFopen host\r\n");
  EXPECT_EQ(s.encoding, TextEncoding::Utf8);
  EXPECT_EQ(s.lines.front(), "open host");
}

TEST(SplitWords, DoubleQuotesGroupBlanksSingleQuotesAreOrdinary) {
  struct Case { const char* line; std::vector<std::string> words; };
  const Case cases[] = {
      {"get LIB/FILE.MBR \"C:\\work dir\\MBR.txt\"", {"get", "LIB/FILE.MBR", "C:\\work dir\\MBR.txt"}},
      {"  put\t\"C:\\a b\\TRIAL_KVU.SAVF\"  QTEMP/FTPSAVF  ", {"put", "C:\\a b\\TRIAL_KVU.SAVF", "QTEMP/FTPSAVF"}},
      {"quote RCMD CALL X PARM('A' 'B')", {"quote", "RCMD", "CALL", "X", "PARM('A'", "'B')"}},
      {"get a\"b c\"d", {"get", "ab cd"}},
      {"get \"\"", {"get", ""}},
      {"get \"unterminated quote", {"get", "unterminated quote"}},
      {"", {}},
      {"   ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitWords(c.line), c.words) << c.line;
}

TEST(SplitWords, Cp932TrailBytesAreNotSeparatorsOrQuotes) {
  // "表" is 0x95 0x5C in code page 932: its second byte is a backslash.
  std::string name = "C:\\\x95\x5C\\\x83\x65\x83\x58\x83\x67.txt";
  auto words = SplitWords("get X \"" + name + "\"");
  ASSERT_EQ(words.size(), 3u);
  EXPECT_EQ(words[2], name);
}

TEST(RestAfterFirstWord, KeepsInnerTextAsWrittenAndDropsTrailingBlanks) {
  EXPECT_EQ(RestAfterFirstWord("quote rcmd CHGJOB LOG(4 40 *NOLIST) "), "rcmd CHGJOB LOG(4 40 *NOLIST)");
  EXPECT_EQ(RestAfterFirstWord("quote RSTLIB ALWOBJDIF(*ALL)  RSTLIB(X)"), "RSTLIB ALWOBJDIF(*ALL)  RSTLIB(X)");
  EXPECT_EQ(RestAfterFirstWord("  literal   SNDMSG MSG('a  \"b\"')"), "SNDMSG MSG('a  \"b\"')");
  EXPECT_EQ(RestAfterFirstWord("quote"), "");
  EXPECT_EQ(RestAfterFirstWord("quote   \t "), "");
}

TEST(ToUtf8, ConvertsCp932AndKeepsUtf8) {
  EXPECT_EQ(ToUtf8("\x83\x65\x83\x58\x83\x67", TextEncoding::Cp932), "テスト");
  EXPECT_EQ(ToUtf8("テスト", TextEncoding::Utf8), "テスト");
}
