// Loading the stand-in client library through the real loader: forced by
// OCIDLL=, found in an Oracle home (from the registry file or from
// ORACLE_HOME), loaded once, unloaded, and loaded again after a failure.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "oracle/errors.h"
#include "oracle/loader.h"
#include "platform/environment.h"
#include "support/test_files.h"
#include "support_access.h"

using namespace access_test;

namespace {

class StandInLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetLoader();
    library_ = standInLibrary();
    if (library_.empty()) GTEST_SKIP() << "the stand-in client library (target sim_all) has not been built";
  }
  void TearDown() override { resetLoader(); }

  void registry(const std::string& text) { writeFile(registryFile_, text); }

  std::string library_;
  TempDir dir_;
  std::string registryFile_ = dir_ / "registry.ini";
  ScopedEnv registryEnv_{"TARLOW_REGISTRY", registryFile_};
  ScopedEnv oracleHome_{"ORACLE_HOME", std::nullopt};
};

TEST_F(StandInLoaderTest, AForcedLibraryLoadsWithEveryGroupAndASecondInitDoesNothing) {
  platform::setCommandLine({"OCIDLL=" + library_});
  oci::InitOCI();
  ASSERT_TRUE(oci::OCILoaded());
  EXPECT_TRUE(oci::OCI7Available());
  EXPECT_TRUE(oci::OLogAvailable());
  EXPECT_TRUE(oci::OPInitAvailable());
  EXPECT_TRUE(oci::OCI8Available());
  EXPECT_TRUE(oci::OCI81Available());
  EXPECT_EQ(oci::InitLog(), "OCIDLL forced to " + library_);
  auto prepare = oci::api().OCIStmtPrepare;
  EXPECT_NE(prepare, nullptr);
  EXPECT_NE(oci::api().OCIDirPathStreamReset, nullptr);
  EXPECT_NE(oci::api().olog, nullptr);

  oci::InitOCI();
  EXPECT_TRUE(oci::OCILoaded());
  EXPECT_EQ(oci::api().OCIStmtPrepare, prepare);
  EXPECT_EQ(oci::InitLog(), "OCIDLL forced to " + library_);
}

