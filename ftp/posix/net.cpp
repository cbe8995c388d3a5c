// POSIX sockets: every socket is non-blocking and every wait goes through poll()
// with the caller's time limit.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "ftp/net.h"

namespace kv::ftp {
namespace {

using Clock = std::chrono::steady_clock;

NetResult Fail(NetStatus status, int err) { return NetResult{status, 0, std::strerror(err)}; }

// Waits until `fd` is ready for `events`; Ok, Timeout or Error.
NetResult WaitFor(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  for (;;) {
    int r = ::poll(&p, 1, timeoutMs > 0 ? timeoutMs : -1);
    if (r > 0) return {};
    if (r == 0) return NetResult{NetStatus::Timeout, 0, "timed out"};
    if (errno != EINTR) return Fail(NetStatus::Error, errno);
  }
}

void MakeNonBlocking(int fd) {
  int flags = ::fcntl(fd, F_GETFL, 0);
  ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
#ifdef SO_NOSIGPIPE
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
}

std::string AddressText(const sockaddr_storage& ss) {
  char text[INET6_ADDRSTRLEN] = {};
  if (ss.ss_family == AF_INET)
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(ss).sin_addr, text, sizeof text);
  else if (ss.ss_family == AF_INET6)
    ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(ss).sin6_addr, text, sizeof text);
  return text;
}

int PortOf(const sockaddr_storage& ss) {
  if (ss.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(ss).sin_port);
  if (ss.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(ss).sin6_port);
  return 0;
}

// The socket's own address (`peer` false) or its peer's; false when it has none.
bool Name(int fd, sockaddr_storage& ss, bool peer) {
  socklen_t len = sizeof ss;
  auto* sa = reinterpret_cast<sockaddr*>(&ss);
  return (peer ? ::getpeername(fd, sa, &len) : ::getsockname(fd, sa, &len)) == 0;
}

}  // namespace

bool NetStartup() {
  // A peer that closes a data connection must give an error, not kill the process.
  ::signal(SIGPIPE, SIG_IGN);
  return true;
}

void Socket::Close() {
  if (handle_ != kInvalid) ::close(static_cast<int>(handle_));
  handle_ = kInvalid;
}

NetResult Socket::Connect(const std::string& host, int port, int timeoutMs) {
  Close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  std::string service = std::to_string(port);
  int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
  if (rc != 0 || !list) return NetResult{NetStatus::UnknownHost, 0, ::gai_strerror(rc)};
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  NetResult last{NetStatus::Error, 0, "no address"};
  for (addrinfo* ai = list; ai; ai = ai->ai_next) {
    int fd = ::socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
    if (fd < 0) {
      last = Fail(NetStatus::Error, errno);
      continue;
    }
    MakeNonBlocking(fd);
    if (::connect(fd, ai->ai_addr, ai->ai_addrlen) != 0 && errno != EINPROGRESS) {
      last = Fail(errno == ECONNREFUSED ? NetStatus::Refused : NetStatus::Error, errno);
      ::close(fd);
      continue;
    }
    int left = 0;
    if (timeoutMs > 0) {
      auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      left = ms > 0 ? static_cast<int>(ms) : 1;
    }
    NetResult w = WaitFor(fd, POLLOUT, left);
    if (!w.Ok()) {
      last = w;
      ::close(fd);
      if (w.status == NetStatus::Timeout) break;
      continue;
    }
    int err = 0;
    socklen_t len = sizeof err;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
    if (err != 0) {
      last = Fail(err == ECONNREFUSED ? NetStatus::Refused : NetStatus::Error, err);
      ::close(fd);
      continue;
    }
    handle_ = fd;
    ::freeaddrinfo(list);
    return {};
  }
  ::freeaddrinfo(list);
  return last;
}

