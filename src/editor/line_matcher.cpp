#include "editor/line_matcher.h"

#include <algorithm>
#include <cwctype>

namespace tarlow {

char16_t LocaleUpper(char16_t c) {
  if (c < 128) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  const std::wint_t u = std::towupper(static_cast<std::wint_t>(c));
  return (u <= 0xFFFF && !(u >= 0xD800 && u <= 0xDFFF)) ? static_cast<char16_t>(u) : c;
}

TLineMatcher::TLineMatcher(std::u16string_view text, bool caseSensitive, bool regular)
    : text_(text), caseSensitive_(caseSensitive), regular_(regular) {
  if (regular_) {
    regex_ = std::make_unique<TRegExpr>(text_, caseSensitive_);
    return;
  }
  upper_ = text_;
  if (!caseSensitive_)
    for (char16_t& c : upper_) c = LocaleUpper(c);
  if (upper_.empty()) return;
  if (caseSensitive_) {
    firstChars_.assign(1, upper_[0]);
    return;
  }
  // Every unit whose upper case is the first character starts a candidate.
  firstSet_ = std::make_unique<std::bitset<65536>>();
  for (std::uint32_t c = 0; c < 65536; ++c)
    if (LocaleUpper(static_cast<char16_t>(c)) == upper_[0]) {
      firstSet_->set(c);
      firstChars_.push_back(static_cast<char16_t>(c));
    }
}

bool TLineMatcher::SameAt(std::u16string_view line, std::size_t at) const {
  if (at + upper_.size() > line.size()) return false;
  for (std::size_t k = 1; k < upper_.size(); ++k) {
    const char16_t c = line[at + k];
    if ((caseSensitive_ ? c : LocaleUpper(c)) != upper_[k]) return false;
  }
  return true;
}

bool TLineMatcher::PlainForward(std::u16string_view line, int from, int& start) const {
  const std::size_t m = upper_.size();
  if (m == 0 || line.size() < m || firstChars_.empty()) return false;
  const std::size_t last = line.size() - m;
  std::size_t i = static_cast<std::size_t>(from);
  if (firstChars_.size() <= 2) {
    // One or two candidates for the first character (a letter in both
    // cases): the library's scan finds each, the nearer one is tried.
    const char16_t a = firstChars_[0];
    const char16_t b = firstChars_.size() == 2 ? firstChars_[1] : a;
    std::size_t pa = line.find(a, i);
    std::size_t pb = a == b ? pa : line.find(b, i);
    for (;;) {
      const std::size_t p = std::min(pa, pb);
      if (p == std::u16string_view::npos || p > last) return false;
      if (SameAt(line, p)) {
        start = static_cast<int>(p);
        return true;
      }
      if (p == pa) pa = line.find(a, p + 1);
      if (p == pb) pb = a == b ? pa : line.find(b, p + 1);
    }
  }
  for (; i <= last; ++i)
    if (firstSet_->test(line[i]) && SameAt(line, i)) {
      start = static_cast<int>(i);
      return true;
    }
  return false;
}

bool TLineMatcher::PlainBackward(std::u16string_view line, int from, int& start) const {
  const std::size_t m = upper_.size();
  if (m == 0 || line.size() < m || from < 0) return false;
  std::size_t i = std::min(static_cast<std::size_t>(from), line.size() - m);
  for (;; --i) {
    const char16_t c = line[i];
    const bool first = caseSensitive_ ? c == upper_[0] : firstSet_->test(c);
    if (first && SameAt(line, i)) {
      start = static_cast<int>(i);
      return true;
    }
    if (i == 0) return false;
  }
}

bool TLineMatcher::Search(std::u16string_view line, int from, bool forward, int& start, int& length) {
  length = 0;
  if (!regular_) {
    const bool found = forward ? PlainForward(line, from, start) : PlainBackward(line, from, start);
    if (found) length = static_cast<int>(upper_.size());
    return found;
  }
  const int n = static_cast<int>(line.size());
  if (forward && n > 0 && from >= n) {
    // Only "$" can match at or beyond the end.
    if (text_ != u"$" || from > n) return false;
    start = n;
    return true;
  }
  if (!forward && from < 0 && n > 0) return false;
  int col = from + 1;
  if (!regex_->SearchLine(line, col, forward, length)) return false;
  start = col - 1;
  return true;
}

}  // namespace tarlow
