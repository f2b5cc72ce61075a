// The benchmark peer of html_inspect and html_render: hands the same decoded
// text to QTextDocument::setHtml and prints set-html-seconds and
// peak-rss-mb. With --render W H it also lays the document out at text
// width W and draws its first H pixels into an image, and prints
// render-seconds (setHtml, layout and drawing together).
// With --png OUT as well it saves that image, to look at beside html_render's.
// Usage: html_qt_peer [--render W H [--png OUT]] FILE (read as UTF-8 when
// valid, else Windows-1252).
#include <sys/resource.h>

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <QUrl>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "util/code_page.h"
#include "util/utf8_validity.h"

int main(int argc, char** argv) {
  int width = 0, height = 0;
  const char* file = nullptr;
  const char* png = nullptr;
  if (argc == 2) {
    file = argv[1];
  } else if ((argc == 5 || (argc == 7 && !std::strcmp(argv[4], "--png"))) &&
             !std::strcmp(argv[1], "--render")) {
    width = std::atoi(argv[2]);
    height = std::atoi(argv[3]);
    if (argc == 7) png = argv[5];
    file = argv[argc - 1];
  }
  if (!file || (file != argv[1] && (width <= 0 || height <= 0))) {
    std::fprintf(stderr, "usage: html_qt_peer [--render W H [--png OUT]] FILE\n");
    return 2;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) return 1;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::u16string text = tav::IsValidUtf8Buffer(bytes.data(), static_cast<std::int64_t>(bytes.size()))
                            ? tav::Utf8ToText(bytes)
                            : tav::AnsiToText(bytes);
  int qargc = 1;
  QGuiApplication app(qargc, argv);
  QString html = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  auto start = std::chrono::steady_clock::now();
  QTextDocument doc;
  // A picture to look at gets the page's own sheets and images; the timed
  // runs keep to the text alone.
  if (png) doc.setBaseUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(file)));
  doc.setHtml(html);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (width > 0) {
    doc.setTextWidth(width);
    const QSizeF size = doc.documentLayout()->documentSize();
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    doc.drawContents(&painter, QRectF(0, 0, width, height));
    painter.end();
    if (png && !image.save(QString::fromLocal8Bit(png))) return 1;
    const double render =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("render-seconds: %.3f\nheight-px: %d\n", render, static_cast<int>(size.height()));
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("set-html-seconds: %.3f\npeak-rss-mb: %ld\nblocks: %d\n", seconds,
              usage.ru_maxrss / 1024, doc.blockCount());
  return 0;
}
