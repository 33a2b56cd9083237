// The form-field page: a grid of the document's fields ("#", "Field Name", "Field Value",
// "ReadOnly", "Field Type") and the value editor that suits the selected field's type.
#pragma once

#include <QWidget>

namespace kv {

class TkvPDFDocument;
class TkvWizardHost;

class TkvFormsPage : public QWidget {
 public:
  TkvFormsPage(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent = nullptr);

  // Fills the grid from the loaded document's fields.
  void Fill();
  void ResetControls();

 private:
  TkvPDFDocument& FDocument;
  TkvWizardHost& FHost;
};

}  // namespace kv
