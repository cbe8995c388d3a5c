#include "common/object_listing.h"
#include "media/templates/form.h"
#include "media/templates/templates.h"

namespace kv::templates {
namespace {

using namespace kv::xls;

// Widths of the listing's columns in characters, in the order of the listing.
constexpr double kWidths[kObjectListing.size()] = {11, 11, 8, 10, 34, 10, 11, 9, 14, 9, 10, 12};

Workbook Listing(bool forPrint) {
  NewWorkbook nw(Font{"Meiryo UI", static_cast<std::uint16_t>(forPrint ? 180 : 200)});
  const auto bold = nw.AddFont({"Meiryo UI", static_cast<std::uint16_t>(forPrint ? 180 : 200), true});
  const auto date = nw.AddFormat("yyyy/mm/dd");
  const auto time = nw.AddFormat("hh:mm:ss");
  const auto thin = Line::Thin;
  const auto label = nw.AddCellFormat({bold, kGeneral, Line::None, Line::None, Line::None, Line::None, HAlign::Right});
  const auto value = nw.AddCellFormat({bold, kTextFormat, Line::None, Line::None, Line::None, thin, HAlign::Left});
  const auto centred = nw.AddCellFormat({0, kTextFormat, Line::None, Line::None, Line::None, thin, HAlign::Centre});
  const auto heading = nw.AddCellFormat({bold, kGeneral, thin, thin, thin, thin, HAlign::Centre, VAlign::Centre, true, false, kHeadingFill});
  std::uint16_t pattern[kObjectListing.size()];
  for (std::size_t c = 0; c < kObjectListing.size(); ++c) {
    CellFormat cf{0, kTextFormat, thin, thin, Line::Hair, thin, HAlign::Left};
    switch (kObjectListing[c].kind) {
      case ListingKind::Text: break;
      case ListingKind::Date: cf.format = date, cf.h = HAlign::Centre; break;
      case ListingKind::Time: cf.format = time, cf.h = HAlign::Centre; break;
      case ListingKind::Count: cf.format = kThousands, cf.h = HAlign::Right; break;
    }
    pattern[c] = nw.AddCellFormat(cf);
  }

  SheetLayout l;
  l.name = "オブジェクト一覧";
  for (std::size_t c = 0; c < kObjectListing.size(); ++c)
    l.columns.push_back({static_cast<std::uint16_t>(c), static_cast<std::uint16_t>(c), Chars(kWidths[c])});
  l.page.landscape = !forPrint;
  l.page.fitWide = 1;
  l.page.left = l.page.right = 0.4;
  l.page.footer = "&P / &N";
  l.page.centred = true;
  if (forPrint) l.page.header = "&L保存オブジェクト一覧&R&D";
  const std::size_t sheet = nw.AddSheet(l);
  Workbook wb = nw.Build();

  // Row 1: labels beside the cells the builder fills (library; date and time; save command).
  wb.SetText(sheet, 0, 0, "保存一覧", label);
  wb.SetText(sheet, 0, 1, "ライブラリー", label);
  wb.SetBlank(sheet, 0, 2, value);
  wb.SetText(sheet, 0, 4, "保存日時", label);
  wb.SetBlank(sheet, 0, 5, centred);
  wb.SetBlank(sheet, 0, 6, centred);
  wb.SetBlank(sheet, 0, 7, value);
  wb.SetRowHeight(sheet, 0, 360);
  for (std::size_t c = 0; c < kObjectListing.size(); ++c) {
    wb.SetText(sheet, 1, static_cast<std::uint32_t>(c), std::string(kObjectListing[c].heading), heading);
    wb.SetBlank(sheet, 2, static_cast<std::uint32_t>(c), pattern[c]);
  }
  wb.SetRowHeight(sheet, 1, 480);
  wb.SelectCell(sheet, 0, 0);
  return wb;
}

}  // namespace

Workbook MakeListing() { return Listing(false); }
Workbook MakeListingForPrint() { return Listing(true); }

}  // namespace kv::templates
