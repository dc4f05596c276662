#include "engine/modern_types.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

#include "engine/core.h"
#include "platform/ascii.h"

namespace ocisim {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string upperOf(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = platform::asciiUpper(c);
  return out;
}

int daysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

// Standard offsets of the region names this engine knows.  Daylight saving
// time is not applied: a region's value keeps its name, and only converting
// it to UTC (TIMESTAMP WITH LOCAL TIME ZONE) uses the offset.
struct Region {
  const char* name;
  int minutes;
};
const Region kRegions[] = {
    {"UTC", 0},                     {"GMT", 0},
    {"Europe/London", 0},           {"Europe/Dublin", 0},
    {"Europe/Lisbon", 0},           {"Europe/Paris", 60},
    {"Europe/Berlin", 60},          {"Europe/Amsterdam", 60},
    {"Europe/Brussels", 60},        {"Europe/Madrid", 60},
    {"Europe/Rome", 60},            {"Europe/Vienna", 60},
    {"Europe/Zurich", 60},          {"Europe/Stockholm", 60},
    {"Europe/Oslo", 60},            {"Europe/Warsaw", 60},
    {"Europe/Prague", 60},          {"Europe/Athens", 120},
    {"Europe/Helsinki", 120},       {"Europe/Kiev", 120},
    {"Europe/Istanbul", 180},       {"Europe/Moscow", 180},
    {"Africa/Cairo", 120},          {"Africa/Johannesburg", 120},
    {"Africa/Lagos", 60},           {"Africa/Nairobi", 180},
    {"Asia/Dubai", 240},            {"Asia/Karachi", 300},
    {"Asia/Kolkata", 330},          {"Asia/Calcutta", 330},
    {"Asia/Kathmandu", 345},        {"Asia/Dhaka", 360},
    {"Asia/Bangkok", 420},          {"Asia/Jakarta", 420},
    {"Asia/Shanghai", 480},         {"Asia/Hong_Kong", 480},
    {"Asia/Singapore", 480},        {"Asia/Taipei", 480},
    {"Asia/Seoul", 540},            {"Asia/Tokyo", 540},
    {"Australia/Perth", 480},       {"Australia/Adelaide", 570},
    {"Australia/Brisbane", 600},    {"Australia/Sydney", 600},
    {"Australia/Melbourne", 600},   {"Pacific/Auckland", 720},
    {"Pacific/Chatham", 765},       {"Pacific/Tongatapu", 780},
    {"Pacific/Kiritimati", 840},    {"Pacific/Honolulu", -600},
    {"Pacific/Pago_Pago", -660},    {"America/Anchorage", -540},
    {"America/Los_Angeles", -480},  {"America/Vancouver", -480},
    {"America/Denver", -420},       {"America/Phoenix", -420},
    {"America/Chicago", -360},      {"America/Mexico_City", -360},
    {"America/New_York", -300},     {"America/Toronto", -300},
    {"America/Bogota", -300},       {"America/Lima", -300},
    {"America/Caracas", -240},      {"America/Halifax", -240},
    {"America/Santiago", -240},     {"America/St_Johns", -210},
    {"America/Sao_Paulo", -180},    {"America/Argentina/Buenos_Aires", -180},
    {"Atlantic/Azores", -60},       {"US/Pacific", -480},
    {"US/Mountain", -420},          {"US/Central", -360},
    {"US/Eastern", -300},           {"Etc/GMT+12", -720},
};

const Region* findRegion(std::string_view name) {
  std::string u = upperOf(name);
  for (const Region& r : kRegions)
    if (upperOf(r.name) == u) return &r;
  return nullptr;
}

[[noreturn]] void notMatching() { throw OraError(1861, "literal does not match format string"); }

// A zone as written after a timestamp: "+hh:mi", "-hh:mi" or a region name.
void parseZone(std::string_view z, Timestamp& t) {
  if (z.empty()) return;
  if (z[0] == '+' || z[0] == '-') {
    bool neg = z[0] == '-';
    size_t colon = z.find(':');
    std::string_view hs = z.substr(1, colon == std::string_view::npos ? std::string_view::npos : colon - 1);
    std::string_view ms = colon == std::string_view::npos ? std::string_view("0") : z.substr(colon + 1);
    int h = 0, m = 0;
    auto rh = std::from_chars(hs.data(), hs.data() + hs.size(), h);
    auto rm = std::from_chars(ms.data(), ms.data() + ms.size(), m);
    if (hs.empty() || ms.empty() || rh.ptr != hs.data() + hs.size() || rm.ptr != ms.data() + ms.size())
      throw OraError(1857, "not a valid time zone");
    if (h > 15) throw OraError(1874, "time zone hour must be between -15 and 15");
    if (m > 59) throw OraError(1875, "time zone minute must be between -59 and 59");
    int minutes = h * 60 + m;
    if (neg) minutes = -minutes;
    if (minutes < -12 * 60 || minutes > 14 * 60) throw OraError(1857, "not a valid time zone");
    t.zone = Timestamp::Zone::Offset;
    t.offsetMinutes = minutes;
    return;
  }
  const Region* r = findRegion(z);
  if (!r) throw OraError(1882, "timezone region not found");
  t.zone = Timestamp::Zone::Region;
  t.region = r->name;
}

void checkTime(const DateTime& d) {
  if (d.year < -4712 || d.year > 9999 || d.year == 0)
    throw OraError(1841, "(full) year must be between -4713 and +9999, and not be 0");
  if (d.month < 1 || d.month > 12) throw OraError(1843, "not a valid month");
  if (d.day < 1 || d.day > daysInMonth(d.year, d.month))
    throw OraError(1847, "day of month must be between 1 and last day of month");
  if (d.hour > 23) throw OraError(1850, "hour must be between 0 and 23");
  if (d.minute > 59) throw OraError(1851, "minutes must be between 0 and 59");
  if (d.second > 59) throw OraError(1852, "seconds must be between 0 and 59");
}

long long daysFromCivil(long long y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

DateTime civilFromDays(long long z, int secondsOfDay) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  DateTime d;
  d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  d.year = static_cast<int>(yoe + era * 400 + (d.month <= 2));
  d.hour = secondsOfDay / 3600;
  d.minute = secondsOfDay / 60 % 60;
  d.second = secondsOfDay % 60;
  return d;
}

// Moves a date-time by whole seconds.
DateTime addSeconds(const DateTime& d, long long seconds) {
  long long total = daysFromCivil(d.year, d.month, d.day) * 86400 + d.hour * 3600 + d.minute * 60 + d.second + seconds;
  long long days = total >= 0 ? total / 86400 : (total - 86399) / 86400;
  return civilFromDays(days, static_cast<int>(total - days * 86400));
}

}  // namespace

