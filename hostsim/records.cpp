#include "hostsim/records.h"

#include <algorithm>

namespace hostsim {

struct Records::Body {
  std::string bytes;                 // in memory
  std::shared_ptr<Database> db;      // or in the database
  std::int64_t content = 0;
  std::uint64_t size = 0;
  ~Body() {
    if (db && content)
      Graves().Bury([db = db, id = content] { db->DeleteContent(id); });
  }
};

Records Records::FromBytes(std::string bytes) {
  Records r;
  auto b = std::make_shared<Body>();
  b->size = bytes.size();
  b->bytes = std::move(bytes);
  r.body_ = std::move(b);
  return r;
}

Records Records::Stored(std::shared_ptr<Database> db, std::int64_t content, std::uint64_t size) {
  Records r;
  auto b = std::make_shared<Body>();
  b->db = std::move(db);
  b->content = content;
  b->size = size;
  r.body_ = std::move(b);
  return r;
}

std::uint64_t Records::size() const { return body_ ? body_->size : 0; }
std::int64_t Records::content() const { return body_ && body_->db ? body_->content : 0; }

bool Records::ForEachPiece(const std::function<bool(std::string_view)>& fn) const {
  if (!body_) return true;
  if (!body_->db) return body_->bytes.empty() || fn(body_->bytes);
  std::string piece;
  std::uint64_t seen = 0;
  for (std::int64_t seq = 0; seen < body_->size; ++seq) {
    if (!body_->db->GetPiece(body_->content, seq, piece) || piece.empty()) return false;
    seen += piece.size();
    if (!fn(piece)) return false;
  }
  return true;
}

bool Records::ForEachRecord(std::size_t rcdlen, const std::function<bool(std::string_view)>& fn) const {
  if (rcdlen == 0) return true;
  std::string carry;   // the start of a record that a piece boundary cut
  return ForEachPiece([&](std::string_view p) {
    if (!carry.empty()) {
      std::size_t take = std::min(rcdlen - carry.size(), p.size());
      carry.append(p.substr(0, take));
      p.remove_prefix(take);
      if (carry.size() < rcdlen) return true;
      if (!fn(carry)) return false;
      carry.clear();
    }
    for (; p.size() >= rcdlen; p.remove_prefix(rcdlen))
      if (!fn(p.substr(0, rcdlen))) return false;
    carry.assign(p);
    return true;
  });
}

std::string Records::Bytes() const {
  if (body_ && !body_->db) return body_->bytes;
  std::string all;
  all.reserve(size());
  ForEachPiece([&](std::string_view p) {
    all.append(p);
    return true;
  });
  return all;
}

RecordsWriter::RecordsWriter(std::shared_ptr<Database> db, std::size_t rcdlen)
    : db_(std::move(db)), rcdlen_(std::max<std::size_t>(rcdlen, 1)) {
  // Pieces hold whole records, so that a reader rarely joins a record across two.
  piece_ = std::max(kPieceBytes / rcdlen_, std::size_t{1}) * rcdlen_;
}

RecordsWriter::~RecordsWriter() {
  if (!finished_ && content_) db_->DeleteContent(content_);
}

bool RecordsWriter::Flush(std::size_t bytes) {
  if (!content_) content_ = db_->NewContent();
  ok_ = ok_ && db_->PutPiece(content_, seq_++, std::string_view(buf_).substr(0, bytes));
  written_ += bytes;
  buf_.erase(0, bytes);
  return ok_;
}

bool RecordsWriter::Append(std::string_view bytes) {
  buf_.append(bytes);
  if (db_)
    while (ok_ && buf_.size() >= piece_ + (content_ ? 0 : kInMemoryBytes)) Flush(piece_);
  return ok_;
}

Records RecordsWriter::Finish(char pad) {
  std::size_t rem = static_cast<std::size_t>(size() % rcdlen_);
  if (rem) buf_.append(rcdlen_ - rem, pad);
  finished_ = true;
  if (!ok_) {
    if (content_) db_->DeleteContent(content_);
    return {};
  }
  if (!db_ || (!content_ && buf_.size() <= kInMemoryBytes)) return Records::FromBytes(std::move(buf_));
  while (ok_ && !buf_.empty()) Flush(std::min(buf_.size(), piece_));
  if (!ok_) {
    db_->DeleteContent(content_);
    return {};
  }
  return Records::Stored(db_, content_, written_);
}

}  // namespace hostsim
