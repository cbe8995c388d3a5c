// What the design-document templates share: a sheet of narrow, equal columns
// (fields and table columns are merged runs of them), the fonts and cell
// formats of a form, the header block (title, system, author, dates, page),
// labelled fields, tables and free-text areas.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "xls/new_workbook.h"

namespace kv::templates {

// Palette indexes used for fills.
inline constexpr std::uint8_t kHeadingFill = 0x2C;  // pale blue
inline constexpr std::uint8_t kLabelFill = 0x2A;    // pale green
inline constexpr std::uint8_t kRulerFill = 0x16;    // light grey

std::uint16_t Chars(double width);  // a width in characters as a sheet stores it

// A workbook being made, with the formats every form uses.
struct Form {
  xls::NewWorkbook book;
  std::uint16_t bigFont, boldFont;
  std::uint16_t title;    // large bold, centred, boxed
  std::uint16_t label;    // bold, filled, boxed, centred: a caption cell
  std::uint16_t field;    // boxed, left, text: a cell to fill in
  std::uint16_t heading;  // bold, filled, boxed, centred, wrapped: a column heading
  std::uint16_t line;     // boxed, left, text: a row of a table
  std::uint16_t number;   // boxed, right: a running number in a table
  std::uint16_t memo;     // boxed, top-left, wrapped: free text

  explicit Form(const std::string& fontName = "ＭＳ Ｐゴシック", std::uint16_t twips = 200);
};

// A sheet of `columns` equal narrow columns, printed on A4 one page wide.
struct GridSheet {
  std::size_t sheet;
  std::uint32_t columns;
};
GridSheet AddGridSheet(Form& f, const std::string& name, std::uint32_t columns, bool landscape);

// One run of merged cells with a value (or none) and a format.
void Box(xls::Workbook& wb, std::size_t sheet, std::uint32_t row, std::uint32_t col, std::uint32_t span,
         std::uint16_t xf, const std::string& text = "", std::uint32_t rows = 1);

// The header block of a design document (rows 0 to 2): title, system,
// subsystem, id and name, author, dates and page. Returns the next free row.
std::uint32_t HeaderBlock(Form& f, xls::Workbook& wb, const GridSheet& g, const std::string& title);

// A row of labels, each with a field beside it.
struct LabelledField {
  std::string label;
  std::uint32_t labelSpan, fieldSpan;
};
std::uint32_t FieldRow(Form& f, xls::Workbook& wb, const GridSheet& g, std::uint32_t row,
                       const std::vector<LabelledField>& fields);

// A table column: heading and width in grid columns.
struct Column {
  std::string heading;
  std::uint32_t span;
};
// Headings on `row`, then `lines` empty rows; the first column numbers the
// rows when `numbered`. Returns the next free row.
std::uint32_t Table(Form& f, xls::Workbook& wb, const GridSheet& g, std::uint32_t row,
                    const std::vector<Column>& columns, std::uint32_t lines, bool numbered);

// A captioned free-text area of `lines` rows over the whole width.
std::uint32_t MemoArea(Form& f, xls::Workbook& wb, const GridSheet& g, std::uint32_t row, const std::string& caption,
                       std::uint32_t lines);

}  // namespace kv::templates
