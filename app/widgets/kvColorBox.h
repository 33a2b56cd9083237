// A drop-down list of named colours with a swatch each, and a "Custom..." entry that asks
// the host's colour dialog for any other colour.
#pragma once

#include <QColor>
#include <QComboBox>

namespace kv {

class TkvWizardHost;

class TkvColorBox : public QComboBox {
 public:
  explicit TkvColorBox(TkvWizardHost& host, QWidget* parent = nullptr);

  QColor Color() const;
  // Selects the named entry of that colour, or adds it as a custom one.
  void SetColor(const QColor& color);

 private:
  void Activated(int index);
  int AddColorItem(const QString& name, const QColor& color);

  TkvWizardHost& FHost;
  int FLastIndex = 0;
};

}  // namespace kv
