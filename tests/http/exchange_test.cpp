// Whole exchanges against a scripted loopback server: response framing, line
// ends, chunked and gzip bodies, connection reuse, the proxy path, sending
// bodies, and the bounds on what a hostile server can make the engine hold.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "http/http_send.h"
#include "loopback_port.h"
#include "scripted_server.h"
#include "test_helpers.h"

namespace tav {
namespace {

using test::A;
using test::ConnectionScript;
using test::GzipMember;
using test::ScriptChunk;
using test::ScriptedServer;
using test::ScriptEnd;
using test::T;

std::string HeaderText(THTTPSend& http) {
  std::string out;
  for (const auto& l : http.Headers()) out += A(l) + "\n";
  return out;
}

std::string Body(THTTPSend& http) { return std::string(http.Document().Bytes()); }

std::string Lines(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* l : lines) out += std::string(l) + "\n";
  return out;
}

// One response case: the server reads the request and answers with `reply`,
// then closes (or holds the connection).
struct ResponseCase {
  std::string name;
  std::string reply;
  bool ok;
  int code;
  std::string body;
  std::string headers;  // "" = not checked
  ScriptEnd end = ScriptEnd::Close;
  int error = -1;  // the socket's error afterwards; -1 = not checked
};

void RunCases(const std::vector<ResponseCase>& cases, const std::string& protocol = "1.0") {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server({ConnectionScript::Reply(c.reply, c.end)});
    THTTPSend http;
    http.SetTimeout(1500);
    http.SetProtocol(T(protocol));
    EXPECT_EQ(http.HTTPMethod(u"GET", T(server.Url("/x"))), c.ok);
    EXPECT_EQ(http.ResultCode(), c.code);
    EXPECT_EQ(Body(http), c.body);
    if (!c.headers.empty()) {
      EXPECT_EQ(HeaderText(http), c.headers);
    }
    if (c.error != -1) {
      EXPECT_EQ(http.Sock().LastError(), c.error);
    }
    if (c.ok) {
      EXPECT_EQ(http.Document().Position(), 0);
    }
  }
}

TEST(Exchange, StatusAndHeaderReading) {
  RunCases({
      {"no status line: everything is body", "hello world\r\nmore\r\nbytes", true, 0,
       "hello world\r\nmore\r\nbytes", ""},
      {"empty lines before the status line", "\r\n\r\nHTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nhi", true,
       200, "hi", Lines({"HTTP/1.0 200 OK", "Content-Length: 2", ""})},
      {"interim 100 responses stay in the list",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\n"
       "Content-Length: 2\r\n\r\nhi",
       true, 201, "hi",
       Lines({"HTTP/1.1 100 Continue", "HTTP/1.1 100 Continue", "HTTP/1.1 201 Created", "Content-Length: 2",
              ""})},
      {"folded header lines",
       "HTTP/1.0 200 OK\r\nX-Long: a\r\n  b\r\n\tc\r\nContent-Length:\r\n 3\r\n\r\nabc", true, 200, "abc",
       Lines({"HTTP/1.0 200 OK", "X-Long: a b c", "Content-Length: 3", ""})},
      {"CR-only line ends", "HTTP/1.0 200 OK\rContent-Length: 3\r\rabc", true, 200, "abc",
       Lines({"HTTP/1.0 200 OK", "Content-Length: 3", ""})},
      {"LF-only line ends", "HTTP/1.0 200 OK\nContent-Length: 3\n\nabc", true, 200, "abc",
       Lines({"HTTP/1.0 200 OK", "Content-Length: 3", ""})},
      {"LF CR line ends", "HTTP/1.0 200 OK\n\rContent-Length: 3\n\r\n\rabc", true, 200, "abc",
       Lines({"HTTP/1.0 200 OK", "Content-Length: 3", ""})},
      {"status without phrase, body until close", "HTTP/1.0 200\r\nX: y\r\n\r\nuntil close", true, 200,
       "until close", Lines({"HTTP/1.0 200", "X: y", ""})},
      {"Content-Length 0 reads nothing", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", true, 200, "", "",
       ScriptEnd::Hold},
      {"204 and 304 have no body", "HTTP/1.1 204 No Content\r\n\r\n", true, 204, "", "", ScriptEnd::Hold},
      {"304", "HTTP/1.1 304 Not Modified\r\nContent-Length: 10\r\n\r\n", true, 304, "", "", ScriptEnd::Hold},
      {"connection closed inside the head", "HTTP/1.0 200 OK\r\nX: y", false, 200, "", ""},
      {"connection closed before any byte", "", false, 0, "\r\n", ""},
      // A length-delimited read stores whole pieces only: the cut piece is lost.
      {"closed before Content-Length is reached", "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n12345",
       false, 200, "", ""},
      {"non-numeric Content-Length reads until close", "HTTP/1.0 200 OK\r\nContent-Length: x\r\n\r\nabc",
       true, 200, "abc", ""},
      {"negative Content-Length reads until close", "HTTP/1.0 200 OK\r\nContent-Length: -6\r\n\r\nabcdef",
       true, 200, "abcdef", ""},
      {"negative Content-Length beside chunks reads the chunks",
       "HTTP/1.1 200 OK\r\nContent-Length: -6\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", true,
       200, "abc", ""},
  });
}

