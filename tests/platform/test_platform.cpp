// The desktop services the access layer relies on: ini files, the registry
// stand-in, the re-entrant lock, the screen cursor hooks, date-time values
// and their locale formatting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/critical_section.h"
#include "platform/environment.h"
#include "platform/ini_file.h"
#include "platform/locale_formats.h"
#include "platform/registry.h"
#include "platform/ui_hooks.h"

namespace {

TEST(IniFile, SectionsAndKeysIgnoreCaseAndKeepTheFirstValue) {
  auto ini = platform::IniFile::parse(
      "; comment\r\n"
      "[Position]\r\n"
      "Left = 10\r\n"
      "top=20\r\n"
      "LEFT=99\r\n"
      "# another comment\r\n"
      "orphan line\r\n"
      "[Other]\r\n"
      "Value=a=b\r\n"
      "[position]\r\n"
      "Width=300\r\n");
  EXPECT_EQ(ini.value("POSITION", "left"), "10");
  EXPECT_EQ(ini.value("position", "TOP"), "20");
  EXPECT_EQ(ini.value("Position", "Width"), "300");  // a repeated section adds to the first
  EXPECT_EQ(ini.value("Other", "Value"), "a=b");
  EXPECT_EQ(ini.value("Other", "Missing"), std::nullopt);
  EXPECT_EQ(ini.readString("Nowhere", "x", "fallback"), "fallback");
  EXPECT_EQ(ini.sections(), (std::vector<std::string>{"Position", "Other"}));
  EXPECT_EQ(ini.keys("position"), (std::vector<std::string>{"Left", "top", "Width"}));
}

TEST(IniFile, AMissingFileIsEmpty) {
  auto ini = platform::IniFile::load("/nonexistent/tarlow/file.ini");
  EXPECT_TRUE(ini.sections().empty());
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarlow-platform-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    ::unsetenv("TARLOW_REGISTRY");
    std::filesystem::remove_all(dir_);
  }
  std::string dir_;
};

TEST_F(RegistryTest, KeyPathsMatchWhateverTheirCaseAndSeparator) {
  std::string file = dir_ + "/reg.ini";
  std::ofstream(file) << "[SOFTWARE\\ORACLE\\HOME0]\nORACLE_HOME=/opt/h0\n[\\Software/Oracle\\]\nNET80=x\n";
  ::setenv("TARLOW_REGISTRY", file.c_str(), 1);
  EXPECT_EQ(platform::readRegistryValue("software\\oracle\\home0", "oracle_home"), "/opt/h0");
  EXPECT_EQ(platform::readRegistryValue("SOFTWARE/ORACLE/HOME0", "ORACLE_HOME"), "/opt/h0");
  EXPECT_EQ(platform::readRegistryValue("SOFTWARE\\ORACLE", "NET80"), "x");
  EXPECT_EQ(platform::readRegistryValue("SOFTWARE\\ORACLE", "ORACLE_HOME"), std::nullopt);
  // The file is read afresh, so a change shows at once.
  std::ofstream(file) << "[SOFTWARE\\ORACLE]\nORACLE_HOME=/new\n";
  EXPECT_EQ(platform::readRegistryValue("SOFTWARE\\ORACLE", "ORACLE_HOME"), "/new");
}

TEST(Paths, DirectoryAndFileParts) {
  EXPECT_EQ(platform::directoryPart("/opt/oracle/lib/libclntsh.so"), "/opt/oracle/lib");
  EXPECT_EQ(platform::directoryPart("/libclntsh.so"), "/");
  EXPECT_EQ(platform::directoryPart("libclntsh.so"), "");
  EXPECT_EQ(platform::fileNamePart("/opt/oracle/lib/libclntsh.so"), "libclntsh.so");
  EXPECT_EQ(platform::fileNamePart("libclntsh.so"), "libclntsh.so");
}

TEST(CommandLine, SkipsTheProgramName) {
  const char* argv[] = {"tarlow", "OCIDLL=/x.so", "ORACLEHOME=h"};
  platform::setCommandLine(3, argv);
  EXPECT_EQ(platform::commandLine(), (std::vector<std::string>{"OCIDLL=/x.so", "ORACLEHOME=h"}));
  platform::setCommandLine(std::vector<std::string>{});
}

// ---- the lock ---------------------------------------------------------------

TEST(CriticalSection, LeaveWithoutEnterDoesNothing) {
  TOracleCriticalSection lock;
  lock.Leave();
  lock.Leave();
  EXPECT_EQ(lock.EntryCount(), 0);
  lock.Enter();
  lock.Enter();  // re-entrant
  EXPECT_EQ(lock.EntryCount(), 2);
  lock.Leave();
  lock.Leave();
  lock.Leave();  // one too many: ignored
  EXPECT_EQ(lock.EntryCount(), 0);
  // Still usable from another thread afterwards.
  std::thread other([&] {
    lock.Enter();
    lock.Leave();
  });
  other.join();
  EXPECT_EQ(lock.EntryCount(), 0);
}

