// Source member transfer. Operation 11 (download) and 21 (upload).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "client/engine/methods.h"

namespace kv {

inline constexpr std::string_view kSourceDownloadTitle = "ソースダウンロード";
inline constexpr std::string_view kSourceUploadTitle = "ソース・アップロード";

void CHK11(RunContext& ctx, std::int16_t& flag);
void FTP11(RunContext& ctx, const std::string& arg);
void ANSER11(RunContext& ctx, const std::string& arg);

void CHK21(RunContext& ctx, std::int16_t& flag);
void FTP21(RunContext& ctx, const std::string& arg);
// `compile` is the value of the check box コンパイル: "0" unticked, otherwise ticked.
void ANSER21(RunContext& ctx, const std::string& compile);

}  // namespace kv
