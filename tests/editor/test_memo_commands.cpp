// Editing commands on the script store, as the window configures it (tab
// stops "2", auto-indent, smart tab, typing replaces a selection) but not
// read-only: each command's edge cases as a table, selections, the
// clipboard, block commands, read-only, and undo/redo sequences.
#include <gtest/gtest.h>

#include <functional>

#include "editor/memo_source.h"
#include "editor/sql_parser.h"
#include "editor/text_convert.h"

namespace tarlow {
namespace {

using Lines = std::vector<std::u16string>;

std::vector<std::u16string> LinesOf(const TMemoSource& s) {
  std::vector<std::u16string> out;
  for (int i = 0; i < s.Lines().Count(); ++i) out.push_back(s.Lines().Get(i));
  return out;
}

// The script store's settings and lines; the caret is placed while the store
// is still read-only, so that no line loses its trailing blanks on the way.
void Fill(TMemoSource& s, const Lines& lines, TPosition caret = {}) {
  ApplyScriptStoreSettings(s);
  for (const auto& l : lines) s.Lines().Add(l);
  s.SetCaret(caret);
  s.SetReadOnly(false);
  s.SetModified(false);
  s.ClearUndo();
}

std::string Show(const Lines& lines) {
  std::string out;
  for (const auto& l : lines) out += "[" + Utf16ToUtf8(l) + "]";
  return out;
}

struct CommandCase {
  const char* name;
  Lines before;
  TPosition caret;  // {line, col}
  std::function<void(TMemoSource&)> command;
  Lines after;
  TPosition caretAfter;
  bool padded = false;  // padding blanks are not recorded: Undo leaves them
};

std::u16string TrimRight(std::u16string s) {
  while (!s.empty() && s.back() == u' ') s.pop_back();
  return s;
}

void RunCases(const std::vector<CommandCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoSource s;
    Fill(s, c.before, c.caret);
    c.command(s);
    EXPECT_EQ(Show(LinesOf(s)), Show(c.after));
    EXPECT_EQ(s.Caret(), c.caretAfter) << "caret " << s.Caret().Line << "," << s.Caret().Col;
    // One Undo after the command (whatever it took) restores the text.
    s.Undo();
    Lines undone = LinesOf(s);
    if (c.padded)
      for (auto& l : undone) l = TrimRight(l);
    EXPECT_EQ(Show(undone), Show(c.before)) << "after Undo";
  }
}

TEST(EditingCommands, BackspaceDeleteAndDeleteLine) {
  auto bs = [](TMemoSource& s) { s.Backspace(); };
  auto del = [](TMemoSource& s) { s.DeleteChar(); };
  auto dl = [](TMemoSource& s) { s.DeleteLine(); };
  RunCases({
      {"BackspaceInText", {u"abc"}, {0, 2}, bs, {u"ac"}, {0, 1}},
      {"BackspaceJoinsWithoutTrailingBlanks", {u"ab  ", u"cd"}, {1, 0}, bs, {u"abcd"}, {0, 2}},
      {"BackspaceBeyondTheEndOnlyMoves", {u"ab", u"x"}, {0, 5}, bs, {u"ab", u"x"}, {0, 4}},
      {"BackspaceAtTheStartDoesNothing", {u"ab"}, {0, 0}, bs, {u"ab"}, {0, 0}},
      {"BackspaceOfTheLastCharacterLeavesNoLines", {u"a"}, {0, 1}, bs, {}, {0, 0}},
      {"DeleteInText", {u"abc"}, {0, 1}, del, {u"ac"}, {0, 1}},
      {"DeleteAtTheEndJoins", {u"ab", u"cd"}, {0, 2}, del, {u"abcd"}, {0, 2}},
      {"DeleteBeyondTheEndPadsAndJoins", {u"ab", u"cd"}, {0, 4}, del, {u"ab  cd"}, {0, 4}, true},
      {"DeleteAtTheEndOfTheLastLineDoesNothing", {u"ab"}, {0, 2}, del, {u"ab"}, {0, 2}},
      {"DeleteLineInTheMiddle", {u"a", u"b", u"c"}, {1, 1}, dl, {u"a", u"c"}, {1, 0}},
      {"DeleteLastLineEmptiesIt", {u"a", u"b"}, {1, 1}, dl, {u"a", u""}, {1, 0}},
  });
}

TEST(EditingCommands, EnterTabAndTyping) {
  auto enter = [](TMemoSource& s) { s.NewLine(); };
  auto tab = [](TMemoSource& s) { s.Tab(); };
  auto type = [](char16_t c) { return [c](TMemoSource& s) { s.TypeChar(c); }; };
  RunCases({
      {"EnterKeepsTheIndentOfTheLine", {u"    abc def"}, {0, 8}, enter, {u"    abc", u"    def"}, {1, 4}},
      {"EnterAtColumnZero", {u"abc"}, {0, 0}, enter, {u"", u"abc"}, {1, 0}},
      {"EnterBeforeTheFirstNonBlankIndentsToTheCaret", {u"  abc"}, {0, 1}, enter, {u"", u"  abc"}, {1, 1}},
      {"EnterAtTheEnd", {u"  abc"}, {0, 5}, enter, {u"  abc", u"  "}, {1, 2}},
      {"EnterOnAnEmptyLineUsesTheLineAbove", {u"   x", u""}, {1, 0}, enter, {u"   x", u"", u"   "}, {2, 3}},
      {"SmartTabToTheNextWordAbove", {u"CREATE   TABLE x", u""}, {1, 0}, tab,
       {u"CREATE   TABLE x", u"         "}, {1, 9}},
      {"TabToTheFirstStopWithoutALongerLineAbove", {u"ab"}, {0, 0}, tab, {u"  ab"}, {0, 2}},
      {"TabBeyondTheEndPads", {u"ab", u"cd"}, {1, 3}, tab, {u"ab", u"cd  "}, {1, 4}, true},
      {"TypeInTheMiddle", {u"ab"}, {0, 1}, type(u'x'), {u"axb"}, {0, 2}},
      {"TypeBeyondTheEndPads", {u"ab"}, {0, 4}, type(u'x'), {u"ab  x"}, {0, 5}, true},
      {"TypeIntoAnEmptyStore", {}, {0, 0}, type(u'x'), {u"x"}, {0, 1}},
  });
}

TEST(EditingCommands, FurtherDeletions) {
  RunCases({
      {"ToLineEnd", {u"abc def"}, {0, 2}, [](TMemoSource& s) { s.DeleteToLineEnd(); }, {u"ab"}, {0, 2}},
      {"WordAtCaret", {u"ab cd,e f"}, {0, 4}, [](TMemoSource& s) { s.DeleteWordAtCaret(); }, {u"ab  f"}, {0, 3}},
      {"WordBack", {u"ab cd  x"}, {0, 7}, [](TMemoSource& s) { s.DeleteWordBack(); }, {u"ab x"}, {0, 3}},
      {"WordBackAtColumnZeroJoins", {u"ab", u"cd"}, {1, 0}, [](TMemoSource& s) { s.DeleteWordBack(); },
       {u"abcd"}, {0, 2}},
  });
}

TEST(EditingCommands, CopyAndMoveTheSelectionToTheCaret) {
  TMemoSource s;
  Fill(s, {u"abc", u"def"});
  s.SetCaret({1, 3});
  s.SetSelection(kSelStream, {0, 0}, {0, 2});
  s.CopySelectionToCaret();
  EXPECT_EQ(LinesOf(s), (Lines{u"abc", u"defab"}));
  s.SetSelection(kSelStream, {0, 1}, {0, 3});
  s.SetCaret({1, 0});
  s.SetSelection(kSelStream, {0, 1}, {0, 3});
  s.MoveSelectionToCaret();
  EXPECT_EQ(LinesOf(s), (Lines{u"a", u"bcdefab"}));
  s.SetSelection(kSelStream, {1, 0}, {1, 2});
  s.SetCaret({1, 1});
  s.SetSelection(kSelStream, {1, 0}, {1, 2});
  s.MoveSelectionToCaret();  // the caret inside: nothing moves
  EXPECT_EQ(LinesOf(s), (Lines{u"a", u"bcdefab"}));
}

TEST(EditingCommands, MatchingBracketsSkipStringsAndComments) {
  TSqlParser parser;
  TMemoSource s;
  s.SetSyntaxParser(&parser);
  Fill(s, {u"f(a, ')', (b)", u"  -- )", u"  )"});
  s.SetCaret({0, 1});
  ASSERT_TRUE(s.GotoMatchingBracket());
  EXPECT_EQ(s.Caret(), (TPosition{2, 2}));
  ASSERT_TRUE(s.GotoMatchingBracket());
  EXPECT_EQ(s.Caret(), (TPosition{0, 1}));
  s.SetCaret({0, 0});
  EXPECT_FALSE(s.GotoMatchingBracket());
  s.GotoLine(99);
  EXPECT_EQ(s.Caret(), (TPosition{2, 0}));
}

TEST(EditingCommands, BackTabAndWordMovement) {
  struct Move {
    const char* name;
    Lines lines;
    TPosition from;
    void (TMemoSource::*command)();
    TPosition to;
  };
  const Move moves[] = {
      {"BackTabToThePreviousStop", {u"abcdef"}, {0, 5}, &TMemoSource::BackTab, {0, 4}},
      {"BackTabFromAStop", {u"abcdef"}, {0, 4}, &TMemoSource::BackTab, {0, 2}},
      {"BackTabBelowTheFirstStop", {u"abcdef"}, {0, 1}, &TMemoSource::BackTab, {0, 0}},
      {"WordRightSkipsWordThenBlanks", {u"ab cd"}, {0, 0}, &TMemoSource::WordRight, {0, 3}},
      {"WordRightPunctuationBelongsToTheWord", {u"a,b (c)"}, {0, 0}, &TMemoSource::WordRight, {0, 4}},
      {"WordRightAtTheEndGoesToTheNextLine", {u"ab cd", u"x"}, {0, 5}, &TMemoSource::WordRight, {1, 0}},
      {"WordRightAtTheEndOfTheText", {u"ab"}, {0, 2}, &TMemoSource::WordRight, {0, 2}},
      {"WordLeftToTheWordStart", {u"ab cd"}, {0, 5}, &TMemoSource::WordLeft, {0, 3}},
      {"WordLeftOverBlanks", {u"ab cd"}, {0, 3}, &TMemoSource::WordLeft, {0, 0}},
      {"WordLeftAtColumnZero", {u"ab  ", u"cd"}, {1, 0}, &TMemoSource::WordLeft, {0, 2}},
      {"WordLeftAtTheStart", {u"ab"}, {0, 0}, &TMemoSource::WordLeft, {0, 0}},
  };
  for (const auto& m : moves) {
    SCOPED_TRACE(m.name);
    TMemoSource s;
    Fill(s, m.lines);
    s.SetCaret(m.from);
    (s.*m.command)();
    EXPECT_EQ(s.Caret(), m.to) << s.Caret().Line << "," << s.Caret().Col;
  }
}

// ---- selections and the clipboard -------------------------------------------------

struct SelectionCase {
  const char* name;
  Lines before;
  int kind;
  TPosition begin;
  TPosition end;
  std::function<void(TMemoSource&)> command;
  Lines after;
};

void RunSelectionCases(const std::vector<SelectionCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoSource s;
    Fill(s, c.before);
    s.SetSelection(c.kind, c.begin, c.end);
    c.command(s);
    EXPECT_EQ(Show(LinesOf(s)), Show(c.after));
    s.Undo();
    EXPECT_EQ(Show(LinesOf(s)), Show(c.before)) << "after Undo";
  }
}

