// The frame every transfer script shares: the tool library from LIBNAME.ini,
// the timeout sentinel, the common opening and closing lines, and the CALL lines
// of the host tool programs.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "client/panel/panel.h"

namespace kv {

inline constexpr std::string_view kMemberSentinel = "123456789012345678901234567890TIMOVR";
inline constexpr std::string_view kSaveSentinel = "1234567890TIMOVR";
inline constexpr std::string_view kReplyFetchLine = "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT";

// Characters 1 to 10 of LIBNAME.ini's first line, trimmed; empty when unreadable.
std::string ReadToolLibrary();

// Which sentinel goes into the reply file before the run.
enum class Sentinel { Member, SaveFile };

// "quote RCMD " or "quote rcmd ".
enum class CallPrefix { Upper, Lower };

// A value as a CL quoted string: enclosed in apostrophes, an apostrophe inside
// doubled, so that a typed value cannot end its parameter early.
std::string ClQuoted(std::string_view value);
// "quote rcmd CALL LIB/#PGM PARM('A' 'B')"; `program` is given without "#".
std::string CallLine(CallPrefix prefix, std::string_view toolLibrary, std::string_view program,
                     const std::vector<std::string>& params);
// A PC path in a get or put line: enclosed in double quotes.
std::string PcPath(std::string_view path);

class ScriptFrame {
 public:
  // Reads the tool library, then overwrites the reply file with the sentinel.
  ScriptFrame(const Panel& panel, Sentinel sentinel);

  const std::string& ToolLibrary() const { return toolLibrary_; }
  std::string Call(CallPrefix prefix, std::string_view program, const std::vector<std::string>& params) const {
    return CallLine(prefix, toolLibrary_, program, params);
  }

  // Creates the install directory and writes the script: the common opening
  // (logon lines, `typeLines`, "cd /QSYS.LIB/", "quote site namefmt 0"), `body`,
  // `beforeFetch`, the reply fetch and "quit".
  void Write(const std::vector<std::string>& typeLines, const std::vector<std::string>& body,
             const std::vector<std::string>& beforeFetch = {}) const;

  // The lines Write would write, for the callers that need them as a list.
  std::vector<std::string> Lines(const std::vector<std::string>& typeLines, const std::vector<std::string>& body,
                                 const std::vector<std::string>& beforeFetch = {}) const;

 private:
  const Panel& panel_;
  std::string toolLibrary_;
};

}  // namespace kv
