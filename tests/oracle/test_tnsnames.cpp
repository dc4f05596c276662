// The net service name list: the scanner on a table of small files, include
// files and include loops, and where the names file is looked for.
#include "oracle/tnsnames.h"

#include <gtest/gtest.h>

#include "support/test_files.h"
#include <stdlib.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "oracle/loader.h"
#include "platform/environment.h"

namespace {

using Names = std::vector<std::string>;

using test_files::TempDir;

Names ParseOnly(const std::string& file) {
  oci::ResetNetServiceNames();
  oci::ParseTnsNames(file);
  return oci::NetServiceNames();
}

struct ScanCase {
  const char* name;
  std::string text;
  Names names;
};

class Scanner : public ::testing::TestWithParam<ScanCase> {};

TEST_P(Scanner, CollectsTopLevelNames) {
  TempDir dir;
  EXPECT_EQ(ParseOnly(dir.Write("tnsnames.ora", GetParam().text)), GetParam().names);
}

const std::string kSales =
    "SALES.WORLD =\n"
    "  (DESCRIPTION =\n"
    "    (ADDRESS_LIST =\n"
    "      (ADDRESS =\n"
    "        (PROTOCOL = TCP)\n"
    "        (HOST = sales-db)\n"
    "        (PORT = 1521)\n"
    "      )\n"
    "    )\n"
    "    (CONNECT_DATA = (SID = SALES))\n"
    "  )\n";

INSTANTIATE_TEST_SUITE_P(
    Files, Scanner,
    ::testing::Values(
        ScanCase{"MultiLineDescriptionsSorted", kSales + "HR = (DESCRIPTION = (ADDRESS = (HOST = h)))\n",
                 {"HR", "SALES"}},
        ScanCase{"SameNameIgnoringCaseKeepsTheFirst", "sales.world = (x)\nSALES = (y)\n", {"sales"}},
        ScanCase{"WorldCutAnywhereInTheName", "A.WORLD.COM = (x)\nb.World = (y)\n", {"A", "b"}},
        ScanCase{"CommentLineAddsNothing", "#HIDDEN = (DESCRIPTION = (x))\n", {}},
        ScanCase{"IndentedHashIsNoComment", " #SHOWN = (DESCRIPTION = (x))\n", {"#SHOWN"}},
        ScanCase{"EqualsOnTheNextLineGivesAnEmptyName", "LONELY\n= (DESCRIPTION = (x))\n", {""}},
        ScanCase{"TabsAndControlCharactersDropped", "\tTAB\t=\t(x)\n", {"TAB"}},
        ScanCase{"CrLfAndLoneCrBreakLines", "A = (x)\r\nB = (y)\rC = (z)", {"A", "B", "C"}},
        ScanCase{"SurplusCloseStopsTheRestOfTheFile", "A = (x))\nB = (y)\nC = (z)\n", {"A"}},
        ScanCase{"TextWithoutEqualsIgnored", "just words\n(FOO = BAR)\nD = (x)\n", {"D"}},
        ScanCase{"CaseIgnoringOrder", "b = (x)\nA = (x)\nc = (x)\n", {"A", "b", "c"}},
        ScanCase{"EmptyFile", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NameFile, MissingFileAddsNothing) {
  TempDir dir;
  EXPECT_EQ(ParseOnly(dir.path() + "/absent.ora"), Names{});
}

TEST(NameFile, IncludeFilesJoinTheSameList) {
  TempDir dir;
  const std::string deep = dir.Write("sub/deep.ora", "DEEP = (x)\n");
  const std::string inner = dir.Write("inner.ora", "INNER = (x)\nIFILE = " + deep + "\n");
  const std::string split = dir.Write("split.ora", "SPLIT = (x)\n");
  const std::string top = dir.Write(
      "tnsnames.ora", "TOP = (x)\nIFILE = " + inner + "\n" + "ifile =\n  " + split + "\n" +
                          "IFILE = " + dir.path() + "/missing.ora\n" + "LAST = (x)\n");
  EXPECT_EQ(ParseOnly(top), (Names{"DEEP", "INNER", "LAST", "SPLIT", "TOP"}));
}

TEST(NameFile, IncludeLoopsAreReadOnce) {
  TempDir dir;
  // A file that includes itself, and two files that include each other
  // (one of them through a path that names it differently).
  const std::string self = dir.path() + "/self.ora";
  dir.Write("self.ora", "SELF = (x)\nIFILE = " + self + "\n");
  EXPECT_EQ(ParseOnly(self), Names{"SELF"});

  const std::string a = dir.path() + "/a.ora";
  const std::string b = dir.path() + "/b.ora";
  dir.Write("a.ora", "A = (x)\nIFILE = " + b + "\n");
  dir.Write("b.ora", "B = (x)\nIFILE = " + dir.path() + "/./a.ora\nIFILE = " + b + "\n");
  EXPECT_EQ(ParseOnly(a), (Names{"A", "B"}));
}

TEST(NameFile, UnreadableFileThrowsAndKeepsEarlierNames) {
  // /proc/self/mem exists as a regular file but its first page cannot be
  // read, which stands for a file that fails while it is read.
  if (!platform::fileExists("/proc/self/mem")) GTEST_SKIP() << "no /proc/self/mem";
  TempDir dir;
  const std::string top = dir.Write("tnsnames.ora", "FIRST = (x)\nIFILE = /proc/self/mem\nLAST = (x)\n");
  oci::ResetNetServiceNames();
  EXPECT_THROW(oci::ParseTnsNames(top), std::system_error);
  EXPECT_EQ(oci::NetServiceNames(), Names{"FIRST"});
}

// ---- files no names file should be, and sizes no names file reaches -------

TEST(NameFile, AVeryLongIncludeChainIsReadWhole) {
  // Each file names one alias and includes the next: the chain is followed
  // without the program's stack growing with it.
  TempDir dir;
  constexpr int kFiles = 20000;
  for (int i = 0; i < kFiles; ++i) {
    std::string text = "N" + std::to_string(i) + " = (x)\n";
    if (i + 1 < kFiles) text += "IFILE = " + dir.path() + "/f" + std::to_string(i + 1) + ".ora\n";
    dir.Write("f" + std::to_string(i) + ".ora", text);
  }
  const Names names = ParseOnly(dir.path() + "/f0.ora");
  ASSERT_EQ(names.size(), static_cast<size_t>(kFiles));
  EXPECT_EQ(names.front(), "N0");
}

TEST(NameFile, IncludesAreReadWhereTheyAreNamed) {
  // An include's names come before the names after it; the order only shows
  // in which of two names equal but for case is kept.
  TempDir dir;
  const std::string inner = dir.Write("inner.ora", "shared = (x)\n");
  const std::string top = dir.Write("top.ora", "IFILE = " + inner + "\nSHARED = (x)\n");
  EXPECT_EQ(ParseOnly(top), Names{"shared"});
}

TEST(NameFile, AHugeFileIsRefusedByNameBeforeItIsRead) {
  TempDir dir;
  const std::string huge = dir.File("huge.ora");
  {
    std::ofstream(huge) << "";
    std::filesystem::resize_file(huge, 20ull << 30);  // sparse: takes no room
  }
  const std::string top = dir.Write("tnsnames.ora", "FIRST = (x)\nIFILE = " + huge + "\nLAST = (x)\n");
  oci::ResetNetServiceNames();
  try {
    oci::ParseTnsNames(top);
    FAIL() << "a 20 GB names file was read";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(huge), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("at most 4 MB"), std::string::npos) << e.what();
  }
  EXPECT_EQ(oci::NetServiceNames(), Names{"FIRST"});
}

// Files are opened without waiting, so a file that has nothing to give yet
// (the kernel log, which calls itself a regular file) ends in an error
// rather than a hang; reading that one here would take the system's
// messages away from it, so only the pipe is tried.
TEST(NameFile, FilesThatWouldBlockAreNotWaitedFor) {
  TempDir dir;
  // A pipe with no writer is no regular file: it is passed over like a
  // missing file, and the names after it still count.
  const std::string fifo = dir.File("pipe.ora");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string top = dir.Write("tnsnames.ora", "FIRST = (x)\nIFILE = " + fifo + "\nLAST = (x)\n");
  EXPECT_EQ(ParseOnly(top), (Names{"FIRST", "LAST"}));

}

TEST(NameFile, ManyAliasesKeepTheListsOrderAndTheFirstOfEachName) {
  // Against the list built one name at a time, as it was before.
  TempDir dir;
  std::string text;
  Names expected;
  for (int i = 0; i < 3000; ++i) {
    const int k = (i * 7919) % 3000;
    std::string name = (k % 3 == 0 ? "db_" : "DB_") + std::to_string(k % 1000);
    text += name + " = (x)\n";
    const auto lower = [](std::string s) {
      for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      return s;
    };
    const auto less = [&](const std::string& a, const std::string& b) {
      const int c = std::strcoll(lower(a).c_str(), lower(b).c_str());
      return c != 0 ? c < 0 : lower(a) < lower(b);
    };
    auto at = std::lower_bound(expected.begin(), expected.end(), name, less);
    if (at == expected.end() || lower(*at) != lower(name)) expected.insert(at, name);
  }
  EXPECT_EQ(ParseOnly(dir.Write("tnsnames.ora", text)), expected);
}

TEST(NameFile, IncludeKeywordsAreMatchedAsAsciiInATurkishLocale) {
  // In a Turkish locale "I" lowers to a dotless i; IFILE must still be IFILE.
  const std::string old = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "tr_TR.UTF-8") == nullptr) GTEST_SKIP() << "no tr_TR.UTF-8 locale on this machine";
  TempDir dir;
  const std::string inner = dir.Write("inner.ora", "INNER = (x)\n");
  const std::string top = dir.Write("tnsnames.ora", "IFILE = " + inner + "\nTOP.WORLD = (x)\nIfile = " + inner + "\n");
  const Names names = ParseOnly(top);
  std::setlocale(LC_ALL, old.c_str());
  EXPECT_EQ(names, (Names{"INNER", "TOP"}));
}

