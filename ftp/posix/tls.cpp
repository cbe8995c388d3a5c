// TLS with OpenSSL: one SSL_CTX per session holding the trust settings and the
// newest session the server issued; every connection runs over the socket's
// non-blocking descriptor, each wait bounded by the caller's time limit.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cstring>

#include "ftp/tls.h"

namespace kv::ftp {
namespace {

std::string OpenSslError() {
  unsigned long e = ERR_get_error();
  ERR_clear_error();
  if (e == 0) return "connection closed during the TLS handshake";
  char text[256];
  ERR_error_string_n(e, text, sizeof text);
  return text;
}

bool IsIpLiteral(const std::string& host) {
  ASN1_OCTET_STRING* ip = a2i_IPADDRESS(host.c_str());
  if (!ip) return false;
  ASN1_OCTET_STRING_free(ip);
  return true;
}

// Repeats an SSL call until it completes, waiting on the socket for what it
// wants. Ok with the call's result, or the reason it cannot go on.
template <typename Call>
NetResult Drive(Socket& socket, SSL* ssl, int timeoutMs, Call call, int& result) {
  for (;;) {
    ERR_clear_error();
    result = call();
    if (result > 0) return {};
    int error = SSL_get_error(ssl, result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
      NetResult w = socket.WaitReady(error == SSL_ERROR_WANT_WRITE, timeoutMs);
      if (!w.Ok()) return w;
      continue;
    }
    if (error == SSL_ERROR_ZERO_RETURN) return NetResult{NetStatus::Closed, 0, "closed"};
    if ((error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) ||
        ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
      ERR_clear_error();
      return NetResult{NetStatus::Error, 0, "the connection ended without TLS close_notify (data may be missing)"};
    }
    return NetResult{NetStatus::Error, 0, OpenSslError()};
  }
}

// With a fingerprint, the chain and the name do not matter, but the dates still do.
int AcceptPinnedChain(int ok, X509_STORE_CTX* store) {
  if (ok) return 1;
  int error = X509_STORE_CTX_get_error(store);
  if (error == X509_V_ERR_CERT_HAS_EXPIRED || error == X509_V_ERR_CERT_NOT_YET_VALID) return 0;
  X509_STORE_CTX_set_error(store, X509_V_OK);
  return 1;
}

class OpenSslLayer : public TlsLayer {
 public:
  explicit OpenSslLayer(SSL* ssl) : ssl_(ssl) {}
  ~OpenSslLayer() override {
    // Freed without a completed shutdown, OpenSSL would mark the session as not
    // resumable, and the next data connection could not resume it. Nothing is sent
    // here: an aborted transfer still ends without close_notify.
    SSL_set_shutdown(ssl_, SSL_SENT_SHUTDOWN | SSL_RECEIVED_SHUTDOWN);
    SSL_free(ssl_);
  }

  NetResult Send(Socket& socket, const char* data, std::size_t size, int timeoutMs) override {
    std::size_t done = 0;
    while (done < size) {
      std::size_t written = 0;
      int rc = 0;
      NetResult r = Drive(socket, ssl_, timeoutMs,
                          [&] { return SSL_write_ex(ssl_, data + done, size - done, &written); }, rc);
      if (!r.Ok()) {
        r.bytes = done;
        return r;
      }
      done += written;
    }
    return NetResult{NetStatus::Ok, done, {}};
  }

  NetResult Receive(Socket& socket, char* buffer, std::size_t size, int timeoutMs) override {
    std::size_t got = 0;
    int rc = 0;
    NetResult r = Drive(socket, ssl_, timeoutMs, [&] { return SSL_read_ex(ssl_, buffer, size, &got); }, rc);
    if (r.Ok()) r.bytes = got;
    return r;
  }

  NetResult Shutdown(Socket& socket, int timeoutMs) override {
    // 0 means close_notify has gone out; the peer's own is not waited for.
    for (;;) {
      ERR_clear_error();
      int rc = SSL_shutdown(ssl_);
      if (rc >= 0) return {};
      int error = SSL_get_error(ssl_, rc);
      if (error != SSL_ERROR_WANT_WRITE && error != SSL_ERROR_WANT_READ)
        return NetResult{NetStatus::Error, 0, OpenSslError()};
      NetResult w = socket.WaitReady(error == SSL_ERROR_WANT_WRITE, timeoutMs);
      if (!w.Ok()) return w;
    }
  }

