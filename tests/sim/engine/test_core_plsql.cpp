// Anonymous blocks: variables, dynamic SQL built from pieces, SELECT and
// RETURNING INTO, and DBMS_LOB writing a row's LOB.
#include "core_fixture.h"

namespace ocisim::testing {
namespace {

class PlsqlTest : public CoreTest {
 protected:
  std::string hexOf(const std::string& bytes) {
    return show(Value::binary(bytes)).substr(2);
  }
  // A text of `n` bytes that is not one repeated character.
  static std::string pattern(size_t n) {
    std::string s;
    for (size_t i = 0; s.size() < n; ++i) s += static_cast<char>('a' + i % 26);
    return s;
  }
};

TEST_F(PlsqlTest, DeclaredVariablesHoldAndConvertTheirValues) {
  exec("CREATE TABLE T (N NUMBER, S VARCHAR2(100), D DATE, R RAW(10))");
  exec("DECLARE\n"
       "  n NUMBER := 40;\n"
       "  i PLS_INTEGER := 2;\n"
       "  s VARCHAR2(100) := 'x';\n"
       "  d DATE := TO_DATE('2024-02-03', 'YYYY-MM-DD');\n"
       "  r RAW(10) := HEXTORAW('0aff');\n"
       "  c CONSTANT VARCHAR2(5) := 'k';\n"
       "BEGIN\n"
       "  n := n + i;\n"
       "  s := s || '-' || n || c;\n"
       "  INSERT INTO t (n, s, d, r) VALUES (n, s, d, r);\n"
       "END;");
  EXPECT_EQ(one("SELECT n || '|' || s || '|' || TO_CHAR(d, 'YYYY-MM-DD') || '|' || RAWTOHEX(r) FROM t"),
            "42|x-42k|2024-02-03|0AFF");
}

TEST_F(PlsqlTest, ControlFlowAndHandlers) {
  exec("CREATE TABLE T (A NUMBER)");
  exec("DECLARE total NUMBER := 0; k NUMBER := 0;\n"
       "BEGIN\n"
       "  FOR i IN 1 .. 4 LOOP total := total + i; END LOOP;\n"
       "  FOR i IN REVERSE 1 .. 2 LOOP INSERT INTO t VALUES (i * 100); END LOOP;\n"
       "  WHILE k < 3 LOOP k := k + 1; END LOOP;\n"
       "  LOOP k := k + 10; EXIT WHEN k > 30; END LOOP;\n"
       "  IF total = 10 AND k = 33 THEN INSERT INTO t VALUES (1);\n"
       "  ELSIF total > 0 THEN INSERT INTO t VALUES (2);\n"
       "  ELSE INSERT INTO t VALUES (3); END IF;\n"
       "  UPDATE t SET a = a + 1 WHERE a >= 100;\n"
       "  INSERT INTO t VALUES (SQL%ROWCOUNT);\n"
       "  BEGIN SELECT a INTO k FROM t WHERE a = -1;\n"
       "  EXCEPTION WHEN NO_DATA_FOUND THEN INSERT INTO t VALUES (-1); END;\n"
       "  BEGIN SELECT a INTO k FROM t;\n"
       "  EXCEPTION WHEN VALUE_ERROR OR TOO_MANY_ROWS THEN k := SQLCODE; INSERT INTO t VALUES (k); END;\n"
       "END;");
  EXPECT_EQ(rows("SELECT a FROM t ORDER BY a"),
            (std::vector<std::string>{"-1422", "-1", "1", "2", "101", "201"}));
}

// Statement texts assembled from pieces, with line breaks, as scripts build
// the statements whose text cannot be written on lines of their own.
TEST_F(PlsqlTest, ExecuteImmediateRunsAnAssembledText) {
  exec("DECLARE\n"
       "  v VARCHAR2(32767);\n"
       "  c CLOB;\n"
       "BEGIN\n"
       "  v := 'CREATE TABLE ' || 'T' || CHR(10) || '(A NUMBER, B VARCHAR2(20))';\n"
       "  EXECUTE IMMEDIATE v;\n"
       "  c := 'COMMENT ON TABLE t IS ''one' || CHR(13) || CHR(10) || 'two;' || CHR(10) || '/''';\n"
       "  EXECUTE IMMEDIATE c;\n"
       "  EXECUTE IMMEDIATE 'INSERT INTO t VALUES (:1, :2)' USING 7, 'seven';\n"
       "END;");
  EXPECT_EQ(one("SELECT comments FROM user_tab_comments WHERE table_name = 'T'"), "one\r\ntwo;\n/");
  EXPECT_EQ(one("SELECT a || b FROM t"), "7seven");
  // A statement text of more than 4,000 bytes.
  exec("DECLARE v VARCHAR2(32767) := 'INSERT INTO t (b) VALUES (''x'')';\n"
       "BEGIN\n"
       "  v := v || '" + std::string(3000, ' ') + "' || '" + std::string(3000, ' ') + "';\n"
       "  EXECUTE IMMEDIATE v;\n"
       "END;");
  EXPECT_EQ(one("SELECT COUNT(*) FROM t WHERE b = 'x'"), "1");
  std::string m;
  EXPECT_EQ(errorOf("DECLARE v VARCHAR2(10); BEGIN EXECUTE IMMEDIATE v; END;", &m), 6535);
  EXPECT_EQ(errorOf("BEGIN EXECUTE IMMEDIATE 'INSERT INTO t (a) VALUES (1);'; END;"), 911);
}

struct LobCase {
  const char* type;      // the column's type
  const char* variable;  // the variable's type
  std::string piece1, piece2;  // literal pieces as the block writes them
  std::string expected;  // the column's value afterwards, as the test shows it
};

class PlsqlLobTest : public PlsqlTest, public ::testing::WithParamInterface<LobCase> {};

// The form scripts use to write a LOB in pieces: the row's LOB returned by
// its INSERT, then appended to.
TEST_P(PlsqlLobTest, WriteAppendFillsTheRowsLob) {
  const LobCase& c = GetParam();
  exec(std::string("CREATE TABLE \"T\" (\"A\" NUMBER, \"C\" ") + c.type + ")");
  std::string empty = std::string(c.type) == "BLOB" ? "EMPTY_BLOB()" : "EMPTY_CLOB()";
  exec(std::string("DECLARE l ") + c.variable + "; BEGIN INSERT INTO \"T\" (\"A\", \"C\") VALUES (1, " + empty +
       ") RETURNING \"C\" INTO l; DBMS_LOB.WRITEAPPEND(l, 4, " + c.piece1 + "); DBMS_LOB.WRITEAPPEND(l, 2, " +
       c.piece2 + "); END;");
  EXPECT_EQ(one("SELECT \"C\" FROM \"T\""), c.expected);
  // A piece appended to the LOB selected FOR UPDATE.
  exec(std::string("DECLARE l ") + c.variable + "; BEGIN SELECT c INTO l FROM t WHERE a = 1 FOR UPDATE;"
       " DBMS_LOB.APPEND(l, l); END;");
  EXPECT_EQ(one("SELECT c FROM t"), c.expected + c.expected.substr(std::string(c.type) == "BLOB" ? 2 : 0));
  // Without the row lock the LOB is not to be written.
  EXPECT_EQ(errorOf(std::string("DECLARE l ") + c.variable +
                    "; BEGIN SELECT c INTO l FROM t WHERE a = 1; DBMS_LOB.WRITEAPPEND(l, 2, " + c.piece2 + "); END;"),
            22920);
}

INSTANTIATE_TEST_SUITE_P(
    Types, PlsqlLobTest,
    ::testing::Values(LobCase{"CLOB", "CLOB", "'ab''c' || ''", "'é' || CHR(10)", "ab'cé\n"},
                      LobCase{"NCLOB", "NCLOB", "'ab' || 'cd'", "'x;'", "abcdx;"},
                      LobCase{"BLOB", "BLOB", "HEXTORAW('00FF10AA')", "HEXTORAW('0a0b')", "0x00FF10AA0A0B"}),
    [](const auto& info) { return std::string(info.param.type); });

// 100,000 bytes in 4,000-byte pieces: every piece lands, in order, and the
// row holds the whole value.
TEST_F(PlsqlTest, LargeLobsArriveWhole) {
  exec("CREATE TABLE T (A NUMBER, C CLOB, B BLOB)");
  std::string text = pattern(100000);
  std::string block = "DECLARE l CLOB; b BLOB;\nBEGIN\n"
                      "INSERT INTO t (a, c, b) VALUES (1, EMPTY_CLOB(), EMPTY_BLOB()) RETURNING c, b INTO l, b;\n";
  for (size_t at = 0; at < text.size(); at += 4000) {
    std::string piece = text.substr(at, 4000);
    block += "DBMS_LOB.WRITEAPPEND(l, " + std::to_string(piece.size()) + ", '" + piece.substr(0, 2000) + "'\n|| '" +
             piece.substr(2000) + "');\n";
    block += "DBMS_LOB.WRITEAPPEND(b, 1000, HEXTORAW('" + hexOf(piece.substr(0, 1000)) + "'));\n";
  }
  block += "END;";
  exec(block);
  EXPECT_EQ(one("SELECT LENGTH(c) FROM t"), "100000");
  auto st = conn_->prepare("SELECT c, b FROM t");
  st->execute();
  std::vector<Value> row;
  ASSERT_TRUE(st->fetch(row));
  EXPECT_EQ(row[0].data, text);
  EXPECT_EQ(row[1].data.size(), 25000u);
  EXPECT_EQ(row[1].data.substr(1000, 1000), text.substr(4000, 1000));
}

// LONG and LONG RAW columns take values of up to 32,760 bytes from a variable.
TEST_F(PlsqlTest, LongColumnsTakeLargeVariables) {
  exec("CREATE TABLE T (A NUMBER, L LONG)");
  exec("CREATE TABLE U (A NUMBER, L LONG RAW)");
  std::string text = pattern(32760);
  std::string half = text.substr(0, 16380);
  exec("DECLARE v VARCHAR2(32760);\nBEGIN\n  v := '" + half.substr(0, 8190) + "'\n || '" + half.substr(8190) +
       "';\n  v := v || v;\n  INSERT INTO t (a, l) VALUES (1, v);\nEND;");
  auto st = conn_->prepare("SELECT l FROM t");
  st->execute();
  std::vector<Value> row;
  ASSERT_TRUE(st->fetch(row));
  EXPECT_EQ(row[0].data, half + half);
  std::string bytes = text.substr(0, 16380);
  std::string hex = hexOf(bytes);
  exec("DECLARE r RAW(32760);\nBEGIN\n  r := HEXTORAW('" + hex.substr(0, 16000) + "')\n || HEXTORAW('" +
       hex.substr(16000) + "');\n  INSERT INTO u (a, l) VALUES (1, r);\nEND;");
  auto su = conn_->prepare("SELECT l FROM u");
  su->execute();
  ASSERT_TRUE(su->fetch(row));
  EXPECT_EQ(row[0].data, bytes);
  // The full 32,760 bytes: RAW pieces joined with UTL_RAW.CONCAT, since "||"
  // joins their hexadecimal texts, which PL/SQL holds only to 32,767.
  std::string all = text;
  std::string block = "DECLARE r RAW(32760);\nBEGIN\n  r := UTL_RAW.CONCAT(" ;
  // CONCAT takes at most twelve arguments: nest it.
  std::vector<std::string> parts;
  for (size_t at = 0; at < all.size(); at += 2000) parts.push_back("HEXTORAW('" + hexOf(all.substr(at, 2000)) + "')");
  std::string first, second;
  for (size_t k = 0; k < parts.size(); ++k) (k < 9 ? first : second) += (k % 9 ? ", " : "") + parts[k] + "\n";
  block += "UTL_RAW.CONCAT(" + first + "), UTL_RAW.CONCAT(" + second + "));\n"
           "  DELETE FROM u;\n  INSERT INTO u (a, l) VALUES (2, r);\nEND;";
  exec(block);
  auto sa = conn_->prepare("SELECT l FROM u");
  sa->execute();
  ASSERT_TRUE(sa->fetch(row));
  EXPECT_EQ(row[0].data, all);
  EXPECT_EQ(errorOf("DECLARE r RAW(32760); BEGIN r := HEXTORAW('" + hexOf(all.substr(0, 16000)) + "') || HEXTORAW('" +
                    hexOf(all.substr(0, 500)) + "'); END;"),
            6502);
}

struct BlockError {
  const char* block;
  int code;
  const char* text;  // the start of the message (after "ORA-nnnnn: ")
};

class PlsqlErrorTest : public PlsqlTest, public ::testing::WithParamInterface<BlockError> {};

TEST_P(PlsqlErrorTest, RefusedAsOracleDoes) {
  const BlockError& c = GetParam();
  exec("CREATE TABLE T (A NUMBER, C CLOB)");
  exec("INSERT INTO t VALUES (1, 'x')");
  exec("INSERT INTO t VALUES (2, NULL)");
  std::string m;
  EXPECT_EQ(errorOf(c.block, &m), c.code) << m;
  EXPECT_NE(m.find(c.text), std::string::npos) << m;
  // Nothing of a failed block remains.
  EXPECT_EQ(one("SELECT COUNT(*) FROM t"), "2");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlsqlErrorTest,
    ::testing::Values(
        BlockError{"DECLARE v VARCHAR2(3); BEGIN INSERT INTO t VALUES (3, NULL); v := 'abcd'; END;", 6502,
                   "character string buffer too small"},
        BlockError{"DECLARE v VARCHAR2; BEGIN NULL; END;", 6550, "PLS-00215"},
        BlockError{"DECLARE v VARCHAR2(40000); BEGIN NULL; END;", 6550, "PLS-00215"},
        BlockError{"DECLARE r RAW(2); BEGIN r := HEXTORAW('AABBCC'); END;", 6502, "raw variable length too long"},
        BlockError{"BEGIN INSERT INTO t VALUES (3, NULL);\n  x := 1; END;", 6550,
                   "line 2, column 3:\nPLS-00201: identifier 'X' must be declared"},
        BlockError{"DECLARE n NUMBER; BEGIN SELECT a INTO n FROM t WHERE a = 9; END;", 1403, "no data found"},
        BlockError{"DECLARE n NUMBER; BEGIN SELECT a INTO n FROM t; END;", 1422, "exact fetch returns more"},
        BlockError{"DECLARE n NUMBER; BEGIN SELECT a FROM t; END;", 6550, "PLS-00428"},
        BlockError{"DECLARE n NUMBER; BEGIN SELECT a, c INTO n FROM t WHERE a = 1; END;", 6550, "ORA-00913"},
        BlockError{"DECLARE n NUMBER; BEGIN INSERT INTO nosuch VALUES (1); END;", 6550,
                   "PL/SQL: ORA-00942: table or view does not exist"},
        BlockError{"DECLARE l CLOB; BEGIN SELECT c INTO l FROM t WHERE a = 1 FOR UPDATE;"
                   " DBMS_LOB.WRITEAPPEND(l, 5, 'abc'); END;",
                   21560, "argument 2 is null, invalid, or out of range"},
        BlockError{"DECLARE l CLOB; BEGIN SELECT c INTO l FROM t WHERE a = 2 FOR UPDATE;"
                   " DBMS_LOB.WRITEAPPEND(l, 1, 'a'); END;",
                   6502, "invalid LOB locator specified"},
        BlockError{"DECLARE l CLOB; BEGIN DBMS_LOB.FROBNICATE(l); END;", 6550, "PLS-00302: component 'FROBNICATE'"},
        BlockError{"DECLARE c CONSTANT NUMBER := 1; BEGIN c := 2; END;", 6550, "PLS-00363"},
        BlockError{"DECLARE n NUMBER := 1; BEGIN IF n THEN NULL; END IF; END;", 6550, "PLS-00382"},
        BlockError{"DECLARE n NUMBER; BEGIN n := 'abc'; END;", 6502, "character to number conversion error"},
        BlockError{"BEGIN EXIT; END;", 6550, "PLS-00376"},
        BlockError{"BEGIN RAISE; END;", 6550, "PLS-00367"},
        BlockError{"DECLARE e EXCEPTION; BEGIN INSERT INTO t VALUES (3, NULL); RAISE e; END;", 6510,
                   "unhandled user-defined exception"},
        BlockError{"BEGIN INSERT INTO t VALUES (3, NULL); RAISE_APPLICATION_ERROR(-20123, 'stop here'); END;", 20123,
                   "stop here"},
        BlockError{"BEGIN NULL; END", 6550, "end-of-file"},
        BlockError{"BEGIN NULL; EXCEPTION WHEN no_such_thing THEN NULL; END;", 6550,
                   "PLS-00201: identifier 'NO_SUCH_THING'"},
        // What the stand-in does not run is refused before anything runs,
        // never skipped.
        BlockError{"DECLARE TYPE nums IS TABLE OF NUMBER INDEX BY PLS_INTEGER; BEGIN INSERT INTO t VALUES (3, NULL); END;",
                   6550, "PLS-00999: implementation restriction (may be temporary) TYPE"},
        BlockError{"DECLARE CURSOR c IS SELECT a FROM t; BEGIN INSERT INTO t VALUES (3, NULL); END;", 6550,
                   "PLS-00999: implementation restriction (may be temporary) CURSOR"},
        BlockError{"BEGIN INSERT INTO t VALUES (3, NULL); FOR r IN c LOOP NULL; END LOOP; END;", 6550,
                   "PLS-00999: implementation restriction (may be temporary) cursor FOR loops"},
        BlockError{"BEGIN INSERT INTO t VALUES (3, NULL); FOR r IN (SELECT a FROM t) LOOP INSERT INTO t VALUES (r.b, NULL);"
                   " END LOOP; END;", 6550, "PL/SQL: ORA-00904: \"R\".\"B\": invalid identifier"},
        BlockError{"DECLARE n NUMBER; BEGIN INSERT INTO t VALUES (3, NULL); FOR r IN (SELECT a FROM t) LOOP n := r.b;"
                   " END LOOP; END;", 6550, "PLS-00302: component 'B' must be declared"},
        BlockError{"DECLARE n NUMBER; BEGIN INSERT INTO t VALUES (3, NULL); FOR r IN (SELECT a FROM t) LOOP n := r;"
                   " END LOOP; END;", 6550, "PLS-00382"},
        BlockError{"BEGIN INSERT INTO t VALUES (3, NULL); FOR r IN (SELECT a FROM nosuch) LOOP NULL; END LOOP; END;",
                   6550, "ORA-00942"},
        BlockError{"BEGIN INSERT INTO t VALUES (3, NULL); CASE WHEN 1 = 1 THEN NULL; END CASE; END;", 6550,
                   "PLS-00999"},
        BlockError{"DECLARE n NUMBER; BEGIN INSERT INTO t VALUES (3, NULL); n := CASE WHEN 1 = 1 THEN 1 END; END;", 6550,
                   "PLS-00999"},
        BlockError{"BEGIN INSERT INTO t VALUES (3, NULL); FORALL i IN 1 .. 2 INSERT INTO t VALUES (i, NULL); END;", 6550,
                   "PLS-00999"},
        BlockError{"BEGIN INSERT INTO t VALUES (3, NULL); FETCH c INTO n; END;", 6550, "PLS-00999"},
        BlockError{"DECLARE PRAGMA AUTONOMOUS_TRANSACTION; BEGIN INSERT INTO t VALUES (3, NULL); COMMIT; END;", 6550,
                   "PLS-00999: implementation restriction (may be temporary) PRAGMA AUTONOMOUS_TRANSACTION"},
        BlockError{"DECLARE e EXCEPTION; PRAGMA EXCEPTION_INIT(e, 942); BEGIN NULL; END;", 6550,
                   "PLS-00701: illegal ORACLE error number 942 for PRAGMA EXCEPTION_INIT"},
        BlockError{"DECLARE PRAGMA EXCEPTION_INIT(nosuch, -942); BEGIN NULL; END;", 6550,
                   "PLS-00201: identifier 'NOSUCH'"}));

// A cursor FOR loop runs its body once per row with the row in a record,
// whose fields serve as values in PL/SQL and in SQL; EXIT leaves it early.
TEST_F(PlsqlTest, CursorForLoopsWalkTheRows) {
  exec("CREATE TABLE T (A NUMBER, S VARCHAR2(10), D DATE)");
  exec("CREATE TABLE U (A NUMBER, S VARCHAR2(40))");
  exec("INSERT INTO t VALUES (1, 'one', TO_DATE('2024-01-02', 'YYYY-MM-DD'))");
  exec("INSERT INTO t VALUES (2, 'two', NULL)");
  exec("INSERT INTO t VALUES (3, 'three', NULL)");
  exec("DECLARE total NUMBER := 0; lo NUMBER := 1;\n"
       "BEGIN\n"
       "  FOR r IN (SELECT a, s, d, a * 10 AS big FROM t WHERE a >= lo ORDER BY a) LOOP\n"
       "    total := total + r.big;\n"
       "    INSERT INTO u VALUES (r.a, r.s || '/' || NVL(TO_CHAR(r.d, 'YYYY'), '-'));\n"
       "    EXIT WHEN r.a = 2;\n"
       "  END LOOP;\n"
       "  INSERT INTO u VALUES (total, 'total');\n"
       "  FOR r IN (SELECT a FROM t WHERE a > 99) LOOP INSERT INTO u VALUES (-1, 'never'); END LOOP;\n"
       "  IF total < 0 THEN FOR r IN (SELECT a FROM t) LOOP NULL; END LOOP; END IF;\n"
       "  <<outer>> FOR i IN 1 .. 2 LOOP\n"
       "    FOR r IN (SELECT a FROM t ORDER BY a) LOOP\n"
       "      INSERT INTO u VALUES (i * 100 + r.a, 'nested');\n"
       "      EXIT outer WHEN r.a = 1 AND i = 2;\n"
       "    END LOOP;\n"
       "  END LOOP;\n"
       "END;");
  EXPECT_EQ(rows("SELECT a || ' ' || s FROM u ORDER BY a"),
            (std::vector<std::string>{"1 one/2024", "2 two/-", "30 total", "101 nested", "102 nested", "103 nested",
                                      "201 nested"}));
}

// Dates take days added and subtracted, fractions being times of day, and
// two dates give the days between them.
TEST_F(PlsqlTest, DateArithmetic) {
  exec("CREATE TABLE T (D DATE, N NUMBER)");
  exec("DECLARE d DATE := TO_DATE('2024-02-28 12:00:00', 'YYYY-MM-DD HH24:MI:SS'); a DATE; n NUMBER;\n"
       "BEGIN\n"
       "  a := d + 1.5; n := (d + 1) - d; INSERT INTO t VALUES (a, n);\n"
       "  a := d - 1/24; n := d - TO_DATE('2024-01-01', 'YYYY-MM-DD'); INSERT INTO t VALUES (a, n);\n"
       "  a := 2 + d; n := NULL + d; INSERT INTO t VALUES (a, n);\n"
       "END;");
  EXPECT_EQ(rows("SELECT TO_CHAR(d, 'YYYY-MM-DD HH24:MI') || ' ' || NVL(TO_CHAR(n), '-') FROM t ORDER BY d"),
            (std::vector<std::string>{"2024-02-28 11:00 58.5", "2024-03-01 00:00 1", "2024-03-01 12:00 -"}));
  EXPECT_EQ(errorOf("DECLARE d DATE := SYSDATE; BEGIN d := d + d; END;"), 975);
  EXPECT_EQ(errorOf("DECLARE d DATE := SYSDATE; n NUMBER; BEGIN n := d * 2; END;"), 932);
  EXPECT_EQ(errorOf("DECLARE d DATE := TO_DATE('9999-12-31', 'YYYY-MM-DD'); BEGIN d := d + 1; END;"), 1841);
}

// An exception tied to an Oracle error catches that error, and raising it
// raises that error.
TEST_F(PlsqlTest, ExceptionInitTiesAnExceptionToAnError) {
  exec("CREATE TABLE T (A NUMBER)");
  exec("DECLARE missing EXCEPTION; PRAGMA EXCEPTION_INIT(missing, -942);\n"
       "  nothing EXCEPTION; PRAGMA EXCEPTION_INIT(nothing, 100); n NUMBER;\n"
       "BEGIN\n"
       "  BEGIN EXECUTE IMMEDIATE 'DROP TABLE nosuch';\n"
       "  EXCEPTION WHEN missing THEN n := SQLCODE; INSERT INTO t VALUES (n); END;\n"
       "  BEGIN SELECT a INTO n FROM t WHERE a = 0;\n"
       "  EXCEPTION WHEN nothing THEN INSERT INTO t VALUES (1); END;\n"
       "END;");
  EXPECT_EQ(rows("SELECT a FROM t ORDER BY a"), (std::vector<std::string>{"-942", "1"}));
  EXPECT_EQ(errorOf("DECLARE e EXCEPTION; PRAGMA EXCEPTION_INIT(e, -20042); BEGIN RAISE e; END;"), 20042);
  // A handler for another error leaves it alone.
  EXPECT_EQ(errorOf("DECLARE e EXCEPTION; PRAGMA EXCEPTION_INIT(e, -1); BEGIN SELECT a INTO n FROM t; "
                    "EXCEPTION WHEN e THEN NULL; END;"),
            6550);
  EXPECT_EQ(errorOf("DECLARE e EXCEPTION; PRAGMA EXCEPTION_INIT(e, -1); n NUMBER; BEGIN SELECT a INTO n FROM t; "
                    "EXCEPTION WHEN e THEN NULL; END;"),
            1422);
}

// Compile errors are found before anything runs, DDL included.
TEST_F(PlsqlTest, ABlockThatDoesNotCompileRunsNothing) {
  EXPECT_EQ(errorOf("BEGIN EXECUTE IMMEDIATE 'CREATE TABLE u (a NUMBER)'; undeclared_thing := 1; END;"), 6550);
  EXPECT_EQ(errorOf("SELECT * FROM u"), 942);
}

// A name that is a column of the statement's table is the column, not the
// variable of the same name.
TEST_F(PlsqlTest, ColumnsWinOverVariablesInSql) {
  exec("CREATE TABLE T (A NUMBER, B NUMBER)");
  exec("INSERT INTO t VALUES (1, 10)");
  exec("INSERT INTO t VALUES (2, 20)");
  exec("DECLARE a NUMBER := 2; x NUMBER := 2; n NUMBER;\n"
       "BEGIN SELECT COUNT(*) INTO n FROM t WHERE a = a; INSERT INTO t (a, b) VALUES (n, x * 100); END;");
  EXPECT_EQ(one("SELECT b FROM t WHERE a = 2 ORDER BY b DESC"), "<2 rows>");
  EXPECT_EQ(one("SELECT MAX(b) FROM t"), "200");
}

// UPDATE and DELETE ... RETURNING give the row's values; a handled error
// keeps the work before it.
TEST_F(PlsqlTest, ReturningFromUpdateAndDelete) {
  exec("CREATE TABLE T (A NUMBER, S VARCHAR2(10))");
  exec("INSERT INTO t VALUES (1, 'one')");
  exec("INSERT INTO t VALUES (2, 'two')");
  exec("CREATE TABLE R (S VARCHAR2(20))");
  exec("DECLARE s1 VARCHAR2(20); s2 VARCHAR2(20); n NUMBER;\n"
       "BEGIN\n"
       "  UPDATE t SET s = s || '!' WHERE a = 1 RETURNING s INTO s1;\n"
       "  DELETE FROM t WHERE a = 2 RETURNING s, a INTO s2, n;\n"
       "  INSERT INTO r VALUES (s1 || '/' || s2 || '/' || n);\n"
       "  UPDATE t SET s = 'none' WHERE a = 5 RETURNING s INTO s1;\n"
       "  INSERT INTO r VALUES (NVL(s1, 'null') || SQL%ROWCOUNT);\n"
       "END;");
  EXPECT_EQ(rows("SELECT s FROM r ORDER BY s"), (std::vector<std::string>{"null0", "one!/two/2"}));
}

}  // namespace
}  // namespace ocisim::testing
