// Sessions over the stand-in's older clients: an OCI7-only client, where
// the logon, its errors and warnings go through the older calls and logoff
// through ologof, and an 8.0 client, whose environment comes from
// OCIEnvInit after the process-wide OCIInitialize.
#include <gtest/gtest.h>

#include "oracle/errors.h"
#include "oracle/loader.h"
#include "oracle/session.h"
#include "support_access.h"

#ifdef TARLOW_HAVE_ENGINE
#include "engine/engine.h"

using namespace access_test;

namespace {

class OCI7SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetLoader();
    library_ = standInLibrary("_oci7");
    if (library_.empty()) GTEST_SKIP() << "the stand-in variant libocisim_oci7.so has not been built";
    ocisim::createDatabase(data_.path(), "ORCL");
    ocisim::addUser(data_.path(), "ORCL", "SCOTT", "tiger");
    oci::SetOCIDLL(library_);
    session_.SetLogonUsername("scott/tiger@ORCL");
  }
  void TearDown() override {
    try {
      session_.LogOff();
    } catch (...) {
    }
    resetLoader();
  }
  std::string library_;
  TempDir data_;
  ScopedEnv dataEnv_{"OCISIM_DATA", data_.path()};
  TOracleSession session_;
};

TEST_F(OCI7SessionTest, LogsOnAndOffWithoutOCI8) {
  int changes = 0;
  session_.OnChange = [&](TOracleSession&) { ++changes; };
  session_.LogOn();
  EXPECT_FALSE(oci::OCI8Available());
  EXPECT_TRUE(session_.Connected());
  EXPECT_FALSE(session_.OCI8Mode());
  EXPECT_EQ(session_.LogonUsername(), "scott");
  EXPECT_EQ(session_.LogonPassword(), "tiger");
  EXPECT_EQ(session_.LogonDatabase(), "ORCL");
  EXPECT_EQ(session_.EnvHandle(), nullptr);
  EXPECT_NO_THROW(session_.Commit());
  session_.LogOff();
  EXPECT_FALSE(session_.Connected());
  EXPECT_EQ(changes, 2);
}

TEST_F(OCI7SessionTest, AutoCommitActsOnTheConnection) {
  session_.SetAutoCommit(true);  // stored, applied at logon
  session_.LogOn();
  EXPECT_TRUE(session_.AutoCommit());
  EXPECT_NO_THROW(session_.SetAutoCommit(false));
  EXPECT_FALSE(session_.AutoCommit());
  EXPECT_NO_THROW(session_.Rollback());
}

TEST_F(OCI7SessionTest, ErrorsAndWarningsComeFromTheLogonDataArea) {
  session_.SetLogonPassword("wrong");  // the user field still says scott/tiger@ORCL
  session_.SetLogonUsername("scott");
  session_.SetLogonDatabase("ORCL");
  try {
    session_.LogOn();
    FAIL() << "the logon succeeded";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 1017);
    EXPECT_EQ(std::string(e.what()).rfind("ORA-01017", 0), 0u) << e.what();
  }
  EXPECT_FALSE(session_.Connected());

  ocisim::setUserStatus(data_.path(), "ORCL", "SCOTT", "EXPIRING");
  session_.SetLogonPassword("tiger");
  session_.LogOn();
  EXPECT_TRUE(session_.Connected());
  EXPECT_EQ(session_.LogonWarning().rfind("ORA-28002", 0), 0u) << session_.LogonWarning();
  EXPECT_EQ(session_.CurrentErrorCode(), 0);
}

TEST(OCI80Session, LogsOnWithTheOlderEnvironmentCall) {
  resetLoader();
  std::string library = standInLibrary("_oci80");
  if (library.empty()) GTEST_SKIP() << "the stand-in variant libocisim_oci80.so has not been built";
  TempDir data;
  ScopedEnv dataEnv("OCISIM_DATA", data.path());
  ocisim::createDatabase(data.path(), "ORCL");
  ocisim::addUser(data.path(), "ORCL", "SCOTT", "tiger");
  oci::SetOCIDLL(library);
  for (bool threadSafe : {false, true}) {
    TOracleSession session;
    session.SetThreadSafe(threadSafe);
    session.SetLogonUsername("scott/tiger@ORCL");
    session.LogOn();
    EXPECT_FALSE(oci::OCI81Available());
    EXPECT_TRUE(session.OCI8Mode());
    EXPECT_NE(session.EnvHandle(), nullptr);
    EXPECT_NO_THROW(session.Commit());
    session.LogOff();
    EXPECT_EQ(session.EnvHandle(), nullptr);
  }
  resetLoader();
}

}  // namespace
#endif  // TARLOW_HAVE_ENGINE
