// The table of script commands.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kv::ftp {

class Interpreter;

struct CommandCall {
  Interpreter& run;
  std::string_view line;                 // the whole script line
  const std::vector<std::string>& words; // its words, the command word first
};

using CommandHandler = int (*)(CommandCall&);

struct CommandSpec {
  const char* name;
  CommandHandler handler;
};

// The command a word names: an exact name or an unambiguous prefix, without regard
// to case. Nothing when unknown; `ambiguous` tells a prefix of several names.
const CommandSpec* FindCommand(std::string_view word, bool& ambiguous);
const std::vector<CommandSpec>& AllCommands();

}  // namespace kv::ftp
