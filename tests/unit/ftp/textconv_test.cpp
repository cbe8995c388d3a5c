#include <gtest/gtest.h>

#include "ftp/textconv.h"

using kv::ftp::CrLfConverter;

namespace {

// Converts `chunks` one after another with one converter, as a transfer does.
std::string ConvertChunks(std::initializer_list<std::string> chunks) {
  CrLfConverter c;
  std::string all, out;
  for (const auto& chunk : chunks) {
    c.Convert(chunk.data(), chunk.size(), out);
    all += out;
  }
  return all;
}

}  // namespace

TEST(CrLfConverter, LoneLfBecomesCrLfAndEverythingElsePasses) {
  struct Case { std::string in, out; };
  const Case cases[] = {
      {"a\nb\n", "a\r\nb\r\n"},
      {"a\r\nb\r\n", "a\r\nb\r\n"},
      {"\n\n", "\r\n\r\n"},
      {"a\rb", "a\rb"},                   // a lone CR is data
      {"\r\r\n", "\r\r\n"},
      {"\x1A", "\x1A"},
      {"\x83\x65\n", "\x83\x65\r\n"},    // CP932 text
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ConvertChunks({c.in}), c.out) << c.in;
}

TEST(CrLfConverter, PairSplitAcrossBuffersStaysOneLineEnd) {
  EXPECT_EQ(ConvertChunks({"a\r", "\nb"}), "a\r\nb");
  EXPECT_EQ(ConvertChunks({"a", "\nb"}), "a\r\nb");
  EXPECT_EQ(ConvertChunks({"a\r", "", "\n"}), "a\r\n");  // an empty read keeps the pending CR
  EXPECT_EQ(ConvertChunks({"\r", "x\n"}), "\rx\r\n");
}
