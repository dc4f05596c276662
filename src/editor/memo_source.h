// The script text store: the lines of the generated script, the caret and
// the selection, per-line colouring data and the undo lists.  It has no
// window: views attach as observers and are told, once per outermost update
// bracket, which lines to repaint.
//
// Every change runs inside an update bracket (BeginUpdate/EndUpdate) that
// carries a change code naming the operation; when the outermost bracket
// closes the store completes the change flags and notifies the attached
// views with the flags and the changed line range.  Lines are UTF-16; a
// column is one UTF-16 unit.  The program fills the store through Lines(),
// which ignores ReadOnly, and the user edits it through the view's commands.
#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/search_options.h"

namespace tarlow {

class TMemoSource;
class TLineMatcher;

// Change codes: the operation an update bracket belongs to.  Undo records
// keep the low byte of the code of their bracket.
namespace change_code {
constexpr int CaretMove = 2;
constexpr int JoinLines = 3;
constexpr int SplitLine = 4;
constexpr int InsertText = 5;
constexpr int DeleteChars = 6;
constexpr int Backspace = 8;
constexpr int DeleteLine = 9;
constexpr int SetBlockBegin = 11;
constexpr int SetBlockEnd = 12;
constexpr int ExtendSelection = 16;
constexpr int SetSelection = 17;
constexpr int SelectAll = 18;
constexpr int Cut = 20;
constexpr int Paste = 21;
constexpr int DeleteSelection = 22;
constexpr int UpperCase = 25;
constexpr int LowerCase = 26;
constexpr int LinesInsert = 39;
constexpr int Enter = 40;
constexpr int OverwriteSwitched = 41;
constexpr int ModifiedChanged = 49;
constexpr int ViewAttached = 50;
constexpr int Tab = 52;
constexpr int Replace = 54;
constexpr int Find = 55;
constexpr int FileNameChanged = 56;
constexpr int ParserChanged = 57;
constexpr int LinesClear = 58;
constexpr int LinesPut = 59;
constexpr int SetText = 60;
constexpr int ComponentLoaded = 61;
constexpr int IndentBlock = 65;
constexpr int UnindentBlock = 66;
constexpr int QuoteBlock = 67;
constexpr int LineStateChanged = 68;
constexpr int ReadOnlyChanged = 70;
}  // namespace change_code

// Change flags reported to views when a bracket closes.
namespace change_flag {
constexpr unsigned Caret = 0x001;
constexpr unsigned Text = 0x002;
constexpr unsigned UndoRedo = 0x004;
constexpr unsigned Selection = 0x008;
constexpr unsigned Overwrite = 0x010;
constexpr unsigned LineCount = 0x020;
constexpr unsigned Modified = 0x040;
constexpr unsigned MatchHighlight = 0x080;
constexpr unsigned FileName = 0x100;
constexpr unsigned ColorReset = 0x400;
constexpr unsigned ReadOnly = 0x800;
// What attaching a view reports, so that the new view paints everything.
constexpr unsigned ViewAttachedFlags = 0x57D;
}  // namespace change_flag

// Option bits; the bit number is the option's position.
enum TStringsOption : unsigned {
  soBackUnindents = 0,
  soGroupUndo,
  soBeyondFileEnd,
  soForceCutCopy,
  soAutoIndent,
  soSmartTab,
  soFindTextAtCursor,
  soCreateBackups,
  soPersistentBlocks,
  soOverwriteBlocks,
  soLimitEOL,
  soUseTabCharacter,
  soCursorOnTabs,
  soOptimalFill,
  soSelectFoundText,
  soExcludeReadOnlyLines,
  soCursorAlwaysOnTabs,
};
using TStringsOptions = std::uint32_t;
constexpr TStringsOptions OptionBit(TStringsOption o) { return TStringsOptions{1} << o; }

enum class TOutFormatType { ofWindows, ofMac, ofUnix };
enum class TBlockOption { bkNone, bkStreamSel, bkBlockSel, bkBoth };

// Selection kinds.
constexpr int kSelNone = 0;
constexpr int kSelStream = 1;
constexpr int kSelBlock = 2;

struct TPosition {
  int Line = 0;
  int Col = 0;
  friend bool operator==(const TPosition&, const TPosition&) = default;
  friend bool operator<(const TPosition& a, const TPosition& b) {
    return a.Line != b.Line ? a.Line < b.Line : a.Col < b.Col;
  }
};

// One line of the store.
struct TStringItem {
  static constexpr std::uint8_t ColorValid = 0x01;
  static constexpr std::uint8_t LineReadOnly = 0x02;

