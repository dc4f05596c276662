// The small pattern engine of the editor's search.  Its dialect is its own:
// braces group, "*" and "+" repeat the character, class or group before them,
// "." and classes "[...]" / "[^...]" match one character, "^" and "$" anchor
// to the line's start and end, "\" escapes the special characters.  There is
// no alternation, counted repetition or back-reference; parentheses are
// ordinary characters.
//
// The pattern compiles into a flat list of nodes and is matched against one
// line at a time by a greedy matcher with a stack of backtracking points.
// Within one attempt (one start position) the rest of a match from a node
// and position that has already failed would fail again in the same way, so
// each (node, position) pair is tried only once; this keeps nested
// repetitions such as {a*}*b from taking exponential time without changing
// which match is found.
#pragma once

#include <bitset>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarlow {

// A malformed pattern: "PATTERN is invalid mask at (POSITION)", the position
// 1-based.
class ERegExprError : public std::runtime_error {
 public:
  ERegExprError(const std::string& message, int position)
      : std::runtime_error(message), position_(position) {}
  int Position() const { return position_; }

 private:
  int position_;
};

class TRegExpr {
 public:
  enum NodeKind : std::uint8_t {
    kChar = 0,       // one character; character 0 is the end marker
    kAny = 1,        // .
    kClass = 2,      // [...] or [^...]
    kLineStart = 3,  // ^
    kLineEnd = 4,    // $
    kOpen = 5,       // {
    kClose = 6,      // }
    kEscape = 7,     // \ before a special character
    kPlus = 8,       // +
    kStar = 9,       // *
  };

  struct Node {
    int Link = -1;  // last node of the repeatable unit starting here, or -1
    NodeKind Kind = kChar;
    char16_t Char = 0;  // kChar: the character; kClass: 1 when negated
    std::bitset<256> Set;
  };

  // Compiles the pattern; throws ERegExprError on a malformed one.
  TRegExpr(std::u16string_view pattern, bool caseSensitive);

  // Searches one line.  startCol is 1-based and becomes the 1-based column
  // of the match; matchLength is 0 when nothing is found.  Forward tries
  // start positions rightwards to the end of the line, backward leftwards
  // to its first character.
  bool SearchLine(std::u16string_view line, int& startCol, bool forward, int& matchLength);

  const std::vector<Node>& Nodes() const { return nodes_; }
  const std::u16string& Pattern() const { return pattern_; }

  // For tests: without the failure memory and the literal pre-check the
  // matcher runs exactly the plain backtracking procedure.
  void SetPlainMatching(bool plain) { plain_ = plain; }

 private:
  enum class Test { Fail, Success, ZeroWidth, Consumed };
  struct Point {
    int Pos;
    int Node;
  };

  void Compile();
  [[noreturn]] void Fail(int position) const;
  int AddNode(NodeKind kind, char16_t c = 0);
  char16_t Fold(char16_t c) const { return (!caseSensitive_ && c >= u'a' && c <= u'z') ? c - 32 : c; }
  void FindRequiredLiteral();
  bool MayMatch(std::u16string_view line, int from) const;
  bool InClass(int node, char16_t c) const;
  struct WideRange;
  void AddWide(std::vector<WideRange>& ranges);

  Test TestNode(int i, int& pos);
  bool Match(int i, int last, int& pos);
  bool MatchUnitOnce(int first, int last, int& pos);
  bool TryAt(int start);
  bool Evaluate(int node, int pos);  // one top-level match to the end marker
  bool SeenFailing(int node, int pos);
  void Push(int pos, int node);

  std::u16string pattern_;
  bool caseSensitive_;
  bool plain_ = false;
  std::vector<Node> nodes_;
  // Class members beyond the 256 codes of a node's set.
  struct WideRange {
    int Node;
    int Lo;
    int Hi;
  };
  std::vector<WideRange> wide_;
  std::u16string literal_;  // characters every match consumes in a row (folded)

  // State of one search.
  std::u16string_view line_;
  int len_ = 0;
  int matchEnd_ = 0;
  std::vector<Point> stack_;
  std::vector<std::uint32_t> failedStamp_;  // (node, position) -> attempt that saw it fail
  std::uint32_t attempt_ = 0;
  std::vector<std::size_t> visited_;  // states of the current top-level match
  std::vector<bool> simpleLoop_;      // by quantifier node: its unit holds no repetition
  int lastNode_ = 0;
};

}  // namespace tarlow
