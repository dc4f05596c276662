// The editing commands that the view binds to keys, built from the caret
// operations and the four text primitives, so each of them undoes in one
// step: typing, Backspace, Delete, Enter, Tab, block indent, the clipboard,
// word movement, selections and case changes.
#include <algorithm>
#include <cwctype>

#include "editor/memo_source.h"
#include "editor/text_blanks.h"

namespace tarlow {

namespace {

bool g_overwrite = false;  // one switch for every store of the process

int LeadingSpaces(std::u16string_view text) {
  int n = 0;
  while (n < static_cast<int>(text.size()) && text[static_cast<std::size_t>(n)] == u' ') ++n;
  return n;
}

int FirstNonBlank(std::u16string_view text) {
  int n = 0;
  while (n < static_cast<int>(text.size()) && text[static_cast<std::size_t>(n)] <= 32) ++n;
  return n;
}

// Case change with the C library's rules for the current locale.
std::u16string ChangeCase(std::u16string_view text, bool upper) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;  // halves of a pair stay as they are
    const std::wint_t w = upper ? std::towupper(static_cast<std::wint_t>(c)) : std::towlower(static_cast<std::wint_t>(c));
    if (w <= 0xFFFF && !(w >= 0xD800 && w <= 0xDFFF)) c = static_cast<char16_t>(w);
  }
  return out;
}

// Clipboard text as lines: a final line break adds an empty last line.
std::vector<std::u16string> ClipboardLines(std::u16string_view text) {
  std::vector<std::u16string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      lines.emplace_back();
    } else {
      lines.back().push_back(c);
    }
  }
  return lines;
}

}  // namespace

bool TMemoSource::Overwrite() { return g_overwrite; }

void TMemoSource::ToggleOverwrite() {
  BeginUpdate(change_code::OverwriteSwitched);
  g_overwrite = !g_overwrite;
  flags_ |= change_flag::Overwrite;
  EndUpdate();
}

// ---- selection ----------------------------------------------------------------------

std::vector<std::u16string> TMemoSource::SelectedPieces() const {
  std::vector<std::u16string> pieces;
  if (selKind_ == kSelNone) return pieces;
  auto cut = [this](int line, int from, int to) {
    const std::u16string_view t = LineText(line);
    const auto a = static_cast<std::size_t>(std::clamp(from, 0, static_cast<int>(t.size())));
    const auto b = static_cast<std::size_t>(std::clamp(to, static_cast<int>(a), static_cast<int>(t.size())));
    return std::u16string(t.substr(a, b - a));
  };
  if (selKind_ == kSelBlock) {
    const int c1 = std::min(selBegin_.Col, selEnd_.Col);
    const int c2 = std::max(selBegin_.Col, selEnd_.Col);
    for (int l = selBegin_.Line; l <= selEnd_.Line; ++l) pieces.push_back(cut(l, c1, c2));
    return pieces;
  }
  for (int l = selBegin_.Line; l <= selEnd_.Line; ++l) {
    const int from = l == selBegin_.Line ? selBegin_.Col : 0;
    const int to = l == selEnd_.Line ? selEnd_.Col : LineLength(l);
    pieces.push_back(cut(l, from, to));
  }
  return pieces;
}

std::u16string TMemoSource::SelectedText() const {
  std::u16string text;
  const auto pieces = SelectedPieces();
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) text += u"\r\n";
    text += pieces[i];
  }
  return text;
}

void TMemoSource::SelectAll() {
  BeginUpdate(change_code::SelectAll);
  const int last = std::max(items_.Count() - 1, 0);
  const TPosition end{last, LineLength(last)};
  MoveCaretBy(end.Line - caret_.Line, end.Col - caret_.Col);
  selKind_ = kSelStream;
  selBegin_ = {0, 0};
  selEnd_ = end;
  EndUpdate();
}

