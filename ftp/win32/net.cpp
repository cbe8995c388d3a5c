// Winsock sockets: every socket is non-blocking and every wait goes through
// select() with the caller's time limit (select reports a refused connect in its
// exception set, which WSAPoll does not do reliably).
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "common/win32/widen.h"
#include "ftp/net.h"
#include "ftp/netsys.h"
#include "ftp/sockaddr_endpoint.h"

namespace kv::ftp {
namespace {

SOCKET S(std::intptr_t h) { return static_cast<SOCKET>(h); }

std::string ErrorText(int err) {
  switch (err) {
    case WSAECONNREFUSED: return "Connection refused";
    case WSAETIMEDOUT: return "Connection timed out";
    case WSAECONNRESET: return "Connection reset by peer";
    case WSAENETUNREACH: return "Network is unreachable";
    case WSAEHOSTUNREACH: return "No route to host";
    default: break;
  }
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(err), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result = n && text ? win32::Narrow(std::wstring(text, n)) : "error " + std::to_string(err);
  if (text) LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.'))
    result.pop_back();
  return result;
}

NetResult Fail(NetStatus status, int err) { return NetResult{status, 0, ErrorText(err)}; }

// Waits until the socket can be read (`write` false) or written; a failed connect
// shows in the exception set.
NetResult WaitFor(SOCKET s, bool write, int timeoutMs) {
  fd_set rw, ex;
  FD_ZERO(&rw);
  FD_ZERO(&ex);
  FD_SET(s, &rw);
  FD_SET(s, &ex);
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  int r = select(0, write ? nullptr : &rw, write ? &rw : nullptr, &ex, timeoutMs > 0 ? &tv : nullptr);
  if (r == 0) return NetResult{NetStatus::Timeout, 0, "timed out"};
  if (r == SOCKET_ERROR) return Fail(NetStatus::Error, WSAGetLastError());
  if (FD_ISSET(s, &ex)) {
    int err = 0;
    int len = sizeof err;
    getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len);
    return Fail(err == WSAECONNREFUSED ? NetStatus::Refused : NetStatus::Error, err ? err : WSAECONNRESET);
  }
  return {};
}

void MakeNonBlocking(SOCKET s) {
  u_long on = 1;
  ioctlsocket(s, FIONBIO, &on);
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
}

}  // namespace

bool NetStartup() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

namespace sys {

void CloseHandle(Handle handle) { closesocket(S(handle)); }

void ShutdownWrite(Handle handle) { shutdown(S(handle), SD_SEND); }

NetResult Resolve(const std::string& host, int port, std::vector<Endpoint>& out) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  std::string service = std::to_string(port);
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) != 0 || !list)
    return NetResult{NetStatus::UnknownHost, 0, "unknown host"};
  for (addrinfo* ai = list; ai; ai = ai->ai_next)
    if (ai->ai_family == AF_INET || ai->ai_family == AF_INET6) out.push_back(FromSockaddr(ai->ai_addr));
  freeaddrinfo(list);
  return {};
}

NetResult StartConnect(const Endpoint& to, Handle& handle) {
  sockaddr_storage ss;
  int len = ToSockaddr(to, ss);
  SOCKET s = socket(ss.ss_family, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return Fail(NetStatus::Error, WSAGetLastError());
  MakeNonBlocking(s);
  if (connect(s, reinterpret_cast<sockaddr*>(&ss), len) != 0) {
    int err = WSAGetLastError();
    if (err != WSAEWOULDBLOCK) {
      closesocket(s);
      return Fail(err == WSAECONNREFUSED ? NetStatus::Refused : NetStatus::Error, err);
    }
  }
  handle = static_cast<Handle>(s);
  return {};
}

NetResult FinishConnect(Handle handle, int timeoutMs) { return WaitFor(S(handle), true, timeoutMs); }

bool EndpointOf(Handle handle, bool peer, Endpoint& out) {
  sockaddr_storage ss{};
  int len = sizeof ss;
  auto* sa = reinterpret_cast<sockaddr*>(&ss);
  if ((peer ? getpeername(S(handle), sa, &len) : getsockname(S(handle), sa, &len)) != 0) return false;
  if (ss.ss_family != AF_INET && ss.ss_family != AF_INET6) return false;
  out = FromSockaddr(sa);
  return true;
}

NetResult Listen(const Endpoint& local, Handle& handle) {
  sockaddr_storage ss;
  int len = ToSockaddr(local, ss);
  SOCKET s = socket(ss.ss_family, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return Fail(NetStatus::Error, WSAGetLastError());
  MakeNonBlocking(s);
  if (bind(s, reinterpret_cast<sockaddr*>(&ss), len) != 0 || listen(s, 1) != 0) {
    NetResult r = Fail(NetStatus::Error, WSAGetLastError());
    closesocket(s);
    return r;
  }
  handle = static_cast<Handle>(s);
  return {};
}

}  // namespace sys

NetResult Socket::SendRaw(const char* data, std::size_t size, int timeoutMs) {
  std::size_t done = 0;
  while (done < size) {
    int chunk = static_cast<int>(std::min<std::size_t>(size - done, 1 << 20));
    int n = send(S(handle_), data + done, chunk, 0);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    int err = WSAGetLastError();
    if (err == WSAEWOULDBLOCK) {
      NetResult w = WaitFor(S(handle_), true, timeoutMs);
      if (!w.Ok()) return NetResult{w.status, done, w.message};
      continue;
    }
    NetResult r = Fail(err == WSAECONNRESET || err == WSAECONNABORTED ? NetStatus::Closed : NetStatus::Error, err);
    r.bytes = done;
    return r;
  }
  return NetResult{NetStatus::Ok, done, {}};
}

NetResult Socket::ReceiveRaw(char* buffer, std::size_t size, int timeoutMs) {
  for (;;) {
    int n = recv(S(handle_), buffer, static_cast<int>(std::min<std::size_t>(size, 1 << 30)), 0);
    if (n > 0) return NetResult{NetStatus::Ok, static_cast<std::size_t>(n), {}};
    if (n == 0) return NetResult{NetStatus::Closed, 0, "closed"};
    int err = WSAGetLastError();
    if (err == WSAEWOULDBLOCK) {
      NetResult w = WaitFor(S(handle_), false, timeoutMs);
      if (!w.Ok()) return w;
      continue;
    }
    return Fail(NetStatus::Error, err);
  }
}

NetResult Socket::Accept(Socket& accepted, int timeoutMs) {
  for (;;) {
    SOCKET c = accept(S(handle_), nullptr, nullptr);
    if (c != INVALID_SOCKET) {
      MakeNonBlocking(c);
      accepted.Close();
      accepted.handle_ = static_cast<std::intptr_t>(c);
      return {};
    }
    int err = WSAGetLastError();
    if (err == WSAECONNRESET) continue;
    if (err == WSAEWOULDBLOCK) {
      NetResult w = WaitFor(S(handle_), false, timeoutMs);
      if (!w.Ok()) return w;
      continue;
    }
    return Fail(NetStatus::Error, err);
  }
}

NetResult Socket::WaitReady(bool write, int timeoutMs) { return WaitFor(S(handle_), write, timeoutMs); }

void Socket::SetKeepAlive() {
  BOOL on = TRUE;
  setsockopt(S(handle_), SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
}

void Socket::Abort() {
  if (handle_ == kInvalid) return;
  linger l{1, 0};
  setsockopt(S(handle_), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
  Close();
}


}  // namespace kv::ftp
