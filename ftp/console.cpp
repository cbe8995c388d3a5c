#include "ftp/console.h"

#include <cstdio>

#include "common/cp932.h"

namespace kv::ftp {

std::string Console::Raw(std::string_view raw) const {
#ifdef _WIN32
  return std::string(raw);  // the console reads the script's own code page
#else
  return ToUtf8(raw, encoding_);
#endif
}

std::string Console::Text(const std::string& utf8) const {
#ifdef _WIN32
  return encoding_ == TextEncoding::Cp932 ? Utf8ToCp932Lossy(utf8) : utf8;
#else
  return utf8;
#endif
}

void Console::Write(const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), out_);
  std::fputc('\n', out_);
  std::fflush(out_);
}

void Console::Marks(std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) std::fputc('#', out_);
  std::fflush(out_);
}

void Console::EndMarks() {
  std::fputc('\n', out_);
  std::fflush(out_);
}

void Console::Echo(std::string_view scriptLine) { Write("ftp> " + Raw(scriptLine)); }

void Console::ReplyLine(std::string_view line) {
  if (verbose_) Write(Raw(line));
}

void Console::Sent(std::string_view command, bool secret) {
  if (!debug_) return;
  std::string shown(command);
  if (secret) {
    std::size_t blank = shown.find(' ');
    if (blank != std::string::npos) shown = shown.substr(0, blank) + " ****";
  }
  Write("---> " + Raw(shown));
}

void Console::Message(const std::string& utf8) { Write(Text(utf8)); }

void Console::MessageWith(const std::string& utf8Prefix, std::string_view raw, const std::string& utf8Suffix) {
  Write(Text(utf8Prefix) + Raw(raw) + Text(utf8Suffix));
}

void Console::Statistics(std::uint64_t bytes, bool received, double seconds) {
  if (!verbose_) return;
  double ms = seconds * 1000.0;
  double rate = static_cast<double>(bytes) / (ms < 1.0 ? 1.0 : ms);
  char line[160];
  std::snprintf(line, sizeof line, "ftp: %llu bytes %s in %.2fSeconds %.2fKbytes/sec.",
                static_cast<unsigned long long>(bytes), received ? "received" : "sent", seconds, rate);
  Write(line);
}

}  // namespace kv::ftp
