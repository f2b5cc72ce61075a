#pragma once
// The middle class of the socket tree: the settings and state of a SOCKS
// proxy (versions 4, 4a and 5). A non-empty SocksIP makes TTCPBlockSocket's
// Connect go through the proxy.
#include <string>

#include "net/block_socket.h"

namespace tav {

enum TSocksType { ST_Socks5, ST_Socks4 };

class TSocksBlockSocket : public TBlockSocket {
 public:
  TSocksBlockSocket();
  explicit TSocksBlockSocket(const std::u16string& Stub);

  const std::u16string& SocksIP() const { return FSocksIP; }
  void SetSocksIP(const std::u16string& Value) { FSocksIP = Value; }
  const std::u16string& SocksPort() const { return FSocksPort; }
  void SetSocksPort(const std::u16string& Value) { FSocksPort = Value; }
  int SocksTimeout() const { return FSocksTimeout; }
  void SetSocksTimeout(int Value) { FSocksTimeout = Value; }
  const std::u16string& SocksUsername() const { return FSocksUsername; }
  void SetSocksUsername(const std::u16string& Value) { FSocksUsername = Value; }
  const std::u16string& SocksPassword() const { return FSocksPassword; }
  void SetSocksPassword(const std::u16string& Value) { FSocksPassword = Value; }
  bool UsingSocks() const { return FUsingSocks; }
  bool SocksResolver() const { return FSocksResolver; }
  void SetSocksResolver(bool Value) { FSocksResolver = Value; }
  int SocksLastError() const { return FSocksLastError; }
  const std::u16string& SocksResponseIP() const { return FSocksResponseIP; }
  const std::u16string& SocksResponsePort() const { return FSocksResponsePort; }
  const std::u16string& SocksLocalIP() const { return FSocksLocalIP; }
  const std::u16string& SocksLocalPort() const { return FSocksLocalPort; }
  const std::u16string& SocksRemoteIP() const { return FSocksRemoteIP; }
  const std::u16string& SocksRemotePort() const { return FSocksRemotePort; }
  TSocksType SocksType() const { return FSocksType; }
  void SetSocksType(TSocksType Value) { FSocksType = Value; }

 protected:
  // Sets the SOCKS fields back to their construction defaults.
  void InitSocksDefaults();

  std::u16string FSocksIP;
  std::u16string FSocksPort = u"1080";
  int FSocksTimeout = 60000;
  std::u16string FSocksUsername;
  std::u16string FSocksPassword;
  bool FUsingSocks = false;
  bool FSocksResolver = true;
  int FSocksLastError = 0;
  std::u16string FSocksResponseIP;
  std::u16string FSocksResponsePort;
  std::u16string FSocksLocalIP;
  std::u16string FSocksLocalPort;
  std::u16string FSocksRemoteIP;
  std::u16string FSocksRemotePort;
  bool FBypassFlag = false;
  TSocksType FSocksType = ST_Socks5;
};

}  // namespace tav
