#pragma once
// Numbers of the OpenSSL interface used by the run-time binding and the TLS
// plug-in. Kept apart from the binding so that a check can set them against
// OpenSSL's own headers without the two interfaces meeting.

namespace tav {

// Constants of the OpenSSL interface used by this program.
namespace ossl {
// SSL_get_error classes.
constexpr int kErrorNone = 0;
constexpr int kErrorSsl = 1;
constexpr int kErrorWantRead = 2;
constexpr int kErrorWantWrite = 3;
constexpr int kErrorSyscall = 5;
constexpr int kErrorZeroReturn = 6;
// SSL_ctrl / SSL_CTX_ctrl commands.
constexpr int kCtrlSetTlsextHostname = 55;
constexpr long kTlsextNametypeHostName = 0;
constexpr int kCtrlSetMinProtoVersion = 123;
constexpr int kCtrlSetMaxProtoVersion = 124;
// Protocol version numbers.
constexpr long kSsl2Version = 0x0002;
constexpr long kSsl3Version = 0x0300;
constexpr long kTls1Version = 0x0301;
constexpr long kTls11Version = 0x0302;
constexpr long kTls12Version = 0x0303;
// Verify modes.
constexpr int kVerifyNone = 0;
constexpr int kVerifyPeer = 1;
// File types.
constexpr int kFiletypePem = 1;
constexpr int kFiletypeAsn1 = 2;
// Key type and string type.
constexpr int kEvpPkeyRsa = 6;
constexpr int kMbstringAsc = 0x1001;
// SSLeay_version / OpenSSL_version: the version text.
constexpr int kVersionText = 0;
// X509_V_ERR_APPLICATION_VERIFICATION: fall-back of the verify result.
constexpr long kVerifyErrApplication = 50;
// OPENSSL_init_ssl / OPENSSL_init_crypto options.
constexpr unsigned long long kInitLoadCryptoStrings = 0x00000002ULL;
constexpr unsigned long long kInitAddAllCiphers = 0x00000004ULL;
constexpr unsigned long long kInitAddAllDigests = 0x00000008ULL;
constexpr unsigned long long kInitLoadSslStrings = 0x00200000ULL;
}  // namespace ossl

}  // namespace tav