// ---- where the names file lies --------------------------------------------

class NamesPath : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(Library("libocisim.so")))
      GTEST_SKIP() << "stand-in client library not built: " << Library("libocisim.so");
    registry_ = dir_.path() + "/registry.ini";
    oci::ResetLoader();
    oci::ResetNetServiceNames();
    unsetenv("TNS_ADMIN");
    setenv("TARLOW_REGISTRY", registry_.c_str(), 1);
  }
  void TearDown() override {
    oci::ResetLoader();
    oci::ResetNetServiceNames();
    unsetenv("TNS_ADMIN");
    unsetenv("TARLOW_REGISTRY");
    platform::setCommandLine(std::vector<std::string>{});
  }
  static std::string Library(const std::string& name) { return std::string(TARLOW_LIB_DIR) + "/" + name; }
  void UseLibrary(const std::string& name) {
    platform::setCommandLine(std::vector<std::string>{"OCIDLL=" + Library(name)});
  }
  void Registry(const std::string& text) { dir_.Write("registry.ini", text); }

  TempDir dir_;
  std::string registry_;
};

TEST_F(NamesPath, TnsAdminWinsOverTheRegistry) {
  UseLibrary("libocisim.so");
  const std::string admin = dir_.path() + "/admin";
  dir_.Write("admin/tnsnames.ora", "FROMENV = (x)\n");
  Registry("[SOFTWARE\\ORACLE]\nORACLE_HOME=" + dir_.path() + "\nTNS_ADMIN=" + dir_.path() + "/reg\n");
  setenv("TNS_ADMIN", admin.c_str(), 1);
  oci::RebuildNetServiceNames();
  EXPECT_EQ(oci::TnsNamesPath(), admin + "/tnsnames.ora");
  EXPECT_EQ(oci::NetServiceNames(), Names{"FROMENV"});
}

