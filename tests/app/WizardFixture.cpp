#include "WizardFixture.h"

#include <QTest>

#include "app/pages/kvSimplePages.h"

namespace kvtest {

nlohmann::json PdfFacts(const std::string& pdf, const std::string& password) {
  CommandResult r = Run("/usr/bin/python3 " + ShellQuote(std::string(FOLIO_APP_TEST_DIR) + "/pdf_facts.py") + " " +
                        ShellQuote(pdf) + " " + ShellQuote(password) + " 2>&1");
  EXPECT_EQ(r.ExitCode, 0) << r.Output;
  try {
    return nlohmann::json::parse(r.Output);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "pypdf output not readable: " << r.Output;
    return nlohmann::json::object();
  }
}

void WizardTest::SetUp() {
  window_ = std::make_unique<kv::TfrmMain>(host);
  window_->show();
}

void WizardTest::TearDown() { window_.reset(); }

void WizardTest::Click(QAbstractButton* button) {
  ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString() << " is not shown";
  ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString() << " is disabled";
  QTest::mouseClick(button, Qt::LeftButton);
}

void WizardTest::Type(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

void WizardTest::Choose(kv::TkvWizardOperation op) { Click(W().tsStart->Button(op)); }

void WizardTest::OpenSource(kv::TkvWizardOperation op, const std::string& file) {
  Choose(op);
  Next();
  ASSERT_EQ(Page(), W().tsSourceDoc);
  Type(W().tsSourceDoc->File->Edit(), Q(file));
  Next();
}

void WizardTest::Finish(const std::string& output, std::function<void(kv::TfrmSettings&)> fill) {
  ASSERT_EQ(Page(), W().tsFinish) << host.AllMessages();
  Type(W().tsFinish->File->Edit(), Q(output));
  host.DialogAnswers.push_back(PressAfter([fill](QDialog& d) {
    if (fill) fill(static_cast<kv::TfrmSettings&>(d));
  }));
  Next();
}

}  // namespace kvtest
