// Indexes: plain, unique, bitmap, reverse-key, compressed, descending and
// function-based keys.
#include <exception>
#include <map>

#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/sqlplus_layout.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

namespace {

// What CREATE INDEX says for an INDEX_TYPE; false for the kinds it cannot
// write (domain, cluster, ... indexes).
bool IndexKind(const std::string& type, bool& bitmap, bool& reverse) {
  std::string t = type;
  if (t.rfind("FUNCTION-BASED ", 0) == 0) t = t.substr(15);
  reverse = t.size() > 4 && t.compare(t.size() - 4, 4, "/REV") == 0;
  if (reverse) t = t.substr(0, t.size() - 4);
  bitmap = t == "BITMAP";
  return t == "NORMAL" || t == "BITMAP";
}

// The hidden columns of descending and function-based keys: Oracle names
// them itself, so a script never names them.
bool IsHiddenColumn(const std::string& column) { return column.rfind("SYS_NC", 0) == 0; }

}  // namespace

std::map<int, std::string> SchemaWriters::IndexExpressions(const std::string& index) {
  std::map<int, std::string> out;
  Q2.SetSQLText("SELECT COLUMN_EXPRESSION, COLUMN_POSITION FROM SYS.USER_IND_EXPRESSIONS WHERE INDEX_NAME = '" +
                SqlText(index) + "' ORDER BY COLUMN_POSITION");
  Q2.Execute();
  for (; !Q2.Eof(); Q2.Next()) out[std::stoi(Q2.FieldAsText("COLUMN_POSITION"))] = Q2.FieldAsText("COLUMN_EXPRESSION");
  return out;
}

void SchemaWriters::WriteIndexes(ScriptContext& ctx, const std::string& table) {
  odsOracle.Close();
  odsOracle.SQL().clear();
  odsOracle.SQL().push_back("select Index_Name, Uniqueness, Index_Type, Compression, Prefix_Length, Generated");
  odsOracle.SQL().push_back("from sys.user_indexes");
  odsOracle.SQL().push_back("where Table_Name = '" + SqlText(table) + "'");
  odsOracle.SQL().push_back("order by Index_Name");
  odsOracle.Open();
  odsOracle.First();
  if (odsOracle.RecordCount() > 0) {
    ctx.ProcessMessages();
    for (; !odsOracle.Eof(); odsOracle.Next()) {
      // LOB indexes belong to their LOB columns and the key index of an
      // index-organized table is the table itself: Oracle makes them.  So
      // it does the index of a key it names itself, with the key.
      const std::string type = Text(odsOracle, "INDEX_TYPE");
      if (type == "LOB" || type == "IOT - TOP" || Text(odsOracle, "GENERATED") == "Y") continue;
      const std::string index = Text(odsOracle, "INDEX_NAME");
      bool bitmap = false;
      bool reverse = false;
      if (!IndexKind(type, bitmap, reverse)) {
        ctx.LeftOut("indexes of type " + type, index);
        continue;
      }
      const bool unique = Text(odsOracle, "UNIQUENESS") == "UNIQUE";
      std::string statement = std::string(unique ? "CREATE UNIQUE INDEX " : bitmap ? "CREATE BITMAP INDEX " : "CREATE INDEX ") +
                              SqlName(index) + " ON " + SqlName(table) + " (";
      DS2.Close();
      DS2.SQL().clear();
      DS2.SQL().push_back("select Column_Name, Descend, Column_Position from sys.user_ind_columns");
      DS2.SQL().push_back("where Table_Name = '" + SqlText(table) + "'");
      DS2.SQL().push_back("  and Index_Name = '" + SqlText(index) + "'");
      DS2.SQL().push_back("order by Column_Position");
      DS2.Open();
      DS2.First();
      std::string columns;
      std::map<int, std::string> expressions;
      bool expressionsRead = false;
      std::string unreadable;
      for (; !DS2.Eof(); DS2.Next()) {
        const std::string column = Text(DS2, "COLUMN_NAME");
        std::string key = SqlName(column);
        if (IsHiddenColumn(column)) {
          // The key's own text, as the dictionary keeps it.
          if (!expressionsRead) {
            expressionsRead = true;
            try {
              expressions = IndexExpressions(index);
            } catch (const std::exception& e) {
              unreadable = e.what();
            }
          }
          auto found = expressions.find(std::stoi(Text(DS2, "COLUMN_POSITION")));
          if (found == expressions.end() || Trim(found->second).empty()) {
            if (unreadable.empty()) unreadable = "the expression of " + column + " cannot be read";
            break;
          }
          key = Trim(found->second);
        }
        if (Text(DS2, "DESCEND") == "DESC") key += " DESC";
        if (!columns.empty()) columns += ",";
        columns += key;
      }
      if (!unreadable.empty()) {
        ctx.LeftOut("function-based indexes", index, unreadable);
        continue;
      }
      statement += columns + ")";
      if (reverse) statement += " REVERSE";
      const std::string compression = Text(odsOracle, "COMPRESSION");
      if (compression == "ENABLED") statement += " COMPRESS " + Text(odsOracle, "PREFIX_LENGTH");
      else if (compression.rfind("ADVANCED ", 0) == 0) statement += " COMPRESS " + compression;
      statement += StorageClause(ctx, index, "INDEX") + IndexPartitionClause(ctx, index);
      ctx.Writer().WriteScript(BannerComment("*   Index: " + CommentText(index)) + CRLF +
                                   SqlPlusStatement(statement, StatementForm::Sql),
                               2);
      ctx.ProcessMessages();
    }
  }
  odsOracle.Close();
  DS2.Close();
}

}  // namespace tarlow
