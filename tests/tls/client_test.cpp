// The OpenSSL plug-in as a client against real and misbehaving peers on
// loopback: handshake and peer information, certificate acceptance and
// verification, protocol versions, SNI, failing and stalling peers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
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
using test::OpenSslServer;
using test::RawPeer;
using test::RawPeerMode;
using Clock = std::chrono::steady_clock;

class TlsClientTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadTlsLibraries()); }

  // A socket with the OpenSSL plug-in, TCP-connected to 127.0.0.1:port.
  static std::unique_ptr<TTCPBlockSocket> Connected(int port) {
    auto socket = std::make_unique<TTCPBlockSocket>(SSLClassOf<TSSLOpenSSL>());
    socket->Connect(u"127.0.0.1", IntToText(port));
    EXPECT_EQ(socket->LastError(), 0);
    return socket;
  }

  // Sends a GET through the TLS layer and reads until the status page ends.
  static std::string Get(TTCPBlockSocket& socket) {
    socket.SendString("GET / HTTP/1.0\r\n\r\n");
    std::string answer;
    while (socket.LastError() == 0 && answer.find("</HTML>") == std::string::npos)
      answer += socket.RecvPacket(5000);
    return answer;
  }
};

std::string Narrow(const std::u16string& text) { return TextToUtf8(text); }

// The hexadecimal text after the "=" of an `openssl x509` answer line.
std::string ValueAfterEquals(const std::string& output) {
  const std::size_t eq = output.find('=');
  std::string value = eq == std::string::npos ? output : output.substr(eq + 1);
  while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
  return value;
}

TEST_F(TlsClientTest, HandshakeCarriesTrafficAndReportsThePeer) {
  const auto& certs = Certificates();
  OpenSslServer server(certs.SelfCert, certs.SelfKey);
  ASSERT_TRUE(server.Ready()) << server.Log();
  auto socket = Connected(server.Port());
  TCustomSSL& ssl = socket->SSL();
  // Before the handshake the plain handle is used; the plug-in is idle.
  EXPECT_FALSE(ssl.SSLEnabled());
  EXPECT_EQ(ssl.GetSSLVersion(), u"");
  EXPECT_EQ(ssl.GetPeerSerialNo(), -1);
  EXPECT_EQ(ssl.GetVerifyCert(), 1);

  socket->SSLDoConnect();
  ASSERT_EQ(socket->LastError(), 0) << Narrow(socket->LastErrorDesc());
  EXPECT_TRUE(ssl.SSLEnabled());
  EXPECT_EQ(ssl.GetSSLVersion(), u"TLSv1.3");  // LT_all negotiates the highest version
  EXPECT_EQ(ssl.GetPeerSubject(), u"/CN=localhost");
  EXPECT_EQ(ssl.GetPeerIssuer(), u"/CN=localhost");
  EXPECT_EQ(ssl.GetPeerName(), u"localhost");
  EXPECT_EQ(ssl.GetPeerSerialNo(), 4660);
  EXPECT_FALSE(ssl.GetCipherName().empty());
  EXPECT_GE(ssl.GetCipherBits(), 128);
  EXPECT_GE(ssl.GetCipherAlgBits(), ssl.GetCipherBits());
  // Self-signed: the verify result says so, but nothing was refused.
  EXPECT_EQ(ssl.GetVerifyCert(), 18);

  std::string output;
  ASSERT_EQ(test::RunProgram({"openssl", "x509", "-in", certs.SelfCert, "-noout", "-fingerprint", "-md5"}, &output),
            0);
  std::string expected;
  for (char16_t byte : ssl.GetPeerFingerprint()) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X:", static_cast<unsigned>(byte) & 0xffu);
    expected += hex;
  }
  expected.pop_back();
  EXPECT_EQ(ValueAfterEquals(output), expected);
  ASSERT_EQ(test::RunProgram({"openssl", "x509", "-in", certs.SelfCert, "-noout", "-subject_hash"}, &output), 0);
  EXPECT_EQ(std::stoul(output, nullptr, 16), ssl.GetPeerNameHash());

  const std::u16string info = ssl.GetCertInfo();
  EXPECT_NE(info.find(u"Subject: CN=localhost\r\n"), std::u16string::npos) << Narrow(info);
  EXPECT_EQ(ReplaceAll(info, u"\r\n", u"").find(u'\n'), std::u16string::npos);  // every LF has its CR

  const std::string answer = Get(*socket);
  EXPECT_EQ(answer.rfind("HTTP/1.0 200 ok\r\n", 0), 0u) << answer;

  socket->CloseSocket();
  EXPECT_FALSE(ssl.SSLEnabled());
  EXPECT_EQ(ssl.GetSSLVersion(), u"");
}