void TMemoSource::SelectTo(TPosition target, int kind) {
  if (blockOption_ == TBlockOption::bkNone) kind = kSelNone;
  if (blockOption_ == TBlockOption::bkStreamSel) kind = kSelStream;
  if (blockOption_ == TBlockOption::bkBlockSel) kind = kSelBlock;
  BeginUpdate(change_code::ExtendSelection);
  TPosition anchor = caret_;
  if (selKind_ == kSelStream) {
    if (caret_ == selEnd_) anchor = selBegin_;
    else if (caret_ == selBegin_) anchor = selEnd_;
  } else if (selKind_ == kSelBlock) {
    const bool atTop = caret_.Line == selBegin_.Line;
    const bool atLeft = caret_.Col == selBegin_.Col;
    if ((atTop || caret_.Line == selEnd_.Line) && (atLeft || caret_.Col == selEnd_.Col))
      anchor = {atTop ? selEnd_.Line : selBegin_.Line, atLeft ? selEnd_.Col : selBegin_.Col};
  }
  MoveCaretBy(target.Line - caret_.Line, target.Col - caret_.Col);
  if (kind == kSelBlock) {
    selBegin_ = {std::min(anchor.Line, caret_.Line), std::min(anchor.Col, caret_.Col)};
    selEnd_ = {std::max(anchor.Line, caret_.Line), std::max(anchor.Col, caret_.Col)};
  } else {
    selBegin_ = std::min(anchor, caret_);
    selEnd_ = std::max(anchor, caret_);
  }
  selKind_ = kind;
  EndUpdate();
}

std::u16string TMemoSource::WordAt(TPosition p, int* firstCol) const {
  const std::u16string_view t = LineText(p.Line);
  int col = p.Col;
  if (col >= static_cast<int>(t.size()) || IsDelimeter(t[static_cast<std::size_t>(col)])) --col;  // the word just left
  if (col < 0 || col >= static_cast<int>(t.size()) || IsDelimeter(t[static_cast<std::size_t>(col)])) {
    if (firstCol) *firstCol = p.Col;
    return {};
  }
  int a = col;
  int b = col + 1;
  while (a > 0 && !IsDelimeter(t[static_cast<std::size_t>(a) - 1])) --a;
  while (b < static_cast<int>(t.size()) && !IsDelimeter(t[static_cast<std::size_t>(b)])) ++b;
  if (firstCol) *firstCol = a;
  return std::u16string(t.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a)));
}

void TMemoSource::SelectWordAtCaret() {
  int first = 0;
  const std::u16string word = WordAt(caret_, &first);
  if (word.empty()) return;
  BeginUpdate(change_code::SetSelection);
  const TPosition end{caret_.Line, first + static_cast<int>(word.size())};
  MoveCaretBy(0, end.Col - caret_.Col);
  selKind_ = kSelStream;
  selBegin_ = {caret_.Line, first};
  selEnd_ = end;
  EndUpdate();
}

void TMemoSource::SetBlockBegin() {
  BeginUpdate(change_code::SetBlockBegin);
  if (selKind_ == kSelNone) selKind_ = kSelStream;
  selBegin_ = caret_;
  EndUpdate();
}

void TMemoSource::SetBlockEnd() {
  BeginUpdate(change_code::SetBlockEnd);
  if (selKind_ == kSelNone) selKind_ = kSelStream;
  selEnd_ = caret_;
  EndUpdate();
}

// ---- deleting ---------------------------------------------------------------------------

bool TMemoSource::DeleteSelectionIfOverwriting() {
  if (selKind_ == kSelNone || !HasOption(soOverwriteBlocks) || HasOption(soPersistentBlocks)) return false;
  DeleteSelection();
  return true;
}

