// The statement writers against small schemas in the stand-in: each
// golden/NAME.sql is loaded into a fresh database, the schema is scripted
// with every box but the two DROP boxes (as tarlow-script --all --with data
// --without drop-tables,drop-sequences does) and the script is compared
// byte for byte with golden/NAME.expected.  A mismatch writes NAME.new in
// the build folder to diff against (names that Oracle generates, SYS_C
// and a number, are compared without their numbers).
//
// Then the script itself is loaded into another fresh database and scripted
// again, which must give the same bytes, unless NAME.sql's first line
// begins "-- no round trip:" and says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "writers_support.h"

namespace {

namespace fs = std::filesystem;
using writers_test::ReadFile;
using writers_test::WriteFile;

const fs::path kGoldenDir = fs::path(TARLOW_SOURCE_DIR) / "tests" / "script" / "golden";
const fs::path kNewDir = fs::path(TARLOW_BUILD_DIR) / "tests" / "script" / "golden";

void NoDrops(tarlow::OptionBoxes& b) {
  writers_test::TickAll(b);
  b.SetChecked(tarlow::OptionBox::DropTables, false);
  b.SetChecked(tarlow::OptionBox::DropSeq, false);
}

std::vector<std::string> GoldenNames() {
  std::vector<std::string> names;
  if (!fs::exists(kGoldenDir)) return names;
  for (const auto& e : fs::directory_iterator(kGoldenDir))
    if (e.path().extension() == ".sql") names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Names Oracle makes up (SYS_C0012345) differ from one database to the
// next: the comparison with the expected text reads them all as SYS_C#.
std::string WithoutGeneratedNumbers(const std::string& text) {
  return std::regex_replace(text, std::regex("SYS_C[0-9]+"), "SYS_C#");
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, ScriptMatchesAndRoundTrips) {
  const std::string name = GetParam();
  writers_test::WritersDb db;
  REQUIRE_WRITERS_DB(db);
  const fs::path sql = kGoldenDir / (name + ".sql");
  ASSERT_EQ(db.Run({sql.string()}), "") << "the schema " << sql << " does not load";

  const std::string script = db.Script(NoDrops);
  const fs::path expectedPath = kGoldenDir / (name + ".expected");
  const std::string expected = fs::exists(expectedPath) ? ReadFile(expectedPath.string()) : std::string();
  if (WithoutGeneratedNumbers(script) != WithoutGeneratedNumbers(expected)) {
    fs::create_directories(kNewDir);
    WriteFile((kNewDir / (name + ".new")).string(), script);
    ADD_FAILURE() << "the script of " << name << " differs from " << expectedPath << "; it is in "
                  << (kNewDir / (name + ".new"));
  }

  const std::string firstLine = ReadFile(sql.string()).substr(0, 64);
  if (firstLine.rfind("-- no round trip:", 0) == 0) return;
  ASSERT_TRUE(db.CreateDatabase("AGAIN"));
  const std::string scriptFile = db.Dir() + "/first.sql";
  WriteFile(scriptFile, script);
  EXPECT_EQ(db.Run({scriptFile}, "AGAIN"), "") << "the script of " << name << " does not load";
  const std::string again = db.Script(NoDrops, "AGAIN");
  if (again != script) {
    fs::create_directories(kNewDir);
    WriteFile((kNewDir / (name + ".again")).string(), again);
    ADD_FAILURE() << "scripting the reloaded " << name << " gives other bytes; they are in "
                  << (kNewDir / (name + ".again"));
  }
}

INSTANTIATE_TEST_SUITE_P(Schemas, Golden, ::testing::ValuesIn(GoldenNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Golden);

}  // namespace
