// Start-up, INIT and the operation menu handlers, on the memory panel.
#include <gtest/gtest.h>

#include "client/window/operations.h"
#include "client/window/main_panel.h"
#include "client/panel/memory_panel.h"
#include "tests/unit/client/client_fixture.h"

using namespace kv;
using kvtest::ClientDrive;

namespace {

HostInfo FixedHost() { return {"10.0.0.5", "pc01"}; }

std::vector<Ctl> VisibleOperationInputs(const MemoryPanel& p) {
  std::vector<Ctl> shown;
  for (Ctl c : {Ctl::ファイル名, Ctl::ライブラリー名, Ctl::メンバー名, Ctl::タイプ, Ctl::コンパイル,
                Ctl::オブジェクトライブラリー, Ctl::漢字, Ctl::リリース, Ctl::復元先, Ctl::ジョブ名,
                Ctl::スプールユーザー, Ctl::番号, Ctl::スプール番号, Ctl::リスト要})
    if (p.Visible(c)) shown.push_back(c);
  return shown;
}

}  // namespace

TEST(ControlTable, RowsAreInEnumOrderWithUniqueNames) {
  int i = 0;
  for (const auto& s : AllControls()) {
    EXPECT_EQ(static_cast<int>(s.ctl), i++) << s.name;
    EXPECT_EQ(ControlByName(s.name), s.ctl);
  }
  EXPECT_EQ(ControlInfo(Ctl::番号).maxLength, 6);
  EXPECT_EQ(ControlInfo(Ctl::IPアドレス).maxLength, 15);
  EXPECT_EQ(ControlInfo(Ctl::pcファイル名).maxLength, 0);
}

TEST(StartUp, WithoutConnectionFileTheDesignTextsDoNotSurvive) {
  ClientDrive drive;
  MemoryPanel p;
  EXPECT_EQ(p.Text(Ctl::ユーザー), "QSECOFR");
  StartUp(p, FixedHost);
  EXPECT_EQ(p.Text(Ctl::IPアドレス), "");
  EXPECT_EQ(p.Text(Ctl::ユーザー), "");
  EXPECT_EQ(p.Text(Ctl::パスワード), "");
  EXPECT_EQ(p.Text(Ctl::IPADR), "10.0.0.5");
  EXPECT_EQ(p.Text(Ctl::WRKS), "pc01");
  EXPECT_EQ(p.Text(Ctl::MENUNO), "0");
  EXPECT_FALSE(p.Visible(Ctl::Frame2));
  EXPECT_FALSE(p.Visible(Ctl::MENUNO));
  EXPECT_TRUE(VisibleOperationInputs(p).empty());
  EXPECT_TRUE(p.Visible(Ctl::X));
  EXPECT_TRUE(p.Visible(Ctl::実行));
}

TEST(StartUp, ConnectionFileByPositionWithWidthsAndShortFiles) {
  ClientDrive drive;
  drive.PutFile("kv3EV", ClientDrive::Cp932Lines({"192.168.100.200XYZ", "USERNAME123", "PASS"}));
  MemoryPanel p;
  StartUp(p, FixedHost);
  EXPECT_EQ(p.Text(Ctl::IPアドレス), "192.168.100.200");
  EXPECT_EQ(p.Text(Ctl::ユーザー), "USERNAME12");
  EXPECT_EQ(p.Text(Ctl::パスワード), "PASS");

  // One line only: the buffer keeps it for the lines that cannot be read.
  drive.PutFile("kv3EV", ClientDrive::Cp932Lines({"HOSTA"}));
  MemoryPanel q;
  StartUp(q, FixedHost);
  EXPECT_EQ(q.Text(Ctl::IPアドレス), "HOSTA");
  EXPECT_EQ(q.Text(Ctl::ユーザー), "HOSTA");
  EXPECT_EQ(q.Text(Ctl::パスワード), "HOSTA");
}

TEST(OperationSelection, TitlesColoursChoosersAndCode) {
  ClientDrive drive;
  MemoryPanel p;
  StartUp(p, FixedHost);
  for (const auto& op : AllOperations()) {
    ASSERT_TRUE(SelectOperation(p, op.code));
    EXPECT_EQ(p.Text(Ctl::処理), op.title);
    EXPECT_EQ(p.Text(Ctl::MENUNO), std::to_string(op.code));
    EXPECT_EQ(p.BackColor(Ctl::処理), op.code >= 21 ? 0x000000C0u : 0x80000001u) << op.code;
    EXPECT_EQ(p.Visible(Ctl::参照), op.code >= 21);
    EXPECT_EQ(p.Visible(Ctl::保存先), op.code < 21);
    EXPECT_TRUE(p.Visible(Ctl::Frame2));
    EXPECT_EQ(p.Text(Ctl::Frame2), op.frame2Caption);
    EXPECT_EQ(p.Text(Ctl::LABEL1), op.label1Caption);
    EXPECT_EQ(p.Text(Ctl::LABEL99), "");
    ASSERT_NE(p.Focused(), nullptr);
    EXPECT_EQ(*p.Focused(), (op.code == 15 || op.code == 24) ? Ctl::ライブラリー名 : Ctl::ファイル名);
  }
  EXPECT_FALSE(SelectOperation(p, 19));
}

