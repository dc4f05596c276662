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
// running run's file alone.  A run that fails leaves the chosen file as it
// was; a stopped run keeps what it wrote up to the stop.
//
// Parts the writers had to leave out (ScriptReport) are listed in a comment
// at the end of a script written to a file, told to the host once, and the
// status then reads "Done, parts left out" instead of "Done".
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

// The comment that ends a script written to a file when parts were left
// out: one line per cause.
std::string LeftOutComment(const ScriptReport& report);

}  // namespace tarlow
