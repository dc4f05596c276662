#include "platform/locale_formats.h"

#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <cstdio>
#include <mutex>
#include <optional>

namespace platform {

namespace {
std::mutex& formatsMutex() {
  static std::mutex m;
  return m;
}
std::optional<LocaleFormats>& pinned() {
  static std::optional<LocaleFormats> formats;
  return formats;
}

// Turns a strftime pattern of the C library into the program's notation.
std::string fromStrftime(const std::string& f) {
  std::string out;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '%' || i + 1 >= f.size()) {
      out += f[i];
      continue;
    }
    char c = f[++i];
    if ((c == 'E' || c == 'O') && i + 1 < f.size()) c = f[++i];  // alternative forms
    switch (c) {
      case 'd': out += "dd"; break;
      case 'e': out += "d"; break;
      case 'm': out += "mm"; break;
      case 'y': out += "yy"; break;
      case 'Y': out += "yyyy"; break;
      case 'b': case 'h': out += "mmm"; break;
      case 'B': out += "mmmm"; break;
      case 'H': out += "hh"; break;
      case 'k': out += "h"; break;
      case 'I': out += "hh"; break;
      case 'l': out += "h"; break;
      case 'M': out += "nn"; break;
      case 'S': out += "ss"; break;
      case 'p': case 'P': out += "ampm"; break;
      case 'D': out += "mm/dd/yy"; break;
      case 'F': out += "yyyy-mm-dd"; break;
      case 'T': out += "hh:nn:ss"; break;
      case 'R': out += "hh:nn"; break;
      case 'r': out += "hh:nn:ss ampm"; break;
      case '%': out += '%'; break;
      default: break;  // week days, zones and the like: left out
    }
  }
  return out;
}

const char* const kMonthShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kMonthLong[] = {"January", "February", "March",     "April",   "May",      "June",
                                  "July",    "August",   "September", "October", "November", "December"};

bool startsWithNoCase(const std::string& s, size_t at, const char* word) {
  for (size_t k = 0; word[k]; ++k) {
    if (at + k >= s.size()) return false;
    char a = s[at + k], b = word[k];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

std::string pad(int v, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*d", width, v);
  return buf;
}

// Days since 1 January 1970 of a proleptic Gregorian date, and back
// (the well-known era-based civil calendar conversions).
long long daysFromCivil(long long y, int m, int d) {
  y -= m <= 2;
  long long era = (y >= 0 ? y : y - 399) / 400;
  long long yoe = y - era * 400;
  long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long y = yoe + era * 400;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

const long long kEpoch = daysFromCivil(1899, 12, 30);
}  // namespace

LocaleFormats processLocaleFormats() {
  LocaleFormats f;
  std::string d = nl_langinfo(D_FMT);
  std::string t = nl_langinfo(T_FMT);
  if (!d.empty()) f.shortDateFormat = fromStrftime(d);
  if (!t.empty()) f.longTimeFormat = fromStrftime(t);
  const char* dp = nl_langinfo(RADIXCHAR);
  if (dp && dp[0] && !dp[1]) f.decimalSeparator = dp[0];
  return f;
}

LocaleFormats localeFormats() {
  {
    std::lock_guard<std::mutex> guard(formatsMutex());
    if (pinned()) return *pinned();
  }
  return processLocaleFormats();
}

void setLocaleFormats(const LocaleFormats& formats) {
  std::lock_guard<std::mutex> guard(formatsMutex());
  pinned() = formats;
}

void clearLocaleFormats() {
  std::lock_guard<std::mutex> guard(formatsMutex());
  pinned().reset();
}

double encodeDateTime(const DateTimeParts& p) {
  double days = static_cast<double>(daysFromCivil(p.year, p.month, p.day) - kEpoch);
  double time = (p.hour * 3600000.0 + p.minute * 60000.0 + p.second * 1000.0 + p.millisecond) / 86400000.0;
  // Before the epoch the whole part counts back while the fraction still
  // adds time of day, so -1.25 is 29 December 1899 06:00.
  return days >= 0 ? days + time : days - time;
}

DateTimeParts decodeDateTime(double value) {
  double whole = std::trunc(value);
  long long ms = std::llround(std::fabs(value - whole) * 86400000.0);
  long long days = static_cast<long long>(whole);
  if (ms >= 86400000LL) {  // rounding reached the next day
    ms -= 86400000LL;
    days += value >= 0 ? 1 : -1;
  }
  DateTimeParts p;
  civilFromDays(days + kEpoch, p.year, p.month, p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

std::string formatDateTime(const std::string& f, const DateTimeParts& p) {
  // A twelve-hour marker anywhere switches the hours to the twelve-hour clock.
  bool twelve = false;
  for (size_t i = 0; i < f.size(); ++i)
    if (startsWithNoCase(f, i, "am/pm") || startsWithNoCase(f, i, "a/p") || startsWithNoCase(f, i, "ampm"))
      twelve = true;
  int hour = p.hour;
  if (twelve) hour = hour % 12 == 0 ? 12 : hour % 12;

  std::string out;
  size_t i = 0;
  auto run = [&](char c) {
    size_t n = 0;
    while (i + n < f.size() && (f[i + n] == c || f[i + n] == c - 'a' + 'A')) ++n;
    return n;
  };
  while (i < f.size()) {
    char c = f[i];
    char lc = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (c == '"' || c == '\'') {
      size_t close = f.find(c, i + 1);
      if (close == std::string::npos) close = f.size();
      out += f.substr(i + 1, close - i - 1);
      i = close + 1;
      continue;
    }
    if (startsWithNoCase(f, i, "am/pm")) {
      out += p.hour < 12 ? "am" : "pm";
      i += 5;
      continue;
    }
    if (startsWithNoCase(f, i, "a/p")) {
      out += p.hour < 12 ? "a" : "p";
      i += 3;
      continue;
    }
    if (startsWithNoCase(f, i, "ampm")) {
      out += p.hour < 12 ? "AM" : "PM";
      i += 4;
      continue;
    }
    size_t n = 0;
    switch (lc) {
      case 'd':
        n = run(c);
        out += n >= 2 ? pad(p.day, 2) : std::to_string(p.day);
        break;
      case 'm':
        n = run(c);
        if (n >= 4) out += kMonthLong[(p.month - 1) % 12];
        else if (n == 3) out += kMonthShort[(p.month - 1) % 12];
        else out += n == 2 ? pad(p.month, 2) : std::to_string(p.month);
        break;
      case 'y':
        n = run(c);
        out += n >= 3 ? pad(p.year, 4) : pad(p.year % 100, 2);
        break;
      case 'h':
        n = run(c);
        out += n >= 2 ? pad(hour, 2) : std::to_string(hour);
        break;
      case 'n':
        n = run(c);
        out += n >= 2 ? pad(p.minute, 2) : std::to_string(p.minute);
        break;
      case 's':
        n = run(c);
        out += n >= 2 ? pad(p.second, 2) : std::to_string(p.second);
        break;
      case 'z':
        n = run(c);
        out += n >= 3 ? pad(p.millisecond, 3) : std::to_string(p.millisecond);
        break;
      default:
        out += c;
        n = 1;
    }
    i += n;
  }
  return out;
}

std::string dateTimeToString(const DateTimeParts& p, const LocaleFormats& formats) {
  std::string text = formatDateTime(formats.shortDateFormat, p);
  if (p.hour || p.minute || p.second || p.millisecond) text += " " + formatDateTime(formats.longTimeFormat, p);
  return text;
}

}  // namespace platform
