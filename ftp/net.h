// TCP sockets with time limits, one implementation per platform (posix/, win32/).
// Every wait is bounded: a time limit of 0 means "no limit".
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kv::ftp {

enum class NetStatus { Ok, Timeout, Closed, Refused, UnknownHost, Error };

struct NetResult {
  NetStatus status = NetStatus::Ok;
  std::size_t bytes = 0;
  std::string message;  // the system's text for errors
  bool Ok() const { return status == NetStatus::Ok; }
};

// Prepares the socket library (WSAStartup on Windows); false when unavailable.
bool NetStartup();

class TlsLayer;

class Socket {
 public:
  Socket();
  ~Socket();
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool IsOpen() const { return handle_ != kInvalid; }
  // Resolves `host` (name or numeric address) and connects to the first address
  // that answers within `timeoutMs` in total.
  NetResult Connect(const std::string& host, int port, int timeoutMs);
  // Sends every byte, waiting at most `timeoutMs` each time the socket cannot take more.
  // Through the TLS layer once one is attached, as Receive.
  NetResult SendAll(const char* data, std::size_t size, int timeoutMs);
  // One read: bytes > 0, or status Closed at the end of the stream.
  NetResult Receive(char* buffer, std::size_t size, int timeoutMs);
  // The same without TLS: the bytes on the wire (used by the TLS layers).
  NetResult SendRaw(const char* data, std::size_t size, int timeoutMs);
  NetResult ReceiveRaw(char* buffer, std::size_t size, int timeoutMs);
  // Waits until the socket can be read (`write` false) or written.
  NetResult WaitReady(bool write, int timeoutMs);

  // From now on every byte goes through `tls`.
  void AttachTls(std::unique_ptr<TlsLayer> tls);
  bool IsEncrypted() const { return tls_ != nullptr; }
  std::intptr_t Handle() const { return handle_; }
  // Listens on the local address of `control` at a port the system chooses.
  NetResult ListenBeside(const Socket& control);
  NetResult Accept(Socket& accepted, int timeoutMs);

  std::string LocalAddress() const;
  int LocalPort() const;
  std::string PeerAddress() const;
  bool IsIpv6() const;

  void SetKeepAlive();
  // Ends the sending direction: with TLS, close_notify first (waiting at most
  // `timeoutMs` for it to leave), then the TCP half-close.
  void ShutdownSend(int timeoutMs = 10000);
  // Closes with a reset (and without close_notify), so the peer sees an aborted
  // transfer rather than a complete one.
  void Abort();
  void Close();

 private:
  static constexpr std::intptr_t kInvalid = -1;
  std::intptr_t handle_ = kInvalid;
  std::unique_ptr<TlsLayer> tls_;
};

}  // namespace kv::ftp