// ---- timestamps ---------------------------------------------------------------

Timestamp parseTimestamp(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  Timestamp t;
  size_t p = 0;
  auto number = [&](size_t maxDigits) {
    size_t start = p;
    long v = 0;
    while (p < text.size() && isDigit(text[p]) && p - start < maxDigits) v = v * 10 + (text[p++] - '0');
    if (p == start) notMatching();
    return static_cast<int>(v);
  };
  auto expect = [&](char c) {
    if (p >= text.size() || text[p] != c) notMatching();
    ++p;
  };
  bool bc = p < text.size() && text[p] == '-';
  if (bc) ++p;
  t.d.year = number(4);
  if (bc) t.d.year = -t.d.year;
  expect('-');
  t.d.month = number(2);
  if (t.d.month < 1 || t.d.month > 12) throw OraError(1843, "not a valid month");
  expect('-');
  t.d.day = number(2);
  if (p < text.size() && text[p] == ' ' && p + 1 < text.size() && isDigit(text[p + 1])) {
    ++p;
    t.d.hour = number(2);
    expect(':');
    t.d.minute = number(2);
    expect(':');
    t.d.second = number(2);
    if (p < text.size() && text[p] == '.') {
      ++p;
      size_t start = p;
      long long v = 0;
      while (p < text.size() && isDigit(text[p])) {
        if (p - start < 9) v = v * 10 + (text[p] - '0');
        else if (p - start == 9 && text[p] >= '5') ++v;  // beyond nanoseconds: rounded
        ++p;
      }
      for (size_t k = p - start; k < 9; ++k) v *= 10;
      if (v >= 1000000000) {
        // .9999999995 rounds into the next second
        v -= 1000000000;
        t.d = addSeconds(t.d, 1);
      }
      t.nanos = static_cast<int>(v);
    }
  }
  checkTime(t.d);
  while (p < text.size() && text[p] == ' ') ++p;
  if (p < text.size()) {
    std::string_view zone = text.substr(p);
    // A region may be followed by its abbreviation ("US/Pacific PDT").
    size_t blank = zone.find(' ');
    if (blank != std::string_view::npos && zone[0] != '+' && zone[0] != '-') zone = zone.substr(0, blank);
    parseZone(zone, t);
  }
  return t;
}

