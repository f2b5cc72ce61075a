#pragma once
// Fixtures for the TLS tests: certificates made with the openssl command, an
// `openssl s_server` child process, a raw TCP peer that misbehaves during the
// handshake on purpose, and a guard that swaps the TLS library names for the
// duration of a test. Temporary folders and other child processes (such as
// `openssl s_client`) come from the shared fixtures included here.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "temp_folder.h"
#include "tls/openssl_binding.h"

namespace tav::test {

// Certificates and keys made on first use in one temporary folder per test
// program. File names are absolute.
struct CertificateSet {
  std::string SelfCert, SelfKey;        // self-signed, CN=localhost, serial 4660, EC key
  std::string ExpiredCert, ExpiredKey;  // self-signed, CN=expired.test, valid only in 2020
  std::string RsaCert, RsaKey;          // self-signed, CN=rsa.test, RSA key (PEM)
  std::string RsaKeyEncrypted;          // the RSA key, encrypted with kKeyPassword
  std::string RsaPfx;                   // certificate and RSA key as PKCS #12, kKeyPassword
  std::string RsaCertDer, RsaKeyDer;    // the same in DER form
};
inline constexpr const char* kKeyPassword = "open sesame";
// Makes the set (once); fails the calling test when openssl cannot.
const CertificateSet& Certificates();

// `openssl s_server` on a free loopback port with -www (answers a GET with a
// status page) unless `extra` says otherwise.
class OpenSslServer {
 public:
  OpenSslServer(const std::string& cert, const std::string& key, const std::vector<std::string>& extra = {});
  ~OpenSslServer();
  bool Ready() const { return FReady; }
  int Port() const { return FPort; }
  std::string Log() const;

 private:
  TempFolder FFolder{"tav-tls"};
  int FPort = 0;
  bool FReady = false;
  std::unique_ptr<ChildProcess> FProcess;
};

// A loopback TCP peer for one connection. It reads the client's first TLS
// record (the ClientHello) and then behaves as asked.
enum class RawPeerMode {
  CloseAfterHello,  // close at once after the ClientHello
  Garbage,          // answer with bytes that are not TLS, then close
  PartialRecord,    // start a handshake record, then close in its middle
  Stall,            // never answer; hold the connection until stopped
};

class RawPeer {
 public:
  explicit RawPeer(RawPeerMode mode);
  ~RawPeer();
  RawPeer(const RawPeer&) = delete;
  RawPeer& operator=(const RawPeer&) = delete;
  int Port() const { return FPort; }
  // Waits up to timeoutMs for the ClientHello record and returns it.
  std::string ClientHello(int timeoutMs = 5000);

 private:
  void Serve();

  RawPeerMode FMode;
  int FListen = -1;
  int FWake[2] = {-1, -1};
  int FPort = 0;
  std::atomic<bool> FDone{false};
  std::string FHello;
  std::thread FThread;
};

// The server name (SNI) a ClientHello record carries; nullopt when it has no
// server_name extension. `parsed` tells whether the record was a well-formed
// ClientHello.
std::optional<std::string> ServerNameOf(const std::string& record, bool* parsed);

// Sets other library names for the life of the guard (unloading first) and
// restores the previous names, unloaded, afterwards.
class TlsNamesGuard {
 public:
  explicit TlsNamesGuard(const std::vector<TTlsLibraryNames>& names);
  ~TlsNamesGuard();
  TlsNamesGuard(const TlsNamesGuard&) = delete;
  TlsNamesGuard& operator=(const TlsNamesGuard&) = delete;

 private:
  std::vector<TTlsLibraryNames> FSaved;
};

// Names that no system has.
std::vector<TTlsLibraryNames> MissingTlsLibraryNames();

}  // namespace tav::test
