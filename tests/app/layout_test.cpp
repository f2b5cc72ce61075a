// The window's controls: names, places, sizes, captions and initial state.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QSplitter>
#include <QTest>
#include <QWheelEvent>

#include "app/main_form.h"
#include "html/view/html_page.h"
#include "platform/qt/control_host.h"
#include "widgets/tab_page_control.h"

namespace tav {
namespace {

// Runs the event loop until `done` or a second passes.
template <class F>
bool WaitUntil(F done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

class MainFormLayout : public testing::Test {
 protected:
  void SetUp() override {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }

  TTabPageControl* PageControl() {
    auto* host = Find<TQtControlHost>("PageControl1");
    return host ? dynamic_cast<TTabPageControl*>(host->Control()) : nullptr;
  }

  template <class W>
  W* Find(const char* name) {
    W* control = form.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }

  TMainForm form;
};

TEST_F(MainFormLayout, WindowCaptionSizeAndFont) {
  EXPECT_EQ(form.windowTitle(), "Tavrenic");
  EXPECT_EQ(form.size(), QSize(682, 632));
  EXPECT_EQ(form.font().pixelSize(), 11);
  EXPECT_EQ(form.font().family(), "Tahoma");
}

TEST_F(MainFormLayout, ControlsSitWhereTheLayoutPutsThem) {
  struct Place {
    const char* name;
    QRect geometry;  // relative to the control's parent
  };
  const Place places[] = {
      {"Panel1", {0, 0, 682, 632}},
      {"Panel2", {0, 0, 682, 64}},
      {"Edit1", {32, 8, 369, 21}},
      {"ed_method", {468, 10, 77, 21}},
      {"Button1", {574, 8, 97, 42}},
      {"enableproxy", {9, 35, 97, 17}},
      {"ed_proxyhost", {147, 35, 254, 21}},
      {"ed_proxyport", {451, 36, 46, 21}},
      {"ed_method2", {518, 37, 50, 21}},
      {"Splitter1", {0, 64, 682, 531}},
      {"GroupBox1", {0, 0, 682, 121}},
      {"PageControl1", {0, 124, 682, 407}},
      {"Panel3", {0, 595, 682, 37}},
      {"Panel4", {532, 0, 150, 37}},
      {"Button2", {45, 5, 97, 25}},
  };
  for (const Place& place : places) {
    QWidget* control = Find<QWidget>(place.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->geometry(), place.geometry) << place.name;
  }
  const struct {
    const char* name;
    QPoint topLeft;
  } labels[] = {{"Label1", {5, 11}}, {"Label3", {416, 11}}, {"Label4", {112, 37}},
                {"lb_proxyport", {418, 38}}};
  for (const auto& label : labels) {
    QLabel* control = Find<QLabel>(label.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->pos(), label.topLeft) << label.name;
    EXPECT_EQ(control->parentWidget()->objectName(), "Panel2") << label.name;
  }
}

TEST_F(MainFormLayout, ControlsNestAsTheWindowDescribes) {
  const struct {
    const char* name;
    const char* parent;
  } nesting[] = {{"Panel2", "Panel1"},        {"Edit1", "Panel2"},       {"Memo1", "GroupBox1"},
                 {"GroupBox1", "Splitter1"},  {"PageControl1", "Splitter1"},
                 {"GroupBox2", "TabSheet1"},  {"GroupBox3", "TabSheet2"},
                 {"Panel4", "Panel3"},        {"Button2", "Panel4"}};
  for (const auto& n : nesting) {
    QWidget* control = Find<QWidget>(n.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->parentWidget()->objectName(), n.parent) << n.name;
  }
  // Memo1 fills its group box below the caption.
  QWidget* memo = Find<QWidget>("Memo1");
  QWidget* group = Find<QWidget>("GroupBox1");
  EXPECT_GE(memo->width(), group->width() - 12);
  EXPECT_GT(memo->height(), group->height() - 30);
}

TEST_F(MainFormLayout, CaptionsAndInitialTexts) {
  const struct {
    const char* name;
    const char* text;
  } labels[] = {{"Label1", "URL:  "}, {"Label3", "Method:  "}, {"Label4", "Host: "},
                {"lb_proxyport", "Port: "}};
  for (const auto& label : labels) EXPECT_EQ(Find<QLabel>(label.name)->text(), label.text);
  EXPECT_EQ(Find<QPushButton>("Button1")->text(), "GO");
  EXPECT_EQ(Find<QPushButton>("Button2")->text(), "Exit");
  EXPECT_EQ(Find<QCheckBox>("enableproxy")->text(), "Enable Proxy");
  EXPECT_FALSE(Find<QCheckBox>("enableproxy")->isChecked());
  EXPECT_EQ(Find<QGroupBox>("GroupBox1")->title(), "Response Header");
  EXPECT_EQ(Find<QGroupBox>("GroupBox2")->title(), "Response Text");
  EXPECT_EQ(Find<QGroupBox>("GroupBox3")->title(), "");

  EXPECT_TRUE(Find<QLineEdit>("Edit1")->text().startsWith("http://"));
  EXPECT_EQ(Find<QLineEdit>("ed_proxyhost")->text(), "");
  EXPECT_EQ(Find<QLineEdit>("ed_proxyport")->text(), "3128");
  EXPECT_TRUE(Find<QLineEdit>("ed_proxyport")->alignment() & Qt::AlignRight);
  EXPECT_TRUE(Find<QPlainTextEdit>("Memo1")->toPlainText().isEmpty());

  QLineEdit* method2 = Find<QLineEdit>("ed_method2");
  EXPECT_EQ(method2->text(), "GET");
  EXPECT_FALSE(method2->isVisible());
  EXPECT_TRUE(method2->isReadOnly());
}

TEST_F(MainFormLayout, MethodListIsEditableWithFourVerbs) {
  QComboBox* method = Find<QComboBox>("ed_method");
  EXPECT_TRUE(method->isEditable());
  EXPECT_EQ(method->currentText(), "GET");
  ASSERT_EQ(method->count(), 4);
  const char* items[] = {"GET", "OPTIONS", "DEBUG", "POST"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(method->itemText(i), items[i]);
  method->setFocus();
  method->lineEdit()->selectAll();
  QTest::keyClicks(method, "PROPFIND");
  EXPECT_EQ(method->currentText(), "PROPFIND");
}

TEST_F(MainFormLayout, ProxyPortTakesDigitsOnly) {
  QLineEdit* port = Find<QLineEdit>("ed_proxyport");
  port->clear();
  port->setFocus();
  QTest::keyClicks(port, "8x0-8 0");
  EXPECT_EQ(port->text(), "8080");
}

TEST_F(MainFormLayout, HeaderBoxIsReadOnlyScrollsAndIsNoTabStop) {
  QPlainTextEdit* memo = Find<QPlainTextEdit>("Memo1");
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_FALSE(memo->focusPolicy() & Qt::TabFocus);
}

TEST_F(MainFormLayout, PagesTextFirstThenHtml) {
  TTabPageControl* pages = PageControl();
  ASSERT_NE(pages, nullptr);
  ASSERT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->Pages(0).Caption(), u"Text");
  EXPECT_EQ(pages->Pages(1).Caption(), u"HTML");
  EXPECT_EQ(pages->TabIndex(), 0);
  EXPECT_EQ(pages->ActivePageIndex(), 0);
  // The page windows carry the pages' names and hold the group boxes.
  EXPECT_EQ(Find<QWidget>("TabSheet1")->parentWidget()->objectName(), "PageControl1");
  EXPECT_TRUE(Find<QWidget>("GroupBox2")->isVisible());
  EXPECT_FALSE(Find<QWidget>("GroupBox3")->isVisible());
}

TEST_F(MainFormLayout, TabStripAsTheWindowConfiguresIt) {
  TTabPageControl* pages = PageControl();
  ASSERT_NE(pages, nullptr);
  EXPECT_TRUE(pages->MultiLine());
  EXPECT_TRUE(pages->AlignTabs());
  EXPECT_TRUE(pages->BoldCurrentTab());
  EXPECT_TRUE(pages->UseColoredTabs());
  EXPECT_EQ(pages->HotTrackStyle(), THotTrackStyle::htsTabBar);
  EXPECT_FALSE(pages->UseGradients());
  EXPECT_EQ(pages->TabColors().HighlightBar, clRed);
  EXPECT_EQ(pages->Font().Face, u"Tahoma");
  EXPECT_EQ(pages->Font().Height, -11);
  // One row of two tabs 19 high, stretched together over the whole width.
  EXPECT_EQ(pages->FixedDimension(), 19);
  EXPECT_EQ(pages->RowCount(), 1);
  const TRect text = pages->TabRect(0), html = pages->TabRect(1);
  EXPECT_EQ(text.Left, 0);
  EXPECT_EQ(html.Right, pages->Width());
  EXPECT_EQ(text.Height(), 19);
  EXPECT_EQ(html.Height(), 19);
}

TEST_F(MainFormLayout, TextViewAsTheWindowConfiguresIt) {
  auto* host = Find<TQtControlHost>("TextView1");
  ASSERT_NE(host, nullptr);
  auto* view = dynamic_cast<TTextView*>(host->Control());
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(host->parentWidget()->objectName(), "GroupBox2");
  EXPECT_EQ(view->Font().Desc.Face, u"Courier New");
  EXPECT_EQ(view->Font().Desc.Height, -13);
  EXPECT_EQ(view->Gutter().Font().Face, u"Courier New");
  EXPECT_EQ(view->Gutter().Font().Height, -11);
  EXPECT_EQ(view->Gutter().LeftOffset(), 2);
  EXPECT_TRUE(view->Gutter().ShowLineNumbers());
  EXPECT_TRUE(view->WordWrap());
  EXPECT_EQ(view->RightEdge(), 1024);
  EXPECT_EQ(view->ScrollBars(), TScrollStyle::ssVertical);
  EXPECT_TRUE(view->ReadOnly());
  EXPECT_FALSE(view->WantReturns());
  EXPECT_FALSE(view->InsertMode());
  ASSERT_NE(view->Highlighter(), nullptr);
  EXPECT_FALSE(view->Highlighter()->Options().AutoDetectEnabled);
  ASSERT_EQ(view->Lines().Count(), 1);
  EXPECT_EQ(view->Lines().Get(0), u"");
  // The gutter measured with the window's own fonts: four digits in the
  // gutter font, the offsets and the border.
  TFontDesc gutterFont = view->Gutter().Font();
  const int advance = MeasureFontVariant(host->Device().CreateFont(gutterFont)).Advance;
  ASSERT_GT(advance, 0);
  EXPECT_EQ(view->GutterWidth(), 6 + 4 * advance);
  // The view fills its group box below the caption; its text area is
  // whatever the gutter leaves.
  QWidget* group = Find<QWidget>("GroupBox2");
  EXPECT_GE(host->width(), group->width() - 12);
  EXPECT_GT(host->height(), group->height() - 30);
  EXPECT_EQ(view->CharsInWindow(), (view->ClientWidth() - view->GutterWidth() - 2) / view->CharWidth());
}

// The window's wheel reaches the view: three rows a notch, whatever the
// desktop's setting, and a notch in two halves scrolls once.
TEST_F(MainFormLayout, TextViewWheelScrollsThreeRowsPerNotch) {
  auto* host = Find<TQtControlHost>("TextView1");
  ASSERT_NE(host, nullptr);
  TTextView& view = form.TextView();
  std::u16string text;
  for (int i = 0; i < 200; ++i) text += u"line\n";
  view.Lines().SetText(text);
  const auto wheel = [&](int delta) {
    const QPointF at(host->width() / 2.0, host->height() / 2.0);
    QWheelEvent event(at, host->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(host, &event);
  };
  ASSERT_EQ(view.TopLine(), 1);
  wheel(-120);
  EXPECT_EQ(view.TopLine(), 4);
  wheel(-60);
  EXPECT_EQ(view.TopLine(), 4);
  wheel(-60);
  EXPECT_EQ(view.TopLine(), 7);
  wheel(120);
  EXPECT_EQ(view.TopLine(), 4);
}

TEST_F(MainFormLayout, GroupBoxesFillTheirPagesAtEverySize) {
  QSplitter* splitter = Find<QSplitter>("Splitter1");
  for (int header : {121, 300}) {
    splitter->setSizes({header, splitter->height() - header});
    const struct {
      const char* sheet;
      const char* box;
    } pairs[] = {{"TabSheet1", "GroupBox2"}, {"TabSheet2", "GroupBox3"}};
    for (const auto& p : pairs) {
      EXPECT_EQ(Find<QWidget>(p.box)->geometry(), Find<QWidget>(p.sheet)->rect())
          << p.box << " with header " << header;
    }
    // The page lies in the card, below the strip.
    QWidget* page = Find<QWidget>("TabSheet1");
    EXPECT_GE(page->y(), 19);
    EXPECT_GT(page->height(), Find<QWidget>("PageControl1")->height() - 30);
  }
}

// html_render lays pages out at the width the HTML page gives them.
TEST_F(MainFormLayout, HtmlDocumentWidthAtStartIsTheHtmlPagesWidth) {
  QWidget* box = Find<QWidget>("GroupBox3");
  EXPECT_EQ(kHtmlDocumentWidthAtStart, box->contentsRect().width() - 2 * 2 - 2);
}

TEST_F(MainFormLayout, RedBarMarksTheCurrentTabAndClickingSwitchesPages) {
  TTabPageControl* pages = PageControl();
  QWidget* host = Find<QWidget>("PageControl1");
  ASSERT_NE(pages, nullptr);
  // A point inside the bar along the top of a tab, clear of its slant.
  auto barPixel = [&](int tab) {
    const TRect r = pages->TabRect(tab);
    return host->grab().toImage().pixelColor(r.Left + 10, r.Top + 3);
  };
  EXPECT_EQ(barPixel(0), QColor(Qt::red));
  EXPECT_NE(barPixel(1), QColor(Qt::red));

  const TRect html = pages->TabRect(1);
  QTest::mouseClick(host, Qt::LeftButton, Qt::NoModifier,
                    QPoint((html.Left + html.Right) / 2, (html.Top + html.Bottom) / 2));
  EXPECT_EQ(pages->ActivePageIndex(), 1);
  EXPECT_FALSE(Find<QWidget>("GroupBox2")->isVisible());
  EXPECT_TRUE(Find<QWidget>("GroupBox3")->isVisible());
  // The mouse leaves the tabs; the hot bar goes, and the red one shows.
  QTest::mouseMove(host, QPoint(host->width() / 2, host->height() - 5));
  ASSERT_TRUE(WaitUntil([&] { return pages->HotIndex() == -1; }));
  EXPECT_NE(barPixel(0), QColor(Qt::red));
  EXPECT_EQ(barPixel(1), QColor(Qt::red));
}

TEST_F(MainFormLayout, CtrlTabSwitchesPagesFromInsideThePageControl) {
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  TTabPageControl* pages = PageControl();
  ASSERT_NE(pages, nullptr);
  QWidget* host = Find<QWidget>("PageControl1");
  QWidget* text = Find<QWidget>("TextView1");
  auto press = [](Qt::Key key, Qt::KeyboardModifiers mods) {
    QTest::keyClick(QApplication::focusWidget(), key, mods);
  };

  // From the text box on the Text page: the HTML page comes, and the focus
  // stays in the page control although its page was hidden.
  text->setFocus();
  ASSERT_TRUE(text->hasFocus());
  press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(pages->ActivePageIndex(), 1);
  EXPECT_TRUE(host->isAncestorOf(QApplication::focusWidget()) || host->hasFocus());
  // Ctrl+Shift+Tab goes back, whichever key code the window system sends.
  press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(pages->ActivePageIndex(), 0);
  press(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(pages->ActivePageIndex(), 1);
  press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(pages->ActivePageIndex(), 0);

  // The focus moves from the old page into the control that takes it on
  // the new page: the HTML view.
  QWidget* html = Find<QWidget>("HtmlView1");
  text->setFocus();
  press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(pages->ActivePageIndex(), 1);
  EXPECT_TRUE(html->hasFocus());
  press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(pages->ActivePageIndex(), 0);
  EXPECT_TRUE(text->hasFocus());

  // Outside the page control Ctrl+Tab changes nothing.
  QWidget* url = Find<QWidget>("Edit1");
  url->setFocus();
  QTest::keyClick(url, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(pages->ActivePageIndex(), 0);
}

TEST_F(MainFormLayout, SplitterResizesTheHeaderBox) {
  QSplitter* splitter = Find<QSplitter>("Splitter1");
  EXPECT_EQ(splitter->handleWidth(), 3);
  splitter->setSizes({200, splitter->height() - 200});
  EXPECT_EQ(Find<QWidget>("GroupBox1")->height(), 200);
  EXPECT_EQ(Find<QWidget>("PageControl1")->y(), 203);
}

TEST_F(MainFormLayout, ExitClosesTheWindow) {
  ASSERT_TRUE(form.isVisible());
  QTest::mouseClick(Find<QPushButton>("Button2"), Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace tav
