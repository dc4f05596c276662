// The window placement kept in the settings file: what is saved, and what a
// later start does with it, against a window that records what it is told.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/form_placement.h"
#include "support/test_files.h"

using tarlow::ProfileFile;
using tarlow::TFormPlacement;
using tarlow::WindowPlacement;
using tarlow::WindowShowState;
using test_files::ReadAll;
using test_files::TempDir;

namespace {

class FakeWindow : public tarlow::PlacementWindow {
 public:
  WindowPlacement current;  // what GetPlacement answers
  bool mainWindow = true;
  bool appMinimized = false;
  int pixelsPerInch = 96;
  std::pair<int, int> screen{1024, 768};

  std::vector<WindowPlacement> placements;  // SetPlacement calls
  std::vector<WindowShowState> states;      // SetShowState calls
  int appMinimizes = 0;

  WindowPlacement GetPlacement() override { return current; }
  void SetPlacement(const WindowPlacement& p) override { placements.push_back(p); }
  void SetShowState(WindowShowState s) override { states.push_back(s); }
  bool IsMainWindow() override { return mainWindow; }
  bool ApplicationMinimized() override { return appMinimized; }
  void MinimizeApplication() override { ++appMinimizes; }
  int PixelsPerInch() override { return pixelsPerInch; }
  std::pair<int, int> ScreenSize() override { return screen; }
  void Repaint() override {}
};

WindowPlacement Normal(int left, int top, int right, int bottom) {
  WindowPlacement p;
  p.showCmd = tarlow::kShowNormal;
  p.minX = p.minY = -1;
  p.maxX = p.maxY = -4;
  p.left = left;
  p.top = top;
  p.right = right;
  p.bottom = bottom;
  return p;
}

class FormPlacementTest : public ::testing::Test {
 protected:
  TempDir dir;
  FakeWindow window;
  ProfileFile File() const { return ProfileFile(dir.File("Quarlo.ini"), "Quarlo.ini"); }
  void WriteFile(const std::string& text) { dir.Write("Quarlo.ini", text); }
};

TEST_F(FormPlacementTest, SaveWritesEveryKeyInOrder) {
  window.current = Normal(100, 50, 783, 444);
  TFormPlacement placement(window, File());
  placement.RestoreFormPlacement();  // first start: nothing there yet
  EXPECT_TRUE(window.placements.empty());
  ASSERT_EQ(window.states.size(), 1u);
  EXPECT_EQ(window.states[0], WindowShowState::Normal);

  placement.SaveFormPlacement(false);
  EXPECT_EQ(ReadAll(File().path()),
            "[Position]\nFormVersion=0\nFlags=0\nShowCmd=1\nPixelsPerInch=96\n"
            "MinMaxPos(1024x768)=-1,-1,-4,-4\nMinMaxPos=-1,-1,-4,-4\n"
            "NormPos(1024x768)=100,50,783,444\nNormPos=100,50,783,444\nVisible=0\n");
  EXPECT_TRUE(placement.Saved());
}

TEST_F(FormPlacementTest, ANextStartComesBackWhereTheWindowWasLeft) {
  window.current = Normal(100, 50, 783, 444);
  {
    TFormPlacement first(window, File());
    first.RestoreFormPlacement();
    window.current = Normal(10, 20, 810, 620);
    first.SaveFormPlacement(false);
  }
  FakeWindow next;
  next.current = Normal(170, 187, 853, 581);  // centred, as at a first start
  TFormPlacement placement(next, File());
  placement.RestoreFormPlacement();
  ASSERT_EQ(next.placements.size(), 1u);
  const WindowPlacement& p = next.placements[0];
  EXPECT_EQ(p.left, 10);
  EXPECT_EQ(p.top, 20);
  EXPECT_EQ(p.right, 810);
  EXPECT_EQ(p.bottom, 620);
  EXPECT_EQ(p.maxX, -4);
  EXPECT_TRUE(placement.Restored());
  EXPECT_FALSE(placement.Saved());
}

struct ShowCmdCase {
  const char* stored;
  bool mainWindow;
  WindowShowState state;
  int appMinimizes;
};

TEST_F(FormPlacementTest, TheShowCommandGivesTheStartingState) {
  const ShowCmdCase cases[] = {
      {"1", true, WindowShowState::Normal, 0},     {"5", true, WindowShowState::Normal, 0},
      {"9", true, WindowShowState::Normal, 0},     {"3", true, WindowShowState::Maximized, 0},
      {"6", false, WindowShowState::Minimized, 0}, {"7", false, WindowShowState::Minimized, 0},
      {"4", true, WindowShowState::Normal, 0},     {"junk", true, WindowShowState::Normal, 0},
      // The main window stays normal and the whole program is minimized.
      {"2", true, WindowShowState::Normal, 1},     {"2", false, WindowShowState::Minimized, 0},
  };
  for (const ShowCmdCase& c : cases) {
    SCOPED_TRACE(c.stored);
    WriteFile(std::string("[Position]\nShowCmd=") + c.stored + "\n");
    FakeWindow w;
    w.mainWindow = c.mainWindow;
    TFormPlacement placement(w, File());
    placement.RestoreFormPlacement();
    ASSERT_EQ(w.states.size(), 1u);
    EXPECT_EQ(w.states[0], c.state);
    EXPECT_EQ(w.appMinimizes, c.appMinimizes);
  }
}

TEST_F(FormPlacementTest, ARectangleWithNoWidthIsIgnored) {
  for (const char* norm : {"500,10,500,300", "600,10,500,300"}) {
    SCOPED_TRACE(norm);
    WriteFile(std::string("[Position]\nNormPos=") + norm + "\n");
    FakeWindow w;
    w.current = Normal(170, 187, 853, 581);
    TFormPlacement placement(w, File());
    placement.RestoreFormPlacement();
    EXPECT_TRUE(w.placements.empty());
  }
}

TEST_F(FormPlacementTest, AnotherResolutionKeepsThePlaceButNotTheState) {
  WriteFile("[Position]\nPixelsPerInch=120\nShowCmd=3\nNormPos=10,20,810,620\n");
  window.pixelsPerInch = 96;
  TFormPlacement placement(window, File());
  placement.RestoreFormPlacement();
  EXPECT_TRUE(window.placements.empty());
  ASSERT_EQ(window.states.size(), 1u);
  EXPECT_EQ(window.states[0], WindowShowState::Maximized);
}

TEST_F(FormPlacementTest, TheKeyOfThisScreenSizeComesFirst) {
  WriteFile("[Position]\nNormPos(800x600)=1,1,101,101\nNormPos(1024x768)=2,2,202,202\nNormPos=3,3,303,303\n");
  {
    TFormPlacement placement(window, File());
    placement.RestoreFormPlacement();
    ASSERT_EQ(window.placements.size(), 1u);
    EXPECT_EQ(window.placements[0].right, 202);
  }
  // A placement saved at another screen size is found through the plain key.
  FakeWindow wide;
  wide.screen = {1920, 1080};
  TFormPlacement placement(wide, File());
  placement.RestoreFormPlacement();
  ASSERT_EQ(wide.placements.size(), 1u);
  EXPECT_EQ(wide.placements[0].right, 303);
}

TEST_F(FormPlacementTest, MissingOrBadWordsFallBack) {
  // Minimized and maximized positions fall back to 0, the rectangle's words
  // to the window's own; blanks and commas both separate words.
  WriteFile("[Position]\nMinMaxPos=5 x,,7\nNormPos=11  22,abc\nFlags=0x2\n");
  window.current = Normal(170, 187, 853, 581);
  TFormPlacement placement(window, File());
  placement.RestoreFormPlacement();
  ASSERT_EQ(window.placements.size(), 1u);
  const WindowPlacement& p = window.placements[0];
  EXPECT_EQ(p.flags, 2);
  EXPECT_EQ(p.minX, 5);
  EXPECT_EQ(p.minY, 0);
  EXPECT_EQ(p.maxX, 7);
  EXPECT_EQ(p.maxY, 0);
  EXPECT_EQ(p.left, 11);
  EXPECT_EQ(p.top, 22);
  EXPECT_EQ(p.right, 853);
  EXPECT_EQ(p.bottom, 581);
}

TEST_F(FormPlacementTest, ALaterVersionIsNotRead) {
  WriteFile("[Position]\nFormVersion=-1\nShowCmd=3\nNormPos=10,20,810,620\n");
  TFormPlacement placement(window, File());
  placement.RestoreFormPlacement();
  EXPECT_TRUE(window.placements.empty());
  EXPECT_TRUE(window.states.empty());
  EXPECT_TRUE(placement.Restored());
}

TEST_F(FormPlacementTest, WhatIsSavedWhenAndHow) {
  window.current = Normal(1, 2, 3, 4);
  TFormPlacement placement(window, File());
  // Never shown: nothing is saved.
  placement.SaveFormPlacement(true);
  EXPECT_EQ(ReadAll(File().path()), "");

  placement.RestoreFormPlacement();
  // Destroyed while shown, and a minimized program saves show command 2.
  window.appMinimized = true;
  placement.SaveFormPlacement(true);
  const ProfileFile file = File();
  EXPECT_EQ(file.ReadString("Position", "Visible", ""), "1");
  EXPECT_EQ(file.ReadInteger("Position", "ShowCmd", 0), 2);
}

}  // namespace
