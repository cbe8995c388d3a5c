// Empties the system clipboard (nothing to do where there is none).
#pragma once

namespace kv {
void EmptySystemClipboard();
}
