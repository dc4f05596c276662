// The layout of statements for SQL*Plus: each text, written by the layout
// step and read back by the stand-in's SQL*Plus reader after the script's
// settings block, is the statement the database receives, byte for byte;
// and the layout chosen is the plainest that does so.
#include "script/sqlplus_layout.h"

#include <gtest/gtest.h>

#include "tool/sqlplus_reader.h"

namespace tarlow {
namespace {

// What the reader runs of a script: the statements' texts, and any refusal.
std::vector<std::string> ReadBack(const std::string& script) {
  std::vector<std::string> out;
  ocisim::tool::SqlPlusReader reader;
  ocisim::tool::ScriptReaderEvents ev;
  ev.onStatement = [&](const ocisim::tool::ScriptStatement& s) { out.push_back(s.text); };
  ev.onProblem = [&](const ocisim::tool::ScriptProblem& p) { out.push_back("refused: " + p.message); };
  reader.read(script, ev);
  return out;
}

struct LayoutCase {
  const char* name;
  std::string statement;
  StatementForm form;
  const char* layout;  // a text the script must hold
};
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, ReadBackExactlyWithTheExpectedLayout) {
  const LayoutCase& c = GetParam();
  const std::string written = SqlPlusStatement(c.statement, c.form);
  EXPECT_NE(written.find(c.layout), std::string::npos) << written;
  for (size_t at = 0, e; (e = written.find('\n', at)) != std::string::npos; at = e + 1) {
    EXPECT_GT(e, at);
    EXPECT_EQ(written[e - 1], '\r') << "a line break that is not CR LF";
    EXPECT_LE(e - at, kMaxScriptLine);
  }
  // The statement between two others, so that a layout that swallows or
  // cuts its neighbours shows.
  const std::string script = ScriptHeader() + "\r\n\r\nSELECT 1 FROM dual;\r\n" + written + "\r\nSELECT 2 FROM dual;\r\n";
  const std::vector<std::string> read = ReadBack(script);
  ASSERT_EQ(read.size(), 3u) << script;
  EXPECT_EQ(read[0], "SELECT 1 FROM dual");
  if (written.rfind("BEGIN\r\nEXECUTE IMMEDIATE", 0) == 0) {
    EXPECT_EQ(read[1].rfind("BEGIN\nEXECUTE IMMEDIATE\n", 0), 0u);
  } else {
    EXPECT_EQ(read[1], c.statement);
  }
  EXPECT_EQ(read[2], "SELECT 2 FROM dual");
}

const std::string kLong(3000, 'w');

INSTANTIATE_TEST_SUITE_P(Texts, LayoutTest, ::testing::Values(
    LayoutCase{"plain", "SELECT a\nFROM t", StatementForm::Sql, "SELECT a\r\nFROM t;"},
    LayoutCase{"blank lines and ampersands", "SELECT '&x'\n\n  FROM t", StatementForm::Sql, "SELECT '&x'\r\n\r\n"},
    LayoutCase{"semicolon line ends", "SELECT 'a;\nb' x -- c;\nFROM t", StatementForm::Sql,
               "SET SQLTERMINATOR OFF\r\nSELECT 'a;\r\nb' x -- c;\r\nFROM t\r\n/\r\nSET SQLTERMINATOR ON"},
    LayoutCase{"trailing dashes", "SELECT 1 FROM t -- the end", StatementForm::Sql, "-- the end\r\n;"},
    LayoutCase{"period line", "SELECT '\n.\n' FROM t", StatementForm::Sql,
               "SET BLOCKTERMINATOR OFF\r\n"},
    LayoutCase{"hash lines", "SELECT '\n#x\n  ~y' FROM t", StatementForm::Sql, "SET SQLPREFIX !\r\n"},
    LayoutCase{"units keep semicolons and blank lines", "CREATE PROCEDURE p IS\nBEGIN\n  NULL;   \n\nEND;  ",
               StatementForm::Block, "END;  \r\n/"},
    LayoutCase{"unit with a period line", "CREATE PROCEDURE p IS\n-- x\n.\nBEGIN NULL; END;", StatementForm::Block,
               "SET BLOCKTERMINATOR OFF"},
    LayoutCase{"slash line", "SELECT '\n/\n' FROM t", StatementForm::Sql, "EXECUTE IMMEDIATE"},
    LayoutCase{"carriage return", "COMMENT ON TABLE t IS 'a\r\nb'", StatementForm::Sql, "CHR(13)||CHR(10)"},
    LayoutCase{"overlong line", "SELECT 1 /* " + kLong + " */ FROM t", StatementForm::Sql, "EXECUTE IMMEDIATE"},
    LayoutCase{"overlong unit line", "CREATE PROCEDURE p IS\nBEGIN NULL; -- " + kLong + "\nEND;",
               StatementForm::Block, "EXECUTE IMMEDIATE"}));

// An assembled statement is the original once its pieces are joined.
TEST(LiteralPieces, JoinBackToTheValue) {
  const std::string value = "it's\r\n" + std::string(2500, 'x') + std::string(1, '\0') + "é'" + std::string(1500, 'y');
  const std::string pieces = LiteralPieces(value);
  std::string joined;
  for (size_t i = 0; i < pieces.size();) {
    if (pieces.compare(i, 4, "CHR(") == 0) {
      const size_t close = pieces.find(')', i);
      joined += static_cast<char>(std::stoi(pieces.substr(i + 4, close - i - 4)));
      i = close + 1;
    } else if (pieces[i] == '\'') {
      for (++i; i < pieces.size(); ++i) {
        if (pieces[i] == '\'' && i + 1 < pieces.size() && pieces[i + 1] == '\'') {
          joined += '\'';
          ++i;
        } else if (pieces[i] == '\'') {
          ++i;
          break;
        } else {
          joined += pieces[i];
        }
      }
    } else {
      ++i;  // "||" and line breaks
    }
  }
  EXPECT_EQ(joined, value);
  for (size_t at = 0, e; (e = pieces.find("\r\n", at)) != std::string::npos; at = e + 2) EXPECT_LE(e - at, 1000u);
}

TEST(BreakAfter, OnlyAfterADashCommentOnTheLastLine) {
  EXPECT_EQ(BreakAfter("1 -- one"), "\n");
  EXPECT_EQ(BreakAfter("1 -- one\n+ 2"), "");
  EXPECT_EQ(BreakAfter("'a' || 'b'"), "");
}

}  // namespace
}  // namespace tarlow
