#include "editor/memo_source.h"

#include <algorithm>
#include <climits>
#include <istream>
#include <iterator>
#include <mutex>
#include <ostream>
#include <stdexcept>

#include "editor/line_matcher.h"
#include "editor/text_blanks.h"
#include "editor/text_convert.h"

namespace tarlow {

namespace {

std::mutex& StoresLock() {
  static std::mutex m;
  return m;
}
std::vector<TMemoSource*>& Stores() {
  static std::vector<TMemoSource*> stores;
  return stores;
}

constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';
constexpr char16_t kTab = u'\t';

// Calls line(view) for each line of text the way the whole-text assignment
// splits it: a line ends at CR LF, a lone CR or a lone LF; NUL ends the
// text; a break at the very end starts no further line.  The views point
// into text, so a long text is never held twice.
template <typename LineFn>
void ForEachLine(std::u16string_view text, LineFn line) {
  const std::size_t nul = text.find(u'\0');
  if (nul != std::u16string_view::npos) text = text.substr(0, nul);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string_view::npos) {
      line(text.substr(start));
      return;
    }
    line(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == kCR && start < text.size() && text[start] == kLF) ++start;
  }
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  ForEachLine(text, [&lines](std::u16string_view l) { lines.emplace_back(l); });
  return lines;
}

int ParseInteger(const std::string& entry) {
  std::size_t i = 0;
  bool negative = false;
  if (i < entry.size() && (entry[i] == '+' || entry[i] == '-')) negative = entry[i++] == '-';
  if (i == entry.size()) throw std::invalid_argument("'" + entry + "' is not a valid integer value");
  long long value = 0;
  for (; i < entry.size(); ++i) {
    if (entry[i] < '0' || entry[i] > '9' || value > INT_MAX)
      throw std::invalid_argument("'" + entry + "' is not a valid integer value");
    value = value * 10 + (entry[i] - '0');
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN)
    throw std::invalid_argument("'" + entry + "' is not a valid integer value");
  return static_cast<int>(value);
}

}  // namespace

// ---- internal line list ---------------------------------------------------

TStringItem& TInternalStrings::Insert(int i, std::u16string text) {
  if (items_.size() == items_.capacity()) {
    const std::size_t cap = items_.capacity();
    items_.reserve(cap + std::max<std::size_t>(cap / 2, 64));
  }
  auto item = std::make_unique<TStringItem>();
  item->LineText = std::move(text);
  auto it = items_.insert(items_.begin() + i, std::move(item));
  return **it;
}

void TInternalStrings::Delete(int i) { items_.erase(items_.begin() + i); }

void TInternalStrings::Clear() {
  items_.clear();
  items_.shrink_to_fit();
}

// ---- the public line list ---------------------------------------------------

int TExternalStrings::Count() const { return owner_.items_.Count(); }

std::u16string TExternalStrings::Get(int i) const {
  if (i < 0 || i >= Count()) return {};
  return owner_.ExpandTabs(owner_.items_.Item(i).LineText);
}

void TExternalStrings::Put(int i, std::u16string_view text) {
  if (i < 0 || i >= Count()) return;
  owner_.BeginUpdate(change_code::LinesPut);
  TStringItem& item = owner_.items_.Item(i);
  item.LineText = owner_.ReplaceTabs(text);
  item.Flags &= static_cast<std::uint8_t>(~TStringItem::ColorValid);
  owner_.MarkChanged(i, i);
  owner_.EndUpdate();
  owner_.ClearUndo();
}

void TExternalStrings::Insert(int i, std::u16string_view text) {
  if (i < 0 || i > Count()) return;
  owner_.BeginUpdate(change_code::LinesInsert);
  owner_.caret_ = {std::clamp(i, 0, std::max(Count() - 1, 0)), 0};
  owner_.InsertLine(i, owner_.ReplaceTabs(text));
  owner_.EndUpdate();
  owner_.ClearUndo();
}

int TExternalStrings::Add(std::u16string_view text) {
  const int i = Count();
  Insert(i, text);
  return i;
}

