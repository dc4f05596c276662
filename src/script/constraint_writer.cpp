// Constraints and orphan-row deletes.
#include <algorithm>
#include <exception>
#include <map>

#include "script/column_attributes.h"
#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/sqlplus_layout.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

namespace {

// The column a constraint keeps NOT NULL, when its condition is the one
// Oracle records for a column's NOT NULL constraint: "COL" IS NOT NULL,
// exactly.  A check the user wrote as CHECK (col IS NOT NULL) is a check of
// its own and stays one.
std::string NotNullColumn(const std::string& condition) {
  const std::string tail = "\" IS NOT NULL";
  if (condition.size() <= tail.size() + 1 || condition[0] != '"') return {};
  if (condition.compare(condition.size() - tail.size(), tail.size(), tail) != 0) return {};
  const std::string column = condition.substr(1, condition.size() - tail.size() - 1);
  if (column.find('"') != std::string::npos) return {};
  return column;
}

std::string JoinNames(const std::vector<std::string>& names, const std::string& prefix = "") {
  std::string s;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) s += ", ";
    s += prefix + SqlName(names[i]);
  }
  return s;
}

// USER_CONSTRAINTS' state columns, selected from the view as D.
constexpr const char* kStateColumns =
    "D.STATUS, D.VALIDATED, D.\"DEFERRABLE\", D.DEFERRED, D.RELY, D.GENERATED";

// A constraint's name and state as the dictionary shows them.
struct ConstraintState {
  std::string name;
  bool systemNamed = false;
  bool enabled = true;
  bool validated = true;
  bool deferrable = false;
  bool deferred = false;
  bool rely = false;

  // Disabled and not validated constraints come after the rows: the rows
  // the source holds may break them.
  bool AfterData() const { return !enabled || !validated; }
  // "CONSTRAINT name " for a name the user gave; nothing for one Oracle
  // made up, so the server names the new constraint itself.
  std::string NameClause() const { return systemNamed ? std::string() : "CONSTRAINT " + SqlName(name) + " "; }
  // What the script's banner calls it: a made-up name would differ from
  // one load of the script to the next.
  std::string Label(const std::string& table) const { return systemNamed ? "on " + table : name; }
  // The state after the constraint, empty for Oracle's defaults.
  std::string StateClause() const {
    std::string s;
    if (deferrable) s += deferred ? " DEFERRABLE INITIALLY DEFERRED" : " DEFERRABLE";
    if (rely) s += " RELY";
    if (!enabled) s += " DISABLE";
    else if (!validated) s += " ENABLE NOVALIDATE";
    return s;
  }
};

ConstraintState ReadState(TOracleQuery& q, const std::string& name) {
  ConstraintState c;
  c.name = name;
  c.systemNamed = q.FieldAsText("GENERATED") == "GENERATED NAME";
  c.enabled = q.FieldAsText("STATUS") != "DISABLED";
  c.validated = q.FieldAsText("VALIDATED") != "NOT VALIDATED";
  c.deferrable = q.FieldAsText("DEFERRABLE") == "DEFERRABLE";
  c.deferred = q.FieldAsText("DEFERRED") == "DEFERRED";
  c.rely = q.FieldAsText("RELY") == "RELY";
  return c;
}

bool InPhase(const ConstraintState& c, bool afterData) { return c.AfterData() == afterData; }

}  // namespace

std::string SchemaWriters::NotNullScript(ScriptContext& ctx, const std::string& table) {
  return NotNullConstraints(ctx, table, Phase::BeforeData);
}

std::string SchemaWriters::CheckConstraintScript(ScriptContext& ctx, const std::string& table) {
  return CheckConstraints(ctx, table, Phase::BeforeData);
}

std::string SchemaWriters::PrimaryKeyScript(ScriptContext& ctx, const std::string& table) {
  return KeyConstraints(ctx, table, Phase::BeforeData);
}

std::string SchemaWriters::AfterDataConstraintScript(ScriptContext& ctx, const std::string& table) {
  std::string s;
  if (ctx.Ticked(OptionBox::ChkConstraints)) s += CheckConstraints(ctx, table, Phase::AfterData);
  if (ctx.Ticked(OptionBox::ColConstraints)) s += NotNullConstraints(ctx, table, Phase::AfterData);
  if (ctx.Ticked(OptionBox::PriConstraints)) s += KeyConstraints(ctx, table, Phase::AfterData);
  return s;
}

