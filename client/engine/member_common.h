// What the member families (source, data, CSV) share: their
// validation tables and the checks on the member names and the PC path.
#pragma once
#include <span>
#include <string>
#include <string_view>

#include "client/engine/field_check.h"
#include "client/engine/reply.h"
#include "client/panel/panel.h"

namespace kv::member {

// `pcファイル名` holds no "\".
bool NoBackslash(const Panel& panel);
// Characters 4 and 5 of `pcファイル名`, filled with blanks to two characters, are
// two blanks: the path ends at or before a drive root such as "C:\".
bool NoNameAfterRoot(const Panel& panel);
// The attributes of `pcファイル名` cannot be read (a directory counts as found).
bool PcFileMissing(const Panel& panel);

// The replies for names the host does not know.
inline constexpr std::string_view kNotLib = "ライブラリー名が間違っています確認してください。";
inline constexpr std::string_view kNotFil = "ファイル名が間違っています確認してください。";
inline constexpr std::string_view kNotMbr = "メンバー名が間違っています確認してください。";

// The checks of a physical-file download, text or raw bytes, and of a CSV
// download: names, then a PC path with a folder and a file name.
std::span<const FieldCheck> DataDownloadChecks();

// library + "/" + file + "." + member, as the get and put lines name a member.
std::string MemberPath(const Panel& panel);

// The completion line of a member download: the member and the description the
// host replied with.
void ShowDownloaded(Panel& panel, const ReplyLine& reply);

}  // namespace kv::member
