#pragma once
// The HTTP engine: one request/response exchange per HTTPMethod call over a
// blocking TCP socket it owns, directly, through an HTTP proxy, or through a
// CONNECT tunnel for https. Bodies are read by length, by chunks or until the
// server closes, and gzip bodies are decoded.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "http/net_client.h"
#include "http/text_list.h"
#include "http/url_parts.h"
#include "net/tcp_block_socket.h"
#include "util/memory_stream.h"

namespace tav {

enum TTransferEncoding { TE_UNKNOWN, TE_IDENTITY, TE_CHUNKED };

// Bounds on what a server can make the engine hold; each overrun ends the
// call with socket error 10055, the body (decoded, for gzip) kept up to its
// bound.

// Longest status, header or chunk-size line. The socket counts everything it
// has buffered for a line, up to a whole 64 KiB packet past the line end, so
// the bound sits far above that.
inline constexpr int kMaxHeadLineLength = 1 << 20;
// All status and header lines of one response together; real servers refuse
// heads above 8 to 64 KiB, so this only stops an endless stream of lines.
inline constexpr std::int64_t kMaxHeadSize = std::int64_t{1} << 20;
// Largest body kept in memory; the console holds it several times over.
inline constexpr std::int64_t kMaxBodySize = std::int64_t{1} << 30;
// Largest decoded gzip body; stops a small body that expands without end.
inline constexpr std::int64_t kMaxDecodedSize = std::int64_t{1} << 30;

// A server that sends less than this in the last minute of receiving is given
// up with 10060: each packet restarts the receive time-out, so a byte now and
// then would otherwise hold the exchange (and the window) without end.
// Slow real links still carry far more than 1 KiB a minute.
inline constexpr std::int64_t kLowSpeedBytes = 1024;
// The period over which kLowSpeedBytes must arrive; twice the receive
// time-out, so a pause the time-out allows never trips it alone.
inline constexpr int kLowSpeedPeriod = 60000;

// The engine's own error for a response it cannot read as HTTP: a chunk size
// that is not a hexadecimal number or does not fit 32 bits.
inline constexpr int kMalformedResponseError = WSAEINVAL;

struct THTTPLimits {
  int MaxLineLength = kMaxHeadLineLength;
  std::int64_t MaxHeadSize = kMaxHeadSize;
  std::int64_t MaxBodySize = kMaxBodySize;
  std::int64_t MaxDecodedSize = kMaxDecodedSize;
  std::int64_t LowSpeedBytes = kLowSpeedBytes;
  int LowSpeedPeriod = kLowSpeedPeriod;
};

// The engine's socket: a TCP socket that also lets the engine report errors of
// its own (the size bounds above) in the socket's numbering.
class THTTPSocket final : public TTCPBlockSocket {
 public:
  using TTCPBlockSocket::TTCPBlockSocket;
  void ReportError(int Code) {
    SetLastError(Code);
    ExceptCheck();
  }
};

// What HTTPMethod works out from its arguments before any traffic.
struct THTTPRequestPlan {
  TUrlParts Url;
  bool UsingProxy = false;  // plain HTTP through FProxyHost
  bool UseTLS = false;      // https scheme
  bool Sending = false;     // a request body is sent
  bool Expect = false;      // "Expect: 100-continue" handshake
};

// UnfoldHeaderLine: the line at `index` joined with the continuation lines
// after it (those starting with a blank, TAB, double quote, ":" or "="), with
// `index` moved past all of them. The list's last element is never joined.
std::u16string UnfoldHeaderLine(const std::vector<std::u16string>& lines, int& index);

class THTTPSend : public TNetClient {
 public:
  THTTPSend();
  ~THTTPSend() override;

  // Resets the request: range, body, header list, sent bytes, MIME type and
  // location. Cookies, credentials, proxy settings and the open connection stay.
  void Clear();
  // Reads a status line into ResultCode and ResultString.
  void DecodeStatus(const std::u16string& Value);
  // One exchange; true when a response head was read without a socket error
  // and the body was read successfully.
  bool HTTPMethod(const std::u16string& Method, const std::u16string& URL);
  // Ends the exchange in progress (from another thread): its waits, sends
  // and receives fail with 10053 from now on, including those on a
  // connection it has yet to open, until HTTPMethod returns.
  void Abort();

  // The first steps of HTTPMethod, without traffic: splits the URL, sets the
  // socket's tunnel settings and the target, and composes the request head in
  // the header list (generated lines first, then the caller's, then a blank).
  THTTPRequestPlan PrepareRequest(const std::u16string& Method, const std::u16string& URL);
  // Stores the Set-Cookie values of the header list in the cookie list.
  void CollectCookies();

