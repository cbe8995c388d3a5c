// Compound files (the container of .xls workbooks): read every storage and
// stream into memory, write a new file from such a tree. Reading checks every
// sector number, chain and size against the file, so a damaged file gives an
// error text instead of a crash or an endless loop.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "xls/bytes.h"

namespace kv::xls {

struct CfbEntry {
  enum Type : std::uint8_t { Storage = 1, Stream = 2, Root = 5 };
  std::u16string name;
  Type type = Stream;
  std::array<std::uint8_t, 16> clsid{};
  std::uint32_t stateBits = 0;
  Bytes data;                       // streams
  std::vector<CfbEntry> children;   // storages and the root

  // A direct child by name, compared without regard to ASCII case.
  CfbEntry* Find(std::u16string_view childName);
  const CfbEntry* Find(std::u16string_view childName) const;
};

// The root entry of the file, or nothing with `error` set.
std::optional<CfbEntry> ReadCompoundFile(std::span<const std::uint8_t> file, std::string* error);
// A version 3 file (512-byte sectors); streams under 4096 bytes go into the mini stream.
Bytes WriteCompoundFile(const CfbEntry& root);

}  // namespace kv::xls
