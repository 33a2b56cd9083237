// The wizard window under test, driven like a user: clicks, typing and the answers of the
// test host; and the independent readings of the file it saved.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "WizardTestHost.h"
#include "app/dialogs/kvSettingsDlg.h"
#include "app/kvSimpleDemo.h"
#include "support/TestSupport.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace kvtest {

// What pypdf reads from a saved file (see pdf_facts.py).
nlohmann::json PdfFacts(const std::string& pdf, const std::string& password = "");

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  void Click(QAbstractButton* button);
  void Next() { Click(W().btnNext); }
  void Back() { Click(W().btnBack); }
  // Replaces a field's text by typing, so the field's keystroke filter applies.
  void Type(QLineEdit* edit, const QString& text);
  void Choose(kv::TkvWizardOperation op);
  // From the start page to the source page of `op` with `file` loaded (Next pressed).
  void OpenSource(kv::TkvWizardOperation op, const std::string& file);
  // On the finish page: names the output, answers the settings dialog with `fill` then
  // OK, and presses Next.
  void Finish(const std::string& output, std::function<void(kv::TfrmSettings&)> fill = nullptr);

  kv::TfrmMain& W() { return *window_; }
  QWidget* Page() { return W().CurrentPage(); }
  std::string Out(const std::string& name) const { return dir_.File(name); }
  static std::string Data(const std::string& name) { return DataPath(name); }
  static QString Q(const std::string& s) { return QString::fromStdString(s); }

  TestHost host;

 private:
  std::unique_ptr<kv::TfrmMain> window_;
  TempDir dir_;
};

}  // namespace kvtest
