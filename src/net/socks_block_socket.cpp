#include "net/socks_block_socket.h"

#include "util/code_page.h"
#include "util/ip_text.h"
#include "util/text_helpers.h"

namespace tav {

namespace {

constexpr char kSocks4Version = 0x04;
constexpr char kSocks5Version = 0x05;
constexpr std::uint8_t kMethodNone = 0x00;
constexpr std::uint8_t kMethodUserPass = 0x02;
constexpr char kAuthVersion = 0x01;
constexpr char kAddrIPv4 = 0x01;
constexpr char kAddrName = 0x03;
constexpr char kAddrIPv6 = 0x04;
constexpr std::size_t kMaxFieldLength = 255;

// Keeps the bypass flag raised while one negotiation step runs.
class BypassScope {
 public:
  explicit BypassScope(bool& Flag) : FFlag(Flag) { FFlag = true; }
  ~BypassScope() { FFlag = false; }
  BypassScope(const BypassScope&) = delete;
  BypassScope& operator=(const BypassScope&) = delete;

 private:
  bool& FFlag;
};

std::uint8_t ByteAt(const std::string& Value, std::size_t Index1) {
  return static_cast<std::uint8_t>(Value[Index1 - 1]);
}

// "a.b.c.d" of the four bytes from the 1-based index on.
std::u16string DottedQuad(const std::string& Value, std::size_t Index1) {
  return IntToText(ByteAt(Value, Index1)) + u"." + IntToText(ByteAt(Value, Index1 + 1)) + u"." +
         IntToText(ByteAt(Value, Index1 + 2)) + u"." + IntToText(ByteAt(Value, Index1 + 3));
}

}  // namespace

TSocksBlockSocket::TSocksBlockSocket() { InitSocksDefaults(); }

TSocksBlockSocket::TSocksBlockSocket(const std::u16string& Stub) : TBlockSocket(Stub) {
  InitSocksDefaults();
}

void TSocksBlockSocket::InitSocksDefaults() {
  FSocksIP.clear();
  FSocksPort = u"1080";
  FSocksTimeout = 60000;
  FSocksUsername.clear();
  FSocksPassword.clear();
  FUsingSocks = false;
  FSocksResolver = true;
  FSocksLastError = 0;
  FSocksResponseIP.clear();
  FSocksResponsePort.clear();
  FSocksLocalIP.clear();
  FSocksLocalPort.clear();
  FSocksRemoteIP.clear();
  FSocksRemotePort.clear();
  FBypassFlag = false;
  FSocksType = ST_Socks5;
}

bool TSocksBlockSocket::SocksOpen() {
  FUsingSocks = false;
  if (FSocksType != ST_Socks5) {
    FUsingSocks = true;
    return true;
  }
  BypassScope bypass(FBypassFlag);
  // With a user name the proxy may choose user/password or no authentication.
  if (FSocksUsername.empty()) {
    SendString(std::string{kSocks5Version, 0x01, static_cast<char>(kMethodNone)});
  } else {
    SendString(std::string{kSocks5Version, 0x02, static_cast<char>(kMethodUserPass),
                           static_cast<char>(kMethodNone)});
  }
  if (FLastError != 0) return false;
  std::string answer = RecvBufferStr(2, FSocksTimeout);
  if (answer.size() < 2 || answer[0] != kSocks5Version) return false;
  switch (static_cast<std::uint8_t>(answer[1])) {
    case kMethodNone:
      break;
    case kMethodUserPass: {
      const std::string user = TextToAnsi(FSocksUsername);
      const std::string pass = TextToAnsi(FSocksPassword);
      // Each length travels in one byte: a longer field cannot be sent.
      if (user.size() > kMaxFieldLength || pass.size() > kMaxFieldLength) return false;
      std::string request;
      request += kAuthVersion;
      request += static_cast<char>(user.size());
      request += user;
      request += static_cast<char>(pass.size());
      request += pass;
      SendString(request);
      if (FLastError != 0) return false;
      answer = RecvBufferStr(2, FSocksTimeout);
      if (answer.size() < 2 || answer[1] != 0x00) return false;
      break;
    }
    default:
      return false;
  }
  FUsingSocks = true;
  return true;
}

bool TSocksBlockSocket::SocksRequest(std::uint8_t Cmd, const std::u16string& IP,
                                     const std::u16string& Port) {
  BypassScope bypass(FBypassFlag);
  const std::string target = EncodeSocksTarget(IP, Port);
  if (target.empty()) return false;
  std::string request;
  if (FSocksType == ST_Socks4) {
    request += kSocks4Version;
    request += static_cast<char>(Cmd);
  } else {
    request += kSocks5Version;
    request += static_cast<char>(Cmd);
    request += '\0';
  }
  request += target;
  SendString(request);
  return FLastError == 0;
}

std::string TSocksBlockSocket::EncodeSocksTarget(const std::u16string& IP,
                                                 const std::u16string& Port) {
  std::u16string ip = IP;
  if (!FSocksResolver) ip = ResolveName(ip);
  std::string result;
  if (FSocksType == ST_Socks4) {
    const std::string user = TextToAnsi(FSocksUsername);
    if (user.find('\0') != std::string::npos) return {};
    result = PackWordBE(ResolvePort(Port));
    if (IsIPv4Text(ip)) {
      result += IPv4TextToBytes(ip);
      result += user;
      result += '\0';
    } else {
      // SOCKS 4a: the address 0.0.0.1 asks the proxy to resolve the name.
      const std::string name = TextToAnsi(ip);
      if (name.find('\0') != std::string::npos) return {};
      result += std::string("\0\0\0\x01", 4);
      result += user;
      result += '\0';
      result += name;
      result += '\0';
    }
    return result;
  }
  if (IsIPv4Text(ip)) {
    result += kAddrIPv4;
    result += IPv4TextToBytes(ip);
  } else if (IsIPv6Text(ip)) {
    result += kAddrIPv6;
    result += IPv6TextToBytes(ip);
  } else {
    const std::string name = TextToAnsi(ip);
    // The name's length travels in one byte: a longer name cannot be sent.
    if (name.size() > kMaxFieldLength) return {};
    result += kAddrName;
    result += static_cast<char>(name.size());
    result += name;
  }
  result += PackWordBE(ResolvePort(Port));
  return result;
}

bool TSocksBlockSocket::SocksResponse() {
  BypassScope bypass(FBypassFlag);
  FSocksResponseIP.clear();
  FSocksResponsePort.clear();
  FSocksLastError = -1;
  std::string reply;
  if (FSocksType == ST_Socks4) {
    reply = RecvBufferStr(8, FSocksTimeout);
    if (FLastError != 0 || reply.size() < 8 || reply[0] != 0x00) return false;
  } else {
    reply = RecvBufferStr(4, FSocksTimeout);
    if (FLastError != 0 || reply.size() < 4 || reply[0] != kSocks5Version) return false;
    std::string address;
    switch (reply[3]) {
      case kAddrIPv4:
        address = RecvBufferStr(4, FSocksTimeout);
        break;
      case kAddrName: {
        const std::uint8_t length = RecvByte(FSocksTimeout);
        if (FLastError != 0) return false;
        // The length byte stays in front of the name, as the decoder expects.
        address = static_cast<char>(length);
        if (length > 0) address += RecvBufferStr(length, FSocksTimeout);
        break;
      }
      case kAddrIPv6:
        address = RecvBufferStr(16, FSocksTimeout);
        break;
      default:
        return false;
    }
    // A failed address read must not let the port read pick up later bytes.
    if (FLastError != 0) return false;
    reply += address;
    const std::string port = RecvBufferStr(2, FSocksTimeout);
    if (FLastError != 0 || port.size() < 2) return false;
    reply += port;
  }
  FSocksLastError = static_cast<std::uint8_t>(reply[1]);
  if (FSocksLastError != 0 && FSocksLastError != 90) return false;
  DecodeSocksReply(reply);
  return true;
}

int TSocksBlockSocket::DecodeSocksReply(const std::string& Value) {
  FSocksResponsePort = u"0";
  const std::size_t size = Value.size();
  if (FSocksType == ST_Socks4) {
    if (size < 8) return 0;
    FSocksResponsePort = IntToText(UnpackWordBE(Value, 3));
    FSocksResponseIP = DottedQuad(Value, 5);
    return 9;
  }
  if (size < 4) return 0;
  std::size_t index = 0;
  switch (Value[3]) {
    case kAddrIPv4:
      if (size < 10) return 5;
      FSocksResponseIP = DottedQuad(Value, 5);
      index = 9;
      break;
    case kAddrName: {
      const std::size_t y = size >= 5 ? ByteAt(Value, 5) : 0;
      if (size < 5 || size < y + 7) return 5;
      FSocksResponseIP = AnsiToText(Value.substr(5, y));
      index = y + 6;
      break;
    }
    case kAddrIPv6:
      if (size < 22) return 5;
      FSocksResponseIP = IPv6BytesToText(Value.substr(4, 16));
      index = 21;
      break;
    default:
      return 5;
  }
  FSocksResponsePort = IntToText(UnpackWordBE(Value, static_cast<int>(index)));
  return static_cast<int>(index + 2);
}

}  // namespace tav
