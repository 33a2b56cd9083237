// The about box: the product's name and version.
#pragma once

#include <QDialog>

namespace kv {

class TfrmAbout : public QDialog {
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);
};

}  // namespace kv
