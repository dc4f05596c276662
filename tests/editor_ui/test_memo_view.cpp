// The view: painting in fixed cells, the key table with its prefixes, focus
// keys, read-only refusals and the mouse.
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QPalette>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWidget>
#include <set>

#include "view_fixture.h"

using tarlow::TPosition;

namespace {

// ------------------------------------------------------------------ painting

class ViewPaint : public ViewFixture {
 protected:
  QImage Grab() {
    view->Flush();
    return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  // Every colour found in one cell.
  std::set<QRgb> CellColors(const QImage& img, TPosition p) {
    std::set<QRgb> colors;
    const QRect r = view->CellRect(p).intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) colors.insert(img.pixel(x, y) & 0xFFFFFF);
    return colors;
  }
  static QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b) & 0xFFFFFF; }
};

TEST_F(ViewPaint, EachCellShowsItsCharacterInItsStyleOnWhite) {
  view->clearFocus();  // no caret in the cells
  SetLines({u"SELECT 'abc', 12 -- note", u"x"});
  const QImage img = Grab();
  const QRgb white = Rgb(255, 255, 255), black = Rgb(0, 0, 0);
  struct Expect {
    int col;
    QRgb fore;
    const char* what;
  };
  const Expect cells[] = {
      {0, Rgb(0, 0, 255), "reserved word"}, {5, Rgb(0, 0, 255), "reserved word"},
      {7, Rgb(255, 0, 0), "string quote"},  {9, Rgb(255, 0, 0), "string"},
      {12, black, "delimiter"},            {14, Rgb(255, 0, 0), "number"},
      {15, Rgb(255, 0, 0), "number"},      {17, Rgb(128, 128, 128), "comment"},
      {21, Rgb(128, 128, 128), "comment"},
  };
  for (const Expect& e : cells) {
    const std::set<QRgb> colors = CellColors(img, {0, e.col});
    EXPECT_EQ(colors, (std::set<QRgb>{e.fore, white})) << e.what << " at column " << e.col;
  }
  EXPECT_EQ(CellColors(img, {0, 6}), std::set<QRgb>{white}) << "a blank";
  EXPECT_EQ(CellColors(img, {0, 30}), std::set<QRgb>{white}) << "after the line end";
  EXPECT_EQ(CellColors(img, {1, 0}), (std::set<QRgb>{black, white})) << "a name";
}

TEST_F(ViewPaint, NumbersAreBold) {
  view->clearFocus();
  SetLines({u"1", u"'1'"});  // the same digit as a number and in a string
  const QImage img = Grab();
  auto ink = [&](TPosition p) {
    int n = 0;
    const QRect r = view->CellRect(p);
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == Rgb(255, 0, 0);
    return n;
  };
  EXPECT_GT(ink({0, 0}), ink({1, 1}));
}

TEST_F(ViewPaint, SelectionsAndTheMatchUseTheirColours) {
  view->clearFocus();
  SetLines({u"abc", u"defgh", u"ij"});
  const QPalette pal = view->palette();
  const QRgb selBack = pal.color(QPalette::Active, QPalette::Highlight).rgb() & 0xFFFFFF;
  const QRgb white = Rgb(255, 255, 255);

  // A stream selection from (0,1) to (1,2): the rest of line 0 up to the
  // right edge, and line 1 up to column 2.
  store.SetSelection(tarlow::kSelStream, {0, 1}, {1, 2});
  QImage img = Grab();
  EXPECT_EQ(CellColors(img, {0, 0}).count(selBack), 0u);
  EXPECT_EQ(CellColors(img, {0, 2}).count(selBack), 1u);
  EXPECT_EQ(CellColors(img, {0, 20}), std::set<QRgb>{selBack}) << "beyond the end of a continued line";
  EXPECT_EQ(CellColors(img, {1, 1}).count(selBack), 1u);
  EXPECT_EQ(CellColors(img, {1, 2}).count(selBack), 0u);
  EXPECT_EQ(CellColors(img, {1, 20}), std::set<QRgb>{white});

  // A block selection: columns 1 to 3 of lines 0 to 2, also past line ends.
  store.SetSelection(tarlow::kSelBlock, {0, 1}, {2, 4});
  img = Grab();
  for (int line = 0; line <= 2; ++line) {
    EXPECT_EQ(CellColors(img, {line, 0}).count(selBack), 0u) << line;
    EXPECT_EQ(CellColors(img, {line, 3}).count(selBack), 1u) << line;
    EXPECT_EQ(CellColors(img, {line, 4}).count(selBack), 0u) << line;
  }

  store.SetSelection(tarlow::kSelNone, {}, {});
  store.SetMatchHighlight({1, 1, 3});
  img = Grab();
  const QRgb windowText = pal.color(QPalette::Active, QPalette::WindowText).rgb() & 0xFFFFFF;
  EXPECT_EQ(CellColors(img, {1, 1}), (std::set<QRgb>{Rgb(0, 255, 0), windowText}));
  EXPECT_EQ(CellColors(img, {1, 3}).count(Rgb(0, 255, 0)), 0u);
}

