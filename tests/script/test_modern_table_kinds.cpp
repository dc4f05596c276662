// Kinds of tables of today's schemas scripted and loaded again: temporary
// tables, partitioned tables and indexes (range, list, hash, interval and
// composite) compared dictionary against dictionary and rows against rows;
// tables Oracle makes with other objects named in the closing note instead
// of being scripted; object-type columns written with their type while
// their values are left out, without ending the run.
#include <gtest/gtest.h>

#include "roundtrip_support.h"

namespace {

using writers_test::ExtraParts;

const char* kSchema = R"SQL(
CREATE GLOBAL TEMPORARY TABLE gtt_tx (id NUMBER, note VARCHAR2(20)) ON COMMIT DELETE ROWS;
CREATE GLOBAL TEMPORARY TABLE gtt_session (id NUMBER CONSTRAINT gtt_session_pk PRIMARY KEY) ON COMMIT PRESERVE ROWS;
INSERT INTO gtt_session VALUES (1);
CREATE TABLE sales (id NUMBER CONSTRAINT sales_pk PRIMARY KEY, sold DATE NOT NULL, amount NUMBER(10,2))
  TABLESPACE users PCTFREE 20
  PARTITION BY RANGE (sold)
  (PARTITION p2020 VALUES LESS THAN (TO_DATE('2021-01-01', 'YYYY-MM-DD')) TABLESPACE hist,
   PARTITION p2021 VALUES LESS THAN (TO_DATE('2022-01-01', 'YYYY-MM-DD')) STORAGE (INITIAL 1M NEXT 2M),
   PARTITION pmax VALUES LESS THAN (MAXVALUE));
INSERT INTO sales VALUES (1, TO_DATE('2020-03-01', 'YYYY-MM-DD'), 10.5);
INSERT INTO sales VALUES (2, TO_DATE('2021-07-14', 'YYYY-MM-DD'), 20);
INSERT INTO sales VALUES (3, TO_DATE('2030-01-01', 'YYYY-MM-DD'), 30);
CREATE INDEX sales_sold ON sales (sold) LOCAL;
CREATE INDEX sales_amount ON sales (amount) GLOBAL PARTITION BY RANGE (amount)
  (PARTITION small VALUES LESS THAN (100), PARTITION big VALUES LESS THAN (MAXVALUE));
CREATE TABLE customers (id NUMBER, country VARCHAR2(2))
  PARTITION BY LIST (country)
  (PARTITION europe VALUES ('DE', 'FR'), PARTITION none VALUES (NULL), PARTITION others VALUES (DEFAULT));
INSERT INTO customers VALUES (1, 'DE');
INSERT INTO customers VALUES (2, NULL);
INSERT INTO customers VALUES (3, 'JP');
CREATE TABLE events (id NUMBER) PARTITION BY HASH (id) PARTITIONS 4;
INSERT INTO events VALUES (1);
INSERT INTO events VALUES (2);
CREATE TABLE readings (taken DATE, v NUMBER)
  PARTITION BY RANGE (taken) INTERVAL (NUMTOYMINTERVAL(1, 'MONTH'))
  (PARTITION before2020 VALUES LESS THAN (TO_DATE('2020-01-01', 'YYYY-MM-DD')));
INSERT INTO readings VALUES (TO_DATE('2019-05-05', 'YYYY-MM-DD'), 1);
CREATE TABLE orders (id NUMBER, region VARCHAR2(1))
  PARTITION BY RANGE (id) SUBPARTITION BY LIST (region)
  SUBPARTITION TEMPLATE (SUBPARTITION n VALUES ('N'), SUBPARTITION s VALUES ('S'))
  (PARTITION o1 VALUES LESS THAN (1000),
   PARTITION o2 VALUES LESS THAN (2000) (SUBPARTITION o2_all VALUES ('N', 'S') TABLESPACE hist));
INSERT INTO orders VALUES (5, 'N');
INSERT INTO orders VALUES (1500, 'S');
CREATE TABLE logs (id NUMBER, k NUMBER)
  PARTITION BY RANGE (id) SUBPARTITION BY HASH (k) SUBPARTITIONS 2
  (PARTITION l1 VALUES LESS THAN (100), PARTITION l2 VALUES LESS THAN (200));
INSERT INTO logs VALUES (150, 7);
)SQL";

