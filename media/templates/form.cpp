#include "media/templates/form.h"

#include <cmath>

namespace kv::templates {

using namespace kv::xls;

std::uint16_t Chars(double width) { return static_cast<std::uint16_t>(std::lround(width * 256)); }

Form::Form(const std::string& fontName, std::uint16_t twips) : book(Font{fontName, twips}) {
  bigFont = book.AddFont({fontName, static_cast<std::uint16_t>(twips * 8 / 5), true});
  boldFont = book.AddFont({fontName, twips, true});
  const auto thin = Line::Thin;
  title = book.AddCellFormat({bigFont, kGeneral, thin, thin, thin, thin, HAlign::Centre});
  label = book.AddCellFormat({boldFont, kGeneral, thin, thin, thin, thin, HAlign::Centre, VAlign::Centre, false, true, kLabelFill});
  field = book.AddCellFormat({0, kTextFormat, thin, thin, thin, thin, HAlign::Left});
  heading = book.AddCellFormat({boldFont, kGeneral, thin, thin, thin, thin, HAlign::Centre, VAlign::Centre, true, false, kHeadingFill});
  line = book.AddCellFormat({0, kTextFormat, thin, thin, Line::Hair, Line::Hair, HAlign::Left});
  number = book.AddCellFormat({0, kGeneral, thin, thin, Line::Hair, Line::Hair, HAlign::Right});
  memo = book.AddCellFormat({0, kTextFormat, thin, thin, thin, thin, HAlign::Left, VAlign::Top, true});
}

GridSheet AddGridSheet(Form& f, const std::string& name, std::uint32_t columns, bool landscape) {
  SheetLayout l;
  l.name = name;
  l.columns = {{0, static_cast<std::uint16_t>(columns - 1), Chars(2.6)}};
  l.page.landscape = landscape;
  l.page.fitWide = 1;
  l.page.left = l.page.right = 0.4;
  l.page.top = l.page.bottom = 0.6;
  l.page.footer = "&P / &N";
  l.page.centred = true;
  l.showGrid = false;
  return {f.book.AddSheet(l), columns};
}

void Box(Workbook& wb, std::size_t sheet, std::uint32_t row, std::uint32_t col, std::uint32_t span, std::uint16_t xf,
         const std::string& text, std::uint32_t rows) {
  for (std::uint32_t r = row; r < row + rows; ++r)
    for (std::uint32_t c = col; c < col + span; ++c) wb.SetBlank(sheet, r, c, xf);
  if (!text.empty()) wb.SetText(sheet, row, col, text, xf);
  if (span > 1 || rows > 1) wb.Merge(sheet, row, row + rows - 1, col, col + span - 1);
}

std::uint32_t HeaderBlock(Form& f, Workbook& wb, const GridSheet& g, const std::string& title) {
  const std::uint32_t s = g.columns;
  // Title | caption, field | caption, field — in proportions of the width.
  const std::uint32_t l1 = s * 14 / 36, f1 = s * 19 / 36, l2 = s * 28 / 36, f2 = s * 31 / 36;
  Box(wb, g.sheet, 0, 0, l1, f.title, title, 2);
  const char* left[3] = {"システム名", "サブシステム名", "名称"};
  const char* right[3] = {"作成者", "作成日", "更新日"};
  for (std::uint32_t r = 0; r < 3; ++r) {
    Box(wb, g.sheet, r, l1, f1 - l1, f.label, left[r]);
    Box(wb, g.sheet, r, f1, l2 - f1, f.field);
    Box(wb, g.sheet, r, l2, f2 - l2, f.label, right[r]);
    Box(wb, g.sheet, r, f2, s - f2, f.field);
  }
  Box(wb, g.sheet, 2, 0, 3, f.label, "ＩＤ");
  Box(wb, g.sheet, 2, 3, l1 - 3 - 5, f.field);
  Box(wb, g.sheet, 2, l1 - 5, 2, f.label, "頁");
  Box(wb, g.sheet, 2, l1 - 3, 3, f.field);
  wb.SetRowHeight(g.sheet, 0, 330);
  wb.SetRowHeight(g.sheet, 1, 330);
  return 4;
}

std::uint32_t FieldRow(Form& f, Workbook& wb, const GridSheet& g, std::uint32_t row, const std::vector<LabelledField>& fields) {
  std::uint32_t col = 0;
  for (const auto& lf : fields) {
    Box(wb, g.sheet, row, col, lf.labelSpan, f.label, lf.label);
    col += lf.labelSpan;
    Box(wb, g.sheet, row, col, lf.fieldSpan, f.field);
    col += lf.fieldSpan;
  }
  return row + 1;
}

std::uint32_t Table(Form& f, Workbook& wb, const GridSheet& g, std::uint32_t row, const std::vector<Column>& columns,
                    std::uint32_t lines, bool numbered) {
  std::uint32_t col = 0;
  for (const auto& c : columns) {
    Box(wb, g.sheet, row, col, c.span, f.heading, c.heading);
    col += c.span;
  }
  wb.SetRowHeight(g.sheet, row, 480);
  for (std::uint32_t k = 1; k <= lines; ++k) {
    col = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const bool counter = numbered && i == 0;
      Box(wb, g.sheet, row + k, col, columns[i].span, counter ? f.number : f.line);
      if (counter) wb.SetNumber(g.sheet, row + k, col, k, f.number);
      col += columns[i].span;
    }
  }
  return row + lines + 1;
}

std::uint32_t MemoArea(Form& f, Workbook& wb, const GridSheet& g, std::uint32_t row, const std::string& caption,
                       std::uint32_t lines) {
  Box(wb, g.sheet, row, 0, g.columns, f.label, caption);
  Box(wb, g.sheet, row + 1, 0, g.columns, f.memo, "", lines);
  return row + lines + 1;
}

}  // namespace kv::templates
