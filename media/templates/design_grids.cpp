// Screen and print design sheets: a character grid with rulers (column
// numbers above, line numbers at the left), every tenth column and line
// marked, under the header block, and a table to describe the fields.
#include <string>

#include "media/templates/form.h"
#include "media/templates/templates.h"

namespace kv::templates {
namespace {

using namespace kv::xls;

struct GridLayout {
  std::string title, sheetName;
  std::uint32_t columns, lines;
  std::uint16_t paper;       // 9 A4, 8 A3
  double cellWidth;          // characters
  std::uint16_t rowHeight;   // twips
  std::uint32_t fieldLines;  // rows of the field table under the grid (0: none)
};

Workbook MakeGrid(const GridLayout& grid) {
  Form f;
  const auto small = f.book.AddFont({"ＭＳ ゴシック", 140});
  const auto gridFont = f.book.AddFont({"ＭＳ ゴシック", 160});
  const auto ruler = f.book.AddCellFormat({small, kTextFormat, Line::Hair, Line::Hair, Line::Thin, Line::Thin,
                                           HAlign::Centre, VAlign::Centre, false, true, kRulerFill});
  // Grid cells: hair lines, thin on every tenth column and line.
  std::uint16_t cell[2][2];
  for (int tenthCol = 0; tenthCol < 2; ++tenthCol)
    for (int tenthLine = 0; tenthLine < 2; ++tenthLine)
      cell[tenthCol][tenthLine] = f.book.AddCellFormat({gridFont, kTextFormat, Line::Hair,
                                                        tenthCol ? Line::Thin : Line::Hair, Line::Hair,
                                                        tenthLine ? Line::Thin : Line::Hair, HAlign::Centre});

  SheetLayout l;
  l.name = grid.sheetName;
  l.columns = {{0, 0, Chars(3.2)}, {1, static_cast<std::uint16_t>(grid.columns), Chars(grid.cellWidth)}};
  l.defaultRowHeight = grid.rowHeight;
  l.page.landscape = true;
  l.page.paper = grid.paper;
  l.page.fitWide = 1;
  l.page.fitTall = 1;
  l.page.left = l.page.right = l.page.top = l.page.bottom = 0.3;
  l.page.centred = true;
  l.showGrid = false;
  const GridSheet g{f.book.AddSheet(l), grid.columns + 1};
  Workbook wb = f.book.Build();

  std::uint32_t row = HeaderBlock(f, wb, g, grid.title);
  // Rulers: tens above units; the corner cell names the axes.
  wb.SetText(g.sheet, row, 0, "桁", ruler);
  wb.SetText(g.sheet, row + 1, 0, "行", ruler);
  for (std::uint32_t c = 1; c <= grid.columns; ++c) {
    if (c % 10 == 0)
      wb.SetText(g.sheet, row, c, std::to_string(c / 10), ruler);
    else
      wb.SetBlank(g.sheet, row, c, ruler);
    wb.SetText(g.sheet, row + 1, c, std::to_string(c % 10), ruler);
  }
  row += 2;
  for (std::uint32_t line = 1; line <= grid.lines; ++line, ++row) {
    wb.SetNumber(g.sheet, row, 0, line, ruler);
    for (std::uint32_t c = 1; c <= grid.columns; ++c) wb.SetBlank(g.sheet, row, c, cell[c % 10 == 0][line % 10 == 0]);
  }
  if (grid.fieldLines) {
    // The fields of the layout, each at its line and column.
    const std::uint32_t w = g.columns;
    Table(f, wb, g, row + 1,
          {{"No.", 3}, {"項目名", w * 20 / 100}, {"行", 3}, {"桁", 3}, {"長さ", 3}, {"属性", w * 10 / 100},
           {"編集・説明", w - 15 - w * 20 / 100 - w * 10 / 100}},
          grid.fieldLines, true);
  }
  wb.SelectCell(g.sheet, 0, 0);
  return wb;
}

Workbook Screen(std::uint32_t columns, std::uint32_t lines) {
  const std::string size = std::to_string(lines) + "×" + std::to_string(columns);
  return MakeGrid({"画面設計書（" + size + "）", "画面" + size, columns, lines, 9, 2.4, 300, 20});
}

Workbook Print(std::uint32_t columns, std::uint32_t lines) {
  const std::string size = std::to_string(columns) + "桁×" + std::to_string(lines) + "行";
  return MakeGrid({"印刷設計書（" + size + "）", "帳票" + size, columns, lines, static_cast<std::uint16_t>(columns > 158 ? 8 : 9), 1.6, 210, 0});
}

}  // namespace

Workbook MakeScreenDesign80() { return Screen(80, 24); }
Workbook MakeScreenDesign132() { return Screen(132, 27); }
Workbook MakePrintDesign230x84() { return Print(230, 84); }
Workbook MakePrintDesign230x66() { return Print(230, 66); }
Workbook MakePrintDesign198x84() { return Print(198, 84); }
Workbook MakePrintDesign198x66() { return Print(198, 66); }
Workbook MakePrintDesign158x84() { return Print(158, 84); }
Workbook MakePrintDesign158x66() { return Print(158, 66); }
Workbook MakePrintDesign132x84() { return Print(132, 84); }
Workbook MakePrintDesign132x66() { return Print(132, 66); }

}  // namespace kv::templates
