#include "app/dialogs/kvDocInfoDlg.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>

#include "app/dialogs/kvDialogsConsts.h"
#include "app/kvAppText.h"
#include "app/kvWizardHost.h"
#include "pdf/document/kvPDFDoc.h"

namespace kv {

QString VersionText(int versionCode) {
  if (versionCode < 0 || versionCode >= static_cast<int>(std::size(ui::SVersionTexts))) return QString();
  return ui::SVersionTexts[versionCode];
}

TfrmDocInfo::TfrmDocInfo(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent)
    : QDialog(parent), FDocument(document) {
  setObjectName("frmDocInfo");
  setWindowTitle(ui::SDocInfoCaption);
  const char* labels[kFieldCount] = {ui::SFileLabel,     ui::STitleLabel,    ui::SSubjectLabel,
                                     ui::SAuthorLabel,   ui::SKeywordsLabel, ui::SCreatorLabel,
                                     ui::SProducerLabel, ui::SVersionLabel,  ui::SNumberOfPages};
  const QString values[kFieldCount] = {QFile::decodeName(document.FileName().c_str()),
                                       FromAnsi(document.GetTitle()),
                                       FromAnsi(document.GetSubject()),
                                       FromAnsi(document.GetAuthor()),
                                       FromAnsi(document.GetKeywords()),
                                       FromAnsi(document.GetCreator()),
                                       FromAnsi(document.GetProducer()),
                                       VersionText(document.PDFVersion()),
                                       QString::number(document.PageCount())};
  auto* form = new QFormLayout;
  for (int i = 0; i < kFieldCount; ++i) {
    FFields[i] = new QLineEdit(values[i], this);
    FFields[i]->setReadOnly(true);
    FFields[i]->setMinimumWidth(360);
    form->addRow(labels[i], FFields[i]);
  }
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* view = buttons->addButton(ui::SViewPdf, QDialogButtonBox::ActionRole);
  view->setObjectName("btnViewPdf");
  QPushButton* close = buttons->addButton(ui::SClose, QDialogButtonBox::RejectRole);
  close->setObjectName("btnClose");
  close->setDefault(true);
  connect(view, &QPushButton::clicked, this, [this, &host] { host.Launch(FDocument.FileName()); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

}  // namespace kv