std::string storedTimestamp(const Timestamp& t, bool withZone) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s%04d-%02d-%02d %02d:%02d:%02d.%09d", t.d.year < 0 ? "-" : "", std::abs(t.d.year),
                t.d.month, t.d.day, t.d.hour, t.d.minute, t.d.second, t.nanos);
  std::string out = buf;
  if (!withZone) return out;
  if (t.zone == Timestamp::Zone::Region) return out + " " + t.region;
  int m = t.zone == Timestamp::Zone::Offset ? t.offsetMinutes : 0;
  std::snprintf(buf, sizeof buf, " %c%02d:%02d", m < 0 ? '-' : '+', std::abs(m) / 60, std::abs(m) % 60);
  return out + buf;
}

Timestamp roundFraction(Timestamp t, int digits) {
  if (digits >= 9) return t;
  int unit = 1;
  for (int k = digits; k < 9; ++k) unit *= 10;
  int rounded = (t.nanos + unit / 2) / unit * unit;
  if (rounded >= 1000000000) {
    rounded -= 1000000000;
    t.d = addSeconds(t.d, 1);
  }
  t.nanos = rounded;
  return t;
}

int zoneOffsetMinutes(const Timestamp& t) {
  if (t.zone == Timestamp::Zone::Offset) return t.offsetMinutes;
  if (t.zone == Timestamp::Zone::Region) {
    const Region* r = findRegion(t.region);
    return r ? r->minutes : 0;
  }
  return 0;
}

Timestamp toUtc(const Timestamp& t) {
  Timestamp u = t;
  u.d = addSeconds(t.d, -60LL * zoneOffsetMinutes(t));
  u.zone = Timestamp::Zone::None;
  u.region.clear();
  u.offsetMinutes = 0;
  return u;
}

// ---- intervals ----------------------------------------------------------------

namespace {

[[noreturn]] void invalidInterval() { throw OraError(1867, "the interval is invalid"); }

int fieldRank(const std::string& f) {
  if (f == "DAY") return 0;
  if (f == "HOUR") return 1;
  if (f == "MINUTE") return 2;
  if (f == "SECOND") return 3;
  return -1;
}

}  // namespace

