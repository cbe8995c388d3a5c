// The CSV loader behind the CSV upload: the uploaded lines (code page 932 text,
// as the client sends them) land in QTEMP/CSVF, then the load program runs on a
// file with character, zoned and packed fields.
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "hostsim/ccsid.h"
#include "hostsim/commands.h"
#include "hostsim/state.h"
#include "hostsim/tool_io.h"

namespace {

const char kSeed[] =
    "USER NAME(QSECOFR) PASSWORD(QSECOFR)\n"
    "LIB NAME(FUZZLIB) TEXT('fuzz')\n"
    "PF NAME(DATA) CCSID(5035) TEXT('data')\n"
    "FIELD NAME(NAME) TYPE(A) LEN(10)\n"
    "FIELD NAME(KANA) TYPE(A) LEN(12) CCSID(5035)\n"
    "FIELD NAME(QTY) TYPE(S) LEN(5 2)\n"
    "FIELD NAME(AMT) TYPE(P) LEN(7 2)\n"
    "MBR NAME(DATA) TEXT('rows')\n"
    "ROW 'abc' 'x' '1.25' '-3.50'\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64 * 1024) return -1;
  kv::fuzz::KeepConvertersLoaded({"IBM943", "IBM939", "IBM930", "IBM037", "CP932"});
  hostsim::Host host;
  std::string why;
  if (!hostsim::LoadSeedText(host, kSeed, why)) kv::fuzz::Fail(why.c_str());
  hostsim::AddToolLibrary(host, "KVTOOLS");
  hostsim::Job job;
  std::vector<std::string> lines;
  for (std::string_view line : kv::fuzz::Split(kv::fuzz::Bytes(data, size), '\n')) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(hostsim::ToUtf8(line, 943));
  }
  hostsim::tools::WriteWorkFile(job.qtemp, "CSVF", "CSVF", "", lines, 1);
  auto result = hostsim::RunCommand(host, job, "CALL PGM(KVTOOLS/#FTPCSVP) PARM('FUZZLIB' 'DATA' 'DATA')");
  if (!result.ok) kv::fuzz::Fail("the load program ended abnormally");
  return 0;
}
