// Find, Replace, Replace All and SearchAgain on the store: scope and origin,
// direction, whole words, case, patterns stepping through lines, the
// errors and messages, prompts, undo of a run, and the options and
// histories kept in the settings store.
#include <gtest/gtest.h>

#include "editor/memo_source.h"
#include "editor/search_options.h"
#include "editor/text_convert.h"

namespace tarlow {
namespace {

using Lines = std::vector<std::u16string>;

Lines LinesOf(const TMemoSource& s) {
  Lines out;
  for (int i = 0; i < s.Lines().Count(); ++i) out.push_back(s.Lines().Get(i));
  return out;
}

struct Messages : TSearchMessages {
  std::vector<std::u16string> infos;
  std::vector<std::u16string> prompts;
  std::vector<std::u16string> exceptions;
  std::vector<TReplaceAnswer> answers;
  bool handle = false;
  bool SearchException(const std::u16string& m) override {
    exceptions.push_back(m);
    return handle;
  }
  void Information(const std::u16string& m) override { infos.push_back(m); }
  TReplaceAnswer ConfirmReplace(const std::u16string& m) override {
    prompts.push_back(m);
    if (prompts.size() > answers.size()) return TReplaceAnswer::Yes;
    return answers[prompts.size() - 1];
  }
};

// The script store with its lines, the caret placed while it is still
// read-only; editable when asked.
struct Store {
  TMemoSource s;
  Messages m;
  TSearchOptions o;
  Store(const Lines& lines, bool editable, TPosition caret = {}) {
    ApplyScriptStoreSettings(s);
    for (const auto& l : lines) s.Lines().Add(l);
    s.SetCaret(caret);
    s.SetReadOnly(!editable);
    s.SetSearchMessages(&m);
  }
  TSearchOptions& Text(std::u16string t) {
    o.TextToFind = std::move(t);
    return o;
  }
};

TEST(Find, EntireScopeThenAgainFromTheMatch) {
  Store st({u"a x", u"b x", u"c x"}, false, {2, 0});
  ASSERT_TRUE(st.s.FindFromDialog(st.Text(u"x")));
  EXPECT_EQ(st.s.Caret(), (TPosition{0, 3}));
  EXPECT_EQ(st.s.MatchHighlight(), (TMemoSource::MatchArea{0, 2, 3}));
  st.s.SearchAgain(st.o);
  EXPECT_EQ(st.s.Caret(), (TPosition{1, 3}));
  EXPECT_EQ(st.s.MatchHighlight(), (TMemoSource::MatchArea{1, 2, 3}));
}

TEST(Find, FromTheCursor) {
  Store st({u"x a x", u"b x"}, false, {0, 1});
  st.o.Origin = TSearchOrigin::soFromCursor;
  ASSERT_TRUE(st.s.FindFromDialog(st.Text(u"x")));
  EXPECT_EQ(st.s.Caret(), (TPosition{0, 5}));
  st.s.SearchAgain(st.o);
  EXPECT_EQ(st.s.Caret(), (TPosition{1, 3}));
  st.s.SearchAgain(st.o);  // no more: reported, caret stays
  EXPECT_EQ(st.s.Caret(), (TPosition{1, 3}));
  ASSERT_EQ(st.m.infos.size(), 1u);
  EXPECT_EQ(st.m.infos[0], u"Search string 'x' not found");
}

TEST(Find, BackwardsPutsTheCaretAtTheMatch) {
  Store st({u"x a x", u"b x"}, false);
  st.o.Direction = TSearchDirection::sdBackward;
  ASSERT_TRUE(st.s.FindFromDialog(st.Text(u"x")));
  EXPECT_EQ(st.s.Caret(), (TPosition{1, 2}));
  st.s.SearchAgain(st.o);
  EXPECT_EQ(st.s.Caret(), (TPosition{0, 4}));
  st.s.SearchAgain(st.o);
  EXPECT_EQ(st.s.Caret(), (TPosition{0, 0}));
  EXPECT_FALSE(st.s.Find(st.o));
}

TEST(Find, WholeWordsTakePunctuationAsPartOfTheWord) {
  Store st({u"EMP, EMP_ID EMP(1) EMP"}, false);
  st.o.WholeWordsOnly = true;
  ASSERT_TRUE(st.s.FindFromDialog(st.Text(u"emp")));
  EXPECT_EQ(st.s.MatchHighlight(), (TMemoSource::MatchArea{0, 19, 22}));
  st.o.Direction = TSearchDirection::sdBackward;
  st.s.SetCaret({0, 18});
  EXPECT_FALSE(st.s.Find(st.o));
}

TEST(Find, ABlankInTheTextSwitchesWholeWordsOff) {
  Store st({u"ax yb"}, false);
  st.o.WholeWordsOnly = true;
  ASSERT_TRUE(st.s.FindFromDialog(st.Text(u"x y")));
  EXPECT_EQ(st.s.MatchHighlight(), (TMemoSource::MatchArea{0, 1, 4}));
  EXPECT_FALSE(st.o.WholeWordsOnly);
}

TEST(Find, CaseAndTrailingBlanks) {
  Store st({u"SELECT select", u"abc   "}, false);
  ASSERT_TRUE(st.s.FindFromDialog(st.Text(u"select")));
  EXPECT_EQ(st.s.MatchHighlight().FirstCol, 0);
  st.o.CaseSensitive = true;
  ASSERT_TRUE(st.s.FindFromDialog(st.Text(u"select")));
  EXPECT_EQ(st.s.MatchHighlight().FirstCol, 7);
  EXPECT_FALSE(st.s.FindFromDialog(st.Text(u"c ")));  // a line is searched without its trailing blanks
}

TEST(Find, TheHighlightGoesWithTheNextCaretMove) {
  Store st({u"abc", u"def"}, false);
  ASSERT_TRUE(st.s.FindFromDialog(st.Text(u"b")));
  EXPECT_EQ(st.s.MatchHighlight().Line, 0);
  st.s.MoveCaretBy(1, 0);
  EXPECT_EQ(st.s.MatchHighlight().Line, -1);
}

TEST(Find, SelectedTextScope) {
  Store st({u"x x x", u"x"}, false, {0, 2});
  st.s.SetSelection(kSelStream, {0, 1}, {0, 4});
  st.s.SetCaret({0, 2});
  st.s.SetSelection(kSelStream, {0, 1}, {0, 4});
  st.s.PrepareSearchOptions(st.o);
  EXPECT_EQ(st.o.Scope, TSearchScope::ssSelectedText);
  ASSERT_TRUE(st.s.FindFromDialog(st.Text(u"x")));
  EXPECT_EQ(st.s.MatchHighlight(), (TMemoSource::MatchArea{0, 2, 3}));
  EXPECT_EQ(st.s.SelectionKind(), kSelStream);  // a find keeps the selection
  st.s.SearchAgain(st.o);
  EXPECT_EQ(st.m.infos.size(), 1u);  // only inside the selection
}

TEST(Find, GlobalScopeLooksBeyondASelection) {
  Store st({u"a x", u"b x"}, false);
  st.s.SetSelection(kSelStream, {0, 0}, {0, 1});
  st.o.Scope = TSearchScope::ssGlobal;
  ASSERT_TRUE(st.s.FindFromDialog(st.Text(u"x")));
  EXPECT_EQ(st.s.MatchHighlight(), (TMemoSource::MatchArea{0, 2, 3}));
}

TEST(Find, SelectedTextScopeErrors) {
  {
    Store st({u"x"}, false);
    st.o.Scope = TSearchScope::ssSelectedText;
    try {
      st.s.FindFromDialog(st.Text(u"x"));
      ADD_FAILURE() << "no error";
    } catch (const ESearchError& e) {
      EXPECT_STREQ(e.what(), "Tried to search marked block but it is invalid");
    }
    st.m.handle = true;  // the store's handler takes it: nothing raised
    EXPECT_FALSE(st.s.FindFromDialog(st.Text(u"x")));
    EXPECT_EQ(st.m.exceptions.size(), 2u);
  }
  {
    Store st({u"x y", u"x"}, false, {1, 0});
    st.s.SetSelection(kSelStream, {0, 0}, {0, 3});
    st.o.Scope = TSearchScope::ssSelectedText;
    st.o.Origin = TSearchOrigin::soFromCursor;
    EXPECT_THROW(st.s.FindFromDialog(st.Text(u"x")), ESearchError);
    EXPECT_EQ(st.m.exceptions.back(), u"Tried to search marked block from cursor but cursor is outside block");
  }
}

TEST(Find, MessagesDoubleAmpersandsAndPatternErrorsAreShownOnce) {
  Store st({u"abc"}, false);
  st.o.ShowNotFound = true;
  EXPECT_FALSE(st.s.FindFromDialog(st.Text(u"a&b")));
  ASSERT_EQ(st.m.infos.size(), 1u);
  EXPECT_EQ(st.m.infos[0], u"Search string 'a&&b' not found");
  st.o.RegularExpr = true;
  EXPECT_FALSE(st.s.FindFromDialog(st.Text(u"[")));
  ASSERT_EQ(st.m.infos.size(), 2u);
  EXPECT_EQ(st.m.infos[1], u"[ is invalid mask at (2)");
}

TEST(Find, AnchorsStepThroughTheLines) {
  struct Case {
    const char* pattern;
    TSearchDirection direction;
    std::vector<TMemoSource::MatchArea> matches;
  };
  const Case cases[] = {
      {"^", TSearchDirection::sdForward, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}},
      {"$", TSearchDirection::sdForward, {{0, 2, 2}, {1, 0, 0}, {2, 1, 1}}},
      {"^", TSearchDirection::sdBackward, {{2, 0, 0}, {1, 0, 0}, {0, 0, 0}}},
      {"$", TSearchDirection::sdBackward, {{2, 1, 1}, {1, 0, 0}, {0, 2, 2}}},
      {"^$", TSearchDirection::sdForward, {{1, 0, 0}}},
      {"x*", TSearchDirection::sdForward, {{0, 0, 0}, {0, 1, 1}, {2, 0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + (c.direction == TSearchDirection::sdForward ? " forward" : " backward"));
    Store st({u"ab", u"", u"c"}, false);
    st.o.RegularExpr = true;
    st.o.Direction = c.direction;
    st.o.TextToFind = Utf8ToUtf16(c.pattern);
    bool found = st.s.FindFromDialog(st.o);
    for (const auto& expected : c.matches) {
      ASSERT_TRUE(found);
      EXPECT_EQ(st.s.MatchHighlight(), expected);
      found = st.s.Find(st.o);
    }
    if (std::string(c.pattern) != "x*") {
      EXPECT_FALSE(found);
    }
  }
}

// ---- replace --------------------------------------------------------------------------

TEST(Replace, AllWithoutPromptIsOneUndoStep) {
  Store st({u"EMP x EMP", u"y", u"EMP"}, true);
  st.o.ReplaceAll = true;
  st.o.ReplaceWith = u"DEPT";
  EXPECT_TRUE(st.s.ReplaceFromDialog(st.Text(u"EMP")));
  EXPECT_EQ(LinesOf(st.s), (Lines{u"DEPT x DEPT", u"y", u"DEPT"}));
  EXPECT_TRUE(st.m.prompts.empty());
  EXPECT_TRUE(st.m.infos.empty());  // the end of the matches is not reported
  EXPECT_FALSE(st.o.ShowNotFound);
  st.s.Undo();
  EXPECT_EQ(LinesOf(st.s), (Lines{u"EMP x EMP", u"y", u"EMP"}));
}

TEST(Replace, PromptAnswers) {
  {
    Store st({u"a a a"}, true);
    st.o.PromptOnReplace = true;
    st.o.ReplaceWith = u"b";
    st.m.answers = {TReplaceAnswer::No};
    EXPECT_TRUE(st.s.ReplaceFromDialog(st.Text(u"a")));
    EXPECT_EQ(LinesOf(st.s), (Lines{u"a a a"}));
    EXPECT_EQ(st.m.prompts[0], u"Replace this occurence of 'a'?");
    st.m.answers = {TReplaceAnswer::No, TReplaceAnswer::Yes};
    st.s.SearchAgain(st.o);  // replaces again: the last dialog was Replace
    EXPECT_EQ(LinesOf(st.s), (Lines{u"a b a"}));
  }
  {
    Store st({u"a a a", u"a"}, true);
    st.o.PromptOnReplace = true;
    st.o.ReplaceWith = u"b";
    st.m.answers = {TReplaceAnswer::No, TReplaceAnswer::All};
    st.s.ReplaceFromDialog(st.Text(u"a"));
    st.o.ReplaceAll = false;
    st.s.SearchAgain(st.o);  // the second occurrence: All
    EXPECT_EQ(LinesOf(st.s), (Lines{u"a b b", u"b"}));
    EXPECT_EQ(st.m.prompts.size(), 2u);
    EXPECT_FALSE(st.o.PromptOnReplace);
    EXPECT_TRUE(st.o.ReplaceAll);
    st.s.Undo();  // everything after All went in one step
    EXPECT_EQ(LinesOf(st.s), (Lines{u"a a a", u"a"}));
  }
  {
    Store st({u"a a"}, true);
    st.o.PromptOnReplace = true;
    st.o.ReplaceAll = true;
    st.o.ReplaceWith = u"b";
    st.m.answers = {TReplaceAnswer::Yes, TReplaceAnswer::Cancel};
    EXPECT_TRUE(st.s.ReplaceFromDialog(st.Text(u"a")));
    EXPECT_EQ(LinesOf(st.s), (Lines{u"b a"}));
    st.s.Undo();  // the caret move of the cancelled search
    EXPECT_EQ(LinesOf(st.s), (Lines{u"b a"}));
    st.s.Undo();  // prompted replacements undo one at a time
    EXPECT_EQ(LinesOf(st.s), (Lines{u"a a"}));
  }
}

TEST(Replace, ReadOnlyChangesNothing) {
  Store st({u"a"}, false);
  st.o.ReplaceAll = true;
  st.o.ReplaceWith = u"b";
  EXPECT_FALSE(st.s.ReplaceFromDialog(st.Text(u"a")));
  EXPECT_EQ(LinesOf(st.s), (Lines{u"a"}));
}

// Replace All always ends, whatever the replacement and the matches.
TEST(Replace, AllAlwaysEnds) {
  struct Case {
    const char* name;
    Lines before;
    const char* find;
    const char* with;
    bool regular;
    TSearchDirection direction;
    Lines after;
  };
  const auto fwd = TSearchDirection::sdForward;
  const auto back = TSearchDirection::sdBackward;
  const Case cases[] = {
      {"ReplacementHoldsTheText", {u"aba", u"a"}, "a", "aa", false, fwd, {u"aabaa", u"aa"}},
      {"ReplacementHoldsTheTextBackwards", {u"aa"}, "a", "aa", false, back, {u"aaaa"}},
      {"EmptyPatternMatch", {u"ab"}, "x*", "-", true, fwd, {u"-a-b"}},
      {"EmptyPatternMatchBackwards", {u"ab"}, "x*", "-", true, back, {u"-a-b"}},
      {"EmptyMatchReplacedByNothing", {u"ab", u"c"}, "x*", "", true, fwd, {u"ab", u"c"}},
      {"LineEnds", {u"a", u"bc"}, "$", ";", true, fwd, {u"a;", u"bc;"}},
      {"LineStarts", {u"ab", u"", u"c"}, "^", ">", true, fwd, {u">ab", u">", u">c"}},
      {"MatchAtTheVeryEnd", {u"x", u"yx"}, "x", "xx", false, fwd, {u"xx", u"yxx"}},
      {"DotAtTheEndOfALine", {u"ab"}, "b.", "b.", true, fwd, {u"ab."}},
      {"DeletingEveryMatch", {u"abab"}, "ab", "", false, fwd, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Store st(c.before, true);
    st.o.RegularExpr = c.regular;
    st.o.Direction = c.direction;
    st.o.ReplaceAll = true;
    st.o.ReplaceWith = Utf8ToUtf16(c.with);
    st.s.ReplaceFromDialog(st.Text(Utf8ToUtf16(c.find)));
    EXPECT_EQ(LinesOf(st.s), c.after);
  }
}

// ---- options and histories -------------------------------------------------------------

TEST(SearchSettings, OptionsRoundTripAndTheSharedObjectStartsFromTheWholeScope) {
  TMemorySettings settings;
  TSearchOptions o;
  o.TextToFind = u"EMP";
  o.ReplaceWith = u"DEPT";
  o.CaseSensitive = true;
  o.Direction = TSearchDirection::sdBackward;
  o.Origin = TSearchOrigin::soFromCursor;
  o.Save(settings);
  EXPECT_EQ(settings.ReadInteger("SearchOptions\\", "Direction"), 1);
  TSearchOptions back;
  back.Load(settings);
  EXPECT_EQ(back.TextToFind, u"EMP");
  EXPECT_EQ(back.ReplaceWith, u"DEPT");
  EXPECT_TRUE(back.CaseSensitive);
  EXPECT_EQ(back.Direction, TSearchDirection::sdBackward);
  EXPECT_EQ(back.Origin, TSearchOrigin::soFromCursor);

  TSearchOptions::UseSettings(&settings);
  TSearchOptions& shared = TSearchOptions::Shared();
  EXPECT_EQ(shared.TextToFind, u"EMP");
  EXPECT_EQ(shared.Origin, TSearchOrigin::soEntireScope);
  shared.TextToFind = u"NEW";
  TSearchOptions::SaveShared();
  EXPECT_EQ(settings.ReadString("SearchOptions\\", "TextToFind"), u"NEW");
  TSearchOptions::UseSettings(nullptr);
}

TEST(SearchSettings, Histories) {
  EXPECT_EQ(TEditHistory::ValueName("SrchDialog", "SearText"), "SrchDialogSearText");
  EXPECT_EQ(TEditHistory::ValueName("ReplDialog", "ReplText", "Mine"), "Mine");
  EXPECT_EQ(TEditHistory::ValueName("", ""), "Default");
  TEditHistory h;
  h.Add(u"select");
  h.Add(u"from");
  h.Add(u"SELECT");
  h.Add(u"");
  EXPECT_EQ(h.Items(), (std::vector<std::u16string>{u"SELECT", u"from"}));
  TMemorySettings settings;
  h.Save(settings, "SrchDialogSearText");
  EXPECT_EQ(settings.ReadString("EditHistory\\", "SrchDialogSearText"), u"SELECT\r\nfrom\r\n");
  TEditHistory loaded;
  loaded.Add(u"design time");
  loaded.Load(settings, "SrchDialogSearText");
  EXPECT_EQ(loaded.Items(), h.Items());
  loaded.Load(settings, "Nothing");
  EXPECT_TRUE(loaded.Items().empty());
}

TEST(SearchAgain, DoesNothingRightAfterADialogSetFirstSearch) {
  Store st({u"x x"}, false);
  st.o.TextToFind = u"x";
  st.o.FirstSearch = true;
  st.s.SearchAgain(st.o);
  EXPECT_EQ(st.s.MatchHighlight().Line, -1);
  EXPECT_TRUE(st.o.ShowNotFound);
}

}  // namespace
}  // namespace tarlow
