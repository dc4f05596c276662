#include "oracle/datetime_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace oraconv {

namespace {

// ".fffffffff" without trailing zeros; nothing for a whole second.
std::string Fraction(int64_t nanos) {
  if (nanos == 0) return "";
  char buf[32];
  std::snprintf(buf, sizeof buf, ".%09lld", static_cast<long long>(std::llabs(nanos)));
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  return s;
}

}  // namespace

std::string TimestampToText(const TOracleTimestamp& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s%04d-%02d-%02d %02d:%02d:%02d", t.Year < 0 ? "-" : "", std::abs(t.Year), t.Month,
                t.Day, t.Hour, t.Minute, t.Second);
  std::string out = buf + Fraction(t.Nanoseconds);
  if (!t.HasZone) return out;
  if (!t.TzRegion.empty()) return out + " " + t.TzRegion;
  const bool west = t.TzHour < 0 || t.TzMinute < 0;
  std::snprintf(buf, sizeof buf, " %c%02d:%02d", west ? '-' : '+', std::abs(t.TzHour), std::abs(t.TzMinute));
  return out + buf;
}

std::string IntervalToText(const TOracleInterval& v) {
  char buf[128];
  const char* sign = v.Negative() ? "-" : "";
  if (v.YearToMonth) {
    std::snprintf(buf, sizeof buf, "%s%lld-%02lld", sign, std::llabs(v.Years), std::llabs(v.Months));
    return buf;
  }
  std::snprintf(buf, sizeof buf, "%s%lld %02lld:%02lld:%02lld", sign, std::llabs(v.Days), std::llabs(v.Hours),
                std::llabs(v.Minutes), std::llabs(v.Seconds));
  return buf + Fraction(v.Nanoseconds);
}

std::string BinaryFloatToText(double value, bool single) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
  if (value == 0) return std::signbit(value) ? "-0" : "0";
  char buf[64];
  std::to_chars_result r = single ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(value))
                                  : std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

}  // namespace oraconv
