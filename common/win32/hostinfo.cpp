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
    if (he) info = FromHostEntry(he->h_addr_list, he->h_length, he->h_name);
  }
  WSACleanup();
  return info;
}

}  // namespace kv
