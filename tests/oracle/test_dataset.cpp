// TOracleDataSet against the stand-in: records and navigation, fields by
// name, trimming, memo and blob fields, duplicate column names, and the
// one-column filter with its pattern rules, options and messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oracle/dataset.h"
#include "oracle/errors.h"
#include "platform/locale_formats.h"
#include "support_query_db.h"

namespace {

using query_test::MessageOf;
using query_test::StandInDb;

class DataSetTest : public query_test::StandInTest {
 protected:

  // The values of one field over the visible records, from the first.
  static std::vector<std::string> Column(TOracleDataSet& ds, const std::string& field) {
    std::vector<std::string> out;
    for (ds.First(); !ds.Eof(); ds.Next()) out.push_back(ds.FieldByName(field).AsString());
    return out;
  }

  void Open(TOracleDataSet& ds, const std::string& sql) {
    ds.SetActive(false);
    ds.DeleteVariables();
    ds.SetSQLText(sql);
    ds.SetActive(true);
  }
};

INSTANTIATE_TEST_SUITE_P(Modes, DataSetTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

TEST_P(DataSetTest, RecordsFieldsAndNavigation) {
  REQUIRE_STAND_IN(db());
  std::vector<std::string> rows;
  for (int i = 1; i <= 60; ++i) rows.push_back(std::to_string(i) + ", 'name " + std::to_string(i) + "'");
  db().Table("create table t (id number(9), name varchar2(20))", "t", rows);
  TOracleDataSet ds(&session(), "odsOracle");
  Open(ds, "select id, name from t order by id");
  EXPECT_TRUE(ds.Active());
  EXPECT_EQ(ds.RecordCount(), 60);
  ASSERT_EQ(ds.FieldCount(), 2);
  EXPECT_EQ(ds.Fields(0).Kind(), TFieldKind::Integer);
  EXPECT_EQ(ds.Fields(1).Kind(), TFieldKind::String);
  EXPECT_EQ(ds.Fields(1).Size(), 20);
  ds.First();
  EXPECT_EQ(ds.FieldByName("id").AsString(), "1");
  EXPECT_EQ(ds.RecNo(), 1);
  int n = 0;
  for (ds.First(); !ds.Eof(); ds.Next()) {
    ++n;
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "name " + std::to_string(n));
  }
  EXPECT_EQ(n, 60);
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "");  // no current record at Eof
  EXPECT_TRUE(ds.FieldByName("NAME").IsNull());
  EXPECT_EQ(MessageOf([&] { ds.FieldByName("MISSING"); }), "odsOracle: Field 'MISSING' not found");

  ds.SetActive(false);
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_EQ(ds.FieldCount(), 0);
}

TEST_P(DataSetTest, AnEmptyResult) {
  REQUIRE_STAND_IN(db());
  db().Exec("create table e (id number(9))");
  TOracleDataSet ds(&session(), "DS2");
  Open(ds, "select id from e");
  ds.First();
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_EQ(ds.FieldByName("ID").AsString(), "");
  EXPECT_TRUE(ds.FieldByName("ID").IsNull());
}

TEST_P(DataSetTest, StringsAreTrimmedAndCutToTheFieldSize) {
  REQUIRE_STAND_IN(db());
  db().Table("create table s (id number(9), v varchar2(10), c char(6), short varchar2(3), lg long)", "s",
             {"1, 'ab  ', 'ab', 'a' || chr(10) || 'b', 'x' || chr(10) || 'y '",
              "2, 'cd' || chr(10), null, null, null"});
  TOracleDataSet ds(&session(), "ds");
  Open(ds, "select v, c, short, lg from s order by id");
  ds.First();
  EXPECT_EQ(ds.FieldByName("V").AsString(), "ab");
  EXPECT_EQ(ds.FieldByName("C").AsString(), "ab");
  EXPECT_EQ(ds.FieldByName("SHORT").AsString(), "a\r\n");  // a CR LF made it longer than 3
  EXPECT_EQ(ds.FieldByName("LG").Kind(), TFieldKind::Memo);
  EXPECT_EQ(ds.FieldByName("LG").AsString(), "x\r\ny ");  // converted, not trimmed
  ds.Next();
  EXPECT_EQ(ds.FieldByName("V").AsString(), "cd");  // CR and LF are below 33
  EXPECT_TRUE(ds.FieldByName("LG").IsNull());
  EXPECT_TRUE(ds.FieldByName("C").IsNull());

  session().Preferences().SetTrimStringFields(false);
  Open(ds, "select v, c from s order by id");
  ds.First();
  EXPECT_EQ(ds.FieldByName("V").AsString(), "ab  ");
  EXPECT_EQ(ds.FieldByName("C").AsString(), "ab    ");
  ds.Next();
  EXPECT_EQ(ds.FieldByName("V").AsString(), "cd\r\n");
}

