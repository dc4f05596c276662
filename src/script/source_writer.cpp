// Procedures, functions and packages.
#include "script/schema_writers.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/writer_text.h"

namespace tarlow {

using namespace writer_text;

void SchemaWriters::WriteStoredCode(ScriptContext& ctx, const std::string& kind, const std::string& title) {
  auto reset = [this] {
    odsOracle.SetFiltered(false);
    odsOracle.SetFilter("");
    odsOracle.Close();
    odsOracle.SetSQLText("");
    odsOracle.DeleteVariables();
  };
  try {
    if (!BuildObjectList(kind, &ctx)) {
      ctx.LeftOut(kind == "PROCEDURE" ? "procedures" : "functions", "", objectListError_);
      reset();
      return;
    }
    odsOracle.Close();
    odsOracle.DeleteVariables();
    odsOracle.SetSQLText(kind == "PROCEDURE"
                             ? "select name,text from sys.user_source where type = 'PROCEDURE' order by name,line"
                             : "select name,line,text from sys.user_source where type = 'FUNCTION' order by name,line");
    odsOracle.Open();
    for (const TOracleObject& object : objectList_) {
      odsOracle.SetFiltered(false);
      odsOracle.SetFilter("NAME='" + SqlText(object.ObjectName) + "'");
      odsOracle.SetFiltered(true);
      std::string source;
      std::string name;
      for (odsOracle.First(); !odsOracle.Eof(); odsOracle.Next()) {
        if (name.empty()) name = Text(odsOracle, "NAME");
        source += ToCRLF(Text(odsOracle, "TEXT"));
        source += CRLF;
        ctx.ProcessMessages();
      }
      // An object without source lines has nothing to recreate.
      if (name.empty()) continue;
      ctx.Writer().WriteScript(BannerComment(title + CommentText(name)) + CRLF + "CREATE OR REPLACE " +
                                   RightTrim(source) + CRLF + "/",
                               2);
    }
  } catch (...) {
    reset();
    throw;
  }
  reset();
}

void SchemaWriters::WriteProcedures(ScriptContext& ctx) { WriteStoredCode(ctx, "PROCEDURE", "*  Procedure: "); }

void SchemaWriters::WriteFunctions(ScriptContext& ctx) { WriteStoredCode(ctx, "FUNCTION", "*  Function: "); }

void SchemaWriters::WritePackages(ScriptContext& ctx) {
  auto reset = [this] {
    odsOracle.Close();
    odsOracle.SetSQLText("");
    odsOracle.DeleteVariables();
  };
  std::string block;
  try {
    odsOracle.DeleteVariables();
    odsOracle.Close();
    odsOracle.SQL().clear();
    odsOracle.SQL().push_back("SELECT TYPE, NAME, TEXT FROM USER_SOURCE");
    odsOracle.SQL().push_back("WHERE TYPE = 'PACKAGE'");
    odsOracle.SQL().push_back("OR TYPE = 'PACKAGE BODY'");
    odsOracle.SQL().push_back("ORDER BY NAME, TYPE, LINE");
    odsOracle.Open();
    odsOracle.First();
    while (!odsOracle.Eof()) {
      const std::string name = Text(odsOracle, "NAME");
      const std::string type = Text(odsOracle, "TYPE");
      block += PackageBannerComment((type == "PACKAGE" ? "*  PACKAGE HEADER: " : "*  PACKAGE BODY: ") +
                                    CommentText(name)) +
               CRLF + "CREATE OR REPLACE ";
      while (!odsOracle.Eof() && Text(odsOracle, "NAME") == name && Text(odsOracle, "TYPE") == type) {
        block += ToCRLF(Text(odsOracle, "TEXT"));
        block += CRLF;
        odsOracle.Next();
      }
      block += std::string("/") + CRLF + CRLF;
      ctx.ProcessMessages();
    }
  } catch (...) {
    reset();
    throw;
  }
  ctx.Writer().WriteScript(block, 2);
  reset();
}

}  // namespace tarlow
