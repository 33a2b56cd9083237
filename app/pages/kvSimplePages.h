// The wizard's plain pages: choosing the operation, naming the source document, the
// append/insert, extract and delete fields, the output file and the closing page. They
// hold controls only; the window decides what Next does with them.
#pragma once

#include <QWidget>
#include <functional>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kv {

class TkvWizardHost;

// The operations of the start page, in the order of its buttons.
enum class TkvWizardOperation {
  woMerge,
  woAppend,
  woExtract,
  woDelete,
  woThumbnails,
  woWatermarks,
  woBookmarks,
  woAcroForms
};

class TkvStartPage : public QWidget {
 public:
  explicit TkvStartPage(QWidget* parent = nullptr);
  // Which button is down.
  TkvWizardOperation Operation() const;
  QPushButton* Button(TkvWizardOperation op) const;
  void ResetControls();

 private:
  QButtonGroup* FButtons;
};

// A file-name field with its "Select" button (file dialog, single selection).
class TkvFileField : public QWidget {
 public:
  TkvFileField(TkvWizardHost& host, const char* name, bool forSaving, QWidget* parent = nullptr);
  QLineEdit* Edit() const { return FEdit; }
  QPushButton* SelectButton() const { return FSelect; }
  QString Text() const;
  // Called after the user picked a file with "Select" (not when typing).
  std::function<void()> OnChosen;

 private:
  QLineEdit* FEdit;
  QPushButton* FSelect;
};

class TkvSourcePage : public QWidget {
 public:
  TkvSourcePage(TkvWizardHost& host, QWidget* parent = nullptr);
  void ResetControls();
  TkvFileField* File;
  QPushButton* btnInfo;
};

class TkvAppendPage : public QWidget {
 public:
  TkvAppendPage(TkvWizardHost& host, QWidget* parent = nullptr);
  void ResetControls();
  TkvFileField* File;
  QPushButton* btnInfo;
  QRadioButton *rbAllPages, *rbPages;
  QLineEdit* edPages;
  QRadioButton *rbAppend, *rbInsertAfter;
  QLineEdit* edInsertAfter;

 private:
  void SyncFields();
};

class TkvExtractPage : public QWidget {
 public:
  TkvExtractPage(TkvWizardHost& host, QWidget* parent = nullptr);
  void ResetControls();
  TkvFileField* File;
  QPushButton* btnInfo;
  QLineEdit* edRange;
};

class TkvDeletePage : public QWidget {
 public:
  explicit TkvDeletePage(QWidget* parent = nullptr);
  void ResetControls();
  QLineEdit* edRange;
};

class TkvFinishPage : public QWidget {
 public:
  TkvFinishPage(TkvWizardHost& host, QWidget* parent = nullptr);
  void ResetControls();
  TkvFileField* File;
};

class TkvDonePage : public QWidget {
 public:
  explicit TkvDonePage(QWidget* parent = nullptr);
  QLabel* lblDone;
  QPushButton* btnRestart;
};

// Enables or greys a field that a radio choice governs.
void SetFieldUsable(QLineEdit* edit, bool usable);

}  // namespace kv
