// Kinds of tables and objects the table writers treat apart: temporary and
// partitioned tables, tables that are not scripted as tables (Oracle makes
// them with another object, or they are in the recycle bin), object-type
// columns, and the closing note naming what no option box covers.
#include <exception>

#include "script/dictionary_rows.h"
#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

void SchemaWriters::BeginRun(ScriptContext&) {
  kinds_.clear();
  kindsLoaded_ = false;
}

void SchemaWriters::LoadTableKinds(ScriptContext& ctx) {
  kindsLoaded_ = true;
  kinds_.clear();
  TOracleSession* session = Q.Session();
  try {
    for (const auto& r : ReadDictionaryRows(session,
                                            "SELECT TABLE_NAME, TEMPORARY, DURATION, PARTITIONED, IOT_TYPE, IOT_NAME,"
                                            " NESTED FROM SYS.USER_TABLES")) {
      TableKind& k = kinds_[r[0]];
      k.Temporary = r[1] == "Y";
      k.Duration = r[2];
      k.Partitioned = r[3] == "YES";
      if (r[4] == "IOT_OVERFLOW") {
        k.NotScripted = "the overflow segment of the index-organized table " + r[5];
        kinds_[r[5]].Overflow = r[0];
      } else if (r[6] == "YES") {
        k.NotScripted = "the storage table of a nested table column";
      } else if (r[0].rfind("BIN$", 0) == 0) {
        k.NotScripted = "a dropped table in the recycle bin";
      } else if (r[0].rfind("MLOG$_", 0) == 0) {
        k.NotScripted = "a materialized view log";
      } else if (r[0].rfind("RUPD$_", 0) == 0) {
        k.NotScripted = "the updatable materialized view log of a table";
      }
    }
  } catch (const std::exception& e) {
    ctx.LeftOut("table kinds (temporary, partitioned, not scripted as tables)", "", e.what());
    return;
  }
  try {
    // Built-in types have no owner; object types, references and
    // collections do.
    for (const auto& r : ReadDictionaryRows(session,
                                            "SELECT TABLE_NAME, COLUMN_NAME, DATA_TYPE FROM SYS.USER_TAB_COLUMNS"
                                            " WHERE DATA_TYPE_OWNER IS NOT NULL ORDER BY TABLE_NAME, COLUMN_ID"))
      kinds_[r[0]].ObjectColumns.push_back(r[1] + "\t" + r[2]);
  } catch (const std::exception& e) {
    ctx.LeftOut("the types of columns", "", e.what());
  }
  // Servers before these columns and views have none of these tables.
  try {
    for (const auto& r : ReadDictionaryRows(session, "SELECT TABLE_NAME FROM SYS.USER_TABLES WHERE DROPPED = 'YES'"))
      kinds_[r[0]].NotScripted = "a dropped table in the recycle bin";
  } catch (const std::exception&) {
  }
  try {
    for (const auto& r : ReadDictionaryRows(session, "SELECT MVIEW_NAME, CONTAINER_NAME FROM SYS.USER_MVIEWS"))
      kinds_[r[1].empty() ? r[0] : r[1]].NotScripted = "the container table of the materialized view " + r[0];
  } catch (const std::exception&) {
  }
}

const SchemaWriters::TableKind& SchemaWriters::TableKindOf(ScriptContext& ctx, const std::string& table) {
  if (!kindsLoaded_) LoadTableKinds(ctx);
  static const TableKind plain;
  auto it = kinds_.find(table);
  return it == kinds_.end() ? plain : it->second;
}

std::string SchemaWriters::NotScriptedReason(ScriptContext& ctx, const std::string& table) {
  return TableKindOf(ctx, table).NotScripted;
}

std::string SchemaWriters::ClosingNoteScript(ScriptContext& ctx, const std::vector<std::string>& notScripted) {
  std::vector<std::string> lines;
  if (!notScripted.empty()) {
    lines.push_back("Tables not scripted as tables:");
    for (const auto& t : notScripted) lines.push_back("  " + t);
  }
  std::vector<std::string> objects;
  try {
    for (const auto& r : ReadDictionaryRows(
             Q.Session(),
             "SELECT OBJECT_TYPE, OBJECT_NAME FROM SYS.USER_OBJECTS WHERE OBJECT_TYPE IN ('TYPE', 'SYNONYM',"
             " 'MATERIALIZED VIEW', 'DATABASE LINK', 'JOB', 'PROGRAM', 'SCHEDULE', 'DIMENSION', 'LIBRARY',"
             " 'JAVA SOURCE', 'QUEUE', 'INDEXTYPE', 'OPERATOR') ORDER BY OBJECT_TYPE, OBJECT_NAME"))
      objects.push_back("  " + r[0] + " " + r[1]);
    for (const auto& r : ReadDictionaryRows(Q.Session(),
                                            "SELECT TABLE_NAME, GRANTEE, PRIVILEGE, GRANTABLE FROM"
                                            " SYS.USER_TAB_PRIVS_MADE ORDER BY TABLE_NAME, GRANTEE, PRIVILEGE"))
      objects.push_back("  GRANT " + r[2] + " ON " + r[0] + " TO " + r[1] + (r[3] == "YES" ? " WITH GRANT OPTION" : ""));
  } catch (const std::exception& e) {
    ctx.LeftOut("the list of objects no option covers", "", e.what());
  }
  if (!objects.empty()) {
    lines.push_back("Objects of kinds no option covers (not scripted):");
    lines.insert(lines.end(), objects.begin(), objects.end());
  }
  if (lines.empty()) return {};
  std::string s = "/* Not in this script:";
  for (const auto& l : lines) s += std::string(CRLF) + "   " + CommentText(l);
  return s + CRLF + "*/";
}

}  // namespace tarlow
