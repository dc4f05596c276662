// SQL colouring: golden files (golden/NAME.sql beside golden/NAME.colors,
// one line of style digits per text line; a mismatch writes NAME.new in the
// build folder), the keyword table, the parser's settings and the store's
// colouring upkeep.
#include "editor/sql_parser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "editor/memo_source.h"
#include "editor/text_convert.h"
#include "support/test_files.h"

namespace tarlow {
namespace {

namespace fs = std::filesystem;
const fs::path kGoldenDir = fs::path(TARLOW_SOURCE_DIR) / "tests" / "editor" / "golden";
const fs::path kNewDir = fs::path(TARLOW_BUILD_DIR) / "tests" / "editor" / "golden";

std::string Digits(const std::string& colors) {
  std::string out;
  for (char c : colors) out.push_back(static_cast<char>('0' + c));
  return out;
}

// Colours every line of a store holding the text, as the view would ask.
std::string ColourAll(const std::string& utf8) {
  TSqlParser parser;
  TMemoSource store;
  store.SetSyntaxParser(&parser);
  store.Lines().SetText(Utf8ToUtf16(utf8));
  std::string out;
  for (int i = 0; i < store.Lines().Count(); ++i) out += Digits(store.ColorData(i)) + "\n";
  return out;
}

class SqlGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(SqlGolden, ColoursMatch) {
  const std::string name = GetParam();
  const std::string text = test_files::ReadAll((kGoldenDir / (name + ".sql")).string());
  ASSERT_FALSE(text.empty()) << "missing " << name << ".sql";
  const std::string expected = test_files::ReadAll((kGoldenDir / (name + ".colors")).string());
  const std::string got = ColourAll(text);
  if (got != expected) {
    fs::create_directories(kNewDir);
    std::ofstream((kNewDir / (name + ".new")).string(), std::ios::binary) << got;
    ADD_FAILURE() << "colours differ; wrote " << (kNewDir / (name + ".new"));
  }
}

INSTANTIATE_TEST_SUITE_P(Files, SqlGolden,
                         ::testing::Values("edge_cases", "block_comments", "char_codes", "demo_script"),
                         [](const auto& info) { return info.param; });

// ---- single lines ------------------------------------------------------------

std::string ColourLine(TSqlParser& p, const std::u16string& line, std::uint32_t start = 0,
                       std::uint32_t* end = nullptr) {
  std::string colors;
  std::uint32_t e = 0;
  p.ColorLine(line, start, colors, e);
  if (end) *end = e;
  return Digits(colors);
}

TEST(SqlScanner, SelectLine) {
  TSqlParser p;
  EXPECT_EQ(ColourLine(p, u"select * from EMP;"), "666666070666603337");
}

TEST(SqlScanner, StatesAcrossLines) {
  TSqlParser p;
  std::uint32_t end = 99;
  EXPECT_EQ(ColourLine(p, u"x /* open", 0, &end), "302222222");
  EXPECT_EQ(end, TSqlParser::kInBlockComment);
  EXPECT_EQ(ColourLine(p, u"  still", end, &end), "0022222");
  EXPECT_EQ(end, TSqlParser::kInBlockComment);
  EXPECT_EQ(ColourLine(p, u"*/ from", end, &end), "2206666");
  EXPECT_EQ(end, TSqlParser::kNormal);
  EXPECT_EQ(ColourLine(p, u"'open string", 0, &end), "111111111111");
  EXPECT_EQ(end, TSqlParser::kNormal);
}

TEST(SqlScanner, EmptyTextOrColourDataLeavesTheState) {
  TSqlParser p;
  std::string none;
  EXPECT_EQ(p.ColorLineData(u"", 2, none), 2u);
  EXPECT_EQ(p.ColorLineData(u"/* x", 0, none), 0u);
}

TEST(SqlScanner, ControlCharactersEndCommentsAndStrings) {
  TSqlParser p;
  EXPECT_EQ(ColourLine(p, u"-- a\x01" u"b"), "222203");
  EXPECT_EQ(ColourLine(p, u"'a\x02" u"b'"), "11031");
  EXPECT_EQ(ColourLine(p, u"'a\tb'"), "11111");
}

TEST(SqlScanner, WideCharactersAreDelimitersOrComment) {
  TSqlParser p;
  EXPECT_EQ(ColourLine(p, u"a\u0416b"), "373");
  EXPECT_EQ(ColourLine(p, u"-- \u0416"), "2222");
}

// ---- keywords -----------------------------------------------------------------

TEST(SqlKeywords, ListBucketsAndCase) {
  TSqlParser p;
  EXPECT_EQ(p.Keywords().size(), 152u);
  EXPECT_EQ(p.Keywords()[3], "ALTER ");
  EXPECT_EQ(p.SortedKeywords().size(), 152u);
  EXPECT_EQ(p.SortedKeywords().front(), "ACTIVE");
  for (const char* k : {"ALTER", "select", "Where", "RETURNING_VALUES", "work", "NULL"})
    EXPECT_TRUE(p.IsKeyword(Utf8ToUtf16(k))) << k;
  for (const char* k : {"VARCHAR2", "NUMBER", "TABLESPACE", "COMMENT", "ALTERX", "", "SELEC"})
    EXPECT_FALSE(p.IsKeyword(Utf8ToUtf16(k))) << k;
  // The bucket: h = length - 1, then h = (h xor upper(c)) * 2 per character,
  // bucket = (h >> 1) & 255.
  std::uint32_t h = 1;
  h = (h ^ 'A') * 2;
  h = (h ^ 'S') * 2;
  EXPECT_EQ(TSqlParser::KeywordBucket(u"as"), static_cast<int>((h >> 1) & 255));
}

TEST(SqlKeywords, CaseSensitiveNeedsTheStoredSpelling) {
  TSqlParser p;
  p.SetCaseSensitive(true);
  EXPECT_TRUE(p.IsKeyword(u"SELECT"));
  EXPECT_FALSE(p.IsKeyword(u"select"));
  p.SetCaseSensitive(false);
  EXPECT_TRUE(p.IsKeyword(u"select"));
}

TEST(SqlKeywords, OwnListTrimsAndIgnoresDuplicates) {
  TSqlParser p;
  p.SetKeywords({"  Foo ", "", "bar", "FOO"});
  EXPECT_EQ(p.SortedKeywords(), (std::vector<std::string>{"bar", "FOO"}));
  EXPECT_TRUE(p.IsKeyword(u"foo"));
  EXPECT_FALSE(p.IsKeyword(u"select"));
}

TEST(SqlParserEvents, GetColorDataRewritesTokens) {
  TSqlParser p;
  std::vector<std::u16string> seen;
  p.OnGetColorData = [&](TSqlParser&, int token, std::u16string_view text, std::string& data) {
    seen.emplace_back(text);
    if (token == text_style::Reserved) data = std::string(1, '\1');  // shorter: filled with the kind
    if (token == text_style::Identifier) data = std::string(10, '\2');  // longer: cut
  };
  EXPECT_EQ(ColourLine(p, u"select abc;"), "16666602227");
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"select", u"abc", u";"}));
}

