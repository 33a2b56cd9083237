#include "app/widgets/kvColorBox.h"

#include <QPixmap>

#include "app/kvWizardHost.h"

namespace kv {

namespace {

struct NamedColor {
  const char* name;
  QRgb rgb;
};

// The sixteen colours of the classic palette, in its order.
constexpr NamedColor kStandardColors[] = {
    {"Black", qRgb(0, 0, 0)},       {"Maroon", qRgb(128, 0, 0)},    {"Green", qRgb(0, 128, 0)},
    {"Olive", qRgb(128, 128, 0)},   {"Navy", qRgb(0, 0, 128)},      {"Purple", qRgb(128, 0, 128)},
    {"Teal", qRgb(0, 128, 128)},    {"Gray", qRgb(128, 128, 128)},  {"Silver", qRgb(192, 192, 192)},
    {"Red", qRgb(255, 0, 0)},       {"Lime", qRgb(0, 255, 0)},      {"Yellow", qRgb(255, 255, 0)},
    {"Blue", qRgb(0, 0, 255)},      {"Fuchsia", qRgb(255, 0, 255)}, {"Aqua", qRgb(0, 255, 255)},
    {"White", qRgb(255, 255, 255)},
};

constexpr const char* kCustom = "Custom...";

QIcon Swatch(const QColor& color) {
  QPixmap pixmap(16, 16);
  pixmap.fill(color);
  return QIcon(pixmap);
}

}  // namespace

TkvColorBox::TkvColorBox(TkvWizardHost& host, QWidget* parent) : QComboBox(parent), FHost(host) {
  addItem(kCustom);
  for (const NamedColor& c : kStandardColors) AddColorItem(c.name, QColor(c.rgb));
  setCurrentIndex(1);
  FLastIndex = 1;
  connect(this, &QComboBox::activated, this, [this](int index) { Activated(index); });
}

QColor TkvColorBox::Color() const { return currentData().value<QColor>(); }

void TkvColorBox::SetColor(const QColor& color) {
  for (int i = 1; i < count(); ++i) {
    if (itemData(i).value<QColor>().rgb() == color.rgb()) {
      setCurrentIndex(i);
      FLastIndex = i;
      return;
    }
  }
  FLastIndex = AddColorItem(color.name(), color);
  setCurrentIndex(FLastIndex);
}

int TkvColorBox::AddColorItem(const QString& name, const QColor& color) {
  addItem(Swatch(color), name, color);
  return count() - 1;
}

void TkvColorBox::Activated(int index) {
  if (index != 0) {
    FLastIndex = index;
    return;
  }
  QColor color = itemData(FLastIndex).value<QColor>();
  if (FHost.ChooseColor(this, color))
    SetColor(color);
  else
    setCurrentIndex(FLastIndex);
}

}  // namespace kv
