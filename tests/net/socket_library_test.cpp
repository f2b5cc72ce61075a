#include "net/socket_library.h"

#include <gtest/gtest.h>

#include "net/socket_errors.h"

namespace tav {
namespace {

TEST(SocketLibrary, LoadAndUnloadKeepACountThatStopsAtZero) {
  while (SocketLibraryUsers() > 0) UnloadSocketLibrary();
  EXPECT_TRUE(UnloadSocketLibrary());
  EXPECT_EQ(SocketLibraryUsers(), 0);
  EXPECT_TRUE(LoadSocketLibrary());
  EXPECT_TRUE(LoadSocketLibrary(u"ws2_32.dll"));
  EXPECT_EQ(SocketLibraryUsers(), 2);
  {
    TSocketLibraryScope scope;
    EXPECT_EQ(SocketLibraryUsers(), 3);
  }
  EXPECT_EQ(SocketLibraryUsers(), 2);
  UnloadSocketLibrary();
  UnloadSocketLibrary();
  UnloadSocketLibrary();
  EXPECT_EQ(SocketLibraryUsers(), 0);
}

TEST(SocketLibrary, FillVarSinResolvesLocallyKnownAddresses) {
  struct Case {
    const char* ip;
    const char* port;
    int family;
    bool preferIP4;
    int code;
    int resultFamily;
    const char* resultIP;
    int resultPort;
  };
  const Case cases[] = {
      {"127.0.0.1", "80", AF_INET, true, 0, AF_INET, "127.0.0.1", 80},
      {"0.0.0.0", "0", AF_INET, true, 0, AF_INET, "0.0.0.0", 0},
      {"0.0.0.0", "8080", AF_UNSPEC, true, 0, AF_INET, "0.0.0.0", 8080},
      {"::1", "443", AF_INET6, true, 0, AF_INET6, "::1", 443},
      {"::0", "21", AF_INET6, true, 0, AF_INET6, "::", 21},
      {"10.1.2.3", "7", AF_INET, true, 0, AF_INET, "10.1.2.3", 7},
      {"localhost", "http", AF_INET, true, 0, AF_INET, "127.0.0.1", 80},
      {"localhost", "81", AF_UNSPEC, true, 0, AF_INET, "127.0.0.1", 81},
      {"127.0.0.1", "", AF_INET, true, 0, AF_INET, "127.0.0.1", 0},
      // A numeric IPv6 address has no IPv4 form: the second pass finds it.
      {"::1", "9", AF_UNSPEC, true, 0, AF_INET6, "::1", 9},
      {"127.0.0.1", "9", AF_UNSPEC, false, 0, AF_INET, "127.0.0.1", 9},
      {"nosuchhost.invalid", "80", AF_UNSPEC, true, WSAHOST_NOT_FOUND, 0, "", 0},
      {"nosuchhost.invalid", "80", AF_INET, false, WSAHOST_NOT_FOUND, 0, "", 0},
  };
  for (const Case& c : cases) {
    TVarSin sin;
    const int code = FillVarSin(sin, c.ip, c.port, c.family, IPPROTO_TCP, SOCK_STREAM, c.preferIP4);
    SCOPED_TRACE(std::string(c.ip) + " " + c.port);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(sin.AddressFamily(), c.resultFamily);
    EXPECT_EQ(VarSinToIP(sin), c.resultIP);
    EXPECT_EQ(VarSinToPort(sin), c.resultPort);
  }
}

TEST(SocketLibrary, VarSinLengthFollowsTheFamily) {
  TVarSin sin;
  EXPECT_EQ(VarSinLength(sin), 0);
  sin.sin.sin_family = AF_INET;
  EXPECT_EQ(VarSinLength(sin), 16);
  sin.sin.sin_family = AF_INET6;
  EXPECT_EQ(VarSinLength(sin), 28);
}

TEST(SocketLibrary, LookupHostIPsFiltersByFamilyAndNeverReturnsEmpty) {
  std::vector<std::string> list{"stale"};
  LookupHostIPs("nosuchhost.invalid", AF_UNSPEC, IPPROTO_TCP, SOCK_STREAM, list);
  EXPECT_EQ(list, std::vector<std::string>{"0.0.0.0"});
  LookupHostIPs("127.0.0.1", AF_INET, IPPROTO_TCP, SOCK_STREAM, list);
  EXPECT_EQ(list, std::vector<std::string>{"127.0.0.1"});
  LookupHostIPs("::1", AF_INET, IPPROTO_TCP, SOCK_STREAM, list);
  EXPECT_EQ(list, std::vector<std::string>{"0.0.0.0"});
  LookupHostIPs("::1", AF_UNSPEC, IPPROTO_TCP, SOCK_STREAM, list);
  EXPECT_EQ(list, std::vector<std::string>{"::1"});
}

TEST(SocketLibrary, LookupPortTakesNumbersAndServiceNames) {
  EXPECT_EQ(LookupPort("80", AF_UNSPEC, IPPROTO_TCP, SOCK_STREAM), 80);
  EXPECT_EQ(LookupPort("65535", AF_UNSPEC, IPPROTO_TCP, SOCK_STREAM), 65535);
  EXPECT_EQ(LookupPort("https", AF_UNSPEC, IPPROTO_TCP, SOCK_STREAM), 443);
  EXPECT_EQ(LookupPort("no-such-service", AF_UNSPEC, IPPROTO_TCP, SOCK_STREAM), 0);
  EXPECT_EQ(LookupPort("", AF_UNSPEC, IPPROTO_TCP, SOCK_STREAM), 0);
}

TEST(SocketLibrary, LookupHostNameAndLocalHostName) {
  EXPECT_EQ(LookupHostName("127.0.0.1", AF_UNSPEC, IPPROTO_TCP, SOCK_STREAM), "localhost");
  EXPECT_EQ(LookupHostName("nosuchhost.invalid", AF_UNSPEC, IPPROTO_TCP, SOCK_STREAM),
            "nosuchhost.invalid");
  EXPECT_FALSE(LocalHostName().empty());
}

TEST(SocketLibrary, DescriptorSetIgnoresHandlesItCannotHold) {
  TFDSet set;
  FDZero(set);
  FDSetAdd(5, set);
  FDSetAdd(-1, set);
  FDSetAdd(FD_SETSIZE + 10, set);
  EXPECT_TRUE(FDIsSet(5, set));
  EXPECT_FALSE(FDIsSet(6, set));
  EXPECT_FALSE(FDIsSet(-1, set));
  EXPECT_FALSE(FDIsSet(FD_SETSIZE + 10, set));
}

}  // namespace
}  // namespace tav
