// The embedded database (SQLite) that holds the store: the catalog (users,
// libraries with their objects, QSYSOPR messages, written in the seed format)
// and the records of large members, cut into pieces. One connection serves
// every session thread; a mutex keeps each statement and each transaction whole.
#pragma once
#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

class Database {
 public:
  ~Database();
  // Opens (creating) the database file at `path`; an empty path opens a private
  // temporary database that goes when it is closed. A kept database (`kept`)
  // runs in WAL mode, so a process killed at any moment leaves the last
  // committed catalog and its pieces.
  bool Open(const std::string& path, bool kept, std::string& err);
  bool kept() const { return kept_; }

  // Pieces of a content: numbered from 0, written one statement each, read back
  // one at a time. A content id is never reused while the process runs.
  std::int64_t NewContent();
  bool PutPiece(std::int64_t content, std::int64_t seq, std::string_view bytes);
  bool GetPiece(std::int64_t content, std::int64_t seq, std::string& out);
  void DeleteContent(std::int64_t content);

  // The catalog: named parts, each a text. `Commit` writes the parts that
  // differ from the last commit and deletes the parts not given, in one
  // transaction.
  bool LoadCatalog(std::map<std::string, std::string>& parts, std::string& err);
  bool Commit(const std::map<std::string, std::string>& parts, std::string& err);
  // Deletes every content that `used` does not name (what a killed process left).
  void DeleteContentsExcept(const std::set<std::int64_t>& used);

 private:
  bool Exec(const char* sql, std::string& err);
  sqlite3_stmt* Prepare(const char* sql);

  sqlite3* db_ = nullptr;
  bool kept_ = false;
  std::mutex mu_;
  std::int64_t next_ = 1;
  std::map<std::string, std::string> committed_;   // the catalog as last committed
  sqlite3_stmt* put_ = nullptr;
  sqlite3_stmt* get_ = nullptr;
  sqlite3_stmt* del_ = nullptr;
};

// Contents (pieces, save-file blobs) that nothing in memory refers to any more.
// Without a kept state they go at once. With one they wait for the next commit
// of the catalog, so that the state on disk never names something gone.
class Graveyard {
 public:
  void SetDeferred(bool on);
  void Bury(std::function<void()> removal);
  std::vector<std::function<void()>> Take();
  bool Empty();

 private:
  std::mutex mu_;
  bool deferred_ = false;
  std::vector<std::function<void()>> dead_;
};

Graveyard& Graves();

}  // namespace hostsim
