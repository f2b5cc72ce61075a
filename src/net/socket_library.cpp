#include "net/socket_library.h"

#include <netdb.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "net/socket_errors.h"

namespace tav {

// --- socket address record ------------------------------------------------------

TVarSin::TVarSin() { Clear(); }

void TVarSin::Clear() { std::memset(static_cast<void*>(this), 0, sizeof(TVarSin)); }

int VarSinLength(const TVarSin& Sin) {
  switch (Sin.AddressFamily()) {
    case AF_INET: return static_cast<int>(sizeof(sockaddr_in));
    case AF_INET6: return static_cast<int>(sizeof(sockaddr_in6));
    default: return 0;
  }
}

// --- descriptor sets --------------------------------------------------------------

void FDZero(TFDSet& Set) { FD_ZERO(&Set); }

void FDSetAdd(TSocket Handle, TFDSet& Set) {
  if (Handle >= 0 && Handle < FD_SETSIZE) FD_SET(Handle, &Set);
}

bool FDIsSet(TSocket Handle, const TFDSet& Set) {
  return Handle >= 0 && Handle < FD_SETSIZE && FD_ISSET(Handle, &Set);
}

// --- library start-up ---------------------------------------------------------------

std::mutex SocketLibraryLock;

namespace {
int gSocketLibraryUsers = 0;
}

int SocketLibraryUsers() {
  std::lock_guard<std::mutex> guard(SocketLibraryLock);
  return gSocketLibraryUsers;
}

bool LoadSocketLibrary(const std::u16string& /*LibraryName*/) {
  std::lock_guard<std::mutex> guard(SocketLibraryLock);
  // The calls are linked in; there is nothing to bind.
  ++gSocketLibraryUsers;
  return true;
}

bool UnloadSocketLibrary() {
  std::lock_guard<std::mutex> guard(SocketLibraryLock);
  gSocketLibraryUsers = std::max(0, gSocketLibraryUsers - 1);
  return true;
}

void StartSocketLibrary() {
  if (!LoadSocketLibrary(u"ws2_32.dll")) {
    const std::u16string text = u"Error loading Socket interface (ws2_32.dll)!";
    throw ESocketError("Error loading Socket interface (ws2_32.dll)!", 0, text);
  }
}

void StopSocketLibrary() { UnloadSocketLibrary(); }

// --- resolution ------------------------------------------------------------------------

namespace {

constexpr int kHostBufferSize = 1025;
constexpr int kServiceBufferSize = 32;

// getaddrinfo with the service left out when Port is empty.
int GetAddrInfo(const char* Node, const std::string& Port, const addrinfo& Hints,
                addrinfo*& Result) {
  Result = nullptr;
  return ::getaddrinfo(Node, Port.empty() ? nullptr : Port.c_str(), &Hints, &Result);
}

// One resolution pass with the given hints; fills Sin on success.
int LookupOnce(TVarSin& Sin, const std::string& IP, const std::string& Port, addrinfo Hints) {
  addrinfo* result = nullptr;
  int r;
  if (Hints.ai_socktype == SOCK_RAW) {
    Hints.ai_socktype = 0;
    Hints.ai_protocol = 0;
    r = ::getaddrinfo(IP.c_str(), nullptr, &Hints, &result);
  } else if (IP == "0.0.0.0" || IP == "::0") {
    // The any address of the hinted family.
    Hints.ai_flags = AI_PASSIVE;
    r = GetAddrInfo(nullptr, Port, Hints, result);
  } else if ((IP == "127.0.0.1" && Hints.ai_family == AF_INET) ||
             (IP == "::1" && Hints.ai_family == AF_INET6)) {
    // The loopback address, without a name service. Only when the family
    // matches: a pass for the other family must not turn "::1" into
    // 127.0.0.1 or the reverse.
    r = GetAddrInfo(nullptr, Port, Hints, result);
    if (r != 0 && Port.empty()) r = ::getaddrinfo(IP.c_str(), nullptr, &Hints, &result);
  } else {
    r = GetAddrInfo(IP.c_str(), Port, Hints, result);
  }
  if (r == 0 && result != nullptr && result->ai_addr != nullptr) {
    const std::size_t length = std::min<std::size_t>(result->ai_addrlen, sizeof(TVarSin));
    std::memcpy(static_cast<void*>(&Sin), result->ai_addr, length);
  }
  if (result != nullptr) ::freeaddrinfo(result);
  if (r == 0 && result == nullptr) return WSAHOST_NOT_FOUND;
  return SocketErrorFromAddrInfo(r);
}

std::string NumericHost(const sockaddr* Addr, socklen_t Length, int Flags) {
  char host[kHostBufferSize];
  char service[kServiceBufferSize];
  if (::getnameinfo(Addr, Length, host, sizeof host, service, sizeof service, Flags) != 0) {
    return {};
  }
  return host;
}

}  // namespace

int FillVarSin(TVarSin& Sin, const std::string& IP, const std::string& Port, int Family,
               int SockProtocol, int SockType, bool PreferIP4) {
  Sin.Clear();
  addrinfo first{};
  addrinfo second{};
  first.ai_socktype = second.ai_socktype = SockType;
  first.ai_protocol = second.ai_protocol = SockProtocol;
  bool twoPasses = false;
  if (Family == AF_UNSPEC) {
    first.ai_family = PreferIP4 ? AF_INET : AF_INET6;
    second.ai_family = PreferIP4 ? AF_INET6 : AF_INET;
    twoPasses = true;
  } else {
    first.ai_family = Family;
  }
  int result = LookupOnce(Sin, IP, Port, first);
  if (result != 0) {
    Sin.Clear();
    if (twoPasses) {
      result = LookupOnce(Sin, IP, Port, second);
      if (result != 0) Sin.Clear();
    }
  }
  return result;
}

std::string VarSinToIP(const TVarSin& Sin) {
  const int length = VarSinLength(Sin);
  if (length == 0) return {};
  return NumericHost(Sin.Addr(), static_cast<socklen_t>(length), NI_NUMERICHOST | NI_NUMERICSERV);
}

int VarSinToPort(const TVarSin& Sin) { return ntohs(Sin.sin.sin_port); }

void LookupHostIPs(const std::string& Name, int Family, int SockProtocol, int SockType,
                   std::vector<std::string>& List) {
  List.clear();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SockType;
  hints.ai_protocol = SockProtocol;
  addrinfo* result = nullptr;
  if (::getaddrinfo(Name.c_str(), nullptr, &hints, &result) == 0) {
    for (addrinfo* item = result; item != nullptr; item = item->ai_next) {
      if (Family == AF_INET6 && item->ai_family == AF_INET) continue;
      if (Family == AF_INET && item->ai_family == AF_INET6) continue;
      if (item->ai_addr == nullptr) continue;
      std::string host = NumericHost(item->ai_addr, item->ai_addrlen, NI_NUMERICHOST | NI_NUMERICSERV);
      if (!host.empty()) List.push_back(host);
    }
  }
  if (result != nullptr) ::freeaddrinfo(result);
  if (List.empty()) List.push_back("0.0.0.0");
}

std::uint16_t LookupPort(const std::string& Port, int /*Family*/, int SockProtocol, int SockType) {
  if (Port.empty()) return 0;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SockType;
  hints.ai_protocol = SockProtocol;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* result = nullptr;
  std::uint16_t port = 0;
  if (::getaddrinfo(nullptr, Port.c_str(), &hints, &result) == 0 && result != nullptr &&
      result->ai_addr != nullptr) {
    if (result->ai_family == AF_INET) {
      port = ntohs(reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_port);
    } else if (result->ai_family == AF_INET6) {
      port = ntohs(reinterpret_cast<const sockaddr_in6*>(result->ai_addr)->sin6_port);
    }
  }
  if (result != nullptr) ::freeaddrinfo(result);
  return port;
}

std::string LookupHostName(const std::string& IP, int /*Family*/, int SockProtocol, int SockType) {
  std::string answer = IP;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SockType;
  hints.ai_protocol = SockProtocol;
  addrinfo* result = nullptr;
  if (::getaddrinfo(IP.c_str(), nullptr, &hints, &result) == 0 && result != nullptr &&
      result->ai_addr != nullptr) {
    std::string host = NumericHost(result->ai_addr, result->ai_addrlen, NI_NUMERICSERV);
    if (!host.empty()) answer = host;
  }
  if (result != nullptr) ::freeaddrinfo(result);
  return answer;
}

std::string LocalHostName() {
  char buffer[255] = {};
  if (::gethostname(buffer, sizeof buffer - 1) != 0) return {};
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

// --- socket calls with TVarSin -------------------------------------------------------

int BindSin(TSocket Handle, const TVarSin& Sin) {
  return ::bind(Handle, Sin.Addr(), static_cast<socklen_t>(VarSinLength(Sin)));
}

int ConnectSin(TSocket Handle, const TVarSin& Sin) {
  return ::connect(Handle, Sin.Addr(), static_cast<socklen_t>(VarSinLength(Sin)));
}

int GetSockNameSin(TSocket Handle, TVarSin& Sin) {
  Sin.Clear();
  socklen_t length = sizeof(TVarSin);
  return ::getsockname(Handle, Sin.Addr(), &length);
}

int GetPeerNameSin(TSocket Handle, TVarSin& Sin) {
  Sin.Clear();
  socklen_t length = sizeof(TVarSin);
  return ::getpeername(Handle, Sin.Addr(), &length);
}

TSocket AcceptSin(TSocket Handle, TVarSin& Sin) {
  socklen_t length = sizeof(TVarSin);
  return ::accept4(Handle, Sin.Addr(), &length, SOCK_CLOEXEC);
}

int SendToSin(TSocket Handle, const void* Buffer, int Length, int Flags, const TVarSin& Sin) {
  return static_cast<int>(::sendto(Handle, Buffer, static_cast<std::size_t>(std::max(Length, 0)),
                                   Flags | MSG_NOSIGNAL, Sin.Addr(),
                                   static_cast<socklen_t>(VarSinLength(Sin))));
}

int RecvFromSin(TSocket Handle, void* Buffer, int Length, int Flags, TVarSin& Sin) {
  socklen_t length = sizeof(TVarSin);
  return static_cast<int>(::recvfrom(Handle, Buffer, static_cast<std::size_t>(std::max(Length, 0)),
                                     Flags, Sin.Addr(), &length));
}

}  // namespace tav
