// The window while an exchange waits for a slow server: it paints and
// resizes, takes no input in its fields and views, and GO's Stop, Exit and
// closing the window end the exchange at once.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyleHints>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>

#include "go_fixture.h"
#include "platform/qt/control_host.h"
#include "scripted_server.h"
#include "tls_fixtures.h"

namespace tav {
namespace {

using test::ConnectionScript;
using test::ScriptedServer;
using test::ScriptEnd;
using Clock = std::chrono::steady_clock;

// The head at once, the body `delayMs` later.
ConnectionScript LateBody(const std::string& body, int delayMs) {
  return ConnectionScript::Chunks(
      {{"HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n", 0}, {body, delayMs}});
}

// The head and part of the body, then nothing until the client goes.
ConnectionScript HeldBody() {
  return ConnectionScript::Reply("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\npart", ScriptEnd::Hold);
}

const QString kAbortLines = "Error\n10053: Software caused connection abort\n0: ";

class AliveGo : public test::GoButton {
 protected:
  void SetUp() override {
    GoButton::SetUp();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }

  QPushButton* Button(const char* name) { return form.findChild<QPushButton*>(QString::fromLatin1(name)); }
  // Runs `during` on the window's thread `afterMs` into the exchange that Go
  // starts; false when it never ran there while the exchange waited.
  bool GoWhile(int afterMs, const std::function<void()>& during) {
    bool ran = false;
    QTimer::singleShot(afterMs, &form, [&] {
      ran = QThread::currentThread() == form.thread() && form.ExchangeRunning();
      during();
    });
    Go();
    return ran;
  }
  // Dark pixels of the text view's text area, as the screen shows it.
  int TextInkOnScreen() {
    auto* host = form.findChild<TQtControlHost*>(QStringLiteral("TextView1"));
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(form.winId()).toImage();
    const QRect area(host->mapTo(&form, QPoint(form.TextView().GutterWidth() + 4, 4)),
                     QSize(host->width() - form.TextView().GutterWidth() - 24, host->height() - 8));
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) ink += qGray(screen.pixel(x, y)) < 128;
    return ink;
  }
  // Past the time in which a click on Stop still counts as GO's double click.
  static int AfterDoubleClick() { return QGuiApplication::styleHints()->mouseDoubleClickInterval() + 200; }
};

TEST_F(AliveGo, WindowPaintsAndResizesButTakesNoInputWhileWaiting) {
  ScriptedServer server({ConnectionScript::Reply("HTTP/1.0 200 OK\r\n\r\nfirst body"), LateBody("late", 1500)});
  SetUrl(server.Url("/"));
  Go();
  ASSERT_EQ(Text(), "first body");
  QCoreApplication::processEvents();  // its pending paint
  ASSERT_GT(TextInkOnScreen(), 0);

  const QSize before = form.size();
  auto* memo = form.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
  const int memoWidth = memo->width();
  QString caption, text, header;
  int ink = -1;
  bool busy = false;
  const bool ran = GoWhile(600, [&] {
    caption = Button("Button1")->text();
    text = Text();
    header = form.HeaderText();
    ink = TextInkOnScreen();
    busy = QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::BusyCursor;
    // Typing into the URL and ticking the proxy box are dropped, not kept
    // for later.
    QTest::keyClicks(form.findChild<QLineEdit*>(QStringLiteral("Edit1")), "typed");
    QTest::mouseClick(form.findChild<QCheckBox*>(QStringLiteral("enableproxy")), Qt::LeftButton);
    form.resize(before + QSize(120, 80));
  });
  ASSERT_TRUE(ran);
  EXPECT_EQ(caption, "Stop");
  EXPECT_TRUE(text.isEmpty());
  EXPECT_TRUE(header.trimmed().isEmpty());
  EXPECT_EQ(ink, 0) << "the cleared text view was painted";
  EXPECT_TRUE(busy);

  // The exchange ran to its end undisturbed.
  EXPECT_EQ(Text(), "late");
  EXPECT_EQ(form.findChild<QLineEdit*>(QStringLiteral("Edit1"))->text().toStdString(), server.Url("/"));
  EXPECT_FALSE(form.findChild<QCheckBox*>(QStringLiteral("enableproxy"))->isChecked());
  EXPECT_EQ(form.size(), before + QSize(120, 80));
  EXPECT_EQ(memo->width(), memoWidth + 120) << "the window's layout followed the resize";
  EXPECT_EQ(Button("Button1")->text(), "GO");
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(server.Connections(), 2);
  EXPECT_TRUE(notices.isEmpty());
}

TEST_F(AliveGo, StopEndsTheExchangeWithTheAbortLines) {
  ScriptedServer server({HeldBody()});
  SetUrl(server.Url("/"));
  Clock::time_point clicked;
  const bool ran = GoWhile(AfterDoubleClick(), [&] {
    clicked = Clock::now();
    QTest::mouseClick(Button("Button1"), Qt::LeftButton);
  });
  const auto took = Clock::now() - clicked;
  ASSERT_TRUE(ran);
  EXPECT_LT(took, std::chrono::seconds(1));
  EXPECT_EQ(Text(), kAbortLines);
  // The head had arrived before the body was stopped: it stays in view.
  EXPECT_EQ(form.HeaderText().trimmed(), "HTTP/1.0 200 OK\nContent-Length: 100");
  EXPECT_EQ(Button("Button1")->text(), "GO");
  EXPECT_TRUE(form.isVisible());
  // The second click of a double click on Stop, once the exchange has ended,
  // starts no new one (when this machine was quick enough to tell).
  const auto interval = std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval());
  if (Clock::now() - clicked < interval - std::chrono::milliseconds(100)) {
    QTest::mouseClick(Button("Button1"), Qt::LeftButton);
    EXPECT_EQ(Text(), kAbortLines);
  }
  EXPECT_EQ(server.Connections(), 1);
}

