// The peer of textview_paint: the same work done by Qt's QPlainTextEdit in
// the same font, with line wrap at the widget's width. Sets the text of
// FILE (decoded as UTF-8), paints the first screen off-screen, moves the
// cursor to the end and paints, narrows the widget by 100 pixels and
// paints. Prints the same figures as textview_paint (rows: text blocks).
//
//   qplaintextedit_paint --width W --height H [--no-wrap] [--copy] [--png OUT.png] FILE
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "bench_figures.h"

namespace {

using tav::bench::Clock;
using tav::bench::PeakRssMb;
using tav::bench::Seconds;

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int width = 0, height = 0;
  bool wrap = true;
  bool copy = false;
  const char* png = nullptr;
  const char* file = nullptr;
  bool bad = false;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--width") && hasValue) width = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--height") && hasValue) height = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--no-wrap")) wrap = false;
    else if (!std::strcmp(argv[i], "--copy")) copy = true;
    else if (!std::strcmp(argv[i], "--png") && hasValue) png = argv[++i];
    else if (argv[i][0] == '-' || file) bad = true;
    else file = argv[i];
  }
  if (bad || !file || width <= 0 || height <= 0) {
    std::fprintf(stderr,
                 "usage: qplaintextedit_paint --width W --height H [--no-wrap] [--copy] [--png OUT.png] FILE\n");
    return 2;
  }

  QApplication app(argc, argv);
  QFile in(QString::fromLocal8Bit(file));
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", file);
    return 1;
  }
  const QByteArray bytes = in.readAll();

  QPlainTextEdit edit;
  QFont font(QStringLiteral("Liberation Mono"));
  font.setPixelSize(13);
  edit.setFont(font);
  edit.setReadOnly(true);
  edit.setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit.resize(width, height);
  edit.show();
  QApplication::processEvents();

  const Clock::time_point start = Clock::now();
  edit.setPlainText(QString::fromUtf8(bytes));
  const double load = Seconds(start);
  const QImage first = edit.grab().toImage();
  const double firstPaint = Seconds(start);

  Clock::time_point t = Clock::now();
  edit.moveCursor(QTextCursor::End);
  edit.ensureCursorVisible();
  edit.grab();
  const double endPaint = Seconds(t);

  t = Clock::now();
  edit.resize(width - 100, height);
  edit.grab();
  const double resize = Seconds(t);

  double copySeconds = 0;
  if (copy) {
    t = Clock::now();
    edit.selectAll();
    edit.copy();
    copySeconds = Seconds(t);
  }

  if (png && !first.save(QString::fromLocal8Bit(png))) {
    std::fprintf(stderr, "cannot write %s\n", png);
    return 1;
  }
  std::printf("width: %d\nheight: %d\n", width, height);
  std::printf("load-seconds: %.4f\nfirst-paint-seconds: %.4f\nend-paint-seconds: %.4f\n", load,
              firstPaint, endPaint);
  std::printf("resize-seconds: %.4f\nrows: %d\npeak-rss-mb: %ld\n", resize,
              edit.document()->blockCount(), PeakRssMb());
  if (copy)
    std::printf("copy-seconds: %.4f\ncopied-chars: %lld\n", copySeconds,
                static_cast<long long>(QGuiApplication::clipboard()->text().size()));
  return 0;
}
