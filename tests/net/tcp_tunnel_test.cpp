// Connecting through an HTTP CONNECT tunnel, with a scripted proxy.
#include <gtest/gtest.h>

#include "loopback_port.h"
#include "net/tcp_block_socket.h"
#include "scripted_server.h"

namespace tav {
namespace {

using test::ScriptedPeer;
using test::U16;

struct TunnelCase {
  const char* name;
  std::u16string host;
  std::u16string port;
  std::u16string user;
  std::u16string pass;
  std::string reply;
  std::string expectedRequest;
  int code;
  bool tunnel;
};

TEST(HTTPTunnel, ConnectSendsTheRequestAndReadsTheProxysAnswer) {
  const TunnelCase cases[] = {
      {"accepted", u"example.com", u"443", u"", u"",
       "HTTP/1.0 200 Connection established\r\nVia: proxy\r\n\r\n",
       "CONNECT example.com:443 HTTP/1.0\r\n\r\n", 0, true},
      {"refused by the proxy", u"example.com", u"443", u"", u"",
       "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n",
       "CONNECT example.com:443 HTTP/1.0\r\n\r\n", WSAECONNREFUSED, false},
      {"IPv6 target in brackets", u"::1", u"443", u"", u"", "HTTP/1.1 200 OK\r\n\r\n",
       "CONNECT [::1]:443 HTTP/1.0\r\n\r\n", 0, true},
      {"service name port", u"host", u"https", u"", u"", "HTTP/1.1 200 OK\r\n\r\n",
       "CONNECT host:443 HTTP/1.0\r\n\r\n", 0, true},
      {"credentials with an empty password", u"host", u"8443", u"user", u"",
       "HTTP/1.1 200 OK\r\n\r\n",
       "CONNECT host:8443 HTTP/1.0\r\nProxy-Authorization: Basic dXNlcjo=\r\n\r\n", 0, true},
      {"LF-only answer", u"host", u"1", u"", u"", "HTTP/1.0 200\n\n",
       "CONNECT host:1 HTTP/1.0\r\n\r\n", 0, true},
      {"11 characters are no status line", u"host", u"1", u"", u"", "HTTP/1.0 20\n\n",
       "CONNECT host:1 HTTP/1.0\r\n\r\n", WSAECONNREFUSED, false},
  };
  for (const TunnelCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer proxy({test::ReadUntilStep("\r\n\r\n"), test::SendStep(c.reply + "TUNNELLED"),
                        test::HoldStep(300)});
    int afterConnect = 0;
    TTCPBlockSocket socket;
    socket.SetOnAfterConnect([&](TBlockSocket*) { ++afterConnect; });
    socket.SetHTTPTunnelIP(u"127.0.0.1");
    socket.SetHTTPTunnelPort(proxy.PortText());
    socket.SetHTTPTunnelUser(c.user);
    socket.SetHTTPTunnelPass(c.pass);
    socket.Connect(c.host, c.port);
    EXPECT_EQ(socket.LastError(), c.code);
    EXPECT_EQ(socket.HTTPTunnel(), c.tunnel);
    EXPECT_EQ(afterConnect, c.code == 0 ? 1 : 0);
    if (c.code == 0) {
      // Bytes after the proxy's empty line are the start of the tunnelled stream.
      EXPECT_EQ(socket.RecvPacket(3000), "TUNNELLED");
      const std::u16string shownHost = c.host == u"::1" ? u"[::1]" : c.host;
      EXPECT_EQ(socket.GetRemoteSinIP(), shownHost);
      EXPECT_EQ(socket.GetRemoteSinPort(), socket.ResolvePort(c.port));
    }
    socket.CloseSocket();
    EXPECT_EQ(proxy.Join(), c.expectedRequest);
  }
}

TEST(HTTPTunnel, UnreachableOrSilentProxy) {
  {
    TTCPBlockSocket socket;
    socket.SetHTTPTunnelIP(u"127.0.0.1");
    socket.SetHTTPTunnelPort(U16(std::to_string(test::FreeLoopbackPort())));
    socket.Connect(u"example.com", u"443");
    EXPECT_EQ(socket.LastError(), WSAECONNREFUSED);
    EXPECT_FALSE(socket.HTTPTunnel());
  }
  {
    ScriptedPeer proxy({test::HoldStep(800)});
    TTCPBlockSocket socket;
    socket.SetHTTPTunnelIP(u"127.0.0.1");
    socket.SetHTTPTunnelPort(proxy.PortText());
    socket.SetHTTPTunnelTimeout(200);
    socket.Connect(u"example.com", u"443");
    EXPECT_EQ(socket.LastError(), WSAETIMEDOUT);
    EXPECT_FALSE(socket.HTTPTunnel());
  }
}

}  // namespace
}  // namespace tav
