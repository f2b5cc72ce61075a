#pragma once
// A main window driven like a user would: fill in the request fields, press
// GO, read the header box and the Text page.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <string>

#include "app/main_form.h"

namespace tav::test {

class GoButton : public testing::Test {
 protected:
  void SetUp() override {
    form.SetOnNotify([this](const QString& m) { notices << m; });
  }

  void Set(const char* name, const QString& text) {
    QLineEdit* edit = form.findChild<QLineEdit*>(QString::fromLatin1(name));
    ASSERT_NE(edit, nullptr) << name;
    edit->setText(text);
  }
  void SetUrl(const std::string& url) { Set("Edit1", QString::fromStdString(url)); }
  void SetMethod(const QString& method) {
    form.findChild<QComboBox*>(QStringLiteral("ed_method"))->setEditText(method);
  }
  void Proxy(bool on) { form.findChild<QCheckBox*>(QStringLiteral("enableproxy"))->setChecked(on); }
  void Go() { form.findChild<QPushButton*>(QStringLiteral("Button1"))->click(); }
  // Lines of the header box / the Text page.
  QStringList Header() const { return form.HeaderText().split(QLatin1Char('\n')); }
  QString Text() const { return form.ResponseText(); }

  TMainForm form;
  QStringList notices;
};

}  // namespace tav::test
