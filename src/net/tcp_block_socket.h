#pragma once
// The stream (TCP) socket: the blocking socket plus its TLS plug-in, the
// SOCKS and HTTP CONNECT tunnels of its Connect, and the TLS routing of
// sends and receives.
#include <memory>
#include <string>

#include "net/socks_block_socket.h"
#include "net/ssl_plugin.h"

namespace tav {

class TTCPBlockSocket : public TSocksBlockSocket {
 public:
  // With a plug-in of DefaultSSLClass.
  TTCPBlockSocket();
  // With a plug-in of the given class.
  explicit TTCPBlockSocket(const TSSLClass& SSLPlugin);
  ~TTCPBlockSocket() override;

  // Re-initialises this (closed) socket: every field a constructor assigns
  // returns to its default, the option queue and the old plug-in are
  // released, and a new plug-in of SSLPlugin is installed. Hooks, LocalSin,
  // RemoteSin, Tag, FDset, LastError and LastErrorDesc keep their values.
  void CreateWithSSL(const TSSLClass& SSLPlugin);

  void CloseSocket() override;
  // Through SOCKS when SocksIP is set, else through the HTTP tunnel when
  // HTTPTunnelIP is set, else direct; OnAfterConnect after success.
  void Connect(const std::u16string& IP, const std::u16string& Port) override;
  // With SocksIP set: a bind request through the proxy (11003 on failure).
  void Listen() override;
  // While UsingSocks: reads the proxy's reply for the accepted peer and
  // returns this socket's own handle, which carries the accepted stream.
  TSocket Accept() override;
  int SendBuffer(const void* Buffer, int Length) override;
  int RecvBuffer(void* Buffer, int Length) override;
  int WaitingData() override;
  std::u16string GetLocalSinIP() override;
  std::u16string GetRemoteSinIP() override;
  int GetLocalSinPort() override;
  int GetRemoteSinPort() override;
  int GetSocketType() override;
  int GetSocketProtocol() override;
  // The plug-in's text for 10091 when the plug-in has an error of its own.
  std::u16string GetErrorDescEx() override;

  // TLS on the connected socket: 10091 when the plug-in's handshake fails.
  void SSLDoConnect();
  bool SSLAcceptConnection();
  void SSLDoShutdown();

  TCustomSSL& SSL() { return *FSSL; }
  const TCustomSSL& SSL() const { return *FSSL; }

  const THookAfterConnect& OnAfterConnect() const { return FOnAfterConnect; }
  void SetOnAfterConnect(THookAfterConnect Value) { FOnAfterConnect = std::move(Value); }

  const std::u16string& HTTPTunnelIP() const { return FHTTPTunnelIP; }
  void SetHTTPTunnelIP(const std::u16string& Value) { FHTTPTunnelIP = Value; }
  const std::u16string& HTTPTunnelPort() const { return FHTTPTunnelPort; }
  void SetHTTPTunnelPort(const std::u16string& Value) { FHTTPTunnelPort = Value; }
  bool HTTPTunnel() const { return FHTTPTunnel; }
  const std::u16string& HTTPTunnelUser() const { return FHTTPTunnelUser; }
  void SetHTTPTunnelUser(const std::u16string& Value) { FHTTPTunnelUser = Value; }
  const std::u16string& HTTPTunnelPass() const { return FHTTPTunnelPass; }
  void SetHTTPTunnelPass(const std::u16string& Value) { FHTTPTunnelPass = Value; }
  int HTTPTunnelTimeout() const { return FHTTPTunnelTimeout; }
  void SetHTTPTunnelTimeout(int Value) { FHTTPTunnelTimeout = Value; }

 protected:
  void ConnectViaSocks(const std::u16string& IP, const std::u16string& Port);
  void ConnectViaHTTPTunnel(const std::u16string& IP, const std::u16string& Port);
  // Reads the proxy's answer to CONNECT up to its empty line: HTTPTunnel
  // from the status line, 10061 when no 2xx status came.
  void ReadHTTPTunnelReply();
  void InitTunnelDefaults();

  THookAfterConnect FOnAfterConnect;
  std::unique_ptr<TCustomSSL> FSSL;
  std::u16string FHTTPTunnelIP;
  std::u16string FHTTPTunnelPort;
  bool FHTTPTunnel = false;
  std::u16string FHTTPTunnelRemoteIP;
  std::u16string FHTTPTunnelRemotePort;
  std::u16string FHTTPTunnelUser;
  std::u16string FHTTPTunnelPass;
  int FHTTPTunnelTimeout = 30000;
};

}  // namespace tav
