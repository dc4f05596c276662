// The window against a small stand-in database: the Database list, the
// object list after Log In with Select All and Space, and Start Script into
// the editor and into a file, stopped, cancelled and run twice.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <clocale>
#include <cstdio>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/frmmain.h"
#include "editor/ui/memo_view.h"
#include "cli/cli_host.h"
#include "editor/memo_source.h"
#include "editor/text_convert.h"
#include "engine/engine.h"
#include "oracle/loader.h"
#include "oracle/session.h"
#include "oracle/tnsnames.h"
#include "platform/environment.h"
#include "script/option_boxes.h"
#include "script/sqlplus_layout.h"
#include "support_app.h"

namespace {

const std::string kLibrary = std::string(TARLOW_LIB_DIR) + "/libocisim.so";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Calls a function at every change of a store: the tests press buttons
// from inside a run this way.
class StoreWatch : public tarlow::TMemoObserver {
 public:
  StoreWatch(tarlow::TMemoSource& store, std::function<void(tarlow::TMemoSource&)> f)
      : store_(store), f_(std::move(f)) {
    store_.Attach(this);
  }
  ~StoreWatch() override { store_.Detach(this); }
  void MemoChanged(tarlow::TMemoSource& s, const tarlow::TMemoChange&) override { f_(s); }

