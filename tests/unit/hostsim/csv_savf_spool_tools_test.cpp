// Tool programs for CSV, save-file and spooled-file transfers: status words,
// the work files they leave in QTEMP, and round trips through them.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "hostsim/ccsid.h"
#include "hostsim/commands.h"
#include "hostsim/savf.h"
#include "hostsim/state.h"
#include "tests/unit/hostsim/seeded_host.h"

using namespace hostsim;

namespace {

class ToolsTest : public SeededHostTest {
 protected:
  void SetUp() override {
    Seed(R"(
LIB DEMO TEXT('デモ')
SRCPF QRPGSRC RCDLEN(92) CCSID(5035)
MBR PGM1 TYPE(RPGLE) TEXT('給与計算')
| first line
PF CUST CCSID(5035) TEXT('得意先')
FIELD NO TYPE(S) LEN(4 0)
FIELD NAME TYPE(A) LEN(20)
FIELD AMT TYPE(P) LEN(7 2)
MBR CUST TEXT('得意先')
ROW '1' '山田 "太郎"' '10.5'
ROW '22' 'ｶﾅ,ﾃｽﾄ' '-3'
MBR EMPTY TEXT('空')
OUTQ PRT01
SPLF QSYSPRT JOB(123456/QSECOFR/J1) NBR(1) USRDTA('月報')
| 月次報告  ページ 1
|    合計      1,234
SPLF QSYSPRT JOB(123456/QSECOFR/J1) NBR(2)
| second
LIB SPOOL2
OUTQ OUT2
)");
  }
  CmdResult Call(const std::string& pgm, const std::string& parms) {
    return RunCommand(host_, job_, "CALL TOOLS/" + pgm + " PARM(" + parms + ")");
  }
  // The records of QTEMP/`file` as text lines, trailing blanks removed.
  std::vector<std::string> Lines(const std::string& file) {
    std::vector<std::string> out;
    Object* o = job_.qtemp.FindFile(file);
    if (!o || o->file()->members.empty()) return out;
    const PhysicalFile& f = *o->file();
    const std::string& d = f.members[0].data.Bytes();
    for (std::size_t off = 0; off < d.size(); off += static_cast<std::size_t>(f.rcdlen)) {
      std::string_view r(d.data() + off, static_cast<std::size_t>(f.rcdlen));
      out.push_back(ToUtf8(r.substr(0, TrimmedLength(r)), f.ccsid));
    }
    return out;
  }
  std::string Reply() {
    auto l = Lines("FTPTEXT");
    return l.empty() ? "<none>" : l[0];
  }
  std::string Status(std::size_t pos = 31) {
    std::string r = Reply();
    return r.size() < pos ? "" : r.substr(pos - 1, 6);
  }
  // Puts CSV lines into QTEMP/CSVF as an upload would.
  void Upload(const std::vector<std::string>& lines) {
    job_.qtemp.objects.erase({"CSVF", "*FILE"});
    std::string data;
    for (const auto& l : lines) {
      auto fit = FitRecord(FromUtf8(l, 5035), 80);
      ASSERT_TRUE(fit);
      data += *fit;
    }
    Object o = MakeDataFile("CSVF", 80, 5035, "");
    o.file()->members.push_back({"CSVF", "", "", Records::FromBytes(data), 0});
    job_.qtemp.Put(std::move(o));
  }

};

}  // namespace

TEST_F(ToolsTest, CsvDownloadWritesQuotedTextAndNumbers) {
  ASSERT_TRUE(Call("#FTPCSVG2", "'demo' 'cust' 'cust' '1.2.3.4' 'PC' 'N'").ok);
  EXPECT_EQ(Status(), "OK    ");
  EXPECT_EQ(Reply().substr(40), "得意先");
  EXPECT_EQ(Lines("CSVF"), (std::vector<std::string>{"1,\"山田 \"\"太郎\"\"\",10.50", "22,\"ｶﾅ,ﾃｽﾄ\",-3.00"}));
  ASSERT_TRUE(Call("#FTPCSVG2", "'DEMO' 'CUST' 'CUST' '' '' 'Y'").ok);
  EXPECT_EQ(Lines("CSVF").at(0), "\"NO\",\"NAME\",\"AMT\"");
  EXPECT_EQ(Lines("CSVF").size(), 3u);
  // A file without a record format reads as one character field.
  ASSERT_TRUE(Call("#FTPCSVG2", "'DEMO' 'QRPGSRC' 'PGM1' '' '' 'N'").ok);
  EXPECT_EQ(Status(), "OK    ");
}

