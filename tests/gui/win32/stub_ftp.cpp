// Stand-in for the FTP client under Wine, installed as C:\KV-TRANSIT\FTP.EXE by
// the GUI tests. It talks to the test through files in C:\kvgui\stub:
//   runs.log   one line appended per start (the test counts runs)
//   script.txt the script it was given (-s:path), byte for byte
//   reply.txt  if present, copied to C:\KV-TRANSIT\FTPTEXT.DAT as the host's reply
//   sleep.txt  if present, milliseconds to run before ending
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kDir[] = "C:\\kvgui\\stub\\";

std::string ReadAll(const std::string& path, bool* ok = nullptr) {
  std::string bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (ok) *ok = f != nullptr;
  if (!f) return bytes;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  std::fclose(f);
  return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes, const char* mode) {
  FILE* f = std::fopen(path.c_str(), mode);
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  std::string script;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]).rfind("-s:", 0) == 0) script = argv[i] + 3;
  WriteAll(std::string(kDir) + "runs.log", script + "\r\n", "ab");
  WriteAll(std::string(kDir) + "script.txt", ReadAll(script), "wb");
  bool haveReply = false;
  std::string reply = ReadAll(std::string(kDir) + "reply.txt", &haveReply);
  bool haveSleep = false;
  std::string sleep = ReadAll(std::string(kDir) + "sleep.txt", &haveSleep);
  if (haveSleep) Sleep(static_cast<DWORD>(std::atoi(sleep.c_str())));
  if (haveReply) WriteAll("C:\\KV-TRANSIT\\FTPTEXT.DAT", reply, "wb");
  return 0;
}
