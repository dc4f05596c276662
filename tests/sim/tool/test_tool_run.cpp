// The ocisim binary end to end: administration, running scripts with their
// failures reported, queries, Tarlow-style scripts, the demo schema with
// every dictionary query the program sends, and Oracle's HR sample schema.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ocisim_tool_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Runs ocisim with the given arguments; returns its exit status.
  int ocisim(const std::vector<std::string>& args) {
    std::string cmd = quote(std::string(TARLOW_BIN_DIR) + "/ocisim") + " --data " + quote(dir_);
    for (const auto& a : args) cmd += " " + quote(a);
    cmd += " >" + quote(dir_ + "/out") + " 2>" + quote(dir_ + "/err");
    int rc = std::system(cmd.c_str());
    out_ = readAll(dir_ + "/out");
    err_ = readAll(dir_ + "/err");
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  void makeDatabase(const std::string& db, const std::string& user) {
    ASSERT_EQ(ocisim({"--database", db, "create"}), 0) << err_;
    ASSERT_EQ(ocisim({"--database", db, "adduser", user, user}), 0) << err_;
  }
  int run(const std::string& db, const std::string& user, const std::vector<std::string>& files) {
    std::vector<std::string> args = {"--database", db, "--user", user, "--password", user, "run"};
    args.insert(args.end(), files.begin(), files.end());
    return ocisim(args);
  }
  int query(const std::string& db, const std::string& user, const std::string& sql) {
    return ocisim({"--database", db, "--user", user, "--password", user, "query", sql});
  }
  std::string file(const std::string& name, const std::string& text) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  std::string dir_, out_, err_;
};

TEST_F(ToolTest, RunReportsEachFailureWithFileAndLineAndGoesOn) {
  makeDatabase("DB", "scott");
  std::string path = file("s.sql",
                          "CREATE TABLE t (a NUMBER);\n"
                          "INSERT INTO nosuch VALUES (1);\n"
                          "\n"
                          "INSERT INTO t\n  VALUES (1, 2, 3);\n"
                          "INSERT INTO t VALUES (42);\n");
  EXPECT_EQ(run("DB", "scott", {path}), 1);
  EXPECT_NE(err_.find(path + ":2: ORA-00942: table or view does not exist"), std::string::npos) << err_;
  EXPECT_NE(err_.find(path + ":4: ORA-"), std::string::npos) << err_;
  ASSERT_EQ(query("DB", "scott", "SELECT a, NULL AS b FROM t"), 0) << err_;
  EXPECT_EQ(out_, "A\tB\n42\t\n");  // the run went on and committed
}

// The default reading is SQL*Plus's: a blank line inside a statement ends
// it unrun, a line over 2,499 characters is refused; each is a failure named
// by its line.  --lenient reads the same script the forgiving way.
TEST_F(ToolTest, RunIsStrictUnlessLenient) {
  makeDatabase("DB", "scott");
  std::string path = file("s.sql",
                          "CREATE TABLE t (a NUMBER, b VARCHAR2(4000));\n"
                          "INSERT INTO t\n\nVALUES (1, 'x');\n"
                          "INSERT INTO t VALUES (2, '" + std::string(2600, 'y') + "');\n"
                          "INSERT INTO t VALUES (3, 'z');\n");
  EXPECT_EQ(run("DB", "scott", {path}), 1);
  EXPECT_NE(err_.find(path + ":4: SP2-0734: unknown command beginning \"VALUES (1,...\" - rest of line ignored."),
            std::string::npos)
      << err_;
  EXPECT_NE(err_.find(path + ":5: SP2-0027: Input is too long (> 2499 characters) - line ignored"), std::string::npos)
      << err_;
  ASSERT_EQ(query("DB", "scott", "SELECT a FROM t ORDER BY a"), 0) << err_;
  EXPECT_EQ(out_, "A\n3\n");

  makeDatabase("DB2", "scott");
  EXPECT_EQ(ocisim({"--database", "DB2", "--user", "scott", "--password", "scott", "run", "--lenient", path}), 0)
      << err_;
  ASSERT_EQ(query("DB2", "scott", "SELECT a FROM t ORDER BY a"), 0) << err_;
  EXPECT_EQ(out_, "A\n1\n2\n3\n");
}

