// The GO button with https URLs: the OpenSSL plug-in installed on the engine's
// socket, its version line in the header box, the TLS exchange against nginx
// (directly and through an HTTP CONNECT tunnel), and the failure lines of a
// broken handshake and of missing OpenSSL libraries.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QMetaObject>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "go_fixture.h"
#include "http/http_send.h"
#include "net/tcp_block_socket.h"
#include "nginx_server.h"
#include "scripted_server.h"
#include "tls/ssl_openssl.h"
#include "tls/tls_module.h"
#include "tls_fixtures.h"

namespace tav {
namespace {

const std::string kPage = "<html><body><p>hello over tls</p></body></html>\n";

// The version text of the OpenSSL plug-in as the console shows it.
QString OpenSslVersion() {
  TTCPBlockSocket probe(SSLClassOf<TSSLOpenSSL>());
  return QString::fromStdU16String(probe.SSL().LibVersion());
}

// An HTTP proxy that knows only CONNECT: it records the request head of its
// one client, connects to the requested port on 127.0.0.1 (whatever host was
// named), answers 200 and relays bytes both ways until a side closes.
class ConnectProxy {
 public:
  ConnectProxy() {
    FListen = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(FListen, reinterpret_cast<sockaddr*>(&a), len) != 0 || listen(FListen, 1) != 0 ||
        getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      return;
    FPort = ntohs(a.sin_port);
    if (pipe(FWake) != 0) return;
    FThread = std::thread([this] { Serve(); });
  }
  ~ConnectProxy() {
    if (FWake[1] >= 0) (void)!write(FWake[1], "x", 1);
    if (FThread.joinable()) FThread.join();
    for (int fd : {FListen, FWake[0], FWake[1]})
      if (fd >= 0) close(fd);
  }
  ConnectProxy(const ConnectProxy&) = delete;
  ConnectProxy& operator=(const ConnectProxy&) = delete;

  int Port() const { return FPort; }
  std::string Head() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FHead;
  }

 private:
  // Waits until fd can be read or the proxy stops; false on stop.
  bool WaitReadable(int fd) const {
    pollfd p[2] = {{fd, POLLIN, 0}, {FWake[0], POLLIN, 0}};
    return poll(p, 2, 10000) > 0 && !(p[1].revents & POLLIN);
  }

  void Serve() {
    if (!WaitReadable(FListen)) return;
    const int client = accept(FListen, nullptr, nullptr);
    if (client < 0) return;
    std::string head;
    char buf[16384];
    while (head.find("\r\n\r\n") == std::string::npos && WaitReadable(client)) {
      const ssize_t n = recv(client, buf, sizeof buf, 0);
      if (n <= 0) break;
      head.append(buf, static_cast<std::size_t>(n));
    }
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FHead = head;
    }
    // "CONNECT host:port HTTP/1.0": the port after the last colon of the target.
    const std::size_t space = head.find(' ', 8);
    const std::size_t colon = head.rfind(':', space);
    const int target = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(std::atoi(head.c_str() + colon + 1)));
    if (head.rfind("CONNECT ", 0) != 0 || colon == std::string::npos ||
        connect(target, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      const std::string refused = "HTTP/1.0 502 Bad Gateway\r\n\r\n";
      (void)!send(client, refused.data(), refused.size(), MSG_NOSIGNAL);
    } else {
      const std::string ok = "HTTP/1.0 200 Connection established\r\n\r\n";
      (void)!send(client, ok.data(), ok.size(), MSG_NOSIGNAL);
      Relay(client, target);
    }
    close(target);
    close(client);
  }

