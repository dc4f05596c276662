// The main window without a database: controls and their defaults, the
// option interlocks, closing, the resize step, the clock and the default
// error report.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <set>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>

#include "app/frmmain.h"
#include "app/tarlowapplication.h"
#include "app/uihooks.h"
#include "editor/ui/editor_settings_file.h"
#include "editor/ui/memo_view.h"
#include "editor/ui/search_dialogs.h"
#include "oracle/loader.h"
#include "oracle/tnsnames.h"
#include "platform/environment.h"
#include "platform/ui_hooks.h"
#include "platform/locale_formats.h"
#include "support_app.h"

namespace {

// Every option box as the window starts (ticked, enabled).
struct OptionDefault {
  const char* name;
  const char* caption;
  bool ticked;
  bool enabled;
};
const OptionDefault kOptions[] = {
    {"cbxTables", "&Tables", true, true},
    {"cbxDropTables", "Drop Tables", false, true},
    {"cbxCascConstraints", "Casc Constraints", false, false},
    {"cbxComments", "Comments", true, true},
    {"cbxIndexes", "&Indexes", true, true},
    {"cbxColConstraints", "Col Constraints", true, true},
    {"cbxTriggers", "Tri&ggers", true, true},
    {"cbxDefaults", "Column Defaults", true, true},
    {"cbxProcedures", "&Procedures", true, true},
    {"cbxFunctions", "Fu&nctions", true, true},
    {"cbxSequences", "S&equences", true, true},
    {"cbxDropSeq", "Drop Sequences", true, true},
    {"cbxViews", "&Views", true, true},
    {"cbxTableSpace", "TableSpaces", true, true},
    {"cbxData", "&Data", false, true},
    {"cbxPackages", "Packages", true, true},
    {"cbxCreateTabComments", "Create Table Comments", false, true},
    {"cbxCreateColComments", "Create Column Comments", false, true},
    {"cbxPriConstraints", "Primary Key Constraints", false, true},
    {"cbxForConstraints", "Foreign Key Constraints", false, true},
    {"cbxOrphanSQL", "Drop Orphan Recs", false, true},
    {"cbxChkConstraints", "Check Constraints", false, true},
    {"cbxAll", "All", false, true},
};

// The twenty boxes that "All" sets.
const char* const kAllSets[] = {
    "cbxTables",         "cbxIndexes",        "cbxTriggers",          "cbxSequences",
    "cbxDropSeq",        "cbxViews",          "cbxFunctions",         "cbxProcedures",
    "cbxComments",       "cbxCreateTabComments", "cbxCreateColComments", "cbxColConstraints",
    "cbxPriConstraints", "cbxForConstraints", "cbxDropTables",        "cbxOrphanSQL",
    "cbxChkConstraints", "cbxCascConstraints", "cbxDefaults",         "cbxPackages",
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The clock's text depends on the locale; pin one.
    platform::LocaleFormats formats;
    formats.shortDateFormat = "dd/mm/yyyy";
    formats.longTimeFormat = "hh:nn:ss";
    platform::setLocaleFormats(formats);
    // No client library: the window opens after reporting that, with an
    // empty Database list.  The box of that report is checked once below;
    // the other tests start without it.
    oci::ResetLoader();
    oci::ResetNetServiceNames();
    platform::setCommandLine({"OCIDLL=/nonexistent/libclntsh.so"});
    win = std::make_unique<TfrmMain>(&dialogs);
    creationBoxes = dialogs.boxes;
    dialogs.boxes.clear();
    win->show();
    win->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(win.get()));
  }
  void TearDown() override {
    dialogs.defaultAnswer = mbYes;
    win.reset();
    platform::clearLocaleFormats();
    platform::setCommandLine(std::vector<std::string>{});
    oci::ResetLoader();
    oci::ResetNetServiceNames();
  }

  QCheckBox* box(const char* name) {
    auto* b = win->findChild<QCheckBox*>(QString::fromLatin1(name));
    EXPECT_NE(b, nullptr) << name;
    return b;
  }
  template <class W>
  W* child(const char* name) {
    auto* w = win->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  FakeDialogs dialogs;
  std::vector<FakeDialogs::Box> creationBoxes;
  std::unique_ptr<TfrmMain> win;
};

