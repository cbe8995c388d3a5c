// The file-name check that every validation of a PC path shares.
#pragma once
#include <string_view>

#include "common/vbstr.h"

namespace kv {

// True when characters 4 and 5 of a PC path, padded with blanks to two
// characters, are both blank: the path ends at its drive root ("C:\") or has
// blanks where the file name must start.
inline bool NoFileNameAfterRoot(std::string_view pcPath) {
  return Left(Mid(pcPath, 4, 2) + "  ", 2) == "  ";
}

}  // namespace kv
