#pragma once
// The blocking socket object: one platform socket handle plus a receive line
// buffer, reads by line / packet / byte / length with millisecond timeouts,
// sending in bounded pieces with optional bandwidth limits, a stop flag,
// error state kept on the object (LastError / LastErrorDesc) and a queue of
// options set before the handle exists.
//
// Timeouts are milliseconds; -1 waits without limit. Host and port
// arguments are text and reach the resolver in the single-byte code page.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/low_speed_meter.h"
#include "net/socket_errors.h"
#include "net/socket_library.h"
#include "util/memory_stream.h"

namespace tav {

enum TSocketFamily { SF_Any, SF_IP4, SF_IP6 };

enum THookSocketReason {
  HR_ResolvingBegin,
  HR_ResolvingEnd,
  HR_SocketCreate,
  HR_SocketClose,
  HR_Bind,
  HR_Connect,
  HR_CanRead,
  HR_CanWrite,
  HR_Listen,
  HR_Accept,
  HR_ReadCount,
  HR_WriteCount,
  HR_Wait,
  HR_Error
};

enum TSockOptionType {
  SOT_Linger,
  SOT_RecvBuff,
  SOT_SendBuff,
  SOT_NonBlock,
  SOT_RecvTimeout,
  SOT_SendTimeout,
  SOT_Reuse,
  SOT_TTL,
  SOT_Broadcast,
  SOT_MulticastTTL,
  SOT_MulticastLoop
};

class TBlockSocket;

// The longest a wait goes without looking at the stop flag, so that a stop
// requested from another thread ends the wait within this time.
inline constexpr int kStopCheckMs = 200;

using THookSocketStatus =
    std::function<void(TBlockSocket* Sender, THookSocketReason Reason, const std::u16string& Value)>;
// May replace Value; a result longer than the bytes received is cut.
using THookDataFilter = std::function<void(TBlockSocket* Sender, std::string& Value)>;
using THookCreateSocket = std::function<void(TBlockSocket* Sender)>;
using THookMonitor =
    std::function<void(TBlockSocket* Sender, bool Writing, const void* Buffer, int Len)>;
using THookHeartbeat = std::function<void(TBlockSocket* Sender)>;
using THookAfterConnect = std::function<void(TBlockSocket* Sender)>;

struct TSockOption {
  TSockOptionType Option = SOT_Linger;
  bool Enabled = false;
  int Value = 0;
};

class TBlockSocket {
 public:
  TBlockSocket();
  // Same as the plain constructor; the stub name is ignored.
  explicit TBlockSocket(const std::u16string& Stub);
  virtual ~TBlockSocket();
  TBlockSocket(const TBlockSocket&) = delete;
  TBlockSocket& operator=(const TBlockSocket&) = delete;

  // --- handle ---------------------------------------------------------------
  void CreateSocket();
  void CreateSocketByName(const std::u16string& Value);
  virtual void CloseSocket();
  virtual void AbortSocket();
  void Bind(const std::u16string& IP, const std::u16string& Port);
  virtual void Connect(const std::u16string& IP, const std::u16string& Port);
  virtual void Listen();
  virtual TSocket Accept();

  // --- options --------------------------------------------------------------
  void SetLinger(bool Enable, int Linger);
  void EnableReuse(bool Value);
  void SetTimeout(int Timeout);
  void SetSendTimeout(int Timeout);
  void SetRecvTimeout(int Timeout);

  // --- send -----------------------------------------------------------------
  virtual int SendBuffer(const void* Buffer, int Length);
  virtual void SendByte(std::uint8_t Data);
  virtual void SendString(const std::string& Data);
  virtual void SendInteger(std::int32_t Data);
  virtual void SendBlock(const std::string& Data);
  virtual void SendStreamRaw(TMemoryStream& Stream);
  virtual void SendStream(TMemoryStream& Stream);
  virtual void SendStreamIndy(TMemoryStream& Stream);
  virtual int SendBufferTo(const void* Buffer, int Length);

