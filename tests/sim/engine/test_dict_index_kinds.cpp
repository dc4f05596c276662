// Kinds of indexes in the stand-in's dictionary: function-based and
// descending keys (hidden SYS_NC columns with their expressions), bitmap,
// reverse-key and compressed indexes, as USER_INDEXES, USER_IND_COLUMNS and
// USER_IND_EXPRESSIONS show them; and the unique ones enforced.
#include "core_fixture.h"

namespace ocisim::testing {
namespace {

class IndexKindTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    exec("CREATE TABLE t (a NUMBER, b VARCHAR2(20), c DATE)");
  }
};

struct IndexCase {
  const char* create;
  const char* index;       // INDEX_TYPE|UNIQUENESS|COMPRESSION|PREFIX_LENGTH
  const char* columns;     // COLUMN_NAME DESCEND, ... by position
  const char* expressions; // COLUMN_POSITION=COLUMN_EXPRESSION, ...
};
void PrintTo(const IndexCase& c, std::ostream* os) { *os << c.create; }

class IndexKindDictTest : public IndexKindTest, public ::testing::WithParamInterface<IndexCase> {};

TEST_P(IndexKindDictTest, DictionaryShowsTheIndexAsOracleDoes) {
  exec(GetParam().create);
  EXPECT_EQ(one("SELECT INDEX_TYPE, UNIQUENESS, COMPRESSION, PREFIX_LENGTH FROM USER_INDEXES WHERE INDEX_NAME = 'I'"),
            GetParam().index);
  std::string columns;
  for (const auto& r : rows("SELECT COLUMN_NAME || ' ' || DESCEND FROM USER_IND_COLUMNS WHERE INDEX_NAME = 'I'"
                            " ORDER BY COLUMN_POSITION"))
    columns += (columns.empty() ? "" : ", ") + r;
  EXPECT_EQ(columns, GetParam().columns);
  std::string expressions;
  for (const auto& r : rows("SELECT COLUMN_POSITION, COLUMN_EXPRESSION FROM USER_IND_EXPRESSIONS"
                            " WHERE INDEX_NAME = 'I' ORDER BY COLUMN_POSITION")) {
    std::string e = r;
    e[e.find('|')] = '=';
    expressions += (expressions.empty() ? "" : ", ") + e;
  }
  EXPECT_EQ(expressions, GetParam().expressions);
}

INSTANTIATE_TEST_SUITE_P(Kinds, IndexKindDictTest, ::testing::Values(
    IndexCase{"CREATE INDEX i ON t (a, b)", "NORMAL|NONUNIQUE|DISABLED|<null>", "A ASC, B ASC", ""},
    IndexCase{"CREATE UNIQUE INDEX i ON t (a)", "NORMAL|UNIQUE|DISABLED|<null>", "A ASC", ""},
    IndexCase{"CREATE BITMAP INDEX i ON t (b)", "BITMAP|NONUNIQUE|DISABLED|<null>", "B ASC", ""},
    IndexCase{"CREATE INDEX i ON t (a) REVERSE", "NORMAL/REV|NONUNIQUE|DISABLED|<null>", "A ASC", ""},
    IndexCase{"CREATE INDEX i ON t (a, b) COMPRESS 1", "NORMAL|NONUNIQUE|ENABLED|1", "A ASC, B ASC", ""},
    IndexCase{"CREATE INDEX i ON t (a, b) COMPRESS", "NORMAL|NONUNIQUE|ENABLED|2", "A ASC, B ASC", ""},
    IndexCase{"CREATE UNIQUE INDEX i ON t (a, b) COMPRESS", "NORMAL|UNIQUE|ENABLED|1", "A ASC, B ASC", ""},
    IndexCase{"CREATE INDEX i ON t (a, b) NOCOMPRESS", "NORMAL|NONUNIQUE|DISABLED|<null>", "A ASC, B ASC", ""},
    // a descending column is a hidden column named by an expression
    IndexCase{"CREATE INDEX i ON t (a, b DESC)", "FUNCTION-BASED NORMAL|NONUNIQUE|DISABLED|<null>",
              "A ASC, SYS_NC00004$ DESC", "2=\"B\""},
    IndexCase{"CREATE INDEX i ON t (UPPER(b), a)", "FUNCTION-BASED NORMAL|NONUNIQUE|DISABLED|<null>",
              "SYS_NC00004$ ASC, A ASC", "1=UPPER(b)"},
    IndexCase{"CREATE INDEX i ON t (a + 1 DESC, TRUNC(c)) REVERSE",
              "FUNCTION-BASED NORMAL/REV|NONUNIQUE|DISABLED|<null>", "SYS_NC00004$ DESC, SYS_NC00005$ ASC",
              "1=a + 1, 2=TRUNC(c)"},
    IndexCase{"CREATE BITMAP INDEX i ON t (LOWER(b))", "FUNCTION-BASED BITMAP|NONUNIQUE|DISABLED|<null>",
              "SYS_NC00004$ ASC", "1=LOWER(b)"}));

TEST_F(IndexKindTest, HiddenColumnsAreNumberedAfterTheTablesOthers) {
  exec("CREATE INDEX i1 ON t (UPPER(b))");
  exec("CREATE INDEX i2 ON t (a DESC)");
  EXPECT_EQ(one("SELECT COLUMN_NAME FROM USER_IND_COLUMNS WHERE INDEX_NAME = 'I2'"), "SYS_NC00005$");
  // They are the index's own: the table's columns stay as they were.
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'T'"), "3");
  exec("DROP INDEX i1");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_IND_EXPRESSIONS WHERE INDEX_NAME = 'I1'"), "0");
}

TEST_F(IndexKindTest, BadOptionsAreRefused) {
  EXPECT_EQ(errorOf("CREATE UNIQUE INDEX i ON t (a) COMPRESS"), 25193);
  EXPECT_EQ(errorOf("CREATE INDEX i ON t (a, b) COMPRESS 3"), 25194);
  EXPECT_EQ(errorOf("CREATE UNIQUE INDEX i ON t (a, b) COMPRESS 2"), 25194);
  EXPECT_EQ(errorOf("CREATE INDEX i ON t (a, ) "), 936);
  EXPECT_EQ(errorOf("CREATE INDEX i ON t (nothing)"), 904);
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_INDEXES"), "0");
}

TEST_F(IndexKindTest, UniqueFunctionBasedIndexIsEnforced) {
  exec("CREATE UNIQUE INDEX i ON t (UPPER(b))");
  exec("INSERT INTO t (b) VALUES ('abc')");
  std::string message;
  EXPECT_EQ(errorOf("INSERT INTO t (b) VALUES ('ABC')", &message), 1);
  EXPECT_NE(message.find("unique constraint (SCOTT.I) violated"), std::string::npos) << message;
  EXPECT_EQ(errorOf("INSERT INTO t (b) VALUES ('abd')"), 0);
}

TEST_F(IndexKindTest, UniqueFunctionBasedIndexOnDuplicatesIsRefused) {
  exec("INSERT INTO t (b) VALUES ('abc')");
  exec("INSERT INTO t (b) VALUES ('ABC')");
  EXPECT_EQ(errorOf("CREATE UNIQUE INDEX i ON t (UPPER(b))"), 1452);
}

}  // namespace
}  // namespace ocisim::testing
