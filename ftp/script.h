// The script file and the words of its lines. Lines keep the bytes of the file
// (code page 932 unless the file starts with a UTF-8 byte-order mark), so that
// remote names and raw commands reach the server exactly as written.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::ftp {

enum class TextEncoding { Cp932, Utf8 };

struct Script {
  std::vector<std::string> lines;
  TextEncoding encoding = TextEncoding::Cp932;
};

// Splits file bytes into lines: CR LF, LF and a lone CR all end a line; a last line
// without an end counts; a leading UTF-8 byte-order mark is dropped and marks the
// script as UTF-8.
Script SplitScript(std::string_view bytes);
// Reads and splits a script file (native path); nothing when it cannot be read.
std::optional<Script> LoadScript(const std::string& nativePath);

// Words of a line: blanks and tabs separate them; a double-quoted stretch belongs to
// one word and loses its quotes ("C:\a b\c.txt"); single quotes are ordinary.
std::vector<std::string> SplitWords(std::string_view line);
// The text after the first word and the blanks that follow it, without trailing
// blanks, inner blanks and quotes kept as written (the argument of quote/literal).
std::string RestAfterFirstWord(std::string_view line);

// Text of a script line (or of a server reply) in UTF-8.
std::string ToUtf8(std::string_view text, TextEncoding encoding);

}  // namespace kv::ftp
