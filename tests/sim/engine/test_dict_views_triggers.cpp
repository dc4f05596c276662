// What the stand-in keeps of views it cannot run and of the triggers a
// schema of today holds: FORCE views, view dependencies on stored code,
// READ ONLY / CHECK OPTION constraints, UPDATE OF columns, trigger order,
// CALL triggers, INSTEAD OF and schema triggers.
#include "core_fixture.h"

namespace ocisim::testing {
namespace {

class ViewsTriggersTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    exec("CREATE TABLE emp (id NUMBER PRIMARY KEY, name VARCHAR2(20), sal NUMBER, dept NUMBER)");
    exec("INSERT INTO emp VALUES (1, 'A', 100, 10)");
    exec("CREATE FUNCTION bonus(p NUMBER) RETURN NUMBER IS BEGIN RETURN p / 10; END;");
    exec("CREATE PACKAGE pay AS FUNCTION net(p NUMBER) RETURN NUMBER; END;");
  }
  void expectError(const std::string& sql, int code, const std::string& text = "") {
    std::string msg;
    EXPECT_EQ(errorOf(sql, &msg), code) << sql << "\n" << msg;
    if (!text.empty()) {
      EXPECT_NE(msg.find(text), std::string::npos) << msg;
    }
  }
  std::string status(const std::string& view) {
    return one("SELECT STATUS FROM USER_OBJECTS WHERE OBJECT_TYPE = 'VIEW' AND OBJECT_NAME = '" + view + "'");
  }
};

// ---- views -------------------------------------------------------------------------

struct ViewCase {
  const char* query;
  int withoutForce;  // the error without FORCE; 0: created, though invalid
};
void PrintTo(const ViewCase& c, std::ostream* os) { *os << c.query; }

class ViewsItCannotRun : public ViewsTriggersTest, public ::testing::WithParamInterface<ViewCase> {};

// A query Oracle refuses is refused without FORCE; what Oracle would
// compile but this engine cannot run is kept with errors.  With FORCE every
// one is kept, with its text, INVALID, and cannot be selected from.
TEST_P(ViewsItCannotRun, KeptInvalidWithItsText) {
  const std::string query = GetParam().query;
  if (GetParam().withoutForce) {
    expectError("CREATE VIEW v AS " + query, GetParam().withoutForce);
    EXPECT_EQ(one("SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_NAME = 'V'"), "0");
  } else {
    exec("CREATE VIEW v AS " + query);
    EXPECT_EQ(status("V"), "INVALID");
  }
  exec("CREATE OR REPLACE FORCE VIEW v AS " + query);
  EXPECT_EQ(status("V"), "INVALID");
  EXPECT_EQ(one("SELECT TEXT FROM USER_VIEWS WHERE VIEW_NAME = 'V'"), query);
  expectError("SELECT * FROM v", 4063, "view \"SCOTT.V\" has errors");
}

INSTANTIATE_TEST_SUITE_P(
    Queries, ViewsItCannotRun,
    ::testing::Values(ViewCase{"SELECT id, nosuch_function(sal) x FROM emp", 904},
                      ViewCase{"SELECT id, missing_column FROM emp", 904},
                      ViewCase{"SELECT * FROM missing_table", 942},
                      ViewCase{"SELECT id, bonus(sal) b FROM emp", 0},
                      ViewCase{"SELECT id, pay.net(sal) n FROM emp", 0},
                      ViewCase{"SELECT dept, SUM(sal) s FROM emp GROUP BY GROUPING SETS ((dept), ())", 0},
                      ViewCase{"SELECT j.x FROM emp, JSON_TABLE(name, '$' COLUMNS (x NUMBER PATH '$.x')) j", 0},
                      ViewCase{"SELECT LISTAGG(name, ',' ON OVERFLOW TRUNCATE) WITHIN GROUP (ORDER BY name) l FROM emp",
                               0},
                      ViewCase{"SELECT dept, GROUPING_ID(dept) g FROM emp GROUP BY ROLLUP (dept)", 0},
                      ViewCase{"SELECT id, RATIO_TO_REPORT(sal) OVER () r FROM emp", 0}));

struct NamedColumnsCase {
  const char* statement;
  const char* columns;  // COLUMN_NAME|... in COLUMN_ID order; "" for none
};
void PrintTo(const NamedColumnsCase& c, std::ostream* os) { *os << c.statement; }

class ViewsItCannotRunKeepColumns : public ViewsTriggersTest,
                                    public ::testing::WithParamInterface<NamedColumnsCase> {};

// A view Oracle compiles and this engine cannot run keeps the columns its
// text names, so comments on them load; a view with real errors (FORCE over
// a missing table) has none, as in Oracle.
TEST_P(ViewsItCannotRunKeepColumns, ByTheNamesTheTextGives) {
  exec(GetParam().statement);
  std::string names;
  for (const auto& n : rows("SELECT COLUMN_NAME FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'V' ORDER BY COLUMN_ID"))
    names += (names.empty() ? "" : "|") + n;
  EXPECT_EQ(names, GetParam().columns);
}

