#include "xls/new_workbook.h"

namespace kv::xls {
namespace {

void PutUnicode16(Bytes& b, std::string_view utf8) {  // XLUnicodeString, always UTF-16
  const std::u16string s = ToUtf16(utf8);
  Put16(b, static_cast<std::uint32_t>(s.size()));
  Put8(b, 1);
  for (char16_t c : s) Put16(b, c);
}
void PutShortUnicode(Bytes& b, std::string_view utf8) {  // ShortXLUnicodeString
  std::u16string s = ToUtf16(utf8);
  if (s.size() > 255) s.resize(255);
  Put8(b, static_cast<std::uint32_t>(s.size()));
  Put8(b, 1);
  for (char16_t c : s) Put16(b, c);
}

Record Rec(std::uint16_t type, Bytes data = {}) { return {type, std::move(data)}; }
Record Rec16(std::uint16_t type, std::uint32_t v) {
  Bytes b;
  Put16(b, v);
  return {type, b};
}

Bytes FontBody(const Font& f) {
  Bytes b;
  Put16(b, f.twips);
  Put16(b, f.italic ? 0x02 : 0);
  Put16(b, f.colour);
  Put16(b, f.bold ? 700 : 400);
  Put16(b, 0);
  Put8(b, 0);
  Put8(b, 0);
  Put8(b, f.charset);
  Put8(b, 0);
  PutShortUnicode(b, f.name);
  return b;
}

Bytes StyleXf(bool normal) {
  Bytes b;
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, 0xFFF5);
  Put8(b, 0x20);
  Put8(b, 0);
  Put8(b, 0);
  Put8(b, normal ? 0x00 : 0xF4);
  Put32(b, 0);
  Put32(b, 0);
  Put16(b, 0x20C0);
  return b;
}

Bytes CellXf(const CellFormat& f, bool defaultCell) {
  Bytes b;
  Put16(b, f.font);
  Put16(b, f.format);
  Put16(b, 0x0001);  // locked; parent style: Normal
  Put8(b, static_cast<std::uint32_t>(f.h) | (f.wrap ? 0x08 : 0) | (static_cast<std::uint32_t>(f.v) << 4));
  Put8(b, 0);
  Put8(b, f.shrink ? 0x10 : 0);
  Put8(b, defaultCell ? 0 : 0xFC);  // the groups this format sets
  auto colour = [](Line l) -> std::uint32_t { return l == Line::None ? 0 : 8; };
  Put32(b, static_cast<std::uint32_t>(f.left) | (static_cast<std::uint32_t>(f.right) << 4) |
               (static_cast<std::uint32_t>(f.top) << 8) | (static_cast<std::uint32_t>(f.bottom) << 12) |
               (colour(f.left) << 16) | (colour(f.right) << 23));
  Put32(b, colour(f.top) | (colour(f.bottom) << 7) | (f.fill ? (1u << 26) : 0));
  Put16(b, f.fill ? (f.fill | (0x41 << 7)) : 0x20C0);
  return b;
}

}  // namespace

NewWorkbook::NewWorkbook(Font defaultFont) { fonts_.push_back(std::move(defaultFont)); }

std::uint16_t NewWorkbook::AddFont(const Font& f) {
  fonts_.push_back(f);
  // Fonts 0 to 3 are the default four; index 4 is never used.
  return static_cast<std::uint16_t>(fonts_.size() - 2 + 5);
}

std::uint16_t NewWorkbook::AddFormat(const std::string& code) {
  const auto id = static_cast<std::uint16_t>(164 + formats_.size());
  formats_.emplace_back(id, code);
  return id;
}

std::uint16_t NewWorkbook::AddCellFormat(const CellFormat& f) {
  xfs_.push_back(f);
  return static_cast<std::uint16_t>(15 + xfs_.size());
}

std::size_t NewWorkbook::AddSheet(const SheetLayout& layout) {
  sheets_.push_back(layout);
  return sheets_.size() - 1;
}