  // --- receive --------------------------------------------------------------
  virtual int RecvBuffer(void* Buffer, int Length);
  virtual int RecvBufferEx(void* Buffer, int Len, int Timeout);
  virtual std::string RecvBufferStr(int Len, int Timeout);
  virtual std::uint8_t RecvByte(int Timeout);
  virtual std::int32_t RecvInteger(int Timeout);
  virtual std::string RecvString(int Timeout);
  virtual std::string RecvTerminated(int Timeout, const std::string& Terminator);
  virtual std::string RecvPacket(int Timeout);
  // RecvPacket with the packet's bytes written to the stream instead of
  // returned; returns their count. At the stream's end the packet is received
  // straight into the stream's memory.
  std::int64_t RecvPacketToStream(TMemoryStream& Stream, int Timeout);
  virtual std::string RecvBlock(int Timeout);
  virtual void RecvStreamRaw(TMemoryStream& Stream, int Timeout);
  void RecvStreamSize(TMemoryStream& Stream, int Timeout, std::int64_t Size);
  virtual void RecvStream(TMemoryStream& Stream, int Timeout);
  virtual void RecvStreamIndy(TMemoryStream& Stream, int Timeout);
  virtual int PeekBuffer(void* Buffer, int Length);
  virtual std::uint8_t PeekByte(int Timeout);
  virtual int RecvBufferFrom(void* Buffer, int Length);

  // --- waiting --------------------------------------------------------------
  // Bytes waiting on the handle (FIONREAD), 0 on failure, at most 65536.
  virtual int WaitingData();
  // The line buffer's length when it is not empty, else WaitingData.
  int WaitingDataEx();
  virtual bool CanRead(int Timeout);
  virtual bool CanReadEx(int Timeout);
  virtual bool CanWrite(int Timeout);
  // One wait over the handles of all sockets of SocketList (null entries are
  // skipped); CanReadList receives the ready ones. Errors land on this socket.
  bool GroupCanRead(const std::vector<TBlockSocket*>& SocketList, int Timeout,
                           std::vector<TBlockSocket*>& CanReadList);
  void Purge();

  // --- addresses ------------------------------------------------------------
  void GetSinLocal();
  void GetSinRemote();
  void GetSins();
  virtual std::u16string GetLocalSinIP();
  virtual std::u16string GetRemoteSinIP();
  virtual int GetLocalSinPort();
  virtual int GetRemoteSinPort();
  void SetRemoteSin(const std::u16string& IP, const std::u16string& Port);
  std::u16string LocalName();
  void ResolveNameToIP(const std::u16string& Name, std::vector<std::u16string>& IPList);
  std::u16string ResolveName(const std::u16string& Name);
  std::u16string ResolveIPToName(const std::u16string& IP);
  std::uint16_t ResolvePort(const std::u16string& Port);

  // --- errors ---------------------------------------------------------------
  void ResetLastError();
  // With SockResult -1: LastError from the platform's last error.
  virtual int SockCheck(int SockResult);
  // Refreshes LastErrorDesc; reports HR_Error and, with RaiseExcept, throws
  // ESocketError, unless LastError is 0, 10035 or 10036.
  void ExceptCheck();
  // The table text of a code; needs no object.
  static std::u16string GetErrorDesc(int ErrorCode) { return tav::GetErrorDesc(ErrorCode); }
  virtual std::u16string GetErrorDescEx();

  // --- kind -----------------------------------------------------------------
  virtual int GetSocketType();
  virtual int GetSocketProtocol();

  // --- properties -----------------------------------------------------------
  const THookSocketStatus& OnStatus() const { return FOnStatus; }
  void SetOnStatus(THookSocketStatus Value) { FOnStatus = std::move(Value); }
  const THookDataFilter& OnReadFilter() const { return FOnReadFilter; }
  void SetOnReadFilter(THookDataFilter Value) { FOnReadFilter = std::move(Value); }
  const THookCreateSocket& OnCreateSocket() const { return FOnCreateSocket; }
  void SetOnCreateSocket(THookCreateSocket Value) { FOnCreateSocket = std::move(Value); }
  const THookMonitor& OnMonitor() const { return FOnMonitor; }
  void SetOnMonitor(THookMonitor Value) { FOnMonitor = std::move(Value); }
  const THookHeartbeat& OnHeartbeat() const { return FOnHeartbeat; }
  void SetOnHeartbeat(THookHeartbeat Value) { FOnHeartbeat = std::move(Value); }

