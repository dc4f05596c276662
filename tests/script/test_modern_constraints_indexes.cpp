// Constraints in every state and indexes of every kind the stand-in holds,
// scripted with every box and the data, loaded strictly into an empty
// schema and compared dictionary against dictionary and rows against rows:
// the states (DISABLE, NOVALIDATE, DEFERRABLE, RELY), named and unnamed NOT
// NULL constraints, constraints Oracle named (compared as system-named),
// rows that break a disabled or not validated constraint, and
// function-based, descending, bitmap, reverse and compressed indexes.
#include <gtest/gtest.h>

#include <regex>

#include "roundtrip_support.h"

namespace {

using writers_test::ExtraParts;

const char* kSchema = R"SQL(
CREATE TABLE parent (id NUMBER PRIMARY KEY, code VARCHAR2(10) NOT NULL, CONSTRAINT parent_code UNIQUE (code));
INSERT INTO parent VALUES (1, 'A');
INSERT INTO parent VALUES (2, 'B');
CREATE TABLE child (
  id NUMBER CONSTRAINT child_pk PRIMARY KEY DEFERRABLE INITIALLY DEFERRED,
  parent_id NUMBER,
  other_id NUMBER,
  qty NUMBER CONSTRAINT child_qty_nn NOT NULL,
  price NUMBER,
  note VARCHAR2(200),
  loose NUMBER CHECK (loose IS NOT NULL),
  doc VARCHAR2(400) CONSTRAINT child_doc_json CHECK (doc IS JSON),
  CONSTRAINT child_price CHECK (price >= 0) DEFERRABLE,
  CONSTRAINT child_parent FOREIGN KEY (parent_id) REFERENCES parent (id) ON DELETE CASCADE,
  CHECK (qty < 1000) RELY
);
INSERT INTO child VALUES (1, 1, 1, 5, 10, 'fine', 1, '{"a": 1}');
INSERT INTO child VALUES (2, 2, 9, 6, 3, NULL, 2, NULL);
INSERT INTO child VALUES (3, 1, 8, 7, 0, NULL, 3, NULL);
ALTER TABLE child ADD CONSTRAINT child_other FOREIGN KEY (other_id) REFERENCES parent (id) DISABLE;
ALTER TABLE child ADD CONSTRAINT child_note CHECK (note IS NOT NULL) ENABLE NOVALIDATE;
ALTER TABLE child ADD CONSTRAINT child_price_cap CHECK (price < 5) DISABLE;
ALTER TABLE child MODIFY (note CONSTRAINT child_note_nn NOT NULL DISABLE);
ALTER TABLE child MODIFY (price NOT NULL ENABLE NOVALIDATE);
CREATE TABLE loose_keys (a NUMBER, b NUMBER, c VARCHAR2(20), d DATE);
INSERT INTO loose_keys VALUES (1, 1, 'x', NULL);
INSERT INTO loose_keys VALUES (1, 1, 'X', NULL);
ALTER TABLE loose_keys ADD CONSTRAINT loose_keys_ab UNIQUE (a, b) DISABLE;
ALTER TABLE loose_keys ADD PRIMARY KEY (a) DISABLE NOVALIDATE;
ALTER TABLE loose_keys ADD FOREIGN KEY (b) REFERENCES parent (id) RELY DISABLE NOVALIDATE;
CREATE INDEX loose_upper ON loose_keys (UPPER(c), a DESC);
CREATE INDEX loose_desc ON loose_keys (b DESC);
CREATE BITMAP INDEX loose_bitmap ON loose_keys (c);
CREATE INDEX loose_rev ON loose_keys (d) REVERSE;
CREATE INDEX loose_comp ON loose_keys (a, b, c) COMPRESS 2;
CREATE UNIQUE INDEX child_note_u ON child (LOWER(note), id) COMPRESS 1;
)SQL";

// Constraint names Oracle made up are compared as such.
const char* kMask = "CASE WHEN GENERATED = 'GENERATED NAME' THEN 'system-named' ELSE CONSTRAINT_NAME END";

ExtraParts Parts() {
  const std::string mask = kMask;
  return {
      {"constraint states",
       "SELECT " + mask + ", CONSTRAINT_TYPE, TABLE_NAME, SEARCH_CONDITION, DELETE_RULE, STATUS, VALIDATED, "
       "\"DEFERRABLE\", DEFERRED, RELY, GENERATED FROM USER_CONSTRAINTS ORDER BY 3, 2, 1, 4, 6, 7"},
      {"constraint columns",
       "SELECT CASE WHEN K.GENERATED = 'GENERATED NAME' THEN 'system-named' ELSE K.CONSTRAINT_NAME END, "
       "K.CONSTRAINT_TYPE, K.STATUS, C.TABLE_NAME, C.COLUMN_NAME, C.POSITION FROM USER_CONS_COLUMNS C, "
       "USER_CONSTRAINTS K WHERE C.CONSTRAINT_NAME = K.CONSTRAINT_NAME ORDER BY 4, 2, 1, 3, 5, 6"},
      {"index kinds",
       "SELECT CASE WHEN GENERATED = 'Y' THEN 'system-named' ELSE INDEX_NAME END, TABLE_NAME, INDEX_TYPE, "
       "UNIQUENESS, COMPRESSION, PREFIX_LENGTH FROM USER_INDEXES ORDER BY 2, 1, 3, 4"},
      {"index columns",
       "SELECT I.INDEX_NAME, C.COLUMN_POSITION, CASE WHEN C.COLUMN_NAME LIKE 'SYS\\_NC%' ESCAPE '\\' THEN "
       "'hidden' ELSE C.COLUMN_NAME END, C.DESCEND FROM USER_IND_COLUMNS C, USER_INDEXES I WHERE "
       "C.INDEX_NAME = I.INDEX_NAME AND I.GENERATED = 'N' ORDER BY 1, 2"},
      {"index expressions",
       "SELECT INDEX_NAME, COLUMN_POSITION, COLUMN_EXPRESSION FROM USER_IND_EXPRESSIONS ORDER BY 1, 2"},
      {"nullability", "SELECT TABLE_NAME, COLUMN_NAME, NULLABLE FROM USER_TAB_COLUMNS ORDER BY 1, 2"},
  };
}

