// Spooled files: download as a save file (17) or as text (18), and upload of a
// downloaded save file onto an output queue (26). CHK17, FTP17 and ANSER17
// serve 17 and 18 and tell them apart by the run's operation code.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "client/engine/methods.h"

namespace kv {

// Caption of the reply boxes for code 17, 18 or 26.
std::string_view SpoolOperationTitle(int code);

void CHK17(RunContext& ctx, std::int16_t& flag);
void FTP17(RunContext& ctx);
// Writes DFTS.dat (eight lines) whatever the outcome.
void ANSER17(RunContext& ctx);

void CHK26(RunContext& ctx, std::int16_t& flag);
void FTP26(RunContext& ctx);
// Writes DFTS2.dat (five lines) whatever the outcome.
void ANSER26(RunContext& ctx);

// The dispatch rows of operations 17, 18 and 26.
std::span<const Dispatch> SpoolDispatchRows();

}  // namespace kv
