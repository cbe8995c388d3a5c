// The shared string table: read from SST and its CONTINUE records, written
// back split by the rules readers rely on (a string's header and first
// character never split, a flags byte before a continued character array).
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "xls/bytes.h"
#include "xls/records.h"

namespace kv::xls {

struct SstEntry {
  std::u16string text;
  Bytes runs;    // rich-text formatting runs, 4 bytes each, kept as they were
  Bytes extRst;  // phonetic data, kept as it was
  bool Plain() const { return runs.empty() && extRst.empty(); }
};

// `parts` is the SST record's body followed by the bodies of its CONTINUE records.
std::optional<std::vector<SstEntry>> ReadSst(const std::vector<std::span<const std::uint8_t>>& parts, std::string* error);

// Appends SST (+ CONTINUE) and EXTSST records at `out`'s end; `out` is the
// stream from its start, so the EXTSST offsets come out absolute.
void AppendSst(Bytes& out, const std::vector<SstEntry>& entries, std::uint32_t totalRefs);

}  // namespace kv::xls