TEST_F(ToolsTest, CsvStatusWords) {
  struct Case {
    const char* pgm;
    const char* parms;
    const char* status;
  } cases[] = {
      {"#FTPCSVP", "'DEMO' 'CUST' 'CUST'", "ERROR1"},   // nothing was uploaded into QTEMP/CSVF
      {"#FTPCSVG2", "'NOLIB' 'CUST' 'CUST' '' '' 'N'", "NOTLIB"},
      {"#FTPCSVG2", "'DEMO' 'NOFILE' 'CUST' '' '' 'N'", "NOTFIL"},
      {"#FTPCSVG2", "'DEMO' 'CUST' 'NOMBR' '' '' 'N'", "NOTMBR"},
      {"#FTPCSVG2", "'DEMO' 'CUST' '*ALL' '' '' 'N'", "MBRERR"},
      {"#FTPCSVG2", "'DEMO' 'CUST' 'CU*' '' '' 'N'", "MBRERR"},
      {"#FTPCSVG2", "'DEMO' 'CUST' '*FIRST' '' '' 'N'", "OK    "},
      {"#FTPCSVP", "'NOLIB' 'CUST' 'CUST'", "NOTLIB"},
      {"#FTPCSVP", "'DEMO' 'PRT01' 'CUST'", "NOTFIL"},
      {"#FTPCSVP", "'DEMO' 'CUST' 'NOMBR'", "NOTMBR"},
      {"#FTPCSVG2", "'DEMO' 'CUST' 'CUST' '' '' 'N'", "OK    "},
      {"#FTPCSVP", "'DEMO' 'CUST' 'EMPTY'", "OK    "},
      {"#FTPCSVP", "'DEMO' 'CUST' 'EMPTY'", "ERROR1"},   // the work file is used up by a load
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(Call(c.pgm, c.parms).ok) << c.parms;
    EXPECT_EQ(Status(), c.status) << c.pgm << " " << c.parms;
  }
}

TEST_F(ToolsTest, CsvRoundTripGivesTheSameRecords) {
  const std::string before = host_.FindLibrary("DEMO")->FindFile("CUST")->file()->members[0].data.Bytes();
  ASSERT_TRUE(Call("#FTPCSVG2", "'DEMO' 'CUST' 'CUST' '' '' 'Y'").ok);
  Upload(Lines("CSVF"));   // column names line included: skipped on the way back
  ASSERT_TRUE(Call("#FTPCSVP", "'DEMO' 'CUST' 'EMPTY'").ok);
  EXPECT_EQ(Reply().substr(30, 7), "OK    2");
  EXPECT_EQ(Reply().substr(40), "空");
  EXPECT_EQ(host_.FindLibrary("DEMO")->FindFile("CUST")->file()->FindMember("EMPTY")->data.Bytes(), before);
}

TEST_F(ToolsTest, CsvUploadWithBadLinesLoadsNothingAndAnswersWn) {
  const std::string before = host_.FindLibrary("DEMO")->FindFile("CUST")->file()->members[0].data.Bytes();
  Upload({"3, \"佐藤\" , 1.5", "abc,\"x\",1", "4,\"長すぎる名前の得意先です\",0", "5,\"unterminated", "6,\"ok\""});
  ASSERT_TRUE(Call("#FTPCSVP", "'DEMO' 'CUST' 'CUST'").ok);
  EXPECT_EQ(Reply().substr(30, 7), "WN     ");
  EXPECT_EQ(Reply().substr(40, 10), "CSVERR");
  EXPECT_EQ(host_.FindLibrary("DEMO")->FindFile("CUST")->file()->members[0].data.Bytes(), before);
  // The rows not loaded are kept in CSVERR of the tool library, member CUST, with the reason.
  Object* err = host_.FindLibrary("TOOLS")->FindFile("CSVERR");
  ASSERT_TRUE(err);
  EXPECT_EQ(err->file()->members.at(0).name, "CUST");
  EXPECT_EQ(err->file()->members.at(0).data.size(), 3u * static_cast<std::size_t>(err->file()->rcdlen));
}

