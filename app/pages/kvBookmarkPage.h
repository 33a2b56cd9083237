// The bookmarks page: the document's outline as a tree, with the properties of the
// selected bookmark (caption, page, fit type and its coordinates) and the operations that
// insert, change and delete bookmarks in the document as they are made.
#pragma once

#include <QWidget>

namespace kv {

class TkvPDFDocument;
class TkvWizardHost;

class TkvBookmarkPage : public QWidget {
 public:
  TkvBookmarkPage(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent = nullptr);

  // Rebuilds the tree from the loaded document's outline.
  void Fill();
  void ResetControls();
  // Sets the units list to the document's measurement unit.
  void ShowUnits();

 private:
  TkvPDFDocument& FDocument;
  TkvWizardHost& FHost;
};

}  // namespace kv
