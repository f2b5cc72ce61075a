// Start-up: the socket library first, then OpenSSL (which makes the OpenSSL
// plug-in the default of new sockets when it loads), then the application
// object, the platform layer and the main window; the message loop runs until
// the window closes. At exit the pieces go in the reverse order: OpenSSL is
// unloaded, and the socket library is released last.
#include <QString>
#include <cstdio>

#include "app/application.h"
#include "app/main_form.h"
#include "net/socket_errors.h"
#include "net/socket_library.h"
#include "platform/qt/install.h"
#include "tls/tls_module.h"

int main(int argc, char** argv) {
  try {
    tav::TSocketLibraryScope sockets;
    tav::TTlsModuleScope tls;
    tav::TApplication app(argc, argv);
    tav::InstallQtPlatform();
    tav::TApplication::setApplicationName(QStringLiteral("Tavrenic"));
    tav::TApplication::setApplicationDisplayName(QStringLiteral("Tavrenic"));
    tav::TMainForm form;
    form.show();
    return tav::TApplication::exec();
  } catch (const tav::ESocketError& e) {
    // Without sockets the tool cannot work at all.
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
