#include "WizardTestHost.h"

#include <QAbstractButton>
#include <QTest>

namespace kvtest {

namespace {
template <class T>
T PopOr(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T value = std::move(queue.front());
  queue.pop_front();
  return value;
}
}  // namespace

void TestHost::ShowMessage(QWidget*, kv::TkvMessageKind kind, const QString& text) { Messages.push_back({kind, text}); }

bool TestHost::Confirm(QWidget*, const QString& text) {
  Questions.push_back(text);
  return PopOr(ConfirmAnswers, DefaultConfirm);
}

QStringList TestHost::ChooseOpenFiles(QWidget*, const QString&) { return PopOr(OpenFilesAnswers, QStringList()); }
QString TestHost::ChooseOpenFile(QWidget*, const QString&) { return PopOr(OpenFileAnswers, QString()); }
QString TestHost::ChooseSaveFile(QWidget*, const QString&) { return PopOr(SaveFileAnswers, QString()); }
QString TestHost::ChoosePicture(QWidget*) { return PopOr(PictureAnswers, QString()); }

bool TestHost::ChooseFont(QWidget*, QFont& font, QColor& color) {
  if (FontAnswers.empty()) return false;
  std::tie(font, color) = FontAnswers.front();
  FontAnswers.pop_front();
  return true;
}

bool TestHost::ChooseColor(QWidget*, QColor& color) {
  if (ColorAnswers.empty()) return false;
  color = ColorAnswers.front();
  ColorAnswers.pop_front();
  return true;
}

bool TestHost::InputText(QWidget*, const QString&, const QString&, QString& text) {
  std::optional<QString> answer = PopOr(InputAnswers, std::optional<QString>());
  if (!answer) return false;
  text = *answer;
  return true;
}

int TestHost::ExecDialog(QDialog& dialog) {
  DialogsShown.push_back(dialog.objectName());
  DialogAnswer answer = PopOr(DialogAnswers, DefaultDialogAnswer);
  return answer(dialog);
}

void TestHost::Launch(const std::string& fileName) { Launched.push_back(fileName); }

std::string TestHost::AllMessages() const {
  std::string all;
  for (const Shown& m : Messages) all += (all.empty() ? "" : " | ") + m.Text.toStdString();
  return all;
}

TestHost::DialogAnswer PressAfter(std::function<void(QDialog&)> fill, const char* button) {
  return [fill, button](QDialog& dialog) {
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (fill) fill(dialog);
    if (auto* b = dialog.findChild<QAbstractButton*>(button)) QTest::mouseClick(b, Qt::LeftButton);
    int result = dialog.result();
    dialog.hide();
    return result;
  };
}

TestHost::DialogAnswer Press(const char* button) { return PressAfter(nullptr, button); }

}  // namespace kvtest
