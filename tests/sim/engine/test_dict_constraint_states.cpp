// Constraint states in the stand-in: DISABLE, ENABLE NOVALIDATE, DEFERRABLE
// INITIALLY DEFERRED / IMMEDIATE and RELY as USER_CONSTRAINTS shows them,
// and enforced as Oracle enforces them: a disabled constraint not at all, a
// NOVALIDATE one on new rows only, a deferred one at COMMIT (ORA-02091 with
// the violation behind it) or when SET CONSTRAINTS makes it immediate.
#include "core_fixture.h"

namespace ocisim::testing {
namespace {

class ConstraintStateTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    exec("CREATE TABLE p (id NUMBER PRIMARY KEY)");
    exec("INSERT INTO p VALUES (1)");
    exec("CREATE TABLE c (id NUMBER, pid NUMBER, v NUMBER)");
    // A row that breaks every constraint the cases add but the unique key.
    exec("INSERT INTO c VALUES (1, 9, -5)");
    exec("COMMIT");
  }
  int code(const std::string& sql, std::string* message = nullptr) { return errorOf(sql, message); }
};

// ---- the dictionary --------------------------------------------------------------

struct DictCase {
  const char* clause;
  const char* expected;  // STATUS|VALIDATED|DEFERRABLE|DEFERRED|RELY
};
void PrintTo(const DictCase& c, std::ostream* os) { *os << c.clause; }

class ConstraintStateDictTest : public CoreTest, public ::testing::WithParamInterface<DictCase> {};

