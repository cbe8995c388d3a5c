// The listing workbook of a library or object download: the object listing
// that the download fetched, written into a copy of the template beside the
// save file and left open for the operator.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

#include "client/engine/methods.h"
#include "client/engine/spreadsheet.h"
#include "xls/workbook.h"

namespace kv {

// The directory part of a path, lower case, ending in "\"; a path without a
// dot counts as a directory.
std::string GetPath(const std::string& path);

struct LocalTime {
  int year, month, day, hour, minute, second;
};
LocalTime LocalNow();

// What a listing value becomes in its column's cell.
CellValue ListingCell(std::size_t column, const std::string& value);

// The rows of the sheet that hold objects: from the one after the headings to
// the last row a sheet of the workbook's format has.
inline constexpr int kListingFirstRow = 3;
inline constexpr int kListingLastRow = static_cast<int>(xls::kMaxRows);

// The note in the last row of a listing too long for the sheet.
std::string ListingLeftOutText(std::size_t objects, std::size_t leftOut);

// Builds the workbook from the panel's inputs. Every step that fails is passed
// over; nothing is reported. Returns the note written into the last row when
// objects were left out for want of rows (empty when the listing fit).
std::string BuildListingWorkbook(Panel& panel, const SpreadsheetFactory& create, const LocalTime& now);

// The builder as a run calls it, over the given application; `onLeftOut`
// receives the note of a listing too long for the sheet.
std::function<void(RunContext&)> ListingBuilder(SpreadsheetFactory create,
                                                std::function<void(const std::string&)> onLeftOut = {});

}  // namespace kv