// ---- colouring upkeep in the store ----------------------------------------------

struct Recorder : TMemoObserver {
  std::vector<TMemoChange> changes;
  void MemoChanged(TMemoSource&, const TMemoChange& c) override { changes.push_back(c); }
};

TEST(StoreColouring, OnDemandUpToTheLinePlusAHundred) {
  TSqlParser parser;
  TMemoSource store;
  store.SetSyntaxParser(&parser);
  std::u16string text;
  for (int i = 0; i < 1000; ++i) text += u"select x from t;\r\n";
  store.Lines().SetText(text);
  EXPECT_EQ(store.ColoringFrontier(), 0);
  store.ColorData(10);
  EXPECT_EQ(store.ColoringFrontier(), 111);
  EXPECT_FALSE(store.InternalLines().Item(112).Flags & TStringItem::ColorValid);
}

// Three coloured lines and a view that records what it is told.
struct ColouredStore : ::testing::Test {
  TSqlParser parser;
  TMemoSource store;
  Recorder r;
  void SetUp() override {
    store.SetSyntaxParser(&parser);
    store.Lines().SetText(u"select a\r\nfrom b\r\nwhere c");
    for (int i = 0; i < 3; ++i) store.ColorData(i);
    store.Attach(&r);
  }
  void TearDown() override { store.Detach(&r); }
};

TEST_F(ColouredStore, OpeningAndClosingACommentAtTheTop) {
  r.changes.clear();
  store.SetCaret({0, 0});
  ASSERT_TRUE(store.InsertText(u"/*"));
  ASSERT_FALSE(r.changes.empty());
  EXPECT_EQ(r.changes.back().FirstLine, 0);
  EXPECT_EQ(r.changes.back().LastLine, 2);  // the end state changed: all later lines repaint
  EXPECT_EQ(Digits(store.ColorData(2)), "2222222");
  store.SetCaret({2, 7});
  store.InsertText(u"*/");
  store.SetCaret({0, 2});
  r.changes.clear();
  store.SetCaret({0, 0});
  store.DeleteChars(2);
  EXPECT_EQ(Digits(store.ColorData(1)), "666603");
  EXPECT_EQ(Digits(store.ColorData(2)), "666660377");
}

TEST_F(ColouredStore, AnEditThatKeepsTheEndStateRepaintsOneLine) {
  store.SetCaret({1, 6});
  r.changes.clear();
  store.InsertText(u"x");
  ASSERT_EQ(r.changes.size(), 1u);
  EXPECT_EQ(r.changes[0].FirstLine, 1);
  EXPECT_EQ(r.changes[0].LastLine, 1);
  EXPECT_EQ(Digits(store.ColorData(1)), "6666033");
}

TEST(StoreColouring, KeywordChangesAndParserLifetime) {
  TMemoSource store;
  store.Lines().SetText(u"foo select");
  {
    TSqlParser parser;
    store.SetSyntaxParser(&parser);
    EXPECT_EQ(Digits(store.ColorData(0)), "3330666666");
    parser.SetKeywords({"FOO"});
    EXPECT_EQ(store.ColoringFrontier(), 0);
    EXPECT_EQ(Digits(store.ColorData(0)), "6660333333");
  }
  EXPECT_EQ(store.SyntaxParser(), nullptr);
  EXPECT_EQ(Digits(store.ColorData(0)), "0000000000");
}

}  // namespace
}  // namespace tarlow