TEST(Selections, DeleteIndentQuoteAndCase) {
  auto del = [](TMemoSource& s) { s.DeleteSelection(); };
  RunSelectionCases({
      {"StreamOnOneLine", {u"abcdef"}, kSelStream, {0, 1}, {0, 4}, del, {u"aef"}},
      {"StreamOverLines", {u"abc", u"def", u"ghi"}, kSelStream, {0, 1}, {2, 1}, del, {u"ahi"}},
      {"StreamKeepsBlanksBeforeIt", {u"a  b", u"c"}, kSelStream, {0, 3}, {1, 0}, del, {u"a  c"}},
      {"StreamEverything", {u"ab", u"cd"}, kSelStream, {0, 0}, {1, 2}, del, {}},
      {"Block", {u"abcd", u"efgh", u"ij"}, kSelBlock, {0, 1}, {2, 3}, del, {u"ad", u"eh", u"i"}},
      {"TypingReplacesIt", {u"abcdef"}, kSelStream, {0, 1}, {0, 4}, [](TMemoSource& s) { s.TypeChar(u'X'); },
       {u"aXef"}},
      {"IndentBlock", {u"a", u"b", u""}, kSelStream, {0, 0}, {2, 0}, [](TMemoSource& s) { s.IndentBlock(); },
       {u" a", u" b", u""}},
      {"UnindentTakesLeadingBlanksOnly", {u"  a", u"b c", u"c"}, kSelStream, {0, 0}, {2, 1},
       [](TMemoSource& s) { s.UnindentBlock(); }, {u" a", u"b c", u"c"}},
      {"QuoteBlockQuotesEmptyPiecesToo", {u"a", u"", u"b"}, kSelStream, {0, 0}, {2, 1},
       [](TMemoSource& s) { s.QuoteBlock(); }, {u">a", u">", u">b"}},
      {"TabIndentsASelectionOverLines", {u"x", u"y"}, kSelStream, {0, 0}, {1, 1},
       [](TMemoSource& s) { s.Tab(); }, {u"  x", u"  y"}},
      {"BackTabUnindentsASelectionOverLines", {u"x", u"   y"}, kSelStream, {0, 0}, {1, 4},
       [](TMemoSource& s) { s.BackTab(); }, {u"x", u" y"}},
      {"BlockIndentOnlyTheColumns", {u"abcd", u"efgh"}, kSelBlock, {0, 1}, {1, 3},
       [](TMemoSource& s) { s.IndentBlock(); }, {u"a bcd", u"e fgh"}},
      {"UpperCaseSelection", {u"abc def"}, kSelStream, {0, 0}, {0, 3},
       [](TMemoSource& s) { s.UpperCaseSelection(); }, {u"ABC def"}},
      {"LowerCaseBlock", {u"ABCD", u"EFGH"}, kSelBlock, {0, 1}, {1, 3},
       [](TMemoSource& s) { s.LowerCaseSelection(); }, {u"AbcD", u"EfgH"}},
  });
}