// ------------------------------------------------------ controls at start

TEST_F(WindowTest, OptionBoxesStartWithTheirCaptionsTicksAndEnabledStates) {
  for (const OptionDefault& o : kOptions) {
    QCheckBox* b = box(o.name);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->text(), QString::fromLatin1(o.caption)) << o.name;
    EXPECT_EQ(b->isChecked(), o.ticked) << o.name;
    EXPECT_EQ(b->isEnabled(), o.enabled) << o.name;
  }
}

TEST_F(WindowTest, LogonFieldsToolbarAndListStartAsLaidOut) {
  EXPECT_EQ(win->windowTitle(), "Tarlow from Oracle");
  EXPECT_EQ(child<QLabel>("lblDatabase")->text(), "Data&base:");
  EXPECT_EQ(child<QLabel>("lblUserName")->text(), "&User Name:");
  EXPECT_EQ(child<QLabel>("lblPassword")->text(), "Pass&word:");
  EXPECT_EQ(child<QLabel>("lblDatabase")->buddy(), win->cboDatabase);
  EXPECT_EQ(child<QLabel>("lblUserName")->buddy(), win->edtUserName);
  EXPECT_EQ(child<QLabel>("lblPassword")->buddy(), win->edtPassword);
  EXPECT_EQ(child<QLabel>("Label2")->text(), " Ob&jects");
  EXPECT_EQ(child<QLabel>("Label2")->buddy(), win->ListView);

  auto* combo = child<QComboBox>("cboDatabase");
  EXPECT_TRUE(combo->isEditable());
  EXPECT_EQ(combo->count(), 0);
  EXPECT_TRUE(combo->currentText().isEmpty());
  EXPECT_EQ(child<QLineEdit>("edtPassword")->echoMode(), QLineEdit::Password);
  EXPECT_EQ(child<QLineEdit>("edtUserName")->echoMode(), QLineEdit::Normal);

  auto* login = child<QPushButton>("btnLogIn");
  EXPECT_EQ(login->text(), "&Log In");
  EXPECT_TRUE(login->isEnabled());

  struct Tool {
    const char* name;
    const char* caption;
    bool enabled;
  };
  for (const Tool& t : {Tool{"btnScript", "&Start Script", false}, Tool{"btnSearch", "Search", false},
                        Tool{"btnReplace", "&Replace", false}, Tool{"btnSave", "Save S&cript", false}}) {
    auto* b = child<QToolButton>(t.name);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->text(), QString::fromLatin1(t.caption)) << t.name;
    EXPECT_EQ(b->isEnabled(), t.enabled) << t.name;
    EXPECT_TRUE(b->autoRaise()) << t.name;
    EXPECT_FALSE(b->icon().isNull()) << t.name;
  }
  EXPECT_EQ(box("cbxReadOnly")->text(), "&Read Only");
  EXPECT_TRUE(box("cbxReadOnly")->isChecked());
  EXPECT_FALSE(box("cbxReadOnly")->isEnabled());
  EXPECT_EQ(box("cbxTextFile")->text(), "&To Text File");
  EXPECT_FALSE(box("cbxTextFile")->isChecked());
  EXPECT_TRUE(box("cbxTextFile")->isEnabled());
  EXPECT_EQ(box("cbxSelectAll")->text(), "Select All");
  EXPECT_TRUE(box("cbxSelectAll")->isEnabled());
  EXPECT_FALSE(box("cbxSelectAll")->isChecked());

  EXPECT_EQ(child<QTreeWidget>("ListView")->topLevelItemCount(), 0);
  EXPECT_TRUE(child<tarlow::TMemoView>("mmoScriptWindow")->ReadOnly());
}

TEST_F(WindowTest, WithoutAClientTheDatabaseListIsEmptyAfterTheErrorReport) {
  ASSERT_EQ(creationBoxes.size(), 1u);
  EXPECT_EQ(creationBoxes[0].text, "Initialization error");
  EXPECT_FALSE(creationBoxes[0].detail.isEmpty()) << "the loader's log goes to the detail";
  EXPECT_EQ(creationBoxes[0].icon, MsgIcon::Error);
  EXPECT_EQ(win->cboDatabase->count(), 0);
  EXPECT_TRUE(win->cboDatabase->isEditable());
  EXPECT_TRUE(win->cboDatabase->currentText().isEmpty());
}

