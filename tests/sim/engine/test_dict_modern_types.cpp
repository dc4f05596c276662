// The later scalar types in the stand-in: their columns as 19c's dictionary
// and describes show them, their values stored exactly, and the values and
// declarations Oracle refuses refused with its errors.
#include "core_fixture.h"

namespace ocisim::testing {
namespace {

class ModernTypes : public CoreTest {};

TEST_F(ModernTypes, ColumnsAreDescribedAsTheDictionaryOf19cShowsThem) {
  struct Case {
    const char* declared;
    const char* row;  // DATA_TYPE|DATA_LENGTH|DATA_PRECISION|DATA_SCALE
    SqlType described;
  };
  const Case cases[] = {
      {"TIMESTAMP", "TIMESTAMP(6)|11|<null>|6", SqlType::Timestamp},
      {"TIMESTAMP(0)", "TIMESTAMP(0)|11|<null>|0", SqlType::Timestamp},
      {"TIMESTAMP(3) WITH TIME ZONE", "TIMESTAMP(3) WITH TIME ZONE|13|<null>|3", SqlType::TimestampTz},
      {"TIMESTAMP WITH LOCAL TIME ZONE", "TIMESTAMP(6) WITH LOCAL TIME ZONE|11|<null>|6", SqlType::TimestampLtz},
      {"INTERVAL YEAR TO MONTH", "INTERVAL YEAR(2) TO MONTH|5|2|0", SqlType::IntervalYM},
      {"INTERVAL YEAR(9) TO MONTH", "INTERVAL YEAR(9) TO MONTH|5|9|0", SqlType::IntervalYM},
      {"INTERVAL DAY TO SECOND", "INTERVAL DAY(2) TO SECOND(6)|11|2|6", SqlType::IntervalDS},
      {"INTERVAL DAY(4) TO SECOND(0)", "INTERVAL DAY(4) TO SECOND(0)|11|4|0", SqlType::IntervalDS},
      {"BINARY_FLOAT", "BINARY_FLOAT|4|<null>|<null>", SqlType::BinaryFloat},
      {"BINARY_DOUBLE", "BINARY_DOUBLE|8|<null>|<null>", SqlType::BinaryDouble},
      {"UROWID", "UROWID|4000|<null>|<null>", SqlType::URowId},
      {"UROWID(100)", "UROWID|100|<null>|<null>", SqlType::URowId},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.declared);
    exec(std::string("CREATE TABLE T (V ") + c.declared + ")");
    EXPECT_EQ(one("SELECT DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE FROM USER_TAB_COLUMNS "
                  "WHERE TABLE_NAME = 'T'"),
              c.row);
    auto st = conn_->prepare("SELECT V FROM T");
    ASSERT_EQ(st->describe().size(), 1u);
    EXPECT_EQ(st->describe()[0].type, c.described);
    exec("DROP TABLE T");
  }
  exec("CREATE TABLE N (A NVARCHAR2(5), B NCHAR(2), C NCLOB, D VARCHAR2(5))");
  auto st = conn_->prepare("SELECT A, B, C, D FROM N");
  const auto& cols = st->describe();
  EXPECT_TRUE(cols[0].national && cols[1].national && cols[2].national);
  EXPECT_FALSE(cols[3].national);
}

TEST_F(ModernTypes, ValuesAreStoredExactlyAndConvertedForTheirColumn) {
  exec("CREATE TABLE T (TS TIMESTAMP(3), TZ TIMESTAMP(9) WITH TIME ZONE, LTZ TIMESTAMP WITH LOCAL TIME ZONE, "
       "YM INTERVAL YEAR(3) TO MONTH, DS INTERVAL DAY(3) TO SECOND(2), BF BINARY_FLOAT, BD BINARY_DOUBLE)");
  run("INSERT INTO T VALUES (TIMESTAMP '2024-12-31 23:59:59.9996', TIMESTAMP '2024-01-01 00:00:00.000000001 -05:30', "
      "TIMESTAMP '2024-01-01 02:00:00 +05:00', INTERVAL '-12-7' YEAR(2) TO MONTH, "
      "TO_DSINTERVAL('-3 04:05:06.789'), 0.1f, -0d)");
  // The fraction is rounded to the column's precision, into the next year here;
  // a local time zone value is moved to the session's zone (UTC).
  EXPECT_EQ(one("SELECT TS, TZ, LTZ, YM, DS, BF, BD FROM T"),
            "2025-01-01 00:00:00.000000000|2024-01-01 00:00:00.000000001 -05:30|"
            "2023-12-31 21:00:00.000000000|-12-07|-3 04:05:06.790000000|0.1|-0");
  run("UPDATE T SET BF = BINARY_FLOAT_NAN, BD = -BINARY_DOUBLE_INFINITY, "
      "TS = TO_TIMESTAMP('31.12.1999 23.59.58,5', 'DD.MM.YYYY HH24.MI.SSXFF'), "
      "TZ = TO_TIMESTAMP_TZ('2000-02-29 12:00:00 Asia/Kolkata', 'YYYY-MM-DD HH24:MI:SS TZR')");
  EXPECT_EQ(one("SELECT BF, BD, TS, TZ FROM T"),
            "NaN|-Inf|1999-12-31 23:59:58.500000000|2000-02-29 12:00:00.000000000 Asia/Kolkata");
  EXPECT_EQ(one("SELECT UNISTR('\\00e9\\d83d\\de00\\\\'), UTL_RAW.CAST_TO_RAW('AB'), N'x' FROM DUAL"),
            "\xC3\xA9\xF0\x9F\x98\x80\\|0x4142|x");
  exec("CREATE TABLE D (V DATE)");
  run("INSERT INTO D VALUES (TO_DATE('-0044-03-15 12:00:00', 'SYYYY-MM-DD HH24:MI:SS'))");
  EXPECT_EQ(one("SELECT TO_CHAR(V, 'SYYYY-MM-DD HH24:MI:SS') FROM D"), "-0044-03-15 12:00:00");
}

TEST_F(ModernTypes, WhatOracleRefusesIsRefusedWithItsError) {
  exec("CREATE TABLE T (TS TIMESTAMP, TZ TIMESTAMP WITH TIME ZONE, YM INTERVAL YEAR(2) TO MONTH, "
       "DS INTERVAL DAY(2) TO SECOND, BD BINARY_DOUBLE)");
  struct Case {
    const char* sql;
    int code;
  };
  const Case cases[] = {
      {"INSERT INTO T (TS) VALUES (TIMESTAMP '2024-00-10 00:00:00')", 1843},
      {"INSERT INTO T (TS) VALUES (TIMESTAMP '2024-04-31 00:00:00')", 1847},
      {"INSERT INTO T (TS) VALUES (TIMESTAMP '2024-04-30 25:00:00')", 1850},
      {"INSERT INTO T (TS) VALUES (TIMESTAMP '2024/04/30')", 1861},
      {"INSERT INTO T (TZ) VALUES (TIMESTAMP '2024-04-30 10:00:00 +14:30')", 1857},
      {"INSERT INTO T (TZ) VALUES (TIMESTAMP '2024-04-30 10:00:00 Nowhere/Town')", 1882},
      {"INSERT INTO T (YM) VALUES (INTERVAL '100-0' YEAR(3) TO MONTH)", 1873},
      {"INSERT INTO T (YM) VALUES (INTERVAL '1-12' YEAR TO MONTH)", 1843},
      {"INSERT INTO T (DS) VALUES (INTERVAL '1 10:61:00' DAY TO SECOND)", 1851},
      {"INSERT INTO T (DS) VALUES (TO_DSINTERVAL('1 day'))", 1867},
      {"INSERT INTO T (BD) VALUES ('many')", 1722},
      {"CREATE TABLE U (V TIMESTAMP(10))", 30088},
      {"CREATE TABLE U (V INTERVAL DAY(10) TO SECOND)", 30088},
      {"SELECT UNISTR('\\12') FROM DUAL", 30186},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(errorOf(c.sql), c.code);
  }
  EXPECT_EQ(one("SELECT COUNT(*) FROM T"), "0");
}

}  // namespace
}  // namespace ocisim::testing
