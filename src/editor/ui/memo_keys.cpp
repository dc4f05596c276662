// The view's default key table.  Entries are searched from the last one
// backwards, so later entries win.  The caret keys apply in every prefix
// state and end it; the keys after Ctrl+K, Ctrl+Q and Ctrl+O apply only in
// their state.
#include <QDialog>
#include <QUuid>

#include "editor/ui/memo_view.h"

namespace tarlow {

namespace {

constexpr int S = key_shift::Shift;
constexpr int A = key_shift::Alt;
constexpr int C = key_shift::Ctrl;
constexpr int kPrefixK = 1;
constexpr int kPrefixQ = 2;
constexpr int kPrefixO = 5;

using Command = std::function<void(TMemoView&)>;

class Table {
 public:
  std::vector<TKeyData> keys;
  void Add(int key, int shift, Command cmd, int active = 0, int leave = 0) {
    keys.push_back({key, shift, active, leave, std::move(cmd)});
  }
  // A caret key: any prefix state, ending it.
  void Caret(int key, int shift, Command cmd) { Add(key, shift, std::move(cmd), kAnyPrefix, 0); }
  // The key after a prefix, with and without Ctrl.
  void After(int prefix, int key, Command cmd) {
    Add(key, 0, cmd, prefix);
    Add(key, C, std::move(cmd), prefix);
  }
};

TMemoSource& Store(TMemoView& v) { return *v.MemoSource(); }

int TrimmedLength(TMemoView& v, int line) {
  const auto& lines = Store(v).InternalLines();
  if (line >= lines.Count()) return 0;
  const std::u16string& t = lines.Item(line).LineText;
  std::size_t n = t.size();
  while (n > 0 && t[n - 1] <= u' ') --n;
  return static_cast<int>(n);
}

int LastLine(TMemoView& v) { return std::max(Store(v).Lines().Count() - 1, 0); }
int LastShown(TMemoView& v) { return std::min(v.TopLine() + v.VisibleLines() - 1, LastLine(v)); }

// The movements shared by the plain, Shift (stream) and Alt+Shift (block) forms.
void AddMovements(Table& t) {
  struct Move {
    int key;
    int ctrl;  // 0 or C
    std::function<TPosition(TMemoView&)> target;
  };
  auto caret = [](TMemoView& v) { return Store(v).Caret(); };
  const std::vector<Move> moves = {
      {Qt::Key_Left, 0, [caret](TMemoView& v) { auto p = caret(v); p.Col = std::max(p.Col - 1, 0); return p; }},
      {Qt::Key_Right, 0, [caret](TMemoView& v) { auto p = caret(v); ++p.Col; return p; }},
      {Qt::Key_Up, 0, [caret](TMemoView& v) { auto p = caret(v); p.Line = std::max(p.Line - 1, 0); return p; }},
      {Qt::Key_Down, 0, [caret](TMemoView& v) { auto p = caret(v); p.Line = std::min(p.Line + 1, LastLine(v)); return p; }},
      {Qt::Key_Home, 0, [caret](TMemoView& v) { auto p = caret(v); p.Col = 0; return p; }},
      {Qt::Key_End, 0, [caret](TMemoView& v) { auto p = caret(v); p.Col = TrimmedLength(v, p.Line); return p; }},
      {Qt::Key_PageUp, 0, [caret](TMemoView& v) {
         auto p = caret(v);
         p.Line = std::max(p.Line - std::max(v.VisibleLines() - 1, 1), 0);
         return p;
       }},
      {Qt::Key_PageDown, 0, [caret](TMemoView& v) {
         auto p = caret(v);
         p.Line = std::min(p.Line + std::max(v.VisibleLines() - 1, 1), LastLine(v));
         return p;
       }},
      {Qt::Key_PageUp, C, [caret](TMemoView& v) { auto p = caret(v); p.Line = v.TopLine(); return p; }},
      {Qt::Key_PageDown, C, [caret](TMemoView& v) { auto p = caret(v); p.Line = LastShown(v); return p; }},
      {Qt::Key_Home, C, [](TMemoView&) { return TPosition{0, 0}; }},
      {Qt::Key_End, C, [](TMemoView& v) { return TPosition{LastLine(v), TrimmedLength(v, LastLine(v))}; }},
  };
  for (const Move& m : moves) {
    auto target = m.target;
    t.Caret(m.key, m.ctrl, [target](TMemoView& v) { v.MoveCaretTo(target(v), 0); });
    // Shift extends a stream selection; Ctrl+Shift+Up/Down are not bound.
    t.Caret(m.key, m.ctrl | S, [target](TMemoView& v) { v.MoveCaretTo(target(v), 1); });
    if (m.ctrl == 0) t.Caret(m.key, A | S, [target](TMemoView& v) { v.MoveCaretTo(target(v), 2); });
  }
  // Ctrl+Alt+Shift: block selection to the shown lines' and the text's ends.
  t.Caret(Qt::Key_Home, C | A | S, [](TMemoView& v) { v.MoveCaretTo({v.TopLine(), Store(v).Caret().Col}, 2); });
  t.Caret(Qt::Key_End, C | A | S, [](TMemoView& v) { v.MoveCaretTo({LastShown(v), Store(v).Caret().Col}, 2); });
  t.Caret(Qt::Key_PageUp, C | A | S, [](TMemoView& v) { v.MoveCaretTo({0, 0}, 2); });
  t.Caret(Qt::Key_PageDown, C | A | S,
          [](TMemoView& v) { v.MoveCaretTo({LastLine(v), TrimmedLength(v, LastLine(v))}, 2); });
  t.Caret(Qt::Key_Left, C, [](TMemoView& v) { v.WordMove(false, 0); });
  t.Caret(Qt::Key_Right, C, [](TMemoView& v) { v.WordMove(true, 0); });
  t.Caret(Qt::Key_Left, C | S, [](TMemoView& v) { v.WordMove(false, 1); });
  t.Caret(Qt::Key_Right, C | S, [](TMemoView& v) { v.WordMove(true, 1); });
  t.Caret(Qt::Key_Left, C | A | S, [](TMemoView& v) { v.WordMove(false, 2); });
  t.Caret(Qt::Key_Right, C | A | S, [](TMemoView& v) { v.WordMove(true, 2); });
  t.Caret(Qt::Key_Up, C, [](TMemoView& v) { v.ScrollLines(-1); });
  t.Caret(Qt::Key_Down, C, [](TMemoView& v) { v.ScrollLines(1); });
}

void SelectCaretLine(TMemoView& v) {
  const int line = Store(v).Caret().Line;
  Store(v).SetSelection(kSelStream, {line, 0}, {line + 1, 0});
}

void GotoSelectionEdge(TMemoView& v, bool end) {
  TMemoSource& s = Store(v);
  if (s.SelectionKind() == kSelNone) return;
  s.BeginUpdate(change_code::CaretMove);
  s.SetCaret(end ? s.SelectionEnd() : s.SelectionBegin());
  s.EndUpdate();
}

}  // namespace

std::vector<TKeyData> DefaultKeyTable() {
  Table t;
  // General keys.
  for (int shift : {0, S}) {
    t.Add(Qt::Key_Return, shift, [](TMemoView& v) { Store(v).NewLine(); });
    t.Add(Qt::Key_Enter, shift, [](TMemoView& v) { Store(v).NewLine(); });
    t.Add(Qt::Key_Backspace, shift, [](TMemoView& v) { Store(v).Backspace(); });
  }
  t.Add(Qt::Key_Delete, 0, [](TMemoView& v) { Store(v).DeleteChar(); });
  t.Add(Qt::Key_Backspace, C, [](TMemoView& v) { Store(v).DeleteWordBack(); });
  t.Add(Qt::Key_T, C, [](TMemoView& v) { Store(v).DeleteWordAtCaret(); });
  t.Add(Qt::Key_Y, C, [](TMemoView& v) { Store(v).DeleteLine(); });
  t.Add(Qt::Key_Y, C | S, [](TMemoView& v) { Store(v).DeleteToLineEnd(); });
  t.Add(Qt::Key_N, C, [](TMemoView& v) {
    TMemoSource& s = Store(v);
    if (!s.ReadOnly()) s.BreakLine();
  });
  t.Add(Qt::Key_I, C, [](TMemoView& v) { Store(v).Tab(); });
  t.Add(Qt::Key_Tab, 0, [](TMemoView& v) { Store(v).Tab(); });  // Ctrl+Tab arrives as Tab
  t.Add(Qt::Key_I, C | S, [](TMemoView& v) { Store(v).IndentBlock(); });
  t.Add(Qt::Key_U, C | S, [](TMemoView& v) { Store(v).UnindentBlock(); });
  t.Add(Qt::Key_Insert, 0, [](TMemoView& v) { Store(v).ToggleOverwrite(); });
  t.Add(Qt::Key_Z, C, [](TMemoView& v) { if (!Store(v).ReadOnly()) Store(v).Undo(); });
  t.Add(Qt::Key_Backspace, A, [](TMemoView& v) { if (!Store(v).ReadOnly()) Store(v).Undo(); });
  t.Add(Qt::Key_Z, C | S, [](TMemoView& v) { if (!Store(v).ReadOnly()) Store(v).Redo(); });
  t.Add(Qt::Key_Backspace, A | S, [](TMemoView& v) { if (!Store(v).ReadOnly()) Store(v).Redo(); });
  t.Add(Qt::Key_C, C, [](TMemoView& v) { Store(v).Copy(); });
  t.Add(Qt::Key_Insert, C, [](TMemoView& v) { Store(v).Copy(); });
  t.Add(Qt::Key_X, C, [](TMemoView& v) { Store(v).Cut(); });
  t.Add(Qt::Key_Delete, S, [](TMemoView& v) { Store(v).Cut(); });
  t.Add(Qt::Key_V, C, [](TMemoView& v) { Store(v).Paste(); });
  t.Add(Qt::Key_Insert, S, [](TMemoView& v) { Store(v).Paste(); });
  t.Add(Qt::Key_Delete, C, [](TMemoView& v) { Store(v).DeleteSelection(); });
  t.Add(Qt::Key_A, C, [](TMemoView& v) { Store(v).SelectAll(); });
  t.Add(Qt::Key_F, C, [](TMemoView& v) { v.ShowFindDialog(); });
  t.Add(Qt::Key_R, C, [](TMemoView& v) { v.ShowReplaceDialog(); });
  for (int k : {int(Qt::Key_F3)}) t.Add(k, 0, [](TMemoView& v) { v.SearchAgain(); });
  t.Add(Qt::Key_L, C, [](TMemoView& v) { v.SearchAgain(); });
  t.Add(Qt::Key_E, C, [](TMemoView& v) { v.SearchAgain(); });
  t.Add(Qt::Key_Q, C | A, [](TMemoView& v) { Store(v).QuoteBlock(); });
  t.Add(Qt::Key_G, C | S, [](TMemoView& v) { v.InsertGuid(); });
  t.Add(Qt::Key_BracketLeft, C, [](TMemoView& v) { Store(v).GotoMatchingBracket(); });
  t.Add(Qt::Key_Escape, 0, [](TMemoView& v) {
    v.CancelMouseSelection();
    if (Store(v).SelectionKind() != kSelNone) Store(v).SetSelection(kSelNone, {}, {});
  });
  t.Add(Qt::Key_J, C, nullptr);  // code templates: none are defined

  // Prefixes.
  t.Add(Qt::Key_K, C, nullptr, 0, kPrefixK);
  t.Add(Qt::Key_Q, C, nullptr, 0, kPrefixQ);
  t.Add(Qt::Key_O, C, nullptr, 0, kPrefixO);

  AddMovements(t);

  // Ctrl+Q with Ctrl on the second key.
  t.Add(Qt::Key_Y, C, [](TMemoView& v) { Store(v).DeleteToLineEnd(); }, kPrefixQ);
  t.Add(Qt::Key_F, C, [](TMemoView& v) { v.ShowFindDialog(); }, kPrefixQ);
  t.Add(Qt::Key_A, C, [](TMemoView& v) { v.ShowReplaceDialog(); }, kPrefixQ);
  t.Add(Qt::Key_B, C, [](TMemoView& v) { GotoSelectionEdge(v, false); }, kPrefixQ);
  t.Add(Qt::Key_K, C, [](TMemoView& v) { GotoSelectionEdge(v, true); }, kPrefixQ);
  t.Add(Qt::Key_S, C, [](TMemoView& v) { v.MoveCaretTo({Store(v).Caret().Line, 0}, 0); }, kPrefixQ);
  t.Add(Qt::Key_D, C, [](TMemoView& v) {
    const int line = Store(v).Caret().Line;
    v.MoveCaretTo({line, TrimmedLength(v, line)}, 0);
  }, kPrefixQ);
  t.Add(Qt::Key_R, C, [](TMemoView& v) { v.MoveCaretTo({0, 0}, 0); }, kPrefixQ);
  t.Add(Qt::Key_C, C, [](TMemoView& v) { v.MoveCaretTo({LastLine(v), TrimmedLength(v, LastLine(v))}, 0); }, kPrefixQ);
  for (int k : {int(Qt::Key_E), int(Qt::Key_T)})
    t.Add(k, C, [](TMemoView& v) { v.MoveCaretTo({v.TopLine(), Store(v).Caret().Col}, 0); }, kPrefixQ);
  for (int k : {int(Qt::Key_X), int(Qt::Key_U)})
    t.Add(k, C, [](TMemoView& v) { v.MoveCaretTo({LastShown(v), Store(v).Caret().Col}, 0); }, kPrefixQ);

  // Ctrl+O.
  t.Add(Qt::Key_G, C, [](TMemoView& v) { v.ShowGotoLineDialog(); }, kPrefixO);
  t.Add(Qt::Key_L, C, SelectCaretLine, kPrefixO);

  // Ctrl+K with or without Ctrl on the second key.
  t.After(kPrefixK, Qt::Key_I, [](TMemoView& v) { Store(v).IndentBlock(); });
  t.After(kPrefixK, Qt::Key_U, [](TMemoView& v) { Store(v).UnindentBlock(); });
  t.After(kPrefixK, Qt::Key_Y, [](TMemoView& v) { Store(v).DeleteSelection(); });
  t.After(kPrefixK, Qt::Key_B, [](TMemoView& v) { Store(v).SetBlockBegin(); });
  t.After(kPrefixK, Qt::Key_K, [](TMemoView& v) { Store(v).SetBlockEnd(); });
  t.After(kPrefixK, Qt::Key_T, [](TMemoView& v) { Store(v).SelectWordAtCaret(); });
  t.After(kPrefixK, Qt::Key_L, SelectCaretLine);
  t.After(kPrefixK, Qt::Key_C, [](TMemoView& v) { Store(v).CopySelectionToCaret(); });
  t.After(kPrefixK, Qt::Key_V, [](TMemoView& v) { Store(v).MoveSelectionToCaret(); });
  t.After(kPrefixK, Qt::Key_N, [](TMemoView& v) { Store(v).UpperCaseSelection(); });
  t.After(kPrefixK, Qt::Key_O, [](TMemoView& v) { Store(v).LowerCaseSelection(); });
  t.After(kPrefixK, Qt::Key_F, [](TMemoView& v) { Store(v).UpperCaseWord(); });
  t.After(kPrefixK, Qt::Key_E, [](TMemoView& v) { Store(v).LowerCaseWord(); });

  // Bookmarks: key 0 is bookmark 10 (number 0 in the store).
  for (int n = 0; n <= 9; ++n) {
    const int key = Qt::Key_0 + n;
    auto toggle = [n](TMemoView& v) { Store(v).ToggleBookmark(n); };
    auto go = [n](TMemoView& v) { Store(v).GotoBookmark(n); };
    t.Add(key, C | S, toggle);
    t.After(kPrefixK, key, toggle);
    t.Add(key, C | S, toggle, kPrefixQ);
    t.Add(key, C, go);
    t.Add(key, 0, go, kPrefixQ);
  }
  // Shifted digits arrive as their symbols on most keyboards.
  const int shiftedDigits[] = {Qt::Key_ParenRight, Qt::Key_Exclam, Qt::Key_At, Qt::Key_NumberSign, Qt::Key_Dollar,
                               Qt::Key_Percent, Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                               Qt::Key_ParenLeft};
  for (int n = 0; n <= 9; ++n) {
    auto toggle = [n](TMemoView& v) { Store(v).ToggleBookmark(n); };
    t.Add(shiftedDigits[n], C | S, toggle);
    t.Add(shiftedDigits[n], C | S, toggle, kPrefixQ);
  }
  return std::move(t.keys);
}

void TMemoView::InsertGuid() {
  if (store_ == nullptr || store_->ReadOnly()) return;
  const QString guid = QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
  const std::u16string text = (QStringLiteral("['") + guid + QStringLiteral("']")).toStdU16String();
  store_->BeginUpdate(change_code::InsertText);
  if (store_->InsertText(text)) store_->MoveCaretBy(0, static_cast<int>(text.size()));
  store_->EndUpdate();
}

}  // namespace tarlow