class ModernConstraintsIndexes : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!db_.SkipReason().empty()) GTEST_SKIP() << db_.SkipReason();
    ASSERT_EQ(db_.RunText(kSchema), "") << "the schema does not load";
  }
  writers_test::WritersDb db_;
};

TEST_F(ModernConstraintsIndexes, RoundTripKeepsStatesNamesRowsAndIndexKinds) {
  const std::string script =
      writers_test::ExpectRoundTrip(db_, "modern_constraints_indexes", writers_test::TickAllButDrops, Parts());

  // The rows that break a disabled or not validated constraint are there.
  EXPECT_EQ(writers_test::Dump(db_.Session("AGAIN"), "SELECT COUNT(*) FROM CHILD"), "3\x1f\x1e");
  EXPECT_EQ(writers_test::Dump(db_.Session("AGAIN"), "SELECT COUNT(*) FROM LOOSE_KEYS"), "2\x1f\x1e");

  // Names Oracle made up never reach the script; nor do hidden columns.
  EXPECT_EQ(script.find("SYS_C"), std::string::npos);
  EXPECT_EQ(script.find("SYS_NC"), std::string::npos);
  // A named NOT NULL stays one statement, not a check and a NOT NULL.
  EXPECT_NE(script.find("ALTER TABLE CHILD MODIFY (QTY CONSTRAINT CHILD_QTY_NN NOT NULL);"), std::string::npos);
  EXPECT_EQ(script.find("CHECK (\"QTY\" IS NOT NULL)"), std::string::npos);
  // The orphans of the disabled foreign key are not deleted.
  EXPECT_EQ(script.find("DELETE CHILD WHERE OTHER_ID"), std::string::npos);
  EXPECT_NE(script.find("DELETE CHILD WHERE PARENT_ID"), std::string::npos);
}

TEST_F(ModernConstraintsIndexes, ConstraintsTheRowsBreakComeAfterTheRows) {
  const std::string script = db_.Script(writers_test::TickAllButDrops);
  const size_t rows = script.find("INSERT INTO CHILD");
  ASSERT_NE(rows, std::string::npos);
  for (const char* late : {"CONSTRAINT CHILD_NOTE CHECK", "CONSTRAINT CHILD_PRICE_CAP CHECK",
                           "(NOTE CONSTRAINT CHILD_NOTE_NN NOT NULL DISABLE)", "(PRICE NOT NULL ENABLE NOVALIDATE)"}) {
    const size_t at = script.find(late);
    ASSERT_NE(at, std::string::npos) << late;
    EXPECT_GT(at, rows) << late;
  }
  for (const char* early : {"CONSTRAINT CHILD_PRICE CHECK (price >= 0) DEFERRABLE", "CHECK (loose IS NOT NULL)",
                            "CONSTRAINT CHILD_DOC_JSON CHECK (doc IS JSON)", "CHECK (qty < 1000) RELY",
                            "CONSTRAINT CHILD_PK PRIMARY KEY (ID) DEFERRABLE INITIALLY DEFERRED"}) {
    const size_t at = script.find(early);
    ASSERT_NE(at, std::string::npos) << early;
    EXPECT_LT(at, rows) << early;
  }
}

TEST_F(ModernConstraintsIndexes, IndexesAreWrittenWithTheirKind) {
  const std::string script = db_.Script(writers_test::TickAllButDrops);
  for (const char* index : {"CREATE INDEX LOOSE_UPPER ON LOOSE_KEYS (UPPER(c),\"A\" DESC)",
                            "CREATE INDEX LOOSE_DESC ON LOOSE_KEYS (\"B\" DESC)",
                            "CREATE BITMAP INDEX LOOSE_BITMAP ON LOOSE_KEYS (C)",
                            "CREATE INDEX LOOSE_REV ON LOOSE_KEYS (D) REVERSE",
                            "CREATE INDEX LOOSE_COMP ON LOOSE_KEYS (A,B,C) COMPRESS 2",
                            "CREATE UNIQUE INDEX CHILD_NOTE_U ON CHILD (LOWER(note),ID) COMPRESS 1"})
    EXPECT_NE(script.find(index), std::string::npos) << index;
}

}  // namespace
