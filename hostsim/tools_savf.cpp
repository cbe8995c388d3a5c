// #FTPLIB4V, #FTPOBJ4V: save a library or objects into QTEMP/FTPSAVF and list
// what was saved in QTEMP/FTPLIBPC. #FTPLIB3, #FTPOBJ3: restore from the save
// file that the client sent into QTEMP/FTPSAVF.
#include <ctime>

#include "common/object_listing.h"
#include "hostsim/cl.h"
#include "hostsim/savf.h"
#include "hostsim/seed.h"
#include "hostsim/tool_io.h"

namespace hostsim::tools {
namespace {

CmdResult Done() { return {true, {}}; }

std::string Stamp(std::int64_t t, const char* fmt) {
  std::time_t tt = static_cast<std::time_t>(t);
  std::tm tm{};
  localtime_r(&tt, &tm);
  char b[32];
  std::strftime(b, sizeof b, fmt, &tm);
  return b;
}

// Twelve values per object, in the order of kv::kObjectListing: library,
// object, type, attribute, text, owner, creation date, creation time, size in
// bytes, members, records, target release.
void AddListing(std::vector<std::string>& out, const std::string& lib, const Object& o, const std::string& release) {
  std::uint64_t size = 4096, members = 0, records = 0;
  if (const auto* f = std::get_if<PhysicalFile>(&o.body)) {
    members = f->members.size();
    for (const auto& m : f->members) {
      size += m.data.size();
      records += m.data.size() / static_cast<std::size_t>(f->rcdlen ? f->rcdlen : 1);
    }
  } else if (const auto* s = std::get_if<SaveFile>(&o.body)) {
    if (s->blob) size += s->blob->size;
  } else if (const auto* q = std::get_if<OutputQueue>(&o.body)) {
    records = q->files.size();
  }
  const std::array<std::string, kv::kObjectListing.size()> v = {lib,
                                o.name,
                                o.type,
                                o.attribute,
                                o.text,
                                o.owner,
                                Stamp(o.created, "%Y/%m/%d"),
                                Stamp(o.created, "%H:%M:%S"),
                                std::to_string(size),
                                std::holds_alternative<PhysicalFile>(o.body) ? std::to_string(members) : "",
                                std::holds_alternative<SaveFile>(o.body) || std::holds_alternative<Program>(o.body) ? "" : std::to_string(records),
                                release};
  out.insert(out.end(), v.begin(), v.end());
}

// The common checks and the save of both download programs. `objects` and
// `types` are empty for a whole library. Replies at position 11.
CmdResult Download(CallContext& c, const std::string& lib, const std::vector<std::string>& objects,
                   const std::vector<std::string>& types, const std::string& rlsText) {
  auto reply = [&](const char* word) {
    WriteTightReply(c.job, c.program, 11, word, "");
    return Done();
  };
  Library* l = IsValidName(lib) ? ResolveLibrary(c.host, c.job, lib) : nullptr;
  if (!l) return reply("NOTLIB");
  std::string release = ResolveTargetRelease(rlsText);
  if (release.empty()) {
    c.job.log.push_back("CPD0084 Value '" + rlsText + "' for TGTRLS not valid.");
    return reply("RLSERR");
  }
  for (const auto& t : types)
    if (t.size() < 2 || t[0] != '*' || !IsValidName(t.substr(1))) {
      c.job.log.push_back("CPD0084 Value '" + t + "' for OBJTYPE not valid.");
      return reply("RLSERR");
    }
  for (const auto& n : objects) {
    std::string stem = n.size() > 1 && n.back() == '*' ? n.substr(0, n.size() - 1) : n;
    if (n != "*ALL" && !IsValidName(stem)) return reply("NOTOBJ");
  }
  c.job.qtemp.objects.erase({"FTPSAVF", "*FILE"});
  c.job.qtemp.Put(MakeSaveFile("FTPSAVF", ""));
  Object& savf = *c.job.qtemp.FindFile("FTPSAVF");
  CmdResult r = objects.empty() ? SaveLibraryTo(c.host, c.job, lib, savf, release)
                                : SaveObjectsTo(c.host, c.job, lib, objects, types, savf, release);
  for (const auto& m : r.messages) c.job.log.push_back(m.id + " " + m.text);
  if (!r.ok) return reply(r.messages.back().id == "CPF3770" ? "NOTOBJ" : "RLSERR");
  // The listing names what the save file holds, in the order it holds it.
  std::vector<std::string> listing;
  for (const auto& [key, o] : l->objects) {
    if (!objects.empty()) {
      bool nameOk = false, typeOk = false;
      for (const auto& n : objects)
        nameOk = nameOk || n == "*ALL" || n == o.name ||
                 (n.size() > 1 && n.back() == '*' && o.name.compare(0, n.size() - 1, n, 0, n.size() - 1) == 0);
      for (const auto& t : types) typeOk = typeOk || t == "*ALL" || t == o.type;
      if (!nameOk || !typeOk) continue;
    }
    AddListing(listing, l->name, o, release);
  }
  WriteWorkFile(c.job.qtemp, "FTPLIBPC", "FTPLIBPC", "Objects saved from " + lib, listing, 1);
  c.job.log.push_back("Save of " + lib + " for " + Text(c, c.parms.size() - 3) + " " + Text(c, c.parms.size() - 2) +
                      " by " + Text(c, c.parms.size() - 1) + ".");
  return reply("OK");
}

CmdResult LibDownload(CallContext& c) { return Download(c, Name(c, 0), {}, {}, Name(c, 1)); }

CmdResult ObjDownload(CallContext& c) {
  return Download(c, Name(c, 0), {Name(c, 1)}, {Name(c, 2).empty() ? "*ALL" : Name(c, 2)}, Name(c, 3));
}

// The restore programs. `object` is empty for a whole library. Replies at 31.
CmdResult Restore(CallContext& c, const std::string& lib, const std::string& object, const std::string& rstlib) {
  auto reply = [&](const char* word) {
    WriteTightReply(c.job, c.program, 31, word, "");
    return Done();
  };
  bool wholeLibrary = object.empty();
  // A restore library that is not a valid name, or (for objects) does not exist.
  if (!IsValidName(rstlib) || rstlib == "QTEMP" || rstlib == "QSYS" ||
      (!wholeLibrary && !ResolveLibrary(c.host, c.job, rstlib)))
    return reply("NOTLIB");
  if (!IsValidName(lib)) return reply("RSTERR");
  Object* savf = c.job.qtemp.FindFile("FTPSAVF");
  SaveImage img;
  std::string why;
  auto blob = savf && savf->savf() ? savf->savf()->blob : nullptr;
  if (!blob || !ReadImage(blob->path, blob->size, false, img, why)) {
    c.job.log.push_back("CPF3782 Save file FTPSAVF in QTEMP holds no save data.");
    return reply("RSTOBJ");
  }
  // The save file holds another library than the one named.
  if (img.library != lib) {
    c.job.log.push_back("CPF3780 Specified file for library " + lib + " not found; the save file holds " + img.library + ".");
    return reply("RSTERR");
  }
  // A library restore needs a library save; an object save restores with #FTPOBJ3.
  if (wholeLibrary && img.kind != "LIB") {
    c.job.log.push_back("CPF3780 The save file holds objects saved with SAVOBJ, not a library.");
    return reply("RSTOBJ");
  }
  if (!wholeLibrary) {
    SeedData data;
    PayloadLines lines(blob->path, img.payloadSize);
    if (!ParseSeedLines([&](std::string& line) { return lines.Next(line); }, data, why, SeedStorage{nullptr, c.host.db, false, false})) {
      c.job.log.push_back("CPF3743 " + why);
      return reply("RSTOBJ");
    }
    bool found = object == "*ALL";
    for (const auto& L : data.libraries)
      for (const auto& [key, o] : L.objects) found = found || o.name == object;
    if (!found) return reply("NOTOBJ");
  }
  RestoreOptions opt;
  opt.mbropt = "*ALL";
  opt.alwobjdif = "*ALL";
  opt.wholeLibrary = wholeLibrary;
  if (!wholeLibrary) opt.objects = {object};
  CmdResult r = RestoreFrom(c.host, c.job, lib, *savf, rstlib, opt);
  for (const auto& m : r.messages) c.job.log.push_back(m.id + " " + m.text);
  return reply(r.ok ? "OK" : "RSTOBJ");
}

CmdResult LibUpload(CallContext& c) { return Restore(c, Name(c, 0), "", Name(c, 1)); }
CmdResult ObjUpload(CallContext& c) {
  std::string obj = Name(c, 1);
  if (obj.empty()) obj = "*ALL";
  return Restore(c, Name(c, 0), obj, Name(c, 2));
}

}  // namespace

void RegisterSaveFileRoutines(std::map<std::string, Routine>& r) {
  r["FTPLIB4V"] = {5, LibDownload};
  r["FTPOBJ4V"] = {7, ObjDownload};
  r["FTPLIB3"] = {2, LibUpload};
  r["FTPOBJ3"] = {3, ObjUpload};
}

}  // namespace hostsim::tools