TEST_F(TlsClientTest, CertificateAcceptanceAndVerification) {
  const auto& certs = Certificates();
  const struct {
    const char* Name;
    bool Expired;
    bool Verify;
    bool WithCa;
    std::optional<bool> HookAnswer;
    bool Accepted;
    const char* Text;  // expected part of the plug-in's error text
  } cases[] = {
      {"self-signed, defaults", false, false, false, std::nullopt, true, ""},
      {"expired, defaults", true, false, false, std::nullopt, true, ""},
      {"self-signed, verify without CA", false, true, false, std::nullopt, false, "certificate verify failed"},
      {"expired, verify without CA", true, true, false, std::nullopt, false, "certificate verify failed"},
      {"self-signed, verify with it as CA", false, true, true, std::nullopt, true, ""},
      {"self-signed, verify, hook accepts", false, true, true, true, true, ""},
      {"self-signed, verify, hook refuses", false, true, true, false, false, ""},
      {"expired, verify with it as CA", true, true, true, std::nullopt, false, "certificate verify failed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string& cert = c.Expired ? certs.ExpiredCert : certs.SelfCert;
    OpenSslServer server(cert, c.Expired ? certs.ExpiredKey : certs.SelfKey);
    ASSERT_TRUE(server.Ready()) << server.Log();
    auto socket = Connected(server.Port());
    TCustomSSL& ssl = socket->SSL();
    ssl.SetVerifyCert(c.Verify);
    if (c.WithCa) ssl.SetCertCAFile(Utf8ToText(cert));
    int asked = 0;
    if (c.HookAnswer) {
      ssl.SetOnVerifyCert([&](TCustomSSL* sender) {
        ++asked;
        EXPECT_EQ(sender, &ssl);
        return *c.HookAnswer;
      });
    }
    socket->SSLDoConnect();
    EXPECT_EQ(ssl.SSLEnabled(), c.Accepted);
    EXPECT_EQ(socket->LastError(), c.Accepted ? 0 : 10091);
    EXPECT_NE(Narrow(ssl.LastErrorDesc()).find(c.Text), std::string::npos) << Narrow(ssl.LastErrorDesc());
    if (c.HookAnswer) {
      EXPECT_EQ(asked, 1);
    }
    if (c.Accepted) {
      EXPECT_EQ(Get(*socket).rfind("HTTP/1.0 200 ok", 0), 0u);
    }
  }
}

TEST_F(TlsClientTest, ProtocolVersionChoice) {
  const auto& certs = Certificates();
  const struct {
    const char* ServerOption;  // "" = any version
    TSSLType Type;
    const char* Version;  // negotiated; "" = refused
    const char* Text;     // expected part of the error text when refused
  } cases[] = {
      {"", LT_all, "TLSv1.3", ""},
      {"-tls1_2", LT_all, "TLSv1.2", ""},
      {"-tls1_2", LT_TLSv1_2, "TLSv1.2", ""},
      {"", LT_TLSv1_2, "TLSv1.2", ""},
      {"-tls1_3", LT_TLSv1_2, "", "protocol version"},
      {"", LT_TLSv1, "", "SSL routines"},
      {"", LT_SSLv3, "", "SSL routines"},
      {"", LT_SSLv2, "", "null ssl method passed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.ServerOption) + " / type " + std::to_string(c.Type));
    std::vector<std::string> extra{"-www"};
    if (*c.ServerOption != '\0') extra.push_back(c.ServerOption);
    OpenSslServer server(certs.SelfCert, certs.SelfKey, extra);
    ASSERT_TRUE(server.Ready()) << server.Log();
    auto socket = Connected(server.Port());
    TCustomSSL& ssl = socket->SSL();
    ssl.SetSSLType(c.Type);
    socket->SSLDoConnect();
    const bool accepted = *c.Version != '\0';
    ASSERT_EQ(ssl.SSLEnabled(), accepted) << Narrow(ssl.LastErrorDesc());
    if (accepted) {
      EXPECT_EQ(Narrow(ssl.GetSSLVersion()), c.Version);
      EXPECT_EQ(Get(*socket).rfind("HTTP/1.0 200 ok", 0), 0u);
    } else {
      EXPECT_EQ(socket->LastError(), 10091);
      EXPECT_NE(ssl.LastError(), 0);
      EXPECT_NE(Narrow(ssl.LastErrorDesc()).find(c.Text), std::string::npos) << Narrow(ssl.LastErrorDesc());
      // The socket shows the plug-in's text.
      EXPECT_EQ(socket->LastErrorDesc(), ssl.LastErrorDesc());
    }
  }
}

TEST_F(TlsClientTest, SshTypeAndMissingHandleRefuseWithoutAnErrorOfTheirOwn) {
  RawPeer peer(RawPeerMode::Stall);
  auto socket = Connected(peer.Port());
  socket->SSL().SetSSLType(LT_SSHv2);
  socket->SSLDoConnect();
  EXPECT_EQ(socket->LastError(), 10091);
  EXPECT_EQ(socket->SSL().LastError(), 0);
  EXPECT_EQ(socket->SSL().LastErrorDesc(), u"");

  TTCPBlockSocket unconnected(SSLClassOf<TSSLOpenSSL>());
  EXPECT_FALSE(unconnected.SSL().Connect());
  EXPECT_EQ(unconnected.SSL().LastError(), 0);
  EXPECT_EQ(unconnected.SSL().LastErrorDesc(), u"");
  unconnected.SSLDoConnect();
  EXPECT_EQ(unconnected.LastError(), 10091);
  EXPECT_EQ(unconnected.LastErrorDesc(), u"Network subsystem is unusable");
}

TEST_F(TlsClientTest, ServerNameIndication) {
  // What the ClientHello carries.
  const struct {
    const char16_t* SNIHost;
    std::optional<std::string> Sent;
  } cases[] = {
      {u"sni.example.test", "sni.example.test"},
      {u"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Sent.value_or("(none)"));
    RawPeer peer(RawPeerMode::CloseAfterHello);
    auto socket = Connected(peer.Port());
    socket->SSL().SetSNIHost(c.SNIHost);
    socket->SSLDoConnect();
    EXPECT_EQ(socket->LastError(), 10091);
    bool parsed = false;
    EXPECT_EQ(test::ServerNameOf(peer.ClientHello(), &parsed), c.Sent);
    EXPECT_TRUE(parsed);
  }
  // A server that insists on its name: the right one is accepted, another one
  // is refused with OpenSSL's alert text.
  const auto& certs = Certificates();
  OpenSslServer server(certs.SelfCert, certs.SelfKey,
                       {"-www", "-servername", "sni.example.test", "-servername_fatal", "-cert2", certs.SelfCert,
                        "-key2", certs.SelfKey});
  ASSERT_TRUE(server.Ready()) << server.Log();
  for (const char16_t* host : {u"sni.example.test", u"other.example.test"}) {
    auto socket = Connected(server.Port());
    socket->SSL().SetSNIHost(host);
    socket->SSLDoConnect();
    const bool right = std::u16string(host) == u"sni.example.test";
    EXPECT_EQ(socket->SSL().SSLEnabled(), right) << Narrow(socket->SSL().LastErrorDesc());
    if (!right) {
      EXPECT_NE(Narrow(socket->SSL().LastErrorDesc()).find("unrecognized name"), std::string::npos);
    }
  }
}

TEST_F(TlsClientTest, FailingAndStallingPeersEndTheHandshake) {
  const struct {
    const char* Name;
    RawPeerMode Mode;
    int ConnectionTimeout;
    int RecvTimeout;  // SO_RCVTIMEO on the handle; 0: none
    const char* Text;
  } cases[] = {
      {"closes after the ClientHello", RawPeerMode::CloseAfterHello, 0, 0, ""},
      {"closes in the middle of a record", RawPeerMode::PartialRecord, 0, 0, ""},
      {"answers garbage", RawPeerMode::Garbage, 0, 0, "SSL routines"},
      {"stalls, connection time-out", RawPeerMode::Stall, 300, 0, ""},
      {"stalls, receive time-out", RawPeerMode::Stall, 0, 300, ""},
      {"stalls, no time-out set", RawPeerMode::Stall, 0, 0, ""},
  };
  // Without any time-out on the socket the plug-in's default bounds the wait.
  const int savedDefault = TSSLOpenSSL::DefaultHandshakeTimeout();
  EXPECT_EQ(savedDefault, 30000);
  TSSLOpenSSL::SetDefaultHandshakeTimeout(300);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    RawPeer peer(c.Mode);
    auto socket = std::make_unique<TTCPBlockSocket>(SSLClassOf<TSSLOpenSSL>());
    if (c.RecvTimeout > 0) socket->SetRecvTimeout(c.RecvTimeout);
    socket->Connect(u"127.0.0.1", IntToText(peer.Port()));
    ASSERT_EQ(socket->LastError(), 0);
    socket->SetConnectionTimeout(c.ConnectionTimeout);
    const auto start = Clock::now();
    socket->SSLDoConnect();
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_EQ(socket->LastError(), 10091);
    EXPECT_FALSE(socket->SSL().SSLEnabled());
    EXPECT_NE(Narrow(socket->SSL().LastErrorDesc()).find(c.Text), std::string::npos)
        << Narrow(socket->SSL().LastErrorDesc());
    EXPECT_LT(spent, 3000);
    if (c.Mode == RawPeerMode::Stall) {
      EXPECT_GE(spent, 250);
    }
    // The socket is back in blocking mode after the handshake.
    EXPECT_FALSE(socket->NonBlockMode());
  }
  TSSLOpenSSL::SetDefaultHandshakeTimeout(savedDefault);
}

}  // namespace
}  // namespace tav
