#include "app/kvWizardHost.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/kvSimpleDemoConsts.h"
#include "app/widgets/kvColorBox.h"
#include "pdf/document/kvDocumentTypes.h"

namespace kv {

void TkvQtWizardHost::ShowMessage(QWidget* parent, TkvMessageKind kind, const QString& text) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (kind) {
    case TkvMessageKind::mkPlain:
      icon = QMessageBox::NoIcon;
      break;
    case TkvMessageKind::mkInformation:
      icon = QMessageBox::Information;
      break;
    case TkvMessageKind::mkWarning:
      icon = QMessageBox::Warning;
      break;
    case TkvMessageKind::mkError:
      icon = QMessageBox::Critical;
      break;
  }
  QMessageBox box(icon, ui::SAppTitle, text, QMessageBox::Ok, parent);
  box.exec();
}

bool TkvQtWizardHost::Confirm(QWidget* parent, const QString& text) {
  return QMessageBox::question(parent, ui::SAppTitle, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QStringList TkvQtWizardHost::ChooseOpenFiles(QWidget* parent, const QString& filter) {
  return QFileDialog::getOpenFileNames(parent, QString(), QString(), filter);
}

QString TkvQtWizardHost::ChooseOpenFile(QWidget* parent, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

QString TkvQtWizardHost::ChooseSaveFile(QWidget* parent, const QString& filter) {
  return QFileDialog::getSaveFileName(parent, QString(), QString(), filter);
}

QString TkvQtWizardHost::ChoosePicture(QWidget* parent) {
  return QFileDialog::getOpenFileName(parent, QString(), QString(), ui::SPictureFilter);
}

bool TkvQtWizardHost::ChooseFont(QWidget* parent, QFont& font, QColor& color) {
  // The font dialog of the desktop has no colour; the marking's text colour is part of
  // its font, so the dialog gets a colour list below the font chooser.
  QDialog dialog(parent);
  dialog.setWindowTitle(QFontDialog::tr("Select Font"));
  auto* chooser = new QFontDialog(font, &dialog);
  chooser->setOptions(QFontDialog::NoButtons);
  auto* colors = new TkvColorBox(*this, &dialog);
  colors->SetColor(color);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(chooser);
  layout->addWidget(new QLabel(QObject::tr("Color:"), &dialog));
  layout->addWidget(colors);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return false;
  font = chooser->currentFont();
  color = colors->Color();
  return true;
}

bool TkvQtWizardHost::ChooseColor(QWidget* parent, QColor& color) {
  QColor chosen = QColorDialog::getColor(color, parent);
  if (!chosen.isValid()) return false;
  color = chosen;
  return true;
}

bool TkvQtWizardHost::InputText(QWidget* parent, const QString& caption, const QString& prompt, QString& text) {
  bool ok = false;
  QString answer = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, text, &ok);
  if (ok) text = answer;
  return ok;
}

int TkvQtWizardHost::ExecDialog(QDialog& dialog) { return dialog.exec(); }

void TkvQtWizardHost::Launch(const std::string& fileName) {
  TkvFileLauncher& launch = DefaultFileLauncher();
  if (launch) launch(fileName);
}

}  // namespace kv
