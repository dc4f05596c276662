// Oracle's SQL functions, registered on every connection under names the
// translator emits (ocisim_*).  They follow Oracle's rules: the empty string
// is NULL, numbers read as text the way TO_CHAR writes them, and bad input
// fails with Oracle's error.
#include <cmath>
#include <cstring>

#include "engine/core.h"
#include "engine/modern_types.h"
#include "platform/ascii.h"

namespace ocisim {

namespace {

Session* sessionOf(sqlite3_context* ctx) { return static_cast<Session*>(sqlite3_user_data(ctx)); }

void fail(sqlite3_context* ctx, const OraError& e) { sqlite3_result_error(ctx, e.what(), -1); }

bool isNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

// A value as Oracle's character text: numbers canonical, everything else as stored.
std::string textOf(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
      std::string s;
      numberOfValue(v, s);
      return s;
    }
    case SQLITE_NULL: return {};
    default: {
      const unsigned char* p = sqlite3_value_text(v);
      return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_value_bytes(v)));
    }
  }
}

void resultText(sqlite3_context* ctx, const std::string& s) {
  if (s.empty()) sqlite3_result_null(ctx);
  else sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// A value read as a number; throws ORA-01722 for text that is none.
double numberArg(sqlite3_value* v) {
  int t = sqlite3_value_type(v);
  if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) return sqlite3_value_double(v);
  std::string c;
  if (!numberOfValue(v, c)) throw OraError(1722, "invalid number");
  return doubleFromNumberText(c);
}
int64_t intArg(sqlite3_value* v) {
  double d = numberArg(v);
  return static_cast<int64_t>(std::trunc(d));
}

// UTF-8 aware character positions.
std::vector<size_t> charStarts(const std::string& s) {
  std::vector<size_t> out;
  for (size_t i = 0; i < s.size(); ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) out.push_back(i);
  return out;
}

using Fn = void (*)(sqlite3_context*, int, sqlite3_value**);

#define GUARDED(...)                       \
  try {                                    \
    __VA_ARGS__                            \
  } catch (const OraError& e) {            \
    fail(ctx, e);                          \
  } catch (const std::exception& e) {      \
    sqlite3_result_error(ctx, e.what(), -1); \
  }

void fnUser(sqlite3_context* ctx, int, sqlite3_value**) {
  Session* s = sessionOf(ctx);
  resultText(ctx, s ? s->user : std::string());
}

void fnSysdate(sqlite3_context* ctx, int, sqlite3_value**) { resultText(ctx, storedDate(currentDate())); }

// VARCHAR2 concatenation holds at most 4,000 bytes; a chain with a CLOB
// operand (ocisim_concat_clob) has no such limit.
void fnConcat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  GUARDED({
    std::string out;
    for (int i = 0; i < argc; ++i) out += textOf(argv[i]);
    if (out.size() > 4000) throw OraError(1489, "result of string concatenation is too long");
    resultText(ctx, out);
  })
}

void fnConcatClob(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  std::string out;
  for (int i = 0; i < argc; ++i) out += textOf(argv[i]);
  resultText(ctx, out);
}

// A stored date as text in the session's date format (implicit conversion).
void fnDateText(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    std::string t = textOf(argv[0]);
    DateTime d;
    if (!parseStoredDate(t, d)) return resultText(ctx, t);
    resultText(ctx, formatDate(d, sessionOf(ctx)->nlsDateFormat));
  })
}

void fnToChar(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    bool haveFmt = argc > 1 && !isNull(argv[1]);
    if (argc > 1 && isNull(argv[1])) return sqlite3_result_null(ctx);
    int t = sqlite3_value_type(argv[0]);
    std::string fmt = haveFmt ? textOf(argv[1]) : std::string();
    if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) {
      std::string c;
      numberOfValue(argv[0], c);
      return resultText(ctx, haveFmt ? formatNumber(c, fmt) : c);
    }
    std::string text = textOf(argv[0]);
    DateTime d;
    if (parseStoredDate(text, d)) return resultText(ctx, formatDate(d, haveFmt ? fmt : sessionOf(ctx)->nlsDateFormat));
    if (t == SQLITE_BLOB) {
      std::string c;
      if (numberOfValue(argv[0], c)) return resultText(ctx, haveFmt ? formatNumber(c, fmt) : c);
    }
    if (haveFmt) {
      std::string c;
      if (!canonicalNumber(text, c)) throw OraError(1722, "invalid number");
      return resultText(ctx, formatNumber(c, fmt));
    }
    resultText(ctx, text);
  })
}

