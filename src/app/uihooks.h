// The access layer's user-interface hooks filled in with Qt: the busy cursor
// is the application's override cursor.
#pragma once

#include "platform/ui_hooks.h"

class QtUiHooks : public platform::UiHooks {
 public:
  QtUiHooks() = default;
  ~QtUiHooks() override;

  platform::ScreenCursor screenCursor() const override { return cursor_; }
  void setScreenCursor(platform::ScreenCursor cursor) override;
  void runOnMainThread(const std::function<void()>& work) override;
  void debugMessage(const std::string& text) override;

 private:
  platform::ScreenCursor cursor_ = platform::ScreenCursor::Default;
  bool overriding_ = false;  // one override cursor of ours is on Qt's stack
};
