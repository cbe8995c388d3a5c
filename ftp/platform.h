// The few process-level calls that differ between Windows and elsewhere.
#pragma once
#include <string>

namespace kv::ftp {

// Changes the working directory (native path); false when it does not exist.
bool ChangeLocalDir(const std::string& nativePath);
// The working directory as a native path.
std::string CurrentLocalDir();
int ProcessId();
// The running program's own file as a native path; empty when unknown.
std::string ProgramPath();

}  // namespace kv::ftp
