// Physical-file data transfer. Operations 12 (text) and 13 (raw bytes)
// down; 27 (text) and 22 (raw bytes) up.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "client/engine/methods.h"

namespace kv {

inline constexpr std::string_view kDataDownloadTitle = "データダウンロード";           // 12
inline constexpr std::string_view kDataBinaryDownloadTitle = "データバイナリーダウンロード";  // 13
inline constexpr std::string_view kDataBinaryUploadTitle = "データ・バイナリーアップロード";  // 22
inline constexpr std::string_view kDataUploadTitle = "データ・アップロード";            // 27

void CHK13(RunContext& ctx, std::int16_t& flag);
// 13 raw bytes, 12 text.
void FTP13(RunContext& ctx);
void ANSER13(RunContext& ctx);

void CHK22(RunContext& ctx, std::int16_t& flag);
// 22 raw bytes, 27 text.
void FTP22(RunContext& ctx);
void ANSER22(RunContext& ctx);

// The dispatch rows of operations 12, 13, 22 and 27.
std::span<const Dispatch> DataDispatchRows();

}  // namespace kv
