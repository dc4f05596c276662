#include "editor/ui/memo_view.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QGuiApplication>
#include <QStyleHints>
#include <QDialog>
#include <QStyle>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "editor/sql_parser.h"

namespace tarlow {

namespace {

// Styles of the SQL colouring: reserved words blue, strings and quoted
// names red, comments gray, numbers bold red; everything else black on white.
std::array<TTextStyle, 8> ScriptStyles() {
  std::array<TTextStyle, 8> s;
  s[text_style::String].Color = QColor(255, 0, 0);
  s[text_style::Comment].Color = QColor(128, 128, 128);
  s[text_style::Integer].Color = QColor(255, 0, 0);
  s[text_style::Integer].Bold = true;
  s[text_style::Float] = s[text_style::Integer];
  s[text_style::Reserved].Color = QColor(0, 0, 255);
  return s;
}

// Text for the clipboard or a drag: plain text for every program, and a
// block selection's text once more under the private format.
QMimeData* TextMimeData(std::u16string_view text, bool fromBlock) {
  auto* data = new QMimeData;
  const QString q = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  data->setText(q);
  if (fromBlock) data->setData(QStringLiteral("application/x-tarlow-block"), q.toUtf8());
  return data;
}

// The private format counts only while it still describes the text beside it.
bool BlockMimeData(const QMimeData& data) {
  const QString format = QStringLiteral("application/x-tarlow-block");
  return data.hasFormat(format) && QString::fromUtf8(data.data(format)) == data.text();
}

bool IsFixedPitch(const QFont& f, const QString& family) {
  const QFontInfo info(f);
  return info.family().compare(family, Qt::CaseInsensitive) == 0 && info.fixedPitch();
}

}  // namespace

// "Courier New" is rarely installed outside Windows; Liberation Mono has
// its metrics.  Any fixed-pitch font does when neither is there.  The text
// is not antialiased: the cells keep their colours pixel for pixel.
QFont TMemoView::ChooseFont() {
  QFont chosen;
  bool found = false;
  for (const char* family : {"Courier New", "Liberation Mono"}) {
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(11);
    if (IsFixedPitch(f, QString::fromLatin1(family))) {
      chosen = f;
      found = true;
      break;
    }
  }
  if (!found) {
    chosen = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    chosen.setPixelSize(11);
  }
  chosen.setStyleHint(QFont::TypeWriter);
  chosen.setStyleStrategy(QFont::NoAntialias);
  chosen.setKerning(false);
  return chosen;
}

TMemoView::TMemoView(QWidget* parent) : QAbstractScrollArea(parent), styles_(ScriptStyles()) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setAutoFillBackground(false);
  verticalScrollBar()->setTracking(true);
  verticalScrollBar()->setSingleStep(1);
  keys_ = DefaultKeyTable();
  ExecDialog = [](QDialog& d) { return d.exec(); };
  ExecDrag = [](QDrag& d) { return d.exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction); };
  viewport()->setAcceptDrops(true);
  ApplyFont(ChooseFont());

  gatherTimer_ = new QTimer(this);
  gatherTimer_->setSingleShot(true);
  gatherTimer_->setInterval(150);
  connect(gatherTimer_, &QTimer::timeout, this, [this] { Flush(); });
  dragTimer_ = new QTimer(this);
  dragTimer_->setInterval(30);
  connect(dragTimer_, &QTimer::timeout, this, [this] { AutoScroll(); });
  caretTimer_ = new QTimer(this);
  connect(caretTimer_, &QTimer::timeout, this, [this] {
    caretOn_ = !caretOn_;
    if (store_ != nullptr) viewport()->update(CellRect(store_->Caret()).adjusted(-2, 0, 2, 0));
  });
}

TMemoView::~TMemoView() {
  if (store_ != nullptr) {
    store_->SetSearchMessages(nullptr);
    store_->Detach(this);
  }
}