void TExternalStrings::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  owner_.BeginUpdate(change_code::DeleteLine);
  owner_.caret_ = {i, 0};
  owner_.DeleteLineItem(i);
  owner_.EndUpdate();
  owner_.ClearUndo();
}

void TExternalStrings::Clear() {
  owner_.BeginUpdate(change_code::LinesClear);
  owner_.ClearLines();
  owner_.EndUpdate();
  owner_.ClearUndo();
}

void* TExternalStrings::GetObject(int i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return owner_.items_.Item(i).UserObject;
}

void TExternalStrings::PutObject(int i, void* object) {
  if (i < 0 || i >= Count()) return;
  owner_.items_.Item(i).UserObject = object;
}

std::u16string TExternalStrings::GetText() const {
  std::u16string text;
  std::size_t size = 0;
  for (int i = 0; i < Count(); ++i) size += owner_.items_.Item(i).LineText.size() + 2;
  text.reserve(size);
  for (int i = 0; i < Count(); ++i) {
    text += owner_.items_.Item(i).LineText;
    text += u"\r\n";
  }
  for (int k = 0; k < 2 && !text.empty() && (text.back() == kCR || text.back() == kLF); ++k)
    text.pop_back();
  return text;
}

void TExternalStrings::SetText(std::u16string_view text) {
  owner_.BeginUpdate(change_code::SetText);
  owner_.ClearLines();
  ForEachLine(text, [this](std::u16string_view line) { owner_.InsertLine(Count(), owner_.ReplaceTabs(line)); });
  owner_.caret_ = {0, 0};
  owner_.EndUpdate();
  owner_.ClearUndo();
}

void TExternalStrings::AppendText(std::u16string_view text) {
  // Getting the whole text drops the break after the last line, so the new
  // text continues the last line; setting it splits that line again and
  // leaves all earlier lines as they are.  Only the last line is rebuilt.
  const int n = Count();
  std::u16string combined;
  if (n > 0) combined = owner_.items_.Item(n - 1).LineText;
  combined.append(text);
  std::vector<std::u16string> pieces = SplitLines(combined);

  owner_.BeginUpdate(change_code::SetText);
  int first = n > 0 ? n - 1 : 0;
  if (n > 0) {
    if (pieces.empty()) {
      owner_.DeleteLineItem(n - 1);
    } else {
      TStringItem& item = owner_.items_.Item(n - 1);
      item.LineText = owner_.ReplaceTabs(pieces.front());
      item.Flags &= static_cast<std::uint8_t>(~TStringItem::ColorValid);
      owner_.MarkChanged(n - 1, n - 1);
    }
  }
  for (std::size_t k = n > 0 ? 1 : 0; k < pieces.size(); ++k)
    owner_.InsertLine(Count(), owner_.ReplaceTabs(pieces[k]));
  owner_.MarkChanged(first, std::max(first, Count() - 1));
  owner_.caret_ = {0, 0};
  owner_.EndUpdate();
  owner_.ClearUndo();
}

void TExternalStrings::Assign(const std::vector<std::u16string>& lines) {
  owner_.BeginUpdate(change_code::SetText);
  owner_.ClearLines();
  for (const auto& line : lines) owner_.InsertLine(Count(), owner_.ReplaceTabs(line));
  owner_.caret_ = {0, 0};
  owner_.EndUpdate();
  owner_.ClearUndo();
}

void TExternalStrings::LoadFromStream(std::istream& in) {
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  SetText(Utf8ToUtf16(bytes));
}

void TExternalStrings::SaveToStream(std::ostream& out) const {
  const char* brk = "\r\n";
  switch (owner_.outFormat_) {
    case TOutFormatType::ofWindows: brk = "\r\n"; break;
    case TOutFormatType::ofMac: brk = "\r"; break;
    case TOutFormatType::ofUnix: brk = "\n"; break;
  }
  const bool skipReadOnly = owner_.HasOption(soExcludeReadOnlyLines);
  for (int i = 0; i < Count(); ++i) {
    const TStringItem& item = owner_.items_.Item(i);
    if (skipReadOnly && (item.Flags & TStringItem::LineReadOnly)) continue;
    out << Utf16ToUtf8(item.LineText) << brk;
  }
}