// With every file write past 512 bytes refused (a full disk), the database
// answers an I/O error of its file, not a wrong password.
TEST_F(ToolTest, ADatabaseFileThatCannotBeWrittenIsNoWrongPassword) {
  makeDatabase("FULL", "U");
  const std::string cmd = "trap '' XFSZ; ulimit -f 1; " + quote(std::string(TARLOW_BIN_DIR) + "/ocisim") +
                          " --data " + quote(dir_) + " --database FULL --user U --password U query " +
                          quote("select 1 from dual") + " 2>" + quote(dir_ + "/err");
  const int rc = std::system(cmd.c_str());
  EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, 1);
  const std::string err = readAll(dir_ + "/err");
  EXPECT_NE(err.find("ORA-01114: IO error writing block to file FULL"), std::string::npos) << err;
  EXPECT_EQ(err.find("ORA-01017"), std::string::npos) << err;
}

TEST_F(ToolTest, AdministrationCommands) {
  makeDatabase("DB", "scott");
  EXPECT_NE(ocisim({"--database", "DB", "create"}), 0);
  EXPECT_NE(ocisim({"--database", "DB", "adduser", "scott", "x"}), 0);
  EXPECT_EQ(ocisim({"--database", "DB", "banner", "Oracle8i Release 8.1.7.0.0 - Production"}), 0);
  std::string path = file("ok.sql", "SELECT 1 FROM dual;\n");
  EXPECT_EQ(ocisim({"--database", "DB", "--user", "scott", "--password", "wrong", "run", path}), 1);
  EXPECT_NE(err_.find("ORA-01017"), std::string::npos) << err_;
  EXPECT_EQ(ocisim({"--database", "DB", "setstatus", "scott", "LOCKED"}), 0);
  EXPECT_EQ(run("DB", "scott", {path}), 1);
  EXPECT_NE(err_.find("ORA-28000"), std::string::npos) << err_;
  EXPECT_EQ(ocisim({"--database", "DB", "setstatus", "scott", "OPEN"}), 0);
  EXPECT_EQ(run("DB", "scott", {path}), 0) << err_;
  EXPECT_EQ(run("DB", "scott", {dir_ + "/missing.sql"}), 1);
  EXPECT_EQ(ocisim({"--database", "DB", "frobnicate"}), 2);
}

