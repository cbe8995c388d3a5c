#include "client/engine/transfer_watch.h"

#include <cstdio>

#include "client/workfiles/paths.h"
#include "common/cp932.h"
#include "common/fileio.h"
#include "common/winpath.h"

namespace kv {
namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// The get of the host's reply line: its outcome shows in the reply file itself.
bool IsReplyFetch(const ReportedTransfer& t) { return IsGetInto(t, paths::kReplyFetchLocal); }

std::string Amount(double bytes) {
  const char* unit = "KB";
  double value = bytes / 1024.0;
  if (bytes >= 1024.0 * 1024.0 * 1024.0) {
    unit = "GB";
    value = bytes / (1024.0 * 1024.0 * 1024.0);
  } else if (bytes >= 1024.0 * 1024.0) {
    unit = "MB";
    value = bytes / (1024.0 * 1024.0);
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.1f %s", value, unit);
  return text;
}

}  // namespace

bool IsGetInto(const ReportedTransfer& t, std::string_view windowsPath) {
  return t.direction == TransferDirection::Get && SameNameIgnoringCase(t.local, windowsPath);
}

TransferWatch::TransferWatch(std::string reportPath) : nativePath_(MapPath(reportPath)) {}

void TransferWatch::Poll(Clock::time_point now) {
  std::FILE* f = native::OpenFile(nativePath_, "rb");
  if (!f) return;
  std::string bytes;
  if (std::fseek(f, static_cast<long>(offset_), SEEK_SET) == 0) {
    char buffer[8192];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  }
  std::fclose(f);
  offset_ += bytes.size();
  partial_ += bytes;

  std::size_t pos = 0;
  for (std::size_t end; (end = partial_.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
    auto line = ParseReportLine(Cp932ToUtf8Lossy(std::string_view(partial_).substr(pos, end - pos)));
    if (!line) continue;
    if (line->event == ReportEvent::Start) {
      ReportedTransfer t;
      t.index = line->index;
      t.direction = line->direction;
      t.remote = line->remote;
      t.local = line->local;
      t.total = line->total;
      t.seen = now;
      transfers_.push_back(t);
      continue;
    }
    if (transfers_.empty() || transfers_.back().index != line->index) continue;
    ReportedTransfer& t = transfers_.back();
    t.bytes = line->bytes;
    if (line->total) t.total = line->total;
    if (line->event == ReportEvent::Ok) t.state = ReportedTransfer::State::Ok;
    if (line->event == ReportEvent::Failed) {
      t.state = ReportedTransfer::State::Failed;
      t.cause = line->cause;
      t.text = line->text;
    }
  }
  partial_.erase(0, pos);
}

const ReportedTransfer* TransferWatch::Current() const {
  if (transfers_.empty() || transfers_.back().state != ReportedTransfer::State::Running) return nullptr;
  return &transfers_.back();
}

std::optional<ReportedTransfer> TransferWatch::PayloadFailure() const {
  for (const auto& t : transfers_)
    if (t.state != ReportedTransfer::State::Ok && !IsReplyFetch(t)) return t;
  return std::nullopt;
}

std::string ProgressText(const ReportedTransfer& t, TransferWatch::Clock::time_point now,
                         std::chrono::milliseconds delay) {
  const auto elapsed = now - t.seen;
  if (elapsed < delay) return {};
  const double seconds = std::chrono::duration<double>(elapsed).count();
  std::string text = "転送中 " + Amount(static_cast<double>(t.bytes));
  if (t.total && *t.total > 0) {
    const auto percent = static_cast<unsigned>(t.bytes >= *t.total ? 100 : t.bytes * 100 / *t.total);
    text += " / " + Amount(static_cast<double>(*t.total)) + " (" + std::to_string(percent) + "%)";
  }
  text += " " + Amount(static_cast<double>(t.bytes) / seconds) + "/s";
  return text;
}

std::string TransferFailureText(const ReportedTransfer& t) {
  const bool get = t.direction == TransferDirection::Get;
  switch (t.cause) {
    case FailureCause::Local:
      return get ? "PCファイル「" + t.local + "」に書き込めませんでした。保存先を確認して下さい。"
                 : "PCファイル「" + t.local + "」を読み込めませんでした。";
    case FailureCause::Server:
      if (t.state == ReportedTransfer::State::Failed)
        return get ? "ホストからデータを受け取れませんでした。ホストの応答：" + t.text
                   : "ホストがデータを受け付けませんでした。ホストの応答：" + t.text;
      break;
    case FailureCause::Network: break;
  }
  return get ? "データの受信が途中で切れました。もう一度実行して下さい。"
             : "データの送信が途中で切れました。もう一度実行して下さい。";
}

}  // namespace kv
