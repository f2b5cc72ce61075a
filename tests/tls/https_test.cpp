// An https GET through the HTTP engine against nginx with TLS on a loopback
// port: the way the console does it (the OpenSSL plug-in installed on the
// engine's socket) and through the default plug-in class after start-up.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "http/http_send.h"
#include "net/tcp_block_socket.h"
#include "nginx_server.h"
#include "tls/openssl_binding.h"
#include "tls/ssl_openssl.h"
#include "tls/tls_module.h"
#include "tls_fixtures.h"
#include "util/code_page.h"

namespace tav {
namespace {

std::string Narrow(const std::u16string& text) { return TextToUtf8(text); }

TEST(HttpsThroughNginx, GetShowsHeadersAndBody) {
  if (!test::NginxServer::Available()) GTEST_SKIP() << "nginx not installed";
  const auto& certs = test::Certificates();
  test::NginxOptions options;
  options.Gzip = false;
  options.ListenParameters = " ssl";
  options.ServerExtra = "    ssl_certificate " + certs.SelfCert + ";\n    ssl_certificate_key " + certs.SelfKey + ";\n";
  test::NginxServer nginx(options);
  const std::string page = "<html><body>hello over tls</body></html>\n";
  nginx.WriteFile("index.html", page);
  // Large enough for many TLS records and several receive calls.
  nginx.WritePatternFile("big.bin", 1 << 20);
  std::string error;
  ASSERT_TRUE(nginx.Start(&error)) << error;
  const std::string base = "https://127.0.0.1:" + std::to_string(nginx.Port());

  const TSSLClass saved = DefaultSSLClass;
  ASSERT_TRUE(TlsModuleStartup());
  const struct {
    const char* Name;
    bool InstallOnSocket;  // as the console does for https
    const char* Path;
    std::size_t Size;
  } cases[] = {
      {"plug-in installed on the socket", true, "/index.html", page.size()},
      {"default plug-in class", false, "/index.html", page.size()},
      {"large body", true, "/big.bin", std::size_t{1} << 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    THTTPSend http;
    if (c.InstallOnSocket) {
      http.Sock().CreateWithSSL(SSLClassOf<TSSLOpenSSL>());
      http.Sock().SSLDoConnect();  // not connected yet: refused without an error of its own
      EXPECT_EQ(http.Sock().LastError(), 10091);
      EXPECT_EQ(http.Sock().SSL().LastError(), 0);
      EXPECT_EQ(http.Sock().SSL().LibVersion().rfind(u"OpenSSL 3.", 0), 0u);
    }
    ASSERT_EQ(http.Sock().SSL().LibName(), u"ssl_openssl");
    const bool ok = http.HTTPMethod(u"GET", Utf8ToText(base + c.Path));
    ASSERT_TRUE(ok) << Narrow(http.Sock().LastErrorDesc()) << " / " << http.Sock().SSL().LastError() << " "
                    << Narrow(http.Sock().SSL().LastErrorDesc()) << "\n" << nginx.ErrorLog();
    EXPECT_EQ(http.ResultCode(), 200);
    ASSERT_GT(http.Headers().Count(), 0);
    EXPECT_EQ(http.Headers()[0].rfind(u"HTTP/1.1 200", 0), 0u) << Narrow(http.Headers()[0]);
    EXPECT_NE(http.Headers().Text().find(u"Server: nginx"), std::u16string::npos);
    EXPECT_EQ(http.Document().Bytes().size(), c.Size);
    if (c.Size == page.size()) {
      EXPECT_EQ(http.Document().Bytes(), page);
    } else {
      EXPECT_EQ(http.Document().Bytes().rfind("line 0 of the pattern", 0), 0u);
    }
  }
  TlsModuleShutdown();
  DefaultSSLClass = saved;
  EXPECT_NE(nginx.AccessLog().find("GET /index.html HTTP/1.0 200"), std::string::npos) << nginx.AccessLog();
}

// `openssl s_server -www` answers with an HTTP/1.0 page of no length, sends
// its close notification and then waits for ours with the TCP connection
// still open: the clean TLS close must end the body at once.
TEST(HttpsThroughOpenSslServer, CleanTlsCloseEndsAnUntilCloseBody) {
  const auto& certs = test::Certificates();
  test::OpenSslServer server(certs.SelfCert, certs.SelfKey);
  ASSERT_TRUE(server.Ready()) << server.Log();
  const TSSLClass saved = DefaultSSLClass;
  ASSERT_TRUE(TlsModuleStartup());
  {
    THTTPSend http;
    http.Sock().CreateWithSSL(SSLClassOf<TSSLOpenSSL>());
    // A body ended by the time-out instead would take 30 s.
    http.SetTimeout(30000);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = http.HTTPMethod(u"GET", Utf8ToText("https://127.0.0.1:" + std::to_string(server.Port()) + "/"));
    const auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(ok) << Narrow(http.Sock().LastErrorDesc());
    EXPECT_EQ(http.Sock().LastError(), 0);
    EXPECT_EQ(http.ResultCode(), 200);
    EXPECT_EQ(http.TransferEncoding(), TE_UNKNOWN);
    const std::string body(http.Document().Bytes());
    EXPECT_EQ(body.rfind("<HTML>", 0), 0u) << body;
    EXPECT_NE(body.find("</HTML>"), std::string::npos) << body;
    EXPECT_LT(spent, std::chrono::seconds(10));
  }
  TlsModuleShutdown();
  DefaultSSLClass = saved;
}

}  // namespace
}  // namespace tav