void fnToDate(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0]) || (argc > 1 && isNull(argv[1]))) return sqlite3_result_null(ctx);
    std::string text = textOf(argv[0]);
    DateTime d;
    if (argc == 1 && parseStoredDate(text, d)) return resultText(ctx, text);
    std::string fmt = argc > 1 ? textOf(argv[1]) : sessionOf(ctx)->nlsDateFormat;
    resultText(ctx, storedDate(parseDate(text, fmt)));
  })
}

void fnToNumber(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    int t = sqlite3_value_type(argv[0]);
    if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) return sqlite3_result_value(ctx, argv[0]);
    std::string text = textOf(argv[0]);
    if (argc > 1) {
      // Drop the format's decoration: group separators, currency, blanks.
      std::string clean;
      for (char c : text)
        if (c != ',' && c != '$' && c != ' ') clean += c;
      text = clean;
    }
    std::string c;
    if (!canonicalNumber(text, c)) throw OraError(1722, "invalid number");
    resultCanonicalNumber(ctx, c);
  })
}

// Conversions to a column's type on INSERT and UPDATE.
// ocisim_as_text(v [, pad [, max, chars, label]]): a CHAR column pads to `pad`;
// a value longer than `max` (characters when `chars`, else bytes) fails
// with ORA-12899 naming the column.
void fnAsText(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    std::string t = textOf(argv[0]);
    if (t.empty()) return sqlite3_result_null(ctx);
    size_t chars = charStarts(t).size();
    if (argc > 2) {
      int64_t max = sqlite3_value_int64(argv[2]);
      bool byChars = sqlite3_value_int(argv[3]) != 0;
      int64_t actual = static_cast<int64_t>(byChars ? chars : t.size());
      if (max > 0 && actual > max)
        throw OraError(12899, "value too large for column " + textOf(argv[4]) + " (actual: " + std::to_string(actual) +
                                  ", maximum: " + std::to_string(max) + ")");
    }
    if (argc > 1 && !isNull(argv[1])) {  // CHAR(n): blank-padded
      size_t n = static_cast<size_t>(sqlite3_value_int64(argv[1]));
      if (chars < n) t.append(n - chars, ' ');
    }
    resultText(ctx, t);
  })
}

// Rounds canonical digits to `scale` places (negative: left of the point),
// half away from zero, without going through a double.
std::string roundDigits(const std::string& c, int scale) {
  bool neg = !c.empty() && c[0] == '-';
  std::string body = neg ? c.substr(1) : c;
  if (body.find('E') != std::string::npos) {
    // Exponent form: past 40 digits; let the double do it.
    double d = doubleFromNumberText(c);
    double f = std::pow(10.0, scale);
    return canonicalFromDouble(std::round(d * f) / f);
  }
  size_t point = body.find('.');
  std::string ip = point == std::string::npos ? body : body.substr(0, point);
  std::string fp = point == std::string::npos ? "" : body.substr(point + 1);
  std::string digits = ip + fp;
  long keep = static_cast<long>(ip.size()) + scale;  // digits to keep
  if (keep >= static_cast<long>(digits.size())) return c;
  if (keep < 0) return "0";
  bool up = digits[static_cast<size_t>(keep)] >= '5';
  std::string kept = digits.substr(0, static_cast<size_t>(keep));
  if (up) {
    long k = keep - 1;
    while (k >= 0 && kept[static_cast<size_t>(k)] == '9') kept[static_cast<size_t>(k--)] = '0';
    if (k < 0) {
      kept.insert(kept.begin(), '1');
      ip.insert(ip.begin(), '0');  // one more integer digit
    } else {
      ++kept[static_cast<size_t>(k)];
    }
  }
  // Put the point back: the integer part has ip.size() digits.
  std::string text;
  size_t intDigits = ip.size();
  if (static_cast<long>(kept.size()) <= static_cast<long>(intDigits)) {
    text = kept + std::string(intDigits - kept.size(), '0');
  } else {
    text = kept.substr(0, intDigits) + "." + kept.substr(intDigits);
  }
  std::string out;
  if (!canonicalNumber((neg ? "-" : "") + text, out)) return c;
  return out;
}

// ocisim_as_number(v [, precision, scale]): NUMBER(p,s) rounds to s places and
// refuses more than p - s integer digits (ORA-01438).
void fnAsNumber(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    int t = sqlite3_value_type(argv[0]);
    if (argc == 1 && (t == SQLITE_INTEGER || t == SQLITE_FLOAT)) return sqlite3_result_value(ctx, argv[0]);
    std::string c;
    if (!numberOfValue(argv[0], c)) throw OraError(1722, "invalid number");
    if (argc > 2) {
      int precision = sqlite3_value_int(argv[1]);
      int scale = sqlite3_value_int(argv[2]);
      c = roundDigits(c, scale);
      if (precision > 0 && c != "0") {
        std::string body = c[0] == '-' ? c.substr(1) : c;
        size_t point = body.find('.');
        long intDigits = static_cast<long>(point == std::string::npos ? body.size() : point);
        if (body.find('E') != std::string::npos) intDigits = 1000;
        if (intDigits > precision - scale)
          throw OraError(1438, "value larger than specified precision allowed for this column");
      }
    }
    resultCanonicalNumber(ctx, c);
  })
}

