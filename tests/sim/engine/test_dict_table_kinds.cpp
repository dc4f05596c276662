// Kinds of tables in the stand-in's dictionary: global temporary tables and
// when their rows go, partitioned tables and indexes with their dictionary
// rows and the routing of rows, index-organized overflow segments,
// materialized views and their logs, object-type columns, and the views
// that list objects of other kinds (types, grants, synonyms, ...).
#include "core_fixture.h"

namespace ocisim::testing {
namespace {

class TableKindsTest : public CoreTest {
 protected:
  void expectError(const std::string& sql, int code) {
    std::string msg;
    EXPECT_EQ(errorOf(sql, &msg), code) << sql << "\n" << msg;
  }
};

// ---- temporary tables ------------------------------------------------------------

TEST_F(TableKindsTest, TemporaryTablesShowTheirDurationAndNoSegment) {
  exec("CREATE GLOBAL TEMPORARY TABLE t_tx (a NUMBER) ON COMMIT DELETE ROWS");
  exec("CREATE GLOBAL TEMPORARY TABLE t_se (a NUMBER) ON COMMIT PRESERVE ROWS");
  exec("CREATE GLOBAL TEMPORARY TABLE t_df (a NUMBER)");
  exec("CREATE TABLE t_heap (a NUMBER)");
  EXPECT_EQ(rows("SELECT TABLE_NAME, TEMPORARY, DURATION, TABLESPACE_NAME FROM USER_TABLES ORDER BY 1"),
            (std::vector<std::string>{"T_DF|Y|SYS$TRANSACTION|<null>", "T_HEAP|N|<null>|USERS",
                                      "T_SE|Y|SYS$SESSION|<null>", "T_TX|Y|SYS$TRANSACTION|<null>"}));
  EXPECT_EQ(one("SELECT TEMPORARY FROM USER_OBJECTS WHERE OBJECT_NAME = 'T_TX'"), "Y");
}

TEST_F(TableKindsTest, TemporaryTablesRefuseWhatTheyCannotHave) {
  exec("CREATE TABLE parent (id NUMBER PRIMARY KEY)");
  struct Case {
    const char* sql;
    int code;
  } cases[] = {
      {"CREATE GLOBAL TEMPORARY TABLE g1 (a NUMBER) PCTFREE 5", 14451},
      {"CREATE GLOBAL TEMPORARY TABLE g2 (a NUMBER) STORAGE (INITIAL 64K)", 14451},
      {"CREATE GLOBAL TEMPORARY TABLE g3 (a NUMBER) PARTITION BY HASH (a) PARTITIONS 2", 14451},
      {"CREATE GLOBAL TEMPORARY TABLE g4 (a NUMBER REFERENCES parent)", 14455},
      {"CREATE TABLE g5 (a NUMBER) ON COMMIT DELETE ROWS", 933},
  };
  for (const auto& c : cases) expectError(c.sql, c.code);
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TABLES"), "1");
}

TEST_F(TableKindsTest, DeleteRowsTablesEmptyAtCommitPreserveRowsAtSessionEnd) {
  exec("CREATE GLOBAL TEMPORARY TABLE t_tx (a NUMBER) ON COMMIT DELETE ROWS");
  exec("CREATE GLOBAL TEMPORARY TABLE t_se (a NUMBER) ON COMMIT PRESERVE ROWS");
  run("INSERT INTO t_tx VALUES (1)");
  run("INSERT INTO t_se VALUES (1)");
  EXPECT_EQ(one("SELECT COUNT(*) FROM t_tx"), "1");
  conn_->commit();
  EXPECT_EQ(one("SELECT COUNT(*) FROM t_tx"), "0");
  EXPECT_EQ(one("SELECT COUNT(*) FROM t_se"), "1");
  // DDL commits too.
  run("INSERT INTO t_tx VALUES (2)");
  exec("CREATE TABLE other (a NUMBER)");
  EXPECT_EQ(one("SELECT COUNT(*) FROM t_tx"), "0");
  conn_.reset();
  conn_ = attachIn(dir_, "testdb");
  std::string warning;
  conn_->logon("SCOTT", "Tiger", &warning);
  EXPECT_EQ(one("SELECT COUNT(*) FROM t_se"), "0");
}

// ---- partitioned tables ----------------------------------------------------------

TEST_F(TableKindsTest, RangePartitionsInTheDictionary) {
  exec("CREATE TABLE sales (id NUMBER, sold DATE, region VARCHAR2(10)) TABLESPACE USERS PCTFREE 20"
       " PARTITION BY RANGE (sold)"
       " (PARTITION p2020 VALUES LESS THAN (TO_DATE('2021-01-01', 'YYYY-MM-DD')) TABLESPACE tbs1,"
       "  PARTITION p2021 VALUES LESS THAN (TO_DATE('2022-01-01', 'YYYY-MM-DD')) STORAGE (INITIAL 1M),"
       "  PARTITION pmax VALUES LESS THAN (MAXVALUE))");
  EXPECT_EQ(one("SELECT PARTITIONED, TABLESPACE_NAME, PCT_FREE FROM USER_TABLES WHERE TABLE_NAME = 'SALES'"),
            "YES|<null>|<null>");
  EXPECT_EQ(one("SELECT PARTITIONING_TYPE, SUBPARTITIONING_TYPE, PARTITION_COUNT, PARTITIONING_KEY_COUNT,"
                " DEF_TABLESPACE_NAME, DEF_PCT_FREE FROM USER_PART_TABLES"),
            "RANGE|NONE|3|1|USERS|20");
  EXPECT_EQ(rows("SELECT PARTITION_NAME, PARTITION_POSITION, HIGH_VALUE, TABLESPACE_NAME, PCT_FREE, INITIAL_EXTENT"
                 " FROM USER_TAB_PARTITIONS WHERE TABLE_NAME = 'SALES' ORDER BY PARTITION_POSITION"),
            (std::vector<std::string>{"P2020|1|TO_DATE('2021-01-01', 'YYYY-MM-DD')|TBS1|20|8388608",
                                      "P2021|2|TO_DATE('2022-01-01', 'YYYY-MM-DD')|USERS|20|1048576",
                                      "PMAX|3|MAXVALUE|USERS|20|8388608"}));
  EXPECT_EQ(one("SELECT NAME, OBJECT_TYPE, COLUMN_NAME, COLUMN_POSITION FROM USER_PART_KEY_COLUMNS"),
            "SALES|TABLE|SOLD|1");
  exec("DROP TABLE sales");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TAB_PARTITIONS"), "0");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_PART_KEY_COLUMNS"), "0");
}

