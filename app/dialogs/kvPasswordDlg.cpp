#include "app/dialogs/kvPasswordDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/kvDialogsConsts.h"

namespace kv {

TfrmPassword::TfrmPassword(const QString& password, QWidget* parent) : QDialog(parent) {
  setObjectName("frmPassword");
  setWindowTitle(ui::SPasswordCaption);
  auto* label = new QLabel(ui::SEnterPassword, this);
  FPassword = new QLineEdit(password, this);
  FPassword->setObjectName("edPassword");
  FPassword->setEchoMode(QLineEdit::Password);
  label->setBuddy(FPassword);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(ui::SOK, QDialogButtonBox::AcceptRole);
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  buttons->addButton(ui::SCancel, QDialogButtonBox::RejectRole)->setObjectName("btnCancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(FPassword);
  layout->addWidget(buttons);
  if (password.isEmpty()) FPassword->setFocus();
}

QString TfrmPassword::Password() const { return FPassword->text(); }

}  // namespace kv
