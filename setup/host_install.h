// Installs the host libraries: writes the restore script, runs the FTP client
// on it while the window keeps handling its events, and says how the run ended.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "setup/host_library_script.h"

namespace kv {

enum class HostOutcome {
  Installed,       // the FTP client ended with success
  ScriptNotWritten,
  NotStarted,      // no FTP client in the working folder, or it could not run
  LogonRefused,
  NoConnection,
  ConnectionLost,
  Failed,          // a put or a restore failed, or the script did not run through
};

HostOutcome InstallHostLibraries(const HostLogon& logon, const std::string& mediaFolder,
                                 const std::function<void()>& processEvents);

struct SetupMessage {
  std::string title, text;
};
// The warning box for an outcome; nothing for Installed.
std::optional<SetupMessage> HostFailureMessage(HostOutcome outcome);

}  // namespace kv
