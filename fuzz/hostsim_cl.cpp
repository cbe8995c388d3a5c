// hostsim's CL parser, and the commands it runs, in a job of a small host made
// afresh for each input (so one input cannot prepare the ground for the next).
#include <string>

#include "fuzz/fuzz_support.h"
#include "hostsim/cl.h"
#include "hostsim/commands.h"
#include "hostsim/state.h"

namespace {

const char kSeed[] =
    "USER NAME(QSECOFR) PASSWORD(QSECOFR)\n"
    "LIB NAME(FUZZLIB) TEXT('fuzz')\n"
    "SRCPF NAME(QRPGSRC) RCDLEN(92) CCSID(5035) TEXT('src')\n"
    "MBR NAME(A) TYPE(RPGLE) TEXT('a')\n"
    "| line one\n"
    "PF NAME(DATA) CCSID(5035) TEXT('data')\n"
    "FIELD NAME(NAME) TYPE(A) LEN(10)\n"
    "FIELD NAME(QTY) TYPE(S) LEN(5 2)\n"
    "FIELD NAME(AMT) TYPE(P) LEN(7 2)\n"
    "MBR NAME(DATA) TEXT('rows')\n"
    "ROW 'abc' '1.25' '-3.50'\n"
    "OUTQ NAME(PRT01) TEXT('queue')\n"
    "SPLF QSYSPRT JOB(123456/QSECOFR/QPADEV0001) NBR(1) USRDTA('x')\n"
    "| printed\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return -1;   // the server takes lines of 2048 bytes at most
  kv::fuzz::KeepConvertersLoaded({"IBM943", "IBM939", "IBM930", "IBM037", "CP932"});
  std::string_view line = kv::fuzz::Bytes(data, size);
  hostsim::ClError err;
  auto cmd = hostsim::ParseCl(line, err);
  if (!cmd) {
    if (err.id.empty()) kv::fuzz::Fail("command refused without a message");
    return 0;
  }
  (void)hostsim::BindCl(*cmd, {"PGM", "PARM"}, err);
  (void)hostsim::BindCl(*cmd, {"LIB", "DEV", "SAVF", "TGTRLS"}, err);

  hostsim::Host host;
  std::string why;
  if (!hostsim::LoadSeedText(host, kSeed, why)) kv::fuzz::Fail(why.c_str());
  hostsim::AddToolLibrary(host, "KVTOOLS");
  hostsim::Job job;
  auto result = hostsim::RunCommand(host, job, std::string(line));
  if (!result.ok && result.messages.empty()) kv::fuzz::Fail("a failed command without a message");
  return 0;
}
