#include "oracle/dataset.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/ui_hooks.h"
#include "platform/ascii.h"

namespace {

std::mutex g_messageMutex;
std::function<void(const std::string&)> g_messageHandler;

void ShowMessage(const std::string& text) {
  std::function<void(const std::string&)> handler;
  {
    std::lock_guard<std::mutex> lock(g_messageMutex);
    handler = g_messageHandler;
  }
  if (handler) handler(text);
  else platform::uiHooks().debugMessage(text);
}

std::string Upper(std::string s) {
  for (auto& c : s) c = platform::asciiUpper(c);
  return s;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (platform::asciiUpper(a[i]) != platform::asciiUpper(b[i])) return false;
  return true;
}

// "*" any run (also none), "?" any one character, the rest itself; the
// pattern covers the whole value.
bool Matches(const char* p, const char* pe, const char* s, const char* se) {
  const char* starP = nullptr;
  const char* starS = nullptr;
  while (s < se) {
    if (p < pe && (*p == '?' || *p == *s)) {
      ++p;
      ++s;
    } else if (p < pe && *p == '*') {
      starP = ++p;
      starS = s;
    } else if (starP) {
      p = starP;
      s = ++starS;
    } else {
      return false;
    }
  }
  while (p < pe && *p == '*') ++p;
  return p == pe;
}

void PutU32(unsigned char* p, uint32_t v) { std::memcpy(p, &v, 4); }
uint32_t GetU32(const unsigned char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

// ---------------------------------------------------------------------------
// TField

bool TField::IsNull() const {
  const TOracleDataSet::Record* r = owner_->Current();
  return !r || owner_->ValueIsNull(*r, *this);
}

std::string TField::AsString() const {
  const TOracleDataSet::Record* r = owner_->Current();
  if (!r) return "";
  return owner_->ValueText(*r, *this);
}

int32_t TField::AsInteger() const {
  const TOracleDataSet::Record* r = owner_->Current();
  if (!r || owner_->ValueIsNull(*r, *this)) return 0;
  const unsigned char* slot = owner_->Slot(*r, *this);
  switch (kind_) {
    case TFieldKind::SmallInt:
    case TFieldKind::Integer:
      return int32_t(GetU32(slot));
    case TFieldKind::Float:
    case TFieldKind::DateTime: {
      double d;
      std::memcpy(&d, slot, 8);
      return int32_t(d);
    }
    default:
      return oraconv::TextToInteger(owner_->Bytes(*r, *this));
  }
}

double TField::AsFloat() const {
  const TOracleDataSet::Record* r = owner_->Current();
  if (!r || owner_->ValueIsNull(*r, *this)) return 0;
  const unsigned char* slot = owner_->Slot(*r, *this);
  switch (kind_) {
    case TFieldKind::SmallInt:
    case TFieldKind::Integer:
      return int32_t(GetU32(slot));
    case TFieldKind::Float:
    case TFieldKind::DateTime: {
      double d;
      std::memcpy(&d, slot, 8);
      return d;
    }
    default:
      return oraconv::TextToFloat(owner_->Bytes(*r, *this), owner_->formats_.DecimalSeparator);
  }
}

double TField::AsDateTime() const {
  if (kind_ == TFieldKind::String || kind_ == TFieldKind::Memo) {
    const TOracleDataSet::Record* r = owner_->Current();
    if (!r || owner_->ValueIsNull(*r, *this)) return 0;
    return oraconv::TextToDate(owner_->Bytes(*r, *this), owner_->formats_);
  }
  return AsFloat();
}

// ---------------------------------------------------------------------------
// TOracleDataSet

TOracleDataSet::TOracleDataSet(TOracleSession* session, const std::string& name)
    : name_(name), query_(session, "MainQuery") {
  if (session) session->AttachDataSet(this);
}

TOracleDataSet::~TOracleDataSet() {
  Close();
  if (query_.Session()) query_.Session()->DetachDataSet(this);
}

void TOracleDataSet::SetMessageHandler(std::function<void(const std::string&)> handler) {
  std::lock_guard<std::mutex> lock(g_messageMutex);
  g_messageHandler = std::move(handler);
}

void TOracleDataSet::SessionDestroyed() {
  Close();
  // MainQuery hears of it through its own registration.
}

void TOracleDataSet::SetSession(TOracleSession* session) {
  if (session == query_.Session()) return;
  Close();
  if (query_.Session()) query_.Session()->DetachDataSet(this);
  query_.SetSession(session);
  if (session) session->AttachDataSet(this);
}

void TOracleDataSet::SetSQL(const std::vector<std::string>& lines) {
  bool wasActive = active_;
  Close();
  query_.SetSQL(lines);
  if (wasActive) SetActive(true);
}

void TOracleDataSet::SetSQLText(const std::string& text) {
  bool wasActive = active_;
  Close();
  query_.SetSQLText(text);
  if (wasActive) SetActive(true);
}

void TOracleDataSet::Raise(const std::string& message) const {
  throw EDatabaseError(name_ + ": " + message);
}

void TOracleDataSet::SetActive(bool v) {
  if (v == active_) return;
  if (!v) {
    Close();
    return;
  }
  try {
    DoOpen();
  } catch (...) {
    Close();
    throw;
  }
}

void TOracleDataSet::Close() {
  active_ = false;
  fields_.clear();
  records_.clear();
  blocks_.clear();
  visible_.clear();
  position_ = -1;
  eof_ = true;
  queryRowPending_ = false;
  queryDone_ = true;
  filterReady_ = false;
  filterField_ = nullptr;
  indexField_ = nullptr;
  indexedCount_ = 0;
  filterIndex_.clear();
}

void TOracleDataSet::DoOpen() {
  Close();
  formats_ = TOracleQuery::Formats();
  if (BeforeQuery) BeforeQuery(query_);
  query_.Execute();
  BuildFields();
  active_ = true;
  queryRowPending_ = !query_.Eof();
  queryDone_ = query_.Eof();
  if (filtered_) ParseFilter();

  struct AfterQueryCall {
    TOracleDataSet* ds;
    ~AfterQueryCall() {
      if (ds->AfterQuery) {
        try {
          ds->AfterQuery(ds->query_);
        } catch (...) {
        }
      }
    }
  } after{this};

  if (queryAllRecords_) {
    bool shown = false;
    TScreenCursor saved = crDefault;
    if (query_.Cursor() != crDefault) {
      saved = platform::uiHooks().screenCursor();
      platform::uiHooks().setScreenCursor(query_.Cursor());
      shown = true;
    }
    try {
      while (!queryDone_) FetchOne();
    } catch (...) {
      if (shown) platform::uiHooks().setScreenCursor(saved);
      throw;
    }
    if (shown) platform::uiHooks().setScreenCursor(saved);
  }
  First();
}

void TOracleDataSet::BuildFields() {
  TOracleSession* session = query_.Session();
  const TSessionPreferences* prefs = session ? &session->Preferences() : nullptr;
  int smallInt = prefs ? prefs->SmallIntPrecision() : -1;
  if (smallInt == 0) smallInt = 4;
  int maxString = prefs ? prefs->MaxStringFieldSize() : 0;

  // The ROWID column gets no field: one named ROWID, else the first of a ROWID type.
  int rowIdColumn = -1;
  for (int i = 0; i < query_.FieldCount(); ++i)
    if (SameName(query_.FieldName(i), "ROWID")) {
      rowIdColumn = i;
      break;
    }
  if (rowIdColumn < 0)
    for (int i = 0; i < query_.FieldCount(); ++i)
      if (query_.FieldInternalType(i) == SQLT_RID || query_.FieldInternalType(i) == SQLT_RDD) {
        rowIdColumn = i;
        break;
      }

  int slot = 0;
  for (int i = 0; i < query_.FieldCount(); ++i) {
    if (i == rowIdColumn) continue;
    const TFieldData& c = query_.Field(i);
    TFieldKind kind;
    int size = 0;
    switch (c.FieldType) {
      case SQLT_INT:
        kind = smallInt >= c.Precision && smallInt >= 0 ? TFieldKind::SmallInt : TFieldKind::Integer;
        break;
      case SQLT_FLT:
      case SQLT_BDOUBLE:
        kind = TFieldKind::Float;
        break;
      case SQLT_TIMESTAMP:
      case SQLT_TIMESTAMP_TZ:
      case SQLT_TIMESTAMP_LTZ:
      case SQLT_INTERVAL_YM:
      case SQLT_INTERVAL_DS:
        // Their text: "2024-02-29 23:59:59.123456789 +05:30", "-1-06".
        size = 64;
        kind = TFieldKind::String;
        break;
      case SQLT_STR:
        size = std::max(1, query_.FieldSize(i));
        kind = maxString != 0 && maxString < size ? TFieldKind::Memo : TFieldKind::String;
        break;
      case SQLT_LNG:
      case SQLT_CLOB:
        kind = TFieldKind::Memo;
        break;
      case SQLT_DAT:
        kind = TFieldKind::DateTime;
        break;
      case SQLT_LBI:
      case SQLT_BLOB:
      case SQLT_BFILEE:
        kind = TFieldKind::Blob;
        break;
      case SQLT_NTY:
        ShowMessage(c.Name + ": Objects are not supported in a data set");
        continue;
      case SQLT_REF:
        ShowMessage(c.Name + ": References are not supported in a data set");
        continue;
      case SQLT_RSET:
        ShowMessage(c.Name + ": Sub-queries not supported in dataset, use TOracleQuery instead");
        continue;
      default:
        continue;
    }
    std::string name = c.Name;
    if (FindField(name)) {
      for (int n = 1;; ++n) {
        std::string candidate = c.Name + "_" + std::to_string(n);
        if (!FindField(candidate)) {
          name = candidate;
          break;
        }
      }
    }
    fields_.push_back(std::unique_ptr<TField>(
        new TField(this, name, kind, kind == TFieldKind::String ? size : 0, int(fields_.size()) + 1, i, slot)));
    ++slot;
  }
  slotsOffset_ = (fields_.size() + 7) / 8 * 8;
}

TOracleDataSet::Record& TOracleDataSet::NewRecord() {
  if (blocks_.empty() || blocks_.back()->used == blocks_.back()->capacity) {
    size_t capacity = std::max<size_t>(size_t(query_.ReadBuffer()) + 1, records_.size() / 2);
    auto block = std::make_unique<Block>();
    block->records.reset(new Record[capacity]);
    block->capacity = capacity;
    blocks_.push_back(std::move(block));
  }
  Block& b = *blocks_.back();
  return b.records[b.used++];
}

void TOracleDataSet::ReadRow(Record& r) {
  TOracleSession* session = query_.Session();
  bool trim = session ? session->Preferences().TrimStringFields() : true;
  const size_t n = fields_.size();
  const size_t fixed = slotsOffset_ + n * 8;
  std::string& bytes = rowBytes_;
  bytes.assign(fixed, '\0');
  auto putBytes = [&](size_t k, const std::string& v) {
    // Offsets are relative to the start of the record's data.
    PutU32(reinterpret_cast<unsigned char*>(bytes.data()) + slotsOffset_ + k * 8, uint32_t(bytes.size()));
    PutU32(reinterpret_cast<unsigned char*>(bytes.data()) + slotsOffset_ + k * 8 + 4, uint32_t(v.size()));
    bytes.append(v);
  };
  for (size_t k = 0; k < n; ++k) {
    const TField& f = *fields_[k];
    const int col = f.column_;
    const int code = query_.Field(col).FieldType;
    bool null = query_.FieldIsNull(col);
    unsigned char* slot = reinterpret_cast<unsigned char*>(bytes.data()) + slotsOffset_ + k * 8;
    if (!null) {
      switch (code) {
        case SQLT_INT: {
          int32_t v = query_.FieldAsInteger(col);
          std::memcpy(slot, &v, 4);
          break;
        }
        case SQLT_FLT:
        case SQLT_BDOUBLE: {
          double v = query_.FieldAsFloat(col);
          std::memcpy(slot, &v, 8);
          break;
        }
        case SQLT_DAT: {
          double v = query_.FieldAsDate(col);
          std::memcpy(slot, &v, 8);
          break;
        }
        case SQLT_STR: {
          std::string text = query_.FieldAsText(col);
          if (trim) {
            size_t e = text.size();
            while (e > 0 && (unsigned char)text[e - 1] <= 32) --e;
            text.resize(e);
          }
          if (f.kind_ == TFieldKind::String) {
            if (int(text.size()) > f.size_) text = CutToCharacters(text, f.size_);
          } else if (text.empty()) {
            null = true;
            break;
          }
          putBytes(k, text);
          break;
        }
        default: {
          TOracleVariant v = query_.FieldValue(col);
          if (v.IsEmpty()) {
            null = true;
            break;
          }
          if (v.kind() != TOracleVariant::Kind::String && v.kind() != TOracleVariant::Kind::Bytes)
            throw EOracleException("Unexpected datatype: " + f.name_);
          putBytes(k, v.AsString());
          break;
        }
      }
    }
    bytes[k] = null ? 1 : 0;
  }
  r.data.reset(new unsigned char[bytes.size()]);
  std::memcpy(r.data.get(), bytes.data(), bytes.size());
  r.recordNo = int32_t(records_.size()) + 1;
  r.updateStatus = 0;
}

bool TOracleDataSet::FetchOne() {
  while (!queryDone_) {
    if (!queryRowPending_) {
      query_.Next();
      if (query_.Eof()) {
        queryDone_ = true;
        return false;
      }
    }
    queryRowPending_ = false;
    Record& r = NewRecord();
    try {
      ReadRow(r);
    } catch (...) {
      // The slot stays unused: give it back.
      blocks_.back()->used--;
      throw;
    }
    records_.push_back(&r);
    bool visible = !filtered_ || Passes(r);
    if (filtered_ && visible) visible_.push_back(int32_t(records_.size()) - 1);
    if (query_.Eof()) queryDone_ = true;
    if (visible) return true;
  }
  return false;
}

const TOracleDataSet::Record* TOracleDataSet::Current() const {
  if (!active_ || eof_ || position_ < 0) return nullptr;
  if (filtered_) {
    if (size_t(position_) >= visible_.size()) return nullptr;
    return records_[size_t(visible_[size_t(position_)])];
  }
  if (size_t(position_) >= records_.size()) return nullptr;
  return records_[size_t(position_)];
}

void TOracleDataSet::First() {
  if (!active_) {
    eof_ = true;
    return;
  }
  position_ = -1;
  eof_ = false;
  Next();
}

void TOracleDataSet::Next() {
  if (!active_) return;
  size_t held = filtered_ ? visible_.size() : records_.size();
  if (position_ + 1 < int32_t(held)) {
    ++position_;
    eof_ = false;
    return;
  }
  // Not after the end: rows may remain in the query.
  if (!queryDone_ && FetchOne()) {
    ++position_;
    eof_ = false;
    return;
  }
  eof_ = true;
  if (position_ < int32_t(held)) position_ = int32_t(held);
}

int32_t TOracleDataSet::RecordCount() const {
  if (!active_) return 0;
  return int32_t(filtered_ ? visible_.size() : records_.size());
}

int32_t TOracleDataSet::RecNo() const {
  const Record* r = Current();
  return r ? r->recordNo : 0;
}

TField* TOracleDataSet::FindField(const std::string& name) {
  for (auto& f : fields_)
    if (SameName(f->name_, name)) return f.get();
  return nullptr;
}

TField& TOracleDataSet::FieldByName(const std::string& name) {
  TField* f = FindField(name);
  if (!f) Raise("Field '" + name + "' not found");
  return *f;
}

std::string TOracleDataSet::Bytes(const Record& r, const TField& f) const {
  const unsigned char* slot = Slot(r, f);
  return std::string(reinterpret_cast<const char*>(r.data.get()) + GetU32(slot), GetU32(slot + 4));
}

std::string TOracleDataSet::ValueText(const Record& r, const TField& f) const {
  if (ValueIsNull(r, f)) return "";
  const unsigned char* slot = Slot(r, f);
  switch (f.kind_) {
    case TFieldKind::SmallInt:
    case TFieldKind::Integer:
      return oraconv::IntegerToText(int32_t(GetU32(slot)));
    case TFieldKind::Float: {
      double d;
      std::memcpy(&d, slot, 8);
      return oraconv::FloatToText(d, formats_.DecimalSeparator);
    }
    case TFieldKind::DateTime: {
      double d;
      std::memcpy(&d, slot, 8);
      return oraconv::DateTimeToText(d, formats_);
    }
    default:
      return Bytes(r, f);
  }
}

// ---------------------------------------------------------------------------
// Filtering

void TOracleDataSet::SetFilter(const std::string& filter) {
  if (filter == filter_) return;
  std::string old = filter_;
  filter_ = filter;
  if (filtered_ && active_) {
    try {
      ParseFilter();
    } catch (...) {
      filter_ = old;
      ParseFilter();
      throw;
    }
    RebuildVisible();
  }
}

void TOracleDataSet::SetFiltered(bool v) {
  if (v && active_) ParseFilter();  // a bad filter leaves Filtered as it was
  filtered_ = v;
  if (active_) RebuildVisible();
}

void TOracleDataSet::SetFilterOptions(TFilterOptions v) {
  filterOptions_ = v;
  if (filtered_ && active_) RebuildVisible();
}

void TOracleDataSet::ParseFilter() {
  filterReady_ = false;
  filterField_ = nullptr;
  filterLiteral_.clear();
  const std::string& s = filter_;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < s.size() && (unsigned char)s[i] <= ' ') ++i;
  };
  auto notAppropriate = [&](size_t at) {
    throw EDatabaseError(std::string(1, s[at]) + " not appropriate");
  };
  skipBlanks();
  if (i == s.size()) {
    filterReady_ = true;  // an empty filter lets everything through
    return;
  }
  size_t start = i;
  while (i < s.size() && (platform::isAsciiAlnum(s[i]) || s[i] == '_')) ++i;
  if (i == start) notAppropriate(i);
  std::string column = s.substr(start, i - start);
  TField* field = FindField(column);
  if (!field) Raise("Field '" + column + "' not found");
  skipBlanks();
  if (i == s.size()) throw EDatabaseError("Incomplete filter expression");
  if (s[i] != '=') notAppropriate(i);
  ++i;
  skipBlanks();
  if (i == s.size()) throw EDatabaseError("Incomplete filter expression");
  std::string literal;
  if (s[i] == '\'') {
    ++i;
    bool closed = false;
    while (i < s.size()) {
      if (s[i] == '\'') {
        if (i + 1 < s.size() && s[i + 1] == '\'') {
          literal += '\'';
          i += 2;
          continue;
        }
        closed = true;
        ++i;
        break;
      }
      literal += s[i++];
    }
    if (!closed) throw EDatabaseError("Unterminated string");
    if (literal.size() > 256) throw EDatabaseError("String too long");
  } else if (platform::isAsciiDigit(s[i]) || s[i] == '-' || s[i] == '.') {
    // A number compares with the field's text.
    size_t b = i;
    ++i;
    while (i < s.size() && (platform::isAsciiDigit(s[i]) || s[i] == '.')) ++i;
    literal = s.substr(b, i - b);
  } else {
    notAppropriate(i);
  }
  skipBlanks();
  if (i < s.size()) notAppropriate(i);
  filterField_ = field;
  filterLiteral_ = literal;
  filterReady_ = true;
}

