#include "platform/ui_hooks.h"

#include <atomic>

namespace platform {

namespace {
UiHooks& defaultHooks() {
  static UiHooks hooks;
  return hooks;
}
std::atomic<UiHooks*> installed{nullptr};
}  // namespace

UiHooks& uiHooks() {
  UiHooks* hooks = installed.load();
  return hooks ? *hooks : defaultHooks();
}

void installUiHooks(UiHooks* hooks) { installed.store(hooks); }

ScopedScreenCursor::ScopedScreenCursor(ScreenCursor cursor) {
  if (cursor == ScreenCursor::Default) return;
  saved_ = uiHooks().screenCursor();
  uiHooks().setScreenCursor(cursor);
  active_ = true;
}

ScopedScreenCursor::~ScopedScreenCursor() {
  if (active_) uiHooks().setScreenCursor(saved_);
}

}  // namespace platform
