// Workbooks made new, edited and saved, read back through the same code:
// values, formats, row heights, untouched sheets and records, sheet limits.
#include <gtest/gtest.h>

#include "xls/new_workbook.h"
#include "xls/workbook.h"

using namespace kv::xls;

namespace {

struct Made {
  Workbook wb;
  std::uint16_t bordered, text;
};

Made MakeTwoSheets() {
  NewWorkbook nw;
  const auto bold = nw.AddFont({"ＭＳ Ｐゴシック", 220, true});
  const auto date = nw.AddFormat("yyyy/mm/dd");
  const auto bordered = nw.AddCellFormat({bold, date, Line::Thin, Line::Thin, Line::Thin, Line::Thin});
  const auto text = nw.AddCellFormat({0, kTextFormat});
  nw.AddSheet({"一覧"});
  nw.AddSheet({"Other"});
  Made m{nw.Build(), bordered, text};
  m.wb.SetText(0, 0, 2, "QGPL");
  m.wb.SetBlank(0, 2, 0, bordered);
  m.wb.SetBlank(0, 2, 1, bordered);
  m.wb.SetText(0, 2, 2, "", text);
  m.wb.SetRowHeight(0, 2, 400);
  m.wb.SetText(1, 5, 5, "kept");
  return m;
}

// Every INDEX entry leads to a DBCELL, whose offsets lead back to the block's
// first ROW record and forward to each row's first cell.
void ExpectIndexLeadsToCells(const Bytes& stream, const Substream& sheet) {
  auto isCell = [](std::uint16_t t) { return t == rt::LABELSST || t == rt::NUMBER || t == rt::BLANK || t == rt::MULBLANK || t == rt::RK; };
  for (const Record& r : sheet.records) {
    if (r.type != rt::INDEX) continue;
    ASSERT_GT(r.data.size(), 16u);
    for (std::size_t at = 16; at + 4 <= r.data.size(); at += 4) {
      const std::uint32_t db = Get32(r.data.data() + at);
      ASSERT_LT(db + 8, stream.size());
      ASSERT_EQ(Get16(stream.data() + db), rt::DBCELL);
      const std::uint8_t* body = stream.data() + db + 4;
      const std::uint32_t firstRow = db - Get32(body);
      ASSERT_EQ(Get16(stream.data() + firstRow), rt::ROW);
      std::uint32_t pos = firstRow + 20;
      for (std::size_t k = 4; k < Get16(stream.data() + db + 2); k += 2) {
        pos += Get16(body + k);
        EXPECT_TRUE(isCell(Get16(stream.data() + pos))) << "DBCELL at " << db << " entry " << k;
      }
    }
  }
}

Workbook Reload(const Workbook& wb) {
  std::string error;
  auto back = Workbook::Load(wb.Save(), &error);
  EXPECT_TRUE(back) << error;
  return back ? std::move(*back) : wb;
}

}  // namespace

TEST(Workbook, NewWorkbookReadsBack) {
  Made m = MakeTwoSheets();
  m.wb.SetText(0, 3, 0, "  00123 ");
  m.wb.SetText(0, 3, 1, "ソースファイル（日本語）𠀋");
  m.wb.SetNumber(0, 3, 2, 1234567.5);
  Workbook back = Reload(m.wb);
  ASSERT_EQ(back.SheetCount(), 2u);
  EXPECT_EQ(back.SheetName(0), "一覧");
  EXPECT_EQ(back.SheetName(1), "Other");
  EXPECT_EQ(back.Cell(0, 3, 0).text, "  00123 ");
  EXPECT_EQ(back.Cell(0, 3, 1).text, "ソースファイル（日本語）𠀋");
  EXPECT_EQ(back.Cell(0, 3, 2).kind, CellContent::Kind::Number);
  EXPECT_EQ(back.Cell(0, 3, 2).number, 1234567.5);
  EXPECT_EQ(back.Cell(0, 2, 1).kind, CellContent::Kind::Blank);
  EXPECT_EQ(back.Cell(0, 2, 1).xf, m.bordered);
  EXPECT_EQ(back.Cell(0, 2, 2).xf, m.text);
  EXPECT_EQ(back.RowHeight(0, 2), 400);
  EXPECT_EQ(back.Cell(1, 5, 5).text, "kept");
  // Saving what was loaded gives the same bytes again.
  EXPECT_EQ(Reload(back).Save(), back.Save());
}