INSTANTIATE_TEST_SUITE_P(
    Queries, ViewsItCannotRunKeepColumns,
    ::testing::Values(
        NamedColumnsCase{"CREATE VIEW v AS SELECT e.id, name AS who, GROUPING_ID(dept) \"Grp\" FROM emp e "
                         "GROUP BY ROLLUP (e.id, name, dept)",
                         "ID|WHO|Grp"},
        NamedColumnsCase{"CREATE VIEW v (a, b) AS SELECT id, bonus(sal) FROM emp", "A|B"},
        NamedColumnsCase{"CREATE VIEW v AS WITH t AS (SELECT id, sal FROM emp) SELECT DISTINCT t.id, "
                         "RATIO_TO_REPORT(t.sal) OVER (ORDER BY t.id) share FROM t",
                         "ID|SHARE"},
        NamedColumnsCase{"CREATE VIEW v AS SELECT id, bonus(sal) FROM emp", ""},
        NamedColumnsCase{"CREATE VIEW v AS SELECT e.*, bonus(sal) b FROM emp e", ""},
        NamedColumnsCase{"CREATE FORCE VIEW v AS SELECT id, name FROM missing_table", ""}));

TEST_F(ViewsTriggersTest, CommentsOnTheColumnsOfAViewTheEngineCannotRun) {
  exec("CREATE VIEW v AS SELECT dept, GROUPING_ID(dept) g FROM emp GROUP BY ROLLUP (dept)");
  exec("COMMENT ON COLUMN v.g IS 'which rows are totals'");
  EXPECT_EQ(one("SELECT COMMENTS FROM USER_COL_COMMENTS WHERE TABLE_NAME = 'V' AND COLUMN_NAME = 'G'"),
            "which rows are totals");
}

TEST_F(ViewsTriggersTest, ViewDependsOnTheStoredCodeItCalls) {
  exec("CREATE VIEW v_pay AS SELECT id, bonus(sal) b, pay.net(sal) n FROM emp");
  EXPECT_EQ(rows("SELECT REFERENCED_NAME, REFERENCED_TYPE FROM USER_DEPENDENCIES WHERE NAME = 'V_PAY'"
                 " ORDER BY REFERENCED_NAME"),
            (std::vector<std::string>{"BONUS|FUNCTION", "EMP|TABLE", "PAY|PACKAGE"}));
}

TEST_F(ViewsTriggersTest, ViewRestrictionsAreConstraintsOfTheView) {
  exec("CREATE VIEW v_ro AS SELECT id, name FROM emp WITH READ ONLY CONSTRAINT v_ro_only");
  exec("CREATE VIEW v_chk AS SELECT id, sal FROM emp WHERE sal > 0 WITH CHECK OPTION");
  EXPECT_EQ(rows("SELECT TABLE_NAME, CONSTRAINT_NAME, CONSTRAINT_TYPE, GENERATED FROM USER_CONSTRAINTS"
                 " WHERE TABLE_NAME LIKE 'V\\_%' ESCAPE '\\' AND GENERATED = 'USER NAME'"),
            (std::vector<std::string>{"V_RO|V_RO_ONLY|O|USER NAME"}));
  EXPECT_EQ(one("SELECT CONSTRAINT_TYPE FROM USER_CONSTRAINTS WHERE TABLE_NAME = 'V_CHK'"), "V");
  EXPECT_EQ(rows("SELECT VIEW_NAME, READ_ONLY, TEXT FROM USER_VIEWS ORDER BY 1"),
            (std::vector<std::string>{"V_CHK|N|SELECT id, sal FROM emp WHERE sal > 0", "V_RO|Y|SELECT id, name FROM emp"}));
}

// ---- triggers ----------------------------------------------------------------------

TEST_F(ViewsTriggersTest, UpdateOfColumnsAreTriggerColumns) {
  exec("CREATE TRIGGER t_sal BEFORE UPDATE OF sal, dept ON emp FOR EACH ROW BEGIN NULL; END;");
  EXPECT_EQ(one("SELECT TRIGGERING_EVENT FROM USER_TRIGGERS WHERE TRIGGER_NAME = 'T_SAL'"), "UPDATE");
  EXPECT_EQ(rows("SELECT TRIGGER_NAME, TABLE_NAME, COLUMN_NAME, COLUMN_LIST FROM USER_TRIGGER_COLS"
                 " ORDER BY COLUMN_NAME"),
            (std::vector<std::string>{"T_SAL|EMP|DEPT|YES", "T_SAL|EMP|SAL|YES"}));
  expectError("CREATE TRIGGER t_bad BEFORE UPDATE OF nosuch ON emp BEGIN NULL; END;", 904);
  exec("DROP TRIGGER t_sal");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TRIGGER_COLS"), "0");
}

