#include "http/http_send.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

#include "http/gzip_stream.h"
#include "util/code_page.h"
#include "util/codecs.h"
#include "util/ip_text.h"
#include "util/text_helpers.h"

namespace tav {

namespace {

constexpr int kSocketBufferSize = 65536;
// Bodies from this size on are sent apart from the head.
constexpr std::int64_t kSeparateBodySize = 65536;
// Piece size for a body larger than one SendBuffer call can take.
constexpr std::int64_t kSendPiece = std::int64_t{1} << 30;

bool Contains(const std::u16string& haystack, const std::u16string& needle) {
  return haystack.find(needle) != std::u16string::npos;
}

// Hexadecimal chunk size: digits 0-9, A-F, a-f only. -1 when the text is
// not such a number or its value does not fit 32 bits.
std::int64_t ParseChunkSize(const std::string& text) {
  if (text.empty()) return -1;
  std::uint64_t value = 0;
  for (const char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return -1;
    value = value * 16 + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return -1;
  }
  return static_cast<std::int64_t>(value);
}

// An interim answer: another status line follows. 101 switches protocols and
// is final.
bool IsInterimStatus(int code) { return code >= 100 && code <= 199 && code != 101; }

}  // namespace

std::u16string UnfoldHeaderLine(const std::vector<std::u16string>& lines, int& index) {
  const int count = static_cast<int>(lines.size());
  if (index < 0 || index >= count) {
    ++index;
    return {};
  }
  std::u16string result = lines[static_cast<std::size_t>(index)];
  ++index;
  if (!result.empty()) {
    while (index < count - 1) {
      std::u16string next = lines[static_cast<std::size_t>(index)];
      if (next.empty()) break;
      std::replace(next.begin(), next.end(), u'\t', u' ');
      const char16_t first = next[0];
      if (first != u' ' && first != u'"' && first != u':' && first != u'=') break;
      result += u' ';
      result += Trim(next);
      ++index;
    }
  }
  return TrimRight(result);
}

THTTPSend::THTTPSend()
    : FSock(std::make_unique<THTTPSocket>()),
      FHeaders(std::make_unique<TTextList>()),
      FDocument(std::make_unique<TMemoryStream>()),
      FCookies(std::make_unique<TTextList>()) {
  FSock->SetOwner(this);
  FSock->SetConvertLineEnd(true);
  FSock->SetSizeRecvBuffer(kSocketBufferSize);
  FSock->SetSizeSendBuffer(kSocketBufferSize);
  FTargetPort = u"80";
  FTimeout = 30000;
  Clear();
}

THTTPSend::~THTTPSend() = default;

void THTTPSend::Clear() {
  FRangeStart = 0;
  FRangeEnd = 0;
  FDocument->Clear();
  FHeaders->Clear();
  FSendString.clear();
  FMimeType = u"text/html";
  FLocation.clear();
}

void THTTPSend::DecodeStatus(const std::u16string& Value) {
  const std::u16string s = Trim(TextAfter(Value, u" "));
  FResultCode = StrToIntDef(Trim(TextBefore(s, u" ")), 0);
  const std::u16string phrase = Trim(TextAfter(s, u" "));
  FResultString = phrase == s ? std::u16string() : phrase;
}

void THTTPSend::Abort() {
  FAborted.store(true);
  FSock->SetStopFlag(true);
}

THTTPRequestPlan THTTPSend::PrepareRequest(const std::u16string& Method, const std::u16string& URL) {
  THTTPRequestPlan plan;
  plan.Url = SplitUrl(URL);
  const TUrlParts& url = plan.Url;

  // Credentials are percent-decoded on their single-byte form.
  std::string user = PercentDecode(TextToAnsi(url.User));
  std::string pass = PercentDecode(TextToAnsi(url.Password));
  if (user.empty()) {
    user = TextToAnsi(FUserName);
    pass = TextToAnsi(FPassword);
  }

  plan.UseTLS = UpperCase(url.Scheme) == u"HTTPS";
  if (plan.UseTLS) {
    FSock->SetHTTPTunnelIP(FProxyHost);
    FSock->SetHTTPTunnelPort(FProxyPort);
    FSock->SetHTTPTunnelUser(FProxyUser);
    FSock->SetHTTPTunnelPass(FProxyPass);
  } else {
    FSock->SetHTTPTunnelIP(u"");
    FSock->SetHTTPTunnelPort(u"");
    FSock->SetHTTPTunnelUser(u"");
    FSock->SetHTTPTunnelPass(u"");
    plan.UsingProxy = !FProxyHost.empty();
  }

  plan.Sending = FDocument->Size() > 0;
  plan.Expect = FStatus100 && plan.Sending && FProtocol == u"1.1";

  const std::u16string hostLine = IsIPv6Text(url.Host) ? u"[" + url.Host + u"]" : url.Host;
  std::u16string uri = url.Uri;
  if (plan.UsingProxy) uri = url.Scheme + u"://" + hostLine + u":" + url.Port + uri;
  if (uri == u"/*") uri = u"*";
  if (Pos(u" ", uri) > 0) uri = AnsiToText(PercentEncodeUnsafe(TextToAnsi(uri)));

  // Generated lines in wire order; they go above the caller's lines.
  std::vector<std::u16string> head;
  std::u16string requestLine = UpperCase(Method) + u" " + uri;
  if (FProtocol != u"0.9") requestLine += u" HTTP/" + FProtocol;
  head.push_back(requestLine);
  head.push_back(u"Host: " + hostLine);
  if (plan.UsingProxy && !FProxyUser.empty())
    head.push_back(u"Proxy-Authorization: Basic " +
                   AnsiToText(Base64Encode(TextToAnsi(FProxyUser + u":" + FProxyPass))));
  if (!user.empty())
    head.push_back(u"Authorization: Basic " + AnsiToText(Base64Encode(user + ":" + pass)));
  const std::u16string proxyPrefix = plan.UsingProxy ? u"Proxy-" : u"";
  if (FKeepAlive) {
    head.push_back(u"Keep-Alive: " + IntToText(FKeepAliveTimeout));
    head.push_back(proxyPrefix + u"Connection: keep-alive");
  } else {
    head.push_back(proxyPrefix + u"Connection: close");
  }
  if (!FCookies->Empty()) {
    std::u16string cookie;
    for (const auto& line : *FCookies) {
      if (!cookie.empty()) cookie += u"; ";
      cookie += line;
    }
    head.push_back(u"Cookie: " + cookie);
  }
  if (FRangeStart > 0 || FRangeEnd > 0) {
    std::u16string range = u"Range: bytes=" + IntToText(FRangeStart) + u"-";
    if (FRangeEnd >= FRangeStart) range += IntToText(FRangeEnd);
    head.push_back(range);
  }
  if (!FUserAgent.empty()) head.push_back(u"User-Agent: " + FUserAgent);
  head.push_back(u"Accept-Language: en-us,en;q=0.5");
  if (FGzipEnabled) head.push_back(u"Accept-Encoding: gzip, deflate");
  head.push_back(u"Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
  if (plan.Sending && !FMimeType.empty()) head.push_back(u"Content-Type: " + FMimeType);
  if (plan.Sending) head.push_back(u"Content-Length: " + IntToText(FDocument->Size()));
  if (plan.Expect) head.push_back(u"Expect: 100-continue");

  for (auto it = head.rbegin(); it != head.rend(); ++it) FHeaders->Insert(0, *it);
  if (!FHeaders->Last().empty()) FHeaders->Add(u"");

  if (plan.UsingProxy) {
    FTargetHost = FProxyHost;
    FTargetPort = FProxyPort;
  } else {
    FTargetHost = url.Host;
    FTargetPort = url.Port;
  }
  return plan;
}

std::string THTTPSend::HeadBytes() const {
  std::string out;
  if (FProtocol == u"0.9") {
    if (!FHeaders->Empty()) out = TextToAnsi((*FHeaders)[0]) + "\r\n";
    return out;
  }
  for (const auto& line : *FHeaders) {
    out += TextToAnsi(line);
    out += "\r\n";
  }
  return out;
}

void THTTPSend::StartReceiving() { FSock->SetLowSpeedLimit(FLimits.LowSpeedBytes, FLimits.LowSpeedPeriod); }

void THTTPSend::ReadStatusLines(std::int64_t& HeadSize) {
  std::string line;
  bool pending = false;  // `line` already holds what came in place of a status line
  for (;;) {
    if (!pending) line = ReadNonEmptyHeadLine(HeadSize);
    pending = false;
    if (!StartsWith(UpperCase(line), std::string("HTTP/"))) {
      // No status line, or a failed read (an empty line): what came is body.
      FDocument->Write(line + "\r\n");
      FResultCode = 0;
      return;
    }
    const std::u16string text = AnsiToText(line);
    FHeaders->Add(text);
    DecodeStatus(text);
    if (FSock->LastError() != 0 || !IsInterimStatus(FResultCode)) return;
    // The interim answer's header lines, up to its blank line.
    for (;;) {
      line = ReadHeadLine(HeadSize);
      if (line.empty() && FSock->LastError() == 0) break;
      if (FSock->LastError() != 0 || StartsWith(UpperCase(line), std::string("HTTP/"))) {
        pending = true;  // the next status line at once, or a failed read
        break;
      }
      FHeaders->Add(AnsiToText(line));
    }
  }
}

std::string THTTPSend::ReadHeadLine(std::int64_t& HeadSize) {
  std::string line = FSock->RecvString(FTimeout);
  if (FSock->LastError() != 0) return line;
  HeadSize += static_cast<std::int64_t>(line.size()) + 2;  // with its line end
  if (HeadSize > FLimits.MaxHeadSize) {
    FSock->ReportError(WSAENOBUFS);
    return {};
  }
  return line;
}

std::string THTTPSend::ReadNonEmptyHeadLine(std::int64_t& HeadSize) {
  std::string line;
  do {
    line = ReadHeadLine(HeadSize);
  } while (line.empty() && FSock->LastError() == 0);
  return line;
}

bool THTTPSend::ConnectionReusable() {
  return FSock->Socket() != INVALID_SOCKET && FAliveHost == FTargetHost && FAlivePort == FTargetPort &&
         !FSock->CanRead(0);
}

bool THTTPSend::EnsureConnection(bool UseTLS, bool& Reused) {
  Reused = ConnectionReusable();
  return Reused || OpenConnection(UseTLS);
}

THTTPSend::TSentRequest THTTPSend::SendRequest(const THTTPRequestPlan& Plan, const std::string& Head,
                                               std::int64_t& HeadSize) {
  TSentRequest result;
  result.Bytes = Head;
  FDocument->SetPosition(0);
  const std::int64_t bodySize = FDocument->Size();
  auto sendBody = [&] {
    const char* data = FDocument->Memory();
    for (std::int64_t at = 0; at < bodySize && FSock->LastError() == 0; at += kSendPiece) {
      const auto n = static_cast<int>(std::min(kSendPiece, bodySize - at));
      FSock->SendBuffer(data + at, n);
    }
  };
  if (Plan.Expect) {
    FSock->SendString(Head);
    if (FSock->LastError() != 0) return result;
    StartReceiving();
    result.KeptStatus = AnsiToText(ReadNonEmptyHeadLine(HeadSize));
    DecodeStatus(result.KeptStatus);
    result.HasKeptStatus = true;
    while (FSock->LastError() == 0 && !ReadHeadLine(HeadSize).empty()) {
    }
    if (FResultCode >= 100 && FResultCode <= 199) {
      result.HasKeptStatus = false;
      FUploadSize = bodySize;
      sendBody();
    }
  } else if (Plan.Sending && bodySize >= kSeparateBodySize) {
    FSock->SendString(Head);
    FUploadSize = bodySize;
    if (FSock->LastError() == 0) sendBody();
  } else if (Plan.Sending) {
    result.Bytes.append(FDocument->Memory(), static_cast<std::size_t>(bodySize));
    FUploadSize = static_cast<std::int64_t>(result.Bytes.size());
    FSock->SendString(result.Bytes);
  } else {
    FSock->SendString(Head);
  }
  return result;
}

bool THTTPSend::OpenConnection(bool UseTLS) {
  FSock->CloseSocket();
  if (FAborted.load()) {
    FSock->ReportError(WSAECONNABORTED);
    return false;
  }
  FSock->Bind(FIPInterface, u"0");
  if (FSock->LastError() != 0) return false;
  FSock->Connect(FTargetHost, FTargetPort);
  // A new handle starts with the stop flag cleared: an abort that came while
  // it was made still holds.
  if (FAborted.load()) FSock->SetStopFlag(true);
  if (FSock->LastError() != 0) return false;
  if (UseTLS) {
    const bool setSNI = FSock->SSL().SNIHost().empty();
    if (setSNI) FSock->SSL().SetSNIHost(FTargetHost);
    FSock->SSLDoConnect();
    FSock->SSL().SetSNIHost(u"");
    if (FSock->LastError() != 0) return false;
  }
  FAliveHost = FTargetHost;
  FAlivePort = FTargetPort;
  return true;
}

bool THTTPSend::HTTPMethod(const std::u16string& Method, const std::u16string& URL) {
  BeginExchange();
  // The low-speed limit and an abort belong to this exchange only.
  struct TExchangeEnd {
    THTTPSend& Http;
    ~TExchangeEnd() {
      Http.FSock->SetLowSpeedLimit(0, 0);
      Http.FAborted.store(false);
    }
  } exchangeEnd{*this};

  const THTTPRequestPlan plan = PrepareRequest(Method, URL);
  std::int64_t headSize = 0;  // bytes of response head lines read so far
  if (!SendAndReadStatus(plan, HeadBytes(), headSize)) return false;

  TResponseHead response = ReadHeaderLines(plan, headSize);
  if (FSock->LastError() != 0) {
    DropConnection();
    return false;
  }
  FHeadRead = !FHeaders->Empty();

  bool result = true;
  if (WantsBody(Method, response)) result = ReadBody(response.ExpectedLength);
  return FinishExchange(result, response);
}

void THTTPSend::BeginExchange() {
  FResultCode = 500;
  FHeadRead = false;
  FResultString.clear();
  FDownloadSize = 0;
  FUploadSize = 0;
  // Restated on every call: re-initialising the socket drops it.
  FSock->SetMaxLineLength(FLimits.MaxLineLength);
}

bool THTTPSend::ConnectForRequest(bool UseTLS, bool& Reused) {
  if (EnsureConnection(UseTLS, Reused)) return true;
  FAliveHost.clear();
  FAlivePort.clear();
  return false;
}

void THTTPSend::DropConnection() {
  FSock->CloseSocket();
  FAliveHost.clear();
  FAlivePort.clear();
}

bool THTTPSend::SendAndReadStatus(const THTTPRequestPlan& Plan, const std::string& Head,
                                  std::int64_t& HeadSize) {
  TMemoryStream requestBody;  // kept until the answer begins, for a retry

  // A kept-alive connection may have been closed by the server just as the
  // request went out. Such a request is sent once more on a new connection
  // when nothing at all came back on the old one.
  for (int attempt = 1;; ++attempt) {
    bool reused = false;
    if (!ConnectForRequest(Plan.UseTLS, reused)) return false;
    reused = reused && attempt == 1 && !Plan.Expect;
    const int receivedBefore = FSock->RecvCounter();
    const auto deadReusedConnection = [&] {
      const int e = FSock->LastError();
      return reused && FSock->RecvCounter() == receivedBefore && (e == WSAECONNRESET || e == WSASYSNOTREADY);
    };
    const auto retryOnNewConnection = [&] {
      DropConnection();
      FResultCode = 500;
    };

    TSentRequest sent = SendRequest(Plan, Head, HeadSize);
    if (FSock->LastError() != 0) {
      if (deadReusedConnection()) {
        retryOnNewConnection();
        continue;
      }
      return false;
    }
    StartReceiving();

    // The request is out: its fields give way to the response's.
    requestBody = std::move(*FDocument);
    Clear();
    FSendString = std::move(sent.Bytes);
    FTransferEncoding = TE_UNKNOWN;

    // Status line(s); interim 1xx lines stay in the list.
    if (sent.HasKeptStatus) {
      FHeaders->Add(sent.KeptStatus);
      return true;
    }
    ReadStatusLines(HeadSize);
    if (!deadReusedConnection()) return true;
    *FDocument = std::move(requestBody);
    retryOnNewConnection();
  }
}

std::vector<std::u16string> THTTPSend::ReadRawHeaderLines(std::int64_t& HeadSize) {
  std::vector<std::u16string> raw;
  for (;;) {
    std::string line = ReadHeadLine(HeadSize);
    if (FSock->LastError() != 0) break;
    raw.push_back(AnsiToText(line));
    if (line.empty()) break;
  }
  return raw;
}

THTTPSend::TResponseHead THTTPSend::ReadHeaderLines(const THTTPRequestPlan& Plan, std::int64_t& HeadSize) {
  TResponseHead response;
  response.CloseAfter = FProtocol != u"1.1";
  // Only after a status line, and not once the head has outgrown its bound.
  if (FHeaders->Empty() || FSock->LastError() == WSAENOBUFS) return response;
  const std::vector<std::u16string> raw = ReadRawHeaderLines(HeadSize);
  int index = 0;
  while (index < static_cast<int>(raw.size())) {
    const std::u16string line = UnfoldHeaderLine(raw, index);
    FHeaders->Add(line);
    ApplyHeaderLine(line, Plan, response);
  }
  return response;
}

void THTTPSend::ApplyHeaderLine(const std::u16string& Line, const THTTPRequestPlan& Plan,
                                TResponseHead& Response) {
  const std::u16string upper = UpperCase(Line);
  if (StartsWith(upper, u"CONTENT-LENGTH:")) {
    // A negative value is no length, as a text that is no number is.
    Response.ExpectedLength = std::max<std::int64_t>(StrToInt64Def(Trim(TextAfter(Line, u":")), -1), -1);
    if (Response.ExpectedLength != -1 && FTransferEncoding == TE_UNKNOWN) FTransferEncoding = TE_IDENTITY;
  }
  if (StartsWith(upper, u"CONTENT-TYPE:")) {
    FMimeType = Trim(TextAfter(Line, u":"));
    FContentType = TextToAnsi(FMimeType);
  }
  if (StartsWith(upper, u"LOCATION:")) FLocation = Trim(TextAfter(Line, u":"));
  if (StartsWith(upper, u"CONTENT-ENCODING: GZIP")) Response.Gzip = true;
  if (StartsWith(upper, u"TRANSFER-ENCODING:") && Contains(TextAfter(upper, u":"), u"CHUNKED"))
    FTransferEncoding = TE_CHUNKED;
  const std::u16string connectionName = Plan.UsingProxy ? u"PROXY-CONNECTION:" : u"CONNECTION:";
  if (StartsWith(upper, connectionName) && Contains(upper, u"CLOSE")) Response.CloseAfter = true;
}

bool THTTPSend::WantsBody(const std::u16string& Method, TResponseHead& Response) const {
  // HEAD is recognised in any letter case: the request line says HEAD then,
  // and the server sends no body.
  bool readBody;
  if (FHtmlOnly) {
    readBody = Contains(FMimeType, u"text/html") || Contains(FMimeType, u"application/javascript") ||
               Contains(FMimeType, u"text/javascript") || Contains(FMimeType, u"text/plain");
    Response.CloseAfter = true;
  } else {
    readBody = UpperCase(Method) != u"HEAD";
  }
  return readBody && FResultCode != 204 && FResultCode != 304;
}

bool THTTPSend::ReadBody(std::int64_t ExpectedLength) {
  switch (FTransferEncoding) {
    case TE_UNKNOWN: return ReadBodyUntilClose();
    case TE_IDENTITY: return ReadBodyOfLength(ExpectedLength);
    case TE_CHUNKED: return ReadChunkedBody();
  }
  return true;
}

bool THTTPSend::FinishExchange(bool BodyRead, const TResponseHead& Response) {
  FDocument->SetPosition(0);
  if (!DecodeGzipBody(Response.Gzip) && BodyRead) {
    // A body that decodes past the bound ends like one that arrives past it.
    FSock->ReportError(WSAENOBUFS);
    BodyRead = false;
  }

  // A body read that failed leaves the rest of that body on the connection;
  // reusing it would read those bytes as the next response.
  if (Response.CloseAfter || !BodyRead) DropConnection();

  CollectCookies();
  return BodyRead;
}

bool THTTPSend::ReadBodyUntilClose() {
  // Packets land straight in the body stream, which grows without copying
  // itself once it is large. A body already past the bound (bytes of a
  // response without a status line) is kept, but nothing more is added.
  const std::int64_t limit = std::max(FLimits.MaxBodySize, FDocument->Size());
  try {
    // Address space up to the bound, so the body never moves while it grows;
    // only the pages that data reaches become resident.
    FDocument->Reserve(limit + 1);
  } catch (const std::bad_alloc&) {
    // No address space to spare: grow as data comes.
  }
  for (;;) {
    FSock->RecvPacketToStream(*FDocument, FTimeout);
    if (FSock->LastError() != 0) break;
    if (FDocument->Size() > limit) {
      FDocument->SetSize(limit);
      FSock->ReportError(WSAENOBUFS);
      break;
    }
  }
  if (FSock->LastError() == WSAECONNRESET) {
    FSock->ResetLastError();
    return true;
  }
  return false;
}

bool THTTPSend::ReadBodyOfLength(std::int64_t Size) {
  if (Size < 1) return true;
  FDownloadSize = Size;
  const std::int64_t start = FDocument->Size();  // the position is at the end
  const std::int64_t room = std::max<std::int64_t>(FLimits.MaxBodySize - start, 0);
  const std::int64_t now = std::min(Size, room);
  try {
    // Address space for the announced length; only the pages that data
    // reaches become resident, so a server that announces much and sends
    // little costs little.
    FDocument->Reserve(start + now);
  } catch (const std::bad_alloc&) {
    // No address space to spare for the announced length: grow as data comes.
  }
  FSock->RecvStreamSize(*FDocument, FTimeout, now);
  FDocument->SetPosition(FDocument->Size());
  if (FSock->LastError() == 0 && now < Size) FSock->ReportError(WSAENOBUFS);
  return FSock->LastError() == 0;
}

bool THTTPSend::ReadChunkedBody() {
  for (;;) {
    std::string line;
    do {
      line = FSock->RecvString(FTimeout);
    } while (line.empty() && FSock->LastError() == 0);
    if (FSock->LastError() != 0) break;
    // Blanks around the size and a ";" extension are no part of it.
    const std::string sizeText = Trim(TextBefore(Trim(TextBefore(Trim(line), " ")), ";"));
    const std::int64_t size = ParseChunkSize(sizeText);
    if (size < 0) {
      FSock->ReportError(kMalformedResponseError);
      break;
    }
    if (size == 0) break;
    if (!ReadBodyOfLength(size)) break;
  }
  return FSock->LastError() == 0;
}

bool THTTPSend::DecodeGzipBody(bool Gzip) {
  TMemoryStream decoded;
  FDocument->SetPosition(0);
  if (!Gzip) {
    Gzip = LooksLikeGzip(ReadBytesFromStream(*FDocument, 8));
    FDocument->SetPosition(0);
  }
  if (!Gzip) return true;
  bool ok = false;
  bool tooLarge = false;
  try {
    GunzipStream(*FDocument, decoded, FLimits.MaxDecodedSize);
    ok = true;
  } catch (const EZDecodedSizeError&) {
    tooLarge = true;
  } catch (const std::exception&) {
    ok = false;
  }
  if (ok || tooLarge) *FDocument = std::move(decoded);
  FDocument->SetPosition(0);
  return !tooLarge;
}

void THTTPSend::CollectCookies() {
  for (const auto& line : *FHeaders) {
    if (!StartsWith(LowerCase(line), u"set-cookie:")) continue;
    const std::u16string pair = Trim(TextBefore(TextAfter(line, u":"), u";"));
    const std::u16string name = Trim(TextBefore(pair, u"="));
    const std::u16string value = Trim(TextAfter(pair, u"="));
    const int index = FCookies->IndexOfName(name);
    if (value.empty()) {
      FCookies->Delete(index);
    } else if (index >= 0) {
      FCookies->Delete(index);
      FCookies->Insert(index, name + u"=" + value);
    } else {
      FCookies->Add(name + u"=" + value);
    }
  }
}

}  // namespace tav