TEST(OperationSelection, WhichInputsShowAndWhere) {
  ClientDrive drive;
  MemoryPanel p;
  StartUp(p, FixedHost);
  using V = std::vector<Ctl>;
  struct Row { int code; V inputs; };
  const Row rows[] = {
      {11, {Ctl::ファイル名, Ctl::ライブラリー名, Ctl::メンバー名}},
      {12, {Ctl::ファイル名, Ctl::ライブラリー名, Ctl::メンバー名, Ctl::漢字}},
      {14, {Ctl::ファイル名, Ctl::ライブラリー名, Ctl::メンバー名, Ctl::漢字}},
      {15, {Ctl::ライブラリー名, Ctl::リリース, Ctl::リスト要}},
      {16, {Ctl::ファイル名, Ctl::ライブラリー名, Ctl::タイプ, Ctl::リリース, Ctl::リスト要}},
      {17, {Ctl::ファイル名, Ctl::ジョブ名, Ctl::スプールユーザー, Ctl::番号, Ctl::スプール番号}},
      {21, {Ctl::ファイル名, Ctl::ライブラリー名, Ctl::メンバー名, Ctl::タイプ, Ctl::コンパイル, Ctl::オブジェクトライブラリー}},
      {24, {Ctl::ライブラリー名, Ctl::復元先}},
      {25, {Ctl::ファイル名, Ctl::ライブラリー名, Ctl::復元先}},
      {26, {Ctl::ファイル名, Ctl::ライブラリー名}},
  };
  for (const auto& r : rows) {
    SelectOperation(p, r.code);
    EXPECT_EQ(VisibleOperationInputs(p), r.inputs) << r.code;
  }
  SelectOperation(p, 15);
  EXPECT_EQ(p.Position(Ctl::ライブラリー名), (Twips{2160, 450}));
  EXPECT_EQ(p.Position(Ctl::リリース), (Twips{2160, 1150}));
  EXPECT_EQ(p.Position(Ctl::Label7), (Twips{360, 1200}));
  EXPECT_EQ(p.Text(Ctl::LABEL1), "ライブラリー名");
  SelectOperation(p, 11);
  EXPECT_EQ(p.Position(Ctl::ライブラリー名), (Twips{2520, 820}));
  EXPECT_EQ(p.Position(Ctl::リリース), (Twips{6240, 1150}));
  EXPECT_EQ(p.Position(Ctl::Label7), (Twips{4440, 1200}));
  SelectOperation(p, 17);
  EXPECT_EQ(p.Position(Ctl::番号), (Twips{2520, 1560}));
  EXPECT_EQ(p.Position(Ctl::Label12), (Twips{360, 1920}));
}

TEST(OperationSelection, CaptionsAndTypeLists) {
  ClientDrive drive;
  MemoryPanel p;
  StartUp(p, FixedHost);
  SelectOperation(p, 14);
  EXPECT_EQ(p.Text(Ctl::LABEL6), "項目名(要)");
  SelectOperation(p, 12);
  EXPECT_EQ(p.Text(Ctl::LABEL6), "漢字有り");
  SelectOperation(p, 21);
  EXPECT_EQ(p.Text(Ctl::LABEL4), "ソース・タイプ");
  EXPECT_EQ(p.ListItems(Ctl::タイプ), (std::vector<std::string>{"RPG", "CLP", "PF", "LF", "DSPF", "RPGLE"}));
  SelectOperation(p, 16);
  EXPECT_EQ(p.Text(Ctl::LABEL4), "オブジェクト・タイプ");
  // Emptied before it is filled: no item twice.
  SelectOperation(p, 16);
  EXPECT_EQ(p.ListItems(Ctl::タイプ),
            (std::vector<std::string>{"*FILE", "*PGM", "*MSGF", "*CMD", "*MSGQ", "*PNLGRP", "*ALL"}));
  EXPECT_EQ(p.Text(Ctl::タイプ), "");
}

TEST(OperationSelection, PickingAgainDiscardsTypedValuesAndLabel99) {
  ClientDrive drive;
  drive.PutFile("DFT.DAT", ClientDrive::Cp932Lines({"SYSTEM:h", "USER:u", "PWRD:p", "SLIB:MYLIB", "SFIL:QRPGSRC",
                                                    "SMBR:PGM01", "OLIB:OBJLIB"}));
  MemoryPanel p;
  StartUp(p, FixedHost);
  SelectOperation(p, 11);
  EXPECT_EQ(p.Text(Ctl::ライブラリー名), "MYLIB");
  p.SetText(Ctl::ライブラリー名, "TYPED");
  p.SetText(Ctl::LABEL99, "result");
  SelectOperation(p, 11);
  EXPECT_EQ(p.Text(Ctl::ライブラリー名), "MYLIB");
  EXPECT_EQ(p.Text(Ctl::LABEL99), "");
  // The connection inputs never come from these files.
  EXPECT_EQ(p.Text(Ctl::IPアドレス), "");
}
