// The settings dialog: what it shows of a document, what OK refuses, and what reaches the
// saved file (read back by pypdf): encryption and permissions, information, layout, mode,
// viewer preferences, transitions; and that Cancel changes nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "WizardFixture.h"
#include "app/dialogs/kvDialogsConsts.h"
#include "pdf/document/kvPDFDoc.h"

namespace kvtest {
namespace {

using kv::TfrmSettings;

void Check(QListWidget* list, const QString& text, bool on = true) {
  QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(items.size(), 1) << text.toStdString();
  items[0]->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

bool IsChecked(QListWidget* list, const QString& text) {
  return list->findItems(text, Qt::MatchExactly).value(0)->checkState() == Qt::Checked;
}

void TypeInto(QLineEdit* edit, const QString& text) {
  edit->clear();
  QTest::keyClicks(edit, text);
}

void PressOK(TfrmSettings& d) { QTest::mouseClick(d.findChild<QAbstractButton*>("btnOK"), Qt::LeftButton); }

// The dialog on its own, over a loaded document.
class SettingsTest : public ::testing::Test {
 protected:
  void Open(const std::string& file, const std::string& password = "") {
    if (!password.empty())
      doc.OnPassword = [password](kv::TkvCustomPDFDocument*, std::string& p, bool& cont) {
        p = password;
        cont = true;
      };
    ASSERT_TRUE(doc.LoadFromFile(DataPath(file)));
    dialog.Prepare(doc);
    dialog.setResult(QDialog::Rejected);
    dialog.show();
  }
  TestHost host;
  kv::TkvPDFDocument doc;
  TfrmSettings dialog{host};
};

TEST_F(SettingsTest, ShowsTheDocumentOnTheGeneralTab) {
  doc.SetTitle("Radio");
  doc.PageLayout = 3;
  doc.PageMode = 2;
  doc.ViewerPreferences().SetCenterWindow(true);
  dialog.Tabs->setCurrentIndex(2);
  Open("iwb-radio.v1.3.pdf");
  EXPECT_EQ(dialog.windowTitle(), "Document Settings and Preferences");
  EXPECT_EQ(dialog.Tabs->currentIndex(), 0);
  EXPECT_EQ(dialog.edVersion->text(), "1.3 (Acrobat 4.x)");
  EXPECT_EQ(dialog.edPageCount->text(), "3");
  EXPECT_EQ(dialog.edProducer->text().toStdString(), doc.GetProducer());
  EXPECT_TRUE(dialog.edCreator->isReadOnly());
  EXPECT_FALSE(dialog.edTitle->isReadOnly());
  EXPECT_EQ(dialog.edDuration->text(), "1");
  EXPECT_TRUE(dialog.cbOpenAfterSave->isChecked());
  EXPECT_FALSE(dialog.EncryptionFields->isEnabled());
  EXPECT_FALSE(dialog.gbConnection->isEnabled());
  EXPECT_TRUE(dialog.rb40Bit->isChecked());
  const QStringList tabs = {"General", "Security", "View", "Email"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(dialog.Tabs->tabText(i), tabs[i]);
}

TEST_F(SettingsTest, ListsShowTheDocumentsLayoutModeAndPreferences) {
  Open("glpk-cnfsat.pdf");
  doc.PageLayout = 3;
  doc.PageMode = 2;
  doc.ViewerPreferences().SetCenterWindow(true);
  dialog.Prepare(doc);
  EXPECT_EQ(dialog.cmbLayout->currentText(), "Two Column Left");
  EXPECT_EQ(dialog.cmbMode->currentText(), "Use Thumbs");
  EXPECT_TRUE(IsChecked(dialog.lstViewer, "Center Window"));
  EXPECT_FALSE(IsChecked(dialog.lstViewer, "Fit Window"));
  EXPECT_EQ(dialog.cmbTransition->count(), 17);
  EXPECT_EQ(dialog.cmbTransition->itemText(16), "Glitter Top-Left To Bottom-Right");
}

TEST_F(SettingsTest, MismatchedPasswordsKeepTheDialogOpen) {
  Open("iwb-radio.pdf");
  dialog.cbEncrypt->setChecked(true);
  EXPECT_TRUE(dialog.EncryptionFields->isEnabled());
  struct Step {
    const char *Owner, *OwnerConfirm, *User, *UserConfirm;
    const char* Message;  // nullptr: accepted
    QLineEdit* Focus;
  };
  const Step steps[] = {
      {"Secret", "secret", "u", "u", "The Owner Passwords do not match.\r\nPlease re-enter.", dialog.edOwnerPassword},
      {"Secret", "Secret", "u", "U", "The User Passwords do not match.\r\nPlease re-enter.", dialog.edUserPassword},
      {"Secret", "Secret", "u", "u", nullptr, nullptr},
  };
  for (const Step& s : steps) {
    host.Messages.clear();
    TypeInto(dialog.edOwnerPassword, s.Owner);
    TypeInto(dialog.edOwnerConfirm, s.OwnerConfirm);
    TypeInto(dialog.edUserPassword, s.User);
    TypeInto(dialog.edUserConfirm, s.UserConfirm);
    PressOK(dialog);
    if (!s.Message) {
      EXPECT_EQ(dialog.result(), QDialog::Accepted);
      EXPECT_TRUE(host.Messages.empty()) << host.AllMessages();
      continue;
    }
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Kind, kv::TkvMessageKind::mkError);
    EXPECT_EQ(host.Messages[0].Text, s.Message);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget(), s.Focus);
    EXPECT_FALSE(doc.EncryptionSettings().Enabled()) << "nothing applied before every entry is good";
  }
  EXPECT_TRUE(doc.EncryptionSettings().Enabled());
  EXPECT_EQ(doc.EncryptionSettings().OwnerPassword(), "Secret");
}

TEST_F(SettingsTest, CancelChangesNothing) {
  Open("glpk-cnfsat.pdf");
  const std::string title = doc.GetTitle();
  TypeInto(dialog.edTitle, "Changed");
  dialog.cbEncrypt->setChecked(true);
  dialog.cmbLayout->setCurrentIndex(2);
  dialog.cmbTransition->setCurrentIndex(5);
  Check(dialog.lstViewer, "Hide Toolbars");
  dialog.cbEmail->setChecked(true);
  QTest::mouseClick(dialog.findChild<QAbstractButton*>("btnCancel"), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(doc.GetTitle(), title);
  EXPECT_FALSE(doc.EncryptionSettings().Enabled());
  EXPECT_EQ(doc.PageLayout, 0);
  EXPECT_FALSE(doc.ViewerPreferences().HideToolbar());
  EXPECT_FALSE(doc.EMailAfterSave());
  EXPECT_FALSE(doc.OpenAfterSave());
}

TEST_F(SettingsTest, AnEffectHoldsTheLayoutAtSinglePage) {
  Open("iwb-radio.pdf");
  dialog.cmbLayout->setCurrentIndex(4);
  dialog.cmbTransition->setCurrentIndex(13);
  EXPECT_EQ(dialog.cmbLayout->currentText(), "Single Page");
  dialog.cmbLayout->setCurrentIndex(2);
  EXPECT_EQ(dialog.cmbLayout->currentText(), "Single Page");
  dialog.cmbTransition->setCurrentIndex(0);
  dialog.cmbLayout->setCurrentIndex(2);
  EXPECT_EQ(dialog.cmbLayout->currentText(), "One Column");
}

TEST_F(SettingsTest, RangeChoiceGovernsTheRangeField) {
  Open("iwb-radio.pdf");
  EXPECT_TRUE(dialog.rbAllPages->isChecked());
  EXPECT_FALSE(dialog.edRange->isEnabled());
  dialog.rbPages->setChecked(true);
  TypeInto(dialog.edRange, "2-x3");
  EXPECT_EQ(dialog.edRange->text(), "2-3");
  dialog.rbAllPages->setChecked(true);
  EXPECT_TRUE(dialog.edRange->text().isEmpty());
  EXPECT_FALSE(dialog.edRange->isEnabled());
  TypeInto(dialog.edDuration, "2.5s");
  EXPECT_EQ(dialog.edDuration->text(), "25");
}

TEST_F(SettingsTest, ABadTransitionRangeIsRefusedBeforeAnythingChanges) {
  Open("iwb-radio.pdf");
  TypeInto(dialog.edTitle, "New title");
  dialog.cmbTransition->setCurrentIndex(3);
  dialog.rbPages->setChecked(true);
  TypeInto(dialog.edRange, "2-9");
  PressOK(dialog);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Kind, kv::TkvMessageKind::mkError);
  EXPECT_NE(doc.GetTitle(), "New title");
}

TEST_F(SettingsTest, OnlyTheOwnerMayChangeEncryption) {
  // Opened with the user password: the protection stays as the owner set it.
  Open("rc4-128-userpw.pdf", "user128");
  ASSERT_FALSE(doc.EncryptionSettings().CanChange());
  dialog.cbEncrypt->setChecked(false);
  dialog.cbEncrypt->click();
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Kind, kv::TkvMessageKind::mkInformation);
  EXPECT_EQ(host.Messages[0].Text, "Only the owner can change the encryption settings");
  EXPECT_TRUE(dialog.cbEncrypt->isChecked());
  EXPECT_FALSE(dialog.EncryptionFields->isEnabled());
  PressOK(dialog);
  EXPECT_EQ(dialog.result(), QDialog::Accepted) << host.AllMessages();
}

TEST_F(SettingsTest, MailEntriesReachTheDocument) {
  Open("iwb-radio.pdf");
  dialog.cbEmail->setChecked(true);
  EXPECT_TRUE(dialog.gbAddresses->isEnabled());
  TypeInto(dialog.edHost, "mail.example.invalid:2525");
  TypeInto(dialog.edUserID, "me");
  TypeInto(dialog.edMailPassword, "pw");
  EXPECT_EQ(dialog.edMailPassword->echoMode(), QLineEdit::Password);
  TypeInto(dialog.edTo, "a@x.invalid, B <b@x.invalid>;;c@x.invalid ");
  TypeInto(dialog.edBCC, "d@x.invalid");
  TypeInto(dialog.edFrom, "me@x.invalid");
  TypeInto(dialog.edMailSubject, "The file");
  dialog.edBody->setPlainText("Hello,\nhere it is.");
  PressOK(dialog);
  ASSERT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(doc.EMailAfterSave());
  const kv::TkvEMailInfo& m = doc.EMailInfo();
  EXPECT_EQ(m.Host, "mail.example.invalid:2525");
  EXPECT_EQ(m.UserID, "me");
  EXPECT_EQ(m.Password, "pw");
  EXPECT_EQ(m.ToAddresses, (std::vector<std::string>{"a@x.invalid", "B <b@x.invalid>", "c@x.invalid"}));
  EXPECT_TRUE(m.CCAddresses.empty());
  EXPECT_EQ(m.BCCAddresses, std::vector<std::string>{"d@x.invalid"});
  EXPECT_EQ(m.Body, (std::vector<std::string>{"Hello,", "here it is."}));
  EXPECT_EQ(m.Subject, "The file");
  // Unchecked again: no mail.
  dialog.cbEmail->setChecked(false);
  EXPECT_FALSE(dialog.gbMessage->isEnabled());
  PressOK(dialog);
  EXPECT_FALSE(doc.EMailAfterSave());
}

TEST_F(SettingsTest, RestartEmptiesEveryField) {
  Open("iwb-radio.pdf");
  dialog.cbEncrypt->setChecked(true);
  TypeInto(dialog.edOwnerPassword, "x");
  Check(dialog.lstPermissions, "Copy");
  Check(dialog.lstViewer, "Fit Window");
  dialog.cmbTransition->setCurrentIndex(4);
  TypeInto(dialog.edDuration, "7");
  dialog.ResetFields();
  EXPECT_TRUE(dialog.edOwnerPassword->text().isEmpty());
  EXPECT_TRUE(dialog.edTitle->text().isEmpty());
  EXPECT_FALSE(IsChecked(dialog.lstPermissions, "Copy"));
  EXPECT_FALSE(IsChecked(dialog.lstViewer, "Fit Window"));
  EXPECT_EQ(dialog.cmbTransition->currentIndex(), -1);
  EXPECT_EQ(dialog.cmbLayout->currentIndex(), -1);
  EXPECT_EQ(dialog.cmbMode->currentIndex(), -1);
  EXPECT_EQ(dialog.edDuration->text(), "1");
  EXPECT_FALSE(dialog.cbEncrypt->isChecked());
  EXPECT_FALSE(dialog.cbOpenAfterSave->isChecked());
  EXPECT_FALSE(dialog.EncryptionFields->isEnabled());
}

// ---- through the wizard, into the saved file ----

TEST_F(WizardTest, EncryptionAndPermissionsReachTheSavedFile) {
  OpenSource(kv::TkvWizardOperation::woBookmarks, Data("iwb-radio.pdf"));
  Next();
  Finish(Out("locked.pdf"), [](TfrmSettings& d) {
    d.cbEncrypt->setChecked(true);
    d.rb128Bit->setChecked(true);
    for (QLineEdit* e : {d.edOwnerPassword, d.edOwnerConfirm}) TypeInto(e, "owner-pw");
    for (QLineEdit* e : {d.edUserPassword, d.edUserConfirm}) TypeInto(e, "user-pw");
    Check(d.lstPermissions, "Print");
    Check(d.lstPermissions, "Copy");
  });
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  EXPECT_TRUE(QpdfCheckClean(Out("locked.pdf"), nullptr, "user-pw"));
  nlohmann::json facts = PdfFacts(Out("locked.pdf"), "user-pw");
  ASSERT_TRUE(facts["encrypted"].get<bool>());
  EXPECT_EQ(facts["decrypt"], 1) << "opened as the user";
  EXPECT_EQ(facts["encrypt"]["R"], 3);
  EXPECT_EQ(facts["encrypt"]["Length"], 128);
  // Exactly the checked permissions: print (bit 3) and copy (bit 5) of the eight.
  EXPECT_EQ(facts["encrypt"]["P"].get<int>() & 0xF3C, 4 | 16);
  EXPECT_EQ(PdfFacts(Out("locked.pdf"), "owner-pw")["decrypt"], 2) << "opened as the owner";
}

TEST_F(WizardTest, ViewSettingsAndInformationReachTheSavedFile) {
  OpenSource(kv::TkvWizardOperation::woBookmarks, Data("gen-outline-fit-types.pdf"));
  ASSERT_EQ(W().PDFDoc().PageCount(), 12);
  W().PDFDoc().ViewerPreferences().SetHideMenubar(true);
  Next();
  Finish(Out("view.pdf"), [](TfrmSettings& d) {
    EXPECT_TRUE(IsChecked(d.lstViewer, "Hide Menu Bar"));
    TypeInto(d.edTitle, "Fit types");
    TypeInto(d.edAuthor, "Wizard");
    TypeInto(d.edSubject, "Tests");
    TypeInto(d.edKeywords, "a, b");
    d.cbOpenAfterSave->setChecked(false);
    d.cmbMode->setCurrentIndex(2);
    d.cmbTransition->setCurrentIndex(13);
    TypeInto(d.edDuration, "3");
    // Unchecking what the document already has leaves it set.
    Check(d.lstViewer, "Hide Menu Bar", false);
    Check(d.lstViewer, "Fit Window");
    Check(d.lstViewer, "Display Document Title");
  });
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  EXPECT_TRUE(host.Launched.empty()) << "Open After Save was unchecked";
  ASSERT_TRUE(QpdfCheckClean(Out("view.pdf")));
  nlohmann::json f = PdfFacts(Out("view.pdf"));
  EXPECT_EQ(f["info"]["/Title"], "Fit types");
  EXPECT_EQ(f["info"]["/Author"], "Wizard");
  EXPECT_EQ(f["info"]["/Subject"], "Tests");
  EXPECT_EQ(f["info"]["/Keywords"], "a, b");
  EXPECT_EQ(f["layout"], "/SinglePage");
  EXPECT_EQ(f["mode"], "/UseThumbs");
  EXPECT_EQ(f["viewer"], nlohmann::json({{"/HideMenubar", true}, {"/FitWindow", true}, {"/DisplayDocTitle", true}}));
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(f["transitions"][i], "/Dissolve") << "page " << i + 1;
    EXPECT_EQ(f["durations"][i], 3.0);
  }
}

TEST_F(WizardTest, TransitionOnATypedRangeOnly) {
  OpenSource(kv::TkvWizardOperation::woBookmarks, Data("glpk-cnfsat.pdf"));
  Next();
  Finish(Out("slides.pdf"), [](TfrmSettings& d) {
    d.cmbTransition->setCurrentIndex(9);
    d.rbPages->setChecked(true);
    TypeInto(d.edRange, "2-3");
    d.edDuration->clear();
  });
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  nlohmann::json f = PdfFacts(Out("slides.pdf"));
  std::vector<std::string> transitions = f["transitions"];
  EXPECT_EQ(transitions, (std::vector<std::string>{"", "/Wipe", "/Wipe", "", "", ""}));
  EXPECT_EQ(f["durations"][1], 1.0) << "an empty duration counts as one second";
}

}  // namespace
}  // namespace kvtest
