#include "fault_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

int ListenLoopback(int& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(fd, 4);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  port = ntohs(a.sin_port);
  return fd;
}

// Waits up to `ms` for `fd` to be readable; false on timeout or stop.
bool Readable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, ms) > 0;
}

void SendText(int fd, const std::string& text) { (void)!::send(fd, text.data(), text.size(), MSG_NOSIGNAL); }

}  // namespace

std::string FaultServer::FileContent() {
  std::string s(kFileSize, '\0');
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

FaultServer::FaultServer(Fault fault) : fault_(fault) {
  listenFd_ = ListenLoopback(port_);
  thread_ = std::thread([this] { Serve(); });
}

FaultServer::~FaultServer() {
  stop_ = true;
  thread_.join();
  ::close(listenFd_);
}

void FaultServer::Serve() {
  while (!stop_ && !Readable(listenFd_, 100)) {
  }
  if (stop_) return;
  int c = ::accept(listenFd_, nullptr, nullptr);
  SendText(c, "220 fault server ready\r\n");
  int dataListen = -1;
  bool loggedIn = false;
  std::string buffer;
  while (!stop_) {
    if (!Readable(c, 100)) continue;
    char chunk[1024];
    ssize_t n = ::recv(c, chunk, sizeof chunk, 0);
    if (n <= 0) break;
    buffer.append(chunk, static_cast<std::size_t>(n));
    std::size_t end;
    while ((end = buffer.find("\r\n")) != std::string::npos) {
      std::string line = buffer.substr(0, end);
      buffer.erase(0, end + 2);
      std::string verb = line.substr(0, line.find(' '));
      if (loggedIn && fault_ == Fault::SilentControl) continue;
      if (verb == "USER") SendText(c, "331 Password required.\r\n");
      else if (verb == "PASS") { loggedIn = true; SendText(c, "230 Logged on.\r\n"); }
      else if (verb == "TYPE") SendText(c, "200 Type set.\r\n");
      else if (verb == "CWD")
        SendText(c, fault_ == Fault::MalformedReply ? "this is not a reply\r\n" : "250 Directory changed.\r\n");
      else if (verb == "QUIT") { SendText(c, "221 Bye.\r\n"); ::close(c); return; }
      else if (verb == "EPSV" && fault_ != Fault::PasvElsewhere) {
        int p = 0;
        dataListen = ListenLoopback(p);
        SendText(c, "229 Entering Extended Passive Mode (|||" + std::to_string(p) + "|)\r\n");
      } else if (verb == "PASV") {
        int p = 0;
        dataListen = ListenLoopback(p);
        SendText(c, "227 Entering Passive Mode (10,9,8,7," + std::to_string(p / 256) + "," + std::to_string(p % 256) +
                        ")\r\n");
      } else if (verb == "RETR" && dataListen >= 0) {
        std::string data = FileContent();
        SendText(c, "150 Opening BINARY mode data connection (" + std::to_string(data.size()) + " bytes).\r\n");
        int d = Readable(dataListen, 5000) ? ::accept(dataListen, nullptr, nullptr) : -1;
        std::size_t amount = fault_ == Fault::DataHalf426 || fault_ == Fault::DataHalf226 ? data.size() / 2
                             : fault_ == Fault::DataStall                                 ? 1000
                                                                                          : data.size();
        if (d >= 0) SendText(d, data.substr(0, amount));
        if (fault_ == Fault::DataStall) {
          while (!stop_ && !(Readable(d, 100) && ::recv(d, chunk, sizeof chunk, 0) <= 0)) {
          }
        }
        if (d >= 0) ::close(d);
        ::close(dataListen);
        dataListen = -1;
        if (fault_ == Fault::DataHalf426)
          SendText(c, "426 Connection closed; transfer aborted.\r\n");
        else
          SendText(c, "226 Transfer complete.\r\n");
      } else {
        SendText(c, "502 Command not implemented.\r\n");
      }
    }
  }
  if (dataListen >= 0) ::close(dataListen);
  ::close(c);
}
