// The scripting run against a fake window: section order and gates,
// progress lines, Stop, the final status, two runs in a row and the file
// sink's error paths.
#include "script/script_run.h"

#include <gtest/gtest.h>

#include "support/test_files.h"
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "editor/memo_source.h"
#include "editor/text_convert.h"
#include "script/object_list.h"
#include "script/script_writer.h"
#include "script/sqlplus_layout.h"

namespace tarlow {
namespace {

using B = OptionBox;

// Every script starts with the SQL*Plus settings block and one empty line;
// the tests below look at what follows it.
std::vector<std::string> HeaderLines() {
  std::vector<std::string> out;
  const std::string h = ScriptHeader();
  for (size_t at = 0;;) {
    const size_t e = h.find("\r\n", at);
    out.push_back(h.substr(at, e == std::string::npos ? std::string::npos : e - at));
    if (e == std::string::npos) break;
    at = e + 2;
  }
  out.push_back("");
  return out;
}

class FakeHost : public ScriptHost {
 public:
  OptionBoxes boxes;
  bool toFile = false;
  ObjectList list;
  TMemoSource store;
  std::string caption = kStartScriptCaption;
  std::vector<std::string> statuses;
  std::vector<std::string> errors;
  std::optional<std::string> filePath;
  int prompts = 0;
  int processed = 0;
  bool busy = false;
  std::function<void(FakeHost&)> onProcess;

  void AddTables(std::initializer_list<const char*> names, bool ticked = true) {
    for (const char* n : names) list.SetTicked(list.Add(n), ticked);
  }
  // The editor's lines after the settings block (all of them in the file
  // sink, where the editor holds the progress lines).
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    for (int i = 0; i < store.Lines().Count(); ++i) out.push_back(Utf16ToUtf8(store.Lines().Get(i)));
    const std::vector<std::string> header = HeaderLines();
    if (out.size() >= header.size() && std::equal(header.begin(), header.end(), out.begin()))
      out.erase(out.begin(), out.begin() + static_cast<long>(header.size()));
    return out;
  }

  bool BoxTicked(OptionBox box) override { return boxes.Checked(box); }
  bool ToTextFile() override { return toFile; }
  int ObjectCount() override { return list.Count(); }
  std::string ObjectCaption(int i) override { return list.Caption(i); }
  bool ObjectTicked(int i) override { return list.Ticked(i); }
  TMemoSource& ScriptStore() override { return store; }
  std::string ScriptCaption() override { return caption; }
  void SetScriptCaption(const std::string& c) override { caption = c; }
  void SetStatus(const std::string& s) override { statuses.push_back(s); }
  void ProcessMessages() override {
    ++processed;
    if (onProcess) onProcess(*this);
  }
  void SetBusyCursor(bool b) override { busy = b; }
  std::optional<std::string> AskScriptFile() override {
    ++prompts;
    return filePath;
  }
  void ReportError(const std::string& m) override { errors.push_back(m); }
  std::vector<std::vector<std::string>> leftOut;  // one entry per report
  void ReportLeftOut(const std::vector<std::string>& causes) override { leftOut.push_back(causes); }
};

// Writers that leave a mark per section, in the log and in the script.
class MarkingWriters : public StatementWriters {
 public:
  std::vector<std::string> log;
  int rowsPerTable = 3;
  std::function<void(ScriptContext&, const std::string&, int)> onRow;
  std::string failIn;  // the section that throws
  std::string leaveOut;  // the section whose dictionary query fails (it writes nothing)
  ScriptContext* ctx = nullptr;

  std::string Mark(const std::string& section, const std::string& t) {
    log.push_back(section + " " + t);
    if (section == failIn) throw std::runtime_error("ORA-00942: table or view does not exist");
    if (section == leaveOut && ctx) {
      ctx->LeftOut(section + " sections", t, "ORA-00942: table or view does not exist\n");
      return {};
    }
    return "-- " + section + " " + t;
  }
  void Direct(ScriptContext& ctx, const std::string& section, const std::string& t) {
    ctx.Writer().WriteScript(Mark(section, t), 2);
  }

