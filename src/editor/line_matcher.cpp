#include "editor/line_matcher.h"

#include <algorithm>
#include <cwctype>
#include <vector>

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
  const std::size_t m = upper_.size();
  if (m == 0) return;
  // For each character of the text, every unit that compares equal to it.
  std::vector<std::u16string> equal(m);
  if (caseSensitive_) {
    for (std::size_t k = 0; k < m; ++k) equal[k].assign(1, upper_[k]);
  } else {
    for (std::uint32_t c = 0; c < 65536; ++c) {
      const char16_t u = LocaleUpper(static_cast<char16_t>(c));
      for (std::size_t k = 0; k < m; ++k)
        if (upper_[k] == u) equal[k].push_back(static_cast<char16_t>(c));
    }
  }
  firstSet_ = std::make_unique<std::bitset<65536>>();
  for (char16_t c : equal[0]) firstSet_->set(c);
  // The scan looks for the character with the fewest forms (a digit or an
  // underscore rather than a letter in two cases) and checks around it.
  anchor_ = 0;
  for (std::size_t k = 1; k < m; ++k)
    if (equal[k].size() < equal[anchor_].size()) anchor_ = k;
  anchorChars_ = equal[anchor_];
}

bool TLineMatcher::SameAt(std::u16string_view line, std::size_t at) const {
  if (at + upper_.size() > line.size()) return false;
  for (std::size_t k = 0; k < upper_.size(); ++k) {
    const char16_t c = line[at + k];
    if ((caseSensitive_ ? c : LocaleUpper(c)) != upper_[k]) return false;
  }
  return true;
}

bool TLineMatcher::PlainForward(std::u16string_view line, int from, int& start) const {
  const std::size_t m = upper_.size();
  if (m == 0 || line.size() < m || anchorChars_.empty()) return false;
  const std::size_t last = line.size() - m;
  std::size_t i = static_cast<std::size_t>(from);
  if (i > last) return false;
  if (anchorChars_.size() <= 2) {
    // The library's scan finds each form of the anchor character; the
    // nearer one is tried.
    const char16_t a = anchorChars_[0];
    const char16_t b = anchorChars_.size() == 2 ? anchorChars_[1] : a;
    const std::size_t at = i + anchor_;
    std::size_t pa = line.find(a, at);
    std::size_t pb = a == b ? pa : line.find(b, at);
    for (;;) {
      const std::size_t p = std::min(pa, pb);
      if (p == std::u16string_view::npos || p - anchor_ > last) return false;
      if (SameAt(line, p - anchor_)) {
        start = static_cast<int>(p - anchor_);
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
  if (m == 0 || line.size() < m || from < 0 || anchorChars_.empty()) return false;
  std::size_t i = std::min(static_cast<std::size_t>(from), line.size() - m);
  for (;; --i) {
    if (firstSet_->test(line[i]) && SameAt(line, i)) {
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
