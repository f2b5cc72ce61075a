#include "tls/tls_module.h"

#include "net/ssl_plugin.h"
#include "tls/openssl_binding.h"
#include "tls/ssl_openssl.h"

namespace tav {

bool TlsModuleStartup() {
  if (!LoadTlsLibraries()) return false;
  DefaultSSLClass = SSLClassOf<TSSLOpenSSL>();
  return true;
}

void TlsModuleShutdown() {
  DefaultSSLClass = SSLClassOf<TSSLNone>();
  UnloadTlsLibraries();
}

}  // namespace tav
