// The FTP client's side of the report channel (common/transfer_report.h): when
// the environment names a report file, every get and put of the run appends its
// start, its progress (at most a few lines a second) and its outcome there.
// Without the variable nothing is written and nothing else changes.
#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "common/transfer_report.h"

namespace kv::ftp {

class Report {
 public:
  // Opens the file named by the environment for appending; inactive when the
  // variable is unset or the file cannot be opened.
  static Report FromEnvironment();
  Report() = default;
  explicit Report(const std::string& nativePath);

  bool Active() const { return file_ != nullptr; }
  // The number the next transfer gets.
  int NextIndex() { return ++count_; }
  void Write(const ReportLine& line);

 private:
  struct Closer {
    void operator()(std::FILE* f) const {
      if (f) std::fclose(f);
    }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  int count_ = 0;
};

// One get or put as the report sees it: the start line when made, progress
// while bytes move, then exactly one outcome line (a transfer destroyed without
// one is reported as a local failure, so no path can end without an outcome).
class ReportedTransfer {
 public:
  ReportedTransfer(Report& report, TransferDirection direction, const std::string& remote,
                   const std::string& local, std::optional<std::uint64_t> total = std::nullopt);
  ~ReportedTransfer();
  ReportedTransfer(const ReportedTransfer&) = delete;
  ReportedTransfer& operator=(const ReportedTransfer&) = delete;

  void SetTotal(std::optional<std::uint64_t> total) { total_ = total; }
  // Bytes moved so far; a progress line when the last one is old enough.
  void Moved(std::uint64_t bytes);
  // A progress line now, unless the last one already said as much: the data
  // has left, and the server's answer may take a while.
  void Flush();
  void Succeeded(std::uint64_t bytes);
  void Failed(FailureCause cause, const std::string& text);

  // Time between two progress lines.
  static constexpr std::chrono::milliseconds kProgressInterval{200};

 private:
  ReportLine Line(ReportEvent event) const;

  Report& report_;
  TransferDirection direction_;
  int index_;
  std::uint64_t bytes_ = 0;
  std::optional<std::uint64_t> total_;
  bool ended_ = false;
  std::chrono::steady_clock::time_point lastProgress_;
  std::uint64_t lastReported_ = 0;
};

}  // namespace kv::ftp
