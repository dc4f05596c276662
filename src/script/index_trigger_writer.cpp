// Triggers.
#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/sqlplus_layout.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

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
