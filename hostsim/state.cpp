#include "hostsim/state.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "hostsim/ccsid.h"
#include "hostsim/commands.h"
#include "hostsim/savf.h"

namespace hostsim {

namespace {

// Adds what the seed lines describe to the host (libraries replace libraries
// of the same name).
bool LoadSeedLines(Host& host, const std::function<bool(std::string&)>& next, std::string& err) {
  SeedData d;
  if (!ParseSeedLines(next, d, err, SeedStorage{&host.blobs, host.db, true, false})) return false;
  for (auto& u : d.users) host.users[u.name] = u;
  for (auto& l : d.libraries) host.libraries[l.name] = std::move(l);
  for (auto& m : d.messages) host.qsysopr.push_back(m);
  host.faults.insert(host.faults.end(), d.faults.begin(), d.faults.end());
  return true;
}

}  // namespace

bool LoadSeedText(Host& host, const std::string& text, std::string& err) {
  std::istringstream in(text);
  return LoadSeedLines(host, [&](std::string& line) { return static_cast<bool>(std::getline(in, line)); }, err);
}

// Read a line at a time: a large seed (or a state folder of an earlier
// version) is never whole in memory.
bool LoadSeedFile(Host& host, const std::string& path, std::string& err) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    err = "cannot read " + path;
    return false;
  }
  if (!LoadSeedLines(host, [&](std::string& line) { return static_cast<bool>(std::getline(in, line)); }, err)) {
    err = path + ": " + err;
    return false;
  }
  return true;
}

namespace {

// The store as catalog parts: the users, the QSYSOPR messages, one part per library.
std::map<std::string, std::string> CatalogParts(Host& host) {
  std::map<std::string, std::string> parts;
  std::vector<UserProfile> users;
  for (auto& [n, u] : host.users) users.push_back(u);
  parts["users"] = DumpUsers(users);
  parts["messages"] = DumpMessages(host.qsysopr);
  for (auto& [n, l] : host.libraries) parts["library " + n] = DumpLibrary(l, true);
  return parts;
}

void CollectContents(const Library& l, std::set<std::int64_t>& used) {
  for (const auto& [k, o] : l.objects)
    if (const auto* f = std::get_if<PhysicalFile>(&o.body))
      for (const auto& m : f->members)
        if (m.data.content()) used.insert(m.data.content());
}

}  // namespace

bool OpenState(Host& host, const std::string& dir, bool& found, std::string& err) {
  found = false;
  auto db = std::make_shared<Database>();
  if (!db->Open(dir + "/host.db", true, err)) return false;
  host.db = db;
  Graves().SetDeferred(true);
  std::map<std::string, std::string> parts;
  if (!db->LoadCatalog(parts, err)) {
    err = dir + "/host.db: " + err;
    return false;
  }
  if (parts.empty()) {
    // A state folder of an earlier version: the store as one seed text.
    if (!std::filesystem::exists(dir + "/host.seed")) return true;
    if (!LoadSeedFile(host, dir + "/host.seed", err)) return false;
    found = true;
    host.dirty = true;
    return true;
  }
  // Users first, then the libraries, then the messages: the order of a seed.
  std::string text = parts["users"];
  for (const auto& [name, t] : parts)
    if (name.starts_with("library ")) text += t;
  text += parts["messages"];
  SeedData d;
  if (!ParseSeed(text, d, err, SeedStorage{&host.blobs, db, true, true})) {
    err = dir + "/host.db: " + err;
    return false;
  }
  std::set<std::int64_t> used;
  for (auto& u : d.users) host.users[u.name] = u;
  for (auto& l : d.libraries) {
    CollectContents(l, used);
    host.libraries[l.name] = std::move(l);
  }
  host.qsysopr = d.messages;
  db->DeleteContentsExcept(used);
  found = true;
  return true;
}

bool SaveState(Host& host, std::string& err) {
  if (!host.db || !host.db->kept()) return true;
  // One commit at a time, so that an older picture of the store never
  // overwrites a newer one.
  static std::mutex order;
  std::lock_guard serial(order);
  std::map<std::string, std::string> parts;
  std::vector<std::function<void()>> dead;
  {
    std::lock_guard lock(host.mu);
    // Contents that died (a session's work files) go only after a commit: the
    // store on disk may name something that the store in memory has dropped.
    if (!host.dirty && Graves().Empty()) return true;
    parts = CatalogParts(host);
    // What died before this picture was taken is not in it.
    dead = Graves().Take();
    host.dirty = false;
  }
  if (!host.db->Commit(parts, err)) {
    std::lock_guard lock(host.mu);
    host.dirty = true;
    for (auto& d : dead) Graves().Bury(std::move(d));
    err = "cannot commit the state: " + err;
    return false;
  }
  for (auto& d : dead) d();
  return true;
}

void PruneBlobs(Host& host) {
  std::set<std::string> used;
  for (auto& [n, l] : host.libraries)
    for (auto& [k, o] : l.objects)
      if (o.savf() && o.savf()->blob) used.insert(o.savf()->blob->path);
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(host.blobs.dir(), ec))
    if (e.is_regular_file() && !used.count(e.path().string())) std::filesystem::remove(e.path(), ec);
}

bool LibraryImage(Host& host, const std::string& lib, std::string& image, std::string& err) {
  const Library* l = host.FindLibrary(lib);
  if (!l) {
    err = "library " + lib + " not found";
    return false;
  }
  SaveImage img{"LIB", lib, static_cast<int>(l->objects.size()), "V7R3M0", Now(), ""};
  img.payload = DumpLibrary(*l, false);
  image = BuildImage(img);
  return true;
}

void AddToolLibrary(Host& host, const std::string& name) {
  Library& l = host.libraries[name] = Library{name, "Transfer tool programs", {}};
  static const char* const texts[] = {
      "Retrieve member for PC download", "Source/data member upload check", "Member to CSV work file",
      "CSV work file to member",        "Save library for PC download",     "Save object for PC download",
      "Restore library from PC",        "Restore object from PC",           "Spooled file to save file",
      "Spooled file to text",           "Spooled file from PC to outq"};
  std::size_t i = 0;
  for (const auto& [pgm, routine] : ToolPrograms()) l.Put(MakeProgram(pgm, routine, "CLP", texts[i++]));
}

void AddDataLibrary(Host& host, const std::string& name) {
  Library& l = host.libraries[name] = Library{name, "Transfer tool data", {}};
  Object ctl = MakeDataFile("KVCTL", 80, 5035, "Transfer tool control");
  PhysicalFile* f = ctl.file();
  std::string rec = FitRecord(FromUtf8("KV-TRANSIT HOST TOOLS", 5035), 80).value_or(std::string(80, kEbcdicBlank));
  f->members.push_back({"KVCTL", "Transfer tool control", "", Records::FromBytes(rec), Now()});
  l.Put(std::move(ctl));
  l.Put(MakeSourceFile("QTXTSRC", 92, 5035, "Notes"));
}

}  // namespace hostsim
