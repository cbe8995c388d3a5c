// What TLS a run uses: the mode and what to trust, from the settings file beside
// the program and from the command line, which overrides it.
//
// The settings file is the program's name with ".ini" (FTP.INI beside FTP.EXE,
// kvftp.ini beside kvftp):
//   [TLS]
//   Mode=off | explicit | implicit
//   Trust=C:\certs\host.pem | sha256:HEX
#pragma once
#include <optional>
#include <string>

namespace kv::ftp {

enum class TlsMode {
  Off,       // clear text, as the Windows client does
  Explicit,  // AUTH TLS on the control port, then PBSZ 0 and PROT P; required
  Implicit,  // TLS from the first byte (port 990 unless the script names one); required
};

struct TlsTrust {
  std::string file;    // a PEM certificate or CA file (a native path); empty: the system's trust store
  std::string sha256;  // 32 bytes: accept exactly the certificate with this SHA-256 fingerprint
};

struct TlsSettings {
  TlsMode mode = TlsMode::Off;
  TlsTrust trust;
};

// "off", "explicit", "implicit" (case ignored).
std::optional<TlsMode> ParseTlsMode(const std::string& text);
// "sha256:HEX" (64 hex digits, colons allowed between them) or a file name; for a
// file name `trust.file` is set as written. False for a malformed fingerprint.
bool ParseTlsTrust(const std::string& text, TlsTrust& trust);
// The lowercase hex of `bytes` ("sha256:" not included).
std::string HexText(const std::string& bytes);

// Reads the [TLS] section of a settings file's text into `settings`; false and
// `error` set for a value it does not understand. Other sections and keys are ignored.
bool ReadTlsSettings(const std::string& text, TlsSettings& settings, std::string& error);

const char* TlsModeName(TlsMode mode);

// The settings file of the program at `programPath`: its name with ".INI" in
// place of ".EXE" (".ini" for ".exe"), or ".ini" added when it has no such ending.
std::string SettingsFileFor(const std::string& programPath);

}  // namespace kv::ftp