TEST(Exchange, InterimAnswersWithHeaderLines) {
  const std::string final200 = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi";
  RunCases({
      {"100 with two header lines", "HTTP/1.1 100 Continue\r\nServer: x\r\nDate: y\r\n\r\n" + final200, true, 200,
       "hi", Lines({"HTTP/1.1 100 Continue", "Server: x", "Date: y", "HTTP/1.1 200 OK", "Content-Length: 2", ""})},
      {"the same with LF line ends", "HTTP/1.1 100 Continue\nServer: x\nDate: y\n\nHTTP/1.1 200 OK\nContent-Length: 2\n\nhi",
       true, 200, "hi",
       Lines({"HTTP/1.1 100 Continue", "Server: x", "Date: y", "HTTP/1.1 200 OK", "Content-Length: 2", ""})},
      {"closed inside an interim answer's header lines", "HTTP/1.1 100 Continue\r\nServer: x\r\n", false, 0, "\r\n",
       "", ScriptEnd::Close, 10054},
      {"103 with a Link line", "HTTP/1.1 103 Early Hints\r\nLink: </s.css>; rel=preload\r\n\r\n" + final200, true,
       200, "hi",
       Lines({"HTTP/1.1 103 Early Hints", "Link: </s.css>; rel=preload", "HTTP/1.1 200 OK", "Content-Length: 2", ""})},
      {"102 then 100 then the answer", "HTTP/1.1 102 Processing\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n" + final200,
       true, 200, "hi",
       Lines({"HTTP/1.1 102 Processing", "HTTP/1.1 100 Continue", "HTTP/1.1 200 OK", "Content-Length: 2", ""})},
      {"a bare 100 right before the status line", "HTTP/1.1 100 Continue\r\n" + final200, true, 200, "hi",
       Lines({"HTTP/1.1 100 Continue", "HTTP/1.1 200 OK", "Content-Length: 2", ""})},
      {"a bare 100, then the connection closes", "HTTP/1.1 100 Continue\r\n\r\n", false, 0, "\r\n", ""},
      {"101 is the final answer", "HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\nraw", true, 101, "raw",
       Lines({"HTTP/1.1 101 Switching Protocols", "Upgrade: x", ""})},
  });
}

TEST(Exchange, ChunkedBodies) {
  const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n";
  const std::string data26 = "abcdefghijklmnopqrstuvwxyz";
  RunCases({
      {"chunks with extensions", head + "\r\n1a;name=value\r\n" + data26 + "\r\n3 ; x\r\nABC\r\n0\r\n\r\n",
       true, 200, data26 + "ABC", ""},
      {"blanks around the size", head + "\r\n 5 \r\nhello\r\n\t3\t;x\r\nABC\r\n 0 \r\n\r\n", true, 200, "helloABC", ""},
      // A size line that is no size is a broken body: the chunks before it
      // stay, and the call fails.
      {"a size that is not hexadecimal", head + "\r\n5\r\nhello\r\nILLEGAL\r\nworld\r\n", false, 200, "hello",
       "", ScriptEnd::Close, 10022},
      {"a size that is a word", head + "\r\n5\r\nhello\r\nstuff\r\n", false, 200, "hello", "", ScriptEnd::Hold,
       10022},
      {"a size beyond 32 bits", head + "\r\n5\r\nhello\r\n10000000000000000\r\nworld\r\n", false, 200, "hello",
       "", ScriptEnd::Close, 10022},
      {"an extension without a size", head + "\r\n;name=value\r\nhello\r\n", false, 200, "", "", ScriptEnd::Close,
       10022},
      {"chunked after Content-Length", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n"
                                       "\r\n5\r\nhello\r\n0\r\n\r\n",
       true, 200, "hello", ""},
      {"chunked before Content-Length", "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n"
                                        "Content-Length: 3\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
       true, 200, "hello", ""},
      {"closed inside a chunk keeps the earlier chunks", head + "\r\n5\r\nhello\r\n10\r\n0123456", false, 200,
       "hello", ""},
      {"closed before the last chunk", head + "\r\n5\r\nhello\r\n", false, 200, "hello", ""},
  },
           "1.1");
}

TEST(Exchange, GzipBodies) {
  const std::string data = std::string(3000, 'x') + "the decoded text";
  const std::string gz = GzipMember(data, "file.txt");
  auto withLength = [](const std::string& headers, const std::string& body) {
    return "HTTP/1.0 200 OK\r\n" + headers + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
           body;
  };
  std::string badCrc = gz;
  badCrc[badCrc.size() - 6] ^= 0x10;
  const std::string truncated = gz.substr(0, gz.size() - 5);
  RunCases({
      {"gzip with a file name", withLength("Content-Encoding: gzip\r\n", gz), true, 200, data, ""},
      {"coding name in any case", withLength("content-encoding: GZip\r\n", gz), true, 200, data, ""},
      {"two members: only the first", withLength("Content-Encoding: gzip\r\n", gz + GzipMember("more")), true,
       200, data, ""},
      {"truncated gzip stays raw", withLength("Content-Encoding: gzip\r\n", truncated), true, 200, truncated,
       ""},
      {"wrong CRC stays raw", withLength("Content-Encoding: gzip\r\n", badCrc), true, 200, badCrc, ""},
      {"gzip body without any Content-Encoding line", withLength("", gz), true, 200, data, ""},
      {"no blank after the colon: signature still decodes", withLength("Content-Encoding:gzip\r\n", gz), true,
       200, data, ""},
      {"plain body marked gzip stays as is", withLength("Content-Encoding: gzip\r\n", "plain"), true, 200,
       "plain", ""},
      {"gzip until close", "HTTP/1.0 200 OK\r\nContent-Encoding: gzip\r\n\r\n" + gz, true, 200, data, ""},
  });
}

