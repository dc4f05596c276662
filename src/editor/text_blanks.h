// Blanks at the edges of lines and list entries: every character with a
// code up to 32 (blanks and control characters) counts as one.
#pragma once

#include <string>
#include <string_view>

namespace tarlow {

// The entry without blanks at either end.
inline std::string TrimBlanks(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

// The length of a line without its trailing blanks.
inline int TrimmedLength(std::u16string_view text) {
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] <= 32) --n;
  return static_cast<int>(n);
}

}  // namespace tarlow
