#include "net/socks_block_socket.h"

namespace tav {

TSocksBlockSocket::TSocksBlockSocket() { InitSocksDefaults(); }

TSocksBlockSocket::TSocksBlockSocket(const std::u16string& Stub) : TBlockSocket(Stub) {
  InitSocksDefaults();
}

void TSocksBlockSocket::InitSocksDefaults() {
  FSocksIP.clear();
  FSocksPort = u"1080";
  FSocksTimeout = 60000;
  FSocksUsername.clear();
  FSocksPassword.clear();
  FUsingSocks = false;
  FSocksResolver = true;
  FSocksLastError = 0;
  FSocksResponseIP.clear();
  FSocksResponsePort.clear();
  FSocksLocalIP.clear();
  FSocksLocalPort.clear();
  FSocksRemoteIP.clear();
  FSocksRemotePort.clear();
  FBypassFlag = false;
  FSocksType = ST_Socks5;
}

}  // namespace tav
