// What a socket does the same on every platform: ownership of its handle, the
// connect loop over the resolved addresses under one time limit, listening
// beside another socket, and the text of its addresses.
#include <chrono>

#include "ftp/net.h"
#include "ftp/netsys.h"
#include "ftp/tls.h"

namespace kv::ftp {

Socket::Socket() = default;
Socket::~Socket() { Close(); }
Socket::Socket(Socket&& other) noexcept : handle_(other.handle_), tls_(std::move(other.tls_)) {
  other.handle_ = kInvalid;
}
Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    tls_ = std::move(other.tls_);
    other.handle_ = kInvalid;
  }
  return *this;
}

NetResult Socket::SendAll(const char* data, std::size_t size, int timeoutMs) {
  return tls_ ? tls_->Send(*this, data, size, timeoutMs) : SendRaw(data, size, timeoutMs);
}

NetResult Socket::Receive(char* buffer, std::size_t size, int timeoutMs) {
  return tls_ ? tls_->Receive(*this, buffer, size, timeoutMs) : ReceiveRaw(buffer, size, timeoutMs);
}

void Socket::AttachTls(std::unique_ptr<TlsLayer> tls) { tls_ = std::move(tls); }

void Socket::ShutdownSend(int timeoutMs) {
  if (handle_ == kInvalid) return;
  if (tls_) tls_->Shutdown(*this, timeoutMs);
  sys::ShutdownWrite(handle_);
}

NetResult Socket::Connect(const std::string& host, int port, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  Close();
  std::vector<Endpoint> addresses;
  NetResult resolved = sys::Resolve(host, port, addresses);
  if (!resolved.Ok()) return resolved;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  NetResult last{NetStatus::Error, 0, "no address"};
  for (const Endpoint& to : addresses) {
    sys::Handle h = sys::kNoHandle;
    NetResult started = sys::StartConnect(to, h);
    if (!started.Ok()) {
      last = started;
      continue;
    }
    // Every address shares what is left of the one time limit.
    int left = 0;
    if (timeoutMs > 0) {
      auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      left = ms > 0 ? static_cast<int>(ms) : 1;
    }
    NetResult done = sys::FinishConnect(h, left);
    if (!done.Ok()) {
      sys::CloseHandle(h);
      last = done;
      if (done.status == NetStatus::Timeout) break;
      continue;
    }
    handle_ = h;
    return {};
  }
  return last;
}

NetResult Socket::ListenBeside(const Socket& control) {
  Close();
  Endpoint local;
  if (!sys::EndpointOf(control.handle_, false, local)) return NetResult{NetStatus::Error, 0, "no local address"};
  local.port = 0;  // the system chooses
  sys::Handle h = sys::kNoHandle;
  NetResult r = sys::Listen(local, h);
  if (r.Ok()) handle_ = h;
  return r;
}

void Socket::Close() {
  tls_.reset();
  if (handle_ != kInvalid) sys::CloseHandle(handle_);
  handle_ = kInvalid;
}

std::string Socket::LocalAddress() const {
  Endpoint e;
  return sys::EndpointOf(handle_, false, e) ? AddressText(e) : std::string();
}

int Socket::LocalPort() const {
  Endpoint e;
  return sys::EndpointOf(handle_, false, e) ? e.port : 0;
}

std::string Socket::PeerAddress() const {
  Endpoint e;
  return sys::EndpointOf(handle_, true, e) ? AddressText(e) : std::string();
}

bool Socket::IsIpv6() const {
  Endpoint e;
  return sys::EndpointOf(handle_, false, e) && e.ipv6;
}

}  // namespace kv::ftp
