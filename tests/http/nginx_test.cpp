// Exchanges against the real nginx on a loopback port: static files of several
// sizes, gzip, and connection handling for HTTP/1.0 and HTTP/1.1.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "http/http_send.h"
#include "nginx_server.h"
#include "test_helpers.h"

namespace tav {
namespace {

using test::A;
using test::NginxServer;
using test::T;

std::string Pattern(std::size_t size) {
  std::string s;
  s.reserve(size);
  for (std::size_t i = 0; s.size() < size; ++i) s += "row " + std::to_string(i) + " of the served text\n";
  s.resize(size);
  return s;
}

class Nginx : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
    server_ = std::make_unique<NginxServer>();
    server_->WriteFile("small.html", "<html><body>small</body></html>\n");
    server_->WriteFile("empty.bin", "");
    large_ = Pattern(12 << 20);  // past the size where reads populate pages ahead
    server_->WriteFile("large.bin", large_);
    server_->WriteFile("text.txt", Pattern(300000));
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
  }

  // Access-log lines: "<connection> <request line> <status> <bytes>".
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::istringstream in(server_->AccessLog());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::unique_ptr<NginxServer> server_;
  std::string large_;
};

TEST_F(Nginx, StaticFilesByContentLength) {
  struct Case {
    const char* path;
    std::string body;
  } cases[] = {{"/small.html", "<html><body>small</body></html>\n"}, {"/empty.bin", ""}, {"/large.bin", large_}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    THTTPSend http;
    ASSERT_TRUE(http.HTTPMethod(u"GET", T(server_->Url(c.path))));
    EXPECT_EQ(http.ResultCode(), 200);
    EXPECT_EQ(A(http.ResultString()), "OK");
    EXPECT_EQ(http.TransferEncoding(), TE_IDENTITY);
    EXPECT_EQ(http.Document().Size(), static_cast<std::int64_t>(c.body.size()));
    EXPECT_TRUE(http.Document().Bytes() == c.body);
    EXPECT_EQ(http.DownloadSize(), static_cast<std::int64_t>(c.body.size()));
    // HTTP/1.0 closes after every exchange.
    EXPECT_EQ(http.Sock().Socket(), INVALID_SOCKET);
  }
}

TEST_F(Nginx, NotFoundAndHead) {
  THTTPSend http;
  ASSERT_TRUE(http.HTTPMethod(u"GET", T(server_->Url("/missing"))));
  EXPECT_EQ(http.ResultCode(), 404);
  EXPECT_NE(http.Document().Bytes().find("404"), std::string::npos);
  THTTPSend head;
  head.SetProtocol(u"1.1");
  ASSERT_TRUE(head.HTTPMethod(u"head", T(server_->Url("/large.bin"))));
  EXPECT_EQ(head.ResultCode(), 200);
  EXPECT_EQ(head.Document().Size(), 0);
}

TEST_F(Nginx, GzipDecodedForBothProtocols) {
  const std::string expected = Pattern(300000);
  for (const char16_t* protocol : {u"1.0", u"1.1"}) {
    SCOPED_TRACE(A(protocol));
    THTTPSend http;
    http.SetProtocol(protocol);
    http.SetGzipEnabled(true);
    ASSERT_TRUE(http.HTTPMethod(u"GET", T(server_->Url("/text.txt"))));
    EXPECT_EQ(http.ResultCode(), 200);
    bool gzipLine = false;
    for (const auto& l : http.Headers()) gzipLine |= A(l) == "Content-Encoding: gzip";
    EXPECT_TRUE(gzipLine);
    // nginx streams compressed output: chunked for 1.1, until close for 1.0.
    EXPECT_EQ(http.TransferEncoding(), protocol == std::u16string(u"1.1") ? TE_CHUNKED : TE_UNKNOWN);
    EXPECT_TRUE(http.Document().Bytes() == expected);
  }
}

TEST_F(Nginx, Http10ClosesEachTime) {
  THTTPSend http;
  ASSERT_TRUE(http.HTTPMethod(u"GET", T(server_->Url("/small.html"))));
  EXPECT_EQ(http.Sock().Socket(), INVALID_SOCKET);
  EXPECT_EQ(http.AliveHost(), u"");
  http.Clear();  // the previous response must not go out as request lines
  ASSERT_TRUE(http.HTTPMethod(u"GET", T(server_->Url("/small.html"))));
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].substr(0, lines[0].find(' ')), lines[1].substr(0, lines[1].find(' ')));
}

TEST_F(Nginx, Http11ReusesTheConnection) {
  THTTPSend http;
  http.SetProtocol(u"1.1");
  ASSERT_TRUE(http.HTTPMethod(u"GET", T(server_->Url("/small.html"))));
  ASSERT_NE(http.Sock().Socket(), INVALID_SOCKET);
  EXPECT_EQ(A(http.AliveHost()), "127.0.0.1");
  const int localPort = http.Sock().GetLocalSinPort();
  http.Clear();  // the previous response must not go out as request lines
  ASSERT_TRUE(http.HTTPMethod(u"GET", T(server_->Url("/large.bin"))));
  EXPECT_EQ(http.ResultCode(), 200) << A(http.Headers().Text());
  EXPECT_TRUE(http.Document().Bytes() == large_);
  EXPECT_EQ(http.Sock().GetLocalSinPort(), localPort);
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 2u) << server_->AccessLog();
  EXPECT_EQ(lines[0].substr(0, lines[0].find(' ')), lines[1].substr(0, lines[1].find(' ')));
  EXPECT_NE(lines[0].find("GET /small.html HTTP/1.1 200"), std::string::npos);
  EXPECT_NE(lines[1].find("GET /large.bin HTTP/1.1 200"), std::string::npos) << server_->AccessLog();
}

}  // namespace
}  // namespace tav
