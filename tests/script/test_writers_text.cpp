// The writers' text pieces: sizes of the storage clause, column types,
// quoting of names, literals and comments, and the data writer's literals.
#include <gtest/gtest.h>

#include "script/schema_writers.h"
#include "script/sql_names.h"

namespace tarlow {
namespace {

TEST(FormatSize, WholeMultiplesOnlyAndSixtyFourBits) {
  const struct {
    int64_t n;
    const char* text;
  } cases[] = {
      {0, "0"},          {1000, "1000"},     {1024, "1K"},         {1025, "1025"},
      {65536, "64K"},    {1048576, "1M"},    {1572864, "1536K"},   {2621440, "2560K"},
      {1048577, "1048577"}, {3221225472LL, "3072M"}, {1099511627776LL, "1048576M"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatSize(c.n), c.text) << c.n;
}

TEST(ColumnTypeText, TypesKeepTheirSizes) {
  const struct {
    const char *type, *length, *precision, *scale, *charLength, *charUsed, *text;
  } cases[] = {
      {"NUMBER", "22", "8", "2", "0", "", "NUMBER(8,2)"},
      {"NUMBER", "22", "6", "0", "0", "", "NUMBER(6)"},
      {"NUMBER", "22", "", "0", "0", "", "NUMBER(*,0)"},
      {"NUMBER", "22", "", "", "0", "", "NUMBER"},
      {"NUMBER", "22", "5", "-2", "0", "", "NUMBER(5,-2)"},
      {"FLOAT", "22", "126", "", "0", "", "FLOAT(126)"},
      {"CHAR", "5", "", "", "5", "B", "CHAR(5)"},
      {"VARCHAR2", "40", "", "", "10", "C", "VARCHAR2(10 CHAR)"},
      {"VARCHAR2", "30", "", "", "30", "B", "VARCHAR2(30)"},
      {"NVARCHAR2", "40", "", "", "20", "C", "NVARCHAR2(20)"},
      {"NCHAR", "4", "", "", "2", "C", "NCHAR(2)"},
      {"RAW", "16", "", "", "0", "", "RAW(16)"},
      {"DATE", "7", "", "", "0", "", "DATE"},
      {"CLOB", "4000", "", "", "0", "", "CLOB"},
      {"LONG", "0", "", "", "0", "", "LONG"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ColumnTypeText(c.type, c.length, c.precision, c.scale, c.charLength, c.charUsed), c.text) << c.text;
}

TEST(SqlNames, QuotedUnlessPlainIdentifier) {
  const struct {
    const char *name, *written;
  } cases[] = {
      {"EMPLOYEES", "EMPLOYEES"},   {"A$#_1", "A$#_1"},         {"employees", "\"employees\""},
      {"Order Lines", "\"Order Lines\""}, {"1ST", "\"1ST\""},   {"_X", "\"_X\""},
      {"SELECT", "\"SELECT\""},     {"DATE", "\"DATE\""},       {"COMMENT", "\"COMMENT\""},
      {"O'Hara", "\"O'Hara\""},     {"ÄBC", "\"ÄBC\""},         {"DATES", "DATES"},
  };
  for (const auto& c : cases) EXPECT_EQ(SqlName(c.name), c.written) << c.name;
}

TEST(SqlNames, LiteralsAndComments) {
  EXPECT_EQ(SqlText("O'Hara's"), "O''Hara''s");
  EXPECT_EQ(SqlLiteral("it's"), "'it''s'");
  EXPECT_EQ(SqlLiteral(""), "''");
  EXPECT_EQ(CommentText("ends */ here"), "ends * / here");
  EXPECT_EQ(CommentText("**/*/"), "** /* /");
  EXPECT_EQ(CommentText("/* fine *"), "/* fine *");
}

TEST(TextLiteral, QuotesAmpersandsAndEveryLineBreakSplicedOut) {
  const struct {
    const char *value, *literal;
  } cases[] = {
      {"", "''"},
      {"plain", "'plain'"},
      {"O'Brien", "'O'||CHR(39)||'Brien'"},
      {"A&B", "'A'||CHR(38)||'B'"},
      {"one\r\ntwo", "'one'||\r\nCHR(13)||CHR(10)||'two'"},
      {"one\ntwo", "'one'||\r\nCHR(10)||'two'"},
      {"one\rtwo", "'one'||\r\nCHR(13)||'two'"},
      {"\n\r\n", "''||\r\nCHR(10)||''||\r\nCHR(13)||CHR(10)||''"},
      {"x\r", "'x'||\r\nCHR(13)||''"},
  };
  for (const auto& c : cases) EXPECT_EQ(TextLiteral(c.value), c.literal) << c.value;
}

TEST(CutAtCharacter, NeverInsideACharacter) {
  EXPECT_EQ(CutAtCharacter("abc", 5), "abc");
  EXPECT_EQ(CutAtCharacter("abc", 2), "ab");
  EXPECT_EQ(CutAtCharacter("a\xC3\xA9", 2), "a");       // é is two bytes
  EXPECT_EQ(CutAtCharacter("a\xE2\x82\xAC" "b", 3), "a");  // € is three
  EXPECT_EQ(CutAtCharacter("a\xE2\x82\xAC" "b", 4), "a\xE2\x82\xAC");
}

}  // namespace
}  // namespace tarlow
