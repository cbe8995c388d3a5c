#include "common/clipboard.h"

namespace kv {
// No system clipboard is reachable from the batch programs here.
void EmptySystemClipboard() {}
}
