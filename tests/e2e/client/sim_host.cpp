#include "tests/e2e/client/sim_host.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "client/workfiles/paths.h"
#include "common/cp932.h"
#include "common/run_wait.h"
#include "common/winpath.h"
#include "setup/host_library_script.h"

extern char** environ;

namespace kvtest {

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

namespace {

int RunCommand(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

SimHost::SimHost(const std::string& seedFile, std::vector<std::string> hostArgs) {
  char tmpl[] = "/tmp/kv-e2e-XXXXXX";
  root_ = ::mkdtemp(tmpl);
  std::filesystem::create_directories(InstallDir());
  ::setenv("KV_DRIVE_C", DriveC().c_str(), 1);
  ::setenv("KV_FTP_LOG", (root_ + "/ftp.log").c_str(), 1);
  ok_ = Start(seedFile, hostArgs) && InstallToolLibrary();
}

SimHost::~SimHost() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status;
    ::waitpid(pid_, &status, 0);
  }
  if (!std::getenv("KV_E2E_KEEP")) {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
}

bool SimHost::Start(const std::string& seedFile, const std::vector<std::string>& hostArgs) {
  // A loopback address of our own, so that tests running side by side each
  // have port 21 to themselves.
  std::random_device rd;
  std::mt19937 gen(rd() ^ static_cast<unsigned>(::getpid()));
  for (int attempt = 0; attempt < 20 && pid_ < 0; ++attempt) {
    address_ = "127." + std::to_string(20 + gen() % 200) + "." + std::to_string(1 + gen() % 250) + "." +
               std::to_string(2 + gen() % 250);
    int out[2];
    if (::pipe(out) != 0) break;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    posix_spawn_file_actions_addopen(&fa, 2, (root_ + "/hostsim.err").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    std::vector<std::string> argv = {KV_HOSTSIM, "--listen", address_ + ":21", "--seed", seedFile};
    argv.insert(argv.end(), hostArgs.begin(), hostArgs.end());
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    if (rc != 0) {
      ::close(out[0]);
      error_ = "hostsim could not be started";
      return false;
    }
    // The first line says where it listens (after the certificate's fingerprint
    // with TLS); nothing means it could not bind.
    std::string line;
    for (bool more = true; more;) {
      line.clear();
      char c;
      while (::read(out[0], &c, 1) == 1 && c != '\n') line.push_back(c);
      more = line.rfind("certificate ", 0) == 0;
      if (more) fingerprint_ = line.substr(12);
    }
    ::close(out[0]);
    if (line.rfind("listening ", 0) == 0) {
      pid_ = pid;
    } else {
      ::kill(pid, SIGTERM);
      int status;
      ::waitpid(pid, &status, 0);
      error_ = "hostsim did not listen: " + ReadFile(root_ + "/hostsim.err");
    }
  }
  return pid_ > 0;
}

bool SimHost::InstallToolLibrary() {
  std::string media = root_ + "/media";
  std::filesystem::create_directories(media);
  if (RunCommand({KV_HOSTSIM, "mksavf", "--tool-library", "TRIAL_KVU", media + "/TRIAL_KVU.SAVF"}) != 0 ||
      RunCommand({KV_HOSTSIM, "mksavf", "--data-library", "TRIAL_KVD", media + "/TRIAL_KVD.SAVF"}) != 0) {
    error_ = "hostsim mksavf failed";
    return false;
  }
  std::filesystem::copy_file(KV_KVFTP, InstallDir() + "/FTP.EXE", std::filesystem::copy_options::overwrite_existing);
  if (!fingerprint_.empty()) WriteFile(InstallDir() + "/FTP.INI", "[TLS]\r\nMode=explicit\r\nTrust=" + fingerprint_ + "\r\n");
  WriteFile(InstallDir() + "/LIBNAME.ini", "TRIAL_KVU TRIAL_KVD\r\n");
  if (!kv::WriteHostLibraryScript({address_, "QSECOFR", "QSECOFR"}, kv::ToWindowsPath(media))) {
    error_ = "cannot write the restore script";
    return false;
  }
  kv::RunResult r = kv::RunAndWait(kv::paths::kFtpCommand, nullptr);
  if (!r.started || r.exitCode != 0) {
    error_ = "restore script failed: " + ReadFile(root_ + "/ftp.log");
    return false;
  }
  return true;
}

std::string SimHost::RunFtp(const std::string& script) {
  WriteFile(root_ + "/extra.ftp", kv::Utf8ToCp932Lossy(script));
  std::string log = root_ + "/extra.log";
  std::filesystem::remove(log);
  std::string saved = std::getenv("KV_FTP_LOG") ? std::getenv("KV_FTP_LOG") : "";
  ::setenv("KV_FTP_LOG", log.c_str(), 1);
  kv::RunAndWait("C:\\KV-TRANSIT\\FTP -s:" + kv::ToWindowsPath(root_ + "/extra.ftp"), nullptr);
  ::setenv("KV_FTP_LOG", saved.c_str(), 1);
  return kv::Cp932ToUtf8Lossy(ReadFile(log));
}

}  // namespace kvtest
