#include "editor/regexpr.h"

#include <algorithm>

#include "editor/text_convert.h"

namespace tarlow {

namespace {

bool IsSpecial(char16_t c) { return std::u16string_view(u"$*+.[]^{}").find(c) != std::u16string_view::npos; }
bool IsClassEscapable(char16_t c) { return IsSpecial(c) || c == u'-'; }

}  // namespace

TRegExpr::TRegExpr(std::u16string_view pattern, bool caseSensitive)
    : pattern_(pattern), caseSensitive_(caseSensitive) {
  Compile();
  FindRequiredLiteral();
}

void TRegExpr::Fail(int position) const {
  throw ERegExprError(Utf16ToUtf8(pattern_) + " is invalid mask at (" + std::to_string(position) + ")",
                      position);
}

int TRegExpr::AddNode(NodeKind kind, char16_t c) {
  Node n;
  n.Kind = kind;
  n.Char = c;
  nodes_.push_back(n);
  return static_cast<int>(nodes_.size()) - 1;
}

void TRegExpr::AddWide(std::vector<WideRange>& ranges) {
  for (WideRange& r : ranges) {
    r.Node = static_cast<int>(nodes_.size()) - 1;
    wide_.push_back(r);
  }
}

void TRegExpr::Compile() {
  const std::u16string& p = pattern_;
  const int n = static_cast<int>(p.size());
  int unitStart = -1;  // first node of the unit a following "*" or "+" repeats
  std::vector<int> openBraces;
  int depth = 0;
  int i = 0;
  auto repeatFollows = [&](int at) { return at < n && (p[at] == u'*' || p[at] == u'+'); };

  while (i < n) {
    const char16_t c = p[i];
    switch (c) {
      case u'$': AddNode(kLineEnd); unitStart = -1; ++i; break;
      case u'^': AddNode(kLineStart); unitStart = -1; ++i; break;
      case u'.': AddNode(kAny); unitStart = -1; ++i; break;
      case u'{':
        openBraces.push_back(AddNode(kOpen));
        ++depth;
        unitStart = -1;
        ++i;
        break;
      case u'}':
        AddNode(kClose);
        --depth;
        unitStart = -1;
        if (!openBraces.empty()) {
          unitStart = openBraces.back();
          openBraces.pop_back();
        }
        ++i;
        break;
      case u'[': {
        Node cls;
        cls.Kind = kClass;
        int j = i + 1;
        if (j < n && p[j] == u'^') {
          cls.Char = 1;
          ++j;
        }
        bool anyMember = false;
        int previous = -1;
        std::vector<WideRange> wide;
        auto add = [&](char16_t lo, char16_t hi) {
          for (int m = lo; m <= hi && m < 256; ++m) cls.Set.set(static_cast<std::size_t>(m));
          if (hi >= 256) wide.push_back({0, std::max<int>(lo, 256), hi});
        };
        for (;;) {
          if (j >= n) Fail(n + 1);  // the class is not closed
          char16_t m = p[j];
          if (m == u']') break;
          if (m == u'-') {
            if (previous < 0 || j + 1 >= n) Fail(j + 1);
            const char16_t hi = Fold(p[j + 1]);
            if (hi >= previous) add(static_cast<char16_t>(previous), hi);
            previous = hi;
            j += 2;
            continue;
          }
          if (m == u'\\' && j + 1 < n && IsClassEscapable(p[j + 1])) {
            m = p[j + 1];
            ++j;
          }
          m = Fold(m);
          add(m, m);
          anyMember = true;
          previous = m;
          ++j;
        }
        if (!anyMember) Fail(j + 1);  // "[]" is an error
        i = j + 1;
        if (repeatFollows(i)) {
          const int wrapper = AddNode(kOpen);
          nodes_.push_back(cls);
          AddWide(wide);
          AddNode(kClose);
          unitStart = wrapper;
        } else {
          nodes_.push_back(cls);
          AddWide(wide);
          unitStart = -1;
        }
        break;
      }
      case u'\\':
        if (i + 1 < n && IsSpecial(p[i + 1])) {
          AddNode(kEscape);
          AddNode(kChar, p[i + 1]);
          unitStart = -1;
          i += 2;
        } else {
          ++i;  // a backslash before anything else is dropped
        }
        break;
      case u'*':
      case u'+': {
        const int last = static_cast<int>(nodes_.size()) - 1;
        if (last < 0) Fail(i + 1);
        const int first = unitStart >= 0 ? unitStart : last;
        const NodeKind k = nodes_[static_cast<std::size_t>(first)].Kind;
        if (k == kLineStart || k == kLineEnd || k == kEscape || k == kPlus || k == kStar) Fail(i + 1);
        for (int m = first; m <= last; ++m)
          if (nodes_[static_cast<std::size_t>(m)].Link == -1) nodes_[static_cast<std::size_t>(m)].Link = last;
        AddNode(c == u'+' ? kPlus : kStar);
        unitStart = -1;
        ++i;
        break;
      }
      default:
        if (repeatFollows(i + 1)) {
          const int wrapper = AddNode(kOpen);
          AddNode(kChar, Fold(c));
          AddNode(kClose);
          unitStart = wrapper;
        } else {
          AddNode(kChar, Fold(c));
          unitStart = -1;
        }
        ++i;
        break;
    }
  }
  AddNode(kChar, 0);  // the end marker
  if (depth != 0 || !openBraces.empty()) Fail(n + 1);

  simpleLoop_.assign(nodes_.size(), false);
  for (std::size_t q = 1; q < nodes_.size(); ++q) {
    if (nodes_[q].Kind != kPlus && nodes_[q].Kind != kStar) continue;
    const int a = static_cast<int>(q) - 1;
    std::size_t first = static_cast<std::size_t>(a);
    for (std::size_t k = 0; k <= static_cast<std::size_t>(a); ++k)
      if (nodes_[k].Link == a) {
        first = k;
        break;
      }
    bool simple = true;
    for (std::size_t k = first; k < q; ++k)
      if (nodes_[k].Kind == kPlus || nodes_[k].Kind == kStar) simple = false;
    simpleLoop_[q] = simple;
  }
}

void TRegExpr::FindRequiredLiteral() {
  // A run of single characters outside every repeatable unit is consumed in
  // a row by every match, so a line that lacks it cannot match.
  std::u16string best;
  std::u16string run;
  for (const Node& nd : nodes_) {
    if (nd.Link != -1 || nd.Kind == kAny || nd.Kind == kClass || (nd.Kind == kChar && nd.Char == 0) ||
        nd.Kind == kPlus || nd.Kind == kStar) {
      if (run.size() > best.size()) best = run;
      run.clear();
      continue;
    }
    if (nd.Kind == kChar) run.push_back(nd.Char);
  }
  if (run.size() > best.size()) best = run;
  literal_ = std::move(best);
}

bool TRegExpr::MayMatch(std::u16string_view line, int from) const {
  if (literal_.empty()) return true;
  const std::size_t m = literal_.size();
  const char16_t first = literal_[0];
  const bool foldFirst = !caseSensitive_ && first >= u'A' && first <= u'Z';
  for (std::size_t i = static_cast<std::size_t>(from); i + m <= line.size(); ++i) {
    if (!foldFirst) {
      i = line.find(first, i);
      if (i == std::u16string_view::npos || i + m > line.size()) return false;
    } else if (Fold(line[i]) != first) {
      continue;
    }
    std::size_t k = 1;
    while (k < m && Fold(line[i + k]) == literal_[k]) ++k;
    if (k == m) return true;
  }
  return false;
}

bool TRegExpr::InClass(int node, char16_t c) const {
  if (c < 256) return nodes_[static_cast<std::size_t>(node)].Set.test(c);
  for (const WideRange& r : wide_)
    if (r.Node == node && c >= r.Lo && c <= r.Hi) return true;
  return false;
}

TRegExpr::Test TRegExpr::TestNode(int i, int& pos) {
  const Node& nd = nodes_[static_cast<std::size_t>(i)];
  switch (nd.Kind) {
    case kChar:
      if (nd.Char == 0) {
        matchEnd_ = std::min(pos, len_);
        return Test::Success;
      }
      if (pos < len_ && Fold(line_[static_cast<std::size_t>(pos)]) == nd.Char) {
        ++pos;
        return Test::Consumed;
      }
      return Test::Fail;
    case kAny:
      // Any character, even at the end of the line; a test there does not
      // advance over the end, and the next consuming test fails.
      if (pos > len_) return Test::Fail;
      ++pos;
      return Test::Consumed;
    case kClass: {
      if (pos > len_) return Test::Fail;
      const char16_t c = pos < len_ ? Fold(line_[static_cast<std::size_t>(pos)]) : char16_t{0};
      if (InClass(i, c) != (nd.Char != 0)) {
        ++pos;
        return Test::Consumed;
      }
      return Test::Fail;
    }
    case kLineStart: return pos == 0 ? Test::ZeroWidth : Test::Fail;
    case kLineEnd: return pos >= len_ ? Test::ZeroWidth : Test::Fail;
    default: return Test::ZeroWidth;
  }
}

bool TRegExpr::MatchUnitOnce(int first, int last, int& pos) {
  int p = pos;
  if (Match(first, last, p) && std::min(p, len_) > pos) {
    pos = p;
    return true;
  }
  return false;
}

void TRegExpr::Push(int pos, int node) { stack_.push_back({pos, node}); }

bool TRegExpr::SeenFailing(int node, int pos) {
  // Within one attempt the rest of a top-level match from the same node and
  // position fails the same way again, and everything it pushed has been
  // tried before it comes up again (what it pushes lies at later nodes).
  const std::size_t key = static_cast<std::size_t>(node) * (static_cast<std::size_t>(len_) + 2) +
                          static_cast<std::size_t>(pos);
  if (failedStamp_[key] == attempt_) return true;
  visited_.push_back(key);
  return false;
}

bool TRegExpr::Match(int i, int last, int& pos) {
  const bool top = last == lastNode_ && !plain_;
  while (i <= last) {
    if (top && SeenFailing(i, pos)) return false;
    const int a = nodes_[static_cast<std::size_t>(i)].Link;
    if (a >= 0 && a != last) {
      // Nodes i..a form a unit repeated by the quantifier at a + 1.
      const bool plus = nodes_[static_cast<std::size_t>(a) + 1].Kind == kPlus;
      if (pos >= len_) {
        if (plus) return false;
        i = a + 2;
        continue;
      }
      if (plus && !MatchUnitOnce(i, a, pos)) return false;
      for (;;) {
        // Each round of the repetition of a unit without inner repetitions
        // is a state of its own, keyed by the quantifier node, which
        // matching never visits otherwise.  (Inner repetitions push points
        // inside the unit, from which this loop can be reached again.)
        if (top && simpleLoop_[static_cast<std::size_t>(a) + 1] && SeenFailing(a + 1, pos)) return false;
        Push(pos, a + 2);
        if (!MatchUnitOnce(i, a, pos) || pos >= len_) break;
      }
      i = a + 2;
      continue;
    }
    switch (TestNode(i, pos)) {
      case Test::Fail: return false;
      case Test::Success: return true;
      case Test::ZeroWidth:
      case Test::Consumed: ++i; break;
    }
  }
  return true;
}

bool TRegExpr::Evaluate(int node, int pos) {
  visited_.clear();
  if (Match(node, lastNode_, pos)) return true;
  if (!plain_)
    for (std::size_t key : visited_) failedStamp_[key] = attempt_;
  return false;
}

bool TRegExpr::TryAt(int start) {
  stack_.clear();
  if (++attempt_ == 0) {  // the stamps wrapped around: forget them all
    std::fill(failedStamp_.begin(), failedStamp_.end(), 0u);
    attempt_ = 1;
  }
  if (Evaluate(0, start)) return true;
  while (!stack_.empty()) {
    const Point pt = stack_.back();
    stack_.pop_back();
    if (Evaluate(pt.Node, pt.Pos)) return true;
  }
  return false;
}

bool TRegExpr::SearchLine(std::u16string_view line, int& startCol, bool forward, int& matchLength) {
  matchLength = 0;
  const int n = static_cast<int>(line.size());
  if (startCol > n) startCol = n;
  if (n == 0) {
    if (pattern_ == u"^" || pattern_ == u"$" || pattern_ == u"^$") {
      startCol = 1;
      return true;
    }
    return false;
  }
  if (pattern_ == u"$") {
    if (!forward && startCol != n) return false;
    startCol = n + 1;
    return true;
  }
  if (startCol <= 0) startCol = 1;
  line_ = line;
  len_ = n;
  lastNode_ = static_cast<int>(nodes_.size()) - 1;
  const std::size_t need = nodes_.size() * (static_cast<std::size_t>(n) + 2);
  if (!plain_ && failedStamp_.size() < need) failedStamp_.resize(need, 0u);
  if (!plain_ && !MayMatch(line, forward ? startCol - 1 : 0)) return false;
  const int step = forward ? 1 : -1;
  for (int p = startCol - 1; p >= 0 && p < n; p += step) {
    if (TryAt(p)) {
      startCol = p + 1;
      matchLength = std::max(0, matchEnd_ - p);
      return true;
    }
  }
  return false;
}

}  // namespace tarlow
