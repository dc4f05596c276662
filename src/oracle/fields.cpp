#include "oracle/fields.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

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

TOracleVariant TOracleVariant::FromArray(std::vector<TOracleVariant> items, int32_t low) {
  TOracleVariant r(Kind::Array);
  r.items_ = std::move(items);
  r.int_ = low;
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

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }

bool StartsWithNoCase(const std::string& s, size_t pos, const char* word) {
  size_t n = std::strlen(word);
  if (pos + n > s.size()) return false;
  for (size_t i = 0; i < n; ++i)
    if (Upper(s[pos + i]) != Upper(word[i])) return false;
  return true;
}

// A format string is compiled once into tokens; texts of dates are made
// for every row, so the format is not parsed again each time.
enum class Tok {
  Literal, Day, Day2, DayShort, DayLong, Month, Month2, MonthShort, MonthLong, Year2, Year4,
  Hour, Hour2, Minute, Minute2, Second, Second2, Msec, Msec3, AmPm, AmPmUpper, AP, APUpper, AmPmWord,
  DateAndTime,  // "c": short date, and the long time unless it is midnight
};

struct Token {
  Tok kind;
  std::string text;  // Literal
};

using Tokens = std::vector<Token>;

void Compile(Tokens& out, const std::string& fmt, const TOracleFormats& f, int depth, bool& twelve);

bool HasAmPm(const std::string& fmt) {
  for (size_t i = 0; i < fmt.size(); ++i)
    if (StartsWithNoCase(fmt, i, "am/pm") || StartsWithNoCase(fmt, i, "a/p") ||
        StartsWithNoCase(fmt, i, "ampm"))
      return true;
  return false;
}

void Literal(Tokens& out, char c) {
  if (!out.empty() && out.back().kind == Tok::Literal) out.back().text += c;
  else out.push_back({Tok::Literal, std::string(1, c)});
}

void Compile(Tokens& out, const std::string& fmt, const TOracleFormats& f, int depth, bool& twelve) {
  if (depth > 2) return;  // a format that names itself would never end
  const bool local12 = HasAmPm(fmt);
  twelve = twelve || local12;
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
        for (size_t k = i + 1; k < end; ++k) Literal(out, fmt[k]);
        i = end + 1;
        continue;
      }
      case 'D':
        if (run == 1) out.push_back({Tok::Day, {}});
        else if (run == 2) out.push_back({Tok::Day2, {}});
        else if (run == 3) out.push_back({Tok::DayShort, {}});
        else if (run == 4) out.push_back({Tok::DayLong, {}});
        else Compile(out, f.ShortDateFormat, f, depth + 1, twelve);
        i += run;
        lastWasHour = false;
        continue;
      case 'M':
        if (lastWasHour && run <= 2) out.push_back({run == 1 ? Tok::Minute : Tok::Minute2, {}});
        else if (run == 1) out.push_back({Tok::Month, {}});
        else if (run == 2) out.push_back({Tok::Month2, {}});
        else if (run == 3) out.push_back({Tok::MonthShort, {}});
        else out.push_back({Tok::MonthLong, {}});
        i += run;
        lastWasHour = false;
        continue;
      case 'Y':
        out.push_back({run <= 2 ? Tok::Year2 : Tok::Year4, {}});
        i += run;
        lastWasHour = false;
        continue;
      case 'H':
        out.push_back({run == 1 ? Tok::Hour : Tok::Hour2, {}});
        i += run;
        lastWasHour = true;
        continue;
      case 'N':
        out.push_back({run == 1 ? Tok::Minute : Tok::Minute2, {}});
        i += run;
        lastWasHour = false;
        continue;
      case 'S':
        out.push_back({run == 1 ? Tok::Second : Tok::Second2, {}});
        i += run;
        lastWasHour = false;
        continue;
      case 'Z':
        out.push_back({run >= 3 ? Tok::Msec3 : Tok::Msec, {}});
        i += run;
        continue;
      case 'T':
        if (run == 1) Compile(out, "hh:nn", f, depth + 1, twelve);
        else Compile(out, f.LongTimeFormat, f, depth + 1, twelve);
        i += run;
        continue;
      case 'C':
        out.push_back({Tok::DateAndTime, {}});
        i += 1;
        continue;
      case 'A':
        if (StartsWithNoCase(fmt, i, "am/pm")) {
          out.push_back({fmt[i] == 'A' ? Tok::AmPmUpper : Tok::AmPm, {}});
          i += 5;
          continue;
        }
        if (StartsWithNoCase(fmt, i, "a/p")) {
          out.push_back({fmt[i] == 'A' ? Tok::APUpper : Tok::AP, {}});
          i += 3;
          continue;
        }
        if (StartsWithNoCase(fmt, i, "ampm")) {
          out.push_back({Tok::AmPmWord, {}});
          i += 4;
          continue;
        }
        Literal(out, c);
        ++i;
        continue;
      case '/':
        Literal(out, f.DateSeparator);
        ++i;
        continue;
      case ':':
        Literal(out, f.TimeSeparator);
        ++i;
        continue;
      default:
        Literal(out, c);
        ++i;
        continue;
    }
  }
}

