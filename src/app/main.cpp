// Tarlow from Oracle: the program entry.
#include <memory>

#include "app/frmmain.h"
#include "app/tarlowapplication.h"
#include "app/uihooks.h"
#include "oracle/session.h"
#include "platform/environment.h"
#include "platform/ui_hooks.h"

int main(int argc, char** argv) {
  TarlowApplication app(argc, argv);
  // ORACLEHOME= and OCIDLL= steer the client library choice.
  platform::setCommandLine(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarlow from Oracle"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tarlow from Oracle"));

  QtUiHooks hooks;
  platform::installUiHooks(&hooks);

  int rc = 0;
  {
    QtDialogs dialogs;
    app.setDialogs(&dialogs);
    TfrmMain frmMain(&dialogs);
    dialogs.setParent(&frmMain);
    frmMain.show();
    rc = app.exec();
    app.setDialogs(nullptr);
  }

  // Every session is logged off before the client library goes.
  TOracleSession::ProgramEnd();
  platform::installUiHooks(nullptr);
  return rc;
}
