// The GUI tests need one application object for the whole run; they draw on
// Qt's offscreen platform so no display is needed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/application.h"
#include "net/socket_library.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  testing::InitGoogleTest(&argc, argv);
  tav::TSocketLibraryScope sockets;
  tav::TApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
