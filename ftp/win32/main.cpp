// Windows entry point: the arguments arrive as UTF-16 and go on as UTF-8.
#include <string>
#include <vector>

#include "common/win32/widen.h"
#include "ftp/program.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(kv::win32::Narrow(argv[i]));
  return kv::ftp::RunProgram(args);
}
