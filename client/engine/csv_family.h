// CSV transfer. Operation 14 (download) and 23 (upload); the host
// converts between records and CSV in the work file QTEMP/CSVF.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "client/engine/methods.h"

namespace kv {

inline constexpr std::string_view kCsvDownloadTitle = "ＣＳＶダウンロード";
inline constexpr std::string_view kCsvUploadTitle = "CSVファイルアップロード";

void CHK14(RunContext& ctx, std::int16_t& flag);
// The check box 漢字 (label "項目名(要)") asks the host for the column names:
// unticked gives the flag "N", otherwise "Y".
void FTP14(RunContext& ctx);
void ANSER14(RunContext& ctx);

void CHK23(RunContext& ctx, std::int16_t& flag);
void FTP23(RunContext& ctx);
void ANSER23(RunContext& ctx);

// The dispatch rows of operations 14 and 23.
std::span<const Dispatch> CsvDispatchRows();

}  // namespace kv