TEST_F(ToolsTest, LibraryDownloadLeavesSaveFileListingAndTightReply) {
  ASSERT_TRUE(Call("#FTPLIB4V", "'DEMO' '*CURRENT' '1.2.3.4' 'PC' 'QSECOFR'").ok);
  // The reply ends right after OK, so a text transfer keeping blanks still gives "OK".
  EXPECT_EQ(Reply(), "#FTPLIB4V OK");
  auto listing = Lines("FTPLIBPC");
  ASSERT_EQ(listing.size(), 12u * 3);   // CUST, PRT01, QRPGSRC
  EXPECT_EQ(std::vector<std::string>(listing.begin(), listing.begin() + 6),
            (std::vector<std::string>{"DEMO", "CUST", "*FILE", "PF-DTA", "得意先", "QSECOFR"}));
  EXPECT_EQ(listing[9], "2");    // members
  EXPECT_EQ(listing[10], "2");   // records
  EXPECT_EQ(listing[11], "V7R5M0");
  ASSERT_TRUE(job_.qtemp.FindFile("FTPSAVF")->savf()->blob);

  // Restored under another name, the library holds the same objects.
  ASSERT_TRUE(Call("#FTPLIB3", "'DEMO' 'DEMO2'").ok);
  EXPECT_EQ(Reply().substr(30), "OK");
  ASSERT_TRUE(host_.FindLibrary("DEMO2"));
  EXPECT_EQ(host_.FindLibrary("DEMO2")->FindFile("CUST")->file()->members[0].data.Bytes(),
            host_.FindLibrary("DEMO")->FindFile("CUST")->file()->members[0].data.Bytes());
}

