// Following links of a fetched page, Enter in the URL box, Ctrl+A on the
// HTML page, and what a failed body leaves in the header box.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <string>

#include "app/application.h"
#include "app/link_url.h"
#include "go_fixture.h"
#include "html/layout/section_base.h"
#include "html/view/viewer.h"
#include "http/http_send.h"
#include "scripted_server.h"

namespace tav {
namespace {

using test::ConnectionScript;
using test::GoButton;
using test::ScriptedServer;

std::string Response(const std::string& body, const std::string& extra = "") {
  return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n" + extra +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::u16string U(const char* s) { return QString::fromUtf8(s).toStdU16String(); }

std::string RequestLine(const test::RecordedRequest& r) { return r.Bytes.substr(0, r.Bytes.find("\r\n")); }

TEST(ResolveLinkUrl, Cases) {
  const struct {
    const char* page;
    const char* base;
    const char* link;
    const char* expected;
  } cases[] = {
      {"http://h:8080/dir/page.html", "", "next.html?q=1#part", "http://h:8080/dir/next.html?q=1"},
      {"http://h/dir/page.html", "", "../up/./x.html", "http://h/up/x.html"},
      {"http://h/dir/page.html", "", "../../../x", "http://h/x"},
      {"http://h/dir/page.html", "", "/root", "http://h/root"},
      {"http://h/dir/page.html?a=1", "", "?b=2", "http://h/dir/page.html?b=2"},
      {"http://h/dir/page.html?a=1", "", "", "http://h/dir/page.html?a=1"},
      {"https://h/dir/", "", "//other.host/p", "https://other.host/p"},
      {"  http://h  ", "", " sub/ ", "http://h/sub/"},
      {"h/dir/page", "", "x", "http://h/dir/x"},
      {"http://h/a/b", "", "HTTPS://Other/Z", "https://Other/Z"},
      {"http://h/a/b", "", "sub\\file.html", "http://h/a/sub/file.html"},
      {"http://h/a/b", "", "my page.html?q=caf\xC3\xA9&x=%41", "http://h/a/my%20page.html?q=caf%C3%A9&x=%41"},
      // BASE HREF: absolute, relative to the page, and of another scheme.
      {"http://h/dir/page.html", "http://b/base/", "x.html", "http://b/base/x.html"},
      {"http://h/dir/page.html", "/base/dir/", "../x.html", "http://h/base/x.html"},
      {"http://h/dir/page.html", "file:///tmp/", "x.html", ""},
      {"http://h/dir/page.html", "file:///tmp/", "http://h/abs", "http://h/abs"},
      // Left to the view: names in the page and other schemes.
      {"http://h/dir/page.html", "", "#name", ""},
      {"http://h/dir/page.html", "", "mailto:someone@example.com", ""},
      {"http://h/dir/page.html", "", "ftp://h/file", ""},
      {"http://h/dir/page.html", "", "javascript:void(0)", ""},
      {"", "", "page.html", ""},
      {"", "", "http://h/abs", "http://h/abs"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResolveLinkUrl(U(c.page), U(c.base), U(c.link)), U(c.expected))
        << c.page << " | " << c.base << " | " << c.link;
  }
}

class HtmlLinks : public GoButton {
 protected:
  void SetUp() override {
    GoButton::SetUp();
    app = dynamic_cast<TApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    app->SetOnShowException([this](const QString& m) { errors << m; });
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // The HTML page.
    QTest::keyClick(form.findChild<QWidget*>(QStringLiteral("PageControl1")), Qt::Key_Tab, Qt::ControlModifier);
    host = form.findChild<QWidget*>(QStringLiteral("HtmlView1"));
    ASSERT_TRUE(host && host->isVisible());
  }
  void TearDown() override {
    if (app) app->SetOnShowException(nullptr);
  }

  // Clicks the first occurrence of `word` on the HTML page.
  void ClickOn(const std::u16string& word) {
    THtmlView& view = form.HtmlView();
    view.SetSelStart(0);
    ASSERT_TRUE(view.FindEx(word, true, false)) << QString::fromStdU16String(word).toStdString();
    const int pos = view.SelStart() + 1;
    view.SetSelStart(0);
    auto measure = view.Device().CreateBitmap(1, 1);
    int x = 0, y = 0;
    bool found = false;
    for (TSectionBase* section : view.Document().LayoutPass.PositionList) {
      if (section->CursorToXY(measure->Canvas(), pos, x, y)) {
        found = true;
        break;
      }
    }
    ASSERT_TRUE(found);
    QTest::mouseClick(host, Qt::LeftButton, Qt::NoModifier,
                      QPoint(x + 3 - view.HScrollBarPosition(), y + 6 - view.VScrollBarPosition()));
    QCoreApplication::processEvents();
  }
  QString Url() const { return form.findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(); }

  TApplication* app = nullptr;
  QWidget* host = nullptr;
  QStringList errors;
};

TEST_F(HtmlLinks, HttpLinksRunGoAndOthersStayWithTheView) {
  ScriptedServer server;
  const std::string origin = server.Url("");
  std::string spacer;
  for (int i = 0; i < 80; ++i) spacer += "<br>";
  const std::string pageA = "<p><a href=\"next.html?q=1#part\">relative</a></p>"
                            "<p><a href=\"" + origin + "/abs/x.html\">absolute</a></p>"
                            "<p><a href=\"mailto:someone@example.com\">mail</a></p>"
                            "<p><a href=\"#down\">inpage</a></p>" + spacer +
                            "<p><a name=\"down\">down</a></p>";
  const std::string pageB = "<html><head><base href=\"/base/dir/\"></head>"
                            "<body><p><a href=\"../other.html\">based</a></p></body></html>";
  server.AddScript(ConnectionScript::Reply(Response(pageA)));
  server.AddScript(ConnectionScript::Reply(Response(pageB)));
  server.AddScript(ConnectionScript::Reply(Response(pageA)));
  server.AddScript(ConnectionScript::Reply(Response("<p>end</p>")));
  THtmlView& view = form.HtmlView();

  SetUrl(server.Url("/dir/page.html"));
  Go();
  ASSERT_EQ(server.Requests().size(), 1u);

  // mailto: stays with the view, which has nothing to show for it.
  ClickOn(u"mail");
  EXPECT_EQ(view.LinkUrl(), u"mailto:someone@example.com");
  EXPECT_EQ(Url().toStdString(), server.Url("/dir/page.html"));
  // A name in the page scrolls there.
  ClickOn(u"inpage");
  EXPECT_GT(view.VScrollBarPosition(), 0);
  view.SetVScrollBarPosition(0);
  EXPECT_EQ(server.Requests().size(), 1u);

  // Relative to the page's URL; the fragment is not sent.
  ClickOn(u"relative");
  ASSERT_TRUE(server.WaitForRequests(2));
  EXPECT_EQ(Url().toStdString(), origin + "/dir/next.html?q=1");
  EXPECT_EQ(RequestLine(server.Requests()[1]), "GET /dir/next.html?q=1 HTTP/1.0");
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.Base() == u"/base/dir/"; }));
  EXPECT_EQ(Header().first(), "HTTP/1.0 200 OK");

