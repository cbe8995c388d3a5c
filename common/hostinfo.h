// The PC's own address and host name, as the host tool programs receive them.
#pragma once
#include <string>

namespace kv {

struct HostInfo {
  std::string address;  // dotted decimal; the last address of the resolver's list
  std::string name;     // the host entry's official name
};

// Both empty when the PC's own name cannot be resolved.
HostInfo GetIp();

// What GetIp keeps of the resolver's entry for the PC's own name (the fields of
// a hostent): the last of the `length`-byte addresses in dotted form, and the
// official name cut to 256 characters.
HostInfo FromHostEntry(char** addresses, int length, const char* officialName);

}  // namespace kv
