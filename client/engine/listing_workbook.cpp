#include "client/engine/listing_workbook.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "client/panel/panel_text.h"
#include "client/workfiles/paths.h"
#include "common/fileio.h"
#include "common/object_listing.h"
#include "common/textfile.h"
#include "common/vbstr.h"
#include "common/winpath.h"

namespace kv {
namespace {

std::string Lower(std::string s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 'A' && c <= 'Z') {
      out.push_back(static_cast<char>(c + 32));
    } else if (c == 0xEF && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xBC &&
               static_cast<unsigned char>(s[i + 2]) >= 0xA1 && static_cast<unsigned char>(s[i + 2]) <= 0xBA) {
      // Full-width A to Z (U+FF21..FF3A) become full-width a to z (U+FF41..FF5A).
      out += "\xEF\xBD";
      out.push_back(static_cast<char>(static_cast<unsigned char>(s[i + 2]) - 0x20));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

std::string Two(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

std::string DateText(const LocalTime& t) { return Two(t.month) + "-" + Two(t.day) + "-" + std::to_string(t.year); }
std::string TimeText(const LocalTime& t) { return Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second); }

// Digits at fixed places with separators between, as "2026/12/07" or "09:05:00".
bool Fields(const std::string& s, char sep, const int (&widths)[3], int (&out)[3]) {
  std::size_t pos = 0;
  for (int k = 0; k < 3; ++k) {
    if (k > 0 && (pos >= s.size() || s[pos++] != sep)) return false;
    out[k] = 0;
    for (int d = 0; d < widths[k]; ++d, ++pos) {
      if (pos >= s.size() || s[pos] < '0' || s[pos] > '9') return false;
      out[k] = out[k] * 10 + (s[pos] - '0');
    }
  }
  return pos == s.size();
}

// Days from 1899-12-30, the spreadsheet's day 0, for dates after 1900-03-01.
long SerialDay(int y, int m, int d) {
  y -= m <= 2;
  const long era = y / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25569;  // days since 1970-01-01, moved to 1899-12-30
}

bool ValidDate(int y, int m, int d) {
  static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1901 || m < 1 || m > 12 || d < 1 || d > days[m - 1]) return false;
  return m != 2 || d < 29 || (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0));
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
  FILE* in = native::OpenFile(from, "rb");
  if (!in) return false;
  const std::string tmp = to + ".tmp";
  FILE* out = native::OpenFile(tmp, "wb");
  bool ok = out != nullptr;
  char buf[65536];
  for (std::size_t n; ok && (n = std::fread(buf, 1, sizeof buf, in)) > 0;) ok = std::fwrite(buf, 1, n, out) == n;
  ok = ok && !std::ferror(in);
  std::fclose(in);
  if (out) ok = (std::fclose(out) == 0) && ok;
  ok = ok && native::MoveReplacing(tmp, to);
  if (!ok) native::RemoveFile(tmp);
  return ok;
}

// "1,234,567"
std::string Grouped(std::size_t n) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace

std::string ListingLeftOutText(std::size_t objects, std::size_t leftOut) {
  return "シートの行数の上限のため、全" + Grouped(objects) + "件のうち" + Grouped(leftOut) +
         "件のオブジェクトはこの一覧表に載っていません。";
}

std::string GetPath(const std::string& path) {
  std::string s = Lower(Trim(path));
  if (s.find('.') == std::string::npos) s += '\\';
  if (auto p = s.rfind('\\'); p != std::string::npos) return s.substr(0, p + 1);
  if (auto k = s.find(':'); k != std::string::npos) return s.substr(0, k + 1);
  return s;
}

LocalTime LocalNow() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

CellValue ListingCell(std::size_t column, const std::string& value) {
  const ListingKind kind = column < kObjectListing.size() ? kObjectListing[column].kind : ListingKind::Text;
  int f[3];
  switch (kind) {
    case ListingKind::Text: break;
    case ListingKind::Date:
      if (Fields(value, '/', {4, 2, 2}, f) && ValidDate(f[0], f[1], f[2]))
        return static_cast<double>(SerialDay(f[0], f[1], f[2]));
      break;
    case ListingKind::Time:
      if (Fields(value, ':', {2, 2, 2}, f) && f[0] < 24 && f[1] < 60 && f[2] < 60)
        return (f[0] * 3600 + f[1] * 60 + f[2]) / 86400.0;
      break;
    case ListingKind::Count:
      // Whole numbers a spreadsheet holds exactly; anything else stays text.
      if (!value.empty() && value.size() <= 15 && value.find_first_not_of("0123456789") == std::string::npos)
        return static_cast<double>(std::stoll(value));
      break;
  }
  return value;
}

std::string BuildListingWorkbook(Panel& panel, const SpreadsheetFactory& create, const LocalTime& now) {
  panel.SetText(Ctl::LABEL99, "一覧表作成中。");
  const std::string lib = panel.Text(Ctl::ライブラリー名);
  const std::string date = DateText(now);
  const std::string path = GetPath(panel.Text(Ctl::pcファイル名)) + lib + "-" + date + ".xls";
  // Without a fresh copy of the template the workbook is not opened: a listing
  // made earlier under the same name must not be mixed with this one.
  const bool copied = CopyFileReplacing(MapPath(paths::kListingTemplate), MapPath(path));

  std::unique_ptr<Spreadsheet> app = create ? create() : nullptr;
  if (!app) return {};
  if (copied) app->WorkbooksOpen(path);
  app->WindowsArrange(1);

  const std::string release = panel.Text(Ctl::リリース);
  const std::string command =
      MenuNo(panel) == 16 ? "SAVOBJ OBJ(" + panel.Text(Ctl::ファイル名) + ") LIB(" + lib + ") OBJTYPE(" +
                                panel.Text(Ctl::タイプ) + ") TGTRLS(" + release + ")"
                          : "SAVLIB LIB(" + lib + ") TGTRLS(" + release + ")";
  app->SetCellValue(1, 3, lib);
  app->SetCellValue(1, 6, date);
  app->SetCellValue(1, 7, TimeText(now));
  app->SetCellValue(1, 8, command);
  app->RowsCopy("3");

  // A listing that cannot be read counts as empty. The last object of a
  // listing that ends early keeps the pattern's empty cells where values are missing.
  const std::vector<std::string> lines = ReadAllLines(paths::kListing).value_or(std::vector<std::string>{});
  const std::size_t objects = (lines.size() + kObjectListing.size() - 1) / kObjectListing.size();
  // The sheet ends at kListingLastRow. A listing longer than the sheet keeps
  // its last row for the note that says how many objects are missing, so the
  // workbook never passes for the whole listing.
  const std::size_t room = static_cast<std::size_t>(kListingLastRow - kListingFirstRow + 1);
  const std::size_t shown = objects <= room ? objects : room - 1;
  int row = kListingFirstRow;
  for (std::size_t i = 0; i < shown * kObjectListing.size(); i += kObjectListing.size()) {
    for (std::size_t col = 0; col < kObjectListing.size() && i + col < lines.size(); ++col)
      app->SetCellValue(row, static_cast<int>(col) + 1, ListingCell(col, lines[i + col]));
    ++row;
    if (row > kListingLastRow) break;
    app->RowsSelect(std::to_string(row));
    app->Paste();
  }

  // Pattern rows after the last object, up to a multiple of 109 rows (+2),
  // and never past the sheet's end or into the note's row.
  const int m = row - 2;
  const int end = std::min(m <= 107 ? 109 : (m / 109 + 1) * 109 + 2,
                           shown < objects ? kListingLastRow - 1 : kListingLastRow);
  if (row <= end) {
    const std::string trailing = std::to_string(row) + ":" + std::to_string(end);
    app->RowsSelect(trailing);
    app->Paste();
    app->SetRowsValue(trailing, std::string());
  }
  std::string leftOut;
  if (shown < objects) {
    leftOut = ListingLeftOutText(objects, objects - shown);
    app->SetCellValue(kListingLastRow, 1, leftOut);
  }
  app->CellSelect(1, 1);
  app->SetVisible(true);
  return leftOut;
}

std::function<void(RunContext&)> ListingBuilder(SpreadsheetFactory create,
                                                std::function<void(const std::string&)> onLeftOut) {
  return [create = std::move(create), onLeftOut = std::move(onLeftOut)](RunContext& ctx) {
    const std::string leftOut = BuildListingWorkbook(ctx.panel, create, LocalNow());
    if (!leftOut.empty() && onLeftOut) onLeftOut(leftOut);
  };
}

}  // namespace kv
