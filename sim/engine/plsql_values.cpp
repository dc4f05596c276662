// PL/SQL's implicit conversions between the values a block holds.
#include "engine/plsql_values.h"

namespace ocisim::plsql {

namespace {

const char kHex[] = "0123456789ABCDEF";

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string hexOf(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

}  // namespace

OraError valueError(const std::string& detail) {
  return OraError(6502, "PL/SQL: numeric or value error" + (detail.empty() ? std::string() : ": " + detail));
}

size_t utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

size_t utf8Offset(const std::string& s, size_t chars) {
  size_t seen = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;
    if (seen == chars) return i;
    ++seen;
  }
  return s.size();
}

bool toText(Session& s, const Datum& d, std::string& out) {
  if (d.isNull()) return false;
  switch (d.kind) {
    case Datum::Kind::Lob:
      out = d.lob->binary ? hexOf(d.lob->data) : d.lob->data;
      break;
    case Datum::Kind::Boolean:
      throw OraError(6550, "PLS-00306: wrong number or types of arguments in call to '||'");
    case Datum::Kind::Scalar:
      switch (d.value.kind) {
        case Value::Kind::Date: out = formatDate(d.value.date, s.nlsDateFormat); break;
        case Value::Kind::Binary: out = hexOf(d.value.data); break;
        default: out = d.value.data; break;
      }
      break;
  }
  return !out.empty();
}

bool toNumber(const Datum& d, std::string& out) {
  if (d.isNull()) return false;
  if (d.kind == Datum::Kind::Scalar && d.value.kind == Value::Kind::Number) {
    out = d.value.data;
    return true;
  }
  const std::string* text = nullptr;
  if (d.kind == Datum::Kind::Lob && !d.lob->binary) text = &d.lob->data;
  if (d.kind == Datum::Kind::Scalar && d.value.kind == Value::Kind::Text) text = &d.value.data;
  if (!text || !canonicalNumber(*text, out)) throw valueError("character to number conversion error");
  return true;
}

bool toBinary(const Datum& d, std::string& out) {
  if (d.isNull()) return false;
  if (d.kind == Datum::Kind::Lob && d.lob->binary) {
    out = d.lob->data;
    return !out.empty();
  }
  if (d.kind == Datum::Kind::Scalar && d.value.kind == Value::Kind::Binary) {
    out = d.value.data;
    return !out.empty();
  }
  std::string text = d.kind == Datum::Kind::Lob ? d.lob->data : d.value.data;
  if (d.kind == Datum::Kind::Boolean || (d.kind == Datum::Kind::Scalar && d.value.kind == Value::Kind::Date))
    throw valueError("hex to raw conversion error");
  if (text.size() % 2) text.insert(0, "0");
  out.clear();
  out.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    int a = hexDigit(text[i]), b = hexDigit(text[i + 1]);
    if (a < 0 || b < 0) throw valueError("hex to raw conversion error");
    out += static_cast<char>(a * 16 + b);
  }
  return !out.empty();
}

bool toTruth(const Datum& d, bool& out) {
  if (d.kind != Datum::Kind::Boolean)
    throw OraError(6550, "PLS-00382: expression is of wrong type");
  if (d.value.isNull()) return false;
  out = d.value.data == "1";
  return true;
}

Datum convertTo(Session& s, const TypeSpec& declType, const Datum& d) {
  switch (declType.type) {
    case Type::Boolean:
      if (d.kind != Datum::Kind::Boolean && !d.isNull()) throw OraError(6550, "PLS-00382: expression is of wrong type");
      return d.kind == Datum::Kind::Boolean ? d : Datum::nullBoolean();
    case Type::Clob:
    case Type::Blob: {
      bool binary = declType.type == Type::Blob;
      if (d.kind == Datum::Kind::Lob) {
        if (d.lob && d.lob->binary != binary) throw OraError(6550, "PLS-00382: expression is of wrong type");
        return d;
      }
      if (d.isNull()) return Datum::locator(nullptr);
      // A value assigned to a LOB variable becomes a temporary LOB.
      auto lob = std::make_shared<Lob>();
      lob->binary = binary;
      if (binary) toBinary(d, lob->data);
      else toText(s, d, lob->data);
      return Datum::locator(lob);
    }
    case Type::Number:
    case Type::Integer: {
      std::string n;
      if (!toNumber(d, n)) return Datum::scalar(Value::null());
      return Datum::scalar(Value::number(n));
    }
    case Type::Date: {
      if (d.isNull()) return Datum::scalar(Value::null());
      if (d.kind == Datum::Kind::Scalar && d.value.kind == Value::Kind::Date) return d;
      std::string text;
      toText(s, d, text);
      return Datum::scalar(Value::fromDate(parseDate(text, s.nlsDateFormat)));
    }
    case Type::Raw:
    case Type::LongRaw: {
      std::string bytes;
      if (!toBinary(d, bytes)) return Datum::scalar(Value::null());
      if (static_cast<int>(bytes.size()) > declType.size) throw valueError("raw variable length too long");
      return Datum::scalar(Value::binary(std::move(bytes)));
    }
    case Type::Varchar2:
    case Type::Char:
    case Type::Long: {
      std::string text;
      if (!toText(s, d, text)) return Datum::scalar(Value::null());
      if (static_cast<int>(text.size()) > declType.size) throw valueError("character string buffer too small");
      if (declType.type == Type::Char) text.append(static_cast<size_t>(declType.size) - text.size(), ' ');
      return Datum::scalar(Value::text(std::move(text)));
    }
  }
  return d;
}

Value sqlValue(const Datum& d) {
  if (d.isNull()) return Value::null();
  if (d.kind == Datum::Kind::Lob) return d.lob->binary ? Value::binary(d.lob->data) : Value::text(d.lob->data);
  if (d.kind == Datum::Kind::Boolean) throw OraError(6550, "PLS-00382: expression is of wrong type");
  return d.value;
}

Datum fromSql(Session& s, const TypeSpec& declType, const Value& v) {
  return convertTo(s, declType, Datum::scalar(v));
}

}  // namespace ocisim::plsql