TEST_P(DataSetTest, NumbersAndDatesAsText) {
  REQUIRE_STAND_IN(db());
  db().Table("create table n (id number(9), x number, d date)", "n",
             {"1, 1, to_date('2000-01-01', 'yyyy-mm-dd')",
              "2, 1e27, to_date('2000-01-01 13:05:09', 'yyyy-mm-dd hh24:mi:ss')", "3, -0.5, null"});
  TOracleDataSet ds(&session(), "ds");
  Open(ds, "select x, d from n order by id");
  EXPECT_EQ(ds.FieldByName("X").Kind(), TFieldKind::Float);
  EXPECT_EQ(ds.FieldByName("D").Kind(), TFieldKind::DateTime);
  EXPECT_EQ(Column(ds, "X"), (std::vector<std::string>{"1", "1E27", "-0.5"}));
  EXPECT_EQ(Column(ds, "D"), (std::vector<std::string>{"01/01/2000", "01/01/2000 13:05:09", ""}));
}

TEST_P(DataSetTest, FieldKindsFollowThePreferences) {
  REQUIRE_STAND_IN(db());
  db().Exec("create table k (n4 number(4), n5 number(5), big varchar2(4000), small varchar2(50))");
  db().Exec("insert into k values (1, 2, 'big', 'small')");
  TOracleDataSet ds(&session(), "ds");
  Open(ds, "select n4, n5, big, small from k");
  EXPECT_EQ(ds.FieldByName("N4").Kind(), TFieldKind::Integer);  // SmallIntPrecision -1
  EXPECT_EQ(ds.FieldByName("BIG").Kind(), TFieldKind::String);

  session().Preferences().SetSmallIntPrecision(0);  // counts as 4
  session().Preferences().SetMaxStringFieldSize(100);
  Open(ds, "select n4, n5, big, small from k");
  EXPECT_EQ(ds.FieldByName("N4").Kind(), TFieldKind::SmallInt);
  EXPECT_EQ(ds.FieldByName("N5").Kind(), TFieldKind::Integer);
  EXPECT_EQ(ds.FieldByName("BIG").Kind(), TFieldKind::Memo);
  EXPECT_EQ(ds.FieldByName("SMALL").Kind(), TFieldKind::String);
  ds.First();
  EXPECT_EQ(ds.FieldByName("N4").AsString(), "1");
  EXPECT_EQ(ds.FieldByName("BIG").AsString(), "big");
}

TEST_P(DataSetTest, DuplicateColumnNamesGetCounters) {
  REQUIRE_STAND_IN(db());
  TOracleDataSet ds(&session(), "ds");
  Open(ds, "select 'first' as name, 'second' as name, 'own' as name_1, 'third' as name from dual");
  ASSERT_EQ(ds.FieldCount(), 4);
  EXPECT_EQ(ds.Fields(0).FieldName(), "NAME");
  EXPECT_EQ(ds.Fields(1).FieldName(), "NAME_1");
  EXPECT_EQ(ds.Fields(2).FieldName(), "NAME_1_1");  // NAME_1 was taken
  EXPECT_EQ(ds.Fields(3).FieldName(), "NAME_2");
  ds.First();
  EXPECT_EQ(ds.FieldByName("name").AsString(), "first");
  EXPECT_EQ(ds.FieldByName("Name_1").AsString(), "second");
}

TEST_P(DataSetTest, TheRowIdColumnGetsNoField) {
  REQUIRE_STAND_IN(db());
  db().Table("create table r (id number(9))", "r", {"1"});
  TOracleDataSet ds(&session(), "ds");
  Open(ds, "select rowid, id from r");
  ASSERT_EQ(ds.FieldCount(), 1);
  EXPECT_EQ(ds.Fields(0).FieldName(), "ID");
  EXPECT_EQ(ds.Fields(0).QueryColumn(), 1);
  ds.First();
  EXPECT_EQ(ds.FieldByName("ID").AsString(), "1");
}

TEST_P(DataSetTest, MemoAndBlobFieldsHoldWholeValues) {
  REQUIRE_STAND_IN(db());
  db().Table("create table b (id number(9), raw_data long raw)", "b", {"1, hextoraw('414243')"});
  TOracleDataSet ds(&session(), "ds");
  Open(ds, "select raw_data from b");
  ds.First();
  EXPECT_EQ(ds.FieldByName("RAW_DATA").Kind(), TFieldKind::Blob);
  EXPECT_EQ(ds.FieldByName("RAW_DATA").AsString(), "ABC");

  if (OCI7()) return;  // LOB columns need OCI8 mode
  db().Table("create table c (id number(9), doc clob)", "c", {"1, 'one' || chr(10) || 'two '", "2, null"});
  Open(ds, "select doc from c order by id");
  ds.First();
  EXPECT_EQ(ds.FieldByName("DOC").Kind(), TFieldKind::Memo);
  EXPECT_EQ(ds.FieldByName("DOC").AsString(), "one\r\ntwo ");
  ds.Next();
  EXPECT_TRUE(ds.FieldByName("DOC").IsNull());
}

