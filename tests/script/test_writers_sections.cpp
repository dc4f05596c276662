// Single writers against small tables in the stand-in, for what a golden
// script does not show well: COMMIT cadence and the stop check inside the
// rows, values too long for one literal, columns that cannot be scripted,
// the storage clause's gates and a foreign key to another user's table.
#include <gtest/gtest.h>

#include <functional>

#include "editor/text_convert.h"
#include "platform/locale_formats.h"
#include "writers_support.h"

namespace {

using tarlow::OptionBox;
using writers_test::ReadFile;

// One writer call into a file, with the boxes and the stop hook of the test.
class Section {
 public:
  explicit Section(writers_test::WritersDb& db) : db_(db), writers_(db.Session()) {
    writers_test::TickAll(host_.boxes);
    host_.caption = tarlow::kStopCaption;  // as during a run
    path_ = db.Dir() + "/section.out";
    // Read while it is written: a stream of the test's own, not a file
    // that appears only when the run ends.
    stream_ = std::fopen(path_.c_str(), "wb");
    file_ = tarlow::ScriptFile::OverStream(stream_, path_);
    writer_ = std::make_unique<tarlow::ScriptWriter>(host_.store, file_.get());
    ctx_ = std::make_unique<tarlow::ScriptContext>(host_, *writer_);
  }

  ~Section() {
    file_.reset();
    std::fclose(stream_);
  }
  Section(const Section&) = delete;
  Section& operator=(const Section&) = delete;

  tarlow::OptionBoxes& Boxes() { return host_.boxes; }
  tarlow::SchemaWriters& Writers() { return writers_; }
  tarlow::ScriptContext& Ctx() { return *ctx_; }
  void OnProcess(std::function<void(writers_test::FileHost&)> f) { host_.onProcess = std::move(f); }
  writers_test::FileHost& Host() { return host_; }

  std::string Output() {
    file_->Flush();
    return ReadFile(path_);
  }

 private:
  writers_test::WritersDb& db_;
  writers_test::FileHost host_;
  tarlow::SchemaWriters writers_;
  std::string path_;
  std::FILE* stream_ = nullptr;
  std::unique_ptr<tarlow::ScriptFile> file_;
  std::unique_ptr<tarlow::ScriptWriter> writer_;
  std::unique_ptr<tarlow::ScriptContext> ctx_;
};

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

std::string Rows(const std::string& table, int n) {
  std::string sql = "CREATE TABLE " + table + " (ID NUMBER(6));\n";
  for (int i = 1; i <= n; ++i) sql += "INSERT INTO " + table + " VALUES (" + std::to_string(i) + ");\n";
  return sql;
}

TEST(DataWriter, CommitAfterEveryHundredRowsAndAtTheEnd) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText(Rows("R0", 0) + Rows("R99", 99) + Rows("R100", 100) + Rows("R250", 250)), "");
  const struct {
    const char* table;
    std::vector<int> commitsAfterRow;  // row numbers followed by a COMMIT
  } cases[] = {
      {"R0", {0}}, {"R99", {99}}, {"R100", {100, 100}}, {"R250", {100, 200, 250}},
  };
  for (const auto& c : cases) {
    Section s(db);
    s.Writers().WriteTableData(s.Ctx(), c.table);
    const std::string out = s.Output();
    // Walk the statements in order: each INSERT adds a row, each COMMIT
    // records the rows written so far.
    std::vector<int> commits;
    int rows = 0;
    for (size_t at = 0; at < out.size();) {
      size_t insert = out.find("INSERT INTO", at), commit = out.find("COMMIT;", at);
      if (insert == std::string::npos && commit == std::string::npos) break;
      if (insert < commit) {
        ++rows;
        at = insert + 1;
      } else {
        commits.push_back(rows);
        at = commit + 1;
      }
    }
    EXPECT_EQ(commits, c.commitsAfterRow) << c.table;
    EXPECT_EQ(rows, c.commitsAfterRow.back()) << c.table;
  }
}

TEST(DataWriter, EditorAndFileGetTheSameStatements) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText(Rows("T", 230)), "");
  Section s(db);
  s.Writers().WriteTableData(s.Ctx(), "T");
  const std::string file = s.Output();

  writers_test::FileHost host;
  host.caption = tarlow::kStopCaption;
  tarlow::ScriptWriter editor(host.store, nullptr);
  tarlow::ScriptContext ctx(host, editor);
  s.Writers().WriteTableData(ctx, "T");
  std::string shown;
  for (int i = 0; i < host.store.Lines().Count(); ++i)
    shown += (i ? "\r\n" : "") + tarlow::Utf16ToUtf8(host.store.Lines().Get(i));
  EXPECT_EQ(shown, file);
}

