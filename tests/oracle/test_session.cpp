// The session against the stand-in client library: logon in OCI8 and OCI7
// modes, old servers, logon warnings and errors, the events, logoff, and the
// session's own rules that need no library (connect strings, the number
// rule, property checks).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "oracle/errors.h"
#include "oracle/loader.h"
#include "oracle/session.h"
#include "platform/environment.h"
#include "platform/ui_hooks.h"
#include "support_access.h"

#ifdef TARLOW_HAVE_ENGINE
#include "engine/engine.h"
#endif

using namespace access_test;

namespace {

// ---- rules without a library ---------------------------------------------------

struct ConnectCase {
  const char* user;
  const char* password;
  const char* database;
  const char* connectString;
  const char* splitUser;
  const char* splitPassword;
  const char* splitDatabase;
};

TEST(SessionConnectString, JoinsAndSplitsTheThreeParts) {
  const ConnectCase cases[] = {
      {"scott", "tiger", "orcl", "scott/tiger@orcl", "scott", "tiger", "orcl"},
      {"scott/tiger@orcl", "", "", "scott/tiger@orcl", "scott", "tiger", "orcl"},
      {"scott/tiger", "", "", "scott/tiger", "scott", "tiger", ""},
      {"scott", "tiger", "", "scott/tiger", "scott", "tiger", ""},
      // A password holding "@" is cut there; the rest goes to the database.
      {"scott", "ti@ger", "orcl", "scott/ti@ger@orcl", "scott", "ti", "ger@orcl"},
      {"scott", "", "orcl", "scott@orcl", "scott", "", "orcl"},
      // user@database typed in the user field: the user is the part before "@".
      {"scott@orcl", "", "", "scott@orcl", "scott", "", "orcl"},
      {"", "", "orcl", "@orcl", "", "", "orcl"},
      {"scott", "tiger", "", "scott/tiger", "scott", "tiger", ""},
      {"scott/tiger@", "", "", "scott/tiger@", "scott", "tiger", ""},  // nothing after "@"
  };
  for (const auto& c : cases) {
    TOracleSession s;
    s.SetLogonUsername(c.user);
    s.SetLogonPassword(c.password);
    s.SetLogonDatabase(c.database);
    EXPECT_EQ(s.BuildConnectString(), c.connectString) << c.user << "|" << c.password << "|" << c.database;
    EXPECT_EQ(s.LogonUsername(), c.splitUser) << c.connectString;
    EXPECT_EQ(s.LogonPassword(), c.splitPassword) << c.connectString;
    EXPECT_EQ(s.LogonDatabase(), c.splitDatabase) << c.connectString;
  }
}

struct NumberCase {
  int precision, scale;
  bool forceText;
  int integerPrecision, floatPrecision;
  int type, size;
};

TEST(SessionNumberFetchType, FollowsTheNumberRule) {
  const NumberCase cases[] = {
      {1, 0, false, 0, 0, 3, 4},      {9, 0, false, 0, 0, 3, 4},    {10, 0, false, 0, 0, 4, 8},
      {5, -2, false, 0, 0, 3, 4},     {8, 2, false, 0, 0, 4, 8},    {0, -127, false, 0, 0, 4, 8},  // no precision
      {0, 0, false, 0, 0, 4, 8},      {12, 0, false, 12, 0, 3, 4},  {13, 0, false, 12, 0, 4, 8},
      {10, 0, false, 0, 8, 5, 12},    {10, 2, false, 0, 8, 5, 13},  {0, -127, false, 0, 8, 5, 173},
      {5, 0, true, 0, 0, 5, 7},       {5, 2, true, 0, 0, 5, 8},     {0, -127, true, 0, 0, 5, 173},
      {8, 0, false, 0, 8, 3, 4},
  };
  for (const auto& c : cases) {
    TOracleSession s;
    s.Preferences().SetIntegerPrecision(c.integerPrecision);
    s.Preferences().SetFloatPrecision(c.floatPrecision);
    auto r = s.NumberFetchType(c.precision, c.scale, c.forceText);
    EXPECT_EQ(r.Type, c.type) << c.precision << "," << c.scale << " text " << c.forceText;
    EXPECT_EQ(r.Size, c.size) << c.precision << "," << c.scale << " text " << c.forceText;
  }
}

TEST(SessionODBC, DetectedFromTheDatabaseOrTheUserAndWidensIntegers) {
  TOracleSession s;
  s.SetLogonDatabase("odbc:sales");
  EXPECT_TRUE(s.ODBCMode());
  EXPECT_EQ(s.NumberFetchType(10, 0, false).Type, 3);
  s.SetLogonDatabase("orcl");
  EXPECT_FALSE(s.ODBCMode());
  EXPECT_EQ(s.NumberFetchType(10, 0, false).Type, 4);
  s.SetLogonUsername("ODBC:dsn");
  EXPECT_TRUE(s.ODBCMode());
}

TEST(SessionErrors, MessagesAreCutTo1023Characters) {
  EOracleError e(std::string(2000, 'x'), 1);
  EXPECT_EQ(std::string(e.what()).size(), 1023u);
  EXPECT_EQ(e.ErrorCode(), 1);
  // Never in the middle of a character.
  std::string accented;
  for (int i = 0; i < 1100; ++i) accented += "\xC3\xA9";
  EXPECT_EQ(std::string(EOracleError(accented, 2).what()), accented.substr(0, 2 * 1023));
  EXPECT_EQ(std::string(EOracleError("ORA-00942: table or view does not exist", 942).what()),
            "ORA-00942: table or view does not exist");
}

TEST(SessionProperties, MeasurementsBeforeLogon) {
  TOracleSession s;
  s.SetBytesPerCharacter(bcAutoDetect);
  EXPECT_EQ(s.BytesPerChar(), 1);
  EXPECT_EQ(s.MaxStringSize(), 4000);
  EXPECT_EQ(s.DateFormatLength(), 40);
  s.SetBytesPerCharacter(bc3Bytes);
  EXPECT_EQ(s.BytesPerChar(), 3);
  EXPECT_EQ(s.MaxStringSize(), 1333);
  // Commit and rollback do nothing without a connection.
  EXPECT_NO_THROW(s.Commit());
  EXPECT_NO_THROW(s.Rollback());
  EXPECT_THROW(
      {
        try {
          (void)s.ExternalSVC();
        } catch (const EOracleException& e) {
          EXPECT_STREQ(e.what(), "ExternalSVC only valid when connected through OCI8");
          throw;
        }
      },
      EOracleException);
  EXPECT_THROW(
      {
        try {
          (void)s.ExternalLDA();
        } catch (const EOracleException& e) {
          EXPECT_STREQ(e.what(), "ExternalLDA only valid when connected through OCI7");
          throw;
        }
      },
      EOracleException);
}

TEST(SessionList, SessionsAddAndRemoveThemselves) {
  auto before = TOracleSession::Sessions().size();
  {
    TOracleSession a, b;
    auto list = TOracleSession::Sessions();
    EXPECT_EQ(list.size(), before + 2);
    EXPECT_NE(std::find(list.begin(), list.end(), &a), list.end());
  }
  EXPECT_EQ(TOracleSession::Sessions().size(), before);
}

// ---- against the stand-in ----------------------------------------------------------

#ifdef TARLOW_HAVE_ENGINE

struct RecordingHooks : platform::UiHooks {
  std::vector<platform::ScreenCursor> shown;
  void setScreenCursor(platform::ScreenCursor c) override {
    shown.push_back(c);
    platform::UiHooks::setScreenCursor(c);
  }
};

// A closable object attached to a session, recording what happens to it.
struct Client : TOracleSessionClient {
  Client(std::vector<std::string>& log, std::string name) : log(log), name(std::move(name)) {}
  void Close() override { log.push_back("close " + name); }
  void SessionDestroyed() override { log.push_back("gone " + name); }
  std::vector<std::string>& log;
  std::string name;
};

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetLoader();
    library_ = standInLibrary();
    if (library_.empty()) GTEST_SKIP() << "the stand-in client library (target sim_all) has not been built";
    ocisim::createDatabase(data_.path(), "ORCL");
    ocisim::addUser(data_.path(), "ORCL", "SCOTT", "tiger");
    oci::SetOCIDLL(library_);
    session_.SetLogonDatabase("ORCL");
    session_.SetLogonUsername("scott");
    session_.SetLogonPassword("tiger");
    session_.BeforeLogOn = [this](TOracleSession&) { events_.push_back("BeforeLogOn"); };
    session_.AfterLogOn = [this](TOracleSession& s) {
      events_.push_back(std::string("AfterLogOn ") + (s.Connected() ? "connected" : "disconnected"));
    };
    session_.OnChange = [this](TOracleSession& s) {
      events_.push_back(std::string("OnChange ") + (s.Connected() ? "connected" : "disconnected"));
    };
  }
  void TearDown() override {
    try {
      session_.LogOff();
    } catch (...) {
    }
    TOracleSession::SetInternalQueryFactory(nullptr);
    resetLoader();
  }

  // Logs on expecting an Oracle error; returns it.
  EOracleError logonError() {
    try {
      session_.LogOn();
    } catch (const EOracleError& e) {
      return e;
    }
    ADD_FAILURE() << "the logon succeeded";
    return EOracleError("", 0);
  }

  std::string library_;
  TempDir data_;
  ScopedEnv dataEnv_{"OCISIM_DATA", data_.path()};
  TOracleSession session_;
  std::vector<std::string> events_;
};

