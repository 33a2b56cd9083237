// The settings dialog shown on the finish page before saving: document information,
// encryption, page layout and mode, viewer preferences, a presentation transition and the
// e-mail that follows the save. Nothing reaches the document before OK, and OK applies
// everything only once every entry has been found valid, so a refused OK and Cancel both
// leave the document as it was.
#pragma once

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QTabWidget;

namespace kv {

class TkvPDFDocument;
class TkvWizardHost;

class TfrmSettings : public QDialog {
 public:
  explicit TfrmSettings(TkvWizardHost& host, QWidget* parent = nullptr);

  // Takes the document to edit and fills the dialog from it; called before each showing.
  void Prepare(TkvPDFDocument& document);
  // Empties every field, as after a restart of the wizard.
  void ResetFields();

  // ---- controls, by tab ----
  QTabWidget* Tabs;
  QCheckBox* cbOpenAfterSave;
  QLineEdit *edTitle, *edAuthor, *edSubject, *edKeywords;
  QLineEdit *edCreator, *edProducer, *edVersion, *edPageCount;

  QCheckBox* cbEncrypt;
  QWidget* EncryptionFields;
  QLineEdit *edOwnerPassword, *edOwnerConfirm, *edUserPassword, *edUserConfirm;
  QRadioButton *rb40Bit, *rb128Bit;
  QListWidget* lstPermissions;

  QComboBox *cmbLayout, *cmbMode, *cmbTransition;
  QLineEdit* edDuration;
  QRadioButton *rbAllPages, *rbPages;
  QLineEdit* edRange;
  QListWidget* lstViewer;

  QCheckBox* cbEmail;
  QGroupBox *gbConnection, *gbAddresses, *gbMessage;
  QLineEdit *edHost, *edUserID, *edMailPassword;
  QLineEdit *edTo, *edCC, *edBCC, *edFrom, *edMailSubject;
  QPlainTextEdit* edBody;

 private:
  QWidget* BuildGeneralTab();
  QWidget* BuildSecurityTab();
  QWidget* BuildViewTab();
  QWidget* BuildEmailTab();
  void EncryptToggled(bool checked);
  void EmailToggled(bool checked);
  void TransitionChosen(int index);
  void LayoutChosen(int index);
  void RangeChoiceChanged();
  void OkClicked();
  // The passwords and their confirmations agree; else says which do not and keeps focus.
  bool PasswordsConfirmed();
  void ApplyEncryption();
  void ApplyTransition(const std::string& range);
  void ApplyEmail();
  // The range that a transition applies to, or an empty optional when it is invalid.
  bool TransitionRange(std::string& range);

  TkvWizardHost& FHost;
  TkvPDFDocument* FDocument = nullptr;
  QButtonGroup* FLevelGroup;
  QButtonGroup* FRangeGroup;
};

}  // namespace kv
