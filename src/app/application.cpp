#include "app/application.h"

#include <QMessageBox>
#include <exception>

namespace tav {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowException(QString::fromUtf8(e.what()));
  } catch (...) {
    // Letting any exception unwind through Qt's event loop is undefined
    // behaviour, so the unknown kinds are reported as well.
    ShowException(QStringLiteral("Unknown exception"));
  }
  return false;
}

void TApplication::ShowException(const QString& message) {
  if (FOnShowException) {
    FOnShowException(message);
    return;
  }
  QMessageBox::critical(activeWindow(), applicationDisplayName(), message);
}

}  // namespace tav