TEST(Selections, BlockCommandsKeepTheSelectionAndTheCaret) {
  TMemoSource s;
  Fill(s, {u"a", u"b"});
  s.SetCaret({1, 1});
  s.SetSelection(kSelStream, {0, 0}, {1, 1});
  s.IndentBlock();
  s.IndentBlock();
  EXPECT_EQ(LinesOf(s), (Lines{u"  a", u"  b"}));
  EXPECT_EQ(s.SelectionKind(), kSelStream);
  EXPECT_EQ(s.Caret(), (TPosition{1, 1}));
  s.Undo();
  EXPECT_EQ(LinesOf(s), (Lines{u" a", u" b"}));
}

TEST(Selections, WordCaseLeavesTheSelection) {
  TMemoSource s;
  Fill(s, {u"abc def"});
  s.SetCaret({0, 5});
  s.UpperCaseWord();
  EXPECT_EQ(LinesOf(s), (Lines{u"abc DEF"}));
  EXPECT_EQ(s.Caret(), (TPosition{0, 5}));
  s.SetSelection(kSelStream, {0, 0}, {0, 2});
  s.SetCaret({0, 0});
  s.LowerCaseWord();
  EXPECT_EQ(LinesOf(s), (Lines{u"abc DEF"}));  // already lower
  s.SetCaret({0, 6});
  s.SetSelection(kSelStream, {0, 0}, {0, 2});
  s.LowerCaseWord();
  EXPECT_EQ(LinesOf(s), (Lines{u"abc def"}));
  EXPECT_EQ(s.SelectionKind(), kSelStream);
  EXPECT_EQ(s.SelectionEnd(), (TPosition{0, 2}));
}

