#include "xls/cfb.h"

#include <algorithm>
#include <functional>

namespace kv::xls {
namespace {

constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kEnd = 0xFFFFFFFE;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kMaxReg = 0xFFFFFFFA;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::uint32_t kMiniCutoff = 4096;
constexpr std::uint32_t kMiniSector = 64;
constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

struct Reader {
  std::span<const std::uint8_t> file;
  std::uint32_t sectorSize = 512;
  std::uint32_t sectorCount = 0;
  std::vector<std::uint32_t> fat, miniFat;
  Bytes miniStream;
  std::string error;

  bool Fail(std::string why) {
    if (error.empty()) error = std::move(why);
    return false;
  }
  const std::uint8_t* Sector(std::uint32_t n) const { return file.data() + (static_cast<std::size_t>(n) + 1) * sectorSize; }

  // The sectors of a chain, in order; fails on a sector outside the file, an
  // entry that is not a sector number, a sector seen twice (a loop) or a chain
  // longer than `limit` sectors.
  bool Chain(const std::vector<std::uint32_t>& table, std::uint32_t start, std::uint32_t count, std::size_t limit,
             std::vector<std::uint32_t>& out, const char* what) {
    out.clear();
    // Sectors past the stream's size are not read (some writers leave them), so
    // a chain that loops stops at the limit with a sector in it twice. The check
    // costs what the chain does, not what the file does: a file of many small
    // streams must not cost a pass over every sector per stream.
    for (std::uint32_t s = start; s != kEnd && out.size() < limit;) {
      if (s >= count) return Fail(std::string(what) + ": sector number out of range");
      out.push_back(s);
      if (s >= table.size()) return Fail(std::string(what) + ": sector without allocation entry");
      s = table[s];
      if (s > kMaxReg && s != kEnd) return Fail(std::string(what) + ": chain not ended");
    }
    std::vector<std::uint32_t> sorted = out;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return Fail(std::string(what) + ": chain loops");
    return true;
  }

  bool ReadFatChain(std::uint32_t start, std::size_t size, Bytes& out, const char* what) {
    std::vector<std::uint32_t> sectors;
    const std::size_t need = (size + sectorSize - 1) / sectorSize;
    if (!Chain(fat, start, sectorCount, size == SIZE_MAX ? sectorCount : need, sectors, what)) return false;
    if (size == SIZE_MAX) size = sectors.size() * static_cast<std::size_t>(sectorSize);
    if (sectors.size() < need) return Fail(std::string(what) + ": chain shorter than its size");
    out.clear();
    out.reserve(size);
    for (auto s : sectors) {
      const std::size_t take = std::min<std::size_t>(sectorSize, size - out.size());
      out.insert(out.end(), Sector(s), Sector(s) + take);
    }
    return true;
  }

