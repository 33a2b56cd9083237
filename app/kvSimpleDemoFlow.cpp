// Next, page by page, and the finish step: settings, markings, thumbnails, the demo
// stamps, saving and the e-mail after it.
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/dialogs/kvProgressDlg.h"
#include "app/dialogs/kvSettingsDlg.h"
#include "app/kvDemoStamp.h"
#include "app/kvMailer.h"
#include "app/kvMailerConsts.h"
#include "app/kvSimpleDemo.h"
#include "app/kvSimpleDemoConsts.h"
#include "app/kvWizardHost.h"
#include "app/pages/kvBookmarkPage.h"
#include "app/pages/kvFormsPage.h"
#include "app/pages/kvMarkingPage.h"
#include "app/pages/kvMergePage.h"
#include "app/pages/kvThumbnailPage.h"
#include "app/widgets/kvInputFilters.h"
#include "core/kvClasses.h"
#include "pdf/document/kvPDFDoc.h"
#include "pdf/features/kvPicture.h"

namespace kv {

std::string SavedFileName(const std::string& fileName) {
  // The library's rule for SaveToFile: a name whose extension is not ".pdf" (in any case)
  // gets ".pdf" appended.
  size_t slash = fileName.find_last_of('/');
  size_t dot = fileName.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    QString ext = QString::fromStdString(fileName.substr(dot));
    if (ext.compare(".pdf", Qt::CaseInsensitive) == 0) return fileName;
  }
  return fileName + ".pdf";
}

bool TfrmMain::RunBusy(const std::function<void()>& work) {
  try {
    TkvBusyScope busy = Busy();
    work();
    return true;
  } catch (const std::exception& e) {
    ShowError(QString::fromStdString(e.what()));
    return false;
  }
}

void TfrmMain::NextClicked() {
  QWidget* current = CurrentPage();
  btnNext->setEnabled(false);
  btnRestart->setEnabled(true);
  if (current == tsStart) pnlHeader->setVisible(true);
  FHistory.push(current);
  if (current != tsFinish) btnBack->setEnabled(true);

  if (current == tsStart)
    NextFromStart();
  else if (current == tsSourceDoc)
    NextFromSource();
  else if (current == tsMerge)
    NextFromMerge();
  else if (current == tsAppend)
    NextFromAppend();
  else if (current == tsExtract)
    NextFromExtract();
  else if (current == tsDelete)
    NextFromDelete();
  else if (current == tsBookmark || current == tsWatermark || current == tsThumbnails || current == tsForms)
    ShowPage(tsFinish);
  else if (current == tsFinish)
    NextFromFinish();
  else
    Stay();
}

void TfrmMain::NextFromStart() {
  switch (Operation()) {
    case TkvWizardOperation::woMerge:
      ShowPage(tsMerge);
      break;
    case TkvWizardOperation::woExtract:
      ShowPage(tsExtract);
      break;
    default:
      ShowPage(tsSourceDoc);
      break;
  }
}

void TfrmMain::NextFromSource() {
  bool loaded = EnsureLoaded(*FPDFDoc, tsSourceDoc->File->Text());
  btnNext->setEnabled(true);
  if (!loaded) {
    Stay();
    return;
  }
  switch (Operation()) {
    case TkvWizardOperation::woAppend:
      ShowPage(tsAppend);
      break;
    case TkvWizardOperation::woBookmarks:
      tsBookmark->Fill();
      ShowPage(tsBookmark);
      break;
    case TkvWizardOperation::woDelete:
      ShowPage(tsDelete);
      break;
    case TkvWizardOperation::woWatermarks:
      ShowPage(tsWatermark);
      break;
    case TkvWizardOperation::woThumbnails:
      tsThumbnails->Fill(FPDFDoc->PageCount());
      ShowPage(tsThumbnails);
      break;
    case TkvWizardOperation::woAcroForms:
      tsForms->Fill();
      ShowPage(tsForms);
      break;
    default:
      Stay();
      break;
  }
}

void TfrmMain::NextFromMerge() {
  if (tsMerge->RowCount() < 2) {
    FHost.ShowMessage(this, TkvMessageKind::mkWarning, ui::SAddTwoFiles);
    btnNext->setEnabled(tsMerge->RowCount() > 0);
    Stay();
    return;
  }
  std::vector<std::string> files;
  for (const QString& f : tsMerge->Files()) files.push_back(FileSystemName(f));
  // A file that cannot be merged leaves nothing half-merged behind.
  if (!RunBusy([&] { FPDFDoc->MergeDocuments(files); })) FPDFDoc->Reset();
  if (!FPDFDoc->DocumentLoaded()) {
    btnNext->setEnabled(true);
    Stay();
    return;
  }
  ShowPage(tsFinish);
}

void TfrmMain::NextFromAppend() {
  btnNext->setEnabled(true);
  if (tsAppend->rbPages->isChecked() && tsAppend->edPages->text().isEmpty()) {
    FHost.ShowMessage(this, TkvMessageKind::mkInformation, ui::SEnterPagesToAppend);
    Stay();
    return;
  }
  const bool insert = tsAppend->rbInsertAfter->isChecked();
  if (insert && tsAppend->edInsertAfter->text().isEmpty()) {
    FHost.ShowMessage(this, TkvMessageKind::mkInformation, ui::SEnterInsertAfter);
    Stay();
    return;
  }
  // Also reloaded when the field names another file than the one loaded: typing a new
  // name must not append the pages of the old one.
  if (!EnsureLoaded(*FPDFTmpDoc, tsAppend->File->Text())) {
    FPDFTmpDoc->Reset();
    Stay();
    return;
  }
  const std::string range = tsAppend->rbPages->isChecked() ? tsAppend->edPages->text().toStdString() : "";
  const bool done = RunBusy([&] {
    if (insert)
      FPDFDoc->InsertPagesFrom(*FPDFTmpDoc, range, ReadDigits(tsAppend->edInsertAfter->text(), 0));
    else
      FPDFDoc->AppendPagesFrom(*FPDFTmpDoc, range);
  });
  FPDFTmpDoc->Reset();
  if (!done) return Stay();
  ShowPage(tsFinish);
}

