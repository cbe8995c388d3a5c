// The transfer client's side of the report channel (common/transfer_report.h):
// reads the lines the FTP client appends while it runs (progress) and after it
// has ended (the outcome of each get and put). A client that does not report
// leaves the file empty, and then nothing here changes what the run shows.
#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/transfer_report.h"

namespace kv {

// One get or put of the run as reported so far.
struct ReportedTransfer {
  enum class State { Running, Ok, Failed };
  int index = 0;
  TransferDirection direction = TransferDirection::Get;
  std::string remote, local;
  std::uint64_t bytes = 0;
  std::optional<std::uint64_t> total;
  State state = State::Running;
  FailureCause cause = FailureCause::Network;
  std::string text;
  std::chrono::steady_clock::time_point seen;  // when its start line was read
};

class TransferWatch {
 public:
  using Clock = std::chrono::steady_clock;

  // `reportPath` is the report file's Windows path.
  explicit TransferWatch(std::string reportPath);

  // Reads the complete lines appended since the last call; a line still being
  // written waits for the next call.
  void Poll(Clock::time_point now = Clock::now());

  const std::vector<ReportedTransfer>& Transfers() const { return transfers_; }
  // The transfer under way, if any.
  const ReportedTransfer* Current() const;
  // The first transfer of the PC's data (every one but the reply fetch) that did
  // not succeed: failed, or never ended. Nothing when all succeeded or nothing
  // was reported.
  std::optional<ReportedTransfer> PayloadFailure() const;

 private:
  std::string nativePath_;
  std::uint64_t offset_ = 0;
  std::string partial_;
  std::vector<ReportedTransfer> transfers_;
};

// Whether `t` is a get into the PC file `windowsPath` (names compared as
// Windows does, without regard to case).
bool IsGetInto(const ReportedTransfer& t, std::string_view windowsPath);

// "転送中 123.4 MB / 512.0 MB (24%) 45.6 MB/s"; without a total the bytes and the
// rate. Empty until the transfer has run for `delay` (a short transfer shows nothing).
std::string ProgressText(const ReportedTransfer& t, TransferWatch::Clock::time_point now,
                         std::chrono::milliseconds delay = std::chrono::milliseconds(500));

// The warning box text for a payload transfer that failed while the host's
// reply said OK.
std::string TransferFailureText(const ReportedTransfer& t);

}  // namespace kv
