// The Execute handler: trimming, the checks and their order, the stages of a
// run, the running state, the FTP client start, and the dispatch rows.
#include <gtest/gtest.h>

#include <algorithm>

#include "client/engine/csv_family.h"
#include "client/engine/data_family.h"
#include "client/engine/pipeline.h"
#include "client/engine/savefile_family.h"
#include "client/engine/source_family.h"
#include "client/engine/spool_family.h"
#include "client/panel/memory_panel.h"
#include "client/window/main_panel.h"
#include "client/window/operations.h"
#include "tests/unit/client/client_fixture.h"

using namespace kv;
using kvtest::ClientDrive;

namespace {

std::vector<std::string> g_trace;

void FailingCheck(RunContext& ctx, std::int16_t& flag) {
  g_trace.push_back("CHK");
  ctx.panel.ShowMessage("ファイル名を入力して下さい。", "ファイル名", MsgIcon::Exclamation);
  ctx.panel.SetFocus(Ctl::ファイル名);
  flag = 1;
}
void PassingCheck(RunContext& ctx, std::int16_t&) { g_trace.push_back("CHK lib=" + ctx.panel.Text(Ctl::ライブラリー名)); }
void Script(RunContext& ctx) {
  g_trace.push_back("FTP code=" + std::to_string(ctx.code) + " caption=" + ctx.panel.Text(Ctl::実行));
}
void Reply(RunContext& ctx) {
  g_trace.push_back("ANSER code=" + std::to_string(ctx.code));
  ctx.panel.SetText(Ctl::LABEL99, "done");
}

const Dispatch kPassing{12, PassingCheck, Script, Reply};
const Dispatch kFailing{12, FailingCheck, Script, Reply};

struct Fixture {
  ClientDrive drive;
  MemoryPanel panel;
  Fixture() {
    g_trace.clear();
    StartUp(panel, [] { return HostInfo{"10.0.0.5", "pc01"}; });
  }
  void Fill() {
    panel.SetText(Ctl::IPアドレス, "10.0.0.1");
    panel.SetText(Ctl::ユーザー, "QSECOFR");
    panel.SetText(Ctl::パスワード, "PW");
  }
  std::vector<PanelEvent> Run(const Dispatch& d, RunAndWaitFn run = nullptr) {
    if (!run) run = [](const std::string& cmd, const std::function<void()>& pump, const Environment&) {
      g_trace.push_back("RUN " + cmd);
      pump();
      return RunResult{true, 0};
    };
    Pipeline pl(run, [&d](int) { return &d; });
    RunContext ctx{panel};
    panel.ClearEvents();
    pl.Execute(ctx);
    return panel.Events();
  }
};

PanelEvent Box(std::string text, std::string title) {
  return {PanelEvent::Kind::Message, std::move(text), std::move(title), MsgIcon::Exclamation};
}
PanelEvent Focus(std::string name) { return {PanelEvent::Kind::Focus, std::move(name), "", MsgIcon::None}; }

}  // namespace

TEST(Execute, NoOperationShowsOnlyTheMenuBox) {
  Fixture f;
  auto events = f.Run(kPassing);
  EXPECT_EQ(events, (std::vector<PanelEvent>{Box("処理をメニューより選択して下さい。", "ＫＶ－ＴＲＡＮＳＩＴ")}));
  EXPECT_TRUE(g_trace.empty());
  EXPECT_EQ(f.panel.Text(Ctl::実行), "OK");
}

TEST(Execute, CommonChecksInOrderAndNothingRuns) {
  Fixture f;
  SelectOperation(f.panel, 12);
  f.panel.SetText(Ctl::ユーザー, "   ");  // blanks only count as empty
  auto events = f.Run(kPassing);
  EXPECT_EQ(events, (std::vector<PanelEvent>{
                        Box("ＩＰアドレスを入力して下さい。", "ＩＰアドレス"), Focus("IPアドレス"),
                        Box("ＡＳ４００のユーザー名を入力してください。", "ユーザー"), Focus("ユーザー"),
                        Box("ＡＳ４００のパスワードを入力してください。", "ユーザー"), Focus("パスワード")}));
  EXPECT_EQ(g_trace, (std::vector<std::string>{"CHK lib="}));
  EXPECT_EQ(f.panel.Text(Ctl::ユーザー), "");
}

TEST(Execute, AFailedOperationCheckSkipsTheAddressCheckButNotUserAndPassword) {
  Fixture f;
  SelectOperation(f.panel, 12);
  auto events = f.Run(kFailing);
  EXPECT_EQ(events, (std::vector<PanelEvent>{
                        Box("ファイル名を入力して下さい。", "ファイル名"), Focus("ファイル名"),
                        Box("ＡＳ４００のユーザー名を入力してください。", "ユーザー"), Focus("ユーザー"),
                        Box("ＡＳ４００のパスワードを入力してください。", "ユーザー"), Focus("パスワード")}));
  EXPECT_EQ(g_trace, (std::vector<std::string>{"CHK"}));
}

