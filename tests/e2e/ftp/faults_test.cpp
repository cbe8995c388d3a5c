// The client against servers that fail on purpose: it must keep the earlier local
// file, end with a non-zero status, and never wait past its time limits.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "fault_server.h"

namespace fs = std::filesystem;

namespace {

class ClientRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kvftp-faults-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_ / "KV-TRANSIT");
    ::setenv("KV_DRIVE_C", dir_.c_str(), 1);
    Write(dir_ / "KV-TRANSIT" / "FTPTEXT.DAT", "123456789012345678901234567890TIMOVR\r\n");
  }
  void TearDown() override { fs::remove_all(dir_); }

  static void Write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Runs the client on the script lines; fills output_ and seconds_, returns the exit status.
  int Run(const FaultServer& server, const std::vector<std::string>& body, const std::string& options = "") {
    std::string script = "open 127.0.0.1 " + std::to_string(server.Port()) + "\r\nQSECOFR\r\nPASSWORD\r\n";
    for (const auto& line : body) script += line + "\r\n";
    Write(dir_ / "kvtrn.ini", script);
    std::string command = std::string(KVFTP_PATH) + " " + options + " -s:" + (dir_ / "kvtrn.ini").string() + " > " +
                          (dir_ / "out.txt").string() + " 2>&1";
    auto start = std::chrono::steady_clock::now();
    int raw = std::system(command.c_str());
    seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    output_ = Read(dir_ / "out.txt");
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }

  bool NoTemporaryFiles() const {
    for (const auto& e : fs::recursive_directory_iterator(dir_))
      if (e.path().filename().string().find(".kvpart-") != std::string::npos) return false;
    return true;
  }

  const std::string kSentinel = "123456789012345678901234567890TIMOVR\r\n";
  const std::string kGet = "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT";
  fs::path dir_;
  std::string output_;
  double seconds_ = 0;
};

TEST_F(ClientRun, DataConnectionClosedHalfwayKeepsTheEarlierFile) {
  for (Fault fault : {Fault::DataHalf426, Fault::DataHalf226}) {
    FaultServer server(fault);
    // The 226 case can only be told from a complete transfer by the announced size: binary.
    EXPECT_EQ(Run(server, {"binary", kGet, "quit"}), 1) << output_;
    EXPECT_EQ(Read(dir_ / "KV-TRANSIT" / "FTPTEXT.DAT"), kSentinel) << output_;
    EXPECT_NE(output_.find("was left as it was"), std::string::npos) << output_;
    EXPECT_TRUE(NoTemporaryFiles());
  }
}

TEST_F(ClientRun, StalledDataConnectionTimesOut) {
  FaultServer server(Fault::DataStall);
  EXPECT_EQ(Run(server, {"binary", kGet, "quit"}, "--data-timeout=1"), 1) << output_;
  EXPECT_LT(seconds_, 15);
  EXPECT_NE(output_.find("no data moved for 1 seconds"), std::string::npos) << output_;
  EXPECT_EQ(Read(dir_ / "KV-TRANSIT" / "FTPTEXT.DAT"), kSentinel);
  EXPECT_TRUE(NoTemporaryFiles());
}

TEST_F(ClientRun, HostThatStopsAnsweringEndsTheRun) {
  FaultServer server(Fault::SilentControl);
  EXPECT_EQ(Run(server, {"quote RCMD CALL TOOLLIB/#RTVMBR4", kGet, "quit"}, "--reply-timeout=1"), 3) << output_;
  EXPECT_LT(seconds_, 15);
  EXPECT_NE(output_.find("did not answer within 1 seconds"), std::string::npos) << output_;
  EXPECT_EQ(output_.find("ftp> get"), std::string::npos) << "the run must end: " << output_;
  EXPECT_EQ(Read(dir_ / "KV-TRANSIT" / "FTPTEXT.DAT"), kSentinel);
}

TEST_F(ClientRun, MalformedReplyClosesTheConnection) {
  FaultServer server(Fault::MalformedReply);
  EXPECT_EQ(Run(server, {"cd /QSYS.LIB/", kGet, "quit"}), 3) << output_;
  EXPECT_NE(output_.find("malformed reply"), std::string::npos) << output_;
  EXPECT_NE(output_.find("FTPTEXT.DAT\nNot connected."), std::string::npos) << output_;
  EXPECT_EQ(Read(dir_ / "KV-TRANSIT" / "FTPTEXT.DAT"), kSentinel);
}

