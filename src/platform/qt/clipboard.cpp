#include "platform/qt/clipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstdlib>
#include <cstring>

namespace tav {

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
      mime->setText(QString::fromStdU16String(TClipboardItem::TextOfUnicodeData(item.Data)));
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