struct CompiledFormat {
  Tokens tokens;
  bool twelve = false;
};

struct CacheEntry {
  std::string format, shortDate, longTime;
  char dateSeparator, timeSeparator;
  CompiledFormat compiled;
};

const CompiledFormat& CompiledFor(const std::string& fmt, const TOracleFormats& f) {
  thread_local std::vector<CacheEntry> cache;
  for (auto& e : cache)
    if (e.format == fmt && e.shortDate == f.ShortDateFormat && e.longTime == f.LongTimeFormat &&
        e.dateSeparator == f.DateSeparator && e.timeSeparator == f.TimeSeparator)
      return e.compiled;
  if (cache.size() >= 16) cache.clear();
  CacheEntry e{fmt, f.ShortDateFormat, f.LongTimeFormat, f.DateSeparator, f.TimeSeparator, {}};
  Compile(e.compiled.tokens, fmt, f, 0, e.compiled.twelve);
  cache.push_back(std::move(e));
  return cache.back().compiled;
}

// Collects text in a buffer on the stack and hands it over in one piece.
class Sink {
 public:
  explicit Sink(std::string& out) : out_(out) {}
  ~Sink() { out_.append(buf_, n_); }
  void Put(char c) {
    if (n_ == sizeof buf_) Flush();
    buf_[n_++] = c;
  }
  void Put(const char* text, size_t len) {
    if (n_ + len > sizeof buf_) {
      Flush();
      if (len > sizeof buf_) {
        out_.append(text, len);
        return;
      }
    }
    std::memcpy(buf_ + n_, text, len);
    n_ += len;
  }
  void Put(const char* text) { Put(text, std::strlen(text)); }
  void Put(const std::string& text) { Put(text.data(), text.size()); }
  void Digits(int v, int width) {
    char tmp[12];
    int n = 12;
    unsigned u = v < 0 ? 0u - unsigned(v) : unsigned(v);
    do {
      tmp[--n] = char('0' + u % 10);
      u /= 10;
    } while (u);
    while (12 - n < width) tmp[--n] = '0';
    if (v < 0) tmp[--n] = '-';
    Put(tmp + n, size_t(12 - n));
  }

 private:
  void Flush() {
    out_.append(buf_, n_);
    n_ = 0;
  }
  std::string& out_;
  char buf_[128];
  size_t n_ = 0;
};

double EncodeDateUnchecked(int year, int month, int day);

void RenderInto(Sink& out, const CompiledFormat& cf, const DateParts& p, const TOracleFormats& f) {
  for (const Token& t : cf.tokens) {
    switch (t.kind) {
      case Tok::Literal: out.Put(t.text); break;
      case Tok::Day: out.Digits(p.day, 1); break;
      case Tok::Day2: out.Digits(p.day, 2); break;
      case Tok::DayShort:
      case Tok::DayLong: {
        int64_t days = int64_t(EncodeDateUnchecked(p.year, p.month, p.day)) + kDateDelta;
        int wd = int(((days % 7) + 7) % 7);  // 0 = Sunday
        out.Put(t.kind == Tok::DayShort ? kShortDays[wd] : kLongDays[wd]);
        break;
      }
      case Tok::Month: out.Digits(p.month, 1); break;
      case Tok::Month2: out.Digits(p.month, 2); break;
      case Tok::MonthShort: out.Put(kShortMonths[p.month - 1]); break;
      case Tok::MonthLong: out.Put(kLongMonths[p.month - 1]); break;
      case Tok::Year2: out.Digits(p.year % 100, 2); break;
      case Tok::Year4: out.Digits(p.year, 4); break;
      case Tok::Hour:
      case Tok::Hour2: {
        int h = p.hour;
        if (cf.twelve) {
          h %= 12;
          if (h == 0) h = 12;
        }
        out.Digits(h, t.kind == Tok::Hour ? 1 : 2);
        break;
      }
      case Tok::Minute: out.Digits(p.minute, 1); break;
      case Tok::Minute2: out.Digits(p.minute, 2); break;
      case Tok::Second: out.Digits(p.second, 1); break;
      case Tok::Second2: out.Digits(p.second, 2); break;
      case Tok::Msec: out.Digits(p.msec, 1); break;
      case Tok::Msec3: out.Digits(p.msec, 3); break;
      case Tok::AmPm: out.Put(p.hour < 12 ? "am" : "pm", 2); break;
      case Tok::AmPmUpper: out.Put(p.hour < 12 ? "AM" : "PM", 2); break;
      case Tok::AP: out.Put(p.hour < 12 ? 'a' : 'p'); break;
      case Tok::APUpper: out.Put(p.hour < 12 ? 'A' : 'P'); break;
      case Tok::AmPmWord: out.Put(p.hour < 12 ? "AM" : "PM", 2); break;
      case Tok::DateAndTime:
        RenderInto(out, CompiledFor(f.ShortDateFormat, f), p, f);
        if (p.hour || p.minute || p.second || p.msec) {
          out.Put(' ');
          RenderInto(out, CompiledFor(f.LongTimeFormat, f), p, f);
        }
        break;
    }
  }
}

