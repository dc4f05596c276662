// TIMESTAMP and INTERVAL values through their descriptors: the define side
// of a fetch and the calls that read a descriptor's fields.
#include <cstring>

#include "engine/modern_types.h"
#include "oci/common.h"
#include "oci/convert.h"

namespace ocisim::oci {

bool isDateTimeType(ub2 dty) {
  return dty == SQLT_TIMESTAMP || dty == SQLT_TIMESTAMP_TZ || dty == SQLT_TIMESTAMP_LTZ ||
         dty == SQLT_INTERVAL_YM || dty == SQLT_INTERVAL_DS;
}

ub4 descriptorTypeOf(ub2 dty) {
  switch (dty) {
    case SQLT_TIMESTAMP: return OCI_DTYPE_TIMESTAMP;
    case SQLT_TIMESTAMP_TZ: return OCI_DTYPE_TIMESTAMP_TZ;
    case SQLT_TIMESTAMP_LTZ: return OCI_DTYPE_TIMESTAMP_LTZ;
    case SQLT_INTERVAL_YM: return OCI_DTYPE_INTERVAL_YM;
    default: return OCI_DTYPE_INTERVAL_DS;
  }
}

namespace {

[[noreturn]] void inconsistent(const char* expected) {
  throw ocisim::OraError(932, std::string("inconsistent datatypes: expected ") + expected);
}

using Kind = ocisim::Value::Kind;

bool isTimestampKind(Kind k) { return k == Kind::Timestamp || k == Kind::TimestampTz || k == Kind::TimestampLtz; }

}  // namespace

ocisim::Value datetimeFor(const ocisim::Value& v, ub2 dty) {
  if (dty == SQLT_INTERVAL_YM || dty == SQLT_INTERVAL_DS) {
    const Kind want = dty == SQLT_INTERVAL_YM ? Kind::IntervalYM : Kind::IntervalDS;
    if (v.kind != want) inconsistent(dty == SQLT_INTERVAL_YM ? "INTERVAL YEAR TO MONTH" : "INTERVAL DAY TO SECOND");
    return v;
  }
  ocisim::Timestamp t;
  if (isTimestampKind(v.kind)) {
    t = ocisim::parseTimestamp(v.data);
  } else if (v.kind == Kind::Date) {
    t.d = v.date;
  } else if (v.kind == Kind::Text) {
    t = ocisim::parseTimestamp(v.data);
  } else {
    inconsistent("TIMESTAMP");
  }
  switch (dty) {
    case SQLT_TIMESTAMP: return ocisim::Value::of(Kind::Timestamp, ocisim::storedTimestamp(t, false));
    case SQLT_TIMESTAMP_TZ: return ocisim::Value::of(Kind::TimestampTz, ocisim::storedTimestamp(t, true));
    default:
      // The session's time zone is UTC: a value with a zone is moved to it.
      if (t.zone != ocisim::Timestamp::Zone::None) t = ocisim::toUtc(t);
      return ocisim::Value::of(Kind::TimestampLtz, ocisim::storedTimestamp(t, false));
  }
}

namespace {

DateTimeDesc* dateTimeOf(const OCIDateTime* p) {
  for (ub4 type : {OCI_DTYPE_TIMESTAMP, OCI_DTYPE_TIMESTAMP_TZ, OCI_DTYPE_TIMESTAMP_LTZ})
    if (auto* d = handleAs<DateTimeDesc>(p, type)) return d;
  return nullptr;
}

[[noreturn]] void noSuchField() { throw ocisim::OraError(1878, "specified field not found in datetime or interval"); }

ocisim::Timestamp timestampOf(const DateTimeDesc* d) {
  if (!isTimestampKind(d->value.kind)) throw ocisim::OraError(1841, "(full) year must be between -4713 and +9999, and not be 0");
  return ocisim::parseTimestamp(d->value.data);
}

ocisim::Interval intervalOf(const OCIInterval* p, ub4 type) {
  auto* d = handleAs<DateTimeDesc>(p, type);
  if (d == nullptr) throw ocisim::OraError(1867, "the interval is invalid");
  const bool ym = type == OCI_DTYPE_INTERVAL_YM;
  if (d->value.kind != (ym ? Kind::IntervalYM : Kind::IntervalDS)) throw ocisim::OraError(1867, "the interval is invalid");
  return ocisim::parseInterval(d->value.data, ym ? "YEAR" : "DAY", ym ? "MONTH" : "SECOND", 18);
}

}  // namespace

}  // namespace ocisim::oci

using namespace ocisim::oci;

OCISIM_API_OCI81 sword OCIDateTimeGetDate(void* hndl, OCIError* err, const OCIDateTime* datetime, sb2* year,
                                          ub1* month, ub1* day) {
  (void)hndl;
  Error* e = handleAs<Error>(err, OCI_HTYPE_ERROR);
  DateTimeDesc* d = dateTimeOf(datetime);
  if (e == nullptr || d == nullptr) return OCI_INVALID_HANDLE;
  return guarded(e, [&] {
    ocisim::Timestamp t = timestampOf(d);
    if (year) *year = static_cast<sb2>(t.d.year);
    if (month) *month = static_cast<ub1>(t.d.month);
    if (day) *day = static_cast<ub1>(t.d.day);
    return succeed(e);
  });
}