void TMemoSource::DeleteStreamRange(TPosition b, TPosition e) {
  PlaceCaret(b);
  if (b.Line == e.Line) {
    DeleteChars(e.Col - b.Col);
    return;
  }
  // The tail of the first line goes; each following line is joined on and
  // its selected part deleted, so that the caret never leaves the line.
  DeleteChars(LineLength(b.Line) - b.Col);
  for (int k = b.Line + 1; k <= e.Line && b.Line + 1 < items_.Count(); ++k) {
    const int nextLen = LineLength(b.Line + 1);
    JoinLines();
    DeleteChars(k == e.Line ? std::min(e.Col, nextLen) : nextLen);
  }
}

void TMemoSource::DeleteSelection() {
  if (selKind_ == kSelNone || readOnly_) return;
  BeginUpdate(change_code::DeleteSelection);
  const TPosition b = selBegin_;
  const TPosition e = selEnd_;
  if (selKind_ == kSelBlock) {
    const int c1 = std::min(b.Col, e.Col);
    const int c2 = std::max(b.Col, e.Col);
    for (int l = b.Line; l <= e.Line; ++l) {
      PlaceCaret({l, c1});
      DeleteChars(c2 - c1);
    }
    PlaceCaret({b.Line, c1});
  } else {
    DeleteStreamRange(b, e);
  }
  selKind_ = kSelNone;
  EndUpdate();
}

void TMemoSource::Backspace() {
  if (readOnly_) return;
  BeginUpdate(change_code::Backspace);
  if (!DeleteSelectionIfOverwriting()) {
    const int line = caret_.Line;
    const int col = caret_.Col;
    if (col == 0) {
      if (line > 0 && line < items_.Count()) {
        // To the end of the line above without its trailing blanks, which
        // go, and the lines are joined there.
        const std::u16string_view above = LineText(line - 1);
        const int keep = TrimmedLength(above);
        const int had = static_cast<int>(above.size());
        MoveCaretBy(-1, keep);
        DeleteChars(had - keep);
        JoinLines();
      }
    } else if (col > LineLength(line)) {
      MoveCaretBy(0, -1);
    } else {
      MoveCaretBy(0, -1);
      DeleteChars(1);
    }
  }
  EndUpdate();
}

void TMemoSource::DeleteChar() {
  if (readOnly_) return;
  BeginUpdate(change_code::DeleteChars);
  if (!DeleteSelectionIfOverwriting()) {
    if (caret_.Col < LineLength(caret_.Line)) {
      DeleteChars(1);
    } else {
      JoinLines();
    }
  }
  EndUpdate();
}

void TMemoSource::DeleteLine() {
  if (readOnly_ || caret_.Line >= items_.Count()) return;
  BeginUpdate(change_code::DeleteLine);
  MoveCaretBy(0, -caret_.Col);
  DeleteChars(LineLength(caret_.Line));
  JoinLines();
  EndUpdate();
}

// ---- typing, Enter and Tab ---------------------------------------------------------

void TMemoSource::TypeChar(char16_t c) {
  if (readOnly_) return;
  BeginUpdate(change_code::InsertText);
  DeleteSelectionIfOverwriting();
  if (g_overwrite && caret_.Col < LineLength(caret_.Line)) DeleteChars(1);
  if (InsertText(std::u16string(1, c))) MoveCaretBy(0, 1);
  EndUpdate();
}

void TMemoSource::NewLine() {
  if (readOnly_) return;
  BeginUpdate(change_code::Enter);
  DeleteSelectionIfOverwriting();
  const int line = caret_.Line;
  const int col = caret_.Col;
  const std::u16string_view text = LineText(line);
  const bool nonEmpty = !text.empty();
  const bool atOrBeforeFirstNonBlank = nonEmpty && col <= FirstNonBlank(text);
  if (g_overwrite) {
    // Enter only moves the caret down.
    int newCol = 0;
    if (HasOption(soAutoIndent))
      newCol = atOrBeforeFirstNonBlank ? col : LeadingSpaces(LineText(line + 1));
    MoveCaretBy(1, newCol - col);
    EndUpdate();
    return;
  }
  int indent = 0;
  if (HasOption(soAutoIndent)) {
    if (text.empty() || (col == 0 && text[0] != u' ') || col > FirstNonBlank(text)) {
      // The nearest non-empty line at or above, the caret line taken as it
      // will be after the split.
      for (int l = line; l >= 0; --l) {
        std::u16string_view t = LineText(l);
        if (l == line) t = t.substr(0, std::min(static_cast<std::size_t>(col), t.size()));
        if (!t.empty()) {
          indent = LeadingSpaces(t);
          break;
        }
      }
    } else {
      indent = col;
    }
  }
  BreakLine();
  MoveCaretBy(1, -caret_.Col);
  if (indent > 0) {
    InsertText(std::u16string(static_cast<std::size_t>(indent), u' '));
    MoveCaretBy(0, indent);
  }
  EndUpdate();
}

