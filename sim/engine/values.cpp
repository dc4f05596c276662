// Number and date texts as Oracle writes and reads them.
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>

#include "engine/core.h"
#include "engine/modern_types.h"
#include "platform/ascii.h"

namespace ocisim {

// ---- numbers ---------------------------------------------------------------

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Writes sign, digits and decimal exponent as Oracle's TO_CHAR does: plain
// digits while the text fits 40 characters, else mantissa and exponent.
// `digits` has no leading or trailing zeros; the value is 0.d1d2... * 10^exp.
std::string composeNumber(bool negative, const std::string& digits, long exp) {
  if (digits.empty()) return "0";
  std::string out;
  if (negative) out += '-';
  long n = static_cast<long>(digits.size());
  std::string plain;
  if (exp <= 0) {
    plain = "." + std::string(static_cast<size_t>(-exp), '0') + digits;
  } else if (exp >= n) {
    plain = digits + std::string(static_cast<size_t>(exp - n), '0');
  } else {
    plain = digits.substr(0, static_cast<size_t>(exp)) + "." + digits.substr(static_cast<size_t>(exp));
  }
  if (plain.size() + out.size() <= 40) return out + plain;
  // Scientific: d.ddddE+nn
  std::string m = digits.substr(0, 1);
  if (n > 1) m += "." + digits.substr(1);
  long e = exp - 1;
  char buf[32];
  std::snprintf(buf, sizeof buf, "E%c%02ld", e < 0 ? '-' : '+', e < 0 ? -e : e);
  return out + m + buf;
}

}  // namespace

bool canonicalNumber(std::string_view t, std::string& out) {
  size_t i = 0, n = t.size();
  while (i < n && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r')) ++i;
  while (n > i && (t[n - 1] == ' ' || t[n - 1] == '\t' || t[n - 1] == '\n' || t[n - 1] == '\r')) --n;
  if (i == n) return false;
  bool neg = false;
  if (t[i] == '+' || t[i] == '-') {
    neg = t[i] == '-';
    ++i;
  }
  std::string digits;
  long exp = 0;
  bool any = false, seenPoint = false;
  for (; i < n; ++i) {
    char c = t[i];
    if (isDigit(c)) {
      any = true;
      if (digits.empty() && c == '0') {
        if (seenPoint) --exp;
        continue;
      }
      digits += c;
      if (!seenPoint) ++exp;
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
    } else {
      break;
    }
  }
  if (!any) return false;
  if (i < n) {
    if (t[i] != 'e' && t[i] != 'E') return false;
    ++i;
    bool eneg = false;
    if (i < n && (t[i] == '+' || t[i] == '-')) {
      eneg = t[i] == '-';
      ++i;
    }
    if (i == n) return false;
    long e = 0;
    for (; i < n; ++i) {
      if (!isDigit(t[i])) return false;
      if (e < 100000) e = e * 10 + (t[i] - '0');
    }
    exp += eneg ? -e : e;
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) {
    out = "0";
    return true;
  }
  out = composeNumber(neg, digits, exp);
  return true;
}

std::string canonicalFromInt(int64_t v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

double doubleFromNumberText(const std::string& text) {
  const char* b = text.data();
  const char* e = b + text.size();
  while (b < e && platform::isAsciiSpace(*b)) ++b;
  if (b < e && *b == '+') ++b;
  double d = 0;
  std::from_chars(b, e, d);
  return d;
}

std::string canonicalFromDouble(double d) {
  if (std::isnan(d) || std::isinf(d)) return d < 0 ? "-~" : "~";
  if (d == std::floor(d) && std::fabs(d) < 9e15) return canonicalFromInt(static_cast<int64_t>(d));
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, d);
  std::string out;
  canonicalNumber(std::string_view(buf, static_cast<size_t>(r.ptr - buf)), out);
  return out;
}

namespace {

enum class NumStore { Int, Real, Text };

NumStore storageOf(const std::string& c, int64_t& iv, double& dv) {
  bool integral = c.find('.') == std::string::npos && c.find('E') == std::string::npos;
  if (integral) {
    auto r = std::from_chars(c.data(), c.data() + c.size(), iv);
    if (r.ec == std::errc() && r.ptr == c.data() + c.size()) return NumStore::Int;
  }
  dv = doubleFromNumberText(c);
  if (canonicalFromDouble(dv) == c) return NumStore::Real;
  return NumStore::Text;
}

}  // namespace

// Numbers that a double cannot hold exactly go in as a BLOB of their digits:
// a NUMBER column has SQLite's numeric affinity, which would turn TEXT digits
// into a rounded REAL, while a BLOB is stored as it is.
void bindCanonicalNumber(sqlite3_stmt* st, int index, const std::string& c) {
  int64_t iv;
  double dv;
  switch (storageOf(c, iv, dv)) {
    case NumStore::Int: sqlite3_bind_int64(st, index, iv); break;
    case NumStore::Real: sqlite3_bind_double(st, index, dv); break;
    case NumStore::Text: sqlite3_bind_blob(st, index, c.data(), static_cast<int>(c.size()), SQLITE_TRANSIENT); break;
  }
}

void resultCanonicalNumber(sqlite3_context* ctx, const std::string& c) {
  int64_t iv;
  double dv;
  switch (storageOf(c, iv, dv)) {
    case NumStore::Int: sqlite3_result_int64(ctx, iv); break;
    case NumStore::Real: sqlite3_result_double(ctx, dv); break;
    case NumStore::Text: sqlite3_result_blob(ctx, c.data(), static_cast<int>(c.size()), SQLITE_TRANSIENT); break;
  }
}

bool numberOfValue(sqlite3_value* v, std::string& out) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: out = canonicalFromInt(sqlite3_value_int64(v)); return true;
    case SQLITE_FLOAT: out = canonicalFromDouble(sqlite3_value_double(v)); return true;
    case SQLITE_NULL: out.clear(); return true;
    default: {
      const char* p = static_cast<const char*>(sqlite3_value_blob(v));
      int n = sqlite3_value_bytes(v);
      return canonicalNumber(std::string_view(p ? p : "", static_cast<size_t>(n)), out);
    }
  }
}

