// The strict reading of scripts: each SQL*Plus rule, the SET commands that
// switch them, PL/SQL units and substitution variables, as a table of small
// scripts and what they run ("LINE:TEXT") or refuse ("LINE:SP2-...").
#include <gtest/gtest.h>

#include "tool/sqlplus_reader.h"

namespace ocisim::tool {
namespace {

struct ReadCase {
  const char* name;
  std::string script;
  std::vector<std::string> events;
};
void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class SqlPlusReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(SqlPlusReadTest, StatementsRunAndLinesRefused) {
  EXPECT_EQ(SqlPlusReader::readAll(GetParam().script), GetParam().events);
}

const std::string kLongLine(2500, 'x');

INSTANTIATE_TEST_SUITE_P(Rules, SqlPlusReadTest, ::testing::Values(
    // Terminators.
    ReadCase{"semicolon at the end of a line", "SELECT 1 FROM dual;\nSELECT 2\n  FROM dual ;  \n",
             {"1:SELECT 1 FROM dual", "2:SELECT 2\n  FROM dual"}},
    ReadCase{"crlf lines", "CREATE TABLE t\r\n(a NUMBER);\r\n", {"1:CREATE TABLE t\n(a NUMBER)"}},
    ReadCase{"semicolon inside a literal at a line end still ends",
             "INSERT INTO t VALUES ('a;\nb');\n",
             {"1:INSERT INTO t VALUES ('a", "2:SP2-0734: unknown command beginning \"b');...\" - rest of line ignored."}},
    ReadCase{"semicolon at the end of a comment ends", "SELECT 1 -- one;\nFROM dual;\n",
             {"1:SELECT 1 -- one", "2:SP2-0734: unknown command beginning \"FROM dual;...\" - rest of line ignored."}},
    ReadCase{"semicolon inside a line does not end", "SELECT 'a;b' FROM dual\n;\n", {"1:SELECT 'a;b' FROM dual"}},
    ReadCase{"slash runs the statement", "UPDATE t SET a = 1\n/\n", {"1:UPDATE t SET a = 1"}},
    ReadCase{"slash after a run statement runs it again", "INSERT INTO t VALUES (1);\n/\n",
             {"1:INSERT INTO t VALUES (1)", "2:INSERT INTO t VALUES (1)"}},
    ReadCase{"slash with an empty buffer", "/\n", {"1:SP2-0103: Nothing in SQL buffer to run."}},
    ReadCase{"period ends without running, slash runs it", "SELECT 1\nFROM dual\n.\n/\n",
             {"4:SELECT 1\nFROM dual"}},
    // Blank lines.
    ReadCase{"blank line ends a statement unrun", "INSERT INTO t\n\nVALUES (1);\n",
             {"3:SP2-0734: unknown command beginning \"VALUES (1)...\" - rest of line ignored."}},
    ReadCase{"blank line kept with SQLBLANKLINES ON",
             "SET SQLBLANKLINES ON\nINSERT INTO t\n\nVALUES (1);\nset sqlbl off\nSELECT 1\n\n",
             {"2:INSERT INTO t\n\nVALUES (1)"}},
    ReadCase{"a statement left at the end of the file is not run", "SELECT 1 FROM dual\n", {}},
    // Line length.
    ReadCase{"a line over 2,499 characters is refused",
             "INSERT INTO t VALUES (\n'" + kLongLine + "');\nSELECT 1 FROM dual;\n",
             // The statement goes on without the refused line.
             {"2:SP2-0027: Input is too long (> 2499 characters) - line ignored",
              "1:INSERT INTO t VALUES (\nSELECT 1 FROM dual"}},
    ReadCase{"2,499 characters are allowed", "SELECT '" + std::string(2479, 'y') + "' FROM dual;\n",
             {"1:SELECT '" + std::string(2479, 'y') + "' FROM dual"}},
    // PL/SQL units.
    ReadCase{"units keep blank lines and semicolons up to the slash",
             "CREATE OR REPLACE\nPROCEDURE p IS\n\nBEGIN\n  NULL;\n\nEND;\n/\nDECLARE x NUMBER;\nBEGIN NULL; END;\n/\n",
             {"1:CREATE OR REPLACE\nPROCEDURE p IS\n\nBEGIN\n  NULL;\n\nEND;", "9:DECLARE x NUMBER;\nBEGIN NULL; END;"}},
    ReadCase{"a period ends a unit unrun", "BEGIN\n  NULL;\nEND;\n.\nSELECT 1 FROM dual;\n", {"5:SELECT 1 FROM dual"}},
    ReadCase{"trailing blanks of a unit are kept", "CREATE TRIGGER trg BEFORE INSERT ON t\nBEGIN  \n  NULL;  \nEND;  \n/\n",
             {"1:CREATE TRIGGER trg BEFORE INSERT ON t\nBEGIN  \n  NULL;  \nEND;  "}},
    ReadCase{"package body and type", "CREATE PACKAGE BODY pk AS\nEND;\n/\nCREATE TYPE ty AS OBJECT (a NUMBER);\n/\n",
             {"1:CREATE PACKAGE BODY pk AS\nEND;", "4:CREATE TYPE ty AS OBJECT (a NUMBER);"}},
    ReadCase{"exec", "EXEC p(1);\n", {"1:BEGIN p(1); END;"}},
    // SQL*Plus commands and comments between statements.
    ReadCase{"commands between statements",
             "REM a remark & more\nPROMPT Creating ...\nSET FEEDBACK 1 ECHO OFF\nspool x.log\nWHENEVER SQLERROR EXIT\n"
             "SET TRANSACTION READ ONLY;\n-- a comment\n/* a\n  comment; */\nCOLUMN a FORMAT a10 -\n  HEADING x\n"
             "select 1 from dual;\n",
             {"6:SET TRANSACTION READ ONLY", "12:select 1 from dual"}},
    ReadCase{"a comment with a statement after it", "/* banner */ SELECT 1 FROM dual;\n", {"1:SELECT 1 FROM dual"}},
    ReadCase{"an unknown command", "FROBNICATE everything\nSELECT 1 FROM dual;\n",
             {"1:SP2-0734: unknown command beginning \"FROBNICATE...\" - rest of line ignored.", "2:SELECT 1 FROM dual"}},
    ReadCase{"remarks are commands only between statements", "SELECT 1\nREM x\nFROM dual;\n",
             {"1:SELECT 1\nREM x\nFROM dual"}},
    ReadCase{"exit stops the script", "SELECT 1 FROM dual;\nEXIT\nSELECT 2 FROM dual;\n", {"1:SELECT 1 FROM dual"}},
    // SQLPREFIX.
    ReadCase{"a prefixed line inside a statement is a command",
             "SELECT 1\n#prompt hello\nFROM dual;\nCREATE PROCEDURE p IS\nBEGIN\n#set sqlblanklines on\n  NULL;\nEND;\n/\n",
             {"1:SELECT 1\nFROM dual", "4:CREATE PROCEDURE p IS\nBEGIN\n  NULL;\nEND;"}},
    ReadCase{"SET SQLPREFIX changes the character",
             "SET SQLPREFIX ~\nSELECT 1\n#x\nFROM dual;\n", {"2:SELECT 1\n#x\nFROM dual"}},
    // SQLTERMINATOR and BLOCKTERMINATOR.
    ReadCase{"SET SQLTERMINATOR OFF", "SET SQLTERMINATOR OFF\nSELECT 1 FROM dual;\n/\n", {"2:SELECT 1 FROM dual;"}},
    ReadCase{"SET SQLTERMINATOR to another character", "SET SQLT \"!\"\nSELECT 1 FROM dual!\n",
             {"2:SELECT 1 FROM dual"}},
    ReadCase{"SET BLOCKTERMINATOR OFF makes a period a line",
             "SET SQLBLANKLINES ON\nSET BLOCKTERMINATOR OFF\nSELECT 1\n.\nFROM dual;\n", {"3:SELECT 1\n.\nFROM dual"}},
    // Substitution variables.
    ReadCase{"defined variables are substituted",
             "DEFINE tab = emp\nDEF col = 'last name'\nSELECT '&col' FROM &tab..x;\nSELECT &&n FROM dual;\n",
             {"3:SELECT 'last name' FROM emp.x", "4:substitution variable \"&&n\" has no value (a script run cannot prompt for it)"}},
    ReadCase{"SET DEFINE OFF keeps ampersands", "SET DEFINE OFF\nSELECT 'a&b' FROM dual;\n",
             {"2:SELECT 'a&b' FROM dual"}},
    ReadCase{"SET DEFINE to another character", "SET DEFINE ^\nDEFINE v = 7\nSELECT '&x', ^v FROM dual;\n",
             {"3:SELECT '&x', 7 FROM dual"}},
    ReadCase{"an ampersand before no name stands for itself", "SELECT 'a & b' FROM dual;\n",
             {"1:SELECT 'a & b' FROM dual"}},
    ReadCase{"SET ESCAPE", "SET ESCAPE ON\nSELECT 'a\\&b' FROM dual;\n", {"2:SELECT 'a&b' FROM dual"}},
    ReadCase{"UNDEFINE", "DEFINE v = 1\nUNDEFINE v\nSELECT &v FROM dual;\n", {"3:substitution variable \"&v\" has no value (a script run cannot prompt for it)"}}));

// Undefined variables are reported with their name; the statement is not run.
TEST(SqlPlusRead, UndefinedVariableIsNamedAndTheStatementNotRun) {
  std::vector<std::string> ran, problems;
  SqlPlusReader r;
  ScriptReaderEvents ev;
  ev.onStatement = [&](const ScriptStatement& s) { ran.push_back(s.text); };
  ev.onProblem = [&](const ScriptProblem& p) { problems.push_back(std::to_string(p.line) + ":" + p.message); };
  r.read("INSERT INTO t\nVALUES ('&who');\nSELECT 1 FROM dual;\n", ev);
  EXPECT_EQ(ran, std::vector<std::string>{"SELECT 1 FROM dual"});
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].rfind("2:", 0), 0u);
  EXPECT_NE(problems[0].find("\"&who\""), std::string::npos) << problems[0];
}

