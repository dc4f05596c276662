// Views, sequences, indexes, comments, stored units and triggers in the
// stand-in's dictionary.
#include "core_fixture.h"

namespace ocisim::testing {
namespace {

class DictObjectTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    exec("CREATE TABLE emp (id NUMBER PRIMARY KEY, name VARCHAR2(20), sal NUMBER, dept NUMBER)");
    exec("INSERT INTO emp VALUES (1, 'A', 100, 10)");
    exec("INSERT INTO emp VALUES (2, 'B', 200, 20)");
  }
  void expectError(const std::string& sql, int code, const std::string& text = "") {
    std::string msg;
    EXPECT_EQ(errorOf(sql, &msg), code) << sql << "\n" << msg;
    if (!text.empty()) {
      EXPECT_NE(msg.find(text), std::string::npos) << msg;
    }
  }
};

// ---- views -----------------------------------------------------------------------

TEST_F(DictObjectTest, ViewKeepsItsTextColumnsAndDependencies) {
  exec("CREATE OR REPLACE VIEW v_emp (emp_id, emp_name)\nAS\nSELECT id, name\n  FROM emp\n WHERE sal > 50\n");
  exec("CREATE VIEW v_top AS SELECT emp_name FROM v_emp WHERE emp_id = 2 WITH READ ONLY");
  EXPECT_EQ(one("SELECT TEXT FROM USER_VIEWS WHERE VIEW_NAME = 'V_EMP'"), "SELECT id, name\n  FROM emp\n WHERE sal > 50");
  EXPECT_EQ(one("SELECT TEXT, READ_ONLY FROM USER_VIEWS WHERE VIEW_NAME = 'V_TOP'"),
            "SELECT emp_name FROM v_emp WHERE emp_id = 2|Y");
  EXPECT_EQ(one("SELECT * FROM v_top"), "B");
  EXPECT_EQ(rows("SELECT COLUMN_NAME, DATA_TYPE FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'V_EMP' ORDER BY COLUMN_ID"),
            (std::vector<std::string>{"EMP_ID|NUMBER", "EMP_NAME|VARCHAR2"}));
  EXPECT_EQ(one("SELECT CONSTRAINT_TYPE, GENERATED FROM USER_CONSTRAINTS WHERE TABLE_NAME = 'V_TOP'"),
            "O|GENERATED NAME");
  EXPECT_EQ(rows("select dep.Name name, dep.Referenced_NAME RefName\r\nfrom user_users usr, user_dependencies dep\r\n"
                 "where usr.username = dep.referenced_owner and\r\ndep.type = 'VIEW' and dep.referenced_type = dep.type"),
            (std::vector<std::string>{"V_TOP|V_EMP"}));
  EXPECT_EQ(one("SELECT REFERENCED_NAME, REFERENCED_TYPE FROM USER_DEPENDENCIES WHERE NAME = 'V_EMP'"), "EMP|TABLE");
  // Replacing keeps the name usable and the text new.
  exec("CREATE OR REPLACE VIEW v_emp (emp_id, emp_name) AS SELECT id, UPPER(name) FROM emp");
  EXPECT_EQ(one("SELECT COUNT(*) FROM v_emp"), "2");
  expectError("CREATE VIEW v_emp AS SELECT 1 x FROM dual", 955);
  expectError("CREATE VIEW v_bad AS SELECT nosuch FROM emp", 904);
  expectError("CREATE VIEW v_bad AS SELECT * FROM nosuch", 942);
  expectError("CREATE VIEW v_cols (a, b, c) AS SELECT id FROM emp", 1730);
}

TEST_F(DictObjectTest, ViewWhoseTableGoesAwayStaysButCannotBeQueried) {
  exec("CREATE TABLE tmp (x NUMBER)");
  exec("CREATE VIEW v_tmp AS SELECT x FROM tmp");
  exec("DROP TABLE tmp");
  EXPECT_EQ(one("SELECT STATUS FROM USER_OBJECTS WHERE OBJECT_NAME = 'V_TMP'"), "INVALID");
  expectError("SELECT * FROM v_tmp", 4063, "view \"SCOTT.V_TMP\" has errors");
  exec("CREATE TABLE tmp (x NUMBER)");
  EXPECT_EQ(one("SELECT COUNT(*) FROM v_tmp"), "0");  // recompiled on use
  EXPECT_EQ(one("SELECT STATUS FROM USER_OBJECTS WHERE OBJECT_NAME = 'V_TMP'"), "VALID");
  exec("CREATE FORCE VIEW v_later AS SELECT y FROM later_table");
  EXPECT_EQ(one("SELECT STATUS FROM USER_OBJECTS WHERE OBJECT_NAME = 'V_LATER'"), "INVALID");
  EXPECT_EQ(one("SELECT TEXT FROM USER_VIEWS WHERE VIEW_NAME = 'V_LATER'"), "SELECT y FROM later_table");
  exec("DROP VIEW v_later");
  expectError("DROP VIEW v_later", 942);
}

