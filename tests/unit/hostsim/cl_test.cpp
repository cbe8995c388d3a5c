#include <gtest/gtest.h>

#include "hostsim/cl.h"

using namespace hostsim;

TEST(ClParser, PositionalKeywordQuotedAndNested) {
  ClError e;
  auto c = ParseCl("call TOOLLIB/#RTVMBR4 PARM('QGPL' 'O''Brien' '' x (a (b c)))", e);
  ASSERT_TRUE(c) << e.text;
  EXPECT_EQ(c->name, "CALL");
  ASSERT_EQ(c->params.size(), 2u);
  EXPECT_EQ(c->params[0].keyword, "");
  EXPECT_EQ(c->params[0].values[0].text, "TOOLLIB/#RTVMBR4");
  const auto& v = c->params[1].values;
  EXPECT_EQ(c->params[1].keyword, "PARM");
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[1].text, "O'Brien");      // doubled apostrophe, case kept
  EXPECT_EQ(v[2].kind, ClValue::kQuoted);
  EXPECT_EQ(v[2].text, "");
  EXPECT_EQ(v[3].text, "X");            // unquoted folded
  ASSERT_EQ(v[4].kind, ClValue::kList);
  EXPECT_EQ(v[4].items[1].items[1].text, "C");
}

TEST(ClParser, QualifiedCommandNameAndExtraBlanks) {
  ClError e;
  auto c = ParseCl("  QSYS/rstlib   SAVLIB(TRIAL_KVD) MBROPT(*ALL)  RSTLIB(TRIAL_KVD)  ", e);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->name, "RSTLIB");
  auto a = BindCl(*c, {"SAVLIB", "DEV", "SAVF", "MBROPT", "ALWOBJDIF", "RSTLIB"}, e);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Text("RSTLIB"), "TRIAL_KVD");
  EXPECT_EQ(a->Text("MBROPT"), "*ALL");
  EXPECT_EQ(a->Text("DEV"), "");
}

TEST(ClParser, RejectsBadInput) {
  const char* bad[] = {"",          "   ",          "CALL PGM(A",           "CALL PARM('abc)",
                       "CALL X)",   "(CALL)",       "CALL PARM('a'b)",      "CALL PARM(K(1))",
                       "TOOLONGNAME1 X", "CALL PARM(((((((((((((((((((((((((((((((((((x)))))))))))))))))))))))))))))))))))"};
  for (const char* s : bad) {
    ClError e;
    EXPECT_FALSE(ParseCl(s, e)) << s;
    EXPECT_FALSE(e.id.empty()) << s;
  }
  ClError e;
  EXPECT_FALSE(ParseCl(std::string("CALL X\0Y", 8), e));
}

TEST(ClParser, BindingErrors) {
  ClError e;
  auto c = ParseCl("ADDLIBLE A B C", e);
  ASSERT_TRUE(c);
  EXPECT_FALSE(BindCl(*c, {"LIB", "POSITION"}, e));
  EXPECT_EQ(e.id, "CPD0071");
  c = ParseCl("ADDLIBLE LIB(A) LIB(B)", e);
  EXPECT_FALSE(BindCl(*c, {"LIB", "POSITION"}, e));
  c = ParseCl("ADDLIBLE NOPE(A)", e);
  EXPECT_FALSE(BindCl(*c, {"LIB", "POSITION"}, e));
  EXPECT_EQ(e.id, "CPD0043");
  c = ParseCl("ADDLIBLE LIB(A) B", e);
  EXPECT_FALSE(BindCl(*c, {"LIB", "POSITION"}, e));
}

TEST(ClParser, Names) {
  EXPECT_TRUE(IsValidName("#RTVMBR4"));
  EXPECT_TRUE(IsValidName("TRIAL_KVU"));
  EXPECT_FALSE(IsValidName("1ABC"));
  EXPECT_FALSE(IsValidName(".."));
  EXPECT_FALSE(IsValidName("ABCDEFGHIJK"));
  EXPECT_FALSE(IsValidName("a"));
  auto [l, o] = SplitQualified("QTEMP/FTPSAVF");
  EXPECT_EQ(l, "QTEMP");
  EXPECT_EQ(o, "FTPSAVF");
  EXPECT_EQ(SplitQualified("X").first, "*LIBL");
}
