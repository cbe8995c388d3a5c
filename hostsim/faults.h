// Named fault switches: a run (or one session of it) of the server that goes
// wrong on purpose, so that the client's handling of each failure can be tested.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

enum class Fault {
  kGreet421,         // the greeting is 421 and the connection closes
  kDropAfter150,     // the control connection drops right after the 150 of a RETR/STOR
  kDataHalf426,      // a RETR's data connection closes halfway, reply 426
  kDataHalf226,      // a RETR's data connection closes halfway, reply 226
  kDataStall,        // the data connection opens and nothing moves until the client gives up
  kSlowReply,        // every reply is delayed VALUE milliseconds
  kDataRate,         // data moves at most VALUE bytes per second
  kPasvBadIp,        // the 227 names 10.255.255.1; EPSV is refused so that PASV is used
  kBadReply,         // a malformed reply line to the first subcommand after the logon (or to VALUE)
  kToolNoReply,      // a tool program ends without writing its reply record
  kToolShortReply,   // a tool program's reply record is cut to VALUE bytes (8)
  kDiskFull,         // a STOR fails after VALUE bytes (the first piece) with 452
  kCount
};

// One switch as given: NAME[=VALUE][@SESSION].
struct FaultSwitch {
  Fault fault = Fault::kCount;
  std::string value;         // empty when none was given
  std::uint64_t session = 0; // 1-based control connection number; 0 for every session
};

// Parses one switch (the name without regard to case); false with `err`.
bool ParseFault(std::string_view text, FaultSwitch& out, std::string& err);
// The documented names, in table order.
std::vector<std::string> FaultNames();

// The switches in force in one session.
class SessionFaults {
 public:
  void Set(const FaultSwitch& s);
  void Clear(Fault f) { on_[static_cast<std::size_t>(f)] = false; }
  bool On(Fault f) const { return on_[static_cast<std::size_t>(f)]; }
  // The value given with the switch, or `dflt` when none was.
  std::int64_t Number(Fault f, std::int64_t dflt) const;
  const std::string& Text(Fault f) const { return value_[static_cast<std::size_t>(f)]; }

 private:
  std::array<bool, static_cast<std::size_t>(Fault::kCount)> on_{};
  std::array<std::string, static_cast<std::size_t>(Fault::kCount)> value_{};
};

// The switches of session `session` among `all`.
SessionFaults FaultsOfSession(const std::vector<FaultSwitch>& all, std::uint64_t session);

}  // namespace hostsim