void fnAsDate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    int t = sqlite3_value_type(argv[0]);
    if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) throw OraError(932, "inconsistent datatypes: expected DATE got NUMBER");
    std::string text = textOf(argv[0]);
    DateTime d;
    if (parseStoredDate(text, d)) return resultText(ctx, text);
    resultText(ctx, storedDate(parseDate(text, sessionOf(ctx)->nlsDateFormat)));
  })
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Hexadecimal text as bytes; binary values pass as they are.  `limit` is the
// most bytes the result may hold (0: no limit).
void hexToBinary(sqlite3_context* ctx, sqlite3_value* v, size_t limit) {
  if (isNull(v)) return sqlite3_result_null(ctx);
  if (sqlite3_value_type(v) == SQLITE_BLOB) return sqlite3_result_value(ctx, v);
  std::string h = textOf(v);
  if (h.size() % 2) h.insert(0, "0");
  std::string out;
  for (size_t i = 0; i < h.size(); i += 2) {
    int a = hexValue(h[i]), b = hexValue(h[i + 1]);
    if (a < 0 || b < 0) throw OraError(1465, "invalid hex number");
    out += static_cast<char>(a * 16 + b);
  }
  if (out.empty()) return sqlite3_result_null(ctx);
  if (limit && out.size() > limit)
    throw OraError(22835, "Buffer too small for CLOB to CHAR or BLOB to RAW conversion (actual: " +
                              std::to_string(out.size()) + ", maximum: " + std::to_string(limit) + ")");
  sqlite3_result_blob(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// HEXTORAW makes a RAW value, which holds at most 2,000 bytes in SQL.
void fnHexToRaw(sqlite3_context* ctx, int, sqlite3_value** argv) { GUARDED({ hexToBinary(ctx, argv[0], 2000); }) }

// Text put into a LONG RAW or BLOB column.
void fnToBinary(sqlite3_context* ctx, int, sqlite3_value** argv) { GUARDED({ hexToBinary(ctx, argv[0], 0); }) }

// ocisim_as_raw(v, max, label): a RAW(n) column takes at most n bytes.
void fnAsRaw(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    fnHexToRaw(ctx, 1, argv);
    if (isNull(argv[0])) return;
    int64_t max = sqlite3_value_int64(argv[1]);
    int64_t actual = sqlite3_value_type(argv[0]) == SQLITE_BLOB ? sqlite3_value_bytes(argv[0])
                                                                 : (sqlite3_value_bytes(argv[0]) + 1) / 2;
    if (max > 0 && actual > max)
      throw OraError(12899, "value too large for column " + textOf(argv[2]) + " (actual: " + std::to_string(actual) +
                                ", maximum: " + std::to_string(max) + ")");
  })
}

void fnRawToHex(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (isNull(argv[0])) return sqlite3_result_null(ctx);
  const unsigned char* p = static_cast<const unsigned char*>(sqlite3_value_blob(argv[0]));
  int n = sqlite3_value_bytes(argv[0]);
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (int i = 0; i < n; ++i) {
    out += digits[p[i] >> 4];
    out += digits[p[i] & 15];
  }
  resultText(ctx, out);
}

void fnChr(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    int64_t n = intArg(argv[0]);
    if (n < 0) throw OraError(1722, "invalid number");
    std::string out;
    if (n < 0x80) {
      out += static_cast<char>(n);
    } else if (n < 0x100) {
      // One byte of the database character set, read as Latin-1.
      out += static_cast<char>(0xC0 | (n >> 6));
      out += static_cast<char>(0x80 | (n & 0x3F));
    } else {
      // Multi-byte codes as their UTF-8 bytes.
      std::string bytes;
      while (n > 0) {
        bytes.insert(bytes.begin(), static_cast<char>(n & 0xFF));
        n >>= 8;
      }
      out = bytes;
    }
    // CHR(0) is a real character in Oracle; keep its byte.
    sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
  })
}

