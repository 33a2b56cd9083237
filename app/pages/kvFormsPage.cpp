#include "app/pages/kvFormsPage.h"

#include "app/kvWizardHost.h"
#include "pdf/document/kvPDFDoc.h"

namespace kv {

// The grid is built on the library's form-field list, which is not there yet.
TkvFormsPage::TkvFormsPage(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent)
    : QWidget(parent), FDocument(document), FHost(host) {
  setObjectName("tsForms");
}

void TkvFormsPage::Fill() {}
void TkvFormsPage::ResetControls() {}

}  // namespace kv
