// Constraints and orphan-row deletes.
#include <algorithm>
#include <cctype>
#include <exception>

#include "script/column_attributes.h"
#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/sqlplus_layout.h"
#include "script/writer_text.h"
#include "platform/ascii.h"

namespace tarlow {

using namespace writer_text;

namespace {

// Whether a check condition is only the NOT NULL check of one column:
// "COL" IS NOT NULL (or COL IS NOT NULL), nothing more.
bool IsNotNullCheck(const std::string& condition) {
  std::string c = Trim(condition);
  size_t i = 0;
  if (i < c.size() && c[i] == '"') {
    size_t close = c.find('"', 1);
    if (close == std::string::npos) return false;
    i = close + 1;
  } else {
    while (i < c.size() && (platform::isAsciiAlnum(c[i]) || c[i] == '_' || c[i] == '$' ||
                            c[i] == '#'))
      ++i;
    if (i == 0) return false;
  }
  std::string rest;
  bool blank = true;
  for (; i < c.size(); ++i) {
    unsigned char ch = static_cast<unsigned char>(c[i]);
    if (ch <= 32) {
      if (!blank) rest += ' ';
      blank = true;
    } else {
      if (blank && !rest.empty() && rest.back() != ' ') rest += ' ';
      rest += platform::asciiUpper(ch);
      blank = false;
    }
  }
  return Trim(rest) == "IS NOT NULL";
}

std::string JoinNames(const std::vector<std::string>& names, const std::string& prefix = "") {
  std::string s;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) s += ", ";
    s += prefix + SqlName(names[i]);
  }
  return s;
}

}  // namespace

std::string SchemaWriters::NotNullScript(ScriptContext& ctx, const std::string& table) {
  try {
    // The key columns of an index-organized table are NOT NULL from its
    // CREATE TABLE on; Oracle refuses to make them so a second time.
    std::vector<std::string> keyColumns;
    if (IsIndexOrganized(ctx, table)) keyColumns = ReadPrimaryKey(table).Columns;
    // Identity and DEFAULT ON NULL columns are NOT NULL from their CREATE
    // TABLE on, too.
    for (const auto& [name, a] : ReadColumnAttributes(Q, table))
      if (a.identity || a.defaultOnNull) keyColumns.push_back(name);
    Q.SetSQLText("Select Column_name, Nullable from Sys.user_Tab_Columns where Table_Name = '" + SqlText(table) +
                 "'" + " order by column_Id");
    Q.Execute();
    std::string s;
    for (; !Q.Eof(); Q.Next()) {
      const std::string column = Q.FieldAsText("COLUMN_NAME");
      if (std::find(keyColumns.begin(), keyColumns.end(), column) != keyColumns.end()) continue;
      if (Q.FieldAsText("NULLABLE") != "Y")
        s += std::string(CRLF) + "ALTER TABLE " + SqlName(table) + " MODIFY (" + SqlName(column) +
             " NOT NULL);";
    }
    return CRLF + s;
  } catch (const std::exception& e) {
    ctx.LeftOut("NOT NULL constraints", table, e.what());
    return {};
  }
}

std::string SchemaWriters::CheckConstraintScript(ScriptContext& ctx, const std::string& table) {
  try {
    // Every check constraint but the NOT NULL checks (those come from the
    // columns' NOT NULL statements): a check with a name Oracle made up is
    // written under that name like the others, so it is not lost.
    Q.SetSQLText(
        "SELECT CONSTRAINT_NAME, TABLE_NAME, SEARCH_CONDITION, GENERATED FROM USER_CONSTRAINTS WHERE "
        "CONSTRAINT_TYPE = 'C' AND TABLE_NAME = '" +
        SqlText(table) + "' ORDER BY CONSTRAINT_NAME");
    Q.Execute();
    std::string s;
    std::string first;
    for (; !Q.Eof(); Q.Next()) {
      const std::string name = Q.FieldAsText("CONSTRAINT_NAME");
      const std::string condition = Q.FieldAsText("SEARCH_CONDITION");
      if (Q.FieldAsText("GENERATED") != "USER NAME" && IsNotNullCheck(condition)) continue;
      if (first.empty()) first = name;
      s += std::string(CRLF) + SqlPlusStatement("ALTER TABLE " + SqlName(table) + " ADD CONSTRAINT " + SqlName(name) +
                                                    " CHECK (" + condition + BreakAfter(condition) + ")",
                                                StatementForm::Sql);
    }
    if (first.empty()) return {};
    return CRLF + BannerComment("*  Check Constraint: " + CommentText(first)) + s;
  } catch (const std::exception& e) {
    ctx.LeftOut("check constraints", table, e.what());
    return {};
  }
}

