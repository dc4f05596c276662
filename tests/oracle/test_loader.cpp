// The loader's choices that need no working client library: command-line
// values, registry reads, the Oracle home, the candidate files, and every
// failure with its message and log.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "oracle/errors.h"
#include "oracle/loader.h"
#include "platform/environment.h"
#include "support_access.h"

using namespace access_test;

namespace {

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { resetLoader(); }
  void TearDown() override { resetLoader(); }

  // Writes the registry file that TARLOW_REGISTRY names for this test.
  void registry(const std::string& text) { writeFile(registryFile_, text); }

  // Runs InitOCI, expecting it to fail, and returns the message.
  std::string initFailure() {
    try {
      oci::InitOCI();
    } catch (const EOracleError& e) {
      ADD_FAILURE() << "an Oracle error instead of the plain initialisation error: " << e.what();
      return e.what();
    } catch (const EOracleException& e) {
      return e.what();
    }
    ADD_FAILURE() << "InitOCI succeeded";
    return {};
  }

  TempDir dir_;
  std::string registryFile_ = dir_ / "registry.ini";
  ScopedEnv registryEnv_{"TARLOW_REGISTRY", registryFile_};
  ScopedEnv oracleHome_{"ORACLE_HOME", std::nullopt};
  ScopedEnv path_{"PATH", std::string("/usr/bin:/bin")};
};

// ---- command-line values ----------------------------------------------------

struct CommandLineCase {
  std::vector<std::string> parameters;
  std::string name;
  std::string expected;
};

TEST(CommandLineValue, MatchesOnlyParametersThatBeginWithTheName) {
  const std::string longValue(300, 'x');
  const CommandLineCase cases[] = {
      {{"OCIDLL=/opt/oracle/lib/libclntsh.so"}, "OCIDLL", "/opt/oracle/lib/libclntsh.so"},
      {{"ocidll=/x/lib.so"}, "OCIDLL", "/x/lib.so"},                   // letter case ignored
      {{"OracleHome=OraHome81"}, "ORACLEHOME", "OraHome81"},           // value keeps its case
      {{"-x", "ORACLEHOME=a", "ORACLEHOME=b"}, "ORACLEHOME", "a"},     // the first one wins
      {{"MYOCIDLL=/x/lib.so"}, "OCIDLL", ""},                          // contains the name: no match
      {{"--ocidll=/x/lib.so"}, "OCIDLL", ""},
      {{"XORACLEHOME=abc", "ORACLEHOME=right"}, "ORACLEHOME", "right"},
      {{"OCIDLL"}, "OCIDLL", ""},                                      // no "="
      {{"OCIDLL="}, "OCIDLL", ""},                                     // empty value
      {{"OCIDLL=a=b"}, "OCIDLL", "a=b"},
      {{"OCIDLL=" + longValue}, "OCIDLL", std::string(255, 'x')},      // at most 255 characters
      {{}, "OCIDLL", ""},
  };
  for (const auto& c : cases) {
    platform::setCommandLine(c.parameters);
    EXPECT_EQ(oci::CommandLineValue(c.name), c.expected)
        << "parameters: " << (c.parameters.empty() ? "" : c.parameters[0]);
  }
  platform::setCommandLine(std::vector<std::string>{});
}

TEST(AppendPath, JoinsWithOneSlash) {
  EXPECT_EQ(oci::AppendPath("/opt/oracle", "bin"), "/opt/oracle/bin");
  EXPECT_EQ(oci::AppendPath("/opt/oracle/", "bin"), "/opt/oracle/bin");
  EXPECT_EQ(oci::AppendPath("", "bin"), "bin");
  EXPECT_EQ(oci::AppendPath("/", "lib"), "/lib");
}

// ---- registry -----------------------------------------------------------------

TEST_F(LoaderTest, RegistryValuesComeFromTheFileWithKeysInAnyCase) {
  registry(
      "[SOFTWARE\\ORACLE\\HOME0]\n"
      "ORACLE_HOME=/opt/oracle/product/19\n"
      "ORACLE_HOME_NAME = OraDb19Home1 \n"
      "[software\\oracle]\n"
      "TNS_ADMIN=/etc/oracle\n");
  EXPECT_EQ(oci::ReadRegString("SOFTWARE\\ORACLE\\HOME0", "ORACLE_HOME"), "/opt/oracle/product/19");
  EXPECT_EQ(oci::ReadRegString("Software\\Oracle\\Home0", "oracle_home_name"), "OraDb19Home1");
  EXPECT_EQ(oci::ReadRegString("SOFTWARE\\ORACLE", "TNS_ADMIN"), "/etc/oracle");
  EXPECT_EQ(oci::ReadRegString("SOFTWARE\\ORACLE", "ORACLE_HOME"), "");
  EXPECT_EQ(oci::ReadRegString("SOFTWARE\\ORACLE\\HOME1", "ORACLE_HOME"), "");
}

