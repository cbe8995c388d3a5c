// hostsim's seed reader. A seed it accepts must dump and read back to the same
// state: the state file between starts and save-file payloads rely on that.
#include <string>

#include "fuzz/fuzz_support.h"
#include "hostsim/seed.h"

namespace {

std::string DumpAll(const hostsim::SeedData& d) {
  std::string out = hostsim::DumpUsers(d.users) + hostsim::DumpMessages(d.messages);
  for (const auto& lib : d.libraries) out += hostsim::DumpLibrary(lib, false);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64 * 1024) return -1;   // a field length in a seed can ask for much memory per line
  kv::fuzz::KeepConvertersLoaded({"IBM943", "IBM939", "IBM930", "IBM037", "CP932"});
  std::string text(kv::fuzz::Bytes(data, size));
  hostsim::SeedData parsed;
  std::string err;
  if (!hostsim::ParseSeed(text, parsed, err, nullptr)) {
    if (err.empty()) kv::fuzz::Fail("seed refused without a reason");
    return 0;
  }
  std::string dumped = DumpAll(parsed);
  hostsim::SeedData again;
  if (!hostsim::ParseSeed(dumped, again, err, nullptr)) {
    std::fprintf(stderr, "%s\n--- dumped:\n%s\n", err.c_str(), dumped.c_str());
    kv::fuzz::Fail("the dump of an accepted seed is refused");
  }
  if (DumpAll(again) != dumped) kv::fuzz::Fail("a dumped seed reads back differently");
  return 0;
}
