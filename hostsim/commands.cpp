#include "hostsim/commands.h"

#include <algorithm>
#include <optional>

#include "hostsim/ccsid.h"
#include "hostsim/cl.h"
#include "hostsim/savf.h"
#include "hostsim/seed.h"

namespace hostsim {
namespace {

CmdResult Ok(std::string id, std::string text) { return {true, {{std::move(id), std::move(text)}}}; }
CmdResult Fail(std::string id, std::string text) { return {false, {{std::move(id), std::move(text)}}}; }

bool IsSpecial(const std::string& s) { return !s.empty() && s[0] == '*'; }

// A qualified name parameter: LIB/OBJ with both parts checked.
bool QualifiedName(const std::string& text, std::string& lib, std::string& obj, CmdResult& err) {
  auto [l, o] = SplitQualified(text);
  if (!IsValidName(o) || (!IsSpecial(l) && !IsValidName(l)) || o.find('/') != std::string::npos) {
    err = Fail("CPD0078", "Value '" + text + "' for a qualified name not valid.");
    return false;
  }
  lib = l;
  obj = o;
  return true;
}

std::vector<std::string> LibrarySearch(Job& job) {
  std::vector<std::string> l{"QSYS", job.curlib, "QTEMP"};
  for (const auto& u : job.userLibl) l.push_back(u);
  return l;
}

// TOOLNOREPLY leaves QTEMP/FTPTEXT as it was before the call (the program
// wrote nothing); TOOLSHORTREPLY cuts the reply record to its first bytes.
void SpoilReply(Job& job, const std::optional<Object>& before) {
  if (job.faults->On(Fault::kToolNoReply)) {
    job.qtemp.objects.erase({"FTPTEXT", "*FILE"});
    if (before) job.qtemp.Put(*before);
    return;
  }
  if (!job.faults->On(Fault::kToolShortReply)) return;
  Object* o = job.qtemp.FindFile("FTPTEXT");
  PhysicalFile* f = o ? o->file() : nullptr;
  if (!f || f->members.empty()) return;
  auto keep = static_cast<std::size_t>(job.faults->Number(Fault::kToolShortReply, 8));
  std::string rec = f->members[0].data.Bytes().substr(0, std::min<std::size_t>(keep, static_cast<std::size_t>(f->rcdlen)));
  if (!rec.empty()) f->rcdlen = static_cast<int>(rec.size());
  f->members[0].data = Records::FromBytes(std::move(rec));
}

CmdResult CrtSavf(Host& host, Job& job, const ClArgs& a) {
  std::string lib, name;
  CmdResult err;
  if (!QualifiedName(a.Text("FILE"), lib, name, err)) return err;
  if (lib == "*LIBL" || lib == "*CURLIB") lib = job.curlib;
  Library* l = ResolveLibrary(host, job, lib);
  if (!l) return Fail("CPF9810", "Library " + lib + " not found.");
  if (l->FindFile(name)) return Fail("CPF7302", "File " + name + " not created in library " + lib + ".");
  l->Put(MakeSaveFile(name, Trimmed(a.Text("TEXT"))));
  host.dirty = host.dirty || lib != "QTEMP";
  return Ok("CPC9801", "Object " + name + " type *FILE created in library " + lib + ".");
}

Object* FindSavf(Host& host, Job& job, const std::string& text, CmdResult& err) {
  std::string lib, name;
  if (!QualifiedName(text, lib, name, err)) return nullptr;
  Library* where = nullptr;
  if (!IsSpecial(lib) && !ResolveLibrary(host, job, lib)) {
    err = Fail("CPF9810", "Library " + lib + " not found.");
    return nullptr;
  }
  Object* o = ResolveObject(host, job, lib, name, "*FILE", &where);
  if (!o) {
    err = Fail("CPF9812", "File " + name + " in library " + lib + " not found.");
    return nullptr;
  }
  if (!o->savf()) {
    err = Fail("CPF3782", "File " + name + " in " + (where ? where->name : lib) + " not a save file.");
    return nullptr;
  }
  return o;
}

// The save file a SAVLIB or SAVOBJ writes to: DEV(*SAVF), an existing save
// file, and empty unless CLEAR lets the save replace what it holds.
Object* SaveTarget(Host& host, Job& job, const ClArgs& a, CmdResult& err) {
  if (a.Text("DEV") != "*SAVF") {
    err = Fail("CPF3782", "Only DEV(*SAVF) is supported.");
    return nullptr;
  }
  Object* savf = FindSavf(host, job, a.Text("SAVF"), err);
  if (!savf) return nullptr;
  const std::string clear = a.Text("CLEAR");
  if (savf->savf()->blob && clear != "*ALL" && clear != "*REPLACE" && clear != "*AFTER") {
    err = Fail("CPA4067", "Save file " + savf->name + " contains data.");
    return nullptr;
  }
  return savf;
}

// TGTRLS and SPLFDTA of a save: the release the save records, and whether
// output queues keep their spooled files (*ALL) or go without them (*NONE, the
// default).
bool SaveOptions(const ClArgs& a, std::string& release, bool& spooledFiles, CmdResult& err) {
  release = ResolveTargetRelease(a.Text("TGTRLS"));
  if (release.empty()) {
    err = Fail("CPD0084", "Value '" + a.Text("TGTRLS") + "' for TGTRLS not valid.");
    return false;
  }
  const std::string splfdta = a.Text("SPLFDTA");
  if (!splfdta.empty() && splfdta != "*NONE" && splfdta != "*ALL") {
    err = Fail("CPD0084", "Value '" + splfdta + "' for SPLFDTA not valid.");
    return false;
  }
  spooledFiles = splfdta == "*ALL";
  return true;
}

CmdResult SavLib(Host& host, Job& job, const ClArgs& a) {
  CmdResult err;
  std::string release;
  bool spooledFiles = false;
  if (!SaveOptions(a, release, spooledFiles, err)) return err;
  Object* savf = SaveTarget(host, job, a, err);
  if (!savf) return err;
  const auto* libs = a.Get("LIB");
  if (!libs || libs->size() != 1) return Fail("CPD0084", "Exactly one library must be saved to a save file.");
  return SaveLibraryTo(host, job, (*libs)[0].text, *savf, release, spooledFiles);
}

CmdResult SavObj(Host& host, Job& job, const ClArgs& a) {
  CmdResult err;
  std::string release;
  bool spooledFiles = false;
  if (!SaveOptions(a, release, spooledFiles, err)) return err;
  Object* savf = SaveTarget(host, job, a, err);
  if (!savf) return err;
  std::vector<std::string> names, types;
  if (const auto* o = a.Get("OBJ"))
    for (const auto& v : *o) names.push_back(v.text);
  if (const auto* t = a.Get("OBJTYPE"))
    for (const auto& v : *t) types.push_back(v.text);
  if (names.empty()) return Fail("CPD0072", "Parameter OBJ required.");
  if (types.empty()) types.push_back("*ALL");
  return SaveObjectsTo(host, job, a.Text("LIB"), names, types, *savf, release, spooledFiles);
}

CmdResult Rst(Host& host, Job& job, const ClArgs& a, bool lib) {
  if (a.Text("DEV") != "*SAVF") return Fail("CPF3782", "Only DEV(*SAVF) is supported.");
  CmdResult err;
  Object* savf = FindSavf(host, job, a.Text("SAVF"), err);
  if (!savf) return err;
  RestoreOptions opt;
  opt.wholeLibrary = lib;
  if (!a.Text("MBROPT").empty()) opt.mbropt = a.Text("MBROPT");
  if (!a.Text("ALWOBJDIF").empty()) opt.alwobjdif = a.Text("ALWOBJDIF");
  if (!a.Text("SPLFDTA").empty()) opt.splfdta = a.Text("SPLFDTA");
  if (opt.splfdta != "*NONE" && opt.splfdta != "*NEW")
    return Fail("CPD0084", "Value '" + opt.splfdta + "' for SPLFDTA not valid.");
  if (!lib) {
    opt.objects.clear();
    if (const auto* o = a.Get("OBJ"))
      for (const auto& v : *o) opt.objects.push_back(v.text);
    if (opt.objects.empty()) return Fail("CPD0072", "Parameter OBJ required.");
  }
  std::string savlib = a.Text(lib ? "SAVLIB" : "SAVLIB");
  if (!IsValidName(savlib)) return Fail("CPD0072", "Parameter SAVLIB required.");
  std::string rst = a.Text("RSTLIB");
  if (rst.empty() || rst == "*SAVLIB") rst = savlib;
  if (!IsValidName(rst)) return Fail("CPD0078", "Value '" + rst + "' for RSTLIB not valid.");
  return RestoreFrom(host, job, savlib, *savf, rst, opt);
}

CmdResult Call(Host& host, Job& job, const ClArgs& a) {
  std::string lib, name;
  CmdResult err;
  if (!QualifiedName(a.Text("PGM"), lib, name, err)) return err;
  if (!IsSpecial(lib) && !ResolveLibrary(host, job, lib)) return Fail("CPF9810", "Library " + lib + " not found.");
  Library* where = nullptr;
  Object* pgm = ResolveObject(host, job, lib, name, "*PGM", &where);
  if (!pgm) return Fail("CPF9811", "Program " + name + " in library " + lib + " not found.");
  CallContext ctx{host, job, name, {}};
  if (const auto* parms = a.Get("PARM")) {
    if (parms->size() > 255) return Fail("CPD0070", "More than 255 parameters on CALL.");
    for (const auto& v : *parms) {
      if (v.kind == ClValue::kList) return Fail("CPD0019", "List not allowed as a CALL parameter.");
      std::string s = v.text;
      // Character constants of up to 32 bytes arrive padded to 32, longer ones as they are.
      if (v.kind == ClValue::kQuoted || !s.empty()) {
        if (s.size() < 32) s.resize(32, ' ');
      }
      ctx.parms.push_back(std::move(s));
    }
  }
  const std::string& routine = pgm->program()->routine;
  std::string where_ = where ? where->name : lib;
  ctx.library = where_;
  job.log.push_back("CALL " + where_ + "/" + name);
  if (routine == "*USER") return Ok("", "");   // a compiled user program: runs and ends normally
  const Routine* r = FindRoutine(routine);
  if (!r) {
    std::string text = "MCH3601 unmonitored by " + name + " at statement 0000000100, instruction X'0000'.";
    host.SendToQsysopr("CPA0701", job.number + "/" + job.user + "/" + job.name,
                       "Function check. " + text + " Program " + where_ + "/" + name + " ended abnormally.");
    return Fail("CPF9999", "Function check. " + text);
  }
  if (static_cast<int>(ctx.parms.size()) != r->parms)
    return Fail("CPD0172", "Parameters passed on CALL do not match those required.");
  if (!job.faults) return r->run(ctx);
  std::optional<Object> before;
  if (Object* o = job.qtemp.FindFile("FTPTEXT")) before = *o;
  CmdResult result = r->run(ctx);
  SpoilReply(job, before);
  return result;
}

CmdResult ClrSavf(Host& host, Job& job, const ClArgs& a) {
  CmdResult err;
  Object* s = FindSavf(host, job, a.Text("FILE"), err);
  if (!s) return err;
  s->savf()->blob.reset();
  return Ok("CPC3701", "Save file " + s->name + " cleared.");
}

CmdResult ChgJob(Host&, Job& job, const ClArgs& a) {
  if (const auto* log = a.Get("LOG")) {
    std::string v;
    for (const auto& x : *log) v += (v.empty() ? "" : " ") + x.text;
    job.logLevel = v;
  }
  return Ok("", "");
}

CmdResult AddLible(Host& host, Job& job, const ClArgs& a) {
  std::string lib = a.Text("LIB");
  if (!IsValidName(lib)) return Fail("CPD0078", "Value '" + lib + "' for parameter LIB not valid.");
  if (!ResolveLibrary(host, job, lib)) return Fail("CPF2110", "Library " + lib + " not found.");
  if (std::find(job.userLibl.begin(), job.userLibl.end(), lib) != job.userLibl.end() || lib == "QTEMP")
    return Fail("CPF2103", "Library " + lib + " already exists in library list.");
  if (a.Text("POSITION") == "*LAST") job.userLibl.push_back(lib);
  else job.userLibl.insert(job.userLibl.begin(), lib);
  return Ok("", "");
}

CmdResult RmvLible(Host&, Job& job, const ClArgs& a) {
  std::string lib = a.Text("LIB");
  if (!IsValidName(lib)) return Fail("CPD0078", "Value '" + lib + "' for parameter LIB not valid.");
  auto it = std::find(job.userLibl.begin(), job.userLibl.end(), lib);
  if (it == job.userLibl.end()) return Fail("CPF2104", "Library " + lib + " not removed from the library list.");
  job.userLibl.erase(it);
  return Ok("", "");
}

CmdResult ChgCurLib(Host& host, Job& job, const ClArgs& a) {
  std::string lib = a.Text("CURLIB");
  if (!ResolveLibrary(host, job, lib)) return Fail("CPF2110", "Library " + lib + " not found.");
  job.curlib = lib;
  return Ok("", "");
}

CmdResult CrtLib(Host& host, Job&, const ClArgs& a) {
  std::string lib = a.Text("LIB");
  if (!IsValidName(lib) || lib == "QTEMP") return Fail("CPD0078", "Value '" + lib + "' for parameter LIB not valid.");
  if (host.FindLibrary(lib)) return Fail("CPF2111", "Library " + lib + " already exists.");
  host.libraries[lib] = Library{lib, Trimmed(a.Text("TEXT")), {}};
  host.dirty = true;
  return Ok("CPC2102", "Library " + lib + " created.");
}

CmdResult RstLib(Host& host, Job& job, const ClArgs& a) { return Rst(host, job, a, true); }
CmdResult RstObj(Host& host, Job& job, const ClArgs& a) { return Rst(host, job, a, false); }

CmdResult SndMsg(Host& host, Job& job, const ClArgs& a) {
  host.SendToQsysopr("", job.user, a.Text("MSG"));
  return Ok("", "");
}

// The CL commands the server job runs: name, keywords in positional order, handler.
struct ClCommandDef {
  const char* name;
  std::vector<std::string> keywords;
  CmdResult (*run)(Host&, Job&, const ClArgs&);
};

const ClCommandDef* FindCommand(const std::string& name) {
  static const std::vector<ClCommandDef> defs = {
      {"CALL", {"PGM", "PARM"}, Call},
      {"CRTSAVF", {"FILE", "TEXT", "AUT"}, CrtSavf},
      {"CLRSAVF", {"FILE"}, ClrSavf},
      {"CHGJOB", {"JOB", "JOBPTY", "OUTPTY", "PRTTXT", "LOG", "LOGCLPGM", "INQMSGRPY", "CCSID"}, ChgJob},
      {"ADDLIBLE", {"LIB", "POSITION"}, AddLible},
      {"RMVLIBLE", {"LIB"}, RmvLible},
      {"CHGCURLIB", {"CURLIB"}, ChgCurLib},
      {"CRTLIB", {"LIB", "TYPE", "TEXT"}, CrtLib},
      {"SAVLIB", {"LIB", "DEV", "SAVF", "TGTRLS", "CLEAR", "DTACPR", "SPLFDTA"}, SavLib},
      {"SAVOBJ", {"OBJ", "LIB", "DEV", "OBJTYPE", "SAVF", "TGTRLS", "CLEAR", "DTACPR", "SPLFDTA"}, SavObj},
      {"RSTLIB", {"SAVLIB", "DEV", "SAVF", "MBROPT", "ALWOBJDIF", "RSTLIB", "SPLFDTA"}, RstLib},
      {"RSTOBJ", {"OBJ", "SAVLIB", "DEV", "OBJTYPE", "SAVF", "MBROPT", "ALWOBJDIF", "RSTLIB", "SPLFDTA"}, RstObj},
      {"SNDMSG", {"MSG", "TOUSR", "TOMSGQ"}, SndMsg},
  };
  for (const auto& d : defs)
    if (name == d.name) return &d;
  return nullptr;
}

// The saved form of an object: an output queue keeps its spooled files only
// when they are saved with it.
void SavedForm(const Object& o, bool spooledFiles, const PayloadSink& sink) {
  if (spooledFiles || !std::holds_alternative<OutputQueue>(o.body)) return DumpObjectTo(o, false, sink);
  Object queue = o;
  queue.outq()->files.clear();
  DumpObjectTo(queue, false, sink);
}

// Whether the system holds a spooled file of that job, name and number.
bool OnTheSystem(Host& host, const SpooledFile& s) {
  for (auto& [ln, L] : host.libraries)
    for (auto& [key, o] : L.objects)
      if (const OutputQueue* q = o.outq())
        for (const auto& e : q->files)
          if (e.jobNumber == s.jobNumber && e.jobUser == s.jobUser && e.jobName == s.jobName && e.file == s.file &&
              e.number == s.number)
            return true;
  return false;
}

}  // namespace

std::string Trimmed(const std::string& s) {
  std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

Library* ResolveLibrary(Host& host, Job& job, const std::string& name) {
  if (name == "QTEMP") return &job.qtemp;
  if (name == "*CURLIB") return host.FindLibrary(job.curlib);
  return host.FindLibrary(name);
}

Object* ResolveObject(Host& host, Job& job, const std::string& lib, const std::string& name, const std::string& type,
                      Library** where) {
  std::vector<std::string> libs = lib == "*LIBL" ? LibrarySearch(job) : std::vector<std::string>{lib};
  for (const auto& l : libs) {
    Library* L = ResolveLibrary(host, job, l);
    if (!L) continue;
    if (Object* o = L->Find(name, type)) {
      if (where) *where = L;
      return o;
    }
  }
  return nullptr;
}

CmdResult RunCommand(Host& host, Job& job, const std::string& line) {
  ClError ce;
  auto cmd = ParseCl(line, ce);
  job.log.push_back(line);
  if (!cmd) return {false, {{ce.id, ce.text}, {"CPF0006", "Errors occurred in command."}}};
  const ClCommandDef* def = FindCommand(cmd->name);
  if (!def) return Fail("CPD0030", "Command " + cmd->name + " in library *LIBL not found.");
  auto a = BindCl(*cmd, def->keywords, ce);
  if (!a) return {false, {{ce.id, ce.text}, {"CPF0001", "Error found on " + cmd->name + " command."}}};
  return def->run(host, job, *a);
}

CmdResult SaveLibraryTo(Host& host, Job& job, const std::string& lib, Object& savf, const std::string& release,
                        bool spooledFiles) {
  Library* l = ResolveLibrary(host, job, lib);
  if (!l) return Fail("CPF3781", "Library " + lib + " not found.");
  if (lib == "QTEMP" || lib == "QSYS") return Fail("CPF3738", "Library " + lib + " cannot be saved.");
  SaveImage img{"LIB", lib, 0, release, Now(), "", 0};
  // The image goes straight to its file, an object (and a member) at a time.
  const std::string path = host.blobs.NewPath();
  bool written = WriteImageFile(path, img, [&](const PayloadSink& sink) {
    sink("LIB " + lib + " TEXT(" + Quote(l->text) + ")\n");
    for (const auto& [key, o] : l->objects) {
      if (&o == &savf) continue;   // a save file never holds itself
      SavedForm(o, spooledFiles, sink);
      ++img.objects;
    }
  });
  auto blob = written ? host.blobs.Adopt(path) : nullptr;
  if (!blob) return Fail("CPF3782", "Save file " + savf.name + " could not be written.");
  savf.savf()->blob = std::move(blob);
  host.dirty = true;
  return Ok("CPC3722", std::to_string(img.objects) + " objects saved from library " + lib + ".");
}

CmdResult SaveObjectsTo(Host& host, Job& job, const std::string& lib, const std::vector<std::string>& names,
                        const std::vector<std::string>& types, Object& savf, const std::string& release,
                        bool spooledFiles) {
  Library* l = ResolveLibrary(host, job, lib);
  if (!l) return Fail("CPF3781", "Library " + lib + " not found.");
  std::vector<const Object*> chosen;
  for (const auto& [key, o] : l->objects) {
    if (&o == &savf) continue;
    bool nameOk = false, typeOk = false;
    for (const auto& n : names) {
      if (n == "*ALL" || n == o.name) nameOk = true;
      else if (n.size() > 1 && n.back() == '*' && o.name.compare(0, n.size() - 1, n, 0, n.size() - 1) == 0) nameOk = true;
    }
    for (const auto& t : types) typeOk = typeOk || t == "*ALL" || t == o.type;
    if (nameOk && typeOk) chosen.push_back(&o);
  }
  if (chosen.empty()) return Fail("CPF3770", "No objects saved or restored for library " + lib + ".");
  SaveImage img{"OBJ", lib, static_cast<int>(chosen.size()), release, Now(), "", 0};
  const std::string path = host.blobs.NewPath();
  bool written = WriteImageFile(path, img, [&](const PayloadSink& sink) {
    sink("LIB " + lib + " TEXT(" + Quote(l->text) + ")\n");
    for (const Object* o : chosen) SavedForm(*o, spooledFiles, sink);
  });
  auto blob = written ? host.blobs.Adopt(path) : nullptr;
  if (!blob) return Fail("CPF3782", "Save file " + savf.name + " could not be written.");
  savf.savf()->blob = std::move(blob);
  host.dirty = true;
  return Ok("CPC3722", std::to_string(img.objects) + " objects saved from library " + lib + ".");
}

CmdResult RestoreFrom(Host& host, Job& job, const std::string& savlib, Object& savf, const std::string& rstlib,
                      const RestoreOptions& opt) {
  auto blob = savf.savf()->blob;
  SaveImage img;
  std::string why;
  if (!blob || !ReadImage(blob->path, blob->size, false, img, why))
    return Fail("CPF3782", "File " + savf.name + " not a save file or contains no data: " + (blob ? why : "the save file is empty") + ".");
  if (img.library != savlib) return Fail("CPF3780", "Specified file for library " + savlib + " not found.");
  if (opt.wholeLibrary && img.kind != "LIB") return Fail("CPF3780", "Specified file for library " + savlib + " not found.");
  SeedData data;
  // Save files inside the image become blobs of their own.
  // Read a line at a time: large members go to the database as they are read.
  PayloadLines lines(blob->path, img.payloadSize);
  if (!ParseSeedLines([&](std::string& line) { return lines.Next(line); }, data, why, SeedStorage{&host.blobs, host.db, false, false}) ||
      data.libraries.size() != 1)
    return Fail("CPF3743", "File cannot be restored, displayed, or listed: " + why + ".");
  Library* target = ResolveLibrary(host, job, rstlib);
  if (!target) {
    if (!opt.wholeLibrary) return Fail("CPF3748", "Library " + rstlib + " not found.");
    host.libraries[rstlib] = Library{rstlib, data.libraries.front().text, {}};
    target = &host.libraries[rstlib];
  }
  int restored = 0, failed = 0;
  for (auto& [key, o] : data.libraries.front().objects) {
    if (!opt.wholeLibrary) {
      bool wanted = false;
      for (const auto& n : opt.objects) wanted = wanted || n == "*ALL" || n == o.name;
      if (!wanted) continue;
    }
    Object* old = target->Find(o.name, o.type);
    PhysicalFile* nf = o.file();
    if (old && nf && old->file()) {
      PhysicalFile* of = old->file();
      bool differs = of->rcdlen != nf->rcdlen || of->source != nf->source;
      if (differs && opt.alwobjdif != "*ALL") {
        ++failed;
        continue;
      }
      if (!differs && opt.mbropt != "*ALL") {
        // Members merge into the existing file as MBROPT says.
        bool ok = true;
        for (auto& m : nf->members) {
          bool exists = of->FindMember(m.name) != nullptr;
          if ((opt.mbropt == "*NEW" && exists) || (opt.mbropt == "*OLD" && !exists)) continue;
          if (opt.mbropt == "*MATCH" && nf->members.size() != of->members.size()) ok = false;
        }
        if (!ok) {
          ++failed;
          continue;
        }
        for (auto& m : nf->members) {
          Member* em = of->FindMember(m.name);
          if ((opt.mbropt == "*NEW" && em) || (opt.mbropt == "*OLD" && !em)) continue;
          if (em) *em = m;
          else of->members.push_back(m);
        }
        ++restored;
        continue;
      }
      if (!differs) {
        // MBROPT(*ALL): the saved members replace theirs; members only on this system stay.
        for (auto& m : nf->members) {
          if (Member* em = of->FindMember(m.name)) *em = m;
          else of->members.push_back(m);
        }
        old->text = o.text;
        ++restored;
        continue;
      }
    }
    if (OutputQueue* q = o.outq()) {
      // The queue comes back empty unless SPLFDTA(*NEW) asks for the saved
      // spooled files; of those only the ones not on the system already, so
      // that no two spooled files share a job, name and number.
      std::vector<SpooledFile> saved = std::move(q->files);
      q->files.clear();
      Object& queue = old && old->outq() ? *old : target->Put(std::move(o));
      if (opt.splfdta == "*NEW")
        for (auto& sp : saved)
          if (!OnTheSystem(host, sp)) queue.outq()->files.push_back(std::move(sp));
      ++restored;
      continue;
    }
    target->Put(std::move(o));
    ++restored;
  }
  host.dirty = true;
  if (failed)
    return Fail("CPF3773", std::to_string(restored) + " objects restored. " + std::to_string(failed) +
                               " objects not restored to " + rstlib + ".");
  return Ok("CPC3703", std::to_string(restored) + " objects restored from " + savlib + " to " + rstlib + ".");
}

void WriteReply(Job& job, const std::string& program, int statusPos, const std::string& status,
                const std::string& count, const std::string& detail) {
  // Character positions, not bytes: the client counts characters after decoding.
  std::u32string line;
  auto put = [&](std::size_t pos, const std::string& utf8, std::size_t width) {
    std::u32string u;
    for (std::size_t i = 0; i < utf8.size();) {
      unsigned char c = static_cast<unsigned char>(utf8[i]);
      int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      char32_t cp = n == 1 ? c : c & (0xFF >> (n + 1));
      for (int k = 1; k < n && i + static_cast<std::size_t>(k) < utf8.size(); ++k)
        cp = cp << 6 | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
      u.push_back(cp);
      i += static_cast<std::size_t>(n);
    }
    u.resize(std::min(u.size(), width));
    if (line.size() < pos - 1 + width) line.resize(pos - 1 + width, U' ');
    line.replace(pos - 1, u.size(), u);
  };
  std::string stamp = program;
  stamp.resize(10, ' ');
  stamp += job.number;
  put(1, stamp, static_cast<std::size_t>(statusPos - 1));
  put(static_cast<std::size_t>(statusPos), status, 6);
  if (!count.empty()) put(static_cast<std::size_t>(statusPos + 2), count, 5);
  put(41, detail, 50);
  std::string utf8;
  for (char32_t cp : line) {
    if (cp < 0x80) utf8.push_back(static_cast<char>(cp));
    else if (cp < 0x800) { utf8.push_back(static_cast<char>(0xC0 | cp >> 6)); utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F))); }
    else if (cp < 0x10000) { utf8.push_back(static_cast<char>(0xE0 | cp >> 12)); utf8.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F))); utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F))); }
    else { utf8.push_back(static_cast<char>(0xF0 | cp >> 18)); utf8.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F))); utf8.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F))); utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F))); }
  }
  // The reply file is tagged with a Japanese CCSID so that kanji text survives TYPE C 943.
  Object o = MakeDataFile("FTPTEXT", 256, 5035, "Reply of " + program);
  PhysicalFile* f = o.file();
  std::string rec = FromUtf8(utf8, f->ccsid);
  auto fit = FitRecord(rec, 256);
  rec = fit ? *fit : rec.substr(0, 256);
  f->members.push_back({"FTPTEXT", "", "", Records::FromBytes(rec), Now()});
  job.qtemp.Put(std::move(o));
}

}  // namespace hostsim
