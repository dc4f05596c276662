#include "app/uihooks.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

namespace {

Qt::CursorShape shapeOf(platform::ScreenCursor cursor) {
  switch (cursor) {
    case platform::ScreenCursor::HourGlass: return Qt::WaitCursor;
    case platform::ScreenCursor::SQLWait: return Qt::BusyCursor;
    case platform::ScreenCursor::Arrow: return Qt::ArrowCursor;
    case platform::ScreenCursor::Default: break;
  }
  return Qt::ArrowCursor;
}

}  // namespace

QtUiHooks::~QtUiHooks() {
  if (overriding_ && QGuiApplication::instance() != nullptr) QGuiApplication::restoreOverrideCursor();
}

// The hooks set the screen's cursor rather than stacking cursors, so at
// most one override of ours is in force: it is changed in place and removed
// when the default comes back.
void QtUiHooks::setScreenCursor(platform::ScreenCursor cursor) {
  cursor_ = cursor;
  if (QGuiApplication::instance() == nullptr) return;
  if (cursor == platform::ScreenCursor::Default) {
    if (overriding_) QGuiApplication::restoreOverrideCursor();
    overriding_ = false;
    return;
  }
  if (overriding_) {
    QGuiApplication::changeOverrideCursor(QCursor(shapeOf(cursor)));
  } else {
    QGuiApplication::setOverrideCursor(QCursor(shapeOf(cursor)));
    overriding_ = true;
  }
}

void QtUiHooks::runOnMainThread(const std::function<void()>& work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    work();
    return;
  }
  QMetaObject::invokeMethod(app, [&work] { work(); }, Qt::BlockingQueuedConnection);
}

void QtUiHooks::debugMessage(const std::string& text) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
  QMessageBox::information(nullptr, QApplication::applicationDisplayName(),
                           QString::fromStdString(text));
}
