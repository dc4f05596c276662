// Group binding against the stand-in's variants: an OCI7-only client, an
// 8.0 client, and one with neither group complete.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include "oracle/errors.h"
#include "oracle/loader.h"
#include "platform/environment.h"
#include "support_access.h"

using namespace access_test;

namespace {

struct VariantCase {
  const char* variant;
  bool oci7, olog, opinit, oci8, oci81;
};

class VariantTest : public ::testing::Test {
 protected:
  void SetUp() override { resetLoader(); }
  void TearDown() override { resetLoader(); }
};

TEST_F(VariantTest, EachVariantOffersItsGroups) {
  const VariantCase cases[] = {
      {"", true, true, true, true, true},
      {"_oci7", true, true, true, false, false},
      {"_oci80", true, true, true, true, false},
  };
  for (const auto& c : cases) {
    std::string library = standInLibrary(c.variant);
    if (library.empty()) GTEST_SKIP() << "the stand-in variant libocisim" << c.variant << ".so has not been built";
    resetLoader();
    oci::SetOCIDLL(library);
    oci::InitOCI();
    EXPECT_EQ(oci::OCI7Available(), c.oci7) << c.variant;
    EXPECT_EQ(oci::OLogAvailable(), c.olog) << c.variant;
    EXPECT_EQ(oci::OPInitAvailable(), c.opinit) << c.variant;
    EXPECT_EQ(oci::OCI8Available(), c.oci8) << c.variant;
    EXPECT_EQ(oci::OCI81Available(), c.oci81) << c.variant;
    EXPECT_EQ(oci::api().OCIEnvCreate != nullptr, c.oci81) << c.variant;
    // The datetime descriptors' calls come with the later clients only.
    EXPECT_EQ(oci::api().OCIDateTimeGetDate != nullptr, c.oci81) << c.variant;
    EXPECT_EQ(oci::api().OCIInitialize != nullptr, c.oci8) << c.variant;
    EXPECT_EQ(oci::api().OCICacheFlush != nullptr, c.oci8) << c.variant;
    EXPECT_NE(oci::api().odessp, nullptr) << c.variant;
  }
}

TEST_F(VariantTest, NeitherCompleteGroupCannotBeInitialized) {
  std::string library = standInLibrary("_broken");
  if (library.empty()) GTEST_SKIP() << "the stand-in variant libocisim_broken.so has not been built";
  oci::SetOCIDLL(library);
  try {
    oci::InitOCI();
    FAIL() << "InitOCI succeeded";
  } catch (const EOracleException& e) {
    EXPECT_EQ(std::string(e.what()), "Initialization error\r\nCould not initialize \"" + library +
                                         "\"\r\n\r\nOCIDLL forced to " + library);
  }
  EXPECT_FALSE(oci::OCILoaded());
  EXPECT_EQ(oci::api().orlon, nullptr) << "the table is cleared with the library";
}

TEST_F(VariantTest, NamesBeforeAGapKeepTheirPointersAndLaterOnesAreNotLookedUp) {
  std::string library = standInLibrary("_broken");
  if (library.empty()) GTEST_SKIP() << "the stand-in variant libocisim_broken.so has not been built";
  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << ::dlerror();
  oci::Api api;
  oci::Availability groups = oci::BindEntryPoints(handle, api);
  // The broken client lacks oexn and OCIStmtPrepare.
  EXPECT_FALSE(groups.OCI7);
  EXPECT_FALSE(groups.OLog);
  EXPECT_FALSE(groups.OPInit);
  EXPECT_FALSE(groups.OCI8);
  EXPECT_FALSE(groups.OCI81);
  EXPECT_NE(api.orlon, nullptr);
  EXPECT_NE(api.oexec, nullptr);
  EXPECT_EQ(api.oexn, nullptr);
  EXPECT_EQ(api.ocom, nullptr) << "looked up after the gap";
  EXPECT_EQ(api.olog, nullptr) << "the logon group follows an incomplete OCI7 group";
  EXPECT_EQ(api.opinit, nullptr);
  EXPECT_NE(api.OCIInitialize, nullptr);
  EXPECT_NE(api.OCIPasswordChange, nullptr);
  EXPECT_EQ(api.OCIStmtPrepare, nullptr);
  EXPECT_EQ(api.OCIErrorGet, nullptr) << "looked up after the gap";
  EXPECT_EQ(api.OCIEnvCreate, nullptr);
  ::dlclose(handle);
}

}  // namespace
