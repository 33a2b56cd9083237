#include "app/widgets/kvZoomEdit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

#include "app/widgets/kvInputFilters.h"

namespace kv {

TkvZoomEdit::TkvZoomEdit(QWidget* parent) : QWidget(parent) {
  FEdit = WithFilter(new QLineEdit("0", this), NewDigitsFilter);
  FEdit->setObjectName("edZoom");
  FUp = new QToolButton(this);
  FUp->setArrowType(Qt::UpArrow);
  FUp->setObjectName("btnZoomUp");
  FDown = new QToolButton(this);
  FDown->setArrowType(Qt::DownArrow);
  FDown->setObjectName("btnZoomDown");
  for (QToolButton* b : {FUp, FDown}) b->setAutoRepeat(true);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(FEdit, 1);
  layout->addWidget(FUp);
  layout->addWidget(FDown);
  connect(FUp, &QToolButton::clicked, this, [this] { StepBy(1); });
  connect(FDown, &QToolButton::clicked, this, [this] { StepBy(-1); });
  connect(FEdit, &QLineEdit::editingFinished, this, [this] { Clamp(); });
  setFocusProxy(FEdit);
  FEdit->installEventFilter(this);
}

bool TkvZoomEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FEdit && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
      StepBy(key->key() == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

QString TkvZoomEdit::Text() const { return FEdit->text(); }

void TkvZoomEdit::SetText(const QString& text) { FEdit->setText(text); }

void TkvZoomEdit::StepBy(int steps) {
  int value = std::clamp(ReadDigits(FEdit->text(), 0), 0, kMaxZoom);
  FEdit->setText(QString::number(std::clamp(value + steps * kStep, 0, kMaxZoom)));
}

void TkvZoomEdit::Clamp() {
  if (!FEdit->text().isEmpty() && ReadDigits(FEdit->text(), 0) > kMaxZoom) FEdit->setText(QString::number(kMaxZoom));
}

}  // namespace kv
