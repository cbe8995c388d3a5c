// The listing workbook builder against a recording spreadsheet: the member
// calls in order (end row rule, command cell, listing shapes, missing files),
// the workbook path, and what each listing value becomes.
#include <gtest/gtest.h>

#include <algorithm>

#include "client/engine/listing_workbook.h"
#include "client/window/main_panel.h"
#include "client/panel/memory_panel.h"
#include "common/cp932.h"
#include "tests/unit/common/test_support.h"

using namespace kv;

namespace {

std::string Show(const CellValue& v) {
  if (const double* d = std::get_if<double>(&v)) {
    char b[32];
    std::snprintf(b, sizeof b, "#%g", *d);
    return b;
  }
  return "'" + std::get<std::string>(v) + "'";
}

class Recorder : public Spreadsheet {
 public:
  explicit Recorder(std::vector<std::string>& calls) : calls_(calls) {}
  ~Recorder() override { calls_.push_back("release"); }
  bool WorkbooksOpen(const std::string& p) override { return Log("open " + p); }
  bool WindowsArrange(int s) override { return Log("arrange " + std::to_string(s)); }
  bool SetCellValue(int r, int c, const CellValue& v) override {
    return Log("cell " + std::to_string(r) + "," + std::to_string(c) + " " + Show(v));
  }
  bool RowsCopy(const std::string& rows) override { return Log("copy " + rows); }
  bool RowsSelect(const std::string& rows) override { return Log("select " + rows); }
  bool SetRowsValue(const std::string& rows, const CellValue& v) override { return Log("rows " + rows + " " + Show(v)); }
  bool Paste() override { return Log("paste"); }
  bool CellSelect(int r, int c) override { return Log("cellselect " + std::to_string(r) + "," + std::to_string(c)); }
  bool SetVisible(bool v) override { return Log(v ? "visible" : "hidden"); }

 private:
  bool Log(std::string s) {
    calls_.push_back(std::move(s));
    return true;
  }
  std::vector<std::string>& calls_;
};

constexpr LocalTime kNow{2010, 1, 12, 9, 5, 7};

struct Builder {
  kvtest::TempDrive drive;
  MemoryPanel panel;
  std::vector<std::string> calls;

  explicit Builder(int code = 15) {
    StartUp(panel, [] { return HostInfo{"10.0.0.5", "pc01"}; });
    SelectOperation(panel, code);
    panel.SetText(Ctl::ライブラリー名, "QGPL");
    panel.SetText(Ctl::ファイル名, "OBJA");
    panel.SetText(Ctl::タイプ, "*PGM");
    panel.SetText(Ctl::リリース, "*CURRENT");
    panel.SetText(Ctl::pcファイル名, "C:\\Save\\QGPL.SAVF");
    std::filesystem::create_directories(drive.DriveC() + "/save");
    PutTemplate();
  }
  void PutTemplate() { kvtest::TempDrive::WriteBytes(drive.DriveC() + "/KV-TRANSIT/FTPLIB.xls", "template"); }
  void PutListing(std::size_t lines) {
    std::string text;
    for (std::size_t i = 0; i < lines; ++i) text += "v" + std::to_string(i) + "\r\n";
    kvtest::TempDrive::WriteBytes(drive.DriveC() + "/KV-TRANSIT/FTPLIBPC", text);
  }
  void Build() {
    BuildListingWorkbook(panel, [this] { return std::make_unique<Recorder>(calls); }, kNow);
  }
  std::size_t Count(const std::string& call) const { return std::count(calls.begin(), calls.end(), call); }
};

}  // namespace

TEST(ListingWorkbook, OneObjectCallsInOrder) {
  Builder b;
  b.PutListing(12);
  b.Build();
  std::vector<std::string> expected = {
      "open c:\\save\\QGPL-01-12-2010.xls", "arrange 1", "cell 1,3 'QGPL'", "cell 1,6 '01-12-2010'",
      "cell 1,7 '09:05:07'", "cell 1,8 'SAVLIB LIB(QGPL) TGTRLS(*CURRENT)'", "copy 3"};
  for (int c = 1; c <= 12; ++c) expected.push_back("cell 3," + std::to_string(c) + " 'v" + std::to_string(c - 1) + "'");
  // Columns 9 to 11 hold counts: "v8" is not one, so it stays text.
  expected.insert(expected.end(), {"select 4", "paste", "select 4:109", "paste", "rows 4:109 ''", "cellselect 1,1",
                                   "visible", "release"});
  EXPECT_EQ(b.calls, expected);
  EXPECT_EQ(b.panel.Text(Ctl::LABEL99), "一覧表作成中。");
  EXPECT_EQ(kvtest::TempDrive::ReadBytes(b.drive.DriveC() + "/save/QGPL-01-12-2010.xls"), "template");
}

