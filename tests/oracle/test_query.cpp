// TOracleQuery against the stand-in client library: buffered fetch and its
// boundaries, LONG columns, statement reuse, the text that reaches the
// server, column lookup and the query's own messages, in both modes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oracle/errors.h"
#include "oracle/query.h"
#include "platform/locale_formats.h"
#include "platform/ui_hooks.h"
#include "support_query_db.h"

namespace {

using query_test::CountingApi;
using query_test::MessageOf;
using query_test::StandInDb;

std::vector<std::string> NumberRows(int n) {
  std::vector<std::string> rows;
  for (int i = 1; i <= n; ++i) rows.push_back(std::to_string(i) + ", 'row " + std::to_string(i) + "'");
  return rows;
}

class QueryTest : public query_test::StandInTest {
 protected:
};

INSTANTIATE_TEST_SUITE_P(Modes, QueryTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

// ---------------------------------------------------------------------------
// Buffered fetch

struct FetchCase {
  int rows;
  int roundTrips;  // fetch round trips of a first execution with ReadBuffer 25
};

TEST_P(QueryTest, FetchBoundariesWithReadBuffer25) {
  REQUIRE_STAND_IN(db());
  const FetchCase cases[] = {{0, 1}, {1, 1}, {24, 1}, {25, 2}, {26, 2}, {50, 3}, {51, 3}};
  for (const FetchCase& c : cases) {
    SCOPED_TRACE(c.rows);
    std::string table = "T" + std::to_string(c.rows);
    db().Table("create table " + table + " (n number(9), s varchar2(20))", table, NumberRows(c.rows));
    CountingApi counting;
    TOracleQuery q(&session());
    q.SetSQLText("select n, s from " + table + " order by n");
    q.Execute();
    int seen = 0;
    while (!q.Eof()) {
      ++seen;
      EXPECT_EQ(q.FieldAsInteger(0), seen);
      EXPECT_EQ(q.FieldAsText("S"), "row " + std::to_string(seen));
      q.Next();
    }
    EXPECT_EQ(seen, c.rows);
    EXPECT_EQ(counting.Counts().roundTrips, c.roundTrips);
    EXPECT_EQ(q.RowsProcessed(), c.rows);

    // Executing again reuses the statement; in OCI8 mode the execute itself
    // brings the first buffer.  The round trips stay the same.
    counting.Reset();
    q.Execute();
    seen = 0;
    while (!q.Eof()) {
      ++seen;
      q.Next();
    }
    EXPECT_EQ(seen, c.rows);
    EXPECT_EQ(counting.Counts().prepares, 0);
    EXPECT_EQ(counting.Counts().roundTrips, c.roundTrips);
  }
}

TEST_P(QueryTest, SmallReadBufferWalksEveryRow) {
  REQUIRE_STAND_IN(db());
  db().Table("create table t (n number(9), s varchar2(20))", "t", NumberRows(7));
  CountingApi counting;
  TOracleQuery q(&session());
  q.SetReadBuffer(3);
  q.SetSQLText("select n from t order by n");
  q.Execute();
  std::string seen;
  for (; !q.Eof(); q.Next()) seen += q.FieldAsText(0) + ",";
  EXPECT_EQ(seen, "1,2,3,4,5,6,7,");
  EXPECT_EQ(counting.Counts().roundTrips, 3);  // 3 + 3 + 1, the short buffer ends it
}

TEST_P(QueryTest, LongColumnFetchesOneRowPerRoundTrip) {
  REQUIRE_STAND_IN(db());
  db().Table("create table l (n number(9), txt long)", "l", {"1, 'first'", "2, 'second'", "3, 'third'"});
  CountingApi counting;
  TOracleQuery q(&session());
  q.SetSQLText("select n, txt from l order by n");
  q.Execute();
  std::vector<std::string> texts;
  for (; !q.Eof(); q.Next()) texts.push_back(q.FieldAsText("TXT"));
  EXPECT_EQ(texts, (std::vector<std::string>{"first", "second", "third"}));
  // One row per fetch, and a last fetch that finds no row.
  EXPECT_EQ(counting.Counts().roundTrips, 4);
}

TEST_P(QueryTest, LongValuesArriveWholeInGrowingPieces) {
  REQUIRE_STAND_IN(db());
  db().Exec("create table l (txt long)");
  // 100000 characters: more than the first five pieces hold.
  std::string value;
  for (int i = 0; i < 100000; ++i) value += char('a' + i % 26);
  db().Exec("insert into l values ('" + value.substr(0, 4000) + "')");
  TOracleQuery u(&session());
  for (size_t at = 4000; at < value.size(); at += 4000) {
    u.SetSQLText("update l set txt = txt || '" + value.substr(at, 4000) + "'");
    u.Execute();
  }
  TOracleQuery q(&session());
  q.SetSQLText("select txt from l");
  q.Execute();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldAsText(0), value);

  char buf[10];
  EXPECT_EQ(q.ReadLongField(0, buf, 10, 99995), 5);
  EXPECT_EQ(std::string(buf, 5), value.substr(99995));
  EXPECT_EQ(q.ReadLongField(0, buf, 10, 1998), 10);  // across a piece boundary
  EXPECT_EQ(std::string(buf, 10), value.substr(1998, 10));

  if (!OCI7()) {
    std::vector<int32_t> sizes;
    for (const auto& p : q.Field(0).Pieces) sizes.push_back(p->Size);
    EXPECT_EQ(sizes, (std::vector<int32_t>{2000, 4000, 8000, 16000, 32000, 32000, 32000}));
  }
  EXPECT_EQ(MessageOf([&] { q.ReadLongField(5, buf, 1, 0); }), "Field 5 does not exist");
}

// ---------------------------------------------------------------------------
// Statement reuse

TEST_P(QueryTest, OptimizeKeepsTheParseWhileTheTextIsUnchanged) {
  REQUIRE_STAND_IN(db());
  db().Table("create table t (n number(9), s varchar2(20))", "t", NumberRows(3));
  CountingApi counting;
  TOracleQuery q(&session());
  q.SetSQLText("select n from t");
  q.Execute();
  q.Execute();
  EXPECT_EQ(counting.Counts().prepares, 1);

  q.SetSQLText("select n from t ");  // one character more
  q.Execute();
  EXPECT_EQ(counting.Counts().prepares, 2);

  q.SetOptimize(false);
  q.Execute();
  q.Execute();
  EXPECT_EQ(counting.Counts().prepares, 4);

  // DML is reusable too; DDL is parsed on every execution.
  counting.Reset();
  q.SetOptimize(true);
  q.SetSQLText("update t set s = 'x' where n = 1");
  q.Execute();
  q.Execute();
  EXPECT_EQ(counting.Counts().prepares, 1);
  EXPECT_EQ(q.RowsProcessed(), 1);
  counting.Reset();
  q.SetSQLText("create table u (n number)");
  q.Execute();
  EXPECT_THROW(q.Execute(), EOracleError);  // the table exists now
  EXPECT_EQ(counting.Counts().prepares, 2);
}

TEST_P(QueryTest, AFailedStatementIsParsedAgain) {
  REQUIRE_STAND_IN(db());
  CountingApi counting;
  TOracleQuery q(&session());
  q.SetSQLText("select n from missing");
  try {
    q.Execute();
    FAIL() << "no error";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 942);
    EXPECT_EQ(std::string(e.what()).substr(0, 10), "ORA-00942:");
  }
  EXPECT_THROW(q.Execute(), EOracleError);
  EXPECT_EQ(counting.Counts().prepares, 2);
  db().Exec("create table missing (n number(9))");
  db().Exec("insert into missing values (7)");
  counting.Reset();
  q.Execute();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldAsInteger(0), 7);
  EXPECT_EQ(counting.Counts().prepares, 1);
}

