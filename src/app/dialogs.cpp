#include "app/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon toQt(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Question: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

int QtDialogs::messageBox(const QString& text, const QString& detail, int buttons,
                          MsgIcon icon) {
  // The program's texts break lines with CR LF; a label wants bare LF.
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(toQt(icon), QApplication::applicationDisplayName(), shown,
                  QMessageBox::NoButton, parent_);
  box.setTextFormat(Qt::PlainText);
  struct Choice {
    MsgButton ours;
    QMessageBox::StandardButton qt;
  };
  static constexpr Choice choices[] = {{mbOK, QMessageBox::Ok},
                                       {mbYes, QMessageBox::Yes},
                                       {mbNo, QMessageBox::No},
                                       {mbCancel, QMessageBox::Cancel}};
  for (const Choice& c : choices)
    if (buttons & c.ours) box.addButton(c.qt);
  if (box.buttons().isEmpty()) box.addButton(QMessageBox::Ok);
  if (!detail.isEmpty()) {
    QString details = detail;
    details.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setDetailedText(details);
  }
  // The window disables itself while it logs on and reports a failed logon
  // before it enables itself again; a box born of a disabled parent would
  // be disabled too and could never be answered.
  box.setEnabled(true);
  box.exec();
  QAbstractButton* pressed = box.clickedButton();
  for (const Choice& c : choices)
    if (pressed != nullptr && pressed == box.button(c.qt)) return c.ours;
  // Closed without a button (Esc or the close box): the safe answer.
  if (buttons & mbNo) return mbNo;
  if (buttons & mbCancel) return mbCancel;
  return mbOK;
}

std::optional<QString> QtDialogs::saveFileName(const QString& initialDir) {
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("SQL"));
  dialog.setNameFilter(QStringLiteral("SQL Text (*.SQL)"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.setSizeGripEnabled(true);
  if (!initialDir.isEmpty()) dialog.setDirectory(initialDir);
  dialog.setEnabled(true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}
