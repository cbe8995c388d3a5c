#include "client/engine/builtin_spreadsheet.h"

#include <algorithm>
#include <charconv>

#include "common/winpath.h"

namespace kv {

BuiltinSpreadsheet::BuiltinSpreadsheet(std::function<void(const std::string&)> show) : show_(std::move(show)) {}

std::optional<BuiltinSpreadsheet::Rows> BuiltinSpreadsheet::ParseRows(const std::string& rows) {
  auto number = [](std::string_view s, std::uint32_t& out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && out >= 1;
  };
  const auto colon = rows.find(':');
  std::uint32_t a = 0, b = 0;
  if (!number(std::string_view(rows).substr(0, colon), a)) return std::nullopt;
  if (colon == std::string::npos) b = a;
  else if (!number(std::string_view(rows).substr(colon + 1), b)) return std::nullopt;
  return Rows{std::min(a, b) - 1, std::max(a, b) - 1};
}

bool BuiltinSpreadsheet::WorkbooksOpen(const std::string& path) {
  path_ = MapPath(path);
  book_ = xls::Workbook::LoadFile(path_, nullptr);
  copied_.clear();
  selection_.reset();
  return book_.has_value();
}

bool BuiltinSpreadsheet::WindowsArrange(int) { return book_.has_value(); }

bool BuiltinSpreadsheet::SetCellValue(int row, int column, const CellValue& value) {
  if (!book_ || row < 1 || column < 1) return false;
  const auto r = static_cast<std::uint32_t>(row - 1), c = static_cast<std::uint32_t>(column - 1);
  if (const double* d = std::get_if<double>(&value)) return book_->SetNumber(0, r, c, *d);
  const std::string& text = std::get<std::string>(value);
  // An empty text leaves the cell empty, with its format.
  return text.empty() ? book_->ClearValue(0, r, c) : book_->SetText(0, r, c, text);
}

bool BuiltinSpreadsheet::RowsCopy(const std::string& rows) {
  const auto range = ParseRows(rows);
  if (!book_ || !range || range->last >= xls::kMaxRows) return false;
  copied_.clear();
  for (std::uint32_t r = range->first; r <= range->last; ++r) copied_.push_back(*book_->TakeRow(0, r));
  return true;
}

bool BuiltinSpreadsheet::RowsSelect(const std::string& rows) {
  // A selection that fails leaves nothing selected, so a paste after it
  // cannot land on the rows selected before.
  selection_.reset();
  const auto range = ParseRows(rows);
  if (!book_ || !range || range->first >= xls::kMaxRows) return false;
  selection_ = range;
  return true;
}

bool BuiltinSpreadsheet::SetRowsValue(const std::string& rows, const CellValue& value) {
  const auto range = ParseRows(rows);
  // Only emptying rows is offered: that is all a listing does with rows.
  const std::string* text = std::get_if<std::string>(&value);
  if (!book_ || !range || !text || !text->empty() || range->first >= xls::kMaxRows) return false;
  return book_->ClearValues(0, range->first, std::min(range->last, xls::kMaxRows - 1));
}

bool BuiltinSpreadsheet::Paste() {
  if (!book_ || copied_.empty() || !selection_) return false;
  // The copied rows repeat down the selection; the sheet ends at its last row.
  const std::uint32_t last = std::min(selection_->last, xls::kMaxRows - 1);
  for (std::uint32_t r = selection_->first; r <= last; ++r)
    book_->PutRow(0, copied_[(r - selection_->first) % copied_.size()], r);
  return true;
}

bool BuiltinSpreadsheet::CellSelect(int row, int column) {
  if (!book_ || row < 1 || column < 1) return false;
  return book_->SelectCell(0, static_cast<std::uint32_t>(row - 1), static_cast<std::uint32_t>(column - 1));
}

bool BuiltinSpreadsheet::SetVisible(bool visible) {
  if (!visible || !book_) return false;
  if (!book_->SaveFile(path_)) return false;
  if (show_) show_(path_);
  return true;
}

}  // namespace kv
