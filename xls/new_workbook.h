// Making a new workbook: fonts, number formats, cell formats and sheets with
// their column widths and print set-up. Build() gives a Workbook whose cells
// are then filled with its Set... calls.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "xls/workbook.h"

namespace kv::xls {

struct Font {
  std::string name = "ＭＳ Ｐゴシック";
  std::uint16_t twips = 220;  // 11 points
  bool bold = false;
  bool italic = false;
  std::uint16_t colour = 0x7FFF;  // automatic
  std::uint8_t charset = 0x80;    // Shift-JIS
};

enum class Line : std::uint8_t { None = 0, Thin = 1, Medium = 2, Dashed = 3, Dotted = 4, Thick = 5, Double = 6, Hair = 7 };
enum class HAlign : std::uint8_t { General = 0, Left = 1, Centre = 2, Right = 3 };
enum class VAlign : std::uint8_t { Top = 0, Centre = 1, Bottom = 2 };

// Built-in number formats that need no FORMAT record.
inline constexpr std::uint16_t kGeneral = 0;
inline constexpr std::uint16_t kThousands = 3;  // #,##0
inline constexpr std::uint16_t kTextFormat = 49;  // @

struct CellFormat {
  std::uint16_t font = 0;    // from AddFont, or 0 for the default
  std::uint16_t format = kGeneral;
  Line left = Line::None, right = Line::None, top = Line::None, bottom = Line::None;
  HAlign h = HAlign::General;
  VAlign v = VAlign::Centre;
  bool wrap = false;
  bool shrink = false;
  std::uint8_t fill = 0;     // palette index of a solid fill; 0 for none
};

struct ColumnWidth {
  std::uint16_t first, last;
  std::uint16_t width;  // in 1/256 of a character
};

struct PageSetup {
  bool landscape = false;
  std::uint16_t paper = 9;      // A4
  std::uint16_t fitWide = 0;    // pages wide when fitting, 0 = print at 100 %
  std::uint16_t fitTall = 0;    // 0 = as many as needed
  double left = 0.5, right = 0.5, top = 0.75, bottom = 0.75;  // inches
  std::string header, footer;   // header and footer codes (&P page, &N pages)
  bool centred = false;
  bool gridlines = false;       // print the grid
};

struct SheetLayout {
  std::string name;
  std::vector<ColumnWidth> columns = {};
  std::uint16_t defaultWidth = 8;      // characters
  std::uint16_t defaultRowHeight = 270;
  PageSetup page = {};
  bool showGrid = true;
  std::uint16_t zoom = 100;            // per cent
};

class NewWorkbook {
 public:
  explicit NewWorkbook(Font defaultFont = {});
  std::uint16_t AddFont(const Font& f);
  std::uint16_t AddFormat(const std::string& code);
  std::uint16_t AddCellFormat(const CellFormat& f);
  std::size_t AddSheet(const SheetLayout& layout);
  Workbook Build() const;

 private:
  std::vector<Font> fonts_;
  std::vector<std::pair<std::uint16_t, std::string>> formats_;
  std::vector<CellFormat> xfs_;
  std::vector<SheetLayout> sheets_;
};

}  // namespace kv::xls
