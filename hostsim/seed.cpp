#include "hostsim/seed.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "hostsim/ccsid.h"
#include "hostsim/cl.h"

namespace hostsim {
namespace {

const char kHex[] = "0123456789abcdef";

std::string ToHex(std::string_view b) {
  std::string s;
  s.reserve(b.size() * 2);
  for (unsigned char c : b) {
    s.push_back(kHex[c >> 4]);
    s.push_back(kHex[c & 15]);
  }
  return s;
}

bool FromHex(std::string_view h, std::string& out) {
  auto val = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string clean;
  for (char c : h)
    if (c != ' ' && c != '\t' && c != '\r') clean.push_back(c);
  if (clean.size() % 2) return false;
  for (std::size_t i = 0; i < clean.size(); i += 2) {
    int a = val(clean[i]), b = val(clean[i + 1]);
    if (a < 0 || b < 0) return false;
    out.push_back(static_cast<char>(a * 16 + b));
  }
  return true;
}

int ToInt(const std::string& s, int dflt) {
  if (s.empty()) return dflt;
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  if (*end != '\0' || v < 0 || v > 1000000000) return -1;
  return static_cast<int>(v);
}

// Seconds since the epoch.
std::int64_t ToTime(const std::string& s, std::int64_t dflt) {
  if (s.empty()) return dflt;
  char* end = nullptr;
  long long v = std::strtoll(s.c_str(), &end, 10);
  return *end == '\0' && v >= 0 ? v : dflt;
}

// Splits a decimal value into its digits (scaled by `decimals`) and sign.
bool Digits(const std::string& value, int digits, int decimals, std::string& out, bool& negative) {
  std::string v = value;
  while (!v.empty() && v.front() == ' ') v.erase(v.begin());
  while (!v.empty() && v.back() == ' ') v.pop_back();
  negative = false;
  const bool signed_ = !v.empty() && (v[0] == '-' || v[0] == '+');
  if (signed_) {
    negative = v[0] == '-';
    v.erase(v.begin());
  }
  // The decimal point is a period; a comma (a thousands separator, or a decimal
  // comma) is not part of a number, so "1,000" is refused rather than read as 1.
  std::string ip = v, fp;
  auto dot = v.find('.');
  if (dot != std::string::npos) {
    ip = v.substr(0, dot);
    fp = v.substr(dot + 1);
  }
  for (char c : ip + fp)
    if (c < '0' || c > '9') return false;
  // A sign or a point needs a digit; only the empty value stands for zero.
  if (ip.empty() && fp.empty() && (signed_ || dot != std::string::npos)) return false;
  while (static_cast<int>(fp.size()) > decimals) {
    if (fp.back() != '0') return false;
    fp.pop_back();
  }
  fp.resize(static_cast<std::size_t>(decimals), '0');
  while (ip.size() > 1 && ip[0] == '0') ip.erase(ip.begin());
  if (ip == "0") ip.clear();
  std::string all = ip + fp;
  if (static_cast<int>(all.size()) > digits) return false;
  out = std::string(static_cast<std::size_t>(digits) - all.size(), '0') + all;
  // Zero has no sign: "-0.00" is stored as zero with the positive sign.
  if (out.find_first_not_of('0') == std::string::npos) negative = false;
  return true;
}

std::string WithPoint(std::string digits, int decimals, bool negative) {
  if (decimals > 0) {
    while (static_cast<int>(digits.size()) <= decimals) digits.insert(digits.begin(), '0');
    digits.insert(digits.end() - decimals, '.');
  }
  std::size_t lead = 0;
  while (lead + 1 < digits.size() && digits[lead] == '0' && digits[lead + 1] != '.') ++lead;
  digits.erase(0, lead);
  return negative ? "-" + digits : digits;
}

struct Ctx {
  SeedData* out = nullptr;
  Library* lib = nullptr;
  Object* obj = nullptr;
  Member* mbr = nullptr;
  SpooledFile* splf = nullptr;
  std::unique_ptr<RecordsWriter> pending;   // records of the member being read
  std::size_t records = 0;                  // how many so far
  // Inline bytes of the save file being read go straight to a blob file.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> savfOut{nullptr, std::fclose};
  std::string savfPath;
  bool savfOk = true;
  Object* savfObj = nullptr;
  BlobStore* blobs = nullptr;
  std::shared_ptr<Database> db;
  bool references = false;
  bool pieces = false;
  int line = 0;
  std::string err;

