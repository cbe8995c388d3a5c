#include <gtest/gtest.h>

#include "ftp/commands.h"
#include "ftp/options.h"

using namespace kv::ftp;

TEST(ParseOptions, WindowsClientOptionsAndTimeLimits) {
  auto p = ParseOptions({"-v", "-n", "-i", "-d", "-g", "-s:c:\\KV-TRANSIT\\kvtrn.ini", "-w:65535", "--active",
                         "--connect-timeout=5", "--data-timeout=7", "--reply-timeout=0"});
  ASSERT_TRUE(p.options) << p.error;
  const Options& o = *p.options;
  EXPECT_EQ(o.scriptPath, "c:\\KV-TRANSIT\\kvtrn.ini");
  EXPECT_FALSE(o.verbose);
  EXPECT_FALSE(o.autoLogin);
  EXPECT_TRUE(o.debug);
  EXPECT_FALSE(o.passive);
  EXPECT_EQ(o.connectTimeout, 5);
  EXPECT_EQ(o.dataTimeout, 7);
  EXPECT_EQ(o.replyTimeout, 0);

  auto defaults = ParseOptions({});
  ASSERT_TRUE(defaults.options);
  EXPECT_TRUE(defaults.options->passive);
  EXPECT_TRUE(defaults.options->verbose);
  EXPECT_EQ(defaults.options->connectTimeout, 30);
  EXPECT_EQ(defaults.options->dataTimeout, 120);
  EXPECT_GE(defaults.options->replyTimeout, 1800);  // host commands may run for many minutes
}

TEST(ParseOptions, HostOnlyAsLastArgumentAndBadOptionsRejected) {
  auto p = ParseOptions({"-s:x", "127.0.0.2"});
  ASSERT_TRUE(p.options);
  EXPECT_EQ(p.options->host, "127.0.0.2");
  for (auto bad : std::vector<std::vector<std::string>>{
           {"-s:"}, {"-q"}, {"host", "-v"}, {"--data-timeout=abc"}, {"--reply-timeout=-1"}, {"-x:big"}}) {
    EXPECT_FALSE(ParseOptions(bad).options) << bad[0];
  }
}

TEST(FindCommand, CaseInsensitiveExactOrUniquePrefix) {
  struct Case { const char* word; const char* name; bool ambiguous; };
  const Case cases[] = {
      {"get", "get", false},   {"GET", "get", false},     {"Quote", "quote", false},
      {"bi", "binary", false}, {"by", "bye", false},      {"b", nullptr, true},
      {"lit", "literal", false}, {"open", "open", false}, {"QSECOFR", nullptr, false},
      {"", nullptr, false},    {"getx", nullptr, false},  {"!", nullptr, false},
  };
  for (const auto& c : cases) {
    bool ambiguous = false;
    const CommandSpec* info = FindCommand(c.word, ambiguous);
    if (c.name) {
      ASSERT_NE(info, nullptr) << c.word;
      EXPECT_STREQ(info->name, c.name);
    } else {
      EXPECT_EQ(info, nullptr) << c.word;
    }
    EXPECT_EQ(ambiguous, c.ambiguous) << c.word;
  }
}
