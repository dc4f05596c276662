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

#include "roundtrip_support.h"

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

// What the common snapshot leaves out: every constraint with its state
// (Oracle-made names compared as such), the indexes' kinds and columns,
// sequences and view states.
const writers_test::ExtraParts kDictionaryParts = {
    {"constraint states",
     "SELECT CASE WHEN GENERATED = 'GENERATED NAME' THEN 'system-named' ELSE CONSTRAINT_NAME END, CONSTRAINT_TYPE, "
     "TABLE_NAME, SEARCH_CONDITION, DELETE_RULE, STATUS, VALIDATED, \"DEFERRABLE\", DEFERRED, RELY "
     "FROM USER_CONSTRAINTS ORDER BY 3, 2, 1, 4"},
    {"index columns",
     "SELECT I.INDEX_NAME, I.INDEX_TYPE, C.COLUMN_POSITION, C.COLUMN_NAME, C.DESCEND FROM USER_IND_COLUMNS C, "
     "USER_INDEXES I WHERE C.INDEX_NAME = I.INDEX_NAME AND I.GENERATED = 'N' ORDER BY 1, 3"},
    {"sequences",
     "SELECT SEQUENCE_NAME, MIN_VALUE, MAX_VALUE, INCREMENT_BY, CYCLE_FLAG, ORDER_FLAG, CACHE_SIZE, LAST_NUMBER "
     "FROM USER_SEQUENCES ORDER BY 1"},
    {"object states",
     "SELECT CASE WHEN OBJECT_NAME LIKE 'SYS\\_C%' ESCAPE '\\' THEN 'system-named' ELSE OBJECT_NAME END, "
     "OBJECT_TYPE, STATUS FROM USER_OBJECTS ORDER BY 1, 2, 3"},
};

// Loads the schema, scripts it, reloads the script and scripts again; with
// `compareDatabases` also compares the two databases' dictionaries and rows.
// HR does not compare them yet: the named NOT NULL constraint on the key
// column of its index-organized COUNTRIES is not scripted (a key column of
// such a table takes its NOT NULL only inside CREATE TABLE).
// Returns the first script.
// Both scripts stay in the build folder (roundtrip/NAME.sql, NAME.again.sql).
std::string RoundTrip(writers_test::WritersDb& db, const std::string& name,
                      const std::vector<std::string>& schemaFiles, bool compareDatabases) {
  EXPECT_EQ(db.Run(schemaFiles), "") << "the schema does not load";
  const auto original = compareDatabases ? writers_test::Snapshot(db.Session(), kDictionaryParts)
                                         : std::map<std::string, std::string>{};
  const std::string first = db.Script(NoDrops);
  writers_test::ExpectShortLines(first);
  EXPECT_TRUE(db.CreateDatabase("AGAIN"));
  const std::string file = db.Dir() + "/first.sql";
  WriteFile(file, first);
  EXPECT_EQ(db.Run({file}, "AGAIN"), "") << "the script does not load into an empty schema";
  // The two databases hold the same dictionary and the same rows.
  if (compareDatabases)
    writers_test::ExpectSameSchema(original, writers_test::Snapshot(db.Session("AGAIN"), kDictionaryParts));
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
      db, "hr", {(hr / "hr_create.sql").string(), (hr / "hr_populate.sql").string(), (hr / "hr_code.sql").string()},
      /*compareDatabases=*/false);

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
  const std::string script = RoundTrip(db, "demo", {demo.string()}, /*compareDatabases=*/true);
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
