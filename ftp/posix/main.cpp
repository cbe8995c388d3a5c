#include <string>
#include <vector>

#include "ftp/program.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return kv::ftp::RunProgram(args);
}
