// The thumbnails page: one row per page ("Page", "Thumbnail Image"), a preview of the
// selected row's picture, and buttons to choose or clear it. The pictures are attached to
// their pages by the finish step.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kv {

class TkvWizardHost;

class TkvThumbnailPage : public QWidget {
 public:
  TkvThumbnailPage(TkvWizardHost& host, QWidget* parent = nullptr);

  // Rows "1" to `pageCount`, no pictures.
  void Fill(int pageCount);
  void ResetControls();
  // The picture file of each page in page order, empty where none was chosen.
  QStringList Images() const;
  // The preview currently shows a picture.
  bool PreviewShown() const;

  void SelectImage();
  void ClearImage();

  QTreeWidget* lstPages;
  QLabel* imgPreview;
  QPushButton *btnSelectImage, *btnClearImage;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void RowSelected();
  void ShowPreview(const QString& fileName);
  QTreeWidgetItem* SelectedRow() const;

  TkvWizardHost& FHost;
  QString FPreviewFile;
};

}  // namespace kv
