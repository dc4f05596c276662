#include "app/frmmain.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <exception>

#include "app/placement_window.h"
#include "editor/ui/editor_settings_file.h"
#include "editor/ui/memo_view.h"
#include "editor/ui/search_dialogs.h"
#include "app/tarlowapplication.h"
#include "oracle/dataset.h"
#include "oracle/session.h"
#include "oracle/tnsnames.h"
#include "platform/locale_formats.h"
#include "script/object_list.h"
#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/script_run.h"
#include "script/table_list.h"

namespace {

constexpr int kStatusPanel0Width = 200;
constexpr int kStatusPanel2Width = 100;
// Panel 1 takes the outer width less panels 0 and 2 and room for the grip.
constexpr int kStatusPanel1Reserve = 350;

const QString kLoggedOut = QStringLiteral("Logged out");
const QString kLoggingOn = QStringLiteral("Logging on...");
const QString kLoggedOn = QStringLiteral("Logged on");
// The settings file the window placement and the object panel width live in.
constexpr const char* kSettingsFileName = "Quarlo.ini";
constexpr const char* kSettingsSection = "Position";

QFrame* makePanel(const char* name, QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameShape(QFrame::NoFrame);
  return panel;
}

QToolButton* makeFlatButton(const char* name, const char* caption, QStyle::StandardPixmap glyph,
                            QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(QString::fromLatin1(caption));
  button->setIcon(parent->style()->standardIcon(glyph));
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setAutoRaise(true);
  button->setStyleSheet(QStringLiteral("QToolButton { padding: 1px; }"));
  button->setFocusPolicy(Qt::TabFocus);
  return button;
}

// The object list control.  After the list has handled a key (Space ticks
// or unticks the current item) the window's ListViewKeyPress runs.
class ObjectListView : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;
  std::function<void(int)> KeyHandled;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    QTreeWidget::keyPressEvent(event);
    if (KeyHandled && !event->text().isEmpty()) KeyHandled(event->text().at(0).unicode());
  }
};

platform::DateTimeParts partsOf(const QDateTime& t) {
  platform::DateTimeParts p;
  const QDate d = t.date();
  const QTime tm = t.time();
  p.year = d.year();
  p.month = d.month();
  p.day = d.day();
  p.hour = tm.hour();
  p.minute = tm.minute();
  p.second = tm.second();
  p.millisecond = 0;  // the clock shows whole seconds; midnight means 00:00:00
  return p;
}

}  // namespace

TfrmMain::TfrmMain(IDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), OracleSession_(std::make_unique<TOracleSession>()) {
  if (dialogs_ == nullptr) {
    ownDialogs_ = std::make_unique<QtDialogs>(this);
    dialogs_ = ownDialogs_.get();
  }
  clock_ = [] { return QDateTime::currentDateTime(); };
  placementWindow_ = std::make_unique<QtPlacementWindow>(*this);
  FormPlacement1_ = std::make_unique<tarlow::TFormPlacement>(
      *placementWindow_, tarlow::SettingsFile(kSettingsFileName), kSettingsSection);

  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Tarlow from Oracle"));
  // The window's sizes were laid out for a compact dialog font; the usual
  // desktop font is a point larger and would crowd the option block.
  QFont compact = font();
  if (compact.pointSizeF() > 7) compact.setPointSizeF(compact.pointSizeF() - 1);
  setFont(compact);

  // The window's session, with the preferences it always runs with.
  TSessionPreferences& prefs = OracleSession_->Preferences();
  prefs.SetConvertCRLF(true);
  prefs.SetTrimStringFields(true);
  prefs.SetZeroDateIsNull(true);
  prefs.SetNullLOBIsEmpty(false);
  prefs.SetMaxStringFieldSize(0);
  prefs.SetFloatPrecision(0);
  prefs.SetIntegerPrecision(0);
  prefs.SetSmallIntPrecision(-1);
  prefs.SetUseOCI7(false);
  OracleSession_->SetRollbackOnDisconnect(false);
  OracleSession_->SetConnectAs(caNormal);

  CreateControls();
  ConnectHandlers();

  // The statement writers own the window's dictionary queries and data
  // sets, all on the window's session.
  Writers_ = std::make_unique<tarlow::SchemaWriters>(*OracleSession_);
  Writers_->OnErrorMessage = [this](const std::string& message) {
    dialogs_->messageBox(QString::fromStdString(message), QString(), mbOK, MsgIcon::Error);
  };
  tarlow::ApplyScriptStoreSettings(mmoScript);
  mmoScript.SetSyntaxParser(&sqlParser_);
  editorSettings_ = std::make_unique<tarlow::TProfileEditorSettings>(
      tarlow::SettingsFile(tarlow::kEditorSettingsFileName));
  tarlow::TSearchOptions::UseSettings(editorSettings_.get());
  searchMessages_ = std::make_unique<tarlow::TQtSearchMessages>(this);
  mmoScriptWindow->SetEditorSettings(editorSettings_.get());
  mmoScriptWindow->SetSearchMessages(searchMessages_.get());
  clipboard_ = std::make_unique<tarlow::TQtClipboard>();
  mmoScript.SetClipboard(clipboard_.get());
  mmoScriptWindow->SetMemoSource(&mmoScript);
  for (const tarlow::OptionBoxInfo& info : tarlow::OptionBoxTable())
    optionBoxes_[static_cast<std::size_t>(info.Box)] =
        findChild<QCheckBox*>(QString::fromLatin1(info.Control));

  resize(683, 394);
  setMinimumSize(640, 320);

  // The window sees every key before its controls: Esc closes it and Enter
  // in a logon field presses Log In, whichever control has the focus.
  qApp->installEventFilter(this);

  FormCreate();
}

