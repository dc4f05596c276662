#include "oci/convert.h"

#include "engine/modern_types.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

namespace ocisim::oci {
namespace {

const char* typeName(ocisim::Value::Kind k) {
  switch (k) {
    case ocisim::Value::Kind::Number: return "NUMBER";
    case ocisim::Value::Kind::Text: return "CHAR";
    case ocisim::Value::Kind::Date: return "DATE";
    case ocisim::Value::Kind::Binary: return "BINARY";
    default: return "NULL";
  }
}

[[noreturn]] void inconsistent(const char* expected, ocisim::Value::Kind got) {
  throw ocisim::OraError(932, std::string("inconsistent datatypes: expected ") + expected +
                                  " got " + typeName(got));
}

[[noreturn]] void invalidNumber() { throw ocisim::OraError(1722, "invalid number"); }

[[noreturn]] void unreasonable() {
  throw ocisim::OraError(1460, "unimplemented or unreasonable conversion requested");
}

// The text of a number value, or of a character value that holds one
// (Oracle converts such text implicitly), trimmed of blanks.
std::string_view numericText(const ocisim::Value& v) {
  if (v.kind == ocisim::Value::Kind::Number) return v.data;
  if (v.kind != ocisim::Value::Kind::Text) inconsistent("NUMBER", v.kind);
  std::string_view s = v.data;
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool isBinaryFloat(const ocisim::Value& v) {
  return v.kind == ocisim::Value::Kind::BinaryFloat || v.kind == ocisim::Value::Kind::BinaryDouble;
}

double toDouble(const ocisim::Value& v) {
  if (isBinaryFloat(v)) {
    double d = 0;
    if (!ocisim::parseBinaryText(v.data, d)) invalidNumber();
    // A BINARY_FLOAT's text is the float's shortest: read back as a float.
    return v.kind == ocisim::Value::Kind::BinaryFloat ? static_cast<double>(static_cast<float>(d)) : d;
  }
  std::string_view s = numericText(v);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double d = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
  if (s.empty() || ec == std::errc::invalid_argument || p != s.data() + s.size()) invalidNumber();
  return d;
}

// Rounds the decimal text to the nearest integer, halves away from zero, as
// Oracle converts a NUMBER to an integer type.  False on overflow of int64.
bool toInt64(const ocisim::Value& v, int64_t* out) {
  std::string_view s = numericText(v);
  bool neg = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    neg = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) invalidNumber();
  if (s.find_first_of("eE") != std::string_view::npos) {
    double d = toDouble(v);
    d = std::round(d);
    if (!(d >= -9.2233720368547758e18 && d < 9.2233720368547758e18)) return false;
    *out = static_cast<int64_t>(d);
    return true;
  }
  uint64_t mag = 0;
  size_t i = 0;
  bool digits = false;
  for (; i < s.size() && s[i] != '.'; ++i) {
    if (s[i] < '0' || s[i] > '9') invalidNumber();
    digits = true;
    unsigned d = static_cast<unsigned>(s[i] - '0');
    if (mag > (UINT64_MAX - d) / 10) return false;
    mag = mag * 10 + d;
  }
  if (i < s.size()) {  // fraction
    ++i;
    if (i < s.size()) {
      for (size_t j = i; j < s.size(); ++j)
        if (s[j] < '0' || s[j] > '9') invalidNumber();
      digits = true;
      if (s[i] >= '5') {
        if (mag == UINT64_MAX) return false;
        ++mag;
      }
    }
  }
  if (!digits) invalidNumber();
  if (neg) {
    if (mag > static_cast<uint64_t>(INT64_MAX) + 1) return false;
    *out = static_cast<int64_t>(0 - mag);
  } else {
    if (mag > static_cast<uint64_t>(INT64_MAX)) return false;
    *out = static_cast<int64_t>(mag);
  }
  return true;
}

[[noreturn]] void overflow() { throw ocisim::OraError(1455, "converting column overflows integer datatype"); }

template <class T>
void storeInt(int64_t v, void* buf) {
  if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) overflow();
  T t = static_cast<T>(v);
  std::memcpy(buf, &t, sizeof t);
}

// Copies bytes, cutting them to the slot.
ub2 copyOut(std::string_view s, void* buf, sb4 size, ub4* fullLen) {
  *fullLen = static_cast<ub4>(s.size());
  size_t room = size > 0 ? static_cast<size_t>(size) : 0;
  size_t n = s.size() < room ? s.size() : room;
  if (n) std::memcpy(buf, s.data(), n);
  return s.size() > room ? 1406 : 0;
}

// Text of a value as a character define sees it.
std::string_view asText(const ocisim::Value& v, const ocisim::Connection* conn, std::string& scratch) {
  switch (v.kind) {
    case ocisim::Value::Kind::Number:
    case ocisim::Value::Kind::Text: return v.data;
    case ocisim::Value::Kind::Binary: scratch = hexText(v.data); return scratch;
    case ocisim::Value::Kind::Timestamp:
    case ocisim::Value::Kind::TimestampTz:
    case ocisim::Value::Kind::TimestampLtz:
    case ocisim::Value::Kind::IntervalYM:
    case ocisim::Value::Kind::IntervalDS:
    case ocisim::Value::Kind::BinaryFloat:
    case ocisim::Value::Kind::BinaryDouble: return v.data;
    case ocisim::Value::Kind::Date:
      if (conn) {
        scratch = conn->formatDate(v.date);
      } else {
        static const char* const months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                             "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
        char b[16];
        std::snprintf(b, sizeof b, "%02d-%s-%02d", v.date.day,
                      v.date.month >= 1 && v.date.month <= 12 ? months[v.date.month - 1] : "???",
                      ((v.date.year % 100) + 100) % 100);
        scratch = b;
      }
      return scratch;
    default: return {};
  }
}

bool validDate(const ocisim::DateTime& d) {
  static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d.month < 1 || d.month > 12 || d.day < 1) return false;
  int maxDay = days[d.month - 1];
  if (d.month == 2) {
    bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
    maxDay = leap ? 29 : 28;
  }
  return d.day <= maxDay && d.hour >= 0 && d.hour < 24 && d.minute >= 0 && d.minute < 60 &&
         d.second >= 0 && d.second < 60;
}

}  // namespace

