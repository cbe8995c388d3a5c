// #FTPCSVG2 and #FTPCSVP: a member's records to CSV text in QTEMP/CSVF and back
// (the dialect is in csv_dialect.h).
//
// The download stops at the first record that has no CSV form (decimal data
// that is not valid, a control character in a character field) and leaves no
// work file, so nothing wrong reaches the PC. The load is all or nothing: the
// member is replaced only when every row could be loaded; otherwise it keeps
// its records and the rows refused, each with its reason, go to the error
// file CSVERR in the tool library.
#include <cstdio>

#include "hostsim/ccsid.h"
#include "hostsim/cl.h"
#include "hostsim/csv_dialect.h"
#include "hostsim/tool_io.h"

namespace hostsim::tools {
namespace {

CmdResult Done() { return {true, {}}; }

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
  // A work file of an earlier call must not be fetched in place of this one.
  c.job.qtemp.objects.erase({"CSVF", "*FILE"});
  const std::vector<Field> fields = csv::Format(*o);
  std::vector<std::string> lines;
  if (Name(c, 5) == "Y") lines.push_back(csv::NamesRow(fields));
  const std::string& d = *m->data;
  const std::size_t rl = static_cast<std::size_t>(f.rcdlen);
  std::string row, why;
  for (std::size_t off = 0; off + rl <= d.size(); off += rl) {
    if (!csv::RecordToRow(f, fields, std::string_view(d).substr(off, rl), row, why)) {
      c.job.log.push_back("CPF5029 Data mapping error on member " + o->name + "/" + m->name + " record " +
                          std::to_string(off / rl + 1) + ": " + why + ".");
      c.job.log.push_back("CPF2817 Copy command ended because of error.");
      WriteReply(c.job, c.program, 31, "PACDTA", "", m->text);
      return Done();
    }
    lines.push_back(row);
  }
  WriteWorkFile(c.job.qtemp, "CSVF", "CSVF", "CSV of " + o->name + "/" + m->name, lines, 1);
  c.job.log.push_back("CSV of member " + m->name + " for " + Text(c, 3) + " " + Text(c, 4) + ": " +
                      std::to_string(lines.size()) + " lines.");
  WriteReply(c.job, c.program, 31, "OK", "", m->text);
  return Done();
}

// The lines of the work file as UTF-8 text. A Ctrl-Z that ends the text is the
// end-of-file mark of older PC programs, not data; it arrives as SUB, or as FS
// where the upload's code page (the IBM PC tables of 943) maps it so.
std::vector<std::string> WorkFileLines(const PhysicalFile& wf, const Member& wm) {
  std::vector<std::string> lines;
  const std::string& d = *wm.data;
  const std::size_t rl = static_cast<std::size_t>(wf.rcdlen);
  const int ccsid = wf.ccsid == 65535 ? 5035 : wf.ccsid;
  for (std::size_t off = 0; off + rl <= d.size(); off += rl) {
    std::string_view r(d.data() + off, rl);
    lines.push_back(ToUtf8(r.substr(0, TrimmedLength(r)), ccsid));
  }
  while (!lines.empty() && Trimmed(lines.back()).empty()) lines.pop_back();
  if (!lines.empty() && !lines.back().empty() && (lines.back().back() == '\x1A' || lines.back().back() == '\x1C'))
    lines.back().pop_back();
  return lines;
}

// The record count of the reply has five positions; a count that does not fit
// shows as asterisks rather than as a wrong number.
std::string CountText(long long n) {
  if (n > 99999) return "*****";
  char b[8];
  std::snprintf(b, sizeof b, "%5lld", n);
  return b;
}

// Puts the refused rows into member `member` of CSVERR in `lib`, replacing
// that member and keeping the others. CSVERR is one character field as long
// as its longest line.
void WriteErrorMember(Library& lib, const std::string& member, const std::string& text,
                      const std::vector<std::string>& lines) {
  Object* old = lib.FindFile("CSVERR");
  PhysicalFile* of = old ? old->file() : nullptr;
  if (old && (!of || old->attribute != "PF-DTA" || of->fields.size() > 1)) return;   // someone else's CSVERR
  std::vector<std::string> recs;
  std::size_t width = of ? static_cast<std::size_t>(of->rcdlen) : 1;
  for (const auto& l : lines) {
    recs.push_back(FromUtf8(l, 5035));
    width = std::max(width, recs.back().size());
  }
  width = std::min<std::size_t>(width, 32766);
  Object file = MakeDataFile("CSVERR", static_cast<int>(width), 5035, "Rows of CSV loads not loaded");
  if (of) {
    // Earlier members keep their lines, widened to the new record length.
    for (const auto& em : of->members) {
      if (em.name == member) continue;
      auto data = std::make_shared<std::string>();
      const std::size_t rl = static_cast<std::size_t>(of->rcdlen);
      for (std::size_t off = 0; off + rl <= em.data->size(); off += rl) {
        data->append(*em.data, off, rl);
        data->append(width - rl, kEbcdicBlank);
      }
      file.file()->members.push_back({em.name, em.text, "", std::move(data), em.changed});
    }
  }
  auto data = std::make_shared<std::string>();
  for (const auto& r : recs) {
    auto fit = FitRecord(r, width);
    data->append(fit ? *fit : r.substr(0, width));
  }
  file.file()->members.push_back({member, text, "", std::move(data), Now()});
  lib.Put(std::move(file));
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
  const std::vector<Field> fields = csv::Format(*o);
  const std::vector<std::string> lines = WorkFileLines(*wf, *wm);
  // The work file is used up: a second call without a new upload must not load it again.
  c.job.qtemp.objects.erase({"CSVF", "*FILE"});

  auto records = std::make_shared<std::string>();
  std::vector<std::string> errors, vals;
  long long loaded = 0, rows = 0;
  std::string row, rec, why;
  std::size_t rowLine = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (row.empty() && rowLine == 0) {
      if (Trimmed(lines[i]).empty()) continue;   // an empty line is no row
      rowLine = i + 1;
      row = lines[i];
    } else {
      row += "\n" + lines[i];   // a line end inside a quoted value
    }
    if (i + 1 < lines.size() && csv::EndsInsideQuotes(row)) continue;
    const std::string where = "Line " + std::to_string(rowLine) + ": ";
    if (!csv::SplitRow(row, vals, why)) {
      errors.push_back(where + why + ": " + row);
    } else if (!(rows == 0 && csv::IsNamesRow(fields, vals))) {   // the names line of a download
      if (csv::RowToRecord(f, fields, vals, rec, why)) {
        records->append(rec);
        ++loaded;
      } else {
        errors.push_back(where + why + ": " + row);
      }
    }
    ++rows;
    row.clear();
    rowLine = 0;
  }
  if (!errors.empty()) {
    // Nothing is loaded; the operator finds the refused rows in CSVERR of the
    // tool library, in the member named after the member.
    Library* tl = ResolveLibrary(c.host, c.job, c.library);
    if (tl) WriteErrorMember(*tl, m->name, "Rows of " + o->name + "/" + m->name + " not loaded", errors);
    for (const auto& e : errors) c.job.log.push_back("CPF2845 " + e);
    c.job.log.push_back("CPF2817 Copy command ended because of error; member " + m->name + " not changed.");
    c.host.dirty = true;
    WriteReply(c.job, c.program, 31, "WN", "", "CSVERR");
    return Done();
  }
  if (loaded == 0) {
    // An empty file (or one with only the names line) is refused: it would
    // empty the member.
    c.job.log.push_back("CPF2817 The CSV file holds no records; member " + m->name + " not changed.");
    WriteReply(c.job, c.program, 31, "ERROR1", "", m->text);
    return Done();
  }
  m->data = std::move(records);
  m->changed = Now();
  c.host.dirty = true;
  WriteReply(c.job, c.program, 31, "OK", CountText(loaded), m->text);
  return Done();
}

}  // namespace

void RegisterCsvRoutines(std::map<std::string, Routine>& r) {
  r["FTPCSVG2"] = {6, CsvGet};
  r["FTPCSVP"] = {3, CsvPut};
}

}  // namespace hostsim::tools
