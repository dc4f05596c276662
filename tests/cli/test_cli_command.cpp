// tarlow-script as a user runs it: exit statuses, messages, and against the
// stand-in database the script itself, which must equal what the window's
// file sink writes for the same choices.
#include <gtest/gtest.h>

#include "command_support.h"
#include "support/test_files.h"
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef TARLOW_HAVE_ENGINE
#include "engine/engine.h"
#endif
#include "cli/cli_options.h"
#include "editor/memo_source.h"
#include "oracle/loader.h"
#include "oracle/session.h"
#include "script/schema_writers.h"
#include "script/object_list.h"
#include "script/script_run.h"
#include "script/script_writer.h"
#include "script/sqlplus_layout.h"

namespace {

using test_files::TempDir;

using test_files::ReadAll;

using command_test::Quote;
using command_test::Result;
using command_test::RunCommand;

class Command : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(std::string(TARLOW_BIN_DIR) + "/tarlow-script"))
      GTEST_SKIP() << "tarlow-script not built";
  }
};

TEST_F(Command, HelpDescribesTheCommand) {
  const Result r = RunCommand({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, tarlow::cli::HelpText());
  EXPECT_TRUE(r.err.empty());
}

TEST_F(Command, BadUsageExitsWithTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {"--database", "D", "--user", "u"},
           {"--database", "D", "--user", "u", "--password", "p", "--with", "bogus"},
           {"--database", "D", "--user", "u", "--password", "p", "--with", "casc-constraints"}}) {
    const Result r = RunCommand(args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("tarlow-script: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

TEST_F(Command, NoClientLibraryIsALogonFailure) {
  TempDir dir;
  const Result r = RunCommand({"--database", "D", "--user", "u", "--password", "p", "OCIDLL=" + dir.File("none.so")});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("Initialization error"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
}

// ---- against the stand-in database ------------------------------------------

class AgainstStandIn : public Command {
 protected:
  void SetUp() override {
    Command::SetUp();
    if (IsSkipped()) return;
    lib_ = std::string(TARLOW_LIB_DIR) + "/libocisim.so";
    if (!std::filesystem::exists(lib_)) GTEST_SKIP() << "stand-in client library not built: " << lib_;
#ifdef TARLOW_HAVE_ENGINE
    try {
      ocisim::createDatabase(dir_.path(), "DEMO");
      ocisim::addUser(dir_.path(), "DEMO", "DEMO", "demo");
      auto c = ocisim::attachIn(dir_.path(), "DEMO");
      std::string warning;
      c->logon("demo", "demo", &warning);
      for (const char* ddl : {"CREATE TABLE EMP (EMPNO NUMBER(4))", "CREATE TABLE DEPT (DEPTNO NUMBER(2))",
                              "CREATE TABLE BONUS (ENAME VARCHAR2(10))"})
        c->prepare(ddl)->execute();
      c->commit();
    } catch (const std::exception& e) {
      GTEST_SKIP() << "the stand-in engine cannot make the demo schema yet: " << e.what();
    }
#else
    GTEST_SKIP() << "the stand-in engine is not part of this build";
#endif
  }
  Result Script(std::vector<std::string> args) {
    std::vector<std::string> all = {"--database", "DEMO", "--user", "demo", "--password", "demo",
                                    "OCIDLL=" + lib_};
    all.insert(all.end(), args.begin(), args.end());
    return RunCommand(all, "OCISIM_DATA=" + Quote(dir_.path()) + " LC_ALL=C");
  }

  TempDir dir_;
  std::string lib_;
};

TEST_F(AgainstStandIn, OnlyDropTablesWritesOneDropPerTableInListOrder) {
  const Result r = Script({"--only", "drop-tables"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, tarlow::ScriptHeader() + "\r\n\r\nDROP TABLE BONUS;\r\n\r\nDROP TABLE DEPT;\r\n\r\nDROP TABLE EMP;\r\n\r\n");
  EXPECT_EQ(r.err,
            "Writing Metadata for table: BONUS.\nWriting Metadata for table: DEPT.\n"
            "Writing Metadata for table: EMP.\n");
}

TEST_F(AgainstStandIn, OutputFileAndNamedTables) {
  const Result toStdout = Script({"--only", "drop-tables,casc-constraints", "--tables", "EMP,BONUS"});
  ASSERT_EQ(toStdout.status, 0) << toStdout.err;
  EXPECT_EQ(toStdout.out, tarlow::ScriptHeader() + "\r\n\r\n" +
                             "DROP TABLE BONUS CASCADE CONSTRAINTS;\r\n\r\nDROP TABLE EMP CASCADE CONSTRAINTS;\r\n\r\n");
  TempDir out;
  const Result toFile =
      Script({"--only", "drop-tables,casc-constraints", "--tables", "EMP,BONUS", "--output", out.File("s.sql")});
  ASSERT_EQ(toFile.status, 0) << toFile.err;
  EXPECT_TRUE(toFile.out.empty());
  EXPECT_EQ(ReadAll(out.File("s.sql")), toStdout.out);
}

TEST_F(AgainstStandIn, RunAndLogonErrors) {
  const Result unknown = Script({"--tables", "EMP,NOSUCH"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("\"NOSUCH\""), std::string::npos) << unknown.err;
  EXPECT_TRUE(unknown.out.empty());

  TempDir out;
  const Result badOutput = Script({"--output", out.File("missing/s.sql")});
  EXPECT_EQ(badOutput.status, 1);
  EXPECT_NE(badOutput.err.find("Cannot create file"), std::string::npos) << badOutput.err;

  const Result wrong = RunCommand({"--database", "DEMO", "--user", "demo", "--password", "wrong", "OCIDLL=" + lib_},
                           "OCISIM_DATA=" + Quote(dir_.path()));
  EXPECT_EQ(wrong.status, 3);
  EXPECT_NE(wrong.err.find("ORA-01017"), std::string::npos) << wrong.err;

  // A password that starts like a loader parameter is a password: the
  // library given on its own is loaded, and the password is printed nowhere.
  const Result secret = RunCommand(
      {"--database", "DEMO", "--user", "demo", "--password", "OCIDLL=s3cret", "OCIDLL=" + lib_},
      "OCISIM_DATA=" + Quote(dir_.path()));
  EXPECT_EQ(secret.status, 3);
  EXPECT_NE(secret.err.find("ORA-01017"), std::string::npos) << secret.err;
  EXPECT_EQ(secret.err.find("s3cret"), std::string::npos) << secret.err;
  EXPECT_EQ(secret.out.find("s3cret"), std::string::npos) << secret.out;
}

// The window's file sink for the same choices: the same run over a host
// that holds the window's boxes and list.
class WindowLikeHost : public tarlow::ScriptHost {
 public:
  tarlow::OptionBoxes boxes;
  tarlow::ObjectList list;
  tarlow::TMemoSource store;
  std::string path;
  std::string caption = tarlow::kStartScriptCaption;
  std::vector<std::string> errors;
  bool BoxTicked(tarlow::OptionBox b) override { return boxes.Checked(b); }
  bool ToTextFile() override { return true; }
  int ObjectCount() override { return list.Count(); }
  std::string ObjectCaption(int i) override { return list.Caption(i); }
  bool ObjectTicked(int i) override { return list.Ticked(i); }
  tarlow::TMemoSource& ScriptStore() override { return store; }
  std::string ScriptCaption() override { return caption; }
  void SetScriptCaption(const std::string& c) override { caption = c; }
  void SetStatus(const std::string&) override {}
  void ProcessMessages() override {}
  void SetBusyCursor(bool) override {}
  std::optional<std::string> AskScriptFile() override { return path; }
  void ReportError(const std::string& m) override { errors.push_back(m); }
};

TEST_F(AgainstStandIn, OutputEqualsTheWindowsFileSink) {
  // The window's side runs in this process on a session of its own.
  setenv("OCISIM_DATA", dir_.path().c_str(), 1);
  oci::ResetLoader();
  oci::SetOCIDLL(lib_);
  TOracleSession session;
  session.Preferences().SetConvertCRLF(true);
  session.Preferences().SetTrimStringFields(true);
  session.Preferences().SetZeroDateIsNull(true);
  session.SetLogonDatabase("DEMO");
  session.SetLogonUsername("demo");
  session.SetLogonPassword("demo");
  ASSERT_NO_THROW(session.SetConnected(true));

  const std::vector<std::vector<std::string>> choices = {
      {},
      {"--all", "--with", "data"},
      {"--only", "drop-tables"},
      {"--with", "drop-tables,casc-constraints,data", "--without", "tables"},
  };
  for (const auto& flags : choices) {
    const Result r = Script(flags);
    ASSERT_EQ(r.status, 0) << r.err;

    TempDir out;
    WindowLikeHost window;
    std::vector<std::string> args = {"--database", "D", "--user", "u", "--password", "p"};
    args.insert(args.end(), flags.begin(), flags.end());
    tarlow::cli::ApplyBoxActions(window.boxes, tarlow::cli::ParseCommandLine(args).actions);
    for (const char* t : {"EMP", "DEPT", "BONUS"}) window.list.SetTicked(window.list.Add(t), true);
    window.path = out.File("window.sql");
    tarlow::SchemaWriters writers(session);
    tarlow::ScriptRun(window, writers).btnScriptClick();
    ASSERT_TRUE(window.errors.empty()) << window.errors.front();
    EXPECT_EQ(r.out, ReadAll(window.path)) << flags.size();
    if (flags.empty()) {
      EXPECT_NE(r.out.find("CREATE TABLE EMP"), std::string::npos) << r.out;
    }
  }
  session.SetConnected(false);
  oci::ResetLoader();
}

}  // namespace
