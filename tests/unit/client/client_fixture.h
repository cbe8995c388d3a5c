// A fresh drive C: with the stand-in FTP client installed as C:\KV-TRANSIT\FTP.EXE,
// and helpers to read what the client wrote and to choose the host's reply.
#pragma once
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/cp932.h"
#include "tests/unit/common/test_support.h"

namespace kvtest {

class ClientDrive : public TempDrive {
 public:
  ClientDrive() {
    std::filesystem::create_directories(Dir());
    std::filesystem::copy_file(KV_FAKE_FTP, Dir() + "/FTP.EXE");
    ::chmod((Dir() + "/FTP.EXE").c_str(), 0755);
    ::setenv("FAKE_FTP_SCRIPT_COPY", (Root() + "/script-seen.txt").c_str(), 1);
    ::unsetenv("FAKE_FTP_REPLY_FILE");
    ::unsetenv("FAKE_FTP_SLEEP_MS");
    ::unsetenv("FAKE_FTP_REPORT");
  }
  ~ClientDrive() {
    ::unsetenv("FAKE_FTP_SCRIPT_COPY");
    ::unsetenv("FAKE_FTP_REPLY_FILE");
    ::unsetenv("FAKE_FTP_REPORT");
  }
  // What the stand-in reports for the next run (report lines, UTF-8 = ASCII here).
  void SetReport(const std::string& lines) {
    WriteBytes(Root() + "/report.txt", lines);
    ::setenv("FAKE_FTP_REPORT", (Root() + "/report.txt").c_str(), 1);
  }
  // The install directory C:\KV-TRANSIT as a native path.
  std::string Dir() const { return DriveC() + "/KV-TRANSIT"; }
  // The host's reply for the next run: a UTF-8 line written as CP932 with CR LF.
  void SetReply(const std::string& line) {
    WriteBytes(Root() + "/reply.txt", kv::Utf8ToCp932(line).value() + "\r\n");
    ::setenv("FAKE_FTP_REPLY_FILE", (Root() + "/reply.txt").c_str(), 1);
  }
  // No reply arrives: the fetch fails and the reply file keeps what it had.
  void NoReply() { ::unsetenv("FAKE_FTP_REPLY_FILE"); }
  // The script as the FTP client received it (raw CP932 bytes).
  std::string ScriptSeen() const { return ReadBytes(Root() + "/script-seen.txt"); }
  // A working file of C:\KV-TRANSIT, raw bytes.
  std::string File(const std::string& name) const { return ReadBytes(Dir() + "/" + name); }
  void PutFile(const std::string& name, const std::string& bytes) const { WriteBytes(Dir() + "/" + name, bytes); }
  // UTF-8 lines joined with CR LF and converted to CP932, for byte comparisons.
  static std::string Cp932Lines(std::initializer_list<std::string> lines) {
    std::string out;
    for (const auto& l : lines) out += kv::Utf8ToCp932(l).value() + "\r\n";
    return out;
  }
};

}  // namespace kvtest
