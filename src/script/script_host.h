// What the scripting run needs from the program around it.  The main window
// implements this with its controls; tarlow-script with its command line.
//
// The run keeps no state of its own between calls: whether a run is going
// on is the caption of the Start Script button ("&Start Script" idle or
// stop requested, "&Stop" running), read and written through this
// interface.  A press of the button calls ScriptRun::btnScriptClick; a
// press during a run re-enters it from ProcessMessages and only turns the
// caption back, which the run notices at its next check.
//
// All calls come on the thread that runs the run (the window's user
// interface thread).  Apart from ProcessMessages and ReportError, none of
// them may re-enter the run.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "script/option_boxes.h"

namespace tarlow {

class TMemoSource;
class ScriptFile;

inline constexpr const char* kStartScriptCaption = "&Start Script";
inline constexpr const char* kStopCaption = "&Stop";
// The status after a run that wrote its script but had to leave parts out.
inline constexpr const char* kDonePartsLeftOutStatus = "Done, parts left out";

// How far a run has come: step Done of Total, where each ticked table and
// each schema-wide section is one step, and what is being written; Rows
// counts the table's rows written so far while its data goes out (-1 before).
struct RunProgress {
  int Done = 0;
  int Total = 0;
  std::string Item;
  long long Rows = -1;
};

class ScriptHost {
 public:
  virtual ~ScriptHost() = default;

  // The option boxes as they stand at the moment of the call.  The run reads
  // a box whenever it reaches the step the box governs.
  virtual bool BoxTicked(OptionBox box) = 0;
  // "&To Text File".  Read once when a run starts: that run keeps its sink.
  virtual bool ToTextFile() = 0;

  // The object list in its order, read afresh at each item.
  virtual int ObjectCount() = 0;
  virtual std::string ObjectCaption(int index) = 0;
  virtual bool ObjectTicked(int index) = 0;

  // The script text store: the editor sink and, with the file sink, the
  // place of the progress lines.  The run clears it when it starts.
  virtual TMemoSource& ScriptStore() = 0;

  // The Start Script button's caption.
  virtual std::string ScriptCaption() = 0;
  virtual void SetScriptCaption(const std::string& caption) = 0;
  // Status bar panel 0: "Scripting...", "Done", "Done, parts left out",
  // "Aborted by user", "Failed".
  virtual void SetStatus(const std::string& text) = 0;

  // Lets the message loop process pending messages (the window: one
  // QCoreApplication::processEvents()).  A press of Start Script arriving
  // here calls ScriptRun::btnScriptClick again.
  virtual void ProcessMessages() = 0;
  // The application-wide mouse cursor: hourglass while busy.  Calls come in
  // pairs (true, then false) and nest: a stop press inside a run makes its
  // own pair, so an override-cursor stack stays balanced.
  virtual void SetBusyCursor(bool busy) = 0;

  // The save dialog for the file sink: the chosen path, or nothing when the
  // user cancels (the run then does not start).
  virtual std::optional<std::string> AskScriptFile() = 0;
  // Opens the chosen output; the default writes a temporary file beside it
  // that takes the file's place only when the run ends well (ScriptFile).
  // Throws EScriptFileError when it cannot.
  virtual std::unique_ptr<ScriptFile> OpenScriptFile(const std::string& path);

  // The editor view: repaint it now; suspend and resume its painting.
  virtual void RepaintScript() {}
  virtual void SetScriptPainting(bool /*enabled*/) {}

  // The application's default error report: a modal message box with the
  // error's message.  Called after the run has ended.
  virtual void ReportError(const std::string& message) = 0;
  // After a run that wrote its script but left parts out: one line per
  // cause (ScriptReport::Summary), told once.  Not called after a failed or
  // stopped run.
  virtual void ReportLeftOut(const std::vector<std::string>& /*causes*/) {}

  // Progress while a run goes on; EndProgress when it has ended, however.
  virtual void ShowProgress(const RunProgress& /*progress*/) {}
  virtual void EndProgress() {}
};

}  // namespace tarlow