TEST_F(ViewsTriggersTest, FollowsIsKeptAndChecked) {
  exec("CREATE TABLE other (x NUMBER)");
  exec("CREATE TRIGGER t_first BEFORE INSERT ON emp FOR EACH ROW BEGIN NULL; END;");
  exec("CREATE TRIGGER t_other BEFORE INSERT ON other FOR EACH ROW BEGIN NULL; END;");
  exec("CREATE TRIGGER t_second BEFORE INSERT ON emp FOR EACH ROW FOLLOWS t_first BEGIN NULL; END;");
  EXPECT_EQ(rows("SELECT TRIGGER_NAME, REFERENCED_TRIGGER_OWNER, REFERENCED_TRIGGER_NAME, ORDERING_TYPE"
                 " FROM USER_TRIGGER_ORDERING"),
            (std::vector<std::string>{"T_SECOND|SCOTT|T_FIRST|FOLLOWS"}));
  expectError("CREATE TRIGGER t_x BEFORE INSERT ON emp FOR EACH ROW FOLLOWS nosuch BEGIN NULL; END;", 4080);
  expectError("CREATE TRIGGER t_x BEFORE INSERT ON emp FOR EACH ROW FOLLOWS t_other BEGIN NULL; END;", 25021);
  expectError("CREATE TRIGGER t_x BEFORE INSERT ON emp FOR EACH ROW PRECEDES t_first BEGIN NULL; END;", 25025);
  // Dropping the table drops its triggers and their order.
  exec("DROP TABLE emp");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TRIGGER_ORDERING"), "0");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TRIGGERS"), "1");
}

struct KindCase {
  const char* sql;
  const char* expected;  // TRIGGER_TYPE|TRIGGERING_EVENT|BASE_OBJECT_TYPE|TABLE_NAME|ACTION_TYPE|STATUS
};
void PrintTo(const KindCase& c, std::ostream* os) { *os << c.sql; }

class TriggerKinds : public ViewsTriggersTest, public ::testing::WithParamInterface<KindCase> {
 protected:
  void SetUp() override {
    ViewsTriggersTest::SetUp();
    exec("CREATE VIEW v_emp AS SELECT id, name FROM emp");
    exec("CREATE PROCEDURE log_it IS BEGIN NULL; END;");
  }
};

TEST_P(TriggerKinds, DictionaryDescribesIt) {
  exec(GetParam().sql);
  EXPECT_EQ(one("SELECT TRIGGER_TYPE, TRIGGERING_EVENT, BASE_OBJECT_TYPE, TABLE_NAME, ACTION_TYPE, STATUS"
                " FROM USER_TRIGGERS"),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TriggerKinds,
    ::testing::Values(
        KindCase{"CREATE TRIGGER t BEFORE INSERT ON emp FOR EACH ROW CALL log_it",
                 "BEFORE EACH ROW|INSERT|TABLE|EMP|CALL|ENABLED"},
        KindCase{"CREATE TRIGGER t INSTEAD OF INSERT OR UPDATE ON v_emp FOR EACH ROW BEGIN NULL; END;",
                 "INSTEAD OF|INSERT OR UPDATE|VIEW|V_EMP|PL/SQL|ENABLED"},
        KindCase{"CREATE TRIGGER t AFTER LOGON ON SCHEMA BEGIN NULL; END;",
                 "AFTER EVENT|LOGON|SCHEMA|<null>|PL/SQL|ENABLED"},
        KindCase{"CREATE TRIGGER t BEFORE DDL ON SCHEMA DISABLE BEGIN NULL; END;",
                 "BEFORE EVENT|DDL|SCHEMA|<null>|PL/SQL|DISABLED"}));

TEST_F(ViewsTriggersTest, TriggersOfAViewGoWithIt) {
  exec("CREATE VIEW v_emp AS SELECT id, name FROM emp");
  exec("CREATE TRIGGER t_ins INSTEAD OF INSERT ON v_emp BEGIN NULL; END;");
  expectError("CREATE TRIGGER t_bad BEFORE INSERT ON v_emp BEGIN NULL; END;", 25001);
  expectError("CREATE TRIGGER t_bad INSTEAD OF INSERT ON emp BEGIN NULL; END;", 25002);
  // Replacing the view drops its INSTEAD OF triggers, as dropping it does.
  exec("CREATE OR REPLACE VIEW v_emp AS SELECT id FROM emp");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE = 'TRIGGER'"), "0");
  exec("CREATE TRIGGER t_ins INSTEAD OF INSERT ON v_emp BEGIN NULL; END;");
  exec("DROP VIEW v_emp");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TRIGGERS"), "0");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_SOURCE WHERE TYPE = 'TRIGGER'"), "0");
}

}  // namespace
}  // namespace ocisim::testing
