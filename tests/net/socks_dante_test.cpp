// SOCKS 4, 4a and 5 against a real proxy (dante) and a loopback target.
#include <gtest/gtest.h>

#include <memory>

#include "dante_server.h"
#include "loopback_port.h"
#include "net/tcp_block_socket.h"
#include "scripted_server.h"

namespace tav {
namespace {

using test::DanteServer;
using test::ReadToEofStep;
using test::ReadUntilStep;
using test::ScriptedPeer;
using test::SendStep;
using test::U16;

constexpr int kWait = 3000;

// The target: answers PING with PONG, then waits for the close.
std::unique_ptr<ScriptedPeer> PingTarget() {
  return std::make_unique<ScriptedPeer>(
      std::vector<test::PeerStep>{ReadUntilStep("PING\n"), SendStep("PONG\n"), ReadToEofStep()});
}

// A target nobody reached waits for a connection; this one ends its wait.
void Release(ScriptedPeer& target) {
  if (target.Accepted()) return;
  TTCPBlockSocket poke;
  poke.Connect(u"127.0.0.1", target.PortText());
  poke.CloseSocket();
}

void ExpectPingPong(TTCPBlockSocket& socket) {
  socket.SendString("PING\n");
  EXPECT_EQ(socket.RecvTerminated(kWait, "\n"), "PONG");
}

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

class DanteTest : public ::testing::Test {
 protected:
  static std::unique_ptr<DanteServer>& Server(DanteServer::Method method) {
    static std::unique_ptr<DanteServer> servers[2];
    return servers[method];
  }

  // One server per suite, started on first use.
  static DanteServer* Start(DanteServer::Method method) {
    std::unique_ptr<DanteServer>& server = Server(method);
    if (!server) server = std::make_unique<DanteServer>(method);
    return server.get();
  }

  static void TearDownTestSuite() {
    Server(DanteServer::NoAuth).reset();
    Server(DanteServer::UserPass).reset();
  }

  void Use(DanteServer::Method method) {
    if (!DanteServer::Installed()) {
      GTEST_SKIP() << "danted not installed (Debian package dante-server)";
    }
    FServer = Start(method);
    if (FServer->Unsupported()) GTEST_SKIP() << FServer->Error();
    ASSERT_TRUE(FServer->Running()) << FServer->Error();
  }

  void Through(TTCPBlockSocket& socket, TSocksType type) const {
    socket.SetSocksIP(u"127.0.0.1");
    socket.SetSocksPort(FServer->PortText());
    socket.SetSocksType(type);
    socket.SetSocksTimeout(kWait);
  }