void TMemoView::ApplyFont(const QFont& font) {
  font_ = font;
  boldFont_ = font;
  boldFont_.setBold(true);
  // Cells fit the tallest "Wg" and the widest average character of the
  // plain and the bold font.
  const QFontMetrics plain(font_), bold(boldFont_);
  lineHeight_ = std::max({plain.boundingRect(QStringLiteral("Wg")).height(), plain.height(),
                          bold.height(), 1});
  columnWidth_ = std::max({plain.horizontalAdvance(QLatin1Char('W')), bold.horizontalAdvance(QLatin1Char('W')),
                           plain.averageCharWidth(), 1});
  ascent_ = std::max(plain.ascent(), bold.ascent());
  UpdateScrollBar();
  viewport()->update();
}

void TMemoView::SetMemoSource(TMemoSource* store) {
  if (store_ == store) return;
  if (store_ != nullptr) {
    store_->SetSearchMessages(nullptr);
    store_->Detach(this);
  }
  store_ = store;
  topLine_ = leftCol_ = 0;
  if (store_ != nullptr) {
    store_->Attach(this);
    if (messages_ != nullptr) store_->SetSearchMessages(messages_);
  }
  UpdateScrollBar();
  viewport()->update();
}

void TMemoView::SetSearchMessages(TSearchMessages* messages) {
  messages_ = messages;
  if (store_ != nullptr) store_->SetSearchMessages(messages);
}

void TMemoView::SetReadOnly(bool on) {
  if (store_ != nullptr) store_->SetReadOnly(on);
}

int TMemoView::VisibleLines() const { return std::max(1, viewport()->height() / lineHeight_); }
int TMemoView::VisibleColumns() const { return std::max(1, viewport()->width() / columnWidth_); }

void TMemoView::SetTopLine(int line) {
  const int count = store_ != nullptr ? store_->Lines().Count() : 0;
  line = std::clamp(line, 0, std::max(count - 1, 0));
  if (line == topLine_) return;
  topLine_ = line;
  verticalScrollBar()->setValue(line);
  viewport()->update();
}

TPosition TMemoView::PositionAt(QPoint p) const {
  TPosition pos;
  const int y = p.y() < 0 ? p.y() - lineHeight_ + 1 : p.y();
  pos.Line = topLine_ + y / lineHeight_;
  const int count = store_ != nullptr ? store_->Lines().Count() : 0;
  pos.Line = std::clamp(pos.Line, 0, std::max(count - 1, 0));
  pos.Col = std::max(0, leftCol_ + (std::max(p.x(), 0) + columnWidth_ / 2) / columnWidth_);
  return pos;
}

QRect TMemoView::CellRect(TPosition p) const {
  return QRect((p.Col - leftCol_) * columnWidth_, (p.Line - topLine_) * lineHeight_, columnWidth_, lineHeight_);
}

// The scroll bar runs over the lines with a page of the whole lines shown;
// a text shorter than a page still gets a page-sized range.
void TMemoView::UpdateScrollBar() {
  const int count = store_ != nullptr ? store_->Lines().Count() : 0;
  const int page = VisibleLines();
  QScrollBar* bar = verticalScrollBar();
  const QSignalBlocker block(bar);
  bar->setPageStep(page);
  bar->setRange(0, std::max(count - 1, 0));
  if (topLine_ > bar->maximum()) topLine_ = bar->maximum();
  bar->setValue(topLine_);
}

void TMemoView::MakeCaretVisible() {
  if (store_ == nullptr) return;
  const TPosition c = store_->Caret();
  int top = topLine_;
  if (c.Line < top) top = c.Line;
  else if (c.Line > top + VisibleLines() - 1) top = c.Line - VisibleLines() + 1;
  const int columns = VisibleColumns();
  if (c.Col < leftCol_) {
    leftCol_ = c.Col;
    viewport()->update();
  } else if (c.Col >= leftCol_ + columns) {
    leftCol_ = c.Col - columns + 1;
    viewport()->update();
  }
  SetTopLine(top);
}