  std::string TableScript(ScriptContext&, const std::string& t) override { return Mark("table", t); }
  std::string TableCommentScript(ScriptContext&, const std::string& t) override {
    return Mark("table-comments", t);
  }
  std::string ColumnCommentScript(ScriptContext&, const std::string& t) override {
    return Mark("column-comments", t);
  }
  std::string CheckConstraintScript(ScriptContext& c, const std::string& t) override {
    ctx = &c;
    return Mark("check", t);
  }
  std::string NotNullScript(ScriptContext&, const std::string& t) override { return Mark("not-null", t); }
  void WriteIndexes(ScriptContext& c, const std::string& t) override { Direct(c, "indexes", t); }
  std::string PrimaryKeyScript(ScriptContext&, const std::string& t) override {
    return Mark("primary-key", t);
  }
  void WriteTableData(ScriptContext& c, const std::string& t) override {
    for (int row = 1; row <= rowsPerTable; ++row) {
      Direct(c, "row" + std::to_string(row), t);
      if (onRow) onRow(c, t, row);
      if (c.StopRequested()) return;
    }
  }
  // Most tables have no constraint that waits for the rows: the call is
  // logged, its text empty.
  std::string AfterDataConstraintScript(ScriptContext&, const std::string& t) override {
    Mark("after-data-constraints", t);
    return {};
  }
  void WriteTriggers(ScriptContext& c, const std::string& t) override { Direct(c, "triggers", t); }
  void WriteColumnDefaults(ScriptContext& c, const std::string& t) override { Direct(c, "defaults", t); }
  std::string ForeignKeyScript(ScriptContext&, const std::string& t) override {
    return Mark("foreign-keys", t);
  }
  void WriteViews(ScriptContext& c) override { Direct(c, "views", ""); }
  void WriteSequences(ScriptContext& c) override { Direct(c, "sequences", ""); }
  void WriteProcedures(ScriptContext& c) override { Direct(c, "procedures", ""); }
  void WriteFunctions(ScriptContext& c) override { Direct(c, "functions", ""); }
  void WritePackages(ScriptContext& c) override { Direct(c, "packages", ""); }
};

using test_files::TempDir;

using test_files::ReadAll;

// A script file's text after the settings block, which must head it.
std::string Body(const std::string& path) {
  const std::string text = ReadAll(path);
  const std::string header = ScriptHeader() + "\r\n\r\n";
  EXPECT_EQ(text.rfind(header, 0), 0u) << "the script does not start with the settings block";
  return text.rfind(header, 0) == 0 ? text.substr(header.size()) : text;
}

std::vector<std::string> PerTable(const std::string& t) {
  return {"table " + t,   "table-comments " + t, "column-comments " + t, "check " + t,
          "not-null " + t, "indexes " + t,       "primary-key " + t,     "row1 " + t,
          "row2 " + t,     "row3 " + t,          "after-data-constraints " + t,
          "triggers " + t, "defaults " + t};
}

const std::vector<std::string> kSchemaWide = {"views ", "sequences ", "procedures ", "functions ",
                                              "packages "};

void TickEverything(FakeHost& h) {
  h.boxes.SetChecked(B::All, true);
  h.boxes.SetChecked(B::Data, true);
}

TEST(RunOrder, SectionsPerTableThenForeignKeysThenSchemaWide) {
  FakeHost h;
  MarkingWriters w;
  TickEverything(h);
  h.AddTables({"EMP", "DEPT"});
  h.AddTables({"SKIPPED"}, false);
  ScriptRun(h, w).btnScriptClick();

  std::vector<std::string> expected;
  for (const char* t : {"DEPT", "EMP"})
    for (auto& s : PerTable(t)) expected.push_back(s);
  expected.push_back("foreign-keys DEPT");
  expected.push_back("foreign-keys EMP");
  for (auto& s : kSchemaWide) expected.push_back(s);
  EXPECT_EQ(w.log, expected);

  // The script itself: the drop first, each section its own block.
  const auto lines = h.Lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "DROP TABLE DEPT CASCADE CONSTRAINTS;");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "-- table DEPT");
  EXPECT_EQ(lines[3], "-- table-comments DEPT");
  EXPECT_EQ(lines[lines.size() - 3], "-- packages ");
  EXPECT_EQ(lines.back(), "");
  EXPECT_EQ(h.statuses, (std::vector<std::string>{"Scripting...", "Done"}));
  EXPECT_EQ(h.caption, kStartScriptCaption);
  EXPECT_FALSE(h.busy);
  EXPECT_TRUE(h.errors.empty());
}

