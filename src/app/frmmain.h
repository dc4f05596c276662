// TfrmMain: the program's one window.  The user picks a database, types a
// user name and a password and logs on; the option boxes choose what the
// script holds; the toolbar above the script starts the run and acts on the
// script.  Controls carry their names (btnScript, cbxTables, ...) as object
// names, so that the tests and the settings code find them by name.
#pragma once

#include <QDateTime>
#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "app/dialogs.h"
#include "editor/memo_source.h"
#include "editor/sql_parser.h"
#include "script/script_host.h"
#include "settings/form_placement.h"

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTimer;
class QToolButton;
class QTreeWidget;
class TOracleDataSet;
class TOracleSession;
class QtPlacementWindow;
namespace tarlow {
class SchemaWriters;
class TMemoView;
class TProfileEditorSettings;
class TQtSearchMessages;
class TQtClipboard;
}

// The window is also the scripting run's host: the run reads the option
// boxes, the object list and "&To Text File" from its controls, writes into
// its text store and shows its state in the Start Script caption and the
// status bar.
class TfrmMain : public QMainWindow, public tarlow::ScriptHost {
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
  tarlow::TMemoView* mmoScriptWindow = nullptr;

  QStatusBar* sbMain = nullptr;
  QTimer* Timer1 = nullptr;

  // ---- components ----
  // Keeps the window's place, size and state in the settings file.
  tarlow::TFormPlacement& FormPlacement1() { return *FormPlacement1_; }
  TOracleSession& OracleSession() { return *OracleSession_; }
  // The dictionary data set that lists the tables; the statement writers
  // share it with the window.
  TOracleDataSet& odsOracle();
  // The script text store, read-only at start; mmoScriptWindow shows it.
  tarlow::TMemoSource mmoScript;

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
  void btnSelectAllClick();
  // A key the object list has just handled (Space ticks or unticks the
  // selected item; the selection then moves one item down).
  void ListViewKeyPress(int key);
  void btnScriptClick();
  // The script toolbar.
  void cbxReadOnlyClick();
  void btnSearchClick();
  void btnReplaceClick();
  void btnSaveClick();
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

  // ---- the scripting run's host ----
  bool BoxTicked(tarlow::OptionBox box) override;
  bool ToTextFile() override;
  int ObjectCount() override;
  std::string ObjectCaption(int index) override;
  bool ObjectTicked(int index) override;
  tarlow::TMemoSource& ScriptStore() override { return mmoScript; }
  std::string ScriptCaption() override;
  void SetScriptCaption(const std::string& caption) override;
  void SetStatus(const std::string& text) override;
  void ProcessMessages() override;
  void SetBusyCursor(bool busy) override;
  std::optional<std::string> AskScriptFile() override;
  void RepaintScript() override;
  void SetScriptPainting(bool enabled) override;
  void ReportError(const std::string& message) override;
  void ReportLeftOut(const std::vector<std::string>& causes) override;
  void ShowProgress(const tarlow::RunProgress& progress) override;
  void EndProgress() override;
  // The run's progress in the status bar's middle panel, hidden between runs.
  QProgressBar* pbProgress = nullptr;

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

  // The settings file: the object panel's width and the window placement,
  // both in the "Position" section of Quarlo.ini.
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
  bool ScriptRunning() const;
  void RequestStop();

  IDialogs* dialogs_;
  // Colours the script; the store forgets it when it goes first.
  tarlow::TSqlParser sqlParser_;
  std::unique_ptr<QtDialogs> ownDialogs_;
  std::unique_ptr<TOracleSession> OracleSession_;
  // After the session: its queries and data sets go first.
  std::unique_ptr<tarlow::SchemaWriters> Writers_;
  // The search dialogs' options and histories, and their message boxes.
  std::unique_ptr<tarlow::TProfileEditorSettings> editorSettings_;
  std::unique_ptr<tarlow::TQtSearchMessages> searchMessages_;
  std::unique_ptr<tarlow::TQtClipboard> clipboard_;
  std::unique_ptr<QtPlacementWindow> placementWindow_;
  std::unique_ptr<tarlow::TFormPlacement> FormPlacement1_;
  std::array<QCheckBox*, tarlow::kOptionBoxCount> optionBoxes_{};
  QLabel* statusPanels_[3] = {nullptr, nullptr, nullptr};
  std::function<QDateTime()> clock_;
  QString saveInitialDir_;
  QMetaObject::Connection focusWatch_;
  // The toolbar's width with every caption beside its glyph, and with the
  // captions alone; measured once.
  int toolbarTextWidth_ = 0;
  int toolbarCaptionWidth_ = 0;
  bool shown_ = false;
  bool closing_ = false;
  // A run is on the stack: handlers entered from its message processing
  // must not start another one or pull the session from under it.
  bool runActive_ = false;
  bool logonAfterRun_ = false;  // Log In pressed during a run
};