TfrmMain::~TfrmMain() {
  // A window destroyed without a close request (or whose close was not
  // saved) still leaves its placement behind, marked as saved while visible.
  if (FormPlacement1_->Restored() && !FormPlacement1_->Saved()) {
    try {
      FormPlacement1_->SaveFormPlacement(true);
    } catch (...) {
      TarlowApplication::ShowException(std::current_exception());
    }
  }
  // The controls go before the QObject part of the window does; focus moving
  // away from a dying control must not reach the handlers.
  disconnect(focusWatch_);
  if (qApp != nullptr) qApp->removeEventFilter(this);
  // The view is a child and outlives the store it shows.
  mmoScriptWindow->SetMemoSource(nullptr);
  mmoScript.SetClipboard(nullptr);
  tarlow::TSearchOptions::UseSettings(nullptr);
}

QCheckBox* TfrmMain::MakeOption(const char* name, const char* caption, bool ticked, bool enabled) {
  auto* box = new QCheckBox(QString::fromLatin1(caption), pnlInfo);
  box->setObjectName(QString::fromLatin1(name));
  box->setChecked(ticked);
  box->setEnabled(enabled);
  return box;
}

void TfrmMain::CreateControls() {
  // ---- menu ----
  MainMenu1 = menuBar();
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  File1 = MainMenu1->addMenu(QStringLiteral("&File"));
  File1->setObjectName(QStringLiteral("File1"));
  // The spaces and "Alt+X" belong to the caption; no shortcut key is bound.
  Exit1 = File1->addAction(QStringLiteral("E&xit                   Alt+X"));
  Exit1->setObjectName(QStringLiteral("Exit1"));

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("central"));
  setCentralWidget(central);
  auto* rootLayout = new QVBoxLayout(central);
  rootLayout->setContentsMargins(0, 0, 0, 0);
  rootLayout->setSpacing(0);

  // ---- top panel: logon fields on the left, option boxes on the right ----
  pnlInfo = makePanel("pnlInfo", central);
  pnlInfo->setFixedHeight(134);
  pnlInfo->setFrameShape(QFrame::StyledPanel);
  auto* infoLayout = new QHBoxLayout(pnlInfo);
  infoLayout->setContentsMargins(6, 4, 2, 4);
  infoLayout->setSpacing(4);

  auto* logonLayout = new QGridLayout();
  logonLayout->setVerticalSpacing(4);
  lblDatabase = new QLabel(QStringLiteral("Data&base:"), pnlInfo);
  lblDatabase->setObjectName(QStringLiteral("lblDatabase"));
  cboDatabase = new QComboBox(pnlInfo);
  cboDatabase->setObjectName(QStringLiteral("cboDatabase"));
  cboDatabase->setEditable(true);
  cboDatabase->setInsertPolicy(QComboBox::NoInsert);
  lblUserName = new QLabel(QStringLiteral("&User Name:"), pnlInfo);
  lblUserName->setObjectName(QStringLiteral("lblUserName"));
  edtUserName = new QLineEdit(pnlInfo);
  edtUserName->setObjectName(QStringLiteral("edtUserName"));
  lblPassword = new QLabel(QStringLiteral("Pass&word:"), pnlInfo);
  lblPassword->setObjectName(QStringLiteral("lblPassword"));
  edtPassword = new QLineEdit(pnlInfo);
  edtPassword->setObjectName(QStringLiteral("edtPassword"));
  edtPassword->setEchoMode(QLineEdit::Password);
  btnLogIn = new QPushButton(QStringLiteral("&Log In"), pnlInfo);
  btnLogIn->setObjectName(QStringLiteral("btnLogIn"));
  btnLogIn->setAutoDefault(false);
  lblDatabase->setBuddy(cboDatabase);
  lblUserName->setBuddy(edtUserName);
  lblPassword->setBuddy(edtPassword);
  for (QWidget* field : {static_cast<QWidget*>(cboDatabase), static_cast<QWidget*>(edtUserName),
                         static_cast<QWidget*>(edtPassword)})
    field->setMinimumWidth(96);
  logonLayout->addWidget(lblDatabase, 0, 0);
  logonLayout->addWidget(cboDatabase, 0, 1);
  logonLayout->addWidget(lblUserName, 1, 0);
  logonLayout->addWidget(edtUserName, 1, 1);
  logonLayout->addWidget(lblPassword, 2, 0);
  logonLayout->addWidget(edtPassword, 2, 1);
  logonLayout->addWidget(btnLogIn, 3, 1, Qt::AlignRight);
  logonLayout->setRowStretch(4, 1);
  infoLayout->addLayout(logonLayout);
  infoLayout->addStretch(1);

  cbxTables = MakeOption("cbxTables", "&Tables", true, true);
  cbxDropTables = MakeOption("cbxDropTables", "Drop Tables", false, true);
  cbxCascConstraints = MakeOption("cbxCascConstraints", "Casc Constraints", false, false);
  cbxComments = MakeOption("cbxComments", "Comments", true, true);
  cbxIndexes = MakeOption("cbxIndexes", "&Indexes", true, true);
  cbxColConstraints = MakeOption("cbxColConstraints", "Col Constraints", true, true);
  cbxTriggers = MakeOption("cbxTriggers", "Tri&ggers", true, true);
  cbxDefaults = MakeOption("cbxDefaults", "Column Defaults", true, true);
  cbxProcedures = MakeOption("cbxProcedures", "&Procedures", true, true);
  cbxFunctions = MakeOption("cbxFunctions", "Fu&nctions", true, true);
  cbxSequences = MakeOption("cbxSequences", "S&equences", true, true);
  cbxDropSeq = MakeOption("cbxDropSeq", "Drop Sequences", true, true);
  cbxViews = MakeOption("cbxViews", "&Views", true, true);
  cbxTableSpace = MakeOption("cbxTableSpace", "TableSpaces", true, true);
  cbxData = MakeOption("cbxData", "&Data", false, true);
  cbxPackages = MakeOption("cbxPackages", "Packages", true, true);
  cbxCreateTabComments = MakeOption("cbxCreateTabComments", "Create Table Comments", false, true);
  cbxCreateColComments = MakeOption("cbxCreateColComments", "Create Column Comments", false, true);
  cbxPriConstraints = MakeOption("cbxPriConstraints", "Primary Key Constraints", false, true);
  cbxForConstraints = MakeOption("cbxForConstraints", "Foreign Key Constraints", false, true);
  cbxOrphanSQL = MakeOption("cbxOrphanSQL", "Drop Orphan Recs", false, true);
  cbxChkConstraints = MakeOption("cbxChkConstraints", "Check Constraints", false, true);
  cbxAll = MakeOption("cbxAll", "All", false, true);

  // Six rows by four columns; related boxes share a column.
  QCheckBox* const columns[4][6] = {
      {cbxTables, cbxDropTables, cbxCascConstraints, cbxComments, cbxIndexes, cbxColConstraints},
      {cbxTriggers, cbxDefaults, cbxProcedures, cbxFunctions, cbxSequences, cbxDropSeq},
      {cbxViews, cbxTableSpace, cbxData, cbxPackages, cbxAll, nullptr},
      {cbxCreateTabComments, cbxCreateColComments, cbxPriConstraints, cbxForConstraints,
       cbxOrphanSQL, cbxChkConstraints},
  };
  auto* optionLayout = new QGridLayout();
  optionLayout->setHorizontalSpacing(2);
  optionLayout->setVerticalSpacing(0);
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 6; ++r)
      if (QCheckBox* b = columns[c][r]) optionLayout->addWidget(b, r, c);
  infoLayout->addLayout(optionLayout);
  rootLayout->addWidget(pnlInfo);

  // ---- object panel | splitter | script panel ----
  splDB2Script = new QSplitter(Qt::Horizontal, central);
  splDB2Script->setObjectName(QStringLiteral("splDB2Script"));
  splDB2Script->setHandleWidth(3);
  splDB2Script->setChildrenCollapsible(false);

  pnlObjects = makePanel("pnlObjects", splDB2Script);
  auto* objectsLayout = new QVBoxLayout(pnlObjects);
  objectsLayout->setContentsMargins(0, 0, 0, 0);
  objectsLayout->setSpacing(0);
  Panel1 = makePanel("Panel1", pnlObjects);
  Panel1->setFixedHeight(34);
  auto* headerLayout = new QHBoxLayout(Panel1);
  headerLayout->setContentsMargins(2, 0, 6, 0);
  Label2 = new QLabel(QStringLiteral(" Ob&jects"), Panel1);
  Label2->setObjectName(QStringLiteral("Label2"));
  cbxSelectAll = new QCheckBox(QStringLiteral("Select All"), Panel1);
  cbxSelectAll->setObjectName(QStringLiteral("cbxSelectAll"));
  headerLayout->addWidget(Label2);
  headerLayout->addStretch(1);
  headerLayout->addWidget(cbxSelectAll);
  objectsLayout->addWidget(Panel1);

  ListView = new ObjectListView(pnlObjects);
  ListView->setObjectName(QStringLiteral("ListView"));
  ListView->setColumnCount(1);
  ListView->setHeaderHidden(true);
  ListView->setRootIsDecorated(false);
  ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView->header()->setStretchLastSection(false);
  ListView->setSortingEnabled(false);  // the items arrive sorted (ListTables)
  Label2->setBuddy(ListView);
  objectsLayout->addWidget(ListView, 1);

  pnlSQLScript = makePanel("pnlSQLScript", splDB2Script);
  auto* scriptLayout = new QVBoxLayout(pnlSQLScript);
  scriptLayout->setContentsMargins(0, 0, 0, 0);
  scriptLayout->setSpacing(0);
  pnlSQLScriptlbl = makePanel("pnlSQLScriptlbl", pnlSQLScript);
  pnlSQLScriptlbl->setFixedHeight(34);
  auto* headerRow = new QHBoxLayout(pnlSQLScriptlbl);
  headerRow->setContentsMargins(0, 0, 0, 0);
  // A tool bar rather than a plain row: when the script panel is narrow,
  // the controls that do not fit stay reachable behind its extension arrow.
  auto* toolBar = new QToolBar(pnlSQLScriptlbl);
  toolBar->setObjectName(QStringLiteral("tbScript"));
  toolBar->setMovable(false);
  toolBar->setFloatable(false);
  toolBar->setIconSize(QSize(16, 16));
  toolBar->layout()->setSpacing(0);
  toolBar->setContentsMargins(0, 0, 0, 0);
  headerRow->addWidget(toolBar, 1);

  btnScript = makeFlatButton("btnScript", "&Start Script", QStyle::SP_MediaPlay, toolBar);
  btnSearch = makeFlatButton("btnSearch", "Search", QStyle::SP_FileDialogContentsView, toolBar);
  btnReplace = makeFlatButton("btnReplace", "&Replace", QStyle::SP_BrowserReload, toolBar);
  btnSave = makeFlatButton("btnSave", "Save S&cript", QStyle::SP_DialogSaveButton, toolBar);
  cbxReadOnly = new QCheckBox(QStringLiteral("&Read Only"), toolBar);
  cbxReadOnly->setObjectName(QStringLiteral("cbxReadOnly"));
  cbxTextFile = new QCheckBox(QStringLiteral("&To Text File"), toolBar);
  cbxTextFile->setObjectName(QStringLiteral("cbxTextFile"));
  for (QWidget* w : {static_cast<QWidget*>(btnScript), static_cast<QWidget*>(btnSearch),
                     static_cast<QWidget*>(btnReplace), static_cast<QWidget*>(btnSave)}) {
    w->setEnabled(false);
    toolBar->addWidget(w);
  }
  cbxReadOnly->setChecked(true);
  cbxReadOnly->setEnabled(false);
  cbxTextFile->setChecked(false);
  toolBar->addWidget(cbxReadOnly);
  toolBar->addWidget(cbxTextFile);
  scriptLayout->addWidget(pnlSQLScriptlbl);

  mmoScriptWindow = new tarlow::TMemoView(pnlSQLScript);
  mmoScriptWindow->setObjectName(QStringLiteral("mmoScriptWindow"));
  scriptLayout->addWidget(mmoScriptWindow, 1);

  splDB2Script->addWidget(pnlObjects);
  splDB2Script->addWidget(pnlSQLScript);
  splDB2Script->setStretchFactor(0, 0);
  splDB2Script->setStretchFactor(1, 1);
  splDB2Script->setSizes({261, 683 - 261 - 3});
  rootLayout->addWidget(splDB2Script, 1);

  // ---- status bar ----
  sbMain = statusBar();
  sbMain->setObjectName(QStringLiteral("sbMain"));
  sbMain->setSizeGripEnabled(true);
  sbMain->setFixedHeight(19);
  const char* const panelNames[3] = {"sbMainPanel0", "sbMainPanel1", "sbMainPanel2"};
  const QString initial[3] = {kLoggedOut, QString(), QStringLiteral("DateTime")};
  for (int i = 0; i < 3; ++i) {
    auto* panel = new QLabel(initial[i], sbMain);
    panel->setObjectName(QString::fromLatin1(panelNames[i]));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setContentsMargins(2, 0, 2, 0);
    statusPanels_[i] = panel;
    // The last panel reaches to the size grip, as a status bar's last part
    // does, so that a long date and time is not cut off.
    sbMain->addWidget(panel, i == 2 ? 1 : 0);
  }
  statusPanels_[0]->setFixedWidth(kStatusPanel0Width);
  statusPanels_[1]->setFixedWidth(50);
  pbProgress = new QProgressBar(statusPanels_[1]);
  pbProgress->setObjectName(QStringLiteral("pbProgress"));
  pbProgress->setTextVisible(true);
  auto* progressLayout = new QHBoxLayout(statusPanels_[1]);
  progressLayout->setContentsMargins(1, 1, 1, 1);
  progressLayout->addWidget(pbProgress);
  pbProgress->hide();
  statusPanels_[2]->setMinimumWidth(kStatusPanel2Width);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1000);
  Timer1->start();
}

