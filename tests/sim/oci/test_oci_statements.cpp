// Statements through the stand-in client: array DML, describe, defines of
// every external type, buffered fetch, truncation and nulls, LONG pieces,
// LOB locators, transactions, errors, and the OCI7 cursor calls.
#include <cstring>
#include <string>
#include <cmath>

#include "oci_client.h"

using namespace ocitest;

namespace {

class OciStatements : public ::testing::Test {
 protected:
  TempDatabase db;
  Client c;
  std::unique_ptr<Session> s;

  void SetUp() override {
    ASSERT_NE(c.lib, nullptr) << dlerror();
    s = std::make_unique<Session>(c);
    ASSERT_EQ(s->logonStatus, OCI_SUCCESS) << s->error();
  }
  void TearDown() override { s.reset(); }

  void run(const std::string& sql) { ASSERT_EQ(s->run(sql), OCI_SUCCESS) << sql << ": " << s->error(); }

  // Inserts n rows 1..n into a one-column table through one array execute.
  void fillNumbers(const std::string& table, int n) {
    run("create table " + table + " (n number(9))");
    if (n == 0) return;
    std::vector<int> values(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) values[static_cast<size_t>(i)] = i + 1;
    OCIStmt* st = s->prepare("insert into " + table + " values (:n)");
    OCIBind* b = nullptr;
    ASSERT_EQ(c.OCIBindByName(st, &b, s->err, reinterpret_cast<const OraText*>(":n"), 2, values.data(), sizeof(int),
                              SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(c.OCIStmtExecute(s->svc, st, s->err, static_cast<ub4>(n), 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS)
        << s->error();
    c.OCIHandleFree(st, OCI_HTYPE_STMT);
  }

  ub4 attr4(OCIStmt* st, ub4 attr) {
    ub4 v = 0;
    EXPECT_EQ(c.OCIAttrGet(st, OCI_HTYPE_STMT, &v, nullptr, attr, s->err), OCI_SUCCESS);
    return v;
  }
  ub2 attr2(OCIStmt* st, ub4 attr) {
    ub2 v = 0;
    EXPECT_EQ(c.OCIAttrGet(st, OCI_HTYPE_STMT, &v, nullptr, attr, s->err), OCI_SUCCESS);
    return v;
  }
};

// ---- buffered fetch ------------------------------------------------------------

struct Step {
  sword rc;
  ub4 fetched;
  ub4 rowCount;
};
struct FetchCase {
  int rows;
  bool inExecute;           // the first batch comes with OCIStmtExecute (iters 25)
  std::vector<Step> steps;  // execute (if inExecute) and each fetch after it
};

TEST_F(OciStatements, FetchInArraysOf25EndsWithNoData) {
  const FetchCase cases[] = {
      {0, false, {{OCI_NO_DATA, 0, 0}}},
      {24, false, {{OCI_NO_DATA, 24, 24}}},
      {25, false, {{OCI_SUCCESS, 25, 25}, {OCI_NO_DATA, 0, 25}}},
      {26, false, {{OCI_SUCCESS, 25, 25}, {OCI_NO_DATA, 1, 26}}},
      {24, true, {{OCI_NO_DATA, 24, 24}}},
      {26, true, {{OCI_SUCCESS, 25, 25}, {OCI_NO_DATA, 1, 26}}},
  };
  int k = 0;
  for (const auto& t : cases) {
    SCOPED_TRACE(std::to_string(t.rows) + (t.inExecute ? " rows, first batch in execute" : " rows"));
    std::string table = "nums" + std::to_string(k++);
    fillNumbers(table, t.rows);
    OCIStmt* st = s->prepare("select n from " + table + " order by n");
    EXPECT_EQ(attr2(st, OCI_ATTR_STMT_TYPE), OCI_STMT_SELECT);
    int values[25];
    sb2 ind[25];
    ub2 rlen[25];
    OCIDefine* d = nullptr;
    ASSERT_EQ(c.OCIDefineByPos(st, &d, s->err, 1, values, sizeof(int), SQLT_INT, ind, rlen, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    int next = 1;
    size_t step = 0;
    sword rc = c.OCIStmtExecute(s->svc, st, s->err, t.inExecute ? 25 : 0, 0, nullptr, nullptr, OCI_DEFAULT);
    if (!t.inExecute) {
      ASSERT_EQ(rc, OCI_SUCCESS) << s->error();
      rc = c.OCIStmtFetch(st, s->err, 25, OCI_FETCH_NEXT, OCI_DEFAULT);
    }
    for (;;) {
      ASSERT_LT(step, t.steps.size());
      EXPECT_EQ(rc, t.steps[step].rc) << s->error();
      ub4 fetched = attr4(st, OCI_ATTR_ROWS_FETCHED);
      EXPECT_EQ(fetched, t.steps[step].fetched);
      EXPECT_EQ(attr4(st, OCI_ATTR_ROW_COUNT), t.steps[step].rowCount);
      for (ub4 i = 0; i < fetched; ++i) {
        EXPECT_EQ(values[i], next++);
        EXPECT_EQ(ind[i], 0);
        EXPECT_EQ(rlen[i], sizeof(int));
      }
      ++step;
      if (rc != OCI_SUCCESS) break;
      rc = c.OCIStmtFetch(st, s->err, 25, OCI_FETCH_NEXT, OCI_DEFAULT);
    }
    EXPECT_EQ(step, t.steps.size());
    EXPECT_EQ(next, t.rows + 1);
    // The result is over: another fetch answers no data again.
    EXPECT_EQ(c.OCIStmtFetch(st, s->err, 25, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
    c.OCIHandleFree(st, OCI_HTYPE_STMT);
  }
}

TEST_F(OciStatements, DefinesInArraysOfStructs) {
  fillNumbers("nums", 3);
  struct Row {
    double n;
    sb2 ind;
    ub2 len;
    char text[8];
  } rows[3];
  std::memset(rows, 0, sizeof rows);
  OCIStmt* st = s->prepare("select n, n from nums order by n");
  OCIDefine* d1 = nullptr;
  OCIDefine* d2 = nullptr;
  ASSERT_EQ(c.OCIDefineByPos(st, &d1, s->err, 1, &rows[0].n, sizeof(double), SQLT_FLT, &rows[0].ind, &rows[0].len,
                             nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(c.OCIDefineArrayOfStruct(d1, s->err, sizeof(Row), sizeof(Row), sizeof(Row), 0), OCI_SUCCESS);
  ASSERT_EQ(c.OCIDefineByPos(st, &d2, s->err, 2, rows[0].text, sizeof rows[0].text, SQLT_STR, nullptr, nullptr,
                             nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(c.OCIDefineArrayOfStruct(d2, s->err, sizeof(Row), 0, 0, 0), OCI_SUCCESS);
  ASSERT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 3, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(rows[i].n, i + 1);
    EXPECT_EQ(rows[i].len, sizeof(double));
    EXPECT_EQ(std::string(rows[i].text), std::to_string(i + 1));
  }
}

// ---- external types --------------------------------------------------------------

struct TypeCase {
  const char* expr;  // select-list expression over table typ
  ub2 dty;
  sb4 size;
  std::string bytes;  // expected buffer contents (the first `bytes.size()` bytes)
  ub2 rlen;
};

template <class T>
std::string raw(T v) {
  return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

TEST_F(OciStatements, ColumnsConvertToEveryExternalType) {
  run("create table typ (n number(10,2), i number(9), s varchar2(20), c char(5), d date, r raw(4), big number)");
  run("insert into typ values (-0.5, 100, 'abc', 'ab', to_date('2024-01-05 13:05:09', 'YYYY-MM-DD HH24:MI:SS'), "
      "hextoraw('0AFF'), 12345678901234567890)");
  const TypeCase cases[] = {
      {"i", SQLT_INT, 4, raw<int32_t>(100), 4},
      {"i", SQLT_INT, 2, raw<int16_t>(100), 2},
      {"i", SQLT_INT, 1, raw<int8_t>(100), 1},
      {"i", SQLT_INT, 8, raw<int64_t>(100), 8},
      {"n", SQLT_FLT, 8, raw<double>(-0.5), 8},
      {"n", SQLT_FLT, 4, raw<float>(-0.5f), 4},
      {"n", SQLT_STR, 40, std::string("-.5\0", 4), 3},
      {"i", SQLT_STR, 40, std::string("100\0", 4), 3},
      {"big", SQLT_STR, 40, std::string("12345678901234567890\0", 21), 20},
      {"s", SQLT_CHR, 20, "abc", 3},
      {"s", SQLT_AFC, 6, "abc   ", 6},
      {"c", SQLT_STR, 10, std::string("ab   \0", 6), 5},
      {"d", SQLT_DAT, 7, std::string("\x78\x7C\x01\x05\x0E\x06\x0A", 7), 7},
      {"d", SQLT_STR, 20, std::string("05-JAN-24\0", 10), 9},
      {"r", SQLT_STR, 9, std::string("0AFF\0", 5), 4},
      {"r", SQLT_BIN, 4, "\x0A\xFF", 2},
      {"s", SQLT_LNG, 20, "abc", 3},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(std::string(t.expr) + " as type " + std::to_string(t.dty) + " size " + std::to_string(t.size));
    OCIStmt* st = s->prepare(std::string("select ") + t.expr + " from typ");
    char buf[64];
    std::memset(buf, '#', sizeof buf);
    sb2 ind = 99;
    ub2 rlen = 0, rcode = 99;
    OCIDefine* d = nullptr;
    ASSERT_EQ(c.OCIDefineByPos(st, &d, s->err, 1, buf, t.size, t.dty, &ind, &rlen, &rcode, OCI_DEFAULT), OCI_SUCCESS);
    ASSERT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
    EXPECT_EQ(std::string(buf, t.bytes.size()), t.bytes);
    EXPECT_EQ(ind, 0);
    EXPECT_EQ(rcode, 0);
    EXPECT_EQ(rlen, t.rlen);
    c.OCIHandleFree(st, OCI_HTYPE_STMT);
  }
}

TEST_F(OciStatements, NumbersCrossAsOracleWritesThem) {
  run("create table nums_f (k number, v number)");
  // A double bound as SQLT_FLT arrives as the number Oracle would store,
  // read back as text and as a rounded integer.
  struct {
    double bound;
    const char* text;
    long long rounded;
  } cases[] = {
      {0.5, ".5", 1},           {-0.5, "-.5", -1},         {100, "100", 100},
      {2.4, "2.4", 2},          {-2.5, "-2.5", -3},        {0.1, ".1", 0},
      {1e15, "1000000000000000", 1000000000000000ll},
      {1.5e-7, ".00000015", 0}, {123456.789, "123456.789", 123457},
  };
  OCIStmt* ins = s->prepare("insert into nums_f values (:k, :v)");
  int k = 0;
  double v = 0;
  OCIBind* b = nullptr;
  c.OCIBindByName(ins, &b, s->err, reinterpret_cast<const OraText*>(":k"), 2, &k, sizeof k, SQLT_INT, nullptr, nullptr,
                  nullptr, 0, nullptr, OCI_DEFAULT);
  c.OCIBindByName(ins, &b, s->err, reinterpret_cast<const OraText*>(":v"), 2, &v, sizeof v, SQLT_FLT, nullptr, nullptr,
                  nullptr, 0, nullptr, OCI_DEFAULT);
  for (const auto& t : cases) {
    v = t.bound;
    ASSERT_EQ(c.OCIStmtExecute(s->svc, ins, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
    ++k;
  }
  OCIStmt* q = s->prepare("select v, v from nums_f order by k");
  char text[9][48];
  long long ints[9];
  OCIDefine* d = nullptr;
  c.OCIDefineByPos(q, &d, s->err, 1, text, 48, SQLT_STR, nullptr, nullptr, nullptr, OCI_DEFAULT);
  c.OCIDefineByPos(q, &d, s->err, 2, ints, sizeof(long long), SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(c.OCIStmtExecute(s->svc, q, s->err, 9, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(cases[i].text);
    EXPECT_STREQ(text[i], cases[i].text);
    EXPECT_EQ(ints[i], cases[i].rounded);
  }
}

TEST_F(OciStatements, ConversionsOracleRefusesFailTheFetch) {
  run("create table typ (s varchar2(20), d date, big number)");
  run("insert into typ values ('abc', to_date('2024-01-05', 'YYYY-MM-DD'), 12345678901234567890)");
  struct {
    const char* expr;
    ub2 dty;
    sb4 size;
    sb4 code;
  } cases[] = {
      {"s", SQLT_INT, 4, 1722},   // invalid number
      {"d", SQLT_INT, 4, 932},    // inconsistent datatypes
      {"d", SQLT_FLT, 8, 932},
      {"big", SQLT_INT, 4, 1455}, // overflows the integer
      {"s", SQLT_DAT, 7, 932},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(std::string(t.expr) + " as " + std::to_string(t.dty));
    OCIStmt* st = s->prepare(std::string("select ") + t.expr + " from typ");
    char buf[16];
    OCIDefine* d = nullptr;
    ASSERT_EQ(c.OCIDefineByPos(st, &d, s->err, 1, buf, t.size, t.dty, nullptr, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
    EXPECT_EQ(c.OCIStmtFetch(st, s->err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
    sb4 code = 0;
    s->error(&code);
    EXPECT_EQ(code, t.code) << s->error();
    c.OCIHandleFree(st, OCI_HTYPE_STMT);
  }
}

TEST_F(OciStatements, TruncationAndNullsSetColumnCodes) {
  run("create table tn (s varchar2(20), n number(9))");
  run("insert into tn values ('abcdef', 1)");
  run("insert into tn values (null, null)");
  OCIStmt* st = s->prepare("select s, n from tn order by n");
  char text[2][4];
  int nums[2];
  sb2 ind[2];
  ub2 rlen[2], rcode[2], nrcode[2];
  OCIDefine* d1 = nullptr;
  OCIDefine* d2 = nullptr;
  ASSERT_EQ(c.OCIDefineByPos(st, &d1, s->err, 1, text, 4, SQLT_STR, ind, rlen, rcode, OCI_DEFAULT), OCI_SUCCESS);
  // No indicator for the number: its null can only be told by the column code.
  ASSERT_EQ(c.OCIDefineByPos(st, &d2, s->err, 2, nums, sizeof(int), SQLT_INT, nullptr, nullptr, nrcode, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  ASSERT_EQ(c.OCIStmtFetch(st, s->err, 2, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(s->error(), "ORA-24345: A Truncation or null fetch error occurred");
  // Row 1: cut to the buffer, with the whole length reported.
  EXPECT_STREQ(text[0], "abc");
  EXPECT_EQ(rcode[0], 1406);
  EXPECT_EQ(ind[0], 6);
  EXPECT_EQ(rlen[0], 6);
  EXPECT_EQ(nums[0], 1);
  EXPECT_EQ(nrcode[0], 0);
  // Row 2: null with an indicator, and null without one.
  EXPECT_EQ(ind[1], -1);
  EXPECT_EQ(rcode[1], 0);
  EXPECT_EQ(nrcode[1], 1405);
  EXPECT_EQ(attr4(st, OCI_ATTR_ROWS_FETCHED), 2u);
}

// ---- describe ---------------------------------------------------------------------

TEST_F(OciStatements, DescribeReportsTheSelectList) {
  run("create table dsc (n number(10,2), s varchar2(20), c char(5), d date, r raw(4), f float, "
      "x number, \"lower\" number(3))");
  OCIStmt* st = s->prepare("select * from dsc");
  ASSERT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 0, 0, nullptr, nullptr, OCI_DESCRIBE_ONLY), OCI_SUCCESS)
      << s->error();
  EXPECT_EQ(attr4(st, OCI_ATTR_PARAM_COUNT), 8u);
  struct {
    const char* name;
    ub2 type, size;
    sb2 precision;
    sb1 scale;
    ub1 nullable;
  } expect[] = {
      {"N", SQLT_NUM, 22, 10, 2, 1},   {"S", SQLT_CHR, 20, 0, 0, 1},     {"C", SQLT_AFC, 5, 0, 0, 1},
      {"D", SQLT_DAT, 7, 0, 0, 1},     {"R", SQLT_BIN, 4, 0, 0, 1},      {"F", SQLT_NUM, 22, 126, -127, 1},
      {"X", SQLT_NUM, 22, 0, -127, 1}, {"lower", SQLT_NUM, 22, 3, 0, 1},
  };
  for (ub4 pos = 1; pos <= 8; ++pos) {
    const auto& e = expect[pos - 1];
    SCOPED_TRACE(e.name);
    OCIParam* p = nullptr;
    ASSERT_EQ(c.OCIParamGet(st, OCI_HTYPE_STMT, s->err, reinterpret_cast<void**>(&p), pos), OCI_SUCCESS);
    ub2 type = 0, size = 0;
    sb2 precision = -1;
    sb1 scale = -1;
    ub1 nullable = 9;
    OraText* name = nullptr;
    ub4 len = 0;
    c.OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s->err);
    c.OCIAttrGet(p, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s->err);
    c.OCIAttrGet(p, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION, s->err);
    c.OCIAttrGet(p, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, s->err);
    c.OCIAttrGet(p, OCI_DTYPE_PARAM, &nullable, nullptr, OCI_ATTR_IS_NULL, s->err);
    c.OCIAttrGet(p, OCI_DTYPE_PARAM, &name, &len, OCI_ATTR_NAME, s->err);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name), len), e.name);
    EXPECT_EQ(type, e.type);
    EXPECT_EQ(size, e.size);
    EXPECT_EQ(precision, e.precision);
    EXPECT_EQ(scale, e.scale);
    EXPECT_EQ(nullable, e.nullable);
  }
  OCIParam* p = nullptr;
  EXPECT_EQ(c.OCIParamGet(st, OCI_HTYPE_STMT, s->err, reinterpret_cast<void**>(&p), 9), OCI_ERROR);
  // Describe only: nothing to fetch.
  EXPECT_EQ(c.OCIStmtFetch(st, s->err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
}

// ---- DML -------------------------------------------------------------------------

TEST_F(OciStatements, ArrayInsertHonoursRowOffsetIndicatorsAndLengths) {
  run("create table arr (n number(9), s varchar2(10))");
  int nums[5] = {10, 20, 30, 40, 50};
  char texts[5][10] = {"a", "bb", "ccc", "dddd", "eeeee"};
  ub2 lens[5] = {1, 2, 3, 2, 5};  // the fourth value is sent cut to two characters
  sb2 ind[5] = {0, 0, 0, -1, 0};  // the fourth number is null
  OCIStmt* st = s->prepare("insert into arr (n, s) values (:1, :2)");
  EXPECT_EQ(attr2(st, OCI_ATTR_STMT_TYPE), OCI_STMT_INSERT);
  OCIBind* b1 = nullptr;
  OCIBind* b2 = nullptr;
  ASSERT_EQ(c.OCIBindByPos(st, &b1, s->err, 1, nums, sizeof(int), SQLT_INT, ind, nullptr, nullptr, 0, nullptr,
                           OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(c.OCIBindByPos(st, &b2, s->err, 2, texts, 10, SQLT_CHR, nullptr, lens, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  // Elements 2 to 4: the iteration count is the end of the range, not its length.
  ASSERT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 5, 2, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
  EXPECT_EQ(attr4(st, OCI_ATTR_ROW_COUNT), 3u);
  EXPECT_EQ(attr2(st, OCI_ATTR_SQLFNCODE), 3);  // INSERT
  c.OCIHandleFree(st, OCI_HTYPE_STMT);

  OCIStmt* q = s->prepare("select nvl(n, -1), s from arr order by s");
  int got[4];
  char gs[4][11];
  OCIDefine* d = nullptr;
  c.OCIDefineByPos(q, &d, s->err, 1, got, sizeof(int), SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  c.OCIDefineByPos(q, &d, s->err, 2, gs, 11, SQLT_STR, nullptr, nullptr, nullptr, OCI_DEFAULT);
  EXPECT_EQ(c.OCIStmtExecute(s->svc, q, s->err, 4, 0, nullptr, nullptr, OCI_DEFAULT), OCI_NO_DATA);
  ASSERT_EQ(attr4(q, OCI_ATTR_ROWS_FETCHED), 3u);
  EXPECT_EQ(got[0], 30);
  EXPECT_STREQ(gs[0], "ccc");
  EXPECT_EQ(got[1], -1);
  EXPECT_STREQ(gs[1], "dd");
  EXPECT_EQ(got[2], 50);
  EXPECT_STREQ(gs[2], "eeeee");
}

TEST_F(OciStatements, ArrayInsertStopsAtTheFailingRowAndKeepsTheRowsBefore) {
  run("create table nn (a number(9) not null)");
  int vals[4] = {1, 2, 3, 4};
  sb2 ind[4] = {0, 0, -1, 0};
  OCIStmt* st = s->prepare("insert into nn values (:a)");
  OCIBind* b = nullptr;
  c.OCIBindByPos(st, &b, s->err, 1, vals, sizeof(int), SQLT_INT, ind, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  EXPECT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 4, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
  sb4 code = 0;
  s->error(&code);
  EXPECT_EQ(code, 1400) << s->error();
  EXPECT_EQ(attr4(st, OCI_ATTR_ROW_COUNT), 2u);
  OCIStmt* q = s->prepare("select count(*) from nn");
  int n = -1;
  OCIDefine* d = nullptr;
  c.OCIDefineByPos(q, &d, s->err, 1, &n, sizeof n, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(c.OCIStmtExecute(s->svc, q, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(n, 2);
}

TEST_F(OciStatements, BindsByNameOfEveryType) {
  run("create table bt (i number(9), f number, s varchar2(10), d date, r raw(4), l long)");
  int i = -7;
  double f = 2.5;
  char str[] = "xyz";
  unsigned char date[7] = {120, 124, 2, 29, 24, 60, 60};  // 29 February 2024 23:59:59
  unsigned char rawv[3] = {0x00, 0x7F, 0xFE};
  char longv[] = "long text";
  OCIStmt* st = s->prepare("insert into bt values (:i, :f, :s, :d, :r, :l)");
  OCIBind* b = nullptr;
  auto bind = [&](const char* name, void* v, sb4 size, ub2 dty) {
    ASSERT_EQ(c.OCIBindByName(st, &b, s->err, reinterpret_cast<const OraText*>(name), -1, v, size, dty, nullptr,
                              nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
  };
  bind(":I", &i, sizeof i, SQLT_INT);
  bind(":f", &f, sizeof f, SQLT_FLT);
  bind(":s", str, sizeof str, SQLT_STR);
  bind(":d", date, 7, SQLT_DAT);
  bind(":r", rawv, 3, SQLT_BIN);
  bind(":l", longv, 9, SQLT_LNG);
  ASSERT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();

  OCIStmt* q = s->prepare("select to_char(i), to_char(f), s, to_char(d, 'YYYY-MM-DD HH24:MI:SS'), rawtohex(r), l "
                          "from bt");
  char out[6][32];
  OCIDefine* d = nullptr;
  for (ub4 k = 0; k < 6; ++k)
    c.OCIDefineByPos(q, &d, s->err, k + 1, out[k], 32, SQLT_STR, nullptr, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(c.OCIStmtExecute(s->svc, q, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
  EXPECT_STREQ(out[0], "-7");
  EXPECT_STREQ(out[1], "2.5");
  EXPECT_STREQ(out[2], "xyz");
  EXPECT_STREQ(out[3], "2024-02-29 23:59:59");
  EXPECT_STREQ(out[4], "007FFE");
  EXPECT_STREQ(out[5], "long text");
}

TEST_F(OciStatements, BindErrorsNameThePlaceholder) {
  run("create table be (n number)");
  int v = 1;
  OCIBind* b = nullptr;
  {
    OCIStmt* st = s->prepare("insert into be values (:a)");
    EXPECT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
    EXPECT_EQ(s->error(), "ORA-01008: not all variables bound");
  }
  {
    OCIStmt* st = s->prepare("insert into be values (:a)");
    c.OCIBindByName(st, &b, s->err, reinterpret_cast<const OraText*>(":a"), 2, &v, sizeof v, SQLT_INT, nullptr,
                    nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    c.OCIBindByName(st, &b, s->err, reinterpret_cast<const OraText*>(":zz"), 3, &v, sizeof v, SQLT_INT, nullptr,
                    nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    EXPECT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
    EXPECT_EQ(s->error(), "ORA-01036: illegal variable name/number");
  }
  {
    OCIStmt* st = s->prepare("insert into be values (1)");
    EXPECT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
    EXPECT_EQ(s->error(), "ORA-24333: zero iteration count");
  }
}

TEST_F(OciStatements, RollbackUndoesAndCommitOnSuccessKeeps) {
  run("create table tx (n number)");
  run("insert into tx values (1)");
  ASSERT_EQ(c.OCITransRollback(s->svc, s->err, 0), OCI_SUCCESS);
  OCIStmt* ins = s->prepare("insert into tx values (2)");
  ASSERT_EQ(c.OCIStmtExecute(s->svc, ins, s->err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  ASSERT_EQ(c.OCITransRollback(s->svc, s->err, 0), OCI_SUCCESS);
  OCIStmt* q = s->prepare("select n from tx");
  int n[4];
  OCIDefine* d = nullptr;
  c.OCIDefineByPos(q, &d, s->err, 1, n, sizeof(int), SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  EXPECT_EQ(c.OCIStmtExecute(s->svc, q, s->err, 4, 0, nullptr, nullptr, OCI_DEFAULT), OCI_NO_DATA);
  ASSERT_EQ(attr4(q, OCI_ATTR_ROWS_FETCHED), 1u);
  EXPECT_EQ(n[0], 2);
}

TEST_F(OciStatements, FailedStatementsReportAndTheNextOneWorks) {
  OCIStmt* st = s->prepare("select * from no_such_table");
  EXPECT_EQ(attr2(st, OCI_ATTR_STMT_TYPE), OCI_STMT_SELECT);
  EXPECT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s->error(), "ORA-00942: table or view does not exist");
  EXPECT_EQ(c.OCIStmtFetch(st, s->err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s->error(), "ORA-01002: fetch out of sequence");
  // The same handle prepared again with a good text works, and the record is gone.
  fillNumbers("ok", 1);
  ASSERT_EQ(c.OCIStmtPrepare(st, s->err, reinterpret_cast<const OraText*>("select n from ok"), 16, OCI_NTV_SYNTAX,
                             OCI_DEFAULT),
            OCI_SUCCESS);
  int n = 0;
  OCIDefine* d = nullptr;
  c.OCIDefineByPos(st, &d, s->err, 1, &n, sizeof n, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  EXPECT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(s->error(), "");
  // A define beyond the select list.
  EXPECT_EQ(c.OCIDefineByPos(st, &d, s->err, 2, &n, sizeof n, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT),
            OCI_ERROR);
  EXPECT_EQ(s->error(), "ORA-01007: variable not in select list");
  // Cursor, object and reference types are not offered.
  EXPECT_EQ(c.OCIDefineByPos(st, &d, s->err, 1, &n, sizeof n, SQLT_RSET, nullptr, nullptr, nullptr, OCI_DEFAULT),
            OCI_ERROR);
  EXPECT_EQ(s->error(), "ORA-03001: unimplemented feature");
  // Garbage text fails at execute with the engine's error.
  OCIStmt* bad = s->prepare("selec 1 from dual");
  EXPECT_EQ(c.OCIStmtExecute(s->svc, bad, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s->error().substr(0, 4), "ORA-");
}

TEST_F(OciStatements, ExecuteAfterLogoffSaysNotConnected) {
  fillNumbers("t", 1);
  OCIStmt* st = s->prepare("select n from t");
  ASSERT_EQ(c.OCISessionEnd(s->svc, s->err, s->usr, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s->error(), "ORA-03114: not connected to ORACLE");
  ASSERT_EQ(c.OCIServerDetach(s->srv, s->err, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
}

// ---- LONG pieces ------------------------------------------------------------------

struct Pieces {
  std::vector<std::vector<char>> bufs;
  std::vector<ub4> lens;
  std::vector<ub1> kinds;
  sb2 ind = 99;
  size_t pieceSize = 2000;
};

sb4 pieceCallback(void* ctx, OCIDefine*, ub4, void** bufpp, ub4** alenp, ub1* piecep, void** indp, ub2** rcodep) {
  auto* p = static_cast<Pieces*>(ctx);
  p->kinds.push_back(*piecep);
  p->bufs.emplace_back(p->pieceSize);
  p->lens.push_back(static_cast<ub4>(p->pieceSize));
  *bufpp = p->bufs.back().data();
  *alenp = &p->lens.back();
  *indp = &p->ind;
  *rcodep = nullptr;
  return OCI_CONTINUE;
}

TEST_F(OciStatements, LongColumnsArriveInPiecesThroughTheCallback) {
  run("create table lg (id number, l long)");
  std::string big;
  for (int i = 0; big.size() < 5000; ++i) big += "line " + std::to_string(i) + "\n";
  big.resize(5000);
  OCIStmt* ins = s->prepare("insert into lg values (1, :l)");
  OCIBind* b = nullptr;
  c.OCIBindByName(ins, &b, s->err, reinterpret_cast<const OraText*>(":l"), 2, big.data(),
                  static_cast<sb4>(big.size()), SQLT_LNG, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(c.OCIStmtExecute(s->svc, ins, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
  run("insert into lg values (2, null)");

  OCIStmt* q = s->prepare("select l from lg order by id");
  Pieces pieces;
  sb2 ind[1];
  ub2 rlen[1];
  pieces.lens.reserve(16);  // the library writes through the length pointers it was given
  OCIDefine* d = nullptr;
  ASSERT_EQ(c.OCIDefineByPos(q, &d, s->err, 1, nullptr, 2147483647, SQLT_LNG, ind, rlen, nullptr, OCI_DYNAMIC_FETCH),
            OCI_SUCCESS);
  ASSERT_EQ(c.OCIDefineDynamic(d, s->err, &pieces, pieceCallback), OCI_SUCCESS);
  ASSERT_EQ(c.OCIStmtExecute(s->svc, q, s->err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
  ASSERT_EQ(c.OCIStmtFetch(q, s->err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS) << s->error();
  std::string got;
  for (size_t k = 0; k < pieces.bufs.size(); ++k) got.append(pieces.bufs[k].data(), pieces.lens[k]);
  EXPECT_EQ(got, big);
  EXPECT_EQ(pieces.kinds, (std::vector<ub1>{OCI_FIRST_PIECE, OCI_NEXT_PIECE, OCI_NEXT_PIECE}));
  EXPECT_EQ(pieces.lens, (std::vector<ub4>{2000, 2000, 1000}));
  EXPECT_EQ(pieces.ind, 0);
  // The null row asks for no buffer and marks the define's indicator.
  pieces = Pieces();
  pieces.lens.reserve(16);
  ASSERT_EQ(c.OCIStmtFetch(q, s->err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS) << s->error();
  EXPECT_TRUE(pieces.bufs.empty());
  EXPECT_EQ(ind[0], -1);
  EXPECT_EQ(c.OCIStmtFetch(q, s->err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
}

// ---- LOBs ----------------------------------------------------------------------------

TEST_F(OciStatements, LobLocatorsReadByCharactersAndBytes) {
  run("create table lb (id number, c clob, b blob)");
  run("insert into lb values (1, 'h\xC3\xA9llo w\xC3\xB6rld', hextoraw('00010203040506'))");
  run("insert into lb values (2, null, null)");
  OCILobLocator* locs[2][2];
  for (auto& row : locs)
    for (auto& l : row) ASSERT_EQ(c.OCIDescriptorAlloc(s->env, reinterpret_cast<void**>(&l), OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
  OCILobLocator* clobs[2] = {locs[0][0], locs[1][0]};
  OCILobLocator* blobs[2] = {locs[0][1], locs[1][1]};
  sb2 cind[2], bind_[2];
  OCIStmt* q = s->prepare("select c, b from lb order by id");
  OCIDefine* d = nullptr;
  ASSERT_EQ(c.OCIDefineByPos(q, &d, s->err, 1, clobs, sizeof(OCILobLocator*), SQLT_CLOB, cind, nullptr, nullptr,
                             OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(c.OCIDefineByPos(q, &d, s->err, 2, blobs, sizeof(OCILobLocator*), SQLT_BLOB, bind_, nullptr, nullptr,
                             OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(c.OCIStmtExecute(s->svc, q, s->err, 2, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
  EXPECT_EQ(clobs[0], locs[0][0]);  // the caller's locators are filled, not replaced
  boolean init = 0;
  ASSERT_EQ(c.OCILobLocatorIsInit(s->env, s->err, clobs[0], &init), OCI_SUCCESS);
  EXPECT_TRUE(init);
  ub4 len = 0;
  ASSERT_EQ(c.OCILobGetLength(s->svc, s->err, clobs[0], &len), OCI_SUCCESS);
  EXPECT_EQ(len, 11u);  // characters, not bytes
  char buf[64] = {0};
  ub4 amt = 5;
  // Five characters from the second on; the answer is the bytes they took.
  ASSERT_EQ(c.OCILobRead(s->svc, s->err, clobs[0], &amt, 2, buf, sizeof buf, nullptr, nullptr, 0, 1), OCI_SUCCESS);
  EXPECT_EQ(amt, 6u);
  EXPECT_EQ(std::string(buf), "\xC3\xA9llo ");
  ASSERT_EQ(c.OCILobGetLength(s->svc, s->err, blobs[0], &len), OCI_SUCCESS);
  EXPECT_EQ(len, 7u);
  amt = 100;
  ASSERT_EQ(c.OCILobRead(s->svc, s->err, blobs[0], &amt, 6, buf, sizeof buf, nullptr, nullptr, 0, 1), OCI_SUCCESS);
  EXPECT_EQ(amt, 2u);
  EXPECT_EQ(std::string(buf, 2), std::string("\x05\x06", 2));
  // A read into a small buffer stops at whole characters.
  amt = 11;
  std::memset(buf, 0, sizeof buf);
  ASSERT_EQ(c.OCILobRead(s->svc, s->err, clobs[0], &amt, 1, buf, 2, nullptr, nullptr, 0, 1), OCI_SUCCESS);
  EXPECT_EQ(amt, 1u);
  EXPECT_EQ(std::string(buf), "h");
  // Row 2: null LOBs.
  EXPECT_EQ(cind[1], -1);
  EXPECT_EQ(bind_[1], -1);
  ASSERT_EQ(c.OCILobLocatorIsInit(s->env, s->err, clobs[1], &init), OCI_SUCCESS);
  EXPECT_FALSE(init);
  EXPECT_EQ(c.OCILobGetLength(s->svc, s->err, clobs[1], &len), OCI_ERROR);
  EXPECT_EQ(c.OCILobRead(s->svc, s->err, nullptr, &amt, 1, buf, 2, nullptr, nullptr, 0, 1), OCI_INVALID_HANDLE);
}

struct Streamed {
  std::string data;
  std::vector<ub1> pieces;
};
sb4 lobPiece(void* ctx, const void* buf, ub4 len, ub1 piece) {
  auto* s = static_cast<Streamed*>(ctx);
  s->data.append(static_cast<const char*>(buf), len);
  s->pieces.push_back(piece);
  return OCI_CONTINUE;
}

TEST_F(OciStatements, LobReadStreamsThroughItsCallbackAndFilesMustBeOpen) {
  run("create table ls (id number, b blob, f bfile)");
  run("insert into ls values (1, hextoraw('000102030405060708090A'), null)");
  OCILobLocator* blob = nullptr;
  OCILobLocator* file = nullptr;
  ASSERT_EQ(c.OCIDescriptorAlloc(s->env, reinterpret_cast<void**>(&blob), OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
  ASSERT_EQ(c.OCIDescriptorAlloc(s->env, reinterpret_cast<void**>(&file), OCI_DTYPE_FILE, 0, nullptr), OCI_SUCCESS);
  sb2 bind_ = 9, find = 9;
  OCIStmt* q = s->prepare("select b, f from ls");
  OCIDefine* d = nullptr;
  c.OCIDefineByPos(q, &d, s->err, 1, &blob, sizeof blob, SQLT_BLOB, &bind_, nullptr, nullptr, OCI_DEFAULT);
  c.OCIDefineByPos(q, &d, s->err, 2, &file, sizeof file, SQLT_BFILEE, &find, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(c.OCIStmtExecute(s->svc, q, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
  Streamed got;
  char buf[4];
  ub4 amt = 0;  // everything from the offset on
  ASSERT_EQ(c.OCILobRead(s->svc, s->err, blob, &amt, 2, buf, sizeof buf, &got, lobPiece, 0, 1), OCI_SUCCESS);
  EXPECT_EQ(amt, 10u);
  EXPECT_EQ(got.data, std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A"));
  EXPECT_EQ(got.pieces, (std::vector<ub1>{OCI_FIRST_PIECE, OCI_NEXT_PIECE, OCI_LAST_PIECE}));
  // A null BFILE: nothing to open.
  EXPECT_EQ(find, -1);
  boolean open = 1;
  ASSERT_EQ(c.OCILobFileIsOpen(s->svc, s->err, file, &open), OCI_SUCCESS);
  EXPECT_FALSE(open);
  EXPECT_EQ(c.OCILobFileOpen(s->svc, s->err, file, OCI_FILE_READONLY), OCI_ERROR);
  EXPECT_EQ(s->error(), "ORA-22275: invalid LOB locator specified");
  // A BLOB locator is no file.
  EXPECT_EQ(c.OCILobFileIsOpen(s->svc, s->err, blob, &open), OCI_ERROR);
}

// ---- OCI7 cursors ----------------------------------------------------------------

class Oci7Cursor : public OciStatements {
 protected:
  Lda_Def lda{};
  ub1 hda[256] = {0};
  Cda_Def cda{};
  void SetUp() override {
    OciStatements::SetUp();
    ASSERT_EQ(logon7(c, lda, hda, cda), 0);
  }
  void TearDown() override {
    logoff7(c, lda, cda);
    OciStatements::TearDown();
  }
  sword parse(const char* sql) {
    return c.oparse(&cda, reinterpret_cast<OraText*>(const_cast<char*>(sql)), -1, 1, 2);
  }
};

TEST_F(Oci7Cursor, ArrayInsertThenFetchInBatches) {
  ASSERT_EQ(parse("create table o7 (n number(9), s varchar2(10))"), 0);
  ASSERT_EQ(c.oexec(&cda), 0);
  ASSERT_EQ(parse("insert into o7 values (:n, :s)"), 0);
  EXPECT_EQ(cda.ft, 3);
  int nums[26];
  char texts[26][8];
  for (int i = 0; i < 26; ++i) {
    nums[i] = i + 1;
    const std::string text = "r" + std::to_string(i + 1);
    std::memcpy(texts[i], text.c_str(), text.size() + 1);
  }
  ASSERT_EQ(c.obndra(&cda, reinterpret_cast<OraText*>(const_cast<char*>(":n")), -1, reinterpret_cast<ub1*>(nums),
                     sizeof(int), SQLT_INT, -1, nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(c.obndra(&cda, reinterpret_cast<OraText*>(const_cast<char*>(":s")), -1, reinterpret_cast<ub1*>(texts),
                     8, SQLT_STR, -1, nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(c.oexn(&cda, 26, 0), 0) << cda.rc;
  EXPECT_EQ(cda.rpc, 26u);
  ASSERT_EQ(c.ocom(&lda), 0);

  ASSERT_EQ(parse("select n, s from o7 order by n"), 0);
  EXPECT_EQ(cda.ft, 4);
  sb4 dbsize = 0, cbufl = 30, dsize = 0;
  sb2 dbtype = 0, prec = 0, scale = 0, nullok = 0;
  sb1 cbuf[30];
  ASSERT_EQ(c.odescr(&cda, 1, &dbsize, &dbtype, cbuf, &cbufl, &dsize, &prec, &scale, &nullok), 0);
  EXPECT_EQ(dbtype, SQLT_NUM);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(cbuf), static_cast<size_t>(cbufl)), "N");
  EXPECT_EQ(prec, 9);
  EXPECT_EQ(c.odescr(&cda, 3, &dbsize, &dbtype, cbuf, &cbufl, &dsize, &prec, &scale, &nullok), 1007);
  int got[25];
  char gs[25][8];
  sb2 ind[25];
  ub2 rlen[25], rcode[25];
  ASSERT_EQ(c.odefin(&cda, 1, reinterpret_cast<ub1*>(got), sizeof(int), SQLT_INT, -1, ind, nullptr, -1, -1, rlen,
                     rcode),
            0);
  ASSERT_EQ(c.odefin(&cda, 2, reinterpret_cast<ub1*>(gs), 8, SQLT_STR, -1, nullptr, nullptr, -1, -1, nullptr,
                     nullptr),
            0);
  ASSERT_EQ(c.oexfet(&cda, 25, 0, 0), 0);
  EXPECT_EQ(cda.rpc, 25u);
  EXPECT_EQ(got[24], 25);
  EXPECT_STREQ(gs[24], "r25");
  EXPECT_EQ(c.ofen(&cda, 25), 1403);
  EXPECT_EQ(cda.rc, 1403);
  EXPECT_EQ(cda.rpc, 26u);
  EXPECT_EQ(got[0], 26);
  EXPECT_STREQ(gs[0], "r26");
}

TEST_F(Oci7Cursor, ErrorsSetTheCursorCodeAndTheMessage) {
  EXPECT_EQ(parse("select * from missing_table"), 0);  // deferred: the error waits
  EXPECT_EQ(c.oexec(&cda), 942);
  EXPECT_EQ(cda.rc, 942);
  char buf[256];
  c.oerhms(&lda, 942, reinterpret_cast<OraText*>(buf), sizeof buf);
  EXPECT_STREQ(buf, "ORA-00942: table or view does not exist");
  // Not deferred: at once.
  EXPECT_EQ(c.oparse(&cda, reinterpret_cast<OraText*>(const_cast<char*>("select * from missing_table")), -1, 0, 2),
            942);
  // The cursor still works afterwards.
  ASSERT_EQ(parse("select 1 from dual"), 0);
  int one = 0;
  ASSERT_EQ(c.odefin(&cda, 1, reinterpret_cast<ub1*>(&one), sizeof one, SQLT_INT, -1, nullptr, nullptr, -1, -1,
                     nullptr, nullptr),
            0);
  EXPECT_EQ(c.oexfet(&cda, 1, 0, 0), 0);
  EXPECT_EQ(one, 1);
  // A cursor area the library never opened.
  Cda_Def junk;
  std::memset(&junk, 0x33, sizeof junk);
  EXPECT_EQ(c.oexec(&junk), 1001);
}

TEST_F(Oci7Cursor, AutoCommitMakesWorkVisibleToOtherSessions) {
  run("create table ac (n number)");
  auto countFromOci8 = [&] {
    OCIStmt* q = s->prepare("select count(*) from ac");
    int n = -1;
    OCIDefine* d = nullptr;
    c.OCIDefineByPos(q, &d, s->err, 1, &n, sizeof n, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
    EXPECT_EQ(c.OCIStmtExecute(s->svc, q, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
    c.OCIHandleFree(q, OCI_HTYPE_STMT);
    return n;
  };
  ASSERT_EQ(parse("insert into ac values (1)"), 0);
  ASSERT_EQ(c.oexec(&cda), 0);
  EXPECT_EQ(cda.rpc, 1u);
  EXPECT_EQ(countFromOci8(), 0);  // not committed yet
  ASSERT_EQ(c.orol(&lda), 0);
  ASSERT_EQ(c.ocon(&lda), 0);
  ASSERT_EQ(c.oexec(&cda), 0);
  EXPECT_EQ(countFromOci8(), 1);
  ASSERT_EQ(c.ocof(&lda), 0);
  ASSERT_EQ(c.oexec(&cda), 0);
  ASSERT_EQ(c.orol(&lda), 0);
  EXPECT_EQ(countFromOci8(), 1);
}

TEST_F(OciStatements, BreakWithNothingRunningLeavesTheSessionUsable) {
  ASSERT_EQ(c.OCIBreak(s->svc, s->err), OCI_SUCCESS) << s->error();
  fillNumbers("after_break", 3);
  OCIStmt* q = s->prepare("select n from after_break");
  int n[3];
  OCIDefine* d = nullptr;
  c.OCIDefineByPos(q, &d, s->err, 1, n, sizeof(int), SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  EXPECT_EQ(c.OCIStmtExecute(s->svc, q, s->err, 3, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
  OCIServer* loose = nullptr;
  c.OCIHandleAlloc(s->env, reinterpret_cast<void**>(&loose), OCI_HTYPE_SERVER, 0, nullptr);
  EXPECT_EQ(c.OCIBreak(loose, s->err), OCI_ERROR);
  EXPECT_EQ(s->error(), "ORA-03114: not connected to ORACLE");
}

TEST_F(Oci7Cursor, CutValuesAndNullsWithoutIndicatorSetTheReturnCode) {
  ASSERT_EQ(parse("create table o7t (k number, s varchar2(10))"), 0);
  ASSERT_EQ(c.oexec(&cda), 0);
  ASSERT_EQ(parse("insert into o7t values (1, 'abcdef')"), 0);
  ASSERT_EQ(c.oexec(&cda), 0);
  ASSERT_EQ(parse("insert into o7t values (2, null)"), 0);
  ASSERT_EQ(c.oexec(&cda), 0);
  ASSERT_EQ(parse("select s from o7t order by k"), 0);
  char buf[4];
  ub2 rlen = 0, rcode = 0;
  ASSERT_EQ(c.odefin(&cda, 1, reinterpret_cast<ub1*>(buf), sizeof buf, SQLT_STR, -1, nullptr, nullptr, -1, -1, &rlen,
                     &rcode),
            0);
  EXPECT_EQ(c.oexfet(&cda, 1, 0, 0), 1406);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(rcode, 1406);
  EXPECT_EQ(rlen, 3);  // OCI7 reports what it wrote
  EXPECT_EQ(c.ofen(&cda, 1), 1405);
  EXPECT_EQ(rcode, 1405);
  EXPECT_EQ(c.ofen(&cda, 1), 1403);
}

TEST_F(Oci7Cursor, LongValuesReadWithOflng) {
  run("create table o7l (l long)");
  std::string big(5000, 'x');
  for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>('a' + i % 26);
  // More than one literal holds: two TO_CLOB pieces, which the stand-in
  // takes into a LONG column.
  run("insert into o7l values (TO_CLOB('" + big.substr(0, 2500) + "') || TO_CLOB('" + big.substr(2500) + "'))");
  ASSERT_EQ(c.OCITransCommit(s->svc, s->err, 0), OCI_SUCCESS);  // the LDA is another session
  ASSERT_EQ(parse("select l from o7l"), 0);
  char first[2000];
  ub2 rlen = 0;
  ASSERT_EQ(c.odefin(&cda, 1, reinterpret_cast<ub1*>(first), sizeof first, SQLT_LNG, -1, nullptr, nullptr, -1, -1,
                     &rlen, nullptr),
            0);
  // The define holds the first 2000 bytes; the rest is read with oflng.
  EXPECT_EQ(c.oexfet(&cda, 1, 0, 0), 0);
  EXPECT_EQ(rlen, 2000);
  EXPECT_TRUE(std::string(first, 2000) == big.substr(0, 2000));
  std::vector<char> rest(4000);
  ub4 retl = 0;
  ASSERT_EQ(c.oflng(&cda, 1, reinterpret_cast<ub1*>(rest.data()), 4000, SQLT_LNG, &retl, 2000), 0);
  EXPECT_EQ(retl, 3000u);
  EXPECT_EQ(std::string(rest.data(), retl), big.substr(2000));
}

}  // namespace
