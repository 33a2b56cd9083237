#include "app/pages/kvThumbnailPage.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/kvWizardHost.h"

namespace kv {

TkvThumbnailPage::TkvThumbnailPage(TkvWizardHost& host, QWidget* parent) : QWidget(parent), FHost(host) {
  setObjectName("tsThumbnails");
  lstPages = new QTreeWidget(this);
  lstPages->setObjectName("lstThumbnails");
  lstPages->setHeaderLabels({"Page", "Thumbnail Image"});
  lstPages->setRootIsDecorated(false);
  lstPages->setUniformRowHeights(true);
  lstPages->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  imgPreview = new QLabel(this);
  imgPreview->setObjectName("imgThumbPreview");
  imgPreview->setAlignment(Qt::AlignCenter);
  imgPreview->setMinimumSize(160, 160);
  imgPreview->setFrameShape(QFrame::StyledPanel);
  btnSelectImage = new QPushButton("&Select Image", this);
  btnSelectImage->setObjectName("btnSelectImage");
  btnClearImage = new QPushButton("&Clear Image", this);
  btnClearImage->setObjectName("btnClearImage");

  connect(lstPages, &QTreeWidget::itemSelectionChanged, this, [this] { RowSelected(); });
  connect(lstPages, &QTreeWidget::itemDoubleClicked, this, [this] { SelectImage(); });
  connect(btnSelectImage, &QPushButton::clicked, this, [this] { SelectImage(); });
  connect(btnClearImage, &QPushButton::clicked, this, [this] { ClearImage(); });

  auto* side = new QVBoxLayout;
  side->addWidget(imgPreview, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnSelectImage);
  buttons->addWidget(btnClearImage);
  side->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(lstPages, 3);
  layout->addLayout(side, 2);
  ResetControls();
}

void TkvThumbnailPage::Fill(int pageCount) {
  lstPages->clear();
  QList<QTreeWidgetItem*> rows;
  rows.reserve(pageCount);
  for (int i = 1; i <= pageCount; ++i) rows << new QTreeWidgetItem({QString::number(i), QString()});
  lstPages->addTopLevelItems(rows);
  ShowPreview(QString());
  btnClearImage->setEnabled(false);
}

void TkvThumbnailPage::ResetControls() {
  lstPages->clear();
  ShowPreview(QString());
  btnClearImage->setEnabled(false);
}

QStringList TkvThumbnailPage::Images() const {
  QStringList images;
  for (int i = 0; i < lstPages->topLevelItemCount(); ++i) images << lstPages->topLevelItem(i)->text(1);
  return images;
}

bool TkvThumbnailPage::PreviewShown() const { return !FPreviewFile.isEmpty(); }

QTreeWidgetItem* TkvThumbnailPage::SelectedRow() const {
  QList<QTreeWidgetItem*> selected = lstPages->selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}

void TkvThumbnailPage::RowSelected() {
  QTreeWidgetItem* row = SelectedRow();
  QString file = row ? row->text(1) : QString();
  ShowPreview(file);
  btnClearImage->setEnabled(!file.isEmpty());
}

void TkvThumbnailPage::SelectImage() {
  QTreeWidgetItem* row = SelectedRow();
  if (!row) return;
  QString file = FHost.ChoosePicture(this);
  if (file.isEmpty()) return;
  row->setText(1, file);
  ShowPreview(file);
  btnClearImage->setEnabled(true);
}

void TkvThumbnailPage::ClearImage() {
  QTreeWidgetItem* row = SelectedRow();
  if (row) row->setText(1, QString());
  ShowPreview(QString());
  btnClearImage->setEnabled(false);
}

void TkvThumbnailPage::ShowPreview(const QString& fileName) {
  FPreviewFile = fileName;
  imgPreview->clear();
  if (fileName.isEmpty()) return;
  // Scaled down to the box with its proportions kept, centred; a picture only the
  // library reads (or none) leaves the box empty.
  QImageReader reader(fileName);
  reader.setAutoTransform(true);
  QSize size = reader.size();
  if (size.isValid()) {
    size.scale(imgPreview->size().boundedTo(size), Qt::KeepAspectRatio);
    reader.setScaledSize(size);
  }
  QImage image = reader.read();
  if (!image.isNull()) imgPreview->setPixmap(QPixmap::fromImage(image));
}

void TkvThumbnailPage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!FPreviewFile.isEmpty()) ShowPreview(FPreviewFile);
}

}  // namespace kv