void TfrmMain::ConnectHandlers() {
  connect(Exit1, &QAction::triggered, this, [this] { btnExitClick(); });
  connect(btnLogIn, &QPushButton::clicked, this, [this] { btnLogInClick(); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  connect(splDB2Script, &QSplitter::splitterMoved, this, [this] { FormResize(); });

  // Every change of a box's state runs its handler, also a change made by
  // another handler; toggled fires only on a real change.
  connect(cbxAll, &QCheckBox::toggled, this, [this] { cbxAllClick(); });
  connect(cbxTables, &QCheckBox::toggled, this, [this] { cbxTablesClick(); });
  connect(cbxIndexes, &QCheckBox::toggled, this, [this] { cbxIndexesClick(); });
  connect(cbxComments, &QCheckBox::toggled, this, [this] { cbxCommentsClick(); });
  connect(cbxSequences, &QCheckBox::toggled, this, [this] { cbxSequencesClick(); });
  connect(cbxDropTables, &QCheckBox::toggled, this, [this] { cbxDropTablesClick(); });
  connect(cbxSelectAll, &QCheckBox::toggled, this, [this] { btnSelectAllClick(); });
  static_cast<ObjectListView*>(ListView)->KeyHandled = [this](int key) { ListViewKeyPress(key); };
  connect(btnScript, &QToolButton::clicked, this, [this] { btnScriptClick(); });
  connect(cbxReadOnly, &QCheckBox::toggled, this, [this] { cbxReadOnlyClick(); });
  connect(btnSearch, &QToolButton::clicked, this, [this] { btnSearchClick(); });
  connect(btnReplace, &QToolButton::clicked, this, [this] { btnReplaceClick(); });
  connect(btnSave, &QToolButton::clicked, this, [this] { btnSaveClick(); });

  focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (IsLogonField(now))
      dbEnter();
    else
      dbExit();
  });
}

