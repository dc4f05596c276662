// Views and triggers of a schema of today, scripted with every box and
// loaded strictly into an empty schema: column names of unaliased
// expressions, READ ONLY and CHECK OPTION with their names, comments on
// views, views calling stored code or unable to compile, triggers created
// as owner.name, UPDATE OF columns, WHEN, FOLLOWS, CALL triggers, disabled,
// INSTEAD OF and schema triggers.  The two databases' dictionaries and rows
// must compare equal.
#include <gtest/gtest.h>

#include "roundtrip_support.h"

namespace {

const char* kSchema = R"SQL(
CREATE TABLE emp (id NUMBER CONSTRAINT emp_pk PRIMARY KEY, first_name VARCHAR2(20), last_name VARCHAR2(20), sal NUMBER,
                  dept_id NUMBER);
CREATE TABLE audit_log (what VARCHAR2(40));
INSERT INTO emp VALUES (1, 'Ada', 'Lovelace', 100, 10);
INSERT INTO emp VALUES (2, 'Alan', 'Turing', 200, 20);
CREATE FUNCTION yearly(p NUMBER) RETURN NUMBER IS BEGIN RETURN p * 12; END;
/
CREATE PACKAGE pay AS FUNCTION net(p NUMBER) RETURN NUMBER; END;
/
CREATE PROCEDURE log_it IS BEGIN INSERT INTO audit_log VALUES ('deleted'); END;
/
CREATE VIEW v_names (id, full_name) AS SELECT id, first_name || ' ' || last_name FROM emp;
CREATE VIEW a_on_names AS SELECT full_name FROM v_names;
CREATE VIEW v_ro AS SELECT id, sal FROM emp WITH READ ONLY CONSTRAINT v_ro_only;
CREATE VIEW v_chk AS SELECT id, sal FROM emp WHERE sal > 0 WITH CHECK OPTION;
CREATE VIEW v_yearly AS SELECT id, yearly(sal) y, pay.net(sal) n FROM emp;
CREATE VIEW b_on_yearly AS SELECT id FROM v_yearly;
CREATE FORCE VIEW v_missing AS SELECT x FROM not_there;
CREATE VIEW v_grouping AS SELECT dept_id, SUM(sal) s FROM emp GROUP BY GROUPING SETS ((dept_id), ());
COMMENT ON TABLE v_names IS 'Employees by name';
COMMENT ON COLUMN v_names.full_name IS 'First and last name';
CREATE TRIGGER scott.emp_first BEFORE INSERT ON scott.emp FOR EACH ROW
BEGIN
  :new.sal := NVL(:new.sal, 0);
END;
/
CREATE TRIGGER emp_second BEFORE INSERT ON emp FOR EACH ROW FOLLOWS emp_first
BEGIN
  NULL;
END;
/
CREATE TRIGGER emp_sal AFTER UPDATE OF sal, dept_id ON emp REFERENCING NEW AS n OLD AS o FOR EACH ROW
WHEN (n.sal > o.sal)
BEGIN
  INSERT INTO audit_log VALUES ('raise');
END;
/
CREATE TRIGGER emp_off BEFORE DELETE ON emp
BEGIN
  RAISE_APPLICATION_ERROR(-20001, 'no deletes');
END;
/
ALTER TRIGGER emp_off DISABLE;
CREATE TRIGGER emp_call AFTER DELETE ON emp FOR EACH ROW CALL log_it
/
CREATE TRIGGER v_names_ins INSTEAD OF INSERT ON v_names FOR EACH ROW
BEGIN
  INSERT INTO emp (id, first_name) VALUES (:new.id, :new.full_name);
END;
/
CREATE TRIGGER on_logon AFTER LOGON ON SCHEMA
BEGIN
  NULL;
END;
/
CREATE TRIGGER no_ddl BEFORE DDL ON SCHEMA
BEGIN
  RAISE_APPLICATION_ERROR(-20002, 'no DDL');
END;
/
ALTER TRIGGER no_ddl DISABLE;
)SQL";

