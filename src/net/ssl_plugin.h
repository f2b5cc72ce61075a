#pragma once
// The TLS plug-in interface of the TCP socket. A TTCPBlockSocket always owns
// one plug-in; once the plug-in's handshake succeeded (SSLEnabled), every
// send and receive of the socket goes through it. TCustomSSL answers every
// operation with "not available"; TSSLNone is the plug-in used when no TLS
// library is present.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tav {

class TTCPBlockSocket;
class TCustomSSL;

enum TSSLType { LT_all, LT_SSLv2, LT_SSLv3, LT_TLSv1, LT_TLSv1_1, LT_TLSv1_2, LT_SSHv2 };

// Asked whether the peer certificate is accepted.
using THookVerifyCert = std::function<bool(TCustomSSL* Sender)>;

class TCustomSSL {
 public:
  explicit TCustomSSL(TTCPBlockSocket& Value);
  virtual ~TCustomSSL();
  TCustomSSL(const TCustomSSL&) = delete;
  TCustomSSL& operator=(const TCustomSSL&) = delete;

  virtual void SetCertCAFile(const std::u16string& Value);
  virtual bool BuildSelfSignedCert(const std::u16string& Host);
  // Copies the settings (not the hook, the SSH channel settings, the socket
  // or any state).
  virtual void Assign(const TCustomSSL& Value);
  virtual std::u16string LibVersion();
  virtual std::u16string LibName();
  // Client handshake on the socket's connected handle; SSLEnabled on success.
  virtual bool Connect();
  // Server handshake.
  virtual bool Accept();
  // Ends the TLS layer without / with the peer's part of the closing exchange.
  virtual bool Shutdown();
  virtual bool BiShutdown();
  // Plain bytes accepted / delivered (0: the peer closed TLS); both clear
  // LastError first and leave it non-zero on failure.
  virtual int SendBuffer(const void* Buffer, int Len);
  virtual int RecvBuffer(void* Buffer, int Len);
  // Plain bytes already decrypted and ready without touching the handle.
  virtual int WaitingData();
  virtual std::u16string GetSSLVersion();
  virtual std::u16string GetPeerSubject();
  virtual int GetPeerSerialNo();
  virtual std::u16string GetPeerIssuer();
  virtual std::u16string GetPeerName();
  virtual std::uint32_t GetPeerNameHash();
  virtual std::u16string GetPeerFingerprint();
  virtual std::u16string GetCertInfo();
  virtual std::u16string GetCipherName();
  virtual int GetCipherBits();
  virtual int GetCipherAlgBits();
  virtual int GetVerifyCert();

  // OnVerifyCert's answer, true when the hook is unassigned.
  bool AskVerifyCert();

  bool SSLEnabled() const { return FSSLEnabled; }
  int LastError() const { return FLastError; }
  const std::u16string& LastErrorDesc() const { return FLastErrorDesc; }

