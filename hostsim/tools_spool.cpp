// #CPYSPLF2V and #CPYSPLF3V: a spooled file of a job into a save file
// (QTEMP/FTPSAVF) or as text into QTEMP/FTPPRT. #PUTSPLFV: the spooled files of
// such a save file back onto an output queue.
//
// The spool save file is an object save (KIND=OBJ) of the output queue that
// held the spooled file, with only that spooled file in it; the library in
// its header is the queue's library.
#include <algorithm>

#include "hostsim/cl.h"
#include "hostsim/savf.h"
#include "hostsim/seed.h"
#include "hostsim/tool_io.h"

namespace hostsim::tools {
namespace {

CmdResult Done() { return {true, {}}; }

// A spooled file and the output queue (and its library) that holds it.
struct SpoolRef {
  Library* lib = nullptr;
  Object* outq = nullptr;
  SpooledFile* file = nullptr;
};

bool AllDigits(const std::string& s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos; }

// Finds the spooled file named by the seven parameters; writes the reply and
// returns an empty reference when it cannot.
SpoolRef FindSpooledFile(CallContext& c) {
  std::string file = Name(c, 0), job = Name(c, 1), user = Name(c, 2), number = Name(c, 3), nbr = Name(c, 4);
  auto fail = [&](const char* word) {
    WriteReply(c.job, c.program, 31, word, "", file);
    return SpoolRef{};
  };
  // Names must be names, the job number six digits, the spooled file number 1 to 999999.
  if (!IsValidName(file) || !IsValidName(job) || !IsValidName(user) || number.size() != 6 || !AllDigits(number) ||
      !AllDigits(nbr) || nbr.size() > 6 || std::stoi(nbr) < 1)
    return fail("NOTPRM");
  int want = std::stoi(nbr);
  bool jobSeen = false, fileSeen = false;
  for (auto& [lname, lib] : c.host.libraries)
    for (auto& [key, o] : lib.objects) {
      OutputQueue* q = o.outq();
      if (!q) continue;
      for (auto& s : q->files) {
        if (s.jobNumber != number || s.jobUser != user || s.jobName != job) continue;
        jobSeen = true;
        if (s.file != file) continue;
        fileSeen = true;
        if (s.number == want) return {&lib, &o, &s};
      }
    }
  if (!jobSeen) return fail("NOTJOB");
  return fail(fileSeen ? "NOTSPL" : "NOTFIL");
}

CmdResult SpoolToSaveFile(CallContext& c) {
  SpoolRef ref = FindSpooledFile(c);
  if (!ref.file) return Done();
  Object q = *ref.outq;
  q.outq()->files = {*ref.file};
  SaveImage img{"OBJ", ref.lib->name, 1, ResolveTargetRelease("*CURRENT"), Now(), ""};
  img.payload = "LIB " + ref.lib->name + " TEXT(" + Quote(ref.lib->text) + ")\n" + DumpObject(q, false);
  if (!WriteWorkSaveFile(c.host, c.job, BuildImage(img))) {
    WriteReply(c.job, c.program, 31, "ERROR1", "", ref.file->file);
    return Done();
  }
  c.job.log.push_back("Spooled file " + ref.file->file + " saved for " + Text(c, 5) + " " + Text(c, 6) + ".");
  WriteReply(c.job, c.program, 31, "OK", "", ref.file->userData);
  return Done();
}

CmdResult SpoolToText(CallContext& c) {
  SpoolRef ref = FindSpooledFile(c);
  if (!ref.file) return Done();
  // Print lines keep their width: 132 positions at least, as a printer file has.
  WriteWorkFile(c.job.qtemp, "FTPPRT", "FTPPRT", "Spooled file " + ref.file->file, ref.file->lines, 132);
  c.job.log.push_back("Spooled file " + ref.file->file + " copied for " + Text(c, 5) + " " + Text(c, 6) + ".");
  WriteReply(c.job, c.program, 31, "OK", "", ref.file->userData);
  return Done();
}

CmdResult PutSpool(CallContext& c) {
  std::string outq = Name(c, 0), lib = Name(c, 1);
  auto reply = [&](const char* word, const std::string& detail) {
    WriteReply(c.job, c.program, 31, word, "", detail);
    return Done();
  };
  Library* l = IsValidName(lib) ? ResolveLibrary(c.host, c.job, lib) : nullptr;
  if (!l) return reply("NOTLIB", lib);
  Object* target = IsValidName(outq) ? l->Find(outq, "*OUTQ") : nullptr;
  if (!target) return reply("NOTOUT", outq);
  Object* savf = c.job.qtemp.FindFile("FTPSAVF");
  auto blob = savf && savf->savf() ? savf->savf()->blob : nullptr;
  // An empty save file: the PC file was empty, or its bytes were refused.
  if (!blob) return reply("EMPTY#", outq);
  SaveImage img;
  std::string why;
  SeedData data;
  if (!ReadImage(blob->path, blob->size, true, img, why) || !ParseSeed(img.payload, data, why, nullptr)) {
    c.job.log.push_back("CPF3743 " + why);
    return reply("NOTRST", outq);
  }
  // Spool data is output queues only; a library or a file save is something else.
  std::vector<SpooledFile> files;
  for (const auto& L : data.libraries)
    for (const auto& [key, o] : L.objects) {
      if (!std::holds_alternative<OutputQueue>(o.body)) return reply("NOTSPL", outq);
      const auto& q = std::get<OutputQueue>(o.body);
      files.insert(files.end(), q.files.begin(), q.files.end());
    }
  if (data.libraries.empty() || img.kind != "OBJ") return reply("NOTSPL", outq);
  if (files.empty()) return reply("EMPTY#", outq);
  // A spooled file number is unique within its job: one already taken gets the next free one.
  for (auto& s : files) {
    int highest = 0;
    bool taken = false;
    for (auto& [ln, L] : c.host.libraries)
      for (auto& [key, o] : L.objects)
        if (OutputQueue* q = o.outq())
          for (auto& e : q->files)
            if (e.jobNumber == s.jobNumber && e.jobUser == s.jobUser && e.jobName == s.jobName) {
              highest = std::max(highest, e.number);
              taken = taken || e.number == s.number;
            }
    if (taken) s.number = highest + 1;
    target->outq()->files.push_back(s);
  }
  c.host.dirty = true;
  c.job.log.push_back(std::to_string(files.size()) + " spooled files put on " + lib + "/" + outq + ".");
  return reply("OK", files.front().file);
}

}  // namespace

void RegisterSpoolRoutines(std::map<std::string, Routine>& r) {
  r["CPYSPLF2V"] = {7, SpoolToSaveFile};
  r["CPYSPLF3V"] = {7, SpoolToText};
  r["PUTSPLFV"] = {2, PutSpool};
}

}  // namespace hostsim::tools