TEST_P(QueryTest, ChangingStringFieldsOnlyParsesAgain) {
  REQUIRE_STAND_IN(db());
  db().Table("create table t (n number(9), d date)", "t", {"5, to_date('2000-01-01', 'yyyy-mm-dd')"});
  TOracleQuery q(&session());
  q.SetSQLText("select n, d from t");
  q.Execute();
  EXPECT_EQ(q.FieldType(0), 3);
  EXPECT_EQ(q.FieldType(1), 12);
  q.SetStringFieldsOnly(true);
  q.Execute();
  EXPECT_EQ(q.FieldType(0), 5);
  EXPECT_EQ(q.FieldType(1), 5);
  // The server's own date text, in a buffer sized by the session's probe.
  EXPECT_EQ(q.FieldAsText(1), "01-JAN-00");
  EXPECT_EQ(q.FieldSize(1), session().DateFormatLength());
  EXPECT_EQ(q.FieldAsText(0), "5");
  EXPECT_EQ(q.FieldAsInteger(0), 5);
}

// ---------------------------------------------------------------------------
// The text that reaches the server

TEST_P(QueryTest, LinesReachTheServerSeparatedByLineFeeds) {
  REQUIRE_STAND_IN(db());
  CountingApi counting;
  TOracleQuery q(&session());
  q.SQL() = {"select length('a", "b') as len", "from dual"};
  q.Execute();
  ASSERT_EQ(counting.Counts().texts.size(), 1u);
  EXPECT_EQ(counting.Counts().texts[0], "select length('a\nb') as len\nfrom dual\n");
  EXPECT_EQ(q.FieldAsInteger("LEN"), 3);  // a, LF, b
}

