// Workbook files as the listing builder opens them: a template is read, filled
// the way a listing is written (texts and a number in the first row, a row
// copied down, rows emptied, a cell selected), saved and read back. A file that
// is refused names its fault; a file that opens saves to one that opens again
// with the edits in it.
#include <algorithm>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_support.h"
#include "xls/workbook.h"

namespace {

using kv::xls::CellContent;
using kv::xls::Workbook;

// Everything a reader can ask of a sheet near its top.
void ReadTop(const Workbook& wb, std::size_t sheet) {
  (void)wb.SheetName(sheet);
  (void)wb.RowHeight(sheet, 2);
  const std::uint32_t rows = std::min<std::uint32_t>(wb.RowsUsed(sheet), 8);
  for (std::uint32_t r = 0; r < rows; ++r)
    for (std::uint32_t c = 0; c < 10; ++c) (void)wb.Cell(sheet, r, c);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 256 * 1024) return -1;
  std::string error;
  auto wb = Workbook::Load({data, size}, &error);
  if (!wb) {
    if (error.empty()) kv::fuzz::Fail("a workbook refused without a reason");
    return 0;
  }
  for (std::size_t k = 0; k < wb->SheetCount() && k < 4; ++k) ReadTop(*wb, k);

  const std::string text = "FUZZLIB ライブラリ";
  const bool textSet = wb->SetText(0, 0, 2, text);
  const bool numberSet = wb->SetNumber(0, 0, 5, 20261207);
  if (auto row = wb->TakeRow(0, 2)) {
    for (std::uint32_t r = 3; r < 6; ++r) wb->PutRow(0, *row, r);
  }
  wb->ClearValues(0, 6, 9);
  wb->SelectCell(0, 0, 0);

  const kv::xls::Bytes saved = wb->Save();
  auto again = Workbook::Load(saved, &error);
  if (!again) {
    std::fprintf(stderr, "%s\n", error.c_str());
    kv::fuzz::Fail("a saved workbook does not open again");
  }
  if (again->SheetCount() != wb->SheetCount()) kv::fuzz::Fail("a saved workbook lost a sheet");
  const CellContent t = again->Cell(0, 0, 2);
  if (textSet && (t.kind != CellContent::Kind::Text || t.text != text)) kv::fuzz::Fail("a text set is not read back");
  const CellContent n = again->Cell(0, 0, 5);
  if (numberSet && (n.kind != CellContent::Kind::Number || n.number != 20261207))
    kv::fuzz::Fail("a number set is not read back");
  return 0;
}