void fnLength(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (isNull(argv[0])) return sqlite3_result_null(ctx);
  if (sqlite3_value_type(argv[0]) == SQLITE_BLOB) return sqlite3_result_int(ctx, sqlite3_value_bytes(argv[0]));
  std::string t = textOf(argv[0]);
  if (t.empty()) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, static_cast<int64_t>(charStarts(t).size()));
}

void fnSubstr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  GUARDED({
    for (int i = 0; i < argc; ++i)
      if (isNull(argv[i])) return sqlite3_result_null(ctx);
    std::string t = textOf(argv[0]);
    std::vector<size_t> cs = charStarts(t);
    int64_t n = static_cast<int64_t>(cs.size());
    int64_t pos = intArg(argv[1]);
    if (pos == 0) pos = 1;
    if (pos < 0) pos = n + pos + 1;
    if (pos < 1 || pos > n) return sqlite3_result_null(ctx);
    int64_t len = argc > 2 ? intArg(argv[2]) : n;
    if (len < 1) return sqlite3_result_null(ctx);
    int64_t endc = std::min(n, pos - 1 + len);
    size_t b = cs[static_cast<size_t>(pos - 1)];
    size_t e = endc >= n ? t.size() : cs[static_cast<size_t>(endc)];
    resultText(ctx, t.substr(b, e - b));
  })
}

void fnInstr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  GUARDED({
    for (int i = 0; i < argc; ++i)
      if (isNull(argv[i])) return sqlite3_result_null(ctx);
    std::string t = textOf(argv[0]), sub = textOf(argv[1]);
    int64_t pos = argc > 2 ? intArg(argv[2]) : 1;
    int64_t occ = argc > 3 ? intArg(argv[3]) : 1;
    if (pos == 0 || occ < 1) {
      if (occ < 1) throw OraError(1428, "argument '" + std::to_string(occ) + "' is out of range");
      return sqlite3_result_int(ctx, 0);
    }
    std::vector<size_t> cs = charStarts(t);
    int64_t n = static_cast<int64_t>(cs.size());
    auto charIndex = [&](size_t byte) {
      return static_cast<int64_t>(std::lower_bound(cs.begin(), cs.end(), byte) - cs.begin()) + 1;
    };
    if (pos > 0) {
      if (pos > n) return sqlite3_result_int(ctx, 0);
      size_t from = cs[static_cast<size_t>(pos - 1)];
      while (true) {
        size_t f = t.find(sub, from);
        if (f == std::string::npos) return sqlite3_result_int(ctx, 0);
        if (--occ == 0) return sqlite3_result_int64(ctx, charIndex(f));
        from = f + 1;
      }
    }
    // Negative position: search backwards from that many characters from the end.
    int64_t start = n + pos + 1;
    if (start < 1) return sqlite3_result_int(ctx, 0);
    size_t from = cs[static_cast<size_t>(start - 1)];
    while (true) {
      size_t f = t.rfind(sub, from);
      if (f == std::string::npos) return sqlite3_result_int(ctx, 0);
      if (--occ == 0) return sqlite3_result_int64(ctx, charIndex(f));
      if (f == 0) return sqlite3_result_int(ctx, 0);
      from = f - 1;
    }
  })
}

// ocisim_trim(mode, chars, text): mode 0 both, 1 leading, 2 trailing.
void fnTrim(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (isNull(argv[1]) || isNull(argv[2])) return sqlite3_result_null(ctx);
  int mode = sqlite3_value_int(argv[0]);
  std::string set = textOf(argv[1]), t = textOf(argv[2]);
  size_t b = 0, e = t.size();
  if (mode != 2)
    while (b < e && set.find(t[b]) != std::string::npos) ++b;
  if (mode != 1)
    while (e > b && set.find(t[e - 1]) != std::string::npos) --e;
  resultText(ctx, t.substr(b, e - b));
}

void fnPad(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool left) {
  GUARDED({
    for (int i = 0; i < argc; ++i)
      if (isNull(argv[i])) return sqlite3_result_null(ctx);
    std::string t = textOf(argv[0]);
    int64_t n = intArg(argv[1]);
    std::string pad = argc > 2 ? textOf(argv[2]) : " ";
    if (n < 1 || pad.empty()) return sqlite3_result_null(ctx);
    std::vector<size_t> cs = charStarts(t);
    int64_t have = static_cast<int64_t>(cs.size());
    if (have >= n) return resultText(ctx, t.substr(0, have == n ? t.size() : cs[static_cast<size_t>(n)]));
    std::vector<size_t> ps = charStarts(pad);
    std::string fill;
    for (int64_t k = 0; k < n - have; ++k) {
      size_t i = static_cast<size_t>(k) % ps.size();
      size_t e = i + 1 < ps.size() ? ps[i + 1] : pad.size();
      fill += pad.substr(ps[i], e - ps[i]);
    }
    resultText(ctx, left ? fill + t : t + fill);
  })
}
void fnLpad(sqlite3_context* ctx, int argc, sqlite3_value** argv) { fnPad(ctx, argc, argv, true); }
void fnRpad(sqlite3_context* ctx, int argc, sqlite3_value** argv) { fnPad(ctx, argc, argv, false); }