 private:
  SSL* ssl_;
};

class OpenSslClient : public TlsClient {
 public:
  OpenSslClient(SSL_CTX* ctx, const TlsTrust& trust) : ctx_(ctx), pin_(trust.sha256) {
    SSL_CTX_set_app_data(ctx_, this);
    SSL_CTX_set_session_cache_mode(ctx_, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(ctx_, &OpenSslClient::NewSession);
  }
  ~OpenSslClient() override {
    if (session_) SSL_SESSION_free(session_);
    SSL_CTX_free(ctx_);
  }

  TlsOutcome Secure(Socket& socket, const std::string& host, bool data, int timeoutMs) override {
    SSL* ssl = SSL_new(ctx_);
    if (!ssl) return {TlsFailure::Handshake, OpenSslError()};
    auto layer = std::make_unique<OpenSslLayer>(ssl);
    SSL_set_fd(ssl, static_cast<int>(socket.Handle()));
    if (pin_.empty()) {
      // The certificate must name the host the script connects to.
      if (IsIpLiteral(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
      } else {
        SSL_set1_host(ssl, host.c_str());
        SSL_set_tlsext_host_name(ssl, host.c_str());
      }
    } else if (!IsIpLiteral(host)) {
      SSL_set_tlsext_host_name(ssl, host.c_str());
    }
    if (data && session_) SSL_set_session(ssl, session_);
    int rc = 0;
    NetResult r = Drive(socket, ssl, timeoutMs, [&] { return SSL_connect(ssl); }, rc);
    long verify = SSL_get_verify_result(ssl);
    if (!r.Ok()) {
      if (verify != X509_V_OK)
        return {TlsFailure::Untrusted, "the certificate of " + host + " is not trusted (" +
                                           X509_verify_cert_error_string(verify) + ")"};
      if (r.status == NetStatus::Timeout) return {TlsFailure::Handshake, "the TLS handshake timed out"};
      return {TlsFailure::Handshake, "the TLS handshake failed (" + r.message + ")"};
    }
    if (!pin_.empty()) {
      X509* cert = SSL_get0_peer_certificate(ssl);
      unsigned char md[EVP_MAX_MD_SIZE];
      unsigned int len = 0;
      if (!cert || !X509_digest(cert, EVP_sha256(), md, &len) || len != pin_.size() ||
          CRYPTO_memcmp(md, pin_.data(), len) != 0) {
        std::string seen = cert ? "sha256:" + HexText(std::string(reinterpret_cast<char*>(md), len)) : "none";
        return {TlsFailure::Untrusted, "the certificate of " + host + " is not the trusted one (its fingerprint is " +
                                           seen + ")"};
      }
    }
    socket.AttachTls(std::move(layer));
    return {};
  }

 private:
  // Keeps the newest session the server issued (after the handshake with TLS 1.2,
  // with the tickets that follow it with TLS 1.3), so data connections resume it.
  static int NewSession(SSL* ssl, SSL_SESSION* session) {
    auto* self = static_cast<OpenSslClient*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
    if (self->session_) SSL_SESSION_free(self->session_);
    self->session_ = session;
    return 1;  // the reference is kept
  }

  SSL_CTX* ctx_;
  std::string pin_;
  SSL_SESSION* session_ = nullptr;
};

}  // namespace

std::unique_ptr<TlsClient> MakeTlsClient(const TlsTrust& trust, std::string& error) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (!ctx) {
    error = OpenSslError();
    return nullptr;
  }
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_mode(ctx, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  bool loaded = true;
  if (!trust.sha256.empty()) {
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, &AcceptPinnedChain);
  } else {
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    loaded = trust.file.empty() ? SSL_CTX_set_default_verify_paths(ctx) == 1
                                : SSL_CTX_load_verify_locations(ctx, trust.file.c_str(), nullptr) == 1;
  }
  if (!loaded) {
    error = trust.file.empty() ? "the system's trust store cannot be read"
                               : "the trust file " + trust.file + " cannot be read as PEM certificates";
    ERR_clear_error();
    SSL_CTX_free(ctx);
    return nullptr;
  }
  return std::make_unique<OpenSslClient>(ctx, trust);
}

}  // namespace kv::ftp
