#include "app/dialogs/kvSettingsDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QVBoxLayout>
#include <iterator>
#include <string_view>

#include "app/dialogs/kvDialogsConsts.h"
#include "app/dialogs/kvDocInfoDlg.h"
#include "app/kvAppText.h"
#include "app/kvSimpleDemoConsts.h"
#include "app/kvWizardHost.h"
#include "app/widgets/kvInputFilters.h"
#include "core/kvClasses.h"
#include "pdf/document/kvPDFDoc.h"

namespace kv {

namespace {

constexpr int kSinglePage = 1;  // "Single Page" in the layout list

// The permission list's items in order, as the library names them.
constexpr TkvUserPermissionsType kPermissionOrder[] = {AllowPrint,       AllowModify,      AllowCopy,
                                                       AllowAnnotation,  AllowFormFill,    AllowAccessibility,
                                                       AllowDocAssembly, AllowHighResPrint};

// The viewer preference list's items in order, as the catalog names them.
constexpr std::string_view kViewerKeys[] = {"/HideToolbar", "/HideMenubar",  "/HideWindowUI",
                                            "/FitWindow",   "/CenterWindow", "/DisplayDocTitle"};

QLineEdit* NewEdit(QWidget* parent, const char* name, bool masked = false) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  if (masked) edit->setEchoMode(QLineEdit::Password);
  return edit;
}

QListWidget* NewCheckList(QWidget* parent, const char* name, const char* const* texts, size_t count) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  for (size_t i = 0; i < count; ++i) {
    auto* item = new QListWidgetItem(texts[i], list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  return list;
}

void UncheckAll(QListWidget* list) {
  for (int i = 0; i < list->count(); ++i) list->item(i)->setCheckState(Qt::Unchecked);
}

bool Checked(QListWidget* list, int row) { return list->item(row)->checkState() == Qt::Checked; }

// One recipient per comma- or semicolon-separated item, blanks around it dropped.
std::vector<std::string> Recipients(const QString& text) {
  std::vector<std::string> out;
  for (const QString& part : text.split(QRegularExpression("[,;]"), Qt::SkipEmptyParts)) {
    QString r = part.trimmed();
    if (!r.isEmpty()) out.push_back(r.toStdString());
  }
  return out;
}

}  // namespace

TfrmSettings::TfrmSettings(TkvWizardHost& host, QWidget* parent) : QDialog(parent), FHost(host) {
  setObjectName("frmSettings");
  setWindowTitle(ui::SSettingsCaption);
  Tabs = new QTabWidget(this);
  Tabs->setObjectName("tabsSettings");
  Tabs->addTab(BuildGeneralTab(), ui::STabGeneral);
  Tabs->addTab(BuildSecurityTab(), ui::STabSecurity);
  Tabs->addTab(BuildViewTab(), ui::STabView);
  Tabs->addTab(BuildEmailTab(), ui::STabEmail);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(ui::SOK, QDialogButtonBox::AcceptRole);
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  buttons->addButton(ui::SCancel, QDialogButtonBox::RejectRole)->setObjectName("btnCancel");
  // OK validates before closing, so it is not wired to accept() directly.
  connect(ok, &QPushButton::clicked, this, [this] { OkClicked(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Tabs);
  layout->addWidget(buttons);

  EncryptionFields->setEnabled(false);
  EmailToggled(false);
}

QWidget* TfrmSettings::BuildGeneralTab() {
  auto* tab = new QWidget;
  cbOpenAfterSave = new QCheckBox(ui::SOpenAfterSave, tab);
  cbOpenAfterSave->setObjectName("cbOpenAfterSave");
  cbOpenAfterSave->setChecked(true);
  auto* group = new QGroupBox(ui::SDocumentInformation, tab);
  auto* form = new QFormLayout(group);
  edTitle = NewEdit(group, "edTitle");
  edAuthor = NewEdit(group, "edAuthor");
  edSubject = NewEdit(group, "edSubject");
  edKeywords = NewEdit(group, "edKeywords");
  edCreator = NewEdit(group, "edCreator");
  edProducer = NewEdit(group, "edProducer");
  edVersion = NewEdit(group, "edVersion");
  edPageCount = NewEdit(group, "edPageCount");
  for (QLineEdit* ro : {edCreator, edProducer, edVersion, edPageCount}) ro->setReadOnly(true);
  form->addRow(ui::STitleLabel, edTitle);
  form->addRow(ui::SAuthorLabel, edAuthor);
  form->addRow(ui::SSubjectLabel, edSubject);
  form->addRow(ui::SKeywordsLabel, edKeywords);
  form->addRow(ui::SCreatorLabel, edCreator);
  form->addRow(ui::SProducerLabel, edProducer);
  form->addRow(ui::SVersionLabel, edVersion);
  form->addRow(ui::SNoOfPages, edPageCount);
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(cbOpenAfterSave);
  layout->addWidget(group);
  layout->addStretch();
  return tab;
}

QWidget* TfrmSettings::BuildSecurityTab() {
  auto* tab = new QWidget;
  cbEncrypt = new QCheckBox(ui::SEncryptDocument, tab);
  cbEncrypt->setObjectName("cbEncrypt");
  connect(cbEncrypt, &QCheckBox::toggled, this, [this](bool on) { EncryptToggled(on); });

  EncryptionFields = new QWidget(tab);
  auto* passwords = new QFormLayout;
  edOwnerPassword = NewEdit(EncryptionFields, "edOwnerPassword", true);
  edOwnerConfirm = NewEdit(EncryptionFields, "edOwnerConfirm", true);
  edUserPassword = NewEdit(EncryptionFields, "edUserPassword", true);
  edUserConfirm = NewEdit(EncryptionFields, "edUserConfirm", true);
  passwords->addRow(ui::SOwnerPassword, edOwnerPassword);
  passwords->addRow(ui::SConfirmOwnerPassword, edOwnerConfirm);
  passwords->addRow(ui::SUserPassword, edUserPassword);
  passwords->addRow(ui::SConfirmUserPassword, edUserConfirm);

  auto* level = new QGroupBox(ui::SEncryptionLevel, EncryptionFields);
  rb40Bit = new QRadioButton(ui::S40Bit, level);
  rb40Bit->setObjectName("rb40Bit");
  rb128Bit = new QRadioButton(ui::S128Bit, level);
  rb128Bit->setObjectName("rb128Bit");
  rb40Bit->setChecked(true);
  FLevelGroup = new QButtonGroup(this);
  FLevelGroup->addButton(rb40Bit, 0);
  FLevelGroup->addButton(rb128Bit, 1);
  auto* levelLayout = new QHBoxLayout(level);
  levelLayout->addWidget(rb40Bit);
  levelLayout->addWidget(rb128Bit);

  auto* permissions = new QGroupBox(ui::SUserPermissions, EncryptionFields);
  lstPermissions = NewCheckList(permissions, "lstPermissions", ui::SPermissionTexts, std::size(ui::SPermissionTexts));
  (new QVBoxLayout(permissions))->addWidget(lstPermissions);

  auto* fields = new QVBoxLayout(EncryptionFields);
  fields->setContentsMargins(0, 0, 0, 0);
  fields->addLayout(passwords);
  fields->addWidget(level);
  fields->addWidget(permissions);

  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(cbEncrypt);
  layout->addWidget(EncryptionFields);
  return tab;
}

QWidget* TfrmSettings::BuildViewTab() {
  auto* tab = new QWidget;
  cmbLayout = new QComboBox(tab);
  cmbLayout->setObjectName("cmbLayout");
  for (const char* t : ui::SLayoutTexts) cmbLayout->addItem(t);
  cmbMode = new QComboBox(tab);
  cmbMode->setObjectName("cmbMode");
  for (const char* t : ui::SModeTexts) cmbMode->addItem(t);
  connect(cmbLayout, &QComboBox::currentIndexChanged, this, [this](int i) { LayoutChosen(i); });

  auto* presentation = new QGroupBox(ui::SPresentationMode, tab);
  cmbTransition = new QComboBox(presentation);
  cmbTransition->setObjectName("cmbTransition");
  for (const char* t : ui::STransitionTexts) cmbTransition->addItem(t);
  connect(cmbTransition, &QComboBox::currentIndexChanged, this, [this](int i) { TransitionChosen(i); });
  edDuration = WithFilter(NewEdit(presentation, "edDuration"), NewDigitsFilter);
  edDuration->setText("1");
  auto* duration = new QHBoxLayout;
  duration->addWidget(edDuration);
  duration->addWidget(new QLabel(ui::SSecs, presentation));

  auto* rangeBox = new QGroupBox(ui::SPresentationRange, presentation);
  rbAllPages = new QRadioButton(ui::SAllPages, rangeBox);
  rbAllPages->setObjectName("rbTransitionAll");
  rbPages = new QRadioButton(ui::SPages, rangeBox);
  rbPages->setObjectName("rbTransitionPages");
  edRange = WithFilter(NewEdit(rangeBox, "edTransitionRange"), NewPageRangeFilter);
  FRangeGroup = new QButtonGroup(this);
  FRangeGroup->addButton(rbAllPages);
  FRangeGroup->addButton(rbPages);
  rbAllPages->setChecked(true);
  edRange->setEnabled(false);
  connect(rbAllPages, &QRadioButton::toggled, this, [this] { RangeChoiceChanged(); });
  connect(edRange, &QLineEdit::textEdited, this, [this] { rbPages->setChecked(true); });
  auto* rangeLayout = new QHBoxLayout(rangeBox);
  rangeLayout->addWidget(rbAllPages);
  rangeLayout->addWidget(rbPages);
  rangeLayout->addWidget(edRange, 1);

  auto* presentationForm = new QFormLayout(presentation);
  presentationForm->addRow(ui::STransitionEffect, cmbTransition);
  presentationForm->addRow(ui::STransitionDuration, duration);
  presentationForm->addRow(rangeBox);

  auto* viewer = new QGroupBox(ui::SViewerPreferences, tab);
  lstViewer = NewCheckList(viewer, "lstViewer", ui::SViewerTexts, std::size(ui::SViewerTexts));
  (new QVBoxLayout(viewer))->addWidget(lstViewer);

  auto* form = new QFormLayout;
  form->addRow(ui::SPageLayout, cmbLayout);
  form->addRow(ui::SPageMode, cmbMode);
  auto* layout = new QVBoxLayout(tab);
  layout->addLayout(form);
  layout->addWidget(presentation);
  layout->addWidget(viewer);
  return tab;
}

QWidget* TfrmSettings::BuildEmailTab() {
  auto* tab = new QWidget;
  cbEmail = new QCheckBox(ui::SEmailAfterSave, tab);
  cbEmail->setObjectName("cbEmail");
  connect(cbEmail, &QCheckBox::toggled, this, [this](bool on) { EmailToggled(on); });

  gbConnection = new QGroupBox(tab);
  edHost = NewEdit(gbConnection, "edHost");
  edUserID = NewEdit(gbConnection, "edUserID");
  edMailPassword = NewEdit(gbConnection, "edMailPassword", true);
  auto* connection = new QFormLayout(gbConnection);
  connection->addRow(ui::SHost, edHost);
  connection->addRow(ui::SUserID, edUserID);
  connection->addRow(ui::SMailPassword, edMailPassword);

  gbAddresses = new QGroupBox(tab);
  edTo = NewEdit(gbAddresses, "edTo");
  edCC = NewEdit(gbAddresses, "edCC");
  edBCC = NewEdit(gbAddresses, "edBCC");
  edFrom = NewEdit(gbAddresses, "edFrom");
  auto* addresses = new QFormLayout(gbAddresses);
  addresses->addRow(ui::STo, edTo);
  addresses->addRow(ui::SCC, edCC);
  addresses->addRow(ui::SBCC, edBCC);
  addresses->addRow(ui::SFrom, edFrom);

  gbMessage = new QGroupBox(tab);
  edMailSubject = NewEdit(gbMessage, "edMailSubject");
  edBody = new QPlainTextEdit(gbMessage);
  edBody->setObjectName("edBody");
  auto* message = new QFormLayout(gbMessage);
  message->addRow(ui::SSubjectField, edMailSubject);
  message->addRow(ui::SMessage, edBody);

  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(cbEmail);
  layout->addWidget(gbConnection);
  layout->addWidget(gbAddresses);
  layout->addWidget(gbMessage, 1);
  return tab;
}

void TfrmSettings::Prepare(TkvPDFDocument& document) {
  FDocument = &document;
  Tabs->setCurrentIndex(0);
  edTitle->setText(FromAnsi(document.GetTitle()));
  edSubject->setText(FromAnsi(document.GetSubject()));
  edAuthor->setText(FromAnsi(document.GetAuthor()));
  edKeywords->setText(FromAnsi(document.GetKeywords()));
  edCreator->setText(FromAnsi(document.GetCreator()));
  edProducer->setText(FromAnsi(document.GetProducer()));
  edVersion->setText(VersionText(document.PDFVersion()));
  edPageCount->setText(QString::number(document.PageCount()));
  edDuration->setText("1");
  cmbLayout->setCurrentIndex(document.PageLayout < cmbLayout->count() ? document.PageLayout : -1);
  cmbMode->setCurrentIndex(document.PageMode < cmbMode->count() ? document.PageMode : -1);
  const TkvPDFViewerPreferences& prefs = document.ViewerPreferences();
  for (int i = 0; i < lstViewer->count(); ++i)
    lstViewer->item(i)->setCheckState(prefs.Get(kViewerKeys[i]) ? Qt::Checked : Qt::Unchecked);
}

void TfrmSettings::ResetFields() {
  for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->clear();
  edBody->clear();
  UncheckAll(lstPermissions);
  UncheckAll(lstViewer);
  // The layout list follows the transition list while an effect is chosen; clear that first.
  cmbTransition->setCurrentIndex(-1);
  cmbLayout->setCurrentIndex(-1);
  cmbMode->setCurrentIndex(-1);
  edDuration->setText("1");
  for (QCheckBox* box : {cbOpenAfterSave, cbEncrypt, cbEmail}) {
    box->blockSignals(true);
    box->setChecked(false);
    box->blockSignals(false);
  }
  EncryptionFields->setEnabled(false);
  EmailToggled(false);
}

void TfrmSettings::EncryptToggled(bool checked) {
  if (FDocument && !FDocument->EncryptionSettings().CanChange()) {
    FHost.ShowMessage(this, TkvMessageKind::mkInformation, ui::SOnlyOwner);
    cbEncrypt->blockSignals(true);
    cbEncrypt->setChecked(true);
    cbEncrypt->blockSignals(false);
    return;
  }
  EncryptionFields->setEnabled(checked);
}

void TfrmSettings::EmailToggled(bool checked) {
  for (QGroupBox* group : {gbConnection, gbAddresses, gbMessage}) group->setEnabled(checked);
}

void TfrmSettings::TransitionChosen(int index) {
  if (index > 0) cmbLayout->setCurrentIndex(kSinglePage);
}

void TfrmSettings::LayoutChosen(int index) {
  if (cmbTransition->currentIndex() > 0 && index != kSinglePage) cmbLayout->setCurrentIndex(kSinglePage);
}

void TfrmSettings::RangeChoiceChanged() {
  if (rbAllPages->isChecked()) {
    edRange->clear();
    edRange->setEnabled(false);
  } else {
    edRange->setEnabled(true);
  }
}

bool TfrmSettings::PasswordsConfirmed() {
  struct Pair {
    QLineEdit *password, *confirm;
    const char* who;
  };
  for (const Pair& p :
       {Pair{edOwnerPassword, edOwnerConfirm, ui::SOwner}, Pair{edUserPassword, edUserConfirm, ui::SUser}}) {
    if (p.password->text() != p.confirm->text()) {
      FHost.ShowMessage(this, TkvMessageKind::mkError, QString::fromStdString(Format(ui::SPasswordsMismatch, p.who)));
      Tabs->setCurrentIndex(1);
      p.password->setFocus();
      return false;
    }
  }
  return true;
}

bool TfrmSettings::TransitionRange(std::string& range) {
  if (cmbTransition->currentIndex() <= 0) return true;
  range = rbAllPages->isChecked() ? "1-" + std::to_string(FDocument->PageCount()) : edRange->text().toStdString();
  // Checked before anything is applied, so a bad range leaves the document untouched.
  try {
    TkvCustomPDFDocument::ParsePageRange(range, FDocument->PageCount());
  } catch (const std::exception& e) {
    FHost.ShowMessage(this, TkvMessageKind::mkError, QString::fromStdString(e.what()));
    Tabs->setCurrentIndex(2);
    edRange->setFocus();
    return false;
  }
  return true;
}

void TfrmSettings::OkClicked() {
  if (!FDocument) return;
  // A file opened with only its user password keeps its protection; there is nothing
  // this dialog may change about it.
  const bool encrypt = cbEncrypt->isChecked() && FDocument->EncryptionSettings().CanChange();
  if (encrypt && !PasswordsConfirmed()) return;
  std::string range;
  if (!TransitionRange(range)) return;

  if (encrypt) ApplyEncryption();
  FDocument->SetTitle(ToAnsi(edTitle->text()));
  FDocument->SetSubject(ToAnsi(edSubject->text()));
  FDocument->SetAuthor(ToAnsi(edAuthor->text()));
  FDocument->SetKeywords(ToAnsi(edKeywords->text()));
  FDocument->SetOpenAfterSave(cbOpenAfterSave->isChecked());
  if (edDuration->text().isEmpty()) edDuration->setText("1");
  if (cmbTransition->currentIndex() > 0) ApplyTransition(range);
  if (cmbLayout->currentIndex() >= 0) FDocument->PageLayout = static_cast<uint8_t>(cmbLayout->currentIndex());
  if (cmbMode->currentIndex() >= 0) FDocument->PageMode = static_cast<uint8_t>(cmbMode->currentIndex());
  TkvPDFViewerPreferences& prefs = FDocument->ViewerPreferences();
  for (int i = 0; i < lstViewer->count(); ++i)
    if (Checked(lstViewer, i)) prefs.Set(kViewerKeys[i], true);
  ApplyEmail();
  accept();
}

void TfrmSettings::ApplyEncryption() {
  TkvPDFEncryptionSettings& settings = FDocument->EncryptionSettings();
  settings.SetEnabled(true);
  settings.SetLevel(rb128Bit->isChecked() ? el128bit : el40bit);
  settings.SetOwnerPassword(ToAnsi(edOwnerPassword->text()));
  settings.SetUserPassword(ToAnsi(edUserPassword->text()));
  // Exactly the checked permissions: the settings start out granting everything, so
  // adding the checked ones to them would restrict nothing.
  TkvUserPermissions permissions = TkvUserPermissions::None();
  for (int i = 0; i < lstPermissions->count(); ++i)
    if (Checked(lstPermissions, i)) permissions.Include(kPermissionOrder[i]);
  settings.SetUserPermissions(permissions);
}

void TfrmSettings::ApplyTransition(const std::string& range) {
  float duration = static_cast<float>(ReadDigits(edDuration->text(), 1));
  FDocument->SetPageTransition(range, static_cast<uint8_t>(cmbTransition->currentIndex()), duration);
}

void TfrmSettings::ApplyEmail() {
  if (!cbEmail->isChecked()) {
    FDocument->SetEMailAfterSave(false);
    return;
  }
  FDocument->SetEMailAfterSave(true);
  TkvEMailInfo& mail = FDocument->EMailInfo();
  mail.Host = edHost->text().toStdString();
  mail.UserID = edUserID->text().toStdString();
  mail.Password = edMailPassword->text().toStdString();
  mail.Body.clear();
  for (const QString& line : edBody->toPlainText().split('\n')) mail.Body.push_back(line.toStdString());
  mail.From = edFrom->text().toStdString();
  mail.Subject = edMailSubject->text().toStdString();
  mail.ToAddresses = Recipients(edTo->text());
  mail.CCAddresses = Recipients(edCC->text());
  mail.BCCAddresses = Recipients(edBCC->text());
}

}  // namespace kv