ExtraParts TableKindParts() {
  return {
      {"table kinds", "SELECT TABLE_NAME, TEMPORARY, DURATION, PARTITIONED, IOT_TYPE FROM USER_TABLES ORDER BY 1"},
      {"partitioned tables",
       "SELECT TABLE_NAME, PARTITIONING_TYPE, SUBPARTITIONING_TYPE, PARTITION_COUNT, DEF_SUBPARTITION_COUNT,"
       " PARTITIONING_KEY_COUNT, SUBPARTITIONING_KEY_COUNT, DEF_TABLESPACE_NAME, DEF_PCT_FREE, \"INTERVAL\""
       " FROM USER_PART_TABLES ORDER BY 1"},
      {"partitions",
       "SELECT TABLE_NAME, PARTITION_NAME, PARTITION_POSITION, HIGH_VALUE, COMPOSITE, SUBPARTITION_COUNT,"
       " TABLESPACE_NAME, PCT_FREE, INI_TRANS, INITIAL_EXTENT, NEXT_EXTENT FROM USER_TAB_PARTITIONS ORDER BY 1, 3"},
      {"subpartitions",
       "SELECT TABLE_NAME, PARTITION_NAME, SUBPARTITION_NAME, SUBPARTITION_POSITION, HIGH_VALUE, TABLESPACE_NAME"
       " FROM USER_TAB_SUBPARTITIONS ORDER BY 1, 2, 4"},
      {"subpartition templates",
       "SELECT TABLE_NAME, SUBPARTITION_NAME, SUBPARTITION_POSITION, TABLESPACE_NAME, HIGH_BOUND"
       " FROM USER_SUBPARTITION_TEMPLATES ORDER BY 1, 3"},
      {"partition keys", "SELECT NAME, OBJECT_TYPE, COLUMN_NAME, COLUMN_POSITION FROM USER_PART_KEY_COLUMNS ORDER BY 1, 2, 4"},
      {"subpartition keys",
       "SELECT NAME, OBJECT_TYPE, COLUMN_NAME, COLUMN_POSITION FROM USER_SUBPART_KEY_COLUMNS ORDER BY 1, 2, 4"},
      {"partitioned indexes",
       "SELECT INDEX_NAME, TABLE_NAME, LOCALITY, ALIGNMENT, PARTITIONING_TYPE, PARTITION_COUNT FROM USER_PART_INDEXES"
       " ORDER BY 1"},
      {"index partitions",
       "SELECT INDEX_NAME, PARTITION_NAME, PARTITION_POSITION, HIGH_VALUE, TABLESPACE_NAME FROM USER_IND_PARTITIONS"
       " ORDER BY 1, 3"},
  };
}

TEST(ModernTableKinds, TemporaryAndPartitionedTablesRoundTrip) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText(kSchema), "");
  const std::string script = writers_test::ExpectRoundTrip(db, "modern_table_kinds", writers_test::TickAllButDrops,
                                                           TableKindParts());
  EXPECT_NE(script.find("CREATE GLOBAL TEMPORARY TABLE GTT_SESSION"), std::string::npos);
  EXPECT_NE(script.find("ON COMMIT PRESERVE ROWS"), std::string::npos);
  EXPECT_NE(script.find("ON COMMIT DELETE ROWS"), std::string::npos);
  // A temporary table's rows belong to sessions: none are scripted.
  EXPECT_EQ(script.find("INSERT INTO GTT_"), std::string::npos);
  EXPECT_NE(script.find("PARTITION BY RANGE (SOLD)"), std::string::npos);
  EXPECT_NE(script.find("INTERVAL (NUMTOYMINTERVAL(1, 'MONTH'))"), std::string::npos);
  EXPECT_NE(script.find("\r\nLOCAL\r\n"), std::string::npos);
}

TEST(ModernTableKinds, RowsOutsideEveryPartitionAreRefused) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText(kSchema), "");
  const std::string err = db.RunText("INSERT INTO orders VALUES (5000, 'N');");
  EXPECT_NE(err.find("ORA-14400"), std::string::npos) << err;
}