TEST_F(TableKindsTest, RowsNoPartitionTakesAreRefused) {
  exec("CREATE TABLE r (k NUMBER, v VARCHAR2(5)) PARTITION BY RANGE (k)"
       " (PARTITION p1 VALUES LESS THAN (10), PARTITION p2 VALUES LESS THAN (20))");
  exec("CREATE TABLE l (k VARCHAR2(2), v NUMBER) PARTITION BY LIST (k)"
       " (PARTITION pe VALUES ('DE', 'FR'), PARTITION pn VALUES (NULL))");
  exec("CREATE TABLE ld (k VARCHAR2(2)) PARTITION BY LIST (k) (PARTITION p VALUES ('A'), PARTITION d VALUES (DEFAULT))");
  exec("CREATE TABLE rm (a NUMBER, b NUMBER) PARTITION BY RANGE (a, b)"
       " (PARTITION p1 VALUES LESS THAN (10, 5), PARTITION p2 VALUES LESS THAN (10, MAXVALUE))");
  exec("CREATE TABLE h (k NUMBER) PARTITION BY HASH (k) PARTITIONS 4");
  exec("CREATE TABLE iv (k DATE) PARTITION BY RANGE (k) INTERVAL (NUMTOYMINTERVAL(1, 'MONTH'))"
       " (PARTITION p0 VALUES LESS THAN (TO_DATE('2020-01-01', 'YYYY-MM-DD')))");
  struct Case {
    const char* sql;
    int code;
  } cases[] = {
      {"INSERT INTO r VALUES (5, 'a')", 0},
      {"INSERT INTO r VALUES (19, 'b')", 0},
      {"INSERT INTO r VALUES (20, 'c')", 14400},
      {"INSERT INTO r VALUES (NULL, 'd')", 14400},
      {"INSERT INTO l VALUES ('FR', 1)", 0},
      {"INSERT INTO l VALUES (NULL, 1)", 0},
      {"INSERT INTO l VALUES ('IT', 1)", 14400},
      {"INSERT INTO ld VALUES ('ZZ')", 0},
      {"INSERT INTO rm VALUES (9, 100)", 0},
      {"INSERT INTO rm VALUES (10, 4)", 0},
      {"INSERT INTO rm VALUES (10, 100)", 0},
      {"INSERT INTO rm VALUES (11, 0)", 14400},
      {"INSERT INTO h VALUES (12345)", 0},
      {"INSERT INTO iv VALUES (TO_DATE('2031-05-01', 'YYYY-MM-DD'))", 0},
  };
  for (const auto& c : cases) expectError(c.sql, c.code);
  // The routing survives a rebuild of the table.
  exec("ALTER TABLE r ADD (w NUMBER)");
  expectError("INSERT INTO r (k, v) VALUES (25, 'e')", 14400);
  EXPECT_EQ(one("SELECT COUNT(*) FROM r"), "2");
}