TEST_F(AliveGo, SecondClickOfADoubleClickOnGoIsDropped) {
  ScriptedServer server({LateBody("late", 1000)});
  SetUrl(server.Url("/"));
  const bool ran = GoWhile(50, [&] { QTest::mouseClick(Button("Button1"), Qt::LeftButton); });
  ASSERT_TRUE(ran);
  // Neither a Stop nor a second request.
  EXPECT_EQ(Text(), "late");
  QTest::qWait(200);
  EXPECT_EQ(server.Connections(), 1);
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(AliveGo, ExitOrClosingAbortsThenCloses) {
  const struct {
    const char* what;
    std::function<void()> close;
  } cases[] = {
      {"Exit", [this] { QTest::mouseClick(Button("Button2"), Qt::LeftButton); }},
      {"window closed", [this] { form.close(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ScriptedServer server({HeldBody()});
    SetUrl(server.Url("/"));
    Clock::time_point asked;
    bool stillOpen = false;
    const bool ran = GoWhile(300, [&] {
      asked = Clock::now();
      c.close();
      stillOpen = form.isVisible();
    });
    const auto took = Clock::now() - asked;
    ASSERT_TRUE(ran);
    EXPECT_TRUE(stillOpen) << "the window waits for the exchange's end";
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.ExchangeRunning());
    EXPECT_EQ(server.Connections(), 1);
  }
}

TEST_F(AliveGo, StopEndsAStalledTlsHandshake) {
  test::RawPeer stall(test::RawPeerMode::Stall);
  SetUrl("https://127.0.0.1:" + std::to_string(stall.Port()) + "/");
  Clock::time_point clicked;
  const bool ran = GoWhile(AfterDoubleClick(), [&] {
    clicked = Clock::now();
    QTest::mouseClick(Button("Button1"), Qt::LeftButton);
  });
  ASSERT_TRUE(ran);
  EXPECT_LT(Clock::now() - clicked, std::chrono::seconds(1));
  EXPECT_TRUE(Text().startsWith("Error\n10053: Software caused connection abort\n")) << Text().toStdString();
}

}  // namespace
}  // namespace tav