TEST_F(SessionTest, LogsOnInOCI8ModeAndOff) {
  RecordingHooks hooks;
  platform::installUiHooks(&hooks);
  session_.SetConnected(true);
  platform::installUiHooks(nullptr);
  EXPECT_TRUE(session_.Connected());
  EXPECT_TRUE(session_.OCI8Mode());
  EXPECT_FALSE(session_.LdaFromSvc());
  EXPECT_NE(session_.SvcHandle(), nullptr);
  EXPECT_NE(session_.EnvHandle(), nullptr);
  EXPECT_EQ(session_.LogonWarning(), "");
  EXPECT_EQ(events_, (std::vector<std::string>{"BeforeLogOn", "AfterLogOn connected", "OnChange connected"}));
  // The busy cursor was shown and put back each time.
  ASSERT_FALSE(hooks.shown.empty());
  EXPECT_EQ(hooks.shown.front(), crHourGlass);
  EXPECT_EQ(hooks.shown.back(), crDefault);

  session_.SetConnected(true);  // unchanged: nothing happens
  EXPECT_EQ(events_.size(), 3u);
  EXPECT_NO_THROW(session_.Commit());
  EXPECT_NO_THROW(session_.Rollback());

  session_.SetConnected(false);
  EXPECT_FALSE(session_.Connected());
  EXPECT_EQ(session_.EnvHandle(), nullptr);
  EXPECT_FALSE(session_.ServerAttached());
  EXPECT_EQ(events_.back(), "OnChange disconnected");
  session_.SetConnected(false);
  EXPECT_EQ(events_.size(), 4u);

  // And on again: the session is reusable.
  session_.LogOn();
  EXPECT_TRUE(session_.Connected());
}

