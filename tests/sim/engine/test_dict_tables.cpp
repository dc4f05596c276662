// Tables in the stand-in's dictionary: what CREATE and ALTER TABLE record
// in USER_TABLES and USER_TAB_COLUMNS, constraints with Oracle's names and
// errors, enabling and disabling them, and DDL that fails leaving nothing.
#include <set>

#include "core_fixture.h"

namespace ocisim::testing {
namespace {

class DictTableTest : public CoreTest {
 protected:
  void expectError(const std::string& sql, int code, const std::string& text = "") {
    std::string msg;
    EXPECT_EQ(errorOf(sql, &msg), code) << sql << "\n" << msg;
    if (!text.empty()) {
      EXPECT_NE(msg.find(text), std::string::npos) << msg;
    }
  }
};

// ---- columns -----------------------------------------------------------------

struct ColumnCase {
  const char* decl;
  const char* expected;  // DATA_TYPE|DATA_LENGTH|DATA_PRECISION|DATA_SCALE|CHAR_LENGTH|CHAR_USED
};
void PrintTo(const ColumnCase& c, std::ostream* os) { *os << c.decl; }

class ColumnTypeTest : public DictTableTest, public ::testing::WithParamInterface<ColumnCase> {};

TEST_P(ColumnTypeTest, DictionaryDescribesTheDeclaredType) {
  exec(std::string("CREATE TABLE t (c ") + GetParam().decl + ")");
  EXPECT_EQ(one("SELECT DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, CHAR_LENGTH, CHAR_USED"
                " FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'T'"),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Types, ColumnTypeTest, ::testing::Values(
    ColumnCase{"NUMBER", "NUMBER|22|<null>|<null>|0|<null>"},
    ColumnCase{"NUMBER(6)", "NUMBER|22|6|0|0|<null>"},
    ColumnCase{"NUMBER(8,2)", "NUMBER|22|8|2|0|<null>"},
    ColumnCase{"NUMBER(*,0)", "NUMBER|22|<null>|0|0|<null>"},
    ColumnCase{"INTEGER", "NUMBER|22|<null>|0|0|<null>"},
    ColumnCase{"FLOAT", "FLOAT|22|126|<null>|0|<null>"},
    ColumnCase{"FLOAT(63)", "FLOAT|22|63|<null>|0|<null>"},
    ColumnCase{"VARCHAR2(30)", "VARCHAR2|30|<null>|<null>|30|B"},
    ColumnCase{"VARCHAR2(10 CHAR)", "VARCHAR2|40|<null>|<null>|10|C"},
    ColumnCase{"VARCHAR(5)", "VARCHAR2|5|<null>|<null>|5|B"},
    ColumnCase{"CHAR", "CHAR|1|<null>|<null>|1|B"},
    ColumnCase{"CHAR(2)", "CHAR|2|<null>|<null>|2|B"},
    ColumnCase{"DATE", "DATE|7|<null>|<null>|0|<null>"},
    ColumnCase{"LONG", "LONG|0|<null>|<null>|0|<null>"},
    ColumnCase{"LONG RAW", "LONG RAW|0|<null>|<null>|0|<null>"},
    ColumnCase{"RAW(16)", "RAW|16|<null>|<null>|0|<null>"},
    ColumnCase{"CLOB", "CLOB|4000|<null>|<null>|0|<null>"},
    ColumnCase{"BLOB", "BLOB|4000|<null>|<null>|0|<null>"}));

TEST_F(DictTableTest, ColumnsKeepOrderDefaultsAsWrittenAndNullability) {
  exec("CREATE TABLE t (id NUMBER(4) PRIMARY KEY, name VARCHAR2(20) DEFAULT 'x'  NOT NULL,\n"
       " made DATE DEFAULT SYSDATE\n, n NUMBER)");
  EXPECT_EQ(rows("SELECT COLUMN_NAME, COLUMN_ID, NULLABLE, DATA_DEFAULT FROM USER_TAB_COLUMNS"
                 " WHERE TABLE_NAME = 'T' ORDER BY COLUMN_ID"),
            (std::vector<std::string>{"ID|1|N|<null>", "NAME|2|N|'x'  ", "MADE|3|Y|SYSDATE\n", "N|4|Y|<null>"}));
  // Defaults are applied to rows that leave the column out.
  exec("INSERT INTO t (id) VALUES (1)");
  EXPECT_EQ(one("SELECT name, n FROM t"), "x|<null>");
  EXPECT_EQ(one("SELECT COUNT(*) FROM t WHERE made IS NOT NULL"), "1");
}

TEST_F(DictTableTest, NumbersAndLongTextsKeepEveryCharacter) {
  exec("CREATE TABLE t (n NUMBER, l LONG)");
  exec("INSERT INTO t VALUES (123456789012345678901234567890.5, '007')");
  EXPECT_EQ(one("SELECT n, l FROM t"), "123456789012345678901234567890.5|007");
}

TEST_F(DictTableTest, DescribeOfUserTableGivesOracleTypes) {
  exec("CREATE TABLE t (a NUMBER(5,2), b VARCHAR2(12), c DATE, d LONG, e CHAR(3), f RAW(8), g CLOB)");
  auto st = conn_->prepare("SELECT * FROM t");
  const auto& cols = st->describe();
  ASSERT_EQ(cols.size(), 7u);
  EXPECT_EQ(cols[0].type, SqlType::Number);
  EXPECT_EQ(cols[0].precision, 5);
  EXPECT_EQ(cols[0].scale, 2);
  EXPECT_EQ(cols[1].type, SqlType::Varchar2);
  EXPECT_EQ(cols[1].size, 12);
  EXPECT_EQ(cols[2].type, SqlType::Date);
  EXPECT_EQ(cols[3].type, SqlType::Long);
  EXPECT_EQ(cols[4].type, SqlType::Char);
  EXPECT_EQ(cols[5].type, SqlType::Raw);
  EXPECT_EQ(cols[6].type, SqlType::Clob);
}

// ---- storage -------------------------------------------------------------------

TEST_F(DictTableTest, StorageColumnsTakeTheStatementsValuesOrTheTablespaceDefaults) {
  exec("CREATE TABLE plain (a NUMBER)");
  exec("CREATE TABLE given (a NUMBER) TABLESPACE users PCTFREE 20 PCTUSED 50 INITRANS 3 MAXTRANS 100\n"
       "  storage ( initial 128K next 2M minextents 2 maxextents 50 pctincrease 0 )");
  const char* q =
      "SELECT TABLESPACE_NAME, PCT_FREE, INI_TRANS, MAX_TRANS, INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENTS,"
      " MAX_EXTENTS, PCT_INCREASE, PCT_USED FROM SYS.USER_TABLES WHERE TABLE_NAME = '";
  EXPECT_EQ(one(std::string(q) + "PLAIN'"), "USERS|10|1|255|65536|1048576|1|2147483645|<null>|<null>");
  EXPECT_EQ(one(std::string(q) + "GIVEN'"), "USERS|20|3|100|131072|2097152|2|50|0|50");
}

TEST_F(DictTableTest, IndexOrganizedTableKeepsItsStorageOnTheKeyIndex) {
  exec("CREATE TABLE c (id CHAR(2) CONSTRAINT c_pk PRIMARY KEY, name VARCHAR2(20)) ORGANIZATION INDEX");
  EXPECT_EQ(one("SELECT IOT_TYPE, TABLESPACE_NAME FROM USER_TABLES WHERE TABLE_NAME = 'C'"), "IOT|<null>");
  EXPECT_EQ(one("SELECT INDEX_TYPE, TABLESPACE_NAME FROM USER_INDEXES WHERE INDEX_NAME = 'C_PK'"), "IOT - TOP|USERS");
  expectError("CREATE TABLE d (id NUMBER) ORGANIZATION INDEX", 25175);
}

// ---- constraint names ------------------------------------------------------------

TEST_F(DictTableTest, UnnamedConstraintsGetFreshGeneratedNames) {
  exec("CREATE TABLE t (a NUMBER NOT NULL, b NUMBER CHECK (b > 0), c NUMBER, UNIQUE (c))");
  auto r = rows("SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE, SEARCH_CONDITION, GENERATED FROM USER_CONSTRAINTS"
                " WHERE TABLE_NAME = 'T' ORDER BY CONSTRAINT_NAME");
  ASSERT_EQ(r.size(), 3u);
  std::set<std::string> names;
  for (const auto& line : r) {
    std::string name = line.substr(0, line.find('|'));
    EXPECT_EQ(name.rfind("SYS_C", 0), 0u) << line;
    EXPECT_NE(line.find("|GENERATED NAME"), std::string::npos) << line;
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 3u);
  EXPECT_NE(r[0].find("|C|\"A\" IS NOT NULL|"), std::string::npos) << r[0];
  // The unique key's index carries the constraint's generated name.
  std::string uk = one("SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE TABLE_NAME = 'T' AND CONSTRAINT_TYPE = 'U'");
  EXPECT_EQ(one("SELECT INDEX_NAME, UNIQUENESS, GENERATED FROM USER_INDEXES WHERE TABLE_NAME = 'T'"),
            uk + "|UNIQUE|Y");
}

TEST_F(DictTableTest, GeneratedNameSkipsANameAlreadyInUse) {
  exec("CREATE TABLE t (a NUMBER NOT NULL)");
  std::string first = one("SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE TABLE_NAME = 'T'");
  long long n = std::stoll(first.substr(5));
  char next[32];
  std::snprintf(next, sizeof next, "SYS_C%07lld", n + 1);
  // A script copied from another database may carry the very name that comes next.
  exec(std::string("CREATE TABLE u (b NUMBER CONSTRAINT ") + next + " NOT NULL, c NUMBER NOT NULL)");
  auto names = rows("SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE TABLE_NAME = 'U' ORDER BY CONSTRAINT_NAME");
  ASSERT_EQ(names.size(), 2u);
  EXPECT_NE(names[0], names[1]);
  expectError(std::string("CREATE TABLE v (d NUMBER CONSTRAINT ") + next + " NOT NULL)", 2264);
}

// ---- enforcement -------------------------------------------------------------------

class EnforcementTest : public DictTableTest {
 protected:
  void SetUp() override {
    DictTableTest::SetUp();
    exec("CREATE TABLE dept (id NUMBER(4) CONSTRAINT dept_pk PRIMARY KEY, name VARCHAR2(20) NOT NULL,"
         " code CHAR(3) CONSTRAINT dept_code_uk UNIQUE)");
    exec("CREATE TABLE emp (id NUMBER CONSTRAINT emp_pk PRIMARY KEY, dept_id NUMBER CONSTRAINT emp_dept_fk"
         " REFERENCES dept, boss NUMBER CONSTRAINT emp_boss_fk REFERENCES emp ON DELETE CASCADE,"
         " sal NUMBER CONSTRAINT emp_sal_ck CHECK (sal > 0))");
    exec("CREATE TABLE part (d1 NUMBER, d2 NUMBER, CONSTRAINT part_pk PRIMARY KEY (d1, d2))");
    exec("CREATE TABLE piece (p1 NUMBER, p2 NUMBER, CONSTRAINT piece_fk FOREIGN KEY (p1, p2) REFERENCES part"
         " ON DELETE SET NULL)");
    exec("INSERT INTO dept VALUES (10, 'Sales', 'SAL')");
    exec("INSERT INTO emp VALUES (1, 10, NULL, 100)");
    exec("INSERT INTO emp VALUES (2, 10, 1, 50)");
    exec("INSERT INTO part VALUES (1, 1)");
    exec("INSERT INTO piece VALUES (1, 1)");
  }
};

struct ViolationCase {
  const char* sql;
  int code;
  const char* text;
};
void PrintTo(const ViolationCase& c, std::ostream* os) { *os << c.sql; }

class ViolationTest : public EnforcementTest, public ::testing::WithParamInterface<ViolationCase> {};

TEST_P(ViolationTest, FailsWithOraclesErrorAndChangesNothing) {
  const auto& c = GetParam();
  std::string before = one("SELECT COUNT(*) || ':' || SUM(id) || ':' || SUM(sal) FROM emp") +
                       one("SELECT COUNT(*) || ':' || MAX(name) FROM dept");
  expectError(c.sql, c.code, c.text);
  EXPECT_EQ(one("SELECT COUNT(*) || ':' || SUM(id) || ':' || SUM(sal) FROM emp") +
                one("SELECT COUNT(*) || ':' || MAX(name) FROM dept"),
            before);
}

INSTANTIATE_TEST_SUITE_P(Constraints, ViolationTest, ::testing::Values(
    ViolationCase{"INSERT INTO emp VALUES (1, 10, NULL, 5)", 1, "unique constraint (SCOTT.EMP_PK) violated"},
    ViolationCase{"INSERT INTO dept VALUES (20, 'X', 'SAL')", 1, "(SCOTT.DEPT_CODE_UK)"},
    ViolationCase{"UPDATE emp SET id = 1 WHERE id = 2", 1, "(SCOTT.EMP_PK)"},
    ViolationCase{"INSERT INTO emp (id) VALUES (NULL)", 1400, "cannot insert NULL into (\"SCOTT\".\"EMP\".\"ID\")"},
    ViolationCase{"INSERT INTO dept (id) VALUES (30)", 1400, "(\"SCOTT\".\"DEPT\".\"NAME\")"},
    ViolationCase{"UPDATE dept SET name = NULL", 1407, "cannot update (\"SCOTT\".\"DEPT\".\"NAME\") to NULL"},
    ViolationCase{"INSERT INTO emp VALUES (3, 10, NULL, -1)", 2290, "check constraint (SCOTT.EMP_SAL_CK) violated"},
    ViolationCase{"UPDATE emp SET sal = 0 WHERE id = 1", 2290, "(SCOTT.EMP_SAL_CK)"},
    ViolationCase{"INSERT INTO emp VALUES (3, 99, NULL, 1)", 2291,
                  "integrity constraint (SCOTT.EMP_DEPT_FK) violated - parent key not found"},
    ViolationCase{"UPDATE emp SET boss = 42 WHERE id = 2", 2291, "(SCOTT.EMP_BOSS_FK)"},
    ViolationCase{"INSERT INTO piece VALUES (1, 2)", 2291, "(SCOTT.PIECE_FK)"},
    ViolationCase{"DELETE FROM dept", 2292, "integrity constraint (SCOTT.EMP_DEPT_FK) violated - child record found"},
    ViolationCase{"UPDATE dept SET id = 11", 2292, "(SCOTT.EMP_DEPT_FK)"}));

TEST_F(EnforcementTest, RowsThatSatisfyEveryConstraintGoIn) {
  exec("INSERT INTO emp VALUES (3, NULL, NULL, NULL)");   // null keys and a null check pass
  exec("INSERT INTO piece VALUES (1, NULL)");             // a partly null foreign key is not checked
  exec("UPDATE dept SET name = 'Sales' || '!' WHERE id = 10");
  EXPECT_EQ(one("SELECT COUNT(*) FROM emp"), "3");
}

TEST_F(EnforcementTest, DeleteRulesCascadeAndSetNull) {
  exec("INSERT INTO emp VALUES (3, 10, 2, 10)");
  exec("DELETE FROM emp WHERE id = 1");  // 2 reports to 1, 3 to 2: the cascade follows the chain
  EXPECT_EQ(one("SELECT COUNT(*) FROM emp"), "0");
  exec("DELETE FROM part");
  EXPECT_EQ(one("SELECT COUNT(*) || ':' || NVL(p1, -1) || ':' || NVL(p2, -1) FROM piece"), "1:-1:-1");
}

TEST_F(EnforcementTest, DisabledConstraintIsNotEnforcedAndEnablingChecksTheRows) {
  exec("ALTER TABLE emp DISABLE CONSTRAINT emp_dept_fk");
  EXPECT_EQ(one("SELECT STATUS, VALIDATED FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = 'EMP_DEPT_FK'"),
            "DISABLED|NOT VALIDATED");
  exec("INSERT INTO emp VALUES (3, 77, NULL, 1)");
  expectError("ALTER TABLE emp ENABLE CONSTRAINT emp_dept_fk", 2298, "cannot validate (SCOTT.EMP_DEPT_FK)");
  EXPECT_EQ(one("SELECT STATUS FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = 'EMP_DEPT_FK'"), "DISABLED");
  exec("INSERT INTO dept VALUES (77, 'Late', NULL)");
  exec("ALTER TABLE emp ENABLE CONSTRAINT emp_dept_fk");
  EXPECT_EQ(one("SELECT STATUS, VALIDATED FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = 'EMP_DEPT_FK'"),
            "ENABLED|VALIDATED");
  expectError("INSERT INTO emp VALUES (4, 78, NULL, 1)", 2291);
  // NOVALIDATE leaves the rows already there alone but guards new ones.
  exec("ALTER TABLE emp DISABLE CONSTRAINT emp_dept_fk");
  exec("INSERT INTO emp VALUES (4, 78, NULL, 1)");
  exec("ALTER TABLE emp ENABLE NOVALIDATE CONSTRAINT emp_dept_fk");
  EXPECT_EQ(one("SELECT STATUS, VALIDATED FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = 'EMP_DEPT_FK'"),
            "ENABLED|NOT VALIDATED");
  expectError("INSERT INTO emp VALUES (5, 79, NULL, 1)", 2291);
  expectError("ALTER TABLE emp ENABLE VALIDATE CONSTRAINT emp_dept_fk", 2298);
  exec("DELETE FROM emp WHERE id = 4");

  // A disabled primary key loses the index it made; enabling makes it again.
  expectError("ALTER TABLE dept DISABLE PRIMARY KEY", 2297);
  exec("ALTER TABLE dept DISABLE PRIMARY KEY CASCADE");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_INDEXES WHERE INDEX_NAME = 'DEPT_PK'"), "0");
  exec("INSERT INTO dept VALUES (10, 'Twin', NULL)");
  expectError("ALTER TABLE dept ENABLE PRIMARY KEY", 2437, "cannot validate (SCOTT.DEPT_PK)");
  exec("DELETE FROM dept WHERE name = 'Twin'");
  exec("ALTER TABLE dept ENABLE CONSTRAINT dept_pk");
  EXPECT_EQ(one("SELECT UNIQUENESS FROM USER_INDEXES WHERE INDEX_NAME = 'DEPT_PK'"), "UNIQUE");
}

TEST_F(EnforcementTest, NotNullFollowsTheColumnsConstraints) {
  EXPECT_EQ(rows("Select Column_name, Nullable from Sys.user_Tab_Columns where Table_Name = 'DEPT' order by column_Id"),
            (std::vector<std::string>{"ID|N", "NAME|N", "CODE|Y"}));
  exec("ALTER TABLE dept MODIFY (code NOT NULL)");
  EXPECT_EQ(one("SELECT NULLABLE FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'DEPT' AND COLUMN_NAME = 'CODE'"), "N");
  expectError("ALTER TABLE dept MODIFY (code NOT NULL)", 1442);
  exec("ALTER TABLE dept MODIFY (code NULL)");
  EXPECT_EQ(one("SELECT NULLABLE FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'DEPT' AND COLUMN_NAME = 'CODE'"), "Y");
  exec("INSERT INTO emp VALUES (3, 10, NULL, NULL)");
  expectError("ALTER TABLE emp MODIFY sal NOT NULL", 2296);
}

// ---- ALTER and DROP --------------------------------------------------------------

TEST_F(EnforcementTest, AlterTableKeepsTheRows) {
  exec("ALTER TABLE emp ADD (note VARCHAR2(10) DEFAULT 'new', grade NUMBER)");
  EXPECT_EQ(rows("SELECT id, note, grade FROM emp ORDER BY id"),
            (std::vector<std::string>{"1|new|<null>", "2|new|<null>"}));
  exec("ALTER TABLE emp MODIFY (grade DEFAULT 7)");
  exec("INSERT INTO emp (id, dept_id) VALUES (5, 10)");
  EXPECT_EQ(one("SELECT grade FROM emp WHERE id = 5"), "7");
  EXPECT_EQ(one("SELECT DATA_DEFAULT FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'EMP' AND COLUMN_NAME = 'GRADE'"), "7");
  // Constraints survive the table being rebuilt.
  expectError("INSERT INTO emp (id, dept_id) VALUES (5, 10)", 1, "(SCOTT.EMP_PK)");
  expectError("INSERT INTO emp (id, dept_id) VALUES (6, 99)", 2291);
  expectError("DELETE FROM dept", 2292);

  exec("ALTER TABLE emp ADD CONSTRAINT emp_grade_ck CHECK (grade < 10)");
  expectError("UPDATE emp SET grade = 10", 2290, "(SCOTT.EMP_GRADE_CK)");
  exec("ALTER TABLE emp DROP CONSTRAINT emp_grade_ck");
  exec("UPDATE emp SET grade = 10");
  exec("ALTER TABLE emp DROP COLUMN note");
  EXPECT_EQ(rows("SELECT COLUMN_NAME FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'EMP' ORDER BY COLUMN_ID"),
            (std::vector<std::string>{"ID", "DEPT_ID", "BOSS", "SAL", "GRADE"}));
  EXPECT_EQ(one("SELECT COUNT(*) FROM emp WHERE grade = 10"), "3");
  expectError("ALTER TABLE emp ADD CONSTRAINT emp_grade_ck CHECK (grade < 10)", 2293);
}

TEST_F(EnforcementTest, KeysThatOthersReferenceNeedCascade) {
  expectError("ALTER TABLE dept DROP CONSTRAINT dept_pk", 2273);
  expectError("DROP TABLE dept", 2449);
  exec("DROP TABLE dept CASCADE CONSTRAINTS");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME IN ('EMP_DEPT_FK', 'DEPT_PK')"), "0");
  exec("INSERT INTO emp VALUES (3, 12345, NULL, 1)");  // the reference went with the table
  expectError("SELECT * FROM dept", 942);
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_NAME IN ('DEPT', 'DEPT_PK', 'DEPT_CODE_UK')"), "0");
}

TEST_F(DictTableTest, KeysMatchTheReferencedColumnsAndUseAnExistingIndex) {
  exec("CREATE TABLE p (a NUMBER, b NUMBER)");
  exec("CREATE UNIQUE INDEX p_ab ON p (a, b)");
  exec("ALTER TABLE p ADD ( CONSTRAINT p_pk PRIMARY KEY (a, b) )");
  EXPECT_EQ(one("SELECT INDEX_NAME FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = 'P_PK'"), "P_AB");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_INDEXES WHERE TABLE_NAME = 'P'"), "1");
  exec("CREATE TABLE c (x NUMBER, y NUMBER)");
  expectError("ALTER TABLE c ADD FOREIGN KEY (x) REFERENCES p (a)", 2270);
  expectError("ALTER TABLE c ADD FOREIGN KEY (x) REFERENCES p", 2256);
  expectError("ALTER TABLE c ADD FOREIGN KEY (x) REFERENCES nosuch", 942);
  expectError("ALTER TABLE p ADD PRIMARY KEY (b)", 2260);
  exec("ALTER TABLE c ADD CONSTRAINT c_fk FOREIGN KEY (x, y) REFERENCES p (a, b)");
  EXPECT_EQ(rows("SELECT COLUMN_NAME, POSITION FROM USER_CONS_COLUMNS WHERE CONSTRAINT_NAME = 'C_FK' ORDER BY POSITION"),
            (std::vector<std::string>{"X|1", "Y|2"}));
  EXPECT_EQ(one("SELECT R_CONSTRAINT_NAME, DELETE_RULE FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = 'C_FK'"),
            "P_PK|NO ACTION");
  // Dropping the key leaves the index that was there before it.
  exec("ALTER TABLE p DROP PRIMARY KEY CASCADE");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_INDEXES WHERE INDEX_NAME = 'P_AB'"), "1");
}

TEST_F(DictTableTest, KeysOfOtherUsersShowInAllConstraints) {
  addUser(dir_, "TESTDB", "other", "pw");
  {
    auto conn = attachIn(dir_, "TESTDB");
    std::string warning;
    conn->logon("OTHER", "pw", &warning);
    conn->prepare("CREATE TABLE codes (code CHAR(2) CONSTRAINT codes_pk PRIMARY KEY)")->execute();
    conn->prepare("INSERT INTO codes VALUES ('AA')")->execute();
    conn->commit();
  }
  exec("CREATE TABLE t (code CHAR(2) CONSTRAINT t_code_fk REFERENCES other.codes)");
  exec("INSERT INTO t VALUES ('AA')");
  expectError("INSERT INTO t VALUES ('BB')", 2291, "(SCOTT.T_CODE_FK)");
  EXPECT_EQ(one("SELECT R_OWNER, R_CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = 'T_CODE_FK'"),
            "OTHER|CODES_PK");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = 'CODES_PK'"), "0");
  EXPECT_EQ(one("SELECT c.TABLE_NAME, c.COLUMN_NAME FROM ALL_CONSTRAINTS k, ALL_CONS_COLUMNS c"
                " WHERE k.OWNER = 'OTHER' AND k.CONSTRAINT_NAME = 'CODES_PK' AND c.OWNER = k.OWNER"
                " AND c.CONSTRAINT_NAME = k.CONSTRAINT_NAME"),
            "CODES|CODE");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TABLES"), "1");
}

// ---- statements that fail --------------------------------------------------------

struct BadDdl {
  const char* sql;
  int code;
};
void PrintTo(const BadDdl& c, std::ostream* os) { *os << c.sql; }

class BadDdlTest : public DictTableTest, public ::testing::WithParamInterface<BadDdl> {
 protected:
  void SetUp() override {
    DictTableTest::SetUp();
    exec("CREATE TABLE t (a NUMBER, b VARCHAR2(5))");
  }
};

TEST_P(BadDdlTest, FailsWithOraclesErrorAndLeavesNothing) {
  std::string before = one("SELECT COUNT(*) FROM USER_OBJECTS") + one("SELECT COUNT(*) FROM USER_CONSTRAINTS") +
                       one("SELECT COUNT(*) FROM USER_TAB_COLUMNS");
  expectError(GetParam().sql, GetParam().code);
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_OBJECTS") + one("SELECT COUNT(*) FROM USER_CONSTRAINTS") +
                one("SELECT COUNT(*) FROM USER_TAB_COLUMNS"),
            before);
  exec("INSERT INTO t VALUES (1, 'x')");  // the table is still whole
}

INSTANTIATE_TEST_SUITE_P(Errors, BadDdlTest, ::testing::Values(
    BadDdl{"CREATE TABLE t (a NUMBER)", 955},
    BadDdl{"CREATE TABLE u (a NUMBER, a DATE)", 957},
    BadDdl{"CREATE TABLE u (a NUMBER, b NUMBER REFERENCES nosuch)", 942},
    BadDdl{"CREATE TABLE u (a NUMBER CONSTRAINT u_pk PRIMARY KEY, b NUMBER CONSTRAINT u_pk UNIQUE)", 2264},
    BadDdl{"CREATE TABLE u (a WIDGET)", 902},
    BadDdl{"CREATE TABLE u (a VARCHAR2)", 906},
    BadDdl{"CREATE TABLE u (a NUMBER(40))", 1727},
    BadDdl{"CREATE TABLE u (a LONG, b LONG RAW)", 1754},
    BadDdl{"ALTER TABLE t ADD (c LONG, d LONG)", 1754},
    BadDdl{"CREATE TABLE u (a NUMBER", 907},
    BadDdl{"CREATE TABLE u (a NUMBER) PCTFREE", 2211},
    BadDdl{"CREATE TABLE u (a NUMBER) FROB 3", 933},
    BadDdl{"CREATE TABLE a234567890123456789012345678901 (a NUMBER)", 972},
    BadDdl{"ALTER TABLE nosuch ADD (c NUMBER)", 942},
    BadDdl{"ALTER TABLE t ADD (a NUMBER)", 1430},
    BadDdl{"ALTER TABLE t ADD CONSTRAINT k UNIQUE (nosuch)", 904},
    BadDdl{"ALTER TABLE t DROP CONSTRAINT nosuch", 2443},
    BadDdl{"ALTER TABLE t ENABLE CONSTRAINT nosuch", 2430},
    BadDdl{"ALTER TABLE t DISABLE CONSTRAINT nosuch", 2431},
    BadDdl{"ALTER TABLE t MODIFY (b NULL)", 1451},
    BadDdl{"ALTER TABLE t FROB", 1735},
    BadDdl{"DROP TABLE nosuch", 942},
    BadDdl{"DROP TABLE t EXTRA", 933},
    BadDdl{"CREATE WIDGET w", 901},
    BadDdl{"DROP WIDGET w", 950}));

TEST_F(DictTableTest, CreateTableAsSelectCopiesColumnsAndRows) {
  exec("CREATE TABLE src (id NUMBER(4), name VARCHAR2(10), born DATE)");
  exec("INSERT INTO src VALUES (1, 'a', TO_DATE('2001-02-03', 'YYYY-MM-DD'))");
  exec("INSERT INTO src VALUES (2, 'b', NULL)");
  exec("CREATE TABLE copy1 AS SELECT id, name, born FROM src WHERE id > 1");
  EXPECT_EQ(rows("SELECT COLUMN_NAME, DATA_TYPE, DATA_PRECISION, DATA_LENGTH FROM USER_TAB_COLUMNS"
                 " WHERE TABLE_NAME = 'COPY1' ORDER BY COLUMN_ID"),
            (std::vector<std::string>{"ID|NUMBER|4|22", "NAME|VARCHAR2|<null>|10", "BORN|DATE|<null>|7"}));
  EXPECT_EQ(one("SELECT id || name FROM copy1"), "2b");
  exec("CREATE TABLE copy2 (k, v) AS SELECT id, name FROM src");
  EXPECT_EQ(one("SELECT COUNT(*) || MAX(v) FROM copy2"), "2b");
  expectError("CREATE TABLE copy3 (a, b, c) AS SELECT id FROM src", 1730);
  expectError("CREATE TABLE copy3 AS SELECT nosuch FROM src", 904);
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TABLES WHERE TABLE_NAME = 'COPY3'"), "0");
}

TEST_F(EnforcementTest, RenamingCarriesConstraintsIndexesAndComments) {
  exec("COMMENT ON TABLE dept IS 'Departments'");
  exec("CREATE VIEW v_dept AS SELECT id FROM dept");
  exec("RENAME dept TO division");
  expectError("SELECT * FROM dept", 942);
  EXPECT_EQ(one("SELECT COUNT(*) FROM division"), "1");
  EXPECT_EQ(one("select comments from sys.user_tab_comments where table_name = 'DIVISION'"), "Departments");
  EXPECT_EQ(one("SELECT TABLE_NAME FROM USER_INDEXES WHERE INDEX_NAME = 'DEPT_PK'"), "DIVISION");
  EXPECT_EQ(one("SELECT STATUS FROM USER_OBJECTS WHERE OBJECT_NAME = 'V_DEPT'"), "INVALID");
  expectError("INSERT INTO emp VALUES (3, 99, NULL, 1)", 2291, "(SCOTT.EMP_DEPT_FK)");
  expectError("DELETE FROM division", 2292);
  expectError("INSERT INTO division (id) VALUES (11)", 1400, "(\"SCOTT\".\"DIVISION\".\"NAME\")");

  exec("ALTER TABLE emp RENAME COLUMN sal TO salary");
  EXPECT_EQ(one("SELECT SEARCH_CONDITION FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = 'EMP_SAL_CK'"), "SALARY > 0");
  expectError("UPDATE emp SET salary = -5", 2290, "(SCOTT.EMP_SAL_CK)");
  exec("ALTER TABLE division RENAME COLUMN name TO title");
  expectError("UPDATE division SET title = NULL", 1407, "\"TITLE\"");
  exec("ALTER TABLE emp RENAME CONSTRAINT emp_sal_ck TO emp_salary_positive");
  expectError("UPDATE emp SET salary = -5", 2290, "(SCOTT.EMP_SALARY_POSITIVE)");
  exec("ALTER TABLE division RENAME TO dept");
  EXPECT_EQ(one("SELECT R_CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = 'EMP_DEPT_FK'"), "DEPT_PK");
  expectError("RENAME dept TO emp", 955);
  expectError("RENAME nosuch TO x", 4043);
}

TEST_F(DictTableTest, MandatoryColumnNeedsAnEmptyTableOrADefault) {
  exec("CREATE TABLE t (a NUMBER)");
  exec("INSERT INTO t VALUES (1)");
  expectError("ALTER TABLE t ADD (b NUMBER NOT NULL)", 1758);
  exec("ALTER TABLE t ADD (b NUMBER DEFAULT 0 NOT NULL)");
  EXPECT_EQ(one("SELECT a, b FROM t"), "1|0");
}

TEST_F(DictTableTest, TruncateEmptiesATableThatOnlyReferencesItself) {
  exec("CREATE TABLE t (id NUMBER PRIMARY KEY, up NUMBER REFERENCES t)");
  exec("INSERT INTO t VALUES (1, NULL)");
  exec("INSERT INTO t VALUES (2, 1)");
  exec("TRUNCATE TABLE t");
  EXPECT_EQ(one("SELECT COUNT(*) FROM t"), "0");
  expectError("INSERT INTO t VALUES (3, 9)", 2291);
  exec("CREATE TABLE c (tid NUMBER REFERENCES t)");
  expectError("TRUNCATE TABLE t", 2266);
}

}  // namespace
}  // namespace ocisim::testing
