// Working files: CP932 text, one value per line, CR LF line ends. Paths are
// Windows paths ("c:\KV-TRANSIT\DFT.DAT"); elsewhere they go through MapPath.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace kv {

// Reads every line of a CP932 text file (line ends CR LF, LF or a lone CR; a final
// line without an end counts). Nothing when the file cannot be opened.
std::optional<std::vector<std::string>> ReadAllLines(const std::string& path);
// The first line of the file; nothing when the file is missing or has no line at all.
std::optional<std::string> ReadFirstLine(const std::string& path);

// A file opened for sequential line reads, as the remembered-inputs readers use it.
class LineReader {
 public:
  explicit LineReader(const std::string& path);
  bool IsOpen() const { return lines_.has_value(); }
  // Next line, or nothing when the file is not open or has no more lines.
  std::optional<std::string> Next();

 private:
  std::optional<std::vector<std::string>> lines_;
  std::size_t next_ = 0;
};

// Writes the whole file anew: each line converted to CP932 (unconvertible
// characters become '?') followed by CR LF. The text goes to a temporary file
// beside the target that replaces it only when fully written, so a failed write
// leaves the old file as it was. False when the file could not be written.
bool WriteLines(const std::string& path, const std::vector<std::string>& lines);

// Copies a whole file over `to`; false when it could not (an existing `to` then stays).
bool CopyWholeFile(const std::string& from, const std::string& to);

// Creates one directory; true when it exists afterwards.
bool MakeDirectory(const std::string& path);
// True when the path names an existing file or directory (attributes readable).
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

}  // namespace kv