// ---------------------------------------------------------------- status bar

QString TfrmMain::StatusText(int panel) const {
  if (panel < 0 || panel > 2) return QString();
  return statusPanels_[panel]->text();
}

void TfrmMain::SetStatusText(int panel, const QString& text) {
  if (panel < 0 || panel > 2) return;
  statusPanels_[panel]->setText(text);
}

int TfrmMain::StatusPanelWidth(int panel) const {
  if (panel < 0 || panel > 2) return 0;
  return statusPanels_[panel]->width();
}

// ------------------------------------------------------------------ handlers

void TfrmMain::FormCreate() {
  // The Database list: the client's net service names in the list's order.
  // The text stays empty and free; without a usable client the list stays
  // empty and the user may still type a name.
  cboDatabase->clear();
  try {
    oci::RebuildNetServiceNames();
    for (const std::string& name : oci::NetServiceNames())
      cboDatabase->addItem(QString::fromStdString(name));
  } catch (const std::exception& e) {
    // "Initialization error" carries the loader's log on the lines after
    // it: the box shows the first line and keeps the rest as its detail.
    const QString message = QString::fromUtf8(e.what());
    const qsizetype brk = message.indexOf(QStringLiteral("\r\n"));
    if (brk < 0)
      dialogs_->messageBox(message, QString(), mbOK, MsgIcon::Error);
    else
      dialogs_->messageBox(message.left(brk), message.mid(brk + 2), mbOK, MsgIcon::Error);
  }
  cboDatabase->setCurrentIndex(-1);
  cboDatabase->setEditText(QString());
}