TEST_F(NamesPath, RegistryFolders) {
  struct Case {
    const char* library;
    std::string registry;  // after the [SOFTWARE\ORACLE] line
    std::string expected;  // below the temporary folder
  };
  const std::string home = dir_.path() + "/home";
  const Case cases[] = {
      {"libocisim.so", "TNS_ADMIN=" + dir_.path() + "/reg\n", "/reg/tnsnames.ora"},
      {"libocisim.so", "NET80=" + dir_.path() + "/net\n", "/net/admin/tnsnames.ora"},
      {"libocisim.so", "", "/home/network/admin/tnsnames.ora"},
      {"libocisim_oci80.so", "", "/home/net80/admin/tnsnames.ora"},
      {"libocisim_oci7.so", "NET80=" + dir_.path() + "/net\n", "/home/network/admin/tnsnames.ora"},
  };
  for (const Case& c : cases) {
    if (!std::filesystem::exists(Library(c.library))) {
      ADD_FAILURE() << "missing " << c.library;
      continue;
    }
    oci::ResetLoader();
    oci::ResetNetServiceNames();
    UseLibrary(c.library);
    Registry("[SOFTWARE\\ORACLE]\nORACLE_HOME=" + home + "\n" + c.registry);
    EXPECT_EQ(oci::TnsNamesPath(), dir_.path() + c.expected) << c.library << " " << c.registry;
  }
}

TEST_F(NamesPath, NoClientLibraryLeavesTheListEmptyAndThePathOpen) {
  platform::setCommandLine(std::vector<std::string>{"OCIDLL=" + dir_.path() + "/nothing.so"});
  Registry("[SOFTWARE\\ORACLE]\nORACLE_HOME=" + dir_.path() + "\n");
  EXPECT_ANY_THROW(oci::RebuildNetServiceNames());
  EXPECT_TRUE(oci::NetServiceNames().empty());
  // Once a client is there the path is computed after all.
  oci::ResetLoader();
  UseLibrary("libocisim.so");
  setenv("TNS_ADMIN", dir_.path().c_str(), 1);
  EXPECT_EQ(oci::TnsNamesPath(), dir_.path() + "/tnsnames.ora");
}

}  // namespace
