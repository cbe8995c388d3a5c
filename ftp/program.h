// The whole program behind main(): options, script, session, exit status.
#pragma once
#include <string>
#include <vector>

namespace kv::ftp {

// `args` without the program name, UTF-8.
int RunProgram(const std::vector<std::string>& args);

}  // namespace kv::ftp
