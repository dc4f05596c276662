// Triggers: those of a table or view, and those of the schema itself.
#include <exception>
#include <unordered_map>

#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/sqlplus_layout.h"
#include "script/trigger_statement.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

void SchemaWriters::WriteTriggers(ScriptContext& ctx, const std::string& table) {
  const std::string name = SqlText(table);
  WriteTriggerRows(ctx, "where Table_Name = '" + name + "' and Base_Object_Type in ('TABLE', 'VIEW')",
                   "t.table_name = '" + name + "'");
}

void SchemaWriters::WriteSchemaTriggers(ScriptContext& ctx) {
  WriteTriggerRows(ctx, "where Base_Object_Type in ('SCHEMA', 'DATABASE')",
                   "t.base_object_type in ('SCHEMA', 'DATABASE')");
}

void SchemaWriters::WriteTriggerRows(ScriptContext& ctx, const std::string& where, const std::string& joined) {
  // The UPDATE OF columns and the FOLLOWS / PRECEDES lists of these
  // triggers, read once.  A server without the ordering view has none.
  std::unordered_map<std::string, std::vector<std::string>> updateColumns;
  try {
    Q.SetSQLText("select c.trigger_name, c.column_name from sys.user_trigger_cols c, sys.user_triggers t"
                 " where t.trigger_name = c.trigger_name and c.column_list = 'YES' and " +
                 joined + " order by c.trigger_name, c.column_name");
    Q.Execute();
    for (; !Q.Eof(); Q.Next())
      updateColumns[Q.FieldAsText("TRIGGER_NAME")].push_back(Q.FieldAsText("COLUMN_NAME"));
  } catch (const std::exception& e) {
    // The triggers are still written, firing on any UPDATE.
    ctx.LeftOut("UPDATE OF column lists of triggers", "", e.what());
  }
  std::unordered_map<std::string, std::vector<std::pair<std::string, std::string>>> orderings;
  try {
    Q.SetSQLText("select o.trigger_name, o.referenced_trigger_name, o.ordering_type"
                 " from sys.user_trigger_ordering o, sys.user_triggers t"
                 " where t.trigger_name = o.trigger_name and " + joined +
                 " order by o.trigger_name, o.referenced_trigger_name");
    Q.Execute();
    for (; !Q.Eof(); Q.Next())
      orderings[Q.FieldAsText("TRIGGER_NAME")].emplace_back(Q.FieldAsText("ORDERING_TYPE"),
                                                            Q.FieldAsText("REFERENCED_TRIGGER_NAME"));
  } catch (const std::exception&) {
    orderings.clear();
  }
  Q.SQL().clear();

  odsOracle.Close();
  odsOracle.SQL().clear();
  odsOracle.SQL().push_back("select * from sys.user_triggers");
  odsOracle.SQL().push_back(where);
  odsOracle.SQL().push_back("order by Trigger_Name");
  odsOracle.Open();
  std::vector<TOracleObject> order;  // a trigger comes after those it follows
  std::unordered_map<std::string, TriggerDefinition> triggers;
  std::unordered_map<std::string, bool> disabled;
  for (odsOracle.First(); !odsOracle.Eof(); odsOracle.Next()) {
    TriggerDefinition t;
    t.Name = Text(odsOracle, "TRIGGER_NAME");
    t.Type = Trim(Text(odsOracle, "TRIGGER_TYPE"));
    t.Event = Text(odsOracle, "TRIGGERING_EVENT");
    t.BaseObjectType = Trim(Text(odsOracle, "BASE_OBJECT_TYPE"));
    t.Table = Text(odsOracle, "TABLE_NAME");
    t.Referencing = Text(odsOracle, "REFERENCING_NAMES");
    t.When = Text(odsOracle, "WHEN_CLAUSE");
    t.Body = Text(odsOracle, "TRIGGER_BODY");
    if (auto at = updateColumns.find(t.Name); at != updateColumns.end()) t.UpdateColumns = at->second;
    TOracleObject node;
    node.ObjectName = t.Name;
    if (auto at = orderings.find(t.Name); at != orderings.end()) {
      for (const auto& [type, other] : at->second) {
        (type == "PRECEDES" ? t.Precedes : t.Follows).push_back(other);
        // Either way `other` must exist when this one is created.
        node.Dependencies.push_back(other);
      }
    }
    disabled[t.Name] = Text(odsOracle, "STATUS") != "ENABLED";
    order.push_back(std::move(node));
    triggers.emplace(t.Name, std::move(t));
  }
  odsOracle.Close();
  OrderByDependencies(order, [&ctx] { ctx.ProcessMessages(); });

  for (const TOracleObject& node : order) {
    const TriggerDefinition& t = triggers.at(node.ObjectName);
    std::string why;
    const std::string statement = TriggerStatement(t, &why);
    if (statement.empty()) {
      ctx.LeftOut("triggers", t.Name, why);
      continue;
    }
    std::string text = BannerComment("*   Trigger : " + CommentText(t.Name)) + CRLF +
                       SqlPlusStatement(statement, StatementForm::Block);
    // Created enabled, as CREATE does, then disabled as it was.
    if (disabled[t.Name])
      text += std::string(CRLF) + CRLF +
              SqlPlusStatement("ALTER TRIGGER " + SqlName(t.Name) + " DISABLE", StatementForm::Sql);
    ctx.Writer().WriteScript(text, 2);
    ctx.ProcessMessages();
  }
}

}  // namespace tarlow
