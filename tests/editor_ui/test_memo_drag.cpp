// Dragging selected text within the view and dropping text into it, the
// clipboard's memory of block selections, and the caret's blinking.
#include <QClipboard>
#include <QDrag>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QStyleHints>

#include "view_fixture.h"

using tarlow::TPosition;

namespace {

class ViewDrag : public ViewFixture {
 protected:
  QPoint At(TPosition p) { return view->CellRect(p).topLeft() + QPoint(1, view->LineHeight() / 2); }

  // Sends a drop of data at p to the viewport as the platform would, after
  // the pointer entered and moved there; true when the view accepted it.
  bool Drop(const QMimeData* data, QPoint p, Qt::KeyboardModifiers mods, Qt::DropActions actions,
            Qt::DropAction* done = nullptr) {
    QWidget* vp = view->viewport();
    QDragEnterEvent enter(p, actions, data, Qt::LeftButton, mods);
    QApplication::sendEvent(vp, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(p, actions, data, Qt::LeftButton, mods);
    QApplication::sendEvent(vp, &move);
    EXPECT_EQ(view->DropPosition(), view->PositionAt(p));
    QDropEvent drop(p, actions, data, Qt::LeftButton, mods);
    QApplication::sendEvent(vp, &drop);
    if (done != nullptr) *done = drop.dropAction();
    return drop.isAccepted();
  }

  // Presses on from, drags to to and lets the replaced drag drop there.
  int DragSelection(TPosition from, TPosition to, Qt::KeyboardModifiers dropMods) {
    int drags = 0;
    view->ExecDrag = [&](QDrag& drag) {
      ++drags;
      Qt::DropAction action = Qt::IgnoreAction;
      if (!Drop(drag.mimeData(), At(to), dropMods, Qt::MoveAction | Qt::CopyAction, &action))
        return Qt::IgnoreAction;
      return action;
    };
    QWidget* vp = view->viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, At(from));
    QTest::mouseMove(vp, At(from) + QPoint(QApplication::startDragDistance() + 2, 0));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, At(to));
    return drags;
  }
};

TEST_F(ViewDrag, DraggingTheSelectionMovesItAndCtrlCopiesIt) {
  struct Case {
    const char* name;
    Qt::KeyboardModifiers mods;
    std::vector<std::u16string> after;
  };
  const Case cases[] = {
      {"move", Qt::NoModifier, {u"drop table table t;", u"create t2"}},
      {"copy with Ctrl", Qt::ControlModifier, {u"drop table table t;", u"create table t2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetLines({u"drop table t;", u"create table t2"});
    store.SetSelection(tarlow::kSelStream, {1, 7}, {1, 13});  // "table "
    ASSERT_EQ(DragSelection({1, 8}, {0, 5}, c.mods), 1);
    EXPECT_EQ(store.Lines().Get(0), c.after[0]);
    EXPECT_EQ(store.Lines().Get(1), c.after[1]);
    EXPECT_EQ(store.SelectedText(), u"table ") << "the dropped text is selected";
    // One Undo takes the whole drop back.
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Line(0), u"drop table t;");
    EXPECT_EQ(Line(1), u"create table t2");
  }
}

TEST_F(ViewDrag, ABlockIsDroppedAsABlock) {
  SetLines({u"ab12", u"cd34", u"efgh"});
  store.SetSelection(tarlow::kSelBlock, {0, 2}, {1, 4});  // "12", "34"
  ASSERT_EQ(DragSelection({0, 2}, {1, 0}, Qt::NoModifier), 1);
  EXPECT_EQ(Line(0), u"ab");
  EXPECT_EQ(Line(1), u"12cd");
  EXPECT_EQ(Line(2), u"34efgh");
  EXPECT_EQ(store.SelectionKind(), tarlow::kSelBlock);
}

TEST_F(ViewDrag, DroppingInsideTheSelectionOnlyRemovesIt) {
  SetLines({u"select a, b from t"});
  store.SetSelection(tarlow::kSelStream, {0, 7}, {0, 11});
  ASSERT_EQ(DragSelection({0, 7}, {0, 9}, Qt::NoModifier), 1);
  EXPECT_EQ(Line(0), u"select a, b from t");
  EXPECT_EQ(store.SelectionKind(), tarlow::kSelNone);
  EXPECT_EQ(store.Caret(), (TPosition{0, 9}));
}

TEST_F(ViewDrag, PressingOnTheSelectionWithoutDraggingIsAClick) {
  SetLines({u"select a, b from t"});
  store.SetSelection(tarlow::kSelStream, {0, 7}, {0, 11});
  int drags = 0;
  view->ExecDrag = [&](QDrag&) { ++drags; return Qt::IgnoreAction; };
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, At({0, 9}));
  EXPECT_EQ(drags, 0);
  EXPECT_EQ(store.SelectionKind(), tarlow::kSelNone);
  EXPECT_EQ(store.Caret(), (TPosition{0, 9}));
}

