#include "ftp/options.h"

#include <cstdlib>

namespace kv::ftp {
namespace {

bool Seconds(const std::string& text, int& out) {
  if (text.empty() || text.size() > 7) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  out = std::atoi(text.c_str());
  return true;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

std::string UsageText() {
  return "Usage: FTP [-v] [-d] [-i] [-n] [-g] [-a] [-A] [-s:filename] [--active|--passive]\n"
         "           [--connect-timeout=S] [--data-timeout=S] [--reply-timeout=S]\n"
         "           [--tls=off|explicit|implicit] [--tls-trust=FILE|sha256:HEX] [host]\n"
         "  -s:filename        run the commands of the file (code page 932, or UTF-8 with a BOM)\n"
         "  -v                 do not show server replies and transfer statistics\n"
         "  -n                 no user and password prompts after open (use \"user\")\n"
         "  -d                 show the commands sent (the password is masked)\n"
         "  -i, -g, -a         accepted for compatibility\n"
         "  -A                 log on as anonymous\n"
         "  --active           data connections by PORT/EPRT (default: EPSV, then PASV)\n"
         "  --connect-timeout  seconds to wait for a connection (default 30, 0 = no limit)\n"
         "  --data-timeout     seconds a data connection may stay without traffic (default 120)\n"
         "  --reply-timeout    seconds to wait for a server reply (default 3600)\n"
         "  --tls              TLS for logon and data: explicit (AUTH TLS) or implicit;\n"
         "                     off is the default (also set by [TLS] Mode= in the .ini beside the program)\n"
         "  --tls-trust        trust this PEM certificate or CA file, or the certificate with\n"
         "                     this SHA-256 fingerprint, instead of the system's trust store\n"
         "Exit status: 0 every command succeeded, 1 a command or transfer failed,\n"
         "  2 logon refused, 3 host stopped answering or closed the connection,\n"
         "  4 bad command line, script or settings file, 5 no connection,\n"
         "  6 no secure connection (TLS refused or failed, certificate not trusted);\n"
         "  the highest one counts.";
}

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
  Options o;
  ParsedOptions result;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    int value = 0;
    if (a == "-v") o.verbose = false;
    else if (a == "-n") o.autoLogin = false;
    else if (a == "-i") o.prompt = false;
    else if (a == "-d") o.debug = true;
    else if (a == "-g") o.glob = false;
    else if (a == "-a") continue;
    else if (a == "-A") o.anonymous = true;
    else if (a == "-?" || a == "--help" || a == "-h") o.help = true;
    else if (StartsWith(a, "-s:")) {
      o.scriptPath = a.substr(3);
      if (o.scriptPath.empty()) {
        result.error = "-s: needs a file name";
        return result;
      }
    } else if ((StartsWith(a, "-x:") || StartsWith(a, "-r:") || StartsWith(a, "-b:") || StartsWith(a, "-w:")) &&
               Seconds(a.substr(3), value)) {
      continue;  // buffer sizes of the Windows client; this client sizes its own buffers
    } else if (a == "--active") o.passive = false;
    else if (a == "--passive") o.passive = true;
    else if (StartsWith(a, "--connect-timeout=") && Seconds(a.substr(18), o.connectTimeout)) continue;
    else if (StartsWith(a, "--data-timeout=") && Seconds(a.substr(15), o.dataTimeout)) continue;
    else if (StartsWith(a, "--reply-timeout=") && Seconds(a.substr(16), o.replyTimeout)) continue;
    else if (StartsWith(a, "--tls=") && (o.tlsMode = ParseTlsMode(a.substr(6)))) continue;
    else if (StartsWith(a, "--tls-trust=") && ParseTlsTrust(a.substr(12), o.tlsTrust.emplace())) continue;
    else if (!a.empty() && a[0] != '-' && i + 1 == args.size()) o.host = a;
    else {
      result.error = "unknown or malformed option: " + a;
      return result;
    }
  }
  result.options = o;
  return result;
}

}  // namespace kv::ftp
