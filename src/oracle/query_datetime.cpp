// The query's getters of TIMESTAMP and INTERVAL columns, read from their
// descriptors field by field, and of DATE columns before Christ.
#include "oracle/errors.h"
#include "oracle/query.h"

namespace {

[[noreturn]] void CannotRead(const TFieldData& f, const char* to) {
  throw EOracleException("Cannot convert field " + f.Name + " to " + to);
}

}  // namespace

oraconv::DateParts TOracleQuery::FieldAsDateParts(int i) {
  CheckNotEof();
  TFieldData& f = CheckedField(i);
  oraconv::DateParts p;
  if (FieldIsNull(i)) return p;
  if (f.FieldType != SQLT_DAT) return oraconv::DecodeDateTime(FieldAsDate(i));
  const unsigned char* b = f.Value(currentRow_);
  // The century and the year of the century each count from 100: 53, 88
  // is 4712 before Christ.
  p.year = (b[0] - 100) * 100 + (b[1] - 100);
  p.month = b[2];
  p.day = b[3];
  p.hour = b[4] - 1;
  p.minute = b[5] - 1;
  p.second = b[6] - 1;
  return p;
}

TOracleTimestamp TOracleQuery::FieldAsTimestamp(int i) {
  CheckNotEof();
  TFieldData& f = CheckedField(i);
  TOracleTimestamp t;
  if (FieldIsNull(i)) return t;
  if (f.FieldType == SQLT_DAT) {
    oraconv::DateParts p = FieldAsDateParts(i);
    t.Year = p.year, t.Month = p.month, t.Day = p.day, t.Hour = p.hour, t.Minute = p.minute, t.Second = p.second;
    return t;
  }
  if (f.FieldType != SQLT_TIMESTAMP && f.FieldType != SQLT_TIMESTAMP_TZ && f.FieldType != SQLT_TIMESTAMP_LTZ)
    CannotRead(f, "a Timestamp");
  const oci::Api& a = Api();
  auto* d = *reinterpret_cast<OCIDateTime**>(f.Value(currentRow_));
  void* env = session_->EnvHandle();
  sb2 year = 0;
  ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
  ub4 fraction = 0;
  lastStatus_ = a.OCIDateTimeGetDate(env, err_, d, &year, &month, &day);
  if (ErrorCode() != 0) Fail();
  lastStatus_ = a.OCIDateTimeGetTime(env, err_, d, &hour, &minute, &second, &fraction);
  if (ErrorCode() != 0) Fail();
  t.Year = year, t.Month = month, t.Day = day, t.Hour = hour, t.Minute = minute, t.Second = second;
  t.Nanoseconds = int32_t(fraction);
  if (f.FieldType == SQLT_TIMESTAMP) return t;
  t.HasZone = true;
  sb1 tzHour = 0, tzMinute = 0;
  lastStatus_ = a.OCIDateTimeGetTimeZoneOffset(env, err_, d, &tzHour, &tzMinute);
  if (ErrorCode() != 0) Fail();
  t.TzHour = tzHour;
  t.TzMinute = tzMinute;
  if (f.FieldType == SQLT_TIMESTAMP_TZ) {
    // A region keeps its name; an offset's name is the offset again.
    ub1 name[128];
    ub4 length = sizeof name;
    lastStatus_ = a.OCIDateTimeGetTimeZoneName(env, err_, d, name, &length);
    if (ErrorCode() != 0) Fail();
    std::string zone(reinterpret_cast<const char*>(name), length);
    if (!zone.empty() && zone[0] != '+' && zone[0] != '-') t.TzRegion = zone;
  }
  return t;
}

TOracleInterval TOracleQuery::FieldAsInterval(int i) {
  CheckNotEof();
  TFieldData& f = CheckedField(i);
  TOracleInterval v;
  if (f.FieldType != SQLT_INTERVAL_YM && f.FieldType != SQLT_INTERVAL_DS) CannotRead(f, "an Interval");
  v.YearToMonth = f.FieldType == SQLT_INTERVAL_YM;
  if (FieldIsNull(i)) return v;
  const oci::Api& a = Api();
  auto* d = *reinterpret_cast<OCIInterval**>(f.Value(currentRow_));
  void* env = session_->EnvHandle();
  if (v.YearToMonth) {
    sb4 years = 0, months = 0;
    lastStatus_ = a.OCIIntervalGetYearMonth(env, err_, &years, &months, d);
    if (ErrorCode() != 0) Fail();
    v.Years = years, v.Months = months;
  } else {
    sb4 days = 0, hours = 0, minutes = 0, seconds = 0, fraction = 0;
    lastStatus_ = a.OCIIntervalGetDaySecond(env, err_, &days, &hours, &minutes, &seconds, &fraction, d);
    if (ErrorCode() != 0) Fail();
    v.Days = days, v.Hours = hours, v.Minutes = minutes, v.Seconds = seconds, v.Nanoseconds = fraction;
  }
  return v;
}
