// The values of TIMESTAMP [WITH [LOCAL] TIME ZONE] and INTERVAL columns as
// the access layer hands them out: every field exact (nanoseconds, the
// zone's offset and region name), with their text forms.
#pragma once

#include <cstdint>
#include <string>

struct TOracleTimestamp {
  int Year = 1, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0;  // Year < 0 before Christ
  int32_t Nanoseconds = 0;
  bool HasZone = false;   // WITH [LOCAL] TIME ZONE
  int TzHour = 0, TzMinute = 0;  // the offset; both negative west of UTC
  std::string TzRegion;   // a region name ("Europe/Paris"); empty for an offset
};

struct TOracleInterval {
  bool YearToMonth = true;
  // Every field carries the interval's sign.
  int64_t Years = 0, Months = 0, Days = 0, Hours = 0, Minutes = 0, Seconds = 0, Nanoseconds = 0;
  bool Negative() const {
    return Years < 0 || Months < 0 || Days < 0 || Hours < 0 || Minutes < 0 || Seconds < 0 || Nanoseconds < 0;
  }
};

namespace oraconv {

// "YYYY-MM-DD HH:MI:SS[.fffffffff]" with the fraction's trailing zeros left
// out, then " +hh:mi" or " Region" for a value with a zone; "-YYYY" before
// Christ.  The text of an ANSI TIMESTAMP literal.
std::string TimestampToText(const TOracleTimestamp& t);
// "[-]Y-MM" or "[-]D HH:MI:SS[.fffffffff]": the text of an INTERVAL literal.
std::string IntervalToText(const TOracleInterval& v);
// The shortest text that reads back as the same double ("0.1", "-0",
// "1e+300"), "NaN", "Inf" or "-Inf"; `single` for a BINARY_FLOAT's value.
std::string BinaryFloatToText(double value, bool single);

}  // namespace oraconv
