// Indexes and triggers.
#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/sqlplus_layout.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

void SchemaWriters::WriteIndexes(ScriptContext& ctx, const std::string& table) {
  odsOracle.Close();
  odsOracle.SQL().clear();
  odsOracle.SQL().push_back("select Index_Name, Uniqueness, Index_Type from sys.user_indexes");
  odsOracle.SQL().push_back("where Table_Name = '" + SqlText(table) + "'");
  odsOracle.SQL().push_back("order by Index_Name");
  odsOracle.Open();
  odsOracle.First();
  if (odsOracle.RecordCount() > 0) {
    ctx.ProcessMessages();
    for (; !odsOracle.Eof(); odsOracle.Next()) {
      // LOB indexes belong to their LOB columns and the key index of an
      // index-organized table is the table itself: Oracle makes them.
      const std::string type = Text(odsOracle, "INDEX_TYPE");
      if (type == "LOB" || type == "IOT - TOP") continue;
      const std::string index = Text(odsOracle, "INDEX_NAME");
      const bool unique = Text(odsOracle, "UNIQUENESS") == "UNIQUE";
      std::string statement = std::string(unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + SqlName(index) +
                              " ON " + SqlName(table) + " (";
      DS2.Close();
      DS2.SQL().clear();
      DS2.SQL().push_back("select Column_Name from sys.user_ind_columns");
      DS2.SQL().push_back("where Table_Name = '" + SqlText(table) + "'");
      DS2.SQL().push_back("  and Index_Name = '" + SqlText(index) + "'");
      DS2.SQL().push_back("order by Column_Position");
      DS2.Open();
      DS2.First();
      std::string columns;
      for (; !DS2.Eof(); DS2.Next()) {
        if (!columns.empty()) columns += ",";
        columns += SqlName(Text(DS2, "COLUMN_NAME"));
      }
      statement += columns + ")" + StorageClause(ctx, index, "INDEX") + IndexPartitionClause(ctx, index);
      ctx.Writer().WriteScript(BannerComment("*   Index: " + CommentText(index)) + CRLF +
                                   SqlPlusStatement(statement, StatementForm::Sql),
                               2);
      ctx.ProcessMessages();
    }
  }
  odsOracle.Close();
  DS2.Close();
}

void SchemaWriters::WriteTriggers(ScriptContext& ctx, const std::string& table) {
  odsOracle.Close();
  odsOracle.SQL().clear();
  odsOracle.SQL().push_back("select * from sys.user_triggers");
  odsOracle.SQL().push_back("where Table_Name = '" + SqlText(table) + "'");
  odsOracle.SQL().push_back("order by Trigger_Name");
  odsOracle.Open();
  for (odsOracle.First(); !odsOracle.Eof(); odsOracle.Next()) {
    if (Text(odsOracle, "STATUS") != "ENABLED") continue;
    // The header as the trigger was declared: name, timing, events with
    // any OF column list, ON table, REFERENCING and FOR EACH ROW.
    // The texts as stored: the unit is laid out with LF line breaks, which
    // the layout step writes as CR LF and SQL*Plus reads back as LF.
    const std::string description = Trim(Text(odsOracle, "DESCRIPTION"));
    const std::string when = Trim(Text(odsOracle, "WHEN_CLAUSE"));
    std::string statement = "CREATE OR REPLACE TRIGGER " + description;
    if (!when.empty()) statement += "\nWHEN (" + when + BreakAfter(when) + ")";
    // The body as stored, on the line after the header: the reloaded
    // trigger's source is the original's, byte for byte.
    statement += "\n" + WithoutTrailingBlankLines(Text(odsOracle, "TRIGGER_BODY"));
    ctx.Writer().WriteScript(BannerComment("*   Trigger : " + CommentText(Text(odsOracle, "TRIGGER_NAME"))) + CRLF +
                                 SqlPlusStatement(statement, StatementForm::Block),
                             2);
    ctx.ProcessMessages();
  }
}

}  // namespace tarlow
