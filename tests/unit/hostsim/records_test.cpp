// Records kept in the database in pieces, the catalog's commits, and the reading
// of a text upload in blocks.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "hostsim/ccsid.h"
#include "hostsim/commands.h"
#include "hostsim/database.h"
#include "hostsim/records.h"
#include "hostsim/seed.h"
#include "hostsim/state.h"
#include "hostsim/upload_lines.h"

using namespace hostsim;

namespace {

class RecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char t[] = "/tmp/records-test-XXXXXX";
    dir_ = ::mkdtemp(t);
    db_ = std::make_shared<Database>();
    std::string err;
    ASSERT_TRUE(db_->Open(dir_ + "/host.db", true, err)) << err;
  }
  void TearDown() override {
    Graves().SetDeferred(false);
    for (auto& g : Graves().Take()) g();
    db_.reset();
    std::filesystem::remove_all(dir_);
  }
  static std::string Pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7919 + i / 251) & 0xFF);
    return s;
  }
  std::string dir_;
  std::shared_ptr<Database> db_;
};

}  // namespace

TEST_F(RecordsTest, LargeContentGoesToPiecesAndReadsBackWhole) {
  const std::size_t rl = 92;
  const std::string bytes = Pattern(rl * 20000 + 17);   // a partial last record
  RecordsWriter w(db_, rl);
  for (std::size_t off = 0; off < bytes.size(); off += 4093) w.Append(std::string_view(bytes).substr(off, 4093));
  Records r = w.Finish('\x40');
  ASSERT_TRUE(w.ok());
  EXPECT_NE(r.content(), 0);
  std::string expected = bytes + std::string(rl - 17, '\x40');
  EXPECT_EQ(r.size(), expected.size());
  EXPECT_EQ(r.Bytes(), expected);
  std::size_t n = 0;
  bool same = true;
  r.ForEachRecord(rl, [&](std::string_view rec) {
    same = same && rec == std::string_view(expected).substr(n++ * rl, rl);
    return true;
  });
  EXPECT_TRUE(same);
  EXPECT_EQ(n, expected.size() / rl);

  // Small content stays in memory; nothing in the database.
  RecordsWriter small(db_, rl);
  small.Append("abc");
  Records s = small.Finish('\x40');
  EXPECT_EQ(s.content(), 0);
  EXPECT_EQ(s.Bytes(), "abc" + std::string(rl - 3, '\x40'));
}

TEST_F(RecordsTest, RecordsCutByPieceBoundariesAreJoined) {
  // Pieces of sizes that are no multiple of the record length, as a state of
  // another piece size would hold them.
  const std::string bytes = Pattern(10 * 7);
  std::int64_t id = db_->NewContent();
  ASSERT_TRUE(db_->PutPiece(id, 0, std::string_view(bytes).substr(0, 5)));
  ASSERT_TRUE(db_->PutPiece(id, 1, std::string_view(bytes).substr(5, 1)));
  ASSERT_TRUE(db_->PutPiece(id, 2, std::string_view(bytes).substr(6, 64)));
  Records r = Records::Stored(db_, id, bytes.size());
  std::string joined;
  std::size_t n = 0;
  r.ForEachRecord(7, [&](std::string_view rec) {
    EXPECT_EQ(rec.size(), 7u);
    joined.append(rec);
    return ++n < 100;
  });
  EXPECT_EQ(joined, bytes);
  // A missing piece is a failure, not a short member.
  Records cut = Records::Stored(db_, id, bytes.size() + 7);
  EXPECT_FALSE(cut.ForEachRecord(7, [](std::string_view) { return true; }));
}

