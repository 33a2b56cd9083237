#include "app/pages/kvMarkingPage.h"

#include "app/kvWizardHost.h"
#include "pdf/document/kvPDFDoc.h"

namespace kv {

// The marking editor is built on the library's marking templates, which are not there yet.
TkvMarkingPage::TkvMarkingPage(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent)
    : QWidget(parent), FDocument(document), FHost(host) {
  setObjectName("tsWatermark");
}

int TkvMarkingPage::Count() const { return 0; }
TkvMeasurementUnit TkvMarkingPage::Unit() const { return FDocument.MeasurementUnit(); }
void TkvMarkingPage::Stamp(int) {}
void TkvMarkingPage::PageShown() {}
void TkvMarkingPage::ResetControls() {}

}  // namespace kv