bool numberOfColumn(sqlite3_stmt* st, int col, std::string& out) {
  switch (sqlite3_column_type(st, col)) {
    case SQLITE_INTEGER: out = canonicalFromInt(sqlite3_column_int64(st, col)); return true;
    case SQLITE_FLOAT: out = canonicalFromDouble(sqlite3_column_double(st, col)); return true;
    case SQLITE_NULL: out.clear(); return true;
    default: {
      const char* p = static_cast<const char*>(sqlite3_column_blob(st, col));
      int n = sqlite3_column_bytes(st, col);
      return canonicalNumber(std::string_view(p ? p : "", static_cast<size_t>(n)), out);
    }
  }
}

// TO_CHAR(number, format).  Supports the digit models 9 and 0, the decimal
// point (. or D), group separators (, or G), a leading $, S and MI for the
// sign, FM to drop padding, X for hexadecimal and EEEE for scientific.
std::string formatNumber(const std::string& canonical, const std::string& format) {
  std::string f;
  for (char c : format) f += platform::asciiUpper(c);
  bool fm = false;
  if (f.rfind("FM", 0) == 0) {
    fm = true;
    f = f.substr(2);
  }
  double value = doubleFromNumberText(canonical);
  bool neg = !canonical.empty() && canonical[0] == '-';
  if (f.find('X') != std::string::npos) {
    if (neg || value != std::floor(value)) return std::string(f.size() + 1, '#');
    char buf[40];
    bool lower = format.find('x') != std::string::npos;
    std::snprintf(buf, sizeof buf, lower ? "%llx" : "%llX", static_cast<unsigned long long>(value));
    std::string h = buf;
    size_t width = 0;
    bool zeroPad = false;
    for (char c : f) {
      if (c == 'X') ++width;
      else if (c == '0') { ++width; zeroPad = true; }
    }
    if (h.size() > width) return std::string(width + 1, '#');
    if (fm) return h;
    return std::string(width - h.size() + 1, zeroPad ? '0' : ' ').replace(0, 1, " ") + h;
  }
  bool sLead = false, sTrail = false, mi = false, dollar = false, eeee = false;
  if (!f.empty() && f[0] == 'S') { sLead = true; f = f.substr(1); }
  if (f.size() >= 2 && f.substr(f.size() - 2) == "MI") { mi = true; f.resize(f.size() - 2); }
  if (!f.empty() && f.back() == 'S') { sTrail = true; f.pop_back(); }
  if (f.size() >= 4 && f.substr(f.size() - 4) == "EEEE") { eeee = true; f.resize(f.size() - 4); }
  std::string model;
  for (char c : f) {
    if (c == '$') dollar = true;
    else if (c == '9' || c == '0' || c == ',' || c == 'G') model += (c == 'G' ? ',' : c);
    else if (c == '.' || c == 'D') model += '.';
    else if (c == 'B') continue;
    else throw OraError(1481, "invalid number format model");
  }
  size_t point = model.find('.');
  std::string intModel = point == std::string::npos ? model : model.substr(0, point);
  std::string fracModel = point == std::string::npos ? "" : model.substr(point + 1);
  size_t fracDigits = 0;
  for (char c : fracModel) if (c == '9' || c == '0') ++fracDigits;
  size_t intDigits = 0;
  for (char c : intModel) if (c == '9' || c == '0') ++intDigits;
  double a = std::fabs(value);
  std::string body;
  if (eeee) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*E", static_cast<int>(fracDigits), a);
    body = buf;  // d.dddE+XX
    std::string mant = body.substr(0, body.find('E'));
    std::string ex = body.substr(body.find('E') + 1);
    int e = std::atoi(ex.c_str());
    std::snprintf(buf, sizeof buf, "%sE%c%02d", mant.c_str(), e < 0 ? '-' : '+', std::abs(e));
    body = buf;
  } else {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(fracDigits), a);
    std::string s = buf;
    std::string ip = s.substr(0, s.find('.'));
    std::string fp = s.find('.') == std::string::npos ? "" : s.substr(s.find('.') + 1);
    if (ip == "0") ip.clear();
    if (ip.size() > intDigits) return std::string(model.size() + 1, '#');
    // Fill the integer model from the right.
    std::string outInt;
    size_t di = ip.size();
    bool zeroSeen = false;
    size_t firstZero = intModel.find('0');
    for (size_t k = intModel.size(); k-- > 0;) {
      char c = intModel[k];
      if (c == ',') { outInt.insert(outInt.begin(), ','); continue; }
      if (di > 0) outInt.insert(outInt.begin(), ip[--di]);
      else if (firstZero != std::string::npos && k >= firstZero) { outInt.insert(outInt.begin(), '0'); zeroSeen = true; }
      else outInt.insert(outInt.begin(), ' ');
    }
    (void)zeroSeen;
    // Group separators with blanks on their left turn into blanks.
    for (size_t k = 0; k < outInt.size(); ++k) {
      if (outInt[k] == ',' && (k == 0 || outInt[k - 1] == ' ')) outInt[k] = ' ';
    }
    // Oracle shows a lone 0 before the point when there are no integer digits
    // only for a 0 in the model; with 9s an integer of 0 gets "0" when there
    // is no fraction part at all.
    if (ip.empty() && point == std::string::npos && !outInt.empty() && outInt.back() == ' ') outInt.back() = '0';
    std::string outFrac;
    size_t fi = 0;
    for (char c : fracModel) {
      if (c == '9' || c == '0') outFrac += fi < fp.size() ? fp[fi++] : '0';
    }
    if (fm) {
      while (!outFrac.empty() && outFrac.back() == '0' && fracModel.find('0') == std::string::npos) outFrac.pop_back();
    }
    body = outInt + (point != std::string::npos ? "." + outFrac : "");
  }
  if (dollar) {
    size_t firstNon = body.find_first_not_of(' ');
    if (firstNon == std::string::npos) firstNon = body.size();
    body.insert(firstNon, "$");
    if (firstNon == 0) body.insert(0, "");
  }
  bool isNeg = neg && value != 0;
  std::string res;
  if (sLead) {
    size_t firstNon = body.find_first_not_of(' ');
    if (firstNon == std::string::npos) firstNon = body.size();
    body.insert(firstNon, isNeg ? "-" : "+");
    res = body;
  } else if (sTrail) {
    res = body + (isNeg ? "-" : "+");
  } else if (mi) {
    res = body + (isNeg ? "-" : " ");
  } else {
    size_t firstNon = body.find_first_not_of(' ');
    if (firstNon == std::string::npos) firstNon = body.size();
    if (isNeg) {
      if (firstNon > 0) body[firstNon - 1] = '-';
      else body.insert(0, "-");
      res = " " + body;
      // The sign takes the place the leading blank holds for positive values.
      res = body.size() < model.size() + 1 ? " " + body : body;
      if (firstNon == 0) res = body;
      else res = " " + body;
    } else {
      res = " " + body;
    }
  }
  if (fm) {
    size_t b = res.find_first_not_of(' ');
    res = b == std::string::npos ? "" : res.substr(b);
    while (!res.empty() && res.back() == ' ') res.pop_back();
  }
  return res;
}

