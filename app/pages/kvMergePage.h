// The merge page's list of documents: rows of "Doc #" and "File", numbered 1 to n in
// merge order; one contiguous block of rows can be selected, deleted, and moved up or
// down (holding a move button repeats the move every 250 ms until the block reaches the
// end of the list). PDF files dropped from a file manager are added at the end.
#pragma once

#include <QTreeWidget>
#include <QWidget>
#include <functional>

class QPushButton;

namespace kv {

class TkvWizardHost;

// The list view itself: takes drops of PDF files from outside.
class TkvMergeListView : public QTreeWidget {
 public:
  explicit TkvMergeListView(QWidget* parent = nullptr);
  std::function<void(const QStringList&)> OnFilesDropped;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

class TkvMergePage : public QWidget {
 public:
  TkvMergePage(TkvWizardHost& host, QWidget* parent = nullptr);

  int RowCount() const;
  // The file names in list order.
  QStringList Files() const;
  void AddFiles(const QStringList& files);
  void DeleteSelected();
  void MoveUp();
  void MoveDown();
  void ResetControls();
  // The first and last selected rows (0-based), or -1 and -1 without a selection.
  std::pair<int, int> SelectedBlock() const;

  // Called whenever the number of rows changes.
  std::function<void(int rows)> OnRowsChanged;

  TkvMergeListView* lstFiles;
  QPushButton *btnAdd, *btnDelete, *btnUp, *btnDown;

 private:
  void Renumber();
  void SelectBlock(int first, int last);
  void UpdateButtons();
  void RowsChanged();
};

}  // namespace kv
