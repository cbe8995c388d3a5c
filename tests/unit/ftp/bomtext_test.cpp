// The text put of a UTF-8 file with a byte-order mark: code page 932 out, and
// a clear refusal for what code page 932 cannot hold.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "ftp/bomtext.h"

using kv::ftp::Utf8ToCp932Stream;

TEST(Utf8ToCp932Stream, ConvertsAcrossBuffersAndKeepsLineEnds) {
  const std::string text = "\"千区切り\",\"1,000\"\r\nｶﾅ,漢字\n";   // half-width kana and kanji
  const std::string want = "\"\x90\xe7\x8b\xe6\x90\xd8\x82\xe8\",\"1,000\"\r\n\xb6\xc5,\x8a\xbf\x8e\x9a\n";
  for (std::size_t step : {1u, 2u, 5u, 64u}) {
    Utf8ToCp932Stream s;
    std::string all, part;
    for (std::size_t i = 0; i < text.size(); i += step) {
      ASSERT_TRUE(s.Convert(text.data() + i, std::min(step, text.size() - i), part)) << s.Error();
      all += part;
    }
    EXPECT_TRUE(s.Finish());
    EXPECT_EQ(all, want) << step;
  }
}

TEST(Utf8ToCp932Stream, RefusesWhatCodePage932CannotHoldNamingLineAndCharacter) {
  struct Case {
    std::string text;
    const char* error;
  } cases[] = {
      {"a,b\r\nCafé,1\r\n", "line 2: the character U+00E9 has no form in code page 932"},
      {"ok\n\n\xF0\x9F\x98\x80\n", "line 3: the character U+1F600 has no form in code page 932"},
      {"\x82\xa0 shift-jis\n", "line 1: the bytes are not UTF-8 text"},
  };
  for (const auto& c : cases) {
    Utf8ToCp932Stream s;
    std::string out;
    EXPECT_FALSE(s.Convert(c.text.data(), c.text.size(), out));
    EXPECT_EQ(s.Error(), c.error);
  }
  Utf8ToCp932Stream cut;
  std::string out;
  EXPECT_TRUE(cut.Convert("x\xE6\xBC", 3, out));   // the start of 漢
  EXPECT_FALSE(cut.Finish());
  EXPECT_EQ(cut.Error(), "line 1: the text ends inside a character");
}

TEST(Utf8Mark, SkippedOnlyWhenThereAndTheCheckLeavesThePositionAlone) {
  char name[] = "/tmp/bomtext-XXXXXX";
  int fd = ::mkstemp(name);
  ASSERT_GE(fd, 0);
  ::close(fd);
  auto file = [&](const std::string& bytes) {
    std::FILE* f = std::fopen(name, "w+b");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
  };
  std::FILE* f = file("\xEF\xBB\xBF" "a,\xE6\xBC\xA2\r\n");
  EXPECT_TRUE(kv::ftp::SkipUtf8Mark(f));
  std::string why;
  EXPECT_TRUE(kv::ftp::CheckUtf8Text(f, why)) << why;
  EXPECT_EQ(std::ftell(f), 3);
  std::fclose(f);
  f = file("\xEF\xBB\xBF" "x\r\n\xC3\xA9\r\n");
  EXPECT_TRUE(kv::ftp::SkipUtf8Mark(f));
  EXPECT_FALSE(kv::ftp::CheckUtf8Text(f, why));
  EXPECT_EQ(why, "line 2: the character U+00E9 has no form in code page 932");
  std::fclose(f);
  f = file("ab");   // shorter than a mark
  EXPECT_FALSE(kv::ftp::SkipUtf8Mark(f));
  EXPECT_EQ(std::ftell(f), 0);
  std::fclose(f);
  std::remove(name);
}
