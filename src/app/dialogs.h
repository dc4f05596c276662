// Every message box and file prompt of the window goes through IDialogs, so
// that tests can answer them without a person at the screen.
#pragma once

#include <QString>
#include <optional>

class QWidget;

enum class MsgIcon { Error, Warning, Information, Question };

// Buttons of a message box; messageBox() returns the one pressed.
enum MsgButton : int { mbOK = 1, mbYes = 2, mbNo = 4, mbCancel = 8 };

class IDialogs {
 public:
  virtual ~IDialogs() = default;

  // Shows a modal message box with the given buttons (an or-ed set of
  // MsgButton) and returns the button pressed.  A non-empty detail is shown
  // as the box's expandable detail text.
  virtual int messageBox(const QString& text, const QString& detail, int buttons,
                         MsgIcon icon) = 0;

  // Asks for the name of an SQL file to write, starting in initialDir.
  // Returns nothing when the user cancels.
  virtual std::optional<QString> saveFileName(const QString& initialDir) = 0;
};

// The real dialogs: QMessageBox and QFileDialog, owned by a parent window.
class QtDialogs : public IDialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  int messageBox(const QString& text, const QString& detail, int buttons,
                 MsgIcon icon) override;
  std::optional<QString> saveFileName(const QString& initialDir) override;

 private:
  QWidget* parent_;
};
