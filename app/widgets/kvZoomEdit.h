// The bookmark zoom field: whole percents typed or stepped by 100 with its arrows, from
// 0 to 1600. Unlike a spin box it may be empty (the zoom is then left to the viewer), and
// a value above 1600 becomes 1600 when the field is left. The Up and Down keys step too.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kv {

class TkvZoomEdit : public QWidget {
 public:
  static constexpr int kMaxZoom = 1600;
  static constexpr int kStep = 100;

  explicit TkvZoomEdit(QWidget* parent = nullptr);
  QLineEdit* Edit() const { return FEdit; }
  QString Text() const;
  void SetText(const QString& text);
  void StepBy(int steps);

 protected:
  // Up and Down in the field step like the arrows.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Clamp();

  QLineEdit* FEdit;
  QToolButton* FUp;
  QToolButton* FDown;
};

}  // namespace kv