  const TVarSin& LocalSin() const { return FLocalSin; }
  const TVarSin& RemoteSin() const { return FRemoteSin; }
  int Tag() const { return FTag; }
  void SetTag(int Value) { FTag = Value; }
  const std::string& LineBuffer() const { return FBuffer; }
  void SetLineBuffer(const std::string& Value) { FBuffer = Value; }
  bool RaiseExcept() const { return FRaiseExcept; }
  void SetRaiseExcept(bool Value) { FRaiseExcept = Value; }
  bool NonBlockMode() const { return FNonBlockMode; }
  void SetNonBlockMode(bool Value);
  int MaxLineLength() const { return FMaxLineLength; }
  void SetMaxLineLength(int Value) { FMaxLineLength = Value; }
  int MaxSendBandwidth() const { return FMaxSendBandwidth; }
  void SetMaxSendBandwidth(int Value) { FMaxSendBandwidth = Value; }
  int MaxRecvBandwidth() const { return FMaxRecvBandwidth; }
  void SetMaxRecvBandwidth(int Value) { FMaxRecvBandwidth = Value; }
  void SetMaxBandwidth(int Value);
  bool ConvertLineEnd() const { return FConvertLineEnd; }
  void SetConvertLineEnd(bool Value) { FConvertLineEnd = Value; }
  TSocketFamily Family() const { return FFamily; }
  virtual void SetFamily(TSocketFamily Value);
  bool IP6used() const { return FIP6used; }
  bool PreferIP4() const { return FPreferIP4; }
  void SetPreferIP4(bool Value) { FPreferIP4 = Value; }
  bool InterPacketTimeout() const { return FInterPacketTimeout; }
  void SetInterPacketTimeout(bool Value) { FInterPacketTimeout = Value; }
  // From now on, a wait for data (CanRead, and every receive through it)
  // fails with 10060 once fewer than MinBytes arrived over the last PeriodMs
  // (counted from this call), however often a packet restarts the time-out.
  // 0 switches the limit off.
  void SetLowSpeedLimit(std::int64_t MinBytes, int PeriodMs);
  const TFDSet& FDset() const { return FFDSet; }
  int RecvCounter() const { return FRecvCounter; }
  int SendCounter() const { return FSendCounter; }
  int SendMaxChunk() const { return FSendMaxChunk; }
  void SetSendMaxChunk(int Value) { FSendMaxChunk = Value; }
  // May be set from another thread or a hook; read at the start of every
  // send and receive, and at least every kStopCheckMs while a wait runs. A
  // send, receive or wait that it ends fails with 10053.
  bool StopFlag() const { return FStopFlag.load(); }
  void SetStopFlag(bool Value) { FStopFlag.store(Value); }
  int NonblockSendTimeout() const { return FNonblockSendTimeout; }
  void SetNonblockSendTimeout(int Value) { FNonblockSendTimeout = Value; }
  int HeartbeatRate() const { return FHeartbeatRate; }
  void SetHeartbeatRate(int Value) { FHeartbeatRate = Value; }
  int ConnectionTimeout() const { return FConnectionTimeout; }
  void SetConnectionTimeout(int Value) { FConnectionTimeout = Value; }
  TSocket Socket() const { return FSocket; }
  // Adopts a handle.
  virtual void SetSocket(TSocket Value);
  int LastError() const { return FLastError; }
  const std::u16string& LastErrorDesc() const { return FLastErrorDesc; }
  void* Owner() const { return FOwner; }
  void SetOwner(void* Value) { FOwner = Value; }

  // SO_RCVBUF / SO_SNDBUF of the handle, 1024 when the query fails; the
  // setters queue the option.
  int SizeRecvBuffer();
  void SetSizeRecvBuffer(int Size);
  int SizeSendBuffer();
  void SetSizeSendBuffer(int Size);
  // IP TTL or IPv6 unicast hop limit of the handle (0 when the query fails).
  int TTL();
  void SetTTL(int TTL);

 protected:
  // Sets every field a constructor assigns back to its default; fields no
  // constructor assigns (hooks, LocalSin, RemoteSin, Tag, FDSet, LastError,
  // LastErrorDesc) are left alone. The option queue is emptied.
  void InitBlockSocketDefaults();

  virtual void SendStreamCore(TMemoryStream& Stream, bool WithSize, bool Indy);
  virtual bool WaitReadable(int Timeout);
  // The readiness poll of every wait, in slices of at most kStopCheckMs; a
  // stop request found between slices ends it with 10053 (and StopInWait).
  bool WaitFor(short Events, int Timeout);
  // After a wait that came back without readiness: 10060, unless the stop
  // flag ended the wait (its 10053 stays).
  void WaitTimedOut();

