// The HTML page after GO against a real nginx: a page with text, a table, a
// list, a form and a broken picture is rendered with the form's controls as
// native widgets at the places the layout gave them; the next GO replaces
// the page and its controls, and a failed exchange leaves the page empty.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "go_fixture.h"
#include "html/layout/document.h"
#include "html/layout/forms/form_controls.h"
#include "html/layout/images/image_obj.h"
#include "html/layout/text/section.h"
#include "html/view/viewer.h"
#include "nginx_server.h"
#include "platform/qt/control_host.h"

namespace tav {
namespace {

using test::GoButton;

const char kFirstPage[] =
    "<html><head><title>First page</title></head><body>\n"
    "<h1>Orders</h1><p>Text before the table.</p>\n"
    "<table border=1><tr><th>Item</th><th>Count</th></tr><tr><td>apples</td><td>3</td></tr></table>\n"
    "<ul><li>first point<li>second point</ul>\n"
    "<form action=\"/submit\" method=post>\n"
    "Name <input type=text name=user value=\"ann\"> Password <input type=password name=pw value=\"pw\">\n"
    "<input type=checkbox name=agree checked> agree\n"
    "<p><select name=size><option>small<option selected>large</select>\n"
    "<textarea name=notes rows=3 cols=20>a note</textarea>\n"
    "<input type=submit value=\"Send\">\n"
    "</form>\n"
    "<p>Picture: <img src=\"tav-no-such-picture.png\" alt=\"broken\" width=40 height=30> end</p>\n"
    "</body></html>\n";
const char kSecondPage[] =
    "<html><head><title>Second page</title></head><body><p>Search <input name=q value=\"x\"></p></body></html>\n";

class HtmlPageFromNginx : public GoButton {
 protected:
  void SetUp() override {
    GoButton::SetUp();
    if (!test::NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
    test::NginxOptions options;
    options.Gzip = false;
    server = std::make_unique<test::NginxServer>(options);
    server->WriteFile("first.html", kFirstPage);
    server->WriteFile("second.html", kSecondPage);
    std::string error;
    ASSERT_TRUE(server->Start(&error)) << error;
    form.resize(1000, 900);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(form.findChild<QWidget*>(QStringLiteral("PageControl1")), Qt::Key_Tab,
                    Qt::ControlModifier);
    host = form.findChild<TQtControlHost*>(QStringLiteral("HtmlView1"));
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(host->isVisible());
  }

  // GO, then the paint that places the native controls.
  void GoAndPaint(const std::string& url) {
    SetUrl(url);
    Go();
    host->repaint();
    QCoreApplication::processEvents();
  }

  // The form-control widgets of the view's window that are shown.
  std::vector<QWidget*> ShownControls() const {
    std::vector<QWidget*> shown;
    for (QWidget* w : host->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (w->isVisible() && (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
                             qobject_cast<QCheckBox*>(w) || qobject_cast<QComboBox*>(w) ||
                             qobject_cast<QPushButton*>(w)))
        shown.push_back(w);
    return shown;
  }

  // The shown widget of the view's window at `r` (window pixels), or null.
  QWidget* ShownWidgetAt(const QRect& r) const {
    for (QWidget* w : ShownControls())
      if (w->geometry() == r) return w;
    return nullptr;
  }

  // Where the layout put a control, in the view window's pixels: the left
  // edge of its character cell and the top and bottom of its line.
  QRect LaidOutAt(THtmlView& view, const TFormControlObj& control) {
    auto measure = view.Device().CreateBitmap(1, 1);
    for (TSectionBase* item : view.Document().LayoutPass.PositionList) {
      auto* section = dynamic_cast<TSection*>(item);
      if (!section) continue;
      for (const TFormControlObj* c : section->FormControls.Items) {
        if (c != &control) continue;
        int x = 0, y = 0;
        if (!section->CursorToXY(measure->Canvas(), section->StartCurs + control.Pos, x, y)) break;
        int height = 0;
        for (const LineRec& line : section->Lines)
          if (line.Start <= control.Pos && control.Pos < line.Start + line.Ln)
            height = line.SpaceBefore + std::max(line.LineHt, line.LineImgHt) + line.SpaceAfter;
        const QPoint origin = host->ClientOrigin();
        return {origin.x() + view.PaintRect().Left + x - view.HScrollBarPosition(),
                origin.y() + view.PaintRect().Top + y - view.VScrollBarPosition(), 1, height};
      }
    }
    ADD_FAILURE() << "no section holds the " << control.KindName();
    return {};
  }

  // The pictures of the page, in document order.
  std::vector<const TImageObj*> Pictures(THtmlView& view) {
    std::vector<const TImageObj*> pictures;
    for (TSectionBase* item : view.Document().LayoutPass.PositionList)
      if (auto* section = dynamic_cast<TSection*>(item))
        for (const auto& object : section->Images.Items)
          if (auto* image = dynamic_cast<const TImageObj*>(object.get())) pictures.push_back(image);
    return pictures;
  }

  std::unique_ptr<test::NginxServer> server;
  TQtControlHost* host = nullptr;
};

TEST_F(HtmlPageFromNginx, PageWithFormShownThenReplacedThenEmptiedByAFailure) {
  THtmlView& view = form.HtmlView();
  GoAndPaint(server->Url("/first.html"));
  EXPECT_TRUE(notices.isEmpty());
  EXPECT_EQ(view.Title(), u"First page");
  EXPECT_EQ(view.DocumentSource(), form.TextView().Lines().Text());
  view.SelectAll();
  const std::u16string shown = view.SelText();
  view.SetSelLength(0);
  for (const char16_t* part : {u"Orders", u"Text before the table.", u"apples", u"first point",
                               u"second point", u"agree", u"Picture:", u"end"})
    EXPECT_NE(shown.find(part), std::u16string::npos) << QString::fromUtf16(part).toStdString();

  // The six controls, in document order, each a shown widget of its kind at
  // its laid-out place: at the left of its character cell (after its own
  // spacing) and on its line.
  struct TExpected {
    TFormControlKind Kind;
    const char* QtClass;
  };
  const std::vector<TExpected> expected = {
      {TFormControlKind::fkEdit, "QLineEdit"},     {TFormControlKind::fkEdit, "QLineEdit"},
      {TFormControlKind::fkCheckBox, "QCheckBox"}, {TFormControlKind::fkCombo, "QComboBox"},
      {TFormControlKind::fkTextArea, "QPlainTextEdit"}, {TFormControlKind::fkButton, "QPushButton"}};
  const std::vector<TFormControlObj*>& controls = view.Document().Forms.FormControlList;
  ASSERT_EQ(controls.size(), expected.size());
  std::vector<QPointer<QWidget>> firstWidgets;
  std::vector<QRect> places;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    SCOPED_TRACE(controls[i]->KindName());
    TFormControlObj& control = *controls[i];
    EXPECT_EQ(control.Kind(), expected[i].Kind);
    const QRect line = LaidOutAt(view, control);
    TChildControl* child = control.GetTheControl();
    ASSERT_NE(child, nullptr);
    const TRect b = child->BoundsRect();
    const QRect r = QRect(b.Left, b.Top, b.Width(), b.Height()).translated(host->ClientOrigin());
    QWidget* widget = ShownWidgetAt(r);
    ASSERT_NE(widget, nullptr) << "no shown widget at the control's bounds";
    EXPECT_STREQ(widget->metaObject()->className(), expected[i].QtClass);
    EXPECT_EQ(r.left(), line.left() + control.HSpaceL);
    EXPECT_EQ(r.size(), QSize(control.Width, control.Height));
    // On its line, between the line's top and bottom.
    EXPECT_GE(r.top(), line.top());
    EXPECT_LE(r.bottom(), line.bottom());
    // Inside the view's document area.
    const QRect area = QRect(view.PaintRect().Left, view.PaintRect().Top, view.PaintRect().Width(),
                             view.PaintRect().Height())
                           .translated(host->ClientOrigin());
    EXPECT_TRUE(area.contains(r)) << r.x() << "," << r.y();
    firstWidgets.emplace_back(widget);
    places.push_back(r);
  }
  EXPECT_EQ(qobject_cast<QLineEdit*>(firstWidgets[0].data())->echoMode(), QLineEdit::Normal);
  EXPECT_EQ(qobject_cast<QLineEdit*>(firstWidgets[0].data())->text(), QStringLiteral("ann"));
  EXPECT_EQ(qobject_cast<QLineEdit*>(firstWidgets[1].data())->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(qobject_cast<QCheckBox*>(firstWidgets[2].data())->isChecked());
  EXPECT_EQ(qobject_cast<QComboBox*>(firstWidgets[3].data())->currentText(), QStringLiteral("large"));
  EXPECT_EQ(qobject_cast<QPlainTextEdit*>(firstWidgets[4].data())->toPlainText(), QStringLiteral("a note"));
  EXPECT_EQ(qobject_cast<QPushButton*>(firstWidgets[5].data())->text(), QStringLiteral("Send"));
  // The two edits and the check box share the first line of the form; the
  // select starts a paragraph below it.
  EXPECT_LT(places[0].right(), places[1].left());
  EXPECT_LT(places[1].right(), places[2].left());
  EXPECT_GT(places[3].top(), places[0].bottom());
  EXPECT_EQ(ShownControls().size(), controls.size());
  // The picture that cannot be had shows the broken icon in its given
  // size, and the text after it is laid out.
  const std::vector<const TImageObj*> pictures = Pictures(view);
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0]->State, TImageState::isBroken);
  EXPECT_EQ(pictures[0]->ImageWidth, 40);
  EXPECT_EQ(pictures[0]->ImageHeight, 30);

