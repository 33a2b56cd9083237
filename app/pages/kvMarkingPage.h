// The markings page: a text marking editor (caption, font, rendering mode, stroke colour)
// and a graphic one (a picture), the angle, unit, overlay/underlay and position they
// share, and the list of markings made, each owning its template. The finish step stamps
// them on every page in list order.
#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "pdf/document/kvDocumentTypes.h"

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace kv {

class TkvColorBox;
class TkvCustomWatermarkTemplate;
class TkvPDFDocument;
class TkvWizardHost;

class TkvMarkingPage : public QWidget {
 public:
  TkvMarkingPage(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent = nullptr);
  ~TkvMarkingPage() override;

  int Count() const;
  // The unit marking `index` was made in (its custom position is measured in it).
  TkvMeasurementUnit UnitOf(int index) const;
  // Stamps marking `index` on every page of the document, in its own unit.
  void Stamp(int index);
  // Refreshes what depends on the document when the page is shown.
  void PageShown();

  void AddMarking();
  void RemoveMarking();
  void ChooseFont();
  void ChooseImage();

  // Called whenever the number of markings changes.
  std::function<void(int count)> OnCountChanged;

  QListWidget* lstMarkings;
  QPushButton *btnAdd, *btnRemove;
  QTabWidget* Tabs;
  QLineEdit* edText;
  QPushButton* btnFont;
  QLabel* lblFont;
  QComboBox* cmbRendering;
  TkvColorBox* cmbStrokeColor;
  QPushButton* btnImage;
  QPushButton* btnChooseImage;
  QLineEdit* edAngle;
  QComboBox* cmbUnit;
  QPushButton* btnType;
  QButtonGroup *FHorizontal, *FVertical;
  QLineEdit *edX, *edY;

 private:
  struct Marking;

  QWidget* BuildTextTab();
  QWidget* BuildGraphicTab();
  QWidget* BuildSharedFields();
  void UpdateAddButton();
  void AngleLeft();
  void PositionChosen();
  void ShowFont();
  void ShowImage();
  void LoadMarking(int row);
  void CountChanged();
  // The template the active tab describes, or null after telling the user what is
  // missing.
  std::unique_ptr<TkvCustomWatermarkTemplate> BuildTemplate();
  bool PositionsGiven();
  void ApplyShared(TkvCustomWatermarkTemplate& tmpl) const;

  TkvPDFDocument& FDocument;
  TkvWizardHost& FHost;
  std::vector<Marking> FMarkings;
  QFont FFont;
  QColor FFontColor;
  QString FImageFile;
};

}  // namespace kv
