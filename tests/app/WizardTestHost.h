// The desktop as tests play it: every message box, question, file dialog and modal
// dialog of the wizard is answered from queues the test fills, and recorded so the test
// can read what the user would have seen.
#pragma once

#include <QDialog>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/kvWizardHost.h"

namespace kvtest {

class TestHost : public kv::TkvWizardHost {
 public:
  struct Shown {
    kv::TkvMessageKind Kind;
    QString Text;
  };
  using DialogAnswer = std::function<int(QDialog&)>;

  // ---- what the user saw ----
  std::vector<Shown> Messages;
  std::vector<QString> Questions;
  std::vector<QString> DialogsShown;  // object names, in order
  std::vector<std::string> Launched;

  // ---- what the user answers (each queue falls back to its default when empty) ----
  std::deque<bool> ConfirmAnswers;
  bool DefaultConfirm = true;
  std::deque<QStringList> OpenFilesAnswers;
  std::deque<QString> OpenFileAnswers, SaveFileAnswers, PictureAnswers;
  std::deque<std::optional<QString>> InputAnswers;  // nullopt = Cancel
  std::deque<std::pair<QFont, QColor>> FontAnswers;
  std::deque<QColor> ColorAnswers;
  std::deque<DialogAnswer> DialogAnswers;
  DialogAnswer DefaultDialogAnswer = [](QDialog&) { return int(QDialog::Rejected); };

  void ShowMessage(QWidget* parent, kv::TkvMessageKind kind, const QString& text) override;
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

  // The last message's text, or empty.
  QString LastMessage() const { return Messages.empty() ? QString() : Messages.back().Text; }
  // Every message text so far, joined by " | " (for failure output).
  std::string AllMessages() const;
};

// Dialog answers: show the dialog, let `fill` work on it, then press its button named
// `button` ("btnOK", "btnCancel", ...) and return what the dialog ended with.
TestHost::DialogAnswer PressAfter(std::function<void(QDialog&)> fill, const char* button = "btnOK");
TestHost::DialogAnswer Press(const char* button = "btnOK");

}  // namespace kvtest
