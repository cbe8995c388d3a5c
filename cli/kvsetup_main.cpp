#include <iostream>
#include <string>
#include <vector>

#include "cli/kvsetup.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "common/win32/widen.h"

int wmain(int argc, wchar_t** argv) {
  // The output is UTF-8 with LF line ends, byte for byte as on other systems.
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(kv::win32::Narrow(argv[i]));
  return kv::RunKvsetup(args, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return kv::RunKvsetup(args, std::cout, std::cerr);
}
#endif
