// The password dialog that answers a document's request for the password of an
// encrypted file. One is made for each request.
#pragma once

#include <QDialog>

class QLineEdit;

namespace kv {

class TfrmPassword : public QDialog {
 public:
  // `password` is the one the request came with; when it is empty the field takes the
  // focus, ready for typing.
  explicit TfrmPassword(const QString& password, QWidget* parent = nullptr);

  QString Password() const;
  QLineEdit* PasswordField() const { return FPassword; }

 private:
  QLineEdit* FPassword;
};

}  // namespace kv
