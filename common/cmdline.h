// Splitting a Windows command line into the program and its arguments.
#pragma once
#include <string>
#include <vector>

namespace kv {

// Words separated by blanks; a double-quoted stretch keeps its blanks and loses its quotes.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace kv