TEST_F(TableKindsTest, CompositeAndHashPartitions) {
  exec("CREATE TABLE c (k NUMBER, r VARCHAR2(2)) PARTITION BY RANGE (k) SUBPARTITION BY LIST (r)"
       " SUBPARTITION TEMPLATE (SUBPARTITION north VALUES ('N'), SUBPARTITION south VALUES ('S'))"
       " (PARTITION p1 VALUES LESS THAN (100),"
       "  PARTITION p2 VALUES LESS THAN (200) (SUBPARTITION p2_all VALUES ('N', 'S') TABLESPACE tbs2))");
  exec("CREATE TABLE hh (k NUMBER, s NUMBER) PARTITION BY RANGE (k) SUBPARTITION BY HASH (s) SUBPARTITIONS 2"
       " (PARTITION q1 VALUES LESS THAN (10))");
  exec("CREATE TABLE hn (k NUMBER) PARTITION BY HASH (k) (PARTITION a TABLESPACE t1, PARTITION b)");
  EXPECT_EQ(one("SELECT SUBPARTITIONING_TYPE, DEF_SUBPARTITION_COUNT, SUBPARTITIONING_KEY_COUNT FROM USER_PART_TABLES"
                " WHERE TABLE_NAME = 'C'"),
            "LIST|2|1");
  EXPECT_EQ(rows("SELECT PARTITION_NAME, SUBPARTITION_NAME, SUBPARTITION_POSITION, HIGH_VALUE, TABLESPACE_NAME"
                 " FROM USER_TAB_SUBPARTITIONS WHERE TABLE_NAME = 'C' ORDER BY PARTITION_POSITION, 3"),
            (std::vector<std::string>{"P1|P1_NORTH|1|'N'|USERS", "P1|P1_SOUTH|2|'S'|USERS",
                                      "P2|P2_ALL|1|'N', 'S'|TBS2"}));
  EXPECT_EQ(rows("SELECT PARTITION_NAME, COMPOSITE, SUBPARTITION_COUNT FROM USER_TAB_PARTITIONS WHERE TABLE_NAME = 'C'"
                 " ORDER BY PARTITION_POSITION"),
            (std::vector<std::string>{"P1|YES|2", "P2|YES|1"}));
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TAB_SUBPARTITIONS WHERE TABLE_NAME = 'HH' AND SUBPARTITION_NAME LIKE 'SYS_SUBP%'"),
            "2");
  EXPECT_EQ(rows("SELECT PARTITION_NAME, HIGH_VALUE, TABLESPACE_NAME FROM USER_TAB_PARTITIONS WHERE TABLE_NAME = 'HN'"
                 " ORDER BY PARTITION_POSITION"),
            (std::vector<std::string>{"A|<null>|T1", "B|<null>|USERS"}));
  EXPECT_EQ(one("SELECT COLUMN_NAME FROM USER_SUBPART_KEY_COLUMNS WHERE NAME = 'C'"), "R");
}

TEST_F(TableKindsTest, PartitioningErrors) {
  struct Case {
    const char* sql;
    int code;
  } cases[] = {
      {"CREATE TABLE e1 (k NUMBER) PARTITION BY RANGE (nope) (PARTITION p VALUES LESS THAN (1))", 904},
      {"CREATE TABLE e2 (k NUMBER) PARTITION BY RANGE (k) (PARTITION p VALUES LESS THAN (10),"
       " PARTITION q VALUES LESS THAN (5))", 14037},
      {"CREATE TABLE e3 (k NUMBER) PARTITION BY RANGE (k) (PARTITION p VALUES LESS THAN (1),"
       " PARTITION p VALUES LESS THAN (2))", 14012},
      {"CREATE TABLE e4 (k NUMBER, j NUMBER) PARTITION BY LIST (k, j) (PARTITION p VALUES (1))", 14304},
      {"CREATE TABLE e5 (k NUMBER) PARTITION BY RANGE (k) (PARTITION p VALUES (1))", 14310},
      {"CREATE TABLE e6 (k CLOB) PARTITION BY HASH (k) PARTITIONS 2", 14135},
      {"CREATE TABLE e7 (k NUMBER) PARTITION BY RANGE (k) (PARTITION p VALUES LESS THAN (1, 2))", 14036},
  };
  for (const auto& c : cases) expectError(c.sql, c.code);
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TABLES"), "0");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_PART_TABLES"), "0");
}

