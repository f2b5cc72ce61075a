// The TLS plug-in base, TSSLNone, and the socket side of the coupling, with a
// fake plug-in that "encrypts" by adding 1 to every byte.
#include "net/ssl_plugin.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>

#include "net/tcp_block_socket.h"
#include "scripted_server.h"

namespace tav {
namespace {

using test::ScriptedPeer;
using test::SendStep;
using test::U16;

constexpr int kWait = 3000;

std::string Shift(std::string value, int by) {
  for (char& ch : value) ch = static_cast<char>(static_cast<unsigned char>(ch) + by);
  return value;
}

struct FakeLog {
  int created = 0;
  int destroyed = 0;
  int shutdowns = 0;
};

struct FakeBehaviour {
  bool connectSucceeds = true;
  int connectError = 0;             // the plug-in's own code on a failed connect
  std::u16string connectErrorText;  // and its text
  bool recvFails = false;
};

class FakeSSL : public TCustomSSL {
 public:
  FakeSSL(TTCPBlockSocket& socket, FakeLog* log, FakeBehaviour behaviour)
      : TCustomSSL(socket), FLog(log), FBehaviour(std::move(behaviour)) {
    ++FLog->created;
  }
  ~FakeSSL() override { ++FLog->destroyed; }

  std::u16string LibVersion() override { return u"fake 1.0"; }
  bool Connect() override {
    if (!FBehaviour.connectSucceeds) {
      FLastError = FBehaviour.connectError;
      FLastErrorDesc = FBehaviour.connectErrorText;
      return false;
    }
    FSSLEnabled = true;
    return true;
  }
  bool Shutdown() override {
    ++FLog->shutdowns;
    FSSLEnabled = false;
    return true;
  }
  int SendBuffer(const void* buffer, int len) override {
    FLastError = 0;
    FLastErrorDesc.clear();
    const std::string wire = Shift(std::string(static_cast<const char*>(buffer), static_cast<std::size_t>(len)), 1);
    const auto n = ::send(FSocket->Socket(), wire.data(), wire.size(), MSG_NOSIGNAL);
    if (n < 0) {
      FLastError = 1;
      FLastErrorDesc = u"fake write failed";
      return -1;
    }
    return static_cast<int>(n);
  }
  // Hands out at most 3 plain bytes per call; the rest waits decoded inside
  // the plug-in, where only WaitingData can see it.
  int RecvBuffer(void* buffer, int len) override {
    FLastError = 0;
    FLastErrorDesc.clear();
    if (FBehaviour.recvFails) {
      FLastError = 7;
      FLastErrorDesc = u"fake record damaged";
      return -1;
    }
    if (FPending.empty()) {
      char wire[4096];
      const auto n = ::recv(FSocket->Socket(), wire, sizeof wire, 0);
      if (n <= 0) return static_cast<int>(n);
      FPending = Shift(std::string(wire, static_cast<std::size_t>(n)), -1);
    }
    const auto count = std::min<std::size_t>({FPending.size(), 3, static_cast<std::size_t>(len)});
    std::memcpy(buffer, FPending.data(), count);
    FPending.erase(0, count);
    return static_cast<int>(count);
  }
  int WaitingData() override { return static_cast<int>(FPending.size()); }

