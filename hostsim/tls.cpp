#include "hostsim/tls.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

namespace hostsim {
namespace {

std::string LastError() {
  unsigned long e = ERR_get_error();
  ERR_clear_error();
  if (!e) return "connection closed during the handshake";
  char text[256];
  ERR_error_string_n(e, text, sizeof text);
  return text;
}

// A self-signed certificate naming `address` (and localhost), valid from a
// minute ago for a year, with a random serial.
bool MakeSelfSigned(SSL_CTX* ctx, const std::string& address, std::string& err) {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* x = X509_new();
  bool ok = key && x;
  if (ok) {
    X509_set_version(x, 2);
    unsigned char serial[12];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(x));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(x), -60);
    X509_gmtime_adj(X509_getm_notAfter(x), 365L * 24 * 3600);
    X509_set_pubkey(x, key);
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("hostsim"), -1, -1, 0);
    X509_set_issuer_name(x, name);
    X509V3_CTX v3;
    X509V3_set_ctx_nodb(&v3);
    X509V3_set_ctx(&v3, x, x, nullptr, nullptr, 0);
    bool ip = a2i_IPADDRESS(address.c_str()) != nullptr;
    ERR_clear_error();
    std::string san = std::string(ip ? "IP:" : "DNS:") + address + ",DNS:localhost";
    for (auto [nid, value] : {std::pair{NID_subject_alt_name, san}, std::pair{NID_basic_constraints, std::string("critical,CA:FALSE")}}) {
      X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &v3, nid, value.c_str());
      ok = ok && ext && X509_add_ext(x, ext, -1);
      if (ext) X509_EXTENSION_free(ext);
    }
    ok = ok && X509_sign(x, key, EVP_sha256()) > 0 && SSL_CTX_use_certificate(ctx, x) == 1 &&
         SSL_CTX_use_PrivateKey(ctx, key) == 1;
  }
  if (!ok) err = "cannot make a certificate: " + LastError();
  X509_free(x);
  EVP_PKEY_free(key);
  return ok;
}

}  // namespace

TlsServer::TlsServer(SSL_CTX* ctx) : ctx_(ctx) {}
TlsServer::~TlsServer() { SSL_CTX_free(ctx_); }

std::unique_ptr<TlsServer> TlsServer::Make(const std::string& certFile, const std::string& keyFile,
                                           const std::string& address, std::string& err) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  if (!ctx) {
    err = LastError();
    return nullptr;
  }
  std::unique_ptr<TlsServer> server(new TlsServer(ctx));
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  // One session cache for the control and data connections of every session, so
  // that data connections can resume the control connection's session.
  SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_SERVER);
  static const unsigned char kContext[] = "hostsim-ftp";
  SSL_CTX_set_session_id_context(ctx, kContext, sizeof kContext - 1);
  SSL_CTX_set_mode(ctx, SSL_MODE_AUTO_RETRY);
  if (certFile.empty()) {
    if (!MakeSelfSigned(ctx, address, err)) return nullptr;
  } else if (SSL_CTX_use_certificate_chain_file(ctx, certFile.c_str()) != 1 ||
             SSL_CTX_use_PrivateKey_file(ctx, keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
             SSL_CTX_check_private_key(ctx) != 1) {
    err = "cannot use " + certFile + " and " + keyFile + ": " + LastError();
    return nullptr;
  }
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  X509_digest(SSL_CTX_get0_certificate(ctx), EVP_sha256(), md, &len);
  static const char kHex[] = "0123456789abcdef";
  server->fingerprint_ = "sha256:";
  for (unsigned i = 0; i < len; ++i) server->fingerprint_ += {kHex[md[i] >> 4], kHex[md[i] & 15]};
  return server;
}

Stream::~Stream() {
  if (ssl_) {
    // A session whose connection ended without a shutdown stays resumable.
    SSL_set_shutdown(ssl_, SSL_SENT_SHUTDOWN | SSL_RECEIVED_SHUTDOWN);
    SSL_free(ssl_);
  }
  if (fd_ >= 0) ::close(fd_);
}

bool Stream::Accept(const TlsServer& tls, int timeoutSeconds, std::string& err) {
  timeval limit{timeoutSeconds, 0}, before{};
  socklen_t len = sizeof before;
  ::getsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &before, &len);
  ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  ssl_ = SSL_new(tls.Context());
  SSL_set_fd(ssl_, fd_);
  ERR_clear_error();
  int rc = SSL_accept(ssl_);
  ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &before, sizeof before);
  if (rc == 1) return true;
  err = LastError();
  SSL_free(ssl_);
  ssl_ = nullptr;
  return false;
}

bool Stream::Resumed() const { return ssl_ && SSL_session_reused(ssl_); }

bool Stream::Send(const char* p, std::size_t n) {
  while (n > 0) {
    if (ssl_) {
      std::size_t w = 0;
      if (SSL_write_ex(ssl_, p, n, &w) != 1) return false;
      p += w;
      n -= w;
      continue;
    }
    ssize_t w = ::send(fd_, p, n, MSG_NOSIGNAL);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

ssize_t Stream::Recv(char* buf, std::size_t n) {
  if (!ssl_) {
    for (;;) {
      ssize_t r = ::recv(fd_, buf, n, 0);
      if (r < 0 && errno == EINTR) continue;
      return r;
    }
  }
  std::size_t got = 0;
  ERR_clear_error();
  if (SSL_read_ex(ssl_, buf, n, &got) == 1) return static_cast<ssize_t>(got);
  return SSL_get_error(ssl_, 0) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
}

bool Stream::Pending() const { return ssl_ && SSL_pending(ssl_) > 0; }

void Stream::Shutdown() {
  if (ssl_) SSL_shutdown(ssl_);
}

}  // namespace hostsim