Interval parseInterval(std::string_view text, const std::string& leading, const std::string& trailingIn,
                       int leadDigits) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  Interval v;
  size_t p = 0;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) v.negative = text[p++] == '-';
  auto number = [&](bool lead) -> long long {
    size_t start = p;
    long long n = 0;
    while (p < text.size() && isDigit(text[p])) {
      if (p - start >= 18) invalidInterval();
      n = n * 10 + (text[p++] - '0');
    }
    if (p == start) invalidInterval();
    if (lead && static_cast<int>(p - start) > leadDigits) {
      // Leading zeros do not count against the precision.
      std::string digits = std::to_string(n);
      if (static_cast<int>(digits.size()) > leadDigits)
        throw OraError(1873, "the leading precision of the interval is too small");
    }
    return n;
  };
  auto expect = [&](char c) {
    if (p >= text.size() || text[p] != c) invalidInterval();
    ++p;
  };
  const std::string trailing = trailingIn.empty() ? leading : trailingIn;
  if (leading == "YEAR" || leading == "MONTH") {
    v.yearToMonth = true;
    if (leading == "MONTH") {
      long long m = number(true);
      v.years = m / 12;
      v.months = static_cast<int>(m % 12);
    } else {
      v.years = number(true);
      if (trailing == "MONTH") {
        expect('-');
        long long m = number(false);
        if (m > 11) throw OraError(1843, "not a valid month");
        v.months = static_cast<int>(m);
      }
    }
    if (p != text.size()) invalidInterval();
    if (v.years == 0 && v.months == 0) v.negative = false;
    return v;
  }
  v.yearToMonth = false;
  int from = fieldRank(leading), to = fieldRank(trailing);
  if (from < 0 || to < from) invalidInterval();
  long long fields[4] = {0, 0, 0, 0};
  for (int f = from; f <= to; ++f) {
    if (f > from) expect(f == 1 ? ' ' : ':');
    fields[f] = number(f == from);
    if (f > from) {
      if (f == 1 && fields[f] > 23) throw OraError(1850, "hour must be between 0 and 23");
      if (f == 2 && fields[f] > 59) throw OraError(1851, "minutes must be between 0 and 59");
      if (f == 3 && fields[f] > 59) throw OraError(1852, "seconds must be between 0 and 59");
    }
  }
  if (to == 3 && p < text.size() && text[p] == '.') {
    ++p;
    size_t start = p;
    long long n = 0;
    while (p < text.size() && isDigit(text[p])) {
      if (p - start < 9) n = n * 10 + (text[p] - '0');
      ++p;
    }
    for (size_t k = p - start; k < 9; ++k) n *= 10;
    v.nanos = static_cast<int>(n);
  }
  if (p != text.size()) invalidInterval();
  // A leading field below DAY carries its overflow upwards ('30' HOUR is 1 06:00:00).
  long long total = ((fields[0] * 24 + fields[1]) * 60 + fields[2]) * 60 + fields[3];
  v.days = total / 86400;
  v.hours = static_cast<int>(total / 3600 % 24);
  v.minutes = static_cast<int>(total / 60 % 60);
  v.seconds = static_cast<int>(total % 60);
  if (total == 0 && v.nanos == 0) v.negative = false;
  return v;
}

std::string storedInterval(const Interval& v) {
  char buf[80];
  if (v.yearToMonth) {
    std::snprintf(buf, sizeof buf, "%c%lld-%02d", v.negative ? '-' : '+', v.years, v.months);
  } else {
    std::snprintf(buf, sizeof buf, "%c%lld %02d:%02d:%02d.%09d", v.negative ? '-' : '+', v.days, v.hours, v.minutes,
                  v.seconds, v.nanos);
  }
  return buf;
}

