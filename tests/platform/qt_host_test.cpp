// The window host on Qt: events reach the control, requests reach Qt.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>

#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

#include "platform/clipboard.h"
#include "platform/qt/control_host.h"
#include "platform/qt/install.h"
#include "platform/system_values.h"

namespace tav {
namespace {

class TView : public TControl {
public:
  std::vector<TRect> Clips;
  std::vector<std::string> Log;
  TColor Fill = clRed;

  void Paint(TSurface& canvas, const TRect& clip) override {
    Clips.push_back(clip);
    canvas.FillRect(ClientRect(), Fill);
  }
  void ScrollBarEvent(TScrollBarKind bar, TScrollCode code, int pos) override {
    Log.push_back("scroll " + std::to_string(static_cast<int>(code)) + " " + std::to_string(pos));
    if (code == TScrollCode::scLineDown)
      SetScrollInfo(bar, {0, 0, 0, GetScrollInfo(bar).Pos + 7, 0}, SIF_POS);
  }
  void TimerTick(int id) override {
    Log.push_back("tick " + std::to_string(id));
    KillTimer(id);
  }
  void HandleMessage(unsigned msg, std::intptr_t, std::intptr_t) override {
    Log.push_back("msg " + std::to_string(msg));
  }
  void KeyDown(int& key, TShiftState shift) override {
    Log.push_back("down " + std::to_string(key) + ((shift & ssCtrl) ? " ctrl" : ""));
    if (key == 'P') PostMessage(5);
  }
  void KeyPress(char16_t& ch) override { Log.push_back("char " + std::to_string(ch)); }
  void MouseDown(TMouseButton, TShiftState shift, int x, int y) override {
    Log.push_back("press " + std::to_string(x) + "," + std::to_string(y) +
                  ((shift & ssShift) ? " shift" : ""));
  }
};

// Runs the event loop until `done` or two seconds pass.
template <typename F>
bool Wait(F done) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

void Flush() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(QtHostTest, PaintsTheControlInsideItsBorder) {
  TView view;
  view.SetBorder(TBorderKind::bkClientEdge);
  TQtControlHost host(view);
  host.resize(100, 60);
  host.show();
  EXPECT_EQ(view.BoundsRect().Width(), 100);
  EXPECT_EQ(view.ClientRect(), (TRect{0, 0, 96, 56}));
  QImage shot = host.grab().toImage();
  EXPECT_NE(shot.pixelColor(1, 1), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(2, 2), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(97, 57), QColor(255, 0, 0));
  EXPECT_NE(shot.pixelColor(98, 58), QColor(255, 0, 0));
  host.hide();
}

TEST(QtHostTest, ScrollingRepaintsOnlyTheUncoveredStrip) {
  TView view;
  TQtControlHost host(view);
  host.resize(120, 80);
  host.show();
  ASSERT_TRUE(Wait([&] { return !view.Clips.empty(); }));
  Flush();
  view.Clips.clear();
  view.ScrollWindow(0, -10);
  ASSERT_TRUE(Wait([&] { return !view.Clips.empty(); }));
  Flush();
  for (const TRect& clip : view.Clips) EXPECT_EQ(clip, (TRect{0, 70, 120, 80}));

  // Invalidating a part and updating paints that part at once.
  view.Clips.clear();
  view.InvalidateRect({5, 6, 15, 16});
  view.Update();
  ASSERT_FALSE(view.Clips.empty());
  EXPECT_EQ(view.Clips.front(), (TRect{5, 6, 15, 16}));
  host.hide();
}

TEST(QtHostTest, ScrollBarsShowTheRangeAndReportActions) {
  TView view;
  TQtControlHost host(view);
  host.resize(200, 100);
  host.show();
  view.SetScrollInfo(TScrollBarKind::sbVertical, {0, 999, 100, 0, 0});
  QScrollBar* bar = nullptr;
  for (QScrollBar* b : host.findChildren<QScrollBar*>())
    if (b->orientation() == Qt::Vertical) bar = b;
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->maximum(), 900);
  EXPECT_EQ(bar->pageStep(), 100);
  EXPECT_EQ(bar->geometry().left(), view.ClientWidth());
  EXPECT_EQ(view.ClientWidth(), 200 - GetSystemMetrics(SM_CXVSCROLL));

