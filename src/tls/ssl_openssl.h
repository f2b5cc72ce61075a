#pragma once
// The working TLS plug-in: handshake, encryption and decryption on the
// socket's connected handle through the run-time OpenSSL binding. Every
// Connect builds a fresh context from the current settings; nothing is
// reused between connections.
#include <string>

#include "net/ssl_plugin.h"

namespace tav {

struct SSL;
struct SSL_CTX;

class TSSLOpenSSL : public TCustomSSL {
 public:
  // Wait used for each step of a handshake (and for a send or receive that
  // must wait) when the socket has neither a ConnectionTimeout nor a receive
  // time-out on its handle; by default 30000 ms, the HTTP engine's receive
  // time-out. Process-wide; tests shorten it.
  static int DefaultHandshakeTimeout();
  static void SetDefaultHandshakeTimeout(int Value);

  explicit TSSLOpenSSL(TTCPBlockSocket& Value);
  ~TSSLOpenSSL() override;

  bool BuildSelfSignedCert(const std::u16string& Host) override;
  std::u16string LibVersion() override;  // the crypto library's version text
  std::u16string LibName() override;     // "ssl_openssl"
  bool Connect() override;
  bool Accept() override;
  bool Shutdown() override;
  bool BiShutdown() override;
  int SendBuffer(const void* Buffer, int Len) override;
  int RecvBuffer(void* Buffer, int Len) override;
  int WaitingData() override;
  std::u16string GetSSLVersion() override;
  std::u16string GetPeerSubject() override;
  int GetPeerSerialNo() override;
  std::u16string GetPeerIssuer() override;
  std::u16string GetPeerName() override;
  std::uint32_t GetPeerNameHash() override;
  // MD5 of the peer certificate, one character per byte.
  std::u16string GetPeerFingerprint() override;
  // The certificate printed as text, lines ending in CR LF.
  std::u16string GetCertInfo() override;
  std::u16string GetCipherName() override;
  int GetCipherBits() override;
  int GetCipherAlgBits() override;
  int GetVerifyCert() override;

  // The host name part of a one-line subject: after its first "/CN=", cut
  // before the next "/", trimmed.
  static std::u16string PeerNameOfSubject(const std::u16string& Subject);

  // The pass phrase handed to OpenSSL for encrypted keys (user data: the
  // plug-in, may be null).
  static int KeyPasswordCallback(char* Buffer, int Size, int RwFlag, void* UserData);

 protected:
  // Takes the oldest queued OpenSSL error into LastError / LastErrorDesc and
  // empties the queue; true when there was none.
  bool CheckTlsError();
  bool InitTlsContext(bool Server);
  bool LoadKeys();
  bool LoadPkcs12(const std::string& Data);
  bool ReleaseTls();
  bool PrepareTls(bool Server);
  // Runs the client or server handshake on the attached handle, each wait
  // for the peer bounded by HandshakeTimeout; false with the OpenSSL error
  // taken into LastError on failure.
  bool Handshake(bool Server);
  // The wait for one step of a handshake, send or receive, in ms.
  int HandshakeTimeout() const;
  // One SSL_write or SSL_read (Io) with the checks and retries both share:
  // LastError is cleared first, a missing session fails with -1, and a call
  // that wants the handle readable or writable is repeated once it is, each
  // wait bounded by HandshakeTimeout. Defined and used in the .cpp only.
  template <typename TIo>
  int RunTlsIo(int Len, TIo Io);

  SSL* FSsl = nullptr;
  SSL_CTX* Fctx = nullptr;
};

}  // namespace tav