SchemaWriters::PrimaryKey SchemaWriters::ReadPrimaryKey(const std::string& table) {
  Q.SetSQLText(
      "select distinct C.Table_Name, C.Column_Name,C.Constraint_Name, C.Position from sys.user_cons_columns C, "
      "sys.user_constraints D where C.Constraint_Name = D.CONSTRAINT_NAME and D.constraint_type = 'P' and "
      "C.table_name = '" +
      SqlText(table) + "'" + " order by C.Position");
  Q.Execute();
  PrimaryKey key;
  for (; !Q.Eof(); Q.Next()) {
    if (key.Name.empty()) key.Name = Q.FieldAsText("CONSTRAINT_NAME");
    key.Columns.push_back(Q.FieldAsText("COLUMN_NAME"));
  }
  return key;
}

bool SchemaWriters::IsIndexOrganized(ScriptContext& ctx, const std::string& table) {
  try {
    Q.SetSQLText("SELECT IOT_TYPE FROM SYS.USER_TABLES WHERE TABLE_NAME = '" + SqlText(table) + "'");
    Q.Execute();
    return !Q.Eof() && Q.FieldAsText("IOT_TYPE") == "IOT";
  } catch (const std::exception& e) {
    ctx.LeftOut("the index organization of tables", table, e.what());
    return false;
  }
}

std::string SchemaWriters::PrimaryKeyScript(ScriptContext& ctx, const std::string& table) {
  std::string s;
  try {
    // The key of an index-organized table stands in its CREATE TABLE.
    if (!IsIndexOrganized(ctx, table)) {
      const PrimaryKey key = ReadPrimaryKey(table);
      if (!key.Name.empty())
        s = BannerComment("*   Primary Key: " + CommentText(key.Name)) + CRLF + "ALTER TABLE " + SqlName(table) +
            " ADD CONSTRAINT " + SqlName(key.Name) + " PRIMARY KEY (" + JoinNames(key.Columns) + ");" + CRLF;
    }
    // Unique keys come with it: a foreign key may reference one, and a
    // unique index alone does not let it.
    Q.SetSQLText(
        "select C.Constraint_Name, C.Column_Name, C.Position from sys.user_cons_columns C, sys.user_constraints D "
        "where C.Constraint_Name = D.CONSTRAINT_NAME and D.constraint_type = 'U' and C.table_name = '" +
        SqlText(table) + "' order by C.Constraint_Name, C.Position");
    Q.Execute();
  } catch (const std::exception& e) {
    ctx.LeftOut("primary and unique keys", table, e.what());
    return s;
  }
  std::vector<PrimaryKey> uniques;
  for (; !Q.Eof(); Q.Next()) {
    const std::string name = Q.FieldAsText("CONSTRAINT_NAME");
    if (uniques.empty() || uniques.back().Name != name) uniques.push_back({name, {}});
    uniques.back().Columns.push_back(Q.FieldAsText("COLUMN_NAME"));
  }
  for (const PrimaryKey& u : uniques)
    s += std::string(s.empty() ? "" : CRLF) + BannerComment("*   Unique Key: " + CommentText(u.Name)) + CRLF +
         "ALTER TABLE " + SqlName(table) + " ADD CONSTRAINT " + SqlName(u.Name) + " UNIQUE (" +
         JoinNames(u.Columns) + ");" + CRLF;
  return s;
}