  std::u16string LineText;
  std::u16string Attributes;  // per-line attribute string, carried along
  void* UserObject = nullptr;
  std::string ColorData;  // one text style index per character
  std::uint32_t EndState = 0;
  std::uint32_t StartState = 0;
  std::uint16_t LineMarks = 0;
  std::uint8_t Flags = 0;
  std::uint8_t LineState = 0;
  std::int32_t ViewData[3] = {0, 0, 0};
};

// The internal line list: owns its items and grows by max(capacity/2, 64).
class TInternalStrings {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  std::size_t Capacity() const { return items_.capacity(); }
  TStringItem& Item(int i) { return *items_[static_cast<std::size_t>(i)]; }
  const TStringItem& Item(int i) const { return *items_[static_cast<std::size_t>(i)]; }
  TStringItem& Insert(int i, std::u16string text);
  void Delete(int i);
  void Clear();

 private:
  std::vector<std::unique_ptr<TStringItem>> items_;
};

// One record of an undo or redo list: the primitive that was done, enough
// to do its inverse.
struct TUndoRecord {
  enum : std::uint8_t { CaretMove = 0, Inserted = 1, Split = 2, Joined = 3, Deleted = 4, Colors = 5 };
  std::uint8_t Kind = CaretMove;
  std::int32_t First = 0;   // caret move: line delta; inserted: length; colours: line
  std::int32_t Second = 0;  // caret move: column delta; colours: 1-based column
  std::u16string Text;      // deleted: the text
  std::string ColorText;    // deleted / colours: the colour data
  bool StartsAction = false;  // first record of an outermost update bracket
  std::uint8_t ChangeCode = 0;
  bool InGroup = false;  // written while a compound edit was open

  bool ChangesText() const { return Kind >= Inserted && Kind <= Deleted; }
};

// A deque: a run that records a million steps never moves the records
// already kept, and the undo limit drops the oldest from the front.
class TUndoList {
 public:
  int Count() const { return static_cast<int>(records_.size()); }
  bool Empty() const { return records_.empty(); }
  void Add(TUndoRecord r) { records_.push_back(std::move(r)); }
  void Clear() { records_.clear(); }
  const std::deque<TUndoRecord>& Records() const { return records_; }
  const TUndoRecord& Last() const { return records_.back(); }
  void RemoveLast() { records_.pop_back(); }
  void RemoveFirst(int n) { records_.erase(records_.begin(), records_.begin() + n); }

 private:
  std::deque<TUndoRecord> records_;
};

// The clipboard as the store sees it; the window supplies the system's.
class TMemoClipboard {
 public:
  virtual ~TMemoClipboard() = default;
  virtual std::u16string Text() const = 0;
  // fromBlock: the text is a block selection's, so pasting it inserts a
  // rectangle; text placed by anyone else never is.
  virtual void SetText(std::u16string_view text, bool fromBlock = false) = 0;
  // Whether the text now on the clipboard is a block selection placed here.
  virtual bool FromBlock() const = 0;
  virtual void Clear() = 0;
};

// A clipboard held in memory: the default of every store, and what tests use.
class TMemoryClipboard : public TMemoClipboard {
 public:
  std::u16string Text() const override { return text_; }
  void SetText(std::u16string_view text, bool fromBlock = false) override {
    text_.assign(text);
    fromBlock_ = fromBlock;
  }
  bool FromBlock() const override { return fromBlock_; }
  void Clear() override {
    text_.clear();
    fromBlock_ = false;
  }

