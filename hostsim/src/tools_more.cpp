// Tool programs for CSV, save-file and spooled-file transfers.
#include <map>

#include "hostsim/src/commands.h"

namespace hostsim {

void RegisterMoreRoutines(std::map<std::string, Routine>&) {}

}  // namespace hostsim