  void Relay(int a, int b) const {
    for (;;) {
      pollfd p[3] = {{a, POLLIN, 0}, {b, POLLIN, 0}, {FWake[0], POLLIN, 0}};
      if (poll(p, 3, 10000) <= 0 || (p[2].revents & POLLIN)) return;
      for (int i = 0; i < 2; ++i) {
        if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buf[16384];
        const ssize_t n = recv(p[i].fd, buf, sizeof buf, 0);
        if (n <= 0) return;
        if (send(p[1 - i].fd, buf, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n) return;
      }
    }
  }

  int FListen = -1;
  int FWake[2] = {-1, -1};
  int FPort = 0;
  mutable std::mutex FMutex;
  std::string FHead;
  std::thread FThread;
};

class HttpsGo : public test::GoButton {
 protected:
  // One nginx with TLS (a self-signed certificate) for the whole suite.
  static void SetUpTestSuite() {
    if (!test::NginxServer::Available()) return;
    const auto& certs = test::Certificates();
    test::NginxOptions options;
    options.Gzip = false;
    options.ListenParameters = " ssl";
    options.ServerExtra =
        "    ssl_certificate " + certs.SelfCert + ";\n    ssl_certificate_key " + certs.SelfKey + ";\n";
    Nginx = std::make_unique<test::NginxServer>(options);
    Nginx->WriteFile("index.html", kPage);
    if (!Nginx->Start(&NginxError)) Nginx.reset();
  }
  static void TearDownTestSuite() { Nginx.reset(); }