TEST(Execute, StagesInOrderOnTrimmedTexts) {
  Fixture f;
  SelectOperation(f.panel, 12);
  f.Fill();
  f.panel.SetText(Ctl::ライブラリー名, "  MYLIB ");
  f.panel.SetText(Ctl::パスワード, " PW ");
  f.panel.SetText(Ctl::タイプ, " RPG ");
  f.panel.SetValue(Ctl::漢字, 1);
  f.panel.SetText(Ctl::LABEL99, "old result");
  auto events = f.Run(kPassing);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(g_trace, (std::vector<std::string>{"CHK lib=MYLIB", "FTP code=12 caption=実行中",
                                               "RUN C:\\KV-TRANSIT\\FTP -s:c:\\KV-TRANSIT\\kvtrn.ini", "ANSER code=12"}));
  EXPECT_EQ(f.panel.Text(Ctl::実行), "ＯＫ");
  EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "done");
  EXPECT_EQ(f.panel.Text(Ctl::パスワード), "PW");
  EXPECT_EQ(f.panel.Text(Ctl::タイプ), " RPG ");  // the combo box is not trimmed
  EXPECT_EQ(f.drive.File("kv3EV"), ClientDrive::Cp932Lines({"10.0.0.1", "QSECOFR", "PW"}));
}

TEST(Execute, ASecondPressDuringARunIsIgnored) {
  Fixture f;
  SelectOperation(f.panel, 12);
  f.Fill();
  int nested = 0;
  Pipeline* self = nullptr;
  RunContext ctx{f.panel};
  Pipeline pl(
      [&](const std::string&, const std::function<void()>& pump, const Environment&) {
        pump();
        return RunResult{true, 0};
      },
      [](int) { return &kPassing; });
  self = &pl;
  f.panel.onProcessEvents = [&] {
    ++nested;
    EXPECT_TRUE(self->Running());
    self->Execute(ctx);  // the user presses 実行 again while waiting
  };
  pl.Execute(ctx);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(std::count(g_trace.begin(), g_trace.end(), "ANSER code=12"), 1);
  EXPECT_FALSE(pl.Running());
}

TEST(Execute, ClientThatCannotStartIsReportedAndTheRunEnds) {
  Fixture f;
  SelectOperation(f.panel, 12);
  f.Fill();
  auto events = f.Run(kPassing, [](const std::string&, const std::function<void()>&, const Environment&) { return RunResult{false, 0}; });
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].text, std::string(kCannotStartText));
  EXPECT_EQ(events[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(g_trace.back(), "FTP code=12 caption=実行中");  // no reply method after a run that never started
  EXPECT_EQ(f.panel.Text(Ctl::実行), "ＯＫ");
}

TEST(Execute, RealWaitOnTheStandInClient) {
  Fixture f;
  SelectOperation(f.panel, 12);
  f.Fill();
  ::setenv("FAKE_FTP_SLEEP_MS", "300", 1);
  Pipeline pl(RunAndWait, [](int) { return &kPassing; });
  RunContext ctx{f.panel};
  pl.Execute(ctx);
  ::unsetenv("FAKE_FTP_SLEEP_MS");
  EXPECT_GE(f.panel.ProcessEventsCalls(), 4);  // the window kept handling events while it waited
  EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "done");
}

TEST(Execute, MissingClientProgramOnDisk) {
  Fixture f;
  std::filesystem::remove(f.drive.Dir() + "/FTP.EXE");
  SelectOperation(f.panel, 12);
  f.Fill();
  Pipeline pl(RunAndWait, [](int) { return &kPassing; });
  RunContext ctx{f.panel};
  pl.Execute(ctx);
  ASSERT_EQ(f.panel.Events().size(), 2u);  // the pick's focus, then the box
  EXPECT_EQ(f.panel.Events()[1].text, std::string(kCannotStartText));
}

TEST(Execute, RefusedLogonWithoutReplyReadsAsEmpty) {
  ClientDrive drive;
  struct Row { std::string before; unsigned long exit; std::string after; };
  const Row rows[] = {
      {"123456789012345678901234567890TIMOVR\r\n", 2, ""},
      {"1234567890TIMOVR\r\n", 2, ""},
      {"123456789012345678901234567890TIMOVR\r\n", 5, "123456789012345678901234567890TIMOVR\r\n"},
      {"123456789012345678901234567890NOTLIB\r\n", 2, "123456789012345678901234567890NOTLIB\r\n"},
  };
  for (const auto& r : rows) {
    drive.PutFile("FTPTEXT.DAT", r.before);
    ForgetSentinelAfterRefusedLogon(RunResult{true, r.exit});
    EXPECT_EQ(drive.File("FTPTEXT.DAT"), r.after) << r.before << r.exit;
  }
}