 private:
  tarlow::TMemoSource& store_;
  std::function<void(tarlow::TMemoSource&)> f_;
};

bool HasLine(tarlow::TMemoSource& s, const std::string& line) {
  const std::u16string wanted = tarlow::Utf8ToUtf16(line);
  for (int i = 0; i < s.Lines().Count(); ++i)
    if (s.Lines().Get(i) == wanted) return true;
  return false;
}

class WindowRunTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dataDir_ = MakeTempDir("tarlow_winrun_");
    setenv("OCISIM_DATA", dataDir_.c_str(), 1);
    // The names file lists ZETA before DEMO; the list is sorted.
    std::ofstream(dataDir_ + "/tnsnames.ora")
        << "ZETA = (DESCRIPTION = (ADDRESS = (HOST = zeta)))\n"
        << "DEMO =\n  (DESCRIPTION =\n    (ADDRESS = (HOST = demo)(PORT = 1521)))\n";
    setenv("TNS_ADMIN", dataDir_.c_str(), 1);
    try {
      ocisim::createDatabase(dataDir_, "DEMO");
      ocisim::addUser(dataDir_, "DEMO", "demo", "demo");
      ocisim::addUser(dataDir_, "DEMO", "nobody", "nobody");
      auto c = ocisim::attachIn(dataDir_, "DEMO");
      std::string warning;
      c->logon("demo", "demo", &warning);
      // Created out of order; "emp_low" sorts after the upper-case names in
      // byte order.
      for (const char* ddl :
           {"CREATE TABLE EMP (EMPNO NUMBER(4) NOT NULL, ENAME VARCHAR2(10))",
            "CREATE TABLE \"emp_low\" (ID NUMBER)", "CREATE TABLE DEPT (DEPTNO NUMBER(2), DNAME VARCHAR2(14))",
            "CREATE TABLE BONUS (ENAME VARCHAR2(10), SAL NUMBER)",
            "INSERT INTO DEPT VALUES (10, 'ACCOUNTING')", "INSERT INTO DEPT VALUES (20, 'RESEARCH')",
            "INSERT INTO EMP VALUES (7839, 'KING')"})
        c->prepare(ddl)->execute();
      c->commit();
    } catch (const std::exception& e) {
      schemaError_ = e.what();
    }
  }

  void SetUp() override {
    if (access(kLibrary.c_str(), R_OK) != 0)
      GTEST_SKIP() << "the stand-in client library " << kLibrary << " is not built (target sim_all)";
    if (!schemaError_.empty()) GTEST_SKIP() << "the stand-in cannot make the test schema: " << schemaError_;
    // Byte order for the object list, whatever the machine's locale.
    std::setlocale(LC_COLLATE, "C");
    oci::ResetLoader();
    oci::ResetNetServiceNames();
    platform::setCommandLine({"OCIDLL=" + kLibrary});
    win = std::make_unique<TfrmMain>(&dialogs);
    win->show();
    win->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(win.get()));
    out = MakeTempDir("tarlow_winrun_out_");
  }
  void TearDown() override {
    dialogs.defaultAnswer = mbYes;
    win.reset();
    oci::ResetLoader();
    oci::ResetNetServiceNames();
    platform::setCommandLine(std::vector<std::string>{});
  }

  void LogOn(const char* user = "demo", const char* password = "demo") {
    win->cboDatabase->setEditText(QStringLiteral("DEMO"));
    win->edtUserName->setText(QString::fromLatin1(user));
    win->edtPassword->setText(QString::fromLatin1(password));
    QTest::mouseClick(win->btnLogIn, Qt::LeftButton);
    ASSERT_EQ(win->StatusText(0), "Logged on");
  }

  QCheckBox* Box(tarlow::OptionBox b) {
    return win->findChild<QCheckBox*>(QString::fromLatin1(tarlow::OptionBoxInfoOf(b).Control));
  }
  // Clears every option box, then ticks the ones named (through the
  // interlocks, as clicks would).
  void OnlyBoxes(std::initializer_list<tarlow::OptionBox> ticked) {
    for (const tarlow::OptionBoxInfo& info : tarlow::OptionBoxTable()) Box(info.Box)->setChecked(false);
    for (tarlow::OptionBox b : ticked) Box(b)->setChecked(true);
  }
  std::vector<QString> Captions() {
    std::vector<QString> c;
    for (int i = 0; i < win->ListView->topLevelItemCount(); ++i) c.push_back(win->ListView->topLevelItem(i)->text(0));
    return c;
  }
  std::vector<bool> Ticks() {
    std::vector<bool> t;
    for (int i = 0; i < win->ListView->topLevelItemCount(); ++i)
      t.push_back(win->ListView->topLevelItem(i)->checkState(0) == Qt::Checked);
    return t;
  }
  void Tick(std::initializer_list<const char*> names) {
    for (const char* n : names) {
      auto found = win->ListView->findItems(QString::fromLatin1(n), Qt::MatchExactly);
      ASSERT_EQ(found.size(), 1) << n;
      found[0]->setCheckState(0, Qt::Checked);
    }
  }
  // The editor's lines after the SQL*Plus settings block that heads every
  // script (when the script goes to the editor).
  std::vector<std::string> StoreLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < win->mmoScript.Lines().Count(); ++i)
      lines.push_back(tarlow::Utf16ToUtf8(win->mmoScript.Lines().Get(i)));
    std::vector<std::string> header;
    std::istringstream h(tarlow::ScriptHeader() + "\r\n");
    for (std::string l; std::getline(h, l);) header.push_back(l.substr(0, l.size() - 1));
    header.push_back("");
    if (lines.size() >= header.size() && std::equal(header.begin(), header.end(), lines.begin()))
      lines.erase(lines.begin(), lines.begin() + static_cast<long>(header.size()));
    return lines;
  }
  // The view paints the store itself; it shows it when its scroll range
  // has followed the store's last line count.
  bool ViewShowsStore() {
    return win->mmoScriptWindow->MemoSource() == &win->mmoScript &&
           win->mmoScriptWindow->verticalScrollBar()->maximum() ==
               std::max(win->mmoScript.Lines().Count() - 1, 0);
  }
  void PressStartScript() { QTest::mouseClick(win->btnScript, Qt::LeftButton); }

  // tarlow-script in this process, writing to a file.
  std::string CliScript(std::vector<std::string> flags) {
    const std::string path = out + "/cli.sql";
    std::vector<std::string> args = {"--database", "DEMO", "--user",  "demo", "--password",
                                     "demo",       "--output", path, "OCIDLL=" + kLibrary};
    args.insert(args.end(), flags.begin(), flags.end());
    std::FILE* o = std::tmpfile();
    std::FILE* e = std::tmpfile();
    const int rc = tarlow::cli::RunTarlowScript(args, o, e);
    std::fclose(o);
    std::fclose(e);
    EXPECT_EQ(rc, 0);
    return ReadAll(path);
  }

  static std::string dataDir_;
  static std::string schemaError_;
  FakeDialogs dialogs;
  std::unique_ptr<TfrmMain> win;
  std::string out;
};
std::string WindowRunTest::dataDir_;
std::string WindowRunTest::schemaError_;

