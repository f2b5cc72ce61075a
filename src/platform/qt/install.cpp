#include "platform/qt/install.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QStyleHints>

#include "platform/qt/clipboard.h"
#include "platform/system_values.h"

namespace tav {

namespace {

bool gTahoma = false;

std::shared_ptr<TQtDevice>& DeviceSlot() {
  static std::shared_ptr<TQtDevice> device;
  return device;
}

void SetupFonts(const TQtPlatformOptions& options) {
  // Metric-compatible faces for the names the views ask for.
  QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
  QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));

  bool registered = false;
  for (const QString& file : options.TahomaFiles) {
    if (!QFile::exists(file)) continue;
    int id = QFontDatabase::addApplicationFont(file);
    if (id >= 0 && QFontDatabase::applicationFontFamilies(id).contains(QStringLiteral("Tahoma"),
                                                                       Qt::CaseInsensitive))
      registered = true;
  }
  gTahoma = registered;
  if (!registered)
    QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"));
}

void ReadSystemValues(const TQtPlatformOptions& options) {
  if (options.UsePaletteColors) {
    struct TPaletteColor {
      int Index;
      QPalette::ColorGroup Group;
      QPalette::ColorRole Role;
    };
    constexpr auto A = QPalette::Active;
    static const TPaletteColor kColors[] = {
        {COLOR_WINDOW, A, QPalette::Base},
        {COLOR_WINDOWTEXT, A, QPalette::Text},
        {COLOR_BTNFACE, A, QPalette::Button},
        {COLOR_BTNTEXT, A, QPalette::ButtonText},
        {COLOR_HIGHLIGHT, A, QPalette::Highlight},
        {COLOR_HIGHLIGHTTEXT, A, QPalette::HighlightedText},
        {COLOR_BTNSHADOW, A, QPalette::Mid},
        {COLOR_BTNHIGHLIGHT, A, QPalette::Light},
        {COLOR_3DDKSHADOW, A, QPalette::Shadow},
        {COLOR_3DLIGHT, A, QPalette::Midlight},
        {COLOR_GRAYTEXT, QPalette::Disabled, QPalette::Text},
        {COLOR_INFOBK, A, QPalette::ToolTipBase},
        {COLOR_INFOTEXT, A, QPalette::ToolTipText},
        {COLOR_HOTLIGHT, A, QPalette::Link},
        {COLOR_MENU, A, QPalette::Window},
        {COLOR_MENUBAR, A, QPalette::Window},
        {COLOR_MENUTEXT, A, QPalette::WindowText},
        {COLOR_MENUHILIGHT, A, QPalette::Highlight},
        {COLOR_APPWORKSPACE, A, QPalette::Dark},
    };
    const QPalette p = QGuiApplication::palette();
    for (const TPaletteColor& c : kColors)
      SetSysColor(c.Index, FromQColor(p.color(c.Group, c.Role)));
  }
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
    int bar = app->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (bar > 0) {
      SetSystemMetric(SM_CXVSCROLL, bar);
      SetSystemMetric(SM_CYHSCROLL, bar);
      SetSystemMetric(SM_CYVTHUMB, bar);
      SetSystemMetric(SM_CXHTHUMB, bar);
    }
    SetWheelScrollLines(QApplication::wheelScrollLines());
    const int hintPause = app->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay);
    if (hintPause > 0) SetHintPause(hintPause);
  }
  if (QStyleHints* hints = QGuiApplication::styleHints()) {
    SetDoubleClickTime(hints->mouseDoubleClickInterval());
    SetCaretBlinkTime(hints->cursorFlashTime() / 2);
    SetSystemMetric(SM_CXDRAG, hints->startDragDistance());
    SetSystemMetric(SM_CYDRAG, hints->startDragDistance());
  }
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    SetSystemMetric(SM_CXSCREEN, screen->size().width());
    SetSystemMetric(SM_CYSCREEN, screen->size().height());
  }
}

}  // namespace

std::shared_ptr<TQtDevice> SharedQtDevice() {
  auto& slot = DeviceSlot();
  if (!slot) slot = std::make_shared<TQtDevice>();
  return slot;
}

TQtDevice& QtDevice() { return *SharedQtDevice(); }

bool TahomaRegistered() { return gTahoma; }

void InstallQtPlatform(const TQtPlatformOptions& options) {
  SetupFonts(options);
  ReadSystemValues(options);
  SetDefaultDevice(SharedQtDevice());
  SetClipboard(std::make_shared<TQtClipboard>());
}

}  // namespace tav
