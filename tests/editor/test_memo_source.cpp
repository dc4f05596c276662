// The text store: whole-text rules, line operations with their change codes
// and flags, tabs, settings and saving.
#include "editor/memo_source.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "editor/text_convert.h"

namespace tarlow {
namespace {

std::vector<std::u16string> LinesOf(const TMemoSource& s) {
  std::vector<std::u16string> out;
  for (int i = 0; i < s.Lines().Count(); ++i) out.push_back(s.Lines().Get(i));
  return out;
}

struct Recorder : TMemoObserver {
  std::vector<TMemoChange> changes;
  void MemoChanged(TMemoSource&, const TMemoChange& c) override { changes.push_back(c); }
};

// ---- whole text ------------------------------------------------------------

struct SetTextCase {
  const char* name;
  std::u16string text;
  std::vector<std::u16string> lines;
  std::u16string got;  // GetText afterwards
};

class SetTextRules : public ::testing::TestWithParam<SetTextCase> {};

TEST_P(SetTextRules, SplitsAndJoins) {
  const auto& c = GetParam();
  TMemoSource s;
  s.Lines().SetText(c.text);
  EXPECT_EQ(LinesOf(s), c.lines);
  EXPECT_EQ(s.Lines().GetText(), c.got);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetTextRules,
    ::testing::Values(
        SetTextCase{"Empty", u"", {}, u""},
        SetTextCase{"OneWordNoBreak", u"abc", {u"abc"}, u"abc"},
        SetTextCase{"OneWordWithBreak", u"abc\r\n", {u"abc"}, u"abc"},
        SetTextCase{"TwoLinesEachEnded", u"one\r\ntwo\r\n", {u"one", u"two"}, u"one\r\ntwo"},
        SetTextCase{"LoneLfAndLoneCr", u"a\nb\rc", {u"a", u"b", u"c"}, u"a\r\nb\r\nc"},
        SetTextCase{"CrLfCountsOnce", u"a\r\n\r\nb", {u"a", u"", u"b"}, u"a\r\n\r\nb"},
        SetTextCase{"TwoFinalBreaksKeepOneEmptyLine", u"a\r\n\r\n", {u"a", u""}, u"a\r\n"},
        SetTextCase{"OnlyABreak", u"\r\n", {u""}, u""},
        SetTextCase{"NulEndsTheText", std::u16string(u"ab\r\ncd\0ef\r\ngh", 13), {u"ab", u"cd"},
                    u"ab\r\ncd"},
        SetTextCase{"LfCrIsTwoBreaks", u"a\n\rb", {u"a", u"", u"b"}, u"a\r\n\r\nb"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WholeText, LastEmptyLineIsDroppedByTheRoundTrip) {
  TMemoSource s;
  s.Lines().Add(u"first");
  s.Lines().Add(u"");
  EXPECT_EQ(s.Lines().GetText(), u"first\r\n");
  s.Lines().SetText(s.Lines().GetText() + u"word");
  EXPECT_EQ(LinesOf(s), (std::vector<std::u16string>{u"first", u"word"}));
}

TEST(WholeText, SetTextPutsCaretHomeAndLeavesNothingToUndo) {
  TMemoSource s;
  s.Lines().SetText(u"a\r\nb\r\nc");
  s.SetCaret({2, 1});
  s.UndoList().Add({});
  s.RedoList().Add({});
  s.Lines().SetText(u"x\r\ny");
  EXPECT_EQ(s.Caret(), (TPosition{0, 0}));
  EXPECT_EQ(s.UndoList().Count(), 0);
  EXPECT_EQ(s.RedoList().Count(), 0);
}

// AppendText must give exactly the lines of the whole-text round trip.
struct AppendCase {
  const char* name;
  std::vector<std::u16string> before;
  std::u16string text;
};

class AppendMatchesRoundTrip : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendMatchesRoundTrip, SameLines) {
  const auto& c = GetParam();
  TMemoSource slow;
  TMemoSource fast;
  for (const auto& l : c.before) {
    slow.Lines().Add(l);
    fast.Lines().Add(l);
  }
  slow.Lines().SetText(slow.Lines().GetText() + c.text);
  fast.Lines().AppendText(c.text);
  EXPECT_EQ(LinesOf(fast), LinesOf(slow));
  EXPECT_EQ(fast.Caret(), slow.Caret());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppendMatchesRoundTrip,
    ::testing::Values(AppendCase{"IntoEmpty", {}, u"DROP TABLE A"},
                      AppendCase{"EmptyIntoEmpty", {}, u""},
                      AppendCase{"ContinuesLastLine", {u"DROP TABLE A"}, u";"},
                      AppendCase{"ContinuesEmptyLastLine", {u"x", u""}, u"y"},
                      AppendCase{"EndsWithBreakDropsIt", {u"x"}, u"y\r\n"},
                      AppendCase{"EmptyTextOnEmptyLastLine", {u"x", u"", u""}, u""},
                      AppendCase{"EmptyTextOnSingleEmptyLine", {u""}, u""},
                      AppendCase{"ManyBreaks", {u"a", u""}, u"b\r\n\r\nc\nd\re\r\n\r\n"},
                      AppendCase{"TabsReplaced", {u"a"}, u"\tb\r\n\tc"},
                      AppendCase{"NulEndsText", {u"a"}, std::u16string(u"b\0c\r\nd", 6)},
                      AppendCase{"OnlyBreakOnText", {u"abc"}, u"\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WholeText, AppendNotifiesOnceFromTheLastLine) {
  TMemoSource s;
  for (int i = 0; i < 5; ++i) s.Lines().Add(u"line");
  Recorder r;
  s.Attach(&r);
  r.changes.clear();
  s.Lines().AppendText(u" more\r\nnext\r\nlast");
  ASSERT_EQ(r.changes.size(), 1u);
  EXPECT_EQ(r.changes[0].Code, change_code::SetText);
  EXPECT_EQ(r.changes[0].FirstLine, 4);
  EXPECT_EQ(r.changes[0].LastLine, 6);
  EXPECT_EQ(s.Lines().Get(4), u"line more");
}

// ---- line operations, change codes and flags --------------------------------

TEST(LineOperations, CodesFlagsAndRanges) {
  using namespace change_flag;
  TMemoSource s;
  s.Lines().SetText(u"a\r\nb\r\nc\r\nd");
  s.SetModified(false);
  s.SetCaret({3, 1});
  Recorder r;
  s.Attach(&r);
  r.changes.clear();

  s.Lines().Put(1, u"B");
  ASSERT_EQ(r.changes.size(), 1u);
  EXPECT_EQ(r.changes.back().Code, change_code::LinesPut);
  EXPECT_EQ(r.changes.back().Flags, Text | Modified);  // the caret stays
  EXPECT_EQ(r.changes.back().FirstLine, 1);
  EXPECT_EQ(r.changes.back().LastLine, 1);
  EXPECT_EQ(s.Caret(), (TPosition{3, 1}));

  s.Lines().Insert(2, u"new");
  EXPECT_EQ(r.changes.back().Code, change_code::LinesInsert);
  EXPECT_EQ(r.changes.back().Flags, Caret | Text | LineCount);
  EXPECT_EQ(r.changes.back().FirstLine, 2);
  EXPECT_EQ(r.changes.back().LastLine, 4);
  EXPECT_EQ(s.Caret(), (TPosition{2, 0}));

  s.Lines().Delete(0);
  EXPECT_EQ(r.changes.back().Code, change_code::DeleteLine);
  EXPECT_EQ(r.changes.back().Flags, Caret | Text | LineCount);
  EXPECT_EQ(r.changes.back().FirstLine, 0);
  EXPECT_EQ(r.changes.back().LastLine, 4);

  EXPECT_EQ(s.Lines().Add(u"e"), 4);
  EXPECT_EQ(r.changes.back().Code, change_code::LinesInsert);

  s.Lines().Clear();
  EXPECT_EQ(r.changes.back().Code, change_code::LinesClear);
  EXPECT_EQ(r.changes.back().Flags & (Text | LineCount), Text | LineCount);
  EXPECT_EQ(r.changes.back().FirstLine, 0);
  EXPECT_EQ(r.changes.back().LastLine, 4);
  EXPECT_EQ(s.Lines().Count(), 0);
  s.Detach(&r);
}

TEST(LineOperations, IndicesOutsideTheListChangeNothing) {
  TMemoSource s;
  s.Lines().SetText(u"a\r\nb");
  Recorder r;
  s.Attach(&r);
  r.changes.clear();
  s.Lines().Put(2, u"x");
  s.Lines().Put(-1, u"x");
  s.Lines().Insert(3, u"x");
  s.Lines().Insert(-1, u"x");
  s.Lines().Delete(2);
  s.Lines().PutObject(5, &r);
  EXPECT_TRUE(r.changes.empty());
  EXPECT_EQ(s.Lines().Get(7), u"");
  EXPECT_EQ(s.Lines().GetObject(-3), nullptr);
  EXPECT_EQ(LinesOf(s), (std::vector<std::u16string>{u"a", u"b"}));
  s.Lines().Insert(2, u"c");  // at the count is an append
  EXPECT_EQ(s.Lines().Get(2), u"c");
}

TEST(Brackets, NestedBracketsNotifyOnceWithTheOuterCode) {
  TMemoSource s;
  Recorder r;
  s.Attach(&r);
  r.changes.clear();
  s.Lines().SetText(u"1\r\n2\r\n3");
  ASSERT_EQ(r.changes.size(), 1u);
  EXPECT_EQ(r.changes[0].Code, change_code::SetText);

  r.changes.clear();
  s.BeginUpdate(change_code::Paste);
  s.Lines().Add(u"4");
  s.Lines().Put(0, u"one");
  s.EndUpdate();
  ASSERT_EQ(r.changes.size(), 1u);
  EXPECT_EQ(r.changes[0].Code, change_code::Paste);
  EXPECT_EQ(r.changes[0].FirstLine, 0);
  EXPECT_EQ(r.changes[0].LastLine, 3);
  s.Detach(&r);
}

TEST(Brackets, AttachRepaintsEverythingAndKeepsRedo) {
  TMemoSource s;
  s.Lines().SetText(u"a\r\nb\r\nc");
  s.SetModified(false);
  s.RedoList().Add({});
  Recorder r;
  s.Attach(&r);
  ASSERT_EQ(r.changes.size(), 1u);
  EXPECT_EQ(r.changes[0].Code, change_code::ViewAttached);
  EXPECT_EQ(r.changes[0].Flags & change_flag::ViewAttachedFlags, change_flag::ViewAttachedFlags);
  EXPECT_EQ(r.changes[0].FirstLine, 0);
  EXPECT_EQ(r.changes[0].LastLine, 2);
  EXPECT_EQ(s.RedoList().Count(), 1);
  EXPECT_FALSE(s.Modified());

  s.SetCaret({1, 0});  // a caret move outside undo and redo drops the redo list
  EXPECT_EQ(s.RedoList().Count(), 0);
  s.Detach(&r);
  s.Lines().Add(u"d");
  EXPECT_EQ(r.changes.size(), 2u);
}

TEST(Brackets, ReadOnlyAndModifiedFlags) {
  TMemoSource s;
  Recorder r;
  s.Attach(&r);
  r.changes.clear();
  s.SetReadOnly(true);
  ASSERT_EQ(r.changes.size(), 1u);
  EXPECT_EQ(r.changes[0].Code, change_code::ReadOnlyChanged);
  EXPECT_EQ(r.changes[0].Flags, change_flag::ReadOnly);
  s.SetReadOnly(true);
  EXPECT_EQ(r.changes.size(), 1u);

  s.Lines().Add(u"the program fills a read-only store");
  EXPECT_EQ(s.Lines().Count(), 1);
  EXPECT_TRUE(s.Modified());
  EXPECT_TRUE(r.changes.back().Flags & change_flag::Modified);
  s.SetModified(false);
  EXPECT_EQ(r.changes.back().Code, change_code::ModifiedChanged);
  EXPECT_EQ(r.changes.back().Flags, change_flag::Modified);
  s.Detach(&r);
}

TEST(Brackets, SelectionIsDroppedWhenTheCaretMovesAndKeptBySelectAll) {
  TMemoSource s;
  s.Lines().SetText(u"abc\r\ndef\r\nghi");
  s.SetSelection(kSelStream, {0, 1}, {1, 2});
  EXPECT_EQ(s.SelectionKind(), kSelStream);
  s.SetSelection(kSelStream, {1, 2}, {0, 1});  // end before begin: no selection
  EXPECT_EQ(s.SelectionKind(), kSelNone);

  s.SetSelection(kSelStream, {0, 1}, {1, 2});
  s.BeginUpdate(change_code::SelectAll);
  s.SetCaret({2, 3});
  s.EndUpdate();
  EXPECT_EQ(s.SelectionKind(), kSelStream);

  Recorder r;
  s.Attach(&r);
  r.changes.clear();
  s.SetCaret({0, 0});
  EXPECT_EQ(s.SelectionKind(), kSelNone);
  ASSERT_EQ(r.changes.size(), 1u);
  EXPECT_EQ(r.changes[0].Flags, change_flag::Caret | change_flag::Selection);
  EXPECT_EQ(r.changes[0].FirstLine, 0);
  EXPECT_EQ(r.changes[0].LastLine, 1);
  s.Detach(&r);
}

TEST(LineOperations, TrackedPositionsFollowInsertAndDelete) {
  TMemoSource s;
  s.Lines().SetText(u"a\r\nb\r\nc");
  const int h = s.AddTrackedPosition({1, 1});
  s.Lines().Insert(0, u"top");
  EXPECT_EQ(s.TrackedPosition(h), (TPosition{2, 1}));
  s.Lines().Insert(3, u"below");
  EXPECT_EQ(s.TrackedPosition(h), (TPosition{2, 1}));
  s.Lines().Delete(0);
  EXPECT_EQ(s.TrackedPosition(h), (TPosition{1, 1}));
}

// ---- tabs and settings --------------------------------------------------------

TEST(Tabs, InputReplacesEachTabBySpacesInTab) {
  TMemoSource s;
  ApplyScriptStoreSettings(s);
  s.Lines().Add(u"a\tb");
  EXPECT_EQ(s.Lines().Get(0), u"a  b");
  s.Lines().SetText(u"\tx\r\nab\t\ty");
  EXPECT_EQ(LinesOf(s), (std::vector<std::u16string>{u"  x", u"ab    y"}));
  s.Lines().Put(0, u"\t");
  EXPECT_EQ(s.Lines().Get(0), u"  ");
}

TEST(Tabs, StoredTabsExpandToStopsOnReading) {
  TMemoSource s;  // default stops 9, 17, 25, ...
  s.SetOptions(s.Options() | OptionBit(soUseTabCharacter));
  ASSERT_TRUE(s.HasOption(soUseTabCharacter));
  s.Lines().Add(u"ab\tc\td");
  EXPECT_EQ(s.InternalLines().Item(0).LineText, u"ab\tc\td");
  EXPECT_EQ(s.Lines().Get(0), u"ab       c       d");
  EXPECT_EQ(s.Lines().GetText(), u"ab\tc\td");  // the whole text is raw
}

TEST(Tabs, TabStopsTable) {
  struct Case {
    std::string text;
    std::vector<int> stops;  // stops 0..4
  };
  const Case cases[] = {
      {"2", {2, 4, 6, 8, 10}},
      {"9,17", {9, 17, 25, 33, 41}},
      {" 3 , 5 ,10", {3, 5, 10, 15, 20}},
      {"   ", {8, 16, 24, 32, 40}},
  };
  for (const auto& c : cases) {
    TMemoSource s;
    s.SetTabStops(c.text);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s.TabStop(i), c.stops[i]) << c.text << " stop " << i;
  }
  TMemoSource s;
  s.SetTabStops("2");
  EXPECT_EQ(s.NextTabStop(0), 2);
  EXPECT_EQ(s.NextTabStop(2), 4);
  EXPECT_EQ(s.NextTabStop(7), 8);
}

TEST(Tabs, InvalidTabStopsKeepTheOldOnes) {
  const char* bad[] = {"4,4", "9,17,12", "0", "-2"};
  for (const char* text : bad) {
    TMemoSource s;
    s.SetTabStops("2");
    try {
      s.SetTabStops(text);
      ADD_FAILURE() << text << " was accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), "Invalid Tab Rack") << text;
    }
    EXPECT_EQ(s.TabStops(), "2");
    EXPECT_EQ(s.TabStop(2), 6);
  }
  TMemoSource s;
  EXPECT_THROW(s.SetTabStops("4,x"), std::invalid_argument);
  EXPECT_EQ(s.TabStops(), "9,17");
  s.SetTabStops("");
  EXPECT_EQ(s.TabStops(), "9,17");
}

TEST(Settings, DefaultsRangesAndOptionRules) {
  TMemoSource s;
  EXPECT_EQ(s.Options(), 635u);
  EXPECT_EQ(s.SpacesInTab(), 8);
  for (int bad : {0, 11, -1}) {
    s.SetSpacesInTab(3);
    s.SetSpacesInTab(bad);
    EXPECT_EQ(s.SpacesInTab(), 8) << bad;
  }
  s.SetSpacesInTab(10);
  EXPECT_EQ(s.SpacesInTab(), 10);
  s.SetBlockIndent(-4);
  s.SetUndoLimit(-1);
  EXPECT_EQ(s.BlockIndent(), 0);
  EXPECT_EQ(s.UndoLimit(), 0);
  EXPECT_TRUE(s.IsDelimeter(u' '));
  EXPECT_FALSE(s.IsDelimeter(u','));
  s.SetDelimeters(u",;");
  EXPECT_TRUE(s.IsDelimeter(u','));

  // Tab characters switched on newly drop smart tabs ...
  s.SetOptions(OptionBit(soSmartTab) | OptionBit(soUseTabCharacter));
  EXPECT_TRUE(s.HasOption(soUseTabCharacter));
  EXPECT_FALSE(s.HasOption(soSmartTab));
  // ... and smart tabs asked for while tab characters are on drop those.
  s.SetOptions(OptionBit(soSmartTab) | OptionBit(soUseTabCharacter));
  EXPECT_FALSE(s.HasOption(soUseTabCharacter));
  EXPECT_TRUE(s.HasOption(soSmartTab));
}

TEST(Settings, ScriptWindowSettings) {
  TMemoSource s;
  ApplyScriptStoreSettings(s);
  EXPECT_EQ(s.Options(), OptionBit(soForceCutCopy) | OptionBit(soAutoIndent) |
                             OptionBit(soSmartTab) | OptionBit(soOverwriteBlocks));
  EXPECT_TRUE(s.ReadOnly());
  EXPECT_EQ(s.SpacesInTab(), 2);
  EXPECT_EQ(s.TabStop(2), 6);
  EXPECT_FALSE(s.Modified());
}

// ---- saving, loading, colouring ---------------------------------------------------

TEST(Saving, BreaksFollowOutFormatAndReadOnlyLinesCanBeLeftOut) {
  TMemoSource s;
  s.Lines().SetText(u"one\r\nz\u00e4hl\r\nthree");
  const std::pair<TOutFormatType, std::string> formats[] = {
      {TOutFormatType::ofWindows, "one\r\nz\xc3\xa4hl\r\nthree\r\n"},
      {TOutFormatType::ofMac, "one\rz\xc3\xa4hl\rthree\r"},
      {TOutFormatType::ofUnix, "one\nz\xc3\xa4hl\nthree\n"},
  };
  for (const auto& [format, expected] : formats) {
    s.SetOutFormat(format);
    std::ostringstream out;
    s.Lines().SaveToStream(out);
    EXPECT_EQ(out.str(), expected);
  }
  s.SetOutFormat(TOutFormatType::ofUnix);
  const_cast<TStringItem&>(s.InternalLines().Item(1)).Flags |= TStringItem::LineReadOnly;
  s.SetOptions(s.Options() | OptionBit(soExcludeReadOnlyLines));
  std::ostringstream out;
  s.Lines().SaveToStream(out);
  EXPECT_EQ(out.str(), "one\nthree\n");
}

TEST(Saving, LoadSplitsLikeSetTextAndAssignClearsUndo) {
  TMemoSource s;
  std::istringstream in("a\r\n\tb\nc\r\n");
  s.Lines().LoadFromStream(in);
  EXPECT_EQ(LinesOf(s), (std::vector<std::u16string>{u"a", u"        b", u"c"}));
  s.UndoList().Add({});
  s.Lines().Assign({u"x", u"y"});
  EXPECT_EQ(LinesOf(s), (std::vector<std::u16string>{u"x", u"y"}));
  EXPECT_EQ(s.UndoList().Count(), 0);
  EXPECT_EQ(s.Caret(), (TPosition{0, 0}));
}

struct CountingParser : TMemoParser {
  int calls = 0;
  void ColorLine(std::u16string_view line, std::uint32_t start, std::string& colors,
                 std::uint32_t& end) override {
    ++calls;
    colors.assign(line.size(), static_cast<char>(3));
    end = start + static_cast<std::uint32_t>(line.size());
  }
};

TEST(Coloring, OnDemandWithLookAheadAndRedoneAfterAChange) {
  TMemoSource s;
  CountingParser p;
  s.Lines().SetText(u"a\r\nbb\r\nccc\r\ndddd");
  s.SetSyntaxParser(&p);
  EXPECT_EQ(s.ColoringFrontier(), 0);
  EXPECT_EQ(s.ColorData(2), std::string(3, '\3'));
  EXPECT_EQ(p.calls, 4);  // the asked line and up to a hundred more
  EXPECT_EQ(s.ColoringFrontier(), 4);
  EXPECT_EQ(s.InternalLines().Item(2).StartState, 3u);
  s.ColorData(1);
  EXPECT_EQ(p.calls, 4);
  s.Lines().Put(1, u"xy");  // same end state: only the changed line again
  EXPECT_EQ(s.ColoringFrontier(), 1);
  s.ColorData(2);
  EXPECT_EQ(p.calls, 5);
  s.Lines().Put(1, u"x");  // new end state: the later lines follow
  s.ColorData(2);
  EXPECT_EQ(p.calls, 8);
  EXPECT_EQ(s.InternalLines().Item(2).StartState, 2u);
  Recorder r;
  s.Attach(&r);
  r.changes.clear();
  s.SetSyntaxParser(nullptr);
  ASSERT_EQ(r.changes.size(), 1u);
  EXPECT_TRUE(r.changes[0].Flags & change_flag::ColorReset);
  EXPECT_EQ(r.changes[0].LastLine, 3);
  EXPECT_EQ(s.ColorData(0), std::string(1, '\0'));
  s.Detach(&r);
}

TEST(InternalList, GrowsByHalfOrSixtyFourAndClearFreesEverything) {
  TMemoSource s;
  s.Lines().Add(u"x");
  EXPECT_EQ(s.InternalLines().Capacity(), 64u);
  for (int i = 1; i < 65; ++i) s.Lines().Add(u"x");
  EXPECT_EQ(s.InternalLines().Capacity(), 128u);
  for (int i = 65; i < 129; ++i) s.Lines().Add(u"x");
  EXPECT_EQ(s.InternalLines().Capacity(), 192u);
  s.Lines().Clear();
  EXPECT_EQ(s.InternalLines().Capacity(), 0u);
}

TEST(TextConvert, RoundTripsAndReplacesMalformedBytes) {
  const std::string text = "a\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80z";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  EXPECT_EQ(Utf8ToUtf16("\xc3\xa4").size(), 1u);
  EXPECT_EQ(Utf8ToUtf16("\xf0\x9f\x98\x80").size(), 2u);
  EXPECT_EQ(Utf8ToUtf16("a\xff" "b"), u"a\ufffdb");
  EXPECT_EQ(Utf8ToUtf16("\xc3"), u"\ufffd");
  EXPECT_EQ(Utf8ToUtf16("\xc0\x80"), u"\ufffd\ufffd");  // overlong NUL
}

}  // namespace
}  // namespace tarlow
