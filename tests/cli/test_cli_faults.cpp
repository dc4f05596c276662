// tarlow-script when things go wrong midway.  A dictionary view that cannot
// be read costs its section, and the command says so: exit status 4, a
// "left out" line per cause on standard error and the same lines in a
// comment at the end of the script.  A run that fails (a full disk, a lost
// session, a view the definitions need) exits with 1 and leaves the
// --output file exactly as it was, with no temporary file beside it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_host.h"
#include "command_support.h"
#include "oracle/loader.h"
#include "oracle/oci.h"
#include "oracle/query.h"
#include "oracle/session.h"
#include "support/test_files.h"
#ifdef TARLOW_HAVE_ENGINE
#include "engine/engine.h"
#endif

namespace {

namespace fs = std::filesystem;
using command_test::Quote;
using command_test::Result;
using command_test::RunCommand;
using test_files::ReadAll;
using test_files::TempDir;

constexpr const char* kOldScript = "-- the script of an earlier run\n";

class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(std::string(TARLOW_BIN_DIR) + "/tarlow-script")) GTEST_SKIP() << "tarlow-script not built";
    lib_ = std::string(TARLOW_LIB_DIR) + "/libocisim.so";
    if (!fs::exists(lib_)) GTEST_SKIP() << "stand-in client library not built: " << lib_;
#ifdef TARLOW_HAVE_ENGINE
    ocisim::createDatabase(data_.path(), "DEMO");
    ocisim::addUser(data_.path(), "DEMO", "DEMO", "demo");
    Sql({"CREATE TABLE DEPT (DEPTNO NUMBER(2) CONSTRAINT DEPT_PK PRIMARY KEY, DNAME VARCHAR2(14))",
         "CREATE TABLE EMP (EMPNO NUMBER(4) CONSTRAINT EMP_PK PRIMARY KEY, ENAME VARCHAR2(10) NOT NULL,"
         " SAL NUMBER(7,2) CONSTRAINT EMP_SAL_CK CHECK (SAL > 0),"
         " DEPTNO NUMBER(2) CONSTRAINT EMP_DEPT_FK REFERENCES DEPT (DEPTNO))",
         "COMMENT ON TABLE EMP IS 'People'", "COMMENT ON COLUMN EMP.ENAME IS 'Name'",
         "CREATE VIEW EMP_NAMES AS SELECT ENAME FROM EMP",
         "INSERT INTO DEPT VALUES (10, 'ACCOUNTING')", "INSERT INTO EMP VALUES (7369, 'SMITH', 800, 10)"});
#else
    GTEST_SKIP() << "the stand-in engine is not part of this build";
#endif
  }

  void Sql(const std::vector<std::string>& statements) {
#ifdef TARLOW_HAVE_ENGINE
    auto c = ocisim::attachIn(data_.path(), "DEMO");
    std::string warning;
    c->logon("demo", "demo", &warning);
    for (const auto& s : statements) c->prepare(s)->execute();
    c->commit();
#endif
  }
  std::vector<std::string> Args(const std::vector<std::string>& flags) const {
    std::vector<std::string> all = {"--database", "DEMO", "--user", "demo", "--password", "demo", "OCIDLL=" + lib_};
    all.insert(all.end(), flags.begin(), flags.end());
    return all;
  }
  Result Script(const std::vector<std::string>& flags, const std::string& env = "") {
    return RunCommand(Args(flags), env + " OCISIM_DATA=" + Quote(data_.path()) + " LC_ALL=C");
  }
  // The --output target holds an earlier script; after a failed run it must
  // hold exactly that, alone in its folder.
  std::string OldTarget() { return out_.Write("schema.sql", kOldScript); }
  void ExpectTargetUnchanged(const std::string& target) {
    EXPECT_EQ(ReadAll(target), kOldScript);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out_.path())) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"schema.sql"});
  }

  TempDir data_, out_;
  std::string lib_;
};

const std::vector<std::string> kEverything = {"--all", "--with", "data"};

TEST_F(Faults, CompleteRunExitsWithZeroAndReplacesTheTarget) {
  const std::string target = OldTarget();
  const Result r = Script({"--all", "--with", "data", "--output", target});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string script = ReadAll(target);
  EXPECT_NE(script.find("CREATE TABLE EMP"), std::string::npos);
  EXPECT_EQ(script.find("Left out"), std::string::npos);
  EXPECT_EQ(r.err.find("left out"), std::string::npos) << r.err;
}

