// The Endpoint form of a socket address, and back. Written once for both
// platforms: posix/net.cpp and win32/net.cpp include this after their own
// socket headers, which declare the same sockaddr_in/sockaddr_in6 fields.
#pragma once
#include <cstring>

#include "ftp/address.h"

namespace kv::ftp {

inline Endpoint FromSockaddr(const sockaddr* sa) {
  Endpoint e;
  if (sa->sa_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(*sa);
    std::memcpy(e.bytes, &in.sin_addr, 4);
    e.port = ntohs(in.sin_port);
  } else if (sa->sa_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(*sa);
    e.ipv6 = true;
    std::memcpy(e.bytes, &in6.sin6_addr, 16);
    e.scope = in6.sin6_scope_id;
    e.port = ntohs(in6.sin6_port);
  }
  return e;
}

// Fills `ss` for `e`; the length of the address.
inline int ToSockaddr(const Endpoint& e, sockaddr_storage& ss) {
  ss = {};
  if (!e.ipv6) {
    auto& in = reinterpret_cast<sockaddr_in&>(ss);
    in.sin_family = AF_INET;
    std::memcpy(&in.sin_addr, e.bytes, 4);
    in.sin_port = htons(static_cast<std::uint16_t>(e.port));
    return sizeof in;
  }
  auto& in6 = reinterpret_cast<sockaddr_in6&>(ss);
  in6.sin6_family = AF_INET6;
  std::memcpy(&in6.sin6_addr, e.bytes, 16);
  in6.sin6_scope_id = e.scope;
  in6.sin6_port = htons(static_cast<std::uint16_t>(e.port));
  return sizeof in6;
}

}  // namespace kv::ftp