TEST_F(LoaderTest, WithoutARegistryFileOracleHomeComesFromTheEnvironment) {
  ScopedEnv noFile("TARLOW_REGISTRY", std::nullopt);
  ScopedEnv home("ORACLE_HOME", std::string("/u01/app/oracle"));
  ScopedEnv tns("TNS_ADMIN", std::string("/u01/tns"));
  EXPECT_EQ(oci::ReadRegString("SOFTWARE\\ORACLE", "ORACLE_HOME"), "/u01/app/oracle");
  // TNS_ADMIN is read from the environment by the names file code, not here.
  EXPECT_EQ(oci::ReadRegString("SOFTWARE\\ORACLE", "TNS_ADMIN"), "");
  EXPECT_EQ(oci::ReadRegString("SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER"), "");
  EXPECT_EQ(oci::FindOracleHome(), "SOFTWARE\\ORACLE");
}

TEST_F(LoaderTest, AMissingRegistryFileIsAnEmptyRegistry) {
  ScopedEnv home("ORACLE_HOME", std::string("/u01/app/oracle"));
  EXPECT_EQ(oci::ReadRegString("SOFTWARE\\ORACLE", "ORACLE_HOME"), "");
}

// ---- the Oracle home ------------------------------------------------------------

// Two homes: HOME0 "OraHome81" and HOME1 "DEFAULT_HOME", with their bin
// directories placed in PATH as each case says.
struct HomeCase {
  const char* what;
  std::string path;
  std::vector<std::string> parameters;
  const char* expectedKey;
};

TEST_F(LoaderTest, HomeChoiceFollowsPathPositionAndTheOracleHomeParameter) {
  registry(
      "[SOFTWARE\\ORACLE\\ALL_HOMES]\nHOME_COUNTER=2\n"
      "[SOFTWARE\\ORACLE\\HOME0]\nORACLE_HOME_NAME=OraHome81\nORACLE_HOME=/ora/h81\n"
      "[SOFTWARE\\ORACLE\\HOME1]\nORACLE_HOME_NAME=DEFAULT_HOME\nORACLE_HOME=/ora/def\n"
      "[SOFTWARE\\ORACLE]\nORACLE_HOME=/ora/plain\n");
  // Two homes on the PATH: DEFAULT_HOME's bin at position 5, OraHome81's at 40.
  const std::string table = "/ab:/ora/def/bin:/" + std::string(20, 'x') + ":/ora/h81/bin";
  ASSERT_EQ(table.find("/ora/def/bin") + 1, 5u);
  ASSERT_EQ(table.find("/ora/h81/bin") + 1, 40u);
  const HomeCase cases[] = {
      {"DEFAULT_HOME earlier in PATH", table, {}, "SOFTWARE\\ORACLE\\HOME1"},
      {"OraHome81 earlier in PATH", "/usr/bin:/ora/h81/bin:/ora/def/bin", {}, "SOFTWARE\\ORACLE\\HOME0"},
      {"parameter beats PATH", table, {"ORACLEHOME=orahome81"}, "SOFTWARE\\ORACLE\\HOME0"},
      {"parameter names DEFAULT_HOME", "/ora/h81/bin", {"oraclehome=default_home"}, "SOFTWARE\\ORACLE\\HOME1"},
      // Neither bin directory in PATH: the last home walked in sorted order
      // (DEFAULT_HOME, OraHome81) is taken.
      {"no bin in PATH", "/usr/bin:/bin", {}, "SOFTWARE\\ORACLE\\HOME0"},
      {"unknown parameter falls back to PATH", "/x:/ora/def/bin", {"ORACLEHOME=nosuch"}, "SOFTWARE\\ORACLE\\HOME1"},
      // A bin directory at the very start of PATH counts (position 1).
      {"bin at the start of PATH", "/ora/def/bin:/ora/h81/bin", {}, "SOFTWARE\\ORACLE\\HOME1"},
  };
  for (const auto& c : cases) {
    resetLoader();
    ScopedEnv path("PATH", c.path);
    platform::setCommandLine(c.parameters);
    EXPECT_EQ(oci::FindOracleHome(), c.expectedKey) << c.what;
  }
}