// ------------------------------------------------------------------ lists

TEST_F(WindowRunTest, DatabaseListHoldsTheNetServiceNamesAndTheTextStartsEmpty) {
  ASSERT_EQ(win->cboDatabase->count(), 2);
  EXPECT_EQ(win->cboDatabase->itemText(0), "DEMO");
  EXPECT_EQ(win->cboDatabase->itemText(1), "ZETA");
  EXPECT_TRUE(win->cboDatabase->isEditable());
  EXPECT_TRUE(win->cboDatabase->currentText().isEmpty());
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(WindowRunTest, LogOnListsTheTablesSortedUntickedWithTheFirstSelected) {
  LogOn();
  EXPECT_EQ(Captions(), (std::vector<QString>{"BONUS", "DEPT", "EMP", "emp_low"}));
  EXPECT_EQ(Ticks(), std::vector<bool>(4, false));
  QTreeWidgetItem* first = win->ListView->topLevelItem(0);
  EXPECT_EQ(win->ListView->currentItem(), first);
  EXPECT_TRUE(first->isSelected());
  EXPECT_TRUE(first->flags() & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(first->flags() & Qt::ItemIsEditable);

  // A user without tables: the list empties, Select All has nothing to do.
  LogOn("nobody", "nobody");
  EXPECT_EQ(win->ListView->topLevelItemCount(), 0);
  win->cbxSelectAll->setChecked(true);
  EXPECT_EQ(win->ListView->topLevelItemCount(), 0);
  EXPECT_EQ(win->ListView->currentItem(), nullptr);
}

TEST_F(WindowRunTest, SelectAllSetsEveryItemAndLogOnClearsItFirst) {
  LogOn();
  QTest::mouseClick(win->cbxSelectAll, Qt::LeftButton);
  ASSERT_TRUE(win->cbxSelectAll->isChecked());
  EXPECT_EQ(Ticks(), std::vector<bool>(4, true));
  QTest::mouseClick(win->cbxSelectAll, Qt::LeftButton);
  EXPECT_EQ(Ticks(), std::vector<bool>(4, false));

  // A single tick survives nothing: logging on again clears the box and
  // lists the tables afresh, unticked.
  win->cbxSelectAll->setChecked(true);
  LogOn();
  EXPECT_FALSE(win->cbxSelectAll->isChecked());
  EXPECT_EQ(Ticks(), std::vector<bool>(4, false));

  // A failed logon leaves the list as it was.
  Tick({"DEPT"});
  win->edtPassword->setText(QStringLiteral("wrong"));
  QTest::mouseClick(win->btnLogIn, Qt::LeftButton);
  EXPECT_EQ(win->StatusText(0), "Logged out");
  EXPECT_EQ(Captions().size(), 4u);
}

TEST_F(WindowRunTest, SpaceTogglesTheSelectedItemAndMovesDown) {
  LogOn();
  win->ListView->setFocus();
  QTest::keyClick(win->ListView, Qt::Key_Space);
  EXPECT_EQ(Ticks(), (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(win->ListView->currentItem(), win->ListView->topLevelItem(1));
  EXPECT_TRUE(win->ListView->topLevelItem(1)->isSelected());

  QTest::keyClick(win->ListView, Qt::Key_Space);
  QTest::keyClick(win->ListView, Qt::Key_Space);
  QTest::keyClick(win->ListView, Qt::Key_Space);
  // On the last item the tick is made and the selection stays.
  EXPECT_EQ(Ticks(), std::vector<bool>(4, true));
  EXPECT_EQ(win->ListView->currentItem(), win->ListView->topLevelItem(3));
  QTest::keyClick(win->ListView, Qt::Key_Space);
  EXPECT_EQ(Ticks(), (std::vector<bool>{true, true, true, false}));
  EXPECT_EQ(win->ListView->currentItem(), win->ListView->topLevelItem(3));

  // Other keys are the list's own: a letter neither ticks nor moves twice.
  win->ListView->setCurrentItem(win->ListView->topLevelItem(0));
  QTest::keyClick(win->ListView, Qt::Key_D);
  EXPECT_EQ(Ticks(), (std::vector<bool>{true, true, true, false}));
  EXPECT_EQ(win->ListView->currentItem(), win->ListView->topLevelItem(1));
}

// ------------------------------------------------------------------- runs

TEST_F(WindowRunTest, DropTablesIntoTheEditorOneStatementAndOneEmptyLinePerTickedTable) {
  LogOn();
  Tick({"EMP", "BONUS", "emp_low"});
  struct Case {
    bool cascade;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {false, {"DROP TABLE BONUS;", "", "DROP TABLE EMP;", "", "DROP TABLE \"emp_low\";", "", ""}},
      {true,
       {"DROP TABLE BONUS CASCADE CONSTRAINTS;", "", "DROP TABLE EMP CASCADE CONSTRAINTS;", "",
        "DROP TABLE \"emp_low\" CASCADE CONSTRAINTS;", "", ""}},
  };
  for (const Case& c : cases) {
    if (c.cascade)
      OnlyBoxes({tarlow::OptionBox::DropTables, tarlow::OptionBox::CascConstraints});
    else
      OnlyBoxes({tarlow::OptionBox::DropTables});

    QString statusDuring, captionDuring;
    win->mmoScript.Lines().Clear();  // so that the first line seen is this run's
    StoreWatch watch(win->mmoScript, [&](tarlow::TMemoSource& s) {
      if (statusDuring.isEmpty() && s.Lines().Count() > 0) {
        statusDuring = win->StatusText(0);
        captionDuring = win->btnScript->text();
      }
    });
    PressStartScript();

    EXPECT_EQ(StoreLines(), c.lines) << c.cascade;
    EXPECT_TRUE(ViewShowsStore());
    EXPECT_EQ(statusDuring, "Scripting...");
    EXPECT_EQ(captionDuring, "&Stop");
    EXPECT_EQ(win->StatusText(0), "Done");
    EXPECT_EQ(win->btnScript->text(), "&Start Script");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.savePrompts.empty());
  }
}

TEST_F(WindowRunTest, TheFileEqualsTarlowScriptsOutputForTheSameChoices) {
  LogOn();
  QTest::mouseClick(win->cbxSelectAll, Qt::LeftButton);
  win->cbxTextFile->setChecked(true);
  struct Case {
    const char* name;
    std::function<void()> window;
    std::vector<std::string> cli;
  };
  const Case cases[] = {
      {"the boxes at start", [] {}, {}},
      {"drop tables only", [&] { OnlyBoxes({tarlow::OptionBox::DropTables}); }, {"--only", "drop-tables"}},
      {"All and Data", [&] { Box(tarlow::OptionBox::All)->setChecked(true);
                             Box(tarlow::OptionBox::Data)->setChecked(true); },
       {"--all", "--with", "data"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    c.window();
    const std::string path = out + "/window" + std::to_string(n++) + ".sql";
    dialogs.saveAnswer = QString::fromStdString(path);
    PressStartScript();
    ASSERT_TRUE(dialogs.boxes.empty()) << c.name << ": " << dialogs.boxes[0].text.toStdString();
    EXPECT_EQ(win->StatusText(0), "Done") << c.name;

    const std::string file = ReadAll(path);
    EXPECT_EQ(file, CliScript(c.cli)) << c.name;
    // The editor holds the log of the run and nothing of the script.
    const std::vector<std::string> lines = StoreLines();
    ASSERT_FALSE(lines.empty()) << c.name;
    EXPECT_EQ(lines[0], "Writing Metadata for table: BONUS.") << c.name;
    for (const std::string& l : lines) EXPECT_EQ(l.rfind("Writing ", 0), 0u) << c.name << ": " << l;
    if (std::string(c.name) == "drop tables only") {
      EXPECT_EQ(file, tarlow::ScriptHeader() + "\r\n\r\nDROP TABLE BONUS;\r\n\r\nDROP TABLE DEPT;\r\n\r\nDROP TABLE EMP;\r\n\r\n"
                      "DROP TABLE \"emp_low\";\r\n\r\n");
    }
    if (std::string(c.name) == "All and Data") {
      EXPECT_NE(file.find("CREATE TABLE DEPT"), std::string::npos);
      EXPECT_NE(file.find("'ACCOUNTING'"), std::string::npos);
    }
  }
  EXPECT_EQ(dialogs.savePrompts.size(), 3u);
}

TEST_F(WindowRunTest, CancellingTheFilePromptStartsNothingAndKeepsTheScript) {
  LogOn();
  Tick({"DEPT"});
  OnlyBoxes({tarlow::OptionBox::DropTables});
  PressStartScript();
  const std::vector<std::string> script = StoreLines();
  ASSERT_EQ(script.front(), "DROP TABLE DEPT;");

  win->cbxTextFile->setChecked(true);
  dialogs.saveAnswer.reset();
  PressStartScript();
  EXPECT_EQ(dialogs.savePrompts.size(), 1u);
  EXPECT_EQ(StoreLines(), script);
  EXPECT_EQ(win->btnScript->text(), "&Start Script");
  EXPECT_EQ(win->StatusText(0), "Done");  // as the last run left it
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // A file that cannot be created: the error box, and still no run.
  dialogs.saveAnswer = QString::fromStdString(out + "/no/such/folder/s.sql");
  PressStartScript();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_TRUE(dialogs.boxes[0].text.startsWith("Cannot create file")) << dialogs.boxes[0].text.toStdString();
  EXPECT_EQ(StoreLines(), script);
  EXPECT_EQ(win->btnScript->text(), "&Start Script");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The second press arrives as a click that the run's message processing
// delivers, as a user's press would.
TEST_F(WindowRunTest, StopDuringAFileRunEndsAfterTheCurrentTable) {
  LogOn();
  QTest::mouseClick(win->cbxSelectAll, Qt::LeftButton);
  OnlyBoxes({tarlow::OptionBox::DropTables, tarlow::OptionBox::Tables, tarlow::OptionBox::Views,
             tarlow::OptionBox::Sequences});
  win->cbxTextFile->setChecked(true);
  const std::string path = out + "/stopped.sql";
  dialogs.saveAnswer = QString::fromStdString(path);

  bool pressed = false;
  StoreWatch watch(win->mmoScript, [&](tarlow::TMemoSource& s) {
    if (!pressed && HasLine(s, "Writing Metadata for table: DEPT.")) {
      pressed = true;
      QTimer::singleShot(0, win.get(), [this] { QTest::mouseClick(win->btnScript, Qt::LeftButton); });
    }
  });
  PressStartScript();

  ASSERT_TRUE(pressed);
  EXPECT_EQ(win->StatusText(0), "Aborted by user");
  EXPECT_EQ(win->btnScript->text(), "&Start Script");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // The stop neither asked for a file again nor closed the one being written.
  EXPECT_EQ(dialogs.savePrompts.size(), 1u);
  EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxes[0].text.toStdString();
  const std::string file = ReadAll(path);
  EXPECT_NE(file.find("DROP TABLE DEPT;"), std::string::npos) << file;
  EXPECT_NE(file.find("CREATE TABLE DEPT"), std::string::npos) << file;
  EXPECT_EQ(file.find("EMP"), std::string::npos) << file;
  EXPECT_EQ(StoreLines(),
            (std::vector<std::string>{"Writing Metadata for table: BONUS.", "Writing Metadata for table: DEPT."}));
}

TEST_F(WindowRunTest, PartsLeftOutAreToldInOneBoxAfterTheRun) {
  {
    auto c = ocisim::attachIn(dataDir_, "DEMO");
    std::string warning;
    c->logon("demo", "demo", &warning);
    c->prepare("REVOKE SELECT ON SYS.USER_TAB_COMMENTS FROM PUBLIC")->execute();
  }
  LogOn();
  Tick({"EMP", "DEPT"});
  OnlyBoxes({tarlow::OptionBox::Tables, tarlow::OptionBox::CreateTabComments});
  PressStartScript();
  {
    auto c = ocisim::attachIn(dataDir_, "DEMO");
    std::string warning;
    c->logon("demo", "demo", &warning);
    c->prepare("GRANT SELECT ON SYS.USER_TAB_COMMENTS TO PUBLIC")->execute();
  }
  EXPECT_EQ(win->StatusText(0), tarlow::kDonePartsLeftOutStatus);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Warning);
  EXPECT_NE(dialogs.boxes[0].text.toStdString().find(
                "table comments of DEPT, EMP: ORA-00942: table or view does not exist"),
            std::string::npos)
      << dialogs.boxes[0].text.toStdString();
  // The editor holds the script alone.
  for (const std::string& line : StoreLines()) EXPECT_EQ(line.find("Left out"), std::string::npos) << line;
  bool created = false;
  for (const std::string& line : StoreLines()) created = created || line.find("CREATE TABLE EMP") != std::string::npos;
  EXPECT_TRUE(created);
}

TEST_F(WindowRunTest, TwoRunsInARowEachStartFromAnEmptyEditor) {
  LogOn();
  Tick({"EMP"});
  OnlyBoxes({tarlow::OptionBox::DropTables, tarlow::OptionBox::Tables});
  PressStartScript();
  const std::vector<std::string> first = StoreLines();
  ASSERT_EQ(first.front(), "DROP TABLE EMP;");
  EXPECT_EQ(win->StatusText(0), "Done");

  PressStartScript();
  EXPECT_EQ(StoreLines(), first);
  EXPECT_TRUE(ViewShowsStore());
  EXPECT_EQ(win->StatusText(0), "Done");

  // Logging on again clears the script and its view.
  LogOn();
  EXPECT_EQ(win->mmoScript.Lines().Count(), 0);
  EXPECT_TRUE(ViewShowsStore());
  EXPECT_EQ(win->mmoScriptWindow->verticalScrollBar()->maximum(), 0);
}

// Keys typed into the view while the run fills it change nothing with
// Read Only ticked; the run's own lines still arrive.
TEST_F(WindowRunTest, ReadOnlyBlocksTypingWhileARunFillsTheScript) {
  LogOn();
  Tick({"EMP", "DEPT"});
  OnlyBoxes({tarlow::OptionBox::DropTables, tarlow::OptionBox::Tables});
  PressStartScript();
  const std::vector<std::string> expected = StoreLines();
  ASSERT_TRUE(win->cbxReadOnly->isChecked());

  int typed = 0;
  StoreWatch watch(win->mmoScript, [&](tarlow::TMemoSource& s) {
    if (s.Lines().Count() > 0 && typed < 3) {
      ++typed;
      QTest::keyClicks(win->mmoScriptWindow, QStringLiteral("z"));
      QTest::keyClick(win->mmoScriptWindow, Qt::Key_Return);
      QTest::keyClick(win->mmoScriptWindow, Qt::Key_V, Qt::ControlModifier);
    }
  });
  PressStartScript();
  EXPECT_EQ(typed, 3);
  EXPECT_EQ(StoreLines(), expected);
  EXPECT_TRUE(ViewShowsStore());
}

// The status bar's middle panel shows how far the run has come, and
// nothing once it has ended.
TEST_F(WindowRunTest, TheProgressBarShowsDuringARunOnly) {
  LogOn();
  Tick({"EMP", "DEPT"});
  OnlyBoxes({tarlow::OptionBox::Tables, tarlow::OptionBox::Views});
  EXPECT_FALSE(win->pbProgress->isVisible());
  std::vector<QString> seen;
  StoreWatch watch(win->mmoScript, [&](tarlow::TMemoSource&) {
    if (win->pbProgress->isVisible() && (seen.empty() || seen.back() != win->pbProgress->text()))
      seen.push_back(win->pbProgress->text());
  });
  PressStartScript();
  EXPECT_FALSE(win->pbProgress->isVisible());
  // Two tables and the views section: three steps; the tables write lines
  // while their step shows.
  ASSERT_GE(seen.size(), 2u);
  EXPECT_TRUE(seen[0] == "DEPT (1 of 3)" || seen[0] == "EMP (1 of 3)") << seen[0].toStdString();
  EXPECT_TRUE(seen[1] == "DEPT (2 of 3)" || seen[1] == "EMP (2 of 3)") << seen[1].toStdString();

  // While a table's rows are written the bar counts them.
  win->ShowProgress({2, 5, "EMP", 300});
  EXPECT_TRUE(win->pbProgress->isVisible());
  EXPECT_EQ(win->pbProgress->text(), "EMP: 300 rows (3 of 5)");
  win->EndProgress();
  EXPECT_FALSE(win->pbProgress->isVisible());
}

TEST_F(WindowRunTest, ClosingTheWindowDuringARunStopsTheRun) {
  LogOn();
  QTest::mouseClick(win->cbxSelectAll, Qt::LeftButton);
  OnlyBoxes({tarlow::OptionBox::DropTables});
  dialogs.answers = {mbYes};  // "Are you sure?"
  bool closed = false;
  StoreWatch watch(win->mmoScript, [&](tarlow::TMemoSource& s) {
    if (!closed && HasLine(s, "DROP TABLE BONUS;")) {
      closed = true;
      QTimer::singleShot(0, win.get(), [this] { win->close(); });
    }
  });
  PressStartScript();

  ASSERT_TRUE(closed);
  EXPECT_FALSE(win->isVisible());
  EXPECT_EQ(win->StatusText(0), "Aborted by user");
  EXPECT_EQ(win->btnScript->text(), "&Start Script");
  EXPECT_EQ(StoreLines(), (std::vector<std::string>{"DROP TABLE BONUS;", "", ""}));
}

// Presses that arrive while a run is on the stack below them.
TEST_F(WindowRunTest, APressAfterAPendingStopStartsNoSecondRunInsideTheFirst) {
  LogOn();
  QTest::mouseClick(win->cbxSelectAll, Qt::LeftButton);
  OnlyBoxes({tarlow::OptionBox::DropTables});
  bool pressed = false;
  StoreWatch watch(win->mmoScript, [&](tarlow::TMemoSource& s) {
    if (!pressed && HasLine(s, "DROP TABLE BONUS;")) {
      pressed = true;
      QTimer::singleShot(0, win.get(), [this] {
        QTest::mouseClick(win->btnScript, Qt::LeftButton);  // stop
        QTest::mouseClick(win->btnScript, Qt::LeftButton);  // before the run has noticed
      });
    }
  });
  PressStartScript();

  ASSERT_TRUE(pressed);
  EXPECT_EQ(StoreLines(), (std::vector<std::string>{"DROP TABLE BONUS;", "", ""}));
  EXPECT_EQ(win->StatusText(0), "Aborted by user");
  EXPECT_EQ(win->btnScript->text(), "&Start Script");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // The button works as before once the run has ended.
  PressStartScript();
  EXPECT_EQ(StoreLines().size(), 9u);
  EXPECT_EQ(win->StatusText(0), "Done");
}

TEST_F(WindowRunTest, LogInDuringARunStopsTheRunAndThenLogsOn) {
  LogOn();
  QTest::mouseClick(win->cbxSelectAll, Qt::LeftButton);
  OnlyBoxes({tarlow::OptionBox::DropTables, tarlow::OptionBox::Tables, tarlow::OptionBox::Indexes});
  bool pressed = false;
  StoreWatch watch(win->mmoScript, [&](tarlow::TMemoSource& s) {
    if (!pressed && HasLine(s, "DROP TABLE BONUS;")) {
      pressed = true;
      QTimer::singleShot(0, win.get(), [this] { QTest::mouseClick(win->btnLogIn, Qt::LeftButton); });
    }
  });
  PressStartScript();

  ASSERT_TRUE(pressed);
  EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxes[0].text.toStdString();
  EXPECT_EQ(win->StatusText(0), "Logged on");
  EXPECT_TRUE(win->OracleSession().Connected());
  EXPECT_EQ(win->btnScript->text(), "&Start Script");
  // The logon came after the run: it cleared the script and listed the
  // tables afresh, and nothing of the run came after it.
  EXPECT_EQ(win->mmoScript.Lines().Count(), 0);
  EXPECT_EQ(Ticks(), std::vector<bool>(4, false));
  EXPECT_TRUE(win->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
