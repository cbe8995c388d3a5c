// Writes every workbook template into the folder given as the argument.
#include <cstdio>
#include <string>

#include "common/fileio.h"
#include "media/templates/templates.h"

namespace kv::templates {

const std::vector<Template>& AllTemplates() {
  static const std::vector<Template> all = {
      {"DB.xls", MakeDatabaseDefinition},     {"OBJD.xls", MakeObjectDescription},
      {"DBKD.xls", MakeKeyDefinition},        {"PGMF1.xls", MakeProgramFunction1},
      {"PGMF2.xls", MakeProgramFunction2},    {"FILP1.xls", MakeFileLayout1},
      {"FILP2.xls", MakeFileLayout2},         {"PGMS1.xls", MakeProgramDescription1},
      {"PGMS2.xls", MakeProgramDescription2},        {"SUBP1.xls", MakeSubprogramDescription1},
      {"SUBP2.xls", MakeSubprogramDescription2},     {"DSPFIL.xls", MakeDisplayFile},
      {"PGINDES.xls", MakeProgramIo},         {"FTPLIB.xls", MakeListing},
      {"FTPLIBP.xls", MakeListingForPrint},   {"SCRDES80.xls", MakeScreenDesign80},
      {"SCRDES132.xls", MakeScreenDesign132}, {"PRTDES230_84.xls", MakePrintDesign230x84},
      {"PRTDES230_66.xls", MakePrintDesign230x66}, {"PRTDES198_84.xls", MakePrintDesign198x84},
      {"PRTDES198_66.xls", MakePrintDesign198x66}, {"PRTDES158_84.xls", MakePrintDesign158x84},
      {"PRTDES158_66.xls", MakePrintDesign158x66}, {"PRTDES132_84.xls", MakePrintDesign132x84},
      {"PRTDES132_66.xls", MakePrintDesign132x66},
  };
  return all;
}

}  // namespace kv::templates

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kv_make_templates OUTPUT-FOLDER\n");
    return 2;
  }
  const std::string dir = argv[1];
  if (!kv::native::MakeDirs(dir)) {
    std::fprintf(stderr, "kv_make_templates: cannot make %s\n", dir.c_str());
    return 1;
  }
  for (const auto& t : kv::templates::AllTemplates()) {
    const std::string path = dir + "/" + t.file;
    if (!t.make().SaveFile(path)) {
      std::fprintf(stderr, "kv_make_templates: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