TEST_F(SessionTest, UseOCI7LogsOnThroughTheOlderCalls) {
  session_.Preferences().SetUseOCI7(true);
  session_.LogOn();
  EXPECT_TRUE(session_.Connected());
  EXPECT_FALSE(session_.OCI8Mode());
  EXPECT_EQ(session_.EnvHandle(), nullptr);
  EXPECT_EQ(session_.MaxStringSize(), 2000);
  EXPECT_NO_THROW(session_.Commit());
  session_.LogOff();
  EXPECT_FALSE(session_.Connected());
}

TEST_F(SessionTest, PropertiesThatCannotChangeWhileConnected) {
  session_.LogOn();
  struct {
    std::function<void()> change;
    const char* message;
  } const cases[] = {
      {[&] { session_.Preferences().SetUseOCI7(true); }, "Cannot change UseOCI7 property when session is connected"},
      {[&] { session_.Preferences().SetConvertCRLF(false); },
       "Cannot change ConvertCRLF property when session is connected"},
      {[&] { session_.SetThreadSafe(true); }, "Cannot change ThreadSafe property when connected"},
      {[&] { session_.SetPooling(spMTS); }, "Cannot change Pooling property when connected"},
      {[&] { session_.SetMTSOptions(0); }, "Cannot change MTSOptions property when connected"},
  };
  for (const auto& c : cases) {
    try {
      c.change();
      ADD_FAILURE() << "no error for: " << c.message;
    } catch (const EOracleException& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  // Setting the value it already has is no change.
  EXPECT_NO_THROW(session_.Preferences().SetUseOCI7(false));
  EXPECT_FALSE(session_.Preferences().UseOCI7());
}

struct BannerCase {
  const char* banner;
  bool oci8;
};

TEST_F(SessionTest, OnlyAServerOlderThanRelease8IsDrivenThroughOCI7) {
  const BannerCase cases[] = {
      {"Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production", true},
      {"Oracle Database 23ai Free Release 23.0.0.0.0 - Develop, Version 23.4.0.24.05", true},
      {"Oracle Database 10g Enterprise Edition Release 10.2.0.4.0 - 64bit Production", true},
      {"Oracle8i Enterprise Edition Release 8.1.7.0.0 - Production", true},
      {"Oracle9i Enterprise Edition Release 9.2.0.1.0 - Production", true},
      {"Oracle7 Server Release 7.3.4.0.0 - Production", false},
      {"Personal Oracle7 Release 7.3.2.2.0 - Production Release", false},
      {"Oracle7 Server", false},
      {"Some other server", true},
  };
  for (const auto& c : cases) {
    ocisim::setVersionBanner(data_.path(), "ORCL", c.banner);
    session_.LogOn();
    EXPECT_TRUE(session_.Connected()) << c.banner;
    EXPECT_EQ(session_.OCI8Mode(), c.oci8) << c.banner;
    EXPECT_EQ(session_.LdaFromSvc(), !c.oci8) << c.banner;
    // An old server's session is converted back and ended through OCI8.
    session_.LogOff();
    EXPECT_FALSE(session_.Connected()) << c.banner;
    EXPECT_TRUE(session_.OCI8Mode()) << c.banner;
    EXPECT_FALSE(session_.LdaFromSvc()) << c.banner;
    EXPECT_EQ(session_.EnvHandle(), nullptr) << c.banner;
  }
}

TEST_F(SessionTest, WrongPasswordRaisesTheServersErrorAndStillFiresTheEvents) {
  for (bool oci7 : {false, true}) {
    events_.clear();
    session_.Preferences().SetUseOCI7(oci7);
    session_.SetLogonPassword("wrong");
    EOracleError e = logonError();
    EXPECT_EQ(std::string(e.what()).substr(0, 10), "ORA-01017:") << "OCI7 " << oci7;
    EXPECT_EQ(e.ErrorCode(), 1017) << "OCI7 " << oci7;
    EXPECT_FALSE(session_.Connected());
    EXPECT_EQ(events_,
              (std::vector<std::string>{"BeforeLogOn", "AfterLogOn disconnected", "OnChange disconnected"}));
    // The right password works on the same session afterwards.
    session_.SetLogonPassword("tiger");
    session_.LogOn();
    EXPECT_TRUE(session_.Connected());
    session_.LogOff();
  }
}

struct LogonErrorCase {
  const char* what;
  std::function<void(const std::string& data, TOracleSession&)> arrange;
  int code;
  const char* start;
};

TEST_F(SessionTest, LogonErrorsCarryOraclesNumberAndText) {
  const LogonErrorCase cases[] = {
      {"unknown database", [](const std::string&, TOracleSession& s) { s.SetLogonDatabase("NOSUCHDB"); }, 12154,
       "ORA-12154: TNS:could not resolve the connect identifier specified"},
      {"locked account",
       [](const std::string& data, TOracleSession&) { ocisim::setUserStatus(data, "ORCL", "SCOTT", "LOCKED"); },
       28000, "ORA-28000"},
      {"unknown user", [](const std::string&, TOracleSession& s) { s.SetLogonUsername("nobody"); }, 1017,
       "ORA-01017"},
  };
  for (const auto& c : cases) {
    TOracleSession s;
    s.SetLogonDatabase("ORCL");
    s.SetLogonUsername("scott");
    s.SetLogonPassword("tiger");
    c.arrange(data_.path(), s);
    try {
      s.LogOn();
      ADD_FAILURE() << c.what << ": the logon succeeded";
    } catch (const EOracleError& e) {
      EXPECT_EQ(e.ErrorCode(), c.code) << c.what;
      EXPECT_EQ(std::string(e.what()).rfind(c.start, 0), 0u) << c.what << ": " << e.what();
    }
    EXPECT_FALSE(s.Connected()) << c.what;
  }
}

TEST_F(SessionTest, AnExpiringPasswordWarnsButLogsOn) {
  ocisim::setUserStatus(data_.path(), "ORCL", "SCOTT", "EXPIRING");
  for (bool oci7 : {false, true}) {
    session_.Preferences().SetUseOCI7(oci7);
    EXPECT_NO_THROW(session_.LogOn()) << "OCI7 " << oci7;
    EXPECT_TRUE(session_.Connected());
    EXPECT_EQ(session_.LogonWarning().rfind("ORA-28002", 0), 0u) << session_.LogonWarning();
    EXPECT_EQ(session_.CurrentErrorCode(), 0);
    session_.LogOff();
  }
  // An old server with an expiring password still switches to OCI7 mode.
  ocisim::setVersionBanner(data_.path(), "ORCL", "Oracle7 Server Release 7.3.4.0.0 - Production");
  session_.Preferences().SetUseOCI7(false);
  session_.LogOn();
  EXPECT_FALSE(session_.OCI8Mode());
  EXPECT_EQ(session_.LogonWarning().rfind("ORA-28002", 0), 0u);
}

TEST_F(SessionTest, AClientLibraryThatCannotLoadRaisesThePlainInitialisationError) {
  resetLoader();
  oci::SetOCIDLL(data_ / "missing/libclntsh.so");
  try {
    session_.LogOn();
    FAIL() << "the logon succeeded";
  } catch (const EOracleError& e) {
    FAIL() << "an Oracle error: " << e.what();
  } catch (const EOracleException& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Initialization error\r\nCould not load \"", 0), 0u) << e.what();
  }
  EXPECT_FALSE(session_.Connected());
  EXPECT_EQ(events_, (std::vector<std::string>{"BeforeLogOn", "AfterLogOn disconnected", "OnChange disconnected"}));
}

