#include "tls/ssl_openssl.h"

#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <time.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>

#include "net/tcp_block_socket.h"
#include "tls/openssl_binding.h"
#include "util/code_page.h"
#include "util/text_helpers.h"

namespace tav {

namespace {

// OpenSSL writes to the handle with plain write(); a peer that has gone would
// raise SIGPIPE and end the process. While a guard lives, SIGPIPE is blocked
// for this thread and one raised meanwhile is taken off again, so the write
// fails with EPIPE instead.
class TSigPipeGuard {
 public:
  TSigPipeGuard() {
    sigemptyset(&FPipe);
    sigaddset(&FPipe, SIGPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    FWasPending = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &FPipe, &FOld);
  }
  ~TSigPipeGuard() {
    if (!FWasPending) {
      sigset_t pending;
      sigemptyset(&pending);
      sigpending(&pending);
      if (sigismember(&pending, SIGPIPE) == 1) {
        const timespec zero{};
        sigtimedwait(&FPipe, nullptr, &zero);
      }
    }
    pthread_sigmask(SIG_SETMASK, &FOld, nullptr);
  }
  TSigPipeGuard(const TSigPipeGuard&) = delete;
  TSigPipeGuard& operator=(const TSigPipeGuard&) = delete;

 private:
  sigset_t FPipe;
  sigset_t FOld;
  bool FWasPending = false;
};

std::atomic<int> gDefaultHandshakeTimeout{30000};

// The protocol version a single-version type pins, 0 for LT_all.
long PinnedVersion(TSSLType Type) {
  switch (Type) {
    case LT_SSLv2: return ossl::kSsl2Version;
    case LT_SSLv3: return ossl::kSsl3Version;
    case LT_TLSv1: return ossl::kTls1Version;
    case LT_TLSv1_1: return ossl::kTls11Version;
    case LT_TLSv1_2: return ossl::kTls12Version;
    default: return 0;
  }
}

// The method that offers only that version (OpenSSL 1.0 style).
const SSL_METHOD* VersionMethod(TSSLType Type) {
  switch (Type) {
    case LT_SSLv2: return SSLv2_method();
    case LT_SSLv3: return SSLv3_method();
    case LT_TLSv1: return TLSv1_method();
    case LT_TLSv1_1: return TLSv1_1_method();
    case LT_TLSv1_2: return TLSv1_2_method();
    default: return nullptr;
  }
}

// A context for one version: the flexible method with the minimum and the
// maximum version set to it. When the library cannot pin that version (an
// unknown version number, or a library without version limits), the
// version's own method; when the library has none, OpenSSL is handed no
// method and reports that in its error queue.
SSL_CTX* NewPinnedContext(TSSLType Type) {
  const long version = PinnedVersion(Type);
  SSL_CTX* ctx = SSL_CTX_new(SSLv23_method());
  if (ctx == nullptr) return nullptr;
  if (SSL_CTX_ctrl(ctx, ossl::kCtrlSetMinProtoVersion, version, nullptr) == 1 &&
      SSL_CTX_ctrl(ctx, ossl::kCtrlSetMaxProtoVersion, version, nullptr) == 1)
    return ctx;
  SSL_CTX_free(ctx);
  ERR_clear_error();
  return SSL_CTX_new(VersionMethod(Type));
}

// All bytes waiting in a memory BIO.
std::string ReadPending(BIO* Bio) {
  std::string result;
  const std::size_t pending = BIO_ctrl_pending(Bio);
  if (pending == 0) return result;
  result.resize(pending);
  const int n = BIO_read(Bio, result.data(), static_cast<int>(pending));
  result.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return result;
}

// The peer certificate, released when the holder ends.
class TPeerCertificate {
 public:
  explicit TPeerCertificate(SSL* Ssl) : FCert(Ssl == nullptr ? nullptr : SSL_get_peer_certificate(Ssl)) {}
  ~TPeerCertificate() {
    if (FCert != nullptr) X509_free(FCert);
  }
  TPeerCertificate(const TPeerCertificate&) = delete;
  TPeerCertificate& operator=(const TPeerCertificate&) = delete;
  X509* get() const { return FCert; }

