// The values an anonymous block works with: PL/SQL's scalar types, LOB
// locators (a row's LOB or a temporary one), booleans, and the conversions
// PL/SQL applies between them on assignment.
#pragma once

#include <memory>
#include <string>

#include "engine/core.h"

namespace ocisim::plsql {

// A LOB a locator points at.  A row's LOB keeps the row (SQLite table and
// rowid) and column; changes are kept here and written to the row in one go
// before the block's next SQL statement and when the block ends, so that a
// value built from many appended pieces costs time in proportion to its size.
struct Lob {
  bool binary = false;        // BLOB (bytes) rather than CLOB (UTF-8 text)
  std::string data;
  bool onRow = false;         // a row's LOB, not a temporary one
  bool locked = false;        // the row was selected FOR UPDATE or returned by DML
  bool dirty = false;         // changed since it was last written to the row
  std::string storage;        // the row's SQLite table
  std::string column;
  int64_t rowid = 0;
  bool file = false;          // a BFILE: a directory alias and a file name, no contents
  std::string directory;
  std::string fileName;
};

// One PL/SQL value.
struct Datum {
  enum class Kind { Scalar, Boolean, Lob };
  Kind kind = Kind::Scalar;
  Value value;                // Scalar; Boolean: Null, or Number "1"/"0"
  std::shared_ptr<Lob> lob;   // Lob: null pointer for a NULL locator

  bool isNull() const {
    return kind == Kind::Lob ? lob == nullptr : value.isNull();
  }
  static Datum scalar(Value v) { Datum d; d.value = std::move(v); return d; }
  static Datum boolean(bool b) { Datum d; d.kind = Kind::Boolean; d.value = Value::number(b ? "1" : "0"); return d; }
  static Datum nullBoolean() { Datum d; d.kind = Kind::Boolean; return d; }
  static Datum locator(std::shared_ptr<Lob> l) { Datum d; d.kind = Kind::Lob; d.lob = std::move(l); return d; }
};

// Declared types of variables.
enum class Type { Number, Integer, Varchar2, Char, Raw, Date, Clob, Blob, Boolean, Long, LongRaw };

struct TypeSpec {
  Type type = Type::Number;
  int size = 0;  // VARCHAR2, CHAR, RAW: the declared maximum in bytes
};

// ORA-06502 with its detail ("character string buffer too small", ...).
OraError valueError(const std::string& detail);

// Conversions as PL/SQL applies them implicitly.  Null in, nullopt out.
bool toText(Session& s, const Datum& d, std::string& out);      // false for NULL
bool toNumber(const Datum& d, std::string& out);                // throws ORA-06502
bool toBinary(const Datum& d, std::string& out);                // text is read as hexadecimal
bool toTruth(const Datum& d, bool& out);                        // false for NULL; throws for a non-boolean

// The value a variable of `declType` holds after assigning `d` (size checks included).
Datum convertTo(Session& s, const TypeSpec& declType, const Datum& d);
// The value sent to SQL for a PL/SQL value.
Value sqlValue(const Datum& d);
// A value read from SQL as the variable type receives it.
Datum fromSql(Session& s, const TypeSpec& declType, const Value& v);

// Character count of UTF-8 text, and the byte offset of a character.
size_t utf8Length(const std::string& s);
size_t utf8Offset(const std::string& s, size_t chars);

}  // namespace ocisim::plsql
