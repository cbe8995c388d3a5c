// The remembered-inputs files and the connection file kv3EV: the first input
// byte picks an operation, the rest is the content of that operation's inputs
// file and of kv3EV. Start-up reads kv3EV, the operation's menu pick reads its
// file into the panel; a box never receives more characters than the line
// position it is read from allows. One operation per input keeps each run short.
#include <string>

#include "client/panel/memory_panel.h"
#include "client/window/main_panel.h"
#include "client/window/operations.h"
#include "client/workfiles/paths.h"
#include "client/workfiles/remembered_inputs.h"
#include "common/winpath.h"
#include "fuzz/fuzz_support.h"

namespace {

std::size_t Characters(const std::string& utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 8193) return -1;
  kv::fuzz::PrivateInstallDir();
  kv::fuzz::KeepConvertersLoaded({"CP932"});
  const auto ops = kv::AllOperations();
  const kv::Operation& op = ops[data[0] % ops.size()];
  std::string_view bytes = kv::fuzz::Bytes(data + 1, size - 1);
  if (!kv::fuzz::WriteFileBytes(kv::MapPath(kv::ReaderPath(op.inputs)), bytes)) kv::fuzz::Fail("cannot write a file");
  if (!kv::fuzz::WriteFileBytes(kv::MapPath(kv::paths::kConnection), bytes)) kv::fuzz::Fail("cannot write kv3EV");

  kv::MemoryPanel panel;
  kv::INIT(panel);
  kv::ReadConnectionFile(panel);
  if (Characters(panel.Text(kv::Ctl::IPアドレス)) > 15 || Characters(panel.Text(kv::Ctl::ユーザー)) > 10 ||
      Characters(panel.Text(kv::Ctl::パスワード)) > 10)
    kv::fuzz::Fail("kv3EV filled a box beyond its width");
  kv::SelectOperation(panel, op.code);
  for (const auto& e : kv::ReadEntriesFor(op.code))
    if (Characters(panel.Text(e.into)) > e.count) kv::fuzz::Fail("a remembered input beyond its width");
  return 0;
}
