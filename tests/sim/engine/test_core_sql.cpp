// Oracle SQL over the stand-in: functions and their NULL rules, number and
// date texts, errors for malformed SQL, binds, describes, transactions.
#include <atomic>
#include <thread>

#include "core_fixture.h"
#include "engine/core.h"

namespace ocisim::testing {
namespace {

struct ExprCase {
  const char* expr;
  const char* expected;
};

void PrintTo(const ExprCase& c, std::ostream* os) { *os << c.expr; }

class ExpressionTest : public CoreTest, public ::testing::WithParamInterface<ExprCase> {};

TEST_P(ExpressionTest, SelectFromDual) {
  const ExprCase& c = GetParam();
  EXPECT_EQ(one(std::string("SELECT ") + c.expr + " FROM DUAL"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Numbers, ExpressionTest, ::testing::Values(
    ExprCase{"0.5", ".5"}, ExprCase{"-0.5", "-.5"}, ExprCase{"100", "100"}, ExprCase{"1.250", "1.25"},
    ExprCase{"7/2", "3.5"}, ExprCase{"10/2", "5"}, ExprCase{"1/4", ".25"}, ExprCase{"2*3-1", "5"},
    ExprCase{"-12345678901234567.89", "-12345678901234567.89"},
    ExprCase{"123456789012345678901234567890", "123456789012345678901234567890"},
    ExprCase{"1e40", "1E+40"}, ExprCase{"1 + 2 * 3", "7"}, ExprCase{"(1 + 2) * 3", "9"},
    ExprCase{"- 4 + 1", "-3"}, ExprCase{"MOD(7, 3)", "1"}, ExprCase{"ROUND(2.5)", "3"},
    ExprCase{"ROUND(-2.5)", "-3"}, ExprCase{"ROUND(1.2345, 2)", "1.23"}, ExprCase{"TRUNC(2.7)", "2"},
    ExprCase{"ABS(-3)", "3"}, ExprCase{"TO_NUMBER('12.50')", "12.5"}, ExprCase{"TO_NUMBER(' -3 ')", "-3"},
    ExprCase{"'5' + 1", "6"}));

INSTANTIATE_TEST_SUITE_P(NumberFormats, ExpressionTest, ::testing::Values(
    ExprCase{"TO_CHAR(0.5)", ".5"}, ExprCase{"TO_CHAR(1234.5, '9,999.99')", " 1,234.50"},
    ExprCase{"TO_CHAR(-7, '999')", "  -7"}, ExprCase{"TO_CHAR(7, '999')", "   7"},
    ExprCase{"TO_CHAR(5, 'FM000')", "005"}, ExprCase{"TO_CHAR(12.5, 'FM999.99')", "12.5"},
    ExprCase{"TO_CHAR(0, '990')", "   0"}, ExprCase{"TO_CHAR(1234, '99')", "###"},
    ExprCase{"TO_CHAR(255, 'XX')", " FF"}, ExprCase{"TO_CHAR(3, 'S9')", "+3"}));

INSTANTIATE_TEST_SUITE_P(Text, ExpressionTest, ::testing::Values(
    ExprCase{"'a' || NULL", "a"}, ExprCase{"NULL || 'b'", "b"}, ExprCase{"NULL || NULL", "<null>"},
    ExprCase{"'' || ''", "<null>"}, ExprCase{"'x' || 0.5 || 1", "x.51"}, ExprCase{"'it''s'", "it's"},
    ExprCase{"CASE WHEN '' IS NULL THEN 'null' ELSE 'not null' END", "null"},
    ExprCase{"NVL(NULL, 'x')", "x"}, ExprCase{"NVL('', 'x')", "x"}, ExprCase{"NVL('a', 'x')", "a"},
    ExprCase{"NVL2(NULL, 1, 2)", "2"}, ExprCase{"COALESCE(NULL, NULL, 3)", "3"},
    ExprCase{"DECODE(NULL, NULL, 'n', 'x')", "n"}, ExprCase{"DECODE(1, 2, 'a', 'b')", "b"},
    ExprCase{"DECODE(1, 2, 'a')", "<null>"}, ExprCase{"DECODE(2, 1, 'a', 2, 'b', 'c')", "b"},
    ExprCase{"LENGTH('')", "<null>"}, ExprCase{"LENGTH('abc')", "3"}, ExprCase{"LENGTH(0.5)", "2"},
    ExprCase{"UPPER('abC')", "ABC"}, ExprCase{"LOWER('AbC')", "abc"}, ExprCase{"INITCAP('hello world')", "Hello World"},
    ExprCase{"SUBSTR('abcdef', 2, 3)", "bcd"}, ExprCase{"SUBSTR('abcdef', -2)", "ef"},
    ExprCase{"SUBSTR('abc', 0, 1)", "a"}, ExprCase{"SUBSTR('abc', 5)", "<null>"}, ExprCase{"SUBSTR('abc', 2, 0)", "<null>"},
    ExprCase{"INSTR('banana', 'an')", "2"}, ExprCase{"INSTR('banana', 'an', 3)", "4"},
    ExprCase{"INSTR('banana', 'an', 1, 2)", "4"}, ExprCase{"INSTR('banana', 'an', -1)", "4"},
    ExprCase{"INSTR('banana', 'x')", "0"}, ExprCase{"INSTR(NULL, 'x')", "<null>"},
    ExprCase{"TRIM('  a  ')", "a"}, ExprCase{"TRIM(LEADING 'x' FROM 'xxaxx')", "axx"},
    ExprCase{"TRIM(TRAILING 'x' FROM 'xxaxx')", "xxa"}, ExprCase{"TRIM('   ')", "<null>"},
    ExprCase{"LTRIM('  a ')", "a "}, ExprCase{"RTRIM('xay', 'y')", "xa"},
    ExprCase{"LPAD('7', 3, '0')", "007"}, ExprCase{"RPAD('ab', 5, '*-')", "ab*-*"}, ExprCase{"LPAD('abcdef', 3)", "abc"},
    ExprCase{"LPAD(NULL, 3)", "<null>"}, ExprCase{"CHR(65) || CHR(39) || CHR(38)", "A'&"},
    ExprCase{"REPLACE('abc', 'b')", "ac"}, ExprCase{"REPLACE('abc', 'b', 'xx')", "axxc"},
    ExprCase{"HEXTORAW('4142')", "0x4142"}, ExprCase{"RAWTOHEX(HEXTORAW('0aff'))", "0AFF"},
    ExprCase{"USER", "SCOTT"}, ExprCase{"GREATEST(1, 3, 2)", "3"}, ExprCase{"LEAST('b', 'a')", "a"},
    ExprCase{"CASE 2 WHEN 1 THEN 'one' WHEN 2 THEN 'two' END", "two"}, ExprCase{"TO_CLOB('abc')", "abc"}));

INSTANTIATE_TEST_SUITE_P(Dates, ExpressionTest, ::testing::Values(
    ExprCase{"TO_CHAR(TO_DATE('2024-01-05 13:04:09', 'YYYY-MM-DD HH24:MI:SS'), 'DD-MON-YYYY HH:MI:SS AM')",
             "05-JAN-2024 01:04:09 PM"},
    ExprCase{"TO_DATE('05-JAN-24')", "2024-01-05 00:00:00"},
    ExprCase{"TO_DATE('05-JAN-99')", "1999-01-05 00:00:00"},
    ExprCase{"TO_DATE('05-JAN-1949')", "1949-01-05 00:00:00"},
    ExprCase{"TO_DATE('05-jan-1999', 'dd-mon-yyyy')", "1999-01-05 00:00:00"},
    ExprCase{"TO_DATE('01/31/1999 23:59:58', 'mm/dd/yyyy HH24:MI:SS')", "1999-01-31 23:59:58"},
    ExprCase{"TO_CHAR(TO_DATE('1999-01-31', 'YYYY-MM-DD'), 'Month DD, YYYY')", "January   31, 1999"},
    ExprCase{"TO_CHAR(TO_DATE('1999-01-31', 'YYYY-MM-DD'), 'fmMonth DD, YYYY Dy')", "January 31, 1999 Sun"},
    ExprCase{"TO_CHAR(TO_DATE('2024-01-05', 'YYYY-MM-DD'))", "05-JAN-24"},
    ExprCase{"TO_CHAR(TO_DATE('2024-01-05', 'YYYY-MM-DD'), 'mon')", "jan"},
    ExprCase{"TO_DATE('2024-02-28', 'YYYY-MM-DD') + 1", "2024-02-29 00:00:00"},
    ExprCase{"TO_DATE('2024-03-01', 'YYYY-MM-DD') - 1", "2024-02-29 00:00:00"},
    ExprCase{"TO_DATE('2024-03-01', 'YYYY-MM-DD') - TO_DATE('2024-02-28', 'YYYY-MM-DD')", "2"},
    ExprCase{"TO_DATE('2024-01-01 12:00', 'YYYY-MM-DD HH24:MI') - TO_DATE('2024-01-01', 'YYYY-MM-DD')", ".5"},
    ExprCase{"ADD_MONTHS(TO_DATE('2024-01-31', 'YYYY-MM-DD'), 1)", "2024-02-29 00:00:00"},
    ExprCase{"TRUNC(TO_DATE('2024-05-06 17:30', 'YYYY-MM-DD HH24:MI'))", "2024-05-06 00:00:00"},
    ExprCase{"DATE '2020-12-31'", "2020-12-31 00:00:00"},
    ExprCase{"CASE WHEN SYSDATE > TO_DATE('2000-01-01', 'YYYY-MM-DD') THEN 'later' END", "later"}));

struct ErrorCase {
  const char* sql;
  int code;
};
void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.sql; }

class ErrorTest : public CoreTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ErrorTest, FailsWithOraclesNumber) {
  exec("CREATE TABLE T (A NUMBER, B VARCHAR2(10))");
  std::string message;
  EXPECT_EQ(errorOf(GetParam().sql, &message), GetParam().code) << message;
}

INSTANTIATE_TEST_SUITE_P(Malformed, ErrorTest, ::testing::Values(
    ErrorCase{"SELEC 1 FROM DUAL", 900}, ErrorCase{"", 900}, ErrorCase{"   -- just a comment", 900},
    ErrorCase{"SELECT nosuch FROM dual", 904}, ErrorCase{"SELECT t.nosuch FROM t", 904},
    ErrorCase{"SELECT nosuchfn(1) FROM dual", 904}, ErrorCase{"SELECT * FROM dual WHERE", 936},
    ErrorCase{"SELECT FROM dual", 936}, ErrorCase{"SELECT 1 + FROM dual", 936},
    ErrorCase{"SELECT * FROM nosuch", 942}, ErrorCase{"SELECT * FROM other.t", 942},
    ErrorCase{"SELECT 1 dual", 923}, ErrorCase{"SELECT 1", 923}, ErrorCase{"SELECT a b c FROM t", 923},
    ErrorCase{"SELECT * FROM t x garbage", 933}, ErrorCase{"SELECT * FROM t ORDER", 924},
    ErrorCase{"SELECT 1 FROM DUAL;", 911}, ErrorCase{"SELECT (1 FROM dual", 907},
    ErrorCase{"SELECT 'abc FROM dual", 1756}, ErrorCase{"SELECT \"abc FROM dual", 1740},
    ErrorCase{"SELECT TO_NUMBER('abc') FROM dual", 1722}, ErrorCase{"SELECT 1/0 FROM DUAL", 1476},
    ErrorCase{"SELECT TO_DATE('31-FEB-2024', 'DD-MON-YYYY') FROM dual", 1839},
    ErrorCase{"SELECT TO_DATE('xx', 'DD') FROM dual", 1858},
    ErrorCase{"SELECT TO_DATE('13/01/2024', 'MM/DD/YYYY') FROM dual", 1843},
    ErrorCase{"SELECT TO_DATE('05-XYZ-2024', 'DD-MON-YYYY') FROM dual", 1843},
    ErrorCase{"SELECT TO_DATE('2024-01-01 25:00', 'YYYY-MM-DD HH24:MI') FROM dual", 1850},
    ErrorCase{"SELECT TO_CHAR(SYSDATE, 'QQQ9') FROM dual", 1821},
    ErrorCase{"INSERT INTO t VALUES (1, 'a', 3)", 913}, ErrorCase{"INSERT INTO t VALUES (1)", 947},
    ErrorCase{"INSERT INTO t (a, nosuch) VALUES (1, 2)", 904}, ErrorCase{"INSERT INTO t (a) VALUES ('x')", 1722},
    ErrorCase{"INSERT t VALUES (1, 'a')", 925}, ErrorCase{"UPDATE t a = 1", 971},
    ErrorCase{"DELETE FROM nosuch", 942}, ErrorCase{"UPDATE nosuch SET a = 1", 942},
    ErrorCase{"SELECT * FROM t, dual WHERE t.a = dual.dummy(+)", 3001},
    ErrorCase{"BEGIN dbms_pipe.purge('x'); END;", 6550},
    ErrorCase{"BEGIN INSERT INTO t VALUES (1, 'a') END;", 6550},
    ErrorCase{"ALTER SESSION SET NLS_DATE_FORMAT = 'XYZ'", 1821},
    ErrorCase{"SELECT 1 a_very_long_column_alias_longer_than_thirty FROM dual", 972}));

// Every prefix of a set of good statements is either good or fails with an
// Oracle error of its own: never a crash, never an internal error that leaked
// from the SQL underneath.
TEST_F(CoreTest, CutStatementsFailCleanly) {
  exec("CREATE TABLE T (A NUMBER, B VARCHAR2(10), D DATE)");
  run("INSERT INTO t VALUES (1, 'x', SYSDATE)");
  const char* statements[] = {
      "SELECT a, b || 'y' AS c, NVL(d, SYSDATE) FROM t x WHERE x.a IN (1, 2) AND b LIKE 'x%' ORDER BY 1 DESC",
      "SELECT DECODE(a, 1, 'one', 'other'), COUNT(*) FROM t GROUP BY a HAVING COUNT(*) > 0",
      "SELECT * FROM (SELECT a FROM t WHERE ROWNUM <= 1) s, dual WHERE EXISTS (SELECT 1 FROM t)",
      "SELECT TRIM(LEADING 'x' FROM b), CASE WHEN a > 0 THEN 'p' ELSE 'n' END FROM t",
      "INSERT INTO t (a, b, d) VALUES (2, 'it''s', TO_DATE('2024-01-05', 'YYYY-MM-DD'))",
      "UPDATE t SET b = SUBSTR(b, 1, 2), a = a + 1 WHERE d < SYSDATE + 1",
      "DELETE FROM t WHERE a NOT IN (SELECT a FROM t WHERE b IS NULL)",
      "BEGIN INSERT INTO t (a) VALUES (3); DELETE t WHERE a = 3; END;",
  };
  for (const char* sql : statements) {
    auto tokens = tokenize(sql);
    for (size_t k = 0; k + 1 < tokens.size(); ++k) {
      std::string cut = std::string(sql).substr(0, tokens[k].offset);
      try {
        rows(cut);
      } catch (const OraError& e) {
        EXPECT_NE(e.code(), 600) << cut << "\n" << e.what();
      } catch (const std::exception& e) {
        ADD_FAILURE() << cut << ": " << e.what();
      }
    }
    EXPECT_NO_THROW(rows(sql)) << sql;
  }
}

TEST_F(CoreTest, ErrorTextsNameTheIdentifier) {
  exec("CREATE TABLE T (A NUMBER)");
  std::string m;
  errorOf("SELECT nosuch FROM t", &m);
  EXPECT_EQ(m, "ORA-00904: \"NOSUCH\": invalid identifier");
  errorOf("SELECT t.\"Mixed\" FROM t", &m);
  EXPECT_EQ(m, "ORA-00904: \"T\".\"Mixed\": invalid identifier");
  errorOf("SELECT * FROM nosuch", &m);
  EXPECT_EQ(m, "ORA-00942: table or view does not exist");
  errorOf("BEGIN foo; END;", &m);
  EXPECT_EQ(m.rfind("ORA-06550: line 1, column 7:", 0), 0u) << m;
}

TEST_F(CoreTest, IdentifiersAndDual) {
  exec("CREATE TABLE Emp (Id NUMBER(4), Name VARCHAR2(20))");
  run("insert into EMP values (1, 'King')");
  run("INSERT INTO scott.emp (NAME, id) VALUES ('Ford', 2)");
  EXPECT_EQ(rows("select e.NAME from emp e where E.id = 1"), std::vector<std::string>{"King"});
  EXPECT_EQ(rows("SELECT Name FROM SCOTT.EMP ORDER BY Id DESC"), (std::vector<std::string>{"Ford", "King"}));
  EXPECT_EQ(rows("SELECT emp.name FROM emp WHERE emp.id = 2"), std::vector<std::string>{"Ford"});
  EXPECT_EQ(one("SELECT dummy FROM sys.dual"), "X");
  EXPECT_EQ(one("SELECT COUNT(*) FROM dual"), "1");
  // The empty string is NULL in data too.
  run("INSERT INTO emp VALUES (3, '')");
  EXPECT_EQ(one("SELECT COUNT(*) FROM emp WHERE name IS NULL"), "1");
  // LIKE is case-sensitive.
  EXPECT_EQ(one("SELECT COUNT(*) FROM emp WHERE name LIKE 'k%'"), "0");
  EXPECT_EQ(one("SELECT COUNT(*) FROM emp WHERE name NOT LIKE 'K%'"), "1");
}

TEST_F(CoreTest, QueryShapes) {
  exec("CREATE TABLE D (DEPTNO NUMBER(2), DNAME VARCHAR2(14))");
  exec("CREATE TABLE E (EMPNO NUMBER(4), DEPTNO NUMBER(2), SAL NUMBER(7,2))");
  run("INSERT INTO d VALUES (10, 'ACCOUNTING')");
  run("INSERT INTO d VALUES (20, 'RESEARCH')");
  run("INSERT INTO d VALUES (30, 'SALES')");
  for (int i = 1; i <= 5; ++i)
    run("INSERT INTO e VALUES (" + std::to_string(i) + ", " + std::to_string(i % 2 ? 10 : 20) + ", " +
        std::to_string(i * 100) + ".5)");
  EXPECT_EQ(rows("SELECT d.dname, COUNT(*), SUM(e.sal) FROM d, e WHERE d.deptno = e.deptno GROUP BY d.dname "
                 "HAVING COUNT(*) > 1 ORDER BY 1"),
            (std::vector<std::string>{"ACCOUNTING|3|901.5", "RESEARCH|2|601"}));
  EXPECT_EQ(rows("SELECT dname FROM d WHERE deptno NOT IN (SELECT deptno FROM e) "),
            std::vector<std::string>{"SALES"});
  EXPECT_EQ(rows("SELECT dname FROM d WHERE EXISTS (SELECT 1 FROM e WHERE e.deptno = d.deptno AND e.sal > 450)"),
            std::vector<std::string>{"ACCOUNTING"});
  EXPECT_EQ(rows("SELECT d.dname, e.empno FROM d LEFT OUTER JOIN e ON e.deptno = d.deptno AND e.empno > 4 "
                 "ORDER BY d.deptno"),
            (std::vector<std::string>{"ACCOUNTING|5", "RESEARCH|<null>", "SALES|<null>"}));
  EXPECT_EQ(rows("SELECT deptno FROM d MINUS SELECT deptno FROM e"), std::vector<std::string>{"30"});
  EXPECT_EQ(rows("SELECT empno FROM e WHERE ROWNUM <= 2"), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(rows("SELECT x.n FROM (SELECT empno n FROM e WHERE sal BETWEEN 200 AND 400) x ORDER BY x.n DESC"),
            (std::vector<std::string>{"3", "2"}));
  EXPECT_EQ(one("SELECT MAX(sal) - MIN(sal) FROM e"), "400");
  EXPECT_EQ(one("SELECT DISTINCT deptno FROM e WHERE empno IN (1, 3)"), "10");
  // Oracle sorts NULLs last.
  run("INSERT INTO e VALUES (6, NULL, NULL)");
  EXPECT_EQ(rows("SELECT empno FROM e ORDER BY deptno, empno").back(), "6");
}

TEST_F(CoreTest, StoredNumbersKeepEveryDigit) {
  exec("CREATE TABLE N (X NUMBER, Y NUMBER)");
  const char* values[] = {"12345678901234567.89", "-.5", "123456789012345678901234567890", ".1", "100",
                          "-12345678901234567.89", "3.14159265358979323846"};
  for (const char* v : values) {
    run("DELETE FROM n");
    run(std::string("INSERT INTO n (x) VALUES (") + v + ")");
    EXPECT_EQ(one("SELECT x FROM n"), v) << "literal";
    run("DELETE FROM n");
    run("INSERT INTO n (x) VALUES (:v)", {Value::number(v)});
    EXPECT_EQ(one("SELECT x FROM n"), v) << "bind";
    run("UPDATE n SET y = x");
    EXPECT_EQ(one("SELECT y FROM n"), v) << "copied";
  }
  // Text converts to the column's type as it goes in.
  run("DELETE FROM n");
  run("INSERT INTO n (x) VALUES ('0.50')");
  EXPECT_EQ(one("SELECT x FROM n"), ".5");
}

// Values are held to their column's declared size, as Oracle stores them.
TEST_F(CoreTest, ColumnSizesRoundAndRefuse) {
  exec("CREATE TABLE S (P NUMBER(5,2), I NUMBER(3), H NUMBER(4,-2), F FLOAT, N NUMBER, "
       "V VARCHAR2(3), W VARCHAR2(2 CHAR), C CHAR(2), R RAW(2))");
  struct Case { const char* column; const char* value; const char* stored; int code; } cases[] = {
      {"p", "1.234", "1.23", 0},       {"p", "1.235", "1.24", 0},        {"p", "-1.235", "-1.24", 0},
      {"p", "999.994", "999.99", 0},   {"p", "999.995", "", 1438},       {"p", "1000", "", 1438},
      {"i", "12.5", "13", 0},          {"i", "999", "999", 0},           {"i", "1000", "", 1438},
      {"h", "123456", "123500", 0},    {"f", "1.23456789", "1.23456789", 0},
      {"n", "12345678901234567.891", "12345678901234567.891", 0},
      {"p", "'2.005'", "2.01", 0},     {"v", "'abc'", "abc", 0},         {"v", "'abcd'", "", 12899},
      {"w", "'\xC3\xA9\xC3\xA9'", "\xC3\xA9\xC3\xA9", 0},         {"w", "'abc'", "", 12899},
      {"c", "'abc'", "", 12899},       {"c", "'a'", "a ", 0},            {"r", "'0A0B'", "0x0A0B", 0},
      {"r", "'0A0B0C'", "", 12899},
  };
  for (const Case& c : cases) {
    run("DELETE FROM s");
    std::string sql = std::string("INSERT INTO s (") + c.column + ") VALUES (" + c.value + ")";
    std::string m;
    EXPECT_EQ(errorOf(sql, &m), c.code) << sql << " " << m;
    if (c.code == 0) {
      EXPECT_EQ(one(std::string("SELECT ") + c.column + " FROM s"), c.stored) << sql;
      // UPDATE holds to the same rules.
      run(std::string("UPDATE s SET ") + c.column + " = " + c.value);
      EXPECT_EQ(one(std::string("SELECT ") + c.column + " FROM s"), c.stored) << sql;
    }
  }
  std::string m;
  errorOf("INSERT INTO s (v) VALUES ('abcdef')", &m);
  EXPECT_EQ(m, "ORA-12899: value too large for column \"SCOTT\".\"S\".\"V\" (actual: 6, maximum: 3)");
  errorOf("INSERT INTO s (v) SELECT 'abcdef' FROM dual", &m);
  EXPECT_EQ(m, "ORA-12899: value too large for column \"SCOTT\".\"S\".\"V\" (actual: 6, maximum: 3)");
}

TEST_F(CoreTest, CharColumnsArePaddedAndDatesStored) {
  exec("CREATE TABLE C (K CHAR(5), V VARCHAR2(10), D DATE, R RAW(4))");
  run("INSERT INTO c VALUES ('ab', 5, TO_DATE('2024-01-05 06:07:08', 'YYYY-MM-DD HH24:MI:SS'), '0A0B')");
  EXPECT_EQ(one("SELECT k || '|', v, d, r FROM c"), "ab   ||5|2024-01-05 06:07:08|0x0A0B");
  EXPECT_EQ(one("SELECT COUNT(*) FROM c WHERE k = 'ab'"), "1");
  EXPECT_EQ(one("SELECT COUNT(*) FROM c WHERE k = :k", {Value::text("ab")}), "1");
  // A text into a DATE column is read in the session's date format.
  run("UPDATE c SET d = '07-FEB-99'");
  EXPECT_EQ(one("SELECT d FROM c"), "1999-02-07 00:00:00");
  EXPECT_EQ(one("SELECT COUNT(*) FROM c WHERE d = '07-FEB-99'"), "1");
}

TEST_F(CoreTest, NlsDateFormat) {
  DateTime d{2024, 1, 5, 13, 4, 9};
  EXPECT_EQ(conn_->formatDate(d), "05-JAN-24");
  exec("ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY/MM/DD HH24:MI'");
  EXPECT_EQ(conn_->formatDate(d), "2024/01/05 13:04");
  EXPECT_EQ(one("SELECT TO_CHAR(TO_DATE('2024-01-05', 'YYYY-MM-DD')) FROM dual"), "2024/01/05 00:00");
  EXPECT_EQ(one("SELECT 'on ' || TO_DATE('2024-01-05', 'YYYY-MM-DD') FROM dual"), "on 2024/01/05 00:00");
  EXPECT_EQ(one("SELECT TO_DATE('1999/12/31 23:59') FROM dual"), "1999-12-31 23:59:00");
  // Other settings are accepted.
  exec("ALTER SESSION SET NLS_LANGUAGE = 'AMERICAN' NLS_TERRITORY = 'AMERICA'");
  exec("ALTER SESSION SET OPTIMIZER_MODE = ALL_ROWS");
}

TEST_F(CoreTest, Binds) {
  exec("CREATE TABLE B (ID NUMBER, NAME VARCHAR2(20), D DATE)");
  auto st = conn_->prepare("INSERT INTO b VALUES (:id, :Name, :\"d\")");
  EXPECT_EQ(st->bindNames(), (std::vector<std::string>{"ID", "NAME", "d"}));
  st->bind(0, Value::number("1"));
  st->bind(1, Value::text("one"));
  st->bind(2, Value::fromDate({2001, 2, 3, 4, 5, 6}));
  st->execute();
  EXPECT_EQ(st->rowCount(), 1u);
  st->bind(0, Value::number("2"));
  st->bind(1, Value::text(""));  // the empty string is NULL
  st->bind(2, Value::null());
  st->execute();
  EXPECT_EQ(rows("SELECT id, name, d FROM b ORDER BY id"),
            (std::vector<std::string>{"1|one|2001-02-03 04:05:06", "2|<null>|<null>"}));
  // One name used twice is one placeholder; positional names are numbers.
  auto q = conn_->prepare("SELECT id FROM b WHERE id = :x OR id + 1 = :x");
  EXPECT_EQ(q->bindNames(), std::vector<std::string>{"X"});
  EXPECT_EQ(rows("SELECT name FROM b WHERE id = :1 AND :2 IS NOT NULL", {Value::number("1"), Value::text("y")}),
            std::vector<std::string>{"one"});
  EXPECT_THROW(q->bind(5, Value::null()), OraError);

  // Bad values from the client are refused, and nothing is stored.
  struct Bad { Value value; int code; } bad[] = {
      {Value::number("abc"), 1722}, {Value::number(""), 1722}, {Value::number("1.2.3"), 1722},
      {Value::fromDate({2024, 13, 1, 0, 0, 0}), 1843}, {Value::fromDate({2023, 2, 29, 0, 0, 0}), 1847},
      {Value::fromDate({2024, 1, 1, 24, 0, 0}), 1850}, {Value::fromDate({0, 1, 1, 0, 0, 0}), 1841},
  };
  for (const Bad& b : bad) {
    auto ins = conn_->prepare(b.value.kind == Value::Kind::Date ? "INSERT INTO b (d) VALUES (:1)"
                                                                 : "INSERT INTO b (id) VALUES (:1)");
    ins->bind(0, b.value);
    try {
      ins->execute();
      ADD_FAILURE() << b.code;
    } catch (const OraError& e) {
      EXPECT_EQ(e.code(), b.code);
    }
  }
  EXPECT_EQ(one("SELECT COUNT(*) FROM b"), "2");
}

TEST_F(CoreTest, DescribeTypesAndNames) {
  exec("CREATE TABLE T (N NUMBER(8,2), V VARCHAR2(30), D DATE, \"Mixed\" CHAR(3))");
  auto st = conn_->prepare(
      "SELECT n, v AS alias, d \"Quoted\", \"Mixed\", upper( v ), COUNT(*) OVER_X, TO_CHAR(d, 'YYYY'), 'abc', "
      "v || 'x', NVL(n, 0), n + 1, NVL(v, 'abcdefghijklmnopqrstuvwxyz') FROM t");
  const auto& c = st->describe();
  ASSERT_EQ(c.size(), 12u);
  struct Want { const char* name; SqlType type; int size; } want[] = {
      {"N", SqlType::Number, 22},        {"ALIAS", SqlType::Varchar2, 30}, {"Quoted", SqlType::Date, 7},
      {"Mixed", SqlType::Char, 3},        {"UPPER(V)", SqlType::Varchar2, 30}, {"OVER_X", SqlType::Number, 22},
      {"TO_CHAR(D,'YYYY')", SqlType::Varchar2, 75}, {"'ABC'", SqlType::Char, 3},
      {"V||'X'", SqlType::Varchar2, 31}, {"NVL(N,0)", SqlType::Number, 22}, {"N+1", SqlType::Number, 22},
      {"NVL(V,'ABCDEFGHIJKLMNOPQRSTUVW", SqlType::Varchar2, 30},
  };
  for (size_t i = 0; i < c.size(); ++i) {
    EXPECT_EQ(c[i].name, want[i].name) << i;
    EXPECT_EQ(c[i].type, want[i].type) << want[i].name;
    EXPECT_EQ(c[i].size, want[i].size) << want[i].name;
  }
  EXPECT_EQ(c[0].precision, 8);
  EXPECT_EQ(c[0].scale, 2);
  EXPECT_EQ(c[5].precision, 0);  // computed numbers carry no precision
  EXPECT_EQ(c[5].scale, -127);
  auto star = conn_->prepare("SELECT * FROM t");
  ASSERT_EQ(star->describe().size(), 4u);
  EXPECT_EQ(star->describe()[3].name, "Mixed");
  EXPECT_EQ(star->describe()[2].type, SqlType::Date);
  // A describe of a missing table fails at prepare.
  EXPECT_THROW(conn_->prepare("SELECT * FROM nosuch"), OraError);
}

// The dictionary describes a view's columns through the same describe.
TEST_F(CoreTest, DescribeQueryForTheDictionary) {
  exec("CREATE TABLE T (N NUMBER(8,2), V VARCHAR2(30))");
  Session s;
  ASSERT_EQ(sqlite3_open((dir_ + "/TESTDB.db").c_str(), &s.db), SQLITE_OK);
  registerFunctions(s.db, &s);
  s.user = "SCOTT";
  auto cols = describeQuery(s, "SELECT n, v || 'x' label, COUNT(*) FROM t GROUP BY n, v");
  ASSERT_EQ(cols.size(), 3u);
  EXPECT_EQ(cols[0].type, SqlType::Number);
  EXPECT_EQ(cols[0].precision, 8);
  EXPECT_EQ(cols[1].name, "LABEL");
  EXPECT_EQ(cols[1].type, SqlType::Varchar2);
  EXPECT_EQ(cols[2].name, "COUNT(*)");
  EXPECT_EQ(cols[2].type, SqlType::Number);
  EXPECT_THROW(describeQuery(s, "SELECT nosuch FROM t"), OraError);
  sqlite3_close(s.db);
}

TEST_F(CoreTest, TransactionsCommitAndRollBack) {
  exec("CREATE TABLE T (A NUMBER)");
  run("INSERT INTO t VALUES (1)");
  conn_->rollback();
  EXPECT_EQ(one("SELECT COUNT(*) FROM t"), "0");
  run("INSERT INTO t VALUES (2)");
  exec("COMMIT");
  run("INSERT INTO t VALUES (3)");
  exec("ROLLBACK");
  EXPECT_EQ(rows("SELECT a FROM t"), std::vector<std::string>{"2"});

  // Another session sees committed rows only.
  auto other = attachIn(dir_, "TESTDB");
  other->logon("scott", "Tiger", nullptr);
  run("INSERT INTO t VALUES (4)");
  auto count = [&] {
    auto st = other->prepare("SELECT COUNT(*) FROM t");
    st->execute();
    std::vector<Value> row;
    st->fetch(row);
    return row[0].data;
  };
  EXPECT_EQ(count(), "1");
  conn_->commit();
  EXPECT_EQ(count(), "2");

  // DDL commits the work before it.
  run("INSERT INTO t VALUES (5)");
  exec("CREATE TABLE U (B NUMBER)");
  conn_->rollback();
  EXPECT_EQ(one("SELECT COUNT(*) FROM t"), "3");

  // Savepoints.
  run("INSERT INTO t VALUES (6)");
  exec("SAVEPOINT s1");
  run("INSERT INTO t VALUES (7)");
  exec("ROLLBACK TO SAVEPOINT s1");
  conn_->commit();
  EXPECT_EQ(one("SELECT MAX(a) FROM t"), "6");
}

TEST_F(CoreTest, AFailingStatementChangesNothing) {
  exec("CREATE TABLE T (A NUMBER, B VARCHAR2(10))");
  run("INSERT INTO t VALUES (1, '1')");
  run("INSERT INTO t VALUES (2, 'x')");
  run("INSERT INTO t VALUES (3, '3')");
  // The second row fails: the rows before it are not kept, and the
  // transaction's earlier work stays.
  EXPECT_EQ(errorOf("UPDATE t SET a = TO_NUMBER(b) + 10"), 1722);
  EXPECT_EQ(rows("SELECT a FROM t ORDER BY a"), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(errorOf("INSERT INTO t (a) SELECT TO_NUMBER(b) FROM t"), 1722);
  EXPECT_EQ(one("SELECT COUNT(*) FROM t"), "3");
  conn_->rollback();
  EXPECT_EQ(one("SELECT COUNT(*) FROM t"), "0");
}

TEST_F(CoreTest, AnonymousBlocksRunTheirStatements) {
  exec("CREATE TABLE T (A NUMBER)");
  auto st = conn_->prepare("BEGIN\n  INSERT INTO t VALUES (:v);\n  INSERT INTO t VALUES (:v + 1);\n  NULL;\nEND;");
  EXPECT_EQ(st->kind(), StatementKind::Begin);
  EXPECT_EQ(st->bindNames(), std::vector<std::string>{"V"});
  st->bind(0, Value::number("10"));
  st->execute();
  EXPECT_EQ(rows("SELECT a FROM t ORDER BY a"), (std::vector<std::string>{"10", "11"}));
  // A failing statement undoes the whole block.
  EXPECT_NE(errorOf("BEGIN INSERT INTO t VALUES (1); INSERT INTO t VALUES ('x'); END;"), 0);
  EXPECT_EQ(one("SELECT COUNT(*) FROM t"), "2");
  // A handler for every error keeps what came before the failure.
  exec("BEGIN INSERT INTO t VALUES (20); INSERT INTO t VALUES ('x'); INSERT INTO t VALUES (21); "
       "EXCEPTION WHEN OTHERS THEN INSERT INTO t VALUES (22); END;");
  EXPECT_EQ(rows("SELECT a FROM t WHERE a >= 20 ORDER BY a"), (std::vector<std::string>{"20", "22"}));
  // Dynamic SQL given as a literal, DDL included, as drop scripts use it.
  exec("DECLARE BEGIN EXECUTE IMMEDIATE 'CREATE TABLE u (b NUMBER)'; "
       "EXECUTE IMMEDIATE 'INSERT INTO u VALUES (1)'; END blk;");
  EXPECT_EQ(one("SELECT b FROM u"), "1");
  exec("BEGIN EXECUTE IMMEDIATE 'DROP TABLE nosuch'; EXCEPTION WHEN OTHERS THEN NULL; END;");
  EXPECT_EQ(errorOf("BEGIN EXECUTE IMMEDIATE 'DROP TABLE nosuch'; END;"), 942);
  EXPECT_EQ(errorOf("BEGIN NULL; EXCEPTION WHEN no_such_error THEN NULL; END;"), 6550);
  conn_->rollback();
  EXPECT_EQ(one("SELECT COUNT(*) FROM u"), "1");  // committed by the DDL after it
  std::string m;
  EXPECT_EQ(errorOf("BEGIN\n  my_proc(1);\nEND;", &m), 6550);
  EXPECT_EQ(m.rfind("ORA-06550: line 2, column 3:\nPLS-00201: identifier 'MY_PROC' must be declared", 0), 0u) << m;
}

TEST_F(CoreTest, StatementKindsAndFunctionCodes) {
  exec("CREATE TABLE T (A NUMBER)");
  struct Case { const char* sql; StatementKind kind; int code; } cases[] = {
      {"SELECT * FROM t", StatementKind::Select, 4},   {"INSERT INTO t VALUES (1)", StatementKind::Insert, 3},
      {"UPDATE t SET a = 1", StatementKind::Update, 5}, {"DELETE t", StatementKind::Delete, 9},
      {"BEGIN NULL; END;", StatementKind::Begin, 34},   {"COMMIT", StatementKind::Unknown, 54},
      {"ALTER SESSION SET NLS_DATE_FORMAT = 'DD-MON-RR'", StatementKind::Alter, 52},
  };
  for (const Case& c : cases) {
    auto st = conn_->prepare(c.sql);
    EXPECT_EQ(st->kind(), c.kind) << c.sql;
    EXPECT_EQ(st->functionCode(), c.code) << c.sql;
  }
}

TEST_F(CoreTest, FetchAndRowCounts) {
  exec("CREATE TABLE T (A NUMBER)");
  for (int i = 0; i < 30; ++i) run("INSERT INTO t VALUES (" + std::to_string(i) + ")");
  EXPECT_EQ(run("UPDATE t SET a = a + 1 WHERE a >= 10"), 20u);
  EXPECT_EQ(run("DELETE FROM t WHERE a > 25"), 5u);
  auto st = conn_->prepare("SELECT a FROM t ORDER BY a");
  st->execute();
  std::vector<Value> row;
  int n = 0;
  while (st->fetch(row)) ++n;
  EXPECT_EQ(n, 25);
  EXPECT_EQ(st->rowCount(), 25u);
  EXPECT_FALSE(st->fetch(row));
  // Executing again starts over.
  st->execute();
  ASSERT_TRUE(st->fetch(row));
  EXPECT_EQ(row[0].data, "0");
}

TEST_F(CoreTest, InterruptCancelsARunningQuery) {
  exec("CREATE TABLE T (A NUMBER)");
  run("INSERT INTO t VALUES (1)");
  for (int i = 0; i < 10; ++i) run("INSERT INTO t SELECT a + 1 FROM t");  // 1024 rows
  std::atomic<bool> done{false};
  std::thread breaker([&] {
    while (!done) {
      conn_->interrupt();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  int code = errorOf("SELECT COUNT(*) FROM t x, t y, t z");
  done = true;
  breaker.join();
  EXPECT_EQ(code, 1013);
  // The session goes on working.
  EXPECT_EQ(one("SELECT COUNT(*) FROM t"), "1024");
}

TEST_F(CoreTest, Sequences) {
  // The dictionary keeps the sequence; the core calls it per row.
  exec("CREATE SEQUENCE s START WITH 5");
  EXPECT_EQ(one("SELECT s.NEXTVAL FROM dual"), "5");
  EXPECT_EQ(one("SELECT s.CURRVAL, scott.s.currval FROM dual"), "5|5");
  exec("CREATE TABLE T (A NUMBER)");
  run("INSERT INTO t VALUES (s.NEXTVAL)");
  EXPECT_EQ(one("SELECT a FROM t"), "6");
}

}  // namespace
}  // namespace ocisim::testing
