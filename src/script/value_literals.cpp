#include "script/value_literals.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tarlow {

std::string TimestampLiteral(const TOracleTimestamp& t) {
  if (t.Year > 0) return "TIMESTAMP '" + oraconv::TimestampToText(t) + "'";
  // The ANSI literal knows no year before Christ.
  TOracleTimestamp text = t;
  std::string value = oraconv::TimestampToText(text);
  std::string format = "SYYYY-MM-DD HH24:MI:SS";
  if (value.find('.') != std::string::npos) format += ".FF9";
  if (t.HasZone) format += t.TzRegion.empty() ? " TZH:TZM" : " TZR";
  return std::string(t.HasZone ? "TO_TIMESTAMP_TZ('" : "TO_TIMESTAMP('") + value + "', '" + format + "')";
}

std::string IntervalLiteral(const TOracleInterval& v) {
  return "INTERVAL '" + oraconv::IntervalToText(v) + (v.YearToMonth ? "' YEAR(9) TO MONTH" : "' DAY(9) TO SECOND(9)");
}

std::string BinaryFloatLiteral(double value, bool single) {
  const char* type = single ? "BINARY_FLOAT" : "BINARY_DOUBLE";
  if (std::isnan(value)) return std::string(type) + "_NAN";
  if (std::isinf(value)) return std::string(value < 0 ? "-" : "") + type + "_INFINITY";
  return oraconv::BinaryFloatToText(value, single) + (single ? "f" : "d");
}

std::string SignedDateLiteral(const oraconv::DateParts& d) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "TO_DATE('%s%04d-%02d-%02d %02d:%02d:%02d', 'SYYYY-MM-DD HH24:MI:SS')",
                d.year < 0 ? "-" : "", std::abs(d.year), d.month, d.day, d.hour, d.minute, d.second);
  return buf;
}

bool NeedsUnistr(std::string_view utf8) {
  for (char c : utf8)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

namespace {

// The next character of UTF-8 text; a byte that starts no valid sequence
// stands for itself (as Latin-1 would read it).
unsigned NextCodePoint(std::string_view s, size_t& i) {
  const auto b = static_cast<unsigned char>(s[i]);
  int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
  if (b < 0x80 || extra == 0 || i + size_t(extra) >= s.size()) {
    ++i;
    return b;
  }
  unsigned cp = b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const auto c = static_cast<unsigned char>(s[i + size_t(k)]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return b;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  i += size_t(extra) + 1;
  return cp;
}

void AppendUnit(std::string& out, unsigned unit) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\%04X", unit);
  out += buf;
}

// How many script bytes one UNISTR piece holds at most.
constexpr size_t kPieceBytes = 1000;

}  // namespace

std::vector<std::string> UnistrPieces(std::string_view utf8, std::vector<size_t>* chars) {
  std::vector<std::string> pieces;
  std::string piece;
  size_t units = 0;
  auto flush = [&] {
    pieces.push_back(piece);
    if (chars) chars->push_back(units);
    piece.clear();
    units = 0;
  };
  for (size_t i = 0; i < utf8.size();) {
    const unsigned cp = NextCodePoint(utf8, i);
    const bool plain = cp >= 0x20 && cp < 0x7F && cp != '\'' && cp != '&' && cp != '\\';
    if (plain) {
      piece += static_cast<char>(cp);
      ++units;
    } else if (cp >= 0x10000) {
      AppendUnit(piece, 0xD800 + ((cp - 0x10000) >> 10));
      AppendUnit(piece, 0xDC00 + ((cp - 0x10000) & 0x3FF));
      units += 2;
    } else {
      AppendUnit(piece, cp);
      ++units;
    }
    if (piece.size() >= kPieceBytes) flush();
  }
  if (!piece.empty() || pieces.empty()) flush();
  return pieces;
}

std::string UnistrLiteral(std::string_view utf8, const char* wrap) {
  std::string out;
  const std::string open = *wrap ? std::string(wrap) + "(UNISTR('" : "UNISTR('";
  const std::string close = *wrap ? "'))" : "')";
  bool first = true;
  for (const std::string& piece : UnistrPieces(utf8)) {
    if (!first) out += "||\r\n";
    out += open + piece + close;
    first = false;
  }
  return out;
}

}  // namespace tarlow