 private:
  std::u16string text_;
  bool fromBlock_ = false;
};

// A bookmark: numbers 0 to 9, kept sorted by line, column and number.
struct TMemoBookmark {
  int Col = 0;
  int Line = 0;
  int Number = 0;
};

// What an attached view is told when a bracket closes.
struct TMemoChange {
  int Code = 0;           // change code of the outermost bracket
  unsigned Flags = 0;     // change_flag bits
  int FirstLine = 0;      // changed line range; FirstLine > LastLine when empty
  int LastLine = -1;
};

// A view (or anything else) that follows the store.
class TMemoObserver {
 public:
  virtual ~TMemoObserver() = default;
  virtual void MemoChanged(TMemoSource& source, const TMemoChange& change) = 0;
};

// Colouring of one line at a time, given the state before its first
// character; implemented by the SQL parser.  Stores that use a parser
// register with it: the parser tells them to reset their colouring when its
// own settings change, and to forget it when it is destroyed.
class TMemoParser {
 public:
  TMemoParser() = default;
  TMemoParser(const TMemoParser&) = delete;
  TMemoParser& operator=(const TMemoParser&) = delete;
  virtual ~TMemoParser();
  virtual void ColorLine(std::u16string_view line, std::uint32_t startState, std::string& colors,
                         std::uint32_t& endState) = 0;

  void RegisterStore(TMemoSource* store);
  void UnregisterStore(TMemoSource* store);

 protected:
  void ResetStoresColoring();

 private:
  std::vector<TMemoSource*> stores_;
};

// The public line list, bound to its store.  It holds no data: reads go to
// the store's lines and writes through the store's update brackets.  Every
// change ends by clearing both undo lists: text placed by the program cannot
// be undone.
class TExternalStrings {
 public:
  explicit TExternalStrings(TMemoSource& owner) : owner_(owner) {}
  TExternalStrings(const TExternalStrings&) = delete;
  TExternalStrings& operator=(const TExternalStrings&) = delete;

  int Count() const;
  // The line's text with stored tabs expanded; "" outside the list.
  std::u16string Get(int i) const;
  void Put(int i, std::u16string_view text);
  void Insert(int i, std::u16string_view text);
  int Add(std::u16string_view text);
  void Delete(int i);
  void Clear();
  void* GetObject(int i) const;
  void PutObject(int i, void* object);
  void Exchange(int, int) {}

  // All lines joined by CR LF, with no break after the last line.
  std::u16string GetText() const;
  // Replaces every line with the lines of text (breaks: CR LF, lone CR, lone
  // LF; a NUL ends the text; a final break starts no further line).
  void SetText(std::u16string_view text);
  // Same result as SetText(GetText() + text) without rebuilding the whole
  // text: the last line is continued by text and split where it breaks, and
  // an empty line left at the very end is dropped, exactly as the round trip
  // would drop it.  Cost grows with the size of text, not of the store.
  void AppendText(std::u16string_view text);
  void Assign(const std::vector<std::u16string>& lines);
  void LoadFromStream(std::istream& in);  // UTF-8 bytes
  void SaveToStream(std::ostream& out) const;  // UTF-8 bytes, OutFormat breaks

 private:
  TMemoSource& owner_;
};

class TMemoSource {
 public:
  TMemoSource();
  ~TMemoSource();
  TMemoSource(const TMemoSource&) = delete;
  TMemoSource& operator=(const TMemoSource&) = delete;

  TExternalStrings& Lines() { return lines_; }
  const TExternalStrings& Lines() const { return lines_; }
  const TInternalStrings& InternalLines() const { return items_; }

  // Update brackets.
  void BeginUpdate(int code);
  void EndUpdate();
  int UpdateDepth() const { return depth_; }
  // For operations inside a bracket: lines first..last changed.
  void MarkChanged(int first, int last);
  void AddChangeFlags(unsigned flags) { flags_ |= flags; }

