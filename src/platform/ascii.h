// Case mapping and character classes for identifiers, keywords and parameter
// names.  These are ASCII in Oracle's SQL, in the names file and on the
// command line, so they are mapped as ASCII whatever the process locale:
// under a Turkish locale toupper('i') is not 'I', and a byte of a UTF-8
// sequence may count as a letter in a single-byte locale.
#pragma once

#include <string>
#include <string_view>

namespace platform {

constexpr bool isAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool isAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool isAsciiAlpha(char c) { return isAsciiUpper(c) || isAsciiLower(c); }
constexpr bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isAsciiAlnum(char c) { return isAsciiAlpha(c) || isAsciiDigit(c); }
constexpr bool isAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr char asciiUpper(char c) { return isAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char asciiLower(char c) { return isAsciiUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string asciiUpper(std::string s) {
  for (char& c : s) c = asciiUpper(c);
  return s;
}
inline std::string asciiLower(std::string s) {
  for (char& c : s) c = asciiLower(c);
  return s;
}

constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
  return true;
}

constexpr bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace platform
