// The Find Text and Replace Text dialogs, their history fields, the "Go to
// line Number" dialog, and the message boxes a search shows.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <string>

#include "editor/search_options.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace tarlow {

// A drop-down text field with a history list kept in the settings store
// under "EditHistory\": loaded when the field is made, saved when the
// dialog is confirmed and when the field goes.
class THistoryEditor : public QComboBox {
  Q_OBJECT
 public:
  THistoryEditor(TEditorSettings* settings, std::string valueName, QWidget* parent = nullptr);
  ~THistoryEditor() override;
  // The typed text goes to the top of the history, which is saved.
  void Commit();
  const TEditHistory& History() const { return history_; }

 private:
  void Save() const;
  TEditorSettings* settings_;
  std::string valueName_;
  TEditHistory history_;
};

// "Find Text" and, with replace set, "Replace Text": works on a copy of the
// options, which Confirm writes back.
class TSearchDialog : public QDialog {
  Q_OBJECT
 public:
  // The result of Replace All.
  static constexpr int kReplaceAll = 2;

  TSearchDialog(bool replace, const TSearchOptions& options, TEditorSettings* settings, QWidget* parent = nullptr);
  // The options as the controls now set them.
  TSearchOptions Options() const;
  // The texts of the fields go to the top of their histories, which are saved.
  void CommitHistories();

  THistoryEditor* SearText = nullptr;
  THistoryEditor* ReplText = nullptr;
  QCheckBox* CaseSens = nullptr;
  QCheckBox* WholeWord = nullptr;
  QCheckBox* RegExpr = nullptr;
  QCheckBox* PromptRepl = nullptr;
  QRadioButton* Forward = nullptr;
  QRadioButton* Backward = nullptr;
  QRadioButton* Global = nullptr;
  QRadioButton* Selected = nullptr;
  QRadioButton* FromCursor = nullptr;
  QRadioButton* EntireScope = nullptr;

 private:
  bool replace_;
  TSearchOptions options_;
};

class TGotoLineDialog : public QDialog {
  Q_OBJECT
 public:
  TGotoLineDialog(int line, QWidget* parent = nullptr);
  QLineEdit* Edit = nullptr;
};

// Search messages in Qt message boxes.
class TQtSearchMessages : public TSearchMessages {
 public:
  explicit TQtSearchMessages(QWidget* parent) : parent_(parent) {}
  void Information(const std::u16string& message) override;
  TReplaceAnswer ConfirmReplace(const std::u16string& message) override;
  void Busy(bool on) override;

 private:
  QWidget* parent_;
};

}  // namespace tarlow