TEST_F(StandInLoaderTest, ThreadsLoadingAtOnceLoadOnce) {
  oci::SetOCIDLL(library_);
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&] {
      try {
        oci::InitOCI();
      } catch (...) {
        ++failures;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_TRUE(oci::OCILoaded());
  EXPECT_EQ(oci::InitLog(), "OCIDLL forced to " + library_);
}

TEST_F(StandInLoaderTest, UnloadClearsTheTableAndAForcedLibrarySurvives) {
  oci::SetOCIDLL(library_);
  oci::InitOCI();
  oci::UnloadOCI();
  EXPECT_FALSE(oci::OCILoaded());
  EXPECT_FALSE(oci::OCI8Available());
  EXPECT_FALSE(oci::OCI7Available());
  EXPECT_EQ(oci::api().OCIHandleAlloc, nullptr);
  EXPECT_EQ(oci::OCIDLL(), library_);
  oci::InitOCI();
  EXPECT_TRUE(oci::OCILoaded());
}

TEST_F(StandInLoaderTest, TheHighestVersionInTheHomeIsLoaded) {
  copyFile(library_, dir_ / "home/lib/libclntsh.so.12.1");
  copyFile(library_, dir_ / "home/lib/libclntsh.so.19.3");
  writeFile(dir_ / "home/lib/libclntsh.so.9.9", "not a library");
  registry(
      "[SOFTWARE\\ORACLE\\ALL_HOMES]\nHOME_COUNTER=1\n"
      "[SOFTWARE\\ORACLE\\HOME0]\nORACLE_HOME_NAME=OraDb19\nORACLE_HOME=" +
      dir_.path() + "/home\n");
  oci::InitOCI();
  EXPECT_TRUE(oci::OCILoaded());
  std::string chosen = dir_ / "home/lib/libclntsh.so.19.3";
  EXPECT_EQ(oci::OCIDLL(), chosen);
  EXPECT_EQ(oci::OracleHomeKey(), "SOFTWARE\\ORACLE\\HOME0");
  EXPECT_EQ(oci::OracleHomeDir(), dir_ / "home");
  EXPECT_EQ(lines(oci::InitLog()),
            (std::vector<std::string>{"OracleHomeKey: SOFTWARE\\ORACLE\\HOME0", "OracleHomeDir: " + dir_.path() + "/home",
                                      "Found: libclntsh.so.12.1", "Found: libclntsh.so.19.3",
                                      "Found: libclntsh.so.9.9", "Using: " + chosen}));
  // An automatic choice is made again after unloading.
  oci::UnloadOCI();
  EXPECT_EQ(oci::OCIDLL(), "");
}

TEST_F(StandInLoaderTest, OracleHomeFromTheEnvironmentWithoutARegistryFile) {
  ScopedEnv noFile("TARLOW_REGISTRY", std::nullopt);
  ScopedEnv home("ORACLE_HOME", dir_ / "home");
  copyFile(library_, dir_ / "home/lib/libclntsh.so");
  copyFile(library_, dir_ / "home/lib/libclntsh.so.19.3");
  oci::InitOCI();
  EXPECT_EQ(oci::OCIDLL(), dir_ / "home/lib/libclntsh.so");
  EXPECT_EQ(oci::OracleHomeKey(), "SOFTWARE\\ORACLE");
}

TEST_F(StandInLoaderTest, ASecondLoadAfterAFailureSearchesAgain) {
  makeDirs(dir_ / "home/lib");
  registry("[SOFTWARE\\ORACLE]\nORACLE_HOME=" + dir_.path() + "/home\n");
  EXPECT_THROW(oci::InitOCI(), EOracleException);
  EXPECT_FALSE(oci::OCILoaded());
  EXPECT_EQ(oci::OracleHomeDir(), "");
  copyFile(library_, dir_ / "home/lib/libclntsh.so.19.3");
  oci::InitOCI();
  EXPECT_TRUE(oci::OCILoaded());
  EXPECT_EQ(oci::OCIDLL(), dir_ / "home/lib/libclntsh.so.19.3");
}

TEST_F(StandInLoaderTest, AFailedForcedLibraryIsTriedAgainUnchanged) {
  std::string forced = dir_ / "lib/libocisim.so";
  platform::setCommandLine({"OCIDLL=" + forced});
  EXPECT_THROW(oci::InitOCI(), EOracleException);
  copyFile(library_, forced);
  oci::InitOCI();
  EXPECT_TRUE(oci::OCILoaded());
  EXPECT_EQ(oci::OCIDLL(), forced);
  oci::RestoreCurrentDir();
}

TEST_F(StandInLoaderTest, TheTransactionServerLibraryCannotBeLocated) {
  oci::SetOCIDLL(library_);
  try {
    oci::InitMTS();
    FAIL() << "InitMTS succeeded";
  } catch (const EOracleException& e) {
    EXPECT_EQ(std::string(e.what()), "Initialization error\r\nCould not locate \"" +
                                         platform::directoryPart(library_) + "/libclntsh_mts.so\"");
  }
  EXPECT_FALSE(oci::MTSLoaded());
  EXPECT_TRUE(oci::OCILoaded());  // the client library itself stays loaded
}

// A client library cut short (a failed copy or download) would crash the
// program inside the system loader; it is refused with the reason instead.
TEST_F(StandInLoaderTest, ACutLibraryIsRefusedWithTheReason) {
  const std::string whole = test_files::ReadAll(library_);
  for (const size_t keep : {size_t{4096}, size_t{20}, size_t{0}}) {
    SCOPED_TRACE(keep);
    resetLoader();
    const std::string cut = dir_ / ("cut" + std::to_string(keep) + "/libclntsh.so");
    writeFile(cut, whole.substr(0, keep));
    platform::setCommandLine({"OCIDLL=" + cut});
    try {
      oci::InitOCI();
      FAIL() << "a cut library loaded";
    } catch (const EOracleException& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("Could not load \"" + cut + "\""), std::string::npos) << message;
      EXPECT_NE(message.find("LoadLibrary(" + cut + ") returned 0: " + cut + ": "), std::string::npos) << message;
      EXPECT_NE(message.find(keep == 4096 ? "cut short" : "too short"), std::string::npos) << message;
    }
    EXPECT_FALSE(oci::OCILoaded());
  }
}

}  // namespace
