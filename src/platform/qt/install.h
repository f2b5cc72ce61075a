#pragma once
// Start-up of the platform layer on Qt 6 (for src/app, tests and benchmarks).
#include <QString>

#include <memory>
#include <vector>

#include "platform/qt/surface.h"

namespace tav {

struct TQtPlatformOptions {
  // Take the system colours from the application palette (false keeps the
  // built-in classic colours, which tests may prefer).
  bool UsePaletteColors = true;
  // Where the Tahoma font files are looked for.
  std::vector<QString> TahomaFiles = {QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"),
                                      QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf")};
};

// Called once after the QApplication (or QGuiApplication) exists and before
// any view is made: maps the Windows face names to metric-compatible faces
// ("Times New Roman" -> Liberation Serif, "Courier New" -> Liberation Mono,
// "Arial" -> Liberation Sans; Tahoma from its font file when present, else
// Liberation Sans), installs the Qt device as DefaultDevice(), the Qt
// clipboard as Clipboard(), and reads system colours and metrics from Qt.
void InstallQtPlatform(const TQtPlatformOptions& options = {});

// The Qt device installed by InstallQtPlatform (made on first use).
TQtDevice& QtDevice();
std::shared_ptr<TQtDevice> SharedQtDevice();

// Whether the Tahoma file was found and registered.
bool TahomaRegistered();

}  // namespace tav