TEST_F(SessionTest, ODBCLoadsTheBareLibraryNameAndNeverUsesOCI8) {
  resetLoader();
  session_.SetLogonDatabase("ODBC:sales");
  EXPECT_THROW(session_.LogOn(), EOracleException);  // no libclntsh.so on the search path here
  EXPECT_EQ(oci::OCIDLL(), "libclntsh.so");
}

TEST_F(SessionTest, LogoffClosesAttachedQueriesThenDataSetsLastFirst) {
  std::vector<std::string> log;
  Client q1(log, "q1"), q2(log, "q2"), d1(log, "d1"), d2(log, "d2");
  auto* s = new TOracleSession;
  s->SetLogonDatabase("ORCL");
  s->SetLogonUsername("scott");
  s->SetLogonPassword("tiger");
  s->AttachQuery(&q1);
  s->AttachDataSet(&d1);
  s->AttachQuery(&q2);
  s->AttachDataSet(&d2);
  s->LogOff();  // not connected: nothing to close
  EXPECT_TRUE(log.empty());
  s->LogOn();
  s->LogOff();
  EXPECT_EQ(log, (std::vector<std::string>{"close q2", "close q1", "close d2", "close d1"}));
  log.clear();
  s->DetachQuery(&q1);
  delete s;
  EXPECT_EQ(log, (std::vector<std::string>{"gone q2", "gone d1", "gone d2"}));
}