void fnReplace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (isNull(argv[0])) return sqlite3_result_null(ctx);
  std::string t = textOf(argv[0]);
  if (isNull(argv[1])) return resultText(ctx, t);
  std::string from = textOf(argv[1]), to = argc > 2 ? textOf(argv[2]) : std::string();
  std::string out;
  size_t p = 0;
  while (true) {
    size_t f = t.find(from, p);
    if (f == std::string::npos) break;
    out += t.substr(p, f - p) + to;
    p = f + from.size();
  }
  out += t.substr(p);
  resultText(ctx, out);
}

void fnUpperLower(sqlite3_context* ctx, sqlite3_value* v, int mode) {
  if (isNull(v)) return sqlite3_result_null(ctx);
  std::string t = textOf(v);
  bool start = true;
  for (char& c : t) {
    if (mode == 0) c = platform::asciiUpper(c);
    else if (mode == 1) c = platform::asciiLower(c);
    else {
      c = start ? platform::asciiUpper(c) : platform::asciiLower(c);
      start = !platform::isAsciiAlnum(c);
    }
  }
  resultText(ctx, t);
}
void fnUpper(sqlite3_context* ctx, int, sqlite3_value** argv) { fnUpperLower(ctx, argv[0], 0); }
void fnLower(sqlite3_context* ctx, int, sqlite3_value** argv) { fnUpperLower(ctx, argv[0], 1); }
void fnInitcap(sqlite3_context* ctx, int, sqlite3_value** argv) { fnUpperLower(ctx, argv[0], 2); }

void fnDiv(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    double b = numberArg(argv[1]);
    if (b == 0) throw OraError(1476, "divisor is equal to zero");
    double a = numberArg(argv[0]);
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
      int64_t x = sqlite3_value_int64(argv[0]), y = sqlite3_value_int64(argv[1]);
      if (y != -1 && x % y == 0) return sqlite3_result_int64(ctx, x / y);
    }
    sqlite3_result_double(ctx, a / b);
  })
}

void fnNum(sqlite3_context* ctx, int, sqlite3_value** argv) {
  // Arithmetic operand: text becomes a number or fails with ORA-01722.
  fnAsNumber(ctx, 1, argv);
}

void fnMod(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
      int64_t a = sqlite3_value_int64(argv[0]), b = sqlite3_value_int64(argv[1]);
      return sqlite3_result_int64(ctx, b == 0 ? a : a % b);
    }
    double a = numberArg(argv[0]), b = numberArg(argv[1]);
    sqlite3_result_double(ctx, b == 0 ? a : a - b * std::trunc(a / b));
  })
}

double roundTo(double v, int64_t places, bool truncate) {
  double f = std::pow(10.0, static_cast<double>(places));
  double x = v * f;
  x = truncate ? std::trunc(x) : (x < 0 ? -std::floor(-x + 0.5) : std::floor(x + 0.5));
  return x / f;
}

void resultNumber(sqlite3_context* ctx, double d) {
  if (d == std::trunc(d) && std::fabs(d) < 9e15) sqlite3_result_int64(ctx, static_cast<int64_t>(d));
  else sqlite3_result_double(ctx, d);
}