std::string hexText(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.resize(bytes.size() * 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    out[2 * i] = digits[b >> 4];
    out[2 * i + 1] = digits[b & 15];
  }
  return out;
}

std::string numberText(long long v) { return std::to_string(v); }

std::string numberText(double d) {
  if (d == 0) return "0";
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific);
  (void)ec;
  // buf holds [-]D[.DDD]e[+-]XX: collect the digits and the exponent.
  std::string_view s(buf, static_cast<size_t>(end - buf));
  bool neg = s.front() == '-';
  if (neg) s.remove_prefix(1);
  size_t e = s.find('e');
  std::string digits;
  for (char c : s.substr(0, e))
    if (c != '.') digits += c;
  int exp = 0;
  std::from_chars(s.data() + e + 1 + (s[e + 1] == '+' ? 1 : 0), s.data() + s.size(), exp);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  // The value is 0.digits * 10^(exp + 1).
  int point = exp + 1;
  std::string out = neg ? "-" : "";
  if (point <= 0) {
    out += '.';
    out.append(static_cast<size_t>(-point), '0');
    out += digits;
  } else if (static_cast<size_t>(point) >= digits.size()) {
    out += digits;
    out.append(static_cast<size_t>(point) - digits.size(), '0');
  } else {
    out += digits.substr(0, static_cast<size_t>(point));
    out += '.';
    out += digits.substr(static_cast<size_t>(point));
  }
  return out;
}

