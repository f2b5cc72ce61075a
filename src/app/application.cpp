#include "app/application.h"

#include <malloc.h>

#include <QMessageBox>
#include <exception>

namespace tav {

namespace {

// Every GO frees the last response's documents (megabytes of small
// objects and a few large arrays) and builds the next ones at once. Freed
// memory stays with the process for that next response, instead of going
// back to the system and being faulted in again page by page: large arrays
// come from the heap rather than from their own mappings, and the heap top
// is returned only above 256 MB. Peak use is unchanged.
void KeepFreedMemoryForTheNextResponse() {
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TOP_PAD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  KeepFreedMemoryForTheNextResponse();
}

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
