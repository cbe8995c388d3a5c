// kv_make_help MANUAL.html OUT.HLP OUT.cnt: the operator's manual as a WinHelp
// file and its contents file.
#include <fstream>
#include <iostream>
#include <iterator>

#include "media/winhelp/manual_reader.h"
#include "media/winhelp/winhelp_writer.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: kv_make_help MANUAL.html OUT.HLP OUT.cnt\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "kv_make_help: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::string html((std::istreambuf_iterator<char>(in)), {});
  try {
    kv::help::Manual manual = kv::help::ReadManual(html);
    std::string hlp = kv::help::WriteHelpFile(manual);
    std::string cnt = kv::help::WriteContentsFile(manual, "KV1.HLP");
    std::ofstream(argv[2], std::ios::binary) << hlp;
    std::ofstream(argv[3], std::ios::binary) << cnt;
    std::ofstream check2(argv[2], std::ios::binary | std::ios::app), check3(argv[3], std::ios::binary | std::ios::app);
    if (!check2 || !check3) {
      std::cerr << "kv_make_help: cannot write the output files\n";
      return 1;
    }
  } catch (const kv::help::HelpError& e) {
    std::cerr << "kv_make_help: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
