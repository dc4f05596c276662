// The whole demo round trip under a Turkish locale, where toupper('i') is not
// 'I' and the decimal point is a comma: the demo schema loaded with
// `ocisim run`, scripted with tarlow-script, the script loaded into an empty
// database and scripted again to the same bytes.  Every program runs with
// LC_ALL=tr_TR.UTF-8; the locale is generated with localedef into a folder of
// the test's own when the machine lacks it.
#include <gtest/gtest.h>

#include <clocale>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "command_support.h"
#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;
using command_test::Quote;
using command_test::Result;
using command_test::RunProgram;
using test_files::ReadAll;
using test_files::TempDir;

constexpr const char* kTurkish = "tr_TR.UTF-8";

// True when the locale loads in this process and maps case the Turkish way
// (so the round trip below really meets the dotted and dotless i).
bool TurkishLocaleWorks() {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  const bool loaded = std::setlocale(LC_ALL, kTurkish) != nullptr;
  const bool turkish = loaded && std::toupper('i') != 'I';
  std::setlocale(LC_ALL, saved.c_str());
  return turkish;
}

class TurkishLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"tarlow-script", "ocisim"})
      if (!fs::exists(std::string(TARLOW_BIN_DIR) + "/" + program)) GTEST_SKIP() << program << " not built";
    lib_ = std::string(TARLOW_LIB_DIR) + "/libocisim.so";
    if (!fs::exists(lib_)) GTEST_SKIP() << "stand-in client library not built: " << lib_;
    env_ = "OCISIM_DATA=" + Quote(data_.path()) + " LC_ALL=" + kTurkish;
    if (TurkishLocaleWorks()) return;
    // Not installed: generate it where only this test looks (LOCPATH).
    const std::string cmd = "localedef -i tr_TR -f UTF-8 " + Quote(locales_.File(kTurkish)) + " >" +
                            Quote(locales_.File("localedef.log")) + " 2>&1";
    const int rc = std::system(cmd.c_str());
    ::setenv("LOCPATH", locales_.path().c_str(), 1);
    const bool works = TurkishLocaleWorks();
    ::unsetenv("LOCPATH");
    if (!works)
      GTEST_SKIP() << "the " << kTurkish << " locale is missing and localedef could not make it (status " << rc
                   << "): " << ReadAll(locales_.File("localedef.log"));
    env_ += " LOCPATH=" + Quote(locales_.path());
  }

  Result Tool(const std::vector<std::string>& args) { return RunProgram("ocisim", args, env_); }
  Result Script(const std::string& database, const std::vector<std::string>& flags) {
    std::vector<std::string> args = {"--database", database, "--user", "demo", "--password", "demo", "OCIDLL=" + lib_};
    args.insert(args.end(), flags.begin(), flags.end());
    return RunProgram("tarlow-script", args, env_);
  }
  void CreateDemoDatabase(const std::string& name) {
    ASSERT_EQ(Tool({"--database", name, "create"}).status, 0);
    const Result user = Tool({"--database", name, "adduser", "DEMO", "demo"});
    ASSERT_EQ(user.status, 0) << user.err;
  }
  Result Load(const std::string& database, const std::string& file) {
    return Tool({"--database", database, "--user", "demo", "--password", "demo", "run", file});
  }

  TempDir data_, locales_, out_;
  std::string lib_, env_;
};

TEST_F(TurkishLocale, DemoRoundTripGivesTheSameScript) {
  const std::string demo = std::string(TARLOW_SOURCE_DIR) + "/demo/demo_schema.sql";
  CreateDemoDatabase("DEMO");
  const Result loaded = Load("DEMO", demo);
  ASSERT_EQ(loaded.status, 0) << loaded.err;

  const std::vector<std::string> everything = {"--all", "--with", "data", "--without", "drop-tables,drop-sequences"};
  const Result first = Script("DEMO", everything);
  ASSERT_EQ(first.status, 0) << first.err;
  // Sections the dictionary's lower-case "i" names feed: indexes, triggers, code.
  for (const char* part : {"CREATE TABLE EMPLOYEES", "CREATE INDEX IX_EMPLOYEES_NAME", "CREATE SEQUENCE SEQ_EMPLOYEES",
                           "CREATE OR REPLACE VIEW V_EMPLOYEE_DETAILS", "TRIGGER TRG_EMPLOYEES_SALARY",
                           "INSERT INTO EMPLOYEES ("})
    EXPECT_NE(first.out.find(part), std::string::npos) << part;

  const std::string file = out_.Write("first.sql", first.out);
  CreateDemoDatabase("AGAIN");
  const Result reloaded = Load("AGAIN", file);
  ASSERT_EQ(reloaded.status, 0) << reloaded.err;
  const Result again = Script("AGAIN", everything);
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, first.out);
}

}  // namespace