// The progress display counts the rows at every COMMIT and once at the end.
TEST(DataWriter, TheProgressCountsTheRowsWritten) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText(Rows("T", 230)), "");
  ASSERT_EQ(db.RunText(Rows("EMPTY", 0)), "");
  Section s(db);
  writers_test::FileHost& host = s.Host();
  s.Ctx().SetStepCount(2);
  s.Ctx().BeginStep("T");
  s.Writers().WriteTableData(s.Ctx(), "T");
  s.Ctx().BeginStep("EMPTY");
  s.Writers().WriteTableData(s.Ctx(), "EMPTY");
  std::vector<std::string> seen;
  for (const tarlow::RunProgress& p : host.progress)
    seen.push_back(std::to_string(p.Done) + "/" + std::to_string(p.Total) + " " + p.Item + " " +
                   std::to_string(p.Rows));
  EXPECT_EQ(seen, (std::vector<std::string>{"0/2 T -1", "0/2 T 100", "0/2 T 200", "0/2 T 230", "1/2 EMPTY -1"}));
}

TEST(DataWriter, StopEndsTheRowsAtOnceWithoutCommit) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText(Rows("T", 150)), "");
  Section s(db);
  int processed = 0;
  s.OnProcess([&](writers_test::FileHost& h) {
    if (++processed == 120) h.caption = tarlow::kStartScriptCaption;  // the button pressed again
  });
  s.Writers().WriteTableData(s.Ctx(), "T");
  const std::string out = s.Output();
  EXPECT_EQ(Count(out, "INSERT INTO"), 120);
  EXPECT_EQ(Count(out, "COMMIT;"), 1);  // the one after row 100 only
  EXPECT_NE(out.rfind("Values(120);\r\n\r\n"), std::string::npos);
}

// Values no literal holds are written whole by a PL/SQL block: a LONG up to
// 32,760 bytes through a variable, a BLOB appended in pieces after the
// INSERT.  A LONG beyond what a script can insert is cut with a note.
TEST(DataWriter, LargeValuesAreWrittenWholeByABlock) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  std::string longText(5000, 'x');
  longText[3998] = '\xC3';  // an é across the 4000-byte mark
  longText[3999] = '\xA9';
  longText[4000] = '\'';
  std::string blob;
  for (int i = 0; i < 4500; ++i) blob += static_cast<char>(i % 251);
  std::string blobHex;
  for (unsigned char c : blob) {
    static const char d[] = "0123456789ABCDEF";
    blobHex += d[c >> 4];
    blobHex += d[c & 15];
  }
  const std::string tooLong(40000, 'y');
  ASSERT_EQ(db.RunText("CREATE TABLE BIG (ID NUMBER(2), L LONG, B BLOB);\n"
                       "INSERT INTO BIG VALUES (1,\n" +
                       writers_test::ClobPieces(longText) + ",\n" + writers_test::ClobPieces(blobHex) + ");\n" +
                       "INSERT INTO BIG VALUES (2,\n" + writers_test::ClobPieces(tooLong) + ", NULL);\n"),
            "");
  Section s(db);
  s.Writers().WriteTableData(s.Ctx(), "BIG");
  const std::string out = s.Output();
  EXPECT_EQ(out.rfind("DECLARE\r\n  l1 VARCHAR2(32760);\r\n  l2 BLOB;\r\nBEGIN\r\n  l1 := 'xx", 0), 0u) << out.substr(0, 300);
  EXPECT_NE(out.find("Values(1,\r\nl1,\r\nEMPTY_BLOB())\r\nRETURNING B INTO l2;\r\n"
                     "  DBMS_LOB.WRITEAPPEND(l2, 2000, HEXTORAW("),
            std::string::npos);
  EXPECT_NE(out.find("/* Row 2, column L: the value of 40000 bytes was cut to its first 32760 bytes. */"),
            std::string::npos);

  // Loaded strictly into a fresh database, the values come back whole.
  ASSERT_TRUE(db.CreateDatabase("AGAIN"));
  const std::string file = db.Dir() + "/big.sql";
  writers_test::WriteFile(file, "CREATE TABLE BIG (ID NUMBER(2), L LONG, B BLOB);\r\n" + out);
  ASSERT_EQ(db.Run({file}, "AGAIN"), "");
  TOracleQuery q(&db.Session("AGAIN"));
  q.SetExactValues(true);
  q.SetSQLText("SELECT ID, L, B FROM BIG ORDER BY ID");
  q.Execute();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldAsText(1), longText);
  EXPECT_EQ(q.FieldAsLOB(2).ReadAll(), blob);
  q.Next();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldAsText(1), tooLong.substr(0, 32760));
}

