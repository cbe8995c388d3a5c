// Every workbook template of the installation media, by file name.
#pragma once
#include <string>
#include <vector>

#include "xls/workbook.h"

namespace kv::templates {

struct Template {
  std::string file;            // e.g. "FTPLIB.xls"
  xls::Workbook (*make)();
};

// In the order the installer copies them.
const std::vector<Template>& AllTemplates();

// The listing workbook: row 1 carries the library, date, time and save
// command beside their labels, row 2 the headings of the listing's values,
// row 3 the pattern row that every object row copies.
xls::Workbook MakeListing();
xls::Workbook MakeListingForPrint();

xls::Workbook MakeScreenDesign80();
xls::Workbook MakeScreenDesign132();
xls::Workbook MakePrintDesign230x84();
xls::Workbook MakePrintDesign230x66();
xls::Workbook MakePrintDesign198x84();
xls::Workbook MakePrintDesign198x66();
xls::Workbook MakePrintDesign158x84();
xls::Workbook MakePrintDesign158x66();
xls::Workbook MakePrintDesign132x84();
xls::Workbook MakePrintDesign132x66();

xls::Workbook MakeDatabaseDefinition();
xls::Workbook MakeObjectDescription();
xls::Workbook MakeKeyDefinition();
xls::Workbook MakeProgramFunction1();
xls::Workbook MakeProgramFunction2();
xls::Workbook MakeFileLayout1();
xls::Workbook MakeFileLayout2();
xls::Workbook MakeProgramDescription1();
xls::Workbook MakeProgramDescription2();
xls::Workbook MakeSubprogramDescription1();
xls::Workbook MakeSubprogramDescription2();
xls::Workbook MakeDisplayFile();
xls::Workbook MakeProgramIo();

}  // namespace kv::templates