// A stand-in for the query layer that records statements and answers probes.
struct FakeQuery : TOracleInternalQuery {
  FakeQuery(std::vector<std::string>& log, std::string name) : log(log), name(std::move(name)) {}
  void SetSQL(const std::string& sql) override { this->sql = sql; }
  void Execute() override {
    log.push_back(name + ": " + sql);
    if (sql.find("fail") != std::string::npos) throw EOracleError("ORA-00900: invalid SQL statement", 900);
    row = 0;
  }
  bool Eof() override { return row >= 12; }
  void Next() override { ++row; }
  long long FieldAsInteger(int) override { return 2; }
  std::string FieldAsString(int) override { return row == 4 ? "10-SEPTEMBER-99" : "10-MAY-99"; }
  std::vector<std::string>& log;
  std::string name, sql;
  int row = 0;
};

TEST_F(SessionTest, SessionSettingsRunAtLogonThroughTheQueryLayer) {
  std::vector<std::string> log;
  TOracleSession::SetInternalQueryFactory([&](TOracleSession&, const std::string& name) {
    return std::make_unique<FakeQuery>(log, name);
  });
  session_.SetSQLTrace(stTrue);  // disconnected: stored only
  session_.SetOptimizerGoal(ogFirstRows);
  EXPECT_TRUE(log.empty());
  session_.LogOn();
  EXPECT_EQ(log, (std::vector<std::string>{"Query: alter session set sql_trace = true",
                                           "Query: alter session set optimizer_goal = first_rows"}));
  session_.SetIsolationLevel(ilSerializable);
  EXPECT_EQ(log.back(), "Query: alter session set isolation_level = serializable");
  EXPECT_EQ(session_.IsolationLevel(), ilSerializable);

  session_.SetBytesPerCharacter(bcAutoDetect);
  EXPECT_EQ(session_.BytesPerChar(), 2);
  EXPECT_EQ(log.back(), "BytesPerCharacterQuery: select length(chr(2000000000)) from dual");
  EXPECT_EQ(session_.MaxStringSize(), 2000);
  EXPECT_EQ(session_.DateFormatLength(), 15);
  EXPECT_EQ(log.back().rfind("DateFormatLengthQuery: select to_char(to_date('10-1-1999 10:10:10'", 0), 0u);
  EXPECT_NE(log.back().find("union all\nselect to_char(to_date('10-12-1999 10:10:10', 'dd-mm-yyyy hh24:mi:ss')) "
                            "from dual"),
            std::string::npos);
  auto probes = log.size();
  EXPECT_EQ(session_.DateFormatLength(), 15);  // cached
  EXPECT_EQ(session_.BytesPerChar(), 2);
  EXPECT_EQ(log.size(), probes);

  // Errors of the session's own statements pass to the caller.
  EXPECT_THROW(session_.ExecuteInternal("fail", false), EOracleError);
  session_.LogOff();
  EXPECT_EQ(session_.BytesPerChar(), 1);  // forgotten at logoff; not connected now
}

