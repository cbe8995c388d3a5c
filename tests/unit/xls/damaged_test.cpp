// Damaged files: every truncation and bit flip ends in an error or a
// workbook, never a crash or a hang; chains that loop or leave the file are named.
#include <gtest/gtest.h>

#include "xls/cfb.h"
#include "xls/new_workbook.h"
#include "xls/workbook.h"

using namespace kv::xls;

namespace {

Bytes SmallWorkbook() {
  NewWorkbook nw;
  nw.AddSheet({"S"});
  Workbook wb = nw.Build();
  for (std::uint32_t r = 0; r < 300; ++r) wb.SetText(0, r, r % 5, "t" + std::to_string(r));
  return wb.Save();
}

std::string LoadError(const Bytes& b) {
  std::string error;
  auto wb = Workbook::Load(b, &error);
  return wb ? "" : error;
}

}  // namespace

TEST(Damaged, EveryTruncationIsRejected) {
  const Bytes good = SmallWorkbook();
  ASSERT_EQ(LoadError(good), "");
  for (std::size_t n = 0; n < good.size(); n += 7) {
    Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_NE(LoadError(cut), "") << "length " << n;
  }
}

TEST(Damaged, BitFlipsNeverCrash) {
  const Bytes good = SmallWorkbook();
  std::uint32_t seed = 12345;
  int rejected = 0;
  for (int i = 0; i < 3000; ++i) {
    Bytes b = good;
    for (int k = 0; k < 1 + i % 4; ++k) {
      seed = seed * 1103515245 + 12345;
      b[(seed >> 8) % b.size()] ^= static_cast<std::uint8_t>(1u << ((seed >> 4) % 8));
    }
    std::string error;
    auto wb = Workbook::Load(b, &error);
    if (!wb) {
      ++rejected;
      continue;
    }
    (void)wb->Save();  // what loads must also save
  }
  EXPECT_GT(rejected, 0);
}

TEST(Damaged, LoopingAndOutOfRangeChains) {
  const Bytes good = SmallWorkbook();
  auto root = ReadCompoundFile(good, nullptr);
  ASSERT_TRUE(root);
  // The FAT is the sector named first in the header's DIFAT.
  const std::uint32_t fatSector = Get32(good.data() + 0x4C);
  const std::size_t fatAt = 512 + static_cast<std::size_t>(fatSector) * 512;
  const std::uint32_t dirStart = Get32(good.data() + 0x30);

  Bytes loop = good;
  Set32(loop.data() + fatAt + 4 * dirStart, dirStart);  // the directory chain points to itself
  std::string error;
  EXPECT_FALSE(ReadCompoundFile(loop, &error));
  EXPECT_NE(error.find("loops"), std::string::npos) << error;

  Bytes outside = good;
  Set32(outside.data() + 0x30, 0x00FFFFFF);  // directory past the end of the file
  EXPECT_FALSE(ReadCompoundFile(outside, &error));
  EXPECT_NE(error.find("out of range"), std::string::npos) << error;

  Bytes huge = good;
  Set32(huge.data() + 0x2C, 0x7FFFFFFF);  // more FAT sectors than the file has
  EXPECT_FALSE(ReadCompoundFile(huge, &error));
}

TEST(CompoundFile, FatSizesAroundTheHeaderLimit) {
  // 109 FAT sectors fit in the header; beyond them DIFAT sectors are needed.
  for (std::uint32_t dataSectors : {13800u, 13843u, 13844u, 13845u, 14100u}) {
    CfbEntry root;
    root.name = u"Root Entry";
    root.type = CfbEntry::Root;
    CfbEntry s;
    s.name = u"Workbook";
    s.data.assign(static_cast<std::size_t>(dataSectors) * 512 - 3, 0);
    for (std::size_t i = 0; i < s.data.size(); i += 4093) s.data[i] = static_cast<std::uint8_t>(i);
    CfbEntry small;
    small.name = u"\x05SummaryInformation";
    small.data.assign(300, 7);
    root.children = {s, small};
    const Bytes file = WriteCompoundFile(root);
    std::string error;
    auto back = ReadCompoundFile(file, &error);
    ASSERT_TRUE(back) << dataSectors << ": " << error;
    ASSERT_TRUE(back->Find(u"workbook"));
    EXPECT_EQ(back->Find(u"workbook")->data, s.data) << dataSectors;
    EXPECT_EQ(back->Find(u"\x05SummaryInformation")->data, small.data);
  }
}

TEST(Damaged, StreamsSharingSectorsCannotMultiplyTheFile) {
  // Many small directory entries all naming the sectors of one large stream:
  // read as written they would take the large stream's size each.
  CfbEntry root;
  root.name = u"Root Entry";
  root.type = CfbEntry::Root;
  CfbEntry big;
  big.name = u"Workbook";
  big.data.assign(256 * 1024, 0x5A);
  root.children.push_back(big);
  for (int i = 0; i < 1000; ++i) {
    CfbEntry small;
    small.name = u"s" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + std::u16string(1, static_cast<char16_t>(0x100 + i));
    small.data.assign(64, 1);
    root.children.push_back(small);
  }
  Bytes file = WriteCompoundFile(root);
  ASSERT_TRUE(ReadCompoundFile(file, nullptr));
  const std::size_t dirAt = 512 + static_cast<std::size_t>(Get32(file.data() + 0x30)) * 512;
  std::uint32_t bigStart = 0;
  for (std::size_t e = dirAt; e + 128 <= file.size(); e += 128)
    if (file[e + 0x42] == CfbEntry::Stream && Get32(file.data() + e + 0x78) == big.data.size()) bigStart = Get32(file.data() + e + 0x74);
  int patched = 0;
  for (std::size_t e = dirAt; e + 128 <= file.size(); e += 128)
    if (file[e + 0x42] == CfbEntry::Stream && Get32(file.data() + e + 0x78) == 64) {
      Set32(file.data() + e + 0x74, bigStart);
      Set32(file.data() + e + 0x78, static_cast<std::uint32_t>(big.data.size()));
      ++patched;
    }
  ASSERT_EQ(patched, 1000);
  std::string error;
  EXPECT_FALSE(ReadCompoundFile(file, &error));
  EXPECT_NE(error.find("larger than the file"), std::string::npos) << error;
}