  // A line step goes to the control, which decides where the bar goes.
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(bar->value(), 7);
  EXPECT_EQ(view.GetScrollInfo(TScrollBarKind::sbVertical).Pos, 7);
  ASSERT_GE(view.Log.size(), 2u);
  EXPECT_EQ(view.Log[0], "scroll 1 0");
  EXPECT_EQ(view.Log[1], "scroll 8 7");

  // A thumb drag reports the track position.
  view.Log.clear();
  bar->setSliderDown(true);
  bar->setSliderPosition(345);
  ASSERT_FALSE(view.Log.empty());
  EXPECT_EQ(view.Log.back(), "scroll 5 345");
  bar->setSliderDown(false);

  view.SetScrollInfo(TScrollBarKind::sbVertical, {0, 50, 100, 0, 0});
  EXPECT_FALSE(bar->isVisible());
  host.hide();
}

TEST(QtHostTest, TimersAndPostedMessagesComeThroughTheEventLoop) {
  TView view;
  TQtControlHost host(view);
  host.resize(50, 50);
  view.SetTimer(4, 10);
  ASSERT_TRUE(Wait([&] { return !view.Log.empty(); }));
  EXPECT_EQ(view.Log, (std::vector<std::string>{"tick 4"}));

  // A message posted while handling a key runs after the key.
  view.Log.clear();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_P, Qt::NoModifier, QStringLiteral("p"));
  QCoreApplication::sendEvent(&host, &press);
  EXPECT_EQ(view.Log, (std::vector<std::string>{"down 80", "char 112"}));
  ASSERT_TRUE(Wait([&] { return view.Log.size() == 3; }));
  EXPECT_EQ(view.Log.back(), "msg 5");
}

