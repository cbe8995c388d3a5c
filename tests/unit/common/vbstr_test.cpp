#include "common/vbstr.h"

#include <gtest/gtest.h>

using namespace kv;

TEST(VbStr, TrimRemovesOnlyAsciiBlanks) {
  EXPECT_EQ(Trim("  QGPL  "), "QGPL");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("\tA\t"), "\tA\t");
  EXPECT_EQ(Trim("　全角　"), "　全角　");  // U+3000 stays
  EXPECT_EQ(Trim(" a b "), "a b");
}

TEST(VbStr, CountsCharactersNotBytes) {
  EXPECT_EQ(Len("ﾃｷｽﾄ"), 4u);
  EXPECT_EQ(Len("漢字ABC"), 5u);
  EXPECT_EQ(Left("漢字ABC", 3), "漢字A");
  EXPECT_EQ(Mid("SLIB:ライブラリー名前長い", 6, 10), "ライブラリー名前長い");
  EXPECT_EQ(Mid("SLIB:ライブラリー名前長いです", 6, 10), "ライブラリー名前長い");
}

TEST(VbStr, MidAtAndBeyondTheEnd) {
  EXPECT_EQ(Mid("SLIB:", 6, 10), "");
  EXPECT_EQ(Mid("SLIB", 6, 10), "");
  EXPECT_EQ(Mid("SLIB:AB", 6, 10), "AB");
  EXPECT_EQ(Mid("abc", 2), "bc");
  EXPECT_EQ(Left("ab", 10), "ab");
  EXPECT_EQ(Mid("①㈱髙～", 2, 2), "㈱髙");
}
