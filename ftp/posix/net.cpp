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
#include <cstring>

#include "ftp/net.h"
#include "ftp/netsys.h"
#include "ftp/sockaddr_endpoint.h"

namespace kv::ftp {
namespace {

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

}  // namespace

bool NetStartup() {
  // A peer that closes a data connection must give an error, not kill the process.
  ::signal(SIGPIPE, SIG_IGN);
  return true;
}

namespace sys {

void CloseHandle(Handle handle) { ::close(static_cast<int>(handle)); }

void ShutdownWrite(Handle handle) { ::shutdown(static_cast<int>(handle), SHUT_WR); }

NetResult Resolve(const std::string& host, int port, std::vector<Endpoint>& out) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  std::string service = std::to_string(port);
  int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
  if (rc != 0 || !list) return NetResult{NetStatus::UnknownHost, 0, ::gai_strerror(rc)};
  for (addrinfo* ai = list; ai; ai = ai->ai_next)
    if (ai->ai_family == AF_INET || ai->ai_family == AF_INET6) out.push_back(FromSockaddr(ai->ai_addr));
  ::freeaddrinfo(list);
  return {};
}

NetResult StartConnect(const Endpoint& to, Handle& handle) {
  sockaddr_storage ss;
  socklen_t len = static_cast<socklen_t>(ToSockaddr(to, ss));
  int fd = ::socket(ss.ss_family, SOCK_STREAM, 0);
  if (fd < 0) return Fail(NetStatus::Error, errno);
  MakeNonBlocking(fd);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&ss), len) != 0 && errno != EINPROGRESS) {
    NetResult r = Fail(errno == ECONNREFUSED ? NetStatus::Refused : NetStatus::Error, errno);
    ::close(fd);
    return r;
  }
  handle = fd;
  return {};
}

NetResult FinishConnect(Handle handle, int timeoutMs) {
  int fd = static_cast<int>(handle);
  NetResult w = WaitFor(fd, POLLOUT, timeoutMs);
  if (!w.Ok()) return w;
  int err = 0;
  socklen_t len = sizeof err;
  ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
  if (err != 0) return Fail(err == ECONNREFUSED ? NetStatus::Refused : NetStatus::Error, err);
  return {};
}

bool EndpointOf(Handle handle, bool peer, Endpoint& out) {
  sockaddr_storage ss{};
  socklen_t len = sizeof ss;
  auto* sa = reinterpret_cast<sockaddr*>(&ss);
  int fd = static_cast<int>(handle);
  if ((peer ? ::getpeername(fd, sa, &len) : ::getsockname(fd, sa, &len)) != 0) return false;
  if (ss.ss_family != AF_INET && ss.ss_family != AF_INET6) return false;
  out = FromSockaddr(sa);
  return true;
}

NetResult Listen(const Endpoint& local, Handle& handle) {
  sockaddr_storage ss;
  socklen_t len = static_cast<socklen_t>(ToSockaddr(local, ss));
  int fd = ::socket(ss.ss_family, SOCK_STREAM, 0);
  if (fd < 0) return Fail(NetStatus::Error, errno);
  MakeNonBlocking(fd);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&ss), len) != 0 || ::listen(fd, 1) != 0) {
    NetResult r = Fail(NetStatus::Error, errno);
    ::close(fd);
    return r;
  }
  handle = fd;
  return {};
}

}  // namespace sys

NetResult Socket::SendRaw(const char* data, std::size_t size, int timeoutMs) {
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

NetResult Socket::ReceiveRaw(char* buffer, std::size_t size, int timeoutMs) {
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

NetResult Socket::WaitReady(bool write, int timeoutMs) {
  return WaitFor(static_cast<int>(handle_), write ? POLLOUT : POLLIN, timeoutMs);
}

void Socket::SetKeepAlive() {
  int one = 1;
  ::setsockopt(static_cast<int>(handle_), SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
}

void Socket::Abort() {
  if (handle_ == kInvalid) return;
  linger l{1, 0};
  ::setsockopt(static_cast<int>(handle_), SOL_SOCKET, SO_LINGER, &l, sizeof l);
  Close();
}


}  // namespace kv::ftp
