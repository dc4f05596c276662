// Table definitions and the storage clause.
#include <cstdlib>
#include <exception>

#include "script/column_attributes.h"
#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/sqlplus_layout.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

namespace {

// A dictionary number read as text; false for null or anything that is not
// a whole number.
bool ParseWhole(const std::string& text, int64_t& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return false;
  out = v;
  return true;
}

}  // namespace

std::string FormatSize(int64_t n) {
  if (n != 0 && n % 1048576 == 0) return std::to_string(n / 1048576) + "M";
  if (n != 0 && n % 1024 == 0) return std::to_string(n / 1024) + "K";
  return std::to_string(n);
}

std::string ColumnTypeText(const std::string& dataType, const std::string& dataLength,
                           const std::string& precision, const std::string& scale,
                           const std::string& charLength, const std::string& charUsed) {
  if (dataType == "NUMBER") {
    if (precision.empty() && scale.empty()) return "NUMBER";
    if (precision.empty()) return "NUMBER(*," + scale + ")";
    if (scale.empty() || scale == "0") return "NUMBER(" + precision + ")";
    return "NUMBER(" + precision + "," + scale + ")";
  }
  if (dataType == "FLOAT") return precision.empty() ? "FLOAT" : "FLOAT(" + precision + ")";
  if (dataType == "NCHAR" || dataType == "NVARCHAR2") {
    // National character columns are always measured in characters.
    const std::string& n = charLength.empty() || charLength == "0" ? dataLength : charLength;
    return dataType + "(" + n + ")";
  }
  if (dataType == "CHAR" || dataType == "VARCHAR2") {
    if (charUsed == "C" && !charLength.empty()) return dataType + "(" + charLength + " CHAR)";
    return dataType + "(" + dataLength + ")";
  }
  if (dataType == "RAW") return "RAW(" + dataLength + ")";
  if (dataType == "UROWID" && !dataLength.empty() && dataLength != "4000") return "UROWID(" + dataLength + ")";
  return dataType;
}

