#include "app/placement_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

using tarlow::WindowPlacement;
using tarlow::WindowShowState;

WindowPlacement QtPlacementWindow::GetPlacement() {
  WindowPlacement p;
  const Qt::WindowStates state = window_.windowState();
  if (!window_.isVisible())
    p.showCmd = tarlow::kShowHide;
  else if (state & Qt::WindowMinimized)
    p.showCmd = tarlow::kShowMinimized;
  else if (state & Qt::WindowMaximized)
    p.showCmd = tarlow::kShowMaximized;
  else
    p.showCmd = tarlow::kShowNormal;
  // A minimized window that was maximized comes back maximized.
  constexpr int kRestoreToMaximized = 2;
  if ((state & Qt::WindowMinimized) && (state & Qt::WindowMaximized)) p.flags = kRestoreToMaximized;
  const QRect frame = window_.frameGeometry();
  const QRect inner = window_.geometry();
  p.minX = p.minY = -1;
  p.maxX = -(inner.left() - frame.left());
  p.maxY = -(inner.top() - frame.top());
  const bool restored = !(state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
  QRect normal = restored ? inner : window_.normalGeometry();
  if (!normal.isValid()) normal = inner;
  p.left = normal.left();
  p.top = normal.top();
  p.right = normal.left() + normal.width();
  p.bottom = normal.top() + normal.height();
  return p;
}

void QtPlacementWindow::SetPlacement(const WindowPlacement& p) {
  window_.setGeometry(QRect(p.left, p.top, p.right - p.left, p.bottom - p.top));
}

void QtPlacementWindow::SetShowState(WindowShowState state) {
  Qt::WindowStates s = window_.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (state == WindowShowState::Maximized) s |= Qt::WindowMaximized;
  if (state == WindowShowState::Minimized) s |= Qt::WindowMinimized;
  window_.setWindowState(s);
}

bool QtPlacementWindow::ApplicationMinimized() {
  return (window_.windowState() & Qt::WindowMinimized) != 0;
}

void QtPlacementWindow::MinimizeApplication() {
  // The program has one window: minimizing it is minimizing the program.
  window_.setWindowState(window_.windowState() | Qt::WindowMinimized);
}

int QtPlacementWindow::PixelsPerInch() {
  const QScreen* screen = window_.screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? static_cast<int>(std::lround(screen->logicalDotsPerInch())) : 96;
}

std::pair<int, int> QtPlacementWindow::ScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {0, 0};
  return {screen->size().width(), screen->size().height()};
}

void QtPlacementWindow::Repaint() { window_.update(); }
