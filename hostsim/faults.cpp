#include "hostsim/faults.h"

#include <cstdlib>

#include "hostsim/cl.h"

namespace hostsim {
namespace {

// kNumber: a number of at least 1 is required; kOptionalNumber: a number of 0
// or more may be given; kOptional: any word may be given.
enum class Value { kNone, kOptional, kOptionalNumber, kNumber };

struct FaultSpec {
  const char* name;
  Fault fault;
  Value value;
};

const FaultSpec kFaults[] = {
    {"GREET421", Fault::kGreet421, Value::kNone},
    {"DROPAFTER150", Fault::kDropAfter150, Value::kNone},
    {"DATAHALF426", Fault::kDataHalf426, Value::kNone},
    {"DATAHALF226", Fault::kDataHalf226, Value::kNone},
    {"DATASTALL", Fault::kDataStall, Value::kNone},
    {"SLOWREPLY", Fault::kSlowReply, Value::kNumber},
    {"DATARATE", Fault::kDataRate, Value::kNumber},
    {"PASVBADIP", Fault::kPasvBadIp, Value::kNone},
    {"BADREPLY", Fault::kBadReply, Value::kOptional},
    {"TOOLNOREPLY", Fault::kToolNoReply, Value::kNone},
    {"TOOLSHORTREPLY", Fault::kToolShortReply, Value::kOptionalNumber},
    {"DISKFULL", Fault::kDiskFull, Value::kOptionalNumber},
};

bool IsNumber(std::string_view s, std::uint64_t& n) {
  if (s.empty() || s.size() > 12) return false;
  n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

}  // namespace

bool ParseFault(std::string_view text, FaultSwitch& out, std::string& err) {
  std::string s = Upper(text);
  out = FaultSwitch{};
  auto at = s.find('@');
  if (at != std::string::npos) {
    if (!IsNumber(std::string_view(s).substr(at + 1), out.session) || out.session == 0) {
      err = "fault " + std::string(text) + ": the session after @ must be a number from 1";
      return false;
    }
    s.resize(at);
  }
  auto eq = s.find('=');
  std::string name = s.substr(0, eq);
  bool hasValue = eq != std::string::npos;
  if (hasValue) out.value = s.substr(eq + 1);
  for (const FaultSpec& f : kFaults) {
    if (name != f.name) continue;
    std::uint64_t n = 0;
    if (f.value == Value::kNone && hasValue) {
      err = "fault " + name + " takes no value";
      return false;
    }
    if (f.value == Value::kNumber && (!IsNumber(out.value, n) || n == 0)) {
      err = "fault " + name + " needs =NUMBER (at least 1)";
      return false;
    }
    if (f.value == Value::kOptionalNumber && hasValue && !IsNumber(out.value, n)) {
      err = "fault " + name + " takes =NUMBER";
      return false;
    }
    if (f.value == Value::kOptional && hasValue && out.value.empty()) {
      err = "fault " + name + "= has an empty value";
      return false;
    }
    out.fault = f.fault;
    return true;
  }
  err = "unknown fault " + name;
  return false;
}

std::vector<std::string> FaultNames() {
  std::vector<std::string> names;
  for (const FaultSpec& f : kFaults) names.push_back(f.name);
  return names;
}

void SessionFaults::Set(const FaultSwitch& s) {
  auto i = static_cast<std::size_t>(s.fault);
  on_[i] = true;
  value_[i] = s.value;
}

std::int64_t SessionFaults::Number(Fault f, std::int64_t dflt) const {
  const std::string& v = Text(f);
  if (v.empty()) return dflt;
  char* end = nullptr;
  long long n = std::strtoll(v.c_str(), &end, 10);
  return *end == '\0' && n >= 0 ? n : dflt;
}

SessionFaults FaultsOfSession(const std::vector<FaultSwitch>& all, std::uint64_t session) {
  SessionFaults f;
  for (const auto& s : all)
    if (s.session == 0 || s.session == session) f.Set(s);
  return f;
}

}  // namespace hostsim
