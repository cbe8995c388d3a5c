// The report channel between the transfer client and the FTP client it starts.
// The transfer client names a file in the FTP client's environment
// (kTransferReportVariable, a Windows path); a client that knows the channel
// appends one line to it for each event of each get and put it runs, and a
// client that does not leaves the file empty. Lines are code page 932 text
// ending in CR LF, fields separated by tabs:
//
//   start     N  get|put  0      TOTAL  REMOTE  LOCAL
//   progress  N  get|put  BYTES  TOTAL
//   ok        N  get|put  BYTES  TOTAL
//   failed    N  get|put  BYTES  TOTAL  CAUSE   TEXT
//
// N counts the get and put commands of the run from 1. BYTES are the bytes moved
// so far (the wire's for a get, the local file's for a put); TOTAL is the size
// when known (the local file's for a put, the size the server announced for a
// get), else empty. CAUSE says where a transfer failed: "server" (TEXT is the
// server's reply), "local" (the PC file could not be opened, read or written;
// TEXT is the client's message) or "network" (the data connection failed).
// A start without an ok or failed line is a transfer that never ended.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

inline constexpr const char* kTransferReportVariable = "KV_FTP_REPORT";

enum class ReportEvent { Start, Progress, Ok, Failed };
enum class TransferDirection { Get, Put };
enum class FailureCause { Server, Local, Network };

struct ReportLine {
  ReportEvent event = ReportEvent::Start;
  int index = 0;
  TransferDirection direction = TransferDirection::Get;
  std::uint64_t bytes = 0;
  std::optional<std::uint64_t> total = std::nullopt;
  std::string remote = {};  // start only
  std::string local = {};   // start only: the local name as the script gives it
  FailureCause cause = FailureCause::Network;  // failed only
  std::string text = {};    // failed only
};

// One line without its line end, UTF-8. Tabs and line breaks inside a text
// become blanks, so a line always holds its fields.
std::string FormatReportLine(const ReportLine& line);
// A line without its line end, UTF-8; nothing when it is not a report line.
std::optional<ReportLine> ParseReportLine(std::string_view line);

}  // namespace kv