TEST_P(DataSetTest, RowsAreFetchedAsNavigationNeedsThem) {
  REQUIRE_STAND_IN(db());
  std::vector<std::string> rows;
  for (int i = 1; i <= 30; ++i) rows.push_back(std::to_string(i) + ", 'n" + std::to_string(i) + "'");
  db().Table("create table t (id number(9), name varchar2(20))", "t", rows);
  TOracleDataSet ds(&session(), "ds");
  ds.SetQueryAllRecords(false);
  ds.SetReadBuffer(10);
  Open(ds, "select id, name from t order by id");
  EXPECT_EQ(ds.RecordCount(), 1);
  for (int i = 0; i < 4; ++i) ds.Next();
  EXPECT_EQ(ds.RecordCount(), 5);
  EXPECT_EQ(ds.FieldByName("ID").AsString(), "5");
  ds.First();  // the held records stay where they are
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "n1");
  EXPECT_EQ(ds.RecordCount(), 5);
  int n = 0;
  for (ds.First(); !ds.Eof(); ds.Next()) ++n;
  EXPECT_EQ(n, 30);
  EXPECT_EQ(ds.RecordCount(), 30);
}

TEST_P(DataSetTest, LogoffClosesTheDataSet) {
  REQUIRE_STAND_IN(db());
  TOracleDataSet ds(&session(), "ds");
  Open(ds, "select 1 as one from dual");
  session().SetConnected(false);
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(MessageOf([&] { ds.SetActive(true); }), "Not logged on");
  EXPECT_FALSE(ds.Active());
  session().SetConnected(true);
  ds.SetActive(true);
  ds.First();
  EXPECT_EQ(ds.FieldByName("ONE").AsString(), "1");
}

TEST_P(DataSetTest, ReplacingTheStatementReopens) {
  REQUIRE_STAND_IN(db());
  TOracleDataSet ds(&session(), "ds");
  Open(ds, "select 1 as one from dual");
  ds.SetSQL({"select 2 as two", "from dual"});
  EXPECT_TRUE(ds.Active());
  ds.First();
  EXPECT_EQ(ds.FieldByName("TWO").AsString(), "2");
  // Editing the lines in place waits for the next open.
  ds.SQL() = {"select 3 as three from dual"};
  EXPECT_EQ(ds.FieldByName("TWO").AsString(), "2");
  ds.SetActive(false);
  ds.SetActive(true);
  EXPECT_EQ(ds.FieldByName("THREE").AsString(), "3");
  ds.SetSession(nullptr);
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(MessageOf([&] { ds.SetActive(true); }), "Session undefined");
}

TEST_P(DataSetTest, AnOracleErrorLeavesTheDataSetClosed) {
  REQUIRE_STAND_IN(db());
  TOracleDataSet ds(&session(), "ds");
  int after = 0;
  ds.AfterQuery = [&](TOracleQuery&) { ++after; };
  ds.SetSQLText("select x from nowhere");
  EXPECT_THROW(ds.SetActive(true), EOracleError);
  EXPECT_FALSE(ds.Active());
  ds.SetSQLText("select 1 as x from dual");
  ds.SetActive(true);
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(after, 1);
}

// ---------------------------------------------------------------------------
// Filter

class FilterTest : public DataSetTest {
 protected:
  void MakeNames(TOracleDataSet& ds) {
    db().Table("create table names (id number(9), name varchar2(10))", "names",
               {"1, 'A'", "2, 'ABC'", "3, 'abc'", "4, 'B_1'", "5, 'B%1'", "6, 'X''Y'", "7, null", "8, 'BX1 '"});
    Open(ds, "select id, name from names order by id");
  }
};

