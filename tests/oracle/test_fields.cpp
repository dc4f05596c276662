// The value conversions behind the getters: Oracle's DATE, date-times, the
// text of numbers and dates, line breaks, and parsing of string columns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "oracle/errors.h"
#include "oracle/fields.h"

namespace {

using namespace oraconv;

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EOracleException& e) {
    return e.what();
  }
  return "(no exception)";
}

struct DateCase {
  unsigned char bytes[7];
  double dateTime;
};

TEST(OracleDate, ConvertsBothWays) {
  const DateCase cases[] = {
      {{120, 100, 1, 1, 1, 1, 1}, 36526.0},                                  // 1 Jan 2000 midnight
      {{120, 100, 1, 1, 14, 6, 10}, 36526.0 + (13 * 3600 + 5 * 60 + 9) / 86400.0},  // 13:05:09
      {{119, 100, 1, 2, 13, 1, 1}, 3.5},                                     // 2 Jan 1900 12:00
      {{118, 199, 12, 30, 1, 1, 1}, 0.0},                                    // the epoch
      {{118, 199, 12, 29, 7, 1, 1}, -1.25},  // the day before, 06:00: time carried away from zero
      {{100, 101, 1, 1, 1, 1, 1}, -693593.0},                                // 1 Jan 0001
      {{199, 199, 12, 31, 24, 60, 60}, 2958465.0 + 86399 / 86400.0},         // 31 Dec 9999 23:59:59
  };
  for (const DateCase& c : cases) {
    SCOPED_TRACE(c.dateTime);
    EXPECT_NEAR(OracleDateToDateTime(c.bytes), c.dateTime, 1e-9);
    unsigned char back[7] = {};
    DateTimeToOracleDate(c.dateTime, back);
    EXPECT_EQ(0, std::memcmp(back, c.bytes, 7));
  }
}

TEST(OracleDate, RejectsWhatCannotBeEncoded) {
  const struct {
    unsigned char bytes[7];
    const char* message;
  } cases[] = {
      {{100, 100, 1, 1, 1, 1, 1}, "Invalid argument to date encode"},  // year 0
      {{99, 150, 1, 1, 1, 1, 1}, "Invalid argument to date encode"},   // before Christ
      {{120, 101, 2, 30, 1, 1, 1}, "Invalid argument to date encode"},  // 30 February 2001
      {{120, 100, 13, 1, 1, 1, 1}, "Invalid argument to date encode"},
      {{120, 100, 1, 1, 25, 1, 1}, "Invalid argument to time encode"},  // hour 24
      {{120, 100, 1, 1, 1, 61, 1}, "Invalid argument to time encode"},
      {{120, 100, 1, 1, 0, 1, 1}, "Invalid argument to time encode"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MessageOf([&] { OracleDateToDateTime(c.bytes); }), c.message);
}

TEST(OracleDate, DropsMillisecondsAndSurvivesRounding) {
  unsigned char b[7];
  // 13:00:00 as a sum of floating fractions is a hair below or above the hour.
  DateTimeToOracleDate(36526.0 + 13.0 / 24.0 + 0.4 / 86400.0, b);
  const unsigned char want[7] = {120, 100, 1, 1, 14, 1, 1};
  EXPECT_EQ(0, std::memcmp(b, want, 7));
  DateTimeToOracleDate(36526.0 + 13.0 / 24.0 - 1e-12, b);
  EXPECT_EQ(0, std::memcmp(b, want, 7));
}

TEST(FloatText, GeneralFormatWithFifteenDigits) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {1, "1"},
      {-2.5, "-2.5"},
      {3.10, "3.1"},
      {0.1 + 0.2, "0.3"},
      {1234567890, "1234567890"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {12345678901234567890.0, "1.23456789012346E19"},
      {1e27, "1E27"},
      {1e20, "1E20"},
      {0.00001, "0.00001"},
      {0.000012345, "0.000012345"},
      {0.0000015, "1.5E-6"},
      {1.5e-7, "1.5E-7"},
      {-1.5e-7, "-1.5E-7"},
      {2.0 / 3.0, "0.666666666666667"},
      {99999999999999.98, "100000000000000"},  // rounding to 15 digits carries
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToText(c.value, '.'), c.text) << c.value;
}

TEST(FloatText, UsesTheLocaleDecimalSeparator) {
  EXPECT_EQ(FloatToText(3.25, ','), "3,25");
  EXPECT_EQ(FloatToText(1.5e-7, ','), "1,5E-7");
  EXPECT_EQ(FloatToText(12, ','), "12");
}

