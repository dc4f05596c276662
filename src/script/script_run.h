// The scripting run behind Start Script.  Walks the ticked tables of the
// object list in two passes, then writes the schema-wide sections, each
// gated by its option box, through one script writer.
//
// Per table, in this order: progress line, DROP TABLE, definition, table
// comments, column comments, check constraints, NOT NULL constraints,
// indexes, primary key, data, triggers, column defaults.  Rows are loaded
// before the triggers are created so that no trigger of the script fires on
// the script's own INSERTs.  Second pass: foreign keys and orphan deletes of
// every ticked table.  Then views, sequences, procedures, functions and
// packages.
//
// The file sink is chosen once when the run starts.  Cancelling the file
// prompt starts nothing; a stop request never prompts and leaves the
// running run's file alone.
#pragma once

#include "script/script_host.h"
#include "script/statement_writers.h"

namespace tarlow {

class ScriptRun {
 public:
  ScriptRun(ScriptHost& host, StatementWriters& writers) : host_(host), writers_(writers) {}

  // One press of the Start Script / Stop button.
  void btnScriptClick();

 private:
  void Walk(ScriptContext& ctx, bool toFile);
  void Progress(bool toFile, const std::string& line);

  ScriptHost& host_;
  StatementWriters& writers_;
};

}  // namespace tarlow