// Settings and variables carry from one file to the next, as in one SQL*Plus
// session running several scripts.
TEST(SqlPlusRead, SettingsCarryAcrossFiles) {
  std::vector<std::string> ran;
  SqlPlusReader r;
  ScriptReaderEvents ev;
  ev.onStatement = [&](const ScriptStatement& s) { ran.push_back(s.text); };
  r.read("SET DEFINE OFF\nSET SQLBLANKLINES ON\n", ev);
  r.read("SELECT '&x'\n\nFROM dual;\n", ev);
  EXPECT_EQ(ran, std::vector<std::string>{"SELECT '&x'\n\nFROM dual"});
}

// Under WHENEVER SQLERROR EXIT the first failed statement ends the reading;
// CONTINUE (the default) goes on.
TEST(SqlPlusRead, WheneverSqlErrorExitStopsAtTheFirstFailure) {
  for (bool exitOnError : {true, false}) {
    std::vector<std::string> ran;
    SqlPlusReader r;
    ScriptReaderEvents ev;
    ev.onStatement = [&](const ScriptStatement& s) {
      ran.push_back(s.text);
      if (s.text == "DELETE BAD") r.statementFailed();
    };
    r.read(std::string(exitOnError ? "WHENEVER SQLERROR EXIT SQL.SQLCODE\n" : "WHENEVER SQLERROR CONTINUE\n") +
               "SELECT 1 FROM dual;\nDELETE BAD\n/\nSELECT 2 FROM dual;\n",
           ev);
    EXPECT_EQ(ran.size(), exitOnError ? 2u : 3u);
    EXPECT_EQ(r.exited(), exitOnError);
  }
}

TEST(SqlPlusRead, IncludesAreNamed) {
  std::vector<std::string> files;
  SqlPlusReader r;
  ScriptReaderEvents ev;
  ev.onInclude = [&](const ScriptInclude& inc) { files.push_back(std::to_string(inc.line) + ":" + inc.path); };
  r.read("@first\n@@second.sql\nSTART third\n", ev);
  EXPECT_EQ(files, (std::vector<std::string>{"1:first", "2:second.sql", "3:third"}));
}

}  // namespace
}  // namespace ocisim::tool