TEST(RunOrder, EachSectionFollowsItsBox) {
  struct Case {
    B box;
    std::string section;  // the writer call that goes with it
  };
  const Case cases[] = {
      {B::Tables, "table T"},           {B::CreateTabComments, "table-comments T"},
      {B::CreateColComments, "column-comments T"}, {B::ChkConstraints, "check T"},
      {B::ColConstraints, "not-null T"}, {B::Indexes, "indexes T"},
      {B::PriConstraints, "primary-key T"}, {B::Data, "row1 T"},
      {B::Triggers, "triggers T"},       {B::Defaults, "defaults T"},
      {B::ForConstraints, "foreign-keys T"}, {B::OrphanSQL, "foreign-keys T"},
      {B::Views, "views "},              {B::Sequences, "sequences "},
      {B::DropSeq, "sequences "},        {B::Procedures, "procedures "},
      {B::Functions, "functions "},      {B::Packages, "packages "},
  };
  for (const Case& c : cases) {
    FakeHost h;
    MarkingWriters w;
    h.AddTables({"T"});
    h.boxes.SetChecked(B::All, true);
    h.boxes.SetChecked(B::All, false);
    h.boxes.SetEnabled(B::DropSeq, true);  // so that it can stand alone
    h.boxes.SetChecked(c.box, true);
    if (c.box == B::Tables || c.box == B::Indexes) h.boxes.SetChecked(B::TableSpace, false);
    ScriptRun(h, w).btnScriptClick();
    ASSERT_FALSE(w.log.empty()) << c.section;
    EXPECT_EQ(w.log.front(), c.section);
    // The constraint boxes also ask for the table's constraints that come
    // after its rows.
    const bool constraintBox =
        c.box == B::ChkConstraints || c.box == B::ColConstraints || c.box == B::PriConstraints;
    EXPECT_EQ(w.log.size(), c.box == B::Data ? 3u : constraintBox ? 2u : 1u) << c.section;
    if (constraintBox) EXPECT_EQ(w.log.back(), "after-data-constraints T");
  }
}

TEST(RunOrder, NoTableTickedWritesOnlyTheSchemaWideSections) {
  FakeHost h;
  MarkingWriters w;
  TickEverything(h);
  h.AddTables({"A", "B"}, false);
  ScriptRun(h, w).btnScriptClick();
  std::vector<std::string> expected(kSchemaWide.begin(), kSchemaWide.end());
  EXPECT_EQ(w.log, expected);
}

TEST(RunOrder, WithoutWritersOnlyDropsAndTheDefinitionBreakAppear) {
  StatementWriters nothing;
  // Until the dictionary writers exist every other section writes nothing.
  // The definition step still writes its empty text with one break, which
  // the editor absorbs (its empty last line is continued and then re-added)
  // and the file keeps as one more empty line.
  TempDir dir;
  FakeHost file;
  file.toFile = true;
  file.filePath = dir.File("out.sql");
  file.boxes.SetChecked(B::DropTables, true);
  file.AddTables({"B", "A"});
  ScriptRun(file, nothing).btnScriptClick();
  EXPECT_EQ(Body(dir.File("out.sql")), "DROP TABLE A;\r\n\r\n\r\nDROP TABLE B;\r\n\r\n\r\n");

  FakeHost h;
  h.boxes.SetChecked(B::DropTables, true);
  h.AddTables({"B", "A"});
  ScriptRun(h, nothing).btnScriptClick();
  EXPECT_EQ(h.Lines(), (std::vector<std::string>{"DROP TABLE A;", "", "DROP TABLE B;", "", ""}));
  // The editor sink starts with the same settings block as the file.
  ASSERT_GE(h.store.Lines().Count(), 5);
  EXPECT_EQ(Utf16ToUtf8(h.store.Lines().Get(3)), "SET DEFINE OFF");
  EXPECT_EQ(Utf16ToUtf8(h.store.Lines().Get(4)), "SET SQLBLANKLINES ON");

  FakeHost only;
  only.boxes.SetChecked(B::All, true);
  only.boxes.SetChecked(B::All, false);
  only.boxes.SetChecked(B::DropTables, true);
  only.AddTables({"B", "A"});
  ScriptRun(only, nothing).btnScriptClick();
  EXPECT_EQ(only.Lines(), (std::vector<std::string>{"DROP TABLE A;", "", "DROP TABLE B;", "", ""}));
}

