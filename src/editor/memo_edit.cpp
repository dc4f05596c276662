// The text store's caret, its four text primitives, bookmarks and the undo
// and redo lists.  The primitives are the only operations that change text
// on the user's behalf and the only ones that write text undo records; every
// command is built from them, so undoing a command is undoing its records.
#include <algorithm>

#include "editor/memo_source.h"
#include "editor/text_blanks.h"

namespace tarlow {

std::u16string_view TMemoSource::LineText(int line) const {
  if (line < 0 || line >= items_.Count()) return {};
  return items_.Item(line).LineText;
}

int TMemoSource::LineLength(int line) const { return static_cast<int>(LineText(line).size()); }

bool TMemoSource::LineReadOnly(int line) const {
  return line >= 0 && line < items_.Count() && (items_.Item(line).Flags & TStringItem::LineReadOnly);
}

// ---- caret ---------------------------------------------------------------------

void TMemoSource::MoveCaretBy(int lineDelta, int colDelta) { MoveCaret(lineDelta, colDelta, true); }

void TMemoSource::MoveCaret(int dl, int dc, bool trimLeftLine) {
  const int line = caret_.Line;
  const int col = caret_.Col;
  if (line + dl < 0) dl = -line;
  if (col + dc < 0) dc = -col;
  if (!HasOption(soBeyondFileEnd)) {
    const int lastLine = std::max(items_.Count() - 1, 0);
    if (line + dl > lastLine) dl = lastLine - line;
  }
  if (HasOption(soLimitEOL)) {
    const int len = LineLength(line + dl);
    if (col + dc > len) dc = std::max(len, 0) - col;
    if (col + dc < 0) dc = -col;
  }
  if (dl == 0 && dc == 0) return;
  BeginUpdate(change_code::CaretMove);
  if (dl != 0 && trimLeftLine) TrimTrailingBlanks(line);
  caret_ = {line + dl, col + dc};
  TUndoRecord r;
  r.Kind = TUndoRecord::CaretMove;
  r.First = dl;
  r.Second = dc;
  AddUndo(std::move(r));
  EndUpdate();
}

void TMemoSource::PlaceCaret(TPosition p) {
  p = {std::max(p.Line, 0), std::max(p.Col, 0)};
  if (p == caret_) return;
  BeginUpdate(change_code::CaretMove);
  TUndoRecord r;
  r.Kind = TUndoRecord::CaretMove;
  r.First = p.Line - caret_.Line;
  r.Second = p.Col - caret_.Col;
  caret_ = p;
  AddUndo(std::move(r));
  EndUpdate();
}

void TMemoSource::TrimTrailingBlanks(int line) {
  // Read-only text does not change, not even its trailing blanks: saving
  // must write exactly what the run wrote.
  if (readOnly_ || line < 0 || line >= items_.Count()) return;
  TStringItem& item = items_.Item(line);
  const auto keep = static_cast<std::size_t>(TrimmedLength(item.LineText));
  if (keep == item.LineText.size()) return;
  item.LineText.resize(keep);
  RecolorEditedLine(line);
}

// ---- the four primitives ---------------------------------------------------------

bool TMemoSource::InsertText(std::u16string_view text) {
  if (text.empty() || readOnly_ || LineReadOnly(caret_.Line)) return false;
  BeginUpdate(change_code::InsertText);
  const int line = caret_.Line;
  const int col = caret_.Col;
  while (items_.Count() <= line) InsertLine(items_.Count(), u"");
  TStringItem& item = items_.Item(line);
  if (static_cast<std::size_t>(col) > item.LineText.size())
    item.LineText.append(static_cast<std::size_t>(col) - item.LineText.size(), u' ');
  item.LineText.insert(static_cast<std::size_t>(col), text);
  RecolorEditedLine(line);
  const int n = static_cast<int>(text.size());
  for (auto& t : tracked_)
    if (t.Pos.Line == line && t.Pos.Col >= col) t.Pos.Col += n;
  TUndoRecord r;
  r.Kind = TUndoRecord::Inserted;
  r.First = n;
  AddUndo(std::move(r));
  EndUpdate();
  return true;
}

void TMemoSource::DeleteChars(int count) {
  const int line = caret_.Line;
  const int col = caret_.Col;
  if (count < 1 || readOnly_ || line >= items_.Count() || col >= LineLength(line) || LineReadOnly(line)) return;
  BeginUpdate(change_code::DeleteChars);
  TStringItem& item = items_.Item(line);
  const int n = std::min(count, static_cast<int>(item.LineText.size()) - col);
  TUndoRecord r;
  r.Kind = TUndoRecord::Deleted;
  r.Text = item.LineText.substr(static_cast<std::size_t>(col), static_cast<std::size_t>(n));
  item.LineText.erase(static_cast<std::size_t>(col), static_cast<std::size_t>(n));
  AddUndo(std::move(r));
  for (auto& t : tracked_)
    if (t.Pos.Line == line && t.Pos.Col > col) t.Pos.Col = std::max(col, t.Pos.Col - n);
  if (items_.Count() == 1 && items_.Item(0).LineText.empty()) {
    DeleteLineItem(0);  // an empty store has no lines
  } else {
    RecolorEditedLine(line);
  }
  EndUpdate();
}

void TMemoSource::BreakLine() { SplitLine(true); }

void TMemoSource::SplitLine(bool trimHead) {
  if (readOnly_) return;
  BeginUpdate(change_code::SplitLine);
  if (items_.Count() == 0) InsertLine(0, u"");
  const int line = caret_.Line;
  if (line >= items_.Count() || LineReadOnly(line)) {
    EndUpdate();
    return;
  }
  const int col = caret_.Col;
  std::u16string text = items_.Item(line).LineText;
  const std::size_t at = std::min(static_cast<std::size_t>(col), text.size());
  InsertLine(line + 1, text.substr(at));
  TStringItem& item = items_.Item(line);
  TStringItem& next = items_.Item(line + 1);
  if (col == 0) next.Attributes = item.Attributes;
  if (col == 0 || text.empty()) {
    next.LineMarks = item.LineMarks;
    item.LineMarks = 0;
  }
  item.LineText.resize(at);
  for (auto& t : tracked_)
    if (t.Pos.Line == line && t.Pos.Col >= col) t.Pos = {line + 1, t.Pos.Col - col};
  MoveBookmarksForSplit(line, col);
  RecolorEditedLine(line);
  MarkChanged(line, items_.Count() - 1);
  if (trimHead && !inUndoRedo_) {
    // The part that stays loses its trailing blanks, through a recorded
    // deletion so that Undo brings them back.
    const int keep = TrimmedLength(item.LineText);
    const int had = static_cast<int>(item.LineText.size());
    if (keep < had) {
      MoveCaret(0, keep - caret_.Col, false);
      DeleteChars(had - keep);
    }
  }
  TUndoRecord r;
  r.Kind = TUndoRecord::Split;
  AddUndo(std::move(r));
  EndUpdate();
}

void TMemoSource::JoinLines() {
  const int line = caret_.Line;
  if (readOnly_ || line < 0 || line >= items_.Count() - 1) return;
  const int col = caret_.Col;
  if (col < LineLength(line) || LineReadOnly(line) || LineReadOnly(line + 1)) return;
  BeginUpdate(change_code::JoinLines);
  const int oldLast = items_.Count() - 1;
  TStringItem& item = items_.Item(line);
  const TStringItem& next = items_.Item(line + 1);
  item.LineText.append(static_cast<std::size_t>(col) - item.LineText.size(), u' ');
  item.LineText += next.LineText;
  item.LineMarks |= next.LineMarks;
  for (auto& t : tracked_)
    if (t.Pos.Line == line + 1) t.Pos = {line, t.Pos.Col + col};
  MoveBookmarksForJoin(line, col);
  DeleteLineItem(line + 1);
  RecolorEditedLine(line);
  MarkChanged(line, oldLast);
  TUndoRecord r;
  r.Kind = TUndoRecord::Joined;
  AddUndo(std::move(r));
  EndUpdate();
}

// ---- bookmarks ---------------------------------------------------------------------

void TMemoSource::SortBookmarks() {
  std::sort(bookmarks_.begin(), bookmarks_.end(), [](const TMemoBookmark& a, const TMemoBookmark& b) {
    if (a.Line != b.Line) return a.Line < b.Line;
    if (a.Col != b.Col) return a.Col < b.Col;
    return a.Number < b.Number;
  });
}

void TMemoSource::SetBookmark(int number, TPosition p) {
  if (number < 0 || number > 9) return;
  RemoveBookmark(number);
  bookmarks_.push_back({p.Col, p.Line, number});
  SortBookmarks();
}

void TMemoSource::RemoveBookmark(int number) {
  bookmarks_.erase(std::remove_if(bookmarks_.begin(), bookmarks_.end(),
                                  [number](const TMemoBookmark& b) { return b.Number == number; }),
                   bookmarks_.end());
}

bool TMemoSource::Bookmark(int number, TPosition& p) const {
  for (const auto& b : bookmarks_)
    if (b.Number == number) {
      p = {b.Line, b.Col};
      return true;
    }
  return false;
}

void TMemoSource::ToggleBookmark(int number) {
  TPosition p;
  if (Bookmark(number, p) && p.Line == caret_.Line) {
    RemoveBookmark(number);
  } else {
    SetBookmark(number, caret_);
  }
}

void TMemoSource::GotoBookmark(int number) {
  TPosition p;
  if (Bookmark(number, p)) SetCaret(p);
}

void TMemoSource::MoveBookmarksForSplit(int line, int col) {
  for (auto& b : bookmarks_) {
    if (b.Line == line && b.Col >= col) {
      b.Line = line + 1;
      b.Col -= col;
    } else if (b.Line > line) {
      ++b.Line;
    }
  }
  SortBookmarks();
}

void TMemoSource::MoveBookmarksForJoin(int line, int col) {
  for (auto& b : bookmarks_) {
    if (b.Line == line + 1) {
      b.Line = line;
      b.Col += col;
    } else if (b.Line > line + 1) {
      --b.Line;
    }
  }
  SortBookmarks();
}

// ---- undo ------------------------------------------------------------------------------

void TMemoSource::AddUndo(TUndoRecord r) {
  if (!allowUndo_) return;
  r.ChangeCode = static_cast<std::uint8_t>(code_ & 0xFF);
  r.StartsAction = nextUndoStartsAction_;
  nextUndoStartsAction_ = false;
  r.InGroup = compound_ > 0;
  if (!inUndoRedo_) ApplyUndoLimit();
  recordTo_->Add(std::move(r));
}

void TMemoSource::ApplyUndoLimit() {
  const int count = undo_.Count();
  if (undoLimit_ <= 0 || count <= undoLimit_ + 100) return;
  // Cut only whole actions: never inside a compound edit, and never so that
  // the oldest record kept is the middle of what one command did.
  const auto& recs = undo_.Records();
  int cut = count - undoLimit_ - 1;
  while (cut >= 0 && (recs[static_cast<std::size_t>(cut)].InGroup ||
                      (cut + 1 < count && !recs[static_cast<std::size_t>(cut) + 1].StartsAction)))
    --cut;
  if (cut < 0) return;
  // Text changes made after the saved point that are cut away make the
  // saved text unreachable by Undo: it stays modified.
  for (int i = std::max(savedPoint_ + 1, 0); i <= cut; ++i)
    if (recs[static_cast<std::size_t>(i)].ChangesText()) undoPastSaved_ = true;
  undo_.RemoveFirst(cut + 1);
  savedPoint_ = std::max(savedPoint_ - (cut + 1), -1);
}

void TMemoSource::BeginCompound() { ++compound_; }

void TMemoSource::EndCompound() {
  if (compound_ == 0 || --compound_ > 0) return;
  // The closing record ends the group; it never starts an action itself.
  BeginUpdate(code_);
  nextUndoStartsAction_ = false;
  TUndoRecord r;
  r.Kind = TUndoRecord::CaretMove;
  AddUndo(std::move(r));
  EndUpdate();
}

void TMemoSource::Undo() { UndoRedo(true); }
void TMemoSource::Redo() { UndoRedo(false); }

void TMemoSource::UndoRedo(bool undo) {
  TUndoList& from = undo ? undo_ : redo_;
  if (from.Empty()) return;
  const std::uint8_t code = from.Last().ChangeCode;
  // The inverse operations record into the other list.
  recordTo_ = undo ? &redo_ : &undo_;
  inUndoRedo_ = true;
  BeginUpdate(code);
  flags_ |= change_flag::UndoRedo;
  bool insideGroup = false;
  while (!from.Empty()) {
    const TUndoRecord r = from.Last();
    if (r.ChangeCode != code && !r.InGroup) break;
    if (insideGroup && !r.InGroup) break;  // a compound edit ends at its first record
    if (undo && from.Count() - 1 == savedPoint_) undoPastSaved_ = true;
    from.RemoveLast();
    switch (r.Kind) {
      // Undo restores; its caret moves strip nothing.
      case TUndoRecord::CaretMove: MoveCaret(-r.First, -r.Second, false); break;
      case TUndoRecord::Inserted: DeleteChars(r.First); break;
      case TUndoRecord::Split: JoinLines(); break;
      case TUndoRecord::Joined: SplitLine(false); break;
      case TUndoRecord::Deleted: InsertText(r.Text); break;
      default: break;
    }
    if (r.InGroup) insideGroup = true;
    if (r.StartsAction && !r.InGroup && !HasOption(soGroupUndo)) break;
  }
  selKind_ = kSelNone;
  EndUpdate();
  recordTo_ = &undo_;
  inUndoRedo_ = false;
  if (!modified_) return;
  bool stillModified = undoPastSaved_;
  for (int i = savedPoint_ + 1; !stillModified && i < undo_.Count(); ++i)
    stillModified = undo_.Records()[static_cast<std::size_t>(i)].ChangesText();
  if (!stillModified) {
    BeginUpdate(change_code::ModifiedChanged);
    modified_ = false;
    EndUpdate();
  }
}

}  // namespace tarlow