TEST(Selections, ExtendSelectAllAndWord) {
  TMemoSource s;
  Fill(s, {u"ab cd,ef", u"x"});
  s.SetCaret({0, 1});
  s.SelectTo({1, 1});
  EXPECT_EQ(s.SelectedText(), u"b cd,ef\r\nx");
  s.SelectTo({0, 3});  // back over the anchor's line: the anchor stays
  EXPECT_EQ(s.SelectedText(), u"b ");
  s.SelectTo({1, 0}, kSelBlock);  // the rectangle between the anchor (0, 1) and (1, 0)
  EXPECT_EQ(s.SelectedText(), u"a\r\nx");
  s.SetCaret({0, 4});
  EXPECT_EQ(s.SelectionKind(), kSelNone);  // moving the caret removes it
  s.SelectWordAtCaret();
  EXPECT_EQ(s.SelectedText(), u"cd,ef");
  s.SelectAll();
  EXPECT_EQ(s.SelectedText(), u"ab cd,ef\r\nx");
  EXPECT_EQ(s.Caret(), (TPosition{1, 1}));
  s.SetCaret({0, 1});
  s.SetBlockBegin();
  s.SetCaret({1, 1});
  s.SetBlockEnd();
  EXPECT_EQ(s.SelectedText(), u"b cd,ef\r\nx");
}