  // --- properties -----------------------------------------------------------
  TTCPBlockSocket& Sock() { return *FSock; }
  TTransferEncoding TransferEncoding() const { return FTransferEncoding; }
  const std::u16string& AliveHost() const { return FAliveHost; }
  const std::u16string& AlivePort() const { return FAlivePort; }
  TTextList& Headers() { return *FHeaders; }
  const std::string& ContentType() const { return FContentType; }
  const std::string& SendString() const { return FSendString; }
  TMemoryStream& Document() { return *FDocument; }
  const std::u16string& MimeType() const { return FMimeType; }
  void SetMimeType(const std::u16string& Value) { FMimeType = Value; }
  const std::u16string& Location() const { return FLocation; }
  const std::u16string& Protocol() const { return FProtocol; }
  void SetProtocol(const std::u16string& Value) { FProtocol = Value; }
  bool KeepAlive() const { return FKeepAlive; }
  void SetKeepAlive(bool Value) { FKeepAlive = Value; }
  bool HtmlOnly() const { return FHtmlOnly; }
  void SetHtmlOnly(bool Value) { FHtmlOnly = Value; }
  bool GzipEnabled() const { return FGzipEnabled; }
  void SetGzipEnabled(bool Value) { FGzipEnabled = Value; }
  int KeepAliveTimeout() const { return FKeepAliveTimeout; }
  void SetKeepAliveTimeout(int Value) { FKeepAliveTimeout = Value; }
  bool Status100() const { return FStatus100; }
  void SetStatus100(bool Value) { FStatus100 = Value; }
  const std::u16string& ProxyHost() const { return FProxyHost; }
  void SetProxyHost(const std::u16string& Value) { FProxyHost = Value; }
  const std::u16string& ProxyPort() const { return FProxyPort; }
  void SetProxyPort(const std::u16string& Value) { FProxyPort = Value; }
  const std::u16string& ProxyUser() const { return FProxyUser; }
  void SetProxyUser(const std::u16string& Value) { FProxyUser = Value; }
  const std::u16string& ProxyPass() const { return FProxyPass; }
  void SetProxyPass(const std::u16string& Value) { FProxyPass = Value; }
  int ResultCode() const { return FResultCode; }
  // Whether the last call read a whole response head (status and header
  // lines up to the blank line), whatever became of its body.
  bool HeadRead() const { return FHeadRead; }
  const std::u16string& ResultString() const { return FResultString; }
  const std::u16string& UserAgent() const { return FUserAgent; }
  void SetUserAgent(const std::u16string& Value) { FUserAgent = Value; }
  TTextList& Cookies() { return *FCookies; }
  std::int64_t DownloadSize() const { return FDownloadSize; }
  std::int64_t UploadSize() const { return FUploadSize; }
  std::int64_t RangeStart() const { return FRangeStart; }
  void SetRangeStart(std::int64_t Value) { FRangeStart = Value; }
  std::int64_t RangeEnd() const { return FRangeEnd; }
  void SetRangeEnd(std::int64_t Value) { FRangeEnd = Value; }

  // The size bounds; production code keeps the defaults, tests lower them to
  // reach them quickly.
  const THTTPLimits& Limits() const { return FLimits; }
  void SetLimits(const THTTPLimits& Value) { FLimits = Value; }

 protected:
  // Body readers; each appends to the body stream and uses FTimeout.
  virtual bool ReadBodyUntilClose();
  virtual bool ReadBodyOfLength(std::int64_t Size);
  virtual bool ReadChunkedBody();
  // Replaces a gzip body (by the flag, or recognised by its first bytes) with
  // its decoded bytes; keeps it as received on any fault but one: decoded
  // bytes past MaxDecodedSize keep the body's first MaxDecodedSize decoded
  // bytes and return false. Leaves the body rewound.
  bool DecodeGzipBody(bool Gzip);

  // The open connection goes to the target and the peer has been silent.
  bool ConnectionReusable();
  // Reuses the open connection to the target when the peer has been silent
  // (Reused), else opens a new one.
  bool EnsureConnection(bool UseTLS, bool& Reused);
  struct TSentRequest {
    std::string Bytes;           // the head, with the body when sent in one piece
    std::u16string KeptStatus;   // a final status met during 100-continue
    bool HasKeptStatus = false;
  };
  // Sends the request head and body one of four ways, with the 100-continue
  // handshake when planned. The socket's LastError tells whether it worked.
  TSentRequest SendRequest(const THTTPRequestPlan& Plan, const std::string& Head, std::int64_t& HeadSize);
  bool OpenConnection(bool UseTLS);
  // What the response's header lines decide for the rest of the exchange.
  struct TResponseHead {
    std::int64_t ExpectedLength = -1;  // from Content-Length; -1 for none
    bool CloseAfter = false;           // the connection ends with this exchange
    bool Gzip = false;                 // "Content-Encoding: gzip"
  };

