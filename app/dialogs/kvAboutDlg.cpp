#include "app/dialogs/kvAboutDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/kvDialogsConsts.h"

#ifndef FOLIO_VERSION
#define FOLIO_VERSION "unknown"
#endif

namespace kv {

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setWindowTitle(ui::SAboutCaption);
  auto* product = new QLabel(ui::SAboutProduct, this);
  product->setObjectName("lblProduct");
  QFont bold = product->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.4);
  product->setFont(bold);
  auto* version = new QLabel(QString(ui::SAboutVersion).arg(FOLIO_VERSION), this);
  version->setObjectName("lblVersion");
  auto* text = new QLabel(ui::SAboutText, this);
  text->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(ui::SOK, QDialogButtonBox::AcceptRole);
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(product);
  layout->addWidget(version);
  layout->addWidget(text);
  layout->addWidget(buttons);
  setMinimumWidth(380);
}

}  // namespace kv
