#include "net/ssl_plugin.h"

namespace tav {

TSSLClass DefaultSSLClass = SSLClassOf<TSSLNone>();

TCustomSSL::TCustomSSL(TTCPBlockSocket& Value) : FSocket(&Value) {}

TCustomSSL::~TCustomSSL() = default;

void TCustomSSL::ReportNoTLS() {
  FLastError = -1;
  FLastErrorDesc = u"SSL/TLS support is not compiled!";
}

void TCustomSSL::SetCertCAFile(const std::u16string& Value) { FCertCAFile = Value; }

bool TCustomSSL::BuildSelfSignedCert(const std::u16string& /*Host*/) { return false; }

void TCustomSSL::Assign(const TCustomSSL& Value) {
  FUsername = Value.FUsername;
  FPassword = Value.FPassword;
  FVerifyCert = Value.FVerifyCert;
  FSSLType = Value.FSSLType;
  FKeyPassword = Value.FKeyPassword;
  FCiphers = Value.FCiphers;
  FCertificateFile = Value.FCertificateFile;
  FPrivateKeyFile = Value.FPrivateKeyFile;
  SetCertCAFile(Value.FCertCAFile);
  FCertCA = Value.FCertCA;
  FTrustCertificate = Value.FTrustCertificate;
  FTrustCertificateFile = Value.FTrustCertificateFile;
  FCertificate = Value.FCertificate;
  FPrivateKey = Value.FPrivateKey;
  FPFX = Value.FPFX;
  FPFXfile = Value.FPFXfile;
  FCertComplianceLevel = Value.FCertComplianceLevel;
  FSNIHost = Value.FSNIHost;
}

std::u16string TCustomSSL::LibVersion() { return {}; }
std::u16string TCustomSSL::LibName() { return {}; }

bool TCustomSSL::Connect() { return NoTLS(false); }
bool TCustomSSL::Accept() { return NoTLS(false); }
bool TCustomSSL::Shutdown() { return NoTLS(false); }
bool TCustomSSL::BiShutdown() { return NoTLS(false); }
int TCustomSSL::SendBuffer(const void* /*Buffer*/, int /*Len*/) { return NoTLS(-1); }
int TCustomSSL::RecvBuffer(void* /*Buffer*/, int /*Len*/) { return NoTLS(-1); }
int TCustomSSL::WaitingData() { return NoTLS(0); }

std::u16string TCustomSSL::GetSSLVersion() { return {}; }
std::u16string TCustomSSL::GetPeerSubject() { return {}; }
int TCustomSSL::GetPeerSerialNo() { return -1; }
std::u16string TCustomSSL::GetPeerIssuer() { return {}; }
std::u16string TCustomSSL::GetPeerName() { return {}; }
std::uint32_t TCustomSSL::GetPeerNameHash() { return 0; }
std::u16string TCustomSSL::GetPeerFingerprint() { return {}; }
std::u16string TCustomSSL::GetCertInfo() { return {}; }
std::u16string TCustomSSL::GetCipherName() { return {}; }
int TCustomSSL::GetCipherBits() { return 0; }
int TCustomSSL::GetCipherAlgBits() { return 0; }
int TCustomSSL::GetVerifyCert() { return 1; }

bool TCustomSSL::AskVerifyCert() {
  if (!FOnVerifyCert) return true;
  return FOnVerifyCert(this);
}

std::u16string TSSLNone::LibVersion() { return u"Without SSL support"; }
std::u16string TSSLNone::LibName() { return u"ssl_none"; }

}  // namespace tav
