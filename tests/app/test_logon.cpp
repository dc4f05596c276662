// Log In through the real loader and the stand-in client library: the
// states the window ends in and the texts of the failure boxes.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <string>

#include "app/frmmain.h"
#include "engine/engine.h"
#include "oracle/loader.h"
#include "oracle/session.h"
#include "platform/environment.h"
#include "support_app.h"

namespace {

const std::string kLibrary = std::string(TARLOW_LIB_DIR) + "/libocisim.so";

class WindowLogonTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dataDir_ = MakeTempDir("tarlow_logon_");
    setenv("OCISIM_DATA", dataDir_.c_str(), 1);
    ocisim::createDatabase(dataDir_, "DEMO");
    ocisim::addUser(dataDir_, "DEMO", "demo", "demo");
    ocisim::addUser(dataDir_, "DEMO", "locked", "locked");
    ocisim::setUserStatus(dataDir_, "DEMO", "locked", "LOCKED");
    ocisim::addUser(dataDir_, "DEMO", "expiring", "expiring");
    ocisim::setUserStatus(dataDir_, "DEMO", "expiring", "EXPIRING");
  }

  void SetUp() override {
    if (access(kLibrary.c_str(), R_OK) != 0)
      GTEST_SKIP() << "the stand-in client library " << kLibrary << " is not built (target sim_all)";
    oci::ResetLoader();
    // The way the program is started: OCIDLL= on the command line.
    platform::setCommandLine({"OCIDLL=" + kLibrary});
    win = std::make_unique<TfrmMain>(&dialogs);
    win->show();
    win->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(win.get()));
  }
  void TearDown() override {
    win.reset();
    oci::ResetLoader();
    platform::setCommandLine(std::vector<std::string>{});
  }

  void Type(const QString& database, const QString& user, const QString& password) {
    win->cboDatabase->setEditText(database);
    win->edtUserName->setText(user);
    win->edtPassword->setText(password);
  }
  void PressLogIn() {
    QTest::mouseClick(win->btnLogIn, Qt::LeftButton);
  }
  // The five controls that only a logon enables.
  void ExpectLoggedOnControls(bool enabled) {
    EXPECT_EQ(win->btnScript->isEnabled(), enabled);
    EXPECT_EQ(win->btnSave->isEnabled(), enabled);
    EXPECT_EQ(win->btnSearch->isEnabled(), enabled);
    EXPECT_EQ(win->cbxReadOnly->isEnabled(), enabled);
    EXPECT_EQ(win->cbxSelectAll->isEnabled(), enabled);
    // Replace follows the Read Only box, never Log In.
    EXPECT_FALSE(win->btnReplace->isEnabled());
  }

  static std::string dataDir_;
  FakeDialogs dialogs;
  std::unique_ptr<TfrmMain> win;
};
std::string WindowLogonTest::dataDir_;

TEST_F(WindowLogonTest, SuccessfulLogonEnablesTheLoggedOnControls) {
  Type("DEMO", "demo", "demo");

  // While the logon runs the window is disabled and says so.
  QString statusDuring;
  bool enabledDuring = true;
  Qt::CursorShape cursorDuring = Qt::ArrowCursor;
  win->OracleSession().BeforeLogOn = [&](TOracleSession&) {
    statusDuring = win->StatusText(0);
    enabledDuring = win->isEnabled();
    cursorDuring = win->cursor().shape();
  };
  PressLogIn();

  EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxes[0].text.toStdString();
  EXPECT_EQ(statusDuring, "Logging on...");
  EXPECT_FALSE(enabledDuring);
  EXPECT_EQ(cursorDuring, Qt::WaitCursor);

  EXPECT_TRUE(win->OracleSession().Connected());
  EXPECT_EQ(win->StatusText(0), "Logged on");
  EXPECT_TRUE(win->isEnabled());
  EXPECT_NE(win->cursor().shape(), Qt::WaitCursor);
  ExpectLoggedOnControls(true);
}

TEST_F(WindowLogonTest, DatabaseNameIsTrimmedAndUserAndPasswordAreTakenAsTyped) {
  Type("  DEMO  ", "demo", "demo");
  PressLogIn();
  EXPECT_EQ(win->OracleSession().LogonDatabase(), "DEMO");
  EXPECT_EQ(win->StatusText(0), "Logged on");

  Type("DEMO", "demo", " demo");
  PressLogIn();
  EXPECT_EQ(win->OracleSession().LogonPassword(), " demo");
  EXPECT_EQ(win->StatusText(0), "Logged out");
}

TEST_F(WindowLogonTest, PasswordAboutToExpireStillLogsOn) {
  Type("DEMO", "expiring", "expiring");
  PressLogIn();
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_EQ(win->StatusText(0), "Logged on");
}

struct FailureCase {
  const char* title;
  const char* database;
  const char* user;
  const char* password;
  const char* shown;  // the box's text
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.title; }

