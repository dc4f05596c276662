#include "oracle/variables.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "oracle/errors.h"
#include "oracle/query.h"
#include "oracle/session.h"

namespace {

// Bytes per element that a new variable of each type gets; -1: no such type.
int32_t InitialBufferSize(int16_t type) {
  switch (type) {
    case otSubst: return 0;
    case otInteger: return 4;
    case otFloat: return 8;
    case otString: return 4001;
    case otLong: return 0;
    case otPLSQLString: return 32513;
    case otDate: return 7;
    case otLongRaw: return 0;
    case otChar: return 4001;
    case otObject:
    case otReference:
    case otCLOB:
    case otBLOB:
    case otBFile:
    case otCursor: return 0;
    default: return -1;
  }
}

bool IsComplexType(int16_t type) {
  return type == otObject || type == otReference || (type >= otCLOB && type <= otBFile) || type == otCursor;
}

std::string AsciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

// The longest prefix of UTF-8 text that fits `bytes` without cutting a
// character in two.
size_t FittingPrefix(const std::string& text, size_t bytes) {
  if (text.size() <= bytes) return text.size();
  size_t n = bytes;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return n;
}

// A refusal of the value itself, as opposed to a failed conversion.
struct Refusal : EOracleException {
  using EOracleException::EOracleException;
};

bool NameChar(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c == '#' || c >= 128;
}

}  // namespace

std::string TVariables::NormalName(const std::string& name) {
  std::string n = AsciiUpper(name);
  if (n.empty() || n[0] != ':') n.insert(0, ":");
  return n;
}

TOracleSession* TVariables::Session() const { return owner_ ? owner_->Session() : nullptr; }

void TVariables::Forget() {
  if (owner_) owner_->ForgetParse();
}

const TVariableData& TVariables::At(int position) const {
  if (position < 0 || position >= Count())
    throw EOracleException("Variable " + std::to_string(position) + " does not exist");
  return *list_[size_t(position)];
}

TVariableData* TVariables::Find(const std::string& name) const {
  std::string n = NormalName(name);
  for (const auto& v : list_)
    if (v->Name == n) return v.get();
  return nullptr;
}

int32_t TVariables::VariableIndex(const std::string& name) const {
  std::string n = NormalName(name);
  for (size_t i = 0; i < list_.size(); ++i)
    if (list_[i]->Name == n) return int32_t(i);
  return -1;
}

// ---------------------------------------------------------------------------
// Declaring and removing

void TVariables::DeclareVariable(const std::string& name, int16_t type) {
  if (name.empty()) throw EOracleException("You cannot declare a variable with an empty name");
  int32_t size = InitialBufferSize(type);
  if (size < 0) throw EOracleException("Unsupported variable type");
  auto v = std::make_unique<TVariableData>();
  v->Name = NormalName(name);
  v->Type = type;
  v->BufferSize = size;
  v->Complex = IsComplexType(type);
  v->OwnsBuffer = !v->Complex;
  v->Indicators.assign(1, -1);
  if (size > 0 && v->OwnsBuffer) v->Buffer.assign(size_t(size), 0);
  int32_t at = VariableIndex(name);
  if (at >= 0) list_[size_t(at)] = std::move(v);  // a new declaration keeps the old position
  else list_.push_back(std::move(v));
  Forget();
}

void TVariables::DeleteVariable(const std::string& name) {
  int32_t at = VariableIndex(name);
  if (at < 0) throw EOracleException("Variable " + name + " not declared");
  list_.erase(list_.begin() + at);
  Forget();
}

void TVariables::DeleteVariables() {
  list_.clear();
  Forget();
}