TEST_P(ConstraintStateDictTest, UserConstraintsShowTheStateAsWritten) {
  exec("CREATE TABLE t (a NUMBER, CONSTRAINT k CHECK (a > 0) " + std::string(GetParam().clause) + ")");
  EXPECT_EQ(one("SELECT STATUS, VALIDATED, DEFERRABLE, DEFERRED, RELY FROM USER_CONSTRAINTS"
                " WHERE CONSTRAINT_NAME = 'K'"),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(States, ConstraintStateDictTest, ::testing::Values(
    DictCase{"", "ENABLED|VALIDATED|NOT DEFERRABLE|IMMEDIATE|<null>"},
    DictCase{"DISABLE", "DISABLED|NOT VALIDATED|NOT DEFERRABLE|IMMEDIATE|<null>"},
    DictCase{"ENABLE NOVALIDATE", "ENABLED|NOT VALIDATED|NOT DEFERRABLE|IMMEDIATE|<null>"},
    DictCase{"DEFERRABLE", "ENABLED|VALIDATED|DEFERRABLE|IMMEDIATE|<null>"},
    DictCase{"DEFERRABLE INITIALLY IMMEDIATE", "ENABLED|VALIDATED|DEFERRABLE|IMMEDIATE|<null>"},
    DictCase{"DEFERRABLE INITIALLY DEFERRED", "ENABLED|VALIDATED|DEFERRABLE|DEFERRED|<null>"},
    DictCase{"INITIALLY DEFERRED", "ENABLED|VALIDATED|DEFERRABLE|DEFERRED|<null>"},
    DictCase{"RELY DISABLE NOVALIDATE", "DISABLED|NOT VALIDATED|NOT DEFERRABLE|IMMEDIATE|RELY"},
    DictCase{"DEFERRABLE INITIALLY DEFERRED RELY ENABLE NOVALIDATE", "ENABLED|NOT VALIDATED|DEFERRABLE|DEFERRED|RELY"}));

TEST_F(ConstraintStateTest, NotDeferrableCannotBeInitiallyDeferred) {
  EXPECT_EQ(code("ALTER TABLE c ADD CONSTRAINT k CHECK (v > 0) NOT DEFERRABLE INITIALLY DEFERRED NOVALIDATE"), 2447);
}

TEST_F(ConstraintStateTest, DeferrableKeyIsBackedByANonUniqueIndex) {
  exec("CREATE TABLE u (id NUMBER CONSTRAINT u_pk PRIMARY KEY DEFERRABLE)");
  EXPECT_EQ(one("SELECT UNIQUENESS FROM USER_INDEXES WHERE INDEX_NAME = 'U_PK'"), "NONUNIQUE");
}

// ---- enforcement ---------------------------------------------------------------

struct EnforceCase {
  const char* constraint;  // added to c, which holds (1, 9, -5)
  int addError;            // when the existing row is checked
  const char* row;         // then inserted
  int insertError;
  int commitError;         // the error behind ORA-02091, 0 when COMMIT succeeds
};
void PrintTo(const EnforceCase& c, std::ostream* os) { *os << c.constraint << " / " << c.row; }

class ConstraintEnforceTest : public ConstraintStateTest, public ::testing::WithParamInterface<EnforceCase> {};

TEST_P(ConstraintEnforceTest, RowsAreCheckedWhenTheStateSays) {
  const EnforceCase& k = GetParam();
  std::string message;
  ASSERT_EQ(code("ALTER TABLE c ADD CONSTRAINT k " + std::string(k.constraint), &message), k.addError) << message;
  if (k.addError) return;
  EXPECT_EQ(code("INSERT INTO c VALUES " + std::string(k.row), &message), k.insertError) << message;
  if (k.insertError) return;
  const int commit = code("COMMIT", &message);
  if (!k.commitError) {
    EXPECT_EQ(commit, 0) << message;
    EXPECT_EQ(one("SELECT COUNT(*) FROM c"), "2");
    return;
  }
  EXPECT_EQ(commit, 2091) << message;
  char inner[16];
  std::snprintf(inner, sizeof inner, "ORA-%05d:", k.commitError);
  EXPECT_NE(message.find(std::string("transaction rolled back\n") + inner), std::string::npos) << message;
  EXPECT_NE(message.find("SCOTT.K"), std::string::npos) << message;
  // The transaction is gone: the row with it, the old row kept.
  EXPECT_EQ(one("SELECT COUNT(*) FROM c"), "1");
}

INSTANTIATE_TEST_SUITE_P(States, ConstraintEnforceTest, ::testing::Values(
    // enabled and validated: the old row is refused at once
    EnforceCase{"CHECK (v > 0)", 2293, "", 0, 0},
    EnforceCase{"FOREIGN KEY (pid) REFERENCES p", 2298, "", 0, 0},
    // disabled: nothing is checked
    EnforceCase{"CHECK (v > 0) DISABLE", 0, "(2, 1, -1)", 0, 0},
    EnforceCase{"FOREIGN KEY (pid) REFERENCES p DISABLE", 0, "(2, 8, 1)", 0, 0},
    EnforceCase{"UNIQUE (id) DISABLE", 0, "(1, 1, 1)", 0, 0},
    // NOVALIDATE: the old row stays, new rows are checked
    EnforceCase{"CHECK (v > 0) ENABLE NOVALIDATE", 0, "(2, 1, -1)", 2290, 0},
    EnforceCase{"CHECK (v > 0) ENABLE NOVALIDATE", 0, "(2, 1, 1)", 0, 0},
    EnforceCase{"FOREIGN KEY (pid) REFERENCES p ENABLE NOVALIDATE", 0, "(2, 8, 1)", 2291, 0},
    EnforceCase{"FOREIGN KEY (pid) REFERENCES p ENABLE NOVALIDATE", 0, "(2, 1, 1)", 0, 0},
    // deferrable but immediate: checked at the statement
    EnforceCase{"CHECK (v > 0) DEFERRABLE NOVALIDATE", 0, "(2, 1, -1)", 2290, 0},
    EnforceCase{"UNIQUE (id) DEFERRABLE", 0, "(1, 1, 1)", 1, 0},
    // deferred: checked at COMMIT
    EnforceCase{"CHECK (v > 0) DEFERRABLE INITIALLY DEFERRED NOVALIDATE", 0, "(2, 1, -1)", 0, 2290},
    EnforceCase{"CHECK (v > 0) DEFERRABLE INITIALLY DEFERRED NOVALIDATE", 0, "(2, 1, 1)", 0, 0},
    EnforceCase{"FOREIGN KEY (pid) REFERENCES p DEFERRABLE INITIALLY DEFERRED NOVALIDATE", 0, "(2, 8, 1)", 0,
                2291},
    EnforceCase{"UNIQUE (id) DEFERRABLE INITIALLY DEFERRED", 0, "(1, 1, 1)", 0, 1},
    EnforceCase{"UNIQUE (id) DEFERRABLE INITIALLY DEFERRED", 0, "(2, 1, 1)", 0, 0}));

TEST_F(ConstraintStateTest, NotNullStatesFollowTheSameRules) {
  exec("CREATE TABLE n (a NUMBER CONSTRAINT n_off NOT NULL DISABLE, b NUMBER CONSTRAINT n_late NOT NULL"
       " DEFERRABLE INITIALLY DEFERRED)");
  EXPECT_EQ(one("SELECT NULLABLE FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'N' AND COLUMN_NAME = 'A'"), "Y");
  EXPECT_EQ(code("INSERT INTO n VALUES (NULL, 1)"), 0);
  EXPECT_EQ(code("INSERT INTO n VALUES (1, NULL)"), 0);
  std::string message;
  EXPECT_EQ(code("COMMIT", &message), 2091);
  EXPECT_NE(message.find("ORA-02290: check constraint (SCOTT.N_LATE) violated"), std::string::npos) << message;
}

TEST_F(ConstraintStateTest, AViolationMendedBeforeCommitPasses) {
  exec("ALTER TABLE c ADD CONSTRAINT k FOREIGN KEY (pid) REFERENCES p DEFERRABLE INITIALLY DEFERRED NOVALIDATE");
  exec("INSERT INTO c VALUES (2, 5, 1)");
  exec("INSERT INTO p VALUES (5)");
  EXPECT_EQ(code("COMMIT"), 0);
  EXPECT_EQ(one("SELECT COUNT(*) FROM c"), "2");
}

TEST_F(ConstraintStateTest, ADeletedParentIsReportedAsChildRecordFound) {
  exec("INSERT INTO c VALUES (2, 1, 1)");
  exec("COMMIT");
  exec("ALTER TABLE c ADD CONSTRAINT k FOREIGN KEY (pid) REFERENCES p DEFERRABLE INITIALLY DEFERRED NOVALIDATE");
  EXPECT_EQ(code("DELETE FROM p"), 0);
  std::string message;
  EXPECT_EQ(code("COMMIT", &message), 2091);
  EXPECT_NE(message.find("ORA-02292: integrity constraint (SCOTT.K) violated - child record found"),
            std::string::npos)
      << message;
  EXPECT_EQ(one("SELECT COUNT(*) FROM p"), "1");
}

TEST_F(ConstraintStateTest, SetConstraintsMovesTheCheck) {
  exec("ALTER TABLE c ADD CONSTRAINT k CHECK (v > 0) DEFERRABLE INITIALLY IMMEDIATE NOVALIDATE");
  exec("ALTER TABLE c ADD CONSTRAINT fixed CHECK (v < 100) NOVALIDATE");
  EXPECT_EQ(code("SET CONSTRAINT fixed DEFERRED"), 2447);
  EXPECT_EQ(code("SET CONSTRAINT nothing DEFERRED"), 2448);

  // Deferred for this transaction only.
  exec("SET CONSTRAINTS ALL DEFERRED");
  EXPECT_EQ(code("INSERT INTO c VALUES (2, 1, -1)"), 0);
  // Made immediate again: the violation shows now and the row stays for
  // the transaction to mend.
  std::string message;
  EXPECT_EQ(code("SET CONSTRAINTS k IMMEDIATE", &message), 2290) << message;
  exec("UPDATE c SET v = 1 WHERE id = 2");
  EXPECT_EQ(code("SET CONSTRAINTS k IMMEDIATE"), 0);
  EXPECT_EQ(code("INSERT INTO c VALUES (3, 1, -1)"), 2290);
  EXPECT_EQ(code("COMMIT"), 0);

  // The next transaction starts with the constraint as created.
  EXPECT_EQ(code("INSERT INTO c VALUES (4, 1, -1)"), 2290);
  exec("SET CONSTRAINT k DEFERRED");
  EXPECT_EQ(code("INSERT INTO c VALUES (4, 1, -1)"), 0);
  exec("ROLLBACK");
  EXPECT_EQ(code("INSERT INTO c VALUES (4, 1, -1)"), 2290);
}

TEST_F(ConstraintStateTest, ChecksTheEngineCannotEvaluateNeverRefuseARow) {
  exec("CREATE TABLE j (doc VARCHAR2(200) CONSTRAINT j_json CHECK (doc IS JSON))");
  EXPECT_EQ(code("INSERT INTO j VALUES ('{\"a\": 1}')"), 0);
  EXPECT_EQ(code("INSERT INTO j VALUES (NULL)"), 0);
  EXPECT_EQ(one("SELECT SEARCH_CONDITION FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = 'J_JSON'"), "doc IS JSON");
}

}  // namespace
}  // namespace ocisim::testing
