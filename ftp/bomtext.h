// A text-mode put of a file that starts with the UTF-8 byte-order mark (as
// spreadsheet programs write "CSV UTF-8") sends the text in code page 932, the
// code page of every other PC text file here, without the mark. A character
// that has no code page 932 form is never replaced by another: the put fails
// before anything is sent.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kv::ftp {

// Whether the file starts with the mark. Leaves the file positioned after the
// mark when it does, at its start otherwise.
bool SkipUtf8Mark(std::FILE* file);

// UTF-8 to code page 932 across buffers: a character cut by the end of one
// buffer is completed by the next.
class Utf8ToCp932Stream {
 public:
  // Appends the converted text of `data` to `out` (cleared first). Returns false
  // at bytes that are not UTF-8 or a character without a code page 932 form;
  // Error() then says which, and on which line.
  bool Convert(const char* data, std::size_t size, std::string& out);
  // False when the text ends inside a character.
  bool Finish();
  const std::string& Error() const { return error_; }

 private:
  bool Fail(std::string_view text);
  std::string pending_;   // the start of a character cut by the buffer's end
  std::uint64_t line_ = 1;
  std::string error_;
};

// Reads the rest of `file` through the converter without keeping the text, so
// that a put can be refused before it starts; the file is then positioned
// where it was. Returns false with the reason.
bool CheckUtf8Text(std::FILE* file, std::string& why);

}  // namespace kv::ftp
