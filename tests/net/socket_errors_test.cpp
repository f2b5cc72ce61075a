#include "net/socket_errors.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>

#include "net/block_socket.h"
#include "scripted_server.h"

namespace tav {
namespace {

using test::U16;

TEST(SocketErrorText, TableOfCodes) {
  struct Case {
    int code;
    const char* text;
  };
  const Case cases[] = {
      {0, ""},
      {10004, "Interrupted system call"},
      {10009, "Bad file number"},
      {10013, "Permission denied"},
      {10022, "Invalid argument"},
      {10035, "Operation would block"},
      {10036, "Operation now in progress"},
      {10038, "Socket operation on nonsocket"},
      {10041, "Protocol wrong type for Socket"},
      {10045, "Operation not supported on Socket"},
      {10049, "Can't assign requested address"},
      {10053, "Software caused connection abort"},
      {10054, "Connection reset by peer"},
      {10055, "No Buffer space available"},
      {10058, "Can't send after Socket shutdown"},
      {10059, "Too many references:can't splice"},
      {10060, "Connection timed out"},
      {10061, "Connection refused"},
      {10065, "No route to host"},
      {10071, "Too many levels of remote in path"},
      {10091, "Network subsystem is unusable"},
      {10092, "Winsock DLL cannot support this application"},
      {10093, "Winsock not initialized"},
      {10101, "Disconnect"},
      {11001, "Host not found"},
      {11002, "Non authoritative - host not found"},
      {11003, "Non recoverable error"},
      {11004, "Valid name, no data record of requested type"},
      // Gaps and values outside the table.
      {10072, "Other Winsock error (10072)"},
      {10090, "Other Winsock error (10090)"},
      {11005, "Other Winsock error (11005)"},
      {-1, "Other Winsock error (-1)"},
      {5, "Other Winsock error (5)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetErrorDesc(c.code), U16(c.text)) << c.code;
    EXPECT_EQ(TBlockSocket::GetErrorDesc(c.code), U16(c.text)) << c.code;
  }
}

TEST(SocketErrorText, ErrnoMapsByMeaning) {
  struct Case {
    int errnoValue;
    int code;
  };
  const Case cases[] = {
      {0, 0},
      {EINTR, 10004},         {EBADF, 10009},         {EACCES, 10013},
      {EFAULT, 10014},        {EINVAL, 10022},        {EMFILE, 10024},
      {EAGAIN, 10035},        {EWOULDBLOCK, 10035},   {EINPROGRESS, 10036},
      {EALREADY, 10037},      {ENOTSOCK, 10038},      {EMSGSIZE, 10040},
      {EAFNOSUPPORT, 10047},  {EADDRINUSE, 10048},    {EADDRNOTAVAIL, 10049},
      {ENETDOWN, 10050},      {ENETUNREACH, 10051},   {ECONNABORTED, 10053},
      {ECONNRESET, 10054},    {EPIPE, 10054},         {ENOBUFS, 10055},
      {EISCONN, 10056},       {ENOTCONN, 10057},      {ESHUTDOWN, 10058},
      {ETIMEDOUT, 10060},     {ECONNREFUSED, 10061},  {EHOSTDOWN, 10064},
      {EHOSTUNREACH, 10065},
  };
  for (const Case& c : cases) EXPECT_EQ(SocketErrorFromErrno(c.errnoValue), c.code) << c.errnoValue;
}

TEST(SocketErrorText, ResolverResultsMapByMeaning) {
  struct Case {
    int result;
    int code;
  };
  const Case cases[] = {
      {0, 0},
      {EAI_NONAME, 11001},
      {EAI_AGAIN, 11002},
      {EAI_FAIL, 11003},
      {EAI_NODATA, 11004},
      {EAI_ADDRFAMILY, 11004},
  };
  for (const Case& c : cases) EXPECT_EQ(SocketErrorFromAddrInfo(c.result), c.code) << c.result;
}

}  // namespace
}  // namespace tav
