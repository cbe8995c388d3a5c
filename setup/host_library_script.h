// The FTP script that installs the host libraries: it restores the tool library
// TRIAL_KVU and the library TRIAL_KVD from the save files in the media folder.
#pragma once
#include <string>
#include <vector>

namespace kv {

struct HostLogon {
  std::string address, user, password;
};

// `mediaFolder` is the Windows folder that holds TRIAL_KVU.SAVF and TRIAL_KVD.SAVF,
// as the running program sees it (a drive root keeps its trailing backslash).
std::vector<std::string> HostLibraryScript(const HostLogon& logon, const std::string& mediaFolder);

// Writes the script to c:\KV-TRANSIT\kvtrn.ini; false when it could not be written.
bool WriteHostLibraryScript(const HostLogon& logon, const std::string& mediaFolder);

}  // namespace kv
