// The spreadsheet application registered as "Excel.Application", driven by
// late-bound automation (IDispatch): every member looked up by name.
#pragma once
#include <memory>

#include "client/engine/spreadsheet.h"

namespace kv {

// True when the programmatic identifier is registered on this PC.
bool SpreadsheetApplicationRegistered();

// Creates the application object; nothing when it cannot be created.
std::unique_ptr<Spreadsheet> CreateAutomationSpreadsheet();

}  // namespace kv