TEST_F(LoaderTest, TheHomeKeyIsComputedOnceUntilUnload) {
  registry(
      "[SOFTWARE\\ORACLE\\ALL_HOMES]\nHOME_COUNTER=1\n"
      "[SOFTWARE\\ORACLE\\HOME0]\nORACLE_HOME_NAME=Only\nORACLE_HOME=/ora/only\n");
  EXPECT_EQ(oci::FindOracleHome(), "SOFTWARE\\ORACLE\\HOME0");
  registry("[SOFTWARE\\ORACLE]\nORACLE_HOME=/ora/plain\n");
  EXPECT_EQ(oci::FindOracleHome(), "SOFTWARE\\ORACLE\\HOME0");
  oci::UnloadOCI();
  EXPECT_EQ(oci::FindOracleHome(), "SOFTWARE\\ORACLE");
}

struct CounterCase {
  const char* counterLine;
  const char* expectedKey;
};

TEST_F(LoaderTest, HomeCounterAbsentOrNotANumberMeansNoHomes) {
  const CounterCase cases[] = {
      {"", "SOFTWARE\\ORACLE"},
      {"HOME_COUNTER=\n", "SOFTWARE\\ORACLE"},
      {"HOME_COUNTER=two\n", "SOFTWARE\\ORACLE"},
      {"HOME_COUNTER=0\n", "SOFTWARE\\ORACLE\\HOME0"},  // raised to 1: HOME0 is still read
      {"HOME_COUNTER=-3\n", "SOFTWARE\\ORACLE\\HOME0"},
      {"HOME_COUNTER=1\n", "SOFTWARE\\ORACLE\\HOME0"},
  };
  for (const auto& c : cases) {
    resetLoader();
    registry(std::string("[SOFTWARE\\ORACLE\\ALL_HOMES]\n") + c.counterLine +
             "[SOFTWARE\\ORACLE\\HOME0]\nORACLE_HOME_NAME=H0\nORACLE_HOME=/ora/h0\n"
             "[SOFTWARE\\ORACLE]\nORACLE_HOME=/ora/plain\n");
    EXPECT_EQ(oci::FindOracleHome(), c.expectedKey) << c.counterLine;
  }
}

TEST_F(LoaderTest, AHomeWithoutOracleHomeFallsBackToTheOracleKey) {
  registry(
      "[SOFTWARE\\ORACLE\\ALL_HOMES]\nHOME_COUNTER=1\n"
      "[SOFTWARE\\ORACLE\\HOME0]\nORACLE_HOME_NAME=Broken\n"
      "[SOFTWARE\\ORACLE]\nORACLE_HOME=/ora/plain\n");
  EXPECT_EQ(oci::FindOracleHome(), "SOFTWARE\\ORACLE");
}

TEST_F(LoaderTest, DuplicateHomeNamesKeepTheFirst) {
  registry(
      "[SOFTWARE\\ORACLE\\ALL_HOMES]\nHOME_COUNTER=2\n"
      "[SOFTWARE\\ORACLE\\HOME0]\nORACLE_HOME_NAME=Same\nORACLE_HOME=/ora/a\n"
      "[SOFTWARE\\ORACLE\\HOME1]\nORACLE_HOME_NAME=SAME\nORACLE_HOME=/ora/b\n");
  ScopedEnv path("PATH", std::string("/x:/ora/b/bin"));
  // HOME1 is dropped, so its earlier PATH position cannot win.
  EXPECT_EQ(oci::FindOracleHome(), "SOFTWARE\\ORACLE\\HOME0");
}

// ---- candidate files and failures ------------------------------------------------