void TMemoView::MemoChanged(TMemoSource&, const TMemoChange& change) {
  pendingFlags_ |= change.Flags;
  if (change.Code == change_code::ViewAttached) pendingFlags_ |= change_flag::ViewAttachedFlags;
  // Keys and clicks always answer at once; a run's stream of appended lines
  // is shown a few times a second.
  const bool userMoved = (change.Flags & (change_flag::Caret | change_flag::Selection)) != 0;
  if (!gathering_ || userMoved)
    Flush();
  else if (!gatherTimer_->isActive())
    gatherTimer_->start();
}

void TMemoView::SetGathering(bool on) {
  gathering_ = on;
  if (!on) Flush();
}

void TMemoView::Flush() {
  gatherTimer_->stop();
  const unsigned flags = pendingFlags_;
  pendingFlags_ = 0;
  if (flags != 0) Apply(flags);
}

void TMemoView::Apply(unsigned flags) {
  UpdateScrollBar();
  if (store_ != nullptr && (flags & change_flag::MatchHighlight) != 0) {
    const TMemoSource::MatchArea m = store_->MatchHighlight();
    if (m.Line >= 0) {
      if (m.Line < topLine_ || m.Line >= topLine_ + VisibleLines()) SetTopLine(m.Line);
    }
  }
  if ((flags & change_flag::Caret) != 0) {
    MakeCaretVisible();
    RestartBlink();
  }
  viewport()->update();
}

void TMemoView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBar();
}

void TMemoView::scrollContentsBy(int, int) {
  topLine_ = verticalScrollBar()->value();
  viewport()->update();
}

void TMemoView::ScrollLines(int delta) { SetTopLine(topLine_ + delta); }

// The caret shows at once after every move and then blinks at the desktop's
// rate; a rate of 0 or less means a steady caret.
void TMemoView::RestartBlink() {
  caretOn_ = true;
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (hasFocus() && flash > 0)
    caretTimer_->start(flash / 2);
  else
    caretTimer_->stop();
}

void TMemoView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
  viewport()->update();
}

void TMemoView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  prefix_ = 0;
  caretTimer_->stop();
  viewport()->update();
}

// ------------------------------------------------------------------ painting

void TMemoView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  const QColor back = isEnabled() ? QColor(Qt::white) : QColor(Qt::gray);
  p.fillRect(viewport()->rect(), back);
  if (store_ == nullptr) return;
  const int count = store_->Lines().Count();
  const int rows = viewport()->height() / lineHeight_ + 1;
  for (int r = 0; r < rows && topLine_ + r < count; ++r) PaintLine(p, topLine_ + r, r * lineHeight_);

  const int w = 2 * std::max(1, style()->pixelMetric(QStyle::PM_DefaultFrameWidth) / 2);
  if (CaretShown()) {
    const QRect cell = CellRect(store_->Caret());
    p.fillRect(QRect(cell.left(), cell.top(), w, lineHeight_), Qt::black);
  }
  if (draggingOver_ && dropPos_.Line >= 0) {
    const QRect cell = CellRect(dropPos_);
    p.fillRect(QRect(cell.left(), cell.top(), w, lineHeight_), Qt::darkGray);
  }
}