TEST_F(RecordsTest, PiecesGoOnlyWhenNothingNeedsThem) {
  std::string piece;
  // An abandoned upload leaves nothing behind.
  std::int64_t abandoned = 0;
  {
    RecordsWriter w(db_, 100);
    w.Append(Pattern(3 * kPieceBytes));
    abandoned = db_->NewContent() - 1;   // the writer's content is the last one given out
  }
  EXPECT_FALSE(db_->GetPiece(abandoned, 0, piece));

  // With a kept state, dropped records wait for the next commit.
  Graves().SetDeferred(true);
  std::int64_t id;
  {
    RecordsWriter w(db_, 100);
    w.Append(Pattern(2 * kPieceBytes));
    Records r = w.Finish('\x40');
    id = r.content();
    ASSERT_NE(id, 0);
  }
  EXPECT_TRUE(db_->GetPiece(id, 0, piece));
  for (auto& g : Graves().Take()) g();
  EXPECT_FALSE(db_->GetPiece(id, 0, piece));

  // At start, contents that no committed catalog names are swept.
  std::int64_t kept = db_->NewContent(), orphan = db_->NewContent();
  ASSERT_TRUE(db_->PutPiece(kept, 0, "k"));
  ASSERT_TRUE(db_->PutPiece(orphan, 0, "o"));
  db_->DeleteContentsExcept({kept});
  EXPECT_TRUE(db_->GetPiece(kept, 0, piece));
  EXPECT_FALSE(db_->GetPiece(orphan, 0, piece));
}

TEST_F(RecordsTest, CatalogCommitsReplaceAndDropParts) {
  std::string err;
  ASSERT_TRUE(db_->Commit({{"users", "U1"}, {"library A", "LA"}, {"library B", "LB"}}, err)) << err;
  ASSERT_TRUE(db_->Commit({{"users", "U2"}, {"library A", "LA"}}, err)) << err;
  Database again;
  ASSERT_TRUE(again.Open(dir_ + "/host.db", true, err)) << err;
  std::map<std::string, std::string> parts;
  ASSERT_TRUE(again.LoadCatalog(parts, err)) << err;
  EXPECT_EQ(parts, (std::map<std::string, std::string>{{"users", "U2"}, {"library A", "LA"}}));
}

TEST_F(RecordsTest, OnlyTheStateMayReferToStoredContents) {
  const std::string text = "LIB L\nPF F RCDLEN(10) CCSID(37)\nMBR F PIECES(1) SIZE(10)\n";
  SeedData d;
  std::string err;
  // A seed or a restored save file cannot point a member at another one's records...
  EXPECT_FALSE(ParseSeed(text, d, err, SeedStorage{nullptr, db_, true, false}));
  EXPECT_NE(err.find("PIECES not allowed"), std::string::npos) << err;
  BlobStore blobs;
  ASSERT_TRUE(blobs.Open(dir_ + "/blobs"));
  SeedData d2;
  EXPECT_FALSE(ParseSeed("LIB L\nSAVF S BLOB('x.savf')\n", d2, err, SeedStorage{&blobs, db_, false, false}));
  // ...the state can, for whole records only.
  SeedData d3;
  ASSERT_TRUE(ParseSeed(text, d3, err, SeedStorage{nullptr, db_, true, true})) << err;
  EXPECT_EQ(d3.libraries[0].objects.begin()->second.file()->members[0].data.content(), 1);
  SeedData d4;
  EXPECT_FALSE(ParseSeed("LIB L\nPF F RCDLEN(10) CCSID(37)\nMBR F PIECES(1) SIZE(15)\n", d4, err, SeedStorage{nullptr, db_, true, true}));
}