TEST(DataWriter, ClobsLongerThanOneLiteralComeInPieces) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  const std::string a(4000, 'a'), b(1500, 'b');
  ASSERT_EQ(db.RunText("CREATE TABLE DOCS (C CLOB);\nINSERT INTO DOCS VALUES (" + writers_test::ClobPieces(a + b) +
                       ");\n"),
            "");
  Section s(db);
  s.Writers().WriteTableData(s.Ctx(), "DOCS");
  // Pieces of 4,000 bytes, each literal broken over lines SQL*Plus reads.
  EXPECT_NE(writers_test::JoinedLiterals(s.Output()).find("Values(TO_CLOB('" + a + "')||TO_CLOB('" + b + "'));"),
            std::string::npos);
  for (size_t at = 0, next; (next = s.Output().find("\r\n", at)) != std::string::npos; at = next + 2)
    EXPECT_LE(next - at, 1100u);
}

TEST(DataWriter, ColumnsThatCannotBeScriptedAreNullWithOneNote) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText("CREATE TABLE FB (F BFILE, ID NUMBER(2), LR LONG RAW);\n"
                       "INSERT INTO FB (ID, LR) VALUES (1, HEXTORAW('0A0B'));\n"
                       "INSERT INTO FB (ID) VALUES (2);\n"),
            "");
  Section s(db);
  s.Writers().WriteTableData(s.Ctx(), "FB");
  const std::string out = s.Output();
  EXPECT_EQ(out.find("/* Column F (BFILE) cannot be scripted: its values are written as NULL. */\r\n"
                     "INSERT INTO FB (F,\r\nID,\r\nLR) Values(NULL,\r\n1,\r\nHEXTORAW('0A0B'));"),
            0u)
      << out;
  EXPECT_NE(out.find("Values(NULL,\r\n2,\r\nNULL);"), std::string::npos);
  EXPECT_EQ(Count(out, "cannot be scripted"), 1);
}

TEST(StorageClause, GatesAndMissingObjects) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText("CREATE TABLE T (A NUMBER(1));\nCREATE INDEX T_IX ON T (A);\n"), "");
  Section s(db);
  // An object the view does not list (a table missing from USER_TABLES
  // while its columns are in USER_TAB_COLUMNS): no storage lines; the
  // statement still gets its terminator.
  EXPECT_EQ(s.Writers().StorageClause(s.Ctx(), "NO_SUCH", "TABLE"), "");
  const std::string index = s.Writers().StorageClause(s.Ctx(), "T_IX", "INDEX");
  EXPECT_EQ(index.find("pctused"), std::string::npos);
  // The clause's lines, LF apart as the statement is built; the statement's
  // terminator follows it.
  EXPECT_EQ(index.substr(index.size() - 4), "\n  )");
  s.Boxes().SetChecked(OptionBox::TableSpace, false);
  EXPECT_EQ(s.Writers().StorageClause(s.Ctx(), "T", "TABLE"), "");
  EXPECT_NE(s.Writers().TableScript(s.Ctx(), "T").find("\r\n  A NUMBER(1)\r\n);\r\n\r\n"), std::string::npos);
  EXPECT_EQ(s.Writers().TableScript(s.Ctx(), "NO_SUCH"), "");
}

TEST(ForeignKeyScript, OnlyOrphanDeletesWhenOnlyThatBoxIsTicked) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText("CREATE TABLE P (ID NUMBER(3) PRIMARY KEY);\n"
                       "CREATE TABLE C (P_ID NUMBER(3) CONSTRAINT C_P_FK REFERENCES P (ID));\n"),
            "");
  Section s(db);
  s.Boxes().SetChecked(OptionBox::ForConstraints, false);
  EXPECT_EQ(s.Writers().ForeignKeyScript(s.Ctx(), "C"),
            "\r\nDELETE C WHERE P_ID NOT IN \r\n   (SELECT A.ID FROM P A);\r\n\r\n");
}

