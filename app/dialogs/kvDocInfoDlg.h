// The document information dialog behind the "Info" buttons: the loaded file's name,
// information entries, version and page count, and "View PDF" to open the file.
#pragma once

#include <QDialog>

class QLineEdit;

namespace kv {

class TkvPDFDocument;
class TkvWizardHost;

// The version text of a document's version code, empty for codes beyond the table.
QString VersionText(int versionCode);

class TfrmDocInfo : public QDialog {
 public:
  TfrmDocInfo(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent = nullptr);

  // The read-only fields in their order: file, title, subject, author, keywords,
  // creator, producer, version, number of pages.
  QLineEdit* Field(int index) const { return FFields[index]; }
  static constexpr int kFieldCount = 9;

 private:
  TkvPDFDocument& FDocument;
  QLineEdit* FFields[kFieldCount];
};

}  // namespace kv