TEST(QtHostTest, KeysAndMouseArriveInClientTerms) {
  TView parent, child;
  parent.SetBorder(TBorderKind::bkSingle);
  TQtControlHost host(parent);
  host.resize(100, 100);
  host.show();
  child.SetBounds({10, 10, 60, 60});
  child.SetParent(&parent);
  auto hosts = host.findChildren<TQtControlHost*>();
  ASSERT_EQ(hosts.size(), 1);
  QWidget* childWidget = hosts.front();
  EXPECT_EQ(childWidget->geometry(), QRect(11, 11, 50, 50));  // inside the parent's border

  QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
  QCoreApplication::sendEvent(childWidget, &left);
  EXPECT_EQ(child.Log, (std::vector<std::string>{"down 37"}));
  EXPECT_TRUE(parent.Log.empty());
  // Ctrl+Tab left alone by the child reaches the parent control.
  QKeyEvent ctrlTab(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
  QApplication::sendEvent(childWidget, &ctrlTab);
  EXPECT_EQ(parent.Log, (std::vector<std::string>{"down 9 ctrl"}));

  QMouseEvent press(QEvent::MouseButtonPress, QPointF(12, 7), QPointF(12, 7), Qt::LeftButton,
                    Qt::LeftButton, Qt::ShiftModifier);
  QCoreApplication::sendEvent(&host, &press);
  EXPECT_EQ(parent.Log.back(), "press 11,6 shift");

  // The child's widget goes with the child control.
  child.SetParent(nullptr);
  Flush();
  EXPECT_TRUE(host.findChildren<TQtControlHost*>().isEmpty());
  EXPECT_EQ(child.Host(), nullptr);
  host.hide();
}

TEST(QtHostTest, ControlOutlivesItsWidget) {
  TView view;
  {
    TQtControlHost host(view);
    EXPECT_EQ(view.Host(), &host);
  }
  EXPECT_EQ(view.Host(), nullptr);
  view.Invalidate();  // nothing to do, nothing breaks
}

// A hint is Qt's tool tip with the control's text; hiding it, or the
// control going away, takes the tip down.
TEST(QtHostTest, HintIsAToolTip) {
  auto view = std::make_unique<TView>();
  TQtControlHost host(*view);
  host.resize(100, 60);
  host.show();
  view->ShowHint(TPoint{10, 20}, u"Some help");
  EXPECT_TRUE(Wait([] { return QToolTip::isVisible(); }));
  EXPECT_EQ(QToolTip::text(), QStringLiteral("Some help"));
  view->HideHint();
  EXPECT_TRUE(Wait([] { return !QToolTip::isVisible(); }));
  view->ShowHint(TPoint{10, 20}, u"Again");
  EXPECT_TRUE(Wait([] { return QToolTip::isVisible(); }));
  view.reset();
  EXPECT_TRUE(Wait([] { return !QToolTip::isVisible(); }));
  host.hide();
}

TEST(QtHostTest, ClipboardOffersSeveralFormats) {
  TClipboard& clip = Clipboard();
  unsigned html = clip.RegisterFormat(u"HTML Format");
  unsigned block = clip.RegisterFormat(u"TextView Control Block Type");
  // An entry whose header gives the offsets of the HTML after it.
  const std::string body = "<b>bold</b>";
  const size_t headerSize = std::string("Version:1.0\r\nStartHTML:00000000\r\nEndHTML:00000000\r\n").size();
  char header[128];
  std::snprintf(header, sizeof header, "Version:1.0\r\nStartHTML:%08zu\r\nEndHTML:%08zu\r\n",
                headerSize, headerSize + body.size());
  const std::string fragment = header + body;
  clip.SetData({TClipboardItem::UnicodeText(u"bold \x00E9"), {html, fragment},
                {block, std::string("\x02\x00\x00\x00", 4)}});
  EXPECT_EQ(clip.GetText(), u"bold \x00E9");
  EXPECT_EQ(clip.GetData(block), std::string("\x02\x00\x00\x00", 4));
  EXPECT_EQ(clip.GetData(html), fragment);
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  EXPECT_EQ(mime->text(), QStringLiteral("bold \u00E9"));
  EXPECT_TRUE(mime->hasHtml());
  EXPECT_EQ(mime->html(), QStringLiteral("<b>bold</b>"));
}

// Other programs get the selection itself as text/html, not the page
// source that leads up to it.
TEST(QtHostTest, HtmlFormatGivesItsFragmentAsHtml) {
  TClipboard& clip = Clipboard();
  const unsigned html = clip.RegisterFormat(u"HTML Format");
  const std::string head =
      "Version:1.0\r\nStartHTML:00000000\r\nEndHTML:00000000\r\nStartFragment:00000000\r\n"
      "EndFragment:00000000\r\n";
  const std::string before = "<p>EndFragment: before <!--StartFragment-->";
  const std::string fragment = "<b>s\xC3\xA9l</b>";
  const std::string entry = head + before + fragment + "<!--EndFragment-->";
  char header[256];
  std::snprintf(header, sizeof header,
                "Version:1.0\r\nStartHTML:%08zu\r\nEndHTML:%08zu\r\nStartFragment:%08zu\r\n"
                "EndFragment:%08zu\r\n",
                head.size(), entry.size(), head.size() + before.size(),
                head.size() + before.size() + fragment.size());
  clip.SetData({TClipboardItem::UnicodeText(u"s\x00E9l"),
                {html, header + entry.substr(head.size())}});
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  EXPECT_EQ(mime->html(), QStringLiteral("<b>s\u00E9l</b>"));
}

}  // namespace
}  // namespace tav
