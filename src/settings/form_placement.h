// TFormPlacement: keeps a window's placement (position, size, normal,
// maximized or minimized state) in a section of an ini file, restoring it
// when the window is first shown and saving it when the window closes or is
// destroyed.  The window itself is reached through PlacementWindow, so the
// keys, formats and rules are tested without a display.
#pragma once

#include <string>
#include <utility>

#include "settings/profile_file.h"

namespace tarlow {

// The window placement record: flags, show command, minimized and
// maximized positions and the normal (restored) rectangle in screen pixels.
struct WindowPlacement {
  int flags = 0;
  int showCmd = 0;
  int minX = -1, minY = -1;
  int maxX = -1, maxY = -1;
  int left = 0, top = 0, right = 0, bottom = 0;
};

// Show commands as the file stores them.
enum ShowCommand { kShowHide = 0, kShowNormal = 1, kShowMinimized = 2, kShowMaximized = 3 };

enum class WindowShowState { Normal, Minimized, Maximized };

class PlacementWindow {
 public:
  virtual ~PlacementWindow() = default;
  // The current placement record; the show command of a window that is not
  // visible yet is kShowHide.
  virtual WindowPlacement GetPlacement() = 0;
  // Moves and sizes the window to the record's normal rectangle.
  virtual void SetPlacement(const WindowPlacement& placement) = 0;
  virtual void SetShowState(WindowShowState state) = 0;
  // The window is the application's main window: minimizing it minimizes
  // the whole application, and a minimized application saves show command 2.
  virtual bool IsMainWindow() = 0;
  virtual bool ApplicationMinimized() = 0;
  virtual void MinimizeApplication() = 0;
  virtual int PixelsPerInch() = 0;
  // Width and height of the primary screen, for the keys' screen suffix.
  virtual std::pair<int, int> ScreenSize() = 0;
  virtual void Repaint() = 0;
};

class TFormPlacement {
 public:
  TFormPlacement(PlacementWindow& window, ProfileFile file, std::string section = "Position");

  // When the window is shown.  Reading never fails: whatever is missing or
  // unreadable keeps the window's own value.
  void RestoreFormPlacement();
  // When the window closes (destroying false) or is destroyed without having
  // saved since the restore (destroying true).  A window never restored
  // saves nothing.  Throws ESettingsError when the file cannot be written.
  void SaveFormPlacement(bool destroying);

  bool Restored() const { return restored_; }
  bool Saved() const { return saved_; }
  const ProfileFile& File() const { return file_; }

  static constexpr int kVersion = 0;

 private:
  std::string ScreenSuffix();
  std::string ReadScreenValue(const std::string& key);

  PlacementWindow& window_;
  ProfileFile file_;
  std::string section_;
  bool restored_ = false;
  bool saved_ = false;
};

}  // namespace tarlow