std::string SchemaWriters::NotNullConstraints(ScriptContext& ctx, const std::string& table, Phase phase) {
  const bool afterData = phase == Phase::AfterData;
  try {
    // The key columns of an index-organized table are NOT NULL from its
    // CREATE TABLE on; Oracle refuses to make them so a second time.  The
    // columns of a primary key are NOT NULL through the key alone.
    std::vector<std::string> keyColumns = ReadPrimaryKey(table).Columns;
    const bool organized = IsIndexOrganized(ctx, table);
    // Identity and DEFAULT ON NULL columns are NOT NULL from their CREATE
    // TABLE on, too.
    std::vector<std::string> implicitColumns;
    for (const auto& [name, a] : ReadColumnAttributes(Q, table))
      if (a.identity || a.defaultOnNull) implicitColumns.push_back(name);
    // Each column's NOT NULL constraints, named or not, with their state.
    std::map<std::string, std::vector<ConstraintState>> constraints;
    Q.SetSQLText("SELECT D.CONSTRAINT_NAME, D.SEARCH_CONDITION, " + std::string(kStateColumns) +
                 " FROM SYS.USER_CONSTRAINTS D WHERE D.CONSTRAINT_TYPE = 'C' AND D.TABLE_NAME = '" +
                 SqlText(table) + "' ORDER BY D.CONSTRAINT_NAME");
    Q.Execute();
    for (; !Q.Eof(); Q.Next()) {
      const std::string column = NotNullColumn(Q.FieldAsText("SEARCH_CONDITION"));
      if (!column.empty()) constraints[column].push_back(ReadState(Q, Q.FieldAsText("CONSTRAINT_NAME")));
    }
    Q.SetSQLText("Select Column_name, Nullable from Sys.user_Tab_Columns where Table_Name = '" + SqlText(table) +
                 "'" + " order by column_Id");
    Q.Execute();
    std::string s;
    for (; !Q.Eof(); Q.Next()) {
      const std::string column = Q.FieldAsText("COLUMN_NAME");
      const bool key = std::find(keyColumns.begin(), keyColumns.end(), column) != keyColumns.end();
      if (organized && key) continue;
      if (std::find(implicitColumns.begin(), implicitColumns.end(), column) != implicitColumns.end()) continue;
      auto found = constraints.find(column);
      if (found == constraints.end()) {
        // NOT NULL with no constraint the dictionary shows: as a plain NOT NULL.
        if (!afterData && !key && Q.FieldAsText("NULLABLE") != "Y")
          s += std::string(CRLF) + "ALTER TABLE " + SqlName(table) + " MODIFY (" + SqlName(column) + " NOT NULL);";
        continue;
      }
      for (const ConstraintState& c : found->second)
        if (InPhase(c, afterData))
          s += std::string(CRLF) + "ALTER TABLE " + SqlName(table) + " MODIFY (" + SqlName(column) + " " +
               c.NameClause() + "NOT NULL" + c.StateClause() + ");";
    }
    if (afterData && s.empty()) return {};
    return CRLF + s;
  } catch (const std::exception& e) {
    ctx.LeftOut("NOT NULL constraints", table, e.what());
    return {};
  }
}