TEST_P(QueryTest, EmptySQLSendsABlankAndTheServerAnswers) {
  REQUIRE_STAND_IN(db());
  CountingApi counting;
  TOracleQuery q(&session());
  EXPECT_THROW(q.Execute(), EOracleError);
  ASSERT_FALSE(counting.Counts().texts.empty());
  EXPECT_EQ(counting.Counts().texts[0], " ");
}

// ---------------------------------------------------------------------------
// Columns

TEST_P(QueryTest, ColumnNamesAndLookup) {
  REQUIRE_STAND_IN(db());
  TOracleQuery q(&session());
  q.SetSQLText(
      "select 1 as name, 2 as \"Mixed\", 3 as name, "
      "1234567890 + 1234567890 + 1234567890 + 1234567890 from dual");
  q.Execute();
  ASSERT_EQ(q.FieldCount(), 4);
  EXPECT_EQ(q.FieldName(0), "NAME");
  EXPECT_EQ(q.FieldName(1), "Mixed");
  // An expression's name is its text, cut to 30 characters.
  EXPECT_EQ(q.FieldName(3).size(), 30u);
  EXPECT_EQ(q.FieldName(3).substr(0, 10), "1234567890");
  EXPECT_EQ(q.FieldIndex("name"), 0);   // case ignored, the first of two wins
  EXPECT_EQ(q.FieldIndex("MIXED"), 1);
  EXPECT_EQ(q.FieldIndex("nothing"), -1);
  EXPECT_EQ(q.FieldAsInteger("Name"), 1);
  EXPECT_EQ(MessageOf([&] { q.FieldAsText("NOTHING"); }), "Field NOTHING does not exist");
  EXPECT_EQ(MessageOf([&] { q.FieldAsText(4); }), "Field 4 does not exist");
  EXPECT_EQ(MessageOf([&] { q.FieldName(-1); }), "Field -1 does not exist");
}

TEST_P(QueryTest, AnEmptyResultIsAtEofButStillDescribed) {
  REQUIRE_STAND_IN(db());
  db().Exec("create table e (id number(9), name varchar2(10))");
  int after = 0;
  TOracleQuery q(&session());
  q.AfterQuery = [&](TOracleQuery&) { ++after; };
  q.SetSQLText("select id, name from e");
  q.Execute();
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(after, 1);
  EXPECT_EQ(q.FieldCount(), 2);
  EXPECT_EQ(q.FieldName(1), "NAME");
  EXPECT_EQ(q.FieldSize(1), 10);
  EXPECT_EQ(MessageOf([&] { q.FieldAsText(0); }), "You cannot access field data beyond Eof");
  EXPECT_EQ(MessageOf([&] { q.FieldIsNull(0); }), "You cannot access field data beyond Eof");
  EXPECT_NO_THROW(q.Next());
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(after, 1);
}

TEST_P(QueryTest, DescribeWithoutExecuting) {
  REQUIRE_STAND_IN(db());
  db().Table("create table t (n number(9), s varchar2(20))", "t", NumberRows(2));
  TOracleQuery q(&session());
  q.SetSQLText("select n, s from t");
  q.Describe();
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.FieldCount(), 2);
  EXPECT_EQ(q.FieldType(0), 3);
  q.Execute();
  int rows = 0;
  for (; !q.Eof(); q.Next()) ++rows;
  EXPECT_EQ(rows, 2);
}

// ---------------------------------------------------------------------------
// The query's own messages and events