TEST(CriticalSection, AnotherThreadsLeaveDoesNotReleaseTheHolder) {
  TOracleCriticalSection lock;
  lock.Enter();
  std::thread other([&] { lock.Leave(); });
  other.join();
  EXPECT_EQ(lock.EntryCount(), 1);
  bool entered = false;
  std::thread waiter([&] {
    lock.Enter();
    entered = true;
    lock.Leave();
  });
  lock.Leave();
  waiter.join();
  EXPECT_TRUE(entered);
  EXPECT_EQ(lock.EntryCount(), 0);
}

// ---- user-interface hooks ------------------------------------------------------

struct RecordingHooks : platform::UiHooks {
  std::vector<platform::ScreenCursor> shown;
  void setScreenCursor(platform::ScreenCursor c) override {
    shown.push_back(c);
    platform::UiHooks::setScreenCursor(c);
  }
};

TEST(UiHooks, ScopedCursorShowsAndRestoresThroughTheInstalledHooks) {
  RecordingHooks hooks;
  platform::installUiHooks(&hooks);
  {
    platform::ScopedScreenCursor busy(platform::ScreenCursor::HourGlass);
    EXPECT_EQ(platform::uiHooks().screenCursor(), platform::ScreenCursor::HourGlass);
    { platform::ScopedScreenCursor none(platform::ScreenCursor::Default); }
  }
  platform::installUiHooks(nullptr);
  EXPECT_EQ(hooks.shown,
            (std::vector<platform::ScreenCursor>{platform::ScreenCursor::HourGlass, platform::ScreenCursor::Default}));
  // The default hooks run work at once.
  int ran = 0;
  platform::uiHooks().runOnMainThread([&] { ++ran; });
  EXPECT_EQ(ran, 1);
}

// ---- date-time values and formats ------------------------------------------------

struct DateCase {
  platform::DateTimeParts parts;
  double value;
};

TEST(DateTime, CountsDaysFromTheEndOf1899) {
  const DateCase cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
      {{1899, 12, 31, 0, 0, 0, 0}, 1.0},
      {{1900, 1, 1, 12, 0, 0, 0}, 2.5},
      {{1900, 3, 1, 0, 0, 0, 0}, 61.0},  // 1900 was not a leap year
      {{2000, 2, 29, 6, 0, 0, 0}, 36585.25},
      {{1899, 12, 29, 6, 0, 0, 0}, -1.25},  // before the epoch the fraction still adds time
      {{1999, 12, 31, 23, 59, 59, 0}, 36525.0 + 86399.0 / 86400.0},
      {{1, 1, 1, 0, 0, 0, 0}, -693593.0},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(platform::encodeDateTime(c.parts), c.value) << c.value;
    EXPECT_EQ(platform::decodeDateTime(c.value), c.parts) << c.value;
  }
}

struct FormatCase {
  const char* format;
  const char* expected;
};

TEST(DateTime, FormatsWithThePatternLetters) {
  platform::DateTimeParts p{2026, 3, 7, 14, 5, 9, 42};
  const FormatCase cases[] = {
      {"dd/mm/yyyy", "07/03/2026"},
      {"d/m/yy", "7/3/26"},
      {"mm-dd-yyyy", "03-07-2026"},
      {"d mmm yyyy", "7 Mar 2026"},
      {"mmmm d", "March 7"},
      {"hh:nn:ss", "14:05:09"},
      {"h:n:s", "14:5:9"},
      {"hh:nn:ss.zzz", "14:05:09.042"},
      {"h:nn ampm", "2:05 PM"},
      {"hh:nn am/pm", "02:05 pm"},
      {"'day' d", "day 7"},
      {"yyyy\"y\"", "2026y"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::formatDateTime(c.format, p), c.expected) << c.format;
  EXPECT_EQ(platform::formatDateTime("h ampm", {2026, 1, 1, 0, 0, 0, 0}), "12 AM");
}

TEST(DateTime, TextLeavesOutMidnight) {
  platform::LocaleFormats f{"dd.mm.yyyy", "hh:nn:ss", ','};
  EXPECT_EQ(platform::dateTimeToString({1999, 10, 10, 0, 0, 0, 0}, f), "10.10.1999");
  EXPECT_EQ(platform::dateTimeToString({1999, 10, 10, 10, 10, 10, 0}, f), "10.10.1999 10:10:10");
}

TEST(LocaleFormats, PinnedFormatsWinUntilCleared) {
  platform::setLocaleFormats({"yyyy-mm-dd", "hh:nn", ','});
  EXPECT_EQ(platform::localeFormats().shortDateFormat, "yyyy-mm-dd");
  EXPECT_EQ(platform::localeFormats().decimalSeparator, ',');
  platform::clearLocaleFormats();
  // The C locale (tests do not call setlocale): month/day/year, 24-hour time, ".".
  auto f = platform::localeFormats();
  EXPECT_EQ(f.shortDateFormat, "mm/dd/yy");
  EXPECT_EQ(f.longTimeFormat, "hh:nn:ss");
  EXPECT_EQ(f.decimalSeparator, '.');
}

}  // namespace
