// Everything the wizard asks of the desktop: message boxes, confirmations, the file,
// picture, font, colour and input dialogs, running its own modal dialogs, and opening a
// file with its viewer. The window receives one host; the application passes the Qt one,
// tests pass their own that answers and records what the user would have seen.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <string>

class QDialog;
class QWidget;

namespace kv {

enum class TkvMessageKind { mkPlain, mkInformation, mkWarning, mkError };

class TkvWizardHost {
 public:
  virtual ~TkvWizardHost() = default;

  // A modal box with one OK button.
  virtual void ShowMessage(QWidget* parent, TkvMessageKind kind, const QString& text) = 0;
  // A modal question with Yes and No; true for Yes.
  virtual bool Confirm(QWidget* parent, const QString& text) = 0;
  // File dialogs; an empty answer (or list) means the user cancelled.
  virtual QStringList ChooseOpenFiles(QWidget* parent, const QString& filter) = 0;
  virtual QString ChooseOpenFile(QWidget* parent, const QString& filter) = 0;
  virtual QString ChooseSaveFile(QWidget* parent, const QString& filter) = 0;
  virtual QString ChoosePicture(QWidget* parent) = 0;
  // The font dialog: family, size and style in `font`, the text colour in `color`.
  virtual bool ChooseFont(QWidget* parent, QFont& font, QColor& color) = 0;
  virtual bool ChooseColor(QWidget* parent, QColor& color) = 0;
  // A one-line input box; false when cancelled.
  virtual bool InputText(QWidget* parent, const QString& caption, const QString& prompt, QString& text) = 0;
  // Shows one of the wizard's own dialogs modally; returns QDialog::Accepted or Rejected.
  virtual int ExecDialog(QDialog& dialog) = 0;
  // Opens a file with the desktop's viewer for it.
  virtual void Launch(const std::string& fileName) = 0;
};

// The real desktop.
class TkvQtWizardHost : public TkvWizardHost {
 public:
  void ShowMessage(QWidget* parent, TkvMessageKind kind, const QString& text) override;
  bool Confirm(QWidget* parent, const QString& text) override;
  QStringList ChooseOpenFiles(QWidget* parent, const QString& filter) override;
  QString ChooseOpenFile(QWidget* parent, const QString& filter) override;
  QString ChooseSaveFile(QWidget* parent, const QString& filter) override;
  QString ChoosePicture(QWidget* parent) override;
  bool ChooseFont(QWidget* parent, QFont& font, QColor& color) override;
  bool ChooseColor(QWidget* parent, QColor& color) override;
  bool InputText(QWidget* parent, const QString& caption, const QString& prompt, QString& text) override;
  int ExecDialog(QDialog& dialog) override;
  void Launch(const std::string& fileName) override;
};

}  // namespace kv