std::string SchemaWriters::TableScript(ScriptContext& ctx, const std::string& table) {
  // Invisible, virtual and identity columns, read before the columns.
  const std::map<std::string, ColumnAttributes> attributes = ReadColumnAttributes(Q, table);
  std::map<std::string, IdentityColumn> identities;
  for (const auto& [name, a] : attributes)
    if (a.identity) {
      identities = ReadIdentityColumns(Q, table);
      break;
    }
  const bool hidden = HasHiddenOrVirtual(attributes);
  odsOracle.Close();
  odsOracle.SQL().clear();
  odsOracle.SQL().push_back(
      "SELECT COLUMN_NAME, DATA_TYPE,DATA_LENGTH,DATA_DEFAULT, DATA_PRECISION, DATA_SCALE, CHAR_LENGTH, "
      "CHAR_USED");
  // USER_TAB_COLUMNS leaves the invisible columns out; USER_TAB_COLS has
  // them, and the server's own hidden columns besides.
  odsOracle.SQL().push_back(hidden ? "FROM SYS.USER_TAB_COLS" : "FROM SYS.USER_TAB_COLUMNS");
  odsOracle.SQL().push_back("WHERE TABLE_NAME = '" + SqlText(table) + "'" +
                            (hidden ? " AND USER_GENERATED = 'YES'" : ""));
  odsOracle.SQL().push_back(hidden ? "ORDER BY INTERNAL_COLUMN_ID" : "ORDER BY COLUMN_ID");
  odsOracle.Open();
  odsOracle.First();
  if (odsOracle.RecordCount() <= 0) return {};

  // Read before the column loop: the comment lookups below reuse Q.
  bool indexOrganized = IsIndexOrganized(ctx, table);
  PrimaryKey key;
  std::string keyIndex;
  if (indexOrganized) {
    try {
      key = ReadPrimaryKey(table);
      Q.SetSQLText("select Index_Name from sys.user_indexes where Table_Name = '" + SqlText(table) +
                   "' and Index_Type = 'IOT - TOP'");
      Q.Execute();
      keyIndex = Q.Eof() ? key.Name : Q.FieldAsText("INDEX_NAME");
    } catch (const std::exception& e) {
      ctx.LeftOut("the primary key of index-organized tables", table, e.what());
      key = {};
    }
    indexOrganized = !key.Name.empty();
  }

  const TableKind& kind = TableKindOf(ctx, table);
  // The statement with LF line breaks, as SQL*Plus will send it; the
  // layout step makes them CR LF.
  std::string s = std::string(kind.Temporary ? "CREATE GLOBAL TEMPORARY TABLE " : "CREATE TABLE ") + SqlName(table) + "\n(";
  bool first = true;
  for (; !odsOracle.Eof(); odsOracle.Next()) {
    const std::string column = Text(odsOracle, "COLUMN_NAME");
    std::string text = "  " + SqlName(column) + " " +
                       ColumnTypeText(Text(odsOracle, "DATA_TYPE"), Text(odsOracle, "DATA_LENGTH"),
                                      Text(odsOracle, "DATA_PRECISION"), Text(odsOracle, "DATA_SCALE"),
                                      Text(odsOracle, "CHAR_LENGTH"), Text(odsOracle, "CHAR_USED"));
    const std::string def = Trim(Text(odsOracle, "DATA_DEFAULT"));
    const auto found = attributes.find(column);
    const ColumnAttributes a = found == attributes.end() ? ColumnAttributes{} : found->second;
    if (a.hidden) text += " INVISIBLE";
    const auto identity = identities.find(column);
    if (a.identity && identity != identities.end()) {
      // The identity, never its sequence's default; a GENERATED ALWAYS
      // column takes the script's rows as BY DEFAULT and turns ALWAYS after
      // them.
      const IdentityColumn& id = identity->second;
      const bool always = id.generation == "ALWAYS";
      const bool later = always && ctx.Ticked(OptionBox::Data);
      text += std::string(" GENERATED ") + (later ? "BY DEFAULT" : id.generation) +
              (a.defaultOnNull ? " ON NULL" : "") + " AS IDENTITY";
      std::string start = id.sequence.lastNumber;
      if (SequenceAtLimit(id.sequence, &start))
        ctx.LeftOut("the exhausted state of identity columns", table + "." + column,
                    "their next value is the last one once more");
      text += " (";
      const std::vector<std::string> options = SequenceOptions(id.sequence, start);
      for (size_t i = 0; i < options.size(); ++i) text += (i ? "\n    " : "") + options[i];
      text += ")";
      if (later)
        afterData_[table] += SqlPlusStatement("ALTER TABLE " + SqlName(table) + " MODIFY " + SqlName(column) +
                                                  " GENERATED ALWAYS AS IDENTITY (" + options.front() + ")",
                                              StatementForm::Sql) +
                             CRLF;
    } else if (a.virtualColumn) {
      text += " GENERATED ALWAYS AS (" + def + BreakAfter(def) + ") VIRTUAL";
    } else if (!def.empty() && UsesSequence(def)) {
      // Set once the schema's sequences exist, without the old owner's name.
      const std::string own = WithoutOwner(def, SchemaOwner());
      afterSequences_[table] += SqlPlusStatement("ALTER TABLE " + SqlName(table) + " MODIFY (" + SqlName(column) +
                                                     (a.defaultOnNull ? " DEFAULT ON NULL " : " DEFAULT ") + own +
                                                     BreakAfter(own) + ")",
                                                 StatementForm::Sql) +
                                CRLF;
    } else if (!def.empty()) {
      // A default ending in a "--" comment gets a line break before what follows.
      text += std::string(a.defaultOnNull ? " DEFAULT ON NULL " : " DEFAULT ") + def + BreakAfter(def);
    }
    s += first ? std::string("\n") : std::string(",\n");
    s += text;
    first = false;
    const std::string comment = Trim(ColumnComment(ctx, table, column));
    if (!comment.empty()) s += "  /* " + WrappedText(CommentText(comment)) + " */";
  }
  if (indexOrganized) {
    // Its rows live in its primary key index: the key is part of the
    // definition, and so is the index's storage.
    s += ",\n  CONSTRAINT " + SqlName(key.Name) + " PRIMARY KEY (";
    for (size_t i = 0; i < key.Columns.size(); ++i) s += (i ? ", " : "") + SqlName(key.Columns[i]);
    s += ")\n)\nORGANIZATION INDEX" + StorageClause(ctx, keyIndex, "INDEX");
    // Columns past the key's threshold live in the overflow segment.
    if (!kind.Overflow.empty()) s += "\nOVERFLOW" + StorageClause(ctx, kind.Overflow, "TABLE");
  } else if (kind.Temporary) {
    // A temporary table takes its segments from the temporary tablespace.
    s += std::string("\n)\nON COMMIT ") + (kind.Duration == "SYS$SESSION" ? "PRESERVE" : "DELETE") + " ROWS";
  } else {
    s += "\n)" + StorageClause(ctx, table, "TABLE") + PartitionClause(ctx, table);
  }

  const std::string tableComment = Trim(TableComment(ctx, table));
  const std::string commentLine =
      tableComment.empty() ? std::string() : std::string(CRLF) + CommentBlock(tableComment);
  return BannerComment("*   Table: " + CommentText(table)) + commentLine + CRLF +
         SqlPlusStatement(s, StatementForm::Sql) + CRLF + CRLF;
}