TEST_F(LoaderTest, NoOracleHomeAnywhereTriesTheSystemSearchPathThenReportsNotInstalled) {
  void* system = ::dlopen("libclntsh.so", RTLD_NOW | RTLD_LOCAL);
  if (system) {
    ::dlclose(system);
    GTEST_SKIP() << "this machine has a libclntsh.so on the loader's search path";
  }
  registry("[SOFTWARE\\ORACLE\\ALL_HOMES]\nHOME_COUNTER=1\n[SOFTWARE\\ORACLE\\HOME0]\nORACLE_HOME_NAME=X\n");
  std::string message = initFailure();
  std::vector<std::string> log = lines(message);
  ASSERT_EQ(log.size(), 7u) << message;
  // The last line names the system loader's reason after the call.
  EXPECT_EQ(log.back().rfind("LoadLibrary(libclntsh.so) returned 0: libclntsh.so: cannot open shared object file", 0), 0u)
      << log.back();
  log.pop_back();
  EXPECT_EQ(log, (std::vector<std::string>{"Initialization error", "SQL*Net not properly installed", "",
                                           "OracleHomeKey: SOFTWARE\\ORACLE", "OracleHomeDir: ",
                                           "Using: libclntsh.so"}));
  EXPECT_FALSE(oci::OCILoaded());
  EXPECT_EQ(oci::OCIDLL(), "");  // chosen automatically, so forgotten
  EXPECT_EQ(oci::OracleHomeKey(), "");
}

TEST_F(LoaderTest, AHomeWithoutLibrariesCannotLocateTheClient) {
  makeDirs(dir_ / "home/lib");
  writeFile(dir_ / "home/lib/libclntsh.so.abc", "");  // does not parse: ignored
  writeFile(dir_ / "home/lib/libclntsh.so.0.0", "");  // not above 0: ignored
  writeFile(dir_ / "home/lib/libocci.so.19.1", "");
  registry("[SOFTWARE\\ORACLE]\nORACLE_HOME=" + dir_.path() + "/home\n");
  std::string message = initFailure();
  EXPECT_EQ(lines(message),
            (std::vector<std::string>{"Initialization error", "Could not locate OCI dll", "",
                                      "OracleHomeKey: SOFTWARE\\ORACLE", "OracleHomeDir: " + dir_.path() + "/home"}));
}

struct CandidateCase {
  const char* what;
  std::vector<std::string> files;
  std::string chosen;
};

TEST_F(LoaderTest, TheCandidateChoiceIsThePlainNameElseTheHighestVersion) {
  const CandidateCase cases[] = {
      {"plain name wins", {"libclntsh.so.19.3", "libclntsh.so", "libclntsh.so.12.1"}, "libclntsh.so"},
      {"highest version", {"libclntsh.so.12.1", "libclntsh.so.19.3", "libclntsh.so.11.2"}, "libclntsh.so.19.3"},
      {"numbers, not text", {"libclntsh.so.9.2", "libclntsh.so.10.1"}, "libclntsh.so.10.1"},
      {"part by part", {"libclntsh.so.19.10", "libclntsh.so.19.9"}, "libclntsh.so.19.10"},
      {"more parts win a tie", {"libclntsh.so.19", "libclntsh.so.19.1"}, "libclntsh.so.19.1"},
      {"broken names ignored", {"libclntsh.so.x1", "libclntsh.so.8.0", "libclntsh.so.1.a"}, "libclntsh.so.8.0"},
  };
  for (const auto& c : cases) {
    resetLoader();
    TempDir home;
    for (const auto& f : c.files) writeFile(home / ("lib/" + f), "not a library");
    registry("[SOFTWARE\\ORACLE]\nORACLE_HOME=" + home.path() + "\n");
    std::string message = initFailure();
    std::string chosen = home / ("lib/" + c.chosen);
    auto log = lines(message);
    ASSERT_GE(log.size(), 3u) << c.what;
    EXPECT_EQ(log[1], "Could not load \"" + chosen + "\"") << c.what;
    EXPECT_EQ(log.back(), "LoadLibrary(" + chosen + ") returned 0: " + chosen + ": file too short to be a shared library")
        << c.what;
    EXPECT_NE(message.find("\r\nUsing: " + chosen + "\r\n"), std::string::npos) << c.what;
    for (const auto& f : c.files) {
      bool listed = message.find("\r\nFound: " + f + "\r\n") != std::string::npos;
      bool parses = f == "libclntsh.so" || f.find_first_not_of("0123456789.", 13) == std::string::npos;
      EXPECT_EQ(listed, parses) << c.what << ": " << f;
    }
    if (std::find(c.files.begin(), c.files.end(), "libclntsh.so") != c.files.end()) {
      EXPECT_EQ(log[5], "Found: libclntsh.so") << "the plain name is listed first";
    }
    EXPECT_EQ(oci::OCIDLL(), "") << "an automatic choice is forgotten after a failure";
  }
}

