// The WinHelp writer and the manual reader: the viewer's context hash, the
// file's frame, the jumps placed in the viewer's byte count, and the topics
// read from the HTML manual.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "media/winhelp/manual_reader.h"
#include "media/winhelp/winhelp_writer.h"

using namespace kv::help;

namespace {

std::uint32_t U32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
  return v;
}

Manual TwoTopics() {
  Manual m;
  m.title = "ＫＶ転送 ヘルプ";
  m.topics.push_back({"CONTENTS", "目次", {{Style::Heading, {{"目次", ""}}}, {Style::Body, {{"日本語の後に", ""}, {"設定", "TOPIC_A"}}}}});
  m.topics.push_back({"TOPIC_A", "設定", {{Style::Body, {{"本文", ""}}}}});
  return m;
}

}  // namespace

TEST(WinHelp, ContextHashAsTheViewerComputesIt) {
  EXPECT_EQ(ContextHash("CONTENTS"), 0x25F4558Au);
  EXPECT_EQ(ContextHash("TOPIC_A"), 0x1272F05Fu);
  EXPECT_EQ(ContextHash("topic_a"), ContextHash("TOPIC_A"));
}

TEST(WinHelp, FrameDirectoryAndJumpAtTheByteCountOfTheVisibleLink) {
  std::string f = WriteHelpFile(TwoTopics());
  EXPECT_EQ(U32(f, 0), 0x00035F3Fu);
  EXPECT_EQ(U32(f, 12), f.size());
  std::size_t dir = U32(f, 4);
  EXPECT_EQ(U32(f, dir + 4), 38u + 1024u);  // one directory page
  // The names in byte order, each pointing at a FILEHEADER whose sizes agree.
  std::size_t entry = dir + 9 + 38 + 8;
  for (const char* name : {"|CONTEXT", "|FONT", "|SYSTEM", "|TOPIC"}) {
    ASSERT_EQ(f.compare(entry, std::string(name).size() + 1, std::string(name) + '\0'), 0) << name;
    entry += std::string(name).size() + 1;
    std::size_t at = U32(f, entry);
    EXPECT_EQ(U32(f, at), U32(f, at + 4) + 9) << name;
    entry += 4;
  }
  // The link's text follows 目次 and a paragraph end, 日本語の後に (13 bytes in
  // all, 9 characters): the invisible jump starts after the 9th byte, which
  // splits 日本語の後に after 日本 ("\x93\xfa\x96\x7b"), and ends 2 bytes later.
  std::size_t jump = f.find(std::string("\xE7", 1) + std::string(reinterpret_cast<const char*>(&"\x5F\xF0\x72\x12"[0]), 4));
  ASSERT_NE(jump, std::string::npos);
  EXPECT_NE(f.find(std::string("\x93\xfa\x96\x7b\0\x8c\xea\0", 8)), std::string::npos);
}

TEST(WinHelp, RefusesWhatTheLayoutCannotHold) {
  Manual m = TwoTopics();
  m.topics[1].id = "設定";
  EXPECT_THROW(WriteHelpFile(m), HelpError);
  m = TwoTopics();
  m.topics[0].paragraphs[1].pieces[1].jump = "NOWHERE";
  EXPECT_THROW(WriteHelpFile(m), HelpError);
  m = TwoTopics();
  m.topics[1].paragraphs[0].pieces[0].text = std::string(5000, 'x');
  EXPECT_THROW(WriteHelpFile(m), HelpError);
}

TEST(ManualReader, SectionsBecomeTopicsAndLinksJumps) {
  Manual m = ReadManual(
      "<html><head><title>x</title><style>h1 { }</style></head><body>"
      "<h1>説明書</h1><p>はじめに &amp; 概要</p><ul><li><a href=\"#install\">インストール</a></li></ul>"
      "<section id=\"install\"><h2>インストール</h2><table><tr><th>項目</th><td>説明 <a href=\"#contents\">目次</a></td></tr>"
      "</table></section></body></html>");
  ASSERT_EQ(m.topics.size(), 2u);
  EXPECT_EQ(m.title, "説明書");
  EXPECT_EQ(m.topics[0].id, "CONTENTS");
  ASSERT_EQ(m.topics[0].paragraphs.size(), 3u);
  EXPECT_EQ(m.topics[0].paragraphs[1].pieces[0].text, "はじめに & 概要");
  EXPECT_EQ(m.topics[0].paragraphs[2].pieces[0].text, "・");
  EXPECT_EQ(m.topics[0].paragraphs[2].pieces[1].jump, "INSTALL");
  EXPECT_EQ(m.topics[1].id, "INSTALL");
  EXPECT_EQ(m.topics[1].title, "インストール");
  ASSERT_EQ(m.topics[1].paragraphs.size(), 2u);
  const auto& row = m.topics[1].paragraphs[1].pieces;
  ASSERT_EQ(row.size(), 2u);
  EXPECT_EQ(row[0].text, "項目：説明 ");
  EXPECT_EQ(row[1].jump, "CONTENTS");
  EXPECT_EQ(WriteContentsFile(m, "KV1.HLP").substr(0, 14), ":Base KV1.HLP\r");
}