NetResult Socket::SendAll(const char* data, std::size_t size, int timeoutMs) {
  int fd = static_cast<int>(handle_);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::send(fd, data + done, size - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      NetResult w = WaitFor(fd, POLLOUT, timeoutMs);
      if (!w.Ok()) return NetResult{w.status, done, w.message};
      continue;
    }
    NetResult r = Fail(errno == EPIPE || errno == ECONNRESET ? NetStatus::Closed : NetStatus::Error, errno);
    r.bytes = done;
    return r;
  }
  return NetResult{NetStatus::Ok, done, {}};
}

NetResult Socket::Receive(char* buffer, std::size_t size, int timeoutMs) {
  int fd = static_cast<int>(handle_);
  for (;;) {
    ssize_t n = ::recv(fd, buffer, size, 0);
    if (n > 0) return NetResult{NetStatus::Ok, static_cast<std::size_t>(n), {}};
    if (n == 0) return NetResult{NetStatus::Closed, 0, "closed"};
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      NetResult w = WaitFor(fd, POLLIN, timeoutMs);
      if (!w.Ok()) return w;
      continue;
    }
    return Fail(NetStatus::Error, errno);
  }
}

NetResult Socket::ListenBeside(const Socket& control) {
  Close();
  sockaddr_storage ss{};
  if (!Name(static_cast<int>(control.handle_), ss, false)) return Fail(NetStatus::Error, errno);
  socklen_t len = ss.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
  if (ss.ss_family == AF_INET)
    reinterpret_cast<sockaddr_in&>(ss).sin_port = 0;
  else
    reinterpret_cast<sockaddr_in6&>(ss).sin6_port = 0;
  int fd = ::socket(ss.ss_family, SOCK_STREAM, 0);
  if (fd < 0) return Fail(NetStatus::Error, errno);
  MakeNonBlocking(fd);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&ss), len) != 0 || ::listen(fd, 1) != 0) {
    NetResult r = Fail(NetStatus::Error, errno);
    ::close(fd);
    return r;
  }
  handle_ = fd;
  return {};
}

NetResult Socket::Accept(Socket& accepted, int timeoutMs) {
  int fd = static_cast<int>(handle_);
  for (;;) {
    int c = ::accept(fd, nullptr, nullptr);
    if (c >= 0) {
      MakeNonBlocking(c);
      accepted.Close();
      accepted.handle_ = c;
      return {};
    }
    if (errno == EINTR || errno == ECONNABORTED) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      NetResult w = WaitFor(fd, POLLIN, timeoutMs);
      if (!w.Ok()) return w;
      continue;
    }
    return Fail(NetStatus::Error, errno);
  }
}

std::string Socket::LocalAddress() const {
  sockaddr_storage ss{};
  return Name(static_cast<int>(handle_), ss, false) ? AddressText(ss) : std::string();
}

int Socket::LocalPort() const {
  sockaddr_storage ss{};
  return Name(static_cast<int>(handle_), ss, false) ? PortOf(ss) : 0;
}

std::string Socket::PeerAddress() const {
  sockaddr_storage ss{};
  return Name(static_cast<int>(handle_), ss, true) ? AddressText(ss) : std::string();
}

bool Socket::IsIpv6() const {
  sockaddr_storage ss{};
  return Name(static_cast<int>(handle_), ss, false) && ss.ss_family == AF_INET6;
}

void Socket::SetKeepAlive() {
  int one = 1;
  ::setsockopt(static_cast<int>(handle_), SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
}

void Socket::SetNoDelay() {
  int one = 1;
  ::setsockopt(static_cast<int>(handle_), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void Socket::Abort() {
  if (handle_ == kInvalid) return;
  linger l{1, 0};
  ::setsockopt(static_cast<int>(handle_), SOL_SOCKET, SO_LINGER, &l, sizeof l);
  Close();
}

void Socket::ShutdownSend() {
  if (handle_ != kInvalid) ::shutdown(static_cast<int>(handle_), SHUT_WR);
}

}  // namespace kv::ftp