  DanteServer* FServer = nullptr;
};

class DanteNoAuth : public DanteTest {
 protected:
  void SetUp() override { Use(DanteServer::NoAuth); }
};

class DanteUserPass : public DanteTest {
 protected:
  void SetUp() override { Use(DanteServer::UserPass); }
};

TEST_F(DanteNoAuth, ConnectsToTheTargetInEachVersion) {
  struct Case {
    const char* name;
    TSocksType type;
    std::u16string user;
  };
  const Case cases[] = {
      {"SOCKS 5", ST_Socks5, u""},
      {"SOCKS 5 offering user/password, proxy picks none", ST_Socks5, u"someone"},
      {"SOCKS 4", ST_Socks4, u""},
      {"SOCKS 4 with a user name", ST_Socks4, u"someone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto target = PingTarget();
    TTCPBlockSocket socket;
    Through(socket, c.type);
    socket.SetSocksUsername(c.user);
    socket.SetSocksPassword(u"ignored");
    socket.Connect(u"127.0.0.1", target->PortText());
    ASSERT_EQ(socket.LastError(), 0) << Narrow(socket.LastErrorDesc());
    EXPECT_TRUE(socket.UsingSocks());
    EXPECT_EQ(socket.SocksLastError(), c.type == ST_Socks5 ? 0 : 90);
    EXPECT_EQ(socket.GetRemoteSinIP(), u"127.0.0.1");
    EXPECT_EQ(socket.GetRemoteSinPort(), target->Port());
    ExpectPingPong(socket);
    socket.CloseSocket();
    EXPECT_EQ(target->Join(), "PING\n");
  }
}

TEST_F(DanteNoAuth, ProxyResolvesTheHostName) {
  // SOCKS 5 sends the name; the target listens on 127.0.0.1, which is what
  // "localhost" resolves to here.
  auto target = PingTarget();
  TTCPBlockSocket socket;
  Through(socket, ST_Socks5);
  socket.Connect(u"localhost", target->PortText());
  ASSERT_EQ(socket.LastError(), 0) << Narrow(socket.LastErrorDesc());
  EXPECT_EQ(socket.GetRemoteSinIP(), u"localhost");
  ExpectPingPong(socket);
  socket.CloseSocket();
  Release(*target);
}

TEST_F(DanteNoAuth, Socks4aNameIsResolvedOrRejectedCleanly) {
  // dante 1.4 takes the 4a address 0.0.0.1 literally and rejects the request;
  // a proxy that resolves the name connects. Either way the outcome is exact.
  auto target = PingTarget();
  TTCPBlockSocket socket;
  Through(socket, ST_Socks4);
  socket.Connect(u"localhost", target->PortText());
  if (socket.LastError() == 0) {
    EXPECT_EQ(socket.SocksLastError(), 90);
    ExpectPingPong(socket);
  } else {
    EXPECT_EQ(socket.LastError(), WSASYSNOTREADY);
    EXPECT_EQ(socket.SocksLastError(), 91);
  }
  socket.CloseSocket();
  Release(*target);
}

TEST_F(DanteNoAuth, ClosedTargetPortIsAFailedConnect) {
  const std::u16string closed = U16(std::to_string(test::FreeLoopbackPort()));
  for (TSocksType type : {ST_Socks5, ST_Socks4}) {
    SCOPED_TRACE(type);
    TTCPBlockSocket socket;
    Through(socket, type);
    socket.Connect(u"127.0.0.1", closed);
    EXPECT_EQ(socket.LastError(), WSASYSNOTREADY);
    if (type == ST_Socks4) {
      EXPECT_EQ(socket.SocksLastError(), 91);
    } else {
      EXPECT_GT(socket.SocksLastError(), 0);
    }
    socket.CloseSocket();
  }
}

TEST_F(DanteNoAuth, ListenAndAcceptThroughTheProxy) {
  TTCPBlockSocket listener;
  listener.Bind(u"127.0.0.1", u"0");
  ASSERT_EQ(listener.LastError(), 0);
  Through(listener, ST_Socks5);
  listener.Listen();
  ASSERT_EQ(listener.LastError(), 0) << Narrow(listener.LastErrorDesc());
  EXPECT_EQ(listener.GetLocalSinIP(), u"127.0.0.1");
  ASSERT_GT(listener.GetLocalSinPort(), 0);

  // The peer connects to the address the proxy listens on.
  TTCPBlockSocket peer;
  peer.Connect(listener.GetLocalSinIP(), U16(std::to_string(listener.GetLocalSinPort())));
  ASSERT_EQ(peer.LastError(), 0);
  EXPECT_EQ(listener.Accept(), listener.Socket());
  ASSERT_EQ(listener.LastError(), 0) << Narrow(listener.LastErrorDesc());
  EXPECT_EQ(listener.GetRemoteSinIP(), u"127.0.0.1");
  EXPECT_EQ(listener.GetRemoteSinPort(), peer.GetLocalSinPort());
  peer.SendString("PING\n");
  EXPECT_EQ(listener.RecvTerminated(kWait, "\n"), "PING");
  listener.SendString("PONG\n");
  EXPECT_EQ(peer.RecvTerminated(kWait, "\n"), "PONG");
  peer.CloseSocket();
  listener.CloseSocket();
}

TEST_F(DanteUserPass, AuthenticatesWithTheRightPasswordOnly) {
  struct Case {
    const char* name;
    std::u16string user;
    std::u16string pass;
    bool accepted;
  };
  const Case cases[] = {
      {"right password", U16(DanteServer::kUser), U16(DanteServer::kPassword), true},
      {"wrong password", U16(DanteServer::kUser), u"wrong", false},
      {"no user name: no acceptable method", u"", u"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto target = PingTarget();
    TTCPBlockSocket socket;
    Through(socket, ST_Socks5);
    socket.SetSocksUsername(c.user);
    socket.SetSocksPassword(c.pass);
    socket.Connect(u"127.0.0.1", target->PortText());
    if (c.accepted) {
      ASSERT_EQ(socket.LastError(), 0) << Narrow(socket.LastErrorDesc());
      ExpectPingPong(socket);
    } else {
      // dante answers the failure and closes; either is reported as a failed
      // negotiation or as the close that followed it, never as success.
      EXPECT_TRUE(socket.LastError() == WSASYSNOTREADY || socket.LastError() == WSAECONNRESET)
          << socket.LastError();
      EXPECT_EQ(socket.SocksLastError(), 0);  // no reply to a request was read
    }
    socket.CloseSocket();
    Release(*target);
  }
}

}  // namespace
}  // namespace tav