const std::string& SchemaWriters::SchemaOwner() {
  if (schemaOwner_.empty()) {
    try {
      Q.SetSQLText("SELECT USER FROM DUAL");
      Q.Execute();
      if (!Q.Eof()) schemaOwner_ = Q.FieldAsText(0);
    } catch (const std::exception&) {
      schemaOwner_.clear();
    }
  }
  return schemaOwner_;
}

// The statements the table writer left for later, handed out once.
static std::string TakeLater(std::map<std::string, std::string>& later, const std::string& table) {
  auto found = later.find(table);
  if (found == later.end()) return {};
  std::string s = std::move(found->second);
  later.erase(found);
  return s;
}

std::string SchemaWriters::IdentityAfterDataScript(ScriptContext&, const std::string& table) {
  return TakeLater(afterData_, table);
}

std::string SchemaWriters::SequenceDefaultScript(ScriptContext&, const std::string& table) {
  return TakeLater(afterSequences_, table);
}

std::string SchemaWriters::StorageClause(ScriptContext& ctx, const std::string& name, const std::string& kind) {
  if (!ctx.Ticked(OptionBox::TableSpace)) return {};
  const bool isTable = kind == "TABLE";
  Q.SQL().clear();
  Q.SetSQLText("SELECT TABLESPACE_NAME, PCT_FREE, ");
  Q.SQL().push_back("INI_TRANS, MAX_TRANS, INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENTS,");
  Q.SQL().push_back("MAX_EXTENTS, PCT_INCREASE");
  if (isTable) {
    Q.SQL().push_back(",PCT_USED FROM SYS.USER_TABLES");
    Q.SQL().push_back("WHERE TABLE_NAME = '" + SqlText(name) + "'");
  } else {
    Q.SQL().push_back("FROM SYS.USER_INDEXES");
    Q.SQL().push_back("WHERE INDEX_NAME = '" + SqlText(name) + "'");
  }
  std::string result;
  try {
    Q.Execute();
    if (!Q.Eof()) {
      // Every attribute whose value is null is left out: Oracle takes its
      // default for it.
      std::vector<std::string> head, storage;
      auto add = [&](std::vector<std::string>& to, const char* label, const std::string& value) {
        if (!value.empty()) to.push_back(label + value);
      };
      auto size = [&](const char* field) {
        const std::string text = Q.FieldAsText(field);
        int64_t n = 0;
        return ParseWhole(text, n) ? FormatSize(n) : text;
      };
      add(head, "  tablespace ", Q.FieldAsText("TABLESPACE_NAME"));
      add(head, "  pctfree ", Q.FieldAsText("PCT_FREE"));
      if (isTable) add(head, "  pctused ", Q.FieldAsText("PCT_USED"));
      add(head, "  initrans ", Q.FieldAsText("INI_TRANS"));
      add(head, "  maxtrans ", Q.FieldAsText("MAX_TRANS"));
      add(storage, "    initial ", size("INITIAL_EXTENT"));
      add(storage, "    next ", size("NEXT_EXTENT"));
      add(storage, "    minextents ", Q.FieldAsText("MIN_EXTENTS"));
      const std::string maxExtents = Q.FieldAsText("MAX_EXTENTS");
      add(storage, "    maxextents ", maxExtents == "2147483645" ? std::string("unlimited") : maxExtents);
      add(storage, "    pctincrease ", Q.FieldAsText("PCT_INCREASE"));
      std::vector<std::string> lines = head;
      if (!storage.empty()) {
        lines.push_back("  storage");
        lines.push_back("  (");
        lines.insert(lines.end(), storage.begin(), storage.end());
        lines.push_back("  )");
      }
      for (const auto& l : lines) result += "\n" + l;
    }
  } catch (const std::exception& e) {
    ctx.LeftOut("storage clauses", name, e.what());
    result.clear();
  }
  Q.SQL().clear();
  return result;
}

std::string SchemaWriters::ColumnComment(ScriptContext& ctx, const std::string& table, const std::string& column) {
  if (!ctx.Ticked(OptionBox::Comments)) return {};
  try {
    Q.SetSQLText("select comments from sys.user_col_comments where table_name = '" + SqlText(table) + "'" +
                 " and column_name = " + "'" + SqlText(column) + "'");
    Q.Execute();
    return Q.Eof() ? std::string() : Q.FieldAsText("COMMENTS");
  } catch (const std::exception& e) {
    ctx.LeftOut("column comments", table, e.what());
    return {};
  }
}

std::string SchemaWriters::TableComment(ScriptContext& ctx, const std::string& table) {
  if (!ctx.Ticked(OptionBox::Comments)) return {};
  try {
    Q.SetSQLText("select comments from sys.user_tab_comments where table_name = '" + SqlText(table) + "'");
    Q.Execute();
    return Q.Eof() ? std::string() : Q.FieldAsText("COMMENTS");
  } catch (const std::exception& e) {
    ctx.LeftOut("table comments", table, e.what());
    return {};
  }
}

}  // namespace tarlow