TEST(Clipboard, CopyCutAndPaste) {
  TMemoSource s;
  Fill(s, {u"abc", u"def", u"ghi"});
  s.SetSelection(kSelStream, {0, 1}, {2, 1});
  s.Copy();
  EXPECT_EQ(s.Clipboard().Text(), u"bc\r\ndef\r\ng");
  s.SetSelection(kSelNone, {}, {});
  s.Copy();  // nothing selected: the clipboard is emptied
  EXPECT_EQ(s.Clipboard().Text(), u"");

  s.SetSelection(kSelStream, {0, 1}, {1, 1});
  s.Cut();
  EXPECT_EQ(LinesOf(s), (Lines{u"aef", u"ghi"}));
  EXPECT_EQ(s.Clipboard().Text(), u"bc\r\nd");
  s.Undo();
  EXPECT_EQ(LinesOf(s), (Lines{u"abc", u"def", u"ghi"}));

  struct PasteCase {
    const char* name;
    std::u16string clip;
    Lines after;
    TPosition caret;
  };
  const PasteCase pastes[] = {
      {"OneLine", u"XY", {u"aXYb"}, {0, 3}},
      {"SeveralLinesKeepTheirBlanks", u"X  \r\nY\tZ\r\nW", {u"aX  ", u"Y  Z", u"Wb"}, {2, 1}},
      {"AFinalBreakAddsAnEmptyLine", u"X\r\n", {u"aX", u"b"}, {1, 0}},
  };
  for (const auto& p : pastes) {
    SCOPED_TRACE(p.name);
    TMemoSource t;
    Fill(t, {u"ab"});
    t.SetCaret({0, 1});
    t.Clipboard().SetText(p.clip);
    t.Paste();
    EXPECT_EQ(Show(LinesOf(t)), Show(p.after));
    EXPECT_EQ(t.Caret(), p.caret);
    EXPECT_EQ(t.SelectionKind(), kSelNone);
    t.Undo();
    EXPECT_EQ(LinesOf(t), (Lines{u"ab"}));
  }
}

TEST(Clipboard, ABlockCopyPastesAsARectangle) {
  TMemoryClipboard shared;
  TMemoSource s;
  Fill(s, {u"abcd", u"efgh"});
  s.SetClipboard(&shared);
  s.SetSelection(kSelBlock, {0, 1}, {1, 3});
  s.Copy();
  EXPECT_EQ(shared.Text(), u"bc\r\nfg");
  TMemoSource t;
  Fill(t, {u"12"});
  t.SetClipboard(&shared);
  t.SetCaret({0, 1});
  t.Paste();
  EXPECT_EQ(LinesOf(t), (Lines{u"1bc2", u" fg"}));
  // The same text placed by someone else is pasted as lines.
  shared.SetText(u"bc\r\nfgX");
  t.SetCaret({0, 0});
  t.Paste();
  EXPECT_EQ(LinesOf(t), (Lines{u"bc", u"fgX1bc2", u" fg"}));
}

// ---- read-only -----------------------------------------------------------------------

TEST(ReadOnly, CommandsLeaveTheTextButLinesStillAppend) {
  TMemoSource s;
  Fill(s, {u"ab  ", u"cd"});
  s.SetReadOnly(true);
  s.SetCaret({0, 1});
  const std::function<void(TMemoSource&)> commands[] = {
      [](TMemoSource& m) { m.TypeChar(u'x'); }, [](TMemoSource& m) { m.Backspace(); },
      [](TMemoSource& m) { m.DeleteChar(); },   [](TMemoSource& m) { m.NewLine(); },
      [](TMemoSource& m) { m.Tab(); },          [](TMemoSource& m) { m.Paste(); },
      [](TMemoSource& m) { m.DeleteLine(); },
  };
  s.Clipboard().SetText(u"pasted");
  for (const auto& c : commands) c(s);
  EXPECT_EQ(LinesOf(s), (Lines{u"ab  ", u"cd"}));
  EXPECT_EQ(s.Caret(), (TPosition{0, 1}));
  // Moving off a line does not strip its blanks while read-only.
  s.SetCaret({1, 0});
  EXPECT_EQ(LinesOf(s), (Lines{u"ab  ", u"cd"}));
  EXPECT_FALSE(s.Modified());
  // Copy works.
  s.SetSelection(kSelStream, {0, 0}, {0, 2});
  s.Copy();
  EXPECT_EQ(s.Clipboard().Text(), u"ab");
  s.Lines().Add(u"appended");
  EXPECT_EQ(s.Lines().Count(), 3);
}

