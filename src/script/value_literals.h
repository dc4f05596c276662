// SQL literals of column values that read the same whatever the session's
// NLS settings: timestamps with every fractional digit and their zone,
// intervals, binary floats with NaN and the infinities, national texts
// whose characters the database character set may lack, dates before
// Christ.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "oracle/datetime_values.h"
#include "oracle/fields.h"

namespace tarlow {

// TIMESTAMP '2024-02-29 23:59:59.123456789 +05:30' (an ANSI literal);
// before Christ, where the ANSI form has no year: TO_TIMESTAMP[_TZ] with
// an explicit SYYYY format.
std::string TimestampLiteral(const TOracleTimestamp& t);
// INTERVAL '-1-06' YEAR(9) TO MONTH, INTERVAL '3 04:05:06.7' DAY(9) TO SECOND(9).
std::string IntervalLiteral(const TOracleInterval& v);
// 1.5d, -0d, 0.1f, BINARY_DOUBLE_NAN, -BINARY_FLOAT_INFINITY ...
std::string BinaryFloatLiteral(double value, bool single);
// TO_DATE('-4712-01-01 00:00:00', 'SYYYY-MM-DD HH24:MI:SS'): a DATE of any year.
std::string SignedDateLiteral(const oraconv::DateParts& d);
// Whether a national text needs UNISTR: it holds a character beyond ASCII.
bool NeedsUnistr(std::string_view utf8);
// UNISTR('a\00E9...') calls, one per piece of at most about a thousand
// script bytes, joined by "||" on lines of their own.  Characters beyond
// ASCII, quotes, ampersands, backslashes and control characters are
// written as \XXXX UTF-16 code units, so that the script is ASCII and no
// client character set can change it.  `wrap` names a function that each
// piece goes into (TO_NCLOB for NCLOB values), or is empty.
std::string UnistrLiteral(std::string_view utf8, const char* wrap = "");
// The pieces of such a literal, for a caller that writes each piece on
// its own (an NCLOB appended to piece by piece).  `chars` receives each
// piece's length in UTF-16 code units.
std::vector<std::string> UnistrPieces(std::string_view utf8, std::vector<size_t>* chars = nullptr);

}  // namespace tarlow
