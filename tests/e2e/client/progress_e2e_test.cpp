// Progress while a transfer runs, end to end: kvxfer against a host whose data
// connection is slowed, under a pseudo-terminal (a progress line on standard
// error that changes as the data moves) and without one (its output exactly as
// without progress, nothing on standard error).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "common/winpath.h"
#include "tests/e2e/client/sim_host.h"

extern char** environ;

namespace {

class ProgressE2E : public ::testing::Test {
 protected:
  // Two megabytes a second: the upload below takes some seconds, more than the
  // sockets' buffers can hide.
  static void SetUpTestSuite() {
    host_ = std::make_unique<kvtest::SimHost>(KV_E2E_SEED, std::vector<std::string>{"--fault", "DATARATE=2000000"});
  }
  static void TearDownTestSuite() { host_.reset(); }
  void SetUp() override {
    ASSERT_TRUE(host_->Ok()) << host_->Error();
    ::setenv("KV_DRIVE_C", host_->DriveC().c_str(), 1);
    // Lines of E2ELIB/CUSTOMER (a number of 5, a name of 20): 8 MB of them.
    std::string text;
    for (int i = 1; text.size() < 8000000; ++i) {
      char line[40];
      std::snprintf(line, sizeof line, "%05dCustomer %011d\r\n", i % 100000, i);
      text += line;
    }
    pc_ = host_->Root() + "/BIG.txt";
    kvtest::WriteFile(pc_, text);
  }
  std::vector<std::string> Args() const {
    return {KV_KVXFER, "data2", "--ip=" + host_->Address(), "--user=QSECOFR", "--password=QSECOFR", "--lib=E2ELIB",
            "--file=CUSTOMER", "--member=CUSTOMER", "--pcfile=" + pc_};
  }
  static inline std::unique_ptr<kvtest::SimHost> host_;
  std::string pc_;
};

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

const std::string kDone = "label99\tファイル「顧客」送信完了しました。";

}  // namespace

TEST_F(ProgressE2E, OnATerminalKvxferShowsChangingProgressOnStandardError) {
  std::vector<std::string> args = Args();
  int master = -1;
  pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::execv(args[0].c_str(), Argv(args).data());
    ::_exit(127);
  }
  std::string seen;
  char buffer[4096];
  for (;;) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 60000) <= 0) break;
    ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // the program ended and the terminal closed
    seen.append(buffer, static_cast<std::size_t>(n));
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(master);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << seen;
  // Progress lines rewritten in place, with the total (the local file's size) and a rate.
  std::vector<std::string> lines;
  for (std::size_t pos = 0; (pos = seen.find("\r転送中 ", pos)) != std::string::npos; ++pos) {
    std::size_t end = seen.find_first_of("\r\n", pos + 1);
    lines.push_back(seen.substr(pos + 1, end - pos - 1));
  }
  ASSERT_GE(lines.size(), 2u) << seen;
  EXPECT_NE(lines.front(), lines.back());
  EXPECT_NE(lines.back().find(" / 7.6 MB ("), std::string::npos) << lines.back();
  EXPECT_NE(lines.back().find("MB/s"), std::string::npos) << lines.back();
  // The result line follows once the progress line has been wiped.
  EXPECT_NE(seen.find(kDone), std::string::npos) << seen;
}

TEST_F(ProgressE2E, WithoutATerminalTheOutputIsTheResultLineAlone) {
  std::vector<std::string> args = Args();
  const std::string out = host_->Root() + "/out.txt", err = host_->Root() + "/err.txt";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  ASSERT_EQ(::posix_spawn(&pid, args[0].c_str(), &fa, nullptr, Argv(args).data(), environ), 0);
  posix_spawn_file_actions_destroy(&fa);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(kvtest::ReadFile(out), kDone + "\n");
  EXPECT_EQ(kvtest::ReadFile(err), "");
}
