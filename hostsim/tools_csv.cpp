// #FTPCSVG2 and #FTPCSVP: a member's records to CSV text in QTEMP/CSVF and back.
//
// The CSV dialect: one line per record, values separated by commas; character
// fields in double quotes (a quote inside doubled), trailing blanks removed;
// zoned and packed fields as plain numbers with a decimal point and a leading
// minus sign. With the column-names flag the first line holds the field names,
// quoted. On upload a first line that repeats the field names is skipped,
// quotes are optional, and blanks around unquoted values are ignored.
#include <cstdio>

#include "hostsim/ccsid.h"
#include "hostsim/cl.h"
#include "hostsim/seed.h"
#include "hostsim/tool_io.h"

namespace hostsim::tools {
namespace {

CmdResult Done() { return {true, {}}; }

// The record format of a file; a file created without one is one character field.
std::vector<Field> Format(const Object& o) {
  const PhysicalFile& f = std::get<PhysicalFile>(o.body);
  if (!f.fields.empty()) return f.fields;
  return {{o.name, 'A', f.rcdlen, 0, 0}};
}

int FieldCcsid(const PhysicalFile& f, const Field& fd) {
  int c = fd.ccsid ? fd.ccsid : f.ccsid;
  return c == 65535 ? 5035 : c;
}

std::string Quoted(const std::string& v) {
  std::string r = "\"";
  for (char ch : v) {
    if (ch == '"') r += '"';
    r += ch;
  }
  return r + "\"";
}

// Library and file checks shared by both programs: NOTLIB, NOTFIL.
Object* CheckFile(CallContext& c) {
  std::string lib = Name(c, 0), file = Name(c, 1);
  Library* l = IsValidName(lib) ? ResolveLibrary(c.host, c.job, lib) : nullptr;
  if (!l) {
    WriteReply(c.job, c.program, 31, "NOTLIB", "", lib);
    return nullptr;
  }
  Object* f = IsValidName(file) ? l->FindFile(file) : nullptr;
  if (!f || !f->file() || !f->attribute.starts_with("PF")) {
    WriteReply(c.job, c.program, 31, "NOTFIL", "", file);
    return nullptr;
  }
  return f;
}

bool IsGeneric(const std::string& mbr) { return mbr == "*ALL" || (mbr.size() > 1 && mbr.back() == '*'); }

CmdResult CsvGet(CallContext& c) {
  Object* o = CheckFile(c);
  if (!o) return Done();
  PhysicalFile& f = *o->file();
  std::string mbr = Name(c, 2);
  if (IsGeneric(mbr)) {
    WriteReply(c.job, c.program, 31, "MBRERR", "", mbr);
    return Done();
  }
  Member* m = nullptr;
  if (mbr == "*FIRST" && !f.members.empty()) m = &f.members.front();
  else if (mbr == "*LAST" && !f.members.empty()) m = &f.members.back();
  else if (IsValidName(mbr)) m = f.FindMember(mbr);
  if (!m) {
    WriteReply(c.job, c.program, 31, "NOTMBR", "", mbr);
    return Done();
  }
  const std::vector<Field> fields = Format(*o);
  std::vector<std::string> lines;
  if (Name(c, 5) == "Y") {
    std::string head;
    for (const auto& fd : fields) head += (head.empty() ? "" : ",") + Quoted(fd.name);
    lines.push_back(head);
  }
  const std::string& d = *m->data;
  const std::size_t rl = static_cast<std::size_t>(f.rcdlen);
  for (std::size_t off = 0; off + rl <= d.size(); off += rl) {
    std::string line;
    std::size_t pos = off;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const Field& fd = fields[i];
      std::size_t n = static_cast<std::size_t>(fd.Bytes());
      std::string bytes = pos < off + rl ? d.substr(pos, std::min(n, off + rl - pos)) : "";
      pos += n;
      std::string v;
      if (fd.type == 'A') {
        v = Quoted(ToUtf8(std::string_view(bytes).substr(0, TrimmedLength(bytes)), FieldCcsid(f, fd)));
      } else {
        v = fd.type == 'S' ? DecodeZoned(bytes, fd.decimals) : DecodePacked(bytes, fd.decimals);
        // Decimal data that does not decode reads as zero, as a copy with *ZERO would.
        if (v.empty()) v = "0";
      }
      line += (i ? "," : "") + v;
    }
    lines.push_back(line);
  }
  WriteWorkFile(c.job.qtemp, "CSVF", "CSVF", "CSV of " + o->name + "/" + m->name, lines, 1);
  c.job.log.push_back("CSV of member " + m->name + " for " + Text(c, 3) + " " + Text(c, 4) + ": " +
                      std::to_string(lines.size()) + " lines.");
  WriteReply(c.job, c.program, 31, "OK", "", m->text);
  return Done();
}

// One CSV line into values. Returns false for an unterminated quote.
bool SplitCsv(const std::string& line, std::vector<std::string>& out) {
  out.clear();
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && line[i] == ' ') ++i;
    std::string v;
    if (i < line.size() && line[i] == '"') {
      ++i;
      for (;;) {
        if (i >= line.size()) return false;
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            v += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        v += line[i++];
      }
      while (i < line.size() && line[i] == ' ') ++i;
      if (i < line.size() && line[i] != ',') return false;
    } else {
      std::size_t e = line.find(',', i);
      if (e == std::string::npos) e = line.size();
      v = Trimmed(line.substr(i, e - i));
      i = e;
    }
    out.push_back(v);
    if (i >= line.size()) return true;
    ++i;   // the comma
  }
}