TEST_F(WindowTest, MenuHoldsExitWithItsCaptionAndNoShortcut) {
  auto* file = child<QMenu>("File1");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->title(), "&File");
  QAction* exit = win->findChild<QAction*>(QStringLiteral("Exit1"));
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->text(), "E&xit                   Alt+X");
  EXPECT_TRUE(exit->shortcut().isEmpty());
  EXPECT_TRUE(file->actions().contains(exit));
}

TEST_F(WindowTest, SizesPanelsAndStatusBarAsLaidOut) {
  EXPECT_EQ(win->minimumSize(), QSize(640, 320));
  EXPECT_EQ(win->size(), QSize(683, 394));
  EXPECT_EQ(child<QFrame>("pnlInfo")->height(), 134);
  EXPECT_EQ(child<QFrame>("pnlObjects")->width(), 261);
  EXPECT_EQ(child<QFrame>("Panel1")->height(), 34);
  EXPECT_EQ(child<QFrame>("pnlSQLScriptlbl")->height(), 34);
  EXPECT_EQ(child<QSplitter>("splDB2Script")->handleWidth(), 3);
  EXPECT_EQ(win->sbMain->height(), 19);

  // Centred on the screen.
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(std::abs(win->frameGeometry().center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(win->frameGeometry().center().y() - screen.center().y()), 1);

  EXPECT_EQ(win->StatusText(0), "Logged out");
  EXPECT_EQ(win->StatusText(1), "");
  EXPECT_EQ(win->StatusPanelWidth(0), 200);
  EXPECT_GE(win->StatusPanelWidth(2), 100);
  EXPECT_EQ(win->Timer1->interval(), 1000);
  EXPECT_TRUE(win->Timer1->isActive());
}

// ---------------------------------------------------------- interlocks

// One user action on a box: tick or clear it.
struct Step {
  const char* box;
  bool tick;
};
// Expected state of one box after the steps; boxes not listed keep their
// start-up state.
struct Expect {
  const char* box;
  bool ticked;
  bool enabled;
};
struct InterlockCase {
  const char* title;
  std::vector<Step> steps;
  std::vector<Expect> expect;
  bool allSetsTicked = false;   // the twenty boxes of "All" are all ticked
  bool allSetsCleared = false;  // ... all clear
};

std::vector<InterlockCase> InterlockCases() {
  return {
      {"TickAllTicksTheListAndTableSpacesButNotData",
       {{"cbxAll", true}},
       {{"cbxAll", true, true},
        {"cbxCascConstraints", true, true},
        {"cbxDropSeq", true, true},
        {"cbxTableSpace", true, true},
        {"cbxData", false, true}},
       true},
      {"TickAllLeavesATickedDataTicked",
       {{"cbxData", true}, {"cbxAll", true}},
       {{"cbxAll", true, true}, {"cbxCascConstraints", true, true}, {"cbxData", true, true}},
       true},
      {"TickAllRestoresAClearedTableSpaces",
       {{"cbxTableSpace", false}, {"cbxTables", false}, {"cbxIndexes", false}, {"cbxAll", true}},
       {{"cbxAll", true, true}, {"cbxCascConstraints", true, true}, {"cbxTableSpace", true, true}},
       true},
      {"ClearAllClearsEverythingAndDataButKeepsTableSpaces",
       {{"cbxData", true}, {"cbxAll", true}, {"cbxAll", false}},
       {{"cbxAll", false, true},
        {"cbxCascConstraints", false, false},
        {"cbxDropSeq", false, false},
        {"cbxData", false, true},
        {"cbxTableSpace", true, true}},
       false,
       true},
      {"TickAllWithSequencesClearReenablesAndTicksDropSequences",
       {{"cbxSequences", false}, {"cbxAll", true}},
       {{"cbxAll", true, true}, {"cbxCascConstraints", true, true}, {"cbxDropSeq", true, true}},
       true},
      {"ClearingSequencesClearsAndDisablesDropSequences",
       {{"cbxSequences", false}},
       {{"cbxSequences", false, true}, {"cbxDropSeq", false, false}}},
      {"TickingSequencesAgainEnablesDropSequencesButLeavesItClear",
       {{"cbxSequences", false}, {"cbxSequences", true}},
       {{"cbxSequences", true, true}, {"cbxDropSeq", false, true}}},
      {"DropTablesEnablesCascConstraints",
       {{"cbxDropTables", true}},
       {{"cbxDropTables", true, true}, {"cbxCascConstraints", false, true}}},
      {"ClearingDropTablesClearsAndDisablesCascConstraints",
       {{"cbxDropTables", true}, {"cbxCascConstraints", true}, {"cbxDropTables", false}},
       {{"cbxDropTables", false, true}, {"cbxCascConstraints", false, false}}},
      {"TickingTablesTicksTableSpaces",
       {{"cbxTables", false}, {"cbxTableSpace", false}, {"cbxTables", true}},
       {{"cbxTables", true, true}, {"cbxTableSpace", true, true}}},
      {"TickingIndexesTicksTableSpaces",
       {{"cbxIndexes", false}, {"cbxTableSpace", false}, {"cbxIndexes", true}},
       {{"cbxIndexes", true, true}, {"cbxTableSpace", true, true}}},
      {"TickingCommentsTicksTablesWhichTicksTableSpaces",
       {{"cbxComments", false}, {"cbxTables", false}, {"cbxTableSpace", false}, {"cbxComments", true}},
       {{"cbxComments", true, true}, {"cbxTables", true, true}, {"cbxTableSpace", true, true}}},
      {"ClearingTablesIndexesOrCommentsChangesNothingElse",
       {{"cbxTables", false}, {"cbxIndexes", false}, {"cbxComments", false}},
       {{"cbxTables", false, true}, {"cbxIndexes", false, true}, {"cbxComments", false, true}}},
      {"SettingTheStateABoxAlreadyHasRunsNothing",
       {{"cbxTableSpace", false}, {"cbxTables", true}, {"cbxComments", true}},
       {{"cbxTableSpace", false, true}}},
      {"ClearingAnAlreadyClearAllRunsNothing",
       {{"cbxData", true}, {"cbxAll", false}},
       {{"cbxData", true, true}}},
  };
}

void PrintTo(const InterlockCase& c, std::ostream* os) { *os << c.title; }

class InterlockTest : public WindowTest, public ::testing::WithParamInterface<InterlockCase> {};

TEST_P(InterlockTest, BoxesEndInTheExpectedStates) {
  const InterlockCase& c = GetParam();
  for (const Step& s : c.steps) box(s.box)->setChecked(s.tick);

  std::map<std::string, std::pair<bool, bool>> expected;
  for (const OptionDefault& o : kOptions) expected[o.name] = {o.ticked, o.enabled};
  if (c.allSetsTicked || c.allSetsCleared)
    for (const char* name : kAllSets) expected[name].first = c.allSetsTicked;
  for (const Expect& e : c.expect) expected[e.box] = {e.ticked, e.enabled};

  for (const auto& [name, state] : expected) {
    QCheckBox* b = box(name.c_str());
    EXPECT_EQ(b->isChecked(), state.first) << name << " ticked";
    EXPECT_EQ(b->isEnabled(), state.second) << name << " enabled";
  }
}

INSTANTIATE_TEST_SUITE_P(Window, InterlockTest, ::testing::ValuesIn(InterlockCases()),
                         [](const ::testing::TestParamInfo<InterlockCase>& info) {
                           return std::string(info.param.title);
                         });

TEST_F(WindowTest, ClickingAllWithTheMouseRunsTheInterlocks) {
  // On the box itself, not the empty end of its column.
  const QPoint onBox(6, win->cbxAll->height() / 2);
  QTest::mouseClick(win->cbxAll, Qt::LeftButton, {}, onBox);
  EXPECT_TRUE(win->cbxAll->isChecked());
  EXPECT_TRUE(win->cbxCascConstraints->isChecked());
  EXPECT_TRUE(win->cbxCascConstraints->isEnabled());
  QTest::mouseClick(win->cbxAll, Qt::LeftButton, {}, onBox);
  EXPECT_FALSE(win->cbxTables->isChecked());
  EXPECT_FALSE(win->cbxDropSeq->isEnabled());
  EXPECT_TRUE(win->cbxTableSpace->isChecked());
}

// -------------------------------------------------------------- closing

TEST_F(WindowTest, EscClosesFromEveryControlAfterYes) {
  const char* const focusables[] = {"cboDatabase", "edtUserName", "edtPassword", "btnLogIn",
                                    "cbxTables",   "cbxAll",      "ListView",    "mmoScriptWindow",
                                    "cbxTextFile"};
  for (const char* name : focusables) {
    SCOPED_TRACE(name);
    auto tested = std::make_unique<TfrmMain>(&dialogs);
    tested->show();
    tested->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(tested.get()));
    auto* w = tested->findChild<QWidget*>(QString::fromLatin1(name));
    ASSERT_NE(w, nullptr);
    w->setFocus();
    dialogs.boxes.clear();
    dialogs.answers = {mbYes};
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : w;
    QTest::keyClick(target, Qt::Key_Escape);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Are you sure?");
    EXPECT_EQ(dialogs.boxes[0].buttons, mbYes | mbNo);
    EXPECT_FALSE(tested->isVisible());
  }
}

