#include "setup/host_library_script.h"

#include "client/workfiles/paths.h"
#include "common/textfile.h"

namespace kv {

std::vector<std::string> HostLibraryScript(const HostLogon& logon, const std::string& mediaFolder) {
  return {
      "open " + logon.address,
      logon.user,
      logon.password,
      "cd /qsys.lib/",
      "quote site namefmt 0",
      "binary",
      "quote rcmd CHGJOB LOG(4 40 *NOLIST) ",
      "quote rcmd CRTSAVF FILE(QTEMP/FTPSAVF)",
      "put \"" + mediaFolder + "\\TRIAL_KVU.SAVF\" QTEMP/FTPSAVF",
      "quote rcmd RSTLIB SAVLIB(TRIAL_KVU) DEV(*SAVF) SAVF(QTEMP/FTPSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) "
      "RSTLIB(TRIAL_KVU)",
      "put \"" + mediaFolder + "\\TRIAL_KVD.SAVF\" QTEMP/FTPSAVF",
      "quote rcmd RSTLIB SAVLIB(TRIAL_KVD) DEV(*SAVF) SAVF(QTEMP/FTPSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL)  "
      "RSTLIB(TRIAL_KVD)",
      "quote rcmd ADDLIBLE TRIAL_KVU",
      "quit",
  };
}

bool WriteHostLibraryScript(const HostLogon& logon, const std::string& mediaFolder) {
  MakeDirectory(paths::kInstallDir);
  return WriteLines(paths::kScript, HostLibraryScript(logon, mediaFolder));
}

}  // namespace kv
