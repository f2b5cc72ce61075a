#pragma once
// Run-time binding of OpenSSL's libssl and libcrypto. Nothing here links
// against OpenSSL: the two libraries are opened by name with the dynamic
// loader, every entry point is resolved by its name, and each wrapper below
// calls its entry point only when the libraries are loaded and the name was
// found; otherwise it returns a fixed fall-back value without calling
// anything. The first wrapper call loads the libraries if nobody did before.
//
// Entry points are those of the OpenSSL 1.0 interface. Later releases export
// successors for several of them (library initialisation, version text, the
// flexible protocol method, the peer-certificate getter, the certificate
// validity setters, the name hash, the stack release); those are resolved
// into the same slot when the old name is missing. Names without a successor
// (the lock functions, the clean-up functions that became no-ops) stay
// empty, so with OpenSSL 1.1 or 3 no locks are made.
//
// The OpenSSL types are opaque here; no OpenSSL header is included.
#include <cstddef>
#include <string>
#include <vector>

#include "tls/openssl_constants.h"

namespace tav {

// Opaque OpenSSL objects.
struct SSL;
struct SSL_CTX;
struct SSL_METHOD;
struct SSL_CIPHER;
struct X509;
struct X509_NAME;
struct X509_STACK;  // STACK_OF(X509)
struct EVP_PKEY;
struct EVP_MD;
struct BIO;
struct BIO_METHOD;
struct PKCS12;
struct ASN1_INTEGER;
struct ASN1_UTCTIME;  // also used as ASN1_TIME
struct RSA;

// Names of one pair of libraries: the crypto library, the SSL library and a
// second name tried for the SSL library when the first cannot be opened.
struct TTlsLibraryNames {
  std::string CryptoLibraryName;
  std::string SslLibraryName;
  std::string SslLibraryAltName;
};

// The pairs tried in order: OpenSSL 3, the unversioned development names,
// OpenSSL 1.1.
std::vector<TTlsLibraryNames> DefaultTlsLibraryNames();
// Replaces the pairs tried by the next load; ignored while the libraries are
// loaded (unload first). An empty list restores the defaults.
void SetTlsLibraryNames(const std::vector<TTlsLibraryNames>& Names);
std::vector<TTlsLibraryNames> TlsLibraryNames();

// Loads and initialises once; true when both libraries are loaded (now or
// earlier). A failed attempt changes nothing, so a later call tries again.
bool LoadTlsLibraries();
// Undoes everything; always true.
bool UnloadTlsLibraries();
bool TlsLibrariesLoaded();

// Handles and full file names of the loaded libraries (null / empty when not
// loaded).
void* SslLibraryHandle();
void* CryptoLibraryHandle();
std::string SslLibraryFile();
std::string CryptoLibraryFile();
// Number of locks handed to OpenSSL (0 when its lock functions are absent).
int OpenSslLockCount();
// True when the entry point of that name has an address (also through a
// successor).
bool TlsEntryPointResolved(const std::string& Name);
// The name the slot was resolved through ("" when empty).
std::string TlsEntryPointSource(const std::string& Name);

using TPemPasswordCallback = int (*)(char* Buffer, int Size, int RwFlag, void* UserData);
using TVerifyCallback = int (*)(int PreverifyOk, void* StoreContext);

// --- wrappers (fall-back in brackets) ------------------------------------------
// SSL library
int SSL_get_error(const SSL* s, int ret_code);                          // [1]
int SSL_CTX_set_cipher_list(SSL_CTX* ctx, const std::string& str);      // [0]
SSL_CTX* SSL_CTX_new(const SSL_METHOD* method);                        // [null]
void SSL_CTX_free(SSL_CTX* ctx);
int SSL_set_fd(SSL* s, int fd);                                          // [0]
const SSL_METHOD* SSLv2_method();                                        // [null]
const SSL_METHOD* SSLv3_method();
const SSL_METHOD* TLSv1_method();
const SSL_METHOD* TLSv1_1_method();
const SSL_METHOD* TLSv1_2_method();
const SSL_METHOD* SSLv23_method();  // the flexible method (TLS_method)
int SSL_CTX_use_PrivateKey(SSL_CTX* ctx, EVP_PKEY* pkey);                // [0]
int SSL_CTX_use_PrivateKey_ASN1(int pk, SSL_CTX* ctx, const unsigned char* d, long len);
int SSL_CTX_use_RSAPrivateKey_file(SSL_CTX* ctx, const std::string& file, int type);
int SSL_CTX_use_certificate(SSL_CTX* ctx, X509* x);
int SSL_CTX_use_certificate_ASN1(SSL_CTX* ctx, int len, const unsigned char* d);
int SSL_CTX_use_certificate_file(SSL_CTX* ctx, const std::string& file, int type);
int SSL_CTX_use_certificate_chain_file(SSL_CTX* ctx, const std::string& file);
void SSL_CTX_set_default_passwd_cb(SSL_CTX* ctx, TPemPasswordCallback cb);
void SSL_CTX_set_default_passwd_cb_userdata(SSL_CTX* ctx, void* u);
// An empty name is passed as "none".
int SSL_CTX_load_verify_locations(SSL_CTX* ctx, const std::string& CAfile,
                                  const std::string& CApath);              // [0]
long SSL_CTX_ctrl(SSL_CTX* ctx, int cmd, long larg, void* parg);          // [0]
SSL* SSL_new(SSL_CTX* ctx);                                              // [null]
void SSL_free(SSL* s);
int SSL_accept(SSL* s);                                                  // [-1]
int SSL_connect(SSL* s);                                                 // [-1]
int SSL_shutdown(SSL* s);                                                // [-1]
int SSL_read(SSL* s, void* buf, int num);                                // [-1]
int SSL_write(SSL* s, const void* buf, int num);                         // [-1]
int SSL_pending(const SSL* s);                                           // [0]
// The caller owns the certificate (free it with X509_free).
X509* SSL_get_peer_certificate(const SSL* s);                           // [null]
std::string SSL_get_version(const SSL* s);                               // [""]
void SSL_CTX_set_verify(SSL_CTX* ctx, int mode, TVerifyCallback cb);
const SSL_CIPHER* SSL_get_current_cipher(const SSL* s);                 // [null]
std::string SSL_CIPHER_get_name(const SSL_CIPHER* c);                    // [""]
int SSL_CIPHER_get_bits(const SSL_CIPHER* c, int* alg_bits);             // [0]
long SSL_get_verify_result(const SSL* s);                                // [50]
long SSL_ctrl(SSL* s, int cmd, long larg, void* parg);                   // [50]

// Crypto library
X509* X509_new();                                                        // [null]
void X509_free(X509* a);
std::string X509_NAME_oneline(const X509_NAME* a, char* buf, int size);  // [""]
X509_NAME* X509_get_subject_name(const X509* a);                         // [null]
X509_NAME* X509_get_issuer_name(const X509* a);                          // [null]
unsigned long X509_NAME_hash(const X509_NAME* x);                        // [0]
int X509_digest(const X509* data, const EVP_MD* type, unsigned char* md, unsigned int* len);
int X509_print(BIO* bp, X509* x);
int X509_set_version(X509* x, long version);
int X509_set_pubkey(X509* x, EVP_PKEY* pkey);
int X509_set_issuer_name(X509* x, const X509_NAME* name);
int X509_NAME_add_entry_by_txt(X509_NAME* name, const std::string& field, int type,
                               const std::string& bytes, int loc, int set);
int X509_sign(X509* x, EVP_PKEY* pkey, const EVP_MD* md);
ASN1_UTCTIME* X509_gmtime_adj(ASN1_UTCTIME* s, long adj);                // [null]
int X509_set_notBefore(X509* x, const ASN1_UTCTIME* tm);
int X509_set_notAfter(X509* x, const ASN1_UTCTIME* tm);
ASN1_INTEGER* X509_get_serialNumber(X509* x);                            // [null]
EVP_PKEY* EVP_PKEY_new();                                                // [null]
void EVP_PKEY_free(EVP_PKEY* pkey);
int EVP_PKEY_assign(EVP_PKEY* pkey, int type, void* key);
void EVP_cleanup();
const EVP_MD* EVP_get_digestbyname(const std::string& name);            // [null]
std::string SSLeay_version(int type);                                    // [""]
// Writes the text of error e into buf (at most len bytes with the zero) and
// returns buf up to its first zero byte; without the library buf is left
// unchanged.
std::string ERR_error_string_n(unsigned long e, char* buf, std::size_t len);
unsigned long ERR_get_error();                                           // [1]
void ERR_clear_error();
void ERR_remove_state(unsigned long pid);
void CRYPTO_cleanup_all_ex_data();
BIO* BIO_new(const BIO_METHOD* type);                                    // [null]
void BIO_free_all(BIO* a);
const BIO_METHOD* BIO_s_mem();                                           // [null]
std::size_t BIO_ctrl_pending(BIO* b);                                    // [0]
int BIO_read(BIO* b, void* data, int dlen);                              // [-2]
int BIO_write(BIO* b, const void* data, int dlen);                       // [-2]
PKCS12* d2i_PKCS12_bio(BIO* bp, PKCS12** p12);                           // [null]
int PKCS12_parse(PKCS12* p12, const std::string& pass, EVP_PKEY** pkey, X509** cert,
                 X509_STACK** ca);                                       // [0]
void PKCS12_free(PKCS12* a);
RSA* RSA_generate_key(int bits, unsigned long e, void (*callback)(int, int, void*),
                      void* cb_arg);                                     // [null]
ASN1_UTCTIME* ASN1_UTCTIME_new();                                        // [null]
void ASN1_UTCTIME_free(ASN1_UTCTIME* a);
int ASN1_INTEGER_set(ASN1_INTEGER* a, long v);
long ASN1_INTEGER_get(const ASN1_INTEGER* a);
int i2d_X509_bio(BIO* bp, X509* x);
int i2d_PrivateKey_bio(BIO* bp, EVP_PKEY* pkey);
// Frees every certificate of the stack with X509_free, then the stack.
void SK_X509_POP_FREE(X509_STACK* st);

}  // namespace tav
