// The few native file-system calls that differ between Windows and elsewhere.
// Every path here is native (already mapped).
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace kv::native {

FILE* OpenFile(const std::string& path, const char* mode);
// Moves `from` over `to`, replacing an existing `to`.
bool MoveReplacing(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
// Copies a whole file over `to` (replaced when it exists), keeping the source's
// permission to run; a failed copy leaves an existing `to` as it was.
bool CopyReplacing(const std::string& from, const std::string& to);
bool MakeDir(const std::string& path);
// Makes the directory and any missing parents.
bool MakeDirs(const std::string& path);
bool Exists(const std::string& path);
bool IsDir(const std::string& path);
// Names in a directory (without "." and ".."); empty when it cannot be read.
std::vector<std::string> ListDir(const std::string& path);

}  // namespace kv::native
