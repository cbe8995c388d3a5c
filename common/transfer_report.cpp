#include "common/transfer_report.h"

#include <charconv>
#include <vector>

namespace kv {
namespace {

constexpr std::string_view kEvents[] = {"start", "progress", "ok", "failed"};
constexpr std::string_view kDirections[] = {"get", "put"};
constexpr std::string_view kCauses[] = {"server", "local", "network"};

std::string Field(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return out;
}

template <typename E, std::size_t N>
std::optional<E> Lookup(const std::string_view (&names)[N], std::string_view word) {
  for (std::size_t i = 0; i < N; ++i)
    if (names[i] == word) return static_cast<E>(i);
  return std::nullopt;
}

std::optional<std::uint64_t> Number(std::string_view s) {
  std::uint64_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

}  // namespace

std::string FormatReportLine(const ReportLine& l) {
  std::string out(kEvents[static_cast<int>(l.event)]);
  out += '\t' + std::to_string(l.index);
  out += '\t';
  out += kDirections[static_cast<int>(l.direction)];
  out += '\t' + std::to_string(l.bytes);
  out += '\t' + (l.total ? std::to_string(*l.total) : std::string());
  if (l.event == ReportEvent::Start) out += '\t' + Field(l.remote) + '\t' + Field(l.local);
  if (l.event == ReportEvent::Failed) {
    out += '\t';
    out += kCauses[static_cast<int>(l.cause)];
    out += '\t' + Field(l.text);
  }
  return out;
}

std::optional<ReportLine> ParseReportLine(std::string_view text) {
  std::vector<std::string_view> f;
  for (std::size_t pos = 0;;) {
    std::size_t tab = text.find('\t', pos);
    f.push_back(text.substr(pos, tab == std::string_view::npos ? std::string_view::npos : tab - pos));
    if (tab == std::string_view::npos) break;
    pos = tab + 1;
  }
  if (f.size() < 5) return std::nullopt;
  ReportLine l;
  auto event = Lookup<ReportEvent>(kEvents, f[0]);
  auto index = Number(f[1]);
  auto direction = Lookup<TransferDirection>(kDirections, f[2]);
  auto bytes = Number(f[3]);
  if (!event || !index || !direction || !bytes) return std::nullopt;
  l.event = *event;
  l.index = static_cast<int>(*index);
  l.direction = *direction;
  l.bytes = *bytes;
  if (!f[4].empty()) {
    l.total = Number(f[4]);
    if (!l.total) return std::nullopt;
  }
  const std::size_t want = l.event == ReportEvent::Start || l.event == ReportEvent::Failed ? 7 : 5;
  if (f.size() != want) return std::nullopt;
  if (l.event == ReportEvent::Start) {
    l.remote = std::string(f[5]);
    l.local = std::string(f[6]);
  } else if (l.event == ReportEvent::Failed) {
    auto cause = Lookup<FailureCause>(kCauses, f[5]);
    if (!cause) return std::nullopt;
    l.cause = *cause;
    l.text = std::string(f[6]);
  }
  return l;
}

}  // namespace kv
