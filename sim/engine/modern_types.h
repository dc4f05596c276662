// The scalar types of later Oracle releases: TIMESTAMP [WITH [LOCAL] TIME
// ZONE], INTERVAL YEAR TO MONTH, INTERVAL DAY TO SECOND, BINARY_FLOAT,
// BINARY_DOUBLE and UROWID.
//
// Values are stored as text in the forms Value documents (nine fractional
// digits, the zone after a blank), so that they keep every digit and their
// zone; binary floats are stored as REAL, with NaN and -0 (which SQLite's
// REAL cannot keep) as the texts "NaN" and "-0".  Conversions that Oracle
// refuses raise Oracle's errors (ORA-01843, ORA-01850, ORA-01873, ...).
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "engine/engine.h"
#include "engine/internal.h"

namespace ocisim {

struct Timestamp {
  DateTime d;
  int nanos = 0;
  enum class Zone { None, Offset, Region } zone = Zone::None;
  int offsetMinutes = 0;  // Offset: east of UTC
  std::string region;     // Region: as written, e.g. "Europe/Paris"
};

// "[-]YYYY-MM-DD[ HH:MI:SS[.fffffffff]][ zone]": a TIMESTAMP literal's text
// and the stored form.  Throws ORA-01843, 01847, 01850, 01851, 01852,
// 01857, 01861, 01874, 01875, 01882.
Timestamp parseTimestamp(std::string_view text);
// The stored form; the zone only when `withZone`.
std::string storedTimestamp(const Timestamp& t, bool withZone);
// Rounds the fraction to `digits` digits, carrying into the seconds.
Timestamp roundFraction(Timestamp t, int digits);
// The zone's offset in minutes (a region's standard offset).
int zoneOffsetMinutes(const Timestamp& t);
// The same instant in UTC, without zone.
Timestamp toUtc(const Timestamp& t);

// Fields that TO_TIMESTAMP and TO_TIMESTAMP_TZ read beyond a date's
// (FF, TZH, TZM, TZR): filled in by parseDateTime.
struct TimeExtras {
  int nanos = 0;
  bool hasZone = false;
  int offsetMinutes = 0;
  std::string region;
};
// TO_DATE with the datetime elements FF[1-9], X, TZH, TZM and TZR allowed.
DateTime parseDateTime(const std::string& text, const std::string& format, TimeExtras& extras);

struct Interval {
  bool yearToMonth = true;
  bool negative = false;
  long long years = 0, days = 0;
  int months = 0, hours = 0, minutes = 0, seconds = 0, nanos = 0;
};
// The stored form ("+Y-MM", "+D HH:MI:SS.fffffffff") or the text of an
// INTERVAL literal with its leading and trailing fields ("YEAR", "MONTH",
// "DAY", "HOUR", "MINUTE", "SECOND").  Throws ORA-01867 for a malformed
// text, ORA-01873 when the leading field has more digits than `leadDigits`,
// ORA-01850/01851/01852 for a field out of range.
Interval parseInterval(std::string_view text, const std::string& leading, const std::string& trailing,
                       int leadDigits = 9);
std::string storedInterval(const Interval& v);

// The shortest text that reads back as the same value ("NaN", "Inf",
// "-Inf", "-0" for the special ones).
std::string binaryText(double v, bool isFloat);
// Reads such a text (and plain number texts); false when it is none.
bool parseBinaryText(std::string_view text, double& out);

// ColumnInfo of one of these declared types (upper case, without any
// "STORED AS" tail); false when the declaration is of another type.
bool modernColumnInfo(const std::string& decl, ColumnInfo& ci);
bool isModernType(SqlType t);
// The Value of a stored column of one of these types.
Value modernValue(SqlType type, sqlite3_stmt* st, int col);

// The SQLite functions of these types, registered on every connection:
//   ocisim_as_typed(v, decl)  v converted for a column of the declared type
//   ocisim_to_timestamp(text [, fmt [, tz]])  TO_TIMESTAMP / TO_TIMESTAMP_TZ
//   ocisim_to_interval(text, ym)               TO_YMINTERVAL / TO_DSINTERVAL
//   ocisim_binary(v, isFloat)                  TO_BINARY_FLOAT / TO_BINARY_DOUBLE
//   ocisim_bneg(v)                             a binary float's negation
//   ocisim_unistr(text)                        UNISTR
//   ocisim_cast_to_raw(text)                   UTL_RAW.CAST_TO_RAW
//   ocisim_systimestamp()                      SYSTIMESTAMP
void registerModernFunctions(sqlite3* db, Session* s);

}  // namespace ocisim