// ---- dates -----------------------------------------------------------------

namespace {

const char* const kMonths[] = {"JANUARY", "FEBRUARY", "MARCH", "APRIL", "MAY", "JUNE", "JULY",
                               "AUGUST", "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
const char* const kDays[] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int daysIn(int y, int m) {
  static const int d[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : d[m - 1];
}
// Days since 1970-01-01 (proleptic Gregorian).
long daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  long era = (y >= 0 ? y : y - 399) / 400;
  long yoe = y - era * 400;
  long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}
int weekday(const DateTime& d) {  // 0 = Sunday
  long z = daysFromCivil(d.year, d.month, d.day);
  return static_cast<int>(((z % 7) + 11) % 7);
}
std::string upper(std::string s) {
  for (char& c : s) c = platform::asciiUpper(c);
  return s;
}
// Case of a name element follows the case of the format element's letters:
// "MON" JAN, "Mon" Jan, "mon" jan.
std::string cased(const std::string& name, const std::string& elem) {
  bool firstUpper = platform::isAsciiUpper(elem[0]);
  bool secondUpper = elem.size() > 1 && platform::isAsciiUpper(elem[1]);
  std::string out = name;
  for (size_t i = 0; i < out.size(); ++i) {
    bool up = i == 0 ? firstUpper : (firstUpper && secondUpper);
    out[i] = static_cast<char>(up ? platform::asciiUpper(out[i])
                                  : platform::asciiLower(out[i]));
  }
  return out;
}

// The format elements, longest first so that a prefix never wins.
const char* const kElements[] = {"SYYYY", "YYYY", "RRRR", "MONTH", "HH24", "HH12", "YYY", "DDD", "DAY",
                                 "MON", "A.M.", "P.M.", "SSSSS", "YY", "RR", "MM", "DD", "DY", "HH",
                                 "MI", "SS", "AM", "PM", "FM", "FX", "TH", "SP", "Y", "D", "J", "Q",
                                 "WW", "W", "CC", "FF1", "FF2", "FF3", "FF4", "FF5", "FF6", "FF7",
                                 "FF8", "FF9", "FF", "TZH", "TZM", "TZR", "TZD", "X"};

size_t matchElement(const std::string& fmt, size_t pos, std::string& elem) {
  for (const char* e : kElements) {
    size_t n = std::strlen(e);
    if (pos + n <= fmt.size() && upper(fmt.substr(pos, n)) == e) {
      elem = fmt.substr(pos, n);
      return n;
    }
  }
  return 0;
}

std::string pad(long v, int width, bool fm) {
  std::string s = std::to_string(v < 0 ? -v : v);
  if (!fm && static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
  return v < 0 ? "-" + s : s;
}

}  // namespace

std::string storedDate(const DateTime& d) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%04d-%02d-%02d %02d:%02d:%02d", d.year < 0 ? "-" : "", std::abs(d.year), d.month,
                d.day, d.hour, d.minute, d.second);
  return buf;
}

