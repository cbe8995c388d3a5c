// A private drive C: and an installation media folder for one test. The media
// holds every file of the layout with recognisable contents; its FTP client is
// the stand-in of tests/support (FAKE_FTP_EXIT sets its exit status).
#pragma once
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "setup/media_layout.h"
#include "tests/unit/common/test_support.h"

namespace kvtest {

class SetupDrive : public TempDrive {
 public:
  SetupDrive() {
    WriteBytes(Media() + "/KV-Windows版/hostxfer.exe", "client program");
    std::filesystem::create_directories(Media() + "/setpg");
    std::filesystem::copy_file(KV_FAKE_FTP, Media() + "/setpg/FTP.EXE");
    ::chmod((Media() + "/setpg/FTP.EXE").c_str(), 0755);
    for (auto name : kv::media::kTemplates) WriteBytes(Media() + "/setpg/" + std::string(name), "new " + std::string(name));
    WriteBytes(Media() + "/setpg/KV1.HLP", "help");
    WriteBytes(Media() + "/setpg/KV1.cnt", ":Base KV1.HLP\r\n");
    WriteBytes(Media() + "/setpg/KV1.html", "<html></html>");
    WriteBytes(Media() + "/TRIAL_KVU.SAVF", "savf u");
    WriteBytes(Media() + "/TRIAL_KVD.SAVF", "savf d");
    std::filesystem::create_directories(DriveC() + "/Tools");
    ::setenv("FAKE_FTP_SCRIPT_COPY", (Root() + "/script-seen.txt").c_str(), 1);
    ::unsetenv("FAKE_FTP_EXIT");
    ::unsetenv("FAKE_FTP_REPLY_FILE");
  }
  ~SetupDrive() {
    ::unsetenv("FAKE_FTP_SCRIPT_COPY");
    ::unsetenv("FAKE_FTP_EXIT");
  }
  std::string Media() const { return Root() + "/media"; }
  // The working folder C:\KV-TRANSIT as a native path.
  std::string Dir() const { return DriveC() + "/KV-TRANSIT"; }
  std::string File(const std::string& name) const { return ReadBytes(Dir() + "/" + name); }
  bool Has(const std::string& nativePath) const { return std::filesystem::exists(nativePath); }
  // The script the FTP client was given; empty when it did not run.
  std::string ScriptSeen() const { return ReadBytes(Root() + "/script-seen.txt"); }
};

}  // namespace kvtest
