// The scripting run's host for tarlow-script: the boxes and the table list
// come from the command line, the script goes to a file or to standard
// output through the file sink, and progress lines to standard error.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "editor/memo_source.h"
#include "script/object_list.h"
#include "script/option_boxes.h"
#include "script/script_host.h"

namespace tarlow::cli {

class CliHost : public ScriptHost, private TMemoObserver {
 public:
  // output: the file to write, or nothing for scriptOut.
  CliHost(OptionBoxes& boxes, ObjectList& list, std::optional<std::string> output, std::FILE* scriptOut,
          std::FILE* progress);
  ~CliHost() override;

  const std::vector<std::string>& Errors() const { return errors_; }
  const std::string& Status() const { return status_; }
  const std::vector<std::string>& LeftOut() const { return leftOut_; }

  bool BoxTicked(OptionBox box) override { return boxes_.Checked(box); }
  bool ToTextFile() override { return true; }
  int ObjectCount() override { return list_.Count(); }
  std::string ObjectCaption(int index) override { return list_.Caption(index); }
  bool ObjectTicked(int index) override { return list_.Ticked(index); }
  TMemoSource& ScriptStore() override { return store_; }
  std::string ScriptCaption() override { return caption_; }
  void SetScriptCaption(const std::string& caption) override { caption_ = caption; }
  void SetStatus(const std::string& text) override { status_ = text; }
  void ProcessMessages() override {}
  void SetBusyCursor(bool) override {}
  std::optional<std::string> AskScriptFile() override;
  std::unique_ptr<ScriptFile> OpenScriptFile(const std::string& path) override;
  void ReportError(const std::string& message) override { errors_.push_back(message); }
  void ReportLeftOut(const std::vector<std::string>& causes) override { leftOut_ = causes; }

 private:
  void MemoChanged(TMemoSource& source, const TMemoChange& change) override;

  OptionBoxes& boxes_;
  ObjectList& list_;
  std::optional<std::string> output_;
  std::FILE* scriptOut_;
  std::FILE* progress_;
  TMemoSource store_;
  int printed_ = 0;
  std::string caption_ = kStartScriptCaption;
  std::string status_;
  std::vector<std::string> errors_;
  std::vector<std::string> leftOut_;
};

// The whole command: parse, log on, list the tables, run.  Returns the exit
// status (0 written in full, 1 run error, 2 bad usage, 3 logon failed, 4
// written with parts left out).
int RunTarlowScript(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace tarlow::cli
