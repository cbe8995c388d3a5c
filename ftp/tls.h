// TLS for the control and data connections, behind the socket seam: the
// session's TlsClient runs the handshakes (OpenSSL in posix/tls.cpp, Schannel in
// win32/tls.cpp) and leaves a TlsLayer on the socket, through which every later
// byte of that socket passes.
#pragma once
#include <memory>
#include <string>

#include "ftp/net.h"
#include "ftp/tlssettings.h"

namespace kv::ftp {

// An encrypted stream over one socket.
class TlsLayer {
 public:
  virtual ~TlsLayer() = default;
  virtual NetResult Send(Socket& socket, const char* data, std::size_t size, int timeoutMs) = 0;
  // bytes > 0, or Closed once the peer ended the stream properly (close_notify).
  virtual NetResult Receive(Socket& socket, char* buffer, std::size_t size, int timeoutMs) = 0;
  // Tells the peer that nothing more follows (close_notify).
  virtual NetResult Shutdown(Socket& socket, int timeoutMs) = 0;
};

enum class TlsFailure {
  None,
  Handshake,  // the handshake failed or the connection broke during it
  Untrusted,  // the certificate did not verify, its name did not match, or the fingerprint differs
};

struct TlsOutcome {
  TlsFailure failure = TlsFailure::None;
  std::string message;  // why, in words for the operator
  bool Ok() const { return failure == TlsFailure::None; }
};

// The TLS side of one FTP session: trust settings, and the session the control
// connection negotiated, which the data connections resume.
class TlsClient {
 public:
  virtual ~TlsClient() = default;
  // Runs the handshake on the connected `socket` as a client of `host` and, on
  // success, attaches the TLS layer to it. A data connection (`data` true)
  // offers to resume the control connection's session.
  virtual TlsOutcome Secure(Socket& socket, const std::string& host, bool data, int timeoutMs) = 0;
};

// The platform's TLS client for `trust`; nothing (and `error` set) when it cannot
// be set up, e.g. an unreadable trust file.
std::unique_ptr<TlsClient> MakeTlsClient(const TlsTrust& trust, std::string& error);

}  // namespace kv::ftp
