// Values of the later scalar types: TIMESTAMP [WITH [LOCAL] TIME ZONE],
// INTERVAL, BINARY_FLOAT / BINARY_DOUBLE, national texts, UROWID and dates
// before Christ.  Each literal form is checked against the text expected
// and against the value the stand-in reads back from it; a schema holding
// every type, its extremes and a NOT NULL TIMESTAMP column survives the
// round trip with the same dictionary and rows.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "roundtrip_support.h"
#include "script/value_literals.h"

namespace {

using writers_test::Exec;

TOracleTimestamp Ts(int y, int mo, int d, int h, int mi, int s, int32_t nanos) {
  TOracleTimestamp t;
  t.Year = y, t.Month = mo, t.Day = d, t.Hour = h, t.Minute = mi, t.Second = s, t.Nanoseconds = nanos;
  return t;
}

TOracleTimestamp Zoned(TOracleTimestamp t, int tzHour, int tzMinute, const std::string& region = "") {
  t.HasZone = true;
  t.TzHour = tzHour;
  t.TzMinute = tzMinute;
  t.TzRegion = region;
  return t;
}

bool Same(const TOracleTimestamp& a, const TOracleTimestamp& b) {
  return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day && a.Hour == b.Hour && a.Minute == b.Minute &&
         a.Second == b.Second && a.Nanoseconds == b.Nanoseconds && a.HasZone == b.HasZone &&
         (!a.HasZone || (a.TzRegion == b.TzRegion && (!a.TzRegion.empty() || (a.TzHour == b.TzHour && a.TzMinute == b.TzMinute))));
}

// Inserts one literal into a one-column table of the given type and reads
// the query back positioned on its row.
void LoadOne(writers_test::WritersDb& db, TOracleQuery& q, const std::string& type, const std::string& literal) {
  TOracleSession& s = db.Session();
  Exec(s, "CREATE TABLE ONE (V " + type + ")");
  Exec(s, "INSERT INTO ONE (V) VALUES (" + literal + ")");
  q.SetSQLText("SELECT V FROM ONE");
  q.Execute();
}

void DropOne(writers_test::WritersDb& db) { Exec(db.Session(), "DROP TABLE ONE"); }

TEST(ModernLiterals, TimestampsKeepEveryDigitAndTheirZone) {
  struct Case {
    const char* type;
    TOracleTimestamp value;
    const char* literal;
  };
  const Case cases[] = {
      {"TIMESTAMP(9)", Ts(2024, 2, 29, 23, 59, 59, 123456789), "TIMESTAMP '2024-02-29 23:59:59.123456789'"},
      {"TIMESTAMP(6)", Ts(1, 1, 1, 0, 0, 0, 0), "TIMESTAMP '0001-01-01 00:00:00'"},
      {"TIMESTAMP(3)", Ts(9999, 12, 31, 23, 59, 59, 500000000), "TIMESTAMP '9999-12-31 23:59:59.5'"},
      {"TIMESTAMP(9)", Ts(-4712, 1, 1, 12, 0, 0, 1),
       "TO_TIMESTAMP('-4712-01-01 12:00:00.000000001', 'SYYYY-MM-DD HH24:MI:SS.FF9')"},
      {"TIMESTAMP(9) WITH TIME ZONE", Zoned(Ts(2024, 1, 1, 10, 0, 0, 120000000), 14, 0),
       "TIMESTAMP '2024-01-01 10:00:00.12 +14:00'"},
      {"TIMESTAMP(0) WITH TIME ZONE", Zoned(Ts(2024, 6, 30, 1, 2, 3, 0), -12, 0),
       "TIMESTAMP '2024-06-30 01:02:03 -12:00'"},
      {"TIMESTAMP WITH TIME ZONE", Zoned(Ts(2024, 6, 30, 1, 2, 3, 0), -3, -30),
       "TIMESTAMP '2024-06-30 01:02:03 -03:30'"},
      {"TIMESTAMP WITH TIME ZONE", Zoned(Ts(2024, 3, 1, 8, 0, 0, 250000), 1, 0, "Europe/Paris"),
       "TIMESTAMP '2024-03-01 08:00:00.00025 Europe/Paris'"},
      {"TIMESTAMP(9) WITH TIME ZONE", Zoned(Ts(-100, 3, 1, 8, 0, 0, 5), 5, 30),
       "TO_TIMESTAMP_TZ('-0100-03-01 08:00:00.000000005 +05:30', 'SYYYY-MM-DD HH24:MI:SS.FF9 TZH:TZM')"},
      // A session in UTC reads a local time zone value with its offset.
      {"TIMESTAMP(6) WITH LOCAL TIME ZONE", Zoned(Ts(2024, 1, 1, 15, 0, 0, 654321000), 0, 0),
       "TIMESTAMP '2024-01-01 15:00:00.654321 +00:00'"},
  };
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.literal);
    EXPECT_EQ(tarlow::TimestampLiteral(c.value), c.literal);
    TOracleQuery q(&db.Session());
    LoadOne(db, q, c.type, c.literal);
    ASSERT_FALSE(q.Eof());
    EXPECT_TRUE(Same(q.FieldAsTimestamp(0), c.value)) << oraconv::TimestampToText(q.FieldAsTimestamp(0));
    EXPECT_EQ(tarlow::TimestampLiteral(q.FieldAsTimestamp(0)), c.literal);
    q.Close();
    DropOne(db);
  }
}