TEST_F(SessionTest, ASharedConnectionIsBorrowedAndLeftRunning) {
  session_.LogOn();
  TOracleSession borrower;
  borrower.SetExternalSVC(session_.ExternalSVC());
  EXPECT_TRUE(borrower.Connected());
  EXPECT_TRUE(borrower.Shared());
  EXPECT_TRUE(borrower.OCI8Mode());
  EXPECT_EQ(borrower.SvcHandle(), session_.SvcHandle());
  EXPECT_EQ(borrower.EnvHandle(), session_.EnvHandle());
  EXPECT_NE(borrower.ErrorHandle(), session_.ErrorHandle());
  EXPECT_NO_THROW(borrower.Commit());
  borrower.LogOff();
  EXPECT_FALSE(borrower.Shared());
  EXPECT_EQ(borrower.SvcHandle(), nullptr);
  // The lender's connection is untouched.
  EXPECT_TRUE(session_.Connected());
  EXPECT_NO_THROW(session_.Commit());

  TOracleSession oci7;
  oci7.Preferences().SetUseOCI7(true);
  try {
    oci7.SetExternalSVC(session_.ExternalSVC());
    ADD_FAILURE() << "an OCI7 session borrowed an OCI8 connection";
  } catch (const EOracleException& e) {
    EXPECT_STREQ(e.what(), "ExternalSVC only valid with OCI8");
  }
}

TEST_F(SessionTest, ASharedOCI7LogonDataArea) {
  session_.Preferences().SetUseOCI7(true);
  session_.LogOn();
  TOracleSession borrower;
  borrower.SetExternalLDA(session_.ExternalLDA());
  EXPECT_TRUE(borrower.Connected());
  EXPECT_FALSE(borrower.OCI8Mode());
  EXPECT_EQ(borrower.Lda(), session_.Lda());
  EXPECT_NO_THROW(borrower.Commit());
  borrower.SetExternalLDA(nullptr);
  EXPECT_FALSE(borrower.Connected());
  EXPECT_TRUE(session_.Connected());
  EXPECT_NO_THROW(session_.Commit());
}

TEST_F(SessionTest, ProgramEndLogsEverySessionOffAndUnloads) {
  session_.LogOn();
  TOracleSession other;
  other.SetLogonDatabase("ORCL");
  other.SetLogonUsername("scott/tiger");
  other.LogOn();
  TOracleSession::ProgramEnd();
  EXPECT_FALSE(session_.Connected());
  EXPECT_FALSE(other.Connected());
  EXPECT_FALSE(oci::OCILoaded());
}

#endif  // TARLOW_HAVE_ENGINE

}  // namespace
