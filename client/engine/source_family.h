// Source member transfer. Operation 11 (download) and 21 (upload).
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "client/engine/methods.h"

namespace kv {

inline constexpr std::string_view kSourceDownloadTitle = "ソースダウンロード";
inline constexpr std::string_view kSourceUploadTitle = "ソース・アップロード";

void CHK11(RunContext& ctx, std::int16_t& flag);
void FTP11(RunContext& ctx);
void ANSER11(RunContext& ctx);

void CHK21(RunContext& ctx, std::int16_t& flag);
void FTP21(RunContext& ctx);
// The success line says where the compile went when コンパイル is ticked.
void ANSER21(RunContext& ctx);

// The dispatch rows of operations 11 and 21.
std::span<const Dispatch> SourceDispatchRows();

}  // namespace kv