bool parseStoredDate(std::string_view t, DateTime& d) {
  // A year before the Christian era is stored with its sign.
  if (t.size() == 20 && t[0] == '-') {
    if (!parseStoredDate(t.substr(1), d)) return false;
    d.year = -d.year;
    return true;
  }
  if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':') return false;
  auto num = [&](size_t p, size_t n, int& out) {
    int v = 0;
    for (size_t i = p; i < p + n; ++i) {
      if (!isDigit(t[i])) return false;
      v = v * 10 + (t[i] - '0');
    }
    out = v;
    return true;
  };
  return num(0, 4, d.year) && num(5, 2, d.month) && num(8, 2, d.day) && num(11, 2, d.hour) &&
         num(14, 2, d.minute) && num(17, 2, d.second);
}

std::string formatDate(const DateTime& d, const std::string& fmt) {
  std::string out;
  bool fm = false;
  size_t i = 0;
  while (i < fmt.size()) {
    char c = fmt[i];
    if (c == '"') {
      size_t e = fmt.find('"', i + 1);
      if (e == std::string::npos) throw OraError(1821, "date format not recognized");
      out += fmt.substr(i + 1, e - i - 1);
      i = e + 1;
      continue;
    }
    std::string elem;
    size_t n = matchElement(fmt, i, elem);
    if (n == 0) {
      if (platform::isAsciiAlnum(c)) throw OraError(1821, "date format not recognized");
      out += c;
      ++i;
      continue;
    }
    i += n;
    std::string u = upper(elem);
    if (u == "FM") { fm = !fm; continue; }
    if (u == "FX" || u == "TH" || u == "SP") continue;
    if (u == "YYYY" || u == "RRRR" || u == "SYYYY") out += pad(d.year, 4, fm);
    else if (u == "YYY") out += pad(d.year % 1000, 3, fm);
    else if (u == "YY" || u == "RR") out += pad(d.year % 100, 2, fm);
    else if (u == "Y") out += pad(d.year % 10, 1, fm);
    else if (u == "CC") out += pad((d.year + 99) / 100, 2, fm);
    else if (u == "Q") out += std::to_string((d.month - 1) / 3 + 1);
    else if (u == "MM") out += pad(d.month, 2, fm);
    else if (u == "MON") out += cased(std::string(kMonths[d.month - 1]).substr(0, 3), elem);
    else if (u == "MONTH") {
      std::string m = cased(kMonths[d.month - 1], elem);
      if (!fm) m.resize(9, ' ');
      out += m;
    } else if (u == "DD") out += pad(d.day, 2, fm);
    else if (u == "DDD") out += pad(daysFromCivil(d.year, d.month, d.day) - daysFromCivil(d.year, 1, 1) + 1, 3, fm);
    else if (u == "D") out += std::to_string(weekday(d) + 1);
    else if (u == "DY") out += cased(std::string(kDays[weekday(d)]).substr(0, 3), elem);
    else if (u == "DAY") {
      std::string m = cased(kDays[weekday(d)], elem);
      if (!fm) m.resize(9, ' ');
      out += m;
    } else if (u == "J") out += std::to_string(daysFromCivil(d.year, d.month, d.day) + 2440588);
    else if (u == "WW") out += pad((daysFromCivil(d.year, d.month, d.day) - daysFromCivil(d.year, 1, 1)) / 7 + 1, 2, fm);
    else if (u == "W") out += std::to_string((d.day - 1) / 7 + 1);
    else if (u == "HH24") out += pad(d.hour, 2, fm);
    else if (u == "HH" || u == "HH12") out += pad(d.hour % 12 == 0 ? 12 : d.hour % 12, 2, fm);
    else if (u == "MI") out += pad(d.minute, 2, fm);
    else if (u == "SS") out += pad(d.second, 2, fm);
    else if (u == "SSSSS") out += pad(d.hour * 3600 + d.minute * 60 + d.second, 5, fm);
    else if (u == "AM" || u == "PM") out += cased(d.hour < 12 ? "AM" : "PM", elem);
    else if (u == "A.M." || u == "P.M.") out += cased(d.hour < 12 ? "A.M." : "P.M.", elem);
  }
  return out;
}