OCISIM_API_OCI81 sword OCIDateTimeGetTime(void* hndl, OCIError* err, OCIDateTime* datetime, ub1* hour, ub1* min,
                                          ub1* sec, ub4* fsec) {
  (void)hndl;
  Error* e = handleAs<Error>(err, OCI_HTYPE_ERROR);
  DateTimeDesc* d = dateTimeOf(datetime);
  if (e == nullptr || d == nullptr) return OCI_INVALID_HANDLE;
  return guarded(e, [&] {
    ocisim::Timestamp t = timestampOf(d);
    if (hour) *hour = static_cast<ub1>(t.d.hour);
    if (min) *min = static_cast<ub1>(t.d.minute);
    if (sec) *sec = static_cast<ub1>(t.d.second);
    if (fsec) *fsec = static_cast<ub4>(t.nanos);
    return succeed(e);
  });
}

OCISIM_API_OCI81 sword OCIDateTimeGetTimeZoneOffset(void* hndl, OCIError* err, const OCIDateTime* datetime,
                                                    sb1* hour, sb1* min) {
  (void)hndl;
  Error* e = handleAs<Error>(err, OCI_HTYPE_ERROR);
  DateTimeDesc* d = dateTimeOf(datetime);
  if (e == nullptr || d == nullptr) return OCI_INVALID_HANDLE;
  return guarded(e, [&] {
    if (d->type == OCI_DTYPE_TIMESTAMP) noSuchField();
    ocisim::Timestamp t = timestampOf(d);
    const int m = ocisim::zoneOffsetMinutes(t);  // LOCAL TIME ZONE: the session's, UTC
    if (hour) *hour = static_cast<sb1>(m / 60);
    if (min) *min = static_cast<sb1>(m % 60);
    return succeed(e);
  });
}

OCISIM_API_OCI81 sword OCIDateTimeGetTimeZoneName(void* hndl, OCIError* err, const OCIDateTime* datetime, ub1* buf,
                                                  ub4* buflen) {
  (void)hndl;
  Error* e = handleAs<Error>(err, OCI_HTYPE_ERROR);
  DateTimeDesc* d = dateTimeOf(datetime);
  if (e == nullptr || d == nullptr || buflen == nullptr) return OCI_INVALID_HANDLE;
  return guarded(e, [&] {
    if (d->type == OCI_DTYPE_TIMESTAMP) noSuchField();
    ocisim::Timestamp t = timestampOf(d);
    std::string name;
    if (t.zone == ocisim::Timestamp::Zone::Region) {
      name = t.region;
    } else {
      // An offset's name is the offset itself.
      std::string full = ocisim::storedTimestamp(t, true);
      name = full.substr(full.rfind(' ') + 1);
    }
    if (name.size() > *buflen) return fail(e, 1406, "fetched column value was truncated");
    if (buf) std::memcpy(buf, name.data(), name.size());
    *buflen = static_cast<ub4>(name.size());
    return succeed(e);
  });
}

OCISIM_API_OCI81 sword OCIIntervalGetYearMonth(void* hndl, OCIError* err, sb4* yr, sb4* mnth,
                                               const OCIInterval* result) {
  (void)hndl;
  Error* e = handleAs<Error>(err, OCI_HTYPE_ERROR);
  if (e == nullptr) return OCI_INVALID_HANDLE;
  return guarded(e, [&] {
    ocisim::Interval v = intervalOf(result, OCI_DTYPE_INTERVAL_YM);
    const int sign = v.negative ? -1 : 1;
    if (yr) *yr = static_cast<sb4>(sign * v.years);
    if (mnth) *mnth = sign * v.months;
    return succeed(e);
  });
}

OCISIM_API_OCI81 sword OCIIntervalGetDaySecond(void* hndl, OCIError* err, sb4* dy, sb4* hr, sb4* mm, sb4* ss,
                                               sb4* fsec, const OCIInterval* result) {
  (void)hndl;
  Error* e = handleAs<Error>(err, OCI_HTYPE_ERROR);
  if (e == nullptr) return OCI_INVALID_HANDLE;
  return guarded(e, [&] {
    ocisim::Interval v = intervalOf(result, OCI_DTYPE_INTERVAL_DS);
    const int sign = v.negative ? -1 : 1;
    if (dy) *dy = static_cast<sb4>(sign * v.days);
    if (hr) *hr = sign * v.hours;
    if (mm) *mm = sign * v.minutes;
    if (ss) *ss = sign * v.seconds;
    if (fsec) *fsec = sign * v.nanos;
    return succeed(e);
  });
}
