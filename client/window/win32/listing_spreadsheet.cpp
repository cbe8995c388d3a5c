#include "client/window/win32/listing_spreadsheet.h"

#include <shellapi.h>

#include "client/engine/builtin_spreadsheet.h"
#include "client/window/win32/spreadsheet_automation.h"
#include "common/win32/widen.h"

namespace kv {

SpreadsheetFactory WindowSpreadsheets(HWND owner) {
  return [owner]() -> std::unique_ptr<Spreadsheet> {
    if (SpreadsheetApplicationRegistered()) return CreateAutomationSpreadsheet();
    return std::make_unique<BuiltinSpreadsheet>([owner](const std::string& path) {
      // Like every step of the build, a shell that cannot open the file is passed
      // over: the workbook is saved beside the save file either way.
      ShellExecuteW(owner, L"open", win32::Widen(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    });
  };
}

}  // namespace kv
