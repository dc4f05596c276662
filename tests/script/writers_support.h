// Helpers for the statement writers' tests: a fresh stand-in database made
// and loaded with the ocisim admin tool, a session logged on to it through
// the stand-in client library, and a scripting run into a file with every
// table of the user ticked.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "editor/memo_source.h"
#include "oracle/loader.h"
#include "oracle/query.h"
#include "oracle/session.h"
#include "script/object_list.h"
#include "script/option_boxes.h"
#include "script/schema_writers.h"
#include "script/script_host.h"
#include "script/script_run.h"
#include "script/script_writer.h"

namespace writers_test {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

// A long text as an SQL expression a script can hold: TO_CLOB pieces of at
// most a thousand bytes, one per line, quotes doubled.  (The stand-in also
// takes such a CLOB into a LONG column, and its hexadecimal text into a
// BLOB, which lets a test make values longer than any literal.)
inline std::string ClobPieces(const std::string& text) {
  std::string out;
  for (size_t at = 0; at < text.size(); at += 1000) {
    if (at) out += "||\n";
    out += "TO_CLOB('";
    for (char c : text.substr(at, 1000)) out += c == '\'' ? std::string("''") : std::string(1, c);
    out += "')";
  }
  return out;
}

// Every line of a script at most 2,499 characters long (what SQL*Plus
// reads) and every line break CR LF.
inline void ExpectShortLines(const std::string& script) {
  size_t lineNo = 1, start = 0;
  while (start <= script.size()) {
    size_t end = script.find("\r\n", start);
    const size_t length = (end == std::string::npos ? script.size() : end) - start;
    EXPECT_LE(length, 2499u) << "line " << lineNo;
    if (end == std::string::npos) break;
    EXPECT_EQ(script.find('\n', start), end + 1) << "a line break that is not CR LF in line " << lineNo;
    start = end + 2;
    ++lineNo;
  }
}

// The script text with its literals' line splits ("'||" CR LF "'") taken
// out: what the literals hold, for finding a value in it.
inline std::string JoinedLiterals(std::string text) {
  const std::string split = "'||\r\n'";
  for (size_t at = text.find(split); at != std::string::npos; at = text.find(split, at)) text.erase(at, split.size());
  return text;
}

// A host for one run: every box as the test sets it, the file sink.
class FileHost : public tarlow::ScriptHost {
 public:
  tarlow::OptionBoxes boxes;
  tarlow::ObjectList list;
  tarlow::TMemoSource store;
  std::string path;
  std::string caption = tarlow::kStartScriptCaption;
  std::string status;
  std::vector<std::string> errors;
  // Called for every "process pending messages" (a press of Stop arrives here).
  std::function<void(FileHost&)> onProcess;

  bool BoxTicked(tarlow::OptionBox box) override { return boxes.Checked(box); }
  bool ToTextFile() override { return true; }
  int ObjectCount() override { return list.Count(); }
  std::string ObjectCaption(int i) override { return list.Caption(i); }
  bool ObjectTicked(int i) override { return list.Ticked(i); }
  tarlow::TMemoSource& ScriptStore() override { return store; }
  std::string ScriptCaption() override { return caption; }
  void SetScriptCaption(const std::string& c) override { caption = c; }
  void SetStatus(const std::string& s) override { status = s; }
  void ProcessMessages() override {
    if (onProcess) onProcess(*this);
  }
  void SetBusyCursor(bool) override {}
  std::optional<std::string> AskScriptFile() override { return path; }
  void ReportError(const std::string& m) override { errors.push_back(m); }
  std::vector<tarlow::RunProgress> progress;  // every ShowProgress
  void ShowProgress(const tarlow::RunProgress& p) override { progress.push_back(p); }
};

// Ticks every box, the data box included (as --all --with data does).
inline void TickAll(tarlow::OptionBoxes& boxes) {
  for (const auto& info : tarlow::OptionBoxTable()) {
    if (info.Box == tarlow::OptionBox::All) continue;
    boxes.SetChecked(info.Box, true);
  }
}

// A database of its own, in a mkdtemp folder, with the user SCOTT/TIGER.
class WritersDb {
 public:
  explicit WritersDb(const std::string& user = "SCOTT", const std::string& password = "TIGER")
      : user_(user), password_(password) {
    const std::string lib = std::string(TARLOW_LIB_DIR) + "/libocisim.so";
    tool_ = std::string(TARLOW_BIN_DIR) + "/ocisim";
    if (!std::filesystem::exists(lib)) {
      skip_ = "the stand-in client library " + lib + " has not been built";
      return;
    }
    if (!std::filesystem::exists(tool_)) {
      skip_ = "the stand-in admin tool " + tool_ + " has not been built";
      return;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "tarlow-writers-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    if (!::mkdtemp(buf.data())) {
      skip_ = "mkdtemp failed";
      return;
    }
    dir_ = buf.data();
    if (Tool("--database TESTDB create") != 0 || Tool("--database TESTDB adduser " + user_ + " " + password_) != 0) {
      skip_ = "the stand-in admin tool cannot create a database: " + ReadFile(dir_ + "/tool.err");
      return;
    }
    ::setenv("OCISIM_DATA", dir_.c_str(), 1);
    oci::ResetLoader();
    oci::SetOCIDLL(lib);
  }

