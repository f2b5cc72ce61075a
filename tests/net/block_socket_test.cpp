// The blocking TCP socket against scripted loopback peers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "loopback_port.h"
#include "net/tcp_block_socket.h"
#include "scripted_server.h"
#include "util/tick.h"

namespace tav {
namespace {

using test::PauseStep;
using test::PeerStep;
using test::ReadToEofStep;
using test::ReadUntilStep;
using test::ScriptedPeer;
using test::SendStep;
using test::U16;

constexpr int kWait = 3000;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void ConnectTo(TTCPBlockSocket& socket, const ScriptedPeer& peer) {
  socket.Connect(u"127.0.0.1", peer.PortText());
  ASSERT_EQ(socket.LastError(), 0) << std::string(socket.LastErrorDesc().begin(), socket.LastErrorDesc().end());
}

// Chunks sent as separate packets, 60 ms apart, then the peer closes.
std::vector<PeerStep> ChunksThenClose(const std::vector<std::string>& chunks) {
  std::vector<PeerStep> steps;
  for (const std::string& chunk : chunks) {
    steps.push_back(PauseStep(60));
    steps.push_back(SendStep(chunk));
  }
  steps.push_back(PauseStep(60));
  return steps;
}

struct LineCase {
  const char* name;
  std::vector<std::string> chunks;
  bool convertLineEnd;
  std::vector<std::string> lines;
};

TEST(BlockSocketLines, RecvStringSplitsLinesAsConfigured) {
  const LineCase cases[] = {
      {"CR LF", {"abc\r\ndef\r\n"}, false, {"abc", "def"}},
      {"CR LF split between CR and LF", {"abc\r", "\ndef\r\n"}, false, {"abc", "def"}},
      {"line split across packets", {"ab", "c", "\r\n"}, false, {"abc"}},
      {"empty line", {"\r\nx\r\n"}, false, {"", "x"}},
      {"lone LF is data", {"a\nb\r\n"}, false, {"a\nb"}},
      {"lone CR is data", {"a\rb\r\n"}, false, {"a\rb"}},
      {"LF CR is data", {"a\n\rb\r\n"}, false, {"a\n\rb"}},
      {"tolerant: CR LF", {"abc\r\ndef\r\n"}, true, {"abc", "def"}},
      {"tolerant: CR ends a packet, LF starts the next", {"a\r", "\nb\r\n"}, true, {"a", "b"}},
      {"tolerant: LF ends a packet, CR starts the next", {"a\n", "\rb\r\n"}, true, {"a", "b"}},
      {"tolerant: LF CR is one end", {"a\n\rb\r\n"}, true, {"a", "b"}},
      {"tolerant: lone LF and lone CR", {"a\nb\rc\r\n"}, true, {"a", "b", "c"}},
      {"tolerant: CR CR is an empty line", {"a\r\rb\r\n"}, true, {"a", "", "b"}},
      {"tolerant: lone CR at packet end, text follows", {"a\r", "b\n"}, true, {"a", "b"}},
      {"tolerant: CR LF CR LF", {"a\r\n\r\nb\r\n"}, true, {"a", "", "b"}},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer peer(ChunksThenClose(c.chunks));
    TTCPBlockSocket socket;
    socket.SetConvertLineEnd(c.convertLineEnd);
    ConnectTo(socket, peer);
    for (const std::string& line : c.lines) {
      EXPECT_EQ(socket.RecvString(kWait), line);
      EXPECT_EQ(socket.LastError(), 0);
    }
    // Nothing more: the peer's close ends the stream.
    EXPECT_EQ(socket.RecvString(kWait), "");
    EXPECT_EQ(socket.LastError(), WSAECONNRESET);
    EXPECT_EQ(socket.LastErrorDesc(), u"Connection reset by peer");
    EXPECT_EQ(socket.LineBuffer(), "");
  }
}

TEST(BlockSocketLines, UnterminatedTextStaysBufferedWhenThePeerCloses) {
  ScriptedPeer peer({SendStep("abc"), PauseStep(50)});
  TTCPBlockSocket socket;
  ConnectTo(socket, peer);
  EXPECT_EQ(socket.RecvString(kWait), "");
  EXPECT_EQ(socket.LastError(), WSAECONNRESET);
  EXPECT_EQ(socket.LineBuffer(), "abc");
  EXPECT_EQ(socket.RecvPacket(kWait), "abc");
  EXPECT_EQ(socket.LastError(), 0);
  EXPECT_EQ(socket.RecvPacket(kWait), "");
  EXPECT_EQ(socket.LastError(), WSAECONNRESET);
}

TEST(BlockSocketLines, RecvTerminatedWithOtherTerminators) {
  ScriptedPeer peer({SendStep("one||two\nthree||"), test::HoldStep(300)});
  TTCPBlockSocket socket;
  ConnectTo(socket, peer);
  EXPECT_EQ(socket.RecvTerminated(kWait, "||"), "one");
  EXPECT_EQ(socket.RecvTerminated(kWait, "\n"), "two");
  // An empty terminator returns at once and leaves the buffer alone.
  const std::string before = socket.LineBuffer();
  EXPECT_EQ(socket.RecvTerminated(kWait, ""), "");
  EXPECT_EQ(socket.LastError(), 0);
  EXPECT_EQ(socket.LineBuffer(), before);
  EXPECT_EQ(socket.RecvTerminated(kWait, "||"), "three");
}

TEST(BlockSocketLines, OverlongLineGives10055AndKeepsTheRestBuffered) {
  const std::string rest(20, 'x');
  for (const bool viaRecvString : {false, true}) {
    SCOPED_TRACE(viaRecvString ? "RecvString" : "RecvTerminated");
    ScriptedPeer peer({SendStep("abc\r\n" + rest), test::HoldStep(300)});
    TTCPBlockSocket socket;
    socket.SetMaxLineLength(10);
    ConnectTo(socket, peer);
    ASSERT_TRUE(socket.CanRead(kWait));
    const std::string line =
        viaRecvString ? socket.RecvString(kWait) : socket.RecvTerminated(kWait, "\r\n");
    EXPECT_EQ(socket.LastError(), WSAENOBUFS);
    EXPECT_EQ(socket.LastErrorDesc(), u"No Buffer space available");
    EXPECT_EQ(line, viaRecvString ? "" : "abc");
    EXPECT_EQ(socket.LineBuffer(), rest);
  }
}

TEST(BlockSocketReads, RecvBufferExLeavesTheTailOfAPacketBuffered) {
  ScriptedPeer peer({SendStep("0123456789abcdefghijklmno"), PauseStep(100)});
  TTCPBlockSocket socket;
  ConnectTo(socket, peer);
  ASSERT_TRUE(socket.CanRead(kWait));
  char buffer[10];
  EXPECT_EQ(socket.RecvBufferEx(buffer, 10, kWait), 10);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_EQ(socket.LineBuffer(), "abcdefghijklmno");
  EXPECT_EQ(socket.WaitingDataEx(), 15);
  EXPECT_EQ(socket.RecvBufferStr(15, kWait), "abcdefghijklmno");
  EXPECT_EQ(socket.LastError(), 0);
  // The peer closes: a short read gives the error and no partial string.
  EXPECT_EQ(socket.RecvBufferStr(1, kWait), "");
  EXPECT_EQ(socket.LastError(), WSAECONNRESET);
}

TEST(BlockSocketReads, BinaryFormsRoundTrip) {
  std::string body(70000, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7 % 251);
  ScriptedPeer peer({SendStep(std::string("\x03\0\0\0abc", 7)), SendStep(std::string("\x78\x56\x34\x12", 4)),
                     SendStep("Z"), SendStep(body), test::HoldStep(500)});
  TTCPBlockSocket socket;
  ConnectTo(socket, peer);
  EXPECT_EQ(socket.RecvBlock(kWait), "abc");
  EXPECT_EQ(socket.RecvInteger(kWait), 0x12345678);
  EXPECT_EQ(socket.RecvByte(kWait), 'Z');
  TMemoryStream stream;
  socket.RecvStreamSize(stream, kWait, static_cast<std::int64_t>(body.size()));
  EXPECT_EQ(socket.LastError(), 0);
  EXPECT_TRUE(stream.Bytes() == body);
}

struct StreamReadCase {
  const char* name;
  std::vector<PeerStep> peer;
  std::string line;           // read with RecvString first, when not empty
  std::string before;         // stream content before the read
  std::int64_t position;      // stream position before the read; -1: its end
  std::int64_t size;          // RecvStreamSize's count; -1: RecvStreamRaw
  std::string after;          // stream content after the read
  int error;
  std::string next;           // what RecvPacket gives next, when no error
};

TEST(BlockSocketReads, StreamReadsKeepWholePiecesAndLeaveTheRest) {
  std::string body(200000, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 13 % 253);
  const StreamReadCase cases[] = {
      {"the bytes after the count stay for the next read",
       {SendStep(body.substr(0, 70000) + "tail"), test::HoldStep(500)}, "", "head:", -1, 70000,
       "head:" + body.substr(0, 70000), 0, "tail"},
      {"a close inside the body keeps the whole 64 KiB pieces only",
       {SendStep(body.substr(0, 100000)), PauseStep(50)}, "", "head:", -1, 200000,
       "head:" + body.substr(0, 65536), WSAECONNRESET, ""},
      {"the LF of a line end split from its CR is dropped",
       {SendStep("a\r"), PauseStep(60), SendStep("\nbody"), PauseStep(60), SendStep("more"),
        test::HoldStep(500)},
       "a", "", -1, 8, "bodymore", 0, ""},
      {"inside the stream the bytes overwrite from the position",
       {SendStep("abc"), test::HoldStep(500)}, "", "0123456789", 2, 3, "01abc56789", 0, ""},
      {"RecvStreamRaw appends everything until the close",
       {SendStep(body.substr(0, 150000)), PauseStep(50)}, "", "head:", -1, -1,
       "head:" + body.substr(0, 150000), WSAECONNRESET, ""},
      {"RecvStreamRaw inside the stream overwrites",
       {SendStep("ab"), PauseStep(50)}, "", "0123456789", 0, -1, "ab23456789", WSAECONNRESET, ""},
  };
  for (const StreamReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer peer(c.peer);
    TTCPBlockSocket socket;
    socket.SetConvertLineEnd(true);
    ConnectTo(socket, peer);
    if (!c.line.empty()) {
      EXPECT_EQ(socket.RecvString(kWait), c.line);
    }
    TMemoryStream stream;
    stream.Write(c.before);
    if (c.position >= 0) stream.SetPosition(c.position);
    if (c.size >= 0) {
      socket.RecvStreamSize(stream, kWait, c.size);
    } else {
      socket.RecvStreamRaw(stream, kWait);
    }
    EXPECT_EQ(socket.LastError(), c.error);
    EXPECT_EQ(stream.Size(), static_cast<std::int64_t>(c.after.size()));
    EXPECT_TRUE(stream.Bytes() == c.after);
    if (c.error == 0) {
      EXPECT_EQ(socket.RecvPacket(c.next.empty() ? 100 : kWait), c.next);
    }
  }
}

TEST(BlockSocketReads, WaitingDataIsCappedAt65536) {
  ScriptedPeer peer({SendStep(std::string(100000, 'w')), test::HoldStep(1500)});
  TTCPBlockSocket socket;
  socket.SetSizeRecvBuffer(1 << 20);
  ConnectTo(socket, peer);
  const std::int64_t end = NowMs() + kWait;
  while (socket.WaitingData() < 65536 && NowMs() < end) usleep(10000);
  EXPECT_EQ(socket.WaitingData(), 65536);
  EXPECT_EQ(socket.RecvPacket(kWait).size(), 65536u);
}

TEST(BlockSocketReads, ATimeoutGives10060) {
  // The peer keeps the connection far longer than the bound below.
  ScriptedPeer peer({test::HoldStep(6000)});
  TTCPBlockSocket socket;
  ConnectTo(socket, peer);
  const std::int64_t start = NowMs();
  EXPECT_EQ(socket.RecvString(200), "");
  const std::int64_t spent = NowMs() - start;
  EXPECT_EQ(socket.LastError(), WSAETIMEDOUT);
  EXPECT_EQ(socket.LastErrorDesc(), u"Connection timed out");
  EXPECT_GE(spent, 150);
  EXPECT_LT(spent, 2000);
  EXPECT_EQ(socket.RecvPacket(100), "");
  EXPECT_EQ(socket.LastError(), WSAETIMEDOUT);
  EXPECT_EQ(socket.PeekByte(100), 0);
  EXPECT_EQ(socket.LastError(), WSAETIMEDOUT);
}

TEST(BlockSocketReads, InterPacketTimeoutDecidesWhetherTheTimeoutBoundsTheWholeLine) {
  std::vector<PeerStep> trickle;
  for (int i = 0; i < 8; ++i) {
    trickle.push_back(SendStep("a"));
    trickle.push_back(PauseStep(100));
  }
  trickle.push_back(SendStep("\r\n"));
  trickle.push_back(PauseStep(100));
  for (const bool interPacket : {true, false}) {
    SCOPED_TRACE(interPacket ? "per packet" : "whole line");
    ScriptedPeer peer(trickle);
    TTCPBlockSocket socket;
    socket.SetInterPacketTimeout(interPacket);
    ConnectTo(socket, peer);
    const std::int64_t start = NowMs();
    const std::string line = socket.RecvString(300);
    if (interPacket) {
      EXPECT_EQ(line, "aaaaaaaa");
      EXPECT_EQ(socket.LastError(), 0);
    } else {
      EXPECT_EQ(line, "");
      EXPECT_EQ(socket.LastError(), WSAETIMEDOUT);
      // Within the time-out, not at the line's end (which the empty line
      // already shows); the bound only catches a wait for the peer.
      EXPECT_LT(NowMs() - start, 3000);
      // The partial line is not lost.
      EXPECT_FALSE(socket.LineBuffer().empty());
      EXPECT_EQ(socket.LineBuffer().find_first_not_of('a'), std::string::npos);
    }
  }
}

TEST(BlockSocketConnect, RefusedAndUnresolvable) {
  struct Case {
    const char* name;
    std::u16string host;
    std::u16string port;
    int connectionTimeout;
    int code;
    const char16_t* text;
  };
  const std::u16string closedPort = U16(std::to_string(test::FreeLoopbackPort()));
  const Case cases[] = {
      {"refused", u"127.0.0.1", closedPort, 0, WSAECONNREFUSED, u"Connection refused"},
      {"refused, bounded connect", u"127.0.0.1", closedPort, 2000, WSAECONNREFUSED,
       u"Connection refused"},
      {"unknown host", u"nosuchhost.invalid", u"80", 0, WSAHOST_NOT_FOUND, u"Host not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<THookSocketReason> reasons;
    std::u16string connectValue;
    TTCPBlockSocket socket;
    socket.SetConnectionTimeout(c.connectionTimeout);
    socket.SetOnStatus([&](TBlockSocket*, THookSocketReason reason, const std::u16string& value) {
      reasons.push_back(reason);
      if (reason == HR_Connect) connectValue = value;
    });
    socket.Connect(c.host, c.port);
    EXPECT_EQ(socket.LastError(), c.code);
    EXPECT_EQ(socket.LastErrorDesc(), c.text);
    EXPECT_EQ(connectValue, c.host + u":" + c.port);
    ASSERT_FALSE(reasons.empty());
    EXPECT_EQ(reasons.back(), HR_Connect);
    const bool created = std::find(reasons.begin(), reasons.end(), HR_SocketCreate) != reasons.end();
    EXPECT_EQ(created, c.code != WSAHOST_NOT_FOUND);
    if (c.code == WSAHOST_NOT_FOUND) {
      EXPECT_EQ(socket.Socket(), INVALID_SOCKET);
    }
  }
}

TEST(BlockSocketConnect, RaiseExceptThrowsTheSocketError) {
  TTCPBlockSocket socket;
  socket.SetRaiseExcept(true);
  try {
    socket.Connect(u"127.0.0.1", U16(std::to_string(test::FreeLoopbackPort())));
    FAIL() << "no exception";
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.ErrorCode, WSAECONNREFUSED);
    EXPECT_EQ(e.ErrorMessage, u"Connection refused");
    EXPECT_STREQ(e.what(), "Varnhol TCP/IP Socket error 10061: Connection refused");
  }
}

TEST(BlockSocketConnect, ConnectReportsAddressesAndStatusOrder) {
  ScriptedPeer peer({test::HoldStep(200)});
  std::vector<THookSocketReason> reasons;
  int afterConnect = 0;
  TTCPBlockSocket socket;
  socket.SetOnStatus([&](TBlockSocket*, THookSocketReason reason, const std::u16string&) {
    reasons.push_back(reason);
  });
  socket.SetOnAfterConnect([&](TBlockSocket*) { ++afterConnect; });
  ConnectTo(socket, peer);
  const std::vector<THookSocketReason> expected{HR_ResolvingBegin, HR_ResolvingEnd, HR_SocketCreate,
                                                HR_Connect};
  EXPECT_EQ(reasons, expected);
  EXPECT_EQ(afterConnect, 1);
  EXPECT_EQ(socket.GetRemoteSinIP(), u"127.0.0.1");
  EXPECT_EQ(socket.GetRemoteSinPort(), peer.Port());
  EXPECT_EQ(socket.GetLocalSinIP(), u"127.0.0.1");
  EXPECT_NE(socket.GetLocalSinPort(), 0);
  EXPECT_FALSE(socket.IP6used());
}

TEST(BlockSocketConnect, BindToTheAnyAddressOnAFreshSocketDoesNothing) {
  int statusCalls = 0;
  TTCPBlockSocket socket;
  socket.SetOnStatus([&](TBlockSocket*, THookSocketReason, const std::u16string&) { ++statusCalls; });
  socket.Bind(u"0.0.0.0", u"0");
  EXPECT_EQ(socket.LastError(), 0);
  EXPECT_EQ(socket.Socket(), INVALID_SOCKET);
  EXPECT_EQ(statusCalls, 0);

  // Any other address creates and binds the handle.
  socket.Bind(u"127.0.0.1", u"0");
  EXPECT_EQ(socket.LastError(), 0);
  EXPECT_NE(socket.Socket(), INVALID_SOCKET);
  EXPECT_NE(socket.GetLocalSinPort(), 0);
  EXPECT_GT(statusCalls, 0);
}

TEST(BlockSocketConnect, BoundedConnectSucceedsAndRestoresBlockingMode) {
  ScriptedPeer peer({PauseStep(150), SendStep("late line\r\n"), test::HoldStep(200)});
  TTCPBlockSocket socket;
  socket.SetConnectionTimeout(2000);
  ConnectTo(socket, peer);
  EXPECT_FALSE(socket.NonBlockMode());
  EXPECT_EQ(::fcntl(socket.Socket(), F_GETFL) & O_NONBLOCK, 0);
  EXPECT_EQ(socket.GetRemoteSinPort(), peer.Port());
  EXPECT_EQ(socket.RecvString(kWait), "late line");
}

TEST(BlockSocketConnect, ListenAcceptAndAdoptAHandle) {
  TTCPBlockSocket server;
  server.Bind(u"127.0.0.1", u"0");
  server.Listen();
  ASSERT_EQ(server.LastError(), 0);
  const int port = server.GetLocalSinPort();
  ASSERT_NE(port, 0);
  TTCPBlockSocket client;
  client.Connect(u"127.0.0.1", U16(std::to_string(port)));
  ASSERT_EQ(client.LastError(), 0);
  ASSERT_TRUE(server.CanRead(kWait));
  const TSocket accepted = server.Accept();
  ASSERT_EQ(server.LastError(), 0);
  EXPECT_EQ(server.GetRemoteSinPort(), client.GetLocalSinPort());
  TTCPBlockSocket peer;
  peer.SetSocket(accepted);
  EXPECT_EQ(peer.GetRemoteSinPort(), client.GetLocalSinPort());
  client.SendString("over the wire\r\n");
  EXPECT_EQ(peer.RecvString(kWait), "over the wire");
  peer.SendString("back\r\n");
  EXPECT_EQ(client.RecvString(kWait), "back");
}

class TPacedSocket : public TTCPBlockSocket {
 public:
  using TBlockSocket::WaitBandwidth;
};

// The pause a block earns under a bandwidth limit is its length over the
// rate; a block far too large for the rate waits as long as the tick
// comparison can tell (some 24 days), not a converted overflow.
TEST(BlockSocketBandwidth, PauseIsTheLengthOverTheRateAndCapped) {
  struct Case {
    int Length, Rate;
    std::uint32_t Pause;
  } cases[] = {
      {1000, 1000, 1000}, {500, 1000, 500},     {0, 1, 0},
      {-5, 1, 0},         {INT_MAX, 1, INT_MAX}, {1 << 30, 100, INT_MAX},
  };
  for (const Case& c : cases) {
    TPacedSocket socket;
    const std::uint32_t before = TickMilliseconds();
    std::uint32_t next = before;  // due now: no wait first
    socket.WaitBandwidth(c.Length, c.Rate, next);
    const std::uint32_t spent = TickMilliseconds() - before;
    EXPECT_GE(next - before, c.Pause) << c.Length << " at " << c.Rate;
    EXPECT_LE(next - before - c.Pause, spent) << c.Length << " at " << c.Rate;
  }
}

TEST(BlockSocketStop, StopFlagAbortsTheNextSendOrReceive) {
  struct Case {
    const char* name;
    std::function<void(TTCPBlockSocket&)> operation;
  };
  const Case cases[] = {
      {"RecvString", [](TTCPBlockSocket& s) { s.RecvString(kWait); }},
      {"RecvPacket", [](TTCPBlockSocket& s) { s.RecvPacket(kWait); }},
      {"RecvBufferStr", [](TTCPBlockSocket& s) { s.RecvBufferStr(5, kWait); }},
      {"SendString", [](TTCPBlockSocket& s) { s.SendString("data"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer peer({SendStep("data waiting\r\n"), test::HoldStep(300)});
    TTCPBlockSocket socket;
    ConnectTo(socket, peer);
    ASSERT_TRUE(socket.CanRead(kWait));
    socket.SetStopFlag(true);
    c.operation(socket);
    EXPECT_EQ(socket.LastError(), WSAECONNABORTED);
    EXPECT_EQ(socket.LastErrorDesc(), u"Software caused connection abort");
    EXPECT_FALSE(socket.StopFlag());
    // Only one operation is stopped.
    EXPECT_EQ(socket.RecvString(kWait), "data waiting");
  }
}

// A stop requested from another thread while a long wait runs ends it within
// half a second with the abort error, whichever way the wait is cut up.
TEST(BlockSocketStop, StopFlagEndsAWaitInProgress) {
  struct Case {
    const char* name;
    std::function<void(TTCPBlockSocket&)> setUp;
    std::function<void(TTCPBlockSocket&)> wait;
  };
  const auto none = [](TTCPBlockSocket&) {};
  const Case cases[] = {
      {"RecvPacket", none, [](TTCPBlockSocket& s) { s.RecvPacket(30000); }},
      {"RecvString without limit", none, [](TTCPBlockSocket& s) { s.RecvString(-1); }},
      // The low-speed limit looks at its meter only every 7.5 s.
      {"RecvString with the low-speed limit", [](TTCPBlockSocket& s) { s.SetLowSpeedLimit(1024, 60000); },
       [](TTCPBlockSocket& s) { s.RecvString(30000); }},
      {"RecvPacket with heartbeats", [](TTCPBlockSocket& s) { s.SetHeartbeatRate(1000); },
       [](TTCPBlockSocket& s) { s.RecvPacket(30000); }},
      {"CanRead", none, [](TTCPBlockSocket& s) { EXPECT_FALSE(s.CanRead(30000)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer peer({test::HoldStep(5000)});
    TTCPBlockSocket socket;
    ConnectTo(socket, peer);
    c.setUp(socket);
    std::int64_t stoppedAt = 0;
    std::thread stopper([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      stoppedAt = NowMs();
      socket.SetStopFlag(true);
    });
    c.wait(socket);
    const std::int64_t endedAt = NowMs();
    stopper.join();
    EXPECT_LT(endedAt - stoppedAt, 500);
    EXPECT_EQ(socket.LastError(), WSAECONNABORTED);
    EXPECT_FALSE(socket.StopFlag());
  }
}

TEST(BlockSocketStop, ZeroWaitLeavesTheStopToTheNextReceive) {
  ScriptedPeer peer({SendStep("line\r\n"), test::HoldStep(300)});
  TTCPBlockSocket socket;
  ConnectTo(socket, peer);
  socket.SetStopFlag(true);
  socket.CanRead(0);
  EXPECT_EQ(socket.LastError(), 0);
  EXPECT_TRUE(socket.StopFlag());
  socket.RecvString(kWait);
  EXPECT_EQ(socket.LastError(), WSAECONNABORTED);
}

// A listener whose accept queue is full ignores further connection
// attempts, so a connect to it waits.
TEST(BlockSocketStop, StopFlagEndsAConnectInProgress) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 0), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::u16string port = U16(std::to_string(ntohs(address.sin_port)));
  // Fill the queue; sockets whose connect still waits stay behind it.
  std::vector<std::unique_ptr<TTCPBlockSocket>> filling;
  for (int i = 0; i < 2; ++i) {
    filling.push_back(std::make_unique<TTCPBlockSocket>());
    filling.back()->SetConnectionTimeout(300);
    filling.back()->Connect(u"127.0.0.1", port);
  }
  for (const int connectionTimeout : {0, 20000}) {
    SCOPED_TRACE(connectionTimeout);
    TTCPBlockSocket socket;
    socket.SetConnectionTimeout(connectionTimeout);
    std::int64_t stoppedAt = 0;
    std::thread stopper([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      stoppedAt = NowMs();
      socket.SetStopFlag(true);
    });
    const std::int64_t startedAt = NowMs();
    socket.Connect(u"127.0.0.1", port);
    const std::int64_t endedAt = NowMs();
    stopper.join();
    EXPECT_GE(endedAt - startedAt, 250) << "the connect did not wait";
    EXPECT_LT(endedAt - stoppedAt, 500);
    EXPECT_EQ(socket.LastError(), WSAECONNABORTED);
  }
  ::close(listener);
}

TEST(BlockSocketSend, SendingToAClosedPeerFailsWithACodeNotASignal) {
  std::signal(SIGPIPE, SIG_DFL);  // a SIGPIPE would end the test program
  // The peer resets only once the connection is up: a reset racing the
  // connect would make the connect fail instead.
  ScriptedPeer peer({ReadUntilStep("!"), test::ResetStep()});
  TTCPBlockSocket socket;
  ConnectTo(socket, peer);
  socket.SendString("!");
  peer.Join();
  const std::string piece(65536, 's');
  for (int i = 0; i < 50 && socket.LastError() == 0; ++i) {
    socket.SendBuffer(piece.data(), static_cast<int>(piece.size()));
    usleep(5000);
  }
  EXPECT_EQ(socket.LastError(), WSAECONNRESET);
}

TEST(BlockSocketSend, SendFormsPutTheDocumentedBytesOnTheWire) {
  ScriptedPeer peer({ReadToEofStep()});
  std::string monitored;
  TTCPBlockSocket socket;
  socket.SetOnMonitor([&](TBlockSocket*, bool writing, const void* buffer, int len) {
    if (writing) monitored.append(static_cast<const char*>(buffer), static_cast<std::size_t>(len));
  });
  ConnectTo(socket, peer);
  TMemoryStream empty;
  socket.SendStream(empty);  // nothing at all, not even a length
  TMemoryStream xyz;
  xyz.Write(std::string_view("xyz"));
  xyz.SetPosition(0);
  socket.SendStream(xyz);
  xyz.SetPosition(1);
  socket.SendStreamIndy(xyz);
  socket.SendInteger(0x01020304);
  socket.SendBlock("ab");
  socket.SendByte('!');
  EXPECT_EQ(socket.LastError(), 0);
  EXPECT_EQ(socket.SendCounter(), 7 + 6 + 4 + 6 + 1);
  socket.CloseSocket();
  const std::string expected = std::string("\x03\0\0\0xyz", 7) + std::string("\0\0\0\x02yz", 6) +
                               std::string("\x04\x03\x02\x01", 4) + std::string("\x02\0\0\0ab", 6) +
                               "!";
  EXPECT_EQ(peer.Join(), expected);
  EXPECT_EQ(monitored, expected);
}

TEST(BlockSocketOptions, QueuedOptionsApplyOldestFirstAndCloseDiscardsThem) {
  const auto rcvbufAfterSetting = [](int value) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &value, sizeof value);
    int result = 0;
    socklen_t length = sizeof result;
    ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &result, &length);
    ::close(fd);
    return result;
  };
  ASSERT_NE(rcvbufAfterSetting(8192), rcvbufAfterSetting(16384));
  {
    ScriptedPeer peer({test::HoldStep(200)});
    TTCPBlockSocket socket;
    socket.SetSizeRecvBuffer(8192);
    socket.SetSizeRecvBuffer(16384);
    ConnectTo(socket, peer);
    EXPECT_EQ(socket.SizeRecvBuffer(), rcvbufAfterSetting(16384));
  }
  {
    ScriptedPeer peer({test::HoldStep(200)});
    TTCPBlockSocket socket;
    socket.SetSizeRecvBuffer(8192);
    socket.CloseSocket();
    ConnectTo(socket, peer);
    EXPECT_NE(socket.SizeRecvBuffer(), rcvbufAfterSetting(8192));
    // With a handle the option applies at once.
    socket.SetSizeRecvBuffer(8192);
    EXPECT_EQ(socket.SizeRecvBuffer(), rcvbufAfterSetting(8192));
  }
  TTCPBlockSocket closed;
  EXPECT_EQ(closed.SizeRecvBuffer(), 1024);  // no handle to ask
}

TEST(BlockSocketClose, CloseShutsTheSendSideSoThePeerSeesTheEnd) {
  ScriptedPeer peer({SendStep("unread"), ReadToEofStep()});
  std::vector<THookSocketReason> reasons;
  TTCPBlockSocket socket;
  ConnectTo(socket, peer);
  socket.SendString("hello");
  ASSERT_TRUE(socket.CanRead(kWait));
  socket.SetOnStatus([&](TBlockSocket*, THookSocketReason reason, const std::u16string&) {
    reasons.push_back(reason);
  });
  socket.CloseSocket();
  EXPECT_EQ(socket.Socket(), INVALID_SOCKET);
  EXPECT_EQ(socket.LastError(), 0);
  EXPECT_EQ(socket.LineBuffer(), "");  // what was waiting has been read and dropped
  ASSERT_FALSE(reasons.empty());
  EXPECT_EQ(reasons.back(), HR_SocketClose);
  EXPECT_EQ(peer.Join(), "hello");
}

TEST(BlockSocketWait, CanReadSeesDataAndThePeersClose) {
  ScriptedPeer peer({SendStep("Q"), PauseStep(50)});
  TTCPBlockSocket socket;
  ConnectTo(socket, peer);
  EXPECT_TRUE(socket.CanRead(kWait));
  EXPECT_EQ(socket.PeekByte(kWait), 'Q');  // looks without taking
  EXPECT_EQ(socket.RecvByte(kWait), 'Q');
  EXPECT_TRUE(socket.CanRead(kWait));  // readable: the peer closed
  EXPECT_EQ(socket.RecvPacket(kWait), "");
  EXPECT_EQ(socket.LastError(), WSAECONNRESET);
}

TEST(BlockSocketWait, HandlesAboveTheSelectLimitWork) {
  ScriptedPeer peer({PauseStep(100), SendStep("high\r\n"), test::HoldStep(300)});
  TTCPBlockSocket socket;
  ConnectTo(socket, peer);
  const int high = FD_SETSIZE + 500;
  ASSERT_EQ(::dup2(socket.Socket(), high), high) << "descriptor limit too low";
  ::close(socket.Socket());
  socket.SetSocket(high);
  EXPECT_EQ(socket.GetRemoteSinPort(), peer.Port());
  EXPECT_TRUE(socket.CanRead(kWait));
  EXPECT_EQ(socket.RecvString(kWait), "high");
}

TEST(BlockSocketHooks, ReadFilterRewritesAndHeartbeatRunsWhileWaiting) {
  ScriptedPeer peer({PauseStep(250), SendStep("abcdef\r\n"), test::HoldStep(200)});
  int heartbeats = 0;
  TTCPBlockSocket socket;
  socket.SetHeartbeatRate(50);
  socket.SetOnHeartbeat([&](TBlockSocket*) { ++heartbeats; });
  socket.SetOnReadFilter([](TBlockSocket*, std::string& value) {
    for (char& ch : value) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  });
  ConnectTo(socket, peer);
  EXPECT_EQ(socket.RecvString(kWait), "ABCDEF");
  EXPECT_GE(heartbeats, 2);
}

}  // namespace
}  // namespace tav