TEST(ModernLiterals, IntervalsKeepTheirSignAndFraction) {
  struct Case {
    const char* type;
    TOracleInterval value;
    const char* literal;
  };
  auto ym = [](int64_t y, int64_t m) {
    TOracleInterval v;
    v.Years = y, v.Months = m;
    return v;
  };
  auto ds = [](int64_t d, int64_t h, int64_t mi, int64_t s, int64_t n) {
    TOracleInterval v;
    v.YearToMonth = false;
    v.Days = d, v.Hours = h, v.Minutes = mi, v.Seconds = s, v.Nanoseconds = n;
    return v;
  };
  const Case cases[] = {
      {"INTERVAL YEAR TO MONTH", ym(2, 3), "INTERVAL '2-03' YEAR(9) TO MONTH"},
      {"INTERVAL YEAR(9) TO MONTH", ym(-123456789, -11), "INTERVAL '-123456789-11' YEAR(9) TO MONTH"},
      {"INTERVAL YEAR(2) TO MONTH", ym(0, -6), "INTERVAL '-0-06' YEAR(9) TO MONTH"},
      {"INTERVAL DAY TO SECOND", ds(3, 4, 5, 6, 700000000), "INTERVAL '3 04:05:06.7' DAY(9) TO SECOND(9)"},
      {"INTERVAL DAY(9) TO SECOND(9)", ds(-999999999, -23, -59, -59, -999999999),
       "INTERVAL '-999999999 23:59:59.999999999' DAY(9) TO SECOND(9)"},
      {"INTERVAL DAY(2) TO SECOND(0)", ds(0, 0, 0, -1, 0), "INTERVAL '-0 00:00:01' DAY(9) TO SECOND(9)"},
  };
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.literal);
    EXPECT_EQ(tarlow::IntervalLiteral(c.value), c.literal);
    TOracleQuery q(&db.Session());
    LoadOne(db, q, c.type, c.literal);
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(tarlow::IntervalLiteral(q.FieldAsInterval(0)), c.literal);
    q.Close();
    DropOne(db);
  }
}

TEST(ModernLiterals, BinaryFloatsRoundTripExactly) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    bool single;
    double value;
    const char* literal;
  };
  const Case cases[] = {
      {false, 0.1, "0.1d"},
      {false, -0.0, "-0d"},
      {false, 1.7976931348623157e308, "1.7976931348623157e+308d"},
      {false, 4.9406564584124654e-324, "5e-324d"},
      {false, inf, "BINARY_DOUBLE_INFINITY"},
      {false, -inf, "-BINARY_DOUBLE_INFINITY"},
      {false, std::nan(""), "BINARY_DOUBLE_NAN"},
      {true, double(0.1f), "0.1f"},
      {true, double(3.4028235e38f), "3.4028235e+38f"},
      {true, -inf, "-BINARY_FLOAT_INFINITY"},
      {true, std::nan(""), "BINARY_FLOAT_NAN"},
  };
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.literal);
    EXPECT_EQ(tarlow::BinaryFloatLiteral(c.value, c.single), c.literal);
    TOracleQuery q(&db.Session());
    LoadOne(db, q, c.single ? "BINARY_FLOAT" : "BINARY_DOUBLE", c.literal);
    ASSERT_FALSE(q.Eof());
    const double back = q.FieldAsFloat(0);
    if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(back));
    } else {
      EXPECT_EQ(back, c.value);
      EXPECT_EQ(std::signbit(back), std::signbit(c.value));
    }
    q.Close();
    DropOne(db);
  }
}