int TMemoSource::NextWordColumn(std::u16string_view text, int col) const {
  int i = col;
  const int n = static_cast<int>(text.size());
  while (i < n && !IsDelimeter(text[static_cast<std::size_t>(i)])) ++i;
  while (i < n && IsDelimeter(text[static_cast<std::size_t>(i)])) ++i;
  return i;
}

int TMemoSource::SmartTabTarget(int col, int line, bool atOrAfter) const {
  int target = atOrAfter ? NextTabStop(col - 1) : NextTabStop(col);
  if (HasOption(soSmartTab)) {
    for (int l = line - 1; l >= 0; --l) {
      if (LineLength(l) > col) {
        target = NextWordColumn(LineText(l), col);
        break;
      }
    }
  }
  return target;
}

void TMemoSource::Tab() {
  if (selKind_ != kSelNone && selEnd_.Line > selBegin_.Line) {
    const int beginCol = selKind_ == kSelBlock ? std::min(selBegin_.Col, selEnd_.Col) : selBegin_.Col;
    const int n = std::max(SmartTabTarget(beginCol, selBegin_.Line, false) - beginCol, 0);
    auto pieces = SelectedPieces();
    for (auto& p : pieces)
      if (!p.empty()) p.insert(0, static_cast<std::size_t>(n), u' ');
    ReplaceSelectionPieces(change_code::IndentBlock, pieces);
    return;
  }
  if (readOnly_) return;
  BeginUpdate(change_code::Tab);
  const int col = caret_.Col;
  const int target = SmartTabTarget(col, caret_.Line, false);
  if (!g_overwrite) {
    if (HasOption(soUseTabCharacter)) {
      InsertText(u"\t");
    } else {
      InsertText(std::u16string(static_cast<std::size_t>(target - col), u' '));
    }
  }
  MoveCaretBy(0, target - col);
  EndUpdate();
}

void TMemoSource::BackTab() {
  if (selKind_ != kSelNone && selEnd_.Line > selBegin_.Line) {
    const int beginCol = selKind_ == kSelBlock ? std::min(selBegin_.Col, selEnd_.Col) : selBegin_.Col;
    const int n = std::max(SmartTabTarget(beginCol, selBegin_.Line, true) - beginCol, 0);
    auto pieces = SelectedPieces();
    for (auto& p : pieces) p.erase(0, static_cast<std::size_t>(std::min(LeadingSpaces(p), n)));
    ReplaceSelectionPieces(change_code::UnindentBlock, pieces);
    return;
  }
  int previous = 0;
  for (int i = 0;; ++i) {
    const int stop = TabStop(i);
    if (stop >= caret_.Col) break;
    previous = stop;
  }
  MoveCaretBy(0, previous - caret_.Col);
}

// ---- block commands ------------------------------------------------------------------

