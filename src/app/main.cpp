// Start-up: the socket library first, then the application object and the
// main window; the message loop runs until the window closes, and the
// socket library is released last.
#include <QString>
#include <cstdio>

#include "app/application.h"
#include "app/main_form.h"
#include "net/socket_errors.h"
#include "net/socket_library.h"

int main(int argc, char** argv) {
  try {
    tav::TSocketLibraryScope sockets;
    tav::TApplication app(argc, argv);
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