void TfrmMain::FormShow() { ReadObjectPanelWidth(); }

void TfrmMain::FormActivate() { Timer1Timer(); }

void TfrmMain::Timer1Timer() {
  const std::string text = platform::dateTimeToString(partsOf(clock_()));
  SetStatusText(2, QString::fromStdString(text));
}

void TfrmMain::SetClockSource(std::function<QDateTime()> now) {
  clock_ = now ? std::move(now) : [] { return QDateTime::currentDateTime(); };
}

void TfrmMain::FormResize() {
  const int outer = frameGeometry().width();
  statusPanels_[1]->setFixedWidth(std::max(0, outer - kStatusPanel1Reserve));
  ListView->setColumnWidth(0, std::max(0, ListView->viewport()->width() - 2));
}

bool TfrmMain::IsLogonField(const QWidget* w) const {
  if (w == nullptr) return false;
  for (const QWidget* field : {static_cast<const QWidget*>(cboDatabase),
                               static_cast<const QWidget*>(edtUserName),
                               static_cast<const QWidget*>(edtPassword)})
    if (w == field || field->isAncestorOf(w)) return true;
  return false;
}

void TfrmMain::dbEnter() { btnLogIn->setDefault(true); }

void TfrmMain::dbExit() { btnLogIn->setDefault(false); }

void TfrmMain::cbxAllClick() {
  QCheckBox* const boxes[] = {
      cbxTables,         cbxIndexes,        cbxTriggers,          cbxSequences,
      cbxDropSeq,        cbxViews,          cbxFunctions,         cbxProcedures,
      cbxComments,       cbxCreateTabComments, cbxCreateColComments, cbxColConstraints,
      cbxPriConstraints, cbxForConstraints, cbxDropTables,        cbxOrphanSQL,
      cbxChkConstraints, cbxCascConstraints, cbxDefaults,         cbxPackages,
  };
  // cbxAll is read afresh for every box: a handler further down may change it.
  for (QCheckBox* box : boxes) box->setChecked(cbxAll->isChecked());
  if (cbxAll->isChecked())
    cbxTableSpace->setChecked(true);
  else
    cbxData->setChecked(false);
}

void TfrmMain::cbxTablesClick() {
  if (cbxTables->isChecked()) cbxTableSpace->setChecked(true);
}

void TfrmMain::cbxIndexesClick() {
  if (cbxIndexes->isChecked()) cbxTableSpace->setChecked(true);
}

void TfrmMain::cbxCommentsClick() {
  if (cbxComments->isChecked()) cbxTables->setChecked(true);
}

void TfrmMain::cbxSequencesClick() {
  if (cbxSequences->isChecked()) {
    cbxDropSeq->setEnabled(true);
  } else {
    cbxDropSeq->setChecked(false);
    cbxDropSeq->setEnabled(false);
  }
}

void TfrmMain::cbxDropTablesClick() {
  cbxCascConstraints->setEnabled(cbxDropTables->isChecked());
  if (!cbxDropTables->isChecked()) cbxCascConstraints->setChecked(false);
}

void TfrmMain::btnSelectAllClick() {
  const Qt::CheckState state = cbxSelectAll->isChecked() ? Qt::Checked : Qt::Unchecked;
  for (int i = 0; i < ListView->topLevelItemCount(); ++i) ListView->topLevelItem(i)->setCheckState(0, state);
}

