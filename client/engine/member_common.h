// What the member families (source, data, CSV) share: their
// validation tables and the checks on the member names and the PC path.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "client/ui/panel.h"

namespace kv::member {

// When a check of a validation table runs.
enum class RunsWhen {
  FlagClear,           // only while the error flag is still 0 (the rule)
  PreviousDidNotFire,  // whenever the check before it did not fire, flag or not (CHK21's last check)
};

struct FieldCheck {
  bool (*fails)(const Panel&);
  std::string_view text;
  std::string_view title;
  Ctl focus;
  RunsWhen when = RunsWhen::FlagClear;
};

// Sets the flag to 0, then runs the checks in order: a failing check shows its
// warning box (exclamation icon), moves the focus and sets the flag to 1.
void RunChecks(Panel& panel, std::span<const FieldCheck> checks, std::int16_t& flag);

template <Ctl c>
bool IsEmpty(const Panel& panel) {
  return panel.Text(c).empty();
}
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

}  // namespace kv::member
