// The FTP client killed in the middle of a get: kvxfer runs a source download
// from a host whose data connection is slowed, the FTP client is killed
// (SIGKILL) once the first bytes have reached its temporary file, and then:
// the earlier PC file is as it was, kvxfer does not report success, and the
// next run of the same download is neither hindered nor misled by what the
// killed client left behind.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "tests/e2e/client/sim_host.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr const char* kEarlier = "earlier content\r\n";

class KilledClientE2E : public ::testing::Test {
 protected:
  // The test host plus a source member of some 330 KB, and data moving at
  // 100 KB a second: the get takes seconds, the tool library's restore does not.
  static void SetUpTestSuite() {
    seedDir_ = fs::temp_directory_path() / ("kv-killed-" + std::to_string(::getpid()));
    fs::create_directories(seedDir_);
    std::string seed = kvtest::ReadFile(KV_E2E_SEED);
    seed += "\nLIB NAME(BIGLIB)\nSRCPF NAME(QTXTSRC) RCDLEN(92) CCSID(5035)\nMBR NAME(LONG) TYPE(TXT)\n";
    for (int i = 1; i <= 4000; ++i) {
      char line[96];
      std::snprintf(line, sizeof line, "|LINE %06d %068d\n", i, i);
      seed += line;
    }
    kvtest::WriteFile((seedDir_ / "big.seed").string(), seed);
    host_ = std::make_unique<kvtest::SimHost>((seedDir_ / "big.seed").string(),
                                              std::vector<std::string>{"--fault", "DATARATE=100000"});
  }
  static void TearDownTestSuite() {
    host_.reset();
    std::error_code ec;
    fs::remove_all(seedDir_, ec);
  }
  void SetUp() override {
    ASSERT_TRUE(host_->Ok()) << host_->Error();
    ::setenv("KV_DRIVE_C", host_->DriveC().c_str(), 1);
    dir_ = host_->Root() + "/killed";
    fs::create_directories(dir_);
    pc_ = dir_ + "/LONG.txt";
    kvtest::WriteFile(pc_, kEarlier);
  }

  // Starts kvxfer on the download; its output goes to `out`.
  pid_t Start(const std::string& out) const {
    std::vector<std::string> args = {KV_KVXFER, "source1", "--ip=" + host_->Address(), "--user=QSECOFR",
                                     "--password=QSECOFR", "--lib=BIGLIB", "--file=QTXTSRC", "--member=LONG",
                                     "--pcfile=" + pc_};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
  }

  static int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // The files beside the PC file whose names carry `marker`.
  std::vector<std::string> Beside(const std::string& marker) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_))
      if (e.path().filename().string().find(marker) != std::string::npos) names.push_back(e.path().filename());
    return names;
  }

  static inline fs::path seedDir_;
  static inline std::unique_ptr<kvtest::SimHost> host_;
  std::string dir_, pc_;
};

// The parent of process `pid`, from /proc; -1 when it is gone.
pid_t ParentOf(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // "pid (name) state ppid ...": the name may hold blanks, so read after its ')'.
  auto close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream rest(text.substr(close + 1));
  char state;
  pid_t parent = -1;
  rest >> state >> parent;
  return parent;
}

}  // namespace

TEST_F(KilledClientE2E, KilledMidGetKeepsTheEarlierFileAndTheNextRunIsNotMisled) {
  const std::string out = dir_ + "/first.out";
  pid_t xfer = Start(out);
  ASSERT_GT(xfer, 0);

  // The client's temporary file is named with its process id; wait until data
  // has reached it, then kill exactly that process (a child of this kvxfer).
  pid_t client = -1;
  const std::string prefix = "LONG.txt.kvpart-";
  for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
       client < 0 && std::chrono::steady_clock::now() < until;
       std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
    for (const auto& name : Beside(prefix)) {
      std::error_code ec;
      if (fs::file_size(dir_ + "/" + name, ec) > 0 && !ec) client = std::stoi(name.substr(prefix.size()));
    }
  }
  ASSERT_GT(client, 0) << "the download never started writing";
  ASSERT_EQ(ParentOf(client), xfer);
  ASSERT_EQ(::kill(client, SIGKILL), 0);

  const int status = Wait(xfer);
  const std::string shown = kvtest::ReadFile(out);
  // The reply was never fetched: the sentinel speaks, and no result line follows.
  EXPECT_EQ(status, 1);
  EXPECT_EQ(shown, "message\tソースダウンロード\t通信不能です。\texclamation\nfocus\tメンバー名\n");
  EXPECT_EQ(kvtest::ReadFile(pc_), kEarlier);
  EXPECT_TRUE(Beside(".kvkeep").empty());
  // A killed process cleans up nothing: its partial download stays beside the file.
  const auto leftover = Beside(prefix);
  ASSERT_EQ(leftover.size(), 1u);
  const std::string leftoverBytes = kvtest::ReadFile(dir_ + "/" + leftover[0]);

  // The next run downloads the whole member in place of the earlier file and
  // neither uses nor touches the leftover.
  const std::string again = dir_ + "/second.out";
  pid_t second = Start(again);
  ASSERT_GT(second, 0);
  EXPECT_EQ(Wait(second), 0) << kvtest::ReadFile(again);
  EXPECT_EQ(kvtest::ReadFile(again), "label99\tLONG:「" + std::string(50, ' ') + "」ダウンロード完了しました。\n");
  const std::string member = kvtest::ReadFile(pc_);
  EXPECT_EQ(member.size(), 4000u * 82u);
  EXPECT_EQ(member.substr(0, 82), "LINE 000001 " + std::string(67, '0') + "1\r\n");
  EXPECT_EQ(member.substr(member.size() - 82), "LINE 004000 " + std::string(64, '0') + "4000\r\n");
  EXPECT_TRUE(Beside(".kvkeep").empty());
  EXPECT_EQ(Beside(prefix), leftover);
  EXPECT_EQ(kvtest::ReadFile(dir_ + "/" + leftover[0]), leftoverBytes);
}