DateTime currentDate() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  DateTime d;
  d.year = tm.tm_year + 1900;
  d.month = tm.tm_mon + 1;
  d.day = tm.tm_mday;
  d.hour = tm.tm_hour;
  d.minute = tm.tm_min;
  d.second = tm.tm_sec;
  return d;
}

namespace {

DateTime parseDateImpl(const std::string& text, const std::string& fmt, TimeExtras* extras) {
  DateTime now = currentDate();
  DateTime d;
  d.year = now.year;
  d.month = now.month;
  d.day = 1;
  bool pm = false, have12 = false;
  size_t p = 0;  // position in text
  auto skipBlanks = [&] {
    while (p < text.size() && text[p] == ' ') ++p;
  };
  auto readNum = [&](int maxDigits, bool allowSign = false) -> long {
    skipBlanks();
    bool neg = false;
    if (allowSign && p < text.size() && (text[p] == '-' || text[p] == '+')) neg = text[p++] == '-';
    size_t start = p;
    long v = 0;
    while (p < text.size() && isDigit(text[p]) && static_cast<int>(p - start) < maxDigits) v = v * 10 + (text[p++] - '0');
    if (p == start) throw OraError(1858, "a non-numeric character was found where a numeric was expected");
    return neg ? -v : v;
  };
  size_t i = 0;
  while (i < fmt.size()) {
    char c = fmt[i];
    if (c == '"') {
      size_t e = fmt.find('"', i + 1);
      if (e == std::string::npos) throw OraError(1821, "date format not recognized");
      std::string lit = fmt.substr(i + 1, e - i - 1);
      if (upper(text.substr(p, lit.size())) != upper(lit)) throw OraError(1861, "literal does not match format string");
      p += lit.size();
      i = e + 1;
      continue;
    }
    std::string elem;
    size_t n = matchElement(fmt, i, elem);
    if (n == 0) {
      if (platform::isAsciiAlnum(c)) throw OraError(1821, "date format not recognized");
      // Punctuation in the format matches any punctuation (or none) in the text.
      ++i;
      if (p < text.size() && !platform::isAsciiAlnum(text[p])) ++p;
      continue;
    }
    i += n;
    if (p >= text.size()) {
      // Oracle lets the text end early; the rest of the format is unused.
      break;
    }
    std::string u = upper(elem);
    if (u == "FM" || u == "FX" || u == "TH" || u == "SP") continue;
    if (u == "YYYY" || u == "SYYYY") {
      long y = readNum(4, u == "SYYYY");
      d.year = static_cast<int>(y);
    } else if (u == "RRRR" || u == "RR") {
      skipBlanks();
      size_t start = p;
      // RR also takes a four-digit year as it is.
      long y = readNum(4);
      if (p - start <= 2) {
        int cur = now.year % 100, century = now.year / 100 * 100;
        if (y < 50) d.year = static_cast<int>(cur < 50 ? century + y : century + 100 + y);
        else d.year = static_cast<int>(cur < 50 ? century - 100 + y : century + y);
      } else {
        d.year = static_cast<int>(y);
      }
    } else if (u == "YY") {
      d.year = static_cast<int>(now.year / 100 * 100 + readNum(2));
    } else if (u == "YYY") {
      d.year = static_cast<int>(now.year / 1000 * 1000 + readNum(3));
    } else if (u == "Y") {
      d.year = static_cast<int>(now.year / 10 * 10 + readNum(1));
    } else if (u == "MM") {
      long m = readNum(2);
      if (m < 1 || m > 12) throw OraError(1843, "not a valid month");
      d.month = static_cast<int>(m);
    } else if (u == "MON" || u == "MONTH") {
      skipBlanks();
      int found = 0;
      for (int m = 0; m < 12 && !found; ++m) {
        std::string full = kMonths[m];
        if (upper(text.substr(p, full.size())) == full) { found = m + 1; p += full.size(); }
        else if (upper(text.substr(p, 3)) == full.substr(0, 3)) { found = m + 1; p += 3; }
      }
      if (!found) throw OraError(1843, "not a valid month");
      d.month = found;
    } else if (u == "DD") {
      long v = readNum(2);
      if (v < 1 || v > 31) throw OraError(1847, "day of month must be between 1 and last day of month");
      d.day = static_cast<int>(v);
    } else if (u == "DY" || u == "DAY") {
      skipBlanks();
      bool found = false;
      for (int k = 0; k < 7 && !found; ++k) {
        std::string full = kDays[k];
        if (upper(text.substr(p, full.size())) == full) { found = true; p += full.size(); }
        else if (upper(text.substr(p, 3)) == full.substr(0, 3)) { found = true; p += 3; }
      }
      if (!found) throw OraError(1846, "not a valid day of the week");
    } else if (u == "D") {
      readNum(1);
    } else if (u == "DDD") {
      long v = readNum(3);
      if (v < 1 || v > (leap(d.year) ? 366 : 365)) throw OraError(1848, "day of year must be between 1 and 365 (366 for leap year)");
      long z = daysFromCivil(d.year, 1, 1) + v - 1;
      // Convert back to month and day.
      int m = 1;
      long rest = z - daysFromCivil(d.year, 1, 1);
      while (rest >= daysIn(d.year, m)) { rest -= daysIn(d.year, m); ++m; }
      d.month = m;
      d.day = static_cast<int>(rest + 1);
    } else if (u == "J") {
      long j = readNum(7);
      long z = j - 2440588;
      // civil from days
      z += 719468;
      long era = (z >= 0 ? z : z - 146096) / 146097;
      long doe = z - era * 146097;
      long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
      long y = yoe + era * 400;
      long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
      long mp = (5 * doy + 2) / 153;
      d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
      d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
      d.year = static_cast<int>(y + (d.month <= 2));
    } else if (u == "HH24") {
      long v = readNum(2);
      if (v > 23) throw OraError(1850, "hour must be between 0 and 23");
      d.hour = static_cast<int>(v);
    } else if (u == "HH" || u == "HH12") {
      long v = readNum(2);
      if (v < 1 || v > 12) throw OraError(1849, "hour must be between 1 and 12");
      d.hour = static_cast<int>(v % 12);
      have12 = true;
    } else if (u == "MI") {
      long v = readNum(2);
      if (v > 59) throw OraError(1851, "minutes must be between 0 and 59");
      d.minute = static_cast<int>(v);
    } else if (u == "SS") {
      long v = readNum(2);
      if (v > 59) throw OraError(1852, "seconds must be between 0 and 59");
      d.second = static_cast<int>(v);
    } else if (u == "SSSSS") {
      long v = readNum(5);
      if (v > 86399) throw OraError(1853, "seconds in day must be between 0 and 86399");
      d.hour = static_cast<int>(v / 3600);
      d.minute = static_cast<int>(v / 60 % 60);
      d.second = static_cast<int>(v % 60);
    } else if (extras && u.rfind("FF", 0) == 0) {
      int width = u.size() == 3 ? u[2] - '0' : 9;
      size_t start = p;
      long v = 0;
      while (p < text.size() && isDigit(text[p]) && static_cast<int>(p - start) < width) v = v * 10 + (text[p++] - '0');
      if (p == start) throw OraError(1858, "a non-numeric character was found where a numeric was expected");
      for (size_t k = p - start; k < 9; ++k) v *= 10;
      extras->nanos = static_cast<int>(v);
    } else if (extras && u == "X") {
      if (text[p] != '.' && text[p] != ',') throw OraError(1861, "literal does not match format string");
      ++p;
    } else if (extras && u == "TZH") {
      skipBlanks();
      bool neg = p < text.size() && text[p] == '-';
      long h = readNum(2, true);
      if (h < -15 || h > 15) throw OraError(1874, "time zone hour must be between -15 and 15");
      extras->hasZone = true;
      extras->offsetMinutes = static_cast<int>(h * 60);
      extras->region = neg ? "-" : "+";  // the sign, for TZM
    } else if (extras && u == "TZM") {
      long m = readNum(2);
      if (m > 59) throw OraError(1875, "time zone minute must be between -59 and 59");
      extras->offsetMinutes += static_cast<int>(extras->region == "-" ? -m : m);
      extras->hasZone = true;
    } else if (extras && (u == "TZR" || u == "TZD")) {
      skipBlanks();
      size_t start = p;
      while (p < text.size() && text[p] != ' ') ++p;
      if (u == "TZR") {
        extras->hasZone = true;
        extras->region = text.substr(start, p - start);
      }
    } else if (u == "AM" || u == "PM" || u == "A.M." || u == "P.M.") {
      skipBlanks();
      std::string w = upper(text.substr(p, u.size()));
      if (w == "AM" || w == "A.M.") pm = false;
      else if (w == "PM" || w == "P.M.") pm = true;
      else throw OraError(1855, "AM/A.M. or PM/P.M. required");
      p += u.size();
    } else {
      throw OraError(1821, "date format not recognized");
    }
  }
  skipBlanks();
  if (p < text.size()) throw OraError(1830, "date format picture ends before converting entire input string");
  if (have12 && pm) d.hour += 12;
  if (d.year < -4712 || d.year > 9999 || d.year == 0)
    throw OraError(1841, "(full) year must be between -4713 and +9999, and not be 0");
  if (d.day > daysIn(d.year, d.month)) throw OraError(1839, "date not valid for month specified");
  return d;
}

}  // namespace

DateTime parseDate(const std::string& text, const std::string& fmt) { return parseDateImpl(text, fmt, nullptr); }

DateTime parseDateTime(const std::string& text, const std::string& fmt, TimeExtras& extras) {
  extras = TimeExtras{};
  DateTime d = parseDateImpl(text, fmt, &extras);
  // TZH left its sign where TZR keeps a region.
  if (extras.region == "+" || extras.region == "-") extras.region.clear();
  return d;
}

}  // namespace ocisim
