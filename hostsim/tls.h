// FTP over TLS for the simulated host: one server context for every session
// (a certificate from files, or a self-signed one made at start), and the byte
// stream of a control or data connection, clear or encrypted.
#pragma once
#include <sys/types.h>

#include <memory>
#include <string>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace hostsim {

enum class TlsPolicy {
  Off,       // no AUTH; the host as one without a certificate (431)
  Optional,  // AUTH TLS offered, clear logons allowed
  Required,  // USER refused before AUTH TLS
  Implicit,  // TLS from the first byte; data protected without PROT
};

class TlsServer {
 public:
  // A context with the certificate and key of the PEM files, or with a
  // self-signed certificate for `address` when `certFile` is empty.
  static std::unique_ptr<TlsServer> Make(const std::string& certFile, const std::string& keyFile,
                                         const std::string& address, std::string& err);
  ~TlsServer();
  // The certificate's SHA-256 fingerprint, "sha256:" and 64 lowercase hex digits.
  const std::string& Fingerprint() const { return fingerprint_; }
  SSL_CTX* Context() const { return ctx_; }

 private:
  explicit TlsServer(SSL_CTX* ctx);
  SSL_CTX* ctx_;
  std::string fingerprint_;
};

// One connection's bytes; owns the descriptor and closes it. Blocking descriptor; the waits are bounded by the
// socket's own time limits (SO_RCVTIMEO/SO_SNDTIMEO) and by the callers' poll.
class Stream {
 public:
  explicit Stream(int fd) : fd_(fd) {}
  ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  int fd() const { return fd_; }
  bool Encrypted() const { return ssl_ != nullptr; }
  // The server side of the handshake, waiting at most `timeoutSeconds`; false with `err`.
  bool Accept(const TlsServer& tls, int timeoutSeconds, std::string& err);
  // True when the handshake resumed an earlier session (of the control connection).
  bool Resumed() const;
  bool Send(const char* p, std::size_t n);
  // > 0 bytes; 0 at a proper end (FIN, or close_notify over TLS); < 0 a failure,
  // including a TLS stream cut without close_notify (a possibly truncated upload).
  ssize_t Recv(char* buf, std::size_t n);
  // Bytes already decrypted and waiting (poll() does not see them).
  bool Pending() const;
  // Sends close_notify when encrypted.
  void Shutdown();

 private:
  int fd_;
  SSL* ssl_ = nullptr;
};

}  // namespace hostsim
