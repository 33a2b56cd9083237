// Renders every page and dialog of the wizard to PNG files, on the offscreen platform:
//   wizard_screenshots OUTDIR DATADIR
// The window is driven as in the tests (a host that answers the dialogs), over the
// sample files in DATADIR (tests/data).
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>

#include "WizardTestHost.h"
#include "app/dialogs/kvAboutDlg.h"
#include "app/dialogs/kvDocInfoDlg.h"
#include "app/dialogs/kvPasswordDlg.h"
#include "app/dialogs/kvProgressDlg.h"
#include "app/dialogs/kvSettingsDlg.h"
#include "app/kvSimpleDemo.h"
#include "app/pages/kvBookmarkPage.h"
#include "app/pages/kvFormsPage.h"
#include "app/pages/kvMarkingPage.h"
#include "app/pages/kvMergePage.h"
#include "app/pages/kvThumbnailPage.h"
#include "pdf/document/kvPDFDoc.h"

namespace {

QString gOut, gData;

void Save(QWidget& w, const QString& name) {
  QApplication::processEvents();
  QString file = gOut + "/" + name + ".png";
  if (!w.grab().save(file))
    std::fprintf(stderr, "could not write %s\n", qPrintable(file));
  else
    std::printf("%s\n", qPrintable(file));
}

QString Data(const char* name) { return gData + "/" + name; }

// A dialog answer that grabs the dialog as shown, then cancels it.
kvtest::TestHost::DialogAnswer Grab(const QString& name, std::function<void(QDialog&)> fill = nullptr) {
  return [name, fill](QDialog& d) {
    d.show();
    if (fill) fill(d);
    d.adjustSize();
    Save(d, name);
    d.hide();
    return int(QDialog::Rejected);
  };
}

void Restart(kv::TfrmMain& w, kvtest::TestHost& host) {
  host.DefaultConfirm = true;
  w.RestartClicked();
}

void OpenSource(kv::TfrmMain& w, kv::TkvWizardOperation op, const char* file) {
  w.tsStart->Button(op)->click();
  w.NextClicked();
  w.tsSourceDoc->File->Edit()->setText(Data(file));
  w.NextClicked();
}

void Shoot(kv::TfrmMain& w, kvtest::TestHost& host) {
  w.resize(860, 560);
  w.show();
  Save(w, "wizard-start");

  w.NextClicked();
  w.tsMerge->AddFiles(
      {Data("groff-letter.pdf"), Data("iwb-radio.pdf"), Data("forensics-a-text.pdf"), Data("glpk-cnfsat.pdf")});
  w.tsMerge->lstFiles->topLevelItem(2)->setSelected(true);
  Save(w, "wizard-merge");
  Restart(w, host);

  w.tsStart->Button(kv::TkvWizardOperation::woDelete)->click();
  w.NextClicked();
  w.tsSourceDoc->File->Edit()->setText(Data("glpk-cnfsat.pdf"));
  Save(w, "wizard-source");
  w.NextClicked();
  w.tsDelete->edRange->setText("2-3");
  Save(w, "wizard-delete");
  Restart(w, host);

  OpenSource(w, kv::TkvWizardOperation::woAppend, "iwb-radio.pdf");
  w.tsAppend->File->Edit()->setText(Data("forensics-a-text.pdf"));
  w.tsAppend->rbInsertAfter->setChecked(true);
  w.tsAppend->edInsertAfter->setText("1");
  Save(w, "wizard-append");
  Restart(w, host);

  w.tsStart->Button(kv::TkvWizardOperation::woExtract)->click();
  w.NextClicked();
  w.tsExtract->File->Edit()->setText(Data("glpk-cnfsat.pdf"));
  w.tsExtract->edRange->setText("1,3,5-6");
  Save(w, "wizard-extract");
  Restart(w, host);

  OpenSource(w, kv::TkvWizardOperation::woBookmarks, "gen-outline-fit-types.pdf");
  w.tsBookmark->tvOutline->expandAll();
  w.tsBookmark->tvOutline->setCurrentItem(w.tsBookmark->tvOutline->topLevelItem(1)->child(2));
  Save(w, "wizard-bookmarks");
  Restart(w, host);

  OpenSource(w, kv::TkvWizardOperation::woThumbnails, "iwb-radio.pdf");
  host.PictureAnswers = {Data("pictures/rose-rgb-baseline.jpg")};
  w.tsThumbnails->lstPages->setCurrentItem(w.tsThumbnails->lstPages->topLevelItem(0));
  w.tsThumbnails->SelectImage();
  Save(w, "wizard-thumbnails");
  Restart(w, host);

  OpenSource(w, kv::TkvWizardOperation::woWatermarks, "glpk-cnfsat.pdf");
  kv::TkvMarkingPage& m = *w.tsWatermark;
  m.edText->setText("CONFIDENTIAL");
  host.InputAnswers = {QString("Confidential"), QString("Rose")};
  m.AddMarking();
  m.Tabs->setCurrentIndex(1);
  host.PictureAnswers = {Data("pictures/rose-rgb-baseline.jpg")};
  m.ChooseImage();
  m.FHorizontal->button(2)->setChecked(true);
  m.AddMarking();
  m.lstMarkings->setCurrentRow(0);
  Save(w, "wizard-markings");
  Restart(w, host);

  OpenSource(w, kv::TkvWizardOperation::woAcroForms, "gen-reportlab-fields.pdf");
  w.tsForms->grdFields->setCurrentCell(1, 1);
  Save(w, "wizard-forms");

  w.NextClicked();
  w.tsFinish->File->Edit()->setText(gOut + "/filled.pdf");
  Save(w, "wizard-finish");
  for (int tab = 0; tab < 4; ++tab) {
    const char* names[] = {"wizard-settings", "wizard-settings-security", "wizard-settings-view",
                           "wizard-settings-email"};
    host.DialogAnswers.push_back(Grab(names[tab], [tab](QDialog& d) {
      auto& s = static_cast<kv::TfrmSettings&>(d);
      s.Tabs->setCurrentIndex(tab);
      if (tab == 1) s.cbEncrypt->setChecked(true);
      if (tab == 2) s.cmbTransition->setCurrentIndex(13);
      if (tab == 3) s.cbEmail->setChecked(true);
      s.resize(520, 560);
    }));
    w.NextClicked();
  }
  host.DialogAnswers.push_back([](QDialog& d) {
    d.show();
    static_cast<kv::TfrmSettings&>(d).cbOpenAfterSave->setChecked(false);
    static_cast<QAbstractButton*>(d.findChild<QPushButton*>("btnOK"))->click();
    return d.result();
  });
  w.NextClicked();
  Save(w, "wizard-done");
  Restart(w, host);

  w.PDFDoc().LoadFromFile(Data("iwb-radio.pdf").toStdString());
  kv::TfrmDocInfo loaded(w.PDFDoc(), host, &w);
  Grab("wizard-docinfo")(loaded);
  kv::TfrmPassword password("", &w);
  Grab("wizard-password")(password);
  Grab("wizard-about")(w.About());
  kv::TfrmProgress& progress = w.Progress();
  progress.Start();
  progress.SetStatus("Traversing Pages...");
  progress.SetPosition(42);
  Save(progress, "wizard-progress");
  progress.Finish();
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTDIR DATADIR\n", argv[0]);
    return 2;
  }
  gOut = QString::fromLocal8Bit(argv[1]);
  gData = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(gOut);
  kvtest::TestHost host;
  kv::TfrmMain window(host);
  Shoot(window, host);
  return 0;
}