// ROUND and TRUNC of numbers and of dates.
void fnRoundTrunc(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool truncate) {
  GUARDED({
    if (isNull(argv[0]) || (argc > 1 && isNull(argv[1]))) return sqlite3_result_null(ctx);
    int t = sqlite3_value_type(argv[0]);
    if (t == SQLITE_TEXT) {
      DateTime d;
      if (parseStoredDate(textOf(argv[0]), d)) {
        std::string unit = argc > 1 ? textOf(argv[1]) : "DD";
        for (char& c : unit) c = platform::asciiUpper(c);
        bool up = !truncate && d.hour >= 12;
        if (unit == "DD" || unit == "DDD" || unit == "J") {
          d.hour = d.minute = d.second = 0;
          if (up) {
            std::string s = storedDate(d);
            sqlite3_result_null(ctx);
            // next day through SQLite's own date arithmetic is overkill; do it by hand
            static const int md[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
            int dim = md[d.month - 1] + (d.month == 2 && ((d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0));
            if (++d.day > dim) { d.day = 1; if (++d.month > 12) { d.month = 1; ++d.year; } }
          }
        } else if (unit == "MM" || unit == "MON" || unit == "MONTH") {
          d.day = 1;
          d.hour = d.minute = d.second = 0;
        } else if (unit == "YYYY" || unit == "YEAR" || unit == "YY" || unit == "Y") {
          d.month = d.day = 1;
          d.hour = d.minute = d.second = 0;
        } else if (unit == "HH" || unit == "HH24") {
          d.minute = d.second = 0;
        } else if (unit == "MI") {
          d.second = 0;
        } else {
          throw OraError(1898, "too many precision specifiers");
        }
        return resultText(ctx, storedDate(d));
      }
    }
    double v = numberArg(argv[0]);
    int64_t places = argc > 1 ? intArg(argv[1]) : 0;
    resultNumber(ctx, roundTo(v, places, truncate));
  })
}
void fnRound(sqlite3_context* ctx, int argc, sqlite3_value** argv) { fnRoundTrunc(ctx, argc, argv, false); }
void fnTrunc(sqlite3_context* ctx, int argc, sqlite3_value** argv) { fnRoundTrunc(ctx, argc, argv, true); }

long civilDays(const DateTime& d) {
  int y = d.year - (d.month <= 2);
  long era = (y >= 0 ? y : y - 399) / 400;
  long yoe = y - era * 400;
  long doy = (153 * (d.month + (d.month > 2 ? -3 : 9)) + 2) / 5 + d.day - 1;
  long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}
DateTime fromSeconds(long long secs) {
  long long days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
  long long rest = secs - days * 86400;
  long z = static_cast<long>(days) + 719468;
  long era = (z >= 0 ? z : z - 146096) / 146097;
  long doe = z - era * 146097;
  long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long mp = (5 * doy + 2) / 153;
  DateTime d;
  d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  d.year = static_cast<int>(yoe + era * 400 + (d.month <= 2));
  d.hour = static_cast<int>(rest / 3600);
  d.minute = static_cast<int>(rest / 60 % 60);
  d.second = static_cast<int>(rest % 60);
  return d;
}
long long secondsOf(const DateTime& d) {
  return static_cast<long long>(civilDays(d)) * 86400 + d.hour * 3600 + d.minute * 60 + d.second;
}
DateTime dateArg(sqlite3_value* v, Session* s) {
  std::string t = textOf(v);
  DateTime d;
  if (parseStoredDate(t, d)) return d;
  return parseDate(t, s->nlsDateFormat);
}

void fnDateAdd(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    DateTime d = dateArg(argv[0], sessionOf(ctx));
    double days = numberArg(argv[1]);
    long long secs = secondsOf(d) + static_cast<long long>(std::llround(days * 86400.0));
    resultText(ctx, storedDate(fromSeconds(secs)));
  })
}

void fnDateDiff(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    Session* s = sessionOf(ctx);
    long long diff = secondsOf(dateArg(argv[0], s)) - secondsOf(dateArg(argv[1], s));
    resultNumber(ctx, static_cast<double>(diff) / 86400.0);
  })
}

void fnAddMonths(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    DateTime d = dateArg(argv[0], sessionOf(ctx));
    int64_t m = intArg(argv[1]);
    static const int md[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    auto dim = [&](int y, int mo) {
      return md[mo - 1] + (mo == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0));
    };
    bool lastDay = d.day == dim(d.year, d.month);
    long total = d.year * 12L + (d.month - 1) + static_cast<long>(m);
    d.year = static_cast<int>(total / 12);
    d.month = static_cast<int>(total % 12) + 1;
    int last = dim(d.year, d.month);
    if (lastDay || d.day > last) d.day = last;
    resultText(ctx, storedDate(d));
  })
}

void fnLastDay(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    DateTime d = dateArg(argv[0], sessionOf(ctx));
    static const int md[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    d.day = md[d.month - 1] + (d.month == 2 && ((d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0));
    resultText(ctx, storedDate(d));
  })
}

void fnMonthsBetween(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    Session* s = sessionOf(ctx);
    DateTime a = dateArg(argv[0], s), b = dateArg(argv[1], s);
    double months = (a.year - b.year) * 12.0 + (a.month - b.month);
    if (a.day != b.day) {
      double sa = a.day + (a.hour * 3600 + a.minute * 60 + a.second) / 86400.0;
      double sb = b.day + (b.hour * 3600 + b.minute * 60 + b.second) / 86400.0;
      months += (sa - sb) / 31.0;
    }
    resultNumber(ctx, months);
  })
}

void fnNextval(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    Session* s = sessionOf(ctx);
    std::string v = sequenceNextval(*s, textOf(argv[0]), textOf(argv[1]));
    resultCanonicalNumber(ctx, v);
  })
}

