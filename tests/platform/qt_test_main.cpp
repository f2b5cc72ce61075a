// Test entry for the Qt parts: one QApplication on the offscreen platform
// (unless another platform is asked for), the platform layer installed with
// the built-in system colours so that results do not depend on the desktop.
#include <QApplication>

#include <gtest/gtest.h>

#include "platform/qt/install.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tav::TQtPlatformOptions options;
  options.UsePaletteColors = false;
  tav::InstallQtPlatform(options);
  tav::QtDevice().SetPixelsPerInch(96);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
