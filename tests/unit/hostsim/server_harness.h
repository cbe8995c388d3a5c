// An in-process server on loopback and a minimal raw-socket FTP client for the
// server's tests.
#pragma once
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <vector>
#include <thread>

#include "hostsim/server.h"
#include "hostsim/state.h"

namespace hostsim_test {

using namespace hostsim;

inline int Connect(int port) {
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
    server_->log = [this](const std::string& line) {
      std::lock_guard lock(logMu_);
      log_ += line;
    };
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
  // Fault switches for the sessions that start from now on.
  void SetFaults(const std::vector<std::string>& specs) {
    std::lock_guard lock(host_.mu);
    host_.faults.clear();
    for (const auto& s : specs) {
      FaultSwitch f;
      std::string err;
      ASSERT_TRUE(ParseFault(s, f, err)) << err;
      host_.faults.push_back(f);
    }
  }
  std::string Log() {
    std::lock_guard lock(logMu_);
    return log_;
  }
  std::string MemberData(const std::string& lib, const std::string& file, const std::string& mbr) {
    std::lock_guard lock(host_.mu);
    return host_.FindLibrary(lib)->FindFile(file)->file()->FindMember(mbr)->data.Bytes();
  }

  std::string dir_;
  Host host_;
  std::unique_ptr<Server> server_;
  std::thread runner_;
  int port_ = 0;
  std::mutex logMu_;
  std::string log_;
};

}  // namespace hostsim_test