void TMemoSource::InsertLinesAtCaret(const std::vector<std::u16string>& lines, bool rectangle) {
  if (lines.empty()) return;
  const TPosition start = caret_;
  const int last = static_cast<int>(lines.size()) - 1;
  if (rectangle) {
    for (int k = 0; k <= last; ++k) {
      PlaceCaret({start.Line + k, start.Col});
      InsertText(lines[static_cast<std::size_t>(k)]);
    }
    PlaceCaret({start.Line + last, start.Col + static_cast<int>(lines.back().size())});
    return;
  }
  InsertText(lines[0]);
  PlaceCaret({start.Line, start.Col + static_cast<int>(lines[0].size())});
  for (int k = 1; k <= last; ++k) {
    SplitLine(false);  // pasted text keeps its blanks
    PlaceCaret({start.Line + k, 0});
    InsertText(lines[static_cast<std::size_t>(k)]);
    PlaceCaret({start.Line + k, static_cast<int>(lines[static_cast<std::size_t>(k)].size())});
  }
}

void TMemoSource::ReplaceSelectionPieces(int code, const std::vector<std::u16string>& pieces) {
  if (selKind_ == kSelNone || readOnly_) return;
  BeginUpdate(code);
  const TPosition oldCaret = caret_;
  const int kind = selKind_;
  const TPosition begin = kind == kSelBlock
                              ? TPosition{selBegin_.Line, std::min(selBegin_.Col, selEnd_.Col)}
                              : selBegin_;
  DeleteSelection();
  PlaceCaret(begin);
  InsertLinesAtCaret(pieces, kind == kSelBlock);
  const int last = static_cast<int>(pieces.size()) - 1;
  TPosition end;
  if (kind == kSelBlock) {
    std::size_t widest = 0;
    for (const auto& p : pieces) widest = std::max(widest, p.size());
    end = {begin.Line + last, begin.Col + static_cast<int>(widest)};
  } else {
    end = {begin.Line + last, (last == 0 ? begin.Col : 0) + static_cast<int>(pieces.back().size())};
  }
  selKind_ = kind;
  selBegin_ = begin;
  selEnd_ = end;
  PlaceCaret(oldCaret);
  EndUpdate();
}

void TMemoSource::IndentBlock() {
  auto pieces = SelectedPieces();
  for (auto& p : pieces)
    if (!p.empty()) p.insert(0, static_cast<std::size_t>(blockIndent_), u' ');
  ReplaceSelectionPieces(change_code::IndentBlock, pieces);
}

void TMemoSource::UnindentBlock() {
  // Leading blanks only, at most BlockIndent of them: text after a blank is
  // never pulled together.
  auto pieces = SelectedPieces();
  for (auto& p : pieces) p.erase(0, static_cast<std::size_t>(std::min(LeadingSpaces(p), blockIndent_)));
  ReplaceSelectionPieces(change_code::UnindentBlock, pieces);
}

void TMemoSource::QuoteBlock() {
  auto pieces = SelectedPieces();
  for (auto& p : pieces) p.insert(0, u">");
  ReplaceSelectionPieces(change_code::QuoteBlock, pieces);
}

void TMemoSource::ChangeSelectionCase(bool upper) {
  auto pieces = SelectedPieces();
  for (auto& p : pieces) p = ChangeCase(p, upper);
  ReplaceSelectionPieces(upper ? change_code::UpperCase : change_code::LowerCase, pieces);
}

void TMemoSource::UpperCaseSelection() { ChangeSelectionCase(true); }
void TMemoSource::LowerCaseSelection() { ChangeSelectionCase(false); }

void TMemoSource::ChangeWordCase(bool upper) {
  int first = 0;
  const std::u16string word = WordAt(caret_, &first);
  if (word.empty() || readOnly_) return;
  const std::u16string changed = ChangeCase(word, upper);
  if (changed == word) return;
  BeginUpdate(upper ? change_code::UpperCase : change_code::LowerCase);
  const TPosition oldCaret = caret_;
  const int kind = selKind_;
  const TPosition b = selBegin_;
  const TPosition e = selEnd_;
  PlaceCaret({caret_.Line, first});
  DeleteChars(static_cast<int>(word.size()));
  InsertText(changed);
  PlaceCaret(oldCaret);
  selKind_ = kind;
  selBegin_ = b;
  selEnd_ = e;
  EndUpdate();
}