  // The second GO replaces the page: the first page's widgets are gone or
  // hidden, the new page's one control is shown.
  GoAndPaint(server->Url("/second.html"));
  EXPECT_TRUE(notices.isEmpty());
  EXPECT_EQ(view.Title(), u"Second page");
  EXPECT_EQ(view.DocumentSource(), form.TextView().Lines().Text());
  EXPECT_NE(view.DocumentSource().find(u"<title>Second page</title>"), std::u16string::npos);
  for (const QPointer<QWidget>& old : firstWidgets) EXPECT_TRUE(!old || !old->isVisible());
  ASSERT_EQ(view.Document().Forms.FormControlList.size(), 1u);
  const std::vector<QWidget*> now = ShownControls();
  ASSERT_EQ(now.size(), 1u);
  ASSERT_NE(qobject_cast<QLineEdit*>(now[0]), nullptr);
  EXPECT_EQ(qobject_cast<QLineEdit*>(now[0])->text(), QStringLiteral("x"));
  EXPECT_EQ(now[0]->x(), LaidOutAt(view, *view.Document().Forms.FormControlList[0]).left() +
                             view.Document().Forms.FormControlList[0]->HSpaceL);
  QPointer<QWidget> second = now[0];

  // A failed exchange (nobody listens any more) empties the page.
  const std::string url = server->Url("/first.html");
  server->Stop();
  GoAndPaint(url);
  EXPECT_TRUE(form.ResponseText().startsWith(QStringLiteral("Error\n")));
  EXPECT_EQ(view.DocumentSource(), u"");
  EXPECT_EQ(view.Title(), u"");
  EXPECT_TRUE(view.Document().LayoutPass.PositionList.empty());
  EXPECT_TRUE(view.Document().Forms.FormControlList.empty());
  EXPECT_TRUE(ShownControls().empty());
  EXPECT_TRUE(!second || !second->isVisible());
}

}  // namespace
}  // namespace tav
