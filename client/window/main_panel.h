// Start-up, the panel reset and the operation menu handlers of the main window.
#pragma once
#include <functional>

#include "client/panel/panel.h"
#include "common/hostinfo.h"

namespace kv {

// Hides the operation inputs and hidden boxes, restores the title colour and
// the places INIT owns, empties LABEL99 and sets MENUNO to "0".
void INIT(Panel& panel);

// Start-up after the help file is set: INIT, the install directory, the
// connection file, then the PC's address and name. Failing steps are skipped.
void StartUp(Panel& panel, const std::function<HostInfo()>& getIp = GetIp);

// A pick in the operation menus: configures the panel for `code`, fills it from
// the family's remembered-inputs file and focuses the first input.
// False for a code without an operation (nothing changes then).
bool SelectOperation(Panel& panel, int code);

}  // namespace kv