  void SetUp() override {
    GoButton::SetUp();
    if (!test::NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
    ASSERT_TRUE(Nginx) << NginxError;
  }

  // What the header box showed when the connection was made.
  QStringList HeaderAtConnect() const { return headerAtConnect; }
  void WatchHeaderAtConnect() {
    form.SetOnEngineCreated([this](THTTPSend& http) {
      // Hooks survive the socket's re-initialisation.
      // The hook runs on the exchange's thread; the header box is read on
      // the window's thread, which waits for it.
      http.Sock().SetOnStatus([this](TBlockSocket*, THookSocketReason reason, const std::u16string&) {
        if (reason == HR_Connect)
          QMetaObject::invokeMethod(&form, [this] { headerAtConnect = Header(); }, Qt::BlockingQueuedConnection);
      });
    });
  }

  static std::unique_ptr<test::NginxServer> Nginx;
  static std::string NginxError;
  QStringList headerAtConnect;
};

std::unique_ptr<test::NginxServer> HttpsGo::Nginx;
std::string HttpsGo::NginxError;

TEST_F(HttpsGo, VersionLineFirstThenTheResponse) {
  const QString version = OpenSslVersion();
  ASSERT_TRUE(version.startsWith("OpenSSL")) << version.toStdString();
  const std::string hostPort = "127.0.0.1:" + std::to_string(Nginx->Port());
  // Every spelling of the scheme selects the OpenSSL preparation; blanks
  // around the URL are trimmed first.
  for (const std::string& url : {"https://" + hostPort + "/index.html", "HtTpS://" + hostPort + "/index.html",
                                " \t HTTPS://" + hostPort + "/index.html \r\n"}) {
    SCOPED_TRACE(url);
    WatchHeaderAtConnect();
    SetUrl(url);
    Go();
    // The version line, then the (empty) echo of the request header list.
    EXPECT_EQ(HeaderAtConnect(), (QStringList{version, ""}));
    const QStringList header = Header();
    ASSERT_FALSE(header.isEmpty());
    EXPECT_EQ(header.first(), "HTTP/1.1 200 OK");
    EXPECT_FALSE(header.contains(version));
    EXPECT_TRUE(header.contains("Content-Length: " + QString::number(kPage.size())));
    EXPECT_EQ(Text(), QString::fromStdString(kPage));
  }
  EXPECT_NE(Nginx->AccessLog().find("GET /index.html HTTP/1.0 200"), std::string::npos) << Nginx->AccessLog();
  EXPECT_TRUE(notices.isEmpty());
}

TEST_F(HttpsGo, HeadLineBoundHoldsAfterTheSocketIsReinitialised) {
  // Installing the OpenSSL plug-in resets the socket's settings; the
  // engine's bound on the length of a head line must still apply.
  form.SetOnEngineCreated([](THTTPSend& http) {
    THTTPLimits limits;
    limits.MaxLineLength = 8;  // shorter than "HTTP/1.1 200 OK"
    http.SetLimits(limits);
  });
  SetUrl("https://127.0.0.1:" + std::to_string(Nginx->Port()) + "/index.html");
  Go();
  EXPECT_EQ(Text(), "Error\n10055: No Buffer space available\n0: ");
}

TEST_F(HttpsGo, FailuresShowTheSocketAndPluginLines) {
  const QString version = OpenSslVersion();
  {
    // A peer that answers the ClientHello with plain text: the plug-in's
    // own error shows on both lines.
    test::RawPeer garbage(test::RawPeerMode::Garbage);
    SetUrl("https://127.0.0.1:" + std::to_string(garbage.Port()) + "/");
    Go();
    const QStringList lines = Text().split('\n');
    ASSERT_EQ(lines.size(), 3) << Text().toStdString();
    EXPECT_EQ(lines[0], "Error");
    ASSERT_TRUE(lines[1].startsWith("10091: ")) << lines[1].toStdString();
    const QString tlsText = lines[1].mid(7);
    EXPECT_FALSE(tlsText.isEmpty());
    const int colon = lines[2].indexOf(": ");
    ASSERT_GT(colon, 0) << lines[2].toStdString();
    EXPECT_NE(lines[2].left(colon).toLongLong(), 0) << lines[2].toStdString();
    EXPECT_EQ(lines[2].mid(colon + 2), tlsText);
    // The header box keeps the version line and the echo.
    EXPECT_EQ(Header(), (QStringList{version, ""}));
  }
  // No TLS step ran: the plug-in line stays empty; the early start of TLS
  // on the unconnected socket left no error of the plug-in's own.
  SetUrl("https://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/");
  Go();
  EXPECT_EQ(Text(), "Error\n10061: Connection refused\n0: ");
  EXPECT_EQ(Header(), (QStringList{version, ""}));
  EXPECT_TRUE(notices.isEmpty());
}

TEST_F(HttpsGo, ThroughTheProxyByAConnectTunnel) {
  ConnectProxy proxy;
  ASSERT_GT(proxy.Port(), 0);
  Proxy(true);
  Set("ed_proxyhost", "127.0.0.1");
  Set("ed_proxyport", QString::number(proxy.Port()));
  // The name goes to the proxy unresolved; the proxy connects to nginx.
  const std::string target = "tunnelled.example.invalid:" + std::to_string(Nginx->Port());
  SetUrl("https://" + target + "/index.html");
  Go();
  EXPECT_EQ(proxy.Head().rfind("CONNECT " + target + " HTTP/1.0\r\n", 0), 0u) << proxy.Head();
  ASSERT_FALSE(Header().isEmpty());
  EXPECT_EQ(Header().first(), "HTTP/1.1 200 OK");
  EXPECT_EQ(Text(), QString::fromStdString(kPage));
}

TEST_F(HttpsGo, PeerThatClosesTlsButKeepsTcpOpen) {
  // `openssl s_server -www`: an HTTP/1.0 page without a length, then its
  // close notification, and it waits for ours with TCP still open.
  const auto& certs = test::Certificates();
  test::OpenSslServer server(certs.SelfCert, certs.SelfKey);
  ASSERT_TRUE(server.Ready()) << server.Log();
  SetUrl("https://127.0.0.1:" + std::to_string(server.Port()) + "/");
  const auto start = std::chrono::steady_clock::now();
  Go();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  ASSERT_FALSE(Header().isEmpty());
  EXPECT_EQ(Header().first(), "HTTP/1.0 200 ok");
  EXPECT_TRUE(Text().startsWith("<HTML>")) << Text().toStdString();
  EXPECT_TRUE(Text().contains("</HTML>")) << Text().toStdString();
  EXPECT_TRUE(notices.isEmpty());
}

TEST_F(HttpsGo, WithoutTheOpenSslLibraries) {
  test::ScriptedServer server;  // accepts and closes
  {
    test::TlsNamesGuard missing(test::MissingTlsLibraryNames());
    SetUrl("https://127.0.0.1:" + std::to_string(server.Port()) + "/");
    Go();
    // An empty version line and the echo; the handshake fails with code 1
    // and no text.
    EXPECT_EQ(Header(), (QStringList{"", ""}));
    EXPECT_EQ(Text(), "Error\n10091: \n1: ");
  }
  // Back to the libraries the application loaded at start-up.
  ASSERT_TRUE(TlsModuleStartup());
  EXPECT_TRUE(OpenSslVersion().startsWith("OpenSSL"));
}

}  // namespace
}  // namespace tav
