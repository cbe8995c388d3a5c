// The script runner without a server: logon lines after a failed connection,
// commands that need a session, local names.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "ftp/interpreter.h"
#include "ftp/options.h"

using namespace kv::ftp;

namespace {

struct RunResult {
  int status;
  std::string output;
};

RunResult RunScript(std::vector<std::string> lines, Options options = {}) {
  std::FILE* out = std::tmpfile();
  Console console(out);
  Session session(console, options);
  Interpreter run(session, std::move(lines));
  RunResult r{run.Run(), {}};
  std::rewind(out);
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0) r.output.append(buffer, n);
  std::fclose(out);
  return r;
}

// A loopback port on which nothing listens.
int ClosedPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  int port = ntohs(a.sin_port);
  ::close(fd);
  return port;
}

}  // namespace

TEST(Interpreter, FailedConnectionSkipsLogonLinesAndLaterCommandsFail) {
  std::string port = std::to_string(ClosedPort());
  // The password is itself a command name: it must neither run nor be shown.
  RunResult r = RunScript({"open 127.0.0.1 " + port, "QSECOFR", "quit", "quote TYPE C 943", "cd /QSYS.LIB/",
                           "get QTEMP/FTPTEXT C:\\KV-TRANSIT\\FTPTEXT.DAT", "quit"});
  EXPECT_EQ(r.status, exitcode::kConnectFailed);
  EXPECT_NE(r.output.find("> ftp: connect :"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("QSECOFR"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("ftp> quit\nftp> quote"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("ftp> quote TYPE C 943\nNot connected."), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("ftp> cd /QSYS.LIB/\nNot connected."), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("FTPTEXT.DAT\nNot connected."), std::string::npos) << r.output;
}

TEST(Interpreter, UnknownHostAndBadOpenLineStillConsumeTheAnswers) {
  RunResult r = RunScript({"open no-such-host.invalid", "USER", "PASSWORD", "open", "USER2", "PASSWORD2", "pwd"});
  EXPECT_EQ(r.status, exitcode::kConnectFailed);
  EXPECT_NE(r.output.find("Unknown host no-such-host.invalid."), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("PASSWORD"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("USER"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("ftp> pwd\nNot connected."), std::string::npos) << r.output;
}

TEST(Interpreter, UnknownCommandsReportAndTheNextLineRuns) {
  RunResult r = RunScript({"frobnicate now", "", "b", "type", "bye", "pwd"});
  EXPECT_EQ(r.status, exitcode::kCommandFailed);
  EXPECT_NE(r.output.find("ftp> frobnicate now\nInvalid command.\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("ftp> b\nAmbiguous command.\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Using ascii mode to transfer files."), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("ftp> pwd"), std::string::npos) << "bye ends the run: " << r.output;
}

TEST(Interpreter, EmptyScriptSucceeds) { EXPECT_EQ(RunScript({}).status, exitcode::kOk); }

TEST(Interpreter, LocalNamesAreCp932WindowsPathsMappedWithoutRegardToCase) {
  auto root = std::filesystem::temp_directory_path() / ("kvftp-names-" + std::to_string(::getpid()));
  std::filesystem::create_directories(root / "kv-transit");
  ::setenv("KV_DRIVE_C", root.c_str(), 1);
  std::FILE* out = std::tmpfile();
  Console console(out);
  Options options;
  Session session(console, options);
  Interpreter run(session, {});
  std::string shown, nativePath;
  // "C:\KV-TRANSIT\テスト.txt" in code page 932.
  ASSERT_TRUE(run.LocalName("C:\\KV-TRANSIT\\\x83\x65\x83\x58\x83\x67.txt", shown, nativePath));
  EXPECT_EQ(shown, "C:\\KV-TRANSIT\\テスト.txt");
  EXPECT_EQ(nativePath, (root / "kv-transit" / "テスト.txt").string());
  // A lone lead byte is not code page 932 text: refused rather than guessed.
  EXPECT_FALSE(run.LocalName("C:\\bad\x83", shown, nativePath));
  std::fclose(out);
  ::unsetenv("KV_DRIVE_C");
  std::filesystem::remove_all(root);
}

TEST(Interpreter, ScriptLinesNeverShowAPassword) {
  RunResult r = RunScript({"user QSECOFR Secret9", "quote PASS Secret9", "literal pass  Secret9 more", "u KVOPER Secret9",
                           "quote PASSWORD x"});
  EXPECT_EQ(r.output.find("Secret9"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("ftp> user QSECOFR ****\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("ftp> quote PASS ****\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("ftp> literal pass ****\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("ftp> u KVOPER ****\n"), std::string::npos) << r.output;
  // Only PASS itself is secret.
  EXPECT_NE(r.output.find("ftp> quote PASSWORD x\n"), std::string::npos) << r.output;
}
