// The markings page: text and graphic marking editors and the list of markings made, each
// owning its template. The finish step stamps them in list order.
#pragma once

#include <QWidget>
#include <functional>

#include "pdf/document/kvDocumentTypes.h"

namespace kv {

class TkvPDFDocument;
class TkvWizardHost;

class TkvMarkingPage : public QWidget {
 public:
  TkvMarkingPage(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent = nullptr);

  int Count() const;
  // The unit chosen in the marking units list.
  TkvMeasurementUnit Unit() const;
  // Stamps marking `index` on every page of the document.
  void Stamp(int index);
  // Refreshes what depends on the document when the page is shown.
  void PageShown();
  void ResetControls();

  // Called whenever the number of markings changes.
  std::function<void(int count)> OnCountChanged;

 private:
  TkvPDFDocument& FDocument;
  TkvWizardHost& FHost;
};

}  // namespace kv
