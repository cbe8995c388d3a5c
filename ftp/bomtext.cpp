#include "ftp/bomtext.h"

#include <cstdio>
#include <vector>

#include "common/cp932.h"

namespace kv::ftp {
namespace {

// Length of the UTF-8 sequence that `lead` starts, or 0 for a byte that starts none.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Where the last complete character of `text` ends: a sequence cut by the end
// is left for the next buffer.
std::size_t CompleteLength(std::string_view text) {
  std::size_t start = text.size();
  for (std::size_t back = 1; back <= 4 && back <= text.size(); ++back) {
    unsigned char c = static_cast<unsigned char>(text[text.size() - back]);
    if ((c & 0xC0) != 0x80) {
      start = text.size() - back;
      std::size_t n = SequenceLength(c);
      return n > back ? start : text.size();
    }
  }
  return text.size();
}

}  // namespace

bool SkipUtf8Mark(std::FILE* file) {
  unsigned char head[3] = {};
  const std::size_t n = std::fread(head, 1, sizeof head, file);
  if (n == 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) return true;
  std::rewind(file);
  return false;
}

bool Utf8ToCp932Stream::Fail(std::string_view text) {
  // Finds the first character that does not convert, to name it and its line.
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t n = SequenceLength(c);
    if (n == 0 || i + n > text.size() || !Utf8ToCp932(text.substr(i, n))) {
      std::uint64_t line = line_;
      for (std::size_t k = 0; k < i; ++k) line += text[k] == '\n';
      char code[16] = "";
      bool utf8 = n != 0 && i + n <= text.size();
      if (utf8) {
        char32_t cp = n == 1 ? c : c & (0xFF >> (n + 1));
        for (std::size_t k = 1; k < n; ++k) {
          const unsigned char t = static_cast<unsigned char>(text[i + k]);
          utf8 = utf8 && (t & 0xC0) == 0x80;
          cp = cp << 6 | (t & 0x3F);
        }
        if (utf8) std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
      }
      error_ = "line " + std::to_string(line) + ": " +
               (utf8 ? std::string("the character ") + code + " has no form in code page 932"
                     : std::string("the bytes are not UTF-8 text"));
      return false;
    }
    i += n;
  }
  error_ = "the text cannot be converted to code page 932";
  return false;
}

bool Utf8ToCp932Stream::Convert(const char* data, std::size_t size, std::string& out) {
  out.clear();
  std::string text = std::move(pending_);
  pending_.clear();
  text.append(data, size);
  const std::size_t complete = CompleteLength(text);
  pending_.assign(text, complete, std::string::npos);
  text.resize(complete);
  auto converted = Utf8ToCp932(text);
  if (!converted) return Fail(text);
  out = std::move(*converted);
  for (char c : text) line_ += c == '\n';
  return true;
}

bool Utf8ToCp932Stream::Finish() {
  if (pending_.empty()) return true;
  error_ = "line " + std::to_string(line_) + ": the text ends inside a character";
  return false;
}

bool CheckUtf8Text(std::FILE* file, std::string& why) {
  const long start = std::ftell(file);
  Utf8ToCp932Stream stream;
  std::vector<char> buffer(1 << 16);
  std::string out;
  bool ok = true;
  for (;;) {
    std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file);
    if (n == 0) break;
    if (!stream.Convert(buffer.data(), n, out)) {
      ok = false;
      break;
    }
  }
  if (ok && std::ferror(file)) {
    why = "the file cannot be read";
    return false;
  }
  if (ok) ok = stream.Finish();
  if (!ok) why = stream.Error();
  std::fseek(file, start, SEEK_SET);
  return ok;
}

}  // namespace kv::ftp