TEST(Progress, FileSinkLogsEveryStepAndTheScriptGoesToTheFile) {
  TempDir dir;
  FakeHost h;
  MarkingWriters w;
  TickEverything(h);
  h.toFile = true;
  h.filePath = dir.File("out.sql");
  h.AddTables({"T1", "T2"});
  ScriptRun(h, w).btnScriptClick();

  std::vector<std::string> expected;
  for (const char* t : {"T1", "T2"}) {
    expected.push_back(std::string("Writing Metadata for table: ") + t + ".");
    expected.push_back("Writing data scripts.");
    expected.push_back("Writing trigger scripts.");
    expected.push_back("Writing defaults scripts.");
  }
  for (const char* t : {"T1", "T2"})
    expected.push_back(std::string("Writing FK Constraints/Drop Orphans SQL for table: ") + t + ".");
  for (const char* s : {"Writing views scripts.", "Writing sequence scripts.", "Writing procedure scripts.",
                        "Writing Function scripts.", "Writing Packages scripts."})
    expected.push_back(s);
  EXPECT_EQ(h.Lines(), expected);

  const std::string script = Body(dir.File("out.sql"));
  EXPECT_EQ(script.rfind("DROP TABLE T1 CASCADE CONSTRAINTS;\r\n\r\n-- table T1\r\n", 0), 0u) << script;
  EXPECT_NE(script.find("-- packages \r\n\r\n"), std::string::npos);
  EXPECT_EQ(h.statuses.back(), "Done");
  EXPECT_EQ(h.prompts, 1);
}

TEST(Progress, EditorSinkHasNoProgressLines) {
  FakeHost h;
  MarkingWriters w;
  TickEverything(h);
  h.AddTables({"T"});
  ScriptRun(h, w).btnScriptClick();
  for (const auto& line : h.Lines()) EXPECT_EQ(line.find("Writing "), std::string::npos) << line;
}

// ---- Stop -----------------------------------------------------------------------

TEST(Stop, BetweenTablesEndsTheRunAsAbortedByUser) {
  // The press arrives while T2's indexes are written (a direct writer lets
  // messages through after each statement).
  class PressInIndexes : public MarkingWriters {
   public:
    ScriptRun* run = nullptr;
    void WriteIndexes(ScriptContext& c, const std::string& t) override {
      MarkingWriters::WriteIndexes(c, t);
      if (t == "T2") run->btnScriptClick();
    }
  } stopper;
  FakeHost h;
  ScriptRun run(h, stopper);
  stopper.run = &run;
  h.boxes.SetChecked(B::All, true);
  h.AddTables({"T1", "T2", "T3"});
  run.btnScriptClick();

  std::vector<std::string> expected;
  for (const char* t : {"T1", "T2"})
    for (const char* s : {"table ", "table-comments ", "column-comments ", "check ", "not-null ", "indexes ",
                          "primary-key ", "after-data-constraints ", "triggers ", "defaults "})
      expected.push_back(s + std::string(t));
  EXPECT_EQ(stopper.log, expected);  // T2 finished, nothing of T3, no second pass, no views
  EXPECT_EQ(h.statuses, (std::vector<std::string>{"Scripting...", "Aborted by user", "Aborted by user"}));
  EXPECT_EQ(h.caption, kStartScriptCaption);
  EXPECT_FALSE(h.busy);
}

TEST(Stop, DuringDataStopsTheRowsButFinishesTheTable) {
  FakeHost h;
  MarkingWriters w;
  ScriptRun run(h, w);
  TickEverything(h);
  h.AddTables({"T1", "T2", "T3", "T4"});
  w.onRow = [&](ScriptContext&, const std::string& t, int row) {
    if (t == "T3" && row == 2) h.onProcess = [&](FakeHost&) { h.onProcess = nullptr, run.btnScriptClick(); };
  };
  run.btnScriptClick();
  const std::vector<std::string> tail(w.log.end() - 5, w.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"row1 T3", "row2 T3", "after-data-constraints T3", "triggers T3",
                                            "defaults T3"}));
  EXPECT_EQ(h.statuses.back(), "Aborted by user");
}