// A script as Tarlow writes it: CR LF line ends, banner comments, the
// storage clause in lower case, "/" after each trigger and unit, values
// spelled with CHR and TO_DATE.
TEST_F(ToolTest, LoadsTheScriptsTarlowWrites) {
  makeDatabase("DB", "scott");
  std::string s =
      "/*****************************************\r\n*   Table: T\r\n*****************************************/\r\n"
      "/* Things */\r\nCREATE TABLE T\r\n(\r\n  A NUMBER  /* key */,\r\n  B VARCHAR2(20) DEFAULT 'x',\r\n  C DATE\r\n)\r\n"
      "  tablespace USERS\r\n  pctfree 10\r\n  pctused 40\r\n  initrans 1\r\n  maxtrans 255\r\n  storage\r\n  (\r\n"
      "    initial 64K\r\n    next 1M\r\n    minextents 1\r\n    maxextents unlimited\r\n    pctincrease 0\r\n  );\r\n\r\n"
      "COMMENT ON TABLE T IS 'Things';\r\n\r\nALTER TABLE T MODIFY (A NOT NULL);\r\n\r\n"
      "/*****************************************\r\n*   Index: T_B\r\n*****************************************/\r\n"
      "CREATE INDEX T_B ON T (B)\r\n  tablespace USERS\r\n  pctfree 10\r\n  initrans 2\r\n  maxtrans 255\r\n  storage\r\n"
      "  (\r\n    initial 64K\r\n    next 1M\r\n    minextents 1\r\n    maxextents unlimited\r\n    pctincrease 0\r\n  );\r\n\r\n"
      "ALTER TABLE T ADD CONSTRAINT T_PK PRIMARY KEY (A);\r\n\r\n"
      "CREATE OR REPLACE TRIGGER TRG \r\n BEFORE INSERT ON T \r\n REFERENCING NEW AS NEW OLD AS OLD \r\n FOR EACH ROW\r\n"
      " BEGIN\r\n  NULL;\r\nEND;\r\n/\r\n\r\n"
      "INSERT INTO T (A,\r\nB,\r\nC) Values(1,\r\n'O'||CHR(39)||'Brien'||CHR(38)||'Co',\r\n"
      "TO_DATE('01/02/2003 04:05:06', 'mm/dd/yyyy HH24:MI:SS'));\r\n\r\n"
      "INSERT INTO T (A,\r\nB,\r\nC) Values(2,\r\n'line'||\r\nCHR(13)||CHR(10)||'two',\r\nNULL);\r\n\r\nCOMMIT;\r\n\r\n"
      "CREATE SEQUENCE S \r\n START WITH 1 \r\n INCREMENT BY 1;\r\n\r\n"
      "/*****************************************\r\n*  View: V\r\n*****************************************/\r\n"
      "CREATE OR REPLACE VIEW V\r\nAS\r\nSELECT A, B FROM T;\r\n\r\n"
      "/*****************************************\r\n*  Procedure: P\r\n*****************************************/\r\n"
      "CREATE OR REPLACE PROCEDURE P IS\r\nBEGIN\r\n  NULL;\r\nEND;\r\n/\r\n\r\n"
      "/*****************************************\r\n*  PACKAGE HEADER: PK\r\n*****************************************/\r\n"
      "CREATE OR REPLACE PACKAGE PK IS\r\n  PROCEDURE GO;\r\nEND;\r\n/\r\n\r\n";
  std::string path = file("tarlow.sql", s);
  EXPECT_EQ(run("DB", "scott", {path}), 0) << err_;
  ASSERT_EQ(query("DB", "scott", "SELECT A, B, TO_CHAR(C, 'YYYY-MM-DD HH24:MI:SS') D FROM T ORDER BY A"), 0) << err_;
  EXPECT_EQ(out_, "A\tB\tD\n1\tO'Brien&Co\t2003-01-02 04:05:06\n2\tline\r\ntwo\t\n");
  ASSERT_EQ(query("DB", "scott", "SELECT OBJECT_NAME, OBJECT_TYPE FROM USER_OBJECTS ORDER BY 2, 1"), 0);
  EXPECT_EQ(out_, "OBJECT_NAME\tOBJECT_TYPE\nT_B\tINDEX\nT_PK\tINDEX\nPK\tPACKAGE\nP\tPROCEDURE\nS\tSEQUENCE\n"
                  "T\tTABLE\nTRG\tTRIGGER\nV\tVIEW\n");
}

