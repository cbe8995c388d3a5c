// Parser for CL command strings as the remote-command subcommand receives them:
// a command name, positional and keyword parameters, parenthesised lists (nested),
// quoted strings with doubled apostrophes, and qualified names such as LIB/PGM.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

struct ClValue {
  enum Kind { kName, kQuoted, kList } kind = kName;
  std::string text;             // a name is folded to upper case; a quoted string keeps its case
  std::vector<ClValue> items;   // elements of a parenthesised list
};

struct ClParam {
  std::string keyword;          // empty for a positional parameter
  std::vector<ClValue> values;  // the elements between KEYWORD( and ), or the one positional value
};

struct ClCommand {
  std::string name;             // upper case, any library qualifier removed
  std::vector<ClParam> params;
};

struct ClError {
  std::string id;               // message identifier, e.g. CPD0013
  std::string text;
};

// Parses one command string; on error returns nothing and fills `err`.
std::optional<ClCommand> ParseCl(std::string_view line, ClError& err);

// Parameters by keyword after placing the positional ones in the order of `keywords`.
// Unknown keywords, duplicates and too many positional values are errors.
struct ClArgs {
  std::vector<std::pair<std::string, std::vector<ClValue>>> byKeyword;
  const std::vector<ClValue>* Get(std::string_view kw) const;
  // The first element of a parameter as text ("" when absent).
  std::string Text(std::string_view kw) const;
};
std::optional<ClArgs> BindCl(const ClCommand& cmd, const std::vector<std::string>& keywords, ClError& err);

// Splits "LIB/OBJ" into library and object; a bare name gets `defaultLib`.
std::pair<std::string, std::string> SplitQualified(std::string_view name, std::string_view defaultLib = "*LIBL");

// a-z folded to A-Z, as the host folds names and subcommands; every other byte
// (DBCS text included) is kept.
std::string Upper(std::string_view s);

// An object name as the host accepts it: 1 to 10 characters, first A-Z # @ $,
// then also 0-9 and _. Case must already be folded.
bool IsValidName(std::string_view name);

}  // namespace hostsim