TEST_F(WindowTest, NoAtAreYouSureKeepsTheWindowOpen) {
  win->edtUserName->setFocus();
  dialogs.answers = {mbNo};
  QTest::keyClick(win->edtUserName, Qt::Key_Escape);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Are you sure?");
  EXPECT_TRUE(win->isVisible());

  // The menu's Exit asks the same question; No again keeps it open.
  dialogs.answers = {mbNo};
  win->Exit1->trigger();
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(dialogs.boxes[1].text, "Are you sure?");
  EXPECT_TRUE(win->isVisible());

  // The close box, answered Yes, closes.
  dialogs.answers = {mbYes};
  EXPECT_TRUE(win->close());
  EXPECT_FALSE(win->isVisible());
}

TEST_F(WindowTest, EscIsSwallowedAndOtherKeysPassOn) {
  win->edtUserName->setFocus();
  QTest::keyClicks(win->edtUserName, "scott");
  EXPECT_EQ(win->edtUserName->text(), "scott");
  EXPECT_TRUE(dialogs.boxes.empty());
  dialogs.answers = {mbNo};
  QTest::keyClick(win->edtUserName, Qt::Key_Escape);
  EXPECT_EQ(win->edtUserName->text(), "scott");
  EXPECT_EQ(dialogs.boxes.size(), 1u);
}