void TMemoView::PaintLine(QPainter& p, int line, int y) {
  const std::u16string& text = store_->InternalLines().Item(line).LineText;
  static const std::string kNoColors;
  const std::string& colors = store_->SyntaxParser() != nullptr ? store_->ColorData(line) : kNoColors;
  const int length = static_cast<int>(text.size());
  const int firstCol = leftCol_;
  const int lastCol = leftCol_ + viewport()->width() / columnWidth_ + 1;  // exclusive

  // The selected columns of this line: [selFrom, selTo); selTo -1 = to the edge.
  int selFrom = 0, selTo = 0;
  const int kind = store_->SelectionKind();
  if (kind != kSelNone) {
    TPosition b = store_->SelectionBegin(), e = store_->SelectionEnd();
    if (e < b) std::swap(b, e);
    if (kind == kSelStream && line >= b.Line && line <= e.Line) {
      selFrom = line == b.Line ? b.Col : 0;
      selTo = line == e.Line ? e.Col : -1;
    } else if (kind == kSelBlock && line >= b.Line && line <= e.Line) {
      selFrom = std::min(b.Col, e.Col);
      selTo = std::max(b.Col, e.Col);
    }
  }
  const auto selected = [&](int col) { return col >= selFrom && (selTo < 0 || col < selTo); };
  const TMemoSource::MatchArea match = store_->MatchHighlight();
  const auto matched = [&](int col) { return match.Line == line && col >= match.FirstCol && col < match.EndCol; };
  const QPalette& pal = palette();
  const QColor selFore = pal.color(QPalette::Active, QPalette::HighlightedText);
  const QColor selBack = pal.color(QPalette::Active, QPalette::Highlight);
  const QColor matchFore(0, 255, 0);
  const QColor matchBack = pal.color(QPalette::Active, QPalette::WindowText);

  // Runs of characters that paint alike.
  int col = firstCol;
  const int textEnd = std::min(length, lastCol);
  while (col < textEnd) {
    const auto attr = [&](int c) {
      const int style = c < static_cast<int>(colors.size()) ? static_cast<unsigned char>(colors[c]) & 7 : 0;
      return (style << 2) | (selected(c) ? 1 : 0) | (matched(c) ? 2 : 0);
    };
    const int a = attr(col);
    int end = col + 1;
    while (end < textEnd && attr(end) == a) ++end;
    const TTextStyle& st = styles_[static_cast<std::size_t>(a >> 2)];
    QColor fore = st.Color, bg = st.BackColor;
    if (a & 1) fore = selFore, bg = selBack;
    if (a & 2) fore = matchFore, bg = matchBack;
    const QRect run((col - leftCol_) * columnWidth_, y, (end - col) * columnWidth_, lineHeight_);
    p.fillRect(run, bg);
    p.setPen(fore);
    p.setFont(st.Bold ? boldFont_ : font_);
    // Character by character: every glyph sits at its own cell whatever
    // the font's advances.
    for (int c = col; c < end; ++c)
      p.drawText(QPoint((c - leftCol_) * columnWidth_, y + ascent_),
                 QString(QChar(static_cast<char16_t>(text[static_cast<std::size_t>(c)]))));
    col = end;
  }
  // The selection beyond the end of the line.
  if (kind != kSelNone && (selTo < 0 || selTo > std::max(length, firstCol))) {
    const int from = std::max({selFrom, length, firstCol});
    const int to = selTo < 0 ? lastCol : std::min(selTo, lastCol);
    if (to > from)
      p.fillRect(QRect((from - leftCol_) * columnWidth_, y, (to - from) * columnWidth_, lineHeight_), selBack);
  }
}

// --------------------------------------------------------------- caret moves

void TMemoView::MoveCaretTo(TPosition target, int extend) {
  if (store_ == nullptr) return;
  target.Line = std::max(target.Line, 0);
  target.Col = std::max(target.Col, 0);
  if (extend != 0) {
    store_->SelectTo(target, extend == 2 ? kSelBlock : kSelStream);
    return;
  }
  store_->BeginUpdate(change_code::CaretMove);
  if (store_->SelectionKind() != kSelNone) store_->SetSelection(kSelNone, {}, {});
  store_->SetCaret(target);
  store_->EndUpdate();
}

void TMemoView::MoveCaretBy(int lines, int cols, int extend) {
  if (store_ == nullptr) return;
  const TPosition c = store_->Caret();
  const int last = std::max(store_->Lines().Count() - 1, 0);
  MoveCaretTo({std::clamp(c.Line + lines, 0, last), std::max(c.Col + cols, 0)}, extend);
}