 private:
  X509* FCert;
};

std::u16string NameOneLine(const X509_NAME* Name) {
  if (Name == nullptr) return {};
  char buffer[4096] = {};
  return AnsiToText(X509_NAME_oneline(Name, buffer, sizeof buffer));
}

}  // namespace

TSSLOpenSSL::TSSLOpenSSL(TTCPBlockSocket& Value) : TCustomSSL(Value) { FCiphers = u"DEFAULT"; }

TSSLOpenSSL::~TSSLOpenSSL() { ReleaseTls(); }

std::u16string TSSLOpenSSL::LibVersion() { return AnsiToText(SSLeay_version(ossl::kVersionText)); }

std::u16string TSSLOpenSSL::LibName() { return u"ssl_openssl"; }

bool TSSLOpenSSL::CheckTlsError() {
  FLastErrorDesc.clear();
  const unsigned long code = ERR_get_error();
  FLastError = static_cast<int>(code);
  ERR_clear_error();
  if (code == 0) return true;
  char buffer[256] = {};
  FLastErrorDesc = AnsiToText(ERR_error_string_n(code, buffer, sizeof buffer));
  return false;
}

int TSSLOpenSSL::KeyPasswordCallback(char* Buffer, int Size, int /*RwFlag*/, void* UserData) {
  if (Buffer == nullptr || Size <= 0) return 0;
  std::string password;
  if (UserData != nullptr) password = TextToAnsi(static_cast<TSSLOpenSSL*>(UserData)->FKeyPassword);
  if (password.size() > static_cast<std::size_t>(Size - 1)) password.resize(static_cast<std::size_t>(Size - 1));
  std::memcpy(Buffer, password.data(), password.size());
  Buffer[password.size()] = '\0';
  return static_cast<int>(password.size());
}

bool TSSLOpenSSL::InitTlsContext(bool Server) {
  FLastError = 0;
  FLastErrorDesc.clear();
  Fctx = nullptr;
  if (FSSLType == LT_SSHv2) return false;
  Fctx = FSSLType == LT_all ? SSL_CTX_new(SSLv23_method()) : NewPinnedContext(FSSLType);
  if (Fctx == nullptr) {
    CheckTlsError();
    return false;
  }
  // A cipher list OpenSSL rejects leaves its defaults; its complaint must not
  // stand in for a later error.
  SSL_CTX_set_cipher_list(Fctx, TextToAnsi(FCiphers));
  ERR_clear_error();
  SSL_CTX_set_verify(Fctx, FVerifyCert ? ossl::kVerifyPeer : ossl::kVerifyNone, nullptr);
  SSL_CTX_set_default_passwd_cb(Fctx, &TSSLOpenSSL::KeyPasswordCallback);
  SSL_CTX_set_default_passwd_cb_userdata(Fctx, this);
  if (Server && FCertificateFile.empty() && FCertificate.empty() && FPFXfile.empty() && FPFX.empty())
    BuildSelfSignedCert(FSocket->ResolveIPToName(FSocket->GetRemoteSinIP()));
  if (!LoadKeys()) return false;
  FSsl = SSL_new(Fctx);
  if (FSsl == nullptr) {
    CheckTlsError();
    return false;
  }
  return true;
}

bool TSSLOpenSSL::LoadKeys() {
  if (Fctx == nullptr) return false;
  const auto fail = [this] {
    CheckTlsError();
    return false;
  };
  if (!FCertificateFile.empty()) {
    const std::string file = TextToUtf8(FCertificateFile);
    if (SSL_CTX_use_certificate_chain_file(Fctx, file) != 1 &&
        SSL_CTX_use_certificate_file(Fctx, file, ossl::kFiletypePem) != 1 &&
        SSL_CTX_use_certificate_file(Fctx, file, ossl::kFiletypeAsn1) != 1)
      return fail();
  }
  if (!FCertificate.empty()) {
    if (SSL_CTX_use_certificate_ASN1(Fctx, static_cast<int>(FCertificate.size()),
                                     reinterpret_cast<const unsigned char*>(FCertificate.data())) != 1)
      return fail();
    CheckTlsError();
  }
  if (!FPrivateKeyFile.empty()) {
    const std::string file = TextToUtf8(FPrivateKeyFile);
    if (SSL_CTX_use_RSAPrivateKey_file(Fctx, file, ossl::kFiletypePem) != 1 &&
        SSL_CTX_use_RSAPrivateKey_file(Fctx, file, ossl::kFiletypeAsn1) != 1)
      return fail();
  }
  if (!FPrivateKey.empty()) {
    if (SSL_CTX_use_PrivateKey_ASN1(ossl::kEvpPkeyRsa, Fctx,
                                    reinterpret_cast<const unsigned char*>(FPrivateKey.data()),
                                    static_cast<long>(FPrivateKey.size())) != 1)
      return fail();
    CheckTlsError();
  }
  if (!FCertCAFile.empty()) {
    if (SSL_CTX_load_verify_locations(Fctx, TextToUtf8(FCertCAFile), std::string()) != 1) return fail();
  }
  if (!FPFXfile.empty()) {
    std::ifstream in(TextToUtf8(FPFXfile), std::ios::binary);
    if (!in) return fail();
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || !LoadPkcs12(data)) return fail();
  }
  if (!FPFX.empty()) {
    if (!LoadPkcs12(FPFX)) return fail();
  }
  CheckTlsError();
  return true;
}

