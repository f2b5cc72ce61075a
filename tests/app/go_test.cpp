// The GO button against loopback servers: what the header box and the Text
// page show after an exchange, and what the server saw.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <stdexcept>
#include <string>

#include "app/application.h"
#include "go_fixture.h"
#include "http/http_send.h"
#include "nginx_server.h"
#include "platform/qt/control_host.h"
#include "scripted_server.h"

namespace tav {
namespace {

using test::ConnectionScript;
using test::ScriptedServer;
using test::ScriptEnd;

std::string Response(const std::string& head, const std::string& body) {
  return "HTTP/1.0 200 OK\r\n" + head + "Content-Length: " + std::to_string(body.size()) +
         "\r\n\r\n" + body;
}

using test::GoButton;

TEST_F(GoButton, SuccessShowsHeaderLinesAndBodyText) {
  const struct {
    const char* what;
    std::string body;
    QString shown;
  } cases[] = {
      {"UTF-8 body", "gr\xC3\xBC\xC3\x9F dich\r\nzweite Zeile", QString::fromUtf8("grüß dich\nzweite Zeile")},
      {"Windows-1252 body", "caf\xE9 \x80 5", QString::fromUtf8("café € 5")},
      {"UTF-16 LE body with its mark", std::string("\xFF\xFEh\0i\0\r\0\n\0\xAC\x20", 12),
       QString::fromUtf8("hi\n€")},
      // Structurally valid UTF-8 that the strict decoder refuses (an overlong
      // "/"): shown byte for byte rather than lost behind an error.
      {"overlong UTF-8 form", "a\xC0\xAF" "b", QString::fromUtf8("aÀ¯b")},
      // Not valid UTF-8 but starting with the UTF-8 mark: shown the same way.
      {"UTF-8 mark on a broken body", "\xEF\xBB\xBFx\xE2", QString::fromUtf8("ï»¿xâ")},
      {"empty body", "", QString()},
  };
  for (const auto& c : cases) {
    ScriptedServer server({ConnectionScript::Reply(Response("Content-Type: text/plain\r\n", c.body))});
    SetUrl(server.Url("/page?x=1"));
    Go();
    EXPECT_EQ(Header(), (QStringList{"HTTP/1.0 200 OK", "Content-Type: text/plain",
                                     "Content-Length: " + QString::number(c.body.size()), ""}))
        << c.what;
    EXPECT_EQ(Text(), c.shown) << c.what;
    ASSERT_EQ(server.Requests().size(), 1u) << c.what;
    EXPECT_EQ(server.Requests()[0].Bytes.rfind("GET /page?x=1 HTTP/1.0\r\n", 0), 0u) << c.what;
  }
  EXPECT_TRUE(notices.isEmpty());
}

TEST_F(GoButton, NginxPageArrivesWhole) {
  if (!test::NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
  test::NginxServer nginx;
  const std::string page = "<html><body><p>Hello from nginx</p></body></html>\n";
  nginx.WriteFile("index.html", page);
  std::string error;
  ASSERT_TRUE(nginx.Start(&error)) << error;
  SetUrl(nginx.Url("/"));
  Go();
  const QStringList header = Header();
  ASSERT_FALSE(header.isEmpty());
  EXPECT_EQ(header.first(), "HTTP/1.1 200 OK");
  EXPECT_TRUE(header.contains("Content-Type: text/html"));
  EXPECT_EQ(Text(), QString::fromStdString(page));
}

TEST_F(GoButton, FailuresShowErrorAndBothCodes) {
  // The resolver refuses a label longer than 63 bytes before any query leaves
  // the machine, so this host fails without network traffic.
  const std::string unresolvable = "http://" + std::string(64, 'a') + ".invalid/";
  ScriptedServer stalling({ConnectionScript::Chunks({}, ScriptEnd::Hold)});
  const struct {
    const char* what;
    std::string url;
    QString socketLine;
  } cases[] = {
      {"refused", "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/",
       "10061: Connection refused"},
      {"unresolvable", unresolvable, "11001: Host not found"},
      {"stalled", stalling.Url("/"), "10060: Connection timed out"},
  };
  form.SetOnEngineCreated([](THTTPSend& http) { http.SetTimeout(300); });
  for (const auto& c : cases) {
    SetUrl(c.url);
    Go();
    EXPECT_EQ(Text(), "Error\n" + c.socketLine + "\n0: ") << c.what;
    // Only the (empty) echo of the request header list is left.
    EXPECT_TRUE(form.HeaderText().trimmed().isEmpty()) << c.what;
  }
  EXPECT_TRUE(notices.isEmpty());
}

// The Text page is the text view itself: what GO puts into its lines is what
// its window paints, one line a row with its number in the gutter.
TEST_F(GoButton, BodyAndFailureLinesReachTheTextView) {
  auto* host = form.findChild<TQtControlHost*>(QStringLiteral("TextView1"));
  ASSERT_NE(host, nullptr);
  TTextView& view = form.TextView();
  ASSERT_EQ(host->Control(), &view);
  EXPECT_EQ(host->parentWidget()->objectName(), "GroupBox2");
  EXPECT_EQ(view.Lines().Count(), 1);
  EXPECT_EQ(form.ResponseText(), "");

  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  // Dark pixels in the text area / the gutter of display row `row`.
  const auto ink = [&](int row, bool gutter) {
    const QImage image = host->grab().toImage();
    const int b = view.BorderWidth();
    const int top = b + (row - 1) * view.LineHeight();
    const int left = b + (gutter ? 0 : view.GutterWidth() + 2);
    const int right = b + (gutter ? view.GutterWidth() - 2 : view.ClientWidth());
    int count = 0;
    for (int y = top; y < top + view.LineHeight(); ++y)
      for (int x = left; x < right; ++x) count += qGray(image.pixel(x, y)) < 128;
    return count;
  };
  EXPECT_EQ(ink(1, false), 0);
  EXPECT_GT(ink(1, true), 0) << "an empty view still numbers its line";

  ScriptedServer server({ConnectionScript::Reply(
      Response("", "first\tline http://example.org/\r\n\r\nthird \xE4\xB8\xAD\xE6\x96\x87"))});
  SetUrl(server.Url("/"));
  Go();
  ASSERT_EQ(view.Lines().Count(), 3);
  EXPECT_EQ(view.Lines().Get(0), u"first\tline http://example.org/");
  EXPECT_EQ(view.Lines().Get(1), u"");
  EXPECT_EQ(view.Lines().Get(2), u"third \u4E2D\u6587");
  EXPECT_EQ(view.DisplayLineCount(), 3);
  EXPECT_EQ(view.TopLine(), 1);
  EXPECT_GT(ink(1, false), 0);
  EXPECT_EQ(ink(2, false), 0);
  EXPECT_GT(ink(3, false), 0);
  EXPECT_EQ(ink(4, false), 0);
  EXPECT_GT(ink(3, true), 0);
  EXPECT_EQ(ink(4, true), 0);

  SetUrl("http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/");
  Go();
  ASSERT_EQ(view.Lines().Count(), 3);
  EXPECT_EQ(view.Lines().Get(0), u"Error");
  EXPECT_EQ(view.Lines().Get(1), u"10061: Connection refused");
  EXPECT_EQ(view.Lines().Get(2), u"0: ");
  EXPECT_GT(ink(2, false), 0) << "the line that was empty now holds the socket error";
  EXPECT_EQ(ink(4, false), 0);
}

// Dragging the thumb over a wrapped body after an earlier body was shown:
// every line's first row carries its number, continuation rows none.
TEST_F(GoButton, ThumbDragKeepsEveryLineNumberOfANewBody) {
  auto* host = form.findChild<TQtControlHost*>(QStringLiteral("TextView1"));
  ASSERT_NE(host, nullptr);
  TTextView& view = form.TextView();
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QScrollBar* bar = nullptr;
  for (QScrollBar* b : host->findChildren<QScrollBar*>())
    if (b->orientation() == Qt::Vertical) bar = b;
  ASSERT_NE(bar, nullptr);
  // Presses the thumb, moves it through `ys` (pixels of the bar) and lets go.
  const auto drag = [&](std::initializer_list<int> ys) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Vertical;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.pageStep = bar->pageStep();
    option.singleStep = bar->singleStep();
    const QRect thumb =
        bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    QPoint at = thumb.center();
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, at);
    for (int y : ys) {
      at.setY(y);
      QMouseEvent move(QEvent::MouseMove, at, bar->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                       Qt::NoModifier);
      QApplication::sendEvent(bar, &move);
      QCoreApplication::processEvents();
      // The hint names the buffer line at the top while the thumb moves.
      EXPECT_EQ(view.ScrollHintText(),
                u"Top Line: " + QString::number(view.RowToLine(view.TopLine())).toStdU16String());
    }
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, at);
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.ScrollHintText().empty());
  };
  // A short body first, then one of five-digit line numbers with wrapped
  // lines, tabs and CJK near its end.
  std::string small, large;
  for (int i = 0; i < 120; ++i) small += "short line " + std::to_string(i) + "\n";
  std::string longLine = "Long line:";
  for (int i = 0; i < 60; ++i) longLine += " word" + std::to_string(i);
  for (int i = 0; i < 12000; ++i) large += "filler line " + std::to_string(i) + "\n";
  for (int i = 0; i < 5; ++i)
    large += "col1\tcol2\t\xE4\xB8\xAD\xE6\x96\x87\tx\n" + longLine + " http://example.org/\n";
  ScriptedServer server({ConnectionScript::Reply(Response("", small)),
                         ConnectionScript::Reply(Response("", large))});
  SetUrl(server.Url("/"));
  Go();
  drag({40, 60, 80, 70, 60});
  Go();
  ASSERT_EQ(view.Lines().Count(), 12011);
  const int rows = view.DisplayLineCount();
  drag({bar->height() / 2, bar->height() + 20});
  ASSERT_GT(view.TopLine(), 12000);

  const QImage image = host->grab().toImage();
  const int b = view.BorderWidth();
  for (int row = view.TopLine(); row < view.TopLine() + view.LinesInWindow() && row <= rows; ++row) {
    const int line = view.RowToLine(row);
    const bool first = view.LineToRow(line) == row;
    const int top = b + (row - view.TopLine()) * view.LineHeight();
    // The digits' place: the gutter left of where the wrap marker goes.
    int ink = 0;
    for (int y = top; y < top + view.LineHeight(); ++y)
      for (int x = b; x < b + view.GutterWidth() - 22; ++x) ink += qGray(image.pixel(x, y)) < 128;
    EXPECT_EQ(ink > 0, first) << "row " << row << " of line " << line;
  }
}

