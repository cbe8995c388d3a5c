// Builds listing workbooks from the real template with the built-in
// spreadsheet, for the independent readers to check. Arguments: the template,
// an output folder, then object counts. For each count it writes
// OUT/N/FTPLIBPC (the listing, CP932) and OUT/N/S<N>-01-12-2010.xls. With
// --time first, it also prints how long each build took (for bench/listing).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "client/engine/builtin_spreadsheet.h"
#include "client/engine/listing_workbook.h"
#include "client/window/main_panel.h"
#include "client/panel/memory_panel.h"
#include "common/cp932.h"
#include "common/textfile.h"
#include "common/winpath.h"

namespace fs = std::filesystem;

// Values that a spreadsheet could mangle: leading zeros and blanks, Japanese,
// numbers as text, empty counts, an all-digit name.
std::vector<std::string> Object(int i) {
  const std::string n = std::to_string(i);
  return {"LIB" + n,
          i % 3 == 0 ? "0" + n + "A" : "OBJ" + n,
          i % 2 ? "*FILE" : "*PGM",
          i % 2 ? "PF-DTA" : "CLP",
          i % 4 == 0 ? "  先頭に空白 " + n : "売上ファイル（" + n + "）",
          "QSECOFR",
          "2026/0" + std::to_string(1 + i % 9) + "/1" + std::to_string(i % 10),
          "1" + std::to_string(i % 10) + ":0" + std::to_string(i % 6) + ":59",
          std::to_string(4096 + i * 512),
          i % 2 ? std::to_string(i % 7) : "",
          i % 2 ? "000" + std::to_string(i) : "",
          "V7R5M0"};
}

int main(int argc, char** argv) {
  const bool timed = argc > 1 && std::string(argv[1]) == "--time";
  if (timed) {
    --argc;
    ++argv;
  }
  if (argc < 4) {
    std::fprintf(stderr, "usage: listing_sample [--time] TEMPLATE OUTDIR COUNT...\n");
    return 2;
  }
  const fs::path out = fs::absolute(argv[2]);
  for (int a = 3; a < argc; ++a) {
    const int count = std::atoi(argv[a]);
    const fs::path dir = out / std::to_string(count);
    fs::create_directories(dir / "drive_c" / "KV-TRANSIT");
    ::setenv("KV_DRIVE_C", (dir / "drive_c").c_str(), 1);
    fs::copy_file(argv[1], dir / "drive_c" / "KV-TRANSIT" / "FTPLIB.xls", fs::copy_options::overwrite_existing);
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
      for (auto& v : Object(i)) lines.push_back(v);
    if (!kv::WriteLines("c:\\KV-TRANSIT\\FTPLIBPC", lines)) return 1;
    fs::copy_file(dir / "drive_c" / "KV-TRANSIT" / "FTPLIBPC", dir / "FTPLIBPC", fs::copy_options::overwrite_existing);

    kv::MemoryPanel panel;
    kv::StartUp(panel, [] { return kv::HostInfo{"10.0.0.5", "pc01"}; });
    kv::SelectOperation(panel, 15);
    panel.SetText(kv::Ctl::ライブラリー名, "S" + std::to_string(count));
    panel.SetText(kv::Ctl::リリース, "*CURRENT");
    panel.SetText(kv::Ctl::pcファイル名, kv::ToWindowsPath((dir / "x.savf").string()));
    std::string shown;
    const auto start = std::chrono::steady_clock::now();
    kv::BuildListingWorkbook(
        panel, [&] { return std::make_unique<kv::BuiltinSpreadsheet>([&](const std::string& p) { shown = p; }); },
        {2010, 1, 12, 9, 5, 7});
    if (shown.empty()) {
      std::fprintf(stderr, "listing_sample: no workbook for %d objects\n", count);
      return 1;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (timed) std::printf("%.6f ", took.count());
    std::printf("%s\n", shown.c_str());
  }
  return 0;
}
