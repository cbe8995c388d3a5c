// The listing workbook of a library or object download: the object listing
// that the download fetched, written into a copy of the template beside the
// save file and left open for the operator.
#pragma once
#include <functional>
#include <string>

#include "client/engine/methods.h"
#include "client/engine/spreadsheet.h"

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

// Builds the workbook from the panel's inputs. Every step that fails is passed
// over; nothing is reported.
void BuildListingWorkbook(Panel& panel, const SpreadsheetFactory& create, const LocalTime& now);

// The builder as a run calls it, over the given application.
std::function<void(RunContext&)> ListingBuilder(SpreadsheetFactory create);

}  // namespace kv
