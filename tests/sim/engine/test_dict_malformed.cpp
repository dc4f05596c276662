// Every cut-short form of a DDL statement fails with an Oracle error (or,
// where the shorter text is itself valid, succeeds) and never crashes, never
// throws anything else, and never leaves half an object behind.
#include "core_fixture.h"
#include "engine/internal.h"

namespace ocisim::testing {
namespace {

// Statements whose every prefix (cut at a token boundary) is tried.
const char* const kStatements[] = {
    "CREATE TABLE t (id NUMBER(6) CONSTRAINT t_pk PRIMARY KEY, name VARCHAR2(20 CHAR) DEFAULT 'x' NOT NULL,"
    " up NUMBER REFERENCES t ON DELETE CASCADE, sal NUMBER(8,2) CHECK (sal > 0), CONSTRAINT t_uk UNIQUE (name))"
    " TABLESPACE users PCTFREE 10 STORAGE (INITIAL 64K NEXT 1M MAXEXTENTS UNLIMITED)",
    "ALTER TABLE base ADD ( CONSTRAINT base_fk FOREIGN KEY (ref) REFERENCES base (id) ON DELETE SET NULL,"
    " CONSTRAINT base_ck CHECK (ref <> id) DISABLE )",
    "ALTER TABLE base MODIFY (ref DEFAULT 7 NOT NULL)",
    "CREATE UNIQUE INDEX base_ix ON base (ref DESC, id) TABLESPACE users STORAGE (INITIAL 128K)",
    "CREATE OR REPLACE VIEW v (a, b) AS SELECT id, ref FROM base WHERE id > 0 WITH READ ONLY",
    "CREATE SEQUENCE s START WITH 10 INCREMENT BY 5 MINVALUE 1 MAXVALUE 100 CYCLE CACHE 5 ORDER",
    "CREATE OR REPLACE TRIGGER trg BEFORE INSERT OR UPDATE OF ref ON base REFERENCING NEW AS n FOR EACH ROW"
    " WHEN (n.ref > 0) BEGIN :n.ref := 1; END;",
    "CREATE OR REPLACE PACKAGE BODY pk IS PROCEDURE p IS BEGIN NULL; END; END pk;",
    "COMMENT ON COLUMN base.ref IS 'the ''other'' row'",
    "DROP TABLE base CASCADE CONSTRAINTS",
};

class MalformedDdlTest : public CoreTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    exec("CREATE TABLE base (id NUMBER PRIMARY KEY, ref NUMBER)");
    exec("INSERT INTO base VALUES (1, 1)");
  }
  std::string snapshot() {
    return one("SELECT COUNT(*) FROM USER_OBJECTS") + "/" + one("SELECT COUNT(*) FROM USER_CONSTRAINTS") + "/" +
           one("SELECT COUNT(*) FROM USER_TAB_COLUMNS") + "/" + one("SELECT COUNT(*) FROM USER_SOURCE") + "/" +
           one("SELECT COUNT(*) FROM USER_IND_COLUMNS") + "/" + one("SELECT COUNT(*) FROM base");
  }
};

TEST_P(MalformedDdlTest, EveryPrefixFailsCleanlyOrSucceeds) {
  std::string sql = GetParam();
  std::vector<Token> tokens = tokenize(sql);
  ASSERT_GT(tokens.size(), 2u);
  for (size_t n = 1; n + 1 < tokens.size(); ++n) {
    std::string prefix = sql.substr(0, tokens[n].offset);
    SCOPED_TRACE(prefix);
    std::string before = snapshot();
    bool ok = false;
    try {
      exec(prefix);
      ok = true;
    } catch (const OraError&) {
    } catch (const std::exception& e) {
      ADD_FAILURE() << "not an Oracle error: " << e.what();
    }
    if (!ok) {
      EXPECT_EQ(snapshot(), before);
      continue;
    }
    // A prefix that is a statement of its own: undo it for the next one.
    for (const char* undo : {"DROP TABLE t CASCADE CONSTRAINTS", "DROP VIEW v", "DROP SEQUENCE s", "DROP INDEX base_ix",
                             "DROP TRIGGER trg", "DROP PACKAGE BODY pk", "ALTER TABLE base DROP CONSTRAINT base_fk",
                             "ALTER TABLE base DROP CONSTRAINT base_ck"})
      errorOf(undo);
    if (errorOf("SELECT COUNT(*) FROM base") != 0) {
      exec("CREATE TABLE base (id NUMBER PRIMARY KEY, ref NUMBER)");
      exec("INSERT INTO base VALUES (1, 1)");
    }
  }
  // The whole statement works.
  EXPECT_NO_THROW(exec(sql));
}

INSTANTIATE_TEST_SUITE_P(Statements, MalformedDdlTest, ::testing::ValuesIn(kStatements));

}  // namespace
}  // namespace ocisim::testing