TEST(ModernLiterals, NationalTextsAndDatesBeforeChrist) {
  struct Case {
    const char* type;
    std::string value;
    std::string literal;
  };
  const Case cases[] = {
      {"NVARCHAR2(40)", "caf\xC3\xA9", "UNISTR('caf\\00E9')"},
      {"NVARCHAR2(40)", "\xE4\xB8\xAD'&\\\xF0\x9F\x98\x80", "UNISTR('\\4E2D\\0027\\0026\\005C\\D83D\\DE00')"},
      {"NCHAR(3)", "\xCE\xB1\xCE\xB2\xCE\xB3", "UNISTR('\\03B1\\03B2\\03B3')"},
      {"NVARCHAR2(40)", "a\r\nb", "UNISTR('a\\000D\\000Ab')"},
  };
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.literal);
    EXPECT_TRUE(tarlow::NeedsUnistr(c.value) || c.value.find('\r') != std::string::npos);
    EXPECT_EQ(tarlow::UnistrLiteral(c.value), c.literal);
    TOracleQuery q(&db.Session());
    q.SetExactValues(true);
    LoadOne(db, q, c.type, c.literal);
    ASSERT_FALSE(q.Eof());
    EXPECT_TRUE(q.FieldIsNational(0));
    EXPECT_EQ(q.FieldAsText(0), c.value);
    q.Close();
    DropOne(db);
  }
  // A long value is cut into pieces on lines of their own.
  std::string many;
  for (int i = 0; i < 1500; ++i) many += "\xC3\xA9";
  const std::string literal = tarlow::UnistrLiteral(many, "TO_NCLOB");
  EXPECT_NE(literal.find("'))||\r\nTO_NCLOB(UNISTR('"), std::string::npos);
  for (size_t at = 0, next; at < literal.size(); at = next + 2) {
    next = literal.find("\r\n", at);
    if (next == std::string::npos) next = literal.size();
    EXPECT_LE(next - at, 1100u);
  }

  oraconv::DateParts bc;
  bc.year = -4712, bc.month = 1, bc.day = 1, bc.hour = 13, bc.minute = 5, bc.second = 9;
  const std::string date = tarlow::SignedDateLiteral(bc);
  EXPECT_EQ(date, "TO_DATE('-4712-01-01 13:05:09', 'SYYYY-MM-DD HH24:MI:SS')");
  TOracleQuery q(&db.Session());
  LoadOne(db, q, "DATE", date);
  ASSERT_FALSE(q.Eof());
  const oraconv::DateParts back = q.FieldAsDateParts(0);
  EXPECT_EQ(back.year, -4712);
  EXPECT_EQ(back.hour, 13);
  EXPECT_EQ(back.second, 9);
}

TEST(ModernLiterals, ValuesTheStandInCannotHoldAreRefused) {
  struct Case {
    const char* type;
    const char* literal;
    const char* error;
  };
  const Case cases[] = {
      {"TIMESTAMP", "TIMESTAMP '2024-13-01 00:00:00'", "ORA-01843"},
      {"TIMESTAMP", "TIMESTAMP '2023-02-29 00:00:00'", "ORA-01847"},
      {"TIMESTAMP", "TIMESTAMP '2024-01-01 24:00:00'", "ORA-01850"},
      {"TIMESTAMP", "TIMESTAMP '2024-01-01 10:60:00'", "ORA-01851"},
      {"TIMESTAMP WITH TIME ZONE", "TIMESTAMP '2024-01-01 10:00:00 +16:00'", "ORA-01874"},
      {"TIMESTAMP WITH TIME ZONE", "TIMESTAMP '2024-01-01 10:00:00 Mars/Olympus'", "ORA-01882"},
      {"INTERVAL YEAR(2) TO MONTH", "INTERVAL '123-1' YEAR(3) TO MONTH", "ORA-01873"},
      {"INTERVAL DAY(2) TO SECOND", "INTERVAL '1 25:00:00' DAY TO SECOND", "ORA-01850"},
      {"INTERVAL DAY(2) TO SECOND", "INTERVAL 'x' DAY TO SECOND", "ORA-01867"},
      {"TIMESTAMP(10)", "NULL", "ORA-30088"},
      {"BINARY_DOUBLE", "'twelve'", "ORA-01722"},
  };
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.literal);
    std::string error = db.RunText(std::string("CREATE TABLE ONE (V ") + c.type + ");\nINSERT INTO ONE VALUES (" +
                                   c.literal + ");\nDROP TABLE ONE;\n");
    TOracleQuery q(&db.Session());
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    if (std::string(c.error) == "ORA-30088") continue;
    q.SetSQLText("SELECT COUNT(*) FROM USER_TABLES WHERE TABLE_NAME = 'ONE'");
    q.Execute();
    EXPECT_EQ(q.FieldAsInteger(0), 0);
  }
}

