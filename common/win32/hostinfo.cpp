#include "common/hostinfo.h"

#include <winsock2.h>
#include <windows.h>

namespace kv {

HostInfo GetIp() {
  HostInfo info;
  WSADATA wsa;
  if (WSAStartup(0x0101, &wsa) != 0) return info;
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) == 0) {
    hostent* he = gethostbyname(name);
    if (he) {
      for (char** a = he->h_addr_list; a && *a; ++a) {
        std::string dotted;
        for (int i = 0; i < he->h_length; ++i) {
          if (i) dotted += '.';
          dotted += std::to_string(static_cast<unsigned char>((*a)[i]));
        }
        info.address = dotted;  // the last one listed is kept
      }
      char official[257] = {};
      if (he->h_name) lstrcpynA(official, he->h_name, sizeof official);
      info.name = official;
    }
  }
  WSACleanup();
  return info;
}

}  // namespace kv