TEST(Stop, DuringTheSchemaWideSectionsLetsThemFinish) {
  FakeHost h;
  TickEverything(h);
  h.AddTables({"T"});
  class StopInViews : public MarkingWriters {
   public:
    ScriptRun* run = nullptr;
    void WriteViews(ScriptContext& c) override {
      MarkingWriters::WriteViews(c);
      run->btnScriptClick();  // the press, as if it came from the message loop
    }
  } writers;
  ScriptRun run2(h, writers);
  writers.run = &run2;
  run2.btnScriptClick();
  std::vector<std::string> tail(writers.log.end() - 5, writers.log.end());
  EXPECT_EQ(tail, kSchemaWide);
  EXPECT_EQ(h.statuses.back(), "Aborted by user");
}

TEST(Runs, TwoRunsInARowStartFromAnEmptyEditor) {
  FakeHost h;
  MarkingWriters w;
  ScriptRun run(h, w);
  h.boxes.SetChecked(B::DropTables, true);
  h.AddTables({"T"});
  run.btnScriptClick();
  const auto first = h.Lines();
  run.btnScriptClick();
  EXPECT_EQ(h.Lines(), first);
  EXPECT_EQ(h.statuses, (std::vector<std::string>{"Scripting...", "Done", "Scripting...", "Done"}));
}

TEST(Runs, WriterErrorEndsTheRunAndIsReportedOnce) {
  TempDir dir;
  FakeHost h;
  MarkingWriters w;
  w.failIn = "indexes";
  h.toFile = true;
  h.filePath = dir.Write("out.sql", "-- an earlier script\n");
  h.boxes.SetChecked(B::DropTables, true);
  h.AddTables({"T1", "T2"});
  ScriptRun(h, w).btnScriptClick();
  EXPECT_EQ(h.errors, (std::vector<std::string>{"ORA-00942: table or view does not exist"}));
  EXPECT_EQ(h.statuses.back(), "Failed");
  EXPECT_EQ(h.caption, kStartScriptCaption);
  EXPECT_FALSE(h.busy);
  // No half script: the file is as it was, with nothing left beside it.
  EXPECT_EQ(ReadAll(dir.File("out.sql")), "-- an earlier script\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST(Runs, PartsLeftOutAreToldOnceAndEndTheFile) {
  TempDir dir;
  for (bool toFile : {true, false}) {
    FakeHost h;
    MarkingWriters w;
    w.leaveOut = "check";
    h.toFile = toFile;
    h.filePath = dir.File("out.sql");
    h.boxes.SetChecked(B::All, true);
    h.boxes.SetChecked(B::All, false);
    h.boxes.SetChecked(B::ChkConstraints, true);
    h.boxes.SetChecked(B::DropTables, true);
    h.AddTables({"T1", "T2"});
    ScriptRun(h, w).btnScriptClick();
    EXPECT_TRUE(h.errors.empty());
    EXPECT_EQ(h.statuses.back(), kDonePartsLeftOutStatus);
    ASSERT_EQ(h.leftOut.size(), 1u);
    EXPECT_EQ(h.leftOut[0],
              std::vector<std::string>{"check sections of T1, T2: ORA-00942: table or view does not exist"});
    if (toFile) {
      // The file ends with the same list; the editor shows nothing of it.
      EXPECT_EQ(Body(dir.File("out.sql")),
                "DROP TABLE T1;\r\n\r\nDROP TABLE T2;\r\n\r\n/* Left out of this script:\r\n"
                "   check sections of T1, T2: ORA-00942: table or view does not exist\r\n*/\r\n\r\n");
    } else {
      EXPECT_EQ(h.Lines(), (std::vector<std::string>{"DROP TABLE T1;", "", "DROP TABLE T2;", "", ""}));
    }
  }
}

TEST(Runs, NothingLeftOutIsDoneAndToldNothing) {
  FakeHost h;
  MarkingWriters w;
  TickEverything(h);
  h.AddTables({"T1"});
  ScriptRun(h, w).btnScriptClick();
  EXPECT_EQ(h.statuses.back(), "Done");
  EXPECT_TRUE(h.leftOut.empty());
}

// ---- the file sink's loose ends --------------------------------------------------

TEST(FileSink, CancelledPromptStartsNothing) {
  FakeHost h;
  MarkingWriters w;
  h.toFile = true;
  h.filePath.reset();
  h.AddTables({"T"});
  h.store.Lines().Add(u"earlier script");
  ScriptRun(h, w).btnScriptClick();
  EXPECT_EQ(h.prompts, 1);
  EXPECT_TRUE(w.log.empty());
  EXPECT_TRUE(h.statuses.empty());
  EXPECT_EQ(h.caption, kStartScriptCaption);
  EXPECT_EQ(h.Lines(), (std::vector<std::string>{"earlier script"}));
  EXPECT_FALSE(h.busy);
}

TEST(FileSink, FileThatCannotBeCreatedIsReportedAndStartsNothing) {
  TempDir dir;
  FakeHost h;
  MarkingWriters w;
  h.toFile = true;
  h.filePath = dir.File("missing/out.sql");
  h.AddTables({"T"});
  ScriptRun(h, w).btnScriptClick();
  ASSERT_EQ(h.errors.size(), 1u);
  EXPECT_NE(h.errors[0].find("Cannot create file"), std::string::npos) << h.errors[0];
  EXPECT_TRUE(w.log.empty());
  EXPECT_TRUE(h.statuses.empty());
  EXPECT_EQ(h.caption, kStartScriptCaption);
  EXPECT_FALSE(h.busy);
}

TEST(FileSink, OutputErrorEndsTheRunAsFailed) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  FakeHost h;
  MarkingWriters w;
  h.toFile = true;
  h.filePath = "/dev/full";
  h.boxes.SetChecked(B::DropTables, true);
  h.AddTables({"T1", "T2"});
  ScriptRun(h, w).btnScriptClick();
  ASSERT_EQ(h.errors.size(), 1u);
  EXPECT_NE(h.errors[0].find("/dev/full"), std::string::npos) << h.errors[0];
  EXPECT_TRUE(w.log.empty());  // the first write failed, before the definition
  EXPECT_EQ(h.statuses.back(), "Failed");
  EXPECT_EQ(h.caption, kStartScriptCaption);
}