TEST_F(TableKindsTest, LocalAndGlobalIndexesOfPartitionedTables) {
  exec("CREATE TABLE s (k NUMBER, v NUMBER, w NUMBER) PARTITION BY RANGE (k)"
       " (PARTITION p1 VALUES LESS THAN (10), PARTITION p2 VALUES LESS THAN (MAXVALUE))");
  exec("CREATE INDEX s_local ON s (k) LOCAL");
  exec("CREATE INDEX s_local_v ON s (v) LOCAL (PARTITION i1 TABLESPACE tx, PARTITION i2)");
  exec("CREATE INDEX s_global ON s (v, k) GLOBAL PARTITION BY RANGE (v)"
       " (PARTITION g1 VALUES LESS THAN (100), PARTITION g2 VALUES LESS THAN (MAXVALUE))");
  EXPECT_EQ(rows("SELECT INDEX_NAME, LOCALITY, ALIGNMENT, PARTITIONING_TYPE, PARTITION_COUNT FROM USER_PART_INDEXES"
                 " ORDER BY 1"),
            (std::vector<std::string>{"S_GLOBAL|GLOBAL|PREFIXED|RANGE|2", "S_LOCAL|LOCAL|PREFIXED|RANGE|2",
                                      "S_LOCAL_V|LOCAL|NON_PREFIXED|RANGE|2"}));
  EXPECT_EQ(rows("SELECT INDEX_NAME, PARTITION_NAME, PARTITION_POSITION, HIGH_VALUE, TABLESPACE_NAME"
                 " FROM USER_IND_PARTITIONS ORDER BY 1, 3"),
            (std::vector<std::string>{"S_GLOBAL|G1|1|100|USERS", "S_GLOBAL|G2|2|MAXVALUE|USERS",
                                      "S_LOCAL|P1|1|10|USERS", "S_LOCAL|P2|2|MAXVALUE|USERS",
                                      "S_LOCAL_V|I1|1|10|TX", "S_LOCAL_V|I2|2|MAXVALUE|USERS"}));
  EXPECT_EQ(one("SELECT PARTITIONED FROM USER_INDEXES WHERE INDEX_NAME = 'S_LOCAL'"), "YES");
  exec("CREATE TABLE plain (k NUMBER)");
  expectError("CREATE INDEX plain_i ON plain (k) LOCAL", 14016);
  expectError("CREATE INDEX s_g2 ON s (k, v) GLOBAL PARTITION BY RANGE (v) (PARTITION g VALUES LESS THAN (MAXVALUE))",
              14038);
  expectError("CREATE INDEX s_g3 ON s (w) GLOBAL PARTITION BY RANGE (w) (PARTITION g VALUES LESS THAN (5))", 14021);
  expectError("CREATE INDEX s_l2 ON s (k, v) LOCAL (PARTITION only_one)", 14024);
  exec("DROP INDEX s_local");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_IND_PARTITIONS WHERE INDEX_NAME = 'S_LOCAL'"), "0");
  exec("DROP TABLE s");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_PART_INDEXES"), "0");
}

// ---- tables that come with other objects ---------------------------------------

TEST_F(TableKindsTest, IndexOrganizedOverflowSegment) {
  exec("CREATE TABLE iot (id NUMBER PRIMARY KEY, note VARCHAR2(200)) ORGANIZATION INDEX PCTTHRESHOLD 20"
       " OVERFLOW TABLESPACE users PCTFREE 15");
  const std::string overflow = one("SELECT TABLE_NAME FROM USER_TABLES WHERE IOT_TYPE = 'IOT_OVERFLOW'");
  EXPECT_EQ(overflow.rfind("SYS_IOT_OVER_", 0), 0u) << overflow;
  EXPECT_EQ(one("SELECT IOT_NAME, PCT_FREE FROM USER_TABLES WHERE IOT_TYPE = 'IOT_OVERFLOW'"), "IOT|15");
  EXPECT_EQ(one("SELECT IOT_TYPE FROM USER_TABLES WHERE TABLE_NAME = 'IOT'"), "IOT");
  run("INSERT INTO iot VALUES (1, 'x')");
  expectError("SELECT * FROM " + overflow, 25191);
  exec("DROP TABLE iot");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_TABLES"), "0");
  EXPECT_EQ(one("SELECT COUNT(*) FROM USER_OBJECTS"), "0");
}

