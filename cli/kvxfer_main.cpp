#include <iostream>
#include <string>
#include <vector>

#include "cli/kvxfer.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "common/win32/widen.h"

int wmain(int argc, wchar_t** argv) {
  // The output is UTF-8 with LF line ends, byte for byte as on other systems.
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(kv::win32::Narrow(argv[i]));
  kv::KvxferOptions options;
  options.progress = _isatty(_fileno(stderr)) != 0;
  return kv::RunKvxfer(args, std::cout, std::cerr, options);
}
#else
#include <unistd.h>

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  kv::KvxferOptions options;
  options.progress = ::isatty(2) != 0;
  return kv::RunKvxfer(args, std::cout, std::cerr, options);
}
#endif
