#include "ftp/report.h"

#include <cstdlib>

#include "common/cp932.h"
#include "common/fileio.h"
#include "common/winpath.h"

namespace kv::ftp {

Report Report::FromEnvironment() {
  const char* path = std::getenv(kTransferReportVariable);
  if (!path || !*path) return Report();
  return Report(MapPath(path));
}

Report::Report(const std::string& nativePath) : file_(native::OpenFile(nativePath, "ab")) {}

void Report::Write(const ReportLine& line) {
  if (!file_) return;
  std::string bytes = Utf8ToCp932Lossy(FormatReportLine(line)) + "\r\n";
  // One write per line, flushed at once, so a reader never waits for a line
  // and sees at most the end of one being written.
  std::fwrite(bytes.data(), 1, bytes.size(), file_.get());
  std::fflush(file_.get());
}

ReportedTransfer::ReportedTransfer(Report& report, TransferDirection direction, const std::string& remote,
                                   const std::string& local, std::optional<std::uint64_t> total)
    : report_(report), direction_(direction), index_(report.NextIndex()), total_(total),
      lastProgress_(std::chrono::steady_clock::now()) {
  ReportLine line = Line(ReportEvent::Start);
  line.remote = remote;
  line.local = local;
  report_.Write(line);
}

ReportedTransfer::~ReportedTransfer() {
  if (!ended_) Failed(FailureCause::Local, "the transfer ended without an outcome");
}

ReportLine ReportedTransfer::Line(ReportEvent event) const {
  ReportLine line;
  line.event = event;
  line.index = index_;
  line.direction = direction_;
  line.bytes = bytes_;
  line.total = total_;
  return line;
}

void ReportedTransfer::Moved(std::uint64_t bytes) {
  bytes_ = bytes;
  auto now = std::chrono::steady_clock::now();
  if (now - lastProgress_ < kProgressInterval) return;
  lastProgress_ = now;
  lastReported_ = bytes_;
  report_.Write(Line(ReportEvent::Progress));
}

void ReportedTransfer::Flush() {
  if (bytes_ == lastReported_) return;
  lastProgress_ = std::chrono::steady_clock::now();
  lastReported_ = bytes_;
  report_.Write(Line(ReportEvent::Progress));
}

void ReportedTransfer::Succeeded(std::uint64_t bytes) {
  bytes_ = bytes;
  ended_ = true;
  report_.Write(Line(ReportEvent::Ok));
}

void ReportedTransfer::Failed(FailureCause cause, const std::string& text) {
  ended_ = true;
  ReportLine line = Line(ReportEvent::Failed);
  line.cause = cause;
  line.text = text;
  report_.Write(line);
}

}  // namespace kv::ftp
