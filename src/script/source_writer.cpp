// Procedures, functions and packages.
#include <map>

#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/sqlplus_layout.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

namespace {

// The source lines of one unit as one text with LF line breaks, each line as
// stored: trailing blanks kept.  A line that arrives with its line break
// keeps it; one without gets LF.
void AppendSourceLine(std::string& source, const std::string& line) {
  source += line;
  if (line.empty() || line.back() != '\n') source += '\n';
}

}  // namespace

void SchemaWriters::WriteStoredCode(ScriptContext& ctx, const std::string& kind, const std::string& title) {
  try {
    if (!BuildObjectList(kind, &ctx)) {
      ctx.LeftOut(kind == "PROCEDURE" ? "procedures" : "functions", "", objectListError_);
      return;
    }
    // The lines are read through Q, which keeps each line's trailing
    // blanks, and grouped by name in one pass.
    Q.SetSQLText(kind == "PROCEDURE"
                     ? "select name,text from sys.user_source where type = 'PROCEDURE' order by name,line"
                     : "select name,line,text from sys.user_source where type = 'FUNCTION' order by name,line");
    Q.Execute();
    std::map<std::string, std::string> sources;
    for (; !Q.Eof(); Q.Next()) {
      AppendSourceLine(sources[Q.FieldAsText("NAME")], Q.FieldAsText("TEXT"));
      ctx.ProcessMessages();
    }
    Q.SQL().clear();
    for (const TOracleObject& object : objectList_) {
      auto found = sources.find(object.ObjectName);
      // An object without source lines has nothing to recreate.
      if (found == sources.end()) continue;
      ctx.Writer().WriteScript(BannerComment(title + CommentText(found->first)) + CRLF +
                                   SqlPlusStatement("CREATE OR REPLACE " + WithoutTrailingBlankLines(found->second),
                                                    StatementForm::Block),
                               2);
    }
  } catch (...) {
    Q.SQL().clear();
    throw;
  }
}

void SchemaWriters::WriteProcedures(ScriptContext& ctx) { WriteStoredCode(ctx, "PROCEDURE", "*  Procedure: "); }

void SchemaWriters::WriteFunctions(ScriptContext& ctx) { WriteStoredCode(ctx, "FUNCTION", "*  Function: "); }

void SchemaWriters::WritePackages(ScriptContext& ctx) {
  std::string block;
  try {
    Q.SQL().clear();
    Q.SQL().push_back("SELECT TYPE, NAME, TEXT FROM USER_SOURCE");
    Q.SQL().push_back("WHERE TYPE = 'PACKAGE'");
    Q.SQL().push_back("OR TYPE = 'PACKAGE BODY'");
    Q.SQL().push_back("ORDER BY NAME, TYPE, LINE");
    Q.Execute();
    while (!Q.Eof()) {
      const std::string name = Q.FieldAsText("NAME");
      const std::string type = Q.FieldAsText("TYPE");
      std::string source;
      while (!Q.Eof() && Q.FieldAsText("NAME") == name && Q.FieldAsText("TYPE") == type) {
        AppendSourceLine(source, Q.FieldAsText("TEXT"));
        Q.Next();
      }
      // The source is not trimmed: its last line break stands before the "/".
      source.pop_back();
      block += PackageBannerComment((type == "PACKAGE" ? "*  PACKAGE HEADER: " : "*  PACKAGE BODY: ") +
                                    CommentText(name)) +
               CRLF + SqlPlusStatement("CREATE OR REPLACE " + source, StatementForm::Block) + CRLF + CRLF;
      ctx.ProcessMessages();
    }
  } catch (...) {
    Q.SQL().clear();
    throw;
  }
  Q.SQL().clear();
  ctx.Writer().WriteScript(block, 2);
}

}  // namespace tarlow
