#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "hostsim/ccsid.h"
#include "hostsim/commands.h"
#include "hostsim/savf.h"
#include "hostsim/state.h"
#include "tests/unit/hostsim/seeded_host.h"

using namespace hostsim;

namespace {

class HostTest : public SeededHostTest {
 protected:
  void SetUp() override {
    Seed(R"(
LIB DEMO TEXT('デモ')
SRCPF QRPGSRC RCDLEN(92) CCSID(5035)
MBR PGM1 TYPE(RPGLE) TEXT('給与計算')
| first line
| 二行目
PF CUST CCSID(5035)
FIELD NO TYPE(S) LEN(4 0)
FIELD NAME TYPE(A) LEN(10)
FIELD AMT TYPE(P) LEN(7 2)
MBR CUST TEXT('得意先')
ROW '1' '山田' '10.5'
OUTQ PRT01
SPLF QSYSPRT JOB(123456/QSECOFR/J1) NBR(1)
| page 1
)");
  }
  CmdResult Run(const std::string& cmd) { return RunCommand(host_, job_, cmd); }
  // Status word and detail text of the reply record left in QTEMP/FTPTEXT.
  std::string Reply() {
    Object* o = job_.qtemp.FindFile("FTPTEXT");
    if (!o) return "<none>";
    auto& m = o->file()->members.at(0);
    return ToUtf8(m.data.Bytes(), o->file()->ccsid);
  }
  std::string Status() { return Reply().substr(30, 6); }

};

}  // namespace

TEST_F(HostTest, SeedBuildsRecordsWithPackedFields) {
  PhysicalFile* f = host_.FindLibrary("DEMO")->FindFile("CUST")->file();
  EXPECT_EQ(f->rcdlen, 4 + 10 + 4);
  EXPECT_TRUE(f->HasPacked());
  const std::string& rec = f->members[0].data.Bytes();
  ASSERT_EQ(rec.size(), 18u);
  EXPECT_EQ(rec.substr(0, 4), std::string("\xF0\xF0\xF0\xF1", 4));
  EXPECT_EQ(DecodePacked(rec.substr(14), 2), "10.50");
  PhysicalFile* src = host_.FindLibrary("DEMO")->FindFile("QRPGSRC")->file();
  const std::string& s = src->members[0].data.Bytes();
  ASSERT_EQ(s.size(), 2 * 92u);
  EXPECT_EQ(s.substr(92, 6), std::string("\xF0\xF0\xF0\xF2\xF0\xF0", 6));   // sequence 0002.00
  EXPECT_EQ(ToUtf8(s.substr(92 + 12, 8), 5035), "二行目");
}

TEST_F(HostTest, SeedErrorsNameTheLine) {
  std::string err;
  EXPECT_FALSE(LoadSeedText(host_, "LIB X\nPF F RCDLEN(4)\nMBR F\n| too long\n", err));
  EXPECT_NE(err.find("line 4"), std::string::npos);
  EXPECT_FALSE(LoadSeedText(host_, "MBR X\n", err));
  EXPECT_FALSE(LoadSeedText(host_, "LIB ../ETC\n", err));
}

TEST_F(HostTest, SaveAndRestoreLibraryUnderAnotherName) {
  ASSERT_TRUE(Run("CRTSAVF FILE(QTEMP/S1)").ok);
  EXPECT_FALSE(Run("CRTSAVF FILE(QTEMP/S1)").ok);   // exists already
  auto r = Run("SAVLIB LIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1)");
  ASSERT_TRUE(r.ok) << r.messages[0].text;
  EXPECT_FALSE(Run("SAVLIB LIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1)").ok);   // holds data, no CLEAR
  r = Run("RSTLIB SAVLIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(COPY)");
  ASSERT_TRUE(r.ok) << r.messages[0].text;
  EXPECT_EQ(r.messages[0].id, "CPC3703");
  Library* a = host_.FindLibrary("DEMO");
  Library* b = host_.FindLibrary("COPY");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->FindFile("QRPGSRC")->file()->members[0].data.Bytes(), a->FindFile("QRPGSRC")->file()->members[0].data.Bytes());
  EXPECT_EQ(b->FindFile("QRPGSRC")->file()->members[0].text, "給与計算");
  EXPECT_EQ(b->FindFile("CUST")->file()->members[0].data.Bytes(), a->FindFile("CUST")->file()->members[0].data.Bytes());
  EXPECT_TRUE(b->Find("PRT01", "*OUTQ")->outq()->files.empty());   // SPLFDTA(*NONE) by default
  // Wrong library name in the save file, and an empty save file.
  EXPECT_FALSE(Run("RSTLIB SAVLIB(OTHER) DEV(*SAVF) SAVF(QTEMP/S1)").ok);
  ASSERT_TRUE(Run("CRTSAVF QTEMP/EMPTY").ok);
  EXPECT_FALSE(Run("RSTLIB SAVLIB(DEMO) DEV(*SAVF) SAVF(QTEMP/EMPTY)").ok);
}

