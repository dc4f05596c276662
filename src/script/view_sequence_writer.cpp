// Sequences and the dependency order of views and stored code.
#include <exception>
#include <functional>
#include <unordered_map>

#include "script/column_attributes.h"
#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/sqlplus_layout.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

bool SchemaWriters::BuildObjectList(const std::string& kind, ScriptContext* ctx) {
  Q2.SQL().clear();
  if (kind == "VIEW") {
    Q2.SetSQLText("select view_name object_name from user_views order by view_name");
  } else {
    Q2.SetSQLText("select object_Name");
    Q2.SQL().push_back("from user_objects");
    Q2.SQL().push_back("where object_type = '" + SqlText(kind) + "'");
    Q2.SQL().push_back("order by object_Name");
  }
  DS2.Close();
  DS2.DeleteVariables();
  DS2.SetSQLText("select dep.Name name, dep.Referenced_NAME RefName");
  DS2.SQL().push_back("from user_users usr, user_dependencies dep");
  DS2.SQL().push_back("where usr.username = dep.referenced_owner and");
  DS2.SQL().push_back("dep.type = '" + SqlText(kind) + "'" + " and dep.referenced_type = dep.type");
  DS2.SQL().push_back("order by dep.Name, dep.Referenced_NAME");
  DS2.Open();

  // OpenMetadataView: without the names there is no list to write from.
  try {
    Q2.Execute();
  } catch (const std::exception& e) {
    objectListError_ = e.what();
    objectList_.clear();
    if (OnErrorMessage) OnErrorMessage("Unable to open metadata view.");
    return false;
  }

  // Each object's references, read in one pass.
  std::unordered_map<std::string, std::vector<std::string>> references;
  for (DS2.First(); !DS2.Eof(); DS2.Next()) references[Text(DS2, "NAME")].push_back(Text(DS2, "REFNAME"));
  objectList_.clear();
  for (; !Q2.Eof(); Q2.Next()) {
    TOracleObject object;
    object.ObjectName = Q2.FieldAsText("OBJECT_NAME");
    if (auto at = references.find(object.ObjectName); at != references.end())
      object.Dependencies = at->second;
    objectList_.push_back(std::move(object));
  }
  std::function<void()> tick;
  if (ctx) tick = [ctx] { ctx->ProcessMessages(); };
  OrderByDependencies(objectList_, tick);
  return true;
}

void SchemaWriters::WriteSequences(ScriptContext& ctx) {
  // The system's ISEQ$$ sequences of identity columns come with their
  // columns' identity clauses.
  odsOracle.Close();
  odsOracle.SetSQLText(
      "select SEQUENCE_NAME,MIN_VALUE,INCREMENT_BY,MAX_VALUE,CYCLE_FLAG,ORDER_FLAG,CACHE_SIZE,LAST_NUMBER FROM "
      "SYS.USER_SEQUENCES where SEQUENCE_NAME not like 'ISEQ$$\\_%' escape '\\' order by SEQUENCE_NAME");
  odsOracle.Open();
  for (odsOracle.First(); !odsOracle.Eof(); odsOracle.Next()) {
    const std::string name = SqlName(Text(odsOracle, "SEQUENCE_NAME"));
    if (ctx.Ticked(OptionBox::DropSeq)) ctx.Writer().WriteScript("DROP SEQUENCE " + name + ";", 1);
    if (ctx.Ticked(OptionBox::Sequences)) {
      // Recreated where it stands: the next number it hands out is the one
      // the schema's own sequence would have handed out.
      const SequenceAttributes attributes{Text(odsOracle, "MIN_VALUE"),  Text(odsOracle, "MAX_VALUE"),
                                          Text(odsOracle, "INCREMENT_BY"), Text(odsOracle, "CYCLE_FLAG"),
                                          Text(odsOracle, "ORDER_FLAG"), Text(odsOracle, "CACHE_SIZE"),
                                          Text(odsOracle, "LAST_NUMBER")};
      // One that has handed out its last number starts at that number and
      // takes it, so that its next NEXTVAL fails (NOCYCLE) or starts over
      // (CYCLE) as the schema's own does; START WITH beyond the bound fails.
      std::string lastTaken;
      const bool atLimit = SequenceAtLimit(attributes, &lastTaken);
      std::string s = "CREATE SEQUENCE " + name + " ";
      const std::vector<std::string> options =
          SequenceOptions(attributes, atLimit ? lastTaken : attributes.lastNumber);
      for (size_t i = 0; i < options.size(); ++i)
        s += std::string(CRLF) + " " + options[i] + (i + 1 < options.size() ? " " : ";");
      if (atLimit)
        s += std::string(CRLF) + "DECLARE" + CRLF + "  n NUMBER;" + CRLF + "BEGIN" + CRLF + "  SELECT " + name +
             ".NEXTVAL INTO n FROM DUAL;" + CRLF + "END;" + CRLF + "/";
      ctx.Writer().WriteScript(s, 2);
    }
    ctx.ProcessMessages();
  }
}

}  // namespace tarlow
