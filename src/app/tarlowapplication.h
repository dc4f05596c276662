// The application object.  Errors that no handler catches end here, in the
// application's default error report: a modal message box with the error's
// message.  No exception crosses the Qt event loop.
#pragma once

#include <QApplication>
#include <exception>

class IDialogs;

class TarlowApplication : public QApplication {
  Q_OBJECT
 public:
  TarlowApplication(int& argc, char** argv);
  ~TarlowApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;

  // Where the default error report shows its box; the real dialogs unless
  // a test or the main window sets its own.  The object is not owned.
  void setDialogs(IDialogs* dialogs) { dialogs_ = dialogs; }
  IDialogs* dialogs() const { return dialogs_; }

  // The default error report for the exception being handled, callable from
  // any catch block.
  static void ShowException(std::exception_ptr error);

 private:
  IDialogs* dialogs_ = nullptr;
};
