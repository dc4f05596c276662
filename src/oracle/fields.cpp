#include "oracle/fields.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "oracle/errors.h"

TOracleVariant TOracleVariant::FromInteger(int32_t v) {
  TOracleVariant r(Kind::Integer);
  r.int_ = v;
  r.float_ = v;
  return r;
}

TOracleVariant TOracleVariant::FromFloat(double v) {
  TOracleVariant r(Kind::Float);
  r.float_ = v;
  return r;
}

TOracleVariant TOracleVariant::FromDateTime(double v) {
  TOracleVariant r(Kind::DateTime);
  r.float_ = v;
  return r;
}

TOracleVariant TOracleVariant::FromString(std::string v) {
  TOracleVariant r(Kind::String);
  r.text_ = std::move(v);
  return r;
}

TOracleVariant TOracleVariant::FromBytes(std::string v) {
  TOracleVariant r(Kind::Bytes);
  r.text_ = std::move(v);
  return r;
}

namespace oraconv {
namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Days from 1 January of year 1 to 30 December 1899.
constexpr int64_t kDateDelta = 693594;

const char* const kShortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                  "Thursday", "Friday", "Saturday"};
const char* const kShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[12] = {"January", "February", "March",     "April",
                                     "May",     "June",     "July",      "August",
                                     "September", "October", "November", "December"};

std::string Pad2(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }

bool StartsWithNoCase(const std::string& s, size_t pos, const char* word) {
  size_t n = std::strlen(word);
  if (pos + n > s.size()) return false;
  for (size_t i = 0; i < n; ++i)
    if (Upper(s[pos + i]) != Upper(word[i])) return false;
  return true;
}

void FormatInto(std::string& out, const std::string& fmt, const DateParts& p, double dt,
                const TOracleFormats& f, int depth);

// Whether an am/pm marker follows anywhere in the format, which makes hours
// count on a twelve-hour clock.
bool HasAmPm(const std::string& fmt) {
  for (size_t i = 0; i < fmt.size(); ++i)
    if (StartsWithNoCase(fmt, i, "am/pm") || StartsWithNoCase(fmt, i, "a/p") ||
        StartsWithNoCase(fmt, i, "ampm"))
      return true;
  return false;
}

void FormatInto(std::string& out, const std::string& fmt, const DateParts& p, double dt,
                const TOracleFormats& f, int depth) {
  if (depth > 2) return;  // a format that names itself would never end
  const bool twelve = HasAmPm(fmt);
  bool lastWasHour = false;
  size_t i = 0;
  while (i < fmt.size()) {
    char c = fmt[i];
    char u = Upper(c);
    size_t run = 1;
    while (i + run < fmt.size() && Upper(fmt[i + run]) == u) ++run;
    switch (u) {
      case '\'':
      case '"': {
        size_t end = fmt.find(c, i + 1);
        if (end == std::string::npos) end = fmt.size();
        out.append(fmt, i + 1, end - i - 1);
        i = end + 1;
        continue;
      }
      case 'D':
        if (run == 1) out += std::to_string(p.day);
        else if (run == 2) out += Pad2(p.day);
        else if (run == 3 || run == 4) {
          int64_t days = int64_t(std::trunc(dt)) + kDateDelta;  // day 1 of year 1 was a Monday
          int wd = int(((days % 7) + 7 + 0) % 7);               // 0 = Sunday
          out += run == 3 ? kShortDays[wd] : kLongDays[wd];
        } else {
          FormatInto(out, f.ShortDateFormat, p, dt, f, depth + 1);
        }
        i += run;
        lastWasHour = false;
        continue;
      case 'M':
        if (lastWasHour && run <= 2) {
          out += run == 1 ? std::to_string(p.minute) : Pad2(p.minute);
        } else if (run == 1) {
          out += std::to_string(p.month);
        } else if (run == 2) {
          out += Pad2(p.month);
        } else if (run == 3) {
          out += kShortMonths[p.month - 1];
        } else {
          out += kLongMonths[p.month - 1];
        }
        i += run;
        lastWasHour = false;
        continue;
      case 'Y': {
        if (run <= 2) out += Pad2(p.year % 100);
        else {
          char buf[16];
          std::snprintf(buf, sizeof buf, "%04d", p.year);
          out += buf;
        }
        i += run;
        lastWasHour = false;
        continue;
      }
      case 'H': {
        int h = p.hour;
        if (twelve) {
          h %= 12;
          if (h == 0) h = 12;
        }
        out += run == 1 ? std::to_string(h) : Pad2(h);
        i += run;
        lastWasHour = true;
        continue;
      }
      case 'N':
        out += run == 1 ? std::to_string(p.minute) : Pad2(p.minute);
        i += run;
        lastWasHour = false;
        continue;
      case 'S':
        out += run == 1 ? std::to_string(p.second) : Pad2(p.second);
        i += run;
        lastWasHour = false;
        continue;
      case 'Z': {
        char buf[16];
        std::snprintf(buf, sizeof buf, run >= 3 ? "%03d" : "%d", p.msec);
        out += buf;
        i += run;
        continue;
      }
      case 'T':
        if (run == 1) {
          FormatInto(out, "hh:nn", p, dt, f, depth + 1);
        } else {
          FormatInto(out, f.LongTimeFormat, p, dt, f, depth + 1);
        }
        i += run;
        continue;
      case 'C':
        FormatInto(out, f.ShortDateFormat, p, dt, f, depth + 1);
        if (p.hour || p.minute || p.second || p.msec) {
          out += ' ';
          FormatInto(out, f.LongTimeFormat, p, dt, f, depth + 1);
        }
        i += 1;
        continue;
      case 'A':
        if (StartsWithNoCase(fmt, i, "am/pm")) {
          bool upper = fmt[i] == 'A';
          out += p.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
          i += 5;
          continue;
        }
        if (StartsWithNoCase(fmt, i, "a/p")) {
          bool upper = fmt[i] == 'A';
          out += p.hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
          i += 3;
          continue;
        }
        if (StartsWithNoCase(fmt, i, "ampm")) {
          out += p.hour < 12 ? "AM" : "PM";
          i += 4;
          continue;
        }
        out += c;
        ++i;
        continue;
      case '/':
        out += f.DateSeparator;
        ++i;
        continue;
      case ':':
        out += f.TimeSeparator;
        ++i;
        continue;
      default:
        out += c;
        ++i;
        continue;
    }
  }
}

