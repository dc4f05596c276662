// The window's place, size, state and object panel width are kept in
// Quarlo.ini in the user's settings folder: written on close (before "Are
// you sure?"), read when the window is first shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSplitter>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/frmmain.h"
#include "app/tarlowapplication.h"
#include "oracle/loader.h"
#include "oracle/tnsnames.h"
#include "platform/environment.h"
#include "settings/profile_file.h"
#include "support/test_files.h"
#include "support_app.h"

namespace {

class WindowSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oci::ResetLoader();
    oci::ResetNetServiceNames();
    platform::setCommandLine({"OCIDLL=/nonexistent/libclntsh.so"});
    dialogs.defaultAnswer = mbYes;
    // The application's default error report answers through the same dialogs.
    qobject_cast<TarlowApplication*>(QCoreApplication::instance())->setDialogs(&dialogs);
  }
  void TearDown() override {
    qobject_cast<TarlowApplication*>(QCoreApplication::instance())->setDialogs(nullptr);
    platform::setCommandLine(std::vector<std::string>{});
  }

  std::unique_ptr<TfrmMain> Open() {
    auto win = std::make_unique<TfrmMain>(&dialogs);
    win->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(win.get()));
    dialogs.boxes.clear();
    return win;
  }
  static std::string IniPath() { return tarlow::SettingsFolder() + "/Quarlo.ini"; }
  static tarlow::ProfileFile Ini() { return tarlow::SettingsFile("Quarlo.ini"); }
  static void SetPanelWidth(TfrmMain& win, int width) {
    const int total = win.splDB2Script->width() - win.splDB2Script->handleWidth();
    win.splDB2Script->setSizes({width, total - width});
  }

  FakeDialogs dialogs;
};

TEST_F(WindowSettingsTest, TheWindowComesBackWhereItWasLeft) {
  auto win = Open();
  EXPECT_FALSE(std::filesystem::exists(IniPath()));  // a first start creates nothing
  EXPECT_EQ(win->pnlObjects->width(), 261);
  win->setGeometry(QRect(40, 30, 800, 500));
  QTest::qWait(20);
  SetPanelWidth(*win, 300);
  dialogs.answers = {mbYes};
  ASSERT_TRUE(win->close());
  win.reset();

  const tarlow::ProfileFile ini = Ini();
  EXPECT_EQ(ini.ReadInteger("Position", "pnlObjects.Width", 0), 300);
  EXPECT_EQ(ini.ReadString("Position", "NormPos", ""), "40,30,840,530");
  EXPECT_EQ(ini.ReadString("Position", "ShowCmd", ""), "1");
  EXPECT_EQ(ini.ReadString("Position", "Visible", ""), "0");
  const std::string text = test_files::ReadAll(IniPath());
  // The keys stand in the order they were first written.
  const char* const order[] = {"[Position]", "pnlObjects.Width=", "FormVersion=", "Flags=", "ShowCmd=",
                               "PixelsPerInch=", "MinMaxPos(", "MinMaxPos=", "NormPos(", "NormPos=",
                               "Visible="};
  size_t at = 0;
  for (const char* key : order) {
    const size_t found = text.find(key, at);
    ASSERT_NE(found, std::string::npos) << key << " in\n" << text;
    at = found;
  }

  auto again = Open();
  EXPECT_EQ(again->geometry(), QRect(40, 30, 800, 500));
  EXPECT_EQ(again->pnlObjects->width(), 300);
}

TEST_F(WindowSettingsTest, NoAtAreYouSureKeepsWhatWasWritten) {
  auto win = Open();
  SetPanelWidth(*win, 280);
  dialogs.answers = {mbNo};
  EXPECT_FALSE(win->close());
  EXPECT_TRUE(win->isVisible());
  EXPECT_EQ(Ini().ReadInteger("Position", "pnlObjects.Width", 0), 280);
  EXPECT_EQ(Ini().ReadString("Position", "Visible", ""), "0");
  // Destroyed after that close was saved: no second save.
  win.reset();
  EXPECT_EQ(Ini().ReadString("Position", "Visible", ""), "0");
}

TEST_F(WindowSettingsTest, AWindowDestroyedWithoutClosingSavesAsVisible) {
  auto win = Open();
  win.reset();
  EXPECT_EQ(Ini().ReadString("Position", "Visible", ""), "1");
  // It has no close request, so no panel width either.
  EXPECT_EQ(Ini().ReadString("Position", "pnlObjects.Width", "none"), "none");
}

TEST_F(WindowSettingsTest, StoredWidthsAndStates) {
  struct Case {
    const char* width;
    int expected;
  } cases[] = {{"0x12C", 300}, {"not a number", 261}, {"", 261}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    std::filesystem::create_directories(tarlow::SettingsFolder());
    std::ofstream(IniPath()) << "[Position]\npnlObjects.Width=" << c.width << "\nShowCmd=3\n";
    auto win = Open();
    EXPECT_EQ(win->pnlObjects->width(), c.expected);
    EXPECT_TRUE(win->windowState() & Qt::WindowMaximized);
    win->setWindowState(Qt::WindowNoState);
  }
}

TEST_F(WindowSettingsTest, AFailedWriteKeepsTheWindowOpenUntilTheCauseIsMended) {
  auto win = Open();
  // The settings folder cannot be made: a plain file stands in its place.
  const std::string folder = tarlow::SettingsFolder();
  std::filesystem::create_directories(std::filesystem::path(folder).parent_path());
  std::ofstream(folder) << "in the way";
  dialogs.answers = {mbOK};
  EXPECT_FALSE(win->close());
  EXPECT_TRUE(win->isVisible());
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, QString::fromStdString("Unable to write to " + IniPath()));
  EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Error);

  std::filesystem::remove(folder);
  dialogs.boxes.clear();
  dialogs.answers = {mbYes};
  EXPECT_TRUE(win->close());
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Are you sure?");
  EXPECT_EQ(Ini().ReadInteger("Position", "pnlObjects.Width", 0), 261);
}

}  // namespace