TEST_F(RecordsTest, UploadReadInBlocksDecidesAsAWhole) {
  auto write = [&](const std::string& bytes) {
    std::ofstream(dir_ + "/up.txt", std::ios::binary) << bytes;
    return dir_ + "/up.txt";
  };
  std::size_t mark = 9;
  // Two megabytes of ASCII, then one line of kanji in UTF-8: read as UTF-8.
  std::string ascii;
  while (ascii.size() < (2u << 20)) ascii += "PLAIN ASCII LINE\r\n";
  const std::string kanji = "\xE6\x97\xA5\xE6\x9C\xAC\r\n";
  EXPECT_EQ(UploadFileCcsid(write(ascii + kanji), 943, mark), 1208);
  EXPECT_EQ(UploadFileCcsid(write(ascii + kanji), 943, mark), UploadCcsid(ascii + kanji, 943, mark));
  // The same text in Shift-JIS stays in the transfer CCSID.
  EXPECT_EQ(UploadFileCcsid(write(ascii + "\x93\xfa\x96\x7b\r\n"), 943, mark), 943);
  // UTF-8 first, then a byte that is no UTF-8 in a later block: not UTF-8.
  EXPECT_EQ(UploadFileCcsid(write(kanji + ascii + "\x93\xfa\r\n"), 943, mark), 943);
  // The byte-order mark is no data.
  EXPECT_EQ(UploadFileCcsid(write("\xEF\xBB\xBF" "A\r\n"), 943, mark), 1208);
  EXPECT_EQ(mark, 3u);

  // Lines come out whole across block boundaries, without CR, numbered.
  Converter conv(1208, 1208);
  std::string lines;
  for (int i = 0; i < 200000; ++i) lines += "line " + std::to_string(i) + "\r\n";
  lines += "last without a line end";
  std::size_t count = 0;
  bool ordered = true;
  UploadLines(write(lines), 0, conv).ForEach([&](const std::string& l, std::size_t n) {
    ordered = ordered && n == count + 1 && (n == 200001 ? l == "last without a line end" : l == "line " + std::to_string(n - 1));
    count = n;
    return true;
  });
  EXPECT_TRUE(ordered);
  EXPECT_EQ(count, 200001u);
}

TEST_F(RecordsTest, LargeMembersSaveAndRestoreThroughTheirPieces) {
  Host host;
  ASSERT_TRUE(host.blobs.Open(dir_ + "/blobs"));
  host.db = db_;
  host.MakeMinimal();
  std::string err;
  ASSERT_TRUE(LoadSeedText(host, "LIB BIG\nPF DATA RCDLEN(64) CCSID(37)\nMBR DATA\nMBR EMPTY\n", err)) << err;
  const std::string bytes = Pattern(64 * 40000);
  RecordsWriter w(db_, 64);
  w.Append(bytes);
  host.FindLibrary("BIG")->FindFile("DATA")->file()->members[0].data = w.Finish('\x40');
  Job job;
  // A save file inside the library travels as bytes of the image and comes back as a blob file.
  ASSERT_TRUE(RunCommand(host, job, "CRTSAVF BIG/INNER").ok);
  ASSERT_TRUE(RunCommand(host, job, "SAVLIB LIB(QGPL) DEV(*SAVF) SAVF(BIG/INNER)").ok);
  ASSERT_TRUE(RunCommand(host, job, "CRTSAVF QGPL/S").ok);
  ASSERT_TRUE(RunCommand(host, job, "SAVLIB LIB(BIG) DEV(*SAVF) SAVF(QGPL/S)").ok);
  CmdResult r = RunCommand(host, job, "RSTLIB SAVLIB(BIG) DEV(*SAVF) SAVF(QGPL/S) RSTLIB(BIG2)");
  ASSERT_TRUE(r.ok) << r.messages.back().text;
  PhysicalFile* f = host.FindLibrary("BIG2")->FindFile("DATA")->file();
  EXPECT_NE(f->members[0].data.content(), 0);   // read into pieces, not into memory
  EXPECT_EQ(f->members[0].data.Bytes(), bytes);
  EXPECT_EQ(f->members[1].name, "EMPTY");
  EXPECT_EQ(f->members[1].data.size(), 0u);
  auto bytesOf = [](const Blob& b) {
    std::ifstream in(b.path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const Blob* inner = host.FindLibrary("BIG")->FindFile("INNER")->savf()->blob.get();
  const Blob* back = host.FindLibrary("BIG2")->FindFile("INNER")->savf()->blob.get();
  ASSERT_TRUE(inner && back);
  EXPECT_NE(inner->path, back->path);
  EXPECT_EQ(bytesOf(*back), bytesOf(*inner));
  host.libraries.clear();
}