TEST(FileSink, StopNeitherPromptsAgainNorClosesTheRunningFile) {
  TempDir dir;
  FakeHost h;
  h.toFile = true;
  h.filePath = dir.File("out.sql");
  h.boxes.SetChecked(B::All, true);
  h.boxes.SetChecked(B::All, false);
  h.boxes.SetChecked(B::DropTables, true);
  h.boxes.SetChecked(B::Defaults, true);
  h.AddTables({"T1", "T2"});
  // The press arrives while T1's defaults are written, after its drop.
  class PressInDefaults : public MarkingWriters {
   public:
    ScriptRun* run = nullptr;
    void WriteColumnDefaults(ScriptContext& c, const std::string& t) override {
      run->btnScriptClick();
      MarkingWriters::WriteColumnDefaults(c, t);  // the run is still writing its file
    }
  } writers;
  ScriptRun run2(h, writers);
  writers.run = &run2;
  run2.btnScriptClick();
  EXPECT_EQ(h.prompts, 1);
  EXPECT_TRUE(h.errors.empty());
  EXPECT_EQ(Body(dir.File("out.sql")), "DROP TABLE T1;\r\n\r\n-- defaults T1\r\n\r\n");
  EXPECT_EQ(h.statuses.back(), "Aborted by user");
}

TEST(FileSink, TheSinkIsChosenOnceWhenTheRunStarts) {
  TempDir dir;
  for (bool startToFile : {true, false}) {
    FakeHost h;
    MarkingWriters w;
    h.toFile = startToFile;
    h.filePath = dir.File("out.sql");
    h.boxes.SetChecked(B::All, true);
    h.boxes.SetChecked(B::All, false);
    h.boxes.SetChecked(B::DropTables, true);
    h.AddTables({"T1", "T2", "T3"});
    h.onProcess = [](FakeHost& host) { host.toFile = !host.toFile; };  // ticked and cleared during the run
    ScriptRun(h, w).btnScriptClick();
    EXPECT_TRUE(h.errors.empty());
    if (startToFile) {
      EXPECT_EQ(Body(dir.File("out.sql")),
                "DROP TABLE T1;\r\n\r\nDROP TABLE T2;\r\n\r\nDROP TABLE T3;\r\n\r\n");
      EXPECT_EQ(h.Lines().size(), 3u);  // the three progress lines
    } else {
      EXPECT_EQ(h.Lines(), (std::vector<std::string>{"DROP TABLE T1;", "", "DROP TABLE T2;", "",
                                                     "DROP TABLE T3;", "", ""}));
    }
  }
}

}  // namespace
}  // namespace tarlow