TEST(ListingWorkbook, TrailingRowsUpToTheEndRow) {
  const struct {
    std::size_t objects;
    std::string trailing;
  } cases[] = {{0, "3:109"},     {1, "4:109"},     {106, "109:109"}, {107, "110:111"},
               {108, "111:220"}, {216, "219:220"}, {217, "220:329"}, {218, "221:329"}};
  for (const auto& c : cases) {
    Builder b;
    b.PutListing(c.objects * 12);
    b.Build();
    EXPECT_EQ(b.Count("paste"), c.objects + 1) << c.objects;
    ASSERT_GE(b.calls.size(), 6u);
    EXPECT_EQ(b.calls[b.calls.size() - 6], "select " + c.trailing) << c.objects;
    EXPECT_EQ(b.calls[b.calls.size() - 4], "rows " + c.trailing + " ''") << c.objects;
  }
}

// Keeps what matters at the sheet's end of a long listing: the last row given
// a value, the pastes and the calls after the last object.
struct SheetEndSeen {
  int lastRow = 0;
  bool beyond = false;
  std::size_t pastes = 0;
  std::vector<std::string> lastRowCells, cleared;
};

class SheetEnd : public Spreadsheet {
 public:
  explicit SheetEnd(SheetEndSeen& seen) : seen_(seen) {}
  bool WorkbooksOpen(const std::string&) override { return true; }
  bool WindowsArrange(int) override { return true; }
  bool SetCellValue(int r, int c, const CellValue& v) override {
    if (r > kListingLastRow) seen_.beyond = true;
    seen_.lastRow = std::max(seen_.lastRow, r);
    if (r == kListingLastRow) seen_.lastRowCells.push_back(std::to_string(c) + " " + Show(v));
    return true;
  }
  bool RowsCopy(const std::string&) override { return true; }
  bool RowsSelect(const std::string& rows) override {
    if (std::stoi(rows.substr(rows.find(':') + 1)) > kListingLastRow) seen_.beyond = true;
    return true;
  }
  bool SetRowsValue(const std::string& rows, const CellValue&) override {
    seen_.cleared.push_back(rows);
    return true;
  }
  bool Paste() override { return ++seen_.pastes, true; }
  bool CellSelect(int, int) override { return true; }
  bool SetVisible(bool) override { return true; }

 private:
  SheetEndSeen& seen_;
};

