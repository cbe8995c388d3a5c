// The remembered-inputs files (one per operation family) and the connection
// file kv3EV: written whole from the panel, read back by line position.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "client/panel/panel.h"

namespace kv {

// The files the menu picks read, one per operation family.
enum class InputsFile { DFT, DFTC, DFT2, DFTS, DFTS2 };

// The writers' layouts. DFT2 has two: five lines after a download, six after an upload.
enum class InputsLayout { DFT, DFTC, DFT2Download, DFT2Upload, DFTS, DFTS2 };

struct KeyedLine {
  std::string_view key;
  Ctl from;
};

std::string ReaderPath(InputsFile file);                 // "c:\KV-TRANSIT\DFT.DAT"
std::string WriterPath(InputsLayout layout);             // "c:\KV-TRANSIT\DFT.dat"
std::vector<KeyedLine> LinesOf(InputsLayout layout);

// Writes the file of `layout` from the panel's current texts; false when it could
// not be written (the old file then stays as it was).
bool WriteRememberedInputs(const Panel& panel, InputsLayout layout);

struct ReadEntry {
  int line;  // 1-based line of the file
  Ctl into;
  std::size_t first;  // 1-based character position
  std::size_t count;
};
// The lines operation `code` reads from its family's file, in line order.
std::vector<ReadEntry> ReadEntriesFor(int code);

// Fills the panel for operation `code` from `file`: lines 1 to 3 are read and
// unused; a line that cannot be read leaves the line buffer as it was, and the
// control of that line gets its characters all the same.
void ReadRememberedInputs(Panel& panel, InputsFile file, int code);

// kv3EV: address, user and password, one per line.
bool WriteConnectionFile(const Panel& panel);
void ReadConnectionFile(Panel& panel);

}  // namespace kv
