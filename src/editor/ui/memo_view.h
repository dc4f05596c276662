// TMemoView: the window onto a script text store.  It owns no text: it
// paints the visible lines of its store in fixed cells, in the text styles
// of each character's colour data, and turns keys and mouse actions into the
// store's commands.  Only the lines on screen are coloured and painted, so a
// script of a million lines scrolls as fast as a short one.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <array>
#include <functional>
#include <vector>

#include "editor/memo_source.h"

class QDialog;
class QDrag;
class QTimer;

namespace tarlow {

class TEditorSettings;

// How one text style paints its characters.
struct TTextStyle {
  QColor Color = Qt::black;      // characters
  QColor BackColor = Qt::white;  // background
  bool Bold = false;
};

// One entry of the key table: a key with its shift state (bit 1 Shift,
// bit 2 Alt, bit 4 Ctrl) in a prefix state (255: any), the prefix state it
// leaves behind, and the command it runs (none for a pure prefix).
class TMemoView;
struct TKeyData {
  int Key = 0;
  int Shift = 0;
  int Active = 0;
  int Leave = 0;
  std::function<void(TMemoView&)> Command;
};
namespace key_shift {
constexpr int Shift = 1;
constexpr int Alt = 2;
constexpr int Ctrl = 4;
}  // namespace key_shift
constexpr int kAnyPrefix = 255;

class TMemoView : public QAbstractScrollArea, public TMemoObserver {
  Q_OBJECT
 public:
  explicit TMemoView(QWidget* parent = nullptr);
  ~TMemoView() override;

  // The store shown; null shows nothing.  The store must outlive the view
  // or be detached first.
  void SetMemoSource(TMemoSource* store);
  TMemoSource* MemoSource() const { return store_; }
  bool ReadOnly() const { return store_ != nullptr && store_->ReadOnly(); }
  void SetReadOnly(bool on);

  // Layout.
  int LineHeight() const { return lineHeight_; }
  int ColumnWidth() const { return columnWidth_; }
  int TopLine() const { return topLine_; }
  void SetTopLine(int line);
  int LeftColumn() const { return leftCol_; }
  // Whole lines the view shows (at least 1).
  int VisibleLines() const;
  int VisibleColumns() const;
  // The text position under a point of the viewport.
  TPosition PositionAt(QPoint p) const;
  // The viewport rectangle of a cell.
  QRect CellRect(TPosition p) const;
  void MakeCaretVisible();

  // Styles by colour data byte.
  std::array<TTextStyle, 8>& TextStyles() { return styles_; }
  const QFont& TextFont() const { return font_; }
  static QFont ChooseFont();

  // While gathering, store changes wait up to the update interval before
  // they are shown; Flush shows them at once.
  void SetGathering(bool on);
  void Flush();

  // ---- keys ----
  std::vector<TKeyData>& KeyTable() { return keys_; }
  int PrefixState() const { return prefix_; }
  // Runs one key press as the view would; true when the view consumed it.
  bool HandleKey(int key, Qt::KeyboardModifiers modifiers, const QString& text);

  // ---- commands bound to keys ----
  // Caret movement: extend 0 removes any selection, 1 extends a stream
  // selection, 2 a block selection.
  void MoveCaretTo(TPosition target, int extend);
  void MoveCaretBy(int lines, int cols, int extend);
  void WordMove(bool right, int extend);
  void ScrollLines(int delta);
  // Ends a mouse selection in progress: the pointer no longer extends it.
  void CancelMouseSelection();
  void ShowFindDialog();
  void ShowReplaceDialog();
  void SearchAgain();
  void ShowGotoLineDialog();
  void InsertGuid();

  // Shows a dialog modally; tests replace it to answer the dialogs.
  std::function<int(QDialog&)> ExecDialog;

  // ---- drag and drop ----
  // Runs a drag of the selected text and returns what the target did;
  // tests replace it to drop without a real pointer.
  std::function<Qt::DropAction(QDrag&)> ExecDrag;
  // The selected text dropped at target: moved there, or copied; dropped
  // inside the selection it only removes the selection.
  void DropSelectionAt(TPosition target, bool copy);
  // Text from elsewhere dropped at target, as a paste there would insert it.
  void DropTextAt(TPosition target, const QString& text, bool fromBlock);
  // Whether a text position lies inside the selection.
  bool InSelection(TPosition p) const;
  // Where dragged text would land while a drag is over the view (Line -1: none).
  TPosition DropPosition() const { return dropPos_; }

  // The caret blinks while the view has the focus; it is hidden without it.
  bool CaretShown() const { return hasFocus() && caretOn_; }
  // Where search messages and the dialogs' histories go (not owned).
  void SetSearchMessages(TSearchMessages* messages);
  void SetEditorSettings(TEditorSettings* settings) { settings_ = settings; }
  TEditorSettings* EditorSettings() const { return settings_; }

  void MemoChanged(TMemoSource& source, const TMemoChange& change) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void RunSearchDialog(bool replace);
  void ApplyFont(const QFont& font);
  void UpdateScrollBar();
  void Apply(unsigned flags);
  void PaintLine(QPainter& p, int line, int y);
  void AutoScroll();
  void SelectDragTo(QPoint p);
  void StartTextDrag();
  bool AcceptDrag(QDropEvent* event);
  bool OwnDrag(const QDropEvent* event) const;
  void RestartBlink();

  TMemoSource* store_ = nullptr;
  TSearchMessages* messages_ = nullptr;
  TEditorSettings* settings_ = nullptr;
  std::array<TTextStyle, 8> styles_;
  QFont font_;
  QFont boldFont_;
  int lineHeight_ = 14;
  int columnWidth_ = 7;
  int ascent_ = 11;
  int topLine_ = 0;
  int leftCol_ = 0;
  int prefix_ = 0;
  std::vector<TKeyData> keys_;
  bool gathering_ = false;
  unsigned pendingFlags_ = 0;
  QTimer* gatherTimer_ = nullptr;
  QTimer* dragTimer_ = nullptr;
  bool selecting_ = false;
  bool blockDrag_ = false;
  QPoint dragPoint_;
  // A press on the selection: a drag of its text once the pointer moves
  // far enough, a plain click when the button comes up first.
  bool dragCandidate_ = false;
  QPoint pressPoint_;
  bool draggingOver_ = false;  // a drag hovers over the view
  bool droppedHere_ = false;   // the running drag of our text ended in this view
  QDrag* ownDrag_ = nullptr;   // the drag of our text while it runs
  TPosition dropPos_{-1, 0};
  QTimer* caretTimer_ = nullptr;
  bool caretOn_ = true;
};

// The system clipboard as a store sees it.  A block selection's text goes
// there as plain text for every program, and once more under a private
// format that tells a Tarlow window to paste it as a rectangle.
class TQtClipboard : public TMemoClipboard {
 public:
  std::u16string Text() const override;
  void SetText(std::u16string_view text, bool fromBlock = false) override;
  bool FromBlock() const override;
  void Clear() override;
};

// The default key table of the view.
std::vector<TKeyData> DefaultKeyTable();

}  // namespace tarlow
