// TLS with Schannel (SSPI), so FTP.EXE stays one program with nothing to
// install. One credential handle per session: Schannel resumes a session only for
// the same credential handle and target name, so the data connections use both.
// The certificate is checked here rather than by Schannel, so that a trust file
// or a fingerprint can replace the system's store and the operator reads why a
// certificate was refused.
#define SECURITY_WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/fileio.h"
#include "common/win32/widen.h"
#include "ftp/tls.h"

namespace kv::ftp {
namespace {

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;

std::string StatusText(SECURITY_STATUS status) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(status));
  return text;
}

// Sends a token Schannel allocated, then frees it.
NetResult SendToken(Socket& socket, SecBuffer& token, int timeoutMs) {
  NetResult r;
  if (token.cbBuffer && token.pvBuffer)
    r = socket.SendRaw(static_cast<const char*>(token.pvBuffer), token.cbBuffer, timeoutMs);
  if (token.pvBuffer) FreeContextBuffer(token.pvBuffer);
  token.pvBuffer = nullptr;
  token.cbBuffer = 0;
  return r;
}

// One encrypted connection: the security context, the stream sizes, the bytes
// received but not yet decrypted, and the decrypted bytes not yet handed out.
class SchannelLayer : public TlsLayer {
 public:
  SchannelLayer(CredHandle* cred, std::wstring target) : cred_(cred), target_(std::move(target)) {
    SecInvalidateHandle(&ctx_);
  }
  ~SchannelLayer() override {
    if (SecIsValidHandle(&ctx_)) DeleteSecurityContext(&ctx_);
  }
  CtxtHandle* Context() { return &ctx_; }

