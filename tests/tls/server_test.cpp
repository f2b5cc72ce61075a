// The OpenSSL plug-in on the accepting side: the key sources it loads (with
// `openssl s_client` as the peer), the certificate it makes for itself, and
// the closing exchange seen by a client of the same plug-in.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "net/tcp_block_socket.h"
#include "tls/openssl_binding.h"
#include "tls/ssl_openssl.h"
#include "tls_fixtures.h"
#include "util/code_page.h"
#include "util/text_helpers.h"

namespace tav {
namespace {

using test::Certificates;

std::string Narrow(const std::u16string& text) { return TextToUtf8(text); }

// A listening socket on a free loopback port.
class Listener {
 public:
  Listener() {
    FSocket.Bind(u"127.0.0.1", u"0");
    FSocket.Listen();
  }
  int Port() { return FSocket.GetLocalSinPort(); }
  // The next connection, on a socket with the OpenSSL plug-in.
  std::unique_ptr<TTCPBlockSocket> Accept() {
    if (!FSocket.CanRead(5000)) return nullptr;
    auto socket = std::make_unique<TTCPBlockSocket>(SSLClassOf<TSSLOpenSSL>());
    socket->SetSocket(FSocket.Accept());
    socket->GetSins();
    return socket;
  }

 private:
  TTCPBlockSocket FSocket;
};

std::string ReadBytes(const std::string& file) { return test::ReadFile(file); }

// `openssl s_client` connected to a fresh listener, and the server side of
// that connection (null when nothing connected in time).
struct SClientSession {
  Listener Server;
  test::TempFolder Folder;
  test::ChildProcess Client{{"openssl", "s_client", "-connect", "127.0.0.1:" + std::to_string(Server.Port()),
                             "-quiet", "-crlf"},
                            Folder.File("client.log")};
  std::unique_ptr<TTCPBlockSocket> Socket = Server.Accept();
};

TEST(TlsServerTest, AcceptsWithEachKeySource) {
  ASSERT_TRUE(LoadTlsLibraries());
  const auto& certs = Certificates();
  const std::u16string password = Utf8ToText(test::kKeyPassword);
  const struct {
    const char* Name;
    std::function<void(TCustomSSL&)> Configure;
    const char* PeerSees;  // part of the certificate subject s_client prints
  } cases[] = {
      {"certificate and key files",
       [&](TCustomSSL& ssl) {
         ssl.SetCertificateFile(Utf8ToText(certs.RsaCert));
         ssl.SetPrivateKeyFile(Utf8ToText(certs.RsaKey));
       },
       "CN = rsa.test"},
      {"encrypted key file with its pass phrase",
       [&](TCustomSSL& ssl) {
         ssl.SetCertificateFile(Utf8ToText(certs.RsaCert));
         ssl.SetPrivateKeyFile(Utf8ToText(certs.RsaKeyEncrypted));
         ssl.SetKeyPassword(password);
       },
       "CN = rsa.test"},
      {"PKCS #12 file",
       [&](TCustomSSL& ssl) {
         ssl.SetPFXfile(Utf8ToText(certs.RsaPfx));
         ssl.SetKeyPassword(password);
       },
       "CN = rsa.test"},
      {"PKCS #12 in memory",
       [&](TCustomSSL& ssl) {
         ssl.SetPFX(ReadBytes(certs.RsaPfx));
         ssl.SetKeyPassword(password);
       },
       "CN = rsa.test"},
      {"DER certificate and key in memory",
       [&](TCustomSSL& ssl) {
         ssl.SetCertificate(ReadBytes(certs.RsaCertDer));
         ssl.SetPrivateKey(ReadBytes(certs.RsaKeyDer));
       },
       "CN = rsa.test"},
      {"certificate made for itself", [](TCustomSSL&) {}, "C = CZ, CN = "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    SClientSession session;
    auto& socket = session.Socket;
    auto& client = session.Client;
    ASSERT_NE(socket, nullptr);
    c.Configure(socket->SSL());
    ASSERT_TRUE(socket->SSLAcceptConnection()) << Narrow(socket->SSL().LastErrorDesc());
    EXPECT_TRUE(socket->SSL().SSLEnabled());
    client.WriteInput("ping\n");
    EXPECT_EQ(socket->RecvString(5000), "ping") << client.Output();
    socket->SendString("pong\r\n");
    EXPECT_TRUE(client.WaitForOutput("pong")) << client.Output();
    EXPECT_NE(client.Output().find(c.PeerSees), std::string::npos) << client.Output();
  }
}

TEST(TlsServerTest, WrongPassPhraseOrMissingFileRefusesTheHandshake) {
  ASSERT_TRUE(LoadTlsLibraries());
  const auto& certs = Certificates();
  const struct {
    const char* Name;
    std::function<void(TCustomSSL&)> Configure;
  } cases[] = {
      {"encrypted key, wrong pass phrase",
       [&](TCustomSSL& ssl) {
         ssl.SetCertificateFile(Utf8ToText(certs.RsaCert));
         ssl.SetPrivateKeyFile(Utf8ToText(certs.RsaKeyEncrypted));
         ssl.SetKeyPassword(u"wrong");
       }},
      {"PKCS #12, wrong pass phrase",
       [&](TCustomSSL& ssl) {
         ssl.SetPFXfile(Utf8ToText(certs.RsaPfx));
         ssl.SetKeyPassword(u"wrong");
       }},
      {"PKCS #12 file missing", [&](TCustomSSL& ssl) { ssl.SetPFXfile(u"/nonexistent/tav.pfx"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    SClientSession session;
    auto& socket = session.Socket;
    ASSERT_NE(socket, nullptr);
    c.Configure(socket->SSL());
    EXPECT_FALSE(socket->SSLAcceptConnection());
    EXPECT_EQ(socket->LastError(), 10091);
    EXPECT_FALSE(socket->SSL().SSLEnabled());
  }
}

// Both ends with this plug-in: data both ways, then the server's closing
// exchange; the client's receive after the close notification gives 0.
TEST(TlsServerTest, CloseNotificationEndsTheStreamCleanly) {
  ASSERT_TRUE(LoadTlsLibraries());
  Listener listener;
  const int port = listener.Port();
  std::string serverGot;
  bool serverAccepted = false;
  std::thread serverThread([&] {
    auto socket = listener.Accept();
    if (!socket) return;
    serverAccepted = socket->SSLAcceptConnection();
    if (!serverAccepted) return;
    serverGot = socket->RecvString(5000);
    socket->SendString("bye\r\n");
    socket->SSLDoShutdown();
    socket->CloseSocket();
  });
  TTCPBlockSocket client(SSLClassOf<TSSLOpenSSL>());
  client.Connect(u"127.0.0.1", IntToText(port));
  client.SSLDoConnect();
  ASSERT_EQ(client.LastError(), 0) << Narrow(client.LastErrorDesc());
  const std::u16string subject = client.SSL().GetPeerSubject();
  EXPECT_EQ(subject.rfind(u"/C=CZ/CN=", 0), 0u) << Narrow(subject);
  EXPECT_EQ(client.SSL().GetPeerName(), subject.substr(9));
  EXPECT_EQ(client.SSL().GetPeerSerialNo(), 0);
  client.SendString("hello\r\n");
  EXPECT_EQ(client.RecvString(5000), "bye");
  char buffer[64];
  EXPECT_EQ(client.SSL().RecvBuffer(buffer, sizeof buffer), 0);
  EXPECT_EQ(client.SSL().LastError(), 0);
  client.CloseSocket();
  serverThread.join();
  EXPECT_TRUE(serverAccepted);
  EXPECT_EQ(serverGot, "hello");
}

// A peer that sends only part of a record: the receive must not stay inside
// the TLS library, whether the peer then stalls or trickles the rest.
TEST(TlsServerTest, PartialRecordsEndTheReceiveInTime) {
  ASSERT_TRUE(LoadTlsLibraries());
  const struct {
    const char* Name;
    int TrickleMs;       // 0: stall after the first bytes
    int ExpectedError;   // the socket's code
  } cases[] = {
      {"stalls in a record: the plug-in's wait ends it", 0, 10091},
      {"trickles a record: the low-speed limit ends it", 100, 10060},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Listener listener;
    const int port = listener.Port();
    std::atomic<bool> done{false};
    std::thread serverThread([&] {
      auto socket = listener.Accept();
      if (!socket || !socket->SSLAcceptConnection()) return;
      // An application data record that announces 64 bytes.
      const std::string start = std::string("\x17\x03\x03\x00\x40", 5) + std::string(10, 'x');
      (void)!::send(socket->Socket(), start.data(), start.size(), MSG_NOSIGNAL);
      for (int i = 0; i < 200 && !done; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(c.TrickleMs > 0 ? c.TrickleMs : 100));
        if (c.TrickleMs > 0) (void)!::send(socket->Socket(), "x", 1, MSG_NOSIGNAL);
      }
    });
    TTCPBlockSocket client(SSLClassOf<TSSLOpenSSL>());
    client.Connect(u"127.0.0.1", IntToText(port));
    client.SSLDoConnect();
    ASSERT_EQ(client.LastError(), 0) << Narrow(client.LastErrorDesc());
    if (c.TrickleMs == 0) {
      client.SetConnectionTimeout(400);  // bounds the plug-in's waits
    } else {
      client.SetLowSpeedLimit(60, 600);
    }
    const auto begin = std::chrono::steady_clock::now();
    // The peer goes on for 20 s and the read's own time-out is 30 s: well
    // past the bound that the plug-in's wait or the low-speed limit keep.
    const std::string got = client.RecvPacket(30000);
    const auto spent = std::chrono::steady_clock::now() - begin;
    EXPECT_EQ(got, "");
    EXPECT_EQ(client.LastError(), c.ExpectedError) << Narrow(client.LastErrorDesc());
    EXPECT_LT(spent, std::chrono::milliseconds(6000));
    done = true;
    client.CloseSocket();
    serverThread.join();
  }
}

// OpenSSL writes to the handle with plain write(): a peer that has gone must
// give a failed send, not a SIGPIPE that ends the process.
TEST(TlsServerTest, SendingToAPeerThatHasGoneFailsWithoutEndingTheProcess) {
  ASSERT_TRUE(LoadTlsLibraries());
  signal(SIGPIPE, SIG_DFL);
  Listener listener;
  const int port = listener.Port();
  std::thread serverThread([&] {
    auto socket = listener.Accept();
    if (socket && socket->SSLAcceptConnection()) socket->CloseSocket();
  });
  TTCPBlockSocket client(SSLClassOf<TSSLOpenSSL>());
  client.Connect(u"127.0.0.1", IntToText(port));
  client.SSLDoConnect();
  serverThread.join();
  ASSERT_TRUE(client.SSL().SSLEnabled());
  const std::string block(16384, 'x');
  for (int i = 0; i < 50 && client.LastError() == 0; ++i) {
    client.SendString(block);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(client.LastError(), 10091);
  EXPECT_NE(client.SSL().LastError(), 0);
}

TEST(TlsServerTest, PeerNameOfSubject) {
  const struct {
    const char16_t* Subject;
    const char16_t* Name;
  } cases[] = {
      {u"/C=CZ/CN=host.example", u"host.example"},
      {u"/CN= spaced.example /O=Org", u"spaced.example"},
      {u"/C=CZ/O=No Common Name", u""},
      {u"C=CZ/O=x", u"C=CZ"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(TSSLOpenSSL::PeerNameOfSubject(c.Subject), c.Name) << Narrow(c.Subject);
}

TEST(TlsServerTest, KeyPasswordCallbackCutsToTheBuffer) {
  TTCPBlockSocket socket(SSLClassOf<TSSLOpenSSL>());
  auto* plugin = dynamic_cast<TSSLOpenSSL*>(&socket.SSL());
  ASSERT_NE(plugin, nullptr);
  plugin->SetKeyPassword(u"secret");
  char buffer[8];
  EXPECT_EQ(TSSLOpenSSL::KeyPasswordCallback(buffer, sizeof buffer, 0, plugin), 6);
  EXPECT_STREQ(buffer, "secret");
  EXPECT_EQ(TSSLOpenSSL::KeyPasswordCallback(buffer, 4, 0, plugin), 3);
  EXPECT_STREQ(buffer, "sec");
  EXPECT_EQ(TSSLOpenSSL::KeyPasswordCallback(buffer, sizeof buffer, 0, nullptr), 0);
  EXPECT_STREQ(buffer, "");
}

}  // namespace
}  // namespace tav