TEST_F(WindowTest, EscWithTheDatabaseListDroppedDownStillClosesTheWindow) {
  win->cboDatabase->addItems({"DEMO", "ORCL"});
  win->cboDatabase->setFocus();
  win->cboDatabase->showPopup();
  QWidget* popup = QApplication::activePopupWidget();
  ASSERT_NE(popup, nullptr);
  dialogs.answers = {mbNo};
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : popup;
  QTest::keyClick(target, Qt::Key_Escape);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Are you sure?");
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_TRUE(win->isVisible());
}

TEST_F(WindowTest, EscInAnOpenMenuClosesOnlyTheMenu) {
  win->File1->popup(win->mapToGlobal(QPoint(0, 0)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(win->File1));
  ASSERT_EQ(QApplication::activePopupWidget(), win->File1);
  QTest::keyClick(win->File1, Qt::Key_Escape);
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_FALSE(win->File1->isVisible());
  EXPECT_TRUE(win->isVisible());
}

// --------------------------------------------------- Log In as default

TEST_F(WindowTest, LogInIsTheDefaultButtonOnlyWhileALogonFieldHasFocus) {
  win->edtPassword->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(win->btnLogIn->isDefault());
  win->cbxTables->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(win->btnLogIn->isDefault());
  win->cboDatabase->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(win->btnLogIn->isDefault());
}

// --------------------------------------------------------------- resize

TEST_F(WindowTest, ResizeStepFollowsTheWindowAndTheSplitter) {
  win->resize(900, 500);
  QApplication::processEvents();
  EXPECT_EQ(win->StatusPanelWidth(1), win->frameGeometry().width() - 350);
  EXPECT_EQ(win->ListView->columnWidth(0), win->ListView->viewport()->width() - 2);

  // Moving the splitter resizes the object list, and its column follows.
  const int before = win->ListView->viewport()->width();
  win->splDB2Script->setSizes({400, 497});
  QApplication::processEvents();
  win->FormResize();
  ASSERT_NE(win->ListView->viewport()->width(), before);
  EXPECT_EQ(win->ListView->columnWidth(0), win->ListView->viewport()->width() - 2);

  win->resize(640, 320);
  QApplication::processEvents();
  EXPECT_EQ(win->StatusPanelWidth(1), win->frameGeometry().width() - 350);
}

TEST_F(WindowTest, EveryToolbarControlStaysInSightAtAnyWidth) {
  for (int width : {640, 683, 1000}) {
    SCOPED_TRACE(width);
    win->resize(width, 394);
    QApplication::processEvents();
    for (QWidget* w : {static_cast<QWidget*>(win->btnScript), static_cast<QWidget*>(win->btnSearch),
                       static_cast<QWidget*>(win->btnReplace), static_cast<QWidget*>(win->btnSave),
                       static_cast<QWidget*>(win->cbxReadOnly), static_cast<QWidget*>(win->cbxTextFile)}) {
      EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
      const QRect inHeader(w->mapTo(win->pnlSQLScriptlbl, QPoint(0, 0)), w->size());
      EXPECT_TRUE(win->pnlSQLScriptlbl->rect().contains(inHeader)) << w->objectName().toStdString();
    }
    // A button without its caption tells it in a tool tip.
    const bool glyphOnly = win->btnSave->toolButtonStyle() == Qt::ToolButtonIconOnly;
    EXPECT_EQ(win->btnSave->toolTip(), glyphOnly ? QString("Save Script") : QString());
  }
  // With room to spare the buttons show their captions beside their glyphs.
  EXPECT_EQ(win->btnScript->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
  // As the script panel widens the buttons go from glyphs alone to captions
  // alone to captions beside glyphs, never back.
  win->resize(1200, 394);
  std::set<Qt::ToolButtonStyle> styles;
  auto rank = [](Qt::ToolButtonStyle s) {
    return s == Qt::ToolButtonIconOnly ? 0 : s == Qt::ToolButtonTextOnly ? 1 : 2;
  };
  int last = 0;
  for (int panel = 240; panel <= 900; panel += 20) {
    win->splDB2Script->setSizes({1200 - 3 - panel, panel});
    QApplication::processEvents();
    const Qt::ToolButtonStyle s = win->btnReplace->toolButtonStyle();
    EXPECT_GE(rank(s), last) << panel;
    last = rank(s);
    styles.insert(s);
  }
  EXPECT_EQ(styles.size(), 3u);
  // Narrower than any caption fits: the glyphs alone.
  win->resize(640, 394);
  win->splDB2Script->setSizes({400, 237});
  QApplication::processEvents();
  EXPECT_EQ(win->btnScript->toolButtonStyle(), Qt::ToolButtonIconOnly);
  EXPECT_EQ(win->btnScript->toolTip(), "Start Script");
}

// ---------------------------------------------------------------- clock

TEST_F(WindowTest, ClockShowsShortDateAndLongTimeAndLeavesOutMidnight) {
  struct Case {
    QDateTime now;
    const char* shown;
  };
  const Case cases[] = {
      {QDateTime(QDate(2026, 12, 10), QTime(11, 45, 7)), "10/12/2026 11:45:07"},
      {QDateTime(QDate(2026, 1, 2), QTime(0, 0, 0)), "02/01/2026"},
      {QDateTime(QDate(2026, 1, 2), QTime(0, 0, 1)), "02/01/2026 00:00:01"},
  };
  for (const Case& c : cases) {
    win->SetClockSource([&c] { return c.now; });
    win->Timer1Timer();
    EXPECT_EQ(win->StatusText(2), c.shown);
  }
}

TEST_F(WindowTest, ActivatingTheWindowShowsTheTimeAtOnce) {
  auto fresh = std::make_unique<TfrmMain>(&dialogs);
  EXPECT_EQ(fresh->StatusText(2), "DateTime");
  fresh->SetClockSource([] { return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)); });
  fresh->show();
  fresh->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(fresh.get()));
  EXPECT_EQ(fresh->StatusText(2), "04/03/2026 05:06:07");
  dialogs.defaultAnswer = mbYes;
}