  // The client handshake (also used to finish a renegotiation, with `in_` holding
  // what the server sent).
  NetResult Handshake(Socket& socket, int timeoutMs, bool fresh) {
    bool needRead = fresh;
    if (fresh) {
      SecBuffer outToken{0, SECBUFFER_TOKEN, nullptr};
      SecBufferDesc out{SECBUFFER_VERSION, 1, &outToken};
      DWORD attrs = 0;
      SECURITY_STATUS s = InitializeSecurityContextW(cred_, nullptr, const_cast<wchar_t*>(target_.c_str()),
                                                     kContextFlags, 0, 0, nullptr, 0, &ctx_, &out, &attrs, nullptr);
      if (s != SEC_I_CONTINUE_NEEDED) return NetResult{NetStatus::Error, 0, "Schannel " + StatusText(s)};
      NetResult sent = SendToken(socket, outToken, timeoutMs);
      if (!sent.Ok()) return sent;
    }
    for (;;) {
      if (needRead || in_.empty()) {
        NetResult r = ReadMore(socket, timeoutMs);
        if (!r.Ok()) return r;
      }
      needRead = false;
      SecBuffer inBuffers[2] = {{static_cast<unsigned long>(in_.size()), SECBUFFER_TOKEN, in_.data()},
                                {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc inDesc{SECBUFFER_VERSION, 2, inBuffers};
      SecBuffer outToken{0, SECBUFFER_TOKEN, nullptr};
      SecBufferDesc out{SECBUFFER_VERSION, 1, &outToken};
      DWORD attrs = 0;
      SECURITY_STATUS s = InitializeSecurityContextW(cred_, &ctx_, const_cast<wchar_t*>(target_.c_str()),
                                                     kContextFlags, 0, 0, &inDesc, 0, nullptr, &out, &attrs, nullptr);
      if (s == SEC_E_INCOMPLETE_MESSAGE) {
        needRead = true;
        continue;
      }
      if (s == SEC_E_OK || s == SEC_I_CONTINUE_NEEDED || (FAILED(s) && (attrs & ISC_RET_EXTENDED_ERROR))) {
        NetResult sent = SendToken(socket, outToken, timeoutMs);  // also the alert of a failure
        if (!sent.Ok()) return sent;
      } else if (outToken.pvBuffer) {
        FreeContextBuffer(outToken.pvBuffer);
      }
      if (s == SEC_I_INCOMPLETE_CREDENTIALS) return NetResult{NetStatus::Error, 0, "the host asks for a client certificate"};
      if (s != SEC_E_OK && s != SEC_I_CONTINUE_NEEDED)
        return NetResult{NetStatus::Error, 0, "Schannel " + StatusText(s)};
      // Bytes of the next message that came with this one stay for later.
      if (inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer > 0)
        in_.erase(in_.begin(), in_.end() - inBuffers[1].cbBuffer);
      else
        in_.clear();
      if (s == SEC_E_OK) break;
      needRead = in_.empty();
    }
    SECURITY_STATUS s = QueryContextAttributesW(&ctx_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
    if (s != SEC_E_OK) return NetResult{NetStatus::Error, 0, "Schannel " + StatusText(s)};
    return {};
  }

  NetResult Send(Socket& socket, const char* data, std::size_t size, int timeoutMs) override {
    std::size_t done = 0;
    std::vector<char> record(sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer);
    while (done < size) {
      std::size_t n = std::min<std::size_t>(size - done, sizes_.cbMaximumMessage);
      std::memcpy(record.data() + sizes_.cbHeader, data + done, n);
      SecBuffer b[4] = {{sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                        {static_cast<unsigned long>(n), SECBUFFER_DATA, record.data() + sizes_.cbHeader},
                        {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + n},
                        {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
      SECURITY_STATUS s = EncryptMessage(&ctx_, 0, &desc, 0);
      if (s != SEC_E_OK) return NetResult{NetStatus::Error, done, "Schannel " + StatusText(s)};
      NetResult r = socket.SendRaw(record.data(), b[0].cbBuffer + b[1].cbBuffer + b[2].cbBuffer, timeoutMs);
      if (!r.Ok()) {
        r.bytes = done;
        return r;
      }
      done += n;
    }
    return NetResult{NetStatus::Ok, done, {}};
  }

  NetResult Receive(Socket& socket, char* buffer, std::size_t size, int timeoutMs) override {
    while (plain_.empty()) {
      if (closed_) return NetResult{NetStatus::Closed, 0, "closed"};
      if (in_.empty()) {
        NetResult r = ReadMore(socket, timeoutMs);
        if (!r.Ok()) return CutShort(r);
      }
      SecBuffer b[4] = {{static_cast<unsigned long>(in_.size()), SECBUFFER_DATA, in_.data()},
                        {0, SECBUFFER_EMPTY, nullptr},
                        {0, SECBUFFER_EMPTY, nullptr},
                        {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
      SECURITY_STATUS s = DecryptMessage(&ctx_, &desc, 0, nullptr);
      if (s == SEC_E_INCOMPLETE_MESSAGE) {
        NetResult r = ReadMore(socket, timeoutMs);
        if (!r.Ok()) return CutShort(r);
        continue;
      }
      if (s == SEC_I_CONTEXT_EXPIRED) {
        closed_ = true;
        continue;
      }
      if (s != SEC_E_OK && s != SEC_I_RENEGOTIATE)
        return NetResult{NetStatus::Error, 0, "Schannel " + StatusText(s)};
      // The buffers are found by their type: their order differs between systems.
      const SecBuffer* data = nullptr;
      const SecBuffer* extra = nullptr;
      for (const SecBuffer& x : b) {
        if (x.BufferType == SECBUFFER_DATA) data = &x;
        if (x.BufferType == SECBUFFER_EXTRA && x.cbBuffer > 0) extra = &x;
      }
      if (data && data->cbBuffer > 0) {
        const char* p = static_cast<const char*>(data->pvBuffer);
        plain_.insert(plain_.end(), p, p + data->cbBuffer);
      } else if (s == SEC_E_OK) {
        closed_ = true;  // a close_notify shows as an empty record on some systems
      }
      if (extra)
        in_.erase(in_.begin(), in_.end() - extra->cbBuffer);
      else
        in_.clear();
      if (s == SEC_I_RENEGOTIATE) {
        closed_ = false;
        NetResult r = Handshake(socket, timeoutMs, false);
        if (!r.Ok()) return r;
      }
    }
    std::size_t n = std::min(size, plain_.size());
    std::memcpy(buffer, plain_.data(), n);
    plain_.erase(plain_.begin(), plain_.begin() + n);
    return NetResult{NetStatus::Ok, n, {}};
  }

  NetResult Shutdown(Socket& socket, int timeoutMs) override {
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
    SECURITY_STATUS s = ApplyControlToken(&ctx_, &controlDesc);
    if (s != SEC_E_OK) return NetResult{NetStatus::Error, 0, "Schannel " + StatusText(s)};
    SecBuffer outToken{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc out{SECBUFFER_VERSION, 1, &outToken};
    DWORD attrs = 0;
    s = InitializeSecurityContextW(cred_, &ctx_, const_cast<wchar_t*>(target_.c_str()), kContextFlags, 0, 0, nullptr,
                                   0, nullptr, &out, &attrs, nullptr);
    if (FAILED(s)) return NetResult{NetStatus::Error, 0, "Schannel " + StatusText(s)};
    return SendToken(socket, outToken, timeoutMs);
  }

 private:
  // The TCP stream ended before the peer's close_notify: the data may be incomplete.
  static NetResult CutShort(NetResult r) {
    if (r.status == NetStatus::Closed)
      return NetResult{NetStatus::Error, 0, "the connection ended without TLS close_notify (data may be missing)"};
    return r;
  }

  NetResult ReadMore(Socket& socket, int timeoutMs) {
    char chunk[16 * 1024 + 512];
    NetResult r = socket.ReceiveRaw(chunk, sizeof chunk, timeoutMs);
    if (r.Ok()) in_.insert(in_.end(), chunk, chunk + r.bytes);
    return r;
  }

  CredHandle* cred_;
  std::wstring target_;
  CtxtHandle ctx_;
  SecPkgContext_StreamSizes sizes_{};
  std::vector<char> in_;
  std::vector<char> plain_;
  bool closed_ = false;
};

struct CertFree {
  void operator()(const CERT_CONTEXT* c) const { CertFreeCertificateContext(c); }
};
using Cert = std::unique_ptr<const CERT_CONTEXT, CertFree>;

// The certificates of a PEM file in a memory store; nothing when there are none.
HCERTSTORE LoadPemStore(const std::string& path) {
  std::FILE* f = native::OpenFile(path, "rb");
  if (!f) return nullptr;
  std::string text;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, n);
  std::fclose(f);
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
  int count = 0;
  const std::string begin = "-----BEGIN CERTIFICATE-----", end = "-----END CERTIFICATE-----";
  for (std::size_t at = text.find(begin); at != std::string::npos; at = text.find(begin, at + 1)) {
    std::size_t stop = text.find(end, at);
    if (stop == std::string::npos) break;
    std::string block = text.substr(at, stop + end.size() - at);
    DWORD size = 0;
    if (!CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                              &size, nullptr, nullptr))
      continue;
    std::vector<BYTE> der(size);
    if (CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                             &size, nullptr, nullptr) &&
        CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size, CERT_STORE_ADD_ALWAYS, nullptr))
      ++count;
  }
  if (count == 0) {
    CertCloseStore(store, 0);
    return nullptr;
  }
  return store;
}

std::string ChainErrorText(DWORD error) {
  switch (error) {
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT): return "self-signed or unknown authority";
    case static_cast<DWORD>(CERT_E_EXPIRED): return "certificate has expired or is not yet valid";
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH): return "it names another host";
    case static_cast<DWORD>(CERT_E_WRONG_USAGE): return "not a server certificate";
    case static_cast<DWORD>(CERT_E_REVOKED): return "certificate revoked";
    case static_cast<DWORD>(CERT_E_CHAINING): return "the chain cannot be built";
    default: return "error " + StatusText(static_cast<SECURITY_STATUS>(error));
  }
}

// The bytes of `host` when it is an IPv4 or IPv6 literal; empty for a name.
std::string IpBytes(const std::string& host) {
  unsigned char bytes[16];
  if (inet_pton(AF_INET, host.c_str(), bytes) == 1) return std::string(reinterpret_cast<char*>(bytes), 4);
  if (inet_pton(AF_INET6, host.c_str(), bytes) == 1) return std::string(reinterpret_cast<char*>(bytes), 16);
  return {};
}

// True when the certificate lists `ip` among its IP address entries. The SSL
// policy check compares names only reliably for DNS names.
bool NamesIp(const CERT_CONTEXT* cert, const std::string& ip) {
  const CERT_EXTENSION* ext = CertFindExtension(szOID_SUBJECT_ALT_NAME2, cert->pCertInfo->cExtension,
                                                cert->pCertInfo->rgExtension);
  if (!ext) return false;
  CERT_ALT_NAME_INFO* info = nullptr;
  DWORD size = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, ext->Value.pbData, ext->Value.cbData,
                           CRYPT_DECODE_ALLOC_FLAG, nullptr, &info, &size))
    return false;
  bool found = false;
  for (DWORD i = 0; i < info->cAltEntry && !found; ++i) {
    const CERT_ALT_NAME_ENTRY& e = info->rgAltEntry[i];
    found = e.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && e.IPAddress.cbData == ip.size() &&
            std::memcmp(e.IPAddress.pbData, ip.data(), ip.size()) == 0;
  }
  LocalFree(info);
  return found;
}

class SchannelClient : public TlsClient {
 public:
  SchannelClient(CredHandle cred, const TlsTrust& trust, HCERTSTORE anchors)
      : cred_(cred), pin_(trust.sha256), anchors_(anchors) {}
  ~SchannelClient() override {
    FreeCredentialsHandle(&cred_);
    if (anchors_) CertCloseStore(anchors_, 0);
  }