TEST_F(LoaderTest, AForcedLibraryIsLoggedAloneAndTriedAgainAfterAFailure) {
  std::string forced = dir_ / "nowhere/libclntsh.so";
  platform::setCommandLine({"OCIDLL=" + forced});
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::string message = initFailure();
    const std::string failed = "LoadLibrary(" + forced + ") returned 0: " + forced +
                               ": cannot open shared object file: No such file or directory";
    EXPECT_EQ(lines(message), (std::vector<std::string>{"Initialization error", "Could not load \"" + forced + "\"",
                                                        "", "OCIDLL forced to " + forced, failed}));
    EXPECT_EQ(oci::OCIDLL(), forced);
    EXPECT_EQ(oci::InitLog(), "OCIDLL forced to " + forced + "\r\n" + failed);
  }
}

TEST_F(LoaderTest, APresetLibraryCountsAsForcedAndSurvivesUnloading) {
  std::string preset = dir_ / "missing.so";
  oci::SetOCIDLL(preset);
  std::string message = initFailure();
  EXPECT_NE(message.find("OCIDLL forced to " + preset), std::string::npos);
  oci::UnloadOCI();
  EXPECT_EQ(oci::OCIDLL(), preset);
}

TEST_F(LoaderTest, ALibraryWithNeitherInterfaceCannotBeInitialized) {
  // Any loadable library without the client's entry points will do.
  std::string other;
  for (const char* candidate : {"/lib/x86_64-linux-gnu/libz.so.1", "/usr/lib/x86_64-linux-gnu/libz.so.1",
                                "/lib/libz.so.1", "/usr/lib/libz.so.1"})
    if (platform::fileExists(candidate)) other = candidate;
  if (other.empty()) GTEST_SKIP() << "no libz.so.1 to stand for a foreign library";
  copyFile(other, dir_ / "home/lib/libclntsh.so");
  registry("[SOFTWARE\\ORACLE]\nORACLE_HOME=" + dir_.path() + "/home\n");
  std::string message = initFailure();
  std::string path = dir_ / "home/lib/libclntsh.so";
  EXPECT_EQ(lines(message), (std::vector<std::string>{"Initialization error", "Could not initialize \"" + path + "\"",
                                                      "", "OracleHomeKey: SOFTWARE\\ORACLE",
                                                      "OracleHomeDir: " + dir_.path() + "/home",
                                                      "Found: libclntsh.so", "Using: " + path}));
  EXPECT_FALSE(oci::OCILoaded());
  EXPECT_FALSE(oci::OCI7Available());
  EXPECT_FALSE(oci::OCI8Available());
  EXPECT_EQ(oci::api().OCIHandleAlloc, nullptr);
}

TEST_F(LoaderTest, AFailedRetryPutsTheWorkingDirectoryBackWhenTheLogonEnds) {
  std::string before = platform::currentDirectory();
  std::string forced = dir_ / "lib/libclntsh.so";
  makeDirs(dir_ / "lib");
  platform::setCommandLine({"OCIDLL=" + forced});
  initFailure();
  // The retry ran from the library's own folder.
  EXPECT_EQ(platform::currentDirectory(), dir_ / "lib");
  oci::RestoreCurrentDir();
  EXPECT_EQ(platform::currentDirectory(), before);
}

TEST_F(LoaderTest, TheWorkingDirectoryStaysWhereSomethingElseMovedIt) {
  std::string before = platform::currentDirectory();
  makeDirs(dir_ / "lib");
  makeDirs(dir_ / "elsewhere");
  platform::setCommandLine({"OCIDLL=" + (dir_ / "lib/libclntsh.so")});
  initFailure();
  ASSERT_TRUE(platform::setCurrentDirectory(dir_ / "elsewhere"));
  oci::RestoreCurrentDir();
  EXPECT_EQ(platform::currentDirectory(), dir_ / "elsewhere");
  platform::setCurrentDirectory(before);
}

TEST_F(LoaderTest, TheTransactionServerLibraryCannotBeLocated) {
  platform::setCommandLine({"OCIDLL=" + (dir_ / "lib/libclntsh.so")});
  // Without a client library the load fails first.
  try {
    oci::InitMTS();
    FAIL() << "InitMTS succeeded";
  } catch (const EOracleException& e) {
    EXPECT_EQ(lines(e.what())[1], "Could not load \"" + (dir_ / "lib/libclntsh.so") + "\"");
  }
}

}  // namespace
