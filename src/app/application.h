#pragma once
// The application object: a QApplication whose event dispatch catches the
// exceptions that escape an event handler (for example the GO button's click
// handler) and shows them in the general error notice, so the application
// goes on after a failed handler.
#include <QApplication>
#include <QString>
#include <functional>

namespace tav {

class TApplication : public QApplication {
 public:
  using TShowException = std::function<void(const QString& message)>;

  TApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Replaces the modal error box; an empty function restores it.
  void SetOnShowException(TShowException handler) { FOnShowException = std::move(handler); }
  void ShowException(const QString& message);

 private:
  TShowException FOnShowException;
};

}  // namespace tav