namespace {

// Checks a stored interval against a column's precisions, rounding its
// fraction to the column's scale.
Interval fitInterval(Interval v, int lead, int scale) {
  long long leadValue = v.yearToMonth ? v.years : v.days;
  if (std::to_string(leadValue).size() > static_cast<size_t>(lead))
    throw OraError(1873, "the leading precision of the interval is too small");
  if (!v.yearToMonth && scale < 9) {
    int unit = 1;
    for (int k = scale; k < 9; ++k) unit *= 10;
    int rounded = (v.nanos + unit / 2) / unit * unit;
    if (rounded >= 1000000000) {
      rounded -= 1000000000;
      long long total = ((v.days * 24 + v.hours) * 60 + v.minutes) * 60 + v.seconds + 1;
      v.days = total / 86400;
      v.hours = static_cast<int>(total / 3600 % 24);
      v.minutes = static_cast<int>(total / 60 % 60);
      v.seconds = static_cast<int>(total % 60);
      if (std::to_string(v.days).size() > static_cast<size_t>(lead))
        throw OraError(1873, "the leading precision of the interval is too small");
    }
    v.nanos = rounded;
  }
  return v;
}

}  // namespace

// ---- binary floats ----------------------------------------------------------------

std::string binaryText(double v, bool isFloat) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Inf" : "Inf";
  if (v == 0) return std::signbit(v) ? "-0" : "0";
  char buf[64];
  std::to_chars_result r = isFloat ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(v))
                                   : std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

bool parseBinaryText(std::string_view s, double& out) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  std::string u = upperOf(s);
  if (u == "NAN") {
    out = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  if (u == "INF" || u == "+INF" || u == "INFINITY") {
    out = std::numeric_limits<double>::infinity();
    return true;
  }
  if (u == "-INF" || u == "-INFINITY") {
    out = -std::numeric_limits<double>::infinity();
    return true;
  }
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  std::string plain(s);
  // Oracle writes ".5" where from_chars wants "0.5".
  if (!plain.empty() && plain[0] == '.') plain.insert(0, "0");
  if (plain.size() > 1 && plain[0] == '-' && plain[1] == '.') plain.insert(1, "0");
  auto r = std::from_chars(plain.data(), plain.data() + plain.size(), out);
  return !plain.empty() && r.ec != std::errc::invalid_argument && r.ptr == plain.data() + plain.size();
}

// ---- columns ---------------------------------------------------------------------

bool isModernType(SqlType t) {
  switch (t) {
    case SqlType::BinaryFloat:
    case SqlType::BinaryDouble:
    case SqlType::Timestamp:
    case SqlType::TimestampTz:
    case SqlType::TimestampLtz:
    case SqlType::IntervalYM:
    case SqlType::IntervalDS:
    case SqlType::URowId: return true;
    default: return false;
  }
}

namespace {

// The precisions written in a declared type, in order: "INTERVAL DAY(3) TO
// SECOND(2)" gives 3 and 2; missing ones are -1.
void precisionsOf(const std::string& decl, int& first, int& second) {
  first = second = -1;
  size_t lp = decl.find('(');
  if (lp == std::string::npos) return;
  first = std::atoi(decl.c_str() + lp + 1);
  size_t lp2 = decl.find('(', lp + 1);
  if (lp2 != std::string::npos) second = std::atoi(decl.c_str() + lp2 + 1);
}

}  // namespace

bool modernColumnInfo(const std::string& decl, ColumnInfo& ci) {
  int first = -1, second = -1;
  precisionsOf(decl, first, second);
  if (decl.rfind("TIMESTAMP", 0) == 0) {
    bool local = decl.find("LOCAL TIME ZONE") != std::string::npos;
    bool zone = !local && decl.find("TIME ZONE") != std::string::npos;
    ci.type = local ? SqlType::TimestampLtz : zone ? SqlType::TimestampTz : SqlType::Timestamp;
    ci.size = zone ? 13 : 11;
    ci.scale = first < 0 ? 6 : first;
    return true;
  }
  if (decl.rfind("INTERVAL YEAR", 0) == 0) {
    ci.type = SqlType::IntervalYM;
    ci.size = 5;
    ci.precision = first < 0 ? 2 : first;
    return true;
  }
  if (decl.rfind("INTERVAL DAY", 0) == 0) {
    ci.type = SqlType::IntervalDS;
    ci.size = 11;
    // "INTERVAL DAY TO SECOND(3)": the one number is the seconds'.
    bool dayGiven = decl.find("DAY(") != std::string::npos;
    ci.precision = dayGiven ? first : 2;
    int s = dayGiven ? second : first;
    ci.scale = s < 0 ? 6 : s;
    return true;
  }
  if (decl.rfind("BINARY_FLOAT", 0) == 0 || decl.rfind("BINARY_DOUBLE", 0) == 0) {
    bool f = decl[7] == 'F';
    ci.type = f ? SqlType::BinaryFloat : SqlType::BinaryDouble;
    ci.size = f ? 4 : 8;
    return true;
  }
  if (decl.rfind("UROWID", 0) == 0) {
    ci.type = SqlType::URowId;
    ci.size = first < 0 ? 4000 : first;
    return true;
  }
  return false;
}

