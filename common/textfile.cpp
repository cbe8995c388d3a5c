#include "common/textfile.h"

#include <cstdio>

#include "common/cp932.h"
#include "common/fileio.h"
#include "common/winpath.h"

namespace kv {

std::optional<std::vector<std::string>> ReadAllLines(const std::string& path) {
  FILE* f = native::OpenFile(MapPath(path), "rb");
  if (!f) return std::nullopt;
  std::string bytes;
  char buf[8192];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  std::fclose(f);

  // One conversion for the whole file: CR and LF never occur inside a CP932
  // character, so splitting the converted text gives the same lines.
  bytes = Cp932ToUtf8Lossy(bytes);
  std::vector<std::string> lines;
  std::string cur;
  bool pending = false;  // a line has started but not ended
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      pending = false;
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      cur.push_back(c);
      pending = true;
    }
  }
  if (pending) lines.push_back(cur);
  return lines;
}

std::optional<std::string> ReadFirstLine(const std::string& path) {
  auto lines = ReadAllLines(path);
  if (!lines || lines->empty()) return std::nullopt;
  return lines->front();
}

LineReader::LineReader(const std::string& path) : lines_(ReadAllLines(path)) {}

std::optional<std::string> LineReader::Next() {
  if (!lines_ || next_ >= lines_->size()) return std::nullopt;
  return (*lines_)[next_++];
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string target = MapPath(path);
  std::string temp = target + ".kvtmp";
  FILE* f = native::OpenFile(temp, "wb");
  if (!f) return false;
  bool ok = true;
  for (const auto& line : lines) {
    std::string bytes = Utf8ToCp932Lossy(line);
    bytes += "\r\n";
    if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) ok = false;
  }
  if (std::fclose(f) != 0) ok = false;
  if (ok) ok = native::MoveReplacing(temp, target);
  if (!ok) native::RemoveFile(temp);
  return ok;
}

bool CopyWholeFile(const std::string& from, const std::string& to) {
  return native::CopyReplacing(MapPath(from), MapPath(to));
}

bool MakeDirectory(const std::string& path) {
#ifndef _WIN32
  // Drive C: always exists on Windows; here its folder is made on first use.
  native::MakeDirs(DriveCRoot());
#endif
  return native::MakeDir(MapPath(path));
}
bool PathExists(const std::string& path) { return native::Exists(MapPath(path)); }
bool IsDirectory(const std::string& path) { return native::IsDir(MapPath(path)); }

}  // namespace kv
