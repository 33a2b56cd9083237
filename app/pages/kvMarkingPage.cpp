#include "app/pages/kvMarkingPage.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/kvAppText.h"
#include "app/kvSimpleDemo.h"
#include "app/kvWizardHost.h"
#include "app/pages/kvPagesConsts.h"
#include "app/widgets/kvColorBox.h"
#include "app/widgets/kvInputFilters.h"
#include "pdf/document/kvPDFDoc.h"
#include "pdf/features/kvWatermarkTemplates.h"

namespace kv {

namespace {

constexpr int kTextTab = 0;
constexpr int kGraphicTab = 1;
constexpr int kCustom = 3;  // the last position button of each row
constexpr int kMaxAngle = 360;
constexpr QSize kImageBox(160, 120);

TkvColor ToColor(const QColor& c) { return static_cast<TkvColor>(c.red() | (c.green() << 8) | (c.blue() << 16)); }

QColor FromColor(TkvColor c) {
  uint32_t rgb = ResolveColor(c);
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TkvFontDescription ToFontDescription(const QFont& font, const QColor& color) {
  TkvFontDescription d;
  d.Name = font.family().toStdString();
  d.Size = font.pointSize() > 0 ? font.pointSize() : 10;
  d.Style = static_cast<uint8_t>((font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0) |
                                 (font.underline() ? fsUnderline : 0) | (font.strikeOut() ? fsStrikeOut : 0));
  d.Charset = kDefaultCharset;
  d.Color = ToColor(color);
  return d;
}

QFont FromFontDescription(const TkvFontDescription& d) {
  QFont font(QString::fromStdString(d.Name), d.Size);
  font.setBold(d.IsBold());
  font.setItalic(d.IsItalic());
  font.setUnderline(d.IsUnderline());
  font.setStrikeOut(d.IsStrikeOut());
  return font;
}

QButtonGroup* NewPositionRow(QWidget* parent, const char* const (&texts)[4], const char* prefix, QGridLayout* grid,
                             int row, QLineEdit* value) {
  auto* group = new QButtonGroup(parent);
  for (int i = 0; i < 4; ++i) {
    auto* button = new QRadioButton(texts[i], parent);
    button->setObjectName(QString("rb%1%2").arg(prefix, texts[i]));
    group->addButton(button, i);
    grid->addWidget(button, row, i + 1);
  }
  grid->addWidget(value, row, 5);
  group->button(1)->setChecked(true);  // Center, Middle
  return group;
}

}  // namespace

struct TkvMarkingPage::Marking {
  QString Title;
  std::unique_ptr<TkvCustomWatermarkTemplate> Template;
  TkvMeasurementUnit Unit;
  QString ImageFile;
};

TkvMarkingPage::TkvMarkingPage(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent)
    : QWidget(parent), FDocument(document), FHost(host), FFont("Arial", 10), FFontColor(Qt::black) {
  setObjectName("tsWatermark");
  lstMarkings = new QListWidget(this);
  lstMarkings->setObjectName("lstMarkings");
  btnAdd = new QPushButton("+", this);
  btnAdd->setObjectName("btnAddMarking");
  btnRemove = new QPushButton("-", this);
  btnRemove->setObjectName("btnRemoveMarking");
  Tabs = new QTabWidget(this);
  Tabs->setObjectName("tabsMarking");
  Tabs->addTab(BuildTextTab(), ui::STextTab);
  Tabs->addTab(BuildGraphicTab(), ui::SGraphicTab);
  QWidget* shared = BuildSharedFields();

  connect(btnAdd, &QPushButton::clicked, this, [this] { AddMarking(); });
  connect(btnRemove, &QPushButton::clicked, this, [this] { RemoveMarking(); });
  connect(lstMarkings, &QListWidget::currentRowChanged, this, [this](int row) { LoadMarking(row); });
  connect(Tabs, &QTabWidget::currentChanged, this, [this] { UpdateAddButton(); });

  auto* listButtons = new QHBoxLayout;
  listButtons->addWidget(btnAdd);
  listButtons->addWidget(btnRemove);
  auto* left = new QVBoxLayout;
  left->addWidget(lstMarkings, 1);
  left->addLayout(listButtons);
  auto* right = new QVBoxLayout;
  right->addWidget(Tabs);
  right->addWidget(shared);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(right, 3);

  ShowFont();
  btnRemove->setEnabled(false);
  UpdateAddButton();
}

TkvMarkingPage::~TkvMarkingPage() = default;

QWidget* TkvMarkingPage::BuildTextTab() {
  auto* tab = new QWidget;
  edText = new QLineEdit(tab);
  edText->setObjectName("edMarkingText");
  btnFont = new QPushButton(ui::SFontSample, tab);
  btnFont->setObjectName("btnMarkingFont");
  lblFont = new QLabel(tab);
  lblFont->setObjectName("lblMarkingFont");
  cmbRendering = new QComboBox(tab);
  cmbRendering->setObjectName("cmbRenderingMode");
  for (const char* t : ui::SRenderingModeTexts) cmbRendering->addItem(t);
  cmbStrokeColor = new TkvColorBox(FHost, tab);
  cmbStrokeColor->setObjectName("cmbStrokeColor");
  connect(edText, &QLineEdit::textChanged, this, [this] { UpdateAddButton(); });
  connect(btnFont, &QPushButton::clicked, this, [this] { ChooseFont(); });
  auto* form = new QFormLayout(tab);
  form->addRow(ui::SCaption, edText);
  form->addRow(btnFont, lblFont);
  form->addRow(ui::SRenderingMode, cmbRendering);
  form->addRow(ui::SStrokeColor, cmbStrokeColor);
  return tab;
}

QWidget* TkvMarkingPage::BuildGraphicTab() {
  auto* tab = new QWidget;
  btnImage = new QPushButton(tab);
  btnImage->setObjectName("btnMarkingImage");
  btnImage->setFlat(true);
  btnImage->setMinimumSize(kImageBox);
  btnImage->setIconSize(kImageBox);
  btnChooseImage = new QPushButton("...", tab);
  btnChooseImage->setObjectName("btnChooseImage");
  connect(btnImage, &QPushButton::clicked, this, [this] { ChooseImage(); });
  connect(btnChooseImage, &QPushButton::clicked, this, [this] { ChooseImage(); });
  auto* layout = new QHBoxLayout(tab);
  layout->addWidget(btnImage, 1);
  layout->addWidget(btnChooseImage, 0, Qt::AlignBottom);
  return tab;
}

QWidget* TkvMarkingPage::BuildSharedFields() {
  auto* box = new QWidget(this);
  edAngle = WithFilter(new QLineEdit("0", box), NewDigitsFilter);
  edAngle->setObjectName("edAngle");
  cmbUnit = new QComboBox(box);
  cmbUnit->setObjectName("cmbMarkingUnit");
  for (const char* t : ui::SUnitTexts) cmbUnit->addItem(t);
  btnType = new QPushButton(ui::SOverlay, box);
  btnType->setObjectName("btnMarkingType");
  btnType->setCheckable(true);
  connect(btnType, &QPushButton::toggled, this,
          [this](bool down) { btnType->setText(down ? ui::SUnderlay : ui::SOverlay); });
  connect(edAngle, &QLineEdit::editingFinished, this, [this] { AngleLeft(); });

  auto* position = new QGroupBox(ui::SPosition, box);
  auto* grid = new QGridLayout(position);
  edX = WithFilter(new QLineEdit("0", position), NewDecimalFilter);
  edX->setObjectName("edX");
  edY = WithFilter(new QLineEdit("0", position), NewDecimalFilter);
  edY->setObjectName("edY");
  grid->addWidget(new QLabel(ui::SHorizontal, position), 0, 0);
  grid->addWidget(new QLabel(ui::SVertical, position), 1, 0);
  FHorizontal = NewPositionRow(position, ui::SHorizontalTexts, "H", grid, 0, edX);
  FVertical = NewPositionRow(position, ui::SVerticalTexts, "V", grid, 1, edY);
  for (QButtonGroup* g : {FHorizontal, FVertical})
    connect(g, &QButtonGroup::idToggled, this, [this] { PositionChosen(); });
  PositionChosen();

  auto* row = new QHBoxLayout;
  auto* form = new QFormLayout;
  form->addRow(ui::SAngle, edAngle);
  form->addRow(ui::SUnit, cmbUnit);
  row->addLayout(form);
  row->addWidget(btnType);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(row);
  layout->addWidget(position);
  return box;
}

void TkvMarkingPage::UpdateAddButton() {
  btnAdd->setEnabled(Tabs->currentIndex() == kTextTab ? !edText->text().isEmpty() : !FImageFile.isEmpty());
}

void TkvMarkingPage::AngleLeft() {
  if (ReadDigits(edAngle->text(), 0) <= kMaxAngle) return;
  // Reset before telling, so that leaving the field for the message box finds it valid.
  edAngle->setText("0");
  FHost.ShowMessage(this, TkvMessageKind::mkInformation, ui::SAngleRange);
  edAngle->setFocus();
}

void TkvMarkingPage::PositionChosen() {
  edX->setEnabled(FHorizontal->checkedId() == kCustom);
  edY->setEnabled(FVertical->checkedId() == kCustom);
}

void TkvMarkingPage::ShowFont() {
  lblFont->setText(QString(ui::SFontCaption).arg(FFont.family()).arg(FFont.pointSize()));
  btnFont->setFont(FFont);
  QPalette pal = btnFont->palette();
  pal.setColor(QPalette::ButtonText, FFontColor);
  btnFont->setPalette(pal);
}

void TkvMarkingPage::ChooseFont() {
  QFont font = FFont;
  QColor color = FFontColor;
  if (!FHost.ChooseFont(this, font, color)) return;
  FFont = font;
  FFontColor = color;
  ShowFont();
}

void TkvMarkingPage::ShowImage() {
  btnImage->setIcon(QIcon());
  if (FImageFile.isEmpty()) return;
  QImageReader reader(FImageFile);
  QSize size = reader.size();
  if (size.isValid()) {
    size.scale(kImageBox.boundedTo(size), Qt::KeepAspectRatio);
    reader.setScaledSize(size);
  }
  QImage image = reader.read();
  if (!image.isNull()) btnImage->setIcon(QIcon(QPixmap::fromImage(image)));
}

void TkvMarkingPage::ChooseImage() {
  QString file = FHost.ChoosePicture(this);
  if (file.isEmpty()) return;
  // Read now, so a file the library cannot take is refused when it is chosen.
  try {
    LoadPictureFromFile(FileSystemName(file));
  } catch (const std::exception& e) {
    FHost.ShowMessage(this, TkvMessageKind::mkError, QString::fromStdString(e.what()));
    return;
  }
  FImageFile = file;
  ShowImage();
  UpdateAddButton();
}

bool TkvMarkingPage::PositionsGiven() {
  if (FHorizontal->checkedId() == kCustom && edX->text().isEmpty()) {
    FHost.ShowMessage(this, TkvMessageKind::mkInformation, ui::SEnterHorizontal);
    return false;
  }
  if (FVertical->checkedId() == kCustom && edY->text().isEmpty()) {
    FHost.ShowMessage(this, TkvMessageKind::mkInformation, ui::SEnterVertical);
    return false;
  }
  return true;
}

void TkvMarkingPage::ApplyShared(TkvCustomWatermarkTemplate& tmpl) const {
  tmpl.Angle = ReadDigits(edAngle->text(), 0);
  tmpl.Overlay = btnType->text() == ui::SOverlay;
  tmpl.HorizontalPosition = static_cast<TkvHorizontalPosition>(FHorizontal->checkedId());
  tmpl.VerticalPosition = static_cast<TkvVerticalPosition>(FVertical->checkedId());
  if (tmpl.HorizontalPosition == hpCustom) tmpl.X = ReadDecimal(edX->text(), 0);
  if (tmpl.VerticalPosition == vpCustom) tmpl.Y = ReadDecimal(edY->text(), 0);
}

std::unique_ptr<TkvCustomWatermarkTemplate> TkvMarkingPage::BuildTemplate() {
  if (Tabs->currentIndex() == kTextTab) {
    if (edText->text().isEmpty()) {
      FHost.ShowMessage(this, TkvMessageKind::mkInformation, ui::SEnterMarkingText);
      return nullptr;
    }
    if (!PositionsGiven()) return nullptr;
    auto text = std::make_unique<TkvTextWaterMarkTemplate>();
    text->Text = ToAnsi(edText->text());
    text->Font = ToFontDescription(FFont, FFontColor);
    text->RenderingMode = static_cast<uint8_t>(std::max(0, cmbRendering->currentIndex()));
    text->StrokeColor = ToColor(cmbStrokeColor->Color());
    ApplyShared(*text);
    return text;
  }
  if (FImageFile.isEmpty()) {
    FHost.ShowMessage(this, TkvMessageKind::mkInformation, ui::SSelectMarkingImage);
    return nullptr;
  }
  if (!PositionsGiven()) return nullptr;
  auto image = std::make_unique<TkvImageWaterMarkTemplate>();
  try {
    image->Image = LoadPictureFromFile(FileSystemName(FImageFile));
  } catch (const std::exception& e) {
    FHost.ShowMessage(this, TkvMessageKind::mkError, QString::fromStdString(e.what()));
    return nullptr;
  }
  ApplyShared(*image);
  return image;
}

void TkvMarkingPage::AddMarking() {
  QString title;
  if (!FHost.InputText(this, ui::SMarkingTitleCaption, ui::SEnterMarkingTitle, title)) return;
  if (title.isEmpty()) {
    FHost.ShowMessage(this, TkvMessageKind::mkInformation, ui::SEnterMarkingTitle);
    return;
  }
  for (const Marking& m : FMarkings) {
    if (m.Title == title) {
      FHost.ShowMessage(this, TkvMessageKind::mkError, ui::SMarkingExists);
      return;
    }
  }
  std::unique_ptr<TkvCustomWatermarkTemplate> tmpl = BuildTemplate();
  if (!tmpl) return;
  const QString image = Tabs->currentIndex() == kGraphicTab ? FImageFile : QString();
  FMarkings.push_back({title, std::move(tmpl), static_cast<TkvMeasurementUnit>(cmbUnit->currentIndex()), image});
  lstMarkings->addItem(title);
  lstMarkings->setCurrentRow(lstMarkings->count() - 1);
  btnRemove->setEnabled(true);
  CountChanged();
}

void TkvMarkingPage::RemoveMarking() {
  const int row = lstMarkings->currentRow();
  if (row < 0) return;
  {
    QSignalBlocker quiet(lstMarkings);
    delete lstMarkings->takeItem(row);
    FMarkings.erase(FMarkings.begin() + row);
  }
  btnRemove->setEnabled(!FMarkings.empty());
  if (!FMarkings.empty()) lstMarkings->setCurrentRow(lstMarkings->count() - 1);
  LoadMarking(lstMarkings->currentRow());
  CountChanged();
}

void TkvMarkingPage::LoadMarking(int row) {
  if (row < 0 || row >= Count()) return;
  const Marking& m = FMarkings[static_cast<size_t>(row)];
  const TkvCustomWatermarkTemplate& t = *m.Template;
  if (auto* text = dynamic_cast<const TkvTextWaterMarkTemplate*>(&t)) {
    Tabs->setCurrentIndex(kTextTab);
    edText->setText(FromAnsi(text->Text));
    FFont = FromFontDescription(text->Font);
    FFontColor = FromColor(text->Font.Color);
    ShowFont();
    cmbRendering->setCurrentIndex(text->RenderingMode);
    cmbStrokeColor->SetColor(FromColor(text->StrokeColor));
  } else {
    Tabs->setCurrentIndex(kGraphicTab);
    FImageFile = m.ImageFile;
    ShowImage();
  }
  edAngle->setText(QString::number(t.Angle));
  cmbUnit->setCurrentIndex(m.Unit);
  FHorizontal->button(t.HorizontalPosition)->setChecked(true);
  FVertical->button(t.VerticalPosition)->setChecked(true);
  edX->setText(t.HorizontalPosition == hpCustom ? QLocale().toString(t.X) : QString());
  edY->setText(t.VerticalPosition == vpCustom ? QLocale().toString(t.Y) : QString());
  btnType->setChecked(!t.Overlay);
  btnRemove->setEnabled(true);
  UpdateAddButton();
}

void TkvMarkingPage::CountChanged() {
  if (OnCountChanged) OnCountChanged(Count());
}

int TkvMarkingPage::Count() const { return static_cast<int>(FMarkings.size()); }

TkvMeasurementUnit TkvMarkingPage::UnitOf(int index) const { return FMarkings[static_cast<size_t>(index)].Unit; }

void TkvMarkingPage::Stamp(int index) { FDocument.InsertWatermark(*FMarkings[static_cast<size_t>(index)].Template); }

void TkvMarkingPage::PageShown() {
  cmbUnit->setCurrentIndex(FDocument.MeasurementUnit());
  ShowFont();
}

}  // namespace kv
