// Parsing and formatting the data-connection addresses of the control dialogue:
// PASV (227), EPSV (229), PORT and EPRT, and the size announced in a 150 reply.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv::ftp {

// An IPv4 or IPv6 address with a port, as the platform's socket calls give it.
struct Endpoint {
  bool ipv6 = false;
  unsigned char bytes[16] = {};  // 4 used for IPv4, in network order
  std::uint32_t scope = 0;       // IPv6 zone (link-local addresses)
  int port = 0;
};

// The usual text of an address: "a.b.c.d", or IPv6 in its shortest form
// ("2001:db8::1", "::ffff:127.0.0.1" for a mapped IPv4 address).
std::string AddressText(const Endpoint& e);

struct PassiveAddress {
  std::string host;   // dotted IPv4 as the server wrote it
  int port = 0;
};

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": the six numbers may stand with or
// without brackets; each must be 0..255 and the port must not be 0.
std::optional<PassiveAddress> ParsePasv(std::string_view replyText);
// "229 Entering Extended Passive Mode (|||port|)": the port, 1..65535.
std::optional<int> ParseEpsv(std::string_view replyText);

// "h1,h2,h3,h4,p1,p2" for an IPv4 address and port; nothing for anything else.
std::optional<std::string> FormatPortArgument(const std::string& ipv4, int port);
// "|1|addr|port|" or "|2|addr|port|".
std::string FormatEprtArgument(const std::string& address, bool ipv6, int port);

// The byte count of "... (12345 bytes)" in a 150 reply, as many servers announce it.
std::optional<std::uint64_t> AnnouncedSize(std::string_view replyText);

}  // namespace kv::ftp