  // Caret and selection (columns and lines from 0).
  TPosition Caret() const { return caret_; }
  void SetCaret(TPosition p) { SetCaret(p.Col, p.Line); }
  int SelectionKind() const { return selKind_; }
  TPosition SelectionBegin() const { return selBegin_; }
  TPosition SelectionEnd() const { return selEnd_; }
  void SetSelection(int kind, TPosition begin, TPosition end);  // change code 17
  // Positions other than the caret that every line edit moves.
  int AddTrackedPosition(TPosition p);
  TPosition TrackedPosition(int handle) const;
  void RemoveTrackedPosition(int handle);

  // Settings.
  TStringsOptions Options() const { return options_; }
  void SetOptions(TStringsOptions options);
  bool HasOption(TStringsOption o) const { return (options_ & OptionBit(o)) != 0; }
  int SpacesInTab() const { return spacesInTab_; }
  void SetSpacesInTab(int n);
  const std::string& TabStops() const { return tabStopsText_; }
  // Throws std::invalid_argument("Invalid Tab Rack") for an entry that is not
  // greater than the one before, and the number parser's error for an entry
  // that is not a number; the old stops then stay in force.
  void SetTabStops(const std::string& text);
  int TabStop(int i) const;             // column of tab stop number i
  int NextTabStop(int column) const;    // first stop beyond column
  int BlockIndent() const { return blockIndent_; }
  void SetBlockIndent(int n) { blockIndent_ = n < 0 ? 0 : n; }
  int UndoLimit() const { return undoLimit_; }
  void SetUndoLimit(int n) { undoLimit_ = n < 0 ? 0 : n; }
  bool AllowUndo() const { return allowUndo_; }
  void SetAllowUndo(bool on) { allowUndo_ = on; }
  // Word delimiters: the characters 0 to 32 plus the given ones.
  void SetDelimeters(std::u16string_view extra);
  bool IsDelimeter(char16_t c) const;
  TOutFormatType OutFormat() const { return outFormat_; }
  void SetOutFormat(TOutFormatType f) { outFormat_ = f; }
  TBlockOption BlockOption() const { return blockOption_; }
  void SetBlockOption(TBlockOption b) { blockOption_ = b; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);  // change code 70, flag 0x800
  bool Modified() const { return modified_; }
  void SetModified(bool on);  // change code 49

  // Settings loaded: clears Modified, caret to (0, 0), clears the undo lists.
  void Loaded();

  // Input rule for every text that enters through Lines or the clipboard.
  std::u16string ReplaceTabs(std::u16string_view text) const;

  // Views.
  void Attach(TMemoObserver* view);  // change code 50: everything repaints
  void Detach(TMemoObserver* view);
  int ViewCount() const { return static_cast<int>(views_.size()); }

  // Colouring upkeep.
  TMemoParser* SyntaxParser() const { return parser_; }
  void SetSyntaxParser(TMemoParser* parser);  // resets colouring (code 57)
  void ResetColoring();
  void ParserDestroyed(TMemoParser* parser);  // the store's parser becomes empty
  // Colour data of line i, colouring the lines up to i first if needed.
  const std::string& ColorData(int i);
  int ColoringFrontier() const { return frontier_; }

  // Match highlight of the last search (line, first column, end column).
  struct MatchArea {
    int Line = -1;
    int FirstCol = 0;
    int EndCol = 0;
    friend bool operator==(const MatchArea&, const MatchArea&) = default;
  };
  MatchArea MatchHighlight() const { return match_; }
  void SetMatchHighlight(MatchArea area);

  // ---- caret and the text primitives (they record for undo) ----
  // Moves the caret; leaving a line removes its trailing blanks (not while
  // the store is read-only).  Records a caret-move undo record.
  void MoveCaretBy(int lineDelta, int colDelta);
  void SetCaret(int col, int line) { MoveCaretBy(line - caret_.Line, col - caret_.Col); }
  // Inserts at the caret (padding the line up to it); the caret stays.
  bool InsertText(std::u16string_view text);
  void DeleteChars(int count);
  void BreakLine();  // the caret stays; the part before it loses its trailing blanks
  void JoinLines();  // only with the caret at or beyond the end of a line
  // Several primitives that undo together.
  void BeginCompound();
  void EndCompound();