void TVariables::DeclarePLSQLTable(const std::string& name, int32_t tableSize, int32_t stringSize) {
  TVariableData* v = Find(name);
  if (!v) throw EOracleException("Variable " + name + " not declared");
  if (v->Type != otInteger && v->Type != otFloat && v->Type != otString && v->Type != otDate)
    throw EOracleException("Only PL/SQL Tables of strings, integers, floats and dates supported");
  if (v->Type == otString && stringSize <= 0)
    throw EOracleException("You must specify a string size for a PL/SQL Table of strings");
  if (v->Type != otString && stringSize != 0)
    throw EOracleException("You can only specify a string size for a PL/SQL Table of strings");
  if (tableSize <= 0) throw EOracleException("You must specify the size of the PL/SQL Table");
  v->PLSQLTable = true;
  v->TableSize = tableSize;
  v->TableLength = 0;
  if (v->Type == otString) v->BufferSize = stringSize + 1;
  v->ElementCount = tableSize;
  v->Buffer.assign(size_t(tableSize) * size_t(v->BufferSize), 0);
  v->Indicators.assign(size_t(tableSize), -1);
  v->BoundAddress = nullptr;
  Forget();
}

void TVariables::Assign(const TVariables& other) {
  if (!owner_ || !other.owner_) throw EOracleException("Can only Assign TVariables owned by a TOracleQuery");
  list_.clear();
  for (const auto& v : other.list_) {
    auto copy = std::make_unique<TVariableData>(*v);
    copy->BindHandle = nullptr;
    copy->BoundAddress = nullptr;
    list_.push_back(std::move(copy));
  }
  Forget();
}

// ---------------------------------------------------------------------------
// Setting values

void TVariables::Reallocate(TVariableData& v, int32_t n, int32_t stringSize) {
  if (n == v.ElementCount && (stringSize == 0 || stringSize + 1 == v.BufferSize)) return;
  v.Indicators.assign(size_t(n), -1);
  v.ElementCount = n;
  if (!v.OwnsBuffer) return;
  int32_t size = v.BufferSize;
  if (v.Type == otString || v.Type == otChar) {
    TOracleSession* s = Session();
    int32_t cap = s ? s->MaxStringSize() + 1 : 2001;
    size = std::min(size, cap);
  }
  if (stringSize > 0) size = stringSize + 1;
  v.BufferSize = size;
  v.Buffer.assign(size_t(n) * size_t(size), 0);
}

TOracleVariant TVariables::Unassigned() const {
  TOracleSession* s = Session();
  return s && s->NullValue() == nvNull ? TOracleVariant::Null() : TOracleVariant();
}

namespace {

std::string VariantText(const TOracleVariant& value, const TOracleFormats& formats) {
  switch (value.kind()) {
    case TOracleVariant::Kind::Integer: return oraconv::IntegerToText(value.AsInteger());
    case TOracleVariant::Kind::Float: return oraconv::FloatToText(value.AsFloat(), formats.DecimalSeparator);
    case TOracleVariant::Kind::DateTime: return oraconv::DateTimeToText(value.AsFloat(), formats);
    case TOracleVariant::Kind::String:
    case TOracleVariant::Kind::Bytes: return value.AsString();
    default: throw std::invalid_argument("no text");
  }
}

double VariantNumber(const TOracleVariant& value, const TOracleFormats& formats) {
  switch (value.kind()) {
    case TOracleVariant::Kind::Integer: return value.AsInteger();
    case TOracleVariant::Kind::Float:
    case TOracleVariant::Kind::DateTime: return value.AsFloat();
    case TOracleVariant::Kind::String: return oraconv::TextToFloat(value.AsString(), formats.DecimalSeparator);
    default: throw std::invalid_argument("no number");
  }
}

}  // namespace

