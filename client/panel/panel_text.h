// Reading the panel's texts the way the window toolkit does: MENUNO as a
// number, and the text boxes trimmed before a run or a chooser.
#pragma once
#include "client/panel/panel.h"

namespace kv {

// Numeric value of MENUNO as the pipeline reads it (0 when it is not a number).
int MenuNo(const Panel& panel);

// Trims the fourteen text boxes in place.
void TrimPanel(Panel& panel);

}  // namespace kv