  // Relative to the page's BASE.
  ClickOn(u"based");
  ASSERT_TRUE(server.WaitForRequests(3));
  EXPECT_EQ(Url().toStdString(), origin + "/base/other.html");
  EXPECT_EQ(RequestLine(server.Requests()[2]), "GET /base/other.html HTTP/1.0");
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.DocumentSource().find(u"absolute") != std::u16string::npos; }));

  // Absolute.
  ClickOn(u"absolute");
  ASSERT_TRUE(server.WaitForRequests(4));
  EXPECT_EQ(Url().toStdString(), origin + "/abs/x.html");
  EXPECT_EQ(RequestLine(server.Requests()[3]), "GET /abs/x.html HTTP/1.0");
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.DocumentSource() == u"<p>end</p>"; }));

  EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(notices.isEmpty());
}

TEST_F(HtmlLinks, EnterInTheUrlBoxRunsGoAndCtrlASelectsThePage) {
  ScriptedServer server({ConnectionScript::Reply(Response("<h1>Title</h1><p>first <b>second</b></p>"))});
  auto* edit = form.findChild<QLineEdit*>(QStringLiteral("Edit1"));
  SetUrl(server.Url("/"));
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Return);
  ASSERT_TRUE(server.WaitForRequests(1));
  THtmlView& view = form.HtmlView();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !view.DocumentSource().empty(); }));
  EXPECT_EQ(Header().first(), "HTTP/1.0 200 OK");

  host->setFocus();
  EXPECT_EQ(view.SelLength(), 0);
  QTest::keyClick(host, Qt::Key_A, Qt::ControlModifier);
  const std::u16string selected = view.SelText();
  EXPECT_EQ(selected.rfind(u"Title\r\nfirst second", 0), 0u);
  view.SelectAll();
  EXPECT_EQ(selected, view.SelText());
  // With text not to be selected, Ctrl+A selects nothing.
  view.SetSelStart(0);
  view.NoSelect = true;
  QTest::keyClick(host, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(view.SelLength(), 0);
}

// A body that fails after the head arrived whole: the header box shows the
// head as on success, the Text page the failure lines, the HTML page nothing.
TEST_F(GoButton, FailedBodyKeepsItsHeadInTheHeaderBox) {
  const struct {
    const char* what;
    std::string reply;
    QStringList head;
    QString socketLine;  // empty: not checked
  } cases[] = {
      {"broken chunk",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nX-Kept: yes\r\n\r\n10\r\nabc",
       {"HTTP/1.1 200 OK", "Transfer-Encoding: chunked", "X-Kept: yes", ""}, ""},
      {"body over the size bound", "HTTP/1.0 404 Not Found\r\nContent-Length: 5000\r\n\r\n" + std::string(5000, 'x'),
       {"HTTP/1.0 404 Not Found", "Content-Length: 5000", ""}, "10055: No Buffer space available"},
  };
  form.SetOnEngineCreated([](THTTPSend& http) {
    THTTPLimits limits;
    limits.MaxBodySize = 1000;
    http.SetLimits(limits);
    http.SetTimeout(1500);
  });
  for (const auto& c : cases) {
    ScriptedServer server({ConnectionScript::Reply(c.reply)});
    SetUrl(server.Url("/"));
    SetMethod(QStringLiteral("debug"));
    Go();
    EXPECT_EQ(Header(), c.head) << c.what;
    const QStringList text = Text().split(QLatin1Char('\n'));
    ASSERT_EQ(text.size(), 3) << c.what;
    EXPECT_EQ(text[0], "Error") << c.what;
    if (!c.socketLine.isEmpty()) {
      EXPECT_EQ(text[1], c.socketLine) << c.what;
    }
    EXPECT_EQ(text[2], "0: ") << c.what;
    EXPECT_EQ(form.HtmlView().DocumentSource(), u"") << c.what;
  }
  // A head cut short is no head: only the echo of the request lines stays.
  ScriptedServer server({ConnectionScript::Reply("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n")});
  SetUrl(server.Url("/"));
  Go();
  EXPECT_EQ(Header(), (QStringList{"Command: stop-debug", ""}));
  EXPECT_TRUE(Text().startsWith("Error\n"));
  EXPECT_TRUE(notices.isEmpty());
}

}  // namespace
}  // namespace tav