TEST(ModernTypes, EveryTypeAndItsExtremesSurviveTheRoundTrip) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  const std::string failed = db.RunText(R"(
CREATE TABLE modern (
  id NUMBER CONSTRAINT modern_pk PRIMARY KEY,
  made TIMESTAMP(9) NOT NULL,
  zoned TIMESTAMP(3) WITH TIME ZONE,
  here TIMESTAMP WITH LOCAL TIME ZONE,
  span_ym INTERVAL YEAR(4) TO MONTH,
  span_ds INTERVAL DAY(5) TO SECOND(9),
  bf BINARY_FLOAT,
  bd BINARY_DOUBLE,
  nv NVARCHAR2(50),
  nc NCHAR(4),
  ncl NCLOB,
  ur UROWID,
  born DATE
);
CREATE TABLE child (id NUMBER CONSTRAINT child_pk PRIMARY KEY,
  modern_id NUMBER CONSTRAINT child_modern_fk REFERENCES modern);
INSERT INTO modern VALUES (1, TIMESTAMP '2024-02-29 23:59:59.123456789', TIMESTAMP '2024-01-01 10:00:00.125 +14:00',
  TIMESTAMP '2024-01-01 10:00:00.5 -05:00', INTERVAL '-1234-11' YEAR(4) TO MONTH,
  INTERVAL '-12345 23:59:59.999999999' DAY(5) TO SECOND(9), BINARY_FLOAT_NAN, -0d,
  UNISTR('caf\00e9 \4e2d\6587 \d83d\de00 ''&'), UNISTR('\03b1\03b2'), TO_NCLOB(UNISTR('\0416\0416 long')),
  'AAAAB0AABAAAAEPAAA', TO_DATE('-4712-01-01 00:00:00', 'SYYYY-MM-DD HH24:MI:SS'));
INSERT INTO modern VALUES (2, TIMESTAMP '0001-01-01 00:00:00', TIMESTAMP '2024-06-30 12:00:00 -12:00',
  NULL, INTERVAL '0-0' YEAR TO MONTH, INTERVAL '0 00:00:00.000000001' DAY TO SECOND(9), -BINARY_FLOAT_INFINITY,
  BINARY_DOUBLE_INFINITY, N'plain', NULL, NULL, NULL, TO_DATE('2024-01-31 13:14:15', 'YYYY-MM-DD HH24:MI:SS'));
INSERT INTO modern VALUES (3, TIMESTAMP '9999-12-31 23:59:59.999999999', TIMESTAMP '2024-03-01 08:00:00 Europe/Paris',
  NULL, NULL, NULL, 0.1f, 0.1d, NULL, NULL, NULL, NULL, TO_DATE('-0044-03-15 12:00:00', 'SYYYY-MM-DD HH24:MI:SS'));
INSERT INTO modern VALUES (4, TIMESTAMP '2000-01-01 00:00:00', NULL, NULL, NULL, NULL, 3.4028235e38f,
  -BINARY_DOUBLE_INFINITY, NULL, NULL, NULL, NULL, NULL);
INSERT INTO modern VALUES (5, TIMESTAMP '2000-01-01 00:00:00', NULL, NULL, NULL, NULL, NULL, BINARY_DOUBLE_NAN,
  NULL, NULL, NULL, NULL, NULL);
INSERT INTO child VALUES (10, 1);
INSERT INTO child VALUES (11, 3);
COMMIT;
)");
  ASSERT_EQ(failed, "");
  const std::string script =
      writers_test::ExpectRoundTrip(db, "modern_types", writers_test::TickAllButDrops,
                                    {{"char columns", "SELECT TABLE_NAME, COLUMN_NAME, CHAR_LENGTH, CHAR_USED FROM "
                                                      "USER_TAB_COLUMNS ORDER BY TABLE_NAME, COLUMN_ID"}});
  // Every row is scripted: none of the values is left out as NULL.
  EXPECT_NE(script.find("TIMESTAMP '2024-02-29 23:59:59.123456789'"), std::string::npos);
  EXPECT_NE(script.find("BINARY_FLOAT_NAN"), std::string::npos);
  EXPECT_NE(script.find("UNISTR('caf\\00E9"), std::string::npos);
  EXPECT_EQ(script.find("cannot be scripted"), std::string::npos);
}

}  // namespace