  void DoStatus(THookSocketReason Reason, const std::u16string& Value);
  void DoReadFilter(void* Buffer, int& Length);
  void DoMonitor(bool Writing, const void* Buffer, int Len);
  void DoCreateSocket();
  void DoHeartbeat();
  // At the start of every send and receive: true when a stop was requested
  // (LastError 10053 is then set).
  bool CheckStop();
  // RecvPacket's wait with the line buffer empty: the size of the next packet
  // on the handle (at most 65536), or 0 with LastError set when none comes.
  int WaitPacket(int Timeout);
  // Adds received bytes to RecvCounter and to the low-speed meter.
  void CountReceived(int Count);
  // CanRead's wait itself: the readiness poll in heartbeat rounds.
  bool WaitWithHeartbeat(int Timeout);
  // With ConvertLineEnd, after a line that ended in a lone CR (LF), a LF (CR)
  // at the start of the next data belongs to that line end: the number of
  // leading bytes of `Data` to drop. Clears both marks when Size > 0.
  std::size_t LineEndRest(const char* Data, std::size_t Size);
  // RecvPacket's steps for a stream at its end: appends at most `Limit` bytes
  // of the next packet, received straight into the stream's memory when the
  // whole packet fits; what does not fit stays in the line buffer. Returns
  // the count appended.
  std::int64_t AppendPacket(TMemoryStream& Stream, int Timeout, std::int64_t Limit);
  void WaitBandwidth(int Length, int MaxB, std::uint32_t& Next);
  // One piece of a send: hands `Length` bytes to the handle (or the TLS
  // plug-in) and returns how many it took; a failure leaves LastError set.
  using TSendPiece = std::function<int(const char* Bytes, int Length)>;
  // The send loop of SendBuffer: monitors the data, then sends it in pieces
  // of at most SendMaxChunk bytes, each within the send bandwidth, counting
  // and reporting every piece taken, until all is out, LastError is set or a
  // piece is refused without an error. Ends with ExceptCheck; returns the
  // count sent.
  int SendInPieces(const void* Buffer, int Length, const TSendPiece& SendPiece);
  void ResolveSin(TVarSin& Sin, const std::u16string& IP, const std::u16string& Port);
  void OpenSocketFor(const TVarSin& Sin);
  void DelayedOption(const TSockOption& Value);
  void ProcessDelayedOptions();
  void SetOption(const TSockOption& Value);
  void ReleaseDelayedOptions() { FDelayedOptions.clear(); }
  // Sets LastError to a code of the socket numbering and its description.
  void SetLastError(int Code);
  int FamilyToAF(TSocketFamily Value) const;

  THookSocketStatus FOnStatus;
  THookDataFilter FOnReadFilter;
  THookCreateSocket FOnCreateSocket;
  THookMonitor FOnMonitor;
  THookHeartbeat FOnHeartbeat;
  TVarSin FLocalSin;
  TVarSin FRemoteSin;
  int FTag = 0;
  std::string FBuffer;
  bool FRaiseExcept = false;
  bool FNonBlockMode = false;
  int FMaxLineLength = 0;
  int FMaxSendBandwidth = 0;
  std::uint32_t FNextSend = 0;
  int FMaxRecvBandwidth = 0;
  std::uint32_t FNextRecv = 0;
  bool FConvertLineEnd = false;
  bool FLastCR = false;
  bool FLastLF = false;
  bool FBinded = false;
  TSocketFamily FFamily = SF_Any;
  TSocketFamily FFamilySave = SF_Any;
  bool FIP6used = false;
  bool FPreferIP4 = true;
  std::vector<TSockOption> FDelayedOptions;  // oldest first
  bool FInterPacketTimeout = true;
  TFDSet FFDSet;
  int FRecvCounter = 0;
  int FSendCounter = 0;
  int FSendMaxChunk = 65536;
  std::atomic<bool> FStopFlag{false};
  bool FStopInWait = false;  // the last wait ended by the stop flag
  TLowSpeedMeter FLowSpeed;
  int FNonblockSendTimeout = 15000;
  int FHeartbeatRate = 0;
  int FConnectionTimeout = 0;
  TSocket FSocket = INVALID_SOCKET;
  int FLastError = 0;
  std::u16string FLastErrorDesc;
  void* FOwner = nullptr;
};

}  // namespace tav