Value modernValue(SqlType type, sqlite3_stmt* st, int col) {
  const int stored = sqlite3_column_type(st, col);
  if (stored == SQLITE_NULL) return Value::null();
  auto text = [&] {
    const unsigned char* p = sqlite3_column_text(st, col);
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st, col)));
  };
  switch (type) {
    case SqlType::BinaryFloat:
    case SqlType::BinaryDouble: {
      const bool f = type == SqlType::BinaryFloat;
      double d = 0;
      if (stored == SQLITE_INTEGER || stored == SQLITE_FLOAT) d = sqlite3_column_double(st, col);
      else if (!parseBinaryText(text(), d)) return Value::text(text());
      return Value::of(f ? Value::Kind::BinaryFloat : Value::Kind::BinaryDouble, binaryText(d, f));
    }
    case SqlType::Timestamp: return Value::of(Value::Kind::Timestamp, text());
    case SqlType::TimestampTz: return Value::of(Value::Kind::TimestampTz, text());
    case SqlType::TimestampLtz: return Value::of(Value::Kind::TimestampLtz, text());
    case SqlType::IntervalYM: return Value::of(Value::Kind::IntervalYM, text());
    case SqlType::IntervalDS: return Value::of(Value::Kind::IntervalDS, text());
    default: return Value::text(text());
  }
}

// ---- SQL functions -------------------------------------------------------------

namespace {

std::string textOf(sqlite3_value* v) {
  const unsigned char* p = sqlite3_value_text(v);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_value_bytes(v))) : std::string();
}

bool isNullValue(sqlite3_value* v) {
  if (sqlite3_value_type(v) == SQLITE_NULL) return true;
  return sqlite3_value_type(v) == SQLITE_TEXT && sqlite3_value_bytes(v) == 0;
}

void resultText(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// A binary float value as stored: REAL, or text for NaN and -0.
void resultBinary(sqlite3_context* ctx, double d) {
  if (std::isnan(d)) return resultText(ctx, "NaN");
  if (d == 0 && std::signbit(d)) return resultText(ctx, "-0");
  sqlite3_result_double(ctx, d);
}

#define MODERN_GUARDED(...)                                    \
  try {                                                        \
    __VA_ARGS__                                                \
  } catch (const OraError& e) {                                \
    sqlite3_result_error(ctx, e.what(), -1);                   \
  }

double binaryOf(sqlite3_value* v) {
  int t = sqlite3_value_type(v);
  if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) return sqlite3_value_double(v);
  std::string s = textOf(v);
  double d = 0;
  if (t == SQLITE_BLOB) {
    // A number whose digits a double cannot hold travels as its text.
    std::string c;
    if (numberOfValue(v, c)) return doubleFromNumberText(c);
  }
  if (!parseBinaryText(s, d)) throw OraError(1722, "invalid number");
  return d;
}

// A timestamp from any value a column of a timestamp type is given: a
// timestamp's or date's stored text, or a text in the session's date format.
Timestamp timestampOf(sqlite3_context* ctx, sqlite3_value* v) {
  std::string s = textOf(v);
  try {
    return parseTimestamp(s);
  } catch (const OraError&) {
    Session* session = static_cast<Session*>(sqlite3_user_data(ctx));
    try {
      Timestamp t;
      t.d = parseDate(s, session->nlsDateFormat);
      return t;
    } catch (const OraError&) {
    }
    throw;
  }
}

