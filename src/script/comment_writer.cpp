// Comment statements and column defaults.
#include <exception>

#include "script/column_attributes.h"
#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/sqlplus_layout.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

std::string SchemaWriters::TableCommentScript(ScriptContext& ctx, const std::string& table) {
  if (!ctx.Ticked(OptionBox::CreateTabComments)) return {};
  try {
    Q.SetSQLText("select comments from sys.user_tab_comments where table_name = '" + SqlText(table) + "'");
    Q.Execute();
    if (Q.Eof()) return {};
    const std::string comments = Q.FieldAsText("COMMENTS");
    if (comments.empty()) return {};
    return std::string(CRLF) +
           SqlPlusStatement("COMMENT ON TABLE " + SqlName(table) + " IS " + SqlLiteral(comments), StatementForm::Sql);
  } catch (const std::exception& e) {
    ctx.LeftOut("table comments", table, e.what());
    return {};
  }
}

std::string SchemaWriters::ColumnCommentScript(ScriptContext& ctx, const std::string& table) {
  if (!ctx.Ticked(OptionBox::CreateColComments)) return {};
  try {
    Q.SetSQLText("select distinct column_name,comments from sys.user_col_comments where table_name = '" +
                 SqlText(table) + "' order by column_name");
    Q.Execute();
  } catch (const std::exception& e) {
    ctx.LeftOut("column comments", table, e.what());
    return {};
  }
  std::string s;
  for (; !Q.Eof(); Q.Next()) {
    const std::string comments = Q.FieldAsText("COMMENTS");
    if (comments.empty()) continue;
    s += SqlPlusStatement("COMMENT ON COLUMN " + SqlName(table) + "." + SqlName(Q.FieldAsText("COLUMN_NAME")) +
                              " IS " + SqlLiteral(comments),
                          StatementForm::Sql) +
         CRLF + CRLF;
  }
  return s;
}

void SchemaWriters::WriteColumnDefaults(ScriptContext& ctx, const std::string& table) {
  // Identity and virtual columns have no default of their own to set, and a
  // default drawing on a sequence waits for the sequences.
  const std::map<std::string, ColumnAttributes> attributes = ReadColumnAttributes(Q, table);
  odsOracle.Close();
  odsOracle.SQL().clear();
  odsOracle.SQL().push_back("select column_name,data_default from user_tab_columns");
  odsOracle.SQL().push_back("where Table_Name = '" + SqlText(table) + "'");
  odsOracle.SQL().push_back("and DATA_DEFAULT IS NOT NULL");
  odsOracle.SQL().push_back("order by column_name");
  odsOracle.Open();
  odsOracle.First();
  if (odsOracle.RecordCount() > 0) {
    ctx.ProcessMessages();
    for (; !odsOracle.Eof(); odsOracle.Next()) {
      const std::string column = Text(odsOracle, "COLUMN_NAME");
      // The default as the dictionary holds it, trailing blanks and line
      // breaks included.
      const std::string def = Text(odsOracle, "DATA_DEFAULT");
      const auto found = attributes.find(column);
      const ColumnAttributes a = found == attributes.end() ? ColumnAttributes{} : found->second;
      if (a.identity || a.virtualColumn || UsesSequence(def)) continue;
      ctx.Writer().WriteScript(BannerComment("*   Default: Table: " + CommentText(table) +
                                             ", Column: " + CommentText(column)) +
                                   CRLF +
                                   SqlPlusStatement("ALTER TABLE " + SqlName(table) + " MODIFY (" + SqlName(column) +
                                                        (a.defaultOnNull ? " DEFAULT ON NULL " : " DEFAULT ") +
                                                        def + BreakAfter(def) + ")",
                                                    StatementForm::Sql),
                               2);
      ctx.ProcessMessages();
    }
  }
  odsOracle.Close();
  DS2.Close();
}

}  // namespace tarlow