// HeadRead tells a failure in the body (the head is there to show) from one
// before the head was whole.
TEST(Exchange, HeadReadOnlyWhenTheWholeHeadArrived) {
  struct Case {
    std::string name;
    std::string reply;
    bool headRead;
  };
  const std::vector<Case> cases = {
      {"whole answer", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nhi", true},
      {"body cut short", "HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nhi", true},
      {"chunk cut short", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc", true},
      {"head cut short", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n", false},
      {"no status line", "hello\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server({ConnectionScript::Reply(c.reply)});
    THTTPSend http;
    http.SetTimeout(1500);
    http.HTTPMethod(u"GET", T(server.Url("/x")));
    EXPECT_EQ(http.HeadRead(), c.headRead);
  }
  // Nothing listens: the flag of an earlier exchange does not stay.
  ScriptedServer server({ConnectionScript::Reply("HTTP/1.0 204 No Content\r\n\r\n")});
  THTTPSend http;
  ASSERT_TRUE(http.HTTPMethod(u"GET", T(server.Url("/x"))));
  EXPECT_TRUE(http.HeadRead());
  EXPECT_FALSE(http.HTTPMethod(u"GET", u"http://127.0.0.1:" + T(std::to_string(test::FreeLoopbackPort())) + u"/"));
  EXPECT_FALSE(http.HeadRead());
}

TEST(Exchange, GzipInChunks) {
  const std::string data = "chunked and compressed";
  const std::string gz = GzipMember(data);
  const std::string a = gz.substr(0, 7), b = gz.substr(7);
  auto hex = [](std::size_t n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%zx", n);
    return std::string(buf);
  };
  const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Encoding: gzip\r\n\r\n";
  RunCases({{"chunked gzip",
             head + hex(a.size()) + "\r\n" + a + "\r\n" + hex(b.size()) + "\r\n" + b + "\r\n0\r\n\r\n", true,
             200, data, ""},
            // The read fails (no last chunk) but the gzip step still runs.
            {"failed read still decodes what came", head + hex(gz.size()) + "\r\n" + gz + "\r\n", false, 200,
             data, ""}},
           "1.1");
}

TEST(Exchange, LargeBodiesIntact) {
  // Past a few MiB the readers reserve the body at once; the bytes must come
  // through unchanged whichever way the body ends.
  std::string big;
  for (int i = 0; big.size() < (20u << 20); ++i) big += "line " + std::to_string(i) + "\n";
  const std::string framed[] = {
      "HTTP/1.0 200 OK\r\n\r\n" + big,
      "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(big.size()) + "\r\n\r\n" + big,
  };
  for (const auto& reply : framed) {
    ScriptedServer server({ConnectionScript::Reply(reply)});
    THTTPSend http;
    ASSERT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
    EXPECT_TRUE(Body(http) == big);
  }
  // The body bound also holds for a large until-close body.
  ScriptedServer server({ConnectionScript::Reply("HTTP/1.0 200 OK\r\n\r\n" + big)});
  THTTPSend http;
  THTTPLimits limits;
  limits.MaxBodySize = 12 << 20;
  http.SetLimits(limits);
  EXPECT_FALSE(http.HTTPMethod(u"GET", T(server.Url())));
  EXPECT_EQ(http.Sock().LastError(), 10055);
  EXPECT_TRUE(Body(http) == big.substr(0, 12 << 20));
}

TEST(Exchange, RequestHeadOnTheWire) {
  ScriptedServer server({ConnectionScript::Reply("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok")});
  THTTPSend http;
  http.Headers().Add(u"Command: stop-debug");
  ASSERT_TRUE(http.HTTPMethod(u"debug", T(server.Url("/p a"))));
  ASSERT_TRUE(server.WaitForRequests(1));
  const std::string request = server.Requests()[0].Bytes;
  const std::string expected =
      "DEBUG /p%20a HTTP/1.0\r\nHost: 127.0.0.1\r\nKeep-Alive: 300\r\nConnection: keep-alive\r\n"
      "User-Agent: Mozilla/5.0 (compatible; MSIE 8.0; Windows NT 6.1) Varnhol/5.0\r\n"
      "Accept-Language: en-us,en;q=0.5\r\n"
      "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
      "Command: stop-debug\r\n\r\n";
  EXPECT_EQ(request, expected);
  EXPECT_EQ(http.SendString(), expected);
  // The response replaced the request lines.
  EXPECT_EQ(HeaderText(http), Lines({"HTTP/1.0 200 OK", "Content-Length: 2", ""}));
  EXPECT_EQ(http.UploadSize(), 0);
  EXPECT_EQ(http.DownloadSize(), 2);
}

TEST(Exchange, HeaderTextThroughWindows1252) {
  ScriptedServer server(
      {ConnectionScript::Reply("HTTP/1.0 200 OK\r\nX-Name: caf\xe9 \x80\r\nContent-Length: 0\r\n\r\n")});
  THTTPSend http;
  http.Headers().Add(u"X-Sent: na\u00efve \u20ac");
  ASSERT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
  EXPECT_EQ(http.Headers()[1], u"X-Name: caf\u00e9 \u20ac");
  ASSERT_TRUE(server.WaitForRequests(1));
  EXPECT_NE(server.Requests()[0].Bytes.find("X-Sent: na\xefve \x80\r\n"), std::string::npos);
}

TEST(Exchange, ContentTypeAndLocationAreRecorded) {
  ScriptedServer server({ConnectionScript::Reply(
      "HTTP/1.0 302 Found\r\nContent-Type:  Text/HTML; charset=x \r\nLocation: /next\r\nContent-Length: 0\r\n\r\n")});
  THTTPSend http;
  ASSERT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
  EXPECT_EQ(http.ResultCode(), 302);
  EXPECT_EQ(A(http.MimeType()), "Text/HTML; charset=x");
  EXPECT_EQ(http.ContentType(), "Text/HTML; charset=x");
  EXPECT_EQ(A(http.Location()), "/next");
  EXPECT_EQ(server.Connections(), 1);  // the engine never follows Location
}

TEST(Exchange, HeadInAnyCaseReadsNoBody) {
  // The server announces a body it never sends and keeps the connection: a
  // body read would wait for the whole time-out.
  for (const char16_t* method : {u"HEAD", u"head", u"Head"}) {
    ScriptedServer server(
        {ConnectionScript::Reply("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n", ScriptEnd::Hold)});
    THTTPSend http;
    http.SetTimeout(30000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(http.HTTPMethod(method, T(server.Url())));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(http.ResultCode(), 200);
    EXPECT_EQ(Body(http), "");
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_EQ(server.Requests()[0].Bytes.substr(0, 15), "HEAD / HTTP/1.0");
  }
}

TEST(Exchange, HtmlOnlyReadsTextTypesAndCloses) {
  struct Case {
    const char* type;
    std::string body;
  } cases[] = {{"text/html; charset=utf-8", "abc"}, {"text/plain", "abc"}, {"image/png", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    ScriptedServer server({ConnectionScript::Reply(std::string("HTTP/1.1 200 OK\r\nContent-Type: ") + c.type +
                                                   "\r\nContent-Length: 3\r\n\r\nabc")});
    THTTPSend http;
    http.SetProtocol(u"1.1");
    http.SetHtmlOnly(true);
    EXPECT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
    EXPECT_EQ(Body(http), c.body);
    EXPECT_EQ(http.Sock().Socket(), INVALID_SOCKET);
  }
}

TEST(Exchange, TimeoutsAndAbort) {
  {  // until-close body ended by the time-out fails, keeping what came
    ScriptedServer server({ConnectionScript::Reply("HTTP/1.0 200 OK\r\n\r\npartial", ScriptEnd::Hold)});
    THTTPSend http;
    http.SetTimeout(300);
    EXPECT_FALSE(http.HTTPMethod(u"GET", T(server.Url())));
    EXPECT_EQ(http.Sock().LastError(), 10060);
    EXPECT_EQ(Body(http), "partial");
  }
  {  // a silent server: the status read times out
    ScriptedServer server({ConnectionScript::Reply("", ScriptEnd::Hold)});
    THTTPSend http;
    http.SetTimeout(300);
    EXPECT_FALSE(http.HTTPMethod(u"GET", T(server.Url())));
    EXPECT_EQ(http.Sock().LastError(), 10060);
    EXPECT_EQ(http.ResultCode(), 0);
  }
  {  // Abort from another thread ends a waiting read (the socket looks at the
     // stop flag between heartbeat rounds)
    ScriptedServer server({ConnectionScript::Reply("HTTP/1.0 200 OK\r\n\r\nsome", ScriptEnd::Hold)});
    THTTPSend http;
    http.Sock().SetHeartbeatRate(50);
    std::thread aborter([&] {
      server.WaitForRequests(1);
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      http.Abort();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(http.HTTPMethod(u"GET", T(server.Url())));
    aborter.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(Body(http), "some");
  }
}

// Abort from another thread ends the call within half a second with the
// abort error, whatever it waits for; it belongs to that call only.
TEST(Exchange, AbortEndsTheCallAtEachStage) {
  const struct {
    const char* what;
    int abortAfterMs;  // -1: before the call
    std::string reply;
    int connections;
    std::string body;
  } cases[] = {
      {"before the call", -1, "", 0, ""},
      // The failed read counts as a line without a status, as a time-out does.
      {"waiting for the status line", 300, "", 1, "\r\n"},
      {"waiting for the body", 300, "HTTP/1.0 200 OK\r\n\r\npart", 1, "part"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedServer server({ConnectionScript::Reply(c.reply, ScriptEnd::Hold)});
    THTTPSend http;
    if (c.abortAfterMs < 0) http.Abort();
    auto abortedAt = std::chrono::steady_clock::now();
    std::thread aborter([&] {
      if (c.abortAfterMs < 0) return;
      ASSERT_TRUE(server.WaitForRequests(1));
      std::this_thread::sleep_for(std::chrono::milliseconds(c.abortAfterMs));
      abortedAt = std::chrono::steady_clock::now();
      http.Abort();
    });
    EXPECT_FALSE(http.HTTPMethod(u"GET", T(server.Url())));
    const auto endedAt = std::chrono::steady_clock::now();
    aborter.join();
    EXPECT_LT(endedAt - abortedAt, std::chrono::milliseconds(500));
    EXPECT_EQ(http.Sock().LastError(), WSAECONNABORTED);
    EXPECT_EQ(server.Connections(), c.connections);
    EXPECT_EQ(Body(http), c.body);

    // The next call is not aborted.
    ScriptedServer next({ConnectionScript::Reply("HTTP/1.0 200 OK\r\n\r\nnext")});
    EXPECT_TRUE(http.HTTPMethod(u"GET", T(next.Url())));
    EXPECT_EQ(Body(http), "next");
  }
}

// `bytes` one byte at a time, `pauseMs` before each.
std::vector<ScriptChunk> Trickle(const std::string& bytes, int pauseMs) {
  std::vector<ScriptChunk> chunks;
  for (const char c : bytes) chunks.push_back({std::string(1, c), pauseMs});
  return chunks;
}

TEST(Exchange, TricklingServersAreGivenUp) {
  // Lowered figures: at least 60 bytes every 600 ms. The receive time-out
  // (30 s) never ends a wait on its own here.
  THTTPLimits limits;
  limits.LowSpeedBytes = 60;
  limits.LowSpeedPeriod = 600;
  const std::string body(200, 'b');
  const struct {
    const char* Name;
    std::string Head;  // sent at once
    std::string Slow;  // one byte each 150 ms
    std::string Kept;  // the body kept when it fails
  } cases[] = {
      {"status line", "", "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc", "\r\n"},
      {"header block", "HTTP/1.0 200 OK\r\n", "X-Slow: " + body + "\r\n\r\n", ""},
      {"body by length", "HTTP/1.0 200 OK\r\nContent-Length: 200\r\n\r\n", body, ""},
      {"chunked body", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n", "c8\r\n" + body, "abc"},
      {"body until close", "HTTP/1.0 200 OK\r\n\r\n", body, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<ScriptChunk> chunks = Trickle(c.Slow, 150);
    if (!c.Head.empty()) chunks.insert(chunks.begin(), ScriptChunk{c.Head, 0});
    ScriptedServer server({ConnectionScript::Chunks(chunks, ScriptEnd::Hold)});
    THTTPSend http;
    http.SetTimeout(30000);
    http.SetLimits(limits);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(http.HTTPMethod(u"GET", T(server.Url())));
    const auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(http.Sock().LastError(), 10060);
    EXPECT_EQ(A(http.Sock().LastErrorDesc()), "Connection timed out");
    EXPECT_GE(spent, std::chrono::milliseconds(600));
    // The limit ends it within a period or two; unlimited, each trickle
    // lasts over 6 s, and the time-out 30 s.
    EXPECT_LT(spent, std::chrono::milliseconds(8000));
    // An until-close body keeps what came, as with any failed read.
    if (std::string(c.Name) == "body until close") {
      EXPECT_FALSE(Body(http).empty());
      EXPECT_EQ(Body(http), body.substr(0, Body(http).size()));
    } else {
      EXPECT_EQ(Body(http), c.Kept);
    }
  }
  {  // a steady server just above the limit: 10 bytes each 50 ms
    std::vector<ScriptChunk> chunks{{"HTTP/1.0 200 OK\r\n\r\n", 0}};
    for (int i = 0; i < 30; ++i) chunks.push_back({std::string(10, 'x'), 50});
    ScriptedServer server({ConnectionScript::Chunks(chunks)});
    THTTPSend http;
    http.SetTimeout(5000);
    http.SetLimits(limits);
    EXPECT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
    EXPECT_EQ(Body(http), std::string(300, 'x'));
  }
}

TEST(Exchange, ConnectFailureKeeps500) {
  const int port = [] {
    ScriptedServer s;
    return s.Port();
  }();  // closed again: nothing listens there now
  THTTPSend http;
  EXPECT_FALSE(http.HTTPMethod(u"GET", T("http://127.0.0.1:" + std::to_string(port) + "/")));
  EXPECT_EQ(http.ResultCode(), 500);
  EXPECT_EQ(http.Sock().LastError(), 10061);
  EXPECT_EQ(http.AliveHost(), u"");
}

TEST(Exchange, CookiesFromSetCookieSequences) {
  ConnectionScript script;
  script.Exchanges.push_back(
      {true,
       {{"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nSet-Cookie: b=2\r\nSet-Cookie: a=3\r\n"
         "Content-Length: 0\r\n\r\n",
         0}}});
  script.Exchanges.push_back(
      {true, {{"HTTP/1.1 200 OK\r\nSet-Cookie: b=\r\nSet-Cookie: c=4\r\nContent-Length: 0\r\n\r\n", 0}}});
  script.Exchanges.push_back({true, {{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 0}}});
  ScriptedServer server({script});
  THTTPSend http;
  http.SetProtocol(u"1.1");
  ASSERT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
  EXPECT_EQ(http.Cookies().Text(), u"a=3\r\nb=2\r\n");
  http.Clear();  // the previous response must not go out as request lines
  ASSERT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
  EXPECT_EQ(http.Cookies().Text(), u"a=3\r\nc=4\r\n");
  http.Clear();  // the previous response must not go out as request lines
  ASSERT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
  ASSERT_TRUE(server.WaitForRequests(3));
  const auto requests = server.Requests();
  EXPECT_NE(requests[1].Bytes.find("\r\nCookie: a=3; b=2\r\n"), std::string::npos);
  EXPECT_NE(requests[2].Bytes.find("\r\nCookie: a=3; c=4\r\n"), std::string::npos);
  EXPECT_EQ(server.Connections(), 1);
}

// Connection reuse: which responses leave the connection open for the next
// call on the same engine.
TEST(Exchange, ConnectionReuseDecision) {
  struct Case {
    const char* name;
    const char* protocol;
    std::string first;
    bool reused;
  } cases[] = {
      {"1.1 keep-alive", "1.1", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na", true},
      {"1.1 with a chunked body", "1.1",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\na\r\n0\r\n\r\n", true},
      {"Connection: keep-alive, close", "1.1",
       "HTTP/1.1 200 OK\r\nConnection: Keep-Alive, CLOSE\r\nContent-Length: 1\r\n\r\na", false},
      {"default protocol 1.0 always closes", "1.0", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectionScript keep;
    keep.Exchanges.push_back({true, {{c.first, 0}}});
    keep.Exchanges.push_back({true, {{"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nb", 0}}});
    keep.End = ScriptEnd::Hold;
    ScriptedServer server({keep});
    server.SetFallback(ConnectionScript::Reply("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nc"));
    THTTPSend http;
    http.SetTimeout(2000);
    http.SetProtocol(T(c.protocol));
    ASSERT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
    EXPECT_EQ(http.Sock().Socket() != INVALID_SOCKET, c.reused);
    EXPECT_EQ(http.AliveHost().empty(), !c.reused);
    http.Clear();  // the previous response must not go out as request lines
    ASSERT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
    EXPECT_EQ(Body(http), c.reused ? "b" : "c");
    EXPECT_EQ(server.Connections(), c.reused ? 1 : 2);
  }
}

TEST(Exchange, KeptAliveConnectionFoundClosedIsRetriedOnce) {
  // The server takes the second request on the kept-alive connection and
  // then behaves as the case says; a new connection gets "again".
  const std::string okHead = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n";
  struct Case {
    const char* name;
    std::string method;
    std::vector<ScriptChunk> secondReply;
    ScriptEnd end;
    bool ok;
    std::string body;
    int connections;
  } cases[] = {
      {"closed without a byte: retried", "GET", {}, ScriptEnd::Close, true, "again", 2},
      {"a POST closed without a byte: retried with its body", "POST", {}, ScriptEnd::Close, true, "again", 2},
      {"closed inside the status line: not retried", "GET", {{"HTTP/1.1 2", 0}}, ScriptEnd::Close, false, "\r\n", 1},
      {"silent until the time-out: not retried", "GET", {}, ScriptEnd::Hold, false, "\r\n", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectionScript keep;
    keep.Exchanges.push_back({true, {{okHead + "first", 0}}});
    keep.Exchanges.push_back({true, c.secondReply});
    keep.End = c.end;
    ScriptedServer server({keep});
    server.SetFallback(ConnectionScript::Reply(okHead + "again"));
    THTTPSend http;
    http.SetTimeout(500);
    http.SetProtocol(u"1.1");
    ASSERT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
    http.Clear();
    if (c.method == "POST") http.Document().Write(std::string("data=1"));
    EXPECT_EQ(http.HTTPMethod(T(c.method), T(server.Url())), c.ok);
    EXPECT_EQ(Body(http), c.body);
    EXPECT_EQ(server.Connections(), c.connections);
    if (c.connections == 2) {
      ASSERT_TRUE(server.WaitForRequests(3));
      const auto requests = server.Requests();
      EXPECT_EQ(requests[2].Connection, 1);
      EXPECT_EQ(requests[2].Bytes, requests[1].Bytes);
      EXPECT_EQ(requests[2].Bytes.rfind(c.method + " / HTTP/1.1\r\n", 0), 0u) << requests[2].Bytes;
      if (c.method == "POST") {
        EXPECT_EQ(requests[2].Bytes.substr(requests[2].Bytes.size() - 6), "data=1");
      }
    }
  }
}

TEST(Exchange, FailedBodyReadDropsTheConnection) {
  // A 1.1 body cut short by the time-out must not leave its rest to be read as
  // the next response.
  ConnectionScript script;
  script.Exchanges.push_back({true, {{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n12345", 0}}});
  script.Exchanges.push_back({false, {{"67890", 500}}});
  script.End = ScriptEnd::Hold;
  ScriptedServer server({script, ConnectionScript::Reply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")});
  THTTPSend http;
  http.SetProtocol(u"1.1");
  http.SetTimeout(250);
  EXPECT_FALSE(http.HTTPMethod(u"GET", T(server.Url())));
  EXPECT_EQ(http.Sock().LastError(), 10060);
  EXPECT_EQ(http.Sock().Socket(), INVALID_SOCKET);
  // Called again at once: the old connection would deliver "67890" first.
  http.SetTimeout(2000);
  http.Clear();  // the previous response must not go out as request lines
  EXPECT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
  EXPECT_EQ(http.ResultCode(), 200);
  EXPECT_EQ(Body(http), "ok");
}

TEST(Exchange, ThroughHttpProxy) {
  ScriptedServer proxy({ConnectionScript::Reply(
      "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 5\r\n\r\nproxy", ScriptEnd::Hold)});
  THTTPSend http;
  http.SetProtocol(u"1.1");
  http.SetProxyHost(u"127.0.0.1");
  http.SetProxyPort(T(std::to_string(proxy.Port())));
  http.SetProxyUser(u"pu");
  http.SetProxyPass(u"pp");
  // The target host is never resolved: only the proxy is contacted.
  ASSERT_TRUE(http.HTTPMethod(u"GET", u"http://origin.invalid:8080/a b?q"));
  EXPECT_EQ(Body(http), "proxy");
  ASSERT_TRUE(proxy.WaitForRequests(1));
  const std::string request = proxy.Requests()[0].Bytes;
  EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET http://origin.invalid:8080/a%20b?q HTTP/1.1");
  EXPECT_NE(request.find("\r\nHost: origin.invalid\r\n"), std::string::npos);
  EXPECT_NE(request.find("\r\nProxy-Authorization: Basic cHU6cHA=\r\n"), std::string::npos);
  EXPECT_NE(request.find("\r\nProxy-Connection: keep-alive\r\n"), std::string::npos);
  EXPECT_EQ(request.find("\r\nConnection:"), std::string::npos);
  // Through a proxy only Proxy-Connection decides: "Connection: close" keeps it.
  EXPECT_NE(http.Sock().Socket(), INVALID_SOCKET);
  EXPECT_EQ(A(http.TargetHost()), "127.0.0.1");
}

TEST(Exchange, ProxyConnectionCloseEndsTheConnection) {
  ScriptedServer proxy({ConnectionScript::Reply(
      "HTTP/1.1 200 OK\r\nProxy-Connection: close\r\nContent-Length: 2\r\n\r\nok", ScriptEnd::Hold)});
  THTTPSend http;
  http.SetProtocol(u"1.1");
  http.SetProxyHost(u"127.0.0.1");
  http.SetProxyPort(T(std::to_string(proxy.Port())));
  ASSERT_TRUE(http.HTTPMethod(u"GET", u"http://origin.invalid/"));
  EXPECT_EQ(http.Sock().Socket(), INVALID_SOCKET);
}

TEST(Exchange, SendingBodies) {
  struct Case {
    const char* name;
    std::size_t size;
    bool expect;
  } cases[] = {{"small body joined to the head", 1000, false},
               {"large body sent apart", 200000, false},
               {"100-continue", 5000, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string body;
    for (std::size_t i = 0; i < c.size; ++i) body.push_back(static_cast<char>('a' + i % 26));
    ConnectionScript script;
    if (c.expect) {
      // The server answers the head with 100 before the body is read.
      script.Exchanges.push_back({false, {{"HTTP/1.1 100 Continue\r\n\r\n", 200}}});
    }
    script.Exchanges.push_back({true, {{"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndone", 0}}});
    ScriptedServer server({script});
    THTTPSend http;
    http.SetProtocol(u"1.1");
    http.SetStatus100(c.expect);
    http.SetMimeType(u"application/x-test");
    http.Document().Write(body);
    ASSERT_TRUE(http.HTTPMethod(u"POST", T(server.Url("/in"))));
    EXPECT_EQ(Body(http), "done");
    ASSERT_TRUE(server.WaitForRequests(1));
    const std::string request = server.Requests()[0].Bytes;
    const std::size_t split = request.find("\r\n\r\n") + 4;
    EXPECT_EQ(request.substr(split), body);
    EXPECT_NE(request.find("Content-Length: " + std::to_string(c.size) + "\r\n"), std::string::npos);
    EXPECT_NE(request.find("Content-Type: application/x-test\r\n"), std::string::npos);
    EXPECT_EQ(request.find("Expect: 100-continue") != std::string::npos, c.expect);
    const std::int64_t upload = static_cast<std::int64_t>(c.size < 65536 && !c.expect ? request.size() : c.size);
    EXPECT_EQ(http.UploadSize(), upload);
    EXPECT_EQ(HeaderText(http), Lines({"HTTP/1.1 200 OK", "Content-Length: 4", ""}));
  }
}

TEST(Exchange, ExpectAnsweredWithFinalStatusSkipsTheBody) {
  ConnectionScript script;
  script.Exchanges.push_back(
      {false, {{"HTTP/1.1 417 Expectation Failed\r\nX: dropped\r\n\r\nHTTP/1.1 200 OK\r\nY: kept\r\n\r\n", 100}}});
  ScriptedServer server({script});
  THTTPSend http;
  http.SetProtocol(u"1.1");
  http.SetStatus100(true);
  http.Document().Write("never sent");
  EXPECT_TRUE(http.HTTPMethod(u"PUT", T(server.Url())));
  EXPECT_EQ(http.ResultCode(), 417);
  EXPECT_EQ(http.UploadSize(), 0);
  EXPECT_EQ(HeaderText(http), Lines({"HTTP/1.1 417 Expectation Failed", "HTTP/1.1 200 OK", "Y: kept", ""}));
}

// --- bounds against a server that sends without end -------------------------

struct EndlessCase {
  std::string name;
  std::string prefix;   // sent once after the request
  std::string pattern;  // then repeated forever
  std::string protocol = "1.0";
};

TEST(Bounds, EndlessStreamsEndWith10055) {
  const std::vector<EndlessCase> cases = {
      {"endless status line", "", "HTTP/1.1 200 OKOKOKOKOKOKOKOKOKOKOKOK"},
      {"endless header line", "HTTP/1.0 200 OK\r\nX-Long: ", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"},
      {"endless header lines", "HTTP/1.0 200 OK\r\n", "X-Header: some value of a header line\r\n"},
      {"endless folded line", "HTTP/1.0 200 OK\r\nX: a\r\n", " continued\r\n"},
      {"endless empty lines before the status", "", "\r\n"},
      {"endless interim responses", "", "HTTP/1.1 100 Continue\r\n\r\n"},
      {"endless body until close", "HTTP/1.0 200 OK\r\n\r\n", "0123456789abcdef0123456789abcdef"},
      {"endless chunks", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
       "fa0\r\n" + std::string(4000, 'c') + "\r\n", "1.1"},
      {"endless chunk-size line", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", "0000000000000000",
       "1.1"},
      {"Content-Length beyond the bound", "HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\n",
       "0123456789abcdef"},
  };
  THTTPLimits limits;
  limits.MaxLineLength = 200000;
  limits.MaxHeadSize = 20000;
  limits.MaxBodySize = 2 << 20;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectionScript script = ConnectionScript::Reply(c.prefix);
    script.Endless = c.pattern;
    ScriptedServer server({script});
    THTTPSend http;
    http.SetLimits(limits);
    http.SetTimeout(5000);
    http.SetProtocol(T(c.protocol));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(http.HTTPMethod(u"GET", T(server.Url())));
    // Ended by the bound, not by a time-out (data never stops coming).
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(http.Sock().LastError(), 10055);
    EXPECT_EQ(A(http.Sock().LastErrorDesc()), "No Buffer space available");
    EXPECT_EQ(http.Sock().Socket(), INVALID_SOCKET);
    EXPECT_LE(http.Document().Size(), limits.MaxBodySize);
    std::int64_t headerBytes = 0;
    for (const auto& l : http.Headers()) headerBytes += static_cast<std::int64_t>(l.size()) + 2;
    EXPECT_LE(headerBytes, limits.MaxHeadSize);
  }
}

TEST(Bounds, BodyKeptUpToTheBound) {
  ConnectionScript script = ConnectionScript::Reply("HTTP/1.0 200 OK\r\n\r\n");
  script.Endless = std::string(1000, 'z');
  ScriptedServer server({script});
  THTTPSend http;
  THTTPLimits limits;
  limits.MaxBodySize = 100000;
  http.SetLimits(limits);
  EXPECT_FALSE(http.HTTPMethod(u"GET", T(server.Url())));
  EXPECT_EQ(http.Document().Size(), 100000);
  EXPECT_EQ(http.ResultCode(), 200);
}

TEST(Bounds, BodyExactlyAtTheBoundSucceeds) {
  ScriptedServer server({ConnectionScript::Reply("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" +
                                                 std::string(1000, 'q'))});
  THTTPSend http;
  THTTPLimits limits;
  limits.MaxBodySize = 1000;
  http.SetLimits(limits);
  EXPECT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
  EXPECT_EQ(http.Document().Size(), 1000);
}

// A small gzip body that decodes past the bound ends like a body that
// arrives past it: 10055, the connection closed, the head and the first
// decoded bytes up to the bound kept. Exactly at the bound it decodes whole.
TEST(Bounds, GzipBombEndsLikeABodyOverTheBound) {
  const std::int64_t decodedSize = std::int64_t{8} << 20;
  const std::string gz = GzipMember(std::string(decodedSize, '\0'));  // a few KiB encoded
  struct Case {
    std::string name;
    std::string head;
  };
  const std::vector<Case> cases = {
      {"marked gzip, by length",
       "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " + std::to_string(gz.size()) + "\r\n\r\n"},
      {"recognised by its signature, until close", "HTTP/1.0 200 OK\r\n\r\n"},
  };
  for (const auto& c : cases) {
    for (const std::int64_t bound : {std::int64_t{1} << 20, decodedSize}) {
      SCOPED_TRACE(c.name + ", bound " + std::to_string(bound));
      ScriptedServer server({ConnectionScript::Reply(c.head + gz)});
      THTTPSend http;
      http.SetProtocol(u"1.1");
      THTTPLimits limits;
      limits.MaxDecodedSize = bound;
      http.SetLimits(limits);
      const bool ok = http.HTTPMethod(u"GET", T(server.Url()));
      EXPECT_EQ(http.ResultCode(), 200);
      EXPECT_EQ(A(http.Headers()[0]), c.head.substr(0, c.head.find('\r')));
      EXPECT_EQ(http.Document().Size(), bound);
      EXPECT_EQ(http.Document().Position(), 0);
      if (bound < decodedSize) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(http.Sock().LastError(), 10055);
        EXPECT_EQ(A(http.Sock().LastErrorDesc()), "No Buffer space available");
        EXPECT_EQ(http.Sock().Socket(), INVALID_SOCKET);
        EXPECT_EQ(ReadBytesFromStream(http.Document(), 16), std::string(16, '\0'));
      } else {
        EXPECT_TRUE(ok);
        EXPECT_EQ(http.Sock().LastError(), 0);
      }
    }
  }
}

TEST(Bounds, DefaultsAreTheProductionValues) {
  const THTTPLimits defaults;
  EXPECT_EQ(defaults.MaxLineLength, kMaxHeadLineLength);
  EXPECT_EQ(defaults.MaxHeadSize, kMaxHeadSize);
  EXPECT_EQ(defaults.MaxBodySize, std::int64_t{1} << 30);
  EXPECT_EQ(defaults.MaxDecodedSize, std::int64_t{1} << 30);
  EXPECT_EQ(defaults.LowSpeedBytes, 1024);
  EXPECT_EQ(defaults.LowSpeedPeriod, 60000);
  // The line bound reaches the socket with each call, even after the socket
  // was re-initialised.
  ScriptedServer server({ConnectionScript::Reply("HTTP/1.0 200 OK\r\n\r\n")});
  THTTPSend http;
  http.Sock().CreateWithSSL(SSLClassOf<TSSLNone>());
  EXPECT_EQ(http.Sock().MaxLineLength(), 0);
  EXPECT_TRUE(http.HTTPMethod(u"GET", T(server.Url())));
  EXPECT_EQ(http.Sock().MaxLineLength(), kMaxHeadLineLength);
}

}  // namespace
}  // namespace tav
