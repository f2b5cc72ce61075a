// The Text page's view in the real window on Qt's offscreen platform: keys
// reach it through the Qt host, copies land on the Qt clipboard, and the
// keys it leaves alone still work the window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include "app/main_form.h"
#include "platform/qt/control_host.h"
#include "textview/text_view.h"
#include "widgets/tab_page_control.h"

namespace tav {
namespace {

const QString kBlockMime =
    QStringLiteral("application/x-qt-windows-mime;value=\"TextView Control Block Type\"");

class TextPageInput : public testing::Test {
 protected:
  void SetUp() override {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    widget = form.findChild<TQtControlHost*>(QStringLiteral("TextView1"));
    ASSERT_NE(widget, nullptr);
    view = dynamic_cast<TTextView*>(widget->Control());
    ASSERT_NE(view, nullptr);
    widget->setFocus();
    ASSERT_TRUE(widget->hasFocus());
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, mods);
  }
  TTabPageControl* Pages() {
    auto* host = form.findChild<TQtControlHost*>(QStringLiteral("PageControl1"));
    return host ? dynamic_cast<TTabPageControl*>(host->Control()) : nullptr;
  }

  TMainForm form;
  TQtControlHost* widget = nullptr;
  TTextView* view = nullptr;
};

TEST_F(TextPageInput, CopyLandsOnTheClipboardAsTextAndAsTheBlockFormat) {
  view->Lines().SetText(u"caf\u00E9 \u4E2D\nsecond line");
  Key(Qt::Key_A, Qt::ControlModifier);
  Key(Qt::Key_C, Qt::ControlModifier);
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  EXPECT_EQ(mime->text(), QString::fromUtf8("caf\xC3\xA9 \xE4\xB8\xAD\r\nsecond line"));
  // The private block: mode byte, Windows-1252 with '?' outside it, zero.
  EXPECT_EQ(mime->data(kBlockMime), QByteArray("\0caf\xE9 ?\r\nsecond line\0", 21));
  // Other programs take it as UTF-8 plain text.
  EXPECT_TRUE(mime->hasFormat(QStringLiteral("text/plain")));

  // Shift+arrows select, Ctrl+Insert copies; the line mode shows in the
  // block, and takes the last line whole.
  Key(Qt::Key_Home, Qt::ControlModifier);
  Key(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  Key(Qt::Key_Insert, Qt::ControlModifier);
  mime = QGuiApplication::clipboard()->mimeData();
  EXPECT_EQ(mime->text(), QString::fromUtf8("caf\xC3\xA9 \xE4\xB8\xAD\r\nsecond line"));
  EXPECT_EQ(mime->data(kBlockMime).left(1), QByteArray("\1", 1));

  // A zero character: other programs get the text up to it, the block all.
  view->Lines().SetText(std::u16string(u"ab\0cd", 5));
  Key(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
  Key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
  Key(Qt::Key_A, Qt::ControlModifier);
  Key(Qt::Key_C, Qt::ControlModifier);
  mime = QGuiApplication::clipboard()->mimeData();
  EXPECT_EQ(mime->text(), QStringLiteral("ab"));
  EXPECT_EQ(mime->data(kBlockMime), QByteArray("\0ab\0cd\0", 7));
}

TEST_F(TextPageInput, CopyThatCannotBeBuiltLeavesTheClipboardAlone) {
  QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
  view->Lines().SetText(u"more than the cap allows");
  view->SetMaxSelTextLength(5);  // the injected failure
  Key(Qt::Key_A, Qt::ControlModifier);
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
  EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat(kBlockMime));
}

TEST_F(TextPageInput, EnterTabAndCtrlTabReachTheWindow) {
  view->Lines().SetText(u"one\ntwo");
  Key(Qt::Key_Right, Qt::ShiftModifier);
  ASSERT_TRUE(view->SelAvail());
  // Enter is not taken by the view.
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  QCoreApplication::sendEvent(widget, &enter);
  EXPECT_FALSE(enter.isAccepted());
  EXPECT_EQ(view->Lines().Text(), u"one\r\ntwo");
  // Ctrl+Tab switches pages from inside the view, and back.
  TTabPageControl* pages = Pages();
  ASSERT_NE(pages, nullptr);
  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(pages->ActivePageIndex(), 1);
  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(pages->ActivePageIndex(), 0);
  // Tab moves the focus on.
  widget->setFocus();
  Key(Qt::Key_Tab);
  EXPECT_FALSE(widget->hasFocus());
}

TEST_F(TextPageInput, MouseDragSelectsAndTheCaretIsABlock) {
  view->Lines().SetText(u"alpha beta gamma");
  ASSERT_TRUE(view->CaretExists());
  EXPECT_EQ(view->CaretRect().Width(), view->CharWidth());
  const TPoint from = view->RowColumnToPixels({1, 1}), to = view->RowColumnToPixels({6, 1});
  const int border = view->BorderWidth();
  const QPoint a(from.X + 1 + border, from.Y + 2 + border), b(to.X + 1 + border, to.Y + 2 + border);
  QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, a);
  QMouseEvent move(QEvent::MouseMove, QPointF(b), widget->mapToGlobal(QPointF(b)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
  QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, b);
  EXPECT_EQ(view->GetSelText(), u"alpha");
  // A double click as the window system sends it: press, release, the
  // second press as a double click, release.
  const QPoint c = b + QPoint(view->CharWidth() * 2, 0);
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, c);
  QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, c);
  QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, c);
  EXPECT_EQ(view->GetSelText(), u"beta");
}

}  // namespace
}  // namespace tav