void TMemoSource::UpperCaseWord() { ChangeWordCase(true); }
void TMemoSource::LowerCaseWord() { ChangeWordCase(false); }

// ---- clipboard ---------------------------------------------------------------------------

void TMemoSource::Copy() {
  if (selKind_ == kSelNone) {
    if (HasOption(soForceCutCopy)) clipboard_->Clear();
    return;
  }
  clipboard_->SetText(SelectedText(), selKind_ == kSelBlock);
}

void TMemoSource::Cut() {
  if (selKind_ == kSelNone) {
    clipboard_->Clear();
    return;
  }
  Copy();
  BeginUpdate(change_code::Cut);
  DeleteSelection();
  EndUpdate();
}

void TMemoSource::Paste() {
  if (readOnly_) return;
  BeginUpdate(change_code::Paste);
  DeleteSelectionIfOverwriting();
  const std::u16string text = clipboard_->Text();
  if (!text.empty()) {
    const bool rectangle = clipboard_->FromBlock();
    std::vector<std::u16string> lines = ClipboardLines(text);
    for (auto& l : lines) l = ReplaceTabs(l);
    const TPosition start = caret_;
    InsertLinesAtCaret(lines, rectangle);
    if (HasOption(soPersistentBlocks)) {
      // The pasted text stays selected.
      selKind_ = rectangle ? kSelBlock : kSelStream;
      selBegin_ = start;
      selEnd_ = caret_;
    }
  }
  EndUpdate();
}

// ---- further deletions and block moves -------------------------------------------------

void TMemoSource::DeleteToLineEnd() {
  if (readOnly_) return;
  BeginUpdate(change_code::DeleteChars);
  DeleteChars(LineLength(caret_.Line) - caret_.Col);
  EndUpdate();
}

void TMemoSource::DeleteWordAtCaret() {
  int first = 0;
  const std::u16string word = WordAt(caret_, &first);
  if (readOnly_ || word.empty()) return;
  BeginUpdate(change_code::DeleteChars);
  PlaceCaret({caret_.Line, first});
  DeleteChars(static_cast<int>(word.size()));
  EndUpdate();
}

void TMemoSource::DeleteWordBack() {
  if (readOnly_) return;
  if (caret_.Col == 0) {
    Backspace();
    return;
  }
  const std::u16string_view t = LineText(caret_.Line);
  const int end = std::min(caret_.Col, static_cast<int>(t.size()));
  int col = end;
  while (col > 0 && IsDelimeter(t[static_cast<std::size_t>(col) - 1])) --col;
  while (col > 0 && !IsDelimeter(t[static_cast<std::size_t>(col) - 1])) --col;
  BeginUpdate(change_code::Backspace);
  PlaceCaret({caret_.Line, col});
  DeleteChars(end - col);
  EndUpdate();
}

void TMemoSource::CopySelectionToCaret() {
  if (selKind_ == kSelNone || readOnly_) return;
  const std::vector<std::u16string> pieces = SelectedPieces();
  const int kind = selKind_;
  BeginUpdate(change_code::Paste);
  const TPosition start = caret_;
  InsertLinesAtCaret(pieces, kind == kSelBlock);
  selKind_ = kind;
  selBegin_ = start;
  selEnd_ = caret_;
  if (kind == kSelBlock) {
    std::size_t widest = 0;
    for (const auto& p : pieces) widest = std::max(widest, p.size());
    selEnd_ = {start.Line + static_cast<int>(pieces.size()) - 1, start.Col + static_cast<int>(widest)};
  }
  PlaceCaret(start);
  EndUpdate();
}

