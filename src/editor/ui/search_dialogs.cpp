#include "editor/ui/search_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <stdexcept>

#include "editor/ui/memo_view.h"

namespace tarlow {

// ------------------------------------------------------------ history field

THistoryEditor::THistoryEditor(TEditorSettings* settings, std::string valueName, QWidget* parent)
    : QComboBox(parent), settings_(settings), valueName_(std::move(valueName)) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setMaxVisibleItems(12);
  if (settings_ != nullptr) history_.Load(*settings_, valueName_);
  for (const std::u16string& item : history_.Items()) addItem(QString::fromStdU16String(item));
  setCurrentIndex(-1);
}

THistoryEditor::~THistoryEditor() { Save(); }

void THistoryEditor::Commit() {
  const QString text = currentText();
  if (!text.isEmpty()) history_.Add(text.toStdU16String());
  Save();
}

void THistoryEditor::Save() const {
  if (settings_ != nullptr) history_.Save(*settings_, valueName_);
}

// --------------------------------------------------------- find and replace

namespace {

QGroupBox* Group(const char* caption, std::initializer_list<QWidget*> controls, QWidget* parent) {
  auto* box = new QGroupBox(QString::fromLatin1(caption), parent);
  auto* layout = new QVBoxLayout(box);
  for (QWidget* c : controls) layout->addWidget(c);
  return box;
}

QRadioButton* Radio(const char* name, const char* caption, bool on, QWidget* parent) {
  auto* r = new QRadioButton(QString::fromLatin1(caption), parent);
  r->setObjectName(QString::fromLatin1(name));
  r->setChecked(on);
  return r;
}

QCheckBox* Check(const char* name, const char* caption, bool on, QWidget* parent) {
  auto* c = new QCheckBox(QString::fromLatin1(caption), parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setChecked(on);
  return c;
}

}  // namespace

TSearchDialog::TSearchDialog(bool replace, const TSearchOptions& options, TEditorSettings* settings,
                             QWidget* parent)
    : QDialog(parent), replace_(replace), options_(options) {
  setObjectName(QString::fromLatin1(replace ? "ReplDialog" : "SrchDialog"));
  setWindowTitle(QString::fromLatin1(replace ? "Replace Text" : "Find Text"));
  const std::string dialog = replace ? "ReplDialog" : "SrchDialog";

  auto* tabs = new QTabWidget(this);
  auto* page = new QWidget(tabs);
  tabs->addTab(page, QStringLiteral("Find"));
  auto* grid = new QVBoxLayout(page);

  SearText = new THistoryEditor(settings, TEditHistory::ValueName(dialog, "SearText"), page);
  SearText->setObjectName(QStringLiteral("SearText"));
  SearText->setEditText(QString::fromStdU16String(options.TextToFind));
  auto* searLabel = new QLabel(QStringLiteral("&Text to find:"), page);
  searLabel->setBuddy(SearText);
  auto* row = new QHBoxLayout;
  row->addWidget(searLabel);
  row->addWidget(SearText, 1);
  grid->addLayout(row);
  if (replace) {
    ReplText = new THistoryEditor(settings, TEditHistory::ValueName(dialog, "ReplText"), page);
    ReplText->setObjectName(QStringLiteral("ReplText"));
    ReplText->setEditText(QString::fromStdU16String(options.ReplaceWith));
    auto* replLabel = new QLabel(QStringLiteral("&Replace with:"), page);
    replLabel->setBuddy(ReplText);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(replLabel);
    row2->addWidget(ReplText, 1);
    grid->addLayout(row2);
  }

  CaseSens = Check("CaseSens", "&Case sensitive", options.CaseSensitive, page);
  WholeWord = Check("WholeWord", "&Whole words only", options.WholeWordsOnly, page);
  RegExpr = Check("RegExpr", "Regular e&xpressions", options.RegularExpr, page);
  QGroupBox* optionsBox;
  if (replace) {
    PromptRepl = Check("PromptRepl", "&Prompt on replace", options.PromptOnReplace, page);
    optionsBox = Group("Options", {CaseSens, WholeWord, RegExpr, PromptRepl}, page);
  } else {
    optionsBox = Group("Options", {CaseSens, WholeWord, RegExpr}, page);
  }
  const bool back = options.Direction == TSearchDirection::sdBackward;
  Forward = Radio("Forward", "Forwar&d", !back, page);
  Backward = Radio("Backward", "&Backward", back, page);
  const bool sel = options.Scope == TSearchScope::ssSelectedText;
  Global = Radio("Global", "&Global", !sel, page);
  Selected = Radio("Selected", "&Selected text", sel, page);
  const bool entire = options.Origin == TSearchOrigin::soEntireScope;
  FromCursor = Radio("FromCursor", "&From cursor", !entire, page);
  EntireScope = Radio("EntireScope", "&Entire scope", entire, page);
  auto* groups = new QHBoxLayout;
  groups->addWidget(optionsBox);
  groups->addWidget(Group("Direction", {Forward, Backward}, page));
  grid->addLayout(groups);
  auto* groups2 = new QHBoxLayout;
  groups2->addWidget(Group("Scope", {Global, Selected}, page));
  groups2->addWidget(Group("Origin", {FromCursor, EntireScope}, page));
  grid->addLayout(groups2);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  if (replace) {
    QPushButton* all = buttons->addButton(QStringLiteral("Replace &All"), QDialogButtonBox::ActionRole);
    all->setObjectName(QStringLiteral("ReplBut"));
    connect(all, &QPushButton::clicked, this, [this] { done(kReplaceAll); });
  }
  QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
  help->setObjectName(QStringLiteral("HelpButton"));
  connect(ok, &QPushButton::clicked, this, [this] { accept(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
  setSizeGripEnabled(false);
  // The option buttons were made in one parent, where they excluded each
  // other; in their groups each pair shows its option.
  Forward->setChecked(!back);
  Backward->setChecked(back);
  Global->setChecked(!sel);
  Selected->setChecked(sel);
  FromCursor->setChecked(!entire);
  EntireScope->setChecked(entire);
  SearText->setFocus();
  SearText->lineEdit()->selectAll();
}

TSearchOptions TSearchDialog::Options() const {
  TSearchOptions o = options_;
  o.TextToFind = SearText->currentText().toStdU16String();
  if (ReplText != nullptr) o.ReplaceWith = ReplText->currentText().toStdU16String();
  o.CaseSensitive = CaseSens->isChecked();
  o.WholeWordsOnly = WholeWord->isChecked();
  o.RegularExpr = RegExpr->isChecked();
  if (PromptRepl != nullptr) o.PromptOnReplace = PromptRepl->isChecked();
  o.Direction = Backward->isChecked() ? TSearchDirection::sdBackward : TSearchDirection::sdForward;
  o.Scope = Selected->isChecked() ? TSearchScope::ssSelectedText : TSearchScope::ssGlobal;
  o.Origin = EntireScope->isChecked() ? TSearchOrigin::soEntireScope : TSearchOrigin::soFromCursor;
  return o;
}

void TSearchDialog::CommitHistories() {
  SearText->Commit();
  if (ReplText != nullptr) ReplText->Commit();
}

// -------------------------------------------------------------- go to line

TGotoLineDialog::TGotoLineDialog(int line, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("GotoLineDialog"));
  setWindowTitle(QStringLiteral("Go to line Number"));
  Edit = new QLineEdit(QString::number(line), this);
  Edit->setObjectName(QStringLiteral("Edit"));
  auto* label = new QLabel(QStringLiteral("&Enter new line number:"), this);
  label->setBuddy(Edit);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setDefault(true);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(Edit);
  layout->addWidget(buttons);
}

// ------------------------------------------------------------- messages

void TQtSearchMessages::Information(const std::u16string& message) {
  QMessageBox::information(parent_, QApplication::applicationDisplayName(), QString::fromStdU16String(message));
}

TReplaceAnswer TQtSearchMessages::ConfirmReplace(const std::u16string& message) {
  const auto answer = QMessageBox::question(
      parent_, QApplication::applicationDisplayName(), QString::fromStdU16String(message),
      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::YesToAll, QMessageBox::Yes);
  switch (answer) {
    case QMessageBox::Yes: return TReplaceAnswer::Yes;
    case QMessageBox::No: return TReplaceAnswer::No;
    case QMessageBox::YesToAll: return TReplaceAnswer::All;
    default: return TReplaceAnswer::Cancel;
  }
}

void TQtSearchMessages::Busy(bool on) {
  if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
  else QApplication::restoreOverrideCursor();
}

// ------------------------------------------------- the view's dialog commands

// Both dialogs work on a copy of the shared options, prepared for the
// store's selection; a confirmed dialog replaces them and searches, unless
// the store that opened it went away meanwhile.
void TMemoView::ShowFindDialog() { RunSearchDialog(false); }

void TMemoView::ShowReplaceDialog() { RunSearchDialog(true); }

void TMemoView::RunSearchDialog(bool replace) {
  if (store_ == nullptr) return;
  TMemoSource* store = store_;
  TSearchOptions& shared = TSearchOptions::Shared();
  store->PrepareSearchOptions(shared);
  int result;
  TSearchOptions chosen;
  {
    TSearchDialog dialog(replace, shared, settings_, this);
    result = ExecDialog(dialog);
    chosen = dialog.Options();
    const bool confirmed = result == QDialog::Accepted || (replace && result == TSearchDialog::kReplaceAll);
    if (!confirmed) return;
    dialog.CommitHistories();
  }
  if (store_ != store) return;
  if (replace) chosen.ReplaceAll = result == TSearchDialog::kReplaceAll;
  shared = chosen;
  TSearchOptions::SaveShared();
  if (replace) store->ReplaceFromDialog(shared);
  else store->FindFromDialog(shared);
}

void TMemoView::SearchAgain() {
  if (store_ != nullptr) store_->SearchAgain(TSearchOptions::Shared());
}

void TMemoView::ShowGotoLineDialog() {
  if (store_ == nullptr) return;
  TGotoLineDialog dialog(store_->Caret().Line + 1, this);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  const QString text = dialog.Edit->text().trimmed();
  bool ok = false;
  const int number = text.toInt(&ok);
  if (!ok) throw std::invalid_argument("'" + dialog.Edit->text().toStdString() + "' is not a valid integer value");
  store_->GotoLine(number);
  // The line goes to the middle of the view, or the top near the start.
  SetTopLine(std::max(0, store_->Caret().Line - VisibleLines() / 2));
}

}  // namespace tarlow
