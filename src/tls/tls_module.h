#pragma once
// Start-up and exit of the TLS module, called by the application around its
// message loop: loading OpenSSL and making TSSLOpenSSL the default plug-in
// class of new sockets, and taking both down again.

namespace tav {

// Tries to load the OpenSSL libraries; when they load, DefaultSSLClass
// becomes TSSLOpenSSL. Without them DefaultSSLClass stays as it is
// (TSSLNone) and plain connections work as before. True when loaded.
bool TlsModuleStartup();
// Unloads the libraries and returns DefaultSSLClass to TSSLNone.
void TlsModuleShutdown();

// OpenSSL for the life of the scope: TlsModuleStartup on entry,
// TlsModuleShutdown on exit. Without the libraries plain connections work as
// before and TLS ones fail with the TLS plug-in's error.
class TTlsModuleScope {
 public:
  TTlsModuleScope() { TlsModuleStartup(); }
  ~TTlsModuleScope() { TlsModuleShutdown(); }
  TTlsModuleScope(const TTlsModuleScope&) = delete;
  TTlsModuleScope& operator=(const TTlsModuleScope&) = delete;
};

}  // namespace tav
