// The spreadsheet the window builds listing workbooks with: the application
// registered as "Excel.Application" when there is one, otherwise the built-in
// one, whose finished workbook the shell opens with whatever the PC opens .xls files with.
#pragma once
#include <windows.h>

#include "client/engine/spreadsheet.h"

namespace kv {

SpreadsheetFactory WindowSpreadsheets(HWND owner);

}  // namespace kv
