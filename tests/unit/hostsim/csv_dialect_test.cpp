// The CSV dialect both ways (records to rows, rows to records) and the load
// program's all-or-nothing rules, error file and record count.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "hostsim/ccsid.h"
#include "hostsim/commands.h"
#include "hostsim/csv_dialect.h"
#include "hostsim/seed.h"
#include "hostsim/state.h"
#include "tests/unit/hostsim/seeded_host.h"

using namespace hostsim;

namespace {

// CODE A(6), NAME A(20), QTY S(5 0), PRICE P(9 2), in CCSID 5035.
PhysicalFile ItemsFile() {
  PhysicalFile f;
  f.fields = {{"CODE", 'A', 6, 0, 0}, {"NAME", 'A', 20, 0, 0}, {"QTY", 'S', 5, 0, 0}, {"PRICE", 'P', 9, 2, 0}};
  f.rcdlen = 6 + 20 + 5 + 5;
  return f;
}

std::string Record(const std::vector<std::string>& values) {
  PhysicalFile f = ItemsFile();
  std::string rec, why;
  EXPECT_TRUE(csv::RowToRecord(f, f.fields, values, rec, why)) << why;
  return rec;
}

std::string Row(const std::string& record) {
  PhysicalFile f = ItemsFile();
  std::string row, why;
  EXPECT_TRUE(csv::RecordToRow(f, f.fields, record, row, why)) << why;
  return row;
}

// Row text to record, or the reason it is refused.
std::string Load(const std::string& row, std::string* record = nullptr) {
  PhysicalFile f = ItemsFile();
  std::vector<std::string> values;
  std::string rec, why;
  if (!csv::SplitRow(row, values, why) || !csv::RowToRecord(f, f.fields, values, rec, why)) return why;
  if (record) *record = rec;
  return "";
}

}  // namespace

TEST(CsvDialect, RecordsAndRowsBothWays) {
  // Each row is what a record exports as, and loads back into the same record.
  struct Case {
    std::vector<std::string> values;
    const char* row;
  } cases[] = {
      {{"A001", "鉛筆", "120", "35.50"}, "\"A001\",\"鉛筆\",120,35.50"},
      {{"A002", "ﾉｰﾄ \"B5\"", "8", "-1.25"}, "\"A002\",\"ﾉｰﾄ \"\"B5\"\"\",8,-1.25"},
      {{"A003", "Eraser, soft", "0", "0"}, "\"A003\",\"Eraser, soft\",0,0.00"},
      {{"A004", "二行\n目", "-12", "-0.05"}, "\"A004\",\"二行\n目\",-12,-0.05"},
      {{"  A5", "  lead", "7", "1234567.89"}, "\"  A5\",\"  lead\",7,1234567.89"},
      {{"A006", "ｶﾅ漢字mixed", "99999", "-9999999.99"}, "\"A006\",\"ｶﾅ漢字mixed\",99999,-9999999.99"},
      {{"", "", "", ""}, "\"\",\"\",0,0.00"},
  };
  for (const auto& c : cases) {
    std::string rec = Record(c.values);
    EXPECT_EQ(Row(rec), c.row);
    std::string back;
    EXPECT_EQ(Load(c.row, &back), "") << c.row;
    EXPECT_EQ(back, rec) << c.row;
  }
}

TEST(CsvDialect, WhatALoadAcceptsBeyondTheExportForm) {
  // Unquoted values, blanks around values, trailing blanks, a negative zero, a
  // plus sign, fewer decimals: each loads as the record of the export form.
  struct Case {
    const char* loaded;
    const char* exported;
  } cases[] = {
      {"A001 , 鉛筆 ,120,35.5", "\"A001\",\"鉛筆\",120,35.50"},
      {" \"A001\" ,\"鉛筆   \", +120 , 35.500", "\"A001\",\"鉛筆\",120,35.50"},
      {"A003,x,-0,-0.00", "\"A003\",\"x\",0,0.00"},
      {"A004,,,", "\"A004\",\"\",0,0.00"},
  };
  for (const auto& c : cases) {
    std::string rec;
    ASSERT_EQ(Load(c.loaded, &rec), "") << c.loaded;
    EXPECT_EQ(Row(rec), c.exported) << c.loaded;
  }
}

