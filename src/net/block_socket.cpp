#include "net/block_socket.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

#include "util/code_page.h"
#include "util/ip_text.h"
#include "util/text_helpers.h"
#include "util/tick.h"

namespace tav {

namespace {

constexpr int kMaxWaitingData = 65536;

void SleepMs(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string PackIntLE(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

std::string PackIntBE(std::int32_t value) {
  std::string s = PackIntLE(value);
  std::reverse(s.begin(), s.end());
  return s;
}

std::int32_t UnpackIntLE(const std::string& s) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(v);
}

std::int32_t UnpackIntBE(const std::string& s) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(v);
}

}  // namespace

// --- construction -------------------------------------------------------------------

TBlockSocket::TBlockSocket() {
  FDZero(FFDSet);
  InitBlockSocketDefaults();
}

TBlockSocket::TBlockSocket(const std::u16string& /*Stub*/) : TBlockSocket() {}

TBlockSocket::~TBlockSocket() {
  // A derived class has closed through its own CloseSocket already.
  if (FSocket != INVALID_SOCKET) {
    try {
      AbortSocket();
    } catch (...) {
    }
  }
  FDelayedOptions.clear();
}

void TBlockSocket::InitBlockSocketDefaults() {
  FBuffer.clear();
  FRaiseExcept = false;
  FNonBlockMode = false;
  FMaxLineLength = 0;
  FMaxSendBandwidth = 0;
  FNextSend = 0;
  FMaxRecvBandwidth = 0;
  FNextRecv = 0;
  FConvertLineEnd = false;
  FLastCR = false;
  FLastLF = false;
  FBinded = false;
  FFamily = SF_Any;
  FFamilySave = SF_Any;
  FIP6used = false;
  FPreferIP4 = true;
  FDelayedOptions.clear();
  FInterPacketTimeout = true;
  FRecvCounter = 0;
  FSendCounter = 0;
  FSendMaxChunk = 65536;
  FStopFlag.store(false);
  FLowSpeed.Stop();
  FNonblockSendTimeout = 15000;
  FHeartbeatRate = 0;
  FConnectionTimeout = 0;
  FSocket = INVALID_SOCKET;
  FOwner = nullptr;
}

// --- hooks and helpers ------------------------------------------------------------

void TBlockSocket::DoStatus(THookSocketReason Reason, const std::u16string& Value) {
  if (FOnStatus) FOnStatus(this, Reason, Value);
}

void TBlockSocket::DoReadFilter(void* Buffer, int& Length) {
  if (!FOnReadFilter || Length <= 0) return;
  std::string s(static_cast<const char*>(Buffer), static_cast<std::size_t>(Length));
  FOnReadFilter(this, s);
  if (s.size() > static_cast<std::size_t>(Length)) s.resize(static_cast<std::size_t>(Length));
  Length = static_cast<int>(s.size());
  if (Length > 0) std::memcpy(Buffer, s.data(), s.size());
}

void TBlockSocket::DoMonitor(bool Writing, const void* Buffer, int Len) {
  if (FOnMonitor) FOnMonitor(this, Writing, Buffer, Len);
}

void TBlockSocket::DoCreateSocket() {
  if (FOnCreateSocket) FOnCreateSocket(this);
}

void TBlockSocket::DoHeartbeat() {
  if (FHeartbeatRate != 0 && FOnHeartbeat) FOnHeartbeat(this);
}

bool TBlockSocket::CheckStop() {
  DoHeartbeat();
  if (FStopFlag.exchange(false)) {
    FLastError = WSAECONNABORTED;
    ExceptCheck();
    return true;
  }
  return false;
}

void TBlockSocket::WaitBandwidth(int Length, int MaxB, std::uint32_t& Next) {
  if (FStopFlag.load() || MaxB <= 0) return;
  const std::uint32_t now = TickMilliseconds();
  // Next is later than now (wrap-safe comparison).
  if (static_cast<std::int32_t>(Next - now) > 0) {
    const std::uint32_t x = Next - now;
    DoStatus(HR_Wait, IntToText(x));
    SleepMs(x % 250);
    for (std::uint32_t i = 0; i < x / 250; ++i) {
      if (FStopFlag.load()) break;
      SleepMs(250);
    }
  }
  // The pause this block earns, in milliseconds: up to 2^31 * 1000 for a
  // large block at one byte a second, so it is capped where the wrap-safe
  // comparison above still reads it as later (some 24 days).
  const double pause = std::min(static_cast<double>(std::max(Length, 0)) / MaxB * 1000.0, 2147483647.0);
  Next = TickMilliseconds() + static_cast<std::uint32_t>(pause);
}

int TBlockSocket::FamilyToAF(TSocketFamily Value) const {
  switch (Value) {
    case SF_IP4: return AF_INET;
    case SF_IP6: return AF_INET6;
    default: return AF_UNSPEC;
  }
}

void TBlockSocket::SetLastError(int Code) {
  FLastError = Code;
  FLastErrorDesc = GetErrorDescEx();
}

// --- errors -----------------------------------------------------------------------

void TBlockSocket::ResetLastError() {
  FLastError = 0;
  FLastErrorDesc.clear();
}

int TBlockSocket::SockCheck(int SockResult) {
  const int platformError = errno;
  ResetLastError();
  if (SockResult == SOCKET_ERROR) {
    FLastError = SocketErrorFromErrno(platformError);
    if (FLastError == 0) FLastError = WSAEINVAL;  // failed without a reason
    FLastErrorDesc = GetErrorDescEx();
  }
  return FLastError;
}

void TBlockSocket::ExceptCheck() {
  FLastErrorDesc = GetErrorDescEx();
  if (FLastError != 0 && FLastError != WSAEWOULDBLOCK && FLastError != WSAEINPROGRESS) {
    DoStatus(HR_Error, IntToText(FLastError) + u"," + FLastErrorDesc);
    if (FRaiseExcept) {
      const std::string message = "Varnhol TCP/IP Socket error " + std::to_string(FLastError) +
                                  ": " + TextToUtf8(FLastErrorDesc);
      throw ESocketError(message, FLastError, FLastErrorDesc);
    }
  }
}

std::u16string TBlockSocket::GetErrorDescEx() { return GetErrorDesc(FLastError); }

int TBlockSocket::GetSocketType() { return 0; }
int TBlockSocket::GetSocketProtocol() { return 0; }

// --- handle -------------------------------------------------------------------------

void TBlockSocket::SetFamily(TSocketFamily Value) {
  FFamily = Value;
  FFamilySave = Value;
}

void TBlockSocket::SetSocket(TSocket Value) {
  FRecvCounter = 0;
  FSendCounter = 0;
  FSocket = Value;
  FDZero(FFDSet);
  FDSetAdd(FSocket, FFDSet);
  GetSins();
  FIP6used = FRemoteSin.AddressFamily() == AF_INET6;
}

void TBlockSocket::ResolveSin(TVarSin& Sin, const std::u16string& IP, const std::u16string& Port) {
  DoStatus(HR_ResolvingBegin, IP + u":" + Port);
  ResetLastError();
  TSocketFamily family = FFamily;
  if (FSocket == INVALID_SOCKET && FFamily == SF_Any) {
    if (IsIPv4Text(IP)) {
      family = SF_IP4;
    } else if (IsIPv6Text(IP)) {
      family = SF_IP6;
    } else {
      family = SF_Any;
    }
  }
  FLastError = FillVarSin(Sin, TextToAnsi(IP), TextToAnsi(Port), FamilyToAF(family),
                          GetSocketProtocol(), GetSocketType(), FPreferIP4);
  DoStatus(HR_ResolvingEnd, AnsiToText(VarSinToIP(Sin)) + u":" + IntToText(VarSinToPort(Sin)));
}

void TBlockSocket::OpenSocketFor(const TVarSin& Sin) {
  FStopFlag.store(false);
  FRecvCounter = 0;
  FSendCounter = 0;
  ResetLastError();
  if (FSocket != INVALID_SOCKET) return;
  FBuffer.clear();
  FBinded = false;
  FIP6used = Sin.AddressFamily() == AF_INET6;
  FSocket = ::socket(Sin.AddressFamily(), GetSocketType() | SOCK_CLOEXEC, GetSocketProtocol());
  if (FSocket == INVALID_SOCKET) SockCheck(SOCKET_ERROR);
  FDZero(FFDSet);
  FDSetAdd(FSocket, FFDSet);
  ExceptCheck();
  DoStatus(HR_SocketCreate, FIP6used ? u"IPv6" : u"IPv4");
  ProcessDelayedOptions();
  DoCreateSocket();
}

void TBlockSocket::CreateSocket() {
  ResetLastError();
  if (FFamily != SF_Any && FSocket == INVALID_SOCKET) {
    TVarSin sin;
    sin.sin.sin_family = static_cast<sa_family_t>(FFamily == SF_IP6 ? AF_INET6 : AF_INET);
    OpenSocketFor(sin);
  }
}

void TBlockSocket::CreateSocketByName(const std::u16string& Value) {
  ResetLastError();
  if (FSocket == INVALID_SOCKET) {
    TVarSin sin;
    ResolveSin(sin, Value, u"0");
    if (FLastError == 0) OpenSocketFor(sin);
  }
}

void TBlockSocket::AbortSocket() {
  if (FSocket != INVALID_SOCKET) ::close(FSocket);
  FSocket = INVALID_SOCKET;
  FDelayedOptions.clear();
  FFamily = FFamilySave;
  DoStatus(HR_SocketClose, u"");
}

void TBlockSocket::CloseSocket() { AbortSocket(); }

void TBlockSocket::Bind(const std::u16string& IP, const std::u16string& Port) {
  ResetLastError();
  // Binding a fresh socket to the any address and any port changes nothing:
  // the handle is created by Connect with the peer's family.
  if (FSocket == INVALID_SOCKET && FFamily == SF_Any && IP == u"0.0.0.0" && Port == u"0") return;
  TVarSin sin;
  ResolveSin(sin, IP, Port);
  if (FLastError == 0) {
    if (FSocket == INVALID_SOCKET) OpenSocketFor(sin);
    SockCheck(BindSin(FSocket, sin));
    GetSinLocal();
    FBuffer.clear();
    FBinded = true;
  }
  ExceptCheck();
  DoStatus(HR_Bind, IP + u":" + Port);
}

void TBlockSocket::Connect(const std::u16string& IP, const std::u16string& Port) {
  TVarSin sin;
  ResolveSin(sin, IP, Port);
  if (FLastError == 0) {
    if (FSocket == INVALID_SOCKET) OpenSocketFor(sin);
    // The connect runs on the non-blocking handle, so that its wait looks at
    // the stop flag; without a ConnectionTimeout it waits as long as the
    // system lets a connect attempt last, like a blocking connect.
    const bool bounded = FConnectionTimeout > 0;
    const bool saved = FNonBlockMode;
    SetNonBlockMode(true);
    SockCheck(ConnectSin(FSocket, sin));
    if (FLastError == WSAEINPROGRESS || FLastError == WSAEWOULDBLOCK) {
      const bool writable = bounded ? CanWrite(FConnectionTimeout) : WaitFor(POLLOUT, -1);
      if (!writable) {
        WaitTimedOut();
      } else {
        // A failed connect also turns the handle writable; its outcome is
        // in SO_ERROR.
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(FSocket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        if (error != 0) SetLastError(SocketErrorFromErrno(error));
      }
    }
    SetNonBlockMode(saved);
    if (FLastError == 0) GetSins();
    FBuffer.clear();
    FLastCR = false;
    FLastLF = false;
  }
  ExceptCheck();
  DoStatus(HR_Connect, IP + u":" + Port);
}

void TBlockSocket::Listen() {
  SockCheck(::listen(FSocket, SOMAXCONN));
  GetSins();
  ExceptCheck();
  DoStatus(HR_Listen, u"");
}

TSocket TBlockSocket::Accept() {
  const TSocket result = AcceptSin(FSocket, FRemoteSin);
  SockCheck(result);
  ExceptCheck();
  DoStatus(HR_Accept, u"");
  return result;
}

// --- options ------------------------------------------------------------------------

void TBlockSocket::DelayedOption(const TSockOption& Value) {
  if (FSocket == INVALID_SOCKET) {
    FDelayedOptions.push_back(Value);
  } else {
    SetOption(Value);
  }
}

void TBlockSocket::ProcessDelayedOptions() {
  std::vector<TSockOption> queue;
  queue.swap(FDelayedOptions);
  for (const TSockOption& option : queue) SetOption(option);
}

void TBlockSocket::SetOption(const TSockOption& Value) {
  // The platform's results are ignored on purpose: an option the handle
  // does not take leaves the socket usable.
  const auto setInt = [this](int level, int name, int v) {
    (void)::setsockopt(FSocket, level, name, &v, sizeof v);
  };
  // An IP-level option: the IPv6 one on an IPv6 handle, else the IPv4 one.
  const auto setIpInt = [this, &setInt](int v4Name, int v6Name, int v) {
    if (FIP6used) {
      setInt(IPPROTO_IPV6, v6Name, v);
    } else {
      setInt(IPPROTO_IP, v4Name, v);
    }
  };
  const auto setTime = [this](int name, int ms) {
    timeval tv{};
    if (ms > 0) {
      tv.tv_sec = ms / 1000;
      tv.tv_usec = (ms % 1000) * 1000;
    }
    (void)::setsockopt(FSocket, SOL_SOCKET, name, &tv, sizeof tv);
  };
  switch (Value.Option) {
    case SOT_Linger: {
      linger li{};
      li.l_onoff = static_cast<std::uint16_t>(Value.Enabled ? 1 : 0);
      li.l_linger = static_cast<std::uint16_t>(Value.Value / 1000);
      (void)::setsockopt(FSocket, SOL_SOCKET, SO_LINGER, &li, sizeof li);
      break;
    }
    case SOT_RecvBuff: setInt(SOL_SOCKET, SO_RCVBUF, Value.Value); break;
    case SOT_SendBuff: setInt(SOL_SOCKET, SO_SNDBUF, Value.Value); break;
    case SOT_NonBlock: {
      FNonBlockMode = Value.Enabled;
      int on = Value.Enabled ? 1 : 0;
      (void)::ioctl(FSocket, FIONBIO, &on);
      break;
    }
    case SOT_RecvTimeout: setTime(SO_RCVTIMEO, Value.Value); break;
    case SOT_SendTimeout: setTime(SO_SNDTIMEO, Value.Value); break;
    case SOT_Reuse: setInt(SOL_SOCKET, SO_REUSEADDR, Value.Enabled ? 1 : 0); break;
    case SOT_TTL: setIpInt(IP_TTL, IPV6_UNICAST_HOPS, Value.Value); break;
    case SOT_Broadcast: setInt(SOL_SOCKET, SO_BROADCAST, Value.Enabled ? 1 : 0); break;
    case SOT_MulticastTTL: setIpInt(IP_MULTICAST_TTL, IPV6_MULTICAST_HOPS, Value.Value); break;
    case SOT_MulticastLoop:
      setIpInt(IP_MULTICAST_LOOP, IPV6_MULTICAST_LOOP, Value.Enabled ? 1 : 0);
      break;
  }
}

void TBlockSocket::SetLinger(bool Enable, int Linger) {
  DelayedOption(TSockOption{SOT_Linger, Enable, Linger});
}

void TBlockSocket::EnableReuse(bool Value) { DelayedOption(TSockOption{SOT_Reuse, Value, 0}); }

void TBlockSocket::SetTimeout(int Timeout) {
  SetSendTimeout(Timeout);
  SetRecvTimeout(Timeout);
}

void TBlockSocket::SetSendTimeout(int Timeout) {
  DelayedOption(TSockOption{SOT_SendTimeout, false, Timeout});
}

void TBlockSocket::SetRecvTimeout(int Timeout) {
  DelayedOption(TSockOption{SOT_RecvTimeout, false, Timeout});
}

void TBlockSocket::SetNonBlockMode(bool Value) {
  DelayedOption(TSockOption{SOT_NonBlock, Value, 0});
}

void TBlockSocket::SetMaxBandwidth(int Value) {
  FMaxSendBandwidth = Value;
  FMaxRecvBandwidth = Value;
}

namespace {

int QueryIntOption(TSocket Handle, int Level, int Name, int Fallback) {
  int value = 0;
  socklen_t length = sizeof value;
  if (::getsockopt(Handle, Level, Name, &value, &length) != 0) return Fallback;
  return value;
}

}  // namespace

int TBlockSocket::SizeRecvBuffer() { return QueryIntOption(FSocket, SOL_SOCKET, SO_RCVBUF, 1024); }

void TBlockSocket::SetSizeRecvBuffer(int Size) {
  DelayedOption(TSockOption{SOT_RecvBuff, false, Size});
}

int TBlockSocket::SizeSendBuffer() { return QueryIntOption(FSocket, SOL_SOCKET, SO_SNDBUF, 1024); }

void TBlockSocket::SetSizeSendBuffer(int Size) {
  DelayedOption(TSockOption{SOT_SendBuff, false, Size});
}

int TBlockSocket::TTL() {
  if (FIP6used) return QueryIntOption(FSocket, IPPROTO_IPV6, IPV6_UNICAST_HOPS, 0);
  return QueryIntOption(FSocket, IPPROTO_IP, IP_TTL, 0);
}

void TBlockSocket::SetTTL(int TTL) { DelayedOption(TSockOption{SOT_TTL, false, TTL}); }

// --- send -------------------------------------------------------------------------

int TBlockSocket::SendBuffer(const void* Buffer, int Length) {
  if (CheckStop()) return 0;
  return SendInPieces(Buffer, Length, [this](const char* bytes, int length) {
    // MSG_NOSIGNAL: a peer that has gone gives an error code, not SIGPIPE.
    int r = static_cast<int>(::send(FSocket, bytes, static_cast<std::size_t>(length), MSG_NOSIGNAL));
    SockCheck(r);
    if (FLastError == WSAEWOULDBLOCK) {
      if (CanWrite(FNonblockSendTimeout)) {
        r = static_cast<int>(::send(FSocket, bytes, static_cast<std::size_t>(length), MSG_NOSIGNAL));
        SockCheck(r);
      } else {
        WaitTimedOut();
      }
    }
    return r;
  });
}

int TBlockSocket::SendInPieces(const void* Buffer, int Length, const TSendPiece& SendPiece) {
  DoMonitor(true, Buffer, Length);
  const char* bytes = static_cast<const char*>(Buffer);
  int sent = 0;
  while (sent < Length) {
    const int y = std::min(Length - sent, FSendMaxChunk);
    if (y <= 0) break;
    WaitBandwidth(y, FMaxSendBandwidth, FNextSend);
    const int r = SendPiece(bytes + sent, y);
    if (FLastError != 0) break;
    if (r <= 0) break;  // nothing accepted and no error: do not spin
    sent += r;
    FSendCounter += r;
    DoStatus(HR_WriteCount, IntToText(r));
  }
  ExceptCheck();
  return sent;
}

void TBlockSocket::SendByte(std::uint8_t Data) { SendBuffer(&Data, 1); }

void TBlockSocket::SendString(const std::string& Data) {
  SendBuffer(Data.data(), static_cast<int>(Data.size()));
}

void TBlockSocket::SendInteger(std::int32_t Data) { SendString(PackIntLE(Data)); }

void TBlockSocket::SendBlock(const std::string& Data) {
  SendString(PackIntLE(static_cast<std::int32_t>(Data.size())) + Data);
}

void TBlockSocket::SendStreamCore(TMemoryStream& Stream, bool WithSize, bool Indy) {
  const auto total = static_cast<std::int32_t>(Stream.Size() - Stream.Position());
  const int chunk = FSendMaxChunk > 0 ? FSendMaxChunk : 65536;
  bool first = true;
  do {
    std::string piece = ReadBytesFromStream(Stream, chunk);
    if (piece.empty()) break;
    if (first && WithSize) piece = (Indy ? PackIntBE(total) : PackIntLE(total)) + piece;
    first = false;
    SendString(piece);
  } while (FLastError == 0);
}

void TBlockSocket::SendStreamRaw(TMemoryStream& Stream) { SendStreamCore(Stream, false, false); }
void TBlockSocket::SendStream(TMemoryStream& Stream) { SendStreamCore(Stream, true, false); }
void TBlockSocket::SendStreamIndy(TMemoryStream& Stream) { SendStreamCore(Stream, true, true); }

int TBlockSocket::SendBufferTo(const void* Buffer, int Length) {
  if (CheckStop()) return 0;
  DoMonitor(true, Buffer, Length);
  WaitBandwidth(Length, FMaxSendBandwidth, FNextSend);
  const int r = SendToSin(FSocket, Buffer, Length, 0, FRemoteSin);
  SockCheck(r);
  ExceptCheck();
  if (r > 0) {
    FSendCounter += r;
    DoStatus(HR_WriteCount, IntToText(r));
  }
  return r;
}

// --- receive ----------------------------------------------------------------------

int TBlockSocket::RecvBuffer(void* Buffer, int Length) {
  if (CheckStop()) return 0;
  WaitBandwidth(Length, FMaxRecvBandwidth, FNextRecv);
  int r = static_cast<int>(::recv(FSocket, Buffer, static_cast<std::size_t>(std::max(Length, 0)), 0));
  if (r == 0) {
    FLastError = WSAECONNRESET;  // the peer closed
  } else {
    SockCheck(r);
  }
  ExceptCheck();
  if (r > 0) {
    CountReceived(r);
    DoStatus(HR_ReadCount, IntToText(r));
    DoMonitor(false, Buffer, r);
    DoReadFilter(Buffer, r);
  }
  return r;
}

void TBlockSocket::CountReceived(int Count) {
  FRecvCounter += Count;
  if (FLowSpeed.Active()) FLowSpeed.Arrived(Count, TickMilliseconds());
}

void TBlockSocket::SetLowSpeedLimit(std::int64_t MinBytes, int PeriodMs) {
  FLowSpeed.Start(MinBytes, PeriodMs, TickMilliseconds());
}

int TBlockSocket::WaitPacket(int Timeout) {
  // Data already waiting is taken at once; otherwise the wait blocks in the
  // readiness poll, so a long download never spins.
  int x = WaitingData();
  if (x == 0) {
    if (!CanRead(Timeout)) {
      WaitTimedOut();
      return 0;
    }
    x = WaitingData();
    if (x == 0) FLastError = WSAECONNRESET;  // readable with nothing to read: closed
  }
  return x;
}

std::size_t TBlockSocket::LineEndRest(const char* Data, std::size_t Size) {
  if (!FConvertLineEnd || Size == 0) return 0;
  std::size_t skip = 0;
  if (FLastCR && Data[0] == '\n') skip = 1;
  if (FLastLF && skip < Size && Data[skip] == '\r') ++skip;
  FLastCR = false;
  FLastLF = false;
  return skip;
}

std::string TBlockSocket::RecvPacket(int Timeout) {
  std::string result;
  ResetLastError();
  if (!FBuffer.empty()) {
    result.swap(FBuffer);
  } else if (const int x = WaitPacket(Timeout); x > 0) {
    result.resize(static_cast<std::size_t>(x));
    const int got = RecvBuffer(result.data(), x);
    result.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  }
  result.erase(0, LineEndRest(result.data(), result.size()));
  ExceptCheck();
  return result;
}

std::int64_t TBlockSocket::AppendPacket(TMemoryStream& Stream, int Timeout, std::int64_t Limit) {
  ResetLastError();
  std::string packet;
  std::int64_t count = 0;
  if (!FBuffer.empty()) {
    packet.swap(FBuffer);
  } else if (const int x = WaitPacket(Timeout); x > 0 && x <= Limit) {
    // The common case: straight into the stream, no copy.
    char* at = Stream.BeginAppend(x);
    const auto got = static_cast<std::size_t>(std::max(RecvBuffer(at, x), 0));
    const std::size_t skip = LineEndRest(at, got);
    if (skip > 0) std::memmove(at, at + skip, got - skip);
    count = static_cast<std::int64_t>(got - skip);
    Stream.EndAppend(count);
  } else if (x > 0) {
    packet.resize(static_cast<std::size_t>(x));
    const int got = RecvBuffer(packet.data(), x);
    packet.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  }
  if (!packet.empty()) {
    const std::size_t skip = LineEndRest(packet.data(), packet.size());
    const auto room = static_cast<std::size_t>(std::max<std::int64_t>(Limit, 0));
    const std::size_t used = std::min(packet.size() - skip, room);
    Stream.Write(packet.data() + skip, static_cast<std::int64_t>(used));
    FBuffer = packet.substr(skip + used);
    count = static_cast<std::int64_t>(used);
  }
  ExceptCheck();
  return count;
}

std::int64_t TBlockSocket::RecvPacketToStream(TMemoryStream& Stream, int Timeout) {
  if (Stream.Position() == Stream.Size())
    return AppendPacket(Stream, Timeout, std::numeric_limits<std::int64_t>::max());
  const std::string s = RecvPacket(Timeout);
  WriteBytesToStream(Stream, s);
  return static_cast<std::int64_t>(s.size());
}

int TBlockSocket::RecvBufferEx(void* Buffer, int Len, int Timeout) {
  ResetLastError();
  if (Len <= 0) return 0;
  char* out = static_cast<char*>(Buffer);
  int got = 0;
  std::string s;
  std::size_t used = 0;
  for (;;) {
    const std::uint32_t t0 = TickMilliseconds();
    s = RecvPacket(Timeout);
    used = std::min(s.size(), static_cast<std::size_t>(Len - got));
    if (used > 0) std::memcpy(out + got, s.data(), used);
    got += static_cast<int>(used);
    if (FLastError != 0 || got >= Len) break;
    // An unlimited wait (-1) has no overall limit to count down.
    if (!FInterPacketTimeout && Timeout != -1) {
      Timeout -= static_cast<int>(TickSpan(t0, TickMilliseconds()));
      if (Timeout <= 0) {
        FLastError = WSAETIMEDOUT;
        break;
      }
    }
  }
  FBuffer = s.substr(used);
  ExceptCheck();
  return got;
}

std::string TBlockSocket::RecvBufferStr(int Len, int Timeout) {
  if (Len < 1) return {};
  std::string s(static_cast<std::size_t>(Len), '\0');
  const int x = RecvBufferEx(s.data(), Len, Timeout);
  if (FLastError != 0) {
    s.clear();
  } else {
    s.resize(static_cast<std::size_t>(std::max(x, 0)));
  }
  return s;
}

std::uint8_t TBlockSocket::RecvByte(int Timeout) {
  ResetLastError();
  std::uint8_t result = 0;
  if (FBuffer.empty()) FBuffer = RecvPacket(Timeout);
  if (FLastError == 0 && !FBuffer.empty()) {
    result = static_cast<std::uint8_t>(FBuffer.front());
    FBuffer.erase(0, 1);
  }
  ExceptCheck();
  return result;
}

std::int32_t TBlockSocket::RecvInteger(int Timeout) {
  const std::string s = RecvBufferStr(4, Timeout);
  if (FLastError != 0 || s.size() != 4) return 0;
  return UnpackIntLE(s);
}

std::string TBlockSocket::RecvTerminated(int Timeout, const std::string& Terminator) {
  ResetLastError();
  if (Terminator.empty()) return {};
  const bool crlf = FConvertLineEnd && Terminator == "\r\n";
  std::string s;
  int x = 0;
  std::size_t tl = 0;
  for (;;) {
    const std::uint32_t t0 = TickMilliseconds();
    s += RecvPacket(Timeout);
    if (FLastError != 0) break;
    x = 0;
    if (!s.empty()) {
      if (crlf) {
        const LineBreak lb = FindLineBreak(s);
        x = lb.position;
        tl = lb.terminator.size();
        if (lb.terminator == "\r") FLastCR = true;
        if (lb.terminator == "\n") FLastLF = true;
      } else {
        const std::size_t p = s.find(Terminator);
        x = p == std::string::npos ? 0 : static_cast<int>(p) + 1;
        tl = Terminator.size();
      }
    }
    // Counts every byte gathered, also those after a terminator.
    if (FMaxLineLength != 0 && s.size() > static_cast<std::size_t>(FMaxLineLength)) {
      FLastError = WSAENOBUFS;
      break;
    }
    if (x > 0) break;
    if (!FInterPacketTimeout && Timeout != -1) {
      Timeout -= static_cast<int>(TickSpan(t0, TickMilliseconds()));
      if (Timeout <= 0) {
        FLastError = WSAETIMEDOUT;
        break;
      }
    }
  }
  std::string result;
  if (x > 0) {
    const auto at = static_cast<std::size_t>(x - 1);
    result = s.substr(0, at);
    s.erase(0, std::min(s.size(), at + tl));
  }
  FBuffer = s;
  ExceptCheck();
  return result;
}

std::string TBlockSocket::RecvString(int Timeout) {
  std::string s = RecvTerminated(Timeout, "\r\n");
  if (FLastError != 0) s.clear();
  return s;
}

std::string TBlockSocket::RecvBlock(int Timeout) {
  const std::int32_t x = RecvInteger(Timeout);
  if (FLastError != 0) return {};
  return RecvBufferStr(x, Timeout);
}

void TBlockSocket::RecvStreamRaw(TMemoryStream& Stream, int Timeout) {
  do {
    RecvPacketToStream(Stream, Timeout);
  } while (FLastError == 0);
}

void TBlockSocket::RecvStreamSize(TMemoryStream& Stream, int Timeout, std::int64_t Size) {
  const int chunk = FSendMaxChunk > 0 ? FSendMaxChunk : 65536;
  if (Size <= 0) return;
  if (Stream.Position() == Stream.Size() && FInterPacketTimeout) {
    // Packets go straight into the stream. The stream keeps whole pieces of
    // `chunk` bytes only: the piece during which an error comes is dropped,
    // as when each piece is read on its own.
    const std::int64_t start = Stream.Size();
    std::int64_t got = 0;
    while (got < Size) {
      got += AppendPacket(Stream, Timeout, Size - got);
      if (FLastError != 0) {
        Stream.SetSize(start + got / chunk * chunk);
        return;
      }
    }
    return;
  }
  // Elsewhere in the stream, or with a time-out for each piece as a whole:
  // piece by piece.
  const std::int64_t pieces = Size / chunk;
  for (std::int64_t i = 0; i < pieces; ++i) {
    const std::string s = RecvBufferStr(chunk, Timeout);
    if (FLastError != 0) return;
    WriteBytesToStream(Stream, s);
  }
  const int rest = static_cast<int>(Size % chunk);
  if (rest > 0) {
    const std::string s = RecvBufferStr(rest, Timeout);
    if (FLastError != 0) return;
    WriteBytesToStream(Stream, s);
  }
}

void TBlockSocket::RecvStream(TMemoryStream& Stream, int Timeout) {
  const std::int32_t size = RecvInteger(Timeout);
  if (FLastError == 0) RecvStreamSize(Stream, Timeout, size);
}

void TBlockSocket::RecvStreamIndy(TMemoryStream& Stream, int Timeout) {
  const std::string s = RecvBufferStr(4, Timeout);
  if (FLastError != 0 || s.size() != 4) return;
  RecvStreamSize(Stream, Timeout, UnpackIntBE(s));
}

int TBlockSocket::PeekBuffer(void* Buffer, int Length) {
  const int r = static_cast<int>(
      ::recv(FSocket, Buffer, static_cast<std::size_t>(std::max(Length, 0)), MSG_PEEK));
  SockCheck(r);
  ExceptCheck();
  return r;
}

std::uint8_t TBlockSocket::PeekByte(int Timeout) {
  std::uint8_t result = 0;
  if (CanRead(Timeout)) {
    PeekBuffer(&result, 1);
  } else {
    WaitTimedOut();
  }
  ExceptCheck();
  return result;
}

int TBlockSocket::RecvBufferFrom(void* Buffer, int Length) {
  if (CheckStop()) return 0;
  WaitBandwidth(Length, FMaxRecvBandwidth, FNextRecv);
  const int r = RecvFromSin(FSocket, Buffer, Length, 0, FRemoteSin);
  SockCheck(r);
  ExceptCheck();
  if (r > 0) {
    CountReceived(r);
    DoStatus(HR_ReadCount, IntToText(r));
    DoMonitor(false, Buffer, r);
  }
  return r;
}

// --- waiting ------------------------------------------------------------------------

int TBlockSocket::WaitingData() {
  int x = 0;
  if (FSocket == INVALID_SOCKET || ::ioctl(FSocket, FIONREAD, &x) != 0) return 0;
  return std::clamp(x, 0, kMaxWaitingData);
}

int TBlockSocket::WaitingDataEx() {
  if (!FBuffer.empty()) return static_cast<int>(FBuffer.size());
  return WaitingData();
}

bool TBlockSocket::WaitFor(short Events, int Timeout) {
  FStopInWait = false;
  int r;
  if (FSocket == INVALID_SOCKET) {
    errno = EBADF;
    r = SOCKET_ERROR;
  } else {
    pollfd item{};
    item.fd = FSocket;
    item.events = Events;
    const std::uint32_t start = TickMilliseconds();
    for (;;) {
      int left = -1;
      if (Timeout >= 0) {
        const auto spent = static_cast<int>(
            std::min<std::uint32_t>(TickSpan(start, TickMilliseconds()), static_cast<std::uint32_t>(Timeout)));
        left = Timeout - spent;
      }
      // A zero wait only asks; it leaves a stop request to the next send or
      // receive.
      if (left != 0 && FStopFlag.exchange(false)) {
        FStopInWait = true;
        r = 0;
        break;
      }
      const int slice = left < 0 ? kStopCheckMs : std::min(left, kStopCheckMs);
      item.revents = 0;
      r = ::poll(&item, 1, slice);
      if (r < 0 && errno == EINTR) continue;  // a signal does not end the wait
      if (r != 0 || slice == left) break;      // ready, failed, or the time is up
    }
    if (r > 0 && (item.revents & POLLNVAL) != 0) {
      errno = EBADF;
      r = SOCKET_ERROR;
    }
  }
  SockCheck(r);
  if (FStopInWait) FLastError = WSAECONNABORTED;
  return FLastError == 0 && r > 0;
}

void TBlockSocket::WaitTimedOut() {
  if (!FStopInWait) FLastError = WSAETIMEDOUT;
}

bool TBlockSocket::WaitReadable(int Timeout) { return WaitFor(POLLIN, Timeout); }

bool TBlockSocket::CanRead(int Timeout) {
  if (!FLowSpeed.Active() || Timeout == 0) return WaitWithHeartbeat(Timeout);
  // With the low-speed limit on, the wait is cut into pieces so that a peer
  // that sends too little is given up in time, however it spaces its bytes.
  const std::uint32_t start = TickMilliseconds();
  for (;;) {
    int wait = FLowSpeed.CheckInterval();
    if (Timeout >= 0) {
      const auto spent = static_cast<std::int64_t>(TickSpan(start, TickMilliseconds()));
      wait = static_cast<int>(std::clamp<std::int64_t>(Timeout - spent, 0, wait));
    }
    FStopInWait = false;
    if (WaitWithHeartbeat(wait)) return true;
    if (FLastError != 0 || FStopInWait) return false;
    const std::uint32_t now = TickMilliseconds();
    if (FLowSpeed.TooSlow(now)) {
      FLastError = WSAETIMEDOUT;
      ExceptCheck();
      return false;
    }
    if (Timeout >= 0 && TickSpan(start, now) >= static_cast<std::uint32_t>(Timeout)) return false;
  }
}

bool TBlockSocket::WaitWithHeartbeat(int Timeout) {
  int rounds;
  int first;
  if (FHeartbeatRate != 0 && Timeout != -1) {
    rounds = Timeout / FHeartbeatRate;
    first = Timeout % FHeartbeatRate;
  } else {
    rounds = 0;
    first = Timeout;
  }
  bool ok = WaitReadable(first);
  if (!ok && !FStopInWait && rounds >= 0) {
    for (int i = 0; i <= rounds; ++i) {
      DoHeartbeat();
      // As in every wait, a zero wait leaves the stop to the next operation.
      if (Timeout != 0 && FStopFlag.exchange(false)) {
        ok = false;
        FStopInWait = true;
        FLastError = WSAECONNABORTED;
        break;
      }
      ok = WaitReadable(FHeartbeatRate);
      if (ok || FStopInWait) break;
    }
  }
  ExceptCheck();
  if (ok) DoStatus(HR_CanRead, u"");
  return ok;
}

bool TBlockSocket::CanReadEx(int Timeout) {
  if (!FBuffer.empty()) return true;
  return CanRead(Timeout);
}

bool TBlockSocket::CanWrite(int Timeout) {
  const bool ok = WaitFor(POLLOUT, Timeout);
  ExceptCheck();
  if (ok) DoStatus(HR_CanWrite, u"");
  return ok;
}

bool TBlockSocket::GroupCanRead(const std::vector<TBlockSocket*>& SocketList, int Timeout,
                                std::vector<TBlockSocket*>& CanReadList) {
  CanReadList.clear();
  std::vector<pollfd> items;
  std::vector<TBlockSocket*> owners;
  for (TBlockSocket* socket : SocketList) {
    if (socket == nullptr) continue;
    pollfd item{};
    item.fd = socket->Socket();
    item.events = POLLIN;
    items.push_back(item);
    owners.push_back(socket);
  }
  int r;
  for (;;) {
    r = ::poll(items.data(), items.size(), Timeout < 0 ? -1 : Timeout);
    if (r >= 0 || errno != EINTR) break;
  }
  SockCheck(r);
  ExceptCheck();
  if (r > 0) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      if ((items[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) CanReadList.push_back(owners[i]);
    }
  }
  return r > 0;
}

void TBlockSocket::Purge() {
  SleepMs(1);
  try {
    while (!FBuffer.empty() || WaitingData() > 0) {
      RecvPacket(0);
      if (FLastError != 0) break;
    }
  } catch (...) {
    // Purging is best effort.
  }
  ResetLastError();
}

// --- addresses ----------------------------------------------------------------------

void TBlockSocket::GetSinLocal() { GetSockNameSin(FSocket, FLocalSin); }
void TBlockSocket::GetSinRemote() { GetPeerNameSin(FSocket, FRemoteSin); }

void TBlockSocket::GetSins() {
  GetSinLocal();
  GetSinRemote();
}

std::u16string TBlockSocket::GetLocalSinIP() { return AnsiToText(VarSinToIP(FLocalSin)); }
std::u16string TBlockSocket::GetRemoteSinIP() { return AnsiToText(VarSinToIP(FRemoteSin)); }
int TBlockSocket::GetLocalSinPort() { return VarSinToPort(FLocalSin); }
int TBlockSocket::GetRemoteSinPort() { return VarSinToPort(FRemoteSin); }

void TBlockSocket::SetRemoteSin(const std::u16string& IP, const std::u16string& Port) {
  ResolveSin(FRemoteSin, IP, Port);
}

std::u16string TBlockSocket::LocalName() {
  std::u16string name = AnsiToText(LocalHostName());
  if (name.empty()) name = u"127.0.0.1";
  return name;
}

void TBlockSocket::ResolveNameToIP(const std::u16string& Name, std::vector<std::u16string>& IPList) {
  std::vector<std::string> list;
  LookupHostIPs(TextToAnsi(Name), FamilyToAF(FFamily), GetSocketProtocol(), GetSocketType(), list);
  IPList.clear();
  for (const std::string& ip : list) IPList.push_back(AnsiToText(ip));
}

std::u16string TBlockSocket::ResolveName(const std::u16string& Name) {
  std::vector<std::u16string> list;
  ResolveNameToIP(Name, list);
  return list.empty() ? std::u16string() : list.front();
}

std::u16string TBlockSocket::ResolveIPToName(const std::u16string& IP) {
  std::u16string address = IP;
  if (!IsIPv4Text(address) && !IsIPv6Text(address)) address = ResolveName(address);
  return AnsiToText(
      LookupHostName(TextToAnsi(address), FamilyToAF(FFamily), GetSocketProtocol(), GetSocketType()));
}

std::uint16_t TBlockSocket::ResolvePort(const std::u16string& Port) {
  return LookupPort(TextToAnsi(Port), FamilyToAF(FFamily), GetSocketProtocol(), GetSocketType());
}

}  // namespace tav