TEST_F(HostTest, SpooledFilesAreSavedWhenAskedAndNeverRestoredTwice) {
  auto queue = [&](const char* lib) { return host_.FindLibrary(lib)->Find("PRT01", "*OUTQ")->outq(); };
  ASSERT_TRUE(Run("CRTSAVF QTEMP/S1").ok);
  EXPECT_EQ(Run("SAVLIB LIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1) SPLFDTA(*NEW)").messages.at(0).id, "CPD0084");
  EXPECT_EQ(Run("SAVLIB LIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1) TGTRLS(V5R4M0)").messages.at(0).id, "CPD0084");
  ASSERT_TRUE(Run("SAVLIB LIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1) SPLFDTA(*ALL) TGTRLS(*PRV)").ok);
  // Without SPLFDTA(*NEW) the queue comes back empty; with it, only what the system does not hold.
  ASSERT_TRUE(Run("RSTLIB SAVLIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1) RSTLIB(COPY1)").ok);
  EXPECT_TRUE(queue("COPY1")->files.empty());
  ASSERT_TRUE(Run("RSTLIB SAVLIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1) RSTLIB(COPY2) SPLFDTA(*NEW)").ok);
  EXPECT_TRUE(queue("COPY2")->files.empty());   // 123456/QSECOFR/J1 QSYSPRT 1 is still in DEMO
  queue("DEMO")->files.clear();
  ASSERT_TRUE(Run("RSTLIB SAVLIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1) RSTLIB(COPY3) SPLFDTA(*NEW)").ok);
  ASSERT_EQ(queue("COPY3")->files.size(), 1u);
  EXPECT_EQ(queue("COPY3")->files[0].lines.at(0), "page 1");
  EXPECT_FALSE(Run("RSTLIB SAVLIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1) RSTLIB(COPY4) SPLFDTA(*ALL)").ok);
}

TEST_F(HostTest, RestoreReplacesMembersOfAnExistingLibrary) {
  ASSERT_TRUE(Run("CRTSAVF QTEMP/S1").ok);
  ASSERT_TRUE(Run("SAVLIB LIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1)").ok);
  Member& m = host_.FindLibrary("DEMO")->FindFile("QRPGSRC")->file()->members[0];
  auto original = m.data;
  m.data = Records();
  auto r = Run("RSTLIB SAVLIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(DEMO)");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(host_.FindLibrary("DEMO")->FindFile("QRPGSRC")->file()->members[0].data.Bytes(), original.Bytes());
}

TEST_F(HostTest, SaveObjectAndRestoreIntoExistingLibrary) {
  ASSERT_TRUE(Run("CRTSAVF QTEMP/S1").ok);
  ASSERT_TRUE(Run("SAVOBJ OBJ(CUST) LIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1) OBJTYPE(*FILE)").ok);
  EXPECT_FALSE(Run("RSTOBJ OBJ(*ALL) SAVLIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1) RSTLIB(NOLIB)").ok);
  ASSERT_TRUE(Run("RSTOBJ OBJ(*ALL) SAVLIB(DEMO) DEV(*SAVF) SAVF(QTEMP/S1) RSTLIB(QGPL)").ok);
  EXPECT_TRUE(host_.FindLibrary("QGPL")->FindFile("CUST"));
  EXPECT_FALSE(host_.FindLibrary("QGPL")->FindFile("QRPGSRC")->file()->FindMember("PGM1"));
}

TEST_F(HostTest, SaveFileImagesAreChecked) {
  std::string path = dir_ + "/x.savf";
  std::ofstream(path) << std::string(528, 'x');
  SaveImage img;
  std::string err;
  EXPECT_FALSE(ReadImage(path, 528, false, img, err));
  EXPECT_FALSE(ReadImage(path, 100, false, img, err));
  SaveImage good{"LIB", "A", 0, "V7R3M0", 0, "LIB A TEXT('')\n"};
  std::string bytes = BuildImage(good);
  EXPECT_EQ(bytes.size() % kSavfRecord, 0u);
  std::ofstream(path, std::ios::trunc | std::ios::binary) << bytes;
  EXPECT_TRUE(ReadImage(path, bytes.size(), true, img, err)) << err;
  EXPECT_EQ(img.payload, good.payload);
}