void TMemoView::WordMove(bool right, int extend) {
  if (store_ == nullptr) return;
  store_->BeginUpdate(change_code::CaretMove);
  const TPosition old = store_->Caret();
  if (right) store_->WordRight();
  else store_->WordLeft();
  const TPosition target = store_->Caret();
  if (extend != 0) {
    store_->SetCaret(old);
    store_->SelectTo(target, extend == 2 ? kSelBlock : kSelStream);
  } else if (store_->SelectionKind() != kSelNone) {
    store_->SetSelection(kSelNone, {}, {});
  }
  store_->EndUpdate();
}

// ------------------------------------------------------------------- keys

bool TMemoView::focusNextPrevChild(bool next) {
  // Tab and Shift+Tab move the focus on; Ctrl+Tab reaches keyPressEvent.
  return QAbstractScrollArea::focusNextPrevChild(next);
}

bool TMemoView::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    // Keys the table binds belong to the view, not to the window's shortcuts.
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->modifiers() & Qt::ControlModifier) {
      e->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(e);
}

void TMemoView::keyPressEvent(QKeyEvent* event) {
  if (!HandleKey(event->key(), event->modifiers(), event->text())) QAbstractScrollArea::keyPressEvent(event);
  else event->accept();
}

bool TMemoView::HandleKey(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  if (store_ == nullptr) return false;
  int shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= key_shift::Shift;
  if (modifiers & Qt::AltModifier) shift |= key_shift::Alt;
  if (modifiers & Qt::ControlModifier) shift |= key_shift::Ctrl;
  if (key == Qt::Key_Backtab) key = Qt::Key_Tab;
  switch (key) {
    case Qt::Key_Shift: case Qt::Key_Control: case Qt::Key_Alt: case Qt::Key_Meta:
    case Qt::Key_AltGr: case Qt::Key_CapsLock: case Qt::Key_NumLock: case Qt::Key_unknown:
      return false;  // a modifier alone neither runs nor ends anything
    default: break;
  }
  if (key == Qt::Key_Tab) {
    // Tab moves the focus; only Ctrl+Tab reaches the table, as plain Tab.
    if ((shift & key_shift::Ctrl) == 0) return false;
    shift = 0;
  }
  for (auto it = keys_.rbegin(); it != keys_.rend(); ++it) {
    if (it->Key != key || it->Shift != shift) continue;
    if (it->Active != prefix_ && it->Active != kAnyPrefix) continue;
    prefix_ = it->Leave;
    if (it->Command) it->Command(*this);
    return true;
  }
  prefix_ = 0;
  // Character input.
  if ((shift & (key_shift::Ctrl | key_shift::Alt)) != 0 || text.size() != 1) return false;
  const char16_t c = text.at(0).unicode();
  if (!((c >= 32 && c <= 126) || (c >= 128 && c <= 255))) return false;
  if (!store_->ReadOnly()) store_->TypeChar(c);
  return true;
}

// ------------------------------------------------------------------- mouse

void TMemoView::mousePressEvent(QMouseEvent* event) {
  if (store_ == nullptr) return;
  setFocus(Qt::MouseFocusReason);
  prefix_ = 0;
  const TPosition pos = PositionAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier) == 0 && !ReadOnly() &&
      InSelection(pos)) {
    dragCandidate_ = true;
    pressPoint_ = event->position().toPoint();
    return;
  }
  if (event->button() == Qt::LeftButton) {
    if (event->modifiers() & Qt::ShiftModifier) {
      MoveCaretTo(pos, (event->modifiers() & Qt::AltModifier) ? 2 : 1);
    } else {
      MoveCaretTo(pos, 0);
    }
    selecting_ = true;
    blockDrag_ = (event->modifiers() & Qt::AltModifier) != 0;
    dragPoint_ = event->position().toPoint();
    dragTimer_->start();
  } else if (event->button() == Qt::RightButton) {
    MoveCaretTo(pos, 0);
  }
}

