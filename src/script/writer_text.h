// Small text helpers shared by the statement writers' files.
#pragma once

#include <string>
#include <string_view>

#include "oracle/dataset.h"

namespace tarlow::writer_text {

inline constexpr const char* CRLF = "\r\n";

// Without trailing characters of code 0 to 32.
inline std::string RightTrim(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return std::string(s.substr(0, e));
}

// Without leading and trailing characters of code 0 to 32.
inline std::string Trim(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return std::string(s.substr(b, e - b));
}

// Without the blank lines at the end (and the line break before them); the
// last line that holds anything keeps its trailing blanks.
inline std::string WithoutTrailingBlankLines(std::string_view s) {
  size_t last = s.size();
  while (last > 0 && static_cast<unsigned char>(s[last - 1]) <= 32) --last;
  if (last == 0) return {};
  const size_t end = s.find_first_of("\r\n", last);
  return std::string(s.substr(0, end == std::string_view::npos ? s.size() : end));
}

// A field of the current record as text; "" for null.
inline std::string Text(TOracleDataSet& ds, const std::string& field) {
  return ds.FieldByName(field).AsString();
}

}  // namespace tarlow::writer_text
