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

// Every line break (CR LF, lone CR, lone LF) as CR LF: the script's own
// line breaks are all CR LF.
inline std::string ToCRLF(std::string_view s) {
  std::string out;
  out.reserve(s.size() + s.size() / 32);
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

// Without leading characters of code 0 to 32.
inline std::string LeftTrim(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && static_cast<unsigned char>(s[b]) <= 32) ++b;
  return std::string(s.substr(b));
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

// Every line break (CR LF, lone CR) as LF.
inline std::string ToLF(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r') {
      out += '\n';
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

// A field of the current record as text; "" for null.
inline std::string Text(TOracleDataSet& ds, const std::string& field) {
  return ds.FieldByName(field).AsString();
}

}  // namespace tarlow::writer_text
