// The SQL*Plus-style splitting of scripts: where statements end, what is
// skipped between them, and the line each one starts on.
#include <gtest/gtest.h>

#include "tool/script.h"

namespace ocisim::tool {
namespace {

struct SplitCase {
  const char* name;
  const char* script;
  std::vector<std::string> statements;  // "LINE:TEXT"
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, StatementsAndTheirLines) {
  std::vector<std::string> got;
  for (const auto& s : splitScript(GetParam().script)) got.push_back(std::to_string(s.line) + ":" + s.text);
  EXPECT_EQ(got, GetParam().statements);
}

INSTANTIATE_TEST_SUITE_P(Scripts, SplitTest, ::testing::Values(
    SplitCase{"semicolons", "SELECT 1 FROM dual;\nSELECT 2\n  FROM dual;\n",
              {"1:SELECT 1 FROM dual", "2:SELECT 2\n  FROM dual"}},
    SplitCase{"crlf", "CREATE TABLE t\r\n(a NUMBER);\r\nDROP TABLE t;\r\n",
              {"1:CREATE TABLE t\n(a NUMBER)", "3:DROP TABLE t"}},
    SplitCase{"sqlplus commands skipped",
              "REM a remark\nrem lower case\nPROMPT Creating ...\nSET FEEDBACK 1\nspool x.log\n"
              "WHENEVER SQLERROR EXIT\nSET TRANSACTION READ ONLY;\nselect 1 from dual;\nEXIT\n",
              {"7:SET TRANSACTION READ ONLY", "8:select 1 from dual"}},
    SplitCase{"comments between statements",
              "-- a comment; not a statement\n/*****\n*   Table: T\n*****/\n/* one line */\nCREATE TABLE t (a NUMBER);\n",
              {"6:CREATE TABLE t (a NUMBER)"}},
    SplitCase{"semicolons in quotes and comments",
              "INSERT INTO t VALUES ('a;\nb;', \"x;\") -- trailing; comment\n;\nSELECT 1 FROM dual; -- done;\n",
              {"1:INSERT INTO t VALUES ('a;\nb;', \"x;\") -- trailing; comment", "4:SELECT 1 FROM dual"}},
    SplitCase{"slash ends sql", "UPDATE t SET a = 1\n/\n", {"1:UPDATE t SET a = 1"}},
    SplitCase{"units end with a slash line",
              "CREATE OR REPLACE\nPROCEDURE p IS\nBEGIN\n  NULL;\nEND;\n/\n\nCREATE OR REPLACE TRIGGER trg\n"
              "  BEFORE INSERT ON t\nBEGIN\n  NULL;\nEND;\n  /  \nALTER TRIGGER trg DISABLE;\n",
              {"1:CREATE OR REPLACE\nPROCEDURE p IS\nBEGIN\n  NULL;\nEND;",
               "8:CREATE OR REPLACE TRIGGER trg\n  BEFORE INSERT ON t\nBEGIN\n  NULL;\nEND;",
               "14:ALTER TRIGGER trg DISABLE"}},
    SplitCase{"anonymous blocks", "BEGIN\n  INSERT INTO t VALUES (1);\nEND;\n/\nDECLARE x NUMBER;\nBEGIN NULL; END;\n/\n",
              {"1:BEGIN\n  INSERT INTO t VALUES (1);\nEND;", "5:DECLARE x NUMBER;\nBEGIN NULL; END;"}},
    SplitCase{"package with blank lines inside",
              "CREATE PACKAGE pk IS\n\n  PROCEDURE a;\n\nEND pk;\n/\n",
              {"1:CREATE PACKAGE pk IS\n\n  PROCEDURE a;\n\nEND pk;"}},
    SplitCase{"exec becomes a block", "EXEC dbms_output.put_line('x');\n", {"1:BEGIN dbms_output.put_line('x'); END;"}},
    SplitCase{"last statement without terminator", "SELECT 1 FROM dual;\nSELECT 2 FROM dual\n",
              {"1:SELECT 1 FROM dual", "2:SELECT 2 FROM dual"}},
    SplitCase{"lone slash and blank script", "/\n\n   \n", {}}));

TEST(SplitIncludes, AtAndStartNameFiles) {
  std::vector<std::string> files;
  splitScript("@first\n@@second.sql\nSTART third\nSELECT 1 FROM dual;\n", [](const ScriptStatement&) {},
              [&](const ScriptInclude& inc) { files.push_back(std::to_string(inc.line) + ":" + inc.path); });
  EXPECT_EQ(files, (std::vector<std::string>{"1:first", "2:second.sql", "3:third"}));
}

}  // namespace
}  // namespace ocisim::tool