TEST_F(ToolTest, HumanResourcesSampleSchemaLoadsAndIsDescribed) {
  std::string hr = std::string(TARLOW_SHARED_DIR) + "/fixtures/sample-schemas/human_resources";
  if (!std::filesystem::exists(hr + "/hr_create.sql"))
    GTEST_SKIP() << "the HR sample scripts are not in " << hr;
  makeDatabase("HRDB", "hr");
  ASSERT_EQ(run("HRDB", "hr", {hr + "/hr_create.sql", hr + "/hr_populate.sql", hr + "/hr_code.sql"}), 0) << err_;
  EXPECT_EQ(err_, "");
  auto q = [&](const std::string& sql) {
    EXPECT_EQ(query("HRDB", "hr", sql), 0) << err_;
    return out_;
  };
  EXPECT_EQ(q("SELECT COUNT(*) FROM USER_TABLES"), "COUNT(*)\n7\n");
  EXPECT_EQ(q("SELECT COUNT(*) FROM employees"), "COUNT(*)\n107\n");
  EXPECT_EQ(q("SELECT C.COLUMN_NAME FROM USER_CONS_COLUMNS C, USER_CONSTRAINTS D WHERE C.CONSTRAINT_NAME ="
              " D.CONSTRAINT_NAME AND D.CONSTRAINT_TYPE = 'P' AND C.TABLE_NAME = 'JOB_HISTORY' ORDER BY C.POSITION"),
            "COLUMN_NAME\nEMPLOYEE_ID\nSTART_DATE\n");
  EXPECT_EQ(q("SELECT TRIGGER_NAME, STATUS FROM USER_TRIGGERS ORDER BY 1"),
            "TRIGGER_NAME\tSTATUS\nSECURE_EMPLOYEES\tDISABLED\nUPDATE_JOB_HISTORY\tENABLED\n");
  EXPECT_NE(q("SELECT DESCRIPTION FROM USER_TRIGGERS WHERE TRIGGER_NAME = 'UPDATE_JOB_HISTORY'")
                .find("AFTER UPDATE OF job_id, department_id ON employees"),
            std::string::npos);
  EXPECT_NE(q("SELECT TEXT FROM USER_VIEWS WHERE VIEW_NAME = 'EMP_DETAILS_VIEW'").find("AND j.job_id = e.job_id"),
            std::string::npos);
  EXPECT_EQ(q("SELECT SEQUENCE_NAME, LAST_NUMBER FROM USER_SEQUENCES ORDER BY 1"),
            "SEQUENCE_NAME\tLAST_NUMBER\nDEPARTMENTS_SEQ\t280\nEMPLOYEES_SEQ\t207\nLOCATIONS_SEQ\t3300\n");
  EXPECT_EQ(q("SELECT COUNT(*) FROM USER_SOURCE WHERE NAME = 'ADD_JOB_HISTORY' AND TYPE = 'PROCEDURE'"),
            "COUNT(*)\n13\n");
  EXPECT_EQ(q("SELECT STATUS FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = 'DEPT_MGR_FK'"), "STATUS\nENABLED\n");
}

// Every dictionary query the program sends, word for word, with a table,
// index, constraint and kind of the demo schema spliced in.
struct DictionaryQuery {
  const char* name;
  const char* sql;
};