TEST(ModernTableKinds, TablesMadeWithOtherObjectsAreNamedNotScripted) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText("CREATE TABLE base (id NUMBER PRIMARY KEY, v NUMBER);\n"
                       "INSERT INTO base VALUES (1, 2);\n"
                       "CREATE MATERIALIZED VIEW base_mv AS SELECT id, v FROM base;\n"
                       "CREATE MATERIALIZED VIEW LOG ON base;\n"
                       "CREATE TABLE \"BIN$a1b2c3d4e5f6g7h8i9j0k==$0\" (id NUMBER);\n"
                       "CREATE TABLE iot (id NUMBER PRIMARY KEY, note VARCHAR2(100)) ORGANIZATION INDEX\n"
                       "  OVERFLOW TABLESPACE users PCTFREE 30;\n"
                       "INSERT INTO iot VALUES (1, 'kept');\n"
                       "CREATE TYPE point_t AS OBJECT (x NUMBER, y NUMBER);\n"
                       "/\n"
                       "GRANT SELECT ON base TO reporter;\n"),
            "");
  const std::string script = db.Script(writers_test::TickAllButDrops);
  for (const char* absent : {"CREATE TABLE BASE_MV", "CREATE TABLE MLOG$_BASE", "CREATE TABLE \"BIN$",
                             "CREATE TABLE SYS_IOT_OVER", "INSERT INTO SYS_IOT_OVER", "INSERT INTO BASE_MV"})
    EXPECT_EQ(script.find(absent), std::string::npos) << absent;
  const size_t note = script.find("/* Not in this script:");
  ASSERT_NE(note, std::string::npos) << script;
  const std::string closing = script.substr(note);
  for (const char* named : {"BASE_MV: the container table of the materialized view BASE_MV",
                            "MLOG$_BASE: a materialized view log", "BIN$a1b2c3d4e5f6g7h8i9j0k==$0: a dropped table",
                            "the overflow segment of the index-organized table IOT", "MATERIALIZED VIEW BASE_MV",
                            "TYPE POINT_T", "GRANT SELECT ON BASE TO REPORTER"})
    EXPECT_NE(closing.find(named), std::string::npos) << named << "\n" << closing;
  // The index-organized table keeps its overflow segment.
  EXPECT_NE(script.find("ORGANIZATION INDEX"), std::string::npos);
  ASSERT_TRUE(db.CreateDatabase("AGAIN"));
  const std::string file = db.Dir() + "/kinds.sql";
  writers_test::WriteFile(file, script);
  EXPECT_EQ(db.Run({file}, "AGAIN"), "");
  TOracleQuery q(&db.Session("AGAIN"));
  q.SetSQLText("SELECT IOT_NAME, PCT_FREE FROM USER_TABLES WHERE IOT_TYPE = 'IOT_OVERFLOW'");
  q.Execute();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldAsText(0), "IOT");
  EXPECT_EQ(q.FieldAsText(1), "30");
}

TEST(ModernTableKinds, ObjectTypeColumnsAreWrittenAndTheirValuesLeftOut) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  const std::string type = "CREATE TYPE address_t AS OBJECT (street VARCHAR2(40), city VARCHAR2(20));\n/\n";
  ASSERT_EQ(db.RunText(type +
                       "CREATE TABLE person (id NUMBER PRIMARY KEY, doc XMLTYPE, home address_t, name VARCHAR2(20));\n"
                       "INSERT INTO person (id, name) VALUES (1, 'Ann');\n"
                       "INSERT INTO person (id, name) VALUES (2, 'Bob');\n"
                       "CREATE TABLE after_person (id NUMBER);\n"
                       "INSERT INTO after_person VALUES (7);\n"),
            "");
  // The run goes on past the object columns to the tables after them.
  const std::string script = db.Script(writers_test::TickAllButDrops);
  EXPECT_NE(script.find("DOC XMLTYPE"), std::string::npos);
  EXPECT_NE(script.find("HOME ADDRESS_T"), std::string::npos);
  EXPECT_NE(script.find("Column DOC (XMLTYPE) is of an object type: its values are left out."), std::string::npos);
  EXPECT_NE(script.find("INSERT INTO AFTER_PERSON"), std::string::npos);
  const size_t leftOut = script.find("/* Left out of this script:");
  ASSERT_NE(leftOut, std::string::npos);
  EXPECT_NE(script.find("values of columns of object types of PERSON.DOC: XMLTYPE", leftOut), std::string::npos)
      << script.substr(leftOut);
  // Loaded where the type exists, the rows come back without those values.
  ASSERT_TRUE(db.CreateDatabase("AGAIN"));
  const std::string typeFile = db.Dir() + "/type.sql", file = db.Dir() + "/person.sql";
  writers_test::WriteFile(typeFile, type);
  writers_test::WriteFile(file, script);
  EXPECT_EQ(db.Run({typeFile, file}, "AGAIN"), "");
  TOracleQuery q(&db.Session("AGAIN"));
  q.SetSQLText("SELECT id, name FROM person ORDER BY id");
  q.Execute();
  std::string rows;
  for (; !q.Eof(); q.Next()) rows += q.FieldAsText(0) + "=" + q.FieldAsText(1) + ";";
  EXPECT_EQ(rows, "1=Ann;2=Bob;");
}

}  // namespace
