#include "ftp/tlssettings.h"

#include <sstream>

namespace kv::ftp {
namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

const char* TlsModeName(TlsMode mode) {
  switch (mode) {
    case TlsMode::Explicit: return "explicit";
    case TlsMode::Implicit: return "implicit";
    default: return "off";
  }
}

std::optional<TlsMode> ParseTlsMode(const std::string& text) {
  std::string t = Lower(text);
  if (t == "off") return TlsMode::Off;
  if (t == "explicit") return TlsMode::Explicit;
  if (t == "implicit") return TlsMode::Implicit;
  return std::nullopt;
}

bool ParseTlsTrust(const std::string& text, TlsTrust& trust) {
  if (Lower(text.substr(0, 7)) != "sha256:") {
    if (text.empty()) return false;
    trust = TlsTrust{text, {}};
    return true;
  }
  std::string bytes;
  int high = -1;
  for (std::size_t i = 7; i < text.size(); ++i) {
    char c = text[i];
    // "AB:CD:..." as openssl prints it: a colon only between two pairs.
    if (c == ':' && high < 0 && !bytes.empty() && i + 1 < text.size() && text[i + 1] != ':') continue;
    int d = HexDigit(c);
    if (d < 0) return false;
    if (high < 0) {
      high = d;
    } else {
      bytes += static_cast<char>(high * 16 + d);
      high = -1;
    }
  }
  if (high >= 0 || bytes.size() != 32) return false;
  trust = TlsTrust{{}, bytes};
  return true;
}

std::string HexText(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned char b : bytes) text += kHex[b >> 4], text += kHex[b & 15];
  return text;
}

std::string SettingsFileFor(const std::string& programPath) {
  if (programPath.empty()) return {};
  std::size_t n = programPath.size();
  if (n > 4 && programPath.compare(n - 4, 4, ".EXE") == 0) return programPath.substr(0, n - 3) + "INI";
  if (n > 4 && Lower(programPath.substr(n - 4)) == ".exe") return programPath.substr(0, n - 3) + "ini";
  return programPath + ".ini";
}

bool ReadTlsSettings(const std::string& text, TlsSettings& settings, std::string& error) {
  std::istringstream in(text);
  std::string line;
  bool inTls = false;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    line = Trim(line);
    if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line = Trim(line.substr(3));
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      inTls = Lower(line) == "[tls]";
      continue;
    }
    if (!inTls) continue;
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = Lower(Trim(line.substr(0, eq)));
    std::string value = Trim(line.substr(eq + 1));
    if (key == "mode") {
      auto mode = ParseTlsMode(value);
      if (!mode) {
        error = "line " + std::to_string(number) + ": Mode must be off, explicit or implicit, not \"" + value + "\"";
        return false;
      }
      settings.mode = *mode;
    } else if (key == "trust") {
      if (value.empty()) {
        settings.trust = {};
      } else if (!ParseTlsTrust(value, settings.trust)) {
        error = "line " + std::to_string(number) + ": Trust must be a file name or sha256: with 64 hex digits";
        return false;
      }
    }
  }
  return true;
}

}  // namespace kv::ftp
