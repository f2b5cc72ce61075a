#pragma once
// The layer between the socket objects and the platform's BSD socket calls:
// the process-wide start-up count, the socket address record, address
// resolution, and descriptor sets.
//
// The socket calls are linked directly, so "loading" the library only keeps
// a reference count; resolution always uses getaddrinfo/getnameinfo.
// Host and port arguments here are 8-bit text (the single-byte code page).
#include <sys/select.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace tav {

using TSocket = int;
inline constexpr TSocket INVALID_SOCKET = -1;
inline constexpr int SOCKET_ERROR = -1;

// An IPv4 or IPv6 socket address, 28 bytes; the address family comes first
// and selects the view.
struct TVarSin {
  union {
    sockaddr_in sin;    // AF_INET view
    sockaddr_in6 sin6;  // AF_INET6 view
  };

  TVarSin();
  void Clear();
  int AddressFamily() const { return sin.sin_family; }
  sockaddr* Addr() { return reinterpret_cast<sockaddr*>(&sin6); }
  const sockaddr* Addr() const { return reinterpret_cast<const sockaddr*>(&sin6); }
};
static_assert(sizeof(TVarSin) == 28, "TVarSin must be 28 bytes");

// The length handed to the platform: 16 for AF_INET, 28 for AF_INET6, 0 else.
int VarSinLength(const TVarSin& Sin);

// Descriptor sets are the platform's own. FDSetAdd ignores handles the
// bitmap cannot hold (negative or at/above FD_SETSIZE); the socket objects
// wait with poll(), so such handles still work there.
using TFDSet = fd_set;
void FDZero(TFDSet& Set);
void FDSetAdd(TSocket Handle, TFDSet& Set);
bool FDIsSet(TSocket Handle, const TFDSet& Set);

// --- process-wide library state -------------------------------------------

// Guards SocketLibraryUsers (and anything else process-wide in this layer).
extern std::mutex SocketLibraryLock;
// Successful LoadSocketLibrary calls not yet matched by UnloadSocketLibrary.
int SocketLibraryUsers();
// The modern resolver calls are always present here.
inline constexpr bool HasAddrInfoApi = true;
inline constexpr bool UseAddrInfoApi(int /*Family*/) { return true; }

// Reference-counted "load"; the name is accepted for symmetry and ignored.
bool LoadSocketLibrary(const std::u16string& LibraryName = u"");
// Reference-counted release, clamped at 0; always true.
bool UnloadSocketLibrary();

// Start-up and shutdown points for the application: StartSocketLibrary loads
// (raising ESocketError "Error loading Socket interface (ws2_32.dll)!" with
// code 0 should that ever fail); StopSocketLibrary releases.
void StartSocketLibrary();
void StopSocketLibrary();

// Start-up object: starts the socket library for its lifetime.
class TSocketLibraryScope {
 public:
  TSocketLibraryScope() { StartSocketLibrary(); }
  ~TSocketLibraryScope() { StopSocketLibrary(); }
  TSocketLibraryScope(const TSocketLibraryScope&) = delete;
  TSocketLibraryScope& operator=(const TSocketLibraryScope&) = delete;
};

// --- addresses and resolution ------------------------------------------------

// Fills Sin (zeroed first) for connect or bind. Family is an AF_ value;
// with AF_UNSPEC IPv4 and IPv6 are tried in the order PreferIP4 chooses.
// Returns 0 or an error code of the socket numbering (11001 ...).
int FillVarSin(TVarSin& Sin, const std::string& IP, const std::string& Port, int Family,
               int SockProtocol, int SockType, bool PreferIP4);
// Numeric IP text of an address; empty when it has none.
std::string VarSinToIP(const TVarSin& Sin);
// Port in host order.
int VarSinToPort(const TVarSin& Sin);
// Numeric addresses of a host, filtered by Family (AF_INET / AF_INET6 /
// AF_UNSPEC). Never empty: "0.0.0.0" stands for no answer.
void LookupHostIPs(const std::string& Name, int Family, int SockProtocol, int SockType,
                   std::vector<std::string>& List);
// Port number of a service name or decimal number; 0 when unknown.
std::uint16_t LookupPort(const std::string& Port, int Family, int SockProtocol, int SockType);
// Reverse lookup; IP itself when nothing better is found.
std::string LookupHostName(const std::string& IP, int Family, int SockProtocol, int SockType);
// The machine's host name.
std::string LocalHostName();

// Socket calls taking a TVarSin; the results and errno are the platform's.
int BindSin(TSocket Handle, const TVarSin& Sin);
int ConnectSin(TSocket Handle, const TVarSin& Sin);
int GetSockNameSin(TSocket Handle, TVarSin& Sin);
int GetPeerNameSin(TSocket Handle, TVarSin& Sin);
TSocket AcceptSin(TSocket Handle, TVarSin& Sin);
int SendToSin(TSocket Handle, const void* Buffer, int Length, int Flags, const TVarSin& Sin);
int RecvFromSin(TSocket Handle, void* Buffer, int Length, int Flags, TVarSin& Sin);

}  // namespace tav