TEST(Workbook, CopyRowAndClearValuesKeepFormats) {
  Made m = MakeTwoSheets();
  m.wb.SetText(0, 2, 0, "value");
  Workbook wb = Reload(m.wb);
  ASSERT_TRUE(wb.CopyRow(0, 2, 40));
  ASSERT_TRUE(wb.CopyRow(0, 2, 41));
  ASSERT_TRUE(wb.ClearValues(0, 41, 41));
  Workbook back = Reload(wb);
  EXPECT_EQ(back.Cell(0, 40, 0).text, "value");
  EXPECT_EQ(back.Cell(0, 40, 1).xf, m.bordered);
  EXPECT_EQ(back.Cell(0, 41, 0).kind, CellContent::Kind::Blank);
  EXPECT_EQ(back.Cell(0, 41, 0).xf, m.bordered);
  EXPECT_EQ(back.Cell(0, 41, 2).xf, m.text);
  EXPECT_EQ(back.RowHeight(0, 41), 400);
  EXPECT_EQ(back.Cell(0, 2, 0).text, "value");  // the source row is unchanged
  // A value written into a formatted cell keeps the cell's format.
  back.SetText(0, 41, 1, "x");
  EXPECT_EQ(back.Cell(0, 41, 1).xf, m.bordered);
  // Copying an empty row over a filled one empties it.
  back.CopyRow(0, 100, 40);
  EXPECT_EQ(back.Cell(0, 40, 0).kind, CellContent::Kind::None);
  EXPECT_EQ(Reload(back).Cell(1, 5, 5).text, "kept");
}

TEST(Workbook, NothingPastTheSheetsLastRowOrColumn) {
  Made m = MakeTwoSheets();
  EXPECT_TRUE(m.wb.SetText(0, 65535, 255, "last"));
  EXPECT_FALSE(m.wb.SetText(0, 65536, 0, "x"));
  EXPECT_FALSE(m.wb.SetNumber(0, 0, 256, 1));
  EXPECT_FALSE(m.wb.CopyRow(0, 2, 65536));
  EXPECT_FALSE(m.wb.SetText(2, 0, 0, "no such sheet"));
  EXPECT_EQ(Reload(m.wb).RowsUsed(0), 65536u);
}

TEST(Workbook, ManyStringsAcrossContinueRecords) {
  NewWorkbook nw;
  nw.AddSheet({"S"});
  Workbook wb = nw.Build();
  std::string longText;
  for (int i = 0; i < 3000; ++i) longText += "漢a";
  for (std::uint32_t r = 0; r < 3000; ++r) wb.SetText(0, r, 0, "オブジェクト" + std::to_string(r));
  wb.SetText(0, 3000, 0, longText);
  wb.SetText(0, 3001, 0, std::string(20000, 'z'));
  Workbook back = Reload(wb);
  for (std::uint32_t r = 0; r < 3000; r += 7) ASSERT_EQ(back.Cell(0, r, 0).text, "オブジェクト" + std::to_string(r));
  EXPECT_EQ(back.Cell(0, 3000, 0).text, longText);
  EXPECT_EQ(back.Cell(0, 3001, 0).text, std::string(20000, 'z'));
}

TEST(Workbook, UntouchedSheetsAreWrittenBackRecordForRecord) {
  Made m = MakeTwoSheets();
  for (std::uint32_t r = 0; r < 100; ++r) m.wb.SetNumber(1, r, r % 4, r);
  std::string error;
  const Bytes before = m.wb.Save();
  auto wb = Workbook::Load(before, &error);
  ASSERT_TRUE(wb) << error;
  for (std::uint32_t r = 0; r < 50; ++r) wb->SetText(0, 10 + r, 0, "新しい文字列 " + std::to_string(r));  // the globals grow
  const Bytes after = wb->Save();

  auto sheets = [](const Bytes& file) {
    auto root = ReadCompoundFile(file, nullptr);
    return SplitSubstreams(root->Find(u"Workbook")->data, nullptr).value();
  };
  const auto a = sheets(before), b = sheets(after);
  ASSERT_EQ(a.size(), 3u);
  ASSERT_EQ(b.size(), 3u);
  EXPECT_GT(b[2].offset, a[2].offset);
  ASSERT_EQ(a[2].records.size(), b[2].records.size());
  for (std::size_t i = 0; i < a[2].records.size(); ++i) {
    const Record& x = a[2].records[i];
    const Record& y = b[2].records[i];
    EXPECT_EQ(x.type, y.type);
    if (x.type != rt::INDEX) {
      EXPECT_EQ(x.data, y.data) << i;
      continue;
    }
    // The INDEX points at the same records in their new places.
    const auto file = ReadCompoundFile(after, nullptr);
    ASSERT_TRUE(file);
    const Bytes& stream = file->Find(u"Workbook")->data;
    for (std::size_t at = 16; at + 4 <= y.data.size(); at += 4) {
      const std::uint32_t pos = Get32(y.data.data() + at);
      ASSERT_LT(pos + 2, stream.size());
      EXPECT_EQ(Get16(stream.data() + pos), rt::DBCELL);
    }
  }
  ExpectIndexLeadsToCells(ReadCompoundFile(after, nullptr)->Find(u"Workbook")->data, b[1]);
  Workbook back = Reload(*wb);
  EXPECT_EQ(back.Cell(1, 99, 3).number, 99);
  EXPECT_EQ(back.Cell(0, 59, 0).text, "新しい文字列 49");
}
