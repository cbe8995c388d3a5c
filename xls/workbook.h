// A BIFF8 workbook held in memory: opened from a file (every record that no
// edit touches is written back as it was) or made new (new_workbook.h). Cells
// are edited on the sheets; saving rebuilds what the edits touch: the string
// table and its index, each sheet's cell table (ROW records, cells, DBCELL,
// INDEX, DIMENSIONS) and the sheets' offsets. Rows and columns count from 0.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xls/bytes.h"
#include "xls/cfb.h"
#include "xls/records.h"
#include "xls/sst.h"

namespace kv::xls {

inline constexpr std::uint32_t kMaxRows = 65536;
inline constexpr std::uint32_t kMaxColumns = 256;

// What a cell holds, for reading back.
struct CellContent {
  enum class Kind { None, Blank, Text, Number, Other } kind = Kind::None;
  std::string text;    // Text
  double number = 0;   // Number
  std::uint16_t xf = 0;
};

class Workbook {
 public:
  // Nothing, with `error` set, when the bytes are not a workbook this code can
  // edit (damaged, encrypted, older than BIFF8).
  static std::optional<Workbook> Load(std::span<const std::uint8_t> file, std::string* error);
  static std::optional<Workbook> LoadFile(const std::string& nativePath, std::string* error);
  Bytes Save() const;
  // Writes beside the target and moves over it, so a failed save leaves the old file.
  bool SaveFile(const std::string& nativePath) const;

  // Sheets in tab order.
  std::size_t SheetCount() const { return order_.size(); }
  std::string SheetName(std::size_t sheet) const;

  // Edits; false (and nothing changed) for a sheet that is not a worksheet or
  // a cell outside the sheet's 65,536 rows and 256 columns. Without `xf` a
  // cell keeps its format, else takes the row's, else the column's, else the default.
  bool SetText(std::size_t sheet, std::uint32_t row, std::uint32_t col, std::string_view utf8,
               std::optional<std::uint16_t> xf = std::nullopt);
  bool SetNumber(std::size_t sheet, std::uint32_t row, std::uint32_t col, double value,
                 std::optional<std::uint16_t> xf = std::nullopt);
  // A cell with a format and no value.
  bool SetBlank(std::size_t sheet, std::uint32_t row, std::uint32_t col, std::uint16_t xf);
  // Height in twips, set by hand (it no longer follows the font).
  bool SetRowHeight(std::size_t sheet, std::uint32_t row, std::uint16_t twips);
  // Makes row `to` a copy of row `from`: its cells (values and formats; a
  // formula becomes a blank with the formula's format) and its ROW record
  // (height, flags, default format).
  bool CopyRow(std::size_t sheet, std::uint32_t from, std::uint32_t to);
  // Every value in the rows becomes a blank that keeps its cell's format.
  bool ClearValues(std::size_t sheet, std::uint32_t first, std::uint32_t last);
  // The value of one cell, likewise.
  bool ClearValue(std::size_t sheet, std::uint32_t row, std::uint32_t col);
  // Merges a range of cells into one (the first cell's value shows); false
  // when it overlaps a merged range or leaves the sheet.
  bool Merge(std::size_t sheet, std::uint32_t firstRow, std::uint32_t lastRow, std::uint32_t firstCol, std::uint32_t lastCol);
  // Makes one cell the selection and the active cell of the sheet's window.
  bool SelectCell(std::size_t sheet, std::uint32_t row, std::uint32_t col);

  // A row as it is now, to be put into other rows later (as CopyRow does),
  // whatever the row itself becomes in between.
  class RowCopy;
  std::optional<RowCopy> TakeRow(std::size_t sheet, std::uint32_t row) const;
  bool PutRow(std::size_t sheet, const RowCopy& copy, std::uint32_t to);

  CellContent Cell(std::size_t sheet, std::uint32_t row, std::uint32_t col) const;
  // The height of a row that has a ROW record.
  std::optional<std::uint16_t> RowHeight(std::size_t sheet, std::uint32_t row) const;
  // 1 + the last row that has a cell, or 0.
  std::uint32_t RowsUsed(std::size_t sheet) const;

 private:
  friend class NewWorkbook;
  struct CellRec {
    std::uint16_t type = 0;
    Bytes data;                  // the whole body; row and column are rewritten on save
    std::vector<Record> extra;   // records that belong to a formula
  };
  struct RowData {
    bool hasRecord = false;
    Bytes rec;                   // the ROW body (16 bytes) when hasRecord
    std::map<std::uint16_t, CellRec> cells;
  };

 public:
  class RowCopy {
    friend class Workbook;
    RowData row;
  };

 private:
  struct Sheet {
    bool worksheet = false;
    bool indexed = false;        // had INDEX: DBCELLs are written
    std::vector<Record> records; // everything but the cell table
    std::size_t cellTableAt = 0; // the cell table goes before records[cellTableAt]
    std::map<std::uint32_t, RowData> rows;
    // A sheet read from a file and never edited is written back record for
    // record; only its INDEX offsets move with the sheet.
    bool edited = false;
    std::vector<Record> original;
    std::uint32_t originalOffset = 0;
  };

  Workbook() = default;
  Sheet* EditableSheet(std::size_t sheet, std::uint32_t row, std::uint32_t col);
  std::uint16_t FormatFor(const Sheet& s, std::uint32_t row, std::uint32_t col) const;
  std::uint32_t Intern(std::u16string text);
  void PutCell(Sheet& s, std::uint32_t row, std::uint32_t col, std::uint16_t type, Bytes body);
  Bytes SaveStream() const;
  void AppendSheet(Bytes& out, const Sheet& s) const;

  CfbEntry root_;
  std::vector<Record> globals_;   // without SST and EXTSST
  std::size_t sstAt_ = 0;         // SST and EXTSST go before globals_[sstAt_]
  bool hadSst_ = false;
  std::vector<SstEntry> sst_;
  std::unordered_map<std::u16string, std::uint32_t> sstIndex_;
  std::vector<Sheet> sheets_;     // in stream order
  std::vector<std::size_t> order_;  // BOUNDSHEET order -> sheets_ index
};

}  // namespace kv::xls
