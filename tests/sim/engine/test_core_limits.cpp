// What a script's values meet: concatenation chains of any length, Oracle's
// size limits with Oracle's errors, and CLOBs made of TO_CLOB pieces.
#include "core_fixture.h"

namespace ocisim::testing {
namespace {

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

TEST_F(CoreTest, LongConcatenationChainsLoad) {
  exec("CREATE TABLE T (ID NUMBER, V VARCHAR2(4000))");
  // Four hundred line breaks, quotes and ampersands in one value of 3,205
  // bytes: a chain of two thousand "||".
  std::string expr = "'start'", expected = "start";
  for (int i = 0; i < 400; ++i) {
    expr += "||CHR(13)||CHR(10)||'it'||CHR(39)||'s'||CHR(38)";
    expected += "\r\nit's&";
  }
  run("INSERT INTO T VALUES (1, " + expr + ")");
  EXPECT_EQ(one("SELECT V FROM T"), expected);
  EXPECT_EQ(one("SELECT LENGTH(" + expr + ") FROM dual"), std::to_string(expected.size()));
}

TEST_F(CoreTest, SizeLimitsGiveOraclesErrors) {
  exec("CREATE TABLE T (V VARCHAR2(4000), R RAW(2000), B BLOB)");
  const std::string k4(4000, 'x');
  EXPECT_EQ(run("INSERT INTO T (V) VALUES (" + Quoted(k4) + ")"), 1u);
  std::string message;
  EXPECT_EQ(errorOf("INSERT INTO T (V) VALUES (" + Quoted(k4 + "y") + ")", &message), 1704);
  EXPECT_EQ(message, "ORA-01704: string literal too long");
  EXPECT_EQ(errorOf("SELECT " + Quoted(std::string(2500, 'a')) + "||" + Quoted(std::string(2500, 'b')) + " FROM dual",
                    &message),
            1489);
  EXPECT_EQ(message, "ORA-01489: result of string concatenation is too long");
  // HEXTORAW makes at most 2,000 bytes, even from a longer concatenation.
  const std::string hex2000(4000, 'A');
  EXPECT_EQ(run("INSERT INTO T (R) VALUES (HEXTORAW(" + Quoted(hex2000.substr(0, 2000)) + "||" +
                Quoted(hex2000.substr(2000)) + "))"),
            1u);
  EXPECT_NE(errorOf("INSERT INTO T (B) VALUES (HEXTORAW(TO_CLOB(" + Quoted(hex2000) + ")||'AA'))"), 0);
}

TEST_F(CoreTest, ToClobPiecesMakeOneClob) {
  exec("CREATE TABLE T (ID NUMBER, C CLOB)");
  std::string expr, expected;
  for (int i = 0; i < 5; ++i) {
    const std::string piece(4000, static_cast<char>('a' + i));
    expr += (i ? "||" : "") + std::string("TO_CLOB(") + Quoted(piece.substr(0, 2000)) + "||" +
            Quoted(piece.substr(2000)) + ")";
    expected += piece;
  }
  run("INSERT INTO T VALUES (1, " + expr + ")");
  EXPECT_EQ(one("SELECT C FROM T"), expected);
  EXPECT_EQ(one("SELECT LENGTH(C) FROM T"), "20000");
  // A CLOB operand anywhere in the chain makes the whole chain a CLOB.
  run("INSERT INTO T VALUES (2, " + Quoted(std::string(3000, 'p')) + "||TO_CLOB(" + Quoted(std::string(3000, 'q')) +
      "))");
  EXPECT_EQ(one("SELECT LENGTH(C) FROM T WHERE ID = 2"), "6000");
}

}  // namespace
}  // namespace ocisim::testing
