// The ini file as the settings keep it: integers in decimal and 0x form,
// values found by section and key in any letter case, writes that keep the
// rest of the file, and the error a failed write raises.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "settings/profile_file.h"
#include "support/test_files.h"

using tarlow::ESettingsError;
using tarlow::ProfileFile;
using test_files::ReadAll;
using test_files::TempDir;

namespace {

struct IntegerCase {
  const char* text;
  int expected;  // -7777 stands for "the default"
};

TEST(ProfileFile, IntegersInDecimalAndHexadecimal) {
  constexpr int kDefault = -7777;
  const IntegerCase cases[] = {
      {"300", 300},     {"0x12C", 300},  {"0X12c", 300},       {"-8", -8},
      {"+5", 5},        {"0", 0},        {"0x", kDefault},     {"0x-1", kDefault},
      {"abc", kDefault}, {"12abc", kDefault}, {"", kDefault},  {"1 2", kDefault},
      {"99999999999", kDefault}, {"0x7FFFFFFF", INT_MAX},      {"1.5", kDefault},
  };
  TempDir dir;
  ProfileFile file(dir.File("a.ini"), "a.ini");
  for (const IntegerCase& c : cases) {
    SCOPED_TRACE(c.text);
    file.WriteString("Position", "Value", c.text);
    EXPECT_EQ(file.ReadInteger("Position", "Value", kDefault), c.expected);
  }
}

TEST(ProfileFile, MissingFileSectionOrKeyGivesTheDefault) {
  TempDir dir;
  ProfileFile missing(dir.File("none/none.ini"), "none.ini");
  EXPECT_EQ(missing.ReadString("Position", "NormPos", "x"), "x");
  EXPECT_EQ(missing.ReadInteger("Position", "Flags", 42), 42);

  ProfileFile file(dir.Write("a.ini", "[Other]\nFlags=1\n[Position]\nShowCmd=3\n"), "a.ini");
  EXPECT_EQ(file.ReadInteger("Position", "Flags", 42), 42);
  EXPECT_EQ(file.ReadInteger("Absent", "ShowCmd", 42), 42);
  EXPECT_EQ(file.ReadInteger("position", "SHOWCMD", 42), 3);
}

TEST(ProfileFile, WritesCreateTheFolderAndKeepTheRestOfTheFile) {
  TempDir dir;
  ProfileFile file(dir.File("tarlow/Quarlo.ini"), "Quarlo.ini");
  file.WriteInteger("Position", "pnlObjects.Width", 261);
  file.WriteInteger("Position", "FormVersion", 0);
  file.WriteBool("Position", "Visible", true);
  EXPECT_EQ(ReadAll(file.path()), "[Position]\npnlObjects.Width=261\nFormVersion=0\nVisible=1\n");

  // A key is changed where it stands; another section's lines and comments
  // stay as they were; a new key joins the end of its section.
  const std::string path = dir.Write("b.ini",
                                     "; kept\r\n[position]\r\nShowCmd = 1\r\n\r\n"
                                     "[Other]\r\nKey=value\r\n");
  ProfileFile other(path, "b.ini");
  other.WriteInteger("Position", "SHOWCMD", 3);
  other.WriteString("Position", "NormPos", "1,2,3,4");
  other.WriteString("Third", "A", "b");
  EXPECT_EQ(ReadAll(path),
            "; kept\n[position]\nSHOWCMD=3\nNormPos=1,2,3,4\n\n[Other]\nKey=value\n\n[Third]\nA=b\n");
  EXPECT_EQ(other.ReadInteger("Position", "ShowCmd", 0), 3);
}

TEST(ProfileFile, ARepeatedKeyKeepsItsFirstValueAndLongValuesAreCut) {
  TempDir dir;
  const std::string longValue(3000, 'v');
  ProfileFile file(dir.Write("a.ini", "[S]\nK=first\nK=second\nL=" + longValue + "\n"), "a.ini");
  EXPECT_EQ(file.ReadString("S", "K", ""), "first");
  EXPECT_EQ(file.ReadString("S", "L", ""), std::string(2047, 'v'));
  file.WriteString("S", "K", "third");
  EXPECT_EQ(file.ReadString("S", "K", ""), "third");
}

TEST(ProfileFile, AFailedWriteNamesTheFileAndLeavesItAsItWas) {
  TempDir dir;
  // The folder the file should live in is a plain file: nothing can be made there.
  dir.Write("blocked", "not a folder");
  ProfileFile file(dir.File("blocked/Quarlo.ini"), "Quarlo.ini");
  try {
    file.WriteInteger("Position", "pnlObjects.Width", 300);
    FAIL() << "no error";
  } catch (const ESettingsError& e) {
    EXPECT_STREQ(e.what(), "Unable to write to Quarlo.ini");
  }
  EXPECT_EQ(ReadAll(dir.File("blocked")), "not a folder");
  // No temporary file is left beside the target either.
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST(ProfileFile, SettingsLiveInTheUsersConfigFolder) {
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = oldConfig ? oldConfig : "";
  ::setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
  EXPECT_EQ(tarlow::SettingsFolder(), "/somewhere/config/tarlow");
  EXPECT_EQ(tarlow::SettingsFile("Quarlo.ini").path(), "/somewhere/config/tarlow/Quarlo.ini");
  ::unsetenv("XDG_CONFIG_HOME");
  ::setenv("HOME", std::getenv("HOME") ? std::getenv("HOME") : "/root", 1);
  EXPECT_EQ(tarlow::SettingsFolder(), std::string(std::getenv("HOME")) + "/.config/tarlow");
  // A relative folder is not a base directory by the XDG rules.
  ::setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(tarlow::SettingsFolder(), std::string(std::getenv("HOME")) + "/.config/tarlow");
  if (oldConfig)
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