TEST(DateText, ShortDateAloneAtMidnight) {
  TOracleFormats f;
  f.ShortDateFormat = "dd/mm/yyyy";
  f.LongTimeFormat = "hh:nn:ss";
  EXPECT_EQ(DateTimeToText(36526.0, f), "01/01/2000");
  EXPECT_EQ(DateTimeToText(36526.0 + (13 * 3600 + 5 * 60 + 9) / 86400.0, f), "01/01/2000 13:05:09");
  EXPECT_EQ(DateTimeToText(36526.0 + 1 / 86400.0, f), "01/01/2000 00:00:01");

  TOracleFormats us;
  us.ShortDateFormat = "m/d/yyyy";
  us.LongTimeFormat = "h:nn:ss am/pm";
  EXPECT_EQ(DateTimeToText(36526.0 + 13.5 / 24.0, us), "1/1/2000 1:30:00 pm");
  EXPECT_EQ(DateTimeToText(36526.0 + 0.25 / 24.0, us), "1/1/2000 12:15:00 am");

  TOracleFormats iso;
  iso.ShortDateFormat = "yyyy-mm-dd";
  iso.LongTimeFormat = "hh:nn:ss";
  EXPECT_EQ(DateTimeToText(-1.25, iso), "1899-12-29 06:00:00");
  EXPECT_EQ(FormatDateTime("ddd d mmm yy", 36526.0, iso), "Sat 1 Jan 00");
  EXPECT_EQ(FormatDateTime("'at' hh\"h\"", 36526.5, iso), "at 12h");
}

TEST(LineBreaks, FromTheServerEveryKindBecomesCRLF) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"a\nb", "a\r\nb"},       {"a\r\nb", "a\r\nb"}, {"a\rb", "a\r\nb"},
      {"\n\n", "\r\n\r\n"},     {"\r\r\n", "\r\n\r\n"}, {"x\n", "x\r\n"},
      {"no breaks", "no breaks"}, {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ToCRLF(c.in), c.out) << c.in;
  EXPECT_EQ(RemoveCR("a\r\nb\rc\n"), "a\nbc\n");
}

TEST(TextParsing, IntegersFloatsAndDates) {
  EXPECT_EQ(TextToInteger("42"), 42);
  EXPECT_EQ(TextToInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(TextToInteger(" +7"), 7);
  EXPECT_EQ(TextToInteger("$1F"), 31);
  EXPECT_DOUBLE_EQ(TextToFloat(" 3.5 ", '.'), 3.5);
  EXPECT_DOUBLE_EQ(TextToFloat("-1,25E2", ','), -125);
  EXPECT_DOUBLE_EQ(TextToFloat(".5", '.'), 0.5);

  TOracleFormats dmy;
  dmy.ShortDateFormat = "dd/mm/yyyy";
  dmy.DateSeparator = '/';
  EXPECT_DOUBLE_EQ(TextToDate("02/01/1900", dmy), 3.0);
  EXPECT_DOUBLE_EQ(TextToDate("1/1/00", dmy), 36526.0);
  TOracleFormats ymd;
  ymd.ShortDateFormat = "yyyy-mm-dd";
  ymd.DateSeparator = '-';
  EXPECT_DOUBLE_EQ(TextToDate("2000-01-01", ymd), 36526.0);
}

TEST(TextParsing, FailuresCarryTheText) {
  TOracleFormats dmy;
  const struct {
    std::function<void()> call;
    const char* message;
  } cases[] = {
      {[] { TextToInteger("12a"); }, "'12a' is not a valid integer value"},
      {[] { TextToInteger(""); }, "'' is not a valid integer value"},
      {[] { TextToInteger("3000000000"); }, "'3000000000' is not a valid integer value"},
      {[] { TextToInteger("1.5"); }, "'1.5' is not a valid integer value"},
      {[] { TextToFloat("abc", '.'); }, "'abc' is not a valid floating point value"},
      {[] { TextToFloat("1.5", ','); }, "'1.5' is not a valid floating point value"},
      {[] { TextToFloat("1e", '.'); }, "'1e' is not a valid floating point value"},
      {[&] { TextToDate("31/02/2000", dmy); }, "'31/02/2000' is not a valid date"},
      {[&] { TextToDate("yesterday", dmy); }, "'yesterday' is not a valid date"},
      {[&] { TextToDate("1/2/3/4", dmy); }, "'1/2/3/4' is not a valid date"},
  };
  for (const auto& c : cases) EXPECT_EQ(MessageOf(c.call), c.message);
}

}  // namespace
