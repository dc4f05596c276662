// Finds the search text in one line: a plain substring (letters compared in
// upper case by the C library's locale rules unless case sensitive) or a
// pattern of the editor's own dialect.  Made once per search text and kept
// by the store, so that repeated searches cost only the scanning.
#pragma once

#include <bitset>
#include <memory>
#include <string>
#include <string_view>

#include "editor/regexpr.h"

namespace tarlow {

class TLineMatcher {
 public:
  // Throws ERegExprError for a malformed pattern.
  TLineMatcher(std::u16string_view text, bool caseSensitive, bool regular);

  bool SameSearch(std::u16string_view text, bool caseSensitive, bool regular) const {
    return text == text_ && caseSensitive == caseSensitive_ && regular == regular_;
  }
  bool Regular() const { return regular_; }
  // "^", "$" and "^$": searches step past an empty match before they start.
  bool AnchorOnly() const { return regular_ && (text_ == u"^" || text_ == u"$" || text_ == u"^$"); }

  // Forward: the first match that starts at or after column from; backward:
  // the last that starts at or before it.  Columns from 0.
  bool Search(std::u16string_view line, int from, bool forward, int& start, int& length);

 private:
  bool PlainForward(std::u16string_view line, int from, int& start) const;
  bool PlainBackward(std::u16string_view line, int from, int& start) const;
  bool SameAt(std::u16string_view line, std::size_t at) const;

  std::u16string text_;
  bool caseSensitive_;
  bool regular_;
  std::unique_ptr<TRegExpr> regex_;
  std::u16string upper_;  // the plain text in upper case
  // Every unit that compares equal to the first character.
  std::unique_ptr<std::bitset<65536>> firstSet_;
  // The character of the text the forward scan looks for, and its forms.
  std::size_t anchor_ = 0;
  std::u16string anchorChars_;
};

// Upper case of one UTF-16 unit by the C library's locale rules.
char16_t LocaleUpper(char16_t c);

}  // namespace tarlow