Workbook NewWorkbook::Build() const {
  Workbook wb;
  auto& g = wb.globals_;
  Bytes bof;
  for (std::uint32_t v : {0x0600u, 0x0005u, 0x0DBBu, 0x07CCu}) Put16(bof, v);
  Put32(bof, 0);
  Put32(bof, 6);
  g.push_back(Rec(rt::BOF, bof));
  g.push_back(Rec16(0x00E1, 0x04B0));  // INTERFACEHDR
  g.push_back(Rec16(0x00C1, 0));       // MMS
  g.push_back(Rec(0x00E2));            // INTERFACEEND
  Bytes access;
  PutUnicode16(access, "KV-TRANSIT");
  access.resize(112, 0x20);
  g.push_back(Rec(0x005C, access));    // WRITEACCESS
  g.push_back(Rec16(0x0042, 1200));    // CODEPAGE: UTF-16
  g.push_back(Rec16(0x0161, 0));       // DSF
  Bytes tabs;
  for (std::size_t i = 0; i < sheets_.size(); ++i) Put16(tabs, static_cast<std::uint32_t>(i + 1));
  g.push_back(Rec(0x013D, tabs));      // TABID
  g.push_back(Rec16(0x009C, 0x0E));    // FNGROUPCOUNT
  for (std::uint16_t t : {0x0019, 0x0012, 0x0013, 0x01AF, 0x01BC}) g.push_back(Rec16(t, 0));  // protection: none
  Bytes window1;
  for (std::uint32_t v : {0u, 0u, 0x5000u, 0x3000u, 0x38u, 0u, 0u, 1u, 600u}) Put16(window1, v);
  g.push_back(Rec(0x003D, window1));
  g.push_back(Rec16(0x0040, 0));  // BACKUP
  g.push_back(Rec16(0x008D, 0));  // HIDEOBJ
  g.push_back(Rec16(0x0022, 0));  // DATEMODE: 1900
  g.push_back(Rec16(0x000E, 1));  // PRECISION
  g.push_back(Rec16(0x01B7, 0));  // REFRESHALL
  g.push_back(Rec16(0x00DA, 0));  // BOOKBOOL
  for (int i = 0; i < 4; ++i) g.push_back(Rec(0x0031, FontBody(fonts_[0])));
  for (std::size_t i = 1; i < fonts_.size(); ++i) g.push_back(Rec(0x0031, FontBody(fonts_[i])));
  for (const auto& [id, code] : formats_) {
    Bytes b;
    Put16(b, id);
    PutUnicode16(b, code);
    g.push_back(Rec(0x041E, b));
  }
  g.push_back(Rec(rt::XF, StyleXf(true)));
  for (int i = 1; i < 15; ++i) g.push_back(Rec(rt::XF, StyleXf(false)));
  CellFormat plain;
  plain.v = VAlign::Bottom;  // as the Normal style
  g.push_back(Rec(rt::XF, CellXf(plain, true)));
  for (const CellFormat& f : xfs_) g.push_back(Rec(rt::XF, CellXf(f, false)));
  g.push_back(Rec(0x0293, Bytes{0x00, 0x80, 0x00, 0xFF}));  // STYLE: Normal
  g.push_back(Rec16(0x0160, 0));                            // USESELFS
  for (std::size_t i = 0; i < sheets_.size(); ++i) {
    Bytes b;
    Put32(b, 0);  // offset, set on save
    Put16(b, 0);  // visible worksheet
    PutShortUnicode(b, sheets_[i].name);
    g.push_back(Rec(rt::BOUNDSHEET, b));
    wb.order_.push_back(i);
  }
  Bytes country;
  Put16(country, 81);
  Put16(country, 81);
  g.push_back(Rec(0x008C, country));
  wb.sstAt_ = g.size();
  wb.hadSst_ = true;
  g.push_back(Rec(rt::EOF_));

  for (std::size_t i = 0; i < sheets_.size(); ++i) {
    const SheetLayout& l = sheets_[i];
    Workbook::Sheet s;
    s.worksheet = true;
    s.indexed = true;
    auto& r = s.records;
    Bytes sbof;
    for (std::uint32_t v : {0x0600u, 0x0010u, 0x0DBBu, 0x07CCu}) Put16(sbof, v);
    Put32(sbof, 0);
    Put32(sbof, 6);
    r.push_back(Rec(rt::BOF, sbof));
    r.push_back(Rec(rt::INDEX, Bytes(16, 0)));
    r.push_back(Rec16(0x000D, 1));     // CALCMODE automatic
    r.push_back(Rec16(0x000C, 100));   // CALCCOUNT
    r.push_back(Rec16(0x000F, 1));     // REFMODE A1
    r.push_back(Rec16(0x0011, 0));     // ITERATION
    Bytes delta;
    PutDouble(delta, 0.001);
    r.push_back(Rec(0x0010, delta));   // DELTA
    r.push_back(Rec16(0x005F, 1));     // SAVERECALC
    r.push_back(Rec16(0x002A, 0));     // PRINTHEADERS
    r.push_back(Rec16(0x002B, l.page.gridlines ? 1 : 0));
    r.push_back(Rec16(0x0082, 1));     // GRIDSET
    r.push_back(Rec(0x0080, Bytes(8, 0)));  // GUTS
    Bytes rowHeight;
    Put16(rowHeight, 0);
    Put16(rowHeight, l.defaultRowHeight);
    r.push_back(Rec(0x0225, rowHeight));
    r.push_back(Rec16(0x0081, 0x04C1 | (l.page.fitWide || l.page.fitTall ? 0x0100 : 0)));  // WSBOOL (fit to page)
    Bytes header, footer;
    if (!l.page.header.empty()) PutUnicode16(header, l.page.header);
    if (!l.page.footer.empty()) PutUnicode16(footer, l.page.footer);
    r.push_back(Rec(0x0014, header));
    r.push_back(Rec(0x0015, footer));
    r.push_back(Rec16(0x0083, l.page.centred ? 1 : 0));  // HCENTER
    r.push_back(Rec16(0x0084, 0));                       // VCENTER
    for (auto [type, inches] : {std::pair<std::uint16_t, double>{0x0026, l.page.left}, {0x0027, l.page.right},
                                {0x0028, l.page.top}, {0x0029, l.page.bottom}}) {
      Bytes m;
      PutDouble(m, inches);
      r.push_back(Rec(type, m));
    }
    Bytes setup;
    Put16(setup, l.page.paper);
    Put16(setup, 100);  // scale
    Put16(setup, 1);    // first page number
    Put16(setup, l.page.fitWide);
    Put16(setup, l.page.fitTall);
    Put16(setup, l.page.landscape ? 0x0000 : 0x0002);  // orientation and paper are set
    Put16(setup, 600);
    Put16(setup, 600);
    PutDouble(setup, 0.3);
    PutDouble(setup, 0.3);
    Put16(setup, 1);
    r.push_back(Rec(0x00A1, setup));
    r.push_back(Rec16(rt::DEFCOLWIDTH, l.defaultWidth));
    for (const ColumnWidth& c : l.columns) {
      Bytes b;
      Put16(b, c.first);
      Put16(b, c.last);
      Put16(b, c.width);
      Put16(b, 15);
      Put16(b, 0x0002);  // width set by hand
      Put16(b, 0);
      r.push_back(Rec(rt::COLINFO, b));
    }
    r.push_back(Rec(rt::DIMENSIONS, Bytes(14, 0)));
    s.cellTableAt = r.size();
    Bytes window2;
    std::uint16_t grbit = 0x00B4 | (l.showGrid ? 0x0002 : 0) | (i == 0 ? 0x0600 : 0);
    for (std::uint32_t v : {std::uint32_t{grbit}, 0u, 0u, 0x40u, 0u, 0u, 0u}) Put16(window2, v);
    Put32(window2, 0);
    r.push_back(Rec(rt::WINDOW2, window2));
    if (l.zoom != 100) {
      Bytes scl;
      Put16(scl, l.zoom);
      Put16(scl, 100);
      r.push_back(Rec(0x00A0, scl));  // SCL
    }
    r.push_back(Rec(rt::SELECTION, Bytes{3, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
    r.push_back(Rec(rt::EOF_));
    wb.sheets_.push_back(std::move(s));
  }
  wb.root_.name = u"Root Entry";
  wb.root_.type = CfbEntry::Root;
  return wb;
}

}  // namespace kv::xls
