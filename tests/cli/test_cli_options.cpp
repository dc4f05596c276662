// tarlow-script's command line: usage errors and the option boxes it leaves,
// with the window's interlocks.
#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarlow::cli {
namespace {

using B = OptionBox;
using Args = std::vector<std::string>;

Args Logon(Args more = {}) {
  Args a = {"--database", "DEMO", "--user", "demo", "--password", "demo"};
  a.insert(a.end(), more.begin(), more.end());
  return a;
}

TEST(CommandLine, ParsesValuesInBothForms) {
  const CliOptions o = ParseCommandLine({"--database=DEMO", "--user", "demo", "--password=x=y", "--output",
                                         "out.sql", "--tables", "EMP,DEPT", "--tables=BONUS",
                                         "OCIDLL=/lib/libclntsh.so", "oraclehome=OraHome1"});
  EXPECT_EQ(o.database, "DEMO");
  EXPECT_EQ(o.user, "demo");
  EXPECT_EQ(o.password, "x=y");
  EXPECT_EQ(o.output, "out.sql");
  ASSERT_TRUE(o.tables);
  EXPECT_EQ(*o.tables, (Args{"EMP", "DEPT", "BONUS"}));
  EXPECT_FALSE(o.help);
  EXPECT_TRUE(ParseCommandLine({"--user", "u", "--help"}).help);  // help wins over missing values
  EXPECT_FALSE(ParseCommandLine(Logon()).output);
  EXPECT_FALSE(ParseCommandLine(Logon()).tables);
  EXPECT_EQ(o.loaderParameters, (Args{"OCIDLL=/lib/libclntsh.so", "oraclehome=OraHome1"}));
}

TEST(CommandLine, AFlagsValueIsNeverALoaderParameter) {
  // A password (or any value) that happens to start like a loader parameter
  // belongs to its flag, in both forms.
  const CliOptions o = ParseCommandLine({"--database", "ORACLEHOME=x", "--user=OCIDLL=u", "--password",
                                         "OCIDLL=secret", "ocidll=/lib/libclntsh.so"});
  EXPECT_EQ(o.database, "ORACLEHOME=x");
  EXPECT_EQ(o.user, "OCIDLL=u");
  EXPECT_EQ(o.password, "OCIDLL=secret");
  EXPECT_EQ(o.loaderParameters, Args{"ocidll=/lib/libclntsh.so"});
}

TEST(CommandLine, UsageErrorsNameTheProblem) {
  struct Case {
    Args args;
    std::string message;  // part of the message
  };
  const Case cases[] = {
      {{"--user", "u", "--password", "p"}, "--database is required"},
      {{"--database", "D", "--password", "p"}, "--user is required"},
      {{"--database", "D", "--user", "u", "--password", ""}, "--password is required"},
      {Logon({"--user"}), "--user needs a value"},
      {Logon({"--frobnicate"}), "unknown argument \"--frobnicate\""},
      {Logon({"stray"}), "unknown argument \"stray\""},
      {Logon({"--all=yes"}), "--all takes no value"},
      {Logon({"--with", "tables,nonsense"}), "unknown option \"nonsense\""},
      {Logon({"--only", "Tables"}), "unknown option \"Tables\""},
      {Logon({"--without", "tables,,views"}), "empty name"},
      {Logon({"--tables", "EMP,"}), "empty name"},
      {Logon({"--output", ""}), "--output needs a file name"},
  };
  for (const Case& c : cases) {
    try {
      ParseCommandLine(c.args);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

// The boxes a command line leaves, ticked ones listed; every other box is clear.
struct BoxCase {
  const char* name;
  Args flags;
  std::vector<B> ticked;
};

std::vector<B> Ticked(const OptionBoxes& boxes) {
  std::vector<B> out;
  for (const auto& info : OptionBoxTable())
    if (boxes.Checked(info.Box)) out.push_back(info.Box);
  return out;
}

class Boxes : public ::testing::TestWithParam<BoxCase> {};

TEST_P(Boxes, AsTheWindowWouldLeaveThem) {
  OptionBoxes boxes;
  ApplyBoxActions(boxes, ParseCommandLine(Logon(GetParam().flags)).actions);
  EXPECT_EQ(Ticked(boxes), GetParam().ticked);
}

const std::vector<B> kStart = {B::Tables,     B::Comments,  B::Indexes,   B::ColConstraints, B::Triggers,
                               B::Defaults,   B::Procedures, B::Functions, B::Sequences,     B::DropSeq,
                               B::Views,      B::TableSpace, B::Packages};

INSTANTIATE_TEST_SUITE_P(
    CommandLines, Boxes,
    ::testing::Values(
        BoxCase{"NoFlagsKeepTheWindowsStart", {}, kStart},
        BoxCase{"OnlyDropTables", {"--only", "drop-tables"}, {B::DropTables}},
        BoxCase{"OnlyCommentsTicksTablesAndTablespaces",
                {"--only", "comments"},
                {B::Tables, B::Comments, B::TableSpace}},
        BoxCase{"OnlyInAnyOrderTicksTheEnablerFirst",
                {"--only", "casc-constraints,drop-tables,drop-sequences,sequences"},
                {B::DropTables, B::CascConstraints, B::Sequences, B::DropSeq}},
        BoxCase{"WithoutSequencesClearsDropSequences",
                {"--without", "sequences"},
                {B::Tables, B::Comments, B::Indexes, B::ColConstraints, B::Triggers, B::Defaults,
                 B::Procedures, B::Functions, B::Views, B::TableSpace, B::Packages}},
        BoxCase{"OnlyIndexesTicksTablespaces", {"--only", "indexes"}, {B::Indexes, B::TableSpace}},
        BoxCase{"AllLeavesDataClear",
                {"--all"},
                {B::Tables, B::DropTables, B::CascConstraints, B::Comments, B::Indexes, B::ColConstraints,
                 B::Triggers, B::Defaults, B::Procedures, B::Functions, B::Sequences, B::DropSeq, B::Views,
                 B::TableSpace, B::Packages, B::CreateTabComments, B::CreateColComments, B::PriConstraints,
                 B::ForConstraints, B::OrphanSQL, B::ChkConstraints, B::All}},
        BoxCase{"AllThenOnlyClearsAll",
                {"--all", "--with", "data", "--only", "views,data"},
                {B::Views, B::Data}},
        BoxCase{"FlagsActInOrder",
                {"--without", "drop-tables", "--with", "drop-tables,casc-constraints", "--without",
                 "drop-tables"},
                kStart}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Boxes, ADisabledBoxCannotBeTicked) {
  struct Case {
    Args flags;
    std::string message;
  };
  const Case cases[] = {
      {{"--with", "casc-constraints"}, "cannot tick casc-constraints while drop-tables is clear"},
      {{"--only", "drop-sequences"}, "cannot tick drop-sequences while sequences is clear"},
      {{"--without", "sequences", "--with", "drop-sequences"}, "cannot tick drop-sequences"},
  };
  for (const Case& c : cases) {
    OptionBoxes boxes;
    try {
      ApplyBoxActions(boxes, ParseCommandLine(Logon(c.flags)).actions);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST(Help, NamesEveryOptionAndTheExitStatuses) {
  const std::string help = HelpText();
  for (const auto& info : OptionBoxTable()) {
    if (info.Box == B::All) continue;
    EXPECT_NE(help.find(info.Option), std::string::npos) << info.Option;
  }
  for (const char* flag : {"--database", "--user", "--password", "--output", "--tables", "--all", "--only",
                           "--with", "--without", "OCIDLL=", "ORACLEHOME=", "Exit status"})
    EXPECT_NE(help.find(flag), std::string::npos) << flag;
}

}  // namespace
}  // namespace tarlow::cli
