// Table data as INSERT statements.

#include <exception>

#include "oracle/fields.h"
#include "script/dictionary_rows.h"
#include "script/column_attributes.h"
#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/value_literals.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

namespace {

// How a column's values are written, from the column's internal type.
enum class ValueKind {
  Number, Text, Date, Long, Clob, Blob, LongRaw, Raw, Timestamp, Interval, BinaryFloat, BinaryDouble,
  NationalText, NationalClob, Other
};

ValueKind KindOf(int internalType, bool national) {
  switch (internalType) {
    case 2: return ValueKind::Number;     // NUMBER, FLOAT
    case 1:                               // VARCHAR2, NVARCHAR2
    case 96:                              // CHAR, NCHAR
      return national ? ValueKind::NationalText : ValueKind::Text;
    case 11:                              // ROWID
    case 104:                             // ROWID descriptor
    case 208: return ValueKind::Text;     // UROWID
    case 12: return ValueKind::Date;
    case 187:                             // TIMESTAMP
    case 188:                             // TIMESTAMP WITH TIME ZONE
    case 232: return ValueKind::Timestamp;  // TIMESTAMP WITH LOCAL TIME ZONE
    case 189:                             // INTERVAL YEAR TO MONTH
    case 190: return ValueKind::Interval;   // INTERVAL DAY TO SECOND
    case 100: return ValueKind::BinaryFloat;
    case 101: return ValueKind::BinaryDouble;
    case 8: return ValueKind::Long;
    case 112: return national ? ValueKind::NationalClob : ValueKind::Clob;
    case 113: return ValueKind::Blob;
    case 24: return ValueKind::LongRaw;
    case 23: return ValueKind::Raw;
    default: return ValueKind::Other;     // BFILE, objects, references, cursors, the rest
  }
}

const char* TypeLabel(int internalType) {
  switch (internalType) {
    case 114: return "BFILE";
    case 108: return "object";
    case 110: return "reference";
    case 116: return "cursor";
    default: return nullptr;
  }
}

void AppendHex(std::string& out, std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
}

void AppendTwo(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10 % 10);
  out += static_cast<char>('0' + v % 10);
}

void AppendYear(std::string& out, int year) {
  if (year < 0 || year > 9999) {
    out += std::to_string(year);
    return;
  }
  AppendTwo(out, year / 100);
  AppendTwo(out, year % 100);
}

// How many bytes of a value's literal stand on one script line at most:
// well under the longest line SQL*Plus reads.
constexpr size_t kLiteralLineBytes = 1000;

bool StartsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// The value between single quotes, with quotes, line breaks, ampersands and
// NUL characters spelled out as CHR calls, and the literal broken into
// pieces joined by "||" so that no script line grows beyond a thousand bytes.
void AppendTextLiteral(std::string& out, std::string_view value) {
  out += '\'';
  size_t lineStart = out.rfind('\n');
  lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
  size_t run = 0;  // start of the characters not yet copied
  auto flushRun = [&](size_t upTo) {
    out.append(value.data() + run, upTo - run);
    run = upTo;
  };
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\'' || c == '&' || c == '\r' || c == '\n' || c == '\0') {
      flushRun(i);
      switch (c) {
        case '\'': out += "'||CHR(39)||'"; break;
        case '&': out += "'||CHR(38)||'"; break;
        case '\0': out += "'||CHR(0)||'"; break;
        case '\r':
          if (i + 1 < value.size() && value[i + 1] == '\n') {
            out += "'||\r\nCHR(13)||CHR(10)||'";
            ++i;
          } else {
            out += "'||\r\nCHR(13)||'";
          }
          lineStart = out.rfind('\n') + 1;
          break;
        default:
          out += "'||\r\nCHR(10)||'";
          lineStart = out.rfind('\n') + 1;
          break;
      }
      run = i + 1;
    }
    // A long line is broken between two characters, outside any CHR call.
    const size_t next = i + 1;
    if (next < value.size() && StartsCharacter(value[next]) &&
        out.size() - lineStart + (next - run) >= kLiteralLineBytes) {
      flushRun(next);
      out += "'||\r\n'";
      lineStart = out.size() - 1;
    }
  }
  flushRun(value.size());
  out += '\'';
}

