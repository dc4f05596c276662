// Field values: the tagged value of the general getters, Oracle's 7-byte
// DATE, date-times, and the text forms of numbers and dates.
//
// A date-time is a double counting days from 30 December 1899; its fraction
// is the time of day.  Text forms follow the locale formats handed in (short
// date, long time, decimal separator), so callers decide which locale is in
// force; the query and the data set take them from the platform layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The access layer's general value: what FieldValue returns.
class TOracleVariant {
 public:
  enum class Kind { Unassigned, Null, Integer, Float, DateTime, String, Bytes, Array };

  TOracleVariant() = default;
  static TOracleVariant Null() { return TOracleVariant(Kind::Null); }
  static TOracleVariant FromInteger(int32_t v);
  static TOracleVariant FromFloat(double v);
  static TOracleVariant FromDateTime(double v);
  static TOracleVariant FromString(std::string v);
  static TOracleVariant FromBytes(std::string v);
  // A one-dimensional array whose first element has index `low`.
  static TOracleVariant FromArray(std::vector<TOracleVariant> items, int32_t low = 0);

  Kind kind() const { return kind_; }
  bool IsUnassigned() const { return kind_ == Kind::Unassigned; }
  bool IsNull() const { return kind_ == Kind::Null; }
  // Unassigned or null: "no value" for every reader.
  bool IsEmpty() const { return kind_ == Kind::Unassigned || kind_ == Kind::Null; }

  int32_t AsInteger() const { return int_; }
  double AsFloat() const { return float_; }   // also the date-time of a DateTime value
  const std::string& AsString() const { return text_; }  // also the bytes of a Bytes value
  bool IsArray() const { return kind_ == Kind::Array; }
  const std::vector<TOracleVariant>& Items() const { return items_; }  // an Array's elements
  int32_t LowBound() const { return int_; }                             // an Array's first index

  bool operator==(const TOracleVariant&) const = default;

 private:
  explicit TOracleVariant(Kind k) : kind_(k) {}
  Kind kind_ = Kind::Unassigned;
  int32_t int_ = 0;
  double float_ = 0;
  std::string text_;
  std::vector<TOracleVariant> items_;
};

// Locale formats in the notation of the classic date-time format strings:
// d dd ddd dddd, m mm mmm mmmm, yy yyyy, h hh, n nn, s ss, z zzz, am/pm,
// ampm, "/" the date separator, ":" the time separator, quoted literals.
struct TOracleFormats {
  std::string ShortDateFormat = "dd/mm/yyyy";
  std::string LongTimeFormat = "hh:nn:ss";
  char DecimalSeparator = '.';
  char DateSeparator = '/';
  char TimeSeparator = ':';
};

namespace oraconv {

// Days between 30 December 1899 and the given day; raises "Invalid argument
// to date encode" for a year outside 1..9999 or an impossible day.
double EncodeDate(int year, int month, int day);
// Fraction of a day; raises "Invalid argument to time encode" for values
// outside a clock's range.
double EncodeTime(int hour, int minute, int second, int msec);

struct DateParts {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0, msec = 0;
};
DateParts DecodeDateTime(double dt);

// Oracle's 7-byte DATE and the date-time, both ways.
double OracleDateToDateTime(const unsigned char* date7);
void DateTimeToOracleDate(double dt, unsigned char* date7);
// The parts of an Oracle DATE, checked as OracleDateToDateTime checks them.
DateParts OracleDateToParts(const unsigned char* date7);
// DateTimeToText of an Oracle DATE, without the detour through a date-time.
std::string OracleDateToText(const unsigned char* date7, const TOracleFormats& formats);

// Text of a double: general format, 15 significant digits.
std::string FloatToText(double value, char decimalSeparator);
// Text of an integer.
std::string IntegerToText(int64_t value);
// The short date format, and a blank and the long time format unless the
// time of day is exactly midnight.
std::string DateTimeToText(double dt, const TOracleFormats& formats);
// One format string applied to a date-time.
std::string FormatDateTime(const std::string& format, double dt, const TOracleFormats& formats);

// Text from the server: LF, CR LF and lone CR all become CR LF.
std::string ToCRLF(const std::string& text);
// Whether text holds a CR or an LF.
inline bool HasLineBreak(const std::string& text) {
  for (char c : text)
    if (c == '\r' || c == '\n') return true;
  return false;
}
// Text to the server: every CR removed.
std::string RemoveCR(const std::string& text);

// Parsing of string columns; raise the standard conversion errors
// "'x' is not a valid integer value" / "floating point value" / "date".
int32_t TextToInteger(const std::string& text);
double TextToFloat(const std::string& text, char decimalSeparator);
double TextToDate(const std::string& text, const TOracleFormats& formats);

}  // namespace oraconv