void TVariables::StoreElement(TVariableData& v, int element, const TOracleVariant& value) {
  size_t k = size_t(element);
  if (value.IsEmpty()) {
    v.Indicators[k] = -1;
    if (v.Complex) {
      v.LOB = nullptr;
      v.Cursor = nullptr;
    }
    return;
  }
  TOracleSession* s = Session();
  bool removeCR = !s || s->Preferences().ConvertCRLF();
  TOracleFormats formats = TOracleQuery::Formats();
  unsigned char* slot = v.Buffer.data() + k * size_t(v.BufferSize);
  try {
    switch (v.Type) {
      case otSubst:
      case otLong: {
        std::string text = VariantText(value, formats);
        if (removeCR) text = oraconv::RemoveCR(text);
        v.Buffer.assign(text.begin(), text.end());
        v.Buffer.push_back(0);
        v.BufferSize = int32_t(v.Buffer.size());
        v.ActualLength = int32_t(text.size());
        v.BoundLength = ub2(std::min<size_t>(text.size(), 0xFFFF));
        break;
      }
      case otInteger: {
        double d = VariantNumber(value, formats);
        if (!(d >= -2147483648.0 && d <= 2147483647.0)) throw std::invalid_argument("range");
        int32_t i = int32_t(std::nearbyint(d));
        std::memcpy(slot, &i, 4);
        break;
      }
      case otFloat: {
        double d = VariantNumber(value, formats);
        std::memcpy(slot, &d, 8);
        break;
      }
      case otString:
      case otPLSQLString:
      case otChar: {
        std::string text = VariantText(value, formats);
        if (removeCR) text = oraconv::RemoveCR(text);
        size_t n = FittingPrefix(text, size_t(std::max(v.BufferSize - 1, 0)));
        std::memcpy(slot, text.data(), n);
        slot[n] = 0;
        break;
      }
      case otDate: {
        double dt = value.kind() == TOracleVariant::Kind::String ? oraconv::TextToDate(value.AsString(), formats)
                                                                 : VariantNumber(value, formats);
        if (dt == 0 && (!s || s->Preferences().ZeroDateIsNull())) {
          v.Indicators[k] = -1;
          return;
        }
        oraconv::DateTimeToOracleDate(dt, slot);
        break;
      }
      case otLongRaw: {
        std::string bytes;
        if (value.kind() == TOracleVariant::Kind::Bytes || value.kind() == TOracleVariant::Kind::String) {
          bytes = value.AsString();
        } else if (value.IsArray()) {
          for (const auto& item : value.Items()) {
            if (item.kind() != TOracleVariant::Kind::Integer || item.AsInteger() < 0 || item.AsInteger() > 255)
              throw Refusal("Only one-dimensional array of bytes allowed for " + v.Name);
            bytes += char(item.AsInteger());
          }
        } else {
          throw Refusal("Only one-dimensional array of bytes allowed for " + v.Name);
        }
        v.Buffer.assign(bytes.begin(), bytes.end());
        v.BufferSize = int32_t(bytes.size());
        v.ActualLength = int32_t(bytes.size());
        v.BoundLength = ub2(std::min<size_t>(bytes.size(), 0xFFFF));
        v.Indicators.assign(1, 0);
        return;
      }
      default:
        if (v.Complex) throw Refusal("Pass LongInt(Object) to complex variable " + v.Name);
        throw Refusal("Unsupported variable type for " + v.Name);
    }
  } catch (const Refusal&) {
    throw;
  } catch (const std::exception&) {
    throw EOracleException("Variant conversion error for variable " + v.Name);
  }
  v.Indicators[k] = 0;
}

void TVariables::SetVariable(const std::string& name, const TOracleVariant& value) {
  TVariableData* v = Find(name);
  if (!v) throw EOracleException("Variable " + name + " not declared");
  if (value.IsArray() && v->Type != otLongRaw) {
    if (v->Complex) throw EOracleException(name + " is a complex variable and cannot be an array");
    if (v->Type == otSubst) throw EOracleException(name + " is a substitution variable and cannot be an array");
    int32_t n = int32_t(value.Items().size());
    if (v->PLSQLTable) {
      if (n > v->TableSize)
        throw EOracleException("Array is larger than PL/SQL Table (" + std::to_string(n) + " > " +
                               std::to_string(v->TableSize) + ")");
      v->TableLength = ub4(n);
    } else {
      Reallocate(*v, n);
    }
    v->LowerBound = value.LowBound();
    for (int32_t i = 0; i < n; ++i) StoreElement(*v, i, value.Items()[size_t(i)]);
    return;
  }
  if (v->PLSQLTable) {
    if (!value.IsEmpty()) throw EOracleException(name + " is a PL/SQL Table, assign a variant array to it");
    v->TableLength = 0;
    return;
  }
  Reallocate(*v, 1);
  v->LowerBound = 0;
  StoreElement(*v, 0, value);
}

void TVariables::SetVariable(int position, const TOracleVariant& value) { SetVariable(At(position).Name, value); }

// ---------------------------------------------------------------------------
// Reading values

