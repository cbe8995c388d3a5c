// #FTPCSVG2 and #FTPCSVP: a member's records to CSV text in QTEMP/CSVF and back
// (the dialect is in csv_dialect.h).
//
// The download stops at the first record that has no CSV form (decimal data
// that is not valid, a control character in a character field) and leaves no
// work file, so nothing wrong reaches the PC. The load is all or nothing: the
// member is replaced only when every row could be loaded; otherwise it keeps
// its records and the rows refused, each with its reason, go to the error
// file CSVERR in the tool library.
#include <algorithm>
#include <cstdio>
#include <functional>

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
  const std::string names = Name(c, 5) == "Y" ? csv::NamesRow(fields) : "";
  // Two passes a record at a time, so that a large member never sits in memory
  // as text: the first checks every record and finds the longest line (the
  // work file's record length), the second writes the lines.
  const std::size_t rl = static_cast<std::size_t>(f.rcdlen);
  std::string row, why;
  std::size_t n = 0, width = names.empty() ? 1 : FromUtf8(names, 5035).size();
  bool ok = m->data.ForEachRecord(rl, [&](std::string_view rec) {
    ++n;
    if (!csv::RecordToRow(f, fields, rec, row, why)) return false;
    width = std::max(width, FromUtf8(row, 5035).size());
    return true;
  });
  if (!ok) {
    c.job.log.push_back("CPF5029 Data mapping error on member " + o->name + "/" + m->name + " record " +
                        std::to_string(n) + ": " + why + ".");
    c.job.log.push_back("CPF2817 Copy command ended because of error.");
    WriteReply(c.job, c.program, 31, "PACDTA", "", m->text);
    return Done();
  }
  width = std::min<std::size_t>(width, 32766);
  RecordsWriter csvf(c.host.db, width);
  auto put = [&](const std::string& line) {
    std::string e = FromUtf8(line, 5035);
    auto fit = FitRecord(e, width);
    return csvf.Append(fit ? *fit : e.substr(0, width));
  };
  if (!names.empty()) put(names);
  m->data.ForEachRecord(rl, [&](std::string_view rec) { return csv::RecordToRow(f, fields, rec, row, why) && put(row); });
  Records lines = csvf.Finish(kEbcdicBlank);
  if (!csvf.ok()) return {false, {{"CPF9999", "The CSV work file could not be written."}}};
  Object work = MakeDataFile("CSVF", static_cast<int>(width), 5035, "CSV of " + o->name + "/" + m->name);
  work.file()->members.push_back({"CSVF", work.text, "", std::move(lines), Now()});
  c.job.qtemp.Put(std::move(work));
  c.job.log.push_back("CSV of member " + m->name + " for " + Text(c, 3) + " " + Text(c, 4) + ": " +
                      std::to_string(n + (names.empty() ? 0 : 1)) + " lines.");
  WriteReply(c.job, c.program, 31, "OK", "", m->text);
  return Done();
}

// The lines of the work file as UTF-8 text, handed to fn(index, line, isLast)
// one at a time. Blank lines at the end are no lines. A Ctrl-Z that ends the
// text is the end-of-file mark of older PC programs, not data; it arrives as
// SUB, or as FS where the upload's code page (the IBM PC tables of 943) maps it so.
void ForEachWorkFileLine(const PhysicalFile& wf, const Member& wm,
                         const std::function<void(std::size_t, std::string&, bool)>& fn) {
  const int ccsid = wf.ccsid == 65535 ? 5035 : wf.ccsid;
  const std::size_t rl = static_cast<std::size_t>(wf.rcdlen);
  auto text = [&](std::string_view r) { return ToUtf8(r.substr(0, TrimmedLength(r)), ccsid); };
  // First pass: where the text ends.
  std::size_t count = 0, i = 0;
  wm.data.ForEachRecord(rl, [&](std::string_view r) {
    ++i;
    if (!Trimmed(text(r)).empty()) count = i;
    return true;
  });
  i = 0;
  wm.data.ForEachRecord(rl, [&](std::string_view r) {
    if (i >= count) return false;
    std::string line = text(r);
    const bool last = i + 1 == count;
    if (last && !line.empty() && (line.back() == '\x1A' || line.back() == '\x1C')) line.pop_back();
    fn(i++, line, last);
    return true;
  });
}

// The record count of the reply has five positions; a count that does not fit
// shows as asterisks rather than as a wrong number.
std::string CountText(long long n) {
  if (n > 99999) return "*****";
  char b[24];
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
      std::string data;
      em.data.ForEachRecord(static_cast<std::size_t>(of->rcdlen), [&](std::string_view rec) {
        data.append(rec);
        data.append(width - rec.size(), kEbcdicBlank);
        return true;
      });
      file.file()->members.push_back({em.name, em.text, "", Records::FromBytes(std::move(data)), em.changed});
    }
  }
  std::string data;
  for (const auto& r : recs) {
    auto fit = FitRecord(r, width);
    data.append(fit ? *fit : r.substr(0, width));
  }
  file.file()->members.push_back({member, text, "", Records::FromBytes(std::move(data)), Now()});
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
  // The work file is used up: a second call without a new upload must not load
  // it again. Its records stay readable through this handle.
  const PhysicalFile work = *wf;
  const Member workMember = *wm;
  c.job.qtemp.objects.erase({"CSVF", "*FILE"});

  RecordsWriter records(c.host.db, static_cast<std::size_t>(f.rcdlen));
  std::vector<std::string> errors, vals;
  long long loaded = 0, rows = 0;
  std::string row, rec, why;
  std::size_t rowLine = 0;
  ForEachWorkFileLine(work, workMember, [&](std::size_t i, std::string& line, bool last) {
    if (row.empty() && rowLine == 0) {
      if (Trimmed(line).empty()) return;   // an empty line is no row
      rowLine = i + 1;
      row = std::move(line);
    } else {
      row += "\n" + line;   // a line end inside a quoted value
    }
    if (!last && csv::EndsInsideQuotes(row)) return;
    const std::string where = "Line " + std::to_string(rowLine) + ": ";
    if (!csv::SplitRow(row, vals, why)) {
      errors.push_back(where + why + ": " + row);
    } else if (!(rows == 0 && csv::IsNamesRow(fields, vals))) {   // the names line of a download
      if (csv::RowToRecord(f, fields, vals, rec, why)) {
        records.Append(rec);
        ++loaded;
      } else {
        errors.push_back(where + why + ": " + row);
      }
    }
    ++rows;
    row.clear();
    rowLine = 0;
  });
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
  Records loadedRecords = records.Finish(kEbcdicBlank);
  if (!records.ok()) {
    c.job.log.push_back("CPF2817 The records could not be stored; member " + m->name + " not changed.");
    WriteReply(c.job, c.program, 31, "ERROR1", "", m->text);
    return Done();
  }
  m->data = std::move(loadedRecords);
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
