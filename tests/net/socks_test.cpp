// SOCKS 4, 4a and 5 negotiation against a scripted proxy: the exact bytes on
// the wire, the reply decoding, and how each failure ends.
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>

#include "loopback_port.h"
#include "net/tcp_block_socket.h"
#include "scripted_server.h"
#include "util/text_helpers.h"

namespace tav {
namespace {

using test::PeerStep;
using test::ReadToEofStep;
using test::ReadUntilStep;
using test::ScriptedPeer;
using test::SendStep;
using test::U16;

// Bytes from a list of values.
std::string B(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (::readdir(dir) != nullptr) ++count;
    ::closedir(dir);
  }
  return count;
}

// Waits for Bytes from the client, then answers.
std::vector<PeerStep> Exchange(std::vector<PeerStep> steps, const std::string& expect,
                               const std::string& answer) {
  steps.push_back(ReadUntilStep(expect));
  if (!answer.empty()) steps.push_back(SendStep(answer));
  return steps;
}

std::vector<PeerStep> Then(std::vector<PeerStep> steps, PeerStep last) {
  steps.push_back(std::move(last));
  return steps;
}

const std::string kGreetNone = B({5, 1, 0});
const std::string kGreetUser = B({5, 2, 2, 0});
const std::string kPickNone = B({5, 0});
const std::string kPickUser = B({5, 2});
const std::string kAuthUP = B({1, 1, 'u', 1, 'p'});
const std::string kAuthOk = B({1, 0});
// Connect to the 7-character host name "example", port 80.
const std::string kRequestExample = B({5, 1, 0, 3, 7}) + "example" + B({0, 80});
// Succeeded, bound address 127.0.0.1:8080.
const std::string kReply5 = B({5, 0, 0, 1, 127, 0, 0, 1, 0x1F, 0x90});
const std::string kSocks4To10001 = B({4, 1, 0x1F, 0x90, 10, 0, 0, 1, 0});
const std::string kReply4Granted = B({0, 0x5A, 0, 0, 0, 0, 0, 0});

struct ConnectCase {
  const char* name;
  TSocksType type;
  std::u16string user;
  std::u16string pass;
  std::u16string host;
  std::u16string port;
  std::vector<PeerStep> script;  // the proxy's side, up to its final step
  std::string sent;              // every byte the proxy must have read
  int code;
  int socksCode;
  std::u16string responseIP;
  std::u16string responsePort;
};

// Each case: connect through the scripted proxy, then (on success) read the
// bytes the proxy sent after its reply, which prove that the reply was read
// to its exact length.
TEST(SocksConnect, NegotiatesExactBytesAndReportsEachOutcome) {
  const std::u16string user255(255, u'n');
  const std::string name255(255, 'h');
  const ConnectCase cases[] = {
      {"SOCKS 5 without user name, host name, port 80", ST_Socks5, u"", u"", u"example", u"80",
       Exchange(Exchange({}, kGreetNone, kPickNone), kRequestExample, kReply5 + "STREAM"),
       kGreetNone + kRequestExample, 0, 0, u"127.0.0.1", u"8080"},
      {"SOCKS 5 with user and password, IPv4 target, reply with a 5-byte name", ST_Socks5, u"u",
       u"p", u"10.0.0.1", u"8080",
       Exchange(Exchange(Exchange({}, kGreetUser, kPickUser), kAuthUP, kAuthOk),
                B({5, 1, 0, 1, 10, 0, 0, 1, 0x1F, 0x90}),
                B({5, 0, 0, 3, 5}) + "proxy" + B({0x04, 0x38}) + "STREAM"),
       kGreetUser + kAuthUP + B({5, 1, 0, 1, 10, 0, 0, 1, 0x1F, 0x90}), 0, 0, u"proxy", u"1080"},
      {"SOCKS 5 with a user name the proxy does not ask for", ST_Socks5, u"u", u"p", u"example",
       u"80", Exchange(Exchange({}, kGreetUser, kPickNone), kRequestExample, kReply5 + "STREAM"),
       kGreetUser + kRequestExample, 0, 0, u"127.0.0.1", u"8080"},
      {"SOCKS 5 to an IPv6 target, IPv6 reply", ST_Socks5, u"", u"", u"::1", u"443",
       Exchange(Exchange({}, kGreetNone, kPickNone),
                B({5, 1, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0xBB}),
                B({5, 0, 0, 4, 0x20, 1, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 80}) +
                    "STREAM"),
       kGreetNone + B({5, 1, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0xBB}), 0,
       0, u"2001:db8::2", u"80"},
      {"SOCKS 5 service name as port", ST_Socks5, u"", u"", u"example", u"http",
       Exchange(Exchange({}, kGreetNone, kPickNone), kRequestExample, kReply5 + "STREAM"),
       kGreetNone + kRequestExample, 0, 0, u"127.0.0.1", u"8080"},
      {"SOCKS 5 user name of 255 bytes fits its length byte", ST_Socks5, user255, u"p",
       u"example", u"80",
       Exchange(Exchange(Exchange({}, kGreetUser, kPickUser),
                         B({1, 255}) + std::string(255, 'n') + B({1, 'p'}), kAuthOk),
                kRequestExample, kReply5 + "STREAM"),
       kGreetUser + B({1, 255}) + std::string(255, 'n') + B({1, 'p'}) + kRequestExample, 0, 0,
       u"127.0.0.1", u"8080"},
      {"SOCKS 5 host name of 255 bytes fits its length byte", ST_Socks5, u"", u"",
       U16(name255), u"80",
       Exchange(Exchange({}, kGreetNone, kPickNone), B({5, 1, 0, 3, 255}) + name255 + B({0, 80}),
                kReply5 + "STREAM"),
       kGreetNone + B({5, 1, 0, 3, 255}) + name255 + B({0, 80}), 0, 0, u"127.0.0.1", u"8080"},
      {"SOCKS 4 to 10.0.0.1:8080, empty user name, granted", ST_Socks4, u"", u"", u"10.0.0.1",
       u"8080", Exchange({}, kSocks4To10001, kReply4Granted + "STREAM"), kSocks4To10001, 0, 90,
       u"0.0.0.0", u"0"},
      {"SOCKS 4 with a user name", ST_Socks4, u"bob", u"", u"10.0.0.1", u"8080",
       Exchange({}, B({4, 1, 0x1F, 0x90, 10, 0, 0, 1}) + "bob" + B({0}),
                B({0, 0x5A, 0x12, 0x34, 192, 0, 2, 1}) + "STREAM"),
       B({4, 1, 0x1F, 0x90, 10, 0, 0, 1}) + "bob" + B({0}), 0, 90, u"192.0.2.1", u"4660"},
      {"SOCKS 4a to a one-character host name", ST_Socks4, u"", u"", u"h", u"80",
       Exchange({}, B({4, 1, 0, 80, 0, 0, 0, 1, 0, 'h', 0}), kReply4Granted + "STREAM"),
       B({4, 1, 0, 80, 0, 0, 0, 1, 0, 'h', 0}), 0, 90, u"0.0.0.0", u"0"},
      {"SOCKS 4 rejected (91)", ST_Socks4, u"", u"", u"10.0.0.1", u"8080",
       Then(Exchange({}, kSocks4To10001, B({0, 0x5B, 0, 0, 0, 0, 0, 0})), ReadToEofStep()),
       kSocks4To10001, WSASYSNOTREADY, 91, u"", u""},
      {"SOCKS 5 refused (reply code 5)", ST_Socks5, u"", u"", u"example", u"80",
       Then(Exchange(Exchange({}, kGreetNone, kPickNone), kRequestExample,
                     B({5, 5, 0, 1, 0, 0, 0, 0, 0, 0})),
            ReadToEofStep()),
       kGreetNone + kRequestExample, WSASYSNOTREADY, 5, u"", u""},
      // No reply is read after a failed greeting: SocksLastError keeps its 0.
      {"SOCKS 5 no acceptable method", ST_Socks5, u"", u"", u"example", u"80",
       Then(Exchange({}, kGreetNone, B({5, 0xFF})), ReadToEofStep()), kGreetNone, WSASYSNOTREADY,
       0, u"", u""},
      {"SOCKS 5 authentication failed", ST_Socks5, u"u", u"p", u"example", u"80",
       Then(Exchange(Exchange({}, kGreetUser, kPickUser), kAuthUP, B({1, 1})), ReadToEofStep()),
       kGreetUser + kAuthUP, WSASYSNOTREADY, 0, u"", u""},
  };
  const int descriptors = OpenDescriptors();
  for (const ConnectCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer proxy(Then(c.script, ReadToEofStep()));
    int afterConnect = 0;
    TTCPBlockSocket socket;
    socket.SetOnAfterConnect([&](TBlockSocket*) { ++afterConnect; });
    socket.SetSocksIP(u"127.0.0.1");
    socket.SetSocksPort(proxy.PortText());
    socket.SetSocksType(c.type);
    socket.SetSocksUsername(c.user);
    socket.SetSocksPassword(c.pass);
    socket.SetSocksTimeout(2000);
    socket.Connect(c.host, c.port);
    EXPECT_EQ(socket.LastError(), c.code);
    EXPECT_EQ(socket.SocksLastError(), c.socksCode);
    EXPECT_EQ(socket.SocksResponseIP(), c.responseIP);
    EXPECT_EQ(socket.SocksResponsePort(), c.responsePort);
    EXPECT_EQ(afterConnect, c.code == 0 ? 1 : 0);
    if (c.code == 0) {
      EXPECT_TRUE(socket.UsingSocks());
      EXPECT_EQ(socket.RecvBufferStr(6, 2000), "STREAM");
      // The addresses answer from the negotiation, not from the proxy connection.
      EXPECT_EQ(socket.GetLocalSinIP(), c.responseIP);
      const std::string port(c.responsePort.begin(), c.responsePort.end());
      EXPECT_EQ(socket.GetLocalSinPort(), std::stoi(port));
      EXPECT_EQ(socket.GetRemoteSinIP(), c.host);
      EXPECT_EQ(socket.GetRemoteSinPort(), socket.ResolvePort(c.port));
    }
    socket.CloseSocket();
    EXPECT_EQ(proxy.Join(), c.sent);
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

struct FailureCase {
  const char* name;
  TSocksType type;
  std::u16string user;
  std::vector<PeerStep> script;
  int code;
  int socksCode;  // 0: failed before the reply; -1: the reply was not complete
};

// A proxy that stalls, closes or sends garbage at each step: the connect ends
// within the SOCKS time-out with the code of what went wrong.
TEST(SocksConnect, StallCloseOrGarbageAtEachStep) {
  constexpr int kTimeout = 200;
  // Waits for the client to give up and close.
  const PeerStep stall = ReadToEofStep();
  const auto afterGreeting = [](const std::string& greeting) {
    return Exchange({}, greeting, "");
  };
  const auto atReply = [&] {
    return Exchange(Exchange({}, kGreetNone, kPickNone), kRequestExample, "");
  };
  const auto at4Reply = [] { return Exchange({}, kSocks4To10001, ""); };
  const auto atAuth = [] { return Exchange(Exchange({}, kGreetUser, kPickUser), kAuthUP, ""); };
  const FailureCase cases[] = {
      {"method answer: stall", ST_Socks5, u"", Then(afterGreeting(kGreetNone), stall),
       WSAETIMEDOUT, 0},
      {"method answer: close", ST_Socks5, u"", afterGreeting(kGreetNone), WSAECONNRESET, 0},
      {"method answer: one byte, then close", ST_Socks5, u"",
       Then(afterGreeting(kGreetNone), SendStep(B({5}))), WSAECONNRESET, 0},
      {"method answer: wrong version", ST_Socks5, u"",
       Then(Then(afterGreeting(kGreetNone), SendStep(B({4, 0}))), stall), WSASYSNOTREADY, 0},
      {"auth answer: stall", ST_Socks5, u"u", Then(atAuth(), stall), WSAETIMEDOUT, 0},
      {"auth answer: close", ST_Socks5, u"u", atAuth(), WSAECONNRESET, 0},
      {"reply: stall", ST_Socks5, u"", Then(atReply(), stall), WSAETIMEDOUT, -1},
      {"reply: close", ST_Socks5, u"", atReply(), WSAECONNRESET, -1},
      {"reply: head only, then stall", ST_Socks5, u"",
       Then(Then(atReply(), SendStep(B({5, 0, 0, 1}))), stall), WSAETIMEDOUT, -1},
      // The address arrives after the time-out: the late bytes must not be
      // taken for the port of a reply that never completed.
      {"reply: address later than the time-out", ST_Socks5, u"",
       Then(Then(Then(Then(atReply(), SendStep(B({5, 0, 0, 1}))), test::PauseStep(2 * kTimeout)),
                 SendStep(B({127, 0, 0, 1, 0, 80}))),
            stall),
       WSAETIMEDOUT, -1},
      {"reply: half an IPv4 address, then close", ST_Socks5, u"",
       Then(atReply(), SendStep(B({5, 0, 0, 1, 127, 0}))), WSAECONNRESET, -1},
      {"reply: name length only, then stall", ST_Socks5, u"",
       Then(Then(atReply(), SendStep(B({5, 0, 0, 3, 9}))), stall), WSAETIMEDOUT, -1},
      {"reply: name type, then close before its length", ST_Socks5, u"",
       Then(atReply(), SendStep(B({5, 0, 0, 3}))), WSAECONNRESET, -1},
      {"reply: one port byte, then close", ST_Socks5, u"",
       Then(atReply(), SendStep(B({5, 0, 0, 1, 127, 0, 0, 1, 0}))), WSAECONNRESET, -1},
      {"reply: wrong version", ST_Socks5, u"",
       Then(Then(atReply(), SendStep(kReply4Granted + "xx")), stall), WSASYSNOTREADY, -1},
      {"reply: unknown address type", ST_Socks5, u"",
       Then(Then(atReply(), SendStep(B({5, 0, 0, 7, 1, 2, 3, 4, 5, 6}))), stall), WSASYSNOTREADY,
       -1},
      {"SOCKS 4 reply: stall", ST_Socks4, u"", Then(at4Reply(), stall), WSAETIMEDOUT, -1},
      {"SOCKS 4 reply: five bytes, then close", ST_Socks4, u"",
       Then(at4Reply(), SendStep(B({0, 0x5A, 0, 0, 0}))), WSAECONNRESET, -1},
      {"SOCKS 4 reply: wrong first byte", ST_Socks4, u"",
       Then(Then(at4Reply(), SendStep(B({4, 0x5A, 0, 0, 0, 0, 0, 0}))), stall), WSASYSNOTREADY, -1},
  };
  const int descriptors = OpenDescriptors();
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer proxy(c.script);
    TTCPBlockSocket socket;
    socket.SetSocksIP(u"127.0.0.1");
    socket.SetSocksPort(proxy.PortText());
    socket.SetSocksType(c.type);
    socket.SetSocksUsername(c.user);
    socket.SetSocksPassword(u"p");
    socket.SetSocksTimeout(kTimeout);
    const std::int64_t start = NowMs();
    socket.Connect(c.type == ST_Socks4 ? u"10.0.0.1" : u"example",
                   c.type == ST_Socks4 ? u"8080" : u"80");
    // A stalling proxy holds the connection for 5 s: well past this bound.
    EXPECT_LT(NowMs() - start, 10 * kTimeout);
    EXPECT_EQ(socket.LastError(), c.code);
    EXPECT_EQ(socket.SocksLastError(), c.socksCode);
    socket.CloseSocket();
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

// Fields that cannot be expressed in their wire form fail before anything of
// them is sent, instead of being cut or ending a field early.
TEST(SocksConnect, FieldsTooLongOrBrokenFailWithoutSendingThem) {
  struct Case {
    const char* name;
    TSocksType type;
    std::u16string user;
    std::u16string pass;
    std::u16string host;
    std::vector<PeerStep> script;
    std::string sent;
  };
  const Case cases[] = {
      {"SOCKS 5 user name of 256 bytes", ST_Socks5, std::u16string(256, u'n'), u"p", u"example",
       Exchange({}, kGreetUser, kPickUser), kGreetUser},
      {"SOCKS 5 password of 256 bytes", ST_Socks5, u"u", std::u16string(256, u'p'), u"example",
       Exchange({}, kGreetUser, kPickUser), kGreetUser},
      {"SOCKS 5 host name of 256 bytes", ST_Socks5, u"", u"", std::u16string(256, u'h'),
       Exchange({}, kGreetNone, kPickNone), kGreetNone},
      {"SOCKS 4 user name with a NUL byte", ST_Socks4, std::u16string(u"a\0b", 3), u"",
       u"10.0.0.1", {}, ""},
      {"SOCKS 4a host name with a NUL byte", ST_Socks4, u"", u"", std::u16string(u"h\0x", 3),
       {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer proxy(Then(c.script, ReadToEofStep()));
    TTCPBlockSocket socket;
    socket.SetSocksIP(u"127.0.0.1");
    socket.SetSocksPort(proxy.PortText());
    socket.SetSocksType(c.type);
    socket.SetSocksUsername(c.user);
    socket.SetSocksPassword(c.pass);
    socket.SetSocksTimeout(2000);
    socket.Connect(c.host, u"80");
    EXPECT_EQ(socket.LastError(), WSASYSNOTREADY);
    EXPECT_EQ(socket.SocksLastError(), 0);  // no reply was awaited
    socket.CloseSocket();
    EXPECT_EQ(proxy.Join(), c.sent);
  }
}

TEST(SocksConnect, UnreachableProxyKeepsTheConnectError) {
  TTCPBlockSocket socket;
  socket.SetSocksIP(u"127.0.0.1");
  socket.SetSocksPort(U16(std::to_string(test::FreeLoopbackPort())));
  socket.Connect(u"example", u"80");
  EXPECT_EQ(socket.LastError(), WSAECONNREFUSED);
  EXPECT_FALSE(socket.UsingSocks());
}

TEST(SocksConnect, LocalResolutionSendsTheAddress) {
  struct Case {
    TSocksType type;
    std::string request;
    std::string reply;
  };
  const Case cases[] = {
      {ST_Socks5, B({5, 1, 0, 1, 127, 0, 0, 1, 0, 80}), kReply5},
      {ST_Socks4, B({4, 1, 0, 80, 127, 0, 0, 1, 0}), kReply4Granted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    const std::string greeting = c.type == ST_Socks5 ? kGreetNone : "";
    std::vector<PeerStep> script;
    if (c.type == ST_Socks5) script = Exchange({}, kGreetNone, kPickNone);
    ScriptedPeer proxy(Then(Exchange(script, c.request, c.reply), ReadToEofStep()));
    TTCPBlockSocket socket;
    socket.SetFamily(SF_IP4);
    socket.SetSocksIP(u"127.0.0.1");
    socket.SetSocksPort(proxy.PortText());
    socket.SetSocksType(c.type);
    socket.SetSocksResolver(false);
    socket.Connect(u"localhost", u"80");
    EXPECT_EQ(socket.LastError(), 0);
    socket.CloseSocket();
    EXPECT_EQ(proxy.Join(), greeting + c.request);
  }
}

// Listening through the proxy: the bind request names this socket's address,
// the first reply the proxy's listening address, the second (read by Accept)
// the peer that connected; the stream then runs over the proxy connection.
TEST(SocksListen, BindRequestAndAcceptReplies) {
  struct Case {
    TSocksType type;
    std::string firstReply;
    std::u16string localIP;
    int localPort;
  };
  const Case cases[] = {
      {ST_Socks5, B({5, 0, 0, 1, 0, 0, 0, 0, 0x04, 0xD2}), u"127.0.0.1", 1234},
      {ST_Socks5, B({5, 0, 0, 1, 192, 0, 2, 7, 0x04, 0xD2}), u"192.0.2.7", 1234},
      {ST_Socks4, B({0, 0x5A, 0x04, 0xD2, 0, 0, 0, 0}), u"127.0.0.1", 1234},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    TTCPBlockSocket socket;
    socket.Bind(u"127.0.0.1", u"0");
    ASSERT_EQ(socket.LastError(), 0);
    const std::string ownPort = PackWordBE(static_cast<std::uint16_t>(socket.GetLocalSinPort()));
    std::string request;
    std::vector<PeerStep> script;
    std::string secondReply;
    if (c.type == ST_Socks5) {
      script = Exchange({}, kGreetNone, kPickNone);
      request = B({5, 2, 0, 1, 127, 0, 0, 1}) + ownPort;
      secondReply = B({5, 0, 0, 1, 10, 1, 2, 3, 0, 99});
    } else {
      request = B({4, 2}) + ownPort + B({127, 0, 0, 1, 0});
      secondReply = B({0, 0x5A, 0, 99, 10, 1, 2, 3});
    }
    script = Exchange(script, request, c.firstReply);
    script.push_back(test::PauseStep(100));
    script.push_back(SendStep(secondReply + "HELLO"));
    ScriptedPeer proxy(Then(script, ReadToEofStep()));
    socket.SetSocksIP(u"127.0.0.1");
    socket.SetSocksPort(proxy.PortText());
    socket.SetSocksType(c.type);
    socket.SetSocksTimeout(2000);
    socket.Listen();
    EXPECT_EQ(socket.LastError(), 0);
    EXPECT_TRUE(socket.UsingSocks());
    EXPECT_EQ(socket.GetLocalSinIP(), c.localIP);
    EXPECT_EQ(socket.GetLocalSinPort(), c.localPort);
    EXPECT_EQ(socket.GetRemoteSinIP(), u"");
    EXPECT_EQ(socket.Accept(), socket.Socket());
    EXPECT_EQ(socket.LastError(), 0);
    EXPECT_EQ(socket.GetRemoteSinIP(), u"10.1.2.3");
    EXPECT_EQ(socket.GetRemoteSinPort(), 99);
    EXPECT_EQ(socket.RecvBufferStr(5, 2000), "HELLO");
    socket.CloseSocket();
    EXPECT_EQ(proxy.Join(), (c.type == ST_Socks5 ? kGreetNone : "") + request);
  }
}

TEST(SocksListen, FailuresGive11003UnlessASocketErrorCameFirst) {
  struct Case {
    const char* name;
    std::vector<PeerStep> script;
    bool listenFails;
    int code;
  };
  const auto listening = [] {
    return Exchange(Exchange({}, kGreetNone, kPickNone), B({5, 2, 0, 1, 127, 0, 0, 1}),
                    B({5, 0, 0, 1, 127, 0, 0, 1, 0x04, 0xD2}));
  };
  const Case cases[] = {
      {"bind refused",
       Then(Exchange(Exchange({}, kGreetNone, kPickNone), B({5, 2, 0, 1, 127, 0, 0, 1}),
                     B({5, 7, 0, 1, 0, 0, 0, 0, 0, 0})),
            ReadToEofStep()),
       true, WSANO_RECOVERY},
      {"method refused", Then(Exchange({}, kGreetNone, B({5, 0xFF})), ReadToEofStep()), true,
       WSANO_RECOVERY},
      {"accept: proxy closes", listening(), false, WSAECONNRESET},
      {"accept: garbage reply", Then(Then(listening(), SendStep(B({9, 9, 9, 9, 9, 9, 9, 9, 9, 9}))),
                                     ReadToEofStep()),
       false, WSANO_RECOVERY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer proxy(c.script);
    TTCPBlockSocket socket;
    socket.Bind(u"127.0.0.1", u"0");
    socket.SetSocksIP(u"127.0.0.1");
    socket.SetSocksPort(proxy.PortText());
    socket.SetSocksTimeout(1000);
    socket.Listen();
    if (c.listenFails) {
      EXPECT_EQ(socket.LastError(), c.code);
    } else {
      ASSERT_EQ(socket.LastError(), 0);
      socket.Accept();
      EXPECT_EQ(socket.LastError(), c.code);
    }
    socket.CloseSocket();
  }
  // No proxy to reach: the connect's own error, and nothing negotiated.
  TTCPBlockSocket socket;
  socket.SetSocksIP(u"127.0.0.1");
  socket.SetSocksPort(U16(std::to_string(test::FreeLoopbackPort())));
  socket.Listen();
  EXPECT_EQ(socket.LastError(), WSAECONNREFUSED);
  EXPECT_EQ(socket.SocksLastError(), 0);
}

// Reply decoding on its own: where each reply type ends, and what a reply
// too short for its type gives.
TEST(SocksReplyDecoding, ParsesEachAddressTypeAndStopsOnShortInput) {
  struct Case {
    const char* name;
    TSocksType type;
    std::string value;
    int next;
    std::u16string ip;
    std::u16string port;
  };
  const Case cases[] = {
      {"SOCKS 4", ST_Socks4, B({0, 90, 0x1F, 0x90, 10, 0, 0, 1}) + "rest", 9, u"10.0.0.1",
       u"8080"},
      {"SOCKS 4 short", ST_Socks4, B({0, 90, 0x1F, 0x90, 10, 0, 0}), 0, u"", u"0"},
      {"SOCKS 5 IPv4", ST_Socks5, B({5, 0, 0, 1, 1, 2, 3, 4, 0, 80}), 11, u"1.2.3.4", u"80"},
      {"SOCKS 5 IPv4 short", ST_Socks5, B({5, 0, 0, 1, 1, 2, 3, 4, 0}), 5, u"", u"0"},
      {"SOCKS 5 name", ST_Socks5, B({5, 0, 0, 3, 5}) + "proxy" + B({1, 0}), 13, u"proxy", u"256"},
      {"SOCKS 5 empty name", ST_Socks5, B({5, 0, 0, 3, 0, 0, 7}), 8, u"", u"7"},
      {"SOCKS 5 name short", ST_Socks5, B({5, 0, 0, 3, 5}) + "proxy" + B({1}), 5, u"", u"0"},
      {"SOCKS 5 name type without length", ST_Socks5, B({5, 0, 0, 3}), 5, u"", u"0"},
      {"SOCKS 5 IPv6", ST_Socks5,
       B({5, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0xFF, 0xFF}), 23, u"::1",
       u"65535"},
      {"SOCKS 5 IPv6 short", ST_Socks5,
       B({5, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}), 5, u"", u"0"},
      {"SOCKS 5 unknown type", ST_Socks5, B({5, 0, 0, 2, 1, 2, 3, 4, 0, 80}), 5, u"", u"0"},
      {"SOCKS 5 head short", ST_Socks5, B({5, 0, 0}), 0, u"", u"0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTCPBlockSocket socket;
    socket.SetSocksType(c.type);
    EXPECT_EQ(socket.DecodeSocksReply(c.value), c.next);
    EXPECT_EQ(socket.SocksResponseIP(), c.ip);
    EXPECT_EQ(socket.SocksResponsePort(), c.port);
  }
  // A second name reply replaces the first one's name.
  TTCPBlockSocket socket;
  socket.DecodeSocksReply(B({5, 0, 0, 3, 3}) + "one" + B({0, 1}));
  socket.DecodeSocksReply(B({5, 0, 0, 3, 3}) + "two" + B({0, 2}));
  EXPECT_EQ(socket.SocksResponseIP(), u"two");
}

}  // namespace
}  // namespace tav
