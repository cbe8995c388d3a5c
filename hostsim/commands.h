// CL commands run through the remote-command subcommand, in the session's job,
// and the host tool programs they can call.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "hostsim/store.h"

namespace hostsim {

// The FTP server job of one session: its QTEMP and library list live and die with it.
struct Job {
  std::string name = "QTFTP00001";
  std::string user = "QSECOFR";
  std::string number = "100001";
  Library qtemp{"QTEMP", "", {}};
  std::string curlib = "QGPL";
  std::vector<std::string> userLibl{"QGPL"};   // user part of the library list, QTEMP before it
  std::vector<std::string> log;                // job log: commands and messages
  std::string logLevel = "4 0 *NOLIST";
};

struct CmdMessage {
  std::string id;
  std::string text;
};

struct CmdResult {
  bool ok = true;
  std::vector<CmdMessage> messages;   // completion message, or the escape message last
};

// Library by name for this job: QTEMP is the job's own.
Library* ResolveLibrary(Host& host, Job& job, const std::string& name);
// Finds an object through a qualified name; *LIBL and *CURLIB are searched in the job.
Object* ResolveObject(Host& host, Job& job, const std::string& lib, const std::string& name, const std::string& type,
                      Library** where = nullptr);

// Parses and runs one command line. The caller holds host.mu.
CmdResult RunCommand(Host& host, Job& job, const std::string& line);

// What a called program receives and returns.
struct CallContext {
  Host& host;
  Job& job;
  std::string program;                // name of the program object
  std::vector<std::string> parms;     // as CL passes them (literals of 32 bytes or less padded to 32)
  std::string library = {};           // the library the program was found in
};
struct Routine {
  int parms;                          // number of parameters the program declares
  std::function<CmdResult(CallContext&)> run;
};
// The routine registered under `name`, or null when it is not built.
const Routine* FindRoutine(const std::string& name);
// Names of the eleven tool programs and their routines.
const std::vector<std::pair<std::string, std::string>>& ToolPrograms();

// Save and restore, shared by the CL commands and the tool programs.
// `spooledFiles`: output queues are saved with their spooled files (SPLFDTA(*ALL)).
CmdResult SaveLibraryTo(Host& host, Job& job, const std::string& lib, Object& savf, const std::string& release,
                        bool spooledFiles = false);
CmdResult SaveObjectsTo(Host& host, Job& job, const std::string& lib, const std::vector<std::string>& names,
                        const std::vector<std::string>& types, Object& savf, const std::string& release,
                        bool spooledFiles = false);
struct RestoreOptions {
  std::string mbropt = "*MATCH";
  std::string alwobjdif = "*NONE";
  std::vector<std::string> objects{"*ALL"};
  bool wholeLibrary = true;           // RSTLIB; RSTOBJ needs the target library to exist
  std::string splfdta = "*NONE";      // *NEW: saved spooled files not on the system come back
};
CmdResult RestoreFrom(Host& host, Job& job, const std::string& savlib, Object& savf, const std::string& rstlib,
                      const RestoreOptions& opt);

// Writes the one-record reply of a tool program into QTEMP/FTPTEXT: `prefix` at
// character 1, the status word at `statusPos`, `detail` at character 41.
void WriteReply(Job& job, const std::string& program, int statusPos, const std::string& status,
                const std::string& count, const std::string& detail);

std::string Trimmed(const std::string& s);

}  // namespace hostsim