TEST(CsvDialect, RowsALoadRefuses) {
  struct Case {
    const char* row;
    const char* why;
  } cases[] = {
      {"400001,\"千区切り\",1,\"1,000\"", "value '1,000' is not a number for field PRICE (9 digits, 2 decimals; the "
                                         "decimal point is a period, a comma is not allowed)"},
      {"400001,\"x\",\"2,000\",1", "value '2,000' is not a number for field QTY (5 digits, 0 decimals; the decimal "
                                   "point is a period, a comma is not allowed)"},
      {"400001,x,1,1,000", "5 values for 4 fields"},
      {"A,x,1,1.555", "value '1.555' is not a number for field PRICE (9 digits, 2 decimals)"},
      {"A,x,1 2,1", "value '1 2' is not a number for field QTY (5 digits, 0 decimals)"},
      {"A,x,-,1", "value '-' is not a number for field QTY (5 digits, 0 decimals)"},
      {"A,x,100000,1", "value '100000' is not a number for field QTY (5 digits, 0 decimals)"},
      {"A,\"abc,1,1", "unterminated quote"},
      {"A,\"abc\"x,1,1", "text after a closing quote"},
      {"A,\"この名前は二十バイトを超えます\",1,1", "value 'この名前は二十バイトを超えます' is longer than field NAME (20)"},
      {"A,\"bad\x1A\",1,1", "value 'bad\x1A' for field NAME holds a character that could not be converted"},
  };
  for (const auto& c : cases) EXPECT_EQ(Load(c.row), c.why) << c.row;
}

TEST(CsvDialect, RecordsAnExportRefuses) {
  PhysicalFile f = ItemsFile();
  std::string good = Record({"A001", "x", "1", "1"});
  struct Case {
    std::size_t at;
    std::string bytes;
    const char* why;
  } cases[] = {
      {26, "\x40\x40\x40\x40\x40", "zoned field QTY holds data that is not valid (X'4040404040')"},
      {26, "\xF0\xF0\xF1\xF2\x03", "zoned field QTY holds data that is not valid (X'F0F0F1F203')"},
      {31, std::string("\x00\x00\x00\x00\x00", 5), "packed field PRICE holds data that is not valid (X'0000000000')"},
      {31, "\x40\x40\x40\x40\x40", "packed field PRICE holds data that is not valid (X'4040404040')"},
      {6, std::string("ab\x00", 3), "character field NAME holds the control character X'00'"},
  };
  for (const auto& c : cases) {
    std::string rec = good;
    rec.replace(c.at, c.bytes.size(), c.bytes);
    std::string row, why;
    EXPECT_FALSE(csv::RecordToRow(f, f.fields, rec, row, why)) << c.why;
    EXPECT_EQ(why, c.why);
  }
}

namespace {

class CsvLoadTest : public SeededHostTest {
 protected:
  void SetUp() override {
    Seed(R"(
LIB DATA
PF ITEMS CCSID(5035)
FIELD CODE TYPE(A) LEN(6)
FIELD NAME TYPE(A) LEN(20)
FIELD QTY TYPE(S) LEN(5 0)
FIELD PRICE TYPE(P) LEN(9 2)
MBR ITEMS TEXT('品目')
ROW 'A001' '鉛筆' '120' '35.50'
ROW 'A002' 'ﾉｰﾄ' '8' '-1.25'
)");
  }
  // Puts lines into QTEMP/CSVF as a text upload leaves them, then loads them.
  std::string Load(const std::vector<std::string>& lines) {
    job_.qtemp.objects.erase({"CSVF", "*FILE"});
    std::string data;
    for (const auto& l : lines) data += *FitRecord(FromUtf8(l, 5035), 80);
    Object o = MakeDataFile("CSVF", 80, 5035, "");
    o.file()->members.push_back({"CSVF", "", "", Records::FromBytes(data), 0});
    job_.qtemp.Put(std::move(o));
    EXPECT_TRUE(RunCommand(host_, job_, "CALL TOOLS/#FTPCSVP PARM('DATA' 'ITEMS' 'ITEMS')").ok);
    const PhysicalFile& r = *job_.qtemp.FindFile("FTPTEXT")->file();
    std::string reply = ToUtf8(r.members[0].data.Bytes(), r.ccsid);
    return reply.substr(0, reply.find_last_not_of(' ') + 1).substr(30);
  }
  std::string Records() { return host_.FindLibrary("DATA")->FindFile("ITEMS")->file()->members[0].data.Bytes(); }
  std::vector<std::string> ErrorLines(const std::string& member) {
    std::vector<std::string> out;
    Object* e = host_.FindLibrary("TOOLS")->FindFile("CSVERR");
    if (!e) return out;
    const PhysicalFile& f = *e->file();
    for (const auto& m : f.members) {
      if (m.name != member) continue;
      const std::string d = m.data.Bytes();
      for (std::size_t off = 0; off < d.size(); off += static_cast<std::size_t>(f.rcdlen)) {
        std::string_view r(d.data() + off, static_cast<std::size_t>(f.rcdlen));
        out.push_back(ToUtf8(r.substr(0, TrimmedLength(r)), 5035));
      }
    }
    return out;
  }

};

}  // namespace

