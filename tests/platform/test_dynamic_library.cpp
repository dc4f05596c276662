// The check a library file passes before the system loader maps it: files
// that are no shared library of this program, or that were cut short, are
// refused with a reason instead of crashing the program.
#include <gtest/gtest.h>

#include <elf.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/dynamic_library.h"
#include "support/test_files.h"

using test_files::ReadAll;
using test_files::TempDir;

namespace {

std::string StandInLibrary() {
  const std::string path = std::string(TARLOW_LIB_DIR) + "/libocisim.so";
  return std::filesystem::exists(path) ? path : std::string();
}

struct BrokenCase {
  const char* what;
  std::string (*make)(const std::string& whole);
  const char* reason;  // a part of the reason given
};

// The file cut one byte before its last loadable segment ends: everything
// the headers describe is there but that segment's last byte.
std::string CutInLastSegment(const std::string& w) {
  Elf64_Ehdr h;
  std::memcpy(&h, w.data(), sizeof h);
  size_t end = 0;
  for (unsigned i = 0; i < h.e_phnum; ++i) {
    Elf64_Phdr ph;
    std::memcpy(&ph, w.data() + h.e_phoff + i * sizeof ph, sizeof ph);
    if (ph.p_type == PT_LOAD) end = std::max<size_t>(end, ph.p_offset + ph.p_filesz);
  }
  return w.substr(0, end - 1);
}

std::string Patched(std::string s, size_t at, char value) {
  s[at] = value;
  return s;
}

TEST(LibraryFile, BrokenFilesAreRefusedWithTheirReason) {
  const std::string library = StandInLibrary();
  if (library.empty()) GTEST_SKIP() << "the stand-in client library (target sim_all) has not been built";
  const std::string whole = ReadAll(library);
  ASSERT_GT(whole.size(), 8192u);
  const BrokenCase cases[] = {
      {"empty", [](const std::string&) { return std::string(); }, "too short"},
      {"text", [](const std::string&) { return std::string(200, 'x'); }, "not an ELF file"},
      {"header only", [](const std::string& w) { return w.substr(0, 64); }, "program headers"},
      {"first page", [](const std::string& w) { return w.substr(0, 4096); }, "cut short"},
      {"last segment cut", CutInLastSegment, "segment lies beyond"},
      {"other word size", [](const std::string& w) { return Patched(w, EI_CLASS, ELFCLASS32); }, "-bit library"},
      {"other byte order", [](const std::string& w) { return Patched(w, EI_DATA, ELFDATA2MSB); }, "byte order"},
      {"other processor",
       [](const std::string& w) { return Patched(w, offsetof(Elf64_Ehdr, e_machine), static_cast<char>(EM_ARM)); },
       "another processor"},
      {"relocatable object",
       [](const std::string& w) { return Patched(w, offsetof(Elf64_Ehdr, e_type), static_cast<char>(ET_REL)); },
       "not a shared library"},
  };
  TempDir dir;
  for (const BrokenCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir.Write(std::string(c.what) + ".so", c.make(whole));
    const auto reason = platform::checkLibraryFile(path);
    ASSERT_TRUE(reason.has_value());
    EXPECT_EQ(reason->rfind(path + ": ", 0), 0u) << *reason;
    EXPECT_NE(reason->find(c.reason), std::string::npos) << *reason;
    EXPECT_EQ(platform::loadLibrary(path), nullptr);
    EXPECT_EQ(platform::lastLoadError(), *reason);
  }
}

TEST(LibraryFile, WholeLibrariesAndMissingFilesPassTheCheck) {
  const std::string library = StandInLibrary();
  if (library.empty()) GTEST_SKIP() << "the stand-in client library (target sim_all) has not been built";
  EXPECT_FALSE(platform::checkLibraryFile(library).has_value());
  platform::LibraryHandle handle = platform::loadLibrary(library);
  EXPECT_NE(handle, nullptr) << platform::lastLoadError();
  platform::freeLibrary(handle);
  // A file that is not there is the system loader's to report.
  EXPECT_FALSE(platform::checkLibraryFile("/nonexistent/libclntsh.so").has_value());
  EXPECT_EQ(platform::loadLibrary("/nonexistent/libclntsh.so"), nullptr);
  EXPECT_NE(platform::lastLoadError().find("No such file"), std::string::npos) << platform::lastLoadError();
}

TEST(LibraryFile, AFifoIsNotWaitedFor) {
  TempDir dir;
  const std::string fifo = dir.File("libclntsh.so");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto reason = platform::checkLibraryFile(fifo);
  ASSERT_TRUE(reason.has_value());
  EXPECT_NE(reason->find("not a regular file"), std::string::npos);
}

}  // namespace