TEST_F(ViewDrag, ReadOnlyNeitherDragsNorTakesDrops) {
  SetLines({u"select a, b from t"}, true);
  store.SetSelection(tarlow::kSelStream, {0, 7}, {0, 11});
  // A press on the selection starts a new mouse selection instead.
  EXPECT_EQ(DragSelection({0, 7}, {0, 16}, Qt::NoModifier), 0);
  EXPECT_EQ(Line(0), u"select a, b from t");
  QMimeData text;
  text.setText(QStringLiteral("x"));
  EXPECT_FALSE(Drop(&text, At({0, 0}), Qt::NoModifier, Qt::CopyAction));
  EXPECT_EQ(Line(0), u"select a, b from t");
}

TEST_F(ViewDrag, TextFromElsewhereIsInsertedAtTheDropPosition) {
  SetLines({u"ab", u"cd"});
  QMimeData lines;
  lines.setText(QStringLiteral("1\r\n2"));
  EXPECT_TRUE(Drop(&lines, At({0, 1}), Qt::NoModifier, Qt::CopyAction));
  EXPECT_EQ(Line(0), u"a1");
  EXPECT_EQ(Line(1), u"2b");
  EXPECT_EQ(Line(2), u"cd");

  // A block selection dragged from another of our windows stays a block.
  SetLines({u"ab", u"cd"});
  QMimeData block;
  block.setText(QStringLiteral("1\r\n2"));
  block.setData(QStringLiteral("application/x-tarlow-block"), QByteArray("1\r\n2"));
  EXPECT_TRUE(Drop(&block, At({0, 1}), Qt::NoModifier, Qt::CopyAction));
  EXPECT_EQ(Line(0), u"a1b");
  EXPECT_EQ(Line(1), u"c2d");
}

TEST_F(ViewDrag, MovingTheTextIntoAnotherWindowTakesItOutOfThisOne) {
  const struct {
    Qt::DropAction target;
    std::u16string after;
  } cases[] = {{Qt::MoveAction, u"select  from t"}, {Qt::CopyAction, u"select a, b from t"},
               {Qt::IgnoreAction, u"select a, b from t"}};
  for (const auto& c : cases) {
    SetLines({u"select a, b from t"});
    store.SetSelection(tarlow::kSelStream, {0, 7}, {0, 11});
    view->ExecDrag = [&](QDrag&) { return c.target; };
    QWidget* vp = view->viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, At({0, 8}));
    QTest::mouseMove(vp, At({0, 8}) + QPoint(0, QApplication::startDragDistance() + 20));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, At({0, 8}));
    EXPECT_EQ(Line(0), c.after) << c.target;
  }
}

// ---------------------------------------------------------------- clipboard

TEST_F(ViewDrag, ABlockCopiedToTheSystemClipboardPastesAsABlock) {
  tarlow::TQtClipboard clipboard;
  store.SetClipboard(&clipboard);
  SetLines({u"abcd", u"efgh", u"12"});
  store.SetSelection(tarlow::kSelBlock, {0, 1}, {1, 3});
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "bc\r\nfg") << "other programs see plain text";
  store.SetSelection(tarlow::kSelNone, {}, {});
  store.SetCaret({2, 1});
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Line(2), u"1bc2");
  EXPECT_EQ(Line(3), u" fg");

  // The same text put there by another program is pasted as lines.
  SetLines({u"12"});
  QApplication::clipboard()->setText(QStringLiteral("bc\r\nfg"));
  store.SetCaret({0, 1});
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Line(0), u"1bc");
  EXPECT_EQ(Line(1), u"fg2");

  // A stream selection's copy is no block either.
  SetLines({u"abcd", u"efgh", u"12"});
  store.SetSelection(tarlow::kSelStream, {0, 2}, {1, 2});
  Key(Qt::Key_C, Qt::ControlModifier);
  store.SetSelection(tarlow::kSelNone, {}, {});
  store.SetCaret({2, 1});
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Line(2), u"1cd");
  EXPECT_EQ(Line(3), u"ef2");
  store.SetClipboard(nullptr);
}

// ------------------------------------------------------------------- caret

TEST_F(ViewDrag, TheCaretBlinksWhileFocusedAndHidesWithoutTheFocus) {
  SetLines({u"abc"});
  view->activateWindow();
  view->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(view->hasFocus());
  EXPECT_TRUE(view->CaretShown());
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (flash > 0) {
    bool blinked = false;
    for (int i = 0; i < 40 && !blinked; ++i) {
      QTest::qWait(flash / 10);
      blinked = !view->CaretShown();
    }
    EXPECT_TRUE(blinked) << "the caret went off within a flash period";
    Key(Qt::Key_Right);
    EXPECT_TRUE(view->CaretShown()) << "a caret move shows it at once";
  }
  view->clearFocus();
  QApplication::processEvents();
  EXPECT_FALSE(view->CaretShown());
}

}  // namespace