// Bytes as a hexadecimal literal, broken into pieces joined by "||" every
// thousand digits; HEXTORAW turns the whole back into bytes.
void AppendHexLiteral(std::string& out, std::string_view bytes) {
  out += '\'';
  for (size_t at = 0; at < bytes.size(); at += kLiteralLineBytes / 2) {
    if (at) out += "'||\r\n'";
    AppendHex(out, bytes.substr(at, kLiteralLineBytes / 2));
  }
  out += '\'';
}

// The values of a row that no SQL literal holds: the row is then written as
// a PL/SQL block that fills variables, inserts the row and appends the LOB
// pieces to the row's LOBs, e.g.
//   DECLARE l1 BLOB; BEGIN INSERT INTO T (...) Values(..., EMPTY_BLOB())
//   RETURNING B INTO l1; DBMS_LOB.WRITEAPPEND(l1, 500, HEXTORAW('...')); END;
struct LargeValues {
  std::string declarations;  // one line per variable
  std::string assignments;   // statements before the INSERT
  std::vector<std::string> returning, into;
  std::string appends;       // statements after the INSERT
  int count = 0;

  bool Empty() const { return count == 0; }
  std::string Variable(const char* type) {
    const std::string name = "l" + std::to_string(++count);
    declarations += "  " + name + " " + type + ";\r\n";
    return name;
  }
  // A LOB variable the INSERT's RETURNING clause fills from `column`, so
  // the pieces can be appended after it.
  std::string ReturnedLob(const char* type, const std::string& column) {
    const std::string lob = Variable(type);
    returning.push_back(column);
    into.push_back(lob);
    return lob;
  }
  void Clear() { *this = LargeValues{}; }
};

size_t CharacterCount(std::string_view s) {
  size_t n = 0;
  for (char c : s)
    if (StartsCharacter(c)) ++n;
  return n;
}

}  // namespace

// The statements of the rows.  The editor sink gets each one as it is
// made, so the view follows the rows; the file sink gets the statements
// between two COMMITs in one write, the same bytes without a flush per row.
class RowSink {
 public:
  explicit RowSink(ScriptWriter& w) : w_(w), batch_(w.ToFile()) {}

  void Write(std::string_view text, int lineBreaks) {
    if (!batch_) {
      w_.WriteScript(text, lineBreaks);
      return;
    }
    for (int i = 0; i < pendingBreaks_; ++i) pending_ += "\r\n";
    pending_ += text;
    pendingBreaks_ = lineBreaks;
    hasPending_ = true;
    if (pending_.size() >= kMaxPending) Flush();
  }
  void Flush() {
    if (!hasPending_) return;
    hasPending_ = false;
    w_.WriteScript(pending_, pendingBreaks_);
    pending_.clear();
    pendingBreaks_ = 0;
  }

 private:
  static constexpr size_t kMaxPending = 1 << 20;
  ScriptWriter& w_;
  bool batch_;
  std::string pending_;
  int pendingBreaks_ = 0;
  bool hasPending_ = false;
};

std::string_view CutAtCharacter(std::string_view value, size_t maxBytes) {
  if (value.size() <= maxBytes) return value;
  size_t n = maxBytes;
  // Step back over UTF-8 continuation bytes to the start of a character.
  while (n > 0 && (static_cast<unsigned char>(value[n]) & 0xC0) == 0x80) --n;
  return value.substr(0, n);
}

std::string TextLiteral(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 2);
  AppendTextLiteral(out, value);
  return out;
}

void SchemaWriters::WriteTableData(ScriptContext& ctx, const std::string& table) {
  RowSink w(ctx.Writer());
  try {
    WriteRows(ctx, table, w);
  } catch (...) {
    // The statements made before the failure stay in the script.
    try {
      w.Flush();
    } catch (...) {
    }
    throw;
  }
  w.Flush();
}

std::string SchemaWriters::StoredColumnsWithoutObjects(ScriptContext& ctx, const std::string& table, RowSink& w) {
  const TableKind& kind = TableKindOf(ctx, table);
  std::string list;
  try {
    for (const auto& r : ReadDictionaryRows(Q.Session(), "SELECT COLUMN_NAME FROM SYS.USER_TAB_COLS WHERE TABLE_NAME = '" +
                                                             SqlText(table) + "' AND VIRTUAL_COLUMN = 'NO' AND"
                                                             " USER_GENERATED = 'YES' ORDER BY INTERNAL_COLUMN_ID")) {
      bool object = false;
      for (const std::string& c : kind.ObjectColumns) object = object || c.substr(0, c.find('\t')) == r[0];
      if (!object) list += (list.empty() ? "" : ", ") + SqlName(r[0]);
    }
  } catch (const std::exception& e) {
    ctx.LeftOut("table data", table, e.what());
    return {};
  }
  for (const std::string& c : kind.ObjectColumns) {
    const std::string column = c.substr(0, c.find('\t')), type = c.substr(c.find('\t') + 1);
    ctx.LeftOut("values of columns of object types", table + "." + column, type);
    w.Write("/* Column " + CommentText(column) + " (" + CommentText(type) +
                ") is of an object type: its values are left out. */",
            1);
  }
  return list;
}

