// The -s: script reader: file bytes into lines, lines into words, the argument
// of quote, the text shown, and the command table's lookup of the first word.
#include <string>

#include "ftp/commands.h"
#include "ftp/script.h"
#include "ftp/textconv.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes = kv::fuzz::Bytes(data, size);
  kv::ftp::Script script = kv::ftp::SplitScript(bytes);
  std::size_t total = 0;
  for (const auto& line : script.lines) {
    total += line.size();
    if (line.find_first_of("\r\n") != std::string::npos) kv::fuzz::Fail("a line holds a line end");
    auto words = kv::ftp::SplitWords(line);
    std::string rest = kv::ftp::RestAfterFirstWord(line);
    if (rest.size() > line.size()) kv::fuzz::Fail("argument longer than its line");
    (void)kv::ftp::ToUtf8(line, script.encoding);
    if (!words.empty()) {
      bool ambiguous = false;
      (void)kv::ftp::FindCommand(words.front(), ambiguous);
    }
  }
  if (total > bytes.size()) kv::fuzz::Fail("lines longer than the file");
  // Text-mode line ends of the same bytes, in two buffers.
  kv::ftp::CrLfConverter conv;
  std::string out, all;
  std::size_t half = size / 2;
  conv.Convert(bytes.data(), half, out);
  all += out;
  conv.Convert(bytes.data() + half, size - half, out);
  all += out;
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i] == '\n' && (i == 0 || all[i - 1] != '\r')) kv::fuzz::Fail("a lone LF after conversion");
  return 0;
}