 private:
  FakeLog* FLog;
  FakeBehaviour FBehaviour;
  std::string FPending;
};

TSSLClass FakeClass(FakeLog* log, FakeBehaviour behaviour = {}) {
  return [log, behaviour](TTCPBlockSocket& socket) -> std::unique_ptr<TCustomSSL> {
    return std::make_unique<FakeSSL>(socket, log, behaviour);
  };
}

TEST(SSLPlugin, BaseAnswersEveryOperationWithNotAvailable) {
  TTCPBlockSocket socket;
  char byte = 0;
  const std::pair<const char*, std::function<bool(TCustomSSL&)>> operations[] = {
      {"Connect", [](TCustomSSL& p) { return !p.Connect(); }},
      {"Accept", [](TCustomSSL& p) { return !p.Accept(); }},
      {"Shutdown", [](TCustomSSL& p) { return !p.Shutdown(); }},
      {"BiShutdown", [](TCustomSSL& p) { return !p.BiShutdown(); }},
      {"SendBuffer", [&](TCustomSSL& p) { return p.SendBuffer(&byte, 1) == -1; }},
      {"RecvBuffer", [&](TCustomSSL& p) { return p.RecvBuffer(&byte, 1) == -1; }},
      {"WaitingData", [](TCustomSSL& p) { return p.WaitingData() == 0; }},
  };
  for (const auto& [name, operation] : operations) {
    SCOPED_TRACE(name);
    TCustomSSL fresh(socket);
    EXPECT_EQ(fresh.LastError(), 0);
    EXPECT_TRUE(operation(fresh));
    EXPECT_EQ(fresh.LastError(), -1);
    EXPECT_EQ(fresh.LastErrorDesc(), u"SSL/TLS support is not compiled!");
  }
  TCustomSSL plugin(socket);
  EXPECT_FALSE(plugin.SSLEnabled());
  EXPECT_EQ(plugin.LibVersion(), u"");
  EXPECT_EQ(plugin.GetPeerSerialNo(), -1);
  EXPECT_EQ(plugin.GetVerifyCert(), 1);
  EXPECT_EQ(plugin.CertComplianceLevel(), -1);
  EXPECT_FALSE(plugin.BuildSelfSignedCert(u"host"));
}

TEST(SSLPlugin, SocketsGetTSSLNoneByDefault) {
  TTCPBlockSocket socket;
  EXPECT_NE(dynamic_cast<TSSLNone*>(&socket.SSL()), nullptr);
  EXPECT_EQ(socket.SSL().LibVersion(), u"Without SSL support");
  EXPECT_EQ(socket.SSL().LibName(), u"ssl_none");

  // The process-wide default decides the plug-in of new sockets.
  FakeLog log;
  const TSSLClass saved = DefaultSSLClass;
  DefaultSSLClass = FakeClass(&log);
  {
    TTCPBlockSocket withFake;
    EXPECT_EQ(withFake.SSL().LibVersion(), u"fake 1.0");
    EXPECT_EQ(log.created, 1);
  }
  DefaultSSLClass = saved;
  EXPECT_EQ(log.destroyed, 1);
}

TEST(SSLPlugin, AssignCopiesSettingsButNotHookNorChannelSettings) {
  TTCPBlockSocket socket;
  TSSLNone source(socket);
  source.SetUsername(u"u");
  source.SetPassword(u"p");
  source.SetVerifyCert(true);
  source.SetSSLType(LT_TLSv1_2);
  source.SetKeyPassword(u"k");
  source.SetCiphers(u"c");
  source.SetCertificateFile(u"cf");
  source.SetPrivateKeyFile(u"kf");
  source.SetCertCAFile(u"caf");
  source.SetCertCA("ca");
  source.SetTrustCertificate("tc");
  source.SetTrustCertificateFile(u"tcf");
  source.SetCertificate("cert");
  source.SetPrivateKey("key");
  source.SetPFX("pfx");
  source.SetPFXfile(u"pfxf");
  source.SetCertComplianceLevel(3);
  source.SetSNIHost(u"example.org");
  source.SetSSHChannelType(u"session");
  source.SetSSHChannelArg1(u"a1");
  source.SetOnVerifyCert([](TCustomSSL*) { return false; });

  TSSLNone target(socket);
  target.Assign(source);
  EXPECT_EQ(target.Username(), u"u");
  EXPECT_EQ(target.Password(), u"p");
  EXPECT_TRUE(target.VerifyCert());
  EXPECT_EQ(target.SSLType(), LT_TLSv1_2);
  EXPECT_EQ(target.KeyPassword(), u"k");
  EXPECT_EQ(target.Ciphers(), u"c");
  EXPECT_EQ(target.CertificateFile(), u"cf");
  EXPECT_EQ(target.PrivateKeyFile(), u"kf");
  EXPECT_EQ(target.CertCAFile(), u"caf");
  EXPECT_EQ(target.CertCA(), "ca");
  EXPECT_EQ(target.TrustCertificate(), "tc");
  EXPECT_EQ(target.TrustCertificateFile(), u"tcf");
  EXPECT_EQ(target.Certificate(), "cert");
  EXPECT_EQ(target.PrivateKey(), "key");
  EXPECT_EQ(target.PFX(), "pfx");
  EXPECT_EQ(target.PFXfile(), u"pfxf");
  EXPECT_EQ(target.CertComplianceLevel(), 3);
  EXPECT_EQ(target.SNIHost(), u"example.org");
  EXPECT_EQ(target.SSHChannelType(), u"");
  EXPECT_EQ(target.SSHChannelArg1(), u"");
  EXPECT_FALSE(target.OnVerifyCert());
  EXPECT_TRUE(target.AskVerifyCert());   // no hook: accepted
  EXPECT_FALSE(source.AskVerifyCert());  // the hook's answer
}

TEST(SSLPlugin, SSLDoConnectWithoutTLSLibrary) {
  TTCPBlockSocket socket;
  socket.SSLDoConnect();
  EXPECT_EQ(socket.LastError(), WSASYSNOTREADY);
  EXPECT_EQ(socket.LastErrorDesc(), u"SSL/TLS support is not compiled!");
  EXPECT_EQ(socket.SSL().LastError(), -1);
  EXPECT_EQ(socket.SSL().LastErrorDesc(), u"SSL/TLS support is not compiled!");
  EXPECT_FALSE(socket.SSLAcceptConnection());
  EXPECT_EQ(socket.LastError(), WSASYSNOTREADY);
}

TEST(SSLPlugin, ErrorTextOf10091ComesFromThePluginWhenItHasOne) {
  struct Case {
    const char* name;
    int pluginError;
    std::u16string pluginText;
    std::u16string socketText;
  };
  const Case cases[] = {
      {"plug-in error with text", 336, u"handshake failure", u"handshake failure"},
      {"plug-in error without text", 5, u"", u""},
      {"no plug-in error", 0, u"ignored", u"Network subsystem is unusable"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeLog log;
    TTCPBlockSocket socket(FakeClass(&log, {false, c.pluginError, c.pluginText, false}));
    socket.SSLDoConnect();
    EXPECT_EQ(socket.LastError(), WSASYSNOTREADY);
    EXPECT_EQ(socket.LastErrorDesc(), c.socketText);
    EXPECT_EQ(socket.GetErrorDescEx(), c.socketText);
  }
}

TEST(SSLPlugin, EnabledPluginCarriesEverySendAndReceive) {
  // The peer expects a plain "raw" first, then only "encrypted" bytes.
  ScriptedPeer peer({test::ReadUntilStep("raw"), test::ReadUntilStep(Shift("ping", 1)),
                     SendStep(Shift("hello world\r\nsecond line\r\n", 1)), test::HoldStep(400)});
  FakeLog log;
  std::vector<int> readCounts;
  TTCPBlockSocket socket(FakeClass(&log));
  socket.SetOnStatus([&](TBlockSocket*, THookSocketReason reason, const std::u16string& value) {
    if (reason == HR_ReadCount) readCounts.push_back(std::stoi(std::string(value.begin(), value.end())));
  });
  socket.Connect(u"127.0.0.1", peer.PortText());
  ASSERT_EQ(socket.LastError(), 0);
  socket.SendString("raw");  // before the handshake: the plain handle
  socket.SSLDoConnect();
  ASSERT_EQ(socket.LastError(), 0);
  EXPECT_TRUE(socket.SSL().SSLEnabled());
  socket.SendString("ping");
  EXPECT_EQ(socket.LastError(), 0);
  // The second line sits decoded inside the plug-in while the handle is
  // empty; WaitingData must find it without waiting for the timeout.
  EXPECT_EQ(socket.RecvString(kWait), "hello world");
  EXPECT_EQ(socket.RecvString(500), "second line");
  EXPECT_EQ(socket.LastError(), 0);
  ASSERT_FALSE(readCounts.empty());
  EXPECT_EQ(*std::max_element(readCounts.begin(), readCounts.end()), 3);
  EXPECT_EQ(socket.RecvCounter(), 26);
  socket.CloseSocket();
  EXPECT_EQ(log.shutdowns, 1);
  EXPECT_FALSE(socket.SSL().SSLEnabled());
  EXPECT_EQ(peer.Join(), "raw" + Shift("ping", 1));
}

TEST(SSLPlugin, PluginReceiveFailureSurfacesAs10091WithThePluginsText) {
  ScriptedPeer peer({SendStep("x"), test::HoldStep(300)});
  FakeLog log;
  std::vector<int> monitorLengths;
  TTCPBlockSocket socket(FakeClass(&log, {true, 0, u"", true}));
  socket.SetOnMonitor([&](TBlockSocket*, bool writing, const void*, int len) {
    if (!writing) monitorLengths.push_back(len);
  });
  socket.Connect(u"127.0.0.1", peer.PortText());
  socket.SSLDoConnect();
  ASSERT_TRUE(socket.CanRead(kWait));
  EXPECT_EQ(socket.RecvPacket(kWait), "");
  EXPECT_EQ(socket.LastError(), WSASYSNOTREADY);
  EXPECT_EQ(socket.LastErrorDesc(), u"fake record damaged");
  EXPECT_EQ(socket.SSL().LastError(), 7);
  // The monitor still runs, with no negative length.
  EXPECT_EQ(monitorLengths, std::vector<int>{0});
  EXPECT_EQ(socket.RecvCounter(), 0);
}

TEST(SSLPlugin, CreateWithSSLReinitialisesTheSocket) {
  FakeLog firstLog;
  FakeLog secondLog;
  int statusCalls = 0;
  ScriptedPeer peer({test::HoldStep(300)});
  TTCPBlockSocket socket(FakeClass(&firstLog));
  socket.SetOnStatus([&](TBlockSocket*, THookSocketReason, const std::u16string&) { ++statusCalls; });
  int owner = 0;
  socket.SetOwner(&owner);
  socket.SetTag(42);
  socket.SetConvertLineEnd(true);
  socket.SetMaxLineLength(5);
  socket.SetInterPacketTimeout(false);
  socket.SetConnectionTimeout(77);
  socket.SetMaxBandwidth(1000);
  socket.SetStopFlag(true);
  socket.SetSocksPort(u"9050");
  socket.SetSocksType(ST_Socks4);
  socket.SetHTTPTunnelPort(u"3128");
  socket.SetHTTPTunnelUser(u"user");
  socket.SetHTTPTunnelPass(u"pass");
  socket.SetHTTPTunnelTimeout(10);
  socket.SetSizeRecvBuffer(8192);  // queued, no handle yet
  socket.SetFamily(SF_IP4);
  socket.Connect(u"nosuchhost.invalid", u"80");  // direct: leaves an error
  socket.SetSocksIP(u"socks.example");
  ASSERT_EQ(socket.LastError(), WSAHOST_NOT_FOUND);
  socket.SetHTTPTunnelIP(u"proxy.example");

  socket.CreateWithSSL(FakeClass(&secondLog));

  EXPECT_EQ(firstLog.destroyed, 1);
  EXPECT_EQ(secondLog.created, 1);
  EXPECT_EQ(socket.SSL().LibVersion(), u"fake 1.0");
  EXPECT_FALSE(socket.ConvertLineEnd());
  EXPECT_EQ(socket.Owner(), nullptr);
  EXPECT_EQ(socket.MaxLineLength(), 0);
  EXPECT_TRUE(socket.InterPacketTimeout());
  EXPECT_EQ(socket.ConnectionTimeout(), 0);
  EXPECT_EQ(socket.MaxSendBandwidth(), 0);
  EXPECT_EQ(socket.MaxRecvBandwidth(), 0);
  EXPECT_FALSE(socket.StopFlag());
  EXPECT_EQ(socket.Family(), SF_Any);
  EXPECT_EQ(socket.SocksIP(), u"");
  EXPECT_EQ(socket.SocksPort(), u"1080");
  EXPECT_EQ(socket.SocksType(), ST_Socks5);
  EXPECT_EQ(socket.HTTPTunnelIP(), u"");
  EXPECT_EQ(socket.HTTPTunnelPort(), u"");
  EXPECT_EQ(socket.HTTPTunnelUser(), u"");
  EXPECT_EQ(socket.HTTPTunnelPass(), u"");
  EXPECT_EQ(socket.HTTPTunnelTimeout(), 30000);
  EXPECT_EQ(socket.Socket(), INVALID_SOCKET);
  // Kept: hooks, tag and the last error.
  EXPECT_EQ(socket.Tag(), 42);
  EXPECT_EQ(socket.LastError(), WSAHOST_NOT_FOUND);
  EXPECT_EQ(socket.LastErrorDesc(), u"Host not found");
  const int before = statusCalls;
  // The queued receive buffer request was dropped with the old queue.
  socket.Connect(u"127.0.0.1", peer.PortText());
  ASSERT_EQ(socket.LastError(), 0);
  EXPECT_GT(statusCalls, before);
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int small = 8192;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  int smallResult = 0;
  socklen_t length = sizeof smallResult;
  ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &smallResult, &length);
  ::close(fd);
  EXPECT_NE(socket.SizeRecvBuffer(), smallResult);
}

TEST(SSLPlugin, CreateWithSSLOnAnOpenSocketClosesTheHandle) {
  ScriptedPeer peer({test::ReadToEofStep()});
  TTCPBlockSocket socket;
  socket.Connect(u"127.0.0.1", peer.PortText());
  ASSERT_EQ(socket.LastError(), 0);
  const auto start = std::chrono::steady_clock::now();
  socket.CreateWithSSL(SSLClassOf<TSSLNone>());
  EXPECT_EQ(socket.Socket(), INVALID_SOCKET);
  // The peer sees the end of the connection at once (it would wait 5 s for
  // a handle left open).
  peer.Join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace tav
