#pragma once
// The middle class of the socket tree: the settings, state and negotiation
// steps of a SOCKS proxy (versions 4, 4a and 5, the latter with optional
// user name / password authentication). A non-empty SocksIP makes
// TTCPBlockSocket's Connect, Listen and Accept go through the proxy.
#include <cstdint>
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

  // SOCKS 5: the greeting and, when the proxy asks for it, the user name /
  // password exchange; SOCKS 4: nothing. True (and UsingSocks) on success.
  // A user name or password longer than 255 bytes cannot be sent and fails.
  bool SocksOpen();
  // Sends one request (Cmd 1 connect, 2 bind) for IP:Port; true when it went
  // out without an error. Nothing is sent when the target cannot be encoded.
  bool SocksRequest(std::uint8_t Cmd, const std::u16string& IP, const std::u16string& Port);
  // Reads and checks one reply: SocksLastError gets its code (-1 while none
  // was read), SocksResponseIP / SocksResponsePort its address.
  bool SocksResponse();
  // The part of a request after the command byte (SOCKS 4) or after the
  // reserved byte (SOCKS 5). Empty when the target cannot be encoded: a
  // SOCKS 5 host name longer than 255 bytes, or a SOCKS 4 user name or 4a
  // host name with a NUL byte inside (the field would end early).
  std::string EncodeSocksTarget(const std::u16string& IP, const std::u16string& Port);
  // Parses a reply into SocksResponseIP / SocksResponsePort; returns the
  // 1-based index just past the parsed part (0 when too short to parse).
  int DecodeSocksReply(const std::string& Value);

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
