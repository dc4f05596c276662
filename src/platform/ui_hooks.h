// The few user-interface services that the access layer needs from whatever
// program hosts it: the screen's mouse cursor (the busy cursor around logon
// and statements), running a piece of work on the main thread (threaded
// queries report back through it) and a debug message box.
//
// Without a window the defaults apply: the cursor is only remembered so that
// save-and-restore works, work runs at once on the calling thread and debug
// messages go nowhere.  The main window installs its own hooks at start-up.
#pragma once

#include <functional>
#include <string>

namespace platform {

enum class ScreenCursor {
  Default,    // crDefault: the normal pointer, "nothing special shown"
  HourGlass,  // crHourGlass: busy
  SQLWait,    // crSQLWait: busy talking to the database
  Arrow,
};

class UiHooks {
 public:
  virtual ~UiHooks() = default;

  // The cursor the screen shows now, as last set through these hooks.
  virtual ScreenCursor screenCursor() const { return cursor_; }
  // Shows a cursor on the whole screen; Default puts the normal one back.
  virtual void setScreenCursor(ScreenCursor cursor) { cursor_ = cursor; }

  // Runs work on the main (user-interface) thread and returns once it ran.
  virtual void runOnMainThread(const std::function<void()>& work) { work(); }

  // A modal box for a developer's diagnostic text.
  virtual void debugMessage(const std::string& text) { (void)text; }

 private:
  ScreenCursor cursor_ = ScreenCursor::Default;
};

// The hooks in force: the installed ones, else a process-wide default set.
UiHooks& uiHooks();
// Installs hooks (not owned; they must outlive their use).  nullptr goes back
// to the defaults.
void installUiHooks(UiHooks* hooks);

// Shows a cursor for the lifetime of the object and puts the previous one
// back afterwards.  Default shows nothing and restores nothing.
class ScopedScreenCursor {
 public:
  explicit ScopedScreenCursor(ScreenCursor cursor);
  ~ScopedScreenCursor();
  ScopedScreenCursor(const ScopedScreenCursor&) = delete;
  ScopedScreenCursor& operator=(const ScopedScreenCursor&) = delete;

 private:
  bool active_ = false;
  ScreenCursor saved_ = ScreenCursor::Default;
};

}  // namespace platform
