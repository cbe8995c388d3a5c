// The record layer of a workbook stream: records, record types, and the split
// of the stream into substreams (the globals, then one per sheet).
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "xls/bytes.h"

namespace kv::xls {

namespace rt {
inline constexpr std::uint16_t BOF = 0x0809, EOF_ = 0x000A, CONTINUE = 0x003C, SST = 0x00FC, EXTSST = 0x00FF,
                               BOUNDSHEET = 0x0085, FILEPASS = 0x002F, INDEX = 0x020B, DBCELL = 0x00D7,
                               DIMENSIONS = 0x0200, ROW = 0x0208, LABELSST = 0x00FD, LABEL = 0x0204,
                               BLANK = 0x0201, NUMBER = 0x0203, RK = 0x027E, BOOLERR = 0x0205, FORMULA = 0x0006,
                               RSTRING = 0x00D6, MULBLANK = 0x00BE, MULRK = 0x00BD, STRING = 0x0207,
                               ARRAY = 0x0221, TABLE = 0x0236, SHRFMLA = 0x04BC, DEFCOLWIDTH = 0x0055,
                               COLINFO = 0x007D, WINDOW2 = 0x023E, SELECTION = 0x001D, XF = 0x00E0,
                               MERGECELLS = 0x00E5;
}  // namespace rt

// Largest record body; longer bodies continue in CONTINUE records.
inline constexpr std::size_t kMaxRecordData = 8224;

struct Record {
  std::uint16_t type = 0;
  Bytes data;
};

struct Substream {
  std::uint32_t offset = 0;  // of its BOF in the stream
  std::vector<Record> records;
};

// Splits a workbook stream into BOF..EOF substreams (nested ones, such as a
// chart inside a sheet, stay inside their parent). Zero bytes after the last
// EOF are padding. Nothing, with `error` set, for a record that runs past the
// end or a substream that does not start with BOF or never ends.
std::optional<std::vector<Substream>> SplitSubstreams(std::span<const std::uint8_t> stream, std::string* error);

// Appends a record, continuing bodies longer than the limit in CONTINUE records.
void AppendRecord(Bytes& out, std::uint16_t type, std::span<const std::uint8_t> data);

}  // namespace kv::xls
