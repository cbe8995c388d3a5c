#include "client/engine/script.h"

#include "client/workfiles/paths.h"
#include "common/textfile.h"
#include "common/vbstr.h"

namespace kv {

std::string ReadToolLibrary() {
  auto first = ReadFirstLine(paths::kLibName);
  if (!first) return {};
  // Characters 11 to 20 name a second library that no script uses.
  return Trim(Mid(*first, 1, 10));
}

std::string ClQuoted(std::string_view value) {
  std::string out = "'";
  for (char c : value) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

std::string CallLine(CallPrefix prefix, std::string_view toolLibrary, std::string_view program,
                     const std::vector<std::string>& params) {
  std::string line = prefix == CallPrefix::Upper ? "quote RCMD " : "quote rcmd ";
  line += "CALL ";
  line += toolLibrary;
  line += "/#";
  line += program;
  line += " PARM(";
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i) line += ' ';
    line += ClQuoted(params[i]);
  }
  line += ')';
  return line;
}

std::string PcPath(std::string_view path) {
  // Appended piece by piece: mingw's g++ 12 reports a false -Wrestrict on
  // "\"" + std::string(...) at -O3.
  std::string quoted;
  quoted.reserve(path.size() + 2);
  quoted += '"';
  quoted += path;
  quoted += '"';
  return quoted;
}

ScriptFrame::ScriptFrame(const Panel& panel, Sentinel sentinel) : panel_(panel), toolLibrary_(ReadToolLibrary()) {
  // Every run starts from the sentinel, so that a reply that never arrives
  // reads as a timeout rather than as the previous run's outcome. The install
  // directory is made first so that even the very first run has its sentinel.
  MakeDirectory(paths::kInstallDir);
  WriteLines(paths::kReply, {std::string(sentinel == Sentinel::SaveFile ? kSaveSentinel : kMemberSentinel)});
}

std::vector<std::string> ScriptFrame::Lines(const std::vector<std::string>& typeLines,
                                            const std::vector<std::string>& body,
                                            const std::vector<std::string>& beforeFetch) const {
  std::vector<std::string> lines = {"open " + panel_.Text(Ctl::IPアドレス), panel_.Text(Ctl::ユーザー),
                                    panel_.Text(Ctl::パスワード)};
  lines.insert(lines.end(), typeLines.begin(), typeLines.end());
  lines.push_back("cd /QSYS.LIB/");
  lines.push_back("quote site namefmt 0");
  lines.insert(lines.end(), body.begin(), body.end());
  lines.insert(lines.end(), beforeFetch.begin(), beforeFetch.end());
  lines.push_back(std::string(kReplyFetchLine));
  lines.push_back("quit");
  return lines;
}

void ScriptFrame::Write(const std::vector<std::string>& typeLines, const std::vector<std::string>& body,
                        const std::vector<std::string>& beforeFetch) const {
  MakeDirectory(paths::kInstallDir);
  WriteLines(paths::kScript, Lines(typeLines, body, beforeFetch));
}

}  // namespace kv
