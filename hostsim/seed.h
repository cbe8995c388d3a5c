// The seed format: a readable text description of user profiles, libraries and
// their objects, one statement per line in CL-like syntax (documented in
// hostsim/README.md). The same format, with records written as hex, holds the
// state kept between starts and the contents of save files.
#pragma once
#include <deque>
#include <functional>
#include <string_view>
#include <string>
#include <vector>

#include "hostsim/store.h"

namespace hostsim {

struct SeedData {
  std::vector<UserProfile> users;
  std::deque<Library> libraries;
  std::vector<Message> messages;
  std::vector<FaultSwitch> faults;
};

// Where the contents of a seed go. `blobs` takes the bytes of save files (null:
// a save file with bytes is refused); `db` the records of large members (null:
// they stay in memory). With `references`, BLOB('name') names a file of the
// blob folder (a seed, the state); with `pieces`, PIECES(n) SIZE(n) names
// records the database holds (only the state this host wrote). A save file
// restored from a PC has neither, so it can never point at another object's bytes.
struct SeedStorage {
  BlobStore* blobs = nullptr;
  std::shared_ptr<Database> db;
  bool references = false;
  bool pieces = false;
};

// Parses seed text. Returns false with "line N: why" in `err`.
bool ParseSeed(const std::string& text, SeedData& out, std::string& err, const SeedStorage& storage);
// The same, reading the text a line at a time from `next` (false at the end).
bool ParseSeedLines(const std::function<bool(std::string&)>& next, SeedData& out, std::string& err,
                    const SeedStorage& storage);
inline bool ParseSeed(const std::string& text, SeedData& out, std::string& err, BlobStore* blobs) {
  return ParseSeed(text, out, err, SeedStorage{blobs, nullptr, false, false});
}

// Writes a library in the exact form (records as HEX lines). Save files are
// written with their bytes inline, or as BLOB references when `blobRefs` is set
// (the state), which also writes members held in the database as PIECES.
std::string DumpLibrary(const Library& lib, bool blobRefs);
// One object of a library (used by SAVOBJ).
std::string DumpObject(const Object& obj, bool blobRefs);
// The same handed to `sink` in parts, so that a large object is never whole in memory.
void DumpObjectTo(const Object& obj, bool blobRefs, const std::function<void(std::string_view)>& sink);
std::string DumpUsers(const std::vector<UserProfile>& users);
std::string DumpMessages(const std::vector<Message>& msgs);

// CL quoting of a text value.
std::string Quote(const std::string& s);

// Field encoders for ROW statements (exposed for the tool programs and tests).
std::string EncodeZoned(const std::string& value, int digits, int decimals, bool& ok);
std::string EncodePacked(const std::string& value, int digits, int decimals, bool& ok);
// Both return the empty text for bytes that are not valid decimal data.
std::string DecodeZoned(const std::string& bytes, int decimals);
std::string DecodePacked(const std::string& bytes, int decimals);

}  // namespace hostsim