TEST_F(GoButton, EachPressStartsFromClearedViews) {
  ScriptedServer server({ConnectionScript::Reply(Response("", "first body"))});
  SetUrl(server.Url("/"));
  Go();
  ASSERT_EQ(Text(), "first body");
  SetUrl("http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/");
  Go();
  EXPECT_EQ(Text(), "Error\n10061: Connection refused\n0: ");
  EXPECT_FALSE(form.HeaderText().contains("200 OK"));
}

TEST_F(GoButton, DebugMethodAddsTheStopDebugLine) {
  const struct {
    QString method;
    bool marked;
    const char* requestLine;
  } cases[] = {
      {"DEBUG", true, "DEBUG / HTTP/1.0\r\n"},
      {"  debug ", true, "DEBUG / HTTP/1.0\r\n"},
      {"DeBuG", true, "DEBUG / HTTP/1.0\r\n"},
      {"DEBUGGER", false, "DEBUGGER / HTTP/1.0\r\n"},
      {"GET", false, "GET / HTTP/1.0\r\n"},
  };
  for (const auto& c : cases) {
    // The server reads the request and closes without answering.
    ScriptedServer server({ConnectionScript::Reply("")});
    SetUrl(server.Url("/"));
    SetMethod(c.method);
    Go();
    const QString what = c.method;
    EXPECT_TRUE(Text().startsWith("Error\n")) << what.toStdString();
    EXPECT_EQ(form.HeaderText().contains("Command: stop-debug"), c.marked) << what.toStdString();
    ASSERT_EQ(server.Requests().size(), 1u) << what.toStdString();
    const std::string request = server.Requests()[0].Bytes;
    EXPECT_EQ(request.rfind(c.requestLine, 0), 0u) << what.toStdString() << "\n" << request;
    EXPECT_EQ(request.find("\r\nCommand: stop-debug\r\n") != std::string::npos, c.marked)
        << what.toStdString();
  }
}

