// The statement writers of the scripting run, one per section.  Text writers
// (…Script) return their section's text and the run writes it; direct
// writers (Write…) call the script writer themselves, once per statement.
//
// This base class writes nothing for any section: it is what the run uses
// until the dictionary-reading writers exist, and what those writers
// override one section at a time.
#pragma once

#include <string>
#include <vector>

#include "script/option_boxes.h"
#include "script/script_host.h"
#include "script/script_report.h"

namespace tarlow {

class ScriptHost;
class ScriptWriter;

// What a writer may use while the run is going on.
class ScriptContext {
 public:
  ScriptContext(ScriptHost& host, ScriptWriter& writer) : host_(host), writer_(writer) {}
  ScriptWriter& Writer() { return writer_; }
  bool Ticked(OptionBox box);
  // Lets pending messages through (call after each statement or record).
  void ProcessMessages();
  // Processes pending messages, then tells whether a stop was requested.
  // The data writer checks this after each row.
  bool StopRequested();
  // A part of the script the writer had to leave out (see ScriptReport).
  void LeftOut(const std::string& what, const std::string& object, const std::string& reason = {}) {
    report_.LeftOut(what, object, reason);
  }
  ScriptReport& Report() { return report_; }

  // Progress: the run's steps as counted before it starts; each BeginStep
  // starts the next one, and RowsWritten tells the rows of the current
  // table's data written so far.
  void SetStepCount(int total) { progress_.Total = total; }
  void BeginStep(const std::string& item);
  void RowsWritten(long long rows);

 private:
  ScriptHost& host_;
  ScriptWriter& writer_;
  ScriptReport report_;
  RunProgress progress_;
  bool stepBegun_ = false;
};

class StatementWriters {
 public:
  virtual ~StatementWriters() = default;

  // Per table, in the order the run calls them.
  virtual std::string TableScript(ScriptContext&, const std::string& /*table*/) { return {}; }
  virtual std::string TableCommentScript(ScriptContext&, const std::string&) { return {}; }
  virtual std::string ColumnCommentScript(ScriptContext&, const std::string&) { return {}; }
  virtual std::string CheckConstraintScript(ScriptContext&, const std::string&) { return {}; }
  virtual std::string NotNullScript(ScriptContext&, const std::string&) { return {}; }
  virtual void WriteIndexes(ScriptContext&, const std::string&) {}
  virtual std::string PrimaryKeyScript(ScriptContext&, const std::string&) { return {}; }
  virtual void WriteTableData(ScriptContext&, const std::string&) {}
  // The table's constraints that are disabled or not validated: after its
  // rows, so the rows the source holds load.
  virtual std::string AfterDataConstraintScript(ScriptContext&, const std::string&) { return {}; }
  virtual void WriteTriggers(ScriptContext&, const std::string&) {}
  virtual void WriteColumnDefaults(ScriptContext&, const std::string&) {}
  // After the table's rows: its GENERATED ALWAYS identities, which take the
  // rows as BY DEFAULT.
  virtual std::string IdentityAfterDataScript(ScriptContext&, const std::string&) { return {}; }
  // After the sequences: the table's defaults that draw on them.
  virtual std::string SequenceDefaultScript(ScriptContext&, const std::string&) { return {}; }
  // Second pass.
  virtual std::string ForeignKeyScript(ScriptContext&, const std::string&) { return {}; }
  // Schema-wide.
  virtual void WriteViews(ScriptContext&) {}
  virtual void WriteSequences(ScriptContext&) {}
  virtual void WriteProcedures(ScriptContext&) {}
  virtual void WriteFunctions(ScriptContext&) {}
  virtual void WritePackages(ScriptContext&) {}

  // A run's first step: forget what the last run read.
  virtual void BeginRun(ScriptContext&) {}
  // Why a listed table is not scripted as a table ("" when it is): a
  // materialized view's container, an overflow segment, a nested table's
  // storage, a table in the recycle bin, a materialized view log.
  virtual std::string NotScriptedReason(ScriptContext&, const std::string& /*table*/) { return {}; }
  // The comment closing the script: the tables not scripted as tables
  // (lines "NAME: reason") and the objects of kinds no option box covers.
  virtual std::string ClosingNoteScript(ScriptContext&, const std::vector<std::string>& /*notScripted*/) { return {}; }
  // After the stored code: the views WriteViews held back because they
  // call the schema's functions or packages, then the triggers of the
  // schema itself (ON SCHEMA, ON DATABASE).
  virtual void WriteViewsOnStoredCode(ScriptContext&) {}
  virtual void WriteSchemaTriggers(ScriptContext&) {}
};

}  // namespace tarlow
