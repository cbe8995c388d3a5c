// The FTP server in process, driven over loopback sockets.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include "common/cp932.h"
#include "hostsim/ccsid.h"
#include "hostsim/server.h"
#include "hostsim/state.h"

using namespace hostsim;

namespace {

int Connect(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval tv{10, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// A minimal FTP client: sends lines, reads whole (multi-line) replies.
class Client {
 public:
  explicit Client(int port) : port_(port), fd_(Connect(port)) { greeting = Read(); }
  ~Client() {
    if (fd_ >= 0) ::close(fd_);
  }
  std::string Read() {
    std::string reply;
    for (;;) {
      std::string line;
      while (true) {
        auto nl = buf_.find("\r\n");
        if (nl != std::string::npos) {
          line = buf_.substr(0, nl);
          buf_.erase(0, nl + 2);
          break;
        }
        char tmp[4096];
        ssize_t n = ::recv(fd_, tmp, sizeof tmp, 0);
        if (n <= 0) return reply + "<closed>";
        buf_.append(tmp, static_cast<std::size_t>(n));
      }
      reply += line + "\n";
      if (line.size() >= 4 && line[3] == ' ') return reply;
    }
  }
  void Send(const std::string& raw) { ::send(fd_, raw.data(), raw.size(), MSG_NOSIGNAL); }
  std::string Cmd(const std::string& c) {
    Send(c + "\r\n");
    return Read();
  }
  int Code(const std::string& c) { return std::atoi(Cmd(c).c_str()); }
  void Logon() { ASSERT_EQ(Code("USER qsecofr"), 331); ASSERT_EQ(Code("PASS QSECOFR"), 230); }
  int Passive() {
    std::string r = Cmd("EPSV");
    auto p = r.find("(!!!");
    return p == std::string::npos ? -1 : Connect(std::atoi(r.c_str() + p + 4));
  }
  // RETR into a string; returns the completion code.
  int Get(const std::string& name, std::string& data) {
    int d = Passive();
    std::string r = Cmd("RETR " + name);
    if (r[0] != '1') {
      ::close(d);
      return std::atoi(r.c_str());
    }
    char tmp[65536];
    ssize_t n;
    while ((n = ::recv(d, tmp, sizeof tmp, 0)) > 0) data.append(tmp, static_cast<std::size_t>(n));
    ::close(d);
    return std::atoi(Read().c_str());
  }
  int Put(const std::string& name, const std::string& data) {
    int d = Passive();
    std::string r = Cmd("STOR " + name);
    if (r[0] != '1') {
      ::close(d);
      return std::atoi(r.c_str());
    }
    ::send(d, data.data(), data.size(), MSG_NOSIGNAL);
    ::close(d);
    return std::atoi(Read().c_str());
  }
  void Drop() {
    ::close(fd_);
    fd_ = -1;
  }
  std::string greeting;

 private:
  int port_;
  int fd_;
  std::string buf_;
};

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char t[] = "/tmp/hostsim-srv-XXXXXX";
    dir_ = ::mkdtemp(t);
    ASSERT_TRUE(host_.blobs.Open(dir_));
    host_.MakeMinimal();
    std::string err;
    ASSERT_TRUE(LoadSeedText(host_, "LIB DEMO\nPF DATA RCDLEN(10) CCSID(5035)\nMBR DATA TEXT('データ')\n| ABC\n| 漢字\n", err));
    AddToolLibrary(host_, "TOOLS");
    ServerOptions o;
    o.address = "127.0.0.1";
    o.port = 0;
    o.idleSeconds = 20;
    server_ = std::make_unique<Server>(host_, o);
    std::string bound = server_->Listen(err);
    ASSERT_FALSE(bound.empty()) << err;
    port_ = std::atoi(bound.c_str() + bound.rfind(':') + 1);
    runner_ = std::thread([this] { server_->Run(); });
  }
  void TearDown() override {
    server_->Stop();
    runner_.join();
    for (int i = 0; i < 500 && server_->sessions > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    host_.libraries.clear();
    std::filesystem::remove_all(dir_);
  }
  std::string MemberData(const std::string& lib, const std::string& file, const std::string& mbr) {
    std::lock_guard lock(host_.mu);
    return *host_.FindLibrary(lib)->FindFile(file)->file()->FindMember(mbr)->data;
  }

  std::string dir_;
  Host host_;
  std::unique_ptr<Server> server_;
  std::thread runner_;
  int port_ = 0;
};

}  // namespace

TEST_F(ServerTest, LogonRulesAndDisabledProfile) {
  Client c(port_);
  EXPECT_EQ(c.greeting.substr(0, 4), "220-");
  EXPECT_EQ(c.Code("RCMD CRTLIB X"), 530);
  EXPECT_EQ(c.Code("OPTS UTF8 ON"), 501);
  EXPECT_EQ(c.Code("USER qsecofr"), 331);
  EXPECT_EQ(c.Code("PASS wrong"), 530);
  EXPECT_EQ(c.Code("USER QSECOFR"), 331);
  EXPECT_EQ(c.Code("PASS wrong"), 530);
  EXPECT_EQ(c.Code("USER QSECOFR"), 331);
  EXPECT_EQ(c.Code("PASS wrong"), 530);
  // Three failures disable the profile: the right password is refused too.
  EXPECT_EQ(c.Code("USER QSECOFR"), 331);
  EXPECT_EQ(c.Code("PASS QSECOFR"), 530);
}

TEST_F(ServerTest, TextAndBinaryMemberTransfer) {
  Client c(port_);
  c.Logon();
  EXPECT_EQ(c.Cmd("CWD /qsys.lib/"), "250-NAMEFMT set to 1.\n250 \"/QSYS.LIB\" is current library.\n");
  EXPECT_EQ(c.Code("SITE NAMEFMT 0"), 250);
  EXPECT_EQ(c.Code("TYPE C 943"), 200);
  std::string got;
  ASSERT_EQ(c.Get("demo/data.data", got), 226);
  EXPECT_EQ(got, "ABC\r\n" + kv::Utf8ToCp932("漢字").value() + "\r\n");
  EXPECT_EQ(c.Code("SITE TRIM 0"), 250);
  got.clear();
  ASSERT_EQ(c.Get("DEMO/DATA", got), 226);   // member name defaults to the file name
  EXPECT_EQ(got.substr(0, 12), "ABC       \r\n");
  // Upload text; a line too long for the record is refused and nothing changes.
  std::string before = MemberData("DEMO", "DATA", "DATA");
  EXPECT_EQ(c.Put("DEMO/DATA.DATA", "OK\r\n" + kv::Utf8ToCp932("漢字漢字漢字").value() + "\r\n"), 550);
  EXPECT_EQ(MemberData("DEMO", "DATA", "DATA"), before);
  EXPECT_EQ(c.Put("DEMO/DATA.NEW", "line1\r\nline2"), 226);
  EXPECT_EQ(ToUtf8(MemberData("DEMO", "DATA", "NEW"), 5035), "line1     line2     ");
  // Binary: raw records both ways, the last partial record padded with blanks.
  EXPECT_EQ(c.Code("TYPE I"), 200);
  got.clear();
  ASSERT_EQ(c.Get("DEMO/DATA.DATA", got), 226);
  EXPECT_EQ(got, before);
  EXPECT_EQ(c.Put("DEMO/DATA.BIN", before + "XYZ"), 226);
  EXPECT_EQ(MemberData("DEMO", "DATA", "BIN").size(), 30u);
  // A new file through a binary upload gets 512-byte records.
  EXPECT_EQ(c.Put("qtemp/work", "abc"), 226);
  got.clear();
  ASSERT_EQ(c.Get("QTEMP/WORK", got), 226);
  EXPECT_EQ(got.size(), 512u);
  // Missing library, file, member.
  got.clear();
  EXPECT_EQ(c.Get("NOLIB/DATA.DATA", got), 550);
  EXPECT_EQ(c.Get("DEMO/NOFILE.X", got), 550);
  EXPECT_EQ(c.Get("DEMO/DATA.NOMBR", got), 550);
  EXPECT_EQ(c.Put("NOLIB/DATA.DATA", "x"), 550);
}

TEST_F(ServerTest, RestoreScriptInstallsToolLibrary) {
  std::string image, err;
  {
    Host h;
    ASSERT_TRUE(h.blobs.Open(dir_));
    AddToolLibrary(h, "TRIAL_KVU");
    ASSERT_TRUE(LibraryImage(h, "TRIAL_KVU", image, err));
  }
  Client c(port_);
  c.Logon();
  EXPECT_EQ(c.Code("CWD /qsys.lib/"), 250);
  EXPECT_EQ(c.Code("SITE NAMEFMT 0"), 250);
  EXPECT_EQ(c.Code("TYPE I"), 200);
  EXPECT_EQ(c.Code("RCMD CHGJOB LOG(4 40 *NOLIST) "), 250);
  EXPECT_EQ(c.Code("RCMD CRTSAVF FILE(QTEMP/FTPSAVF)"), 250);
  // Text into a save file and garbage into a save file are refused.
  EXPECT_EQ(c.Put("QTEMP/FTPSAVF", std::string(528, 'x')), 550);
  ASSERT_EQ(c.Put("QTEMP/FTPSAVF", image), 226);
  EXPECT_EQ(c.Code("RCMD RSTLIB SAVLIB(TRIAL_KVU) DEV(*SAVF) SAVF(QTEMP/FTPSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(TRIAL_KVU)"), 250);
  EXPECT_EQ(c.Code("RCMD ADDLIBLE TRIAL_KVU"), 250);
  std::string saved;
  ASSERT_EQ(c.Get("QTEMP/FTPSAVF", saved), 226);
  EXPECT_EQ(saved, image);
  EXPECT_EQ(c.Code("TYPE C 943"), 200);
  EXPECT_EQ(c.Code("RCMD CALL TRIAL_KVU/#RTVMBR4 PARM('DEMO' 'DATA' 'DATA' 'D' '1.2.3.4' 'pc01')"), 250);
  std::string reply;
  ASSERT_EQ(c.Get("QTEMP/FTPTEXT", reply), 226);
  std::string utf8 = kv::Cp932ToUtf8(reply).value();
  EXPECT_EQ(utf8.substr(30, 6), "OK    ");
  EXPECT_EQ(utf8.substr(40, std::string("データ").size()), "データ");
  // QTEMP belongs to the session: another session does not see it.
  Client other(port_);
  other.Logon();
  std::string none;
  EXPECT_EQ(other.Get("QTEMP/FTPTEXT", none), 550);
  EXPECT_EQ(c.Code("QUIT"), 221);
}

TEST_F(ServerTest, MalformedInputKeepsTheServerServing) {
  Client c(port_);
  c.Logon();
  EXPECT_EQ(c.Code("XYZZY"), 500);
  EXPECT_EQ(c.Code("TYPE C 99999"), 501);
  EXPECT_EQ(c.Code("SITE BOGUS"), 501);
  EXPECT_EQ(c.Code("PORT 1,2,3,4,5,6"), 501);   // not the client's address
  EXPECT_EQ(c.Code("RCMD CALL PGM(('))"), 550);
  EXPECT_EQ(c.Code("RCMD " + std::string(1200, 'A')), 501);
  std::string d;
  for (const char* bad : {"../../etc/passwd", "DEMO/../DATA", "DEMO/DATA.DATA/X", "/etc/passwd", "A B/C"}) {
    EXPECT_GE(c.Get(bad, d), 500) << bad;
  }
  c.Send(std::string("RETR DEMO/DATA\0.DATA\r\n", 22));
  EXPECT_EQ(std::atoi(c.Read().c_str()), 501);
  // An over-long line is refused and the session goes on.
  c.Send(std::string(100000, 'N') + "\r\n");
  EXPECT_EQ(std::atoi(c.Read().c_str()), 500);
  EXPECT_EQ(c.Code("NOOP"), 250);
  EXPECT_EQ(c.Code("PWD"), 257);
}

TEST_F(ServerTest, VanishedClientLeavesMemberIntact) {
  std::string before = MemberData("DEMO", "DATA", "DATA");
  {
    Client c(port_);
    c.Logon();
    int d = c.Passive();
    ASSERT_EQ(std::atoi(c.Cmd("STOR DEMO/DATA.DATA").c_str()), 150);
    ::send(d, "PARTIAL\r\nLINE", 13, MSG_NOSIGNAL);
    c.Drop();   // control connection first, then the data connection
    ::close(d);
  }
  for (int i = 0; i < 200 && server_->sessions > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(MemberData("DEMO", "DATA", "DATA"), before);
  Client again(port_);
  again.Logon();
  EXPECT_EQ(again.Code("NOOP"), 250);
}

TEST_F(ServerTest, FiftySessionsAtOnce) {
  std::vector<std::future<bool>> runs;
  for (int i = 0; i < 50; ++i)
    runs.push_back(std::async(std::launch::async, [this, i] {
      Client c(port_);
      if (c.Code("USER QSECOFR") != 331 || c.Code("PASS QSECOFR") != 230) return false;
      std::string mbr = "M" + std::to_string(i);
      if (c.Put("DEMO/DATA." + mbr, mbr + "\r\n") != 226) return false;
      if (c.Code("RCMD CRTSAVF QTEMP/S") != 250) return false;
      std::string got;
      return c.Get("DEMO/DATA." + mbr, got) == 226 && got == mbr + "\r\n" && c.Code("QUIT") == 221;
    }));
  int ok = 0;
  for (auto& r : runs) ok += r.get();
  EXPECT_EQ(ok, 50);
  std::lock_guard lock(host_.mu);
  EXPECT_EQ(host_.FindLibrary("DEMO")->FindFile("DATA")->file()->members.size(), 51u);
}