std::string Trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (unsigned char)s[b] <= ' ') ++b;
  while (e > b && (unsigned char)s[e - 1] <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

double EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    throw EOracleException("Invalid argument to date encode");
  int64_t days = day;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  int64_t y = year - 1;
  days += y * 365 + y / 4 - y / 100 + y / 400 - kDateDelta;
  return double(days);
}

double EncodeTime(int hour, int minute, int second, int msec) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999)
    throw EOracleException("Invalid argument to time encode");
  return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / 86400000.0;
}

DateParts DecodeDateTime(double dt) {
  DateParts p;
  if (!std::isfinite(dt)) return p;
  double whole = std::trunc(dt);
  double frac = std::fabs(dt - whole);
  int64_t ms = std::llround(frac * 86400000.0);
  if (ms >= 86400000) ms = 86399999;
  p.hour = int(ms / 3600000);
  p.minute = int(ms / 60000 % 60);
  p.second = int(ms / 1000 % 60);
  p.msec = int(ms % 1000);

  // Civil date from a day count (days since 1 March of year 0).
  int64_t z = int64_t(whole) + kDateDelta + 305;  // to days since 1 March of year 0
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
  p.year = int(y);
  p.month = int(m);
  p.day = int(d);
  return p;
}

double OracleDateToDateTime(const unsigned char* b) {
  int year = (b[0] * 100 + b[1]) - 10100;
  double date = EncodeDate(year, b[2], b[3]);
  double time = EncodeTime(b[4] - 1, b[5] - 1, b[6] - 1, 0);
  return date >= 0 ? date + time : date - time;
}

void DateTimeToOracleDate(double dt, unsigned char* b) {
  DateParts p = DecodeDateTime(dt);
  b[0] = (unsigned char)(p.year / 100 + 100);
  b[1] = (unsigned char)(p.year % 100 + 100);
  b[2] = (unsigned char)p.month;
  b[3] = (unsigned char)p.day;
  b[4] = (unsigned char)(p.hour + 1);
  b[5] = (unsigned char)(p.minute + 1);
  b[6] = (unsigned char)(p.second + 1);
}

std::string FloatToText(double value, char sep) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", value);
  // buf: [-]d.dddddddddddddde[+-]xx
  const char* s = buf;
  std::string out;
  if (*s == '-') {
    out += '-';
    ++s;
  }
  std::string digits;
  while (*s && *s != 'e') {
    if (*s != '.') digits += *s;
    ++s;
  }
  int exp = *s == 'e' ? std::atoi(s + 1) : 0;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  if (exp < -5 || exp >= 15) {
    out += digits[0];
    if (digits.size() > 1) {
      out += sep;
      out.append(digits, 1, std::string::npos);
    }
    out += 'E';
    if (exp < 0) out += '-';
    out += std::to_string(exp < 0 ? -exp : exp);
    return out;
  }
  if (exp >= 0) {
    size_t intDigits = size_t(exp) + 1;
    if (digits.size() <= intDigits) {
      out += digits;
      out.append(intDigits - digits.size(), '0');
    } else {
      out.append(digits, 0, intDigits);
      out += sep;
      out.append(digits, intDigits, std::string::npos);
    }
  } else {
    out += '0';
    out += sep;
    out.append(size_t(-exp - 1), '0');
    out += digits;
  }
  return out;
}