  bool ReadMiniChain(std::uint32_t start, std::size_t size, Bytes& out, const char* what) {
    std::vector<std::uint32_t> sectors;
    const auto count = static_cast<std::uint32_t>(miniStream.size() / kMiniSector);
    const std::size_t need = (size + kMiniSector - 1) / kMiniSector;
    if (!Chain(miniFat, start, count, need, sectors, what)) return false;
    if (sectors.size() < need) return Fail(std::string(what) + ": chain shorter than its size");
    out.clear();
    out.reserve(size);
    for (auto s : sectors) {
      const std::size_t take = std::min<std::size_t>(kMiniSector, size - out.size());
      const auto* p = miniStream.data() + static_cast<std::size_t>(s) * kMiniSector;
      out.insert(out.end(), p, p + take);
    }
    return true;
  }
};

struct DirEntry {
  std::u16string name;
  std::uint8_t type = 0;
  std::uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  std::array<std::uint8_t, 16> clsid{};
  std::uint32_t stateBits = 0, start = kEnd;
  std::uint64_t size = 0;
};

}  // namespace

CfbEntry* CfbEntry::Find(std::u16string_view n) {
  for (auto& c : children)
    if (SameName(c.name, n)) return &c;
  return nullptr;
}
const CfbEntry* CfbEntry::Find(std::u16string_view n) const { return const_cast<CfbEntry*>(this)->Find(n); }

std::optional<CfbEntry> ReadCompoundFile(std::span<const std::uint8_t> file, std::string* error) {
  Reader r;
  r.file = file;
  auto fail = [&](const std::string& why) -> std::optional<CfbEntry> {
    if (error) *error = r.error.empty() ? why : r.error;
    return std::nullopt;
  };
  if (file.size() < 512 || !std::equal(kSignature, kSignature + 8, file.data())) return fail("not a compound file");
  const std::uint8_t* h = file.data();
  if (Get16(h + 0x1C) != 0xFFFE) return fail("compound file: wrong byte order mark");
  const std::uint16_t shift = Get16(h + 0x1E);
  if (!((Get16(h + 0x1A) == 3 && shift == 9) || (Get16(h + 0x1A) == 4 && shift == 12)) || Get16(h + 0x20) != 6)
    return fail("compound file: unsupported version or sector size");
  r.sectorSize = 1u << shift;
  if (file.size() < r.sectorSize) return fail("compound file: truncated header");
  r.sectorCount = static_cast<std::uint32_t>(std::min<std::size_t>((file.size() - r.sectorSize) / r.sectorSize, kMaxReg));
  const std::uint32_t perSector = r.sectorSize / 4;

  // The FAT sectors: 109 in the header, the rest in the DIFAT chain.
  const std::uint32_t fatCount = Get32(h + 0x2C);
  if (fatCount > r.sectorCount) return fail("compound file: more FAT sectors than the file holds");
  std::vector<std::uint32_t> fatSectors;
  for (std::uint32_t i = 0; i < 109 && fatSectors.size() < fatCount; ++i) fatSectors.push_back(Get32(h + 0x4C + 4 * i));
  std::uint32_t difat = Get32(h + 0x44);
  std::vector<bool> seenDifat(r.sectorCount, false);
  while (fatSectors.size() < fatCount) {
    if (difat >= r.sectorCount || seenDifat[difat]) return fail("compound file: damaged DIFAT chain");
    seenDifat[difat] = true;
    const std::uint8_t* d = r.Sector(difat);
    for (std::uint32_t i = 0; i + 1 < perSector && fatSectors.size() < fatCount; ++i) fatSectors.push_back(Get32(d + 4 * i));
    difat = Get32(d + 4 * (perSector - 1));
  }
  r.fat.reserve(static_cast<std::size_t>(fatCount) * perSector);
  for (auto s : fatSectors) {
    if (s >= r.sectorCount) return fail("compound file: FAT sector out of range");
    for (std::uint32_t i = 0; i < perSector; ++i) r.fat.push_back(Get32(r.Sector(s) + 4 * i));
  }

  Bytes dir;
  if (!r.ReadFatChain(Get32(h + 0x30), SIZE_MAX, dir, "directory")) return fail("");
  std::vector<DirEntry> entries(dir.size() / 128);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::uint8_t* e = dir.data() + i * 128;
    DirEntry& d = entries[i];
    std::uint16_t nameBytes = Get16(e + 0x40);
    if (nameBytes > 64) nameBytes = 64;
    for (std::size_t k = 0; k + 1 < nameBytes; k += 2) d.name.push_back(static_cast<char16_t>(Get16(e + k)));
    while (!d.name.empty() && d.name.back() == 0) d.name.pop_back();
    d.type = e[0x42];
    d.left = Get32(e + 0x44);
    d.right = Get32(e + 0x48);
    d.child = Get32(e + 0x4C);
    std::copy(e + 0x50, e + 0x60, d.clsid.begin());
    d.stateBits = Get32(e + 0x60);
    d.start = Get32(e + 0x74);
    // Only the low 32 bits count in version 3 files; old writers left junk above.
    d.size = r.sectorSize == 512 ? Get32(e + 0x78) : (Get32(e + 0x78) | (std::uint64_t(Get32(e + 0x7C)) << 32));
  }
  if (entries.empty() || entries[0].type != CfbEntry::Root) return fail("compound file: no root entry");
  if (entries[0].size > file.size()) return fail("compound file: mini stream larger than the file");

