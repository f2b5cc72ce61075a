// The HTML page after GO: the body rendered, at the page's width, and
// emptied again by the next exchange.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QTest>
#include <string>

#include "app/application.h"
#include "go_fixture.h"
#include "html/base/paths.h"
#include "html/layout/section_base.h"
#include "html/view/html_page.h"
#include "html/view/viewer.h"
#include "platform/qt/control_host.h"
#include "scripted_server.h"

namespace tav {
namespace {

using test::ConnectionScript;
using test::GoButton;
using test::ScriptedServer;

std::string Response(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Dark pixels: text drawn on the page's light background.
int InkPixels(const QImage& image) {
  int ink = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 80) ++ink;
  return ink;
}

TEST_F(GoButton, HtmlPageShowsTheBodyRendered) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QWidget* host = form.findChild<QWidget*>(QStringLiteral("HtmlView1"));
  ASSERT_NE(host, nullptr);
  THtmlView& view = form.HtmlView();
  EXPECT_EQ(view.Width() - 2, kHtmlDocumentWidthAtStart);
  const int blank = InkPixels(host->grab().toImage());

  const std::string body =
      "<html><head><title>T</title></head><body><h1>Big &amp; bold</h1><p>caf\xC3\xA9 "
      "<a href=\"#x\">link</a></p></body></html>";
  ScriptedServer server({ConnectionScript::Reply(Response(body))});
  SetUrl(server.Url("/"));
  Go();
  EXPECT_TRUE(notices.isEmpty());
  // The same text the Text page shows, parsed: markup and entities are gone.
  EXPECT_EQ(view.DocumentSource(), form.TextView().Lines().Text());
  EXPECT_EQ(view.Title(), u"T");
  view.SelectAll();
  const std::u16string shown = view.SelText();
  EXPECT_NE(shown.find(u"Big & bold\r\ncaf\u00E9 link"), std::u16string::npos);
  EXPECT_GT(InkPixels(host->grab().toImage()), blank + 100);

  // A failed exchange leaves the page empty.
  ScriptedServer closing({ConnectionScript::Reply("")});
  SetUrl(closing.Url("/"));
  Go();
  EXPECT_TRUE(view.Document().LayoutPass.PositionList.empty());
  EXPECT_EQ(view.DocumentSource(), u"");
  EXPECT_EQ(InkPixels(host->grab().toImage()), blank);
}

// A link left to the view (on a page that came from no http URL) to a local
// page that is not there: the application's error notice names the file, and
// the window goes on with its page.
TEST_F(GoButton, ClickToAMissingPageIsReportedAndTheWindowGoesOn) {
  auto* app = dynamic_cast<TApplication*>(QCoreApplication::instance());
  ASSERT_NE(app, nullptr);
  QStringList shown;
  app->SetOnShowException([&](const QString& m) { shown << m; });
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QTest::keyClick(form.findChild<QWidget*>(QStringLiteral("PageControl1")), Qt::Key_Tab,
                  Qt::ControlModifier);
  QWidget* host = form.findChild<QWidget*>(QStringLiteral("HtmlView1"));
  ASSERT_TRUE(host->isVisible());

  THtmlView& view = form.HtmlView();
  view.LoadFromString(u"<p><a href=\"no_such_page.html\">away</a></p>");
  ASSERT_FALSE(view.Document().LayoutPass.PositionList.empty());
  TSectionBase& section = *view.Document().LayoutPass.PositionList.front();
  auto measure = view.Device().CreateBitmap(1, 1);
  int x = 0, y = 0;
  ASSERT_TRUE(section.CursorToXY(measure->Canvas(), 1, x, y));
  QTest::mouseClick(host, Qt::LeftButton, Qt::NoModifier, QPoint(x + 3, y + 6));
  QCoreApplication::processEvents();
  app->SetOnShowException(nullptr);
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].toStdString(),
            "Can't locate file: " + HTMLExpandFilename(u"no_such_page.html"));
  EXPECT_EQ(view.DocumentSource(), u"<p><a href=\"no_such_page.html\">away</a></p>");
  EXPECT_TRUE(notices.isEmpty());
}

}  // namespace
}  // namespace tav
