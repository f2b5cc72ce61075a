#include "platform/qt/clipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace tav {

QString TQtClipboard::MimeType(unsigned format) const {
  if (format == CF_UNICODETEXT || format == CF_TEXT) return QStringLiteral("text/plain");
  std::u16string name = FormatName(format);
  if (name.empty()) return QStringLiteral("application/x-tavrenic-format-%1").arg(format);
  return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"")
      .arg(QString::fromStdU16String(name));
}

namespace {

// What other programs get as text/html from an "HTML Format" entry: the
// selection between the StartFragment and EndFragment offsets (not the
// source before it); entries without fragment offsets give the HTML between
// StartHTML and EndHTML, and unusable offsets everything.
QByteArray HtmlOfFragment(const std::string& data) {
  // The keys are looked up in the header only: the HTML after it may hold
  // the same words.
  const std::string_view header = std::string_view(data).substr(0, data.find('<'));
  auto number = [&](std::string_view key) -> long {
    const std::size_t at = header.find(key);
    if (at == std::string_view::npos) return -1;
    const std::size_t from = at + key.size();
    if (from >= header.size() || header[from] < '0' || header[from] > '9') return -1;
    return std::strtol(data.c_str() + from, nullptr, 10);
  };
  auto slice = [&](long start, long end, QByteArray& out) {
    if (start < 0 || end < start || static_cast<std::size_t>(end) > data.size()) return false;
    out = QByteArray(data.data() + start, static_cast<qsizetype>(end - start));
    return true;
  };
  QByteArray html;
  if (slice(number("StartFragment:"), number("EndFragment:"), html)) return html;
  if (slice(number("StartHTML:"), number("EndHTML:"), html)) return html;
  return QByteArray::fromStdString(data);
}

}  // namespace

void TQtClipboard::SetData(std::vector<TClipboardItem> items) {
  // Everything is built before the clipboard is touched, so a failure
  // leaves the old content in place.
  auto mime = std::make_unique<QMimeData>();
  for (TClipboardItem& item : items) {
    if (item.Format == CF_UNICODETEXT && item.Data.empty()) {
      // Taken over as text: one copy into the QString, up to a zero unit,
      // then the item's text is released.
      const std::size_t zero = item.Text.find(u'\0');
      const std::size_t length = zero == std::u16string::npos ? item.Text.size() : zero;
      mime->setText(QString(reinterpret_cast<const QChar*>(item.Text.data()),
                            static_cast<qsizetype>(length)));
      std::u16string().swap(item.Text);
      continue;
    }
    if (item.Format == CF_UNICODETEXT) {
      // The UTF-16LE units go straight into the QString, up to the zero unit.
      static_assert(std::endian::native == std::endian::little);
      const std::size_t units = item.Data.size() / 2;
      std::size_t length = 0;
      const char* bytes = item.Data.data();
      while (length < units && (bytes[2 * length] != 0 || bytes[2 * length + 1] != 0)) ++length;
      QString text(static_cast<qsizetype>(length), Qt::Uninitialized);
      std::memcpy(text.data(), bytes, length * 2);
      item.Data = std::string();
      mime->setText(text);
      continue;
    }
    if (item.Format == CF_TEXT) {
      std::string bytes = item.Data.substr(0, item.Data.find('\0'));
      if (!mime->hasText()) mime->setText(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
      continue;
    }
    const bool html = FormatName(item.Format) == u"HTML Format";
    if (html) mime->setHtml(QString::fromUtf8(HtmlOfFragment(item.Data)));
    mime->setData(MimeType(item.Format),
                  QByteArray(item.Data.data(), static_cast<qsizetype>(item.Data.size())));
    item.Data = std::string();
  }
  QGuiApplication::clipboard()->setMimeData(mime.release());  // the clipboard takes ownership
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
