// The transfer client's reply file: the first input byte picks the operation,
// the rest is the content of FTPTEXT.DAT as the host tool program left it; the
// operation's reply method reads it on a panel that shows that operation.
// Whatever the file holds, the operator gets a completion line or a message box,
// never both. One operation per input keeps each run short: the fuzzer moves
// between operations by changing the first byte.
#include <string>
#include <vector>

#include "client/engine/methods.h"
#include "client/panel/memory_panel.h"
#include "client/window/main_panel.h"
#include "client/window/operations.h"
#include "client/workfiles/paths.h"
#include "common/winpath.h"
#include "fuzz/fuzz_support.h"

namespace {

// The operations that have a reply method, with it.
struct Replying {
  int code;
  const kv::Dispatch* dispatch;
};

const std::vector<Replying>& ReplyingOperations() {
  static const std::vector<Replying> ops = [] {
    std::vector<Replying> out;
    for (const auto& op : kv::AllOperations())
      if (const kv::Dispatch* d = kv::FindDispatch(op.code); d && d->reply) out.push_back({op.code, d});
    return out;
  }();
  return ops;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4097) return -1;
  kv::fuzz::PrivateInstallDir();
  kv::fuzz::KeepConvertersLoaded({"CP932"});
  static const std::string replyPath = kv::MapPath(kv::paths::kReply);
  const auto& ops = ReplyingOperations();
  const Replying& op = ops[data[0] % ops.size()];
  if (!kv::fuzz::WriteFileBytes(replyPath, kv::fuzz::Bytes(data + 1, size - 1)))
    kv::fuzz::Fail("cannot write the reply file");

  kv::MemoryPanel panel;
  kv::INIT(panel);
  kv::SelectOperation(panel, op.code);
  panel.ClearEvents();
  kv::RunContext ctx{panel, {}, op.code};
  op.dispatch->reply(ctx);
  const bool completed = !panel.Text(kv::Ctl::LABEL99).empty();
  bool boxed = false;
  for (const auto& e : panel.Events()) boxed |= e.kind == kv::PanelEvent::Kind::Message;
  if (completed && boxed) kv::fuzz::Fail("a completion line and a message box from one reply");
  return 0;
}
