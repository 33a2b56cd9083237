#include "app/pages/kvBookmarkPage.h"

#include "app/kvWizardHost.h"
#include "pdf/document/kvPDFDoc.h"

namespace kv {

// The outline editor is built on the library's outline tree, which is not there yet.
TkvBookmarkPage::TkvBookmarkPage(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent)
    : QWidget(parent), FDocument(document), FHost(host) {
  setObjectName("tsBookmark");
}

void TkvBookmarkPage::Fill() {}
void TkvBookmarkPage::ResetControls() {}
void TkvBookmarkPage::ShowUnits() {}

}  // namespace kv