void TMemoView::SelectDragTo(QPoint p) {
  const TPosition pos = PositionAt(p);
  if (pos == store_->Caret()) return;
  store_->SelectTo(pos, blockDrag_ ? kSelBlock : kSelStream);
}

void TMemoView::mouseMoveEvent(QMouseEvent* event) {
  if (dragCandidate_ && store_ != nullptr) {
    if ((event->position().toPoint() - pressPoint_).manhattanLength() >= QApplication::startDragDistance())
      StartTextDrag();
    return;
  }
  if (!selecting_ || store_ == nullptr) return;
  dragPoint_ = event->position().toPoint();
  SelectDragTo(dragPoint_);
}

// While the button is held, the selection follows the pointer every 30 ms,
// which scrolls the view when the pointer is above or below it.
void TMemoView::AutoScroll() {
  if (draggingOver_ && store_ != nullptr) {
    // A drag over the view's first or last line scrolls it, the drop
    // position following.
    if (dragPoint_.y() < lineHeight_) ScrollLines(-1);
    else if (dragPoint_.y() >= viewport()->height() - lineHeight_) ScrollLines(1);
    dropPos_ = PositionAt(dragPoint_);
    viewport()->update();
    return;
  }
  if (!selecting_ || store_ == nullptr) {
    dragTimer_->stop();
    return;
  }
  if (dragPoint_.y() < 0 || dragPoint_.y() >= viewport()->height()) SelectDragTo(dragPoint_);
}

void TMemoView::CancelMouseSelection() {
  selecting_ = false;
  dragCandidate_ = false;
  dragTimer_->stop();
}

void TMemoView::mouseReleaseEvent(QMouseEvent* event) {
  if (dragCandidate_) {
    // Pressed on the selection and let go without dragging: a plain click.
    dragCandidate_ = false;
    if (store_ != nullptr) MoveCaretTo(PositionAt(event->position().toPoint()), 0);
  }
  selecting_ = false;
  dragTimer_->stop();
}

void TMemoView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (store_ == nullptr || event->button() != Qt::LeftButton) return;
  MoveCaretTo(PositionAt(event->position().toPoint()), 0);
  store_->SelectWordAtCaret();
  selecting_ = false;
  dragCandidate_ = false;
  dragTimer_->stop();
}

void TMemoView::wheelEvent(QWheelEvent* event) {
  const int notches = event->angleDelta().y() / 120;
  if (notches != 0) ScrollLines(-notches);
  event->accept();
}

// ------------------------------------------------------------- drag and drop

bool TMemoView::InSelection(TPosition p) const {
  if (store_ == nullptr) return false;
  TPosition b = store_->SelectionBegin(), e = store_->SelectionEnd();
  if (e < b) std::swap(b, e);
  switch (store_->SelectionKind()) {
    case kSelStream:
      return !(p < b) && p < e;
    case kSelBlock:
      return p.Line >= b.Line && p.Line <= e.Line && p.Col >= std::min(b.Col, e.Col) &&
             p.Col < std::max(b.Col, e.Col);
    default:
      return false;
  }
}


void TMemoView::StartTextDrag() {
  dragCandidate_ = false;
  auto* drag = new QDrag(this);
  drag->setMimeData(TextMimeData(store_->SelectedText(), store_->SelectionKind() == kSelBlock));
  droppedHere_ = false;
  ownDrag_ = drag;
  const Qt::DropAction action = ExecDrag(*drag);
  ownDrag_ = nullptr;
  // Moved into another window: the text leaves this one.  A move within
  // this view has been done by the drop itself.
  if (action == Qt::MoveAction && !droppedHere_ && store_ != nullptr && !store_->ReadOnly() &&
      store_->SelectionKind() != kSelNone)
    store_->DeleteSelection();
  droppedHere_ = false;
}

