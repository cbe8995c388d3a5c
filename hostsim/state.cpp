#include "hostsim/state.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "hostsim/ccsid.h"
#include "hostsim/commands.h"
#include "hostsim/savf.h"

namespace hostsim {

bool LoadSeedText(Host& host, const std::string& text, std::string& err) {
  SeedData d;
  if (!ParseSeed(text, d, err, &host.blobs)) return false;
  for (auto& u : d.users) host.users[u.name] = u;
  for (auto& l : d.libraries) host.libraries[l.name] = std::move(l);
  for (auto& m : d.messages) host.qsysopr.push_back(m);
  return true;
}

bool LoadSeedFile(Host& host, const std::string& path, std::string& err) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    err = "cannot read " + path;
    return false;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  if (!LoadSeedText(host, ss.str(), err)) {
    err = path + ": " + err;
    return false;
  }
  return true;
}

bool SaveState(Host& host, const std::string& dir, std::string& err) {
  std::string text;
  {
    std::lock_guard lock(host.mu);
    std::vector<UserProfile> users;
    for (auto& [n, u] : host.users) users.push_back(u);
    text = "# hostsim state; written by the simulator\n" + DumpUsers(users);
    for (auto& [n, l] : host.libraries) text += DumpLibrary(l, true);
    text += DumpMessages(host.qsysopr);
    host.dirty = false;
  }
  std::string tmp = dir + "/host.seed.tmp", final = dir + "/host.seed";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      err = "cannot write " + tmp;
      return false;
    }
  }
  if (std::rename(tmp.c_str(), final.c_str()) != 0) {
    err = "cannot replace " + final;
    return false;
  }
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
  f->members.push_back({"KVCTL", "Transfer tool control", "", std::make_shared<const std::string>(rec), Now()});
  l.Put(std::move(ctl));
  l.Put(MakeSourceFile("QTXTSRC", 92, 5035, "Notes"));
}

}  // namespace hostsim
