// The host tool programs: each checks what it was given, does the host-side work
// and leaves its one-record reply in QTEMP/FTPTEXT.
#include <map>

#include "hostsim/ccsid.h"
#include "hostsim/cl.h"
#include "hostsim/commands.h"
#include "hostsim/tool_io.h"

namespace hostsim {
namespace {

CmdResult Done() { return {true, {}}; }

using tools::Name;

// Looks up LIB/FILE(.MBR) and writes NOTLIB / NOTFIL / NOTMBR as the reply when
// something is missing. Returns the member, or null after writing the reply.
Member* CheckMember(CallContext& c, int statusPos, Object** fileOut) {
  std::string lib = Name(c, 0), file = Name(c, 1), mbr = Name(c, 2);
  Library* l = IsValidName(lib) ? ResolveLibrary(c.host, c.job, lib) : nullptr;
  if (!l) {
    WriteReply(c.job, c.program, statusPos, "NOTLIB", "", lib);
    return nullptr;
  }
  Object* f = IsValidName(file) ? l->FindFile(file) : nullptr;
  if (!f || !f->file()) {
    WriteReply(c.job, c.program, statusPos, "NOTFIL", "", file);
    return nullptr;
  }
  Member* m = IsValidName(mbr) ? f->file()->FindMember(mbr) : nullptr;
  if (!m) {
    WriteReply(c.job, c.program, statusPos, "NOTMBR", "", mbr);
    return nullptr;
  }
  if (fileOut) *fileOut = f;
  return m;
}

CmdResult RtvMbr4(CallContext& c) {
  Object* f = nullptr;
  Member* m = CheckMember(c, 31, &f);
  if (!m) return Done();
  std::string dtype = Name(c, 3);
  if (dtype == "D" && f->file()->HasPacked()) {
    WriteReply(c.job, c.program, 31, "PACDTA", "", m->text);
    return Done();
  }
  c.job.log.push_back("Member " + m->name + " sent to " + Trimmed(c.parms[4]) + " " + Trimmed(c.parms[5]));
  WriteReply(c.job, c.program, 31, "OK", "", m->text);
  return Done();
}

// Field definitions from DDS source lines (name in columns 19-28, length 30-34,
// type 35, decimals 36-37).
std::vector<Field> FieldsFromDds(const PhysicalFile& src, const Member& m) {
  std::vector<Field> fields;
  m.data.ForEachRecord(static_cast<std::size_t>(src.rcdlen), [&](std::string_view rec) {
    std::string line = ToUtf8(rec.substr(12), src.ccsid);
    if (line.size() < 34 || line[5] != 'A' || line[6] == '*' || line[16] == 'R' || line[16] == 'K') return true;
    std::string name = Upper(Trimmed(line.substr(18, 10)));
    std::string len = Trimmed(line.substr(29, 5));
    char type = line.size() > 34 ? line[34] : ' ';
    std::string dec = line.size() > 35 ? Trimmed(line.substr(35, 2)) : "";
    if (!IsValidName(name) || len.empty() || len.find_first_not_of("0123456789") != std::string::npos) return true;
    Field fd{name, 'A', std::stoi(len), 0, 0};
    if (!dec.empty() && dec.find_first_not_of("0123456789") == std::string::npos) {
      fd.decimals = std::stoi(dec);
      fd.type = type == 'S' ? 'S' : 'P';
    } else if (type == 'S' || type == 'P') {
      fd.type = type;
    }
    if (fd.length < 1 || fd.length > (fd.type == 'A' ? 32766 : 63)) return true;
    fields.push_back(fd);
    return true;
  });
  return fields;
}

// Creates the object of a source member as the compile flag asks and tells QSYSOPR.
void Compile(CallContext& c, Object& srcFile, Member& m, const std::string& objlib) {
  std::string from = c.job.number + "/" + c.job.user + "/" + c.job.name;
  std::string type = Upper(Trimmed(m.srcType));
  Library* l = IsValidName(objlib) ? ResolveLibrary(c.host, c.job, objlib) : nullptr;
  if (!l) {
    c.host.SendToQsysopr("CPF9810", from, "Library " + objlib + " not found. " + m.name + " not compiled.");
    return;
  }
  if (type == "RPG" || type == "RPGLE" || type == "CLP" || type == "CLLE" || type == "SQLRPGLE") {
    l->Put(MakeProgram(m.name, "*USER", type, m.text));
    c.host.SendToQsysopr("CPC5D07", from, "Program " + m.name + " placed in library " + objlib + ".");
  } else if (type == "PF") {
    auto fields = FieldsFromDds(*srcFile.file(), m);
    if (fields.empty()) {
      c.host.SendToQsysopr("CPF7302", from, "File " + m.name + " not created in library " + objlib + ".");
      return;
    }
    Object o = MakeDataFile(m.name, 1, c.host.japaneseCcsid, m.text);
    PhysicalFile* pf = o.file();
    pf->fields = fields;
    pf->rcdlen = 0;
    for (const auto& fd : fields) pf->rcdlen += fd.Bytes();
    pf->members.push_back({m.name, m.text, "", Records(), Now()});
    l->Put(std::move(o));
    c.host.SendToQsysopr("CPC7301", from, "File " + m.name + " created in library " + objlib + ".");
  } else if (type == "LF" || type == "DSPF") {
    Object o = MakeDataFile(m.name, 1, c.host.japaneseCcsid, m.text);
    o.attribute = type;
    l->Put(std::move(o));
    c.host.SendToQsysopr("CPC7301", from, "File " + m.name + " created in library " + objlib + ".");
  } else {
    c.host.SendToQsysopr("CPF9898", from, "Source type " + type + " of " + m.name + " cannot be compiled.");
    return;
  }
  c.host.dirty = true;
}

CmdResult SrcUp(CallContext& c) {
  Object* f = nullptr;
  Member* m = CheckMember(c, 31, &f);
  if (!m) return Done();
  std::string type = Upper(Trimmed(c.parms[3]));
  // The short codes some callers send stand for the full source types.
  if (type == "DSP") type = "DSPF";
  if (type == "RPE") type = "RPGLE";
  if (!type.empty()) m->srcType = type;
  c.host.dirty = true;
  if (Name(c, 4) == "Y") Compile(c, *f, *m, Name(c, 5));
  WriteReply(c.job, c.program, 31, "OK", "", m->text);
  return Done();
}

}  // namespace

const Routine* FindRoutine(const std::string& name) {
  static const std::map<std::string, Routine> routines = [] {
    std::map<std::string, Routine> r{
        {"RTVMBR4", {6, RtvMbr4}},
        {"SRCUP", {6, SrcUp}},
    };
    tools::RegisterCsvRoutines(r);
    tools::RegisterSaveFileRoutines(r);
    tools::RegisterSpoolRoutines(r);
    return r;
  }();
  auto it = routines.find(name);
  return it == routines.end() ? nullptr : &it->second;
}

const std::vector<std::pair<std::string, std::string>>& ToolPrograms() {
  static const std::vector<std::pair<std::string, std::string>> tools = {
      {"#RTVMBR4", "RTVMBR4"},   {"#SRCUP", "SRCUP"},     {"#FTPCSVG2", "FTPCSVG2"}, {"#FTPCSVP", "FTPCSVP"},
      {"#FTPLIB4V", "FTPLIB4V"}, {"#FTPOBJ4V", "FTPOBJ4V"}, {"#FTPLIB3", "FTPLIB3"}, {"#FTPOBJ3", "FTPOBJ3"},
      {"#CPYSPLF2V", "CPYSPLF2V"}, {"#CPYSPLF3V", "CPYSPLF3V"}, {"#PUTSPLFV", "PUTSPLFV"},
  };
  return tools;
}

}  // namespace hostsim