  bool Fail(const std::string& why) {
    err = "line " + std::to_string(line) + ": " + why;
    return false;
  }
  ~Ctx() {
    // A seed that failed part-way through a save file leaves no blob behind.
    if (savfOut) {
      savfOut.reset();
      std::remove(savfPath.c_str());
    }
  }
};

bool SavfBytes(Ctx& c, const std::string& bytes) {
  if (!c.blobs) return c.Fail("save file data cannot be stored");
  if (!c.savfOut) {
    c.savfPath = c.blobs->NewPath();
    c.savfOut.reset(std::fopen(c.savfPath.c_str(), "wbx"));
    if (!c.savfOut) return c.Fail("cannot write save file data");
  }
  c.savfOk = c.savfOk && std::fwrite(bytes.data(), 1, bytes.size(), c.savfOut.get()) == bytes.size();
  return true;
}

bool FlushSavf(Ctx& c) {
  bool ok = true;
  if (c.savfOut) {
    ok = std::fclose(c.savfOut.release()) == 0 && c.savfOk;
    if (ok) c.savfObj->savf()->blob = c.blobs->Adopt(c.savfPath);
    if (!ok || !c.savfObj->savf()->blob) {
      std::remove(c.savfPath.c_str());
      ok = c.Fail("cannot write save file data");
    }
  }
  c.savfOk = true;
  c.savfObj = nullptr;
  return ok;
}

bool AddRecord(Ctx& c, const std::string& rec) {
  PhysicalFile* f = c.obj ? c.obj->file() : nullptr;
  if (!f || !c.mbr) return c.Fail("record outside a member");
  if (c.mbr->data.size()) return c.Fail("records after PIECES");
  if (static_cast<int>(rec.size()) != f->rcdlen) return c.Fail("record length " + std::to_string(rec.size()) +
                                                                  " differs from the file's " + std::to_string(f->rcdlen));
  if (!c.pending) c.pending = std::make_unique<RecordsWriter>(c.db, static_cast<std::size_t>(f->rcdlen));
  ++c.records;
  return c.pending->Append(rec) || c.Fail("cannot store the records");
}

bool FlushMember(Ctx& c) {
  bool ok = true;
  if (c.mbr && c.pending) {
    c.mbr->data = c.pending->Finish(kEbcdicBlank);
    ok = c.pending->ok() || c.Fail("cannot store the records");
  }
  c.pending.reset();
  c.records = 0;
  return ok;
}

bool TextLine(Ctx& c, const std::string& text) {
  if (c.splf) {
    c.splf->lines.push_back(text);
    return true;
  }
  PhysicalFile* f = c.obj ? c.obj->file() : nullptr;
  if (!f || !c.mbr) return c.Fail("text line outside a member or spooled file");
  std::string e = FromUtf8(text, f->ccsid);
  if (f->source) {
    auto fit = FitRecord(e, static_cast<std::size_t>(f->rcdlen - 12));
    if (!fit) return c.Fail("source line longer than the record");
    int seq = static_cast<int>(c.records) + 1;
    return AddRecord(c, MakeSourceRecord(seq * 100, "000000", *fit, f->rcdlen));
  }
  auto fit = FitRecord(e, static_cast<std::size_t>(f->rcdlen));
  if (!fit) return c.Fail("line longer than the record");
  return AddRecord(c, *fit);
}

bool Row(Ctx& c, const ClCommand& cmd) {
  PhysicalFile* f = c.obj ? c.obj->file() : nullptr;
  if (!f || !c.mbr) return c.Fail("ROW outside a member");
  std::vector<std::string> vals;
  for (const auto& p : cmd.params)
    for (const auto& v : p.values) vals.push_back(v.text);
  if (vals.size() != f->fields.size()) return c.Fail("ROW needs " + std::to_string(f->fields.size()) + " values");
  std::string rec;
  for (std::size_t i = 0; i < vals.size(); ++i) {
    const Field& fd = f->fields[i];
    bool ok = true;
    if (fd.type == 'A') {
      auto fit = FitRecord(FromUtf8(vals[i], fd.ccsid ? fd.ccsid : f->ccsid), static_cast<std::size_t>(fd.length));
      if (!fit) return c.Fail("value too long for field " + fd.name);
      rec += *fit;
    } else if (fd.type == 'S') {
      rec += EncodeZoned(vals[i], fd.length, fd.decimals, ok);
    } else {
      rec += EncodePacked(vals[i], fd.length, fd.decimals, ok);
    }
    if (!ok) return c.Fail("value '" + vals[i] + "' does not fit field " + fd.name);
  }
  return AddRecord(c, rec);
}

bool Statement(Ctx& c, const std::string& line) {
  ClError ce;
  auto cmd = ParseCl(line, ce);
  if (!cmd) return c.Fail(ce.text);
  const std::string& v = cmd->name;
  auto bind = [&](std::vector<std::string> kws) -> std::optional<ClArgs> {
    auto a = BindCl(*cmd, kws, ce);
    if (!a) c.Fail(ce.text);
    return a;
  };
  auto nameOk = [&](const std::string& n) {
    if (!IsValidName(n)) {
      c.Fail("name '" + n + "' not valid");
      return false;
    }
    return true;
  };
  if (v != "ROW" && !FlushMember(c)) return false;
  if (!FlushSavf(c)) return false;
  if (v == "USER") {
    auto a = bind({"NAME", "PASSWORD", "TEXT", "STATUS"});
    if (!a || !nameOk(a->Text("NAME"))) return false;
    c.out->users.push_back({a->Text("NAME"), a->Text("PASSWORD"), a->Text("TEXT"), 0, a->Text("STATUS") == "*DISABLED"});
    return true;
  }
  if (v == "FAULT") {
    auto a = bind({"SWITCH"});
    if (!a) return false;
    FaultSwitch f;
    std::string why;
    if (!ParseFault(a->Text("SWITCH"), f, why)) return c.Fail(why);
    c.out->faults.push_back(f);
    return true;
  }
  if (v == "MSG") {
    auto a = bind({"ID", "FROM", "TEXT", "SENT"});
    if (!a) return false;
    c.out->messages.push_back({ToTime(a->Text("SENT"), 0), a->Text("ID"), a->Text("FROM"), a->Text("TEXT")});
    return true;
  }
  if (v == "LIB") {
    auto a = bind({"NAME", "TEXT"});
    if (!a || !nameOk(a->Text("NAME"))) return false;
    c.out->libraries.push_back({a->Text("NAME"), a->Text("TEXT"), {}});
    c.lib = &c.out->libraries.back();
    c.obj = nullptr;
    c.mbr = nullptr;
    c.splf = nullptr;
    return true;
  }
  if (v == "SRCPF" || v == "PF" || v == "PGM" || v == "SAVF" || v == "OUTQ") {
    if (!c.lib) return c.Fail(v + " outside a library");
    auto a = bind({"NAME", "RCDLEN", "CCSID", "TEXT", "ROUTINE", "ATTR", "BLOB", "OWNER", "CREATED"});
    if (!a || !nameOk(a->Text("NAME"))) return false;
    std::string name = a->Text("NAME"), text = a->Text("TEXT");
    int ccsid = ToInt(a->Text("CCSID"), 5035);
    int rcdlen = ToInt(a->Text("RCDLEN"), v == "SRCPF" ? 92 : 0);
    if (ccsid < 0 || rcdlen < 0 || rcdlen > 32766 || (v == "SRCPF" && rcdlen < 13)) return c.Fail("bad RCDLEN or CCSID");
    if ((v == "SRCPF" || v == "PF") && ccsid != 65535 && IconvName(ccsid).empty())
      return c.Fail("CCSID " + std::to_string(ccsid) + " not supported");
    Object o;
    if (v == "SRCPF") o = MakeSourceFile(name, rcdlen, ccsid, text);
    else if (v == "PF") {
      o = MakeDataFile(name, rcdlen, ccsid, text);
      if (rcdlen == 0) o.file()->fields.clear();   // FIELD statements follow
    } else if (v == "PGM") o = MakeProgram(name, a->Text("ROUTINE"), a->Text("ATTR").empty() ? "CLP" : a->Text("ATTR"), text);
    else if (v == "SAVF") o = MakeSaveFile(name, text);
    else o = Object{name, "*OUTQ", "", text, "QSECOFR", Now(), OutputQueue{}};
    if (!a->Text("OWNER").empty()) o.owner = a->Text("OWNER");
    if (!a->Text("CREATED").empty()) o.created = ToTime(a->Text("CREATED"), 0);
    c.obj = &c.lib->Put(std::move(o));
    c.mbr = nullptr;
    c.splf = nullptr;
    if (v == "SAVF") {
      c.savfObj = c.obj;
      std::string blob = a->Text("BLOB");
      if (!blob.empty()) {
        if (!c.blobs || !c.references || blob.find('/') != std::string::npos) return c.Fail("BLOB not allowed here");
        c.obj->savf()->blob = c.blobs->Adopt(c.blobs->dir() + "/" + blob);
        if (!c.obj->savf()->blob) return c.Fail("blob " + blob + " missing");
      }
    }
    return true;
  }
  if (v == "FIELD") {
    PhysicalFile* f = c.obj ? c.obj->file() : nullptr;
    if (!f || f->source || !f->members.empty()) return c.Fail("FIELD belongs to a data file before its members");
    auto a = bind({"NAME", "TYPE", "LEN", "CCSID"});
    if (!a || !nameOk(a->Text("NAME"))) return false;
    Field fd;
    fd.name = a->Text("NAME");
    std::string t = a->Text("TYPE");
    if (t != "A" && t != "S" && t != "P") return c.Fail("field type must be A, S or P");
    fd.type = t[0];
    const auto* len = a->Get("LEN");
    fd.length = len && !len->empty() ? ToInt((*len)[0].text, 1) : 1;
    fd.decimals = len && len->size() > 1 ? ToInt((*len)[1].text, 0) : 0;
    fd.ccsid = ToInt(a->Text("CCSID"), 0);
    if (fd.length < 1 || fd.decimals < 0 || (fd.type != 'A' && (fd.length > 63 || fd.decimals > fd.length)))
      return c.Fail("bad field length");
    if (f->fields.size() == 1 && f->fields[0].name == c.obj->name && f->rcdlen > 0 && f->fields[0].length == f->rcdlen)
      f->fields.clear();
    f->fields.push_back(fd);
    int total = 0;
    for (const auto& x : f->fields) total += x.Bytes();
    f->rcdlen = total;
    return true;
  }
  if (v == "MBR") {
    PhysicalFile* f = c.obj ? c.obj->file() : nullptr;
    if (!f) return c.Fail("MBR outside a physical file");
    if (f->rcdlen <= 0) return c.Fail("file has neither RCDLEN nor FIELD statements");
    auto a = bind({"NAME", "TYPE", "TEXT", "CHANGED", "PIECES", "SIZE"});
    if (!a || !nameOk(a->Text("NAME"))) return false;
    if (f->FindMember(a->Text("NAME"))) return c.Fail("member defined twice");
    Records data;
    if (!a->Text("PIECES").empty()) {
      if (!c.pieces || !c.db) return c.Fail("PIECES not allowed here");
      long long id = ToTime(a->Text("PIECES"), 0), size = ToTime(a->Text("SIZE"), -1);
      if (id <= 0 || size <= 0 || size % f->rcdlen != 0) return c.Fail("PIECES needs a content and a SIZE of whole records");
      data = Records::Stored(c.db, id, static_cast<std::uint64_t>(size));
    }
    f->members.push_back({a->Text("NAME"), a->Text("TEXT"), a->Text("TYPE"), std::move(data), ToTime(a->Text("CHANGED"), 0)});
    c.mbr = &f->members.back();
    return true;
  }
  if (v == "SPLF") {
    OutputQueue* q = c.obj ? c.obj->outq() : nullptr;
    if (!q) return c.Fail("SPLF outside an output queue");
    auto a = bind({"FILE", "JOB", "NBR", "USRDTA", "CREATED"});
    if (!a || !nameOk(a->Text("FILE"))) return false;
    std::string job = a->Text("JOB");
    auto s1 = job.find('/'), s2 = job.rfind('/');
    if (s1 == std::string::npos || s1 == s2) return c.Fail("JOB must read number/user/name");
    SpooledFile s;
    s.file = a->Text("FILE");
    s.jobNumber = job.substr(0, s1);
    s.jobUser = job.substr(s1 + 1, s2 - s1 - 1);
    s.jobName = job.substr(s2 + 1);
    s.number = ToInt(a->Text("NBR"), 1);
    s.userData = a->Text("USRDTA");
    s.created = ToTime(a->Text("CREATED"), Now());
    q->files.push_back(std::move(s));
    c.splf = &q->files.back();
    return true;
  }
  if (v == "ROW") return Row(c, *cmd);
  return c.Fail("unknown statement " + v);
}

}  // namespace

bool ParseSeedLines(const std::function<bool(std::string&)>& next, SeedData& out, std::string& err,
                    const SeedStorage& storage) {
  Ctx c;
  c.out = &out;
  c.blobs = storage.blobs;
  c.db = storage.db;
  c.references = storage.references;
  c.pieces = storage.pieces;
  std::string line;
  while (next(line)) {
    ++c.line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos || line[b] == '#') continue;
    bool ok;
    if (line[b] == '|') {
      std::string t = line.substr(b + 1);
      if (!t.empty() && t[0] == ' ') t.erase(0, 1);
      ok = TextLine(c, t);
    } else if (line.compare(b, 4, "HEX ") == 0 || line.compare(b, 4, "hex ") == 0) {
      std::string bytes;
      if (!FromHex(std::string_view(line).substr(b + 4), bytes)) ok = c.Fail("bad hex");
      else if (c.savfObj) ok = SavfBytes(c, bytes);
      else ok = AddRecord(c, bytes);
    } else {
      ok = Statement(c, line.substr(b));
    }
    if (!ok) {
      err = c.err;
      return false;
    }
  }
  if (!FlushMember(c) || !FlushSavf(c)) {
    err = c.err;
    return false;
  }
  return true;
}