TEST(CaretMoves, LeavingALineStripsItsTrailingBlanks) {
  TMemoSource s;
  Fill(s, {u"ab  ", u"cd"});
  s.SetCaret({0, 1});
  EXPECT_EQ(LinesOf(s), (Lines{u"ab  ", u"cd"}));
  s.SetCaret({1, 0});
  EXPECT_EQ(LinesOf(s), (Lines{u"ab", u"cd"}));
  EXPECT_TRUE(s.Modified());
}

TEST(CaretMoves, ClampedToTheText) {
  TMemoSource s;
  Fill(s, {u"ab", u"cd"});
  s.MoveCaretBy(5, -3);
  EXPECT_EQ(s.Caret(), (TPosition{1, 0}));
  s.SetOptions(s.Options() | OptionBit(soLimitEOL));
  s.MoveCaretBy(0, 10);
  EXPECT_EQ(s.Caret(), (TPosition{1, 2}));
}

TEST(Bookmarks, FollowSplitsAndJoins) {
  TMemoSource s;
  Fill(s, {u"abcd", u"efgh", u"ijkl"});
  s.SetCaret({0, 3});
  s.ToggleBookmark(1);
  s.SetBookmark(2, {2, 1});
  TPosition p;
  s.SetCaret({0, 2});
  s.NewLine();  // "ab" / "cd": bookmark 1 moves with its text
  ASSERT_TRUE(s.Bookmark(1, p));
  EXPECT_EQ(p, (TPosition{1, 1}));
  ASSERT_TRUE(s.Bookmark(2, p));
  EXPECT_EQ(p, (TPosition{3, 1}));
  s.SetCaret({0, 2});
  s.DeleteChar();  // joins "cd" back
  ASSERT_TRUE(s.Bookmark(1, p));
  EXPECT_EQ(p, (TPosition{0, 3}));
  s.SetCaret({3, 0});
  s.GotoBookmark(2);
  EXPECT_EQ(s.Caret(), (TPosition{2, 1}));
  s.ToggleBookmark(2);  // on the caret line: removed
  EXPECT_FALSE(s.Bookmark(2, p));
}

// ---- undo and redo ---------------------------------------------------------------------

TEST(UndoRedo, CaretMovesOneByOne) {
  TMemoSource s;
  Fill(s, {u"abcdef"});
  for (int i = 0; i < 3; ++i) s.MoveCaretBy(0, 1);
  s.Undo();
  EXPECT_EQ(s.Caret(), (TPosition{0, 2}));
  s.Undo();
  s.Undo();
  EXPECT_EQ(s.Caret(), (TPosition{0, 0}));
  EXPECT_EQ(s.RedoList().Count(), 3);
  s.Redo();
  EXPECT_EQ(s.Caret(), (TPosition{0, 1}));
  s.MoveCaretBy(0, 1);  // a new move empties the redo list
  EXPECT_EQ(s.RedoList().Count(), 0);
}

TEST(UndoRedo, TypedCharacterWithItsCaretMoveInOneStep) {
  TMemoSource s;
  Fill(s, {u"ab"});
  s.SetCaret({0, 1});
  s.TypeChar(u'x');
  s.TypeChar(u'y');
  s.Undo();
  EXPECT_EQ(LinesOf(s), (Lines{u"axb"}));
  EXPECT_EQ(s.Caret(), (TPosition{0, 2}));
  s.Undo();
  EXPECT_EQ(LinesOf(s), (Lines{u"ab"}));
  EXPECT_EQ(s.Caret(), (TPosition{0, 1}));
  s.Redo();
  s.Redo();
  EXPECT_EQ(LinesOf(s), (Lines{u"axyb"}));
  EXPECT_EQ(s.Caret(), (TPosition{0, 3}));
}