  // ---- commands ----
  void TypeChar(char16_t c);  // a typed character (overwrite mode aware)
  void Backspace();
  void DeleteChar();
  void DeleteLine();
  void NewLine();
  void Tab();
  void BackTab();
  void IndentBlock();
  void UnindentBlock();
  void QuoteBlock();
  void UpperCaseSelection();
  void LowerCaseSelection();
  void UpperCaseWord();
  void LowerCaseWord();
  void DeleteSelection();
  void DeleteToLineEnd();     // from the caret to the end of its line
  void DeleteWordAtCaret();   // the word under (or just left of) the caret
  void DeleteWordBack();      // from the caret back to the start of the previous word
  // The selected text inserted again at the caret, or moved there (nothing
  // when the caret is inside the selection); a block stays a block.
  void CopySelectionToCaret();
  void MoveSelectionToCaret();
  void GotoLine(int number);  // 1-based, to column 0, clamped to the lines
  // To the bracket matching the one under the caret: ( [ { forwards,
  // ) ] } backwards, counting nesting, skipping strings and comments.
  bool GotoMatchingBracket();
  void Copy();
  void Cut();
  void Paste();
  void WordLeft();
  void WordRight();
  void SelectAll();
  // Moves the caret to target, extending the selection from the old caret
  // (or from the far end of a selection that ends at the caret).
  void SelectTo(TPosition target, int kind = kSelStream);
  void SelectWordAtCaret();
  void SetBlockBegin();
  void SetBlockEnd();
  // One piece per selected line (block: the block's columns of each line).
  std::vector<std::u16string> SelectedPieces() const;
  std::u16string SelectedText() const;  // pieces joined by CR LF
  // Overwrite mode, shared by every store of the process.
  static bool Overwrite();
  void ToggleOverwrite();
  void SetClipboard(TMemoClipboard* clipboard) { clipboard_ = clipboard ? clipboard : &ownClipboard_; }
  TMemoClipboard& Clipboard() { return *clipboard_; }
  // Word delimiters decide word movement, whole-word search and smart tabs.
  std::u16string WordAt(TPosition p, int* firstCol = nullptr) const;

  // ---- bookmarks 0 to 9 ----
  void SetBookmark(int number, TPosition p);
  void RemoveBookmark(int number);
  bool Bookmark(int number, TPosition& p) const;
  void ToggleBookmark(int number);  // at the caret, or removed when on the caret line
  void GotoBookmark(int number);
  const std::vector<TMemoBookmark>& Bookmarks() const { return bookmarks_; }

  // ---- search and replace ----
  // Where messages of searches go; without one nothing is shown and every
  // replacement is confirmed.
  void SetSearchMessages(TSearchMessages* messages) { messages_ = messages; }
  // Before a dialog opens: the scope follows the selection and the caret.
  void PrepareSearchOptions(TSearchOptions& o) const;
  // A dialog confirmed with OK (find) or with OK or Replace All (replace).
  bool FindFromDialog(TSearchOptions& o);
  bool ReplaceFromDialog(TSearchOptions& o);
  bool Find(TSearchOptions& o);
  // Whether a match was found and replaced or skipped, not cancelled.
  bool Replace(TSearchOptions& o);
  void SearchAgain(TSearchOptions& o);

  // ---- undo ----
  void Undo();
  void Redo();
  TUndoList& UndoList() { return undo_; }
  TUndoList& RedoList() { return redo_; }
  void ClearUndo() {
    undo_.Clear();
    redo_.Clear();
    savedPoint_ = -1;
    undoPastSaved_ = false;
  }

  // Stores alive in this process.
  static int StoreCount();

 private:
  friend class TExternalStrings;

  void InsertLine(int i, std::u16string text);  // inside a bracket
  void DeleteLineItem(int i);                   // inside a bracket
  void ClearLines();                            // inside a bracket
  void ResetColoringLocked();
  void ColorOneLine(TStringItem& item, std::uint32_t startState);
  void ColorRange(int a, int b);  // brings lines a..b up to date
  void RecolorEditedLine(int i);  // inside a bracket
  std::u16string ExpandTabs(const std::u16string& line) const;
  void Notify(const TMemoChange& change);

