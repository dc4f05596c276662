// The script writer: the one output path of every statement writer.  It
// appends a text and a number of line breaks either to the script text store
// (the editor sink) or to a text file (the file sink).  In both sinks a text
// continues the line on which the previous text stopped, and N breaks after a
// text leave N-1 empty lines before the next one.  They differ only where the
// text so far ends with a line break: the file keeps it, while the editor,
// whose whole text never ends with a break, shows one empty line fewer.
//
// Every line break the generator writes is CR LF.
#pragma once

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarlow {

class TMemoSource;

// An output error of the script file, or a file that cannot be created.
class EScriptFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file sink's file.  Writes are unbuffered beyond one text: each text is
// flushed as soon as it is written, so a failure surfaces at the write that
// caused it.
//
// A script file is written to a temporary file in the same folder, which
// takes the target's place (one rename) only when the run ends: a run that
// fails midway (a full disk, a lost session) leaves the target as it
// was, never a truncated script that looks complete.  A target that is not
// a regular file (a device, a pipe) is written directly.
class ScriptFile {
 public:
  // Opens the temporary file; throws EScriptFileError
  // "Cannot create file \"PATH\": reason".
  static std::unique_ptr<ScriptFile> Create(const std::string& path);
  // Writes to an open stream that stays open afterwards (standard output).
  static std::unique_ptr<ScriptFile> OverStream(std::FILE* stream, std::string name);
  // A file neither closed nor discarded is discarded.
  ~ScriptFile();
  ScriptFile(const ScriptFile&) = delete;
  ScriptFile& operator=(const ScriptFile&) = delete;

  void Write(std::string_view bytes);  // throws EScriptFileError
  void Flush();                        // throws EScriptFileError
  // Ends the file well: the written script takes the target's place.
  // Throws EScriptFileError (the target then stays as it was); closing
  // twice does nothing.
  void Close();
  // Ends the file without a script: the temporary file goes, the target
  // stays as it was.  Never throws.
  void Discard() noexcept;
  const std::string& Name() const { return name_; }

 private:
  ScriptFile(std::FILE* f, std::string name, bool owned, std::string temp = {})
      : file_(f), name_(std::move(name)), owned_(owned), temp_(std::move(temp)) {}
  [[noreturn]] void Fail(int err);
  std::FILE* file_;
  std::string name_;
  bool owned_;
  std::string temp_;  // the temporary file, "" when the target is written directly
};

class ScriptWriter {
 public:
  // file null: the editor sink; otherwise the file sink.  The sink is fixed
  // for the writer's life.
  ScriptWriter(TMemoSource& store, ScriptFile* file) : store_(store), file_(file) {}

  // Appends text, then lineBreaks line breaks, to the sink.
  void WriteScript(std::string_view text, int lineBreaks);
  // The step used for the text writers: the text is trimmed and, when
  // something is left, written with 2 line breaks; blank text writes nothing.
  void WriteIfNotBlank(std::string_view text);
  bool ToFile() const { return file_ != nullptr; }

 private:
  TMemoSource& store_;
  ScriptFile* file_;
};

// The text without its leading and trailing characters of code 0 to 32.
std::string_view TrimScript(std::string_view text);

// The comment that heads every scripted object: a slash and 50 asterisks,
// the title, 50 asterisks and a slash, joined by CR LF, with no break after
// the last line.  Titles are "*   Table: " + name and the like.
std::string BannerComment(std::string_view title);
// The packages' narrower banner (41 asterisks).
std::string PackageBannerComment(std::string_view title);

}  // namespace tarlow