void Render(std::string& out, const CompiledFormat& cf, const DateParts& p, const TOracleFormats& f) {
  Sink sink(out);
  RenderInto(sink, cf, p, f);
}

std::string Trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (unsigned char)s[b] <= ' ') ++b;
  while (e > b && (unsigned char)s[e - 1] <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

namespace {
double EncodeDateUnchecked(int year, int month, int day) {
  int64_t days = day;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  int64_t y = year - 1;
  days += y * 365 + y / 4 - y / 100 + y / 400 - kDateDelta;
  return double(days);
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

DateParts OracleDateToParts(const unsigned char* b) {
  DateParts p;
  p.year = (b[0] * 100 + b[1]) - 10100;
  p.month = b[2];
  p.day = b[3];
  if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > DaysInMonth(p.year, p.month))
    throw EOracleException("Invalid argument to date encode");
  p.hour = b[4] - 1;
  p.minute = b[5] - 1;
  p.second = b[6] - 1;
  if (p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59)
    throw EOracleException("Invalid argument to time encode");
  return p;
}

std::string OracleDateToText(const unsigned char* date7, const TOracleFormats& formats) {
  DateParts p = OracleDateToParts(date7);
  std::string out;
  out.reserve(32);
  static const std::string kDate = "ddddd", kDateTime = "ddddd tt";
  bool midnight = p.hour == 0 && p.minute == 0 && p.second == 0;
  Render(out, CompiledFor(midnight ? kDate : kDateTime, formats), p, formats);
  return out;
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
  // The shortest text that reads back as the same double is also the value
  // rounded to 15 significant digits whenever it has no more than 15 of them
  // (a double carries at least 15); only longer ones need rounding.
  auto res = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific);
  *res.ptr = '\0';
  {
    int sig = 0;
    for (const char* c = buf; *c && *c != 'e'; ++c)
      if (*c >= '0' && *c <= '9') ++sig;
    if (sig > 15) {
      res = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific, 14);
      *res.ptr = '\0';
    }
  }
  // buf: [-]d.dddddddddddddde[+-]xx
  const char* s = buf;
  char out[64];
  int n = 0;
  if (*s == '-') {
    out[n++] = '-';
    ++s;
  }
  char digits[20];
  int nd = 0;
  while (*s && *s != 'e') {
    if (*s != '.' && nd < 20) digits[nd++] = *s;
    ++s;
  }
  int exp = *s == 'e' ? std::atoi(s + 1) : 0;
  while (nd > 1 && digits[nd - 1] == '0') --nd;

  if (exp < -5 || exp >= 15) {
    out[n++] = digits[0];
    if (nd > 1) {
      out[n++] = sep;
      for (int k = 1; k < nd; ++k) out[n++] = digits[k];
    }
    out[n++] = 'E';
    if (exp < 0) out[n++] = '-';
    int e = exp < 0 ? -exp : exp;
    char eb[8];
    int ne = 0;
    do {
      eb[ne++] = char('0' + e % 10);
      e /= 10;
    } while (e);
    while (ne) out[n++] = eb[--ne];
    return std::string(out, size_t(n));
  }
  if (exp >= 0) {
    int intDigits = exp + 1;
    for (int k = 0; k < intDigits; ++k) out[n++] = k < nd ? digits[k] : '0';
    if (nd > intDigits) {
      out[n++] = sep;
      for (int k = intDigits; k < nd; ++k) out[n++] = digits[k];
    }
  } else {
    out[n++] = '0';
    out[n++] = sep;
    for (int k = 0; k < -exp - 1; ++k) out[n++] = '0';
    for (int k = 0; k < nd; ++k) out[n++] = digits[k];
  }
  return std::string(out, size_t(n));
}

std::string IntegerToText(int64_t value) { return std::to_string(value); }

std::string FormatDateTime(const std::string& format, double dt, const TOracleFormats& formats) {
  std::string out;
  out.reserve(32);
  Render(out, CompiledFor(format, formats), DecodeDateTime(dt), formats);
  return out;
}

std::string DateTimeToText(double dt, const TOracleFormats& formats) {
  double frac = std::fabs(dt - std::trunc(dt));
  return FormatDateTime(frac == 0 ? "ddddd" : "ddddd tt", dt, formats);
}

std::string ToCRLF(const std::string& text) {
  if (!HasLineBreak(text)) return text;
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