TEST(ForeignKeyScript, KeyOfAnotherUserIsWrittenWithItsOwner) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_TRUE(db.AddUser("OWNERA", "A"));
  ASSERT_EQ(db.RunTextAs("OWNERA", "A",
                         "CREATE TABLE PARENTS (X NUMBER(3), Y NUMBER(3), CONSTRAINT PARENTS_PK PRIMARY KEY (X, Y));\n"
                         "GRANT REFERENCES ON PARENTS TO SCOTT;\n"),
            "");
  ASSERT_EQ(db.RunText("CREATE TABLE KIDS (PY NUMBER(3), PX NUMBER(3), CONSTRAINT KIDS_FK FOREIGN KEY (PX, PY) "
                       "REFERENCES OWNERA.PARENTS (X, Y));\n"),
            "");
  Section s(db);
  EXPECT_EQ(s.Writers().ForeignKeyScript(s.Ctx(), "KIDS"),
            "\r\nDELETE KIDS WHERE (PX, PY) NOT IN \r\n   (SELECT A.X, A.Y FROM OWNERA.PARENTS A);\r\n\r\n" +
                tarlow::BannerComment("*  Foreign Key: KIDS_FK") +
                "\r\nALTER TABLE KIDS ADD CONSTRAINT KIDS_FK FOREIGN KEY (PX, PY)\r\n"
                "REFERENCES OWNERA.PARENTS(X, Y);\r\n\r\n");
}

TEST(ScriptRunWithWriters, DropStatementsQuoteNamesThatNeedIt) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText("CREATE TABLE \"Order Lines\" (A NUMBER(1));\nCREATE TABLE PLAIN (A NUMBER(1));\n"), "");
  const std::string script = db.Script([](tarlow::OptionBoxes& b) {
    for (const auto& info : tarlow::OptionBoxTable())
      if (info.Box != OptionBox::All) b.SetChecked(info.Box, false);
    b.SetChecked(OptionBox::DropTables, true);
  });
  EXPECT_EQ(script.substr(script.find("DROP TABLE"), 50), "DROP TABLE \"Order Lines\";\r\n\r\nDROP TABLE PLAIN;\r\n\r\n");
}

TEST(DataWriter, NumbersKeepEveryDigitAndThePointUnderADecimalCommaLocale) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText("CREATE TABLE NUMS (P NUMBER(8,2), F NUMBER, I NUMBER(12));\n"
                       "INSERT INTO NUMS VALUES (1234.5, 0.1, 123456789012);\n"
                       "INSERT INTO NUMS VALUES (-0.25, 3.14159265358979323846264338327950288, -7);\n"),
            "");
  platform::LocaleFormats comma;
  comma.decimalSeparator = ',';
  platform::setLocaleFormats(comma);
  Section s(db);
  s.Writers().WriteTableData(s.Ctx(), "NUMS");
  platform::clearLocaleFormats();
  const std::string out = s.Output();
  EXPECT_NE(out.find("Values(1234.5,\r\n.1,\r\n123456789012);"), std::string::npos) << out;
  EXPECT_NE(out.find("Values(-.25,\r\n3.14159265358979323846264338327950288,\r\n-7);"), std::string::npos)
      << out;
}

// Fails the parse of one statement text, as a dictionary view that cannot
// be read would.
oci::Api g_real;
std::string g_failing;
sword FailingPrepare(OCIStmt* st, OCIError* e, const OraText* text, ub4 length, ub4 language, ub4 mode) {
  if (std::string(reinterpret_cast<const char*>(text), length).find(g_failing) != std::string::npos)
    return OCI_ERROR;
  return g_real.OCIStmtPrepare(st, e, text, length, language, mode);
}

TEST(BuildObjectList, UnreadableNamesGiveTheMessageAndNothingOfThatKind) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText("CREATE TABLE T (A NUMBER(1));\nCREATE VIEW V AS SELECT A FROM T;\n"
                       "CREATE PROCEDURE P IS\nBEGIN\n  NULL;\nEND;\n/\n"),
            "");
  Section s(db);
  std::vector<std::string> messages;
  s.Writers().OnErrorMessage = [&](const std::string& m) { messages.push_back(m); };
  ASSERT_TRUE(s.Writers().BuildObjectList("PROCEDURE"));  // a list of another kind stands
  ASSERT_EQ(s.Writers().ObjectList().size(), 1u);

  g_real = oci::api();
  oci::Api failing = g_real;
  failing.OCIStmtPrepare = FailingPrepare;
  g_failing = "from user_views";
  TOracleQuery::SetApiForTests(&failing);
  s.Writers().WriteViews(s.Ctx());
  TOracleQuery::SetApiForTests(nullptr);

  EXPECT_EQ(messages, std::vector<std::string>{"Unable to open metadata view."});
  EXPECT_TRUE(s.Writers().ObjectList().empty());
  EXPECT_EQ(s.Output(), "");
  s.Writers().WriteProcedures(s.Ctx());  // and the next section works again
  EXPECT_NE(s.Output().find("CREATE OR REPLACE PROCEDURE P IS"), std::string::npos);
}