std::string IntegerToText(int64_t value) { return std::to_string(value); }

std::string FormatDateTime(const std::string& format, double dt, const TOracleFormats& formats) {
  std::string out;
  FormatInto(out, format, DecodeDateTime(dt), dt, formats, 0);
  return out;
}

std::string DateTimeToText(double dt, const TOracleFormats& formats) {
  double frac = std::fabs(dt - std::trunc(dt));
  return FormatDateTime(frac == 0 ? "ddddd" : "ddddd tt", dt, formats);
}

std::string ToCRLF(const std::string& text) {
  if (text.find_first_of("\r\n") == std::string::npos) return text;
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string RemoveCR(const std::string& text) {
  if (text.find('\r') == std::string::npos) return text;
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

int32_t TextToInteger(const std::string& text) {
  auto bad = [&]() { return EOracleException("'" + text + "' is not a valid integer value"); };
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool neg = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    neg = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) throw bad();
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && Upper(c) >= 'A' && Upper(c) <= 'F') d = Upper(c) - 'A' + 10;
    else throw bad();
    v = v * base + d;
    if (v > int64_t(1) << 32) throw bad();
  }
  if (neg) v = -v;
  if (base == 10 ? (v < INT32_MIN || v > INT32_MAX) : (v < INT32_MIN || v > UINT32_MAX)) throw bad();
  return int32_t(uint32_t(int64_t(v)));
}

double TextToFloat(const std::string& text, char sep) {
  auto bad = [&]() {
    return EOracleException("'" + text + "' is not a valid floating point value");
  };
  std::string t = Trimmed(text);
  // Rewrite into the plain "C" form: sign, digits, '.', exponent.
  std::string plain;
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    if (t[i] == '-') plain += '-';
    ++i;
  }
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (c >= '0' && c <= '9') {
      plain += c;
      digits = true;
    } else if (c == sep && !point) {
      plain += '.';
      point = true;
    } else {
      break;
    }
  }
  if (!digits) throw bad();
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) plain += t[i++];
    bool expDigits = false;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
      plain += t[i];
      expDigits = true;
    }
    if (!expDigits) throw bad();
  }
  if (i != t.size()) throw bad();
  double v = 0;
  const char* b = plain.data();
  if (*b == '-') ++b;
  auto r = std::from_chars(b, plain.data() + plain.size(), v);
  if (r.ec != std::errc() || r.ptr != plain.data() + plain.size() || !std::isfinite(v)) throw bad();
  return plain[0] == '-' ? -v : v;
}

double TextToDate(const std::string& text, const TOracleFormats& formats) {
  auto bad = [&]() { return EOracleException("'" + text + "' is not a valid date"); };
  // The order of day, month and year comes from the short date format.
  std::string order;
  for (char c : formats.ShortDateFormat) {
    char u = Upper(c);
    if ((u == 'D' || u == 'M' || u == 'Y') && order.find(u) == std::string::npos) order += u;
  }
  if (order.size() != 3) order = "MDY";
  std::string t = Trimmed(text);
  int values[3] = {0, 0, 0};
  int digitsIn[3] = {0, 0, 0};
  int count = 0;
  size_t i = 0;
  while (i < t.size() && count < 3) {
    if (!(t[i] >= '0' && t[i] <= '9')) throw bad();
    int64_t v = 0;
    int n = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
      v = v * 10 + (t[i] - '0');
      if (v > 99999) throw bad();
      ++i;
      ++n;
    }
    values[count] = int(v);
    digitsIn[count] = n;
    ++count;
    if (i < t.size()) {
      if (t[i] != formats.DateSeparator || count == 3) throw bad();
      ++i;
      if (i >= t.size()) throw bad();
    }
  }
  if (i != t.size() || count < 2) throw bad();
  int year = 0, month = 0, day = 0;
  bool yearGiven = count == 3;
  if (count == 3) {
    for (int k = 0; k < 3; ++k) {
      if (order[k] == 'D') day = values[k];
      else if (order[k] == 'M') month = values[k];
      else year = values[k];
    }
    int yearIndex = int(order.find('Y'));
    if (digitsIn[yearIndex] <= 2) year += year < 50 ? 2000 : 1900;
  } else {
    // Two numbers: day and month in the format's order, this year.
    std::string dm;
    for (char c : order)
      if (c != 'Y') dm += c;
    day = dm[0] == 'D' ? values[0] : values[1];
    month = dm[0] == 'M' ? values[0] : values[1];
    std::time_t now = std::time(nullptr);
    std::tm tmv{};
    localtime_r(&now, &tmv);
    year = tmv.tm_year + 1900;
  }
  (void)yearGiven;
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    throw bad();
  return EncodeDate(year, month, day);
}

}  // namespace oraconv