// ---- parser registration ---------------------------------------------------------

TMemoParser::~TMemoParser() {
  const std::vector<TMemoSource*> stores = stores_;
  for (TMemoSource* s : stores) s->ParserDestroyed(this);
}

void TMemoParser::RegisterStore(TMemoSource* store) {
  if (std::find(stores_.begin(), stores_.end(), store) == stores_.end()) stores_.push_back(store);
}

void TMemoParser::UnregisterStore(TMemoSource* store) {
  stores_.erase(std::remove(stores_.begin(), stores_.end(), store), stores_.end());
}

void TMemoParser::ResetStoresColoring() {
  const std::vector<TMemoSource*> stores = stores_;
  for (TMemoSource* s : stores) s->ResetColoring();
}

// ---- the store ----------------------------------------------------------------

TMemoSource::TMemoSource() {
  std::lock_guard<std::mutex> lock(StoresLock());
  Stores().push_back(this);
}

TMemoSource::~TMemoSource() {
  if (parser_) parser_->UnregisterStore(this);
  std::lock_guard<std::mutex> lock(StoresLock());
  auto& s = Stores();
  s.erase(std::remove(s.begin(), s.end(), this), s.end());
}

int TMemoSource::StoreCount() {
  std::lock_guard<std::mutex> lock(StoresLock());
  return static_cast<int>(Stores().size());
}

void TMemoSource::BeginUpdate(int code) {
  if (depth_++ > 0) return;
  savedCount_ = items_.Count();
  minLine_ = INT_MAX;
  maxLine_ = INT_MIN;
  flags_ = 0;
  code_ = code;
  savedMatch_ = match_;
  match_ = MatchArea{};
  savedSelKind_ = selKind_;
  savedSelBegin_ = selBegin_;
  savedSelEnd_ = selEnd_;
  savedModified_ = modified_;
  savedCaret_ = caret_;
  nextUndoStartsAction_ = true;
}

void TMemoSource::MarkChanged(int first, int last) {
  flags_ |= change_flag::Text;
  minLine_ = std::min(minLine_, first);
  maxLine_ = std::max(maxLine_, last);
}

void TMemoSource::EndUpdate() {
  if (depth_ == 0) return;  // an unmatched EndUpdate changes nothing
  if (--depth_ > 0) return;
  namespace cf = change_flag;
  auto addRange = [this](int a, int b) {
    minLine_ = std::min(minLine_, std::min(a, b));
    maxLine_ = std::max(maxLine_, std::max(a, b));
  };

  const bool caretMoved = caret_ != savedCaret_;
  if (caretMoved) flags_ |= cf::Caret;
  if (selKind_ != kSelNone && (selBegin_ == selEnd_ || selEnd_ < selBegin_)) selKind_ = kSelNone;
  if ((flags_ & (cf::Caret | cf::Text)) && !(flags_ & cf::UndoRedo)) redo_.Clear();
  const bool hadSelection = savedSelKind_ != kSelNone;
  const bool hasSelection = selKind_ != kSelNone;
  if (selKind_ != savedSelKind_ ||
      (hasSelection && (selBegin_ != savedSelBegin_ || selEnd_ != savedSelEnd_))) {
    flags_ |= cf::Selection;
    if (hadSelection) addRange(savedSelBegin_.Line, savedSelEnd_.Line);
    if (hasSelection) addRange(selBegin_.Line, selEnd_.Line);
  } else if (hasSelection && !HasOption(soPersistentBlocks) && caretMoved &&
             code_ != change_code::SelectAll && code_ != change_code::Find &&
             code_ != change_code::Replace) {
    addRange(selBegin_.Line, selEnd_.Line);
    selKind_ = kSelNone;
    flags_ |= cf::Selection;
  }
  if (!(match_ == savedMatch_)) {
    flags_ |= cf::MatchHighlight;
    if (savedMatch_.Line >= 0) addRange(savedMatch_.Line, savedMatch_.Line);
    if (match_.Line >= 0) addRange(match_.Line, match_.Line);
  }
  if (items_.Count() != savedCount_) flags_ |= cf::LineCount;
  if (flags_ & cf::Text) {
    modified_ = true;
    frontier_ = std::min(frontier_, std::max(minLine_, 0));
  }
  if (flags_ & cf::ColorReset) {
    frontier_ = 0;
    minLine_ = 0;
    maxLine_ = std::max(items_.Count() - 1, 0);
  }
  if (modified_ != savedModified_) flags_ |= cf::Modified;
  if (flags_ != 0) {
    TMemoChange change;
    change.Code = code_;
    change.Flags = flags_;
    change.FirstLine = minLine_;
    change.LastLine = maxLine_;
    Notify(change);
  }
}

