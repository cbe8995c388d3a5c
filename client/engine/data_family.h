// Physical-file data transfer. Operations 12 (text) and 13 (raw bytes)
// down; 27 (text) and 22 (raw bytes) up.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "client/engine/methods.h"

namespace kv {

inline constexpr std::string_view kDataDownloadTitle = "データダウンロード";           // 12
inline constexpr std::string_view kDataBinaryDownloadTitle = "データバイナリーダウンロード";  // 13
inline constexpr std::string_view kDataBinaryUploadTitle = "データ・バイナリーアップロード";  // 22
inline constexpr std::string_view kDataUploadTitle = "データ・アップロード";            // 27

void CHK13(RunContext& ctx, std::int16_t& flag);
// `code` is the operation code the pipeline passes (MENUNO): "13" raw bytes, otherwise 12.
void FTP13(RunContext& ctx, const std::string& code);
void ANSER13(RunContext& ctx, const std::string& code);

void CHK22(RunContext& ctx, std::int16_t& flag);
// Both read MENUNO themselves: 22 raw bytes, anything else 27.
void FTP22(RunContext& ctx, const std::string& arg);
void ANSER22(RunContext& ctx, const std::string& arg);

}  // namespace kv