std::string SchemaWriters::ForeignKeyScript(ScriptContext& ctx, const std::string& table) {
  struct ForeignKey {
    std::string name, table, rName, rOwner, deleteRule;
    std::vector<std::string> columns;
  };
  std::vector<ForeignKey> keys;
  try {
    Q.SetSQLText(
        "SELECT C.CONSTRAINT_NAME,C.TABLE_NAME, C.COLUMN_NAME, D.R_CONSTRAINT_NAME, D.DELETE_RULE, D.R_OWNER, "
        "C.POSITION FROM SYS.USER_CONS_COLUMNS C, SYS.USER_CONSTRAINTS D WHERE C.Constraint_Name = "
        "D.CONSTRAINT_NAME AND D.CONSTRAINT_TYPE = 'R' AND C.TABLE_NAME = '" +
        SqlText(table) + "' ORDER BY C.CONSTRAINT_NAME, C.POSITION");
    Q.Execute();
  } catch (const std::exception& e) {
    ctx.LeftOut("foreign keys", table, e.what());
    return {};
  }
  // One row per column of each key, in key order: one entry per key.
  for (; !Q.Eof(); Q.Next()) {
    const std::string name = Q.FieldAsText("CONSTRAINT_NAME");
    if (keys.empty() || keys.back().name != name) {
      keys.push_back({name, Q.FieldAsText("TABLE_NAME"), Q.FieldAsText("R_CONSTRAINT_NAME"),
                      Q.FieldAsText("R_OWNER"), Q.FieldAsText("DELETE_RULE"), {}});
    }
    keys.back().columns.push_back(Q.FieldAsText("COLUMN_NAME"));
  }

  std::string s;
  for (const ForeignKey& key : keys) {
    // The referenced key's table and columns, in key order: the user's own
    // first, then any other user's through ALL_CONS_COLUMNS.
    std::string rTable;
    std::string rOwner;
    std::vector<std::string> rColumns;
    try {
      Q2.SetSQLText(
          "SELECT DISTINCT C.TABLE_NAME, C.COLUMN_NAME,C.CONSTRAINT_NAME, C.POSITION FROM SYS.USER_CONS_COLUMNS C, "
          "SYS.USER_CONSTRAINTS D WHERE C.CONSTRAINT_NAME = D.R_CONSTRAINT_NAME AND C.OWNER = D.R_OWNER AND "
          "D.CONSTRAINT_TYPE = 'R' AND D.CONSTRAINT_NAME = '" +
          SqlText(key.name) + "' ORDER BY C.POSITION");
      Q2.Execute();
      for (; !Q2.Eof(); Q2.Next()) {
        rTable = Q2.FieldAsText("TABLE_NAME");
        rColumns.push_back(Q2.FieldAsText("COLUMN_NAME"));
      }
      if (rColumns.empty() && !key.rOwner.empty()) {
        Q2.SetSQLText("SELECT TABLE_NAME, COLUMN_NAME, POSITION FROM ALL_CONS_COLUMNS WHERE OWNER = '" +
                      SqlText(key.rOwner) + "' AND CONSTRAINT_NAME = '" + SqlText(key.rName) +
                      "' ORDER BY POSITION");
        Q2.Execute();
        for (; !Q2.Eof(); Q2.Next()) {
          rTable = Q2.FieldAsText("TABLE_NAME");
          rColumns.push_back(Q2.FieldAsText("COLUMN_NAME"));
        }
        rOwner = key.rOwner;
      }
    } catch (const std::exception& e) {
      ctx.LeftOut("foreign keys", table, e.what());
      return {};
    }

    if (rColumns.empty()) {
      ctx.LeftOut("foreign keys whose referenced key cannot be found", key.name);
      s += std::string(CRLF) + "/* Foreign key " + CommentText(key.name) + " of " + CommentText(key.table) +
           " references the key " + CommentText(key.rOwner.empty() ? key.rName : key.rOwner + "." + key.rName) +
           ", which cannot be found: not scripted. */" + CRLF + CRLF;
      continue;
    }
    const std::string parent = (rOwner.empty() ? std::string() : SqlName(rOwner) + ".") + SqlName(rTable);
    const bool several = key.columns.size() > 1;
    if (ctx.Ticked(OptionBox::OrphanSQL)) {
      const std::string cols = several ? "(" + JoinNames(key.columns) + ")" : SqlName(key.columns[0]);
      s += std::string(CRLF) + "DELETE " + SqlName(key.table) + " WHERE " + cols + " NOT IN " + CRLF +
           "   (SELECT " + JoinNames(rColumns, "A.") + " FROM " + parent + " A);" + CRLF + CRLF;
    }
    if (ctx.Ticked(OptionBox::ForConstraints)) {
      s += BannerComment("*  Foreign Key: " + CommentText(key.name)) + CRLF + "ALTER TABLE " + SqlName(key.table) +
           " ADD CONSTRAINT " + SqlName(key.name) + " FOREIGN KEY (" + JoinNames(key.columns) + ")" + CRLF +
           "REFERENCES " + parent + "(" + JoinNames(rColumns) + ")";
      if (key.deleteRule == "CASCADE") s += " ON DELETE CASCADE";
      if (key.deleteRule == "SET NULL") s += " ON DELETE SET NULL";
      s += std::string(";") + CRLF + CRLF;
    }
  }
  return s;
}

}  // namespace tarlow