bool ParseSeed(const std::string& text, SeedData& out, std::string& err, const SeedStorage& storage) {
  std::istringstream in(text);
  return ParseSeedLines([&](std::string& line) { return static_cast<bool>(std::getline(in, line)); }, out, err, storage);
}

std::string Quote(const std::string& s) {
  std::string r = "'";
  for (char ch : s) {
    if (ch == '\'') r.push_back('\'');
    if (ch == '\n' || ch == '\r') ch = ' ';
    r.push_back(ch);
  }
  return r + "'";
}

void DumpObjectTo(const Object& o, bool blobRefs, const std::function<void(std::string_view)>& sink) {
  // Written out whenever it grows past a few pages, so that a large member or
  // save file is never held as text.
  std::ostringstream s;
  auto drain = [&](bool always) {
    if (!always && s.tellp() < 256 * 1024) return;
    sink(s.str());
    s.str("");
  };
  auto common = [&]() { s << " TEXT(" << Quote(o.text) << ") OWNER(" << o.owner << ") CREATED(" << o.created << ")"; };
  if (const auto* f = std::get_if<PhysicalFile>(&o.body)) {
    s << (f->source ? "SRCPF " : "PF ") << o.name << " RCDLEN(" << f->rcdlen << ") CCSID(" << f->ccsid << ")";
    common();
    s << "\n";
    if (!f->source)
      for (const auto& fd : f->fields)
        s << "FIELD " << fd.name << " TYPE(" << fd.type << ") LEN(" << fd.length << " " << fd.decimals << ")"
          << (fd.ccsid ? " CCSID(" + std::to_string(fd.ccsid) + ")" : "") << "\n";
    for (const auto& m : f->members) {
      s << "MBR " << m.name << " TYPE(" << Quote(m.srcType) << ") TEXT(" << Quote(m.text) << ") CHANGED(" << m.changed
        << ")";
      if (blobRefs && m.data.content()) {
        s << " PIECES(" << m.data.content() << ") SIZE(" << m.data.size() << ")\n";
        continue;
      }
      s << "\n";
      m.data.ForEachRecord(static_cast<std::size_t>(f->rcdlen), [&](std::string_view rec) {
        s << "HEX " << ToHex(rec) << "\n";
        drain(false);
        return true;
      });
    }
  } else if (const auto* p = std::get_if<Program>(&o.body)) {
    s << "PGM " << o.name << " ROUTINE(" << (p->routine.empty() ? "*NONE" : p->routine) << ") ATTR(" << o.attribute << ")";
    common();
    s << "\n";
  } else if (const auto* sv = std::get_if<SaveFile>(&o.body)) {
    s << "SAVF " << o.name;
    common();
    if (sv->blob && blobRefs) {
      auto slash = sv->blob->path.rfind('/');
      s << " BLOB(" << Quote(sv->blob->path.substr(slash + 1)) << ")\n";
    } else {
      s << "\n";
      if (sv->blob) {
        FILE* fp = std::fopen(sv->blob->path.c_str(), "rb");
        if (fp) {
          char buf[64];
          std::size_t n;
          while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) {
            s << "HEX " << ToHex(std::string_view(buf, n)) << "\n";
            drain(false);
          }
          std::fclose(fp);
        }
      }
    }
  } else if (const auto* q = std::get_if<OutputQueue>(&o.body)) {
    s << "OUTQ " << o.name;
    common();
    s << "\n";
    for (const auto& sp : q->files) {
      s << "SPLF " << sp.file << " JOB(" << sp.jobNumber << "/" << sp.jobUser << "/" << sp.jobName << ") NBR(" << sp.number
        << ") USRDTA(" << Quote(sp.userData) << ") CREATED(" << sp.created << ")\n";
      for (const auto& l : sp.lines) s << "| " << l << "\n";
    }
  }
  drain(true);
}

