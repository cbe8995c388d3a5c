#include "common/hostinfo.h"

#include <netdb.h>
#include <unistd.h>

#include <cstring>

namespace kv {

HostInfo GetIp() {
  HostInfo info;
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return info;
  hostent* he = ::gethostbyname(name);
  if (!he) return info;
  for (char** a = he->h_addr_list; a && *a; ++a) {
    std::string dotted;
    for (int i = 0; i < he->h_length; ++i) {
      if (i) dotted += '.';
      dotted += std::to_string(static_cast<unsigned char>((*a)[i]));
    }
    info.address = dotted;  // the last one listed is kept
  }
  char official[257] = {};
  if (he->h_name) std::strncpy(official, he->h_name, sizeof official - 1);
  info.name = official;
  return info;
}

}  // namespace kv