// Encodes one line into a record; `why` names the first value that does not fit.
bool EncodeRecord(const PhysicalFile& f, const std::vector<Field>& fields, const std::vector<std::string>& vals,
                  std::string& rec, std::string& why) {
  if (vals.size() != fields.size()) {
    why = std::to_string(vals.size()) + " values for " + std::to_string(fields.size()) + " fields";
    return false;
  }
  rec.clear();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const Field& fd = fields[i];
    bool ok = true;
    if (fd.type == 'A') {
      auto fit = FitRecord(FromUtf8(vals[i], FieldCcsid(f, fd)), static_cast<std::size_t>(fd.length));
      ok = fit.has_value();
      if (ok) rec += *fit;
    } else {
      rec += fd.type == 'S' ? EncodeZoned(vals[i], fd.length, fd.decimals, ok)
                            : EncodePacked(vals[i], fd.length, fd.decimals, ok);
    }
    if (!ok) {
      why = "value '" + vals[i] + "' does not fit field " + fd.name;
      return false;
    }
  }
  rec.resize(static_cast<std::size_t>(f.rcdlen), kEbcdicBlank);
  return true;
}

CmdResult CsvPut(CallContext& c) {
  Object* o = CheckFile(c);
  if (!o) return Done();
  PhysicalFile& f = *o->file();
  std::string mbr = Name(c, 2);
  Member* m = IsValidName(mbr) ? f.FindMember(mbr) : nullptr;
  if (!m) {
    WriteReply(c.job, c.program, 31, "NOTMBR", "", mbr);
    return Done();
  }
  Object* w = c.job.qtemp.FindFile("CSVF");
  PhysicalFile* wf = w ? w->file() : nullptr;
  Member* wm = wf ? wf->FindMember("CSVF") : nullptr;
  if (!wm) {
    // Nothing arrived in the work file: the upload before the call failed.
    c.job.log.push_back("CPF9812 File CSVF in library QTEMP not found.");
    WriteReply(c.job, c.program, 31, "ERROR1", "", m->text);
    return Done();
  }
  const std::vector<Field> fields = Format(*o);
  std::string names;
  for (const auto& fd : fields) names += (names.empty() ? "" : ",") + fd.name;
  auto records = std::make_shared<std::string>();
  std::vector<std::string> errors, vals;
  int loaded = 0, lineNo = 0;
  const std::string& d = *wm->data;
  const std::size_t rl = static_cast<std::size_t>(wf->rcdlen);
  std::string rec, why;
  for (std::size_t off = 0; off + rl <= d.size(); off += rl) {
    std::string_view r(d.data() + off, rl);
    std::string line = ToUtf8(r.substr(0, TrimmedLength(r)), wf->ccsid == 65535 ? 5035 : wf->ccsid);
    ++lineNo;
    if (Trimmed(line).empty()) continue;
    if (!SplitCsv(line, vals)) {
      errors.push_back("Line " + std::to_string(lineNo) + ": unterminated quote: " + line);
      continue;
    }
    if (lineNo == 1) {
      std::string joined;
      for (const auto& v : vals) joined += (joined.empty() ? "" : ",") + Upper(v);
      if (joined == names) continue;   // the column names line of a download
    }
    if (!EncodeRecord(f, fields, vals, rec, why)) {
      errors.push_back("Line " + std::to_string(lineNo) + ": " + why + ": " + line);
      continue;
    }
    records->append(rec);
    ++loaded;
  }
  m->data = std::move(records);
  m->changed = Now();
  // The work file is used up: a second call without a new upload must not load it again.
  c.job.qtemp.objects.erase({"CSVF", "*FILE"});
  c.host.dirty = true;
  char count[8];
  std::snprintf(count, sizeof count, "%5d", loaded % 100000);
  if (!errors.empty()) {
    // The lines that could not be loaded go to the file CSVERR of the data
    // library (member named after the member), where the operator can look at
    // them after the session; the reply names it.
    Library* l = ResolveLibrary(c.host, c.job, Name(c, 0));
    Object* old = l->FindFile("CSVERR");
    if (!old || (old->file() && old->attribute == "PF-DTA" && old->file()->fields.size() == 1))
      WriteWorkFile(*l, "CSVERR", m->name, "Lines of " + o->name + "/" + m->name + " not loaded", errors, 1);
    for (const auto& e : errors) c.job.log.push_back("CPF2817 " + e);
    WriteReply(c.job, c.program, 31, "WN", count, "CSVERR");
    return Done();
  }
  WriteReply(c.job, c.program, 31, "OK", count, m->text);
  return Done();
}

}  // namespace

void RegisterCsvRoutines(std::map<std::string, Routine>& r) {
  r["FTPCSVG2"] = {6, CsvGet};
  r["FTPCSVP"] = {3, CsvPut};
}

}  // namespace hostsim::tools