TEST_F(ViewPaint, OnlyTheVisibleLinesAreColoured) {
  std::vector<std::u16string> lines(100000, u"SELECT 1 FROM DUAL;");
  SetLines(lines);
  Grab();
  EXPECT_LT(store.ColoringFrontier(), 200);
  view->SetTopLine(50000);
  Grab();
  EXPECT_LT(store.ColoringFrontier(), 50200);
  EXPECT_EQ(view->verticalScrollBar()->maximum(), 99999);
}

// ------------------------------------------------------------------- keys

class ViewKeys : public ViewFixture {};

TEST_F(ViewKeys, PrefixKeys) {
  SetLines({u"abc def", u"ghi"});
  // Ctrl+K B: the block begins at the caret.
  store.SetCaret({0, 4});
  Key(Qt::Key_K, Qt::ControlModifier);
  EXPECT_EQ(view->PrefixState(), 1);
  Key(Qt::Key_B);
  EXPECT_EQ(view->PrefixState(), 0);
  EXPECT_EQ(store.SelectionBegin(), (TPosition{0, 4}));
  // ... and with Ctrl on the second key: Ctrl+K Ctrl+K sets the end.
  store.SetCaret({1, 2});
  Key(Qt::Key_K, Qt::ControlModifier);
  Key(Qt::Key_K, Qt::ControlModifier);
  EXPECT_EQ(store.SelectionKind(), tarlow::kSelStream);
  EXPECT_EQ(store.SelectedText(), u"def\r\ngh");

  // A prefix followed by an unbound key: the prefix ends and the key types.
  store.SetSelection(tarlow::kSelNone, {}, {});
  store.SetCaret({1, 3});
  Key(Qt::Key_K, Qt::ControlModifier);
  Type("z");
  EXPECT_EQ(view->PrefixState(), 0);
  EXPECT_EQ(Line(1), u"ghiz");

  // Ctrl+Q needs Ctrl on its second key: Ctrl+Q Y types a y.
  Key(Qt::Key_Q, Qt::ControlModifier);
  Type("y");
  EXPECT_EQ(Line(1), u"ghizy");
  // Ctrl+Q Ctrl+Y deletes to the end of the line.
  store.SetCaret({0, 3});
  Key(Qt::Key_Q, Qt::ControlModifier);
  Key(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Line(0), u"abc");

  // A caret key in a prefix state moves and ends the prefix.
  Key(Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(view->PrefixState(), 5);
  Key(Qt::Key_Down);
  EXPECT_EQ(view->PrefixState(), 0);
  EXPECT_EQ(store.Caret().Line, 1);
}

TEST_F(ViewKeys, CaretKeysAndSelections) {
  SetLines({u"alpha beta", u"gamma", u"delta"});
  struct Case {
    const char* name;
    TPosition from;
    int key;
    Qt::KeyboardModifiers mods;
    TPosition caret;
    int selKind;
  };
  const Case cases[] = {
      {"Right passes the line end", {1, 5}, Qt::Key_Right, Qt::NoModifier, {1, 6}, tarlow::kSelNone},
      {"Left at column 0 stays", {1, 0}, Qt::Key_Left, Qt::NoModifier, {1, 0}, tarlow::kSelNone},
      {"Up keeps the column", {1, 4}, Qt::Key_Up, Qt::NoModifier, {0, 4}, tarlow::kSelNone},
      {"End", {0, 0}, Qt::Key_End, Qt::NoModifier, {0, 10}, tarlow::kSelNone},
      {"Ctrl+End", {0, 0}, Qt::Key_End, Qt::ControlModifier, {2, 5}, tarlow::kSelNone},
      {"Ctrl+Right", {0, 0}, Qt::Key_Right, Qt::ControlModifier, {0, 6}, tarlow::kSelNone},
      {"Shift+Down", {0, 2}, Qt::Key_Down, Qt::ShiftModifier, {1, 2}, tarlow::kSelStream},
      {"Alt+Shift+Down", {0, 2}, Qt::Key_Down, Qt::ShiftModifier | Qt::AltModifier, {1, 2}, tarlow::kSelBlock},
      {"Ctrl+Shift+Right", {0, 0}, Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier, {0, 6},
       tarlow::kSelStream},
  };
  for (const Case& c : cases) {
    store.SetSelection(tarlow::kSelNone, {}, {});
    view->MoveCaretTo(c.from, 0);
    Key(c.key, c.mods);
    EXPECT_EQ(store.Caret(), c.caret) << c.name;
    EXPECT_EQ(store.SelectionKind(), c.selKind) << c.name;
    if (c.selKind != tarlow::kSelNone) {
      EXPECT_EQ(store.SelectionBegin(), c.from) << c.name;
      EXPECT_EQ(store.SelectionEnd(), c.caret) << c.name;
    }
  }
  // A plain caret key removes the selection.
  Key(Qt::Key_Left);
  EXPECT_EQ(store.SelectionKind(), tarlow::kSelNone);
}

TEST_F(ViewKeys, TypingBeyondTheLineEndPadsAndUndoTakesItBack) {
  SetLines({u"ab"});
  store.SetCaret({0, 2});
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);
  Type("x");
  EXPECT_EQ(Line(0), u"ab  x");
  EXPECT_EQ(store.Caret(), (TPosition{0, 5}));
  Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Line(0), u"ab  ") << "the typed character goes; padding blanks are not recorded";
  Key(Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_EQ(Line(0), u"ab  x");
}