TEST_F(GoButton, EnableProxySendsAbsoluteUriToTheProxy) {
  ScriptedServer proxy({ConnectionScript::Reply(Response("", "via proxy"))});
  Proxy(true);
  Set("ed_proxyhost", "127.0.0.1");
  Set("ed_proxyport", QString::number(proxy.Port()));
  // The target host is never resolved: the proxy gets the whole URL.
  SetUrl("http://www.example.invalid:8080/a/b?c=d");
  Go();
  EXPECT_EQ(Text(), "via proxy");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  const std::string request = proxy.Requests()[0].Bytes;
  EXPECT_EQ(request.rfind("GET http://www.example.invalid:8080/a/b?c=d HTTP/1.0\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("\r\nHost: www.example.invalid\r\n"), std::string::npos) << request;
  EXPECT_NE(request.find("\r\nProxy-Connection: keep-alive\r\n"), std::string::npos) << request;
}

TEST_F(GoButton, ProxyFieldsMatterOnlyWithAHostAndTheBoxTicked) {
  ScriptedServer server({ConnectionScript::Reply(Response("", "direct")),
                         ConnectionScript::Reply(Response("", "direct again"))});
  // Filled in but not ticked: ignored.
  Set("ed_proxyhost", "127.0.0.1");
  Set("ed_proxyport", "1");
  SetUrl(server.Url("/x"));
  Go();
  EXPECT_EQ(Text(), "direct");
  // Ticked with an empty host: the engine connects directly.
  Proxy(true);
  Set("ed_proxyhost", "");
  Go();
  EXPECT_EQ(Text(), "direct again");
  ASSERT_EQ(server.Requests().size(), 2u);
  for (const auto& r : server.Requests()) {
    EXPECT_EQ(r.Bytes.rfind("GET /x HTTP/1.0\r\n", 0), 0u) << r.Bytes;
    EXPECT_NE(r.Bytes.find("\r\nConnection: keep-alive\r\n"), std::string::npos) << r.Bytes;
  }
}

TEST_F(GoButton, UrlAndMethodAreTrimmedOfBlanksAndControls) {
  ScriptedServer server({ConnectionScript::Reply(Response("", "trimmed"))});
  Set("Edit1", QString::fromStdString(" \t " + server.Url("/t") + " \r\n "));
  SetMethod(" \tget ");
  Go();
  EXPECT_EQ(Text(), "trimmed");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].Bytes.rfind("GET /t HTTP/1.0\r\n", 0), 0u) << server.Requests()[0].Bytes;
}

