// What the window tests share: the application object, dialogs that the
// test answers, and a window made for each test.
#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"

// Records every box and prompt; answers boxes from a queue (then with the
// default answer) and prompts with a fixed name.
class FakeDialogs : public IDialogs {
 public:
  struct Box {
    QString text;
    QString detail;
    int buttons;
    MsgIcon icon;
  };
  std::vector<Box> boxes;
  std::deque<int> answers;
  int defaultAnswer = mbNo;
  std::optional<QString> saveAnswer;
  std::vector<QString> savePrompts;

  int messageBox(const QString& text, const QString& detail, int buttons, MsgIcon icon) override {
    boxes.push_back({text, detail, buttons, icon});
    if (!answers.empty()) {
      int a = answers.front();
      answers.pop_front();
      return a;
    }
    return defaultAnswer;
  }
  std::optional<QString> saveFileName(const QString& initialDir) override {
    savePrompts.push_back(initialDir);
    return saveAnswer;
  }
};

// A fresh folder under the system's temporary directory.
std::string MakeTempDir(const char* prefix);