TEST_F(Faults, UnreadableDictionaryViewsLeaveTheirSectionOutAndSaySo) {
  struct Case {
    const char* view;
    std::vector<std::string> summaries;  // the "left out" lines expected
    const char* stillWritten;            // a section the loss does not touch
  };
  const std::vector<Case> cases = {
      {"USER_CONSTRAINTS",
       {"check constraints of DEPT, EMP: ORA-00942: table or view does not exist",
        "primary and unique keys of DEPT, EMP: ORA-00942: table or view does not exist",
        "foreign keys of DEPT, EMP: ORA-00942: table or view does not exist",
        "READ ONLY and CHECK OPTION of views: ORA-00942: table or view does not exist"},
       "CREATE TABLE EMP"},
      {"USER_TAB_COMMENTS",
       {"table comments of DEPT, EMP, EMP_NAMES: ORA-00942: table or view does not exist"},
       "COMMENT ON COLUMN EMP.ENAME IS 'Name';"},
      {"USER_COL_COMMENTS",
       {"column comments of DEPT, EMP, EMP_NAMES: ORA-00942: table or view does not exist"},
       "COMMENT ON TABLE EMP IS 'People';"},
      {"USER_VIEWS", {"views: ORA-00942: table or view does not exist"}, "INSERT INTO EMP"},
      {"USER_OBJECTS",
       {"procedures: ORA-00942: table or view does not exist", "functions: ORA-00942: table or view does not exist",
        "FORCE for views that do not compile: ORA-00942: table or view does not exist"},
       "CREATE OR REPLACE VIEW EMP_NAMES"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.view);
    Sql({std::string("REVOKE SELECT ON SYS.") + c.view + " FROM PUBLIC"});
    const std::string target = OldTarget();
    const Result r = Script({"--all", "--with", "data", "--output", target});
    EXPECT_EQ(r.status, 4) << r.err;
    const std::string script = ReadAll(target);
    EXPECT_NE(script.find(c.stillWritten), std::string::npos) << script;
    const size_t comment = script.find("/* Left out of this script:");
    ASSERT_NE(comment, std::string::npos) << script;
    EXPECT_EQ(script.substr(script.size() - 6), "*/\r\n\r\n");
    for (const std::string& line : c.summaries) {
      EXPECT_NE(r.err.find("tarlow-script: left out: " + line + "\n"), std::string::npos) << r.err;
      EXPECT_NE(script.find("\r\n   " + line + "\r\n", comment), std::string::npos) << script.substr(comment);
    }
    Sql({std::string("GRANT SELECT ON SYS.") + c.view + " TO PUBLIC"});
  }
}

TEST_F(Faults, LongTextValuesCutAreReported) {
  // A LONG beyond the 32,760 bytes a script can insert (nine TO_CLOB pieces,
  // which the stand-in takes into a LONG column).
  std::string value = "TO_CLOB(RPAD('x', 4000, 'x'))";
  for (int i = 1; i < 9; ++i) value += " || TO_CLOB(RPAD('y', 4000, 'y'))";
  Sql({"CREATE TABLE NOTES (ID NUMBER(2), BODY LONG)", "INSERT INTO NOTES VALUES (1, " + value + ")"});
  const Result r = Script({"--only", "tables,data", "--tables", "NOTES"});
  EXPECT_EQ(r.status, 4) << r.err;
  EXPECT_NE(r.err.find("tarlow-script: left out: LONG values cut to their first 32760 bytes of NOTES.BODY\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("/* Row 1, column BODY: the value of 36000 bytes was cut"), std::string::npos);
}

TEST_F(Faults, FailedRunsLeaveTheTargetAsItWas) {
  struct Case {
    const char* name;
    std::vector<std::string> revoke;  // dictionary views taken away first
    std::string env;                  // shell words before the command
    const char* message;              // in the error on standard error
  };
  // Rows enough for a script past the size limit below (the database's own
  // files stay under it).
  std::vector<std::string> rows = {"CREATE TABLE NOTES (BODY VARCHAR2(2000))"};
  for (int i = 0; i < 40; ++i) rows.push_back("INSERT INTO NOTES VALUES (RPAD('x', 2000, 'x'))");
  Sql(rows);
  const std::vector<Case> cases = {
      // A full disk: the file size limit (100 blocks of 512 bytes) makes
      // every write past it fail.
      {"disk full", {}, "trap '' XFSZ; ulimit -f 100;", "Cannot write to"},
      // The column view the table definitions cannot do without.
      {"definitions unreadable", {"USER_TAB_COLUMNS"}, "", "ORA-00942"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& v : c.revoke) Sql({"REVOKE SELECT ON SYS." + v + " FROM PUBLIC"});
    const std::string target = OldTarget();
    const Result r = Script({"--all", "--with", "data", "--output", target}, c.env);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    ExpectTargetUnchanged(target);
    for (const auto& v : c.revoke) Sql({"GRANT SELECT ON SYS." + v + " TO PUBLIC"});
  }
}

// A session lost in the middle of the data: every call from then on fails.
oci::Api g_real;
bool g_lost = false;
sword LosingPrepare(OCIStmt* st, OCIError* e, const OraText* text, ub4 length, ub4 language, ub4 mode) {
  if (std::string(reinterpret_cast<const char*>(text), length).rfind("SELECT * from", 0) == 0) g_lost = true;
  if (g_lost) return OCI_ERROR;
  return g_real.OCIStmtPrepare(st, e, text, length, language, mode);
}

TEST_F(Faults, LostSessionLeavesTheTargetAsItWas) {
  ::setenv("OCISIM_DATA", data_.path().c_str(), 1);
  oci::ResetLoader();
  oci::SetOCIDLL(lib_);
  // A session of the test's own loads the client library, whose entry
  // points the failing table then copies.
  TOracleSession loader;
  loader.SetLogonDatabase("DEMO");
  loader.SetLogonUsername("demo");
  loader.SetLogonPassword("demo");
  ASSERT_NO_THROW(loader.SetConnected(true));
  g_real = oci::api();
  oci::Api losing = g_real;
  losing.OCIStmtPrepare = LosingPrepare;
  g_lost = false;
  TOracleQuery::SetApiForTests(&losing);
  const std::string target = OldTarget();
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const int status = tarlow::cli::RunTarlowScript(Args({"--all", "--with", "data", "--output", target}), out, err);
  TOracleQuery::SetApiForTests(nullptr);
  std::fclose(out);
  std::fclose(err);
  loader.SetConnected(false);
  oci::ResetLoader();
  EXPECT_TRUE(g_lost);
  EXPECT_EQ(status, 1);
  ExpectTargetUnchanged(target);
}

}  // namespace
