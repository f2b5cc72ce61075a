#include "tls/openssl_binding.h"

#include <dlfcn.h>
#include <link.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

namespace tav {

namespace {

enum class TLib { Ssl, Crypto };

// One slot per entry point, in the order they are resolved (SSL library
// first). The first name is the 1.0 name; the others are successors tried
// when the library does not export it.
enum Slot : int {
  // SSL library
  kSSL_get_error,
  kSSL_library_init,
  kSSL_load_error_strings,
  kSSL_CTX_set_cipher_list,
  kSSL_CTX_new,
  kSSL_CTX_free,
  kSSL_set_fd,
  kSSLv2_method,
  kSSLv3_method,
  kTLSv1_method,
  kTLSv1_1_method,
  kTLSv1_2_method,
  kSSLv23_method,
  kSSL_CTX_use_PrivateKey,
  kSSL_CTX_use_PrivateKey_ASN1,
  kSSL_CTX_use_RSAPrivateKey_file,
  kSSL_CTX_use_certificate,
  kSSL_CTX_use_certificate_ASN1,
  kSSL_CTX_use_certificate_file,
  kSSL_CTX_use_certificate_chain_file,
  kSSL_CTX_check_private_key,
  kSSL_CTX_set_default_passwd_cb,
  kSSL_CTX_set_default_passwd_cb_userdata,
  kSSL_CTX_load_verify_locations,
  kSSL_CTX_ctrl,
  kSSL_new,
  kSSL_free,
  kSSL_accept,
  kSSL_connect,
  kSSL_shutdown,
  kSSL_read,
  kSSL_peek,
  kSSL_write,
  kSSL_pending,
  kSSL_get_peer_certificate,
  kSSL_get_version,
  kSSL_CTX_set_verify,
  kSSL_get_current_cipher,
  kSSL_CIPHER_get_name,
  kSSL_CIPHER_get_bits,
  kSSL_get_verify_result,
  kSSL_ctrl,
  // Crypto library
  kX509_new,
  kX509_free,
  kX509_NAME_oneline,
  kX509_get_subject_name,
  kX509_get_issuer_name,
  kX509_NAME_hash,
  kX509_digest,
  kX509_print,
  kX509_set_version,
  kX509_set_pubkey,
  kX509_set_issuer_name,
  kX509_NAME_add_entry_by_txt,
  kX509_sign,
  kX509_gmtime_adj,
  kX509_set_notBefore,
  kX509_set_notAfter,
  kX509_get_serialNumber,
  kEVP_PKEY_new,
  kEVP_PKEY_free,
  kEVP_PKEY_assign,
  kEVP_cleanup,
  kEVP_get_digestbyname,
  kSSLeay_version,
  kERR_error_string_n,
  kERR_get_error,
  kERR_clear_error,
  kERR_free_strings,
  kERR_remove_state,
  kOPENSSL_add_all_algorithms_noconf,
  kCRYPTO_cleanup_all_ex_data,
  kRAND_screen,
  kBIO_new,
  kBIO_free_all,
  kBIO_s_mem,
  kBIO_ctrl_pending,
  kBIO_read,
  kBIO_write,
  kd2i_PKCS12_bio,
  kPKCS12_parse,
  kPKCS12_free,
  kRSA_generate_key,
  kASN1_UTCTIME_new,
  kASN1_UTCTIME_free,
  kASN1_INTEGER_set,
  kASN1_INTEGER_get,
  ki2d_X509_bio,
  kd2i_X509_bio,
  kPEM_read_bio_X509,
  kSK_X509_POP_FREE,
  ki2d_PrivateKey_bio,
  kDES_set_odd_parity,
  kDES_set_key_checked,
  kDES_ecb_encrypt,
  kCRYPTO_num_locks,
  kCRYPTO_set_locking_callback,
  kSlotCount
};

struct TEntryName {
  TLib Library;
  std::array<const char*, 3> Names;  // 1.0 name, then successors; null ends
};

constexpr TEntryName kEntryNames[kSlotCount] = {
    {TLib::Ssl, {"SSL_get_error"}},
    {TLib::Ssl, {"SSL_library_init", "OPENSSL_init_ssl"}},
    {TLib::Ssl, {"SSL_load_error_strings", "OPENSSL_init_ssl"}},
    {TLib::Ssl, {"SSL_CTX_set_cipher_list"}},
    {TLib::Ssl, {"SSL_CTX_new"}},
    {TLib::Ssl, {"SSL_CTX_free"}},
    {TLib::Ssl, {"SSL_set_fd"}},
    {TLib::Ssl, {"SSLv2_method"}},
    {TLib::Ssl, {"SSLv3_method"}},
    {TLib::Ssl, {"TLSv1_method"}},
    {TLib::Ssl, {"TLSv1_1_method"}},
    {TLib::Ssl, {"TLSv1_2_method"}},
    {TLib::Ssl, {"SSLv23_method", "TLS_method"}},
    {TLib::Ssl, {"SSL_CTX_use_PrivateKey"}},
    {TLib::Ssl, {"SSL_CTX_use_PrivateKey_ASN1"}},
    {TLib::Ssl, {"SSL_CTX_use_RSAPrivateKey_file"}},
    {TLib::Ssl, {"SSL_CTX_use_certificate"}},
    {TLib::Ssl, {"SSL_CTX_use_certificate_ASN1"}},
    {TLib::Ssl, {"SSL_CTX_use_certificate_file"}},
    {TLib::Ssl, {"SSL_CTX_use_certificate_chain_file"}},
    {TLib::Ssl, {"SSL_CTX_check_private_key"}},
    {TLib::Ssl, {"SSL_CTX_set_default_passwd_cb"}},
    {TLib::Ssl, {"SSL_CTX_set_default_passwd_cb_userdata"}},
    {TLib::Ssl, {"SSL_CTX_load_verify_locations"}},
    {TLib::Ssl, {"SSL_CTX_ctrl"}},
    {TLib::Ssl, {"SSL_new"}},
    {TLib::Ssl, {"SSL_free"}},
    {TLib::Ssl, {"SSL_accept"}},
    {TLib::Ssl, {"SSL_connect"}},
    {TLib::Ssl, {"SSL_shutdown"}},
    {TLib::Ssl, {"SSL_read"}},
    {TLib::Ssl, {"SSL_peek"}},
    {TLib::Ssl, {"SSL_write"}},
    {TLib::Ssl, {"SSL_pending"}},
    {TLib::Ssl, {"SSL_get_peer_certificate", "SSL_get1_peer_certificate"}},
    {TLib::Ssl, {"SSL_get_version"}},
    {TLib::Ssl, {"SSL_CTX_set_verify"}},
    {TLib::Ssl, {"SSL_get_current_cipher"}},
    {TLib::Ssl, {"SSL_CIPHER_get_name"}},
    {TLib::Ssl, {"SSL_CIPHER_get_bits"}},
    {TLib::Ssl, {"SSL_get_verify_result"}},
    {TLib::Ssl, {"SSL_ctrl"}},
    {TLib::Crypto, {"X509_new"}},
    {TLib::Crypto, {"X509_free"}},
    {TLib::Crypto, {"X509_NAME_oneline"}},
    {TLib::Crypto, {"X509_get_subject_name"}},
    {TLib::Crypto, {"X509_get_issuer_name"}},
    {TLib::Crypto, {"X509_NAME_hash", "X509_NAME_hash_ex"}},
    {TLib::Crypto, {"X509_digest"}},
    {TLib::Crypto, {"X509_print"}},
    {TLib::Crypto, {"X509_set_version"}},
    {TLib::Crypto, {"X509_set_pubkey"}},
    {TLib::Crypto, {"X509_set_issuer_name"}},
    {TLib::Crypto, {"X509_NAME_add_entry_by_txt"}},
    {TLib::Crypto, {"X509_sign"}},
    {TLib::Crypto, {"X509_gmtime_adj"}},
    {TLib::Crypto, {"X509_set_notBefore", "X509_set1_notBefore"}},
    {TLib::Crypto, {"X509_set_notAfter", "X509_set1_notAfter"}},
    {TLib::Crypto, {"X509_get_serialNumber"}},
    {TLib::Crypto, {"EVP_PKEY_new"}},
    {TLib::Crypto, {"EVP_PKEY_free"}},
    {TLib::Crypto, {"EVP_PKEY_assign"}},
    {TLib::Crypto, {"EVP_cleanup"}},
    {TLib::Crypto, {"EVP_get_digestbyname"}},
    {TLib::Crypto, {"SSLeay_version", "OpenSSL_version"}},
    {TLib::Crypto, {"ERR_error_string_n"}},
    {TLib::Crypto, {"ERR_get_error"}},
    {TLib::Crypto, {"ERR_clear_error"}},
    {TLib::Crypto, {"ERR_free_strings"}},
    {TLib::Crypto, {"ERR_remove_state"}},
    {TLib::Crypto, {"OPENSSL_add_all_algorithms_noconf", "OPENSSL_init_crypto"}},
    {TLib::Crypto, {"CRYPTO_cleanup_all_ex_data"}},
    {TLib::Crypto, {"RAND_screen"}},
    {TLib::Crypto, {"BIO_new"}},
    {TLib::Crypto, {"BIO_free_all"}},
    {TLib::Crypto, {"BIO_s_mem"}},
    {TLib::Crypto, {"BIO_ctrl_pending"}},
    {TLib::Crypto, {"BIO_read"}},
    {TLib::Crypto, {"BIO_write"}},
    {TLib::Crypto, {"d2i_PKCS12_bio"}},
    {TLib::Crypto, {"PKCS12_parse"}},
    {TLib::Crypto, {"PKCS12_free"}},
    {TLib::Crypto, {"RSA_generate_key"}},
    {TLib::Crypto, {"ASN1_UTCTIME_new"}},
    {TLib::Crypto, {"ASN1_UTCTIME_free"}},
    {TLib::Crypto, {"ASN1_INTEGER_set"}},
    {TLib::Crypto, {"ASN1_INTEGER_get"}},
    {TLib::Crypto, {"i2d_X509_bio"}},
    {TLib::Crypto, {"d2i_X509_bio"}},
    {TLib::Crypto, {"PEM_read_bio_X509"}},
    {TLib::Crypto, {"SK_X509_POP_FREE", "OPENSSL_sk_pop_free", "sk_pop_free"}},
    {TLib::Crypto, {"i2d_PrivateKey_bio"}},
    {TLib::Crypto, {"DES_set_odd_parity"}},
    {TLib::Crypto, {"DES_set_key_checked"}},
    {TLib::Crypto, {"DES_ecb_encrypt"}},
    {TLib::Crypto, {"CRYPTO_num_locks"}},
    {TLib::Crypto, {"CRYPTO_set_locking_callback"}},
};

struct TEntry {
  void* Address = nullptr;
  int Source = -1;  // index into the names of the slot; -1: empty
};

constexpr std::size_t kMaxFileName = 1024;

// Process-wide state. The flag is read without the lock (fast path); the rest
// is written only under the loader lock.
std::mutex gLoaderLock;
std::atomic<bool> gLoaded{false};
std::vector<TTlsLibraryNames> gNames = DefaultTlsLibraryNames();
void* gSslHandle = nullptr;
void* gCryptoHandle = nullptr;
std::string gSslFile;
std::string gCryptoFile;
TEntry gEntries[kSlotCount];
std::vector<std::unique_ptr<std::mutex>> gOpenSslLocks;
bool gLocksInstalled = false;

using TLockingCallback = void (*)(int Mode, int N, const char* File, int Line);

// Locking callback handed to OpenSSL 1.0: bit 0 of the mode means lock.
void OpenSslLockCallback(int Mode, int N, const char* /*File*/, int /*Line*/) {
  if (N < 0 || static_cast<std::size_t>(N) >= gOpenSslLocks.size()) return;
  if ((Mode & 1) != 0) {
    gOpenSslLocks[static_cast<std::size_t>(N)]->lock();
  } else {
    gOpenSslLocks[static_cast<std::size_t>(N)]->unlock();
  }
}

void* OpenLibrary(const std::string& Name) {
  if (Name.empty()) return nullptr;
  return ::dlopen(Name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void CloseLibrary(void*& Handle) {
  if (Handle != nullptr) ::dlclose(Handle);
  Handle = nullptr;
}

std::string LibraryFileName(void* Handle) {
  link_map* map = nullptr;
  if (Handle == nullptr || ::dlinfo(Handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
      map->l_name == nullptr)
    return {};
  std::string name = map->l_name;
  if (name.size() > kMaxFileName) name.resize(kMaxFileName);
  return name;
}

template <class Fn>
Fn AsFunction(void* Address) {
  return reinterpret_cast<Fn>(Address);
}

// The slot's address when the libraries are loaded (loading them if needed),
// else null.
void* Address(Slot S) {
  if (!LoadTlsLibraries()) return nullptr;
  return gEntries[S].Address;
}

template <class Fn>
Fn Entry(Slot S) {
  return AsFunction<Fn>(Address(S));
}

bool FromSuccessor(Slot S) { return gEntries[S].Source > 0; }

void ResolveAll() {
  for (int s = 0; s < kSlotCount; ++s) {
    const TEntryName& entry = kEntryNames[s];
    void* library = entry.Library == TLib::Ssl ? gSslHandle : gCryptoHandle;
    gEntries[s] = TEntry{};
    for (std::size_t i = 0; i < entry.Names.size() && entry.Names[i] != nullptr; ++i) {
      void* address = ::dlsym(library, entry.Names[i]);
      if (address != nullptr) {
        gEntries[s].Address = address;
        gEntries[s].Source = static_cast<int>(i);
        break;
      }
    }
  }
}

using TInitFn = int (*)(std::uint64_t Options, const void* Settings);

// Library initialisation, each step only when its entry point was found.
void InitialiseLibraries() {
  if (void* a = gEntries[kSSL_library_init].Address) {
    if (FromSuccessor(kSSL_library_init)) {
      AsFunction<TInitFn>(a)(0, nullptr);
    } else {
      AsFunction<int (*)()>(a)();
    }
  }
  if (void* a = gEntries[kSSL_load_error_strings].Address) {
    if (FromSuccessor(kSSL_load_error_strings)) {
      AsFunction<TInitFn>(a)(ossl::kInitLoadSslStrings | ossl::kInitLoadCryptoStrings, nullptr);
    } else {
      AsFunction<void (*)()>(a)();
    }
  }
  if (void* a = gEntries[kOPENSSL_add_all_algorithms_noconf].Address) {
    if (FromSuccessor(kOPENSSL_add_all_algorithms_noconf)) {
      AsFunction<TInitFn>(a)(ossl::kInitAddAllCiphers | ossl::kInitAddAllDigests, nullptr);
    } else {
      AsFunction<void (*)()>(a)();
    }
  }
  if (void* a = gEntries[kRAND_screen].Address) AsFunction<void (*)()>(a)();
}

void InstallLocks() {
  void* numLocks = gEntries[kCRYPTO_num_locks].Address;
  void* setCallback = gEntries[kCRYPTO_set_locking_callback].Address;
  if (numLocks == nullptr || setCallback == nullptr) return;
  const int count = AsFunction<int (*)()>(numLocks)();
  gOpenSslLocks.clear();
  for (int i = 0; i < count; ++i) gOpenSslLocks.push_back(std::make_unique<std::mutex>());
  AsFunction<void (*)(TLockingCallback)>(setCallback)(&OpenSslLockCallback);
  gLocksInstalled = true;
}

}  // namespace

std::vector<TTlsLibraryNames> DefaultTlsLibraryNames() {
  return {
      {"libcrypto.so.3", "libssl.so.3", ""},
      {"libcrypto.so", "libssl.so", ""},
      {"libcrypto.so.1.1", "libssl.so.1.1", ""},
  };
}

void SetTlsLibraryNames(const std::vector<TTlsLibraryNames>& Names) {
  std::lock_guard<std::mutex> guard(gLoaderLock);
  if (gLoaded.load()) return;
  gNames = Names.empty() ? DefaultTlsLibraryNames() : Names;
}

std::vector<TTlsLibraryNames> TlsLibraryNames() {
  std::lock_guard<std::mutex> guard(gLoaderLock);
  return gNames;
}

bool LoadTlsLibraries() {
  if (gLoaded.load(std::memory_order_acquire)) return true;
  std::lock_guard<std::mutex> guard(gLoaderLock);
  if (gLoaded.load()) return true;
  for (const TTlsLibraryNames& names : gNames) {
    gCryptoHandle = OpenLibrary(names.CryptoLibraryName);
    gSslHandle = OpenLibrary(names.SslLibraryName);
    if (gSslHandle == nullptr) gSslHandle = OpenLibrary(names.SslLibraryAltName);
    if (gCryptoHandle != nullptr && gSslHandle != nullptr) break;
    // Either is missing: release the other and try the next pair.
    CloseLibrary(gSslHandle);
    CloseLibrary(gCryptoHandle);
  }
  if (gCryptoHandle == nullptr || gSslHandle == nullptr) return false;
  ResolveAll();
  gSslFile = LibraryFileName(gSslHandle);
  gCryptoFile = LibraryFileName(gCryptoHandle);
  InitialiseLibraries();
  InstallLocks();
  gLoaded.store(true, std::memory_order_release);
  return true;
}

bool UnloadTlsLibraries() {
  std::lock_guard<std::mutex> guard(gLoaderLock);
  if (gLoaded.load()) {
    if (gLocksInstalled) {
      AsFunction<void (*)(TLockingCallback)>(gEntries[kCRYPTO_set_locking_callback].Address)(nullptr);
      gOpenSslLocks.clear();
      gLocksInstalled = false;
    }
    if (void* a = gEntries[kEVP_cleanup].Address) AsFunction<void (*)()>(a)();
    if (void* a = gEntries[kCRYPTO_cleanup_all_ex_data].Address) AsFunction<void (*)()>(a)();
    if (void* a = gEntries[kERR_remove_state].Address) AsFunction<void (*)(unsigned long)>(a)(0);
  }
  gLoaded.store(false);
  CloseLibrary(gSslHandle);
  CloseLibrary(gCryptoHandle);
  for (TEntry& entry : gEntries) entry = TEntry{};
  gSslFile.clear();
  gCryptoFile.clear();
  return true;
}

bool TlsLibrariesLoaded() { return gLoaded.load(); }
void* SslLibraryHandle() { return gSslHandle; }
void* CryptoLibraryHandle() { return gCryptoHandle; }
std::string SslLibraryFile() { return gSslFile; }
std::string CryptoLibraryFile() { return gCryptoFile; }
int OpenSslLockCount() { return static_cast<int>(gOpenSslLocks.size()); }

bool TlsEntryPointResolved(const std::string& Name) { return !TlsEntryPointSource(Name).empty(); }

std::string TlsEntryPointSource(const std::string& Name) {
  for (int s = 0; s < kSlotCount; ++s) {
    if (Name == kEntryNames[s].Names[0]) {
      const int source = gEntries[s].Source;
      return source < 0 ? std::string() : std::string(kEntryNames[s].Names[static_cast<std::size_t>(source)]);
    }
  }
  return {};
}

// --- wrappers ------------------------------------------------------------------------

namespace {

std::string FromCString(const char* Value) { return Value == nullptr ? std::string() : std::string(Value); }

// An empty name means "none" for OpenSSL.
const char* OrNull(const std::string& Value) { return Value.empty() ? nullptr : Value.c_str(); }

const SSL_METHOD* Method(Slot S) {
  auto fn = Entry<const SSL_METHOD* (*)()>(S);
  return fn ? fn() : nullptr;
}

template <class Object>
void FreeWith(Slot S, Object* Value) {
  if (auto fn = Entry<void (*)(Object*)>(S)) fn(Value);
}

}  // namespace

int SSL_get_error(const SSL* s, int ret_code) {
  auto fn = Entry<int (*)(const SSL*, int)>(kSSL_get_error);
  return fn ? fn(s, ret_code) : ossl::kErrorSsl;
}

int SSL_CTX_set_cipher_list(SSL_CTX* ctx, const std::string& str) {
  auto fn = Entry<int (*)(SSL_CTX*, const char*)>(kSSL_CTX_set_cipher_list);
  return fn ? fn(ctx, str.c_str()) : 0;
}

SSL_CTX* SSL_CTX_new(const SSL_METHOD* method) {
  auto fn = Entry<SSL_CTX* (*)(const SSL_METHOD*)>(kSSL_CTX_new);
  return fn ? fn(method) : nullptr;
}

void SSL_CTX_free(SSL_CTX* ctx) { FreeWith(kSSL_CTX_free, ctx); }

int SSL_set_fd(SSL* s, int fd) {
  auto fn = Entry<int (*)(SSL*, int)>(kSSL_set_fd);
  return fn ? fn(s, fd) : 0;
}

const SSL_METHOD* SSLv2_method() { return Method(kSSLv2_method); }
const SSL_METHOD* SSLv3_method() { return Method(kSSLv3_method); }
const SSL_METHOD* TLSv1_method() { return Method(kTLSv1_method); }
const SSL_METHOD* TLSv1_1_method() { return Method(kTLSv1_1_method); }
const SSL_METHOD* TLSv1_2_method() { return Method(kTLSv1_2_method); }
const SSL_METHOD* SSLv23_method() { return Method(kSSLv23_method); }

int SSL_CTX_use_PrivateKey(SSL_CTX* ctx, EVP_PKEY* pkey) {
  auto fn = Entry<int (*)(SSL_CTX*, EVP_PKEY*)>(kSSL_CTX_use_PrivateKey);
  return fn ? fn(ctx, pkey) : 0;
}

int SSL_CTX_use_PrivateKey_ASN1(int pk, SSL_CTX* ctx, const unsigned char* d, long len) {
  auto fn = Entry<int (*)(int, SSL_CTX*, const unsigned char*, long)>(kSSL_CTX_use_PrivateKey_ASN1);
  return fn ? fn(pk, ctx, d, len) : 0;
}

int SSL_CTX_use_RSAPrivateKey_file(SSL_CTX* ctx, const std::string& file, int type) {
  auto fn = Entry<int (*)(SSL_CTX*, const char*, int)>(kSSL_CTX_use_RSAPrivateKey_file);
  return fn ? fn(ctx, file.c_str(), type) : 0;
}

int SSL_CTX_use_certificate(SSL_CTX* ctx, X509* x) {
  auto fn = Entry<int (*)(SSL_CTX*, X509*)>(kSSL_CTX_use_certificate);
  return fn ? fn(ctx, x) : 0;
}

int SSL_CTX_use_certificate_ASN1(SSL_CTX* ctx, int len, const unsigned char* d) {
  auto fn = Entry<int (*)(SSL_CTX*, int, const unsigned char*)>(kSSL_CTX_use_certificate_ASN1);
  return fn ? fn(ctx, len, d) : 0;
}

int SSL_CTX_use_certificate_file(SSL_CTX* ctx, const std::string& file, int type) {
  auto fn = Entry<int (*)(SSL_CTX*, const char*, int)>(kSSL_CTX_use_certificate_file);
  return fn ? fn(ctx, file.c_str(), type) : 0;
}

int SSL_CTX_use_certificate_chain_file(SSL_CTX* ctx, const std::string& file) {
  auto fn = Entry<int (*)(SSL_CTX*, const char*)>(kSSL_CTX_use_certificate_chain_file);
  return fn ? fn(ctx, file.c_str()) : 0;
}

void SSL_CTX_set_default_passwd_cb(SSL_CTX* ctx, TPemPasswordCallback cb) {
  if (auto fn = Entry<void (*)(SSL_CTX*, TPemPasswordCallback)>(kSSL_CTX_set_default_passwd_cb)) fn(ctx, cb);
}

void SSL_CTX_set_default_passwd_cb_userdata(SSL_CTX* ctx, void* u) {
  if (auto fn = Entry<void (*)(SSL_CTX*, void*)>(kSSL_CTX_set_default_passwd_cb_userdata)) fn(ctx, u);
}

int SSL_CTX_load_verify_locations(SSL_CTX* ctx, const std::string& CAfile, const std::string& CApath) {
  auto fn = Entry<int (*)(SSL_CTX*, const char*, const char*)>(kSSL_CTX_load_verify_locations);
  return fn ? fn(ctx, OrNull(CAfile), OrNull(CApath)) : 0;
}

long SSL_CTX_ctrl(SSL_CTX* ctx, int cmd, long larg, void* parg) {
  auto fn = Entry<long (*)(SSL_CTX*, int, long, void*)>(kSSL_CTX_ctrl);
  return fn ? fn(ctx, cmd, larg, parg) : 0;
}

SSL* SSL_new(SSL_CTX* ctx) {
  auto fn = Entry<SSL* (*)(SSL_CTX*)>(kSSL_new);
  return fn ? fn(ctx) : nullptr;
}

void SSL_free(SSL* s) { FreeWith(kSSL_free, s); }

int SSL_accept(SSL* s) {
  auto fn = Entry<int (*)(SSL*)>(kSSL_accept);
  return fn ? fn(s) : -1;
}

int SSL_connect(SSL* s) {
  auto fn = Entry<int (*)(SSL*)>(kSSL_connect);
  return fn ? fn(s) : -1;
}

int SSL_shutdown(SSL* s) {
  auto fn = Entry<int (*)(SSL*)>(kSSL_shutdown);
  return fn ? fn(s) : -1;
}

int SSL_read(SSL* s, void* buf, int num) {
  auto fn = Entry<int (*)(SSL*, void*, int)>(kSSL_read);
  return fn ? fn(s, buf, num) : -1;
}

int SSL_write(SSL* s, const void* buf, int num) {
  auto fn = Entry<int (*)(SSL*, const void*, int)>(kSSL_write);
  return fn ? fn(s, buf, num) : -1;
}

int SSL_pending(const SSL* s) {
  auto fn = Entry<int (*)(const SSL*)>(kSSL_pending);
  return fn ? fn(s) : 0;
}

X509* SSL_get_peer_certificate(const SSL* s) {
  auto fn = Entry<X509* (*)(const SSL*)>(kSSL_get_peer_certificate);
  return fn ? fn(s) : nullptr;
}

std::string SSL_get_version(const SSL* s) {
  auto fn = Entry<const char* (*)(const SSL*)>(kSSL_get_version);
  return fn ? FromCString(fn(s)) : std::string();
}

void SSL_CTX_set_verify(SSL_CTX* ctx, int mode, TVerifyCallback cb) {
  if (auto fn = Entry<void (*)(SSL_CTX*, int, TVerifyCallback)>(kSSL_CTX_set_verify)) fn(ctx, mode, cb);
}

const SSL_CIPHER* SSL_get_current_cipher(const SSL* s) {
  auto fn = Entry<const SSL_CIPHER* (*)(const SSL*)>(kSSL_get_current_cipher);
  return fn ? fn(s) : nullptr;
}

std::string SSL_CIPHER_get_name(const SSL_CIPHER* c) {
  auto fn = Entry<const char* (*)(const SSL_CIPHER*)>(kSSL_CIPHER_get_name);
  return fn ? FromCString(fn(c)) : std::string();
}

int SSL_CIPHER_get_bits(const SSL_CIPHER* c, int* alg_bits) {
  auto fn = Entry<int (*)(const SSL_CIPHER*, int*)>(kSSL_CIPHER_get_bits);
  return fn ? fn(c, alg_bits) : 0;
}

long SSL_get_verify_result(const SSL* s) {
  auto fn = Entry<long (*)(const SSL*)>(kSSL_get_verify_result);
  return fn ? fn(s) : ossl::kVerifyErrApplication;
}

long SSL_ctrl(SSL* s, int cmd, long larg, void* parg) {
  auto fn = Entry<long (*)(SSL*, int, long, void*)>(kSSL_ctrl);
  return fn ? fn(s, cmd, larg, parg) : ossl::kVerifyErrApplication;
}

X509* X509_new() {
  auto fn = Entry<X509* (*)()>(kX509_new);
  return fn ? fn() : nullptr;
}

void X509_free(X509* a) { FreeWith(kX509_free, a); }

std::string X509_NAME_oneline(const X509_NAME* a, char* buf, int size) {
  auto fn = Entry<char* (*)(const X509_NAME*, char*, int)>(kX509_NAME_oneline);
  return fn ? FromCString(fn(a, buf, size)) : std::string();
}

X509_NAME* X509_get_subject_name(const X509* a) {
  auto fn = Entry<X509_NAME* (*)(const X509*)>(kX509_get_subject_name);
  return fn ? fn(a) : nullptr;
}

X509_NAME* X509_get_issuer_name(const X509* a) {
  auto fn = Entry<X509_NAME* (*)(const X509*)>(kX509_get_issuer_name);
  return fn ? fn(a) : nullptr;
}

unsigned long X509_NAME_hash(const X509_NAME* x) {
  void* a = Address(kX509_NAME_hash);
  if (a == nullptr) return 0;
  if (FromSuccessor(kX509_NAME_hash)) {
    // X509_NAME_hash_ex(name, library context, property query, ok flag)
    int ok = 0;
    return AsFunction<unsigned long (*)(const X509_NAME*, void*, const char*, int*)>(a)(x, nullptr, nullptr,
                                                                                         &ok);
  }
  return AsFunction<unsigned long (*)(const X509_NAME*)>(a)(x);
}

int X509_digest(const X509* data, const EVP_MD* type, unsigned char* md, unsigned int* len) {
  auto fn = Entry<int (*)(const X509*, const EVP_MD*, unsigned char*, unsigned int*)>(kX509_digest);
  return fn ? fn(data, type, md, len) : 0;
}

int X509_print(BIO* bp, X509* x) {
  auto fn = Entry<int (*)(BIO*, X509*)>(kX509_print);
  return fn ? fn(bp, x) : 0;
}

int X509_set_version(X509* x, long version) {
  auto fn = Entry<int (*)(X509*, long)>(kX509_set_version);
  return fn ? fn(x, version) : 0;
}

int X509_set_pubkey(X509* x, EVP_PKEY* pkey) {
  auto fn = Entry<int (*)(X509*, EVP_PKEY*)>(kX509_set_pubkey);
  return fn ? fn(x, pkey) : 0;
}

int X509_set_issuer_name(X509* x, const X509_NAME* name) {
  auto fn = Entry<int (*)(X509*, const X509_NAME*)>(kX509_set_issuer_name);
  return fn ? fn(x, name) : 0;
}

int X509_NAME_add_entry_by_txt(X509_NAME* name, const std::string& field, int type, const std::string& bytes,
                               int loc, int set) {
  auto fn = Entry<int (*)(X509_NAME*, const char*, int, const unsigned char*, int, int, int)>(
      kX509_NAME_add_entry_by_txt);
  return fn ? fn(name, field.c_str(), type, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<int>(bytes.size()), loc, set)
            : 0;
}

int X509_sign(X509* x, EVP_PKEY* pkey, const EVP_MD* md) {
  auto fn = Entry<int (*)(X509*, EVP_PKEY*, const EVP_MD*)>(kX509_sign);
  return fn ? fn(x, pkey, md) : 0;
}

ASN1_UTCTIME* X509_gmtime_adj(ASN1_UTCTIME* s, long adj) {
  auto fn = Entry<ASN1_UTCTIME* (*)(ASN1_UTCTIME*, long)>(kX509_gmtime_adj);
  return fn ? fn(s, adj) : nullptr;
}

int X509_set_notBefore(X509* x, const ASN1_UTCTIME* tm) {
  auto fn = Entry<int (*)(X509*, const ASN1_UTCTIME*)>(kX509_set_notBefore);
  return fn ? fn(x, tm) : 0;
}

int X509_set_notAfter(X509* x, const ASN1_UTCTIME* tm) {
  auto fn = Entry<int (*)(X509*, const ASN1_UTCTIME*)>(kX509_set_notAfter);
  return fn ? fn(x, tm) : 0;
}

ASN1_INTEGER* X509_get_serialNumber(X509* x) {
  auto fn = Entry<ASN1_INTEGER* (*)(X509*)>(kX509_get_serialNumber);
  return fn ? fn(x) : nullptr;
}

EVP_PKEY* EVP_PKEY_new() {
  auto fn = Entry<EVP_PKEY* (*)()>(kEVP_PKEY_new);
  return fn ? fn() : nullptr;
}

void EVP_PKEY_free(EVP_PKEY* pkey) { FreeWith(kEVP_PKEY_free, pkey); }

int EVP_PKEY_assign(EVP_PKEY* pkey, int type, void* key) {
  auto fn = Entry<int (*)(EVP_PKEY*, int, void*)>(kEVP_PKEY_assign);
  return fn ? fn(pkey, type, key) : 0;
}

void EVP_cleanup() {
  if (auto fn = Entry<void (*)()>(kEVP_cleanup)) fn();
}

const EVP_MD* EVP_get_digestbyname(const std::string& name) {
  auto fn = Entry<const EVP_MD* (*)(const char*)>(kEVP_get_digestbyname);
  return fn ? fn(name.c_str()) : nullptr;
}

std::string SSLeay_version(int type) {
  auto fn = Entry<const char* (*)(int)>(kSSLeay_version);
  return fn ? FromCString(fn(type)) : std::string();
}

std::string ERR_error_string_n(unsigned long e, char* buf, std::size_t len) {
  if (auto fn = Entry<void (*)(unsigned long, char*, std::size_t)>(kERR_error_string_n)) fn(e, buf, len);
  if (buf == nullptr) return {};
  return std::string(buf, ::strnlen(buf, len));
}

unsigned long ERR_get_error() {
  auto fn = Entry<unsigned long (*)()>(kERR_get_error);
  return fn ? fn() : 1;
}

void ERR_clear_error() {
  if (auto fn = Entry<void (*)()>(kERR_clear_error)) fn();
}

void ERR_remove_state(unsigned long pid) {
  if (auto fn = Entry<void (*)(unsigned long)>(kERR_remove_state)) fn(pid);
}

void CRYPTO_cleanup_all_ex_data() {
  if (auto fn = Entry<void (*)()>(kCRYPTO_cleanup_all_ex_data)) fn();
}

BIO* BIO_new(const BIO_METHOD* type) {
  auto fn = Entry<BIO* (*)(const BIO_METHOD*)>(kBIO_new);
  return fn ? fn(type) : nullptr;
}

void BIO_free_all(BIO* a) { FreeWith(kBIO_free_all, a); }

const BIO_METHOD* BIO_s_mem() {
  auto fn = Entry<const BIO_METHOD* (*)()>(kBIO_s_mem);
  return fn ? fn() : nullptr;
}

std::size_t BIO_ctrl_pending(BIO* b) {
  auto fn = Entry<std::size_t (*)(BIO*)>(kBIO_ctrl_pending);
  return fn ? fn(b) : 0;
}

int BIO_read(BIO* b, void* data, int dlen) {
  auto fn = Entry<int (*)(BIO*, void*, int)>(kBIO_read);
  return fn ? fn(b, data, dlen) : -2;
}

int BIO_write(BIO* b, const void* data, int dlen) {
  auto fn = Entry<int (*)(BIO*, const void*, int)>(kBIO_write);
  return fn ? fn(b, data, dlen) : -2;
}

PKCS12* d2i_PKCS12_bio(BIO* bp, PKCS12** p12) {
  auto fn = Entry<PKCS12* (*)(BIO*, PKCS12**)>(kd2i_PKCS12_bio);
  return fn ? fn(bp, p12) : nullptr;
}

int PKCS12_parse(PKCS12* p12, const std::string& pass, EVP_PKEY** pkey, X509** cert, X509_STACK** ca) {
  auto fn = Entry<int (*)(PKCS12*, const char*, EVP_PKEY**, X509**, X509_STACK**)>(kPKCS12_parse);
  return fn ? fn(p12, pass.c_str(), pkey, cert, ca) : 0;
}

void PKCS12_free(PKCS12* a) { FreeWith(kPKCS12_free, a); }

RSA* RSA_generate_key(int bits, unsigned long e, void (*callback)(int, int, void*), void* cb_arg) {
  auto fn = Entry<RSA* (*)(int, unsigned long, void (*)(int, int, void*), void*)>(kRSA_generate_key);
  return fn ? fn(bits, e, callback, cb_arg) : nullptr;
}

ASN1_UTCTIME* ASN1_UTCTIME_new() {
  auto fn = Entry<ASN1_UTCTIME* (*)()>(kASN1_UTCTIME_new);
  return fn ? fn() : nullptr;
}

void ASN1_UTCTIME_free(ASN1_UTCTIME* a) { FreeWith(kASN1_UTCTIME_free, a); }

int ASN1_INTEGER_set(ASN1_INTEGER* a, long v) {
  auto fn = Entry<int (*)(ASN1_INTEGER*, long)>(kASN1_INTEGER_set);
  return fn ? fn(a, v) : 0;
}

long ASN1_INTEGER_get(const ASN1_INTEGER* a) {
  auto fn = Entry<long (*)(const ASN1_INTEGER*)>(kASN1_INTEGER_get);
  return fn ? fn(a) : 0;
}

int i2d_X509_bio(BIO* bp, X509* x) {
  auto fn = Entry<int (*)(BIO*, X509*)>(ki2d_X509_bio);
  return fn ? fn(bp, x) : 0;
}

int i2d_PrivateKey_bio(BIO* bp, EVP_PKEY* pkey) {
  auto fn = Entry<int (*)(BIO*, EVP_PKEY*)>(ki2d_PrivateKey_bio);
  return fn ? fn(bp, pkey) : 0;
}

void SK_X509_POP_FREE(X509_STACK* st) {
  void* a = Address(kSK_X509_POP_FREE);
  if (a == nullptr || st == nullptr) return;
  if (!FromSuccessor(kSK_X509_POP_FREE)) {
    AsFunction<void (*)(X509_STACK*)>(a)(st);
    return;
  }
  // The generic stack release with X509_free for each element.
  void* freeCert = gEntries[kX509_free].Address;
  if (freeCert == nullptr) return;
  AsFunction<void (*)(X509_STACK*, void (*)(void*))>(a)(st, AsFunction<void (*)(void*)>(freeCert));
}

}  // namespace tav