void TMemoSource::MoveSelectionToCaret() {
  if (selKind_ == kSelNone || readOnly_) return;
  const bool inside = selKind_ == kSelBlock
                          ? caret_.Line >= selBegin_.Line && caret_.Line <= selEnd_.Line &&
                                caret_.Col >= std::min(selBegin_.Col, selEnd_.Col) &&
                                caret_.Col <= std::max(selBegin_.Col, selEnd_.Col)
                          : !(caret_ < selBegin_) && !(selEnd_ < caret_);
  if (inside) return;
  const std::vector<std::u16string> pieces = SelectedPieces();
  const int kind = selKind_;
  BeginUpdate(change_code::Paste);
  // The caret's place is tracked while the selection goes.
  const int target = AddTrackedPosition(caret_);
  DeleteSelection();
  PlaceCaret(TrackedPosition(target));
  RemoveTrackedPosition(target);
  selKind_ = kSelNone;
  const TPosition start = caret_;
  InsertLinesAtCaret(pieces, kind == kSelBlock);
  selKind_ = kind;
  selBegin_ = start;
  selEnd_ = caret_;
  PlaceCaret(start);
  EndUpdate();
}

void TMemoSource::GotoLine(int number) {
  const int line = std::clamp(number - 1, 0, std::max(items_.Count() - 1, 0));
  SetCaret({line, 0});
}

bool TMemoSource::GotoMatchingBracket() {
  const std::u16string_view open = u"([{";
  const std::u16string_view close = u")]}";
  const std::u16string_view here = LineText(caret_.Line);
  if (caret_.Col >= static_cast<int>(here.size())) return false;
  const char16_t c = here[static_cast<std::size_t>(caret_.Col)];
  const std::size_t o = open.find(c);
  const std::size_t k = close.find(c);
  if (o == std::u16string_view::npos && k == std::u16string_view::npos) return false;
  const bool forward = o != std::u16string_view::npos;
  const char16_t mine = c;
  const char16_t other = forward ? close[o] : open[k];
  // Brackets inside strings and comments do not count.
  auto counts = [this](int line, int col) {
    const std::string& colors = ColorData(line);
    if (col >= static_cast<int>(colors.size())) return true;
    const int style = colors[static_cast<std::size_t>(col)];
    return style != 1 && style != 2;
  };
  if (!counts(caret_.Line, caret_.Col)) return false;
  int depth = 0;
  int line = caret_.Line;
  int col = caret_.Col;
  for (;;) {
    if (forward) {
      ++col;
      while (line < items_.Count() && col >= LineLength(line)) {
        ++line;
        col = 0;
      }
      if (line >= items_.Count()) return false;
    } else {
      --col;
      while (col < 0) {
        if (--line < 0) return false;
        col = LineLength(line) - 1;
      }
    }
    const char16_t x = LineText(line)[static_cast<std::size_t>(col)];
    if ((x != mine && x != other) || !counts(line, col)) continue;
    if (x == mine) {
      ++depth;
    } else if (depth-- == 0) {
      SetCaret({line, col});
      return true;
    }
  }
}

// ---- word movement ---------------------------------------------------------------------

void TMemoSource::WordRight() {
  const int line = caret_.Line;
  const std::u16string_view t = LineText(line);
  if (caret_.Col >= static_cast<int>(t.size())) {
    if (line + 1 < items_.Count()) MoveCaretBy(1, -caret_.Col);
    return;
  }
  MoveCaretBy(0, NextWordColumn(t, caret_.Col) - caret_.Col);
}

void TMemoSource::WordLeft() {
  const int line = caret_.Line;
  if (caret_.Col == 0) {
    if (line > 0) {
      MoveCaretBy(-1, TrimmedLength(LineText(line - 1)));
    }
    return;
  }
  const std::u16string_view t = LineText(line);
  int col = std::min(caret_.Col, static_cast<int>(t.size()));
  while (col > 0 && IsDelimeter(t[static_cast<std::size_t>(col) - 1])) --col;
  while (col > 0 && !IsDelimeter(t[static_cast<std::size_t>(col) - 1])) --col;
  MoveCaretBy(0, col - caret_.Col);
}

}  // namespace tarlow
