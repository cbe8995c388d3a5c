// A stand-in for the FTP client, installed as C:\KV-TRANSIT\FTP.EXE in tests of
// the client. It keeps the script it was given and plays the host's part only
// as far as the reply file goes:
//   FAKE_FTP_SCRIPT_COPY  native path where the script's bytes are copied
//   FAKE_FTP_REPLY_FILE   native path of a file whose bytes become FTPTEXT.DAT
//                         (unset: the reply fetch "fails" and the file is left alone)
//   FAKE_FTP_REPORT       native path of a file whose bytes are appended to the
//                         report file named by KV_FTP_REPORT before the sleep
//                         (unset: the stand-in reports nothing, as any other client)
//   FAKE_FTP_SLEEP_MS     run this long before ending
//   FAKE_FTP_EXIT         exit status (default 0)
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "common/winpath.h"

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

int main(int argc, char** argv) {
  std::string script;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a.rfind("-s:", 0) == 0) script = a.substr(3);
  }
  if (script.empty()) return 9;
  std::string bytes = ReadAll(kv::MapPath(script));
  if (!Env("FAKE_FTP_SCRIPT_COPY").empty()) std::ofstream(Env("FAKE_FTP_SCRIPT_COPY"), std::ios::binary) << bytes;
  if (!Env("FAKE_FTP_REPLY_FILE").empty()) {
    std::ofstream(kv::MapPath("C:\\KV-TRANSIT\\FTPTEXT.DAT"), std::ios::binary) << ReadAll(Env("FAKE_FTP_REPLY_FILE"));
  }
  if (!Env("FAKE_FTP_REPORT").empty() && !Env("KV_FTP_REPORT").empty())
    std::ofstream(kv::MapPath(Env("KV_FTP_REPORT")), std::ios::binary | std::ios::app) << ReadAll(Env("FAKE_FTP_REPORT"));
  if (!Env("FAKE_FTP_SLEEP_MS").empty())
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(Env("FAKE_FTP_SLEEP_MS").c_str())));
  return Env("FAKE_FTP_EXIT").empty() ? 0 : std::atoi(Env("FAKE_FTP_EXIT").c_str());
}
