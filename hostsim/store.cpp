#include "hostsim/store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>

#include "hostsim/ccsid.h"

namespace hostsim {
namespace {
std::atomic<bool> g_blobCleanup{true};
}

void SetBlobCleanup(bool on) { g_blobCleanup = on; }

Blob::~Blob() {
  if (g_blobCleanup && !path.empty()) Graves().Bury([p = path] { if (g_blobCleanup) ::unlink(p.c_str()); });
}

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

Member* PhysicalFile::FindMember(const std::string& name) {
  for (auto& m : members)
    if (m.name == name) return &m;
  return nullptr;
}

bool PhysicalFile::HasPacked() const {
  for (const auto& f : fields)
    if (f.type == 'P') return true;
  return false;
}

Object* Library::Find(const std::string& name, const std::string& type) {
  auto it = objects.find({name, type});
  return it == objects.end() ? nullptr : &it->second;
}

Object& Library::Put(Object obj) {
  auto key = std::make_pair(obj.name, obj.type);
  objects.erase(key);
  return objects.emplace(key, std::move(obj)).first->second;
}

bool BlobStore::Open(const std::string& dir) {
  ::mkdir(dir.c_str(), 0700);
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  dir_ = dir;
  return true;
}

std::string BlobStore::NewPath() {
  std::lock_guard lock(mu_);
  for (;;) {
    std::string p = dir_ + "/" + std::to_string(::getpid()) + "-" + std::to_string(Now()) + "-" +
                    std::to_string(next_++) + ".savf";
    if (::access(p.c_str(), F_OK) != 0) return p;
  }
}

std::shared_ptr<const Blob> BlobStore::Adopt(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return nullptr;
  auto b = std::make_shared<Blob>();
  b->path = path;
  b->size = static_cast<std::uint64_t>(st.st_size);
  return b;
}

std::shared_ptr<const Blob> BlobStore::FromBytes(const std::string& bytes) {
  std::string p = NewPath();
  int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return nullptr;
  std::size_t off = 0;
  while (off < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + off, bytes.size() - off);
    if (n <= 0) {
      ::close(fd);
      ::unlink(p.c_str());
      return nullptr;
    }
    off += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return Adopt(p);
}

Library* Host::FindLibrary(const std::string& name) {
  auto it = libraries.find(name);
  return it == libraries.end() ? nullptr : &it->second;
}

void Host::SendToQsysopr(const std::string& id, const std::string& from, const std::string& text) {
  qsysopr.push_back({Now(), id, from, text});
  dirty = true;
}

void Host::MakeMinimal() {
  users["QSECOFR"] = {"QSECOFR", "QSECOFR", "Security officer", 0, false};
  libraries["QSYS"] = {"QSYS", "System library", {}};
  Library& qgpl = libraries["QGPL"] = {"QGPL", "General purpose library", {}};
  qgpl.Put(MakeSourceFile("QRPGSRC", 92, 5035, "RPG source"));
  qgpl.Put(MakeSourceFile("QCLSRC", 92, 5035, "CL source"));
  qgpl.Put(MakeSourceFile("QDDSSRC", 92, 5035, "DDS source"));
}

Object MakeSourceFile(const std::string& name, int rcdlen, int ccsid, const std::string& text) {
  PhysicalFile f;
  f.source = true;
  f.rcdlen = rcdlen;
  f.ccsid = ccsid;
  f.fields = {{"SRCSEQ", 'S', 6, 2, 0}, {"SRCDAT", 'S', 6, 0, 0}, {"SRCDTA", 'A', rcdlen - 12, 0, 0}};
  return Object{name, "*FILE", "PF-SRC", text, "QSECOFR", Now(), std::move(f)};
}

Object MakeDataFile(const std::string& name, int rcdlen, int ccsid, const std::string& text) {
  PhysicalFile f;
  f.rcdlen = rcdlen;
  f.ccsid = ccsid;
  f.fields = {{name, 'A', rcdlen, 0, 0}};
  return Object{name, "*FILE", "PF-DTA", text, "QSECOFR", Now(), std::move(f)};
}

Object MakeSaveFile(const std::string& name, const std::string& text) {
  return Object{name, "*FILE", "SAVF", text, "QSECOFR", Now(), SaveFile{}};
}

Object MakeProgram(const std::string& name, const std::string& routine, const std::string& attribute,
                   const std::string& text) {
  return Object{name, "*PGM", attribute, text, "QSECOFR", Now(), Program{routine}};
}

std::string TodayYymmdd() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d", (tm.tm_year % 100 + 100) % 100, (tm.tm_mon + 1) % 100, tm.tm_mday % 100);
  return buf;
}

std::string MakeSourceRecord(int seq100, const std::string& yymmdd, const std::string& ebcdicText, int rcdlen) {
  char seq[8];
  std::snprintf(seq, sizeof seq, "%06d", seq100 % 1000000);
  std::string rec;
  rec.reserve(static_cast<std::size_t>(rcdlen));
  for (int i = 0; i < 6; ++i) rec.push_back(static_cast<char>(0xF0 + (seq[i] - '0')));
  for (int i = 0; i < 6; ++i) {
    char d = i < static_cast<int>(yymmdd.size()) ? yymmdd[static_cast<std::size_t>(i)] : '0';
    rec.push_back(static_cast<char>(0xF0 + (d - '0')));
  }
  rec.append(ebcdicText.substr(0, static_cast<std::size_t>(rcdlen) - 12));
  rec.resize(static_cast<std::size_t>(rcdlen), kEbcdicBlank);
  return rec;
}

}  // namespace hostsim
