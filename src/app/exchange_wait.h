#pragma once
// Keeping the window alive while an exchange runs: the exchange goes to a
// worker thread, and the window's thread waits for it in a local event loop
// that paints and lays out as usual but lets no input reach the controls
// that must stay as they were (the request fields and the views).
#include <QObject>
#include <QList>
#include <functional>

class QEvent;
class QWidget;

namespace tav {

// An application-wide event filter, active while it lives: mouse, wheel,
// keyboard, touch and drop events meant for a control inside `Window` are
// dropped, except for the controls in `Open` and their children. A dropped
// event is gone: nothing is queued to be replayed once the gate goes.
class TInputGate : public QObject {
 public:
  TInputGate(QWidget& Window, QList<QWidget*> Open);
  ~TInputGate() override;
  TInputGate(const TInputGate&) = delete;
  TInputGate& operator=(const TInputGate&) = delete;

  // Whether an event of this type is input from the user.
  static bool IsUserInput(const QEvent& Event);

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  bool IsOpen(const QWidget& Widget) const;

  QWidget& FWindow;
  QList<QWidget*> FOpen;
};

// Runs `Job` on a worker thread and returns once it has ended; meanwhile the
// calling thread runs a local event loop. `Abort` is called on the calling
// thread when that loop is ended from outside (the application quits), so
// that the job ends soon; the worker never outlives this call. An exception
// that leaves `Job` is caught on the worker and rethrown here.
void RunOnWorker(const std::function<void()>& Job, const std::function<void()>& Abort);

}  // namespace tav