TEST_F(ToolsTest, SaveFileStatusWords) {
  struct Case {
    const char* pgm;
    const char* parms;
    int pos;
    const char* status;
  } cases[] = {
      {"#FTPLIB4V", "'NOLIB' '*CURRENT' '' '' ''", 11, "NOTLIB"},
      {"#FTPLIB4V", "'DEMO' 'V5R1M0' '' '' ''", 11, "RLSERR"},
      {"#FTPLIB4V", "'QTEMP' '*PRV' '' '' ''", 11, "RLSERR"},
      {"#FTPOBJ4V", "'DEMO' 'NOOBJ' '*FILE' '*CURRENT' '' '' ''", 11, "NOTOBJ"},
      {"#FTPOBJ4V", "'DEMO' 'CUST' '*PGM' '*CURRENT' '' '' ''", 11, "NOTOBJ"},
      {"#FTPOBJ4V", "'DEMO' 'CUST' 'FILE' '*CURRENT' '' '' ''", 11, "RLSERR"},
      {"#FTPOBJ4V", "'NOLIB' 'CUST' '*FILE' '*CURRENT' '' '' ''", 11, "NOTLIB"},
      {"#FTPLIB3", "'DEMO' 'NEW'", 31, "RSTOBJ"},   // no save file in QTEMP
      {"#FTPOBJ3", "'DEMO' 'CUST' 'NOLIB'", 31, "NOTLIB"},
      {"#FTPOBJ4V", "'DEMO' 'CU*' '*ALL' 'V7R4M0' '' '' ''", 11, "OK"},
      {"#FTPOBJ3", "'DEMO' 'PGM1' 'QGPL'", 31, "NOTOBJ"},
      {"#FTPOBJ3", "'OTHER' 'CUST' 'QGPL'", 31, "RSTERR"},
      {"#FTPLIB3", "'DEMO' 'NEW'", 31, "RSTOBJ"},    // an object save is no library save
      {"#FTPOBJ3", "'DEMO' 'CUST' 'QGPL'", 31, "OK"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(Call(c.pgm, c.parms).ok) << c.parms;
    EXPECT_EQ(Status(static_cast<std::size_t>(c.pos)), c.status) << c.pgm << " " << c.parms;
    if (std::string(c.status) == "OK") {
      EXPECT_EQ(Reply().size(), static_cast<std::size_t>(c.pos + 1)) << c.pgm;
    }
  }
  EXPECT_TRUE(host_.FindLibrary("QGPL")->FindFile("CUST"));
  EXPECT_FALSE(host_.FindLibrary("NEW"));
}

TEST_F(ToolsTest, SpoolTextAndStatusWords) {
  ASSERT_TRUE(Call("#CPYSPLF3V", "'qsysprt' 'j1' 'qsecofr' '123456' '1' '1.2.3.4' 'PC'").ok);
  EXPECT_EQ(Status(), "OK    ");
  EXPECT_EQ(Lines("FTPPRT"), (std::vector<std::string>{"月次報告  ページ 1", "   合計      1,234"}));
  EXPECT_GE(job_.qtemp.FindFile("FTPPRT")->file()->rcdlen, 132);
  struct Case {
    const char* parms;
    const char* status;
  } cases[] = {
      {"'QSYSPRT' 'J1' 'QSECOFR' '123456' '3' '' ''", "NOTSPL"},
      {"'QPRINT' 'J1' 'QSECOFR' '123456' '1' '' ''", "NOTFIL"},
      {"'QSYSPRT' 'J2' 'QSECOFR' '123456' '1' '' ''", "NOTJOB"},
      {"'QSYSPRT' 'J1' 'OTHER' '123456' '1' '' ''", "NOTJOB"},
      {"'QSYSPRT' 'J1' 'QSECOFR' '12345' '1' '' ''", "NOTPRM"},
      {"'QSYSPRT' 'J1' 'QSECOFR' '123456' '*LAST' '' ''", "NOTPRM"},
      {"'QSYSPRT' 'J1' 'QSECOFR' '123456' '0' '' ''", "NOTPRM"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(Call("#CPYSPLF2V", c.parms).ok) << c.parms;
    EXPECT_EQ(Status(), c.status) << c.parms;
    EXPECT_TRUE(Call("#CPYSPLF3V", c.parms).ok) << c.parms;
    EXPECT_EQ(Status(), c.status) << c.parms;
  }
}

TEST_F(ToolsTest, SpoolSaveFileGoesBackOntoAQueue) {
  ASSERT_TRUE(Call("#PUTSPLFV", "'OUT2' 'SPOOL2'").ok);
  EXPECT_EQ(Status(), "EMPTY#");   // no save file in QTEMP
  ASSERT_TRUE(Call("#CPYSPLF2V", "'QSYSPRT' 'J1' 'QSECOFR' '123456' '1' '' ''").ok);
  EXPECT_EQ(Status(), "OK    ");
  EXPECT_EQ(Call("#PUTSPLFV", "'NOQ' 'SPOOL2'").ok, true);
  EXPECT_EQ(Status(), "NOTOUT");
  Call("#PUTSPLFV", "'OUT2' 'NOLIB'");
  EXPECT_EQ(Status(), "NOTLIB");
  ASSERT_TRUE(Call("#PUTSPLFV", "'out2' 'spool2'").ok);
  EXPECT_EQ(Status(), "OK    ");
  auto& files = host_.FindLibrary("SPOOL2")->Find("OUT2", "*OUTQ")->outq()->files;
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].lines.at(0), "月次報告  ページ 1");
  EXPECT_EQ(files[0].userData, "月報");
  EXPECT_EQ(files[0].number, 3);   // 1 and 2 of that job are taken
  // A library save is not spool data.
  ASSERT_TRUE(Call("#FTPLIB4V", "'DEMO' '*CURRENT' '' '' ''").ok);
  Call("#PUTSPLFV", "'OUT2' 'SPOOL2'");
  EXPECT_EQ(Status(), "NOTSPL");
  // A save-file header over a payload that does not parse cannot be restored.
  job_.qtemp.FindFile("FTPSAVF")->savf()->blob =
      host_.blobs.FromBytes(BuildImage({"OBJ", "SPOOL2", 1, "V7R5M0", 0, "OUTQ OUT2\nSPLF ((\n"}));
  Call("#PUTSPLFV", "'OUT2' 'SPOOL2'");
  EXPECT_EQ(Status(), "NOTRST");
}

TEST_F(ToolsTest, AProgramWhoseRoutineIsNotBuiltEndsInError) {
  host_.FindLibrary("TOOLS")->Put(MakeProgram("#OLDTOOL", "NOSUCH", "CLP", ""));
  std::size_t before = host_.qsysopr.size();
  auto r = RunCommand(host_, job_, "CALL TOOLS/#OLDTOOL");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages.back().id, "CPF9999");
  EXPECT_EQ(host_.qsysopr.size(), before + 1);
  EXPECT_EQ(Reply(), "<none>");
  // Every tool program of the library has its routine, with the parameter count the client passes.
  for (const auto& [pgm, routine] : ToolPrograms()) EXPECT_TRUE(FindRoutine(routine)) << pgm;
  EXPECT_EQ(FindRoutine("FTPOBJ4V")->parms, 7);
  EXPECT_EQ(FindRoutine("PUTSPLFV")->parms, 2);
}
