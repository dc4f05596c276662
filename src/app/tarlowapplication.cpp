#include "app/tarlowapplication.h"

#include "app/dialogs.h"

#include <QString>
#include <cstdio>
#include <stdexcept>

TarlowApplication::TarlowApplication(int& argc, char** argv) : QApplication(argc, argv) {}

TarlowApplication::~TarlowApplication() = default;

bool TarlowApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowException(std::current_exception());
  }
  return true;
}

void TarlowApplication::ShowException(std::exception_ptr error) {
  QString message;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    message = QString::fromUtf8(e.what());
  } catch (...) {
    message = QStringLiteral("Unknown error");
  }
  if (message.isEmpty()) message = QStringLiteral("Unknown error");

  try {
    auto* app = qobject_cast<TarlowApplication*>(QCoreApplication::instance());
    if (app != nullptr && app->dialogs_ != nullptr) {
      app->dialogs_->messageBox(message, QString(), mbOK, MsgIcon::Error);
      return;
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
      QtDialogs(nullptr).messageBox(message, QString(), mbOK, MsgIcon::Error);
      return;
    }
  } catch (...) {
    // Reporting must never throw back into the event loop; fall through to
    // the last resort below.
  }
  std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}