TEST_P(QueryTest, MisuseMessages) {
  REQUIRE_STAND_IN(db());
  TOracleQuery none;
  none.SetSQLText("select 1 from dual");
  EXPECT_EQ(MessageOf([&] { none.Execute(); }), "Session undefined");

  TOracleQuery q(&session());
  q.SetSQLText("select 1 as one from dual");
  q.Execute();
  session().SetConnected(false);
  EXPECT_EQ(MessageOf([&] { q.Execute(); }), "Not logged on");
  EXPECT_EQ(q.RowsProcessed(), 0);

  TOracleQuery r;
  r.SetReadBuffer(0);
  EXPECT_EQ(r.ReadBuffer(), 1);
  r.SetReadBuffer(-5);
  EXPECT_EQ(r.ReadBuffer(), 1);
}

TEST_P(QueryTest, LogonAgainReopensTheCursor) {
  REQUIRE_STAND_IN(db());
  TOracleQuery q(&session());
  q.SetSQLText("select 1 as one from dual");
  q.Execute();
  session().SetConnected(false);
  session().SetConnected(true);
  q.Execute();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldAsInteger(0), 1);
}

TEST_P(QueryTest, EventsCursorAndDebugText) {
  REQUIRE_STAND_IN(db());
  struct Hooks : platform::UiHooks {
    std::vector<platform::ScreenCursor> shown;
    std::vector<std::string> messages;
    void setScreenCursor(platform::ScreenCursor c) override {
      shown.push_back(c);
      platform::UiHooks::setScreenCursor(c);
    }
    void debugMessage(const std::string& text) override { messages.push_back(text); }
  } hooks;
  platform::installUiHooks(&hooks);

  std::vector<std::string> events;
  TOracleQuery q(&session());
  q.BeforeQuery = [&](TOracleQuery&) { events.push_back("before"); };
  q.AfterQuery = [&](TOracleQuery&) { events.push_back("after"); };
  q.SetCursor(crSQLWait);
  q.SetDebug(true);
  q.SQL() = {"select 1 as one", "from dual"};
  q.Execute();
  events.push_back("executed");
  q.Next();
  EXPECT_EQ(events, (std::vector<std::string>{"before", "executed", "after"}));
  ASSERT_EQ(hooks.messages.size(), 1u);
  EXPECT_EQ(hooks.messages[0], "select 1 as one\r\nfrom dual\r\n");
  EXPECT_EQ(hooks.screenCursor(), platform::ScreenCursor::Default);

  // A failure restores the cursor and still calls AfterQuery once.
  events.clear();
  q.SQL() = {"select nothing from nowhere"};
  EXPECT_THROW(q.Execute(), EOracleError);
  EXPECT_EQ(events, (std::vector<std::string>{"before", "after"}));
  EXPECT_EQ(hooks.screenCursor(), platform::ScreenCursor::Default);
  EXPECT_FALSE(hooks.shown.empty());
  platform::installUiHooks(nullptr);
}

TEST_P(QueryTest, ThreadedQueryDeliversItsFourEvents) {
  REQUIRE_STAND_IN(db());
  db().Table("create table t (n number(9), s varchar2(20))", "t", NumberRows(30));
  std::mutex m;
  std::condition_variable cv;
  bool finished = false;
  std::vector<std::string> events;
  int sum = 0;
  TOracleQuery q(&session());
  q.SetThreaded(true);
  q.OnThreadExecuted = [&](TOracleQuery&) { events.push_back("executed"); };
  q.OnThreadRecord = [&](TOracleQuery& sender) { sum += sender.FieldAsInteger(0); };
  q.OnThreadError = [&](TOracleQuery&, int code, const std::string& message) {
    events.push_back("error " + std::to_string(code) + " " + message.substr(0, 9));
  };
  q.OnThreadFinished = [&](TOracleQuery&) {
    std::lock_guard<std::mutex> lock(m);
    events.push_back("finished");
    finished = true;
    cv.notify_all();
  };
  auto runAndWait = [&] {
    {
      std::lock_guard<std::mutex> lock(m);
      finished = false;
    }
    q.Execute();
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return finished; });
  };
  q.SetSQLText("select n from t");
  runAndWait();
  EXPECT_EQ(sum, 30 * 31 / 2);
  EXPECT_EQ(events, (std::vector<std::string>{"executed", "finished"}));

  // While the worker runs, the query refuses a second start.
  events.clear();
  std::string refused;
  std::mutex gate;
  gate.lock();
  q.OnThreadExecuted = [&](TOracleQuery&) {
    std::lock_guard<std::mutex> wait(gate);  // held until the main thread has tried
  };
  {
    std::lock_guard<std::mutex> lock(m);
    finished = false;
  }
  q.Execute();
  refused = MessageOf([&] { q.Execute(); });
  std::string refusedDescribe = MessageOf([&] { q.Describe(); });
  gate.unlock();
  {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return finished; });
  }
  EXPECT_EQ(refused, "Query thread is still in progress");
  EXPECT_EQ(refusedDescribe, "Query thread is still in progress");

  events.clear();
  q.OnThreadExecuted = [&](TOracleQuery&) { events.push_back("executed"); };
  q.SetSQLText("select n from nowhere");
  runAndWait();
  EXPECT_EQ(events, (std::vector<std::string>{"error 942 ORA-00942", "finished"}));
  while (q.ThreadIsRunning()) std::this_thread::yield();
}

