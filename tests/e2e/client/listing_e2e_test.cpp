// Library and object downloads with リスト要 through kvxfer against the
// simulated host: the workbook beside the save file, named after the library
// and the day, holding the host's listing; the download's result unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/kvxfer.h"
#include "client/engine/listing_workbook.h"
#include "common/textfile.h"
#include "tests/e2e/client/host_suite.h"
#include "xls/workbook.h"

using namespace kv;

namespace {

class ListingE2E : public kvtest::HostSuite {
 protected:
  void SetUp() override {
    HostSuite::SetUp();
    std::filesystem::copy_file(std::string(KV_TEMPLATES_DIR) + "/FTPLIB.xls", host_->InstallDir() + "/FTPLIB.xls",
                               std::filesystem::copy_options::overwrite_existing);
  }
  // kvxfer's output lines.
  std::vector<std::string> Kvxfer(std::vector<std::string> args) {
    args.insert(args.end(), {"--ip=" + host_->Address(), "--user=QSECOFR", "--password=QSECOFR", "--list=1"});
    std::ostringstream out, err;
    KvxferOptions options;
    options.getIp = [] { return HostInfo{"10.9.8.7", "e2e-pc"}; };
    status_ = RunKvxfer(args, out, err, options);
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }
  // The workbook against the listing the host sent: every value, in its cell.
  void ExpectListing(const std::string& path, const std::string& lib, const std::string& command) {
    std::string error;
    auto wb = xls::Workbook::LoadFile(path, &error);
    ASSERT_TRUE(wb) << error;
    const auto listing = ReadAllLines("c:\\KV-TRANSIT\\FTPLIBPC").value();
    ASSERT_EQ(listing.size() % 12, 0u);
    EXPECT_EQ(wb->Cell(0, 0, 2).text, lib);
    EXPECT_EQ(wb->Cell(0, 0, 7).text, command);
    for (std::size_t i = 0; i < listing.size(); ++i) {
      const auto cell = wb->Cell(0, static_cast<std::uint32_t>(2 + i / 12), static_cast<std::uint32_t>(i % 12));
      const CellValue want = ListingCell(i % 12, listing[i]);
      if (const double* d = std::get_if<double>(&want))
        EXPECT_EQ(cell.number, *d) << i;
      else
        EXPECT_EQ(cell.text, std::get<std::string>(want)) << i;
      EXPECT_EQ(cell.xf, wb->Cell(0, 108, static_cast<std::uint32_t>(i % 12)).xf) << i;  // the pattern's format
    }
    EXPECT_EQ(wb->RowsUsed(0), 109u);
  }
  int status_ = -1;
};

std::string Today() {
  const LocalTime t = LocalNow();
  char b[16];
  std::snprintf(b, sizeof b, "%02d-%02d-%04d", t.month, t.day, t.year);
  return b;
}

}  // namespace

TEST_F(ListingE2E, LibraryAndObjectDownloadsBuildTheirWorkbooks) {
  const std::string dir = work_ + "/Listings";
  std::filesystem::create_directories(dir);
  auto lines = Kvxfer({"lib1", "--lib=OPSLIB", "--release=*CURRENT", "--pcfile=" + dir + "/OPSLIB.SAVF"});
  const std::string book = dir + "/OPSLIB-" + Today() + ".xls";
  EXPECT_EQ(status_, 0);
  EXPECT_EQ(lines, (std::vector<std::string>{"workbook\t" + book, "label99\tダウンロード完了しました。"}));
  ExpectListing(book, "OPSLIB", "SAVLIB LIB(OPSLIB) TGTRLS(*CURRENT)");

  lines = Kvxfer({"obj1", "--lib=OPSLIB", "--file=ITEMS", "--type=*FILE", "--release=*CURRENT",
                  "--pcfile=" + dir + "/ITEMS.SAVF"});
  EXPECT_EQ(lines, (std::vector<std::string>{"workbook\t" + book, "label99\tダウンロード完了しました。"}));
  ExpectListing(book, "OPSLIB", "SAVOBJ OBJ(ITEMS) LIB(OPSLIB) OBJTYPE(*FILE) TGTRLS(*CURRENT)");
}

TEST_F(ListingE2E, NoTemplateStillEndsInSuccess) {
  std::filesystem::remove(host_->InstallDir() + "/FTPLIB.xls");
  auto lines = Kvxfer({"lib1", "--lib=OPSLIB", "--release=*CURRENT", "--pcfile=" + work_ + "/NOTPL.SAVF"});
  EXPECT_EQ(status_, 0);
  EXPECT_EQ(lines, (std::vector<std::string>{"label99\tダウンロード完了しました。"}));
  EXPECT_FALSE(std::filesystem::exists(work_ + "/OPSLIB-" + Today() + ".xls"));
}