std::string DumpObject(const Object& o, bool blobRefs) {
  std::string out;
  DumpObjectTo(o, blobRefs, [&](std::string_view p) { out.append(p); });
  return out;
}

std::string DumpLibrary(const Library& lib, bool blobRefs) {
  std::string s = "LIB " + lib.name + " TEXT(" + Quote(lib.text) + ")\n";
  for (const auto& [key, o] : lib.objects) s += DumpObject(o, blobRefs);
  return s;
}

std::string DumpUsers(const std::vector<UserProfile>& users) {
  std::string s;
  for (const auto& u : users)
    s += "USER " + u.name + " PASSWORD(" + Quote(u.password) + ") TEXT(" + Quote(u.text) + ")" +
         (u.disabled ? " STATUS(*DISABLED)" : "") + "\n";
  return s;
}

std::string DumpMessages(const std::vector<Message>& msgs) {
  std::string s;
  for (const auto& m : msgs)
    s += "MSG " + (m.id.empty() ? std::string("*NONE") : m.id) + " FROM(" + Quote(m.from) + ") TEXT(" + Quote(m.text) +
         ") SENT(" + std::to_string(m.sent) + ")\n";
  return s;
}

std::string EncodeZoned(const std::string& value, int digits, int decimals, bool& ok) {
  std::string d;
  bool neg;
  ok = Digits(value, digits, decimals, d, neg);
  if (!ok) return std::string(static_cast<std::size_t>(digits), '\xF0');
  std::string r;
  for (char ch : d) r.push_back(static_cast<char>(0xF0 + (ch - '0')));
  if (neg) r.back() = static_cast<char>(0xD0 + (d.back() - '0'));
  return r;
}