int g_fetches = 0;
OCIStmt* g_rowsStatement = nullptr;
// The statement that reads the table's rows.
sword NotingPrepare(OCIStmt* st, OCIError* e, const OraText* text, ub4 length, ub4 language, ub4 mode) {
  if (std::string(reinterpret_cast<const char*>(text), length).rfind("SELECT * from", 0) == 0) {
    g_rowsStatement = st;
    g_fetches = 0;
  }
  return g_real.OCIStmtPrepare(st, e, text, length, language, mode);
}
// The first buffer of 25 rows comes; the next fails.
sword FailingFetch(OCIStmt* st, OCIError* e, ub4 rows, ub2 orientation, ub4 mode) {
  if (st == g_rowsStatement && ++g_fetches > 1) return OCI_ERROR;
  return g_real.OCIStmtFetch(st, e, rows, orientation, mode);
}

TEST(DataWriter, AFailingFetchKeepsTheRowsWrittenBeforeIt) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.RunText(Rows("T", 60)), "");
  Section s(db);
  // The table kinds are read once per run, before the rows.
  s.Writers().NotScriptedReason(s.Ctx(), "T");
  g_real = oci::api();
  oci::Api failing = g_real;
  failing.OCIStmtFetch = FailingFetch;
  failing.OCIStmtPrepare = NotingPrepare;
  g_fetches = 0;
  g_rowsStatement = nullptr;
  TOracleQuery::SetApiForTests(&failing);
  EXPECT_ANY_THROW(s.Writers().WriteTableData(s.Ctx(), "T"));
  TOracleQuery::SetApiForTests(nullptr);
  const std::string out = s.Output();
  EXPECT_EQ(Count(out, "INSERT INTO"), 25);
  EXPECT_EQ(Count(out, "COMMIT;"), 0);
}

// Hides every other user's key from ALL_CONS_COLUMNS, as a key the user
// may not see is hidden.
std::string g_hidden;
sword HidingPrepare(OCIStmt* st, OCIError* e, const OraText* text, ub4 length, ub4 language, ub4 mode) {
  std::string sql(reinterpret_cast<const char*>(text), length);
  const size_t at = sql.find("FROM ALL_CONS_COLUMNS WHERE ");
  if (at != std::string::npos) sql.insert(at + 28, "1 = 0 AND ");
  g_hidden = sql;
  return g_real.OCIStmtPrepare(st, e, reinterpret_cast<const OraText*>(g_hidden.data()), ub4(g_hidden.size()),
                               language, mode);
}

TEST(ForeignKeyScript, AKeyThatCannotBeFoundIsACommentNeverEmptyNames) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  ASSERT_TRUE(db.AddUser("OWNERA", "A"));
  ASSERT_EQ(db.RunTextAs("OWNERA", "A",
                         "CREATE TABLE PARENTS (X NUMBER(3) CONSTRAINT PARENTS_PK PRIMARY KEY);\n"
                         "GRANT REFERENCES ON PARENTS TO SCOTT;\n"),
            "");
  ASSERT_EQ(db.RunText("CREATE TABLE KIDS (PX NUMBER(3) CONSTRAINT KIDS_FK REFERENCES OWNERA.PARENTS (X));\n"), "");
  Section s(db);
  g_real = oci::api();
  oci::Api hiding = g_real;
  hiding.OCIStmtPrepare = HidingPrepare;
  TOracleQuery::SetApiForTests(&hiding);
  const std::string text = s.Writers().ForeignKeyScript(s.Ctx(), "KIDS");
  TOracleQuery::SetApiForTests(nullptr);
  EXPECT_EQ(text,
            "\r\n/* Foreign key KIDS_FK of KIDS references the key OWNERA.PARENTS_PK, which cannot be found: not "
            "scripted. */\r\n\r\n");
}

TEST(DataWriter, NoLimitOnTheNumberOfColumns) {
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  std::string create = "CREATE TABLE WIDE (", values;
  for (int i = 1; i <= 300; ++i) {
    create += (i > 1 ? ",\n C" : "C") + std::to_string(i) + " NUMBER(3)";
    values += (i > 1 ? ",\n " : "") + std::to_string(i);
  }
  ASSERT_EQ(db.RunText(create + ");\nINSERT INTO WIDE VALUES (" + values + ");\n"), "");
  Section s(db);
  s.Writers().WriteTableData(s.Ctx(), "WIDE");
  const std::string out = s.Output();
  EXPECT_NE(out.find("C300) Values(1,\r\n2,\r\n"), std::string::npos);
  EXPECT_NE(out.find(",\r\n299,\r\n300);"), std::string::npos);
}

}  // namespace
