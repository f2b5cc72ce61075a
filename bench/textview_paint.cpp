// The text view with a large body, as the console's Text page shows it:
// loads FILE the way the console loads a response body, paints the first
// screen off-screen, jumps to the last line and paints, narrows the window
// by 100 pixels and paints. bench/run_textview_bench.sh runs it beside the
// same work done by QPlainTextEdit (qplaintextedit_paint).
//
//   textview_paint [--width W] [--height H] [--no-wrap] [--copy] [--png OUT.png] FILE
//
// W x H defaults to the text view's size on the Text page of the main
// window. Prints one figure per line: width, height, load-seconds,
// first-paint-seconds (start of load to first screen painted),
// end-paint-seconds, resize-seconds, rows, peak-rss-mb.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPixmap>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "app/main_form.h"
#include "platform/qt/control_host.h"
#include "platform/qt/install.h"
#include "textview/response_body_loader.h"
#include "textview/text_page.h"
#include "textview/uri_highlighter.h"
#include "util/memory_stream.h"

#include "bench_figures.h"

namespace {

using tav::bench::Clock;
using tav::bench::PeakRssMb;
using tav::bench::Seconds;

int Usage() {
  std::fprintf(stderr,
               "usage: textview_paint [--width W] [--height H] [--no-wrap] [--copy] [--png OUT.png] FILE\n");
  return 2;
}

// Paints the whole window off-screen, as a repaint of the window would.
QImage PaintWindow(QWidget& window) { return window.grab().toImage(); }

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int width = 0, height = 0;
  bool wrap = true;
  bool copy = false;
  const char* png = nullptr;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--width") && hasValue) width = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--height") && hasValue) height = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--no-wrap")) wrap = false;
    else if (!std::strcmp(argv[i], "--copy")) copy = true;
    else if (!std::strcmp(argv[i], "--png") && hasValue) png = argv[++i];
    else if (argv[i][0] == '-' || file) return Usage();
    else file = argv[i];
  }
  if (!file) return Usage();

  QApplication app(argc, argv);
  tav::InstallQtPlatform();

  if (width <= 0 || height <= 0) {
    // The size the main window gives the view on its Text page.
    auto form = std::make_unique<tav::TMainForm>();
    form->show();
    QApplication::processEvents();
    const QWidget* page = form->findChild<QWidget*>(QStringLiteral("TextView1"));
    if (width <= 0) width = page->width();
    if (height <= 0) height = page->height();
  }

  tav::TMemoryStream body;
  {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", file);
      return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    body.Write(bytes);
    body.SetPosition(0);
  }

  tav::TURIHighlighter highlighter;
  tav::TTextView view;
  tav::SetUpTextPage(view, highlighter);
  if (!wrap) view.SetWordWrap(false);
  tav::TQtControlHost window(view);
  window.resize(width, height);
  window.show();
  QApplication::processEvents();

  const Clock::time_point start = Clock::now();
  view.Lines().Clear();
  tav::LoadResponseBody(view.Lines(), body);
  const double load = Seconds(start);
  const QImage first = PaintWindow(window);
  const double firstPaint = Seconds(start);

  Clock::time_point t = Clock::now();
  view.SetCaretXY({1, view.Lines().Count()});
  view.EnsureCursorPosVisible();
  PaintWindow(window);
  const double endPaint = Seconds(t);

  t = Clock::now();
  window.resize(width - 100, height);
  PaintWindow(window);
  const double resize = Seconds(t);

  // Ctrl+A, Ctrl+C: the whole body onto the clipboard.
  double copySeconds = 0;
  if (copy) {
    t = Clock::now();
    view.CommandProcessor(tav::ecSelectAll, 0, nullptr);
    view.CommandProcessor(tav::ecCopy, 0, nullptr);
    copySeconds = Seconds(t);
  }

  if (png && !first.save(QString::fromLocal8Bit(png))) {
    std::fprintf(stderr, "cannot write %s\n", png);
    return 1;
  }
  std::printf("width: %d\nheight: %d\n", width, height);
  std::printf("load-seconds: %.4f\nfirst-paint-seconds: %.4f\nend-paint-seconds: %.4f\n", load,
              firstPaint, endPaint);
  std::printf("resize-seconds: %.4f\nrows: %d\npeak-rss-mb: %ld\n", resize, view.DisplayLineCount(),
              PeakRssMb());
  if (copy)
    std::printf("copy-seconds: %.4f\ncopied-chars: %lld\n", copySeconds,
                static_cast<long long>(QGuiApplication::clipboard()->text().size()));
  return 0;
}
