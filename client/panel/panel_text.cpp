#include "client/panel/panel_text.h"

#include <cstdlib>
#include <string>

#include "common/vbstr.h"

namespace kv {

int MenuNo(const Panel& panel) {
  // Read as a number the way the window toolkit converts text: leading digits count.
  std::string t = Trim(panel.Text(Ctl::MENUNO));
  return std::atoi(t.c_str());
}

void TrimPanel(Panel& panel) {
  for (Ctl c : kTrimmedBoxes) panel.SetText(c, Trim(panel.Text(c)));
}

}  // namespace kv