INSTANTIATE_TEST_SUITE_P(Modes, FilterTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

TEST_P(FilterTest, PatternsAndOptions) {
  REQUIRE_STAND_IN(db());
  TOracleDataSet ds(&session(), "ds");
  MakeNames(ds);
  const struct {
    const char* filter;
    TFilterOptions options;
    std::vector<std::string> ids;
  } cases[] = {
      {"NAME='A*'", 0, {"1", "2"}},
      {"NAME='a'", 0, {}},
      {"NAME='a'", foCaseInsensitive, {"1"}},
      {"name = 'abc'", foCaseInsensitive, {"2", "3"}},
      {"NAME='?BC'", 0, {"2"}},
      {"NAME='B_1'", 0, {"4"}},   // "_" and "%" are ordinary characters
      {"NAME='B%1'", 0, {"5"}},
      {"NAME='B?1'", 0, {"4", "5", "8"}},  // the trimmed value of row 8
      {"NAME='X''Y'", 0, {"6"}},
      {"NAME='*'", 0, {"1", "2", "3", "4", "5", "6", "8"}},  // null passes no test
      {"NAME='A*'", foNoPartialCompare, {}},
      {"NAME='abc'", foNoPartialCompare | foCaseInsensitive, {"2", "3"}},
      {"ID='3'", 0, {"3"}},
      {"  ", 0, {"1", "2", "3", "4", "5", "6", "7", "8"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter);
    ds.SetFiltered(false);
    ds.SetFilterOptions(c.options);
    ds.SetFilter(c.filter);
    ds.SetFiltered(true);
    EXPECT_EQ(Column(ds, "ID"), c.ids);
    EXPECT_EQ(ds.RecordCount(), int(c.ids.size()));
  }
}

TEST_P(FilterTest, NoMatchThenUnfiltered) {
  REQUIRE_STAND_IN(db());
  TOracleDataSet ds(&session(), "ds");
  MakeNames(ds);
  ds.SetFilter("NAME='nobody'");
  ds.SetFiltered(true);
  ds.First();
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "");
  ds.SetFilter("NAME='B*'");  // changing the filter while filtered applies at once
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("ID").AsString(), "4");
  ds.SetFiltered(false);
  EXPECT_EQ(ds.FieldByName("ID").AsString(), "1");
  EXPECT_EQ(ds.RecordCount(), 8);
}

TEST_P(FilterTest, FilteredFetchingGoesOnUntilARecordPasses) {
  REQUIRE_STAND_IN(db());
  TOracleDataSet ds(&session(), "ds");
  ds.SetQueryAllRecords(false);
  ds.SetFilter("NAME='B*'");
  ds.SetFiltered(true);
  MakeNames(ds);
  EXPECT_EQ(ds.FieldByName("ID").AsString(), "4");
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(Column(ds, "ID"), (std::vector<std::string>{"4", "5", "8"}));
  ds.SetFiltered(false);
  EXPECT_EQ(ds.RecordCount(), 8);
}

// Exact filters look their records up instead of testing each one; the
// answers must be those of testing each record, also for records fetched
// after the lookup was first made and after the data set is opened again.
TEST_P(FilterTest, ExactFiltersFindTheRecordsTestingWouldFind) {
  REQUIRE_STAND_IN(db());
  TOracleDataSet ds(&session(), "ds");
  ds.SetQueryAllRecords(false);
  ds.SetFilterOptions(foNoPartialCompare);
  MakeNames(ds);
  const struct {
    const char* filter;
    TFilterOptions options;
    std::vector<std::string> ids;
  } cases[] = {
      {"NAME='A'", foNoPartialCompare, {"1"}},  // before the rest is fetched
      {"NAME='abc'", foNoPartialCompare, {"3"}},
      {"NAME='abc'", foNoPartialCompare | foCaseInsensitive, {"2", "3"}},
      {"NAME='BX1'", foNoPartialCompare, {"8"}},
      {"NAME='B*'", foNoPartialCompare, {}},
      {"ID='7'", foNoPartialCompare, {"7"}},
      {"NAME=''", foNoPartialCompare, {}},  // null equals nothing
  };
  for (int round = 0; round < 2; ++round) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.filter) + " round " + std::to_string(round));
      ds.SetFiltered(false);
      ds.SetFilterOptions(c.options);
      ds.SetFilter(c.filter);
      ds.SetFiltered(true);
      EXPECT_EQ(Column(ds, "ID"), c.ids);
    }
    ds.SetFiltered(false);
    ds.Close();
    ds.Open();
  }
}

TEST_P(FilterTest, BadFiltersAreRefused) {
  REQUIRE_STAND_IN(db());
  TOracleDataSet ds(&session(), "ds");
  MakeNames(ds);
  const struct {
    std::string filter;
    const char* message;
  } cases[] = {
      {"NAME='abc", "Unterminated string"},
      {"NAME='" + std::string(257, 'a') + "'", "String too long"},
      {"NAME='A' x", "x not appropriate"},
      {"NAME='A')", ") not appropriate"},
      {"NAME<'A'", "< not appropriate"},
      {"NOPE='A'", "ds: Field 'NOPE' not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter);
    ds.SetFiltered(false);
    ds.SetFilter(c.filter);
    EXPECT_EQ(MessageOf([&] { ds.SetFiltered(true); }), c.message);
    EXPECT_FALSE(ds.Filtered());
    EXPECT_EQ(ds.RecordCount(), 8);
  }
  // A literal of exactly 256 characters is fine.
  ds.SetFilter("NAME='" + std::string(256, 'a') + "'");
  ds.SetFiltered(true);
  EXPECT_EQ(ds.RecordCount(), 0);
}

}  // namespace