  // Mini stream (the root's chain) and the mini FAT.
  if (entries[0].size > 0 && !r.ReadFatChain(entries[0].start, entries[0].size, r.miniStream, "mini stream"))
    return fail("");
  if (Get32(h + 0x40) > 0) {
    Bytes mf;
    if (!r.ReadFatChain(Get32(h + 0x3C), SIZE_MAX, mf, "mini FAT")) return fail("");
    for (std::size_t i = 0; i + 4 <= mf.size(); i += 4) r.miniFat.push_back(Get32(mf.data() + i));
  }

  // The tree of each storage's children; every entry is visited at most once.
  std::vector<bool> visited(entries.size(), false);
  std::uint64_t streamBytes = 0;
  std::function<bool(std::uint32_t, CfbEntry&, int)> addSiblings = [&](std::uint32_t id, CfbEntry& parent, int depth) {
    if (id == kNoStream) return true;
    if (id >= entries.size() || visited[id] || depth > 64) return r.Fail("compound file: damaged directory tree");
    visited[id] = true;
    const DirEntry& d = entries[id];
    if (!addSiblings(d.left, parent, depth + 1)) return false;
    if (d.type == CfbEntry::Stream || d.type == CfbEntry::Storage) {
      CfbEntry e;
      e.name = d.name;
      e.type = static_cast<CfbEntry::Type>(d.type);
      e.clsid = d.clsid;
      e.stateBits = d.stateBits;
      if (d.type == CfbEntry::Stream) {
        // Streams never share sectors, so together they fit in the file; entries
        // that name the same sectors again must not multiply what is read.
        streamBytes += d.size;
        if (d.size > file.size() || streamBytes > file.size())
          return r.Fail("compound file: streams larger than the file");
        const bool ok = d.size == 0 || (d.size < kMiniCutoff ? r.ReadMiniChain(d.start, d.size, e.data, "stream")
                                             : r.ReadFatChain(d.start, d.size, e.data, "stream"));
        if (!ok) return false;
      } else if (!addSiblings(d.child, e, depth + 1)) {
        return false;
      }
      parent.children.push_back(std::move(e));
    } else if (d.type != 0) {
      return r.Fail("compound file: unknown directory entry type");
    }
    return addSiblings(d.right, parent, depth + 1);
  };
  CfbEntry root;
  root.name = entries[0].name;
  root.type = CfbEntry::Root;
  root.clsid = entries[0].clsid;
  root.stateBits = entries[0].stateBits;
  visited[0] = true;
  if (!addSiblings(entries[0].child, root, 0)) return fail("");
  return root;
}

namespace {

// Directory order: shorter names first, then by upper-cased code units.
bool NameLess(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return Upper(a[i]) < Upper(b[i]);
  return false;
}

struct Writer {
  struct Out {
    const CfbEntry* e;
    std::uint32_t left = kNoStream, right = kNoStream, child = kNoStream, start = kEnd, size = 0;
  };
  std::vector<Out> dir;
  Bytes mini;                       // the mini stream being built
  std::vector<std::uint32_t> miniFat;
  std::vector<const CfbEntry*> big; // streams stored in ordinary sectors, in order
  std::vector<std::size_t> bigIds;