void TMemoSource::Notify(const TMemoChange& change) {
  // A view may detach itself while it is told; work on a copy.
  const std::vector<TMemoObserver*> views = views_;
  for (TMemoObserver* v : views)
    if (std::find(views_.begin(), views_.end(), v) != views_.end()) v->MemoChanged(*this, change);
}

void TMemoSource::InsertLine(int i, std::u16string text) {
  items_.Insert(i, std::move(text));
  // Tracked positions move as for a split of line i at column 0.
  for (auto& t : tracked_)
    if (t.Pos.Line >= i) ++t.Pos.Line;
  MarkChanged(i, std::max(i, items_.Count() - 1));
}

void TMemoSource::DeleteLineItem(int i) {
  const int oldLast = items_.Count() - 1;
  items_.Delete(i);
  for (auto& t : tracked_) {
    if (t.Pos.Line > i) {
      --t.Pos.Line;
    } else if (t.Pos.Line == i) {
      t.Pos.Col = 0;
    }
  }
  MarkChanged(i, std::max(i, oldLast));
}

void TMemoSource::ClearLines() {
  const int oldLast = items_.Count() - 1;
  items_.Clear();
  caret_ = {0, 0};
  selKind_ = kSelNone;
  selBegin_ = selEnd_ = {0, 0};
  for (auto& t : tracked_) t.Pos = {0, 0};
  MarkChanged(0, std::max(oldLast, 0));
}

void TMemoSource::SetSelection(int kind, TPosition begin, TPosition end) {
  BeginUpdate(change_code::SetSelection);
  switch (blockOption_) {
    case TBlockOption::bkNone: kind = kSelNone; break;
    case TBlockOption::bkStreamSel: if (kind != kSelNone) kind = kSelStream; break;
    case TBlockOption::bkBlockSel: if (kind != kSelNone) kind = kSelBlock; break;
    case TBlockOption::bkBoth: break;
  }
  selKind_ = kind;
  selBegin_ = begin;
  selEnd_ = end;
  EndUpdate();
}

int TMemoSource::AddTrackedPosition(TPosition p) {
  tracked_.push_back({nextHandle_, p});
  return nextHandle_++;
}

TPosition TMemoSource::TrackedPosition(int handle) const {
  for (const auto& t : tracked_)
    if (t.Handle == handle) return t.Pos;
  return {};
}

void TMemoSource::RemoveTrackedPosition(int handle) {
  tracked_.erase(std::remove_if(tracked_.begin(), tracked_.end(),
                                [handle](const Tracked& t) { return t.Handle == handle; }),
                 tracked_.end());
}

void TMemoSource::SetOptions(TStringsOptions options) {
  const TStringsOptions useTab = OptionBit(soUseTabCharacter);
  const TStringsOptions smartTab = OptionBit(soSmartTab);
  if (options & useTab) {
    if (!(options_ & useTab)) {
      options &= ~smartTab;  // tab characters newly switched on win
    } else if (options & smartTab) {
      options &= ~useTab;    // smart tabs newly asked for win
    }
  }
  options_ = options;
}

void TMemoSource::SetSpacesInTab(int n) { spacesInTab_ = (n >= 1 && n <= 10) ? n : 8; }