TEST_F(TableKindsTest, MaterializedViewsAndTheirLogs) {
  exec("CREATE TABLE base (id NUMBER PRIMARY KEY, v NUMBER)");
  run("INSERT INTO base VALUES (1, 10)");
  exec("CREATE MATERIALIZED VIEW mv BUILD IMMEDIATE REFRESH COMPLETE ON DEMAND AS SELECT id, v FROM base");
  exec("CREATE MATERIALIZED VIEW LOG ON base");
  EXPECT_EQ(one("SELECT OWNER, MVIEW_NAME, CONTAINER_NAME, QUERY FROM USER_MVIEWS"), "SCOTT|MV|MV|SELECT id, v FROM base");
  EXPECT_EQ(one("SELECT COUNT(*) FROM mv"), "1");
  EXPECT_EQ(rows("SELECT TABLE_NAME FROM USER_TABLES ORDER BY 1"),
            (std::vector<std::string>{"BASE", "MLOG$_BASE", "MV"}));
  EXPECT_EQ(one("SELECT OBJECT_TYPE FROM USER_OBJECTS WHERE OBJECT_TYPE = 'MATERIALIZED VIEW'"), "MATERIALIZED VIEW");
  expectError("CREATE MATERIALIZED VIEW LOG ON base", 12000);
}

// ---- object types and other kinds of objects ------------------------------------

TEST_F(TableKindsTest, ObjectTypeColumnsAreDescribedAsNamedTypes) {
  exec("CREATE TYPE address_t AS OBJECT (street VARCHAR2(40), city VARCHAR2(20))");
  exec("CREATE TYPE phones_t AS TABLE OF VARCHAR2(20)");
  exec("CREATE TABLE person (id NUMBER, doc XMLTYPE, home address_t, shape SDO_GEOMETRY)");
  EXPECT_EQ(rows("SELECT COLUMN_NAME, DATA_TYPE, DATA_TYPE_OWNER FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'PERSON'"
                 " ORDER BY COLUMN_ID"),
            (std::vector<std::string>{"ID|NUMBER|<null>", "DOC|XMLTYPE|SYS", "HOME|ADDRESS_T|SCOTT",
                                      "SHAPE|SDO_GEOMETRY|MDSYS"}));
  auto st = conn_->prepare("SELECT * FROM person");
  const auto& cols = st->describe();
  ASSERT_EQ(cols.size(), 4u);
  EXPECT_EQ(cols[1].type, SqlType::Object);
  EXPECT_EQ(cols[1].typeName, "XMLTYPE");
  EXPECT_EQ(cols[1].typeSchema, "SYS");
  EXPECT_EQ(cols[2].typeName, "ADDRESS_T");
  run("INSERT INTO person (id) VALUES (1)");
  EXPECT_EQ(rows("SELECT TYPE_NAME, TYPECODE FROM USER_TYPES ORDER BY 1"),
            (std::vector<std::string>{"ADDRESS_T|OBJECT", "PHONES_T|COLLECTION"}));
  expectError("CREATE TABLE t2 (p phones_t)", 22913);
  expectError("CREATE TABLE t3 (p no_such_type)", 902);
}

TEST_F(TableKindsTest, ObjectGrantsAndOtherKindsViews) {
  exec("CREATE TABLE emp (id NUMBER)");
  exec("GRANT SELECT, UPDATE ON emp TO clerk WITH GRANT OPTION");
  exec("GRANT INSERT ON emp TO boss, clerk");
  exec("GRANT CREATE SESSION TO clerk");
  exec("REVOKE UPDATE ON emp FROM clerk");
  EXPECT_EQ(rows("SELECT GRANTEE, TABLE_NAME, GRANTOR, PRIVILEGE, GRANTABLE FROM USER_TAB_PRIVS_MADE ORDER BY 1, 4"),
            (std::vector<std::string>{"BOSS|EMP|SCOTT|INSERT|NO", "CLERK|EMP|SCOTT|INSERT|NO",
                                      "CLERK|EMP|SCOTT|SELECT|YES"}));
  for (const char* view : {"USER_SYNONYMS", "USER_DB_LINKS", "USER_SCHEDULER_JOBS", "USER_NESTED_TABLES"})
    EXPECT_EQ(one(std::string("SELECT COUNT(*) FROM ") + view), "0") << view;
}

}  // namespace
}  // namespace ocisim::testing
