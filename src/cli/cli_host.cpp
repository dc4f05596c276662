#include "cli/cli_host.h"

#include <unistd.h>

#include <exception>
#include <memory>

#include "cli/cli_options.h"
#include "editor/text_convert.h"
#include "oracle/dataset.h"
#include "oracle/errors.h"
#include "oracle/session.h"
#include "platform/environment.h"
#include "script/script_run.h"
#include "script/script_writer.h"
#include "script/schema_writers.h"
#include "script/table_list.h"

namespace tarlow::cli {

CliHost::CliHost(OptionBoxes& boxes, ObjectList& list, std::optional<std::string> output,
                 std::FILE* scriptOut, std::FILE* progress)
    : boxes_(boxes), list_(list), output_(std::move(output)), scriptOut_(scriptOut), progress_(progress) {
  ApplyScriptStoreSettings(store_);
  store_.Attach(this);
}

CliHost::~CliHost() { store_.Detach(this); }

std::optional<std::string> CliHost::AskScriptFile() { return output_.value_or(""); }

std::unique_ptr<ScriptFile> CliHost::OpenScriptFile(const std::string& path) {
  if (!output_) return ScriptFile::OverStream(scriptOut_, "standard output");
  return ScriptFile::Create(path);
}

// The store holds only progress lines in a file-sink run: print each new
// line once, starting over when the run clears the store.
void CliHost::MemoChanged(TMemoSource& source, const TMemoChange&) {
  const int count = source.Lines().Count();
  if (count < printed_) printed_ = 0;
  const bool clearStatus = !statusLine_.empty() && printed_ < count;
  if (clearStatus) std::fputs("\r\033[K", progress_);
  for (; printed_ < count; ++printed_) {
    std::fputs(Utf16ToUtf8(source.Lines().Get(printed_)).c_str(), progress_);
    std::fputc('\n', progress_);
  }
  if (clearStatus) std::fputs(statusLine_.c_str(), progress_);
  std::fflush(progress_);
}

void CliHost::ShowProgress(const RunProgress& progress) {
  if (!terminal_) return;
  statusLine_ = "[" + std::to_string(progress.Done + 1) + "/" + std::to_string(progress.Total) + "] " + progress.Item;
  if (progress.Rows >= 0) statusLine_ += ": " + std::to_string(progress.Rows) + " rows";
  std::fputs("\r\033[K", progress_);
  std::fputs(statusLine_.c_str(), progress_);
  std::fflush(progress_);
}

void CliHost::EndProgress() {
  if (!terminal_ || statusLine_.empty()) return;
  std::fputs("\r\033[K", progress_);
  std::fflush(progress_);
  statusLine_.clear();
}

namespace {

void Complain(std::FILE* err, const std::string& message) {
  std::fprintf(err, "tarlow-script: %s\n", message.c_str());
}

}  // namespace

int RunTarlowScript(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  CliOptions options;
  OptionBoxes boxes;
  try {
    options = ParseCommandLine(args);
    if (options.help) {
      std::fputs(HelpText(), out);
      return 0;
    }
    ApplyBoxActions(boxes, options.actions);
    platform::setCommandLine(options.loaderParameters);
  } catch (const UsageError& e) {
    Complain(err, e.what());
    std::fputs("Try 'tarlow-script --help' for more information.\n", err);
    return 2;
  }

  // The window's session settings.
  TOracleSession session;
  TSessionPreferences& prefs = session.Preferences();
  prefs.SetConvertCRLF(true);
  prefs.SetTrimStringFields(true);
  prefs.SetZeroDateIsNull(true);
  prefs.SetNullLOBIsEmpty(false);
  prefs.SetMaxStringFieldSize(0);
  prefs.SetFloatPrecision(0);
  prefs.SetIntegerPrecision(0);
  prefs.SetSmallIntPrecision(-1);
  prefs.SetUseOCI7(false);
  session.SetRollbackOnDisconnect(false);
  session.SetConnectAs(caNormal);

  const std::string database(TrimScript(options.database));
  try {
    session.SetLogonDatabase(database);
    session.SetLogonUsername(options.user);
    session.SetLogonPassword(options.password);
    session.SetConnected(true);
  } catch (const std::exception& e) {
    Complain(err, "cannot log on to " + (database.empty() ? std::string("the default database") : database) +
                      " as " + options.user + ": " + e.what());
    return 3;
  }

  ObjectList list;
  try {
    TOracleDataSet tables(&session, "odsOracle");
    tables.SetReadBuffer(25);
    tables.SetQueryAllRecords(true);
    ListTables(tables, list);
    tables.SetActive(false);
  } catch (const std::exception& e) {
    Complain(err, std::string("cannot list the tables: ") + e.what());
    return 1;
  }
  if (options.tables) {
    for (const std::string& name : *options.tables) {
      const int i = list.IndexOf(name);
      if (i < 0) {
        Complain(err, "no table named \"" + name + "\" among the tables of " + options.user);
        return 1;
      }
      list.SetTicked(i, true);
    }
  } else {
    list.SelectAll(true);
  }

  CliHost host(boxes, list, options.output, out, err);
  host.SetProgressIsTerminal(::isatty(::fileno(err)) == 1);
  SchemaWriters writers(session);
  // "Unable to open metadata view." and its kin: the window shows them in a
  // message box and goes on; here they join the progress lines.
  writers.OnErrorMessage = [err](const std::string& message) { Complain(err, message); };
  ScriptRun(host, writers).btnScriptClick();
  try {
    session.SetConnected(false);
  } catch (const std::exception&) {
    // The script is written; a failing logoff does not change that.
  }
  if (!host.Errors().empty()) {
    for (const auto& e : host.Errors()) Complain(err, e);
    return 1;
  }
  if (!host.LeftOut().empty()) {
    for (const auto& cause : host.LeftOut()) Complain(err, "left out: " + cause);
    return 4;
  }
  return 0;
}

}  // namespace tarlow::cli
