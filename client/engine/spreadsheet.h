// The spreadsheet application as the listing workbook builder uses it: the
// members it calls, and nothing more. An implementation drives a real
// application by automation, or edits the workbook file itself. Each member
// reports whether it worked; the builder goes on either way. Rows and columns
// count from 1; a rows text is one row number ("4") or a range ("110:220").
// Destroying the object releases the application (it stays open when shown).
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <variant>

namespace kv {

// What a cell is set to: text kept exactly, or a number.
using CellValue = std::variant<std::string, double>;

class Spreadsheet {
 public:
  virtual ~Spreadsheet() = default;
  virtual bool WorkbooksOpen(const std::string& path) = 0;
  virtual bool WindowsArrange(int arrangeStyle) = 0;
  // On the first worksheet.
  virtual bool SetCellValue(int row, int column, const CellValue& value) = 0;
  virtual bool RowsCopy(const std::string& rows) = 0;
  virtual bool RowsSelect(const std::string& rows) = 0;
  virtual bool SetRowsValue(const std::string& rows, const CellValue& value) = 0;
  // Pastes what was copied into the current selection.
  virtual bool Paste() = 0;
  virtual bool CellSelect(int row, int column) = 0;
  virtual bool SetVisible(bool visible) = 0;
};

// Creates the application object; nothing when it cannot be created.
using SpreadsheetFactory = std::function<std::unique_ptr<Spreadsheet>()>;

}  // namespace kv
