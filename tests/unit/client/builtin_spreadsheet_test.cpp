// The built-in spreadsheet on a real workbook file: pattern copies that later
// edits of the source row do not change, the sheet's last row, saving at
// "visible" and only then showing.
#include <gtest/gtest.h>

#include "client/engine/builtin_spreadsheet.h"
#include "common/winpath.h"
#include "tests/unit/common/test_support.h"
#include "xls/new_workbook.h"

using namespace kv;

namespace {

struct Sheet {
  kvtest::TempDrive drive;
  std::string path = "C:\\book.xls";
  std::vector<std::string> shown;
  std::uint16_t boxed = 0;
  BuiltinSpreadsheet app{[this](const std::string& p) { shown.push_back(p); }};

  Sheet() {
    xls::NewWorkbook nw;
    boxed = nw.AddCellFormat({0, xls::kTextFormat, xls::Line::Thin, xls::Line::Thin, xls::Line::Thin, xls::Line::Thin});
    nw.AddSheet({"S"});
    xls::Workbook wb = nw.Build();
    for (std::uint32_t c = 0; c < 3; ++c) wb.SetBlank(0, 2, c, boxed);
    EXPECT_TRUE(wb.SaveFile(MapPath(path)));
  }
  xls::Workbook Saved() {
    std::string error;
    auto wb = xls::Workbook::LoadFile(MapPath(path), &error);
    EXPECT_TRUE(wb) << error;
    return std::move(*wb);
  }
};

}  // namespace

TEST(BuiltinSpreadsheet, PatternPastedAsCopiedAndSavedAtVisible) {
  Sheet s;
  ASSERT_TRUE(s.app.WorkbooksOpen(s.path));
  EXPECT_TRUE(s.app.RowsCopy("3"));
  EXPECT_TRUE(s.app.SetCellValue(3, 1, std::string("first")));
  EXPECT_TRUE(s.app.SetCellValue(3, 2, 42.0));
  EXPECT_TRUE(s.app.RowsSelect("4"));
  EXPECT_TRUE(s.app.Paste());
  EXPECT_TRUE(s.app.RowsSelect("5:7"));
  EXPECT_TRUE(s.app.Paste());
  EXPECT_TRUE(s.app.SetCellValue(3, 3, std::string()));  // an empty text leaves the cell empty
  EXPECT_TRUE(s.shown.empty());
  EXPECT_TRUE(s.app.SetVisible(true));
  ASSERT_EQ(s.shown, std::vector<std::string>{MapPath(s.path)});

  xls::Workbook wb = s.Saved();
  EXPECT_EQ(wb.Cell(0, 2, 0).text, "first");
  EXPECT_EQ(wb.Cell(0, 2, 1).number, 42.0);
  EXPECT_EQ(wb.Cell(0, 2, 2).kind, xls::CellContent::Kind::Blank);
  for (std::uint32_t r = 3; r < 7; ++r) {
    // The pattern as it was copied, not row 3 as it is now.
    EXPECT_EQ(wb.Cell(0, r, 0).kind, xls::CellContent::Kind::Blank) << r;
    EXPECT_EQ(wb.Cell(0, r, 0).xf, s.boxed) << r;
  }
  EXPECT_EQ(wb.RowsUsed(0), 7u);
}

TEST(BuiltinSpreadsheet, NothingPastTheLastRow) {
  Sheet s;
  ASSERT_TRUE(s.app.WorkbooksOpen(s.path));
  s.app.RowsCopy("3");
  EXPECT_TRUE(s.app.SetCellValue(65536, 1, std::string("last")));
  EXPECT_FALSE(s.app.SetCellValue(65537, 1, std::string("beyond")));
  EXPECT_TRUE(s.app.RowsSelect("65536"));
  EXPECT_FALSE(s.app.RowsSelect("65537"));
  EXPECT_FALSE(s.app.Paste());  // the failed selection does not fall back on the one before
  EXPECT_TRUE(s.app.RowsSelect("65530:65600"));
  EXPECT_TRUE(s.app.Paste());
  EXPECT_FALSE(s.app.RowsSelect("bad"));
  EXPECT_TRUE(s.app.SetVisible(true));
  xls::Workbook wb = s.Saved();
  EXPECT_EQ(wb.Cell(0, 65535, 0).kind, xls::CellContent::Kind::Blank);  // the trailing paste reached the last row
  EXPECT_EQ(wb.Cell(0, 65529, 1).xf, s.boxed);
  EXPECT_EQ(wb.RowsUsed(0), 65536u);
}

TEST(BuiltinSpreadsheet, NoWorkbookNoFile) {
  Sheet s;
  EXPECT_FALSE(s.app.WorkbooksOpen("C:\\missing.xls"));
  EXPECT_FALSE(s.app.SetCellValue(1, 1, std::string("x")));
  EXPECT_FALSE(s.app.SetVisible(true));
  EXPECT_TRUE(s.shown.empty());
}