bool TSSLOpenSSL::LoadPkcs12(const std::string& Data) {
  BIO* bio = BIO_new(BIO_s_mem());
  if (bio == nullptr) return false;
  BIO_write(bio, Data.data(), static_cast<int>(Data.size()));
  PKCS12* p12 = d2i_PKCS12_bio(bio, nullptr);
  if (p12 == nullptr) {
    BIO_free_all(bio);
    return false;
  }
  EVP_PKEY* key = nullptr;
  X509* cert = nullptr;
  X509_STACK* ca = nullptr;
  const bool ok = PKCS12_parse(p12, TextToAnsi(FKeyPassword), &key, &cert, &ca) > 0 &&
                  SSL_CTX_use_certificate(Fctx, cert) > 0 && SSL_CTX_use_PrivateKey(Fctx, key) > 0;
  if (key != nullptr) EVP_PKEY_free(key);
  if (cert != nullptr) X509_free(cert);
  if (ca != nullptr) SK_X509_POP_FREE(ca);
  PKCS12_free(p12);
  BIO_free_all(bio);
  return ok;
}

bool TSSLOpenSSL::ReleaseTls() {
  if (FSsl != nullptr) {
    SSL_free(FSsl);
    FSsl = nullptr;
  }
  if (Fctx != nullptr) {
    SSL_CTX_free(Fctx);
    Fctx = nullptr;
    ERR_remove_state(0);
  }
  FSSLEnabled = false;
  return true;
}

bool TSSLOpenSSL::PrepareTls(bool Server) {
  ReleaseTls();
  if (InitTlsContext(Server)) return true;
  ReleaseTls();
  return false;
}

int TSSLOpenSSL::HandshakeTimeout() const {
  if (FSocket->ConnectionTimeout() > 0) return FSocket->ConnectionTimeout();
  timeval tv{};
  socklen_t length = sizeof tv;
  if (::getsockopt(FSocket->Socket(), SOL_SOCKET, SO_RCVTIMEO, &tv, &length) == 0) {
    const long long ms = static_cast<long long>(tv.tv_sec) * 1000 + tv.tv_usec / 1000;
    if (ms > 0) return ms > 0x7fffffff ? 0x7fffffff : static_cast<int>(ms);
  }
  return gDefaultHandshakeTimeout.load();
}

int TSSLOpenSSL::DefaultHandshakeTimeout() { return gDefaultHandshakeTimeout.load(); }

void TSSLOpenSSL::SetDefaultHandshakeTimeout(int Value) { gDefaultHandshakeTimeout.store(Value > 0 ? Value : 30000); }

bool TSSLOpenSSL::Handshake(bool Server) {
  // The handshake runs on the non-blocking handle so that every wait for the
  // peer is bounded (HandshakeTimeout): a peer that stalls cannot hold the
  // caller forever.
  const int timeout = HandshakeTimeout();
  const bool saved = FSocket->NonBlockMode();
  FSocket->SetNonBlockMode(true);
  int r;
  {
    TSigPipeGuard guard;
    for (;;) {
      // SSL_get_error reads the error queue: it must hold nothing older.
      ERR_clear_error();
      r = SSL_get_error(FSsl, Server ? SSL_accept(FSsl) : SSL_connect(FSsl));
      if (r == ossl::kErrorWantRead) {
        if (!FSocket->CanRead(timeout)) break;
      } else if (r == ossl::kErrorWantWrite) {
        if (!FSocket->CanWrite(timeout)) break;
      } else {
        break;
      }
    }
  }
  FSocket->SetNonBlockMode(saved);
  if (r == ossl::kErrorNone) return true;
  CheckTlsError();
  return false;
}

bool TSSLOpenSSL::Connect() {
  if (FSocket->Socket() == INVALID_SOCKET) return false;
  if (!PrepareTls(false)) return false;
  if (SSL_set_fd(FSsl, FSocket->Socket()) < 1) {
    CheckTlsError();
    return false;
  }
  if (!FSNIHost.empty()) {
    std::string host = TextToAnsi(FSNIHost);
    SSL_ctrl(FSsl, ossl::kCtrlSetTlsextHostname, ossl::kTlsextNametypeHostName, host.data());
  }
  if (!Handshake(false)) return false;
  if (FVerifyCert) {
    if (GetVerifyCert() != 0) return false;
    if (!AskVerifyCert()) return false;
  }
  FSSLEnabled = true;
  return true;
}