TEST_F(HostTest, CallRunsOnlyProgramsThatExist) {
  auto r = Run("CALL NOLIB/#RTVMBR4 PARM('DEMO' 'QRPGSRC' 'PGM1' '' '1.2.3.4' 'PC')");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages.back().id, "CPF9810");
  r = Run("CALL QGPL/#RTVMBR4 PARM('DEMO' 'QRPGSRC' 'PGM1' '' '1.2.3.4' 'PC')");
  EXPECT_EQ(r.messages.back().id, "CPF9811");
  // A tool program whose routine is not built ends in error and tells QSYSOPR.
  std::size_t before = host_.qsysopr.size();
  r = Run("CALL TOOLS/#FTPLIB3 PARM('A' 'B')");
  if (!FindRoutine("FTPLIB3")) {
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(host_.qsysopr.size(), before + 1);
  }
  EXPECT_FALSE(Run("CALL TOOLS/#RTVMBR4 PARM('DEMO')").ok);   // parameter count
  EXPECT_FALSE(Run("WRKACTJOB").ok);
  EXPECT_EQ(Run("WRKACTJOB").messages[0].id, "CPD0030");
  // Library list: *LIBL finds the tool library only after ADDLIBLE.
  EXPECT_FALSE(Run("CALL #RTVMBR4 PARM('DEMO' 'QRPGSRC' 'PGM1' '' '' '')").ok);
  ASSERT_TRUE(Run("ADDLIBLE TOOLS").ok);
  EXPECT_FALSE(Run("ADDLIBLE TOOLS").ok);
  EXPECT_FALSE(Run("ADDLIBLE NOLIB").ok);
  EXPECT_TRUE(Run("CALL #RTVMBR4 PARM('DEMO' 'QRPGSRC' 'PGM1' '' '' '')").ok);
  EXPECT_TRUE(Run("CHGJOB LOG(4 40 *NOLIST) ").ok);
}

TEST_F(HostTest, RtvMbr4StatusWords) {
  struct Case {
    const char* parms;
    const char* status;
  } cases[] = {
      {"'DEMO' 'QRPGSRC' 'PGM1' '' '1.2.3.4' 'PC01'", "OK    "},
      {"'demo' 'qrpgsrc' 'pgm1' '' '1.2.3.4' 'PC01'", "OK    "},
      {"'NOLIB' 'QRPGSRC' 'PGM1' '' '' ''", "NOTLIB"},
      {"'DEMO' 'NOFILE' 'PGM1' '' '' ''", "NOTFIL"},
      {"'DEMO' 'QRPGSRC' 'NOMBR' '' '' ''", "NOTMBR"},
      {"'DEMO' 'CUST' 'CUST' 'D' '' ''", "PACDTA"},
      {"'DEMO' 'CUST' 'CUST' 'B' '' ''", "OK    "},
      {"'../X' 'QRPGSRC' 'PGM1' '' '' ''", "NOTLIB"},
  };
  for (const auto& c : cases) {
    auto r = Run(std::string("CALL TOOLS/#RTVMBR4 PARM(") + c.parms + ")");
    EXPECT_TRUE(r.ok) << c.parms;
    EXPECT_EQ(Status(), c.status) << c.parms;
  }
  Run("CALL TOOLS/#RTVMBR4 PARM('DEMO' 'QRPGSRC' 'PGM1' '' '' '')");
  // Detail text from character 41: the member text, kanji intact.
  EXPECT_EQ(Reply().substr(40, std::string("給与計算").size()), "給与計算");
}

TEST_F(HostTest, SrcUpSetsTypeAndCompiles) {
  auto r = Run("CALL TOOLS/#SRCUP PARM('DEMO' 'QRPGSRC' 'PGM1' 'RPE' 'Y' 'QGPL')");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(Status(), "OK    ");
  EXPECT_EQ(host_.FindLibrary("DEMO")->FindFile("QRPGSRC")->file()->members[0].srcType, "RPGLE");
  ASSERT_TRUE(host_.FindLibrary("QGPL")->Find("PGM1", "*PGM"));
  EXPECT_NE(host_.qsysopr.back().text.find("PGM1"), std::string::npos);
  Run("CALL TOOLS/#SRCUP PARM('DEMO' 'QRPGSRC' 'NONE' '' '' '')");
  EXPECT_EQ(Status(), "NOTMBR");
  // A compiled user program can be called and ends normally.
  EXPECT_TRUE(Run("CALL QGPL/PGM1").ok);
}

TEST_F(HostTest, StateRoundTripKeepsEverything) {
  ASSERT_TRUE(Run("CRTSAVF DEMO/KEEP").ok);
  ASSERT_TRUE(Run("SAVLIB LIB(QGPL) DEV(*SAVF) SAVF(DEMO/KEEP)").ok);
  std::string err;
  bool found = true;
  ASSERT_TRUE(OpenState(host_, dir_, found, err)) << err;
  EXPECT_FALSE(found);
  host_.dirty = true;
  ASSERT_TRUE(SaveState(host_, err)) << err;
  Host copy;
  ASSERT_TRUE(copy.blobs.Open(dir_ + "/blobs"));
  ASSERT_TRUE(OpenState(copy, dir_, found, err)) << err;
  EXPECT_TRUE(found);
  EXPECT_EQ(DumpLibrary(*copy.FindLibrary("DEMO"), true), DumpLibrary(*host_.FindLibrary("DEMO"), true));
  EXPECT_EQ(copy.users.at("QSECOFR").password, "QSECOFR");
  ASSERT_TRUE(copy.FindLibrary("DEMO")->FindFile("KEEP")->savf()->blob);
  SetBlobCleanup(false);   // both hosts name the same blob files
  copy.libraries.clear();
  Graves().SetDeferred(false);
  for (auto& g : Graves().Take()) g();
  SetBlobCleanup(true);
}