TEST(Execute, AWorkingFileThatCannotBeWrittenStopsTheRunBeforeTheClient) {
  // A folder in the way makes the file unwritable, as a locked file or a full disk would.
  for (const char* name : {"kvtrn.ini", "FTPTEXT.DAT", "kvtrn.rpt"}) {
    Fixture f;
    std::filesystem::create_directories(f.drive.Dir() + "/" + name);
    SelectOperation(f.panel, 11);  // the real source download methods
    f.Fill();
    f.panel.SetText(Ctl::ライブラリー名, "L");
    f.panel.SetText(Ctl::ファイル名, "F");
    f.panel.SetText(Ctl::メンバー名, "M");
    f.panel.SetText(Ctl::pcファイル名, "C:\\M.txt");
    f.drive.SetReply("123456789012345678901234567890OK    ");
    f.panel.ClearEvents();
    Pipeline pl;
    RunContext ctx{f.panel};
    pl.Execute(ctx);
    EXPECT_EQ(f.panel.Events(),
              (std::vector<PanelEvent>{Box(std::string("作業ファイル「c:\\KV-TRANSIT\\") + name +
                                               "」に書き込めません。ディスクの空きと書き込み禁止を確認して下さい。",
                                           "ＫＶ－ＴＲＡＮＳＩＴ")}))
        << name;
    EXPECT_FALSE(std::filesystem::exists(f.drive.Root() + "/script-seen.txt")) << "the client ran for " << name;
    EXPECT_FALSE(std::filesystem::exists(f.drive.Dir() + "/kv3EV")) << name;
    EXPECT_FALSE(std::filesystem::exists(f.drive.Dir() + "/DFT.dat")) << name;
    EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "") << name;
    EXPECT_EQ(f.panel.Text(Ctl::実行), "OK") << name;
  }
}

TEST(Execute, ProgressShowsInLabel99WhileAReportingClientRunsAndIsClearedBeforeTheReply) {
  for (bool reporting : {true, false}) {
    Fixture f;
    SelectOperation(f.panel, 12);
    f.Fill();
    if (reporting) f.drive.SetReport("start\t1\tget\t0\t\tL/F.M\tC:\\M.txt\r\nprogress\t1\tget\t1048576\t4194304\r\n");
    ::setenv("FAKE_FTP_SLEEP_MS", "900", 1);
    std::vector<std::string> seen, progress;
    f.panel.onProcessEvents = [&] {
      if (seen.empty() || seen.back() != f.panel.Text(Ctl::LABEL99)) seen.push_back(f.panel.Text(Ctl::LABEL99));
    };
    Pipeline pl(RunAndWait, [](int) { return &kPassing; });
    pl.OnProgress([&](const std::string& text) { progress.push_back(text); });
    RunContext ctx{f.panel};
    pl.Execute(ctx);
    ::unsetenv("FAKE_FTP_SLEEP_MS");
    EXPECT_EQ(f.panel.Text(Ctl::LABEL99), "done");
    EXPECT_EQ(f.panel.Events().size(), 1u);  // the pick's focus only
    if (!reporting) {
      EXPECT_EQ(seen, std::vector<std::string>{""});
      EXPECT_TRUE(progress.empty());
      continue;
    }
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0], "");  // nothing for the first half second
    EXPECT_EQ(seen[1].rfind("転送中 1.0 MB / 4.0 MB (25%) ", 0), 0u) << seen[1];
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.back(), "");  // the progress line goes when the client has ended
  }
}

TEST(Dispatch, EveryOperationHasOneRowWithAllThreeMethods) {
  std::vector<int> codes;
  for (const Operation& op : AllOperations()) {
    const Dispatch* d = FindDispatch(op.code);
    ASSERT_NE(d, nullptr) << op.code;
    EXPECT_EQ(d->code, op.code);
    EXPECT_TRUE(d->check && d->script && d->reply) << op.code;
    codes.push_back(op.code);
  }
  for (int code : {0, 10, 19, 20, 28}) EXPECT_EQ(FindDispatch(code), nullptr) << code;
  // A code that two families claimed would hide one of them.
  for (std::span<const Dispatch> rows :
       {SourceDispatchRows(), DataDispatchRows(), CsvDispatchRows(), SaveFileDispatchRows(), SpoolDispatchRows()})
    for (const Dispatch& d : rows) EXPECT_EQ(FindDispatch(d.code), &d) << d.code;
}
