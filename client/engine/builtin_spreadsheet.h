// The spreadsheet members applied to the workbook file itself (xls/), for
// machines without a spreadsheet application to automate. "Visible" saves
// the workbook and hands its path to `show` (the window asks the shell to
// open it; the batch front end prints it).
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "client/engine/spreadsheet.h"
#include "xls/workbook.h"

namespace kv {

class BuiltinSpreadsheet : public Spreadsheet {
 public:
  // `show` receives the workbook's path as this machine names it.
  explicit BuiltinSpreadsheet(std::function<void(const std::string&)> show);

  bool WorkbooksOpen(const std::string& path) override;
  bool WindowsArrange(int arrangeStyle) override;
  bool SetCellValue(int row, int column, const CellValue& value) override;
  bool RowsCopy(const std::string& rows) override;
  bool RowsSelect(const std::string& rows) override;
  bool SetRowsValue(const std::string& rows, const CellValue& value) override;
  bool Paste() override;
  bool CellSelect(int row, int column) override;
  bool SetVisible(bool visible) override;

 private:
  struct Rows {
    std::uint32_t first, last;  // 0-based, inclusive
  };
  static std::optional<Rows> ParseRows(const std::string& rows);

  std::function<void(const std::string&)> show_;
  std::optional<xls::Workbook> book_;
  std::string path_;  // native
  std::vector<xls::Workbook::RowCopy> copied_;
  std::optional<Rows> selection_;
};

}  // namespace kv