std::string SchemaWriters::CheckConstraints(ScriptContext& ctx, const std::string& table, Phase phase) {
  try {
    // Every check constraint but the columns' NOT NULL constraints (those
    // come from the NOT NULL statements).
    Q.SetSQLText("SELECT D.CONSTRAINT_NAME, D.SEARCH_CONDITION, " + std::string(kStateColumns) +
                 " FROM SYS.USER_CONSTRAINTS D WHERE D.CONSTRAINT_TYPE = 'C' AND D.TABLE_NAME = '" +
                 SqlText(table) + "' ORDER BY D.CONSTRAINT_NAME");
    Q.Execute();
    std::string s;
    std::string first;
    for (; !Q.Eof(); Q.Next()) {
      const std::string name = Q.FieldAsText("CONSTRAINT_NAME");
      const std::string condition = Q.FieldAsText("SEARCH_CONDITION");
      if (!NotNullColumn(condition).empty()) continue;
      const ConstraintState c = ReadState(Q, name);
      if (!InPhase(c, phase == Phase::AfterData)) continue;
      if (first.empty()) first = c.Label(table);
      s += std::string(CRLF) + SqlPlusStatement("ALTER TABLE " + SqlName(table) + " ADD " + c.NameClause() +
                                                    "CHECK (" + condition + BreakAfter(condition) + ")" +
                                                    c.StateClause(),
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

std::string SchemaWriters::KeyConstraints(ScriptContext& ctx, const std::string& table, Phase phase) {
  struct Key {
    ConstraintState state;
    std::string type;
    std::vector<std::string> columns;
  };
  std::vector<Key> keys;
  try {
    // The key of an index-organized table stands in its CREATE TABLE.
    // Unique keys come with the primary key: a foreign key may reference
    // one, and a unique index alone does not let it.
    const bool organized = IsIndexOrganized(ctx, table);
    Q.SetSQLText("select C.Constraint_Name, C.Column_Name, C.Position, D.Constraint_Type, " +
                 std::string(kStateColumns) +
                 " from sys.user_cons_columns C, sys.user_constraints D where C.Constraint_Name = "
                 "D.CONSTRAINT_NAME and D.constraint_type in ('P', 'U') and C.table_name = '" +
                 SqlText(table) + "' order by D.Constraint_Type, C.Constraint_Name, C.Position");
    Q.Execute();
    for (; !Q.Eof(); Q.Next()) {
      const std::string name = Q.FieldAsText("CONSTRAINT_NAME");
      const std::string type = Q.FieldAsText("CONSTRAINT_TYPE");
      if (type == "P" && organized) continue;
      if (keys.empty() || keys.back().state.name != name) keys.push_back({ReadState(Q, name), type, {}});
      keys.back().columns.push_back(Q.FieldAsText("COLUMN_NAME"));
    }
  } catch (const std::exception& e) {
    ctx.LeftOut("primary and unique keys", table, e.what());
    return {};
  }
  std::string s;
  for (const Key& k : keys) {
    if (!InPhase(k.state, phase == Phase::AfterData)) continue;
    const bool primary = k.type == "P";
    s += std::string(s.empty() ? "" : CRLF) +
         BannerComment((primary ? "*   Primary Key: " : "*   Unique Key: ") + CommentText(k.state.Label(table))) +
         CRLF +
         "ALTER TABLE " + SqlName(table) + " ADD " + k.state.NameClause() + (primary ? "PRIMARY KEY (" : "UNIQUE (") +
         JoinNames(k.columns) + ")" + k.state.StateClause() + ";" + CRLF;
  }
  return s;
}

std::string SchemaWriters::ForeignKeyScript(ScriptContext& ctx, const std::string& table) {
  struct ForeignKey {
    std::string name, table, rName, rOwner, deleteRule;
    std::vector<std::string> columns;
    ConstraintState state;
  };
  std::vector<ForeignKey> keys;
  try {
    Q.SetSQLText(
        "SELECT C.CONSTRAINT_NAME,C.TABLE_NAME, C.COLUMN_NAME, D.R_CONSTRAINT_NAME, D.DELETE_RULE, D.R_OWNER, "
        "C.POSITION, " + std::string(kStateColumns) + " FROM SYS.USER_CONS_COLUMNS C, SYS.USER_CONSTRAINTS D WHERE C.Constraint_Name = "
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
                      Q.FieldAsText("R_OWNER"), Q.FieldAsText("DELETE_RULE"), {}, ReadState(Q, name)});
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
    // The orphans of a key that is disabled or not validated are rows the
    // source holds on purpose: they stay.
    if (ctx.Ticked(OptionBox::OrphanSQL) && !key.state.AfterData()) {
      const std::string cols = several ? "(" + JoinNames(key.columns) + ")" : SqlName(key.columns[0]);
      s += std::string(CRLF) + "DELETE " + SqlName(key.table) + " WHERE " + cols + " NOT IN " + CRLF +
           "   (SELECT " + JoinNames(rColumns, "A.") + " FROM " + parent + " A);" + CRLF + CRLF;
    }
    if (ctx.Ticked(OptionBox::ForConstraints)) {
      s += BannerComment("*  Foreign Key: " + CommentText(key.state.Label(key.table))) + CRLF + "ALTER TABLE " + SqlName(key.table) +
           " ADD " + key.state.NameClause() + "FOREIGN KEY (" + JoinNames(key.columns) + ")" + CRLF +
           "REFERENCES " + parent + "(" + JoinNames(rColumns) + ")";
      if (key.deleteRule == "CASCADE") s += " ON DELETE CASCADE";
      if (key.deleteRule == "SET NULL") s += " ON DELETE SET NULL";
      s += key.state.StateClause() + ";" + CRLF + CRLF;
    }
  }
  return s;
}

}  // namespace tarlow
