// A query's variables against the stand-in, in both client modes: values of
// every type going in and coming back through binds, array DML and its
// failing elements, PL/SQL tables, cursor variables, substitution variables,
// and the list's own messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oracle/errors.h"
#include "oracle/query.h"
#include "support_query_db.h"

namespace {

using query_test::CountingApi;
using query_test::MessageOf;

class VariablesTest : public query_test::StandInTest {};

INSTANTIATE_TEST_SUITE_P(Modes, VariablesTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

TOracleVariant Array(std::vector<TOracleVariant> items, int32_t low = 0) {
  return TOracleVariant::FromArray(std::move(items), low);
}

std::string Show(const TOracleVariant& v) {
  switch (v.kind()) {
    case TOracleVariant::Kind::Unassigned: return "<unassigned>";
    case TOracleVariant::Kind::Null: return "<null>";
    case TOracleVariant::Kind::Integer: return "i" + std::to_string(v.AsInteger());
    case TOracleVariant::Kind::Float: return "f" + oraconv::FloatToText(v.AsFloat(), '.');
    case TOracleVariant::Kind::DateTime: return "d" + oraconv::FormatDateTime("yyyy-mm-dd hh:nn:ss", v.AsFloat(), {});
    case TOracleVariant::Kind::String: return "s" + v.AsString();
    case TOracleVariant::Kind::Bytes: {
      std::string h;
      for (unsigned char c : v.AsString()) h += "0123456789ABCDEF"[c >> 4], h += "0123456789ABCDEF"[c & 15];
      return "x" + h;
    }
    case TOracleVariant::Kind::Array: {
      std::string s = "[" + std::to_string(v.LowBound()) + ":";
      for (const auto& item : v.Items()) s += " " + Show(item);
      return s + "]";
    }
  }
  return "?";
}

struct RoundTrip {
  int16_t type;
  TOracleVariant in;
  std::string out;  // what comes back, as Show writes it
};

// A value goes in through one variable and comes back through another that
// the block assigns: IN and OUT binds of each type, in both modes.
TEST_P(VariablesTest, ValuesComeBackThroughOutBinds) {
  REQUIRE_STAND_IN(db());
  const RoundTrip cases[] = {
      {otInteger, TOracleVariant::FromInteger(-42), "i-42"},
      {otFloat, TOracleVariant::FromFloat(2.5), "f2.5"},
      {otString, TOracleVariant::FromString("it's"), "sit's"},
      {otPLSQLString, TOracleVariant::FromString(std::string(5000, 'p')), "s" + std::string(5000, 'p')},
      {otChar, TOracleVariant::FromString("charz"), "scharz"},
      {otDate, TOracleVariant::FromDateTime(oraconv::EncodeDate(2024, 2, 29) + oraconv::EncodeTime(13, 5, 9, 0)),
       "d2024-02-29 13:05:09"},
      {otDate, TOracleVariant::FromString("03/04/2021"), "d2021-04-03 00:00:00"},
      {otString, TOracleVariant::Null(), "<unassigned>"},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(Show(c.in) + " type " + std::to_string(c.type));
    TOracleQuery q(&session());
    q.SetSQLText("BEGIN :o := :i; END;");
    q.DeclareVariable("i", c.type);
    q.DeclareVariable("O", c.type);
    q.SetVariable("i", c.in);
    q.Execute();
    EXPECT_EQ(Show(q.GetVariable("o")), c.out);
  }
}

// IN OUT: one variable of each type goes in and comes back changed.
TEST_P(VariablesTest, ValuesComeBackChangedThroughInOutBinds) {
  REQUIRE_STAND_IN(db());
  struct InOut {
    int16_t type;
    const char* change;  // the block's expression of :v
    TOracleVariant in;
    std::string out;
  };
  const InOut cases[] = {
      {otInteger, ":v * -3", TOracleVariant::FromInteger(14), "i-42"},
      {otFloat, ":v / 4", TOracleVariant::FromFloat(10), "f2.5"},
      {otString, ":v || '!'", TOracleVariant::FromString("it's"), "sit's!"},
      {otPLSQLString, "RPAD(:v, 5000, 'q')", TOracleVariant::FromString("p"), "sp" + std::string(4999, 'q')},
      {otChar, "UPPER(:v)", TOracleVariant::FromString("charz"), "sCHARZ"},
      {otDate, ":v + 1", TOracleVariant::FromDateTime(oraconv::EncodeDate(2024, 2, 28)), "d2024-02-29 00:00:00"},
      {otLong, "SUBSTR(:v, 1, 5)", TOracleVariant::FromString("hello world"), "shello"},
      {otLongRaw, "HEXTORAW('0203')", TOracleVariant::FromBytes(std::string("\1\2\3\4", 4)), "x0203"},
      {otString, "NULL", TOracleVariant::FromString("gone"), "<unassigned>"},
      {otInteger, "NVL(:v, 7)", TOracleVariant::Null(), "i7"},
  };
  for (const InOut& c : cases) {
    SCOPED_TRACE(std::string(c.change) + " type " + std::to_string(c.type));
    TOracleQuery q(&session());
    q.SetSQLText(std::string("BEGIN :v := ") + c.change + "; END;");
    q.DeclareVariable("v", c.type);
    q.SetVariable("v", c.in);
    EXPECT_EQ(MessageOf([&] { q.Execute(); }), "(no exception)");
    EXPECT_EQ(Show(q.GetVariable("v")), c.out);
  }
}

// Values of every type stored through IN binds and read back by a select
// with a bind in its WHERE clause; LONG and LONG RAW take their whole value.
TEST_P(VariablesTest, InBindsStoreEveryType) {
  REQUIRE_STAND_IN(db());
  db().Exec("create table v (n number, f number, s varchar2(4000), d date, l long)");
  db().Exec("create table r (n number, b long raw)");
  std::string longText(70000, 'x');
  longText[5] = '\n';
  TOracleQuery q(&session());
  q.SetSQLText("insert into v values (:n, :f, :s, :d, :l)");
  q.DeclareVariable("n", otInteger);
  q.DeclareVariable("f", otFloat);
  q.DeclareVariable("s", otString);
  q.DeclareVariable("d", otDate);
  q.DeclareVariable("l", otLong);
  q.SetVariable("n", TOracleVariant::FromInteger(7));
  q.SetVariable("f", TOracleVariant::FromString("1.25"));
  q.SetVariable("s", TOracleVariant::FromString("a\r\nb"));
  q.SetVariable("d", TOracleVariant::FromDateTime(oraconv::EncodeDate(2001, 12, 31)));
  q.SetVariable("l", TOracleVariant::FromString(longText));
  q.Execute();
  EXPECT_EQ(q.RowsProcessed(), 1);
  TOracleQuery raw(&session());
  raw.SetSQLText("insert into r values (1, :b)");
  raw.DeclareVariable("b", otLongRaw);
  raw.SetVariable("b", TOracleVariant::FromBytes(std::string("\0\1\2\377", 4)));
  raw.Execute();

  TOracleQuery s(&session());
  s.SetSQLText("select n, f, s, to_char(d, 'YYYY-MM-DD'), length(l) from v where n = :n");
  s.DeclareVariable("n", otInteger);
  s.SetVariable("n", TOracleVariant::FromInteger(7));
  s.Execute();
  ASSERT_FALSE(s.Eof());
  EXPECT_EQ(s.FieldAsText(1), "1.25");
  EXPECT_EQ(s.FieldAsText(2), "a\r\nb");  // stored with LF only
  EXPECT_EQ(s.FieldAsText(3), "2001-12-31");
  EXPECT_EQ(s.FieldAsInteger(4), 70000);
  TOracleQuery b(&session());
  b.SetSQLText("select rawtohex(b) from r");
  b.Execute();
  EXPECT_EQ(b.FieldAsText(0), "000102FF");
}

// Array DML: every element once; a failing element is reported and the loop
// goes on past it.
TEST_P(VariablesTest, ArrayInsertWithAFailingElement) {
  REQUIRE_STAND_IN(db());
  db().Exec("create table a (n number(3) primary key, s varchar2(5))");
  TOracleQuery q(&session());
  q.SetSQLText("insert into a (n, s) values (:n, :s)");
  q.DeclareVariable("n", otInteger);
  q.DeclareVariable("s", otString);
  auto ints = [](std::vector<int> v) {
    std::vector<TOracleVariant> out;
    for (int i : v) out.push_back(TOracleVariant::FromInteger(i));
    return Array(out);
  };
  q.SetVariable("n", ints({1, 2, 2, 3, 1000}));
  q.SetVariable("s", Array({TOracleVariant::FromString("a"), TOracleVariant::FromString("b"),
                            TOracleVariant::FromString("c"), TOracleVariant::Null(), TOracleVariant::FromString("e")}));
  std::vector<std::string> failures;
  q.OnArrayError = [&](TOracleQuery&, int32_t index, int code, const std::string& message, bool& go) {
    failures.push_back(std::to_string(index) + ":" + std::to_string(code) + ":" + message.substr(0, 9));
    go = true;
  };
  EXPECT_EQ(q.ExecuteArray(0, 5), 3);
  EXPECT_EQ(failures, (std::vector<std::string>{"2:1:ORA-00001", "4:1438:ORA-01438"}));
  TOracleQuery check(&session());
  check.SetSQLText("select n || nvl(s, '-') from a order by n");
  check.Execute();
  std::vector<std::string> rows;
  for (; !check.Eof(); check.Next()) rows.push_back(check.FieldAsText(0));
  EXPECT_EQ(rows, (std::vector<std::string>{"1a", "2b", "3-"}));

  // Without a handler Execute raises the failure; an explicit range stops
  // quietly at it with the count so far.
  q.OnArrayError = nullptr;
  q.SetVariable("n", ints({10, 11, 1}));
  q.SetVariable("s", Array({TOracleVariant::FromString("x"), TOracleVariant::FromString("y"),
                            TOracleVariant::FromString("z")}));
  EXPECT_EQ(q.ExecuteArray(0, 3), 2);
  q.SetVariable("n", ints({20, 1}));
  q.SetVariable("s", Array({TOracleVariant::FromString("x"), TOracleVariant::FromString("y")}));
  EXPECT_NE(MessageOf([&] { q.Execute(); }).find("ORA-00001"), std::string::npos);
  // Part of the array: elements 1 and 2 of four.
  q.SetVariable("n", ints({30, 31, 32, 33}));
  q.SetVariable("s", Array({TOracleVariant::FromString("p"), TOracleVariant::FromString("q"),
                            TOracleVariant::FromString("r"), TOracleVariant::FromString("s")}));
  EXPECT_EQ(q.ExecuteArray(1, 2), 2);
  check.Execute();
  rows.clear();
  for (; !check.Eof(); check.Next()) rows.push_back(check.FieldAsText(0));
  EXPECT_EQ(rows, (std::vector<std::string>{"1a", "2b", "3-", "10x", "11y", "20x", "31q", "32r"}));
  // Arrays of different lengths.
  q.SetVariable("n", ints({1, 2, 3}));
  EXPECT_EQ(MessageOf([&] { q.Execute(); }), "All arrays must be of equal size for Array DML");
}

// A PL/SQL table goes in and comes back with the elements and the length
// the block left.
TEST_P(VariablesTest, PLSQLTablesInAndOut) {
  REQUIRE_STAND_IN(db());
  TOracleQuery q(&session());
  q.SetSQLText(
      "BEGIN\n"
      "  FOR i IN 1 .. :t.COUNT LOOP :t(i) := :t(i) * 10; :s(i) := 'n' || :t(i); END LOOP;\n"
      "  :t(:t.COUNT + 1) := -1;\n"
      "END;");
  q.DeclareVariable("t", otInteger);
  q.DeclarePLSQLTable("t", 10, 0);
  q.DeclareVariable("s", otString);
  q.DeclarePLSQLTable("s", 10, 8);
  q.SetVariable("t", Array({TOracleVariant::FromInteger(1), TOracleVariant::FromInteger(2),
                            TOracleVariant::FromInteger(3)}, 1));
  q.SetVariable("s", TOracleVariant::Null());
  q.Execute();
  EXPECT_EQ(Show(q.GetVariable("t")), "[1: i10 i20 i30 i-1]");
  EXPECT_EQ(Show(q.GetVariable("s")), "[0: sn10 sn20 sn30]");
  // More elements than the table holds.
  EXPECT_EQ(MessageOf([&] {
              q.SetVariable("t", Array(std::vector<TOracleVariant>(11, TOracleVariant::FromInteger(1))));
            }),
            "Array is larger than PL/SQL Table (11 > 10)");
  q.SetVariable("t", Array(std::vector<TOracleVariant>(10, TOracleVariant::FromInteger(1))));
  EXPECT_NE(MessageOf([&] { q.Execute(); }).find("ORA-06513"), std::string::npos);
}

// A block fills PL/SQL tables from the rows of a query, walked with a
// cursor FOR loop.
TEST_P(VariablesTest, PLSQLTablesFilledFromRows) {
  REQUIRE_STAND_IN(db());
  db().Table("create table pt (n number, s varchar2(10))", "pt", {"1, 'a'", "2, 'b'", "3, 'c'"});
  TOracleQuery q(&session());
  q.SetSQLText(
      "DECLARE k PLS_INTEGER := 0;\n"
      "BEGIN\n"
      "  FOR r IN (SELECT n, s FROM pt WHERE n <= :hi ORDER BY n DESC) LOOP\n"
      "    k := k + 1; :ns(k) := r.n; :ss(k) := r.s || r.n;\n"
      "  END LOOP;\n"
      "END;");
  q.DeclareVariable("hi", otInteger);
  q.DeclareVariable("ns", otInteger);
  q.DeclarePLSQLTable("ns", 5, 0);
  q.DeclareVariable("ss", otString);
  q.DeclarePLSQLTable("ss", 5, 10);
  q.SetVariable("ns", TOracleVariant::Null());
  q.SetVariable("ss", TOracleVariant::Null());
  q.SetVariable("hi", TOracleVariant::FromInteger(2));
  q.Execute();
  EXPECT_EQ(Show(q.GetVariable("ns")), "[0: i2 i1]");
  EXPECT_EQ(Show(q.GetVariable("ss")), "[0: sb2 sa1]");
  // No rows: the tables come back empty.
  q.SetVariable("hi", TOracleVariant::FromInteger(0));
  q.SetVariable("ns", TOracleVariant::Null());
  q.SetVariable("ss", TOracleVariant::Null());
  q.Execute();
  EXPECT_TRUE(q.GetVariable("ns").IsUnassigned());
}

// A cursor opened in a block comes back through a cursor variable and is
// fetched by the query attached to it.
TEST_P(VariablesTest, CursorVariableFetchedByAQuery) {
  REQUIRE_STAND_IN(db());
  db().Table("create table c (n number, s varchar2(10))", "c", {"1, 'one'", "2, 'two'", "3, 'three'"});
  TOracleQuery rows(&session());
  TOracleQuery q(&session());
  q.SetSQLText("BEGIN OPEN :cur FOR SELECT n, s FROM c WHERE n >= :lo ORDER BY n; END;");
  q.DeclareVariable("cur", otCursor);
  q.DeclareVariable("lo", otInteger);
  q.SetVariable("lo", TOracleVariant::FromInteger(2));
  EXPECT_EQ(MessageOf([&] { q.Execute(); }), "Cursor variable :CUR cannot be nil");
  q.SetComplexVariable("cur", &rows);
  for (int round = 0; round < 2; ++round) {
    q.Execute();
    rows.Execute();
    std::vector<std::string> got;
    for (; !rows.Eof(); rows.Next()) got.push_back(rows.FieldAsText(0) + rows.FieldAsText("S"));
    EXPECT_EQ(got, (std::vector<std::string>{"2two", "3three"}));
  }
}

// A LOB variable binds the locator attached to it (OCI8 mode only).
TEST_P(VariablesTest, LOBVariablesBindTheirLocator) {
  REQUIRE_STAND_IN(db());
  db().Table("create table lob_src (n number, c clob)", "lob_src", {"1, 'clob text'"});
  db().Exec("create table lob_dst (c clob)");
  TOracleQuery q(&session());
  q.SetSQLText("insert into lob_dst values (:l)");
  q.DeclareVariable("l", otCLOB);
  if (OCI7()) {
    EXPECT_EQ(MessageOf([&] { q.Execute(); }), "A LOB Locator variable requires OCI8 mode, but OCI7 mode is used.");
    return;
  }
  EXPECT_EQ(MessageOf([&] { q.Execute(); }), "LOB variable :L cannot be nil");
  TOracleQuery src(&session());
  src.SetSQLText("select c from lob_src");
  src.Execute();
  q.SetComplexVariable("l", &src.FieldAsLOB(0));
  q.Execute();
  TOracleQuery check(&session());
  check.SetSQLText("select c from lob_dst");
  check.Execute();
  EXPECT_EQ(check.FieldAsLOB(0).ReadAll(), "clob text");
}

// A block leaves a locator in a LOB variable: a temporary LOB it built, one
// it selected, or the same LOB changed; the client reads it through the
// attached locator.  A BFILE names a file the database cannot reach.
TEST_P(VariablesTest, LOBVariablesComeBackFromABlock) {
  REQUIRE_STAND_IN(db());
  if (OCI7()) {
    EXPECT_EQ(MessageOf([&] { TLOBLocator refused(&session(), otCLOB); }),
              "A TLOBLocator instance requires OCI8 mode, but OCI7 mode is used.");
    return;
  }
  db().Table("create table lob_rows (n number, c clob)", "lob_rows", {"1, 'row text'"});
  TLOBLocator clob(&session(), otCLOB);
  TOracleQuery q(&session());
  q.DeclareVariable("c", otCLOB);
  q.SetComplexVariable("c", &clob);
  auto run = [&](const std::string& block) {
    q.SetSQLText(block);
    q.Execute();
  };
  run("BEGIN DBMS_LOB.CREATETEMPORARY(:c, TRUE); DBMS_LOB.WRITEAPPEND(:c, 6, 'hello '); END;");
  EXPECT_FALSE(clob.IsNull());
  EXPECT_EQ(clob.Size(), 6);
  EXPECT_EQ(clob.ReadAll(), "hello ");
  // IN OUT: the block appends to what it was given.
  run("BEGIN DBMS_LOB.WRITEAPPEND(:c, 5, 'w\xC3\xB6rld'); END;");
  EXPECT_EQ(clob.ReadAll(), "hello w\xC3\xB6rld");
  EXPECT_EQ(clob.Size(), 11);
  // Only read: the locator keeps its value.
  TOracleQuery length(&session());
  length.DeclareVariable("c", otCLOB);
  length.SetComplexVariable("c", &clob);
  length.DeclareVariable("n", otInteger);
  length.SetSQLText("BEGIN :n := DBMS_LOB.GETLENGTH(:c); END;");
  length.Execute();
  EXPECT_EQ(Show(length.GetVariable("n")), "i11");
  EXPECT_EQ(clob.ReadAll(), "hello w\xC3\xB6rld");
  run("BEGIN SELECT c INTO :c FROM lob_rows WHERE n = 1; END;");
  EXPECT_EQ(clob.ReadAll(), "row text");
  // A LOB variable of the block's own, handed out.
  run("DECLARE t CLOB; BEGIN t := 'from ' || 'a variable'; :c := t; END;");
  EXPECT_EQ(clob.ReadAll(), "from a variable");
  run("BEGIN :c := NULL; END;");
  EXPECT_TRUE(clob.IsNull());
  EXPECT_TRUE(q.GetVariable("c").IsUnassigned());
  EXPECT_NE(MessageOf([&] { run("BEGIN DBMS_LOB.WRITEAPPEND(:c, 1, 'x'); END;"); }).find("ORA-22275"),
            std::string::npos);

  TLOBLocator blob(&session(), otBLOB);
  TOracleQuery b(&session());
  b.DeclareVariable("b", otBLOB);
  b.SetComplexVariable("b", &blob);
  b.SetSQLText("BEGIN DBMS_LOB.CREATETEMPORARY(:b, TRUE); DBMS_LOB.WRITEAPPEND(:b, 3, HEXTORAW('00FF10')); END;");
  b.Execute();
  EXPECT_EQ(blob.ReadAll(), std::string("\0\xFF\x10", 3));

  TLOBLocator file(&session(), otBFile);
  TOracleQuery f(&session());
  f.DeclareVariable("f", otBFile);
  f.SetComplexVariable("f", &file);
  f.SetSQLText("BEGIN :f := BFILENAME('DATA_DIR', 'notes.txt'); END;");
  f.Execute();
  EXPECT_FALSE(file.IsNull());
  char buffer[8];
  EXPECT_NE(MessageOf([&] { file.Read(buffer, 8); }).find("ORA-22285"), std::string::npos);
  EXPECT_NE(MessageOf([&] { file.ReadAll(); }).find("ORA-22285"), std::string::npos);
  TOracleQuery fileLength(&session());
  fileLength.SetSQLText("DECLARE n NUMBER; BEGIN n := DBMS_LOB.GETLENGTH(BFILENAME('DATA_DIR', 'notes.txt')); END;");
  EXPECT_NE(MessageOf([&] { fileLength.Execute(); }).find("ORA-22285: non-existent directory or file for GETLENGTH"),
            std::string::npos);
  // A BFILE is no CLOB.
  q.SetSQLText("BEGIN :c := BFILENAME('DATA_DIR', 'notes.txt'); END;");
  EXPECT_NE(MessageOf([&] { q.Execute(); }).find("PLS-00382"), std::string::npos);
}

// One query's variables copied to another: declarations and values, each
// list on its own afterwards.
TEST_P(VariablesTest, AssignCopiesDeclarationsAndValues) {
  REQUIRE_STAND_IN(db());
  TOracleQuery from(&session());
  from.DeclareVariable("i", otInteger);
  from.DeclareVariable("s", otString);
  from.DeclareVariable("t", otFloat);
  from.DeclarePLSQLTable("t", 5, 0);
  from.DeclareVariable("o", otString);
  from.SetVariable("i", TOracleVariant::FromInteger(4));
  from.SetVariable("s", TOracleVariant::FromString("text"));
  from.SetVariable("t", Array({TOracleVariant::FromFloat(1.5), TOracleVariant::FromFloat(2.5)}, 1));
  TOracleQuery to(&session());
  to.DeclareVariable("old", otInteger);
  to.Variables().Assign(from.Variables());
  ASSERT_EQ(to.VariableCount(), 4);
  EXPECT_EQ(to.VariableIndex("old"), -1);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(to.VariableName(k), from.VariableName(k));
    EXPECT_EQ(to.VariableType(k), from.VariableType(k));
    EXPECT_EQ(Show(to.GetVariable(k)), Show(from.GetVariable(k)));
  }
  // The copy runs on its own and leaves the original alone.
  to.SetSQLText("BEGIN :o := :s || :i || ':' || :t.COUNT; :t(1) := 0; END;");
  to.Execute();
  EXPECT_EQ(Show(to.GetVariable("o")), "stext4:2");
  EXPECT_EQ(Show(to.GetVariable("t")), "[1: f0 f2.5]");
  EXPECT_TRUE(from.GetVariable("o").IsUnassigned());
  EXPECT_EQ(Show(from.GetVariable("t")), "[1: f1.5 f2.5]");

  TVariables loose(nullptr);
  EXPECT_EQ(MessageOf([&] { loose.Assign(from.Variables()); }), "Can only Assign TVariables owned by a TOracleQuery");
  EXPECT_EQ(MessageOf([&] { to.Variables().Assign(loose); }), "Can only Assign TVariables owned by a TOracleQuery");
}

// A cursor variable's query closed half-way through its rows, then opened
// again by the block, reads from the first row.
TEST_P(VariablesTest, CursorVariableClosedAndReopened) {
  REQUIRE_STAND_IN(db());
  db().Table("create table cc (n number)", "cc", {"1", "2", "3"});
  TOracleQuery rows(&session());
  TOracleQuery q(&session());
  q.SetSQLText("BEGIN OPEN :cur FOR SELECT n FROM cc ORDER BY n; END;");
  q.DeclareVariable("cur", otCursor);
  q.SetComplexVariable("cur", &rows);
  q.Execute();
  rows.Execute();
  EXPECT_EQ(rows.FieldAsInteger(0), 1);
  rows.Next();
  rows.Close();
  EXPECT_TRUE(rows.Eof());
  q.Execute();
  rows.Execute();
  std::vector<int> got;
  for (; !rows.Eof(); rows.Next()) got.push_back(rows.FieldAsInteger(0));
  EXPECT_EQ(got, (std::vector<int>{1, 2, 3}));
  rows.Close();
  // A block that opens nothing leaves the query nothing to fetch.
  q.SetSQLText("BEGIN IF 1 = 0 THEN OPEN :cur FOR SELECT n FROM cc; END IF; END;");
  q.Execute();
  EXPECT_NE(MessageOf([&] { rows.Execute(); }), "(no exception)");
}

// Substitution variables are pasted into the text outside literals and
// comments; a name ends at the first character outside the name set.
TEST_P(VariablesTest, SubstitutionVariablesArePastedIntoTheText) {
  REQUIRE_STAND_IN(db());
  db().Table("create table sub_t (n number, s varchar2(10))", "sub_t", {"1, ':tab'", "2, 'x'"});
  TOracleQuery q(&session());
  q.SetSQLText("select n from :tab /* :tab */ where s = ':tab' or n = :two -- :tab");
  q.DeclareVariable("tab", otSubst);
  q.DeclareVariable("two", otInteger);
  q.SetVariable("tab", TOracleVariant::FromString("SUB_T"));
  q.SetVariable("two", TOracleVariant::FromInteger(2));
  CountingApi counting;
  q.Execute();
  ASSERT_FALSE(counting.Counts().texts.empty());
  EXPECT_EQ(counting.Counts().texts.back(), "select n from SUB_T /* :tab */ where s = ':tab' or n = :two -- :tab\n");
  std::vector<int> got;
  for (; !q.Eof(); q.Next()) got.push_back(q.FieldAsInteger(0));
  EXPECT_EQ(got, (std::vector<int>{1, 2}));
}

// The list's own rules and messages.
TEST_P(VariablesTest, DeclaringSettingAndMessages) {
  REQUIRE_STAND_IN(db());
  TOracleQuery q(&session());
  q.DeclareVariable("a", otString);
  q.DeclareVariable(":B", otInteger);
  q.SetVariable("a", TOracleVariant::FromString("x"));
  // A new declaration keeps the position and starts null.
  q.DeclareVariable("A", otFloat);
  EXPECT_EQ(q.VariableCount(), 2);
  EXPECT_EQ(q.VariableName(0), ":A");
  EXPECT_EQ(q.VariableType(0), otFloat);
  EXPECT_EQ(q.VariableIndex("b"), 1);
  EXPECT_EQ(q.VariableIndex("c"), -1);
  EXPECT_TRUE(q.GetVariable("a").IsUnassigned());
  session().SetNullValue(nvNull);
  EXPECT_TRUE(q.GetVariable("a").IsNull());
  session().SetNullValue(nvUnAssigned);

  // A string is cut to the buffer (here a declared table string size), with
  // CRs gone first, and never in the middle of a character.
  q.DeclareVariable("s", otString);
  q.DeclarePLSQLTable("s", 2, 4);
  q.SetVariable("s", Array({TOracleVariant::FromString("a\r\nbcdef"), TOracleVariant::FromString("abc\xC3\xA9")}));
  EXPECT_EQ(Show(q.GetVariable("s")), "[0: sa\r\nbc sabc]");

  // Dates: zero is null while ZeroDateIsNull.
  q.DeclareVariable("d", otDate);
  q.SetVariable("d", TOracleVariant::FromDateTime(0));
  EXPECT_TRUE(q.GetVariable("d").IsEmpty());
  session().Preferences().SetZeroDateIsNull(false);
  q.SetVariable("d", TOracleVariant::FromDateTime(0));
  EXPECT_EQ(Show(q.GetVariable("d")), "d1899-12-30 00:00:00");
  session().Preferences().SetZeroDateIsNull(true);

  TLOBLocator* noLob = nullptr;
  const std::pair<std::function<void()>, std::string> messages[] = {
      {[&] { q.DeclareVariable("", otString); }, "You cannot declare a variable with an empty name"},
      {[&] { q.DeclareVariable("x", 99); }, "Unsupported variable type"},
      {[&] { q.DeleteVariable("nosuch"); }, "Variable nosuch not declared"},
      {[&] { q.SetVariable("nosuch", TOracleVariant::FromInteger(1)); }, "Variable nosuch not declared"},
      {[&] { q.GetVariable("nosuch"); }, "Unknown variable: nosuch"},
      {[&] { q.VariableName(5); }, "Variable 5 does not exist"},
      {[&] { q.VariableType(-1); }, "Variable -1 does not exist"},
      {[&] { q.SetVariable("b", TOracleVariant::FromString("zz")); }, "Variant conversion error for variable :B"},
      {[&] { q.DeclarePLSQLTable("nosuch", 1, 0); }, "Variable nosuch not declared"},
      {[&] { q.DeclarePLSQLTable("d", 0, 0); }, "You must specify the size of the PL/SQL Table"},
      {[&] { q.DeclarePLSQLTable("d", 3, 5); }, "You can only specify a string size for a PL/SQL Table of strings"},
      {[&] { q.DeclareVariable("str", otString), q.DeclarePLSQLTable("str", 3, 0); },
       "You must specify a string size for a PL/SQL Table of strings"},
      {[&] { q.DeclareVariable("lng", otLong), q.DeclarePLSQLTable("lng", 3, 0); },
       "Only PL/SQL Tables of strings, integers, floats and dates supported"},
      {[&] { q.SetVariable("s", TOracleVariant::FromString("x")); }, "s is a PL/SQL Table, assign a variant array to it"},
      {[&] { q.DeclareVariable("sub", otSubst), q.SetVariable("sub", Array({})); },
       "sub is a substitution variable and cannot be an array"},
      {[&] { q.DeclareVariable("cur", otCursor), q.SetVariable("cur", Array({})); },
       "cur is a complex variable and cannot be an array"},
      {[&] { q.SetVariable("cur", TOracleVariant::FromInteger(5)); }, "Pass LongInt(Object) to complex variable :CUR"},
      {[&] { q.SetComplexVariable("a", noLob); }, "a is not a complex variable"},
      {[&] { q.SetComplexVariable("cur", noLob); }, "Assign TOracleQuery instance to variable cur"},
      {[&] { q.DeclareVariable("lr", otLongRaw), q.SetVariable("lr", TOracleVariant::FromFloat(1)); },
       "Only one-dimensional array of bytes allowed for :LR"},
  };
  for (const auto& [f, message] : messages) EXPECT_EQ(MessageOf(f), message);
}

// A failing element of a block run over an array stops it; the debug text
// names the variables.
TEST_P(VariablesTest, DebugTextListsTheVariables) {
  REQUIRE_STAND_IN(db());
  TOracleQuery q(&session());
  q.SetSQLText("select :a, :b from dual");
  q.DeclareVariable("a", otInteger);
  q.DeclareVariable("b", otString);
  q.DeclareVariable("c", otCursor);
  q.SetVariable("a", TOracleVariant::FromInteger(3));
  EXPECT_EQ(q.DebugText(), "select :a, :b from dual\r\n\r:A = 3\r:B = Null\r:C = (Cursor)");
}

}  // namespace
