// The run-time OpenSSL binding: loading the system's OpenSSL, the successors
// resolved for names OpenSSL 3 no longer exports, the library-name
// alternatives, and the process without OpenSSL (fall-backs, TSSLNone,
// plain connections still working).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "net/tcp_block_socket.h"
#include "scripted_server.h"
#include "tls/openssl_binding.h"
#include "tls/ssl_openssl.h"
#include "tls/tls_module.h"
#include "tls_fixtures.h"
#include "util/text_helpers.h"

namespace tav {
namespace {

using test::MissingTlsLibraryNames;
using test::TlsNamesGuard;

bool EndsWith(const std::string& value, const std::string& tail) {
  return value.size() >= tail.size() && value.compare(value.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(OpenSslBinding, LoadsTheSystemLibrariesWithTheSuccessorsOfRemovedNames) {
  ASSERT_TRUE(LoadTlsLibraries());
  EXPECT_TRUE(TlsLibrariesLoaded());
  EXPECT_TRUE(LoadTlsLibraries());  // a second call keeps the loaded state
  EXPECT_TRUE(EndsWith(SslLibraryFile(), "libssl.so.3")) << SslLibraryFile();
  EXPECT_TRUE(EndsWith(CryptoLibraryFile(), "libcrypto.so.3")) << CryptoLibraryFile();
  EXPECT_EQ(SSLeay_version(ossl::kVersionText).rfind("OpenSSL 3.", 0), 0u) << SSLeay_version(0);

  // Slot name -> name it must be resolved through with OpenSSL 3 ("" = empty).
  const struct {
    const char* Slot;
    const char* Source;
  } cases[] = {
      {"SSL_get_error", "SSL_get_error"},
      {"SSL_CTX_ctrl", "SSL_CTX_ctrl"},
      {"SSLv23_method", "TLS_method"},
      {"SSL_library_init", "OPENSSL_init_ssl"},
      {"SSL_load_error_strings", "OPENSSL_init_ssl"},
      {"OPENSSL_add_all_algorithms_noconf", "OPENSSL_init_crypto"},
      {"SSLeay_version", "OpenSSL_version"},
      {"SSL_get_peer_certificate", "SSL_get1_peer_certificate"},
      {"X509_NAME_hash", "X509_NAME_hash_ex"},
      {"X509_set_notBefore", "X509_set1_notBefore"},
      {"X509_set_notAfter", "X509_set1_notAfter"},
      {"SK_X509_POP_FREE", "OPENSSL_sk_pop_free"},
      {"TLSv1_2_method", "TLSv1_2_method"},
      {"SSLv2_method", ""},
      {"SSLv3_method", ""},
      {"RAND_screen", ""},
      {"EVP_cleanup", ""},
      {"CRYPTO_num_locks", ""},
      {"CRYPTO_set_locking_callback", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TlsEntryPointSource(c.Slot), c.Source) << c.Slot;
  // OpenSSL 3 has no lock functions: no locks are made.
  EXPECT_EQ(OpenSslLockCount(), 0);
}

TEST(OpenSslBinding, ErrorTextsComeFromTheLibrary) {
  ASSERT_TRUE(LoadTlsLibraries());
  // SSL_CTX_new without a method queues OpenSSL's own complaint.
  ERR_clear_error();
  EXPECT_EQ(SSL_CTX_new(nullptr), nullptr);
  const unsigned long code = ERR_get_error();
  ASSERT_NE(code, 0u);
  char buffer[256] = {};
  const std::string text = ERR_error_string_n(code, buffer, sizeof buffer);
  EXPECT_NE(text.find("null ssl method passed"), std::string::npos) << text;
  EXPECT_EQ(ERR_get_error(), 0u);
  // A short buffer is cut, not overrun.
  char small[16];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(ERR_error_string_n(code, small, 8).size(), 7u);
  EXPECT_EQ(small[8], 'x');
}

TEST(OpenSslBinding, WithoutTheLibrariesEveryWrapperGivesItsFallBack) {
  TlsNamesGuard names(MissingTlsLibraryNames());
  EXPECT_FALSE(LoadTlsLibraries());
  EXPECT_FALSE(LoadTlsLibraries());  // tried again, still absent
  EXPECT_FALSE(TlsLibrariesLoaded());
  EXPECT_EQ(SslLibraryHandle(), nullptr);
  EXPECT_EQ(CryptoLibraryHandle(), nullptr);
  EXPECT_EQ(SslLibraryFile(), "");

  EXPECT_EQ(SSLeay_version(ossl::kVersionText), "");
  EXPECT_EQ(SSL_connect(nullptr), -1);
  EXPECT_EQ(SSL_accept(nullptr), -1);
  EXPECT_EQ(SSL_read(nullptr, nullptr, 0), -1);
  EXPECT_EQ(SSL_get_error(nullptr, -1), 1);
  EXPECT_EQ(ERR_get_error(), 1u);
  EXPECT_EQ(BIO_read(nullptr, nullptr, 0), -2);
  EXPECT_EQ(BIO_write(nullptr, nullptr, 0), -2);
  EXPECT_EQ(SSL_get_verify_result(nullptr), 50);
  EXPECT_EQ(SSL_ctrl(nullptr, 55, 0, nullptr), 50);
  EXPECT_EQ(SSL_CTX_new(SSLv23_method()), nullptr);
  EXPECT_EQ(SSL_get_version(nullptr), "");
  EXPECT_EQ(X509_NAME_oneline(nullptr, nullptr, 0), "");
  EXPECT_EQ(SSL_pending(nullptr), 0);
  SSL_free(nullptr);  // procedures do nothing
  ERR_clear_error();
  char buffer[8] = "keep";
  EXPECT_EQ(ERR_error_string_n(99, buffer, sizeof buffer), "keep");
  EXPECT_STREQ(buffer, "keep");
  EXPECT_FALSE(TlsEntryPointResolved("SSL_connect"));
}

TEST(OpenSslBinding, LibraryNameAlternatives) {
  const std::string none = "libtav-no-such-ssl.so.9";
  {
    // Only the alternative SSL name exists.
    TlsNamesGuard names({{"libcrypto.so.3", none, "libssl.so.3"}});
    ASSERT_TRUE(LoadTlsLibraries());
    EXPECT_TRUE(EndsWith(SslLibraryFile(), "libssl.so.3"));
  }
  {
    // The crypto library without an SSL library is released again.
    TlsNamesGuard names({{"libcrypto.so.3", none, none}});
    EXPECT_FALSE(LoadTlsLibraries());
    EXPECT_EQ(CryptoLibraryHandle(), nullptr);
    EXPECT_EQ(SslLibraryHandle(), nullptr);
  }
  {
    // A missing pair is followed by the next one.
    TlsNamesGuard names({{"libtav-no-such-crypto.so.9", none, ""}, {"libcrypto.so", "libssl.so", ""}});
    ASSERT_TRUE(LoadTlsLibraries());
    EXPECT_NE(SslLibraryHandle(), nullptr);
    EXPECT_NE(CryptoLibraryHandle(), nullptr);
  }
  // Names cannot change under loaded libraries.
  ASSERT_TRUE(LoadTlsLibraries());
  SetTlsLibraryNames(MissingTlsLibraryNames());
  EXPECT_EQ(TlsLibraryNames().front().SslLibraryName, "libssl.so.3");
}

// The module start-up: the default plug-in class follows the libraries.
TEST(TlsModule, StartUpInstallsTheOpenSslPluginOnlyWhenTheLibrariesLoad) {
  const TSSLClass saved = DefaultSSLClass;
  {
    TlsNamesGuard names(MissingTlsLibraryNames());
    DefaultSSLClass = SSLClassOf<TSSLNone>();
    EXPECT_FALSE(TlsModuleStartup());
    TTCPBlockSocket socket;
    EXPECT_EQ(socket.SSL().LibName(), u"ssl_none");
    EXPECT_EQ(socket.SSL().LibVersion(), u"Without SSL support");
  }
  ASSERT_TRUE(TlsModuleStartup());
  {
    TTCPBlockSocket socket;
    EXPECT_EQ(socket.SSL().LibName(), u"ssl_openssl");
    EXPECT_EQ(socket.SSL().LibVersion().rfind(u"OpenSSL 3.", 0), 0u);
  }
  TlsModuleShutdown();
  EXPECT_FALSE(TlsLibrariesLoaded());
  {
    TTCPBlockSocket socket;
    EXPECT_EQ(socket.SSL().LibName(), u"ssl_none");
  }
  DefaultSSLClass = saved;
}

// Without OpenSSL, plain connections work and an explicitly installed OpenSSL
// plug-in fails its handshake with code 1 and no text.
TEST(TlsModule, WithoutTheLibrariesPlainTrafficWorksAndTheHandshakeFails) {
  TlsNamesGuard names(MissingTlsLibraryNames());
  test::ScriptedServer server({test::ConnectionScript::Reply("HTTP/1.0 200 OK\r\n\r\nplain body"),
                               test::ConnectionScript::Reply("HTTP/1.0 200 OK\r\n\r\n", test::ScriptEnd::Hold)});
  {
    TTCPBlockSocket socket;
    socket.Connect(u"127.0.0.1", IntToText(server.Port()));
    ASSERT_EQ(socket.LastError(), 0);
    socket.SendString("GET / HTTP/1.0\r\n\r\n");
    EXPECT_EQ(socket.RecvString(3000), "HTTP/1.0 200 OK");
    EXPECT_EQ(socket.RecvString(3000), "");
    EXPECT_EQ(socket.RecvPacket(3000), "plain body");
  }
  TTCPBlockSocket socket(SSLClassOf<TSSLOpenSSL>());
  EXPECT_EQ(socket.SSL().LibVersion(), u"");
  EXPECT_EQ(socket.SSL().LibName(), u"ssl_openssl");
  socket.Connect(u"127.0.0.1", IntToText(server.Port()));
  ASSERT_EQ(socket.LastError(), 0);
  socket.SSLDoConnect();
  EXPECT_EQ(socket.LastError(), 10091);
  EXPECT_EQ(socket.SSL().LastError(), 1);
  EXPECT_EQ(socket.SSL().LastErrorDesc(), u"");
  EXPECT_FALSE(socket.SSL().SSLEnabled());
}

}  // namespace
}  // namespace tav