void fnCurrval(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    Session* s = sessionOf(ctx);
    std::string v = sequenceCurrval(*s, textOf(argv[0]), textOf(argv[1]));
    resultCanonicalNumber(ctx, v);
  })
}

void fnAscii(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (isNull(argv[0])) return sqlite3_result_null(ctx);
  std::string t = textOf(argv[0]);
  sqlite3_result_int(ctx, t.empty() ? 0 : static_cast<unsigned char>(t[0]));
}

void fnSign(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    double v = numberArg(argv[0]);
    sqlite3_result_int(ctx, v > 0 ? 1 : v < 0 ? -1 : 0);
  })
}

void fnMath(sqlite3_context* ctx, int argc, sqlite3_value** argv, double (*f)(double)) {
  GUARDED({
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    (void)argc;
    resultNumber(ctx, f(numberArg(argv[0])));
  })
}
void fnFloor(sqlite3_context* c, int n, sqlite3_value** v) { fnMath(c, n, v, [](double d) { return std::floor(d); }); }
void fnCeil(sqlite3_context* c, int n, sqlite3_value** v) { fnMath(c, n, v, [](double d) { return std::ceil(d); }); }
void fnAbs(sqlite3_context* c, int n, sqlite3_value** v) {
  if (sqlite3_value_type(v[0]) == SQLITE_INTEGER && sqlite3_value_int64(v[0]) != INT64_MIN)
    return sqlite3_result_int64(c, std::llabs(sqlite3_value_int64(v[0])));
  fnMath(c, n, v, [](double d) { return std::fabs(d); });
}
void fnSqrt(sqlite3_context* c, int n, sqlite3_value** v) { fnMath(c, n, v, [](double d) { return std::sqrt(d); }); }
void fnPower(sqlite3_context* ctx, int, sqlite3_value** argv) {
  GUARDED({
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    resultNumber(ctx, std::pow(numberArg(argv[0]), numberArg(argv[1])));
  })
}

// GREATEST / LEAST: NULL when any argument is NULL; compared as the first
// argument's kind.
void fnGreatLeast(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool greatest) {
  GUARDED({
    for (int i = 0; i < argc; ++i)
      if (isNull(argv[i])) return sqlite3_result_null(ctx);
    int t = sqlite3_value_type(argv[0]);
    int best = 0;
    if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) {
      double bv = numberArg(argv[0]);
      for (int i = 1; i < argc; ++i) {
        double v = numberArg(argv[i]);
        if (greatest ? v > bv : v < bv) { bv = v; best = i; }
      }
    } else {
      std::string bv = textOf(argv[0]);
      for (int i = 1; i < argc; ++i) {
        std::string v = textOf(argv[i]);
        if (greatest ? v > bv : v < bv) { bv = v; best = i; }
      }
    }
    sqlite3_result_value(ctx, argv[best]);
  })
}
void fnGreatest(sqlite3_context* c, int n, sqlite3_value** v) { fnGreatLeast(c, n, v, true); }
void fnLeast(sqlite3_context* c, int n, sqlite3_value** v) { fnGreatLeast(c, n, v, false); }

// LIKE with Oracle's rules: case-sensitive, optional escape character.
bool likeMatch(const char* s, const char* se, const char* p, const char* pe, int esc) {
  while (p < pe) {
    char c = *p;
    if (esc >= 0 && c == static_cast<char>(esc) && p + 1 < pe) {
      if (s >= se || *s != p[1]) return false;
      ++s;
      p += 2;
      continue;
    }
    if (c == '%') {
      while (p < pe && *p == '%') ++p;
      if (p == pe) return true;
      for (const char* k = s; k <= se; ++k)
        if (likeMatch(k, se, p, pe, esc)) return true;
      return false;
    }
    if (s >= se) return false;
    if (c == '_') {
      // one character, which may be several bytes
      ++s;
      while (s < se && (static_cast<unsigned char>(*s) & 0xC0) == 0x80) ++s;
      ++p;
      continue;
    }
    if (*s != c) return false;
    ++s;
    ++p;
  }
  return s == se;
}

void fnLike(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  // like(pattern, text [, escape]) as SQLite calls it
  if (isNull(argv[0]) || isNull(argv[1]) || (argc > 2 && isNull(argv[2]))) return sqlite3_result_null(ctx);
  std::string pat = textOf(argv[0]), text = textOf(argv[1]);
  int esc = -1;
  if (argc > 2) {
    std::string e = textOf(argv[2]);
    if (e.size() != 1) {
      sqlite3_result_error(ctx, "ORA-01425: escape character must be character string of length 1", -1);
      return;
    }
    esc = static_cast<unsigned char>(e[0]);
  }
  sqlite3_result_int(ctx, likeMatch(text.data(), text.data() + text.size(), pat.data(), pat.data() + pat.size(), esc));
}

