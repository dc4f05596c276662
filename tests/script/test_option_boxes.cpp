// The option interlocks and the object list's Select All and Space rules.
#include "script/option_boxes.h"

#include <gtest/gtest.h>

#include <clocale>
#include <vector>

#include "script/object_list.h"

namespace tarlow {
namespace {

using B = OptionBox;

// The boxes "All" governs.
const std::vector<B> kAllBoxes = {
    B::Tables,         B::Indexes,           B::Triggers,          B::Sequences,
    B::DropSeq,        B::Views,             B::Functions,         B::Procedures,
    B::Comments,       B::CreateTabComments, B::CreateColComments, B::ColConstraints,
    B::PriConstraints, B::ForConstraints,    B::DropTables,        B::OrphanSQL,
    B::ChkConstraints, B::CascConstraints,   B::Defaults,          B::Packages,
};

TEST(OptionBoxes, InitialStatesAreTheWindows) {
  OptionBoxes o;
  for (const auto& info : OptionBoxTable()) {
    EXPECT_EQ(o.Checked(info.Box), info.Checked) << info.Control;
    EXPECT_EQ(o.Enabled(info.Box), info.Enabled) << info.Control;
  }
  EXPECT_FALSE(o.Enabled(B::CascConstraints));
  EXPECT_TRUE(o.Checked(B::DropSeq));
  EXPECT_FALSE(o.Checked(B::Data));
}

TEST(OptionBoxes, AllTicksEverythingButDataAndClearingItClearsData) {
  for (bool dataBefore : {false, true}) {
    OptionBoxes o;
    o.SetChecked(B::TableSpace, false);
    o.SetChecked(B::Data, dataBefore);
    o.SetChecked(B::All, true);
    for (B b : kAllBoxes) EXPECT_TRUE(o.Checked(b)) << OptionBoxInfoOf(b).Control;
    EXPECT_TRUE(o.Checked(B::TableSpace));
    EXPECT_TRUE(o.Enabled(B::CascConstraints));
    EXPECT_TRUE(o.Enabled(B::DropSeq));
    EXPECT_EQ(o.Checked(B::Data), dataBefore);

    o.SetChecked(B::All, false);
    for (B b : kAllBoxes) EXPECT_FALSE(o.Checked(b)) << OptionBoxInfoOf(b).Control;
    EXPECT_FALSE(o.Enabled(B::CascConstraints));
    EXPECT_FALSE(o.Enabled(B::DropSeq));
    EXPECT_FALSE(o.Checked(B::Data));
    EXPECT_TRUE(o.Checked(B::TableSpace));
  }
}

TEST(OptionBoxes, SingleBoxInterlocks) {
  OptionBoxes o;
  o.SetChecked(B::Sequences, false);
  EXPECT_FALSE(o.Checked(B::DropSeq));
  EXPECT_FALSE(o.Enabled(B::DropSeq));
  o.SetChecked(B::Sequences, true);
  EXPECT_TRUE(o.Enabled(B::DropSeq));
  EXPECT_FALSE(o.Checked(B::DropSeq));

  o.SetChecked(B::DropTables, true);
  EXPECT_TRUE(o.Enabled(B::CascConstraints));
  o.SetChecked(B::CascConstraints, true);
  o.SetChecked(B::DropTables, false);
  EXPECT_FALSE(o.Checked(B::CascConstraints));
  EXPECT_FALSE(o.Enabled(B::CascConstraints));

  // Comments ticks Tables, which ticks TableSpaces; clearing changes nothing else.
  o.SetChecked(B::Comments, false);
  o.SetChecked(B::Tables, false);
  o.SetChecked(B::TableSpace, false);
  EXPECT_FALSE(o.Checked(B::Comments));
  o.SetChecked(B::Comments, true);
  EXPECT_TRUE(o.Checked(B::Tables));
  EXPECT_TRUE(o.Checked(B::TableSpace));
  o.SetChecked(B::TableSpace, false);
  o.SetChecked(B::Indexes, false);
  o.SetChecked(B::Indexes, true);
  EXPECT_TRUE(o.Checked(B::TableSpace));
}

TEST(OptionBoxes, ChangesAreReportedOnceAndSameStateRunsNothing) {
  OptionBoxes o;
  std::vector<B> changes;
  o.OnChange = [&](B b) { changes.push_back(b); };
  o.SetChecked(B::Tables, true);  // already ticked
  EXPECT_TRUE(changes.empty());
  o.SetChecked(B::Sequences, false);
  EXPECT_EQ(changes, (std::vector<B>{B::Sequences, B::DropSeq, B::DropSeq}));
}

TEST(OptionBoxes, CommandLineNames) {
  for (const auto& info : OptionBoxTable()) {
    if (info.Box == B::All) {
      EXPECT_FALSE(OptionBoxByName("all"));
      continue;
    }
    ASSERT_TRUE(OptionBoxByName(info.Option)) << info.Option;
    EXPECT_EQ(*OptionBoxByName(info.Option), info.Box);
  }
  EXPECT_FALSE(OptionBoxByName("Tables"));
  EXPECT_FALSE(OptionBoxByName(""));
}

// ---- object list ------------------------------------------------------------

TEST(ObjectList, SortedCaseSensitivelyInTheProcessLocale) {
  std::setlocale(LC_COLLATE, "C");
  ObjectList l;
  for (const char* name : {"b", "B", "A", "a", "B"}) l.Add(name);
  std::vector<std::string> got;
  for (int i = 0; i < l.Count(); ++i) got.push_back(l.Caption(i));
  EXPECT_EQ(got, (std::vector<std::string>{"A", "B", "B", "a", "b"}));
  EXPECT_EQ(l.IndexOf("a"), 3);
  EXPECT_EQ(l.IndexOf("c"), -1);
}

TEST(ObjectList, SelectAllAndSpace) {
  ObjectList l;
  l.SelectAll(true);  // empty: nothing happens
  EXPECT_FALSE(l.KeyPress(' '));  // no item selected
  for (const char* name : {"T1", "T2", "T3"}) l.Add(name);
  l.SelectFirst();
  EXPECT_EQ(l.Selected(), 0);
  EXPECT_FALSE(l.KeyPress('x'));

  EXPECT_TRUE(l.KeyPress(' '));
  EXPECT_TRUE(l.Ticked(0));
  EXPECT_EQ(l.Selected(), 1);
  l.SetSelected(2);
  EXPECT_TRUE(l.KeyPress(' '));
  EXPECT_TRUE(l.Ticked(2));
  EXPECT_EQ(l.Selected(), 2);  // the last item keeps the selection
  EXPECT_TRUE(l.KeyPress(' '));
  EXPECT_FALSE(l.Ticked(2));

  l.SelectAll(true);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(l.Ticked(i));
  l.SelectAll(false);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(l.Ticked(i));
}

}  // namespace
}  // namespace tarlow