TEST_F(CsvLoadTest, ARefusedRowLeavesTheMemberAsItWasAndIsInTheToolLibrary) {
  const std::string before = Records();
  EXPECT_EQ(Load({"400001,\"千区切り\",1,\"1,000\"", "B002,ok,1,2.00"}), "WN        CSVERR");
  EXPECT_EQ(Records(), before);
  EXPECT_EQ(ErrorLines("ITEMS"),
            (std::vector<std::string>{"Line 1: value '1,000' is not a number for field PRICE (9 digits, 2 decimals; "
                                      "the decimal point is a period, a comma is not allowed): 400001,\"千区切り\",1,\"1,000\""}));
  EXPECT_FALSE(host_.FindLibrary("DATA")->FindFile("CSVERR"));   // out of the user's library
  // A later load of another member keeps this member's lines.
  host_.FindLibrary("DATA")->FindFile("ITEMS")->file()->members.push_back({"OTHER", "", "", hostsim::Records{}, 0});
  job_.qtemp.objects.erase({"CSVF", "*FILE"});
  ASSERT_EQ(Load({"A001,x,1,1", "a very long row that does not split into four values at all, x"}), "WN        CSVERR");
  EXPECT_EQ(ErrorLines("ITEMS").size(), 1u);
}

TEST_F(CsvLoadTest, AnEmptyFileIsRefusedAndTheMemberKept) {
  const std::string before = Records();
  EXPECT_EQ(Load({}).substr(0, 6), "ERROR1");
  EXPECT_EQ(Load({"", "  "}).substr(0, 6), "ERROR1");
  EXPECT_EQ(Load({"CODE,NAME,QTY,PRICE"}).substr(0, 6), "ERROR1");   // the names line only
  EXPECT_EQ(Records(), before);
}

TEST_F(CsvLoadTest, RowsSpanLinesAndAnEndOfFileMarkIsNoRow) {
  EXPECT_EQ(Load({"\"CODE\",\"NAME\",\"QTY\",\"PRICE\"", "B1,\"two", "", "lines\",1,1", "B2,x,2,2", "\x1A"}).substr(0, 7),
            "OK    2");
  EXPECT_EQ(Row(Records().substr(0, 36)), "\"B1\",\"two\n\nlines\",1,1.00");
  EXPECT_EQ(Load({"B3,x,3,3", "B4,y,4,4\x1A"}).substr(0, 7), "OK    2");
  EXPECT_EQ(Row(Records().substr(36)), "\"B4\",\"y\",4,4.00");
  // A quote still open at the end of the file refuses that row.
  EXPECT_EQ(Load({"B5,x,5,5", "B6,\"open,6,6"}), "WN        CSVERR");
  EXPECT_EQ(ErrorLines("ITEMS"), (std::vector<std::string>{"Line 2: unterminated quote: B6,\"open,6,6"}));
}

TEST_F(CsvLoadTest, ACountThatDoesNotFitTheReplyIsNoNumber) {
  std::vector<std::string> rows(99999, "C,x,1,1");
  EXPECT_EQ(Load(rows).substr(0, 7), "OK99999");
  rows.push_back("C,x,1,1");
  EXPECT_EQ(Load(rows).substr(0, 7), "OK*****");
  EXPECT_EQ(Records().size(), 100000u * 36);
}