// ---- sequences -------------------------------------------------------------------

struct SequenceCase {
  const char* options;
  const char* expected;  // MIN_VALUE|MAX_VALUE|INCREMENT_BY|CYCLE_FLAG|ORDER_FLAG|CACHE_SIZE|LAST_NUMBER
};
void PrintTo(const SequenceCase& c, std::ostream* os) { *os << c.options; }

class SequenceOptionsTest : public DictObjectTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(SequenceOptionsTest, DictionaryShowsTheOptions) {
  exec(std::string("CREATE SEQUENCE s ") + GetParam().options);
  EXPECT_EQ(one("SELECT MIN_VALUE, MAX_VALUE, INCREMENT_BY, CYCLE_FLAG, ORDER_FLAG, CACHE_SIZE, LAST_NUMBER"
                " FROM USER_SEQUENCES WHERE SEQUENCE_NAME = 'S'"),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Options, SequenceOptionsTest, ::testing::Values(
    SequenceCase{"", "1|9999999999999999999999999999|1|N|N|20|1"},
    SequenceCase{"START WITH 3300 INCREMENT BY 100 MAXVALUE 9900 NOCACHE NOCYCLE", "1|9900|100|N|N|0|3300"},
    SequenceCase{"INCREMENT BY -1", "-999999999999999999999999999|-1|-1|N|N|20|-1"},
    SequenceCase{"MINVALUE 5 MAXVALUE 50 CYCLE CACHE 5 ORDER", "5|50|1|Y|Y|5|5"}));

TEST_F(DictObjectTest, NextvalAndCurrvalFollowOracle) {
  exec("CREATE SEQUENCE s START WITH 10 INCREMENT BY 5 CACHE 3");
  expectError("SELECT s.CURRVAL FROM dual", 8002, "sequence S.CURRVAL is not yet defined in this session");
  EXPECT_EQ(one("SELECT s.NEXTVAL FROM dual"), "10");
  EXPECT_EQ(one("SELECT LAST_NUMBER FROM USER_SEQUENCES"), "25");  // a block of three handed to the cache
  EXPECT_EQ(one("SELECT s.NEXTVAL FROM dual"), "15");
  EXPECT_EQ(one("SELECT s.CURRVAL FROM dual"), "15");
  exec("INSERT INTO emp (id) VALUES (s.NEXTVAL)");
  EXPECT_EQ(one("SELECT MAX(id) FROM emp"), "20");
  EXPECT_EQ(one("SELECT s.NEXTVAL FROM dual"), "25");
  EXPECT_EQ(one("SELECT LAST_NUMBER FROM USER_SEQUENCES"), "40");

  exec("CREATE SEQUENCE small MAXVALUE 2 NOCACHE");
  EXPECT_EQ(one("SELECT small.NEXTVAL FROM dual"), "1");
  EXPECT_EQ(one("SELECT small.NEXTVAL FROM dual"), "2");
  expectError("SELECT small.NEXTVAL FROM dual", 8004, "exceeds MAXVALUE");
  exec("CREATE SEQUENCE ring MINVALUE 1 MAXVALUE 2 CYCLE NOCACHE");
  EXPECT_EQ(one("SELECT ring.NEXTVAL FROM dual"), "1");
  EXPECT_EQ(one("SELECT ring.NEXTVAL FROM dual"), "2");
  EXPECT_EQ(one("SELECT ring.NEXTVAL FROM dual"), "1");  // past MAXVALUE it starts again

  exec("CREATE SEQUENCE big START WITH 9999999999999999999999999998 NOCACHE");
  EXPECT_EQ(one("SELECT big.NEXTVAL FROM dual"), "9999999999999999999999999998");
  EXPECT_EQ(one("SELECT LAST_NUMBER FROM USER_SEQUENCES WHERE SEQUENCE_NAME = 'BIG'"), "9999999999999999999999999999");
}

TEST_F(DictObjectTest, SequenceErrors) {
  expectError("CREATE SEQUENCE s INCREMENT BY 0", 4002);
  expectError("CREATE SEQUENCE s MINVALUE 10 MAXVALUE 5", 4004);
  expectError("CREATE SEQUENCE s START WITH 0", 4006);
  expectError("CREATE SEQUENCE s START WITH 10 MAXVALUE 5", 4008);
  expectError("CREATE SEQUENCE s CACHE 1", 4010);
  expectError("CREATE SEQUENCE s MAXVALUE 3 CYCLE CACHE 10", 4013);
  expectError("CREATE SEQUENCE emp", 955);
  expectError("DROP SEQUENCE nosuch", 2289);
  expectError("SELECT nosuch.NEXTVAL FROM dual", 2289);
  exec("CREATE SEQUENCE s");
  expectError("ALTER SEQUENCE s START WITH 5", 2283);
  exec("ALTER SEQUENCE s INCREMENT BY 2 NOCACHE");
  EXPECT_EQ(one("SELECT INCREMENT_BY, CACHE_SIZE FROM USER_SEQUENCES"), "2|0");
  exec("DROP SEQUENCE s");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE = 'SEQUENCE'"), "0");
}

// ---- indexes and comments -----------------------------------------------------------

TEST_F(DictObjectTest, IndexesKeepColumnsStorageAndUniqueness) {
  exec("CREATE UNIQUE INDEX emp_name_ux ON emp (name, dept DESC)\n  tablespace USERS\n  pctfree 5\n"
       "  initrans 4\n  maxtrans 255\n  storage\n  (\n    initial 64K\n    next 1M\n    minextents 1\n"
       "    maxextents unlimited\n    pctincrease 0\n  )");
  EXPECT_EQ(one("SELECT UNIQUENESS, TABLESPACE_NAME, PCT_FREE, INI_TRANS, MAX_TRANS, INITIAL_EXTENT, NEXT_EXTENT,"
                " MIN_EXTENTS, MAX_EXTENTS, PCT_INCREASE FROM SYS.USER_INDEXES WHERE INDEX_NAME = 'EMP_NAME_UX'"),
            "UNIQUE|USERS|5|4|255|65536|1048576|1|2147483645|0");
  EXPECT_EQ(rows("SELECT COLUMN_NAME, COLUMN_POSITION, DESCEND FROM USER_IND_COLUMNS WHERE INDEX_NAME = 'EMP_NAME_UX'"
                 " ORDER BY COLUMN_POSITION"),
            (std::vector<std::string>{"NAME|1|ASC", "SYS_NC00005$|2|DESC"}));
  EXPECT_EQ(one("SELECT COLUMN_EXPRESSION FROM USER_IND_EXPRESSIONS WHERE INDEX_NAME = 'EMP_NAME_UX'"), "\"DEPT\"");
  exec("CREATE INDEX emp_sal_ix ON emp (sal)");
  EXPECT_EQ(one("SELECT UNIQUENESS, INI_TRANS, PCT_INCREASE FROM USER_INDEXES WHERE INDEX_NAME = 'EMP_SAL_IX'"),
            "NONUNIQUE|2|<null>");
  expectError("INSERT INTO emp VALUES (3, 'A', 1, 10)", 1, "unique constraint (SCOTT.EMP_NAME_UX) violated");
  expectError("CREATE INDEX emp_sal_ix2 ON emp (sal)", 1408);
  expectError("CREATE INDEX emp_sal_ix ON emp (dept)", 955);
  expectError("CREATE INDEX x ON emp (nosuch)", 904);
  expectError("CREATE INDEX x ON nosuch (a)", 942);
  exec("INSERT INTO emp VALUES (3, 'A', 300, 30)");
  expectError("CREATE UNIQUE INDEX emp_dup ON emp (name)", 1452);
  exec("DROP INDEX emp_sal_ix");
  expectError("DROP INDEX emp_sal_ix", 1418);
}

TEST_F(DictObjectTest, CommentsOnTablesAndColumns) {
  exec("COMMENT ON TABLE emp IS 'People''s table'");
  exec("COMMENT ON COLUMN emp.sal IS 'Monthly'");
  exec("COMMENT ON COLUMN scott.emp.name IS 'Full name'");
  EXPECT_EQ(one("select comments from sys.user_tab_comments where table_name = 'EMP'"), "People's table");
  EXPECT_EQ(one("select comments from sys.user_col_comments where table_name = 'EMP' and column_name = 'SAL'"), "Monthly");
  EXPECT_EQ(rows("select distinct column_name,comments from sys.user_col_comments where table_name = 'EMP'"
                 " ORDER BY column_name"),
            (std::vector<std::string>{"DEPT|<null>", "ID|<null>", "NAME|Full name", "SAL|Monthly"}));
  exec("COMMENT ON COLUMN emp.sal IS ''");
  EXPECT_EQ(one("select comments from sys.user_col_comments where table_name = 'EMP' and column_name = 'SAL'"), "<null>");
  expectError("COMMENT ON TABLE nosuch IS 'x'", 942);
  expectError("COMMENT ON COLUMN emp.nosuch IS 'x'", 904);
}

// ---- stored units ------------------------------------------------------------------

TEST_F(DictObjectTest, UnitsAreKeptAsSourceLines) {
  exec("CREATE OR REPLACE PROCEDURE p1 IS\nBEGIN\n  NULL;\nEND p1;");
  exec("CREATE OR REPLACE PROCEDURE p2 (x NUMBER)\nIS\nBEGIN\n  p1;\n  UPDATE emp SET sal = x;\nEND;\n\n");
  EXPECT_EQ(rows("select name,text from sys.user_source where type = 'PROCEDURE' order by name,line"),
            (std::vector<std::string>{"P1|PROCEDURE p1 IS\n", "P1|BEGIN\n", "P1|  NULL;\n", "P1|END p1;",
                                      "P2|PROCEDURE p2 (x NUMBER)\n", "P2|IS\n", "P2|BEGIN\n", "P2|  p1;\n",
                                      "P2|  UPDATE emp SET sal = x;\n", "P2|END;"}));
  EXPECT_EQ(rows("SELECT REFERENCED_NAME, REFERENCED_TYPE FROM USER_DEPENDENCIES WHERE NAME = 'P2'"
                 " AND REFERENCED_OWNER = 'SCOTT' ORDER BY 1"),
            (std::vector<std::string>{"EMP|TABLE", "P1|PROCEDURE"}));
  // Replacing swaps the text; creating again without OR REPLACE fails.
  exec("CREATE OR REPLACE PROCEDURE p1 IS BEGIN NULL; END;");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_SOURCE WHERE NAME = 'P1'"), "1");
  expectError("CREATE PROCEDURE p1 IS BEGIN NULL; END;", 955);
  expectError("CREATE OR REPLACE FUNCTION emp RETURN NUMBER IS BEGIN RETURN 1; END;", 955);

  exec("CREATE OR REPLACE PACKAGE pk IS\n  PROCEDURE go;\nEND pk;");
  exec("CREATE OR REPLACE PACKAGE BODY pk IS\n  PROCEDURE go IS BEGIN p2(1); END;\nEND pk;");
  EXPECT_EQ(rows("SELECT TYPE, NAME, TEXT FROM USER_SOURCE\r\nWHERE TYPE = 'PACKAGE'\r\nOR TYPE = 'PACKAGE BODY'\r\n"
                 "ORDER BY NAME, TYPE, LINE"),
            (std::vector<std::string>{"PACKAGE|PK|PACKAGE pk IS\n", "PACKAGE|PK|  PROCEDURE go;\n", "PACKAGE|PK|END pk;",
                                      "PACKAGE BODY|PK|PACKAGE BODY pk IS\n",
                                      "PACKAGE BODY|PK|  PROCEDURE go IS BEGIN p2(1); END;\n",
                                      "PACKAGE BODY|PK|END pk;"}));
  EXPECT_EQ(rows("select object_Name\r\nfrom user_objects\r\nwhere object_type = 'PROCEDURE' ORDER BY 1"),
            (std::vector<std::string>{"P1", "P2"}));
  exec("DROP PACKAGE pk");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_NAME = 'PK'"), "0");
  expectError("DROP PROCEDURE nosuch", 4043);
}

struct TriggerCase {
  const char* sql;
  const char* expected;  // TRIGGER_TYPE|TRIGGERING_EVENT|REFERENCING_NAMES|WHEN_CLAUSE|STATUS|DESCRIPTION|TRIGGER_BODY
};
void PrintTo(const TriggerCase& c, std::ostream* os) { *os << c.sql; }

class TriggerTest : public DictObjectTest, public ::testing::WithParamInterface<TriggerCase> {};

TEST_P(TriggerTest, DictionaryDescribesTheTrigger) {
  exec(GetParam().sql);
  EXPECT_EQ(one("SELECT TRIGGER_TYPE, TRIGGERING_EVENT, REFERENCING_NAMES, WHEN_CLAUSE, STATUS, DESCRIPTION,"
                " TRIGGER_BODY FROM USER_TRIGGERS WHERE TABLE_NAME = 'EMP'"),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TriggerTest, ::testing::Values(
    TriggerCase{"CREATE OR REPLACE TRIGGER t1\n  BEFORE INSERT OR UPDATE ON emp\n  FOR EACH ROW\nBEGIN\n  NULL;\nEND;",
                "BEFORE EACH ROW|INSERT OR UPDATE|REFERENCING NEW AS NEW OLD AS OLD|<null>|ENABLED|"
                "t1\n  BEFORE INSERT OR UPDATE ON emp\n  FOR EACH ROW\n|BEGIN\n  NULL;\nEND;"},
    TriggerCase{"CREATE TRIGGER t2 AFTER DELETE OR INSERT ON emp BEGIN NULL; END;",
                "AFTER STATEMENT|INSERT OR DELETE|REFERENCING NEW AS NEW OLD AS OLD|<null>|ENABLED|"
                "t2 AFTER DELETE OR INSERT ON emp |BEGIN NULL; END;"},
    TriggerCase{"CREATE TRIGGER t3 AFTER UPDATE OF sal, dept ON emp REFERENCING OLD AS o NEW AS n FOR EACH ROW\n"
                "WHEN (n.sal > o.sal) DECLARE x NUMBER; BEGIN x := 1; END;",
                "AFTER EACH ROW|UPDATE|REFERENCING NEW AS N OLD AS O|n.sal > o.sal|ENABLED|"
                "t3 AFTER UPDATE OF sal, dept ON emp REFERENCING OLD AS o NEW AS n FOR EACH ROW\n|"
                "DECLARE x NUMBER; BEGIN x := 1; END;"},
    TriggerCase{"CREATE TRIGGER t4 BEFORE DELETE ON emp DISABLE BEGIN NULL; END;",
                "BEFORE STATEMENT|DELETE|REFERENCING NEW AS NEW OLD AS OLD|<null>|DISABLED|"
                "t4 BEFORE DELETE ON emp DISABLE |BEGIN NULL; END;"}));

TEST_F(DictObjectTest, TriggersAreStoredNotRunAndCanBeSwitched) {
  exec("CREATE TRIGGER t_guard BEFORE INSERT ON emp FOR EACH ROW BEGIN RAISE_APPLICATION_ERROR(-20001, 'no'); END;");
  exec("INSERT INTO emp VALUES (3, 'C', 1, 1)");  // stored, not run
  exec("ALTER TRIGGER t_guard DISABLE");
  EXPECT_EQ(one("SELECT STATUS FROM USER_TRIGGERS WHERE TRIGGER_NAME = 'T_GUARD'"), "DISABLED");
  exec("ALTER TRIGGER t_guard ENABLE");
  EXPECT_EQ(one("SELECT STATUS FROM USER_TRIGGERS WHERE TRIGGER_NAME = 'T_GUARD'"), "ENABLED");
  EXPECT_EQ(one("SELECT TYPE, LINE FROM USER_SOURCE WHERE NAME = 'T_GUARD'"), "TRIGGER|1");
  EXPECT_EQ(one("SELECT REFERENCED_NAME FROM USER_DEPENDENCIES WHERE NAME = 'T_GUARD'"), "EMP");
  expectError("ALTER TRIGGER nosuch ENABLE", 4080);
  expectError("CREATE TRIGGER t_x BEFORE INSERT ON nosuch BEGIN NULL; END;", 942);
  expectError("CREATE TRIGGER t_guard BEFORE INSERT ON emp BEGIN NULL; END;", 955);
  EXPECT_EQ(rows("select * from sys.user_triggers\r\nwhere Table_Name = 'EMP'").size(), 1u);
  exec("DROP TABLE emp");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TRIGGERS"), "0");
}

}  // namespace
}  // namespace ocisim::testing