  TlsOutcome Secure(Socket& socket, const std::string& host, bool data, int timeoutMs) override {
    auto layer = std::make_unique<SchannelLayer>(&cred_, win32::Widen(host));
    NetResult r = layer->Handshake(socket, timeoutMs, true);
    if (!r.Ok()) {
      if (r.status == NetStatus::Timeout) return {TlsFailure::Handshake, "the TLS handshake timed out"};
      return {TlsFailure::Handshake, "the TLS handshake failed (" + r.message + ")"};
    }
    (void)data;  // a data connection is checked like the control connection: resumption is not certain
    const CERT_CONTEXT* raw = nullptr;
    if (QueryContextAttributesW(layer->Context(), SECPKG_ATTR_REMOTE_CERT_CONTEXT, &raw) != SEC_E_OK || !raw)
      return {TlsFailure::Untrusted, "the host sent no certificate"};
    Cert cert(raw);
    std::string why = pin_.empty() ? CheckChain(cert.get(), host) : CheckPin(cert.get());
    if (!why.empty()) return {TlsFailure::Untrusted, why};
    socket.AttachTls(std::move(layer));
    return {};
  }

 private:
  std::string CheckPin(const CERT_CONTEXT* cert) {
    BYTE hash[32];
    DWORD size = sizeof hash;
    if (!CryptHashCertificate2(L"SHA256", 0, nullptr, cert->pbCertEncoded, cert->cbCertEncoded, hash, &size) ||
        size != sizeof hash)
      return "its fingerprint cannot be computed";
    std::string seen(reinterpret_cast<char*>(hash), size);
    BYTE diff = 0;
    for (std::size_t i = 0; i < pin_.size() && i < seen.size(); ++i) diff |= static_cast<BYTE>(pin_[i] ^ seen[i]);
    if (diff != 0 || pin_.size() != seen.size())
      return "the certificate is not the trusted one (its fingerprint is sha256:" + HexText(seen) + ")";
    if (CertVerifyTimeValidity(nullptr, cert->pCertInfo) != 0)
      return "the certificate is not trusted (certificate has expired or is not yet valid)";
    return {};
  }

