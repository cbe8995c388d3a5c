// The command line: the Windows client's options that scripts use, plus the
// time limits and the data-connection mode of this client.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "ftp/tlssettings.h"

namespace kv::ftp {

// Process exit status. The run ends with the highest status any command produced.
namespace exitcode {
constexpr int kOk = 0;             // every command succeeded
constexpr int kCommandFailed = 1;  // a command was refused, unknown or failed locally; a transfer failed
constexpr int kLogonFailed = 2;    // the logon was refused
constexpr int kHostLost = 3;       // the host stopped answering, closed the connection or sent a malformed reply
constexpr int kUsage = 4;          // bad command line or unreadable script file
constexpr int kConnectFailed = 5;  // no connection could be made (unknown host, refused, no greeting)
constexpr int kNotSecure = 6;      // TLS was required but refused, failed, or the certificate was not trusted
}  // namespace exitcode

struct Options {
  std::string scriptPath;        // -s:FILE as typed (a Windows path)
  std::string host;              // a host as the last argument: connect at once
  bool verbose = true;           // -v turns off the display of replies and statistics
  bool autoLogin = true;         // -n: no user and password prompts after open
  bool prompt = true;            // -i
  bool debug = false;            // -d shows the commands sent (the password masked)
  bool glob = true;              // -g
  bool anonymous = false;        // -A
  bool passive = true;           // --active selects PORT/EPRT
  int connectTimeout = 30;       // seconds; 0 = no limit
  int dataTimeout = 120;         // seconds without a byte moving on a data connection
  int replyTimeout = 3600;       // seconds without a byte of an awaited reply
  bool help = false;
  std::optional<TlsMode> tlsMode;    // --tls=off|explicit|implicit, over the settings file
  std::optional<TlsTrust> tlsTrust;  // --tls-trust=FILE|sha256:HEX, over the settings file (FILE as typed)
  TlsSettings tls;                   // what the run uses: the settings file, then the options above
};

struct ParsedOptions {
  std::optional<Options> options;
  std::string error;
};

ParsedOptions ParseOptions(const std::vector<std::string>& args);
std::string UsageText();

}  // namespace kv::ftp
