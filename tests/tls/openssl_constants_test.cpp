// The numbers the binding declares for itself, checked against OpenSSL's own
// headers at compile time. Only the headers are used; nothing links.
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include "tls/openssl_constants.h"

namespace tav::ossl {

static_assert(kErrorNone == SSL_ERROR_NONE);
static_assert(kErrorSsl == SSL_ERROR_SSL);
static_assert(kErrorWantRead == SSL_ERROR_WANT_READ);
static_assert(kErrorWantWrite == SSL_ERROR_WANT_WRITE);
static_assert(kErrorSyscall == SSL_ERROR_SYSCALL);
static_assert(kErrorZeroReturn == SSL_ERROR_ZERO_RETURN);
static_assert(kCtrlSetTlsextHostname == SSL_CTRL_SET_TLSEXT_HOSTNAME);
static_assert(kTlsextNametypeHostName == TLSEXT_NAMETYPE_host_name);
static_assert(kCtrlSetMinProtoVersion == SSL_CTRL_SET_MIN_PROTO_VERSION);
static_assert(kCtrlSetMaxProtoVersion == SSL_CTRL_SET_MAX_PROTO_VERSION);
static_assert(kSsl2Version == SSL2_VERSION);
static_assert(kSsl3Version == SSL3_VERSION);
static_assert(kTls1Version == TLS1_VERSION);
static_assert(kTls11Version == TLS1_1_VERSION);
static_assert(kTls12Version == TLS1_2_VERSION);
static_assert(kVerifyNone == SSL_VERIFY_NONE);
static_assert(kVerifyPeer == SSL_VERIFY_PEER);
static_assert(kFiletypePem == SSL_FILETYPE_PEM);
static_assert(kFiletypeAsn1 == SSL_FILETYPE_ASN1);
static_assert(kEvpPkeyRsa == EVP_PKEY_RSA);
static_assert(kMbstringAsc == MBSTRING_ASC);
static_assert(kVersionText == OPENSSL_VERSION);
static_assert(kVerifyErrApplication == X509_V_ERR_APPLICATION_VERIFICATION);
static_assert(kInitLoadCryptoStrings == OPENSSL_INIT_LOAD_CRYPTO_STRINGS);
static_assert(kInitAddAllCiphers == OPENSSL_INIT_ADD_ALL_CIPHERS);
static_assert(kInitAddAllDigests == OPENSSL_INIT_ADD_ALL_DIGESTS);
static_assert(kInitLoadSslStrings == OPENSSL_INIT_LOAD_SSL_STRINGS);

}  // namespace tav::ossl
