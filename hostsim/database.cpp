#include "hostsim/database.h"

#include <utility>

namespace hostsim {

Database::~Database() {
  for (auto* s : {put_, get_, del_}) sqlite3_finalize(s);
  if (db_) sqlite3_close(db_);
}

bool Database::Exec(const char* sql, std::string& err) {
  char* msg = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &msg) == SQLITE_OK) return true;
  err = msg ? msg : sqlite3_errmsg(db_);
  sqlite3_free(msg);
  return false;
}

sqlite3_stmt* Database::Prepare(const char* sql) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) return nullptr;
  return s;
}

bool Database::Open(const std::string& path, bool kept, std::string& err) {
  kept_ = kept;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    err = "cannot open the database " + path + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
    return false;
  }
  sqlite3_busy_timeout(db_, 10000);
  // WAL with NORMAL sync: a commit is on disk once the process has written it,
  // so a killed process loses nothing committed and never half a transaction.
  // The log is cut back after each checkpoint, so that a large upload does not
  // leave it large.
  const char* setup = kept ? "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA journal_size_limit=16777216;" : "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;";
  if (!Exec(setup, err) ||
      !Exec("CREATE TABLE IF NOT EXISTS catalog(part TEXT PRIMARY KEY, text TEXT NOT NULL);"
            "CREATE TABLE IF NOT EXISTS piece(content INTEGER NOT NULL, seq INTEGER NOT NULL, bytes BLOB NOT NULL,"
            " PRIMARY KEY(content, seq));",
            err)) {
    err = "database " + path + ": " + err;
    return false;
  }
  put_ = Prepare("INSERT OR REPLACE INTO piece(content, seq, bytes) VALUES(?, ?, ?)");
  get_ = Prepare("SELECT bytes FROM piece WHERE content = ? AND seq = ?");
  del_ = Prepare("DELETE FROM piece WHERE content = ?");
  sqlite3_stmt* mx = Prepare("SELECT COALESCE(MAX(content), 0) FROM piece");
  if (!put_ || !get_ || !del_ || !mx) {
    sqlite3_finalize(mx);
    err = std::string("database ") + path + ": " + sqlite3_errmsg(db_);
    return false;
  }
  if (sqlite3_step(mx) == SQLITE_ROW) next_ = sqlite3_column_int64(mx, 0) + 1;
  sqlite3_finalize(mx);
  return true;
}

std::int64_t Database::NewContent() {
  std::lock_guard lock(mu_);
  return next_++;
}

bool Database::PutPiece(std::int64_t content, std::int64_t seq, std::string_view bytes) {
  std::lock_guard lock(mu_);
  sqlite3_bind_int64(put_, 1, content);
  sqlite3_bind_int64(put_, 2, seq);
  sqlite3_bind_blob64(put_, 3, bytes.data(), bytes.size(), SQLITE_STATIC);
  bool ok = sqlite3_step(put_) == SQLITE_DONE;
  sqlite3_reset(put_);
  sqlite3_clear_bindings(put_);
  return ok;
}

bool Database::GetPiece(std::int64_t content, std::int64_t seq, std::string& out) {
  std::lock_guard lock(mu_);
  sqlite3_bind_int64(get_, 1, content);
  sqlite3_bind_int64(get_, 2, seq);
  bool ok = sqlite3_step(get_) == SQLITE_ROW;
  if (ok) {
    const void* p = sqlite3_column_blob(get_, 0);
    out.assign(static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(get_, 0)));
  }
  sqlite3_reset(get_);
  return ok;
}

void Database::DeleteContent(std::int64_t content) {
  std::lock_guard lock(mu_);
  sqlite3_bind_int64(del_, 1, content);
  sqlite3_step(del_);
  sqlite3_reset(del_);
}

bool Database::LoadCatalog(std::map<std::string, std::string>& parts, std::string& err) {
  std::lock_guard lock(mu_);
  sqlite3_stmt* s = Prepare("SELECT part, text FROM catalog");
  if (!s) {
    err = sqlite3_errmsg(db_);
    return false;
  }
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW)
    parts[reinterpret_cast<const char*>(sqlite3_column_text(s, 0))] =
        std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 1)), static_cast<std::size_t>(sqlite3_column_bytes(s, 1)));
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE) {
    err = sqlite3_errmsg(db_);
    return false;
  }
  committed_ = parts;
  return true;
}

bool Database::Commit(const std::map<std::string, std::string>& parts, std::string& err) {
  std::lock_guard lock(mu_);
  if (!Exec("BEGIN IMMEDIATE", err)) return false;
  sqlite3_stmt* up = Prepare("INSERT OR REPLACE INTO catalog(part, text) VALUES(?, ?)");
  sqlite3_stmt* rm = Prepare("DELETE FROM catalog WHERE part = ?");
  bool ok = up && rm;
  for (auto it = parts.begin(); ok && it != parts.end(); ++it) {
    auto was = committed_.find(it->first);
    if (was != committed_.end() && was->second == it->second) continue;
    sqlite3_bind_text(up, 1, it->first.data(), static_cast<int>(it->first.size()), SQLITE_STATIC);
    sqlite3_bind_text64(up, 2, it->second.data(), it->second.size(), SQLITE_STATIC, SQLITE_UTF8);
    ok = sqlite3_step(up) == SQLITE_DONE;
    sqlite3_reset(up);
  }
  for (auto it = committed_.begin(); ok && it != committed_.end(); ++it) {
    if (parts.count(it->first)) continue;
    sqlite3_bind_text(rm, 1, it->first.data(), static_cast<int>(it->first.size()), SQLITE_STATIC);
    ok = sqlite3_step(rm) == SQLITE_DONE;
    sqlite3_reset(rm);
  }
  if (!ok) err = sqlite3_errmsg(db_);
  sqlite3_finalize(up);
  sqlite3_finalize(rm);
  std::string e2;
  if (!ok || !Exec("COMMIT", err)) {
    Exec("ROLLBACK", e2);
    return false;
  }
  committed_ = parts;
  return true;
}

void Database::DeleteContentsExcept(const std::set<std::int64_t>& used) {
  std::vector<std::int64_t> all;
  {
    std::lock_guard lock(mu_);
    sqlite3_stmt* s = Prepare("SELECT DISTINCT content FROM piece");
    while (s && sqlite3_step(s) == SQLITE_ROW) all.push_back(sqlite3_column_int64(s, 0));
    sqlite3_finalize(s);
  }
  for (auto id : all)
    if (!used.count(id)) DeleteContent(id);
}

void Graveyard::SetDeferred(bool on) {
  std::lock_guard lock(mu_);
  deferred_ = on;
}

void Graveyard::Bury(std::function<void()> removal) {
  {
    std::lock_guard lock(mu_);
    if (deferred_) {
      dead_.push_back(std::move(removal));
      return;
    }
  }
  removal();
}

std::vector<std::function<void()>> Graveyard::Take() {
  std::lock_guard lock(mu_);
  return std::exchange(dead_, {});
}

bool Graveyard::Empty() {
  std::lock_guard lock(mu_);
  return dead_.empty();
}

Graveyard& Graves() {
  static Graveyard* g = new Graveyard;   // outlives the detached session threads
  return *g;
}

}  // namespace hostsim
