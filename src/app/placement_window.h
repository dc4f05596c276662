// The window placement record of a Qt top-level window.  The normal
// rectangle is the window's geometry without its frame in screen pixels
// (left, top, right and bottom, right and bottom one past the last pixel),
// so that what is saved is exactly what is set again.  Minimized windows
// keep no position of their own here: the minimized position is written as
// -1,-1, and the maximized position as minus the frame's width and height,
// where a maximized window's frame lies just outside the screen.
#pragma once

#include "settings/form_placement.h"

class QWidget;

class QtPlacementWindow : public tarlow::PlacementWindow {
 public:
  explicit QtPlacementWindow(QWidget& window) : window_(window) {}

  tarlow::WindowPlacement GetPlacement() override;
  void SetPlacement(const tarlow::WindowPlacement& placement) override;
  void SetShowState(tarlow::WindowShowState state) override;
  bool IsMainWindow() override { return true; }
  bool ApplicationMinimized() override;
  void MinimizeApplication() override;
  int PixelsPerInch() override;
  std::pair<int, int> ScreenSize() override;
  void Repaint() override;

 private:
  QWidget& window_;
};