void TfrmMain::ListViewKeyPress(int key) {
  if (key != ' ' || ListView->currentItem() == nullptr) return;
  // The space has ticked or unticked the current item; move on to the next
  // one so that a run of spaces walks down the list (the last item stays).
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QKeyEvent up(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
  QCoreApplication::sendEvent(ListView, &down);
  QCoreApplication::sendEvent(ListView, &up);
}

void TfrmMain::btnExitClick() { close(); }

bool TfrmMain::FormKeyPress(int key) {
  if (key != Qt::Key_Escape) return false;
  // A dropped-down list closes first, then the window asks to close.
  if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  close();
  return true;
}

void TfrmMain::FormCloseQuery(bool& canClose) {
  WriteObjectPanelWidth();
  canClose = true;
}

void TfrmMain::FormClose(bool& canClose) {
  canClose = dialogs_->messageBox(QStringLiteral("Are you sure?"), QString(), mbYes | mbNo,
                                  MsgIcon::Question) == mbYes;
}

// -------------------------------------------------------------------- log in

void TfrmMain::btnLogInClick() {
  if (runActive_) {
    // Logging off now would close the data sets the run is reading and
    // clear the script it is writing.  The run is asked to stop and the
    // Log In goes ahead as soon as it has ended.
    logonAfterRun_ = true;
    RequestStop();
    return;
  }
  // Step 1: busy.  Focus is lost while the window is disabled; keep it to
  // put it back, so that the user can retype a wrong password at once.
  QWidget* focus = QApplication::focusWidget();
  setCursor(Qt::WaitCursor);
  setEnabled(false);

  std::exception_ptr unhandled;
  try {
    // Step 2: reset.
    ResetObjectList();
    ClearScript();
    OracleSession_->SetConnected(false);

    // Step 3: nothing is attempted without a user name and a password.  The
    // session is logged off by now, so the window says so.
    const QString user = edtUserName->text();
    const QString password = edtPassword->text();
    if (user.isEmpty() || password.isEmpty()) {
      SetStatusText(0, kLoggedOut);
    } else {
      // Step 4.
      OracleSession_->SetLogonDatabase(cboDatabase->currentText().trimmed().toStdString());
      OracleSession_->SetLogonUsername(user.toStdString());
      OracleSession_->SetLogonPassword(password.toStdString());

      // Step 5.
      SetStatusText(0, kLoggingOn);
      sbMain->repaint();
      bool loggedOn = false;
      try {
        OracleSession_->SetConnected(true);
        SetStatusText(0, kLoggedOn);
        loggedOn = true;
      } catch (const std::exception& e) {
        SetStatusText(0, kLoggedOut);
        ShowLogonError(e);
      }

      // Step 6.
      if (loggedOn) ListTables();
    }
  } catch (...) {
    unhandled = std::current_exception();
  }

  // Step 7: whatever happened above.
  setEnabled(true);
  unsetCursor();
  if (focus != nullptr && focus->isEnabled() && focus->window() == this) focus->setFocus();
  const bool on = StatusText(0) == kLoggedOn;
  for (QWidget* w : {static_cast<QWidget*>(btnScript), static_cast<QWidget*>(btnSave),
                     static_cast<QWidget*>(btnSearch), static_cast<QWidget*>(cbxReadOnly),
                     static_cast<QWidget*>(cbxSelectAll)})
    w->setEnabled(on);
  btnReplace->setEnabled(on && !cbxReadOnly->isChecked());
  SelectFirstObject();
  FormResize();

  if (unhandled) TarlowApplication::ShowException(unhandled);
}

void TfrmMain::ShowLogonError(const std::exception& error) {
  const QString message = QString::fromUtf8(error.what());
  if (message.contains(QStringLiteral("ORA-"))) {
    // "ORA-nnnnn: " is 11 characters; the text after it is what the user needs.
    dialogs_->messageBox(QStringLiteral("Oracle Log On Error:\r\n\r\n") + message.mid(11, 255),
                         QString(), mbOK, MsgIcon::Error);
  } else {
    // No Oracle text (the client library could not be loaded, say): the
    // error's own message, with the loader's log, goes to the details.
    dialogs_->messageBox(QStringLiteral("Unable to Log On."), message, mbOK, MsgIcon::Error);
  }
}

void TfrmMain::ResetObjectList() {
  odsOracle().SetActive(false);
  cbxSelectAll->setChecked(false);
}

void TfrmMain::ClearScript() { mmoScript.Lines().Clear(); }

void TfrmMain::ListTables() {
  // The model sorts by the process locale's comparison (strcoll); the
  // control shows its items in that order and sorts nothing itself.  A
  // failing query leaves the list as it was.
  tarlow::ObjectList tables;
  tarlow::ListTables(odsOracle(), tables);
  ListView->clear();
  for (int i = 0; i < tables.Count(); ++i) {
    auto* item = new QTreeWidgetItem(ListView, {QString::fromStdString(tables.Caption(i))});
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
  }
}

void TfrmMain::SelectFirstObject() {
  if (ListView->topLevelItemCount() == 0) return;
  QTreeWidgetItem* first = ListView->topLevelItem(0);
  ListView->setCurrentItem(first);
  first->setSelected(true);
}

TOracleDataSet& TfrmMain::odsOracle() { return Writers_->odsOracle; }

// ------------------------------------------------------------ scripting run

void TfrmMain::btnScriptClick() {
  if (runActive_) {
    // A press from inside the run's message processing.  While the run
    // goes on it is the stop request.  Once a stop is pending the caption
    // already reads "&Start Script", but the run has not yet noticed (the
    // schema-wide sections never look); starting a second run inside the
    // first would clear the script and let the first one append the rest of
    // its section after the new script, so the press does nothing.
    if (ScriptRunning()) tarlow::ScriptRun(*this, *Writers_).btnScriptClick();
    return;
  }
  runActive_ = true;
  mmoScriptWindow->SetGathering(true);
  try {
    tarlow::ScriptRun(*this, *Writers_).btnScriptClick();
  } catch (...) {
    runActive_ = false;
    logonAfterRun_ = false;
    mmoScriptWindow->SetGathering(false);
    throw;
  }
  runActive_ = false;
  mmoScriptWindow->SetGathering(false);
  if (logonAfterRun_) {
    logonAfterRun_ = false;
    btnLogInClick();
  }
}

// ------------------------------------------------------------ script toolbar

void TfrmMain::cbxReadOnlyClick() {
  const bool on = cbxReadOnly->isChecked();
  mmoScript.SetReadOnly(on);
  btnReplace->setEnabled(!on);
}

void TfrmMain::btnSearchClick() { mmoScriptWindow->ShowFindDialog(); }

void TfrmMain::btnReplaceClick() { mmoScriptWindow->ShowReplaceDialog(); }

// Every line followed by CR LF, then one more CR LF: n lines make n+1 lines
// in the file, the last one empty.  The script goes to a temporary file
// that takes the chosen file's place only once all of it is written, so a
// failed save never leaves a truncated script behind.
void TfrmMain::btnSaveClick() {
  const std::optional<QString> name = dialogs_->saveFileName(saveInitialDir_);
  if (!name || name->isEmpty()) return;
  std::unique_ptr<tarlow::ScriptFile> file = tarlow::ScriptFile::Create(QFile::encodeName(*name).toStdString());
  const tarlow::TExternalStrings& lines = mmoScript.Lines();
  std::string chunk;
  for (int i = 0; i < lines.Count(); ++i) {
    chunk += QString::fromStdU16String(lines.Get(i)).toStdString();
    chunk += "\r\n";
    if (chunk.size() >= 1 << 16) {
      file->Write(chunk);
      chunk.clear();
    }
  }
  chunk += "\r\n";
  file->Write(chunk);
  file->Close();
  saveInitialDir_ = QFileInfo(*name).absolutePath();
}

void TfrmMain::RequestStop() {
  if (ScriptRunning()) tarlow::ScriptRun(*this, *Writers_).btnScriptClick();
}

bool TfrmMain::ScriptRunning() const { return btnScript->text() == QLatin1String(tarlow::kStopCaption); }

bool TfrmMain::BoxTicked(tarlow::OptionBox box) {
  QCheckBox* control = optionBoxes_[static_cast<std::size_t>(box)];
  return control != nullptr && control->isChecked();
}

bool TfrmMain::ToTextFile() { return cbxTextFile->isChecked(); }

// The list is read afresh at every item: a handler run from the message
// loop may have changed it, so an index past its end reads as an unticked
// item without a name.
int TfrmMain::ObjectCount() { return ListView->topLevelItemCount(); }

std::string TfrmMain::ObjectCaption(int index) {
  QTreeWidgetItem* item = ListView->topLevelItem(index);
  return item != nullptr ? item->text(0).toStdString() : std::string();
}

bool TfrmMain::ObjectTicked(int index) {
  QTreeWidgetItem* item = ListView->topLevelItem(index);
  return item != nullptr && item->checkState(0) == Qt::Checked;
}

std::string TfrmMain::ScriptCaption() { return btnScript->text().toStdString(); }

void TfrmMain::SetScriptCaption(const std::string& caption) {
  const QString text = QString::fromStdString(caption);
  btnScript->setText(text);
  // With the glyph alone on show the glyph itself must tell Start from Stop.
  const bool running = text == QLatin1String(tarlow::kStopCaption);
  btnScript->setIcon(style()->standardIcon(running ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
  if (!btnScript->toolTip().isEmpty()) btnScript->setToolTip(QString(text).remove(QLatin1Char('&')));
}

void TfrmMain::SetStatus(const std::string& text) {
  SetStatusText(0, QString::fromStdString(text));
  sbMain->repaint();
}

void TfrmMain::ProcessMessages() { QCoreApplication::processEvents(); }

void TfrmMain::SetBusyCursor(bool busy) {
  if (busy)
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  else
    QApplication::restoreOverrideCursor();
}

std::optional<std::string> TfrmMain::AskScriptFile() {
  const std::optional<QString> name = dialogs_->saveFileName(saveInitialDir_);
  if (!name || name->isEmpty()) return std::nullopt;
  return name->toStdString();
}

void TfrmMain::RepaintScript() {
  mmoScriptWindow->Flush();
  mmoScriptWindow->viewport()->repaint();
}

void TfrmMain::SetScriptPainting(bool enabled) { mmoScriptWindow->setUpdatesEnabled(enabled); }

void TfrmMain::ReportError(const std::string& message) {
  const QString text = QString::fromStdString(message);
  dialogs_->messageBox(text.isEmpty() ? QStringLiteral("Unknown error") : text, QString(), mbOK,
                       MsgIcon::Error);
}

// The editor shows no trace of what was left out; one box after the run
// says it, a line per cause.
void TfrmMain::ReportLeftOut(const std::vector<std::string>& causes) {
  QString detail;
  for (const std::string& cause : causes) detail += QString::fromStdString(cause) + QLatin1Char('\n');
  dialogs_->messageBox(QStringLiteral("The script was written, but parts of the schema were left out of it:\n\n") +
                           detail.trimmed(),
                       QString(), mbOK, MsgIcon::Warning);
}

void TfrmMain::ShowProgress(const tarlow::RunProgress& progress) {
  pbProgress->setRange(0, std::max(progress.Total, 1));
  pbProgress->setValue(std::min(progress.Done, pbProgress->maximum()));
  QString text = QString::fromStdString(progress.Item);
  if (progress.Rows >= 0) text += QStringLiteral(": %1 rows").arg(progress.Rows);
  pbProgress->setFormat(text + QStringLiteral(" (%1 of %2)").arg(progress.Done + 1).arg(progress.Total));
  pbProgress->setToolTip(pbProgress->text());
  pbProgress->show();
}

void TfrmMain::EndProgress() { pbProgress->hide(); }

// ------------------------------------------------------------ settings hooks

void TfrmMain::ReadObjectPanelWidth() {
  const int current = pnlObjects->width();
  const int width = tarlow::SettingsFile(kSettingsFileName)
                        .ReadInteger(kSettingsSection, "pnlObjects.Width", current);
  if (width == current || width <= 0) return;
  const int total = splDB2Script->width() - splDB2Script->handleWidth();
  splDB2Script->setSizes({width, std::max(0, total - width)});
}

// Both handlers use the one settings file, whatever the program file is
// called, so the width written on close is the width read on the next start.
void TfrmMain::WriteObjectPanelWidth() {
  tarlow::SettingsFile(kSettingsFileName)
      .WriteInteger(kSettingsSection, "pnlObjects.Width", pnlObjects->width());
}

void TfrmMain::RestorePlacement() {
  try {
    FormPlacement1_->RestoreFormPlacement();
  } catch (...) {
    TarlowApplication::ShowException(std::current_exception());
  }
}

void TfrmMain::SavePlacement() {
  try {
    FormPlacement1_->SaveFormPlacement(false);
  } catch (...) {
    TarlowApplication::ShowException(std::current_exception());
  }
}

// -------------------------------------------------------------------- events

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    // The object panel starts 261 wide; the splitter would otherwise share
    // out the first real width in proportion to its sizes at creation.
    if (QLayout* l = layout()) l->activate();
    if (QLayout* l = centralWidget()->layout()) l->activate();
    const int total = splDB2Script->width() - splDB2Script->handleWidth();
    splDB2Script->setSizes({261, std::max(0, total - 261)});
    // Centred on the desktop; the placement saved last time may move it.
    if (QScreen* screen = this->screen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
    RestorePlacement();
    FormShow();
  }
  FormResize();
}

void TfrmMain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (closing_) {  // a second request while "Are you sure?" is up
    event->ignore();
    return;
  }
  closing_ = true;
  bool canClose = true;
  try {
    FormCloseQuery(canClose);
  } catch (...) {
    // The width could not be written: the close query fails, the window
    // stays open and the user can close it again once the cause is mended.
    canClose = false;
    TarlowApplication::ShowException(std::current_exception());
  }
  if (canClose) {
    SavePlacement();
    FormClose(canClose);
  }
  closing_ = false;
  // A run still going on is inside this window's handlers: it stops at its
  // next check and ends through its final step instead of running on in a
  // hidden window.
  if (canClose) RequestStop();
  if (canClose)
    event->accept();
  else
    event->ignore();
}

bool TfrmMain::BelongsToWindow(const QObject* o) const {
  // Walks across window boundaries too, so that a combo's drop-down list
  // counts as part of the window it belongs to.
  for (; o != nullptr; o = o->parent())
    if (o == this) return true;
  return false;
}

// The four buttons show their captions beside their glyphs where the script
// panel has room for that, their captions alone where it has room for those
// (the window's first size), and otherwise their glyphs alone with the
// caption as a tool tip, rather than hide Read Only and To Text File behind
// the tool bar's extension arrow.  Their accelerators work in every form.
void TfrmMain::FitToolbar() {
  QToolButton* const buttons[] = {btnScript, btnSearch, btnReplace, btnSave};
  if (toolbarTextWidth_ == 0) {
    const Qt::ToolButtonStyle was = btnScript->toolButtonStyle();
    auto measure = [&](Qt::ToolButtonStyle style) {
      // Room for the tool bar's handle, margins and spacing.
      int width = 24 + cbxReadOnly->sizeHint().width() + cbxTextFile->sizeHint().width();
      for (QToolButton* b : buttons) {
        b->setToolButtonStyle(style);
        width += b->sizeHint().width();
      }
      return width;
    };
    toolbarTextWidth_ = measure(Qt::ToolButtonTextBesideIcon);
    toolbarCaptionWidth_ = measure(Qt::ToolButtonTextOnly);
    for (QToolButton* b : buttons) b->setToolButtonStyle(was);
  }
  const int room = pnlSQLScriptlbl->contentsRect().width();
  const Qt::ToolButtonStyle style = room >= toolbarTextWidth_      ? Qt::ToolButtonTextBesideIcon
                                    : room >= toolbarCaptionWidth_ ? Qt::ToolButtonTextOnly
                                                                   : Qt::ToolButtonIconOnly;
  for (QToolButton* b : buttons) {
    if (b->toolButtonStyle() != style) b->setToolButtonStyle(style);
    b->setToolTip(style != Qt::ToolButtonIconOnly ? QString() : QString(b->text()).remove(QLatin1Char('&')));
  }
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == pnlSQLScriptlbl && event->type() == QEvent::Resize) {
    FitToolbar();
    return false;
  }
  if (event->type() != QEvent::KeyPress || !isEnabled() || closing_) return false;
  if (!BelongsToWindow(watched)) return false;
  // A dialog of ours (the message boxes) handles its own keys.
  if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != this)
    return false;
  // An open menu takes its own keys: Esc closes the menu, not the window.
  if (qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Escape) return FormKeyPress(Qt::Key_Escape);
  if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && btnLogIn->isDefault() &&
      QApplication::activePopupWidget() == nullptr && watched->isWidgetType() &&
      IsLogonField(static_cast<QWidget*>(watched))) {
    btnLogIn->click();
    return true;
  }
  return false;
}
