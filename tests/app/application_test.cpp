// The general error notice: an exception that escapes an event handler is
// shown, and the application goes on.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QStringList>
#include <stdexcept>

#include "app/application.h"

namespace tav {
namespace {

class ThrowingObject : public QObject {
 public:
  bool throwStd = true;
  int handled = 0;

  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    ++handled;
    if (throwStd) throw std::runtime_error("body could not be decoded");
    throw 42;
  }
};

class GeneralErrorNotice : public testing::Test {
 protected:
  void SetUp() override {
    app = static_cast<TApplication*>(QCoreApplication::instance());
    app->SetOnShowException([this](const QString& m) { shown << m; });
  }
  void TearDown() override { app->SetOnShowException(nullptr); }

  TApplication* app = nullptr;
  QStringList shown;
};

TEST_F(GeneralErrorNotice, ShowsTheMessageAndGoesOn) {
  ThrowingObject target;
  QEvent event(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&target, &event));
  EXPECT_EQ(shown, QStringList{"body could not be decoded"});

  // A second event is delivered as usual: the failure did not stick.
  QEvent again(QEvent::User);
  QCoreApplication::sendEvent(&target, &again);
  EXPECT_EQ(target.handled, 2);
  EXPECT_EQ(shown.size(), 2);
}

TEST_F(GeneralErrorNotice, ExceptionsOfOtherKindsAreCaughtToo) {
  ThrowingObject target;
  target.throwStd = false;
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&target, &event);
  EXPECT_EQ(shown, QStringList{"Unknown exception"});
}

}  // namespace
}  // namespace tav