class WindowLogonFailureTest : public WindowLogonTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(WindowLogonFailureTest, ShowsTheServerTextAndStaysLoggedOut) {
  const FailureCase& c = GetParam();
  Type(c.database, c.user, c.password);
  win->edtPassword->setFocus();
  PressLogIn();

  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text.toStdString(), c.shown);
  EXPECT_TRUE(dialogs.boxes[0].detail.isEmpty());
  EXPECT_EQ(dialogs.boxes[0].buttons, mbOK);
  EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Error);
  EXPECT_FALSE(win->OracleSession().Connected());
  EXPECT_EQ(win->StatusText(0), "Logged out");
  EXPECT_TRUE(win->isEnabled());
  ExpectLoggedOnControls(false);
}

INSTANTIATE_TEST_SUITE_P(
    Window, WindowLogonFailureTest,
    ::testing::Values(
        FailureCase{"WrongPassword", "DEMO", "demo", "wrong",
                    "Oracle Log On Error:\r\n\r\ninvalid username/password; logon denied"},
        FailureCase{"UnknownUser", "DEMO", "nobody", "demo",
                    "Oracle Log On Error:\r\n\r\ninvalid username/password; logon denied"},
        FailureCase{"UnknownDatabase", "NOSUCHDB", "demo", "demo",
                    "Oracle Log On Error:\r\n\r\nTNS:could not resolve the connect identifier "
                    "specified"},
        FailureCase{"LockedAccount", "DEMO", "locked", "locked",
                    "Oracle Log On Error:\r\n\r\nthe account is locked"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.title); });

TEST_F(WindowLogonTest, FailedLogonPutsTheFocusBackForRetyping) {
  Type("DEMO", "demo", "wrong");
  win->edtPassword->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), win->edtPassword);
  QTest::keyClick(win->edtPassword, Qt::Key_Return);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(QApplication::focusWidget(), win->edtPassword);

  // Pressed with the mouse, the button keeps the focus it took.
  PressLogIn();
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(QApplication::focusWidget(), win->btnLogIn);
}

TEST_F(WindowLogonTest, AFailedLogonAfterASuccessfulOneLogsOffAndDisablesAgain) {
  Type("DEMO", "demo", "demo");
  PressLogIn();
  ASSERT_EQ(win->StatusText(0), "Logged on");

  Type("DEMO", "demo", "wrong");
  PressLogIn();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_FALSE(win->OracleSession().Connected());
  EXPECT_EQ(win->StatusText(0), "Logged out");
  ExpectLoggedOnControls(false);

  // And logging on again works.
  Type("DEMO", "demo", "demo");
  PressLogIn();
  EXPECT_EQ(win->StatusText(0), "Logged on");
  ExpectLoggedOnControls(true);
}

// With a field empty nothing is attempted.  The session has been logged off
// by then, so the window says "Logged out" rather than keep a stale
// "Logged on".
TEST_F(WindowLogonTest, EmptyUserOrPasswordAttemptsNoLogonAndLeavesTheWindowLoggedOut) {
  Type("DEMO", "demo", "demo");
  PressLogIn();
  ASSERT_TRUE(win->OracleSession().Connected());

  for (auto [user, password] : {std::pair<const char*, const char*>{"demo", ""}, {"", "demo"}}) {
    SCOPED_TRACE(std::string(user) + "/" + password);
    int attempts = 0;
    win->OracleSession().BeforeLogOn = [&](TOracleSession&) { ++attempts; };
    win->cbxSelectAll->setChecked(true);
    Type("DEMO", user, password);
    PressLogIn();
    EXPECT_EQ(attempts, 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(win->OracleSession().Connected());
    EXPECT_FALSE(win->cbxSelectAll->isChecked());
    EXPECT_EQ(win->StatusText(0), "Logged out");
    ExpectLoggedOnControls(false);
    EXPECT_TRUE(win->isEnabled());
  }
}

TEST_F(WindowLogonTest, EnterInALogonFieldPressesLogIn) {
  Type("DEMO", "demo", "demo");
  win->edtPassword->setFocus();
  QTest::keyClick(win->edtPassword, Qt::Key_Return);
  EXPECT_EQ(win->StatusText(0), "Logged on");

  // Enter elsewhere does not.
  Type("DEMO", "demo", "wrong");
  win->cbxTables->setFocus();
  QTest::keyClick(win->cbxTables, Qt::Key_Return);
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_EQ(win->StatusText(0), "Logged on");
}

// A client library that cannot be loaded has no Oracle text: the box says
// "Unable to Log On." and the loader's log goes to the details.
TEST_F(WindowLogonTest, UnloadableClientLibraryShowsUnableToLogOnWithTheLoadersLog) {
  const std::string missing = dataDir_ + "/no-such-dir/libclntsh.so";
  oci::ResetLoader();
  platform::setCommandLine({"OCIDLL=" + missing});
  Type("DEMO", "demo", "demo");
  PressLogIn();

  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Unable to Log On.");
  EXPECT_TRUE(dialogs.boxes[0].detail.startsWith("Initialization error"))
      << dialogs.boxes[0].detail.toStdString();
  EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Error);
  EXPECT_EQ(win->StatusText(0), "Logged out");
  ExpectLoggedOnControls(false);
}

}  // namespace
