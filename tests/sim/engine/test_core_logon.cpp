// Databases, users and logon: what the client library's session calls rely on.
#include <sqlite3.h>
#include <stdlib.h>

#include <fstream>

#include "core_fixture.h"

namespace ocisim::testing {
namespace {

class LogonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ocisim_logon_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    createDatabase(dir_, "Orcl");
    addUser(dir_, "ORCL", "Demo", "Secret");
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  int logonCode(const std::string& user, const std::string& password, std::string* warning = nullptr) {
    auto c = attachIn(dir_, "orcl");
    std::string w;
    try {
      int rc = c->logon(user, password, &w);
      if (warning) *warning = w;
      return rc;
    } catch (const OraError& e) {
      if (warning) *warning = e.what();
      return e.code();
    }
  }
  std::string dir_;
};

TEST_F(LogonTest, UserNamesIgnoreCasePasswordsDoNot) {
  struct Case { const char* user; const char* password; int code; } cases[] = {
      {"DEMO", "Secret", 0}, {"demo", "Secret", 0}, {"Demo", "Secret", 0},
      {"DEMO", "secret", 1017}, {"DEMO", "SECRET", 1017}, {"NOBODY", "Secret", 1017},
      {"DEMO", "", 1017}, {"", "", 1017},
  };
  for (const Case& c : cases) {
    std::string text;
    EXPECT_EQ(logonCode(c.user, c.password, &text), c.code) << c.user << "/" << c.password;
    if (c.code == 1017) {
      EXPECT_EQ(text, "ORA-01017: invalid username/password; logon denied");
    }
  }
}

TEST_F(LogonTest, AccountStates) {
  std::string text;
  setUserStatus(dir_, "orcl", "demo", "LOCKED");
  EXPECT_EQ(logonCode("demo", "Secret", &text), 28000);
  EXPECT_EQ(text, "ORA-28000: the account is locked");
  // A wrong password on a locked account is still a wrong password.
  EXPECT_EQ(logonCode("demo", "wrong"), 1017);

  setUserStatus(dir_, "orcl", "demo", "EXPIRING");
  EXPECT_EQ(logonCode("demo", "Secret", &text), 28002);
  EXPECT_EQ(text, "ORA-28002: the password will expire within 7 days");

  setUserStatus(dir_, "orcl", "demo", "OPEN");
  EXPECT_EQ(logonCode("demo", "Secret", &text), 0);
  EXPECT_EQ(text, "");

  EXPECT_THROW(setUserStatus(dir_, "orcl", "nobody", "OPEN"), OraError);
  EXPECT_THROW(setUserStatus(dir_, "orcl", "demo", "SLEEPING"), OraError);
}

TEST_F(LogonTest, UnknownServiceNames) {
  for (const char* name : {"NOSUCH", "", "../ORCL", "a/b"}) {
    try {
      attachIn(dir_, name);
      ADD_FAILURE() << name;
    } catch (const OraError& e) {
      EXPECT_EQ(e.code(), 12154) << name;
      EXPECT_STREQ(e.what(), "ORA-12154: TNS:could not resolve the connect identifier specified");
    }
  }
}

// A database file that is there but cannot be read is the server's trouble,
// never a wrong password.
TEST_F(LogonTest, ADatabaseFileThatCannotBeReadIsNoWrongPassword) {
  std::ofstream(dir_ + "/ORCL.db", std::ios::binary | std::ios::trunc) << std::string(8192, 'x');
  std::string message;
  EXPECT_EQ(logonCode("demo", "Secret", &message), 1116);
  EXPECT_EQ(message, "ORA-01116: error in opening database file ORCL");
}

TEST_F(LogonTest, AttachReadsTheDataFolderFromTheEnvironment) {
  setenv("OCISIM_DATA", dir_.c_str(), 1);
  auto c = attach("ORCL");
  EXPECT_EQ(c->logon("demo", "Secret", nullptr), 0);
  EXPECT_EQ(c->user(), "DEMO");
  unsetenv("OCISIM_DATA");
  EXPECT_THROW(attach("ORCL"), OraError);
}

TEST_F(LogonTest, BannerAndDuplicates) {
  auto c = attachIn(dir_, "ORCL");
  EXPECT_NE(c->versionBanner().find("Oracle"), std::string::npos);
  setVersionBanner(dir_, "ORCL", "Oracle7 Server Release 7.3.4.0.0 - Production");
  EXPECT_EQ(attachIn(dir_, "ORCL")->versionBanner(), "Oracle7 Server Release 7.3.4.0.0 - Production");
  EXPECT_THROW(addUser(dir_, "ORCL", "demo", "other"), OraError);
  EXPECT_THROW(createDatabase(dir_, "ORCL"), OraError);
  // The failed second creation left the first database intact.
  EXPECT_EQ(logonCode("demo", "Secret"), 0);
}

TEST_F(LogonTest, StatementsNeedALogon) {
  auto c = attachIn(dir_, "ORCL");
  try {
    c->prepare("SELECT 1 FROM DUAL");
    ADD_FAILURE();
  } catch (const OraError& e) {
    EXPECT_EQ(e.code(), 1012);
  }
}

TEST_F(LogonTest, UnnamedConstraintNumbersStartAtRandom) {
  // Two databases draw their own start for SYS_C names, so that a name copied
  // from one database's script does not collide in another.
  createDatabase(dir_, "OTHER");
  auto base = [&](const char* db) {
    sqlite3* h = nullptr;
    EXPECT_EQ(sqlite3_open_v2((dir_ + "/" + db + ".db").c_str(), &h, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT value FROM ocisim_meta WHERE key = 'sys_c_next'", -1, &st, nullptr);
    std::string v = sqlite3_step(st) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(st, 0)) : "";
    sqlite3_finalize(st);
    sqlite3_close(h);
    return v;
  };
  std::string a = base("ORCL"), b = base("OTHER");
  EXPECT_FALSE(a.empty());
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace ocisim::testing
