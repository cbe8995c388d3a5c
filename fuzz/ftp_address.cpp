// PASV and EPSV replies and the size announced in a 150 reply. What the parsers
// accept must be a usable address: four numbers 0..255 and a port 1..65535 that
// format back into a PORT argument.
#include <string>

#include "ftp/address.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text = kv::fuzz::Bytes(data, size);
  if (auto pasv = kv::ftp::ParsePasv(text)) {
    if (pasv->port < 1 || pasv->port > 65535) kv::fuzz::Fail("PASV port out of range");
    auto arg = kv::ftp::FormatPortArgument(pasv->host, pasv->port);
    if (!arg) kv::fuzz::Fail("PASV address does not format as a PORT argument");
    auto again = kv::ftp::ParsePasv("227 Entering Passive Mode (" + *arg + ")");
    if (!again || again->port != pasv->port) kv::fuzz::Fail("PASV address does not survive a round trip");
  }
  if (auto port = kv::ftp::ParseEpsv(text)) {
    if (*port < 1 || *port > 65535) kv::fuzz::Fail("EPSV port out of range");
    (void)kv::ftp::FormatEprtArgument("127.0.0.1", false, *port);
  }
  (void)kv::ftp::AnnouncedSize(text);
  return 0;
}
