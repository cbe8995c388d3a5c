// The host's object store: user profiles, libraries with their objects (physical
// files with members, programs, save files, output queues with spooled files) and
// the QSYSOPR message queue. One mutex guards it; record data and save-file
// contents are immutable snapshots that a transfer can keep using after it has
// released the lock, while a writer replaces them as a whole. Large members'
// records live in the database (records.h).
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "hostsim/database.h"
#include "hostsim/faults.h"
#include "hostsim/records.h"

namespace hostsim {

struct Field {
  std::string name;
  char type = 'A';   // A character, S zoned decimal, P packed decimal
  int length = 1;    // characters, or digits for S and P
  int decimals = 0;
  int ccsid = 0;     // 0: the file's CCSID
  int Bytes() const { return type == 'P' ? length / 2 + 1 : length; }
};

struct Member {
  std::string name;
  std::string text;      // text description (UTF-8)
  std::string srcType;   // source type of a source member
  Records data;          // records, each rcdlen bytes
  std::int64_t changed = 0;  // seconds since the epoch
};

struct PhysicalFile {
  bool source = false;
  int rcdlen = 92;
  int ccsid = 5035;
  std::vector<Field> fields;     // the record format; a source file has SRCSEQ, SRCDAT, SRCDTA
  std::vector<Member> members;   // in the order they were added
  Member* FindMember(const std::string& name);
  bool HasPacked() const;
};

struct Program {
  std::string routine;   // the simulator routine that runs when the program is called
};

// Bytes of a save file, kept in a file of the simulator's blob folder. Immutable:
// a new content is a new blob. The file goes when the last reference does.
struct Blob {
  std::string path;
  std::uint64_t size = 0;
  ~Blob();
};

struct SaveFile {
  std::shared_ptr<const Blob> blob;   // null: the save file is empty
};

struct SpooledFile {
  std::string file;        // e.g. QSYSPRT
  std::string jobName, jobUser, jobNumber;
  int number = 1;          // spooled file number within the job
  std::string userData;
  std::int64_t created = 0;
  std::vector<std::string> lines;   // print lines (UTF-8)
};

struct OutputQueue {
  std::vector<SpooledFile> files;
};

struct Object {
  std::string name;
  std::string type;        // *FILE, *PGM, *OUTQ
  std::string attribute;   // PF, SAVF, CLP, RPGLE, ...
  std::string text;
  std::string owner = "QSECOFR";
  std::int64_t created = 0;
  std::variant<PhysicalFile, Program, SaveFile, OutputQueue> body;

  PhysicalFile* file() { return std::get_if<PhysicalFile>(&body); }
  Program* program() { return std::get_if<Program>(&body); }
  SaveFile* savf() { return std::get_if<SaveFile>(&body); }
  OutputQueue* outq() { return std::get_if<OutputQueue>(&body); }
};

struct Library {
  std::string name;
  std::string text;
  std::map<std::pair<std::string, std::string>, Object> objects;   // (name, type)

  Object* Find(const std::string& name, const std::string& type);
  Object* FindFile(const std::string& name) { return Find(name, "*FILE"); }
  Object& Put(Object obj);   // adds or replaces
};

struct UserProfile {
  std::string name;
  std::string password;
  std::string text;
  int failures = 0;
  bool disabled = false;
};

struct Message {
  std::int64_t sent = 0;
  std::string id;
  std::string from;     // sending job or program
  std::string text;
};

// The save-file blob folder: a private temporary folder, or DIR/blobs with --state.
class BlobStore {
 public:
  bool Open(const std::string& dir);
  std::string NewPath();
  const std::string& dir() const { return dir_; }
  // Wraps a finished file (renamed into the folder when elsewhere).
  std::shared_ptr<const Blob> Adopt(const std::string& path);
  std::shared_ptr<const Blob> FromBytes(const std::string& bytes);

 private:
  std::string dir_;
  std::mutex mu_;
  std::uint64_t next_ = 0;
};

// Whether destroying a Blob deletes its file (through the Graveyard). Turned off
// at shutdown with --state, so that the blobs the saved state names survive.
void SetBlobCleanup(bool on);

struct Host {
  std::mutex mu;
  std::map<std::string, UserProfile> users;
  std::map<std::string, Library> libraries;
  std::vector<Message> qsysopr;
  BlobStore blobs;
  std::shared_ptr<Database> db;   // large members' records; the kept state with --state
  int japaneseCcsid = 5035;   // CCSID of files that a Japanese text upload creates
  int asciiCcsid = 819;       // the CCSID of TYPE A
  bool dirty = false;
  std::uint32_t nextJob = 100001;
  std::vector<FaultSwitch> faults;   // fault switches of the seed (not kept in the state)

  Library* FindLibrary(const std::string& name);
  void SendToQsysopr(const std::string& id, const std::string& from, const std::string& text);
  // The minimal host of a start without a seed.
  void MakeMinimal();
};

std::int64_t Now();
// A source file object with the standard format, record length `rcdlen`.
Object MakeSourceFile(const std::string& name, int rcdlen, int ccsid, const std::string& text);
Object MakeDataFile(const std::string& name, int rcdlen, int ccsid, const std::string& text);
Object MakeSaveFile(const std::string& name, const std::string& text);
Object MakeProgram(const std::string& name, const std::string& routine, const std::string& attribute, const std::string& text);

// Source records: 6-byte zoned sequence number (nnnn.nn), 6-byte zoned date YYMMDD, text.
std::string MakeSourceRecord(int seq100, const std::string& yymmdd, const std::string& ebcdicText, int rcdlen);
std::string TodayYymmdd();

}  // namespace hostsim
