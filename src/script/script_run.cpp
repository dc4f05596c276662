#include "script/script_run.h"

#include <algorithm>
#include <exception>
#include <memory>

#include "editor/memo_source.h"
#include "editor/text_convert.h"
#include "script/script_writer.h"
#include "script/sql_names.h"
#include "script/sqlplus_layout.h"

namespace tarlow {

std::unique_ptr<ScriptFile> ScriptHost::OpenScriptFile(const std::string& path) {
  return ScriptFile::Create(path);
}

bool ScriptContext::Ticked(OptionBox box) { return host_.BoxTicked(box); }

void ScriptContext::ProcessMessages() { host_.ProcessMessages(); }

bool ScriptContext::StopRequested() {
  host_.ProcessMessages();
  return host_.ScriptCaption() == kStartScriptCaption;
}

void ScriptContext::BeginStep(const std::string& item) {
  if (stepBegun_) ++progress_.Done;
  stepBegun_ = true;
  progress_.Item = item;
  progress_.Rows = -1;
  progress_.Total = std::max(progress_.Total, progress_.Done + 1);
  host_.ShowProgress(progress_);
}

void ScriptContext::RowsWritten(long long rows) {
  progress_.Rows = rows;
  host_.ShowProgress(progress_);
}

void ScriptRun::Progress(bool toFile, const std::string& line) {
  if (toFile) host_.ScriptStore().Lines().Add(Utf8ToUtf16(line));
}

void ScriptRun::btnScriptClick() {
  host_.SetBusyCursor(true);

  if (host_.ScriptCaption() != kStartScriptCaption) {
    // A press during a run: only the caption changes; the run notices it at
    // its next check and ends itself, closing its own file.
    host_.SetScriptCaption(kStartScriptCaption);
    host_.SetBusyCursor(false);
    host_.SetStatus("Aborted by user");
    return;
  }

  const bool toFile = host_.ToTextFile();
  std::unique_ptr<ScriptFile> file;
  if (toFile) {
    const std::optional<std::string> path = host_.AskScriptFile();
    if (!path) {
      host_.SetBusyCursor(false);
      return;
    }
    try {
      file = host_.OpenScriptFile(*path);
    } catch (const std::exception& e) {
      host_.SetBusyCursor(false);
      host_.ReportError(e.what());
      return;
    }
  }

  host_.SetScriptCaption(kStopCaption);
  host_.SetStatus("Scripting...");
  host_.ScriptStore().Lines().Clear();

  ScriptWriter writer(host_.ScriptStore(), file.get());
  ScriptContext ctx(host_, writer);
  std::optional<std::string> error;
  try {
    Walk(ctx, toFile);
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "The scripting run failed with an unknown error.";
  }

  // Final step, also after an error.  A failed run leaves the target as it
  // was; a stopped one keeps what the user let it write.
  host_.EndProgress();
  host_.SetBusyCursor(false);
  const bool aborted = !error && host_.ScriptCaption() == kStartScriptCaption;
  const ScriptReport& report = ctx.Report();
  if (file) {
    if (error) {
      file->Discard();
    } else {
      try {
        if (!report.Empty() && !aborted) writer.WriteScript(LeftOutComment(report), 2);
        file->Close();
      } catch (const std::exception& e) {
        file->Discard();
        error = e.what();
      }
    }
  }
  if (error) host_.SetStatus("Failed");
  else if (aborted) host_.SetStatus("Aborted by user");
  else host_.SetStatus(report.Empty() ? "Done" : kDonePartsLeftOutStatus);
  host_.SetScriptCaption(kStartScriptCaption);
  if (error) host_.ReportError(*error);
  else if (!aborted && !report.Empty()) host_.ReportLeftOut(report.Summary());
}

std::string LeftOutComment(const ScriptReport& report) {
  std::string s = "/* Left out of this script:";
  for (const std::string& line : report.Summary()) s += "\r\n   " + CommentText(line);
  return s + "\r\n*/";
}

void ScriptRun::Walk(ScriptContext& ctx, bool toFile) {
  using B = OptionBox;
  ScriptWriter& w = ctx.Writer();
  auto ticked = [this](B box) { return host_.BoxTicked(box); };

  // The settings SQL*Plus needs to read the script as written come first,
  // in both sinks, so a script saved from the editor runs the same.
  w.WriteScript(ScriptHeader(), 2);
  writers_.BeginRun(ctx);
  std::vector<std::string> notScripted;  // tables the closing note names instead

  // The steps as the boxes and the list stand now: each ticked table, the
  // foreign key pass, each schema-wide section.
  int steps = 0;
  for (int i = 0; i < host_.ObjectCount(); ++i) steps += host_.ObjectTicked(i) ? 1 : 0;
  const bool keyPass = ticked(B::ForConstraints) || ticked(B::OrphanSQL);
  steps += keyPass ? 1 : 0;
  for (B section : {B::Views, B::Sequences, B::Procedures, B::Functions, B::Packages})
    steps += ticked(section) || (section == B::Sequences && ticked(B::DropSeq)) ? 1 : 0;
  ctx.SetStepCount(steps);
  auto step = [&](const std::string& item) { ctx.BeginStep(item); };

  // First pass: everything of each ticked table but its foreign keys.
  for (int i = 0; i < host_.ObjectCount(); ++i) {
    if (ctx.StopRequested()) break;
    if (!host_.ObjectTicked(i)) continue;
    const std::string t = host_.ObjectCaption(i);
    step(t);
    const std::string why = writers_.NotScriptedReason(ctx, t);
    if (!why.empty()) {
      notScripted.push_back(t + ": " + why);
      continue;
    }
    Progress(toFile, "Writing Metadata for table: " + t + ".");
    if (ticked(B::DropTables)) {
      w.WriteScript("DROP TABLE " + SqlName(t), 0);
      if (ticked(B::CascConstraints)) w.WriteScript(" CASCADE CONSTRAINTS", 0);
      w.WriteScript(";", 2);
    }
    if (ticked(B::Tables)) w.WriteScript(writers_.TableScript(ctx, t), 1);
    if (ticked(B::CreateTabComments)) w.WriteIfNotBlank(writers_.TableCommentScript(ctx, t));
    if (ticked(B::CreateColComments)) w.WriteIfNotBlank(writers_.ColumnCommentScript(ctx, t));
    if (ticked(B::ChkConstraints)) w.WriteIfNotBlank(writers_.CheckConstraintScript(ctx, t));
    if (ticked(B::ColConstraints)) w.WriteIfNotBlank(writers_.NotNullScript(ctx, t));
    if (ticked(B::Indexes)) writers_.WriteIndexes(ctx, t);
    if (ticked(B::PriConstraints)) w.WriteIfNotBlank(writers_.PrimaryKeyScript(ctx, t));
    if (ticked(B::Data)) {
      Progress(toFile, "Writing data scripts.");
      writers_.WriteTableData(ctx, t);
      w.WriteIfNotBlank(writers_.IdentityAfterDataScript(ctx, t));
    }
    if (ticked(B::ChkConstraints) || ticked(B::ColConstraints) || ticked(B::PriConstraints))
      w.WriteIfNotBlank(writers_.AfterDataConstraintScript(ctx, t));
    if (ticked(B::Triggers)) {
      Progress(toFile, "Writing trigger scripts.");
      writers_.WriteTriggers(ctx, t);
    }
    if (ticked(B::Defaults)) {
      Progress(toFile, "Writing defaults scripts.");
      writers_.WriteColumnDefaults(ctx, t);
    }
  }

  // Second pass: foreign keys and orphan deletes, once every table exists.
  if (keyPass) step("Foreign keys");
  for (int i = 0; i < host_.ObjectCount(); ++i) {
    if (ctx.StopRequested()) break;
    if (!host_.ObjectTicked(i)) continue;
    const std::string t = host_.ObjectCaption(i);
    if (!writers_.NotScriptedReason(ctx, t).empty()) continue;
    if (ticked(B::ForConstraints) || ticked(B::OrphanSQL)) {
      Progress(toFile, "Writing FK Constraints/Drop Orphans SQL for table: " + t + ".");
      w.WriteIfNotBlank(writers_.ForeignKeyScript(ctx, t));
    }
    host_.RepaintScript();
  }

  if (ctx.StopRequested()) return;

  // Schema-wide sections; a stop arriving in here lets them run to the end.
  if (ticked(B::Views)) {
    step("Views");
    Progress(toFile, "Writing views scripts.");
    writers_.WriteViews(ctx);
    host_.RepaintScript();
  }
  if (ticked(B::Sequences) || ticked(B::DropSeq)) {
    step("Sequences");
    Progress(toFile, "Writing sequence scripts.");
    writers_.WriteSequences(ctx);
  }
  // Defaults that draw on the schema's sequences, once those exist.
  if (ticked(B::Tables))
    for (int i = 0; i < host_.ObjectCount(); ++i)
      if (host_.ObjectTicked(i)) w.WriteIfNotBlank(writers_.SequenceDefaultScript(ctx, host_.ObjectCaption(i)));
  if (ticked(B::Procedures)) {
    step("Procedures");
    Progress(toFile, "Writing procedure scripts.");
    host_.SetScriptPainting(false);
    try {
      writers_.WriteProcedures(ctx);
    } catch (...) {
      host_.SetScriptPainting(true);
      throw;
    }
    host_.SetScriptPainting(true);
    host_.RepaintScript();
  }
  if (ticked(B::Functions)) {
    step("Functions");
    Progress(toFile, "Writing Function scripts.");
    writers_.WriteFunctions(ctx);
    host_.RepaintScript();
  }
  if (ticked(B::Packages)) {
    step("Packages");
    Progress(toFile, "Writing Packages scripts.");
    writers_.WritePackages(ctx);
  }
  if (ticked(B::Views)) writers_.WriteViewsOnStoredCode(ctx);
  if (ticked(B::Triggers)) writers_.WriteSchemaTriggers(ctx);
  w.WriteIfNotBlank(writers_.ClosingNoteScript(ctx, notScripted));
}

}  // namespace tarlow