const DictionaryQuery kDemoQueries[] = {
    {"table columns", "SELECT COLUMN_NAME, DATA_TYPE,DATA_LENGTH,DATA_DEFAULT\r\nFROM SYS.USER_TAB_COLUMNS\r\n"
                      "WHERE TABLE_NAME = 'EMPLOYEES'\r\nORDER BY COLUMN_ID"},
    {"table storage", "SELECT TABLESPACE_NAME, PCT_FREE, \r\nINI_TRANS, MAX_TRANS, INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENTS,"
                      "\r\nMAX_EXTENTS, PCT_INCREASE\r\n,PCT_USED FROM SYS.USER_TABLES\r\nWHERE TABLE_NAME = 'DEPARTMENTS'"},
    {"index storage", "SELECT TABLESPACE_NAME, PCT_FREE, \r\nINI_TRANS, MAX_TRANS, INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENTS,"
                      "\r\nMAX_EXTENTS, PCT_INCREASE\r\nFROM SYS.USER_INDEXES\r\nWHERE INDEX_NAME = 'IX_EMPLOYEES_NAME'"},
    {"column comment", "select comments from sys.user_col_comments where table_name = 'EMPLOYEES' and column_name = 'BADGE'"},
    {"table comment", "select comments from sys.user_tab_comments where table_name = 'EMPLOYEES'"},
    {"column comments", "select distinct column_name,comments from sys.user_col_comments where table_name = 'EMPLOYEES'"},
    {"column defaults", "select column_name,data_default from user_tab_columns\r\nwhere Table_Name = 'EMPLOYEES'\r\n"
                        "and DATA_DEFAULT IS NOT NULL"},
    {"not null", "Select Column_name, Nullable from Sys.user_Tab_Columns where Table_Name = 'EMPLOYEES' order by column_Id"},
    {"check constraints", "SELECT CONSTRAINT_NAME, TABLE_NAME, SEARCH_CONDITION FROM USER_CONSTRAINTS WHERE"
                          " CONSTRAINT_TYPE = 'C' AND GENERATED = 'USER NAME' AND TABLE_NAME = 'EMPLOYEES'"},
    {"primary key", "select distinct C.Table_Name, C.Column_Name,C.Constraint_Name from sys.user_cons_columns C,"
                    " sys.user_constraints D where C.Constraint_Name = D.CONSTRAINT_NAME and D.constraint_type = 'P'"
                    " and C.table_name = 'ASSIGNMENTS' order by Table_Name, Column_name"},
    {"foreign keys", "SELECT C.CONSTRAINT_NAME,C.TABLE_NAME, C.COLUMN_NAME, D.R_CONSTRAINT_NAME, D.DELETE_RULE FROM"
                     " SYS.USER_CONS_COLUMNS C, SYS.USER_CONSTRAINTS D WHERE C.Constraint_Name = D.CONSTRAINT_NAME AND"
                     " D.CONSTRAINT_TYPE = 'R' AND C.TABLE_NAME = 'TIMESHEETS'"},
    {"referenced key", "SELECT DISTINCT C.TABLE_NAME, C.COLUMN_NAME,C.CONSTRAINT_NAME FROM SYS.USER_CONS_COLUMNS C,"
                       " SYS.USER_CONSTRAINTS D WHERE C.CONSTRAINT_NAME = D.R_CONSTRAINT_NAME AND D.CONSTRAINT_TYPE = 'R'"
                       " AND D.CONSTRAINT_NAME = 'FK_TIMESHEETS_ASSIGNMENT'"},
    {"indexes", "select Index_Name from sys.user_indexes\r\nwhere Table_Name = 'EMPLOYEES'"},
    {"index columns", "select Column_Name from sys.user_ind_columns\r\nwhere Table_Name = 'EMPLOYEES'\r\n"
                      "  and Index_Name = 'IX_EMPLOYEES_NAME'"},
    {"triggers", "select * from sys.user_triggers\r\nwhere Table_Name = 'EMPLOYEES'"},
    {"view names", "select view_name object_name from user_views"},
    {"unit names", "select object_Name\r\nfrom user_objects\r\nwhere object_type = 'PROCEDURE'"},
    {"dependencies", "select dep.Name name, dep.Referenced_NAME RefName\r\nfrom user_users usr, user_dependencies dep\r\n"
                     "where usr.username = dep.referenced_owner and\r\ndep.type = 'VIEW' and dep.referenced_type = dep.type"},
    {"view texts", "select view_name, text from sys.user_views where view_name not like 'SM%' and view_name not like 'EVT%'"},
    {"sequences", "select SEQUENCE_NAME,MIN_VALUE,INCREMENT_BY FROM SYS.USER_SEQUENCES"},
    {"procedure source", "select name,text from sys.user_source where type = 'PROCEDURE' order by name,line"},
    {"function source", "select name,line,text from sys.user_source where type = 'FUNCTION' order by name,line"},
    {"package source", "SELECT TYPE, NAME, TEXT FROM USER_SOURCE\r\nWHERE TYPE = 'PACKAGE'\r\nOR TYPE = 'PACKAGE BODY'\r\n"
                       "ORDER BY NAME, TYPE, LINE"},
    {"table data", "SELECT * from EMPLOYEES"},
    {"table list", "Select Table_Name from sys.user_tables"},
};

class DemoTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    makeDatabase("DEMO", "demo");
    ASSERT_EQ(run("DEMO", "demo", {std::string(TARLOW_SOURCE_DIR) + "/demo/demo_schema.sql"}), 0) << err_;
    ASSERT_EQ(err_, "");
  }
  // The rows of a query through the engine, values joined by "|".
  std::vector<std::string> engineRows(const std::string& sql) {
    auto conn = ocisim::attachIn(dir_, "DEMO");
    std::string warning;
    conn->logon("demo", "demo", &warning);
    auto st = conn->prepare(sql);
    st->execute();
    std::vector<std::string> out;
    std::vector<ocisim::Value> row;
    while (st->fetch(row)) {
      std::string line;
      for (size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + (row[i].isNull() ? "<null>" : row[i].data);
      out.push_back(line);
    }
    return out;
  }
};

TEST_F(DemoTest, EveryDictionaryQueryOfTheProgramRuns) {
  for (const auto& q : kDemoQueries) {
    SCOPED_TRACE(q.name);
    EXPECT_EQ(query("DEMO", "demo", q.sql), 0) << err_;
    EXPECT_GT(std::count(out_.begin(), out_.end(), '\n'), 1) << "no rows:\n" << out_;
    EXPECT_NO_THROW(engineRows(q.sql));
  }
}

TEST_F(DemoTest, DictionaryAnswersAsOracleWould) {
  EXPECT_EQ(engineRows(kDemoQueries[1].sql), (std::vector<std::string>{"USERS|15|1|255|131072|262144|1|500|0|60"}));
  EXPECT_EQ(engineRows(kDemoQueries[2].sql), (std::vector<std::string>{"USERS|20|4|255|131072|131072|1|2147483645|0"}));
  EXPECT_EQ(engineRows(kDemoQueries[3].sql), (std::vector<std::string>{"The employee's badge chip serial"}));
  EXPECT_EQ(engineRows(kDemoQueries[9].sql), (std::vector<std::string>{"ASSIGNMENTS|EMP_ID|PK_ASSIGNMENTS",
                                                                       "ASSIGNMENTS|PROJECT_CODE|PK_ASSIGNMENTS"}));
  EXPECT_EQ(engineRows(kDemoQueries[11].sql), (std::vector<std::string>{"ASSIGNMENTS|EMP_ID|PK_ASSIGNMENTS",
                                                                        "ASSIGNMENTS|PROJECT_CODE|PK_ASSIGNMENTS"}));
  EXPECT_EQ(engineRows(kDemoQueries[13].sql), (std::vector<std::string>{"LAST_NAME", "FIRST_NAME"}));
  auto deps = engineRows(kDemoQueries[17].sql);
  std::sort(deps.begin(), deps.end());
  EXPECT_EQ(deps, (std::vector<std::string>{"V_DEPARTMENT_PAYROLL|V_EMPLOYEE_DETAILS",
                                            "V_REGION_PAYROLL|V_DEPARTMENT_PAYROLL"}));
  auto fks = engineRows(kDemoQueries[10].sql);
  EXPECT_EQ(fks.size(), 2u);
  for (const auto& f : fks) EXPECT_NE(f.find("|CASCADE"), std::string::npos) << f;
  EXPECT_EQ(engineRows("SELECT COUNT(*) FROM (" + std::string(kDemoQueries[23].sql) + ")"),
            (std::vector<std::string>{"5"}));
  EXPECT_EQ(engineRows("SELECT TRIGGER_NAME, STATUS FROM USER_TRIGGERS ORDER BY 1"),
            (std::vector<std::string>{"TRG_DEPARTMENTS_GUARD|ENABLED", "TRG_EMPLOYEES_SALARY|ENABLED",
                                      "TRG_PROJECTS_CODE|DISABLED"}));
}

}  // namespace