TOracleVariant TVariables::ReadElement(const TVariableData& v, int element) const {
  if (v.IsNull(element)) return Unassigned();
  TOracleSession* s = Session();
  bool crlf = !s || s->Preferences().ConvertCRLF();
  auto lines = [&](std::string text) { return crlf ? oraconv::ToCRLF(text) : text; };
  const unsigned char* slot = v.Buffer.data() + size_t(element) * size_t(v.BufferSize);
  switch (v.Type) {
    case otSubst:
    case otLong:
      return TOracleVariant::FromString(lines(std::string(reinterpret_cast<const char*>(v.Buffer.data()),
                                                          size_t(std::max(v.ActualLength, 0)))));
    case otString:
    case otPLSQLString:
    case otChar: {
      size_t n = strnlen(reinterpret_cast<const char*>(slot), size_t(v.BufferSize));
      return TOracleVariant::FromString(lines(std::string(reinterpret_cast<const char*>(slot), n)));
    }
    case otInteger: {
      int32_t i;
      std::memcpy(&i, slot, 4);
      return TOracleVariant::FromInteger(i);
    }
    case otFloat: {
      double d;
      std::memcpy(&d, slot, 8);
      return TOracleVariant::FromFloat(d);
    }
    case otDate: return TOracleVariant::FromDateTime(oraconv::OracleDateToDateTime(slot));
    case otLongRaw:
      return TOracleVariant::FromBytes(
          std::string(reinterpret_cast<const char*>(v.Buffer.data()), size_t(std::max(v.ActualLength, 0))));
    default: return Unassigned();
  }
}

TOracleVariant TVariables::GetVariable(const std::string& name) const {
  TVariableData* v = Find(name);
  if (!v) throw EOracleException("Unknown variable: " + name);
  if (v->Complex) {
    // The instance itself is the caller's; its presence is what the list knows.
    bool attached = v->LOB || v->Cursor;
    return attached && v->Indicators[0] != -1 ? TOracleVariant::FromInteger(1) : Unassigned();
  }
  if (v->PLSQLTable || v->ElementCount > 1) {
    size_t n = v->PLSQLTable ? v->TableLength : size_t(v->ElementCount);
    if (n == 0) return Unassigned();
    std::vector<TOracleVariant> items;
    for (size_t i = 0; i < n; ++i) items.push_back(ReadElement(*v, int(i)));
    return TOracleVariant::FromArray(std::move(items), v->LowerBound);
  }
  return ReadElement(*v, 0);
}

TOracleVariant TVariables::GetVariable(int position) const { return GetVariable(At(position).Name); }

// ---------------------------------------------------------------------------
// Complex variables

void TVariables::SetComplexVariable(const std::string& name, TLOBLocator* locator) {
  TVariableData* v = Find(name);
  if (!v) throw EOracleException("Unknown variable: " + name);
  if (!v->Complex) throw EOracleException(name + " is not a complex variable");
  if (v->Type < otCLOB || v->Type > otBFile) throw EOracleException("Assign TOracleQuery instance to variable " + name);
  v->LOB = locator;
  v->Indicators.assign(1, locator ? 0 : -1);
}

void TVariables::SetComplexVariable(const std::string& name, TOracleQuery* cursor) {
  TVariableData* v = Find(name);
  if (!v) throw EOracleException("Unknown variable: " + name);
  if (!v->Complex) throw EOracleException(name + " is not a complex variable");
  if (v->Type != otCursor) throw EOracleException("Assign TLOBLocator instance to variable " + name);
  v->Cursor = cursor;
  v->Indicators.assign(1, cursor ? 0 : -1);
}

void TVariables::ClearComplexVariable(const std::string& name) {
  TVariableData* v = Find(name);
  if (!v) throw EOracleException("Unknown variable: " + name);
  if (!v->Complex) throw EOracleException(name + " is not a complex variable");
  v->LOB = nullptr;
  v->Cursor = nullptr;
  v->Indicators.assign(1, -1);
}

// ---------------------------------------------------------------------------
// The statement's use of the list