TEST(UndoRedo, EnterWithTrailingBlanksComesBackWhole) {
  TMemoSource s;
  Fill(s, {u"ab  cd"});
  s.SetCaret({0, 4});
  s.NewLine();
  EXPECT_EQ(LinesOf(s), (Lines{u"ab", u"cd"}));
  s.Undo();
  EXPECT_EQ(LinesOf(s), (Lines{u"ab  cd"}));
  EXPECT_EQ(s.Caret(), (TPosition{0, 4}));
  s.Redo();
  EXPECT_EQ(LinesOf(s), (Lines{u"ab", u"cd"}));
}

TEST(UndoRedo, ModifiedAcrossSavesAndUndos) {
  TMemoSource s;
  Fill(s, {u"x"});
  EXPECT_FALSE(s.Modified());
  s.TypeChar(u'a');
  EXPECT_TRUE(s.Modified());
  s.Undo();
  EXPECT_FALSE(s.Modified());  // back to the text as it was
  s.TypeChar(u'a');
  s.SetModified(false);  // saved
  s.TypeChar(u'b');
  EXPECT_TRUE(s.Modified());
  s.Undo();
  EXPECT_FALSE(s.Modified());  // the saved text again
  s.Undo();
  EXPECT_TRUE(s.Modified());  // older than the saved text
  s.Redo();
  EXPECT_TRUE(s.Modified());
}

TEST(UndoRedo, AllowUndoOffRecordsNothing) {
  TMemoSource s;
  Fill(s, {u"x"});
  s.SetAllowUndo(false);
  s.TypeChar(u'a');
  EXPECT_EQ(s.UndoList().Count(), 0);
  s.Undo();
  EXPECT_EQ(LinesOf(s), (Lines{u"ax"}));
}

TEST(UndoRedo, CompoundEditUndoesAsOneAndStopsAtItsStart) {
  TMemoSource s;
  Fill(s, {u"abc"});
  s.SetCaret({0, 3});
  s.BeginUpdate(change_code::InsertText);
  s.InsertText(u"1");
  s.EndUpdate();
  s.BeginUpdate(change_code::InsertText);
  s.BeginCompound();
  s.InsertText(u"2");
  s.BeginCompound();
  s.InsertText(u"3");
  s.EndCompound();
  s.InsertText(u"4");
  s.EndCompound();
  s.EndUpdate();
  EXPECT_EQ(LinesOf(s), (Lines{u"abc4321"}));
  s.Undo();
  EXPECT_EQ(LinesOf(s), (Lines{u"abc1"}));
  s.Undo();
  EXPECT_EQ(LinesOf(s), (Lines{u"abc"}));
}

TEST(UndoRedo, LimitCutsOnlyWholeActions) {
  TMemoSource s;
  Fill(s, {u""});
  s.SetUndoLimit(10);
  for (int i = 0; i < 300; ++i) s.TypeChar(u'a');
  EXPECT_LE(s.UndoList().Count(), 10 + 100 + 2);
  EXPECT_TRUE(s.UndoList().Records().front().StartsAction);
  while (s.UndoList().Count() > 0) s.Undo();
  // Every remaining action came back whole: characters and caret agree.
  EXPECT_EQ(static_cast<int>(s.Lines().Get(0).size()), s.Caret().Col);
  EXPECT_GE(s.Caret().Col, 300 - 56);
  EXPECT_TRUE(s.Modified());
}

TEST(UndoRedo, LimitNeverSplitsACompoundEdit) {
  TMemoSource s;
  Fill(s, {u""});
  s.SetUndoLimit(1);
  s.BeginUpdate(change_code::InsertText);
  s.BeginCompound();
  for (int i = 0; i < 150; ++i) {
    s.InsertText(u"b");
    s.MoveCaretBy(0, 1);
  }
  s.EndCompound();
  s.EndUpdate();
  for (int i = 0; i < 60; ++i) s.TypeChar(u'c');
  for (const auto& r : s.UndoList().Records()) EXPECT_FALSE(r.InGroup);  // the group went as a whole
  EXPECT_LE(s.UndoList().Count(), 1 + 100 + 2);
}

TEST(UndoRedo, TextThroughLinesClearsBothLists) {
  TMemoSource s;
  Fill(s, {u"ab"});
  s.TypeChar(u'x');
  s.Undo();
  EXPECT_GT(s.RedoList().Count(), 0);
  s.Lines().Add(u"more");
  EXPECT_EQ(s.UndoList().Count(), 0);
  EXPECT_EQ(s.RedoList().Count(), 0);
}

}  // namespace
}  // namespace tarlow