TEST_F(ClientRun, PasvAddressElsewhereIsReachedAtTheControlAddress) {
  FaultServer server(Fault::PasvElsewhere);
  EXPECT_EQ(Run(server, {"binary", kGet, "quit"}, "--connect-timeout=5"), 0) << output_;
  EXPECT_EQ(Read(dir_ / "KV-TRANSIT" / "FTPTEXT.DAT"), FaultServer::FileContent());
  EXPECT_NE(output_.find("227 Entering Passive Mode (10,9,8,7,"), std::string::npos) << output_;
}

TEST_F(ClientRun, CompleteTransferReplacesTheFileAndQuoteTypeCMakesText) {
  FaultServer server(Fault::None);
  // TYPE C 943 via quote: text, so the sentinel file gets the data with LF turned into CR LF.
  EXPECT_EQ(Run(server, {"quote TYPE C 943", kGet, "quit"}), 0) << output_;
  std::string expected;
  for (char ch : FaultServer::FileContent()) {
    if (ch == '\n' && (expected.empty() || expected.back() != '\r')) expected += '\r';
    expected += ch;
  }
  EXPECT_EQ(Read(dir_ / "KV-TRANSIT" / "FTPTEXT.DAT"), expected);
  EXPECT_NE(output_.find("ftp: 300000 bytes received in"), std::string::npos) << output_;
}

// The report channel: one start and one outcome line per transfer, nothing
// without the variable, and the same console output either way.
TEST_F(ClientRun, EachTransferReportsItsOutcomeToTheNamedFile) {
  const fs::path report = dir_ / "KV-TRANSIT" / "kvtrn.rpt";
  const std::string missing = "get QTEMP/FTPTEXT C:\\nodir\\X.DAT";
  FaultServer quiet(Fault::None);
  EXPECT_EQ(Run(quiet, {"binary", kGet, missing, "quit"}), 1) << output_;
  const std::string unreported = output_;
  EXPECT_FALSE(fs::exists(report));

  ::setenv("KV_FTP_REPORT", "C:\\KV-TRANSIT\\kvtrn.rpt", 1);
  FaultServer good(Fault::None);
  EXPECT_EQ(Run(good, {"binary", kGet, missing, "quit"}), 1) << output_;
  // The same output but for the ports, the time taken and the rate.
  const std::regex varying("[0-9]+\\|\\)|127\\.0\\.0\\.1 [0-9]+|[0-9.]+Seconds|[0-9.]+Kbytes");
  EXPECT_EQ(std::regex_replace(output_, varying, "N"), std::regex_replace(unreported, varying, "N"));
  // Progress lines come only from transfers that last; leave them out.
  const std::string lines = std::regex_replace(Read(report), std::regex("progress\t[^\r]*\r\n"), "");
  EXPECT_EQ(lines,
            "start\t1\tget\t0\t\tQTEMP/FTPTEXT\tC:\\KV-TRANSIT\\FTPTEXT.DAT\r\n"
            "ok\t1\tget\t300000\t300000\r\n"
            "start\t2\tget\t0\t\tQTEMP/FTPTEXT\tC:\\nodir\\X.DAT\r\n"
            "failed\t2\tget\t0\t\tlocal\tError opening local file C:\\nodir\\X.DAT.\r\n");

  fs::remove(report);
  FaultServer half(Fault::DataHalf426);
  EXPECT_EQ(Run(half, {"binary", kGet, "quit"}), 1) << output_;
  const std::string failed = Read(report);
  EXPECT_NE(failed.find("failed\t1\tget\t150000\t300000\tserver\t426 "), std::string::npos) << failed;
  ::unsetenv("KV_FTP_REPORT");
}

TEST_F(ClientRun, HashMarksOnlyAfterHash) {
  FaultServer plain(Fault::None);
  EXPECT_EQ(Run(plain, {"binary", kGet, "quit"}), 0) << output_;
  EXPECT_EQ(output_.find('#'), std::string::npos) << output_;
  FaultServer marked(Fault::None);
  EXPECT_EQ(Run(marked, {"hash", "binary", kGet, "quit"}), 0) << output_;
  EXPECT_NE(output_.find("Hash mark printing On  ftp: (2048 bytes/hash mark) .\n"), std::string::npos) << output_;
  EXPECT_NE(output_.find("\n" + std::string(300000 / 2048, '#') + "\n"), std::string::npos) << output_;
}

}  // namespace