// ------------------------------------------------- default error report

TEST(DefaultErrorReport, AnErrorThatNoHandlerCatchesEndsInAMessageBox) {
  auto* app = qobject_cast<TarlowApplication*>(QCoreApplication::instance());
  ASSERT_NE(app, nullptr);
  FakeDialogs dialogs;
  app->setDialogs(&dialogs);

  QPushButton button(QStringLiteral("boom"));
  QObject::connect(&button, &QPushButton::clicked,
                   [] { throw std::runtime_error("Not logged on"); });
  button.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
  QTest::mouseClick(&button, Qt::LeftButton);

  app->setDialogs(nullptr);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Not logged on");
  EXPECT_EQ(dialogs.boxes[0].buttons, mbOK);
  EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Error);
}

// A box shown while its window is disabled (a failed logon) must still take
// an answer.
TEST(QtDialogsTest, BoxFromADisabledWindowCanBeAnswered) {
  QWidget parent;
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  parent.setEnabled(false);
  QtDialogs dialogs(&parent);

  bool wasEnabled = false;
  bool answered = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    wasEnabled = box->isEnabled() && box->button(QMessageBox::Yes) != nullptr &&
                 box->button(QMessageBox::Yes)->isEnabled();
    answered = true;
    box->button(QMessageBox::Yes)->click();
  });
  const int result = dialogs.messageBox("Are you sure?", QString(), mbYes | mbNo, MsgIcon::Question);
  EXPECT_TRUE(answered);
  EXPECT_TRUE(wasEnabled);
  EXPECT_EQ(result, mbYes);

  // The program's CR LF line breaks reach the box as plain line breaks.
  QString shownText, shownDetail;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    shownText = box->text();
    shownDetail = box->detailedText();
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(dialogs.messageBox("Oracle Log On Error:\r\n\r\ninvalid", "Initialization error\r\nlog",
                               mbOK, MsgIcon::Error),
            mbOK);
  EXPECT_EQ(shownText, "Oracle Log On Error:\n\ninvalid");
  EXPECT_EQ(shownDetail, "Initialization error\nlog");
}

}  // namespace