void fnAsTyped(sqlite3_context* ctx, int, sqlite3_value** argv) {
  MODERN_GUARDED({
    if (isNullValue(argv[0])) return sqlite3_result_null(ctx);
    std::string decl = upperOf(textOf(argv[1]));
    ColumnInfo ci;
    if (!modernColumnInfo(decl, ci)) return sqlite3_result_value(ctx, argv[0]);
    switch (ci.type) {
      case SqlType::BinaryFloat: return resultBinary(ctx, static_cast<float>(binaryOf(argv[0])));
      case SqlType::BinaryDouble: return resultBinary(ctx, binaryOf(argv[0]));
      case SqlType::Timestamp: {
        Timestamp t = timestampOf(ctx, argv[0]);
        return resultText(ctx, storedTimestamp(roundFraction(t, ci.scale), false));
      }
      case SqlType::TimestampTz: {
        Timestamp t = timestampOf(ctx, argv[0]);
        return resultText(ctx, storedTimestamp(roundFraction(t, ci.scale), true));
      }
      case SqlType::TimestampLtz: {
        Timestamp t = toUtc(timestampOf(ctx, argv[0]));
        return resultText(ctx, storedTimestamp(roundFraction(t, ci.scale), false));
      }
      case SqlType::IntervalYM:
      case SqlType::IntervalDS: {
        std::string s = textOf(argv[0]);
        bool ym = ci.type == SqlType::IntervalYM;
        Interval iv = parseInterval(s, ym ? "YEAR" : "DAY", ym ? "MONTH" : "SECOND", 18);
        return resultText(ctx, storedInterval(fitInterval(iv, ci.precision, ci.scale)));
      }
      case SqlType::URowId: {
        std::string s = textOf(argv[0]);
        if (static_cast<int>(s.size()) > ci.size) throw OraError(1410, "invalid ROWID");
        return resultText(ctx, s);
      }
      default: return sqlite3_result_value(ctx, argv[0]);
    }
  })
}

// ocisim_to_timestamp(text [, format [, withZone]])
void fnToTimestamp(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  MODERN_GUARDED({
    if (isNullValue(argv[0])) return sqlite3_result_null(ctx);
    const bool withZone = argc > 2 && sqlite3_value_int(argv[2]) != 0;
    std::string s = textOf(argv[0]);
    Timestamp t;
    if (argc > 1 && !isNullValue(argv[1])) {
      TimeExtras x;
      t.d = parseDateTime(s, textOf(argv[1]), x);
      t.nanos = x.nanos;
      if (x.hasZone) {
        if (!x.region.empty()) {
          parseZone(x.region, t);
        } else {
          if (x.offsetMinutes < -12 * 60 || x.offsetMinutes > 14 * 60) throw OraError(1857, "not a valid time zone");
          t.zone = Timestamp::Zone::Offset;
          t.offsetMinutes = x.offsetMinutes;
        }
      }
    } else {
      t = timestampOf(ctx, argv[0]);
    }
    resultText(ctx, storedTimestamp(t, withZone));
  })
}

// ocisim_to_interval(text, yearToMonth)
void fnToInterval(sqlite3_context* ctx, int, sqlite3_value** argv) {
  MODERN_GUARDED({
    if (isNullValue(argv[0])) return sqlite3_result_null(ctx);
    const bool ym = sqlite3_value_int(argv[1]) != 0;
    resultText(ctx, storedInterval(parseInterval(textOf(argv[0]), ym ? "YEAR" : "DAY", ym ? "MONTH" : "SECOND")));
  })
}