TEST(ListingWorkbook, AListingLongerThanTheSheetSaysHowManyObjectsAreMissing) {
  const struct {
    std::size_t objects;
    std::vector<std::string> lastRowCells;  // what row 65,536 is given
    std::string note;                       // what the run is told
  } cases[] = {
      // Rows 3 to 65,536 hold every object: no note, no trailing rows.
      {65534, {"1 'v786396'", "2 'v786397'", "3 'v786398'", "4 'v786399'", "5 'v786400'", "6 'v786401'",
               "7 'v786402'", "8 'v786403'", "9 'v786404'", "10 'v786405'", "11 'v786406'", "12 'v786407'"},
       ""},
      // One more: the last row says so instead of showing an object.
      {65535, {"1 'シートの行数の上限のため、全65,535件のうち2件のオブジェクトはこの一覧表に載っていません。'"},
       "シートの行数の上限のため、全65,535件のうち2件のオブジェクトはこの一覧表に載っていません。"},
      {70000, {"1 'シートの行数の上限のため、全70,000件のうち4,467件のオブジェクトはこの一覧表に載っていません。'"},
       "シートの行数の上限のため、全70,000件のうち4,467件のオブジェクトはこの一覧表に載っていません。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.objects);
    Builder b;
    // Numbered values: the cells of the last row show whose they are.
    std::string text;
    for (std::size_t i = 0; i < c.objects * 12; ++i) text += "v" + std::to_string(i) + "\r\n";
    kvtest::TempDrive::WriteBytes(b.drive.DriveC() + "/KV-TRANSIT/FTPLIBPC", text);
    SheetEndSeen seen;
    // As a run calls it: the note is handed on (kvxfer prints it).
    std::string note;
    RunContext ctx{b.panel};
    ListingBuilder([&] { return std::make_unique<SheetEnd>(seen); },
                   [&](const std::string& n) { note += n; })(ctx);
    EXPECT_EQ(note, c.note);
    EXPECT_FALSE(seen.beyond);
    EXPECT_EQ(seen.lastRow, kListingLastRow);
    // Every object row below the first gets the pattern (the note's row from
    // the last object's paste); there are no trailing rows to clear.
    EXPECT_EQ(seen.pastes, 65533u);
    EXPECT_TRUE(seen.cleared.empty());
    EXPECT_EQ(seen.lastRowCells, c.lastRowCells);
  }
}

TEST(ListingWorkbook, ObjectDownloadCommandCell) {
  Builder b(16);
  b.Build();
  EXPECT_EQ(b.calls[5], "cell 1,8 'SAVOBJ OBJ(OBJA) LIB(QGPL) OBJTYPE(*PGM) TGTRLS(*CURRENT)'");
}

TEST(ListingWorkbook, ListingThatEndsInsideAnObject) {
  Builder b;
  b.PutListing(14);
  b.Build();
  EXPECT_EQ(b.Count("cell 4,2 'v13'"), 1u);
  EXPECT_EQ(b.Count("cell 4,3 'v14'"), 0u);  // no value past the end: the pattern's empty cell stays
  EXPECT_EQ(b.Count("select 5:109"), 1u);
}

TEST(ListingWorkbook, MissingFiles) {
  {  // No listing: an empty one.
    Builder b;
    b.Build();
    EXPECT_EQ(b.Count("select 3:109"), 1u);
    EXPECT_EQ(b.Count("visible"), 1u);
  }
  {  // No template: nothing copied, nothing opened (an older workbook of that name stays as it was).
    Builder b;
    std::filesystem::remove(b.drive.DriveC() + "/KV-TRANSIT/FTPLIB.xls");
    kvtest::TempDrive::WriteBytes(b.drive.DriveC() + "/save/QGPL-01-12-2010.xls", "earlier");
    b.Build();
    EXPECT_EQ(b.calls.front(), "arrange 1");
    EXPECT_EQ(b.Count("visible"), 1u);
    EXPECT_EQ(kvtest::TempDrive::ReadBytes(b.drive.DriveC() + "/save/QGPL-01-12-2010.xls"), "earlier");
  }
  {  // No spreadsheet application: the copy of the template stays, unfilled.
    Builder b;
    BuildListingWorkbook(b.panel, [] { return std::unique_ptr<Spreadsheet>(); }, kNow);
    EXPECT_EQ(kvtest::TempDrive::ReadBytes(b.drive.DriveC() + "/save/QGPL-01-12-2010.xls"), "template");
  }
}

TEST(ListingWorkbook, GetPath) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Save\\QGPL.SAVF", "c:\\save\\"},
      {" C:\\Data\\Lib.SAVF ", "c:\\data\\"},
      {"C:\\Save\\QGPL", "c:\\save\\qgpl\\"},
      {"C:QGPL.SAVF", "c:"},
      {"QGPL.SAVF", "qgpl.savf"},
      {"D:\\ＡＢＣ\\x.savf", "d:\\ａｂｃ\\"},
      {"C:\\v1.2\\QGPL", "c:\\v1.2\\"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(GetPath(in), out) << in;
}

TEST(ListingWorkbook, CellValues) {
  EXPECT_EQ(ListingCell(1, "  007 "), CellValue(std::string("  007 ")));
  EXPECT_EQ(ListingCell(4, "ソース　ファイル"), CellValue(std::string("ソース　ファイル")));
  EXPECT_EQ(ListingCell(8, "4096"), CellValue(4096.0));
  EXPECT_EQ(ListingCell(9, ""), CellValue(std::string()));
  EXPECT_EQ(ListingCell(10, "12a"), CellValue(std::string("12a")));
  EXPECT_EQ(ListingCell(10, "1234567890123456"), CellValue(std::string("1234567890123456")));
  EXPECT_EQ(ListingCell(6, "2010/01/12"), CellValue(40190.0));
  EXPECT_EQ(ListingCell(6, "2024/02/29"), CellValue(45351.0));
  EXPECT_EQ(ListingCell(6, "2023/02/29"), CellValue(std::string("2023/02/29")));
  EXPECT_EQ(ListingCell(6, "2010-01-12"), CellValue(std::string("2010-01-12")));
  EXPECT_EQ(ListingCell(7, "12:00:00"), CellValue(0.5));
  EXPECT_EQ(ListingCell(7, "24:00:00"), CellValue(std::string("24:00:00")));
  EXPECT_EQ(ListingCell(11, "V7R5M0"), CellValue(std::string("V7R5M0")));
}