namespace {

// The access layer sets the screen cursor through the hooks; Qt's override
// cursors stack, so a hook that pushed on every change would leave an
// hourglass behind.
TEST(QtUiHooksTest, ScreenCursorSetsAndRestoresQtsOverrideCursor) {
  QtUiHooks hooks;
  platform::installUiHooks(&hooks);
  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
  {
    platform::ScopedScreenCursor busy(platform::ScreenCursor::HourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    {
      platform::ScopedScreenCursor inner(platform::ScreenCursor::SQLWait);
      EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  hooks.setScreenCursor(platform::ScreenCursor::HourGlass);
  hooks.setScreenCursor(platform::ScreenCursor::HourGlass);
  hooks.setScreenCursor(platform::ScreenCursor::Default);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  platform::installUiHooks(nullptr);
}

}  // namespace

// ------------------------------------------------------------ script toolbar

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST_F(WindowTest, SaveScriptWritesEveryLineAndOneMoreLineBreak) {
  const std::string dir = MakeTempDir("tarlow_save_");
  struct Case {
    std::vector<std::u16string> lines;
    std::string file;
  };
  const Case cases[] = {
      {{u"DROP TABLE EMP;", u"", u"CREATE TABLE \u00c9T (A NUMBER);"},
       "DROP TABLE EMP;\r\n\r\nCREATE TABLE \xc3\x89T (A NUMBER);\r\n\r\n"},
      {{}, "\r\n"},
  };
  for (const Case& c : cases) {
    win->mmoScript.Lines().Assign(c.lines);
    const std::string path = dir + "/sub/script.sql";
    std::filesystem::create_directories(dir + "/sub");
    dialogs.saveAnswer = QString::fromStdString(path);
    win->btnSaveClick();
    EXPECT_EQ(ReadAll(path), c.file);
  }
  // The prompt opened where the previous save went.
  ASSERT_EQ(dialogs.savePrompts.size(), 2u);
  EXPECT_EQ(dialogs.savePrompts[1], QString::fromStdString(dir + "/sub"));
  EXPECT_EQ(win->SaveDialogInitialDir(), QString::fromStdString(dir + "/sub"));
  std::filesystem::remove_all(dir);
}

TEST_F(WindowTest, CancellingSaveScriptWritesNothing) {
  const std::string dir = MakeTempDir("tarlow_save_");
  win->mmoScript.Lines().Assign({u"X"});
  dialogs.saveAnswer.reset();
  const QString before = win->SaveDialogInitialDir();
  win->btnSaveClick();
  EXPECT_EQ(dialogs.savePrompts.size(), 1u);
  EXPECT_EQ(win->SaveDialogInitialDir(), before);
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  std::filesystem::remove_all(dir);
}

// A failed write raises to the default error report; the old file stays
// whole and the window stays open.
TEST_F(WindowTest, ASaveThatFailsLeavesTheOldFileAndTheWindowOpen) {
  const std::string dir = MakeTempDir("tarlow_save_");
  win->mmoScript.Lines().Assign({u"NEW"});
  dialogs.saveAnswer = QString::fromStdString(dir + "/missing/script.sql");
  EXPECT_THROW(win->btnSaveClick(), std::exception);
  EXPECT_FALSE(std::filesystem::exists(dir + "/missing"));
  EXPECT_TRUE(win->isVisible());
  EXPECT_TRUE(win->SaveDialogInitialDir().isEmpty()) << "the folder is remembered only after a save";
  std::filesystem::remove_all(dir);
}

TEST_F(WindowTest, ReadOnlySwitchesTheStoreAndTheReplaceButton) {
  // As after a successful Log In.
  win->cbxReadOnly->setEnabled(true);
  ASSERT_TRUE(win->cbxReadOnly->isChecked());
  EXPECT_FALSE(win->btnReplace->isEnabled());
  win->mmoScript.Lines().Assign({u"ab"});
  QTest::keyClicks(win->mmoScriptWindow, QStringLiteral("x"));
  EXPECT_EQ(win->mmoScript.Lines().Get(0), u"ab");

  win->cbxReadOnly->setChecked(false);
  EXPECT_FALSE(win->mmoScript.ReadOnly());
  EXPECT_TRUE(win->btnReplace->isEnabled());
  QTest::keyClicks(win->mmoScriptWindow, QStringLiteral("x"));
  EXPECT_EQ(win->mmoScript.Lines().Get(0), u"xab");

  win->cbxReadOnly->setChecked(true);
  EXPECT_TRUE(win->mmoScript.ReadOnly());
  EXPECT_FALSE(win->btnReplace->isEnabled());
}

TEST_F(WindowTest, SearchOpensFindTextOnTheScript) {
  win->mmoScript.Lines().Assign({u"CREATE TABLE EMP", u"CREATE TABLE DEPT"});
  win->mmoScriptWindow->ExecDialog = [](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Find Text");
    auto& dialog = static_cast<tarlow::TSearchDialog&>(d);
    dialog.SearText->setEditText(QStringLiteral("dept"));
    return int(QDialog::Accepted);
  };
  win->btnSearchClick();
  EXPECT_EQ(win->mmoScript.MatchHighlight(), (tarlow::TMemoSource::MatchArea{1, 13, 17}));
  // The history went to the per-user editor settings file.
  const std::string ini = tarlow::SettingsFile(tarlow::kEditorSettingsFileName).path();
  EXPECT_NE(ReadAll(ini).find("SrchDialogSearText=dept"), std::string::npos) << ini;
}

}  // namespace