  TInternalStrings items_;
  TExternalStrings lines_{*this};

  TPosition caret_;
  int selKind_ = kSelNone;
  TPosition selBegin_;
  TPosition selEnd_;
  struct Tracked {
    int Handle;
    TPosition Pos;
  };
  std::vector<Tracked> tracked_;
  int nextHandle_ = 1;

  TStringsOptions options_ = 635;
  int spacesInTab_ = 8;
  std::string tabStopsText_ = "9,17";
  std::vector<int> tabStops_{9, 17};
  int blockIndent_ = 1;
  int undoLimit_ = 0;
  bool allowUndo_ = true;
  std::u16string delimeters_;
  TOutFormatType outFormat_ = TOutFormatType::ofWindows;
  TBlockOption blockOption_ = TBlockOption::bkBoth;
  bool readOnly_ = false;
  bool modified_ = false;

  // Editing internals (memo_edit.cpp, memo_commands.cpp).
  bool LineReadOnly(int line) const;
  int LineLength(int line) const;
  std::u16string_view LineText(int line) const;
  void MoveCaret(int lineDelta, int colDelta, bool trimLeftLine);
  // Commands place the caret anywhere, also below the last line, where
  // InsertText then adds the missing lines.
  void PlaceCaret(TPosition p);
  void TrimTrailingBlanks(int line);
  void SplitLine(bool trimHead);
  void AddUndo(TUndoRecord r);
  void ApplyUndoLimit();
  void UndoRedo(bool undo);
  bool DeleteSelectionIfOverwriting();
  void DeleteStreamRange(TPosition begin, TPosition end);
  void InsertLinesAtCaret(const std::vector<std::u16string>& lines, bool rectangle);
  void ReplaceSelectionPieces(int code, const std::vector<std::u16string>& pieces);
  int SmartTabTarget(int col, int line, bool atOrAfter) const;
  void ChangeWordCase(bool upper);
  void ChangeSelectionCase(bool upper);
  int NextWordColumn(std::u16string_view text, int col) const;
  void MoveBookmarksForSplit(int line, int col);
  void MoveBookmarksForJoin(int line, int col);
  void SortBookmarks();

  // Search internals (memo_search.cpp).
  struct Found {
    int Line = -1;
    int Col = 0;
    int Length = 0;
  };
  enum class StepResult { Failed, Skipped, Replaced };
  bool FindInBracket(TSearchOptions& o);
  StepResult ReplaceStep(TSearchOptions& o, bool& runBracketOpen);
  bool SearchRegion(int line, bool selected, int& from, int& to) const;
  bool ReportSearchError(const std::u16string& message, bool raise);
  TSearchMessages& Messages();

  TSearchMessages* messages_ = nullptr;
  std::unique_ptr<TLineMatcher> matcher_;
  Found lastFound_;

  TUndoList undo_;
  TUndoList redo_;
  TUndoList* recordTo_ = &undo_;  // the redo list while Undo runs
  bool inUndoRedo_ = false;
  int savedPoint_ = -1;
  bool undoPastSaved_ = false;
  int compound_ = 0;
  std::vector<TMemoBookmark> bookmarks_;
  TMemoryClipboard ownClipboard_;
  TMemoClipboard* clipboard_ = &ownClipboard_;
  std::vector<TMemoObserver*> views_;
  TMemoParser* parser_ = nullptr;
  int frontier_ = 0;
  MatchArea match_;

  // Update bracket state.
  int depth_ = 0;
  int code_ = 0;
  unsigned flags_ = 0;
  int minLine_ = 0;
  int maxLine_ = 0;
  int savedCount_ = 0;
  TPosition savedCaret_;
  int savedSelKind_ = kSelNone;
  TPosition savedSelBegin_;
  TPosition savedSelEnd_;
  bool savedModified_ = false;
  MatchArea savedMatch_;
  bool nextUndoStartsAction_ = false;
};

// The script window's settings for its store: the options of the form,
// tab stops "2", two spaces per tab, read-only; then the loaded step.
void ApplyScriptStoreSettings(TMemoSource& store);

}  // namespace tarlow