bool TSSLOpenSSL::Accept() {
  if (FSocket->Socket() == INVALID_SOCKET) return false;
  if (!PrepareTls(true)) return false;
  if (SSL_set_fd(FSsl, FSocket->Socket()) < 1) {
    CheckTlsError();
    return false;
  }
  if (!Handshake(true)) return false;
  FSSLEnabled = true;
  return true;
}

bool TSSLOpenSSL::Shutdown() {
  if (FSsl != nullptr) {
    TSigPipeGuard guard;
    SSL_shutdown(FSsl);
  }
  ReleaseTls();
  return true;
}

bool TSSLOpenSSL::BiShutdown() {
  if (FSsl != nullptr) {
    TSigPipeGuard guard;
    if (SSL_shutdown(FSsl) == 0) {
      ::shutdown(FSocket->Socket(), SHUT_WR);
      // The peer's close notification is awaited for a bounded time only.
      if (FSocket->CanRead(HandshakeTimeout())) SSL_shutdown(FSsl);
    }
  }
  ReleaseTls();
  return true;
}

template <typename TIo>
int TSSLOpenSSL::RunTlsIo(int Len, TIo Io) {
  FLastError = 0;
  FLastErrorDesc.clear();
  if (FSsl == nullptr) {
    FLastError = ossl::kErrorSsl;
    return -1;
  }
  if (Len <= 0) return 0;
  TSigPipeGuard guard;
  for (;;) {
    // SSL_get_error reads the error queue: it must hold nothing older.
    ERR_clear_error();
    const int r = Io();
    const int e = SSL_get_error(FSsl, r);
    if (e == ossl::kErrorNone) return r;
    if (e == ossl::kErrorZeroReturn) return 0;
    // On a non-blocking handle (or one with a send or receive time-out) the
    // call is repeated once the handle is ready, within a bounded wait.
    if (e == ossl::kErrorWantRead && FSocket->CanRead(HandshakeTimeout())) continue;
    if (e == ossl::kErrorWantWrite && FSocket->CanWrite(HandshakeTimeout())) continue;
    FLastError = e;
    return r;
  }
}

int TSSLOpenSSL::SendBuffer(const void* Buffer, int Len) {
  return RunTlsIo(Len, [&] { return SSL_write(FSsl, Buffer, Len); });
}

int TSSLOpenSSL::RecvBuffer(void* Buffer, int Len) {
  // Read on the non-blocking handle: a record that has arrived only in part
  // must not hold the caller inside SSL_read; the wait for its rest is
  // bounded like the handshake's (and by the socket's low-speed limit).
  const bool saved = FSocket->NonBlockMode();
  if (!saved) FSocket->SetNonBlockMode(true);
  const int r = RunTlsIo(Len, [&] { return SSL_read(FSsl, Buffer, Len); });
  if (!saved) FSocket->SetNonBlockMode(false);
  return r;
}

int TSSLOpenSSL::WaitingData() { return FSsl == nullptr ? 0 : SSL_pending(FSsl); }

std::u16string TSSLOpenSSL::GetSSLVersion() {
  if (FSsl == nullptr) return {};
  return AnsiToText(SSL_get_version(FSsl));
}

std::u16string TSSLOpenSSL::GetPeerSubject() {
  TPeerCertificate cert(FSsl);
  if (cert.get() == nullptr) return {};
  return NameOneLine(X509_get_subject_name(cert.get()));
}

std::u16string TSSLOpenSSL::GetPeerIssuer() {
  TPeerCertificate cert(FSsl);
  if (cert.get() == nullptr) return {};
  return NameOneLine(X509_get_issuer_name(cert.get()));
}

std::u16string TSSLOpenSSL::PeerNameOfSubject(const std::u16string& Subject) {
  std::u16string s = Subject;
  const std::size_t cn = s.find(u"/CN=");
  if (cn != std::u16string::npos) s.erase(0, cn + 4);
  const std::size_t slash = s.find(u'/');
  if (slash != std::u16string::npos) s.erase(slash);
  return Trim(s);
}

std::u16string TSSLOpenSSL::GetPeerName() { return PeerNameOfSubject(GetPeerSubject()); }

int TSSLOpenSSL::GetPeerSerialNo() {
  TPeerCertificate cert(FSsl);
  if (cert.get() == nullptr) return -1;
  ASN1_INTEGER* serial = X509_get_serialNumber(cert.get());
  if (serial == nullptr) return -1;
  return static_cast<int>(ASN1_INTEGER_get(serial));
}

