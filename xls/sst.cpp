#include "xls/sst.h"

#include <algorithm>

namespace kv::xls {
namespace {

// Reads across the record boundaries of the table.
struct PartReader {
  const std::vector<std::span<const std::uint8_t>>& parts;
  std::size_t part = 0;
  std::size_t pos = 0;

  bool AtPartEnd() const { return pos >= parts[part].size(); }
  bool NextPart() {
    if (part + 1 >= parts.size()) return false;
    ++part;
    pos = 0;
    return true;
  }
  // Raw bytes that may cross a boundary without a marker.
  bool Take(std::size_t n, Bytes* out) {
    while (n > 0) {
      if (AtPartEnd() && !NextPart()) return false;
      const std::size_t k = std::min(n, parts[part].size() - pos);
      if (out) out->insert(out->end(), parts[part].begin() + static_cast<std::ptrdiff_t>(pos), parts[part].begin() + static_cast<std::ptrdiff_t>(pos + k));
      pos += k;
      n -= k;
    }
    return true;
  }
  // Fixed fields: must lie in one record (moving to the next when at an end).
  const std::uint8_t* Fixed(std::size_t n) {
    if (AtPartEnd() && !NextPart()) return nullptr;
    if (parts[part].size() - pos < n) return nullptr;
    const auto* p = parts[part].data() + pos;
    pos += n;
    return p;
  }
};

}  // namespace

std::optional<std::vector<SstEntry>> ReadSst(const std::vector<std::span<const std::uint8_t>>& parts, std::string* error) {
  auto fail = [&](const char* why) -> std::optional<std::vector<SstEntry>> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (parts.empty() || parts[0].size() < 8) return fail("workbook: string table too short");
  const std::uint32_t unique = Get32(parts[0].data() + 4);
  PartReader r{parts};
  r.pos = 8;
  std::vector<SstEntry> out;
  for (std::uint32_t i = 0; i < unique; ++i) {
    const std::uint8_t* h = r.Fixed(3);
    if (!h) return fail("workbook: string table shorter than its count");
    std::uint32_t cch = Get16(h);
    std::uint8_t flags = h[2];
    std::uint32_t runs = 0, ext = 0;
    if (flags & 0x08) {
      const auto* p = r.Fixed(2);
      if (!p) return fail("workbook: damaged string table");
      runs = Get16(p);
    }
    if (flags & 0x04) {
      const auto* p = r.Fixed(4);
      if (!p) return fail("workbook: damaged string table");
      ext = Get32(p);
    }
    SstEntry e;
    e.text.reserve(cch);
    bool high = flags & 0x01;
    while (e.text.size() < cch) {
      if (r.AtPartEnd()) {
        // A character array continued in the next record starts with a fresh flags byte.
        if (!r.NextPart() || r.AtPartEnd()) return fail("workbook: damaged string table");
        high = r.parts[r.part][r.pos++] & 0x01;
      }
      const auto& p = r.parts[r.part];
      if (high) {
        if (p.size() - r.pos < 2) return fail("workbook: damaged string table");
        e.text.push_back(static_cast<char16_t>(Get16(p.data() + r.pos)));
        r.pos += 2;
      } else {
        e.text.push_back(p[r.pos++]);
      }
    }
    if (!r.Take(static_cast<std::size_t>(runs) * 4, &e.runs) || !r.Take(ext, &e.extRst))
      return fail("workbook: damaged string table");
    out.push_back(std::move(e));
  }
  return out;
}

void AppendSst(Bytes& out, const std::vector<SstEntry>& entries, std::uint32_t totalRefs) {
  const std::size_t n = entries.size();
  const std::size_t bucket = std::max<std::size_t>(n / 128 + 1, 8);
  Bytes ext;
  Put16(ext, static_cast<std::uint32_t>(bucket));

  std::size_t recStart = out.size();  // header of the record being filled
  auto begin = [&](std::uint16_t type) {
    recStart = out.size();
    Put16(out, type);
    Put16(out, 0);
  };
  auto finish = [&] { Set16(out.data() + recStart + 2, static_cast<std::uint32_t>(out.size() - recStart - 4)); };
  auto space = [&] { return kMaxRecordData - (out.size() - recStart - 4); };
  auto next = [&] {
    finish();
    begin(rt::CONTINUE);
  };

  begin(rt::SST);
  Put32(out, totalRefs);
  Put32(out, static_cast<std::uint32_t>(n));
  for (std::size_t i = 0; i < n; ++i) {
    const SstEntry& e = entries[i];
    const bool high = std::any_of(e.text.begin(), e.text.end(), [](char16_t c) { return c > 0xFF; });
    const std::size_t unit = high ? 2 : 1;
    const std::size_t header = 3 + (e.runs.empty() ? 0 : 2) + (e.extRst.empty() ? 0 : 4);
    if (space() < header + (e.text.empty() ? 0 : unit)) next();
    if (i % bucket == 0) {
      Put32(ext, static_cast<std::uint32_t>(out.size()));
      Put16(ext, static_cast<std::uint32_t>(out.size() - recStart));
      Put16(ext, 0);
    }
    Put16(out, static_cast<std::uint32_t>(e.text.size()));
    Put8(out, (high ? 0x01 : 0) | (e.runs.empty() ? 0 : 0x08) | (e.extRst.empty() ? 0 : 0x04));
    if (!e.runs.empty()) Put16(out, static_cast<std::uint32_t>(e.runs.size() / 4));
    if (!e.extRst.empty()) Put32(out, static_cast<std::uint32_t>(e.extRst.size()));
    for (std::size_t k = 0; k < e.text.size();) {
      // A surrogate pair stays in one record.
      const bool pair = high && e.text[k] >= 0xD800 && e.text[k] < 0xDC00 && k + 1 < e.text.size();
      if (space() / unit < (pair ? 2u : 1u)) {
        next();
        Put8(out, high ? 0x01 : 0x00);
        continue;
      }
      if (high)
        Put16(out, e.text[k]);
      else
        Put8(out, e.text[k]);
      ++k;
    }
    for (std::size_t k = 0; k < e.runs.size(); k += 4) {
      if (space() < 4) next();
      out.insert(out.end(), e.runs.begin() + static_cast<std::ptrdiff_t>(k), e.runs.begin() + static_cast<std::ptrdiff_t>(k + 4));
    }
    for (std::uint8_t b : e.extRst) {
      if (space() == 0) next();
      out.push_back(b);
    }
  }
  finish();
  AppendRecord(out, rt::EXTSST, ext);
}

}  // namespace kv::xls