void SchemaWriters::WriteRows(ScriptContext& ctx, const std::string& table, RowSink& w) {
  const TableKind& tableKind = TableKindOf(ctx, table);
  // A temporary table's rows belong to the sessions that wrote them.
  if (tableKind.Temporary) return;
  // SELECT * leaves invisible columns out and brings virtual ones, and no
  // script holds the values of object-type columns: such a table's rows
  // are read by their stored columns' names.
  std::string columns = "*";
  if (!tableKind.ObjectColumns.empty() || HasHiddenOrVirtual(ReadColumnAttributes(Q, table))) {
    columns = StoredColumnsWithoutObjects(ctx, table, w);
    if (columns.empty()) return;
  }
  Q.SQL().clear();
  Q.SQL().push_back("SELECT " + columns + " from " + SqlName(table));
  Q.Execute();

  const int count = Q.FieldCount();
  std::vector<ValueKind> kinds(static_cast<size_t>(count));
  std::string head = "INSERT INTO " + SqlName(table) + " (";
  std::vector<std::string> unscriptable;
  for (int i = 0; i < count; ++i) {
    if (i) head += std::string(",") + CRLF;
    head += SqlName(Q.FieldName(i));
    const int type = Q.FieldInternalType(i);
    kinds[size_t(i)] = KindOf(type, Q.FieldIsNational(i));
    if (kinds[size_t(i)] == ValueKind::Other) {
      const char* label = TypeLabel(type);
      ctx.LeftOut("values of columns of a type that cannot be scripted", table + "." + Q.FieldName(i),
                  label ? std::string(label) : "type " + std::to_string(type));
      unscriptable.push_back("/* Column " + CommentText(Q.FieldName(i)) + " (" +
                             (label ? std::string(label) : "type " + std::to_string(type)) +
                             ") cannot be scripted: its values are written as NULL. */");
    }
  }
  head += ") Values(";

  std::string statement;
  LargeValues large;
  std::string notes;  // comment lines before the statement
  int rowNo = 0;
  int commitCounter = 0;
  while (!Q.Eof()) {
    ++rowNo;
    if (rowNo == 1)
      for (const std::string& line : unscriptable) w.Write(line, 1);
    statement.assign(head);
    large.Clear();
    notes.clear();
    auto note = [&](int i, const std::string& what) {
      notes += "/* Row " + std::to_string(rowNo) + ", column " + CommentText(Q.FieldName(i)) + ": " + what + " */";
      notes += CRLF;
    };
    // The start of a text value that a script can insert, the cut noted
    // and reported.
    auto kept = [&](int i, std::string_view value, size_t limit, const char* what) {
      std::string_view start = CutAtCharacter(value, limit);
      if (start.size() < value.size()) {
        ctx.LeftOut(std::string(what) + " cut to their first " + std::to_string(limit) + " bytes",
                    table + "." + Q.FieldName(i));
        note(i, "the value of " + std::to_string(value.size()) + " bytes was cut to its first " +
                    std::to_string(start.size()) + " bytes.");
      }
      return start;
    };
    for (int i = 0; i < count; ++i) {
      if (i) statement += ",\r\n";
      const ValueKind kind = kinds[size_t(i)];
      if (kind == ValueKind::Other) {
        statement += "NULL";
        continue;
      }
      const bool null = Q.FieldIsNull(i);
      switch (kind) {
        case ValueKind::Number: {
          if (null) {
            statement += "NULL";
            break;
          }
          std::string n = Q.FieldAsText(i);
          // The decimal point is "." whatever the session's number format.
          for (char& c : n)
            if (c == ',') c = '.';
          statement += n;
          break;
        }
        case ValueKind::Timestamp:
          statement += null ? "NULL" : TimestampLiteral(Q.FieldAsTimestamp(i));
          break;
        case ValueKind::Interval:
          statement += null ? "NULL" : IntervalLiteral(Q.FieldAsInterval(i));
          break;
        case ValueKind::BinaryFloat:
        case ValueKind::BinaryDouble:
          statement += null ? "NULL" : BinaryFloatLiteral(Q.FieldAsFloat(i), kind == ValueKind::BinaryFloat);
          break;
        case ValueKind::NationalText: {
          if (null) {
            statement += "''";
            break;
          }
          const std::string value = Q.FieldAsText(i);
          // Characters beyond ASCII as UNISTR escapes: a client character
          // set that lacks them cannot change them on the way in.
          if (NeedsUnistr(value)) statement += UnistrLiteral(kept(i, value, kMaxLiteralBytes, "text values"));
          else AppendTextLiteral(statement, kept(i, value, kMaxLiteralBytes, "text values"));
          break;
        }
        case ValueKind::NationalClob: {
          if (null) {
            statement += "NULL";
            break;
          }
          const std::string value = Q.FieldAsLOB(i).ReadAll();
          if (value.empty()) {
            statement += "EMPTY_CLOB()";
            break;
          }
          if (value.size() <= kMaxInlineClobBytes) {
            statement += UnistrLiteral(value, "TO_NCLOB");
            break;
          }
          const std::string lob = large.ReturnedLob("NCLOB", SqlName(Q.FieldName(i)));
          statement += "EMPTY_CLOB()";
          // APPEND takes the piece whole: WRITEAPPEND's amount would count
          // a character beyond the basic plane once or twice, as the
          // server's character semantics have it.
          for (const std::string& piece : UnistrPieces(value))
            large.appends += "  DBMS_LOB.APPEND(" + lob + ", TO_NCLOB(UNISTR('" + piece + "')));\r\n";
          break;
        }
        case ValueKind::Text:
        case ValueKind::Long: {
          if (null) {
            statement += "''";
            break;
          }
          const std::string value = Q.FieldAsText(i);
          if (kind == ValueKind::Long && value.size() > kMaxLiteralBytes) {
            // Beyond a literal: a PL/SQL variable takes up to 32,760 bytes.
            const std::string v = large.Variable("VARCHAR2(32760)");
            large.assignments += "  " + v + " := ";
            AppendTextLiteral(large.assignments, kept(i, value, kMaxLongBytes, "LONG values"));
            large.assignments += ";\r\n";
            statement += v;
            break;
          }
          AppendTextLiteral(statement, kept(i, value, kMaxLiteralBytes, "text values"));
          break;
        }
        case ValueKind::Date: {
          if (null) {
            statement += "NULL";
            break;
          }
          const oraconv::DateParts d = Q.FieldAsDateParts(i);
          if (d.year < 1) {
            // The year's sign needs SYYYY.
            statement += SignedDateLiteral(d);
            break;
          }
          statement += "TO_DATE('";
          AppendTwo(statement, d.month);
          statement += '/';
          AppendTwo(statement, d.day);
          statement += '/';
          AppendYear(statement, d.year);
          statement += ' ';
          AppendTwo(statement, d.hour);
          statement += ':';
          AppendTwo(statement, d.minute);
          statement += ':';
          AppendTwo(statement, d.second);
          statement += "', 'mm/dd/yyyy HH24:MI:SS')";
          break;
        }
        case ValueKind::Clob: {
          if (null) {
            statement += "NULL";
            break;
          }
          const std::string value = Q.FieldAsLOB(i).ReadAll();
          if (value.empty()) {
            statement += "EMPTY_CLOB()";
            break;
          }
          // Pieces of at most 4,000 bytes: concatenated in the statement,
          // or appended to the row's CLOB after its INSERT when there are
          // many of them.
          const bool append = value.size() > kMaxInlineClobBytes;
          std::string lob;
          if (append) {
            lob = large.ReturnedLob("CLOB", SqlName(Q.FieldName(i)));
            statement += "EMPTY_CLOB()";
          }
          std::string_view rest = value;
          bool firstPiece = true;
          while (!rest.empty()) {
            std::string_view piece = CutAtCharacter(rest, kMaxLiteralBytes);
            if (piece.empty()) piece = rest.substr(0, 1);  // not UTF-8: cut anywhere
            if (append) {
              large.appends += "  DBMS_LOB.WRITEAPPEND(" + lob + ", " + std::to_string(CharacterCount(piece)) + ",\r\n";
              AppendTextLiteral(large.appends, piece);
              large.appends += ");\r\n";
            } else {
              if (!firstPiece) statement += "||";
              statement += "TO_CLOB(";
              AppendTextLiteral(statement, piece);
              statement += ')';
            }
            rest.remove_prefix(piece.size());
            firstPiece = false;
          }
          break;
        }
        case ValueKind::Blob:
        case ValueKind::LongRaw: {
          if (null) {
            statement += "NULL";
            break;
          }
          const std::string bytes =
              kind == ValueKind::Blob ? Q.FieldAsLOB(i).ReadAll() : Q.FieldValue(i).AsString();
          if (bytes.empty()) {
            statement += kind == ValueKind::Blob ? "EMPTY_BLOB()" : "NULL";
          } else if (bytes.size() <= kMaxRawLiteralBytes) {
            statement += "HEXTORAW(";
            AppendHexLiteral(statement, bytes);
            statement += ")";
          } else if (kind == ValueKind::Blob) {
            // Appended to the row's BLOB in pieces of at most 2,000 bytes.
            const std::string lob = large.ReturnedLob("BLOB", SqlName(Q.FieldName(i)));
            statement += "EMPTY_BLOB()";
            for (size_t at = 0; at < bytes.size(); at += kMaxRawLiteralBytes) {
              const std::string_view piece = std::string_view(bytes).substr(at, kMaxRawLiteralBytes);
              large.appends += "  DBMS_LOB.WRITEAPPEND(" + lob + ", " + std::to_string(piece.size()) + ", HEXTORAW(\r\n";
              AppendHexLiteral(large.appends, piece);
              large.appends += "));\r\n";
            }
          } else if (bytes.size() <= kMaxLongBytes) {
            // A LONG RAW value up to 32,760 bytes goes through a variable,
            // joined piece by piece with UTL_RAW.CONCAT: "||" would join the
            // pieces' hexadecimal texts, which PL/SQL holds only up to
            // 32,767 characters (16,383 bytes).
            const std::string v = large.Variable("RAW(32760)");
            for (size_t at = 0; at < bytes.size(); at += kMaxRawLiteralBytes) {
              large.assignments += "  " + v + " := " + (at ? "UTL_RAW.CONCAT(" + v + ", " : std::string()) + "HEXTORAW(";
              AppendHexLiteral(large.assignments, std::string_view(bytes).substr(at, kMaxRawLiteralBytes));
              large.assignments += at ? "));\r\n" : ");\r\n";
            }
            statement += v;
          } else {
            statement += "NULL";
            ctx.LeftOut("LONG RAW values longer than " + std::to_string(kMaxLongBytes) + " bytes",
                        table + "." + Q.FieldName(i));
            note(i, "the value of " + std::to_string(bytes.size()) + " bytes was not scripted (a script can insert at most " +
                        std::to_string(kMaxLongBytes) + " bytes into a LONG RAW column).");
          }
          break;
        }
        case ValueKind::Raw: {
          if (null) {
            statement += "NULL";
            break;
          }
          // RAW columns arrive as their hexadecimal text.
          const std::string hex = Q.FieldAsText(i);
          statement += "HEXTORAW('";
          for (size_t at = 0; at < hex.size(); at += kLiteralLineBytes) {
            if (at) statement += "'||\r\n'";
            statement.append(hex, at, kLiteralLineBytes);
          }
          statement += "')";
          break;
        }
        case ValueKind::Other: break;
      }
    }
    statement += ")";
    if (large.Empty()) {
      statement += ";";
    } else {
      std::string block = "DECLARE\r\n" + large.declarations + "BEGIN\r\n" + large.assignments + statement;
      if (!large.returning.empty()) {
        block += "\r\nRETURNING ";
        for (size_t k = 0; k < large.returning.size(); ++k) block += (k ? ", " : "") + large.returning[k];
        block += " INTO ";
        for (size_t k = 0; k < large.into.size(); ++k) block += (k ? ", " : "") + large.into[k];
      }
      statement = block + ";\r\n" + large.appends + "END;\r\n/";
    }
    if (!notes.empty()) w.Write(RightTrim(notes), 1);
    w.Write(statement, 2);

    if (ctx.StopRequested()) return;  // a stop: no COMMIT for this table
    if (++commitCounter > 99) {
      w.Write("COMMIT;", 2);
      w.Flush();
      commitCounter = 0;
      ctx.RowsWritten(rowNo);  // at each COMMIT: often enough to watch, cheap enough to ignore
    }
    Q.Next();
  }
  w.Write("COMMIT;", 2);
  if (rowNo > 0) ctx.RowsWritten(rowNo);
}

}  // namespace tarlow
