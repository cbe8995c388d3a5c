#include "common/hostinfo.h"

#include <netdb.h>
#include <unistd.h>

namespace kv {

HostInfo GetIp() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  hostent* he = ::gethostbyname(name);
  if (!he) return {};
  return FromHostEntry(he->h_addr_list, he->h_length, he->h_name);
}

}  // namespace kv
