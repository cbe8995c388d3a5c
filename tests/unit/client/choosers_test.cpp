// The file choosers over a scripted dialog: what the dialog is given, and what
// pcファイル名 receives on confirm and on cancel.
#include "client/window/choosers.h"

#include <gtest/gtest.h>

#include "client/window/main_panel.h"
#include "client/panel/memory_panel.h"
#include "tests/unit/common/test_support.h"

namespace kv {
namespace {

// A dialog that records how it was shown and then confirms `answer` or, when
// none is set, is cancelled (FileName stays as it was).
class ScriptedDialog : public FileDialog {
 public:
  std::optional<std::string> answer;
  std::vector<std::string> shown;  // "open"/"save" with the name, filter and flags it saw
  void ShowOpen() override { Record("open"); }
  void ShowSave() override { Record("save"); }

 private:
  void Record(const char* kind) {
    shown.push_back(std::string(kind) + " [" + FileName + "] [" + Filter + "] " + std::to_string(Flags));
    if (answer) FileName = *answer;
    answer.reset();
  }
};

class ChoosersTest : public ::testing::Test {
 protected:
  kvtest::TempDrive drive;
  MemoryPanel panel;
  ScriptedDialog dialog;
  void Pick(int code) { ASSERT_TRUE(SelectOperation(panel, code)); }
};

TEST_F(ChoosersTest, SaveProposesNameAndFilterPerDownload) {
  struct Row {
    int code;
    Ctl from;
    const char* expected;
  };
  const Row rows[] = {
      {11, Ctl::メンバー名, "save [M1.txt] [ﾃｷｽﾄ(*.txt)|*.txt|全て(*.*)|*.*] 2"},
      {12, Ctl::メンバー名, "save [M1.txt] [ﾃﾞｰﾀ(*.txt)|*.txt|全て(*.*)|*.*] 2"},
      {13, Ctl::メンバー名, "save [M1.DTA] [ﾃﾞｰﾀ(*.DTA)|*.DTA|全て(*.*)|*.*] 2"},
      {14, Ctl::メンバー名, "save [M1.CSV] [CSV(*.CSV)|*.CSV|全て(*.*)|*.*] 2"},
      {15, Ctl::ライブラリー名, "save [M1.SAVF] [ｾｰﾌﾞ(*.SAVF)|*.SAVF|全て(*.*)|*.*] 2"},
      {16, Ctl::ファイル名, "save [M1.SAVF] [ｾｰﾌﾞ(*.SAVF)|*.SAVF|全て(*.*)|*.*] 2"},
      {17, Ctl::ファイル名, "save [M1.SPL] [ｽﾌﾟｰﾙ(*.SPL)|*.SPL|全て(*.*)|*.*] 2"},
      {18, Ctl::ファイル名, "save [M1.txt] [ﾃｷｽﾄ(*.txt)|*.txt|全て(*.*)|*.*] 2"},
  };
  for (const Row& r : rows) {
    Pick(r.code);
    for (Ctl c : {Ctl::メンバー名, Ctl::ライブラリー名, Ctl::ファイル名}) panel.SetText(c, c == r.from ? " M1 " : "OTHER");
    dialog.shown.clear();
    ChooseDownloadTarget(panel, dialog);
    ASSERT_EQ(dialog.shown.size(), 1u) << r.code;
    EXPECT_EQ(dialog.shown[0], r.expected) << r.code;
  }
}

TEST_F(ChoosersTest, OpenFilterPerUploadWithoutProposal) {
  const std::pair<int, const char*> rows[] = {
      {21, "open [] [ﾃｷｽﾄ(*.txt)|*.txt|全て(*.*)|*.*] 4"},
      {22, "open [] [ﾃﾞｰﾀ(*.DTA)|*.DTA|全て(*.*)|*.*] 4"},
      {23, "open [] [CSV(*.CSV)|*.CSV|ﾃｷｽﾄ(*.txt)|*.txt|全て(*.*)|*.*] 4"},
      {24, "open [] [ｾｰﾌﾞ(*.SAVF)|*.SAVF|全て(*.*)|*.*] 4"},
      {25, "open [] [ｾｰﾌﾞ(*.SAVF)|*.SAVF|全て(*.*)|*.*] 4"},
      {26, "open [] [ｽﾌﾟｰﾙ(*.SPL)|*.SPL|全て(*.*)|*.*] 4"},
      {27, "open [] [ﾃｷｽﾄ(*.txt)|*.txt|全て(*.*)|*.*] 4"},
  };
  for (const auto& [code, expected] : rows) {
    Pick(code);
    dialog.shown.clear();
    ChooseUploadFile(panel, dialog);
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0], expected) << code;
  }
}

TEST_F(ChoosersTest, FileNameCarriesOverAndCancelCopiesIt) {
  Pick(11);
  panel.SetText(Ctl::メンバー名, "MBR");
  ChooseDownloadTarget(panel, dialog);  // cancelled: the proposal, without a folder
  EXPECT_EQ(panel.Text(Ctl::pcファイル名), "MBR.txt");

  Pick(21);
  panel.SetText(Ctl::pcファイル名, "typed");
  ChooseUploadFile(panel, dialog);  // cancelled: the cancelled Save's proposal carries over
  EXPECT_EQ(panel.Text(Ctl::pcファイル名), "MBR.txt");

  dialog.answer = "C:\\in\\a.txt";
  ChooseUploadFile(panel, dialog);
  EXPECT_EQ(panel.Text(Ctl::pcファイル名), "C:\\in\\a.txt");
  ChooseUploadFile(panel, dialog);
  EXPECT_EQ(dialog.shown.back(), "open [C:\\in\\a.txt] [ﾃｷｽﾄ(*.txt)|*.txt|全て(*.*)|*.*] 4");
  EXPECT_EQ(panel.Text(Ctl::pcファイル名), "C:\\in\\a.txt");
}

TEST_F(ChoosersTest, EmptyMemberProposesExtensionOnly) {
  Pick(11);
  panel.SetText(Ctl::メンバー名, "   ");
  ChooseDownloadTarget(panel, dialog);
  EXPECT_EQ(panel.Text(Ctl::pcファイル名), ".txt");
}

TEST_F(ChoosersTest, TrimsAllFourteenBoxesButNotTheComboEvenWhenCancelled) {
  Pick(11);
  for (Ctl c : kTrimmedBoxes) panel.SetText(c, "  v ");
  panel.SetText(Ctl::タイプ, " RPG ");
  ChooseDownloadTarget(panel, dialog);
  for (Ctl c : kTrimmedBoxes) {
    if (c == Ctl::pcファイル名) continue;
    EXPECT_EQ(panel.Text(c), "v") << NameOf(c);
  }
  EXPECT_EQ(panel.Text(Ctl::pcファイル名), "v.txt");
  EXPECT_EQ(panel.Text(Ctl::タイプ), " RPG ");
}

TEST_F(ChoosersTest, CodesWithoutARowGetNoFilterOrName) {
  // MENUNO "0", and each button used with an operation of the other direction.
  panel.SetText(Ctl::MENUNO, "0");
  ChooseDownloadTarget(panel, dialog);
  EXPECT_EQ(dialog.shown.back(), "save [] [] 2");
  Pick(11);
  ChooseUploadFile(panel, dialog);
  EXPECT_EQ(dialog.shown.back(), "open [] [] 4");
  Pick(21);
  panel.SetText(Ctl::メンバー名, "X");
  ChooseDownloadTarget(panel, dialog);
  EXPECT_EQ(dialog.shown.back(), "save [] [] 2");
}

}  // namespace
}  // namespace kv