void encodeDate(const ocisim::DateTime& d, unsigned char out[7]) {
  out[0] = static_cast<unsigned char>(d.year / 100 + 100);
  out[1] = static_cast<unsigned char>(d.year % 100 + 100);
  out[2] = static_cast<unsigned char>(d.month);
  out[3] = static_cast<unsigned char>(d.day);
  out[4] = static_cast<unsigned char>(d.hour + 1);
  out[5] = static_cast<unsigned char>(d.minute + 1);
  out[6] = static_cast<unsigned char>(d.second + 1);
}

ocisim::DateTime decodeDate(const unsigned char in[7]) {
  ocisim::DateTime d;
  d.year = (in[0] - 100) * 100 + (in[1] - 100);
  d.month = in[2];
  d.day = in[3];
  d.hour = in[4] - 1;
  d.minute = in[5] - 1;
  d.second = in[6] - 1;
  if (d.year < 1 || d.year > 9999) throw ocisim::OraError(1841, "(full) year must be between -4713 and +9999, and not be 0");
  if (d.month < 1 || d.month > 12) throw ocisim::OraError(1843, "not a valid month");
  if (!validDate(d)) throw ocisim::OraError(1847, "day of month must be between 1 and last day of month");
  return d;
}

ub2 writeExternal(const ocisim::Value& v, ub2 dty, void* buf, sb4 size, ub4* fullLen,
                  const ocisim::Connection* conn) {
  // A local, not thread_local: this library is loaded with dlopen, and its
  // dynamic TLS blocks are what GCC 12's LeakSanitizer misreads at exit
  // (its tracer crashes scanning them).  The text fits the short-string
  // buffer but for long binary and date texts.
  std::string scratch;
  switch (dty) {
    case SQLT_INT: {
      if (v.kind != ocisim::Value::Kind::Number && v.kind != ocisim::Value::Kind::Text)
        inconsistent("NUMBER", v.kind);
      int64_t i = 0;
      if (!toInt64(v, &i)) overflow();
      switch (size) {
        case 1: storeInt<int8_t>(i, buf); break;
        case 2: storeInt<int16_t>(i, buf); break;
        case 4: storeInt<int32_t>(i, buf); break;
        case 8: storeInt<int64_t>(i, buf); break;
        default: unreasonable();
      }
      *fullLen = static_cast<ub4>(size);
      return 0;
    }
    case SQLT_UIN: {
      int64_t i = 0;
      if (!toInt64(v, &i) || i < 0) overflow();
      switch (size) {
        case 1: storeInt<uint8_t>(i, buf); break;
        case 2: storeInt<uint16_t>(i, buf); break;
        case 4: storeInt<uint32_t>(i, buf); break;
        case 8: { uint64_t u = static_cast<uint64_t>(i); std::memcpy(buf, &u, 8); break; }
        default: unreasonable();
      }
      *fullLen = static_cast<ub4>(size);
      return 0;
    }
    case SQLT_FLT: {
      double d = toDouble(v);
      if (size == 8) {
        std::memcpy(buf, &d, 8);
      } else if (size == 4) {
        float f = static_cast<float>(d);
        std::memcpy(buf, &f, 4);
      } else {
        unreasonable();
      }
      *fullLen = static_cast<ub4>(size);
      return 0;
    }
    case SQLT_BDOUBLE:
    case SQLT_IBDOUBLE:
    case SQLT_BFLOAT:
    case SQLT_IBFLOAT: {
      // Native doubles and floats: NaN and the infinities as they are.
      double d = toDouble(v);
      const bool single = dty == SQLT_BFLOAT || dty == SQLT_IBFLOAT;
      if (size < (single ? 4 : 8)) unreasonable();
      if (single) {
        float f = static_cast<float>(d);
        std::memcpy(buf, &f, 4);
      } else {
        std::memcpy(buf, &d, 8);
      }
      *fullLen = single ? 4 : 8;
      return 0;
    }
    case SQLT_STR:
    case SQLT_AVC: {
      std::string_view s = asText(v, conn, scratch);
      *fullLen = static_cast<ub4>(s.size());
      if (size <= 0) return 1406;
      size_t room = static_cast<size_t>(size) - 1;
      size_t n = s.size() < room ? s.size() : room;
      std::memcpy(buf, s.data(), n);
      static_cast<char*>(buf)[n] = '\0';
      return s.size() > room ? 1406 : 0;
    }
    case SQLT_CHR:
    case SQLT_LNG:
      return copyOut(asText(v, conn, scratch), buf, size, fullLen);
    case SQLT_AFC: {
      std::string_view s = asText(v, conn, scratch);
      ub2 rc = copyOut(s, buf, size, fullLen);
      if (rc == 0 && s.size() < static_cast<size_t>(size)) {
        std::memset(static_cast<char*>(buf) + s.size(), ' ', static_cast<size_t>(size) - s.size());
        *fullLen = static_cast<ub4>(size);
      }
      return rc;
    }
    case SQLT_BIN:
    case SQLT_LBI:
      if (v.kind == ocisim::Value::Kind::Number || v.kind == ocisim::Value::Kind::Date)
        inconsistent("BINARY", v.kind);
      return copyOut(v.data, buf, size, fullLen);
    case SQLT_DAT: {
      if (v.kind != ocisim::Value::Kind::Date) inconsistent("DATE", v.kind);
      if (size < 7) unreasonable();
      encodeDate(v.date, static_cast<unsigned char*>(buf));
      *fullLen = 7;
      return 0;
    }
    default:
      unreasonable();
  }
}

