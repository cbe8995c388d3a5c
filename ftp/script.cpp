#include "ftp/script.h"

#include <cstdio>

#include "common/cp932.h"
#include "common/fileio.h"

namespace kv::ftp {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

Script SplitScript(std::string_view bytes) {
  Script script;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    script.encoding = TextEncoding::Utf8;
    bytes.remove_prefix(3);
  }
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      script.lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) script.lines.push_back(line);
  return script;
}

std::optional<Script> LoadScript(const std::string& nativePath) {
  FILE* f = native::OpenFile(nativePath, "rb");
  if (!f) return std::nullopt;
  std::string bytes;
  char buffer[8192];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return std::nullopt;
  return SplitScript(bytes);
}

std::vector<std::string> SplitWords(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::string word;
    bool quoted = false;
    while (i < line.size() && (quoted || !IsBlank(line[i]))) {
      if (line[i] == '"')
        quoted = !quoted;
      else
        word += line[i];
      ++i;
    }
    words.push_back(word);
  }
  return words;
}

std::string RestAfterFirstWord(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  while (i < line.size() && IsBlank(line[i])) ++i;
  std::size_t end = line.size();
  while (end > i && IsBlank(line[end - 1])) --end;
  return std::string(line.substr(i, end - i));
}

std::string ToUtf8(std::string_view text, TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8) return std::string(text);
  return Cp932ToUtf8Lossy(text);
}

}  // namespace kv::ftp
