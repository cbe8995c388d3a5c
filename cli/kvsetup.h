// kvsetup: the installer without its window. Runs the sequence of the start
// button with the choices given on the command line and prints what the window
// would have shown.
#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace kv {

// `args` excludes the program name. Returns the exit status: 0 installed and no
// message box, 1 a message box was shown, 2 a usage error.
int RunKvsetup(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kv
