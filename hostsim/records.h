// The records of a member: immutable bytes, each record rcdlen long. Small ones
// are kept in memory; large ones live in the database in pieces and are read
// a piece at a time, so that no transfer or program needs the whole member in
// memory. A new content is made with a RecordsWriter; replacing a member's
// records replaces the handle, so a transfer still reading the old ones keeps
// them until it ends.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "hostsim/database.h"

namespace hostsim {

class Records {
 public:
  Records() = default;
  // Bytes kept in memory.
  static Records FromBytes(std::string bytes);
  // Records in pieces that the database already holds (a state being loaded).
  static Records Stored(std::shared_ptr<Database> db, std::int64_t content, std::uint64_t size);

  std::uint64_t size() const;
  bool empty() const { return size() == 0; }
  // The database content holding them; 0 when they are in memory.
  std::int64_t content() const;
  // Hands the bytes to `fn` a piece at a time, in order, until it returns
  // false. False when `fn` stopped or a piece could not be read.
  bool ForEachPiece(const std::function<bool(std::string_view)>& fn) const;
  // Hands the records of length `rcdlen` to `fn` one at a time (a partial last
  // record is left out).
  bool ForEachRecord(std::size_t rcdlen, const std::function<bool(std::string_view)>& fn) const;
  // All bytes at once: for members known to be small (reply records, work files).
  std::string Bytes() const;

  struct Body;

 private:
  std::shared_ptr<const Body> body_;
  friend class RecordsWriter;
};

// Builds a content from bytes that arrive in any amounts. It stays in memory
// while it is small; past that it goes to the database in pieces of whole
// records. Abandoned (destroyed unfinished), it leaves nothing behind.
class RecordsWriter {
 public:
  // `db` may be null: everything then stays in memory.
  RecordsWriter(std::shared_ptr<Database> db, std::size_t rcdlen);
  ~RecordsWriter();
  bool Append(std::string_view bytes);
  std::uint64_t size() const { return written_ + buf_.size(); }
  // Pads the last record with `pad` when it is partial, and returns the records.
  // An empty Records (size 0) when a piece could not be stored: check ok().
  Records Finish(char pad);
  bool ok() const { return ok_; }

 private:
  bool Flush(std::size_t bytes);
  std::shared_ptr<Database> db_;
  std::size_t rcdlen_;
  std::size_t piece_;
  std::string buf_;
  std::int64_t content_ = 0, seq_ = 0;
  std::uint64_t written_ = 0;
  bool ok_ = true, finished_ = false;
};

// Bytes of a piece, and the largest content kept in memory.
constexpr std::size_t kPieceBytes = 512 * 1024;
constexpr std::size_t kInMemoryBytes = 64 * 1024;

}  // namespace hostsim
