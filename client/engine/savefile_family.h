// Library and object save files: download (15 library, 16 object) and upload
// (24 library, 25 object). One method of each stage serves both codes of a
// direction and tells them apart by the run's operation code.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "client/engine/methods.h"

namespace kv {

// Caption of the reply boxes (and of the upload's save-file boxes) for code 15, 16, 24 or 25.
std::string_view SaveFileOperationTitle(int code);

void CHK16(RunContext& ctx, std::int16_t& flag);
void FTP16(RunContext& ctx);
// On success: the listing workbook (when リスト要 is ticked), the clipboard
// emptied, the completion line, then DFT2.dat; nothing is written otherwise.
void ANSER16(RunContext& ctx);

void CHK25(RunContext& ctx, std::int16_t& flag);
void FTP25(RunContext& ctx);
// Writes DFT2.dat (six lines) whatever the outcome.
void ANSER25(RunContext& ctx);

// The dispatch rows of operations 15, 16, 24 and 25.
std::span<const Dispatch> SaveFileDispatchRows();

}  // namespace kv