void TMemoSource::SetTabStops(const std::string& text) {
  if (text.empty() || text == tabStopsText_) return;
  std::vector<int> stops;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    const std::string entry = TrimBlanks(std::string_view(text).substr(start, comma - start));
    if (!entry.empty()) {
      const int value = ParseInteger(entry);
      // Stops must rise; the first must be a real column beyond 0 or the
      // stops beyond the list would never advance.
      if ((!stops.empty() && value <= stops.back()) || (stops.empty() && value <= 0))
        throw std::invalid_argument("Invalid Tab Rack");
      stops.push_back(value);
    }
    start = comma + 1;
  }
  if (stops.empty()) stops.push_back(8);
  tabStops_ = std::move(stops);
  tabStopsText_ = text;
}

int TMemoSource::TabStop(int i) const {
  const int n = static_cast<int>(tabStops_.size());
  if (i < n) return tabStops_[static_cast<std::size_t>(std::max(i, 0))];
  const int step = n > 1 ? tabStops_[n - 1] - tabStops_[n - 2] : tabStops_[0];
  return tabStops_[n - 1] + (i - (n - 1)) * step;
}

int TMemoSource::NextTabStop(int column) const {
  for (int s : tabStops_)
    if (s > column) return s;
  const int n = static_cast<int>(tabStops_.size());
  const int step = n > 1 ? tabStops_[n - 1] - tabStops_[n - 2] : tabStops_[0];
  const int last = tabStops_[n - 1];
  return last + ((column - last) / step + 1) * step;
}

void TMemoSource::SetDelimeters(std::u16string_view extra) { delimeters_.assign(extra); }

bool TMemoSource::IsDelimeter(char16_t c) const {
  return c <= 32 || delimeters_.find(c) != std::u16string::npos;
}

void TMemoSource::SetReadOnly(bool on) {
  if (on == readOnly_) return;
  BeginUpdate(change_code::ReadOnlyChanged);
  readOnly_ = on;
  flags_ |= change_flag::ReadOnly;
  EndUpdate();
}

void TMemoSource::SetModified(bool on) {
  if (!on) {
    // The saved point: the last text-changing record of the undo list.
    savedPoint_ = -1;
    for (int i = undo_.Count() - 1; i >= 0; --i)
      if (undo_.Records()[static_cast<std::size_t>(i)].ChangesText()) {
        savedPoint_ = i;
        break;
      }
    undoPastSaved_ = false;
  }
  if (on == modified_) return;
  BeginUpdate(change_code::ModifiedChanged);
  modified_ = on;
  EndUpdate();
}

void TMemoSource::Loaded() {
  BeginUpdate(change_code::ComponentLoaded);
  modified_ = false;
  caret_ = {0, 0};
  EndUpdate();
  ClearUndo();
}

