#include <gtest/gtest.h>

#include "ftp/reply.h"

using kv::ftp::LeadingCode;
using kv::ftp::ReplyParser;
using State = ReplyParser::State;

namespace {

// Feeds lines until the parser stops asking for more; returns the final state.
State Feed(ReplyParser& p, std::initializer_list<const char*> lines) {
  State s = State::NeedMore;
  for (const char* line : lines) s = p.AddLine(line);
  return s;
}

}  // namespace

TEST(LeadingCode, AcceptsOnlyCodesOneToFiveFollowedByBlankHyphenOrEnd) {
  struct Case { const char* line; int code; };
  const Case cases[] = {
      {"220 ready", 220}, {"250-NAMEFMT set to 1.", 250}, {"226", 226}, {"100 x", 100}, {"599 x", 599},
      {"600 x", 0},       {"099 x", 0},                   {"22 x", 0},  {"2200 x", 0}, {"abc x", 0},
      {"", 0},            {" 220 x", 0},                  {"220x", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(LeadingCode(c.line), c.code) << c.line;
}

TEST(ReplyParser, SingleLineRepliesEndAtOnce) {
  ReplyParser p;
  EXPECT_EQ(p.AddLine("230 User QSECOFR logged on."), State::Done);
  EXPECT_EQ(p.Result().code, 230);
  EXPECT_TRUE(p.Result().Completed());
  p.Reset();
  EXPECT_EQ(p.AddLine("550"), State::Done);  // a code with no text is a whole reply
  EXPECT_EQ(p.Result().Kind(), 5);
}

TEST(ReplyParser, MultiLineReplyEndsOnlyAtSameCodeAndBlank) {
  ReplyParser p;
  // Inner lines may start with digits, other codes, or the same code with a hyphen.
  EXPECT_EQ(Feed(p, {"250-NAMEFMT set to 1.", "  indented", "550 not the end", "250-still inside",
                     "123 numbers"}),
            State::NeedMore);
  EXPECT_EQ(p.AddLine("250 \"/QSYS.LIB\" is current directory."), State::Done);
  EXPECT_EQ(p.Result().code, 250);
  ASSERT_EQ(p.Result().lines.size(), 6u);
  EXPECT_EQ(p.Result().lines.back(), "250 \"/QSYS.LIB\" is current directory.");
}

TEST(ReplyParser, MalformedFirstLinesAreRejected) {
  for (const char* bad : {"hello world", "", "2", "  220 greeting", "999 x", "220x"}) {
    ReplyParser p;
    EXPECT_EQ(p.AddLine(bad), State::Malformed) << bad;
    EXPECT_FALSE(p.Error().empty());
    // Once malformed, further lines do not rescue the reply.
    EXPECT_EQ(p.AddLine("220 ok"), State::Malformed);
  }
}

TEST(ReplyParser, EndlessMultiLineReplyIsCutOff) {
  ReplyParser p;
  p.AddLine("550-Error occurred on command");
  State s = State::NeedMore;
  for (std::size_t i = 0; i < ReplyParser::kMaxLines + 5 && s == State::NeedMore; ++i) s = p.AddLine("more text");
  EXPECT_EQ(s, State::Malformed);
}

TEST(Reply, TextJoinsLines) {
  ReplyParser p;
  Feed(p, {"150-Opening", "150 data connection (12 bytes)"});
  EXPECT_EQ(p.Result().Text(), "150-Opening 150 data connection (12 bytes)");
}
