#include "settings/form_placement.h"

#include <cstdio>
#include <vector>

namespace tarlow {

namespace {

// The words of a position value, separated by blanks or commas (runs of
// separators count as one).
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == ',' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

int WordAsInteger(const std::vector<std::string>& words, size_t index, int fallback) {
  int value = fallback;
  if (index < words.size() && ProfileFile::ParseInteger(words[index], value)) return value;
  return fallback;
}

std::string FourNumbers(int a, int b, int c, int d) {
  char text[64];
  std::snprintf(text, sizeof text, "%d,%d,%d,%d", a, b, c, d);
  return text;
}

}  // namespace

TFormPlacement::TFormPlacement(PlacementWindow& window, ProfileFile file, std::string section)
    : window_(window), file_(std::move(file)), section_(std::move(section)) {}

std::string TFormPlacement::ScreenSuffix() {
  const auto [width, height] = window_.ScreenSize();
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, "(%dx%d)", width, height);
  return suffix;
}

// A value saved at this screen size first, then the one saved at any size.
std::string TFormPlacement::ReadScreenValue(const std::string& key) {
  std::string value = file_.ReadString(section_, key + ScreenSuffix(), std::string());
  if (value.empty()) value = file_.ReadString(section_, key, std::string());
  return value;
}

void TFormPlacement::RestoreFormPlacement() {
  saved_ = false;
  if (file_.ReadInteger(section_, "FormVersion", 0) >= kVersion) {
    // Position.
    WindowPlacement placement = window_.GetPlacement();
    placement.flags = file_.ReadInteger(section_, "Flags", placement.flags);
    bool found = false;
    const std::string minMax = ReadScreenValue("MinMaxPos");
    if (!minMax.empty()) {
      found = true;
      const std::vector<std::string> w = Words(minMax);
      placement.minX = WordAsInteger(w, 0, 0);
      placement.minY = WordAsInteger(w, 1, 0);
      placement.maxX = WordAsInteger(w, 2, 0);
      placement.maxY = WordAsInteger(w, 3, 0);
    }
    const std::string normal = ReadScreenValue("NormPos");
    if (!normal.empty()) {
      found = true;
      const std::vector<std::string> w = Words(normal);
      const WindowPlacement current = placement;
      placement.left = WordAsInteger(w, 0, current.left);
      placement.top = WordAsInteger(w, 1, current.top);
      placement.right = WordAsInteger(w, 2, current.right);
      placement.bottom = WordAsInteger(w, 3, current.bottom);
    }
    const int pixelsPerInch = window_.PixelsPerInch();
    // Positions measured at another resolution would put the window
    // somewhere else than the user left it.
    if (file_.ReadInteger(section_, "PixelsPerInch", pixelsPerInch) != pixelsPerInch) found = false;
    if (found && placement.right > placement.left) window_.SetPlacement(placement);

    // State.
    WindowShowState state = WindowShowState::Normal;
    switch (file_.ReadInteger(section_, "ShowCmd", 0)) {
      case 1: case 5: case 9: state = WindowShowState::Normal; break;
      case 2: case 6: case 7: state = WindowShowState::Minimized; break;
      case 3: state = WindowShowState::Maximized; break;
      default: break;
    }
    if (state == WindowShowState::Minimized && window_.IsMainWindow()) {
      window_.SetShowState(WindowShowState::Normal);
      window_.MinimizeApplication();
    } else {
      window_.SetShowState(state);
    }
    window_.Repaint();
  }
  restored_ = true;
}

void TFormPlacement::SaveFormPlacement(bool destroying) {
  if (!restored_) return;
  file_.WriteInteger(section_, "FormVersion", kVersion);
  WindowPlacement placement = window_.GetPlacement();
  if (window_.IsMainWindow() && window_.ApplicationMinimized()) placement.showCmd = kShowMinimized;
  file_.WriteInteger(section_, "Flags", placement.flags);
  file_.WriteInteger(section_, "ShowCmd", placement.showCmd);
  file_.WriteInteger(section_, "PixelsPerInch", window_.PixelsPerInch());
  const std::string suffix = ScreenSuffix();
  const std::string minMax = FourNumbers(placement.minX, placement.minY, placement.maxX, placement.maxY);
  file_.WriteString(section_, "MinMaxPos" + suffix, minMax);
  file_.WriteString(section_, "MinMaxPos", minMax);
  const std::string normal = FourNumbers(placement.left, placement.top, placement.right, placement.bottom);
  file_.WriteString(section_, "NormPos" + suffix, normal);
  file_.WriteString(section_, "NormPos", normal);
  file_.WriteBool(section_, "Visible", destroying);
  saved_ = true;
}

}  // namespace tarlow
