// GO to painted: the real console window, on Qt's offscreen platform, driven
// as a user drives it. The HTML page is shown first; then the URL goes into
// the URL box and GO is pressed, and the clock stops when the window's first
// paint after the exchange is over (the paint is forced at once rather than
// left to the event loop, so no idle time is counted).
//
//   go_paint [--resize] URL
//
// Prints one figure per line:
//   go-seconds        GO pressed to the end of the first paint: the exchange,
//                     the Text page's load, the HTML page's parse and layout
//                     and the paint of the whole window
//   view-seconds      the HTML view's share: the same text loaded into the
//                     emptied view again (as GO empties it) and the view
//                     painted, LoadFromString to the end of the paint
//   body-chars, paint-width, paint-height (the view's document area, for
//   the peer that draws the same page), layout-passes, peak-rss-mb
// With --resize the window is then made 200 pixels wider and painted:
//   resize-seconds    the resize to the end of the paint
//   resize-layout-passes  layouts the resize caused
//   resize-reparsed   1 when the page was built again (a new document or new
//                     sections), else 0
// Exits 1 when the exchange fails or the page is not shown, 2 on bad usage.
#include <QApplication>
#include <QPushButton>
#include <QLineEdit>
#include <QString>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/application.h"
#include "app/main_form.h"
#include "html/layout/document.h"
#include "html/view/viewer.h"
#include "net/socket_library.h"
#include "platform/qt/install.h"
#include "tls/tls_module.h"

#include "bench_figures.h"

namespace {

using tav::bench::Clock;
using tav::bench::PeakRssMb;
using tav::bench::Seconds;

int Usage() {
  std::fprintf(stderr, "usage: go_paint [--resize] URL\n");
  return 2;
}

// What identifies the built page: the document object and its first
// section. A new parse replaces the sections.
struct TPageIdentity {
  const tav::TSectionList* Document = nullptr;
  const void* FirstSection = nullptr;
  std::size_t Sections = 0;
  bool operator==(const TPageIdentity&) const = default;
};

TPageIdentity Identify(tav::THtmlView& view) {
  tav::TSectionList& document = view.Document();
  return {&document, document.LayoutPass.PositionList.empty() ? nullptr : document.LayoutPass.PositionList.front(),
          document.LayoutPass.PositionList.size()};
}

int Run(tav::TMainForm& form, const std::string& url, bool resize) {
  form.SetOnNotify([](const QString& m) { std::fprintf(stderr, "notice: %s\n", m.toUtf8().constData()); });
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) {
    std::fprintf(stderr, "the window was not shown\n");
    return 1;
  }
  // The HTML page, as a user switches to it.
  QWidget* pages = form.findChild<QWidget*>(QStringLiteral("PageControl1"));
  QWidget* host = form.findChild<QWidget*>(QStringLiteral("HtmlView1"));
  if (!pages || !host) return 1;
  QTest::keyClick(pages, Qt::Key_Tab, Qt::ControlModifier);
  QApplication::processEvents();
  if (!host->isVisible()) {
    std::fprintf(stderr, "the HTML page is not shown\n");
    return 1;
  }
  form.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QString::fromStdString(url));
  QPushButton* go = form.findChild<QPushButton*>(QStringLiteral("Button1"));
  tav::THtmlView& view = form.HtmlView();

  const auto start = Clock::now();
  go->click();
  form.repaint();
  const double goSeconds = Seconds(start);
  if (form.ResponseText().startsWith(QStringLiteral("Error\n")) || view.DocumentSource().empty()) {
    std::fprintf(stderr, "the exchange failed:\n%s\n", form.ResponseText().toUtf8().constData());
    return 1;
  }
  const int passes = view.LayoutPasses();

  // The view alone: emptied as GO empties it, then loaded and painted.
  std::u16string text = view.DocumentSource();
  const std::size_t chars = text.size();
  view.Clear();
  const auto viewStart = Clock::now();
  view.LoadFromString(std::move(text), u"");
  host->repaint();
  const double viewSeconds = Seconds(viewStart);

  std::printf("go-seconds: %.4f\n", goSeconds);
  std::printf("view-seconds: %.4f\n", viewSeconds);
  std::printf("body-chars: %zu\n", chars);
  std::printf("paint-width: %d\npaint-height: %d\n", view.PaintRect().Width(), view.PaintRect().Height());
  std::printf("layout-passes: %d\n", passes);

  if (resize) {
    const TPageIdentity before = Identify(view);
    const int passesBefore = view.LayoutPasses();
    const int widthBefore = view.PaintRect().Width();
    const auto resizeStart = Clock::now();
    form.resize(form.width() + 200, form.height());
    QApplication::processEvents();
    host->repaint();
    const double resizeSeconds = Seconds(resizeStart);
    if (view.PaintRect().Width() == widthBefore) {
      std::fprintf(stderr, "the view did not change its width\n");
      return 1;
    }
    std::printf("resize-seconds: %.4f\n", resizeSeconds);
    std::printf("resize-width: %d -> %d\n", widthBefore, view.PaintRect().Width());
    std::printf("resize-layout-passes: %d\n", view.LayoutPasses() - passesBefore);
    std::printf("resize-reparsed: %d\n", Identify(view) == before ? 0 : 1);
  }
  std::printf("peak-rss-mb: %ld\n", PeakRssMb());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  bool resize = false;
  std::string url;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--resize")) resize = true;
    else if (argv[i][0] == '-' || !url.empty()) return Usage();
    else url = argv[i];
  }
  if (url.empty()) return Usage();
  // The application's start-up order: sockets, OpenSSL, the application
  // object, the platform layer.
  tav::TSocketLibraryScope sockets;
  tav::TTlsModuleScope tls;
  int qargc = 1;
  tav::TApplication app(qargc, argv);
  tav::InstallQtPlatform();
  tav::TMainForm form;
  return Run(form, url, resize);
}
