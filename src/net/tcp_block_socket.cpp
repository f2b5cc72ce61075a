#include "net/tcp_block_socket.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "util/code_page.h"
#include "util/codecs.h"
#include "util/ip_text.h"
#include "util/text_helpers.h"

namespace tav {

namespace {

constexpr int kMaxWaitingData = 65536;

// A plug-in of the given class; TSSLNone when the class yields none.
std::unique_ptr<TCustomSSL> MakePlugin(const TSSLClass& SSLPlugin, TTCPBlockSocket& Socket) {
  if (SSLPlugin) {
    std::unique_ptr<TCustomSSL> plugin = SSLPlugin(Socket);
    if (plugin) return plugin;
  }
  return std::make_unique<TSSLNone>(Socket);
}

}  // namespace

TTCPBlockSocket::TTCPBlockSocket() : TTCPBlockSocket(DefaultSSLClass) {}

TTCPBlockSocket::TTCPBlockSocket(const TSSLClass& SSLPlugin) {
  FSSL = MakePlugin(SSLPlugin, *this);
  InitTunnelDefaults();
}

TTCPBlockSocket::~TTCPBlockSocket() {
  try {
    CloseSocket();
  } catch (...) {
    // Nothing may leave a destructor.
  }
  ReleaseDelayedOptions();
  // The plug-in goes last, with the members.
}

void TTCPBlockSocket::InitTunnelDefaults() {
  FHTTPTunnelIP.clear();
  FHTTPTunnelPort.clear();
  FHTTPTunnel = false;
  FHTTPTunnelRemoteIP.clear();
  FHTTPTunnelRemotePort.clear();
  FHTTPTunnelUser.clear();
  FHTTPTunnelPass.clear();
  FHTTPTunnelTimeout = 30000;
}

void TTCPBlockSocket::CreateWithSSL(const TSSLClass& SSLPlugin) {
  // The object is expected to be closed; a handle still open would be lost
  // when the field returns to its default, so it is closed here.
  if (FSocket != INVALID_SOCKET) {
    ::close(FSocket);
    FSocket = INVALID_SOCKET;
  }
  InitBlockSocketDefaults();
  InitSocksDefaults();
  std::unique_ptr<TCustomSSL> plugin = MakePlugin(SSLPlugin, *this);
  FSSL = std::move(plugin);
  InitTunnelDefaults();
}

// --- closing and connecting ---------------------------------------------------------

void TTCPBlockSocket::CloseSocket() {
  if (FSSL && FSSL->SSLEnabled()) FSSL->Shutdown();
  if (FSocket != INVALID_SOCKET && FLastError == 0) {
    ::shutdown(FSocket, SHUT_WR);
    Purge();
  }
  TSocksBlockSocket::CloseSocket();
}

void TTCPBlockSocket::Connect(const std::u16string& IP, const std::u16string& Port) {
  if (!FSocksIP.empty()) {
    ConnectViaSocks(IP, Port);
  } else if (!FHTTPTunnelIP.empty()) {
    ConnectViaHTTPTunnel(IP, Port);
  } else {
    TSocksBlockSocket::Connect(IP, Port);
  }
  if (FLastError == 0 && FOnAfterConnect) FOnAfterConnect(this);
}

void TTCPBlockSocket::ConnectViaSocks(const std::u16string& IP, const std::u16string& Port) {
  TSocksBlockSocket::Connect(FSocksIP, FSocksPort);
  if (FLastError == 0) {
    bool ok = SocksOpen();
    if (ok) ok = SocksRequest(1, IP, Port);
    if (ok) ok = SocksResponse();
    // A failed step that left no socket error of its own.
    if (!ok && FLastError == 0) FLastError = WSASYSNOTREADY;
    FSocksLocalIP = FSocksResponseIP;
    FSocksLocalPort = FSocksResponsePort;
    FSocksRemoteIP = IP;
    FSocksRemotePort = Port;
  }
  ExceptCheck();
  DoStatus(HR_Connect, IP + u":" + Port);
}

void TTCPBlockSocket::ConnectViaHTTPTunnel(const std::u16string& IP, const std::u16string& Port) {
  const std::u16string port = IntToText(ResolvePort(Port));
  TSocksBlockSocket::Connect(FHTTPTunnelIP, FHTTPTunnelPort);
  if (FLastError != 0) return;
  FHTTPTunnel = false;
  std::u16string target = IP;
  if (IsIPv6Text(target)) target = u"[" + target + u"]";
  SendString(TextToAnsi(u"CONNECT " + target + u":" + port + u" HTTP/1.0") + "\r\n");
  if (!FHTTPTunnelUser.empty()) {
    const std::string credentials = TextToAnsi(FHTTPTunnelUser) + ":" + TextToAnsi(FHTTPTunnelPass);
    SendString("Proxy-Authorization: Basic " + Base64Encode(credentials) + "\r\n");
  }
  SendString("\r\n");
  ReadHTTPTunnelReply();
  FHTTPTunnelRemoteIP = target;
  FHTTPTunnelRemotePort = port;
  ExceptCheck();
}

void TTCPBlockSocket::ReadHTTPTunnelReply() {
  for (;;) {
    // Lines keep a trailing CR when the proxy sent one.
    const std::string line = RecvTerminated(FHTTPTunnelTimeout, "\n");
    if (FLastError != 0) break;
    if (line.size() > 11 && line.compare(0, 5, "HTTP/") == 0) FHTTPTunnel = line[9] == '2';
    if (line.empty() || line == "\r") break;
  }
  if (FLastError == 0 && !FHTTPTunnel) FLastError = WSAECONNREFUSED;
}

void TTCPBlockSocket::Listen() {
  if (FSocksIP.empty()) {
    TSocksBlockSocket::Listen();
    return;
  }
  // The proxy listens for us; it is told where the connection is expected
  // from. An unbound socket has no address of its own: the host name stands in.
  std::u16string sip = GetLocalSinIP();
  if (sip.empty() || sip == u"0.0.0.0") sip = LocalName();
  const std::u16string sport = IntToText(GetLocalSinPort());
  TSocksBlockSocket::Connect(FSocksIP, FSocksPort);
  // Without a connection to the proxy its error stands; nothing is sent.
  bool ok = FLastError == 0;
  if (ok) ok = SocksOpen();
  if (ok) ok = SocksRequest(2, sip, sport);
  if (ok) ok = SocksResponse();
  if (!ok && FLastError == 0) FLastError = WSANO_RECOVERY;
  FSocksLocalIP = FSocksResponseIP;
  if (FSocksLocalIP == u"0.0.0.0") FSocksLocalIP = FSocksIP;
  FSocksLocalPort = FSocksResponsePort;
  FSocksRemoteIP.clear();
  FSocksRemotePort.clear();
  ExceptCheck();
  DoStatus(HR_Listen, u"");
}

TSocket TTCPBlockSocket::Accept() {
  if (!FUsingSocks) return TSocksBlockSocket::Accept();
  // The proxy's second reply announces the accepted peer; the stream then
  // runs over the connection to the proxy.
  if (!SocksResponse() && FLastError == 0) FLastError = WSANO_RECOVERY;
  FSocksRemoteIP = FSocksResponseIP;
  FSocksRemotePort = FSocksResponsePort;
  ExceptCheck();
  DoStatus(HR_Accept, u"");
  return FSocket;
}

// --- TLS ------------------------------------------------------------------------------

void TTCPBlockSocket::SSLDoConnect() {
  ResetLastError();
  // A handshake whose wait the stop flag ended keeps the abort error.
  if (!FSSL->Connect() && FLastError != WSAECONNABORTED) FLastError = WSASYSNOTREADY;
  ExceptCheck();
}

bool TTCPBlockSocket::SSLAcceptConnection() {
  ResetLastError();
  if (!FSSL->Accept()) FLastError = WSASYSNOTREADY;
  ExceptCheck();
  return FLastError == 0;
}

void TTCPBlockSocket::SSLDoShutdown() {
  ResetLastError();
  FSSL->BiShutdown();
}

int TTCPBlockSocket::SendBuffer(const void* Buffer, int Length) {
  if (!FSSL->SSLEnabled()) return TSocksBlockSocket::SendBuffer(Buffer, Length);
  if (CheckStop()) return 0;
  ResetLastError();
  return SendInPieces(Buffer, Length, [this](const char* bytes, int length) {
    const int r = FSSL->SendBuffer(bytes, length);
    if (FSSL->LastError() != 0) {
      if (FLastError != WSAECONNABORTED) FLastError = WSASYSNOTREADY;
    } else if (r <= 0 && FLastError == 0) {
      // The TLS peer has closed: nothing more can be sent.
      FLastError = WSAECONNRESET;
    }
    return r;
  });
}

int TTCPBlockSocket::RecvBuffer(void* Buffer, int Length) {
  if (!FSSL->SSLEnabled()) return TSocksBlockSocket::RecvBuffer(Buffer, Length);
  if (CheckStop()) return 0;
  ResetLastError();
  WaitBandwidth(Length, FMaxRecvBandwidth, FNextRecv);
  int count = FSSL->RecvBuffer(Buffer, Length);
  if (FSSL->LastError() != 0) {
    // A wait inside the plug-in that the low-speed limit or the stop flag
    // ended keeps its time-out or abort; every other plug-in failure is 10091.
    if (FLastError != WSAETIMEDOUT && FLastError != WSAECONNABORTED) FLastError = WSASYSNOTREADY;
  } else if (count == 0 && Length > 0) {
    // The peer closed the TLS layer: the same end as a plain receive of 0,
    // also when the peer keeps the TCP connection open awaiting our reply.
    FLastError = WSAECONNRESET;
  }
  ExceptCheck();
  // Counter, status and monitor run for every answer; a failed receive
  // counts as 0 bytes so that no negative length reaches them.
  const int delivered = std::max(count, 0);
  CountReceived(delivered);
  DoStatus(HR_ReadCount, IntToText(count));
  DoMonitor(false, Buffer, delivered);
  DoReadFilter(Buffer, count);
  return count;
}

int TTCPBlockSocket::WaitingData() {
  int result = 0;
  if (FSSL->SSLEnabled() && FSocket != INVALID_SOCKET) {
    result = std::clamp(FSSL->WaitingData(), 0, kMaxWaitingData);
  }
  if (result == 0) result = TSocksBlockSocket::WaitingData();
  return result;
}

std::u16string TTCPBlockSocket::GetErrorDescEx() {
  if (FLastError == WSASYSNOTREADY && FSSL && FSSL->LastError() != 0) return FSSL->LastErrorDesc();
  return TSocksBlockSocket::GetErrorDescEx();
}

// --- addresses through a tunnel ----------------------------------------------------

std::u16string TTCPBlockSocket::GetLocalSinIP() {
  if (FUsingSocks) return FSocksLocalIP;
  return TSocksBlockSocket::GetLocalSinIP();
}

std::u16string TTCPBlockSocket::GetRemoteSinIP() {
  if (FUsingSocks) return FSocksRemoteIP;
  if (FHTTPTunnel) return FHTTPTunnelRemoteIP;
  return TSocksBlockSocket::GetRemoteSinIP();
}

int TTCPBlockSocket::GetLocalSinPort() {
  if (FUsingSocks) return StrToIntDef(FSocksLocalPort, 0);
  return TSocksBlockSocket::GetLocalSinPort();
}

int TTCPBlockSocket::GetRemoteSinPort() {
  if (FUsingSocks) return ResolvePort(FSocksRemotePort);
  if (FHTTPTunnel) return StrToIntDef(FHTTPTunnelRemotePort, 0);
  return TSocksBlockSocket::GetRemoteSinPort();
}

int TTCPBlockSocket::GetSocketType() { return SOCK_STREAM; }
int TTCPBlockSocket::GetSocketProtocol() { return IPPROTO_TCP; }

}  // namespace tav
