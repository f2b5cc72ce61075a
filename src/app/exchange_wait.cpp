#include "app/exchange_wait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QWidget>
#include <atomic>
#include <exception>
#include <thread>
#include <utility>

namespace tav {

TInputGate::TInputGate(QWidget& Window, QList<QWidget*> Open) : FWindow(Window), FOpen(std::move(Open)) {
  QCoreApplication::instance()->installEventFilter(this);
}

TInputGate::~TInputGate() { QCoreApplication::instance()->removeEventFilter(this); }

bool TInputGate::IsUserInput(const QEvent& Event) {
  switch (Event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

bool TInputGate::IsOpen(const QWidget& Widget) const {
  for (const QWidget* open : FOpen)
    if (open == &Widget || open->isAncestorOf(&Widget)) return true;
  return false;
}

bool TInputGate::eventFilter(QObject* Watched, QEvent* Event) {
  if (!Watched->isWidgetType() || !IsUserInput(*Event)) return false;
  const auto* widget = static_cast<const QWidget*>(Watched);
  // Other windows (a notice box, say) keep their input.
  if (widget != &FWindow && !FWindow.isAncestorOf(widget)) return false;
  return !IsOpen(*widget);
}

void RunOnWorker(const std::function<void()>& Job, const std::function<void()>& Abort) {
  QEventLoop loop;
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      Job();
    } catch (...) {
      failure = std::current_exception();
    }
    done.store(true);
    // The loop lives until the worker is joined, so the call can be queued.
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  if (!done.load()) loop.exec();
  if (!done.load()) Abort();
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace tav
