// The bookmarks page: the document's outline as a tree, the properties of the selected
// bookmark (caption, page, fit type and the coordinates the fit type uses, in the
// document's unit), and the operations that insert, change and delete bookmarks. Every
// operation changes the document's outline at once; the tree mirrors it node for node.
#pragma once

#include <QWidget>
#include <memory>

#include "pdf/features/kvDestinations.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kv {

class TkvPDFDocument;
class TkvPDFOutline;
class TkvWizardHost;
class TkvZoomEdit;

class TkvBookmarkPage : public QWidget {
 public:
  TkvBookmarkPage(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent = nullptr);

  // Rebuilds the tree from the loaded document's outline and selects its first node.
  void Fill();
  void ResetControls();
  // Sets the units list to the document's measurement unit.
  void ShowUnits();

  void InsertAfter();
  void InsertChild();
  void ApplyEdits();
  void DeleteNode();

  // The destination the fields describe: empty numeric fields are -1 (unset), the page
  // is the page list's index + 1. Raises kv::Exception for an unknown fit type.
  std::unique_ptr<TkvPDFDestination> FieldsDestination() const;
  // The outline node an item of the tree stands for.
  static TkvPDFOutline* NodeOf(const QTreeWidgetItem* item);

  QTreeWidget* tvOutline;
  QLineEdit* edCaption;
  QComboBox *cmbPage, *cmbFitType, *cmbUnits;
  QLineEdit *edLeft, *edRight, *edTop, *edBottom;
  TkvZoomEdit* edZoom;
  QPushButton *btnInsertAfter, *btnInsertChild, *btnApply, *btnDelete;
  QWidget* Properties;
  QWidget* Operations;

 private:
  QTreeWidgetItem* NewItem(TkvPDFOutline* node);
  void AddSubtree(QTreeWidgetItem* parent, TkvPDFOutline* first, int depth);
  void ShowSelected();
  void EnableByFitType();
  void UnitChosen(int index);
  void CaptionEdited(QTreeWidgetItem* item);
  // A new bookmark after the selected one, or as its last child; the first of the tree
  // when the tree is empty.
  void Insert(bool asChild);
  // Runs a library call, telling the user its failure; true when it succeeded.
  template <class F>
  bool Guarded(F&& call);
  void Tell(const char* message);
  QTreeWidgetItem* Selected() const;

  TkvPDFDocument& FDocument;
  TkvWizardHost& FHost;
  // Set while the tree is changed from here, so that its change signals are not taken
  // for the user's edits.
  bool FUpdating = false;
};

}  // namespace kv
