#include "common/clipboard.h"

#include <windows.h>

namespace kv {
void EmptySystemClipboard() {
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
}
}  // namespace kv
