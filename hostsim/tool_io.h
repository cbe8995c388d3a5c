// What a tool program reads and leaves behind: its parameters, its reply record
// and the work objects in QTEMP; and the registration of the tool programs of
// CSV, save-file and spooled-file transfers (tools_csv.cpp, tools_savf.cpp,
// tools_spool.cpp).
#pragma once
#include <map>
#include <string>
#include <vector>

#include "hostsim/commands.h"

namespace hostsim::tools {

// Parameter `i` as a name: trimmed and folded, as the programs compare it.
std::string Name(const CallContext& c, std::size_t i);
// Parameter `i` trimmed, case kept.
std::string Text(const CallContext& c, std::size_t i);

// The reply as WriteReply makes it, with the record cut after its last
// non-blank character, so that a text transfer ends the line there even when
// trailing blanks are kept (the client tests some status fields for exactly "OK").
void WriteTightReply(Job& job, const std::string& program, int statusPos, const std::string& status,
                     const std::string& detail);

// Replaces `lib`/`name` with a data file in CCSID 5035 whose member `member`
// holds one record per line (UTF-8), the record length being the longest line
// and at least `minLength`.
void WriteWorkFile(Library& lib, const std::string& name, const std::string& member, const std::string& text,
                   const std::vector<std::string>& lines, int minLength);

// Replaces QTEMP/FTPSAVF with a save file holding `image` (a save-file image).
// Returns false when the bytes cannot be stored.
bool WriteWorkSaveFile(Host& host, Job& job, const std::string& image);

void RegisterCsvRoutines(std::map<std::string, Routine>& r);
void RegisterSaveFileRoutines(std::map<std::string, Routine>& r);
void RegisterSpoolRoutines(std::map<std::string, Routine>& r);

}  // namespace hostsim::tools