std::string EncodePacked(const std::string& value, int digits, int decimals, bool& ok) {
  int bytes = digits / 2 + 1;
  std::string d;
  bool neg;
  ok = Digits(value, bytes * 2 - 1, decimals, d, neg);
  if (ok && static_cast<int>(d.size()) - static_cast<int>(d.find_first_not_of('0') == std::string::npos ? d.size() : d.find_first_not_of('0')) > digits)
    ok = false;
  if (!ok) {
    std::string z(static_cast<std::size_t>(bytes), '\0');
    z.back() = 0x0F;
    return z;
  }
  d.push_back(neg ? 'D' : 'F');
  std::string r;
  for (std::size_t i = 0; i < d.size(); i += 2) {
    auto nib = [](char ch) { return ch == 'D' ? 0xD : ch == 'F' ? 0xF : ch - '0'; };
    r.push_back(static_cast<char>(nib(d[i]) << 4 | nib(d[i + 1])));
  }
  return r;
}

std::string DecodeZoned(const std::string& bytes, int decimals) {
  // Each byte holds a digit under the zone F; the last byte's zone is the sign
  // (A to F). Anything else is a decimal data error, not a value.
  std::string d;
  bool neg = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    const bool last = i + 1 == bytes.size();
    if ((b & 0x0F) > 9 || (last ? (b >> 4) < 0xA : (b >> 4) != 0xF)) return "";
    d.push_back(static_cast<char>('0' + (b & 0x0F)));
    if (last) neg = (b >> 4) == 0xD || (b >> 4) == 0xB;
  }
  if (d.find_first_not_of('0') == std::string::npos) neg = false;
  return d.empty() ? "" : WithPoint(d, decimals, neg);
}

std::string DecodePacked(const std::string& bytes, int decimals) {
  // Two digits a byte, the last byte a digit and the sign nibble (A to F).
  std::string d;
  bool neg = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if ((b >> 4) > 9) return "";
    d.push_back(static_cast<char>('0' + (b >> 4)));
    if (i + 1 == bytes.size()) {
      if ((b & 0x0F) < 0xA) return "";
      neg = (b & 0x0F) == 0xD || (b & 0x0F) == 0xB;
    } else if ((b & 0x0F) > 9) {
      return "";
    } else {
      d.push_back(static_cast<char>('0' + (b & 0x0F)));
    }
  }
  if (d.find_first_not_of('0') == std::string::npos) neg = false;
  return d.empty() ? "" : WithPoint(d, decimals, neg);
}

}  // namespace hostsim