TEST_F(GoButton, ExceptionInsideTheExchangeIsReportedThenTreatedAsFailure) {
  ScriptedServer server;
  form.SetOnEngineCreated([](THTTPSend& http) {
    http.Sock().SetOnStatus([](TBlockSocket*, THookSocketReason reason, const std::u16string&) {
      if (reason == HR_Connect) throw std::length_error("status hook gave up");
    });
  });
  SetUrl(server.Url("/"));
  Go();
  EXPECT_EQ(notices, (QStringList{"Exception class name = length_error",
                                  "Exception message = status hook gave up"}));
  EXPECT_TRUE(Text().startsWith("Error\n")) << Text().toStdString();
}

TEST_F(GoButton, OtherExceptionsLeaveTheHandlerForTheGeneralNotice) {
  auto* app = static_cast<TApplication*>(QCoreApplication::instance());
  QStringList general;
  app->SetOnShowException([&general](const QString& m) { general << m; });
  ScriptedServer server;
  form.SetOnEngineCreated([](THTTPSend& http) {
    http.Sock().SetOnStatus([](TBlockSocket*, THookSocketReason reason, const std::u16string&) {
      if (reason == HR_Connect) throw 7;
    });
  });
  SetUrl(server.Url("/"));
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
  app->SetOnShowException(nullptr);
  EXPECT_EQ(general, QStringList{"Unknown exception"});
  EXPECT_TRUE(notices.isEmpty());
  // The handler left before writing any result.
  EXPECT_TRUE(Text().isEmpty());
}

}  // namespace
}  // namespace tav
