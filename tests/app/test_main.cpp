// The GUI tests need one application object for the whole run; they draw on
// Qt's offscreen platform so no display is needed. Start-up and exit follow
// the application's order: sockets, OpenSSL, the application object and the
// platform layer; OpenSSL is unloaded before the sockets are released.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/application.h"
#include "net/socket_library.h"
#include "platform/qt/install.h"
#include "tls/tls_module.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  testing::InitGoogleTest(&argc, argv);
  int result = 0;
  {
    tav::TSocketLibraryScope sockets;
    tav::TlsModuleStartup();
    {
      tav::TApplication app(argc, argv);
      // The classic system colours, so that drawn pixels do not depend on
      // the desktop.
      tav::TQtPlatformOptions options;
      options.UsePaletteColors = false;
      tav::InstallQtPlatform(options);
      result = RUN_ALL_TESTS();
    }
    tav::TlsModuleShutdown();
  }
  return result;
}
