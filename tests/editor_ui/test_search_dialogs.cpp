// The Find Text and Replace Text dialogs through the view's commands, their
// histories, and the ini file the options and histories live in.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "editor/ui/editor_settings_file.h"
#include "editor/ui/search_dialogs.h"
#include "view_fixture.h"

using tarlow::TPosition;
using tarlow::TSearchDialog;

namespace {

class SearchDialogs : public ViewFixture {
 protected:
  void SetUp() override {
    ViewFixture::SetUp();
    tarlow::TSearchOptions::Shared() = tarlow::TSearchOptions{};
    view->SetEditorSettings(&settings);
    view->SetSearchMessages(&messages);
  }
  // The next dialog is answered by fill, which returns the button.
  void Answer(std::function<int(TSearchDialog&)> fill) {
    view->ExecDialog = [this, fill](QDialog& d) {
      auto* dialog = qobject_cast<TSearchDialog*>(&d);
      EXPECT_NE(dialog, nullptr);
      shownCaption = d.windowTitle();
      return dialog != nullptr ? fill(*dialog) : int(QDialog::Rejected);
    };
  }

  struct Messages : tarlow::TSearchMessages {
    std::vector<std::u16string> shown;
    void Information(const std::u16string& m) override { shown.push_back(m); }
  } messages;
  tarlow::TMemorySettings settings;
  QString shownCaption;
};

TEST_F(SearchDialogs, FindWithOkHighlightsTheMatchAndKeepsTheHistory) {
  SetLines({u"create table emp", u"create index emp_i"});
  Answer([](TSearchDialog& d) {
    d.SearText->setEditText(QStringLiteral("EMP"));
    return int(QDialog::Accepted);
  });
  Key(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(shownCaption, "Find Text");
  EXPECT_EQ(store.MatchHighlight(), (tarlow::TMemoSource::MatchArea{0, 13, 16}));
  EXPECT_EQ(tarlow::TSearchOptions::Shared().TextToFind, u"EMP");

  // F3 goes on to the next one; the caret moving clears nothing else.
  Key(Qt::Key_F3);
  EXPECT_EQ(store.MatchHighlight().Line, 1);

  // The next dialog starts from the history and the options.
  Answer([](TSearchDialog& d) {
    EXPECT_EQ(d.SearText->count(), 1);
    EXPECT_EQ(d.SearText->itemText(0), "EMP");
    EXPECT_EQ(d.SearText->currentText(), "EMP");
    return int(QDialog::Rejected);
  });
  view->ShowFindDialog();
  EXPECT_EQ(settings.ReadString(tarlow::kEditHistoryKey, "SrchDialogSearText").value_or(u"?"), u"EMP\r\n");
}

TEST_F(SearchDialogs, TheControlsShowTheOptions) {
  struct Case {
    tarlow::TSearchDirection direction;
    tarlow::TSearchScope scope;
    tarlow::TSearchOrigin origin;
  };
  using D = tarlow::TSearchDirection;
  using S = tarlow::TSearchScope;
  using O = tarlow::TSearchOrigin;
  for (const Case& c : {Case{D::sdForward, S::ssGlobal, O::soFromCursor},
                        Case{D::sdBackward, S::ssSelectedText, O::soEntireScope}}) {
    tarlow::TSearchOptions o;
    o.TextToFind = u"abc";
    o.Direction = c.direction;
    o.Scope = c.scope;
    o.Origin = c.origin;
    o.WholeWordsOnly = true;
    TSearchDialog d(true, o, &settings);
    EXPECT_EQ(d.SearText->currentText(), "abc");
    EXPECT_TRUE(d.WholeWord->isChecked());
    EXPECT_FALSE(d.CaseSens->isChecked());
    EXPECT_EQ(d.Forward->isChecked(), c.direction == D::sdForward);
    EXPECT_EQ(d.Backward->isChecked(), c.direction == D::sdBackward);
    EXPECT_EQ(d.Global->isChecked(), c.scope == S::ssGlobal);
    EXPECT_EQ(d.Selected->isChecked(), c.scope == S::ssSelectedText);
    EXPECT_EQ(d.FromCursor->isChecked(), c.origin == O::soFromCursor);
    EXPECT_EQ(d.EntireScope->isChecked(), c.origin == O::soEntireScope);
    // Unchanged controls give back the options they showed.
    const tarlow::TSearchOptions back = d.Options();
    EXPECT_EQ(back.Direction, c.direction);
    EXPECT_EQ(back.Scope, c.scope);
    EXPECT_EQ(back.Origin, c.origin);
  }
}

TEST_F(SearchDialogs, CancelSearchesNothingAndKeepsTheOptions) {
  SetLines({u"abc abc"});
  Answer([](TSearchDialog& d) {
    d.SearText->setEditText(QStringLiteral("abc"));
    d.CaseSens->setChecked(true);
    return int(QDialog::Rejected);
  });
  view->ShowFindDialog();
  EXPECT_EQ(store.MatchHighlight().Line, -1);
  EXPECT_TRUE(tarlow::TSearchOptions::Shared().TextToFind.empty());
  EXPECT_FALSE(tarlow::TSearchOptions::Shared().CaseSensitive);
}

TEST_F(SearchDialogs, ReplaceAllAndOkWithTheirOptions) {
  SetLines({u"a.b a.b", u"axb"});
  Answer([](TSearchDialog& d) {
    EXPECT_NE(d.ReplText, nullptr);
    d.SearText->setEditText(QStringLiteral("a.b"));
    d.ReplText->setEditText(QStringLiteral("Z"));
    d.PromptRepl->setChecked(false);
    return TSearchDialog::kReplaceAll;
  });
  Key(Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(shownCaption, "Replace Text");
  EXPECT_EQ(Line(0), u"Z Z");
  EXPECT_EQ(Line(1), u"axb") << "without regular expressions the dot is a dot";
  EXPECT_TRUE(tarlow::TSearchOptions::Shared().ReplaceAll);

  // OK replaces one match; a regular expression and backward direction
  // are read from the controls.
  SetLines({u"a1b a2b"});
  store.SetCaret({0, 7});
  Answer([](TSearchDialog& d) {
    d.SearText->setEditText(QStringLiteral("a.b"));
    d.ReplText->setEditText(QStringLiteral("Q"));
    d.RegExpr->setChecked(true);
    d.Backward->setChecked(true);
    d.FromCursor->setChecked(true);
    return int(QDialog::Accepted);
  });
  view->ShowReplaceDialog();
  EXPECT_EQ(Line(0), u"a1b Q");
  EXPECT_FALSE(tarlow::TSearchOptions::Shared().ReplaceAll);
  EXPECT_EQ(settings.ReadString(tarlow::kEditHistoryKey, "ReplDialogReplText").value_or(u"?"), u"Q\r\nZ\r\n");
}

TEST_F(SearchDialogs, ReplaceOnAReadOnlyScriptChangesNothing) {
  SetLines({u"abc"}, true);
  Answer([](TSearchDialog& d) {
    d.SearText->setEditText(QStringLiteral("abc"));
    d.ReplText->setEditText(QStringLiteral("x"));
    return TSearchDialog::kReplaceAll;
  });
  view->ShowReplaceDialog();
  EXPECT_EQ(Line(0), u"abc");
}

TEST_F(SearchDialogs, GoToLine) {
  std::vector<std::u16string> lines(300, u"x");
  SetLines(lines);
  view->ExecDialog = [](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Go to line Number");
    auto* edit = static_cast<tarlow::TGotoLineDialog&>(d).Edit;
    EXPECT_EQ(edit->text(), "1");
    edit->setText(QStringLiteral("200"));
    return int(QDialog::Accepted);
  };
  Key(Qt::Key_O, Qt::ControlModifier);
  Key(Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(store.Caret(), (TPosition{199, 0}));
  EXPECT_EQ(view->TopLine(), 199 - view->VisibleLines() / 2);

  view->ExecDialog = [](QDialog& d) {
    static_cast<tarlow::TGotoLineDialog&>(d).Edit->setText(QStringLiteral("ten"));
    return int(QDialog::Accepted);
  };
  EXPECT_THROW(view->ShowGotoLineDialog(), std::invalid_argument);
  EXPECT_EQ(store.Caret(), (TPosition{199, 0}));
}

// ------------------------------------------------------------ the ini file

class EditorSettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("tarlow-editor-ini-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
};

TEST_F(EditorSettingsFile, OptionsAndHistoriesRoundTrip) {
  const std::string path = (dir / "Editor.ini").string();
  tarlow::TProfileEditorSettings file(tarlow::ProfileFile(path, "Editor.ini"));
  tarlow::TSearchOptions o;
  o.TextToFind = u"a\\b=c";
  o.CaseSensitive = true;
  o.Direction = tarlow::TSearchDirection::sdBackward;
  o.Save(file);
  tarlow::TEditHistory h;
  h.Add(u"first");
  h.Add(u"sec\\ond");
  h.Save(file, "SrchDialogSearText");

  tarlow::TProfileEditorSettings again(tarlow::ProfileFile(path, "Editor.ini"));
  tarlow::TSearchOptions read;
  read.Load(again);
  EXPECT_EQ(read.TextToFind, u"a\\b=c");
  EXPECT_TRUE(read.CaseSensitive);
  EXPECT_EQ(read.Direction, tarlow::TSearchDirection::sdBackward);
  tarlow::TEditHistory h2;
  h2.Load(again, "SrchDialogSearText");
  EXPECT_EQ(h2.Items(), h.Items());

  std::ifstream in(path);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("[SearchOptions]"), std::string::npos);
  EXPECT_NE(text.find("[EditHistory]"), std::string::npos);
  EXPECT_NE(text.find("SrchDialogSearText="), std::string::npos);
}

TEST_F(EditorSettingsFile, AnUnusableFileNeverStopsTheProgram) {
  // The folder the file should be in is a plain file.
  std::ofstream(dir / "blocker") << "x";
  tarlow::TProfileEditorSettings file(tarlow::ProfileFile((dir / "blocker" / "Editor.ini").string(), "Editor.ini"));
  EXPECT_NO_THROW(file.WriteString(tarlow::kEditHistoryKey, "X", u"y"));
  EXPECT_NO_THROW(file.WriteInteger(tarlow::kSearchOptionsKey, "CaseSensitive", 1));
  EXPECT_FALSE(file.ReadString(tarlow::kEditHistoryKey, "X").has_value());
  tarlow::TSearchOptions o;
  EXPECT_NO_THROW(o.Load(file));
  EXPECT_NO_THROW(o.Save(file));
}

}  // namespace