  std::uint32_t Add(const CfbEntry& e) {
    dir.push_back({&e});
    const auto id = static_cast<std::uint32_t>(dir.size() - 1);
    if (e.type == CfbEntry::Stream) {
      dir[id].size = static_cast<std::uint32_t>(e.data.size());
      if (e.data.empty()) {
      } else if (e.data.size() < kMiniCutoff) {
        const auto first = static_cast<std::uint32_t>(mini.size() / kMiniSector);
        const std::size_t n = (e.data.size() + kMiniSector - 1) / kMiniSector;
        mini.insert(mini.end(), e.data.begin(), e.data.end());
        mini.resize(mini.size() + (n * kMiniSector - e.data.size()), 0);
        for (std::size_t k = 0; k < n; ++k) miniFat.push_back(k + 1 < n ? first + static_cast<std::uint32_t>(k) + 1 : kEnd);
        dir[id].start = first;
      } else {
        big.push_back(&e);
        bigIds.push_back(id);
      }
    } else {
      // Children as a balanced binary tree in name order; every node black.
      std::vector<const CfbEntry*> kids;
      for (const auto& c : e.children) kids.push_back(&c);
      std::sort(kids.begin(), kids.end(), [](auto* a, auto* b) { return NameLess(a->name, b->name); });
      dir[id].child = Tree(kids, 0, kids.size());
    }
    return id;
  }
  std::uint32_t Tree(const std::vector<const CfbEntry*>& kids, std::size_t lo, std::size_t hi) {
    if (lo >= hi) return kNoStream;
    const std::size_t mid = (lo + hi) / 2;
    const std::uint32_t id = Add(*kids[mid]);
    const std::uint32_t l = Tree(kids, lo, mid);
    const std::uint32_t r = Tree(kids, mid + 1, hi);
    dir[id].left = l;
    dir[id].right = r;
    return id;
  }
};

}  // namespace