void TfrmMain::NextFromExtract() {
  btnNext->setEnabled(true);
  if (tsExtract->edRange->text().isEmpty()) {
    FHost.ShowMessage(this, TkvMessageKind::mkInformation, ui::SEnterExtractRange);
    Stay();
    return;
  }
  if (!EnsureLoaded(*FPDFTmpDoc, tsExtract->File->Text())) {
    FPDFTmpDoc->Reset();
    Stay();
    return;
  }
  FPDFDoc->Reset();
  if (!RunBusy([&] { FPDFTmpDoc->ExtractPagesTo(*FPDFDoc, tsExtract->edRange->text().toStdString()); })) {
    FPDFDoc->Reset();
    return Stay();
  }
  FPDFTmpDoc->Reset();
  ShowPage(tsFinish);
}

void TfrmMain::NextFromDelete() {
  if (!FHost.Confirm(this, ui::SConfirmDelete)) {
    btnNext->setEnabled(true);
    Stay();
    return;
  }
  try {
    FPDFDoc->DeletePages(tsDelete->edRange->text().toStdString());
  } catch (const std::exception& e) {
    ShowError(QString(ui::SErrorDeleting) + QString::fromStdString(e.what()));
    Stay();
    return;
  }
  btnBack->setEnabled(false);
  ShowPage(tsFinish);
}

void TfrmMain::NextFromFinish() {
  FSettings->Prepare(*FPDFDoc);
  if (FHost.ExecDialog(*FSettings) != QDialog::Accepted) {
    Stay();
    btnNext->setEnabled(true);
    if (FinishBackLocked()) btnBack->setEnabled(false);
    return;
  }
  auto stayOnFinish = [this] {
    Stay();
    btnNext->setEnabled(true);
    if (FinishBackLocked()) btnBack->setEnabled(false);
  };
  if (Operation() == TkvWizardOperation::woWatermarks && !ApplyMarkings()) return stayOnFinish();
  if (Operation() == TkvWizardOperation::woThumbnails && !ApplyThumbnails()) return stayOnFinish();
  if (!StampDemo()) return stayOnFinish();
  if (!SaveDocument()) return stayOnFinish();
  ShowPage(tsDone);
  btnNext->setEnabled(false);
  btnBack->setEnabled(false);
}

bool TfrmMain::ApplyMarkings() {
  const int count = tsWatermark->Count();
  for (int i = FMarkingsStamped; i < count; ++i) {
    try {
      FPDFDoc->SetMeasurementUnit(tsWatermark->UnitOf(i));
      tsWatermark->Stamp(i);
    } catch (const std::exception& e) {
      ShowError(QString(ui::SErrorMarking) + QString::fromStdString(e.what()));
      return false;
    }
    FMarkingsStamped = i + 1;
  }
  return true;
}

bool TfrmMain::ApplyThumbnails() {
  if (FThumbnailsSet) return true;
  const QStringList images = tsThumbnails->Images();
  for (int page = 1; page <= images.size(); ++page) {
    const QString& image = images[page - 1];
    if (image.isEmpty()) continue;
    try {
      std::unique_ptr<TkvPicture> picture = LoadPictureFromFile(FileSystemName(image));
      FPDFDoc->SetPageThumbnail(page, *picture);
    } catch (const std::exception& e) {
      // Thumbnails set before the failure stay on their pages; the retry sets them anew.
      ShowError(QString::fromStdString(e.what()));
      return false;
    }
  }
  FThumbnailsSet = true;
  return true;
}

bool TfrmMain::StampDemo() {
  if (FDemoStamped || FPDFDoc->PageCount() == 0) return true;
  try {
    StampDemoMarkings(*FPDFDoc);
  } catch (const std::exception& e) {
    ShowError(QString(ui::SErrorMarking) + QString::fromStdString(e.what()));
    return false;
  }
  FDemoStamped = true;
  return true;
}

bool TfrmMain::SaveDocument() {
  const std::string output = FileSystemName(tsFinish->File->Text());
  try {
    TkvBusyScope busy = Busy();
    FPDFDoc->SaveToFile(output);
  } catch (const std::exception&) {
    ShowError(ui::SErrorSaving);
    return false;
  }
  // The save stands whatever happens to the e-mail.
  if (FPDFDoc->EMailAfterSave()) MailDocument(SavedFileName(output));
  return true;
}

void TfrmMain::MailDocument(const std::string& savedName) {
  const TkvEMailInfo& mail = FPDFDoc->EMailInfo();
  try {
    TkvBusyScope busy = Busy();
    std::string to = mail.ToAddresses.empty() ? std::string() : mail.ToAddresses.front();
    FProgress->SetStatus(QString::fromStdString(Format(msg::SMailSending, to.c_str())));
    SendDocumentByMail(mail, savedName, [this](int percentage) { FProgress->SetPosition(percentage); });
  } catch (const std::exception& e) {
    ShowError(QString::fromStdString(Format(ui::SMailFailed, e.what())).replace("\r\n", "\n"));
  }
}

}  // namespace kv