  ~WritersDb() {
    if (session_) {
      try {
        session_->SetConnected(false);
      } catch (...) {
      }
      session_.reset();
    }
    if (!dir_.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(dir_, ec);
    }
  }
  WritersDb(const WritersDb&) = delete;
  WritersDb& operator=(const WritersDb&) = delete;

  const std::string& SkipReason() const { return skip_; }
  const std::string& Dir() const { return dir_; }

  // Runs script files with `ocisim run`; the failed statements' report, or
  // "" when every statement ran.
  std::string Run(const std::vector<std::string>& files, const std::string& database = "TESTDB") {
    std::string args = "--database " + database + " --user " + user_ + " --password " + password_ + " run";
    for (const auto& f : files) args += " " + Quote(f);
    if (Tool(args) == 0) return "";
    std::string err = ReadFile(dir_ + "/tool.err");
    return err.empty() ? "ocisim run failed" : err;
  }
  std::string RunText(const std::string& sql) {
    const std::string f = dir_ + "/input.sql";
    WriteFile(f, sql);
    return Run({f});
  }
  // Another user of the database, and a script run as that user.
  bool AddUser(const std::string& user, const std::string& password) {
    return Tool("--database TESTDB adduser " + user + " " + password) == 0;
  }
  std::string RunTextAs(const std::string& user, const std::string& password, const std::string& sql) {
    const std::string f = dir_ + "/input-" + user + ".sql";
    WriteFile(f, sql);
    if (Tool("--database TESTDB --user " + user + " --password " + password + " run " + Quote(f)) == 0) return "";
    return ReadFile(dir_ + "/tool.err");
  }
  // A second, empty database of the same user in the same folder.
  bool CreateDatabase(const std::string& name) {
    return Tool("--database " + name + " create") == 0 &&
           Tool("--database " + name + " adduser " + user_ + " " + password_) == 0;
  }

  // The session logged on to the database, made on first use.
  TOracleSession& Session(const std::string& database = "TESTDB") {
    if (session_ && session_->LogonDatabase() != database) {
      session_->SetConnected(false);
      session_.reset();
    }
    if (!session_) {
      session_ = std::make_unique<TOracleSession>();
      session_->SetLogonDatabase(database);
      session_->SetLogonUsername(user_);
      session_->SetLogonPassword(password_);
      session_->SetConnected(true);
    }
    return *session_;
  }

  // A run over every table of the user with the boxes `setup` leaves; the
  // script's bytes.  Run errors fail the test.
  template <typename Setup>
  std::string Script(Setup&& setup, const std::string& database = "TESTDB") {
    TOracleSession& s = Session(database);
    FileHost host;
    host.path = dir_ + "/script.out";
    setup(host.boxes);
    {
      TOracleQuery q(&s);
      q.SetSQLText("select table_name from user_tables order by table_name");
      q.Execute();
      for (; !q.Eof(); q.Next()) host.list.SetTicked(host.list.Add(q.FieldAsText(0)), true);
    }
    tarlow::SchemaWriters writers(s);
    std::vector<std::string> messages;
    writers.OnErrorMessage = [&](const std::string& m) { messages.push_back(m); };
    tarlow::ScriptRun run(host, writers);
    run.btnScriptClick();
    for (const auto& e : host.errors) ADD_FAILURE() << "run error: " << e;
    for (const auto& m : messages) ADD_FAILURE() << "message: " << m;
    return ReadFile(host.path);
  }
  std::string ScriptAll(const std::string& database = "TESTDB") {
    return Script([](tarlow::OptionBoxes& b) { TickAll(b); }, database);
  }

 private:
  int Tool(const std::string& args) {
    const std::string cmd = Quote(tool_) + " --data " + Quote(dir_) + " " + args + " >" + Quote(dir_ + "/tool.out") +
                            " 2>" + Quote(dir_ + "/tool.err");
    return std::system(cmd.c_str());
  }

  std::string user_, password_, tool_, dir_, skip_;
  std::unique_ptr<TOracleSession> session_;
};

}  // namespace writers_test

#define REQUIRE_WRITERS_DB(db)                                      \
  do {                                                              \
    if (!(db).SkipReason().empty()) GTEST_SKIP() << (db).SkipReason(); \
  } while (0)
