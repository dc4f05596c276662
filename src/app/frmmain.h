// TfrmMain: the program's one window.  The user picks a database, types a
// user name and a password and logs on; the option boxes choose what the
// script holds; the toolbar above the script starts the run and acts on the
// script.  Controls carry their design names as object names, so that the
// tests and the settings code find them by name.
#pragma once

#include <QDateTime>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "app/dialogs.h"

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTimer;
class QToolButton;
class QTreeWidget;
class TOracleSession;

class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  // dialogs answers every message box and file prompt; null means the real
  // Qt dialogs.  It is not owned and must outlive the window.
  explicit TfrmMain(IDialogs* dialogs = nullptr, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // ---- controls ----
  QMenuBar* MainMenu1 = nullptr;
  QMenu* File1 = nullptr;
  QAction* Exit1 = nullptr;

  QFrame* pnlInfo = nullptr;
  QLabel* lblDatabase = nullptr;
  QComboBox* cboDatabase = nullptr;
  QLabel* lblUserName = nullptr;
  QLineEdit* edtUserName = nullptr;
  QLabel* lblPassword = nullptr;
  QLineEdit* edtPassword = nullptr;
  QPushButton* btnLogIn = nullptr;

  QCheckBox* cbxTables = nullptr;
  QCheckBox* cbxDropTables = nullptr;
  QCheckBox* cbxCascConstraints = nullptr;
  QCheckBox* cbxComments = nullptr;
  QCheckBox* cbxIndexes = nullptr;
  QCheckBox* cbxColConstraints = nullptr;
  QCheckBox* cbxTriggers = nullptr;
  QCheckBox* cbxDefaults = nullptr;
  QCheckBox* cbxProcedures = nullptr;
  QCheckBox* cbxFunctions = nullptr;
  QCheckBox* cbxSequences = nullptr;
  QCheckBox* cbxDropSeq = nullptr;
  QCheckBox* cbxViews = nullptr;
  QCheckBox* cbxTableSpace = nullptr;
  QCheckBox* cbxData = nullptr;
  QCheckBox* cbxPackages = nullptr;
  QCheckBox* cbxCreateTabComments = nullptr;
  QCheckBox* cbxCreateColComments = nullptr;
  QCheckBox* cbxPriConstraints = nullptr;
  QCheckBox* cbxForConstraints = nullptr;
  QCheckBox* cbxOrphanSQL = nullptr;
  QCheckBox* cbxChkConstraints = nullptr;
  QCheckBox* cbxAll = nullptr;

  QFrame* pnlObjects = nullptr;
  QFrame* Panel1 = nullptr;
  QLabel* Label2 = nullptr;
  QCheckBox* cbxSelectAll = nullptr;
  QTreeWidget* ListView = nullptr;

  QSplitter* splDB2Script = nullptr;

  QFrame* pnlSQLScript = nullptr;
  QFrame* pnlSQLScriptlbl = nullptr;
  QToolButton* btnScript = nullptr;
  QToolButton* btnSearch = nullptr;
  QToolButton* btnReplace = nullptr;
  QToolButton* btnSave = nullptr;
  QCheckBox* cbxReadOnly = nullptr;
  QCheckBox* cbxTextFile = nullptr;
  QPlainTextEdit* mmoScriptWindow = nullptr;

  QStatusBar* sbMain = nullptr;
  QTimer* Timer1 = nullptr;

  // ---- components ----
  TOracleSession& OracleSession() { return *OracleSession_; }

  // ---- status bar panels (0 state, 1 follows the window, 2 clock) ----
  QString StatusText(int panel) const;
  void SetStatusText(int panel, const QString& text);
  int StatusPanelWidth(int panel) const;

  // ---- handlers ----
  void FormCreate();
  void FormShow();
  void FormActivate();
  void Timer1Timer();
  void FormResize();
  void dbEnter();
  void dbExit();
  void btnLogInClick();
  void cbxAllClick();
  void cbxTablesClick();
  void cbxIndexesClick();
  void cbxCommentsClick();
  void cbxSequencesClick();
  void cbxDropTablesClick();
  void btnExitClick();
  // A key typed anywhere in the window; true when it was swallowed.
  bool FormKeyPress(int key);
  void FormCloseQuery(bool& canClose);
  // Asks "Are you sure?"; canClose false keeps the window open.
  void FormClose(bool& canClose);

  // The clock's time source; the system clock unless a test pins its own.
  void SetClockSource(std::function<QDateTime()> now);

  // Folder the save prompt opens in.
  QString SaveDialogInitialDir() const { return saveInitialDir_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void ConnectHandlers();
  QCheckBox* MakeOption(const char* name, const char* caption, bool ticked, bool enabled);
  bool IsLogonField(const QWidget* w) const;
  void FitToolbar();
  bool BelongsToWindow(const QObject* o) const;

  // Hooks for the settings file (the object panel width and the window
  // placement): nothing is read or written yet.
  void ReadObjectPanelWidth();
  void WriteObjectPanelWidth();
  void RestorePlacement();
  void SavePlacement();

  // Log In steps that later parts fill in.
  void ResetObjectList();   // close the dictionary data set, clear Select All
  void ClearScript();       // clear every line of the script
  void ListTables();        // list the user's tables into the object list
  void SelectFirstObject(); // select the first item of the object list

  void ShowLogonError(const std::exception& error);

  IDialogs* dialogs_;
  std::unique_ptr<QtDialogs> ownDialogs_;
  std::unique_ptr<TOracleSession> OracleSession_;
  QLabel* statusPanels_[3] = {nullptr, nullptr, nullptr};
  std::function<QDateTime()> clock_;
  QString saveInitialDir_;
  QMetaObject::Connection focusWatch_;
  int toolbarTextWidth_ = 0;  // the toolbar's width with every caption shown
  bool shown_ = false;
  bool closing_ = false;
};