  std::string CheckChain(const CERT_CONTEXT* cert, const std::string& host) {
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    char* usages[] = {serverAuth};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    // With a trust file, its certificates join the ones the host sent; the root
    // the chain ends in must then be one of them.
    HCERTSTORE extra = cert->hCertStore;
    HCERTSTORE both = nullptr;
    if (anchors_) {
      both = CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr);
      CertAddStoreToCollection(both, cert->hCertStore, 0, 0);
      CertAddStoreToCollection(both, anchors_, 0, 0);
      extra = both;
    }
    const CERT_CHAIN_CONTEXT* chain = nullptr;
    BOOL built = CertGetCertificateChain(nullptr, cert, nullptr, extra, &para, 0, nullptr, &chain);
    if (both) CertCloseStore(both, 0);
    if (!built || !chain) return "the certificate is not trusted (the chain cannot be built)";
    std::wstring name = win32::Widen(host);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t*>(name.c_str());
    if (anchors_) ssl.fdwChecks |= 0x00000100;  // SECURITY_FLAG_IGNORE_UNKNOWN_CA: the root is checked below
    const std::string ip = IpBytes(host);
    if (!ip.empty()) ssl.fdwChecks |= 0x00001000;  // SECURITY_FLAG_IGNORE_CERT_CN_INVALID: checked below
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    std::string why;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status) || status.dwError != 0)
      why = "the certificate is not trusted (" + ChainErrorText(status.dwError) + ")";
    if (why.empty() && !ip.empty() && !NamesIp(cert, ip)) why = "the certificate is not trusted (it names another host)";
    if (why.empty() && anchors_ && !RootIsAnchor(chain))
      why = "the certificate is not trusted (self-signed or unknown authority)";
    CertFreeCertificateChain(chain);
    return why;
  }

  bool RootIsAnchor(const CERT_CHAIN_CONTEXT* chain) {
    if (chain->cChain == 0 || chain->rgpChain[0]->cElement == 0) return false;
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
    const CERT_CONTEXT* root = simple->rgpElement[simple->cElement - 1]->pCertContext;
    const CERT_CONTEXT* found =
        CertFindCertificateInStore(anchors_, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, root, nullptr);
    if (!found) return false;
    CertFreeCertificateContext(found);
    return true;
  }

  CredHandle cred_;
  std::string pin_;
  HCERTSTORE anchors_;
};

}  // namespace

std::unique_ptr<TlsClient> MakeTlsClient(const TlsTrust& trust, std::string& error) {
  HCERTSTORE anchors = nullptr;
  if (!trust.file.empty()) {
    anchors = LoadPemStore(trust.file);
    if (!anchors) {
      error = "the trust file " + trust.file + " cannot be read as PEM certificates";
      return nullptr;
    }
  }
  SCHANNEL_CRED sc{};
  sc.dwVersion = SCHANNEL_CRED_VERSION;
  // TLS 1.2: Schannel resumes TLS 1.3 sessions unreliably, and servers that
  // require resumption on the data connection would then refuse every transfer.
  sc.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  sc.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  CredHandle cred;
  SECURITY_STATUS s = AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND,
                                                nullptr, &sc, nullptr, nullptr, &cred, nullptr);
  if (s != SEC_E_OK) {
    if (anchors) CertCloseStore(anchors, 0);
    error = "Schannel cannot be used (" + StatusText(s) + ")";
    return nullptr;
  }
  return std::make_unique<SchannelClient>(cred, trust, anchors);
}

}  // namespace kv::ftp
