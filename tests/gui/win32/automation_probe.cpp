// Builds a listing workbook through the automation spreadsheet (under Wine,
// against the stand-in server registered as "Excel.Application") and writes
// the builder's own calls, spelled as the automation calls they stand for, to
// the file given as the argument: the test compares the two records.
#include <cstdio>
#include <string>

#include "client/engine/listing_workbook.h"
#include "client/window/main_panel.h"
#include "client/panel/memory_panel.h"
#include "client/window/win32/spreadsheet_automation.h"
#include "common/textfile.h"

namespace {

std::string Show(const kv::CellValue& v) {
  if (const double* d = std::get_if<double>(&v)) {
    char b[64];
    std::snprintf(b, sizeof b, "%.10g", *d);
    return b;
  }
  return "\"" + std::get<std::string>(v) + "\"";
}
std::string RowsArg(const std::string& rows) {
  return rows.find(':') == std::string::npos ? rows : "\"" + rows + "\"";
}

// The calls as the automation object model spells them.
class Spelling : public kv::Spreadsheet {
 public:
  explicit Spelling(FILE* f) : f_(f) {}
  ~Spelling() override { Line("release"); }
  bool WorkbooksOpen(const std::string& p) override { return Line("Application.Workbooks.Open(\"" + p + "\")"); }
  bool WindowsArrange(int s) override { return Line("Application.Windows.Arrange(ArrangeStyle:=" + std::to_string(s) + ")"); }
  bool SetCellValue(int r, int c, const kv::CellValue& v) override { return Line(Cell(r, c) + ".Value = " + Show(v)); }
  bool RowsCopy(const std::string& rows) override { return Line(Rows(rows) + ".Copy()"); }
  bool RowsSelect(const std::string& rows) override { return Line(Rows(rows) + ".Select()"); }
  bool SetRowsValue(const std::string& rows, const kv::CellValue& v) override {
    return Line(Rows(rows) + ".Value = " + Show(v));
  }
  bool Paste() override { return Line("Application.Worksheets(1).Paste()"); }
  bool CellSelect(int r, int c) override { return Line(Cell(r, c) + ".Select()"); }
  bool SetVisible(bool v) override { return Line(std::string("Application.Visible = ") + (v ? "True" : "False")); }

 private:
  static std::string Cell(int r, int c) {
    return "Application.Worksheets(1).Cells(" + std::to_string(r) + "," + std::to_string(c) + ")";
  }
  static std::string Rows(const std::string& rows) { return "Application.Worksheets(1).Rows(" + RowsArg(rows) + ")"; }
  bool Line(const std::string& s) {
    std::fprintf(f_, "%s\n", s.c_str());
    return true;
  }
  FILE* f_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  kv::MakeDirectory("C:\\KV-TRANSIT");
  kv::MakeDirectory("C:\\kvprobe");
  kv::WriteLines("C:\\KV-TRANSIT\\FTPLIB.xls", {"template"});
  std::vector<std::string> listing;
  for (int i = 0; i < 2; ++i)
    for (std::string v : {"QGPL", "0012", "*FILE", "PF-DTA", "売上 ", "QSECOFR", "2026/12/07", "09:05:07", "8192",
                          "1", "", "V7R5M0"})
      listing.push_back(v);
  kv::WriteLines("c:\\KV-TRANSIT\\FTPLIBPC", listing);

  kv::MemoryPanel panel;
  kv::StartUp(panel, [] { return kv::HostInfo{"10.0.0.5", "pc01"}; });
  kv::SelectOperation(panel, 16);
  panel.SetText(kv::Ctl::ライブラリー名, "QGPL");
  panel.SetText(kv::Ctl::ファイル名, "SALES");
  panel.SetText(kv::Ctl::タイプ, "*FILE");
  panel.SetText(kv::Ctl::リリース, "*CURRENT");
  panel.SetText(kv::Ctl::pcファイル名, "C:\\KVPROBE\\SALES.SAVF");
  const kv::LocalTime now{2026, 12, 7, 9, 5, 7};
  if (!kv::SpreadsheetApplicationRegistered()) return 3;
  kv::BuildListingWorkbook(panel, kv::CreateAutomationSpreadsheet, now);

  FILE* f = _wfopen(argv[1], L"wb");
  if (!f) return 1;
  kv::BuildListingWorkbook(panel, [f] { return std::make_unique<Spelling>(f); }, now);
  std::fclose(f);
  return 0;
}
