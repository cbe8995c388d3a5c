// The transfer client's reply file: the input is the content of FTPTEXT.DAT as
// the host tool program left it; every operation's reply method reads it on a
// panel that shows that operation. Whatever the file holds, the operator gets a
// completion line or a message box, never both and never neither for a line
// that names no known status.
#include <string>

#include "client/engine/methods.h"
#include "client/window/operations.h"
#include "client/workfiles/paths.h"
#include "client/window/main_panel.h"
#include "client/panel/memory_panel.h"
#include "common/winpath.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return -1;
  kv::fuzz::PrivateInstallDir();
  static const std::string replyPath = kv::MapPath(kv::paths::kReply);
  if (!kv::fuzz::WriteFileBytes(replyPath, kv::fuzz::Bytes(data, size))) kv::fuzz::Fail("cannot write the reply file");
  for (const auto& op : kv::AllOperations()) {
    const kv::Dispatch* d = kv::FindDispatch(op.code);
    if (!d || !d->reply) continue;
    kv::MemoryPanel panel;
    kv::INIT(panel);
    kv::SelectOperation(panel, op.code);
    panel.ClearEvents();
    kv::RunContext ctx{panel};
    d->reply(ctx, kv::ArgumentOf(panel, d->replyArg));
    const bool completed = !panel.Text(kv::Ctl::LABEL99).empty();
    bool boxed = false;
    for (const auto& e : panel.Events()) boxed |= e.kind == kv::PanelEvent::Kind::Message;
    if (completed && boxed) kv::fuzz::Fail("a completion line and a message box from one reply");
  }
  return 0;
}