bool TOracleDataSet::Passes(const Record& r) const {
  if (!filterReady_ || !filterField_) return true;
  if (ValueIsNull(r, *filterField_)) return false;
  std::string value = ValueText(r, *filterField_);
  std::string pattern = filterLiteral_;
  if (filterOptions_ & foCaseInsensitive) {
    value = Upper(value);
    pattern = Upper(pattern);
  }
  if (filterOptions_ & foNoPartialCompare) return value == pattern;
  return Matches(pattern.data(), pattern.data() + pattern.size(), value.data(), value.data() + value.size());
}

void TOracleDataSet::UpdateFilterIndex() {
  const bool upper = (filterOptions_ & foCaseInsensitive) != 0;
  if (indexField_ != filterField_ || indexUpper_ != upper) {
    filterIndex_.clear();
    indexedCount_ = 0;
    indexField_ = filterField_;
    indexUpper_ = upper;
  }
  for (; indexedCount_ < records_.size(); ++indexedCount_) {
    const Record& r = *records_[indexedCount_];
    if (ValueIsNull(r, *indexField_)) continue;
    std::string value = ValueText(r, *indexField_);
    if (upper) value = Upper(value);
    filterIndex_[value].push_back(int32_t(indexedCount_));
  }
}

void TOracleDataSet::RebuildVisible() {
  visible_.clear();
  if (filtered_) {
    if (filterReady_ && filterField_ != nullptr && (filterOptions_ & foNoPartialCompare)) {
      // The same records, in the same order, as testing each one would give.
      UpdateFilterIndex();
      const std::string key = (filterOptions_ & foCaseInsensitive) ? Upper(filterLiteral_) : filterLiteral_;
      if (auto found = filterIndex_.find(key); found != filterIndex_.end()) visible_ = found->second;
    } else {
      for (size_t k = 0; k < records_.size(); ++k)
        if (Passes(*records_[k])) visible_.push_back(int32_t(k));
    }
  }
  First();
}
