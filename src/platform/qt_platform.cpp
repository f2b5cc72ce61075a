#include "platform/qt_platform.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMimeData>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QStyleHints>

#include <cstdlib>
#include <cstring>

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

// ---------------------------------------------------------------- clipboard

unsigned TQtClipboard::RegisterFormat(const std::u16string& name) {
  for (size_t i = 0; i < FNames.size(); ++i)
    if (FNames[i] == name) return 0xC000 + static_cast<unsigned>(i);
  FNames.push_back(name);
  return 0xC000 + static_cast<unsigned>(FNames.size() - 1);
}

std::u16string TQtClipboard::FormatName(unsigned format) const {
  if (format < 0xC000 || format - 0xC000 >= FNames.size()) return {};
  return FNames[format - 0xC000];
}

QString TQtClipboard::MimeType(unsigned format) const {
  if (format == CF_UNICODETEXT || format == CF_TEXT) return QStringLiteral("text/plain");
  std::u16string name = FormatName(format);
  if (name.empty()) return QStringLiteral("application/x-tavrenic-format-%1").arg(format);
  return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"")
      .arg(QString::fromStdU16String(name));
}

namespace {

// The HTML between the StartHTML and EndHTML offsets of an "HTML Format"
// entry, or everything after the header when the offsets are unusable.
QByteArray HtmlOfFragment(const std::string& data) {
  auto number = [&](const char* key) -> long {
    size_t at = data.find(key);
    if (at == std::string::npos) return -1;
    return std::strtol(data.c_str() + at + std::strlen(key), nullptr, 10);
  };
  long start = number("StartHTML:"), end = number("EndHTML:");
  if (start < 0 || end < start || static_cast<size_t>(end) > data.size())
    return QByteArray::fromStdString(data);
  return QByteArray(data.data() + start, static_cast<qsizetype>(end - start));
}

}  // namespace

void TQtClipboard::SetData(const std::vector<TClipboardItem>& items) {
  auto* mime = new QMimeData;  // the clipboard takes ownership
  for (const TClipboardItem& item : items) {
    if (item.Format == CF_UNICODETEXT) {
      std::u16string text;
      for (size_t i = 0; i + 1 < item.Data.size(); i += 2) {
        char16_t c = static_cast<char16_t>(static_cast<unsigned char>(item.Data[i]) |
                                           (static_cast<unsigned char>(item.Data[i + 1]) << 8));
        if (c == 0) break;
        text.push_back(c);
      }
      mime->setText(QString::fromStdU16String(text));
      continue;
    }
    if (item.Format == CF_TEXT) {
      std::string bytes = item.Data.substr(0, item.Data.find('\0'));
      if (!mime->hasText()) mime->setText(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
      continue;
    }
    mime->setData(MimeType(item.Format), QByteArray::fromStdString(item.Data));
    if (FormatName(item.Format) == u"HTML Format")
      mime->setHtml(QString::fromUtf8(HtmlOfFragment(item.Data)));
  }
  QGuiApplication::clipboard()->setMimeData(mime);
}

bool TQtClipboard::HasFormat(unsigned format) const {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (!mime) return false;
  if (format == CF_UNICODETEXT || format == CF_TEXT) return mime->hasText();
  return mime->hasFormat(MimeType(format));
}

std::string TQtClipboard::GetData(unsigned format) const {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (!mime) return {};
  if (format == CF_UNICODETEXT) {
    if (!mime->hasText()) return {};
    QString text = mime->text();
    return TClipboardItem::UnicodeText(
               std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                   static_cast<size_t>(text.size())))
        .Data;
  }
  if (format == CF_TEXT) {
    if (!mime->hasText()) return {};
    QByteArray bytes = mime->text().toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size())) + '\0';
  }
  return mime->data(MimeType(format)).toStdString();
}

}  // namespace tav