TEST_F(ViewKeys, ReadOnlyRefusesEditsButCopies) {
  SetLines({u"keep this"}, true);
  store.SetCaret({0, 2});
  Type("x");
  Key(Qt::Key_Return);
  Key(Qt::Key_Delete);
  Key(Qt::Key_Y, Qt::ControlModifier);
  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(store.Lines().Count(), 1);
  EXPECT_EQ(Line(0), u"keep this");
  EXPECT_EQ(store.Caret(), (TPosition{0, 2}));
  store.SetSelection(tarlow::kSelStream, {0, 0}, {0, 4});
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(store.Clipboard().Text(), u"keep");
}

TEST_F(ViewKeys, TabMovesTheFocusAndCtrlTabRunsTheTabCommand) {
  QWidget form;
  auto* layout = new QVBoxLayout(&form);
  auto* before = new QLineEdit(&form);
  view->setParent(&form);
  layout->addWidget(before);
  layout->addWidget(view.get());
  auto* after = new QLineEdit(&form);
  layout->addWidget(after);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  SetLines({u"ab"});
  store.SetCaret({0, 0});
  view->setFocus();
  QApplication::processEvents();

  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Line(0), u"  ab") << "spaces to the next tab stop";
  EXPECT_TRUE(view->hasFocus());
  QTest::keyClick(view.get(), Qt::Key_Tab);
  EXPECT_TRUE(after->hasFocus());
  EXPECT_EQ(Line(0), u"  ab");
  view->setFocus();
  QTest::keyClick(view.get(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(before->hasFocus());
  view->setParent(nullptr);  // the fixture owns it
}

TEST_F(ViewKeys, PagingKeepsTheCaretInView) {
  std::vector<std::u16string> lines(500, u"line");
  SetLines(lines);
  const int page = view->VisibleLines();
  ASSERT_GT(page, 3);
  store.SetCaret({0, 0});
  Key(Qt::Key_PageDown);
  EXPECT_EQ(store.Caret().Line, page - 1);
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(store.Caret().Line, 499);
  EXPECT_EQ(view->TopLine(), 499 - page + 1);
  Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(view->TopLine(), 0);
  Key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(view->TopLine(), 1) << "Ctrl+Down scrolls";
  EXPECT_EQ(store.Caret().Line, 0) << "without moving the caret";
}

// ------------------------------------------------------------------ mouse

class ViewMouse : public ViewFixture {
 protected:
  QPoint At(TPosition p) { return view->CellRect(p).topLeft() + QPoint(1, view->LineHeight() / 2); }
};

TEST_F(ViewMouse, ClickDragAndDoubleClick) {
  SetLines({u"select name_1 from t", u"where x = 1", u"order by 2"});
  QWidget* vp = view->viewport();
  QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, At({1, 3}));
  EXPECT_EQ(store.Caret(), (TPosition{1, 3}));
  EXPECT_EQ(store.SelectionKind(), tarlow::kSelNone);

  // Dragging selects a stream from the press to the pointer.
  QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, At({0, 2}));
  QTest::mouseMove(vp, At({2, 4}));
  QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, At({2, 4}));
  EXPECT_EQ(store.SelectionKind(), tarlow::kSelStream);
  EXPECT_EQ(store.SelectionBegin(), (TPosition{0, 2}));
  EXPECT_EQ(store.SelectionEnd(), (TPosition{2, 4}));

  // With Alt held, a block.
  QTest::mousePress(vp, Qt::LeftButton, Qt::AltModifier, At({0, 1}));
  QTest::mouseMove(vp, At({2, 3}));
  QTest::mouseRelease(vp, Qt::LeftButton, Qt::AltModifier, At({2, 3}));
  EXPECT_EQ(store.SelectionKind(), tarlow::kSelBlock);
  EXPECT_EQ(store.SelectedText(), u"el\r\nhe\r\nrd");

  // Esc during a mouse selection removes it, and the pointer no longer
  // extends it.
  QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, At({0, 6}));
  QTest::mouseMove(vp, At({1, 9}));
  EXPECT_EQ(store.SelectionKind(), tarlow::kSelStream);
  Key(Qt::Key_Escape);
  EXPECT_EQ(store.SelectionKind(), tarlow::kSelNone);
  QTest::mouseMove(vp, At({2, 4}));
  EXPECT_EQ(store.SelectionKind(), tarlow::kSelNone);
  QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, At({2, 4}));

  // Shift+click extends from the caret.
  QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, At({1, 0}));
  QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, At({1, 5}));
  EXPECT_EQ(store.SelectedText(), u"where");

  // A double click selects the word up to the blanks.
  QTest::mouseDClick(vp, Qt::LeftButton, Qt::NoModifier, At({0, 9}));
  EXPECT_EQ(store.SelectedText(), u"name_1");
}

TEST_F(ViewMouse, TheWheelScrollsOneLinePerNotch) {
  std::vector<std::u16string> lines(100, u"x");
  SetLines(lines);
  QWheelEvent down(QPointF(10, 10), view->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -240),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view->viewport(), &down);
  EXPECT_EQ(view->TopLine(), 2);
  EXPECT_EQ(store.Caret(), (TPosition{0, 0}));
}

}  // namespace

namespace {

TEST_F(ViewKeys, CopyAndPasteGoThroughTheSystemClipboard) {
  tarlow::TQtClipboard clipboard;
  store.SetClipboard(&clipboard);
  SetLines({u"alpha beta"});
  store.SetSelection(tarlow::kSelStream, {0, 0}, {0, 5});
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "alpha");
  QApplication::clipboard()->setText(QStringLiteral("gamma "));
  store.SetSelection(tarlow::kSelNone, {}, {});
  store.SetCaret({0, 6});
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Line(0), u"alpha gamma beta");
  store.SetClipboard(nullptr);
}

}  // namespace