std::u16string TMemoSource::ReplaceTabs(std::u16string_view text) const {
  if (HasOption(soUseTabCharacter) || text.find(kTab) == std::u16string_view::npos)
    return std::u16string(text);
  std::u16string out;
  out.reserve(text.size() + static_cast<std::size_t>(spacesInTab_));
  for (char16_t c : text) {
    if (c == kTab) {
      out.append(static_cast<std::size_t>(spacesInTab_), u' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::u16string TMemoSource::ExpandTabs(const std::u16string& line) const {
  if (line.find(kTab) == std::u16string::npos) return line;
  std::u16string out;
  for (char16_t c : line) {
    if (c == kTab) {
      const int next = NextTabStop(static_cast<int>(out.size()));
      out.append(static_cast<std::size_t>(next) - out.size(), u' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

void TMemoSource::Attach(TMemoObserver* view) {
  if (!view || std::find(views_.begin(), views_.end(), view) != views_.end()) return;
  views_.push_back(view);
  BeginUpdate(change_code::ViewAttached);
  // Every line is to be painted, but no text changed: only the range.
  minLine_ = 0;
  maxLine_ = std::max(items_.Count() - 1, 0);
  flags_ |= change_flag::ViewAttachedFlags;
  EndUpdate();
}

void TMemoSource::Detach(TMemoObserver* view) {
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void TMemoSource::SetSyntaxParser(TMemoParser* parser) {
  BeginUpdate(change_code::ParserChanged);
  if (parser_) parser_->UnregisterStore(this);
  parser_ = parser;
  if (parser_) parser_->RegisterStore(this);
  ResetColoringLocked();
  EndUpdate();
}

void TMemoSource::ParserDestroyed(TMemoParser* parser) {
  if (parser_ != parser) return;
  BeginUpdate(change_code::ParserChanged);
  parser_ = nullptr;
  ResetColoringLocked();
  EndUpdate();
}

void TMemoSource::ResetColoring() {
  BeginUpdate(change_code::ParserChanged);
  ResetColoringLocked();
  EndUpdate();
}

void TMemoSource::ResetColoringLocked() {
  for (int i = 0; i < items_.Count(); ++i) {
    TStringItem& item = items_.Item(i);
    item.Flags &= static_cast<std::uint8_t>(~TStringItem::ColorValid);
    item.ColorData.clear();
    item.ViewData[0] = item.ViewData[1] = item.ViewData[2] = 0;
  }
  frontier_ = 0;
  flags_ |= change_flag::ColorReset;
}

const std::string& TMemoSource::ColorData(int i) {
  static const std::string kNone;
  if (i < 0 || i >= items_.Count()) return kNone;
  const TStringItem& item = items_.Item(i);
  if (i < frontier_ && (item.Flags & TStringItem::ColorValid)) return item.ColorData;
  // Colour on demand, with a look-ahead so that scrolling down a little
  // needs no further work.
  ColorRange(std::min(frontier_, i), i > INT_MAX - 100 ? i : i + 100);
  return item.ColorData;
}

void TMemoSource::ColorOneLine(TStringItem& item, std::uint32_t startState) {
  item.StartState = startState;
  std::uint32_t end = 0;
  if (parser_) {
    parser_->ColorLine(item.LineText, startState, item.ColorData, end);
    item.ColorData.resize(item.LineText.size(), '\0');
  } else {
    item.ColorData.assign(item.LineText.size(), '\0');
  }
  item.EndState = end;
  item.Flags |= TStringItem::ColorValid;
}

void TMemoSource::ColorRange(int a, int b) {
  b = std::min(b, items_.Count() - 1);
  a = std::max(a, 0);
  if (b < a) return;
  std::uint32_t incoming = a > 0 ? items_.Item(a - 1).EndState : 0;
  for (int i = a; i <= b; ++i) {
    TStringItem& item = items_.Item(i);
    if (!(item.Flags & TStringItem::ColorValid) || item.StartState != incoming) ColorOneLine(item, incoming);
    incoming = item.EndState;
  }
  frontier_ = b + 1;
}

void TMemoSource::RecolorEditedLine(int i) {
  // The edited line is coloured at once; when its end state changed, every
  // later line may colour differently and is reported changed (they are
  // coloured again on demand, their start states no longer matching).
  TStringItem& item = items_.Item(i);
  const std::uint32_t oldEnd = item.EndState;
  const bool wasValid = (item.Flags & TStringItem::ColorValid) != 0;
  const std::uint32_t start = i > 0 ? items_.Item(i - 1).EndState : 0;
  ColorOneLine(item, start);
  const bool nextStale = i + 1 < items_.Count() && (items_.Item(i + 1).Flags & TStringItem::ColorValid) &&
                         items_.Item(i + 1).StartState != item.EndState;
  if ((wasValid && item.EndState != oldEnd) || nextStale) {
    MarkChanged(i, std::max(i, items_.Count() - 1));
  } else {
    MarkChanged(i, i);
  }
}

void TMemoSource::SetMatchHighlight(MatchArea area) {
  BeginUpdate(change_code::Find);
  match_ = area;
  EndUpdate();
}

void ApplyScriptStoreSettings(TMemoSource& store) {
  store.SetOptions(OptionBit(soForceCutCopy) | OptionBit(soAutoIndent) | OptionBit(soSmartTab) |
                   OptionBit(soOverwriteBlocks));
  store.SetTabStops("2");
  store.SetReadOnly(true);
  store.SetSpacesInTab(2);
  store.Loaded();
}

}  // namespace tarlow
