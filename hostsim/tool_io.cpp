// What a tool program reads and leaves behind: its parameters, its reply record
// and the work objects in QTEMP.
#include "hostsim/tool_io.h"

#include <algorithm>

#include "hostsim/ccsid.h"
#include "hostsim/cl.h"
#include "hostsim/store.h"

namespace hostsim {
namespace tools {

std::string Name(const CallContext& c, std::size_t i) { return Upper(Trimmed(c.parms[i])); }
std::string Text(const CallContext& c, std::size_t i) { return Trimmed(c.parms[i]); }

void WriteTightReply(Job& job, const std::string& program, int statusPos, const std::string& status,
                     const std::string& detail) {
  WriteReply(job, program, statusPos, status, "", detail);
  Object* o = job.qtemp.FindFile("FTPTEXT");
  PhysicalFile* f = o ? o->file() : nullptr;
  if (!f || f->members.empty()) return;
  std::string rec = f->members[0].data.Bytes();
  rec.resize(std::max<std::size_t>(1, TrimmedLength(rec)));
  f->rcdlen = static_cast<int>(rec.size());
  f->members[0].data = Records::FromBytes(std::move(rec));
}

void WriteWorkFile(Library& lib, const std::string& name, const std::string& member, const std::string& text,
                   const std::vector<std::string>& lines, int minLength) {
  std::vector<std::string> recs;
  std::size_t width = static_cast<std::size_t>(std::max(1, minLength));
  for (const auto& l : lines) {
    recs.push_back(FromUtf8(l, 5035));
    width = std::max(width, recs.back().size());
  }
  width = std::min<std::size_t>(width, 32766);
  std::string data;
  for (const auto& r : recs) {
    auto fit = FitRecord(r, width);
    data.append(fit ? *fit : r.substr(0, width));
  }
  Object o = MakeDataFile(name, static_cast<int>(width), 5035, text);
  o.file()->members.push_back({member, text, "", Records::FromBytes(std::move(data)), Now()});
  lib.Put(std::move(o));
}

bool WriteWorkSaveFile(Host& host, Job& job, const std::string& image) {
  auto blob = host.blobs.FromBytes(image);
  if (!blob) return false;
  Object s = MakeSaveFile("FTPSAVF", "");
  s.savf()->blob = std::move(blob);
  job.qtemp.Put(std::move(s));
  return true;
}

}  // namespace tools
}  // namespace hostsim
