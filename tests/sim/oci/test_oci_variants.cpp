// The library variants export exactly the entry-point groups they stand for.
#include <set>

#include "oci_client.h"

namespace {

std::vector<std::string> names(const char* group) {
  std::vector<std::string> out;
#define OCITEST_NAME(name, ret, params) out.push_back(#name);
  if (std::string(group) == "oci7") {
    OCI7_ENTRY_POINTS(OCITEST_NAME)
    OCI7_LOGON_ENTRY_POINTS(OCITEST_NAME)
    OCI7_PINIT_ENTRY_POINTS(OCITEST_NAME)
  } else if (std::string(group) == "oci8") {
    OCI8_ENTRY_POINTS(OCITEST_NAME)
  } else {
    OCI81_ENTRY_POINTS(OCITEST_NAME)
  }
#undef OCITEST_NAME
  return out;
}

struct VariantCase {
  const char* file;
  bool oci7, oci8, oci81;
  std::set<std::string> missing;  // names left out of a group that is otherwise there
};

const VariantCase kVariants[] = {
    {"libocisim.so", true, true, true, {}},
    {"libclntsh.so.19.1", true, true, true, {}},
    {"libocisim_oci7.so", true, false, false, {}},
    {"libocisim_oci80.so", true, true, false, {}},
    {"libocisim_broken.so", true, true, true, {"oexn", "OCIStmtPrepare"}},
};

TEST(OciVariants, ExportExactlyTheirGroups) {
  for (const auto& v : kVariants) {
    SCOPED_TRACE(v.file);
    std::string path = std::string(TARLOW_LIB_DIR) + "/" + v.file;
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    for (auto [group, present] : {std::pair{"oci7", v.oci7}, std::pair{"oci8", v.oci8}, std::pair{"oci81", v.oci81}}) {
      for (const auto& name : names(group)) {
        bool want = present && v.missing.count(name) == 0;
        EXPECT_EQ(dlsym(lib, name.c_str()) != nullptr, want) << group << " " << name;
      }
    }
    // Nothing of the engine leaks out.
    EXPECT_EQ(dlsym(lib, "_ZN6ocisim6attachERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE"), nullptr);
    dlclose(lib);
  }
}

TEST(OciVariants, Oci7OnlyClientStillLogsOn) {
  ocitest::TempDatabase db;
  ocitest::Client c("libocisim_oci7.so");
  ASSERT_NE(c.lib, nullptr);
  ASSERT_EQ(c.OCIEnvCreate, nullptr);
  EXPECT_EQ(c.opinit(0), 0);
  Lda_Def lda{};
  ub1 hda[256] = {0};
  EXPECT_EQ(c.olog(&lda, hda, reinterpret_cast<OraText*>(const_cast<char*>("scott/tiger@TESTDB")), -1, nullptr, -1,
                   nullptr, -1, 0),
            0);
  EXPECT_EQ(c.ologof(&lda), 0);
}

}  // namespace