void fnBinary(sqlite3_context* ctx, int, sqlite3_value** argv) {
  MODERN_GUARDED({
    if (isNullValue(argv[0])) return sqlite3_result_null(ctx);
    double d = binaryOf(argv[0]);
    resultBinary(ctx, sqlite3_value_int(argv[1]) ? static_cast<float>(d) : d);
  })
}

void fnBinaryNegate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  MODERN_GUARDED({
    if (isNullValue(argv[0])) return sqlite3_result_null(ctx);
    resultBinary(ctx, -binaryOf(argv[0]));
  })
}

void appendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// UNISTR: "\XXXX" is the UTF-16 code unit XXXX (two of them for a
// character beyond the basic plane), "\\" a backslash.
void fnUnistr(sqlite3_context* ctx, int, sqlite3_value** argv) {
  MODERN_GUARDED({
    if (isNullValue(argv[0])) return sqlite3_result_null(ctx);
    const std::string s = textOf(argv[0]);
    std::string out;
    auto unit = [&](size_t at) -> unsigned {
      if (at + 5 > s.size() || s[at] != '\\') throw OraError(30186, "'\\' must be followed by four hexadecimal characters or another '\\'");
      unsigned v = 0;
      for (size_t k = at + 1; k < at + 5; ++k) {
        char c = s[k];
        int d = isDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (d < 0) throw OraError(30186, "'\\' must be followed by four hexadecimal characters or another '\\'");
        v = v * 16 + static_cast<unsigned>(d);
      }
      return v;
    };
    for (size_t i = 0; i < s.size();) {
      if (s[i] != '\\') {
        out += s[i++];
        continue;
      }
      if (i + 1 < s.size() && s[i + 1] == '\\') {
        out += '\\';
        i += 2;
        continue;
      }
      unsigned cp = unit(i);
      i += 5;
      if (cp >= 0xD800 && cp < 0xDC00) {
        unsigned low = unit(i);
        if (low < 0xDC00 || low > 0xDFFF) throw OraError(30186, "'\\' must be followed by four hexadecimal characters or another '\\'");
        i += 5;
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      }
      appendUtf8(out, cp);
    }
    resultText(ctx, out);
  })
}

void fnCastToRaw(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (isNullValue(argv[0])) return sqlite3_result_null(ctx);
  std::string s = textOf(argv[0]);
  sqlite3_result_blob(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void fnSysTimestamp(sqlite3_context* ctx, int, sqlite3_value**) {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  gmtime_r(&ts.tv_sec, &tm);
  Timestamp t;
  t.d = DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  t.nanos = static_cast<int>(ts.tv_nsec / 1000 * 1000);  // microseconds, as the server clock gives
  t.zone = Timestamp::Zone::Offset;
  resultText(ctx, storedTimestamp(t, true));
}

}  // namespace

void registerModernFunctions(sqlite3* db, Session* s) {
  struct Def {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
    bool deterministic;
  };
  static const Def defs[] = {
      {"ocisim_as_typed", 2, fnAsTyped, false},       {"ocisim_to_timestamp", 1, fnToTimestamp, false},
      {"ocisim_to_timestamp", 2, fnToTimestamp, true}, {"ocisim_to_timestamp", 3, fnToTimestamp, true},
      {"ocisim_to_interval", 2, fnToInterval, true},  {"ocisim_binary", 2, fnBinary, true},
      {"ocisim_bneg", 1, fnBinaryNegate, true},       {"ocisim_unistr", 1, fnUnistr, true},
      {"ocisim_cast_to_raw", 1, fnCastToRaw, true},   {"ocisim_systimestamp", 0, fnSysTimestamp, false},
  };
  for (const Def& d : defs)
    sqlite3_create_function_v2(db, d.name, d.args, SQLITE_UTF8 | (d.deterministic ? SQLITE_DETERMINISTIC : 0), s, d.fn,
                               nullptr, nullptr, nullptr);
}

}  // namespace ocisim
