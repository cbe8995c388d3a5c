// CSV transfer. Operation 14 (download) and 23 (upload); the host
// converts between records and CSV in the work file QTEMP/CSVF.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "client/engine/methods.h"

namespace kv {

inline constexpr std::string_view kCsvDownloadTitle = "ＣＳＶダウンロード";
inline constexpr std::string_view kCsvUploadTitle = "CSVファイルアップロード";

void CHK14(RunContext& ctx, std::int16_t& flag);
// `columnNames` is the value of the check box 漢字 (label "項目名(要)"): "0" gives
// the flag "N", otherwise "Y".
void FTP14(RunContext& ctx, const std::string& columnNames);
void ANSER14(RunContext& ctx, const std::string& arg);

void CHK23(RunContext& ctx, std::int16_t& flag);
void FTP23(RunContext& ctx, const std::string& arg);
void ANSER23(RunContext& ctx, const std::string& arg);

}  // namespace kv