  // The steps of HTTPMethod, in their order.
  // Resets the results of the last exchange.
  void BeginExchange();
  // Opens the connection to the target or reuses the open one; forgets the
  // connection when neither works.
  bool ConnectForRequest(bool UseTLS, bool& Reused);
  // Connects, sends the request and reads the status line(s), once more on a
  // new connection when a reused one turns out to be dead. On success the
  // request's fields are cleared and the sent bytes kept; false when
  // connecting or sending failed.
  bool SendAndReadStatus(const THTTPRequestPlan& Plan, const std::string& Head, std::int64_t& HeadSize);
  // Reads and unfolds the header lines after a status line into the header
  // list and takes their decisions; the socket's LastError tells whether the
  // head arrived whole.
  TResponseHead ReadHeaderLines(const THTTPRequestPlan& Plan, std::int64_t& HeadSize);
  // The raw header lines up to the empty one (kept as the last) or an error.
  std::vector<std::u16string> ReadRawHeaderLines(std::int64_t& HeadSize);
  // One unfolded header line: length, type, location, encodings, closing.
  void ApplyHeaderLine(const std::u16string& Line, const THTTPRequestPlan& Plan, TResponseHead& Response);
  // Whether a body follows the head; with HtmlOnly the connection is closed
  // afterwards whatever the answer.
  bool WantsBody(const std::u16string& Method, TResponseHead& Response) const;
  // Reads the body the way TransferEncoding says.
  bool ReadBody(std::int64_t ExpectedLength);
  // Decodes a gzip body, closes the connection when it is not to be kept
  // (or the body read failed) and collects the cookies. False when the body
  // read failed or its decoded size passed the bound (then with 10055).
  bool FinishExchange(bool BodyRead, const TResponseHead& Response);
  // Closes the socket and forgets the open connection.
  void DropConnection();
  // The request head as bytes, from the header list.
  std::string HeadBytes() const;
  // Reads the next line of the response head, skipping nothing; counts it
  // against the head bound and reports 10055 past it.
  std::string ReadHeadLine(std::int64_t& HeadSize);
  // ReadHeadLine past empty lines: the first line that is not empty, or what
  // the read that failed gave.
  std::string ReadNonEmptyHeadLine(std::int64_t& HeadSize);
  // Reads the status line(s) into the header list and ResultCode. Interim
  // 1xx answers (but 101) are kept in the list with their header lines, and
  // reading goes on to the next status line.
  void ReadStatusLines(std::int64_t& HeadSize);
  // The receive phase begins: the low-speed limit starts counting.
  void StartReceiving();

  std::unique_ptr<THTTPSocket> FSock;
  TTransferEncoding FTransferEncoding = TE_UNKNOWN;
  std::u16string FAliveHost;
  std::u16string FAlivePort;
  std::unique_ptr<TTextList> FHeaders;
  std::string FContentType;
  std::string FSendString;
  std::unique_ptr<TMemoryStream> FDocument;
  std::u16string FMimeType = u"text/html";
  std::u16string FLocation;
  std::u16string FProtocol = u"1.0";
  bool FKeepAlive = true;
  bool FHtmlOnly = false;
  bool FGzipEnabled = false;
  int FKeepAliveTimeout = 300;
  bool FStatus100 = false;
  std::u16string FProxyHost;
  std::u16string FProxyPort = u"8080";
  std::u16string FProxyUser;
  std::u16string FProxyPass;
  int FResultCode = 0;
  bool FHeadRead = false;
  std::u16string FResultString;
  std::u16string FUserAgent = u"Mozilla/5.0 (compatible; MSIE 8.0; Windows NT 6.1) Varnhol/5.0";
  std::unique_ptr<TTextList> FCookies;
  std::int64_t FDownloadSize = 0;
  std::int64_t FUploadSize = 0;
  std::int64_t FRangeStart = 0;
  std::int64_t FRangeEnd = 0;
  THTTPLimits FLimits;
  // Abort was called during the current exchange.
  std::atomic<bool> FAborted{false};
};

}  // namespace tav
