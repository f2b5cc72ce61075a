// The window's controls: names, places, sizes, captions and initial state.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>

#include "app/main_form.h"

namespace tav {
namespace {

class MainFormLayout : public testing::Test {
 protected:
  void SetUp() override {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
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
  QTabWidget* pages = Find<QTabWidget>("PageControl1");
  ASSERT_EQ(pages->count(), 2);
  EXPECT_EQ(pages->tabText(0), "Text");
  EXPECT_EQ(pages->tabText(1), "HTML");
  EXPECT_EQ(pages->widget(0)->objectName(), "TabSheet1");
  EXPECT_EQ(pages->widget(1)->objectName(), "TabSheet2");
  EXPECT_EQ(pages->currentIndex(), 0);
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