TEST_P(QueryTest, AutoCommitCommitsEachStatement) {
  REQUIRE_STAND_IN(db());
  db().Exec("create table a (n number(9))");
  TOracleQuery q(&session());
  q.SetSQLText("insert into a values (1)");
  q.Execute();
  session().Rollback();
  session().SetAutoCommit(true);
  q.SetSQLText("insert into a values (2)");
  q.Execute();
  session().Rollback();
  q.SetSQLText("select n from a");
  q.Execute();
  std::string seen;
  for (; !q.Eof(); q.Next()) seen += q.FieldAsText(0);
  EXPECT_EQ(seen, "2");
}

// A call that fails without leaving an error record is still a failure:
// the rows must not simply end.
TEST_P(QueryTest, AFailureWithoutAnErrorRecordIsReported) {
  REQUIRE_STAND_IN(db());
  if (OCI7()) GTEST_SKIP() << "OCI7 calls report through the cursor's return code";
  db().Table("create table t (n number(9), s varchar2(20))", "t", NumberRows(30));
  oci::Api broken = oci::api();
  broken.OCIStmtFetch = [](OCIStmt*, OCIError*, ub4, ub2, ub4) -> sword { return OCI_INVALID_HANDLE; };
  TOracleQuery::SetApiForTests(&broken);
  TOracleQuery q(&session());
  q.SetSQLText("select n from t");
  try {
    q.Execute();
    ADD_FAILURE() << "the failed fetch went unnoticed";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), OCI_INVALID_HANDLE);
  }
  TOracleQuery::SetApiForTests(nullptr);
  q.Execute();
  EXPECT_EQ(q.FieldAsInteger(0), 1);
}

TEST_P(QueryTest, AQueryOutlivesItsSession) {
  REQUIRE_STAND_IN(db());
  auto other = std::make_unique<TOracleSession>();
  other->Preferences().SetUseOCI7(OCI7());
  other->SetLogonDatabase("TESTDB");
  other->SetLogonUsername("SCOTT");
  other->SetLogonPassword("TIGER");
  other->SetConnected(true);
  TOracleQuery q(other.get());
  q.SetSQLText("select 1 as one from dual");
  q.Execute();
  other.reset();
  EXPECT_EQ(q.Session(), nullptr);
  EXPECT_EQ(MessageOf([&] { q.Execute(); }), "Session undefined");
  q.SetSession(&session());
  q.Execute();
  EXPECT_EQ(q.FieldAsInteger(0), 1);
}

// LOB columns need OCI8 mode.
TEST_P(QueryTest, LOBColumnsNeedOCI8Mode) {
  REQUIRE_STAND_IN(db());
  db().Table("create table c (id number(9), doc clob)", "c", {"1, 'text'"});
  TOracleQuery q(&session());
  q.SetSQLText("select id, doc from c");
  if (OCI7()) {
    EXPECT_EQ(MessageOf([&] { q.Execute(); }), "A query with LOB's requires OCI8 mode, but OCI7 mode is used.");
    // The query is still usable for other statements.
    q.SetSQLText("select id from c");
    q.Execute();
    EXPECT_EQ(q.FieldAsInteger(0), 1);
  } else {
    q.Execute();
    EXPECT_EQ(q.FieldType(1), 112);
    EXPECT_EQ(q.FieldValue(1).AsString(), "text");
    EXPECT_EQ(q.FieldAsLOB(1).Size(), 4);
  }
}

}  // namespace