struct FnDef {
  const char* name;
  int args;
  Fn fn;
  bool deterministic;
};

const FnDef kFunctions[] = {
    {"ocisim_user", 0, fnUser, false},
    {"ocisim_sysdate", 0, fnSysdate, false},
    {"ocisim_concat", -1, fnConcat, true},
    {"ocisim_concat_clob", -1, fnConcatClob, true},
    {"ocisim_datetext", 1, fnDateText, false},
    {"ocisim_to_char", 1, fnToChar, false},
    {"ocisim_to_char", 2, fnToChar, true},
    {"ocisim_to_date", 1, fnToDate, false},
    {"ocisim_to_date", 2, fnToDate, true},
    {"ocisim_to_number", 1, fnToNumber, true},
    {"ocisim_to_number", 2, fnToNumber, true},
    {"ocisim_as_text", 1, fnAsText, true},
    {"ocisim_as_text", 2, fnAsText, true},
    {"ocisim_as_text", 5, fnAsText, true},
    {"ocisim_as_number", 1, fnAsNumber, true},
    {"ocisim_as_number", 3, fnAsNumber, true},
    {"ocisim_as_raw", 3, fnAsRaw, true},
    {"ocisim_as_date", 1, fnAsDate, false},
    {"ocisim_num", 1, fnNum, true},
    {"ocisim_hextoraw", 1, fnHexToRaw, true},
    {"ocisim_tobinary", 1, fnToBinary, true},
    {"ocisim_rawtohex", 1, fnRawToHex, true},
    {"ocisim_chr", 1, fnChr, true},
    {"ocisim_length", 1, fnLength, true},
    {"ocisim_substr", 2, fnSubstr, true},
    {"ocisim_substr", 3, fnSubstr, true},
    {"ocisim_instr", 2, fnInstr, true},
    {"ocisim_instr", 3, fnInstr, true},
    {"ocisim_instr", 4, fnInstr, true},
    {"ocisim_trim", 3, fnTrim, true},
    {"ocisim_lpad", 2, fnLpad, true},
    {"ocisim_lpad", 3, fnLpad, true},
    {"ocisim_rpad", 2, fnRpad, true},
    {"ocisim_rpad", 3, fnRpad, true},
    {"ocisim_replace", 2, fnReplace, true},
    {"ocisim_replace", 3, fnReplace, true},
    {"ocisim_upper", 1, fnUpper, true},
    {"ocisim_lower", 1, fnLower, true},
    {"ocisim_initcap", 1, fnInitcap, true},
    {"ocisim_div", 2, fnDiv, true},
    {"ocisim_mod", 2, fnMod, true},
    {"ocisim_round", 1, fnRound, true},
    {"ocisim_round", 2, fnRound, true},
    {"ocisim_trunc", 1, fnTrunc, true},
    {"ocisim_trunc", 2, fnTrunc, true},
    {"ocisim_date_add", 2, fnDateAdd, false},
    {"ocisim_date_diff", 2, fnDateDiff, false},
    {"ocisim_add_months", 2, fnAddMonths, false},
    {"ocisim_last_day", 1, fnLastDay, false},
    {"ocisim_months_between", 2, fnMonthsBetween, false},
    {"ocisim_nextval", 2, fnNextval, false},
    {"ocisim_currval", 2, fnCurrval, false},
    {"ocisim_ascii", 1, fnAscii, true},
    {"ocisim_sign", 1, fnSign, true},
    {"ocisim_floor", 1, fnFloor, true},
    {"ocisim_ceil", 1, fnCeil, true},
    {"ocisim_abs", 1, fnAbs, true},
    {"ocisim_sqrt", 1, fnSqrt, true},
    {"ocisim_power", 2, fnPower, true},
    {"ocisim_greatest", -1, fnGreatest, true},
    {"ocisim_least", -1, fnLeast, true},
    {"like", 2, fnLike, true},
    {"like", 3, fnLike, true},
};

}  // namespace

void registerFunctions(sqlite3* db, Session* s) {
  // Translated SQL quotes every name; a double-quoted name must never fall
  // back to being a string when no such column exists.
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  for (const FnDef& f : kFunctions) {
    int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    sqlite3_create_function_v2(db, f.name, f.args, flags, s, f.fn, nullptr, nullptr, nullptr);
  }
  registerModernFunctions(db, s);
}

}  // namespace ocisim
