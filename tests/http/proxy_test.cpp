// Exchanges through a real HTTP proxy (tinyproxy) to nginx on loopback ports:
// plain http sent to the proxy with an absolute request URI, https through a
// CONNECT tunnel, connection reuse through both, and Basic proxy
// authentication accepted and refused.
#include <fcntl.h>
#include <stdlib.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "http/http_send.h"
#include "net/ssl_plugin.h"
#include "net/tcp_block_socket.h"
#include "nginx_server.h"
#include "test_helpers.h"
#include "tinyproxy_server.h"
#include "tls/tls_module.h"

extern char** environ;

namespace tav {
namespace {

using test::A;
using test::NginxServer;
using test::T;
using test::TinyproxyServer;

constexpr const char* kUser = "alice";
constexpr const char* kPassword = "s3cret";
// Base64 of "alice:s3cret".
constexpr const char* kCredentials = "YWxpY2U6czNjcmV0";

const std::string kPage = "<html><body>through the proxy</body></html>\n";

std::string Pattern(std::size_t size) {
  std::string s;
  s.reserve(size);
  for (std::size_t i = 0; s.size() < size; ++i) s += "line " + std::to_string(i) + " relayed by the proxy\n";
  s.resize(size);
  return s;
}

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// Compares a body without printing hundreds of kilobytes on a mismatch.
::testing::AssertionResult BodyIs(std::string_view actual, std::string_view expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return ::testing::AssertionFailure() << "body of " << actual.size() << " bytes, expected " << expected.size()
                                       << ", first difference at " << at << "; body starts: "
                                       << actual.substr(0, 200);
}

bool HasRequest(const std::vector<std::string>& requests, const std::string& line) {
  return std::find(requests.begin(), requests.end(), line) != requests.end();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A self-signed EC certificate for CN=localhost made with the openssl command.
bool MakeCertificate(const std::string& cert, const std::string& key) {
  std::vector<std::string> args{"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                                "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out", cert,
                                "-days", "30", "-subj", "/CN=localhost"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Loads OpenSSL and makes it the default plug-in class for the life of the
// guard, as the application does at start-up.
class TlsModuleGuard {
 public:
  TlsModuleGuard() : FSaved(DefaultSSLClass), FLoaded(TlsModuleStartup()) {}
  ~TlsModuleGuard() {
    TlsModuleShutdown();
    DefaultSSLClass = FSaved;
  }
  TlsModuleGuard(const TlsModuleGuard&) = delete;
  TlsModuleGuard& operator=(const TlsModuleGuard&) = delete;
  bool Loaded() const { return FLoaded; }

 private:
  TSSLClass FSaved;
  bool FLoaded;
};

// A temporary folder removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tav-proxy-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) FPath = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
};

// Every test has a plain nginx and a TLS nginx with the same pages (gzip off,
// so that the bodies arrive exactly as stored), and OpenSSL loaded as the
// default plug-in class; it starts the proxy it needs.
class ThroughProxy : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TinyproxyServer::Available()) GTEST_SKIP() << "tinyproxy is not installed";
    if (!NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
    tls_ = std::make_unique<TlsModuleGuard>();
    if (!tls_->Loaded()) GTEST_SKIP() << "OpenSSL could not be loaded";
    big_ = Pattern(300000);
    ASSERT_FALSE(certs_.Path().empty());
    const std::string cert = certs_.Path() + "/server.crt";
    const std::string key = certs_.Path() + "/server.key";
    ASSERT_TRUE(MakeCertificate(cert, key)) << "openssl could not make a certificate";

    test::NginxOptions options;
    options.Gzip = false;
    http_ = std::make_unique<NginxServer>(options);
    options.ListenParameters = " ssl";
    options.ServerExtra = "    ssl_certificate " + cert + ";\n    ssl_certificate_key " + key + ";\n";
    https_ = std::make_unique<NginxServer>(options);
    for (NginxServer* server : {http_.get(), https_.get()}) {
      server->WriteFile("index.html", kPage);
      server->WriteFile("big.txt", big_);
      std::string error;
      ASSERT_TRUE(server->Start(&error)) << error;
    }
  }

  // tinyproxy that lets CONNECT reach the TLS nginx only; Basic
  // authentication when asked.
  void StartProxy(bool auth) {
    test::TinyproxyOptions options;
    options.ConnectPorts = {https_->Port()};
    if (auth) {
      options.User = kUser;
      options.Password = kPassword;
    }
    proxy_ = std::make_unique<TinyproxyServer>(options);
    std::string error;
    ASSERT_TRUE(proxy_->Start(&error)) << error;
  }

  std::unique_ptr<THTTPSend> Engine(const std::string& user = "", const std::string& password = "") const {
    auto http = std::make_unique<THTTPSend>();
    http->SetProxyHost(u"127.0.0.1");
    http->SetProxyPort(proxy_->PortText());
    http->SetProxyUser(T(user));
    http->SetProxyPass(T(password));
    return http;
  }

  // nginx writes its access-log line when it finishes a request, which can
  // be a moment after the client has the whole answer; waits for `count`
  // lines (up to two seconds) and returns the lines there are.
  static std::vector<std::string> AccessLines(const NginxServer& server, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    std::vector<std::string> lines = Lines(server.AccessLog());
    while (lines.size() < count && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      lines = Lines(server.AccessLog());
    }
    return lines;
  }

  // The access log once it contains `text` (or after two seconds).
  static std::string AccessLogWith(const NginxServer& server, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    std::string log = server.AccessLog();
    while (!Contains(log, text) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      log = server.AccessLog();
    }
    return log;
  }

  NginxServer& Server(bool tls) const { return tls ? *https_ : *http_; }
  std::string Authority(bool tls) const { return "127.0.0.1:" + std::to_string(Server(tls).Port()); }
  std::string Url(bool tls, const std::string& path) const {
    return (tls ? "https://" : "http://") + Authority(tls) + path;
  }

  std::string Diagnose(THTTPSend& http) const {
    return "socket " + std::to_string(http.Sock().LastError()) + " " + A(http.Sock().LastErrorDesc()) + ", TLS " +
           std::to_string(http.Sock().SSL().LastError()) + " " + A(http.Sock().SSL().LastErrorDesc()) +
           "\nproxy log:\n" + (proxy_ ? proxy_->Log() : std::string());
  }

  TempFolder certs_;
  std::string big_;
  std::unique_ptr<TlsModuleGuard> tls_;
  std::unique_ptr<NginxServer> http_;
  std::unique_ptr<NginxServer> https_;
  std::unique_ptr<TinyproxyServer> proxy_;
};

struct Page {
  const char* Path;
  bool Big;
};
const Page kPages[] = {{"/index.html", false}, {"/big.txt", true}};

// --- plain http: the proxy gets an absolute URI and relays the answer --------

TEST_F(ThroughProxy, HttpSendsAbsoluteUriToTheProxy) {
  ASSERT_NO_FATAL_FAILURE(StartProxy(false));
  for (const Page& page : kPages) {
    SCOPED_TRACE(page.Path);
    auto http = Engine();
    ASSERT_TRUE(http->HTTPMethod(u"GET", T(Url(false, page.Path)))) << Diagnose(*http);
    EXPECT_EQ(http->ResultCode(), 200) << A(http->Headers().Text());
    EXPECT_TRUE(BodyIs(http->Document().Bytes(), page.Big ? big_ : kPage));
    // The socket went to the proxy, not to nginx.
    EXPECT_EQ(http->TargetHost(), u"127.0.0.1");
    EXPECT_EQ(http->TargetPort(), proxy_->PortText());
    // The head: absolute URI with the port, a Proxy-Connection line instead
    // of Connection, no credentials.
    const std::string sent = http->SendString();
    EXPECT_EQ(sent.rfind("GET http://" + Authority(false) + page.Path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n", 0), 0u)
        << sent;
    EXPECT_TRUE(Contains(sent, "\r\nProxy-Connection: keep-alive\r\n")) << sent;
    EXPECT_FALSE(Contains(sent, "\r\nConnection:")) << sent;
    EXPECT_FALSE(Contains(sent, "Proxy-Authorization")) << sent;
    // The proxy saw the absolute URI and marked its answer with a Via line.
    EXPECT_TRUE(HasRequest(proxy_->Requests(), "GET http://" + Authority(false) + page.Path + " HTTP/1.0"))
        << proxy_->Log();
    EXPECT_NE(http->Headers().Text().find(u"\r\nVia: "), std::u16string::npos) << A(http->Headers().Text());
    // nginx was asked by the proxy for the path alone.
    const std::string wanted = std::string(" GET ") + page.Path + " HTTP/1.";
    const std::string log = AccessLogWith(*http_, wanted);
    EXPECT_TRUE(Contains(log, wanted)) << log;
  }
}

// --- https: CONNECT tunnel, then TLS with nginx through it --------------------

TEST_F(ThroughProxy, HttpsGoesThroughConnectTunnel) {
  ASSERT_NO_FATAL_FAILURE(StartProxy(false));
  for (const Page& page : kPages) {
    SCOPED_TRACE(page.Path);
    auto http = Engine();
    ASSERT_EQ(http->Sock().SSL().LibName(), u"ssl_openssl");
    ASSERT_TRUE(http->HTTPMethod(u"GET", T(Url(true, page.Path)))) << Diagnose(*http);
    EXPECT_EQ(http->ResultCode(), 200) << A(http->Headers().Text());
    EXPECT_TRUE(BodyIs(http->Document().Bytes(), page.Big ? big_ : kPage));
    EXPECT_TRUE(http->Sock().HTTPTunnel());
    // Inside the tunnel the request is the one sent to a server directly.
    const std::string sent = http->SendString();
    EXPECT_EQ(sent.rfind(std::string("GET ") + page.Path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n", 0), 0u) << sent;
    EXPECT_TRUE(Contains(sent, "\r\nConnection: keep-alive\r\n")) << sent;
    EXPECT_FALSE(Contains(sent, "Proxy-")) << sent;
    EXPECT_TRUE(HasRequest(proxy_->Requests(), "CONNECT " + Authority(true) + " HTTP/1.0")) << proxy_->Log();
    // The proxy only relays bytes: no Via line in the answer.
    EXPECT_EQ(http->Headers().Text().find(u"\r\nVia: "), std::u16string::npos) << A(http->Headers().Text());
    const std::string wanted = std::string(" GET ") + page.Path + " HTTP/1.0 200";
    const std::string log = AccessLogWith(*https_, wanted);
    EXPECT_TRUE(Contains(log, wanted)) << log;
  }
  // Each exchange opened its own tunnel (protocol 1.0 closes the connection).
  EXPECT_EQ(proxy_->Requests().size(), std::size(kPages)) << proxy_->Log();
}

// Protocol 1.1, two exchanges on one engine. Through the tunnel the second
// reuses the open tunnel and TLS session: one CONNECT, one nginx connection.
// Through the HTTP proxy, which ends each client connection after its answer,
// the second must notice that and connect again.
TEST_F(ThroughProxy, KeepAliveOnOneEngine) {
  ASSERT_NO_FATAL_FAILURE(StartProxy(false));
  for (const bool tls : {false, true}) {
    SCOPED_TRACE(tls ? "https" : "http");
    const std::size_t proxyRequestsBefore = proxy_->Requests().size();
    auto http = Engine();
    http->SetProtocol(u"1.1");
    for (const Page& page : kPages) {
      SCOPED_TRACE(page.Path);
      // The body stream still holds the last answer, which would otherwise
      // go out as the next request's body.
      http->Clear();
      ASSERT_TRUE(http->HTTPMethod(u"GET", T(Url(tls, page.Path)))) << Diagnose(*http);
      EXPECT_EQ(http->ResultCode(), 200) << A(http->Headers().Text());
      EXPECT_TRUE(BodyIs(http->Document().Bytes(), page.Big ? big_ : kPage));
    }
    const std::vector<std::string> log = AccessLines(Server(tls), 2);
    ASSERT_EQ(log.size(), 2u) << Server(tls).AccessLog();
    const auto serial = [](const std::string& line) { return line.substr(0, line.find(' ')); };
    if (tls) {
      EXPECT_EQ(http->AliveHost(), u"127.0.0.1");
      EXPECT_EQ(http->AlivePort(), T(std::to_string(https_->Port())));
      EXPECT_EQ(proxy_->Requests().size() - proxyRequestsBefore, 1u) << proxy_->Log();
      EXPECT_EQ(serial(log[0]), serial(log[1])) << https_->AccessLog();
    } else {
      EXPECT_EQ(proxy_->Requests().size() - proxyRequestsBefore, 2u) << proxy_->Log();
    }
  }
}

// --- Basic proxy authentication -------------------------------------------------

TEST_F(ThroughProxy, BasicAuthenticationAccepted) {
  ASSERT_NO_FATAL_FAILURE(StartProxy(true));
  for (const bool tls : {false, true}) {
    for (const Page& page : kPages) {
      SCOPED_TRACE(std::string(tls ? "https " : "http ") + page.Path);
      auto http = Engine(kUser, kPassword);
      ASSERT_TRUE(http->HTTPMethod(u"GET", T(Url(tls, page.Path)))) << Diagnose(*http);
      EXPECT_EQ(http->ResultCode(), 200) << A(http->Headers().Text());
      EXPECT_TRUE(BodyIs(http->Document().Bytes(), page.Big ? big_ : kPage));
      EXPECT_EQ(http->Sock().HTTPTunnel(), tls);
      const std::string sent = http->SendString();
      if (tls) {
        // The credentials went in the CONNECT only, never to the target.
        EXPECT_FALSE(Contains(sent, "Proxy-")) << sent;
      } else {
        EXPECT_TRUE(Contains(sent, std::string("\r\nProxy-Authorization: Basic ") + kCredentials + "\r\n")) << sent;
      }
    }
  }
}

// tinyproxy 1.11 answers a request without credentials with 407, and one
// with wrong credentials with 401 and a WWW-Authenticate line; a CONNECT gets
// the same answers.
struct Refusal {
  const char* Name;
  const char* User;
  const char* Password;
  int Status;
  const char16_t* Reason;
  const char16_t* Challenge;  // the header line asking for credentials
};
const Refusal kRefusals[] = {
    {"no credentials", "", "", 407, u"Proxy Authentication Required", u"Proxy-Authenticate: Basic"},
    {"wrong password", kUser, "wrong", 401, u"Unauthorized", u"WWW-Authenticate: Basic"},
    {"unknown user", "mallory", kPassword, 401, u"Unauthorized", u"WWW-Authenticate: Basic"},
};

// Refused plain http: the proxy's answer is the response, read in full.
TEST_F(ThroughProxy, HttpRefusedGetsTheProxyAnswer) {
  ASSERT_NO_FATAL_FAILURE(StartProxy(true));
  for (const Refusal& r : kRefusals) {
    SCOPED_TRACE(r.Name);
    auto http = Engine(r.User, r.Password);
    // Its body runs to the proxy's close, which ends it normally.
    ASSERT_TRUE(http->HTTPMethod(u"GET", T(Url(false, "/index.html")))) << Diagnose(*http);
    EXPECT_EQ(http->ResultCode(), r.Status);
    EXPECT_EQ(http->ResultString(), r.Reason);
    EXPECT_NE(http->Headers().Text().find(std::u16string(u"\r\n") + r.Challenge), std::u16string::npos)
        << A(http->Headers().Text());
    EXPECT_TRUE(Contains(http->Document().Bytes(), "<title>" + std::to_string(r.Status) + " "))
        << http->Document().Bytes();
    EXPECT_EQ(http->Document().Position(), 0);
    EXPECT_EQ(http->Sock().LastError(), 0);
    // The same engine, given the right credentials, gets through (Clear drops
    // the refusal page, which would otherwise be sent as a request body).
    http->Clear();
    http->SetProxyUser(T(kUser));
    http->SetProxyPass(T(kPassword));
    ASSERT_TRUE(http->HTTPMethod(u"GET", T(Url(false, "/index.html")))) << Diagnose(*http);
    EXPECT_EQ(http->ResultCode(), 200) << A(http->Headers().Text());
    EXPECT_TRUE(BodyIs(http->Document().Bytes(), kPage));
  }
  // Only the accepted requests reached nginx.
  EXPECT_EQ(AccessLines(*http_, std::size(kRefusals)).size(), std::size(kRefusals)) << http_->AccessLog();
}

// Refused https: the CONNECT is answered with 407 or 401, so the call fails
// with 10061 after the proxy's header lines and no request reaches the target.
TEST_F(ThroughProxy, HttpsRefusedFailsWithConnectionRefused) {
  ASSERT_NO_FATAL_FAILURE(StartProxy(true));
  for (const Refusal& r : kRefusals) {
    SCOPED_TRACE(r.Name);
    auto http = Engine(r.User, r.Password);
    EXPECT_FALSE(http->HTTPMethod(u"GET", T(Url(true, "/index.html"))));
    EXPECT_EQ(http->Sock().LastError(), 10061);
    EXPECT_EQ(http->Sock().LastErrorDesc(), u"Connection refused");
    EXPECT_FALSE(http->Sock().HTTPTunnel());
    EXPECT_EQ(http->ResultCode(), 500);
    EXPECT_TRUE(http->AliveHost().empty());
    EXPECT_TRUE(http->Document().Bytes().empty());
    // The same engine, given the right credentials, opens a new connection
    // and gets through (Clear drops the request lines the failed call left in
    // the header list).
    http->Clear();
    http->SetProxyUser(T(kUser));
    http->SetProxyPass(T(kPassword));
    ASSERT_TRUE(http->HTTPMethod(u"GET", T(Url(true, "/index.html")))) << Diagnose(*http);
    EXPECT_EQ(http->ResultCode(), 200) << A(http->Headers().Text());
    EXPECT_TRUE(BodyIs(http->Document().Bytes(), kPage));
    EXPECT_TRUE(http->Sock().HTTPTunnel());
  }
  // A port outside the proxy's ConnectPort list is refused too (403), even
  // with the right credentials.
  {
    SCOPED_TRACE("port not allowed");
    auto http = Engine(kUser, kPassword);
    EXPECT_FALSE(http->HTTPMethod(u"GET", T("https://" + Authority(false) + "/index.html")));
    EXPECT_EQ(http->Sock().LastError(), 10061);
    EXPECT_FALSE(http->Sock().HTTPTunnel());
  }
  // Every attempt sent its CONNECT; only the accepted ones reached nginx.
  EXPECT_EQ(proxy_->Requests().size(), 2 * std::size(kRefusals) + 1) << proxy_->Log();
  EXPECT_EQ(AccessLines(*https_, std::size(kRefusals)).size(), std::size(kRefusals)) << https_->AccessLog();
}

}  // namespace
}  // namespace tav