ocisim::Value readExternal(ub2 dty, const void* buf, ub4 len) {
  const auto* p = static_cast<const unsigned char*>(buf);
  switch (dty) {
    case SQLT_INT:
    case SQLT_UIN: {
      bool u = dty == SQLT_UIN;
      switch (len) {
        case 1: return ocisim::Value::number(u ? numberText((long long)*p) : numberText((long long)(int8_t)*p));
        case 2: { int16_t s; uint16_t us; std::memcpy(&s, p, 2); std::memcpy(&us, p, 2);
                  return ocisim::Value::number(numberText(u ? (long long)us : (long long)s)); }
        case 4: { int32_t s; uint32_t us; std::memcpy(&s, p, 4); std::memcpy(&us, p, 4);
                  return ocisim::Value::number(numberText(u ? (long long)us : (long long)s)); }
        case 8: { int64_t s; std::memcpy(&s, p, 8);
                  if (u) { uint64_t us; std::memcpy(&us, p, 8); return ocisim::Value::number(std::to_string(us)); }
                  return ocisim::Value::number(numberText((long long)s)); }
        default: unreasonable();
      }
    }
    case SQLT_FLT: {
      double d;
      if (len == 8) {
        std::memcpy(&d, p, 8);
      } else if (len == 4) {
        float f;
        std::memcpy(&f, p, 4);
        d = f;
      } else {
        unreasonable();
      }
      if (!std::isfinite(d)) throw ocisim::OraError(1426, "numeric overflow");
      return ocisim::Value::number(numberText(d));
    }
    case SQLT_STR:
    case SQLT_AVC: {
      size_t n = len ? strnlen(reinterpret_cast<const char*>(p), len) : 0;
      if (n == 0) return ocisim::Value::null();
      return ocisim::Value::text(std::string(reinterpret_cast<const char*>(p), n));
    }
    case SQLT_CHR:
    case SQLT_AFC:
    case SQLT_LNG:
      if (len == 0) return ocisim::Value::null();
      return ocisim::Value::text(std::string(reinterpret_cast<const char*>(p), len));
    case SQLT_BIN:
    case SQLT_LBI:
      if (len == 0) return ocisim::Value::null();
      return ocisim::Value::binary(std::string(reinterpret_cast<const char*>(p), len));
    case SQLT_DAT:
      if (len < 7) unreasonable();
      return ocisim::Value::fromDate(decodeDate(p));
    default:
      unreasonable();
  }
}

}  // namespace ocisim::oci