std::uint32_t TSSLOpenSSL::GetPeerNameHash() {
  TPeerCertificate cert(FSsl);
  if (cert.get() == nullptr) return 0;
  const X509_NAME* name = X509_get_subject_name(cert.get());
  if (name == nullptr) return 0;
  return static_cast<std::uint32_t>(X509_NAME_hash(name));
}

std::u16string TSSLOpenSSL::GetPeerFingerprint() {
  TPeerCertificate cert(FSsl);
  if (cert.get() == nullptr) return {};
  const EVP_MD* md5 = EVP_get_digestbyname("MD5");
  if (md5 == nullptr) return {};
  unsigned char digest[64] = {};
  unsigned int length = 0;
  if (X509_digest(cert.get(), md5, digest, &length) != 1) return {};
  std::u16string result;
  for (unsigned int i = 0; i < length && i < sizeof digest; ++i) result.push_back(static_cast<char16_t>(digest[i]));
  return result;
}

std::u16string TSSLOpenSSL::GetCertInfo() {
  TPeerCertificate cert(FSsl);
  if (cert.get() == nullptr) return {};
  BIO* bio = BIO_new(BIO_s_mem());
  if (bio == nullptr) return {};
  X509_print(bio, cert.get());
  const std::string text = ReadPending(bio);
  BIO_free_all(bio);
  return AnsiToText(ReplaceAll(text, "\n", "\r\n"));
}

std::u16string TSSLOpenSSL::GetCipherName() {
  if (FSsl == nullptr) return {};
  const SSL_CIPHER* cipher = SSL_get_current_cipher(FSsl);
  if (cipher == nullptr) return {};
  return AnsiToText(SSL_CIPHER_get_name(cipher));
}

int TSSLOpenSSL::GetCipherBits() {
  if (FSsl == nullptr) return 0;
  const SSL_CIPHER* cipher = SSL_get_current_cipher(FSsl);
  if (cipher == nullptr) return 0;
  int algBits = 0;
  return SSL_CIPHER_get_bits(cipher, &algBits);
}

int TSSLOpenSSL::GetCipherAlgBits() {
  if (FSsl == nullptr) return 0;
  const SSL_CIPHER* cipher = SSL_get_current_cipher(FSsl);
  if (cipher == nullptr) return 0;
  int algBits = 0;
  SSL_CIPHER_get_bits(cipher, &algBits);
  return algBits;
}

int TSSLOpenSSL::GetVerifyCert() {
  if (FSsl == nullptr) return 1;
  return static_cast<int>(SSL_get_verify_result(FSsl));
}

bool TSSLOpenSSL::BuildSelfSignedCert(const std::u16string& Host) {
  EVP_PKEY* key = EVP_PKEY_new();
  X509* cert = X509_new();
  bool ok = key != nullptr && cert != nullptr;
  if (ok) {
    // 2048 bits: current OpenSSL builds refuse smaller server keys at their
    // default security level.
    RSA* rsa = RSA_generate_key(2048, 65537, nullptr, nullptr);
    ok = rsa != nullptr && EVP_PKEY_assign(key, ossl::kEvpPkeyRsa, rsa) == 1;
  }
  if (ok) {
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 0);
    ASN1_UTCTIME* time = ASN1_UTCTIME_new();
    X509_gmtime_adj(time, -86400);
    X509_set_notBefore(cert, time);
    X509_gmtime_adj(time, 5184000);
    X509_set_notAfter(cert, time);
    if (time != nullptr) ASN1_UTCTIME_free(time);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "C", ossl::kMbstringAsc, "CZ", -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", ossl::kMbstringAsc, TextToAnsi(Host), -1, 0);
    X509_set_issuer_name(cert, name);
    ok = X509_sign(cert, key, EVP_get_digestbyname("SHA1")) > 0;
  }
  if (ok) {
    BIO* bio = BIO_new(BIO_s_mem());
    i2d_X509_bio(bio, cert);
    FCertificate = ReadPending(bio);
    BIO_free_all(bio);
    bio = BIO_new(BIO_s_mem());
    i2d_PrivateKey_bio(bio, key);
    FPrivateKey = ReadPending(bio);
    BIO_free_all(bio);
    ok = !FCertificate.empty() && !FPrivateKey.empty();
  }
  if (cert != nullptr) X509_free(cert);
  if (key != nullptr) EVP_PKEY_free(key);
  ERR_clear_error();
  return ok;
}

}  // namespace tav