  const THookVerifyCert& OnVerifyCert() const { return FOnVerifyCert; }
  void SetOnVerifyCert(THookVerifyCert Value) { FOnVerifyCert = std::move(Value); }
  TSSLType SSLType() const { return FSSLType; }
  void SetSSLType(TSSLType Value) { FSSLType = Value; }
  const std::u16string& KeyPassword() const { return FKeyPassword; }
  void SetKeyPassword(const std::u16string& Value) { FKeyPassword = Value; }
  const std::u16string& Ciphers() const { return FCiphers; }
  void SetCiphers(const std::u16string& Value) { FCiphers = Value; }
  const std::u16string& CertificateFile() const { return FCertificateFile; }
  void SetCertificateFile(const std::u16string& Value) { FCertificateFile = Value; }
  const std::u16string& PrivateKeyFile() const { return FPrivateKeyFile; }
  void SetPrivateKeyFile(const std::u16string& Value) { FPrivateKeyFile = Value; }
  const std::string& Certificate() const { return FCertificate; }
  void SetCertificate(const std::string& Value) { FCertificate = Value; }
  const std::string& PrivateKey() const { return FPrivateKey; }
  void SetPrivateKey(const std::string& Value) { FPrivateKey = Value; }
  const std::string& PFX() const { return FPFX; }
  void SetPFX(const std::string& Value) { FPFX = Value; }
  const std::u16string& PFXfile() const { return FPFXfile; }
  void SetPFXfile(const std::u16string& Value) { FPFXfile = Value; }
  const std::string& CertCA() const { return FCertCA; }
  void SetCertCA(const std::string& Value) { FCertCA = Value; }
  const std::u16string& CertCAFile() const { return FCertCAFile; }
  const std::string& TrustCertificate() const { return FTrustCertificate; }
  void SetTrustCertificate(const std::string& Value) { FTrustCertificate = Value; }
  const std::u16string& TrustCertificateFile() const { return FTrustCertificateFile; }
  void SetTrustCertificateFile(const std::u16string& Value) { FTrustCertificateFile = Value; }
  bool VerifyCert() const { return FVerifyCert; }
  void SetVerifyCert(bool Value) { FVerifyCert = Value; }
  const std::u16string& Username() const { return FUsername; }
  void SetUsername(const std::u16string& Value) { FUsername = Value; }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(const std::u16string& Value) { FPassword = Value; }
  const std::u16string& SSHChannelType() const { return FSSHChannelType; }
  void SetSSHChannelType(const std::u16string& Value) { FSSHChannelType = Value; }
  const std::u16string& SSHChannelArg1() const { return FSSHChannelArg1; }
  void SetSSHChannelArg1(const std::u16string& Value) { FSSHChannelArg1 = Value; }
  const std::u16string& SSHChannelArg2() const { return FSSHChannelArg2; }
  void SetSSHChannelArg2(const std::u16string& Value) { FSSHChannelArg2 = Value; }
  int CertComplianceLevel() const { return FCertComplianceLevel; }
  void SetCertComplianceLevel(int Value) { FCertComplianceLevel = Value; }
  const std::u16string& SNIHost() const { return FSNIHost; }
  void SetSNIHost(const std::u16string& Value) { FSNIHost = Value; }

 protected:
  // LastError -1, "SSL/TLS support is not compiled!".
  void ReportNoTLS();
  // ReportNoTLS, then Result: the whole body of a call that needs a TLS library.
  template <typename T>
  T NoTLS(T Result) {
    ReportNoTLS();
    return Result;
  }

  THookVerifyCert FOnVerifyCert;
  TTCPBlockSocket* FSocket;  // the socket served; not owned
  bool FSSLEnabled = false;
  int FLastError = 0;
  std::u16string FLastErrorDesc;
  TSSLType FSSLType = LT_all;
  std::u16string FKeyPassword;
  std::u16string FCiphers;
  std::u16string FCertificateFile;
  std::u16string FPrivateKeyFile;
  std::string FCertificate;
  std::string FPrivateKey;
  std::string FPFX;
  std::u16string FPFXfile;
  std::string FCertCA;
  std::u16string FCertCAFile;
  std::string FTrustCertificate;
  std::u16string FTrustCertificateFile;
  bool FVerifyCert = false;
  std::u16string FUsername;
  std::u16string FPassword;
  std::u16string FSSHChannelType;
  std::u16string FSSHChannelArg1;
  std::u16string FSSHChannelArg2;
  int FCertComplianceLevel = -1;
  std::u16string FSNIHost;
};

// The plug-in for a process without a TLS library.
class TSSLNone : public TCustomSSL {
 public:
  using TCustomSSL::TCustomSSL;
  std::u16string LibVersion() override;  // "Without SSL support"
  std::u16string LibName() override;     // "ssl_none"
};

// A plug-in class: creates a plug-in of its class for a socket.
using TSSLClass = std::function<std::unique_ptr<TCustomSSL>(TTCPBlockSocket& Socket)>;

// The factory of plug-in class T.
template <class T>
TSSLClass SSLClassOf() {
  return [](TTCPBlockSocket& Socket) -> std::unique_ptr<TCustomSSL> {
    return std::make_unique<T>(Socket);
  };
}

// The process-wide default plug-in class used by TTCPBlockSocket's plain
// constructor. Starts as TSSLNone; set once at start-up by the TLS binding,
// before any socket exists. An empty value also means TSSLNone.
extern TSSLClass DefaultSSLClass;

}  // namespace tav
