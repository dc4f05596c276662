// The search patterns: what each construct matches (start column and length
// of the first match), the compile errors with their positions, and the
// nested repetitions that once took exponential time.
#include "editor/regexpr.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "editor/text_convert.h"

namespace tarlow {
namespace {

struct MatchCase {
  const char* group;
  const char* pattern;
  std::u16string text;
  int start;   // 1-based column of the match, 0 for no match
  int length;
  bool caseSensitive = false;
  bool forward = true;
  int from = 1;  // start column handed in
};

std::string Describe(const MatchCase& c) {
  return std::string(c.group) + ": /" + c.pattern + "/ in \"" + Utf16ToUtf8(c.text) + "\"" +
         (c.forward ? "" : " backwards") + (c.caseSensitive ? " case sensitive" : "");
}

void ExpectMatch(const MatchCase& c) {
  TRegExpr re(Utf8ToUtf16(c.pattern), c.caseSensitive);
  int col = c.from;
  int len = -1;
  const bool found = re.SearchLine(c.text, col, c.forward, len);
  SCOPED_TRACE(Describe(c));
  if (c.start == 0) {
    EXPECT_FALSE(found) << "found at " << col << " length " << len;
    EXPECT_EQ(len, 0);
  } else {
    ASSERT_TRUE(found);
    EXPECT_EQ(col, c.start);
    EXPECT_EQ(len, c.length);
  }
}

const MatchCase kCases[] = {
    // Plain characters; parentheses are ordinary.
    {"literal", "abc", u"xxabcxx", 3, 3},
    {"literal", "abc", u"xxABCxx", 3, 3},
    {"literal", "abc", u"ABC abc", 5, 3, true},
    {"literal", "(a)", u"x(a)", 2, 3},
    {"literal", "xyz", u"abc", 0, 0},
    {"literal", "abc", u"ab", 0, 0},
    // Any character, also at the end of the line, but only once there.
    {"dot", ".*", u"select", 1, 6},
    {"dot", "s.l", u"select", 1, 3},
    {"dot", "a.", u"xa", 2, 1},
    {"dot", "a..", u"xa", 0, 0},
    // Repetition: greedy, longest run, backtracking to what follows.
    {"repeat", "ab*c", u"xacx", 2, 2},
    {"repeat", "ab*c", u"abbbc", 1, 5},
    {"repeat", "ab+c", u"ac abc", 4, 3},
    {"repeat", "a+", u"baaa", 2, 3},
    {"repeat", ".*x", u"axbxc", 1, 4},
    {"repeat", "[0-9]*", u"abc", 1, 0},
    {"repeat", "x*", u"", 0, 0},
    // Braces group; a group can be repeated.
    {"group", "{ab}", u"xab", 2, 2},
    {"group", "{ab}*c", u"ababc", 1, 5},
    {"group", "{ab}+", u"xabab", 2, 4},
    {"group", "x{ab}*y", u"xababy", 1, 6},
    {"group", "{[A-Z]}+_ID", u"  DEPT_ID NUMBER", 3, 7},
    // Classes, negated classes, ranges, escapes inside a class.
    {"class", "[aeiou]", u"xyzoa", 4, 1},
    {"class", "[^aeiou]", u"aeb", 3, 1},
    {"class", "[^a]", u"aa", 0, 0},
    {"class", "a[^a]", u"a", 1, 1},
    {"class", "[a-z]+", u"12abc3", 3, 3},
    {"class", "[a-z]", u"ABC", 1, 1},
    {"class", "[a-z]", u"ABc", 3, 1, true},
    {"class", "[\\]]", u"a]b", 2, 1},
    {"class", "[a\\-z]", u"x-", 2, 1},
    {"class", "[z-a]", u"xz", 2, 1},
    {"class", "[\\q]", u"q", 1, 1},
    {"class", "[\\q]", u"\\", 1, 1},
    // Anchors.
    {"anchor", "^sel", u"select", 1, 3},
    {"anchor", "^sel", u"a select", 0, 0},
    {"anchor", "ct$", u"select", 5, 2},
    {"anchor", "x$", u"xax", 3, 1},
    {"anchor", "$", u"abc", 4, 0},
    {"anchor", "^", u"abc", 1, 0},
    {"anchor", "^", u"", 1, 0},
    {"anchor", "^$", u"", 1, 0},
    {"anchor", "^$", u"abc", 0, 0},
    {"anchor", "$", u"abc", 0, 0, false, false, 2},
    {"anchor", "$", u"abc", 4, 0, false, false, 3},
    // Escapes: a special character stands for itself; before anything else
    // the backslash is dropped.
    {"escape", "\\.", u"a.b", 2, 1},
    {"escape", "a\\.b", u"axb a.b", 5, 3},
    {"escape", "\\s", u"xs", 2, 1},
    {"escape", "\\*", u"2*3", 2, 1},
    {"escape", "a\\\\b", u"a\\b ab", 5, 2},
    {"escape", "\\{x\\}", u"a{x}", 2, 3},
    // Start column and direction.
    {"direction", "ab", u"ab ab ab", 4, 2, false, true, 2},
    {"direction", "ab", u"ab ab ab", 4, 2, false, false, 6},
    {"direction", "ab", u"ab ab ab", 1, 2, false, false, 3},
    {"direction", "ab", u"ab ab ab", 0, 0, false, true, 99},
    {"direction", "b", u"ab", 0, 0, false, false, 1},
    // Characters beyond the first 256 codes.
    {"wide", "\u00e9t\u0113", u"x\u00e9t\u0113", 2, 3},
    {"wide", "[\u0100-\u0200]+", u"ab\u0113\u0114c", 3, 2},
};

TEST(RegExprMatches, Table) {
  for (const auto& c : kCases) ExpectMatch(c);
}

struct ErrorCase {
  const char* pattern;
  int position;
};

TEST(RegExprErrors, MessageAndPosition) {
  const ErrorCase cases[] = {
      {"[]", 2},   {"[abc", 5}, {"*a", 1},  {"+", 1},  {"a**", 3}, {"^*", 2},
      {"$+", 2},   {"{ab", 4},  {"ab}", 4}, {"}{", 3}, {"[-a]", 2}, {"x\\++*", 5},
      {"[a-", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    try {
      TRegExpr re(Utf8ToUtf16(c.pattern), false);
      ADD_FAILURE() << "compiled";
    } catch (const ERegExprError& e) {
      EXPECT_EQ(e.Position(), c.position);
      EXPECT_EQ(std::string(e.what()),
                std::string(c.pattern) + " is invalid mask at (" + std::to_string(c.position) + ")");
    }
  }
}

TEST(RegExprErrors, WellFormedEdgesCompile) {
  for (const char* p : {"\\*+", "{}*", "a{b}", "[a-]]", "\\", "a{b{c}*}+"}) {
    SCOPED_TRACE(p);
    EXPECT_NO_THROW(TRegExpr(Utf8ToUtf16(p), false));
  }
}

// ---- former faults: nested repetitions must finish, with the same result ----

TEST(RegExprFormerFaults, NestedRepetitionsFinish) {
  const std::u16string as(5000, u'a');
  const MatchCase cases[] = {
      {"nested", "{a*}*b", as, 0, 0},
      {"nested", "{a*}*b", as + u"b", 1, 5001},
      {"nested", "{a+}+b", as + u"c", 0, 0},
      {"nested", "{{a}*}*b", std::u16string(200, u'a'), 0, 0},
      {"nested", "{a*a*}*b", std::u16string(200, u'a'), 0, 0},
      {"nested", ".*.*.*.*.*b", std::u16string(60, u'a'), 0, 0},
      {"nested", "{.*}*x", std::u16string(200, u'a'), 0, 0},
      {"nested", "{a*}*c", std::u16string(300, u'a') + u";c", 302, 1},
      // The character after the repetitions is there, so every start
      // position runs the backtracking to its end.
      {"nested", "{a*a*}*b", std::u16string(1000, u'a') + u"cb", 1002, 1},
      {"nested", "{{a}*}*b", std::u16string(1000, u'a') + u"cb", 1002, 1},
      {"nested", "{a*}*b", std::u16string(1000, u'a') + u"cb", 1002, 1},
      {"nested", "{a+a+}+b", std::u16string(1000, u'a') + u"cb", 0, 0},
      // A point resumed inside the group treats the group's rest as a unit
      // of its own under "+", and the rest ("}") consumes nothing: no match.
      {"nested", "{a+a+}+b", std::u16string(1000, u'a') + u"b", 0, 0},
  };
  for (const auto& c : cases) ExpectMatch(c);
}

// The failure memory and the literal pre-check only cut work: on many small
// patterns and lines every result equals that of the plain procedure.
TEST(RegExprFormerFaults, SameMatchesAsPlainBacktracking) {
  const char* atoms[] = {"a",    "b",      ".",       "[ab]",   "[^a]",     "{ab}", "{a*}",
                         "{.b}", "{a*b*}", "{{a}*b}", "{a+.*}", "{[^b]*a}", "^",    "$",
                         "\\."};
  const char* quants[] = {"", "", "*", "+"};
  std::mt19937 rng(11);
  int compared = 0;
  for (int round = 0; round < 6000; ++round) {
    std::string pattern;
    const int parts = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < parts; ++k) {
      std::string atom = atoms[rng() % std::size(atoms)];
      std::string q = quants[rng() % std::size(quants)];
      if ((atom == "^" || atom == "$" || atom == "\\.") && !q.empty()) q.clear();
      pattern += atom + q;
    }
    std::u16string text;
    const int len = static_cast<int>(rng() % 12);
    for (int k = 0; k < len; ++k) text.push_back(u"ab.c"[rng() % 4]);
    std::unique_ptr<TRegExpr> fast;
    std::unique_ptr<TRegExpr> plain;
    try {
      fast = std::make_unique<TRegExpr>(Utf8ToUtf16(pattern), false);
      plain = std::make_unique<TRegExpr>(Utf8ToUtf16(pattern), false);
    } catch (const ERegExprError&) {
      continue;
    }
    plain->SetPlainMatching(true);
    for (bool forward : {true, false}) {
      for (int from = 0; from <= len + 1; ++from) {
        int c1 = from, c2 = from, l1 = 0, l2 = 0;
        const bool f1 = fast->SearchLine(text, c1, forward, l1);
        const bool f2 = plain->SearchLine(text, c2, forward, l2);
        ASSERT_EQ(f1, f2) << pattern << " in " << Utf16ToUtf8(text) << " from " << from;
        if (f1) {
          ASSERT_EQ(c1, c2) << pattern << " in " << Utf16ToUtf8(text);
          ASSERT_EQ(l1, l2) << pattern << " in " << Utf16ToUtf8(text);
        }
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 1000);
}

}  // namespace
}  // namespace tarlow