Bytes WriteCompoundFile(const CfbEntry& root) {
  Writer w;
  w.Add(root);
  auto sectorsFor = [](std::size_t bytes) { return static_cast<std::uint32_t>((bytes + 511) / 512); };

  // Sector layout: big streams, mini stream, mini FAT, directory, FAT, DIFAT.
  std::uint32_t next = 0;
  std::vector<std::uint32_t> bigStart;
  for (auto* e : w.big) {
    bigStart.push_back(next);
    next += sectorsFor(e->data.size());
  }
  const std::uint32_t miniStart = w.mini.empty() ? kEnd : next;
  next += sectorsFor(w.mini.size());
  const std::uint32_t miniFatCount = sectorsFor(w.miniFat.size() * 4);
  const std::uint32_t miniFatStart = miniFatCount ? next : kEnd;
  next += miniFatCount;
  const std::uint32_t dirCount = sectorsFor(w.dir.size() * 128);
  const std::uint32_t dirStart = next;
  next += dirCount;
  // The FAT describes itself and the DIFAT: grow both until they cover everything.
  std::uint32_t fatCount = 0, difatCount = 0;
  for (;;) {
    const std::uint32_t total = next + fatCount + difatCount;
    const std::uint32_t needFat = (total + 127) / 128;
    const std::uint32_t needDifat = needFat <= 109 ? 0 : (needFat - 109 + 126) / 127;
    if (needFat == fatCount && needDifat == difatCount) break;
    fatCount = needFat;
    difatCount = needDifat;
  }
  const std::uint32_t fatStart = next;
  const std::uint32_t difatStart = fatStart + fatCount;
  const std::uint32_t total = difatStart + difatCount;

  std::vector<std::uint32_t> fat(static_cast<std::size_t>(fatCount) * 128, kFree);
  auto chain = [&](std::uint32_t start, std::uint32_t count) {
    for (std::uint32_t k = 0; k < count; ++k) fat[start + k] = k + 1 < count ? start + k + 1 : kEnd;
  };
  for (std::size_t i = 0; i < w.big.size(); ++i) {
    chain(bigStart[i], sectorsFor(w.big[i]->data.size()));
    w.dir[w.bigIds[i]].start = bigStart[i];
  }
  if (!w.mini.empty()) chain(miniStart, sectorsFor(w.mini.size()));
  chain(miniFatStart, miniFatCount);
  chain(dirStart, dirCount);
  for (std::uint32_t k = 0; k < fatCount; ++k) fat[fatStart + k] = kFatSect;
  for (std::uint32_t k = 0; k < difatCount; ++k) fat[difatStart + k] = kDifSect;

  Bytes out(512 + static_cast<std::size_t>(total) * 512, 0);
  auto sector = [&](std::uint32_t n) { return out.data() + 512 + static_cast<std::size_t>(n) * 512; };
  std::uint8_t* h = out.data();
  std::copy(kSignature, kSignature + 8, h);
  Set16(h + 0x18, 0x003E);
  Set16(h + 0x1A, 3);
  Set16(h + 0x1C, 0xFFFE);
  Set16(h + 0x1E, 9);
  Set16(h + 0x20, 6);
  Set32(h + 0x2C, fatCount);
  Set32(h + 0x30, dirStart);
  Set32(h + 0x38, kMiniCutoff);
  Set32(h + 0x3C, miniFatStart);
  Set32(h + 0x40, miniFatCount);
  Set32(h + 0x44, difatCount ? difatStart : kEnd);
  Set32(h + 0x48, difatCount);
  for (std::uint32_t i = 0; i < 109; ++i) Set32(h + 0x4C + 4 * i, i < fatCount ? fatStart + i : kFree);
  for (std::uint32_t d = 0; d < difatCount; ++d) {
    std::uint8_t* s = sector(difatStart + d);
    for (std::uint32_t i = 0; i < 127; ++i) {
      const std::uint32_t f = 109 + d * 127 + i;
      Set32(s + 4 * i, f < fatCount ? fatStart + f : kFree);
    }
    Set32(s + 508, d + 1 < difatCount ? difatStart + d + 1 : kEnd);
  }

  for (std::size_t i = 0; i < w.big.size(); ++i)
    std::copy(w.big[i]->data.begin(), w.big[i]->data.end(), sector(bigStart[i]));
  if (!w.mini.empty()) std::copy(w.mini.begin(), w.mini.end(), sector(miniStart));
  for (std::size_t i = 0; i < miniFatCount * 128u; ++i)
    Set32(sector(miniFatStart) + 4 * i, i < w.miniFat.size() ? w.miniFat[i] : kFree);
  for (std::size_t i = 0; i < dirCount * 4u; ++i) {
    std::uint8_t* e = sector(dirStart) + 128 * i;
    if (i >= w.dir.size()) {
      Set32(e + 0x44, kNoStream);
      Set32(e + 0x48, kNoStream);
      Set32(e + 0x4C, kNoStream);
      continue;
    }
    const Writer::Out& o = w.dir[i];
    const std::u16string& name = o.e->name;
    const std::size_t len = std::min<std::size_t>(name.size(), 31);
    for (std::size_t k = 0; k < len; ++k) Set16(e + 2 * k, name[k]);
    Set16(e + 0x40, static_cast<std::uint32_t>((len + 1) * 2));
    e[0x42] = o.e->type;
    e[0x43] = 1;  // black
    Set32(e + 0x44, o.left);
    Set32(e + 0x48, o.right);
    Set32(e + 0x4C, o.child);
    std::copy(o.e->clsid.begin(), o.e->clsid.end(), e + 0x50);
    Set32(e + 0x60, o.e->stateBits);
    if (o.e->type == CfbEntry::Root) {
      Set32(e + 0x74, miniStart);
      Set32(e + 0x78, static_cast<std::uint32_t>(w.mini.size()));
    } else {
      Set32(e + 0x74, o.e->type == CfbEntry::Stream ? o.start : 0);
      Set32(e + 0x78, o.size);
    }
  }
  for (std::size_t i = 0; i < fat.size(); ++i) Set32(sector(fatStart) + 4 * i, fat[i]);
  return out;
}

}  // namespace kv::xls
