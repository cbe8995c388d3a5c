// The remembered-inputs files and the connection file kv3EV: the input is the
// content of every one of them; each operation's menu pick reads its family's
// file into the panel, and start-up reads kv3EV. A box never receives more
// characters than the line position it is read from allows.
#include <string>

#include "client/window/operations.h"
#include "client/workfiles/paths.h"
#include "client/window/main_panel.h"
#include "client/panel/memory_panel.h"
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
  if (size > 8192) return -1;
  kv::fuzz::PrivateInstallDir();
  std::string_view bytes = kv::fuzz::Bytes(data, size);
  for (auto file : {kv::InputsFile::DFT, kv::InputsFile::DFTC, kv::InputsFile::DFT2, kv::InputsFile::DFTS,
                    kv::InputsFile::DFTS2})
    if (!kv::fuzz::WriteFileBytes(kv::MapPath(kv::ReaderPath(file)), bytes)) kv::fuzz::Fail("cannot write a file");
  if (!kv::fuzz::WriteFileBytes(kv::MapPath(kv::paths::kConnection), bytes)) kv::fuzz::Fail("cannot write kv3EV");

  kv::MemoryPanel panel;
  kv::INIT(panel);
  kv::ReadConnectionFile(panel);
  if (Characters(panel.Text(kv::Ctl::IPアドレス)) > 15 || Characters(panel.Text(kv::Ctl::ユーザー)) > 10 ||
      Characters(panel.Text(kv::Ctl::パスワード)) > 10)
    kv::fuzz::Fail("kv3EV filled a box beyond its width");
  for (const auto& op : kv::AllOperations()) {
    kv::SelectOperation(panel, op.code);
    for (const auto& e : kv::ReadEntriesFor(op.code))
      if (Characters(panel.Text(e.into)) > e.count) kv::fuzz::Fail("a remembered input beyond its width");
  }
  return 0;
}
