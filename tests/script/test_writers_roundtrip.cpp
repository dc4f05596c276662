// Whole schemas scripted with every box and the data (the DROP boxes
// clear, as tarlow-script --all --with data --without
// drop-tables,drop-sequences does), the script loaded into a fresh
// database with the strict `ocisim run` (SQL*Plus's reading) without a failed
// statement, every script line within SQL*Plus's limit, and the new
// database scripted again to the same bytes.  The HR sample schema comes
// from the shared fixtures; the demo schema from demo/.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "writers_support.h"

namespace {

namespace fs = std::filesystem;
using writers_test::ReadFile;
using writers_test::WriteFile;

void NoDrops(tarlow::OptionBoxes& b) {
  writers_test::TickAll(b);
  b.SetChecked(tarlow::OptionBox::DropTables, false);
  b.SetChecked(tarlow::OptionBox::DropSeq, false);
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// Loads the schema, scripts it, reloads the script and scripts again.
// Returns the first script.
// Both scripts stay in the build folder (roundtrip/NAME.sql, NAME.again.sql).
std::string RoundTrip(writers_test::WritersDb& db, const std::string& name,
                      const std::vector<std::string>& schemaFiles) {
  EXPECT_EQ(db.Run(schemaFiles), "") << "the schema does not load";
  const std::string first = db.Script(NoDrops);
  writers_test::ExpectShortLines(first);
  EXPECT_TRUE(db.CreateDatabase("AGAIN"));
  const std::string file = db.Dir() + "/first.sql";
  WriteFile(file, first);
  EXPECT_EQ(db.Run({file}, "AGAIN"), "") << "the script does not load into an empty schema";
  const std::string again = db.Script(NoDrops, "AGAIN");
  const fs::path out = fs::path(TARLOW_BUILD_DIR) / "tests" / "script" / "roundtrip";
  fs::create_directories(out);
  WriteFile((out / (name + ".sql")).string(), first);
  WriteFile((out / (name + ".again.sql")).string(), again);
  if (again != first) ADD_FAILURE() << "scripting the reloaded schema gives other bytes; both scripts are in " << out;
  return first;
}

TEST(RoundTrip, HumanResourcesSchema) {
  const fs::path hr = fs::path(TARLOW_SHARED_DIR) / "fixtures" / "sample-schemas" / "human_resources";
  if (!fs::exists(hr / "hr_create.sql"))
    GTEST_SKIP() << "the HR sample schema is not in " << hr << " (TARLOW_SHARED_DIR)";
  writers_test::WritersDb db("HR", "HR");
  REQUIRE_WRITERS_DB(db);
  const std::string script = RoundTrip(
      db, "hr", {(hr / "hr_create.sql").string(), (hr / "hr_populate.sql").string(), (hr / "hr_code.sql").string()});

  // Types keep their sizes; keys list every column in key order.
  EXPECT_NE(script.find("  COUNTRY_ID CHAR(2)"), std::string::npos);
  EXPECT_NE(script.find("  SALARY NUMBER(8,2)"), std::string::npos);
  EXPECT_NE(script.find("  COMMISSION_PCT NUMBER(2,2)"), std::string::npos);
  EXPECT_NE(script.find("PRIMARY KEY (EMPLOYEE_ID, START_DATE);"), std::string::npos);
  EXPECT_NE(script.find("CREATE UNIQUE INDEX EMP_EMAIL_UK ON EMPLOYEES (EMAIL)"), std::string::npos);
  EXPECT_NE(script.find("CREATE UNIQUE INDEX EMP_EMP_ID_PK ON EMPLOYEES (EMPLOYEE_ID)"), std::string::npos);
  // Sequences where they stand.
  EXPECT_NE(script.find("CREATE SEQUENCE LOCATIONS_SEQ \r\n START WITH 3300 \r\n INCREMENT BY 100 "),
            std::string::npos);
  EXPECT_NE(script.find("CREATE SEQUENCE DEPARTMENTS_SEQ \r\n START WITH 280 \r\n INCREMENT BY 10 "),
            std::string::npos);
  EXPECT_NE(script.find("CREATE SEQUENCE EMPLOYEES_SEQ \r\n START WITH 207 \r\n INCREMENT BY 1 "),
            std::string::npos);
  // The trigger with its UPDATE OF header, the view, both procedures.
  EXPECT_TRUE(std::regex_search(script, std::regex("CREATE OR REPLACE TRIGGER update_job_history\\s+AFTER UPDATE OF "
                                                   "department_id, job_id ON employees",
                                                   std::regex::icase)))
      << "no UPDATE OF header for UPDATE_JOB_HISTORY";
  EXPECT_NE(script.find("CREATE OR REPLACE VIEW EMP_DETAILS_VIEW"), std::string::npos);
  EXPECT_NE(script.find("*  Procedure: ADD_JOB_HISTORY"), std::string::npos);
  EXPECT_NE(script.find("*  Procedure: SECURE_DML"), std::string::npos);
  // Every employee's row.
  EXPECT_EQ(Count(script, "INSERT INTO EMPLOYEES ("), 107);
}

TEST(RoundTrip, DemoSchema) {
  const fs::path demo = fs::path(TARLOW_SOURCE_DIR) / "demo" / "demo_schema.sql";
  if (!fs::exists(demo)) GTEST_SKIP() << "the demo schema " << demo << " does not exist yet";
  writers_test::WritersDb db("DEMO", "DEMO");
  REQUIRE_WRITERS_DB(db);
  const std::string script = RoundTrip(db, "demo", {demo.string()});
  EXPECT_NE(script.find("CREATE TABLE "), std::string::npos);
  // The view's names for its unaliased expressions, its READ ONLY, and the
  // disabled trigger, disabled again.
  EXPECT_NE(script.find("CREATE OR REPLACE VIEW V_EMPLOYEE_DETAILS (EMP_ID, FULL_NAME, EMAIL, DEPT_NAME, "
                        "REGION_NAME, SALARY, MANAGER_ID)\r\nAS\r\n"),
            std::string::npos);
  EXPECT_NE(script.find("WITH READ ONLY;"), std::string::npos);
  EXPECT_NE(script.find("CREATE OR REPLACE TRIGGER TRG_PROJECTS_CODE\r\nBEFORE INSERT OR UPDATE ON PROJECTS\r\n"
                        "REFERENCING NEW AS N OLD AS O\r\nFOR EACH ROW\r\n"),
            std::string::npos);
  EXPECT_NE(script.find("ALTER TRIGGER TRG_PROJECTS_CODE DISABLE;"), std::string::npos);
}

}  // namespace
