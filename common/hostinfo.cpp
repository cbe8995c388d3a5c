#include "common/hostinfo.h"

#include <string_view>

namespace kv {

HostInfo FromHostEntry(char** addresses, int length, const char* officialName) {
  HostInfo info;
  for (char** a = addresses; a && *a; ++a) {
    std::string dotted;
    for (int i = 0; i < length; ++i) {
      if (i) dotted += '.';
      dotted += std::to_string(static_cast<unsigned char>((*a)[i]));
    }
    info.address = dotted;  // the last one listed is kept
  }
  if (officialName) info.name = std::string_view(officialName).substr(0, 256);
  return info;
}

}  // namespace kv
