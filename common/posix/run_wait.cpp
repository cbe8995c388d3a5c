#include "common/run_wait.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "common/cmdline.h"
#include "common/fileio.h"
#include "common/winpath.h"

extern char** environ;

namespace kv {
namespace {

// The program file for a Windows program path: as typed, else with ".EXE" (any case).
std::string ResolveProgram(const std::string& program) {
  std::string direct = MapPath(program);
  if (native::Exists(direct) && !native::IsDir(direct)) return direct;
  std::string withExe = MapPath(program + ".EXE");
  if (native::Exists(withExe) && !native::IsDir(withExe)) return withExe;
  return {};
}

// The caller's environment with `extra` set (replacing a variable of the same name).
std::vector<std::string> EnvironmentWith(const Environment& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    bool replaced = false;
    for (const auto& [name, value] : extra)
      if (entry.compare(0, name.size() + 1, name + "=") == 0) replaced = true;
    if (!replaced) env.push_back(std::move(entry));
  }
  for (const auto& [name, value] : extra) env.push_back(name + "=" + value);
  return env;
}

// A descriptor that becomes readable when process `pid` ends, or -1 where the
// kernel has none (the wait then sleeps the whole 50 ms).
int ProcessEndDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

// Waits up to 50 ms, less when the program ends sooner.
void WaitForEndOrPollTime(int endFd) {
  if (endFd >= 0) {
    pollfd p{endFd, POLLIN, 0};
    if (::poll(&p, 1, 50) >= 0) return;
  }
  ::usleep(50 * 1000);
}

}  // namespace

RunResult RunAndWait(const std::string& commandLine, const std::function<void()>& processEvents,
                     const Environment& environment) {
  RunResult result;
  std::vector<std::string> words = SplitCommandLine(commandLine);
  if (words.empty()) return result;
  std::string program = ResolveProgram(words[0]);
  if (program.empty()) return result;

  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  // The program runs without a window of its own: its output goes nowhere,
  // or to the file named by KV_FTP_LOG when that is set (for diagnosis).
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const char* log = std::getenv("KV_FTP_LOG");
  const char* sink = (log && *log) ? log : "/dev/null";
  int flags = (log && *log) ? (O_WRONLY | O_CREAT | O_APPEND) : O_WRONLY;
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, sink, flags, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);

  std::vector<std::string> envStrings = EnvironmentWith(environment);
  std::vector<char*> envp;
  for (auto& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = 0;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  if (rc == ENOEXEC) {
    // A script without a "#!" line runs under the shell, as a shell would run it.
    std::vector<char*> shArgv = {const_cast<char*>("/bin/sh"), program.data()};
    shArgv.insert(shArgv.end(), argv.begin() + 1, argv.end());
    rc = posix_spawn(&pid, "/bin/sh", &actions, nullptr, shArgv.data(), envp.data());
  }
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return result;
  result.started = true;

  const int endFd = ProcessEndDescriptor(pid);
  constexpr unsigned long kStillActive = 259;
  unsigned long code = 0;
  do {
    int status = 0;
    pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r < 0 && errno == EINTR) continue;  // a signal, not the end of the program
    if (r == 0) {
      code = kStillActive;
    } else if (r == pid) {
      code = WIFEXITED(status) ? static_cast<unsigned long>(WEXITSTATUS(status)) : 1;
    } else {
      code = 0;  // the child is not ours to wait for any more (reaped elsewhere): it has ended
    }
    if (processEvents) processEvents();
    // Once the program has ended there is nothing left to wait for.
    if (code != kStillActive) break;
    WaitForEndOrPollTime(endFd);
  } while (true);
  if (endFd >= 0) ::close(endFd);
  result.exitCode = code;
  return result;
}

}  // namespace kv
