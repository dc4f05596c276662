// Find, Replace, Replace All and SearchAgain over the store's lines, with
// the options the find and replace dialogs edit.  A found match becomes the
// store's match highlight, which the next outermost bracket clears.
#include <algorithm>

#include "editor/line_matcher.h"
#include "editor/memo_source.h"
#include "editor/text_blanks.h"
#include "editor/text_convert.h"

namespace tarlow {

namespace {

// Brackets that must close also when an error leaves the search.
class Bracket {
 public:
  Bracket(TMemoSource& s, int code) : s_(s) { s_.BeginUpdate(code); }
  ~Bracket() { s_.EndUpdate(); }
  Bracket(const Bracket&) = delete;
  Bracket& operator=(const Bracket&) = delete;

 private:
  TMemoSource& s_;
};

class BusyCursor {
 public:
  explicit BusyCursor(TSearchMessages& m) : m_(m) { m_.Busy(true); }
  ~BusyCursor() { m_.Busy(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  TSearchMessages& m_;
};

std::u16string Substitute(std::u16string_view format, std::u16string_view text) {
  std::u16string out(format);
  const std::size_t at = out.find(u"%s");
  if (at != std::u16string::npos) out.replace(at, 2, QuoteForMessage(text));
  return out;
}

}  // namespace

TSearchMessages& TMemoSource::Messages() {
  static TSearchMessages silent;
  return messages_ ? *messages_ : silent;
}

bool TMemoSource::ReportSearchError(const std::u16string& message, bool raise) {
  if (Messages().SearchException(message)) return false;
  if (raise) throw ESearchError(Utf16ToUtf8(message));
  Messages().Information(message);
  return false;
}

void TMemoSource::PrepareSearchOptions(TSearchOptions& o) const {
  if (HasOption(soFindTextAtCursor)) o.TextToFind = WordAt(caret_);
  bool inside = false;
  if (selKind_ == kSelBlock) {
    const bool onRow = caret_.Line >= selBegin_.Line && caret_.Line <= selEnd_.Line;
    const bool onCol = caret_.Col >= selBegin_.Col && caret_.Col <= selEnd_.Col;
    inside = onRow && onCol;
  } else if (selKind_ == kSelStream) {
    inside = !(caret_ < selBegin_) && !(selEnd_ < caret_);
  }
  o.Scope = inside ? TSearchScope::ssSelectedText : TSearchScope::ssGlobal;
}

bool TMemoSource::FindFromDialog(TSearchOptions& o) {
  o.FirstSearch = true;
  o.InReplace = false;
  return Find(o);
}

bool TMemoSource::ReplaceFromDialog(TSearchOptions& o) {
  o.FirstSearch = true;
  o.InReplace = true;
  o.ShowNotFound = true;
  return Replace(o);
}

void TMemoSource::SearchAgain(TSearchOptions& o) {
  o.ShowNotFound = true;
  if (selKind_ == kSelNone) o.Scope = TSearchScope::ssGlobal;
  if (o.FirstSearch) return;
  if (o.InReplace) {
    Replace(o);
  } else {
    Find(o);
  }
}

bool TMemoSource::SearchRegion(int line, bool selected, int& from, int& to) const {
  // The part of a line that the search looks at: all of it, or its
  // selected part.
  from = 0;
  to = LineLength(line);
  if (!selected || selKind_ == kSelNone) return true;
  if (line < selBegin_.Line || line > selEnd_.Line) return false;
  if (selKind_ == kSelBlock) {
    from = std::min(selBegin_.Col, selEnd_.Col);
    to = std::min(to, std::max(selBegin_.Col, selEnd_.Col));
  } else {
    if (line == selBegin_.Line) from = selBegin_.Col;
    if (line == selEnd_.Line) to = std::min(to, selEnd_.Col);
  }
  if (to < from) to = from;
  return true;
}

bool TMemoSource::Find(TSearchOptions& o) {
  BusyCursor busy(Messages());
  Bracket bracket(*this, change_code::Find);
  return FindInBracket(o);
}

bool TMemoSource::FindInBracket(TSearchOptions& o) {
  lastFound_ = Found{};
  const bool selected = o.Scope == TSearchScope::ssSelectedText;
  if (selected && selKind_ == kSelNone) {
    if (o.FirstSearch) ReportSearchError(u"Tried to search marked block but it is invalid", true);
    return false;
  }
  if (o.WholeWordsOnly && !o.RegularExpr &&
      std::any_of(o.TextToFind.begin(), o.TextToFind.end(), [this](char16_t c) { return IsDelimeter(c); }))
    o.WholeWordsOnly = false;  // a blank in the text: it cannot be one word
  if (o.TextToFind.empty()) return false;
  try {
    if (!matcher_ || !matcher_->SameSearch(o.TextToFind, o.CaseSensitive, o.RegularExpr))
      matcher_ = std::make_unique<TLineMatcher>(o.TextToFind, o.CaseSensitive, o.RegularExpr);
  } catch (const ERegExprError& e) {
    ReportSearchError(Utf8ToUtf16(e.what()), false);
    return false;
  }
  const int count = items_.Count();
  if (count == 0) {
    o.FirstSearch = false;
    return false;
  }
  const bool forward = o.Direction == TSearchDirection::sdForward;
  const int firstLine = selected ? selBegin_.Line : 0;
  const int lastLine = selected ? std::min(selEnd_.Line, count - 1) : count - 1;

  // The start: the caret, as a column within the searched part of its line.
  int line = std::clamp(caret_.Line, 0, count - 1);
  int regionFrom = 0;
  int regionTo = 0;
  int col = caret_.Col;
  if (selected) {
    const bool outside = caret_.Line < firstLine || caret_.Line > lastLine ||
                         (selKind_ == kSelStream && (caret_ < selBegin_ || selEnd_ < caret_)) ||
                         (selKind_ == kSelBlock && (caret_.Col < std::min(selBegin_.Col, selEnd_.Col) ||
                                                    caret_.Col > std::max(selBegin_.Col, selEnd_.Col)));
    if (outside && o.Origin == TSearchOrigin::soFromCursor && o.FirstSearch) {
      ReportSearchError(u"Tried to search marked block from cursor but cursor is outside block", true);
      return false;
    }
    line = std::clamp(line, firstLine, lastLine);
    SearchRegion(line, true, regionFrom, regionTo);
    col -= regionFrom;
  }
  // The step past an empty match of "^", "$" or "^$" is for a search that
  // continues from one; a search from the start of the scope takes the first.
  bool fromScopeStart = false;
  if (o.FirstSearch) {
    if (o.Origin == TSearchOrigin::soEntireScope) {
      fromScopeStart = true;
      line = forward ? firstLine : lastLine;
      SearchRegion(line, selected, regionFrom, regionTo);
      col = forward ? 0 : regionTo - regionFrom;
    }
    o.FirstSearch = false;
  }

  // Forward, candidates start at pos or later; backward, at pos or earlier
  // (the character left of the caret).
  int pos = forward ? col : col - 1;
  if (matcher_->AnchorOnly() && !fromScopeStart) pos += forward ? 1 : -1;
  const int startLine = line;
  const int startPos = pos;
  bool onStartLine = true;
  while (line >= firstLine && line <= lastLine) {
    std::u16string_view text = items_.Item(line).LineText;
    if (selected) {
      SearchRegion(line, true, regionFrom, regionTo);
      text = text.substr(static_cast<std::size_t>(std::min(regionFrom, static_cast<int>(text.size()))),
                         static_cast<std::size_t>(std::max(regionTo - regionFrom, 0)));
    } else {
      regionFrom = 0;
    }
    text = text.substr(0, static_cast<std::size_t>(TrimmedLength(text)));
    const int len = static_cast<int>(text.size());
    if (!onStartLine) pos = forward ? 0 : len - 1;
    // On the start line, a line shorter than the start column is skipped.
    bool searchLine = !(onStartLine && (forward ? pos + 1 > len : pos < 0));
    while (searchLine) {
      int s = 0;
      int l = 0;
      if (!matcher_->Search(text, pos, forward, s, l)) break;
      if (forward && l == 0 && matcher_->Regular() && !fromScopeStart && line == startLine && s == startPos) {
        // An empty match where the search starts: one character on.
        pos = s + 1;
        if (pos + 1 > len) break;
        continue;
      }
      if (o.WholeWordsOnly) {
        const bool inWord = s < len && !IsDelimeter(text[static_cast<std::size_t>(s)]);
        int ws = s;
        int we = s + 1;
        if (inWord) {
          while (ws > 0 && !IsDelimeter(text[static_cast<std::size_t>(ws) - 1])) --ws;
          while (we < len && !IsDelimeter(text[static_cast<std::size_t>(we)])) ++we;
        }
        if (!inWord || s != ws || s + l != we) {
          if (forward) {
            pos = !inWord ? s + 1 : (s == we - 1 ? we : we - 1);
          } else {
            pos = ws - 1;
            if (pos < 0) break;
          }
          continue;
        }
      }
      lastFound_ = {line, regionFrom + s, l};
      match_ = {line, regionFrom + s, regionFrom + s + l};
      if (HasOption(soSelectFoundText)) {
        selKind_ = kSelStream;
        selBegin_ = {line, regionFrom + s};
        selEnd_ = {line, regionFrom + s + l};
      }
      const TPosition to{line, regionFrom + s + (forward ? l : 0)};
      MoveCaretBy(to.Line - caret_.Line, to.Col - caret_.Col);
      return true;
    }
    onStartLine = false;
    line += forward ? 1 : -1;
  }
  if (o.ShowNotFound) {
    const std::u16string message = Substitute(u"Search string '%s' not found", o.TextToFind);
    if (!Messages().SearchException(message)) Messages().Information(message);
  }
  return false;
}

TMemoSource::StepResult TMemoSource::ReplaceStep(TSearchOptions& o, bool& runBracketOpen) {
  if (!Find(o)) return StepResult::Failed;
  const Found found = lastFound_;
  if (o.PromptOnReplace) {
    switch (Messages().ConfirmReplace(Substitute(u"Replace this occurence of '%s'?", o.TextToFind))) {
      case TReplaceAnswer::Cancel: return StepResult::Failed;
      case TReplaceAnswer::No: return StepResult::Skipped;
      case TReplaceAnswer::All:
        o.PromptOnReplace = false;
        o.ReplaceAll = true;
        BeginUpdate(change_code::Replace);  // the rest of the run is one step
        runBracketOpen = true;
        break;
      case TReplaceAnswer::Yes: break;
    }
  }
  Bracket bracket(*this, change_code::Replace);
  PlaceCaret({found.Line, found.Col});
  DeleteChars(found.Length);
  InsertText(o.ReplaceWith);
  if (o.Direction == TSearchDirection::sdForward)
    PlaceCaret({found.Line, found.Col + static_cast<int>(o.ReplaceWith.size())});
  return StepResult::Replaced;
}

bool TMemoSource::Replace(TSearchOptions& o) {
  if (readOnly_) return false;
  BusyCursor busy(Messages());
  bool runBracketOpen = false;
  if (o.ReplaceAll && !o.PromptOnReplace) {
    // Without prompting the whole run is one bracket: one repaint, one Undo.
    BeginUpdate(change_code::Replace);
    runBracketOpen = true;
  }
  bool result = false;
  try {
    StepResult r = ReplaceStep(o, runBracketOpen);
    o.ShowNotFound = false;
    result = r != StepResult::Failed;
    if (o.ReplaceAll && r != StepResult::Failed) {
      Found previous = lastFound_;
      TPosition previousCaret = caret_;
      while ((r = ReplaceStep(o, runBracketOpen)) != StepResult::Failed) {
        o.ShowNotFound = false;
        // A step that found an empty match where the last one was and
        // replaced it with nothing changed nothing: the run is over.
        if (lastFound_.Length == 0 && o.ReplaceWith.empty() && lastFound_.Line == previous.Line &&
            lastFound_.Col == previous.Col && caret_ == previousCaret)
          break;
        previous = lastFound_;
        previousCaret = caret_;
      }
      o.ShowNotFound = false;
    }
  } catch (...) {
    if (runBracketOpen) EndUpdate();
    throw;
  }
  if (runBracketOpen) EndUpdate();
  return result;
}

}  // namespace tarlow
