// The FTP client's command line: arguments separated by NUL bytes in the input.
#include <string>
#include <vector>

#include "ftp/options.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  for (std::string_view a : kv::fuzz::Split(kv::fuzz::Bytes(data, size), '\0')) args.emplace_back(a);
  auto parsed = kv::ftp::ParseOptions(args);
  if (!parsed.options && parsed.error.empty() && !args.empty()) kv::fuzz::Fail("refused without a reason");
  if (parsed.options) {
    const auto& o = *parsed.options;
    if (o.connectTimeout < 0 || o.dataTimeout < 0 || o.replyTimeout < 0) kv::fuzz::Fail("negative time limit");
  }
  return 0;
}