void TMemoView::DropSelectionAt(TPosition target, bool copy) {
  if (store_ == nullptr || store_->ReadOnly() || store_->SelectionKind() == kSelNone) return;
  const int last = std::max(store_->Lines().Count() - 1, 0);
  target.Line = std::clamp(target.Line, 0, last);
  target.Col = std::max(target.Col, 0);
  if (InSelection(target)) {
    MoveCaretTo(target, 0);
    return;
  }
  store_->BeginUpdate(change_code::Paste);
  store_->SetCaret(target);
  if (copy) store_->CopySelectionToCaret();
  else store_->MoveSelectionToCaret();
  store_->EndUpdate();
}

void TMemoView::DropTextAt(TPosition target, const QString& text, bool fromBlock) {
  if (store_ == nullptr || store_->ReadOnly() || text.isEmpty()) return;
  const int last = std::max(store_->Lines().Count() - 1, 0);
  target.Line = std::clamp(target.Line, 0, last);
  target.Col = std::max(target.Col, 0);
  // Inserted exactly as a paste of that text at the drop position would be;
  // the system clipboard is left alone.
  TMemoryClipboard dropped;
  dropped.SetText(text.toStdU16String(), fromBlock);
  TMemoClipboard& clipboard = store_->Clipboard();
  store_->SetClipboard(&dropped);
  store_->BeginUpdate(change_code::Paste);
  if (store_->SelectionKind() != kSelNone) store_->SetSelection(kSelNone, {}, {});
  store_->SetCaret(target);
  store_->Paste();
  store_->EndUpdate();
  store_->SetClipboard(&clipboard);
}

// Our own selection's text is dragged over us: the drop moves or copies the
// selection rather than inserting text.
bool TMemoView::OwnDrag(const QDropEvent* event) const {
  return ownDrag_ != nullptr && event->mimeData() == ownDrag_->mimeData();
}

bool TMemoView::AcceptDrag(QDropEvent* event) {
  if (store_ == nullptr || store_->ReadOnly() || !event->mimeData()->hasText()) {
    event->ignore();
    return false;
  }
  if (OwnDrag(event))
    event->setDropAction((event->modifiers() & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction);
  else
    event->setDropAction(event->proposedAction() == Qt::MoveAction ? Qt::MoveAction : Qt::CopyAction);
  event->accept();
  return true;
}

void TMemoView::dragEnterEvent(QDragEnterEvent* event) {
  if (!AcceptDrag(event)) return;
  draggingOver_ = true;
  dragPoint_ = event->position().toPoint();
  dropPos_ = PositionAt(dragPoint_);
  dragTimer_->start();
  viewport()->update();
}

void TMemoView::dragMoveEvent(QDragMoveEvent* event) {
  if (!AcceptDrag(event)) return;
  dragPoint_ = event->position().toPoint();
  dropPos_ = PositionAt(dragPoint_);
  viewport()->update();
}

void TMemoView::dragLeaveEvent(QDragLeaveEvent*) {
  draggingOver_ = false;
  dropPos_ = {-1, 0};
  dragTimer_->stop();
  viewport()->update();
}

void TMemoView::dropEvent(QDropEvent* event) {
  draggingOver_ = false;
  dropPos_ = {-1, 0};
  dragTimer_->stop();
  viewport()->update();
  if (!AcceptDrag(event)) return;
  const TPosition target = PositionAt(event->position().toPoint());
  if (OwnDrag(event)) {
    droppedHere_ = true;
    DropSelectionAt(target, event->dropAction() == Qt::CopyAction);
  } else {
    DropTextAt(target, event->mimeData()->text(), BlockMimeData(*event->mimeData()));
  }
  setFocus(Qt::MouseFocusReason);
}

std::u16string TQtClipboard::Text() const { return QApplication::clipboard()->text().toStdU16String(); }

void TQtClipboard::SetText(std::u16string_view text, bool fromBlock) {
  QApplication::clipboard()->setMimeData(TextMimeData(text, fromBlock));
}

bool TQtClipboard::FromBlock() const {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return data != nullptr && BlockMimeData(*data);
}

void TQtClipboard::Clear() { QApplication::clipboard()->clear(); }

}  // namespace tarlow
