// Writes a manual as a WinHelp 4 file (uncompressed, Japanese code page) and
// its contents file, as a WinHelp viewer reads them.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

#include "media/winhelp/help_topics.h"

namespace kv::help {

struct HelpError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The viewer's hash of a context id (case-insensitive).
std::uint32_t ContextHash(const std::string& id);

// The .HLP file's bytes. Jumps are placed for viewers that count the topic's
// text in bytes when they hit-test (Wine's): an invisible hotspot at the byte
// position of the visible link. Throws HelpError for what the simple layout
// cannot hold (a topic over one block, more than 255 topics, a bad id or jump).
std::string WriteHelpFile(const Manual& manual);

// The .cnt contents file (CP932, CR LF): one entry per topic after the first.
std::string WriteContentsFile(const Manual& manual, const std::string& helpFileName);

}  // namespace kv::help
