// Views: each with its column names and its READ ONLY or CHECK OPTION
// restriction, its comments and its INSTEAD OF triggers, in an order in
// which it comes after the views it selects from.  A view that calls the
// schema's functions or packages waits until they are written.
#include <exception>
#include <functional>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/sqlplus_layout.h"
#include "script/view_statement.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

namespace {

// Views whose names begin so are not scripted.
bool LeftOutByName(const std::string& view) { return view.rfind("SM", 0) == 0 || view.rfind("EVT", 0) == 0; }

}  // namespace

void SchemaWriters::WriteViews(ScriptContext& ctx) {
  viewsOnStoredCode_.clear();
  auto reset = [this] {
    odsOracle.SetFiltered(false);
    odsOracle.SetFilter("");
    odsOracle.Close();
    odsOracle.SetSQLText("");
    odsOracle.DeleteVariables();
    Q.SQL().clear();
  };
  std::vector<ViewDefinition> views;  // in the order they are written
  std::vector<bool> waits;            // whether each waits for the stored code
  std::vector<std::string> leftOut;
  try {
    if (!BuildObjectList("VIEW", &ctx)) {
      ctx.LeftOut("views", "", objectListError_);
      reset();
      return;
    }
    // Everything is read before anything is written: writing a view's
    // comments and triggers runs queries of their own.
    std::unordered_map<std::string, std::string> texts;
    odsOracle.Close();
    odsOracle.SetSQLText("select view_name, text from sys.user_views");
    odsOracle.Open();
    for (odsOracle.First(); !odsOracle.Eof(); odsOracle.Next())
      texts[Text(odsOracle, "VIEW_NAME")] = Text(odsOracle, "TEXT");
    odsOracle.Close();

    // What the other dictionary views add; a view that cannot be read
    // costs only its part, which the report names.
    auto read = [&](const std::string& lost, const std::string& sql, const std::function<void()>& row) {
      try {
        Q.SetSQLText(sql);
        Q.Execute();
        for (; !Q.Eof(); Q.Next()) row();
      } catch (const std::exception& e) {
        ctx.LeftOut(lost, "", e.what());
      }
    };
    std::unordered_set<std::string> invalid;
    read("FORCE for views that do not compile",
         "select object_name from sys.user_objects where object_type = 'VIEW' and status <> 'VALID'",
         [&] { invalid.insert(Q.FieldAsText("OBJECT_NAME")); });

    std::unordered_map<std::string, std::vector<std::string>> columns;
    read("column names of views",
         "select c.table_name, c.column_name from sys.user_tab_columns c, sys.user_views v"
         " where c.table_name = v.view_name order by c.table_name, c.column_id",
         [&] { columns[Q.FieldAsText("TABLE_NAME")].push_back(Q.FieldAsText("COLUMN_NAME")); });

    struct Restriction {
      std::string Kind, Name;
    };
    std::unordered_map<std::string, Restriction> restrictions;
    read("READ ONLY and CHECK OPTION of views",
         "select table_name, constraint_name, constraint_type, generated from sys.user_constraints"
         " where constraint_type in ('O', 'V')",
         [&] {
           restrictions[Q.FieldAsText("TABLE_NAME")] = {
               Q.FieldAsText("CONSTRAINT_TYPE") == "O" ? "READ ONLY" : "CHECK OPTION",
               Q.FieldAsText("GENERATED") == "USER NAME" ? Q.FieldAsText("CONSTRAINT_NAME") : std::string()};
         });

    // The stored code each view calls: written later in the script when
    // its box is ticked; otherwise the view cannot compile where the script
    // runs and is created with FORCE.
    std::unordered_set<std::string> callsWritten, callsMissing;
    read("the order of views after the functions and packages they call",
         "select dep.name, dep.referenced_type from user_users usr, user_dependencies dep"
         " where usr.username = dep.referenced_owner and dep.type = 'VIEW'"
         " and dep.referenced_type in ('FUNCTION', 'PACKAGE')",
         [&] {
           const bool written = ctx.Ticked(Q.FieldAsText("REFERENCED_TYPE") == "FUNCTION" ? OptionBox::Functions
                                                                                           : OptionBox::Packages);
           (written ? callsWritten : callsMissing).insert(Q.FieldAsText("NAME"));
         });
    Q.SQL().clear();

    std::unordered_map<std::string, size_t> position;
    std::unordered_set<std::string> leftOutNames;
    for (const TOracleObject& object : objectList_) {
      if (LeftOutByName(object.ObjectName)) {
        leftOut.push_back(object.ObjectName);
        leftOutNames.insert(object.ObjectName);
      } else if (texts.count(object.ObjectName)) {
        position.emplace(object.ObjectName, position.size());
      }
    }
    for (const TOracleObject& object : objectList_) {
      auto at = position.find(object.ObjectName);
      if (at == position.end()) continue;
      const size_t here = at->second;
      ViewDefinition view;
      view.Name = object.ObjectName;
      view.Text = texts[view.Name];
      if (auto c = columns.find(view.Name); c != columns.end()) view.Columns = c->second;
      if (auto r = restrictions.find(view.Name); r != restrictions.end()) {
        view.Restriction = r->second.Kind;
        view.RestrictionName = r->second.Name;
      }
      // FORCE where nothing else lets it be created: it does not compile
      // now, it selects from a view left out or from one that comes later
      // (a cycle), or it calls code the script does not hold.
      bool wait = callsWritten.count(view.Name) > 0;
      view.Force = invalid.count(view.Name) || callsMissing.count(view.Name);
      for (const std::string& used : object.Dependencies) {
        if (leftOutNames.count(used)) view.Force = true;
        auto u = position.find(used);
        if (u == position.end()) continue;
        if (u->second >= here) view.Force = true;
        else if (waits[u->second]) wait = true;  // it selects from a view that waits
      }
      views.push_back(std::move(view));
      waits.push_back(wait);
    }
  } catch (...) {
    reset();
    throw;
  }
  reset();

  if (!leftOut.empty()) {
    std::string names;
    for (const std::string& name : leftOut) names += "\n   " + name;
    ctx.Writer().WriteScript(
        CommentBlock("Views left out of this script (names beginning with SM or EVT are not scripted):" + names), 2);
  }
  for (size_t i = 0; i < views.size(); ++i) {
    if (waits[i]) viewsOnStoredCode_.push_back(std::move(views[i]));
    else WriteView(ctx, views[i]);
  }
}

void SchemaWriters::WriteViewsOnStoredCode(ScriptContext& ctx) {
  std::vector<ViewDefinition> views = std::move(viewsOnStoredCode_);
  viewsOnStoredCode_.clear();
  for (const ViewDefinition& view : views) WriteView(ctx, view);
}

void SchemaWriters::WriteView(ScriptContext& ctx, const ViewDefinition& view) {
  ctx.Writer().WriteScript(BannerComment("*  View: " + CommentText(view.Name)) + CRLF +
                               SqlPlusStatement(ViewStatement(view), StatementForm::Sql),
                           2);
  ctx.Writer().WriteIfNotBlank(TableCommentScript(ctx, view.Name));
  ctx.Writer().WriteIfNotBlank(ColumnCommentScript(ctx, view.Name));
  if (ctx.Ticked(OptionBox::Triggers)) WriteTriggers(ctx, view.Name);
  ctx.ProcessMessages();
}

}  // namespace tarlow