bool TVariables::ForcesReparse() const {
  for (const auto& v : list_)
    if (v->Type == otLong || v->Type == otLongRaw || v->PLSQLTable || v->ElementCount > 1) return true;
  return false;
}

void TVariables::MarkUnbound() {
  for (auto& v : list_) {
    v->BoundAddress = nullptr;
    v->BindHandle = nullptr;
  }
}

void TVariables::TakeReturnedLengths() {
  for (auto& v : list_)
    if ((v->Type == otLong || v->Type == otLongRaw) && v->BufferSize <= 0xFFFF && !v->IsNull())
      v->ActualLength = v->BoundLength;
}

std::string TVariables::Substitute(const std::string& text) const {
  bool any = false;
  for (const auto& v : list_) any = any || v->Type == otSubst;
  if (!any) return text;
  // Occurrences of ":name" outside quoted strings and comments.
  struct Occurrence {
    size_t at;
    size_t length;  // of the name, without the colon
    std::string name;
  };
  std::vector<Occurrence> found;
  std::string scan = text + "\r\n";
  enum class State { Code, Quote, Block, Line } state = State::Code;
  for (size_t i = 0; i < scan.size(); ++i) {
    char c = scan[i];
    switch (state) {
      case State::Code:
        if (c == ':') {
          size_t j = i + 1;
          while (j < scan.size() && NameChar(static_cast<unsigned char>(scan[j]))) ++j;
          if (j > i + 1) found.push_back({i, j - i - 1, AsciiUpper(scan.substr(i + 1, j - i - 1))});
          // The character that ended the name is not examined again.
          i = j;
        } else if (c == '\'') {
          state = State::Quote;
        } else if (c == '/' && i + 1 < scan.size() && scan[i + 1] == '*') {
          state = State::Block;
          ++i;
        } else if (c == '-' && i + 1 < scan.size() && scan[i + 1] == '-') {
          state = State::Line;
          ++i;
        }
        break;
      case State::Quote:
        if (c == '\'') state = State::Code;
        break;
      case State::Block:
        if (c == '*' && i + 1 < scan.size() && scan[i + 1] == '/') {
          state = State::Code;
          ++i;
        }
        break;
      case State::Line:
        if (c == '\r' && i + 1 < scan.size() && scan[i + 1] == '\n') {
          state = State::Code;
          ++i;
        }
        break;
    }
  }
  std::string out = text;
  for (auto it = found.rbegin(); it != found.rend(); ++it) {
    TVariableData* v = Find(":" + it->name);
    if (!v || v->Type != otSubst || it->at + 1 + it->length > out.size()) continue;
    std::string value;
    if (!v->IsNull()) value.assign(reinterpret_cast<const char*>(v->Buffer.data()), size_t(v->ActualLength));
    out.replace(it->at, 1 + it->length, value);
  }
  return out;
}

std::string TVariables::DebugText() const {
  std::string text;
  for (const auto& v : list_) {
    std::string value;
    if (v->PLSQLTable) value = "(PL/SQL Table)";
    else if (v->ElementCount > 1) value = "(Array)";
    else {
      switch (v->Type) {
        case otCLOB: value = "(CLOB)"; break;
        case otBLOB: value = "(BLOB)"; break;
        case otBFile: value = "(BFile)"; break;
        case otCursor: value = "(Cursor)"; break;
        case otLong: value = "(Long)"; break;
        case otLongRaw: value = "(Long Raw)"; break;
        case otObject: value = "(Object)"; break;
        case otReference: value = "(Reference)"; break;
        default: {
          TOracleVariant x = ReadElement(*v, 0);
          if (x.IsEmpty()) value = "Null";
          else if (x.kind() == TOracleVariant::Kind::Integer) value = oraconv::IntegerToText(x.AsInteger());
          else if (x.kind() == TOracleVariant::Kind::Float)
            value = oraconv::FloatToText(x.AsFloat(), TOracleQuery::Formats().DecimalSeparator);
          else if (x.kind() == TOracleVariant::Kind::DateTime)
            value = oraconv::DateTimeToText(x.AsFloat(), TOracleQuery::Formats());
          else value = x.AsString();
        }
      }
    }
    text += "\r" + v->Name + " = " + value;
  }
  return text;
}