const writers_test::ExtraParts kParts = {
    {"view constraints",
     "SELECT TABLE_NAME, CONSTRAINT_TYPE, STATUS, CASE WHEN GENERATED = 'USER NAME' THEN CONSTRAINT_NAME ELSE "
     "'system-named' END FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE IN ('O', 'V') ORDER BY 1"},
    {"view read only", "SELECT VIEW_NAME, READ_ONLY FROM USER_VIEWS ORDER BY 1"},
    {"view status", "SELECT OBJECT_NAME, STATUS FROM USER_OBJECTS WHERE OBJECT_TYPE = 'VIEW' ORDER BY 1"},
    {"view comments", "SELECT TABLE_NAME, TABLE_TYPE, COMMENTS FROM USER_TAB_COMMENTS WHERE TABLE_TYPE = 'VIEW' ORDER BY 1"},
    {"view dependencies",
     "SELECT NAME, REFERENCED_NAME, REFERENCED_TYPE FROM USER_DEPENDENCIES WHERE TYPE = 'VIEW' ORDER BY 1, 2"},
    {"trigger details",
     "SELECT TRIGGER_NAME, STATUS, BASE_OBJECT_TYPE, TABLE_OWNER, ACTION_TYPE, REFERENCING_NAMES FROM USER_TRIGGERS "
     "ORDER BY 1"},
    {"trigger columns", "SELECT TRIGGER_NAME, COLUMN_NAME, COLUMN_LIST FROM USER_TRIGGER_COLS ORDER BY 1, 2"},
    {"trigger ordering",
     "SELECT TRIGGER_NAME, REFERENCED_TRIGGER_NAME, ORDERING_TYPE FROM USER_TRIGGER_ORDERING ORDER BY 1"},
};

size_t At(const std::string& script, const std::string& what) {
  const size_t at = script.find(what);
  EXPECT_NE(at, std::string::npos) << "the script lacks: " << what;
  return at;
}

TEST(ModernViewsTriggers, RoundTripKeepsViewsAndTriggers) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText(kSchema), "") << "the schema does not load";
  const std::string script =
      writers_test::ExpectRoundTrip(db, "modern_views_triggers", writers_test::TickAllButDrops, kParts);

  // Views: the column names, the restrictions with the names the user gave.
  At(script, "CREATE OR REPLACE VIEW V_NAMES (ID, FULL_NAME)\r\nAS\r\nSELECT id, first_name");
  At(script, "WITH READ ONLY CONSTRAINT V_RO_ONLY;");
  At(script, "WHERE sal > 0\r\nWITH CHECK OPTION;");
  At(script, "COMMENT ON COLUMN V_NAMES.FULL_NAME IS 'First and last name';");
  At(script, "CREATE OR REPLACE FORCE VIEW V_MISSING");
  // A view comes after what it selects from, and after the code it calls.
  EXPECT_LT(At(script, "*  View: V_NAMES"), At(script, "*  View: A_ON_NAMES"));
  EXPECT_LT(At(script, "*  Function: YEARLY"), At(script, "*  View: V_YEARLY"));
  EXPECT_LT(At(script, "*  PACKAGE HEADER: PAY"), At(script, "*  View: V_YEARLY"));
  EXPECT_LT(At(script, "*  View: V_YEARLY"), At(script, "*  View: B_ON_YEARLY"));

  // Triggers: headers from the dictionary, in the new schema.
  EXPECT_EQ(script.find("SCOTT."), std::string::npos);
  At(script, "CREATE OR REPLACE TRIGGER EMP_SAL\r\nAFTER UPDATE OF DEPT_ID, SAL ON EMP\r\n"
             "REFERENCING NEW AS N OLD AS O\r\nFOR EACH ROW\r\nWHEN (n.sal > o.sal)\r\nBEGIN");
  EXPECT_LT(At(script, "*   Trigger : EMP_FIRST"), At(script, "FOLLOWS EMP_FIRST\r\n"));
  At(script, "END;\r\n/\r\n\r\nALTER TRIGGER EMP_OFF DISABLE;");
  EXPECT_LT(At(script, "*  View: V_NAMES"), At(script, "INSTEAD OF INSERT ON V_NAMES"));
  EXPECT_LT(At(script, "*  View: B_ON_YEARLY"), At(script, "AFTER LOGON ON SCHEMA"));
  At(script, "ALTER TRIGGER NO_DDL DISABLE;");
}

// Views whose names begin with SM or EVT are not scripted; the script says so.
TEST(ModernViewsTriggers, ViewsLeftOutByNameAreNamed) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText("CREATE TABLE t (x NUMBER);\nCREATE VIEW sm_one AS SELECT x FROM t;\n"
                       "CREATE VIEW evt_two AS SELECT x FROM t;\nCREATE VIEW uses_sm AS SELECT x FROM sm_one;\n"),
            "");
  const std::string script = db.Script(writers_test::TickAllButDrops);
  At(script, "Views left out of this script (names beginning with SM or EVT are not scripted):\r\n   EVT_TWO\r\n"
             "   SM_ONE */");
  EXPECT_EQ(script.find("VIEW SM_ONE"), std::string::npos);
  // A view on a view left out cannot compile where the script runs.
  At(script, "CREATE OR REPLACE FORCE VIEW USES_SM");
}

}  // namespace
