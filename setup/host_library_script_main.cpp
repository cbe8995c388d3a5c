// Writes c:\KV-TRANSIT\kvtrn.ini, the script that restores the host libraries.
#include <iostream>
#include <string>
#include <vector>

#include "setup/host_library_script.h"

namespace {
int Run(const std::vector<std::string>& a) {
  if (a.size() != 4) {
    std::cerr << "usage: kvsetup-script ADDRESS USER PASSWORD MEDIAFOLDER\n";
    return 2;
  }
  return kv::WriteHostLibraryScript({a[0], a[1], a[2]}, a[3]) ? 0 : 1;
}
}  // namespace

#ifdef _WIN32
#include "common/win32/widen.h"
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> a;
  for (int i = 1; i < argc; ++i) a.push_back(kv::win32::Narrow(argv[i]));
  return Run(a);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
